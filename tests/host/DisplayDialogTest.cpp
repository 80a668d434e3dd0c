// The display settings dialogs over a scripted enumeration: the page of each monitor,
// the mode list, the edits they make in the adapter records, and Cancel undoing them.
#include "DialogFixture.h"

#include "host/DisplaySettingsDialog.h"
#include "resources/ResourceIds.h"

namespace {

class DisplayDialogTest : public DialogFixture {
protected:
  HWND OpenSingle() { return Open(IDD_DISPLAY_SINGLE, DisplaySettingsDialogProc); }
  HWND OpenMultiple() { return Open(IDD_DISPLAY_MULTIPLE, DisplaySettingsDialogProc); }

  std::vector<LPARAM> ModeData(HWND dialog) {
    std::vector<LPARAM> data;
    const int count = (int)SendDlgItemMessageW(dialog, IDC_MODE_LIST, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) data.push_back(SendDlgItemMessageW(dialog, IDC_MODE_LIST, CB_GETITEMDATA, i, 0));
    return data;
  }
  std::wstring TabCaption(HWND dialog, int index) {
    wchar_t text[64] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendDlgItemMessageW(dialog, IDC_MONITOR_TABS, TCM_GETITEMW, index, (LPARAM)&item);
    return text;
  }
  // The user selects another monitor's tab.
  void SwitchTab(HWND dialog, int index) {
    HWND tabs = GetDlgItem(dialog, IDC_MONITOR_TABS);
    SendMessageW(tabs, TCM_SETCURFOCUS, index, 0);
    NMHDR header = {tabs, IDC_MONITOR_TABS, (UINT)TCN_SELCHANGE};
    SendMessageW(dialog, WM_NOTIFY, IDC_MONITOR_TABS, (LPARAM)&header);
  }
  void ExpectModeControlsEnabled(HWND dialog, bool enabled, const char* what) {
    for (int id : {IDC_MODE_GROUP, IDC_MODE_LABEL, IDC_MODE_LIST, IDC_MODE_NOTE}) {
      EXPECT_EQ(enabled, Enabled(dialog, id)) << what << ": control " << id;
    }
  }
};

class SingleAdapterTest : public DisplayDialogTest {
protected:
  void SetUp() override {
    DisplayDialogTest::SetUp();
    AddAdapters(1);
    d3d.adapters[0].modes = {Mode(1024, 768), Mode(800, 600), Mode(640, 480), Mode(800, 600, D3DFMT_R5G6B5)};
    Enumerate();
  }
};

TEST_F(SingleAdapterTest, ModeListHoldsAutomaticAndTheDevicesModes) {
  HWND dialog = OpenSingle();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ((std::vector<std::wstring>{L"Automatic", L"640 by 480, 32 bit color", L"800 by 600, 16 bit color",
                                       L"800 by 600, 32 bit color", L"1024 by 768, 32 bit color"}),
            ComboTexts(dialog, IDC_MODE_LIST));
  EXPECT_EQ((std::vector<LPARAM>{-1, 0, 1, 2, 3}), ModeData(dialog));
  EXPECT_EQ(0, ComboSelection(dialog, IDC_MODE_LIST)) << "nothing saved: Automatic";
  EXPECT_EQ(L"Test Adapter 1", ItemText(dialog, IDC_ADAPTER_NAME));
  EXPECT_EQ(ProgramText(IDS_RENDERING_HARDWARE), ItemText(dialog, IDC_RENDERING_TEXT));
}

struct SavedModeCase {
  const char* name;
  UINT width, height, format;
  int selected;
};

class SavedModeTable : public SingleAdapterTest, public ::testing::WithParamInterface<SavedModeCase> {};

TEST_P(SavedModeTable, TheSavedModeIsSelected) {
  const SavedModeCase& c = GetParam();
  Adapter(0).savedWidth = c.width;
  Adapter(0).savedHeight = c.height;
  Adapter(0).savedFormat = c.format;
  HWND dialog = OpenSingle();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(c.selected, ComboSelection(dialog, IDC_MODE_LIST)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Values, SavedModeTable,
    ::testing::Values(SavedModeCase{"800 x 600, 32 bit", 800, 600, D3DFMT_X8R8G8B8, 3},
                      SavedModeCase{"800 x 600, 16 bit", 800, 600, D3DFMT_R5G6B5, 2},
                      SavedModeCase{"another format", 800, 600, D3DFMT_A8R8G8B8, 0},
                      SavedModeCase{"a mode the adapter lacks", 1024, 768, D3DFMT_R5G6B5, 0}));

TEST_F(SingleAdapterTest, PickingAModeSavesItAndAutomaticClearsIt) {
  HWND dialog = OpenSingle();
  ASSERT_NE(nullptr, dialog);
  PickComboItem(dialog, IDC_MODE_LIST, 2);
  EXPECT_EQ(800u, Adapter(0).savedWidth);
  EXPECT_EQ(600u, Adapter(0).savedHeight);
  EXPECT_EQ((UINT)D3DFMT_R5G6B5, Adapter(0).savedFormat);
  PickComboItem(dialog, IDC_MODE_LIST, 0);
  EXPECT_EQ(0u, Adapter(0).savedWidth);
  EXPECT_EQ(0u, Adapter(0).savedHeight);
  EXPECT_EQ(0u, Adapter(0).savedFormat);
}

// The list is a window any program can send messages to: item data that names no mode
// of the device must not index the mode table.
TEST_F(SingleAdapterTest, ItemDataNamingNoModeIsIgnored) {
  HWND dialog = OpenSingle();
  ASSERT_NE(nullptr, dialog);
  for (LPARAM data : {(LPARAM)4, (LPARAM)5000, (LPARAM)-7}) {
    SendDlgItemMessageW(dialog, IDC_MODE_LIST, CB_SETITEMDATA, 1, data);
    PickComboItem(dialog, IDC_MODE_LIST, 1);
    EXPECT_EQ(0u, Adapter(0).savedWidth) << "item data " << data;
    EXPECT_EQ(0u, Adapter(0).savedFormat) << "item data " << data;
  }
  SendDlgItemMessageW(dialog, IDC_MODE_LIST, CB_SETCURSEL, (WPARAM)-1, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_MODE_LIST, CBN_SELCHANGE), 0);
  EXPECT_EQ(0u, Adapter(0).savedWidth);
}

TEST_F(SingleAdapterTest, CancelRestoresTheAdapterAndOkKeepsTheEdits) {
  HWND dialog = OpenSingle();
  ASSERT_NE(nullptr, dialog);
  PickComboItem(dialog, IDC_MODE_LIST, 4);
  ClickCheckBox(dialog, IDC_DISABLE_HARDWARE, true);
  ASSERT_TRUE(Adapter(0).disableHardware);
  Press(dialog, IDCANCEL);
  EXPECT_FALSE(Adapter(0).disableHardware);
  EXPECT_EQ(0u, Adapter(0).savedWidth);

  dialog = OpenSingle();
  ASSERT_NE(nullptr, dialog);
  PickComboItem(dialog, IDC_MODE_LIST, 4);
  Press(dialog, IDOK);
  EXPECT_EQ(1024u, Adapter(0).savedWidth);
  EXPECT_FALSE(HasValue(L"Screen 1", L"Width")) << "the display dialog writes nothing itself";
}

TEST_F(SingleAdapterTest, HelpShowsTheAdaptersTextCaptionedWithItsName) {
  HWND dialog = OpenSingle();
  ASSERT_NE(nullptr, dialog);
  std::wstring caption;
  bool textShown = false;
  const std::wstring expected = ProgramText(2200);
  DialogDriver driver({[&](HWND box) {
    wchar_t text[256] = {};
    GetWindowTextW(box, text, 256);
    caption = text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t childText[1024] = {};
      GetWindowTextW(child, childText, 1024);
      if (expected == childText) textShown = true;
    }
    PostCommand(box, IDOK);
  }});
  Press(dialog, IDC_DISPLAY_HELP);
  ASSERT_EQ(1u, driver.Opened());
  EXPECT_EQ(L"Test Adapter 1", caption);
  EXPECT_TRUE(textShown) << "expected the text of string 2200: " << Narrow(expected);
}

