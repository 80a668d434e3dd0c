// The pattern and background-copy brushes: their records under all three class names,
// the pattern's placement, frames and tint, and the copy offset.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <typeinfo>
#include <vector>

#include "BrushTestSupport.h"
#include "tests/document/FakeTexture.h"
#include "objects/brushes/BackgroundCopy.h"
#include "objects/brushes/PatternBrush.h"
#include "render/TimeLine.h"

using namespace brushes_test;

namespace {

const DS_FileKey kPatternKey(L"C:\\patterns\\tiles.png", 31);
const GUID kMaskGuid = {0x600DF00D, 9, 8, {7, 6, 5, 4, 3, 2, 1, 0}};

void ExpectFloats(const std::vector<float>& expected, const std::vector<float>& got, const std::string& what) {
  ASSERT_EQ(expected.size(), got.size()) << what;
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(expected[i], got[i], 1e-4f) << what << ", value " << i;
}

void FillPattern(DS_PatternBrush& brush) {
  brush.SetName(L"tiles");
  brush.SetMaskKey(kMaskGuid, L"mask", 1);
  brush.patternImage.StoreKey(kPatternKey);
  brush.verticalFlip.SetValue(1);
  brush.horizontalFlip.SetValue(-2);
  brush.angle.SetValue(30u);
  brush.zoom.SetValue(250u);
  brush.offsetX.SetValue(40u);
  brush.offsetY.SetValue(15u);
  brush.scale.SetValue(75u);
}

void ExpectPatternFields(const DS_PatternBrush& read) {
  EXPECT_EQ(L"tiles", read.GetName());
  EXPECT_TRUE(read.patternImage.GetKey() == kPatternKey);
  EXPECT_EQ(1, read.verticalFlip.GetValue());
  EXPECT_EQ(-2, read.horizontalFlip.GetValue());
  EXPECT_EQ(30u, read.angle.GetValue());
  EXPECT_FLOAT_EQ(2.5f, read.zoom.GetResult());
  EXPECT_FLOAT_EQ(-0.4f, read.offsetX.GetResult());
  EXPECT_FLOAT_EQ(0.15f, read.offsetY.GetResult());
  EXPECT_FLOAT_EQ(1.5f, read.scale.GetResult());
  EXPECT_TRUE(read.effectLink.GetKey() == EffectKey(78));
  EXPECT_EQ(1, read.TimeLine().timeMode.GetValue());
}

// ---- defaults and records ----

TEST(PatternBrushRecord, DefaultsOfTheTwoBrushes) {
  DS_PatternBrush pattern;
  EXPECT_FLOAT_EQ(1.0f, pattern.speed.GetSpeed());
  EXPECT_EQ(50u, pattern.speed.GetValue());
  EXPECT_TRUE(pattern.effectLink.GetKey() == EffectKey(78));
  EXPECT_EQ(1, pattern.TimeLine().timeMode.GetValue());
  EXPECT_FLOAT_EQ(1.0f, pattern.zoom.GetResult());
  EXPECT_FLOAT_EQ(0.0f, pattern.offsetX.GetResult());
  EXPECT_FLOAT_EQ(-0.01f, pattern.offsetX.GetScale());
  EXPECT_FLOAT_EQ(0.01f, pattern.offsetY.GetScale());
  EXPECT_TRUE(pattern.patternImage.GetPath().empty());
  EXPECT_FLOAT_EQ(1.0f, pattern.scale.GetResult());

  DS_BackgroundCopy copy;
  EXPECT_TRUE(copy.effectLink.GetKey() == EffectKey(75));
  EXPECT_FLOAT_EQ(0.0f, copy.speed.GetSpeed());
  EXPECT_EQ(0, copy.sourceRect.Extra1().GetValue());
  EXPECT_EQ(0, copy.wrapX.GetValue());
}

TEST(PatternBrushRecord, EachClassReadsBackThroughTheRegistry) {
  DS_PatternBrush pattern;
  FillPattern(pattern);
  DS_PatternBrushC patternC;
  FillPattern(patternC);
  DS_BackgroundCopy copy;
  copy.SetName(L"copy");
  copy.sourceRect.Left().SetValue(-5);
  copy.sourceRect.Bottom().SetValue(300);
  copy.sourceRect.Extra1().SetValue(120);
  copy.sourceRect.Extra2().SetValue(-40);
  copy.wrapY.SetValue(1);
  copy.wrapX.SetValue(0);
  copy.fxMode.SetValue(1);

  const DS_FX_Constructor* written[] = {&pattern, &patternC, &copy};
  for (const DS_FX_Constructor* item : written) {
    size_t left = 1;
    std::unique_ptr<DS_ABObj_Constructor> read = ReadItem(WriteItem(*item), &left);
    ASSERT_NE(nullptr, read) << typeid(*item).name();
    EXPECT_EQ(0u, left) << typeid(*item).name();
    EXPECT_EQ(typeid(*item), typeid(*read));
  }
  std::unique_ptr<DS_ABObj_Constructor> readC = ReadItem(WriteItem(patternC));
  ExpectPatternFields(dynamic_cast<DS_PatternBrush&>(*readC));
  std::unique_ptr<DS_ABObj_Constructor> readPattern = ReadItem(WriteItem(pattern));
  ExpectPatternFields(dynamic_cast<DS_PatternBrush&>(*readPattern));

  std::unique_ptr<DS_ABObj_Constructor> readCopy = ReadItem(WriteItem(copy));
  const DS_BackgroundCopy& c = dynamic_cast<DS_BackgroundCopy&>(*readCopy);
  EXPECT_EQ(L"copy", c.GetName());
  EXPECT_EQ(-5, c.sourceRect.Left().GetValue());
  EXPECT_EQ(300, c.sourceRect.Bottom().GetValue());
  EXPECT_EQ(120, c.sourceRect.Extra1().GetValue());
  EXPECT_EQ(-40, c.sourceRect.Extra2().GetValue());
  EXPECT_EQ(1, c.wrapY.GetValue());
  EXPECT_EQ(0, c.wrapX.GetValue());
  EXPECT_EQ(1, c.fxMode.GetValue());
  EXPECT_TRUE(c.effectLink.GetKey() == EffectKey(75));
}

TEST(PatternBrushRecord, SecondNameRecordIsItsHeaderBeforeAWholePatternRecord) {
  DS_PatternBrush pattern;
  FillPattern(pattern);
  DS_PatternBrushC patternC;
  FillPattern(patternC);
  DS_IOF_W expected;
  WriteLevelHeader(expected, L"DS_PatternBrushC", 1);
  pattern.Write(expected);
  EXPECT_EQ(expected.Bytes(), WriteItem(patternC));
}

TEST(PatternBrushRecord, EveryTruncatedRecordFailsAndReadsNothing) {
  DS_PatternBrushC patternC;
  FillPattern(patternC);
  DS_BackgroundCopy copy;
  copy.sourceRect.Extra1().SetValue(9);
  for (const DS_FX_Constructor* item : {static_cast<const DS_FX_Constructor*>(&patternC),
                                        static_cast<const DS_FX_Constructor*>(&copy)}) {
    ExpectEveryCutRecordFails(*item);
  }
}

TEST(PatternBrushRecord, CloneOfTheSecondNameIsAPlainPatternBrush) {
  DS_PatternBrushC patternC;
  FillPattern(patternC);
  std::unique_ptr<DS_FX_Constructor> clone(patternC.Clone());
  EXPECT_EQ(typeid(DS_PatternBrush), typeid(*clone));
  ExpectPatternFields(static_cast<DS_PatternBrush&>(*clone));
  std::unique_ptr<DS_FX_Constructor> copyClone(DS_BackgroundCopy().Clone());
  EXPECT_EQ(typeid(DS_BackgroundCopy), typeid(*copyClone));
}

// ---- pattern drawing ----

// Pattern brushes whose set the manager already holds: frames of counting textures.
class PatternRenderTest : public BrushManagerTest {
protected:
  void SetUp() override {
    BrushManagerTest::SetUp();
    EmbedEffect(78);
    EmbedEffect(75);
  }

