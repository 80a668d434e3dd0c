#include "objects/brushes/FireBrush.h"

#include <cmath>
#include <memory>

#include "device/DeviceGlobals.h"
#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/TextureSet.h"
#include "render/ABRender.h"
#include "render/EffectNames.h"
#include "render/ScreenQuad.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"

namespace {

IOF_Virtual_ReaderT<DS_FireFX> s_fireReader(L"DS_FireFX");

// The layout that carried the region and the base level's reserved value here.
const int kVersionWithRegion = 2;
// One stored step of the width factor: what a factor of 0 becomes, since the texture
// range is divided by it.
const float kSmallestWidthFactor = 0.01f;
// Upward scroll rates of the three noise lookups, per second of brush time.
const float kScroll1 = 1.3f;
const float kScroll2 = 2.1f;
const float kScroll3 = 2.3f;

const char kParamWorldViewProj[] = "WorldViewProj";
const char kParamViewProj[] = "ViewProj";
const char kParamNoise[] = "Noise";
const char kParamPattern[] = "Pattern";
const char kParamScroll1[] = "c11";
const char kParamScroll2[] = "c12";
const char kParamScroll3[] = "c13";
const char kParamColor1[] = "ColorK1";
const char kParamColor2[] = "ColorK2";
const char kParamBackgroundScale[] = "bg_scale_factor";
const char kParamBrightness[] = "Brightness";
const char kParamDensity[] = "Density";

float ColorByte(unsigned long color, int index) { return float((color >> (8 * index)) & 0xFF); }

}  // namespace

DS_FireFX::DS_FireFX()
    : hotColor(0x00FFFFul),
      baseColor(0x0000FFul),
      reservedValue(0),
      patternImage(kDefaultPatternId, kEffectModule),
      noiseImage(kDefaultNoiseId, kEffectModule),
      density(100u, 0.01f, -1.0f),
      brightness(15u, 0.02f, 0.0f),
      widthFactor(100u, 0.01f, 0.0f) {
  speed.SetScale(0.02f, 0.0f);
  speed.SetValue(50u);
  effectLink.StoreKey(DS_HLSLEffectFile(kDefaultEffectId, kEffectModule).GetKey());
}

DS_FireFX& DS_FireFX::operator=(const DS_FireFX& other) {
  if (this == &other) return *this;
  DS_FX_Constructor::operator=(other);
  hotColor.StoreValue(other.hotColor.GetValue());
  baseColor.StoreValue(other.baseColor.GetValue());
  reservedValue.StoreValue(other.reservedValue.GetValue());
  patternImage.StoreKey(other.patternImage.GetKey());
  noiseImage.StoreKey(other.noiseImage.GetKey());
  density = other.density;
  brightness = other.brightness;
  widthFactor = other.widthFactor;
  m_patternTexture = other.m_patternTexture;
  m_noiseTexture = other.m_noiseTexture;
  return *this;
}

// ---- record ----

DS_FireFX* DS_FireFX::CreateFromSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  std::unique_ptr<DS_FireFX> fire(new DS_FireFX());
  if (handle->Failed()) return nullptr;
  fire->Read(handle, version);
  if (handle->Failed()) return nullptr;
  return fire.release();
}

template <class IO>
void DS_FireFX::Fields(IO& io, int version) {
  // The first layout had no fields of its own.
  if (version <= 1) return;
  if (version == kVersionWithRegion) io.Part(region);
  io.Colour(hotColor);
  io.Colour(baseColor);
  io.Long(reservedValue);
  io.Link(patternImage);
  io.Link(noiseImage);
  if (version == kVersionWithRegion) io.Long(reservedInt);
  io.Field(density);
  io.Field(brightness);
  io.Field(widthFactor);
}

void DS_FireFX::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

void DS_FireFX::WriteLevel(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_FireFX", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_FX_Constructor::WriteLevel(stream);
}

void DS_FireFX::Write(DS_IOF_Virtual& stream) const { WriteLevel(stream); }

// ---- device objects ----

