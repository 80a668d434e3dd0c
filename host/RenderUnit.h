#pragma once
// A render unit: one Direct3D device drawing one saver window (one per monitor full
// screen, one on the main window in preview and test mode). The framework owns the
// units; the device lives in a holder, so it is released exactly once.

#include <windows.h>
#include <d3d9.h>

#include "device/ComHolder.h"

struct DS_RenderUnit {
  UINT adapterIndex = 0;
  UINT monitorIndex = 0;
  D3DDEVTYPE deviceType = (D3DDEVTYPE)0;
  DWORD behaviorFlags = 0;
  DS_ComHolder<IDirect3DDevice9> device;
  D3DPRESENT_PARAMETERS presentParams = {};
  BOOL initialised = FALSE;  // OnDeviceCreated succeeded
  BOOL restored = FALSE;     // OnDeviceRestored succeeded and no OnDeviceLost since
  // The back buffer's description, asked once per device (and again after a reset).
  D3DSURFACE_DESC backBufferDesc = {};
  wchar_t deviceText[90] = {};
  wchar_t frameRateText[40] = {};
};
