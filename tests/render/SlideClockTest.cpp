// The slide clock: which slide is current and how dark the overlay is, as a table of
// scene times. No device: the show runs its clock and its slides without one.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "render/SlideShow.h"
#include "support/SlideTestSupport.h"

using namespace slides_test;

namespace {

std::unique_ptr<DS_SlideShow_Light> MakeShow(int slides, unsigned fadeIn, unsigned show, unsigned fadeOut) {
  std::unique_ptr<DS_SlideShow_Light> result(new DS_SlideShow_Light());
  for (int i = 0; i < slides; ++i) {
    result->AddSlide(MakeSlide(fadeIn, show, fadeOut, DS_FileKey(L"p" + std::to_wstring(i), i)));
  }
  result->BuildSlideObjects();
  return result;
}

struct ClockStep {
  float t;
  int slide;
  int alpha;  // overlay alpha byte
};

void RunTable(DS_SlideShow_Light& show, const std::vector<ClockStep>& steps) {
  for (const ClockStep& step : steps) {
    show.Update(step.t);
    EXPECT_EQ(step.slide, show.GetCurrentIndex()) << "current slide at t = " << step.t;
    EXPECT_EQ(step.alpha, show.GetOverlayAlpha()) << "overlay alpha at t = " << step.t;
  }
}

TEST(SlideClockTest, TwoSlidesFadeThroughBlackAndSwitchAfterTheirTimes) {
  std::unique_ptr<DS_SlideShow_Light> show = MakeShow(2, 1, 10, 1);
  show->Update(100.0f);
  EXPECT_FLOAT_EQ(99.0f, show->GetStartTime()) << "the first slide starts at the end of its fade-in";
  ASSERT_NE(nullptr, show->GetOverlay());
  RunTable(*show, {
                      {100.0f, 0, 0x00},
                      {105.0f, 0, 0x00},
                      {110.0f, 0, 0x00},
                      {110.5f, 0, 0x7F},  // half way into the fade-out
                      {111.0f, 0, 0xFF},  // e = 12 is not beyond 12: no switch yet
                      {111.5f, 1, 0xFF},  // switched; the outgoing slide's times at e = 0
                      {112.0f, 1, 0x7F},  // fading in
                      {112.5f, 1, 0x00},
                      {123.0f, 1, 0x7F},
                      {123.6f, 0, 0xFF},  // and back to the first slide
                  });
  EXPECT_EQ(1u, show->GetNextIndex());
}

TEST(SlideClockTest, ThreeSlidesFollowOneAnotherAndWrap) {
  std::unique_ptr<DS_SlideShow_Light> show = MakeShow(3, 0, 1, 0);
  show->Update(0.0f);
  std::vector<int> order;
  for (float t = 1.5f; t < 12.0f; t += 1.5f) {
    show->Update(t);
    order.push_back(show->GetCurrentIndex());
  }
  EXPECT_EQ((std::vector<int>{1, 2, 0, 1, 2, 0, 1}), order);
}

TEST(SlideClockTest, OneSlideNeverSwitchesNorFades) {
  std::unique_ptr<DS_SlideShow_Light> show = MakeShow(1, 1, 2, 1);
  for (float t = 0.0f; t < 100.0f; t += 0.7f) {
    show->Update(t);
    ASSERT_EQ(0, show->GetCurrentIndex()) << "t = " << t;
    ASSERT_EQ(0, show->GetOverlayAlpha()) << "t = " << t;
  }
}

TEST(SlideClockTest, TimeGoingBackNeverGivesAnUndefinedAlpha) {
  std::unique_ptr<DS_SlideShow_Light> show = MakeShow(2, 0, 5, 0);
  show->Update(50.0f);
  show->Update(40.0f);  // before the start: no slide time has passed
  EXPECT_GE(show->GetOverlayAlpha(), 0);
  EXPECT_LE(show->GetOverlayAlpha(), 255);
  EXPECT_EQ(0, show->GetCurrentIndex());
}

TEST(SlideClockTest, ActivationDriftsTheCameraAndSwitchesTheSounds) {
  TestSoundItem::Counts& counts = TestSoundItem::GetCounts();
  counts = TestSoundItem::Counts();
  std::unique_ptr<DS_SlideShow_Light> show(new DS_SlideShow_Light());
  DS_SlideContainer* first = MakeSlide(0, 2, 0, DS_FileKey(L"a", 1));
  first->AddSecondaryItem(new TestSoundItem());
  show->AddSlide(first);
  show->AddSlide(MakeSlide(0, 2, 0, DS_FileKey(L"b", 2)));
  show->BuildSlideObjects();
  EXPECT_EQ(1, counts.prepared);

  show->Update(10.0f);
  EXPECT_TRUE(show->GetSlide(0)->GetLight()->IsCameraDriftOn());
  EXPECT_FALSE(show->GetSlide(1)->GetLight()->IsCameraDriftOn());
  EXPECT_EQ(1, counts.updated);
  EXPECT_FLOAT_EQ(10.0f, counts.lastTime) << "objects run on the scene time";
  EXPECT_EQ(0, counts.stopped);

  show->Update(12.5f);  // switch: the first slide's sounds stop
  EXPECT_EQ(1, show->GetCurrentIndex());
  EXPECT_EQ(1, counts.stopped);
  EXPECT_TRUE(show->GetSlide(1)->GetLight()->IsCameraDriftOn());
  show->Update(13.0f);
  EXPECT_EQ(1, counts.updated) << "a slide that is not current is not updated";
}

}  // namespace

