// The settings dialog: what it shows on opening, what OK and Cancel leave in the
// registry and in memory, and the display and sound dialogs opened from it.
#include "DialogFixture.h"

#include "host/SettingsDialogs.h"

namespace {

class SettingsDialogTest : public DialogFixture {
protected:
  void SetUp() override {
    DialogFixture::SetUp();
    AddAdapters(1);
    Enumerate();
  }
  HWND OpenSettings() { return Open(IDD_SETTINGS, SettingsDialogProcStub); }
};

TEST_F(SettingsDialogTest, OpensWithTheTitleThePositionsAndTheStoredPosition) {
  SetDword(nullptr, L"\"PicPos\"", 1);
  HWND dialog = OpenSettings();
  ASSERT_NE(nullptr, dialog);
  wchar_t caption[200] = {};
  GetWindowTextW(dialog, caption, 200);
  EXPECT_EQ(std::wstring(saver.WindowTitle()), caption);
  EXPECT_EQ((std::vector<std::wstring>{L"Stretch", L"Fit", L"Fill"}), ComboTexts(dialog, IDC_PICTURE_POSITION));
  EXPECT_EQ(1, ComboSelection(dialog, IDC_PICTURE_POSITION));
}

TEST_F(SettingsDialogTest, OpeningWritesTheScreenSettingsAsTheyAreInMemory) {
  Adapter(0).savedWidth = 800;
  Adapter(0).savedHeight = 600;
  Adapter(0).savedFormat = D3DFMT_X8R8G8B8;
  saver.m_allScreensSame = TRUE;
  ASSERT_NE(nullptr, OpenSettings());
  EXPECT_EQ(800u, StoredDword(L"Screen 1", L"Width"));
  EXPECT_EQ(600u, StoredDword(L"Screen 1", L"Height"));
  EXPECT_EQ(UINT(D3DFMT_X8R8G8B8), StoredDword(L"Screen 1", L"Format"));
  EXPECT_EQ(0u, StoredDword(L"Screen 1", L"Leave Black"));
  EXPECT_EQ(1u, StoredDword(nullptr, L"AllScreensSame"));
  EXPECT_FALSE(HasValue(nullptr, L"\"PicPos\"")) << "the position is written on OK only";
}

struct StoredPositionCase {
  const char* name;
  bool stored;
  DWORD value;
  int shown;
};

class StoredPositionTable : public SettingsDialogTest, public ::testing::WithParamInterface<StoredPositionCase> {};

TEST_P(StoredPositionTable, ShownClampedToTheList) {
  const StoredPositionCase& c = GetParam();
  if (c.stored) SetDword(nullptr, L"\"PicPos\"", c.value);
  HWND dialog = OpenSettings();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(c.shown, ComboSelection(dialog, IDC_PICTURE_POSITION)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Values, StoredPositionTable,
                         ::testing::Values(StoredPositionCase{"absent: fill", false, 0, 2},
                                           StoredPositionCase{"stretch", true, 0, 0},
                                           StoredPositionCase{"7: fill", true, 7, 2},
                                           StoredPositionCase{"-1: stretch", true, 0xFFFFFFFF, 0}));

TEST_F(SettingsDialogTest, OkStoresThePositionAndTheEditedScreenSettings) {
  HWND dialog = OpenSettings();
  ASSERT_NE(nullptr, dialog);
  SendDlgItemMessageW(dialog, IDC_PICTURE_POSITION, CB_SETCURSEL, 0, 0);
  // What the display dialog would have changed in memory.
  Adapter(0).leaveBlack = TRUE;
  Press(dialog, IDOK);
  EXPECT_EQ(0u, StoredDword(nullptr, L"\"PicPos\""));
  EXPECT_EQ(0, ReadPicturePosition()) << "the new position is the one the next scene applies";
  EXPECT_EQ(1u, StoredDword(L"Screen 1", L"Leave Black"));
  EXPECT_FALSE(IsWindowVisible(dialog));
}

struct StoredModeCase {
  const char* name;
  DWORD width, height, format;
  DWORD storedWidth, storedHeight, storedFormat;
};

class StoredModeTable : public SettingsDialogTest, public ::testing::WithParamInterface<StoredModeCase> {};

// A saved mode from the registry is stored back on OK only when the adapter offers
// it; any other is stored as the automatic choice the display dialog shows.
TEST_P(StoredModeTable, OkStoresOnlyAModeTheAdapterOffers) {
  const StoredModeCase& c = GetParam();
  SetDword(L"Screen 1", L"Width", c.width);
  SetDword(L"Screen 1", L"Height", c.height);
  SetDword(L"Screen 1", L"Format", c.format);
  saver.ReadSettingsFromRegistry();
  HWND dialog = OpenSettings();
  ASSERT_NE(nullptr, dialog);
  Press(dialog, IDOK);
  EXPECT_EQ(c.storedWidth, StoredDword(L"Screen 1", L"Width")) << c.name;
  EXPECT_EQ(c.storedHeight, StoredDword(L"Screen 1", L"Height")) << c.name;
  EXPECT_EQ(c.storedFormat, StoredDword(L"Screen 1", L"Format")) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredModeTable,
    ::testing::Values(StoredModeCase{"offered", 800, 600, D3DFMT_X8R8G8B8, 800, 600, D3DFMT_X8R8G8B8},
                      StoredModeCase{"automatic", 0, 0, 0, 0, 0, 0},
                      StoredModeCase{"no such width or format", 0xFFFFFFFF, 600, 12345, 0, 0, 0},
                      StoredModeCase{"a format the adapter lacks", 800, 600, D3DFMT_R5G6B5, 0, 0, 0},
                      StoredModeCase{"a size the adapter lacks", 801, 600, D3DFMT_X8R8G8B8, 0, 0, 0}));

TEST_F(SettingsDialogTest, CancelWritesNothingAndUndoesTheDisplayEdits) {
  SetDword(nullptr, L"\"PicPos\"", 1);
  HWND dialog = OpenSettings();
  ASSERT_NE(nullptr, dialog);
  SendDlgItemMessageW(dialog, IDC_PICTURE_POSITION, CB_SETCURSEL, 0, 0);
  Adapter(0).leaveBlack = TRUE;
  Adapter(0).savedWidth = 1024;
  Press(dialog, IDCANCEL);
  EXPECT_EQ(1u, StoredDword(nullptr, L"\"PicPos\""));
  EXPECT_EQ(0u, StoredDword(L"Screen 1", L"Leave Black"));
  EXPECT_EQ(0u, StoredDword(L"Screen 1", L"Width"));
  EXPECT_FALSE(Adapter(0).leaveBlack) << "the screen settings are read back from the registry";
  EXPECT_EQ(0u, Adapter(0).savedWidth);
}

TEST_F(SettingsDialogTest, OkWithoutASelectionStoresNoPosition) {
  HWND dialog = OpenSettings();
  ASSERT_NE(nullptr, dialog);
  SendDlgItemMessageW(dialog, IDC_PICTURE_POSITION, CB_SETCURSEL, (WPARAM)-1, 0);
  ASSERT_EQ(CB_ERR, ComboSelection(dialog, IDC_PICTURE_POSITION));
  Press(dialog, IDOK);
  EXPECT_FALSE(HasValue(nullptr, L"\"PicPos\""));
  EXPECT_EQ(2, ReadPicturePosition());
}

// The configure-mode hook runs the dialog modally, owned by the command-line window;
// its Sound Settings button opens the sound dialog, whose OK stores the sound values.
TEST_F(SettingsDialogTest, ShowSettingsRunsTheModalDialogAndItsSoundDialog) {
  HWND owner = CreateWindowW(L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, owner);
  saver.m_commandLineWindow = owner;
  HWND settingsOwner = nullptr;
  HWND settings = nullptr;
  HWND soundOwner = nullptr;
  DialogDriver driver({[&](HWND dialog) {
                         settings = dialog;
                         settingsOwner = GetWindow(dialog, GW_OWNER);
                         SendDlgItemMessageW(dialog, IDC_PICTURE_POSITION, CB_SETCURSEL, 1, 0);
                         PostCommand(dialog, IDC_SOUND_SETTINGS);
                       },
                       [&](HWND dialog) {
                         soundOwner = GetWindow(dialog, GW_OWNER);
                         SendDlgItemMessageW(dialog, IDC_SOUND_VOLUME, TBM_SETPOS, TRUE, 40);
                         CheckDlgButton(dialog, IDC_SOUND_MUTE, BST_CHECKED);
                         PostCommand(dialog, IDOK);
                         // Taken by the settings dialog once the sound dialog has ended.
                         PostCommand(settings, IDOK);
                       }});
  ASSERT_TRUE(driver.Hooked());
  saver.ShowSettings();
  DestroyWindow(owner);
  ASSERT_EQ(2u, driver.Opened());
  EXPECT_EQ(owner, settingsOwner);
  EXPECT_EQ(settings, soundOwner);
  EXPECT_EQ(60u, StoredDword(nullptr, L"\"SoundVolume\""));
  EXPECT_EQ(1u, StoredDword(nullptr, L"\"MuteSound\""));
  EXPECT_EQ(0u, StoredDword(nullptr, L"\"SoundBalance\""));
  EXPECT_EQ(1u, StoredDword(nullptr, L"\"PicPos\""));
  EXPECT_FALSE(IsWindow(settings));
}

// Display Settings opens dialog 200 for a single adapter; its Cancel and then the
// settings dialog's Cancel leave the screen settings as they were.
TEST_F(SettingsDialogTest, DisplaySettingsButtonOpensTheSingleAdapterDialog) {
  bool hasTabs = true;
  std::wstring adapterName;
  HWND settings = nullptr;
  DialogDriver driver({[&](HWND dialog) {
                         settings = dialog;
                         PostCommand(dialog, IDC_DISPLAY_SETTINGS);
                       },
                       [&](HWND dialog) {
                         hasTabs = GetDlgItem(dialog, IDC_MONITOR_TABS) != nullptr;
                         adapterName = ItemText(dialog, IDC_ADAPTER_NAME);
                         ClickCheckBox(dialog, IDC_DISABLE_HARDWARE, true);
                         PostCommand(dialog, IDCANCEL);
                         PostCommand(settings, IDCANCEL);
                       }});
  saver.ShowSettings();
  ASSERT_EQ(2u, driver.Opened());
  EXPECT_FALSE(hasTabs);
  EXPECT_EQ(L"Test Adapter 1", adapterName);
  EXPECT_FALSE(Adapter(0).disableHardware);
  EXPECT_EQ(0u, StoredDword(L"Screen 1", L"Disable Hardware"));
}

}  // namespace
