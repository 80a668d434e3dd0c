// Start-up through Create with a scripted Direct3D object, and the running saver's
// message loop from its first to its last step, in this process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeDirect3D.h"
#include "SettingsKeyFixture.h"
#include "TestSavers.h"
#include "host/ErrorCodes.h"

namespace {

// What the saver's Direct3D factory hands out; null makes the factory fail.
FakeDirect3D* s_direct3D = nullptr;

IDirect3D9* MakeFakeDirect3D() {
  if (s_direct3D) s_direct3D->AddRef();
  return s_direct3D;
}

void DrainQuit() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

std::string Join(const std::vector<std::string>& items) {
  std::string s;
  for (const std::string& item : items) s += (s.empty() ? "" : " ") + item;
  return s;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

template <class Saver>
class StartUp : public SettingsKeyFixture {
protected:
  void SetUp() override {
    SettingsKeyFixture::SetUp();
    d3d.adapters.resize(1);
    d3d.adapters[0].monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    d3d.adapters[0].modes = {D3DDISPLAYMODE{640, 480, 60, D3DFMT_X8R8G8B8},
                             D3DDISPLAYMODE{1024, 768, 60, D3DFMT_X8R8G8B8}};
    s_direct3D = &d3d;
    saver.SetDirect3DFactory(MakeFakeDirect3D);
  }
  void TearDown() override {
    if (saver.MainWindow() && IsWindow(saver.MainWindow())) DestroyWindow(saver.MainWindow());
    DrainQuit();
    s_direct3D = nullptr;
    SettingsKeyFixture::TearDown();
  }
  void Start(const wchar_t* commandLine) {
    ASSERT_EQ(S_OK, saver.Create(GetModuleHandleW(nullptr), commandLine));
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
  }
  // Runs the saver's mode with a close of its window already queued: the loop must
  // take it and end.
  int RunUntilClosed() {
    PostMessageW(saver.MainWindow(), WM_CLOSE, 0, 0);
    return saver.Run();
  }

  // Declared before the saver, so it outlives the saver's last release.
  FakeDirect3D d3d;
  Saver saver;
};

class FrameworkStartUp : public StartUp<RecordingSaver> {
protected:
  void SetUp() override {
    StartUp<RecordingSaver>::SetUp();
    saver.log = &log;
  }
  std::vector<std::string> log;
};

TEST_F(FrameworkStartUp, TestWindowRunsItsDeviceFromStartToEnd) {
  Start(L"saver.scr /t");
  ASSERT_FALSE(saver.InErrorMode()) << "error 0x" << std::hex << (unsigned)saver.ErrorCode();
  HWND window = saver.MainWindow();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(std::wstring(L"SceneSaverWndClass"), ClassOf(window));
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(600, client.right);
  EXPECT_EQ(400, client.bottom);
  EXPECT_EQ(2u, d3d.refs) << "the saver holds one reference to Direct3D";

  EXPECT_EQ(0, RunUntilClosed());
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(1, saver.shutdowns);
  ASSERT_EQ(1u, d3d.createCalls.size());
  EXPECT_TRUE(d3d.createCalls[0].Windowed);
  const std::string calls = Join(log);
  // Frames may or may not come between; the unit is set up first and taken down last.
  const std::string last = "lost destroyed";
  EXPECT_EQ(0u, calls.find("restored")) << calls;
  EXPECT_TRUE(calls.size() >= last.size() && calls.compare(calls.size() - last.size(), last.size(), last) == 0)
      << calls;
  EXPECT_EQ(1u, d3d.device.RefCount()) << "the device is released exactly once";
  EXPECT_EQ(1u, d3d.refs) << "Direct3D is released exactly once";
}

struct StartFailureCase {
  const char* name;
  bool direct3D;  // the factory makes a Direct3D object
  bool usableDevice;
  HRESULT code;
};

class StartFailures : public FrameworkStartUp, public ::testing::WithParamInterface<StartFailureCase> {};

TEST_P(StartFailures, TestWindowShowsTheErrorAndStillEndsWhenClosed) {
  const StartFailureCase& c = GetParam();
  if (!c.direct3D) s_direct3D = nullptr;
  d3d.adapters[0].halType = c.usableDevice;
  Start(L"saver.scr /t");
  EXPECT_TRUE(saver.InErrorMode()) << c.name;
  EXPECT_EQ(c.code, saver.ErrorCode()) << c.name << ": got 0x" << std::hex << (unsigned)saver.ErrorCode();
  ASSERT_NE(nullptr, saver.MainWindow()) << c.name << ": the window carries the message";
  EXPECT_EQ(0, RunUntilClosed()) << c.name;
  EXPECT_EQ(1, saver.shutdowns) << c.name;
  EXPECT_TRUE(d3d.createCalls.empty()) << c.name << ": no device in error mode";
  EXPECT_EQ(1u, d3d.refs) << c.name << ": Direct3D is released exactly once";
}

INSTANTIATE_TEST_SUITE_P(
    Codes, StartFailures,
    ::testing::Values(StartFailureCase{"no Direct3D", false, false, DS_E_NODIRECT3D},
                      StartFailureCase{"no usable device", true, false, DS_E_NOCOMPATIBLEDEVICES}));

TEST_F(FrameworkStartUp, TestWindowPaintsTheMessageBoxOnBlack) {
  s_direct3D = nullptr;
  Start(L"saver.scr /t");
  ASSERT_TRUE(saver.InErrorMode());
  HWND window = saver.MainWindow();
  ASSERT_NE(nullptr, window);
  saver.MoveErrorBox();  // places the 300 x 150 box in the middle of the 600 x 400 client area
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = GetDC(window);
  const COLORREF inside = GetPixel(dc, 152, 127);
  const COLORREF outside = GetPixel(dc, 20, 20);
  const COLORREF belowBox = GetPixel(dc, 300, 290);
  ReleaseDC(window, dc);
  EXPECT_EQ(GetSysColor(COLOR_WINDOW) & 0xFFFFFF, inside & 0xFFFFFF) << "inside the box";
  EXPECT_EQ(0u, outside & 0xFFFFFF) << "the rest of the window is black";
  EXPECT_EQ(0u, belowBox & 0xFFFFFF) << "the rest of the window is black";
}

class PreviewWithoutParent : public FrameworkStartUp, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(PreviewWithoutParent, EndsAtOnceWithoutAWindow) {
  Start(GetParam());
  EXPECT_EQ(kModePreview, saver.Mode());
  EXPECT_EQ(nullptr, saver.MainWindow());
  // With no window nothing could ever end a message loop: Run must return by itself.
  EXPECT_EQ(0, saver.Run());
  EXPECT_TRUE(d3d.createCalls.empty());
  EXPECT_EQ(1u, d3d.refs);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, PreviewWithoutParent,
                         ::testing::Values(L"saver.scr /p", L"saver.scr /p 99999", L"saver.scr /p 99999999999",
                                           L"saver.scr /p abc"));

TEST_F(FrameworkStartUp, PreviewWhoseParentGoesDuringTheWaitEndsCleanly) {
  HWND parent = CreateWindowW(L"STATIC", L"preview parent", WS_POPUP | WS_VISIBLE, 0, 0, 152, 112, nullptr,
                              nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, parent);
  // The parent goes while the start-up waits for its timer.
  SetTimer(parent, 77, 50, [](HWND hwnd, UINT, UINT_PTR, DWORD) { DestroyWindow(hwnd); });
  std::wstring line = L"saver.scr /p " + std::to_wstring((unsigned)(uintptr_t)parent);
  Start(line.c_str());
  EXPECT_FALSE(IsWindow(parent));
  EXPECT_EQ(1, saver.shutdowns) << "the preview window went with its parent";
  EXPECT_EQ(0, saver.Run()) << "the loop takes the quit message and ends";
  EXPECT_EQ(1, saver.shutdowns) << "the ending steps run once";
  EXPECT_TRUE(d3d.createCalls.empty());
}

class SceneStartUp : public StartUp<Exposed<CSceneScreensaver>> {};

TEST_F(SceneStartUp, StartUpReadsTheScreenSettingsOfItsMonitor) {
  SetDword(nullptr, L"AllScreensSame", 1);
  // The fake adapter sits on the primary monitor; find which record that is.
  saver.EnumerateMonitors();
  int primary = -1;
  for (UINT i = 0; i < saver.m_monitorCount && primary < 0; ++i) {
    if (saver.m_monitors[i].monitor == d3d.adapters[0].monitor) primary = (int)i;
  }
  ASSERT_GE(primary, 0) << "no monitor record for the primary monitor";
  const std::wstring subkey = L"Screen " + std::to_wstring(primary + 1);
  SetDword(subkey.c_str(), L"Disable Hardware", 1);
  SetDword(subkey.c_str(), L"Width", 640);

  Start(L"saver.scr /t");
  ASSERT_FALSE(saver.InErrorMode()) << "error 0x" << std::hex << (unsigned)saver.ErrorCode();
  EXPECT_TRUE(saver.m_allScreensSame);
  ASSERT_NE(nullptr, saver.m_adapters[0]);
  EXPECT_EQ(primary, saver.m_adapters[0]->monitorIndex);
  EXPECT_TRUE(saver.m_adapters[0]->disableHardware);
  EXPECT_EQ(640u, saver.m_adapters[0]->savedWidth);
  EXPECT_EQ(std::wstring(L"Ondravel"), std::wstring(saver.WindowTitle()));
}

}  // namespace
