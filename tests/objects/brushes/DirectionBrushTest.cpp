// The direction brushes: their records in every version, the direction that follows
// the angle, and the parameters each hands its effect (shift, bands, noise, cloud).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <typeinfo>
#include <vector>

#include "DirBrushTestSupport.h"
#include "tests/document/FakeTexture.h"
#include "objects/brushes/DirectionBrushes.h"
#include "render/SceneMapping.h"
#include "render/TimeLine.h"
#include "support/SceneSize.h"

using namespace brushes_test;
using namespace dirbrushes_test;

namespace {

const float kPi = 3.14159265f;
const DS_FileKey kNoiseKey(L"C:\\fx\\noise.png", 11);
const DS_FileKey kCloudKey(L"C:\\fx\\cloud.png", 12);
const DS_FileKey kSecondKey(L"C:\\fx\\cloud2.png", 13);
const DS_FileKey kWaterfallEffect(L"C:\\fx\\waterfall.fx", 14);
const DS_FileKey kCloudEffect(L"C:\\fx\\cloud.fx", 15);
const GUID kMaskGuid = {0x5EED5EED, 3, 4, {5, 6, 7, 8, 9, 10, 11, 12}};

std::vector<float> Direction(const DS_DirectionBased& brush) {
  return {brush.GetDirection().x, brush.GetDirection().y, brush.GetDirection().z, brush.GetDirection().w};
}

// Every field of the three levels below the brush's own.
void FillDirectionLevels(DS_DirectionBased& brush, unsigned extent, unsigned angle) {
  brush.SetName(L"dir");
  brush.SetMaskKey(kMaskGuid, L"mask", 1);
  brush.fxMode.SetValue(1);
  brush.scale.SetValue(80u);
  brush.speed.SetValue(40u);
  brush.extent.SetValue(extent);
  brush.angle.SetValue(angle);
  brush.region.Corner(2).StoreValue(D3DXVECTOR3(300, 200, 0));
}

void ExpectDirectionLevels(const DS_DirectionBased& read, unsigned extent, unsigned angle) {
  EXPECT_EQ(L"dir", read.GetName());
  EXPECT_EQ(1, read.fxMode.GetValue());
  EXPECT_EQ(80u, read.scale.GetValue());
  EXPECT_EQ(40u, read.speed.GetValue());
  EXPECT_EQ(extent, read.extent.GetValue());
  EXPECT_EQ(angle, read.angle.GetValue());
  EXPECT_EQ(D3DXVECTOR3(300, 200, 0), read.region.Corner(2).GetValue());
}

DS_MoveFX MakeMove() {
  DS_MoveFX brush;
  FillDirectionLevels(brush, 70u, 30u);
  brush.motionMode.SetValue(1);
  brush.secondAmplitude.SetValue(33u);
  return brush;
}

void FillWaterfall(DS_WaterfallFX& brush) {
  FillDirectionLevels(brush, 120u, 270u);
  brush.waveOpacity.SetValue(25u);
  brush.waveCount.SetValue(6u);
  brush.noiseAmplitude.SetValue(300u);
  brush.thirdValue.SetValue(7u);
  brush.threshold.SetValue(400u);
  brush.noiseImage.StoreKey(kNoiseKey);
  brush.waveColour.SetValue(0x00C08040ul);
  brush.hidden.SetValue(-1);
}

void FillCloud(DS_CloudFX& brush) {
  FillDirectionLevels(brush, 9u, 45u);
  brush.colour1.SetValue(0x000000FFul);
  brush.colour2.SetValue(0x80FF0000ul);
  brush.cloudImage.StoreKey(kCloudKey);
  brush.secondImage.StoreKey(kSecondKey);
  brush.threshold.SetValue(10u);
  brush.density.SetValue(25u);
  brush.transform.depth.SetValue(50u);
  brush.transform.height.SetValue(4u);
  brush.transform.scroll.SetValue(30u);
  brush.transform.flip.SetValue(2);
  brush.transform.value5.SetValue(8u);
  brush.transform.value6.SetValue(9u);
}

// ---- defaults ----

TEST(DirectionBrushRecord, DefaultsOfTheThreeBrushes) {
  DS_MoveFX move;
  EXPECT_FLOAT_EQ(0.01f, move.extent.GetResult()) << "first amplitude";
  EXPECT_FLOAT_EQ(0.0002f, move.extent.GetScale());
  EXPECT_FLOAT_EQ(0.0002f, move.secondAmplitude.GetScale());
  EXPECT_FLOAT_EQ(0.0f, move.secondAmplitude.GetResult());
  EXPECT_FLOAT_EQ(1.0f, move.speed.GetSpeed());
  EXPECT_TRUE(move.effectLink.GetKey() == EffectKey(91));
  EXPECT_EQ(0, move.motionMode.GetValue());
  ExpectFloats({1, 0, 0, 0}, Direction(move), "direction at angle 0");

  DS_WaterfallFX waterfall;
  EXPECT_FLOAT_EQ(0.004f, waterfall.extent.GetScale());
  EXPECT_EQ(0u, waterfall.extent.GetValue());
  EXPECT_FLOAT_EQ(1.0f, waterfall.waveOpacity.GetResult());
  EXPECT_FLOAT_EQ(1.0f, waterfall.threshold.GetResult());
  EXPECT_FLOAT_EQ(0.0001f, waterfall.noiseAmplitude.GetScale());
  EXPECT_FLOAT_EQ(0.02f, waterfall.speed.GetScale());
  EXPECT_EQ(0u, waterfall.speed.GetValue());
  EXPECT_TRUE(waterfall.effectLink.GetPath().empty());
  EXPECT_EQ(0u, waterfall.waveCount.GetValue());

  DS_CloudFX cloud;
  EXPECT_FLOAT_EQ(0.4f, cloud.scale.GetResult()) << "the cloud's own scale factor";
  EXPECT_FLOAT_EQ(0.001f, cloud.speed.GetScale());
  EXPECT_FLOAT_EQ(1.0f, cloud.extent.GetScale());
  EXPECT_FLOAT_EQ(1.0f, cloud.threshold.GetResult());
  EXPECT_FLOAT_EQ(0.0f, cloud.density.GetResult());
  EXPECT_FLOAT_EQ(1.0f, cloud.transform.depth.GetResult());
  EXPECT_FLOAT_EQ(1.0f, cloud.transform.value5.GetResult());
  EXPECT_TRUE(cloud.effectLink.GetPath().empty());
}

// ---- direction ----

struct DirectionCase {
  unsigned angle;
  float dx, dy;
};

void PrintTo(const DirectionCase& c, std::ostream* os) { *os << "angle " << c.angle; }

class DirectionTest : public ::testing::TestWithParam<DirectionCase> {};

TEST_P(DirectionTest, DirectionFollowsEveryChangeOfTheAngle) {
  const DirectionCase& c = GetParam();
  DS_MoveFX brush;
  brush.angle.SetValue(c.angle);
  ExpectFloats({c.dx, c.dy, 0, 0}, Direction(brush), "angle " + std::to_string(c.angle), 1e-5f);
  // A clone computes its own direction and keeps following its own angle.
  std::unique_ptr<DS_FX_Constructor> clone(brush.Clone());
  DS_MoveFX& copy = static_cast<DS_MoveFX&>(*clone);
  ExpectFloats({c.dx, c.dy, 0, 0}, Direction(copy), "clone", 1e-5f);
  copy.angle.SetValue(c.angle + 180u);
  ExpectFloats({-c.dx, -c.dy, 0, 0}, Direction(copy), "clone turned half round", 1e-5f);
  ExpectFloats({c.dx, c.dy, 0, 0}, Direction(brush), "the original keeps its direction", 1e-5f);
}

INSTANTIATE_TEST_SUITE_P(Angles, DirectionTest,
                         ::testing::Values(DirectionCase{0, 1, 0}, DirectionCase{90, 0, -1}, DirectionCase{180, -1, 0},
                                           DirectionCase{270, 0, 1}, DirectionCase{45, 0.70710678f, -0.70710678f},
                                           DirectionCase{360, 1, 0}, DirectionCase{450, 0, -1},
                                           DirectionCase{3690, 0, -1}));

TEST(DirectionBrushRecord, ReadingStoresTheAngleAndTheCloneTurnsToIt) {
  DS_MoveFX written;
  written.angle.SetValue(90u);
  std::unique_ptr<DS_ABObj_Constructor> item = ReadItem(WriteItem(written));
  ASSERT_NE(nullptr, item);
  DS_MoveFX& read = dynamic_cast<DS_MoveFX&>(*item);
  EXPECT_EQ(90u, read.angle.GetValue());
  ExpectFloats({1, 0, 0, 0}, Direction(read), "the read item keeps the direction it was made with", 1e-5f);
  std::unique_ptr<DS_FX_Constructor> clone(read.Clone());
  ExpectFloats({0, -1, 0, 0}, Direction(static_cast<DS_DirectionBased&>(*clone)), "clone", 1e-5f);
}

// ---- records ----

TEST(DirectionBrushRecord, EachBrushReadsBackWithEveryField) {
  DS_MoveFX move = MakeMove();
  DS_WaterfallFX waterfall;
  FillWaterfall(waterfall);
  DS_CloudFX cloud;
  FillCloud(cloud);
  const DS_FX_Constructor* written[] = {&move, &waterfall, &cloud};
  for (const DS_FX_Constructor* item : written) {
    const std::vector<unsigned char> bytes = WriteItem(*item);
    size_t left = 1;
    std::unique_ptr<DS_ABObj_Constructor> read = ReadItem(bytes, &left);
    ASSERT_NE(nullptr, read) << typeid(*item).name();
    EXPECT_EQ(0u, left) << typeid(*item).name();
    EXPECT_EQ(typeid(*item), typeid(*read));
    EXPECT_EQ(bytes, WriteItem(*read)) << typeid(*item).name() << " writes back what it read";
  }

  std::unique_ptr<DS_ABObj_Constructor> item = ReadItem(WriteItem(move));
  const DS_MoveFX& m = dynamic_cast<DS_MoveFX&>(*item);
  ExpectDirectionLevels(m, 70u, 30u);
  EXPECT_EQ(1, m.motionMode.GetValue());
  EXPECT_FLOAT_EQ(33 * 0.0002f, m.secondAmplitude.GetResult());
  EXPECT_FLOAT_EQ(70 * 0.0002f, m.extent.GetResult());
  EXPECT_TRUE(m.effectLink.GetKey() == EffectKey(91));

  item = ReadItem(WriteItem(waterfall));
  const DS_WaterfallFX& w = dynamic_cast<DS_WaterfallFX&>(*item);
  ExpectDirectionLevels(w, 120u, 270u);
  EXPECT_FLOAT_EQ(0.75f, w.waveOpacity.GetResult());
  EXPECT_EQ(6u, w.waveCount.GetValue());
  EXPECT_FLOAT_EQ(0.03f, w.noiseAmplitude.GetResult());
  EXPECT_EQ(7u, w.thirdValue.GetValue());
  EXPECT_FLOAT_EQ(0.6f, w.threshold.GetResult());
  EXPECT_TRUE(w.noiseImage.GetKey() == kNoiseKey);
  EXPECT_EQ(0x00C08040ul, w.waveColour.GetValue());
  EXPECT_EQ(-1, w.hidden.GetValue());

  item = ReadItem(WriteItem(cloud));
  const DS_CloudFX& c = dynamic_cast<DS_CloudFX&>(*item);
  ExpectDirectionLevels(c, 9u, 45u);
  EXPECT_EQ(0x000000FFul, c.colour1.GetValue());
  EXPECT_EQ(0x80FF0000ul, c.colour2.GetValue());
  EXPECT_TRUE(c.cloudImage.GetKey() == kCloudKey);
  EXPECT_TRUE(c.secondImage.GetKey() == kSecondKey);
  EXPECT_FLOAT_EQ(1.2f, c.threshold.GetResult());
  EXPECT_FLOAT_EQ(0.5f, c.density.GetResult());
  EXPECT_FLOAT_EQ(2.0f, c.transform.depth.GetResult());
  EXPECT_FLOAT_EQ(1.0f, c.transform.height.GetResult());
  EXPECT_FLOAT_EQ(0.3f, c.transform.scroll.GetResult());
  EXPECT_EQ(2, c.transform.flip.GetValue());
  EXPECT_EQ(8u, c.transform.value5.GetValue());
  EXPECT_EQ(9u, c.transform.value6.GetValue());
  EXPECT_FLOAT_EQ(0.64f, c.scale.GetResult()) << "80 steps of the cloud's scale factor";
}

TEST(DirectionBrushRecord, RecordLevelsFollowEachOtherInOrder) {
  DS_MoveFX move = MakeMove();
  DS_IOF_W expected;
  WriteLevelHeader(expected, L"DS_MoveFX", 2);
  expected.WriteLong(1);
  expected.WriteUInt(33u);
  WriteLevelHeader(expected, L"DS_DirectionBased", 1);
  expected.WriteUInt(70u);
  expected.WriteUInt(30u);
  move.WriteLevel(expected);
  EXPECT_EQ(expected.Bytes(), WriteItem(move));
}

TEST(DirectionBrushRecord, OldMoveRecordSwingsAsFarEachWay) {
  DS_MoveFX source = MakeMove();
  DS_IOF_W old;
  WriteLevelHeader(old, L"DS_MoveFX", 1);
  old.WriteLong(0);
  source.WriteDirectionLevel(old);
  size_t left = 1;
  std::unique_ptr<DS_ABObj_Constructor> item = ReadItem(old.Bytes(), &left);
  ASSERT_NE(nullptr, item);
  EXPECT_EQ(0u, left);
  DS_MoveFX& read = dynamic_cast<DS_MoveFX&>(*item);
  EXPECT_EQ(0, read.motionMode.GetValue());
  EXPECT_EQ(70u, read.secondAmplitude.GetValue());
  EXPECT_FLOAT_EQ(read.extent.GetScale(), read.secondAmplitude.GetScale());
  EXPECT_FLOAT_EQ(read.extent.GetOffset(), read.secondAmplitude.GetOffset());
  EXPECT_FLOAT_EQ(read.extent.GetResult(), read.secondAmplitude.GetResult());
  ExpectDirectionLevels(read, 70u, 30u);
}

TEST(DirectionBrushRecord, EveryTruncatedRecordFailsAndReadsNothing) {
  DS_MoveFX move = MakeMove();
  DS_WaterfallFX waterfall;
  FillWaterfall(waterfall);
  DS_CloudFX cloud;
  FillCloud(cloud);
  for (const DS_FX_Constructor* item : {static_cast<const DS_FX_Constructor*>(&move),
                                        static_cast<const DS_FX_Constructor*>(&waterfall),
                                        static_cast<const DS_FX_Constructor*>(&cloud)}) {
    ExpectEveryCutRecordFails(*item);
  }
}

TEST(DirectionBrushRecord, ClonesCopyEveryFieldAndAreOfTheirClass) {
  DS_MoveFX move = MakeMove();
  DS_WaterfallFX waterfall;
  FillWaterfall(waterfall);
  DS_CloudFX cloud;
  FillCloud(cloud);
  for (DS_FX_Constructor* item : {static_cast<DS_FX_Constructor*>(&move), static_cast<DS_FX_Constructor*>(&waterfall),
                                  static_cast<DS_FX_Constructor*>(&cloud)}) {
    std::unique_ptr<DS_FX_Constructor> clone(item->Clone());
    EXPECT_EQ(typeid(*item), typeid(*clone));
    EXPECT_EQ(WriteItem(*item), WriteItem(*clone)) << typeid(*item).name();
  }
}

// ---- move brush ----

class DirectionEffectTest : public BrushManagerTest {
protected:
  void SetUp() override {
    BrushManagerTest::SetUp();
    EmbedEffect(91);
    EmbedEffect(33);
  }

