// The settings dialog of configure mode, the sound settings dialog, and the Website
// button's web browser.
#include "host/SettingsDialogs.h"

#include <commctrl.h>

#include <vector>

#include "host/ProgramModule.h"
#include "host/SceneScreensaver.h"
#include "host/Settings.h"
#include "resources/DialogIds.h"

namespace {

// Items of the picture-position list, in the order of the positions they stand for.
const wchar_t* const kPicturePositionNames[] = {L"Stretch", L"Fit", L"Fill"};
const int kVolumeMaximum = 100;
const int kVolumeTickFrequency = 10;

int ClampPercent(int value) { return value < 0 ? 0 : (value > 100 ? 100 : value); }

}  // namespace

void CSceneScreensaver::ShowSettings() {
  DialogBoxParamW(GetProgramModule(), MAKEINTRESOURCEW(IDD_SETTINGS), m_commandLineWindow,
                  SettingsDialogProcStub, 0);
}

INT_PTR CSceneScreensaver::SettingsDialogProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowTextW(dialog, m_windowTitle);
      // The settings as they are in memory go to the registry as soon as the dialog opens.
      WriteSettings();
      for (const wchar_t* name : kPicturePositionNames) {
        SendDlgItemMessageW(dialog, IDC_PICTURE_POSITION, CB_ADDSTRING, 0, (LPARAM)name);
      }
      m_settingsTable.WriteToDialog(dialog);
      SendDlgItemMessageW(dialog, IDC_PICTURE_POSITION, CB_SETCURSEL, (WPARAM)ReadPicturePosition(), 0);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:
          m_settingsTable.ReadFromDialog(dialog);
          // An empty selection (CB_ERR) is refused by WritePicturePosition.
          WritePicturePosition((int)SendDlgItemMessageW(dialog, IDC_PICTURE_POSITION, CB_GETCURSEL, 0, 0));
          WriteSettings();
          EndDialog(dialog, IDOK);
          break;
        case IDCANCEL:
          // Undoes what the display dialog changed in memory.
          ReadSettingsFromRegistry();
          EndDialog(dialog, IDCANCEL);
          break;
        case IDC_DISPLAY_SETTINGS:
          ShowDisplaySettings(dialog);
          break;
        case IDC_SOUND_SETTINGS:
          DialogBoxParamW(GetProgramModule(), MAKEINTRESOURCEW(IDD_SOUND), dialog, SoundDialogProcStub, 0);
          break;
        case IDC_WEBSITE:
          OpenUrlInBrowser((std::wstring(kWebsiteAddress) + kWebsiteQuery).c_str());
          break;
      }
      return TRUE;
  }
  return FALSE;
}

INT_PTR CSceneScreensaver::SoundDialogProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_INITDIALOG: {
      // Stored values out of range are shown clamped, so OK never writes them back.
      int volume = kDefaultSoundVolume;
      int balance = kDefaultSoundBalance;
      int mute = 0;
      ReadSoundSettings(volume, balance, mute);
      // The top of the vertical bar is loud.
      SendDlgItemMessageW(dialog, IDC_SOUND_VOLUME, TBM_SETTICFREQ, kVolumeTickFrequency, 0);
      SendDlgItemMessageW(dialog, IDC_SOUND_VOLUME, TBM_SETRANGE, TRUE, MAKELPARAM(0, kVolumeMaximum));
      SendDlgItemMessageW(dialog, IDC_SOUND_VOLUME, TBM_SETPOS, TRUE, kVolumeMaximum - volume);
      CheckDlgButton(dialog, IDC_SOUND_MUTE, mute ? BST_CHECKED : BST_UNCHECKED);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        const int position = ClampPercent((int)SendDlgItemMessageW(dialog, IDC_SOUND_VOLUME, TBM_GETPOS, 0, 0));
        // The dialog has no balance bar: this stores 0.
        const int balance = GetDlgItem(dialog, IDC_SOUND_BALANCE)
                                ? ClampPercent((int)SendDlgItemMessageW(dialog, IDC_SOUND_BALANCE, TBM_GETPOS, 0, 0))
                                : 0;
        const int mute = IsDlgButtonChecked(dialog, IDC_SOUND_MUTE) == BST_CHECKED ? 1 : 0;
        WriteSettingDword((DWORD)(kVolumeMaximum - position), kValueSoundVolume);
        WriteSettingDword((DWORD)balance, kValueSoundBalance);
        WriteSettingDword((DWORD)mute, kValueMuteSound);
        EndDialog(dialog, IDOK);
      } else if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
      }
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK SettingsDialogProcStub(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
  try {
    return g_SceneScreensaver ? g_SceneScreensaver->SettingsDialogProc(dialog, msg, wparam, lparam) : FALSE;
  } catch (...) {
    return FALSE;
  }
}

INT_PTR CALLBACK SoundDialogProcStub(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
  try {
    return g_Screensaver ? g_Screensaver->SoundDialogProc(dialog, msg, wparam, lparam) : FALSE;
  } catch (...) {
    return FALSE;
  }
}

bool ReadBrowserCommand(HKEY root, const wchar_t* path, std::wstring& command) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  wchar_t buffer[kBrowserCommandCapacity + 1] = {};
  DWORD type = 0;
  DWORD size = kBrowserCommandCapacity * sizeof(wchar_t);
  const LONG rc = RegQueryValueExW(key, nullptr, nullptr, &type, (BYTE*)buffer, &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  // A stored string need not end in a terminator.
  buffer[size / sizeof(wchar_t)] = L'\0';
  command = buffer;
  return !command.empty();
}

std::wstring BuildBrowserCommandLine(const std::wstring& command, const std::wstring& address) {
  // The placeholder is replaced as text: the command is never used as a printf format,
  // so other % characters in it stay as they are.
  const size_t quoted = command.find(L"\"%1\"");
  if (quoted == std::wstring::npos) return command + L" " + address;
  return command.substr(0, quoted + 1) + address + command.substr(quoted + 3);
}

BOOL OpenUrlInBrowser(const wchar_t* address) {
  std::wstring command;
  if (!address || !ReadBrowserCommand(HKEY_CLASSES_ROOT, kBrowserCommandKey, command)) return FALSE;
  const std::wstring line = BuildBrowserCommandLine(command, address);
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                      &startup, &process);
  if (started) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  return started;
}
