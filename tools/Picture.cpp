#include "tools/Picture.h"

#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <cmath>

#include "device/ComHolder.h"

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

int Canvas::FirstColumn(float from) const {
  return std::min(std::max(int(std::floor(from * scale - 0.5f)), 0), picture.Width());
}

int Canvas::EndColumn(float to) const {
  return std::min(std::max(int(std::ceil(to * scale + 0.5f)), 0), picture.Width());
}

int Canvas::FirstRow(float from) const {
  return std::min(std::max(int(std::floor(from * scale - 0.5f)), 0), picture.Height());
}

int Canvas::EndRow(float to) const {
  return std::min(std::max(int(std::ceil(to * scale + 0.5f)), 0), picture.Height());
}

void Canvas::Cover(int x, int y, uint32_t colour, float amount) {
  if (amount >= 1.0f) {
    picture.Set(x, y, colour);
  } else if (amount > 0.0f) {
    picture.Blend(x, y, colour, amount);
  }
}

float EdgeCoverage(float distance) { return std::min(std::max(0.5f - distance, 0.0f), 1.0f); }

void DrawGlowDisc(Canvas& canvas, float cx, float cy, float core, float glow, uint32_t colour, float glowStrength) {
  const float reach = std::max(core, glow) + canvas.Pixel();
  for (int y = canvas.FirstRow(cy - reach); y < canvas.EndRow(cy + reach); ++y) {
    for (int x = canvas.FirstColumn(cx - reach); x < canvas.EndColumn(cx + reach); ++x) {
      const float d = std::hypot(canvas.U(x) - cx, canvas.U(y) - cy);
      const float solid = EdgeCoverage((d - core) * canvas.scale);
      const float halo = d < glow ? glowStrength * (1.0f - SmoothStep(core, glow, d)) : 0.0f;
      canvas.Cover(x, y, colour, std::max(solid, halo));
    }
  }
}

void DrawGlowDisc(Picture& picture, float cx, float cy, float core, float glow, uint32_t colour,
                  float glowStrength) {
  Canvas canvas(picture, 1.0f);
  DrawGlowDisc(canvas, cx, cy, core, glow, colour, glowStrength);
}

void DrawSoftEllipse(Canvas& canvas, float cx, float cy, float rx, float ry, uint32_t colour, float strength) {
  for (int y = canvas.FirstRow(cy - ry); y < canvas.EndRow(cy + ry); ++y) {
    for (int x = canvas.FirstColumn(cx - rx); x < canvas.EndColumn(cx + rx); ++x) {
      const float dx = (canvas.U(x) - cx) / rx;
      const float dy = (canvas.U(y) - cy) / ry;
      const float d = std::sqrt(dx * dx + dy * dy);
      if (d < 1.0f) canvas.picture.Blend(x, y, colour, strength * (1.0f - SmoothStep(0.55f, 1.0f, d)));
    }
  }
}

void DrawSoftEllipse(Picture& picture, float cx, float cy, float rx, float ry, uint32_t colour,
                     float strength) {
  Canvas canvas(picture, 1.0f);
  DrawSoftEllipse(canvas, cx, cy, rx, ry, colour, strength);
}

void FillRect(Canvas& canvas, float left, float top, float right, float bottom, uint32_t colour) {
  const float s = canvas.scale;
  for (int y = canvas.FirstRow(top); y < canvas.EndRow(bottom); ++y) {
    // The share of the pixel's square inside the rectangle, across and down.
    const float down = std::min(float(y + 1), bottom * s) - std::max(float(y), top * s);
    if (down <= 0.0f) continue;
    for (int x = canvas.FirstColumn(left); x < canvas.EndColumn(right); ++x) {
      const float across = std::min(float(x + 1), right * s) - std::max(float(x), left * s);
      if (across > 0.0f) canvas.Cover(x, y, colour, std::min(across, 1.0f) * std::min(down, 1.0f));
    }
  }
}

