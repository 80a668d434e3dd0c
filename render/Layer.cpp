#include "render/Layer.h"

#include <cmath>

#include "device/DeviceGlobals.h"
#include "device/DeviceUtil.h"
#include "device/ResourceLookup.h"
#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/ModuleResources.h"
#include "render/DeviceStates.h"
#include "render/EffectPasses.h"
#include "render/ObjectModel.h"
#include "render/SceneMapping.h"
#include "render/ViewContext.h"

namespace {

IDirect3DDevice9* Device() { return g_CurrentDevice; }

template <class V>
void DrawIndexed(const DS_IndexedMesh<V>& geometry, int primitiveCount) {
  DrawIndexedMeshPrimitives(geometry, primitiveCount);
}

template <class V>
void DrawPlain(const DS_SimpleMesh<V>& geometry) {
  DrawMeshPrimitives(geometry, geometry.primitiveCount);
}

// Whether the mesh has vertices and indices to draw, in buffers or in memory.
template <class V>
bool HasGeometry(const DS_IndexedMesh<V>& geometry) {
  return geometry.vertices.HasData() && geometry.indices.HasData();
}

void SetWorld(const D3DXMATRIX& world) {
  if (g_CurrentViewContext) g_CurrentViewContext->SetWorld(world);
}

void ApplyTransforms() {
  if (g_CurrentViewContext) g_CurrentViewContext->ApplyTransforms();
}

IOF_Virtual_ReaderT_II<DS_2D_Light, DS_2D_Light> s_layerReader(L"DS_2D_Light");

}  // namespace

// ---- record ----

DS_2D_Light::DS_2D_Light() : m_picture(kDefaultPictureResource, kSharedModuleName) {
  m_binders.SetTarget(this, false);
  m_binders.BindChange<DS_2D_Light>(m_picture, this, &DS_2D_Light::OnImageChanged);
}

DS_2D_Light::~DS_2D_Light() {
  // A pair still drawn into holds the device's own target: give it back first.
  if (m_captureOpen) m_targets.EndRender();
}

template <class IO>
void DS_2D_Light::Fields(IO& io, int version) {
  if (version > 1) io.Link(m_picture);
  // From version 3 the camera's record follows.
}

void DS_2D_Light::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  if (version > 2) m_camera.ReadRecord(handle);
}

void DS_2D_Light::ReadBaseRecord(DS_IOF_Handle& handle) {
  const int version = ReadLevelHeader(*handle);
  Read(handle, version);
}

void DS_2D_Light::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_2D_Light", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  m_camera.Write(stream);
}

DS_2D_Light* ReadAny2DLight(DS_IOF_Handle& handle) {
  return DispatchRecord<DS_2D_Light>(handle, IOF_Virtual_ReaderII<DS_2D_Light>::GetRegistry());
}

// ---- device hooks ----

void DS_2D_Light::BindPicture() {
  m_pictureRef = DS_TextureRef();
  if (DS_TextureSet* set = LookupTextureSet(m_picture)) set->GetFirstFrame(m_pictureRef);
  m_layerQuad.texture = m_pictureRef.texture;
  m_layerQuad.SetSize(float(m_pictureRef.width), float(m_pictureRef.height));
}

void DS_2D_Light::OnDeviceCreated() {
  m_layerQuad.ResetTexCoords();
  BindPicture();
  if (g_CurrentViewContext) g_CurrentViewContext->BindSurroundTextures(m_camera.surroundImage);
}

void DS_2D_Light::OnDeviceRestored() {
  if (!Device()) return;
  SetDrawStates(ds_states::kLayerDraw);
  // The document's own device objects are restored once by the slide show, whatever
  // layer the slide has.
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  m_targets.Create(int(desc.Width), int(desc.Height));
}

void DS_2D_Light::OnDeviceLost() {
  if (m_captureOpen) {
    m_targets.EndRender();
    m_captureOpen = false;
  }
  m_targets.ReleaseTextures();
  m_sceneTexture.Release();
}

// ---- frame ----

void DS_2D_Light::Render(bool noClear) {
  if (!Device()) return;
  ApplyTransforms();
  SetWorld(m_layerQuad.world);
  if (!noClear) g_CurrentDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kPictureClearColor, 1.0f, 0);
  SetDrawStates(ds_states::kPictureDraw);
  if (!m_layerQuad.vertices.HasData()) return;
  g_CurrentDevice->SetTexture(0, m_layerQuad.texture.Get());
  SetPTStream(m_layerQuad.vertices.buffer.Get());
  DrawPlain(m_layerQuad);
}

void DS_2D_Light::RenderSurround(bool skip) {
  if (skip || !g_CurrentViewContext || !Device()) return;
  SetDrawStates(ds_states::kSurroundDraw);
  g_CurrentViewContext->DrawSurround();
}

