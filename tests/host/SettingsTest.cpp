// The settings key: values of the wrong type or size keep their defaults, ranged
// values are clamped, and the per-monitor subkeys follow their adapter.
#include <gtest/gtest.h>

#include "SettingsKeyFixture.h"
#include "TestSavers.h"
#include "host/Settings.h"

namespace {

class SettingsTest : public SettingsKeyFixture {};

struct PositionCase {
  const char* name;
  DWORD type;
  std::vector<BYTE> data;
  int expected;
};

class PicturePositionTable : public SettingsKeyFixture, public ::testing::WithParamInterface<PositionCase> {};

std::vector<BYTE> Dword(DWORD v) {
  const BYTE* p = (const BYTE*)&v;
  return std::vector<BYTE>(p, p + 4);
}

TEST_P(PicturePositionTable, ReadsOnlyWellFormedValuesInRange) {
  const PositionCase& c = GetParam();
  SetRaw(nullptr, L"\"PicPos\"", c.type, c.data.data(), (DWORD)c.data.size());
  EXPECT_EQ(c.expected, ReadPicturePosition()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Values, PicturePositionTable,
    ::testing::Values(PositionCase{"stretch", REG_DWORD, Dword(0), 0},
                      PositionCase{"fit", REG_DWORD, Dword(1), 1},
                      PositionCase{"too large is clamped", REG_DWORD, Dword(7), 2},
                      PositionCase{"-1 is clamped", REG_DWORD, Dword(0xFFFFFFFF), 0},
                      PositionCase{"a string keeps the default", REG_SZ, {'1', 0, 0, 0}, 2},
                      PositionCase{"two bytes keep the default", REG_DWORD, {1, 0}, 2},
                      PositionCase{"eight bytes keep the default", REG_BINARY, {1, 0, 0, 0, 0, 0, 0, 0}, 2}));

TEST_F(SettingsTest, PicturePositionIsReadOncePerProcess) {
  SetDword(nullptr, L"\"PicPos\"", 1);
  EXPECT_EQ(1, ReadPicturePosition());
  SetDword(nullptr, L"\"PicPos\"", 0);
  EXPECT_EQ(1, ReadPicturePosition());
}

TEST_F(SettingsTest, UnquotedValueNameIsAnotherValue) {
  SetDword(nullptr, L"PicPos", 0);
  SetDword(nullptr, L"SoundVolume", 20);
  EXPECT_EQ(2, ReadPicturePosition());
  int volume = 100, balance = 50, mute = 0;
  ReadSoundSettings(volume, balance, mute);
  EXPECT_EQ(100, volume);
}

TEST_F(SettingsTest, WritingAPositionOutOfRangeIsRefused) {
  EXPECT_TRUE(WritePicturePosition(1));
  EXPECT_FALSE(WritePicturePosition(-1));
  EXPECT_FALSE(WritePicturePosition(3));
  DWORD stored = 99;
  EXPECT_TRUE(ReadSettingDword(stored, L"\"PicPos\""));
  EXPECT_EQ(1u, stored) << "-1 must never be written back";
  EXPECT_EQ(1, ReadPicturePosition());
}

TEST_F(SettingsTest, SoundValuesAreClampedAndAbsentOnesKept) {
  int volume = 100, balance = 50, mute = 0;
  ReadSoundSettings(volume, balance, mute);
  EXPECT_EQ(100, volume);
  EXPECT_EQ(50, balance);
  EXPECT_EQ(0, mute);
  SetDword(nullptr, L"\"SoundVolume\"", 250);
  SetDword(nullptr, L"\"SoundBalance\"", 0xFFFFFFF0);
  SetDword(nullptr, L"\"MuteSound\"", 5);
  ReadSoundSettings(volume, balance, mute);
  EXPECT_EQ(100, volume);
  EXPECT_EQ(0, balance);
  EXPECT_EQ(1, mute);
  SetDword(nullptr, L"\"SoundVolume\"", 80);
  ReadSoundSettings(volume, balance, mute);
  EXPECT_EQ(80, volume);
}

TEST_F(SettingsTest, ReadSettingDwordLeavesTheDefaultWhenAbsentOrMalformed) {
  DWORD value = 42;
  EXPECT_FALSE(ReadSettingDword(value, L"Nothing"));
  EXPECT_EQ(42u, value);
  SetRaw(nullptr, L"Text", REG_SZ, L"12", 6);
  EXPECT_FALSE(ReadSettingDword(value, L"Text"));
  EXPECT_EQ(42u, value);
  EXPECT_TRUE(WriteSettingDword(7, L"Number"));
  EXPECT_TRUE(ReadSettingDword(value, L"Number"));
  EXPECT_EQ(7u, value);
}

TEST_F(SettingsTest, WithoutAKeyPathNothingIsReadOrWritten) {
  SetSettingsKeyPath(L"");
  DWORD value = 42;
  EXPECT_FALSE(WriteSettingDword(7, L"Number"));
  EXPECT_FALSE(ReadSettingDword(value, L"Number"));
  EXPECT_EQ(42u, value);
  SetSettingsKeyPath(TestKeyPath());
  EXPECT_FALSE(ReadSettingDword(value, L"Number")) << "the empty path must not have written anywhere";
}

TEST_F(SettingsTest, SettingsTableWritesEachKindItsOwnWay) {
  DS_SettingsTable table;
  table.entries[0].kind = DS_SettingEntry::kCheckBox;
  table.entries[0].value = 0x1234501;  // a check box keeps its low byte only
  table.entries[1].kind = DS_SettingEntry::kText;
  table.entries[2].kind = DS_SettingEntry::kTrackBar;
  table.entries[2].value = 0x1234501;
  HKEY key = OpenSettingsKey();
  ASSERT_NE(nullptr, key);
  table.Write(key);
  DWORD check = 0, bar = 0;
  EXPECT_TRUE(ReadKeyDword(key, L"Path", check));
  EXPECT_EQ(1u, check);
  EXPECT_TRUE(ReadKeyDword(key, L"file_path", bar));
  EXPECT_EQ(0x1234501u, bar);
  DWORD type = 0, size = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"URL1", nullptr, &type, nullptr, &size));
  EXPECT_EQ((DWORD)REG_SZ, type);
  EXPECT_EQ(518u, size) << "a text is stored as its whole 259-character field";
  RegCloseKey(key);
}

