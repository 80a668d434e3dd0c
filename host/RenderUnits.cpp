// Render units: one Direct3D device per monitor (or one windowed device), the frame
// over all of them with device-loss handling, and their release.
#include "host/ScreensaverFramework.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "device/DeviceGlobals.h"
#include "host/ErrorCodes.h"
#include "host/Settings.h"

namespace {

bool IsLowDepthFormat(D3DFORMAT format) {
  return Is16BitFormat(format) || format == D3DFMT_A4R4G4B4 || format == D3DFMT_X4R4G4B4;
}

// The automatic mode of a software device: the lowest height (400-line modes are
// skipped), preferring a 16-bit format among the modes of that height.
UINT ChooseSoftwareMode(const DS_DeviceInfo& device) {
  int best = -1;
  for (UINT i = 0; i < device.modeCount; ++i) {
    const DS_ModeInfo& m = device.modes[i];
    if (m.height == 400) continue;
    if (best < 0 || m.height < device.modes[best].height) {
      best = (int)i;
    } else if (m.height == device.modes[best].height && IsLowDepthFormat(m.format) &&
               !IsLowDepthFormat(device.modes[best].format)) {
      best = (int)i;
    }
  }
  return best < 0 ? 0 : (UINT)best;
}

// The automatic mode of a hardware device: the desktop's size, 32-bit if it can be.
UINT ChooseHardwareMode(const DS_DeviceInfo& device, const D3DDISPLAYMODE& desktop) {
  int firstOfSize = -1;
  for (UINT i = 0; i < device.modeCount; ++i) {
    const DS_ModeInfo& m = device.modes[i];
    if (m.width != desktop.Width || m.height != desktop.Height) continue;
    if (Is32BitFormat(m.format)) return i;
    if (firstOfSize < 0) firstOfSize = (int)i;
  }
  return firstOfSize < 0 ? 0 : (UINT)firstOfSize;
}

}  // namespace

bool CScreensaverFramework::AppendUnit(UINT adapterIndex) {
  if (m_unitCount >= kMaxMonitors) return false;
  m_units[m_unitCount] = DS_RenderUnit();
  m_units[m_unitCount].adapterIndex = adapterIndex;
  ++m_unitCount;
  return true;
}

void CScreensaverFramework::RemoveLastUnit() {
  if (m_unitCount == 0) return;
  --m_unitCount;
  m_units[m_unitCount] = DS_RenderUnit();
}

HRESULT CScreensaverFramework::Initialize3D() {
  if (m_mode == kModeFullScreen) {
    m_windowed = FALSE;
    for (UINT i = 0; i < m_monitorCount; ++i) {
      const int a = m_monitors[i].adapterIndex;
      if (a < 0 || (UINT)a >= m_adapterCount || !m_adapters[a]) continue;
      DS_AdapterInfo& adapter = *m_adapters[a];
      if (adapter.disableHardware && !adapter.swUsable) adapter.leaveBlack = TRUE;
      if (adapter.leaveBlack || adapter.deviceCount == 0) continue;
      adapter.deviceWindow = m_monitors[i].window;
      if (!AppendUnit((UINT)a)) continue;
      if (FAILED(CreateFullscreenUnit(m_units[m_unitCount - 1]))) {
        RemoveLastUnit();
        SetError(DS_E_CREATEDEVICEFAILED);
      }
    }
  } else {
    m_windowed = TRUE;
    GetClientRect(m_mainWindow, &m_renderTotal);
    m_currentUnitRect = m_renderTotal;
    UINT a = 0;
    if (!FindPrimaryAdapter(&a)) {
      SetError(DS_E_CREATEDEVICEFAILED);
    } else {
      m_adapters[a]->deviceWindow = m_mainWindow;
    }
    if (!m_errorMode && AppendUnit(a)) {
      if (FAILED(CreateWindowedUnit(m_units[m_unitCount - 1]))) {
        RemoveLastUnit();
        SetError(m_mode == kModePreview ? DS_E_NOPREVIEW : DS_E_CREATEDEVICEFAILED);
      }
    }
  }

  for (UINT i = 0; i < m_monitorCount; ++i) {
    DS_MonitorInfo& monitor = m_monitors[i];
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!monitor.monitor || !GetMonitorInfoW(monitor.monitor, &info)) continue;
    monitor.rect = info.rcMonitor;
    if (m_mode == kModeFullScreen && monitor.window) {
      const RECT& r = monitor.rect;
      SetWindowPos(monitor.window, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOACTIVATE);
    }
  }
  if (m_mode == kModeFullScreen) {
    SetRectEmpty(&m_renderTotal);
    for (UINT u = 0; u < m_unitCount; ++u) {
      const UINT monitor = m_units[u].monitorIndex;
      if (monitor < m_monitorCount) UnionRect(&m_renderTotal, &m_renderTotal, &m_monitors[monitor].rect);
    }
  }

  if (m_errorMode) {
    m_mouseMoveCount = 0;
    return S_OK;
  }
  for (UINT u = 0; u < m_unitCount; ++u) {
    MakeUnitCurrent(u);
    if (FAILED(OnDeviceCreated())) {
      SetError(DS_E_DEVICEHOOKFAILED);
      continue;
    }
    m_units[u].initialised = TRUE;
    if (FAILED(OnDeviceRestored())) {
      SetError(DS_E_DEVICEHOOKFAILED);
    } else {
      m_units[u].restored = TRUE;
    }
  }
  UpdateDeviceDescriptions();
  m_mouseMoveCount = 0;
  return S_OK;
}

