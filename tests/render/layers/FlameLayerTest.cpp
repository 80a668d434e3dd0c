// The flame layer: its records of both versions, the fire band and the heat
// distortion's quad, and documents with a flame slide loaded from memory and drawn on
// the test device with recording effects: which halves draw, what they set, the
// capture they need, and a lost device.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
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
#include "render/layers/FlameLayer.h"
#include "support/SlideTestSupport.h"
#include "support/CompiledEffects.h"
#include "support/FakeEffect.h"
#include "support/RenderDeviceTest.h"
#include "support/TestPictures.h"

using namespace slides_test;

namespace {

const int kW = ds_test::kTestDeviceWidth;
const int kH = ds_test::kTestDeviceHeight;
const ds_string kModule = L"common_res.dll";
const DS_FileKey kPictureKey(L"C:\\scene\\hearth.bmp", 51);
const DS_FileKey kSurroundKey(kModule, DSM_Camera::kDefaultSurroundId);
const DS_FileKey kHeatBumpKey(L"C:\\scene\\heat.bmp", 52);
const DS_FileKey kHeatEffectKey(L"C:\\scene\\heat.fx", 53);
const DS_FileKey kPatternKey(kModule, DS_FlameLight::kFirePatternId);
const DS_FileKey kNoiseKey(kModule, DS_FlameLight::kFireNoiseId);
const DS_FileKey kFireEffectKey(kModule, DS_FireFX::kDefaultEffectId);
// A 4:3 picture fills the 320 x 240 target at five target pixels per picture pixel.
const int kPictureW = 64, kPictureH = 48;
const uint32_t kRed = 0xFF0000;

void ExpectFloats(const std::vector<float>& expected, const std::vector<float>& got, const std::string& what,
                  float tolerance = 1e-5f) {
  ASSERT_EQ(expected.size(), got.size()) << what;
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(expected[i], got[i], tolerance) << what << ", value " << i;
}

std::vector<unsigned char> WriteLayer(const DS_2D_Light& layer) {
  DS_IOF_W stream;
  layer.Write(stream);
  return stream.Bytes();
}

std::unique_ptr<DS_2D_Light> ReadLayer(const std::vector<unsigned char>& bytes, size_t* bytesLeft = nullptr) {
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  std::unique_ptr<DS_2D_Light> layer(ReadAny2DLight(handle));
  if (bytesLeft) *bytesLeft = handle->BytesLeft();
  return layer;
}

void FillFlame(DS_FlameLight& flame) {
  flame.fireSwitch.SetValue(0);
  flame.distortionSwitch.SetValue(1);
  flame.fireOffset.SetValue(40u);
  flame.GetHeat().bumpImage.StoreKey(kHeatBumpKey);
  flame.GetHeat().effectLink.StoreKey(kHeatEffectKey);
  flame.GetHeat().speed.SetValue(120u);
  flame.GetHeat().strength.SetValue(10u);
  flame.GetHeat().bumpScale.SetValue(50u);
  DS_FireFX& fire = flame.GetFire();
  fire.hotColor.SetValue(0x00FFFFFFul);
  fire.baseColor.SetValue(0x00000080ul);
  fire.brightness.SetValue(30u);
  fire.widthFactor.SetValue(200u);
  fire.speed.SetValue(100u);
  fire.TimeLine().mode.SetValue(1);
  flame.GetPictureLink().StoreKey(kPictureKey);
}

// ---- records ----

TEST(FlameLayerRecord, Defaults) {
  DS_FlameLight flame;
  EXPECT_EQ(1, flame.fireSwitch.GetValue());
  EXPECT_EQ(1, flame.distortionSwitch.GetValue());
  EXPECT_TRUE(flame.NeedsSceneCapture());
  EXPECT_EQ(0u, flame.fireOffset.GetValue());
  DS_HeatDistortion& heat = flame.GetHeat();
  EXPECT_TRUE(heat.bumpImage.GetKey() == DS_FileKey(kModule, 62));
  EXPECT_TRUE(heat.effectLink.GetKey() == DS_FileKey(kModule, 63));
  EXPECT_FLOAT_EQ(0.05f, heat.speed.GetSpeed());
  EXPECT_FLOAT_EQ(0.05f, heat.strength.GetResult());
  EXPECT_NEAR(0.208f, heat.bumpScale.GetResult(), 1e-6f);
  EXPECT_FLOAT_EQ(1.0f, heat.GetAspect());
  // The embedded fire keeps its own defaults but for its two pictures.
  DS_FireFX& fire = flame.GetFire();
  EXPECT_TRUE(fire.patternImage.GetKey() == kPatternKey);
  EXPECT_TRUE(fire.noiseImage.GetKey() == kNoiseKey);
  EXPECT_TRUE(fire.effectLink.GetKey() == kFireEffectKey);
  EXPECT_EQ(0x00FFFFul, fire.hotColor.GetValue());
}

TEST(FlameLayerRecord, VersionTwoReadsBackThroughTheRegistry) {
  DS_FlameLight flame;
  FillFlame(flame);
  const std::vector<unsigned char> bytes = WriteLayer(flame);
  size_t left = 1;
  std::unique_ptr<DS_2D_Light> read = ReadLayer(bytes, &left);
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(0u, left);
  DS_FlameLight* loaded = dynamic_cast<DS_FlameLight*>(read.get());
  ASSERT_NE(nullptr, loaded);
  EXPECT_EQ(0, loaded->fireSwitch.GetValue());
  EXPECT_EQ(1, loaded->distortionSwitch.GetValue());
  EXPECT_EQ(40u, loaded->fireOffset.GetValue());
  EXPECT_TRUE(loaded->GetHeat().bumpImage.GetKey() == kHeatBumpKey);
  EXPECT_TRUE(loaded->GetHeat().effectLink.GetKey() == kHeatEffectKey);
  EXPECT_FLOAT_EQ(0.12f, loaded->GetHeat().speed.GetSpeed());
  EXPECT_FLOAT_EQ(0.02f, loaded->GetHeat().strength.GetResult());
  EXPECT_FLOAT_EQ(0.55f, loaded->GetHeat().bumpScale.GetResult());
  const DS_FireFX& fire = loaded->GetFire();
  EXPECT_EQ(0x00FFFFFFul, fire.hotColor.GetValue());
  EXPECT_EQ(0x00000080ul, fire.baseColor.GetValue());
  EXPECT_FLOAT_EQ(0.6f, fire.brightness.GetResult());
  EXPECT_FLOAT_EQ(2.0f, fire.widthFactor.GetResult());
  EXPECT_FLOAT_EQ(2.0f, fire.speed.GetSpeed());
  EXPECT_EQ(1, fire.TimeLine().mode.GetValue());
  EXPECT_TRUE(loaded->GetPictureLink().GetKey() == kPictureKey);
  EXPECT_EQ(bytes, WriteLayer(*loaded));
}

TEST(FlameLayerRecord, VersionOneSetsOnlyTheFireSpeed) {
  DS_FlameLight flame;
  FillFlame(flame);
  DS_IOF_W stream;
  WriteLevelHeader(stream, L"DS_FlameLight", 1);
  stream.WriteLong(1);
  stream.WriteLong(0);
  stream.WriteUInt(200u);
  stream.WriteUInt(80u);  // the fire's speed
  DS_FileLink3::WriteField(stream, flame.GetHeat().bumpImage);
  DS_FileLink3::WriteField(stream, flame.GetHeat().effectLink);
  stream.WriteUInt(70u);
  stream.WriteUInt(10u);
  stream.WriteUInt(5u);
  DS_FileLink3::WriteField(stream, DS_FileLink3(DS_FileKey(L"C:\\old\\pattern.bmp", 1)));
  DS_FileLink3::WriteField(stream, DS_FileLink3(DS_FileKey(L"C:\\old\\noise.bmp", 2)));
  DS_2D_Light plain;
  plain.GetPictureLink().StoreKey(kPictureKey);
  plain.Write(stream);
  size_t left = 1;
  std::unique_ptr<DS_2D_Light> read = ReadLayer(stream.Bytes(), &left);
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(0u, left);
  DS_FlameLight* loaded = dynamic_cast<DS_FlameLight*>(read.get());
  ASSERT_NE(nullptr, loaded);
  EXPECT_EQ(1, loaded->fireSwitch.GetValue());
  EXPECT_EQ(0, loaded->distortionSwitch.GetValue());
  EXPECT_FALSE(loaded->NeedsSceneCapture());
  EXPECT_EQ(200u, loaded->fireOffset.GetValue());
  EXPECT_FLOAT_EQ(0.07f, loaded->GetHeat().speed.GetSpeed());
  EXPECT_TRUE(loaded->GetPictureLink().GetKey() == kPictureKey);
  const DS_FireFX& fire = loaded->GetFire();
  EXPECT_FLOAT_EQ(1.6f, fire.speed.GetSpeed());
  EXPECT_TRUE(fire.patternImage.GetKey() == kPatternKey);
  EXPECT_TRUE(fire.noiseImage.GetKey() == kNoiseKey);
  EXPECT_EQ(0x00FFFFul, fire.hotColor.GetValue());
  EXPECT_FLOAT_EQ(0.3f, fire.brightness.GetResult());
}

TEST(FlameLayerRecord, EveryTruncatedRecordFailsAndReadsNothing) {
  DS_FlameLight flame;
  FillFlame(flame);
  const std::vector<unsigned char> bytes = WriteLayer(flame);
  for (size_t size = 1; size < bytes.size(); ++size) {
    const std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + size);
    EXPECT_EQ(nullptr, ReadLayer(cut)) << "cut to " << size << " bytes";
  }
}

