#include "objects/sprites/FXParticleCtrl.h"

#include <objbase.h>

#include <cmath>

#include "device/DeviceGlobals.h"
#include "device/RenderTargetPair.h"
#include "document/DocResManager.h"
#include "document/FieldIO.h"
#include "document/FileLink.h"
#include "document/TextureSet.h"
#include "render/ABRender.h"
#include "render/EffectNames.h"
#include "render/SceneMapping.h"
#include "render/TimeLine.h"

namespace {

const char* const kTechniqueSprites = "Common";
const char* const kParamBlendColor = "BlendColor";

// The additive value that composites with the screen blend.
const int kAdditiveScreen = 1;

}  // namespace

// ---- DS_FXParticleSystemCtrl ----

IDirect3DTexture9* DS_FXParticleSystemCtrl::CurrentFrameOf(const DS_ImageFileLink& link) {
  if (link.GetPath().empty()) return nullptr;
  return LookupCurrentFrame(link);
}

void DS_FXParticleSystemCtrl::Prepare() {
  // Attach keeps one reference, also when the manager hands back the effect held.
  m_effect.Attach(g_CurrentDocResManager ? g_CurrentDocResManager->GetEffect(effectLink) : nullptr);
}

template <class IO>
void DS_FXParticleSystemCtrl::Fields(IO& io, int version) {
  io.Link(effectLink);
}

void DS_FXParticleSystemCtrl::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_FXParticleSystemCtrl", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_BaseSpriteProp::Write(stream);
}

void DS_FXParticleSystemCtrl::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

void DS_FXParticleSystemCtrl::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_BaseSpriteProp::ReadSection(handle);
}

// ---- DS_GlowEffectCtrl ----

DS_GlowEffectCtrl::DS_GlowEffectCtrl() : glowColour(0), intensity(kDefaultIntensity, kIntensityScale, 0.0f) {}

DS_ABObj* DS_GlowEffectCtrl::CreateObject() {
  ResolveImageLinks();
  return new DS_GlowingObj(static_cast<DS_GlowEffectCtrl*>(Clone()));
}

void DS_GlowEffectCtrl::Prepare() {
  DS_FXParticleSystemCtrl::Prepare();
  m_glowTexture.Set(CurrentFrameOf(secondImage));
  m_spriteTexture.Set(CurrentFrameOf(mainImage));
}

template <class IO>
void DS_GlowEffectCtrl::Fields(IO& io, int version) {
  io.Colour(glowColour);
  io.Field(intensity);
}

void DS_GlowEffectCtrl::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_GlowEffectCtrl", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_FXParticleSystemCtrl::Write(stream);
}

void DS_GlowEffectCtrl::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

void DS_GlowEffectCtrl::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_FXParticleSystemCtrl::ReadSection(handle);
}

D3DXVECTOR4 DS_GlowEffectCtrl::GetBlendColor(float alpha) const {
  const unsigned long stored = glowColour.GetValue();
  float a = alpha * intensity.GetResult();
  if (!std::isfinite(a)) a = 0.0f;
  return D3DXVECTOR4(static_cast<float>(stored & 0xFFu) / 255.0f, static_cast<float>((stored >> 8) & 0xFFu) / 255.0f,
                     static_cast<float>((stored >> 16) & 0xFFu) / 255.0f, a);
}

// ---- DS_BaseFXCtrl ----

void DS_BaseFXCtrl::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_BaseFXCtrl", kRecordVersion);
  DS_FXParticleSystemCtrl::Write(stream);
}

void DS_BaseFXCtrl::ReadSection(DS_IOF_Handle& handle) {
  ReadLevelHeader(*handle);
  DS_FXParticleSystemCtrl::ReadSection(handle);
}

// ---- DS_StatBaseFXCtrl ----

DS_StatBaseFXCtrl::DS_StatBaseFXCtrl()
    : position(D3DXVECTOR3(static_cast<float>(g_SceneWidth) / 2.0f, static_cast<float>(g_SceneHeight) / 2.0f, 0.0f)) {}

DS_ABObj* DS_StatBaseFXCtrl::CreateObject() {
  ResolveImageLinks();
  return new DS_FXObj(static_cast<DS_StatBaseFXCtrl*>(Clone()));
}

