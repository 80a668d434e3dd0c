#pragma once
// Fixtures of the brush tests: a drawing interface that records what a brush asks of
// it (and runs the effect's passes as the layer does), a minimal brush class for the
// shared behaviour, and a document resource manager holding the brushes' effects.

#include <d3d9.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "document/DocResManager.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "objects/brushes/EffectBrush.h"
#include "render/Layer.h"
#include "render/ObjectModel.h"
#include "support/FakeEffect.h"

namespace brushes_test {

// What one draw of the recording layer was.
struct RecordedDraw {
  std::string kind;  // "PT" or "IndexedPT"
  const void* geometry = nullptr;
  ID3DXEffect* effect = nullptr;
};

class RecordingLayer : public DS_ABRender {
public:
  RecordingLayer(unsigned width, unsigned height) : m_width(width), m_height(height) {}

  void BeginTarget(const DS_RenderTargetPair&, int) override {}
  void EndTarget() override {}
  void DrawIndexedPT(const DS_IndexedMesh<DX_V::PT>& geometry, ID3DXEffect* effect) override {
    Record("IndexedPT", &geometry, effect);
  }
  void DrawPT2(const DS_SimpleMesh<DX_V::PT2>& geometry, ID3DXEffect* effect) override { Record("PT2", &geometry, effect); }
  void DrawPT(const DS_SimpleMesh<DX_V::PT>& geometry, ID3DXEffect* effect) override { Record("PT", &geometry, effect); }
  void DrawIndexedPCT(const DS_IndexedMesh<DX_V::PCT>& geometry, ID3DXEffect* effect, int, float) override {
    Record("IndexedPCT", &geometry, effect);
  }
  void DrawIndexedPCTEffect(const DS_IndexedMesh<DX_V::PCT>& geometry, ID3DXEffect* effect) override {
    Record("IndexedPCTEffect", &geometry, effect);
  }
  void DrawMeshNode(const DS_MeshNode& node) override { Record("MeshNode", &node, nullptr); }
  void DrawSpriteArray(const DS_SpriteArrayDraw& sprites) override { Record("SpriteArray", &sprites, nullptr); }
  void DrawMeshNodeTwoPass(const DS_TexturedMesh<DX_V::PNT>& mesh) override { Record("TwoPass", &mesh, nullptr); }
  void DrawTexturedIndexedPT(DS_PreparedMesh& object, int, int) override { Record("TexturedIndexedPT", &object, nullptr); }
  const DS_ComHolder<IDirect3DTexture9>& GetSceneTexture() const override { return sceneTexture; }
  const DS_PictureQuad& GetLayerQuad() const override { return layerQuad; }
  unsigned GetPictureWidth() const override { return m_width; }
  unsigned GetPictureHeight() const override { return m_height; }
  void Write(DS_IOF_Virtual&) const override {}

  std::vector<RecordedDraw> draws;
  DS_ComHolder<IDirect3DTexture9> sceneTexture;
  DS_PictureQuad layerQuad;

private:
  // Every pass of the current technique, as the layer runs them.
  void Record(const char* kind, const void* geometry, ID3DXEffect* effect) {
    draws.push_back(RecordedDraw{kind, geometry, effect});
    if (!effect) return;
    UINT passes = 0;
    if (FAILED(effect->Begin(&passes, 0))) return;
    for (UINT pass = 0; pass < passes; ++pass) {
      effect->BeginPass(pass);
      effect->EndPass();
    }
    effect->End();
  }

  unsigned m_width;
  unsigned m_height;
};

// The smallest brush: draws through one of the common tails.
class TestBrush : public DS_FX_Constructor {
public:
  enum Tail { kApply, kSet, kRegion };

  TestBrush() = default;
  TestBrush(const TestBrush& other) = default;

  void Read(DS_IOF_Handle& handle, int version) { ReadSection(handle); }
  void Write(DS_IOF_Virtual& stream) const override {
    WriteLevelHeader(stream, L"TestBrush", 1);
    WriteLevel(stream);
  }
  void Render(DS_ABRender* layer) override {
    if (tail == kApply) ApplyCommonParameters(layer);
    if (tail == kSet) SetCommonParameters(layer);
    if (tail == kRegion) DrawRegion(layer);
  }
  DS_FX_Constructor* Clone() override { return new TestBrush(*this); }

  using DS_FX_Constructor::m_mask;

  Tail tail = kApply;
};

// Effect data under a link: what the resource manager hands to the effect creator.
inline std::vector<unsigned char> EffectBytes(int id) {
  return {'F', 'X', static_cast<unsigned char>(id)};
}

// A current resource manager whose file library holds effect bytes for the given
// module links, with a recording effect factory in place of D3DX.
class BrushManagerTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_previous = g_CurrentDocResManager;
    manager.reset(new DS_DocResManager());
    SetCurrentDocResManager(manager.get());
  }
  void TearDown() override {
    SetCurrentDocResManager(nullptr);
    manager.reset();
    SetCurrentDocResManager(m_previous);
  }

  // The bytes EffectBytes(id) embedded under the link ("common_res.dll", id).
  void EmbedEffect(int id) {
    const DS_FileKey key = DS_HLSLEffectFile(id, DS_FX_Constructor::kEffectModule).GetKey();
    DS_ResourceEntry entry(id, DS_FX_Constructor::kEffectModule);
    const std::vector<unsigned char> bytes = EffectBytes(id);
    entry.SetData(uint32_t(bytes.size()), bytes.data());
    manager->Tables().fileLibrary[key].push_back(entry);
  }

  FakeEffectFactory factory;
  std::unique_ptr<DS_DocResManager> manager;

private:
  DS_DocResManager* m_previous = nullptr;
};

// Reads `bytes` as one item record through the object registry; `bytesLeft` gets
// what the stream did not consume. Null when the stream failed.
inline std::unique_ptr<DS_ABObj_Constructor> ReadItem(const std::vector<unsigned char>& bytes,
                                                      size_t* bytesLeft = nullptr) {
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(handle));
  if (bytesLeft) *bytesLeft = handle->BytesLeft();
  return item;
}

inline std::vector<unsigned char> WriteItem(const DS_IOF_Item& item) {
  DS_IOF_W stream;
  item.Write(stream);
  return stream.Bytes();
}

// Reads a TestBrush record (its own header first) into `brush`; false when the stream
// failed.
inline bool ReadTestBrush(const std::vector<unsigned char>& bytes, TestBrush& brush, size_t* bytesLeft = nullptr) {
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  const int version = ReadLevelHeader(*handle);
  brush.Read(handle, version);
  if (bytesLeft) *bytesLeft = handle->BytesLeft();
  return !handle->Failed();
}

}  // namespace brushes_test