void DS_2D_Light::Update(float t) { m_camera.Update(t); }

void DS_2D_Light::FitPicture(int width, int height, int fitType) const {
  if (g_CurrentViewContext) {
    g_CurrentViewContext->FitPicture(GetPictureWidth(), GetPictureHeight(), width, height, fitType);
  }
}

void DS_2D_Light::SetSize(int width, int height) {
  if (!IsTargetActive()) {
    m_width = width;
    m_height = height;
  }
  const int fitType = g_CurrentViewContext ? g_CurrentViewContext->GetFitType() : m_captureFitType;
  FitPicture(m_width, m_height, fitType);
  DS_ScreenQuad fitted;
  fitted.FitTexture(GetPictureWidth(), GetPictureHeight(), width, height);
  fitted.ScaleToBackBuffer(width, height);
  PublishSceneMapping(GetPictureHeight(), fitted, width, height, GetPictureWidth());
}

void DS_2D_Light::SetFitType(int type) {
  m_captureFitType = type;
  FitPicture(m_width, m_height, type);
  SetSize(m_width, m_height);
}

unsigned DS_2D_Light::GetPictureWidth() const { return unsigned(m_pictureRef.width); }
unsigned DS_2D_Light::GetPictureHeight() const { return unsigned(m_pictureRef.height); }

bool DS_2D_Light::IsCameraDriftOn() const { return m_camera.driftMode.GetValue() == 1; }

bool DS_2D_Light::IsStill() const { return m_camera.on.GetValue() == 0 || !IsCameraDriftOn(); }

bool DS_2D_Light::SetCameraDrift(bool on) {
  const bool wasOn = IsCameraDriftOn();
  m_camera.driftMode.StoreValue(on ? 1 : 0);
  m_camera.ClearDrift();
  return wasOn;
}

void DS_2D_Light::OnImageChanged() {
  BindPicture();
  SetSize(m_width, m_height);
}

// ---- overlay and target quads ----

void DS_2D_Light::DrawOverlay(const DS_SimpleMesh<DX_V::SC>* overlay) {
  if (!overlay || !overlay->vertices.HasData() || !Device()) return;
  SetDrawStates(ds_states::kOverlayDraw);
  SetSCStream(overlay->vertices.buffer.Get());
  DrawPlain(*overlay);
}

void DS_2D_Light::DrawOverlayVertices(const DX_V::SC* quad) {
  if (!quad || !Device()) return;
  // The states are set all the same, as for any draw.
  SetDrawStates(ds_states::kOverlayDraw);
  // Fully transparent, the quad would leave every pixel as it is.
  bool shows = false;
  for (int i = 0; i < 4; ++i) shows = shows || (quad[i].color >> 24) != 0;
  if (shows) {
    SetSCStream(nullptr);
    g_CurrentDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(DX_V::SC));
  }
}

void DS_2D_Light::DrawTargetQuad(const DS_ScreenTexturedQuad& quad) {
  if (!quad.vertices.HasData() || !Device()) return;
  SetDrawStates(ds_states::kTargetQuadDraw);
  g_CurrentDevice->SetTexture(0, quad.texture.Get());
  SetScreenQuadStream(quad.vertices.buffer.Get());
  DrawPlain(quad);
}

// ---- drawing interface ----

void DS_2D_Light::DrawIndexedPT(const DS_IndexedMesh<DX_V::PT>& geometry, ID3DXEffect* effect) {
  if (!Device() || !HasGeometry(geometry)) return;
  g_CurrentDevice->SetIndices(geometry.indices.buffer.Get());
  SetPTStream(geometry.vertices.buffer.Get());
  SetDrawStates(ds_states::kEffectDraw);
  RunEffectPasses(effect, [&] { DrawIndexed(geometry, geometry.indices.primitiveCount); });
}

void DS_2D_Light::DrawPT2(const DS_SimpleMesh<DX_V::PT2>& geometry, ID3DXEffect* effect) {
  if (!Device() || !geometry.vertices.HasData()) return;
  SetWorld(geometry.world);
  g_CurrentDevice->SetVertexShader(nullptr);
  g_CurrentDevice->SetFVF(DX_V::PT2::FVF);
  g_CurrentDevice->SetStreamSource(0, geometry.vertices.buffer.Get(), 0, sizeof(DX_V::PT2));
  SetDrawStates(ds_states::kEffectDraw);
  RunEffectPasses(effect, [&] { DrawPlain(geometry); });
}

void DS_2D_Light::DrawPT(const DS_SimpleMesh<DX_V::PT>& geometry, ID3DXEffect* effect) {
  if (!Device() || !geometry.vertices.HasData()) return;
  SetWorld(geometry.world);
  SetPTStream(geometry.vertices.buffer.Get());
  SetDrawStates(ds_states::kEffectDraw);
  RunEffectPasses(effect, [&] { DrawPlain(geometry); });
}

