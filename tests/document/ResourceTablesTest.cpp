// Reading and writing the resource manager's record: which tables each version holds,
// what reading builds from them, and records cut short. No device: the textures stay
// empty, the frame counts and tables are what these tests look at.
#include <gtest/gtest.h>

#include "document/DocResManager.h"
#include "support/DocResRecord.h"

using ds_test::DocResRecord;
using ds_test::MakeFileEntry;
using ds_test::ReadDocResRecord;
using ds_test::WriteDocResRecord;

namespace {

const DS_FileKey kSequence(L"C:\\pictures\\sequence.png", 1111);
const DS_FileKey kStill(L"C:\\pictures\\still.png", 2222);
const DS_FileKey kSound(L"C:\\sounds\\wave.wav", 3333);
const GUID kGuidA = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
const GUID kGuidB = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 9}};

std::vector<unsigned char> Bytes(const char* text) {
  return std::vector<unsigned char>(text, text + strlen(text));
}

// Three sequence frames with times, a still picture with a (ignored) time vector, a
// sound among the other files, and two GUID pictures.
DocResRecord FullRecord() {
  DocResRecord record;
  record.usedImages[kSequence] = {MakeFileEntry(L"BUFFER", Bytes("f0")),
                                  MakeFileEntry(L"BUFFER", Bytes("f1")),
                                  MakeFileEntry(L"BUFFER", Bytes("f2"))};
  record.usedImages[kStill] = {MakeFileEntry(kStill.path, Bytes("still"))};
  record.frameTimes[kSequence] = {0.02f, 0.02f, 0.02f};
  record.frameTimes[kStill] = {0.5f};
  record.otherFiles[kSound] = {MakeFileEntry(kSound.path, Bytes("RIFF"))};
  record.guids.push_back(ds_test::MakeGuidPicture(kGuidA, Bytes("not a picture")));
  record.guids.push_back(ds_test::MakeGuidPicture(kGuidB, {}));
  return record;
}

std::string Text(const DS_ResourceEntry& entry) {
  return std::string(reinterpret_cast<const char*>(entry.Data()), entry.Size());
}

}  // namespace

struct VersionCase {
  int version;
  bool hasOtherFiles;
  bool hasGuidSlots;
};

class ManagerRecordVersion : public ::testing::TestWithParam<VersionCase> {};

TEST_P(ManagerRecordVersion, ReadsExactlyTheTablesOfItsVersion) {
  const VersionCase c = GetParam();
  bool ok = false;
  size_t left = 99;
  auto manager = ReadDocResRecord(WriteDocResRecord(c.version, FullRecord()), &ok, &left);
  DS_DocResTables& t = manager->Tables();

  EXPECT_TRUE(ok);
  EXPECT_EQ(0u, left) << "the record of version " << c.version << " was not consumed exactly";
  // Used images become sets and library slots in every version; the table is emptied.
  EXPECT_TRUE(t.usedImages.empty());
  ASSERT_EQ(1u, t.textureSets.count(kSequence));
  EXPECT_EQ(3u, t.textureSets[kSequence].frames.size());
  EXPECT_EQ(std::vector<float>({0.02f, 0.02f, 0.02f}), t.textureSets[kSequence].durations);
  EXPECT_EQ(1u, t.textureSets[kStill].frames.size());
  EXPECT_TRUE(t.textureSets[kStill].durations.empty()) << "a still picture keeps no durations";
  EXPECT_EQ(3u, t.fileLibrary[kSequence].size());
  // Frame times stay as read.
  EXPECT_EQ(2u, t.frameTimes.size());

  EXPECT_EQ(c.hasOtherFiles ? 1u : 0u, t.otherFiles.size());
  EXPECT_EQ(c.hasOtherFiles ? 1u : 0u, t.fileLibrary.count(kSound));
  EXPECT_EQ(c.hasGuidSlots ? 2u : 0u, t.guidTextures.size());
  EXPECT_TRUE(t.guidResources.empty());
  // Neither GUID item holds a readable picture: both slots stay without texture.
  for (const auto& slot : t.guidTextures) EXPECT_EQ(nullptr, slot.second.Get());
}

INSTANTIATE_TEST_SUITE_P(Versions, ManagerRecordVersion,
                         ::testing::Values(VersionCase{1, false, false}, VersionCase{2, true, false},
                                           VersionCase{3, true, true}));

