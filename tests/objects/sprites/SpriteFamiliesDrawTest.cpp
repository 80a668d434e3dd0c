// God rays, lightning flashes, fish and ghosts drawn on the test device
// through a plain layer: the lean of a ray, a flash at full strength while its
// time line is invisible, fish facing the way they swim, and a ghost dimmed
// twice by its time line.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "Sprites2TestSupport.h"
#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "objects/sprites/Fish.h"
#include "objects/sprites/GodRays.h"
#include "objects/sprites/LightningFlashes.h"
#include "objects/sprites/SpriteArrayObj.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/Layer.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "support/DocResRecord.h"
#include "support/SceneTest.h"
#include "support/TestPictures.h"

namespace {

const uint32_t kWhite = 0xFFFFFFFF;
const uint32_t kRed = 0xFFFF0000;
const uint32_t kBlue = 0xFF0000FF;

// Back-buffer pixels map 1:1 to scene pixels; the back buffer is cleared grey.
class SpriteFamiliesDrawTest : public ds_test::SceneTest {
protected:
  SpriteFamiliesDrawTest() { sceneSize.Set(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight); }

  void TearDown() override {
    object.reset();
    SceneTest::TearDown();
  }

  void Make(DS_ParticleSystemCtrl& item) {
    object.reset(static_cast<DS_SpriteArrayObj*>(item.CreateObject()));
    ASSERT_NE(nullptr, object);
    ASSERT_EQ(item.spriteCount.GetValue(), object->GetQuadCapacity());
  }

  DS_SpriteParticle& Sprite(size_t i) {
    auto it = object->sprites.begin();
    std::advance(it, i);
    return **it;
  }

  // Puts sprite i at (x, y), fully opaque, its colour repacked.
  DS_SpriteParticle& Place(size_t i, float x, float y) {
    DS_SpriteParticle& s = Sprite(i);
    s.position = D3DXVECTOR3(x, y, 0.0f);
    s.alpha = 1.0f;
    s.packedColour = DS_ParticleSystemCtrl::PackColor(*object->GetItem(), s);
    return s;
  }

  ds_test::Image Frame(float t = 0.0f) { return DrawAndRead(*object, t); }

