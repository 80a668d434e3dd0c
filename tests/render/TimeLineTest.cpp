// Time lines: ranges, windows, the appearance cycle and the local clock.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "render/TimeLine.h"
#include "ModelTestSupport.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

void SetRange(DS_TimeRange& range, unsigned int lo, unsigned int hi, bool random) {
  range.lo.SetValue(lo);
  range.hi.SetValue(hi);
  range.random = random;
}

TEST(TimeRange, FixedLengths) {
  struct Case {
    unsigned int lo, hi;
    bool random;
    float expected;
  };
  const Case cases[] = {
      {250, 250, true, 2.5f},
      {250, 300, false, 2.5f},
      {300, 100, true, 3.0f},          // hi below lo answers lo instead of dividing by zero
      {1, 0, true, 0.01f},             // hi = lo - 1: the span would be 0
      {0xFFFFFFFFu, 0, true, 42949672.95f},
  };
  for (const Case& c : cases) {
    DS_TimeRange range;
    SetRange(range, c.lo, c.hi, c.random);
    EXPECT_FLOAT_EQ(c.expected, range.Pick()) << "lo " << c.lo << " hi " << c.hi << " random " << c.random;
  }
}

TEST(TimeRange, RandomPicksAreWholeHundredthsWithinTheRange) {
  DS_TimeRange range;
  SetRange(range, 100, 300, true);
  srand(11);
  for (int i = 0; i < 300; ++i) {
    const float picked = range.Pick();
    EXPECT_GE(picked, 1.0f);
    EXPECT_LE(picked, 3.0f);
    const float hundredths = picked * 100.0f;
    EXPECT_NEAR(std::round(hundredths), hundredths, 1e-3f) << picked;
  }
}

TEST(TimeRange, FullUnsignedRangeDoesNotDivideByZero) {
  DS_TimeRange range;
  SetRange(range, 0, 0xFFFFFFFFu, true);
  for (int i = 0; i < 20; ++i) {
    const float picked = range.Pick();
    EXPECT_GE(picked, 0.0f);
    EXPECT_LE(picked, 42949672.95f);
  }
}

class WindowTimeLine : public ::testing::Test {
protected:
  void SetUp() override { tl.mode.SetValue(DS_TimeLineControl::kWindows); }
  DS_TimeLineControl tl;
};

TEST_F(WindowTimeLine, EnvelopeAndPhaseOfOneWindow) {
  ASSERT_TRUE(tl.AddWindow({2.0f, 10.0f, 3.0f, 8.0f}));
  struct Case {
    float t, alpha;
    int phase;
  };
  const Case cases[] = {
      {2.5f, 0.5f, kPhaseFadingIn}, {5.0f, 1.0f, kPhaseVisible}, {9.0f, 0.5f, kPhaseFadingOut},
      {11.0f, 0.0f, kPhaseInvisible}, {0.0f, 0.0f, kPhaseInvisible},  // found ahead, not yet begun
  };
  for (const Case& c : cases) {
    tl.SetWrappedTime(c.t);
    EXPECT_FLOAT_EQ(c.alpha, tl.GetAlpha()) << "at " << c.t;
    EXPECT_EQ(c.phase, tl.GetPhase()) << "at " << c.t;
  }
}

TEST_F(WindowTimeLine, CycleLengthOfTheWindowFoundUpToThreeSecondsAhead) {
  tl.AddWindow({2.0f, 10.0f, 3.0f, 8.0f});
  tl.SetWrappedTime(-0.5f);  // starts 2.5 s later: found
  EXPECT_FLOAT_EQ(8.0f, tl.GetCycleLength());
  tl.SetWrappedTime(-1.5f);  // starts 3.5 s later: not found, the fades and shown lo
  EXPECT_FLOAT_EQ(0.5f + 0.5f + 1.0f, tl.GetCycleLength());
}

TEST_F(WindowTimeLine, EmptySetIsInvisible) {
  tl.SetWrappedTime(3.0f);
  EXPECT_FLOAT_EQ(0.0f, tl.GetAlpha());
  EXPECT_EQ(kPhaseInvisible, tl.GetPhase());
}

