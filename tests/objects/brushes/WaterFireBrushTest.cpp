// The water and fire brushes: defaults, records of every version, their effects'
// parameters through the recording effect, their textures, and the fire's own grid.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <typeinfo>
#include <vector>

#include "BrushTestSupport.h"
#include "tests/document/FakeTexture.h"
#include "objects/brushes/FireBrush.h"
#include "objects/brushes/WaterBrush.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "support/RenderDeviceTest.h"

using namespace brushes_test;

namespace {

const ds_string kModule = DS_FX_Constructor::kEffectModule;
const DS_FileKey kBumpKey(L"C:\\water\\bump.png", 41);
const DS_FileKey kPatternKey(L"C:\\fire\\pattern.png", 42);
const DS_FileKey kNoiseKey(L"C:\\fire\\noise.png", 43);
const GUID kMaskGuid = {0x0F1AE000, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

DS_FileKey ModuleKey(int id) { return DS_FileKey(kModule, id); }

void ExpectFloats(const std::vector<float>& expected, const std::vector<float>& got, const std::string& what,
                  float tolerance = 1e-4f) {
  ASSERT_EQ(expected.size(), got.size()) << what;
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(expected[i], got[i], tolerance) << what << ", value " << i;
}

bool AllFinite(const std::vector<float>& values) {
  for (float v : values) {
    if (!std::isfinite(v)) return false;
  }
  return !values.empty();
}

// Opacity 0.5: fading in through the first half of a window.
void FadeInHalfway(DS_FX_Constructor& brush) {
  brush.TimeLine().mode.SetValue(DS_TimeLineControl::kWindows);
  DS_TimeWindow window;
  window.start = 0.0f;
  window.fadeInEnd = 2.0f;
  window.fadeOutStart = 8.0f;
  window.end = 10.0f;
  ASSERT_TRUE(brush.TimeLine().AddWindow(window));
  brush.TimeLine().SetWrappedTime(1.0f);
  ASSERT_FLOAT_EQ(0.5f, brush.TimeLine().GetAlpha());
}

void FillWater(DS_WaterFX& water) {
  water.SetName(L"lake");
  water.SetMaskKey(kMaskGuid, L"water mask", 1);
  water.surfaceFactor.SetValue(35u);
  water.bumpStrength.SetValue(7u);
  water.flowSpeed.SetValue(90u);
  water.waveLength.SetValue(4u);
  water.angle.SetValue(90u);
  water.shadows.SetValue(60u);
  water.lightHeight.SetValue(25u);
  water.waterColor.SetValue(0x00804020ul);
  water.bumpImage.StoreKey(kBumpKey);
  water.fxMode.SetValue(1);
}

void FillFire(DS_FireFX& fire) {
  fire.SetName(L"blaze");
  fire.SetMaskKey(kMaskGuid, L"fire mask", 0);
  fire.hotColor.SetValue(0x00FFFFFFul);
  fire.baseColor.SetValue(0x00102030ul);
  fire.reservedValue.SetValue(-7);
  fire.patternImage.StoreKey(kPatternKey);
  fire.noiseImage.StoreKey(kNoiseKey);
  fire.density.SetValue(150u);
  fire.brightness.SetValue(40u);
  fire.widthFactor.SetValue(50u);
  fire.speed.SetValue(75u);
  fire.TimeLine().mode.SetValue(DS_TimeLineControl::kCycle);
  fire.region.SetFromCentre(D3DXVECTOR3(100, 200, 0), 80, 60);
}

void ExpectFireFields(const DS_FireFX& read) {
  EXPECT_EQ(L"blaze", read.GetName());
  EXPECT_EQ(L"fire mask", read.GetMaskName());
  EXPECT_EQ(0, read.GetMaskFlag());
  EXPECT_TRUE(read.GetMaskGuid() == kMaskGuid);
  EXPECT_EQ(0x00FFFFFFul, read.hotColor.GetValue());
  EXPECT_EQ(0x00102030ul, read.baseColor.GetValue());
  EXPECT_EQ(-7, read.reservedValue.GetValue());
  EXPECT_TRUE(read.patternImage.GetKey() == kPatternKey);
  EXPECT_TRUE(read.noiseImage.GetKey() == kNoiseKey);
  EXPECT_FLOAT_EQ(0.5f, read.density.GetResult());
  EXPECT_FLOAT_EQ(0.8f, read.brightness.GetResult());
  EXPECT_FLOAT_EQ(0.5f, read.widthFactor.GetResult());
  EXPECT_FLOAT_EQ(1.5f, read.speed.GetSpeed());
  EXPECT_EQ(int(DS_TimeLineControl::kCycle), read.TimeLine().mode.GetValue());
  EXPECT_FLOAT_EQ(60.0f, read.region.Corner(0).GetValue().x);
  EXPECT_TRUE(read.effectLink.GetKey() == ModuleKey(92));
}

// ---- defaults ----

TEST(WaterFireDefaults, WaterBrush) {
  DS_WaterFX water;
  EXPECT_FLOAT_EQ(0.002f, water.surfaceFactor.GetResult());
  EXPECT_FLOAT_EQ(0.02f, water.bumpStrength.GetResult());
  EXPECT_FLOAT_EQ(0.005f, water.flowSpeed.GetResult());
  EXPECT_FLOAT_EQ(0.011f, water.waveLength.GetResult());
  EXPECT_EQ(40u, water.angle.GetValue());
  EXPECT_FLOAT_EQ(0.0f, water.shadows.GetResult());
  EXPECT_FLOAT_EQ(0.01f, water.shadows.GetScale());
  EXPECT_FLOAT_EQ(0.1f, water.lightHeight.GetScale());
  EXPECT_EQ(0xFFFFFFul, water.waterColor.GetValue());
  EXPECT_TRUE(water.bumpImage.GetKey() == ModuleKey(89));
  EXPECT_TRUE(water.effectLink.GetKey() == ModuleKey(90));
  EXPECT_FLOAT_EQ(1.0f, water.speed.GetSpeed());
  EXPECT_FLOAT_EQ(0.6f, water.scale.GetResult());
  EXPECT_NEAR(0.766044f, water.GetDirection().x, 1e-6f);
  EXPECT_NEAR(0.642788f, water.GetDirection().y, 1e-6f);
}

TEST(WaterFireDefaults, FireBrush) {
  DS_FireFX fire;
  EXPECT_EQ(0x00FFFFul, fire.hotColor.GetValue());
  EXPECT_EQ(0x0000FFul, fire.baseColor.GetValue());
  EXPECT_EQ(0, fire.reservedValue.GetValue());
  EXPECT_TRUE(fire.patternImage.GetKey() == ModuleKey(93));
  EXPECT_TRUE(fire.noiseImage.GetKey() == ModuleKey(8));
  EXPECT_TRUE(fire.effectLink.GetKey() == ModuleKey(92));
  EXPECT_FLOAT_EQ(0.0f, fire.density.GetResult());
  EXPECT_FLOAT_EQ(0.3f, fire.brightness.GetResult());
  EXPECT_FLOAT_EQ(1.0f, fire.widthFactor.GetResult());
  EXPECT_FLOAT_EQ(1.0f, fire.speed.GetSpeed());
  EXPECT_FLOAT_EQ(1.0f, fire.scale.GetResult());
}

// ---- water records ----

TEST(WaterBrushRecord, ReadsBackThroughTheRegistry) {
  DS_WaterFX water;
  FillWater(water);
  size_t left = 1;
  std::unique_ptr<DS_ABObj_Constructor> item = ReadItem(WriteItem(water), &left);
  ASSERT_NE(nullptr, item);
  EXPECT_EQ(0u, left);
  ASSERT_EQ(typeid(DS_WaterFX), typeid(*item));
  const DS_WaterFX& read = static_cast<DS_WaterFX&>(*item);
  EXPECT_EQ(L"lake", read.GetName());
  EXPECT_FLOAT_EQ(0.0035f, read.surfaceFactor.GetResult());
  EXPECT_FLOAT_EQ(0.007f, read.bumpStrength.GetResult());
  EXPECT_FLOAT_EQ(0.0225f, read.flowSpeed.GetResult());
  EXPECT_FLOAT_EQ(0.003f, read.waveLength.GetResult());
  EXPECT_EQ(90u, read.angle.GetValue());
  EXPECT_FLOAT_EQ(0.6f, read.shadows.GetResult());
  EXPECT_FLOAT_EQ(2.5f, read.lightHeight.GetResult());
  EXPECT_EQ(0x00804020ul, read.waterColor.GetValue());
  EXPECT_TRUE(read.bumpImage.GetKey() == kBumpKey);
  EXPECT_EQ(1, read.fxMode.GetValue());
  EXPECT_TRUE(read.GetMaskGuid() == kMaskGuid);
  // The bytes of the record and of its copy's record are the same.
  EXPECT_EQ(WriteItem(water), WriteItem(read));
}

TEST(WaterBrushRecord, ReadingKeepsTheDirectionAndTheCloneRecomputesIt) {
  DS_WaterFX water;
  water.angle.SetValue(90u);
  ASSERT_NEAR(1.0f, water.GetDirection().y, 1e-6f);
  std::unique_ptr<DS_ABObj_Constructor> item = ReadItem(WriteItem(water));
  ASSERT_NE(nullptr, item);
  DS_WaterFX& read = static_cast<DS_WaterFX&>(*item);
  // The angle was stored without notification: the direction is still that of 40.
  EXPECT_NEAR(0.766044f, read.GetDirection().x, 1e-6f);
  std::unique_ptr<DS_FX_Constructor> clone(read.Clone());
  const DS_WaterFX& cloned = static_cast<DS_WaterFX&>(*clone);
  EXPECT_NEAR(0.0f, cloned.GetDirection().x, 1e-6f);
  EXPECT_NEAR(1.0f, cloned.GetDirection().y, 1e-6f);
  // The clone's binder is its own: a change of the clone's angle turns the clone.
  static_cast<DS_WaterFX&>(*clone).angle.SetValue(180u);
  EXPECT_NEAR(-1.0f, cloned.GetDirection().x, 1e-6f);
  EXPECT_NEAR(0.766044f, read.GetDirection().x, 1e-6f);
}

TEST(WaterBrushRecord, EveryTruncatedRecordFails) {
  DS_WaterFX water;
  FillWater(water);
  ExpectEveryCutRecordFails(water);
}

// ---- fire records ----

// A "DS_FX_Constructor" level of the given version (1 to 3), then the base record.
void WriteEffectLevel(DS_IOF_W& stream, const DS_FX_Constructor& brush, int version) {
  WriteLevelHeader(stream, L"DS_FX_Constructor", version);
  stream.WriteUInt(brush.speed.GetValue());
  stream.WriteLong(brush.fxMode.GetValue());
  DS_IOF_Virtual::WriteGuid(stream, brush.GetMaskGuid());
  stream.WriteString(brush.GetMaskName());
  stream.WriteByte(brush.GetMaskFlag());
  DS_FileLink3::WriteField(stream, brush.effectLink);
  if (version > 1) stream.WriteUInt(brush.scale.GetValue());
  if (version > 2) {
    brush.region.Write(stream);
    stream.WriteLong(brush.reservedInt.GetValue());
  }
  brush.DS_ABObj_Constructor::Write(stream);
}

TEST(FireBrushRecord, VersionThreeReadsBackThroughTheRegistry) {
  DS_FireFX fire;
  FillFire(fire);
  size_t left = 1;
  std::unique_ptr<DS_ABObj_Constructor> item = ReadItem(WriteItem(fire), &left);
  ASSERT_NE(nullptr, item);
  EXPECT_EQ(0u, left);
  ASSERT_EQ(typeid(DS_FireFX), typeid(*item));
  ExpectFireFields(static_cast<DS_FireFX&>(*item));
  EXPECT_EQ(WriteItem(fire), WriteItem(*item));
}

TEST(FireBrushRecord, VersionTwoCarriesTheRegionAndTheBaseReservedValue) {
  DS_FireFX fire;
  FillFire(fire);
  DS_IOF_W stream;
  WriteLevelHeader(stream, L"DS_FireFX", 2);
  fire.region.Write(stream);
  stream.WriteInt(int(fire.hotColor.GetValue()));
  stream.WriteInt(int(fire.baseColor.GetValue()));
  stream.WriteLong(fire.reservedValue.GetValue());
  DS_FileLink3::WriteField(stream, fire.patternImage);
  DS_FileLink3::WriteField(stream, fire.noiseImage);
  stream.WriteLong(31);
  stream.WriteUInt(fire.density.GetValue());
  stream.WriteUInt(fire.brightness.GetValue());
  stream.WriteUInt(fire.widthFactor.GetValue());
  WriteEffectLevel(stream, fire, 2);  // no region in the base level
  size_t left = 1;
  std::unique_ptr<DS_ABObj_Constructor> item = ReadItem(stream.Bytes(), &left);
  ASSERT_NE(nullptr, item);
  EXPECT_EQ(0u, left);
  const DS_FireFX& read = static_cast<DS_FireFX&>(*item);
  ExpectFireFields(read);
  EXPECT_EQ(31, read.reservedInt.GetValue());
  for (int k = 0; k < 4; ++k) {
    EXPECT_TRUE(read.region.Corner(k).GetValue() == fire.region.Corner(k).GetValue()) << "corner " << k;
  }
}

TEST(FireBrushRecord, VersionOneKeepsEveryFireDefault) {
  DS_FireFX fire;
  FillFire(fire);
  DS_IOF_W stream;
  WriteLevelHeader(stream, L"DS_FireFX", 1);
  WriteEffectLevel(stream, fire, 1);
  size_t left = 1;
  std::unique_ptr<DS_ABObj_Constructor> item = ReadItem(stream.Bytes(), &left);
  ASSERT_NE(nullptr, item);
  EXPECT_EQ(0u, left);
  const DS_FireFX& read = static_cast<DS_FireFX&>(*item);
  const DS_FireFX defaults;
  EXPECT_EQ(defaults.hotColor.GetValue(), read.hotColor.GetValue());
  EXPECT_EQ(defaults.baseColor.GetValue(), read.baseColor.GetValue());
  EXPECT_TRUE(read.patternImage.GetKey() == defaults.patternImage.GetKey());
  EXPECT_TRUE(read.noiseImage.GetKey() == defaults.noiseImage.GetKey());
  EXPECT_FLOAT_EQ(defaults.density.GetResult(), read.density.GetResult());
  EXPECT_FLOAT_EQ(defaults.brightness.GetResult(), read.brightness.GetResult());
  EXPECT_FLOAT_EQ(defaults.widthFactor.GetResult(), read.widthFactor.GetResult());
  // The base level of version 1: the class's scale, an empty region; its own speed.
  EXPECT_FLOAT_EQ(1.0f, read.scale.GetResult());
  EXPECT_TRUE(read.region.Corner(3).GetValue() == D3DXVECTOR3(0, 0, 0));
  EXPECT_FLOAT_EQ(1.5f, read.speed.GetSpeed());
  EXPECT_EQ(L"blaze", read.GetName());
}

TEST(FireBrushRecord, EveryTruncatedRecordFails) {
  DS_FireFX fire;
  FillFire(fire);
  ExpectEveryCutRecordFails(fire);
}

TEST(FireBrushRecord, SectionReadAndAssignedToAnotherFire) {
  DS_FireFX fire;
  FillFire(fire);
  DS_IOF_W stream;
  fire.WriteLevel(stream);
  const std::vector<unsigned char> bytes = stream.Bytes();
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  std::unique_ptr<DS_FireFX> read(DS_FireFX::CreateFromSection(handle));
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(0u, handle->BytesLeft());
  DS_FireFX embedded;
  embedded.patternImage.StoreKey(ModuleKey(7));
  embedded = *read;
  ExpectFireFields(embedded);
  EXPECT_EQ(bytes, [&] {
    DS_IOF_W again;
    embedded.WriteLevel(again);
    return again.Bytes();
  }());

  // A cut section gives no fire.
  const std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + bytes.size() / 2);
  ResourceBuffer cutBuffer(cut.data(), cut.size());
  DS_IOF_Handle cutHandle(new DS_IOF_R<ResourceBuffer>(&cutBuffer));
  std::unique_ptr<DS_FireFX> none(DS_FireFX::CreateFromSection(cutHandle));
  EXPECT_EQ(nullptr, none);
  EXPECT_TRUE(cutHandle->Failed());
}

// ---- effect parameters ----

class WaterFireRenderTest : public BrushManagerTest {
protected:
  void SetUp() override {
    BrushManagerTest::SetUp();
    EmbedEffect(90);
    EmbedEffect(92);
    g_CurrentViewContext = &view;
  }
  void TearDown() override {
    g_CurrentViewContext = nullptr;
    for (const DS_FileKey& key : {kBumpKey, kPatternKey, kNoiseKey}) manager->Tables().textureSets.erase(key);
    BrushManagerTest::TearDown();
  }

