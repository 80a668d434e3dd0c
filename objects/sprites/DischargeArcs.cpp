#include "objects/sprites/DischargeArcs.h"

#include <cmath>
#include <cstdlib>
#include <utility>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/sprites/SpriteParticle.h"

namespace {

IOF_Virtual_ReaderT<DS_DischargeFXConstructor> s_dischargeArcReader(L"DS_DischargeFXConstructor");

// Stored defaults and their scales.
const unsigned int kDefaultJitter = 50;
const float kJitterScale = 0.01f;
const int kDefaultCorePicture = 1;
const unsigned int kDefaultFlicker = 100;
const float kFlickerScale = -0.001f;
const float kFlickerOffset = 0.1f;
const unsigned int kDefaultMorphSpeed = 50;
const float kMorphSpeedScale = 0.1f;
const unsigned int kDefaultSpriteSize = 50;
const int kDefaultAdditive = 1;
// Pale cyan core, azure glow (red in the low byte).
const unsigned long kDefaultCoreColour = 0xFFFFCC;
const unsigned long kDefaultGlowColour = 0xFF9900;

// The ends of the core picture are used only at the arc's two ends; the segments
// in between take its middle, so the joints show no ends.
const float kInnerULeft = 0.195f;
const float kInnerURight = 0.805f;

// A zero vector (coinciding points, or a deflection that cancels the remaining
// distance) or a broken one gives the zero vector, not NaN: the segment then has
// no extent where it stands.
D3DXVECTOR3 UnitOrZero(const D3DXVECTOR3& v) {
  const float length = D3DXVec3Length(&v);
  if (!(length > 0.0f) || !std::isfinite(length)) return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  D3DXVECTOR3 unit;
  D3DXVec3Normalize(&unit, &v);
  return unit;
}

}  // namespace

DS_DischargeFXConstructor::DS_DischargeFXConstructor()
    : jitter(kDefaultJitter, kJitterScale, 0.0f),
      corePicture(kDefaultCorePicture),
      flickerInterval(kDefaultFlicker, kFlickerScale, kFlickerOffset),
      morphSpeed(kDefaultMorphSpeed, kMorphSpeedScale, 0.0f) {
  effectLink.StoreKey(DS_HLSLEffectFile(kGlowEffectId, kResourceModule).GetKey());
  spriteSize.StoreValue(kDefaultSpriteSize);
  additive.StoreValue(kDefaultAdditive);
  colour.StoreValue(kDefaultCoreColour);
  glowColour.StoreValue(kDefaultGlowColour);
}

template <class IO>
void DS_DischargeFXConstructor::Fields(IO& io, int version) {
  io.Vector(startPoint);
  io.Vector(endPoint);
  io.Field(jitter);
  io.Int(corePicture);
  io.Field(flickerInterval);
  io.Field(morphSpeed);
}

void DS_DischargeFXConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_DischargeFXConstructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_GlowEffectCtrl::Write(stream);
}

void DS_DischargeFXConstructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_GlowEffectCtrl::ReadSection(handle);
}

DS_ParticleSystemCtrl* DS_DischargeFXConstructor::Clone() const { return new DS_DischargeFXConstructor(*this); }

int DS_DischargeFXConstructor::GetCorePictureId() const {
  return corePicture.GetValue() != 0 ? kCorePictureId : kAlternateCorePictureId;
}

void DS_DischargeFXConstructor::Prepare() {
  mainImage.SetKey(DS_FileLink3(GetCorePictureId(), kResourceModule).GetKey());
  DS_GlowEffectCtrl::Prepare();
}

