// Which window messages end the saver in which mode.
#include <gtest/gtest.h>

#include <vector>

#include "TestSavers.h"

namespace {

void DrainQuit() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

class HostWindow {
public:
  HostWindow() {
    hwnd = CreateWindowW(L"STATIC", L"host test", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  }
  ~HostWindow() { DestroyWindow(hwnd); }
  HWND hwnd;
};

struct MessageCase {
  const char* name;
  DS_SaverMode mode;
  UINT msg;
  WPARAM wparam;
  bool ends;
};

class MessageTable : public ::testing::TestWithParam<MessageCase> {};

TEST_P(MessageTable, EndsOrKeepsRunning) {
  const MessageCase& c = GetParam();
  HostWindow window;
  RecordingSaver saver;
  saver.m_mode = c.mode;
  saver.WindowProc(window.hwnd, c.msg, c.wparam, 0);
  EXPECT_EQ(c.ends ? 1 : 0, saver.shutdowns) << c.name << ": expected the saver to "
                                              << (c.ends ? "end" : "keep running");
  DrainQuit();
}

INSTANTIATE_TEST_SUITE_P(
    Modes, MessageTable,
    ::testing::Values(
        MessageCase{"full screen, key", kModeFullScreen, WM_KEYDOWN, 'A', true},
        MessageCase{"full screen, left button", kModeFullScreen, WM_LBUTTONDOWN, 0, true},
        MessageCase{"full screen, right button", kModeFullScreen, WM_RBUTTONDOWN, 0, true},
        MessageCase{"full screen, middle button", kModeFullScreen, WM_MBUTTONDOWN, 0, true},
        MessageCase{"full screen, deactivation", kModeFullScreen, WM_ACTIVATEAPP, FALSE, true},
        MessageCase{"full screen, activation", kModeFullScreen, WM_ACTIVATEAPP, TRUE, false},
        MessageCase{"full screen, suspend", kModeFullScreen, WM_POWERBROADCAST, PBT_APMSUSPEND, true},
        MessageCase{"full screen, resume", kModeFullScreen, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, false},
        MessageCase{"full screen, destroy", kModeFullScreen, WM_DESTROY, 0, true},
        MessageCase{"test, key", kModeTestWindow, WM_KEYDOWN, 'A', false},
        MessageCase{"test, left button", kModeTestWindow, WM_LBUTTONDOWN, 0, false},
        MessageCase{"test, deactivation", kModeTestWindow, WM_ACTIVATEAPP, FALSE, false},
        MessageCase{"test, suspend", kModeTestWindow, WM_POWERBROADCAST, PBT_APMSUSPEND, true},
        MessageCase{"test, destroy", kModeTestWindow, WM_DESTROY, 0, true},
        MessageCase{"preview, key", kModePreview, WM_KEYDOWN, 'A', false},
        MessageCase{"preview, deactivation", kModePreview, WM_ACTIVATEAPP, FALSE, false},
        MessageCase{"preview, suspend", kModePreview, WM_POWERBROADCAST, PBT_APMSUSPEND, false},
        MessageCase{"preview, destroy", kModePreview, WM_DESTROY, 0, true}));

LPARAM Point(int x, int y) { return MAKELPARAM((WORD)(short)x, (WORD)(short)y); }

TEST(SaverInput, FullScreenToleratesFiveNewMousePositions) {
  HostWindow window;
  RecordingSaver saver;
  saver.m_mode = kModeFullScreen;
  const int xs[] = {10, 20, 30, 40, 50};
  for (int x : xs) {
    saver.WindowProc(window.hwnd, WM_MOUSEMOVE, 0, Point(x, 5));
    // Repeats of the same point are not counted.
    saver.WindowProc(window.hwnd, WM_MOUSEMOVE, 0, Point(x, 5));
  }
  EXPECT_EQ(0, saver.shutdowns) << "five new positions must be tolerated";
  saver.WindowProc(window.hwnd, WM_MOUSEMOVE, 0, Point(-3, 5));
  EXPECT_EQ(1, saver.shutdowns) << "the sixth new position ends the saver";
  DrainQuit();
}

TEST(SaverInput, TestWindowIgnoresMouseMoves) {
  HostWindow window;
  RecordingSaver saver;
  saver.m_mode = kModeTestWindow;
  for (int x = 0; x < 20; ++x) saver.WindowProc(window.hwnd, WM_MOUSEMOVE, 0, Point(x, x));
  EXPECT_EQ(0, saver.shutdowns);
}

TEST(SaverInput, EndingStepsRunOnceForQueuedInput) {
  HostWindow window;
  RecordingSaver saver;
  saver.m_mode = kModeFullScreen;
  saver.WindowProc(window.hwnd, WM_KEYDOWN, 'A', 0);
  saver.WindowProc(window.hwnd, WM_LBUTTONDOWN, 0, 0);
  saver.WindowProc(window.hwnd, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(1, saver.shutdowns);
  int quits = 0;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) ++quits;
  EXPECT_EQ(1, quits) << "one quit message for several ending inputs";
}

// Full screen on two monitors: a close of either window (from another program, with
// no change of activation) ends the saver once, and the other window leaves the
// screen with it.
TEST(SaverWindows, ClosingEitherFullScreenWindowEndsTheSaver) {
  for (int closed = 0; closed < 2; ++closed) {
    RecordingSaver saver;
    saver.m_mode = kModeFullScreen;
    saver.m_instance = GetModuleHandleW(nullptr);
    saver.m_monitorCount = 2;
    for (int i = 0; i < 2; ++i) {
      DS_MonitorInfo& monitor = saver.m_monitors[i];
      monitor = DS_MonitorInfo();
      monitor.monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
      monitor.rect = RECT{i * 64, 0, i * 64 + 64, 48};
      monitor.adapterIndex = -1;
    }
    ASSERT_EQ(S_OK, saver.CreateSaverWindows());
    const HWND windows[2] = {saver.m_monitors[0].window, saver.m_monitors[1].window};
    ASSERT_TRUE(windows[0] && windows[1]);
    ASSERT_TRUE(IsWindowVisible(windows[0]) && IsWindowVisible(windows[1]));

    SendMessageW(windows[closed], WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(windows[closed])) << "window " << closed;
    EXPECT_EQ(1, saver.shutdowns) << "closing window " << closed << " must end the saver";
    const HWND other = windows[1 - closed];
    EXPECT_FALSE(IsWindow(other) && IsWindowVisible(other)) << "the other monitor's window stayed on the screen";
    int quits = 0;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) ++quits;
    EXPECT_EQ(1, quits) << "window " << closed;
    for (HWND window : windows) {
      if (IsWindow(window)) DestroyWindow(window);
    }
    EXPECT_EQ(1, saver.shutdowns) << "the ending steps run once";
    DrainQuit();
  }
}

TEST(SaverInput, FullScreenRefusesCloseAndScreenSaveCommands) {
  HostWindow window;
  RecordingSaver saver;
  saver.m_mode = kModeFullScreen;
  EXPECT_EQ(0, saver.WindowProc(window.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0));
  EXPECT_EQ(0, saver.WindowProc(window.hwnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0));
  EXPECT_TRUE(IsWindow(window.hwnd));
  EXPECT_EQ(0, saver.shutdowns);
}

// ---- input looked at between the steps of a long load ----

// A window of the saver's own procedure, so that posted messages reach the saver
// under test (g_Screensaver) when they are dispatched.
class SaverWindow {
public:
  SaverWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = SaverWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"HostTestSaverWindow";
    RegisterClassW(&wc);
    hwnd = CreateWindowW(L"HostTestSaverWindow", L"saver", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
  }
  ~SaverWindow() {
    // What the poll left queued goes with the window.
    MSG msg;
    while (PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE)) {
    }
    DestroyWindow(hwnd);
  }
  HWND hwnd;
};

