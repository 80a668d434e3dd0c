// The default scene document as the builder writes it, read back with the saver's own
// loader: the slides with their fades, pictures and cameras, the music tracks, the
// WAV sound item and the files it all needs; and what a document cut short does.

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "document/DocResManager.h"
#include "document/SceneDocument.h"
#include "render/DeviceGlobals.h"
#include "render/SlideShow.h"
#include "render/TimeLine.h"
#include "sound/WAVFile.h"
#include "sound/WAVSoundItem.h"
#include "support/TestDevice.h"
#include "tools/DefaultSceneContent.h"
#include "tools/DefaultSceneDocument.h"

namespace {

using ds_tools::DefaultSlide;

std::string Name(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Loads `bytes` and keeps the show and its manager; the previous manager comes back
// when the document goes.
class LoadedDocument {
public:
  explicit LoadedDocument(const std::vector<unsigned char>& bytes) : m_previous(g_CurrentDocResManager) {
    show.reset(LoadSceneDocumentFromMemory(bytes.data(), bytes.size()));
    manager.reset(g_CurrentDocResManager);
  }
  ~LoadedDocument() {
    // The show before the manager its items were read for.
    show.reset();
    manager.reset();
    SetCurrentDocResManager(m_previous);
  }

  std::unique_ptr<DS_SlideShow_Light> show;
  std::unique_ptr<DS_DocResManager> manager;

private:
  DS_DocResManager* m_previous;
};

const std::vector<unsigned char>& Document() {
  static const std::vector<unsigned char> document = ds_tools::BuildDefaultSceneDocument();
  return document;
}

TEST(DefaultSceneDocument, IsTheSameForTheSameCode) {
  ASSERT_FALSE(Document().empty());
  EXPECT_TRUE(Document() == ds_tools::BuildDefaultSceneDocument()) << "two builds must embed the same bytes";
}

TEST(DefaultSceneDocument, SlidesReadBackWithTheirTimesPicturesAndCameras) {
  LoadedDocument loaded(Document());
  const std::vector<DefaultSlide>& slides = ds_tools::DefaultSlides();
  const std::vector<ds_tools::ScenePicture> pictures = ds_tools::MakeSlidePictures();
  ASSERT_EQ(slides.size(), loaded.show->GetSlideCount());
  for (size_t i = 0; i < slides.size(); ++i) {
    const DefaultSlide& wanted = slides[i];
    DS_SharedRef<DS_SlideContainer> slide = loaded.show->GetSlide(i);
    SCOPED_TRACE(Name(wanted.name));
    EXPECT_EQ(std::wstring(wanted.name), slide->name.GetValue());
    EXPECT_EQ(wanted.fadeIn, slide->fadeIn.GetValue());
    EXPECT_EQ(wanted.show, slide->show.GetValue());
    EXPECT_EQ(wanted.fadeOut, slide->fadeOut.GetValue());
    EXPECT_EQ(0u, slide->VisualItemCount());
    EXPECT_EQ(wanted.chime ? 1u : 0u, slide->SecondaryItemCount());

    DS_SharedRef<DS_2D_Light> layer = slide->GetLight();
    ASSERT_TRUE(layer);
    const DS_FileKey picture = layer->GetPictureLink().GetKey();
    EXPECT_EQ(ds_tools::ScenePath(pictures.at(size_t(wanted.picture)).fileName), picture.path);
    EXPECT_FALSE(loaded.manager->GetLibraryEntry(DS_FileLink3(picture)).Size() == 0)
        << "the picture's file is in the document";
    EXPECT_EQ(wanted.cameraOn, layer->GetCamera().on.GetValue());
    EXPECT_EQ(wanted.cameraZoom, layer->GetCamera().zoom.GetValue());
    EXPECT_EQ(wanted.cameraSpeed, layer->GetCamera().speed.GetValue());
    EXPECT_EQ(ds_tools::ScenePath(ds_tools::MakeSurroundPicture().fileName),
              layer->GetCamera().surroundImage.GetKey().path);
  }
}

TEST(DefaultSceneDocument, MusicTracksCarryTheirFiles) {
  LoadedDocument loaded(Document());
  const std::vector<ds_tools::SceneSound> tracks = ds_tools::MakeMusicTracks();
  ASSERT_EQ(tracks.size(), loaded.show->GetAudioFiles().size());
  for (size_t i = 0; i < tracks.size(); ++i) {
    const DS_AudioFile& track = *loaded.show->GetAudioFiles()[i];
    EXPECT_EQ(std::wstring(tracks[i].title), track.GetTitle());
    EXPECT_EQ(ds_tools::ScenePath(tracks[i].fileName), track.GetFile().Name());
    const std::vector<unsigned char> expected = ds_tools::EncodeWav16(tracks[i].clip);
    ASSERT_EQ(expected.size(), track.GetFile().Size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), track.GetFile().Data()));
  }
}

