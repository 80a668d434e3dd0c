// Loading scene documents: the smallest document, missing and unreadable ones, every
// cut of a valid document and a seeded run of mutated documents. No device: the
// pictures the documents embed are not turned into textures here.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>

#include "document/DocResManager.h"
#include "document/SceneDocument.h"
#include "render/SlideShow.h"
#include "render/TimeLine.h"
#include "document/ResourceBuffer.h"
#include "support/CountingAbortCheck.h"
#include "support/SlideTestSupport.h"
#include "support/DocResRecord.h"

using namespace slides_test;

// The largest single allocation made while g_trackAllocations is set: a document's
// counts and sizes must never make the reader ask for more than the document holds.
namespace {
bool g_trackAllocations = false;
size_t g_largestAllocation = 0;
}  // namespace

// The replacement pair below is malloc/free underneath; the compiler cannot see that
// the two are matched and would warn where they are inlined into each other.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
  if (g_trackAllocations && size > g_largestAllocation) g_largestAllocation = size;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

// What a load leaves: either a show with its manager current (both freed here), or
// the code with nothing changed.
struct LoadResult {
  bool loaded = false;
  unsigned code = 0;
  size_t slides = 0;
};

LoadResult Load(const std::vector<unsigned char>& bytes, size_t size) {
  LoadResult result;
  DS_DocResManager* before = g_CurrentDocResManager;
  try {
    std::unique_ptr<DS_SlideShow_Light> show(LoadSceneDocumentFromMemory(bytes.data(), size));
    result.loaded = true;
    result.slides = show->GetSlideCount();
    EXPECT_NE(before, g_CurrentDocResManager);
    DS_DocResManager* manager = g_CurrentDocResManager;
    SetCurrentDocResManager(before);
    delete manager;
  } catch (unsigned code) {
    result.code = code;
    EXPECT_EQ(before, g_CurrentDocResManager) << "a failed load changed the current manager";
  }
  return result;
}

// The smallest document there is: version-1 records throughout, one slide, nothing
// else.
// The class names can be replaced, and an item of a given class added.
std::vector<unsigned char> MinimalDocument(const wchar_t* slideClass = L"DS_SlideContainer",
                                           const wchar_t* layerClass = L"DS_2D_Light",
                                           const wchar_t* itemClass = nullptr) {
  DS_IOF_W s;
  s.WriteString(L"KTZ v 4.0.0");
  WriteLevelHeader(s, L"DS_SlideShow_Light", 1);
  s.WriteUInt(1);
  WriteLevelHeader(s, slideClass, 1);
  s.WriteUInt(1);
  s.WriteUInt(1);
  s.WriteUInt(10);
  s.WriteLong(0);
  s.WriteString(L"");
  WriteLevelHeader(s, layerClass, 1);
  // Visual items; version 1 has no secondary list.
  s.WriteUInt(itemClass ? 1 : 0);
  if (itemClass) {
    // A probe's record under the given class name.
    DS_IOF_W probe;
    TestProbeItem().Write(probe);
    const size_t header = kLeastStringBytes + 2 * wcslen(L"DS_TestProbe") + 4;
    WriteLevelHeader(s, itemClass, 1);
    s.WriteBytes(probe.Bytes().data() + header, probe.Bytes().size() - header);
  }
  s.WriteUInt(0);  // audio files
  WriteLevelHeader(s, L"DS_DocResManager", 1);
  s.WriteInt(0);  // used images
  s.WriteInt(0);  // frame times
  return s.Bytes();
}

// A document with several slides, pictures, objects, sounds and tracks.
std::vector<unsigned char> RichDocument() {
  DS_SlideShow_Light show;
  std::vector<EmbeddedPicture> pictures;
  for (int i = 0; i < 3; ++i) {
    const DS_FileKey key(L"C:\\scene\\picture" + std::to_wstring(i) + L".bmp", 1000 + i);
    pictures.push_back({key, MakeSolidBmp(8, 4, 0x102030u * (i + 1))});
    DS_SlideContainer* slide = MakeSlide(1, 5 + i, 1, key);
    slide->name.SetValue(L"slide " + std::to_wstring(i));
    for (int j = 0; j <= i; ++j) {
      TestProbeItem* probe = new TestProbeItem();
      probe->tag = 10 * i + j;
      probe->right = 4;
      probe->bottom = 2;
      probe->color = 0xFF00FF00;
      probe->TimeLine().mode.SetValue(2);
      probe->TimeLine().AddWindow(DS_TimeWindow{1, 4, 2, 3});
      slide->AddVisualItem(probe);
    }
    slide->AddSecondaryItem(new TestSoundItem());
    show.AddSlide(slide);
  }
  for (int i = 0; i < 2; ++i) {
    DS_AudioFile* track = new DS_AudioFile();
    track->SetTitle(L"track");
    const unsigned char bytes[3] = {9, 8, 7};
    track->GetFile().SetName(L"track.mp3");
    track->GetFile().SetData(3, bytes);
    show.AddAudioFile(track);
  }
  return WriteDocument(show, pictures);
}

