// The generator base: its record, copying into the run-time clone, the per-frame run
// of the processes, the default start of a particle, trail emission counts at rates
// over time, and the shared random directions and value noise.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "objects/particles/ParticleMath.h"
#include "ParticleTestSupport.h"
#include "render/TimeLine.h"

using particles_test::Reading;
using particles_test::TestGenerator;
using particles_test::WrittenBytes;

namespace {

// ---- record ----

TEST(GeneratorRecordTest, WrittenRecordReadsBack) {
  TestGenerator written;
  written.origins.emplace_back(1.0f, 2.0f, 3.0f);
  written.origins.emplace_back(-4.0f, 5.5f, 0.0f);
  written.lifetime.SetValue(7u);
  written.emissionRate.SetValue(12u);
  written.sizeFactor.SetValue(3u);
  written.speed.SetValue(40u);
  written.emit.SetValue(1);
  written.SetName(L"sparks");

  Reading reading(WrittenBytes(written));
  TestGenerator read;
  read.ReadSection(reading.handle);
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft());
  ASSERT_EQ(2u, read.origins.size());
  EXPECT_EQ(D3DXVECTOR3(1.0f, 2.0f, 3.0f), read.origins.front().position);
  EXPECT_EQ(D3DXVECTOR3(-4.0f, 5.5f, 0.0f), read.origins.back().position);
  EXPECT_EQ(read.origins.back().position, read.origins.back().previousPosition);
  EXPECT_EQ(0u, read.origins.front().ProcessCount());
  EXPECT_EQ(7.0f, read.lifetime.GetResult());
  EXPECT_EQ(12u, read.emissionRate.GetValue());
  EXPECT_EQ(3.0f, read.sizeFactor.GetResult());
  EXPECT_EQ(40.0f, read.speed.GetResult());
  EXPECT_EQ(1, read.emit.GetValue());
  EXPECT_EQ(L"sparks", read.GetName());

  // The rate is stored without notification; the run-time clone computes it.
  std::unique_ptr<DS_ParticleGenerator> clone(read.Clone());
  EXPECT_EQ(12.0f, clone->emissionRate.GetResult());
}

struct OldVersionCase {
  int version;
  size_t origins;
};

class GeneratorOldRecordTest : public ::testing::TestWithParam<OldVersionCase> {};

TEST_P(GeneratorOldRecordTest, OlderRecordsTakeTheDefaults) {
  const OldVersionCase& c = GetParam();
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_ParticleGenerator", c.version);
  if (c.version > 1) {
    w.WriteInt(1);
    w.WriteFloat(8.0f);
    w.WriteFloat(9.0f);
    w.WriteFloat(0.0f);
  }
  TestGenerator().DS_ABObj_Constructor::Write(w);

  Reading reading(w.Bytes());
  TestGenerator read;
  read.emit.SetValue(5);
  read.ReadSection(reading.handle);
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft());
  EXPECT_EQ(c.origins, read.origins.size());
  EXPECT_EQ(20.0f, read.lifetime.GetResult());
  EXPECT_EQ(30.0f, read.emissionRate.GetResult());
  EXPECT_EQ(0.0f, read.sizeFactor.GetResult());
  EXPECT_EQ(0.0f, read.speed.GetResult());
  EXPECT_EQ(0, read.emit.GetValue());
}

INSTANTIATE_TEST_SUITE_P(Versions, GeneratorOldRecordTest,
                         ::testing::Values(OldVersionCase{1, 0}, OldVersionCase{2, 1}));

TEST(GeneratorRecordTest, OriginCountBeyondTheRecordFailsWithoutAllocating) {
  const int counts[] = {-1, 1000000, std::numeric_limits<int>::max()};
  for (int count : counts) {
    DS_IOF_W w;
    WriteLevelHeader(w, L"DS_ParticleGenerator", 3);
    w.WriteInt(count);
    w.WriteFloat(1.0f);
    w.WriteFloat(2.0f);
    w.WriteFloat(3.0f);
    Reading reading(w.Bytes());
    TestGenerator read;
    read.ReadSection(reading.handle);
    EXPECT_TRUE(reading.handle->Failed()) << count;
    EXPECT_TRUE(read.origins.empty()) << count;
  }
}

