#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "document/ResourceBuffer.h"
#include "document/ScaledParams.h"
#include "document/StreamWriter.h"

namespace {

struct ScaledFloatCase {
  unsigned int stored;
  float scale;
  float offset;
  float expected;
};

class ScaledFloat : public ::testing::TestWithParam<ScaledFloatCase> {};

TEST_P(ScaledFloat, ResultIsOffsetPlusScaleTimesValue) {
  const ScaledFloatCase& c = GetParam();
  UINTSclaleTo<float> param;
  param.SetScale(c.scale, c.offset);
  param.SetValue(c.stored);
  EXPECT_FLOAT_EQ(c.expected, param.GetResult())
      << "stored " << c.stored << " scale " << c.scale << " offset " << c.offset;
}

INSTANTIATE_TEST_SUITE_P(Table, ScaledFloat,
                         ::testing::Values(ScaledFloatCase{0u, 1.0f, 0.0f, 0.0f},
                                           ScaledFloatCase{50u, 0.02f, 0.0f, 1.0f},
                                           ScaledFloatCase{31u, 0.008f, 0.0f, 0.248f},
                                           ScaledFloatCase{0u, -0.01f, 1.0f, 1.0f},
                                           ScaledFloatCase{50u, -0.01f, 1.0f, 0.5f},
                                           ScaledFloatCase{10u, 0.04f, 1.0f, 1.4f},
                                           ScaledFloatCase{0xFFFFFFFFu, 1.0f, 0.0f, 4294967296.0f}));

TEST(ScaledFloat, LargestStoredValueStaysPositive) {
  UINTSclaleTo<float> param;
  param.SetValue(0xFFFFFFFFu);
  EXPECT_EQ(4294967296.0f, param.GetResult());
}

TEST(ScaledFloat, DefaultIsZeroWithUnitScale) {
  UINTSclaleTo<float> param;
  EXPECT_EQ(0u, param.GetValue());
  EXPECT_EQ(1.0f, param.GetScale());
  EXPECT_EQ(0.0f, param.GetOffset());
  EXPECT_EQ(0.0f, param.GetResult());
  // Undo control first, then the parameter's own recomputing control.
  EXPECT_EQ(2u, param.ControlCount());
}

TEST(ScaledFloat, StoredValueFollowsOnlyAfterNotification) {
  UINTSclaleTo<float> param(0u, 0.5f, 0.0f);
  param.StoreValue(10u);
  EXPECT_EQ(0.0f, param.GetResult()) << "StoreValue is the reader's raw store";
  param.NotifyControls(nullptr);
  EXPECT_EQ(5.0f, param.GetResult());
}

TEST(ScaledFloat, CopyKeepsScaleAndRecomputes) {
  UINTSclaleTo<float> source(40u, 0.25f, 1.0f);
  UINTSclaleTo<float> copy(source);
  EXPECT_EQ(0.25f, copy.GetScale());
  EXPECT_EQ(1.0f, copy.GetOffset());
  EXPECT_EQ(11.0f, copy.GetResult());
  EXPECT_EQ(2u, copy.ControlCount());
  copy.SetValue(0u);
  EXPECT_EQ(1.0f, copy.GetResult());
  EXPECT_EQ(11.0f, source.GetResult()) << "the copy must recompute its own result only";

  UINTSclaleTo<float> assigned;
  assigned = source;
  EXPECT_EQ(11.0f, assigned.GetResult());
  EXPECT_EQ(2u, assigned.ControlCount());
}

TEST(ScaledFloat, OwnerScaleRecomputesAtOnce) {
  MediaSpeedParam speed(50u, 1.0f, 0.0f);
  speed.SetScale(0.02f, 0.0f);
  EXPECT_FLOAT_EQ(1.0f, speed.GetResult());
}

TEST(ScaledFloat, DestroyedBeforeItsObserver) {
  // The parameter observes itself; a second observer outlives it without harm.
  class Observer : public MediaControlT<MediaParamT<unsigned int>> {};
  Observer observer;
  {
    UINTSclaleTo<float> param;
    observer.Observe(&param);
  }
  EXPECT_EQ(nullptr, observer.ObservedParam());
}

struct OpacityCase {
  unsigned int transparency;
  int expectedAlpha;
};

class OpacityByte : public ::testing::TestWithParam<OpacityCase> {};

TEST_P(OpacityByte, TransparencyPercentGivesAlpha) {
  const OpacityCase& c = GetParam();
  UINTSclaleTo<unsigned char> opacity(0u, -2.55f, 255.0f);
  opacity.SetValue(c.transparency);
  EXPECT_EQ(c.expectedAlpha, static_cast<int>(opacity.GetResult())) << "transparency " << c.transparency;
}

// Transparencies beyond 100 clamp to no opacity instead of wrapping to a high byte.
INSTANTIATE_TEST_SUITE_P(Table, OpacityByte,
                         ::testing::Values(OpacityCase{0u, 255}, OpacityCase{1u, 252}, OpacityCase{50u, 127},
                                           OpacityCase{99u, 2}, OpacityCase{100u, 0}, OpacityCase{101u, 0},
                                           OpacityCase{200u, 0}, OpacityCase{0xFFFFFFFFu, 0}));

TEST(OpacityByte, ResultAboveByteRangeClampsTo255) {
  UINTSclaleTo<unsigned char> param(300u, 1.0f, 0.0f);
  EXPECT_EQ(255, param.GetResult());
  param.SetValue(255u);
  EXPECT_EQ(255, param.GetResult());
  param.SetValue(254u);
  EXPECT_EQ(254, param.GetResult());
}

struct TimeCase {
  unsigned int hundredths;
  float seconds;
};

class TimeParamSeconds : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeParamSeconds, HundredthsBecomeSeconds) {
  TimeParam time;
  time.SetValue(GetParam().hundredths);
  EXPECT_FLOAT_EQ(GetParam().seconds, time.GetResult()) << "stored " << GetParam().hundredths;
}

