// The monitor table, and the adapters, device types and display modes of Direct3D.
#include "host/ScreensaverFramework.h"

#include <algorithm>
#include <cwchar>
#include <new>

namespace {

const D3DFORMAT kCollectedModeFormat = D3DFMT_X8R8G8B8;
const UINT kMinModeWidth = 640;
const UINT kMinModeHeight = 400;
const UINT kMaxFormats = kMaxCollectedModes + 1;

void CopyText(wchar_t* target, size_t capacity, const wchar_t* source) {
  wcsncpy(target, source, capacity - 1);
  target[capacity - 1] = L'\0';
}

const wchar_t* DeviceTypeName(D3DDEVTYPE type) {
  switch (type) {
    case D3DDEVTYPE_HAL: return L"HAL";
    case D3DDEVTYPE_SW: return L"SW";
    default: return L"REF";
  }
}

int FindFormat(const D3DFORMAT* formats, UINT count, D3DFORMAT format) {
  for (UINT i = 0; i < count; ++i) {
    if (formats[i] == format) return (int)i;
  }
  return -1;
}

}  // namespace

void CScreensaverFramework::EnumerateMonitors() {
  m_monitorCount = 0;
  DISPLAY_DEVICEW device = {};
  device.cb = sizeof(device);
  for (DWORD index = 0; m_monitorCount < kMaxMonitors && EnumDisplayDevicesW(nullptr, index, &device, 0);
       ++index, device.cb = sizeof(device)) {
    if (device.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER) continue;
    DS_MonitorInfo& info = m_monitors[m_monitorCount];
    info = DS_MonitorInfo();
    CopyText(info.adapterDescription, 128, device.DeviceString);
    DISPLAY_DEVICEW monitor = {};
    monitor.cb = sizeof(monitor);
    if (EnumDisplayDevicesW(device.DeviceName, 0, &monitor, 0)) {
      CopyText(info.monitorDescription, 128, monitor.DeviceString);
    }
    info.adapterIndex = -1;
    if (device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) {
      DEVMODEW mode = {};
      mode.dmSize = sizeof(mode);
      if (EnumDisplaySettingsW(device.DeviceName, ENUM_CURRENT_SETTINGS, &mode)) {
        LONG x = 0, y = 0;
        if (!(device.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE)) {
          x = mode.dmPosition.x;
          y = mode.dmPosition.y;
        }
        info.rect = {x, y, x + (LONG)mode.dmPelsWidth, y + (LONG)mode.dmPelsHeight};
        info.monitor = MonitorFromRect(&info.rect, MONITOR_DEFAULTTONULL);
      }
    }
    ++m_monitorCount;
  }
}

bool CScreensaverFramework::ChooseDepthFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT format,
                                              D3DFORMAT* depthFormat) {
  struct Candidate {
    D3DFORMAT format;
    UINT depthBits;
    UINT stencilBits;
  };
  static const Candidate kCandidates[] = {
      {D3DFMT_D16, 16, 0},     {D3DFMT_D15S1, 15, 1},   {D3DFMT_D24X8, 24, 0},
      {D3DFMT_D24S8, 24, 8},   {D3DFMT_D24X4S4, 24, 4}, {D3DFMT_D32, 32, 0},
  };
  if (!m_d3d) return false;
  for (const Candidate& c : kCandidates) {
    if (m_minDepthBits > c.depthBits || m_minStencilBits > c.stencilBits) continue;
    if (FAILED(m_d3d->CheckDeviceFormat(adapter, type, format, D3DUSAGE_DEPTHSTENCIL,
                                        D3DRTYPE_SURFACE, c.format))) {
      continue;
    }
    if (FAILED(m_d3d->CheckDepthStencilMatch(adapter, type, format, format, c.format))) continue;
    if (depthFormat) *depthFormat = c.format;
    return true;
  }
  return false;
}

bool CScreensaverFramework::FindBehaviorFlags(const D3DCAPS9& caps, D3DFORMAT format, DWORD* flags) {
  DWORD candidates[4];
  UINT count = 0;
  if (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
    if (caps.DevCaps & D3DDEVCAPS_PUREDEVICE) {
      candidates[count++] = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
    }
    candidates[count++] = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    candidates[count++] = D3DCREATE_MIXED_VERTEXPROCESSING;
  }
  candidates[count++] = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
  for (UINT i = 0; i < count; ++i) {
    if (SUCCEEDED(CheckDeviceCaps(caps, candidates[i], format))) {
      *flags = candidates[i];
      return true;
    }
  }
  return false;
}

void CScreensaverFramework::CollectDeviceModes(UINT adapter, DS_AdapterInfo& info,
                                               const DS_ModeInfo* collected, UINT collectedCount,
                                               const D3DFORMAT* formats, UINT formatCount) {
  DS_DeviceInfo& device = info.devices[info.deviceCount];
  bool confirmed[kMaxFormats] = {};
  DWORD behavior[kMaxFormats] = {};
  D3DFORMAT depth[kMaxFormats] = {};
  for (UINT f = 0; f < formatCount; ++f) {
    if (FAILED(m_d3d->CheckDeviceType(adapter, device.deviceType, formats[f], formats[f], FALSE))) {
      continue;
    }
    if (device.deviceType == D3DDEVTYPE_HAL) info.halPresent = TRUE;
    if (device.deviceType == D3DDEVTYPE_SW) info.swPresent = TRUE;
    if (!FindBehaviorFlags(device.caps, formats[f], &behavior[f])) continue;
    if (m_useDepthBuffer && !ChooseDepthFormat(adapter, device.deviceType, formats[f], &depth[f])) {
      continue;
    }
    confirmed[f] = true;
  }
  for (UINT m = 0; m < collectedCount && device.modeCount < kMaxModesPerDevice; ++m) {
    int f = FindFormat(formats, formatCount, collected[m].format);
    if (f < 0 || !confirmed[f]) continue;
    DS_ModeInfo& mode = device.modes[device.modeCount++];
    mode = collected[m];
    mode.behaviorFlags = behavior[f];
    mode.depthStencilFormat = depth[f];
  }
  for (UINT m = 0; m < device.modeCount; ++m) {
    if (device.modes[m].width == 640 && device.modes[m].height == 480) {
      device.currentMode = m;
      if (Is16BitFormat(device.modes[m].format)) break;
    }
  }
  if (formatCount > 0 && confirmed[0]) {
    device.windowedCapable = TRUE;
    device.windowed = TRUE;
  }
}