TEST(FlameLayerRecord, OnlyDistortionSwitchOneNeedsTheScene) {
  DS_FlameLight flame;
  for (int value : {0, 2, -1}) {
    flame.distortionSwitch.SetValue(value);
    EXPECT_FALSE(flame.NeedsSceneCapture()) << value;
  }
  flame.distortionSwitch.SetValue(1);
  EXPECT_TRUE(flame.NeedsSceneCapture());
}

struct BandCase {
  unsigned height, offset;
  float top, bottom;
};

void PrintTo(const BandCase& c, std::ostream* os) { *os << "height " << c.height << ", offset " << c.offset; }

class FlameBandTest : public ::testing::TestWithParam<BandCase> {};

TEST_P(FlameBandTest, BandCoversTheLowerPartMovedDownByTheOffset) {
  const BandCase& c = GetParam();
  float top = 0, bottom = 0;
  DS_FlameLight::BandSpan(c.height, c.offset, top, bottom);
  EXPECT_NEAR(c.top, top, 1e-3f);
  EXPECT_NEAR(c.bottom, bottom, 1e-3f);
}

INSTANTIATE_TEST_SUITE_P(Cases, FlameBandTest,
                         ::testing::Values(BandCase{600, 0, 210, 600}, BandCase{600, 100, 510, 900},
                                           BandCase{600, 200, 810, 1200}, BandCase{48, 0, 16.8f, 48},
                                           BandCase{0, 50, 0, 0}));