template <class IO>
void DS_StatBaseFXCtrl::Fields(IO& io, int version) {
  io.Vector(position);
  if (version >= kFirstVersionWithSize) {
    io.UInt(height);
    io.UInt(width);
  }
}

void DS_StatBaseFXCtrl::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_StatBaseFXCtrl", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_BaseFXCtrl::Write(stream);
}

void DS_StatBaseFXCtrl::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

void DS_StatBaseFXCtrl::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  DS_BaseFXCtrl::ReadSection(handle);
}

// ---- DS_GlowingObj ----

DS_GlowingObj::DS_GlowingObj(DS_GlowEffectCtrl* clone) : DS_ABObj(clone), m_control(clone), m_glowGuid() {
  if (FAILED(CoCreateGuid(&m_glowGuid))) m_glowGuid = GUID();
  item = clone;
  if (!clone) return;
  BindCountParam();
  clone->Prepare();
  if (!g_CurrentDocResManager) return;
  m_glowTarget = g_CurrentDocResManager->GetGuidRenderTarget(m_glowGuid);
  // The glow is always drawn at this size, whatever the back buffer.
  if (m_glowTarget) m_glowTarget->Create(kGlowTargetSize, kGlowTargetSize);
}

DS_GlowingObj::~DS_GlowingObj() = default;

// Switched off, the glow draws nothing and must not take the scene (as the particles).
bool DS_GlowingObj::NeedsSceneInput() const { return m_enabled && m_control && m_control->GetEffect(); }

void DS_GlowingObj::Update(float localTime) {
  if (!m_control) return;
  m_control->UpdateEffect();
  ParticleGeomArray::Update(localTime);
  WriteQuads(*m_control);
}

void DS_GlowingObj::Render(DS_ABRender* layer) {
  if (!layer || !m_control) return;
  ID3DXEffect* effect = m_control->GetEffect();
  if (!effect) return;
  const D3DXVECTOR4 blend = m_control->GetBlendColor(m_control->TimeLine().GetAlpha());

  // Glow pass: the sprites alone on the cleared glow target. A target without
  // textures (creation failed, or released for a device reset) is skipped, so
  // that the clear never reaches the scene.
  effect->SetTexture(kParamTexture1, m_control->GetGlowTexture());
  effect->SetTechnique(kTechniqueBlendMax);
  if (m_glowTarget) {
    m_glowTarget->BeginRender();
    if (m_glowTarget->IsRendering()) {
      layer->BeginTarget(*m_glowTarget, kGlowFitType);
      if (g_CurrentDevice) g_CurrentDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kGlowClearColor, 1.0f, 0);
      layer->DrawIndexedPCTEffect(*this, effect);
      m_glowTarget->EndRender();
      layer->EndTarget();
    }
  }

  // Composite pass: the scene drawn before the object, blended with the glow.
  effect->SetTechnique(m_control->additive.GetValue() == kAdditiveScreen ? kTechniqueBlendScreen : kTechniqueBlendNormal);
  const float blendValues[4] = {blend.x, blend.y, blend.z, blend.w};
  effect->SetFloatArray(kParamBlendColor, blendValues, 4);
  effect->SetTexture(kParamTexture1, layer->GetSceneTexture().Get());
  effect->SetTexture(kParamTexture2, m_glowTarget ? m_glowTarget->GetCurrent().Get() : nullptr);
  layer->DrawPT(layer->GetLayerQuad(), effect);

  // Sprite pass.
  effect->SetTechnique(kTechniqueSprites);
  effect->SetTexture(kParamTexture1, m_control->GetSpriteTexture());
  layer->DrawIndexedPCTEffect(*this, effect);
}

// ---- DS_FXObj ----

DS_FXObj::DS_FXObj(DS_StatBaseFXCtrl* clone) : DS_ABObj(clone), m_control(clone) {
  item = clone;
  if (!clone) return;
  BindCountParam();
  clone->Prepare();
}

DS_FXObj::~DS_FXObj() = default;

void DS_FXObj::Update(float localTime) {
  if (!m_control) return;
  ParticleGeomArray::Update(localTime);
  WriteQuads(*m_control);
}

void DS_FXObj::Render(DS_ABRender* layer) {
  if (!layer || !m_control) return;
  ID3DXEffect* effect = m_control->GetEffect();
  if (!effect) return;
  if (m_control->SetupEffect(layer, this)) layer->DrawIndexedPCTEffect(*this, effect);
}
