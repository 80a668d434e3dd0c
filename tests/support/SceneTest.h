#pragma once
// Device tests that draw scene objects: a current resource manager (an empty
// document's, until the test reads one), a view mapping scene pixels 1:1 onto the
// test device, a layer whose scene texture the test may set and which records the
// calls of the last frame, and the process-wide scene mapping saved and restored.
// Each frame starts from a grey back buffer.
// Header-only: only the test programs that link the document and render libraries
// include it. A test's objects must be released before TearDown (which ends the
// resource manager they drew from).

#include <memory>
#include <vector>

#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "document/FileLink.h"
#include "render/ObjectModel.h"
#include "render/ViewContext.h"
#include "support/DocResRecord.h"
#include "support/RecordingLayer.h"
#include "support/RenderDeviceTest.h"
#include "support/SceneSize.h"

namespace ds_test {

class SceneTest : public RenderDeviceTest {
protected:
  // What each frame starts from, a dark grey (0.25).
  static constexpr D3DCOLOR kGrey = 0xFF404040;

  void SetUp() override {
    RenderDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    manager.reset(new DS_DocResManager());
    SetCurrentDocResManager(manager.get());
    view.FitPicture(kTestDeviceWidth, kTestDeviceHeight, kTestDeviceWidth, kTestDeviceHeight,
                    DS_ViewContext::kFitLetterbox);
    g_CurrentViewContext = &view;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  }
  void TearDown() override {
    layer.scene.Release();
    SetCurrentDocResManager(nullptr);
    manager.reset();
    g_CurrentViewContext = nullptr;
    if (device) device->SetTexture(0, nullptr);
    RenderDeviceTest::TearDown();
  }

  // The document's resource record read into the current resource manager.
  void UseDocument(const DocResRecord& record) {
    bool ok = false;
    std::unique_ptr<DS_DocResManager> read = ReadDocResRecord(WriteDocResRecord(3, record), &ok);
    ASSERT_TRUE(ok);
    SetCurrentDocResManager(read.get());
    manager = std::move(read);
  }

  // The current document carries the file `bytes`, named `name`, under `key` (the key
  // an item's link stores).
  void EmbedFile(const DS_FileKey& key, const wchar_t* name, const std::vector<unsigned char>& bytes) {
    manager->Tables().fileLibrary[key].push_back(MakeFileEntry(name, bytes));
  }

  // The current document carries effect bytes for the recording factory ("FX" and
  // `tag`), a file `name` under `key`, and `link` names them.
  void EmbedFakeEffect(DS_FileLink3& link, const DS_FileKey& key, const wchar_t* name, unsigned char tag) {
    EmbedFile(key, name, {'F', 'X', tag});
    link.StoreKey(key);
  }

  // The layer's scene texture is `scene` (when none, a 4 x 4 picture of no particular
  // colour) and its picture quad is made: the scene an object that composes reads.
  void SetSceneTexture(DS_ComHolder<IDirect3DTexture9> scene = {}) {
    if (!scene) device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, scene.Receive(), nullptr);
    layer.scene = scene;
    layer.MakeLayerQuad();
  }

  // The picture `bytes`, a file `name` of the current document.
  DS_ImageFileLink Picture(const wchar_t* name, const std::vector<unsigned char>& bytes) {
    return manager->MakeImageLink(MakeFileEntry(name, bytes));
  }

  // One frame: `object` updated at `t` (unless `update` is false), then drawn
  // through the layer over the grey back buffer; the layer's record holds its calls.
  void Draw(DS_ABObj& object, float t = 0.0f, bool update = true) {
    layer.draws.clear();
    if (update) object.Update(t);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    device->BeginScene();
    view.ApplyTransforms();
    object.Render(&layer);
    device->EndScene();
  }

  // One frame, and what the back buffer then shows (empty when it cannot be read,
  // which fails the test).
  Image DrawAndRead(DS_ABObj& object, float t = 0.0f, bool update = true) {
    Draw(object, t, update);
    Image image;
    EXPECT_TRUE(ReadBackBuffer(image));
    return image;
  }

  // Whether render target 0 is the back buffer again: an object that draws through
  // an off-screen target must give the device back its own.
  testing::AssertionResult BackBufferIsTarget() {
    DS_ComHolder<IDirect3DSurface9> target, back;
    device->GetRenderTarget(0, target.Receive());
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.Receive());
    if (back.Get() == target.Get()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "drawing stayed in an off-screen target";
  }

  std::unique_ptr<DS_DocResManager> manager;
  DS_ViewContext view;
  RecordingLayer layer;
  SceneSize sceneSize;
};

}  // namespace ds_test