  void GivePattern(int width, int height, size_t frameCount, const std::vector<float>& durations) {
    DS_TextureSet& set = manager->Tables().textureSets[kPatternKey];
    set.frames.clear();
    for (size_t i = 0; i < frameCount; ++i) set.AddFrame(&frames[i], -1.0f);
    set.durations = durations;
    set.width = width;
    set.height = height;
  }

  std::unique_ptr<DS_ABObj> MakeObject(DS_FX_Constructor& brush) {
    return std::unique_ptr<DS_ABObj>(brush.CreateObject());
  }
  static DS_PatternBrush& PatternOf(const std::unique_ptr<DS_ABObj>& object) {
    return static_cast<DS_PatternBrush&>(*static_cast<DS_BrushObj*>(object.get())->GetBrush());
  }

  IDirect3DBaseTexture9* PatternSet(FakeEffect* effect) {
    const FakeEffect::ParamSet* set = effect->Last("Pattern");
    return set ? set->texture : reinterpret_cast<IDirect3DBaseTexture9*>(-1);
  }

  FakeTexture frames[3];
};

struct PlacementCase {
  const char* what;
  unsigned zoom, angle;
  int horizontalFlip, verticalFlip;
  std::vector<float> transform;
};

void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.what; }

class PatternPlacementTest : public PatternRenderTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(PatternPlacementTest, TilesArePlacedByZoomAngleAndMirroring) {
  const PlacementCase& c = GetParam();
  GivePattern(256, 128, 1, {});
  DS_PatternBrush brush;
  brush.patternImage.StoreKey(kPatternKey);
  brush.zoom.SetValue(c.zoom);
  brush.angle.SetValue(c.angle);
  brush.horizontalFlip.SetValue(c.horizontalFlip);
  brush.verticalFlip.SetValue(c.verticalFlip);
  brush.offsetX.SetValue(50u);
  brush.offsetY.SetValue(25u);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  RecordingLayer layer(1024, 768);
  object->Render(&layer);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  ExpectFloats({2.0f, 1.0f}, effect->LastValues("scale"), c.what);
  ExpectFloats({-0.5f, 0.25f}, effect->LastValues("offset"), c.what);
  ExpectFloats(c.transform, effect->LastValues("coord_transf"), c.what);
  ExpectFloats({1.0f, 1.0f, 1.0f, 1.0f}, effect->LastValues("mix_color"), c.what);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(&frames[0]), PatternSet(effect));
  ASSERT_EQ(1u, layer.draws.size());
  EXPECT_EQ(static_cast<const void*>(&layer.GetLayerQuad()), layer.draws[0].geometry);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PatternPlacementTest,
    ::testing::Values(PlacementCase{"defaults", 100u, 0u, 0, 0, {4.0f, 0.0f, 0.0f, 6.0f}},
                      PlacementCase{"mirrored horizontally", 100u, 0u, 1, 0, {-4.0f, 0.0f, 0.0f, 6.0f}},
                      PlacementCase{"mirrored vertically", 100u, 0u, 0, 3, {4.0f, 0.0f, 0.0f, -6.0f}},
                      PlacementCase{"zoom 2", 200u, 0u, 0, 0, {2.0f, 0.0f, 0.0f, 3.0f}},
                      PlacementCase{"quarter turn", 100u, 90u, 0, 0, {0.0f, 4.0f, -6.0f, 0.0f}},
                      PlacementCase{"zoom 0 keeps the pattern's size", 0u, 0u, 0, 0, {4.0f, 0.0f, 0.0f, 6.0f}}));

