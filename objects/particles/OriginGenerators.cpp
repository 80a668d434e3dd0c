#include "objects/particles/OriginGenerators.h"

#include "document/FieldIO.h"
#include "objects/particles/Particle.h"
#include "render/TimeLine.h"

namespace {

// Pi as the single-precision constant of the angle conversions.
const float kPi = 3.1415927f;

// Argument i of a callback; a callback attached with too few arguments reads 0.
float Argument(const std::vector<float>& arguments, size_t i) { return i < arguments.size() ? arguments[i] : 0.0f; }

void RepointList(std::list<DS_Particle>& list, const DS_BrownianContext* from, const DS_BrownianContext* to) {
  for (DS_Particle& particle : list) {
    for (size_t i = 0; i < particle.ProcessCount(); ++i) {
      PBrownian* wander = dynamic_cast<PBrownian*>(particle.GetProcess(i));
      if (wander && wander->context == from) wander->context = to;
    }
  }
}

}  // namespace

// ---- DS_StaticGenerator ----

// The reader assigns the position; until then it is the scene origin.
DS_StaticGenerator::DS_StaticGenerator() : position(D3DXVECTOR3(0.0f, 0.0f, 0.0f)) {}

DS_StaticGenerator::~DS_StaticGenerator() = default;

void DS_StaticGenerator::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_StaticGenerator", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_TexParticleGenerator::Write(stream);
}

void DS_StaticGenerator::ReadSection(DS_IOF_Handle& handle) {
  // Every version stores the same fields.
  const int version = ReadLevelHeader(*handle);
  ReadFields(*handle, *this, version);
  DS_TexParticleGenerator::ReadSection(handle);
}

void DS_StaticGenerator::PrepareResources(DS_ParticlesObj* object) {
  DS_TexParticleGenerator::PrepareResources(object);
}

// ---- DS_ParticleRctRgnGenerator ----

DS_ParticleRctRgnGenerator::~DS_ParticleRctRgnGenerator() = default;

void DS_ParticleRctRgnGenerator::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_ParticleRctRgnGenerator", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_TexParticleGenerator::Write(stream);
}

void DS_ParticleRctRgnGenerator::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  ReadFields(*handle, *this, version);
  DS_TexParticleGenerator::ReadSection(handle);
}

void DS_ParticleRctRgnGenerator::PrepareResources(DS_ParticlesObj* object) {
  DS_TexParticleGenerator::PrepareResources(object);
}

void DS_ParticleRctRgnGenerator::RepointBrownianContext(const DS_BrownianContext* from,
                                                        const DS_BrownianContext* to) {
  RepointList(origins, from, to);
  RepointList(particles, from, to);
}

// ---- DS_ParticleOrigin and its callbacks ----

void DS_ParticleOrigin::RunCallbacks(float dt) {
  timer -= dt;
  for (const CallbackEntry& entry : callbacks) {
    if (entry.function) entry.function(*this, dt, entry.arguments);
  }
}

void DS_ParticleOrigin::AddCallback(Callback function, std::vector<float> arguments) {
  callbacks.push_back(CallbackEntry{function, std::move(arguments)});
}

void OriginMoveCallback(DS_ParticleOrigin& origin, float dt, const std::vector<float>&) {
  origin.position += origin.velocity * dt + origin.acceleration * (dt * dt * 0.5f);
  origin.velocity += origin.acceleration * dt;
}

void OriginGrowCallback(DS_ParticleOrigin& origin, float dt, const std::vector<float>& arguments) {
  origin.size += Argument(arguments, 0) * dt;
}

// The thresholds compare with the timer after this step's decrease.
void OriginFadeInCallback(DS_ParticleOrigin& origin, float dt, const std::vector<float>& arguments) {
  if (origin.timer > Argument(arguments, 1)) origin.alpha += Argument(arguments, 0) * dt;
}

void OriginFadeOutCallback(DS_ParticleOrigin& origin, float dt, const std::vector<float>& arguments) {
  if (origin.timer < Argument(arguments, 1)) origin.alpha -= Argument(arguments, 0) * dt;
}

