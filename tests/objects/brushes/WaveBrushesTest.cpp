// The wave, light and underwater brushes: their records, their defaults, and the
// effect parameters they compute from the brush clock and the time line.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <typeinfo>
#include <vector>

#include "BrushTestSupport.h"
#include "tests/document/FakeTexture.h"
#include "objects/brushes/UnderwaterBrush.h"
#include "objects/brushes/WaveBrushes.h"
#include "objects/particles/ParticleMath.h"
#include "render/TimeLine.h"

using namespace brushes_test;

namespace {

const GUID kMaskGuid = {0x5EA5EA5E, 3, 4, {5, 6, 7, 8, 9, 10, 11, 12}};
const float kPi = 3.14159265f;

void ExpectFloats(const std::vector<float>& expected, const std::vector<float>& got, const std::string& what) {
  ASSERT_EQ(expected.size(), got.size()) << what;
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(expected[i], got[i], 1e-4f) << what << ", value " << i;
}

float LastFloat(FakeEffect* effect, const char* name) {
  const std::vector<float> values = effect->LastValues(name);
  EXPECT_EQ(1u, values.size()) << name;
  return values.empty() ? NAN : values[0];
}

// The base fields every brush below carries through its record.
void FillBase(DS_FX_Constructor& brush, const wchar_t* name) {
  brush.SetName(name);
  brush.SetMaskKey(kMaskGuid, L"mask", 0);
  brush.speed.SetValue(33u);
  brush.fxMode.SetValue(1);
  brush.scale.SetValue(80u);
  brush.TimeLine().mode.SetValue(1);
}

void ExpectBase(const DS_FX_Constructor& brush, const wchar_t* name, int effectId) {
  EXPECT_EQ(name, brush.GetName());
  EXPECT_TRUE(IsEqualGUID(kMaskGuid, brush.GetMaskGuid()));
  EXPECT_EQ(0, brush.GetMaskFlag());
  EXPECT_EQ(33u, brush.speed.GetValue());
  EXPECT_FLOAT_EQ(33.0f, brush.speed.GetSpeed());
  EXPECT_EQ(1, brush.fxMode.GetValue());
  EXPECT_FLOAT_EQ(1.6f, brush.scale.GetResult());
  EXPECT_EQ(1, brush.TimeLine().mode.GetValue());
  EXPECT_TRUE(brush.effectLink.GetKey() == EffectKey(effectId));
}

// ---- defaults ----

TEST(WaveBrushDefaults, EachBrushHasItsSpeedEffectAndValues) {
  DS_WavesFX waves;
  EXPECT_FLOAT_EQ(25.0f, waves.speed.GetSpeed());
  EXPECT_TRUE(waves.effectLink.GetKey() == EffectKey(77));
  EXPECT_FLOAT_EQ(0.0125f, waves.amplitude.GetResult());
  EXPECT_FLOAT_EQ(0.026f, waves.period.GetResult());
  EXPECT_EQ(0u, waves.angle.GetValue());
  EXPECT_EQ(0, waves.waveMode.GetValue());

  DS_LightFX light;
  EXPECT_FLOAT_EQ(40.0f, light.speed.GetSpeed());
  EXPECT_TRUE(light.effectLink.GetKey() == EffectKey(76));
  EXPECT_FLOAT_EQ(0.4f, light.intensity.GetResult());
  EXPECT_EQ(0, light.lightMode.GetValue());

  DS_LightFX_II light2;
  EXPECT_FLOAT_EQ(0.0f, light2.speed.GetSpeed()) << "its clock stands still until the document gives a speed";
  EXPECT_TRUE(light2.effectLink.GetKey() == EffectKey(76));
  EXPECT_FLOAT_EQ(0.0f, light2.intensity.GetResult());
  EXPECT_FLOAT_EQ(0.01f, light2.intensity.GetScale());
  EXPECT_EQ(0, light2.blend.GetValue());
  EXPECT_EQ(0ul, light2.colour.GetValue());

  DS_UnderwaterFX underwater;
  EXPECT_FLOAT_EQ(25.0f, underwater.speed.GetSpeed());
  EXPECT_TRUE(underwater.effectLink.GetKey() == EffectKey(88));
  EXPECT_FLOAT_EQ(0.00625f, underwater.amplitude.GetResult());
  EXPECT_FLOAT_EQ(0.101f, underwater.period.GetResult());
}

// ---- records ----

TEST(WaveBrushRecord, EachRegisteredBrushReadsBackWithEveryField) {
  DS_WavesFX waves;
  FillBase(waves, L"waves");
  waves.amplitude.SetValue(70u);
  waves.period.SetValue(9u);
  waves.angle.SetValue(135u);
  waves.waveMode.SetValue(-3);
  DS_LightFX light;
  FillBase(light, L"light");
  light.intensity.SetValue(250u);
  light.lightMode.SetValue(2);
  DS_LightFX_II light2;
  FillBase(light2, L"light2");
  light2.intensity.SetValue(65u);
  light2.lightMode.SetValue(3);
  light2.blend.SetValue(2);
  light2.colour.SetValue(0xFF80402Eul);  // the high byte survives as a signed int32

  for (const DS_FX_Constructor* item : {static_cast<const DS_FX_Constructor*>(&waves),
                                        static_cast<const DS_FX_Constructor*>(&light),
                                        static_cast<const DS_FX_Constructor*>(&light2)}) {
    size_t left = 1;
    std::unique_ptr<DS_ABObj_Constructor> read = ReadItem(WriteItem(*item), &left);
    ASSERT_NE(nullptr, read) << typeid(*item).name();
    EXPECT_EQ(0u, left) << typeid(*item).name();
    EXPECT_EQ(typeid(*item), typeid(*read));
  }

  std::unique_ptr<DS_ABObj_Constructor> readWaves = ReadItem(WriteItem(waves));
  const DS_WavesFX& w = dynamic_cast<DS_WavesFX&>(*readWaves);
  ExpectBase(w, L"waves", 77);
  EXPECT_FLOAT_EQ(0.0175f, w.amplitude.GetResult());
  EXPECT_FLOAT_EQ(0.0055f, w.period.GetResult());
  EXPECT_EQ(135u, w.angle.GetValue());
  EXPECT_EQ(-3, w.waveMode.GetValue());

  std::unique_ptr<DS_ABObj_Constructor> readLight = ReadItem(WriteItem(light));
  const DS_LightFX& l = dynamic_cast<DS_LightFX&>(*readLight);
  ExpectBase(l, L"light", 76);
  EXPECT_FLOAT_EQ(2.5f, l.intensity.GetResult());
  EXPECT_EQ(2, l.lightMode.GetValue());

  std::unique_ptr<DS_ABObj_Constructor> readLight2 = ReadItem(WriteItem(light2));
  const DS_LightFX_II& l2 = dynamic_cast<DS_LightFX_II&>(*readLight2);
  ExpectBase(l2, L"light2", 76);
  EXPECT_FLOAT_EQ(0.65f, l2.intensity.GetResult());
  EXPECT_EQ(3, l2.lightMode.GetValue());
  EXPECT_EQ(2, l2.blend.GetValue());
  EXPECT_EQ(0xFF80402Eul, l2.colour.GetValue());
}

TEST(WaveBrushRecord, RecordsHoldTheirFieldsInOrder) {
  DS_LightFX_II light2;
  light2.intensity.SetValue(7u);
  light2.lightMode.SetValue(1);
  light2.blend.SetValue(3);
  light2.colour.SetValue(0x00123456ul);
  DS_IOF_W expected;
  WriteLevelHeader(expected, L"DS_LightFX_II", 1);
  expected.WriteUInt(7u);
  expected.WriteLong(1);
  expected.WriteLong(3);
  expected.WriteInt(0x00123456);
  light2.WriteLevel(expected);
  EXPECT_EQ(expected.Bytes(), WriteItem(light2));

  DS_WavesFX waves;
  waves.angle.SetValue(12u);
  DS_IOF_W expectedWaves;
  WriteLevelHeader(expectedWaves, L"DS_WavesFX", 1);
  expectedWaves.WriteUInt(50u);
  expectedWaves.WriteUInt(50u);
  expectedWaves.WriteUInt(12u);
  expectedWaves.WriteLong(0);
  waves.WriteLevel(expectedWaves);
  EXPECT_EQ(expectedWaves.Bytes(), WriteItem(waves));
}

TEST(WaveBrushRecord, EveryTruncatedRecordFailsAndReadsNothing) {
  DS_WavesFX waves;
  DS_LightFX light;
  DS_LightFX_II light2;
  for (const DS_FX_Constructor* item : {static_cast<const DS_FX_Constructor*>(&waves),
                                        static_cast<const DS_FX_Constructor*>(&light),
                                        static_cast<const DS_FX_Constructor*>(&light2)}) {
    ExpectEveryCutRecordFails(*item);
  }
}

TEST(UnderwaterBrushRecord, SectionReadsBackIntoANewBrush) {
  DS_UnderwaterFX written;
  FillBase(written, L"water");
  written.amplitude.SetValue(80u);
  written.period.SetValue(10u);
  const std::vector<unsigned char> bytes = WriteItem(written);

  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  std::unique_ptr<DS_UnderwaterFX> read = DS_UnderwaterFX::CreateFromSection(handle);
  ASSERT_FALSE(handle->Failed());
  EXPECT_EQ(0u, handle->BytesLeft());
  ExpectBase(*read, L"water", 88);
  EXPECT_FLOAT_EQ(0.01f, read->amplitude.GetResult());
  EXPECT_FLOAT_EQ(0.021f, read->period.GetResult());
}

TEST(UnderwaterBrushRecord, SectionHeaderIsNotCompared) {
  DS_UnderwaterFX written;
  written.amplitude.SetValue(3u);
  DS_IOF_W stream;
  WriteLevelHeader(stream, L"SomethingElse", 7);
  stream.WriteUInt(3u);
  stream.WriteUInt(50u);
  written.WriteLevel(stream);
  const std::vector<unsigned char> bytes = stream.Bytes();
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  std::unique_ptr<DS_UnderwaterFX> read = DS_UnderwaterFX::CreateFromSection(handle);
  ASSERT_FALSE(handle->Failed());
  EXPECT_EQ(3u, read->amplitude.GetValue());
}

TEST(UnderwaterBrushRecord, NoDocumentItemIsReadUnderItsName) {
  // It exists only inside the underwater layer.
  EXPECT_EQ(nullptr, ReadItem(WriteItem(DS_UnderwaterFX())));
}

TEST(UnderwaterBrushRecord, AssignmentTakesValuesScalesAndTimeLine) {
  DS_UnderwaterFX source;
  FillBase(source, L"source");
  source.amplitude.SetScale(0.5f, 1.0f);
  source.amplitude.SetValue(4u);
  source.period.SetValue(20u);
  source.TimeLine().fadeIn.SetValue(150u);
  DS_UnderwaterFX target;
  target = source;
  ExpectBase(target, L"source", 88);
  EXPECT_FLOAT_EQ(3.0f, target.amplitude.GetResult());
  EXPECT_FLOAT_EQ(0.041f, target.period.GetResult());
  EXPECT_FLOAT_EQ(1.5f, target.TimeLine().FadeInSeconds());
  EXPECT_NE(&source.TimeLine(), &target.TimeLine());
}

// ---- waves ----

struct DirectionCase {
  unsigned angle;
  int mode;
  float dx, dy, nx, ny;  // "direction" and "direction_n"
};

void PrintTo(const DirectionCase& c, std::ostream* os) { *os << "angle " << c.angle << ", mode " << c.mode; }

class WavesDirectionTest : public BrushManagerTest, public ::testing::WithParamInterface<DirectionCase> {};

TEST_P(WavesDirectionTest, VectorsFollowTheAngleAndTheWaveMode) {
  const DirectionCase& c = GetParam();
  EmbedEffect(77);
  DS_WavesFX brush;
  brush.angle.SetValue(c.angle);
  brush.waveMode.SetValue(c.mode);
  std::unique_ptr<DS_ABObj> object(brush.CreateObject());
  RecordingLayer layer(800, 600);
  object->Render(&layer);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  ExpectFloats({c.dx, c.dy}, effect->LastValues("direction"), "direction");
  ExpectFloats({c.nx, c.ny}, effect->LastValues("direction_n"), "direction_n");
}

INSTANTIATE_TEST_SUITE_P(Cases, WavesDirectionTest,
                         ::testing::Values(DirectionCase{0u, 0, -1.0f, 0.0f, 0.0f, 1.0f},
                                           DirectionCase{90u, 0, 0.0f, 1.0f, 1.0f, 0.0f},
                                           DirectionCase{0u, 1, -1.0f, 0.0f, -1.0f, 0.0f},
                                           DirectionCase{90u, 7, 0.0f, 1.0f, 0.0f, 1.0f},
                                           DirectionCase{180u, 0, 1.0f, 0.0f, 0.0f, -1.0f},
                                           DirectionCase{45u, 0, -0.7071f, 0.7071f, 0.7071f, 0.7071f},
                                           // Beyond a full turn the angle keeps turning.
                                           DirectionCase{450u, 0, 0.0f, 1.0f, 1.0f, 0.0f}));

TEST(WavesDirection, ParameterChangesRecomputeAtOnceDocumentValuesInTheClone) {
  DS_WavesFX brush;
  brush.angle.SetValue(90u);
  EXPECT_NEAR(0.0f, brush.GetDirection().x, 1e-5f);
  EXPECT_NEAR(-1.0f, brush.GetDirection().y, 1e-5f);
  brush.waveMode.SetValue(1);
  EXPECT_NEAR(0.0f, brush.GetNormal().x, 1e-5f);
  EXPECT_NEAR(1.0f, brush.GetNormal().y, 1e-5f);

  // A document stores the angle without notification: the read brush keeps its
  // vectors, its clone (the one that is drawn) has the new ones.
  DS_WavesFX written;
  written.angle.SetValue(180u);
  std::unique_ptr<DS_ABObj_Constructor> read = ReadItem(WriteItem(written));
  DS_WavesFX& readWaves = dynamic_cast<DS_WavesFX&>(*read);
  EXPECT_NEAR(1.0f, readWaves.GetDirection().x, 1e-5f);
  std::unique_ptr<DS_FX_Constructor> clone(readWaves.Clone());
  EXPECT_NEAR(-1.0f, static_cast<DS_WavesFX&>(*clone).GetDirection().x, 1e-5f);
  // The clone's binders are its own: changing it leaves the original alone.
  static_cast<DS_WavesFX&>(*clone).angle.SetValue(90u);
  EXPECT_NEAR(-1.0f, static_cast<DS_WavesFX&>(*clone).GetDirection().y, 1e-5f);
  EXPECT_NEAR(1.0f, readWaves.GetDirection().x, 1e-5f);
}

TEST_F(BrushManagerTest, WavesSetTheirParametersThenTheCommonTail) {
  EmbedEffect(77);
  DS_WavesFX brush;
  std::unique_ptr<DS_ABObj> object(brush.CreateObject());
  object->Update(0.1f);
  object->Update(0.3f);  // 0.3 s of local time at speed 25
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  effect->ClearRecord();
  RecordingLayer layer(800, 600);
  object->Render(&layer);
  const std::vector<std::string> expected = {
      "Set direction", "Set direction_n", "Set frequency",  "Set amplitude", "Set time", "SetTechnique Main",
      "Set Scale",     "Set Mask",        "Set Background", "Begin 0",       "BeginPass 0", "EndPass", "End"};
  EXPECT_EQ(expected, effect->Events());
  EXPECT_NEAR(1.0f / 0.026f, LastFloat(effect, "frequency"), 1e-3f);
  EXPECT_NEAR(0.0125f, LastFloat(effect, "amplitude"), 1e-6f);
  EXPECT_NEAR(25.0f * 0.3f * 0.08f, LastFloat(effect, "time"), 1e-4f);
  ASSERT_EQ(1u, layer.draws.size());
  EXPECT_EQ(static_cast<const void*>(&layer.GetLayerQuad()), layer.draws[0].geometry);
}

TEST_F(BrushManagerTest, WaveAmplitudeFollowsTheTimeLineOpacity) {
  EmbedEffect(77);
  DS_WavesFX brush;
  brush.TimeLine().mode.SetValue(1);  // a cycle starts invisible
  std::unique_ptr<DS_ABObj> object(brush.CreateObject());
  RecordingLayer layer(800, 600);
  object->Render(&layer);
  EXPECT_FLOAT_EQ(0.0f, LastFloat(factory.LastEffect(), "amplitude"));
}

// ---- light ----

struct LightCase {
  const char* what;
  int mode;
  float t;       // brush time
  float factor;  // expected light factor
};

void PrintTo(const LightCase& c, std::ostream* os) { *os << c.what; }

class LightFactorTest : public ::testing::TestWithParam<LightCase> {};

TEST_P(LightFactorTest, FirstLightModes) {
  const LightCase& c = GetParam();
  EXPECT_NEAR(c.factor, DS_LightFX::LightFactor(c.mode, c.t), 1e-5f) << c.what;
}

// sin(0.2 T) is 1 at T = 2.5 pi, 0 at T = 0 and -1 at T = 7.5 pi.
INSTANTIATE_TEST_SUITE_P(
    Cases, LightFactorTest,
    ::testing::Values(LightCase{"pulse at its top", 0, 2.5f * kPi, 1.0f}, LightCase{"pulse at its middle", 0, 0.0f, 0.5f},
                      LightCase{"pulse for any other mode", -4, 7.5f * kPi, 0.0f},
                      LightCase{"blink on", 1, 2.5f * kPi, 1.0f},
                      LightCase{"blink at exactly one half is off", 1, 0.0f, 0.0f},
                      LightCase{"blink off", 1, 7.5f * kPi, 0.0f}));

class LightFactor2Test : public ::testing::TestWithParam<LightCase> {};

TEST_P(LightFactor2Test, SecondLightModes) {
  const LightCase& c = GetParam();
  EXPECT_NEAR(c.factor, DS_LightFX_II::LightFactor(c.mode, c.t), 1e-5f) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LightFactor2Test,
    ::testing::Values(LightCase{"steady", 0, 1.0f, 1.0f}, LightCase{"steady for any other mode", 9, 7.5f * kPi, 1.0f},
                      LightCase{"pulse", 1, 2.5f * kPi, 1.0f}, LightCase{"pulse at its middle", 1, 0.0f, 0.5f},
                      LightCase{"blink at one half is off", 2, 0.0f, 0.0f}, LightCase{"blink on", 2, 2.5f * kPi, 1.0f}));

TEST(LightFactor, FlickerIsTheNoiseOfBothBrushes) {
  for (float t : {0.0f, 0.37f, 3.0f, 41.5f, 1000.0f}) {
    const float expected = float((OctaveNoise1D(10.0 * t, 75.0, 0.5, 2) + 1.0) * 0.5);
    EXPECT_NEAR(expected, DS_LightFX::LightFactor(2, t), 1e-6f) << t;
    EXPECT_NEAR(expected, DS_LightFX::LightFactor(5, t), 1e-6f) << t;
    EXPECT_NEAR(expected, DS_LightFX_II::LightFactor(3, t), 1e-6f) << t;
  }
  // The noise moves with the clock.
  EXPECT_NE(DS_LightFX::LightFactor(2, 3.0f), DS_LightFX::LightFactor(2, 5.0f));
}

TEST_F(BrushManagerTest, LightPulsesEightTimesFasterThanTheLocalClockRadians) {
  EmbedEffect(76);
  DS_LightFX brush;
  std::unique_ptr<DS_ABObj> object(brush.CreateObject());
  RecordingLayer layer(800, 600);
  // Speed 40: T = 40 t, so sin(0.2 T) = sin(8 t), a period of 2 pi / 8 s.
  object->Update(kPi / 16.0f);
  object->Render(&layer);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  EXPECT_NEAR(0.4f, LastFloat(effect, "multiplier"), 1e-4f);
  // Half a period later, the bottom (in steps the clock takes whole).
  object->Update(2.0f * kPi / 16.0f);
  object->Update(3.0f * kPi / 16.0f);
  object->Render(&layer);
  EXPECT_NEAR(0.0f, LastFloat(effect, "multiplier"), 1e-4f);
  EXPECT_EQ("Main", effect->CurrentTechnique());
  EXPECT_EQ(2u, layer.draws.size());
}

TEST_F(BrushManagerTest, SecondLightSetsItsColourTexturesAndBlendTechnique) {
  EmbedEffect(76);
  FakeTexture mask, scene;
  DS_LightFX_II brush;
  brush.intensity.SetValue(50u);
  brush.colour.SetValue(255ul);
  brush.fxMode.SetValue(1);
  brush.blend.SetValue(1);
  manager->GetGuidTexture(brush.GetMaskGuid()).Set(&mask);
  std::unique_ptr<DS_ABObj> object(brush.CreateObject());
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  effect->ClearRecord();
  RecordingLayer layer(800, 600);
  layer.scene.Set(&scene);
  object->Render(&layer);
  const std::vector<std::string> expected = {"Set BlendColor", "Set Texture2", "Set Texture1",
                                             "SetTechnique Blend_Screen", "Begin 0", "BeginPass 0",
                                             "EndPass", "End"};
  EXPECT_EQ(expected, effect->Events()) << "no Mask, Background or Scale; the FX mode chooses no technique";
  ExpectFloats({1.0f, 0.0f, 0.0f, 0.5f}, effect->LastValues("BlendColor"), "pure red");
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(&mask), effect->Last("Texture2")->texture);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(&scene), effect->Last("Texture1")->texture);
  ASSERT_EQ(1u, layer.draws.size());
  EXPECT_EQ("PT", layer.draws[0].kind);
  EXPECT_EQ(static_cast<const void*>(&layer.GetLayerQuad()), layer.draws[0].geometry);
  EXPECT_TRUE(object->NeedsSceneInput()) << "the FX mode still asks for the scene";
  object.reset();
  manager->GetGuidTexture(brush.GetMaskGuid()).Release();
}