TEST(GeneratorRecordTest, CutShortRecordFails) {
  TestGenerator written;
  written.origins.emplace_back(1.0f, 2.0f, 3.0f);
  std::vector<unsigned char> bytes = WrittenBytes(written);
  for (size_t cut : {size_t(30), size_t(50), bytes.size() - 1}) {
    Reading reading(std::vector<unsigned char>(bytes.begin(), bytes.begin() + std::ptrdiff_t(cut)));
    TestGenerator read;
    read.ReadSection(reading.handle);
    EXPECT_TRUE(reading.handle->Failed()) << cut;
  }
}

// ---- copying, update and the default particle ----

TEST(GeneratorTest, ConstructionValues) {
  TestGenerator g;
  EXPECT_EQ(0.0f, g.lifetime.GetResult());
  EXPECT_EQ(0.0f, g.emissionRate.GetResult());
  EXPECT_EQ(0.0f, g.emissionRate.lastTime);
  EXPECT_EQ(50u, g.clock.GetValue());
  EXPECT_FLOAT_EQ(1.0f, g.clock.GetSpeed());
  EXPECT_TRUE(g.origins.empty() && g.particles.empty());
  EXPECT_FALSE(g.HitTest(0, 0));
}

TEST(GeneratorTest, CloneCopiesClockListsAndProcesses) {
  TestGenerator g;
  g.clock.Advance(0.1f);
  g.clock.Advance(0.15f);
  g.emissionRate.lastTime = 3.5f;
  g.origins.emplace_back(1.0f, 1.0f, 0.0f);
  DS_Particle p(0.0f, 0.0f, 0.0f);
  p.AddProcess(new PAgeConst(100.0f));
  p.AddProcess(new PFade(DS_Particle::kAlpha, 0.0f, 2.0f, -1.0f));
  p.Update(1.0f);
  g.particles.push_back(p);

  std::unique_ptr<DS_ParticleGenerator> clone(g.Clone());
  EXPECT_FLOAT_EQ(g.clock.GetAccumulatedTime(), clone->clock.GetAccumulatedTime());
  EXPECT_FLOAT_EQ(g.clock.GetStep(), clone->clock.GetStep());
  EXPECT_FLOAT_EQ(0.15f, clone->clock.GetLastTime());
  EXPECT_EQ(3.5f, clone->emissionRate.lastTime);
  ASSERT_EQ(1u, clone->origins.size());
  ASSERT_EQ(1u, clone->particles.size());
  clone->particles.front().Update(0.5f);
  EXPECT_NEAR(0.25f, clone->particles.front().alpha, 1e-6f) << "the fade goes on from where it stood";
  EXPECT_NEAR(0.5f, g.particles.front().alpha, 1e-6f);
}

