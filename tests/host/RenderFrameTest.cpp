// The frame over the render units: device loss, reset and release.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <limits>
#include <string>
#include <vector>

#include "FakeDevice9Base.h"
#include "FakeDirect3D.h"
#include "TestSavers.h"
#include "host/ErrorCodes.h"

namespace {

// A device whose cooperative level follows a script and which logs resets and presents.
class ScriptedDevice : public FakeDevice9Base {
public:
  HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override {
    if (levels.empty()) return D3D_OK;
    HRESULT hr = levels.front();
    levels.pop_front();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS*) override {
    log->push_back("reset");
    return resetResult;
  }
  HRESULT STDMETHODCALLTYPE Present(const RECT*, const RECT*, HWND, const RGNDATA*) override {
    log->push_back("present");
    return D3D_OK;
  }

  std::deque<HRESULT> levels;
  HRESULT resetResult = D3D_OK;
  std::vector<std::string>* log = nullptr;
};

std::string Join(const std::vector<std::string>& items) {
  std::string s;
  for (const std::string& item : items) s += (s.empty() ? "" : " ") + item;
  return s;
}

class RenderFrameTest : public ::testing::Test {
protected:
  void AddUnit(ScriptedDevice& device) {
    device.log = &log;
    DS_RenderUnit& unit = saver.m_units[saver.m_unitCount++];
    unit.device.Set(&device);
    unit.initialised = TRUE;
    unit.restored = TRUE;
  }
  void SetUp() override {
    saver.log = &log;
    saver.m_d3d.Set(&d3d);
    d3d.adapters.resize(1);
  }

  FakeDirect3D d3d;
  RecordingSaver saver;
  std::vector<std::string> log;
};

struct FrameCase {
  const char* name;
  std::vector<HRESULT> levels;
  HRESULT resetResult;
  const char* expectedLog;
  bool errorMode;
};

class RenderFrameTable : public RenderFrameTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(RenderFrameTable, FollowsTheDeviceState) {
  const FrameCase& c = GetParam();
  ScriptedDevice device;
  device.levels.assign(c.levels.begin(), c.levels.end());
  device.resetResult = c.resetResult;
  AddUnit(device);
  saver.RenderFrame();
  EXPECT_EQ(std::string(c.expectedLog), Join(log)) << c.name;
  EXPECT_EQ(c.errorMode, saver.InErrorMode()) << c.name;
  saver.Cleanup3D();
}

INSTANTIATE_TEST_SUITE_P(
    DeviceStates, RenderFrameTable,
    ::testing::Values(
        FrameCase{"ready", {D3D_OK}, D3D_OK, "render present", false},
        FrameCase{"lost: the frame is abandoned", {D3DERR_DEVICELOST}, D3D_OK, "", false},
        FrameCase{"not reset: lost hook, reset, restored hook", {D3DERR_DEVICENOTRESET}, D3D_OK,
                  "lost reset restored render present", false},
        FrameCase{"reset fails: error mode, nothing drawn", {D3DERR_DEVICENOTRESET}, D3DERR_INVALIDCALL,
                  "lost reset", true}));

TEST_F(RenderFrameTest, FailedResetReportsTheResetMessage) {
  ScriptedDevice device;
  device.levels = {D3DERR_DEVICENOTRESET};
  device.resetResult = D3DERR_DEVICELOST;
  AddUnit(device);
  saver.RenderFrame();
  EXPECT_TRUE(saver.InErrorMode());
  EXPECT_EQ(DS_E_RESETFAILED, saver.ErrorCode()) << "got 0x" << std::hex << (unsigned)saver.ErrorCode();
  saver.Cleanup3D();
}

TEST_F(RenderFrameTest, OneLostDeviceStopsEveryPresent) {
  ScriptedDevice first, second;
  second.levels = {D3DERR_DEVICELOST, D3D_OK};
  AddUnit(first);
  AddUnit(second);
  saver.RenderFrame();
  EXPECT_EQ("render", Join(log)) << "nothing may be presented in a frame with a lost device";
  log.clear();
  saver.RenderFrame();
  EXPECT_EQ("render render present present", Join(log));
  saver.Cleanup3D();
}

TEST_F(RenderFrameTest, UnitStaysDownAfterAFailedRestoreHook) {
  ScriptedDevice device;
  device.levels = {D3DERR_DEVICENOTRESET, D3DERR_DEVICENOTRESET};
  AddUnit(device);
  saver.restoredResult = E_FAIL;
  saver.RenderFrame();
  EXPECT_TRUE(saver.InErrorMode());
  EXPECT_FALSE(saver.m_units[0].restored);
  log.clear();
  saver.Cleanup3D();
  EXPECT_EQ("destroyed", Join(log)) << "a unit that was not restored gets no lost hook";
}

TEST_F(RenderFrameTest, DevicesAndDirect3DAreReleasedExactlyOnce) {
  ScriptedDevice device;
  AddUnit(device);
  ASSERT_EQ(2u, device.RefCount());
  ASSERT_EQ(2u, d3d.refs);
  saver.Cleanup3D();
  EXPECT_EQ("lost destroyed", Join(log));
  EXPECT_EQ(1u, device.RefCount());
  EXPECT_EQ(1u, d3d.refs);
  EXPECT_EQ(0u, saver.RenderUnitCount());
  saver.Cleanup3D();
  saver.EndSaver();
  saver.EndSaver();
  EXPECT_EQ(1u, device.RefCount());
  EXPECT_EQ(1u, d3d.refs);
  EXPECT_EQ(1, saver.shutdowns);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

}  // namespace

// ---- pacing: a moving picture by the clock, a still one drawn once ----

namespace {

// A performance counter at 1 MHz that the test moves on by hand.
class ManualTime : public DS_TimeSource {
public:
  bool Frequency(LONGLONG& perSecond) override {
    perSecond = 1000000;
    return true;
  }
  LONGLONG Counter() override { return counter; }
  DWORD Milliseconds() override { return DWORD(counter / 1000); }

