// Fireworks: the record, rockets launched from a seeded sequence with and without a
// time line, the sparks they spray (counts, directions, fading and growth), the limits
// on counts and times from the document, the two quad slots, and the two-texture mask
// pass and composite through the recording effect.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ParticleTestSupport.h"
#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "objects/particles/Fireworks.h"
#include "objects/particles/Particle.h"
#include "objects/particles/ParticlesObj.h"
#include "render/Layer.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "support/FakeEffect.h"
#include "support/SceneTest.h"

using particles_test::Reading;
using particles_test::WrittenBytes;

namespace {

const float kPi = 3.1415927f;
const float kInfinity = std::numeric_limits<float>::infinity();

// The origin generator level on its own, to lay out the fields a firework record
// embeds.
class PlainOrigins : public DS_ParticleOriginGenerator {
public:
  void Render(DS_ABRender*, DS_ParticlesObj*) override {}
  DS_ParticleGenerator* Clone() const override { return new PlainOrigins(*this); }
};

DS_FireworkSimple MakeFirework() {
  DS_FireworkSimple fw;
  fw.position.SetValue(D3DXVECTOR3(160.0f, 200.0f, 0.0f));
  fw.rocketCount.SetValue(4u);
  fw.particleSize.SetValue(10u);
  fw.rocketSpeed.SetValue(25u);  // 100 px/s
  fw.originClock.SetValue(50u);  // the clock runs at 1.0
  fw.emit.SetValue(1);
  return fw;
}

// Opacity `alpha` of the item's time line: a window whose fade-in runs from 0 to 1 s
// and which lasts 100 s.
void SetTimeLineAlpha(DS_ABObj_Constructor& item, float alpha) {
  DS_TimeLineControl& tl = item.TimeLine();
  tl.mode.SetValue(DS_TimeLineControl::kWindows);
  tl.AddWindow({0.0f, 100.0f, 1.0f, 99.0f});
  tl.SetWrappedTime(alpha);
}

// A cycle of fade-in 0.5 s, shown 3.00 s, fade-out 0.5 s and hidden 1.00 s: 4 s of
// burning in every 5 s.
void SetFourSecondCycle(DS_ABObj_Constructor& item) {
  DS_TimeLineControl& tl = item.TimeLine();
  tl.mode.SetValue(DS_TimeLineControl::kCycle);
  tl.fadeIn.SetValue(50u);
  tl.fadeOut.SetValue(50u);
  tl.shown.lo.SetValue(300u);
  tl.hidden.lo.SetValue(100u);
  tl.hidden.random = false;
}

// Two draws of the seeded sequence as a direction of the given length: about z by
// the first angle, then about y by the second.
D3DXVECTOR3 ExpectedDirection(float length, int r1, int r2) {
  const float a = r1 / 32767.0f * 360.0f * kPi / 180.0f;
  const float b = r2 / 32767.0f * 360.0f * kPi / 180.0f;
  return D3DXVECTOR3(length * std::cos(a) * std::cos(b), length * std::sin(a), -length * std::cos(a) * std::sin(b));
}

void ExpectNear(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual, float tolerance, const std::string& what) {
  EXPECT_NEAR(expected.x, actual.x, tolerance) << what;
  EXPECT_NEAR(expected.y, actual.y, tolerance) << what;
  EXPECT_NEAR(expected.z, actual.z, tolerance) << what;
}

template <class P>
P* ProcessAt(const DS_Particle& p, size_t i) {
  return i < p.ProcessCount() ? dynamic_cast<P*>(p.GetProcess(i)) : nullptr;
}

// ---- record ----

DS_FireworkSimple MakeWrittenFirework() {
  DS_FireworkSimple written = MakeFirework();
  written.rocketCount.SetValue(7u);
  written.particleSize.SetValue(12u);
  written.glowFactor.SetValue(50u);
  written.originLife.SetValue(25u);
  written.originRate.SetValue(3u);
  written.originSize.SetValue(9u);
  written.direction.SetValue(45u);
  written.lifetime.SetValue(150u);
  written.emissionRate.SetValue(4u);
  written.sizeFactor.SetValue(20u);
  written.speed.SetValue(30u);
  written.colour1.SetValue(0x00FFFF);
  written.blendMode.SetValue(1);
  written.origins.emplace_back(1.0f, 2.0f, 0.0f);
  written.SetName(L"new year");
  return written;
}

TEST(FireworkRecordTest, FieldsFollowTheHeaderAndPrecedeTheOriginFields) {
  Reading reading(WrittenBytes(MakeWrittenFirework()));
  DS_IOF_Virtual& stream = *reading.handle;
  ds_string name;
  int version = 0;
  stream.ReadString(name);
  stream.ReadInt(version);
  EXPECT_EQ(L"DS_FireworkSimple", name);
  EXPECT_EQ(1, version);
  unsigned fields[4] = {};
  for (unsigned& f : fields) stream.ReadUInt(f);
  EXPECT_EQ(7u, fields[0]) << "rocket count";
  EXPECT_EQ(12u, fields[1]) << "particle size";
  EXPECT_EQ(25u, fields[2]) << "rocket speed";
  EXPECT_EQ(50u, fields[3]) << "glow factor";
  // Then the origin generator's fields without a header of their own, ending with
  // the textured section.
  PlainOrigins rest;
  rest.ReadOriginFields(reading.handle);
  ASSERT_FALSE(stream.Failed());
  EXPECT_EQ(0u, stream.BytesLeft());
  EXPECT_EQ(25u, rest.originLife.GetValue());
  EXPECT_EQ(3u, rest.originRate.GetValue());
  EXPECT_EQ(9u, rest.originSize.GetValue());
  EXPECT_EQ(45u, rest.direction.GetValue());
  EXPECT_EQ(50u, rest.originClock.GetValue());
  EXPECT_EQ(D3DXVECTOR3(160.0f, 200.0f, 0.0f), rest.position.GetValue());
  EXPECT_EQ(150u, rest.lifetime.GetValue());
  EXPECT_EQ(1, rest.blendMode.GetValue());
  EXPECT_EQ(L"new year", rest.GetName());
}

class FireworkVersionTest : public ::testing::TestWithParam<int> {};

TEST_P(FireworkVersionTest, EveryVersionReadsBackThroughTheRegistry) {
  const std::vector<unsigned char> bytes = WrittenBytes(MakeWrittenFirework());
  DS_IOF_W header, versioned;
  WriteLevelHeader(header, L"DS_FireworkSimple", 1);
  WriteLevelHeader(versioned, L"DS_FireworkSimple", GetParam());
  std::vector<unsigned char> record = versioned.Bytes();
  record.insert(record.end(), bytes.begin() + header.Bytes().size(), bytes.end());

  Reading reading(record);
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft());
  auto* read = dynamic_cast<DS_FireworkSimple*>(item.get());
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(7u, read->rocketCount.GetValue());
  EXPECT_EQ(12u, read->particleSize.GetValue());
  EXPECT_FLOAT_EQ(100.0f, read->rocketSpeed.GetResult());
  EXPECT_FLOAT_EQ(3.0f, read->glowFactor.GetResult());
  EXPECT_FLOAT_EQ(0.0f, read->gravity.GetResult()) << "not stored";
  EXPECT_FLOAT_EQ(1.0f, read->originLife.GetResult());
  EXPECT_EQ(3u, read->originRate.GetValue());
  EXPECT_EQ(9u, read->originSize.GetValue());
  EXPECT_EQ(45u, read->direction.GetValue());
  EXPECT_FLOAT_EQ(1.0f, read->originClock.GetSpeed());
  EXPECT_EQ(D3DXVECTOR3(160.0f, 200.0f, 0.0f), read->position.GetValue());
  EXPECT_FLOAT_EQ(1.5f, read->lifetime.GetResult()) << "hundredths of a second";
  EXPECT_FLOAT_EQ(2.0f, read->sizeFactor.GetResult()) << "tenths";
  EXPECT_FLOAT_EQ(30.0f, read->speed.GetResult());
  EXPECT_EQ(0x00FFFFu, read->colour1.GetValue());
  EXPECT_EQ(1, read->blendMode.GetValue());
  EXPECT_EQ(1u, read->origins.size());
  EXPECT_EQ(L"new year", read->GetName());
  EXPECT_FALSE(read->TimeLine().shown.random) << "a visible period lasts the shown range's lower value";

