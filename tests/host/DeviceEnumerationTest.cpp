// Adapters, device types and display modes against a scripted Direct3D object, and
// the full-screen unit's choice and step-down of its display mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeDirect3D.h"
#include "SettingsKeyFixture.h"
#include "TestSavers.h"
#include "host/Settings.h"

namespace {

const HMONITOR kFakeMonitor = (HMONITOR)(intptr_t)0x5150;

D3DDISPLAYMODE Mode(UINT w, UINT h, UINT refresh = 60, D3DFORMAT f = D3DFMT_X8R8G8B8) {
  return D3DDISPLAYMODE{w, h, refresh, f};
}

std::string ModeList(const DS_DeviceInfo& device) {
  std::string s;
  for (UINT i = 0; i < device.modeCount; ++i) {
    if (!s.empty()) s += " ";
    s += std::to_string(device.modes[i].width) + "x" + std::to_string(device.modes[i].height);
  }
  return s;
}

class EnumerationTest : public SettingsKeyFixture {
protected:
  void SetUp() override {
    SettingsKeyFixture::SetUp();
    d3d.adapters.resize(1);
    d3d.adapters[0].monitor = kFakeMonitor;
    d3d.adapters[0].modes = {Mode(1024, 768, 60), Mode(800, 600), Mode(1024, 768, 75), Mode(640, 480),
                             Mode(640, 350), Mode(320, 200), Mode(1280, 1024)};
    saver.m_d3d.Set(&d3d);
    saver.m_useDepthBuffer = TRUE;
    saver.m_mode = kModeFullScreen;
    saver.m_monitorCount = 1;
    saver.m_monitors[0] = DS_MonitorInfo();
    saver.m_monitors[0].monitor = kFakeMonitor;
    saver.m_monitors[0].adapterIndex = -1;
  }
  void TearDown() override {
    saver.Cleanup3D();
    SettingsKeyFixture::TearDown();
  }
  const DS_AdapterInfo& Adapter() { return *saver.m_adapters[0]; }

  FakeDirect3D d3d;
  Exposed<CSceneScreensaver> saver;
};

TEST_F(EnumerationTest, ModesAreDeduplicatedFilteredAndSorted) {
  ASSERT_EQ(S_OK, saver.EnumerateDevices());
  ASSERT_EQ(1u, saver.m_adapterCount);
  EXPECT_EQ(0, saver.m_monitors[0].adapterIndex);
  EXPECT_EQ(0, Adapter().monitorIndex);
  ASSERT_EQ(1u, Adapter().deviceCount) << "HAL only: the fake has no software device";
  const DS_DeviceInfo& hal = Adapter().devices[0];
  EXPECT_EQ(D3DDEVTYPE_HAL, hal.deviceType);
  EXPECT_EQ("640x480 800x600 1024x768 1280x1024", ModeList(hal))
      << "refresh rates are ignored, modes under 640 x 400 dropped, sizes ascending";
  EXPECT_EQ(0u, hal.currentMode) << "the default current mode is the 640 x 480 one";
  EXPECT_TRUE(hal.windowedCapable);
  EXPECT_TRUE(Adapter().halPresent);
  EXPECT_TRUE(Adapter().halUsable);
  EXPECT_FALSE(Adapter().swPresent);
}

struct FlagsCase {
  DWORD devCaps;
  DWORD expectedFlags;
};

class BehaviorFlagsTable : public EnumerationTest, public ::testing::WithParamInterface<FlagsCase> {};

TEST_P(BehaviorFlagsTable, StrongestAcceptedVertexProcessing) {
  d3d.adapters[0].devCaps = GetParam().devCaps;
  ASSERT_EQ(S_OK, saver.EnumerateDevices());
  ASSERT_EQ(1u, Adapter().deviceCount);
  EXPECT_EQ(GetParam().expectedFlags, Adapter().devices[0].modes[0].behaviorFlags)
      << "caps 0x" << std::hex << GetParam().devCaps;
}

INSTANTIATE_TEST_SUITE_P(
    Caps, BehaviorFlagsTable,
    ::testing::Values(FlagsCase{D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE, 0x50},
                      FlagsCase{D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0x40}, FlagsCase{0, 0x20},
                      FlagsCase{D3DDEVCAPS_PUREDEVICE, 0x20}));

struct DepthCase {
  std::set<D3DFORMAT> formats;
  std::set<D3DFORMAT> matches;
  D3DFORMAT expected;  // D3DFMT_UNKNOWN: none found
};

class DepthTable : public EnumerationTest, public ::testing::WithParamInterface<DepthCase> {};

TEST_P(DepthTable, FirstCandidateThatFormatAndMatchAccept) {
  d3d.adapters[0].depthFormats = GetParam().formats;
  d3d.adapters[0].depthMatches = GetParam().matches;
  saver.EnumerateDevices();
  D3DFORMAT depth = D3DFMT_UNKNOWN;
  bool found = saver.ChooseDepthFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, &depth);
  EXPECT_EQ(GetParam().expected != D3DFMT_UNKNOWN, found);
  EXPECT_EQ(GetParam().expected, depth);
}

