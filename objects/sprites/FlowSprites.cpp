#include "objects/sprites/FlowSprites.h"

#include <cmath>
#include <cstdlib>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_FlowConstructor> s_flowReader(L"DS_FlowConstructor");

const float kPi = 3.1415927f;
const float kFullTurnDegrees = 360.0f;
const float kHalfTurnDegrees = 180.0f;

D3DXVECTOR3 Transformed(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &v, &m);
  return out;
}

}  // namespace

DS_FlowConstructor::DS_FlowConstructor()
    : angle(0u), wobble(0u), wobbleRate(0u), orientationMode(kUpright), m_forward(0.0f, 0.0f, 0.0f, 0.0f),
      m_sideways(0.0f, 0.0f, 0.0f, 0.0f) {
  wobble.SetScale(kWobbleScale, 0.0f);
  wobbleRate.SetScale(kWobbleRateScale, 0.0f);
  D3DXMatrixIdentity(&m_rotation);
  TimeLine().timeMode.SetValue(0);
  BindDirectionUpdate();
  BindSides();
}

DS_FlowConstructor::DS_FlowConstructor(const DS_FlowConstructor& other)
    : DS_ParticleSystemCtrl(other), angle(other.angle), wobble(other.wobble), wobbleRate(other.wobbleRate),
      speed(other.speed), orientationMode(other.orientationMode), m_forward(other.m_forward),
      m_sideways(other.m_sideways), m_rotation(other.m_rotation) {
  for (int side = 0; side < DS_BoundControl::kSideCount; ++side) m_edges[side].Assign(other.m_edges[side]);
  BindDirectionUpdate();
  BindSides();
}

DS_FlowConstructor::~DS_FlowConstructor() = default;

void DS_FlowConstructor::BindDirectionUpdate() {
  m_binders.SetTarget(this, false);
  m_binders.BindValue(angle, this, &DS_FlowConstructor::UpdateDirection);
}

void DS_FlowConstructor::BindSides() {
  for (int side = 0; side < DS_BoundControl::kSideCount; ++side) m_edges[side].BindSide(side);
}

template <class IO>
void DS_FlowConstructor::Fields(IO& io, int version, int& alongFlow) {
  io.UInt(angle);
  io.Field(wobble);
  io.Field(wobbleRate);
  io.Float(speed);
  if (version == kLegacyOrientationVersion) {
    io.Int(alongFlow);
  } else if (version > kLegacyOrientationVersion) {
    io.Int(orientationMode);
  }
  if (version >= kFirstEdgeControlVersion) {
    for (DS_BoundControl& edge : m_edges) io.Field(edge);
  }
}

void DS_FlowConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_FlowConstructor", kRecordVersion);
  int none = 0;
  WriteFields(stream, *this, kRecordVersion, none);
  DS_BaseSpriteProp::Write(stream);
}

void DS_FlowConstructor::Read(DS_IOF_Handle& handle, int version) {
  int alongFlow = 0;
  ReadFields(*handle, *this, version, alongFlow);
  if (version == kLegacyOrientationVersion) orientationMode.SetValue(alongFlow != 0 ? kAlongFlow : kUpright);
  DS_BaseSpriteProp::ReadSection(handle);
}

void DS_FlowConstructor::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  DS_FlowConstructor::Read(handle, version);
}

DS_ParticleSystemCtrl* DS_FlowConstructor::Clone() const { return new DS_FlowConstructor(*this); }

void DS_FlowConstructor::UpdateDirection(unsigned int degrees) {
  // Computed in float: an angle above 360 turns further rather than wrapping
  // through the unsigned range.
  const float radians = (kFullTurnDegrees - static_cast<float>(degrees)) * kPi / kHalfTurnDegrees;
  D3DXMatrixRotationZ(&m_rotation, radians);
  // A speed that is not a number would make every position NaN and the sprites
  // unreachable by the edge controls; such a flow stands still.
  const float forward = std::isfinite(speed) ? speed : 0.0f;
  const D3DXVECTOR4 f(forward, 0.0f, 0.0f, 0.0f);
  const D3DXVECTOR4 s(0.0f, 1.0f, 0.0f, 0.0f);
  D3DXVec4Transform(&m_forward, &f, &m_rotation);
  D3DXVec4Transform(&m_sideways, &s, &m_rotation);
}

void DS_FlowConstructor::InitOrientation(DS_SpriteParticle& sprite) {
  SetHalfExtents(spriteSize.GetValue(), sprite);
  sprite.packedColour = PackColor(*this, sprite);
  switch (orientationMode.GetValue()) {
    case kAlongFlow:
      sprite.xAxis = Transformed(D3DXVECTOR3(1.0f, 0.0f, 0.0f), m_rotation);
      sprite.yAxis = Transformed(D3DXVECTOR3(0.0f, 1.0f, 0.0f), m_rotation);
      break;
    case kUpright:
      sprite.xAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
      sprite.yAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
      break;
    default:
      break;  // the mirror modes set the axes every update
  }
}

void DS_FlowConstructor::InitParticle(DS_SpriteParticle& sprite) {
  const float sideways = RandomFloat(-1.0f, 1.0f);
  sprite.velocity = D3DXVECTOR3(0.0f, 0.0f, sideways);
  sprite.direction = D3DXVECTOR3(1.0f, 1.0f, 0.0f);
  sprite.position = RandomPointInRect();
  InitOrientation(sprite);
}

void DS_FlowConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  const float w = wobble.GetResult();
  const float c = sprite.velocity.z;
  const float f = sprite.sizeFactor;
  sprite.velocity.x = (m_sideways.x * c * w + m_forward.x * sprite.direction.x) * f;
  sprite.velocity.y = (m_forward.y * sprite.direction.y + m_sideways.y * c * w) * f;
  if (!sprite.hidden) {
    const float step = GetStep();
    sprite.position.x += step * sprite.velocity.x;
    sprite.position.y += step * sprite.velocity.y;
  }
  for (DS_BoundControl& edge : m_edges) {
    if (edge.Apply(*this, sprite)) break;
  }
  switch (orientationMode.GetValue()) {
    case kMirrorX:
      sprite.xAxis = D3DXVECTOR3(std::copysign(1.0f, sprite.velocity.x), 0.0f, 0.0f);
      sprite.yAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
      break;
    case kMirrorY:
      sprite.xAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
      sprite.yAxis = D3DXVECTOR3(0.0f, std::copysign(1.0f, sprite.velocity.y), 0.0f);
      break;
    default:
      break;
  }
  // With a change rate of 0 the interval is infinite and the factor stays.
  const float rate = wobbleRate.GetResult();
  const float now = GetAccumulatedTime();
  if (rate > 0.0f && 1.0f / rate < now - sprite.timer) {
    sprite.timer = now;
    if (std::rand() & 1) sprite.velocity.z = RandomFloat(-1.0f, 1.0f);
  }
  sprite.packedColour = PackColor(*this, sprite);
}

int DS_FlowConstructor::GetParticleCount() const {
  const int capped = CountToInt(spriteCount.GetValue());
  if (capped < 2) return capped;
  const float shown = TimeLine().GetAlpha() * static_cast<float>(capped);
  if (!(shown > 0.0f)) return 0;
  if (shown >= static_cast<float>(capped)) return capped;
  return static_cast<int>(shown);
}
