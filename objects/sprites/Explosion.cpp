#include "objects/sprites/Explosion.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/Utilities.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/EffectNames.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_ExplosionConstructor> s_explosionReader(L"DS_ExplosionConstructor");

// Stored defaults and their scales.
const unsigned int kDefaultNoiseA = 21;
const float kNoiseAScale = -0.01f;
const float kNoiseAOffset = 1.0f;
const unsigned int kDefaultNoiseB = 15;
const unsigned int kDefaultNoiseC = 42;
const float kNoiseScale = 0.01f;
const unsigned int kDefaultDriftSpeed = 50;
const float kDriftSpeedScale = 0.005f;

// The legacy durations are thousandths of a second; the time line keeps
// hundredths.
const unsigned int kLegacyDurationDivisor = 10;
enum LegacyDuration { kLegacyFadeIn, kLegacyShown, kLegacyFadeOut, kLegacyHidden1, kLegacyHidden2 };

// The alpha reaches 1 within the first fifth of the fade-in, while the burst
// grows from a quarter of its size to the whole.
const float kFadeInAlphaRate = 5.0f;
const float kFadeInGrowth = 0.75f;
const float kFadeInStartSize = 0.25f;

const char* const kParamGradient = "GradientTex";
const char* const kParamNoise = "NoiseTex";
const char* const kParamColour1 = "color1";
const char* const kParamColour2 = "color2";
const char* const kParamNoiseShift = "noise_shift";
const char* const kParamNoiseParams = "noise_params";
const char* const kParamTime = "time";
const char* const kParamFadeOut = "phase_3rd";
const char* const kParamFadeIn = "phase_1st";

// (R, G, B) / 255 of a stored colour, red in the low byte.
void ColourComponents(unsigned long stored, float rgb[3]) {
  for (int i = 0; i < 3; ++i) rgb[i] = static_cast<float>((stored >> (8 * i)) & 0xFFu) / 255.0f;
}

}  // namespace

DS_ExplosionConstructor::DS_ExplosionConstructor()
    : noiseA(kDefaultNoiseA, kNoiseAScale, kNoiseAOffset),
      noiseB(kDefaultNoiseB, kNoiseScale, 0.0f),
      noiseC(kDefaultNoiseC, kNoiseScale, 0.0f),
      driftDirection(0u),
      driftClock(kDefaultDriftSpeed, kDriftSpeedScale, 0.0f),
      secondColour(0) {
  spriteSize.StoreValue(kDefaultSpriteSize);
  speed.StoreValue(kControlSpeed);
}

template <class IO>
void DS_ExplosionConstructor::Fields(IO& io, int version, LegacyDurations& durations) {
  io.Field(noiseA);
  io.Field(noiseB);
  io.Field(noiseC);
  io.Field(driftDirection);
  io.Field(driftClock);
  if (version < kFirstVersionWithoutDurations) {
    for (unsigned int& duration : durations) io.UInt(duration);
  }
  io.UInt(seed);
  io.Int(randomFlag);
  io.Colour(secondColour);
}

void DS_ExplosionConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_ExplosionConstructor", kRecordVersion);
  LegacyDurations none = {};
  WriteFields(stream, *this, kRecordVersion, none);
  DS_StatBaseFXCtrl::Write(stream);
}

void DS_ExplosionConstructor::Read(DS_IOF_Handle& handle, int version) {
  LegacyDurations durations = {};
  ReadFields(*handle, *this, version, durations);
  DS_StatBaseFXCtrl::ReadSection(handle);
  if (version >= kFirstVersionWithoutDurations || handle->Failed()) return;

  // The old record kept the appearance cycle itself, ten times finer. The two
  // hidden parts are added in 64 bits: their sum must not wrap.
  DS_TimeLineControl& timeLine = TimeLine();
  const uint64_t hiddenSum = uint64_t(durations[kLegacyHidden1]) + durations[kLegacyHidden2];
  const unsigned int hidden = static_cast<unsigned int>(hiddenSum / kLegacyDurationDivisor);
  const unsigned int shown = durations[kLegacyShown] / kLegacyDurationDivisor;
  timeLine.hidden.lo.SetValue(hidden);
  timeLine.hidden.hi.SetValue(hidden);
  timeLine.shown.lo.SetValue(shown);
  timeLine.shown.hi.SetValue(shown);
  timeLine.fadeIn.SetValue(durations[kLegacyFadeIn] / kLegacyDurationDivisor);
  timeLine.fadeOut.SetValue(durations[kLegacyFadeOut] / kLegacyDurationDivisor);
  timeLine.mode.SetValue(DS_TimeLineControl::kCycle);
}

DS_ParticleSystemCtrl* DS_ExplosionConstructor::Clone() const { return new DS_ExplosionConstructor(*this); }