TEST_F(PatternRenderTest, ParametersAreSetBeforeTheCommonTailDraws) {
  GivePattern(256, 128, 1, {});
  DS_PatternBrush brush;
  brush.patternImage.StoreKey(kPatternKey);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  FakeEffect* effect = factory.LastEffect();
  effect->ClearRecord();
  RecordingLayer layer(1024, 768);
  object->Render(&layer);
  const std::vector<std::string> expected = {
      "Set mix_color", "Set Pattern", "Set scale",  "Set offset",  "Set coord_transf", "SetTechnique Main",
      "Set Scale",     "Set Mask",    "Set Background", "Begin 0", "BeginPass 0",      "EndPass",
      "End"};
  EXPECT_EQ(expected, effect->Events());
  for (const char* name : {"mix_color", "coord_transf", "scale", "offset"}) {
    EXPECT_EQ(FakeEffect::Kind::FloatArray, effect->Last(name)->kind) << name;
  }
}

TEST_F(PatternRenderTest, EmptyPatternSetsTheTintAndDrawsNothing) {
  DS_PatternBrush brush;
  brush.patternImage.StoreKey(DS_FileKey(L"C:\\patterns\\missing.png", 1));
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  EXPECT_EQ(0u, PatternOf(object).GetFrameCount());
  EXPECT_EQ(0, PatternOf(object).GetPatternWidth());
  FakeEffect* effect = factory.LastEffect();
  effect->ClearRecord();
  RecordingLayer layer(1024, 768);
  object->Render(&layer);
  EXPECT_EQ(std::vector<std::string>{"Set mix_color"}, effect->Events());
  EXPECT_TRUE(layer.draws.empty());
}

