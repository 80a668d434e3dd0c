// The MP3 sound item's record, its level formulas and its temporary file names; no
// graph is built here.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "document/Utilities.h"
#include "render/TimeLine.h"
#include "sound/MP3SoundItem.h"

namespace {

std::vector<unsigned char> kTune = {'I', 'D', '3', 4, 0, 0, 1, 2, 3, 0xFF, 0xFB};

std::unique_ptr<DS_ABObj_Constructor> ReadBack(const std::vector<unsigned char>& bytes) {
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  return std::unique_ptr<DS_ABObj_Constructor>(ReadAnyObject(handle));
}

TEST(MP3SoundItemRecord, WritesAndReadsBackThroughTheObjectRegistry) {
  DS_MP3_Constructor item;
  item.SetName(L"Theme");
  item.GetFile().SetName(L"D:\\Music\\theme.mp3");
  item.GetFile().SetData(uint32_t(kTune.size()), kTune.data());
  item.volume.SetValue(80);
  item.balance.SetValue(25);
  item.TimeLine().mode.SetValue(1);
  DS_IOF_W writer;
  item.Write(writer);

  std::unique_ptr<DS_ABObj_Constructor> read = ReadBack(writer.Bytes());
  auto* mp3 = dynamic_cast<DS_MP3_Constructor*>(read.get());
  ASSERT_NE(nullptr, mp3) << "the registry must make a DS_MP3_Constructor";
  EXPECT_EQ(L"D:\\Music\\theme.mp3", mp3->GetFile().Name());
  ASSERT_EQ(kTune.size(), mp3->GetFile().Size());
  EXPECT_EQ(kTune, std::vector<unsigned char>(mp3->GetFile().Data(),
                                               mp3->GetFile().Data() + mp3->GetFile().Size()));
  EXPECT_EQ(80u, mp3->volume.GetValue());
  EXPECT_EQ(25u, mp3->balance.GetValue());
  EXPECT_EQ(1, mp3->TimeLine().mode.GetValue());
  EXPECT_EQ(L"Theme", mp3->GetName());
  EXPECT_EQ(nullptr, mp3->Graph()) << "reading must not build a graph";
}

// Records as older authoring tools wrote them: any item version (it is ignored), each
// sound-section version (the old ones with the play mode and silent stretch in whole
// seconds) and object sections with and without a time line.
struct VersionCase {
  int itemVersion;
  int soundVersion;
  int objectVersion;  // 1: no time line in the object section
  int expectedMode;
  unsigned int expectedLo, expectedHi;
};

class MP3SoundItemVersions : public ::testing::TestWithParam<VersionCase> {};

TEST_P(MP3SoundItemVersions, ReadsEveryVersion) {
  const VersionCase& c = GetParam();
  DS_IOF_W writer;
  WriteLevelHeader(writer, L"DS_MP3_Constructor", c.itemVersion);
  DS_NamedBuffer file;
  file.SetName(L"old.mp3");
  file.SetData(uint32_t(kTune.size()), kTune.data());
  writer.WriteNamedBuffer(file);
  WriteLevelHeader(writer, L"DS_Sound_Ctrl", c.soundVersion);
  writer.WriteUInt(70);
  writer.WriteUInt(40);
  if (c.soundVersion < 3) {
    writer.WriteLong(1);
    writer.WriteUInt(3);
    writer.WriteUInt(5);
  }
  if (c.objectVersion == 1) {
    WriteLevelHeader(writer, L"DS_ABObj_Constructor", 1);
    writer.WriteString(L"Old tune");
  } else {
    DS_MP3_Constructor source;  // its object section carries a time line
    source.SetName(L"Old tune");
    source.TimeLine().mode.SetValue(2);
    source.TimeLine().hidden.lo.SetValue(11);
    source.TimeLine().hidden.hi.SetValue(22);
    source.DS_ABObj_Constructor::Write(writer);
  }

  std::unique_ptr<DS_ABObj_Constructor> read = ReadBack(writer.Bytes());
  auto* mp3 = dynamic_cast<DS_MP3_Constructor*>(read.get());
  ASSERT_NE(nullptr, mp3);
  EXPECT_EQ(L"old.mp3", mp3->GetFile().Name());
  EXPECT_EQ(kTune.size(), mp3->GetFile().Size());
  EXPECT_EQ(70u, mp3->volume.GetValue());
  EXPECT_EQ(40u, mp3->balance.GetValue());
  EXPECT_EQ(L"Old tune", mp3->GetName());
  EXPECT_EQ(c.expectedMode, mp3->TimeLine().mode.GetValue());
  EXPECT_EQ(c.expectedLo, mp3->TimeLine().hidden.lo.GetValue());
  EXPECT_EQ(c.expectedHi, mp3->TimeLine().hidden.hi.GetValue());
}

INSTANTIATE_TEST_SUITE_P(
    AllVersions, MP3SoundItemVersions,
    ::testing::Values(VersionCase{1, 3, 2, 2, 11, 22},  // current
                      VersionCase{0, 3, 2, 2, 11, 22},  // item version ignored
                      VersionCase{7, 3, 2, 2, 11, 22},
                      VersionCase{1, 3, 1, 0, 100, 100},  // default time line
                      VersionCase{1, 2, 1, 1, 300, 500},
                      VersionCase{1, 1, 1, 1, 300, 500},
                      // a time line in the object section comes later and wins
                      VersionCase{1, 2, 2, 2, 11, 22}));

TEST(MP3SoundItemRecord, CutOrLyingRecordFailsTheStreamWithoutAnObject) {
  DS_MP3_Constructor item;
  item.GetFile().SetName(L"cut.mp3");
  item.GetFile().SetData(uint32_t(kTune.size()), kTune.data());
  DS_IOF_W writer;
  item.Write(writer);
  const std::vector<unsigned char> whole = writer.Bytes();
  for (size_t length = 0; length < whole.size(); length += 3) {
    std::vector<unsigned char> cut(whole.begin(), whole.begin() + length);
    EXPECT_EQ(nullptr, ReadBack(cut).get()) << "record cut to " << length << " bytes";
  }

  // A named buffer that claims more bytes than the document holds.
  DS_IOF_W liar;
  WriteLevelHeader(liar, L"DS_MP3_Constructor", 1);
  liar.WriteInt(0x7FFFFFF0);
  liar.WriteBytes(kTune.data(), kTune.size());
  EXPECT_EQ(nullptr, ReadBack(liar.Bytes()).get());
  DS_IOF_W negative;
  WriteLevelHeader(negative, L"DS_MP3_Constructor", 1);
  negative.WriteInt(-5);
  EXPECT_EQ(nullptr, ReadBack(negative.Bytes()).get());
}

struct LevelCase {
  unsigned int setting;
  long volume;
  long balance;
};

TEST(MP3SoundItemLevels, VolumeAndBalanceInHundredthsOfADecibel) {
  const LevelCase cases[] = {
      {0, -4000, -4000},  {25, -3000, -2000}, {50, -2000, 0},     {80, -800, 2400},
      {100, 0, 4000},     {101, 0, 4000},     {UINT_MAX, 0, 4000},
  };
  for (const LevelCase& c : cases) {
    EXPECT_EQ(c.volume, MP3VolumeFromSetting(c.setting)) << "volume " << c.setting;
    EXPECT_EQ(c.balance, MP3BalanceFromSetting(c.setting)) << "balance " << c.setting;
  }
}

TEST(MP3SoundItemLevels, DurationBecomesWholeSecondsInHundredths) {
  const struct {
    LONGLONG duration;
    unsigned int hundredths;
  } cases[] = {
      {0, 0},
      {3000000, 0},             // 0.3 s
      {25000000, 200},          // 2.5 s
      {2109000000, 21000},      // 210.9 s: 0.9 s before the end the sound turns invisible
      {-10000000, 0},           // a broken duration
      {LLONG_MAX, UINT_MAX},    // beyond what the time line holds
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.hundredths, MP3DurationToHundredths(c.duration)) << "duration " << c.duration;
}

TEST(MP3SoundItemFiles, TemporaryPathStaysInTheTemporaryFolder) {
  wchar_t temp[MAX_PATH + 1] = {};
  ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
  const ds_string folder(temp);
  const struct {
    const wchar_t* source;
    const wchar_t* name;  // null: any safe name
  } cases[] = {
      {L"C:\\Music\\song.mp3", L"song.mp3"},
      {L"song.mp3", L"song.mp3"},
      {L"..\\..\\..\\Windows\\win.ini", L"win.ini"},
      {L"D:/tunes/../../up.mp3", L"up.mp3"},
      {L"C:\\Music\\..", nullptr},
      {L"C:\\Music\\", nullptr},
      {L"", nullptr},
      {L"C:\\Music\\CON.mp3", nullptr},
      {L"C:\\Music\\a?b*c.mp3", nullptr},
      {L"\\\\server\\share\\x.mp3:stream", nullptr},
  };
  for (const auto& c : cases) {
    const ds_string path = MP3TemporaryPath(c.source);
    ASSERT_EQ(0u, path.compare(0, folder.size(), folder)) << "outside the temporary folder";
    const ds_string name = path.substr(folder.size());
    EXPECT_TRUE(IsSafeFileName(name));
    EXPECT_EQ(ds_string::npos, name.find_first_of(L"\\/:*?\"<>|"));
    EXPECT_LT(path.size(), size_t(MAX_PATH));
    if (c.name) EXPECT_EQ(c.name, name);
    EXPECT_NE(L"CON.MP3", name);
  }
  const ds_string longPath = MP3TemporaryPath(L"C:\\" + ds_string(400, L'x') + L".mp3");
  ASSERT_FALSE(longPath.empty());
  EXPECT_LT(longPath.size(), size_t(MAX_PATH));
  EXPECT_EQ(L".mp3", longPath.substr(longPath.size() - 4)) << "the extension picks the source filter";
}

}  // namespace
