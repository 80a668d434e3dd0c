// Grass placement and sway, flower sway and the discharge's frame jumps, driven by
// a seeded rand() sequence and the items' own clocks; the time line's opacity in
// the two time modes.

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "document/Utilities.h"
#include "objects/sprites/Discharges.h"
#include "objects/sprites/Flowers.h"
#include "objects/sprites/Grass.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/TimeLine.h"
#include "Sprites2TestSupport.h"

namespace {

using namespace sprites2_test;

const float kPi = 3.1415927f;

float Shear(float degrees) { return std::tan(degrees * kPi / 180.0f); }

TEST(GrassTest, BladesStandOnTheBottomEdgeInDrawOrder) {
  SceneSize scene(kSceneWidth, kSceneHeight);
  DS_GrassConstructor item;
  SetTestArea(item);
  for (unsigned int seed : {1u, 7u, 12345u}) {
    const std::vector<int> draws = SeededDraws(seed, 9);
    for (int blade = 0; blade < 3; ++blade) {
      DS_SpriteParticle sprite;
      sprite.halfWidth = 6.0f;
      sprite.halfHeight = 25.0f;
      item.InitParticle(sprite);
      const int* d = &draws[blade * 3];
      const float x = Between(d[0], kLeft, kRight);
      EXPECT_FLOAT_EQ(x, sprite.position.x) << "seed " << seed;
      EXPECT_FLOAT_EQ(kBottom - 25.0f, sprite.position.y);
      EXPECT_FLOAT_EQ(x, sprite.velocity.z) << "the foot";
      EXPECT_FLOAT_EQ(Between(d[1], 0.0f, kPi / 2.0f), sprite.velocity.y) << "the phase";
      EXPECT_FLOAT_EQ(Odd(d[2]) ? -1.0f : 1.0f, sprite.xAxis.x) << "mirrored one time in two";
      EXPECT_FLOAT_EQ(0.0f, sprite.xAxis.y);
    }
  }
}

struct SwayCase {
  float amplitude;
  float phase;
  float time;  // of the control clock, real time at speed 50
};

TEST(GrassTest, BladeSwaysAboutItsFoot) {
  SceneSize scene(kSceneWidth, kSceneHeight);
  const SwayCase cases[] = {
      {3.0f, 0.3f, 0.15f}, {3.0f, 1.2f, 0.2f}, {20.0f, 0.0f, 0.1f}, {45.0f, 0.7f, 0.05f}, {0.0f, 0.9f, 0.2f}};
  for (const SwayCase& c : cases) {
    DS_GrassConstructor item;
    SetTestArea(item);
    item.swayAmplitude = c.amplitude;
    RunClock(item, {0.0f, c.time});
    DS_SpriteParticle sprite;
    sprite.halfHeight = 25.0f;
    sprite.position = D3DXVECTOR3(150.0f, 155.0f, 0.0f);
    sprite.velocity = D3DXVECTOR3(0.0f, c.phase, 150.0f);
    item.UpdateParticle(sprite);
    const float d = std::sin(item.GetAccumulatedTime() + c.phase + 150.0f / kSceneWidth * 2.0f * kPi);
    const float s = Shear(d * c.amplitude);
    EXPECT_NEAR(s, sprite.yAxis.x, 1e-5f) << "amplitude " << c.amplitude;
    EXPECT_FLOAT_EQ(1.0f, sprite.yAxis.y);
    EXPECT_NEAR(150.0f - s * 25.0f, sprite.position.x, 1e-3f);
    // The foot: the middle of the bottom edge stays at the base x.
    EXPECT_NEAR(150.0f, sprite.position.x + 25.0f * sprite.yAxis.x, 1e-3f);
    if (c.amplitude == 0.0f) {
      EXPECT_EQ(0.0f, sprite.yAxis.x) << "no sway at amplitude 0";
      EXPECT_EQ(150.0f, sprite.position.x);
    }
  }
}

// The document's amplitude and the scene width cannot make the blade infinite or
// not a number.
TEST(GrassTest, HostileAmplitudeAndSceneWidthKeepTheBladeFinite) {
  const float amplitudes[] = {90.0f, -90.0f, 1e30f, NAN, INFINITY};
  for (int width : {kSceneWidth, 0}) {
    SceneSize scene(width, kSceneHeight);
    for (float amplitude : amplitudes) {
      DS_GrassConstructor item;
      item.swayAmplitude = amplitude;
      RunClock(item, {0.0f, 0.1f});
      DS_SpriteParticle sprite;
      sprite.halfHeight = 25.0f;
      sprite.velocity = D3DXVECTOR3(0.0f, kPi / 2.0f, 150.0f);
      sprite.position.x = 150.0f;
      item.UpdateParticle(sprite);
      EXPECT_TRUE(std::isfinite(sprite.yAxis.x)) << "amplitude " << amplitude << ", width " << width;
      EXPECT_TRUE(std::isfinite(sprite.position.x)) << "amplitude " << amplitude << ", width " << width;
      EXPECT_LE(std::fabs(sprite.yAxis.x), Shear(89.0f) * 1.001f);
    }
  }
}

TEST(FlowerTest, HeadSwaysOnTheSpriteClock) {
  const unsigned int angles[] = {0, 90};
  for (unsigned int angle : angles) {
    DS_FlowerConstructor item;
    item.swayAmplitude = 10.0f;
    item.rectangle.Extra1().SetValue(200);
    item.rectangle.Extra2().SetValue(100);
    item.spriteSize.SetValue(100);
    item.rotationAngle.SetValue(angle);
    DS_SpriteParticle sprite;
    sprite.aspect = 0.4f;
    item.InitParticle(sprite);
    ASSERT_FLOAT_EQ(20.0f, sprite.halfHeight);
    item.spriteClock.Advance(0.0f);
    item.spriteClock.Advance(0.15f);
    item.UpdateParticle(sprite);
    const float s = Shear(std::sin(item.spriteClock.GetAccumulatedTime()) * 10.0f);
    ASSERT_NE(0.0f, s);
    if (angle == 0) {
      EXPECT_NEAR(s, sprite.yAxis.x, 1e-5f);
      EXPECT_NEAR(1.0f, sprite.yAxis.y, 1e-5f);
      EXPECT_NEAR(200.0f - 20.0f * s, sprite.position.x, 1e-3f);
      EXPECT_NEAR(100.0f, sprite.position.y, 1e-3f);
    } else {
      // Turned a quarter: the picture's width runs up the screen.
      EXPECT_NEAR(1.0f, sprite.yAxis.x, 1e-5f);
      EXPECT_NEAR(-s, sprite.yAxis.y, 1e-5f);
      EXPECT_NEAR(200.0f, sprite.position.x, 1e-3f);
      EXPECT_NEAR(100.0f + 20.0f * s, sprite.position.y, 1e-3f);
    }
  }
}

TEST(FlowerTest, ZeroAmplitudeKeepsThePictureStill) {
  DS_FlowerConstructor item;
  item.swayAmplitude = 0.0f;
  item.rectangle.Extra1().SetValue(120);
  item.rectangle.Extra2().SetValue(80);
  item.spriteSize.SetValue(40);
  DS_SpriteParticle sprite;
  item.InitParticle(sprite);
  item.spriteClock.Advance(0.0f);
  item.spriteClock.Advance(0.1f);
  item.UpdateParticle(sprite);
  EXPECT_EQ(120.0f, sprite.position.x);
  EXPECT_EQ(80.0f, sprite.position.y);
  EXPECT_EQ(0.0f, sprite.yAxis.x);
}

// Time mode 1 fades the picture with the time line; other modes leave it.
TEST(GrassFlowersTest, TimeLineOpacityOnlyInTimeModeOne) {
  DS_GrassConstructor grass;
  DS_FlowerConstructor flower;
  DS_BaseSpriteProp* items[] = {&grass, &flower};
  for (DS_BaseSpriteProp* item : items) {
    item->TimeLine().mode.SetValue(DS_TimeLineControl::kWindows);
    item->TimeLine().AddWindow({0.0f, 100.0f, 1.0f, 99.0f});
    item->TimeLine().SetWrappedTime(0.5f);
    ASSERT_NEAR(0.5f, item->TimeLine().GetAlpha(), 1e-4f);
    const struct {
      int timeMode;
      DWORD expected;
    } cases[] = {{1, 0x7F112233u}, {2, 0xFF112233u}, {0, 0xFF112233u}};
    for (const auto& c : cases) {
      item->TimeLine().timeMode.SetValue(c.timeMode);
      EXPECT_EQ(c.expected, item->ApplyTimelineAlpha(0xFF112233u)) << "time mode " << c.timeMode;
    }
  }
}

TEST(DischargeTest, TwoFramesAlternate) {
  DS_DischargeConstructor item;
  item.frameCount = 2;
  std::srand(3);
  int frame = 0;
  for (int step = 0; step < 10; ++step) {
    const int next = item.NextFrame(frame);
    EXPECT_EQ(1 - frame, next) << "step " << step;
    frame = next;
  }
}

TEST(DischargeTest, RandomFramesFollowTheSeededSequence) {
  DS_DischargeConstructor item;
  item.frameCount = 5;
  const std::vector<int> draws = SeededDraws(77, 200);
  size_t used = 0;
  int frame = 2;
  std::set<int> seen;
  for (int step = 0; step < 40; ++step) {
    int expected = frame;
    while (expected == frame) expected = draws[used++] % 5;
    const int next = item.NextFrame(frame);
    ASSERT_EQ(expected, next) << "step " << step;
    EXPECT_NE(frame, next);
    seen.insert(next);
    frame = next;
  }
  EXPECT_EQ(5u, seen.size());
}

// With no other frame the loop could never end: the frame is kept.
TEST(DischargeTest, SingleOrNoFrameIsKept) {
  for (unsigned int count : {0u, 1u}) {
    DS_DischargeConstructor item;
    item.frameCount = count;
    EXPECT_EQ(0, item.NextFrame(0)) << "frame count " << count;
  }
}

}  // namespace
