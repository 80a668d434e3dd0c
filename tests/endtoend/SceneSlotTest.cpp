// Scene slots over the embedded default scene, in this process on the test device:
// the splash frame, the loading frame, the first slide, the music play list, and the
// error path of a document that is not there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "host/ErrorCodes.h"
#include "host/SceneScreensaver.h"
#include "render/SlideContainer.h"
#include "render/SlideShow.h"
#include "render/ViewContext.h"
#include "sound/MediaThread.h"
#include "sound/MusicFileStore.h"
#include "sound/SoundItems.h"
#include "support/CountingAbortCheck.h"
#include "support/TestDevice.h"
#include "tools/DefaultSceneContent.h"

namespace {

// Media work takes a loaded machine seconds; only a stuck media thread waits this long.
const DWORD kMediaWaitMs = 60000;

using ds_test::Image;

// Plays nothing; remembers what it was asked to play.
class RecordingPlayer : public DS_MusicPlayer {
public:
  bool PlayFile(const ds_string& path) override {
    played.push_back(path);
    return true;
  }
  void Rewind() override { ++rewinds; }
  void ApplySettings(const DS_SoundSettings&) override {}

  std::vector<ds_string> played;
  int rewinds = 0;
};

int ChannelDistance(uint32_t a, uint32_t b) {
  int most = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    most = std::max(most, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  }
  return most;
}

// Pixels of `image` within `tolerance` of `colour`, per channel.
int CountNear(const Image& image, uint32_t colour, int tolerance) {
  int count = 0;
  for (uint32_t pixel : image.pixels) {
    if (ChannelDistance(pixel, colour) <= tolerance) ++count;
  }
  return count;
}

// The share of the picture that holds any of a slide picture's mark colours.
double ShareOfSlideColours(const Image& image, const ds_tools::ScenePicture& picture) {
  int count = 0;
  for (const ds_tools::ColourMark& mark : picture.marks) count += CountNear(image, mark.colour, 6);
  return double(count) / double(image.pixels.size());
}

// The splash picture's moon (a flat disc) and the black beside the splash square.
const uint32_t kSplashMoon = 0xF0E8BE;

class SceneSlotTest : public ds_test::DeviceTest {
protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_CurrentDevice = device;
    m_previousManager = g_CurrentDocResManager;
  }
  void TearDown() override {
    g_CurrentViewContext = nullptr;
    g_CurrentDevice = nullptr;
    SetCurrentDocResManager(m_previousManager);
    DeviceTest::TearDown();
  }
  // What the host's SelectRenderUnit publishes for a slot.
  static void Select(DS_SceneSlot& slot) {
    g_CurrentViewContext = slot.ViewContext();
    if (slot.ResourceManager()) SetCurrentDocResManager(slot.ResourceManager());
  }
  // What a frame that draws nothing would present.
  void FillBackBuffer(D3DCOLOR colour) {
    ASSERT_HRESULT_SUCCEEDED(device->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0));
  }
  // The play list works on the media thread; its results show once that is idle.
  static void WaitForMusic() { ASSERT_TRUE(MediaThread().WaitIdle(kMediaWaitMs)) << "the media thread is stuck"; }
  // The splash frame and the loading frame, as the host's first two frames.
  static void Load(DS_SceneSlot& slot) {
    Select(slot);
    slot.DrawSplash();
    ASSERT_EQ(S_OK, slot.LoadScene());
    WaitForMusic();
  }
  static Image BackBuffer() {
    Image image;
    EXPECT_TRUE(ds_test::ReadBackBuffer(image));
    return image;
  }

  DS_DocResManager* m_previousManager = nullptr;
};