INSTANTIATE_TEST_SUITE_P(
    Candidates, DepthTable,
    ::testing::Values(
        DepthCase{{D3DFMT_D16, D3DFMT_D32}, {D3DFMT_D16, D3DFMT_D32}, D3DFMT_D16},
        DepthCase{{D3DFMT_D16, D3DFMT_D24X8}, {D3DFMT_D24X8}, D3DFMT_D24X8},
        // D15S1 has fewer depth bits than the saver's minimum of 16.
        DepthCase{{D3DFMT_D15S1, D3DFMT_D24S8}, {D3DFMT_D15S1, D3DFMT_D24S8}, D3DFMT_D24S8},
        DepthCase{{D3DFMT_D32}, {D3DFMT_D32}, D3DFMT_D32},
        DepthCase{{}, {}, D3DFMT_UNKNOWN}));

TEST_F(EnumerationTest, DeviceWithoutDepthFormatHasNoModes) {
  d3d.adapters[0].depthFormats.clear();
  saver.EnumerateDevices();
  EXPECT_EQ(0u, Adapter().deviceCount);
  EXPECT_TRUE(Adapter().halPresent);
  EXPECT_FALSE(Adapter().halUsable);
}

TEST_F(EnumerationTest, DeviceFailingTheSceneCapsIsPresentButNotUsable) {
  d3d.adapters[0].textureOpCaps = 0;
  saver.EnumerateDevices();
  EXPECT_EQ(0u, Adapter().deviceCount);
  EXPECT_TRUE(Adapter().halPresent);
  EXPECT_FALSE(Adapter().halUsable);
  UINT adapter = 99;
  EXPECT_FALSE(saver.FindPrimaryAdapter(&adapter));

  d3d.adapters[0].textureOpCaps = D3DTEXOPCAPS_BUMPENVMAP;
  d3d.adapters[0].v8u8 = false;
  saver.EnumerateDevices();
  EXPECT_EQ(0u, Adapter().deviceCount) << "V8U8 textures are required too";
}

TEST_F(EnumerationTest, SoftwareDeviceServesWhenThereIsNoHardware) {
  d3d.adapters[0].halType = false;
  d3d.adapters[0].swType = true;
  saver.EnumerateDevices();
  ASSERT_EQ(1u, Adapter().deviceCount);
  EXPECT_EQ(D3DDEVTYPE_SW, Adapter().devices[0].deviceType);
  EXPECT_TRUE(Adapter().swUsable);
  UINT adapter = 99;
  EXPECT_TRUE(saver.FindPrimaryAdapter(&adapter));
  EXPECT_EQ(0u, adapter);
}