INSTANTIATE_TEST_SUITE_P(Table, TimeParamSeconds,
                         ::testing::Values(TimeCase{0u, 0.0f}, TimeCase{1u, 0.01f}, TimeCase{150u, 1.5f},
                                           TimeCase{6000u, 60.0f}));

TEST(TimeParamSeconds, DefaultIsZeroAtHundredthScale) {
  TimeParam time;
  EXPECT_EQ(0.0f, time.GetResult());
  EXPECT_FLOAT_EQ(0.01f, time.GetScale());
  TimeParam copy(TimeParam(150u));
  EXPECT_FLOAT_EQ(1.5f, copy.GetSeconds());
}

TEST(MediaFloatParam, OwnerAssignsThePlainNumber) {
  MediaFloat<unsigned int> number;
  number.SetValue(12u);
  EXPECT_EQ(12.0f, number.GetResult());
  MediaFloat<> copy(number);
  EXPECT_EQ(12.0f, copy.GetResult());
}

// --- the speed clock ---

struct AdvanceStep {
  float t;
  float expectedAccumulated;
  float expectedStep;
};

TEST(MediaSpeedClock, StepsAreClampedAndBackwardTimeRestarts) {
  MediaSpeedParam speed(50u, 0.02f, 0.0f);  // speed 1.0
  const std::vector<AdvanceStep> steps = {
      {0.1f, 0.1f, 0.1f},   // ordinary step
      {1.0f, 0.3f, 0.2f},   // a long pause counts as 0.2 s
      {10.0f, 0.5f, 0.2f},  // t = 10 after t = 1 adds only 0.2
      {10.1f, 0.6f, 0.1f},
      {5.0f, 0.6f, 0.0f},   // time went back: nothing added, restart from 5
      {5.05f, 0.65f, 0.05f},
  };
  for (const AdvanceStep& s : steps) {
    speed.Advance(s.t);
    EXPECT_NEAR(s.expectedStep, speed.GetStep(), 1e-5f) << "at t = " << s.t;
    EXPECT_NEAR(s.expectedAccumulated, speed.GetAccumulatedTime(), 1e-5f) << "at t = " << s.t;
    EXPECT_EQ(s.t, speed.GetLastTime());
  }
}

TEST(MediaSpeedClock, SpeedMultipliesTheClampedStep) {
  MediaSpeedParam speed(100u, 0.03f, 0.0f);  // speed 3.0
  speed.Advance(1.0f);
  EXPECT_NEAR(0.6f, speed.GetStep(), 1e-6f) << "0.2 s at most, times the speed";
  speed.SetValue(0u);
  speed.Advance(1.1f);
  EXPECT_EQ(0.0f, speed.GetStep());
  EXPECT_NEAR(0.6f, speed.GetAccumulatedTime(), 1e-6f);
}

TEST(MediaSpeedClock, StartsAtZero) {
  MediaSpeedParam speed;
  EXPECT_EQ(0.0f, speed.GetStep());
  EXPECT_EQ(0.0f, speed.GetAccumulatedTime());
  EXPECT_EQ(0.0f, speed.GetLastTime());
}

// --- record fields ---

TEST(ScaledField, RoundTripNotifiesAndRecomputes) {
  TimeParam written(250u);
  MediaSpeedParam speedWritten(70u, 0.02f, 0.0f);
  DS_IOF_W w;
  written.WriteField(w);
  speedWritten.WriteField(w);
  ASSERT_EQ(8u, w.Bytes().size());

  ResourceBuffer buffer(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  TimeParam time;
  MediaSpeedParam speed(0u, 0.02f, 0.0f);
  time.ReadField(r);
  speed.ReadField(r);
  EXPECT_FALSE(r.Failed());
  EXPECT_EQ(250u, time.GetValue());
  EXPECT_FLOAT_EQ(2.5f, time.GetResult());
  EXPECT_FLOAT_EQ(1.4f, speed.GetResult());
  EXPECT_EQ(250u, time.UndoControl().CachedValue());
}

TEST(ScaledField, TruncatedFieldFailsAndKeepsTheValue) {
  const unsigned char bytes[] = {0x10, 0x00};
  ResourceBuffer buffer(bytes, sizeof(bytes));
  DS_IOF_R<ResourceBuffer> r(&buffer);
  TimeParam time(150u);
  time.ReadField(r);
  EXPECT_TRUE(r.Failed());
  EXPECT_EQ(150u, time.GetValue());
  EXPECT_FLOAT_EQ(1.5f, time.GetResult());
}

}  // namespace
