// The lightning drawn on the test device through the compiled particle effect, read
// from its own record: its cores and glows gathered into the two textures of its
// target ("BlendMask_Max") and combined with the scene ("Main"): the glow lightens the
// scene in the second colour, the core lies on top in the first, and the scene beside
// the bolt is left as it was.

#include <gtest/gtest.h>

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

class LightningPixelsTest : public ds_test::ScenePixelsTest {
protected:
  void SetUp() override {
    ScenePixelsTest::SetUp();
    if (HasFatalFailure()) return;
    ds_test::DocResRecord record = EffectDocument("particles", kEffectKey);
    record.usedImages[kBoltPicture] = {ds_test::MakeFileEntry(L"bolt.bmp", ds_test::SolidBmp(8, 8, 0xFFFFFFFF))};
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

}  // namespace
