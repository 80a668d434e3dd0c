// The wandering sprites: their record (with the older one without a frame speed), the
// settings' scales, the sprite count kept from the shared random sequence, copies
// whose sprites wander on the copy's own context, the wandering run by the generator's
// clock, and the sprite quads and their drawing on the test device.

#include <gtest/gtest.h>

#include <cstdlib>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "document/ClassRegistry.h"
#include "objects/particles/ParticleQuads.h"
#include "objects/particles/SpriteAnimations.h"
#include "SmokePlantTestSupport.h"

using particles_test::Reading;
using particles_test::WrittenBytes;
using smokeplant_test::WithVersion;

namespace {

// Sprites wandering in the rectangle (20, 10) .. (220, 110).
DS_BrownAnimation MakeAnimation(unsigned count) {
  DS_BrownAnimation animation;
  animation.SpriteCount.SetValue(count);
  animation.SpriteSize.SetValue(200u);
  animation.WanderSpeed.SetValue(25u);
  animation.RetargetPeriod.SetValue(10u);
  animation.SteerTime.SetValue(24u);
  animation.FrameSpeed.SetValue(150u);
  animation.region.SetFromCentre(D3DXVECTOR3(120.0f, 60.0f, 0.0f), 200.0f, 100.0f);
  return animation;
}

void ExpectSettings(const DS_BrownAnimation& read, float frameSpeed, const std::string& label) {
  EXPECT_EQ(7u, read.SpriteCount.GetValue()) << label;
  EXPECT_FLOAT_EQ(2.0f, read.SpriteSize.GetResult()) << label;
  EXPECT_FLOAT_EQ(1.0f, read.WanderSpeed.GetResult()) << label;
  EXPECT_FLOAT_EQ(1.05f, read.RetargetPeriod.GetResult()) << label;
  EXPECT_FLOAT_EQ(0.5f, read.SteerTime.GetResult()) << label;
  EXPECT_FLOAT_EQ(frameSpeed, read.FrameSpeed.GetSpeed()) << label;
  EXPECT_EQ(D3DXVECTOR3(20.0f, 10.0f, 0.0f), read.region.Corner(0).GetValue()) << label;
  EXPECT_EQ(D3DXVECTOR3(220.0f, 110.0f, 0.0f), read.region.Corner(3).GetValue()) << label;
  EXPECT_EQ(&read.region, read.BrownianContext().region) << label;
  EXPECT_EQ(&read.WanderSpeed, read.BrownianContext().speedFactor) << label;
}

// ---- records ----

TEST(BrownAnimationRecordTest, WrittenRecordReadsBackThroughTheRegistry) {
  DS_BrownAnimation written = MakeAnimation(7u);
  written.colour1.SetValue(0x112233);
  written.SetName(L"fireflies");
  for (int version : {DS_BrownAnimation::kRecordVersion, 3}) {
    Reading reading(WithVersion(written, L"DS_BrownAnimation", version));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    ASSERT_FALSE(reading.handle->Failed()) << version;
    EXPECT_EQ(0u, reading.handle->BytesLeft()) << version;
    auto* read = dynamic_cast<DS_BrownAnimation*>(item.get());
    ASSERT_NE(nullptr, read) << version;
    ExpectSettings(*read, 1.5f, "version " + std::to_string(version));
    EXPECT_EQ(0x112233u, read->colour1.GetValue());
    EXPECT_EQ(L"fireflies", read->GetName());
    EXPECT_TRUE(read->origins.empty()) << "sprites are never stored";
  }
}

TEST(BrownAnimationRecordTest, VersionOneHasNoFrameSpeedAndPlaysAtHundred) {
  const DS_BrownAnimation written = MakeAnimation(7u);
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_BrownAnimation", 1);
  w.WriteUInt(7u);
  written.SpriteSize.WriteField(w);
  written.WanderSpeed.WriteField(w);
  written.RetargetPeriod.WriteField(w);
  written.SteerTime.WriteField(w);
  written.DS_ParticleRctRgnGenerator::Write(w);
  Reading reading(w.Bytes());
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft());
  auto* read = dynamic_cast<DS_BrownAnimation*>(item.get());
  ASSERT_NE(nullptr, read);
  ExpectSettings(*read, 1.0f, "version 1");
}

