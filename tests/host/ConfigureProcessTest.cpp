// Configure mode as its own process: /c shows the settings dialog, and the process ends
// with exit code 0 when the dialog is closed. The process is the saver's entry with the
// settings key moved to the test's key (ConfigureSaverMain.cpp).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "SettingsKeyFixture.h"
#include "resources/DialogIds.h"

namespace {

// Bounds of the waits for the dialog and the end: a process start under Wine takes a
// loaded machine many seconds, so only a hang reaches these.
const DWORD kStartLimitMs = 120000;
const DWORD kEndLimitMs = 60000;

// configure_saver.scr sits beside this test.
std::wstring ConfigureSaverPath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s = path;
  s = s.substr(0, s.find_last_of(L"\\/"));
  return s + L"\\configure_saver.scr";
}

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
}

struct FindDialog {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindSettingsDialog(HWND window, LPARAM lparam) {
  FindDialog* find = (FindDialog*)lparam;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  if (pid == find->pid && std::wstring(className) == L"#32770" && IsWindowVisible(window) &&
      GetDlgItem(window, IDC_PICTURE_POSITION)) {
    find->found = window;
    return FALSE;
  }
  return TRUE;
}

class ConfigureProcess : public SettingsKeyFixture {
protected:
  void Start(const std::wstring& arguments) {
    SetEnvironmentVariableW(L"DS_TEST_SETTINGS_KEY", TestKeyPath());
    std::wstring line = L"\"" + ConfigureSaverPath() + L"\" " + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
    SetEnvironmentVariableW(L"DS_TEST_SETTINGS_KEY", nullptr);
  }
  void TearDown() override {
    if (started) {
      if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
        ADD_FAILURE() << "the saver was still running; ended by the test";
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
      }
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
    SettingsKeyFixture::TearDown();
  }
  HWND WaitForSettingsDialog(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
      FindDialog find = {pi.dwProcessId, nullptr};
      EnumWindows(FindSettingsDialog, (LPARAM)&find);
      if (find.found) return find.found;
      if (WaitForSingleObject(pi.hProcess, 0) != WAIT_TIMEOUT) return nullptr;
      Pump(50);
    }
    return nullptr;
  }
  bool WaitExit(DWORD ms) { return WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0; }
  DWORD ExitCode() {
    DWORD code = 12345;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
  DWORD Stored(const wchar_t* name) {
    HKEY key = OpenTestSubkey(nullptr);
    DWORD value = 0xDEADBEEF, size = sizeof(value);
    if (key) {
      RegQueryValueExW(key, name, nullptr, nullptr, (BYTE*)&value, &size);
      RegCloseKey(key);
    }
    return value;
  }

  bool started = false;
  PROCESS_INFORMATION pi = {};
};

TEST_F(ConfigureProcess, ShowsTheSettingsDialogAndEndsWhenItIsCancelled) {
  Start(L"/c");
  ASSERT_TRUE(started) << "could not start the saver";
  HWND dialog = WaitForSettingsDialog(kStartLimitMs);
  ASSERT_NE(nullptr, dialog) << "no settings dialog; exit code " << ExitCode();
  wchar_t caption[200] = {};
  GetWindowTextW(dialog, caption, 200);
  EXPECT_EQ(L"Ondravel", std::wstring(caption));
  EXPECT_EQ(0u, Stored(L"AllScreensSame")) << "the screen settings are written when the dialog opens";
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  ASSERT_TRUE(WaitExit(kEndLimitMs)) << "closing the dialog must end the saver";
  EXPECT_EQ(0u, ExitCode());
  EXPECT_EQ(0xDEADBEEFu, Stored(L"\"PicPos\"")) << "Cancel stores no picture position";
}

TEST_F(ConfigureProcess, OkStoresThePicturePosition) {
  Start(L"-C");
  ASSERT_TRUE(started);
  HWND dialog = WaitForSettingsDialog(kStartLimitMs);
  ASSERT_NE(nullptr, dialog) << "no settings dialog; exit code " << ExitCode();
  SendDlgItemMessageW(dialog, IDC_PICTURE_POSITION, CB_SETCURSEL, 1, 0);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ASSERT_TRUE(WaitExit(kEndLimitMs));
  EXPECT_EQ(0u, ExitCode());
  EXPECT_EQ(1u, Stored(L"\"PicPos\""));
}

}  // namespace
