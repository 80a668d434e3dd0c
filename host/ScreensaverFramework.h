#pragma once
// The screen-saver framework: follows the command line, owns the saver windows, the
// monitor/adapter/device tables, the render units with their Direct3D devices, the
// message loop, the frame clock and the error mode. It calls virtual hooks at fixed
// points; the concrete saver fills the ones that draw, keep settings and play sound.
// One instance per process, published in g_Screensaver.

#include <windows.h>
#include <d3d9.h>

#include "device/ComHolder.h"
#include "document/AbortCheck.h"
#include "host/CommandLine.h"
#include "host/DisplayTables.h"
#include "host/FrameClock.h"
#include "host/RenderUnit.h"

// Makes the Direct3D object; the default calls Direct3DCreate9. Null means failure.
typedef IDirect3D9* (*DS_Direct3DFactory)();

const wchar_t* const kSaverWindowClass = L"SceneSaverWndClass";
const UINT kPreviewWaitTimerId = 1;
const UINT kPreviewWaitMs = 500;
// Frames of a moving picture start this far apart (by the clock); the error box moves
// after a sleep this long.
const DWORD kFrameSleepMs = 30;
// While the picture stands still, how often the devices are asked whether they were
// lost.
const DWORD kStillDeviceCheckMs = 500;
// Mouse moves to new positions tolerated before a full-screen saver ends.
const UINT kMouseMovesTolerated = 5;
// While work between frames asks whether to stop (InputAbortCheck), the input queue is
// looked at no more often than this: a document asks between every two records.
const DWORD kInputPollMs = 20;

class CScreensaverFramework {
public:
  CScreensaverFramework();
  CScreensaverFramework(const CScreensaverFramework&) = delete;
  CScreensaverFramework& operator=(const CScreensaverFramework&) = delete;
  virtual ~CScreensaverFramework();

