#pragma once
// A plain picture layer whose scene texture is the test's own, for tests of
// objects that read the scene drawn before them (glows, composites). Header-only:
// only the test programs that link ds_render include it.

#include <d3d9.h>

#include "device/ComHolder.h"
#include "render/Layer.h"

namespace ds_test {

class SceneLayer : public DS_2D_Light {
public:
  const DS_ComHolder<IDirect3DTexture9>& GetSceneTexture() const override { return scene; }
  // The picture quad's buffer, which the layer makes with its device objects.
  void MakeLayerQuad() { m_layerQuad.CreateVertexBuffer(); }
  // The layer shows a picture of width x height at that size: its quad covers the
  // picture (composites over it reach every pixel), and its fits map scene pixels
  // 1:1 again when an off-screen target ends. The process-wide scene mapping is left
  // as it is.
  void SetPictureSize(int width, int height) {
    m_pictureRef.Assign(unsigned(width), unsigned(height), nullptr);
    m_width = width;
    m_height = height;
    m_layerQuad.ResetTexCoords();
    m_layerQuad.SetSize(float(width), float(height));
  }

  DS_ComHolder<IDirect3DTexture9> scene;
};

}  // namespace ds_test