  void GiveSet(const DS_FileKey& key, FakeTexture* texture) {
    DS_TextureSet& set = manager->Tables().textureSets[key];
    set.frames.clear();
    if (texture) set.AddFrame(texture, -1.0f);
    set.width = 64;
    set.height = 64;
  }

  template <class Brush>
  static Brush& BrushOf(const std::unique_ptr<DS_ABObj>& object) {
    return static_cast<Brush&>(*static_cast<DS_BrushObj*>(object.get())->GetBrush());
  }

  DS_ViewContext view;
  FakeTexture bump, pattern, noise;
};

TEST_F(WaterFireRenderTest, DefaultWaterParameters) {
  GiveSet(kBumpKey, &bump);
  DS_WaterFX water;
  water.bumpImage.StoreKey(kBumpKey);
  std::unique_ptr<DS_ABObj> object(water.CreateObject());
  DS_WaterFX& clone = BrushOf<DS_WaterFX>(object);
  EXPECT_EQ(static_cast<IDirect3DTexture9*>(&bump), clone.GetBumpTexture());
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  RecordingLayer layer(1024, 768);
  object->Update(0.0f);
  object->Render(&layer);
  ExpectFloats({-0.998f, -1.0f, -0.998f}, effect->LastValues("P1"), "P1", 1e-6f);
  ExpectFloats({1.0f, 1.03267f, 1.0f}, effect->LastValues("P2"), "P2", 1e-5f);
  const float k = 0.5f / 0.011f;
  ExpectFloats({-0.766044f * k, -0.642788f * k}, effect->LastValues("Direction1"), "Direction1", 1e-3f);
  ExpectFloats({-0.766044f * 0.0025f, -0.642788f * 0.0025f}, effect->LastValues("Direction2"), "Direction2", 1e-7f);
  ExpectFloats({0.02f, -0.0f, 0.0f, 0.02f}, effect->LastValues("BampTrans"), "BampTrans at T = 0", 1e-7f);
  ExpectFloats({0.0f}, effect->LastValues("Shadows"), "Shadows");
  ExpectFloats({1.0f / std::sqrt(5.0f), 2.0f / std::sqrt(5.0f), 0.0f}, effect->LastValues("Vhalf"), "Vhalf", 1e-6f);
  ExpectFloats({1.0f, 1.0f, 1.0f}, effect->LastValues("Color"), "Color");
  ExpectFloats({0.0f}, effect->LastValues("Time"), "Time");
  // The common tail: scale 0.6 on a 4:3 picture, the whole layer quad.
  ExpectFloats({(4.0f / 3.0f) / 0.6f, 1.0f / 0.6f}, effect->LastValues("Scale"), "Scale");
  EXPECT_EQ("Main", effect->CurrentTechnique());
  EXPECT_EQ(FakeEffect::Kind::Float, effect->Last("Time")->kind);
  EXPECT_EQ(FakeEffect::Kind::Float, effect->Last("Shadows")->kind);
  EXPECT_EQ(FakeEffect::Kind::FloatArray, effect->Last("P2")->kind);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(&bump), effect->Last("BumpMap")->texture);
  ASSERT_EQ(1u, layer.draws.size());
  EXPECT_EQ("PT", layer.draws[0].kind);
  EXPECT_EQ(static_cast<const void*>(&layer.GetLayerQuad()), layer.draws[0].geometry);
}

