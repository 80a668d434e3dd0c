#include "objects/particles/ParticleGenerator.h"

#include <cstdlib>

#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/particles/ParticleMath.h"
#include "objects/particles/ParticlesObj.h"

namespace {

// The generator's own clock: stored 50 at 0.02 per unit, speed 1.0.
const unsigned kClockValue = 50;
const float kClockScale = 0.02f;
// Least stored size of one origin: three floats.
const size_t kOriginBytes = 12;

int ClampCount(int n) {
  if (n > PerSecondCounter::kMaxCount) return PerSecondCounter::kMaxCount;
  if (n < -PerSecondCounter::kMaxCount) return -PerSecondCounter::kMaxCount;
  return n;
}

}  // namespace

// ---- emission counters ----

int PerSecondCounter::TakeCount(float t) {
  // The product may be far beyond the int range for a large stored rate.
  const int n = SaturateToInt(static_cast<double>(GetResult() * (t - lastTime)));
  if (n != 0) lastTime = t;
  return ClampCount(n);
}

int PerSecondCounterRnd::TakeRandomCount(float t) {
  const int truncated = SaturateToInt(static_cast<double>(GetResult() * (t - lastTime)));
  if (truncated != 0) lastTime = t;
  const int m = 2 * ClampCount(truncated);
  // The draw is taken in every case, so the shared sequence advances as it always has;
  // a time that went backwards yields nothing rather than a count from a negative
  // modulus.
  const int r = std::rand();
  if (m <= 0) return 0;
  return r % (m + 1);
}

// ---- DS_ParticleGenerator ----

DS_ParticleGenerator::DS_ParticleGenerator() : clock(kClockValue, kClockScale, 0.0f) {}

DS_ParticleGenerator::DS_ParticleGenerator(const DS_ParticleGenerator& other)
    : DS_ABObj_Constructor(other), lifetime(other.lifetime), emissionRate(other.emissionRate),
      sizeFactor(other.sizeFactor), speed(other.speed), emit(other.emit), clock(other.clock),
      origins(other.origins), particles(other.particles) {}

DS_ParticleGenerator::~DS_ParticleGenerator() = default;

template <class IO>
void DS_ParticleGenerator::Fields(IO& io, int version, std::vector<D3DXVECTOR3>& originPoints) {
  if (version > 1) io.List(originPoints, kOriginBytes, [](IO& item, D3DXVECTOR3& point) { item.Vector(point); });
  if (version > 2) {
    io.Field(lifetime);
    // Stored without notification: the run-time clone recomputes the rate.
    io.UInt(emissionRate);
    io.Field(sizeFactor);
    io.Field(speed);
    io.Int(emit);
  }
}

void DS_ParticleGenerator::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_ParticleGenerator", kRecordVersion);
  std::vector<D3DXVECTOR3> originPoints;
  for (const DS_Particle& origin : origins) originPoints.push_back(origin.position);
  WriteFields(stream, *this, kRecordVersion, originPoints);
  DS_ABObj_Constructor::Write(stream);
}

DS_ABObj* DS_ParticleGenerator::CreateObject() { return new DS_ParticlesObj(Clone()); }

void DS_ParticleGenerator::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

void DS_ParticleGenerator::Read(DS_IOF_Handle& handle, int version) {
  std::vector<D3DXVECTOR3> originPoints;
  ReadFields(*handle, *this, version, originPoints);
  for (const D3DXVECTOR3& point : originPoints) origins.emplace_back(point);
  if (version <= 2) {
    lifetime.SetValue(kOldLifetime);
    emissionRate.SetValue(kOldEmissionRate);
    sizeFactor.SetValue(0u);
    speed.SetValue(0u);
    emit.Value() = 0;
  }
  DS_ABObj_Constructor::ReadSection(handle);
}

void DS_ParticleGenerator::Update(float t, DS_ParticlesObj* object) {
  clock.Advance(t);
  const float dt = clock.GetStep();
  RunProcesses(origins, dt);
  RunProcesses(particles, dt);
}

void DS_ParticleGenerator::RunProcesses(std::list<DS_Particle>& list, float dt) {
  for (auto it = list.begin(); it != list.end();) {
    if (it->Update(dt)) {
      ++it;
    } else {
      it = list.erase(it);
    }
  }
}

void DS_ParticleGenerator::InitParticle(DS_Particle& particle, const DS_Particle& source) {
  particle.alpha = source.alpha;
  const float life = lifetime.GetResult();
  particle.AddProcess(new PAgeConst(life));
  particle.AddProcess(new PFade(DS_Particle::kAlpha, 0.0f, life, -1.0f));
  const float pick = RandomFloat(0.0f, speed.GetResult());
  particle.AddProcess(new PKinetic(RandomDirection3D(pick), D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
}

void DS_ParticleGenerator::EmitTrail(float t) {
  const int n = emissionRate.TakeCount(t);
  if (emit.GetValue() == 0 || n <= 0) return;
  for (DS_Particle& origin : origins) {
    const D3DXVECTOR3 step = (origin.position - origin.previousPosition) / static_cast<float>(n + 1);
    for (int i = 0; i < n && particles.size() < kMaxParticles; ++i) {
      DS_Particle particle(origin.previousPosition + step * static_cast<float>(i + 1));
      InitParticle(particle, origin);
      particles.push_back(std::move(particle));
    }
  }
  for (DS_Particle& origin : origins) origin.SavePosition();
}
