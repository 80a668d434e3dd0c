// The underwater layer: its record in both versions, and documents with an underwater
// slide drawn on the test device: the scene goes through the pair to the brush, and a
// brush without an effect leaves the slide looking as the plain layer does.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "document/DocResManager.h"
#include "document/ResourceBuffer.h"
#include "document/SceneDocument.h"
#include "document/StreamWriter.h"
#include "render/SlideShow.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "render/layers/UnderwaterLayer.h"
#include "support/SlideTestSupport.h"
#include "support/CompiledEffects.h"
#include "support/FakeEffect.h"
#include "support/SlideShowTest.h"
#include "support/TestPictures.h"

using namespace slides_test;

namespace {

const int kW = ds_test::kTestDeviceWidth;
const int kH = ds_test::kTestDeviceHeight;
// A 4:3 picture fills the 320 x 240 target whole.
const int kPictureW = 64, kPictureH = 48;
const DS_FileKey kRedKey(L"C:\\scene\\red.bmp", 41);
const DS_FileKey kBandsKey(L"C:\\scene\\bands.bmp", 42);
const DS_FileKey kGradientKey(L"C:\\scene\\gradient.bmp", 43);
const DS_FileKey kSurroundKey(L"common_res.dll", DSM_Camera::kDefaultSurroundId);
const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kPoison = 0x00FFFF;
const int kEffectId = DS_UnderwaterFX::kDefaultEffectId;

DS_FileKey EffectKey(int id) { return DS_HLSLEffectFile(id, DS_FX_Constructor::kEffectModule).GetKey(); }

std::vector<EmbeddedPicture> Pictures() {
  return {
      {kRedKey, MakeSolidBmp(kPictureW, kPictureH, kRed)},
      {kBandsKey, MakeBmp(kPictureW, kPictureH, [](int x, int) { return x < kPictureW / 2 ? kRed : kBlue; })},
      {kGradientKey, ds_test::GradientBmp(kPictureW, kPictureH)},
      {kSurroundKey, MakeSolidBmp(8, 8, 0x808000)},
  };
}

std::vector<unsigned char> WriteLayer(const DS_2D_Light& layer) {
  DS_IOF_W stream;
  layer.Write(stream);
  return stream.Bytes();
}

// One layer record through the layer registry; null when the stream failed.
std::unique_ptr<DS_2D_Light> ReadLayer(const std::vector<unsigned char>& bytes, size_t* bytesLeft = nullptr) {
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  std::unique_ptr<DS_2D_Light> layer(ReadAny2DLight(handle));
  if (bytesLeft) *bytesLeft = handle->BytesLeft();
  return layer;
}

// ---- record ----

TEST(UnderwaterRecord, LayerReadsBackWithTheWholeBrush) {
  FakeUndervater written;
  written.GetPictureLink().StoreKey(kBandsKey);
  DS_UnderwaterFX& brush = written.GetBrush();
  brush.SetName(L"ripples");
  brush.amplitude.SetValue(90u);
  brush.period.SetValue(12u);
  brush.speed.SetValue(60u);
  brush.fxMode.SetValue(1);
  brush.scale.SetValue(25u);
  brush.effectLink.StoreKey(EffectKey(91));
  brush.TimeLine().mode.SetValue(1);
  brush.TimeLine().fadeOut.SetValue(250u);

  size_t left = 1;
  std::unique_ptr<DS_2D_Light> read = ReadLayer(WriteLayer(written), &left);
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(0u, left);
  FakeUndervater* layer = dynamic_cast<FakeUndervater*>(read.get());
  ASSERT_NE(nullptr, layer) << "read as another layer class";
  const DS_UnderwaterFX& r = layer->GetBrush();
  EXPECT_EQ(L"ripples", r.GetName());
  EXPECT_FLOAT_EQ(0.01125f, r.amplitude.GetResult());
  EXPECT_FLOAT_EQ(0.025f, r.period.GetResult());
  EXPECT_FLOAT_EQ(60.0f, r.speed.GetSpeed());
  EXPECT_EQ(1, r.fxMode.GetValue());
  EXPECT_FLOAT_EQ(0.5f, r.scale.GetResult());
  EXPECT_TRUE(r.effectLink.GetKey() == EffectKey(91));
  EXPECT_EQ(1, r.TimeLine().mode.GetValue());
  EXPECT_FLOAT_EQ(2.5f, r.TimeLine().FadeOutSeconds());
  EXPECT_TRUE(layer->GetPictureLink().GetKey() == kBandsKey);
}

TEST(UnderwaterRecord, RecordIsTheHeaderTheBrushSectionAndTheBaseLayer) {
  FakeUndervater layer;
  layer.GetBrush().amplitude.SetValue(7u);
  DS_IOF_W expected;
  WriteLevelHeader(expected, L"FakeUndervater", 2);
  layer.GetBrush().Write(expected);
  layer.DS_2D_Light::Write(expected);
  EXPECT_EQ(expected.Bytes(), WriteLayer(layer));
}

struct SpeedCase {
  unsigned stored;
  unsigned speed;
};

void PrintTo(const SpeedCase& c, std::ostream* os) { *os << "stored " << c.stored; }

class UnderwaterFirstVersionTest : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(UnderwaterFirstVersionTest, StoredSpeedIsHalvedRoundingDown) {
  const SpeedCase& c = GetParam();
  DS_2D_Light base;
  base.GetPictureLink().StoreKey(kRedKey);
  DS_IOF_W stream;
  WriteLevelHeader(stream, L"FakeUndervater", 1);
  stream.WriteUInt(c.stored);
  base.Write(stream);

