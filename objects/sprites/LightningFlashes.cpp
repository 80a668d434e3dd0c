#include "objects/sprites/LightningFlashes.h"

#include <cstdlib>

#include "document/ClassRegistry.h"
#include "document/Utilities.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_LightingConstructor> s_lightingReader(L"DS_LightingConstructor");

const float kPi = 3.1415927f;
// Dark pauses between flashes, hundredths of a second.
const unsigned int kDefaultHiddenLo = 100;
const unsigned int kDefaultHiddenHi = 500;

D3DXVECTOR3 Rotated(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &v, &m);
  return out;
}

}  // namespace

DS_LightingConstructor::DS_LightingConstructor() {
  additive.SetValue(1);
  viewObject = true;
  DS_TimeLineControl& timeLine = TimeLine();
  timeLine.mode.SetValue(DS_TimeLineControl::kCycle);
  timeLine.timeMode.SetValue(0);
  timeLine.hidden.lo.SetValue(kDefaultHiddenLo);
  timeLine.hidden.hi.SetValue(kDefaultHiddenHi);
}

void DS_LightingConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_LightingConstructor", kRecordVersion);
  DS_BaseSpriteProp::Write(stream);
}

void DS_LightingConstructor::Read(DS_IOF_Handle& handle, int version) { ReadSection(handle); }

DS_ParticleSystemCtrl* DS_LightingConstructor::Clone() const { return new DS_LightingConstructor(*this); }

void DS_LightingConstructor::InitParticle(DS_SpriteParticle& sprite) {
  SetHalfExtents(spriteSize.GetValue(), sprite);
  sprite.position = RandomPointInRectMargin(sprite.halfWidth, sprite.halfHeight);
  const float angle = RandomFloat(0.0f, kPi / 4.0f) - kPi / 8.0f;
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, angle);
  const float mirror = (std::rand() & 1) ? -1.0f : 1.0f;
  sprite.xAxis = Rotated(D3DXVECTOR3(mirror, 0.0f, 0.0f), turn);
  sprite.yAxis = Rotated(D3DXVECTOR3(0.0f, 1.0f, 0.0f), turn);
  sprite.alpha = 0.0f;
}

void DS_LightingConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  const float now = GetAccumulatedTime();
  // The dark pause counts on the raw local time, the flicker on control time.
  const float raw = GetLastTime();
  if (sprite.alpha != 0.0f) {
    sprite.alpha -= GetStep() * kFadeRate;
    if (now - sprite.timer > kFlickerInterval) {
      sprite.timer = now;
      if (std::rand() & 1) sprite.alpha = 1.0f;
    }
  } else if (sprite.delay < raw - sprite.timer) {
    sprite.timer = raw;
    InitParticle(sprite);
    sprite.alpha = 1.0f;
    sprite.timer = now;
  }
  if (sprite.alpha < 0.0f) {
    sprite.alpha = 0.0f;
    sprite.timer = raw;
    sprite.delay = TimeLine().hidden.Pick();
  }
  sprite.packedColour = PackColor(*this, sprite);
}
