#include "render/SceneMapping.h"

#include "device/DeviceGlobals.h"
#include "device/DeviceUtil.h"
#include "document/CompositeParams.h"
#include "render/ViewContext.h"

int g_SceneWidth = 0;
int g_SceneHeight = 0;
float g_BackBufferScaleX = 1.0f;
float g_BackBufferScaleY = 1.0f;
DS_ScreenQuad g_PictureQuad;

namespace {

// (value - from) x size / span; 0 for a span without extent.
float ScaleAlong(float value, float from, float span, int size) {
  if (!(span != 0.0f)) return 0.0f;
  return (value - from) * static_cast<float>(size) / span;
}

}  // namespace

void PublishSceneMapping(unsigned pictureHeight, const DS_ScreenQuad& fittedQuad, int width, int height,
                         unsigned pictureWidth) {
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  // A layer not yet sized maps one to one rather than dividing by zero.
  g_BackBufferScaleX = width > 0 ? float(desc.Width) / float(width) : 1.0f;
  g_BackBufferScaleY = height > 0 ? float(desc.Height) / float(height) : 1.0f;
  g_PictureQuad = fittedQuad;
  g_SceneWidth = int(pictureWidth);
  g_SceneHeight = int(pictureHeight);
}

const DS_ScreenQuad& GetPictureQuad() { return g_PictureQuad; }

std::vector<DS_RenderSize>& GetRenderSizeStack() {
  static std::vector<DS_RenderSize> stack;
  return stack;
}

// ---- the way back ----

bool CanMapThrough(const DS_ScreenQuad& quad) {
  return quad.Right() - quad.Left() != 0.0f && quad.Bottom() - quad.Top() != 0.0f;
}

D3DXVECTOR3 MapScreenPointToScene(const DS_ScreenQuad& quad, float x, float y, float z) {
  const float u = ScaleAlong(x, quad.Left(), quad.Right() - quad.Left(), g_SceneWidth);
  const float v = ScaleAlong(y, quad.Top(), quad.Bottom() - quad.Top(), g_SceneHeight);
  float inverseZoomX = 1.0f, inverseZoomY = 1.0f, offsetX = 0.0f, offsetY = 0.0f;
  float scale = 1.0f, shiftX = 0.0f, shiftY = 0.0f;
  if (const DS_ViewContext* view = g_CurrentViewContext) {
    inverseZoomX = view->GetInverseZoomX();
    inverseZoomY = view->GetInverseZoomY();
    offsetX = view->GetZoomOffsetX();
    offsetY = view->GetZoomOffsetY();
    // The hit-test scale is always 1; a 0 would divide by zero.
    if (view->GetHitTestScale() != 0.0f) scale = view->GetHitTestScale();
    shiftX = view->GetHitTestShiftX();
    shiftY = view->GetHitTestShiftY();
  }
  const float sceneX = u * (inverseZoomX / scale) - (offsetX / scale + shiftX);
  const float sceneY = v * (inverseZoomY / scale) - (offsetY / scale + shiftY);
  return D3DXVECTOR3(sceneX, sceneY, z);
}

bool MapWindowPointToScene(float x, float y, D3DXVECTOR3& scene) {
  const DS_ScreenQuad& picture = GetPictureQuad();
  // Before a layer has published its picture there is nothing to hit.
  if (!CanMapThrough(picture) || g_SceneWidth <= 0 || g_SceneHeight <= 0) return false;
  scene = MapScreenPointToScene(picture, x * g_BackBufferScaleX, y * g_BackBufferScaleY, 0.0f);
  return true;
}

bool MediaRectangle::Contains(float x, float y) const {
  D3DXVECTOR3 scene;
  if (!MapWindowPointToScene(x, y, scene)) return false;
  return static_cast<float>(Left().GetValue()) <= scene.x && scene.x <= static_cast<float>(Right().GetValue()) &&
         static_cast<float>(Top().GetValue()) <= scene.y && scene.y <= static_cast<float>(Bottom().GetValue());
}
