#include "objects/particles/FallingStars.h"

#include <algorithm>
#include <cstdlib>

#include "device/DeviceGlobals.h"
#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/particles/Particle.h"
#include "objects/particles/ParticleQuads.h"
#include "objects/particles/ParticlesObj.h"
#include "render/ABRender.h"
#include "render/EffectNames.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"

namespace {

IOF_Virtual_ReaderT<DS_FallingStars> s_fallingStarsReader(L"DS_FallingStars");

const float kTwoPi = 2.0f * 3.1415927f;

// Stored units of the star settings.
const float kStarSpeedScale = 8.0f;
const float kStarRateScale = 0.02f;
const float kGlowScale = 0.04f;
const float kGlowOffset = 1.0f;
// Units of the base settings for the trails: lifetime in hundredths of a second,
// emission rate in two particles per second, size factor in hundredths.
const float kTrailLifetimeScale = 0.01f;
const float kTrailRateScale = 2.0f;
const float kTrailSizeScale = 0.01f;

const D3DCOLOR kClearColor = 0x00000000;

}  // namespace

DS_FallingStars::DS_FallingStars()
    : starSpeed(0u, kStarSpeedScale, 0.0f), starRate(0u, kStarRateScale, 0.0f), glowFactor(0u, kGlowScale, kGlowOffset) {
  lifetime.SetScale(kTrailLifetimeScale, 0.0f);
  emissionRate.SetScale(kTrailRateScale, 0.0f);
  sizeFactor.SetScale(kTrailSizeScale, 0.0f);
}

DS_FallingStars::~DS_FallingStars() = default;

template <class IO>
void DS_FallingStars::Fields(IO& io, int version) {
  io.Field(starSpeed);
  // Stored directly when read: the run-time clone recomputes the rate and the
  // direction's axes.
  io.UInt(starRate);
  io.Field(direction);
  io.UInt(starSize);
  io.Field(glowFactor);
  io.Field(showTime);
  io.Field(fadeInTime);
  io.Field(fadeOutTime);
  region.Fields(io);
}

void DS_FallingStars::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_FallingStars", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  // The record holds no region level of its own: the textured section follows.
  DS_TexParticleGenerator::Write(stream);
}

void DS_FallingStars::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_TexParticleGenerator::ReadSection(handle);
}

DS_ParticleGenerator* DS_FallingStars::Clone() const { return new DS_FallingStars(*this); }

void DS_FallingStars::PrepareResources(DS_ParticlesObj* object) {
  DS_ParticleRctRgnGenerator::PrepareResources(object);
  AcquireTarget();
  origins.clear();
  if (object) object->SetSlotCount(kSlotCount);
}

void DS_FallingStars::Update(float t, DS_ParticlesObj* object) {
  DS_ParticleGenerator::Update(t, object);
  SpawnStars();
  BuildQuads(object);
}

