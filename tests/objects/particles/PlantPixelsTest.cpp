// The swaying plant drawn on the test device through the compiled plant effect, read
// from its own record: its picture stands upright while its clock is at 0, and once
// the clock has run the top leans with the wind while the foot stays in place.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "objects/particles/ParticlesObj.h"
#include "objects/particles/Plant.h"
#include "support/ItemRecord.h"
#include "support/ScenePixelsTest.h"
#include "support/TestPictures.h"

namespace {

using ds_test::PixelNear;
using ds_test::Image;

const DS_FileKey kEffectKey(L"C:\\scene\\plant.fxo", 51);
const DS_FileKey kPlantPicture(L"C:\\scene\\plant.png", 52);
const uint32_t kGreen = 0xFF00FF00;

// The region: 120 x 120 scene pixels from (100, 60); the picture's left half green,
// its right half transparent, so the green edge stands at x = 160 while upright.
const float kLeft = 100.0f;
const float kTop = 60.0f;
const float kSide = 120.0f;

class PlantPixelsTest : public ds_test::ScenePixelsTest {
protected:
  void SetUp() override {
    ScenePixelsTest::SetUp();
    if (HasFatalFailure()) return;
    ds_test::DocResRecord record = EffectDocument("plant", kEffectKey);
    record.usedImages[kPlantPicture] = {ds_test::MakeFileEntry(
        L"plant.png", ds_test::MakePng(64, 64, [](int x, int) { return x < 32 ? kGreen : 0x00000000u; }))};
    UseDocument(record);
  }

  // Where the green edge should stand on row y with the plant's clock at `time`:
  // the lean is strongest at the top and nothing at the foot.
  static float EdgeAt(float y, float time, float frequency, float magnitude) {
    const float v = (y - kTop) / kSide;
    const float lean = std::sin(time * frequency) * magnitude * (1.0f - v) * (1.0f - v);
    return kLeft + kSide * (0.5f + lean);
  }

  // Green a few pixels left of the edge on row y, the scene a few pixels right of it.
  static testing::AssertionResult EdgeStandsAt(const Image& image, int y, float edge) {
    const int inside = int(std::floor(edge)) - 4;
    const int outside = int(std::ceil(edge)) + 4;
    testing::AssertionResult green = PixelNear(image, inside, y, kGreen, 3);
    if (!green) return green << " (left of the edge at " << edge << ")";
    testing::AssertionResult scene = PixelNear(image, outside, y, kScene, 3);
    if (!scene) return scene << " (right of the edge at " << edge << ")";
    return testing::AssertionSuccess();
  }
};

TEST_F(PlantPixelsTest, TopLeansWithTheWindAndTheFootStays) {
  DS_Plant written;
  written.region.SetFromCentre(D3DXVECTOR3(kLeft + kSide / 2, kTop + kSide / 2, 0.0f), kSide, kSide);
  written.textureLinks.emplace_back(kPlantPicture);
  written.effectLink.StoreKey(kEffectKey);
  written.TimeSpeed.SetValue(100u);   // the clock at twice real time
  written.Frequency.SetValue(10u);    // 1 radian per unit of the clock
  written.WMagnitude.SetValue(100u);  // a lean of 0.2 of the width at full swing
  written.BMagnitude.SetValue(0u);
  std::unique_ptr<DS_Plant> plant = ds_test::ReadBackItem(written);
  ASSERT_TRUE(plant);
  object.reset(plant->CreateObject());
  const auto* clone = static_cast<const DS_Plant*>(static_cast<DS_ParticlesObj*>(object.get())->GetGenerator());

  // The first frame's clock has not run: upright.
  Image image = Frame(0.0f);
  if (image.pixels.empty()) return;
  ASSERT_EQ(0.0f, clone->TimeSpeed.GetAccumulatedTime());
  for (int y : {66, 120, 174}) EXPECT_TRUE(EdgeStandsAt(image, y, kLeft + kSide / 2)) << "upright, row " << y;
  EXPECT_TRUE(PixelNear(image, 90, 120, kScene, 3)) << "left of the region";
  EXPECT_TRUE(PixelNear(image, 130, 50, kScene, 3)) << "above the region";

  // Frames 0.2 s apart until the clock stands near pi / 2: the lean at its widest.
  for (float t : {0.2f, 0.4f, 0.6f, 0.8f}) image = Frame(t);
  if (image.pixels.empty()) return;
  const float time = clone->TimeSpeed.GetAccumulatedTime();
  ASSERT_NEAR(1.6f, time, 1e-4f);
  for (int y : {64, 90, 120, 150, 176})
    EXPECT_TRUE(EdgeStandsAt(image, y, EdgeAt(float(y), time, 1.0f, 0.2f))) << "row " << y;
  EXPECT_GT(EdgeAt(64.0f, time, 1.0f, 0.2f) - EdgeAt(176.0f, time, 1.0f, 0.2f), 20.0f) << "the top leans further";
}

}  // namespace
