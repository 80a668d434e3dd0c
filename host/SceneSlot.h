#pragma once
// A scene slot: what one render unit draws through. Slot i belongs to unit i. A slot
// shows the splash picture on its first frame, loads its own copy of the embedded scene
// document on its second, and from then on advances and draws its slide show. The slot
// also starts the background-music play list with the document's tracks and moves it
// on when a track has played to its end. The saver owns its slots; a slot keeps its
// slide show and the document's resource manager for the rest of the run.
//
// The play list and its player are worked on the media thread (MediaThread.h): the
// slot posts the list's work there and never waits for it. The commands hold the
// list and the player by shared ownership, so work still queued when the slot goes
// finds them alive. Everything else of the slot runs on the window thread.

#include <windows.h>

#include <functional>
#include <memory>
#include <utility>

#include "document/AbortCheck.h"
#include "render/TexturedQuad.h"
#include "render/VertexFormats.h"
#include "render/ViewContext.h"
#include "sound/MusicPlayList.h"

class DS_DocResManager;
class DS_SlideShow_Light;

// The sound values of the saved settings; absent values keep their defaults.
DS_SoundSettings ReadSavedSoundSettings();

class DS_SceneSlot {
public:
  // `documentModule` holds the document ("DDS" 107; null: the program); `player`
  // plays the music (null: the process-wide music graph).
  explicit DS_SceneSlot(HMODULE documentModule = nullptr, std::shared_ptr<DS_MusicPlayer> player = nullptr);
  DS_SceneSlot(const DS_SceneSlot&) = delete;
  DS_SceneSlot& operator=(const DS_SceneSlot&) = delete;
  virtual ~DS_SceneSlot();

  // The view context to publish while this slot's unit is current.
  virtual DS_ViewContext* ViewContext() { return &m_viewContext; }
  // The manager of this slot's document; null until it is loaded.
  DS_DocResManager* ResourceManager() const { return m_resourceManager; }
  DS_SlideShow_Light* SlideShow() const { return m_slideShow; }
  bool HasSlideShow() const { return m_slideShow != nullptr; }

  // First frame: draws the splash picture; sets splash-shown once it was drawn.
  virtual void DrawSplash();
  // Second frame: loads the document, builds its objects and starts the music; sets
  // loaded. The error code when the document could not be loaded (the slot then has
  // no slide show and draws black); S_FALSE when the abort check stopped the load
  // (the slot has no slide show and draws nothing more: the saver is ending);
  // otherwise S_OK.
  virtual HRESULT LoadScene();
  // Asked between the records and pictures of the load and, by the slide show, between
  // the pictures it reads later (null: never); the saver owns it.
  void SetAbortCheck(DS_AbortCheck* check) { m_abortCheck = check; }
  // Later frames: advances the scene to `appTime` seconds, then draws it.
  virtual void Update(float appTime);
  virtual void DrawScene();
  // After Update at appTime: the time until which the slot's picture stays as it is
  // (appTime while it changes: the splash and the load come first).
  virtual float StillUntil(float appTime) const;

  // Device hooks of the slot's unit, around a device reset.
  virtual void OnDeviceLost();
  virtual void OnDeviceRestored();
  // The music graph signalled: `code` (-1: none) and then every event still queued
  // in the graph are handed to the play list on the media thread; only the end of a
  // track moves it on.
  virtual void OnMusicEvent(long code);
  // The end of the run: every sound object of every slide stops and releases its
  // buffer or graph. Runs on the thread that calls it.
  void ReleaseSounds();
  // The same release as a command for the media thread, taken once by the end of the
  // run (null when there is nothing to release); the slot posts no release of its
  // own from then on. The command holds nothing of the slot, only the slide show,
  // which lives for the rest of the process.
  std::function<void()> TakeSoundRelease();

  bool IsLoaded() const { return m_loaded; }
  bool IsSplashShown() const { return m_splashShown; }
  // Changed on the media thread: read it only once that is idle (WaitIdle).
  const DS_MusicPlayList& PlayList() const { return m_music->playList; }

  // Stream 0 := the pre-transformed quad's buffer, no vertex shader, its FVF.
  static void SetScreenQuadStream(const DS_TexturedQuad<DX_V::SCT>& quad);

protected:
  // Clears the current device's target to black between BeginScene and EndScene;
  // false when the scene could not begin.
  static bool ClearToBlack();
  // Makes the splash quad for the current back buffer: the program's splash picture
  // in a square of two thirds of the back buffer's height, centred.
  void BuildSplash();
  // Draws the splash quad over black; false when the scene could not begin.
  bool DrawSplashQuad();
  // The document's tracks made playable, then the play list started with the first.
  void StartMusic();

  // The music's part of the slot, shared with the commands that work on it.
  struct Music {
    explicit Music(std::shared_ptr<DS_MusicPlayer> musicPlayer)
        : player(std::move(musicPlayer)), playList(*player) {}
    std::shared_ptr<DS_MusicPlayer> player;
    DS_MusicPlayList playList;
  };

  DS_TexturedQuad<DX_V::SCT> m_splash;
  DS_SlideShow_Light* m_slideShow = nullptr;
  DS_DocResManager* m_resourceManager = nullptr;
  DS_ViewContext m_viewContext;
  std::shared_ptr<Music> m_music;
  HMODULE m_documentModule;
  DS_AbortCheck* m_abortCheck = nullptr;
  bool m_loaded = false;
  bool m_splashShown = false;
  // Set once the end of the run took the release of the slot's sounds.
  bool m_soundReleaseTaken = false;
};