HRESULT CScreensaverFramework::EnumerateDevices() {
  if (!m_d3d) return E_FAIL;
  D3DDEVTYPE types[3];
  UINT typeCount = 0;
  types[typeCount++] = D3DDEVTYPE_HAL;
  types[typeCount++] = D3DDEVTYPE_SW;
  if (m_allowReferenceDevice) types[typeCount++] = D3DDEVTYPE_REF;

  UINT adapterCount = m_d3d->GetAdapterCount();
  if (adapterCount > kMaxAdapters) adapterCount = kMaxAdapters;
  m_adapterCount = 0;
  for (UINT a = 0; a < adapterCount; ++a) {
    if (!m_adapters[a]) {
      m_adapters[a] = new (std::nothrow) DS_AdapterInfo();
      if (!m_adapters[a]) return E_OUTOFMEMORY;
    }
    DS_AdapterInfo& info = *m_adapters[a];
    m_d3d->GetAdapterIdentifier(a, 0, &info.identifier);
    m_d3d->GetAdapterDisplayMode(a, &info.desktopMode);
    info.deviceCount = 0;
    info.currentDevice = 0;
    info.leaveBlack = FALSE;
    info.monitorIndex = -1;
    HMONITOR adapterMonitor = m_d3d->GetAdapterMonitor(a);
    for (UINT i = 0; i < m_monitorCount; ++i) {
      if (m_monitors[i].monitor && m_monitors[i].monitor == adapterMonitor) {
        m_monitors[i].adapterIndex = (int)a;
        info.monitorIndex = (int)i;
        break;
      }
    }

    // Full-screen modes: one entry per size and format, refresh rates ignored.
    DS_ModeInfo collected[kMaxCollectedModes];
    UINT collectedCount = 0;
    D3DFORMAT formats[kMaxFormats];
    UINT formatCount = 0;
    formats[formatCount++] = info.desktopMode.Format;
    const UINT modeCount = m_d3d->GetAdapterModeCount(a, kCollectedModeFormat);
    for (UINT m = 0; m < modeCount && collectedCount < kMaxCollectedModes; ++m) {
      D3DDISPLAYMODE mode = {};
      if (FAILED(m_d3d->EnumAdapterModes(a, kCollectedModeFormat, m, &mode))) continue;
      if (mode.Width < kMinModeWidth || mode.Height < kMinModeHeight) continue;
      bool known = false;
      for (UINT k = 0; k < collectedCount && !known; ++k) {
        known = collected[k].width == mode.Width && collected[k].height == mode.Height &&
                collected[k].format == mode.Format;
      }
      if (known) continue;
      collected[collectedCount++] = {mode.Width, mode.Height, mode.Format, 0, D3DFMT_UNKNOWN};
      if (FindFormat(formats, formatCount, mode.Format) < 0) formats[formatCount++] = mode.Format;
    }
    std::stable_sort(collected, collected + collectedCount,
                     [](const DS_ModeInfo& x, const DS_ModeInfo& y) { return CompareDisplayModes(x, y) < 0; });

    for (UINT t = 0; t < typeCount && info.deviceCount < kMaxDevicesPerAdapter; ++t) {
      DS_DeviceInfo& device = info.devices[info.deviceCount];
      device = DS_DeviceInfo();
      device.deviceType = types[t];
      m_d3d->GetDeviceCaps(a, types[t], &device.caps);
      device.typeName = DeviceTypeName(types[t]);
      CollectDeviceModes(a, info, collected, collectedCount, formats, formatCount);
      if (device.modeCount == 0) continue;  // the record is reused by the next type
      ++info.deviceCount;
      if (types[t] == D3DDEVTYPE_HAL) info.halUsable = TRUE;
      if (types[t] == D3DDEVTYPE_SW) info.swUsable = TRUE;
    }
    ++m_adapterCount;
  }
  return S_OK;
}

bool CScreensaverFramework::FindPrimaryAdapter(UINT* adapterIndex) const {
  int software = -1;
  for (UINT i = 0; i < m_monitorCount; ++i) {
    const int a = m_monitors[i].adapterIndex;
    if (a < 0 || (UINT)a >= m_adapterCount || !m_adapters[a]) continue;
    if (m_adapters[a]->halUsable) {
      *adapterIndex = (UINT)a;
      return true;
    }
    if (m_adapters[a]->swUsable) software = a;
  }
  *adapterIndex = (UINT)software;
  return software != -1;
}

bool CScreensaverFramework::HasDeviceWithModes(const DS_AdapterInfo& adapter) const {
  return adapter.deviceCount > 0;
}
