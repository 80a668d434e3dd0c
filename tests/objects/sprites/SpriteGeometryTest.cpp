// The sprite geometry and its run-time object without a device: records as the
// count changes, the per-frame update with its clocks, motion and edge bounces,
// the quad vertices (corner order, colours, texture coordinates, flips, strip
// frames) and the frame stepping of the main image.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "render/TimeLine.h"
#include "SpriteTestSupport.h"

using sprites_test::ItemOf;
using sprites_test::SceneSize;
using sprites_test::SpritesOf;
using sprites_test::TestSpriteItem;

namespace {

std::unique_ptr<DS_SpriteArrayObj> MakeObject(TestSpriteItem& item) {
  return std::unique_ptr<DS_SpriteArrayObj>(static_cast<DS_SpriteArrayObj*>(item.CreateObject()));
}

// ---- records ----

TEST(SpriteArrayTest, ObjectRunsAClonePreparedWithItsSprites) {
  TestSpriteItem item;
  item.spriteCount.SetValue(5u);
  std::unique_ptr<DS_SpriteArrayObj> object = MakeObject(item);
  TestSpriteItem& clone = ItemOf(*object);
  EXPECT_NE(&item, &clone);
  EXPECT_EQ(object->GetConstructor(), object->GetItem());
  EXPECT_EQ(5u, object->sprites.size());
  EXPECT_EQ(5, clone.inits);
  EXPECT_FALSE(object->vertices.HasData()) << "no device, no quads";
  EXPECT_FALSE(object->NeedsSceneInput());
  EXPECT_EQ(nullptr, object->GetSecondTexture());
}

TEST(SpriteArrayTest, CountChangesAddRecordsButNeverRemoveThem) {
  TestSpriteItem item;
  item.spriteCount.SetValue(10u);
  std::unique_ptr<DS_SpriteArrayObj> object = MakeObject(item);
  TestSpriteItem& clone = ItemOf(*object);
  const std::vector<DS_SpriteParticle*> before = SpritesOf(*object);

  clone.spriteCount.SetValue(4u);
  EXPECT_EQ(10u, object->sprites.size()) << "surplus records stay";
  EXPECT_EQ(before, SpritesOf(*object)) << "and do not move";
  object->Update(0.1f);
  EXPECT_EQ(10, clone.updates) << "all ten are updated";

  clone.spriteCount.SetValue(0u);
  EXPECT_EQ(10u, object->sprites.size()) << "0 changes nothing";

  clone.spriteCount.SetValue(12u);
  EXPECT_EQ(12u, object->sprites.size());
  EXPECT_EQ(12, clone.inits);
  EXPECT_EQ(before[9], SpritesOf(*object)[9]);
}

TEST(SpriteArrayTest, ItemWithoutSpritesMakesNone) {
  TestSpriteItem item;
  item.spriteCount.SetValue(0u);
  std::unique_ptr<DS_SpriteArrayObj> object = MakeObject(item);
  EXPECT_TRUE(object->sprites.empty());
  object->Update(0.5f);
  EXPECT_EQ(0, ItemOf(*object).updates);
}

TEST(SpriteArrayTest, DocumentCountIsCappedAtWhatOneGeometryHolds) {
  TestSpriteItem item;
  item.spriteCount.SetValue(0xFFFFFFFFu);
  std::unique_ptr<DS_SpriteArrayObj> object = MakeObject(item);
  EXPECT_EQ(size_t(ParticleGeomArray::kMaxSprites), object->sprites.size());
  EXPECT_EQ(ParticleGeomArray::kMaxSprites, ParticleGeomArray::CappedCount(ItemOf(*object)));
}

TEST(SpriteArrayTest, ObjectWithoutItemDoesNothing) {
  DS_SpriteArrayObj object(nullptr);
  object.Update(1.0f);
  object.Render(nullptr);
  object.Reset();
  object.OnResize();
  EXPECT_FALSE(object.HitTest(POINT{1, 2}, 0));
  EXPECT_TRUE(object.sprites.empty());
}

TEST(SpriteArrayTest, ResetClearsTimersAndClockButKeepsPlaces) {
  TestSpriteItem item;
  item.spriteCount.SetValue(2u);
  item.startVelocity = D3DXVECTOR3(10.0f, 0.0f, 0.0f);
  item.move = true;
  std::unique_ptr<DS_SpriteArrayObj> object = MakeObject(item);
  object->Update(0.1f);
  for (DS_SpriteParticle* sprite : object->sprites) {
    sprite->timer = 1.0f;
    sprite->delay = 2.0f;
    sprite->deadline = 3.0f;
    sprite->secondTimer = 4.0f;
    sprite->alpha = 0.25f;
  }
  const float x = object->sprites.front()->position.x;
  ASSERT_GT(ItemOf(*object).GetAccumulatedTime(), 0.0f);

  object->Reset();
  EXPECT_EQ(0.0f, ItemOf(*object).GetAccumulatedTime());
  EXPECT_EQ(0.0f, ItemOf(*object).GetLastTime());
  for (const DS_SpriteParticle* sprite : object->sprites) {
    EXPECT_EQ(0.0f, sprite->timer);
    EXPECT_EQ(0.0f, sprite->delay);
    EXPECT_EQ(0.0f, sprite->deadline);
    EXPECT_EQ(0.0f, sprite->secondTimer);
    EXPECT_EQ(0.25f, sprite->alpha);
  }
  EXPECT_EQ(x, object->sprites.front()->position.x);
}

TEST(SpriteArrayTest, ResizeAndHitTestGoToTheItem) {
  SceneSize scene(400, 200);
  TestSpriteItem item;
  item.relLeft = 0.25f;
  std::unique_ptr<DS_SpriteArrayObj> object = MakeObject(item);
  TestSpriteItem& clone = ItemOf(*object);
  g_SceneWidth = 800;
  object->OnResize();
  EXPECT_EQ(200, clone.pixelRect.Left().GetValue());
  EXPECT_EQ(200, clone.pixelRect.Bottom().GetValue());

  EXPECT_TRUE(object->HitTest(POINT{12, 34}, 0));
  EXPECT_EQ(12.0f, clone.lastHitX);
  EXPECT_EQ(34.0f, clone.lastHitY);
}

TEST(SpriteArrayTest, UpdateAdvancesBothClocks) {
  TestSpriteItem item;
  item.speed.SetValue(100u);
  item.spriteClock.SetValue(200u);  // speed 2.0
  std::unique_ptr<DS_SpriteArrayObj> object = MakeObject(item);
  TestSpriteItem& clone = ItemOf(*object);
  object->Update(0.1f);
  object->Update(0.15f);
  EXPECT_NEAR(0.15f * 100 * 0.02f, clone.GetAccumulatedTime(), 1e-5f) << "control clock at speed 100";
  EXPECT_NEAR(0.3f, clone.spriteClock.GetAccumulatedTime(), 1e-5f) << "sprite clock at speed 2";
  object->Update(5.0f);
  EXPECT_NEAR(0.15f * 2 + 0.2f * 2, clone.GetAccumulatedTime(), 1e-5f) << "a long pause counts 0.2 s";
  EXPECT_NEAR(0.3f + 0.4f, clone.spriteClock.GetAccumulatedTime(), 1e-5f);
}

// ---- motion and edge bounces ----

struct MotionCase {
  const char* what;
  unsigned speed;
  float areaRight, areaTop;  // relative; left 0 and bottom 1
  float x, y, vx, vy;
  std::vector<float> times;
  float endX, endY, endVx, endVy;
};

// Scene 400 x 300, sprites 20 x 20 (half extents 10).
const MotionCase kMotionCases[] = {
    {"real time", 50, 1.0f, 0.0f, 200, 150, 100, 0, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f}, 250, 150, 100, 0},
    {"double speed", 100, 1.0f, 0.0f, 200, 150, 100, -50, {0.1f, 0.2f}, 240, 130, 100, -50},
    {"a long pause moves 0.2 s", 50, 1.0f, 0.0f, 200, 150, 100, 0, {3.0f}, 220, 150, 100, 0},
    {"time going back counts forward", 50, 1.0f, 0.0f, 200, 150, 100, 0, {0.2f, 0.1f}, 230, 150, 100, 0},
    // Margins of whole pixels: the control step is 0.1 only to float precision.
    {"short of the right edge goes on", 50, 0.5f, 0.0f, 179, 150, 100, 0, {0.1f}, 189, 150, 100, 0},
    {"over the right edge turns back", 50, 0.5f, 0.0f, 185, 150, 100, 0, {0.1f, 0.2f, 0.3f}, 175, 150, -100, 0},
    {"over the top edge turns down", 50, 1.0f, 0.5f, 200, 175, 0, -100, {0.1f, 0.2f, 0.3f}, 200, 165, 0, 100},
    {"bounces off the left, then the right",
     50,
     0.15f,
     0.0f,
     35,
     150,
     -200,
     0,
     {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f},
     35,
     150,
     -200,
     0},
};

