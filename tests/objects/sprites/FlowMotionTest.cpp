// Flowing sprites in motion on a seeded random sequence: the direction and
// speed, the sideways wobble and its changes, the count drawn at a time line's
// opacity, and the edge controls (fade and return, bounce, bounce and pause) of
// every side, as tables of positions and states per update.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include "objects/sprites/FlowSprites.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/TimeLine.h"
#include "FlowRainTestSupport.h"

using namespace flowrain_test;

namespace {

// Control steps of 1/8 s (exact in float).
const float kStep = 0.125f;

class FlowMotionTest : public ::testing::Test {
protected:
  FlowMotionTest() : scene(kSceneWidth, kSceneHeight) {
    SetTestArea(flow);
    flow.UpdateTime(0.0f);
  }

  void Aim(unsigned int degrees, float speed) {
    flow.speed = speed;
    flow.angle.SetValue(degrees);
    flow.UpdateDirection(degrees);
  }

  // One update of `sprite` after the control clock has moved on by one step.
  void Step(DS_SpriteParticle& sprite) {
    now += kStep;
    flow.UpdateTime(now);
    flow.UpdateParticle(sprite);
  }

  SceneSize scene;
  DS_FlowConstructor flow;
  float now = 0.0f;
};

struct DirectionCase {
  unsigned int angle;
  float sizeFactor;
  float vx, vy;
};

class FlowDirectionTest : public FlowMotionTest, public ::testing::WithParamInterface<DirectionCase> {};

TEST_P(FlowDirectionTest, MovesAlongTheAngleAtSpeedTimesSizeFactor) {
  const DirectionCase c = GetParam();
  Aim(c.angle, 100.0f);
  DS_SpriteParticle s = FlowSprite(200.0f, 120.0f);
  s.sizeFactor = c.sizeFactor;
  Step(s);
  EXPECT_NEAR(c.vx, s.velocity.x, 1e-3f);
  EXPECT_NEAR(c.vy, s.velocity.y, 1e-3f);
  EXPECT_NEAR(200.0f + kStep * c.vx, s.position.x, 1e-3f);
  EXPECT_NEAR(120.0f + kStep * c.vy, s.position.y, 1e-3f);
  EXPECT_EQ(DS_SpriteParticle::kNoEdge, s.edgeSide);
}

const DirectionCase kDirections[] = {
    {0, 1.0f, 100.0f, 0.0f},                // right
    {90, 1.0f, 0.0f, -100.0f},              // up: scene y grows downwards
    {180, 1.0f, -100.0f, 0.0f},             // left
    {270, 1.0f, 0.0f, 100.0f},              // down
    {45, 1.0f, 70.710678f, -70.710678f},    // up and right
    {0, 0.5f, 50.0f, 0.0f},                 // half size, half speed
    {450, 1.0f, 0.0f, -100.0f},             // beyond a full turn
};
INSTANTIATE_TEST_SUITE_P(Cases, FlowDirectionTest, ::testing::ValuesIn(kDirections));

TEST_F(FlowMotionTest, WobbleMovesSidewaysByFactorTimesAmplitude) {
  flow.wobble.SetValue(10u);  // 30 pixels per second
  struct {
    unsigned int angle;
    float vx, vy;
  } const cases[] = {{0, 80.0f, 15.0f}, {270, -15.0f, 80.0f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.angle);
    Aim(c.angle, 80.0f);
    DS_SpriteParticle s = FlowSprite(200.0f, 120.0f);
    s.velocity.z = 0.5f;
    Step(s);
    EXPECT_NEAR(c.vx, s.velocity.x, 1e-3f);
    EXPECT_NEAR(c.vy, s.velocity.y, 1e-3f);
    EXPECT_FLOAT_EQ(0.5f, s.velocity.z);
  }
}

TEST_F(FlowMotionTest, InitDrawsSidewaysFactorThenPlace) {
  Aim(0, 100.0f);
  flow.spriteSize.SetValue(20u);
  DS_SpriteParticle s;
  const std::vector<int> d = SeededDraws(31, 3);
  flow.InitParticle(s);
  EXPECT_FLOAT_EQ(static_cast<float>(d[0]) / 32767.0f * 2.0f - 1.0f, s.velocity.z);
  EXPECT_EQ(0.0f, s.velocity.x);
  EXPECT_EQ(0.0f, s.velocity.y);
  EXPECT_EQ(D3DXVECTOR3(1.0f, 1.0f, 0.0f), s.direction);
  EXPECT_FLOAT_EQ(Between(d[1], kLeft, kRight), s.position.x);
  EXPECT_FLOAT_EQ(Between(d[2], kTop, kBottom), s.position.y);
  EXPECT_FLOAT_EQ(10.0f, s.halfWidth);
}

TEST_F(FlowMotionTest, SidewaysFactorChangesOneTimeInTwoAfterTheInterval) {
  Aim(0, 0.0f);
  flow.wobbleRate.SetValue(8u);  // two chances a second: every 0.5 s
  for (unsigned int seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    DS_SpriteParticle s = FlowSprite(200.0f, 120.0f);
    s.velocity.z = 0.25f;
    s.timer = now;
    // Four steps make exactly 0.5 s: not yet (strict).
    for (int i = 0; i < 4; ++i) Step(s);
    EXPECT_FLOAT_EQ(0.25f, s.velocity.z);
    const std::vector<int> d = SeededDraws(seed, 2);
    Step(s);
    EXPECT_FLOAT_EQ(now, s.timer);
    EXPECT_FLOAT_EQ((d[0] & 1) ? Between(d[1], -1.0f, 1.0f) : 0.25f, s.velocity.z);
  }
}

TEST_F(FlowMotionTest, NoChangeRateKeepsTheFactorForever) {
  Aim(0, 0.0f);
  DS_SpriteParticle s = FlowSprite(200.0f, 120.0f);
  s.velocity.z = 0.75f;
  std::srand(5);
  const int next = std::rand();
  std::srand(5);
  for (int i = 0; i < 40; ++i) Step(s);
  EXPECT_FLOAT_EQ(0.75f, s.velocity.z);
  EXPECT_EQ(next, std::rand()) << "no random draw was made";
}

TEST_F(FlowMotionTest, MirrorOrientationsFollowTheDirectionOfTravel) {
  Aim(180, 50.0f);
  DS_SpriteParticle s = FlowSprite(200.0f, 120.0f);
  flow.orientationMode.SetValue(DS_FlowConstructor::kMirrorX);
  Step(s);
  EXPECT_EQ(D3DXVECTOR3(-1.0f, 0.0f, 0.0f), s.xAxis);
  EXPECT_EQ(D3DXVECTOR3(0.0f, 1.0f, 0.0f), s.yAxis);
  Aim(270, 50.0f);
  flow.orientationMode.SetValue(DS_FlowConstructor::kMirrorY);
  Step(s);
  EXPECT_EQ(D3DXVECTOR3(1.0f, 0.0f, 0.0f), s.xAxis);
  EXPECT_EQ(D3DXVECTOR3(0.0f, 1.0f, 0.0f), s.yAxis);
  Aim(90, 50.0f);
  Step(s);
  EXPECT_EQ(D3DXVECTOR3(0.0f, -1.0f, 0.0f), s.yAxis);
}

TEST_F(FlowMotionTest, AlongFlowOrientationTurnsTheAxesOnce) {
  Aim(90, 50.0f);
  flow.orientationMode.SetValue(DS_FlowConstructor::kAlongFlow);
  DS_SpriteParticle s;
  flow.InitParticle(s);
  EXPECT_NEAR(0.0f, s.xAxis.x, 1e-6f);
  EXPECT_NEAR(-1.0f, s.xAxis.y, 1e-6f);
  EXPECT_NEAR(1.0f, s.yAxis.x, 1e-6f);
  EXPECT_NEAR(0.0f, s.yAxis.y, 1e-6f);
}

struct CountCase {
  unsigned int count;
  float alpha;
  int drawn;
};

TEST_F(FlowMotionTest, CountDrawnFollowsTheTimeLinesOpacity) {
  const CountCase cases[] = {{10, 0.55f, 5}, {10, 0.0f, 0}, {10, 1.0f, 10}, {1, 0.0f, 1}, {0, 1.0f, 0}, {2, 0.5f, 1}};
  for (const CountCase& c : cases) {
    SCOPED_TRACE(c.count);
    DS_FlowConstructor item;
    item.spriteCount.SetValue(c.count);
    DS_TimeLineControl& tl = item.TimeLine();
    tl.mode.SetValue(DS_TimeLineControl::kWindows);
    tl.AddWindow({0.0f, 100.0f, 1.0f, 99.0f});  // fades in over the first second
    tl.SetWrappedTime(c.alpha);
    ASSERT_FLOAT_EQ(c.alpha, tl.GetAlpha());
    EXPECT_EQ(c.drawn, item.GetParticleCount());
  }
}

TEST_F(FlowMotionTest, HugeCountIsCappedNotOverflowed) {
  flow.spriteCount.SetValue(0xFFFFFFF0u);
  const int drawn = flow.GetParticleCount();
  EXPECT_GT(drawn, 0);
  EXPECT_LE(drawn, INT_MAX);
}

TEST_F(FlowMotionTest, SpeedThatIsNotANumberKeepsTheFlowStill) {
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    Aim(0, bad);
    DS_SpriteParticle s = FlowSprite(200.0f, 120.0f);
    for (int i = 0; i < 4; ++i) Step(s);
    EXPECT_FLOAT_EQ(200.0f, s.position.x);
    EXPECT_FLOAT_EQ(120.0f, s.position.y);
  }
}