TEST(SceneDocumentTest, MinimalVersionOneDocumentLoadsOneDefaultSlide) {
  const std::vector<unsigned char> bytes = MinimalDocument();
  ASSERT_EQ(222u, bytes.size());
  DS_DocResManager* before = g_CurrentDocResManager;
  std::unique_ptr<DS_SlideShow_Light> show(LoadSceneDocumentFromMemory(bytes.data(), bytes.size()));
  ASSERT_TRUE(show);
  ASSERT_NE(nullptr, g_CurrentDocResManager);
  ASSERT_EQ(1u, show->GetSlideCount());
  DS_SharedRef<DS_SlideContainer> slide = show->GetSlide(0);
  EXPECT_EQ(100000u, slide->duration.GetValue());
  EXPECT_EQ(L"common_res.dll", slide->GetLight()->GetPictureLink().GetPath());
  EXPECT_EQ(5, slide->GetLight()->GetPictureLink().GetStamp());
  EXPECT_TRUE(show->GetAudioFiles().empty());
  DS_DocResManager* manager = g_CurrentDocResManager;
  SetCurrentDocResManager(before);
  delete manager;
}

TEST(SceneDocumentTest, WrittenDocumentLoadsWithEverySlideAndTrack) {
  const std::vector<unsigned char> bytes = RichDocument();
  DS_DocResManager* before = g_CurrentDocResManager;
  std::unique_ptr<DS_SlideShow_Light> show(LoadSceneDocumentFromMemory(bytes.data(), bytes.size()));
  ASSERT_EQ(3u, show->GetSlideCount());
  EXPECT_EQ(L"slide 2", show->GetSlide(2)->name.GetValue());
  EXPECT_EQ(7u, show->GetSlide(2)->show.GetValue());
  EXPECT_EQ(3u, show->GetSlide(2)->VisualItemCount());
  EXPECT_EQ(1u, show->GetSlide(2)->SecondaryItemCount());
  ASSERT_EQ(2u, show->GetAudioFiles().size());
  EXPECT_EQ(L"track.mp3", show->GetAudioFiles()[1]->GetFile().Name());
  // The manager knows the embedded pictures under the layers' keys.
  const DS_FileKey key = show->GetSlide(1)->GetLight()->GetPictureLink().GetKey();
  EXPECT_EQ(1u, g_CurrentDocResManager->Tables().fileLibrary.count(key));
  DS_DocResManager* manager = g_CurrentDocResManager;
  SetCurrentDocResManager(before);
  delete manager;
}

TEST(SceneDocumentTest, MissingOrEmptyDocumentThrowsAndKeepsTheCurrentManager) {
  // This program carries no "DDS" 107 resource.
  DS_DocResManager current;
  SetCurrentDocResManager(&current);
  try {
    delete LoadSceneDocument();
    ADD_FAILURE() << "a program without a document loaded one";
  } catch (unsigned code) {
    EXPECT_EQ(0x8200000Bu, code);
  }
  EXPECT_EQ(&current, g_CurrentDocResManager);
  const unsigned char none[1] = {0};
  EXPECT_THROW(LoadSceneDocumentFromMemory(none, 0), unsigned);
  EXPECT_THROW(LoadSceneDocumentFromMemory(nullptr, 10), unsigned);
  EXPECT_EQ(&current, g_CurrentDocResManager);
  EXPECT_EQ(&current.Cache(), g_ResourceCache) << "a failed load left another cache current";
  SetCurrentDocResManager(nullptr);
}

TEST(SceneDocumentTest, DocumentWithoutSlidesOrWithUnknownClassesFails) {
  std::vector<std::vector<unsigned char>> documents;
  {
    DS_SlideShow_Light show;  // no slide
    documents.push_back(WriteDocument(show, {}));
  }
  documents.push_back(MinimalDocument(L"DS_SlideContainex"));
  documents.push_back(MinimalDocument(L"DS_SlideContainer", L"DS_2D_Lights"));
  documents.push_back(MinimalDocument(L"DS_SlideContainer", L"DS_2D_Light", L"DS_NoSuchItem"));
  // With the item's real name the same document loads: only the names differ.
  const std::vector<unsigned char> control = MinimalDocument(L"DS_SlideContainer", L"DS_2D_Light", L"DS_TestProbe");
  EXPECT_TRUE(Load(control, control.size()).loaded);
  for (size_t i = 0; i < documents.size(); ++i) {
    const LoadResult result = Load(documents[i], documents[i].size());
    EXPECT_FALSE(result.loaded) << "document " << i;
    EXPECT_EQ(0x8200000Bu, result.code) << "document " << i;
  }
}

