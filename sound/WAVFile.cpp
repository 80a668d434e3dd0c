#include "sound/WAVFile.h"

#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace {

const size_t kChunkHeaderSize = 8;
const size_t kRiffHeaderSize = 12;
// A 'fmt ' chunk holds at least the PCM fields; the 18-byte form adds cbSize.
const size_t kShortFormatSize = 16;
const size_t kFullFormatSize = sizeof(WAVEFORMATEX);
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is stored packed");
// The extensible format's extra bytes: samples, channel mask, sub-format GUID.
const uint16_t kExtensibleExtraSize = 22;

uint32_t ReadU32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t ReadU16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

bool IsTag(const unsigned char* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

struct Chunk {
  const unsigned char* body = nullptr;
  uint32_t size = 0;
};

// Reads the format chunk whole: the 16-byte form gets cbSize 0, the longer form must
// hold all the extra bytes it announces.
bool ReadFormat(const Chunk& chunk, std::vector<unsigned char>& format) {
  if (chunk.size < kShortFormatSize) return false;
  uint16_t extra = 0;
  // Plain PCM has no extra bytes, whatever its cbSize says; DirectSound ignores it.
  if (chunk.size >= kFullFormatSize && ReadU16(chunk.body) != WAVE_FORMAT_PCM) {
    extra = ReadU16(chunk.body + kShortFormatSize);
    if (extra > chunk.size - kFullFormatSize) return false;
  }
  format.assign(kFullFormatSize + extra, 0);
  std::memcpy(format.data(), chunk.body, chunk.size >= kFullFormatSize ? kFullFormatSize + extra
                                                                       : kShortFormatSize);
  // The 16-byte form and plain PCM end at cbSize, which must say so.
  WAVEFORMATEX& fx = *reinterpret_cast<WAVEFORMATEX*>(format.data());
  fx.cbSize = extra;

  // A zero rate would divide the shown length by zero; zero channels or block size
  // describe no sound at all.
  if (fx.nChannels == 0 || fx.nSamplesPerSec == 0 || fx.nAvgBytesPerSec == 0 ||
      fx.nBlockAlign == 0)
    return false;
  if (fx.wFormatTag == WAVE_FORMAT_EXTENSIBLE && extra < kExtensibleExtraSize) return false;
  return true;
}

}  // namespace

bool ParseWAVFile(const unsigned char* bytes, size_t size, DS_WAVData& wav) {
  if (!bytes || size < kRiffHeaderSize) return false;
  if (!IsTag(bytes, "RIFF") || !IsTag(bytes + 8, "WAVE")) return false;
  uint64_t riffSize = ReadU32(bytes + 4);
  if (riffSize < 4 || riffSize > size - kChunkHeaderSize) return false;
  const uint64_t end = kChunkHeaderSize + riffSize;

  Chunk format, data;
  bool haveFormat = false, haveData = false;
  uint64_t pos = kRiffHeaderSize;
  while (pos + kChunkHeaderSize <= end) {
    const unsigned char* header = bytes + pos;
    uint64_t chunkSize = ReadU32(header + 4);
    if (chunkSize > end - pos - kChunkHeaderSize) return false;
    Chunk chunk{header + kChunkHeaderSize, static_cast<uint32_t>(chunkSize)};
    if (!haveFormat && IsTag(header, "fmt ")) {
      format = chunk;
      haveFormat = true;
    } else if (!haveData && IsTag(header, "data")) {
      data = chunk;
      haveData = true;
    }
    // Chunks are padded to an even size; the last pad byte may be missing.
    pos += kChunkHeaderSize + chunkSize + (chunkSize & 1);
  }
  if (!haveFormat || !haveData || data.size == 0) return false;

  DS_WAVData parsed;
  try {
    if (!ReadFormat(format, parsed.format)) return false;
    parsed.samples.assign(data.body, data.body + data.size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  wav = std::move(parsed);
  return true;
}

int WAVLengthHundredths(uint64_t dataBytes, uint32_t bytesPerSecond) {
  const uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int>::max());
  if (bytesPerSecond == 0) return 0;
  if (dataBytes > kMax) return static_cast<int>(kMax);
  // floor(bytes * 100 / rate + 0.5), exact in integers; the 32-bit product would
  // wrap above 42 MB of samples.
  uint64_t hundredths = (dataBytes * 200 + bytesPerSecond) / (uint64_t(bytesPerSecond) * 2);
  return static_cast<int>(hundredths > kMax ? kMax : hundredths);
}
