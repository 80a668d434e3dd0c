// Start-up, windows, the message loop and the ending of the saver.
#include "host/ScreensaverFramework.h"

#include <windowsx.h>
#include <cwchar>

#include "device/DeviceGlobals.h"
#include "host/ErrorCodes.h"
#include "host/ProgramModule.h"
#include "resources/ResourceIds.h"

CScreensaverFramework* g_Screensaver = nullptr;

namespace {

// The preview start-up waits for its 500 ms timer; this bounds the wait when the timer
// never comes (a parent that is gone, a message loop that is stuck elsewhere).
const DWORD kPreviewWaitLimitMs = 2000;
// Input messages one PollEndingInput handles at most.
const UINT kInputPerPoll = 64;

IDirect3D9* CreateSystemDirect3D() { return Direct3DCreate9(D3D_SDK_VERSION); }

}  // namespace

CScreensaverFramework::CScreensaverFramework() {
  g_Screensaver = this;
  m_direct3DFactory = CreateSystemDirect3D;
}

CScreensaverFramework::~CScreensaverFramework() {
  Cleanup3D();
  FreeAdapters();
  if (g_Screensaver == this) g_Screensaver = nullptr;
}

void CScreensaverFramework::SetTimeSource(DS_TimeSource* source) {
  m_timeSource = source ? source : DS_TimeSource::System();
  m_clock.SetSource(m_timeSource);
  m_errorBoxClockStarted = false;
}

void CScreensaverFramework::SetError(HRESULT code) {
  m_errorMode = TRUE;
  m_errorCode = code;
}

HRESULT CScreensaverFramework::Create(HINSTANCE instance, const wchar_t* commandLine) {
  m_instance = instance;
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
  m_mode = ParseCommandLine(commandLine);

  // A preview without a live parent window has nowhere to draw and nothing that would
  // ever end it.
  if (m_mode == kModePreview && !m_commandLineWindow) {
    m_noPreviewParent = true;
    return S_OK;
  }

  EnumerateMonitors();
  if (m_mode == kModePreview || m_mode == kModeFullScreen || m_mode == kModeTestWindow) {
    HRESULT hr = CreateSaverWindows();
    if (FAILED(hr)) SetError(hr);
  }
  if (m_mode == kModePreview && m_mainWindow) {
    WaitForPreviewTimer();
    if (m_ended) return S_OK;
  }

  m_d3d.Attach(m_direct3DFactory ? m_direct3DFactory() : nullptr);
  if (!m_d3d) {
    SetError(DS_E_NODIRECT3D);
    return S_OK;
  }
  HRESULT hr = OnDirect3DCreated();
  if (FAILED(hr)) {
    SetError(hr);
    return S_OK;
  }
  hr = EnumerateDevices();
  if (FAILED(hr)) {
    SetError(hr);
    return S_OK;
  }
  bool anyUsable = false;
  for (UINT a = 0; a < m_adapterCount; ++a) {
    if (m_adapters[a] && (m_adapters[a]->halUsable || m_adapters[a]->swUsable)) anyUsable = true;
  }
  if (!anyUsable) {
    SetError(DS_E_NOCOMPATIBLEDEVICES);
    return S_OK;
  }
  ReadSettings();
  if (m_mode == kModeFullScreen || m_mode == kModeTestWindow) StartMusicGraph(m_mainWindow);
  return S_OK;
}

DS_SaverMode CScreensaverFramework::ParseCommandLine(const wchar_t* text) {
  m_commandLineWindow = nullptr;
  DS_CommandLine line = ParseSaverCommandLine(text);
  // The number comes from whoever started us: only a live window is taken.
  if (line.window && IsWindow(line.window)) m_commandLineWindow = line.window;
  return line.mode;
}