  template <class Brush>
  std::unique_ptr<DS_ABObj> MakeObject(Brush& brush) {
    return MakeObjectWithEffect(brush, 33);
  }

  void GiveSet(const DS_FileKey& key, size_t frameCount, unsigned frameIndex = 0) {
    DS_TextureSet& set = manager->Tables().textureSets[key];
    set.frames.clear();
    for (size_t i = 0; i < frameCount; ++i) set.AddFrame(&textures[i], -1.0f);
    set.width = 64;
    set.height = 32;
    set.frameIndex = frameIndex;
  }

  FakeTexture textures[3];
};

struct MoveCase {
  const char* what;
  unsigned angle;
  unsigned secondAmplitude;
  float brushTime;
  float x, y;
};

void PrintTo(const MoveCase& c, std::ostream* os) { *os << c.what; }

class MoveTest : public DirectionEffectTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveTest, ShiftRunsFromTheFirstAmplitudeAgainstTheDirectionToTheSecondAlongIt) {
  const MoveCase& c = GetParam();
  DS_MoveFX brush;
  brush.angle.SetValue(c.angle);
  brush.secondAmplitude.SetValue(c.secondAmplitude);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  AdvanceTo(*object, c.brushTime);  // speed 1.0
  RecordingLayer layer(1024, 768);
  object->Render(&layer);
  ExpectFloats({c.x, c.y}, Effect()->LastValues("Direction"), c.what, 1e-5f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MoveTest,
    ::testing::Values(MoveCase{"angle 90, sine at its top", 90u, 0u, kPi / 2, 0.0f, 0.01f},
                      MoveCase{"angle 0, sine at its top", 0u, 0u, kPi / 2, -0.01f, 0.0f},
                      MoveCase{"angle 0, sine at its bottom, no second amplitude", 0u, 0u, 3 * kPi / 2, 0.0f, 0.0f},
                      MoveCase{"angle 0, sine at its bottom", 0u, 25u, 3 * kPi / 2, 0.005f, 0.0f},
                      MoveCase{"angle 180, sine through zero", 180u, 50u, kPi, 0.0f, 0.0f},
                      MoveCase{"angle 270, start", 270u, 25u, 0.0f, 0.0f, -0.0025f}));

TEST_F(DirectionEffectTest, ShiftIsScaledByTheOpacity) {
  DS_MoveFX brush;
  brush.TimeLine().mode.SetValue(1);  // a cycle starts invisible
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  AdvanceTo(*object, kPi / 2);
  RecordingLayer layer(640, 480);
  object->Render(&layer);
  ExpectFloats({0.0f, 0.0f}, Effect()->LastValues("Direction"), "invisible");
}

TEST_F(DirectionEffectTest, NoiseMotionStaysBetweenTheTwoAmplitudes) {
  DS_MoveFX brush;
  brush.motionMode.SetValue(1);
  brush.secondAmplitude.SetValue(25u);  // 0.005 along the direction, 0.01 against it
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  DS_MoveFX& clone = BrushOf<DS_MoveFX>(object);
  bool differsFromTheSine = false;
  float lowest = 1.0f, highest = -1.0f;
  for (int frame = 1; frame <= 200; ++frame) {
    const float t = frame * 0.1f;
    object->Update(t);
    const float x = clone.GetDisplacement()[0];
    EXPECT_NEAR(0.0f, clone.GetDisplacement()[1], 1e-8f);
    EXPECT_GE(x, -0.01f - 1e-6f) << "at " << t;
    EXPECT_LE(x, 0.005f + 1e-6f) << "at " << t;
    const float sine = -(std::sin(t) * 0.0075f + 0.0025f);
    if (std::fabs(x - sine) > 1e-4f) differsFromTheSine = true;
    lowest = std::min(lowest, x);
    highest = std::max(highest, x);
  }
  EXPECT_TRUE(differsFromTheSine);
  EXPECT_LT(lowest, highest) << "the noise moves the picture";
}

TEST_F(DirectionEffectTest, MoveSetsItsShiftThenTheCommonTailDrawsTheLayerQuad) {
  DS_MoveFX brush;
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  ASSERT_NE(nullptr, Effect());
  Effect()->ClearRecord();
  RecordingLayer layer(1024, 768);
  object->Update(0.1f);
  object->Render(&layer);
  const std::vector<std::string> expected = {"Set Direction", "SetTechnique Main", "Set Scale", "Set Mask",
                                             "Set Background", "Begin 0", "BeginPass 0", "EndPass", "End"};
  EXPECT_EQ(expected, Effect()->Events());
  EXPECT_EQ(FakeEffect::Kind::FloatArray, Effect()->Last("Direction")->kind);
  ASSERT_EQ(1u, layer.draws.size());
  EXPECT_EQ(static_cast<const void*>(&layer.GetLayerQuad()), layer.draws[0].geometry);
}

TEST_F(DirectionEffectTest, BrushWithoutEffectSetsAndDrawsNothing) {
  DS_MoveFX move;
  DS_WaterfallFX waterfall;
  waterfall.waveCount.SetValue(2u);
  waterfall.noiseAmplitude.SetValue(10u);
  DS_CloudFX cloud;
  RecordingLayer layer(640, 480);
  for (DS_FX_Constructor* brush : {static_cast<DS_FX_Constructor*>(&move),
                                   static_cast<DS_FX_Constructor*>(&waterfall),
                                   static_cast<DS_FX_Constructor*>(&cloud)}) {
    brush->effectLink.StoreKey(DS_FileKey(L"C:\\fx\\missing.fx", 1));
    std::unique_ptr<DS_ABObj> object(brush->CreateObject());
    object->Update(0.2f);
    object->Render(&layer);
  }
  EXPECT_TRUE(layer.draws.empty());
  EXPECT_EQ(0u, factory.EffectCount());
}

// ---- waterfall ----

TEST_F(DirectionEffectTest, FourBandsAreSpreadOverOnePeriodAndFadeInAndOut) {
  DS_WaterfallFX brush;
  brush.waveCount.SetValue(4u);
  brush.extent.SetValue(250u);  // a band travels 1.0 along the direction
  brush.waveOpacity.SetValue(20u);  // opacity 0.8
  brush.speed.SetValue(50u);  // 1.0
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  DS_WaterfallFX& clone = BrushOf<DS_WaterfallFX>(object);
  AdvanceTo(*object, 0.3f);
  ASSERT_EQ(4u, clone.GetWaves().size());
  const float phases[4] = {0.3f, 0.55f, 0.8f, 0.05f};
  const float alphas[4] = {0.6f, 0.9f, 0.4f, 0.1f};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(-phases[i], clone.GetWaves()[i].x, 1e-5f) << "band " << i;
    EXPECT_NEAR(0.0f, clone.GetWaves()[i].y, 1e-5f) << "band " << i;
    EXPECT_NEAR(0.8f * alphas[i], clone.GetWaves()[i].alpha, 1e-5f) << "band " << i;
  }
  EXPECT_NEAR(-0.03f, clone.GetNoiseShift()[0], 1e-6f);
  EXPECT_NEAR(0.0f, clone.GetNoiseShift()[1], 1e-6f);

