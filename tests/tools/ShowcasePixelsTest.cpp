// The showcase's objects drawn on the test device as the default scene sets them up,
// read back from their own records, with the scene's own pictures and the compiled
// effects and the shared module's pictures and meshes: each must leave a visible mark
// where the scene puts it, in its own colours, and leave the rest of the picture be.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "objects/mesh3d/Arrays3DIn2D.h"
#include "objects/mesh3d/Objects3D.h"
#include "objects/particles/Lightning.h"
#include "objects/particles/Plant.h"
#include "objects/particles/SpriteAnimations.h"
#include "objects/sprites/DischargeArcs.h"
#include "objects/sprites/Discharges.h"
#include "objects/sprites/Explosion.h"
#include "render/SceneMapping.h"
#include "support/ItemRecord.h"
#include "support/ScenePixelsTest.h"
#include "tools/DefaultPictures.h"
#include "tools/DefaultSceneContent.h"
#include "tools/Picture.h"
#include "tools/ShowcaseItems.h"

namespace {

using ds_test::Image;

// The showcase lays its items out for a slide of this size; the test device shows it
// scene pixel for scene pixel.
const float kW = float(ds_test::kTestDeviceWidth);
const float kH = float(ds_test::kTestDeviceHeight);

struct Channels {
  int r, g, b;
};

Channels At(const Image& image, int x, int y) {
  const uint32_t c = image.pixels[size_t(y) * size_t(image.width) + size_t(x)];
  return {int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)};
}

// Pixels within the box (inclusive, clipped to the image) for which `test` holds.
int CountWhere(const Image& image, int left, int top, int right, int bottom,
               const std::function<bool(const Channels&)>& test) {
  int count = 0;
  for (int y = std::max(0, top); y <= std::min(image.height - 1, bottom); ++y) {
    for (int x = std::max(0, left); x <= std::min(image.width - 1, right); ++x) count += test(At(image, x, y)) ? 1 : 0;
  }
  return count;
}

// Brighter than the grey scene by more than `by` in some channel.
std::function<bool(const Channels&)> Lit(int by) {
  const int grey = 0x40;
  return [=](const Channels& c) { return c.r > grey + by || c.g > grey + by || c.b > grey + by; };
}

// Warm: red well above blue, as fire, a leaf or an orange wing.
bool Warm(const Channels& c) { return c.r > 120 && c.r > c.b + 60; }

class ShowcasePixelsTest : public ds_test::ScenePixelsTest {
protected:
  void SetUp() override {
    ScenePixelsTest::SetUp();
    if (HasFatalFailure()) return;
    // The scene's sprite pictures under the keys the showcase links, and its effects.
    ds_test::DocResRecord record;
    for (const ds_tools::SpritePicture& sprite : ds_tools::MakeSpritePictures()) {
      const DS_FileKey key(ds_tools::ScenePath(sprite.fileName), ds_tools::kSceneFileStamp);
      record.usedImages[key] = {ds_test::MakeFileEntry(key.path, ds_tools::EncodeDds32(sprite.picture))};
      assets.pictures[sprite.fileName] = key;
    }
    for (const char* name : {"particles", "explosion", "plant"}) {
      const std::string file = std::string(name) + ".fxo";
      const DS_FileKey key(ds_tools::ScenePath(std::wstring(file.begin(), file.end()).c_str()), ds_tools::kSceneFileStamp);
      const std::vector<unsigned char> bytes = ds_test::CompiledEffectBytes(name);
      ASSERT_FALSE(bytes.empty()) << name;
      record.otherFiles[key] = {ds_test::MakeFileEntry(key.path, bytes)};
      assets.effects[name] = key;
    }
    UseDocument(record);
    m_sceneWidth = g_SceneWidth;
    m_sceneHeight = g_SceneHeight;
    g_SceneWidth = int(kW);
    g_SceneHeight = int(kH);
  }
  void TearDown() override {
    g_SceneWidth = m_sceneWidth;
    g_SceneHeight = m_sceneHeight;
    ScenePixelsTest::TearDown();
  }