TEST_F(WaterFireRenderTest, WaterClockTurnsTheBumpAndRunsTime) {
  DS_WaterFX water;
  water.bumpStrength.SetValue(100u);  // 0.1
  water.shadows.SetValue(50u);
  water.lightHeight.SetValue(20u);
  water.waterColor.SetValue(0x00FF8000ul);
  std::unique_ptr<DS_ABObj> object(water.CreateObject());
  FakeEffect* effect = factory.LastEffect();
  RecordingLayer layer(800, 600);
  // Speed 1.0: five steps of 0.2 s give T = 1.0.
  for (float t : {0.2f, 0.4f, 0.6f, 0.8f, 1.0f}) object->Update(t);
  object->Render(&layer);
  ExpectFloats({2.0f}, effect->LastValues("Time"), "Time");
  const float r = 4.5f;
  ExpectFloats({0.1f * std::cos(r), -0.1f * std::sin(r), 0.1f * std::sin(r), 0.1f * std::cos(r)},
               effect->LastValues("BampTrans"), "BampTrans at T = 1", 1e-5f);
  ExpectFloats({0.5f}, effect->LastValues("Shadows"), "Shadows");
  ExpectFloats({1.0f / 3.0f, 2.0f / 3.0f, 2.0f / 3.0f}, effect->LastValues("Vhalf"), "Vhalf", 1e-6f);
  ExpectFloats({0.0f, 128.0f / 255.0f, 1.0f}, effect->LastValues("Color"), "Color");
}