TEST_F(PatternRenderTest, PatternWithoutWidthDrawsNothing) {
  GivePattern(0, 128, 1, {});
  DS_PatternBrush brush;
  brush.patternImage.StoreKey(kPatternKey);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  RecordingLayer layer(1024, 768);
  object->Render(&layer);
  EXPECT_TRUE(layer.draws.empty());
  EXPECT_TRUE(factory.LastEffect()->LastValues("coord_transf").empty());
}

TEST_F(PatternRenderTest, InFXModeOnlyAPatternThatIsDrawnNeedsTheScene) {
  const struct {
    const char* what;
    int width;
    size_t frames;
    bool needs;
  } cases[] = {{"a pattern", 256, 1, true}, {"no frames", 256, 0, false}, {"no width", 0, 1, false}};
  for (const auto& c : cases) {
    GivePattern(c.width, 128, c.frames, {});
    DS_PatternBrush brush;
    brush.patternImage.StoreKey(kPatternKey);
    brush.fxMode.SetValue(1);
    std::unique_ptr<DS_ABObj> object = MakeObject(brush);
    ASSERT_NE(nullptr, PatternOf(object).GetEffect()) << c.what;
    EXPECT_EQ(c.needs, object->NeedsSceneInput()) << c.what;
  }
}

TEST_F(PatternRenderTest, FramesStepWhenTheirDurationIsExceeded) {
  GivePattern(64, 64, 2, {0.5f, 0.5f});
  DS_PatternBrush brush;
  brush.patternImage.StoreKey(kPatternKey);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  DS_PatternBrush& clone = PatternOf(object);
  FakeEffect* effect = factory.LastEffect();
  RecordingLayer layer(640, 480);
  struct Step {
    float t;
    unsigned frame;
  };
  // Speed 1.0: the brush time follows the local time in steps of at most 0.2 s.
  const Step steps[] = {{0.2f, 0}, {0.4f, 0}, {0.55f, 1}, {0.75f, 1}, {0.95f, 1}, {1.1f, 0}, {1.3f, 0}};
  for (const Step& step : steps) {
    object->Update(step.t);
    object->Render(&layer);
    EXPECT_EQ(step.frame, clone.GetFrameIndex()) << "at t = " << step.t;
    EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(&frames[step.frame]), PatternSet(effect)) << "at t = " << step.t;
  }
}

TEST_F(PatternRenderTest, ClockGoingBackRestartsTheCurrentFrame) {
  GivePattern(64, 64, 2, {0.5f, 0.5f});
  DS_PatternBrush brush;
  brush.patternImage.StoreKey(kPatternKey);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  DS_PatternBrush& clone = PatternOf(object);
  for (float t : {0.2f, 0.4f, 0.55f}) object->Update(t);  // frame 1 from brush time 0.55
  ASSERT_EQ(1u, clone.GetFrameIndex());
  clone.speed.ResetClock();
  object->Update(0.1f);  // brush time 0.1: the frame starts again here
  for (float t : {0.3f, 0.5f}) {
    object->Update(t);
    EXPECT_EQ(1u, clone.GetFrameIndex()) << "brush time " << clone.GetBrushTime();
  }
  object->Update(0.65f);  // 0.55 s after the restart
  EXPECT_EQ(0u, clone.GetFrameIndex());
}

TEST_F(PatternRenderTest, DurationsOutnumberingFramesGiveNoPatternForTheOthers) {
  GivePattern(64, 64, 1, {0.1f, 0.1f, 0.1f});
  DS_PatternBrush brush;
  brush.patternImage.StoreKey(kPatternKey);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  FakeEffect* effect = factory.LastEffect();
  RecordingLayer layer(640, 480);
  object->Update(0.15f);  // past the first duration: frame 1, which the set lacks
  ASSERT_EQ(1u, PatternOf(object).GetFrameIndex());
  object->Render(&layer);
  EXPECT_EQ(nullptr, PatternSet(effect));
  EXPECT_EQ(1u, layer.draws.size());
}

