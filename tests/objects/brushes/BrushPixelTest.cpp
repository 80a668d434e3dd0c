// Brushes drawing through the real compiled effects of the shared module (and those
// a document carries for the brushes the module has none for), on a slide of the test
// device: each kind changes the painted left half of the picture in its
// own way, in both of its techniques, and leaves the right half as the picture shows
// it; and a device loss and restore gives the same pixels.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "objects/brushes/BackgroundCopy.h"
#include "objects/brushes/CentreBrushes.h"
#include "objects/brushes/DirectionBrushes.h"
#include "objects/brushes/EffectBrush.h"
#include "objects/brushes/FireBrush.h"
#include "objects/brushes/PatternBrush.h"
#include "objects/brushes/WaterBrush.h"
#include "objects/brushes/WaveBrushes.h"
#include "support/CompiledEffects.h"
#include "support/PictureSlideTest.h"
#include "support/TestDevice.h"
#include "support/TestPictures.h"

namespace {

using ds_test::Image;
using ds_test::kTestDeviceHeight;
using ds_test::kTestDeviceWidth;

const GUID kMaskGuid = {0x5EEDFACE, 3, 4, {5, 6, 7, 8, 9, 10, 11, 12}};
const DS_FileKey kPatternKey(L"C:\\scene\\tile.bmp", 31);
const DS_FileKey kNoiseKey(L"C:\\scene\\noise.bmp", 32);
const DS_FileKey kFlameKey(L"C:\\scene\\flame.bmp", 33);
const uint32_t kPatternColour = 0xFF00FF00;

// Where the picture's columns land on the target (stretched 5 times): the painted
// half, and the other half, each kept clear of the filtered seam between them.
const int kPaintedRight = kTestDeviceWidth / 2 - 20;
const int kUnpaintedLeft = kTestDeviceWidth / 2 + 20;
const int kStep = 7;

// The module effects, by the id each brush class links to.
struct ModuleEffect {
  int id;
  const char* name;
};
const ModuleEffect kModuleEffects[] = {{75, "background_copy"}, {76, "light"},  {77, "waves"},  {78, "pattern"},
                                       {90, "water"},           {91, "move"},   {92, "fire"},   {102, "expand"},
                                       {103, "radial_waves"}};

// The effects the document carries for the brushes the module has none for, filed
// under a path of the scene's folder.
struct DocumentEffect {
  const wchar_t* fileName;
  const char* name;
};
const DocumentEffect kDocumentEffects[] = {
    {L"waterfall.fxo", "waterfall"}, {L"cloud.fxo", "cloud"}, {L"rotation.fxo", "rotation"}, {L"bend.fxo", "bend"}};

DS_FileKey DocumentEffectKey(const wchar_t* fileName) {
  return DS_FileKey(std::wstring(L"C:\\scene\\") + fileName, 40);
}

int Channel(uint32_t colour, int shift) { return int((colour >> shift) & 0xFF); }

// What a brush does to the painted half, against the picture without it.
enum class Change {
  kDisplaces,  // moves the picture: red and green change, blue (the same everywhere) stays
  kBrightens,  // no channel darker, the whole brighter
  kAddsRed,    // the light colour added: red up, green and blue kept
  kCopies,     // shows the picture a quarter of its width further right
  kTiles,      // shows the pattern picture
  kBurns,      // flames: red and green high, blue low
  kChanges,    // anything visible
};

struct BrushCase {
  const char* name;
  std::function<DS_FX_Constructor*()> make;
  Change change;
  bool moves;  // the change itself moves from frame to frame
};

void PrintTo(const BrushCase& c, std::ostream* os) { *os << c.name; }

DS_FX_Constructor* Waves() {
  DS_WavesFX* brush = new DS_WavesFX();
  brush->amplitude.SetValue(400u);  // a tenth of the picture height
  brush->period.SetValue(400u);     // about ten waves across
  return brush;
}

DS_FX_Constructor* Light() {
  DS_LightFX* brush = new DS_LightFX();
  brush->speed.SetValue(0u);  // the pulse stands at its middle: 0.2 brighter
  return brush;
}

DS_FX_Constructor* ColouredLight() {
  DS_LightFX_II* brush = new DS_LightFX_II();
  brush->intensity.SetValue(50u);
  brush->blend.SetValue(3);  // added
  brush->colour.SetValue(0x0000FFul);  // red
  return brush;
}

DS_FX_Constructor* Move() {
  DS_MoveFX* brush = new DS_MoveFX();
  brush->extent.SetValue(2000u);  // up to a fifth of the picture width
  brush->speed.SetValue(250u);  // half a radian of swing per tenth of a second
  return brush;
}

DS_FX_Constructor* Water() {
  DS_WaterFX* brush = new DS_WaterFX();
  brush->bumpImage.StoreKey(kNoiseKey);
  brush->bumpStrength.SetValue(100u);
  return brush;
}

DS_FX_Constructor* Fire() {
  DS_FireFX* brush = new DS_FireFX();
  brush->patternImage.StoreKey(kFlameKey);
  brush->noiseImage.StoreKey(kNoiseKey);
  // The region is the whole picture; the mask keeps the flames in the left half.
  const D3DXVECTOR3 corners[4] = {{0, 32, 0}, {0, 0, 0}, {64, 32, 0}, {64, 0, 0}};
  for (int k = 0; k < 4; ++k) brush->region.Corner(k).StoreValue(corners[k]);
  return brush;
}

DS_FX_Constructor* Expand() {
  DS_ExpandFX* brush = new DS_ExpandFX();
  brush->centre.StoreValue(D3DXVECTOR3(16.0f, 16.0f, 0.0f));
  brush->outwardAmount.SetValue(100u);
  brush->waveForm.SetValue(1);
  brush->speed.SetValue(250u);
  return brush;
}

DS_FX_Constructor* RadialWaves() {
  DS_RadialWaveFX* brush = new DS_RadialWaveFX();
  brush->centre.StoreValue(D3DXVECTOR3(16.0f, 16.0f, 0.0f));
  brush->amplitude.SetValue(200u);  // a twentieth of the picture width
  brush->period.SetValue(1000u);    // ten waves across
  return brush;
}

// The region of the brushes that draw their own: the whole picture, in the corner
// order top-left, bottom-left, top-right, bottom-right.
void CoverPicture(MediaQuad& region) {
  const D3DXVECTOR3 corners[4] = {{0, 0, 0}, {0, 32, 0}, {64, 0, 0}, {64, 32, 0}};
  for (int k = 0; k < 4; ++k) region.Corner(k).StoreValue(corners[k]);
}

DS_FX_Constructor* Waterfall() {
  DS_WaterfallFX* brush = new DS_WaterfallFX();
  brush->effectLink.StoreKey(DocumentEffectKey(L"waterfall.fxo"));
  brush->noiseImage.StoreKey(kNoiseKey);
  CoverPicture(brush->region);
  brush->angle.SetValue(270u);           // falling
  brush->extent.SetValue(100u);          // a band travels 0.4 of the picture's height
  brush->speed.SetValue(250u);           // half a period per tenth of a second
  brush->waveCount.SetValue(3u);
  brush->threshold.SetValue(1000u);      // every brightness counts
  brush->waveColour.SetValue(0xFFFFFFul);
  brush->noiseAmplitude.SetValue(500u);  // pushed by up to a twentieth of the picture
  return brush;
}

DS_FX_Constructor* Cloud() {
  DS_CloudFX* brush = new DS_CloudFX();
  brush->effectLink.StoreKey(DocumentEffectKey(L"cloud.fxo"));
  brush->cloudImage.StoreKey(kNoiseKey);
  CoverPicture(brush->region);
  brush->speed.SetValue(1000u);  // a tile a second
  brush->density.SetValue(50u);  // opaque where the noise is white
  brush->colour1.SetValue(0x0000FFul);  // thin: red
  brush->colour2.SetValue(0xFFFFFFul);  // dense: white
  return brush;
}

DS_FX_Constructor* Rotation() {
  DS_RotationFX* brush = new DS_RotationFX();
  brush->effectLink.StoreKey(DocumentEffectKey(L"rotation.fxo"));
  brush->centre.StoreValue(D3DXVECTOR3(16.0f, 16.0f, 0.0f));
  brush->axisRatio.SetValue(1000u);  // a circle
  brush->speed.SetValue(1000u);      // half a radian per tenth of a second
  return brush;
}

DS_FX_Constructor* Bend() {
  DS_BendFX* brush = new DS_BendFX();
  brush->effectLink.StoreKey(DocumentEffectKey(L"bend.fxo"));
  brush->centre.StoreValue(D3DXVECTOR3(16.0f, 16.0f, 0.0f));
  CoverPicture(brush->region);
  brush->amount1.SetValue(500u);  // a radian either way
  brush->amount2.SetValue(500u);
  brush->bendStrength.SetValue(250u);
  brush->speed.SetValue(250u);  // half a radian of swing per tenth of a second
  return brush;
}

DS_FX_Constructor* BackgroundCopy() {
  DS_BackgroundCopy* brush = new DS_BackgroundCopy();
  brush->sourceRect.Extra1().StoreValue(16);  // a quarter of the picture to the right
  return brush;
}

DS_FX_Constructor* Pattern() {
  DS_PatternBrush* brush = new DS_PatternBrush();
  brush->patternImage.StoreKey(kPatternKey);
  return brush;
}

class BrushSlidePixelTest : public ds_test::PictureSlideTest {
protected:
  // A picture in which every point has its own colour: a brush that moves the picture
  // changes red and green and never blue.
  std::vector<unsigned char> PictureBytes() const override {
    return ds_test::GradientBmp(kPictureWidth, kPictureHeight);
  }

