#include "objects/particles/Fireworks.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "device/DeviceGlobals.h"
#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/particles/Particle.h"
#include "objects/particles/ParticleMath.h"
#include "objects/particles/ParticleQuads.h"
#include "objects/particles/ParticlesObj.h"
#include "render/ABRender.h"
#include "render/EffectNames.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"

namespace {

IOF_Virtual_ReaderT<DS_FireworkSimple> s_fireworkSimpleReader(L"DS_FireworkSimple");

// Stored units of the firework settings.
const float kRocketSpeedScale = 4.0f;
const float kGlowScale = 0.04f;
const float kGlowOffset = 1.0f;
const float kGravityScale = 4.0f;
// Units of the base settings for the sparks: lifetime in hundredths of a second,
// emission rate 1 + 2 x stored sparks per second and rocket, size factor in tenths.
const float kSparkLifetimeScale = 0.01f;
const float kSparkRateScale = 2.0f;
const float kSparkRateOffset = 1.0f;
const float kSparkSizeScale = 0.1f;

const D3DCOLOR kClearColor = 0x00000000;

}  // namespace

// ---- DS_Firework ----

DS_Firework::DS_Firework()
    : rocketSpeed(0u, kRocketSpeedScale, 0.0f), glowFactor(0u, kGlowScale, kGlowOffset),
      gravity(0u, kGravityScale, 0.0f) {
  lifetime.SetScale(kSparkLifetimeScale, 0.0f);
  emissionRate.SetScale(kSparkRateScale, kSparkRateOffset);
  sizeFactor.SetScale(kSparkSizeScale, 0.0f);
  // A visible period always lasts the shown range's lower value: the rockets of a
  // launch burn for exactly the cycle they go up in.
  TimeLine().shown.random = false;
}

DS_Firework::~DS_Firework() = default;

float DS_Firework::LifeRate(float seconds) {
  if (!(seconds > 0.0f)) return FLT_MAX;
  const float rate = 1.0f / seconds;
  return std::isfinite(rate) ? rate : FLT_MAX;
}

template <class IO>
void DS_Firework::Fields(IO& io, int version) {
  io.UInt(rocketCount);
  io.UInt(particleSize);
  io.Field(rocketSpeed);
  io.Field(glowFactor);
  DS_ParticleOriginGenerator::Fields(io, version);
}

void DS_Firework::PrepareResources(DS_ParticlesObj* object) {
  AcquireTarget();
  DS_StaticGenerator::PrepareResources(object);
  origins.clear();
  if (object) object->SetSlotCount(kSlotCount);
}

void DS_Firework::Reset() {
  DS_ParticleOriginGenerator::Reset();
  launchArmed = true;
}

void DS_Firework::Update(float t, DS_ParticlesObj* object) {
  originClock.Advance(t);
  Launch(originClock.GetStep(), originClock.GetAccumulatedTime());
  BuildQuads(object);
}

void DS_Firework::Launch(float dt, float T) {
  RunProcesses(origins, dt);
  RunProcesses(particles, dt);
  EmitTrail(T);

  DS_TimeLineControl& timeLine = TimeLine();
  if (timeLine.mode.GetValue() != DS_TimeLineControl::kAlwaysVisible) {
    const int phase = timeLine.GetPhase();
    if (launchArmed && phase != kPhaseInvisible) {
      const float burnTime = timeLine.GetCycleLength();
      // The count comes from the document: no more rockets than one buffer slot can
      // draw, however many it asks for.
      const unsigned count = rocketCount.GetValue();
      for (unsigned i = 0; i < count && origins.size() < DS_ParticlesObj::kMaxSlotQuads; ++i) {
        DS_Particle rocket(position.GetValue());
        InitRocket(rocket, burnTime);
        origins.push_back(std::move(rocket));
      }
      launchArmed = false;
    }
    if (phase == kPhaseInvisible) launchArmed = true;
  } else if (nextLaunchTime < T) {
    if (origins.size() < DS_ParticlesObj::kMaxSlotQuads) {
      DS_Particle rocket(position.GetValue());
      InitRocket(rocket, kFreeBurnTime);
      origins.push_back(std::move(rocket));
    }
    // A count of 0 makes the interval infinite: the first rocket is the only one.
    nextLaunchTime = T + kFreeBurnTime / static_cast<float>(rocketCount.GetValue());
  }
}

