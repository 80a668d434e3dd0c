#include "objects/sprites/Fish.h"

#include <cmath>
#include <cstdlib>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_FishConstructor> s_fishReader(L"DS_FishConstructor");
IOF_Virtual_ReaderT<DS_GhostConstructor> s_ghostReader(L"DS_GhostConstructor");
IOF_Virtual_ReaderT<DS_BirdConstructor> s_birdReader(L"DS_BirdConstructor");

// Seconds of raw local time between a fish's chances of a new speed.
const float kSpeedChangeInterval = 1.0f;

// Ghost defaults.
const float kGhostMaxSpeed = 50.0f;
const float kGhostTwinkleRate = 0.66f;
const unsigned int kGhostTransparency = 50;
const int kGhostTimeMode = 1;
// The time line of version-1 ghosts: fades of 1.5 s, no shown or hidden pause.
const unsigned int kLegacyFade = 150;

}  // namespace

// ---- DS_FishConstructor ----

DS_FishConstructor::DS_FishConstructor() = default;

template <class IO>
void DS_FishConstructor::Fields(IO& io, int version) {
  io.Float(maxSpeedX);
  io.Float(maxSpeedY);
}

void DS_FishConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_FishConstructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_BaseSpriteProp::Write(stream);
}

void DS_FishConstructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_BaseSpriteProp::ReadSection(handle);
}

void DS_FishConstructor::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  DS_FishConstructor::Read(handle, version);
}

DS_ParticleSystemCtrl* DS_FishConstructor::Clone() const { return new DS_FishConstructor(*this); }

float DS_FishConstructor::SpeedBoundX() const { return std::isfinite(maxSpeedX) ? maxSpeedX : 0.0f; }
float DS_FishConstructor::SpeedBoundY() const { return std::isfinite(maxSpeedY) ? maxSpeedY : 0.0f; }

void DS_FishConstructor::InitParticle(DS_SpriteParticle& sprite) {
  const float mx = SpeedBoundX();
  const float my = SpeedBoundY();
  const float vx = RandomFloat(-mx, mx);
  const float vy = RandomFloat(-my, my);
  sprite.velocity = D3DXVECTOR3(vx, vy, 0.0f);
  sprite.direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  sprite.position = RandomPointInRect();
  SetHalfExtents(spriteSize.GetValue(), sprite);
  sprite.packedColour = PackColor(*this, sprite);
  if (sprite.velocity.x < 0.0f) sprite.halfWidth = -sprite.halfWidth;
}

void DS_FishConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  sprite.position.x += GetStep() * sprite.velocity.x;
  sprite.position.y += GetStep() * sprite.velocity.y;
  // Sideways a fish leaves the area completely before it turns and faces back.
  if (sprite.IsOutsideLeft(*this)) {
    sprite.velocity.x = std::fabs(sprite.velocity.x);
    sprite.halfWidth = std::fabs(sprite.halfWidth);
  } else if (sprite.IsOutsideRight(*this)) {
    sprite.velocity.x = -std::fabs(sprite.velocity.x);
    sprite.halfWidth = -std::fabs(sprite.halfWidth);
  }
  // Vertically it stays inside.
  if (sprite.CrossesTop(*this)) {
    sprite.velocity.y = std::fabs(sprite.velocity.y);
  } else if (sprite.CrossesBottom(*this)) {
    sprite.velocity.y = -std::fabs(sprite.velocity.y);
  }
  // Speed changes count on the raw local time, not the speed-scaled clock.
  const float raw = GetLastTime();
  if (raw - sprite.timer > kSpeedChangeInterval) {
    sprite.timer = raw;
    if (std::rand() & 1) {
      const float mx = SpeedBoundX();
      const float my = SpeedBoundY();
      sprite.velocity.x = std::copysign(RandomFloat(-mx, mx), sprite.velocity.x);
      sprite.velocity.y = RandomFloat(-my, my);
      sprite.velocity.z = 0.0f;
    }
  }
}

// ---- DS_GhostConstructor ----

DS_GhostConstructor::DS_GhostConstructor() {
  maxSpeedX = kGhostMaxSpeed;
  maxSpeedY = kGhostMaxSpeed;
  twinkleRate = kGhostTwinkleRate;
  transparency.SetValue(kGhostTransparency);
  sizeFactorMin = 1.0f;
  sizeFactorMax = 1.0f;
  TimeLine().timeMode.SetValue(kGhostTimeMode);
}

void DS_GhostConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_GhostConstructor", kRecordVersion);
  DS_FishConstructor::Write(stream);
}

void DS_GhostConstructor::Read(DS_IOF_Handle& handle, int version) {
  DS_FishConstructor::ReadSection(handle);
  if (version < kFirstOwnTimeLineVersion) ApplyLegacyDefaults();
}

DS_ParticleSystemCtrl* DS_GhostConstructor::Clone() const { return new DS_GhostConstructor(*this); }

void DS_GhostConstructor::ApplyLegacyDefaults() {
  DS_TimeLineControl& timeLine = TimeLine();
  timeLine.mode.SetValue(DS_TimeLineControl::kCycle);
  timeLine.shown.lo.SetValue(0u);
  timeLine.shown.hi.SetValue(0u);
  timeLine.hidden.lo.SetValue(0u);
  timeLine.hidden.hi.SetValue(0u);
  timeLine.fadeIn.SetValue(kLegacyFade);
  timeLine.fadeOut.SetValue(kLegacyFade);
}

void DS_GhostConstructor::InitParticle(DS_SpriteParticle& sprite) {
  DS_FishConstructor::InitParticle(sprite);
  sprite.alpha = RandomFloat(0.0f, 1.0f);
}

void DS_GhostConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  DS_FishConstructor::UpdateParticle(sprite);
  const DS_TimeLineControl& timeLine = TimeLine();
  if (timeLine.GetPhase() == kPhaseInvisible) InitParticle(sprite);
  sprite.alpha = timeLine.GetAlpha();
  sprite.packedColour = PackColor(*this, sprite);
}

// ---- DS_BirdConstructor ----

void DS_BirdConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_BirdConstructor", kRecordVersion);
  DS_FishConstructor::Write(stream);
}

void DS_BirdConstructor::Read(DS_IOF_Handle& handle, int version) { DS_FishConstructor::ReadSection(handle); }

DS_ParticleSystemCtrl* DS_BirdConstructor::Clone() const { return new DS_BirdConstructor(*this); }

void DS_BirdConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  DS_FishConstructor::UpdateParticle(sprite);
  const float mx = SpeedBoundX();
  const float my = SpeedBoundY();
  const float slowest = 1.0f - kMinSpeedShare;
  if (std::fabs(sprite.velocity.y) < kMinSpeedShare * my) {
    sprite.velocity.y =
        std::copysign(kMinSpeedShare * my + std::fabs(sprite.velocity.y) * slowest / kMinSpeedShare, sprite.velocity.y);
  }
  if (std::fabs(sprite.velocity.x) < kMinSpeedShare * mx) {
    sprite.velocity.x = std::copysign(RandomFloat(kMinSpeedShare * mx, mx), sprite.velocity.x);
  }
}