class DefaultSceneBuild : public ds_test::DeviceTest {
protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_CurrentDevice = device;
  }
  void TearDown() override {
    g_CurrentDevice = nullptr;
    DeviceTest::TearDown();
  }
};

// Building the objects makes the chime's sound object, whose item finds its WAV in
// the document and takes the sound's length as its shown time.
TEST_F(DefaultSceneBuild, ChimeBecomesAWAVSoundObjectWithItsFile) {
  LoadedDocument loaded(Document());
  size_t chimes = 0;
  for (size_t i = 0; i < loaded.show->GetSlideCount(); ++i) {
    DS_SharedRef<DS_SlideContainer> slide = loaded.show->GetSlide(i);
    slide->BuildObjects();
    for (const auto& object : slide->GetSecondaryObjects()) {
      auto* item = dynamic_cast<DS_WAV_Constructor*>(object->GetConstructor());
      ASSERT_NE(nullptr, item) << "slide " << i << " has a secondary object that is not a WAV sound";
      ++chimes;
      EXPECT_EQ(ds_tools::kSoundItemVolume, item->volume.GetValue());
      EXPECT_EQ(ds_tools::kSoundItemBalance, item->balance.GetValue());
      EXPECT_EQ(int(DS_TimeLineControl::kCycle), item->TimeLine().mode.GetValue());
      const DS_ResourceEntry& entry = loaded.manager->GetLibraryEntry(item->GetFileLink());
      DS_WAVData wav;
      ASSERT_TRUE(ParseWAVFile(entry.Data(), entry.Size(), wav));
      const unsigned int length = unsigned(WAVLengthHundredths(wav.samples.size(), wav.Format().nAvgBytesPerSec));
      EXPECT_EQ(unsigned(ds_tools::MakeSoundItemSound().clip.Seconds() * 100 + 0.5), length);
      EXPECT_EQ(length, item->TimeLine().shown.lo.GetValue());
      EXPECT_EQ(length, item->TimeLine().shown.hi.GetValue());
    }
  }
  EXPECT_EQ(1u, chimes);
}

// Every cut of the document fails the load with the document's own error, and leaves
// the current manager as it was.
TEST(DefaultSceneDocument, ADocumentCutShortIsRefusedWhole) {
  const std::vector<unsigned char>& document = Document();
  DS_DocResManager* before = g_CurrentDocResManager;
  const size_t cuts[] = {0, 1, 5, 40, 200, 1000, document.size() / 4, document.size() / 2,
                         document.size() - 1};
  for (size_t cut : cuts) {
    std::vector<unsigned char> bytes(document.begin(), document.begin() + std::ptrdiff_t(cut));
    bool refused = false;
    try {
      std::unique_ptr<DS_SlideShow_Light> show(LoadSceneDocumentFromMemory(bytes.data(), bytes.size()));
    } catch (unsigned int code) {
      refused = code == kSceneDocumentMissing;
    }
    EXPECT_TRUE(refused) << "cut at " << cut << " of " << document.size();
    EXPECT_EQ(before, g_CurrentDocResManager) << "cut at " << cut;
  }
}

}  // namespace