TEST_F(FlowMotionTest, HiddenSpriteDoesNotMove) {
  Aim(0, 100.0f);
  DS_SpriteParticle s = FlowSprite(200.0f, 120.0f);
  s.hidden = 1;
  Step(s);
  EXPECT_FLOAT_EQ(200.0f, s.position.x);
  EXPECT_FLOAT_EQ(100.0f, s.velocity.x) << "the velocity is still computed";
}

// ---- edge controls ----

struct BounceCase {
  int side;
  unsigned int angle;
  float x, y;  // start, heading out through `side`, already overlapping it by 5 pixels
};

class FlowBounceTest : public FlowMotionTest, public ::testing::WithParamInterface<BounceCase> {};

TEST_P(FlowBounceTest, TurnsBackAtOnceAndIsReleasedInside) {
  const BounceCase c = GetParam();
  flow.Edge(c.side).mode.SetValue(DS_BoundControl::kBounce);
  Aim(c.angle, 16.0f);  // 2 pixels a step
  DS_SpriteParticle s = FlowSprite(c.x, c.y);
  const bool horizontal = c.side == DS_BoundControl::kLeft || c.side == DS_BoundControl::kRight;
  Step(s);  // overlapping by 7 pixels
  EXPECT_EQ(c.side, s.edgeSide);
  EXPECT_EQ(horizontal ? -1.0f : 1.0f, s.direction.x);
  EXPECT_EQ(horizontal ? 1.0f : -1.0f, s.direction.y);
  Step(s);  // back 2 pixels: still crossing, so put at the edge less hw + 1
  EXPECT_EQ(DS_SpriteParticle::kNoEdge, s.edgeSide);
  switch (c.side) {
    case DS_BoundControl::kTop: EXPECT_FLOAT_EQ(kTop + 11.0f, s.position.y); break;
    case DS_BoundControl::kBottom: EXPECT_FLOAT_EQ(kBottom - 11.0f, s.position.y); break;
    case DS_BoundControl::kLeft: EXPECT_FLOAT_EQ(kLeft + 11.0f, s.position.x); break;
    case DS_BoundControl::kRight: EXPECT_FLOAT_EQ(kRight - 11.0f, s.position.x); break;
  }
  Step(s);  // on its way back in
  EXPECT_EQ(DS_SpriteParticle::kNoEdge, s.edgeSide);
}