class MotionTest : public ::testing::TestWithParam<MotionCase> {};

TEST_P(MotionTest, SpritesMoveByTheControlStepAndBounce) {
  const MotionCase& c = GetParam();
  SceneSize scene(400, 300);
  TestSpriteItem item;
  item.spriteSize.SetValue(20u);
  item.speed.SetValue(c.speed);
  item.relRight = c.areaRight;
  item.relTop = c.areaTop;
  item.startPosition = D3DXVECTOR3(c.x, c.y, 0.0f);
  item.startVelocity = D3DXVECTOR3(c.vx, c.vy, 0.0f);
  item.move = true;
  std::unique_ptr<DS_SpriteArrayObj> object = MakeObject(item);
  ASSERT_EQ(1u, object->sprites.size());
  for (float t : c.times) object->Update(t);
  const DS_SpriteParticle& sprite = *object->sprites.front();
  EXPECT_NEAR(c.endX, sprite.position.x, 1e-3f) << c.what;
  EXPECT_NEAR(c.endY, sprite.position.y, 1e-3f) << c.what;
  EXPECT_EQ(c.endVx, sprite.velocity.x) << c.what;
  EXPECT_EQ(c.endVy, sprite.velocity.y) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, MotionTest, ::testing::ValuesIn(kMotionCases));