TEST_F(BrushManagerTest, SecondLightColourBytesAreRedGreenBlueFromTheLowest) {
  EmbedEffect(76);
  DS_LightFX_II brush;
  brush.intensity.SetValue(100u);
  brush.colour.SetValue(0xAA336699ul);  // the high byte is not a colour
  brush.TimeLine().mode.SetValue(1);     // invisible: the light's strength is 0
  std::unique_ptr<DS_ABObj> object(brush.CreateObject());
  RecordingLayer layer(800, 600);
  object->Render(&layer);
  ExpectFloats({0x99 / 255.0f, 0x66 / 255.0f, 0x33 / 255.0f, 0.0f}, factory.LastEffect()->LastValues("BlendColor"),
               "colour");
}

struct BlendCase {
  int blend;
  std::string technique;
};

void PrintTo(const BlendCase& c, std::ostream* os) { *os << "blend " << c.blend; }

class LightBlendTest : public BrushManagerTest, public ::testing::WithParamInterface<BlendCase> {};

TEST_P(LightBlendTest, BlendChoosesTheTechniqueOrKeepsTheSharedOne) {
  const BlendCase& c = GetParam();
  EmbedEffect(76);
  DS_LightFX_II brush;
  brush.blend.SetValue(c.blend);
  std::unique_ptr<DS_ABObj> object(brush.CreateObject());
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  effect->SetTechnique("Earlier");  // what another brush sharing the effect left
  RecordingLayer layer(800, 600);
  object->Render(&layer);
  EXPECT_EQ(c.technique, effect->CurrentTechnique());
  EXPECT_EQ(1u, layer.draws.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, LightBlendTest,
                         ::testing::Values(BlendCase{0, "Blend_Normal"}, BlendCase{1, "Blend_Screen"},
                                           BlendCase{2, "PS_ColorDodge"}, BlendCase{3, "Blend_Sum"},
                                           BlendCase{7, "Earlier"}, BlendCase{-1, "Earlier"}));

TEST_F(BrushManagerTest, BrushesWithoutAnEffectSetNothingAndDrawNothing) {
  // No effect data in the document: every brush is left without an effect.
  DS_WavesFX waves;
  DS_LightFX light;
  DS_LightFX_II light2;
  DS_UnderwaterFX underwater;
  RecordingLayer layer(800, 600);
  for (DS_FX_Constructor* brush : {static_cast<DS_FX_Constructor*>(&waves), static_cast<DS_FX_Constructor*>(&light),
                                   static_cast<DS_FX_Constructor*>(&light2),
                                   static_cast<DS_FX_Constructor*>(&underwater)}) {
    brush->Prepare(nullptr);
    EXPECT_EQ(nullptr, brush->GetEffect()) << typeid(*brush).name();
    brush->Render(&layer);
  }
  EXPECT_TRUE(layer.draws.empty());
}

// ---- underwater ----

TEST_F(BrushManagerTest, UnderwaterRipplesWithTheDefaultsOnA4To3Picture) {
  EmbedEffect(88);
  DS_UnderwaterFX brush;
  brush.TimeLine().mode.SetValue(1);  // invisible: the ripple does not fade with it
  brush.Prepare(nullptr);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  for (float t = 0.1f; t < 1.05f; t += 0.1f) brush.Update(t);  // one second of local time
  RecordingLayer layer(1024, 768);
  brush.Render(&layer);
  ExpectFloats({13.2013f, 9.90099f}, effect->LastValues("frequency"), "frequency");
  EXPECT_EQ(FakeEffect::Kind::FloatArray, effect->Last("frequency")->kind);
  EXPECT_NEAR(0.00625f, LastFloat(effect, "amplitude"), 1e-7f);
  EXPECT_NEAR(2.0f, LastFloat(effect, "time"), 1e-3f);
  EXPECT_EQ("Main", effect->CurrentTechnique());
  ExpectFloats({4.0f / 3.0f, 1.0f}, effect->LastValues("Scale"), "Scale");
  ASSERT_EQ(1u, layer.draws.size());
  EXPECT_EQ(static_cast<const void*>(&layer.GetLayerQuad()), layer.draws[0].geometry);
}

TEST_F(BrushManagerTest, UnderwaterOnALayerWithoutPictureCountsItSquare) {
  EmbedEffect(88);
  DS_UnderwaterFX brush;
  brush.Prepare(nullptr);
  RecordingLayer layer(640, 0);
  brush.Render(&layer);
  const std::vector<float> frequency = factory.LastEffect()->LastValues("frequency");
  ASSERT_EQ(2u, frequency.size());
  EXPECT_TRUE(std::isfinite(frequency[0]));
  EXPECT_FLOAT_EQ(frequency[1], frequency[0]);
}

}  // namespace
