// The positioned, region and origin generator levels: their records, the spawning
// of moving origins at a rate over time, the origins' life and callbacks, copies of
// the live origins, and the path point list.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "objects/particles/OriginGenerators.h"
#include "objects/particles/Particle.h"
#include "objects/particles/PathPoint.h"
#include "ParticleTestSupport.h"
#include "render/TimeLine.h"

using particles_test::Reading;
using particles_test::WrittenBytes;

namespace {

// The smallest concrete generators of each level.
class TestStatic : public DS_StaticGenerator {
public:
  void Render(DS_ABRender*, DS_ParticlesObj*) override {}
  DS_ParticleGenerator* Clone() const override { return new TestStatic(*this); }
};

class TestRegion : public DS_ParticleRctRgnGenerator {
public:
  TestRegion() = default;
  // A copy with a context of its own, as a family of wanderers keeps one.
  TestRegion(const TestRegion& other) : DS_ParticleRctRgnGenerator(other) {
    context.region = &region;
    RepointBrownianContext(&other.context, &context);
  }
  void Render(DS_ABRender*, DS_ParticlesObj*) override {}
  DS_ParticleGenerator* Clone() const override { return new TestRegion(*this); }
  DS_BrownianContext context;
};

class TestOrigins : public DS_ParticleOriginGenerator {
public:
  void Render(DS_ABRender*, DS_ParticlesObj*) override {}
  DS_ParticleGenerator* Clone() const override { return new TestOrigins(*this); }
};

// Opacity `alpha` of the item's time line: a window whose fade-in runs from 0 to 1 s.
void SetTimeLineAlpha(DS_ABObj_Constructor& item, float alpha) {
  DS_TimeLineControl& tl = item.TimeLine();
  tl.mode.SetValue(DS_TimeLineControl::kWindows);
  tl.AddWindow({0.0f, 100.0f, 1.0f, 99.0f});
  tl.SetWrappedTime(alpha);
}

// ---- records ----

TEST(StaticGeneratorRecordTest, EveryVersionReadsThePositionAndTheTexturedSection) {
  for (int version : {1, 2, 9}) {
    TestStatic written;
    written.position.SetValue(D3DXVECTOR3(12.5f, -3.0f, 4.0f));
    written.blendMode.SetValue(3);
    written.lifetime.SetValue(17u);
    DS_IOF_W w;
    WriteLevelHeader(w, L"DS_StaticGenerator", version);
    std::vector<unsigned char> bytes = WrittenBytes(written);
    // The written record with its version replaced.
    DS_IOF_W header;
    WriteLevelHeader(header, L"DS_StaticGenerator", 1);
    std::vector<unsigned char> record = w.Bytes();
    record.insert(record.end(), bytes.begin() + header.Bytes().size(), bytes.end());

    Reading reading(record);
    TestStatic read;
    read.ReadSection(reading.handle);
    ASSERT_FALSE(reading.handle->Failed()) << version;
    EXPECT_EQ(0u, reading.handle->BytesLeft()) << version;
    EXPECT_EQ(D3DXVECTOR3(12.5f, -3.0f, 4.0f), read.position.GetValue()) << version;
    EXPECT_EQ(3, read.blendMode.GetValue()) << version;
    EXPECT_EQ(17.0f, read.lifetime.GetResult()) << version;
  }
}

TEST(RegionGeneratorRecordTest, WrittenRecordReadsBack) {
  TestRegion written;
  written.region.SetFromCentre(D3DXVECTOR3(100.0f, 50.0f, 0.0f), 40.0f, 20.0f);
  written.colour1.SetValue(0x0000FF);
  Reading reading(WrittenBytes(written));
  TestRegion read;
  read.ReadSection(reading.handle);
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft());
  EXPECT_EQ(D3DXVECTOR3(80.0f, 40.0f, 0.0f), read.region.Corner(0).GetValue());
  EXPECT_EQ(D3DXVECTOR3(120.0f, 60.0f, 0.0f), read.region.Corner(3).GetValue());
  EXPECT_EQ(0x0000FFu, read.colour1.GetValue());
}

