// The sound dialog: the volume bar (loud at the top) and the mute box from the stored
// values, and the three values OK stores.
#include "DialogFixture.h"

#include "host/SettingsDialogs.h"

namespace {

class SoundDialogTest : public DialogFixture {
protected:
  HWND OpenSound() { return Open(IDD_SOUND, SoundDialogProcStub); }
  int BarPosition(HWND dialog) { return (int)SendDlgItemMessageW(dialog, IDC_SOUND_VOLUME, TBM_GETPOS, 0, 0); }
};

TEST_F(SoundDialogTest, NothingStoredShowsFullVolumeAndOkStoresTheDefaults) {
  HWND dialog = OpenSound();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(0, BarPosition(dialog)) << "full volume is the top of the bar";
  EXPECT_EQ(0, (int)SendDlgItemMessageW(dialog, IDC_SOUND_VOLUME, TBM_GETRANGEMIN, 0, 0));
  EXPECT_EQ(100, (int)SendDlgItemMessageW(dialog, IDC_SOUND_VOLUME, TBM_GETRANGEMAX, 0, 0));
  EXPECT_FALSE(Checked(dialog, IDC_SOUND_MUTE));
  Press(dialog, IDOK);
  EXPECT_EQ(100u, StoredDword(nullptr, L"\"SoundVolume\""));
  EXPECT_EQ(0u, StoredDword(nullptr, L"\"SoundBalance\"")) << "the dialog has no balance bar";
  EXPECT_EQ(0u, StoredDword(nullptr, L"\"MuteSound\""));
}

struct StoredSoundCase {
  const char* name;
  DWORD volume;
  DWORD mute;
  int bar;
  bool muted;
  DWORD volumeOnOk;
};

class StoredSoundTable : public SoundDialogTest, public ::testing::WithParamInterface<StoredSoundCase> {};

TEST_P(StoredSoundTable, ShownClampedAndStoredInRange) {
  const StoredSoundCase& c = GetParam();
  SetDword(nullptr, L"\"SoundVolume\"", c.volume);
  SetDword(nullptr, L"\"MuteSound\"", c.mute);
  HWND dialog = OpenSound();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(c.bar, BarPosition(dialog)) << c.name;
  EXPECT_EQ(c.muted, Checked(dialog, IDC_SOUND_MUTE)) << c.name;
  Press(dialog, IDOK);
  EXPECT_EQ(c.volumeOnOk, StoredDword(nullptr, L"\"SoundVolume\"")) << c.name;
  EXPECT_EQ(c.muted ? 1u : 0u, StoredDword(nullptr, L"\"MuteSound\"")) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredSoundTable,
    ::testing::Values(StoredSoundCase{"30, muted", 30, 1, 70, true, 30},
                      StoredSoundCase{"silent", 0, 0, 100, false, 0},
                      StoredSoundCase{"250 is full volume", 250, 0, 0, false, 100},
                      StoredSoundCase{"-1 is silence", 0xFFFFFFFF, 0, 100, false, 0},
                      StoredSoundCase{"any non-zero mute value mutes", 55, 7, 45, true, 55}));

TEST_F(SoundDialogTest, OkStoresTheBarAndTheMuteBox) {
  SetDword(nullptr, L"\"SoundBalance\"", 50);
  HWND dialog = OpenSound();
  ASSERT_NE(nullptr, dialog);
  SendDlgItemMessageW(dialog, IDC_SOUND_VOLUME, TBM_SETPOS, TRUE, 25);
  CheckDlgButton(dialog, IDC_SOUND_MUTE, BST_CHECKED);
  Press(dialog, IDOK);
  EXPECT_EQ(75u, StoredDword(nullptr, L"\"SoundVolume\""));
  EXPECT_EQ(1u, StoredDword(nullptr, L"\"MuteSound\""));
  EXPECT_EQ(0u, StoredDword(nullptr, L"\"SoundBalance\""));
  EXPECT_FALSE(HasValue(nullptr, L"SoundVolume")) << "the value names carry their double quotes";
}

TEST_F(SoundDialogTest, CancelStoresNothing) {
  HWND dialog = OpenSound();
  ASSERT_NE(nullptr, dialog);
  SendDlgItemMessageW(dialog, IDC_SOUND_VOLUME, TBM_SETPOS, TRUE, 80);
  CheckDlgButton(dialog, IDC_SOUND_MUTE, BST_CHECKED);
  Press(dialog, IDCANCEL);
  EXPECT_FALSE(HasValue(nullptr, L"\"SoundVolume\""));
  EXPECT_FALSE(HasValue(nullptr, L"\"SoundBalance\""));
  EXPECT_FALSE(HasValue(nullptr, L"\"MuteSound\""));
  EXPECT_FALSE(IsWindowVisible(dialog));
}

}  // namespace