  // Each band is drawn with its own shift and opacity.
  RecordingLayer layer(1024, 768);
  object->Render(&layer);
  const std::vector<std::vector<float>> shifts = AllValues(*Effect(), "shift");
  const std::vector<std::vector<float>> opacities = AllValues(*Effect(), "transluency");
  ASSERT_EQ(4u, shifts.size());
  ASSERT_EQ(4u, opacities.size());
  for (size_t i = 0; i < 4; ++i) {
    ExpectFloats({-phases[i], 0.0f}, shifts[i], "shift of band " + std::to_string(i), 1e-5f);
    ExpectFloats({0.8f * alphas[i]}, opacities[i], "opacity of band " + std::to_string(i), 1e-5f);
  }
  EXPECT_EQ(4u, layer.draws.size());
}

TEST_F(DirectionEffectTest, BandsTravelAlongTheDirectionAndNoiseScrollsWithTheScale) {
  DS_WaterfallFX brush;
  brush.waveCount.SetValue(1u);
  brush.extent.SetValue(500u);  // 2.0
  brush.angle.SetValue(90u);    // (0, -1)
  brush.speed.SetValue(50u);
  brush.scale.SetValue(100u);   // 2.0
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  DS_WaterfallFX& clone = BrushOf<DS_WaterfallFX>(object);
  AdvanceTo(*object, 1.25f);
  ASSERT_EQ(1u, clone.GetWaves().size());
  EXPECT_NEAR(0.0f, clone.GetWaves()[0].x, 1e-5f);
  EXPECT_NEAR(0.5f, clone.GetWaves()[0].y, 1e-5f) << "-(2.0 x -1 x 0.25)";
  EXPECT_NEAR(0.5f, clone.GetWaves()[0].alpha, 1e-5f);
  EXPECT_NEAR(0.0f, clone.GetNoiseShift()[0], 1e-6f);
  EXPECT_NEAR(0.0625f, clone.GetNoiseShift()[1], 1e-6f) << "-0.1 x -1 x 1.25 / 2";
}

