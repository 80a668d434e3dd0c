#pragma once
// The program's one DirectSound device and its looping primary buffer, whose volume is
// the master volume of the sound settings. The host's device-restored hook creates
// the device on the main window the first time a render unit is set up; it lives
// until process exit (the holders release it, buffer first). A lost Direct3D device
// silences the primary buffer and ends the background music; the restore brings the
// saved master volume back.

#include <windows.h>
#include <dsound.h>

#include "device/ComHolder.h"
#include "sound/SoundSettings.h"

extern DS_ComHolder<IDirectSound8> g_DirectSound;
extern DS_ComHolder<IDirectSoundBuffer> g_PrimarySoundBuffer;
// Added to the flags of every buffer: sounds stay audible while the window of another
// program has the focus.
extern DWORD g_SoundFocusFlags;

// Creates the device (normal cooperative level on `window`) and plays the primary
// buffer. True at once when the device exists.
bool InitDirectSound(HWND window);

// The primary buffer's volume for the settings, in hundredths of a decibel.
long MasterVolumeFromSetting(int volume, bool mute);
// Sets the master volume on the primary buffer, when there is one.
void ApplyMasterVolume(const DS_SoundSettings& settings);

// The sound part of the host's device-lost hook: the primary buffer is silenced and
// stopped, and the background music is stopped and released for good.
void OnSoundDeviceLost();
// The sound part of the host's device-restored hook: the device is created on the
// first call, and the primary buffer plays (again) with the saved volume and mute.
bool OnSoundDeviceRestored(HWND window, const DS_SoundSettings& settings);