  void AddResources(ds_test::DocResRecord& record) override {
    for (const ModuleEffect& effect : kModuleEffects) {
      const std::vector<unsigned char> bytes = ds_test::CompiledEffectBytes(effect.name);
      ASSERT_FALSE(bytes.empty()) << effect.name;
      const DS_FileKey key = DS_HLSLEffectFile(effect.id, DS_FX_Constructor::kEffectModule).GetKey();
      record.otherFiles[key] = {ds_test::MakeModuleEntry(effect.id, DS_FX_Constructor::kEffectModule, bytes)};
    }
    for (const DocumentEffect& effect : kDocumentEffects) {
      const std::vector<unsigned char> bytes = ds_test::CompiledEffectBytes(effect.name);
      ASSERT_FALSE(bytes.empty()) << effect.name;
      record.otherFiles[DocumentEffectKey(effect.fileName)] = {ds_test::MakeFileEntry(effect.fileName, bytes)};
    }
    // The mask: the left half painted.
    record.guids = {ds_test::MakeGuidPicture(
        kMaskGuid, ds_test::MakeBmp(kPictureWidth, kPictureHeight,
                                    [](int x, int) { return x < kPictureWidth / 2 ? 0xFFFFFFFFu : 0xFF000000u; }))};
    record.usedImages[kPatternKey] = {ds_test::MakeFileEntry(L"tile.bmp", ds_test::SolidBmp(4, 4, kPatternColour))};
    record.usedImages[kNoiseKey] = {ds_test::MakeFileEntry(L"noise.bmp", ds_test::UnevenGreyBmp(16))};
    record.usedImages[kFlameKey] = {ds_test::MakeFileEntry(L"flame.bmp", ds_test::SolidBmp(8, 8, 0xFFFFFFFF))};
  }