TEST(ManagerRecord, DuplicateKeysKeepTheFirstItemRead) {
  // Two identical keys in one stored table: only a hand-made stream can hold them.
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_DocResManager", 2);
  w.WriteInt(0);  // used images
  w.WriteInt(2);  // frame times: the same key twice
  for (float time : {0.1f, 0.7f}) {
    w.WriteString(kSequence.path);
    w.WriteInt64(kSequence.stamp);
    WriteFloatVector(w, {time, time});
  }
  w.WriteInt(2);  // other files: the same key twice
  for (const char* content : {"first", "second"}) {
    w.WriteString(kSound.path);
    w.WriteInt64(kSound.stamp);
    WriteEntryVector(w, {MakeFileEntry(kSound.path, Bytes(content))});
  }
  bool ok = false;
  auto manager = ReadDocResRecord(w.Bytes(), &ok);
  DS_DocResTables& t = manager->Tables();
  ASSERT_TRUE(ok);
  EXPECT_EQ(std::vector<float>({0.1f, 0.1f}), t.frameTimes[kSequence]);
  ASSERT_EQ(1u, t.fileLibrary[kSound].size());
  EXPECT_EQ("first", Text(t.fileLibrary[kSound][0]));
}

TEST(ManagerRecord, DuplicateGuidsKeepTheFirstItemRead) {
  DocResRecord record;
  record.guids.push_back(ds_test::MakeGuidPicture(kGuidA, Bytes("first")));
  record.guids.push_back(ds_test::MakeGuidPicture(kGuidA, Bytes("second")));
  bool ok = false;
  auto manager = ReadDocResRecord(WriteDocResRecord(3, record), &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(1u, manager->Tables().guidTextures.size());
}

TEST(ManagerRecord, OtherFilesDoNotReplaceTheEntriesOfAUsedImage) {
  DocResRecord record;
  record.usedImages[kStill] = {MakeFileEntry(kStill.path, Bytes("used"))};
  record.otherFiles[kStill] = {MakeFileEntry(kStill.path, Bytes("other")),
                               MakeFileEntry(kStill.path, Bytes("other2"))};
  auto manager = ReadDocResRecord(WriteDocResRecord(2, record));
  const DS_EntryList& library = manager->Tables().fileLibrary[kStill];
  ASSERT_EQ(1u, library.size());
  EXPECT_EQ("used", Text(library[0]));
}

TEST(ManagerRecord, ATwoFrameImageWithoutFrameTimesHasNoDurations) {
  DocResRecord record;
  record.usedImages[kSequence] = {MakeFileEntry(L"BUFFER", Bytes("a")), MakeFileEntry(L"BUFFER", Bytes("b"))};
  auto manager = ReadDocResRecord(WriteDocResRecord(1, record));
  DS_TextureSet& set = manager->Tables().textureSets[kSequence];
  EXPECT_EQ(2u, set.frames.size());
  EXPECT_TRUE(set.durations.empty());
}

TEST(ManagerRecord, WriterRoundTripKeepsEveryTable) {
  DS_DocResManager source;
  DS_DocResTables& s = source.Tables();
  DocResRecord record = FullRecord();
  s.usedImages = record.usedImages;
  s.frameTimes = record.frameTimes;
  s.otherFiles = record.otherFiles;
  for (const DS_GuidResource& item : record.guids) s.guidResources.emplace(item.guid, item);
  DS_IOF_W w;
  source.Write(w);

  // The writer and the hand-made layout agree byte for byte (tables in key order).
  std::vector<unsigned char> expected = WriteDocResRecord(3, record);
  EXPECT_EQ(expected, w.Bytes());

  bool ok = false;
  auto copy = ReadDocResRecord(w.Bytes(), &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(3u, copy->Tables().textureSets[kSequence].frames.size());
  EXPECT_EQ(1u, copy->Tables().fileLibrary.count(kSound));
  EXPECT_EQ(2u, copy->Tables().guidTextures.size());
}

TEST(ManagerRecord, RegisterUsedImageCopiesLibraryAndDurations) {
  DocResRecord record = FullRecord();
  auto manager = ReadDocResRecord(WriteDocResRecord(3, record));
  manager->Tables().frameTimes.clear();
  DS_ImageFileLink sequence(kSequence);
  DS_ImageFileLink empty;
  EXPECT_TRUE(manager->RegisterUsedImage(sequence));
  EXPECT_TRUE(manager->RegisterUsedImage(empty));
  DS_DocResTables& t = manager->Tables();
  ASSERT_EQ(1u, t.usedImages.size()) << "a link without path registers nothing";
  EXPECT_EQ(3u, t.usedImages[kSequence].size());
  EXPECT_EQ(std::vector<float>({0.02f, 0.02f, 0.02f}), t.frameTimes[kSequence]);
}

TEST(ManagerRecord, WritingALinkEmbedsItsLibraryEntriesInTheCurrentDocument) {
  auto manager = ReadDocResRecord(WriteDocResRecord(3, FullRecord()));
  SetCurrentDocResManager(manager.get());
  DS_IOF_W w;
  DS_FileLink3::WriteField(w, DS_FileLink3(kSequence));
  SetCurrentDocResManager(nullptr);
  ASSERT_EQ(1u, manager->Tables().otherFiles.count(kSequence));
  EXPECT_EQ(3u, manager->Tables().otherFiles[kSequence].size());
}

// Every proper prefix of a valid record: reading fails, nothing crashes, and no table is
// built from the item being read.
TEST(ManagerRecord, TruncatedRecordsFailCleanly) {
  const std::vector<unsigned char> whole = WriteDocResRecord(3, FullRecord());
  // Where the used-image and frame-time tables end (the whole of a version-1 record,
  // whose header is as long).
  const size_t picturesEnd = WriteDocResRecord(1, FullRecord()).size();
  for (size_t length = 1; length < whole.size(); length += (length < 64 ? 1 : 7)) {
    std::vector<unsigned char> cut(whole.begin(), whole.begin() + length);
    bool ok = true;
    auto manager = ReadDocResRecord(cut, &ok);
    EXPECT_FALSE(ok) << "a record cut to " << length << " of " << whole.size() << " bytes was accepted";
    if (length < picturesEnd) {
      EXPECT_TRUE(manager->Tables().textureSets.empty())
          << "sets were built from picture tables cut at " << length;
    }
  }
}

TEST(ManagerRecord, HugeStoredCountsFailWithoutAllocating) {
  for (int table = 0; table < 3; ++table) {
    DS_IOF_W w;
    WriteLevelHeader(w, L"DS_DocResManager", 3);
    for (int i = 0; i < table; ++i) w.WriteInt(0);
    w.WriteInt(0x7FFFFFFF);
    bool ok = true;
    auto manager = ReadDocResRecord(w.Bytes(), &ok);
    EXPECT_FALSE(ok) << "table " << table;
  }
  DS_IOF_W negative;
  WriteLevelHeader(negative, L"DS_DocResManager", 3);
  negative.WriteInt(-1);
  bool ok = true;
  ReadDocResRecord(negative.Bytes(), &ok);
  EXPECT_FALSE(ok);
}

TEST(ManagerGlobals, DestroyingTheManagerClearsThePointersToIt) {
  auto first = std::unique_ptr<DS_DocResManager>(new DS_DocResManager());
  auto second = std::unique_ptr<DS_DocResManager>(new DS_DocResManager());
  EXPECT_EQ(&second->Cache(), g_ResourceCache) << "the last manager made publishes its cache";
  SetCurrentDocResManager(first.get());
  EXPECT_EQ(first.get(), g_CurrentDocResManager);
  EXPECT_EQ(&first->Cache(), g_ResourceCache);
  EXPECT_EQ(first->Lookup(), g_ResourceLookup);
  second.reset();
  EXPECT_EQ(first.get(), g_CurrentDocResManager) << "another manager's end leaves the current one";
  // A manager made and dropped again, as by a load that failed, leaves the current
  // manager's cache selected.
  auto failed = std::unique_ptr<DS_DocResManager>(new DS_DocResManager());
  EXPECT_EQ(&failed->Cache(), g_ResourceCache);
  failed.reset();
  EXPECT_EQ(&first->Cache(), g_ResourceCache);
  first.reset();
  EXPECT_EQ(nullptr, g_CurrentDocResManager);
  EXPECT_EQ(nullptr, g_ResourceCache);
  EXPECT_EQ(nullptr, g_ResourceLookup);
}
