#pragma once
// The device fixture of the 3D object tests: a current document resource manager (and
// with it g_ResourceCache), a view mapping scene pixels 1:1 onto the test device, a
// plain layer to draw through, and the drawing states the slide leaves for objects.

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "document/DocResManager.h"
#include "render/Layer.h"
#include "render/ObjectModel.h"
#include "render/ViewContext.h"
#include "support/DocResRecord.h"
#include "support/RenderDeviceTest.h"
#include "support/TestPictures.h"

namespace mesh3d_test {

class Mesh3DDrawTest : public ds_test::RenderDeviceTest {
protected:
  void SetUp() override {
    RenderDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    manager.reset(new DS_DocResManager());
    SetCurrentDocResManager(manager.get());
    view.FitPicture(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight, ds_test::kTestDeviceWidth,
                    ds_test::kTestDeviceHeight, DS_ViewContext::kFitLetterbox);
    g_CurrentViewContext = &view;
  }
  // Objects made in a test must be gone before this runs.
  void TearDown() override {
    SetCurrentDocResManager(nullptr);
    manager.reset();
    g_CurrentViewContext = nullptr;
    device->SetTexture(0, nullptr);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    RenderDeviceTest::TearDown();
  }

  // .x text embedded in the document under a file name; the key of its link.
  DS_FileKey EmbedMesh(const wchar_t* name, const char* text) {
    DS_ResourceEntry entry;
    entry.SetName(name);
    entry.SetData(uint32_t(std::strlen(text)), text);
    const DS_FileKey key(name, 0);
    manager->Tables().fileLibrary[key].push_back(entry);
    return key;
  }
  DS_ImageFileLink Picture(const wchar_t* name, uint32_t colour) {
    return manager->MakeImageLink(ds_test::MakeFileEntry(name, ds_test::SolidBmp(8, 8, 0xFF000000u | colour)));
  }

  // Updates the object to t and draws it alone on black, as the slide would.
  bool Draw(DS_ABObj& object, float t, ds_test::Image& image) {
    object.Update(t);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    view.ApplyTransforms();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    object.Render(&layer);
    device->EndScene();
    return ds_test::ReadBackBuffer(image);
  }

  static int CountColour(const ds_test::Image& image, uint32_t colour) {
    int n = 0;
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) n += image.RgbAt(x, y) == colour;
    }
    return n;
  }

  std::unique_ptr<DS_DocResManager> manager;
  DS_ViewContext view;
  DS_2D_Light layer;
};

}  // namespace mesh3d_test