void DS_2D_Light::DrawIndexedPCT(const DS_IndexedMesh<DX_V::PCT>& geometry, ID3DXEffect* effect, int primitiveCount,
                                 float unused) {
  if (!Device() || !HasGeometry(geometry)) return;
  SetWorld(geometry.world);
  g_CurrentDevice->SetIndices(geometry.indices.buffer.Get());
  SetPCTStream(geometry.vertices.buffer.Get());
  if (effect) {
    SetDrawStates(ds_states::kTexturedColourEffectDraw);
    RunEffectPasses(effect, [&] { DrawIndexed(geometry, primitiveCount); });
    return;
  }
  SetDrawStates(ds_states::kTexturedColourDraw);
  DrawIndexed(geometry, primitiveCount);
}

void DS_2D_Light::DrawIndexedPCTEffect(const DS_IndexedMesh<DX_V::PCT>& geometry, ID3DXEffect* effect) {
  if (!Device() || !HasGeometry(geometry)) return;
  SetWorld(geometry.world);
  g_CurrentDevice->SetIndices(geometry.indices.buffer.Get());
  SetPCTStream(geometry.vertices.buffer.Get());
  SetDrawStates(ds_states::kEffectDraw);
  RunEffectPasses(effect, [&] { DrawIndexed(geometry, geometry.indices.primitiveCount); });
}

void DS_2D_Light::DrawMeshNode(const DS_MeshNode& node) {
  if (!Device() || !HasGeometry(node)) return;
  ApplyTransforms();
  g_CurrentDevice->SetTexture(0, node.texture.Get());
  g_CurrentDevice->SetIndices(node.indices.buffer.Get());
  SetPNTStream(node.vertices.buffer.Get());
  const bool twoSided = node.twoSided != 0;
  SetDrawStates(twoSided ? ds_states::kTwoSidedMeshNodeDraw : ds_states::kMeshNodeDraw);
  // Front faces first; a two-sided node then draws its back faces over them.
  for (int pass = 0; pass < (twoSided ? 2 : 1); ++pass) {
    for (const DS_Frame* instance : node.instances) {
      if (!instance) continue;
      SetWorld(instance->world);
      const bool counterClockwise = (instance->cullCounterClockwise != 0) != (pass == 1);
      ApplyStates(counterClockwise ? ds_states::kCullCounterClockwise : ds_states::kCullClockwise);
      DrawIndexed(node, node.indices.primitiveCount);
    }
  }
}

void DS_2D_Light::DrawSpriteArray(const DS_SpriteArrayDraw& sprites) {
  const DS_IndexedMesh<DX_V::PCT>* geometry = sprites.geometry;
  if (!Device() || !geometry || !HasGeometry(*geometry)) return;
  // Two triangles per sprite, never more than the index buffer holds.
  int triangles = sprites.particleCount > 0 ? 2 * sprites.particleCount : 0;
  if (triangles > geometry->indices.primitiveCount) triangles = geometry->indices.primitiveCount;
  ApplyTransforms();
  SetWorld(geometry->world);
  g_CurrentDevice->SetTexture(0, sprites.texture);
  g_CurrentDevice->SetIndices(geometry->indices.buffer.Get());
  SetPCTStream(geometry->vertices.buffer.Get());
  SetDrawStates(ds_states::kSpriteArrayDraw);
  // Additive when the item asks for it; with a second picture only that one is.
  const bool additiveFirst = !sprites.secondTexture && sprites.additive != 0;
  ApplyStates(additiveFirst ? ds_states::kAdditiveBlend : ds_states::kAlphaBlend);
  DrawIndexed(*geometry, triangles);
  if (sprites.secondTexture) {
    ApplyStates(ds_states::kSpriteSecondTexture);
    g_CurrentDevice->SetTexture(0, sprites.secondTexture);
    ApplyStates(sprites.additive == 1 ? ds_states::kAdditiveBlend : ds_states::kAlphaBlend);
    DrawIndexed(*geometry, triangles);
  }
}

void DS_2D_Light::DrawMeshNodeTwoPass(const DS_TexturedMesh<DX_V::PNT>& mesh) {
  // A mesh without copies has nothing to draw.
  if (!Device() || mesh.children.empty() || !HasGeometry(mesh)) return;
  ApplyTransforms();
  g_CurrentDevice->SetTexture(0, mesh.texture.Get());
  g_CurrentDevice->SetIndices(mesh.indices.buffer.Get());
  SetPNTStream(mesh.vertices.buffer.Get());
  SetDrawStates(ds_states::kTwoPassMeshDraw);
  for (const DS_Frame* child : mesh.children) {
    if (!child) continue;
    SetWorld(child->world);
    ApplyStates(ds_states::kCullCounterClockwise);
    DrawIndexed(mesh, mesh.indices.primitiveCount);
    ApplyStates(ds_states::kCullClockwise);
    DrawIndexed(mesh, mesh.indices.primitiveCount);
  }
}

