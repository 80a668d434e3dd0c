#pragma once
// The monitor, adapter, device and display-mode records the saver builds at start-up.
// The framework owns the tables; render units, the settings and the display dialog
// read and edit them. Sizes are fixed, and every loop that fills them stops at the
// limit instead of trusting what the platform reports.

#include <windows.h>
#include <d3d9.h>

const UINT kMaxMonitors = 9;
const UINT kMaxAdapters = 9;
const UINT kMaxDevicesPerAdapter = 3;
const UINT kMaxModesPerDevice = 150;
const UINT kMaxCollectedModes = 99;
// Marks a device's current mode while a full-screen unit is choosing one.
const UINT kModeChoiceRunning = 0xFFFF;

struct DS_ModeInfo {
  UINT width;
  UINT height;
  D3DFORMAT format;
  DWORD behaviorFlags;
  D3DFORMAT depthStencilFormat;
};

struct DS_DeviceInfo {
  D3DDEVTYPE deviceType;
  D3DCAPS9 caps;
  const wchar_t* typeName;
  BOOL windowedCapable;
  UINT modeCount;
  DS_ModeInfo modes[kMaxModesPerDevice];
  UINT currentMode;
  BOOL windowed;
  BOOL reserved;
};

struct DS_AdapterInfo {
  int monitorIndex;
  D3DADAPTER_IDENTIFIER9 identifier;
  D3DDISPLAYMODE desktopMode;
  UINT deviceCount;
  DS_DeviceInfo devices[kMaxDevicesPerAdapter];
  BOOL halPresent;
  BOOL halUsable;
  BOOL swPresent;
  BOOL swUsable;
  UINT savedWidth;
  UINT savedHeight;
  UINT savedFormat;
  BOOL leaveBlack;
  BOOL disableHardware;
  UINT currentDevice;
  HWND deviceWindow;
};

// The error message box that drifts over a saver window; width 0 means not placed yet.
struct DS_ErrorBox {
  float x;
  float y;
  float width;
  float height;
  float xSpeed;
  float ySpeed;
};

struct DS_MonitorInfo {
  wchar_t adapterDescription[128];
  wchar_t monitorDescription[128];
  HMONITOR monitor;
  RECT rect;
  int adapterIndex;
  HWND window;
  DS_ErrorBox box;
};

// The "Screen %d" subkey of a monitor (monitorIndex counts from 0) under the settings
// key, created when missing; null when it cannot be opened. The caller closes it.
HKEY OpenScreenSubkey(HKEY settingsKey, UINT monitorIndex);
// Writes an adapter's saved display mode and the identifier of the adapter it was
// saved for into its monitor's subkey.
void WriteSavedMode(HKEY screenSubkey, const DS_AdapterInfo& adapter);

bool Is16BitFormat(D3DFORMAT format);  // R5G6B5, X1R5G5B5, A1R5G5B5
bool Is32BitFormat(D3DFORMAT format);  // A8R8G8B8, X8R8G8B8

// Sort order of the collected modes: width, then height ascending, then format
// descending (as signed numbers). Returns <0, 0 or >0 like a qsort comparator.
int CompareDisplayModes(const DS_ModeInfo& a, const DS_ModeInfo& b);

// Moves the device's current mode to the next smaller one to try after a failed
// device creation; false when there is none (the current mode is unchanged).
bool StepDownMode(DS_DeviceInfo& device);
