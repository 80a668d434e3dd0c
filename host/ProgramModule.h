#pragma once
// The one module handle through which the saver finds its own resources (strings,
// icon, splash picture, dialogs). WinMain sets it; tests may point it elsewhere.

#include <windows.h>

HINSTANCE GetProgramModule();
void SetProgramModule(HINSTANCE module);
