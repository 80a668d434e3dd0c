// Fish, ghosts and birds: placement and facing on a seeded rand() sequence, the
// turns at the area's edges, the speed changes on the raw local time, the
// ghosts' time-line opacity and re-placement, and the birds' least speed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "objects/sprites/Fish.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/TimeLine.h"
#include "Sprites2TestSupport.h"

using namespace sprites2_test;

namespace {

class FishTest : public ::testing::Test {
protected:
  FishTest() : scene(kSceneWidth, kSceneHeight) {
    SetTestArea(fish);
    fish.spriteSize.SetValue(20u);
  }

  // A sprite of 20 x 10 pixels (frame aspect 0.5) at (x, y).
  DS_SpriteParticle At(float x, float y, float vx, float vy) {
    DS_SpriteParticle s;
    s.position = D3DXVECTOR3(x, y, 0.0f);
    s.velocity = D3DXVECTOR3(vx, vy, 0.0f);
    s.halfWidth = vx < 0 ? -10.0f : 10.0f;
    s.halfHeight = 5.0f;
    return s;
  }

  SceneSize scene;
  DS_FishConstructor fish;
};

TEST_F(FishTest, InitDrawsVelocityThenPlaceAndFacesTheWayItSwims) {
  int facingLeft = 0;
  // Seeds spread widely: the first draw after small neighbouring seeds is small.
  for (unsigned int seed = 40503; seed <= 16 * 40503; seed += 40503) {
    DS_SpriteParticle s;
    s.aspect = 0.5f;
    s.sizeFactor = 1.0f;
    const std::vector<int> d = SeededDraws(seed, 4);
    fish.InitParticle(s);
    const float vx = Between(d[0], -80.0f, 80.0f);
    EXPECT_FLOAT_EQ(vx, s.velocity.x) << "seed " << seed;
    EXPECT_FLOAT_EQ(Between(d[1], -50.0f, 50.0f), s.velocity.y) << "seed " << seed;
    EXPECT_EQ(0.0f, s.velocity.z);
    EXPECT_FLOAT_EQ(Between(d[2], kLeft, kRight), s.position.x) << "seed " << seed;
    EXPECT_FLOAT_EQ(Between(d[3], kTop, kBottom), s.position.y) << "seed " << seed;
    EXPECT_FLOAT_EQ(vx < 0 ? -10.0f : 10.0f, s.halfWidth) << "faces its direction, seed " << seed;
    EXPECT_FLOAT_EQ(5.0f, s.halfHeight);
    EXPECT_EQ(0xFFFFFFFFu, s.packedColour);
    facingLeft += vx < 0 ? 1 : 0;
  }
  EXPECT_GT(facingLeft, 0);
  EXPECT_LT(facingLeft, 16);
}

struct TurnCase {
  const char* what;
  float x, y, vx, vy;
  float expectedVx, expectedVy, expectedHalfWidth;
};

// Area x 100..300, y 60..180; the sprite is 20 x 10 (half extents 10 and 5).
const TurnCase kTurnCases[] = {
    {"inside", 200, 120, 30, 20, 30, 20, 10},
    {"right edge crossed, not yet outside", 305, 120, 30, 20, 30, 20, 10},
    {"left edge on the area's right edge", 310, 120, 30, 20, 30, 20, 10},
    {"wholly outside on the right: turns and faces left", 311, 120, 30, 20, -30, 20, -10},
    {"wholly outside on the left: turns and faces right", 89, 120, -30, 20, 30, 20, 10},
    {"top edge crosses the top: moves down", 200, 64, 30, -20, 30, 20, 10},
    {"bottom edge crosses the bottom: moves up", 200, 176, 30, 20, 30, -20, 10},
    {"top edge on the top: no change", 200, 65, 30, -20, 30, -20, 10},
};

class FishTurnTest : public FishTest, public ::testing::WithParamInterface<TurnCase> {};

TEST_P(FishTurnTest, TurnsAtTheAreasEdges) {
  const TurnCase& c = GetParam();
  DS_SpriteParticle s = At(c.x, c.y, c.vx, c.vy);
  fish.UpdateParticle(s);  // step 0: no move, no speed change
  EXPECT_EQ(c.expectedVx, s.velocity.x) << c.what;
  EXPECT_EQ(c.expectedVy, s.velocity.y) << c.what;
  EXPECT_EQ(c.expectedHalfWidth, s.halfWidth) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, FishTurnTest, ::testing::ValuesIn(kTurnCases));

TEST_F(FishTest, SwimmerLeavesOnTheRightAndComesBackMirrored) {
  fish.maxSpeedY = 0.0f;
  DS_SpriteParticle s = At(280.0f, 120.0f, 50.0f, 0.0f);
  s.timer = 100.0f;  // no speed change in these 3 s
  float t = 0.0f;
  float rightmost = 0.0f;
  for (int frame = 0; frame < 30; ++frame) {
    t += 0.1f;
    fish.UpdateTime(t);
    fish.UpdateParticle(s);
    rightmost = std::max(rightmost, s.position.x);
  }
  EXPECT_GT(rightmost, 310.0f) << "it left the area wholly before turning";
  EXPECT_LT(s.velocity.x, 0.0f);
  EXPECT_LT(s.halfWidth, 0.0f) << "drawn mirrored";
  EXPECT_EQ(120.0f, s.position.y) << "no vertical motion at maximum y speed 0";
}

// One update when the raw local time has passed `raw` with the timer at 0.
TEST_F(FishTest, NewSpeedOneTimeInTwoEverySecondOfRawTime) {
  int changed = 0, kept = 0;
  for (unsigned int seed = 1; seed <= 30; ++seed) {
    DS_FishConstructor f;
    SetTestArea(f);
    // A slow control clock: the speed changes count raw time all the same.
    f.speed.SetValue(10u);
    RunClock(f, {0.2f, 0.4f, 0.6f, 0.8f, 1.0f, 1.1f});
    DS_SpriteParticle s = At(200.0f, 120.0f, -30.0f, 20.0f);
    const std::vector<int> d = SeededDraws(seed, 4);
    f.UpdateParticle(s);
    EXPECT_FLOAT_EQ(1.1f, s.timer);
    if (Odd(d[0])) {
      ++changed;
      EXPECT_FLOAT_EQ(-std::fabs(Between(d[1], -80.0f, 80.0f)), s.velocity.x) << "the sign stays, seed " << seed;
      EXPECT_FLOAT_EQ(Between(d[2], -50.0f, 50.0f), s.velocity.y) << "seed " << seed;
      EXPECT_EQ(d[3], std::rand());
    } else {
      ++kept;
      EXPECT_EQ(-30.0f, s.velocity.x);
      EXPECT_EQ(20.0f, s.velocity.y);
      EXPECT_EQ(d[1], std::rand());
    }
  }
  EXPECT_GT(changed, 0);
  EXPECT_GT(kept, 0);
}

TEST_F(FishTest, NoSpeedDrawWithinASecond) {
  RunClock(fish, {0.2f, 0.4f, 0.6f, 0.8f, 1.0f});
  DS_SpriteParticle s = At(200.0f, 120.0f, -30.0f, 20.0f);
  s.timer = 0.1f;
  const std::vector<int> d = SeededDraws(2, 1);
  fish.UpdateParticle(s);
  EXPECT_EQ(d[0], std::rand());
  EXPECT_FLOAT_EQ(0.1f, s.timer);
}

TEST_F(FishTest, SpeedBoundsThatAreNotNumbersKeepTheFishStill) {
  fish.maxSpeedX = std::numeric_limits<float>::quiet_NaN();
  fish.maxSpeedY = -std::numeric_limits<float>::infinity();
  DS_SpriteParticle s;
  std::srand(3);
  fish.InitParticle(s);
  EXPECT_EQ(0.0f, s.velocity.x);
  EXPECT_EQ(0.0f, s.velocity.y);
  for (int frame = 1; frame <= 30; ++frame) {
    fish.UpdateTime(0.1f * float(frame));
    fish.UpdateParticle(s);
  }
  EXPECT_TRUE(std::isfinite(s.position.x));
  EXPECT_TRUE(std::isfinite(s.position.y));
}

// ---- ghosts ----

// Opacity `alpha` in the fade-in of a window that fades in from 0 to 1 s.
void SetTimeLineAlpha(DS_TimeLineControl& tl, float alpha) {
  tl.mode.SetValue(DS_TimeLineControl::kWindows);
  tl.AddWindow({0.0f, 100.0f, 1.0f, 99.0f});
  tl.SetWrappedTime(alpha);
}

TEST_F(FishTest, GhostStartsAtARandomOpacity) {
  DS_GhostConstructor ghost;
  SetTestArea(ghost);
  DS_SpriteParticle s;
  const std::vector<int> d = SeededDraws(12, 5);
  ghost.InitParticle(s);
  EXPECT_FLOAT_EQ(Between(d[0], -50.0f, 50.0f), s.velocity.x);
  EXPECT_FLOAT_EQ(Between(d[4], 0.0f, 1.0f), s.alpha);
}

TEST_F(FishTest, GhostOpacityIsTheSquareOfTheTimeLines) {
  DS_GhostConstructor ghost;
  SetTestArea(ghost);
  SetTimeLineAlpha(ghost.TimeLine(), 0.5f);
  ASSERT_EQ(kPhaseFadingIn, ghost.TimeLine().GetPhase());
  DS_SpriteParticle s = At(200.0f, 120.0f, 10.0f, 0.0f);
  s.alpha = 0.9f;
  ghost.UpdateParticle(s);
  EXPECT_FLOAT_EQ(0.5f, s.alpha);
  const unsigned int once = unsigned(int(float(ghost.GetOpacity()) * 0.5f));
  EXPECT_EQ(once, s.packedColour >> 24);
  EXPECT_EQ(unsigned(int(0.5f * float(once))), ghost.ApplyTimelineAlpha(s.packedColour) >> 24);
  EXPECT_EQ(D3DXVECTOR3(200.0f, 120.0f, 0.0f), s.position) << "visible: not placed anew";
}

TEST_F(FishTest, InvisibleGhostIsPlacedAnewEveryUpdate) {
  DS_GhostConstructor ghost;
  SetTestArea(ghost);
  ghost.spriteSize.SetValue(20u);
  ghost.TimeLine().mode.SetValue(DS_TimeLineControl::kCycle);  // starts invisible
  ASSERT_EQ(kPhaseInvisible, ghost.TimeLine().GetPhase());
  DS_SpriteParticle s = At(200.0f, 120.0f, 10.0f, 0.0f);
  for (unsigned int seed = 1; seed <= 3; ++seed) {
    const std::vector<int> d = SeededDraws(seed, 5);
    ghost.UpdateParticle(s);
    EXPECT_FLOAT_EQ(Between(d[2], kLeft, kRight), s.position.x) << "seed " << seed;
    EXPECT_FLOAT_EQ(Between(d[3], kTop, kBottom), s.position.y) << "seed " << seed;
    EXPECT_EQ(0.0f, s.alpha) << "the time line's opacity";
    EXPECT_EQ(0u, s.packedColour >> 24);
  }
}

// ---- birds ----

struct BirdCase {
  const char* what;
  float maxX, maxY, vx, vy;
  // Expected y speed; x speed from the draw when it was too slow (xDrawn).
  float expectedVy;
  bool xDrawn;
  float expectedVx;
};

const BirdCase kBirdCases[] = {
    {"slow both ways", 100, 100, 10, -20, -78.571426f, true, 0},
    {"fast enough", 100, 100, -80, 75, 75, false, -80},
    {"slow to the left", 100, 100, -69, 90, 90, true, 0},
    {"exactly 70 %", 100, 100, 70, -70, -70, false, 70},
    {"still vertically at maximum y 0", 100, 0, 90, 0, 0, false, 90},
};

class BirdTest : public FishTest, public ::testing::WithParamInterface<BirdCase> {};

TEST_P(BirdTest, NeverSlowerThanSeventyPercent) {
  const BirdCase& c = GetParam();
  DS_BirdConstructor bird;
  SetTestArea(bird);
  bird.maxSpeedX = c.maxX;
  bird.maxSpeedY = c.maxY;
  DS_SpriteParticle s = At(200.0f, 120.0f, c.vx, c.vy);
  const std::vector<int> d = SeededDraws(31, 1);
  bird.UpdateParticle(s);  // step 0, timer 0, raw time 0: the fish part changes nothing
  EXPECT_NEAR(c.expectedVy, s.velocity.y, 1e-4f) << c.what;
  if (c.xDrawn) {
    EXPECT_FLOAT_EQ(std::copysign(Between(d[0], 0.7f * c.maxX, c.maxX), c.vx), s.velocity.x) << c.what;
    EXPECT_GE(std::fabs(s.velocity.x), 0.7f * c.maxX - 1e-3f);
    EXPECT_LE(std::fabs(s.velocity.x), c.maxX);
  } else {
    EXPECT_EQ(c.expectedVx, s.velocity.x) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, BirdTest, ::testing::ValuesIn(kBirdCases));

}  // namespace
