// Error codes become the saver's messages; the error box drifts and bounces.
#include <gtest/gtest.h>

#include <string>

#include "TestSavers.h"
#include "host/ErrorBox.h"
#include "host/ErrorCodes.h"

namespace {

struct MessageCase {
  HRESULT code;
  const wchar_t* text;
  bool own;  // GetErrorText reports a message of its own
};

class ErrorTextTable : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ErrorTextTable, CodeGivesItsMessage) {
  const MessageCase& c = GetParam();
  Exposed<CScreensaverFramework> saver;
  wchar_t buffer[400];
  bool own = saver.GetErrorText(c.code, buffer, 400);
  EXPECT_EQ(std::wstring(c.text), std::wstring(buffer)) << "code 0x" << std::hex << (unsigned)c.code;
  EXPECT_EQ(c.own, own) << "code 0x" << std::hex << (unsigned)c.code;
}

const wchar_t* const kGeneric = L"There was an unspecified problem with this screen saver.";

INSTANTIATE_TEST_SUITE_P(
    Codes, ErrorTextTable,
    ::testing::Values(
        MessageCase{E_FAIL, kGeneric, false},
        MessageCase{(HRESULT)0x82000001,
                    L"Direct3D 8.0 could not be initialized.  Please install the latest version of DirectX.", true},
        MessageCase{(HRESULT)0x82000007, L"Could not initialize the screen saver.", true},
        MessageCase{(HRESULT)0x8200000E, L"Could not create the Direct3D device.", true},
        MessageCase{(HRESULT)0x82000003, L"Could not find any compatible Direct3D devices.", true},
        MessageCase{(HRESULT)0x82000005, L"No hardware-accelerated Direct3D devices were found.", true},
        MessageCase{(HRESULT)0x82000006,
                    L"This screen saver requires functionality that is not available on your Direct3D "
                    L"hardware accelerator.",
                    true},
        MessageCase{(HRESULT)0x82000009,
                    L"This screen saver requires functionality that is not available on your Direct3D "
                    L"hardware accelerator with the current desktop display settings.",
                    true},
        MessageCase{(HRESULT)0x8200000B, L"Could not load required media.", true},
        MessageCase{(HRESULT)0x8200000C, L"Could not reset the Direct3D device.", true},
        MessageCase{E_OUTOFMEMORY, L"Not enough memory.", true},
        MessageCase{D3DERR_OUTOFVIDEOMEMORY, L"Not enough video memory.", true},
        MessageCase{(HRESULT)0x8200000F, L"No preview available", true},
        MessageCase{(HRESULT)0x8200000D, kGeneric, false},
        MessageCase{(HRESULT)0x88760868, kGeneric, false}));

TEST(ErrorText, CapacityBoundsTheCopy) {
  Exposed<CScreensaverFramework> saver;
  wchar_t buffer[8];
  saver.GetErrorText(DS_E_RESETFAILED, buffer, 8);
  EXPECT_EQ(std::wstring(L"Could n"), std::wstring(buffer));
}

TEST(ErrorBox, StartsInTheCentreOfAFullHdMonitor) {
  DS_ErrorBox box = {};
  PlaceErrorBox(box, RECT{0, 0, 1920, 1080}, false);
  EXPECT_FLOAT_EQ(810.0f, box.x);
  EXPECT_FLOAT_EQ(465.0f, box.y);
  EXPECT_FLOAT_EQ(300.0f, box.width);
  EXPECT_FLOAT_EQ(150.0f, box.height);
  EXPECT_FLOAT_EQ(192.0f, box.xSpeed);
  EXPECT_FLOAT_EQ(54.0f, box.ySpeed);
}

TEST(ErrorBox, ReversesWhenItsRightEdgeWouldPassTheMonitor) {
  const RECT area = {0, 0, 1920, 1080};
  DS_ErrorBox box = {};
  PlaceErrorBox(box, area, false);
  RECT before, after;
  StepErrorBox(box, area, 2.0f, before, after);
  EXPECT_FLOAT_EQ(810.0f + 384.0f, box.x);
  EXPECT_EQ(810, before.left);
  EXPECT_EQ(1194, after.left);
  // 1194 + 384 + 300 = 1878 still fits; the next step would reach 2262.
  StepErrorBox(box, area, 2.0f, before, after);
  EXPECT_FLOAT_EQ(192.0f, box.xSpeed);
  StepErrorBox(box, area, 2.0f, before, after);
  EXPECT_FLOAT_EQ(-192.0f, box.xSpeed) << "the box must turn back at the right edge";
  EXPECT_FLOAT_EQ(1578.0f - 384.0f, box.x);
  EXPECT_LE(box.x + box.width, 1920.0f);
}

TEST(ErrorBox, PreviewFillsTheWindowAndStaysStill) {
  DS_ErrorBox box = {};
  PlaceErrorBox(box, RECT{0, 0, 152, 112}, true);
  EXPECT_FLOAT_EQ(0.0f, box.x);
  EXPECT_FLOAT_EQ(0.0f, box.y);
  EXPECT_FLOAT_EQ(152.0f, box.width);
  EXPECT_FLOAT_EQ(112.0f, box.height);
  EXPECT_FLOAT_EQ(0.0f, box.xSpeed);
  EXPECT_FLOAT_EQ(0.0f, box.ySpeed);
}

class SteppedClock : public DS_TimeSource {
public:
  bool Frequency(LONGLONG&) override { return false; }
  DWORD Milliseconds() override { return now; }
  DWORD now = 100000;
};

TEST(ErrorBox, MovesEveryWindowsBoxByTheClocksStep) {
  HWND first = CreateWindowW(L"STATIC", L"a", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  HWND second = CreateWindowW(L"STATIC", L"b", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  SteppedClock clock;
  Exposed<CScreensaverFramework> saver;
  saver.SetTimeSource(&clock);
  saver.m_mode = kModeTestWindow;
  saver.m_errorMode = TRUE;
  saver.m_errorCode = DS_E_NOPREVIEW;
  saver.m_renderTotal = RECT{0, 0, 600, 400};
  saver.m_monitorCount = 2;
  saver.m_monitors[0].window = first;
  saver.m_monitors[1].window = second;

  saver.MoveErrorBox();  // places both boxes; the first step is 0 s
  EXPECT_FLOAT_EQ(150.0f, saver.m_monitors[0].box.x);
  clock.now += 500;
  saver.MoveErrorBox();
  EXPECT_FLOAT_EQ(150.0f + 30.0f, saver.m_monitors[0].box.x) << "600 px / 10 s for 0.5 s";
  EXPECT_FLOAT_EQ(125.0f + 10.0f, saver.m_monitors[0].box.y) << "400 px / 20 s for 0.5 s";
  EXPECT_FLOAT_EQ(saver.m_monitors[0].box.x, saver.m_monitors[1].box.x);
  DestroyWindow(first);
  DestroyWindow(second);
}

}  // namespace
