// The built saver.scr, started as its own process the way the system starts it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

const wchar_t* const kWindowClass = L"SceneSaverWndClass";

// Bounds of the waits for what the saver does: a process start under Wine and an end
// with its media teardown take a loaded machine many seconds, so only a hang reaches
// these.
const DWORD kStartLimitMs = 120000;
const DWORD kEndLimitMs = 60000;

// saver.scr sits in the build root, two folders above this test.
std::wstring SaverPath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s = path;
  for (int up = 0; up < 3; ++up) s = s.substr(0, s.find_last_of(L"\\/"));
  return s + L"\\saver.scr";
}

// Waits for `handle` while answering this thread's messages (a preview's parent must
// keep answering its child's messages).
bool WaitPumping(HANDLE handle, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    DWORD waited = GetTickCount() - start;
    if (waited >= ms) return false;
    DWORD r = MsgWaitForMultipleObjects(handle ? 1 : 0, handle ? &handle : nullptr, FALSE, ms - waited,
                                        QS_ALLINPUT);
    if (handle && r == WAIT_OBJECT_0) return true;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void Pump(DWORD ms) { WaitPumping(nullptr, ms); }

class SaverProcess {
public:
  explicit SaverProcess(const std::wstring& arguments) {
    std::wstring line = L"\"" + SaverPath() + L"\" " + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
  }
  ~SaverProcess() {
    if (!started) return;
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
      ADD_FAILURE() << "the saver was still running; ended by the test";
      TerminateProcess(pi.hProcess, 99);
      WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  bool WaitExit(DWORD ms) { return WaitPumping(pi.hProcess, ms); }
  bool Running() { return WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }
  DWORD ExitCode() {
    DWORD code = 12345;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
  // The saver's top-level window of its class, waiting up to `ms` for it.
  HWND FindTopWindow(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
      HWND w = nullptr;
      while ((w = FindWindowExW(nullptr, w, kWindowClass, nullptr)) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == pi.dwProcessId) return w;
      }
      if (!Running()) return nullptr;
      Pump(50);
    }
    return nullptr;
  }

  bool started = false;
  PROCESS_INFORMATION pi = {};
};

TEST(SaverProcess, TestWindowOpensItsWindowAndEndsWhenClosed) {
  SaverProcess saver(L"/t");
  ASSERT_TRUE(saver.started) << "could not start " << testing::PrintToString(SaverPath());
  HWND window = saver.FindTopWindow(kStartLimitMs);
  ASSERT_NE(nullptr, window) << "no window of class SceneSaverWndClass";
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(600, client.right - client.left);
  EXPECT_EQ(400, client.bottom - client.top);
  Pump(1500);
  // Input does not end the test window.
  PostMessageW(window, WM_KEYDOWN, 'A', 0);
  PostMessageW(window, WM_LBUTTONDOWN, 0, 0);
  EXPECT_FALSE(saver.WaitExit(700)) << "keys and buttons must not end the test window";
  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(saver.WaitExit(kEndLimitMs)) << "closing the window must end the saver";
  EXPECT_EQ(0u, saver.ExitCode());
}

LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

class FullScreen : public ::testing::Test {
protected:
  void StartAndCheckCoverage() {
    ASSERT_TRUE(saver.started);
    window = saver.FindTopWindow(kStartLimitMs);
    ASSERT_NE(nullptr, window);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), r.right - r.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), r.bottom - r.top);
    Pump(1500);
    ASSERT_TRUE(saver.Running()) << "the saver ended on its own";
  }
  SaverProcess saver{L"/s"};
  HWND window = nullptr;
};

TEST_F(FullScreen, CoversTheScreenAndEndsOnTheSixthNewMousePosition) {
  StartAndCheckCoverage();
  // The system may report one move of its own at the pointer's position C, at any time
  // before or after the posted moves (posted messages are taken before input). The
  // five new positions therefore begin and end at C: C, P1, P2, P3, C, each posted
  // twice, since repeats must not count. A stray C then always repeats its neighbour.
  POINT cursor;
  GetCursorPos(&cursor);
  const POINT points[] = {cursor, {cursor.x + 4, cursor.y}, {cursor.x + 7, cursor.y + 2},
                          {cursor.x + 10, cursor.y + 4}, cursor};
  for (const POINT& p : points) {
    PostMessageW(window, WM_MOUSEMOVE, 0, Point(p.x, p.y));
    PostMessageW(window, WM_MOUSEMOVE, 0, Point(p.x, p.y));
  }
  EXPECT_FALSE(saver.WaitExit(1000)) << "five new mouse positions must be tolerated";
  PostMessageW(window, WM_MOUSEMOVE, 0, Point(cursor.x + 40, cursor.y + 7));
  ASSERT_TRUE(saver.WaitExit(kEndLimitMs)) << "the sixth new position must end the saver";
  EXPECT_EQ(0u, saver.ExitCode());
}