  // The slide with the brush (taken over), painted with the test's mask.
  void BuildBrush(DS_FX_Constructor* brush, int fxMode) {
    brush->SetMaskKey(kMaskGuid, L"mask", 1);
    brush->fxMode.SetValue(fxMode);
    Build(brush);
    ASSERT_EQ(1u, slide->GetVisualObjects().size());
    DS_BrushObj* object = dynamic_cast<DS_BrushObj*>(slide->GetVisualObjects()[0].Get());
    ASSERT_NE(nullptr, object);
    ASSERT_NE(nullptr, object->GetBrush()->GetEffect()) << "the compiled effect was not created";
  }

  // The picture as the slide shows it without a brush: one whose effect is missing.
  Image Reference() {
    DS_WavesFX* none = new DS_WavesFX();
    none->effectLink.StoreKey(DS_HLSLEffectFile(5, DS_FX_Constructor::kEffectModule).GetKey());
    Build(none);
    return Frame(0.1f);
  }
};

class BrushPixelTest : public BrushSlidePixelTest, public ::testing::WithParamInterface<BrushCase> {};

// Every sampled pixel of the unpainted half is the reference's.
testing::AssertionResult RightHalfUntouched(const Image& image, const Image& reference, const std::string& name) {
  for (int y = 2; y < kTestDeviceHeight; y += kStep) {
    for (int x = kUnpaintedLeft; x < kTestDeviceWidth; x += kStep) {
      const uint32_t got = image.RgbAt(x, y), expected = reference.RgbAt(x, y);
      for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(Channel(got, shift) - Channel(expected, shift)) > 2) {
          return testing::AssertionFailure() << "unpainted (" << x << ", " << y << ") is " << ds_test::ColorText(got)
                                             << ", the picture shows " << ds_test::ColorText(expected) << "; saved as "
                                             << ds_test::SaveFailureImage(image, name);
        }
      }
    }
  }
  return testing::AssertionSuccess();
}

