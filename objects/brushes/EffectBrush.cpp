#include "objects/brushes/EffectBrush.h"

#include <objbase.h>

#include <cmath>

#include "device/DeviceUtil.h"
#include "document/DocResManager.h"
#include "document/FieldIO.h"
#include "render/ABRender.h"
#include "render/EffectNames.h"
#include "render/SceneMapping.h"
#include "render/ScreenQuad.h"
#include "render/TimeLine.h"

namespace {

// Techniques and parameters every brush effect offers.
const char kTechniqueMainFX[] = "MainFX";

// One stored step of the default scale: what a scale of 0 becomes, since the
// effect's texture space is divided by it.
const float kSmallestEffectScale = 0.02f;

GUID NewGuid() {
  GUID guid = GUID_NULL;
  if (FAILED(CoCreateGuid(&guid))) guid = GUID_NULL;
  return guid;
}

// A scene coordinate as a fraction of the scene size; 0 before any layer was sized.
float SceneFraction(float coordinate, int sceneSize) {
  return sceneSize > 0 ? coordinate / float(sceneSize) : 0.0f;
}

}  // namespace

// ---- DS_FX_Constructor ----

DS_FX_Constructor::DS_FX_Constructor()
    : speed(0u, 1.0f, 0.0f), fxMode(0), scale(50u, 0.02f, 0.0f), reservedInt(0), m_maskGuid(NewGuid()) {}

DS_FX_Constructor::DS_FX_Constructor(const DS_FX_Constructor& other)
    : DS_ABObj_Constructor(other),
      speed(other.speed),
      fxMode(other.fxMode),
      effectLink(other.effectLink),
      scale(other.scale),
      region(other.region),
      reservedInt(other.reservedInt),
      m_effect(other.m_effect),
      m_mask(other.m_mask),
      m_maskGuid(other.m_maskGuid),
      m_maskName(other.m_maskName),
      m_maskFlag(other.m_maskFlag) {
  ShareRegionMesh(other.m_regionMesh);
}

DS_FX_Constructor& DS_FX_Constructor::operator=(const DS_FX_Constructor& other) {
  if (this == &other) return *this;
  SetName(other.GetName());
  TimeLine().AssignSettings(other.TimeLine());
  speed = other.speed;
  fxMode = other.fxMode;
  effectLink = other.effectLink;
  scale = other.scale;
  region = other.region;
  reservedInt = other.reservedInt;
  m_maskGuid = other.m_maskGuid;
  m_maskName = other.m_maskName;
  m_maskFlag = other.m_maskFlag;
  m_mask = other.m_mask;
  m_effect = other.m_effect;
  ShareRegionMesh(other.m_regionMesh);
  return *this;
}

DS_FX_Constructor::~DS_FX_Constructor() = default;

void DS_FX_Constructor::ShareRegionMesh(const DS_GridMesh& other) {
  m_regionMesh.vertices.Unlock();
  m_regionMesh.vertices.buffer = other.vertices.buffer;
  m_regionMesh.vertices.vertexCount = other.vertices.vertexCount;
  m_regionMesh.indices.Unlock();
  m_regionMesh.indices.buffer = other.indices.buffer;
  m_regionMesh.indices.primitiveCount = other.indices.primitiveCount;
  m_regionMesh.primitiveType = other.primitiveType;
  m_regionMesh.primitiveCount = other.primitiveCount;
  m_regionMesh.columns = other.columns;
  m_regionMesh.rows = other.rows;
}

DS_ABObj* DS_FX_Constructor::CreateObject() { return new DS_BrushObj(Clone()); }

void DS_FX_Constructor::RenewMaskGuid() {
  m_mask.Release();
  m_maskGuid = NewGuid();
  m_maskName.clear();
  m_maskFlag = 1;
}

void DS_FX_Constructor::SetMaskKey(const GUID& guid, const ds_string& name, unsigned char flag) {
  m_maskGuid = guid;
  m_maskName = name;
  m_maskFlag = flag;
}

void DS_FX_Constructor::Prepare(DS_MaskHolder* mask) {
  // An effect that cannot be made leaves the brush without one: it then draws nothing.
  m_effect.Attach(g_CurrentDocResManager ? g_CurrentDocResManager->GetEffect(effectLink) : nullptr);
  SetMaskTexture(mask);
}

void DS_FX_Constructor::SetMaskTexture(DS_MaskHolder* mask) {
  if (mask == &m_mask) return;
  if (!mask) {
    m_mask.Release();
    return;
  }
  m_mask = *mask;
}

void DS_FX_Constructor::BuildMesh() {
  DS_ScreenQuad quad;
  for (int k = 0; k < MediaQuad::kCornerCount; ++k) {
    const D3DXVECTOR3& c = region.Corner(k).GetValue();
    quad.v[k].x = c.x;
    quad.v[k].y = c.y;
    quad.v[k].z = c.z;
    quad.v[k].u = SceneFraction(c.x, g_SceneWidth);
    quad.v[k].v = SceneFraction(c.y, g_SceneHeight);
  }
  m_regionMesh.FillFromQuad(quad);
}