// The header texts are read and not compared; the manager's version says which of its
// tables follow.
struct HeaderCase {
  const wchar_t* signature;
  const wchar_t* showClass;
  int managerVersion;
};

class DocumentHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(DocumentHeaderTest, LoadsWhateverTheTextsAndWithEveryManagerVersion) {
  const HeaderCase& c = GetParam();
  const DS_FileKey picture(L"C:\\scene\\sky.bmp", 3);
  const DS_FileKey sound(L"C:\\scene\\wind.wav", 4);
  DS_IOF_W s;
  s.WriteString(c.signature);
  WriteLevelHeader(s, c.showClass, 7);
  s.WriteUInt(1);
  std::unique_ptr<DS_SlideContainer> slide(MakeSlide(1, 10, 1, picture));
  slide->Write(s);
  s.WriteUInt(0);
  ds_test::DocResRecord record;
  record.usedImages[picture].push_back(ds_test::MakeFileEntry(picture.path, MakeSolidBmp(4, 4, 0x112233)));
  record.otherFiles[sound].push_back(ds_test::MakeFileEntry(sound.path, {1, 2, 3}));
  const std::vector<unsigned char> tables = ds_test::WriteDocResRecord(c.managerVersion, record);
  s.WriteBytes(tables.data(), tables.size());
  const std::vector<unsigned char>& bytes = s.Bytes();

  DS_DocResManager* before = g_CurrentDocResManager;
  std::unique_ptr<DS_SlideShow_Light> show(LoadSceneDocumentFromMemory(bytes.data(), bytes.size()));
  ASSERT_EQ(1u, show->GetSlideCount());
  EXPECT_EQ(picture, show->GetSlide(0)->GetLight()->GetPictureLink().GetKey());
  DS_DocResManager* manager = g_CurrentDocResManager;
  ASSERT_NE(before, manager);
  EXPECT_EQ(1u, manager->Tables().textureSets.count(picture));
  EXPECT_EQ(c.managerVersion >= 2 ? 1u : 0u, manager->Tables().otherFiles.count(sound))
      << "manager version " << c.managerVersion;
  SetCurrentDocResManager(before);
  delete manager;
}

INSTANTIATE_TEST_SUITE_P(Headers, DocumentHeaderTest,
                         ::testing::Values(HeaderCase{L"KTZ v 4.0.0", L"DS_SlideShow_Light", 3},
                                           HeaderCase{L"", L"DS_SlideShow_Light", 3},
                                           HeaderCase{L"some other text", L"DS_SomethingElse", 3},
                                           HeaderCase{L"KTZ v 4.0.0", L"DS_SlideShow_Light", 2},
                                           HeaderCase{L"KTZ v 4.0.0", L"DS_SlideShow_Light", 1}));

TEST(SceneDocumentTest, EveryCutOfAValidDocumentFailsCleanly) {
  const std::vector<unsigned char> bytes = RichDocument();
  const int probesBefore = TestProbeItem::LiveCount();
  const int timeLinesBefore = DS_TimeLineControl::LiveCount();
  ASSERT_TRUE(Load(bytes, bytes.size()).loaded);
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    const LoadResult result = Load(bytes, cut);
    EXPECT_FALSE(result.loaded) << "a document cut at " << cut << " of " << bytes.size() << " loaded";
    EXPECT_EQ(0x8200000Bu, result.code);
  }
  EXPECT_EQ(probesBefore, TestProbeItem::LiveCount()) << "a failed load left items behind";
  EXPECT_EQ(timeLinesBefore, DS_TimeLineControl::LiveCount());
}