  // The showcase's item of that class, as the document carries it, made into the
  // object the slide would draw.
  template <class T>
  void UseShowcaseItem(const wchar_t* className) {
    std::unique_ptr<DS_ABObj_Constructor> made(ds_tools::MakeShowcaseItem(className, assets, kW, kH, 1));
    T* typed = dynamic_cast<T*>(made.get());
    ASSERT_NE(nullptr, typed);
    std::unique_ptr<T> item = ds_test::ReadBackItem(*typed);
    ASSERT_TRUE(item);
    item->Reset();
    object.reset(item->CreateObject());
    ASSERT_TRUE(object);
  }

  // One frame at slide time t, the item's time line advanced as the slide does.
  Image FrameAt(float t) {
    if (!object) return Image();
    object->UpdateAt(t);
    return Draw();
  }

  ds_tools::ShowcaseAssets assets;

private:
  int m_sceneWidth = 0;
  int m_sceneHeight = 0;
};

// The bolt runs from the top of the sky down towards the roofs: lit along its whole
// length, not only where its texture starts.
TEST_F(ShowcasePixelsTest, LightningBoltIsLitAlongItsLength) {
  UseShowcaseItem<DS_LightningGN>(L"DS_LightningGN");
  const Image image = FrameAt(0.5f);
  ASSERT_FALSE(image.pixels.empty());
  // Its start (0.3 w, 0) and its end (0.42 w, 0.62 h): the upper and the lower
  // half of the strike each show a lit streak.
  const int left = int(kW * 0.1f), right = int(kW * 0.65f);
  EXPECT_LT(150, CountWhere(image, left, 0, right, int(kH * 0.3f), Lit(96))) << "the upper half";
  EXPECT_LT(150, CountWhere(image, left, int(kH * 0.3f), right, int(kH * 0.6f), Lit(96))) << "the lower half";
  EXPECT_EQ(0, CountWhere(image, int(kW * 0.8f), 0, int(kW) - 1, int(kH) - 1, Lit(8))) << "far beside it";
}

// The sparks crackle where the scene puts them (the bolt's end), not in the corner.
TEST_F(ShowcasePixelsTest, DischargeSparksAtTheBoltsEnd) {
  UseShowcaseItem<DS_DischargeConstructor>(L"DS_DischargeConstructor");
  const Image image = FrameAt(0.5f);
  ASSERT_FALSE(image.pixels.empty());
  const int x = int(kW * 0.42f), y = int(kH * 0.62f);
  EXPECT_LT(60, CountWhere(image, x - 20, y - 20, x + 20, y + 20, Lit(96))) << "around the bolt's end";
  EXPECT_EQ(0, CountWhere(image, 0, 0, 40, 40, Lit(8))) << "the corner";
}

// The arc reaches from one roof to the other, glowing and bright at its core.
TEST_F(ShowcasePixelsTest, DischargeArcSpansItsTwoPoints) {
  UseShowcaseItem<DS_DischargeFXConstructor>(L"DS_DischargeFXConstructor");
  for (float t : {0.5f, 1.0f}) {
    const Image image = FrameAt(t);
    ASSERT_FALSE(image.pixels.empty());
    // Its ends (0.58 w, 0.7 h) and (0.86 w, 0.64 h): each third of the way lit.
    for (int third = 0; third < 3; ++third) {
      const int left = int(kW * (0.58f + 0.28f * float(third) / 3.0f));
      const int right = int(kW * (0.58f + 0.28f * float(third + 1) / 3.0f));
      EXPECT_LT(20, CountWhere(image, left, int(kH * 0.5f), right, int(kH * 0.85f), Lit(96)))
          << "third " << third << " at " << t << " s";
    }
    EXPECT_EQ(0, CountWhere(image, 0, 0, int(kW * 0.4f), int(kH) - 1, Lit(8))) << "left of it";
  }
}