TEST(OriginGeneratorRecordTest, LevelRecordAndEmbeddedFieldsReadBack) {
  TestOrigins written;
  written.originLife.SetValue(25u);
  written.originRate.SetValue(4u);
  written.originSize.SetValue(64u);
  written.direction.SetValue(90u);
  written.originClock.SetValue(100u);
  written.position.SetValue(D3DXVECTOR3(10.0f, 20.0f, 0.0f));
  written.emit.SetValue(1);

  for (bool embedded : {false, true}) {
    DS_IOF_W w;
    if (embedded) {
      written.WriteOriginFields(w);
    } else {
      written.Write(w);
    }
    Reading reading(w.Bytes());
    TestOrigins read;
    if (embedded) {
      read.ReadOriginFields(reading.handle);
    } else {
      read.ReadSection(reading.handle);
    }
    ASSERT_FALSE(reading.handle->Failed()) << embedded;
    EXPECT_EQ(0u, reading.handle->BytesLeft()) << embedded;
    EXPECT_FLOAT_EQ(1.0f, read.originLife.GetResult());
    EXPECT_EQ(4u, read.originRate.GetValue());
    EXPECT_EQ(64u, read.originSize.GetValue());
    EXPECT_EQ(90u, read.direction.GetValue());
    EXPECT_EQ(0u, read.direction.Spread().GetValue());
    EXPECT_FLOAT_EQ(2.0f, read.originClock.GetSpeed());
    EXPECT_EQ(D3DXVECTOR3(10.0f, 20.0f, 0.0f), read.position.GetValue());
    EXPECT_EQ(1, read.emit.GetValue());
  }
  // Only the level record carries the tag.
  DS_IOF_W level, fields;
  written.Write(level);
  written.WriteOriginFields(fields);
  DS_IOF_W header;
  WriteLevelHeader(header, L"DS_ParticleOriginGenerator", 1);
  EXPECT_EQ(fields.Bytes().size() + header.Bytes().size(), level.Bytes().size());
}

// ---- spawning ----

TEST(OriginSpawnTest, RateFourAtFullOpacityInTenthSteps) {
  TestOrigins gen;
  gen.originRate.SetValue(4u);
  gen.originLife.SetValue(250u);  // 10 s: none dies here
  // Origins after each step of 0.1 s: the first comes when 0.3 s > 0.25 s; on the fifth
  // step the accumulator holds exactly 0.25 s, which is not enough.
  const size_t expected[] = {0, 0, 1, 1, 1, 2, 2, 3};
  for (size_t i = 0; i < sizeof(expected) / sizeof(expected[0]); ++i) {
    gen.SpawnOrigins(0.1f);
    EXPECT_EQ(expected[i], gen.timedOrigins.size()) << "after step " << i + 1;
  }
  EXPECT_NEAR(0.05f, gen.spawnAccumulator, 1e-5f) << "0.8 s less three intervals";
}

TEST(OriginSpawnTest, AnAccumulatorOfExactlyOneIntervalSpawnsNothing) {
  TestOrigins gen;
  gen.originRate.SetValue(4u);
  gen.spawnAccumulator = 0.25f;
  gen.SpawnOrigins(0.0f);
  EXPECT_TRUE(gen.timedOrigins.empty());
  gen.SpawnOrigins(0.001f);
  EXPECT_EQ(1u, gen.timedOrigins.size());
}

TEST(OriginSpawnTest, NoRateOrNoOpacitySpawnsNothingButTheTimeAddsUp) {
  TestOrigins noRate;
  noRate.originRate.SetValue(0u);
  TestOrigins invisible;
  invisible.originRate.SetValue(4u);
  SetTimeLineAlpha(invisible, 0.0f);
  ASSERT_EQ(0.0f, invisible.TimeLine().GetAlpha());
  for (int i = 0; i < 8; ++i) {
    noRate.SpawnOrigins(0.125f);
    invisible.SpawnOrigins(0.125f);
  }
  EXPECT_TRUE(noRate.timedOrigins.empty());
  EXPECT_TRUE(invisible.timedOrigins.empty());
  EXPECT_EQ(1.0f, invisible.spawnAccumulator);
  // A burst follows when the item becomes visible: 1 s at 4 per second.
  invisible.TimeLine().SetWrappedTime(1.5f);
  invisible.SpawnOrigins(0.0f);
  EXPECT_EQ(3u, invisible.timedOrigins.size()) << "1.0 s holds three intervals and a bit, strictly";
}

