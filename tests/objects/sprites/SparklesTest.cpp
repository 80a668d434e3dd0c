// Sparkles: placement on a seeded rand() sequence, drift, twinkle with
// re-placement, and the size that follows the opacity.

#include <gtest/gtest.h>

#include <cstdlib>

#include "objects/sprites/Sparkles.h"
#include "objects/sprites/SpriteParticle.h"
#include "Sprites2TestSupport.h"

using namespace sprites2_test;

namespace {

class SparkleTest : public ::testing::Test {
protected:
  SparkleTest() : scene(kSceneWidth, kSceneHeight) {
    SetTestArea(item);
    item.spriteSize.SetValue(40u);
  }

  SceneSize scene;
  DS_SparkleConstructor item;
  DS_SpriteParticle sprite;
};

TEST_F(SparkleTest, InitDrawsDriftPlaceAndOpacityInOrder) {
  const std::vector<int> d = SeededDraws(5, 5);
  item.InitParticle(sprite);
  EXPECT_FLOAT_EQ(Between(d[0], -25.0f, 25.0f), sprite.velocity.x);
  EXPECT_FLOAT_EQ(Between(d[1], -25.0f, 25.0f), sprite.velocity.y);
  EXPECT_EQ(0.0f, sprite.velocity.z);
  EXPECT_FLOAT_EQ(Between(d[2], kLeft, kRight), sprite.position.x);
  EXPECT_FLOAT_EQ(Between(d[3], kTop, kBottom), sprite.position.y);
  EXPECT_FLOAT_EQ(Between(d[4], 0.0f, 1.0f), sprite.alpha);
  EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), sprite.direction);
}

struct SizeCase {
  float alpha, sizeFactor;
  float halfWidth, halfHeight;
};

const SizeCase kSizeCases[] = {
    {0.0f, 1.0f, 10.0f, 10.0f},   // invisible: half the full size, square
    {1.0f, 1.0f, 20.0f, 20.0f},   // full size at opacity 1
    {0.5f, 1.0f, 15.0f, 13.75f},  // the height follows the new width
    {1.0f, 0.5f, 10.0f, 10.0f},   // the size factor scales both
};

class SparkleSizeTest : public SparkleTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(SparkleSizeTest, SizeFollowsTheOpacity) {
  const SizeCase& c = GetParam();
  item.twinkleRate = 0.0f;
  sprite.alpha = c.alpha;
  sprite.sizeFactor = c.sizeFactor;
  sprite.aspect = 4.0f;  // not used
  item.UpdateParticle(sprite);
  EXPECT_FLOAT_EQ(c.halfWidth, sprite.halfWidth) << "alpha " << c.alpha;
  EXPECT_FLOAT_EQ(c.halfHeight, sprite.halfHeight) << "alpha " << c.alpha;
}

INSTANTIATE_TEST_SUITE_P(Cases, SparkleSizeTest, ::testing::ValuesIn(kSizeCases));

TEST_F(SparkleTest, DriftsByTheControlStep) {
  item.speed.SetValue(100u);  // twice real time
  RunClock(item, {0.1f});
  sprite.position = D3DXVECTOR3(150.0f, 100.0f, 0.0f);
  sprite.velocity = D3DXVECTOR3(10.0f, -20.0f, 0.0f);
  sprite.alpha = 0.5f;
  item.UpdateParticle(sprite);
  EXPECT_FLOAT_EQ(152.0f, sprite.position.x);
  EXPECT_FLOAT_EQ(96.0f, sprite.position.y);
}

TEST_F(SparkleTest, FadedSparkleIsPlacedAnewAtTheMinimum) {
  item.twinkleRate = 2.0f;
  item.twinkleMin = 0.1f;
  RunClock(item, {0.1f});
  sprite.position = D3DXVECTOR3(150.0f, 100.0f, 0.0f);
  sprite.alpha = 0.2f;
  sprite.twinkleSpeed = -2.0f;
  const std::vector<int> d = SeededDraws(21, 5);
  item.UpdateParticle(sprite);
  EXPECT_FLOAT_EQ(Between(d[2], kLeft, kRight), sprite.position.x);
  EXPECT_FLOAT_EQ(Between(d[3], kTop, kBottom), sprite.position.y);
  EXPECT_FLOAT_EQ(0.1f, sprite.alpha) << "placed anew, then held at the minimum";
  EXPECT_FLOAT_EQ(2.0f, sprite.twinkleSpeed);
  EXPECT_EQ(unsigned(int(255 * 0.1f)), sprite.packedColour >> 24);
}

}  // namespace
