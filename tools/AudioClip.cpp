#include "tools/AudioClip.h"

#include <algorithm>
#include <cmath>

namespace ds_tools {
namespace {

const double kPi = 3.14159265358979323846;
// A short attack keeps notes from clicking in.
const double kAttackSeconds = 0.012;
// Overtones of the note: (multiple of the frequency, relative amplitude).
const double kOvertones[][2] = {{1.0, 1.0}, {2.0, 0.25}, {3.0, 0.08}};

const uint16_t kWavePCM = 1;
const uint16_t kWaveChannels = 1;
const uint16_t kWaveBits = 16;
const uint32_t kWaveFormatBytes = 16;

void PutTag(std::vector<unsigned char>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

void Put16(std::vector<unsigned char>& out, uint32_t value) {
  out.push_back(static_cast<unsigned char>(value));
  out.push_back(static_cast<unsigned char>(value >> 8));
}

void Put32(std::vector<unsigned char>& out, uint32_t value) {
  Put16(out, value & 0xFFFFu);
  Put16(out, value >> 16);
}

}  // namespace

AudioClip::AudioClip(uint32_t sampleRate, double seconds)
    : m_rate(std::max(sampleRate, 1u)),
      m_samples(size_t(std::max(0.0, std::floor(seconds * double(m_rate)))), 0.0f) {}

void AudioClip::AddNote(double start, double length, double frequency, float amplitude, double decayPerSecond) {
  const size_t first = size_t(std::max(0.0, start * double(m_rate)));
  const size_t count = size_t(std::max(0.0, length * double(m_rate)));
  const size_t last = std::min(m_samples.size(), first + count);
  for (size_t i = first; i < last; ++i) {
    const double t = double(i - first) / double(m_rate);
    const double remaining = length - t;
    // Attack, decay, and a short release so that a note ends at silence.
    double envelope = std::min(1.0, t / kAttackSeconds) * std::exp(-decayPerSecond * t);
    envelope *= std::min(1.0, remaining / kAttackSeconds);
    double value = 0.0;
    for (const auto& overtone : kOvertones) value += overtone[1] * std::sin(2.0 * kPi * frequency * overtone[0] * t);
    m_samples[i] += float(amplitude * envelope * value);
  }
}

void AudioClip::Normalise(float peak) {
  float loudest = 0.0f;
  for (float sample : m_samples) loudest = std::max(loudest, std::fabs(sample));
  if (loudest <= 0.0f) return;
  const float gain = peak / loudest;
  for (float& sample : m_samples) sample *= gain;
}

std::vector<int16_t> AudioClip::ToPCM16() const {
  std::vector<int16_t> pcm;
  pcm.reserve(m_samples.size());
  for (float sample : m_samples) {
    const long value = std::lround(double(sample) * 32767.0);
    pcm.push_back(int16_t(std::min(32767L, std::max(-32768L, value))));
  }
  return pcm;
}

std::vector<unsigned char> EncodeWav16(const AudioClip& clip) {
  const std::vector<int16_t> pcm = clip.ToPCM16();
  const uint32_t blockAlign = kWaveChannels * kWaveBits / 8;
  const uint32_t dataBytes = uint32_t(pcm.size()) * blockAlign;
  // "WAVE", the format chunk with its header, the data chunk header; 16-bit samples
  // keep the data chunk even, so no pad byte follows.
  const uint32_t riffBytes = 4 + (8 + kWaveFormatBytes) + (8 + dataBytes);

  std::vector<unsigned char> out;
  out.reserve(8 + riffBytes);
  PutTag(out, "RIFF");
  Put32(out, riffBytes);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, kWaveFormatBytes);
  Put16(out, kWavePCM);
  Put16(out, kWaveChannels);
  Put32(out, clip.SampleRate());
  Put32(out, clip.SampleRate() * blockAlign);
  Put16(out, blockAlign);
  Put16(out, kWaveBits);
  PutTag(out, "data");
  Put32(out, dataBytes);
  for (int16_t sample : pcm) Put16(out, uint16_t(sample));
  return out;
}

}  // namespace ds_tools
