#include "render/ViewContext.h"

#include <algorithm>
#include <cmath>

#include "device/DeviceGlobals.h"
#include "document/TextureSet.h"

namespace {

const float kNearPlane = -5000.0f;
const float kFarPlane = 5000.0f;

// Texture coordinates of the surround bands, vertices 0 to 3.
const float kSurroundTexCoords[4][2] = {{1, 1}, {0, 1}, {1, 0}, {0, 0}};

D3DXMATRIX Multiply(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  D3DXMATRIX r;
  D3DXMatrixMultiply(&r, &a, &b);
  return r;
}

D3DXMATRIX Translation(float x, float y) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, 0);
  return m;
}

D3DXMATRIX Scaling(float x, float y) {
  D3DXMATRIX m;
  D3DXMatrixScaling(&m, x, y, 1.0f);
  return m;
}

}  // namespace

DS_ViewContext::DS_ViewContext() {
  D3DXMatrixIdentity(&m_baseFit);
  D3DXMatrixIdentity(&m_fitZoom);
  D3DXMatrixIdentity(&m_worldBase);
  D3DXMatrixIdentity(&m_projection);
  D3DXMatrixIdentity(&m_camera);
  const D3DXVECTOR3 eye(0, 0, -1), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&m_view, &eye, &at, &up);
}

void DS_ViewContext::GetSurroundPositions(float pw, float ph, D3DXVECTOR3 (&bands)[4][4]) {
  const float b = float(kSurroundReach) * std::max(pw, ph);
  const D3DXVECTOR3 left[4] = {{-b, ph, 0}, {-b, 0, 0}, {0, ph, 0}, {0, 0, 0}};
  const D3DXVECTOR3 right[4] = {{pw, ph, 0}, {pw, 0, 0}, {pw + b, ph, 0}, {pw + b, 0, 0}};
  const D3DXVECTOR3 top[4] = {{-b, 0, 0}, {-b, -b, 0}, {pw + b, 0, 0}, {pw + b, -b, 0}};
  const D3DXVECTOR3 bottom[4] = {{-b, ph + b, 0}, {-b, ph, 0}, {pw + b, ph + b, 0}, {pw + b, ph, 0}};
  for (int i = 0; i < 4; ++i) {
    bands[kBandLeft][i] = left[i];
    bands[kBandRight][i] = right[i];
    bands[kBandTop][i] = top[i];
    bands[kBandBottom][i] = bottom[i];
  }
}

void DS_ViewContext::FitPicture(unsigned pictureWidth, unsigned pictureHeight, int width, int height,
                                int fitType) {
  // Guards: the layer's picture is 0 x 0 until it is bound, and no size may turn the
  // matrices infinite for every object drawn afterwards.
  if (width <= 0) width = 1;
  if (height <= 0) height = 1;
  if (pictureWidth == 0 || pictureHeight == 0) {
    pictureWidth = unsigned(width);
    pictureHeight = unsigned(height);
  }

  m_fitType = fitType;
  m_pictureWidth = pictureWidth;
  m_pictureHeight = pictureHeight;
  const float pw = float(pictureWidth);
  const float ph = float(pictureHeight);
  const float w = float(width);
  const float h = float(height);

  DS_ScreenQuad quad;
  quad.FitTexture(pictureWidth, pictureHeight, width, height);
  const float left = quad.Left();
  const float top = quad.Top();
  const float fittedWidth = quad.Right() - left;
  const float fittedHeight = quad.Bottom() - top;

  m_fittedRect.left = LONG(left);
  m_fittedRect.top = LONG(top);
  m_fittedRect.right = LONG(quad.Right());
  m_fittedRect.bottom = LONG(quad.Bottom());

  m_pixelRatio = (fittedWidth == w) ? pw / w : ph / h;

  D3DXVECTOR3 bands[4][4];
  GetSurroundPositions(pw, ph, bands);
  for (int i = 0; i < 4; ++i) {
    // The bands follow the picture size alone, and a fit comes several times a frame
    // (captures, targets, a layer fitting two pictures): they live in memory, and
    // unchanged positions are not written again.
    if (!m_surroundWritten[i] || !std::equal(bands[i], bands[i] + 4, m_surroundCorners[i])) {
      m_surround[i].SetPositions(bands[i]);
      m_surroundWritten[i] = m_surround[i].vertices.HasData();
    }
    for (int k = 0; k < 4; ++k) m_surroundCorners[i][k] = bands[i][k];
  }

  D3DXMatrixOrthoOffCenterLH(&m_projection, 0, w, h, 0, kNearPlane, kFarPlane);
  m_stretchX = w / fittedWidth;
  m_stretchY = h / fittedHeight;
  m_baseFit = Multiply(Scaling(1.0f / m_pixelRatio, 1.0f / m_pixelRatio), Translation(left, top));
  ApplyTransforms();

  float zoomX = 1.0f, zoomY = 1.0f;
  switch (fitType) {
    case kFitStretch:
    case kFitRenderTarget:
      zoomX = (2 * left + fittedWidth) / fittedWidth;
      zoomY = (2 * top + fittedHeight) / fittedHeight;
      break;
    case kFitFill:
      zoomX = zoomY = (left == 0) ? (2 * top + fittedHeight) / fittedHeight : (2 * left + fittedWidth) / fittedWidth;
      break;
    default:
      break;
  }
  float offsetX = 0, offsetY = 0;
  GetCentringOffset(zoomX, zoomY, offsetX, offsetY);
  SetFitZoom(offsetX, offsetY, zoomX, zoomY);
}

void DS_ViewContext::ApplyTransforms() const {
  if (!g_CurrentDevice) return;
  g_CurrentDevice->SetTransform(D3DTS_WORLD, &m_worldBase);
  g_CurrentDevice->SetTransform(D3DTS_VIEW, &m_view);
  g_CurrentDevice->SetTransform(D3DTS_PROJECTION, &m_projection);
}