void DS_Firework::BuildQuads(DS_ParticlesObj* object) {
  if (!object || object->GetSlotCount() < kSlotCount) return;
  const unsigned wanted = unsigned(origins.size() + particles.size());
  // Both slots get the same count; the smaller bounds both if one could not be made
  // as large as asked.
  unsigned count = object->EnsureQuadCapacity(kCores, wanted);
  const unsigned glowCount = object->EnsureQuadCapacity(kGlows, wanted);
  if (glowCount != count) {
    count = count < glowCount ? count : glowCount;
    object->EnsureQuadCapacity(kCores, count);
    object->EnsureQuadCapacity(kGlows, count);
  }

  DX_V::PCT* cores = object->LockQuads(kCores);
  DX_V::PCT* glows = object->LockQuads(kGlows);
  if (cores && glows) {
    const float alpha = TimeLine().GetAlpha();
    const float size = static_cast<float>(particleSize.GetValue());
    const float glowSize = glowFactor.GetResult() * size;
    unsigned k = 0;
    // A rocket shows at the item's current opacity; a spark took it in at birth.
    for (const DS_Particle& rocket : origins) {
      if (k >= count) break;
      WriteParticleQuad(rocket, colour1, cores, k, size, alpha);
      WriteParticleQuad(rocket, colour2, glows, k, glowSize, alpha);
      ++k;
    }
    for (const DS_Particle& spark : particles) {
      if (k >= count) break;
      WriteParticleQuad(spark, colour1, cores, k, size, 1.0f);
      WriteParticleQuad(spark, colour2, glows, k, glowSize, 1.0f);
      ++k;
    }
  }
  if (cores) object->UnlockQuads(kCores);
  if (glows) object->UnlockQuads(kGlows);
}

void DS_Firework::Render(DS_ABRender* layer, DS_ParticlesObj* object) {
  if (!layer || !object || !g_CurrentDevice || !effect) return;
  if (!target) AcquireTarget();
  if (!target || !target->IsValid() || object->GetSlotCount() < kSlotCount) return;

  // Both slots use the picture of texture set 0; without one the masks stay empty
  // rather than showing untextured squares.
  IDirect3DTexture9* texture = GetCurrentTexture(0);
  auto drawSlot = [&](int slot) {
    if (!texture) return;
    layer->DrawIndexedPCT(*object->GetSlot(slot), effect.Get(), static_cast<int>(2 * object->GetQuadCount(slot)),
                          1.0f);
  };

  effect->SetTechnique(kTechniqueBlendMaskMax);
  effect->SetTexture(kParamTexture1, texture);
  target->BeginRender();
  layer->BeginTarget(*target, DS_ViewContext::kFitRenderTarget);
  g_CurrentDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kClearColor, 1.0f, 0);
  drawSlot(kCores);
  // The cores stay in the texture just drawn; the glows go into the other one.
  DS_ComHolder<IDirect3DTexture9> cores = target->Flip(kClearColor);
  drawSlot(kGlows);
  target->EndRender();
  layer->EndTarget();

  effect->SetTechnique(kTechniqueMain);
  effect->SetTexture(kParamTexture1, layer->GetSceneTexture().Get());
  effect->SetTexture(kParamTexture2, target->GetCurrent().Get());
  effect->SetTexture(kParamTexture3, cores.Get());
  layer->DrawPT(layer->GetLayerQuad(), effect.Get());
}

// ---- DS_FireworkSimple ----

DS_FireworkSimple::~DS_FireworkSimple() = default;

void DS_FireworkSimple::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_FireworkSimple", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_TexParticleGenerator::Write(stream);
}

void DS_FireworkSimple::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_TexParticleGenerator::ReadSection(handle);
}

DS_ParticleGenerator* DS_FireworkSimple::Clone() const { return new DS_FireworkSimple(*this); }

void DS_FireworkSimple::InitRocket(DS_Particle& rocket, float burnTime) {
  rocket.life = 0.0f;
  rocket.size = 1.0f;
  rocket.AddProcess(new PLifeConst(LifeRate(burnTime)));
  rocket.AddProcess(new PKinetic(RandomDirection3D(rocketSpeed.GetResult()),
                                 D3DXVECTOR3(0.0f, gravity.GetResult(), 0.0f)));
}

void DS_FireworkSimple::InitParticle(DS_Particle& spark, const DS_Particle&) {
  spark.alpha = TimeLine().GetAlpha();
  const float k = LifeRate(lifetime.GetResult());
  spark.AddProcess(new PLifeConst(k));
  spark.AddProcess(new PSteady(DS_Particle::kAlpha, 0.0f, 1.0f, -k));
  spark.AddProcess(new PSteady(DS_Particle::kSize, 0.0f, 1.0f, sizeFactor.GetResult() * k));
  const float speedPick = RandomFloat(0.0f, speed.GetResult());
  spark.AddProcess(new PKinetic(RandomDirection3D(speedPick), D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
}
