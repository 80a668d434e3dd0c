// Program entry of the saver.
#include <windows.h>
#include <gdiplus.h>

#include "host/ProgramModule.h"
#include "host/SceneScreensaver.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  SetProgramModule(instance);
  // Started for the picture codecs; never shut down, the process end takes it.
  Gdiplus::GdiplusStartupInput gdiplusInput;
  ULONG_PTR gdiplusToken = 0;
  Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);

  int result = 0;
  {
    CSceneScreensaver saver;
    HRESULT hr = saver.Create(instance, GetCommandLineW());
    if (FAILED(hr)) {
      saver.ShowErrorMessage(hr);
    } else {
      result = saver.Run();
    }
  }
  return result;
}