// ---- stillness: when the host may stop drawing ----

TEST(SlideStillnessTest, AStillSlideStaysUntilItsFadeOutAndAFadeNever) {
  std::unique_ptr<DS_SlideShow_Light> show = MakeShow(2, 1, 10, 1);
  for (size_t i = 0; i < show->GetSlideCount(); ++i) show->GetSlide(i)->GetLight()->GetCamera().on.SetValue(0);
  struct Step {
    float t;
    float stillUntil;
  };
  // The first slide starts at 99: its fade-out begins at 99 + 1 + 10.
  const Step steps[] = {{100.0f, 110.0f}, {109.9f, 110.0f}, {110.5f, 110.5f}, {111.5f, 111.5f},
                        {112.5f, 122.5f}};
  for (const Step& step : steps) {
    show->Update(step.t);
    EXPECT_FLOAT_EQ(step.stillUntil, show->StillUntil(step.t)) << "t = " << step.t;
  }
}

TEST(SlideStillnessTest, ASingleStillSlideNeverChangesByItself) {
  std::unique_ptr<DS_SlideShow_Light> show = MakeShow(1, 1, 10, 1);
  show->GetSlide(0)->GetLight()->GetCamera().on.SetValue(0);
  EXPECT_FLOAT_EQ(5.0f, show->StillUntil(5.0f)) << "before the first update nothing is drawn yet";
  show->Update(5.0f);
  EXPECT_TRUE(std::isinf(show->StillUntil(5.0f)));
  show->Update(500.0f);
  EXPECT_TRUE(std::isinf(show->StillUntil(500.0f)));
}

TEST(SlideStillnessTest, ADriftingCameraOrAnObjectKeepsTheSlideMoving) {
  std::unique_ptr<DS_SlideShow_Light> drifting = MakeShow(1, 1, 10, 1);
  drifting->GetSlide(0)->GetLight()->GetCamera().on.SetValue(1);
  drifting->Update(5.0f);
  EXPECT_FLOAT_EQ(5.0f, drifting->StillUntil(5.0f));

  std::unique_ptr<DS_SlideShow_Light> withObject(new DS_SlideShow_Light());
  DS_SlideContainer* slide = MakeSlide(1, 10, 1, DS_FileKey(L"p", 0));
  slide->GetLight()->GetCamera().on.SetValue(0);
  slide->AddVisualItem(new TestProbeItem());
  withObject->AddSlide(slide);
  withObject->BuildSlideObjects();
  withObject->Update(5.0f);
  EXPECT_FLOAT_EQ(5.0f, withObject->StillUntil(5.0f));
}
