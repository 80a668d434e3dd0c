// The centre brushes: their records in every version, the centre taken from the scene
// size, and the parameters each hands its effect (amounts, waves, rotation, bend).

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <typeinfo>
#include <vector>

#include "DirBrushTestSupport.h"
#include "objects/brushes/CentreBrushes.h"
#include "render/SceneMapping.h"
#include "render/TimeLine.h"
#include "support/SceneSize.h"

using namespace brushes_test;
using namespace dirbrushes_test;

namespace {

const float kPi = 3.14159265f;
const GUID kMaskGuid = {0xCE47CE47, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

void FillCentreLevels(DS_CentralBased& brush) {
  brush.SetName(L"centre");
  brush.SetMaskKey(kMaskGuid, L"mask", 0);
  brush.fxMode.SetValue(2);
  brush.scale.SetValue(70u);
  brush.speed.SetValue(60u);
  brush.centre.SetValue(D3DXVECTOR3(123.5f, -40.25f, 2.0f));
  brush.region.Corner(1).StoreValue(D3DXVECTOR3(10, 20, 30));
}

void ExpectCentreLevels(const DS_CentralBased& read) {
  EXPECT_EQ(L"centre", read.GetName());
  EXPECT_EQ(0, read.GetMaskFlag());
  EXPECT_EQ(2, read.fxMode.GetValue());
  EXPECT_EQ(70u, read.scale.GetValue());
  EXPECT_EQ(60u, read.speed.GetValue());
  EXPECT_EQ(D3DXVECTOR3(123.5f, -40.25f, 2.0f), read.centre.GetValue());
  EXPECT_EQ(D3DXVECTOR3(10, 20, 30), read.region.Corner(1).GetValue());
}

struct FilledBrushes {
  DS_ExpandFX expand;
  DS_RadialWaveFX radial;
  DS_RotationFX rotation;
  DS_BendFX bend;

  FilledBrushes() {
    FillCentreLevels(expand);
    expand.outwardAmount.SetValue(80u);
    expand.inwardAmount.SetValue(20u);
    expand.waveForm.SetValue(3);
    FillCentreLevels(radial);
    radial.amplitude.SetValue(10u);
    radial.period.SetValue(90u);
    radial.backgroundZoom.SetValue(5u);
    radial.outward.SetValue(1);
    FillCentreLevels(rotation);
    rotation.axisRatio.SetValue(500u);
    rotation.angle.SetValue(33u);
    rotation.reverse.SetValue(-1);
    FillCentreLevels(bend);
    bend.amount1.SetValue(11u);
    bend.amount2.SetValue(12u);
    bend.bendStrength.SetValue(13u);
    bend.bendMode.SetValue(1);
  }

  std::vector<DS_FX_Constructor*> All() { return {&expand, &radial, &rotation, &bend}; }
};

// ---- defaults ----

TEST(CentreBrushRecord, DefaultsOfTheFourBrushes) {
  ds_test::SceneSize scene(1024, 768);
  DS_ExpandFX expand;
  EXPECT_EQ(D3DXVECTOR3(512, 384, 0), expand.centre.GetValue()) << "the middle of the scene when made";
  EXPECT_FLOAT_EQ(0.25f, expand.outwardAmount.GetResult());
  EXPECT_FLOAT_EQ(0.0f, expand.inwardAmount.GetResult());
  EXPECT_FLOAT_EQ(0.005f, expand.inwardAmount.GetScale());
  EXPECT_FLOAT_EQ(1.0f, expand.speed.GetSpeed());
  EXPECT_TRUE(expand.effectLink.GetKey() == EffectKey(102));

  DS_RadialWaveFX radial;
  EXPECT_FLOAT_EQ(0.0125f, radial.amplitude.GetResult());
  EXPECT_FLOAT_EQ(0.006f, radial.period.GetResult());
  EXPECT_FLOAT_EQ(75.0f, radial.backgroundZoom.GetResult());
  EXPECT_EQ(0, radial.outward.GetValue());
  EXPECT_FLOAT_EQ(50.0f, radial.speed.GetSpeed());
  EXPECT_TRUE(radial.effectLink.GetKey() == EffectKey(103));

  DS_RotationFX rotation;
  EXPECT_FLOAT_EQ(0.0f, rotation.axisRatio.GetResult());
  EXPECT_FLOAT_EQ(0.001f, rotation.axisRatio.GetScale());
  EXPECT_FLOAT_EQ(0.005f, rotation.speed.GetScale());
  EXPECT_EQ(0u, rotation.speed.GetValue());
  EXPECT_EQ(2, rotation.TimeLine().timeMode.GetValue());
  EXPECT_TRUE(rotation.effectLink.GetPath().empty());

  DS_BendFX bend;
  EXPECT_FLOAT_EQ(0.002f, bend.amount1.GetScale());
  EXPECT_FLOAT_EQ(0.002f, bend.amount2.GetScale());
  EXPECT_FLOAT_EQ(0.02f, bend.bendStrength.GetScale());
  EXPECT_FLOAT_EQ(0.02f, bend.speed.GetScale());
  EXPECT_TRUE(bend.effectLink.GetPath().empty());

  ds_test::SceneSize other(200, 100);
  EXPECT_EQ(D3DXVECTOR3(100, 50, 0), DS_BendFX().centre.GetValue());
  EXPECT_EQ(D3DXVECTOR3(512, 384, 0), bend.centre.GetValue()) << "an item keeps the centre it was made with";
}

// ---- records ----

TEST(CentreBrushRecord, EachBrushReadsBackWithEveryField) {
  FilledBrushes written;
  for (DS_FX_Constructor* item : written.All()) {
    const std::vector<unsigned char> bytes = WriteItem(*item);
    size_t left = 1;
    std::unique_ptr<DS_ABObj_Constructor> read = ReadItem(bytes, &left);
    ASSERT_NE(nullptr, read) << typeid(*item).name();
    EXPECT_EQ(0u, left) << typeid(*item).name();
    EXPECT_EQ(typeid(*item), typeid(*read));
    ExpectCentreLevels(dynamic_cast<DS_CentralBased&>(*read));
    EXPECT_EQ(bytes, WriteItem(*read)) << typeid(*item).name() << " writes back what it read";
  }

  std::unique_ptr<DS_ABObj_Constructor> item = ReadItem(WriteItem(written.expand));
  const DS_ExpandFX& e = dynamic_cast<DS_ExpandFX&>(*item);
  EXPECT_FLOAT_EQ(0.4f, e.outwardAmount.GetResult());
  EXPECT_FLOAT_EQ(0.1f, e.inwardAmount.GetResult());
  EXPECT_EQ(3, e.waveForm.GetValue());

  item = ReadItem(WriteItem(written.radial));
  const DS_RadialWaveFX& r = dynamic_cast<DS_RadialWaveFX&>(*item);
  EXPECT_FLOAT_EQ(0.0025f, r.amplitude.GetResult());
  EXPECT_FLOAT_EQ(0.01f, r.period.GetResult());
  EXPECT_FLOAT_EQ(30.0f, r.backgroundZoom.GetResult());
  EXPECT_EQ(1, r.outward.GetValue());

  item = ReadItem(WriteItem(written.rotation));
  const DS_RotationFX& o = dynamic_cast<DS_RotationFX&>(*item);
  EXPECT_FLOAT_EQ(0.5f, o.axisRatio.GetResult());
  EXPECT_EQ(33u, o.angle.GetValue());
  EXPECT_EQ(-1, o.reverse.GetValue());

  item = ReadItem(WriteItem(written.bend));
  const DS_BendFX& b = dynamic_cast<DS_BendFX&>(*item);
  EXPECT_FLOAT_EQ(0.022f, b.amount1.GetResult());
  EXPECT_FLOAT_EQ(0.024f, b.amount2.GetResult());
  EXPECT_FLOAT_EQ(0.26f, b.bendStrength.GetResult());
  EXPECT_EQ(1, b.bendMode.GetValue());
}

TEST(CentreBrushRecord, RecordLevelsFollowEachOtherInOrder) {
  FilledBrushes filled;
  DS_IOF_W expected;
  WriteLevelHeader(expected, L"DS_BendFX", 1);
  for (unsigned value : {11u, 12u, 13u}) expected.WriteUInt(value);
  expected.WriteLong(1);
  WriteLevelHeader(expected, L"DS_CentralBased", 1);
  for (float value : {123.5f, -40.25f, 2.0f}) expected.WriteFloat(value);
  filled.bend.WriteLevel(expected);
  EXPECT_EQ(expected.Bytes(), WriteItem(filled.bend));
}

TEST(CentreBrushRecord, FirstRadialWaveRecordKeepsAllFourDefaults) {
  FilledBrushes filled;
  DS_IOF_W old;
  WriteLevelHeader(old, L"DS_RadialWaveFX", 1);
  filled.radial.WriteCentreLevel(old);
  size_t left = 1;
  std::unique_ptr<DS_ABObj_Constructor> item = ReadItem(old.Bytes(), &left);
  ASSERT_NE(nullptr, item);
  EXPECT_EQ(0u, left);
  const DS_RadialWaveFX& read = dynamic_cast<DS_RadialWaveFX&>(*item);
  EXPECT_EQ(50u, read.amplitude.GetValue());
  EXPECT_EQ(50u, read.period.GetValue());
  EXPECT_EQ(50u, read.backgroundZoom.GetValue());
  EXPECT_EQ(0, read.outward.GetValue());
  ExpectCentreLevels(read);
}

TEST(CentreBrushRecord, EveryTruncatedRecordFailsAndReadsNothing) {
  FilledBrushes filled;
  for (DS_FX_Constructor* item : filled.All()) {
    ExpectEveryCutRecordFails(*item);
  }
}

TEST(CentreBrushRecord, ClonesCopyEveryFieldAndTheComputedState) {
  FilledBrushes filled;
  for (DS_FX_Constructor* item : filled.All()) {
    std::unique_ptr<DS_FX_Constructor> clone(item->Clone());
    EXPECT_EQ(typeid(*item), typeid(*clone));
    EXPECT_EQ(WriteItem(*item), WriteItem(*clone)) << typeid(*item).name();
  }
  filled.expand.Update(0.1f);
  filled.expand.Update(0.2f);
  ASSERT_NE(0.0f, filled.expand.GetAmount());
  std::unique_ptr<DS_FX_Constructor> clone(filled.expand.Clone());
  EXPECT_EQ(filled.expand.GetAmount(), static_cast<DS_ExpandFX&>(*clone).GetAmount());
  EXPECT_EQ(filled.expand.GetBrushTime(), clone->GetBrushTime());
}

// ---- effect parameters ----

class CentreEffectTest : public BrushManagerTest {
protected:
  void SetUp() override {
    BrushManagerTest::SetUp();
    for (int id : {102, 103, 44}) EmbedEffect(id);
  }

  template <class Brush>
  std::unique_ptr<DS_ABObj> MakeObject(Brush& brush) {
    return MakeObjectWithEffect(brush, 44);
  }

  ds_test::SceneSize scene{1000, 500};
};

struct ExpandCase {
  const char* what;
  unsigned outward, inward;
  int waveForm;
  float brushTime;
  float first, second;
};

void PrintTo(const ExpandCase& c, std::ostream* os) { *os << c.what; }

class ExpandTest : public CentreEffectTest, public ::testing::WithParamInterface<ExpandCase> {};

TEST_P(ExpandTest, AmountSwingsBetweenTheInwardAndTheOutwardAmount) {
  const ExpandCase& c = GetParam();
  DS_ExpandFX brush;
  brush.outwardAmount.SetValue(c.outward);
  brush.inwardAmount.SetValue(c.inward);
  brush.waveForm.SetValue(c.waveForm);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  AdvanceTo(*object, c.brushTime);  // speed 1.0
  RecordingLayer layer(1000, 500);
  object->Render(&layer);
  ExpectFloats({c.first, c.second}, Effect()->LastValues("amplitude"), c.what, 1e-5f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpandTest,
    ::testing::Values(ExpandCase{"triangle at 0", 50u, 0u, 0, 0.0f, 0.0f, 0.0f},
                      ExpandCase{"triangle at a quarter period", 50u, 0u, 0, kPi / 2, 0.125f, 0.0f},
                      ExpandCase{"triangle at half a period", 50u, 0u, 0, kPi, 0.25f, 0.0f},
                      ExpandCase{"triangle at three quarters", 50u, 0u, 0, 3 * kPi / 2, 0.125f, 0.0f},
                      ExpandCase{"triangle with an inward amount at 0", 50u, 20u, 0, 0.0f, 0.0f, 0.1f},
                      ExpandCase{"inward larger than outward", 0u, 50u, 0, 0.0f, 0.0f, 0.25f},
                      ExpandCase{"sine at its top", 50u, 0u, 1, kPi / 2, 0.25f, 0.0f},
                      ExpandCase{"sine at its bottom", 50u, 20u, -2, 3 * kPi / 2, 0.0f, 0.1f},
                      ExpandCase{"sine at 0", 50u, 20u, 5, 0.0f, 0.075f, 0.0f}));

TEST_F(CentreEffectTest, ExpandSetsItsAmountAndCentreThenTheCommonTail) {
  DS_ExpandFX brush;
  brush.centre.SetValue(D3DXVECTOR3(250, 400, 0));
  brush.TimeLine().mode.SetValue(1);  // a cycle starts invisible: no swing
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  AdvanceTo(*object, kPi);
  Effect()->ClearRecord();
  RecordingLayer layer(1000, 500);
  object->Render(&layer);
  const std::vector<std::string> expected = {"Set amplitude",  "Set center", "SetTechnique Main", "Set Scale",
                                             "Set Mask",       "Set Background", "Begin 0", "BeginPass 0",
                                             "EndPass",        "End"};
  EXPECT_EQ(expected, Effect()->Events());
  ExpectFloats({0.0f, 0.0f}, Effect()->LastValues("amplitude"), "amplitude while invisible");
  ExpectFloats({0.25f, 0.8f}, Effect()->LastValues("center"), "center");
  ASSERT_EQ(1u, layer.draws.size());
  EXPECT_EQ(static_cast<const void*>(&layer.GetLayerQuad()), layer.draws[0].geometry);
}

struct RadialCase {
  const char* what;
  unsigned zoom;
  int outward;
  unsigned width, height;
  float bgScale, time;
};

void PrintTo(const RadialCase& c, std::ostream* os) { *os << c.what; }

class RadialWaveTest : public CentreEffectTest, public ::testing::WithParamInterface<RadialCase> {};

TEST_P(RadialWaveTest, WavesRunOutOrInOnABackgroundOfItsProportions) {
  const RadialCase& c = GetParam();
  DS_RadialWaveFX brush;
  brush.backgroundZoom.SetValue(c.zoom);
  brush.outward.SetValue(c.outward);
  brush.speed.SetValue(1u);
  brush.centre.SetValue(D3DXVECTOR3(100, 100, 0));
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  AdvanceTo(*object, 2.0f);  // speed 1: brush time 2
  RecordingLayer layer(c.width, c.height);
  object->Render(&layer);
  FakeEffect* effect = Effect();
  ExpectFloats({1.0f, c.bgScale}, effect->LastValues("bg_scale_factor"), c.what);
  ExpectFloats({0.1f, 0.2f}, effect->LastValues("center"), c.what);
  ExpectFloats({1.0f / 0.006f}, effect->LastValues("frequency"), c.what, 1e-2f);
  ExpectFloats({0.0125f}, effect->LastValues("amplitude"), c.what, 1e-6f);
  ExpectFloats({c.time}, effect->LastValues("time"), c.what, 1e-5f);
  for (const char* name : {"frequency", "amplitude", "time"}) {
    EXPECT_EQ(FakeEffect::Kind::Float, effect->Last(name)->kind) << name;
  }
  EXPECT_EQ(1u, layer.draws.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, RadialWaveTest,
                         ::testing::Values(RadialCase{"natural zoom, inward", 50u, 0, 1000u, 500u, 0.5f, -0.16f},
                                           RadialCase{"natural zoom, outward", 50u, 1, 800u, 600u, 0.75f, 0.16f},
                                           RadialCase{"double zoom", 125u, 2, 1000u, 500u, 0.25f, 0.16f},
                                           RadialCase{"layer without size", 50u, 0, 0u, 0u, 1.0f, -0.16f}));

TEST_F(CentreEffectTest, RadialWaveAmplitudeFollowsTheOpacity) {
  DS_RadialWaveFX brush;
  brush.TimeLine().mode.SetValue(1);  // invisible at the start of its cycle
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  object->Update(0.1f);
  RecordingLayer layer(640, 480);
  object->Render(&layer);
  ExpectFloats({0.0f}, Effect()->LastValues("amplitude"), "amplitude");
}

struct RotationCase {
  const char* what;
  unsigned ratio;  // thousandths
  unsigned angle;
  int reverse;
  float brushTime;
  std::vector<float> transform;
};

void PrintTo(const RotationCase& c, std::ostream* os) { *os << c.what; }

class RotationTest : public CentreEffectTest, public ::testing::WithParamInterface<RotationCase> {};

TEST_P(RotationTest, PictureTurnsOnACircleOrAnEllipse) {
  const RotationCase& c = GetParam();
  DS_RotationFX brush;
  brush.axisRatio.SetValue(c.ratio);
  brush.angle.SetValue(c.angle);
  brush.reverse.SetValue(c.reverse);
  brush.speed.SetValue(200u);  // 1.0
  brush.centre.SetValue(D3DXVECTOR3(500, 125, 0));
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  AdvanceTo(*object, c.brushTime);
  EXPECT_NEAR(c.reverse ? -c.brushTime : c.brushTime, BrushOf<DS_RotationFX>(object).GetRotation(), 1e-5f);
  RecordingLayer layer(1000, 500);
  object->Render(&layer);
  const std::vector<float> transform = Effect()->LastValues("coord_transf");
  ExpectFloats(c.transform, transform, c.what, 1e-5f);
  for (float value : transform) EXPECT_TRUE(std::isfinite(value)) << c.what;
  ExpectFloats({-0.5f, -0.25f}, Effect()->LastValues("offset"), c.what);
  ExpectFloats({1, 1, 1, 1}, Effect()->LastValues("mix_color"), c.what);
}

const float kC = 0.70710678f;  // cos and sin of a quarter pi

INSTANTIATE_TEST_SUITE_P(
    Cases, RotationTest,
    ::testing::Values(RotationCase{"circle, a quarter turn", 1000u, 0u, 0, kPi / 2, {0, 1, -1, 0}},
                      RotationCase{"circle, an eighth turn", 1000u, 0u, 0, kPi / 4, {kC, kC, -kC, kC}},
                      RotationCase{"circle reversed", 1000u, 0u, 1, kPi / 4, {kC, -kC, kC, kC}},
                      RotationCase{"ellipse of ratio 0.5", 500u, 0u, 0, kPi / 2, {0, 0.5f, -2, 0}},
                      RotationCase{"ellipse turned a quarter", 500u, 90u, 0, kPi / 2, {0, 2, -0.5f, 0}},
                      RotationCase{"ratio 0 keeps the plain element", 0u, 0u, 0, kPi / 2, {0, 0, -1, 0}},
                      RotationCase{"ratio 0 at rest", 0u, 30u, 0, 0.0f, {1, 0, 0, 1}}));

struct TintCase {
  int mode, timeMode;
  float alpha;
};

void PrintTo(const TintCase& c, std::ostream* os) { *os << "mode " << c.mode << ", time mode " << c.timeMode; }

class RotationTintTest : public CentreEffectTest, public ::testing::WithParamInterface<TintCase> {};

TEST_P(RotationTintTest, TintFollowsTheTimeLineOnlyInTimeModeOne) {
  const TintCase& c = GetParam();
  DS_RotationFX brush;
  brush.TimeLine().mode.SetValue(c.mode);
  brush.TimeLine().timeMode.SetValue(c.timeMode);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  RecordingLayer layer(640, 480);
  object->Render(&layer);  // a cycle starts invisible
  ExpectFloats({1, 1, 1, c.alpha}, Effect()->LastValues("mix_color"),
               "mode " + std::to_string(c.mode) + ", time mode " + std::to_string(c.timeMode));
}

INSTANTIATE_TEST_SUITE_P(Cases, RotationTintTest,
                         ::testing::Values(TintCase{1, 2, 1.0f}, TintCase{1, 1, 0.0f}, TintCase{0, 1, 1.0f},
                                           TintCase{1, 0, 1.0f}));

TEST_F(CentreEffectTest, RotationSetsItsParametersBeforeTheCommonTail) {
  DS_RotationFX brush;
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  Effect()->ClearRecord();
  RecordingLayer layer(640, 480);
  object->Render(&layer);
  const std::vector<std::string> expected = {"Set coord_transf", "Set offset", "Set mix_color", "SetTechnique Main",
                                             "Set Scale",        "Set Mask",   "Set Background", "Begin 0",
                                             "BeginPass 0",      "EndPass",    "End"};
  EXPECT_EQ(expected, Effect()->Events());
}

struct BendCase {
  const char* what;
  unsigned amount1, amount2;
  float brushTime;
  float bend;
};

void PrintTo(const BendCase& c, std::ostream* os) { *os << c.what; }

class BendTest : public CentreEffectTest, public ::testing::WithParamInterface<BendCase> {};

TEST_P(BendTest, BendSwingsBetweenTheFirstAmountAndTheSecondNegated) {
  const BendCase& c = GetParam();
  DS_BendFX brush;
  brush.amount1.SetValue(c.amount1);
  brush.amount2.SetValue(c.amount2);
  brush.bendStrength.SetValue(25u);
  brush.speed.SetValue(50u);  // 1.0
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  AdvanceTo(*object, c.brushTime);
  EXPECT_NEAR(c.bend, BrushOf<DS_BendFX>(object).GetBend(), 1e-5f) << c.what;
  RecordingLayer layer(1000, 500);
  object->Render(&layer);
  ExpectFloats({c.bend}, Effect()->LastValues("Angle"), c.what, 1e-5f);
  ExpectFloats({0.5f}, Effect()->LastValues("Bend"), c.what);
}

INSTANTIATE_TEST_SUITE_P(Cases, BendTest,
                         ::testing::Values(BendCase{"top of the swing", 100u, 50u, kPi / 2, 0.2f},
                                           BendCase{"bottom of the swing", 100u, 50u, 3 * kPi / 2, -0.1f},
                                           BendCase{"middle of the swing", 100u, 50u, 0.0f, 0.05f},
                                           BendCase{"no amounts", 0u, 0u, 1.0f, 0.0f}));

TEST_F(CentreEffectTest, NoiseBendStaysWithinTwiceThePlainSwing) {
  DS_BendFX brush;
  brush.amount1.SetValue(100u);
  brush.amount2.SetValue(100u);
  brush.bendMode.SetValue(1);
  brush.speed.SetValue(50u);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  DS_BendFX& clone = BrushOf<DS_BendFX>(object);
  bool modulated = false;
  for (int frame = 1; frame <= 200; ++frame) {
    const float t = frame * 0.1f;
    object->Update(t);
    const float plain = std::sin(clone.GetBrushTime()) * 0.2f;
    const float bend = clone.GetBend();
    // v x (1 + sin (noise)): the same sign as the plain swing, at most twice as far.
    EXPECT_LE(std::fabs(bend), 2.0f * std::fabs(plain) + 1e-6f) << "at " << t;
    EXPECT_GE(bend * plain, -1e-9f) << "at " << t;
    if (std::fabs(bend - plain) > 1e-4f) modulated = true;
  }
  EXPECT_TRUE(modulated);
}

TEST_F(CentreEffectTest, BendSetsTheCentreParametersAndDrawsItsRegionOrTheLayer) {
  for (int fx : {0, 1}) {
    DS_BendFX brush;
    brush.fxMode.SetValue(fx);
    brush.scale.SetValue(100u);  // 2.0
    brush.centre.SetValue(D3DXVECTOR3(750, 50, 0));
    std::unique_ptr<DS_ABObj> object = MakeObject(brush);
    Effect()->ClearRecord();
    RecordingLayer layer(1000, 500);
    object->Render(&layer);
    const std::string technique = fx ? "SetTechnique MainFX" : "SetTechnique Main";
    const std::vector<std::string> expected = {"Set Scale", "Set Mask",  "Set Background", technique,   "Set Center",
                                               "Set Angle", "Set Bend",  technique,        "Begin 0",   "BeginPass 0",
                                               "EndPass",   "End"};
    EXPECT_EQ(expected, Effect()->Events()) << "fx " << fx;
    ExpectFloats({1.0f, 0.5f, 1.0f, 2.0f}, Effect()->LastValues("Scale"), "Scale");
    ExpectFloats({0.75f, 0.1f}, Effect()->LastValues("Center"), "Center");
    ASSERT_EQ(1u, layer.draws.size());
    if (fx) {
      EXPECT_EQ(static_cast<const void*>(&layer.GetLayerQuad()), layer.draws[0].geometry);
    } else {
      EXPECT_EQ("IndexedPT", layer.draws[0].kind);
      EXPECT_EQ(static_cast<const void*>(&BrushOf<DS_BendFX>(object).RegionMesh()), layer.draws[0].geometry);
    }
  }
}

TEST_F(CentreEffectTest, CentreBeforeAnyLayerWasSizedIsFinite) {
  ds_test::SceneSize unsized(0, 0);
  DS_ExpandFX brush;
  brush.centre.SetValue(D3DXVECTOR3(10, 10, 0));
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  RecordingLayer layer(0, 0);
  object->Render(&layer);
  for (float value : Effect()->LastValues("center")) EXPECT_TRUE(std::isfinite(value));
  for (float value : Effect()->LastValues("Scale")) EXPECT_TRUE(std::isfinite(value));
}

}  // namespace
