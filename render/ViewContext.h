#pragma once
// Per-monitor placement of the slide picture on the target. A picture of picW x picH
// pixels is fitted into the target (back buffer or off-screen pair), zoomed by the
// picture-position setting (stretch, fit, fill) or the render-target mode, and moved
// by the layer's camera. Objects draw in picture pixels; the view context turns them
// into target pixels through the world chain O x camera x (fit zoom x base fit).
// Four surround bands extend the picture so camera moves never show a bare border.
// Each scene slot owns one; the host publishes it through g_CurrentViewContext.

#include <d3dx9math.h>

#include "render/TexturedQuad.h"

class DS_ImageFileLink;

class DS_ViewContext {
public:
  enum FitType { kFitStretch = 0, kFitLetterbox = 1, kFitFill = 2, kFitRenderTarget = 3 };
  enum SurroundBand { kBandLeft = 0, kBandRight = 1, kBandTop = 2, kBandBottom = 3 };

  // Picture distances beyond the edges that the surround bands cover, in picture sizes.
  static const int kSurroundReach = 3;

  DS_ViewContext();
  DS_ViewContext(const DS_ViewContext&) = delete;
  DS_ViewContext& operator=(const DS_ViewContext&) = delete;

  // Lays a picW x picH picture out on a w x h target and sets the device transforms.
  // A picture without size is laid out as if it had the target's size, and a target
  // without size as 1 x 1, so the matrices stay finite.
  void FitPicture(unsigned pictureWidth, unsigned pictureHeight, int width, int height, int fitType);

  // Sets the device's WORLD, VIEW and PROJECTION to the world base, view and projection.
  void ApplyTransforms() const;
  // Sets the device's WORLD to the world chain of an object matrix.
  void SetWorld(const D3DXMATRIX& object) const;
  void GetWorld(D3DXMATRIX& out, const D3DXMATRIX& object) const;
  void GetWorldViewProj(D3DXMATRIX& out, const D3DXMATRIX& object) const;
  void GetViewProj(D3DXMATRIX& out) const;
  // camera x fit zoom without its x and y translation.
  void GetCameraZoomMatrix(D3DXMATRIX& out) const;

  // The camera matrix for zoom a (1.0: none; 0 counts as none) and drifts b, c in
  // [-1, 1]: -1 puts the zoomed picture's left (top) edge on the target's, +1 its right
  // (bottom) edge.
  void SetCameraZoom(float zoom, float driftX, float driftY);
  // The translation that, applied before scaling by the zoom, keeps the picture's
  // centre in place.
  void GetCentringOffset(float zoomX, float zoomY, float& offsetX, float& offsetY) const;
  void SetFitZoom(float offsetX, float offsetY, float zoomX, float zoomY);

  // Gives the surround bands fresh buffers and the current frame of the link's
  // pictures (or the given texture) on all four.
  void BindSurroundTextures(const DS_ImageFileLink& link);
  void BindSurroundTextures(IDirect3DTexture9* texture);
  void DrawSurround() const;

  int GetFitType() const { return m_fitType; }
  unsigned GetPictureWidth() const { return m_pictureWidth; }
  unsigned GetPictureHeight() const { return m_pictureHeight; }
  float GetStretchX() const { return m_stretchX; }
  float GetStretchY() const { return m_stretchY; }
  float GetPixelRatio() const { return m_pixelRatio; }
  const RECT& GetFittedRect() const { return m_fittedRect; }
  float GetInverseZoomX() const { return m_inverseZoomX; }
  float GetInverseZoomY() const { return m_inverseZoomY; }
  float GetZoomOffsetX() const { return m_zoomOffsetX; }
  float GetZoomOffsetY() const { return m_zoomOffsetY; }
  float GetHitTestScale() const { return m_hitTestScale; }
  float GetHitTestShiftX() const { return m_hitTestShiftX; }
  float GetHitTestShiftY() const { return m_hitTestShiftY; }
  const D3DXMATRIX& GetBaseFit() const { return m_baseFit; }
  const D3DXMATRIX& GetFitZoom() const { return m_fitZoom; }
  const D3DXMATRIX& GetWorldBase() const { return m_worldBase; }
  const D3DXMATRIX& GetView() const { return m_view; }
  const D3DXMATRIX& GetProjection() const { return m_projection; }
  const D3DXMATRIX& GetCamera() const { return m_camera; }
  const DS_TexturedQuad<DX_V::PT>& GetSurround(int band) const { return m_surround[band & 3]; }

  // Positions of the four surround bands around a picW x picH picture, each in strip
  // order, as FitPicture writes them.
  static void GetSurroundPositions(float pictureWidth, float pictureHeight, D3DXVECTOR3 (&bands)[4][4]);

private:
  D3DXMATRIX FitChain() const;

  D3DXMATRIX m_baseFit;
  D3DXMATRIX m_fitZoom;
  D3DXMATRIX m_worldBase;
  D3DXMATRIX m_view;
  D3DXMATRIX m_projection;
  float m_inverseZoomX = 1.0f;
  float m_inverseZoomY = 1.0f;
  float m_zoomOffsetX = 0;
  float m_zoomOffsetY = 0;
  float m_hitTestScale = 1.0f;
  float m_hitTestShiftX = 0;
  float m_hitTestShiftY = 0;
  D3DXMATRIX m_camera;
  DS_TexturedQuad<DX_V::PT> m_surround[4];
  // The bands' corners as written to their buffers, to tell which are on the target.
  D3DXVECTOR3 m_surroundCorners[4][4] = {};
  // Whether each band's buffer holds m_surroundCorners.
  bool m_surroundWritten[4] = {};
  int m_fitType = kFitLetterbox;
  unsigned m_pictureWidth = 0;
  unsigned m_pictureHeight = 0;
  float m_stretchX = 1.0f;
  float m_stretchY = 1.0f;
  float m_pixelRatio = 1.0f;
  RECT m_fittedRect = {0, 0, 0, 0};
};
