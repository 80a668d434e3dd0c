// The end of the run and the media thread: the saver releases every sound once, on
// the media thread, and what a wait that gave up leaves on that thread never reaches
// a saver or a slot that is gone. The slots here show slide shows made in code, with
// sound items and a music player that record what reaches them and can be held in
// the middle of a call, as a media call blocked in the media stack is.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "host/SceneScreensaver.h"
#include "render/SlideContainer.h"
#include "render/SlideShow.h"
#include "sound/MediaThread.h"
#include "sound/MusicPlayList.h"
#include "sound/SoundItems.h"

namespace {

// Only a hang waits this long, on a loaded machine too.
const DWORD kHangMs = 60000;
// Time enough for a media thread that waits for work to take up a command posted to it,
// on a loaded machine too.
const DWORD kTakeUpMs = 5000;

class Event {
public:
  Event() : m_handle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  ~Event() { CloseHandle(m_handle); }
  void Set() { SetEvent(m_handle); }
  bool Wait(DWORD ms = kHangMs) { return WaitForSingleObject(m_handle, ms) == WAIT_OBJECT_0; }

private:
  HANDLE m_handle;
};

// What the sound items of one slide show saw of their release. With `hold`, a
// release waits for `letGo` in the middle.
struct ReleaseLog {
  volatile LONG releases = 0;
  volatile LONG thread = 0;
  bool hold = false;
  Event entered;
  Event letGo;
  Event released;
};

class RecordingSound : public DS_Sound_Ctrl {
public:
  explicit RecordingSound(std::shared_ptr<ReleaseLog> log) : m_log(std::move(log)) {}

  void Prepare() override {}
  void Stop() override {}
  void Update(float) override {}
  void ReleaseMedia() override {
    InterlockedExchange(&m_log->thread, LONG(GetCurrentThreadId()));
    if (m_log->hold) {
      m_log->entered.Set();
      m_log->letGo.Wait();
    }
    InterlockedIncrement(&m_log->releases);
    m_log->released.Set();
  }
  DS_Sound_Ctrl* Clone() const override { return new RecordingSound(*this); }

private:
  std::shared_ptr<ReleaseLog> m_log;
};

// One slide with a recording sound, and `tracks` music tracks named by path only.
std::unique_ptr<DS_SlideShow_Light> MakeShow(const std::shared_ptr<ReleaseLog>& log, int tracks = 0) {
  std::unique_ptr<DS_SlideShow_Light> show(new DS_SlideShow_Light());
  DS_SlideContainer* slide = new DS_SlideContainer();
  slide->AddSecondaryItem(new RecordingSound(log));
  show->AddSlide(slide);
  for (int i = 0; i < tracks; ++i) {
    DS_AudioFile* track = new DS_AudioFile();
    track->GetFile().SetName(L"C:\\music\\track" + std::to_wstring(i) + L".mp3");
    show->AddAudioFile(track);
  }
  show->BuildSlideObjects();
  return show;
}

// A slot that shows a slide show made here instead of loading the document. The
// show stays the test's, and outlives the slot as a loaded one outlives its slot.
class ShowSlot : public DS_SceneSlot {
public:
  explicit ShowSlot(DS_SlideShow_Light* show, std::shared_ptr<DS_MusicPlayer> player = nullptr)
      : DS_SceneSlot(nullptr, std::move(player)) {
    m_slideShow = show;
    m_loaded = true;
  }
  void StartMusicForTest() { StartMusic(); }
};

// The shows the next saver's slots get, by slot index.
std::vector<DS_SlideShow_Light*> s_slotShows;

std::unique_ptr<DS_SceneSlot> MakeShowSlot(UINT index) {
  DS_SlideShow_Light* show = index < s_slotShows.size() ? s_slotShows[index] : nullptr;
  return std::unique_ptr<DS_SceneSlot>(new ShowSlot(show));
}

class EndOfRun : public ::testing::Test {
protected:
  // The shows are built without a device or a document: whatever an earlier test
  // left current stays out of their way.
  void SetUp() override {
    m_device = g_CurrentDevice;
    m_viewContext = g_CurrentViewContext;
    m_manager = g_CurrentDocResManager;
    g_CurrentDevice = nullptr;
    g_CurrentViewContext = nullptr;
    SetCurrentDocResManager(nullptr);
  }
  void TearDown() override {
    g_CurrentDevice = m_device;
    g_CurrentViewContext = m_viewContext;
    SetCurrentDocResManager(m_manager);
    s_slotShows.clear();
    if (MediaThread().IsRunning()) {
      EXPECT_TRUE(MediaThread().WaitIdle(kHangMs)) << "the media thread is stuck";
    }
  }

