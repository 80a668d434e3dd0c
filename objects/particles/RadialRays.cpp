#include "objects/particles/RadialRays.h"

#include <cmath>
#include <cstdlib>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/particles/ParticleQuads.h"
#include "objects/particles/ParticlesObj.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_RadialRays> s_radialRaysReader(L"DS_RadialRays");

const float kTwoPi = 6.2831855f;

// Variation and fade depth: offset 1.0 minus a hundredth per stored unit.
const float kDepthScale = -0.01f;
const float kDepthOffset = 1.0f;
// Rotation speed and swing amplitude: 0.02 per stored unit.
const float kRotationScale = 0.02f;

// The picture is sampled from 0.01 to 0.99 so that its border texels never wrap.
const float kUVLow = 0.01f;
const float kUVHigh = 0.99f;

}  // namespace

DS_RadialRays::DS_RadialRays()
    : Variation(0u, kDepthScale, kDepthOffset), RotationSpeed(0u, kRotationScale, 0.0f),
      FadeDepth(0u, kDepthScale, kDepthOffset), SwingAmplitude(0u, kRotationScale, 0.0f) {
  D3DXMatrixIdentity(&m_rotation);
}

DS_RadialRays::~DS_RadialRays() = default;

template <class IO>
void DS_RadialRays::Fields(IO& io, int version) {
  io.UInt(RayLength);
  io.UInt(RayWidth);
  io.UInt(RayCount);
  io.Long(TextureIndex);
  io.Long(Irregular);
  io.UInt(Seed);
  io.Field(Variation);
  io.Field(RotationSpeed);
  io.Long(RotationMode);
  io.Field(FadeDepth);
  io.Field(SwingAmplitude);
}

void DS_RadialRays::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_RadialRays", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_StaticGenerator::Write(stream);
}

void DS_RadialRays::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_StaticGenerator::ReadSection(handle);
}

DS_ParticleGenerator* DS_RadialRays::Clone() const { return new DS_RadialRays(*this); }

void DS_RadialRays::Update(float t, DS_ParticlesObj* object) {
  RotationSpeed.Advance(t);
  const float turned = RotationSpeed.GetAccumulatedTime();
  float angle = turned;
  if (RotationMode.GetValue() == kTurnBackward) {
    angle = -turned;
  } else if (RotationMode.GetValue() == kSwing) {
    angle = std::sin(turned) * SwingAmplitude.GetResult();
  }
  D3DXMatrixRotationZ(&m_rotation, angle);
}

void DS_RadialRays::Render(DS_ABRender* layer, DS_ParticlesObj* object) {
  BuildRayQuads(object);
  // An index past the generator's pictures gives no texture, and the fan is not drawn.
  DrawParticles(layer, GetCurrentTexture(TextureIndex.GetValue()), object);
}

void DS_RadialRays::PrepareResources(DS_ParticlesObj* object) {
  DS_StaticGenerator::PrepareResources(object);
  AcquireTarget();
  if (object) object->SetSlotCount(1);
  BuildRayQuads(object);
}

void DS_RadialRays::BuildRayQuads(DS_ParticlesObj* object) {
  // Drawn in every case, so the shared sequence moves on by one either way.
  const int saved = std::rand();
  const bool irregular = Irregular.GetValue() != 0;
  if (irregular) std::srand(Seed.GetValue());
  if (object) {
    // A slot holds at most DS_ParticlesObj::kMaxSlotQuads rays; a larger count from the
    // document makes a fan of that many. No rays: no buffer, nothing to lock.
    const unsigned count = object->EnsureQuadCapacity(0, RayCount.GetValue());
    DX_V::PCT* vertices = count ? object->LockQuads(0) : nullptr;
    if (vertices) {
      WriteRays(vertices, count);
      object->UnlockQuads(0);
    }
  }
  if (irregular) std::srand(static_cast<unsigned>(saved));
}

void DS_RadialRays::WriteRays(DX_V::PCT* vertices, unsigned count) {
  float length = static_cast<float>(RayLength.GetValue());
  float width = static_cast<float>(RayWidth.GetValue());
  int alpha = colour1.GetAlpha();
  const float depth = FadeDepth.GetResult();
  const float f = TimeLine().GetAlpha() * (1.0f - depth) + depth;
  switch (TimeLine().timeMode.GetValue()) {
    case kFadeSize:
      length *= f;
      width *= f;
      break;
    case kFadeAlpha:
      // A depth far outside 0..1 from the document must not overflow the conversion.
      alpha = SaturateToInt(static_cast<double>(static_cast<float>(alpha) * f));
      break;
    default:
      break;
  }
  const D3DCOLOR colour = PackParticleColour(colour1.GetValue(), static_cast<float>(alpha) / 255.0f);

  const D3DXVECTOR3 start(length, 0.0f, 0.0f);
  D3DXVECTOR3 ray;
  D3DXVec3TransformCoord(&ray, &start, &m_rotation);
  const float step = kTwoPi / static_cast<float>(count);
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, step);
  const bool irregular = Irregular.GetValue() != 0;
  const float v = Variation.GetResult();
  const D3DXVECTOR3& centre = position.GetValue();

  for (unsigned i = 0; i < count; ++i) {
    const float e = irregular ? v + (1.0f - v) * RandomFloat(0.0f, 1.0f) : 1.0f;
    ParticleQuad quad = RayQuad(centre, ray * e, length * e, width * e, width * e);
    SetQuadUV(quad, kUVLow, kUVHigh, kUVLow, kUVHigh);
    SetQuadColor(quad, colour);
    if (irregular) D3DXMatrixRotationZ(&turn, step * (v + (2.0f - 2.0f * v) * RandomFloat(0.0f, 1.0f)));
    D3DXVECTOR3 next;
    D3DXVec3TransformCoord(&next, &ray, &turn);
    ray = next;
    WriteQuad(vertices, i, quad);
  }
}
