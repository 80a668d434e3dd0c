#pragma once
// The device fixture of the 3D object tests: the scene fixture (a current document
// resource manager, and with it g_ResourceCache, a view mapping scene pixels 1:1 onto
// the test device, a plain layer to draw through), with the drawing states the slide
// leaves for objects.

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "document/DocResManager.h"
#include "render/ObjectModel.h"
#include "support/DocResRecord.h"
#include "support/SceneTest.h"
#include "support/TestPictures.h"

namespace mesh3d_test {

class Mesh3DDrawTest : public ds_test::SceneTest {
protected:
  // Objects made in a test must be gone before this runs.
  void TearDown() override {
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    SceneTest::TearDown();
  }

  // .x text embedded in the document under a file name; the key of its link.
  DS_FileKey EmbedMesh(const wchar_t* name, const char* text) {
    const DS_FileKey key(name, 0);
    EmbedFile(key, name, std::vector<unsigned char>(text, text + std::strlen(text)));
    return key;
  }
  DS_ImageFileLink Picture(const wchar_t* name, uint32_t colour) {
    return SceneTest::Picture(name, ds_test::SolidBmp(8, 8, 0xFF000000u | colour));
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

};

}  // namespace mesh3d_test