TEST_F(DirectionEffectTest, WaterfallDrawsTheNoisePassThenEveryBand) {
  GiveSet(kNoiseKey, 1);
  DS_WaterfallFX brush;
  brush.waveCount.SetValue(2u);
  brush.noiseAmplitude.SetValue(300u);  // 0.03
  brush.noiseImage.StoreKey(kNoiseKey);
  brush.waveColour.SetValue(0x0000FF80ul);
  brush.threshold.SetValue(250u);  // 0.75
  brush.scale.SetValue(100u);      // 2.0
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  EXPECT_EQ(static_cast<IDirect3DTexture9*>(&textures[0]), BrushOf<DS_WaterfallFX>(object).GetNoiseTexture());
  Effect()->ClearRecord();
  RecordingLayer layer(1024, 768);
  object->Render(&layer);
  const std::vector<std::string> pass = {"Begin 0", "BeginPass 0", "EndPass", "End"};
  std::vector<std::string> expected = {"Set Mask",      "Set Background", "Set NoiseMap",       "SetTechnique Noise",
                                       "Set noise_shift", "Set bump_scale", "Set noise_amplitude"};
  expected.insert(expected.end(), pass.begin(), pass.end());
  for (const char* e : {"SetTechnique ColorWaves", "Set base_color", "Set treshold"}) expected.push_back(e);
  for (int band = 0; band < 2; ++band) {
    expected.push_back("Set shift");
    expected.push_back("Set transluency");
    expected.insert(expected.end(), pass.begin(), pass.end());
  }
  EXPECT_EQ(expected, Effect()->Events());

  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(&textures[0]), Effect()->Last("NoiseMap")->texture);
  ExpectFloats({1024.0f / 768.0f / 2.0f, 0.5f}, Effect()->LastValues("bump_scale"), "bump_scale");
  ExpectFloats({0.03f}, Effect()->LastValues("noise_amplitude"), "noise_amplitude");
  EXPECT_EQ(FakeEffect::Kind::Float, Effect()->Last("noise_amplitude")->kind);
  ExpectFloats({128.0f / 255.0f, 1.0f, 0.0f}, Effect()->LastValues("base_color"), "base_color");
  ExpectFloats({0.75f}, Effect()->LastValues("treshold"), "treshold");
  EXPECT_EQ(FakeEffect::Kind::Float, Effect()->Last("transluency")->kind);
  ASSERT_EQ(3u, layer.draws.size());
  const DS_GridMesh& mesh = BrushOf<DS_WaterfallFX>(object).RegionMesh();
  for (const RecordedDraw& draw : layer.draws) {
    EXPECT_EQ("IndexedPT", draw.kind);
    EXPECT_EQ(static_cast<const void*>(&mesh), draw.geometry);
  }
}

