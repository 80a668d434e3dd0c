// Particles and their processes: what each rule does to a particle step by step, when
// a particle ends, and that copies carry on from where the original stood.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "document/CompositeParams.h"
#include "document/ScaledParams.h"
#include "objects/particles/Particle.h"

namespace {

// ---- fades, steady changes and clocks, step by step ----

struct StepCase {
  const char* name;
  std::vector<PProcess*> (*processes)();
  std::vector<float> steps;
  int channel;
  // The channel after each step, and whether the particle lives on.
  std::vector<float> values;
  std::vector<bool> alive;
};

std::vector<PProcess*> AgedFade() { return {new PAgeConst(100.0f), new PFade(DS_Particle::kAlpha, 0.0f, 2.0f, -1.0f)}; }
std::vector<PProcess*> InstantFade() { return {new PAgeConst(100.0f), new PFade(DS_Particle::kAlpha, 1.0f, 1.0f, -0.5f)}; }
std::vector<PProcess*> LateFade() { return {new PAgeConst(100.0f), new PFade(DS_Particle::kSize, 1.0f, 3.0f, 2.0f)}; }
std::vector<PProcess*> TwoFades() {
  return {new PAgeConst(100.0f), new PFade(DS_Particle::kAlpha, 0.0f, 1.0f, -0.25f),
          new PFade(DS_Particle::kAlpha, 0.0f, 1.0f, -0.25f)};
}
std::vector<PProcess*> SteadyFromZero() { return {new PSteady(DS_Particle::kSize, 0.0f, 1.0f, 4.0f)}; }
std::vector<PProcess*> SteadyWithLife() {
  return {new PLifeConst(0.25f), new PSteady(DS_Particle::kSize, 0.0f, 0.5f, 2.0f)};
}
std::vector<PProcess*> LifeClock() { return {new PLifeConst(0.5f)}; }
std::vector<PProcess*> AgeClock() { return {new PAgeConst(3.0f)}; }
std::vector<PProcess*> Spin() { return {new PSpin(2.0f)}; }

const StepCase kStepCases[] = {
    // Linear from 1 to 0 over ages 0..2, whatever the steps; inert afterwards.
    {"fade_follows_a_line", AgedFade, {0.5f, 0.5f, 1.0f, 1.0f}, DS_Particle::kAlpha, {0.75f, 0.5f, 0.0f, 0.0f},
     {true, true, true, true}},
    // Start equal to end: nothing before, the whole amount at the first age >= end.
    {"instant_fade", InstantFade, {0.5f, 0.5f, 0.5f}, DS_Particle::kAlpha, {1.0f, 0.5f, 0.5f},
     {true, true, true}},
    // Nothing before the start age, then the share of the time since the start.
    {"late_fade", LateFade, {0.5f, 0.5f, 1.0f, 5.0f}, DS_Particle::kSize, {1.0f, 1.0f, 2.0f, 3.0f},
     {true, true, true, true}},
    {"fades_add_up", TwoFades, {0.5f, 0.5f}, DS_Particle::kAlpha, {0.75f, 0.5f}, {true, true}},
    // Life from 0 is exclusive: a life that stays 0 is never changed.
    {"steady_needs_life_above_from", SteadyFromZero, {0.5f, 0.5f}, DS_Particle::kSize, {1.0f, 1.0f}, {true, true}},
    // Life 0.25, 0.5, 0.75: only the first step lies strictly inside (0, 0.5).
    {"steady_inside_interval", SteadyWithLife, {1.0f, 1.0f, 1.0f}, DS_Particle::kSize, {3.0f, 3.0f, 3.0f},
     {true, true, true}},
    // Life reaches 1.0 after two seconds and ends the particle then, not before.
    {"life_clock_ends_at_one", LifeClock, {0.5f, 0.5f, 0.5f, 0.5f}, DS_Particle::kLife, {0.25f, 0.5f, 0.75f, 1.0f},
     {true, true, true, false}},
    {"age_clock_ends_at_max", AgeClock, {2.0f, 0.99f, 0.01f}, DS_Particle::kAge, {2.0f, 2.99f, 3.0f},
     {true, true, false}},
    {"spin_turns_at_its_rate", Spin, {0.25f, 0.5f}, DS_Particle::kAngle, {0.5f, 1.5f}, {true, true}},
};

class ProcessStepTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(ProcessStepTest, ChannelAndLifeFollowTheSteps) {
  const StepCase& c = GetParam();
  DS_Particle p(1.0f, 2.0f, 3.0f);
  for (PProcess* process : c.processes()) p.AddProcess(process);
  for (size_t i = 0; i < c.steps.size(); ++i) {
    const bool alive = p.Update(c.steps[i]);
    EXPECT_NEAR(c.values[i], *p.ChannelPtr(c.channel), 1e-5f) << "after step " << i;
    EXPECT_EQ(c.alive[i], alive) << "after step " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Processes, ProcessStepTest, ::testing::ValuesIn(kStepCases),
                         [](const ::testing::TestParamInfo<StepCase>& info) { return std::string(info.param.name); });

TEST(ParticleTest, ConstructionValues) {
  DS_Particle p(4.0f, 5.0f, 6.0f);
  EXPECT_EQ(D3DXVECTOR3(4.0f, 5.0f, 6.0f), p.position);
  EXPECT_EQ(p.position, p.previousPosition);
  EXPECT_EQ(0.0f, p.life);
  EXPECT_EQ(1.0f, p.size);
  EXPECT_EQ(1.0f, p.alpha);
  EXPECT_EQ(0.0f, p.age);
  EXPECT_EQ(0.0f, p.angle);
  EXPECT_EQ(0u, p.ProcessCount());
  EXPECT_EQ(nullptr, p.ChannelPtr(5));
  EXPECT_EQ(nullptr, p.ChannelPtr(-1));
}

TEST(ParticleTest, KineticMotionIsUniformlyAccelerated) {
  DS_Particle p(10.0f, 20.0f, 0.0f);
  PKinetic* kinetic = new PKinetic(D3DXVECTOR3(1.0f, 2.0f, 0.0f), D3DXVECTOR3(0.0f, 10.0f, 0.0f));
  p.AddProcess(kinetic);
  EXPECT_TRUE(p.Update(2.0f));
  EXPECT_NEAR(12.0f, p.position.x, 1e-5f);
  EXPECT_NEAR(20.0f + 4.0f + 20.0f, p.position.y, 1e-4f);
  EXPECT_NEAR(22.0f, kinetic->velocity.y, 1e-5f);
  EXPECT_NEAR(1.0f, kinetic->velocity.x, 1e-5f);
}

TEST(ParticleTest, DyingStepStillRunsTheLaterProcesses) {
  DS_Particle p(0.0f, 0.0f, 0.0f);
  p.AddProcess(new PLifeConst(1.0f));
  p.AddProcess(new PKinetic(D3DXVECTOR3(3.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
  EXPECT_FALSE(p.Update(1.0f));
  EXPECT_NEAR(3.0f, p.position.x, 1e-6f);
}

TEST(ParticleTest, CopyContinuesAHalfFinishedFade) {
  DS_Particle original(0.0f, 0.0f, 0.0f);
  original.AddProcess(new PAgeConst(100.0f));
  original.AddProcess(new PFade(DS_Particle::kAlpha, 0.0f, 2.0f, -1.0f));
  original.Update(1.0f);
  ASSERT_NEAR(0.5f, original.alpha, 1e-6f);

  DS_Particle copy(original);
  ASSERT_EQ(2u, copy.ProcessCount());
  EXPECT_NE(original.GetProcess(1), copy.GetProcess(1)) << "the copy owns its own processes";
  copy.Update(0.5f);
  EXPECT_NEAR(0.25f, copy.alpha, 1e-6f);
  EXPECT_NEAR(0.5f, original.alpha, 1e-6f) << "the original is untouched";
  copy.Update(0.5f);
  EXPECT_NEAR(0.0f, copy.alpha, 1e-6f);

  DS_Particle assigned;
  assigned = original;
  assigned.Update(1.0f);
  EXPECT_NEAR(0.0f, assigned.alpha, 1e-6f);
}

// ---- twinkle ----

TEST(ParticleTest, TwinkleSetsItsChannelAtItsIntervals) {
  std::srand(1234);
  DS_Particle p(0.0f, 0.0f, 0.0f);
  PTwinkle* twinkle = new PTwinkle(DS_Particle::kAlpha, 0.0f, 0.6f, 0.0f);
  p.AddProcess(twinkle);
  p.alpha = -1.0f;

  const float dt = 0.01f;
  p.Update(dt);
  ASSERT_NE(-1.0f, p.alpha) << "a new twinkle sets its channel on its first step";

  int flashes = 0, returns = 0;
  float sinceSet = 0.0f;
  float interval = twinkle->nextInterval;
  for (int i = 0; i < 20000; ++i) {
    p.alpha = -1.0f;
    p.Update(dt);
    sinceSet += dt;
    if (p.alpha == -1.0f) {
      ASSERT_LE(sinceSet, interval + 1e-3f) << "no set after the interval had passed";
      continue;
    }
    // A set happens only once the interval has passed.
    EXPECT_GT(sinceSet, interval - 1e-3f);
    if (p.alpha > 0.6f + 1e-6f) {
      ++flashes;
      EXPECT_LE(p.alpha, 0.6f * 1.5f + 1e-5f);
      EXPECT_EQ(0.2f, twinkle->nextInterval);
    } else {
      ++returns;
      EXPECT_FLOAT_EQ(0.6f, p.alpha);
      EXPECT_GE(twinkle->nextInterval, 0.2f);
      EXPECT_LE(twinkle->nextInterval, 2.5f);
    }
    interval = twinkle->nextInterval;
    sinceSet = 0.0f;
  }
  ASSERT_GT(flashes + returns, 100);
  // rand() mod 3 = 0 picks the flash: about one set in three.
  const double share = double(flashes) / double(flashes + returns);
  EXPECT_GT(share, 0.2);
  EXPECT_LT(share, 0.47);
}

// ---- Brownian wandering ----

struct BrownianFixture {
  BrownianFixture(float left, float top, float right, float bottom, unsigned steering) {
    region.SetFromCentre(D3DXVECTOR3((left + right) / 2, (top + bottom) / 2, 0.0f), right - left, bottom - top);
    k.SetScale(1.0f, 0.0f);
    k.SetValue(1u);
    period.SetScale(1.0f, 0.0f);
    period.SetValue(10u);
    steeringTime.SetScale(1.0f, 0.0f);
    steeringTime.SetValue(steering);
    context.region = &region;
    context.speedFactor = &k;
    context.retargetPeriod = &period;
    context.steeringTime = &steeringTime;
  }
  MediaQuad region;
  UINTSclaleTo<float> k, period, steeringTime;
  DS_BrownianContext context;
};

TEST(ParticleTest, BrownianStartsWithARandomVelocityAndRetargetTime) {
  BrownianFixture f(0, 0, 100, 100, 2);
  std::srand(99);
  const int first = std::rand(), second = std::rand(), third = std::rand();
  std::srand(99);
  PBrownian b(&f.context);
  EXPECT_NEAR(-100.0f + first / 32767.0f * 200.0f, b.velocity.y, 1e-3f) << "the first draw is y";
  EXPECT_NEAR(-100.0f + second / 32767.0f * 200.0f, b.velocity.x, 1e-3f);
  EXPECT_EQ(0.0f, b.velocity.z);
  EXPECT_NEAR(1.0f + third / 32767.0f * 4.0f, b.retargetTimer, 1e-5f);
  EXPECT_TRUE(b.inside);
  EXPECT_EQ(D3DXVECTOR3(0, 0, 0), b.acceleration);
}

TEST(ParticleTest, BrownianOutsideTurnsToTheCentreWithinTheSteeringTime) {
  BrownianFixture f(0, 0, 100, 100, 2);
  std::srand(5);
  DS_Particle p(400.0f, 50.0f, 0.0f);
  PBrownian* b = new PBrownian(&f.context);
  p.AddProcess(b);
  // Steps of 1/8 s add up exactly to the steering time of 2 s.
  p.Update(0.125f);
  EXPECT_FALSE(b->inside);
  EXPECT_EQ(1.875f, b->steeringTimer);
  for (int i = 1; i < 16; ++i) p.Update(0.125f);
  EXPECT_NEAR(-100.0f, b->velocity.x, 0.01f) << "100 px/s towards the centre after e seconds";
  EXPECT_NEAR(0.0f, b->velocity.y, 0.01f);
  p.Update(0.125f);
  EXPECT_EQ(D3DXVECTOR3(0, 0, 0), b->acceleration) << "steering stops once the time is up";
  EXPECT_LT(p.position.x, 400.0f);
}

TEST(ParticleTest, BrownianSteeringWithoutTimeOrDirectionStaysFinite) {
  // A steering time of 0 from the document and a particle on the region's centre.
  BrownianFixture f(0, 0, 100, 100, 0);
  std::srand(7);
  DS_Particle outside(300.0f, 300.0f, 0.0f);
  PBrownian* b = new PBrownian(&f.context);
  outside.AddProcess(b);
  outside.Update(0.1f);
  EXPECT_TRUE(std::isfinite(b->velocity.x) && std::isfinite(b->velocity.y));
  EXPECT_NEAR(-100.0f / std::sqrt(2.0f), b->velocity.x, 1e-3f) << "the target is taken at once";
  EXPECT_TRUE(std::isfinite(outside.position.x) && std::isfinite(outside.position.y));

  BrownianFixture g(0, 0, 100, 100, 2);
  DS_Particle centre(50.0f, 50.0f, 0.0f);
  PBrownian c(&g.context);
  c.SteerToCentre(centre);
  EXPECT_EQ(D3DXVECTOR3(0, 0, 0), c.acceleration * 2.0f + c.velocity) << "target: rest";
  EXPECT_TRUE(std::isfinite(c.acceleration.x));
}

}  // namespace