  // The emission rate is stored without notification: the clone computes it.
  std::unique_ptr<DS_ParticleGenerator> clone(read->Clone());
  EXPECT_FLOAT_EQ(9.0f, clone->emissionRate.GetResult()) << "1 + 2 x stored sparks per second";
}

INSTANTIATE_TEST_SUITE_P(Versions, FireworkVersionTest, ::testing::Values(1, 0, 2, -5));

TEST(FireworkRecordTest, ATruncatedRecordFailsTheStream) {
  std::vector<unsigned char> bytes = WrittenBytes(MakeWrittenFirework());
  for (size_t keep : {size_t(50), bytes.size() / 2, bytes.size() - 3}) {
    std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + keep);
    Reading reading(cut);
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    EXPECT_TRUE(reading.handle->Failed()) << keep;
  }
}

// ---- launching without a time line ----

TEST(FireworkFreeLaunchTest, RocketCountFourLaunchesEveryEighthOfASecond) {
  DS_FireworkSimple fw = MakeFirework();
  fw.emit.SetValue(0);
  // Steps of 0.05 s: a rocket is due 0.125 s after the last, so every third step.
  size_t launched = 0;
  for (int i = 1; i <= 40; ++i) {
    const float next = fw.nextLaunchTime;
    fw.Update(0.05f * i, nullptr);
    const float T = fw.originClock.GetAccumulatedTime();
    const bool due = (i - 1) % 3 == 0;
    EXPECT_EQ(due, fw.nextLaunchTime != next) << "step " << i;
    if (due) {
      ++launched;
      EXPECT_FLOAT_EQ(T + 0.125f, fw.nextLaunchTime) << "step " << i;
    }
    if (i >= 12) {
      // Each burns 0.5 s: about four in flight.
      EXPECT_GE(fw.origins.size(), 3u) << "step " << i;
      EXPECT_LE(fw.origins.size(), 4u) << "step " << i;
    }
  }
  EXPECT_EQ(14u, launched);
}

