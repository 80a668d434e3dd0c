#include "objects/brushes/WaveBrushes.h"

#include <cmath>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "objects/particles/ParticleMath.h"
#include "render/ABRender.h"
#include "render/EffectNames.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_WavesFX> s_wavesReader(L"DS_WavesFX");
IOF_Virtual_ReaderT<DS_LightFX> s_lightReader(L"DS_LightFX");
IOF_Virtual_ReaderT<DS_LightFX_II> s_light2Reader(L"DS_LightFX_II");

// Pi as the single-precision constant of the angle conversion.
const float kPi = 3.1415927f;
// The effects' time runs at this fraction of the brush clock.
const float kEffectTimeScale = 0.08f;
// The pulse is sin(0.2 T); the flicker reads noise at 10 T.
const float kPulseRate = 0.2f;
const double kFlickerRate = 10.0;
const double kFlickerNoiseScale = 75.0;
const double kFlickerPersistence = 0.5;
const int kFlickerOctaves = 2;

const char kParamDirection[] = "direction";
const char kParamDirectionN[] = "direction_n";
const char kParamFrequency[] = "frequency";
const char kParamAmplitude[] = "amplitude";
const char kParamTime[] = "time";
const char kParamMultiplier[] = "multiplier";
const char kParamBlendColor[] = "BlendColor";

float Pulse(float t) { return (std::sin(kPulseRate * t) + 1.0f) * 0.5f; }
// On or off: strictly above half of the pulse.
float Blink(float t) { return Pulse(t) > 0.5f ? 1.0f : 0.0f; }
float Flicker(float t) {
  return float((OctaveNoise1D(kFlickerRate * t, kFlickerNoiseScale, kFlickerPersistence, kFlickerOctaves) + 1.0) *
               0.5);
}

// A wave length of 0 has no frequency rather than an infinite one.
float Inverse(float period) { return period != 0.0f ? 1.0f / period : 0.0f; }

}  // namespace

// ---- DS_WavesFX ----

DS_WavesFX::DS_WavesFX()
    : amplitude(50u, 0.00025f, 0.0f), period(50u, 0.0005f, 0.001f), angle(0u), waveMode(0) {
  speed.SetValue(25u);
  effectLink.StoreKey(DS_HLSLEffectFile(kDefaultEffectId, kEffectModule).GetKey());
  BindDirection();
}

DS_WavesFX::DS_WavesFX(const DS_WavesFX& other)
    : DS_FX_Constructor(other),
      amplitude(other.amplitude),
      period(other.period),
      angle(other.angle),
      waveMode(other.waveMode),
      m_direction(other.m_direction),
      m_normal(other.m_normal) {
  BindDirection();
}

void DS_WavesFX::BindDirection() {
  m_binders.SetTarget(this, false);
  m_binders.BindChange<DS_WavesFX>(angle, this, &DS_WavesFX::UpdateDirection);
  m_binders.BindChange<DS_WavesFX>(waveMode, this, &DS_WavesFX::UpdateDirection);
  UpdateDirection();
}

void DS_WavesFX::UpdateDirection() {
  // Taken in floating point: an angle above 360 turns the other way instead of
  // wrapping around as an unsigned difference.
  const float b = float((360.0 - double(angle.GetValue())) * double(kPi) / 180.0);
  D3DXMATRIX rotation;
  D3DXMatrixRotationZ(&rotation, b);
  const D3DXVECTOR4 unitX(1.0f, 0.0f, 0.0f, 0.0f);
  const D3DXVECTOR4 second = waveMode.GetValue() == 0 ? D3DXVECTOR4(0.0f, 1.0f, 0.0f, 0.0f)
                                                      : D3DXVECTOR4(-1.0f, 0.0f, 0.0f, 0.0f);
  D3DXVec4Transform(&m_direction, &unitX, &rotation);
  D3DXVec4Transform(&m_normal, &second, &rotation);
}

template <class IO>
void DS_WavesFX::Fields(IO& io, int version) {
  io.Field(amplitude);
  io.Field(period);
  io.UInt(angle);
  io.Long(waveMode);
}

