// The Website button's browser start: the registered command with the address put in.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <string>

#include "host/SettingsDialogs.h"

namespace {

struct CommandCase {
  const wchar_t* command;
  const wchar_t* expected;
};

class BrowserCommandTable : public ::testing::TestWithParam<CommandCase> {};

TEST_P(BrowserCommandTable, AddressTakesThePlaceOfTheQuotedPlaceholderOrFollowsTheCommand) {
  const CommandCase& c = GetParam();
  const std::wstring line = BuildBrowserCommandLine(c.command, L"http://host/page?a=1&b=%41");
  EXPECT_EQ(std::wstring(c.expected), line) << std::string(line.begin(), line.end());
}

INSTANTIATE_TEST_SUITE_P(
    Values, BrowserCommandTable,
    ::testing::Values(
        CommandCase{L"\"C:\\Browser\\browse.exe\" \"%1\"", L"\"C:\\Browser\\browse.exe\" \"http://host/page?a=1&b=%41\""},
        CommandCase{L"\"C:\\Browser\\browse.exe\" -nohome", L"\"C:\\Browser\\browse.exe\" -nohome http://host/page?a=1&b=%41"},
        CommandCase{L"browse.exe %1", L"browse.exe %1 http://host/page?a=1&b=%41"},
        // Other % characters are not printf directives.
        CommandCase{L"\"%ProgramFiles%\\b.exe\" %s%n \"%1\" %d",
                    L"\"%ProgramFiles%\\b.exe\" %s%n \"http://host/page?a=1&b=%41\" %d"},
        CommandCase{L"b.exe \"%1\" \"%1\"", L"b.exe \"http://host/page?a=1&b=%41\" \"%1\""}));

// The command is read from a key of the test's own instead of the system's.
class BrowserCommandKey : public ::testing::Test {
protected:
  void SetUp() override {
    wchar_t path[128];
    _snwprintf(path, 127, L"Software\\SceneSaverTests\\browser-%lu", GetCurrentProcessId());
    path[127] = 0;
    m_path = path;
    RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
  }
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, m_path.c_str());
  }
  void Store(DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    RegSetValueExW(key, nullptr, 0, type, (const BYTE*)data, size);
    RegCloseKey(key);
  }
  std::wstring m_path;
};

TEST_F(BrowserCommandKey, ReadsAStringCommand) {
  const wchar_t command[] = L"\"C:\\b.exe\" \"%1\"";
  Store(REG_SZ, command, sizeof(command));
  std::wstring read;
  ASSERT_TRUE(ReadBrowserCommand(HKEY_CURRENT_USER, m_path.c_str(), read));
  EXPECT_EQ(std::wstring(command), read);
}

// The command and its terminator fill the buffer exactly; one character more does not fit.
TEST_F(BrowserCommandKey, ACommandFillingTheBufferIsTakenWhole) {
  std::wstring command(kBrowserCommandCapacity - 1, L'x');
  Store(REG_SZ, command.c_str(), kBrowserCommandCapacity * sizeof(wchar_t));
  std::wstring read;
  ASSERT_TRUE(ReadBrowserCommand(HKEY_CURRENT_USER, m_path.c_str(), read));
  EXPECT_EQ(command, read);
  command += L'x';
  Store(REG_SZ, command.c_str(), (DWORD)((command.size() + 1) * sizeof(wchar_t)));
  EXPECT_FALSE(ReadBrowserCommand(HKEY_CURRENT_USER, m_path.c_str(), read));
}

TEST_F(BrowserCommandKey, UnusableValuesGiveNoCommand) {
  std::wstring read;
  EXPECT_FALSE(ReadBrowserCommand(HKEY_CURRENT_USER, m_path.c_str(), read)) << "no key";
  std::wstring tooLong(kBrowserCommandCapacity + 40, L'y');
  Store(REG_SZ, tooLong.c_str(), (DWORD)((tooLong.size() + 1) * sizeof(wchar_t)));
  EXPECT_FALSE(ReadBrowserCommand(HKEY_CURRENT_USER, m_path.c_str(), read)) << "longer than the buffer";
  const DWORD number = 12;
  Store(REG_DWORD, &number, sizeof(number));
  EXPECT_FALSE(ReadBrowserCommand(HKEY_CURRENT_USER, m_path.c_str(), read)) << "not a string";
  Store(REG_SZ, L"", sizeof(wchar_t));
  EXPECT_FALSE(ReadBrowserCommand(HKEY_CURRENT_USER, m_path.c_str(), read)) << "empty";
  EXPECT_TRUE(read.empty());
}

}  // namespace