TEST_F(WaterFireRenderTest, WaterParametersComeBeforeTheCommonTail) {
  DS_WaterFX water;
  std::unique_ptr<DS_ABObj> object(water.CreateObject());
  FakeEffect* effect = factory.LastEffect();
  effect->ClearRecord();
  RecordingLayer layer(800, 600);
  object->Render(&layer);
  const std::vector<std::string> expected = {
      "Set BumpMap",  "Set BampTrans", "Set P1",     "Set P2",         "Set Time",        "Set Direction1",
      "Set Direction2", "Set Shadows", "Set Vhalf",  "Set Color",      "SetTechnique Main", "Set Scale",
      "Set Mask",     "Set Background", "Begin 0",   "BeginPass 0",    "EndPass",         "End"};
  EXPECT_EQ(expected, effect->Events());
}

struct SurfaceCase {
  const char* what;
  unsigned stored;
  std::vector<float> p1;
};

void PrintTo(const SurfaceCase& c, std::ostream* os) { *os << c.what; }

class WaterSurfaceTest : public ::testing::TestWithParam<SurfaceCase> {};

TEST_P(WaterSurfaceTest, SurfaceRowsStayFinite) {
  const SurfaceCase& c = GetParam();
  DS_WaterFX water;
  water.surfaceFactor.SetValue(c.stored);
  float p1[3], p2[3];
  DS_WaterFX::SurfaceRows(water.surfaceFactor.GetResult(), p1, p2);
  ExpectFloats(c.p1, std::vector<float>(p1, p1 + 3), "P1", 1e-4f);
  EXPECT_TRUE(AllFinite(std::vector<float>(p2, p2 + 3))) << p2[1];
  EXPECT_GT(p2[1], 1.0f);
}