TEST_F(WindowTimeLine, TouchingWindowKeepsTheFirst) {
  EXPECT_TRUE(tl.AddWindow({0.0f, 5.0f, 1.0f, 4.0f}));
  EXPECT_FALSE(tl.AddWindow({5.0f, 9.0f, 6.0f, 8.0f}));
  EXPECT_FALSE(tl.AddWindow({3.0f, 4.0f, 3.0f, 4.0f}));
  ASSERT_EQ(1u, tl.Windows().size());
  EXPECT_FLOAT_EQ(5.0f, tl.Windows().begin()->end);
}

TEST_F(WindowTimeLine, MalformedWindowsAreDroppedAndInnerTimesClamped) {
  const DS_TimeWindow dropped[] = {
      {8.0f, 2.0f, 3.0f, 4.0f},   // ends before it starts
      {kNaN, 10.0f, 3.0f, 8.0f},  {1.0f, kInf, 3.0f, 8.0f},
      {1.0f, 10.0f, kNaN, 8.0f},  {1.0f, 10.0f, 3.0f, -kInf},
  };
  for (const DS_TimeWindow& w : dropped) EXPECT_FALSE(tl.AddWindow(w)) << w.start << " " << w.end;
  EXPECT_TRUE(tl.Windows().empty());

  // Inner times outside the window are pulled into it.
  ASSERT_TRUE(tl.AddWindow({20.0f, 30.0f, 5.0f, 40.0f}));
  const DS_TimeWindow& w = *tl.Windows().begin();
  EXPECT_FLOAT_EQ(20.0f, w.fadeInEnd);
  EXPECT_FLOAT_EQ(30.0f, w.fadeOutStart);
  // The set stays ordered: windows before and after are still found.
  EXPECT_TRUE(tl.AddWindow({40.0f, 50.0f, 41.0f, 49.0f}));
  EXPECT_TRUE(tl.AddWindow({2.0f, 10.0f, 3.0f, 8.0f}));
  for (float t : {5.0f, 25.0f, 45.0f}) {
    tl.SetWrappedTime(t);
    EXPECT_FLOAT_EQ(1.0f, tl.GetAlpha()) << "at " << t;
  }
}

TEST_F(WindowTimeLine, ZeroLengthFadesGiveDefinedOpacity) {
  tl.AddWindow({2.0f, 10.0f, 2.0f, 10.0f});
  tl.AddWindow({20.0f, 20.0f, 20.0f, 20.0f});
  struct Case {
    float t, alpha;
  };
  const Case cases[] = {{2.0f, 1.0f}, {10.0f, 0.0f}, {20.0f, 0.0f}};
  for (const Case& c : cases) {
    tl.SetWrappedTime(c.t);
    const float alpha = tl.GetAlpha();
    EXPECT_FALSE(std::isnan(alpha)) << "at " << c.t;
    EXPECT_FLOAT_EQ(c.alpha, alpha) << "at " << c.t;
  }
}

TEST_F(WindowTimeLine, UndefinedWrappedTimeIsInvisible) {
  tl.AddWindow({2.0f, 10.0f, 3.0f, 8.0f});
  tl.SetWrappedTime(kNaN);  // a slide of length 0 wraps to NaN
  EXPECT_FLOAT_EQ(0.0f, tl.GetAlpha());
  EXPECT_EQ(kPhaseInvisible, tl.GetPhase());
}

TEST(TimeLine, AlwaysVisibleIgnoresWindowsAndStates) {
  DS_TimeLineControl tl;
  tl.AddWindow({2.0f, 10.0f, 3.0f, 8.0f});
  tl.SetWrappedTime(11.0f);
  tl.AdvanceLocalTime(4.0f);
  EXPECT_FLOAT_EQ(1.0f, tl.GetAlpha());
  EXPECT_EQ(kPhaseVisible, tl.GetPhase());
}