TEST(SceneDocumentTest, MutatedDocumentsLoadOrFailCleanlyWithinTheirSize) {
  const std::vector<unsigned char> original = RichDocument();
  const int probesBefore = TestProbeItem::LiveCount();
  const int timeLinesBefore = DS_TimeLineControl::LiveCount();
  std::mt19937 random(20261210);
  const int kDocuments = 3000;
  int loaded = 0;
  size_t largest = 0;
  for (int n = 0; n < kDocuments; ++n) {
    std::vector<unsigned char> bytes = original;
    const int changes = 1 + int(random() % 4);
    for (int c = 0; c < changes; ++c) {
      const size_t at = random() % bytes.size();
      switch (random() % 4) {
        case 0: bytes[at] = static_cast<unsigned char>(random()); break;
        case 1: bytes[at] = 0xFF; break;
        case 2: bytes[at] = 0x00; break;
        default: bytes[at] ^= static_cast<unsigned char>(1u << (random() % 8)); break;
      }
    }
    g_largestAllocation = 0;
    g_trackAllocations = true;
    const LoadResult result = Load(bytes, bytes.size());
    g_trackAllocations = false;
    if (result.loaded) {
      ++loaded;
    } else {
      ASSERT_EQ(0x8200000Bu, result.code) << "document " << n;
    }
    if (g_largestAllocation > largest) largest = g_largestAllocation;
    ASSERT_LE(g_largestAllocation, 2 * bytes.size() + 4096) << "document " << n << " allocated beyond its size";
  }
  EXPECT_GT(loaded, 0) << "no mutation left a loadable document: the run tests nothing but the first bytes";
  EXPECT_LT(loaded, kDocuments);
  EXPECT_EQ(probesBefore, TestProbeItem::LiveCount());
  EXPECT_EQ(timeLinesBefore, DS_TimeLineControl::LiveCount());
  RecordProperty("largest_allocation", int(largest));
}

}  // namespace

// ---- a load that is asked to stop ----

// A long document: `count` slides, each with its own picture and an item.
std::vector<unsigned char> LargeDocument(int count) {
  DS_SlideShow_Light show;
  std::vector<EmbeddedPicture> pictures;
  for (int i = 0; i < count; ++i) {
    const DS_FileKey key(L"C:\\scene\\many" + std::to_wstring(i) + L".bmp", 5000 + i);
    pictures.push_back({key, MakeSolidBmp(4, 4, 0x010203u * uint32_t(i % 80))});
    DS_SlideContainer* slide = MakeSlide(1, 2, 1, key);
    TestProbeItem* probe = new TestProbeItem();
    probe->tag = i;
    slide->AddVisualItem(probe);
    show.AddSlide(slide);
  }
  return WriteDocument(show, pictures);
}

// The check is asked between the records and between the pictures; a yes stops the
// load there: it yields nothing, leaves nothing behind, and asks no more.
TEST(SceneDocumentTest, ALoadStopsAtTheQuestionAnsweredYesAndLeavesNothingBehind) {
  const int kSlides = 1000;
  const std::vector<unsigned char> bytes = LargeDocument(kSlides);
  const int probesBefore = TestProbeItem::LiveCount();
  DS_DocResManager* before = g_CurrentDocResManager;

  ds_test::CountingAbortCheck never;
  {
    std::unique_ptr<DS_SlideShow_Light> show(LoadSceneDocumentFromMemory(bytes.data(), bytes.size(), &never));
    ASSERT_TRUE(show);
    EXPECT_EQ(size_t(kSlides), show->GetSlideCount());
    EXPECT_FALSE(show->Aborted());
    DS_DocResManager* manager = g_CurrentDocResManager;
    SetCurrentDocResManager(before);
    delete manager;
  }
  // Each slide's record, its layer's and its item's, and each picture.
  ASSERT_GE(never.asked, 4 * kSlides) << "the load asked too seldom to be stopped in time";

  // At the first record, among the slides, and at the last picture.
  for (int yesAt : {1, never.asked / 2, never.asked}) {
    ds_test::CountingAbortCheck check(yesAt);
    DS_SlideShow_Light* show = nullptr;
    EXPECT_NO_THROW(show = LoadSceneDocumentFromMemory(bytes.data(), bytes.size(), &check)) << "yes at " << yesAt;
    EXPECT_EQ(nullptr, show) << "yes at " << yesAt;
    delete show;
    EXPECT_EQ(yesAt, check.asked) << "the load went on asking after the yes";
    EXPECT_EQ(before, g_CurrentDocResManager) << "a stopped load changed the current manager";
    EXPECT_EQ(probesBefore, TestProbeItem::LiveCount()) << "a stopped load left items behind";
  }
}

// Stopped among the slides, the reading leaves the records after that one unread.
TEST(SceneDocumentTest, AStoppedReadingLeavesTheRestOfTheDocumentUnread) {
  const int kSlides = 1000;
  const std::vector<unsigned char> bytes = LargeDocument(kSlides);
  ds_test::CountingAbortCheck check(30);
  ResourceBuffer buffer(bytes.data(), bytes.size());
  ds_string signature;
  buffer.ReadString(signature);
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  handle->SetAbortCheck(&check);
  std::unique_ptr<DS_SlideShow_Light> show(ReadSlideShowRecord(handle));
  EXPECT_EQ(nullptr, show);
  EXPECT_TRUE(handle->Aborted());
  EXPECT_TRUE(handle->Failed());
  // Thirty questions are a few slides: nearly all of the document is left.
  EXPECT_GT(buffer.BytesLeft(), bytes.size() * 9 / 10) << "the reading went on after the yes";
}