TEST(BrownAnimationRecordTest, RecordCutShortFailsTheStream) {
  const std::vector<unsigned char> whole = WrittenBytes(MakeAnimation(3u));
  for (size_t cut : {size_t(12), size_t(50), whole.size() / 2, whole.size() - 1}) {
    Reading reading(std::vector<unsigned char>(whole.begin(), whole.begin() + long(cut)));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    EXPECT_TRUE(reading.handle->Failed()) << cut;
    EXPECT_EQ(nullptr, item.get()) << cut;
  }
}

TEST(BrownAnimationSettingsTest, ScalesAndOffsetsOfTheSettings) {
  DS_BrownAnimation animation;
  EXPECT_EQ(0u, animation.SpriteCount.GetValue());
  EXPECT_EQ(0.0f, animation.SpriteSize.GetResult());
  EXPECT_EQ(0.0f, animation.WanderSpeed.GetResult());
  EXPECT_FLOAT_EQ(0.25f, animation.RetargetPeriod.GetResult());
  EXPECT_FLOAT_EQ(0.02f, animation.SteerTime.GetResult());
  EXPECT_EQ(100u, animation.FrameSpeed.GetValue());
  EXPECT_FLOAT_EQ(1.0f, animation.FrameSpeed.GetSpeed());
  animation.SpriteSize.SetValue(100u);
  animation.WanderSpeed.SetValue(100u);
  animation.RetargetPeriod.SetValue(100u);
  animation.SteerTime.SetValue(100u);
  EXPECT_FLOAT_EQ(1.0f, animation.SpriteSize.GetResult());
  EXPECT_FLOAT_EQ(4.0f, animation.WanderSpeed.GetResult());
  EXPECT_FLOAT_EQ(8.25f, animation.RetargetPeriod.GetResult());
  EXPECT_FLOAT_EQ(2.02f, animation.SteerTime.GetResult());
}

// ---- the sprite count ----

// What the shared random sequence gives a new sprite: a point of the rectangle (y drawn
// first), then its wanderer's start velocity (y first) and retarget timer.
struct ExpectedSprite {
  D3DXVECTOR3 position;
  D3DXVECTOR3 velocity;
  float retargetTimer;
};

ExpectedSprite NextSprite(const D3DXVECTOR3& minCorner, const D3DXVECTOR3& maxCorner) {
  ExpectedSprite s;
  const float ry = std::rand() / 32767.0f;
  const float rx = std::rand() / 32767.0f;
  s.position = D3DXVECTOR3(minCorner.x + rx * (maxCorner.x - minCorner.x),
                           minCorner.y + ry * (maxCorner.y - minCorner.y), 0.0f);
  s.velocity.y = -100.0f + std::rand() / 32767.0f * 200.0f;
  s.velocity.x = -100.0f + std::rand() / 32767.0f * 200.0f;
  s.velocity.z = 0.0f;
  s.retargetTimer = 1.0f + std::rand() / 32767.0f * 4.0f;
  return s;
}