void DS_WavesFX::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

void DS_WavesFX::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_WavesFX", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteLevel(stream);
}

void DS_WavesFX::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  const float direction[2] = {-m_direction.x, -m_direction.y};
  m_effect->SetFloatArray(kParamDirection, direction, 2);
  const float normal[2] = {m_normal.x, m_normal.y};
  m_effect->SetFloatArray(kParamDirectionN, normal, 2);
  m_effect->SetFloat(kParamFrequency, Inverse(period.GetResult()));
  m_effect->SetFloat(kParamAmplitude, amplitude.GetResult() * TimeLine().GetAlpha());
  m_effect->SetFloat(kParamTime, GetBrushTime() * kEffectTimeScale);
  ApplyCommonParameters(layer);
}

// ---- DS_LightFX ----

DS_LightFX::DS_LightFX() : intensity(40u, 0.01f, 0.0f), lightMode(kPulse) {
  speed.SetValue(40u);
  effectLink.StoreKey(DS_HLSLEffectFile(kDefaultEffectId, kEffectModule).GetKey());
}

float DS_LightFX::LightFactor(int mode, float t) {
  if (mode == kBlink) return Blink(t);
  if (mode >= kFlicker) return Flicker(t);
  return Pulse(t);
}

template <class IO>
void DS_LightFX::Fields(IO& io, int version) {
  io.Field(intensity);
  io.Long(lightMode);
}

void DS_LightFX::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

void DS_LightFX::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_LightFX", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteLevel(stream);
}

void DS_LightFX::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  const float m = LightFactor(lightMode.GetValue(), GetBrushTime());
  m_effect->SetFloat(kParamMultiplier, intensity.GetResult() * m * TimeLine().GetAlpha());
  ApplyCommonParameters(layer);
}

// ---- DS_LightFX_II ----

DS_LightFX_II::DS_LightFX_II() : intensity(0u, 0.01f, 0.0f), lightMode(kSteady), blend(0), colour(0ul) {
  effectLink.StoreKey(DS_HLSLEffectFile(kDefaultEffectId, kEffectModule).GetKey());
}

float DS_LightFX_II::LightFactor(int mode, float t) {
  switch (mode) {
    case kPulse:
      return Pulse(t);
    case kBlink:
      return Blink(t);
    case kFlicker:
      return Flicker(t);
    default:
      return 1.0f;
  }
}

const char* DS_LightFX_II::BlendTechnique(int blend) {
  static const char* const kTechniques[] = {kTechniqueBlendNormal, kTechniqueBlendScreen,
                                             kTechniqueBlendColorDodge, kTechniqueBlendSum};
  if (blend < 0 || blend >= int(sizeof(kTechniques) / sizeof(kTechniques[0]))) return nullptr;
  return kTechniques[blend];
}

template <class IO>
void DS_LightFX_II::Fields(IO& io, int version) {
  io.Field(intensity);
  io.Long(lightMode);
  io.Long(blend);
  io.Colour(colour);
}

void DS_LightFX_II::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

void DS_LightFX_II::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_LightFX_II", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteLevel(stream);
}

void DS_LightFX_II::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  const float m = LightFactor(lightMode.GetValue(), GetBrushTime()) * TimeLine().GetAlpha();
  const unsigned long c = colour.GetValue();
  const float blendColor[4] = {float(c & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f,
                               float((c >> 16) & 0xFF) / 255.0f, intensity.GetResult() * m};
  m_effect->SetFloatArray(kParamBlendColor, blendColor, 4);
  m_effect->SetTexture(kParamTexture2, m_mask.Get());
  m_effect->SetTexture(kParamTexture1, layer->GetSceneTexture().Get());
  // Another value keeps whatever technique the shared effect last had.
  if (const char* technique = BlendTechnique(blend.GetValue())) m_effect->SetTechnique(technique);
  layer->DrawPT(layer->GetLayerQuad(), m_effect.Get());
}
