// Error mode: the message of an error code, the message box, and the box that drifts
// over every saver window (or fills the preview).
#include "host/ScreensaverFramework.h"

#include "host/ErrorBox.h"
#include "host/ErrorCodes.h"
#include "host/ProgramModule.h"
#include "resources/ResourceIds.h"

bool CScreensaverFramework::GetErrorText(HRESULT code, wchar_t* buffer, DWORD capacity) {
  const UINT id = ErrorStringId(code);
  if (buffer && capacity > 0) {
    buffer[0] = L'\0';
    if (LoadStringW(GetProgramModule(), id, buffer, (int)capacity) <= 0) buffer[0] = L'\0';
  }
  return id != IDS_ERR_GENERIC;
}

HRESULT CScreensaverFramework::ShowErrorMessage(HRESULT code) {
  wchar_t text[512];
  GetErrorText(code, text, 512);
  MessageBoxW(m_mainWindow, text, m_windowTitle, MB_ICONERROR);
  return code;
}

void CScreensaverFramework::MoveErrorBox() {
  // The devices go with the first error frame: nothing draws with them any more.
  if (m_errorMode && m_unitCount > 0) Cleanup3D();
  const DWORD now = m_timeSource->Milliseconds();
  float dt = 0.0f;
  if (m_errorBoxClockStarted) dt = (float)(now - m_lastErrorBoxTime) / 1000.0f;
  m_errorBoxClockStarted = true;
  m_lastErrorBoxTime = now;
  StepErrorBoxes(dt);
}

void CScreensaverFramework::StepErrorBoxes(float dt) {
  if (!m_errorText[0]) GetErrorText(m_errorCode, m_errorText, 400);
  const bool preview = m_mode == kModePreview;
  for (UINT i = 0; i < m_monitorCount; ++i) {
    DS_MonitorInfo& monitor = m_monitors[i];
    if (!monitor.window) continue;
    RECT area = m_renderTotal;
    if (m_mode == kModeFullScreen) {
      area = monitor.rect;
      MapWindowPoints(nullptr, monitor.window, (POINT*)&area, 2);
    }
    if (monitor.box.width == 0.0f) {
      PlaceErrorBox(monitor.box, area, preview);
      if (preview) {
        InvalidateRect(monitor.window, nullptr, TRUE);
        UpdateWindow(monitor.window);
      }
      continue;
    }
    if (preview) continue;
    RECT before, after;
    StepErrorBox(monitor.box, area, dt, before, after);
    if (before.left != after.left || before.top != after.top) {
      InvalidateRect(monitor.window, &before, FALSE);
      InvalidateRect(monitor.window, &after, FALSE);
      UpdateWindow(monitor.window);
    }
  }
}

DS_MonitorInfo* CScreensaverFramework::MonitorOfWindow(HWND hwnd) {
  HMONITOR nearest = MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
  for (UINT i = 0; i < m_monitorCount; ++i) {
    if (m_monitors[i].monitor && m_monitors[i].monitor == nearest) return &m_monitors[i];
  }
  return nullptr;
}

void CScreensaverFramework::PaintMessage(HWND hwnd, HDC hdc) {
  DS_MonitorInfo* monitor = MonitorOfWindow(hwnd);
  if (!monitor) {
    // A window on no known monitor still must not show stale pixels.
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(hdc, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
    return;
  }
  RECT box = ErrorBoxRect(monitor->box);
  if (!IsRectEmpty(&box)) {
    FillRect(hdc, &box, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(hdc, &box, (HBRUSH)GetStockObject(BLACK_BRUSH));
    RECT text = box;
    DrawTextW(hdc, m_errorText, -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    const LONG textHeight = text.bottom - text.top;
    text = box;
    text.top += ((box.bottom - box.top) - textHeight) / 2;
    SetBkMode(hdc, TRANSPARENT);
    DrawTextW(hdc, m_errorText, -1, &text, DT_WORDBREAK | DT_CENTER);
    ExcludeClipRect(hdc, box.left, box.top, box.right, box.bottom);
  }
  RECT area = monitor->rect;
  MapWindowPoints(nullptr, hwnd, (POINT*)&area, 2);
  if (m_mode != kModeFullScreen) GetClientRect(hwnd, &area);
  FillRect(hdc, &area, (HBRUSH)GetStockObject(BLACK_BRUSH));
}
