#pragma once
// The sound values of the saver's settings as the host read them from the registry:
// the volume (0 .. 100) of music and master output, the music balance (kept, unused)
// and the mute switch. The sound code takes them as plain values and reads nothing
// itself.

struct DS_SoundSettings {
  int volume = 100;
  int balance = 50;
  bool mute = false;
};
