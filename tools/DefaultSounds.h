#pragma once
// The sounds of the default scene, made in code: two short background-music tracks
// (a bright arpeggio in C major and a calmer one in A minor) and a bell chime for the
// scene's WAV sound item. Low sample rates keep the document small.

#include "tools/AudioClip.h"

namespace ds_tools {

struct SceneSound {
  const wchar_t* fileName;
  const wchar_t* title;
  AudioClip clip;
};

// 8000 Hz, 4.5 s.
SceneSound MakeMorningTheme();
// 8000 Hz, 4.5 s.
SceneSound MakeEveningTheme();
// 11025 Hz, 2 s: two bell partials dying away.
SceneSound MakeChime();

}  // namespace ds_tools
