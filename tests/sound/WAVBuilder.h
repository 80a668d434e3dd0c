#pragma once
// Builds RIFF/WAVE files in memory for the sound tests: well-formed ones and ones
// whose sizes lie.

#include <cstdint>
#include <string>
#include <vector>

struct TestChunk {
  std::string tag;
  std::vector<unsigned char> body;
  int64_t declaredSize = -1;  // -1: the body's real size
};

inline void PutU32(std::vector<unsigned char>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

inline void PutU16(std::vector<unsigned char>& out, uint16_t v) {
  out.push_back(static_cast<unsigned char>(v));
  out.push_back(static_cast<unsigned char>(v >> 8));
}

// The 16-byte PCM format body.
inline std::vector<unsigned char> PCMFormat(uint16_t channels, uint32_t rate, uint16_t bits,
                                            int64_t avgBytes = -1) {
  std::vector<unsigned char> body;
  uint16_t blockAlign = static_cast<uint16_t>(channels * bits / 8);
  PutU16(body, 1);
  PutU16(body, channels);
  PutU32(body, rate);
  PutU32(body, avgBytes < 0 ? rate * blockAlign : static_cast<uint32_t>(avgBytes));
  PutU16(body, blockAlign);
  PutU16(body, bits);
  return body;
}

// RIFF/WAVE around `chunks`; riffSize -1 is the real size.
inline std::vector<unsigned char> MakeRIFF(const std::vector<TestChunk>& chunks,
                                           int64_t riffSize = -1) {
  std::vector<unsigned char> body;
  body.insert(body.end(), {'W', 'A', 'V', 'E'});
  for (const TestChunk& c : chunks) {
    body.insert(body.end(), c.tag.begin(), c.tag.end());
    PutU32(body, static_cast<uint32_t>(c.declaredSize < 0 ? c.body.size() : c.declaredSize));
    body.insert(body.end(), c.body.begin(), c.body.end());
    if (c.body.size() & 1) body.push_back(0);
  }
  std::vector<unsigned char> out = {'R', 'I', 'F', 'F'};
  PutU32(out, static_cast<uint32_t>(riffSize < 0 ? body.size() : riffSize));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

// 16-bit PCM of `seconds` of a quiet square wave.
inline std::vector<unsigned char> MakeToneWAV(double seconds, uint32_t rate = 22050,
                                              uint16_t channels = 1) {
  uint32_t frames = static_cast<uint32_t>(seconds * rate);
  std::vector<unsigned char> samples;
  for (uint32_t i = 0; i < frames; ++i)
    for (uint16_t c = 0; c < channels; ++c) PutU16(samples, (i / 50) % 2 ? 0x0800 : 0xF800);
  return MakeRIFF({{"fmt ", PCMFormat(channels, rate, 16)}, {"data", samples}});
}