TEST(GeneratorTest, UpdateRunsOriginsAndParticlesAndErasesTheDead) {
  TestGenerator g;
  DS_Particle origin(0.0f, 0.0f, 0.0f);
  origin.AddProcess(new PKinetic(D3DXVECTOR3(10.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
  g.origins.push_back(origin);
  for (float maxAge : {0.15f, 1.0f, 0.05f, 2.0f}) {
    DS_Particle p(0.0f, 0.0f, 0.0f);
    p.AddProcess(new PAgeConst(maxAge));
    g.particles.push_back(p);
  }
  g.Update(0.0f, nullptr);
  g.Update(0.1f, nullptr);  // step 0.1: the 0.05 particle dies
  EXPECT_EQ(3u, g.particles.size());
  EXPECT_NEAR(1.0f, g.origins.front().position.x, 1e-5f);
  g.Update(0.2f, nullptr);  // age 0.2: the 0.15 particle dies
  ASSERT_EQ(2u, g.particles.size());
  std::vector<float> left;
  for (DS_Particle& p : g.particles) left.push_back(p.age);
  EXPECT_NEAR(0.2f, left[0], 1e-5f);
  // A jump of the local time advances the clock by 0.2 s at most.
  g.Update(10.0f, nullptr);
  EXPECT_NEAR(0.2f, g.clock.GetStep(), 1e-6f);
  EXPECT_NEAR(0.4f, g.particles.front().age, 1e-5f);
}

TEST(GeneratorTest, DefaultParticleFadesFromTheSourceAndFliesAtMostTheSpeed) {
  TestGenerator g;
  g.lifetime.SetValue(2u);
  g.speed.SetValue(50u);
  DS_Particle source(0.0f, 0.0f, 0.0f);
  source.alpha = 0.8f;
  std::srand(42);
  for (int i = 0; i < 50; ++i) {
    DS_Particle p(0.0f, 0.0f, 0.0f);
    g.InitParticle(p, source);
    ASSERT_EQ(3u, p.ProcessCount());
    const PAgeConst* age = dynamic_cast<const PAgeConst*>(p.GetProcess(0));
    const PFade* fade = dynamic_cast<const PFade*>(p.GetProcess(1));
    const PKinetic* kinetic = dynamic_cast<const PKinetic*>(p.GetProcess(2));
    ASSERT_TRUE(age && fade && kinetic);
    EXPECT_EQ(2.0f, age->maxAge);
    EXPECT_EQ(DS_Particle::kAlpha, fade->channel);
    EXPECT_EQ(0.0f, fade->startAge);
    EXPECT_EQ(2.0f, fade->endAge);
    EXPECT_EQ(-1.0f, fade->amount);
    EXPECT_EQ(0.8f, p.alpha);
    EXPECT_LE(D3DXVec3Length(&kinetic->velocity), 50.0f + 1e-3f);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), kinetic->acceleration);
  }
}

TEST(GeneratorTest, DefaultParticleOfSpeedZeroStaysWhereItWasBorn) {
  TestGenerator g;
  g.lifetime.SetValue(5u);
  DS_Particle source(3.0f, 4.0f, 0.0f);
  DS_Particle p(3.0f, 4.0f, 0.0f);
  g.InitParticle(p, source);
  for (int i = 0; i < 10; ++i) p.Update(0.1f);
  EXPECT_EQ(D3DXVECTOR3(3.0f, 4.0f, 0.0f), p.position);
}

// ---- trail emission ----

struct EmissionCase {
  const char* name;
  unsigned rate;
  float step;
  int steps;
  int origins;
  size_t expected;
};

const EmissionCase kEmissionCases[] = {
    // 1.5 truncated to 1 on every step: 20 per second and origin.
    {"rate30_step50ms", 30, 0.05f, 20, 1, 20},
    // 0.6 gives nothing and keeps the last time; 1.2 gives 1: 25 per second.
    {"rate30_step20ms", 30, 0.02f, 50, 1, 25},
    {"two_origins", 30, 0.05f, 20, 2, 40},
    {"rate10_step62ms", 10, 0.0625f, 40, 1, 20},
    {"rate0", 0, 0.05f, 20, 1, 0},
    {"no_origins", 30, 0.05f, 20, 0, 0},
};

class EmissionCountTest : public ::testing::TestWithParam<EmissionCase> {};

TEST_P(EmissionCountTest, CountsFollowTheTruncatedRate) {
  const EmissionCase& c = GetParam();
  std::srand(2024);
  TestGenerator g;
  g.emissionRate.SetValue(c.rate);
  g.emit.SetValue(1);
  g.lifetime.SetValue(100u);
  for (int i = 0; i < c.origins; ++i) g.origins.emplace_back(float(i), 0.0f, 0.0f);
  float t = 0.0f;
  for (int i = 0; i < c.steps; ++i) {
    t += c.step;
    g.EmitTrail(t);
  }
  EXPECT_EQ(c.expected, g.particles.size());
}

INSTANTIATE_TEST_SUITE_P(Rates, EmissionCountTest, ::testing::ValuesIn(kEmissionCases),
                         [](const ::testing::TestParamInfo<EmissionCase>& info) { return std::string(info.param.name); });

TEST(EmissionTest, SwitchedOffEmitsNothingButTheLastTimeMoves) {
  TestGenerator g;
  g.emissionRate.SetValue(30u);
  g.emit.SetValue(0);
  g.origins.emplace_back(0.0f, 0.0f, 0.0f);
  g.EmitTrail(0.02f);
  EXPECT_EQ(0.0f, g.emissionRate.lastTime) << "a count of 0 keeps the last time";
  g.EmitTrail(0.05f);
  EXPECT_EQ(0.05f, g.emissionRate.lastTime);
  EXPECT_TRUE(g.particles.empty());
}

TEST(EmissionTest, EarlierTimeEmitsNothingAndSetsTheLastTimeBack) {
  TestGenerator g;
  g.emissionRate.SetValue(30u);
  g.emit.SetValue(1);
  g.origins.emplace_back(0.0f, 0.0f, 0.0f);
  g.emissionRate.lastTime = 5.0f;
  g.EmitTrail(4.0f);
  EXPECT_TRUE(g.particles.empty());
  EXPECT_EQ(4.0f, g.emissionRate.lastTime);
  // Too small a step back gives a count of 0 and leaves the last time.
  g.EmitTrail(3.99f);
  EXPECT_EQ(4.0f, g.emissionRate.lastTime);
}

TEST(EmissionTest, ParticlesSpreadEvenlyAlongTheOriginsPath) {
  TestGenerator g;
  g.emissionRate.SetValue(30u);
  g.emit.SetValue(1);
  g.lifetime.SetValue(10u);
  g.origins.emplace_back(0.0f, 0.0f, 0.0f);
  g.origins.emplace_back(7.0f, 7.0f, 0.0f);
  g.origins.front().position = D3DXVECTOR3(40.0f, -20.0f, 0.0f);  // moved; the second did not
  g.EmitTrail(0.1f);  // 3 due
  ASSERT_EQ(6u, g.particles.size());
  std::vector<D3DXVECTOR3> at;
  for (const DS_Particle& p : g.particles) at.push_back(p.position);
  EXPECT_EQ(D3DXVECTOR3(10.0f, -5.0f, 0.0f), at[0]);
  EXPECT_EQ(D3DXVECTOR3(20.0f, -10.0f, 0.0f), at[1]);
  EXPECT_EQ(D3DXVECTOR3(30.0f, -15.0f, 0.0f), at[2]);
  for (int i = 3; i < 6; ++i) EXPECT_EQ(D3DXVECTOR3(7.0f, 7.0f, 0.0f), at[size_t(i)]) << "unmoved: one point";
  EXPECT_EQ(g.origins.front().position, g.origins.front().previousPosition) << "positions marked";
  for (const DS_Particle& p : g.particles) EXPECT_EQ(3u, p.ProcessCount());
}

TEST(EmissionTest, SeededSequenceGivesTheSameParticles) {
  auto run = [] {
    TestGenerator g;
    g.emissionRate.SetValue(20u);
    g.emit.SetValue(1);
    g.lifetime.SetValue(1u);
    g.speed.SetValue(100u);
    g.origins.emplace_back(50.0f, 50.0f, 0.0f);
    std::srand(77);
    float t = 0.0f;
    for (int i = 0; i < 30; ++i) {
      t += 0.1f;
      g.Update(t, nullptr);
      g.EmitTrail(g.clock.GetAccumulatedTime());
    }
    std::vector<D3DXVECTOR3> positions;
    for (const DS_Particle& p : g.particles) positions.push_back(p.position);
    return positions;
  };
  const std::vector<D3DXVECTOR3> first = run();
  const std::vector<D3DXVECTOR3> second = run();
  // Lifetime 1 s at 2 per step of 0.1 s: the last second's particles are alive.
  EXPECT_GE(first.size(), 10u);
  EXPECT_LE(first.size(), 22u);
  EXPECT_EQ(first, second);
  for (const D3DXVECTOR3& p : first) {
    D3DXVECTOR3 d = p - D3DXVECTOR3(50.0f, 50.0f, 0.0f);
    EXPECT_LE(D3DXVec3Length(&d), 100.0f * 1.0f + 1e-2f);
  }
}

TEST(EmissionTest, HugeRateOrGapStaysBounded) {
  TestGenerator g;
  g.emissionRate.SetValue(0xFFFFFFFFu);
  g.emit.SetValue(1);
  g.lifetime.SetValue(1000u);
  g.origins.emplace_back(0.0f, 0.0f, 0.0f);
  g.origins.emplace_back(1.0f, 0.0f, 0.0f);
  g.EmitTrail(1.0e6f);
  EXPECT_EQ(DS_ParticleGenerator::kMaxParticles, g.particles.size());
  g.EmitTrail(2.0e6f);
  EXPECT_EQ(DS_ParticleGenerator::kMaxParticles, g.particles.size()) << "a full list takes no more";
}

TEST(EmissionTest, RandomCountHasTheTruncatedProductAsMean) {
  std::srand(3);
  PerSecondCounterRnd rate(10u, 1.0f, 0.0f);
  long total = 0;
  int most = 0;
  float t = 0.0f;
  for (int i = 0; i < 4000; ++i) {
    t += 0.5f;  // 5 due: counts 0..10
    const int n = rate.TakeRandomCount(t);
    ASSERT_GE(n, 0);
    ASSERT_LE(n, 10);
    total += n;
    if (n > most) most = n;
  }
  EXPECT_NEAR(5.0, double(total) / 4000.0, 0.3);
  EXPECT_EQ(10, most);
  EXPECT_EQ(t, rate.lastTime);

  rate.lastTime = 100.0f;
  EXPECT_EQ(0, rate.TakeRandomCount(50.0f)) << "time running back yields nothing";
  EXPECT_EQ(50.0f, rate.lastTime);
}

// ---- directions and noise ----

TEST(ParticleMathTest, DirectionsKeepTheirLength) {
  std::srand(11);
  for (int i = 0; i < 100; ++i) {
    D3DXVECTOR3 v = RandomDirection3D(5.0f);
    EXPECT_NEAR(5.0f, D3DXVec3Length(&v), 1e-4f);
    D3DXVECTOR3 z = RandomDirectionZ(2.0f, 30.0f, 60.0f);
    EXPECT_EQ(0.0f, z.z);
    const float degrees = std::atan2(z.y, z.x) * 180.0f / 3.1415927f;
    EXPECT_GE(degrees, 30.0f - 1e-3f);
    EXPECT_LE(degrees, 60.0f + 1e-3f);
  }
  EXPECT_EQ(D3DXVECTOR3(0, 0, 0), RandomDirection3D(0.0f));
  const D3DXVECTOR3 up = RandomDirectionZ(3.0f, 90.0f, 90.0f);
  EXPECT_NEAR(0.0f, up.x, 1e-5f);
  EXPECT_NEAR(3.0f, up.y, 1e-5f);
}

TEST(ParticleMathTest, ValueNoiseLatticeAndInterpolation) {
  EXPECT_NEAR(-0.28179, ValueNoise1D(0.0), 1e-5);
  EXPECT_NEAR(-0.22637, ValueNoise1D(1.0), 1e-5);
  EXPECT_NEAR(-0.25408, ValueNoise1D(0.5), 1e-5);
  // Truncation toward zero: between -1 and 0 the lattice points are still 0 and 1,
  // with the weight of the distance from 0.
  EXPECT_NEAR(ValueNoise1D(0.5), ValueNoise1D(-0.5), 1e-12);
  EXPECT_NEAR(ValueNoise1D(0.25), ValueNoise1D(-0.25), 1e-12);
  EXPECT_NE(ValueNoise1D(-1.0), ValueNoise1D(1.0));
  for (double x = -50.0; x < 50.0; x += 0.37) {
    const double v = ValueNoise1D(x);
    EXPECT_GT(v, -1.0);
    EXPECT_LE(v, 1.0);
  }
}

TEST(ParticleMathTest, OctaveNoiseSumsItsOctaves) {
  EXPECT_EQ(0.0, OctaveNoise1D(3.0, 75.0, 0.5, 0));
  EXPECT_EQ(0.0, OctaveNoise1D(3.0, 75.0, 0.5, -4));
  const double x = 123.0;
  const double expected = ValueNoise1D(x / 75.0) + ValueNoise1D(2.0 * x / 75.0) * 0.5 + ValueNoise1D(4.0 * x / 75.0) * 0.25;
  EXPECT_NEAR(expected, OctaveNoise1D(x, 75.0, 0.5, 3), 1e-12);
}

TEST(ParticleMathTest, NoiseOfHostileInputsStaysFinite) {
  const double inputs[] = {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN(), 1e300, -1e300};
  for (double x : inputs) EXPECT_TRUE(std::isfinite(ValueNoise1D(x))) << x;
  EXPECT_TRUE(std::isfinite(OctaveNoise1D(10.0, 0.0, 0.5, 4))) << "scale 0";
  // A count of octaves from a document is bounded, and stays finite.
  EXPECT_TRUE(std::isfinite(OctaveNoise1D(10.0, 75.0, 0.5, std::numeric_limits<int>::max())));
}

}  // namespace
