#pragma once
// The concrete saver: draws the scene in one scene slot per render unit, keeps its
// settings in the registry and requires bump-mapped texture blending of the device.
// WinMain constructs it on its stack; it is published in g_SceneScreensaver.

#include <memory>

#include "host/SceneSlot.h"
#include "host/ScreensaverFramework.h"
#include "host/Settings.h"
#include "sound/MediaThread.h"

const UINT kSceneSlotCount = 10;

// Makes the slot of render unit `index`; the default makes a DS_SceneSlot.
typedef std::unique_ptr<DS_SceneSlot> (*DS_SceneSlotFactory)(UINT index);

class CSceneScreensaver : public CScreensaverFramework {
public:
  explicit CSceneScreensaver(DS_SceneSlotFactory slotFactory = nullptr);
  ~CSceneScreensaver() override;

  void ShowSettings() override;
  INT_PTR SoundDialogProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) override;
  // The settings dialog (106); with the sound dialog in SettingsDialogs.cpp.
  INT_PTR SettingsDialogProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam);
  void ReadSettings() override;
  void SelectRenderUnit(UINT index) override;
  HRESULT RenderScene() override;
  // The earliest time any unit's slot changes its picture.
  float StillUntil() override;
  HRESULT OnDeviceRestored() override;
  HRESULT OnDeviceLost() override;
  // The end of the run: the media released (ReleaseMedia); when that does not finish
  // within its bound the process ends here, with exit code 0 (EndProcessNow).
  HRESULT OnShutdown() override;
  void OnMediaEvent(long code) override;
  void StartMusicGraph(HWND notifyWindow) override;
  long TakeMediaEvent() override;
  HRESULT CheckDeviceCaps(const D3DCAPS9& caps, DWORD behaviorFlags, D3DFORMAT format) override;

  // The settings key: screen settings in, and the table plus screen settings out.
  void ReadSettingsFromRegistry();
  void WriteSettings();

  DS_SceneSlot* Slot(UINT index) { return index < kSceneSlotCount ? m_slots[index].get() : nullptr; }
  DS_SceneSlot* CurrentSlot() { return m_currentSlot; }
  // The slot that hears the music graph's events: the current slot when it has a
  // slide show, otherwise the first slot with one; null while no slot has a scene.
  DS_SceneSlot* MusicSlot();
  DS_SettingsTable& SettingsTable() { return m_settingsTable; }
  // Every slot's sounds and the music graph, released on the media thread, which then
  // ends; waits for it at most `waitMs`. Runs once: later calls return true at once.
  // False when the media thread did not finish within the bound (it is left behind).
  bool ReleaseMedia(DWORD waitMs = DS_MediaThread::kExitWaitMs);

private:
  // Ends the process at once with exit code 0, without waiting for anything.
  static void EndProcessNow();

  std::unique_ptr<DS_SceneSlot> m_slots[kSceneSlotCount];
  DS_SceneSlot* m_currentSlot = nullptr;
  DS_SettingsTable m_settingsTable;
  bool m_mediaReleased = false;
};

extern CSceneScreensaver* g_SceneScreensaver;
