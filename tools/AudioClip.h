#pragma once
// A short mono sound made in code for the default scene, and its encoding as a PCM
// WAV file. The builder copies the file bytes into the document (music tracks and the
// WAV sound item); the saver plays them through DirectShow and DirectSound.

#include <cstdint>
#include <vector>

namespace ds_tools {

class AudioClip {
public:
  AudioClip(uint32_t sampleRate, double seconds);

  uint32_t SampleRate() const { return m_rate; }
  size_t SampleCount() const { return m_samples.size(); }
  double Seconds() const { return double(m_samples.size()) / double(m_rate); }
  float At(size_t index) const { return m_samples[index]; }
  // Adds a note: a sine with a few quiet overtones under a soft attack and an
  // exponential decay. `start` and `length` in seconds; amplitude 0..1.
  void AddNote(double start, double length, double frequency, float amplitude, double decayPerSecond);
  // Scales the clip so that its loudest sample reaches `peak` (0..1).
  void Normalise(float peak);

  // 16-bit signed samples, clamped to the 16-bit range.
  std::vector<int16_t> ToPCM16() const;

private:
  uint32_t m_rate;
  std::vector<float> m_samples;
};

// RIFF/WAVE: a 16-byte PCM 'fmt ' chunk (mono, 16 bit) and the 'data' chunk.
std::vector<unsigned char> EncodeWav16(const AudioClip& clip);

}  // namespace ds_tools
