#include "host/Settings.h"

#include <commctrl.h>
#include <cwchar>

wchar_t g_SettingsKeyPath[kSettingsKeyPathLength] = L"";
int g_PicturePosition = kPicturePositionFill;

namespace {
bool s_picturePositionRead = false;

int Clamp(int value, int low, int high) {
  return value < low ? low : (value > high ? high : value);
}
}  // namespace

void SetSettingsKeyPath(const wchar_t* path) {
  if (!path) path = L"";
  wcsncpy(g_SettingsKeyPath, path, kSettingsKeyPathLength - 1);
  g_SettingsKeyPath[kSettingsKeyPathLength - 1] = L'\0';
}

HKEY OpenSettingsKey() {
  if (!g_SettingsKeyPath[0]) return nullptr;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, g_SettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

bool ReadKeyDword(HKEY key, const wchar_t* name, DWORD& value) {
  if (!key) return false;
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof(data);
  LONG rc = RegQueryValueExW(key, name, nullptr, &type, (BYTE*)&data, &size);
  if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(data)) return false;
  value = data;
  return true;
}

bool WriteKeyDword(HKEY key, const wchar_t* name, DWORD value) {
  if (!key) return false;
  return RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value)) ==
         ERROR_SUCCESS;
}

bool ReadKeyFlag(HKEY key, const wchar_t* name, BOOL& flag) {
  DWORD value = 0;
  if (!ReadKeyDword(key, name, value)) return false;
  flag = value != 0 ? TRUE : FALSE;
  return true;
}

bool ReadKeyBinary(HKEY key, const wchar_t* name, void* data, DWORD size) {
  if (!key) return false;
  BYTE buffer[64];
  if (size > sizeof(buffer)) return false;
  DWORD type = 0;
  DWORD got = sizeof(buffer);
  LONG rc = RegQueryValueExW(key, name, nullptr, &type, buffer, &got);
  if (rc != ERROR_SUCCESS || type != REG_BINARY || got != size) return false;
  memcpy(data, buffer, size);
  return true;
}

bool WriteKeyBinary(HKEY key, const wchar_t* name, const void* data, DWORD size) {
  if (!key) return false;
  return RegSetValueExW(key, name, 0, REG_BINARY, (const BYTE*)data, size) == ERROR_SUCCESS;
}

bool ReadSettingDword(DWORD& value, const wchar_t* name) {
  HKEY key = OpenSettingsKey();
  if (!key) return false;
  bool ok = ReadKeyDword(key, name, value);
  RegCloseKey(key);
  return ok;
}

bool WriteSettingDword(DWORD value, const wchar_t* name) {
  HKEY key = OpenSettingsKey();
  if (!key) return false;
  bool ok = WriteKeyDword(key, name, value);
  RegCloseKey(key);
  return ok;
}

bool ReadSettingInRange(int& value, const wchar_t* name, int low, int high) {
  DWORD raw = 0;
  if (!ReadSettingDword(raw, name)) return false;
  value = Clamp((int)raw, low, high);
  return true;
}

void ReadSoundSettings(int& volume, int& balance, int& mute) {
  ReadSettingInRange(volume, kValueSoundVolume, 0, 100);
  ReadSettingInRange(balance, kValueSoundBalance, 0, 100);
  DWORD rawMute = 0;
  if (ReadSettingDword(rawMute, kValueMuteSound)) mute = rawMute != 0 ? 1 : 0;
}

int ReadPicturePosition() {
  if (!s_picturePositionRead) {
    s_picturePositionRead = true;
    int position = kPicturePositionFill;
    // Out-of-range values are clamped: the layers index their fit types with it.
    ReadSettingInRange(position, kValuePicturePosition, kPicturePositionStretch,
                       kPicturePositionFill);
    g_PicturePosition = position;
  }
  return g_PicturePosition;
}

bool WritePicturePosition(int position) {
  ReadPicturePosition();
  // A dialog without a selection reports -1; such a value must not be stored.
  if (position < kPicturePositionStretch || position > kPicturePositionFill) return false;
  g_PicturePosition = position;
  return WriteSettingDword((DWORD)position, kValuePicturePosition);
}

void ForgetPicturePosition() {
  s_picturePositionRead = false;
  g_PicturePosition = kPicturePositionFill;
}

DS_SettingsTable::DS_SettingsTable() {
  static const struct {
    const wchar_t* name;
    const wchar_t* text;
  } kEntries[kEntryCount] = {{L"Path", L"C://"}, {L"URL1", L""}, {L"file_path", L""}};
  for (int i = 0; i < kEntryCount; ++i) {
    DS_SettingEntry& e = entries[i];
    e = DS_SettingEntry();
    e.kind = DS_SettingEntry::kNone;
    e.value = 0;
    wcsncpy(e.text, kEntries[i].text, 259);
    e.controlId = 0;
    wcsncpy(e.valueName, kEntries[i].name, 39);
  }
}

void DS_SettingsTable::Write(HKEY key) const {
  if (!key) return;
  for (const DS_SettingEntry& e : entries) {
    switch (e.kind) {
      case DS_SettingEntry::kCheckBox:
        WriteKeyDword(key, e.valueName, (DWORD)(BYTE)e.value);
        break;
      case DS_SettingEntry::kText:
      case DS_SettingEntry::kTextStoredOnly:
        RegSetValueExW(key, e.valueName, 0, REG_SZ, (const BYTE*)e.text, sizeof(e.text) - 2);
        break;
      case DS_SettingEntry::kTrackBar:
        WriteKeyDword(key, e.valueName, (DWORD)e.value);
        break;
      default:
        break;
    }
  }
}

void DS_SettingsTable::ReadFromDialog(HWND dialog) {
  for (DS_SettingEntry& e : entries) {
    switch (e.kind) {
      case DS_SettingEntry::kCheckBox:
        e.value = (e.value & ~0xFF) | (IsDlgButtonChecked(dialog, e.controlId) == BST_CHECKED ? 1 : 0);
        break;
      case DS_SettingEntry::kText:
        GetDlgItemTextW(dialog, e.controlId, e.text, 260);
        break;
      case DS_SettingEntry::kTrackBar:
        e.value = (int)SendDlgItemMessageW(dialog, e.controlId, TBM_GETPOS, 0, 0) + 1;
        GetDlgItemTextW(dialog, e.controlId, e.text, 260);
        break;
      default:
        break;
    }
  }
}

void DS_SettingsTable::WriteToDialog(HWND dialog) const {
  for (const DS_SettingEntry& e : entries) {
    switch (e.kind) {
      case DS_SettingEntry::kCheckBox:
        if ((BYTE)e.value) CheckDlgButton(dialog, e.controlId, BST_CHECKED);
        break;
      case DS_SettingEntry::kText:
        SetDlgItemTextW(dialog, e.controlId, e.text);
        break;
      case DS_SettingEntry::kTrackBar:
        SendDlgItemMessageW(dialog, e.controlId, TBM_SETPOS, TRUE, e.value - 1);
        SetDlgItemTextW(dialog, e.controlId, e.text);
        break;
      default:
        break;
    }
  }
}