void DS_ExplosionConstructor::RenewNoise() {
  if (randomFlag.GetValue() != 0) {
    const float x = RandomFloat(0.0f, 1.0f);
    const float y = RandomFloat(0.0f, 1.0f);
    m_nextOffset = D3DXVECTOR2(x, y);
    return;
  }
  // Replaying the sequence from the seed makes the k-th renewal give the k-th
  // pair whatever other objects drew in between.
  std::srand(seed.GetValue());
  for (int i = 0; i < m_drawCount; ++i) {
    const float x = RandomFloat(0.0f, 1.0f);
    const float y = RandomFloat(0.0f, 1.0f);
    m_nextOffset = D3DXVECTOR2(x, y);
  }
  ++m_drawCount;
}

void DS_ExplosionConstructor::RestartNoise() {
  m_currentOffset = D3DXVECTOR2(0.0f, 0.0f);
  m_nextOffset = D3DXVECTOR2(0.0f, 0.0f);
  m_drawCount = 1;
  driftClock.ResetClock();
}

void DS_ExplosionConstructor::Reset() { RestartNoise(); }

void DS_ExplosionConstructor::Prepare() {
  DS_FXParticleSystemCtrl::Prepare();
  m_gradientTexture.Set(CurrentFrameOf(mainImage));
  m_noiseTexture.Set(CurrentFrameOf(secondImage));
  RenewNoise();
}

void DS_ExplosionConstructor::UpdateParticle(DS_SpriteParticle& sprite) {
  driftClock.Advance(GetAccumulatedTime());
  const DS_TimeLineControl& timeLine = TimeLine();
  const int phase = timeLine.GetPhase();
  const bool invisible = phase == kPhaseInvisible;
  // Each appearance starts the noise and the drift afresh.
  if (invisible) RestartNoise();
  sprite.position = position.GetValue();

  float growth = 1.0f;
  if (phase == kPhaseFadingIn) {
    const float opacity = timeLine.GetAlpha();
    const float alpha = kFadeInAlphaRate * opacity;
    sprite.alpha = alpha < 1.0f ? alpha : 1.0f;
    sprite.packedColour = PackColor(*this, sprite);
    growth = opacity * kFadeInGrowth + kFadeInStartSize;
  }
  const float half = invisible ? 0.0f : static_cast<float>(spriteSize.GetValue() / 2u) * growth;
  sprite.halfWidth = half;
  sprite.halfHeight = half;
}

bool DS_ExplosionConstructor::SetupEffect(DS_ABRender* layer, ParticleGeomArray* geometry) {
  ID3DXEffect* effect = GetEffect();
  if (!effect) return false;

  float colour1[3];
  float colour2[3];
  ColourComponents(colour.GetValue(), colour1);
  ColourComponents(secondColour.GetValue(), colour2);

  const float t = GetAccumulatedTime();
  float whole = 0.0f;
  const float fraction = std::modf(t, &whole);
  if (m_lastWholeSecond < whole) {
    m_currentOffset = m_nextOffset;
    RenewNoise();
    m_lastWholeSecond = whole;
  }

  const D3DXVECTOR4& axis = driftDirection.GetXAxis();
  const float driftTime = driftClock.GetAccumulatedTime();
  const float driftX = -axis.x * driftTime;
  const float driftY = -axis.y * driftTime;

  const DS_TimeLineControl& timeLine = TimeLine();
  const int phase = timeLine.GetPhase();
  const float opacity = timeLine.GetAlpha();
  const float fadeOut = phase == kPhaseFadingOut ? 1.0f - opacity : 0.0f;
  const float fadeIn = phase == kPhaseFadingIn ? (1.0f - opacity) * 2.0f : 0.0f;

  const float noiseShift[4] = {m_currentOffset.x + driftX, m_currentOffset.y + driftY, m_nextOffset.x + driftX,
                               m_nextOffset.y + driftY};
  const float noiseParams[3] = {noiseA.GetResult(), noiseB.GetResult(), noiseC.GetResult()};
  const float time[2] = {fraction, 1.0f - fraction};
  const float fadeOutPair[2] = {fadeOut, 1.0f - fadeOut};

  effect->SetTechnique(kTechniqueMain);
  effect->SetTexture(kParamGradient, m_gradientTexture.Get());
  effect->SetTexture(kParamNoise, m_noiseTexture.Get());
  effect->SetFloatArray(kParamColour1, colour1, 3);
  effect->SetFloatArray(kParamColour2, colour2, 3);
  effect->SetFloatArray(kParamNoiseShift, noiseShift, 4);
  effect->SetFloatArray(kParamNoiseParams, noiseParams, 3);
  effect->SetFloatArray(kParamTime, time, 2);
  effect->SetFloatArray(kParamFadeOut, fadeOutPair, 2);
  effect->SetFloat(kParamFadeIn, fadeIn);
  return true;
}
