#pragma once
// The screen-saver command line: a switch letter after '/' or '-' picks the mode, and
// some switches carry a window handle in decimal.

#include <windows.h>

enum DS_SaverMode : int {
  kModeConfigure = 0,
  kModePreview = 1,
  kModeFullScreen = 2,
  kModeTestWindow = 3,
  kModeChangePassword = 4,
  kModeNoAction = 5,
};

struct DS_CommandLine {
  DS_SaverMode mode;
  HWND window;  // as written; not checked against the live windows
};

// Parses the whole command line including the program name. A handle longer than ten
// digits or beyond 32 bits is no handle at all.
DS_CommandLine ParseSaverCommandLine(const wchar_t* text);