HRESULT CScreensaverFramework::CreateSaverWindows() {
  WNDCLASSW wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = SaverWindowProc;
  wc.hInstance = m_instance;
  wc.hIcon = LoadIconW(GetProgramModule(), MAKEINTRESOURCEW(IDI_SAVER_ICON));
  wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
  wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
  wc.lpszClassName = kSaverWindowClass;
  if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return HRESULT_FROM_WIN32(GetLastError());
  }

  HWND window = nullptr;
  if (m_mode == kModePreview) {
    if (!m_commandLineWindow || !IsWindow(m_commandLineWindow)) return E_FAIL;
    const DWORD style = WS_CHILD | WS_VISIBLE;
    RECT rc;
    GetClientRect(m_commandLineWindow, &rc);
    AdjustWindowRect(&rc, style, FALSE);
    window = CreateWindowW(kSaverWindowClass, m_windowTitle, style, rc.left, rc.top,
                           rc.right - rc.left, rc.bottom - rc.top, m_commandLineWindow, nullptr,
                           m_instance, this);
    if (!window) return E_FAIL;
  } else if (m_mode == kModeFullScreen) {
    m_mainWindow = nullptr;
    for (UINT i = 0; i < m_monitorCount; ++i) {
      DS_MonitorInfo& monitor = m_monitors[i];
      if (!monitor.monitor) continue;
      const RECT& r = monitor.rect;
      HWND w = CreateWindowExW(WS_EX_TOPMOST, kSaverWindowClass, m_windowTitle, WS_POPUP | WS_VISIBLE,
                               r.left, r.top, r.right - r.left, r.bottom - r.top, m_mainWindow,
                               nullptr, m_instance, this);
      if (!w) return E_FAIL;
      monitor.window = w;
      if (!m_mainWindow) m_mainWindow = w;
    }
    return m_mainWindow ? S_OK : E_FAIL;
  } else if (m_mode == kModeTestWindow) {
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
    RECT rc = {50, 50, 650, 450};
    AdjustWindowRect(&rc, style, FALSE);
    window = CreateWindowW(kSaverWindowClass, m_windowTitle, style, rc.left, rc.top,
                           rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, m_instance, this);
    if (!window) return E_FAIL;
  } else {
    return S_OK;
  }

  m_mainWindow = window;
  if (m_monitorCount == 0) {
    // The window still needs a record to carry its error box.
    m_monitors[0] = DS_MonitorInfo();
    m_monitors[0].adapterIndex = -1;
    m_monitorCount = 1;
  }
  m_monitors[0].window = window;
  GetClientRect(window, &m_renderTotal);
  m_currentUnitRect = m_renderTotal;
  return S_OK;
}

void CScreensaverFramework::WaitForPreviewTimer() {
  m_previewWait = TRUE;
  PostMessageW(m_mainWindow, WM_USER, 0, 0);
  const DWORD start = GetTickCount();
  while (m_previewWait && IsWindow(m_mainWindow)) {
    DWORD waited = GetTickCount() - start;
    if (waited >= kPreviewWaitLimitMs) break;
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // Leave the quit for the main loop, which ends on it.
        PostQuitMessage((int)msg.wParam);
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      continue;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kPreviewWaitLimitMs - waited, QS_ALLINPUT);
  }
  m_previewWait = FALSE;
}

int CScreensaverFramework::Run() {
  switch (m_mode) {
    case kModeConfigure:
      if (m_errorMode) {
        ShowErrorMessage(m_errorCode);
      } else {
        ShowSettings();
      }
      break;
    case kModePreview:
    case kModeFullScreen:
    case kModeTestWindow: {
      int result = RunSaver();
      if (result < 0) ShowErrorMessage((HRESULT)result);
      break;
    }
    case kModeChangePassword:
      RunPasswordChange();
      break;
    default:
      break;
  }
  FreeAdapters();
  m_d3d.Release();
  return 0;
}

void CScreensaverFramework::RunPasswordChange() {
  typedef BOOL(WINAPI * ChangePasswordFn)(LPCSTR, HWND, DWORD, LPVOID);
  HMODULE library = LoadLibraryW(L"MPR.DLL");
  if (!library) return;
  ChangePasswordFn change = (ChangePasswordFn)(void*)GetProcAddress(library, "PwdChangePasswordA");
  if (change) change("SCRSAVE", m_commandLineWindow, 0, nullptr);
  FreeLibrary(library);
}

