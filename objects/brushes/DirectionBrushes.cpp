#include "objects/brushes/DirectionBrushes.h"

#include <cmath>

#include "device/ResourceLookup.h"
#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/TextureSet.h"
#include "objects/particles/ParticleMath.h"
#include "render/ABRender.h"
#include "render/EffectNames.h"
#include "render/SceneMapping.h"
#include "render/ScreenQuad.h"
#include "render/TimeLine.h"

namespace {

IOF_Virtual_ReaderT<DS_MoveFX> s_moveReader(L"DS_MoveFX");
IOF_Virtual_ReaderT<DS_WaterfallFX> s_waterfallReader(L"DS_WaterfallFX");
IOF_Virtual_ReaderT<DS_CloudFX> s_cloudReader(L"DS_CloudFX");

// Pi as the single-precision constant of the angle conversion.
const float kPi = 3.1415927f;

// The grid every direction brush that draws its region builds.
const int kGridCells = 2;

// Move brush: noise of the shift.
const double kMoveNoiseFrequency = 50.0;
const double kNoiseScale = 75.0;
const double kNoisePersistence = 0.5;
const int kMoveNoiseOctaves = 1;

// Waterfall: how fast the noise scrolls along the direction.
const float kNoiseScrollRate = -0.1f;

const char kParamDirection[] = "Direction";
const char kTechniqueNoise[] = "Noise";
const char kTechniqueColorWaves[] = "ColorWaves";

// A scene coordinate or length as a fraction of the scene size; 0 before any layer
// was sized.
float SceneFraction(float value, int sceneSize) { return sceneSize > 0 ? value / float(sceneSize) : 0.0f; }

// The three colour bytes of a stored 0x00BBGGRR colour, lowest first, as fractions.
void ColourToFloats(unsigned long colour, float out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = float((colour >> (8 * i)) & 0xFF) / 255.0f;
}

}  // namespace

// ---- DS_DirectionBased ----

DS_DirectionBased::DS_DirectionBased() : extent(0u, 1.0f, 0.0f), angle(0u), m_direction(1.0f, 0.0f, 0.0f, 0.0f) {
  BindDirection();
  UpdateDirection();
}

DS_DirectionBased::DS_DirectionBased(const DS_DirectionBased& other)
    : DS_FX_Constructor(other), extent(other.extent), angle(other.angle), m_direction(other.m_direction) {
  BindDirection();
  UpdateDirection();
}

void DS_DirectionBased::BindDirection() {
  m_binders.SetTarget(this, false);
  m_binders.BindChange<DS_DirectionBased>(angle, this, &DS_DirectionBased::UpdateDirection);
}

void DS_DirectionBased::UpdateDirection() {
  // The difference is taken signed: an angle above 360 turns on rather than wrapping
  // through the unsigned range.
  const float radians = float((360.0 - double(angle.GetValue())) * double(kPi) / 180.0);
  D3DXMATRIX rotation;
  D3DXMatrixRotationZ(&rotation, radians);
  const D3DXVECTOR4 unit(1.0f, 0.0f, 0.0f, 0.0f);
  D3DXVec4Transform(&m_direction, &unit, &rotation);
}

template <class IO>
void DS_DirectionBased::Fields(IO& io, int version) {
  io.Field(extent);
  // Stored without notification: the direction follows when the item is cloned.
  io.UInt(angle);
}

void DS_DirectionBased::ReadDirectionSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

void DS_DirectionBased::WriteDirectionLevel(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_DirectionBased", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteLevel(stream);
}

// ---- DS_MoveFX ----

DS_MoveFX::DS_MoveFX() : motionMode(0), secondAmplitude(0u, 0.0002f, 0.0f) {
  extent.SetScale(0.0002f, 0.0f);
  extent.SetValue(50u);
  speed.SetScale(0.02f, 0.0f);
  speed.SetValue(50u);
  effectLink.StoreKey(DS_HLSLEffectFile(kDefaultEffectId, kEffectModule).GetKey());
}

template <class IO>
void DS_MoveFX::Fields(IO& io, int version) {
  io.Long(motionMode);
  if (version >= kFirstVersionWithSecondAmplitude) io.Field(secondAmplitude);
}

void DS_MoveFX::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadDirectionSection(handle);
  // An old record swings as far towards the direction as against it.
  if (version < kFirstVersionWithSecondAmplitude) secondAmplitude = extent;
}

void DS_MoveFX::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_MoveFX", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteDirectionLevel(stream);
}