INSTANTIATE_TEST_SUITE_P(Cases, WaterSurfaceTest,
                         ::testing::Values(SurfaceCase{"factor 0", 0u, {-1.0f, -1.0f, -1.0f}},
                                           SurfaceCase{"factor 1", 10000u, {0.0f, -1.0f, 0.0f}},
                                           SurfaceCase{"factor 3", 30000u, {2.0f, -1.0f, 2.0f}},
                                           SurfaceCase{"factor 5", 50000u, {4.0f, -1.0f, 4.0f}}));

TEST_F(WaterFireRenderTest, WaterWithoutEffectOrBumpPicture) {
  factory.FailNext(1);
  DS_WaterFX water;
  water.bumpImage.StoreKey(kBumpKey);
  GiveSet(kBumpKey, nullptr);  // a set without frames
  std::unique_ptr<DS_ABObj> object(water.CreateObject());
  EXPECT_EQ(nullptr, BrushOf<DS_WaterFX>(object).GetBumpTexture());
  EXPECT_EQ(nullptr, BrushOf<DS_WaterFX>(object).GetEffect());
  RecordingLayer layer(800, 600);
  object->Update(0.5f);
  object->Render(&layer);
  EXPECT_TRUE(layer.draws.empty());
}

TEST_F(WaterFireRenderTest, TexturesAreSharedAndReleasedWithTheLastObject) {
  GiveSet(kBumpKey, &bump);
  GiveSet(kPatternKey, &pattern);
  GiveSet(kNoiseKey, &noise);
  DS_WaterFX water;
  water.bumpImage.StoreKey(kBumpKey);
  DS_FireFX fire;
  fire.patternImage.StoreKey(kPatternKey);
  fire.noiseImage.StoreKey(kNoiseKey);
  const ULONG before[3] = {bump.refs, pattern.refs, noise.refs};
  {
    std::unique_ptr<DS_ABObj> first(water.CreateObject());
    std::unique_ptr<DS_ABObj> second(water.CreateObject());
    std::unique_ptr<DS_FX_Constructor> copy(BrushOf<DS_WaterFX>(first).Clone());
    std::unique_ptr<DS_ABObj> flames(fire.CreateObject());
    std::unique_ptr<DS_FX_Constructor> fireCopy(BrushOf<DS_FireFX>(flames).Clone());
    EXPECT_EQ(before[0] + 3, bump.refs);
    EXPECT_EQ(before[1] + 2, pattern.refs);
    EXPECT_EQ(before[2] + 2, noise.refs);
    EXPECT_EQ(static_cast<IDirect3DTexture9*>(&noise), static_cast<DS_FireFX&>(*fireCopy).GetNoiseTexture());
  }
  EXPECT_EQ(before[0], bump.refs);
  EXPECT_EQ(before[1], pattern.refs);
  EXPECT_EQ(before[2], noise.refs);
}

