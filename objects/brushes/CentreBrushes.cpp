#include "objects/brushes/CentreBrushes.h"

#include <cmath>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "objects/particles/ParticleMath.h"
#include "render/ABRender.h"
#include "render/SceneMapping.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_ExpandFX> s_expandReader(L"DS_ExpandFX");
IOF_Virtual_ReaderT<DS_RadialWaveFX> s_radialWaveReader(L"DS_RadialWaveFX");
IOF_Virtual_ReaderT<DS_RotationFX> s_rotationReader(L"DS_RotationFX");
IOF_Virtual_ReaderT<DS_BendFX> s_bendReader(L"DS_BendFX");

// Pi as the single-precision constant of the angle conversion; 2 pi the period of
// the expand brush's triangle wave.
const float kPi = 3.1415927f;
const float kTwoPi = 6.2831855f;

// Radial waves: a background zoom of this value shows the picture in its own
// proportions; the wave time runs at this rate, outwards or inwards.
const float kNaturalBackgroundZoom = 75.0f;
const float kWaveTimeRate = 0.08f;

// The rotation brush's opacity tints the picture in this time mode only; its time line
// runs in the mode that slows its clock with its opacity.
const int kTintTimeMode = 1;
const int kOpacityClockTimeMode = 2;

// Bend: noise of the swing.
const double kBendNoiseFrequency = 50.0;
const double kNoiseScale = 75.0;
const double kNoisePersistence = 0.5;
const int kBendNoiseOctaves = 3;

const int kGridCells = 2;

float SceneFraction(float value, int sceneSize) { return sceneSize > 0 ? value / float(sceneSize) : 0.0f; }

}  // namespace

// ---- DS_CentralBased ----

DS_CentralBased::DS_CentralBased()
    : centre(D3DXVECTOR3(float(g_SceneWidth) * 0.5f, float(g_SceneHeight) * 0.5f, 0.0f)) {}

template <class IO>
void DS_CentralBased::Fields(IO& io, int version) {
  io.Vector(centre);
}

void DS_CentralBased::ReadCentreSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

void DS_CentralBased::WriteCentreLevel(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_CentralBased", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteLevel(stream);
}

void DS_CentralBased::CentreFraction(float out[2]) const {
  out[0] = SceneFraction(centre.GetValue().x, g_SceneWidth);
  out[1] = SceneFraction(centre.GetValue().y, g_SceneHeight);
}

void DS_CentralBased::SetCentreParameters(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  SetCommonParameters(layer);
  float c[2];
  CentreFraction(c);
  SetFloats("Center", c, 2);
}

// ---- DS_ExpandFX ----

DS_ExpandFX::DS_ExpandFX() : outwardAmount(50u, 0.005f, 0.0f), inwardAmount(0u, 0.005f, 0.0f), waveForm(0) {
  speed.SetScale(0.02f, 0.0f);
  speed.SetValue(50u);
  effectLink.StoreKey(DS_HLSLEffectFile(kDefaultEffectId, kEffectModule).GetKey());
}

template <class IO>
void DS_ExpandFX::Fields(IO& io, int version) {
  io.Field(outwardAmount);
  io.Field(inwardAmount);
  io.Long(waveForm);
}

void DS_ExpandFX::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadCentreSection(handle);
}

void DS_ExpandFX::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_ExpandFX", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteCentreLevel(stream);
}

void DS_ExpandFX::Update(float localTime) {
  DS_FX_Constructor::Update(localTime);
  const float t = GetBrushTime();
  const float outward = outwardAmount.GetResult();
  const float inward = inwardAmount.GetResult();
  const float mid = (outward + inward) * 0.5f;
  const float half = (outward - inward) * 0.5f;
  float v;
  if (waveForm.GetValue() == kTriangleWave) {
    // A triangle from -1 to 1 and back with period 2 pi in brush time.
    const float x = t / kTwoPi;
    const float f = x - std::floor(x);
    const float g = f > 0.5f ? 1.0f - f : f;
    v = (g - 0.25f) * 4.0f;
  } else {
    v = std::sin(t);
  }
  m_amount = (v * mid + half) * TimeLine().GetAlpha();
}

void DS_ExpandFX::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  const float amplitude[2] = {m_amount > 0.0f ? m_amount : 0.0f, m_amount > 0.0f ? 0.0f : -m_amount};
  SetFloats("amplitude", amplitude, 2);
  float c[2];
  CentreFraction(c);
  SetFloats("center", c, 2);
  ApplyCommonParameters(layer);
}

// ---- DS_RadialWaveFX ----

DS_RadialWaveFX::DS_RadialWaveFX()
    : amplitude(50u, 0.00025f, 0.0f), period(50u, 0.0001f, 0.001f), backgroundZoom(50u, 1.0f, 25.0f), outward(0) {
  speed.SetValue(50u);
  effectLink.StoreKey(DS_HLSLEffectFile(kDefaultEffectId, kEffectModule).GetKey());
}

template <class IO>
void DS_RadialWaveFX::Fields(IO& io, int version) {
  // The first layout had no fields of its own: such a brush keeps its defaults.
  if (version < kFirstVersionWithFields) return;
  io.Field(amplitude);
  io.Field(period);
  io.Field(backgroundZoom);
  io.Long(outward);
}

