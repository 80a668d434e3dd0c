// Rain on a seeded random sequence: drops start at a random opacity turned
// upright along the fall, fall at the rain's speed, twinkle, and meet the edge
// controls at full opacity, so a drop that leaves in the fade mode stays with
// that side until its twinkle places it anew.

#include <gtest/gtest.h>

#include <vector>

#include "objects/sprites/Rain.h"
#include "objects/sprites/SpriteParticle.h"
#include "FlowRainTestSupport.h"

using namespace flowrain_test;

namespace {

const float kStep = 0.125f;

class RainTest : public ::testing::Test {
protected:
  RainTest() : scene(kSceneWidth, kSceneHeight) {
    SetTestArea(rain);
    rain.UpdateTime(0.0f);
  }

  void Step(DS_SpriteParticle& sprite) {
    now += kStep;
    rain.UpdateTime(now);
    rain.UpdateParticle(sprite);
  }

  SceneSize scene;
  DS_RainConstructor rain;
  float now = 0.0f;
};

TEST_F(RainTest, DropStartsAtARandomOpacityStandingUpright) {
  rain.spriteSize.SetValue(20u);
  rain.transparency.SetValue(0u);
  DS_SpriteParticle s;
  const std::vector<int> d = SeededDraws(21, 4);
  rain.InitParticle(s);
  EXPECT_FLOAT_EQ(static_cast<float>(d[0]) / 32767.0f * 2.0f - 1.0f, s.velocity.z);
  EXPECT_FLOAT_EQ(Between(d[1], kLeft, kRight), s.position.x);
  EXPECT_FLOAT_EQ(Between(d[2], kTop, kBottom), s.position.y);
  EXPECT_FLOAT_EQ(Between(d[3], 0.0f, 1.0f), s.alpha);
  EXPECT_EQ(static_cast<unsigned int>(static_cast<int>(255.0f * s.alpha)), s.packedColour >> 24)
      << "the colour is packed with the new opacity";
  // The flow rotation and the quarter turn cancel at 270 degrees.
  EXPECT_NEAR(1.0f, s.xAxis.x, 1e-6f);
  EXPECT_NEAR(0.0f, s.xAxis.y, 1e-6f);
  EXPECT_NEAR(0.0f, s.yAxis.x, 1e-6f);
  EXPECT_NEAR(1.0f, s.yAxis.y, 1e-6f);
}

TEST_F(RainTest, SlantedRainTurnsItsDropsAlongTheFall) {
  rain.angle.SetValue(300u);  // down and to the right
  DS_SpriteParticle s;
  rain.InitParticle(s);
  // The drop's y axis lies along the fall: (cos 300, -sin 300).
  EXPECT_NEAR(0.5f, s.yAxis.x, 1e-5f);
  EXPECT_NEAR(0.8660254f, s.yAxis.y, 1e-5f);
  EXPECT_NEAR(0.8660254f, s.xAxis.x, 1e-5f);
  EXPECT_NEAR(-0.5f, s.xAxis.y, 1e-5f);
}

TEST_F(RainTest, UprightModeIsNotTurned) {
  rain.orientationMode.SetValue(DS_FlowConstructor::kUpright);
  rain.angle.SetValue(300u);
  DS_SpriteParticle s;
  rain.InitParticle(s);
  EXPECT_EQ(D3DXVECTOR3(1.0f, 0.0f, 0.0f), s.xAxis);
  EXPECT_EQ(D3DXVECTOR3(0.0f, 1.0f, 0.0f), s.yAxis);
}

TEST_F(RainTest, FallsAtItsSpeedKeepingItsOpacity) {
  rain.speed = 400.0f;
  rain.UpdateDirection(rain.angle.GetValue());
  DS_SpriteParticle s = FlowSprite(200.0f, 70.0f);
  s.sizeFactor = 0.5f;
  s.alpha = 0.4f;
  Step(s);
  EXPECT_NEAR(200.0f, s.position.x, 1e-3f);
  EXPECT_NEAR(70.0f + 25.0f, s.position.y, 1e-3f);
  EXPECT_FLOAT_EQ(0.4f, s.alpha);
  EXPECT_EQ(static_cast<unsigned int>(static_cast<int>(255.0f * 0.4f)), s.packedColour >> 24);
}

TEST_F(RainTest, EdgeControlsSeeFullOpacityAndTheirFadeIsDropped) {
  // Bottom side in the fade mode with no fade time: a flow sprite would be at
  // 0 opacity after one update and back at the top after three.
  DS_SpriteParticle s = FlowSprite(200.0f, kBottom + 5.0f);
  s.alpha = 0.3f;
  Step(s);  // wholly out: the bottom side takes it
  ASSERT_EQ(DS_BoundControl::kBottom, s.edgeSide);
  float y = s.position.y;
  for (int i = 0; i < 20; ++i) {
    Step(s);
    EXPECT_EQ(DS_BoundControl::kBottom, s.edgeSide);
    EXPECT_EQ(0, s.respawned);
    EXPECT_EQ(0, s.hidden);
    EXPECT_FLOAT_EQ(0.3f, s.alpha);
    EXPECT_GT(s.position.y, y) << "never brought back by the side";
    y = s.position.y;
  }
}

TEST_F(RainTest, TwinkleMinimumPlacesTheDropAnew) {
  rain.twinkleRate = 1.0f;
  rain.twinkleMin = 0.2f;
  rain.twinkleMax = 1.0f;
  DS_SpriteParticle s = FlowSprite(200.0f, kBottom + 5.0f);
  s.twinkleSpeed = -1.0f;
  s.alpha = 0.5f;
  Step(s);
  ASSERT_EQ(DS_BoundControl::kBottom, s.edgeSide);
  Step(s);
  EXPECT_FLOAT_EQ(0.25f, s.alpha);
  const std::vector<int> d = SeededDraws(8, 4);
  Step(s);  // 0.125 < 0.2: placed anew, at the minimum, turning up
  EXPECT_FLOAT_EQ(Between(d[1], kLeft, kRight), s.position.x);
  EXPECT_FLOAT_EQ(Between(d[2], kTop, kBottom), s.position.y);
  EXPECT_FLOAT_EQ(0.2f, s.alpha);
  EXPECT_FLOAT_EQ(1.0f, s.twinkleSpeed);
  EXPECT_EQ(DS_BoundControl::kBottom, s.edgeSide) << "still recorded as the bottom side's";
}

}  // namespace