TEST_F(WaterFireRenderTest, DefaultFireColoursRunFromRedToYellow) {
  GiveSet(kPatternKey, &pattern);
  GiveSet(kNoiseKey, &noise);
  DS_FireFX fire;
  fire.patternImage.StoreKey(kPatternKey);
  fire.noiseImage.StoreKey(kNoiseKey);
  std::unique_ptr<DS_ABObj> object(fire.CreateObject());
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  view.FitPicture(800, 600, 400, 600, DS_ViewContext::kFitLetterbox);
  RecordingLayer layer(800, 600);
  for (float t : {0.2f, 0.4f}) object->Update(t);
  object->Render(&layer);
  ExpectFloats({1.0f, 0.0f, 0.0f}, effect->LastValues("ColorK1"), "ColorK1");
  ExpectFloats({0.0f, 1.0f, 0.0f}, effect->LastValues("ColorK2"), "ColorK2");
  ExpectFloats({0.3f}, effect->LastValues("Brightness"), "Brightness");
  ExpectFloats({0.0f}, effect->LastValues("Density"), "Density");
  // T = 0.4.
  ExpectFloats({0.0f, 1.3f * 0.4f}, effect->LastValues("c11"), "c11", 1e-6f);
  ExpectFloats({0.0f, 2.1f * 0.4f}, effect->LastValues("c12"), "c12", 1e-6f);
  ExpectFloats({0.0f, 2.3f * 0.4f}, effect->LastValues("c13"), "c13", 1e-6f);
  ExpectFloats({view.GetStretchX(), view.GetStretchY()}, effect->LastValues("bg_scale_factor"), "bg_scale_factor");
  EXPECT_NE(1.0f, view.GetStretchY()) << "a letterboxed picture is not stretched 1:1";
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(&noise), effect->Last("Noise")->texture);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(&pattern), effect->Last("Pattern")->texture);
  EXPECT_EQ(FakeEffect::Kind::Matrix, effect->Last("WorldViewProj")->kind);
  EXPECT_EQ(FakeEffect::Kind::Matrix, effect->Last("ViewProj")->kind);
  EXPECT_EQ(FakeEffect::Kind::Float, effect->Last("Brightness")->kind);
  EXPECT_EQ("Main", effect->CurrentTechnique());
  ASSERT_EQ(1u, layer.draws.size());
  EXPECT_EQ("IndexedPT", layer.draws[0].kind);
  EXPECT_EQ(static_cast<const void*>(&BrushOf<DS_FireFX>(object).RegionMesh()), layer.draws[0].geometry);
}

