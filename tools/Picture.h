#pragma once
// A picture made in code for the default scene, and its encodings as a file. The
// builder owns its pictures only until it has copied their file bytes into the
// document; the saver reads them back through D3DX like any embedded picture file.

#include <cmath>
#include <cstdint>
#include <vector>

namespace ds_tools {

// Colours as 0xAARRGGBB, the form Direct3D's X8R8G8B8 textures hold.
class Picture {
public:
  Picture(int width, int height, uint32_t fill = 0xFF000000u);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  // (x, y) with y = 0 at the top; the caller keeps them inside the picture.
  uint32_t At(int x, int y) const { return m_pixels[Index(x, y)]; }
  void Set(int x, int y, uint32_t colour) { m_pixels[Index(x, y)] = colour; }
  // Mixes `colour` over the pixel by `amount` (0 keeps it, 1 replaces it).
  void Blend(int x, int y, uint32_t colour, float amount);

private:
  size_t Index(int x, int y) const { return size_t(y) * size_t(m_width) + size_t(x); }

  int m_width;
  int m_height;
  std::vector<uint32_t> m_pixels;
};

// a + (b - a) * t per channel, t clamped to [0, 1]; the result is opaque.
uint32_t MixColour(uint32_t a, uint32_t b, float t);
// 0 at `edge0`, 1 at `edge1`, eased in between (either order).
float SmoothStep(float edge0, float edge1, float value);

// A picture drawn in design units: `scale` pixels to a unit, so that a design laid out
// at one size is made sharp at any size. Hard edges are drawn with their coverage of
// each pixel, soft ones fade over the same units whatever the scale.
struct Canvas {
  Canvas(Picture& target, float pixelsPerUnit) : picture(target), scale(pixelsPerUnit) {}

  // Design units at the centre of pixel column x (row y).
  float U(int x) const { return (float(x) + 0.5f) / scale; }
  // One pixel, in design units.
  float Pixel() const { return 1.0f / scale; }
  // The pixel columns (rows) whose centres may lie within [from, to) design units,
  // held inside the picture.
  int FirstColumn(float from) const;
  int EndColumn(float to) const;
  int FirstRow(float from) const;
  int EndRow(float to) const;
  // Mixes `colour` over pixel (x, y) by `amount`: replaced at 1, untouched at 0.
  void Cover(int x, int y, uint32_t colour, float amount);

  Picture& picture;
  float scale;
};

// How much of a pixel a hard edge at signed distance `distance` (in pixels, negative
// inside) covers: a one-pixel ramp centred on the edge.
float EdgeCoverage(float distance);

// Soft disc: solid `colour` inside `core`, fading out by `glow`.
void DrawGlowDisc(Canvas& canvas, float cx, float cy, float core, float glow, uint32_t colour, float glowStrength);
void DrawGlowDisc(Picture& picture, float cx, float cy, float core, float glow, uint32_t colour,
                  float glowStrength);
// Soft-edged ellipse mixed over the picture, at most `strength`.
void DrawSoftEllipse(Canvas& canvas, float cx, float cy, float rx, float ry, uint32_t colour, float strength);
void DrawSoftEllipse(Picture& picture, float cx, float cy, float rx, float ry, uint32_t colour,
                     float strength);
// The rectangle [left, right) x [top, bottom), each pixel covered by its share of it.
void FillRect(Canvas& canvas, float left, float top, float right, float bottom, uint32_t colour);
// The convex polygon through `points` (x, y pairs, either winding), anti-aliased.
void FillConvex(Canvas& canvas, const std::vector<float>& points, uint32_t colour);
// Every row from `top` down as the gradient from `from` to `to` between design rows
// `start` and `end`.
void FillGradient(Canvas& canvas, uint32_t from, uint32_t to, float start, float end);
// Everything below the curve top(x) becomes `colour`; the edge is anti-aliased across
// the curve, however steep.
template <class Curve>
void FillBelow(Canvas& canvas, Curve top, uint32_t colour) {
  Picture& picture = canvas.picture;
  const float step = canvas.Pixel();
  for (int x = 0; x < picture.Width(); ++x) {
    const float u = canvas.U(x);
    const float h = top(u);
    const float slope = (top(u + step) - top(u - step)) / (2.0f * step);
    const float across = std::sqrt(1.0f + slope * slope);
    for (int y = canvas.FirstRow(h - 2.0f * across * step); y < picture.Height(); ++y) {
      const float cover = EdgeCoverage((h - canvas.U(y)) * canvas.scale / across);
      if (cover >= 1.0f) {
        for (; y < picture.Height(); ++y) picture.Set(x, y, colour);
      } else if (cover > 0.0f) {
        picture.Blend(x, y, colour, cover);
      }
    }
  }
}
template <class Curve>
void FillBelow(Picture& picture, Curve top, uint32_t colour) {
  Canvas canvas(picture, 1.0f);
  FillBelow(canvas, top, colour);
}

// A 24-bit BMP (BI_RGB, bottom row first, rows padded to four bytes). Alpha is
// dropped: the scene's pictures are opaque.
std::vector<unsigned char> EncodeBmp24(const Picture& picture);
// A 24-bit PNG file, compressed by the platform's own image encoder (alpha dropped, as
// for the BMP): the slide pictures, which are too large to carry uncompressed. Empty
// when the encoder is not there or fails.
std::vector<unsigned char> EncodePng24(const Picture& picture);
// An uncompressed A8R8G8B8 DDS file with one level: the form for pictures whose alpha
// matters (overlays, glows, glyphs), read by D3DX everywhere.
std::vector<unsigned char> EncodeDds32(const Picture& picture);

}  // namespace ds_tools
