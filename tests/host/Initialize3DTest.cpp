// Making the render units of a full-screen start: one per monitor that has an adapter
// and is not left black, with the monitor's saved or automatic display mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeDirect3D.h"
#include "SettingsKeyFixture.h"
#include "TestSavers.h"
#include "host/ErrorCodes.h"

namespace {

D3DDISPLAYMODE Mode(UINT w, UINT h) { return D3DDISPLAYMODE{w, h, 60, D3DFMT_X8R8G8B8}; }

class HookSaver : public RecordingSaver {
public:
  HRESULT OnDeviceCreated() override { return Note("created", createdResult); }
  HRESULT createdResult = S_OK;
};

class Initialize3DTest : public SettingsKeyFixture {
protected:
  void SetUp() override {
    SettingsKeyFixture::SetUp();
    d3d.adapters.resize(2);
    for (int a = 0; a < 2; ++a) {
      d3d.adapters[a].monitor = (HMONITOR)(intptr_t)(0x7100 + a);
      d3d.adapters[a].modes = {Mode(640, 480), Mode(800, 600), Mode(1024, 768)};
      d3d.adapters[a].id.Data1 = 0xA0 + a;
      saver.m_monitors[a] = DS_MonitorInfo();
      saver.m_monitors[a].monitor = d3d.adapters[a].monitor;
      saver.m_monitors[a].adapterIndex = -1;
    }
    saver.log = &log;
    saver.m_monitorCount = 2;
    saver.m_d3d.Set(&d3d);
    saver.m_useDepthBuffer = TRUE;
    saver.m_mode = kModeFullScreen;
  }
  void Start() {
    ASSERT_EQ(S_OK, saver.EnumerateDevices());
    saver.LoadScreenSettingsForTest();
  }
  void TearDown() override {
    saver.Cleanup3D();
    SettingsKeyFixture::TearDown();
  }
  std::string Log() const {
    std::string s;
    for (const std::string& item : log) s += (s.empty() ? "" : " ") + item;
    return s;
  }

  FakeDirect3D d3d;
  HookSaver saver;
  std::vector<std::string> log;
};

TEST_F(Initialize3DTest, OneUnitPerMonitorWithItsHooks) {
  Start();
  saver.Initialize3D();
  EXPECT_FALSE(saver.InErrorMode());
  ASSERT_EQ(2u, saver.RenderUnitCount());
  EXPECT_EQ(0u, saver.m_units[0].monitorIndex);
  EXPECT_EQ(1u, saver.m_units[1].monitorIndex);
  EXPECT_TRUE(saver.m_units[1].initialised);
  EXPECT_TRUE(saver.m_units[1].restored);
  EXPECT_EQ("created restored created restored", Log());
}

TEST_F(Initialize3DTest, LeaveBlackMonitorGetsNoUnit) {
  SetDword(L"Screen 2", L"Leave Black", 1);
  Start();
  saver.Initialize3D();
  EXPECT_FALSE(saver.InErrorMode());
  ASSERT_EQ(1u, saver.RenderUnitCount());
  EXPECT_EQ(0u, saver.m_units[0].adapterIndex);
}

TEST_F(Initialize3DTest, DisabledHardwareWithoutSoftwareLeavesTheMonitorBlack) {
  SetDword(L"Screen 1", L"Disable Hardware", 1);
  Start();
  saver.Initialize3D();
  EXPECT_FALSE(saver.InErrorMode());
  ASSERT_EQ(1u, saver.RenderUnitCount());
  EXPECT_EQ(1u, saver.m_units[0].adapterIndex);
  EXPECT_TRUE(saver.m_adapters[0]->leaveBlack);
}

TEST_F(Initialize3DTest, FailedUnitIsRemovedAndLaterMonitorsAreStillTried) {
  d3d.failingAdapters = {0};
  Start();
  saver.Initialize3D();
  EXPECT_TRUE(saver.InErrorMode());
  EXPECT_EQ(DS_E_CREATEDEVICEFAILED, saver.ErrorCode());
  ASSERT_EQ(1u, saver.RenderUnitCount());
  EXPECT_EQ(1u, saver.m_units[0].adapterIndex);
  EXPECT_EQ("", Log()) << "in error mode no device hook runs";
  saver.MoveErrorBox();
  EXPECT_EQ(0u, saver.RenderUnitCount()) << "the first error frame releases the devices";
  EXPECT_EQ(1u, d3d.device.RefCount());
}

TEST_F(Initialize3DTest, FailedDeviceHookSetsItsCode) {
  saver.createdResult = E_FAIL;
  Start();
  saver.Initialize3D();
  EXPECT_TRUE(saver.InErrorMode());
  EXPECT_EQ(DS_E_DEVICEHOOKFAILED, saver.ErrorCode());
  EXPECT_EQ("created created", Log()) << "a failed hook does not stop the loop";
  EXPECT_FALSE(saver.m_units[0].initialised);
}

TEST_F(Initialize3DTest, SavedModeIsUsedAndAMissingOneFallsBackToTheDesktopSize) {
  SetDword(L"Screen 1", L"Width", 800);
  SetDword(L"Screen 1", L"Height", 600);
  SetDword(L"Screen 1", L"Format", D3DFMT_X8R8G8B8);
  SetDword(L"Screen 2", L"Width", 1600);
  SetDword(L"Screen 2", L"Height", 1200);
  SetDword(L"Screen 2", L"Format", D3DFMT_X8R8G8B8);
  Start();
  saver.Initialize3D();
  ASSERT_EQ(2u, d3d.createCalls.size());
  EXPECT_EQ(800u, d3d.createCalls[0].BackBufferWidth);
  EXPECT_EQ(1024u, d3d.createCalls[1].BackBufferWidth);
  EXPECT_EQ(768u, d3d.createCalls[1].BackBufferHeight);
}

TEST_F(Initialize3DTest, SoftwareDeviceTakesTheLowestHeightButNot400Lines) {
  for (FakeAdapter& a : d3d.adapters) {
    a.halType = false;
    a.swType = true;
    a.modes = {Mode(720, 400), Mode(800, 600), Mode(640, 480), Mode(1024, 768)};
  }
  Start();
  saver.Initialize3D();
  ASSERT_EQ(2u, d3d.createCalls.size());
  EXPECT_EQ(640u, d3d.createCalls[0].BackBufferWidth);
  EXPECT_EQ(480u, d3d.createCalls[0].BackBufferHeight);
}

}  // namespace