TEST(TimeLine, CycleStartsFadingInAtItsFirstUpdate) {
  DS_TimeLineControl tl;
  tl.mode.SetValue(DS_TimeLineControl::kCycle);
  SetRange(tl.shown, 200, 200, false);
  SetRange(tl.hidden, 100, 100, false);

  struct Step {
    float t;
    int phase;
    float alpha;
  };
  const Step steps[] = {
      {7.0f, kPhaseFadingIn, 0.0f},    {7.25f, kPhaseFadingIn, 0.5f},  {7.5f, kPhaseFadingIn, 1.0f},
      {7.6f, kPhaseVisible, 1.0f},     {9.5f, kPhaseVisible, 1.0f},    {9.7f, kPhaseFadingOut, 1.0f},
      {9.95f, kPhaseFadingOut, 0.5f},  {10.3f, kPhaseInvisible, 0.0f}, {11.3f, kPhaseInvisible, 0.0f},
      {11.4f, kPhaseFadingIn, 0.0f},
  };
  for (const Step& s : steps) {
    tl.AdvanceLocalTime(s.t);
    EXPECT_EQ(s.phase, tl.GetPhase()) << "at " << s.t;
    EXPECT_NEAR(s.alpha, tl.GetAlpha(), 1e-5f) << "at " << s.t;
  }
}

TEST(TimeLine, FirstFadeInSpansItsLength) {
  DS_TimeLineControl tl;
  tl.mode.SetValue(DS_TimeLineControl::kCycle);
  tl.AdvanceLocalTime(7.0f);
  const DS_AnimationStateMachine& m = tl.Machine();
  ASSERT_EQ(DS_AnimationStateMachine::kFadeIn, m.CurrentIndex());
  const AnimationState_FadeIn& fade = static_cast<const AnimationState_FadeIn&>(m.Current());
  EXPECT_FLOAT_EQ(7.0f, fade.startTime);
  EXPECT_FLOAT_EQ(7.5f, fade.endTime);
}

TEST(TimeLine, ZeroLengthStateFadesGiveDefinedOpacity) {
  DS_TimeLineControl tl;
  tl.mode.SetValue(DS_TimeLineControl::kCycle);
  tl.fadeIn.SetValue(0);
  tl.fadeOut.SetValue(0);
  SetRange(tl.shown, 100, 100, false);
  tl.AdvanceLocalTime(3.0f);
  ASSERT_EQ(kPhaseFadingIn, tl.GetPhase());
  EXPECT_FLOAT_EQ(1.0f, tl.GetAlpha());
  tl.AdvanceLocalTime(3.1f);  // visible until 4.1
  tl.AdvanceLocalTime(4.2f);
  ASSERT_EQ(kPhaseFadingOut, tl.GetPhase());
  EXPECT_FLOAT_EQ(0.0f, tl.GetAlpha());
}

TEST(TimeLine, FollowingTheOpacityStopsTheClockWhileInvisible) {
  DS_TimeLineControl tl;
  tl.mode.SetValue(DS_TimeLineControl::kCycle);
  tl.timeMode.SetValue(DS_TimeLineControl::kTimeModeFollowOpacity);
  SetRange(tl.shown, 100, 100, false);
  SetRange(tl.hidden, 100, 100, false);
  struct Step {
    float t, local;
  };
  const Step steps[] = {
      {1.0f, 0.0f},  // enters the fade-in: opacity 0
      {1.6f, 0.6f},  // visible
      {2.7f, 1.7f},  // fading out, entered at 2.7: opacity 1
      {3.3f, 1.7f},  // invisible
      {4.0f, 1.7f},
  };
  for (const Step& s : steps) EXPECT_NEAR(s.local, tl.AdvanceLocalTime(s.t), 1e-5f) << "at " << s.t;
}