TEST(OriginSpawnTest, HalfOpacityHalvesTheRate) {
  TestOrigins gen;
  gen.originRate.SetValue(4u);
  gen.originLife.SetValue(250u);
  SetTimeLineAlpha(gen, 0.5f);
  for (int i = 0; i < 10; ++i) gen.SpawnOrigins(0.1f);  // 1.0 s at 2 per second
  EXPECT_EQ(1u, gen.timedOrigins.size()) << "0.5 s intervals: one at 0.6 s, the next after 1.0 s";
}

TEST(OriginSpawnTest, ARateBeyondWhatCanLiveStopsAtTheLimit) {
  TestOrigins gen;
  gen.originRate.SetValue(std::numeric_limits<unsigned int>::max());
  gen.originLife.SetValue(250u);
  gen.SpawnOrigins(0.2f);
  EXPECT_EQ(DS_ParticleOriginGenerator::kMaxOrigins, gen.timedOrigins.size());
  gen.SpawnOrigins(0.2f);
  EXPECT_EQ(DS_ParticleOriginGenerator::kMaxOrigins, gen.timedOrigins.size());
}

TEST(OriginSpawnTest, NewOriginStartsAtThePositionInTheDirectionsCone) {
  TestOrigins gen;
  gen.position.SetValue(D3DXVECTOR3(30.0f, 40.0f, 0.0f));
  gen.originLife.SetValue(50u);  // 2 s
  // Direction angles count counter-clockwise on the screen.
  const struct {
    unsigned degrees;
    float vx, vy;
  } cases[] = {{0, 100.0f, 0.0f}, {90, 0.0f, -100.0f}, {180, -100.0f, 0.0f}, {270, 0.0f, 100.0f}};
  for (const auto& c : cases) {
    gen.direction.SetValue(c.degrees);
    std::unique_ptr<DS_ParticleOrigin> origin(gen.CreateOrigin());
    EXPECT_FLOAT_EQ(2.0f, origin->timer);
    EXPECT_EQ(D3DXVECTOR3(30.0f, 40.0f, 0.0f), origin->position);
    EXPECT_NEAR(c.vx, origin->velocity.x, 1e-3f) << c.degrees;
    EXPECT_NEAR(c.vy, origin->velocity.y, 1e-3f) << c.degrees;
    EXPECT_EQ(100.0f, origin->size);
    EXPECT_EQ(1.0f, origin->alpha);
    EXPECT_TRUE(origin->callbacks.empty());
  }
}

TEST(OriginSpawnTest, SpreadConeFollowsTheSeededSequence) {
  TestOrigins gen;
  gen.direction.SetValue(90u);
  gen.direction.Spread().SetValue(30u);
  std::srand(11);
  std::vector<float> picks;
  for (int i = 0; i < 5; ++i) picks.push_back(std::rand() / 32767.0f);
  std::srand(11);
  for (float r : picks) {
    std::unique_ptr<DS_ParticleOrigin> origin(gen.CreateOrigin());
    const float degrees = 60.0f + r * 60.0f;
    const float a = degrees * 3.1415927f / 180.0f;
    EXPECT_NEAR(100.0f * std::cos(a), origin->velocity.x, 1e-2f) << degrees;
    EXPECT_NEAR(-100.0f * std::sin(a), origin->velocity.y, 1e-2f) << degrees;
  }
}