// ---- documents with a flame slide ----

struct Document {
  std::function<void(DS_FlameLight&)> settings;
  bool heatEffect = true;
  bool fireEffect = true;
  // Items put on the slide.
  std::function<void(DS_SlideContainer&)> items;
  // The slide picture's file; empty: solid red.
  std::vector<unsigned char> picture;
  // The heat distortion's bump picture; empty: flat (no shift).
  std::vector<unsigned char> heatBump;
};

// A document with one flame slide on the test device. Its effects are the recording
// factory's (FlameRenderTest) or the compiled module effects (FlamePixelTest).
class FlameSlideTest : public ds_test::RenderDeviceTest {
protected:
  void SetUp() override {
    RenderDeviceTest::SetUp();
    g_CurrentViewContext = &m_view;
  }
  void TearDown() override {
    m_show.reset();
    if (DS_DocResManager* manager = g_CurrentDocResManager) {
      SetCurrentDocResManager(nullptr);
      delete manager;
    }
    g_CurrentViewContext = nullptr;
    RenderDeviceTest::TearDown();
  }

  // The bytes a recording factory knows by their tag, or the compiled effect `name`.
  void Embed(DS_DocResManager& manager, const DS_FileKey& key, unsigned char tag, const char* name) {
    DS_ResourceEntry entry(int32_t(key.stamp), kModule);
    const std::vector<unsigned char> bytes =
        compiledEffects ? ds_test::CompiledEffectBytes(name) : std::vector<unsigned char>{'F', 'X', tag};
    ASSERT_FALSE(bytes.empty()) << name;
    entry.SetData(uint32_t(bytes.size()), bytes.data());
    manager.Tables().fileLibrary[key].push_back(entry);
  }