struct PollCase {
  const char* name;
  DS_SaverMode mode;
  std::vector<MSG> posted;
  bool ends;
};

MSG Posted(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  MSG msg = {};
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  return msg;
}

std::vector<MSG> MouseMoves(int count) {
  std::vector<MSG> moves;
  for (int i = 0; i < count; ++i) moves.push_back(Posted(WM_MOUSEMOVE, 0, Point(10 * i, 5)));
  return moves;
}

class InputPollTable : public ::testing::TestWithParam<PollCase> {};

// The full-screen rules, applied to the input queued while the window thread works.
TEST_P(InputPollTable, AnswersWhetherTheQueuedInputEndsTheSaver) {
  const PollCase& c = GetParam();
  RecordingSaver saver;
  saver.m_mode = c.mode;
  {
    SaverWindow window;
    ASSERT_NE(nullptr, window.hwnd);
    for (const MSG& msg : c.posted) ASSERT_TRUE(PostMessageW(window.hwnd, msg.message, msg.wParam, msg.lParam));
    EXPECT_EQ(c.ends, saver.InputAbortCheck()->ShouldAbort()) << c.name;
    EXPECT_EQ(c.ends ? 1 : 0, saver.shutdowns) << c.name;
    // Ended, the saver answers yes for good, whatever is queued.
    if (c.ends) {
      EXPECT_TRUE(saver.PollEndingInput()) << c.name;
    }
  }
  // The window's end may end a preview or test saver too.
  DrainQuit();
}

INSTANTIATE_TEST_SUITE_P(
    Input, InputPollTable,
    ::testing::Values(
        PollCase{"full screen, key", kModeFullScreen, {Posted(WM_KEYDOWN, VK_SPACE)}, true},
        PollCase{"full screen, key released only", kModeFullScreen, {Posted(WM_KEYUP, VK_SPACE)}, false},
        PollCase{"full screen, right button", kModeFullScreen, {Posted(WM_RBUTTONDOWN)}, true},
        PollCase{"full screen, five mouse moves", kModeFullScreen, MouseMoves(5), false},
        PollCase{"full screen, six mouse moves", kModeFullScreen, MouseMoves(6), true},
        PollCase{"full screen, nothing", kModeFullScreen, {}, false},
        PollCase{"test, key", kModeTestWindow, {Posted(WM_KEYDOWN, VK_SPACE)}, false},
        PollCase{"preview, key", kModePreview, {Posted(WM_KEYDOWN, VK_SPACE)}, false}));

TEST(SaverInput, PollAfterTheEndAnswersYesWithoutInput) {
  RecordingSaver saver;
  saver.m_mode = kModeTestWindow;
  saver.m_ended = true;
  EXPECT_TRUE(saver.PollEndingInput());
}

}  // namespace
