#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "document/FileLink.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"

// Readable keys in failure messages.
void PrintTo(const DS_FileKey& key, std::ostream* os) {
  *os << "(" << testing::PrintToString(key.path) << ", " << key.stamp << ")";
}

namespace {

TEST(FileKey, OrdersByOrdinalPathThenSignedStamp) {
  // Sorted as the resource tables must hold them.
  const std::vector<DS_FileKey> ordered = {
      DS_FileKey(L"", -5),
      DS_FileKey(L"", 2),
      DS_FileKey(L"B.png", 0),  // upper case sorts before lower case
      DS_FileKey(L"a.png", -1),
      DS_FileKey(L"a.png", 0),
      DS_FileKey(L"a.png", 0x7FFFFFFFFFFFFFFFLL),
      DS_FileKey(L"a.pngx", -100),
      DS_FileKey(L"common_res.dll", 2016),
      DS_FileKey(std::wstring(1, wchar_t(0xE9)), 0),  // beyond ASCII: after every ASCII path
  };
  for (size_t i = 0; i < ordered.size(); ++i) {
    for (size_t j = 0; j < ordered.size(); ++j) {
      EXPECT_EQ(i < j, ordered[i] < ordered[j]) << "keys " << i << " and " << j;
      EXPECT_EQ(i != j, ordered[i] != ordered[j]) << "keys " << i << " and " << j;
    }
  }
  std::map<DS_FileKey, int> table;
  table[DS_FileKey(L"x", 1)] = 1;
  table[DS_FileKey(L"x", 1)] = 2;
  table[DS_FileKey(L"x", 2)] = 3;
  EXPECT_EQ(2u, table.size());
}

TEST(FileLink, ModuleResourceConstructorSignExtends) {
  DS_FileLink3 common(2016, L"common_res.dll");
  EXPECT_EQ(L"common_res.dll", common.GetPath());
  EXPECT_EQ(2016, common.GetStamp());

  DS_FileLink3 high(static_cast<int32_t>(0x80000005u), L"addon_001.dll");
  EXPECT_EQ(-2147483643LL, high.GetStamp());
}

TEST(FileLink, EntryConstructorZeroExtendsTheId) {
  DS_ResourceEntry entry(5, L"addon_001.dll");
  DS_FileLink3 link(entry);
  EXPECT_EQ(L"addon_001.dll", link.GetPath());
  EXPECT_EQ(5, link.GetStamp());

  DS_ResourceEntry high(static_cast<int32_t>(0x80000005u), L"addon_001.dll");
  DS_FileLink3 highLink(high);
  EXPECT_EQ(0x80000005LL, highLink.GetStamp()) << "the entry path gives the positive stamp";
}

TEST(FileLink, EntriesWithoutIdTakeConsecutiveNumbers) {
  DS_ResourceEntry entry;
  entry.SetName(L"C:\\pictures\\sky.jpg");
  int32_t before = g_NextEmbeddedFileId;
  DS_FileLink3 first(entry);
  DS_ImageFileLink second(entry);
  EXPECT_EQ(L"C:\\pictures\\sky.jpg", first.GetPath());
  EXPECT_EQ(before, first.GetStamp());
  EXPECT_EQ(before + 1, second.GetStamp());
  EXPECT_EQ(before + 2, g_NextEmbeddedFileId);
}

TEST(FileLink, KeyDefaultAndCopyConstructors) {
  DS_FileLink3 empty;
  EXPECT_TRUE(empty.GetPath().empty());
  EXPECT_EQ(0, empty.GetStamp());

  DS_FileLink3 fromKey(DS_FileKey(L"a.x", -3));
  DS_FileLink3 copy(fromKey);
  EXPECT_EQ(L"a.x", copy.GetPath());
  EXPECT_EQ(-3, copy.GetStamp());
  EXPECT_EQ(0u, copy.ControlCount());
}

TEST(FileLink, PathConstructorTakesTheModificationTime) {
  wchar_t folder[MAX_PATH];
  wchar_t path[MAX_PATH];
  ASSERT_NE(0u, GetTempPathW(MAX_PATH, folder));
  ASSERT_NE(0u, GetTempFileNameW(folder, L"dsl", 0, path));
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  // 2001-09-09 01:46:40 UTC is 1000000000 s after 1970.
  ULARGE_INTEGER when;
  when.QuadPart = (1000000000ULL + 11644473600ULL) * 10000000ULL;
  FILETIME ft = {when.LowPart, when.HighPart};
  ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &ft));
  CloseHandle(file);

  DS_FileLink3 link{ds_string(path)};
  DeleteFileW(path);
  EXPECT_EQ(path, link.GetPath());
  EXPECT_EQ(1000000000LL, link.GetStamp());

  DS_FileLink3 missing(ds_string(L"Z:\\no\\such\\file.png"));
  EXPECT_EQ(0, missing.GetStamp()) << "a file that cannot be found gets stamp 0";
}