  size_t left = 1;
  std::unique_ptr<DS_2D_Light> read = ReadLayer(stream.Bytes(), &left);
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(0u, left);
  FakeUndervater* layer = dynamic_cast<FakeUndervater*>(read.get());
  ASSERT_NE(nullptr, layer);
  EXPECT_EQ(c.speed, layer->GetBrush().speed.GetValue());
  EXPECT_FLOAT_EQ(float(c.speed), layer->GetBrush().speed.GetSpeed());
  // Everything else keeps the brush's defaults.
  EXPECT_FLOAT_EQ(0.00625f, layer->GetBrush().amplitude.GetResult());
  EXPECT_TRUE(layer->GetBrush().effectLink.GetKey() == EffectKey(kEffectId));
  EXPECT_TRUE(layer->GetPictureLink().GetKey() == kRedKey);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnderwaterFirstVersionTest,
                         ::testing::Values(SpeedCase{50u, 25u}, SpeedCase{51u, 25u}, SpeedCase{0u, 0u},
                                           SpeedCase{1u, 0u}, SpeedCase{25u, 12u},
                                           SpeedCase{0xFFFFFFFFu, 0x7FFFFFFFu}));

TEST(UnderwaterRecord, EveryCutOfTheRecordFailsWithoutALayer) {
  FakeUndervater written;
  const std::vector<unsigned char> bytes = WriteLayer(written);
  for (size_t size = 1; size < bytes.size(); ++size) {
    const std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + size);
    EXPECT_EQ(nullptr, ReadLayer(cut)) << "cut to " << size << " bytes";
  }
}

// ---- documents on the device ----

// One underwater slide on the test device. Its effect is the recording factory's
// (UnderwaterRenderTest) or the compiled module effect (UnderwaterPixelTest).
class UnderwaterSlideTest : public ds_test::SlideShowTest {
protected:
  void SetUp() override {
    SlideShowTest::SetUp();
    ProbeLog().clear();
  }