struct WaterfallPassCase {
  const char* what;
  unsigned waves;
  unsigned noise;
  int hidden;
  size_t draws;
};

void PrintTo(const WaterfallPassCase& c, std::ostream* os) { *os << c.what; }

class WaterfallPassTest : public DirectionEffectTest, public ::testing::WithParamInterface<WaterfallPassCase> {};

TEST_P(WaterfallPassTest, PassesDrawnFollowTheBandsTheNoiseAndHidden) {
  const WaterfallPassCase& c = GetParam();
  DS_WaterfallFX brush;
  brush.waveCount.SetValue(c.waves);
  brush.noiseAmplitude.SetValue(c.noise);
  brush.hidden.SetValue(c.hidden);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  object->Update(0.1f);
  RecordingLayer layer(640, 480);
  object->Render(&layer);
  EXPECT_EQ(c.draws, layer.draws.size()) << c.what;
  // Mask and background are set whatever is drawn.
  EXPECT_NE(nullptr, Effect()->Last("Mask")) << c.what;
  EXPECT_NE(nullptr, Effect()->Last("Background")) << c.what;
  EXPECT_EQ(c.noise > 0 && !c.hidden, Effect()->CountEvents("SetTechnique Noise") == 1) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, WaterfallPassTest,
                         ::testing::Values(WaterfallPassCase{"nothing to draw", 0u, 0u, 0, 0},
                                           WaterfallPassCase{"noise only", 0u, 1u, 0, 1},
                                           WaterfallPassCase{"bands only", 3u, 0u, 0, 3},
                                           WaterfallPassCase{"both", 3u, 5u, 0, 4},
                                           WaterfallPassCase{"hidden", 3u, 5u, 1, 0},
                                           WaterfallPassCase{"hidden by a negative value", 3u, 5u, -4, 0}));

