// Lightning flashes: placement, tilt and mirror on a seeded rand() sequence, the
// flash, fade and flicker cycle, the dark pause drawn from the time line's
// hidden range, and opacity that ignores the time line.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "objects/sprites/LightningFlashes.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/TimeLine.h"
#include "Sprites2TestSupport.h"

using namespace sprites2_test;

namespace {

const float kPi = 3.1415927f;

class LightningTest : public ::testing::Test {
protected:
  LightningTest() : scene(kSceneWidth, kSceneHeight) {
    SetTestArea(item);
    item.spriteSize.SetValue(40u);
  }

  SceneSize scene;
  DS_LightingConstructor item;
  DS_SpriteParticle sprite;
};

TEST_F(LightningTest, InitPlacesATiltedFlashInsideTheArea) {
  int mirrored = 0;
  for (unsigned int seed = 1; seed <= 12; ++seed) {
    DS_SpriteParticle s;
    s.alpha = 1.0f;
    const std::vector<int> d = SeededDraws(seed, 4);
    item.InitParticle(s);
    EXPECT_FLOAT_EQ(20.0f, s.halfWidth);
    EXPECT_FLOAT_EQ(20.0f, s.halfHeight);
    EXPECT_FLOAT_EQ(Between(d[0], kLeft + 20.0f, kRight - 20.0f), s.position.x) << "seed " << seed;
    EXPECT_FLOAT_EQ(Between(d[1], kTop + 20.0f, kBottom - 20.0f), s.position.y) << "seed " << seed;
    const float angle = Between(d[2], 0.0f, kPi / 4.0f) - kPi / 8.0f;
    const float mirror = Odd(d[3]) ? -1.0f : 1.0f;
    mirrored += Odd(d[3]) ? 1 : 0;
    EXPECT_NEAR(mirror * std::cos(angle), s.xAxis.x, 1e-6f) << "seed " << seed;
    EXPECT_NEAR(mirror * std::sin(angle), s.xAxis.y, 1e-6f) << "seed " << seed;
    EXPECT_NEAR(-std::sin(angle), s.yAxis.x, 1e-6f) << "seed " << seed;
    EXPECT_NEAR(std::cos(angle), s.yAxis.y, 1e-6f) << "seed " << seed;
    EXPECT_LE(std::fabs(angle), kPi / 8.0f + 1e-6f);
    EXPECT_EQ(0.0f, s.alpha) << "a new flash starts dark";
  }
  EXPECT_GT(mirrored, 0);
  EXPECT_LT(mirrored, 12);
}

TEST_F(LightningTest, NewSpriteFlashesOnceTheLocalTimeMoves) {
  sprite.alpha = 0.0f;
  item.UpdateTime(0.0f);
  item.UpdateParticle(sprite);
  EXPECT_EQ(0.0f, sprite.alpha) << "the local time has not moved";

  item.UpdateTime(0.1f);
  const std::vector<int> d = SeededDraws(6, 4);
  item.UpdateParticle(sprite);
  EXPECT_EQ(1.0f, sprite.alpha);
  EXPECT_FLOAT_EQ(Between(d[0], kLeft + 20.0f, kRight - 20.0f), sprite.position.x) << "a new place";
  EXPECT_FLOAT_EQ(0.1f, sprite.timer) << "the flicker counts from the flash";
  EXPECT_EQ(0xFFFFFFFFu, sprite.packedColour);
}

// A flash lit at 0.1 s, then updates at 0.2 and 0.3 s: at 0.2 it has faded to
// 0.4 without a draw; at 0.3 it has faded below 0 and one draw decides whether
// it flickers back or goes dark for a pause drawn from the hidden range.
TEST_F(LightningTest, FadesAndFlickersOrGoesDarkOnTheSeededSequence) {
  int relit = 0, dark = 0;
  for (unsigned int seed = 1; seed <= 30; ++seed) {
    DS_LightingConstructor flash;
    SetTestArea(flash);
    flash.spriteSize.SetValue(40u);
    DS_SpriteParticle s;
    s.alpha = 0.0f;
    flash.UpdateTime(0.1f);
    flash.UpdateParticle(s);
    ASSERT_EQ(1.0f, s.alpha);

    flash.UpdateTime(0.2f);
    const std::vector<int> none = SeededDraws(seed, 1);
    flash.UpdateParticle(s);
    EXPECT_NEAR(0.4f, s.alpha, 1e-5f) << "6 x step lost";
    EXPECT_EQ(none[0], std::rand()) << "no flicker draw before 0.15 s";

    flash.UpdateTime(0.3f);
    const std::vector<int> d = SeededDraws(seed, 2);
    flash.UpdateParticle(s);
    if (Odd(d[0])) {
      ++relit;
      EXPECT_EQ(1.0f, s.alpha) << "seed " << seed;
      EXPECT_FLOAT_EQ(0.3f, s.timer);
      EXPECT_EQ(0.0f, s.delay);
    } else {
      ++dark;
      EXPECT_EQ(0.0f, s.alpha) << "seed " << seed;
      EXPECT_FLOAT_EQ(0.3f, s.timer) << "the pause counts from the raw local time";
      EXPECT_FLOAT_EQ(float(d[1] % 401 + 100) * 0.01f, s.delay) << "seed " << seed;
      EXPECT_EQ(0u, s.packedColour >> 24);
    }
  }
  EXPECT_GT(relit, 0);
  EXPECT_GT(dark, 0);
}

TEST_F(LightningTest, DarkFlashWaitsForItsDelayOnTheRawLocalTime) {
  // Double speed: the control clock runs ahead; the pause does not.
  item.speed.SetValue(100u);
  sprite.alpha = 0.0f;
  sprite.timer = 0.25f;
  sprite.delay = 1.0f;
  float t = 0.0f;
  int litAt = -1;
  for (int frame = 1; frame <= 20 && litAt < 0; ++frame) {
    t = 0.1f * float(frame);
    item.UpdateTime(t);
    item.UpdateParticle(sprite);
    if (sprite.alpha != 0.0f) litAt = frame;
  }
  EXPECT_EQ(13, litAt) << "lit once more than 1 s of raw time has passed since 0.25 s";
}

TEST_F(LightningTest, FlashIgnoresTheTimeLineOpacity) {
  // The default cycle starts invisible: opacity 0.
  EXPECT_EQ(0.0f, item.TimeLine().GetAlpha());
  EXPECT_EQ(0xFF123456u, item.ApplyTimelineAlpha(0xFF123456u));
  EXPECT_EQ(0x80ABCDEFu, item.ApplyTimelineAlpha(0x80ABCDEFu));
}

}  // namespace