void DS_MoveFX::Update(float localTime) {
  DS_FX_Constructor::Update(localTime);
  const float t = GetBrushTime();
  const float a1 = extent.GetResult();
  const float a2 = secondAmplitude.GetResult();
  const float mid = (a1 + a2) * 0.5f;
  const float half = (a1 - a2) * 0.5f;
  const float v = motionMode.GetValue() == kNoiseMotion
                      ? float(OctaveNoise1D(kMoveNoiseFrequency * t, kNoiseScale, kNoisePersistence, kMoveNoiseOctaves))
                      : std::sin(t);
  // From -a1 at v = 1 to a2 at v = -1.
  const float e = -(v * mid + half);
  const float alpha = TimeLine().GetAlpha();
  m_displacement[0] = m_direction.x * e * alpha;
  m_displacement[1] = m_direction.y * e * alpha;
}

void DS_MoveFX::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  SetFloats(kParamDirection, m_displacement, 2);
  ApplyCommonParameters(layer);
}

// ---- DS_WaterfallFX ----

DS_WaterfallFX::DS_WaterfallFX()
    : waveOpacity(0u, -0.01f, 1.0f), waveCount(0u), noiseAmplitude(0u, 0.0001f, 0.0f), thirdValue(0u, 1.0f, 0.0f),
      threshold(0u, -0.001f, 1.0f), waveColour(0ul), hidden(0) {
  extent.SetScale(0.004f, 0.0f);
  speed.SetScale(0.02f, 0.0f);
}

template <class IO>
void DS_WaterfallFX::Fields(IO& io, int version) {
  io.Field(waveOpacity);
  io.UInt(waveCount);
  io.Field(noiseAmplitude);
  io.Field(thirdValue);
  io.Field(threshold);
  io.Link(noiseImage);
  io.Colour(waveColour);
  io.Long(hidden);
}

void DS_WaterfallFX::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadDirectionSection(handle);
}

void DS_WaterfallFX::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_WaterfallFX", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteDirectionLevel(stream);
}

void DS_WaterfallFX::Prepare(DS_MaskHolder* mask) {
  const unsigned count = waveCount.GetValue() < kMaxWaves ? waveCount.GetValue() : kMaxWaves;
  m_waves.resize(count);
  // A noise picture without frames leaves the noise pass without a texture.
  m_noiseTexture.Set(LookupCurrentFrame(noiseImage));
  DS_FX_Constructor::Prepare(mask);
  DS_GridMesh::Create(m_regionMesh, kGridCells, kGridCells);
  BuildMesh();
}

void DS_WaterfallFX::Update(float localTime) {
  DS_FX_Constructor::Update(localTime);
  const float t = GetBrushTime();
  const float travel = extent.GetResult();
  const float opacity = waveOpacity.GetResult();
  const size_t n = m_waves.size();
  // The bands are spread evenly over one period of the clock.
  float phase = t;
  for (Wave& wave : m_waves) {
    const float f = phase - std::trunc(phase);
    wave.x = -(travel * m_direction.x * f);
    wave.y = -(travel * m_direction.y * f);
    wave.alpha = opacity * (1.0f - std::fabs(2.0f * f - 1.0f));
    phase += 1.0f / float(n);
  }
  const float s = EffectScale();
  m_noiseShift[0] = kNoiseScrollRate * m_direction.x * t / s;
  m_noiseShift[1] = kNoiseScrollRate * m_direction.y * t / s;
}

void DS_WaterfallFX::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  SetTexture(kParamMask, m_mask.Get());
  SetTexture(kParamBackground, layer->GetSceneTexture().Get());
  if (hidden.GetValue() != 0) return;

  if (noiseAmplitude.GetValue() > 0) {
    SetTexture("NoiseMap", m_noiseTexture.Get());
    m_effect->SetTechnique(kTechniqueNoise);
    SetFloats("noise_shift", m_noiseShift, 2);
    const float s = EffectScale();
    const float bumpScale[2] = {PictureAspect(*layer) / s, 1.0f / s};
    SetFloats("bump_scale", bumpScale, 2);
    m_effect->SetFloat("noise_amplitude", noiseAmplitude.GetResult());
    layer->DrawIndexedPT(m_regionMesh, m_effect.Get());
  }

  if (m_waves.empty()) return;
  m_effect->SetTechnique(kTechniqueColorWaves);
  float colour[3];
  ColourToFloats(waveColour.GetValue(), colour);
  SetFloats("base_color", colour, 3);
  m_effect->SetFloat("treshold", threshold.GetResult());
  for (const Wave& wave : m_waves) {
    const float shift[2] = {wave.x, wave.y};
    SetFloats("shift", shift, 2);
    m_effect->SetFloat("transluency", wave.alpha);
    layer->DrawIndexedPT(m_regionMesh, m_effect.Get());
  }
}

