#pragma once
// Savers for the host tests: the framework's protected state opened up, and hooks that
// record the order in which the framework calls them.

#include <string>
#include <vector>

#include "host/SceneScreensaver.h"
#include "host/ScreensaverFramework.h"
#include "host/Settings.h"

template <class Base>
class Exposed : public Base {
public:
  using Base::Base;
  using Base::m_adapterCount;
  using Base::m_adapters;
  using Base::m_allScreensSame;
  using Base::m_d3d;
  using Base::m_ended;
  using Base::m_errorCode;
  using Base::m_errorMode;
  using Base::m_instance;
  using Base::m_mainWindow;
  using Base::m_mode;
  using Base::m_monitorCount;
  using Base::m_monitors;
  using Base::m_mouseMoveCount;
  using Base::m_renderTotal;
  using Base::m_unitCount;
  using Base::m_units;
  using Base::m_useDepthBuffer;
  using Base::m_windowed;
  using Base::m_windowTitle;

  bool AppendUnitForTest(UINT adapterIndex) { return this->AppendUnit(adapterIndex); }
  void StartClockForTest() { this->m_clock.Start(); }
  void LoadScreenSettingsForTest() {
    HKEY key = OpenSettingsKey();
    this->LoadScreenSettings(key);
    if (key) RegCloseKey(key);
  }
};

// Records the framework's calls of its device and ending hooks.
class RecordingSaver : public Exposed<CScreensaverFramework> {
public:
  HRESULT OnDeviceLost() override { return Note("lost", S_OK); }
  HRESULT OnDeviceRestored() override { return Note("restored", restoredResult); }
  HRESULT OnDeviceDestroyed() override { return Note("destroyed", S_OK); }
  HRESULT RenderScene() override { return Note("render", S_OK); }
  HRESULT OnShutdown() override {
    ++shutdowns;
    return S_OK;
  }

  HRESULT Note(const char* what, HRESULT result) {
    if (log) log->push_back(what);
    return result;
  }

  std::vector<std::string>* log = nullptr;
  HRESULT restoredResult = S_OK;
  int shutdowns = 0;
};
