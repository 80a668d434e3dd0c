// The saver's program entry for the configure-mode process test. It differs from the
// saver's own entry in one step: the settings key is the one the test names in the
// environment variable DS_TEST_SETTINGS_KEY, because configure mode writes the
// settings as soon as its dialog opens and the test must not touch the real key.
// Without the variable it refuses to run.
#include <windows.h>

#include "host/SaverProcess.h"
#include "host/Settings.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  wchar_t keyPath[kSettingsKeyPathLength] = {};
  const DWORD length = GetEnvironmentVariableW(L"DS_TEST_SETTINGS_KEY", keyPath, kSettingsKeyPathLength);
  if (length == 0 || length >= kSettingsKeyPathLength) return 3;
  return RunSceneSaverProcess(instance, nullptr, keyPath);
}