const BounceCase kBounces[] = {
    {DS_BoundControl::kTop, 90, 200.0f, kTop + 5.0f},
    {DS_BoundControl::kBottom, 270, 200.0f, kBottom - 5.0f},
    {DS_BoundControl::kLeft, 180, kLeft + 5.0f, 120.0f},
    {DS_BoundControl::kRight, 0, kRight - 5.0f, 120.0f},
};
INSTANTIATE_TEST_SUITE_P(Sides, FlowBounceTest, ::testing::ValuesIn(kBounces));

TEST_F(FlowMotionTest, SidesAreAskedTopBottomLeftRightAndTheFirstTakesTheSprite) {
  for (int side = 0; side < 4; ++side) flow.Edge(side).mode.SetValue(DS_BoundControl::kBounce);
  Aim(135, 16.0f);
  // In the top-left corner, crossing both the top and the left edge.
  DS_SpriteParticle s = FlowSprite(kLeft + 5.0f, kTop + 5.0f);
  Step(s);
  EXPECT_EQ(DS_BoundControl::kTop, s.edgeSide);
  EXPECT_EQ(1.0f, s.direction.x) << "the left side was not asked";
  EXPECT_EQ(-1.0f, s.direction.y);
}

TEST_F(FlowMotionTest, BounceAndPauseHoldsTheSpriteForItsDelay) {
  DS_BoundControl& left = flow.Edge(DS_BoundControl::kLeft);
  left.mode.SetValue(DS_BoundControl::kBounceAndPause);
  left.minDelay.SetValue(500u);
  left.maxDelay.SetValue(500u);
  Aim(180, 80.0f);  // 10 pixels a step
  DS_SpriteParticle s = FlowSprite(kLeft - 5.0f, 120.0f);
  Step(s);  // x 85: wholly outside
  ASSERT_EQ(DS_BoundControl::kLeft, s.edgeSide);
  EXPECT_EQ(1, s.hidden);
  EXPECT_EQ(-1.0f, s.direction.x) << "reversed at once";
  EXPECT_FLOAT_EQ(now + 0.5f, s.deadline);
  const float left_time = now;
  // Held just inside its reach of the edge while the delay runs.
  while (now - left_time < 0.5f - kStep / 2) {
    Step(s);
    ASSERT_EQ(1, s.hidden) << "at " << now - left_time;
    EXPECT_FLOAT_EQ(kLeft - 9.0f, s.position.x);
  }
  Step(s);
  Step(s);
  EXPECT_EQ(0, s.hidden);
  EXPECT_EQ(DS_SpriteParticle::kNoEdge, s.edgeSide);
  const float x = s.position.x;
  Step(s);
  EXPECT_FLOAT_EQ(x + 10.0f, s.position.x) << "moving back in";
}