TEST(FireworkFreeLaunchTest, FreeRocketsBurnHalfASecondInAStraightLine) {
  DS_FireworkSimple fw = MakeFirework();
  fw.emit.SetValue(0);
  fw.rocketCount.SetValue(0u);
  std::srand(5u);
  const int r1 = std::rand(), r2 = std::rand();
  const D3DXVECTOR3 v = ExpectedDirection(100.0f, r1, r2);
  std::srand(5u);
  fw.Update(0.1f, nullptr);
  ASSERT_EQ(1u, fw.origins.size());
  const DS_Particle& rocket = fw.origins.front();
  EXPECT_EQ(D3DXVECTOR3(160.0f, 200.0f, 0.0f), rocket.position) << "launched at the position, not yet moved";
  ASSERT_EQ(2u, rocket.ProcessCount());
  auto* life = ProcessAt<PLifeConst>(rocket, 0);
  auto* kinetic = ProcessAt<PKinetic>(rocket, 1);
  ASSERT_NE(nullptr, life);
  ASSERT_NE(nullptr, kinetic);
  EXPECT_FLOAT_EQ(2.0f, life->rate);
  ExpectNear(v, kinetic->velocity, 1e-3f, "velocity");
  EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), kinetic->acceleration) << "gravity 0";

  // Count 0: the next launch never comes.
  EXPECT_EQ(kInfinity, fw.nextLaunchTime);
  const struct {
    float t;
    size_t rockets;
  } steps[] = {{0.2f, 1}, {0.3f, 1}, {0.5f, 1}, {0.7f, 0}, {2.0f, 0}, {3.0f, 0}};
  for (const auto& s : steps) {
    fw.Update(s.t, nullptr);
    ASSERT_EQ(s.rockets, fw.origins.size()) << "at " << s.t;
    if (s.rockets) {
      const float flown = s.t - 0.1f;
      ExpectNear(D3DXVECTOR3(160.0f, 200.0f, 0.0f) + v * flown, fw.origins.front().position, 1e-2f,
                 "straight line at " + std::to_string(s.t));
    }
  }
}

TEST(FireworkFreeLaunchTest, AStoppedClockLaunchesNothing) {
  DS_FireworkSimple fw = MakeFirework();
  fw.originClock.SetValue(0u);
  for (int i = 1; i <= 10; ++i) fw.Update(0.1f * i, nullptr);
  EXPECT_TRUE(fw.origins.empty());
}

// ---- launching with a time line ----