  DS_FlameLight* Load(const Document& document) {
    DS_SlideShow_Light written;
    DS_SlideContainer* slide = MakeSlide(1, 100, 1, kPictureKey);
    DS_FlameLight* layer = new DS_FlameLight();
    layer->GetPictureLink().StoreKey(kPictureKey);
    layer->GetHeat().bumpImage.StoreKey(kHeatBumpKey);
    layer->GetHeat().effectLink.StoreKey(kHeatEffectKey);
    if (document.settings) document.settings(*layer);
    slide->SetLight(layer);
    if (document.items) document.items(*slide);
    written.AddSlide(slide);
    const std::vector<EmbeddedPicture> pictures = {{kSurroundKey, MakeSolidBmp(8, 8, 0x808000)},
                                                   {kPictureKey, document.picture.empty()
                                                                     ? MakeSolidBmp(kPictureW, kPictureH, kRed)
                                                                     : document.picture},
                                                   {kHeatBumpKey, document.heatBump.empty()
                                                                      ? MakeSolidBmp(8, 8, 0x8080FF)
                                                                      : document.heatBump},
                                                   {kPatternKey, MakeSolidBmp(8, 8, 0xFFFFFF)},
                                                   {kNoiseKey, MakeSolidBmp(8, 8, 0x404040)}};
    const std::vector<unsigned char> bytes = WriteDocument(written, pictures);
    m_show.reset(LoadSceneDocumentFromMemory(bytes.data(), bytes.size()));
    EXPECT_TRUE(m_show && g_CurrentDocResManager);
    if (!m_show || !g_CurrentDocResManager) return nullptr;
    if (document.heatEffect) Embed(*g_CurrentDocResManager, kHeatEffectKey, 63, "heat_distortion");
    if (document.fireEffect) Embed(*g_CurrentDocResManager, kFireEffectKey, 92, "fire");
    m_show->BuildSlideObjects();
    m_show->ApplyPicturePosition(1);
    DS_FlameLight* loaded = dynamic_cast<DS_FlameLight*>(m_show->GetSlide(0)->GetLight().Get());
    EXPECT_TRUE(loaded) << "the slide's layer is not a flame layer";
    return loaded;
  }

  ds_test::Image Frame(float t = 50.0f) {
    m_show->Update(t);
    EXPECT_EQ(D3D_OK, device->BeginScene());
    m_show->Render(false);
    device->EndScene();
    ds_test::Image image;
    EXPECT_TRUE(ds_test::ReadBackBuffer(image));
    return image;
  }

  static FakeEffect* FireEffect(DS_FlameLight& layer) { return static_cast<FakeEffect*>(layer.GetFire().GetEffect()); }
  static FakeEffect* HeatEffect(DS_FlameLight& layer) { return static_cast<FakeEffect*>(layer.GetHeat().GetEffect()); }

