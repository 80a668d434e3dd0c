#pragma once
// The window of the floor programs of scripts/soak (draw_floor, music_floor) and of
// scripts/bench (bench_floor): a topmost
// popup that takes the key press ending the program, as the saver ends on one.

#include <windows.h>

namespace ds_floor {

// Set once a key press (or WM_CLOSE) asked the program to end.
inline bool& Ended() {
  static bool ended = false;
  return ended;
}

inline LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CLOSE:
      Ended() = true;
      return 0;
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return TRUE;
  }
  return DefWindowProcW(window, msg, wparam, lparam);
}

// Registers the class and opens the window, focused; null when either fails.
inline HWND OpenWindow(HINSTANCE instance, const wchar_t* className, const wchar_t* title, int width, int height,
                       HBRUSH background) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = className;
  windowClass.hbrBackground = background;
  if (!RegisterClassW(&windowClass)) return nullptr;
  HWND window = CreateWindowExW(WS_EX_TOPMOST, className, title, WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                                nullptr, instance, nullptr);
  if (window) {
    SetForegroundWindow(window);
    SetFocus(window);
  }
  return window;
}

// Dispatches the waiting messages; false once the program is to end.
inline bool PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return !Ended();
}

}  // namespace ds_floor