void DS_RadialWaveFX::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadCentreSection(handle);
}

void DS_RadialWaveFX::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_RadialWaveFX", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteCentreLevel(stream);
}

void DS_RadialWaveFX::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  // 75 x H / (zoom x W), with the picture's aspect kept finite for a layer without size.
  const float zoom = backgroundZoom.GetResult();
  const float bgScale[2] = {1.0f, kNaturalBackgroundZoom / (zoom * PictureAspect(*layer))};
  SetFloats("bg_scale_factor", bgScale, 2);
  float c[2];
  CentreFraction(c);
  SetFloats("center", c, 2);
  m_effect->SetFloat("frequency", 1.0f / period.GetResult());
  m_effect->SetFloat("amplitude", amplitude.GetResult() * TimeLine().GetAlpha());
  const float t = GetBrushTime();
  m_effect->SetFloat("time", outward.GetValue() != 0 ? t * kWaveTimeRate : t * -kWaveTimeRate);
  ApplyCommonParameters(layer);
}

// ---- DS_RotationFX ----

DS_RotationFX::DS_RotationFX() : axisRatio(0u, 0.001f, 0.0f), angle(0u), reverse(0) {
  speed.SetScale(0.005f, 0.0f);
  TimeLine().timeMode.SetValue(kOpacityClockTimeMode);
}

template <class IO>
void DS_RotationFX::Fields(IO& io, int version) {
  io.Field(axisRatio);
  io.UInt(angle);
  io.Long(reverse);
}

void DS_RotationFX::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadCentreSection(handle);
}

void DS_RotationFX::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_RotationFX", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteCentreLevel(stream);
}

void DS_RotationFX::Update(float localTime) {
  DS_FX_Constructor::Update(localTime);
  const float t = GetBrushTime();
  m_rotation = reverse.GetValue() != 0 ? -t : t;
}

void DS_RotationFX::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  // A rotation along an ellipse: [[cos, r sin], [-sin / r, cos]].
  const float r = axisRatio.GetResult();
  D3DXMATRIX rotation;
  D3DXMatrixRotationZ(&rotation, m_rotation);
  rotation._12 *= r;
  // A ratio of 0 (the default) would make the element infinite or undefined and
  // the picture unreadable: the element then stays as the plain rotation has it.
  if (r != 0.0f) rotation._21 /= r;

  const float b = float(double(angle.GetValue()) * double(kPi) / 180.0);
  D3DXMATRIX toEllipse, fromEllipse, m;
  D3DXMatrixRotationZ(&toEllipse, -b);
  D3DXMatrixRotationZ(&fromEllipse, b);
  D3DXMatrixMultiply(&m, &toEllipse, &rotation);
  D3DXMatrixMultiply(&m, &m, &fromEllipse);
  const float transform[4] = {m._11, m._12, m._21, m._22};
  SetFloats("coord_transf", transform, 4);

  float c[2];
  CentreFraction(c);
  const float offset[2] = {-c[0], -c[1]};
  SetFloats("offset", offset, 2);

  const DS_TimeLineControl& timeLine = TimeLine();
  const float alpha = timeLine.timeMode.GetValue() == kTintTimeMode ? timeLine.GetAlpha() : 1.0f;
  const float mixColor[4] = {1.0f, 1.0f, 1.0f, alpha};
  SetFloats("mix_color", mixColor, 4);
  ApplyCommonParameters(layer);
}

// ---- DS_BendFX ----

DS_BendFX::DS_BendFX()
    : amount1(0u, 0.002f, 0.0f), amount2(0u, 0.002f, 0.0f), bendStrength(0u, 0.02f, 0.0f), bendMode(0) {
  speed.SetScale(0.02f, 0.0f);
}

template <class IO>
void DS_BendFX::Fields(IO& io, int version) {
  io.Field(amount1);
  io.Field(amount2);
  io.Field(bendStrength);
  io.Long(bendMode);
}

void DS_BendFX::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadCentreSection(handle);
}

void DS_BendFX::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_BendFX", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteCentreLevel(stream);
}

void DS_BendFX::Prepare(DS_MaskHolder* mask) {
  DS_FX_Constructor::Prepare(mask);
  DS_GridMesh::Create(m_regionMesh, kGridCells, kGridCells);
  BuildMesh();
}

void DS_BendFX::Update(float localTime) {
  DS_FX_Constructor::Update(localTime);
  const float t = GetBrushTime();
  const float a1 = amount1.GetResult();
  const float a2 = amount2.GetResult();
  const float v = std::sin(t) * (a1 + a2) * 0.5f + (a1 - a2) * 0.5f;
  if (bendMode.GetValue() == kNoiseBend) {
    const double noise = OctaveNoise1D(kBendNoiseFrequency * t, kNoiseScale, kNoisePersistence, kBendNoiseOctaves);
    m_bend = v * (1.0f + std::sin(float(noise)));
  } else {
    m_bend = v;
  }
}

void DS_BendFX::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  SetCentreParameters(layer);
  m_effect->SetFloat("Angle", TimeLine().GetAlpha() * m_bend);
  m_effect->SetFloat("Bend", bendStrength.GetResult());
  DrawRegion(layer);
}