// ---- DS_CloudTransform ----

DS_CloudTransform::DS_CloudTransform()
    : depth(0u, 0.02f, 1.0f), height(0u, 0.25f, 0.0f), scroll(0u, 0.01f, 0.0f), flip(0), value5(0u, 0.1f, 1.0f),
      value6(0u, 0.01f, 0.0f) {}

template <class IO>
void DS_CloudTransform::Fields(IO& io) {
  io.Field(depth);
  io.Field(height);
  io.Field(scroll);
  io.Long(flip);
  io.Field(value5);
  io.Field(value6);
}

// ---- DS_CloudFX ----

DS_CloudFX::DS_CloudFX()
    : colour1(0ul), colour2(0ul), threshold(0u, 0.02f, 1.0f), density(0u, 0.02f, 0.0f) {
  speed.SetScale(0.001f, 0.0f);
  scale.SetScale(0.008f, 0.0f);
}

template <class IO>
void DS_CloudFX::Fields(IO& io, int version) {
  io.Colour(colour1);
  io.Colour(colour2);
  io.Link(cloudImage);
  io.Link(secondImage);
  io.Field(threshold);
  io.Field(density);
  transform.Fields(io);
}

void DS_CloudFX::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadDirectionSection(handle);
}

void DS_CloudFX::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_CloudFX", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteDirectionLevel(stream);
}

void DS_CloudFX::Prepare(DS_MaskHolder* mask) {
  const DS_TextureSet* set = LookupTextureSet(cloudImage);
  m_cloudFrames = set ? *set : DS_TextureSet();
  DS_FX_Constructor::Prepare(mask);
  DS_GridMesh::Create(m_regionMesh, kGridCells, kGridCells);
  BuildMesh();
}

void DS_CloudFX::BuildMesh() {
  const D3DXVECTOR3& c0 = region.Corner(0).GetValue();
  const D3DXVECTOR3& c2 = region.Corner(2).GetValue();
  const D3DXVECTOR3& c3 = region.Corner(3).GetValue();
  m_maskShift[0] = SceneFraction(c2.x - c0.x, g_SceneWidth);
  m_maskShift[1] = SceneFraction(c0.x, g_SceneWidth);
  m_maskShift[2] = SceneFraction(c3.y - c2.y, g_SceneHeight);
  m_maskShift[3] = SceneFraction(c0.y, g_SceneHeight);

  // The region's own texture space: the cloud spans it whatever its place.
  static const float kCornerUV[MediaQuad::kCornerCount][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
  DS_ScreenQuad quad;
  for (int k = 0; k < MediaQuad::kCornerCount; ++k) {
    const D3DXVECTOR3& c = region.Corner(k).GetValue();
    quad.v[k].x = c.x;
    quad.v[k].y = c.y;
    quad.v[k].z = c.z;
    quad.v[k].u = kCornerUV[k][0];
    quad.v[k].v = kCornerUV[k][1];
  }
  m_regionMesh.FillFromQuad(quad);
}

void DS_CloudFX::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  SetTexture(kParamMask, m_mask.Get());
  // The frame current when the brush was prepared; none for a picture without frames.
  SetTexture(kParamBackground, m_cloudFrames.GetCurrentTexture());
  const float s = EffectScale();
  const float scaleValues[2] = {PictureAspect(*layer) / s, 1.0f / s};
  SetFloats(kParamScale, scaleValues, 2);
  m_effect->SetFloat("Threshold", threshold.GetResult());
  m_effect->SetFloat("Density", density.GetResult());
  float colour[3];
  ColourToFloats(colour1.GetValue(), colour);
  SetFloats("ColorK1", colour, 3);
  ColourToFloats(colour2.GetValue(), colour);
  SetFloats("ColorK2", colour, 3);
  const float t = GetBrushTime();
  const float velocity[2] = {-m_direction.x * t, -m_direction.y * t};
  SetFloats("Velocity", velocity, 2);
  SetFloats("mask_tex_shift", m_maskShift, 4);

  const float depth = transform.depth.GetResult();
  const float height = transform.height.GetResult();
  m_effect->SetFloat("PX_Transform", (depth - 1.0f) / depth);
  m_effect->SetFloat("PY_TransformH", height / depth + 1.0f);
  m_effect->SetFloat("PY_TransformZ", height);
  const float scroll = transform.scroll.GetResult();
  const bool flipped = transform.flip.GetValue() != 0;
  const float texShift[4] = {1.0f, flipped ? -1.0f : 1.0f, -scroll, flipped ? 1.0f : 0.0f};
  SetFloats("tex_shift", texShift, 4);
  DrawRegion(layer);
}
