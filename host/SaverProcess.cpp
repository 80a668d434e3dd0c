#include "host/SaverProcess.h"

#include <gdiplus.h>

#include "host/ProgramModule.h"
#include "host/Settings.h"

int RunSceneSaverProcess(HINSTANCE instance, DS_SceneSlotFactory slotFactory,
                         const wchar_t* settingsKeyPath) {
  SetProgramModule(instance);
  // Started for the picture codecs; never shut down, the process end takes it.
  Gdiplus::GdiplusStartupInput gdiplusInput;
  ULONG_PTR gdiplusToken = 0;
  Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);

  int result = 0;
  {
    CSceneScreensaver saver(slotFactory);
    if (settingsKeyPath) SetSettingsKeyPath(settingsKeyPath);
    HRESULT hr = saver.Create(instance, GetCommandLineW());
    if (FAILED(hr)) {
      saver.ShowErrorMessage(hr);
    } else {
      result = saver.Run();
    }
  }
  return result;
}
