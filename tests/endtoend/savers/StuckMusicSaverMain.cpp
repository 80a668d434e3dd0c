// A test saver over the default scene whose music player never comes back from the
// first track it is asked to play, as when IMediaControl::Stop blocks for good inside
// the media stack while the previous track is taken down. The saver must still draw
// its slides and end on a key with exit code 0 (saver_endtoend.sh).
#include <windows.h>

#include <memory>

#include "host/SaverProcess.h"
#include "sound/MusicPlayList.h"

namespace {

class StuckMusicPlayer : public DS_MusicPlayer {
public:
  bool PlayFile(const ds_string&) override {
    // The previous track's Stop, never returning.
    for (;;) Sleep(INFINITE);
    return false;
  }
  void Rewind() override {}
  void ApplySettings(const DS_SoundSettings&) override {}
};

StuckMusicPlayer s_player;

std::unique_ptr<DS_SceneSlot> MakeStuckMusicSlot(UINT) {
  return std::unique_ptr<DS_SceneSlot>(new DS_SceneSlot(nullptr, &s_player));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return RunSceneSaverProcess(instance, MakeStuckMusicSlot);
}
