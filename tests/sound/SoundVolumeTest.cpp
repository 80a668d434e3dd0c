#include <gtest/gtest.h>

#include "sound/DirectSoundDevice.h"
#include "sound/MusicGraph.h"
#include "sound/WAVSoundBuffer.h"

namespace {

TEST(SoundVolume, MasterVolumeFromSettings) {
  struct Case {
    int volume;
    bool mute;
    long expected;
  } cases[] = {
      {100, false, 0},    {80, false, -1000}, {0, false, -5000},
      {80, true, -10000}, {100, true, -10000},
      // Registry values outside 0 .. 100 stay within what SetVolume accepts.
      {250, false, 0},    {-7, false, -5000}, {2147483647, false, 0},
      {-2147483647 - 1, false, -5000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, MasterVolumeFromSetting(c.volume, c.mute))
        << "volume " << c.volume << (c.mute ? " muted" : "");
}

TEST(SoundVolume, MusicVolumeFromSettings) {
  struct Case {
    int volume;
    bool mute;
    long expected;
  } cases[] = {
      {100, false, 0},    {50, false, -2000}, {0, false, -4000}, {80, false, -800},
      {75, false, -1000}, {50, true, -10000}, {400, false, 0},   {-1, false, -4000},
      {2147483647, false, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, MusicVolumeFromSetting(c.volume, c.mute))
        << "volume " << c.volume << (c.mute ? " muted" : "");
}

TEST(SoundVolume, WAVVolumeAndPanFromItemSettings) {
  struct Case {
    unsigned int value;
    long volume;
    long pan;
  } cases[] = {
      {100, 0, 5000}, {80, -1000, 3000}, {50, -2500, 0}, {25, -3750, -2500},
      {0, -5000, -5000}, {1000, 0, 5000}, {0xFFFFFFFFu, 0, 5000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.volume, WAVVolumeFromSetting(c.value)) << "volume " << c.value;
    EXPECT_EQ(c.pan, WAVPanFromSetting(c.value)) << "balance " << c.value;
  }
}

}  // namespace