  // One slide with `layer` (null: the plain layer) and the probes, loaded as the scene
  // slot loads the embedded document. With `effect` the document also holds the
  // underwater effect: bytes the recording factory knows, or the compiled effect.
  void Load(DS_2D_Light* layer, const DS_FileKey& picture, const std::vector<TestProbeItem*>& probes, bool effect) {
    Unload();
    DS_SlideShow_Light written;
    DS_SlideContainer* slide = MakeSlide(1, 10, 1, picture);
    if (layer) {
      layer->GetPictureLink().StoreKey(picture);
      slide->SetLight(layer);
    }
    for (TestProbeItem* probe : probes) slide->AddVisualItem(probe);
    written.AddSlide(slide);
    Read(WriteDocument(written, Pictures()));
    ASSERT_NE(nullptr, m_show);
    if (effect) {
      DS_ResourceEntry entry(kEffectId, DS_FX_Constructor::kEffectModule);
      const std::vector<unsigned char> data = compiledEffects ? ds_test::CompiledEffectBytes("underwater")
                                                              : std::vector<unsigned char>{'F', 'X', kEffectId};
      ASSERT_FALSE(data.empty());
      entry.SetData(uint32_t(data.size()), data.data());
      g_CurrentDocResManager->Tables().fileLibrary[EffectKey(kEffectId)].push_back(entry);
    }
    Build(DS_ViewContext::kFitLetterbox);
  }

  FakeUndervater* Layer() const { return dynamic_cast<FakeUndervater*>(m_show->GetSlide(0)->GetLight().Get()); }

  // One frame over a back buffer poisoned with a colour no picture here has.
  ds_test::Image Frame(float t) {
    return ShowFrame(t, true, 0xFF000000u | kPoison);
  }

  // The pixels of the texture the brush's effect last received as "Background".
  ds_test::Image BackgroundPixels(FakeEffect* effect) {
    ds_test::Image image;
    const FakeEffect::ParamSet* set = effect ? effect->Last("Background") : nullptr;
    if (!set || !set->texture) {
      ADD_FAILURE() << "the brush received no scene";
      return image;
    }
    EXPECT_TRUE(ds_test::ReadTexture(static_cast<IDirect3DTexture9*>(set->texture), image));
    return image;
  }

  bool compiledEffects = false;
};

class UnderwaterRenderTest : public UnderwaterSlideTest {
protected:
  FakeEffectFactory factory;
};

TEST_F(UnderwaterRenderTest, TheDocumentBringsTheLayerAndItsPreparedBrush) {
  FakeUndervater* written = new FakeUndervater();
  written->GetBrush().amplitude.SetValue(80u);
  written->GetBrush().speed.SetValue(30u);
  Load(written, kRedKey, {}, true);
  FakeUndervater* layer = Layer();
  ASSERT_NE(nullptr, layer) << "the slide's layer is not an underwater layer";
  EXPECT_FLOAT_EQ(0.01f, layer->GetBrush().amplitude.GetResult());
  EXPECT_FLOAT_EQ(30.0f, layer->GetBrush().speed.GetSpeed());
  ASSERT_NE(nullptr, factory.LastEffect());
  EXPECT_EQ(static_cast<ID3DXEffect*>(factory.LastEffect()), layer->GetBrush().GetEffect());
  EXPECT_FALSE(*layer->GetBrush().GetMaskTexture()) << "the embedded brush has no mask";
  EXPECT_TRUE(layer->NeedsSceneCapture());
  EXPECT_EQ(unsigned(kPictureW), layer->GetPictureWidth());
}

