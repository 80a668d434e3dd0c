#pragma once
// A scene slot: what one render unit draws through. Slot i belongs to unit i. A slot
// shows the splash picture on its first frame, loads the scene on its second and
// draws it on every later frame. This base only clears the unit's picture to black;
// the scene drawing derives from it. The saver owns its slots.

#include <windows.h>

class DS_ViewContext;

class DS_SceneSlot {
public:
  DS_SceneSlot() = default;
  DS_SceneSlot(const DS_SceneSlot&) = delete;
  DS_SceneSlot& operator=(const DS_SceneSlot&) = delete;
  virtual ~DS_SceneSlot() = default;

  // The view context to publish while this slot's unit is current; none yet.
  virtual DS_ViewContext* ViewContext() { return nullptr; }

  // First frame: draws the splash picture; sets splash-shown once it was drawn.
  virtual void DrawSplash();
  // Second frame: loads the scene; sets loaded.
  virtual void LoadScene();
  // Later frames: advances the scene to `appTime` seconds, then draws it.
  virtual void Update(float appTime) {}
  virtual void DrawScene();

  // Device hooks of the slot's unit, around a device reset.
  virtual void OnDeviceLost() {}
  virtual void OnDeviceRestored() {}
  // A music-graph event code while this slot was the current one.
  virtual void OnMusicEvent(long code) {}

  bool IsLoaded() const { return m_loaded; }
  bool IsSplashShown() const { return m_splashShown; }

protected:
  // Clears the current device's target to black between BeginScene and EndScene;
  // false when the scene could not begin.
  static bool ClearToBlack();

  bool m_loaded = false;
  bool m_splashShown = false;
};
