#include "objects/particles/TexParticleGenerator.h"

#include <objbase.h>

#include "device/DeviceGlobals.h"
#include "device/DeviceUtil.h"
#include "device/ResourceLookup.h"
#include "document/DocResManager.h"
#include "document/FieldIO.h"
#include "objects/particles/ParticlesObj.h"
#include "render/ABRender.h"
#include "render/EffectNames.h"
#include "render/ViewContext.h"

namespace {

// Least stored size of one texture link: an empty string and the stamp.
const size_t kLeastLinkBytes = kLeastStringBytes + 8;

const char* const kTechniqueBlendMask = "BlendMask";
const char* const kTechniqueJoinMask = "JoinMask";
const char* const kTechniqueCommon = "CommonTex";
const char* const kTechniqueScreen = "Blend_ScreenTex";
const char* const kTechniqueColorDodge = "Blend_ColorDodgeTex";
const char* const kTechniqueSum = "Blend_SumTex";

GUID NewTargetKey() {
  GUID guid = GUID_NULL;
  CoCreateGuid(&guid);
  return guid;
}

}  // namespace

DS_TexParticleGenerator::DS_TexParticleGenerator() : targetKey(NewTargetKey()) {}

DS_TexParticleGenerator::DS_TexParticleGenerator(const DS_TexParticleGenerator& other)
    : DS_ParticleGenerator(other), textureLinks(other.textureLinks), effectLink(other.effectLink),
      colour1(other.colour1), colour2(other.colour2), blendMode(other.blendMode), verticalFlip(other.verticalFlip),
      horizontalFlip(other.horizontalFlip), textureSetMode(other.textureSetMode), textureSets(other.textureSets),
      effect(other.effect), target(other.target), targetKey(other.targetKey),
      // The clone belongs to the object that prepares it, not to the item's object.
      object(nullptr), m_reservedText(other.m_reservedText), m_reservedValue(other.m_reservedValue) {}

DS_TexParticleGenerator::~DS_TexParticleGenerator() = default;

template <class IO>
void DS_TexParticleGenerator::Fields(IO& io, int version) {
  io.List(textureLinks, kLeastLinkBytes, [](IO& item, DS_ImageFileLink& link) { item.Link(link); });
  io.Link(effectLink);
  io.Field(colour1);
  io.Field(colour2);
  io.Int(blendMode);
  if (version > 1) {
    io.Int(verticalFlip);
    io.Int(horizontalFlip);
  }
  if (version > 2) io.Int(textureSetMode);
}

void DS_TexParticleGenerator::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_TexParticleGenerator", kRecordVersion);
  if (g_CurrentDocResManager) {
    for (const DS_ImageFileLink& link : textureLinks) g_CurrentDocResManager->RegisterUsedImage(link);
  }
  WriteFields(stream, *this, kRecordVersion);
  DS_ParticleGenerator::Write(stream);
}

void DS_TexParticleGenerator::ReadSection(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

void DS_TexParticleGenerator::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  if (version <= 1) {
    verticalFlip.Value() = 0;
    horizontalFlip.Value() = 0;
  }
  DS_ParticleGenerator::ReadSection(handle);
}

DS_TextureFrameInfo& DS_TexParticleGenerator::GetTextureFrameInfo(DS_TextureFrameInfo& info, int flag) const {
  info = DS_TextureFrameInfo();
  if (!textureLinks.empty()) {
    info.imageLink = &textureLinks.front();
    info.mode = textureSetMode;
  }
  return info;
}

void DS_TexParticleGenerator::PrepareResources(DS_ParticlesObj* particlesObject) {
  object = particlesObject;
  DS_DocResManager* manager = g_CurrentDocResManager;
  textureSets.clear();
  // Without a document the generator keeps no sets at all, not one empty set per link.
  if (manager) {
    for (const DS_ImageFileLink& link : textureLinks)
      textureSets.push_back(textureSetMode == 0 ? LookupTextureSet(link) : LookupAddOnTextureSet(link));
  }
  effect.Attach(manager ? manager->GetEffect(effectLink) : nullptr);
}

bool DS_TexParticleGenerator::BlendReadsScene() const {
  const int mode = blendMode.GetValue();
  return mode == kBlendScreen || mode == kBlendColorDodge;
}

bool DS_TexParticleGenerator::CanComposite() const { return effect && (!target || target->IsValid()); }

bool DS_TexParticleGenerator::NeedsSceneInput() const { return BlendReadsScene() && CanComposite(); }