TEST_F(FlowMotionTest, BounceAndPauseDrawsItsDelayFromTheRange) {
  DS_BoundControl& top = flow.Edge(DS_BoundControl::kTop);
  top.mode.SetValue(DS_BoundControl::kBounceAndPause);
  top.minDelay.SetValue(250u);
  top.maxDelay.SetValue(2250u);
  Aim(90, 80.0f);
  DS_SpriteParticle s = FlowSprite(200.0f, kTop - 5.0f);
  const std::vector<int> d = SeededDraws(77, 1);
  Step(s);
  ASSERT_EQ(DS_BoundControl::kTop, s.edgeSide);
  EXPECT_FLOAT_EQ(now + Between(d[0], 0.25f, 2.25f), s.deadline);
  EXPECT_FLOAT_EQ(now, s.secondTimer);
  EXPECT_EQ(-1.0f, s.direction.y);
}

// Fade and return, through every side: the state after each update while the
// sprite leaves, fades out in 0.5 s, is brought back opposite and fades in.
struct ReturnCase {
  int side;
  unsigned int angle;
  float x, y;  // start, 1 pixel short of having left through `side`
};

class FlowReturnTest : public FlowMotionTest, public ::testing::WithParamInterface<ReturnCase> {};

TEST_P(FlowReturnTest, FadesOutWaitsAndComesBackOpposite) {
  const ReturnCase c = GetParam();
  DS_BoundControl& edge = flow.Edge(c.side);
  edge.fadeOut.SetValue(500u);
  edge.fadeIn.SetValue(250u);
  edge.minDelay.SetValue(0u);
  edge.maxDelay.SetValue(1000u);
  Aim(c.angle, 16.0f);
  DS_SpriteParticle s = FlowSprite(c.x, c.y);
  Step(s);
  ASSERT_EQ(c.side, s.edgeSide) << "left: the fade-out starts";
  EXPECT_FLOAT_EQ(1.0f, s.alpha);
  // Alpha after each further step: 0.75, 0.5, 0.25, 0 while moving on.
  for (float expected : {0.75f, 0.5f, 0.25f, 0.0f}) {
    const D3DXVECTOR3 before = s.position;
    Step(s);
    EXPECT_FLOAT_EQ(expected, s.alpha);
    EXPECT_NE(before, s.position);
  }
  const std::vector<int> d = SeededDraws(c.side + 40, 2);
  Step(s);  // faded out: held for a delay drawn now
  EXPECT_EQ(1, s.hidden);
  EXPECT_EQ(DS_SpriteParticle::kNoEdge, s.edgeSide);
  const float delay = Between(d[0], 0.0f, 1.0f);
  EXPECT_FLOAT_EQ(now + delay, s.deadline);
  Step(s);  // brought back just inside the opposite side
  EXPECT_EQ(c.side, s.edgeSide);
  EXPECT_EQ(1, s.respawned);
  switch (c.side) {
    case DS_BoundControl::kTop:
      EXPECT_FLOAT_EQ(kBottom + 9.0f, s.position.y);
      EXPECT_FLOAT_EQ(Between(d[1], kLeft, kRight), s.position.x);
      break;
    case DS_BoundControl::kBottom:
      EXPECT_FLOAT_EQ(kTop - 9.0f, s.position.y);
      EXPECT_FLOAT_EQ(Between(d[1], kLeft, kRight), s.position.x);
      break;
    case DS_BoundControl::kLeft:
      EXPECT_FLOAT_EQ(kRight + 9.0f, s.position.x);
      EXPECT_FLOAT_EQ(Between(d[1], kTop, kBottom), s.position.y);
      break;
    case DS_BoundControl::kRight:
      EXPECT_FLOAT_EQ(kLeft - 9.0f, s.position.x);
      EXPECT_FLOAT_EQ(Between(d[1], kTop, kBottom), s.position.y);
      break;
  }
  const D3DXVECTOR3 back = s.position;
  // Waits, still and transparent, until the delay has passed.
  int waited = 0;
  while (s.hidden && waited < 20) {
    Step(s);
    ++waited;
    if (s.hidden) {
      EXPECT_EQ(back, s.position);
      EXPECT_FLOAT_EQ(0.0f, s.alpha);
    }
  }
  EXPECT_NEAR(delay / kStep, waited - 1, 1.01f);
  EXPECT_FLOAT_EQ(0.5f, s.alpha) << "fading in over 0.25 s";
  Step(s);
  EXPECT_FLOAT_EQ(1.0f, s.alpha);
  EXPECT_EQ(c.side, s.edgeSide);
  Step(s);
  EXPECT_EQ(DS_SpriteParticle::kNoEdge, s.edgeSide) << "let go at full opacity";
  EXPECT_EQ(0, s.respawned);
}

