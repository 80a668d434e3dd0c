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

}  // namespace ds_tools