void ExpectSprite(const ExpectedSprite& expected, const DS_Particle& sprite, const DS_BrownAnimation& owner,
                  size_t i) {
  EXPECT_NEAR(expected.position.x, sprite.position.x, 1e-3f) << "sprite " << i;
  EXPECT_NEAR(expected.position.y, sprite.position.y, 1e-3f) << "sprite " << i;
  EXPECT_EQ(sprite.position, sprite.previousPosition) << "sprite " << i;
  EXPECT_EQ(0.0f, sprite.life);
  EXPECT_EQ(1.0f, sprite.size);
  EXPECT_EQ(1.0f, sprite.alpha);
  EXPECT_EQ(0.0f, sprite.age);
  EXPECT_EQ(0.0f, sprite.angle);
  ASSERT_EQ(1u, sprite.ProcessCount()) << "sprite " << i;
  auto* wanderer = dynamic_cast<PBrownian*>(sprite.GetProcess(0));
  ASSERT_NE(nullptr, wanderer) << "sprite " << i;
  EXPECT_EQ(&owner.BrownianContext(), wanderer->context) << "sprite " << i;
  EXPECT_NEAR(expected.velocity.x, wanderer->velocity.x, 1e-3f) << "sprite " << i;
  EXPECT_NEAR(expected.velocity.y, wanderer->velocity.y, 1e-3f) << "sprite " << i;
  EXPECT_NEAR(expected.retargetTimer, wanderer->retargetTimer, 1e-5f) << "sprite " << i;
}

TEST(BrownAnimationCountTest, NewSpritesTakePointAndVelocityFromTheSharedSequence) {
  DS_BrownAnimation animation = MakeAnimation(4u);
  const D3DXVECTOR3 minCorner = animation.region.Corner(0).GetValue();
  const D3DXVECTOR3 maxCorner = animation.region.Corner(3).GetValue();
  std::srand(321u);
  std::vector<ExpectedSprite> expected;
  for (int i = 0; i < 4; ++i) expected.push_back(NextSprite(minCorner, maxCorner));
  const int next = std::rand();

  std::srand(321u);
  animation.KeepSpriteCount();
  EXPECT_EQ(next, std::rand()) << "five draws per sprite";
  ASSERT_EQ(4u, animation.origins.size());
  size_t i = 0;
  for (const DS_Particle& sprite : animation.origins) {
    ExpectSprite(expected[i], sprite, animation, i);
    ++i;
  }
}

TEST(BrownAnimationCountTest, LoweringKeepsTheFirstSpritesAndRaisingAppends) {
  const struct {
    unsigned from, to;
  } cases[] = {{5u, 2u}, {5u, 0u}, {2u, 6u}, {3u, 3u}};
  for (const auto& c : cases) {
    DS_BrownAnimation animation = MakeAnimation(c.from);
    std::srand(5u);
    animation.KeepSpriteCount();
    std::vector<D3DXVECTOR3> before;
    for (const DS_Particle& sprite : animation.origins) before.push_back(sprite.position);

    animation.SpriteCount.SetValue(c.to);
    animation.KeepSpriteCount();
    ASSERT_EQ(c.to, animation.origins.size()) << c.from << " to " << c.to;
    size_t i = 0;
    for (const DS_Particle& sprite : animation.origins) {
      if (i < before.size()) {
        EXPECT_EQ(before[i], sprite.position) << c.from << " to " << c.to << " sprite " << i;
      } else {
        EXPECT_TRUE(sprite.position.x >= 20.0f && sprite.position.x <= 220.0f) << "sprite " << i;
        EXPECT_TRUE(sprite.position.y >= 10.0f && sprite.position.y <= 110.0f) << "sprite " << i;
      }
      ++i;
    }
  }
}

TEST(BrownAnimationCountTest, AStoredCountBeyondOneSlotIsCapped) {
  DS_BrownAnimation animation = MakeAnimation(0xFFFFFFFFu);
  animation.KeepSpriteCount();
  EXPECT_EQ(size_t(DS_BrownAnimation::kMaxSprites), animation.origins.size());
  EXPECT_EQ(0xFFFFFFFFu, animation.SpriteCount.GetValue()) << "the stored value is kept";
}

// ---- copies and the wandering ----

