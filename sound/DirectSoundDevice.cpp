#include "sound/DirectSoundDevice.h"

#include <algorithm>

#include "sound/MediaThread.h"
#include "sound/MusicGraph.h"

// Released at exit in the reverse order: the primary buffer, then the device.
DS_ComHolder<IDirectSound8> g_DirectSound;
DS_ComHolder<IDirectSoundBuffer> g_PrimarySoundBuffer;
DWORD g_SoundFocusFlags = 0;

namespace {

// One step of the settings' volume is half a decibel: 0 .. 100 -> -5000 .. 0.
const long kMasterVolumeStep = 50;

bool CreatePrimaryBuffer() {
  g_PrimarySoundBuffer.Release();
  DSBUFFERDESC desc = {};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = g_SoundFocusFlags | DSBCAPS_CTRLVOLUME | DSBCAPS_PRIMARYBUFFER;
  return SUCCEEDED(g_DirectSound->CreateSoundBuffer(&desc, g_PrimarySoundBuffer.Receive(),
                                                    nullptr)) &&
         g_PrimarySoundBuffer;
}

bool PlayPrimaryBuffer() {
  return g_PrimarySoundBuffer && SUCCEEDED(g_PrimarySoundBuffer->Play(0, 0, DSBPLAY_LOOPING));
}

}  // namespace

bool InitDirectSound(HWND window) {
  if (g_DirectSound) return true;
  g_SoundFocusFlags = DSBCAPS_STICKYFOCUS;
  if (FAILED(DirectSoundCreate8(nullptr, g_DirectSound.Receive(), nullptr))) {
    g_DirectSound.Release();
    return false;
  }
  // Without a cooperative level no buffer can be made: drop the device so that the
  // next restore tries again.
  if (FAILED(g_DirectSound->SetCooperativeLevel(window, DSSCL_NORMAL))) {
    g_DirectSound.Release();
    return false;
  }
  if (!CreatePrimaryBuffer()) return false;
  return PlayPrimaryBuffer();
}

long MasterVolumeFromSetting(int volume, bool mute) {
  if (mute) return DSBVOLUME_MIN;
  // The registry value is untrusted: outside 0 .. 100 SetVolume would refuse it.
  int clamped = std::min(std::max(volume, 0), 100);
  return (clamped - 100) * kMasterVolumeStep;
}

void ApplyMasterVolume(const DS_SoundSettings& settings) {
  if (!g_PrimarySoundBuffer) return;
  g_PrimarySoundBuffer->SetVolume(MasterVolumeFromSetting(settings.volume, settings.mute));
}

void OnSoundDeviceLost() {
  if (g_PrimarySoundBuffer) {
    // DirectSound's volume 0 is full volume: silence it, so that a muted saver is
    // not turned up while the device is away.
    g_PrimarySoundBuffer->SetVolume(DSBVOLUME_MIN);
    g_PrimarySoundBuffer->Stop();
  }
  // The music graph is released on the media thread, where all its work runs.
  MediaThread().Post([] {
    StopBackgroundMusic();
    ReleaseBackgroundMusic();
  });
}

bool OnSoundDeviceRestored(HWND window, const DS_SoundSettings& settings) {
  if (!InitDirectSound(window)) return false;
  ApplyMasterVolume(settings);
  return PlayPrimaryBuffer();
}
