// Program entry of the saver.
#include <windows.h>

#include "host/SaverProcess.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return RunSceneSaverProcess(instance); }