void DS_DischargeFXConstructor::BuildArc(std::vector<ArcSegment>& line) const {
  const size_t n = line.size();
  if (n < 1) return;
  D3DXVECTOR3 p = startPoint.GetValue();
  const D3DXVECTOR3 end = endPoint.GetValue();
  const D3DXVECTOR3 whole = end - p;
  const D3DXVECTOR3 perpendicular = UnitOrZero(D3DXVECTOR3(whole.y, -whole.x, 0.0f));
  const float j = jitter.GetResult();
  for (size_t g = 0; g < n; ++g) {
    // The remaining straight distance is shared among the remaining segments.
    const D3DXVECTOR3 d = end - p;
    const float length = D3DXVec3Length(&d) / static_cast<float>(n - g);
    const bool last = g + 1 == n;
    D3DXVECTOR3 w = d;
    if (!last) {
      const float r1 = RandomFloat(-j, j);
      const float r2 = RandomFloat(-j, j);
      w = D3DXVECTOR3(d.x + r1 * d.y, d.y + r2 * d.x, 2.0f * d.z);
    }
    ArcSegment& segment = line[g];
    segment.direction = UnitOrZero(w);
    segment.perpendicular = perpendicular;
    // The last segment points straight at the end; it ends there exactly rather
    // than a rounding step away.
    const D3DXVECTOR3 q = last ? end : p + length * segment.direction;
    segment.centre = (p + q) * 0.5f;
    segment.length = length;
    p = q;
  }
}

ArcSegment DS_DischargeFXConstructor::LerpSegment(const ArcSegment& a, const ArcSegment& b, float f) {
  ArcSegment s;
  s.centre = a.centre + (b.centre - a.centre) * f;
  s.direction = a.direction + (b.direction - a.direction) * f;
  s.perpendicular = a.perpendicular + (b.perpendicular - a.perpendicular) * f;
  s.length = a.length + (b.length - a.length) * f;
  return s;
}

void DS_DischargeFXConstructor::InitParticle(DS_SpriteParticle& sprite) {
  // Every sprite the geometry creates asks for the layout, and each layout
  // replaces the one before whole; laying the arcs out once per sprite count keeps
  // a count near the cap from costing count x count segments.
  const size_t count = ParticleGeomArray::CappedCount(*this);
  if (m_polylineA.size() == count && m_polylineB.size() == count) return;
  m_polylineA.assign(count, ArcSegment());
  m_polylineB.assign(count, ArcSegment());
  BuildArc(m_polylineA);
  BuildArc(m_polylineB);
}

void DS_DischargeFXConstructor::UpdateEffect() {
  m_segmentIndex = 0;
  const float now = GetAccumulatedTime();
  const float elapsed = now - m_renewalTime;
  // A control clock that restarted (the slide shown again) renews at once instead
  // of morphing backwards from A until it catches up with the old renewal time.
  if (elapsed > kRenewalInterval || elapsed < 0.0f) {
    m_renewalTime = now;
    m_polylineA = m_polylineB;
    BuildArc(m_polylineB);
  }
}

void DS_DischargeFXConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  const unsigned int i = static_cast<unsigned int>(m_segmentIndex);
  // Records beyond the polylines (none are made, but the walk must not trust
  // that) keep their last layout.
  if (i < m_polylineA.size() && i < m_polylineB.size()) {
    const float f = (GetAccumulatedTime() - m_renewalTime) * morphSpeed.GetResult();
    const ArcSegment s = LerpSegment(m_polylineA[i], m_polylineB[i], f);
    sprite.xAxis = s.direction;
    sprite.halfWidth = s.length * 0.5f;
    sprite.yAxis = s.perpendicular;
    sprite.halfHeight = static_cast<float>(spriteSize.GetValue()) * 0.5f;
    sprite.direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    sprite.velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    sprite.position = s.centre;
  }

  // The sprite timers survive a restart of the local time (the slide shown
  // again); a timer ahead of the clock counts as due, so the arc keeps crackling.
  const float now = GetLastTime();
  const float sinceFlicker = now - sprite.timer;
  if (flickerInterval.GetResult() < sinceFlicker || sinceFlicker < 0.0f) {
    sprite.timer = now;
    // One half of the core picture, often upside down.
    if ((std::rand() & 1) != 0) {
      sprite.vTop = 0.0f;
      sprite.vBottom = 0.5f;
    } else {
      sprite.vTop = 0.5f;
      sprite.vBottom = 1.0f;
    }
    if ((std::rand() & 1) != 0) std::swap(sprite.vTop, sprite.vBottom);
  }

  sprite.uLeft = i == 0 ? 0.0f : kInnerULeft;
  sprite.uRight = i + 1 == ParticleGeomArray::CappedCount(*this) ? 1.0f : kInnerURight;
  ++m_segmentIndex;
  sprite.packedColour = PackColor(*this, sprite);
}
