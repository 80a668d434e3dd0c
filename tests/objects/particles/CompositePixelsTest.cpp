// The textured generators' mask pass and composite drawn on the test device through
// the compiled particle effect, with a radial-rays item read from its own record: one
// half-transparent red ray laid over the grey scene with each blend mode that the
// document may name, and the scene beside the ray left as it was.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "objects/particles/ParticlesObj.h"
#include "objects/particles/RadialRays.h"
#include "support/ItemRecord.h"
#include "support/ScenePixelsTest.h"
#include "support/TestPictures.h"

namespace {

using ds_test::PixelNear;
using ds_test::Image;

const DS_FileKey kEffectKey(L"C:\\scene\\particles.fxo", 41);
const DS_FileKey kRayPicture(L"C:\\scene\\ray.bmp", 42);

// The ray: red at opacity 128 / 255 over the grey scene (0.25).
struct BlendCase {
  const char* what;
  int blendMode;
  uint32_t onTheRay;
};

const BlendCase kBlendCases[] = {
    // alpha blended: red 0.502 + 0.25 x 0.498, green and blue 0.25 x 0.498
    {"mode 0, laid over", 0, 0xFFA02020},
    // screened: red 0.25 + 0.502 - 0.25 x 0.502; green and blue unchanged
    {"mode 1, screen", 1, 0xFFA04040},
    // colour dodge: red 0.25 / (1 - 0.502); green and blue unchanged
    {"mode 2, colour dodge", 2, 0xFF804040},
};

class CompositePixelsTest : public ds_test::ScenePixelsTest, public ::testing::WithParamInterface<BlendCase> {
protected:
  void SetUp() override {
    ScenePixelsTest::SetUp();
    if (HasFatalFailure()) return;
    ds_test::DocResRecord record = EffectDocument("particles", kEffectKey);
    record.usedImages[kRayPicture] = {ds_test::MakeFileEntry(L"ray.bmp", ds_test::SolidBmp(8, 8, 0xFFFFFFFF))};
    UseDocument(record);
  }
};

TEST_P(CompositePixelsTest, RayIsLaidOverTheSceneWithTheBlendMode) {
  const BlendCase& c = GetParam();
  // One ray from (60, 120) to (260, 120), 60 pixels wide, standing still.
  DS_RadialRays written;
  written.RayLength.SetValue(200u);
  written.RayWidth.SetValue(60u);
  written.RayCount.SetValue(1u);
  written.TextureIndex.SetValue(0);
  written.Irregular.SetValue(0);
  written.Seed.SetValue(0u);
  written.RotationMode.SetValue(0);
  written.position.SetValue(D3DXVECTOR3(60.0f, 120.0f, 0.0f));
  written.textureLinks.emplace_back(kRayPicture);
  written.effectLink.StoreKey(kEffectKey);
  written.colour1.SetValue(0x0000FFu);  // red, red in the low byte
  written.colour1.Opacity().SetValue(50u);
  written.blendMode.SetValue(c.blendMode);
  std::unique_ptr<DS_RadialRays> rays = ds_test::ReadBackItem(written);
  ASSERT_TRUE(rays);
  ASSERT_NEAR(128, rays->colour1.GetAlpha(), 1) << "half transparent";
  object.reset(rays->CreateObject());

  for (float t : {0.1f, 0.2f}) {
    SCOPED_TRACE(c.what);
    const Image image = Frame(t);
    if (image.pixels.empty()) return;
    for (int x : {100, 160, 220}) EXPECT_TRUE(PixelNear(image, x, 120, c.onTheRay, 3)) << "on the ray, at x " << x;
    EXPECT_TRUE(PixelNear(image, 160, 60, kScene, 3)) << "above the ray";
    EXPECT_TRUE(PixelNear(image, 30, 120, kScene, 3)) << "behind its start";
    EXPECT_TRUE(PixelNear(image, 290, 120, kScene, 3)) << "beyond its end";
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, CompositePixelsTest, ::testing::ValuesIn(kBlendCases));

}  // namespace
