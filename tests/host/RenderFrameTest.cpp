// The frame over the render units: device loss, reset and release.
#include <gtest/gtest.h>

#include <deque>
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
