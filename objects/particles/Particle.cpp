#include "objects/particles/Particle.h"

#include <cmath>
#include <cstdlib>

#include "document/CompositeParams.h"
#include "document/ScaledParams.h"
#include "document/Utilities.h"

// ---- DS_Particle ----

DS_Particle::DS_Particle(float x, float y, float z) : position(x, y, z), previousPosition(x, y, z) {}

DS_Particle::DS_Particle(const DS_Particle& other)
    : position(other.position), previousPosition(other.previousPosition), life(other.life), size(other.size),
      alpha(other.alpha), age(other.age), angle(other.angle) {
  m_processes.reserve(other.m_processes.size());
  for (const std::unique_ptr<PProcess>& process : other.m_processes) m_processes.emplace_back(process->Clone());
}

DS_Particle& DS_Particle::operator=(const DS_Particle& other) {
  if (this != &other) {
    DS_Particle copy(other);
    *this = std::move(copy);
  }
  return *this;
}

DS_Particle::~DS_Particle() = default;

bool DS_Particle::Update(float dt) {
  bool alive = true;
  for (const std::unique_ptr<PProcess>& process : m_processes) {
    if (!process->Apply(dt, *this)) alive = false;
  }
  return alive;
}

void DS_Particle::AddProcess(PProcess* process) {
  if (process) m_processes.emplace_back(process);
}

float* DS_Particle::ChannelPtr(int c) {
  switch (c) {
    case kLife: return &life;
    case kSize: return &size;
    case kAlpha: return &alpha;
    case kAge: return &age;
    case kAngle: return &angle;
    default: return nullptr;
  }
}

// ---- processes ----

bool PLifeConst::Apply(float dt, DS_Particle& p) {
  p.life += rate * dt;
  return p.life < 1.0f;
}

bool PAgeConst::Apply(float dt, DS_Particle& p) {
  p.age += dt;
  return p.age < maxAge;
}

bool PFade::Apply(float dt, DS_Particle& p) {
  float* value = p.ChannelPtr(channel);
  if (!value || amount == 0.0f || p.age < startAge) return true;
  if (p.age >= endAge) {
    *value += amount;
    amount = 0.0f;
    return true;
  }
  // Only the share of the remaining amount that belongs to the time since the last
  // step: the channel follows a straight line whatever the step sizes. Here
  // startAge <= age < endAge, so the interval is never empty.
  const float d = amount * (p.age - startAge) / (endAge - startAge);
  *value += d;
  amount -= d;
  startAge = p.age;
  return true;
}

bool PSteady::Apply(float dt, DS_Particle& p) {
  float* value = p.ChannelPtr(channel);
  if (value && lifeFrom < p.life && p.life < lifeTo) *value += rate * dt;
  return true;
}

bool PTwinkle::Apply(float dt, DS_Particle& p) {
  timer += dt;
  if (timer > nextInterval) {
    float* value = p.ChannelPtr(channel);
    float newValue;
    if (std::rand() % 3 != 0) {
      newValue = baseValue;
      nextInterval = RandomFloat(0.2f, 2.5f);
    } else {
      newValue = baseValue * RandomFloat(1.0f, 1.5f);
      nextInterval = 0.2f;
    }
    if (value) *value = newValue;
    timer = 0.0f;
  }
  return true;
}

bool PKinetic::Apply(float dt, DS_Particle& p) {
  p.position += velocity * dt + acceleration * (dt * dt * 0.5f);
  velocity += acceleration * dt;
  return true;
}

bool PSpin::Apply(float dt, DS_Particle& p) {
  p.angle += rate * dt;
  return true;
}

// ---- PBrownian ----

PBrownian::PBrownian(const DS_BrownianContext* context)
    : context(context), velocity(0.0f, 0.0f, 0.0f), acceleration(0.0f, 0.0f, 0.0f) {
  velocity.y = RandomFloat(-kTargetSpeed, kTargetSpeed);
  velocity.x = RandomFloat(-kTargetSpeed, kTargetSpeed);
  retargetTimer = RandomFloat(1.0f, 5.0f);
}

PBrownian::Settings PBrownian::ReadSettings() const {
  // Without a context the particle wanders freely around the origin at unit settings.
  Settings s = {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f};
  if (!context) return s;
  if (context->region) {
    const D3DXVECTOR3& minCorner = context->region->Corner(0).GetValue();
    const D3DXVECTOR3& maxCorner = context->region->Corner(3).GetValue();
    s.left = minCorner.x;
    s.top = minCorner.y;
    s.right = maxCorner.x;
    s.bottom = maxCorner.y;
  }
  if (context->speedFactor) s.speedFactor = context->speedFactor->GetResult();
  if (context->retargetPeriod) s.retargetPeriod = context->retargetPeriod->GetResult();
  if (context->steeringTime) s.steeringTime = context->steeringTime->GetResult();
  return s;
}

void PBrownian::SetTarget(const D3DXVECTOR3& target) {
  const float e = ReadSettings().steeringTime;
  if (!(e > 0.0f)) {
    // A steering time of 0 (or less) from the document: take the target at once
    // instead of dividing by it.
    velocity = target;
    acceleration = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    steeringTimer = 0.0f;
    return;
  }
  acceleration = (target - velocity) / e;
  steeringTimer = e;
}

void PBrownian::SteerToCentre(const DS_Particle& p) {
  const Settings s = ReadSettings();
  const D3DXVECTOR3 centre((s.left + s.right) * 0.5f, (s.top + s.bottom) * 0.5f, 0.0f);
  D3DXVECTOR3 d = centre - p.position;
  const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  // A particle standing on the centre has no direction to go: its target is rest.
  d = length > 0.0f ? d / length : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  SetTarget(d * kTargetSpeed);
}

bool PBrownian::Apply(float dt, DS_Particle& p) {
  const Settings s = ReadSettings();
  const bool isInside =
      s.left <= p.position.x && p.position.x <= s.right && s.top <= p.position.y && p.position.y <= s.bottom;
  if (!isInside) {
    if (inside || (acceleration.x == 0.0f && acceleration.y == 0.0f && acceleration.z == 0.0f)) SteerToCentre(p);
    inside = false;
  } else {
    inside = true;
  }

  retargetTimer -= dt;
  if (retargetTimer < 0.0f) {
    const float t = s.retargetPeriod;
    retargetTimer = RandomFloat(0.5f * t, 1.5f * t);
    if (inside) {
      D3DXVECTOR3 target(0.0f, 0.0f, 0.0f);
      target.y = RandomFloat(-kTargetSpeed, kTargetSpeed);
      target.x = RandomFloat(-kTargetSpeed, kTargetSpeed);
      SetTarget(target);
    }
  }

  steeringTimer -= dt;
  if (steeringTimer < 0.0f) {
    steeringTimer = 0.0f;
    acceleration = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  }

  p.position += s.speedFactor * (velocity * dt + acceleration * (dt * dt * 0.5f));
  velocity += acceleration * dt;
  return true;
}