void DS_FX_Constructor::Update(float localTime) { speed.Advance(localTime); }

// ---- record ----

void DS_FX_Constructor::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

template <class IO>
void DS_FX_Constructor::Fields(IO& io, int version) {
  io.Field(speed);
  io.Long(fxMode);
  io.Guid(m_maskGuid);
  io.String(m_maskName);
  io.Byte(m_maskFlag);
  io.Link(effectLink);
  if (version >= kFirstVersionWithScale) io.Field(scale);
  if (version >= kFirstVersionWithRegion) {
    io.Part(region);
    io.Long(reservedInt);
  }
}

void DS_FX_Constructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_ABObj_Constructor::ReadSection(handle);
}

void DS_FX_Constructor::WriteLevel(DS_IOF_Virtual& stream) const {
  // The document carries the mask in its GUID table. Only a copy that was made
  // replaces the table's picture: a brush that never took its mask must not wipe it.
  if (g_CurrentDocResManager && m_mask) {
    DS_MaskHolder copy;
    if (SUCCEEDED(ResampleTexture(kWrittenMaskSize, kWrittenMaskSize, m_mask, copy, D3DFMT_A8R8G8B8)) && copy) {
      g_CurrentDocResManager->GetGuidTexture(m_maskGuid) = copy;
    }
  }
  WriteLevelHeader(stream, L"DS_FX_Constructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_ABObj_Constructor::Write(stream);
}

// ---- effect parameters ----

float DS_FX_Constructor::PictureAspect(const DS_ABRender& layer) {
  const unsigned width = layer.GetPictureWidth();
  const unsigned height = layer.GetPictureHeight();
  // A layer without a picture counts as square rather than dividing by zero.
  if (width == 0 || height == 0) return 1.0f;
  return float(width) / float(height);
}

float DS_FX_Constructor::EffectScale() const {
  const float s = scale.GetResult();
  return (s == 0.0f || !std::isfinite(s)) ? kSmallestEffectScale : s;
}

void DS_FX_Constructor::SetTechnique(bool fx) {
  if (m_effect) m_effect->SetTechnique(fx ? kTechniqueMainFX : kTechniqueMain);
}

void DS_FX_Constructor::SetFloats(const char* name, const float* values, UINT count) {
  if (m_effect) m_effect->SetFloatArray(name, values, count);
}

void DS_FX_Constructor::SetTexture(const char* name, IDirect3DTexture9* texture) {
  if (m_effect) m_effect->SetTexture(name, texture);
}

void DS_FX_Constructor::ApplyCommonParameters(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  const float aspect = PictureAspect(*layer);
  const float s = EffectScale();
  SetTechnique(IsFXMode());
  const float scaleValues[2] = {aspect / s, 1.0f / s};
  SetFloats(kParamScale, scaleValues, 2);
  SetTexture(kParamMask, m_mask.Get());
  SetTexture(kParamBackground, layer->GetSceneTexture().Get());
  layer->DrawPT(layer->GetLayerQuad(), m_effect.Get());
}

void DS_FX_Constructor::SetCommonParameters(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  const float aspect = PictureAspect(*layer);
  const float s = EffectScale();
  const float scaleValues[4] = {aspect / s, 1.0f / s, s / aspect, s};
  SetFloats(kParamScale, scaleValues, 4);
  SetTexture(kParamMask, m_mask.Get());
  SetTexture(kParamBackground, layer->GetSceneTexture().Get());
  SetTechnique(IsFXMode());
}

void DS_FX_Constructor::DrawRegion(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  if (!IsFXMode()) {
    SetTechnique(false);
    layer->DrawIndexedPT(m_regionMesh, m_effect.Get());
  } else {
    SetTechnique(true);
    layer->DrawPT(layer->GetLayerQuad(), m_effect.Get());
  }
}

// ---- DS_BrushObj ----

DS_BrushObj::DS_BrushObj(DS_FX_Constructor* brush) : DS_ABObj(brush), m_brush(brush) {
  if (!m_brush) return;
  // The mask is the picture the document keeps under the brush's GUID; the table
  // gets an empty slot for a GUID it does not hold.
  if (g_CurrentDocResManager) {
    m_brush->Prepare(&g_CurrentDocResManager->GetGuidTexture(m_brush->GetMaskGuid()));
  } else {
    DS_MaskHolder none;
    m_brush->Prepare(&none);
  }
}

void DS_BrushObj::Render(DS_ABRender* layer) {
  if (m_brush && layer) m_brush->Render(layer);
}

void DS_BrushObj::OnMouseMove(int x, int y) {
  if (m_brush) m_brush->OnObjectMouse(x);
}

// A brush without an effect draws nothing, and some brushes draw less than the whole
// picture; asking for the scene then would leave the picture in the off-screen target
// and not all of it on the one drawn next.
bool DS_BrushObj::NeedsSceneInput() const {
  return m_brush && m_brush->IsFXMode() && m_brush->GetEffect() && m_enabled && m_brush->RedrawsScene();
}

void DS_BrushObj::Update(float localTime) {
  if (m_brush) m_brush->Update(localTime);
}