void CScreensaverFramework::ChooseFullscreenMode(const DS_AdapterInfo& adapter, DS_DeviceInfo& device) {
  device.currentMode = kModeChoiceRunning;
  if (adapter.savedWidth != 0) {
    for (UINT i = 0; i < device.modeCount; ++i) {
      const DS_ModeInfo& m = device.modes[i];
      if (m.width == adapter.savedWidth && m.height == adapter.savedHeight &&
          (UINT)m.format == adapter.savedFormat) {
        device.currentMode = i;
        return;
      }
    }
  }
  device.currentMode = device.deviceType == D3DDEVTYPE_SW
                           ? ChooseSoftwareMode(device)
                           : ChooseHardwareMode(device, adapter.desktopMode);
}

HRESULT CScreensaverFramework::CreateFullscreenUnit(DS_RenderUnit& unit) {
  if (!m_d3d || unit.adapterIndex >= m_adapterCount || !m_adapters[unit.adapterIndex]) return E_FAIL;
  DS_AdapterInfo& adapter = *m_adapters[unit.adapterIndex];
  if (adapter.deviceCount == 0) return E_FAIL;

  DS_DeviceInfo* device = nullptr;
  if (!adapter.disableHardware) {
    for (UINT d = 0; d < adapter.deviceCount && !device; ++d) {
      if (adapter.devices[d].deviceType == D3DDEVTYPE_HAL) device = &adapter.devices[d];
    }
  }
  if (!device) {
    for (UINT d = 0; d < adapter.deviceCount; ++d) {
      if (adapter.devices[d].deviceType == D3DDEVTYPE_SW) device = &adapter.devices[d];
    }
  }
  if (!device && m_allowReferenceDevice) {
    for (UINT d = 0; d < adapter.deviceCount; ++d) {
      if (adapter.devices[d].deviceType == D3DDEVTYPE_REF) device = &adapter.devices[d];
    }
  }
  if (!device) return DS_E_NOHARDWAREDEVICE;
  if (device->modeCount == 0) return E_FAIL;

  ChooseFullscreenMode(adapter, *device);
  bool steppedDown = false;
  for (;;) {
    const DS_ModeInfo& mode = device->modes[device->currentMode];
    unit.deviceType = device->deviceType;
    unit.behaviorFlags = mode.behaviorFlags;
    unit.monitorIndex = (UINT)adapter.monitorIndex;
    D3DPRESENT_PARAMETERS& pp = unit.presentParams;
    pp = D3DPRESENT_PARAMETERS();
    pp.BackBufferWidth = mode.width;
    pp.BackBufferHeight = mode.height;
    pp.BackBufferFormat = mode.format;
    pp.BackBufferCount = 1;
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    pp.SwapEffect = m_fullscreenSwapEffect;
    pp.hDeviceWindow = adapter.deviceWindow;
    pp.Windowed = FALSE;
    pp.EnableAutoDepthStencil = m_useDepthBuffer;
    pp.AutoDepthStencilFormat = mode.depthStencilFormat;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;

    DS_ComHolder<IDirect3DDevice9> created;
    HRESULT hr = m_d3d->CreateDevice(unit.adapterIndex, device->deviceType, m_mainWindow,
                                     mode.behaviorFlags, &pp, created.Receive());
    if (SUCCEEDED(hr) && created) {
      // A device that fails the check is released with its holder.
      hr = CheckCreatedDevice(created.Get());
    } else if (SUCCEEDED(hr)) {
      hr = E_FAIL;
    }
    if (SUCCEEDED(hr)) {
      unit.device = created;
      unit.backBufferDesc = D3DSURFACE_DESC();
      break;
    }
    if (!StepDownMode(*device)) return hr;
    steppedDown = true;
  }
  if (steppedDown && g_SettingsKeyPath[0]) SaveSteppedDownMode(adapter, unit.presentParams);
  return S_OK;
}