// ---- quad vertices ----

struct GeometryFixture : ::testing::Test {
  void AddSprite(float x, float y, float hw, float hh, D3DCOLOR colour) {
    DS_SpriteParticle* sprite = new DS_SpriteParticle();
    sprite->position = D3DXVECTOR3(x, y, 0.0f);
    sprite->halfWidth = hw;
    sprite->halfHeight = hh;
    sprite->packedColour = colour;
    geometry.sprites.push_back(sprite);
  }
  std::vector<DX_V::PCT> Write(unsigned quads) {
    std::vector<DX_V::PCT> out(size_t(quads) * 4 + 4);
    for (DX_V::PCT& v : out) v = DX_V::PCT{-1, -1, -1, 0xDEADBEEF, -1, -1};
    geometry.WriteVertices(item, out.data(), quads);
    return out;
  }

  TestSpriteItem item;
  ParticleGeomArray geometry;
};

TEST_F(GeometryFixture, CornersRunBottomLeftTopLeftBottomRightTopRight) {
  AddSprite(100, 80, 20, 10, 0xFFFF0000);
  AddSprite(200, 150, 5, 15, 0x80123456);
  const std::vector<DX_V::PCT> v = Write(2);
  const float expected[8][2] = {{80, 90},   {80, 70},   {120, 90},  {120, 70},
                                {195, 165}, {195, 135}, {205, 165}, {205, 135}};
  const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
  for (int i = 0; i < 8; ++i) {
    EXPECT_FLOAT_EQ(expected[i][0], v[i].x) << "vertex " << i;
    EXPECT_FLOAT_EQ(expected[i][1], v[i].y) << "vertex " << i;
    EXPECT_EQ(0.0f, v[i].z);
    EXPECT_EQ(uv[i % 4][0], v[i].u) << "vertex " << i;
    EXPECT_EQ(uv[i % 4][1], v[i].v) << "vertex " << i;
    EXPECT_EQ(i < 4 ? 0xFFFF0000u : 0x80123456u, v[i].color) << "vertex " << i;
  }
  EXPECT_EQ(0xDEADBEEFu, v[8].color) << "nothing beyond the quads asked for";
}

