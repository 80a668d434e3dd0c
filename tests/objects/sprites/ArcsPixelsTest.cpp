// The discharge arc and the explosion drawn on the test device through the compiled
// effects, read from their own records, with a document that carries the effects
// and their pictures: the arc's glow laid over the scene in the glow colour (screened
// or mixed like paint) with its core drawn on top, and the explosion's fire added to
// the scene, hot in the item's colour at the centre, cooling towards the second
// colour, nothing beyond its rim.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "objects/sprites/DischargeArcs.h"
#include "objects/sprites/Explosion.h"
#include "support/CompiledEffects.h"
#include "support/ItemRecord.h"
#include "support/ScenePixelsTest.h"
#include "support/TestPictures.h"

namespace {

using ds_test::PixelNear;
using ds_test::Image;

const wchar_t* const kModule = L"common_res.dll";
const DS_FileKey kGlowPicture(L"C:\\scene\\glow.bmp", 31);
const DS_FileKey kGradientPicture(L"C:\\scene\\gradient.bmp", 32);
const DS_FileKey kNoisePicture(L"C:\\scene\\noise.bmp", 33);
const DS_FileKey kExplosionEffect(L"C:\\scene\\explosion.fxo", 34);

class ArcsPixelsTest : public ds_test::ScenePixelsTest {
protected:
  void SetUp() override {
    ScenePixelsTest::SetUp();
    if (HasFatalFailure()) return;
    const std::vector<unsigned char> glow = ds_test::CompiledEffectBytes("glow");
    ASSERT_FALSE(glow.empty());
    ds_test::DocResRecord record = EffectDocument("explosion", kExplosionEffect);
    record.otherFiles[DS_FileKey(kModule, DS_DischargeFXConstructor::kGlowEffectId)] = {
        ds_test::MakeModuleEntry(DS_DischargeFXConstructor::kGlowEffectId, kModule, glow)};
    // The core: in each half of the picture (the arc picks one) an opaque white line
    // along the middle, transparent above and below it.
    record.usedImages[DS_FileKey(kModule, DS_DischargeFXConstructor::kCorePictureId)] = {ds_test::MakeModuleEntry(
        DS_DischargeFXConstructor::kCorePictureId, kModule,
        ds_test::MakePng(8, 8, [](int, int y) { return (y % 4 == 1 || y % 4 == 2) ? 0xFFFFFFFFu : 0x00FFFFFFu; }))};
    record.usedImages[kGlowPicture] = {ds_test::MakeFileEntry(L"glow.bmp", ds_test::SolidBmp(8, 8, 0xFFFFFFFF))};
    record.usedImages[kGradientPicture] = {
        ds_test::MakeFileEntry(L"gradient.bmp", ds_test::SolidBmp(8, 1, 0xFFFFFFFF))};
    record.usedImages[kNoisePicture] = {ds_test::MakeFileEntry(L"noise.bmp", ds_test::SolidBmp(8, 8, 0xFF808080))};
    UseDocument(record);
  }
};

// The glow around the arc in azure (0, 0.6, 1) at full strength over the grey scene.
struct GlowCase {
  const char* what;
  int additive;
  uint32_t glowOnly;  // beside the core, inside the glow
};

const GlowCase kGlowCases[] = {
    // screened: the grey lightened, green 0.25 + 0.6 - 0.15 = 0.70, blue to 1
    {"screened", 1, 0xFF40B3FF},
    // mixed like paint, the glow covering fully: the glow colour itself
    {"mixed", 0, 0xFF0099FF},
};

class ArcGlowTest : public ArcsPixelsTest, public ::testing::WithParamInterface<GlowCase> {};

TEST_P(ArcGlowTest, GlowLaysItsColourOverTheSceneAndTheCoreLiesOnTop) {
  const GlowCase& c = GetParam();
  DS_DischargeFXConstructor written;
  written.startPoint.SetValue(D3DXVECTOR3(40, 120, 0));
  written.endPoint.SetValue(D3DXVECTOR3(280, 120, 0));
  written.jitter.SetValue(0u);  // a straight arc
  written.spriteCount.SetValue(4u);
  written.additive.SetValue(c.additive);
  written.secondImage.StoreKey(kGlowPicture);
  std::unique_ptr<DS_DischargeFXConstructor> arc = ds_test::ReadBackItem(written);
  ASSERT_TRUE(arc);
  object.reset(arc->CreateObject());

  for (float t : {0.05f, 0.3f}) {
    SCOPED_TRACE(c.what);
    const Image image = Frame(t);
    if (image.pixels.empty()) return;
    // Segments 60 pixels long, 50 high, centred on y = 120.
    for (int x : {130, 190}) {
      EXPECT_TRUE(PixelNear(image, x, 120, 0xFFCCFFFF, 4)) << "the core in pale cyan, at x " << x;
      EXPECT_TRUE(PixelNear(image, x, 100, c.glowOnly, 6)) << "the glow beside the core, at x " << x;
    }
    EXPECT_TRUE(PixelNear(image, 160, 60, kScene, 3)) << "above the arc";
    EXPECT_TRUE(PixelNear(image, 20, 120, kScene, 3)) << "before its start";
    EXPECT_TRUE(PixelNear(image, 300, 120, kScene, 3)) << "after its end";
  }
}

INSTANTIATE_TEST_SUITE_P(Blends, ArcGlowTest, ::testing::ValuesIn(kGlowCases));

TEST_F(ArcsPixelsTest, ExplosionAddsItsFireHotInTheCentreAndNothingBeyondItsRim) {
  DS_ExplosionConstructor written;
  written.effectLink.StoreKey(kExplosionEffect);
  written.mainImage.StoreKey(kGradientPicture);
  written.secondImage.StoreKey(kNoisePicture);
  written.seed.SetValue(7u);
  written.randomFlag.SetValue(0);
  written.colour.SetValue(0x0000FFu);        // red (red in the low byte): the hot end
  written.secondColour.SetValue(0xFF0000u);  // blue: the cold end
  written.spriteSize.SetValue(200u);
  written.position.SetValue(D3DXVECTOR3(160, 120, 0));
  std::unique_ptr<DS_ExplosionConstructor> boom = ds_test::ReadBackItem(written);
  ASSERT_TRUE(boom);
  object.reset(boom->CreateObject());

  for (float t : {0.1f, 0.7f}) {
    const Image image = Frame(t);
    if (image.pixels.empty()) return;
    // The quad spans 100 pixels each way; the burst reaches 0.79 of that. With an
    // even noise and a white gradient the heat falls linearly from 1 at the centre
    // to 0 at the rim, the colour goes from red to blue and is added to the grey.
    EXPECT_TRUE(PixelNear(image, 160, 120, 0xFFFF4040, 4)) << "the centre: red added";
    // 40 pixels out: heat 1 - 0.4 / 0.79 = 0.49, about half red and half blue, at
    // strength 2 x 0.49.
    EXPECT_TRUE(PixelNear(image, 200, 120, 0xFFBC40BF, 5)) << "halfway: red and blue";
    EXPECT_TRUE(PixelNear(image, 160, 80, 0xFFBC40BF, 5)) << "halfway above";
    EXPECT_TRUE(PixelNear(image, 250, 120, kScene, 3)) << "beyond the rim, inside the quad";
    EXPECT_TRUE(PixelNear(image, 160, 10, kScene, 3)) << "outside the quad";
  }
}

}  // namespace