TEST_F(FullScreen, EndsOnAKey) {
  StartAndCheckCoverage();
  PostMessageW(window, WM_KEYDOWN, VK_SPACE, 0);
  PostMessageW(window, WM_KEYDOWN, VK_SPACE, 0);
  ASSERT_TRUE(saver.WaitExit(kEndLimitMs));
  EXPECT_EQ(0u, saver.ExitCode());
}

// Another program closes the saver's window: the saver ends, whether or not the
// close also took its activation away.
TEST_F(FullScreen, EndsWhenItsWindowIsClosed) {
  StartAndCheckCoverage();
  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(saver.WaitExit(kEndLimitMs)) << "closing the window must end the saver";
  EXPECT_EQ(0u, saver.ExitCode());
}

class PreviewParent {
public:
  PreviewParent() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = L"HostTestPreviewParent";
    RegisterClassW(&wc);
    hwnd = CreateWindowW(L"HostTestPreviewParent", L"preview parent", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 152, 112,
                         nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~PreviewParent() {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  std::wstring Argument() const { return L"/p " + std::to_wstring((unsigned)(uintptr_t)hwnd); }
  HWND FindChild(SaverProcess& saver, DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms && saver.Running()) {
      HWND child = FindWindowExW(hwnd, nullptr, kWindowClass, nullptr);
      if (child) return child;
      Pump(20);
    }
    return nullptr;
  }
  HWND hwnd;
};

TEST(SaverProcess, PreviewDrawsInsideItsParentAndEndsWithIt) {
  PreviewParent parent;
  ASSERT_NE(nullptr, parent.hwnd);
  SaverProcess saver(parent.Argument());
  ASSERT_TRUE(saver.started);
  HWND child = parent.FindChild(saver, kStartLimitMs);
  ASSERT_NE(nullptr, child) << "the preview window must be a child of the given parent";
  RECT client;
  GetClientRect(child, &client);
  EXPECT_EQ(152, client.right);
  EXPECT_EQ(112, client.bottom);
  // What a child window of another process draws does not reach the screen under the
  // test system, so the picture itself is checked in-process (WindowedUnitTest).
  Pump(2000);
  ASSERT_TRUE(saver.Running());
  EXPECT_TRUE(IsWindowVisible(child));
  DestroyWindow(parent.hwnd);
  ASSERT_TRUE(saver.WaitExit(kEndLimitMs)) << "destroying the parent must end the preview";
  EXPECT_EQ(0u, saver.ExitCode());
}

TEST(SaverProcess, PreviewEndsWhenItsParentGoesDuringTheStartUpWait) {
  PreviewParent parent;
  SaverProcess saver(parent.Argument());
  ASSERT_TRUE(saver.started);
  ASSERT_NE(nullptr, parent.FindChild(saver, kStartLimitMs));
  DestroyWindow(parent.hwnd);
  ASSERT_TRUE(saver.WaitExit(kEndLimitMs));
  EXPECT_EQ(0u, saver.ExitCode());
}

// Command lines that show nothing: the saver ends by itself, waiting for nothing (a
// preview without a live parent would otherwise wait for a window message that
// never comes).
class QuickExit : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(QuickExit, EndsByItself) {
  SaverProcess saver(GetParam());
  ASSERT_TRUE(saver.started);
  EXPECT_TRUE(saver.WaitExit(kStartLimitMs)) << testing::PrintToString(std::wstring(GetParam()));
  EXPECT_EQ(0u, saver.ExitCode());
}

INSTANTIATE_TEST_SUITE_P(CommandLines, QuickExit,
                         ::testing::Values(L"/p", L"/p 99999", L"/p 99999999999", L"/r", L"/a"));

}  // namespace