TEST(BrownAnimationCopyTest, CopiesWanderOnTheirOwnContext) {
  DS_BrownAnimation item = MakeAnimation(3u);
  item.KeepSpriteCount();
  std::unique_ptr<DS_ParticleGenerator> clone(item.Clone());
  auto& copy = static_cast<DS_BrownAnimation&>(*clone);
  const DS_BrownianContext& context = copy.BrownianContext();
  EXPECT_EQ(&copy.region, context.region);
  EXPECT_EQ(&copy.WanderSpeed, context.speedFactor);
  EXPECT_EQ(&copy.RetargetPeriod, context.retargetPeriod);
  EXPECT_EQ(&copy.SteerTime, context.steeringTime);
  ASSERT_EQ(3u, copy.origins.size());
  auto original = item.origins.begin();
  for (const DS_Particle& sprite : copy.origins) {
    auto* wanderer = dynamic_cast<PBrownian*>(sprite.GetProcess(0));
    ASSERT_NE(nullptr, wanderer);
    EXPECT_EQ(&context, wanderer->context);
    EXPECT_EQ(original->position, sprite.position);
    EXPECT_EQ(&item.BrownianContext(), dynamic_cast<PBrownian*>(original->GetProcess(0))->context);
    ++original;
  }
  EXPECT_FLOAT_EQ(1.5f, copy.FrameSpeed.GetSpeed());
  EXPECT_EQ(200u, copy.SpriteSize.GetValue());
}

struct WanderCase {
  unsigned seed;
  unsigned count;
  float times[4];
};

const WanderCase kWanderCases[] = {
    {1u, 1u, {0.1f, 0.2f, 0.3f, 0.4f}},
    {77u, 3u, {0.05f, 0.1f, 0.5f, 0.55f}},
    {900u, 5u, {0.2f, 0.25f, 0.3f, 0.35f}},
};

class BrownAnimationWanderTest : public ::testing::TestWithParam<WanderCase> {};

// The sprites appear on the first update and then move as wanderers on the owner's
// context by the generator clock's steps. The reference sprites are made from the
// same sequence and run by hand.
TEST_P(BrownAnimationWanderTest, SpritesWanderByTheGeneratorsClock) {
  const WanderCase& c = GetParam();
  DS_BrownAnimation animation = MakeAnimation(c.count);
  std::srand(c.seed);
  animation.Update(c.times[0], nullptr);
  ASSERT_EQ(c.count, animation.origins.size());

  std::srand(c.seed);
  std::list<DS_Particle> reference;
  for (unsigned i = 0; i < c.count; ++i) {
    DS_Particle sprite(animation.region.RandomPoint());
    sprite.AddProcess(new PBrownian(&animation.BrownianContext()));
    reference.push_back(sprite);
  }
  const D3DXVECTOR3 start = reference.front().position;
  for (int step = 1; step < 4; ++step) {
    animation.Update(c.times[step], nullptr);
    const float dt = animation.clock.GetStep();
    EXPECT_GT(dt, 0.0f);
    for (DS_Particle& sprite : reference) sprite.Update(dt);
    ASSERT_EQ(c.count, animation.origins.size());
    auto expected = reference.begin();
    for (const DS_Particle& sprite : animation.origins) {
      EXPECT_NEAR(expected->position.x, sprite.position.x, 1e-3f) << "seed " << c.seed << " step " << step;
      EXPECT_NEAR(expected->position.y, sprite.position.y, 1e-3f) << "seed " << c.seed << " step " << step;
      ++expected;
    }
  }
  EXPECT_NE(start, animation.origins.front().position) << "the sprites moved";
}

INSTANTIATE_TEST_SUITE_P(Seeds, BrownAnimationWanderTest, ::testing::ValuesIn(kWanderCases));

TEST(BrownAnimationFrameTest, UpdateStepsTheFirstTextureSetForward) {
  DS_TextureSet frames;
  for (int i = 0; i < 3; ++i) frames.AddFrame(nullptr, 0.1f);
  DS_BrownAnimation animation = MakeAnimation(1u);
  animation.FrameSpeed.SetValue(100u);
  animation.textureSets = {&frames};
  const float times[] = {0.05f, 0.15f, 0.3f, 0.45f};
  const unsigned expected[] = {0u, 1u, 2u, 0u};
  for (int i = 0; i < 4; ++i) {
    animation.Update(times[i], nullptr);
    EXPECT_EQ(expected[i], frames.frameIndex) << "t " << times[i];
  }
}