int CScreensaverFramework::RunSaver() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  GetVersionExW(&version);
  m_oldWindows = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;

  // Without a window nothing is shown, and no window message could ever end the loop.
  if (!m_mainWindow) return 0;

  m_clock.Start();
  if (!m_errorMode && !m_ended) {
    HRESULT hr = OnStart();
    if (FAILED(hr)) return hr;
    Initialize3D();
  }
  if (m_mode == kModeFullScreen && !m_ended) {
    SystemParametersInfoW(SPI_SCREENSAVERRUNNING, TRUE, nullptr, 0);
  }

  MSG msg;
  for (;;) {
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) break;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      continue;
    }
    if (m_ended || m_errorMode) {
      Sleep(kFrameSleepMs);
      if (!m_ended) MoveErrorBox();
      continue;
    }
    // Input wakes the wait at once.
    const DWORD wait = StepFrame();
    if (m_endDeferred) {
      EndIfDeferred();
      continue;
    }
    if (wait != 0) MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
  }
  return 0;
}

LRESULT CScreensaverFramework::WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_DESTROY:
      // Whoever closes a saver window ends the saver, full screen too: no activation
      // change may be needed for that (another monitor's window may keep the focus),
      // and a saver left without its window would draw and play on unseen.
      if (m_mode == kModePreview || m_mode == kModeFullScreen || m_mode == kModeTestWindow) EndSaver();
      break;
    case WM_PAINT: {
      RequestRedraw();
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(hwnd, &ps);
      if (m_errorMode || m_mode != kModePreview) {
        PaintMessage(hwnd, hdc);
      } else {
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect(hdc, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_ACTIVATEAPP:
      if (wparam == FALSE && m_mode != kModeTestWindow) EndOnUserInput();
      break;
    case WM_SETCURSOR:
      if (m_mode == kModeFullScreen) {
        SetCursor(nullptr);
        return 1;
      }
      break;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (m_mode != kModeTestWindow) EndOnUserInput();
      break;
    case WM_MOUSEMOVE:
      if (m_mode != kModeTestWindow) {
        POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        if (p.x != m_lastMousePoint.x || p.y != m_lastMousePoint.y) {
          ++m_mouseMoveCount;
          m_lastMousePoint = p;
          if (m_mouseMoveCount > kMouseMovesTolerated) EndOnUserInput();
        }
      }
      break;
    case WM_SYSCOMMAND:
      if (m_mode == kModeFullScreen) {
        switch (wparam & 0xFFF0) {
          case SC_CLOSE:
          case SC_NEXTWINDOW:
          case SC_PREVWINDOW:
          case SC_SCREENSAVE:
            return 0;
        }
      }
      break;
    case WM_TIMER:
      m_previewWait = FALSE;
      KillTimer(hwnd, kPreviewWaitTimerId);
      break;
    case WM_POWERBROADCAST:
      if (wparam == PBT_APMSUSPEND) EndOnUserInput();
      break;
    case WM_USER:
      SetTimer(hwnd, kPreviewWaitTimerId, kPreviewWaitMs, nullptr);
      break;
    case WM_APP:
      OnMediaEvent(TakeMediaEvent());
      break;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

void CScreensaverFramework::EndSaver() {
  // Several input messages can be queued before the quit message arrives; the ending
  // steps run for the first of them only.
  if (m_ended) return;
  if (m_pollingInWork) {
    m_endDeferred = true;
    return;
  }
  m_ended = true;
  if (m_mode == kModeFullScreen) SystemParametersInfoW(SPI_SCREENSAVERRUNNING, FALSE, nullptr, 0);
  // The user has the desktop back at once: devices and windows go before the
  // shutdown hook, whose media teardown may take a loaded machine seconds.
  Cleanup3D();
  HideSaverWindows();
  OnShutdown();
  PostQuitMessage(0);
}

void CScreensaverFramework::HideSaverWindows() {
  for (UINT i = 0; i < m_monitorCount; ++i) {
    if (m_monitors[i].window && IsWindow(m_monitors[i].window)) ShowWindow(m_monitors[i].window, SW_HIDE);
  }
  if (m_mainWindow && IsWindow(m_mainWindow)) ShowWindow(m_mainWindow, SW_HIDE);
}

void CScreensaverFramework::EndOnUserInput() {
  if (m_mode != kModeFullScreen && m_mode != kModeTestWindow) return;
  EndSaver();
}

void CScreensaverFramework::EndIfDeferred() {
  if (m_endDeferred && !m_pollingInWork) EndSaver();
}

bool CScreensaverFramework::PollEndingInput() {
  if (m_ended || m_endDeferred) return true;
  if (m_mode != kModeFullScreen) return false;
  const DWORD now = GetTickCount();
  if (m_inputPolled && now - m_lastInputPoll < kInputPollMs) return false;
  m_inputPolled = true;
  m_lastInputPoll = now;
  // Only the input is taken: paints, timers and music events wait for the loop. The
  // window procedure counts the mouse moves and ends the saver as it always does; the
  // work that asked stops at once and touches no device after that.
  // The count bounds a poll that input keeps coming into.
  MSG msg;
  m_pollingInWork = true;
  for (UINT taken = 0; !m_ended && !m_endDeferred && taken < kInputPerPoll; ++taken) {
    if (!PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE) &&
        !PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE))
      break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  m_pollingInWork = false;
  return m_ended || m_endDeferred;
}

void CScreensaverFramework::UpdateDeviceDescriptions() {
  for (UINT i = 0; i < m_unitCount; ++i) {
    DS_RenderUnit& unit = m_units[i];
    const wchar_t* type = unit.deviceType == D3DDEVTYPE_HAL ? L"HAL"
                          : unit.deviceType == D3DDEVTYPE_SW ? L"SW"
                                                             : L"REF";
    const DWORD flags = unit.behaviorFlags;
    const wchar_t* processing =
        (flags & D3DCREATE_PUREDEVICE) ? L"pure hw vp"
        : (flags & D3DCREATE_HARDWARE_VERTEXPROCESSING) ? L"hw vp"
        : (flags & D3DCREATE_MIXED_VERTEXPROCESSING) ? L"mixed vp"
                                                     : L"sw vp";
    _snwprintf(unit.deviceText, 89, L"%ls (%ls)", type, processing);
    unit.deviceText[89] = L'\0';
  }
}

void CScreensaverFramework::UpdateFrameRate() {
  ++m_statsFrames;
  if (m_appTime - m_statsTime < 1.0f) return;
  m_framesPerSecond = (float)m_statsFrames / (m_appTime - m_statsTime);
  m_statsTime = m_appTime;
  m_statsFrames = 0;
  for (UINT i = 0; i < m_unitCount; ++i) {
    DS_RenderUnit& unit = m_units[i];
    const D3DPRESENT_PARAMETERS& pp = unit.presentParams;
    _snwprintf(unit.frameRateText, 39, L"%.02f fps (%ux%u) %u/%u", m_framesPerSecond,
               pp.BackBufferWidth, pp.BackBufferHeight, (unsigned)pp.BackBufferFormat,
               (unsigned)pp.AutoDepthStencilFormat);
    unit.frameRateText[39] = L'\0';
  }
}

void CScreensaverFramework::FreeAdapters() {
  for (UINT a = 0; a < kMaxAdapters; ++a) {
    delete m_adapters[a];
    m_adapters[a] = nullptr;
  }
  m_adapterCount = 0;
}

LRESULT CALLBACK SaverWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  try {
    if (g_Screensaver) return g_Screensaver->WindowProc(hwnd, msg, wparam, lparam);
    return DefWindowProcW(hwnd, msg, wparam, lparam);
  } catch (...) {
    return 1;
  }
}
