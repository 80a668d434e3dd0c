#pragma once
// The display settings dialogs of configure mode: dialog 200 for a single adapter and
// dialog 201 with one tab per monitor. They edit the framework's adapter records and
// its "AllScreensSame" flag in memory (CScreensaverFramework::DisplaySettingsProc);
// the settings dialog writes them to the registry when it closes with OK.

#include <windows.h>

#include <string>

#include "host/DisplayTables.h"

// The registered procedure of dialogs 200 and 201; forwards to g_Screensaver.
INT_PTR CALLBACK DisplaySettingsDialogProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam);

// The index among the listed device's modes of the adapter's saved mode; -1 when the
// saved mode is the automatic choice or one the adapter does not offer, which the
// mode list shows, and the settings store, as "Automatic".
int ListedSavedMode(const DS_AdapterInfo& adapter);

// The string that the Help button shows for an adapter's state; null stands for a
// monitor without a monitor handle or without an adapter.
UINT AdapterHelpStringId(const DS_AdapterInfo* adapter);
// The rendering line of a monitor's page; null stands for a monitor without an adapter.
UINT RenderingStringId(const DS_AdapterInfo* adapter);
// Colour depth shown for a display-mode format: 32 for the 24- and 32-bit RGB formats,
// 16 for every other.
int ModeColorBits(D3DFORMAT format);

// Replaces each "%d" of a dialog's format text ("Monitor %d", "%d by %d, %d bit color")
// by the next of `values` and "%%" by "%"; everything else is copied as it stands. The
// texts come from the program's resources, so they are never used as printf formats.
std::wstring FormatDialogNumbers(const wchar_t* format, const int* values, int count);