  IDirect3DDevice9* m_device = nullptr;
  DS_ViewContext* m_viewContext = nullptr;
  DS_DocResManager* m_manager = nullptr;
};

// Memory for an object whose bytes are overwritten once it is destroyed, so that a
// command that still reaches it finds garbage (and fails) instead of what was there.
template <class T>
class Overwritten {
public:
  Overwritten() : m_bytes(new unsigned char[sizeof(T)]) {}
  template <class... Args>
  T* Make(Args&&... args) {
    return new (m_bytes.get()) T(std::forward<Args>(args)...);
  }
  void Destroy(T* object) {
    object->~T();
    std::memset(m_bytes.get(), 0xDD, sizeof(T));
  }

private:
  std::unique_ptr<unsigned char[]> m_bytes;
};

struct EndCase {
  const char* name;
  // The saver's end ran before it went (a key); otherwise only its destructor ends
  // the run (the saver went after a start-up failure).
  bool endedFirst;
};

class EndPaths : public EndOfRun, public ::testing::WithParamInterface<EndCase> {};

TEST_P(EndPaths, EverySoundIsReleasedOnceOnTheMediaThread) {
  const EndCase& c = GetParam();
  std::vector<std::shared_ptr<ReleaseLog>> logs = {std::make_shared<ReleaseLog>(), std::make_shared<ReleaseLog>()};
  std::unique_ptr<DS_SlideShow_Light> first = MakeShow(logs[0]), second = MakeShow(logs[1]);
  s_slotShows = {first.get(), second.get()};
  {
    CSceneScreensaver saver(MakeShowSlot);
    if (c.endedFirst) {
      ASSERT_TRUE(saver.ReleaseMedia()) << c.name;
      for (const auto& log : logs) EXPECT_EQ(1, log->releases) << c.name << ": once the end has run";
    }
  }
  for (size_t i = 0; i < logs.size(); ++i) {
    EXPECT_EQ(1, logs[i]->releases) << c.name << ": slot " << i;
    EXPECT_NE(LONG(GetCurrentThreadId()), logs[i]->thread) << c.name << ": slot " << i << " released on the window thread";
  }
}

INSTANTIATE_TEST_SUITE_P(Ends, EndPaths,
                         ::testing::Values(EndCase{"the end, then the saver goes", true},
                                           EndCase{"the saver goes without an end", false}));

// The release is held inside the first slot's sound until its wait has given up and
// the saver and its slots are gone; it then goes on to the second slot's sounds
// without reaching for the saver.
TEST_F(EndOfRun, AReleaseThatOutlivesItsWaitReachesNoSaverOrSlot) {
  auto held = std::make_shared<ReleaseLog>();
  held->hold = true;
  auto next = std::make_shared<ReleaseLog>();
  // The shows stay for the rest of the process, as loaded ones do: the release left
  // behind may still be walking the second one when this test ends.
  s_slotShows = {MakeShow(held).release(), MakeShow(next).release()};

  // The media thread waits for work when the end comes: a wait that gave up before the
  // thread took the release up would drop it, as it must, and leave nothing to watch.
  ASSERT_TRUE(MediaThread().Post([] {}));
  ASSERT_TRUE(MediaThread().WaitIdle(kHangMs)) << "the media thread is stuck";

  Overwritten<CSceneScreensaver> memory;
  CSceneScreensaver* saver = memory.Make(MakeShowSlot);
  EXPECT_FALSE(saver->ReleaseMedia(kTakeUpMs)) << "the release cannot end while it is held";
  ASSERT_TRUE(held->entered.Wait()) << "the release never reached the first slot";
  memory.Destroy(saver);

  held->letGo.Set();
  ASSERT_TRUE(next->released.Wait()) << "the release did not go on to the second slot";
  EXPECT_EQ(1, held->releases);
  EXPECT_EQ(1, next->releases);
  EXPECT_NE(LONG(GetCurrentThreadId()), next->thread);
}

// Plays every track; the first call waits for `letGo`, as a Stop of the previous
// track blocked in the media stack does.
class HeldPlayer : public DS_MusicPlayer {
public:
  bool PlayFile(const ds_string&) override {
    if (InterlockedIncrement(&plays) == 1) {
      entered.Set();
      letGo.Wait();
    }
    return true;
  }
  void Rewind() override { InterlockedIncrement(&rewinds); }
  void ApplySettings(const DS_SoundSettings&) override {}

  volatile LONG plays = 0;
  volatile LONG rewinds = 0;
  Event entered;
  Event letGo;
};

// A slot that goes while its music work is queued behind a blocked call: the slot
// does not wait for it, and the work, run later, finds the play list and the player
// alive; the slot's sounds are released after it, on the media thread.
TEST_F(EndOfRun, ASlotGoneWithMusicWorkQueuedLeavesWorkThatNeedsNothingOfIt) {
  auto player = std::make_shared<HeldPlayer>();
  auto log = std::make_shared<ReleaseLog>();
  std::unique_ptr<DS_SlideShow_Light> show = MakeShow(log, 2);

  Overwritten<ShowSlot> memory;
  ShowSlot* slot = memory.Make(show.get(), player);
  slot->StartMusicForTest();
  ASSERT_TRUE(player->entered.Wait()) << "the first track never started";
  slot->OnMusicEvent(DS_MusicPlayList::kTrackComplete);
  memory.Destroy(slot);

  player->letGo.Set();
  ASSERT_TRUE(MediaThread().WaitIdle(kHangMs)) << "the media thread is stuck";
  EXPECT_EQ(2, player->plays) << "the end of the first track did not move the list on";
  ASSERT_TRUE(log->released.Wait()) << "the sounds of the slot that went were not released";
  EXPECT_EQ(1, log->releases);
  EXPECT_NE(LONG(GetCurrentThreadId()), log->thread);
}

}  // namespace
