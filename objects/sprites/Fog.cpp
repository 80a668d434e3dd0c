#include "objects/sprites/Fog.h"

#include <cmath>
#include <cstdlib>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_FogConstructor> s_fogReader(L"DS_FogConstructor");

const float kDefaultTwinkleMin = 0.2f;
const float kDefaultTwinkleMax = 1.0f;
const unsigned int kDefaultTransparency = 50;
const int kDefaultTimeMode = 1;

// A drift from the document that is not a number would make every puff's
// position NaN for good; such a puff stands still instead.
float FiniteOrZero(float value) { return std::isfinite(value) ? value : 0.0f; }

D3DXVECTOR3 Rotated(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &v, &m);
  return out;
}

}  // namespace

DS_FogConstructor::DS_FogConstructor() {
  twinkleMin = kDefaultTwinkleMin;
  twinkleMax = kDefaultTwinkleMax;
  transparency.SetValue(kDefaultTransparency);
  TimeLine().timeMode.SetValue(kDefaultTimeMode);
}

template <class IO>
void DS_FogConstructor::Fields(IO& io, int version) {
  io.Float(driftX);
  io.Float(driftY);
}

void DS_FogConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_FogConstructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_BaseSpriteProp::Write(stream);
}

void DS_FogConstructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

DS_ParticleSystemCtrl* DS_FogConstructor::Clone() const { return new DS_FogConstructor(*this); }

void DS_FogConstructor::InitParticle(DS_SpriteParticle& sprite) {
  sprite.position = RandomPointInRect();
  const float dx = FiniteOrZero(driftX);
  const float dy = FiniteOrZero(driftY);
  sprite.velocity.x = RandomFloat(-dx, dx);
  sprite.velocity.y = RandomFloat(-dy, dy);
  sprite.alpha = RandomFloat(0.0f, 1.0f);
  const float turn = RandomFloat(-kMaxTurn, kMaxTurn);
  D3DXMatrixRotationZ(&sprite.rotation, turn);
}

void DS_FogConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  sprite.position.x += GetStep() * sprite.velocity.x;
  sprite.position.y += GetStep() * sprite.velocity.y;
  StepTwinkle(sprite, *this, false);
  // The centre decides: a puff may hang over the edge by up to its size.
  if (GetBottomPx() < sprite.position.y) sprite.velocity.y = -std::fabs(sprite.velocity.y);
  if (GetTopPx() > sprite.position.y) sprite.velocity.y = std::fabs(sprite.velocity.y);
  if (GetLeftPx() > sprite.position.x) sprite.velocity.x = std::fabs(sprite.velocity.x);
  if (GetRightPx() < sprite.position.x) sprite.velocity.x = -std::fabs(sprite.velocity.x);
  // One step per frame, whatever the frame rate.
  sprite.xAxis = Rotated(sprite.xAxis, sprite.rotation);
  sprite.yAxis = Rotated(sprite.yAxis, sprite.rotation);
  sprite.packedColour = PackColor(*this, sprite);
}
