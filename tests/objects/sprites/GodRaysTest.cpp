// God rays: placement and shear, the quarter-second drift changes on a seeded
// rand() sequence, twinkle and re-placement.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "objects/sprites/GodRays.h"
#include "objects/sprites/SpriteParticle.h"
#include "Sprites2TestSupport.h"

using namespace sprites2_test;

namespace {

class GodRayTest : public ::testing::Test {
protected:
  GodRayTest() : scene(kSceneWidth, kSceneHeight) {
    SetTestArea(item);
    item.spriteSize.SetValue(30u);
  }

  SceneSize scene;
  DS_GodRayConstructor item;
  DS_SpriteParticle sprite;
};

TEST_F(GodRayTest, InitPlacesATallRayOnTheSeededSequence) {
  item.sizeFactorMin = item.sizeFactorMax = 3.0f;
  sprite.sizeFactor = 3.0f;
  const std::vector<int> d = SeededDraws(17, 3);
  item.InitParticle(sprite);
  EXPECT_FLOAT_EQ(Between(d[0], kLeft, kRight), sprite.position.x);
  // Half the area's height, from the scene's top.
  EXPECT_FLOAT_EQ((kBottom - kTop) * 0.5f, sprite.position.y);
  EXPECT_EQ(0.0f, sprite.position.z);
  EXPECT_FLOAT_EQ(Between(d[1], -10.0f, 10.0f), sprite.velocity.x);
  EXPECT_EQ(0.0f, sprite.velocity.y);
  EXPECT_FLOAT_EQ(Between(d[2], 0.0f, 1.0f), sprite.alpha);
  EXPECT_FLOAT_EQ(15.0f, sprite.halfWidth) << "the size factor does not apply";
  EXPECT_FLOAT_EQ(kSceneHeight * 0.5f, sprite.halfHeight) << "the ray spans the scene";
  EXPECT_EQ(D3DXVECTOR3(1.0f, 0.0f, 0.0f), sprite.xAxis);
  EXPECT_EQ(1.0f, sprite.yAxis.y);
}

struct ShearCase {
  unsigned int angle;
  float shear;  // x of the y axis: -cot(angle)
};

const ShearCase kShearCases[] = {
    {90, 0.0f},       {80, -0.17632698f}, {100, 0.17632698f}, {45, -1.0f}, {135, 1.0f},
    {225, -1.0f},     {315, 1.0f},        {270, 0.0f},
    // No finite shear: the ray stands unsheared.
    {0, 0.0f},        {180, 0.0f},        {360, 0.0f},        {720, 0.0f},
};

class GodRayShearTest : public ::testing::TestWithParam<ShearCase> {};

TEST_P(GodRayShearTest, YAxisLeansByTheAngle) {
  const ShearCase& c = GetParam();
  SceneSize scene(kSceneWidth, kSceneHeight);
  DS_GodRayConstructor item;
  item.rayAngle.SetValue(c.angle);
  DS_SpriteParticle sprite;
  item.InitParticle(sprite);
  EXPECT_NEAR(c.shear, sprite.yAxis.x, 1e-5f) << "angle " << c.angle;
  EXPECT_TRUE(std::isfinite(sprite.yAxis.x));
  EXPECT_EQ(1.0f, sprite.yAxis.y);
  EXPECT_EQ(0.0f, sprite.yAxis.z);
}

INSTANTIATE_TEST_SUITE_P(Cases, GodRayShearTest, ::testing::ValuesIn(kShearCases));

TEST_F(GodRayTest, EightyDegreesLeansTheTopToTheRight) {
  item.InitParticle(sprite);
  const D3DXVECTOR3 corner = DS_ParticleSystemCtrl::GetSpriteCorner(sprite);
  const D3DXVECTOR3 bottomLeft = corner + 2.0f * sprite.halfHeight * sprite.yAxis;
  EXPECT_GT(corner.x, bottomLeft.x);
  EXPECT_NEAR(kSceneHeight * 0.17632698f, corner.x - bottomLeft.x, 1e-2f);
}

// One update after the control clock reached `time`, with the sprite's timer
// at 0: whether a drift draw is made, and what it gives.
TEST_F(GodRayTest, DriftChangesOneTimeInTwoEveryQuarterSecond) {
  int changed = 0, kept = 0;
  for (unsigned int seed = 1; seed <= 40; ++seed) {
    DS_GodRayConstructor ray;
    SetTestArea(ray);
    RunClock(ray, {0.1f, 0.2f, 0.3f});
    DS_SpriteParticle s;
    s.position = D3DXVECTOR3(200.0f, 90.0f, 0.0f);
    s.velocity = D3DXVECTOR3(5.0f, 0.0f, 0.0f);
    s.alpha = 0.5f;
    const std::vector<int> d = SeededDraws(seed, 3);
    ray.UpdateParticle(s);
    const float expected = Odd(d[0]) ? Between(d[1], -10.0f, 10.0f) : 5.0f;
    (Odd(d[0]) ? changed : kept)++;
    EXPECT_FLOAT_EQ(expected, s.velocity.x) << "seed " << seed;
    EXPECT_EQ(0.0f, s.velocity.y);
    EXPECT_FLOAT_EQ(200.0f + ray.GetStep() * expected, s.position.x) << "moves after the choice";
    EXPECT_FLOAT_EQ(90.0f, s.position.y);
    EXPECT_FLOAT_EQ(0.3f, s.timer);
    EXPECT_EQ(d[Odd(d[0]) ? 2 : 1], std::rand()) << "draws used, seed " << seed;
  }
  EXPECT_GT(changed, 0);
  EXPECT_GT(kept, 0);
}

TEST_F(GodRayTest, NoDriftDrawBeforeAQuarterSecond) {
  RunClock(item, {0.1f, 0.2f});  // accumulated 0.2: not more than 0.25
  sprite.velocity = D3DXVECTOR3(5.0f, 0.0f, 0.0f);
  sprite.alpha = 0.5f;
  const std::vector<int> d = SeededDraws(3, 1);
  item.UpdateParticle(sprite);
  EXPECT_FLOAT_EQ(5.0f, sprite.velocity.x);
  EXPECT_EQ(0.0f, sprite.timer);
  EXPECT_EQ(d[0], std::rand()) << "no draw made";
}

TEST_F(GodRayTest, RayThatFadesToTheMinimumIsPlacedAnew) {
  item.twinkleRate = 1.0f;
  item.twinkleMin = 0.2f;
  item.twinkleMax = 1.0f;
  RunClock(item, {0.1f});
  sprite.timer = item.GetAccumulatedTime();  // no drift draw
  sprite.position = D3DXVECTOR3(290.0f, 90.0f, 0.0f);
  sprite.alpha = 0.25f;
  sprite.twinkleSpeed = -1.0f;
  const std::vector<int> d = SeededDraws(9, 3);
  item.UpdateParticle(sprite);
  EXPECT_FLOAT_EQ(Between(d[0], kLeft, kRight), sprite.position.x);
  EXPECT_FLOAT_EQ(Between(d[1], -10.0f, 10.0f), sprite.velocity.x);
  EXPECT_FLOAT_EQ(0.2f, sprite.alpha);
  EXPECT_FLOAT_EQ(1.0f, sprite.twinkleSpeed);
  EXPECT_EQ(unsigned(int(255 * 0.2f)), sprite.packedColour >> 24);
}

TEST_F(GodRayTest, TwinkleBouncesAtTheMaximumWithoutPlacingAnew) {
  item.twinkleRate = 1.0f;
  item.twinkleMin = 0.0f;
  item.twinkleMax = 0.8f;
  RunClock(item, {0.1f});
  sprite.timer = item.GetAccumulatedTime();
  sprite.position = D3DXVECTOR3(150.0f, 90.0f, 0.0f);
  sprite.alpha = 0.75f;
  sprite.twinkleSpeed = 1.0f;
  item.UpdateParticle(sprite);
  EXPECT_FLOAT_EQ(150.0f, sprite.position.x);
  EXPECT_FLOAT_EQ(0.8f, sprite.alpha);
  EXPECT_FLOAT_EQ(-1.0f, sprite.twinkleSpeed);
  EXPECT_EQ(unsigned(int(255 * 0.8f)), sprite.packedColour >> 24);
  EXPECT_EQ(0xFFFFFFu, sprite.packedColour & 0xFFFFFFu);
}

}  // namespace
