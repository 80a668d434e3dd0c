// The sprite record and the shared per-sprite operations: edge tests, half
// extents, creation on the shared rand() sequence, twinkle and colour packing.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "SpriteTestSupport.h"

using sprites_test::SceneSize;
using sprites_test::TestSpriteItem;

namespace {

// ---- edge tests ----

struct EdgeCase {
  const char* what;
  float x, y, halfWidth, halfHeight;
  // Expected: outside left, right, top, bottom; crosses left, right, top,
  // bottom.
  bool outside[4];
  bool crosses[4];
};

// Scene 400 x 300, area x in [100, 300], y in [75, 225].
const EdgeCase kEdgeCases[] = {
    {"well inside", 200, 150, 10, 10, {false, false, false, false}, {false, false, false, false}},
    {"left edge on the area's", 110, 150, 10, 10, {false, false, false, false}, {false, false, false, false}},
    {"one pixel over the left edge", 109, 150, 10, 10, {false, false, false, false}, {true, false, false, false}},
    {"right edge on the area's", 290, 150, 10, 10, {false, false, false, false}, {false, false, false, false}},
    {"one pixel over the right edge", 291, 150, 10, 10, {false, false, false, false}, {false, true, false, false}},
    {"touching from outside left", 90, 150, 10, 10, {false, false, false, false}, {true, false, false, false}},
    {"wholly left", 89, 150, 10, 10, {true, false, false, false}, {true, false, false, false}},
    {"wholly right", 311, 150, 10, 10, {false, true, false, false}, {false, true, false, false}},
    {"wholly above", 200, 64, 10, 10, {false, false, true, false}, {false, false, true, false}},
    {"wholly below", 200, 236, 10, 10, {false, false, false, true}, {false, false, false, true}},
    {"over the top edge", 200, 80, 10, 10, {false, false, false, false}, {false, false, true, false}},
    {"over the bottom edge", 200, 220, 10, 10, {false, false, false, false}, {false, false, false, true}},
    {"larger than the area", 200, 150, 150, 100, {false, false, false, false}, {true, true, true, true}},
    // A mirrored sprite (negative half width) tests crossing with its other
    // side, but outside with its extent. (Unmirrored, a sprite at x 105 would
    // cross the left edge.)
    {"mirrored, over the left edge", 105, 150, -10, 10, {false, false, false, false}, {false, false, false, false}},
    {"mirrored, wholly left", 89, 150, -10, 10, {true, false, false, false}, {true, false, false, false}},
};

class EdgeTest : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(EdgeTest, TestsAgainstTheAreaInScenePixels) {
  const EdgeCase& c = GetParam();
  SceneSize scene(400, 300);
  TestSpriteItem item;
  item.relLeft = 0.25f;
  item.relRight = 0.75f;
  item.relTop = 0.25f;
  item.relBottom = 0.75f;
  DS_SpriteParticle sprite;
  sprite.position = D3DXVECTOR3(c.x, c.y, 0.0f);
  sprite.halfWidth = c.halfWidth;
  sprite.halfHeight = c.halfHeight;
  EXPECT_EQ(c.outside[0], sprite.IsOutsideLeft(item)) << c.what;
  EXPECT_EQ(c.outside[1], sprite.IsOutsideRight(item)) << c.what;
  EXPECT_EQ(c.outside[2], sprite.IsOutsideTop(item)) << c.what;
  EXPECT_EQ(c.outside[3], sprite.IsOutsideBottom(item)) << c.what;
  EXPECT_EQ(c.crosses[0], sprite.CrossesLeft(item)) << c.what;
  EXPECT_EQ(c.crosses[1], sprite.CrossesRight(item)) << c.what;
  EXPECT_EQ(c.crosses[2], sprite.CrossesTop(item)) << c.what;
  EXPECT_EQ(c.crosses[3], sprite.CrossesBottom(item)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, EdgeTest, ::testing::ValuesIn(kEdgeCases));

TEST(SpriteParticleTest, ClearTimersKeepsEverythingElse) {
  DS_SpriteParticle sprite;
  sprite.deadline = 1.0f;
  sprite.secondTimer = 2.0f;
  sprite.delay = 3.0f;
  sprite.timer = 4.0f;
  sprite.alpha = 0.5f;
  sprite.position = D3DXVECTOR3(7.0f, 8.0f, 0.0f);
  sprite.edgeSide = 2;
  sprite.ClearTimers();
  EXPECT_EQ(0.0f, sprite.deadline);
  EXPECT_EQ(0.0f, sprite.secondTimer);
  EXPECT_EQ(0.0f, sprite.delay);
  EXPECT_EQ(0.0f, sprite.timer);
  EXPECT_EQ(0.5f, sprite.alpha);
  EXPECT_EQ(7.0f, sprite.position.x);
  EXPECT_EQ(2, sprite.edgeSide);
}

// ---- half extents and corner ----

struct ExtentCase {
  float aspect, sizeFactor;
  unsigned int spriteSize;
  float halfWidth, halfHeight;
};

const ExtentCase kExtentCases[] = {
    {0.5f, 1.0f, 40, 20.0f, 10.0f},  // wider than high
    {2.0f, 1.0f, 40, 10.0f, 20.0f},  // higher than wide
    {1.0f, 1.0f, 40, 20.0f, 20.0f},  // square: the height rule
    {1.0f, 0.5f, 40, 10.0f, 10.0f},  // the size factor scales both
    {0.0f, 1.0f, 40, 20.0f, 0.0f},   // a picture without height: flat, no division
};

class ExtentTest : public ::testing::TestWithParam<ExtentCase> {};

TEST_P(ExtentTest, LongerSideTakesHalfTheScaledSize) {
  const ExtentCase& c = GetParam();
  DS_SpriteParticle sprite;
  sprite.aspect = c.aspect;
  sprite.sizeFactor = c.sizeFactor;
  DS_ParticleSystemCtrl::SetHalfExtents(c.spriteSize, sprite);
  EXPECT_FLOAT_EQ(c.halfWidth, sprite.halfWidth) << "aspect " << c.aspect;
  EXPECT_FLOAT_EQ(c.halfHeight, sprite.halfHeight) << "aspect " << c.aspect;
}

INSTANTIATE_TEST_SUITE_P(Cases, ExtentTest, ::testing::ValuesIn(kExtentCases));

TEST(SpriteParticleTest, CornerFollowsTheAxes) {
  DS_SpriteParticle sprite;
  sprite.position = D3DXVECTOR3(100.0f, 80.0f, 0.0f);
  sprite.halfWidth = 20.0f;
  sprite.halfHeight = 10.0f;
  D3DXVECTOR3 corner = DS_ParticleSystemCtrl::GetSpriteCorner(sprite);
  EXPECT_FLOAT_EQ(80.0f, corner.x);
  EXPECT_FLOAT_EQ(70.0f, corner.y);
  // Axes turned by 90 degrees: the width runs down, the height to the left.
  sprite.xAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  sprite.yAxis = D3DXVECTOR3(-1.0f, 0.0f, 0.0f);
  corner = DS_ParticleSystemCtrl::GetSpriteCorner(sprite);
  EXPECT_FLOAT_EQ(110.0f, corner.x);
  EXPECT_FLOAT_EQ(60.0f, corner.y);
}

// ---- creation on the shared rand() sequence ----

TEST(SpriteCreationTest, InitialisationDrawsFromTheSharedSequenceInOrder) {
  SceneSize scene(400, 300);
  TestSpriteItem item;
  item.randomStart = true;
  item.spriteCount.SetValue(3u);
  item.spriteSize.SetValue(40u);
  item.sizeFactorMin = 0.5f;
  item.sizeFactorMax = 1.5f;
  item.twinkleRate = 2.0f;
  item.colour.SetValue(0x0000FFu);

  const unsigned seed = 1234;
  std::srand(seed);
  std::unique_ptr<DS_SpriteArrayObj> object(static_cast<DS_SpriteArrayObj*>(item.CreateObject()));
  ASSERT_EQ(3u, object->sprites.size());

  // Replay: per sprite the size factor, the twinkle sign, then the family's
  // start point (x, then y, within the area shrunk by the half extents).
  std::srand(seed);
  int k = 0;
  for (const DS_SpriteParticle* sprite : object->sprites) {
    const float sizeFactor = 0.5f + float(std::rand()) / 32767.0f * (1.5f - 0.5f);
    const float sign = (std::rand() & 1) ? -1.0f : 1.0f;
    const float half = sizeFactor * 40.0f * 0.5f;
    const float x = half + float(std::rand()) / 32767.0f * ((400.0f - half) - half);
    const float y = half + float(std::rand()) / 32767.0f * ((300.0f - half) - half);
    EXPECT_FLOAT_EQ(sizeFactor, sprite->sizeFactor) << "sprite " << k;
    EXPECT_FLOAT_EQ(half, sprite->halfWidth) << "sprite " << k;
    EXPECT_FLOAT_EQ(half, sprite->halfHeight) << "sprite " << k;
    EXPECT_FLOAT_EQ(2.0f * sign, sprite->twinkleSpeed) << "sprite " << k;
    EXPECT_FLOAT_EQ(x, sprite->position.x) << "sprite " << k;
    EXPECT_FLOAT_EQ(y, sprite->position.y) << "sprite " << k;
    EXPECT_EQ(1.0f, sprite->alpha);
    EXPECT_EQ(-1, sprite->edgeSide);
    EXPECT_EQ(0.0f, sprite->uLeft);
    EXPECT_EQ(1.0f, sprite->uRight);
    EXPECT_EQ(0.0f, sprite->vTop);
    EXPECT_EQ(1.0f, sprite->vBottom);
    EXPECT_EQ(0xFFFF0000u, sprite->packedColour) << "red at full opacity, ARGB";
    ++k;
  }
  EXPECT_EQ(3, sprites_test::ItemOf(*object).inits);
  EXPECT_EQ(0, item.inits) << "the document item itself makes no sprites";
}

TEST(SpriteCreationTest, InitSpriteResetsMotionAndPlacesAtTheDefaultPoint) {
  TestSpriteItem item;
  item.spriteSize.SetValue(30u);
  DS_SpriteParticle sprite;
  sprite.velocity = D3DXVECTOR3(5.0f, 6.0f, 7.0f);
  sprite.direction = D3DXVECTOR3(1.0f, -1.0f, 0.0f);
  sprite.xAxis = D3DXVECTOR3(0.0f, 3.0f, 0.0f);
  DS_ParticleSystemCtrl::InitSprite(sprite, item);
  EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), sprite.velocity);
  EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), sprite.direction);
  EXPECT_EQ(D3DXVECTOR3(100.0f, 100.0f, 0.0f), sprite.position);
  EXPECT_EQ(D3DXVECTOR3(1.0f, 0.0f, 0.0f), sprite.xAxis);
  EXPECT_EQ(D3DXVECTOR3(0.0f, 1.0f, 0.0f), sprite.yAxis);
  EXPECT_EQ(1.0f, sprite.sizeFactor) << "size-factor range 1..1";
  EXPECT_EQ(1.0f, sprite.aspect) << "no resource manager: square frames";
  EXPECT_EQ(15.0f, sprite.halfWidth);
}