TEST(FireworkTimeLineLaunchTest, AllRocketsGoUpAtEveryFadeInAndBurnForTheCycle) {
  DS_FireworkSimple fw = MakeFirework();
  fw.emit.SetValue(0);
  fw.rocketCount.SetValue(5u);
  SetFourSecondCycle(fw);
  DS_TimeLineControl& tl = fw.TimeLine();
  tl.shown.hi.SetValue(900u);  // not drawn from: the random flag is cleared
  EXPECT_FLOAT_EQ(4.0f, tl.GetCycleLength());

  struct Launch {
    float t;
    int phase;
  };
  std::vector<Launch> launches;
  int previousPhase = kPhaseInvisible;
  for (int i = 1; i <= 110; ++i) {
    const float t = 0.1f * i;
    const size_t before = fw.origins.size();
    fw.Update(tl.AdvanceLocalTime(t), nullptr);
    const int phase = tl.GetPhase();
    if (fw.origins.size() > before) {
      launches.push_back({t, phase});
      EXPECT_EQ(before + 5, fw.origins.size()) << "at " << t;
      EXPECT_EQ(kPhaseInvisible, previousPhase) << "launched on the first visible update, at " << t;
      for (const DS_Particle& rocket : fw.origins) {
        auto* life = ProcessAt<PLifeConst>(rocket, 0);
        ASSERT_NE(nullptr, life);
        EXPECT_FLOAT_EQ(0.25f, life->rate) << "burns the 4 s of the cycle";
      }
    }
    if (phase == kPhaseInvisible) {
      EXPECT_TRUE(fw.origins.empty()) << "burnt out by " << t;
    }
    previousPhase = phase;
  }
  ASSERT_EQ(3u, launches.size()) << "a launch per cycle of 5 s";
  for (const Launch& l : launches) EXPECT_EQ(kPhaseFadingIn, l.phase) << l.t;
  EXPECT_NEAR(0.1f, launches[0].t, 1e-4f);
  // Each state change of the cycle takes the first update past the state's end.
  EXPECT_GE(launches[1].t - launches[0].t, 5.0f - 1e-3f);
  EXPECT_LE(launches[1].t - launches[0].t, 5.5f);
}

TEST(FireworkTimeLineLaunchTest, ASlideLeftWhileVisibleLaunchesAgainWhenItComesBack) {
  DS_FireworkSimple item = MakeFirework();
  item.emit.SetValue(0);
  item.rocketCount.SetValue(5u);
  SetFourSecondCycle(item);
  std::unique_ptr<DS_ABObj> object(item.CreateObject());
  auto& fw = *static_cast<DS_FireworkSimple*>(static_cast<DS_ParticlesObj*>(object.get())->GetGenerator());

  // The slide plays for a second: one launch, the rockets still burning.
  for (int i = 1; i <= 10; ++i) object->UpdateAt(0.1f * i);
  ASSERT_EQ(5u, fw.origins.size());
  ASSERT_NE(kPhaseInvisible, fw.TimeLine().GetPhase()) << "left while visible";

  // The slide comes back at scene time 30 s: activation resets its objects, and the
  // restarted cycle goes straight into its fade-in.
  object->Reset();
  object->UpdateAt(30.0f);
  EXPECT_EQ(kPhaseFadingIn, fw.TimeLine().GetPhase());
  EXPECT_EQ(10u, fw.origins.size()) << "the first cycle after the return launches its rockets";
  object->UpdateAt(30.1f);
  EXPECT_EQ(10u, fw.origins.size()) << "once";
}

TEST(FireworkTimeLineLaunchTest, RocketsOfOneLaunchShareTheStartAndDifferInDirection) {
  DS_FireworkSimple fw = MakeFirework();
  fw.rocketCount.SetValue(3u);
  SetTimeLineAlpha(fw, 0.5f);
  std::srand(11u);
  std::vector<D3DXVECTOR3> expected;
  for (int i = 0; i < 3; ++i) {
    const int r1 = std::rand(), r2 = std::rand();
    expected.push_back(ExpectedDirection(100.0f, r1, r2));
  }
  std::srand(11u);
  fw.Launch(0.0f, 0.0f);
  ASSERT_EQ(3u, fw.origins.size());
  EXPECT_TRUE(fw.particles.empty()) << "no time has passed: no sparks yet";
  EXPECT_FALSE(fw.launchArmed);
  size_t i = 0;
  for (const DS_Particle& rocket : fw.origins) {
    EXPECT_EQ(D3DXVECTOR3(160.0f, 200.0f, 0.0f), rocket.position);
    EXPECT_EQ(0.0f, rocket.life);
    EXPECT_EQ(1.0f, rocket.size);
    auto* life = ProcessAt<PLifeConst>(rocket, 0);
    auto* kinetic = ProcessAt<PKinetic>(rocket, 1);
    ASSERT_NE(nullptr, life);
    ASSERT_NE(nullptr, kinetic);
    EXPECT_FLOAT_EQ(0.01f, life->rate) << "the window lasts 100 s";
    ExpectNear(expected[i], kinetic->velocity, 1e-3f, "rocket " + std::to_string(i));
    EXPECT_NEAR(100.0f, D3DXVec3Length(&kinetic->velocity), 1e-3f);
    ++i;
  }
  EXPECT_NE(expected[0], expected[1]);
  // No second launch while the item stays visible.
  fw.Launch(0.1f, 0.1f);
  EXPECT_EQ(3u, fw.origins.size());
}