TEST_F(DirectionEffectTest, HugeBandCountFromADocumentIsBounded) {
  DS_WaterfallFX brush;
  brush.waveCount.SetValue(0xFFFFFFFFu);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  DS_WaterfallFX& clone = BrushOf<DS_WaterfallFX>(object);
  EXPECT_EQ(size_t(DS_WaterfallFX::kMaxWaves), clone.GetWaves().size());
  object->Update(0.2f);
  for (const DS_WaterfallFX::Wave& wave : clone.GetWaves()) {
    ASSERT_TRUE(std::isfinite(wave.x) && std::isfinite(wave.alpha));
  }
}

TEST_F(DirectionEffectTest, NoiseImageWithoutFramesLeavesTheNoiseMapEmpty) {
  DS_WaterfallFX brush;
  brush.noiseAmplitude.SetValue(5u);
  brush.noiseImage.StoreKey(DS_FileKey(L"C:\\fx\\absent.png", 3));
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  EXPECT_EQ(nullptr, BrushOf<DS_WaterfallFX>(object).GetNoiseTexture());
  RecordingLayer layer(640, 480);
  object->Render(&layer);
  ASSERT_NE(nullptr, Effect()->Last("NoiseMap"));
  EXPECT_EQ(nullptr, Effect()->Last("NoiseMap")->texture);
  EXPECT_EQ(1u, layer.draws.size());
}