TEST_F(UnderwaterRenderTest, ThePictureAndObjectsReachTheBrushThroughThePair) {
  // An object that does not read the scene is drawn into the pair with the picture.
  Load(new FakeUndervater(), kRedKey, {MakeProbe(1, 0xFF000000u | kGreen, 0, 0, 32, 48)}, true);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  Frame(50.0f);
  Frame(50.1f);
  EXPECT_FALSE(Layer()->IsCaptureOpen());

  const std::vector<ProbeRender>& log = ProbeLog();
  ASSERT_FALSE(log.empty());
  EXPECT_FALSE(log.back().drawnOnBackBuffer) << "the object was drawn outside the capture";
  EXPECT_TRUE(log.back().sceneIsPicture);

  EXPECT_NE(static_cast<IDirect3DBaseTexture9*>(Layer()->GetPictureRef().texture.Get()),
            effect->Last("Background")->texture);
  const ds_test::Image scene = BackgroundPixels(effect);
  ASSERT_EQ(kW, scene.width);
  EXPECT_TRUE(ds_test::PixelNear(scene, kW / 4, kH / 2, kGreen, 2));
  EXPECT_TRUE(ds_test::PixelNear(scene, 3 * kW / 4, kH / 2, kRed, 2));

  // The brush's own parameters, for a 4:3 picture and its clock.
  const float f = 1.0f / 0.101f;
  const std::vector<float> frequency = effect->LastValues("frequency");
  ASSERT_EQ(2u, frequency.size());
  EXPECT_NEAR(f * 4.0f / 3.0f, frequency[0], 1e-3f);
  EXPECT_NEAR(f, frequency[1], 1e-3f);
  const float brushTime = Layer()->GetBrush().GetBrushTime();
  EXPECT_GT(brushTime, 0.0f);
  ASSERT_EQ(1u, effect->LastValues("time").size());
  EXPECT_NEAR(brushTime * 0.08f, effect->LastValues("time")[0], 1e-4f);
  EXPECT_EQ("Main", effect->CurrentTechnique());
  EXPECT_EQ(2, effect->BeginCount()) << "one draw through the brush per frame";
  EXPECT_EQ(effect->BeginCount(), effect->EndCount());
}

TEST_F(UnderwaterRenderTest, TwoSceneReadersBothFlipAndTheBrushGetsTheFinalComposition) {
  TestProbeItem* first = MakeProbe(1, 0, 0, 0, 0, 0);
  first->needsScene = true;
  first->copyScene = true;
  TestProbeItem* second = MakeProbe(2, 0, 0, 0, 0, 0);
  second->needsScene = true;
  second->copyScene = true;
  TestProbeItem* green = MakeProbe(3, 0xFF000000u | kGreen, 0, 0, 32, 24);
  Load(new FakeUndervater(), kRedKey, {first, second, green}, true);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  Frame(50.0f);

  const std::vector<ProbeRender>& log = ProbeLog();
  ASSERT_EQ(3u, log.size());
  ASSERT_EQ(2, log[1].tag);
  ASSERT_EQ(1, log[2].tag);
  EXPECT_FALSE(log[1].drawnOnBackBuffer) << "the layer counts as a third reader: both flip";
  EXPECT_FALSE(log[2].drawnOnBackBuffer) << "the layer counts as a third reader: both flip";
  const ds_test::Image scene = BackgroundPixels(effect);
  ASSERT_EQ(kW, scene.width);
  EXPECT_TRUE(ds_test::PixelNear(scene, kW / 4, kH / 4, kGreen, 2));
  EXPECT_TRUE(ds_test::PixelNear(scene, 3 * kW / 4, 3 * kH / 4, kRed, 2));
}

TEST_F(UnderwaterRenderTest, WithoutAnEffectTheSlideLooksAsWithThePlainLayer) {
  const std::vector<float> times = {50.0f, 50.1f};
  ds_test::Image plain;
  Load(nullptr, kBandsKey, {MakeProbe(1, 0xFF000000u | kGreen, 8, 8, 24, 40)}, false);
  for (float t : times) plain = Frame(t);

  ProbeLog().clear();
  Load(new FakeUndervater(), kBandsKey, {MakeProbe(1, 0xFF000000u | kGreen, 8, 8, 24, 40)}, false);
  EXPECT_EQ(nullptr, Layer()->GetBrush().GetEffect());
  EXPECT_FALSE(Layer()->NeedsSceneCapture());
  ds_test::Image underwater;
  for (float t : times) underwater = Frame(t);
  ASSERT_FALSE(ProbeLog().empty());
  EXPECT_TRUE(ProbeLog().back().drawnOnBackBuffer);

  ASSERT_EQ(plain.width, underwater.width);
  for (int y = 0; y < kH; y += 4) {
    for (int x = 0; x < kW; x += 4) {
      ASSERT_NE(kPoison, underwater.RgbAt(x, y)) << "uncovered at " << x << ", " << y;
    }
  }
  ASSERT_TRUE(ds_test::SameImage(plain, underwater, 4, 2)) << "the underwater slide against the plain one";
}