// ---- on the test device ----

class BrownAnimationDeviceTest : public smokeplant_test::GeneratorDeviceTest {
protected:
  DS_BrownAnimation& MakeAnimationObject(DS_BrownAnimation& item) {
    DS_BrownAnimation& clone = MakeObject(item);
    greenSet.width = 8;
    greenSet.height = 4;
    return clone;
  }
};

TEST_F(BrownAnimationDeviceTest, PreparationEmptiesTheSpritesAndGivesOneSlot) {
  DS_BrownAnimation item = MakeAnimation(2u);
  item.KeepSpriteCount();
  DS_BrownAnimation& clone = MakeAnimationObject(item);
  EXPECT_TRUE(clone.origins.empty());
  EXPECT_EQ(1, object->GetSlotCount());
  EXPECT_EQ(0u, object->GetQuadCount(0));
}

TEST_F(BrownAnimationDeviceTest, OneQuadPerSpriteSizedByTheTextureSet) {
  DS_BrownAnimation item = MakeAnimation(3u);
  item.SpriteSize.SetValue(150u);
  item.colour1.SetValue(0x0000FF);
  item.colour1.Opacity().SetValue(50u);
  DS_BrownAnimation& clone = MakeAnimationObject(item);
  std::srand(8u);
  object->Update(0.1f);
  ASSERT_EQ(3u, clone.origins.size());
  // The sprites' own size and alpha do not enter the quads.
  clone.origins.front().size = 5.0f;
  clone.origins.front().alpha = 0.0f;
  clone.WriteSpriteQuads(object.get());
  ASSERT_EQ(3u, object->GetQuadCount(0));
  const std::vector<DX_V::PCT> v = SlotVertices();
  ASSERT_EQ(12u, v.size());
  size_t i = 0;
  for (const DS_Particle& sprite : clone.origins) {
    const DX_V::PCT* q = &v[4 * i];
    EXPECT_FLOAT_EQ(sprite.position.x - 6.0f, q[1].x) << "sprite " << i;
    EXPECT_FLOAT_EQ(sprite.position.y - 3.0f, q[1].y) << "sprite " << i;
    EXPECT_FLOAT_EQ(sprite.position.x + 6.0f, q[2].x) << "sprite " << i;
    EXPECT_FLOAT_EQ(sprite.position.y + 3.0f, q[2].y) << "sprite " << i;
    for (int k = 0; k < 4; ++k) EXPECT_EQ(0x7FFF0000u, q[k].color) << "sprite " << i << " vertex " << k;
    ++i;
  }
  clone.SpriteCount.SetValue(1u);
  object->Update(0.2f);
  EXPECT_EQ(1u, object->GetQuadCount(0)) << "fewer sprites, fewer quads";
}

TEST_F(BrownAnimationDeviceTest, SpritesAreDrawnWithTheCurrentFrameWithoutAnEffect) {
  // A rectangle of one point: every sprite starts at (60, 40).
  DS_BrownAnimation item = MakeAnimation(2u);
  item.region.SetFromCentre(D3DXVECTOR3(60.0f, 40.0f, 0.0f), 0.0f, 0.0f);
  item.SpriteSize.SetValue(250u);  // 20 x 10 pixels
  DS_BrownAnimation& clone = MakeAnimationObject(item);
  ASSERT_EQ(nullptr, clone.GetEffect());
  Frame(0.1f);
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x00FF00u, image.RgbAt(60, 40));
  EXPECT_EQ(0x00FF00u, image.RgbAt(52, 37));
  EXPECT_EQ(0x404040u, image.RgbAt(60, 50));
  EXPECT_EQ(0x404040u, image.RgbAt(75, 40));
}

}  // namespace
