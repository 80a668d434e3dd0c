#include "objects/sprites/GodRays.h"

#include <cmath>
#include <cstdlib>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/SceneMapping.h"

namespace {

IOF_Virtual_ReaderT<DS_GodRayConstructor> s_godRayReader(L"DS_GodRayConstructor");

const float kPi = 3.1415927f;
// Largest sideways drift, pixels per second.
const float kMaxDrift = 10.0f;
// How often a ray may pick a new drift, seconds of control time.
const float kDriftInterval = 0.25f;

}  // namespace

DS_GodRayConstructor::DS_GodRayConstructor() : rayAngle(kDefaultRayAngle) {}

template <class IO>
void DS_GodRayConstructor::Fields(IO& io, int version) {
  io.UInt(rayAngle);
}

void DS_GodRayConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_GodRayConstructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_BaseSpriteProp::Write(stream);
}

void DS_GodRayConstructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

DS_ParticleSystemCtrl* DS_GodRayConstructor::Clone() const { return new DS_GodRayConstructor(*this); }

float DS_GodRayConstructor::ShearForAngle(unsigned int degrees) {
  // A multiple of 180 degrees would lay the ray flat: tan(b) is 0 (or, in float,
  // so small that the quad spans millions of pixels).
  if (degrees % 180u == 0) return 0.0f;
  const float a = static_cast<float>(degrees);
  const float b = (degrees < 180u ? 180.0f - a : 360.0f - a) * 2.0f * kPi / 360.0f;
  const float shear = 1.0f / std::tan(b);
  return std::isfinite(shear) ? shear : 0.0f;
}

void DS_GodRayConstructor::InitParticle(DS_SpriteParticle& sprite) {
  sprite.position.x = RandomFloat(GetLeftPx(), GetRightPx());
  // Half the area's height, counted from the scene's top (not the area's centre).
  sprite.position.y = (GetBottomPx() - GetTopPx()) * 0.5f;
  sprite.position.z = 0.0f;
  sprite.direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  sprite.velocity = D3DXVECTOR3(RandomFloat(-kMaxDrift, kMaxDrift), 0.0f, 0.0f);
  // The size factor does not apply to rays; every ray spans the scene's height.
  sprite.halfWidth = static_cast<float>(spriteSize.GetValue()) * 0.5f;
  sprite.halfHeight = static_cast<float>(g_SceneHeight) * 0.5f;
  sprite.xAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
  sprite.yAxis = D3DXVECTOR3(ShearForAngle(rayAngle.GetValue()), 1.0f, 0.0f);
  sprite.alpha = RandomFloat(0.0f, 1.0f);
}

void DS_GodRayConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  const float now = GetAccumulatedTime();
  if (now - sprite.timer > kDriftInterval) {
    sprite.timer = now;
    if (std::rand() & 1) sprite.velocity = D3DXVECTOR3(RandomFloat(-kMaxDrift, kMaxDrift), 0.0f, 0.0f);
  }
  sprite.position.x += GetStep() * sprite.velocity.x;
  sprite.position.y += GetStep() * sprite.velocity.y;
  StepTwinkle(sprite, *this, true);
  sprite.packedColour = PackColor(*this, sprite);
}