  // Start-up; `commandLine` is the whole command line (GetCommandLineW in WinMain).
  // Returns 0: failures put the saver into error mode.
  virtual HRESULT Create(HINSTANCE instance, const wchar_t* commandLine);
  // Performs the mode; returns 0.
  virtual int Run();
  virtual void ShowSettings() {}
  virtual void ReadSettings() {}
  virtual void PaintMessage(HWND hwnd, HDC hdc);
  virtual LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  virtual INT_PTR SoundDialogProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) { return 0; }
  virtual void UpdateDeviceDescriptions();
  virtual void UpdateFrameRate();
  // Loads the message for `code` into `buffer`; false when it is the generic message.
  virtual bool GetErrorText(HRESULT code, wchar_t* buffer, DWORD capacity);
  virtual void SelectRenderUnit(UINT index) {}
  virtual HRESULT OnDirect3DCreated() { return S_OK; }
  // S_OK accepts the device type with these behaviour flags and this format.
  virtual HRESULT CheckDeviceCaps(const D3DCAPS9& caps, DWORD behaviorFlags, D3DFORMAT format) { return S_OK; }
  virtual HRESULT CheckCreatedDevice(IDirect3DDevice9* device) { return S_OK; }
  virtual HRESULT OnStart() { return S_OK; }
  virtual HRESULT OnDeviceCreated() { return S_OK; }
  virtual HRESULT OnDeviceRestored() { return S_OK; }
  virtual HRESULT AdvanceFrame() { return S_OK; }
  virtual HRESULT RenderScene() { return S_OK; }
  // After a frame: the app time until which the picture just drawn stays as it is
  // (infinity: until something outside the scene changes it). The frame's own time
  // (AppTime) while it moves, the default.
  virtual float StillUntil() { return m_appTime; }
  virtual HRESULT OnDeviceLost() { return S_OK; }
  virtual HRESULT OnDeviceDestroyed() { return S_OK; }
  virtual HRESULT OnShutdown() { return S_OK; }
  virtual void OnMediaEvent(long code) {}
  // Music graph: started at start-up in full-screen and test mode with the main window
  // as the window its events are posted to (WM_APP); the next event code of the graph.
  virtual void StartMusicGraph(HWND notifyWindow) {}
  virtual long TakeMediaEvent() { return 0; }

  // Start-up steps.
  DS_SaverMode ParseCommandLine(const wchar_t* text);
  HRESULT CreateSaverWindows();
  void EnumerateMonitors();
  HRESULT EnumerateDevices();
  bool ChooseDepthFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, D3DFORMAT* depthFormat);
  bool FindPrimaryAdapter(UINT* adapterIndex) const;

  // Running.
  int RunSaver();
  void EndSaver();
  void EndOnUserInput();
  // For long work on the window thread between frames (the document's load, a slide's
  // pictures): the keyboard and mouse messages waiting are handled as the message loop
  // would handle them; true once the saver is ending, by them or by anything before.
  // Only the full-screen saver ends on input: the preview and test windows end on
  // their own conditions, and their work goes on.
  bool PollEndingInput();
  // The end that input asked for during such work, taken once the work has returned
  // (the message loop calls it after every frame).
  void EndIfDeferred();
  // That question as the abort check the scene slots hand to their loads.
  DS_AbortCheck* InputAbortCheck() { return &m_inputAbortCheck; }
  // Every saver window out of sight (the ending steps, before the shutdown hook).
  void HideSaverWindows();
  void RunPasswordChange();

  // Render units.
  HRESULT Initialize3D();
  HRESULT CreateFullscreenUnit(DS_RenderUnit& unit);
  HRESULT CreateWindowedUnit(DS_RenderUnit& unit);
  void MakeUnitCurrent(UINT index);
  HRESULT RenderFrame();
  // One turn of the message loop that found no message: draws a frame when one is due
  // (returns 0) or returns the milliseconds to wait for messages before the next turn.
  // A moving picture is drawn every kFrameSleepMs; a still one again only at the time
  // the scene named, on a redraw request or when a device was lost.
  DWORD StepFrame();
  // The picture is drawn again at the next turn (a paint, for example).
  void RequestRedraw() { m_redrawNeeded = true; }
  void Cleanup3D();

  // Error reporting.
  void SetError(HRESULT code);
  HRESULT ShowErrorMessage(HRESULT code);
  void MoveErrorBox();
  // One step of every window's error box by dt seconds (MoveErrorBox without the clock).
  void StepErrorBoxes(float dt);

  // Settings of the monitors (subkeys of the settings key).
  void LoadScreenSettings(HKEY key);
  void SaveScreenSettings(HKEY key);

  // Display settings dialogs (DisplaySettingsDialog.cpp): 200 for one adapter, 201 with
  // a tab per monitor; they edit the adapter records and "AllScreensSame" in memory.
  void ShowDisplaySettings(HWND owner);
  INT_PTR DisplaySettingsProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam);
  void SetupMonitorPage(HWND dialog);

  // Seams.
  void SetDirect3DFactory(DS_Direct3DFactory factory) { m_direct3DFactory = factory; }
  void SetTimeSource(DS_TimeSource* source);

  DS_SaverMode Mode() const { return m_mode; }
  HWND MainWindow() const { return m_mainWindow; }
  HWND CommandLineWindow() const { return m_commandLineWindow; }
  bool InErrorMode() const { return m_errorMode != 0; }
  HRESULT ErrorCode() const { return m_errorCode; }
  const wchar_t* WindowTitle() const { return m_windowTitle; }
  float AppTime() const { return m_appTime; }
  float ElapsedTime() const { return m_elapsedTime; }
  UINT RenderUnitCount() const { return m_unitCount; }
  IDirect3DDevice9* CurrentDevice() const { return m_currentDevice; }
  const D3DSURFACE_DESC& BackBufferDesc() const { return m_backBufferDesc; }

