#include "objects/sprites/Rain.h"

#include <cstdlib>

#include "document/ClassRegistry.h"
#include "document/Utilities.h"
#include "objects/sprites/SpriteParticle.h"

namespace {

IOF_Virtual_ReaderT<DS_RainConstructor> s_rainReader(L"DS_RainConstructor");

D3DXVECTOR3 Transformed(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &v, &m);
  return out;
}

}  // namespace

DS_RainConstructor::DS_RainConstructor() {
  D3DXMatrixRotationZ(&m_quarterTurn, kQuarterTurns);
  wobble.SetValue(0u);
  speed = kDefaultSpeed;
  sizeFactorMin = kDefaultSizeFactorMin;
  sizeFactorMax = kDefaultSizeFactorMax;
  orientationMode.SetValue(kAlongFlow);
  // Set after the speed, so the direction follows both.
  angle.SetValue(kDefaultAngle);
}

DS_RainConstructor::DS_RainConstructor(const DS_RainConstructor& other) : DS_FlowConstructor(other) {
  D3DXMatrixRotationZ(&m_quarterTurn, kQuarterTurns);
}

void DS_RainConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_RainConstructor", kRecordVersion);
  DS_FlowConstructor::Write(stream);
}

void DS_RainConstructor::Read(DS_IOF_Handle& handle, int version) { DS_FlowConstructor::ReadSection(handle); }

DS_ParticleSystemCtrl* DS_RainConstructor::Clone() const { return new DS_RainConstructor(*this); }

void DS_RainConstructor::InitParticle(DS_SpriteParticle& sprite) {
  DS_FlowConstructor::InitParticle(sprite);
  sprite.alpha = RandomFloat(0.0f, 1.0f);
  InitOrientation(sprite);
  if (orientationMode.GetValue() == kAlongFlow) {
    sprite.xAxis = Transformed(sprite.xAxis, m_quarterTurn);
    sprite.yAxis = Transformed(sprite.yAxis, m_quarterTurn);
  }
}

void DS_RainConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  const float alpha = sprite.alpha;
  sprite.alpha = 1.0f;
  DS_FlowConstructor::UpdateParticle(sprite);
  sprite.alpha = alpha;
  StepTwinkle(sprite, *this, true);
  sprite.packedColour = PackColor(*this, sprite);
}
