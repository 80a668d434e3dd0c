// Fog: placement and rotation step on a seeded rand() sequence, drift and the
// bounce by the centre point, breathing without re-placement, the turn once per
// frame, and drifts from the document that are not numbers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "objects/sprites/Fog.h"
#include "objects/sprites/SpriteParticle.h"
#include "Sprites2TestSupport.h"

using namespace sprites2_test;

namespace {

class FogTest : public ::testing::Test {
protected:
  FogTest() : scene(kSceneWidth, kSceneHeight) {
    SetTestArea(item);
    item.spriteSize.SetValue(60u);
    item.twinkleRate = 0.0f;
  }

  SceneSize scene;
  DS_FogConstructor item;
  DS_SpriteParticle sprite;
};

TEST_F(FogTest, InitDrawsPlaceDriftOpacityAndTurnInOrder) {
  item.driftX = 30.0f;
  item.driftY = 8.0f;
  const std::vector<int> d = SeededDraws(11, 6);
  item.InitParticle(sprite);
  EXPECT_FLOAT_EQ(Between(d[0], kLeft, kRight), sprite.position.x);
  EXPECT_FLOAT_EQ(Between(d[1], kTop, kBottom), sprite.position.y);
  EXPECT_FLOAT_EQ(Between(d[2], -30.0f, 30.0f), sprite.velocity.x);
  EXPECT_FLOAT_EQ(Between(d[3], -8.0f, 8.0f), sprite.velocity.y);
  EXPECT_FLOAT_EQ(Between(d[4], 0.0f, 1.0f), sprite.alpha);
  const float turn = float(d[5]) / 32767.0f * 0.008f - 0.004f;
  D3DXMATRIX expected;
  D3DXMatrixRotationZ(&expected, turn);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(expected.m[i / 4][i % 4], sprite.rotation.m[i / 4][i % 4]) << i;
}

struct BounceCase {
  const char* what;
  float x, y, vx, vy;
  float expectedVx, expectedVy;
};

// The centre decides; the sprite is 60 pixels large, so these puffs partly
// overlap the area's edges.
const BounceCase kBounceCases[] = {
    {"centre inside", 200, 120, -5, 5, -5, 5},
    {"centre left of the area", 99, 120, -5, 5, 5, 5},
    {"centre right of the area", 301, 120, 5, 5, -5, 5},
    {"centre above the area", 200, 59, -5, -5, -5, 5},
    {"centre below the area", 200, 181, -5, 5, -5, -5},
    {"centre on the left edge", 100, 120, -5, 5, -5, 5},
    {"already heading back in", 99, 120, 5, 5, 5, 5},
    {"beyond a corner", 301, 181, 5, 5, -5, -5},
};

class FogBounceTest : public FogTest, public ::testing::WithParamInterface<BounceCase> {};

TEST_P(FogBounceTest, TurnsBackWhenTheCentreLeavesTheArea) {
  const BounceCase& c = GetParam();
  sprite.position = D3DXVECTOR3(c.x, c.y, 0.0f);
  sprite.velocity = D3DXVECTOR3(c.vx, c.vy, 0.0f);
  item.UpdateParticle(sprite);  // step 0: no move
  EXPECT_EQ(c.expectedVx, sprite.velocity.x) << c.what;
  EXPECT_EQ(c.expectedVy, sprite.velocity.y) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, FogBounceTest, ::testing::ValuesIn(kBounceCases));

TEST_F(FogTest, PuffLeftOfTheAreaMovesRightUntilItsCentreIsBack) {
  sprite.position = D3DXVECTOR3(80.0f, 120.0f, 0.0f);
  sprite.velocity = D3DXVECTOR3(-10.0f, 0.0f, 0.0f);
  float t = 0.0f;
  std::vector<float> xs;
  for (int frame = 0; frame < 40; ++frame) {
    t += 0.1f;
    item.UpdateTime(t);
    item.UpdateParticle(sprite);
    xs.push_back(sprite.position.x);
  }
  EXPECT_FLOAT_EQ(79.0f, xs[0]) << "the first step still goes left, then it turns";
  EXPECT_FLOAT_EQ(10.0f, sprite.velocity.x);
  EXPECT_NEAR(79.0f + 39.0f, xs.back(), 1e-3f);
  EXPECT_EQ(120.0f, sprite.position.y);
}

TEST_F(FogTest, ZeroDriftKeepsEveryPuffStill) {
  item.driftX = 0.0f;
  item.driftY = 0.0f;
  std::srand(4);
  item.InitParticle(sprite);
  const D3DXVECTOR3 start = sprite.position;
  for (int frame = 1; frame <= 20; ++frame) {
    item.UpdateTime(0.1f * float(frame));
    item.UpdateParticle(sprite);
  }
  EXPECT_EQ(start, sprite.position);
}

TEST_F(FogTest, BreathesBetweenMinimumAndMaximumWithoutPlacingAnew) {
  item.twinkleRate = 1.0f;  // min 0.2, max 1.0 by default
  sprite.position = D3DXVECTOR3(200.0f, 120.0f, 0.0f);
  sprite.alpha = 0.3f;
  sprite.twinkleSpeed = -1.0f;
  RunClock(item, {0.2f});
  const std::vector<int> d = SeededDraws(8, 1);
  item.UpdateParticle(sprite);
  EXPECT_FLOAT_EQ(0.2f, sprite.alpha);
  EXPECT_FLOAT_EQ(1.0f, sprite.twinkleSpeed);
  EXPECT_EQ(D3DXVECTOR3(200.0f, 120.0f, 0.0f), sprite.position) << "not placed anew";
  EXPECT_EQ(d[0], std::rand()) << "no draw made";
  // Opacity byte of transparency 50 % times alpha.
  EXPECT_EQ(unsigned(int(float(item.GetOpacity()) * 0.2f)), sprite.packedColour >> 24);
}

TEST_F(FogTest, ZeroTwinkleRateKeepsTheStartingOpacity) {
  sprite.alpha = 0.63f;
  for (int frame = 1; frame <= 20; ++frame) {
    item.UpdateTime(0.1f * float(frame));
    item.UpdateParticle(sprite);
  }
  EXPECT_FLOAT_EQ(0.63f, sprite.alpha);
}

TEST_F(FogTest, TurnsByItsStepOncePerFrameWhateverTheTime) {
  D3DXMatrixRotationZ(&sprite.rotation, 0.004f);
  sprite.position = D3DXVECTOR3(200.0f, 120.0f, 0.0f);
  // The clock stands still: the puff turns all the same.
  for (int frame = 0; frame < 100; ++frame) item.UpdateParticle(sprite);
  const float angle = std::atan2(sprite.xAxis.y, sprite.xAxis.x);
  EXPECT_NEAR(0.4f, std::fabs(angle), 1e-4f);
  EXPECT_NEAR(1.0f, D3DXVec3Length(&sprite.xAxis), 1e-4f);
  EXPECT_NEAR(1.0f, D3DXVec3Length(&sprite.yAxis), 1e-4f);
  EXPECT_NEAR(0.0f, D3DXVec3Dot(&sprite.xAxis, &sprite.yAxis), 1e-5f) << "the axes stay square";
}

TEST_F(FogTest, DriftThatIsNotANumberLeavesThePuffStill) {
  item.driftX = std::numeric_limits<float>::quiet_NaN();
  item.driftY = std::numeric_limits<float>::infinity();
  std::srand(2);
  item.InitParticle(sprite);
  EXPECT_EQ(0.0f, sprite.velocity.x);
  EXPECT_EQ(0.0f, sprite.velocity.y);
  item.UpdateTime(0.1f);
  item.UpdateParticle(sprite);
  EXPECT_TRUE(std::isfinite(sprite.position.x));
  EXPECT_TRUE(std::isfinite(sprite.position.y));
}

}  // namespace
