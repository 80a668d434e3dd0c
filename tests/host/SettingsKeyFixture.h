#pragma once
// Points the settings at a registry key of the test's own and deletes it afterwards,
// so no test touches the saver's real settings.

#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <string>

#include "host/Settings.h"

class SettingsKeyFixture : public ::testing::Test {
protected:
  void SetUp() override {
    wchar_t path[128];
    _snwprintf(path, 127, L"Software\\SceneSaverTests\\host-%lu\\", GetCurrentProcessId());
    path[127] = 0;
    m_path = path;
    RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    SetSettingsKeyPath(m_path.c_str());
    ForgetPicturePosition();
  }
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, m_path.c_str());
    ForgetPicturePosition();
  }
  const wchar_t* TestKeyPath() const { return m_path.c_str(); }

  // The test key or one of its subkeys, opened only when it exists.
  HKEY OpenTestSubkey(const wchar_t* subkey) const {
    std::wstring path = m_path + (subkey ? subkey : L"");
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return nullptr;
    return key;
  }
  void SetRaw(const wchar_t* subkey, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    std::wstring path = m_path + (subkey ? subkey : L"");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    RegSetValueExW(key, name, 0, type, (const BYTE*)data, size);
    RegCloseKey(key);
  }
  void SetDword(const wchar_t* subkey, const wchar_t* name, DWORD value) {
    SetRaw(subkey, name, REG_DWORD, &value, sizeof(value));
  }

  std::wstring m_path;
};