void DS_2D_Light::DrawTexturedIndexedPT(DS_PreparedMesh& object, int argument, int ignored) {
  DrawPreparedMesh(object, argument, kNoStates);
}

void DS_2D_Light::DrawPreparedMesh(DS_PreparedMesh& object, int argument, const DS_StateBlock& extra) {
  if (!Device()) return;
  object.Prepare(argument);
  if (!HasGeometry(object)) return;
  SetDrawStates(ds_states::kPreparedMeshDraw, extra);
  g_CurrentDevice->SetTexture(0, object.texture.Get());
  g_CurrentDevice->SetIndices(object.indices.buffer.Get());
  SetPTStream(object.vertices.buffer.Get());
  DrawIndexed(object, object.indices.primitiveCount);
}

void DS_2D_Light::SetDrawStates(const DS_DrawStates& draw, const DS_StateBlock& extra) const {
  ApplyDrawStates(LayerStates(draw), draw, extra);
}

// ---- off-screen targets ----

void DS_2D_Light::BeginTarget(const DS_RenderTargetPair& pair, int fitType) {
  const int currentFit = g_CurrentViewContext ? g_CurrentViewContext->GetFitType() : m_targetFitType;
  // Each begin keeps its own layer size and fit type, so nested targets unwind
  // exactly, however deep.
  GetRenderSizeStack().push_back(DS_RenderSize{m_width, m_height, currentFit});
  ++m_targetDepth;
  m_targetFitType = currentFit;
  m_width = pair.GetWidth();
  m_height = pair.GetHeight();
  FitPicture(m_width, m_height, fitType);
}

void DS_2D_Light::EndTarget() {
  std::vector<DS_RenderSize>& stack = GetRenderSizeStack();
  // An end without its begin would pop another layer's size.
  if (m_targetDepth <= 0 || stack.empty()) return;
  const DS_RenderSize saved = stack.back();
  stack.pop_back();
  --m_targetDepth;
  m_width = saved.width;
  m_height = saved.height;
  m_targetFitType = saved.fitType;
  FitPicture(m_width, m_height, saved.fitType);
}

// ---- scene capture ----

void DS_2D_Light::BeginSceneCapture() {
  // A second begin would save the render-target layout as the fit to return to.
  if (m_captureOpen || !Device()) return;
  if (g_CurrentViewContext) m_captureFitType = g_CurrentViewContext->GetFitType();
  m_targets.BeginRender();
  m_captureOpen = m_targets.IsRendering();
  if (m_captureOpen) FitPicture(m_width, m_height, DS_ViewContext::kFitRenderTarget);
}

const DS_ComHolder<IDirect3DTexture9>& DS_2D_Light::FlipTarget() {
  if (!m_captureOpen) return m_targets.GetCurrent();
  return m_targets.Flip();
}

const DS_ComHolder<IDirect3DTexture9>& DS_2D_Light::EndSceneCapture(bool clear) {
  if (!m_captureOpen) return m_targets.GetCurrent();
  FitPicture(m_width, m_height, m_captureFitType);
  m_targets.EndRender();
  m_captureOpen = false;
  if (clear && Device()) {
    // Clearing a depth buffer the device does not have fails the whole clear.
    const DWORD flags = D3DCLEAR_TARGET | (HasDepthSurface() ? D3DCLEAR_ZBUFFER : 0);
    g_CurrentDevice->Clear(0, nullptr, flags, kCaptureEndClearColor, 1.0f, 0);
  }
  return m_targets.GetCurrent();
}

void DS_2D_Light::RenderObjects(const DS_ObjectList& objects, const std::vector<bool>& needsScene,
                                int sceneUsers) {
  m_sceneTexture = m_pictureRef.texture;
  for (size_t i = objects.size(); i-- > 0;) {
    DS_ABObj* object = objects[i].Get();
    if (!object) continue;
    if (i < needsScene.size() && needsScene[i] && m_captureOpen) {
      --sceneUsers;
      m_sceneTexture = sceneUsers > 0 ? FlipTarget() : EndSceneCapture(false);
    }
    if (object->IsEnabled()) object->Render(this);
    m_sceneTexture = m_pictureRef.texture;
  }
  // What is left open here and not counted for the layer itself has nobody to end
  // it: drawing must not stay in the pair.
  if (m_captureOpen && sceneUsers <= 0) EndSceneCapture(false);
}
