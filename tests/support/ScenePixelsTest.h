#pragma once
// Device tests that draw objects through the compiled effects and read the pixels
// back: a view mapping scene pixels 1:1 to the test device, a layer whose picture
// fills it and whose scene texture is one plain colour, and the resources of a
// document (effects, pictures) in a current resource manager. Header-only: only the
// test programs that link the document and render libraries include it.

#include <memory>
#include <vector>

#include "document/DocResManager.h"
#include "render/DeviceGlobals.h"
#include "render/ObjectModel.h"
#include "render/ViewContext.h"
#include "support/CompiledEffects.h"
#include "support/DocResRecord.h"
#include "support/RenderDeviceTest.h"
#include "support/SceneLayer.h"

namespace ds_test {

class ScenePixelsTest : public RenderDeviceTest {
protected:
  // The picture under the objects, a dark grey (0.25): the layer's scene texture and
  // what each frame starts from.
  static const uint32_t kScene = 0xFF404040;

  void SetUp() override {
    RenderDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    view.FitPicture(kTestDeviceWidth, kTestDeviceHeight, kTestDeviceWidth, kTestDeviceHeight,
                    DS_ViewContext::kFitLetterbox);
    g_CurrentViewContext = &view;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    layer.SetPictureSize(kTestDeviceWidth, kTestDeviceHeight);
    layer.scene = MakeTexture(16, 16, [](int, int) { return kScene; });
    ASSERT_TRUE(layer.scene);
  }
  void TearDown() override {
    object.reset();
    layer.scene.Release();
    SetCurrentDocResManager(nullptr);
    manager.reset();
    g_CurrentViewContext = nullptr;
    if (device) device->SetTexture(0, nullptr);
    RenderDeviceTest::TearDown();
  }

  // A document record holding the compiled effect `name` as the file under `key`;
  // fails the test when the program holds no such effect.
  static DocResRecord EffectDocument(const char* name, const DS_FileKey& key) {
    DocResRecord record;
    const std::vector<unsigned char> bytes = CompiledEffectBytes(name);
    EXPECT_FALSE(bytes.empty()) << "no compiled effect " << name;
    record.otherFiles[key] = {MakeFileEntry(L"effect.fxo", bytes)};
    return record;
  }

  // The document's resource record read into the current resource manager.
  void UseDocument(const DocResRecord& record) {
    bool ok = false;
    manager = ReadDocResRecord(WriteDocResRecord(3, record), &ok);
    ASSERT_TRUE(ok);
    SetCurrentDocResManager(manager.get());
  }

  // One frame of the object over the scene; what the back buffer then shows (empty
  // when it cannot be read, which fails the test).
  Image Frame(float t) {
    if (!object) return Image();
    object->Update(t);
    return Draw();
  }

  // The object drawn over the scene as it stands; what the back buffer then shows.
  Image Draw() {
    Image image;
    if (!object) return image;
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kScene, 1.0f, 0);
    device->BeginScene();
    view.ApplyTransforms();
    object->Render(&layer);
    device->EndScene();
    EXPECT_TRUE(ReadBackBuffer(image));
    return image;
  }

  std::unique_ptr<DS_DocResManager> manager;
  DS_ViewContext view;
  SceneLayer layer;
  std::unique_ptr<DS_ABObj> object;
};

}  // namespace ds_test