TEST(OriginLifeTest, AnOriginDiesOnlyOnceItsTimerIsBelowZero) {
  TestOrigins gen;
  gen.originLife.SetValue(25u);  // 1.0 s
  gen.timedOrigins.emplace_back(gen.CreateOrigin());
  gen.UpdateOrigins(0.5f);
  gen.UpdateOrigins(0.5f);
  ASSERT_EQ(1u, gen.timedOrigins.size()) << "timer exactly 0";
  EXPECT_EQ(0.0f, gen.timedOrigins.front()->timer);
  gen.UpdateOrigins(0.01f);
  EXPECT_TRUE(gen.timedOrigins.empty());
}

TEST(OriginLifeTest, UpdateAdvancesTheOriginClock) {
  TestOrigins gen;
  gen.originRate.SetValue(8u);
  gen.originLife.SetValue(250u);
  gen.originClock.SetValue(100u);  // speed 2
  gen.Update(0.1f, nullptr);       // 0.2 s of origin time
  EXPECT_FLOAT_EQ(0.2f, gen.originClock.GetStep());
  EXPECT_EQ(1u, gen.timedOrigins.size());
  gen.Update(5.0f, nullptr);  // a pause counts as at most 0.2 s, times 2
  EXPECT_FLOAT_EQ(0.4f, gen.originClock.GetStep());
  EXPECT_EQ(4u, gen.timedOrigins.size()) << "0.475 s hold three more intervals of 0.125 s";
}

// ---- callbacks ----

TEST(OriginCallbackTest, MoveGrowFadeAndTurn) {
  DS_ParticleOrigin o;
  o.timer = 1.0f;
  o.position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  o.velocity = D3DXVECTOR3(10.0f, 0.0f, 0.0f);
  o.acceleration = D3DXVECTOR3(0.0f, 4.0f, 0.0f);
  o.size = 1.0f;
  o.alpha = 0.0f;
  o.AddCallback(OriginMoveCallback);
  o.AddCallback(OriginGrowCallback, {2.0f});
  o.AddCallback(OriginFadeInCallback, {1.0f, 0.6f});
  o.AddCallback(OriginFadeOutCallback, {0.5f, 0.3f});
  o.AddCallback(OriginRotateCallback, {180.0f});

  // Step 0.25 s each: timer 0.75, 0.5, 0.25, 0.0.
  const struct {
    float x, y, size, alpha, angle;
  } after[] = {
      {2.5f, 0.125f, 1.5f, 0.25f, 45.0f},
      {5.0f, 0.5f, 2.0f, 0.25f, 90.0f},     // 0.5 is not above 0.6: no fade in
      {7.5f, 1.125f, 2.5f, 0.125f, 135.0f}, // 0.25 is below 0.3: fading out
      {10.0f, 2.0f, 3.0f, 0.0f, 180.0f},
  };
  for (const auto& a : after) {
    o.RunCallbacks(0.25f);
    EXPECT_FLOAT_EQ(a.x, o.position.x);
    EXPECT_NEAR(a.y, o.position.y, 1e-5f);
    EXPECT_FLOAT_EQ(a.size, o.size);
    EXPECT_NEAR(a.alpha, o.alpha, 1e-6f);
    const float rad = a.angle * 3.1415927f / 180.0f;
    EXPECT_NEAR(std::cos(rad), o.right.x, 1e-5f) << a.angle;
    EXPECT_NEAR(std::sin(rad), o.right.y, 1e-5f) << a.angle;
    EXPECT_NEAR(-std::sin(rad), o.up.x, 1e-5f) << a.angle;
    EXPECT_NEAR(std::cos(rad), o.up.y, 1e-5f) << a.angle;
  }
  EXPECT_FLOAT_EQ(0.0f, o.timer);
}

TEST(OriginCallbackTest, MissingArgumentsReadAsZero) {
  DS_ParticleOrigin o;
  o.timer = 1.0f;
  o.AddCallback(OriginGrowCallback);
  o.AddCallback(OriginFadeOutCallback, {3.0f});
  o.RunCallbacks(0.5f);
  EXPECT_EQ(100.0f, o.size);
  EXPECT_EQ(1.0f, o.alpha) << "threshold 0: the timer 0.5 is not below it";
}

// ---- copies ----

