#pragma once
// The settings dialog of configure mode (106) and the sound settings dialog (2214),
// both run by the concrete saver (CSceneScreensaver::SettingsDialogProc and
// SoundDialogProc), and the start of the registered web browser for the Website button.

#include <windows.h>

#include <string>

// The page the Website button opens, with the query the button appends.
const wchar_t* const kWebsiteAddress = L"http://www.corvellan.com/ondravel/";
const wchar_t* const kWebsiteQuery =
    L"?utm_source=screensaver&utm_medium=website&utm_campaign=customer_content&utm_nooverride=1";

// Where the registered web browser's command line is kept, under HKEY_CLASSES_ROOT.
const wchar_t* const kBrowserCommandKey = L"http\\shell\\open\\command";
// The longest browser command taken, in characters.
const DWORD kBrowserCommandCapacity = 260;

// The registered procedures: the settings dialog forwards to g_SceneScreensaver, the
// sound dialog to g_Screensaver's SoundDialogProc hook.
INT_PTR CALLBACK SettingsDialogProcStub(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK SoundDialogProcStub(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam);

// The default value of `root`\`path`: a string of at most kBrowserCommandCapacity
// characters. False when the key or a string value is missing, or the value is longer.
bool ReadBrowserCommand(HKEY root, const wchar_t* path, std::wstring& command);
// The browser's command with the address: in place of a %1 enclosed in double quotes,
// otherwise appended after a blank.
std::wstring BuildBrowserCommandLine(const std::wstring& command, const std::wstring& address);
// Starts the registered web browser on `address`; the result of CreateProcessW, FALSE
// when no browser command is registered.
BOOL OpenUrlInBrowser(const wchar_t* address);