TEST_F(DirectionEffectTest, ZeroScaleKeepsTheNoiseShiftFinite) {
  DS_WaterfallFX brush;
  brush.scale.SetValue(0u);
  brush.speed.SetValue(50u);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  DS_WaterfallFX& clone = BrushOf<DS_WaterfallFX>(object);
  object->Update(0.2f);
  EXPECT_TRUE(std::isfinite(clone.GetNoiseShift()[0]));
  EXPECT_TRUE(std::isfinite(clone.GetNoiseShift()[1]));
}

TEST_F(DirectionEffectTest, ObjectsShareTheNoisePictureUntilTheLastGoes) {
  GiveSet(kNoiseKey, 1);
  DS_WaterfallFX brush;
  brush.noiseImage.StoreKey(kNoiseKey);
  const ULONG before = textures[0].refs;
  {
    std::unique_ptr<DS_ABObj> first = MakeObject(brush);
    std::unique_ptr<DS_ABObj> second = MakeObject(brush);
    EXPECT_EQ(before + 2, textures[0].refs);
  }
  EXPECT_EQ(before, textures[0].refs);
  manager->Tables().textureSets.erase(kNoiseKey);
}

// ---- cloud ----

TEST_F(DirectionEffectTest, CloudSetsEveryParameterThenDrawsItsRegion) {
  GiveSet(kCloudKey, 2, 1);
  DS_CloudFX brush;
  FillCloud(brush);
  brush.fxMode.SetValue(0);
  brush.angle.SetValue(0u);
  brush.speed.SetValue(1000u);  // 1.0
  brush.scale.SetValue(50u);    // 0.4
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  AdvanceTo(*object, 0.5f);
  Effect()->ClearRecord();
  RecordingLayer layer(1000, 500);
  object->Render(&layer);
  const std::vector<std::string> expected = {
      "Set Mask",         "Set Background",    "Set Scale",         "Set Threshold", "Set Density",
      "Set ColorK1",      "Set ColorK2",       "Set Velocity",      "Set mask_tex_shift",
      "Set PX_Transform", "Set PY_TransformH", "Set PY_TransformZ", "Set tex_shift", "SetTechnique Main",
      "Begin 0",          "BeginPass 0",       "EndPass",           "End"};
  EXPECT_EQ(expected, Effect()->Events());
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(&textures[1]), Effect()->Last("Background")->texture)
      << "the frame current when the brush was prepared";
  ExpectFloats({2.0f / 0.4f, 2.5f}, Effect()->LastValues("Scale"), "Scale");
  ExpectFloats({1.2f}, Effect()->LastValues("Threshold"), "Threshold");
  ExpectFloats({0.5f}, Effect()->LastValues("Density"), "Density");
  ExpectFloats({1.0f, 0.0f, 0.0f}, Effect()->LastValues("ColorK1"), "ColorK1");
  ExpectFloats({0.0f, 0.0f, 1.0f}, Effect()->LastValues("ColorK2"), "ColorK2");
  ExpectFloats({-0.5f, 0.0f}, Effect()->LastValues("Velocity"), "Velocity", 1e-5f);
  ExpectFloats({0.5f}, Effect()->LastValues("PX_Transform"), "PX_Transform");
  ExpectFloats({1.5f}, Effect()->LastValues("PY_TransformH"), "PY_TransformH");
  ExpectFloats({1.0f}, Effect()->LastValues("PY_TransformZ"), "PY_TransformZ");
  ExpectFloats({1.0f, -1.0f, -0.3f, 1.0f}, Effect()->LastValues("tex_shift"), "tex_shift");
  ASSERT_EQ(1u, layer.draws.size());
  EXPECT_EQ("IndexedPT", layer.draws[0].kind);
  EXPECT_EQ(static_cast<const void*>(&BrushOf<DS_CloudFX>(object).RegionMesh()), layer.draws[0].geometry);
}