  std::unique_ptr<DS_SpriteArrayObj> object;
};

TEST_F(SpriteFamiliesDrawTest, UprightRaySpansTheSceneHeight) {
  DS_GodRayConstructor item;
  item.rayAngle.SetValue(90u);
  item.spriteSize.SetValue(20u);
  item.colour.SetValue(0x0000FFu);  // red
  item.mainImage = Picture(L"white.bmp", ds_test::SolidBmp(8, 8, kWhite));
  Make(item);
  Place(0, 160.0f, 120.0f).velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  const ds_test::Image image = Frame();
  EXPECT_TRUE(ds_test::PixelNear(image, 160, 3, 0xFF0000, 3)) << "top of the ray";
  EXPECT_TRUE(ds_test::PixelNear(image, 160, 236, 0xFF0000, 3)) << "bottom of the ray";
  EXPECT_TRUE(ds_test::PixelNear(image, 153, 120, 0xFF0000, 3)) << "inside its width";
  EXPECT_TRUE(ds_test::PixelNear(image, 174, 120, 0x404040, 3)) << "beside it";
}

TEST_F(SpriteFamiliesDrawTest, EightyDegreeRayLeansItsTopToTheRight) {
  DS_GodRayConstructor item;  // 80 degrees by default
  item.spriteSize.SetValue(20u);
  item.colour.SetValue(0x0000FFu);
  item.mainImage = Picture(L"white.bmp", ds_test::SolidBmp(8, 8, kWhite));
  Make(item);
  Place(0, 160.0f, 120.0f).velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  const ds_test::Image image = Frame();
  // The ray's middle runs through x = 160 + (120 - y) x cot(80 degrees).
  EXPECT_TRUE(ds_test::PixelNear(image, 179, 10, 0xFF0000, 3)) << "near the top, shifted right";
  EXPECT_TRUE(ds_test::PixelNear(image, 160, 10, 0x404040, 3)) << "near the top, the upright place";
  EXPECT_TRUE(ds_test::PixelNear(image, 141, 230, 0xFF0000, 3)) << "near the bottom, shifted left";
  EXPECT_TRUE(ds_test::PixelNear(image, 160, 230, 0x404040, 3)) << "near the bottom, the upright place";
  EXPECT_TRUE(ds_test::PixelNear(image, 160, 120, 0xFF0000, 3)) << "the centre";
}

TEST_F(SpriteFamiliesDrawTest, FlashIsDrawnAtFullStrengthWhileTheTimeLineIsInvisible) {
  DS_LightingConstructor item;  // additive, cycle starting invisible
  item.spriteSize.SetValue(20u);
  item.colour.SetValue(0xFF0000u);  // blue
  item.mainImage = Picture(L"white.bmp", ds_test::SolidBmp(8, 8, kWhite));
  Make(item);
  ASSERT_EQ(0.0f, object->GetItem()->TimeLine().GetAlpha());
  Place(0, 100.0f, 80.0f);
  const ds_test::Image image = Frame();
  EXPECT_TRUE(ds_test::PixelNear(image, 100, 80, 0x4040FF, 3)) << "blue added to grey";
  EXPECT_TRUE(ds_test::PixelNear(image, 130, 80, 0x404040, 3)) << "beside the flash";
}

TEST_F(SpriteFamiliesDrawTest, FishFaceTheWayTheySwim) {
  DS_FishConstructor item;
  item.spriteCount.SetValue(2u);
  item.spriteSize.SetValue(20u);
  // Red on the left half, blue on the right.
  item.mainImage =
      Picture(L"fish.bmp", ds_test::MakeBmp(8, 8, [](int x, int) -> uint32_t { return x < 4 ? kRed : kBlue; }));
  Make(item);
  for (size_t i = 0; i < 2; ++i) {
    DS_SpriteParticle& s = Place(i, i == 0 ? 100.0f : 200.0f, 80.0f);
    s.velocity = D3DXVECTOR3(i == 0 ? 30.0f : -30.0f, 0.0f, 0.0f);
    s.halfWidth = i == 0 ? 10.0f : -10.0f;
    s.halfHeight = 10.0f;
    s.xAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    s.yAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  }
  const ds_test::Image image = Frame();
  EXPECT_TRUE(ds_test::PixelNear(image, 95, 80, 0xFF0000, 3)) << "swimming right: its left half on the left";
  EXPECT_TRUE(ds_test::PixelNear(image, 105, 80, 0x0000FF, 3)) << "swimming right: its right half on the right";
  EXPECT_TRUE(ds_test::PixelNear(image, 195, 80, 0x0000FF, 3)) << "swimming left: mirrored";
  EXPECT_TRUE(ds_test::PixelNear(image, 205, 80, 0xFF0000, 3)) << "swimming left: mirrored";
}

TEST_F(SpriteFamiliesDrawTest, GhostIsDimmedTwiceByItsTimeLine) {
  DS_GhostConstructor item;  // transparency 50 %
  item.spriteSize.SetValue(20u);
  item.mainImage = Picture(L"white.bmp", ds_test::SolidBmp(8, 8, kWhite));
  // Half-way through a fade-in.
  item.TimeLine().mode.SetValue(DS_TimeLineControl::kWindows);
  item.TimeLine().AddWindow({0.0f, 100.0f, 1.0f, 99.0f});
  Make(item);
  object->GetItem()->TimeLine().SetWrappedTime(0.5f);
  Place(0, 100.0f, 80.0f);
  const ds_test::Image image = Frame();
  // Alpha byte int(int(127 x 0.5) x 0.5) = 31: white over grey.
  const int a = 31;
  const int level = (255 * a + 0x40 * (255 - a)) / 255;
  EXPECT_TRUE(ds_test::PixelNear(image, 100, 80, uint32_t(level) * 0x010101u, 3)) << "white at alpha 31 over grey";
}

}  // namespace