TEST(TimeLine, LocalClockFollowsTheSceneClockOtherwise) {
  DS_TimeLineControl tl;
  EXPECT_FLOAT_EQ(120.0f, tl.AdvanceLocalTime(120.0f)) << "the first step adds the whole scene time";
  EXPECT_FLOAT_EQ(121.0f, tl.AdvanceLocalTime(121.0f));
  EXPECT_FLOAT_EQ(120.5f, tl.AdvanceLocalTime(120.5f)) << "a clock going back adds its negative step";
  tl.timeMode.SetValue(DS_TimeLineControl::kTimeModeFollowOpacity);
  EXPECT_FLOAT_EQ(121.5f, tl.AdvanceLocalTime(121.5f)) << "always visible runs at full speed";
}

TEST(TimeLine, CopyStartsItsCycleAfresh) {
  DS_TimeLineControl tl;
  tl.mode.SetValue(DS_TimeLineControl::kCycle);
  tl.timeMode.SetValue(2);
  SetRange(tl.shown, 150, 250, false);
  SetRange(tl.hidden, 10, 20, true);
  tl.fadeIn.SetValue(30);
  tl.fadeOut.SetValue(40);
  tl.AddWindow({1.0f, 2.0f, 1.5f, 1.5f});
  tl.SetWrappedTime(9.0f);
  tl.AdvanceLocalTime(5.0f);

  DS_TimeLineControl copy(tl);
  EXPECT_EQ(tl.mode.GetValue(), copy.mode.GetValue());
  EXPECT_EQ(2, copy.timeMode.GetValue());
  EXPECT_EQ(150u, copy.shown.lo.GetValue());
  EXPECT_EQ(250u, copy.shown.hi.GetValue());
  EXPECT_FALSE(copy.shown.random);
  EXPECT_TRUE(copy.hidden.random);
  EXPECT_FLOAT_EQ(0.3f, copy.FadeInSeconds());
  EXPECT_FLOAT_EQ(0.4f, copy.FadeOutSeconds());
  EXPECT_EQ(1u, copy.Windows().size());
  EXPECT_FLOAT_EQ(0.0f, copy.GetWrappedTime());
  EXPECT_EQ(DS_AnimationStateMachine::kInvisible, copy.Machine().CurrentIndex());
  EXPECT_FLOAT_EQ(0.0f, copy.Machine().machineTime);
  EXPECT_FLOAT_EQ(0.0f, copy.Machine().localTime);
}

TEST(TimeLine, OpacityIsAlwaysWithinZeroAndOne) {
  const float inputs[] = {kNaN, -0.5f, 0.0f, 0.25f, 1.0f, 7.0f, kInf, -kInf};
  const float expected[] = {0.0f, 0.0f, 0.0f, 0.25f, 1.0f, 1.0f, 1.0f, 0.0f};
  for (size_t i = 0; i < sizeof(inputs) / sizeof(inputs[0]); ++i)
    EXPECT_FLOAT_EQ(expected[i], ClampOpacity(inputs[i])) << "input " << inputs[i];
}

TEST(TimeLine, RecordWithHostileWindowsReadsTheGoodOnes) {
  DS_IOF_W w;
  const int fields[] = {DS_TimeLineControl::kWindows, 0, 100, 100, 100, 100, 50, 50};
  for (int f : fields) w.WriteInt(f);
  w.WriteInt(4);
  const float windows[4][4] = {
      {0.0f, 5.0f, 1.0f, 4.0f}, {9.0f, 6.0f, 7.0f, 8.0f}, {kNaN, 1.0f, 1.0f, 1.0f}, {6.0f, 9.0f, 7.0f, 8.0f}};
  for (const auto& window : windows)
    for (float v : window) w.WriteFloat(v);
  ModelReading r(w.Bytes());
  DS_TimeLineControl tl;
  tl.Read(r.handle, 1);
  EXPECT_FALSE(r.handle->Failed());
  EXPECT_EQ(0u, r.buffer.BytesLeft());
  ASSERT_EQ(2u, tl.Windows().size());
  EXPECT_FLOAT_EQ(0.0f, tl.Windows().begin()->start);
  EXPECT_FLOAT_EQ(6.0f, std::next(tl.Windows().begin())->start);
}

}  // namespace