TEST_F(GeometryFixture, AxesShearAndMirrorTheQuad) {
  AddSprite(100, 100, 10, 10, 0xFFFFFFFF);
  DS_SpriteParticle& s = *geometry.sprites.front();
  s.xAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
  s.yAxis = D3DXVECTOR3(0.5f, 1.0f,
                        0.0f);  // sheared: the bottom edge lies to the right
  std::vector<DX_V::PCT> v = Write(1);
  EXPECT_FLOAT_EQ(85.0f, v[1].x);
  EXPECT_FLOAT_EQ(90.0f, v[1].y);
  EXPECT_FLOAT_EQ(95.0f, v[0].x);
  EXPECT_FLOAT_EQ(110.0f, v[0].y);
  EXPECT_FLOAT_EQ(115.0f, v[2].x);
  EXPECT_FLOAT_EQ(110.0f, v[2].y);
  EXPECT_FLOAT_EQ(105.0f, v[3].x);
  EXPECT_FLOAT_EQ(90.0f, v[3].y);

  s.yAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  s.halfWidth = -10.0f;  // mirrored: vertex 0 on the right
  v = Write(1);
  EXPECT_FLOAT_EQ(110.0f, v[0].x);
  EXPECT_FLOAT_EQ(90.0f, v[2].x);
}

TEST_F(GeometryFixture, ColourGoesThroughTheTimeLineOpacity) {
  AddSprite(100, 100, 10, 10, 0x80FF0000);
  const std::vector<DX_V::PCT> v = Write(1);
  EXPECT_EQ(item.ApplyTimelineAlpha(0x80FF0000), v[0].color);
  const float opacity = item.TimeLine().GetAlpha();
  EXPECT_EQ((DWORD(int(opacity * 128.0f)) << 24) | 0xFF0000u, v[0].color);
}

TEST_F(GeometryFixture, ListShorterThanTheCountStopsAtItsEnd) {
  AddSprite(100, 100, 10, 10, 0xFFFFFFFF);
  const std::vector<DX_V::PCT> v = Write(3);
  EXPECT_FLOAT_EQ(90.0f, v[1].x);
  EXPECT_EQ(0xDEADBEEFu, v[4].color) << "no record, no vertices";
}

struct FlipCase {
  int horizontal, vertical;
  bool strip;
  float u0, u1, v0, v1;  // what vertex 1 (u0, v0) and vertex 2 (u1, v1) get
};

const FlipCase kFlipCases[] = {
    {0, 0, false, 0.2f, 0.8f, 0.1f, 0.9f},  {1, 0, false, 0.8f, 0.2f, 0.1f, 0.9f},
    {0, 1, false, 0.2f, 0.8f, 0.9f, 0.1f},  {1, 1, false, 0.8f, 0.2f, 0.9f, 0.1f},
    {-3, 0, false, 0.8f, 0.2f, 0.1f, 0.9f},  // any non-zero flag flips
    {0, 0, true, 0.0f, 0.25f, 0.1f, 0.9f},   // strip frame 0 of 4 replaces u
    {1, 0, true, 0.25f, 0.0f, 0.1f, 0.9f},
};

