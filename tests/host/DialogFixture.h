#pragma once
// The dialogs in process: a concrete saver whose monitors and adapters come from a
// scripted Direct3D object, settings on a registry key of the test's own, dialogs made
// modeless from the program's templates, and a hook that drives modal dialogs as they
// open.

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeDirect3D.h"
#include "host/ProgramModule.h"
#include "SettingsKeyFixture.h"
#include "TestSavers.h"
#include "resources/DialogIds.h"

// The saver with its command-line window opened up as well.
class DialogSaver : public Exposed<CSceneScreensaver> {
public:
  using CScreensaverFramework::m_commandLineWindow;
};

inline HMONITOR FakeMonitor(UINT index) { return (HMONITOR)(intptr_t)(0x5150 + 0x10 * index); }

inline D3DDISPLAYMODE Mode(UINT w, UINT h, D3DFORMAT f = D3DFMT_X8R8G8B8) { return D3DDISPLAYMODE{w, h, 60, f}; }

inline std::wstring ItemText(HWND dialog, int id) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(dialog, id, text, 1024);
  return text;
}

inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

inline std::wstring ProgramText(UINT id) {
  wchar_t text[1024] = {};
  LoadStringW(GetProgramModule(), id, text, 1024);
  return text;
}

inline std::vector<std::wstring> ComboTexts(HWND dialog, int id) {
  std::vector<std::wstring> texts;
  const int count = (int)SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    if (SendDlgItemMessageW(dialog, id, CB_GETLBTEXTLEN, i, 0) < 256) {
      SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, i, (LPARAM)text);
    }
    texts.push_back(text);
  }
  return texts;
}

inline int ComboSelection(HWND dialog, int id) { return (int)SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0); }

inline bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

// What a click on a button tells its dialog (auto buttons set their state first).
inline void Press(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}
inline void ClickCheckBox(HWND dialog, int id, bool checked) {
  CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
  Press(dialog, id);
}
inline void ClickRadio(HWND dialog, int first, int last, int id) {
  CheckRadioButton(dialog, first, last, id);
  Press(dialog, id);
}
// The user picks item `index` of a drop-down list.
inline void PickComboItem(HWND dialog, int id, int index) {
  SendDlgItemMessageW(dialog, id, CB_SETCURSEL, (WPARAM)index, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)GetDlgItem(dialog, id));
}

// Runs the next step for every dialog of this thread right after its WM_INITDIALOG, in
// the order they open; a modal dialog is then ended by what the step posts to it. A
// dialog beyond the steps is cancelled, so a test that goes wrong cannot hang.
class DialogDriver {
public:
  explicit DialogDriver(std::vector<std::function<void(HWND)>> steps) : m_steps(std::move(steps)) {
    s_current = this;
    m_hook = SetWindowsHookExW(WH_CALLWNDPROCRET, HookProc, nullptr, GetCurrentThreadId());
  }
  ~DialogDriver() {
    if (m_hook) UnhookWindowsHookEx(m_hook);
    s_current = nullptr;
  }
  bool Hooked() const { return m_hook != nullptr; }
  size_t Opened() const { return m_next; }

private:
  static LRESULT CALLBACK HookProc(int code, WPARAM wparam, LPARAM lparam) {
    DialogDriver* self = s_current;
    if (code >= 0 && self) {
      const CWPRETSTRUCT* call = (const CWPRETSTRUCT*)lparam;
      if (call->message == WM_INITDIALOG) {
        if (self->m_next < self->m_steps.size()) {
          self->m_steps[self->m_next](call->hwnd);
        } else {
          PostMessageW(call->hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        ++self->m_next;
      }
    }
    return CallNextHookEx(self ? self->m_hook : nullptr, code, wparam, lparam);
  }

  std::vector<std::function<void(HWND)>> m_steps;
  size_t m_next = 0;
  HHOOK m_hook = nullptr;
  static inline DialogDriver* s_current = nullptr;
};

inline void PostCommand(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

class DialogFixture : public SettingsKeyFixture {
protected:
  void TearDown() override {
    for (HWND dialog : m_dialogs) {
      if (IsWindow(dialog)) DestroyWindow(dialog);
    }
    saver.Cleanup3D();
    SettingsKeyFixture::TearDown();
  }

  // Monitors 1..n, each on its own fake adapter unless the test changes the fake.
  void AddAdapters(UINT count) {
    d3d.adapters.resize(count);
    saver.m_monitorCount = count;
    for (UINT i = 0; i < count; ++i) {
      d3d.adapters[i].monitor = FakeMonitor(i);
      d3d.adapters[i].modes = {Mode(1024, 768), Mode(800, 600), Mode(640, 480)};
      d3d.adapters[i].id.Data1 = 0x1000 + i;
      saver.m_monitors[i] = DS_MonitorInfo();
      saver.m_monitors[i].monitor = FakeMonitor(i);
      saver.m_monitors[i].adapterIndex = -1;
      swprintf(saver.m_monitors[i].adapterDescription, 128, L"Test Adapter %u", i + 1);
    }
  }
  void Enumerate() {
    saver.m_d3d.Set(&d3d);
    ASSERT_EQ(S_OK, saver.EnumerateDevices());
  }
  DS_AdapterInfo& Adapter(UINT index) { return *saver.m_adapters[index]; }

  HWND Open(UINT templateId, DLGPROC proc) {
    HWND dialog = CreateDialogParamW(GetProgramModule(), MAKEINTRESOURCEW(templateId), nullptr, proc, 0);
    if (dialog) m_dialogs.push_back(dialog);
    return dialog;
  }

  bool HasValue(const wchar_t* subkey, const wchar_t* name) {
    HKEY key = OpenTestSubkey(subkey);
    if (!key) return false;
    const bool has = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return has;
  }
  // A DWORD of the test key; `missing` when it is absent.
  DWORD StoredDword(const wchar_t* subkey, const wchar_t* name, DWORD missing = 0xDEADBEEF) {
    HKEY key = OpenTestSubkey(subkey);
    if (!key) return missing;
    DWORD value = missing, size = sizeof(value), type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, (BYTE*)&value, &size) != ERROR_SUCCESS || type != REG_DWORD) {
      value = missing;
    }
    RegCloseKey(key);
    return value;
  }

  FakeDirect3D d3d;
  DialogSaver saver;
  std::vector<HWND> m_dialogs;
};

const DWORD kMissing = 0xDEADBEEF;