struct ExtensionCase {
  const wchar_t* path;
  const wchar_t* extension;
  bool module;
};

class FileLinkExtension : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(FileLinkExtension, FromTheLastDotLowerCased) {
  DS_FileLink3 link(DS_FileKey(GetParam().path, 0));
  EXPECT_EQ(ds_string(GetParam().extension), link.GetExtension()) << "path " << testing::PrintToString(GetParam().path);
  EXPECT_EQ(GetParam().module, link.IsModuleLink());
}

INSTANTIATE_TEST_SUITE_P(Table, FileLinkExtension,
                         ::testing::Values(ExtensionCase{L"COMMON_RES.DLL", L".dll", true},
                                           ExtensionCase{L"addon_001.Dll", L".dll", true},
                                           ExtensionCase{L"C:\\my.pictures\\sky", L".pictures\\sky", false},
                                           ExtensionCase{L"C:\\pictures\\sky", L"", false},
                                           ExtensionCase{L"", L"", false},
                                           ExtensionCase{L"photo.JPG", L".jpg", false},
                                           ExtensionCase{L"archive.dll.png", L".png", false}));

// --- record fields ---

std::vector<unsigned char> WriteLinks(const std::vector<const DS_FileLink3*>& links) {
  DS_IOF_W w;
  for (const DS_FileLink3* link : links) DS_FileLink3::WriteField(w, *link);
  return w.Bytes();
}

TEST(FileLinkField, RoundTripOfPathAndStamp) {
  DS_FileLink3 module(static_cast<int32_t>(0x80000001u), L"common_res.dll");
  DS_ImageFileLink image(DS_FileKey(L"C:\\a\\b.png", 1234567890123LL));
  std::vector<unsigned char> bytes = WriteLinks({&module, &image});

  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  DS_FileLink3 readModule;
  DS_ImageFileLink readImage;
  DS_FileLink3::ReadField(r, readModule);
  DS_FileLink3::ReadField(r, readImage);
  EXPECT_FALSE(r.Failed());
  EXPECT_EQ(0u, buffer.BytesLeft());
  EXPECT_EQ(module.GetKey(), readModule.GetKey());
  EXPECT_EQ(image.GetKey(), readImage.GetKey());
}

TEST(FileLinkField, EmptyStoredPathClearsAPreviousPath) {
  DS_FileLink3 empty(DS_FileKey(L"", 7));
  std::vector<unsigned char> bytes = WriteLinks({&empty});
  ASSERT_EQ(4u + 8u, bytes.size());

  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  DS_FileLink3 link(DS_FileKey(L"old.png", 1));
  DS_FileLink3::ReadField(r, link);
  EXPECT_FALSE(r.Failed());
  EXPECT_TRUE(link.GetPath().empty());
  EXPECT_EQ(7, link.GetStamp());
}

TEST(FileLinkField, ReadingDoesNotNotify) {
  class Counter : public MediaControlT<MediaParam> {
  public:
    void OnParamChanged(MediaControl*) override { ++calls; }
    int calls = 0;
  };
  DS_FileLink3 written(DS_FileKey(L"x.png", 3));
  std::vector<unsigned char> bytes = WriteLinks({&written});
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  DS_FileLink3 link;
  Counter counter;
  counter.Observe(&link);
  DS_FileLink3::ReadField(r, link);
  EXPECT_EQ(L"x.png", link.GetPath());
  EXPECT_EQ(0, counter.calls);
}

