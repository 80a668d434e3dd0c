// The saver's program entry for the configure-mode process test. It differs from the
// saver's own entry in one step: the settings key is the one the test names in the
// environment variable DS_TEST_SETTINGS_KEY, because configure mode writes the
// settings as soon as its dialog opens and the test must not touch the real key.
// Without the variable it refuses to run.
#include <windows.h>
#include <gdiplus.h>

#include "host/ProgramModule.h"
#include "host/SceneScreensaver.h"
#include "host/Settings.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  SetProgramModule(instance);
  Gdiplus::GdiplusStartupInput gdiplusInput;
  ULONG_PTR gdiplusToken = 0;
  Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);

  wchar_t keyPath[kSettingsKeyPathLength] = {};
  const DWORD length = GetEnvironmentVariableW(L"DS_TEST_SETTINGS_KEY", keyPath, kSettingsKeyPathLength);
  if (length == 0 || length >= kSettingsKeyPathLength) return 3;

  int result = 0;
  {
    CSceneScreensaver saver;
    SetSettingsKeyPath(keyPath);
    HRESULT hr = saver.Create(instance, GetCommandLineW());
    if (FAILED(hr)) {
      saver.ShowErrorMessage(hr);
    } else {
      result = saver.Run();
    }
  }
  return result;
}