const GUID kAdapterOne = {0x11111111, 0x1111, 0x1111, {1, 1, 1, 1, 1, 1, 1, 1}};
const GUID kAdapterTwo = {0x22222222, 0x2222, 0x2222, {2, 2, 2, 2, 2, 2, 2, 2}};

class ScreenSettingsTest : public SettingsKeyFixture {
protected:
  void SetUp() override {
    SettingsKeyFixture::SetUp();
    saver.m_monitorCount = 2;
    saver.m_adapterCount = 2;
    for (int i = 0; i < 2; ++i) {
      saver.m_adapters[i] = new DS_AdapterInfo();
      saver.m_adapters[i]->monitorIndex = i;
      saver.m_monitors[i].adapterIndex = i;
    }
    saver.m_adapters[0]->identifier.DeviceIdentifier = kAdapterOne;
    saver.m_adapters[1]->identifier.DeviceIdentifier = kAdapterTwo;
  }
  Exposed<CSceneScreensaver> saver;
};

TEST_F(ScreenSettingsTest, SettingsOfAnotherAdapterKeepOnlyLeaveBlack) {
  SetRaw(L"Screen 2", L"Adapter ID", REG_BINARY, &kAdapterOne, sizeof(GUID));
  SetDword(L"Screen 2", L"Leave Black", 1);
  SetDword(L"Screen 2", L"Disable Hardware", 1);
  SetDword(L"Screen 2", L"Width", 800);
  // Monitor 1 has no "Adapter ID": all its values apply.
  SetDword(L"Screen 1", L"Disable Hardware", 1);
  SetDword(L"Screen 1", L"Width", 640);
  SetDword(L"Screen 1", L"Height", 480);
  SetDword(nullptr, L"AllScreensSame", 3);
  saver.ReadSettings();
  EXPECT_TRUE(saver.m_allScreensSame);
  EXPECT_TRUE(saver.m_adapters[1]->leaveBlack);
  EXPECT_FALSE(saver.m_adapters[1]->disableHardware);
  EXPECT_EQ(0u, saver.m_adapters[1]->savedWidth);
  EXPECT_TRUE(saver.m_adapters[0]->disableHardware);
  EXPECT_EQ(640u, saver.m_adapters[0]->savedWidth);
  EXPECT_EQ(480u, saver.m_adapters[0]->savedHeight);
}