TEST_F(EnumerationTest, HardwareUnitTakesTheDesktopSize) {
  saver.EnumerateDevices();
  ASSERT_TRUE(saver.AppendUnitForTest(0));
  ASSERT_EQ(S_OK, saver.CreateFullscreenUnit(saver.m_units[0]));
  ASSERT_EQ(1u, d3d.createCalls.size());
  EXPECT_EQ(1024u, d3d.createCalls[0].BackBufferWidth);
  EXPECT_EQ(768u, d3d.createCalls[0].BackBufferHeight);
  EXPECT_EQ(D3DFMT_X8R8G8B8, d3d.createCalls[0].BackBufferFormat);
  EXPECT_EQ(D3DFMT_D16, d3d.createCalls[0].AutoDepthStencilFormat);
  EXPECT_EQ((UINT)D3DPRESENT_INTERVAL_ONE, d3d.createCalls[0].PresentationInterval);
  EXPECT_FALSE(d3d.createCalls[0].Windowed);
  EXPECT_EQ(0x50u, d3d.createFlags[0]);
  HKEY key = OpenTestSubkey(L"Screen 1");
  EXPECT_EQ(nullptr, key) << "no step-down, nothing written";
  if (key) RegCloseKey(key);
}

TEST_F(EnumerationTest, StepDownSavesTheModeThatWorkedAndTheNextStartUsesIt) {
  // Only modes up to 800 x 600 can be made.
  d3d.createRule = [](const D3DPRESENT_PARAMETERS& pp) {
    return pp.BackBufferWidth * pp.BackBufferHeight <= 800u * 600u ? S_OK : D3DERR_NOTAVAILABLE;
  };
  saver.EnumerateDevices();
  ASSERT_TRUE(saver.AppendUnitForTest(0));
  ASSERT_EQ(S_OK, saver.CreateFullscreenUnit(saver.m_units[0]));
  std::string tried;
  for (const D3DPRESENT_PARAMETERS& pp : d3d.createCalls) {
    tried += (tried.empty() ? "" : " ") + std::to_string(pp.BackBufferWidth) + "x" +
             std::to_string(pp.BackBufferHeight);
  }
  EXPECT_EQ("1024x768 800x600", tried);

  HKEY key = OpenTestSubkey(L"Screen 1");
  ASSERT_NE(nullptr, key) << "the working mode is saved for monitor 1";
  DWORD width = 0, height = 0, format = 0;
  EXPECT_TRUE(ReadKeyDword(key, L"Width", width));
  EXPECT_TRUE(ReadKeyDword(key, L"Height", height));
  EXPECT_TRUE(ReadKeyDword(key, L"Format", format));
  GUID id = {};
  EXPECT_TRUE(ReadKeyBinary(key, L"Adapter ID", &id, sizeof(id)));
  RegCloseKey(key);
  EXPECT_EQ(800u, width);
  EXPECT_EQ(600u, height);
  EXPECT_EQ((DWORD)D3DFMT_X8R8G8B8, format);
  EXPECT_TRUE(IsEqualGUID(d3d.adapters[0].id, id));
  saver.Cleanup3D();

  // Next start: the saved mode is read and used at once.
  Exposed<CSceneScreensaver> next;
  SetSettingsKeyPath(TestKeyPath());
  FakeDirect3D d3d2;
  d3d2.adapters = d3d.adapters;
  d3d2.createRule = d3d.createRule;
  next.m_d3d.Set(&d3d2);
  next.m_useDepthBuffer = TRUE;
  next.m_mode = kModeFullScreen;
  next.m_monitorCount = 1;
  next.m_monitors[0].monitor = kFakeMonitor;
  next.m_monitors[0].adapterIndex = -1;
  next.EnumerateDevices();
  next.ReadSettings();
  ASSERT_TRUE(next.AppendUnitForTest(0));
  ASSERT_EQ(S_OK, next.CreateFullscreenUnit(next.m_units[0]));
  ASSERT_EQ(1u, d3d2.createCalls.size());
  EXPECT_EQ(800u, d3d2.createCalls[0].BackBufferWidth);
  next.Cleanup3D();
}

