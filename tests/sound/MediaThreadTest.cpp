// The media thread: commands run in order away from the caller, every wait for it is
// bounded, and a thread blocked for good is left behind without holding anyone.
#include <gtest/gtest.h>

#include <vector>

#include "sound/MediaThread.h"

namespace {

// Media work takes a loaded machine seconds; only a stuck media thread waits this long.
const DWORD kMediaWaitMs = 60000;

TEST(MediaThread, RunsCommandsInOrderOnAThreadOfItsOwn) {
  DS_MediaThread media;
  std::vector<int> order;
  DWORD thread = 0;
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(media.Post([&order, &thread, i] {
      thread = GetCurrentThreadId();
      order.push_back(i);
    }));
  }
  ASSERT_TRUE(media.WaitIdle(kMediaWaitMs));
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), order);
  EXPECT_NE(GetCurrentThreadId(), thread);
  EXPECT_TRUE(media.Finish(kMediaWaitMs));
  EXPECT_FALSE(media.IsRunning());
}

TEST(MediaThread, FinishRunsWhatWasQueuedAndALaterCommandStartsAFreshThread) {
  DS_MediaThread media;
  int ran = 0;
  media.Post([&ran] {
    Sleep(50);
    ++ran;
  });
  media.Post([&ran] { ++ran; });
  ASSERT_TRUE(media.Finish(kMediaWaitMs));
  EXPECT_EQ(2, ran);

  ASSERT_TRUE(media.Post([&ran] { ++ran; }));
  EXPECT_TRUE(media.IsRunning());
  ASSERT_TRUE(media.WaitIdle(kMediaWaitMs));
  EXPECT_EQ(3, ran);
}

TEST(MediaThread, ACommandThatThrowsDoesNotStopTheNext) {
  DS_MediaThread media;
  bool ran = false;
  media.Post([] { throw 1; });
  media.Post([&ran] { ran = true; });
  ASSERT_TRUE(media.WaitIdle(kMediaWaitMs));
  EXPECT_TRUE(ran);
}

// A media call that never returns (a Stop stuck in the media stack): the waits give
// up in time, the commands queued behind it are dropped, and the owner carries on.
TEST(MediaThread, BlockedThreadIsLeftBehindWithinTheBound) {
  HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(nullptr, never);
  DS_MediaThread media;
  bool behind = false;
  media.Post([never] { WaitForSingleObject(never, INFINITE); });
  media.Post([&behind] { behind = true; });

  // Returning at all shows the bound: the blocked command never ends by itself. The
  // limits only catch a wait far beyond its bound, even on a loaded machine.
  DWORD start = GetTickCount();
  EXPECT_FALSE(media.WaitIdle(200));
  EXPECT_LT(GetTickCount() - start, 10000u);
  start = GetTickCount();
  EXPECT_FALSE(media.Finish(300));
  EXPECT_LT(GetTickCount() - start, 10000u) << "Finish waited beyond its bound";
  EXPECT_FALSE(media.IsRunning());

  // A fresh thread serves the next command.
  bool fresh = false;
  ASSERT_TRUE(media.Post([&fresh] { fresh = true; }));
  ASSERT_TRUE(media.WaitIdle(kMediaWaitMs));
  EXPECT_TRUE(fresh);

  // The old thread wakes up and ends without running what was queued behind it.
  SetEvent(never);
  Sleep(200);
  EXPECT_FALSE(behind);
  CloseHandle(never);
  EXPECT_TRUE(media.Finish(kMediaWaitMs));
}

}  // namespace