TEST(SpriteCreationTest, StripFramesMakeTheFrameAspectFrameCountTimesTaller) {
  TestSpriteItem item;
  item.frameCount = 4;
  EXPECT_EQ(1.0f, item.GetFrameAspect());
  item.stripFlag = 1;
  EXPECT_EQ(4.0f, item.GetFrameAspect());
}

// ---- twinkle ----

struct TwinkleCase {
  const char* what;
  float rate, minimum, maximum;
  float startAlpha, startSpeed;
  bool respawn;
  int steps;
  float alpha, speed;
  int inits;
};

// Steps of 0.15 (control clock at real-time speed, frames 0.15 s apart).
const TwinkleCase kTwinkleCases[] = {
    {"rate 0 never changes", 0.0f, 0.2f, 1.0f, 0.7f, 0.0f, true, 10, 0.7f, 0.0f, 0},
    {"falls by the step", 1.0f, 0.2f, 1.0f, 1.0f, -1.0f, false, 2, 0.7f, -1.0f, 0},
    {"bounces at the minimum", 1.0f, 0.2f, 1.0f, 1.0f, -1.0f, false, 6, 0.2f, 1.0f, 0},
    {"respawns at the minimum", 1.0f, 0.2f, 1.0f, 1.0f, -1.0f, true, 6, 0.2f, 1.0f, 1},
    {"rises again after the minimum", 1.0f, 0.2f, 1.0f, 1.0f, -1.0f, true, 7, 0.35f, 1.0f, 1},
    {"bounces at the maximum", 1.0f, 0.2f, 1.0f, 0.9f, 1.0f, true, 1, 1.0f, -1.0f, 0},
    {"a whole cycle respawns once", 1.0f, 0.2f, 1.0f, 1.0f, -1.0f, true, 12, 1.0f, -1.0f, 1},
    {"twice the rate, twice as fast", 2.0f, 0.0f, 1.0f, 1.0f, -2.0f, false, 2, 0.4f, -2.0f, 0},
};