TEST_F(SceneSlotTest, SplashThenLoadThenTheFirstSlideWithItsMusic) {
  auto player = std::make_shared<RecordingPlayer>();
  DS_SceneSlot slot(nullptr, player);
  Select(slot);

  slot.DrawSplash();
  ASSERT_TRUE(slot.IsSplashShown());
  ASSERT_FALSE(slot.IsLoaded());
  // A square of two thirds of the height, centred: 160 x 160 at (80, 40) here.
  Image splash = BackBuffer();
  const int moonX = 80 + int(0.62f * 160), moonY = 40 + int(0.30f * 160);
  EXPECT_LE(ChannelDistance(kSplashMoon, splash.RgbAt(moonX, moonY)), 8)
      << ds_test::ColorText(splash.RgbAt(moonX, moonY)) << " " << ds_test::SaveFailureImage(splash, "splash");
  EXPECT_EQ(0u, splash.RgbAt(40, 120)) << "black beside the splash";

  FillBackBuffer(0xFFFF0000);
  ASSERT_EQ(S_OK, slot.LoadScene());
  ASSERT_TRUE(slot.IsLoaded());
  ASSERT_TRUE(slot.HasSlideShow());
  ASSERT_NE(nullptr, slot.ResourceManager());
  EXPECT_EQ(slot.ResourceManager(), g_CurrentDocResManager);
  EXPECT_EQ(ds_tools::DefaultSlides().size(), slot.SlideShow()->GetSlideCount());
  // The loading frame is presented too: it shows the splash again.
  Image loading = BackBuffer();
  EXPECT_LE(ChannelDistance(kSplashMoon, loading.RgbAt(moonX, moonY)), 8)
      << ds_test::SaveFailureImage(loading, "loading_frame");

  // The first track plays from the file its bytes were written to.
  WaitForMusic();
  ASSERT_EQ(1u, player->played.size());
  EXPECT_TRUE(IsExistingFile(player->played[0])) << std::string(player->played[0].begin(), player->played[0].end());
  EXPECT_EQ(1u, slot.PlayList().Cursor());
  EXPECT_EQ(ds_tools::MakeMusicTracks().size(), slot.PlayList().TrackCount());

  Select(slot);
  slot.Update(100.0f);
  slot.DrawScene();
  Image first = BackBuffer();
  const std::vector<ds_tools::ScenePicture> pictures = ds_tools::MakeSlidePictures();
  const double own = ShareOfSlideColours(first, pictures[size_t(ds_tools::DefaultSlides()[0].picture)]);
  EXPECT_GT(own, 0.05) << ds_test::SaveFailureImage(first, "first_slide");
  for (const ds_tools::DefaultSlide& other : std::vector<ds_tools::DefaultSlide>(
           ds_tools::DefaultSlides().begin() + 1, ds_tools::DefaultSlides().end())) {
    if (other.picture == ds_tools::DefaultSlides()[0].picture) continue;
    EXPECT_LT(ShareOfSlideColours(first, pictures[size_t(other.picture)]), own / 4)
        << "the first slide looks like the picture of slide " << std::string(other.name, other.name + wcslen(other.name));
  }
}

TEST_F(SceneSlotTest, CompletedTracksMoveThePlayListOnAndWrap) {
  auto player = std::make_shared<RecordingPlayer>();
  DS_SceneSlot slot(nullptr, player);
  ASSERT_NO_FATAL_FAILURE(Load(slot));
  ASSERT_EQ(2u, slot.PlayList().TrackCount());
  const ds_string first = player->played.at(0);

  slot.OnMusicEvent(0x0E);  // not the end of a track
  WaitForMusic();
  EXPECT_EQ(1u, player->played.size());
  slot.OnMusicEvent(DS_MusicPlayList::kTrackComplete);
  slot.OnMusicEvent(DS_MusicPlayList::kTrackComplete);
  WaitForMusic();
  ASSERT_EQ(3u, player->played.size());
  EXPECT_NE(first, player->played[1]);
  EXPECT_EQ(first, player->played[2]) << "after the last track the list starts again";
}

TEST_F(SceneSlotTest, MissingDocumentGivesTheMediaErrorAndDrawsBlack) {
  auto player = std::make_shared<RecordingPlayer>();
  // A module without the document.
  DS_SceneSlot slot(GetModuleHandleW(L"kernel32.dll"), player);
  Select(slot);
  slot.DrawSplash();
  FillBackBuffer(0xFFFF0000);
  EXPECT_EQ(DS_E_MEDIANOTFOUND, slot.LoadScene());
  EXPECT_TRUE(slot.IsLoaded());
  EXPECT_FALSE(slot.HasSlideShow());
  EXPECT_EQ(nullptr, slot.ResourceManager());
  Image loading = BackBuffer();
  EXPECT_EQ(size_t(CountNear(loading, 0, 0)), loading.pixels.size()) << "the failed loading frame is black";

  // No later frame, event or device hook reaches for the missing show.
  slot.Update(1.0f);
  slot.DrawScene();
  slot.OnMusicEvent(DS_MusicPlayList::kTrackComplete);
  slot.OnDeviceLost();
  slot.OnDeviceRestored();
  if (MediaThread().IsRunning()) WaitForMusic();
  EXPECT_TRUE(player->played.empty());
}

