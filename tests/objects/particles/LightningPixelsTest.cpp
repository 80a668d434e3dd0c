// The lightning drawn on the test device through the compiled particle effect, read
// from its own record: its cores and glows gathered into the two textures of its
// target ("BlendMask_Max") and combined with the scene ("Main"): the glow lightens the
// scene in the second colour, the core lies on top in the first, and the scene beside
// the bolt is left as it was. The bolt's picture repeats along the bolt, so a picture
// that is a soft dot still makes one bolt from end to end.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "objects/particles/Lightning.h"
#include "support/ItemRecord.h"
#include "support/ScenePixelsTest.h"
#include "support/TestPictures.h"

namespace {

using ds_test::PixelNear;
using ds_test::Image;

const DS_FileKey kEffectKey(L"C:\\scene\\particles.fxo", 61);
const DS_FileKey kBoltPicture(L"C:\\scene\\bolt.bmp", 62);
const DS_FileKey kDotPicture(L"C:\\scene\\dot.png", 63);

// A white dot on a transparent ground, opaque at its centre and fading to nothing at
// the middle of each edge.
const int kDotSize = 16;
uint32_t SoftDot(int x, int y) {
  const float dx = (float(x) + 0.5f) / kDotSize - 0.5f;
  const float dy = (float(y) + 0.5f) / kDotSize - 0.5f;
  const float alpha = std::fmax(0.0f, 1.0f - 2.0f * std::sqrt(dx * dx + dy * dy));
  return (uint32_t(std::lround(alpha * 255.0f)) << 24) | 0x00FFFFFFu;
}

class LightningPixelsTest : public ds_test::ScenePixelsTest {
protected:
  void SetUp() override {
    ScenePixelsTest::SetUp();
    if (HasFatalFailure()) return;
    ds_test::DocResRecord record = EffectDocument("particles", kEffectKey);
    record.usedImages[kBoltPicture] = {ds_test::MakeFileEntry(L"bolt.bmp", ds_test::SolidBmp(8, 8, 0xFFFFFFFF))};
    record.usedImages[kDotPicture] = {
        ds_test::MakeFileEntry(L"dot.png", ds_test::MakePng(kDotSize, kDotSize, SoftDot))};
    UseDocument(record);
  }
};

TEST_F(LightningPixelsTest, GlowLightensTheSceneAndTheCoreLiesOnTop) {
  // No generations: one straight segment from (40, 120) to 0.67 of the way to
  // (280, 120), that is to x = 200.8; the core 10 pixels wide, the glow 60.
  DS_LightningGN written;
  written.startPoint.SetValue(D3DXVECTOR3(40.0f, 120.0f, 0.0f));
  written.endPoint.SetValue(D3DXVECTOR3(280.0f, 120.0f, 0.0f));
  written.CoreWidth.SetValue(10u);
  written.GlowWidth.SetValue(60u);
  written.Generations.SetValue(0u);
  written.Taper.SetValue(0u);
  written.Flicker.SetValue(0u);  // steady brightness
  written.Seed.SetValue(1u);
  written.textureLinks.emplace_back(kBoltPicture);
  written.effectLink.StoreKey(kEffectKey);
  written.colour1.SetValue(0xFFFFFFu);  // white cores
  written.colour2.SetValue(0xFF0000u);  // blue glows (red in the low byte)
  std::unique_ptr<DS_LightningGN> bolt = ds_test::ReadBackItem(written);
  ASSERT_TRUE(bolt);
  object.reset(bolt->CreateObject());

  for (float t : {0.1f, 0.2f}) {
    const Image image = Frame(t);
    if (image.pixels.empty()) return;
    for (int x : {80, 150}) {
      EXPECT_TRUE(PixelNear(image, x, 120, 0xFFFFFFFF, 3)) << "the core, at x " << x;
      // screened with blue: the grey keeps its red and green, blue goes to 1
      EXPECT_TRUE(PixelNear(image, x, 104, 0xFF4040FF, 3)) << "the glow beside the core, at x " << x;
    }
    EXPECT_TRUE(PixelNear(image, 150, 70, kScene, 3)) << "beyond the glow";
    EXPECT_TRUE(PixelNear(image, 240, 120, kScene, 3)) << "beyond the bolt's end";
  }
}

TEST_F(LightningPixelsTest, ASoftDotPictureRepeatsAlongTheWholeBolt) {
  // A straight bolt of three generations (no displacement) from (40, 120) towards
  // (280, 120): fifteen segments ending at x = 270.1, the core 16 pixels wide, so the
  // picture's texture coordinate reaches about 14 and the dot repeats every 16 pixels.
  // The seed is fixed, so the bolt is the same in every frame and every run.
  DS_LightningGN written;
  written.startPoint.SetValue(D3DXVECTOR3(40.0f, 120.0f, 0.0f));
  written.endPoint.SetValue(D3DXVECTOR3(280.0f, 120.0f, 0.0f));
  written.CoreWidth.SetValue(16u);
  written.GlowWidth.SetValue(48u);
  written.Generations.SetValue(3u);
  written.Displacement.SetValue(0u);
  written.Taper.SetValue(0u);
  written.Flicker.SetValue(0u);
  written.Seed.SetValue(7u);
  written.RandomEachTime.SetValue(0);
  written.textureLinks.emplace_back(kDotPicture);
  written.effectLink.StoreKey(kEffectKey);
  written.colour1.SetValue(0xFFFFFFu);  // white cores
  written.colour2.SetValue(0xFF0000u);  // blue glows, which leave red as it is
  std::unique_ptr<DS_LightningGN> bolt = ds_test::ReadBackItem(written);
  ASSERT_TRUE(bolt);
  object.reset(bolt->CreateObject());

  // Along the bolt's line the core's red shows the dot: full at the middle of each
  // repetition, down to the scene's only at the dot's transparent rim, where one
  // repetition meets the next. The bolt is broken where the core stays dark for half
  // a picture length or more; a picture clamped at its last column left it dark from
  // the first repetition's end to the bolt's end.
  const int kStartX = 40, kEndX = 266, kLineY = 120, kLongestSeam = 8;
  const int kLitRed = ((kScene >> 16) & 0xFF) + 0x30;
  const Image image = Frame(0.1f);
  ASSERT_FALSE(image.pixels.empty());
  int longestDark = 0, dark = 0, darkFrom = kStartX, longestFrom = kStartX, brightest = 0;
  for (int x = kStartX; x <= kEndX; ++x) {
    const int red = int((image.At(x, kLineY) >> 16) & 0xFF);
    brightest = red > brightest ? red : brightest;
    if (red >= kLitRed) {
      dark = 0;
      continue;
    }
    if (dark++ == 0) darkFrom = x;
    if (dark > longestDark) {
      longestDark = dark;
      longestFrom = darkFrom;
    }
  }
  EXPECT_LT(longestDark, kLongestSeam) << "the bolt is dark for " << longestDark << " pixels from x " << longestFrom
                                       << "; saved as " << ds_test::SaveFailureImage(image, ds_test::CurrentTestName());
  EXPECT_GE(brightest, 0xD0) << "the line runs through the dot's middle";
  // Away from the bolt, beyond its glow, the scene is left as it was.
  EXPECT_TRUE(PixelNear(image, 150, 60, kScene, 3)) << "beyond the glow";
}

}  // namespace
