#include "tools/Picture.h"

#include <algorithm>
#include <cmath>

namespace ds_tools {
namespace {

const uint32_t kBmpFileHeaderBytes = 14;
const uint32_t kBmpInfoHeaderBytes = 40;
const uint16_t kBmpMagic = 0x4D42;  // "BM"
const uint16_t kBmpBitsPerPixel = 24;
// 72 dpi, what picture editors write when they know no better.
const uint32_t kBmpPixelsPerMetre = 2835;

// DDS header fields: magic "DDS ", header and pixel-format sizes, and the flags of an
// uncompressed 32-bit surface with alpha.
const uint32_t kDdsMagic = 0x20534444u;
const uint32_t kDdsHeaderBytes = 124;
const uint32_t kDdsPixelFormatBytes = 32;
const uint32_t kDdsCaps = 0x1, kDdsHeight = 0x2, kDdsWidth = 0x4, kDdsPitch = 0x8;
const uint32_t kDdsPixelFormat = 0x1000;
const uint32_t kDdsAlphaPixels = 0x1, kDdsRgb = 0x40;
const uint32_t kDdsCapsTexture = 0x1000;

void Put16(std::vector<unsigned char>& out, uint32_t value) {
  out.push_back(static_cast<unsigned char>(value));
  out.push_back(static_cast<unsigned char>(value >> 8));
}

void Put32(std::vector<unsigned char>& out, uint32_t value) {
  Put16(out, value & 0xFFFFu);
  Put16(out, value >> 16);
}

uint32_t Channel(uint32_t colour, int shift) { return (colour >> shift) & 0xFFu; }

}  // namespace

Picture::Picture(int width, int height, uint32_t fill)
    : m_width(std::max(width, 1)), m_height(std::max(height, 1)),
      m_pixels(size_t(m_width) * size_t(m_height), fill) {}

void Picture::Blend(int x, int y, uint32_t colour, float amount) {
  Set(x, y, MixColour(At(x, y), colour, amount));
}

uint32_t MixColour(uint32_t a, uint32_t b, float t) {
  t = std::min(std::max(t, 0.0f), 1.0f);
  uint32_t out = 0xFF000000u;
  for (int shift = 0; shift <= 16; shift += 8) {
    const float from = float(Channel(a, shift));
    const float to = float(Channel(b, shift));
    const uint32_t value = uint32_t(std::lround(from + (to - from) * t));
    out |= std::min(value, 255u) << shift;
  }
  return out;
}

float SmoothStep(float edge0, float edge1, float value) {
  if (edge0 == edge1) return value < edge0 ? 0.0f : 1.0f;
  float t = (value - edge0) / (edge1 - edge0);
  t = std::min(std::max(t, 0.0f), 1.0f);
  return t * t * (3.0f - 2.0f * t);
}

// Soft disc: solid `colour` inside `core`, fading out by `glow`.
void DrawGlowDisc(Picture& picture, float cx, float cy, float core, float glow, uint32_t colour,
                  float glowStrength) {
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const float d = std::hypot(float(x) - cx, float(y) - cy);
      if (d <= core) {
        picture.Set(x, y, colour);
      } else if (d < glow) {
        picture.Blend(x, y, colour, glowStrength * (1.0f - SmoothStep(core, glow, d)));
      }
    }
  }
}

// Soft-edged ellipse mixed over the picture, at most `strength`.
void DrawSoftEllipse(Picture& picture, float cx, float cy, float rx, float ry, uint32_t colour,
                     float strength) {
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const float dx = (float(x) - cx) / rx;
      const float dy = (float(y) - cy) / ry;
      const float d = std::sqrt(dx * dx + dy * dy);
      if (d < 1.0f) picture.Blend(x, y, colour, strength * (1.0f - SmoothStep(0.55f, 1.0f, d)));
    }
  }
}

std::vector<unsigned char> EncodeBmp24(const Picture& picture) {
  const uint32_t width = uint32_t(picture.Width());
  const uint32_t height = uint32_t(picture.Height());
  const uint32_t rowBytes = (width * 3 + 3) & ~3u;
  const uint32_t pixelBytes = rowBytes * height;
  const uint32_t offset = kBmpFileHeaderBytes + kBmpInfoHeaderBytes;

  std::vector<unsigned char> out;
  out.reserve(offset + pixelBytes);
  Put16(out, kBmpMagic);
  Put32(out, offset + pixelBytes);
  Put32(out, 0);  // reserved
  Put32(out, offset);
  Put32(out, kBmpInfoHeaderBytes);
  Put32(out, width);
  Put32(out, height);  // positive: bottom row first
  Put16(out, 1);       // planes
  Put16(out, kBmpBitsPerPixel);
  Put32(out, 0);  // BI_RGB
  Put32(out, pixelBytes);
  Put32(out, kBmpPixelsPerMetre);
  Put32(out, kBmpPixelsPerMetre);
  Put32(out, 0);  // colours used
  Put32(out, 0);  // colours important
  for (int y = picture.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const uint32_t colour = picture.At(x, y);
      out.push_back(static_cast<unsigned char>(Channel(colour, 0)));   // blue
      out.push_back(static_cast<unsigned char>(Channel(colour, 8)));   // green
      out.push_back(static_cast<unsigned char>(Channel(colour, 16)));  // red
    }
    for (uint32_t pad = width * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

std::vector<unsigned char> EncodeDds32(const Picture& picture) {
  const uint32_t width = uint32_t(picture.Width());
  const uint32_t height = uint32_t(picture.Height());
  std::vector<unsigned char> out;
  out.reserve(kDdsHeaderBytes + 4 + size_t(width) * height * 4);
  Put32(out, kDdsMagic);
  Put32(out, kDdsHeaderBytes);
  Put32(out, kDdsCaps | kDdsHeight | kDdsWidth | kDdsPitch | kDdsPixelFormat);
  Put32(out, height);
  Put32(out, width);
  Put32(out, width * 4);  // pitch
  Put32(out, 0);          // depth
  Put32(out, 0);          // mip levels: one
  for (int i = 0; i < 11; ++i) Put32(out, 0);
  Put32(out, kDdsPixelFormatBytes);
  Put32(out, kDdsAlphaPixels | kDdsRgb);
  Put32(out, 0);  // no four-character code
  Put32(out, 32);
  Put32(out, 0x00FF0000u);
  Put32(out, 0x0000FF00u);
  Put32(out, 0x000000FFu);
  Put32(out, 0xFF000000u);
  Put32(out, kDdsCapsTexture);
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) Put32(out, picture.At(x, y));
  }
  return out;
}

}  // namespace ds_tools