const ReturnCase kReturns[] = {
    {DS_BoundControl::kTop, 90, 200.0f, kTop - 9.0f},
    {DS_BoundControl::kBottom, 270, 200.0f, kBottom + 9.0f},
    {DS_BoundControl::kLeft, 180, kLeft - 9.0f, 120.0f},
    {DS_BoundControl::kRight, 0, kRight + 9.0f, 120.0f},
};
INSTANTIATE_TEST_SUITE_P(Sides, FlowReturnTest, ::testing::ValuesIn(kReturns));

TEST_F(FlowMotionTest, FadeOfOneSecondThenBackAtFullOpacity) {
  DS_BoundControl& right = flow.Edge(DS_BoundControl::kRight);
  right.fadeOut.SetValue(1000u);
  Aim(0, 80.0f);
  DS_SpriteParticle s = FlowSprite(kRight + 5.0f, 120.0f);
  Step(s);
  ASSERT_EQ(DS_BoundControl::kRight, s.edgeSide);
  int steps = 0;
  while (s.alpha > 0.0f && steps < 100) {
    Step(s);
    ++steps;
  }
  EXPECT_EQ(8, steps) << "1 s of fade in steps of 1/8 s";
  Step(s);  // delay 0
  Step(s);  // back at the left
  EXPECT_FLOAT_EQ(kLeft - 9.0f, s.position.x);
  Step(s);
  EXPECT_FLOAT_EQ(1.0f, s.alpha);
  EXPECT_FLOAT_EQ(kLeft - 9.0f, s.position.x) << "it moves once let go";
  Step(s);
  EXPECT_EQ(DS_SpriteParticle::kNoEdge, s.edgeSide);
  Step(s);
  EXPECT_FLOAT_EQ(kLeft + 11.0f, s.position.x);
}

TEST_F(FlowMotionTest, UnknownModeOrSideNeverTakesASprite) {
  DS_BoundControl& right = flow.Edge(DS_BoundControl::kRight);
  right.mode.SetValue(7);
  Aim(0, 80.0f);
  DS_SpriteParticle s = FlowSprite(kRight + 5.0f, 120.0f);
  Step(s);
  EXPECT_EQ(DS_SpriteParticle::kNoEdge, s.edgeSide);

  DS_BoundControl stray;
  stray.BindSide(9);
  EXPECT_FALSE(stray.Apply(flow, s));
  s.edgeSide = 9;
  stray.mode.SetValue(-3);
  EXPECT_TRUE(stray.Apply(flow, s));
  EXPECT_EQ(DS_SpriteParticle::kNoEdge, s.edgeSide) << "a mode that takes none lets go";
}

TEST_F(FlowMotionTest, SpriteHeldByOneSideIsNotAskedByTheOthers) {
  flow.Edge(DS_BoundControl::kTop).mode.SetValue(DS_BoundControl::kBounce);
  Aim(0, 16.0f);
  DS_SpriteParticle s = FlowSprite(200.0f, 120.0f);
  s.edgeSide = DS_BoundControl::kLeft;  // the left side's, mode 0, fading out
  s.alpha = 0.5f;
  flow.Edge(DS_BoundControl::kLeft).fadeOut.SetValue(0u);
  Step(s);
  EXPECT_FLOAT_EQ(0.0f, s.alpha);
  EXPECT_EQ(DS_BoundControl::kLeft, s.edgeSide);
}

}  // namespace