TEST_F(DirectionEffectTest, CloudTransformDefaultsAndFXModeDrawing) {
  DS_CloudFX brush;
  brush.fxMode.SetValue(1);
  brush.angle.SetValue(90u);
  brush.speed.SetValue(1000u);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  AdvanceTo(*object, 0.4f);
  RecordingLayer layer(640, 480);
  object->Render(&layer);
  ExpectFloats({0.0f}, Effect()->LastValues("PX_Transform"), "PX_Transform");
  ExpectFloats({1.0f}, Effect()->LastValues("PY_TransformH"), "PY_TransformH");
  ExpectFloats({0.0f}, Effect()->LastValues("PY_TransformZ"), "PY_TransformZ");
  ExpectFloats({1.0f, 1.0f, 0.0f, 0.0f}, Effect()->LastValues("tex_shift"), "tex_shift");
  ExpectFloats({0.0f, 0.4f}, Effect()->LastValues("Velocity"), "Velocity", 1e-5f);
  EXPECT_EQ("MainFX", Effect()->CurrentTechnique());
  ASSERT_EQ(1u, layer.draws.size());
  EXPECT_EQ(static_cast<const void*>(&layer.GetLayerQuad()), layer.draws[0].geometry);
  // No cloud picture: no frame to bind.
  ASSERT_NE(nullptr, Effect()->Last("Background"));
  EXPECT_EQ(nullptr, Effect()->Last("Background")->texture);
}

TEST_F(DirectionEffectTest, CloudFrameIndexBeyondItsFramesBindsNoPicture) {
  GiveSet(kCloudKey, 1, 5);
  DS_CloudFX brush;
  brush.cloudImage.StoreKey(kCloudKey);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  EXPECT_EQ(1u, BrushOf<DS_CloudFX>(object).GetCloudFrames().frames.size());
  RecordingLayer layer(640, 480);
  object->Render(&layer);
  EXPECT_EQ(nullptr, Effect()->Last("Background")->texture);
  EXPECT_EQ(1u, layer.draws.size());
  manager->Tables().textureSets.erase(kCloudKey);
}

class CloudMaskShiftTest : public DirectionEffectTest {
protected:
  ds_test::SceneSize sceneSize;
};

TEST_F(CloudMaskShiftTest, MaskShiftMapsTheRegionToThePicture) {
  g_SceneWidth = 1000;
  g_SceneHeight = 500;
  DS_CloudFX brush;
  const D3DXVECTOR3 corners[4] = {{100, 450, 0}, {100, 50, 0}, {900, 450, 0}, {900, 50, 0}};
  for (int k = 0; k < 4; ++k) brush.region.Corner(k).StoreValue(corners[k]);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  RecordingLayer layer(1000, 500);
  object->Render(&layer);
  ExpectFloats({0.8f, 0.1f, -0.8f, 0.9f}, Effect()->LastValues("mask_tex_shift"), "mask_tex_shift");

  g_SceneWidth = 0;
  g_SceneHeight = 0;
  BrushOf<DS_CloudFX>(object).BuildMesh();
  const float* shift = BrushOf<DS_CloudFX>(object).GetMaskShift();
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(std::isfinite(shift[i])) << "before any layer was sized, value " << i;
}

}  // namespace