class TwinkleTest : public ::testing::TestWithParam<TwinkleCase> {};

TEST_P(TwinkleTest, AlphaBouncesBetweenTheLimits) {
  const TwinkleCase& c = GetParam();
  TestSpriteItem item;
  item.twinkleRate = c.rate;
  item.twinkleMin = c.minimum;
  item.twinkleMax = c.maximum;
  DS_SpriteParticle sprite;
  sprite.alpha = c.startAlpha;
  sprite.twinkleSpeed = c.startSpeed;
  float t = 0.0f;
  for (int i = 0; i < c.steps; ++i) {
    t += 0.15f;
    item.UpdateTime(t);
    DS_ParticleSystemCtrl::StepTwinkle(sprite, item, c.respawn);
  }
  EXPECT_NEAR(c.alpha, sprite.alpha, 1e-4f) << c.what;
  EXPECT_FLOAT_EQ(c.speed, sprite.twinkleSpeed) << c.what;
  EXPECT_EQ(c.inits, item.inits) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, TwinkleTest, ::testing::ValuesIn(kTwinkleCases));

TEST(TwinkleTest, StepDoesNotRepackTheColour) {
  TestSpriteItem item;
  DS_SpriteParticle sprite;
  sprite.packedColour = 0x12345678u;
  sprite.twinkleSpeed = -1.0f;
  item.UpdateTime(0.1f);
  DS_ParticleSystemCtrl::StepTwinkle(sprite, item, false);
  EXPECT_LT(sprite.alpha, 1.0f);
  EXPECT_EQ(0x12345678u, sprite.packedColour);
}