class FlipTest : public ::testing::TestWithParam<FlipCase> {};

TEST_P(FlipTest, FlagsSwapTheTexturePairs) {
  const FlipCase& c = GetParam();
  TestSpriteItem item;
  item.horizontalFlip.SetValue(c.horizontal);
  item.verticalFlip.SetValue(c.vertical);
  item.stripFlag = c.strip ? 1 : 0;
  item.frameCount = 4;
  item.frameRate = 10.0f;
  ParticleGeomArray geometry;
  DS_SpriteParticle* sprite = new DS_SpriteParticle();
  sprite->uLeft = 0.2f;
  sprite->uRight = 0.8f;
  sprite->vTop = 0.1f;
  sprite->vBottom = 0.9f;
  geometry.sprites.push_back(sprite);
  DX_V::PCT v[4] = {};
  geometry.WriteVertices(item, v, 1);
  EXPECT_FLOAT_EQ(c.u0, v[1].u);
  EXPECT_FLOAT_EQ(c.v0, v[1].v);
  EXPECT_FLOAT_EQ(c.u1, v[2].u);
  EXPECT_FLOAT_EQ(c.v1, v[2].v);
  EXPECT_FLOAT_EQ(c.u0, v[0].u);
  EXPECT_FLOAT_EQ(c.v1, v[0].v);
  EXPECT_FLOAT_EQ(c.u1, v[3].u);
  EXPECT_FLOAT_EQ(c.v0, v[3].v);
}

INSTANTIATE_TEST_SUITE_P(Cases, FlipTest, ::testing::ValuesIn(kFlipCases));

// The strip advances when 1 / frame rate is strictly less than the control time
// since the last switch; one sprite of a frame can advance it, so all show the
// same frame.
class StripTest : public GeometryFixture {
protected:
  void SetUp() override {
    item.stripFlag = 1;
    item.frameCount = 4;
    for (int i = 0; i < 3; ++i) AddSprite(100, 100, 10, 10, 0xFFFFFFFF);
  }
  // Runs the control clock to `t` and writes; the strip frame of every sprite.
  std::vector<int> FramesAt(float t) {
    item.UpdateTime(t);
    const std::vector<DX_V::PCT> v = Write(3);
    std::vector<int> frames;
    for (int i = 0; i < 3; ++i) frames.push_back(int(std::lround(v[size_t(i) * 4 + 1].u * 4.0f)));
    return frames;
  }
};

TEST_F(StripTest, AllSpritesShowOneFrameThatAdvancesAtTheRate) {
  // 0.1 s a frame; frames at most 0.2 s apart, the longest step of the control
  // clock.
  item.frameRate = 10.0f;
  EXPECT_EQ(std::vector<int>({0, 0, 0}), FramesAt(0.05f));
  EXPECT_EQ(std::vector<int>({1, 1, 1}), FramesAt(0.12f));
  EXPECT_EQ(std::vector<int>({1, 1, 1}), FramesAt(0.2f));
  EXPECT_EQ(std::vector<int>({2, 2, 2}), FramesAt(0.25f));
  EXPECT_EQ(std::vector<int>({3, 3, 3}), FramesAt(0.4f));
  EXPECT_EQ(std::vector<int>({0, 0, 0}), FramesAt(0.55f)) << "wraps at the frame count";
}

// A frame rate whose frame time 1 / rate compares with `elapsed` as asked (0:
// equal, -1: less); 0 when none is found near 1 / elapsed.
float RateWithFrameTime(float elapsed, int comparison) {
  float rate = 1.0f / elapsed;
  for (int i = 0; i < 64; ++i) {
    const float frameTime = 1.0f / rate;
    if (comparison == 0 && frameTime == elapsed) return rate;
    if (comparison < 0 && frameTime < elapsed) return rate;
    rate = std::nextafter(rate, (comparison == 0 && frameTime < elapsed) ? 0.0f : 1e9f);
  }
  return 0.0f;
}

