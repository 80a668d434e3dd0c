#pragma once
// The whole life of the saver process after WinMain: the picture codecs, the saver
// on the stack, its start-up and its mode. The program entry calls it with the
// default slots; test savers hand in slots of their own.

#include <windows.h>

#include "host/SceneScreensaver.h"

// The process's exit code. `settingsKeyPath`, when given, replaces the saver's own
// settings key (a test process must not touch the real one).
int RunSceneSaverProcess(HINSTANCE instance, DS_SceneSlotFactory slotFactory = nullptr,
                         const wchar_t* settingsKeyPath = nullptr);
