#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "FakeTexture.h"
#include "document/TextureSet.h"

namespace {

// --- texture references ---

TEST(TextureRef, AssignHoldsOneReferenceAndTheSize) {
  FakeTexture texture;
  {
    DS_TextureRef ref;
    EXPECT_EQ(1.0f, ref.scale);
    ref.Assign(300, 200, &texture);
    EXPECT_EQ(2u, texture.refs);
    EXPECT_EQ(300, ref.width);
    EXPECT_EQ(200, ref.height);
    EXPECT_NEAR(0.6667f, ref.scale, 1e-4f);

    ref.Assign(300, 150, &texture);  // the same texture: no second reference
    EXPECT_EQ(2u, texture.refs);
    EXPECT_FLOAT_EQ(0.5f, ref.scale);
  }
  EXPECT_EQ(1u, texture.refs);
}

TEST(TextureRef, AssignReplacesTheHeldTexture) {
  FakeTexture first, second;
  DS_TextureRef ref;
  ref.Assign(10, 10, &first);
  ref.Assign(10, 20, &second);
  EXPECT_EQ(1u, first.refs);
  EXPECT_EQ(2u, second.refs);
  EXPECT_EQ(&second, ref.GetTexture());
  ref.Clear();
  EXPECT_EQ(1u, second.refs);
  EXPECT_EQ(nullptr, ref.GetTexture());
  EXPECT_EQ(0, ref.width);
  EXPECT_EQ(1.0f, ref.scale);
}

struct ScaleCase {
  unsigned int width;
  unsigned int height;
  float scale;
};

class PictureScaleTable : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(PictureScaleTable, HeightOverWidthAndNeverInfinite) {
  const ScaleCase& c = GetParam();
  DS_TextureRef ref;
  ref.Assign(c.width, c.height, nullptr);
  EXPECT_TRUE(std::isfinite(ref.scale)) << c.width << " x " << c.height;
  EXPECT_FLOAT_EQ(c.scale, ref.scale) << c.width << " x " << c.height;
}

// A picture of width 0 would otherwise give an infinite (or NaN) scale.
INSTANTIATE_TEST_SUITE_P(Table, PictureScaleTable,
                         ::testing::Values(ScaleCase{300, 200, 200.0f / 300.0f}, ScaleCase{1, 1, 1.0f},
                                           ScaleCase{640, 480, 0.75f}, ScaleCase{3, 1, 1.0f / 3.0f},
                                           ScaleCase{0, 100, 1.0f}, ScaleCase{0, 0, 1.0f}));

// --- first frame ---

TEST(TextureSet, StartsEmpty) {
  DS_TextureSet set;
  EXPECT_TRUE(set.frames.empty());
  EXPECT_TRUE(set.durations.empty());
  EXPECT_EQ(0, set.width);
  EXPECT_EQ(1.0f, set.scale);
  EXPECT_EQ(0.0f, set.lastSwitchTime);
  EXPECT_EQ(0u, set.frameIndex);
  EXPECT_EQ(nullptr, set.GetCurrentTexture());
}

TEST(TextureSet, FirstFrameOfAPicture) {
  FakeTexture frame0, frame1;
  {
    DS_TextureSet set;
    set.AddFrame(&frame0, 0.1f);
    set.AddFrame(&frame1, 0.1f);
    set.SetPictureSize(300, 200);
    FakeTexture old;
    DS_TextureRef ref;
    ref.Assign(5, 5, &old);
    set.GetFirstFrame(ref);
    EXPECT_EQ(1u, old.refs) << "the reference is cleared first";
    EXPECT_EQ(&frame0, ref.GetTexture());
    EXPECT_EQ(3u, frame0.refs) << "one for the set, one for the reference";
    EXPECT_EQ(300, ref.width);
    EXPECT_EQ(200, ref.height);
    EXPECT_NEAR(0.6667f, ref.scale, 1e-4f);
  }
  EXPECT_EQ(1u, frame0.refs);
  EXPECT_EQ(1u, frame1.refs);
}

TEST(TextureSet, FirstFrameOfAnEmptySetHasNoTexture) {
  FakeTexture old;
  DS_TextureSet set;
  DS_TextureRef ref;
  ref.Assign(5, 5, &old);
  set.GetFirstFrame(ref);
  EXPECT_EQ(nullptr, ref.GetTexture());
  EXPECT_EQ(0, ref.width);
  EXPECT_EQ(1.0f, ref.scale);
  EXPECT_EQ(1u, old.refs);
}

TEST(TextureSet, CopiesShareTheFrames) {
  FakeTexture frame;
  DS_TextureSet set;
  set.AddFrame(&frame, -1.0f);
  EXPECT_TRUE(set.durations.empty()) << "a still picture has no durations";
  {
    DS_TextureSet copy = set;
    EXPECT_EQ(3u, frame.refs);
    EXPECT_EQ(&frame, copy.GetCurrentTexture());
  }
  EXPECT_EQ(2u, frame.refs);
}

// --- stepping ---

struct StepCase {
  float t;
  unsigned int index;
  float lastSwitch;
};

void RunSteps(DS_TextureSet& set, bool forward, const std::vector<StepCase>& steps) {
  for (const StepCase& s : steps) {
    if (forward) {
      set.StepFrameForward(s.t);
    } else {
      set.StepFrameBackward(s.t);
    }
    EXPECT_EQ(s.index, set.frameIndex) << "frame at t = " << s.t;
    EXPECT_FLOAT_EQ(s.lastSwitch, set.lastSwitchTime) << "switch time at t = " << s.t;
  }
}

TEST(TextureSetStep, SwitchesOnlyWhenTheDurationIsStrictlyExceeded) {
  DS_TextureSet set;
  set.durations = {0.5f, 0.5f};
  RunSteps(set, true,
           {
               {0.4f, 0, 0.0f},
               {0.5f, 0, 0.0f},  // exactly the duration: no switch
               {0.6f, 1, 0.6f},
               {1.1f, 1, 0.6f},  // 0.5 again: no switch
               {1.2f, 0, 1.2f},  // wraps to the first frame
           });
}

TEST(TextureSetStep, AtMostOneFramePerCall) {
  DS_TextureSet set;
  set.durations = {0.1f, 0.1f, 0.1f, 0.1f};
  RunSteps(set, true, {{10.0f, 1, 10.0f}, {10.05f, 1, 10.0f}, {10.2f, 2, 10.2f}});
}

TEST(TextureSetStep, ClockGoingBackRestartsTheFrameTime) {
  DS_TextureSet set;
  set.durations = {0.5f, 0.5f};
  RunSteps(set, true, {{0.6f, 1, 0.6f}, {0.2f, 1, 0.2f}, {0.7f, 1, 0.2f}, {0.8f, 0, 0.8f}});
}

TEST(TextureSetStep, StillPictureNeverChangesFrame) {
  DS_TextureSet set;
  RunSteps(set, true, {{1.0f, 0, 0.0f}, {100.0f, 0, 0.0f}});
  set.lastSwitchTime = 5.0f;
  set.StepFrameForward(2.0f);
  EXPECT_EQ(2.0f, set.lastSwitchTime) << "the clock still restarts when it goes back";
}

TEST(TextureSetStep, BackwardWrapsFromTheFirstToTheLastFrame) {
  DS_TextureSet set;
  set.durations = {0.5f, 0.5f, 0.5f};
  RunSteps(set, false, {{0.5f, 0, 0.0f}, {0.6f, 2, 0.6f}, {1.2f, 1, 1.2f}, {1.8f, 0, 1.8f}, {2.4f, 2, 2.4f}});
}

TEST(TextureSetStep, FreeFunctionsStepAnObjectsOwnCopy) {
  std::vector<float> durations = {0.25f, 0.25f};
  float lastSwitch = 0.0f;
  unsigned int index = 0;
  EXPECT_FALSE(StepFrameForward(durations, lastSwitch, index, 0.25f));
  EXPECT_TRUE(StepFrameForward(durations, lastSwitch, index, 0.3f));
  EXPECT_EQ(1u, index);
  EXPECT_TRUE(StepFrameBackward(durations, lastSwitch, index, 0.6f));
  EXPECT_EQ(0u, index);
}

TEST(TextureSetStep, MoreDurationsThanFramesMeansNoTexture) {
  FakeTexture frame0, frame1;
  DS_TextureSet set;
  set.AddFrame(&frame0, 0.1f);
  set.AddFrame(&frame1, 0.1f);
  set.durations.push_back(0.1f);  // a third duration without a frame
  std::vector<IDirect3DTexture9*> seen;
  float t = 0.0f;
  for (int i = 0; i < 6; ++i) {
    seen.push_back(set.GetCurrentTexture());
    t += 0.2f;
    set.StepFrameForward(t);
  }
  EXPECT_EQ((std::vector<IDirect3DTexture9*>{&frame0, &frame1, nullptr, &frame0, &frame1, nullptr}), seen);
}

TEST(TextureSetStep, IndexBeyondTheDurationsIsBroughtBack) {
  DS_TextureSet set;
  set.durations = {0.5f, 0.5f};
  set.frameIndex = 7;  // e.g. a copy made before the set shrank
  set.StepFrameForward(0.1f);
  EXPECT_LT(set.frameIndex, 2u);
  set.frameIndex = 9;
  set.StepFrameBackward(1.0f);
  EXPECT_LT(set.frameIndex, 2u);
}

}  // namespace