void DS_FallingStars::SpawnStars() {
  const float now = clock.GetAccumulatedTime();
  EmitTrail(now);
  const int n = starRate.TakeRandomCount(now);
  if (n <= 0) return;

  const float fadeIn = fadeInTime.GetSeconds();
  const float show = showTime.GetSeconds();
  const float fadeOut = fadeOutTime.GetSeconds();
  const float speed = starSpeed.GetResult();
  const D3DXVECTOR4& x = direction.GetXAxis();
  // Screen y grows downwards: the angle counts counter-clockwise on the screen.
  const D3DXVECTOR3 velocity = D3DXVECTOR3(x.x, -x.y, x.z) * speed;
  for (int i = 0; i < n; ++i) {
    // No more stars than one buffer slot can draw; a rate from the document may ask
    // for far more.
    if (origins.size() >= DS_ParticlesObj::kMaxSlotQuads) break;
    DS_Particle star(region.RandomPoint());
    star.alpha = 0.0f;
    star.angle = RandomFloat(0.0f, kTwoPi);
    star.AddProcess(new PAgeConst(show + fadeIn + fadeOut));
    star.AddProcess(new PKinetic(velocity, D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
    star.AddProcess(new PFade(DS_Particle::kAlpha, 0.0f, fadeIn, 1.0f));
    const float turn = (std::rand() % 2) ? -1.0f : 1.0f;
    star.AddProcess(new PSpin(speed * kSpinPerSpeed * turn));
    star.AddProcess(new PFade(DS_Particle::kAlpha, fadeIn + show, fadeIn + show + fadeOut, -1.0f));
    origins.push_back(std::move(star));
  }
}

void DS_FallingStars::BuildQuads(DS_ParticlesObj* object) {
  if (!object || object->GetSlotCount() < kSlotCount) return;
  const float alpha = TimeLine().GetAlpha();
  const float size = static_cast<float>(starSize.GetValue());
  const float glow = glowFactor.GetResult();
  const float factor = sizeFactor.GetResult();

  // Slots written together get the same count; the smaller bounds both if one slot
  // could not be made as large as asked.
  const unsigned stars =
      std::min(object->EnsureQuadCapacity(kStarCores, unsigned(origins.size())),
               object->EnsureQuadCapacity(kStarGlows, unsigned(origins.size())));
  const unsigned trails =
      std::min(object->EnsureQuadCapacity(kTrailCores, unsigned(particles.size())),
               object->EnsureQuadCapacity(kTrailGlows, unsigned(particles.size())));

  DX_V::PCT* starCores = object->LockQuads(kStarCores);
  DX_V::PCT* starGlows = object->LockQuads(kStarGlows);
  DX_V::PCT* trailCores = object->LockQuads(kTrailCores);
  DX_V::PCT* trailGlows = object->LockQuads(kTrailGlows);

  if (starCores && starGlows) {
    unsigned k = 0;
    for (const DS_Particle& p : origins) {
      if (k >= stars) break;
      WriteRotatedParticleQuad(p, colour1, starCores, k, size, size, alpha);
      WriteParticleQuad(p, colour2, starGlows, k, glow * size, alpha);
      ++k;
    }
  }
  if (trailCores && trailGlows) {
    unsigned k = 0;
    for (const DS_Particle& p : particles) {
      if (k >= trails) break;
      WriteParticleQuad(p, colour1, trailCores, k, size * factor, alpha);
      WriteParticleQuad(p, colour2, trailGlows, k, glow * size * factor, alpha);
      ++k;
    }
  }
  if (starCores) object->UnlockQuads(kStarCores);
  if (starGlows) object->UnlockQuads(kStarGlows);
  if (trailCores) object->UnlockQuads(kTrailCores);
  if (trailGlows) object->UnlockQuads(kTrailGlows);
}

void DS_FallingStars::Render(DS_ABRender* layer, DS_ParticlesObj* object) {
  if (!layer || !object || !g_CurrentDevice || !effect) return;
  if (!target) AcquireTarget();
  if (!target || !target->IsValid() || object->GetSlotCount() < kSlotCount) return;

  // One slot with the current picture of its texture set; a layer whose picture is
  // missing is left out.
  auto drawSlot = [&](int slot) {
    IDirect3DTexture9* texture = GetCurrentTexture(slot);
    if (!texture) return;
    effect->SetTexture(kParamTexture1, texture);
    layer->DrawIndexedPCT(*object->GetSlot(slot), effect.Get(), static_cast<int>(2 * object->GetQuadCount(slot)),
                          1.0f);
  };

  effect->SetTechnique(kTechniqueBlendMaskMax);
  target->BeginRender();
  layer->BeginTarget(*target, DS_ViewContext::kFitRenderTarget);
  g_CurrentDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kClearColor, 1.0f, 0);
  drawSlot(kStarCores);
  drawSlot(kTrailCores);
  // The cores stay in the texture just drawn; the glows go into the other one.
  DS_ComHolder<IDirect3DTexture9> cores = target->Flip(kClearColor);
  drawSlot(kTrailGlows);
  drawSlot(kStarGlows);
  target->EndRender();
  layer->EndTarget();

  effect->SetTechnique(kTechniqueMain);
  effect->SetTexture(kParamTexture1, layer->GetSceneTexture().Get());
  effect->SetTexture(kParamTexture2, target->GetCurrent().Get());
  effect->SetTexture(kParamTexture3, cores.Get());
  layer->DrawPT(layer->GetLayerQuad(), effect.Get());
}
