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

std::unique_ptr<DS_SceneSlot> MakeStuckMusicSlot(UINT) {
  static const std::shared_ptr<DS_MusicPlayer> player = std::make_shared<StuckMusicPlayer>();
  return std::unique_ptr<DS_SceneSlot>(new DS_SceneSlot(nullptr, player));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return RunSceneSaverProcess(instance, MakeStuckMusicSlot);
}