protected:
  class InputCheck : public DS_AbortCheck {
  public:
    explicit InputCheck(CScreensaverFramework& saver) : m_saver(saver) {}
    bool ShouldAbort() override { return m_saver.PollEndingInput(); }

  private:
    CScreensaverFramework& m_saver;
  };

  DS_MonitorInfo* MonitorOfWindow(HWND hwnd);
  // The monitor a display dialog shows (its focused tab), -1 when there is none; and a
  // monitor's adapter record, null when it has none.
  int DialogMonitorIndex(HWND dialog) const;
  DS_AdapterInfo* AdapterOfMonitor(int monitorIndex) const;
  bool AppendUnit(UINT adapterIndex);
  void RemoveLastUnit();
  HRESULT ResetDevice(DS_RenderUnit& unit);
  void WaitForPreviewTimer();
  bool HasDeviceWithModes(const DS_AdapterInfo& adapter) const;
  bool FindBehaviorFlags(const D3DCAPS9& caps, D3DFORMAT format, DWORD* flags);
  void CollectDeviceModes(UINT adapter, DS_AdapterInfo& info, const DS_ModeInfo* collected,
                          UINT collectedCount, const D3DFORMAT* formats, UINT formatCount);
  void ChooseFullscreenMode(const DS_AdapterInfo& adapter, DS_DeviceInfo& device);
  void SaveSteppedDownMode(DS_AdapterInfo& adapter, const D3DPRESENT_PARAMETERS& params);
  void FreeAdapters();

  DS_SaverMode m_mode = kModeConfigure;
  BOOL m_allScreensSame = FALSE;
  HWND m_mainWindow = nullptr;
  HWND m_commandLineWindow = nullptr;
  HINSTANCE m_instance = nullptr;
  BOOL m_previewWait = FALSE;
  UINT m_mouseMoveCount = 0;
  POINT m_lastMousePoint = {-1, -1};
  BOOL m_oldWindows = FALSE;
  BOOL m_windowed = FALSE;
  BOOL m_errorMode = FALSE;
  HRESULT m_errorCode = S_OK;
  wchar_t m_errorText[400] = {};

  DS_MonitorInfo m_monitors[kMaxMonitors] = {};
  UINT m_monitorCount = 0;
  DS_RenderUnit m_units[kMaxMonitors];
  UINT m_unitCount = 0;
  DS_AdapterInfo* m_adapters[kMaxAdapters] = {};
  UINT m_adapterCount = 0;
  DS_ComHolder<IDirect3D9> m_d3d;
  IDirect3DDevice9* m_currentDevice = nullptr;  // borrowed from the current unit
  RECT m_renderTotal = {};
  RECT m_currentUnitRect = {};
  D3DSURFACE_DESC m_backBufferDesc = {};

  wchar_t m_windowTitle[200] = L"Screen Saver";
  BOOL m_allowReferenceDevice = FALSE;
  BOOL m_useDepthBuffer = FALSE;
  UINT m_minDepthBits = 16;
  UINT m_minStencilBits = 0;
  D3DSWAPEFFECT m_fullscreenSwapEffect = D3DSWAPEFFECT_DISCARD;
  D3DSWAPEFFECT m_windowedSwapEffect = D3DSWAPEFFECT_COPY;

  float m_appTime = 0.0f;
  float m_elapsedTime = 0.0f;
  float m_framesPerSecond = 0.0f;
  wchar_t m_deviceStats[90] = {};
  wchar_t m_frameStats[40] = {};
  float m_statsTime = 0.0f;
  UINT m_statsFrames = 0;

  DS_FrameClock m_clock;
  // App time at which the next frame is due, and when the devices were last asked.
  float m_nextFrameTime = 0.0f;
  float m_lastDeviceCheck = 0.0f;
  bool m_redrawNeeded = true;
  // Whether the last RenderFrame got as far as presenting.
  bool m_framePresented = false;
  DS_TimeSource* m_timeSource = DS_TimeSource::System();
  DWORD m_lastErrorBoxTime = 0;
  bool m_errorBoxClockStarted = false;
  DS_Direct3DFactory m_direct3DFactory = nullptr;
  // Set once the ending steps ran: later input and a second WM_DESTROY do nothing.
  bool m_ended = false;
  // The preview has no valid parent window: there is nothing to draw into.
  bool m_noPreviewParent = false;
  InputCheck m_inputAbortCheck{*this};
  // When PollEndingInput last looked at the queue (GetTickCount), once it has.
  DWORD m_lastInputPoll = 0;
  bool m_inputPolled = false;
  // Set while PollEndingInput hands input to the window procedure from inside work
  // (a load, a slide's pictures): an end asked for then is only noted in
  // m_endDeferred, and the message loop ends the saver once that work has returned,
  // so that no device or slot it stands on goes from under it.
  bool m_pollingInWork = false;
  bool m_endDeferred = false;
};

extern CScreensaverFramework* g_Screensaver;

// The registered window procedure of every saver window.
LRESULT CALLBACK SaverWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