// ---- colour packing ----

struct PackCase {
  unsigned long colour;   // stored, red in the low byte
  unsigned transparency;  // percent
  float alpha;
  D3DCOLOR packed;
};

const PackCase kPackCases[] = {
    {0x0000FF, 0, 0.5f, 0x7FFF0000},                                     // red, half: truncated 127.5
    {0x00FF00, 0, 1.0f, 0xFF00FF00},                                     // green
    {0xFF0000, 0, 1.0f, 0xFF0000FF},                                     // blue
    {0x563412, 0, 0.0f, 0x00123456},                                     // byte order reversed into ARGB
    {0xFFFFFF, 100, 1.0f, 0x00FFFFFF},                                   // fully transparent item
    {0xFFFFFF, 0, 2.0f, 0xFEFFFFFF},                                     // 510 keeps its low 8 bits
    {0xFFFFFF, 0, std::numeric_limits<float>::quiet_NaN(), 0x00FFFFFF},  // broken alpha: transparent
    {0xFFFFFF, 0, std::numeric_limits<float>::infinity(), 0x00FFFFFF},
};

class PackTest : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackTest, OpacityTimesAlphaOverTheColour) {
  const PackCase& c = GetParam();
  TestSpriteItem item;
  item.colour.SetValue(c.colour);
  item.transparency.SetValue(c.transparency);
  DS_SpriteParticle sprite;
  sprite.alpha = c.alpha;
  EXPECT_EQ(c.packed, DS_ParticleSystemCtrl::PackColor(item, sprite))
      << std::hex << "colour 0x" << c.colour << ", alpha " << c.alpha;
}

INSTANTIATE_TEST_SUITE_P(Cases, PackTest, ::testing::ValuesIn(kPackCases));

}  // namespace