class TwoMonitorTest : public DisplayDialogTest {
protected:
  void SetUp() override {
    DisplayDialogTest::SetUp();
    AddAdapters(2);
  }
};

TEST_F(TwoMonitorTest, OneTabPerMonitorAndEachTabShowsItsOwnAdapter) {
  d3d.adapters[1].modes = {Mode(1280, 1024)};
  Enumerate();
  HWND dialog = OpenMultiple();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(2, (int)SendDlgItemMessageW(dialog, IDC_MONITOR_TABS, TCM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(L"Monitor 1", TabCaption(dialog, 0));
  EXPECT_EQ(L"Monitor 2", TabCaption(dialog, 1));
  EXPECT_EQ(L"Test Adapter 1", ItemText(dialog, IDC_ADAPTER_NAME));
  EXPECT_EQ(4u, ComboTexts(dialog, IDC_MODE_LIST).size());
  SwitchTab(dialog, 1);
  EXPECT_EQ(L"Test Adapter 2", ItemText(dialog, IDC_ADAPTER_NAME));
  EXPECT_EQ((std::vector<std::wstring>{L"Automatic", L"1280 by 1024, 32 bit color"}), ComboTexts(dialog, IDC_MODE_LIST));
}

TEST_F(TwoMonitorTest, EditsStayAcrossTabsAndCancelUndoesThemAll) {
  Enumerate();
  saver.m_allScreensSame = FALSE;
  HWND dialog = OpenMultiple();
  ASSERT_NE(nullptr, dialog);
  EXPECT_FALSE(Checked(dialog, IDC_ALL_SCREENS_SAME));
  PickComboItem(dialog, IDC_MODE_LIST, 2);  // 800 x 600 on monitor 1
  SwitchTab(dialog, 1);
  EXPECT_EQ(0, ComboSelection(dialog, IDC_MODE_LIST)) << "monitor 2 keeps its own mode";
  ClickRadio(dialog, IDC_SHOW_ON_MONITOR, IDC_LEAVE_BLACK, IDC_LEAVE_BLACK);
  ClickCheckBox(dialog, IDC_ALL_SCREENS_SAME, true);
  SwitchTab(dialog, 0);
  EXPECT_EQ(2, ComboSelection(dialog, IDC_MODE_LIST));
  EXPECT_TRUE(Checked(dialog, IDC_SHOW_ON_MONITOR));
  SwitchTab(dialog, 1);
  EXPECT_TRUE(Checked(dialog, IDC_LEAVE_BLACK));
  ASSERT_EQ(800u, Adapter(0).savedWidth);
  ASSERT_TRUE(Adapter(1).leaveBlack);
  ASSERT_TRUE(saver.m_allScreensSame);

  Press(dialog, IDCANCEL);
  EXPECT_EQ(0u, Adapter(0).savedWidth);
  EXPECT_FALSE(Adapter(1).leaveBlack);
  EXPECT_FALSE(saver.m_allScreensSame);
}

TEST_F(TwoMonitorTest, LeaveBlackDisablesTheModeControls) {
  Enumerate();
  HWND dialog = OpenMultiple();
  ASSERT_NE(nullptr, dialog);
  ExpectModeControlsEnabled(dialog, true, "shown");
  ClickRadio(dialog, IDC_SHOW_ON_MONITOR, IDC_LEAVE_BLACK, IDC_LEAVE_BLACK);
  EXPECT_TRUE(Adapter(0).leaveBlack);
  ExpectModeControlsEnabled(dialog, false, "left black");
  ClickRadio(dialog, IDC_SHOW_ON_MONITOR, IDC_LEAVE_BLACK, IDC_SHOW_ON_MONITOR);
  EXPECT_FALSE(Adapter(0).leaveBlack);
  ExpectModeControlsEnabled(dialog, true, "shown again");
}

struct AdapterStateCase {
  const char* name;
  bool hal, sw, bumpMapping;
  UINT rendering;
  bool hardwareBoxEnabled, leaveBlackChecked, usageEnabled, modesEnabled;
  size_t listedItems;
};

class AdapterStateTable : public TwoMonitorTest, public ::testing::WithParamInterface<AdapterStateCase> {};

TEST_P(AdapterStateTable, PageFollowsWhatTheAdapterCanDo) {
  const AdapterStateCase& c = GetParam();
  d3d.adapters[0].halType = c.hal;
  d3d.adapters[0].swType = c.sw;
  d3d.adapters[0].textureOpCaps = c.bumpMapping ? D3DTEXOPCAPS_BUMPENVMAP : 0;
  Enumerate();
  HWND dialog = OpenMultiple();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(ProgramText(c.rendering), ItemText(dialog, IDC_RENDERING_TEXT)) << c.name;
  EXPECT_EQ(c.hardwareBoxEnabled, Enabled(dialog, IDC_DISABLE_HARDWARE)) << c.name;
  EXPECT_EQ(c.leaveBlackChecked, Checked(dialog, IDC_LEAVE_BLACK)) << c.name;
  EXPECT_EQ(!c.leaveBlackChecked, Checked(dialog, IDC_SHOW_ON_MONITOR)) << c.name;
  for (int id : {IDC_MONITOR_USAGE, IDC_SHOW_ON_MONITOR, IDC_LEAVE_BLACK}) {
    EXPECT_EQ(c.usageEnabled, Enabled(dialog, id)) << c.name << ": control " << id;
  }
  ExpectModeControlsEnabled(dialog, c.modesEnabled, c.name);
  EXPECT_EQ(c.listedItems, ComboTexts(dialog, IDC_MODE_LIST).size()) << c.name;
  EXPECT_FALSE(Adapter(0).leaveBlack) << c.name << ": showing the page changes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Values, AdapterStateTable,
    ::testing::Values(
        AdapterStateCase{"hardware", true, false, true, IDS_RENDERING_HARDWARE, true, false, true, true, 4},
        AdapterStateCase{"software only", false, true, true, IDS_RENDERING_SOFTWARE, false, false, true, true, 4},
        AdapterStateCase{"hardware lacking bump mapping", true, false, false, IDS_RENDERING_NONE, false, true, false,
                         false, 1}));

TEST_F(TwoMonitorTest, DisablingHardwareFallsBackToSoftware) {
  d3d.adapters[0].swType = true;
  Enumerate();
  ASSERT_TRUE(Adapter(0).halUsable && Adapter(0).swUsable);
  HWND dialog = OpenMultiple();
  ASSERT_NE(nullptr, dialog);
  ClickCheckBox(dialog, IDC_DISABLE_HARDWARE, true);
  EXPECT_TRUE(Adapter(0).disableHardware);
  EXPECT_TRUE(Checked(dialog, IDC_DISABLE_HARDWARE));
  EXPECT_EQ(ProgramText(IDS_RENDERING_SOFTWARE), ItemText(dialog, IDC_RENDERING_TEXT));
  ClickCheckBox(dialog, IDC_DISABLE_HARDWARE, false);
  EXPECT_FALSE(Adapter(0).disableHardware);
  EXPECT_EQ(ProgramText(IDS_RENDERING_HARDWARE), ItemText(dialog, IDC_RENDERING_TEXT));
}

// Monitor 2 matches no adapter: its page offers nothing, and its controls change nothing.
TEST_F(TwoMonitorTest, MonitorWithoutAnAdapter) {
  d3d.adapters[1].monitor = (HMONITOR)(intptr_t)0x9999;
  Enumerate();
  ASSERT_EQ(-1, saver.m_monitors[1].adapterIndex);
  HWND dialog = OpenMultiple();
  ASSERT_NE(nullptr, dialog);
  SwitchTab(dialog, 1);
  EXPECT_EQ(L"Test Adapter 2", ItemText(dialog, IDC_ADAPTER_NAME));
  EXPECT_EQ(ProgramText(IDS_RENDERING_NONE), ItemText(dialog, IDC_RENDERING_TEXT));
  EXPECT_EQ(0u, ComboTexts(dialog, IDC_MODE_LIST).size());
  EXPECT_FALSE(Enabled(dialog, IDC_DISABLE_HARDWARE));
  EXPECT_TRUE(Checked(dialog, IDC_LEAVE_BLACK));
  const DS_AdapterInfo before0 = Adapter(0);
  const DS_AdapterInfo before1 = Adapter(1);
  ClickCheckBox(dialog, IDC_DISABLE_HARDWARE, true);
  ClickRadio(dialog, IDC_SHOW_ON_MONITOR, IDC_LEAVE_BLACK, IDC_SHOW_ON_MONITOR);
  PickComboItem(dialog, IDC_MODE_LIST, 1);
  EXPECT_EQ(0, memcmp(&before0, &Adapter(0), sizeof(DS_AdapterInfo)));
  EXPECT_EQ(0, memcmp(&before1, &Adapter(1), sizeof(DS_AdapterInfo)));
}

struct HelpCase {
  bool halPresent, disabled, halUsable, swPresent, swUsable;
  UINT string;
};

class HelpTextTable : public ::testing::TestWithParam<HelpCase> {};

TEST_P(HelpTextTable, StringByAdapterState) {
  const HelpCase& c = GetParam();
  DS_AdapterInfo adapter = {};
  adapter.halPresent = c.halPresent;
  adapter.disableHardware = c.disabled;
  adapter.halUsable = c.halUsable;
  adapter.swPresent = c.swPresent;
  adapter.swUsable = c.swUsable;
  EXPECT_EQ(c.string, AdapterHelpStringId(&adapter))
      << "HAL present " << c.halPresent << ", disabled " << c.disabled << ", HAL usable " << c.halUsable
      << ", SW present " << c.swPresent << ", SW usable " << c.swUsable;
}

INSTANTIATE_TEST_SUITE_P(
    Values, HelpTextTable,
    ::testing::Values(HelpCase{true, true, true, false, false, 2209}, HelpCase{true, true, true, true, false, 2208},
                      HelpCase{true, true, false, true, true, 2207}, HelpCase{true, false, true, false, false, 2200},
                      HelpCase{true, false, true, true, true, 2200}, HelpCase{true, false, false, false, false, 2203},
                      HelpCase{true, false, false, true, false, 2202}, HelpCase{true, false, false, true, true, 2201},
                      HelpCase{false, false, false, false, false, 2206}, HelpCase{false, false, false, true, false, 2205},
                      HelpCase{false, true, false, true, true, 2204}));

TEST(HelpText, MonitorWithoutAnAdapterHasTheNothingAvailableText) { EXPECT_EQ(2206u, AdapterHelpStringId(nullptr)); }

struct FormatCase {
  const wchar_t* format;
  std::vector<int> values;
  const wchar_t* expected;
};

class FormatTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTable, NumbersReplaceTheirPlaceholdersOnly) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(std::wstring(c.expected), FormatDialogNumbers(c.format, c.values.data(), (int)c.values.size()))
      << Narrow(c.format);
}

INSTANTIATE_TEST_SUITE_P(Values, FormatTable,
                         ::testing::Values(FormatCase{L"Monitor %d", {3}, L"Monitor 3"},
                                           FormatCase{L"%d by %d, %d bit color", {1280, 1024, 16}, L"1280 by 1024, 16 bit color"},
                                           FormatCase{L"%s %n %x %d", {7}, L"%s %n %x 7"},
                                           FormatCase{L"%d and %d", {1}, L"1 and "},
                                           FormatCase{L"100%% %", {}, L"100% %"},
                                           FormatCase{L"", {1}, L""}));

}  // namespace
