// The default scene's sounds: their WAV files are what the saver's sound parser
// accepts, with the format and length made, and they are audible without clipping
// and start and end at silence (a track repeated by the play list or a looping sound
// item does not click).

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sound/WAVFile.h"
#include "tools/AudioClip.h"
#include "tools/DefaultSceneContent.h"

namespace {

using ds_tools::SceneSound;

std::vector<SceneSound> AllSounds() {
  std::vector<SceneSound> sounds = ds_tools::MakeMusicTracks();
  sounds.push_back(ds_tools::MakeSoundItemSound());
  return sounds;
}

std::string Name(const wchar_t* text) { return std::string(text, text + wcslen(text)); }

std::vector<int16_t> Samples(const DS_WAVData& wav) {
  std::vector<int16_t> samples(wav.samples.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = int16_t(uint16_t(wav.samples[2 * i]) | uint16_t(wav.samples[2 * i + 1]) << 8);
  return samples;
}

int Peak(const std::vector<int16_t>& samples, size_t first, size_t last) {
  int peak = 0;
  for (size_t i = first; i < last && i < samples.size(); ++i) peak = std::max(peak, std::abs(int(samples[i])));
  return peak;
}

TEST(AudioTest, WavFilesParseWithTheFormatMade) {
  for (const SceneSound& sound : AllSounds()) {
    const std::vector<unsigned char> file = ds_tools::EncodeWav16(sound.clip);
    DS_WAVData wav;
    ASSERT_TRUE(ParseWAVFile(file.data(), file.size(), wav)) << Name(sound.fileName);
    const WAVEFORMATEX& format = wav.Format();
    EXPECT_EQ(WAVE_FORMAT_PCM, format.wFormatTag) << Name(sound.fileName);
    EXPECT_EQ(1, format.nChannels);
    EXPECT_EQ(sound.clip.SampleRate(), format.nSamplesPerSec);
    EXPECT_EQ(16, format.wBitsPerSample);
    EXPECT_EQ(2, format.nBlockAlign);
    EXPECT_EQ(sound.clip.SampleRate() * 2, format.nAvgBytesPerSec);
    EXPECT_EQ(sound.clip.SampleCount() * 2, wav.samples.size());
    EXPECT_EQ(int(std::lround(sound.clip.Seconds() * 100.0)),
              WAVLengthHundredths(wav.samples.size(), format.nAvgBytesPerSec))
        << Name(sound.fileName);
  }
}

TEST(AudioTest, SoundsAreAudibleUnclippedAndShort) {
  for (const SceneSound& sound : AllSounds()) {
    const std::vector<unsigned char> file = ds_tools::EncodeWav16(sound.clip);
    DS_WAVData wav;
    ASSERT_TRUE(ParseWAVFile(file.data(), file.size(), wav)) << Name(sound.fileName);
    const std::vector<int16_t> samples = Samples(wav);
    const int peak = Peak(samples, 0, samples.size());
    EXPECT_GT(peak, 32767 / 4) << Name(sound.fileName) << " is too quiet";
    EXPECT_LT(peak, 32767 * 6 / 10) << Name(sound.fileName) << " plays too close to full scale";
    EXPECT_LE(sound.clip.Seconds(), 5.0) << Name(sound.fileName);
    EXPECT_LT(file.size(), 100u * 1024u) << Name(sound.fileName);
  }
}

TEST(AudioTest, SoundsStartAndEndAtSilence) {
  for (const SceneSound& sound : AllSounds()) {
    const std::vector<unsigned char> file = ds_tools::EncodeWav16(sound.clip);
    DS_WAVData wav;
    ASSERT_TRUE(ParseWAVFile(file.data(), file.size(), wav)) << Name(sound.fileName);
    const std::vector<int16_t> samples = Samples(wav);
    ASSERT_FALSE(samples.empty());
    const size_t edge = sound.clip.SampleRate() / 1000;  // one millisecond
    EXPECT_LT(Peak(samples, 0, edge), 32767 / 50) << Name(sound.fileName) << " starts with a click";
    EXPECT_LT(Peak(samples, samples.size() - edge, samples.size()), 32767 / 50)
        << Name(sound.fileName) << " ends with a click";
  }
}

// A note that runs past the end of the clip is cut, not grown into the clip.
TEST(AudioTest, NotesPastTheEndAreCut) {
  ds_tools::AudioClip clip(8000, 0.5);
  clip.AddNote(0.4, 1.0, 440.0, 0.5f, 1.0);
  clip.AddNote(2.0, 1.0, 440.0, 0.5f, 1.0);
  EXPECT_EQ(4000u, clip.SampleCount());
  EXPECT_EQ(0.0f, clip.At(3199));
  EXPECT_NE(0.0f, clip.At(3300));
}

}  // namespace