// The burst shows in the sky as fire (hot yellow-white at the heart, orange around
// it), a burst's width across, and leaves the rest of the picture alone; between its
// appearances it is gone.
TEST_F(ShowcasePixelsTest, ExplosionBurstsAsFireInTheSky) {
  UseShowcaseItem<DS_ExplosionConstructor>(L"DS_ExplosionConstructor");
  const int x = int(kW * 0.62f), y = int(kH * 0.3f);
  const int radius = int(kH * 0.45f * 0.5f);
  int brightest = 0;
  int hidden = 0;
  for (float t = 0.05f; t < 3.0f; t += 0.1f) {
    const Image image = FrameAt(t);
    ASSERT_FALSE(image.pixels.empty());
    const int warm = CountWhere(image, x - radius, y - radius, x + radius, y + radius, Warm);
    brightest = std::max(brightest, warm);
    if (CountWhere(image, 0, 0, int(kW) - 1, int(kH) - 1, Lit(8)) == 0) ++hidden;
    EXPECT_EQ(0, CountWhere(image, 0, y + radius + 4, int(kW) - 1, int(kH) - 1, Lit(8))) << "below it at " << t;
    EXPECT_EQ(0, CountWhere(image, 0, 0, x - radius - 4, int(kH) - 1, Lit(8))) << "left of it at " << t;
  }
  EXPECT_LT(radius * radius, brightest) << "the fire at its fullest";
  EXPECT_LT(0, hidden) << "frames between two bursts";
}

// The butterflies' wings show their orange picture; they fly inside the picture.
TEST_F(ShowcasePixelsTest, ButterflyWingsAreTextured) {
  UseShowcaseItem<DS_ButterflyConstructor>(L"DS_ButterflyConstructor");
  int warm = 0;
  for (float t = 0.1f; t < 2.0f; t += 0.2f) {
    const Image image = FrameAt(t);
    ASSERT_FALSE(image.pixels.empty());
    warm += CountWhere(image, 0, 0, int(kW) - 1, int(kH) - 1, Warm);
  }
  EXPECT_LT(200, warm);
}

// The falling leaves: copies of the leaf picture all over the picture.
TEST_F(ShowcasePixelsTest, ArrayCopiesShowTheLeafPicture) {
  UseShowcaseItem<DS_3D_in_2D_array_Constructor>(L"DS_3D_in_2D_array_Constructor");
  const Image image = FrameAt(0.5f);
  ASSERT_FALSE(image.pixels.empty());
  EXPECT_LT(300, CountWhere(image, 0, 0, int(kW) - 1, int(kH) - 1, Warm));
}

// The plant and the static animation draw through effects of their own; neither
// paints its region black.
TEST_F(ShowcasePixelsTest, PlantAndAnimationLeaveNoDarkShape) {
  const int kDark = 0x40 - 40;
  auto dark = [=](const Channels& c) { return c.r < kDark && c.g < kDark && c.b < kDark; };
  {
    SCOPED_TRACE("plant");
    UseShowcaseItem<DS_Plant>(L"DS_Plant");
    const Image image = FrameAt(0.5f);
    ASSERT_FALSE(image.pixels.empty());
    EXPECT_EQ(0, CountWhere(image, 0, 0, int(kW) - 1, int(kH) - 1, dark));
  }
  {
    SCOPED_TRACE("static animation");
    UseShowcaseItem<DS_StaticAnimation>(L"DS_StaticAnimation");
    const Image image = FrameAt(0.5f);
    ASSERT_FALSE(image.pixels.empty());
    EXPECT_EQ(0, CountWhere(image, 0, 0, int(kW) - 1, int(kH) - 1, dark));
    // Its flower, pink, in its region (0.7 .. 0.8 w, 0.7 .. 0.85 h).
    EXPECT_LT(50, CountWhere(image, int(kW * 0.7f), int(kH * 0.7f), int(kW * 0.8f), int(kH * 0.85f),
                             [](const Channels& c) { return c.r > 160 && c.b > c.g + 20; }));
  }
}

// The plant sways its leaf picture over its region (0.05 .. 0.35 w, 0.45 .. 1 h).
TEST_F(ShowcasePixelsTest, PlantShowsItsPictureInItsRegion) {
  UseShowcaseItem<DS_Plant>(L"DS_Plant");
  const Image image = FrameAt(0.5f);
  ASSERT_FALSE(image.pixels.empty());
  const int grey = int(kScene & 0xFF);
  EXPECT_LT(50, CountWhere(image, int(kW * 0.05f), int(kH * 0.45f), int(kW * 0.35f), int(kH) - 1,
                           [=](const Channels& c) { return std::abs(c.g - grey) > 24 || std::abs(c.r - grey) > 24; }));
  EXPECT_EQ(0, CountWhere(image, int(kW * 0.5f), 0, int(kW) - 1, int(kH) - 1,
                          [=](const Channels& c) { return std::abs(c.g - grey) > 24; }))
      << "nothing outside its region";
}

}  // namespace
