#include "support/TestPictures.h"

#include <algorithm>

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

void PutBig32(std::vector<unsigned char>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

uint32_t Crc32(const unsigned char* bytes, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

uint32_t Adler32(const std::vector<unsigned char>& bytes) {
  uint32_t a = 1, b = 0;
  for (unsigned char byte : bytes) {
    a = (a + byte) % 65521u;
    b = (b + a) % 65521u;
  }
  return (b << 16) | a;
}

// One chunk: length, type, data, and the CRC over type and data.
void PutChunk(std::vector<unsigned char>& out, const char type[4], const std::vector<unsigned char>& data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBig32(out, Crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::vector<unsigned char> StoredZlib(const std::vector<unsigned char>& raw) {
  const size_t kMaxBlock = 65535;
  std::vector<unsigned char> out = {0x78, 0x01};
  size_t at = 0;
  do {
    const size_t length = std::min(kMaxBlock, raw.size() - at);
    const bool last = at + length == raw.size();
    out.push_back(last ? 1 : 0);
    Put16(out, static_cast<uint32_t>(length));
    Put16(out, static_cast<uint32_t>(~length & 0xFFFF));
    out.insert(out.end(), raw.begin() + at, raw.begin() + at + length);
    at += length;
  } while (at < raw.size());
  PutBig32(out, Adler32(raw));
  return out;
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

std::vector<unsigned char> GradientBmp(int width, int height) {
  return MakeBmp(width, height, [width, height](int x, int y) {
    return 0xFF000080u | uint32_t(x * 256 / width) << 16 | uint32_t(y * 256 / height) << 8;
  });
}

std::vector<unsigned char> UnevenGreyBmp(int size) {
  return MakeBmp(size, size, [](int x, int y) { return 0xFF000000u | uint32_t((x * 7 + y * 13) % 5 * 0x30 + 0x20) * 0x010101u; });
}

std::vector<unsigned char> MakePng(int width, int height,
                                   const std::function<uint32_t(int x, int y)>& colourAt) {
  std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> header;
  PutBig32(header, static_cast<uint32_t>(width));
  PutBig32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
  PutChunk(out, "IHDR", header);
  std::vector<unsigned char> raw;
  raw.reserve(static_cast<size_t>(height) * (1 + static_cast<size_t>(width) * 4));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // row filter: none
    for (int x = 0; x < width; ++x) {
      const uint32_t c = colourAt(x, y);
      raw.insert(raw.end(), {static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                             static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 24)});
    }
  }
  PutChunk(out, "IDAT", StoredZlib(raw));
  PutChunk(out, "IEND", {});
  return out;
}

}  // namespace ds_test
