#pragma once
// A picture made in code for the default scene, and its encoding as a BMP file. The
// builder owns its pictures only until it has copied their file bytes into the
// document; the saver reads them back through D3DX like any embedded picture file.

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

// Soft disc: solid `colour` inside `core`, fading out by `glow`.
void DrawGlowDisc(Picture& picture, float cx, float cy, float core, float glow, uint32_t colour,
                  float glowStrength);
// Soft-edged ellipse mixed over the picture, at most `strength`.
void DrawSoftEllipse(Picture& picture, float cx, float cy, float rx, float ry, uint32_t colour,
                     float strength);
// Everything below the curve top(x) becomes `colour`, with a one-pixel soft edge.
template <class Curve>
void FillBelow(Picture& picture, Curve top, uint32_t colour) {
  for (int x = 0; x < picture.Width(); ++x) {
    const float h = top(float(x));
    for (int y = 0; y < picture.Height(); ++y) {
      const float cover = SmoothStep(h - 1.0f, h + 1.0f, float(y));
      if (cover >= 1.0f) {
        picture.Set(x, y, colour);
      } else if (cover > 0.0f) {
        picture.Blend(x, y, colour, cover);
      }
    }
  }
}

// A 24-bit BMP (BI_RGB, bottom row first, rows padded to four bytes). Alpha is
// dropped: the scene's pictures are opaque.
std::vector<unsigned char> EncodeBmp24(const Picture& picture);
// An uncompressed A8R8G8B8 DDS file with one level: the form for pictures whose alpha
// matters (overlays, glows, glyphs), read by D3DX everywhere.
std::vector<unsigned char> EncodeDds32(const Picture& picture);

}  // namespace ds_tools
