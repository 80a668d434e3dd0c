#pragma once
// The DirectSound side of a WAV sound item: one static secondary buffer holding the
// item's samples, with the item's volume and balance, started, looped and stopped as
// the item's time line turns visible and invisible. The item owns it; a clone of the
// item shares the buffer (the holder adds a reference).

#include <windows.h>
#include <dsound.h>

#include "device/ComHolder.h"
#include "sound/WAVFile.h"

// The time line's phase and mode values the buffer follows.
constexpr int kSoundVisiblePhase = 0;
constexpr int kSoundInvisiblePhase = 1;
// Only an always-visible item loops; the other modes play once per visible phase.
constexpr int kSoundAlwaysVisibleMode = 0;

// SetVolume of an item volume 0 .. 100 (-5000 .. 0 hundredths of a decibel).
long WAVVolumeFromSetting(unsigned int volume);
// SetPan of an item balance 0 (left) .. 100 (right), 50 centre (-5000 .. 5000).
long WAVPanFromSetting(unsigned int balance);

class DS_WAVSoundBuffer {
public:
  // Makes the buffer from parsed data on g_DirectSound; false without a device or
  // when DirectSound refuses the format. A previous buffer is replaced.
  bool CreateBuffer(const DS_WAVData& wav);
  // Parses the bytes of the document's WAV file and makes the buffer. `lengthHundredths`
  // gets the shown length whenever the bytes parse, even when no buffer can be made
  // (the item's time line takes it either way).
  bool CreateBuffer(const unsigned char* bytes, size_t size, int& lengthHundredths);

  bool HasBuffer() const { return static_cast<bool>(m_buffer); }
  IDirectSoundBuffer8* Get() const { return m_buffer.Get(); }

  // The item's volume and balance.
  void ApplyVolume(unsigned int volume, unsigned int balance);
  // Plays from the first sample; false when the buffer cannot be rewound.
  bool PlayFromStart(bool looping);
  void Stop();
  // Stops the sound and lets the buffer go.
  void Release();
  // Follows the item's time line once a frame: a looping sound stops when its phase
  // turns invisible (a one-shot sound plays to its end); a stopped sound starts again
  // while its phase is visible.
  void Update(int phase, int mode);

private:
  DS_ComHolder<IDirectSoundBuffer8> m_buffer;
};
