#include "objects/particles/Smoke.h"

#include <cstdlib>

#include "device/DeviceGlobals.h"
#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/particles/ParticleQuads.h"
#include "objects/particles/ParticlesObj.h"
#include "render/ABRender.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_Smoke> s_smokeReader(L"DS_Smoke");

const float kPi = 3.1415927f;

// A puff fades in at this many times the spawn opacity per second, while its timer is
// above this fraction of its life; it fades out at kFadeOutRate per second.
const float kFadeInFactor = 5.0f;
const float kFadeInPart = 0.8f;
const float kFadeOutRate = 1.0f;
// Spin rates are drawn from -kSpinRange/2 to +kSpinRange/2 degrees per second.
const float kSpinRange = 100.0f;
const float kFullTurn = 360.0f;

D3DXVECTOR3 TurnedAboutZ(const D3DXVECTOR3& v, float degrees) {
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, degrees * kPi / 180.0f);
  D3DXVECTOR3 turned;
  D3DXVec3TransformNormal(&turned, &v, &turn);
  return turned;
}

}  // namespace

void DrawSlotWithStageTexture(DS_ABRender* layer, DS_ParticlesObj* object, IDirect3DTexture9* texture,
                              ID3DXEffect* effect) {
  if (!layer || !object || !g_CurrentDevice) return;
  const DS_IndexedMesh<DX_V::PCT>* slot = object->GetSlot(0);
  if (!slot || (!texture && !effect)) return;
  g_CurrentDevice->SetTexture(0, texture);
  layer->DrawIndexedPCT(*slot, effect, static_cast<int>(2 * object->GetQuadCount(0)), 1.0f);
}

DS_Smoke::DS_Smoke() : Wind(0u, kWindScale, kWindOffset) {}

DS_Smoke::~DS_Smoke() = default;

template <class IO>
void DS_Smoke::Fields(IO& io, int version) {
  io.Field(Wind);
  DS_ParticleOriginGenerator::Fields(io, version);
}

void DS_Smoke::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_Smoke", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_TexParticleGenerator::Write(stream);
}

void DS_Smoke::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_TexParticleGenerator::ReadSection(handle);
}

DS_ParticleGenerator* DS_Smoke::Clone() const { return new DS_Smoke(*this); }

DS_ParticleOrigin* DS_Smoke::CreateOrigin() {
  DS_ParticleOrigin* puff = DS_ParticleOriginGenerator::CreateOrigin();
  if (!puff) return nullptr;
  const float life = originLife.GetResult();
  puff->acceleration = D3DXVECTOR3(Wind.GetResult(), 0.0f, 0.0f);
  puff->size = kPuffStartSize;
  puff->alpha = 0.0f;

  puff->AddCallback(OriginMoveCallback);
  // A puff without a life dies on its first step; it must not grow by 1 / 0 before.
  puff->AddCallback(OriginGrowCallback, {life > 0.0f ? 1.0f / life : 0.0f});
  puff->AddCallback(OriginFadeInCallback, {kFadeInFactor * TimeLine().GetAlpha(), kFadeInPart * life});
  puff->AddCallback(OriginFadeOutCallback, {kFadeOutRate, life});
  // Spin rate first, then the start angle: two draws from the shared sequence.
  puff->AddCallback(OriginRotateCallback, {RandomFloat(0.0f, 1.0f) * kSpinRange - kSpinRange / 2.0f});
  const float angle = RandomFloat(0.0f, 1.0f) * kFullTurn;
  puff->right = TurnedAboutZ(D3DXVECTOR3(1.0f, 0.0f, 0.0f), angle);
  puff->up = TurnedAboutZ(D3DXVECTOR3(0.0f, 1.0f, 0.0f), angle);
  return puff;
}

void DS_Smoke::Update(float t, DS_ParticlesObj* object) {
  DS_ParticleOriginGenerator::Update(t, object);
  WritePuffQuads(object);
}

void DS_Smoke::WritePuffQuads(DS_ParticlesObj* object) {
  if (!object) return;
  if (timedOrigins.empty()) {
    object->EnsureQuadCapacity(0, 0);
    return;
  }
  // The origin list is bounded by what one slot draws; the slot may still hold fewer
  // when its buffers could not be made.
  const unsigned count = object->EnsureQuadCapacity(0, static_cast<unsigned>(timedOrigins.size()));
  DX_V::PCT* vertices = count ? object->LockQuads(0) : nullptr;
  if (!vertices) return;
  const float pixels = static_cast<float>(originSize.GetValue());
  const float opacity = colour1.GetAlpha() / 255.0f;
  unsigned k = 0;
  for (const std::unique_ptr<DS_ParticleOrigin>& puff : timedOrigins) {
    if (k >= count) break;
    ParticleQuad quad = QuadFromAxes(puff->position, puff->right, puff->up, pixels * puff->size);
    SetQuadColor(quad, PackParticleColour(colour1.GetValue(), puff->alpha * opacity));
    WriteQuad(vertices, k++, quad);
  }
  object->UnlockQuads(0);
}

void DS_Smoke::Render(DS_ABRender* layer, DS_ParticlesObj* object) {
  DrawSlotWithStageTexture(layer, object, GetCurrentTexture(0), GetEffect());
}

void DS_Smoke::PrepareResources(DS_ParticlesObj* object) {
  DS_StaticGenerator::PrepareResources(object);
  if (object) object->SetSlotCount(1);
  for (int i = 0; i < kPrewarmSteps; ++i) SpawnOrigins(kPrewarmStep);
}
