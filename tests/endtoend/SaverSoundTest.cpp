// The saver's device hooks drive the sound device and the music graph (Wine's
// DirectSound on the null audio device): a lost device silences the primary buffer
// and ends the music for good, and the restore brings back the saved master volume,
// mute included.
#include <gtest/gtest.h>

#include <string>

#include "host/SceneScreensaver.h"
#include "host/Settings.h"
#include "sound/DirectSoundDevice.h"
#include "sound/MediaThread.h"
#include "sound/MusicGraph.h"

namespace {

// Media work takes a loaded machine seconds; only a stuck media thread waits this long.
const DWORD kMediaWaitMs = 60000;

HWND SoundWindow() {
  static HWND window = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DS_EndToEndSoundWindow";
    RegisterClassW(&wc);
    return CreateWindowW(wc.lpszClassName, L"sound", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                         wc.hInstance, nullptr);
  }();
  return window;
}

class SaverSoundTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_path = L"Software\\SceneSaverTests\\endtoend-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    // The saver points the settings at its own key when it is made.
    SetSettingsKeyPath(m_path.c_str());
    ASSERT_TRUE(InitDirectSound(SoundWindow()));
  }
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, m_path.c_str());
  }
  static long PrimaryVolume() {
    LONG volume = 1;
    EXPECT_HRESULT_SUCCEEDED(g_PrimarySoundBuffer->GetVolume(&volume));
    return volume;
  }
  static bool PrimaryPlaying() {
    DWORD status = 0;
    EXPECT_HRESULT_SUCCEEDED(g_PrimarySoundBuffer->GetStatus(&status));
    return (status & DSBSTATUS_PLAYING) != 0;
  }

  std::wstring m_path;
};

TEST_F(SaverSoundTest, LostAndRestoredDevicesKeepTheSavedMasterVolume) {
  CSceneScreensaver saver;
  SetSettingsKeyPath(m_path.c_str());
  ASSERT_TRUE(WriteSettingDword(1, kValueMuteSound));
  saver.StartMusicGraph(SoundWindow());
  // The graph is made, and released, on the media thread.
  ASSERT_TRUE(MediaThread().WaitIdle(kMediaWaitMs));
  ASSERT_TRUE(g_MusicGraph);

  saver.OnDeviceRestored();
  EXPECT_EQ(-10000, PrimaryVolume()) << "muted";
  saver.OnDeviceLost();
  ASSERT_TRUE(MediaThread().WaitIdle(kMediaWaitMs));
  EXPECT_EQ(-10000, PrimaryVolume()) << "the lost hook must not turn a muted saver up";
  EXPECT_FALSE(PrimaryPlaying());
  EXPECT_FALSE(g_MusicGraph) << "the music ends for good with a lost device";
  EXPECT_EQ(-1, saver.TakeMediaEvent());

  ASSERT_TRUE(WriteSettingDword(0, kValueMuteSound));
  ASSERT_TRUE(WriteSettingDword(80, kValueSoundVolume));
  saver.OnDeviceRestored();
  EXPECT_EQ(-1000, PrimaryVolume());
  EXPECT_TRUE(PrimaryPlaying());
  // Events still queued for the released graph find nothing and reach no slot.
  saver.OnMediaEvent(1);
}

}  // namespace
