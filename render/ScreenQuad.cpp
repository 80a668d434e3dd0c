#include "render/ScreenQuad.h"

#include "device/DeviceUtil.h"

void DS_ScreenQuad::Reset() {
  static const float kTexCoords[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
  for (int i = 0; i < 4; ++i) {
    v[i].x = 0;
    v[i].y = 0;
    v[i].z = 1.0f;
    v[i].u = kTexCoords[i][0];
    v[i].v = kTexCoords[i][1];
  }
}

void DS_ScreenQuad::SetCorners(float left, float top, float right, float bottom) {
  v[kLeftBottom].x = left;
  v[kLeftBottom].y = bottom;
  v[kLeftTop].x = left;
  v[kLeftTop].y = top;
  v[kRightBottom].x = right;
  v[kRightBottom].y = bottom;
  v[kRightTop].x = right;
  v[kRightTop].y = top;
}

void DS_ScreenQuad::FromBackBuffer() {
  Reset();
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  SetCorners(0, 0, float(desc.Width), float(desc.Height));
}

void DS_ScreenQuad::FitTexture(unsigned pictureWidth, unsigned pictureHeight, int width, int height) {
  Reset();
  const float w = float(width);
  const float h = float(height);
  // A missing picture (size 0) would give an infinite or undefined aspect: take the
  // target's own, so the picture simply fills the target.
  float aspect = 1.0f;
  if (pictureWidth != 0 && pictureHeight != 0) {
    aspect = float(pictureHeight) / float(pictureWidth);
  } else if (width > 0 && height > 0) {
    aspect = h / w;
  }
  float left = 0, top = 0, fittedWidth = w, fittedHeight = h;
  if (width > 0 && h / w < aspect) {
    fittedHeight = h;
    fittedWidth = h / aspect;
    left = (w - fittedWidth) / 2;
  } else {
    fittedWidth = w;
    fittedHeight = w * aspect;
    top = (h - fittedHeight) / 2;
  }
  SetCorners(left, top, left + fittedWidth, top + fittedHeight);
}

void DS_ScreenQuad::ScaleToBackBuffer(int width, int height) {
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  const float sx = width != 0 ? float(desc.Width) / float(width) : 1.0f;
  const float sy = height != 0 ? float(desc.Height) / float(height) : 1.0f;
  for (DX_V::PT& corner : v) {
    corner.x *= sx;
    corner.y *= sy;
  }
}
