#include "host/DisplayTables.h"

bool Is16BitFormat(D3DFORMAT format) {
  return format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5;
}

bool Is32BitFormat(D3DFORMAT format) {
  return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8;
}

int CompareDisplayModes(const DS_ModeInfo& a, const DS_ModeInfo& b) {
  if (a.width != b.width) return a.width < b.width ? -1 : 1;
  if (a.height != b.height) return a.height < b.height ? -1 : 1;
  int fa = (int)a.format, fb = (int)b.format;
  if (fa != fb) return fa > fb ? -1 : 1;
  return 0;
}

bool StepDownMode(DS_DeviceInfo& device) {
  if (device.modeCount == 0 || device.currentMode >= device.modeCount) return false;
  const DS_ModeInfo& current = device.modes[device.currentMode];
  // A 32-bit mode first tries the same size at a lower depth.
  if (Is32BitFormat(current.format)) {
    for (UINT i = 0; i < device.modeCount; ++i) {
      const DS_ModeInfo& m = device.modes[i];
      if (i != device.currentMode && m.width == current.width && m.height == current.height &&
          !Is32BitFormat(m.format)) {
        device.currentMode = i;
        return true;
      }
    }
  }
  const unsigned long long currentArea = (unsigned long long)current.width * current.height;
  int best = -1;
  unsigned long long bestArea = 0;
  for (UINT i = 0; i < device.modeCount; ++i) {
    const DS_ModeInfo& m = device.modes[i];
    unsigned long long area = (unsigned long long)m.width * m.height;
    if (area >= currentArea) continue;
    if (best < 0 || area > bestArea) {
      best = (int)i;
      bestArea = area;
    } else if (area == bestArea && Is32BitFormat(m.format) &&
               !Is32BitFormat(device.modes[best].format)) {
      best = (int)i;
    }
  }
  if (best < 0) return false;
  device.currentMode = (UINT)best;
  return true;
}