TEST_F(EnumerationTest, NoWorkingModeFailsWithTheLastCode) {
  d3d.createRule = [](const D3DPRESENT_PARAMETERS&) { return D3DERR_OUTOFVIDEOMEMORY; };
  saver.EnumerateDevices();
  ASSERT_TRUE(saver.AppendUnitForTest(0));
  EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY, saver.CreateFullscreenUnit(saver.m_units[0]));
  EXPECT_EQ(3u, d3d.createCalls.size()) << "1024x768, then every smaller mode once";
}

TEST_F(EnumerationTest, WindowedUnitUsesTheDesktopFormat) {
  saver.EnumerateDevices();
  saver.m_mode = kModeTestWindow;
  ASSERT_TRUE(saver.AppendUnitForTest(0));
  ASSERT_EQ(S_OK, saver.CreateWindowedUnit(saver.m_units[0]));
  ASSERT_EQ(1u, d3d.createCalls.size());
  const D3DPRESENT_PARAMETERS& pp = d3d.createCalls[0];
  EXPECT_TRUE(pp.Windowed);
  EXPECT_EQ(0u, pp.BackBufferWidth);
  EXPECT_EQ(D3DFMT_X8R8G8B8, pp.BackBufferFormat);
  EXPECT_EQ(D3DSWAPEFFECT_COPY, pp.SwapEffect);
  EXPECT_EQ((UINT)D3DPRESENT_INTERVAL_DEFAULT, pp.PresentationInterval);
}

struct StepCase {
  const char* name;
  std::vector<DS_ModeInfo> modes;
  UINT from;
  int expected;  // -1: no smaller mode
};

class StepDownTable : public ::testing::TestWithParam<StepCase> {};

TEST_P(StepDownTable, NextModeToTry) {
  const StepCase& c = GetParam();
  static DS_DeviceInfo device;
  device = DS_DeviceInfo();
  device.modeCount = (UINT)c.modes.size();
  for (size_t i = 0; i < c.modes.size(); ++i) device.modes[i] = c.modes[i];
  device.currentMode = c.from;
  bool moved = StepDownMode(device);
  EXPECT_EQ(c.expected >= 0, moved) << c.name;
  EXPECT_EQ(c.expected >= 0 ? (UINT)c.expected : c.from, device.currentMode) << c.name;
}

DS_ModeInfo M(UINT w, UINT h, D3DFORMAT f) { return DS_ModeInfo{w, h, f, 0, D3DFMT_UNKNOWN}; }

INSTANTIATE_TEST_SUITE_P(
    Sequences, StepDownTable,
    ::testing::Values(
        StepCase{"32-bit steps to 16-bit of the same size",
                 {M(640, 480, D3DFMT_X8R8G8B8), M(1024, 768, D3DFMT_X8R8G8B8), M(1024, 768, D3DFMT_R5G6B5)}, 1, 2},
        StepCase{"16-bit steps to the largest smaller area",
                 {M(640, 480, D3DFMT_X8R8G8B8), M(800, 600, D3DFMT_R5G6B5), M(1024, 768, D3DFMT_R5G6B5)}, 2, 1},
        StepCase{"equal areas: a later 32-bit mode wins",
                 {M(800, 600, D3DFMT_R5G6B5), M(800, 600, D3DFMT_X8R8G8B8), M(1024, 768, D3DFMT_R5G6B5)}, 2, 1},
        StepCase{"equal areas: the first 32-bit mode stays",
                 {M(800, 600, D3DFMT_X8R8G8B8), M(800, 600, D3DFMT_A8R8G8B8), M(1024, 768, D3DFMT_R5G6B5)}, 2, 0},
        StepCase{"smallest mode has nowhere to go", {M(640, 480, D3DFMT_R5G6B5), M(800, 600, D3DFMT_R5G6B5)}, 0, -1},
        StepCase{"current index out of range", {M(640, 480, D3DFMT_R5G6B5)}, 7, -1}));

}  // namespace
