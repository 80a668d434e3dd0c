#include "render/layers/LakeLayer.h"

#include <d3dx9.h>
#include <objbase.h>

#include <cmath>

#include "device/DeviceGlobals.h"
#include "device/DeviceUtil.h"
#include "document/ClassRegistry.h"
#include "document/DocResManager.h"
#include "document/FieldIO.h"
#include "render/DeviceStates.h"
#include "render/TexturedQuad.h"

namespace {

// Scales and offsets of the stored values.
const float kSpeedScale = 0.02f;
const float kTilingScale = 0.01f;
const float kWaterLevelScale = -0.005f;
const float kWaterLevelOffset = 0.5f;
const float kReliefScale = 0.01f;
const float kTintOpacityScale = 0.008f;
const float kLineFadeScale = 0.01f;

// Where the bump coordinates start, across and down the water.
const float kBumpCoordStart = 0.01f;
// Size of the bump perturbation, and how fast it turns per second of shimmer time.
const float kBumpStrength = 0.04f;
const float kBumpTurnRate = 0.5f * 9.0f;

// The reflection is 128 << size pixels square; sizes beyond this shift would ask for
// textures no device makes (and shifts past the int's width are undefined).
const int kReflectionBase = 128;
const int kMaxReflectionShift = 5;
// A band far deeper than any picture still converts to a pixel count.
const double kMaxBandPixels = 65535.0;
const double kBandRounding = 1e-3;

const DWORD kWaterVertexCount = 6;
const UINT kWaterStride = sizeof(DX_V::PT2);

// Where the lake differs from the layer baseline, for every draw on it: the bump
// coordinates, which run past 1 at the water's far edge, clamped on sampler 0 (and the
// pictures of the objects with them), the reflection filtered and mirrored on sampler 1.
const DS_StateRow kLakeStates[] = {
    SamplerRow(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP),
    SamplerRow(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP),
    SamplerRow(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
    SamplerRow(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
    SamplerRow(1, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR),
    SamplerRow(1, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR),
    RenderRow(D3DRS_AMBIENT, 0xFFFFFFFF),
    RenderRow(D3DRS_DITHERENABLE, TRUE),
};

// The water without a bump map: the reflection on stage 0, read through the mirrored
// coordinates.
const DS_StateRow kMirrorWater[] = {
    StageRow(0, D3DTSS_TEXCOORDINDEX, 1),
};
const DS_DrawStates kMirrorWaterDraw = {kMirrorWater};
// With one: the bump map on stage 0 perturbs the reflection read on stage 1 through the
// second coordinates as they are (the matrix, which turns with time, is set with these).
const DS_StateRow kBumpWater[] = {
    StageRow(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP),
    StageRow(0, D3DTSS_COLORARG2, D3DTA_CURRENT),
    StageRow(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
};
const DS_DrawStates kBumpWaterDraw = {kBumpWater};

// Prepared meshes repeat their texture across the water.
const DS_StateRow kWrapSampler[] = {
    SamplerRow(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP),
    SamplerRow(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP),
};

IOF_Virtual_ReaderT_II<FakeLake2D, DS_2D_Light> s_lakeReader(L"FakeLake2D");

}  // namespace

// ---- formulas ----

DS_ScreenQuad LakeMirrorCut(const DS_ScreenQuad& quad, float level) {
  DS_ScreenQuad cut = quad;
  const float bottom = quad.Bottom();
  const float line = bottom - level * (bottom - quad.Top());
  cut.v[DS_ScreenQuad::kLeftTop].y = line;
  cut.v[DS_ScreenQuad::kRightTop].y = line;
  cut.v[DS_ScreenQuad::kLeftTop].v = 1.0f - level;
  cut.v[DS_ScreenQuad::kRightTop].v = 1.0f - level;
  cut.v[DS_ScreenQuad::kLeftBottom].v = 1.0f - 2.0f * level;
  cut.v[DS_ScreenQuad::kRightBottom].v = 1.0f - 2.0f * level;
  return cut;
}

int LakeBandPixels(float waterHeight, float pictureHeight, unsigned bandHeight, float level) {
  // Without water the band formula is 0 / 0: no water, no band.
  if (level == 0.0f || pictureHeight == 0.0f) return 0;
  const double n = double(waterHeight) / double(pictureHeight) * double(bandHeight) / double(level);
  if (!(n > 0.0)) return 0;  // also NaN
  if (n >= kMaxBandPixels) return int(kMaxBandPixels);
  // For water cut from the picture the ratio is 1 up to float rounding, which must
  // not cost the band a pixel in the truncation.
  return int(n + kBandRounding);
}

D3DCOLOR LakeTintVertexColor(unsigned long tint) {
  const DWORD red = tint & 0xFF;
  const DWORD green = (tint >> 8) & 0xFF;
  const DWORD blue = (tint >> 16) & 0xFF;
  return (red << 16) | (green << 8) | blue;
}

void LakeBumpMatrix(float accumulatedTime, float (&elements)[4]) {
  const float theta = accumulatedTime * kBumpTurnRate;
  const float c = kBumpStrength * std::cos(theta);
  const float s = kBumpStrength * std::sin(theta);
  elements[0] = c;
  elements[1] = -s;
  elements[2] = s;
  elements[3] = c;
}

int LakeReflectionSide(int reflectionSize) {
  const int shift = reflectionSize < 0 ? 0 : (reflectionSize > kMaxReflectionShift ? kMaxReflectionShift : reflectionSize);
  return kReflectionBase << shift;
}

// ---- record ----

FakeLake2D::FakeLake2D()
    : speed(kDefaultSpeed, kSpeedScale, 0.0f),
      bumpTiling(kDefaultBumpTiling, kTilingScale, 0.0f),
      waterLevel(kDefaultWaterLevel, kWaterLevelScale, kWaterLevelOffset),
      relief(kDefaultRelief, kReliefScale, 0.0f),
      tintOpacity(kDefaultTintOpacity, kTintOpacityScale, 0.0f),
      lineFade(kDefaultLineFade, kLineFadeScale, 0.0f),
      lineCount(kDefaultLineCount),
      bandHeight(kDefaultBandHeight),
      reflectionSize(kDefaultReflectionSize),
      tint(kDefaultTint),
      guid() {
  CoCreateGuid(&guid);
  m_waterQuad.primitiveType = D3DPT_TRIANGLELIST;
  LakeBumpMatrix(0.0f, m_bumpMatrix);
}

FakeLake2D::~FakeLake2D() = default;

void FakeLake2D::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadBaseRecord(handle);
}

template <class IO>
void FakeLake2D::Fields(IO& io, int version) {
  if (version > 1) {
    io.Field(bumpTiling);
    io.Field(speed);
    io.Field(waterLevel);
    io.Field(relief);
    io.Field(tintOpacity);
    io.Field(lineFade);
    io.UInt(lineCount);
    io.UInt(bandHeight);
    io.Long(reflectionSize);
    io.Colour(tint);
  }
  io.Guid(guid);
  io.String(name);
  io.Byte(byteFlag);
}

void FakeLake2D::Write(DS_IOF_Virtual& stream) const {
  LookUpBumpTexture();
  WriteLevelHeader(stream, L"FakeLake2D", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_2D_Light::Write(stream);
}

void FakeLake2D::LookUpBumpTexture() const {
  if (g_CurrentDocResManager) {
    m_bump = g_CurrentDocResManager->GetGuidTexture(guid);
  } else {
    m_bump.Release();
  }
}

// ---- geometry ----

void FakeLake2D::MakeReflection() {
  const int side = LakeReflectionSide(reflectionSize.GetValue());
  if (FAILED(ResampleTexture(side, side, m_pictureRef.texture, m_reflection, D3DFMT_A8R8G8B8)) || !m_reflection) {
    return;
  }
  // The water is drawn minified through the mip chain (with whatever mip filter the
  // previous slide left): levels left unwritten would darken the reflection.
  D3DXFilterTexture(m_reflection.Get(), nullptr, 0, D3DX_DEFAULT);
}

void FakeLake2D::BuildWaterGeometry() {
  const float width = float(GetPictureWidth());
  const float height = float(GetPictureHeight());
  const float level = waterLevel.GetResult();
  DS_ScreenQuad picture;
  picture.SetCorners(0, 0, width, height);
  const DS_ScreenQuad cut = LakeMirrorCut(picture, level);

  // Two triangles: top-left, bottom-left, bottom-right and top-left, bottom-right,
  // top-right, where top is the water line.
  static const int kCorners[kWaterVertexCount] = {DS_ScreenQuad::kLeftTop,     DS_ScreenQuad::kLeftBottom,
                                                  DS_ScreenQuad::kRightBottom, DS_ScreenQuad::kLeftTop,
                                                  DS_ScreenQuad::kRightBottom, DS_ScreenQuad::kRightTop};
  m_waterQuad.vertices.Write(kWaterVertexCount, [&](DX_V::PT2* out) {
    for (DWORD i = 0; i < kWaterVertexCount; ++i) {
      const DX_V::PT& corner = cut.v[kCorners[i]];
      out[i].x = corner.x;
      out[i].y = corner.y;
      out[i].z = 0;
      out[i].u2 = corner.u;
      out[i].v2 = corner.v;
    }
  });

  const float line = cut.Top();
  const int band = LakeBandPixels(cut.Bottom() - line, height, bandHeight.GetValue(), level);
  DS_ScreenQuad lineQuad;
  lineQuad.SetCorners(0, line, width, line + float(band));
  SetColoredQuadPositions(m_lineQuad, lineQuad);
  SetColoredQuadPositions(m_tintQuad, cut);
}

void FakeLake2D::SetBumpCoords() {
  const float s = bumpTiling.GetResult();
  const float a = kBumpCoordStart;
  // Top-left, bottom-left, bottom-right, top-left, bottom-right, top-right.
  const float coords[kWaterVertexCount][2] = {{a, a}, {a, s}, {s, s}, {a, a}, {s, s}, {s, a}};
  m_waterQuad.vertices.Write(kWaterVertexCount, [&](DX_V::PT2* out) {
    for (DWORD i = 0; i < kWaterVertexCount; ++i) {
      out[i].u1 = coords[i][0];
      out[i].v1 = coords[i][1];
    }
  });
}

void FakeLake2D::SetTintColor() {
  const D3DCOLOR color = LakeTintVertexColor(tint.GetValue());
  SetColoredQuadColor(m_tintQuad, color);
  SetColoredQuadColor(m_lineQuad, color);
}

void FakeLake2D::SetTintAlphas() {
  const float bottom = tintOpacity.GetResult();
  const float line = bottom * (1.0f - lineFade.GetResult());
  // Corners: left-bottom, right-bottom, left-top, right-top; the top is the water line.
  SetColoredQuadAlpha(m_tintQuad, bottom, bottom, line, line);
  SetColoredQuadAlpha(m_lineQuad, 0.0f, 0.0f, line, line);
}

// ---- device hooks ----

void FakeLake2D::OnDeviceCreated() {
  DS_2D_Light::OnDeviceCreated();
  if (!g_CurrentDevice) return;
  m_waterQuad.primitiveType = D3DPT_TRIANGLELIST;
  m_waterQuad.primitiveCount = 0;
  if (SUCCEEDED(CreateVertexBuffer<DX_V::PT2>(kWaterVertexCount, m_waterQuad.vertices, D3DUSAGE_WRITEONLY,
                                                D3DPOOL_MANAGED))) {
    m_waterQuad.primitiveCount = 2;
  }
  DS_ScreenQuad empty;
  BuildColoredQuad(m_tintQuad, LakeTintVertexColor(tint.GetValue()), empty);
  BuildColoredQuad(m_lineQuad, LakeTintVertexColor(tint.GetValue()), empty);
  SetTintAlphas();
  OnImageChanged();
  BuildWaterGeometry();
  SetBumpCoords();
  SetTintColor();
  MakeReflection();
  LookUpBumpTexture();
}

void FakeLake2D::OnImageChanged() {
  BindPicture();
  SetSize(m_width, m_height);
  MakeReflection();
  BuildWaterGeometry();
}

void FakeLake2D::OnDeviceRestored() {
  if (!g_CurrentDevice) return;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  g_CurrentDevice->SetTransform(D3DTS_WORLD, &identity);
  // The bump stages bind their textures (and the bump matrix); the layer's states then
  // put the stages back to plain ones, and stage 1 loses the reflection.
  SetBumpStages();
  SetDrawStates(ds_states::kLayerDraw);
  g_CurrentDevice->SetTexture(1, nullptr);
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  m_targets.Create(int(desc.Width), int(desc.Height));
}

void FakeLake2D::SetBumpStages() {
  if (!g_CurrentDevice) return;
  if (!m_bump) {
    // No bump map in the document: the reflection itself, read through the mirrored
    // coordinates, rather than a bump stage sampling no texture.
    g_CurrentDevice->SetTexture(0, m_reflection.Get());
    g_CurrentDevice->SetTexture(1, nullptr);
    SetDrawStates(kMirrorWaterDraw);
    return;
  }
  g_CurrentDevice->SetTexture(0, m_bump.Get());
  g_CurrentDevice->SetTexture(1, m_reflection.Get());
  const DS_StateRow bumpMatrix[] = {
      StageRow(0, D3DTSS_BUMPENVMAT00, FloatState(m_bumpMatrix[0])),
      StageRow(0, D3DTSS_BUMPENVMAT01, FloatState(m_bumpMatrix[1])),
      StageRow(0, D3DTSS_BUMPENVMAT10, FloatState(m_bumpMatrix[2])),
      StageRow(0, D3DTSS_BUMPENVMAT11, FloatState(m_bumpMatrix[3])),
  };
  SetDrawStates(kBumpWaterDraw, bumpMatrix);
}

DS_StateBlock FakeLake2D::LayerStates(const DS_DrawStates&) const { return kLakeStates; }

// ---- frame ----

void FakeLake2D::Update(float t) {
  DS_2D_Light::Update(t);
  speed.Advance(t);
  LakeBumpMatrix(speed.GetAccumulatedTime(), m_bumpMatrix);
}

void FakeLake2D::Render(bool noClear) {
  if (!g_CurrentDevice) return;
  // The picture's clear and the depth buffer's in one. Inside a capture no depth surface
  // is set, and clearing one would fail the whole clear.
  const DWORD flags = D3DCLEAR_TARGET | (HasDepthSurface() ? D3DCLEAR_ZBUFFER : 0);
  g_CurrentDevice->Clear(0, nullptr, flags, kPictureClearColor, 1.0f, 0);
  DS_2D_Light::Render(true);
  if (m_waterQuad.vertices.buffer && m_waterQuad.primitiveCount > 0) {
    g_CurrentDevice->SetStreamSource(0, m_waterQuad.vertices.buffer.Get(), 0, kWaterStride);
    SetBumpStages();
    g_CurrentDevice->SetVertexShader(nullptr);
    g_CurrentDevice->SetFVF(DX_V::PT2::FVF);
    g_CurrentDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, UINT(m_waterQuad.primitiveCount));
    g_CurrentDevice->SetTexture(1, nullptr);
  }
  DrawColoredPrimitive(m_tintQuad);
  DrawColoredPrimitive(m_lineQuad);
}

void FakeLake2D::DrawTexturedIndexedPT(DS_PreparedMesh& object, int argument, int ignored) {
  DrawPreparedMesh(object, argument, kWrapSampler);
}