TEST_F(WaterFireRenderTest, FireInFXModeStillDrawsItsGridWithMain) {
  DS_FireFX fire;
  fire.fxMode.SetValue(1);
  std::unique_ptr<DS_ABObj> object(fire.CreateObject());
  view.FitPicture(800, 600, 800, 600, DS_ViewContext::kFitRenderTarget);
  RecordingLayer layer(800, 600);
  object->Render(&layer);
  FakeEffect* effect = factory.LastEffect();
  EXPECT_EQ("Main", effect->CurrentTechnique());
  ExpectFloats({1.0f, 1.0f}, effect->LastValues("bg_scale_factor"), "bg_scale_factor in render-target mode");
  ASSERT_EQ(1u, layer.draws.size());
  EXPECT_EQ("IndexedPT", layer.draws[0].kind);
}

TEST_F(WaterFireRenderTest, FireFadingInAtHalfOpacity) {
  DS_FireFX fire;
  fire.brightness.SetValue(50u);  // 1.0
  std::unique_ptr<DS_ABObj> object(fire.CreateObject());
  FadeInHalfway(BrushOf<DS_FireFX>(object));
  RecordingLayer layer(800, 600);
  object->Render(&layer);
  FakeEffect* effect = factory.LastEffect();
  ExpectFloats({0.25f}, effect->LastValues("Brightness"), "a quarter of the brightness");
  ExpectFloats({-0.5f}, effect->LastValues("Density"), "Density");
}

