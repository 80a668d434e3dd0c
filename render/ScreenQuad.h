#pragma once
// A rectangle on the screen as four DX_V::PT corners held in memory, in triangle-strip
// order: left-bottom, left-top, right-bottom, right-top (y grows downwards, so bottom
// has the larger y). Layers, brushes and the slide show describe screen areas with it;
// the owner keeps it by value.

#include "render/VertexFormats.h"

struct DS_ScreenQuad {
  enum Corner { kLeftBottom = 0, kLeftTop = 1, kRightBottom = 2, kRightTop = 3 };

  DX_V::PT v[4];

  DS_ScreenQuad() { Reset(); }

  // Positions 0 with z 1.0 (read back as rhw by the pre-transformed quads), texture
  // coordinates spanning the whole picture.
  void Reset();
  // The whole back buffer of the current device.
  void FromBackBuffer();
  // The largest rectangle with the picture's aspect centred in width x height. A
  // picture without size is fitted as if it had the target's aspect.
  void FitTexture(unsigned pictureWidth, unsigned pictureHeight, int width, int height);
  // Maps coordinates of a width x height target onto the back buffer.
  void ScaleToBackBuffer(int width, int height);

  float Left() const { return v[kLeftTop].x; }
  float Top() const { return v[kLeftTop].y; }
  float Right() const { return v[kRightTop].x; }
  float Bottom() const { return v[kLeftBottom].y; }
  void SetCorners(float left, float top, float right, float bottom);
};