TEST(OriginCopyTest, CloneOwnsCopiesOfTheLiveOrigins) {
  TestOrigins item;
  item.originRate.SetValue(10u);
  item.originLife.SetValue(250u);
  item.SpawnOrigins(0.25f);
  ASSERT_EQ(2u, item.timedOrigins.size());
  item.timedOrigins.front()->AddCallback(OriginGrowCallback, {4.0f});
  std::unique_ptr<DS_ParticleGenerator> clone(item.Clone());
  auto& copy = static_cast<TestOrigins&>(*clone);
  ASSERT_EQ(2u, copy.timedOrigins.size());
  EXPECT_NE(item.timedOrigins.front().get(), copy.timedOrigins.front().get());
  EXPECT_FLOAT_EQ(item.spawnAccumulator, copy.spawnAccumulator);
  copy.UpdateOrigins(1.0f);
  EXPECT_EQ(104.0f, copy.timedOrigins.front()->size);
  EXPECT_EQ(100.0f, item.timedOrigins.front()->size) << "the item's origin is untouched";
}

TEST(RegionCopyTest, WanderersOfACopyUseTheCopysContext) {
  TestRegion item;
  item.region.SetFromCentre(D3DXVECTOR3(50.0f, 50.0f, 0.0f), 100.0f, 100.0f);
  DS_Particle wanderer(10.0f, 10.0f, 0.0f);
  wanderer.AddProcess(new PBrownian(&item.context));
  item.origins.push_back(wanderer);
  item.particles.push_back(wanderer);
  std::unique_ptr<DS_ParticleGenerator> clone(item.Clone());
  auto& copy = static_cast<TestRegion&>(*clone);
  for (const std::list<DS_Particle>* list : {&copy.origins, &copy.particles}) {
    ASSERT_EQ(1u, list->size());
    auto* process = dynamic_cast<PBrownian*>(list->front().GetProcess(0));
    ASSERT_NE(nullptr, process);
    EXPECT_EQ(&copy.context, process->context);
  }
  auto* original = dynamic_cast<PBrownian*>(item.origins.front().GetProcess(0));
  EXPECT_EQ(&item.context, original->context);
}

// ---- path points ----

TEST(PathPointTest, ListReadsBackAndCopiesShareTheirPoints) {
  std::vector<DS_PathPoint> written;
  for (float x : {1.0f, 2.0f, 3.0f}) {
    DS_PathPoint p;
    p.position = DS_SharedRef<MediaParamT<D3DXVECTOR3>>(new MediaParamT<D3DXVECTOR3>(D3DXVECTOR3(x, -x, 0.5f)));
    written.push_back(p);
  }
  DS_IOF_W w;
  WritePathPointList(w, written);
  Reading reading(w.Bytes());
  std::vector<DS_PathPoint> read;
  ReadPathPointList(*reading.handle, read);
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft());
  ASSERT_EQ(3u, read.size());
  EXPECT_EQ(D3DXVECTOR3(3.0f, -3.0f, 0.5f), read[2].position->GetValue());
  EXPECT_FALSE(read[2].reserved);

  DS_PathPoint copy = read[0];
  EXPECT_EQ(2, read[0].position.UseCount());
  copy.position->SetValue(D3DXVECTOR3(9.0f, 9.0f, 9.0f));
  EXPECT_EQ(D3DXVECTOR3(9.0f, 9.0f, 9.0f), read[0].position->GetValue());
}

TEST(PathPointTest, EmptyAndImpossibleCounts) {
  for (int count : {0, -1, 1000000, std::numeric_limits<int>::max()}) {
    DS_IOF_W w;
    w.WriteInt(count);
    w.WriteFloat(1.0f);
    w.WriteFloat(2.0f);
    w.WriteFloat(3.0f);
    Reading reading(w.Bytes());
    std::vector<DS_PathPoint> path;
    ReadPathPointList(*reading.handle, path);
    EXPECT_TRUE(path.empty()) << count;
    EXPECT_EQ(count != 0, reading.handle->Failed()) << count;
  }
}

}  // namespace