void OriginRotateCallback(DS_ParticleOrigin& origin, float dt, const std::vector<float>& arguments) {
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, dt * Argument(arguments, 0) * kPi / 180.0f);
  D3DXVECTOR3 turned;
  D3DXVec3TransformNormal(&turned, &origin.right, &turn);
  origin.right = turned;
  D3DXVec3TransformNormal(&turned, &origin.up, &turn);
  origin.up = turned;
}

// ---- DS_ParticleOriginGenerator ----

namespace {

// Origin life in 0.04 s units; the clock's speed in 0.02 units (stored 50 is 1.0).
const float kOriginLifeScale = 0.04f;
const float kOriginClockScale = 0.02f;

}  // namespace

DS_ParticleOriginGenerator::DS_ParticleOriginGenerator()
    : originLife(0u, kOriginLifeScale, 0.0f), originClock(0u, kOriginClockScale, 0.0f) {}

DS_ParticleOriginGenerator::DS_ParticleOriginGenerator(const DS_ParticleOriginGenerator& other)
    : DS_StaticGenerator(other), originLife(other.originLife), originRate(other.originRate),
      originSize(other.originSize), direction(other.direction), originClock(other.originClock),
      spawnAccumulator(other.spawnAccumulator) {
  for (const std::unique_ptr<DS_ParticleOrigin>& origin : other.timedOrigins) {
    timedOrigins.emplace_back(new DS_ParticleOrigin(*origin));
  }
}

DS_ParticleOriginGenerator::~DS_ParticleOriginGenerator() = default;

void DS_ParticleOriginGenerator::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_ParticleOriginGenerator", kRecordVersion);
  WriteOriginFields(stream);
}

void DS_ParticleOriginGenerator::ReadSection(DS_IOF_Handle& handle) {
  // Every version stores the same fields.
  ReadLevelHeader(*handle);
  ReadOriginFields(handle);
}

void DS_ParticleOriginGenerator::ReadOriginFields(DS_IOF_Handle& handle) {
  ReadFields(*handle, *this, kRecordVersion);
  DS_TexParticleGenerator::ReadSection(handle);
}

void DS_ParticleOriginGenerator::WriteOriginFields(DS_IOF_Virtual& stream) const {
  WriteFields(stream, *this, kRecordVersion);
  DS_TexParticleGenerator::Write(stream);
}

void DS_ParticleOriginGenerator::Update(float t, DS_ParticlesObj* object) {
  originClock.Advance(t);
  SpawnOrigins(originClock.GetStep());
}

DS_ParticleOrigin* DS_ParticleOriginGenerator::CreateOrigin() {
  DS_ParticleOrigin* origin = new DS_ParticleOrigin();
  origin->timer = originLife.GetResult();
  origin->position = position.GetValue();
  origin->velocity = direction.RandomDirection() * kOriginSpeed;
  return origin;
}

void DS_ParticleOriginGenerator::UpdateOrigins(float dt) {
  for (auto it = timedOrigins.begin(); it != timedOrigins.end();) {
    (*it)->RunCallbacks(dt);
    if ((*it)->timer < 0.0f) {
      it = timedOrigins.erase(it);
    } else {
      ++it;
    }
  }
}

void DS_ParticleOriginGenerator::SpawnOrigins(float dt) {
  UpdateOrigins(dt);
  spawnAccumulator += dt;
  for (;;) {
    // Re-read for every origin. Opacity 0 or rate 0 makes the interval infinite: the
    // accumulator keeps growing and a burst follows when the item reappears.
    const float interval = 1.0f / (TimeLine().GetAlpha() * static_cast<float>(originRate.GetValue()));
    if (!(interval < spawnAccumulator)) break;
    if (timedOrigins.size() >= kMaxOrigins) {
      // A rate from the document may ask for more origins than can live, or an
      // interval too small to lower the accumulator at all: the backlog is dropped
      // rather than spawned without bound.
      spawnAccumulator = interval;
      break;
    }
    spawnAccumulator -= interval;
    DS_ParticleOrigin* origin = CreateOrigin();
    if (!origin) break;
    timedOrigins.emplace_back(origin);
  }
}