  static std::vector<DX_V::PT> Vertices(const DS_SimpleMesh<DX_V::PT>& mesh) {
    std::vector<DX_V::PT> out;
    DS_VertexBuffer<DX_V::PT> vertices;
    vertices.buffer = mesh.vertices.buffer;
    vertices.vertexCount = mesh.vertices.vertexCount;
    if (vertices.Lock(D3DLOCK_READONLY)) {
      out.assign(vertices.locked, vertices.locked + vertices.vertexCount);
      vertices.Unlock();
    }
    return out;
  }

  static void ExpectQuad(const std::vector<DX_V::PT>& quad, const float (&expected)[4][4], const std::string& what) {
    ASSERT_EQ(4u, quad.size()) << what;
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(expected[i][0], quad[i].x, 1e-3f) << what << ", vertex " << i;
      EXPECT_NEAR(expected[i][1], quad[i].y, 1e-3f) << what << ", vertex " << i;
      EXPECT_NEAR(expected[i][2], quad[i].u, 1e-6f) << what << ", vertex " << i;
      EXPECT_NEAR(expected[i][3], quad[i].v, 1e-6f) << what << ", vertex " << i;
    }
  }

  bool compiledEffects = false;
  DS_ViewContext m_view;
  std::unique_ptr<DS_SlideShow_Light> m_show;
};

class FlameRenderTest : public FlameSlideTest {
protected:
  FakeEffectFactory factory;
};

TEST_F(FlameRenderTest, QuadsFollowThePictureAndTheOffset) {
  DS_FlameLight* layer = Load(Document{[](DS_FlameLight& l) { l.fireOffset.SetValue(20u); }});
  ASSERT_TRUE(layer);
  // 48 high, offset 20: the band's bottom at 48 x 1.1 = 52.8, its top 31.2 above.
  const float band[4][4] = {{0, 21.6f, 0, 0}, {64, 21.6f, 1, 0}, {0, 52.8f, 0, 0.95f}, {64, 52.8f, 1, 0.95f}};
  ExpectQuad(Vertices(layer->GetFireQuad()), band, "fire band");
  EXPECT_EQ(2, layer->GetFireQuad().primitiveCount);
  const float screen[4][4] = {{0, 48, 0, 1}, {0, 0, 0, 0}, {64, 48, 1, 1}, {64, 0, 1, 0}};
  ExpectQuad(Vertices(layer->GetHeat().screenQuad), screen, "distortion quad");
  EXPECT_FLOAT_EQ(0.75f, layer->GetHeat().GetAspect());
  EXPECT_NE(nullptr, layer->GetHeat().GetBumpTexture());
  EXPECT_NE(nullptr, layer->GetFire().GetPatternTexture());
  EXPECT_NE(nullptr, layer->GetFire().GetNoiseTexture());
}

TEST_F(FlameRenderTest, FireAndDistortionDrawThroughTheirEffects) {
  DS_FlameLight* layer = Load(Document{});
  ASSERT_TRUE(layer);
  ASSERT_TRUE(layer->NeedsSceneCapture());
  FakeEffect* fire = FireEffect(*layer);
  FakeEffect* heat = HeatEffect(*layer);
  ASSERT_TRUE(fire && heat);
  Frame(50.0f);
  Frame(50.2f);
  // The fire band: its noise parameters with the layer's clock (speed 1.0: T = 0.4).
  EXPECT_EQ(2u, fire->CountEvents("SetTechnique AsEffect"));
  EXPECT_EQ(0u, fire->CountEvents("SetTechnique Main"));
  EXPECT_EQ(2, fire->BeginCount());
  ExpectFloats({0.0f, 1.3f * 0.4f}, fire->LastValues("c11"), "c11");
  ExpectFloats({0.0f, 2.3f * 0.4f}, fire->LastValues("c13"), "c13");
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(layer->GetFire().GetNoiseTexture()), fire->Last("Noise")->texture);
  EXPECT_TRUE(fire->LastValues("ColorK1").empty()) << "the band sets the noise parameters only";
  // The distortion: its clock runs at 0.05 (T = 0.02).
  EXPECT_EQ(2u, heat->CountEvents("SetTechnique BumpmapDistortLow2"));
  ExpectFloats({0.0025f}, heat->LastValues("stenght"), "stenght");
  ExpectFloats({0.02f, -0.02f}, heat->LastValues("Offset"), "Offset", 1e-6f);
  ExpectFloats({0.208f, 0.75f * 0.208f}, heat->LastValues("bump_scale"), "bump_scale");
  const FakeEffect::ParamSet* scene = heat->Last("SceneTex");
  ASSERT_NE(nullptr, scene);
  ASSERT_NE(nullptr, scene->texture);
  EXPECT_TRUE(scene->texture == layer->GetTargets().GetTexture(0).Get() ||
              scene->texture == layer->GetTargets().GetTexture(1).Get());
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(layer->GetHeat().GetBumpTexture()), heat->Last("Bumpmap")->texture);
  EXPECT_FALSE(layer->IsCaptureOpen());
  EXPECT_FALSE(heat->InBegin());
  EXPECT_FALSE(fire->InBegin());
}