TEST_F(ScreenSettingsTest, MalformedValuesKeepTheDefaults) {
  SetRaw(L"Screen 1", L"Adapter ID", REG_BINARY, "short", 5);
  SetRaw(L"Screen 1", L"Leave Black", REG_SZ, L"1", 4);
  SetRaw(L"Screen 1", L"Width", REG_BINARY, "\x20\x03\0\0", 4);
  SetDword(L"Screen 1", L"Height", 600);
  saver.ReadSettings();
  EXPECT_FALSE(saver.m_adapters[0]->leaveBlack);
  EXPECT_EQ(0u, saver.m_adapters[0]->savedWidth);
  EXPECT_EQ(600u, saver.m_adapters[0]->savedHeight) << "an unreadable Adapter ID counts as absent";
}

TEST_F(ScreenSettingsTest, WrittenSettingsReadBack) {
  // Only a mode the adapter offers is stored.
  saver.m_adapters[0]->deviceCount = 1;
  DS_DeviceInfo& device = saver.m_adapters[0]->devices[0];
  device.modeCount = 1;
  device.modes[0].width = 1024;
  device.modes[0].height = 768;
  device.modes[0].format = D3DFMT_X8R8G8B8;
  saver.m_adapters[0]->savedWidth = 1024;
  saver.m_adapters[0]->savedHeight = 768;
  saver.m_adapters[0]->savedFormat = D3DFMT_X8R8G8B8;
  saver.m_adapters[1]->leaveBlack = TRUE;
  saver.m_allScreensSame = TRUE;
  saver.WriteSettings();

  Exposed<CSceneScreensaver> other;
  SetSettingsKeyPath(TestKeyPath());
  other.m_monitorCount = 2;
  other.m_adapterCount = 2;
  for (int i = 0; i < 2; ++i) {
    other.m_adapters[i] = new DS_AdapterInfo();
    other.m_adapters[i]->identifier.DeviceIdentifier = saver.m_adapters[i]->identifier.DeviceIdentifier;
    other.m_monitors[i].adapterIndex = i;
  }
  other.ReadSettings();
  EXPECT_EQ(1024u, other.m_adapters[0]->savedWidth);
  EXPECT_EQ(768u, other.m_adapters[0]->savedHeight);
  EXPECT_EQ((UINT)D3DFMT_X8R8G8B8, other.m_adapters[0]->savedFormat);
  EXPECT_TRUE(other.m_adapters[1]->leaveBlack);
  EXPECT_TRUE(other.m_allScreensSame);
}

TEST_F(ScreenSettingsTest, SettingsTableOfThisSaverStoresNothing) {
  saver.WriteSettings();
  HKEY key = OpenTestSubkey(nullptr);
  ASSERT_NE(nullptr, key);
  DWORD type = 0;
  EXPECT_NE(ERROR_SUCCESS, RegQueryValueExW(key, L"Path", nullptr, &type, nullptr, nullptr));
  EXPECT_NE(ERROR_SUCCESS, RegQueryValueExW(key, L"URL1", nullptr, &type, nullptr, nullptr));
  RegCloseKey(key);
}

}  // namespace