TEST_F(WaterFireRenderTest, FireWithoutEffectDrawsNothing) {
  factory.FailNext(1);
  DS_FireFX fire;
  std::unique_ptr<DS_ABObj> object(fire.CreateObject());
  RecordingLayer layer(800, 600);
  object->Update(0.1f);
  object->Render(&layer);
  BrushOf<DS_FireFX>(object).SetNoiseParameters(BrushOf<DS_FireFX>(object).RegionMesh());
  EXPECT_TRUE(layer.draws.empty());
  EXPECT_EQ(0u, factory.EffectCount());
}

// ---- the fire's grid ----

class FireGridTest : public ds_test::RenderDeviceTest {
protected:
  std::vector<DX_V::PT> Build(DS_FireFX& fire) {
    fire.Prepare(nullptr);
    std::vector<DX_V::PT> out;
    DS_VertexBuffer<DX_V::PT>& vertices = fire.RegionMesh().vertices;
    if (vertices.Lock(D3DLOCK_READONLY)) {
      out.assign(vertices.locked, vertices.locked + vertices.vertexCount);
      vertices.Unlock();
    }
    return out;
  }
};

struct GridCase {
  const char* what;
  unsigned widthFactor;
  float range;
};

void PrintTo(const GridCase& c, std::ostream* os) { *os << c.what; }

class FireGridRangeTest : public FireGridTest, public ::testing::WithParamInterface<GridCase> {};

TEST_P(FireGridRangeTest, GridSpansTheRegionWithItsOwnTextureSpace) {
  const GridCase& c = GetParam();
  DS_FireFX fire;
  fire.widthFactor.SetValue(c.widthFactor);
  const D3DXVECTOR3 corners[4] = {{100, 500, 0}, {100, 100, 0}, {900, 500, 0}, {900, 100, 0}};
  for (int k = 0; k < 4; ++k) fire.region.Corner(k).StoreValue(corners[k]);
  const std::vector<DX_V::PT> v = Build(fire);
  ASSERT_EQ(81u, v.size());
  EXPECT_EQ(128, fire.RegionMesh().indices.primitiveCount);
  EXPECT_EQ(D3DPT_TRIANGLELIST, fire.RegionMesh().primitiveType);
  struct Expected {
    int index;
    float x, y, u, v;
  };
  // Vertex i + 9 j runs from corner 0 towards corner 1 with i, towards corner 2 with j.
  const Expected expected[] = {{0, 100, 500, 0, 0},        {8, 100, 100, 0, 1},      {72, 900, 500, c.range, 0},
                               {80, 900, 100, c.range, 1}, {40, 500, 300, c.range / 2, 0.5f}};
  for (const Expected& e : expected) {
    EXPECT_NEAR(e.x, v[e.index].x, 1e-3f) << c.what << ", vertex " << e.index;
    EXPECT_NEAR(e.y, v[e.index].y, 1e-3f) << c.what << ", vertex " << e.index;
    EXPECT_NEAR(e.u, v[e.index].u, 1e-4f) << c.what << ", vertex " << e.index;
    EXPECT_NEAR(e.v, v[e.index].v, 1e-5f) << c.what << ", vertex " << e.index;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FireGridRangeTest,
                         ::testing::Values(GridCase{"width factor 1", 100u, 1.0f},
                                           GridCase{"width factor 0.5", 50u, 2.0f},
                                           GridCase{"width factor 0 counts as one step", 0u, 100.0f}));

}  // namespace