// The saver ends while a slot loads: the load stops at the question answered yes, at
// its first record or at its last step, and the slot then has no scene, starts no
// music and draws nothing more (the device may be gone by then).
TEST_F(SceneSlotTest, ALoadStoppedByTheEndOfTheSaverLeavesNoSceneAndDrawsNothing) {
  ds_test::CountingAbortCheck never;
  {
    auto player = std::make_shared<RecordingPlayer>();
    DS_SceneSlot whole(nullptr, player);
    whole.SetAbortCheck(&never);
    ASSERT_NO_FATAL_FAILURE(Load(whole));
    ASSERT_TRUE(whole.HasSlideShow());
  }
  ASSERT_GT(never.asked, 1);
  for (int yesAt : {1, never.asked}) {
    auto player = std::make_shared<RecordingPlayer>();
    DS_SceneSlot slot(nullptr, player);
    ds_test::CountingAbortCheck check(yesAt);
    slot.SetAbortCheck(&check);
    Select(slot);
    slot.DrawSplash();
    FillBackBuffer(0xFFFF0000);
    EXPECT_EQ(S_FALSE, slot.LoadScene()) << "yes at " << yesAt;
    EXPECT_EQ(yesAt, check.asked) << "the load went on asking after the yes";
    EXPECT_TRUE(slot.IsLoaded());
    EXPECT_FALSE(slot.HasSlideShow());
    EXPECT_EQ(nullptr, slot.ResourceManager());
    Image loading = BackBuffer();
    EXPECT_EQ(size_t(CountNear(loading, 0xFF0000, 0)), loading.pixels.size()) << "a stopped load drew";
    if (MediaThread().IsRunning()) WaitForMusic();
    EXPECT_TRUE(player->played.empty()) << "a stopped load started the music";
  }
}

// With two monitors each slot reads its own copy of the document.
TEST_F(SceneSlotTest, EachSlotLoadsItsOwnCopy) {
  auto player = std::make_shared<RecordingPlayer>();
  DS_SceneSlot first(nullptr, player), second(nullptr, player);
  for (DS_SceneSlot* slot : {&first, &second}) ASSERT_NO_FATAL_FAILURE(Load(*slot));
  EXPECT_NE(first.SlideShow(), second.SlideShow());
  EXPECT_NE(first.ResourceManager(), second.ResourceManager());
  EXPECT_EQ(second.ResourceManager(), g_CurrentDocResManager) << "the manager loaded last is current";
  Select(first);
  EXPECT_EQ(first.ResourceManager(), g_CurrentDocResManager);
  EXPECT_EQ(2u, player->played.size()) << "every load starts the music with the first track";
  EXPECT_EQ(player->played[0], player->played[1]);
}

// Slot 0 has no scene, slot 1 has: the music graph's events reach slot 1 even while
// slot 0 is the current one.
TEST_F(SceneSlotTest, MusicEventsGoOnlyToASlotWithASlideShow) {
  static std::shared_ptr<RecordingPlayer> player;
  player = std::make_shared<RecordingPlayer>();
  CSceneScreensaver saver([](UINT index) {
    return std::unique_ptr<DS_SceneSlot>(
        new DS_SceneSlot(index == 0 ? GetModuleHandleW(L"kernel32.dll") : nullptr, player));
  });
  DS_SceneSlot& empty = *saver.Slot(0);
  DS_SceneSlot& loaded = *saver.Slot(1);
  Select(empty);
  empty.DrawSplash();
  EXPECT_HRESULT_FAILED(empty.LoadScene());
  Select(loaded);
  loaded.DrawSplash();
  ASSERT_EQ(S_OK, loaded.LoadScene());
  WaitForMusic();
  ASSERT_EQ(1u, player->played.size());

  saver.SelectRenderUnit(0);
  EXPECT_EQ(&loaded, saver.MusicSlot());
  saver.OnMediaEvent(DS_MusicPlayList::kTrackComplete);
  WaitForMusic();
  EXPECT_EQ(2u, player->played.size());
  EXPECT_EQ(loaded.ResourceManager(), g_CurrentDocResManager) << "a slot without a scene publishes no manager";
}

// The end of the run silences every sound object of every slide for good.
TEST_F(SceneSlotTest, ReleasedSoundsStaySilent) {
  auto player = std::make_shared<RecordingPlayer>();
  DS_SceneSlot slot(nullptr, player);
  ASSERT_NO_FATAL_FAILURE(Load(slot));
  std::vector<DS_Sound*> sounds;
  for (size_t i = 0; i < slot.SlideShow()->GetSlideCount(); ++i) {
    for (const DS_SharedRef<DS_ABObj>& object : slot.SlideShow()->GetSlide(i)->GetSecondaryObjects()) {
      if (DS_Sound* sound = dynamic_cast<DS_Sound*>(object.Get())) sounds.push_back(sound);
    }
  }
  ASSERT_FALSE(sounds.empty()) << "the default scene has a sound object";
  for (DS_Sound* sound : sounds) EXPECT_TRUE(sound->IsSoundEnabled());

  slot.ReleaseSounds();
  for (DS_Sound* sound : sounds) EXPECT_FALSE(sound->IsSoundEnabled());
}

}  // namespace
