#include "support/TestPictures.h"

namespace ds_test {
namespace {

const uint32_t kFileHeaderBytes = 14;
const uint32_t kInfoHeaderBytes = 40;

void Put16(std::vector<unsigned char>& out, uint32_t value) {
  out.push_back(static_cast<unsigned char>(value));
  out.push_back(static_cast<unsigned char>(value >> 8));
}

void Put32(std::vector<unsigned char>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

}  // namespace

std::vector<unsigned char> MakeBmp(int width, int height,
                                   const std::function<uint32_t(int x, int y)>& colourAt) {
  const uint32_t pixelBytes = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 4;
  const uint32_t offset = kFileHeaderBytes + kInfoHeaderBytes;
  std::vector<unsigned char> out;
  out.reserve(offset + pixelBytes);
  Put16(out, 0x4D42);  // "BM"
  Put32(out, offset + pixelBytes);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, kInfoHeaderBytes);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));  // positive: bottom row first
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);  // BI_RGB
  Put32(out, pixelBytes);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) Put32(out, colourAt(x, y));
  }
  return out;
}

std::vector<unsigned char> SolidBmp(int width, int height, uint32_t colour) {
  return MakeBmp(width, height, [colour](int, int) { return colour; });
}

}  // namespace ds_test