TEST(FileLinkField, TruncatedFieldFailsAndKeepsTheLink) {
  DS_FileLink3 written(DS_FileKey(L"picture.png", 99));
  std::vector<unsigned char> bytes = WriteLinks({&written});
  for (size_t cut : {size_t(1), size_t(8), bytes.size() - 1}) {
    ResourceBuffer buffer(bytes.data(), bytes.size() - cut);
    DS_IOF_R<ResourceBuffer> r(&buffer);
    DS_FileLink3 link(DS_FileKey(L"kept.png", 5));
    DS_FileLink3::ReadField(r, link);
    EXPECT_TRUE(r.Failed()) << "cut " << cut;
    EXPECT_EQ(L"kept.png", link.GetPath()) << "cut " << cut;
    EXPECT_EQ(5, link.GetStamp()) << "cut " << cut;
  }
}

std::vector<DS_FileKey>* g_writtenKeys = nullptr;
void RecordWrittenKey(const DS_FileKey& key) { g_writtenKeys->push_back(key); }

TEST(FileLinkField, WritingReportsLinksWithAPathToTheHook) {
  std::vector<DS_FileKey> keys;
  g_writtenKeys = &keys;
  g_LinkWrittenHook = &RecordWrittenKey;
  DS_FileLink3 withPath(DS_FileKey(L"a.png", 1));
  DS_FileLink3 ownResource(DS_FileKey(L"", 5));
  WriteLinks({&withPath, &ownResource});
  g_LinkWrittenHook = nullptr;
  g_writtenKeys = nullptr;
  ASSERT_EQ(1u, keys.size());
  EXPECT_EQ(DS_FileKey(L"a.png", 1), keys[0]);
}

// --- image link and its undo control ---

TEST(ImageFileLink, UndoControlIsFirstAndSynchronised) {
  DS_ImageFileLink link(2016, L"common_res.dll");
  ASSERT_EQ(1u, link.ControlCount());
  EXPECT_EQ(&link.UndoControl(), link.Controls().front());
  EXPECT_EQ(link.GetKey(), link.UndoControl().Snapshot());

  DS_ImageFileLink copy(link);
  EXPECT_EQ(1u, copy.ControlCount());
  EXPECT_EQ(&copy.UndoControl(), copy.Controls().front());
  EXPECT_EQ(link.GetKey(), copy.GetKey());
}

TEST(ImageFileLink, UndoRestoresTheKeyAndNotifiesOthers) {
  class Counter : public MediaControlT<MediaParam> {
  public:
    void OnParamChanged(MediaControl*) override { ++calls; }
    int calls = 0;
  };
  DS_ImageFileLink link(DS_FileKey(L"a.png", 1));
  link.UndoControl().PushHistory();
  link.SetKey(DS_FileKey(L"b.png", 2));
  EXPECT_EQ(DS_FileKey(L"b.png", 2), link.UndoControl().Snapshot());
  Counter counter;
  counter.Observe(&link);

  link.UndoControl().Undo();
  EXPECT_EQ(DS_FileKey(L"a.png", 1), link.GetKey());
  EXPECT_EQ(1, counter.calls);
  link.UndoControl().Redo();
  EXPECT_EQ(DS_FileKey(L"b.png", 2), link.GetKey());
  EXPECT_EQ(2, counter.calls);
}

TEST(ImageFileLink, HistoryKeepsTwentyKeys) {
  DS_ImageFileLink link;
  for (int i = 1; i <= 21; ++i) {
    link.SetKey(DS_FileKey(L"f.png", i));
    link.UndoControl().PushHistory();
  }
  const std::list<DS_FileKey>& entries = link.UndoControl().History().Entries();
  ASSERT_EQ(20u, entries.size());
  EXPECT_EQ(21, entries.front().stamp);
  EXPECT_EQ(2, entries.back().stamp);
}

TEST(ImageFileLink, DestroyedBeforeItsObservers) {
  class Observer : public MediaControlT<MediaParam> {};
  Observer observer;
  {
    DS_ImageFileLink link(DS_FileKey(L"a.png", 1));
    observer.Observe(&link);
  }
  EXPECT_EQ(nullptr, observer.ObservedParam());
}

}  // namespace