void DS_FireFX::Prepare(DS_MaskHolder* mask) {
  DS_FX_Constructor::Prepare(mask);
  // A set without frames leaves its texture unset.
  m_patternTexture.Set(LookupCurrentFrame(patternImage));
  m_noiseTexture.Set(LookupCurrentFrame(noiseImage));
  DS_GridMesh::Create(m_regionMesh, kGridCells, kGridCells);
  BuildMesh();
}

float DS_FireFX::TextureRange() const {
  float factor = widthFactor.GetResult();
  if (factor == 0.0f || !std::isfinite(factor)) factor = kSmallestWidthFactor;
  return 1.0f / factor;
}

void DS_FireFX::BuildMesh() {
  const float range = TextureRange();
  const float u[MediaQuad::kCornerCount] = {0.0f, 0.0f, range, range};
  const float v[MediaQuad::kCornerCount] = {0.0f, 1.0f, 0.0f, 1.0f};
  DS_ScreenQuad quad;
  for (int k = 0; k < MediaQuad::kCornerCount; ++k) {
    const D3DXVECTOR3& c = region.Corner(k).GetValue();
    quad.v[k].x = c.x;
    quad.v[k].y = c.y;
    quad.v[k].z = c.z;
    quad.v[k].u = u[k];
    quad.v[k].v = v[k];
  }
  m_regionMesh.FillFromQuad(quad);
}

// ---- drawing ----

void DS_FireFX::SetNoiseParameters(const DS_Frame& mesh) {
  if (!m_effect) return;
  if (g_CurrentViewContext) {
    D3DXMATRIX matrix;
    g_CurrentViewContext->GetWorldViewProj(matrix, mesh.world);
    m_effect->SetMatrix(kParamWorldViewProj, &matrix);
    g_CurrentViewContext->GetViewProj(matrix);
    m_effect->SetMatrix(kParamViewProj, &matrix);
  }
  SetTexture(kParamNoise, m_noiseTexture.Get());
  SetTexture(kParamPattern, m_patternTexture.Get());
  // The rates are single-precision constants; the product is taken in double.
  const double t = GetBrushTime();
  const float scroll1[2] = {0.0f, float(double(kScroll1) * t)};
  const float scroll2[2] = {0.0f, float(double(kScroll2) * t)};
  const float scroll3[2] = {0.0f, float(double(kScroll3) * t)};
  SetFloats(kParamScroll1, scroll1, 2);
  SetFloats(kParamScroll2, scroll2, 2);
  SetFloats(kParamScroll3, scroll3, 2);
}

void DS_FireFX::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  SetNoiseParameters(m_regionMesh);
  const unsigned long hot = hotColor.GetValue();
  const unsigned long cold = baseColor.GetValue();
  float color1[3], color2[3];
  for (int i = 0; i < 3; ++i) {
    color1[i] = ColorByte(cold, i) / 255.0f;
    color2[i] = (ColorByte(hot, i) - ColorByte(cold, i)) / 255.0f;
  }
  SetFloats(kParamColor1, color1, 3);
  SetFloats(kParamColor2, color2, 3);
  float backgroundScale[2] = {1.0f, 1.0f};
  if (g_CurrentViewContext && g_CurrentViewContext->GetFitType() != DS_ViewContext::kFitRenderTarget) {
    backgroundScale[0] = g_CurrentViewContext->GetStretchX();
    backgroundScale[1] = g_CurrentViewContext->GetStretchY();
  }
  SetFloats(kParamBackgroundScale, backgroundScale, 2);
  SetTexture(kParamMask, m_mask.Get());
  SetTexture(kParamBackground, layer->GetSceneTexture().Get());
  const float alpha = TimeLine().GetAlpha();
  m_effect->SetFloat(kParamBrightness, brightness.GetResult() * alpha * alpha);
  m_effect->SetFloat(kParamDensity, alpha * (density.GetResult() + 1.0f) - 1.0f);
  m_effect->SetTechnique(kTechniqueMain);
  layer->DrawIndexedPT(m_regionMesh, m_effect.Get());
}