void FillConvex(Canvas& canvas, const std::vector<float>& points, uint32_t colour) {
  const size_t count = points.size() / 2;
  if (count < 3) return;
  float left = points[0], right = points[0], top = points[1], bottom = points[1];
  float area = 0.0f;
  for (size_t i = 0; i < count; ++i) {
    const size_t j = (i + 1) % count;
    left = std::min(left, points[2 * i]);
    right = std::max(right, points[2 * i]);
    top = std::min(top, points[2 * i + 1]);
    bottom = std::max(bottom, points[2 * i + 1]);
    area += points[2 * i] * points[2 * j + 1] - points[2 * j] * points[2 * i + 1];
  }
  if (area == 0.0f) return;
  const float winding = area > 0.0f ? 1.0f : -1.0f;
  for (int y = canvas.FirstRow(top); y < canvas.EndRow(bottom); ++y) {
    for (int x = canvas.FirstColumn(left); x < canvas.EndColumn(right); ++x) {
      // The signed distance to the polygon: the largest of the distances to its edges'
      // lines, each positive outside.
      float outside = -1e9f;
      for (size_t i = 0; i < count; ++i) {
        const size_t j = (i + 1) % count;
        const float ex = points[2 * j] - points[2 * i], ey = points[2 * j + 1] - points[2 * i + 1];
        const float length = std::hypot(ex, ey);
        if (length == 0.0f) continue;
        const float px = canvas.U(x) - points[2 * i], py = canvas.U(y) - points[2 * i + 1];
        outside = std::max(outside, -winding * (ex * py - ey * px) / length);
      }
      canvas.Cover(x, y, colour, EdgeCoverage(outside * canvas.scale));
    }
  }
}

void FillGradient(Canvas& canvas, uint32_t from, uint32_t to, float start, float end) {
  Picture& picture = canvas.picture;
  for (int y = 0; y < picture.Height(); ++y) {
    const uint32_t colour = MixColour(from, to, SmoothStep(start, end, canvas.U(y)));
    for (int x = 0; x < picture.Width(); ++x) picture.Set(x, y, colour);
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

namespace {

// COM for the calling thread while the encoder runs, left as it was found.
class ComScope {
public:
  ComScope() : m_initialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
  ~ComScope() {
    if (m_initialised) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

private:
  bool m_initialised;
};

// The encoder's output stream copied out; empty when it holds nothing.
std::vector<unsigned char> StreamBytes(IStream* stream) {
  HGLOBAL memory = nullptr;
  STATSTG stat = {};
  if (FAILED(GetHGlobalFromStream(stream, &memory)) || FAILED(stream->Stat(&stat, STATFLAG_NONAME)))
    return std::vector<unsigned char>();
  const size_t size = size_t(stat.cbSize.QuadPart);
  const unsigned char* bytes = static_cast<const unsigned char*>(GlobalLock(memory));
  if (!bytes) return std::vector<unsigned char>();
  std::vector<unsigned char> out(bytes, bytes + size);
  GlobalUnlock(memory);
  return out;
}

}  // namespace

std::vector<unsigned char> EncodePng24(const Picture& picture) {
  ComScope com;
  DS_ComHolder<IWICImagingFactory> factory;
  DS_ComHolder<IStream> stream;
  DS_ComHolder<IWICBitmapEncoder> encoder;
  DS_ComHolder<IWICBitmapFrameEncode> frame;
  DS_ComHolder<IPropertyBag2> options;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.Receive()))) ||
      FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive())) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Receive())) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.Receive(), options.Receive())) || FAILED(frame->Initialize(options.Get())) ||
      FAILED(frame->SetSize(UINT(picture.Width()), UINT(picture.Height()))))
    return std::vector<unsigned char>();
  // An encoder may answer with another pixel format than asked; the rows below are
  // written in this one only.
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
    return std::vector<unsigned char>();
  const UINT stride = UINT(picture.Width()) * 3u;
  std::vector<unsigned char> rows(size_t(stride) * size_t(picture.Height()));
  size_t i = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const uint32_t colour = picture.At(x, y);
      rows[i++] = static_cast<unsigned char>(Channel(colour, 0));
      rows[i++] = static_cast<unsigned char>(Channel(colour, 8));
      rows[i++] = static_cast<unsigned char>(Channel(colour, 16));
    }
  }
  if (FAILED(frame->WritePixels(UINT(picture.Height()), stride, UINT(rows.size()), rows.data())) ||
      FAILED(frame->Commit()) || FAILED(encoder->Commit()))
    return std::vector<unsigned char>();
  return StreamBytes(stream.Get());
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
