#include "tools/Mp3Clip.h"

#include <cmath>

namespace ds_tools {
namespace {

// Frame header: sync (11 bits), MPEG-1, Layer III, no CRC | bit rate 128 kbit/s
// (index 9), 48000 Hz (index 1), no padding | mono, original.
const unsigned char kFrameHeader[4] = {0xFF, 0xFB, 0x94, 0xC4};

}  // namespace

std::vector<unsigned char> EncodeSilentMp3(double seconds) {
  double frames = std::ceil(seconds * kMp3SampleRate / kMp3SamplesPerFrame);
  if (!(frames >= 1.0)) frames = 1.0;
  const size_t count = size_t(frames);
  // After the header, the 17 bytes of mono side information and the main data are
  // all zero: no main data reservoir, both granules with nothing coded, which
  // decodes to silence.
  std::vector<unsigned char> bytes(count * kMp3FrameBytes, 0);
  for (size_t i = 0; i < count; ++i) {
    for (size_t b = 0; b < sizeof(kFrameHeader); ++b) bytes[i * kMp3FrameBytes + b] = kFrameHeader[b];
  }
  return bytes;
}

}  // namespace ds_tools