TEST_F(StripTest, ElapsedTimeEqualToTheFrameTimeDoesNotAdvance) {
  item.UpdateTime(0.125f);
  const float elapsed = item.GetAccumulatedTime();
  item.frameRate = RateWithFrameTime(elapsed, 0);
  ASSERT_NE(0.0f, item.frameRate);
  Write(3);
  EXPECT_EQ(0, geometry.GetStripFrame()) << "strict comparison";
  item.frameRate = RateWithFrameTime(elapsed, -1);  // a hair faster: now it is due
  ASSERT_NE(0.0f, item.frameRate);
  Write(3);
  EXPECT_EQ(1, geometry.GetStripFrame());
  EXPECT_EQ(elapsed, geometry.GetStripSwitchTime());
}

TEST_F(StripTest, WithoutFrameRateTheStripStands) {
  item.frameRate = 0.0f;
  EXPECT_EQ(std::vector<int>({0, 0, 0}), FramesAt(0.1f));
  EXPECT_EQ(std::vector<int>({0, 0, 0}), FramesAt(5.0f));
  item.frameRate = -2.0f;
  EXPECT_EQ(std::vector<int>({0, 0, 0}), FramesAt(6.0f));
}

TEST_F(StripTest, ClockRestartedBehindTheSwitchTimeRestartsIt) {
  item.frameRate = 5.0f;
  FramesAt(0.1f);
  FramesAt(0.35f);
  ASSERT_EQ(1, geometry.GetStripFrame());
  item.Reset();  // control clock back to 0
  FramesAt(0.0f);
  EXPECT_EQ(0.0f, geometry.GetStripSwitchTime());
  EXPECT_EQ(1, geometry.GetStripFrame());
}

// ---- frame stepping of the main image ----

TEST(AnimatedTextureTest, StillPictureNeverChanges) {
  AnimatedTexture<ParticleGeomArray> frames;
  EXPECT_FALSE(frames.StepFrame(0.0f));
  EXPECT_FALSE(frames.StepFrame(100.0f));
  EXPECT_EQ(nullptr, frames.GetCurrentTexture());
}

struct StepCase {
  float time;
  bool changed;
  unsigned index;
};

TEST(AnimatedTextureTest, StepsWhenTheDurationHasPassedNotStrictly) {
  AnimatedTexture<ParticleGeomArray> frames;
  frames.frameDurations = {0.5f, 0.25f};
  const StepCase steps[] = {
      {0.4f, false, 0}, {0.5f, true, 1},  {0.7f, false, 1},
      {0.75f, true, 0}, {0.1f, false, 0},  // time went back: no reset, no step
      {1.25f, true, 1}, {5.0f, true, 0},   // a long pause steps one frame only
  };
  for (const StepCase& s : steps) {
    EXPECT_EQ(s.changed, frames.StepFrame(s.time)) << "at " << s.time;
    EXPECT_EQ(s.index, frames.frameIndex) << "at " << s.time;
  }
}

TEST(AnimatedTextureTest, MoreDurationsThanFramesGiveNoTexturePastTheFrames) {
  DS_TextureSet set;
  set.durations = {0.1f, 0.1f, 0.1f};
  AnimatedTexture<ParticleGeomArray> frames;
  frames.LoadFrames(&set);
  EXPECT_EQ(3u, frames.frameDurations.size());
  EXPECT_TRUE(frames.StepFrame(0.2f));
  EXPECT_EQ(1u, frames.frameIndex);
  EXPECT_EQ(nullptr, frames.GetCurrentTexture());
  frames.LoadFrames(nullptr);
  EXPECT_TRUE(frames.frameDurations.empty());
}

}  // namespace
