#include "objects/sprites/Grass.h"

#include <cmath>
#include <cstdlib>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/SceneMapping.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_GrassConstructor> s_grassReader(L"DS_GrassConstructor");

const float kPi = 3.1415927f;
// The time line drives the local clock at the speed of its opacity.
const int kSwayTimeMode = 2;
// The time mode in which the time line fades the picture.
const int kFadeTimeMode = 1;
// Largest lean, degrees.
const float kMaxLean = 89.0f;

}  // namespace

float SwayShear(float degrees) {
  if (!std::isfinite(degrees)) return 0.0f;
  if (degrees > kMaxLean) degrees = kMaxLean;
  if (degrees < -kMaxLean) degrees = -kMaxLean;
  return std::tan(degrees * kPi / 180.0f);
}

DS_GrassConstructor::DS_GrassConstructor() { TimeLine().timeMode.SetValue(kSwayTimeMode); }

template <class IO>
void DS_GrassConstructor::Fields(IO& io, int version) {
  io.Float(swayAmplitude);
}

void DS_GrassConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_GrassConstructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_BaseSpriteProp::Write(stream);
}

void DS_GrassConstructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

DS_ParticleSystemCtrl* DS_GrassConstructor::Clone() const { return new DS_GrassConstructor(*this); }

void DS_GrassConstructor::InitParticle(DS_SpriteParticle& sprite) {
  const float x = RandomFloat(GetLeftPx(), GetRightPx());
  sprite.position = D3DXVECTOR3(x, GetBottomPx() - sprite.halfHeight, 0.0f);
  // The foot's x and the phase ride in the velocity's spare slots.
  sprite.velocity.z = x;
  sprite.velocity.y = RandomFloat(0.0f, kPi / 2.0f);
  sprite.xAxis = D3DXVECTOR3((std::rand() & 1) ? -1.0f : 1.0f, 0.0f, 0.0f);
}

void DS_GrassConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  // Neighbouring blades sway a little apart: the phase moves along the scene's width.
  const float across = g_SceneWidth > 0 ? sprite.position.x / static_cast<float>(g_SceneWidth) * 2.0f * kPi : 0.0f;
  const float d = std::sin(GetAccumulatedTime() + sprite.velocity.y + across);
  const float s = SwayShear(d * swayAmplitude);
  sprite.yAxis = D3DXVECTOR3(s, 1.0f, 0.0f);
  sprite.position.x = sprite.velocity.z - s * sprite.halfHeight;
}

DWORD DS_GrassConstructor::ApplyTimelineAlpha(DWORD argb) const {
  return TimeLine().timeMode.GetValue() == kFadeTimeMode ? DS_BaseSpriteProp::ApplyTimelineAlpha(argb) : argb;
}
