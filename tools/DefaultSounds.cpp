#include "tools/DefaultSounds.h"

namespace ds_tools {
namespace {

const uint32_t kMusicRate = 8000;
const uint32_t kChimeRate = 11025;
// The tracks play under the pictures: well below full scale.
const float kMusicPeak = 0.45f;
const float kChimePeak = 0.5f;

const double kNoteSpacing = 0.5;
const double kNoteLength = 1.0;

// Eight ringing notes, one every half second; the last one has died away when the
// clip ends, so a repeated track starts again without a click.
AudioClip Arpeggio(const double (&notes)[8], double decayPerSecond) {
  AudioClip clip(kMusicRate, 7 * kNoteSpacing + kNoteLength);
  for (int i = 0; i < 8; ++i) clip.AddNote(i * kNoteSpacing, kNoteLength, notes[i], 0.5f, decayPerSecond);
  clip.Normalise(kMusicPeak);
  return clip;
}

}  // namespace

SceneSound MakeMorningTheme() {
  // C5 E5 G5 C6 G5 E5 D5 G5
  const double notes[8] = {523.25, 659.25, 783.99, 1046.50, 783.99, 659.25, 587.33, 783.99};
  return {L"morning_theme.wav", L"Morning Theme", Arpeggio(notes, 2.0)};
}

SceneSound MakeEveningTheme() {
  // A4 C5 E5 A5 E5 C5 B4 E5
  const double notes[8] = {440.00, 523.25, 659.25, 880.00, 659.25, 523.25, 493.88, 659.25};
  return {L"evening_theme.wav", L"Evening Theme", Arpeggio(notes, 1.5)};
}

SceneSound MakeChime() {
  AudioClip clip(kChimeRate, 2.0);
  clip.AddNote(0.0, 2.0, 880.0, 0.6f, 2.5);    // A5
  clip.AddNote(0.0, 2.0, 1318.5, 0.3f, 3.5);   // E6
  clip.Normalise(kChimePeak);
  return {L"chime.wav", L"Chime", clip};
}

}  // namespace ds_tools