TEST(FireworkTimeLineLaunchTest, ARocketCountFromTheDocumentCannotOutgrowOneSlot) {
  DS_FireworkSimple fw = MakeFirework();
  fw.rocketCount.SetValue(std::numeric_limits<unsigned int>::max());
  fw.emissionRate.SetValue(std::numeric_limits<unsigned int>::max());
  SetTimeLineAlpha(fw, 0.5f);
  fw.Update(0.1f, nullptr);
  EXPECT_EQ(size_t(DS_ParticlesObj::kMaxSlotQuads), fw.origins.size());
  fw.Update(0.2f, nullptr);
  EXPECT_EQ(size_t(DS_ParticlesObj::kMaxSlotQuads), fw.origins.size());
  EXPECT_LE(fw.particles.size(), size_t(DS_ParticleGenerator::kMaxParticles));
  EXPECT_GT(fw.particles.size(), 0u);
}

TEST(FireworkTimeLineLaunchTest, ACycleOfLengthZeroBurnsOutAtTheFirstStep) {
  DS_FireworkSimple fw = MakeFirework();
  fw.rocketCount.SetValue(2u);
  fw.TimeLine().mode.SetValue(DS_TimeLineControl::kCycle);
  fw.TimeLine().fadeIn.SetValue(0u);
  fw.TimeLine().fadeOut.SetValue(0u);
  fw.TimeLine().shown.lo.SetValue(0u);
  fw.TimeLine().AdvanceLocalTime(0.1f);
  ASSERT_EQ(0.0f, fw.TimeLine().GetCycleLength());
  fw.Launch(0.0f, 0.0f);
  ASSERT_EQ(2u, fw.origins.size());
  // A step without time leaves them; the first step that takes time ends them.
  fw.Launch(0.0f, 0.0f);
  EXPECT_EQ(2u, fw.origins.size());
  for (const DS_Particle& rocket : fw.origins) EXPECT_FALSE(std::isnan(rocket.life));
  fw.Launch(0.05f, 0.05f);
  EXPECT_TRUE(fw.origins.empty());
}

// ---- sparks ----

struct SparkCountCase {
  unsigned storedRate;
  float T;
  int perRocket;
};

class FireworkSparkCountTest : public ::testing::TestWithParam<SparkCountCase> {};

TEST_P(FireworkSparkCountTest, SparksAlongEveryRocketsPathFromTheSeededSequence) {
  const SparkCountCase& c = GetParam();
  DS_FireworkSimple fw = MakeFirework();
  fw.emissionRate.SetValue(c.storedRate);
  fw.speed.SetValue(30u);
  fw.lifetime.SetValue(200u);   // 2 s
  fw.sizeFactor.SetValue(15u);  // 1.5
  fw.nextLaunchTime = kInfinity;
  for (float x : {40.0f, -80.0f}) {
    DS_Particle rocket(x, 0.0f, 0.0f);
    rocket.previousPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    fw.origins.push_back(rocket);
  }

  std::srand(7u);
  struct Expected {
    D3DXVECTOR3 velocity;
  };
  std::vector<Expected> expected;
  for (int i = 0; i < 2 * c.perRocket; ++i) {
    const float pick = std::rand() / 32767.0f * 30.0f;
    const int r1 = std::rand(), r2 = std::rand();
    expected.push_back({ExpectedDirection(pick, r1, r2)});
  }
  std::srand(7u);
  fw.Launch(0.0f, c.T);
  ASSERT_EQ(size_t(2 * c.perRocket), fw.particles.size());

  size_t i = 0;
  for (const DS_Particle& spark : fw.particles) {
    const float x = (i < size_t(c.perRocket) ? 40.0f : -80.0f) * float(i % c.perRocket + 1) / float(c.perRocket + 1);
    EXPECT_NEAR(x, spark.position.x, 1e-4f) << "spark " << i;
    EXPECT_EQ(1.0f, spark.alpha) << "the item is fully visible";
    EXPECT_EQ(1.0f, spark.size);
    ASSERT_EQ(4u, spark.ProcessCount()) << "spark " << i;
    auto* life = ProcessAt<PLifeConst>(spark, 0);
    auto* fade = ProcessAt<PSteady>(spark, 1);
    auto* grow = ProcessAt<PSteady>(spark, 2);
    auto* kinetic = ProcessAt<PKinetic>(spark, 3);
    ASSERT_TRUE(life && fade && grow && kinetic) << "spark " << i;
    EXPECT_FLOAT_EQ(0.5f, life->rate);
    EXPECT_EQ(int(DS_Particle::kAlpha), fade->channel);
    EXPECT_FLOAT_EQ(-0.5f, fade->rate);
    EXPECT_EQ(int(DS_Particle::kSize), grow->channel);
    EXPECT_FLOAT_EQ(0.75f, grow->rate);
    ExpectNear(expected[i].velocity, kinetic->velocity, 1e-3f, "spark " + std::to_string(i));
    EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), kinetic->acceleration);
    ++i;
  }
  for (const DS_Particle& rocket : fw.origins) {
    EXPECT_EQ(rocket.position, rocket.previousPosition) << "the next path starts here";
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, FireworkSparkCountTest,
                         ::testing::Values(SparkCountCase{0u, 1.0f, 1},  // stored 0 still gives 1 per second
                                           SparkCountCase{2u, 1.0f, 5}, SparkCountCase{2u, 0.5f, 2},
                                           SparkCountCase{10u, 0.25f, 5}));