TEST_F(PatternRenderTest, SetsAreSharedAndReleasedWithTheLastObject) {
  GivePattern(64, 64, 2, {0.5f, 0.5f});
  DS_PatternBrush brush;
  brush.patternImage.StoreKey(kPatternKey);
  const ULONG before = frames[0].refs;
  {
    std::unique_ptr<DS_ABObj> first = MakeObject(brush);
    std::unique_ptr<DS_ABObj> second = MakeObject(brush);
    EXPECT_EQ(before + 2, frames[0].refs);
  }
  EXPECT_EQ(before, frames[0].refs);
  manager->Tables().textureSets.erase(kPatternKey);
}

struct TintCase {
  int mode, timeMode;
  float alpha;
};

void PrintTo(const TintCase& c, std::ostream* os) { *os << "mode " << c.mode << ", time mode " << c.timeMode; }

class PatternTintTest : public PatternRenderTest, public ::testing::WithParamInterface<TintCase> {};

TEST_P(PatternTintTest, TintFollowsTheTimeLineOnlyInTimeModeOne) {
  const TintCase& c = GetParam();
  GivePattern(64, 64, 1, {});
  DS_PatternBrush brush;
  brush.patternImage.StoreKey(kPatternKey);
  brush.TimeLine().mode.SetValue(c.mode);
  brush.TimeLine().timeMode.SetValue(c.timeMode);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  RecordingLayer layer(640, 480);
  object->Render(&layer);  // a cycle starts invisible
  ExpectFloats({1.0f, 1.0f, 1.0f, c.alpha}, factory.LastEffect()->LastValues("mix_color"),
               "mode " + std::to_string(c.mode) + ", time mode " + std::to_string(c.timeMode));
}

INSTANTIATE_TEST_SUITE_P(Cases, PatternTintTest,
                         ::testing::Values(TintCase{0, 1, 1.0f}, TintCase{1, 1, 0.0f}, TintCase{1, 0, 1.0f},
                                           TintCase{1, 2, 1.0f}));

TEST_F(PatternRenderTest, CapitalDllPatternIsReadAsAnAddOnFrameSet) {
  // An add-on set that cannot be loaded leaves no library entry behind, where the
  // single-picture lookup of a module link would have made one.
  DS_PatternBrush brush;
  const DS_FileKey addOn(L"C:\\missing\\Patterns.DLL", 12);
  brush.patternImage.StoreKey(addOn);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  EXPECT_EQ(0u, manager->Tables().fileLibrary.count(addOn));
  EXPECT_EQ(0u, PatternOf(object).GetFrameCount());
}

// ---- background copy ----

struct CopyCase {
  const char* what;
  int offsetX, offsetY;
  int wrapX, wrapY;
  unsigned width, height;
  float x, y;
};

void PrintTo(const CopyCase& c, std::ostream* os) { *os << c.what; }

class BackgroundCopyTest : public PatternRenderTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(BackgroundCopyTest, OffsetIsAFractionOfThePicturePlusTheWraps) {
  const CopyCase& c = GetParam();
  DS_BackgroundCopy brush;
  brush.sourceRect.Extra1().SetValue(c.offsetX);
  brush.sourceRect.Extra2().SetValue(c.offsetY);
  brush.wrapX.SetValue(c.wrapX);
  brush.wrapY.SetValue(c.wrapY);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  effect->ClearRecord();
  RecordingLayer layer(c.width, c.height);
  object->Render(&layer);
  ExpectFloats({c.x, c.y}, effect->LastValues("offset"), c.what);
  ASSERT_GE(effect->Events().size(), 2u);
  EXPECT_EQ("Set offset", effect->Events()[0]);
  EXPECT_EQ("SetTechnique Main", effect->Events()[1]);
  EXPECT_EQ(1u, layer.draws.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, BackgroundCopyTest,
                         ::testing::Values(CopyCase{"plain", 100, 0, 0, 0, 1000, 500, 0.1f, 0.0f},
                                           CopyCase{"wrap x", 100, 0, 1, 0, 1000, 500, 1.1f, 0.0f},
                                           CopyCase{"wrap y", 100, 50, 0, 1, 1000, 500, 0.1f, 1.1f},
                                           CopyCase{"negative offset", -250, -100, 0, 0, 1000, 500, -0.25f, -0.2f},
                                           CopyCase{"picture without size", 100, 50, 1, 1, 0, 0, 1.0f, 1.0f}));

}  // namespace