// Whether one painted pixel shows the change; `why` says what it is otherwise.
bool PixelShows(Change change, const Image& image, const Image& reference, int x, int y, std::string& why) {
  const uint32_t got = image.RgbAt(x, y), was = reference.RgbAt(x, y);
  const int r = Channel(got, 16), g = Channel(got, 8), b = Channel(got, 0);
  const int r0 = Channel(was, 16), g0 = Channel(was, 8), b0 = Channel(was, 0);
  switch (change) {
    case Change::kDisplaces:
      why = "blue changed, or nothing moved";
      return std::abs(b - b0) <= 2 && (std::abs(r - r0) > 3 || std::abs(g - g0) > 3);
    case Change::kBrightens:
      why = "not brighter in every channel";
      return r >= r0 - 1 && g >= g0 - 1 && b > b0 + 10;
    case Change::kAddsRed:
      why = "red not added, or green and blue changed";
      return (r > r0 + 100 || r == 255) && std::abs(g - g0) <= 2 && std::abs(b - b0) <= 2;
    case Change::kCopies: {
      const uint32_t copied = reference.RgbAt(x + kTestDeviceWidth / 4, y);
      why = "not the picture a quarter further right, " + ds_test::ColorText(copied);
      return std::abs(r - Channel(copied, 16)) <= 3 && std::abs(g - Channel(copied, 8)) <= 3 && std::abs(b - b0) <= 2;
    }
    case Change::kTiles:
      why = "not the pattern";
      return got == (kPatternColour & 0xFFFFFF);
    case Change::kBurns:
      why = "not the colour of fire";
      return r > 200 && g > 150 && b < b0 - 40;
    case Change::kChanges:
      why = "unchanged";
      return std::abs(r - r0) + std::abs(g - g0) + std::abs(b - b0) > 6;
  }
  return false;
}

// Most of the painted half shows the change (a wave passes through zero here and
// there); the first pixel that does not is named when too few do.
testing::AssertionResult PaintedHalfShows(Change change, const Image& image, const Image& reference,
                                          const std::string& name) {
  int total = 0, showing = 0;
  std::string firstMiss;
  for (int y = 9; y < kTestDeviceHeight - 9; y += kStep) {
    for (int x = 9; x < kPaintedRight; x += kStep) {
      ++total;
      std::string why;
      if (PixelShows(change, image, reference, x, y, why)) {
        ++showing;
      } else if (firstMiss.empty()) {
        firstMiss = "(" + std::to_string(x) + ", " + std::to_string(y) + ") is " + ds_test::ColorText(image.RgbAt(x, y)) +
                    ", the picture " + ds_test::ColorText(reference.RgbAt(x, y)) + ": " + why;
      }
    }
  }
  if (showing * 10 >= total * 6) return testing::AssertionSuccess();
  return testing::AssertionFailure() << showing << " of " << total << " painted pixels show the change; " << firstMiss
                                     << "; saved as " << ds_test::SaveFailureImage(image, name);
}

