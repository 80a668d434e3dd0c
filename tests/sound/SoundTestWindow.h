#pragma once
// A hidden top-level window for the tests that need DirectSound's cooperative level
// or the music graph's notify window, and a message pump that waits for a condition.

#include <windows.h>

#include <functional>

inline HWND SoundTestWindow() {
  static HWND window = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DS_SoundTestWindow";
    RegisterClassW(&wc);
    return CreateWindowW(wc.lpszClassName, L"sound test", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64,
                         nullptr, nullptr, wc.hInstance, nullptr);
  }();
  return window;
}

// Dispatches messages until `done` is true or `timeoutMs` passed; `onMessage` sees
// every message first. True when `done` became true.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs,
                      const std::function<void(const MSG&)>& onMessage = nullptr) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (onMessage) onMessage(msg);
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
  return true;
}