void CScreensaverFramework::SaveSteppedDownMode(DS_AdapterInfo& adapter,
                                                const D3DPRESENT_PARAMETERS& params) {
  adapter.savedWidth = params.BackBufferWidth;
  adapter.savedHeight = params.BackBufferHeight;
  adapter.savedFormat = (UINT)params.BackBufferFormat;
  HKEY key = OpenSettingsKey();
  if (!key) return;
  HKEY subkey = OpenScreenSubkey(key, (UINT)adapter.monitorIndex);
  if (subkey) {
    WriteSavedMode(subkey, adapter);
    RegCloseKey(subkey);
  }
  RegCloseKey(key);
}

HRESULT CScreensaverFramework::CreateWindowedUnit(DS_RenderUnit& unit) {
  if (!m_d3d || unit.adapterIndex >= m_adapterCount || !m_adapters[unit.adapterIndex]) return E_FAIL;
  DS_AdapterInfo& adapter = *m_adapters[unit.adapterIndex];
  int chosen = -1;
  if (!adapter.disableHardware) {
    for (UINT d = 0; d < adapter.deviceCount && chosen < 0; ++d) {
      const DS_DeviceInfo& dev = adapter.devices[d];
      if (dev.deviceType == D3DDEVTYPE_HAL && dev.windowedCapable) chosen = (int)d;
    }
  }
  if (chosen < 0) {
    for (UINT d = 0; d < adapter.deviceCount; ++d) {
      const DS_DeviceInfo& dev = adapter.devices[d];
      if (dev.deviceType == D3DDEVTYPE_SW && dev.windowedCapable) chosen = (int)d;
    }
  }
  if (chosen < 0 && m_allowReferenceDevice) {
    for (UINT d = 0; d < adapter.deviceCount; ++d) {
      const DS_DeviceInfo& dev = adapter.devices[d];
      if (dev.deviceType == D3DDEVTYPE_REF && dev.windowedCapable) chosen = (int)d;
    }
  }
  if (chosen < 0) return DS_E_NOHARDWAREDEVICE;
  adapter.currentDevice = (UINT)chosen;
  const DS_DeviceInfo& device = adapter.devices[chosen];

  const D3DFORMAT desktop = adapter.desktopMode.Format;
  const D3DFORMAT candidates[] = {desktop, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A1R5G5B5,
                                  D3DFMT_R5G6B5};
  bool found = false;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  D3DFORMAT depth = D3DFMT_UNKNOWN;
  DWORD flags = 0;
  for (D3DFORMAT f : candidates) {
    if (FAILED(m_d3d->CheckDeviceType(unit.adapterIndex, device.deviceType, desktop, f, TRUE))) continue;
    if (!FindBehaviorFlags(device.caps, f, &flags)) continue;
    depth = D3DFMT_UNKNOWN;
    if (m_useDepthBuffer && !ChooseDepthFormat(unit.adapterIndex, device.deviceType, f, &depth)) continue;
    format = f;
    found = true;
    break;
  }
  if (!found) return E_FAIL;

  unit.deviceType = device.deviceType;
  unit.behaviorFlags = flags;
  unit.backBufferDesc = D3DSURFACE_DESC();
  unit.monitorIndex = adapter.monitorIndex < 0 ? 0 : (UINT)adapter.monitorIndex;
  D3DPRESENT_PARAMETERS& pp = unit.presentParams;
  pp = D3DPRESENT_PARAMETERS();
  pp.BackBufferFormat = format;
  pp.BackBufferCount = 1;
  pp.MultiSampleType = D3DMULTISAMPLE_NONE;
  pp.SwapEffect = m_windowedSwapEffect;
  pp.hDeviceWindow = m_mainWindow;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = m_useDepthBuffer;
  pp.AutoDepthStencilFormat = depth;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
  return m_d3d->CreateDevice(unit.adapterIndex, device.deviceType, m_mainWindow, flags, &pp,
                             unit.device.Receive());
}