TEST_F(FlameRenderTest, BothSwitchesOffIsAPlainPictureLayer) {
  DS_FlameLight* layer = Load(Document{[](DS_FlameLight& l) {
    l.fireSwitch.SetValue(0);
    l.distortionSwitch.SetValue(0);
  }});
  ASSERT_TRUE(layer);
  EXPECT_FALSE(layer->NeedsSceneCapture());
  const ds_test::Image image = Frame();
  EXPECT_TRUE(ds_test::AreaNear(image, 0, 0, kW, kH, 7, kRed, 0)) << "plain picture";
  EXPECT_EQ(0, FireEffect(*layer)->BeginCount());
  EXPECT_EQ(0, HeatEffect(*layer)->BeginCount());
  EXPECT_EQ(nullptr, HeatEffect(*layer)->Last("SceneTex"));
}

TEST_F(FlameRenderTest, DistortionSwitchTwoDrawsNoDistortion) {
  DS_FlameLight* layer = Load(Document{[](DS_FlameLight& l) {
    l.fireSwitch.SetValue(0);
    l.distortionSwitch.SetValue(2);
  }});
  ASSERT_TRUE(layer);
  const ds_test::Image image = Frame();
  EXPECT_TRUE(ds_test::AreaNear(image, 0, 0, kW, kH, 7, kRed, 0)) << "picture without distortion";
  EXPECT_EQ(0, HeatEffect(*layer)->BeginCount());
  EXPECT_FALSE(layer->IsCaptureOpen());
}

TEST_F(FlameRenderTest, MissingDistortionEffectSwitchesTheDistortionOff) {
  Document document;
  document.heatEffect = false;
  DS_FlameLight* layer = Load(document);
  ASSERT_TRUE(layer);
  EXPECT_EQ(nullptr, layer->GetHeat().GetEffect());
  EXPECT_EQ(0, layer->distortionSwitch.GetValue());
  EXPECT_FALSE(layer->NeedsSceneCapture());
  FakeEffect* fire = FireEffect(*layer);
  ASSERT_NE(nullptr, fire);
  const ds_test::Image image = Frame();
  // The fire is still drawn, straight onto the back buffer; above its band the
  // picture is untouched.
  EXPECT_EQ(1u, fire->CountEvents("SetTechnique AsEffect"));
  EXPECT_TRUE(ds_test::AreaNear(image, 0, 0, kW, 80, 7, kRed, 0)) << "picture above the band";
  EXPECT_FALSE(layer->IsCaptureOpen());
}