TEST(FireworkSparkTest, NotYetOneSparkDueGivesNone) {
  DS_FireworkSimple fw = MakeFirework();
  fw.nextLaunchTime = kInfinity;
  fw.origins.push_back(DS_Particle(40.0f, 0.0f, 0.0f));
  fw.Launch(0.0f, 0.5f);  // 1 per second x 0.5 s
  EXPECT_TRUE(fw.particles.empty());
  fw.emit.SetValue(0);
  fw.Launch(0.0f, 3.0f);
  EXPECT_TRUE(fw.particles.empty()) << "emission switched off";
}

TEST(FireworkSparkTest, ASparkBornAtHalfOpacityIsInvisibleAfterHalfItsLife) {
  DS_FireworkSimple fw = MakeFirework();
  fw.rocketCount.SetValue(0u);
  fw.lifetime.SetValue(100u);   // 1 s
  fw.sizeFactor.SetValue(10u);  // grows by 1.0
  SetTimeLineAlpha(fw, 0.5f);
  fw.origins.push_back(DS_Particle(40.0f, 0.0f, 0.0f));
  fw.Launch(0.0f, 1.0f);
  ASSERT_EQ(1u, fw.particles.size());
  DS_Particle spark = fw.particles.front();
  EXPECT_FLOAT_EQ(0.5f, spark.alpha);

  const struct {
    float alpha, size;
    bool alive;
  } steps[] = {{0.25f, 1.25f, true}, {0.0f, 1.5f, true}, {-0.25f, 1.75f, true}, {-0.25f, 1.75f, false}};
  int n = 0;
  for (const auto& s : steps) {
    ++n;
    EXPECT_EQ(s.alive, spark.Update(0.25f)) << "step " << n;
    EXPECT_NEAR(s.alpha, spark.alpha, 1e-5f) << "step " << n;
    EXPECT_NEAR(s.size, spark.size, 1e-5f) << "step " << n;
  }
}

TEST(FireworkSparkTest, RocketsAndSparksLeaveTheListsWhenTheirLifeEnds) {
  DS_FireworkSimple fw = MakeFirework();
  fw.rocketCount.SetValue(2u);
  fw.emissionRate.SetValue(10u);  // 21 per second and rocket
  fw.lifetime.SetValue(100u);     // 1 s
  float t = 0.0f;
  for (int i = 0; i < 5; ++i) fw.Update(t += 0.1f, nullptr);
  EXPECT_FALSE(fw.origins.empty());
  EXPECT_FALSE(fw.particles.empty());
  fw.nextLaunchTime = kInfinity;
  for (int i = 0; i < 5; ++i) fw.Update(t += 0.1f, nullptr);
  EXPECT_TRUE(fw.origins.empty()) << "every rocket burnt 0.5 s";
  EXPECT_FALSE(fw.particles.empty()) << "sparks outlive their rocket";
  for (int i = 0; i < 11; ++i) fw.Update(t += 0.1f, nullptr);
  EXPECT_TRUE(fw.particles.empty());
}

TEST(FireworkSparkTest, ALifetimeOfZeroEndsSparksAtTheirFirstStepWithoutNaN) {
  DS_FireworkSimple fw = MakeFirework();
  fw.lifetime.SetValue(0u);
  fw.sizeFactor.SetValue(30u);
  fw.nextLaunchTime = kInfinity;
  fw.origins.push_back(DS_Particle(40.0f, 0.0f, 0.0f));
  fw.Launch(0.0f, 1.0f);
  ASSERT_EQ(1u, fw.particles.size());
  DS_Particle spark = fw.particles.front();
  EXPECT_TRUE(spark.Update(0.0f)) << "no time passed";
  EXPECT_FALSE(std::isnan(spark.life));
  EXPECT_FALSE(std::isnan(spark.alpha));
  EXPECT_FALSE(std::isnan(spark.size));
  EXPECT_FALSE(spark.Update(0.01f));
  EXPECT_FALSE(std::isnan(spark.alpha));
  EXPECT_FALSE(std::isnan(spark.size));
}

