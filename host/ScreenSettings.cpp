// The per-monitor display settings: "AllScreensSame" and one "Screen %d" subkey for
// every monitor that has an adapter.
#include "host/ScreensaverFramework.h"

#include <cwchar>

#include "host/DisplaySettingsDialog.h"
#include "host/Settings.h"

HKEY OpenScreenSubkey(HKEY key, UINT monitorIndex) {
  wchar_t name[32];
  _snwprintf(name, 31, kScreenSubkeyFormat, (int)monitorIndex + 1);
  name[31] = L'\0';
  HKEY subkey = nullptr;
  if (RegCreateKeyExW(key, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &subkey, nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return subkey;
}

namespace {

void WriteModeValues(HKEY subkey, const DS_AdapterInfo& adapter, UINT width, UINT height, UINT format) {
  WriteKeyDword(subkey, kValueWidth, width);
  WriteKeyDword(subkey, kValueHeight, height);
  WriteKeyDword(subkey, kValueFormat, format);
  WriteKeyBinary(subkey, kValueAdapterId, &adapter.identifier.DeviceIdentifier,
                 sizeof(adapter.identifier.DeviceIdentifier));
}

}  // namespace

void WriteSavedMode(HKEY subkey, const DS_AdapterInfo& adapter) {
  WriteModeValues(subkey, adapter, adapter.savedWidth, adapter.savedHeight, adapter.savedFormat);
}

void CScreensaverFramework::LoadScreenSettings(HKEY key) {
  if (!key) return;
  ReadKeyFlag(key, kValueAllScreensSame, m_allScreensSame);
  for (UINT i = 0; i < m_monitorCount; ++i) {
    const int a = m_monitors[i].adapterIndex;
    if (a < 0 || (UINT)a >= m_adapterCount || !m_adapters[a]) continue;
    DS_AdapterInfo& adapter = *m_adapters[a];
    HKEY subkey = OpenScreenSubkey(key, i);
    if (!subkey) continue;
    GUID stored = {};
    ReadKeyBinary(subkey, kValueAdapterId, &stored, sizeof(stored));
    ReadKeyFlag(subkey, kValueLeaveBlack, adapter.leaveBlack);
    // Mode and hardware settings written for another video adapter do not apply.
    if (IsEqualGUID(stored, adapter.identifier.DeviceIdentifier) || IsEqualGUID(stored, GUID_NULL)) {
      ReadKeyFlag(subkey, kValueDisableHardware, adapter.disableHardware);
      DWORD value = 0;
      if (ReadKeyDword(subkey, kValueWidth, value)) adapter.savedWidth = value;
      if (ReadKeyDword(subkey, kValueHeight, value)) adapter.savedHeight = value;
      if (ReadKeyDword(subkey, kValueFormat, value)) adapter.savedFormat = value;
    }
    RegCloseKey(subkey);
  }
}

void CScreensaverFramework::SaveScreenSettings(HKEY key) {
  if (!key) return;
  WriteKeyDword(key, kValueAllScreensSame, m_allScreensSame ? 1 : 0);
  for (UINT i = 0; i < m_monitorCount; ++i) {
    const int a = m_monitors[i].adapterIndex;
    if (a < 0 || (UINT)a >= m_adapterCount || !m_adapters[a]) continue;
    const DS_AdapterInfo& adapter = *m_adapters[a];
    HKEY subkey = OpenScreenSubkey(key, i);
    if (!subkey) continue;
    WriteKeyDword(subkey, kValueLeaveBlack, adapter.leaveBlack ? 1 : 0);
    WriteKeyDword(subkey, kValueDisableHardware, adapter.disableHardware ? 1 : 0);
    // Only a mode the settings dialog lists is stored; any other is stored as the
    // automatic choice the dialog shows for it.
    if (ListedSavedMode(adapter) >= 0) {
      WriteSavedMode(subkey, adapter);
    } else {
      WriteModeValues(subkey, adapter, 0, 0, 0);
    }
    RegCloseKey(subkey);
  }
}
