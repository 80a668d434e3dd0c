#pragma once
// A plain picture layer that records every call an object makes of it, with the
// recording effect's technique and parameters at that moment. Made with no size it
// draws on the test device as the plain layer does (the layer of the scene fixture,
// support/SceneTest.h); made with a picture size it needs no device: a draw only runs
// the effect's passes, as the layer would, and a target switch is only noted.
// Header-only: only the test programs that link ds_render include it.

#include <d3d9.h>

#include <map>
#include <string>
#include <vector>

#include "device/ComHolder.h"
#include "device/DeviceGlobals.h"
#include "device/RenderTargetPair.h"
#include "render/Layer.h"
#include "support/FakeEffect.h"
#include "support/SceneLayer.h"

namespace ds_test {

// One call of the recording layer.
struct RecordedDraw {
  // The drawing call without its "Draw" ("PT", "IndexedPT", "IndexedPCTEffect",
  // "MeshNode", ...), or "BeginTarget <width>x<height> fit <type>", "EndTarget".
  std::string kind;
  const void* geometry = nullptr;
  ID3DXEffect* effect = nullptr;
  // The recording effect's technique, and the last set of each of its parameters;
  // empty for a real effect or none.
  std::string technique;
  std::map<std::string, FakeEffect::ParamSet> params;

  // The last set of `name`; null when it was never set.
  const FakeEffect::ParamSet* Param(const std::string& name) const {
    const auto found = params.find(name);
    return found == params.end() ? nullptr : &found->second;
  }
  // The texture or the values `name` was last set to; null or empty when never set.
  IDirect3DBaseTexture9* Texture(const std::string& name) const {
    const FakeEffect::ParamSet* set = Param(name);
    return set ? set->texture : nullptr;
  }
  std::vector<float> Values(const std::string& name) const {
    const FakeEffect::ParamSet* set = Param(name);
    return set ? set->values : std::vector<float>();
  }
};

class RecordingLayer : public SceneLayer {
public:
  // Draws on the current device too.
  RecordingLayer() = default;
  // Without a device: a picture of width x height.
  RecordingLayer(unsigned width, unsigned height) : m_onDevice(false) { SetPictureSize(int(width), int(height)); }

  void BeginTarget(const DS_RenderTargetPair& pair, int fitType) override {
    RecordedDraw d;
    d.kind = "BeginTarget " + std::to_string(pair.GetWidth()) + "x" + std::to_string(pair.GetHeight()) + " fit " +
             std::to_string(fitType);
    draws.push_back(d);
    if (!m_onDevice) return;
    DS_ComHolder<IDirect3DSurface9> target, expected;
    g_CurrentDevice->GetRenderTarget(0, target.Receive());
    if (pair.GetCurrent()) pair.GetCurrent()->GetSurfaceLevel(0, expected.Receive());
    drawingIntoPair = target && target.Get() == expected.Get();
    SceneLayer::BeginTarget(pair, fitType);
  }
  void EndTarget() override {
    draws.push_back(RecordedDraw{"EndTarget"});
    if (m_onDevice) SceneLayer::EndTarget();
  }
  void DrawIndexedPT(const DS_IndexedMesh<DX_V::PT>& geometry, ID3DXEffect* effect) override {
    if (Record("IndexedPT", &geometry, effect)) SceneLayer::DrawIndexedPT(geometry, effect);
  }
  void DrawPT2(const DS_SimpleMesh<DX_V::PT2>& geometry, ID3DXEffect* effect) override {
    if (Record("PT2", &geometry, effect)) SceneLayer::DrawPT2(geometry, effect);
  }
  void DrawPT(const DS_SimpleMesh<DX_V::PT>& geometry, ID3DXEffect* effect) override {
    if (Record("PT", &geometry, effect)) SceneLayer::DrawPT(geometry, effect);
  }
  void DrawIndexedPCT(const DS_IndexedMesh<DX_V::PCT>& geometry, ID3DXEffect* effect, int primitiveCount,
                      float unused) override {
    if (Record("IndexedPCT", &geometry, effect)) SceneLayer::DrawIndexedPCT(geometry, effect, primitiveCount, unused);
  }
  void DrawIndexedPCTEffect(const DS_IndexedMesh<DX_V::PCT>& geometry, ID3DXEffect* effect) override {
    if (Record("IndexedPCTEffect", &geometry, effect)) SceneLayer::DrawIndexedPCTEffect(geometry, effect);
  }
  void DrawMeshNode(const DS_MeshNode& node) override {
    if (Record("MeshNode", &node, nullptr)) SceneLayer::DrawMeshNode(node);
  }
  void DrawSpriteArray(const DS_SpriteArrayDraw& sprites) override {
    if (Record("SpriteArray", &sprites, nullptr)) SceneLayer::DrawSpriteArray(sprites);
  }
  void DrawMeshNodeTwoPass(const DS_TexturedMesh<DX_V::PNT>& mesh) override {
    if (Record("TwoPass", &mesh, nullptr)) SceneLayer::DrawMeshNodeTwoPass(mesh);
  }
  void DrawTexturedIndexedPT(DS_PreparedMesh& object, int argument, int ignored) override {
    if (Record("TexturedIndexedPT", &object, nullptr)) SceneLayer::DrawTexturedIndexedPT(object, argument, ignored);
  }

  // Each call as its kind and, after a draw through the recording effect, the
  // technique ("IndexedPCTEffect Common").
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    for (const RecordedDraw& d : draws) calls.push_back(d.technique.empty() ? d.kind : d.kind + " " + d.technique);
    return calls;
  }

  std::vector<RecordedDraw> draws;
  // Whether the last BeginTarget came with the pair's texture already render target 0.
  bool drawingIntoPair = false;

private:
  // Notes the draw; true when the plain layer is to draw it. Without a device, runs
  // every pass of the current technique instead.
  bool Record(const char* kind, const void* geometry, ID3DXEffect* effect) {
    RecordedDraw d;
    d.kind = kind;
    d.geometry = geometry;
    d.effect = effect;
    if (const FakeEffect* fake = FakeEffect::Of(effect)) {
      d.technique = fake->CurrentTechnique();
      for (const FakeEffect::ParamSet& set : fake->ParamSets()) d.params[set.name] = set;
    }
    draws.push_back(d);
    if (m_onDevice) return true;
    UINT passes = 0;
    if (effect && SUCCEEDED(effect->Begin(&passes, 0))) {
      for (UINT pass = 0; pass < passes; ++pass) {
        effect->BeginPass(pass);
        effect->EndPass();
      }
      effect->End();
    }
    return false;
  }

  bool m_onDevice = true;
};

}  // namespace ds_test