TEST_F(FlameRenderTest, ObjectsAreDrawnOverTheFireBand) {
  Document document;
  document.settings = [](DS_FlameLight& l) { l.distortionSwitch.SetValue(0); };
  document.items = [](DS_SlideContainer& slide) {
    TestProbeItem* probe = new TestProbeItem();
    probe->color = 0xFF00FF00;
    probe->left = 10;
    probe->top = 30;
    probe->right = 30;
    probe->bottom = 45;
    slide.AddVisualItem(probe);
  };
  DS_FlameLight* layer = Load(document);
  ASSERT_TRUE(layer);
  ProbeLog().clear();
  const ds_test::Image image = Frame();
  EXPECT_EQ(1u, FireEffect(*layer)->CountEvents("SetTechnique AsEffect"));
  ASSERT_EQ(1u, ProbeLog().size());
  EXPECT_TRUE(ProbeLog()[0].drawnOnBackBuffer);
  // Picture pixels (20, 40) lie inside the band (16.8 to 48) and under the probe.
  EXPECT_EQ(0x00FF00u, image.RgbAt(100, 200)) << ds_test::ColorText(image.RgbAt(100, 200));
  EXPECT_TRUE(ds_test::AreaNear(image, 0, 0, kW, 80, 7, kRed, 0)) << "picture above the band";
}

TEST_F(FlameRenderTest, MissingFireEffectDrawsThePictureAndTheDistortion) {
  Document document;
  document.fireEffect = false;
  DS_FlameLight* layer = Load(document);
  ASSERT_TRUE(layer);
  EXPECT_EQ(nullptr, layer->GetFire().GetEffect());
  Frame();
  EXPECT_EQ(1u, HeatEffect(*layer)->CountEvents("SetTechnique BumpmapDistortLow2"));
  EXPECT_FALSE(layer->IsCaptureOpen());
}

TEST_F(FlameRenderTest, LostDeviceReleasesTheTargetsAndRestoreMakesThemAgain) {
  DS_FlameLight* layer = Load(Document{});
  ASSERT_TRUE(layer);
  Frame(50.0f);
  m_show->OnDeviceLost();
  EXPECT_EQ(nullptr, layer->GetTargets().GetTexture(0).Get());
  ASSERT_EQ(D3D_OK, ds_test::ResetTestDevice()) << "something still held a default-pool resource";
  m_show->OnDeviceRestored();
  FakeEffect* heat = HeatEffect(*layer);
  heat->ClearRecord();
  Frame(50.2f);
  const FakeEffect::ParamSet* scene = heat->Last("SceneTex");
  ASSERT_NE(nullptr, scene);
  EXPECT_NE(nullptr, scene->texture);
  EXPECT_TRUE(scene->texture == layer->GetTargets().GetTexture(0).Get() ||
              scene->texture == layer->GetTargets().GetTexture(1).Get());
  EXPECT_FALSE(layer->IsCaptureOpen());
  // The managed quads survive the reset.
  EXPECT_EQ(4u, Vertices(layer->GetFireQuad()).size());
}

// ---- through the compiled module effects ----

int Channel(uint32_t colour, int shift) { return int((colour >> shift) & 0xFF); }

class FlamePixelTest : public FlameSlideTest {
protected:
  void SetUp() override {
    FlameSlideTest::SetUp();
    compiledEffects = true;
  }

  // A picture in which every point has its own colour, so that a shift of the picture
  // changes red and green and never blue; and an uneven heat bump map.
  static Document Gradient(std::function<void(DS_FlameLight&)> settings) {
    Document document;
    document.settings = std::move(settings);
    document.picture = ds_test::GradientBmp(kPictureW, kPictureH);
    document.heatBump = ds_test::UnevenGreyBmp(16);
    return document;
  }

  // The picture as the plain layer shows it.
  ds_test::Image Plain() {
    Load(Gradient([](DS_FlameLight& l) {
      l.fireSwitch.SetValue(0);
      l.distortionSwitch.SetValue(0);
    }));
    return Frame(50.0f);
  }
};

