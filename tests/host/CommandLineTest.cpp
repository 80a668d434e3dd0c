// The command line decides the mode and the window the saver works with.
#include <gtest/gtest.h>

#include "TestSavers.h"
#include "host/CommandLine.h"

namespace {

struct CommandLineCase {
  const wchar_t* text;
  DS_SaverMode mode;
  intptr_t window;
};

class CommandLineTable : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTable, GivesModeAndWindow) {
  const CommandLineCase& c = GetParam();
  DS_CommandLine line = ParseSaverCommandLine(c.text);
  EXPECT_EQ(c.mode, line.mode) << "command line: " << testing::PrintToString(std::wstring(c.text));
  EXPECT_EQ(c.window, (intptr_t)line.window) << "command line: " << testing::PrintToString(std::wstring(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Switches, CommandLineTable,
    ::testing::Values(
        CommandLineCase{L"saver.scr /p 1234", kModePreview, 1234},
        CommandLineCase{L"saver.scr -C", kModeConfigure, 0},
        CommandLineCase{L"saver.scr /c:4321", kModeConfigure, 4321},
        CommandLineCase{L"saver.scr /S", kModeFullScreen, 0},
        CommandLineCase{L"saver.scr /x", kModeFullScreen, 0},
        CommandLineCase{L"saver.scr /", kModeFullScreen, 0},
        CommandLineCase{L"saver.scr", kModeConfigure, 0},
        CommandLineCase{L"saver.scr /a:5678", kModeChangePassword, 5678},
        CommandLineCase{L"saver.scr /t", kModeTestWindow, 0},
        CommandLineCase{L"saver.scr /r", kModeNoAction, 0},
        CommandLineCase{L"\"C:\\my dir/with-slash\\saver.scr\" /t", kModeTestWindow, 0},
        CommandLineCase{L"\"C:\\my dir/with-slash\\saver.scr\"", kModeConfigure, 0},
        CommandLineCase{L"\"C:\\unterminated /s", kModeConfigure, 0},
        CommandLineCase{L"C:\\dir-x\\saver.scr /p 77", kModePreview, 77},
        // Handles are 32-bit: ten digits at most, and nothing beyond 32 bits.
        CommandLineCase{L"saver.scr /p 4294967295", kModePreview, -1},
        CommandLineCase{L"saver.scr /p 4294967296", kModePreview, 0},
        CommandLineCase{L"saver.scr /p 00000000012", kModePreview, 0},
        CommandLineCase{L"saver.scr /p 99999999999999999999999", kModePreview, 0},
        CommandLineCase{L"saver.scr /p", kModePreview, 0},
        CommandLineCase{L"saver.scr /t 1234", kModeTestWindow, 0}));

TEST(CommandLine, OnlyLiveWindowsAreTaken) {
  HWND window = CreateWindowW(L"STATIC", L"owner", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, window);
  Exposed<CScreensaverFramework> saver;
  wchar_t text[64];
  _snwprintf(text, 63, L"saver.scr /p %u", (unsigned)(uintptr_t)window);
  text[63] = 0;
  EXPECT_EQ(kModePreview, saver.ParseCommandLine(text));
  EXPECT_EQ(window, saver.CommandLineWindow());
  DestroyWindow(window);

  EXPECT_EQ(kModePreview, saver.ParseCommandLine(text));
  EXPECT_EQ(nullptr, saver.CommandLineWindow()) << "a destroyed window is no parent";
  EXPECT_EQ(kModeConfigure, saver.ParseCommandLine(L"saver.scr /c 99999"));
  EXPECT_EQ(nullptr, saver.CommandLineWindow());
}

}  // namespace