D3DXMATRIX DS_ViewContext::FitChain() const { return Multiply(m_fitZoom, m_baseFit); }

void DS_ViewContext::GetWorld(D3DXMATRIX& out, const D3DXMATRIX& object) const {
  // The render-target mode lays the picture out for an off-screen pass: no camera.
  if (m_fitType == kFitRenderTarget) {
    out = Multiply(object, FitChain());
  } else {
    out = Multiply(Multiply(object, m_camera), FitChain());
  }
}

void DS_ViewContext::SetWorld(const D3DXMATRIX& object) const {
  if (!g_CurrentDevice) return;
  D3DXMATRIX world;
  GetWorld(world, object);
  g_CurrentDevice->SetTransform(D3DTS_WORLD, &world);
}

void DS_ViewContext::GetWorldViewProj(D3DXMATRIX& out, const D3DXMATRIX& object) const {
  D3DXMATRIX world;
  GetWorld(world, object);
  out = Multiply(Multiply(world, m_view), m_projection);
}

void DS_ViewContext::GetViewProj(D3DXMATRIX& out) const {
  const D3DXMATRIX fit = (m_fitType == kFitRenderTarget) ? FitChain() : m_baseFit;
  out = Multiply(Multiply(fit, m_view), m_projection);
}

void DS_ViewContext::GetCameraZoomMatrix(D3DXMATRIX& out) const {
  out = Multiply(m_camera, m_fitZoom);
  out._41 = 0;
  out._42 = 0;
}

void DS_ViewContext::GetCentringOffset(float zoomX, float zoomY, float& offsetX, float& offsetY) const {
  offsetX = (1.0f - zoomX) * 0.5f * float(m_pictureWidth) / zoomX;
  offsetY = (1.0f - zoomY) * 0.5f * float(m_pictureHeight) / zoomY;
}

void DS_ViewContext::SetFitZoom(float offsetX, float offsetY, float zoomX, float zoomY) {
  m_zoomOffsetX = offsetX;
  m_zoomOffsetY = offsetY;
  m_inverseZoomX = 1.0f / zoomX;
  m_inverseZoomY = 1.0f / zoomY;
  m_fitZoom = Multiply(Translation(offsetX, offsetY), Scaling(zoomX, zoomY));
}

void DS_ViewContext::SetCameraZoom(float zoom, float driftX, float driftY) {
  // A zoom of 0 would collapse the picture to a point and divide by zero below.
  if (zoom == 0 || !std::isfinite(zoom)) zoom = 1.0f;
  float centreX = 0, centreY = 0;
  GetCentringOffset(zoom, zoom, centreX, centreY);
  const D3DXMATRIX fit = FitChain();
  const float u = fit._41 / fit._11 / zoom;
  const float v = fit._42 / fit._22 / zoom;
  const float tx = (driftX + 1.0f) * (u + centreX) - u;
  const float ty = (driftY + 1.0f) * (v + centreY) - v;
  m_camera = Multiply(Translation(tx, ty), Scaling(zoom, zoom));
}

void DS_ViewContext::BindSurroundTextures(IDirect3DTexture9* texture) {
  // Fresh buffers hold no positions until the next fit.
  for (bool& written : m_surroundWritten) written = false;
  for (DS_TexturedQuad<DX_V::PT>& band : m_surround) {
    if (SUCCEEDED(CreateQuadBuffer(band, DS_QuadStore::kMemory))) {
      band.vertices.Write(4, [](DX_V::PT* out) {
        for (int i = 0; i < 4; ++i) {
          out[i].x = out[i].y = out[i].z = 0;
          out[i].u = kSurroundTexCoords[i][0];
          out[i].v = kSurroundTexCoords[i][1];
        }
      });
    }
    band.texture.Set(texture);
  }
}

void DS_ViewContext::BindSurroundTextures(const DS_ImageFileLink& link) {
  BindSurroundTextures(LookupCurrentFrame(link));
}

namespace {

// Whether a convex quad with these corners covers any of the target under `toClip`
// (an affine chain: the camera and fit of the view, an orthographic projection).
bool CornersReachTarget(const D3DXVECTOR3 (&corners)[4], const D3DXMATRIX& toClip) {
  float minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (int k = 0; k < 4; ++k) {
    D3DXVECTOR4 p;
    D3DXVec3Transform(&p, &corners[k], &toClip);
    // Not a plain orthographic view: drawn as always.
    if (!(p.w > 0)) return true;
    const float x = p.x / p.w, y = p.y / p.w;
    minX = k == 0 ? x : std::min(minX, x);
    maxX = k == 0 ? x : std::max(maxX, x);
    minY = k == 0 ? y : std::min(minY, y);
    maxY = k == 0 ? y : std::max(maxY, y);
  }
  return maxX > -1.0f && minX < 1.0f && maxY > -1.0f && minY < 1.0f;
}

}  // namespace

void DS_ViewContext::DrawSurround() const {
  if (!g_CurrentDevice) return;
  ApplyTransforms();
  SetWorld(m_surround[0].world);
  D3DXMATRIX toClip;
  GetWorldViewProj(toClip, m_surround[0].world);
  for (int i = 0; i < 4; ++i) {
    const DS_TexturedQuad<DX_V::PT>& band = m_surround[i];
    if (!band.vertices.HasData() || band.primitiveCount <= 0) continue;
    if (!CornersReachTarget(m_surroundCorners[i], toClip)) continue;
    g_CurrentDevice->SetTexture(0, band.texture.Get());
    SetPTStream(band.vertices.buffer.Get());
    DrawMeshPrimitives(band, band.primitiveCount);
  }
}