// How many sampled pixels of rows top..bottom pass `shows` against the plain picture.
template <class Shows>
int PixelsShowing(const ds_test::Image& image, const ds_test::Image& plain, int top, int bottom, Shows shows,
                  int* total) {
  int count = 0;
  *total = 0;
  for (int y = top; y < bottom; y += 7) {
    for (int x = 3; x < kW; x += 7) {
      ++*total;
      if (shows(image.RgbAt(x, y), plain.RgbAt(x, y))) ++count;
    }
  }
  return count;
}

TEST_F(FlamePixelTest, TheFireBurnsInTheBandAndLeavesThePictureAbove) {
  const ds_test::Image plain = Plain();
  DS_FlameLight* layer = Load(Gradient([](DS_FlameLight& l) { l.distortionSwitch.SetValue(0); }));
  ASSERT_TRUE(layer);
  ASSERT_NE(nullptr, layer->GetFire().GetEffect());
  const ds_test::Image image = Frame(50.0f);
  // The band covers the lower 65 % of the picture: from row 84 down.
  int total = 0;
  const int untouched = PixelsShowing(image, plain, 0, 80, [](uint32_t got, uint32_t was) { return got == was; }, &total);
  EXPECT_EQ(total, untouched) << "above the band; saved as " << ds_test::SaveFailureImage(image, "FlamePixelFire");
  // Flames from red to yellow laid over the picture: redder, less blue.
  const int burning = PixelsShowing(image, plain, 100, kH, [](uint32_t got, uint32_t was) {
    const int red = Channel(was, 16);
    return Channel(got, 16) >= red + (255 - red) / 4 && Channel(got, 0) < Channel(was, 0) - 20;
  }, &total);
  EXPECT_EQ(total, burning) << "in the band; saved as " << ds_test::SaveFailureImage(image, "FlamePixelFire");
}

TEST_F(FlamePixelTest, TheHeatShimmersThePictureAndMovesWithTime) {
  const ds_test::Image plain = Plain();
  DS_FlameLight* layer = Load(Gradient([](DS_FlameLight& l) {
    l.fireSwitch.SetValue(0);
    l.GetHeat().strength.SetValue(1000u);  // shifts of up to a tenth of the picture
    l.GetHeat().speed.SetValue(1000u);
  }));
  ASSERT_TRUE(layer);
  ASSERT_NE(nullptr, layer->GetHeat().GetEffect());
  const ds_test::Image first = Frame(50.0f);
  const ds_test::Image second = Frame(50.2f);
  int total = 0;
  // Shifted: red or green changed, blue (the same everywhere) kept.
  const int shifted = PixelsShowing(first, plain, 3, kH, [](uint32_t got, uint32_t was) {
    return std::abs(Channel(got, 0) - Channel(was, 0)) <= 2 &&
           (std::abs(Channel(got, 16) - Channel(was, 16)) > 3 || std::abs(Channel(got, 8) - Channel(was, 8)) > 3);
  }, &total);
  EXPECT_GT(shifted * 2, total) << "saved as " << ds_test::SaveFailureImage(first, "FlamePixelHeat");
  const int moved = PixelsShowing(second, first, 3, kH, [](uint32_t got, uint32_t was) { return got != was; }, &total);
  EXPECT_GT(moved * 2, total) << "the shimmer stood still; saved as "
                               << ds_test::SaveFailureImage(second, "FlamePixelHeatLater");
}

TEST_F(FlamePixelTest, LostDeviceResetAndRestoreGiveTheSamePixels) {
  DS_FlameLight* layer = Load(Gradient([](DS_FlameLight& l) { l.GetHeat().strength.SetValue(400u); }));
  ASSERT_TRUE(layer);
  Frame(50.0f);
  const ds_test::Image before = Frame(50.2f);
  m_show->OnDeviceLost();
  ASSERT_EQ(D3D_OK, ds_test::ResetTestDevice()) << "something still held a default-pool resource";
  m_show->OnDeviceRestored();
  const ds_test::Image after = Frame(50.2f);
  EXPECT_TRUE(ds_test::SamePixels(before, after, 3, "FlameReset")) << "after the reset";
}

}  // namespace
