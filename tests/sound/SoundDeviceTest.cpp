// Runs against Wine's DirectSound on the null audio device.
#include <gtest/gtest.h>

#include "SoundTestWindow.h"
#include "WAVBuilder.h"
#include "sound/DirectSoundDevice.h"
#include "sound/MediaThread.h"
#include "sound/MusicGraph.h"
#include "sound/WAVSoundBuffer.h"

namespace {

// Media work takes a loaded machine seconds; only a stuck media thread waits this long.
const DWORD kMediaWaitMs = 60000;

const DWORD kPlayingAndLooping = DSBSTATUS_PLAYING | DSBSTATUS_LOOPING;

class SoundDeviceTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(InitDirectSound(SoundTestWindow())); }

  static long PrimaryVolume() {
    LONG volume = 1;
    EXPECT_HRESULT_SUCCEEDED(g_PrimarySoundBuffer->GetVolume(&volume));
    return volume;
  }
  static DWORD Status(const DS_WAVSoundBuffer& sound) {
    DWORD status = 0;
    EXPECT_HRESULT_SUCCEEDED(sound.Get()->GetStatus(&status));
    return status;
  }
  static DS_SoundSettings Settings(int volume, bool mute) {
    DS_SoundSettings settings;
    settings.volume = volume;
    settings.mute = mute;
    return settings;
  }
};

TEST_F(SoundDeviceTest, DeviceIsMadeOnceWithAPlayingPrimaryBuffer) {
  ASSERT_TRUE(g_DirectSound);
  ASSERT_TRUE(g_PrimarySoundBuffer);
  IDirectSound8* device = g_DirectSound.Get();
  EXPECT_TRUE(InitDirectSound(SoundTestWindow()));
  EXPECT_EQ(device, g_DirectSound.Get());
  EXPECT_EQ(DWORD(DSBCAPS_STICKYFOCUS), g_SoundFocusFlags);
  DSBCAPS caps = {};
  caps.dwSize = sizeof(caps);
  ASSERT_HRESULT_SUCCEEDED(g_PrimarySoundBuffer->GetCaps(&caps));
  EXPECT_TRUE(caps.dwFlags & DSBCAPS_PRIMARYBUFFER);
  EXPECT_TRUE(caps.dwFlags & DSBCAPS_CTRLVOLUME);
}

TEST_F(SoundDeviceTest, MasterVolumeFollowsTheSettings) {
  ApplyMasterVolume(Settings(80, false));
  EXPECT_EQ(-1000, PrimaryVolume());
  ApplyMasterVolume(Settings(80, true));
  EXPECT_EQ(-10000, PrimaryVolume());
  ApplyMasterVolume(Settings(100, false));
  EXPECT_EQ(0, PrimaryVolume());
}

TEST_F(SoundDeviceTest, LostDeviceNeverTurnsAMutedSaverUp) {
  ASSERT_TRUE(InitBackgroundMusic(SoundTestWindow()));
  ApplyMasterVolume(Settings(100, true));
  OnSoundDeviceLost();
  EXPECT_EQ(-10000, PrimaryVolume()) << "the lost hook must not set full volume";
  // The graph is released on the media thread.
  ASSERT_TRUE(MediaThread().WaitIdle(kMediaWaitMs));
  EXPECT_FALSE(g_MusicGraph) << "the music ends for good with the lost device";
  EXPECT_EQ(-1, GetMusicEvent());

  ASSERT_TRUE(OnSoundDeviceRestored(SoundTestWindow(), Settings(100, true)));
  EXPECT_EQ(-10000, PrimaryVolume());
  ASSERT_TRUE(OnSoundDeviceRestored(SoundTestWindow(), Settings(80, false)));
  EXPECT_EQ(-1000, PrimaryVolume());
  DWORD status = 0;
  ASSERT_HRESULT_SUCCEEDED(g_PrimarySoundBuffer->GetStatus(&status));
  EXPECT_TRUE(status & DSBSTATUS_PLAYING) << "status " << status;
}