TEST_F(UnderwaterRenderTest, LostDeviceReleasesTheSceneAndTheNextFramesCaptureAgain) {
  Load(new FakeUndervater(), kRedKey, {}, true);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  Frame(50.0f);
  FakeUndervater* layer = Layer();
  EXPECT_TRUE(layer->GetSceneTexture());
  m_show->OnDeviceLost();
  EXPECT_FALSE(layer->GetSceneTexture());
  ASSERT_NO_FATAL_FAILURE(ResetDevice());
  m_show->OnDeviceRestored();
  Frame(50.1f);
  const ds_test::Image scene = BackgroundPixels(effect);
  ASSERT_EQ(kW, scene.width);
  EXPECT_TRUE(ds_test::PixelNear(scene, kW / 2, kH / 2, kRed, 2));
}

// ---- through the compiled module effect ----

int Channel(uint32_t colour, int shift) { return int((colour >> shift) & 0xFF); }

class UnderwaterPixelTest : public UnderwaterSlideTest {
protected:
  void SetUp() override {
    UnderwaterSlideTest::SetUp();
    compiledEffects = true;
  }

  // An underwater layer over the gradient whose ripples move the picture by up to a
  // fortieth of its size, three ripples across.
  void LoadRippling() {
    FakeUndervater* layer = new FakeUndervater();
    layer->GetBrush().amplitude.SetValue(200u);
    layer->GetBrush().period.SetValue(150u);
    Load(layer, kGradientKey, {}, true);
    ASSERT_NE(nullptr, Layer()->GetBrush().GetEffect()) << "the compiled effect was not created";
  }

  // How many sampled pixels differ from `other` as `differs` says.
  template <class Differs>
  static int Count(const ds_test::Image& image, const ds_test::Image& other, Differs differs, int* total) {
    int count = 0;
    *total = 0;
    for (int y = 3; y < kH; y += 7) {
      for (int x = 3; x < kW; x += 7) {
        ++*total;
        if (differs(image.RgbAt(x, y), other.RgbAt(x, y))) ++count;
      }
    }
    return count;
  }
};

TEST_F(UnderwaterPixelTest, TheWholeSceneRipplesAndTheRipplesMove) {
  Load(nullptr, kGradientKey, {}, false);
  const ds_test::Image plain = Frame(50.0f);
  LoadRippling();
  if (HasFatalFailure()) return;
  const ds_test::Image first = Frame(50.0f);
  const ds_test::Image second = Frame(50.1f);
  int total = 0;
  // Moved: red or green changed, blue (the same everywhere) kept.
  const int moved = Count(first, plain, [](uint32_t got, uint32_t was) {
    return std::abs(Channel(got, 0) - Channel(was, 0)) <= 2 &&
           (std::abs(Channel(got, 16) - Channel(was, 16)) > 3 || std::abs(Channel(got, 8) - Channel(was, 8)) > 3);
  }, &total);
  EXPECT_GT(moved * 2, total) << "saved as " << ds_test::SaveFailureImage(first, "UnderwaterPixel");
  const int changed = Count(second, first, [](uint32_t a, uint32_t b) { return a != b; }, &total);
  EXPECT_GT(changed * 2, total) << "the ripples stood still; saved as "
                                << ds_test::SaveFailureImage(second, "UnderwaterPixelLater");
  for (int y = 0; y < kH; y += 4) {
    for (int x = 0; x < kW; x += 4) ASSERT_NE(kPoison, first.RgbAt(x, y)) << "uncovered at " << x << ", " << y;
  }
}

TEST_F(UnderwaterPixelTest, LostDeviceResetAndRestoreGiveTheSamePixels) {
  LoadRippling();
  if (HasFatalFailure()) return;
  Frame(50.0f);
  const ds_test::Image before = Frame(50.1f);
  ASSERT_NO_FATAL_FAILURE(LoseAndRestore());
  const ds_test::Image after = Frame(50.1f);
  EXPECT_TRUE(ds_test::SamePixels(before, after, 3, "UnderwaterReset")) << "after the reset";
}

}  // namespace