void DS_TexParticleGenerator::AcquireTarget() {
  if (!g_CurrentDocResManager) return;
  target = g_CurrentDocResManager->GetGuidRenderTarget(targetKey);
  if (!target) return;
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  target->Create(static_cast<int>(desc.Width), static_cast<int>(desc.Height));
}

IDirect3DTexture9* DS_TexParticleGenerator::GetCurrentTexture(int i) const {
  // The families index their sets by fixed numbers; a document may supply fewer links.
  if (i < 0 || static_cast<size_t>(i) >= textureSets.size() || !textureSets[size_t(i)]) return nullptr;
  return textureSets[size_t(i)]->GetCurrentTexture();
}

void DS_TexParticleGenerator::DrawParticles(DS_ABRender* layer, IDirect3DTexture9* texture,
                                            DS_ParticlesObj* particlesObject) {
  if (!layer || !particlesObject || !g_CurrentDevice) return;
  const DS_IndexedMesh<DX_V::PCT>* slot = particlesObject->GetSlot(0);
  // A layer without a picture is left out rather than drawn as white squares; an
  // object that took the scene still composes its empty mask, which puts it back.
  if (!slot || (!texture && !NeedsSceneInput())) return;
  const int triangles = static_cast<int>(2 * particlesObject->GetQuadCount(0));

  if (effect && !target) AcquireTarget();
  if (!effect || !target || !target->IsValid()) {
    if (!texture) return;
    g_CurrentDevice->SetTexture(0, texture);
    layer->DrawIndexedPCT(*slot, nullptr, triangles, 1.0f);
    return;
  }
  effect->SetTechnique(kTechniqueBlendMask);
  target->BeginRender();
  layer->BeginTarget(*target, DS_ViewContext::kFitRenderTarget);
  g_CurrentDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kMaskClearColor, 1.0f, 0);
  if (texture) {
    effect->SetTexture(kParamTexture1, texture);
    layer->DrawIndexedPCT(*slot, effect.Get(), triangles, 1.0f);
  }
  target->EndRender();
  layer->EndTarget();
  Composite(layer);
}

void DS_TexParticleGenerator::DrawJoinedMask(DS_ParticlesObj* particlesObject, int last, DS_ABRender* layer) {
  if (!layer || !particlesObject || !g_CurrentDevice || !effect) return;
  if (!target) AcquireTarget();
  if (!target || !target->IsValid()) return;
  // A family's fixed last index must not reach past the slots its object has.
  if (last >= particlesObject->GetSlotCount()) last = particlesObject->GetSlotCount() - 1;

  effect->SetTechnique(kTechniqueJoinMask);
  target->BeginRender();
  layer->BeginTarget(*target, DS_ViewContext::kFitRenderTarget);
  g_CurrentDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kJoinedMaskClearColor, 1.0f, 0);
  for (int i = 0; i <= last; ++i) {
    IDirect3DTexture9* texture = GetCurrentTexture(i);
    if (!texture) continue;  // a layer whose picture is missing is left out
    effect->SetTexture(kParamTexture1, texture);
    layer->DrawIndexedPCT(*particlesObject->GetSlot(i), effect.Get(),
                          static_cast<int>(2 * particlesObject->GetQuadCount(i)), 1.0f);
  }
  target->EndRender();
  layer->EndTarget();
}

void DS_TexParticleGenerator::Composite(DS_ABRender* layer) {
  if (!layer || !effect || !target) return;
  IDirect3DTexture9* drawn = target->GetCurrent().Get();
  switch (blendMode.GetValue()) {
    case kBlendCommon:
      effect->SetTechnique(kTechniqueCommon);
      effect->SetTexture(kParamTexture1, drawn);
      break;
    case kBlendScreen:
      effect->SetTechnique(kTechniqueScreen);
      effect->SetTexture(kParamTexture1, layer->GetSceneTexture().Get());
      effect->SetTexture(kParamTexture2, drawn);
      break;
    case kBlendColorDodge:
      effect->SetTechnique(kTechniqueColorDodge);
      effect->SetTexture(kParamTexture1, layer->GetSceneTexture().Get());
      effect->SetTexture(kParamTexture2, drawn);
      break;
    case kBlendSum:
      effect->SetTechnique(kTechniqueSum);
      effect->SetTexture(kParamTexture1, drawn);
      break;
    default:
      // No technique belongs to other values: whatever the shared effect was last set
      // to would be drawn over the whole picture, so nothing is drawn.
      return;
  }
  layer->DrawPT(layer->GetLayerQuad(), effect.Get());
}
