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

// A 24-bit BMP (BI_RGB, bottom row first, rows padded to four bytes). Alpha is
// dropped: the scene's pictures are opaque.
std::vector<unsigned char> EncodeBmp24(const Picture& picture);

}  // namespace ds_tools