TEST_F(SoundDeviceTest, WAVBufferHoldsTheSamplesWithVolumeAndBalance) {
  // Two seconds at 176,400 bytes a second.
  std::vector<unsigned char> file = MakeToneWAV(2.0, 44100, 2);
  DS_WAVSoundBuffer sound;
  int length = -1;
  ASSERT_TRUE(sound.CreateBuffer(file.data(), file.size(), length));
  EXPECT_EQ(200, length);
  DSBCAPS caps = {};
  caps.dwSize = sizeof(caps);
  ASSERT_HRESULT_SUCCEEDED(sound.Get()->GetCaps(&caps));
  EXPECT_EQ(352800u, caps.dwBufferBytes);
  EXPECT_TRUE(caps.dwFlags & DSBCAPS_CTRLPAN);

  sound.ApplyVolume(80, 25);
  LONG volume = 0, pan = 0;
  ASSERT_HRESULT_SUCCEEDED(sound.Get()->GetVolume(&volume));
  ASSERT_HRESULT_SUCCEEDED(sound.Get()->GetPan(&pan));
  EXPECT_EQ(-1000, volume);
  EXPECT_EQ(-2500, pan);

  DS_WAVSoundBuffer clone = sound;
  EXPECT_EQ(sound.Get(), clone.Get()) << "a clone plays the same buffer";
}

TEST_F(SoundDeviceTest, OnlyAnAlwaysVisibleSoundLoops) {
  std::vector<unsigned char> file = MakeToneWAV(1.0);
  DS_WAVSoundBuffer sound;
  int length = 0;
  ASSERT_TRUE(sound.CreateBuffer(file.data(), file.size(), length));

  sound.Update(kSoundVisiblePhase, kSoundAlwaysVisibleMode);
  EXPECT_EQ(DWORD(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING), Status(sound) & kPlayingAndLooping);
  sound.Update(kSoundInvisiblePhase, kSoundAlwaysVisibleMode);
  EXPECT_FALSE(Status(sound) & DSBSTATUS_PLAYING) << "a looping sound stops when invisible";

  const int kCyclingMode = 1;
  sound.Update(kSoundVisiblePhase, kCyclingMode);
  EXPECT_EQ(DWORD(DSBSTATUS_PLAYING), Status(sound) & kPlayingAndLooping);
  sound.Update(kSoundInvisiblePhase, kCyclingMode);
  EXPECT_TRUE(Status(sound) & DSBSTATUS_PLAYING) << "a one-shot sound plays to its end";
  sound.Stop();
  EXPECT_FALSE(Status(sound) & DSBSTATUS_PLAYING);
}

TEST_F(SoundDeviceTest, OneShotSoundStartsAgainWhileVisible) {
  std::vector<unsigned char> file = MakeToneWAV(0.1);
  DS_WAVSoundBuffer sound;
  int length = 0;
  ASSERT_TRUE(sound.CreateBuffer(file.data(), file.size(), length));
  EXPECT_EQ(10, length);
  ASSERT_TRUE(sound.PlayFromStart(false));
  ASSERT_TRUE(PumpUntil([&] { return !(Status(sound) & DSBSTATUS_PLAYING); }, 5000))
      << "a 0.1 s sound did not end";
  sound.Update(kSoundVisiblePhase, 1);
  EXPECT_EQ(DWORD(DSBSTATUS_PLAYING), Status(sound) & kPlayingAndLooping);
  sound.Stop();
}

TEST_F(SoundDeviceTest, WithoutDeviceTheLengthIsStillKnown) {
  DS_ComHolder<IDirectSound8> device = g_DirectSound;
  g_DirectSound.Release();
  std::vector<unsigned char> file = MakeToneWAV(0.5, 8000);
  DS_WAVSoundBuffer sound;
  int length = -1;
  EXPECT_FALSE(sound.CreateBuffer(file.data(), file.size(), length));
  g_DirectSound = device;
  EXPECT_EQ(50, length);
  EXPECT_FALSE(sound.HasBuffer());
  // A silent item ignores everything.
  sound.Update(kSoundVisiblePhase, kSoundAlwaysVisibleMode);
  sound.ApplyVolume(10, 10);
  EXPECT_FALSE(sound.PlayFromStart(true));
  sound.Stop();
}

TEST_F(SoundDeviceTest, HostileWAVMakesNoBuffer) {
  std::vector<unsigned char> file = MakeToneWAV(0.5);
  file[40] = 0xFF;  // the data chunk's size now runs past the end
  file[41] = 0xFF;
  DS_WAVSoundBuffer sound;
  int length = -1;
  EXPECT_FALSE(sound.CreateBuffer(file.data(), file.size(), length));
  EXPECT_EQ(-1, length);
  EXPECT_FALSE(sound.HasBuffer());
}

}  // namespace