void CScreensaverFramework::MakeUnitCurrent(UINT index) {
  if (index >= m_unitCount) return;
  DS_RenderUnit& unit = m_units[index];
  m_currentDevice = unit.device.Get();
  g_CurrentDevice = m_currentDevice;
  if (!m_windowed && unit.monitorIndex < m_monitorCount) {
    m_currentUnitRect = m_monitors[unit.monitorIndex].rect;
  }
  if (m_currentDevice && unit.backBufferDesc.Width == 0) {
    DS_ComHolder<IDirect3DSurface9> backBuffer;
    if (SUCCEEDED(m_currentDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.Receive())) &&
        backBuffer) {
      backBuffer->GetDesc(&unit.backBufferDesc);
    }
  }
  m_backBufferDesc = m_currentDevice ? unit.backBufferDesc : D3DSURFACE_DESC();
  wcsncpy(m_deviceStats, unit.deviceText, 89);
  wcsncpy(m_frameStats, unit.frameRateText, 39);
  SelectRenderUnit(index);
}

HRESULT CScreensaverFramework::ResetDevice(DS_RenderUnit& unit) {
  if (unit.restored) {
    OnDeviceLost();
    unit.restored = FALSE;
  }
  unit.backBufferDesc = D3DSURFACE_DESC();
  HRESULT hr = unit.device->Reset(&unit.presentParams);
  if (FAILED(hr)) {
    SetError(DS_E_RESETFAILED);
    return hr;
  }
  hr = OnDeviceRestored();
  if (FAILED(hr)) {
    m_errorMode = TRUE;
    return hr;
  }
  unit.restored = TRUE;
  return S_OK;
}

DWORD CScreensaverFramework::StepFrame() {
  // Within half a millisecond a frame counts as due: waits are whole milliseconds.
  const float now = m_clock.Peek() + 0.0005f;
  if (!m_redrawNeeded && now < m_nextFrameTime) {
    if (now - m_lastDeviceCheck >= float(kStillDeviceCheckMs) / 1000.0f) {
      m_lastDeviceCheck = now;
      for (UINT u = 0; u < m_unitCount; ++u) {
        if (m_units[u].device && m_units[u].device->TestCooperativeLevel() != D3D_OK) m_redrawNeeded = true;
      }
    }
    if (!m_redrawNeeded) {
      const float wait = std::min(m_nextFrameTime - now, float(kStillDeviceCheckMs) / 1000.0f);
      return std::max<DWORD>(1, DWORD(std::ceil(wait * 1000.0f)));
    }
  }
  m_redrawNeeded = false;
  m_framePresented = false;
  RenderFrame();
  m_lastDeviceCheck = m_appTime;
  // Paced by the clock: the next frame is due a period after this one began.
  m_nextFrameTime = m_appTime + float(kFrameSleepMs) / 1000.0f;
  if (m_framePresented && !m_errorMode) m_nextFrameTime = std::max(m_nextFrameTime, StillUntil());
  return 0;
}

HRESULT CScreensaverFramework::RenderFrame() {
  m_clock.Read(m_appTime, m_elapsedTime);
  AdvanceFrame();
  UpdateFrameRate();
  for (UINT u = 0; u < m_unitCount; ++u) {
    MakeUnitCurrent(u);
    DS_RenderUnit& unit = m_units[u];
    if (!unit.device) continue;
    const HRESULT level = unit.device->TestCooperativeLevel();
    // A lost device cannot draw or present; the whole frame waits for the next turn.
    if (level == D3DERR_DEVICELOST) return S_OK;
    if (level == D3DERR_DEVICENOTRESET) {
      if (m_windowed && m_d3d && unit.adapterIndex < m_adapterCount && m_adapters[unit.adapterIndex]) {
        DS_AdapterInfo& adapter = *m_adapters[unit.adapterIndex];
        m_d3d->GetAdapterDisplayMode(unit.adapterIndex, &adapter.desktopMode);
      }
      // Drawing on a device that did not come back only fails; error mode takes over.
      if (FAILED(ResetDevice(unit))) return S_OK;
    }
    RenderScene();
  }
  for (UINT u = 0; u < m_unitCount; ++u) {
    MakeUnitCurrent(u);
    if (m_units[u].device) m_units[u].device->Present(nullptr, nullptr, nullptr, nullptr);
  }
  m_framePresented = true;
  return S_OK;
}

void CScreensaverFramework::Cleanup3D() {
  for (UINT u = 0; u < m_unitCount; ++u) {
    MakeUnitCurrent(u);
    DS_RenderUnit& unit = m_units[u];
    if (unit.restored) {
      OnDeviceLost();
      unit.restored = FALSE;
    }
    if (unit.initialised) {
      OnDeviceDestroyed();
      unit.initialised = FALSE;
    }
    unit.device.Release();
    unit.backBufferDesc = D3DSURFACE_DESC();
  }
  m_unitCount = 0;
  m_currentDevice = nullptr;
  g_CurrentDevice = nullptr;
  m_d3d.Release();
}