  LONGLONG counter = 0;
};

// A scene that stands still from `stillFrom` on, until `stillUntil`.
class PacedSaver : public RecordingSaver {
public:
  float StillUntil() override { return AppTime() >= stillFrom ? stillUntil : AppTime(); }

  float stillFrom = std::numeric_limits<float>::infinity();
  float stillUntil = std::numeric_limits<float>::infinity();
};

class FramePacingTest : public ::testing::Test {
protected:
  void SetUp() override {
    saver.log = &log;
    saver.m_d3d.Set(&d3d);
    d3d.adapters.resize(1);
    device.log = &log;
    DS_RenderUnit& unit = saver.m_units[saver.m_unitCount++];
    unit.device.Set(&device);
    unit.initialised = TRUE;
    unit.restored = TRUE;
    saver.SetTimeSource(&time);
    saver.StartClockForTest();
  }
  void TearDown() override { saver.Cleanup3D(); }

  // Turns of the message loop every 10 ms for `seconds`; the frames presented.
  int Run(float seconds) {
    log.clear();
    for (int i = 0; i < int(seconds * 100.0f + 0.5f); ++i) {
      saver.StepFrame();
      time.counter += 10000;
    }
    int presents = 0;
    for (const std::string& entry : log) presents += entry == "present";
    return presents;
  }

  FakeDirect3D d3d;
  ScriptedDevice device;
  PacedSaver saver;
  ManualTime time;
  std::vector<std::string> log;
};

TEST_F(FramePacingTest, AMovingPictureIsDrawnEveryThirtyMilliseconds) {
  const int frames = Run(10.0f);
  // Every third 10 ms turn, by the clock.
  EXPECT_GE(frames, 10000 / 30 - 1);
  EXPECT_LE(frames, 10000 / 30 + 1);
}

TEST_F(FramePacingTest, AStillPictureIsDrawnOnceAndAgainOnlyWhenItChanges) {
  saver.stillFrom = 0.0f;
  EXPECT_EQ(1, Run(10.0f)) << "a picture that never changes by itself";

  saver.RequestRedraw();
  EXPECT_EQ(1, Run(10.0f)) << "a paint draws it once more";

  // Still for five seconds more, then moving again.
  saver.stillUntil = float(time.counter) / 1e6f + 5.0f;
  saver.stillFrom = 0.0f;
  saver.RequestRedraw();
  Run(0.01f);
  saver.stillFrom = std::numeric_limits<float>::infinity();
  const int frames = Run(10.0f);
  EXPECT_GE(frames, 5000 / 30 - 1) << "moving again once the still time is over";
  EXPECT_LE(frames, 5000 / 30 + 2);
}

TEST_F(FramePacingTest, AStillPictureStillNoticesALostDevice) {
  saver.stillFrom = 0.0f;
  Run(0.1f);
  // Lost for a while, then ready to be reset: the frame after the reset draws again.
  device.levels = {D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET};
  Run(3.0f);
  EXPECT_NE(std::find(log.begin(), log.end(), "reset"), log.end()) << Join(log);
  EXPECT_EQ("present", log.back()) << Join(log);
}

}  // namespace
