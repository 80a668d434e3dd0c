#include "objects/brushes/WaterBrush.h"

#include <d3dx9math.h>

#include <cmath>
#include <cstdint>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/TextureSet.h"
#include "render/ABRender.h"

namespace {

IOF_Virtual_ReaderT<DS_WaterFX> s_waterReader(L"DS_WaterFX");

// Pi as the single-precision constant of the angle conversion.
const float kPi = 3.1415927f;
// Radians the bump picture turns per second of brush time.
const float kBumpTurnRate = 0.5f * 9.0f;
// The surface rows divide by q - 1 = 2 (1 - u) / u and take the root of q: a factor
// outside (0, 1) has no surface. It is held one stored step inside the range.
const float kSmallestSurfaceFactor = 0.0001f;
const float kLargestSurfaceFactor = 0.9999f;

const char kParamBumpMap[] = "BumpMap";
const char kParamBumpTransform[] = "BampTrans";
const char kParamP1[] = "P1";
const char kParamP2[] = "P2";
const char kParamTime[] = "Time";
const char kParamDirection1[] = "Direction1";
const char kParamDirection2[] = "Direction2";
const char kParamShadows[] = "Shadows";
const char kParamLightHalf[] = "Vhalf";
const char kParamColor[] = "Color";

}  // namespace

DS_WaterFX::DS_WaterFX()
    : surfaceFactor(20u, 0.0001f, 0.0f),
      bumpStrength(20u, 0.001f, 0.0f),
      flowSpeed(20u, 0.00025f, 0.0f),
      waveLength(20u, 0.0005f, 0.001f),
      angle(40u),
      shadows(0u, 0.01f, 0.0f),
      lightHeight(0u, 0.1f, 0.0f),
      waterColor(0xFFFFFFul),
      bumpImage(kDefaultBumpId, kEffectModule) {
  speed.SetScale(0.02f, 0.0f);
  speed.SetValue(50u);
  scale.SetValue(30u);
  effectLink.StoreKey(DS_HLSLEffectFile(kDefaultEffectId, kEffectModule).GetKey());
  m_binders.BindChange<DS_WaterFX>(angle, this, &DS_WaterFX::UpdateDirection);
  UpdateDirection();
}

DS_WaterFX::DS_WaterFX(const DS_WaterFX& other)
    : DS_FX_Constructor(other),
      surfaceFactor(other.surfaceFactor),
      bumpStrength(other.bumpStrength),
      flowSpeed(other.flowSpeed),
      waveLength(other.waveLength),
      angle(other.angle),
      shadows(other.shadows),
      lightHeight(other.lightHeight),
      waterColor(other.waterColor),
      bumpImage(other.bumpImage),
      m_bumpTexture(other.m_bumpTexture) {
  for (int i = 0; i < 4; ++i) m_bumpTransform[i] = other.m_bumpTransform[i];
  m_binders.BindChange<DS_WaterFX>(angle, this, &DS_WaterFX::UpdateDirection);
  UpdateDirection();
}

void DS_WaterFX::UpdateDirection() {
  D3DXMATRIX rotation;
  D3DXMatrixRotationZ(&rotation, float(double(angle.GetValue()) * double(kPi) / 180.0));
  const D3DXVECTOR4 x(1.0f, 0.0f, 0.0f, 0.0f);
  D3DXVec4Transform(&m_direction, &x, &rotation);
}

// ---- record ----

template <class IO>
void DS_WaterFX::Fields(IO& io, int version) {
  io.Field(surfaceFactor);
  io.Field(bumpStrength);
  io.Field(flowSpeed);
  io.Field(waveLength);
  io.UInt(angle);
  io.Field(shadows);
  io.Field(lightHeight);
  io.Colour(waterColor);
  io.Link(bumpImage);
}

void DS_WaterFX::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

void DS_WaterFX::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_WaterFX", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteLevel(stream);
}

// ---- frame ----

void DS_WaterFX::Prepare(DS_MaskHolder* mask) {
  // A set without frames (or a document without the picture) leaves no bump texture.
  m_bumpTexture.Set(LookupCurrentFrame(bumpImage));
  DS_FX_Constructor::Prepare(mask);
}

void DS_WaterFX::Update(float localTime) {
  DS_FX_Constructor::Update(localTime);
  const float r = GetBrushTime() * kBumpTurnRate;
  const float s = bumpStrength.GetResult();
  m_bumpTransform[0] = s * std::cos(r);
  m_bumpTransform[1] = -s * std::sin(r);
  m_bumpTransform[2] = s * std::sin(r);
  m_bumpTransform[3] = s * std::cos(r);
}

void DS_WaterFX::SurfaceRows(float u, float p1[3], float p2[3]) {
  p1[0] = u - 1.0f;
  p1[1] = -1.0f;
  p1[2] = u - 1.0f;
  float v = u;
  if (!(v >= kSmallestSurfaceFactor)) v = kSmallestSurfaceFactor;  // also NaN
  if (v > kLargestSurfaceFactor) v = kLargestSurfaceFactor;
  const float q = 2.0f / v - 1.0f;
  p2[0] = 1.0f;
  p2[1] = (q + std::sqrt(q)) / (q - 1.0f);
  p2[2] = 1.0f;
}

void DS_WaterFX::Render(DS_ABRender* layer) {
  // Without an effect there is nothing to set parameters on.
  if (!layer || !m_effect) return;
  const float dx = m_direction.x;
  const float dy = m_direction.y;
  SetTexture(kParamBumpMap, m_bumpTexture.Get());
  SetFloats(kParamBumpTransform, m_bumpTransform, 4);
  float p1[3], p2[3];
  SurfaceRows(surfaceFactor.GetResult(), p1, p2);
  SetFloats(kParamP1, p1, 3);
  SetFloats(kParamP2, p2, 3);
  m_effect->SetFloat(kParamTime, 2.0f * GetBrushTime());
  // The wave length is at least its offset (0.001): never zero.
  const float toWaves = 0.5f / waveLength.GetResult();
  const float direction1[2] = {-dx * toWaves, -dy * toWaves};
  SetFloats(kParamDirection1, direction1, 2);
  const float flow = 0.5f * flowSpeed.GetResult();
  const float direction2[2] = {-dx * flow, -dy * flow};
  SetFloats(kParamDirection2, direction2, 2);
  m_effect->SetFloat(kParamShadows, shadows.GetResult());
  D3DXVECTOR3 light(1.0f, 2.0f, lightHeight.GetResult());
  D3DXVec3Normalize(&light, &light);
  SetFloats(kParamLightHalf, &light.x, 3);
  const unsigned long color = waterColor.GetValue();
  const float rgb[3] = {float(color & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f,
                        float((color >> 16) & 0xFF) / 255.0f};
  SetFloats(kParamColor, rgb, 3);
  ApplyCommonParameters(layer);
}