TEST(FireworkLifeRateTest, DurationsToRates) {
  const struct {
    float seconds, rate;
  } cases[] = {{4.0f, 0.25f}, {0.5f, 2.0f}, {0.0f, std::numeric_limits<float>::max()},
               {-1.0f, std::numeric_limits<float>::max()}, {1e-45f, std::numeric_limits<float>::max()},
               {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::max()}};
  for (const auto& c : cases) EXPECT_EQ(c.rate, DS_Firework::LifeRate(c.seconds)) << c.seconds;
}

TEST(FireworkObjectTest, StoredOriginsAreDroppedAndTwoSlotsMade) {
  for (int blendMode : {0, 1, 2, 3}) {
    DS_FireworkSimple item = MakeFirework();
    item.blendMode.SetValue(blendMode);
    item.origins.emplace_back(5.0f, 5.0f, 0.0f);
    std::unique_ptr<DS_ParticlesObj> object(static_cast<DS_ParticlesObj*>(item.CreateObject()));
    auto* clone = dynamic_cast<DS_FireworkSimple*>(object->GetGenerator());
    ASSERT_NE(nullptr, clone);
    EXPECT_TRUE(clone->origins.empty());
    EXPECT_EQ(2, object->GetSlotCount());
    EXPECT_FALSE(object->NeedsSceneInput()) << "without an effect the scene is never drawn back; mode " << blendMode;
    EXPECT_EQ(1u, item.origins.size());
  }
}

// ---- on the test device ----

class FireworkDeviceTest : public ds_test::SceneTest {
protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (HasFatalFailure()) return;
    device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, picture.Receive(), nullptr);
    set.AddFrame(picture.Get(), -1.0f);
    SetSceneTexture();
  }
  void TearDown() override {
    object.reset();
    SceneTest::TearDown();
  }

  void EmbedEffect(DS_FireworkSimple& item) {
    EmbedFakeEffect(item.effectLink, DS_FileKey(L"C:\\scene\\firework.fx", 4), L"firework.fx", 3);
  }

  DS_FireworkSimple& Make(DS_FireworkSimple item, bool withPicture = true) {
    object.reset(static_cast<DS_ParticlesObj*>(item.CreateObject()));
    DS_FireworkSimple& clone = *static_cast<DS_FireworkSimple*>(object->GetGenerator());
    if (withPicture) clone.textureSets = {&set};
    return clone;
  }

  std::vector<DX_V::PCT> Slot(int slot) { return particles_test::SlotVertices(*object, slot); }

  // The object drawn as it stands (no update).
  void RenderFrame() { Draw(*object, 0.0f, false); }

  FakeEffectFactory factory;
  DS_ComHolder<IDirect3DTexture9> picture;
  DS_TextureSet set;
  std::unique_ptr<DS_ParticlesObj> object;
};

TEST_F(FireworkDeviceTest, RocketsThenSparksAsCoresAndGlows) {
  DS_FireworkSimple item = MakeFirework();
  item.glowFactor.SetValue(25u);  // 2.0
  item.colour1.SetValue(0x0000FF);
  item.colour2.SetValue(0xFF0000);
  item.colour2.Opacity().SetValue(20u);  // alpha byte 204 (of 255)
  DS_FireworkSimple& fw = Make(item);
  // The clone's time line starts afresh: its opacity is set on the clone.
  SetTimeLineAlpha(fw, 0.5f);
  fw.origins.push_back(DS_Particle(100.0f, 50.0f, 0.0f));
  DS_Particle spark(40.0f, 30.0f, 0.0f);
  spark.size = 2.0f;
  spark.alpha = 0.25f;
  fw.particles.push_back(spark);
  fw.BuildQuads(object.get());

  // Rocket: size 1, opacity 0.5 (the item's); spark: size 2, its own 0.25; the glows
  // also at the second tint's 0.8.
  const struct {
    int slot;
    size_t quad;
    float centreX, size;
    D3DCOLOR colour;
  } cases[] = {{0, 0, 100.0f, 10.0f, 0x80FF0000}, {0, 1, 40.0f, 20.0f, 0x40FF0000},
               {1, 0, 100.0f, 20.0f, 0x660000FF}, {1, 1, 40.0f, 40.0f, 0x330000FF}};
  for (const auto& c : cases) {
    std::vector<DX_V::PCT> q = Slot(c.slot);
    ASSERT_EQ(8u, q.size()) << "slot " << c.slot;
    const DX_V::PCT* v = &q[4 * c.quad];
    EXPECT_NEAR(c.size, v[2].x - v[0].x, 1e-3f) << "slot " << c.slot << " quad " << c.quad;
    EXPECT_NEAR(c.size, v[0].y - v[1].y, 1e-3f) << "slot " << c.slot << " quad " << c.quad;
    EXPECT_NEAR(c.centreX, (v[0].x + v[2].x) * 0.5f, 1e-3f) << "slot " << c.slot << " quad " << c.quad;
    EXPECT_EQ(c.colour, v[0].color) << "slot " << c.slot << " quad " << c.quad;
  }
}