// How many painted pixels differ between two frames.
int PaintedPixelsThatDiffer(const Image& a, const Image& b) {
  int differ = 0;
  for (int y = 9; y < kTestDeviceHeight - 9; y += kStep) {
    for (int x = 9; x < kPaintedRight; x += kStep) {
      const uint32_t p = a.RgbAt(x, y), q = b.RgbAt(x, y);
      int sum = 0;
      for (int shift = 0; shift < 24; shift += 8) sum += std::abs(Channel(p, shift) - Channel(q, shift));
      if (sum > 3) ++differ;
    }
  }
  return differ;
}

TEST_P(BrushPixelTest, ChangesThePaintedRegionAndLeavesTheRest) {
  const BrushCase& c = GetParam();
  const Image reference = Reference();
  for (int fx : {0, 1}) {
    SCOPED_TRACE(fx ? "MainFX" : "Main");
    const std::string name = std::string("BrushPixel") + c.name + (fx ? "FX" : "");
    BuildBrush(c.make(), fx);
    if (HasFatalFailure()) return;
    const Image first = Frame(0.1f);
    EXPECT_TRUE(PaintedHalfShows(c.change, first, reference, name));
    EXPECT_TRUE(RightHalfUntouched(first, reference, name));
    if (c.moves) {
      const Image second = Frame(0.2f);
      EXPECT_GT(PaintedPixelsThatDiffer(first, second), 10) << "the change stood still; saved as "
                                                             << ds_test::SaveFailureImage(second, name + "Later");
      EXPECT_TRUE(RightHalfUntouched(second, reference, name + "Later"));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BrushPixelTest,
    ::testing::Values(BrushCase{"Waves", Waves, Change::kDisplaces, true},
                      BrushCase{"Light", Light, Change::kBrightens, false},
                      BrushCase{"ColouredLight", ColouredLight, Change::kAddsRed, false},
                      BrushCase{"Move", Move, Change::kDisplaces, true},
                      BrushCase{"Water", Water, Change::kChanges, true},
                      BrushCase{"Fire", Fire, Change::kBurns, false},
                      BrushCase{"Expand", Expand, Change::kDisplaces, true},
                      BrushCase{"RadialWaves", RadialWaves, Change::kDisplaces, true},
                      BrushCase{"Waterfall", Waterfall, Change::kChanges, true},
                      BrushCase{"Cloud", Cloud, Change::kChanges, true},
                      BrushCase{"Rotation", Rotation, Change::kDisplaces, true},
                      BrushCase{"Bend", Bend, Change::kDisplaces, true},
                      BrushCase{"BackgroundCopy", BackgroundCopy, Change::kCopies, false},
                      BrushCase{"Pattern", Pattern, Change::kTiles, false}));

class BrushDeviceLossTest : public BrushSlidePixelTest {};

TEST_F(BrushDeviceLossTest, LostDeviceResetAndRestoreGiveTheSamePixels) {
  for (auto make : {Waves, Fire}) {
    BuildBrush(make(), 1);
    if (HasFatalFailure()) return;
    Frame(0.1f);
    const Image before = Frame(0.2f);

    slide->OnDeviceLost();
    manager->ReleaseDeviceObjects();
    ASSERT_EQ(D3D_OK, ds_test::ResetTestDevice()) << "something still held a default-pool resource";
    slide->GetLight()->OnDeviceRestored();
    manager->OnDeviceRestored();
    // The same frame again: the brush clock does not move for a repeated time.
    const Image after = Frame(0.2f);
    EXPECT_TRUE(ds_test::SamePixels(before, after, 3, "BrushReset")) << "after the reset";
  }
}

}  // namespace