TEST_F(FireworkDeviceTest, UpdatesWriteOneQuadPerRocketAndSparkInBothSlots) {
  DS_FireworkSimple item = MakeFirework();
  item.emissionRate.SetValue(5u);  // 11 per second and rocket
  Make(item);
  float t = 0.0f;
  for (int i = 0; i < 6; ++i) {
    object->Update(t += 0.1f);
    auto& fw = *static_cast<DS_FireworkSimple*>(object->GetGenerator());
    const unsigned n = unsigned(fw.origins.size() + fw.particles.size());
    EXPECT_EQ(n, object->GetQuadCount(0)) << "step " << i;
    EXPECT_EQ(n, object->GetQuadCount(1)) << "step " << i;
  }
  EXPECT_GT(object->GetQuadCount(0), 0u);
}

TEST_F(FireworkDeviceTest, MaskPassDrawsCoresThenGlowsAndMainComposes) {
  DS_FireworkSimple item = MakeFirework();
  EmbedEffect(item);
  DS_FireworkSimple& fw = Make(item);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  fw.origins.push_back(DS_Particle(100.0f, 50.0f, 0.0f));
  fw.particles.push_back(DS_Particle(40.0f, 30.0f, 0.0f));
  fw.BuildQuads(object.get());
  RenderFrame();

  EXPECT_TRUE(BackBufferIsTarget()) << "the firework's target";

  const std::vector<std::string> techniques = effect->Techniques();
  ASSERT_EQ(2u, techniques.size());
  EXPECT_EQ("BlendMask_Max", techniques[0]);
  EXPECT_EQ("Main", techniques[1]);
  EXPECT_EQ(3, effect->BeginCount()) << "cores, glows, then the composite";

  ASSERT_NE(nullptr, fw.GetTarget());
  IDirect3DTexture9* glows = fw.GetTarget()->GetCurrent().Get();
  const std::vector<FakeEffect::ParamSet>& all = effect->ParamSets();
  ASSERT_EQ(4u, all.size());
  EXPECT_EQ("Texture1", all[0].name);
  EXPECT_EQ(picture.Get(), all[0].texture) << "both slots with texture set 0";
  EXPECT_EQ("Texture1", all[1].name);
  EXPECT_EQ(layer.scene.Get(), all[1].texture);
  EXPECT_EQ("Texture2", all[2].name);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(glows), all[2].texture);
  EXPECT_EQ("Texture3", all[3].name);
  EXPECT_NE(nullptr, all[3].texture);
  EXPECT_NE(static_cast<IDirect3DBaseTexture9*>(glows), all[3].texture) << "the cores are the other texture";
}

TEST_F(FireworkDeviceTest, WithoutAPictureTheMasksStayEmptyButTheSceneIsComposed) {
  DS_FireworkSimple item = MakeFirework();
  EmbedEffect(item);
  DS_FireworkSimple& fw = Make(item, false);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  fw.origins.push_back(DS_Particle(100.0f, 50.0f, 0.0f));
  fw.BuildQuads(object.get());
  RenderFrame();
  EXPECT_EQ(1, effect->BeginCount()) << "only the composite";
  EXPECT_EQ("Main", effect->CurrentTechnique());
}

TEST_F(FireworkDeviceTest, WithoutAnEffectNothingIsDrawn) {
  DS_FireworkSimple& fw = Make(MakeFirework());
  DS_Particle rocket(100.0f, 50.0f, 0.0f);
  rocket.size = 3.0f;
  fw.origins.push_back(rocket);
  fw.colour1.SetValue(0xFFFFFF);
  fw.BuildQuads(object.get());
  RenderFrame();
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x404040u, image.RgbAt(100, 50));
  EXPECT_EQ(0x404040u, image.RgbAt(5, 5));
}

}  // namespace
