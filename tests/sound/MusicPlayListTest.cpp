#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "sound/MusicPlayList.h"

namespace {

// Records what the play list asks of the player; paths in `broken` cannot be played.
class FakePlayer : public DS_MusicPlayer {
public:
  bool PlayFile(const ds_string& path) override {
    calls.push_back(L"play " + path);
    if (broken.count(path)) return false;
    playing = path;
    return true;
  }
  void Rewind() override { calls.push_back(L"rewind " + playing); }
  void ApplySettings(const DS_SoundSettings& settings) override {
    calls.push_back(L"volume " + std::to_wstring(settings.volume) +
                    (settings.mute ? L" muted" : L""));
  }

  std::vector<ds_string> TakeCalls() {
    std::vector<ds_string> taken;
    taken.swap(calls);
    return taken;
  }

  std::vector<ds_string> calls;
  std::set<ds_string> broken;
  ds_string playing;
};

const long kComplete = DS_MusicPlayList::kTrackComplete;

std::vector<ds_string> Plays(const std::vector<ds_string>& calls) {
  std::vector<ds_string> plays;
  for (const ds_string& c : calls)
    if (c.compare(0, 5, L"play ") == 0 || c.compare(0, 7, L"rewind ") == 0) plays.push_back(c);
  return plays;
}

TEST(MusicPlayList, EmptyListPlaysNothingAndIgnoresEvents) {
  FakePlayer player;
  DS_MusicPlayList list(player);
  list.Start({}, DS_SoundSettings());
  list.OnMusicEvent(kComplete);
  EXPECT_TRUE(player.calls.empty());
}

TEST(MusicPlayList, ThreeTracksPlayInOrderAndWrap) {
  FakePlayer player;
  DS_MusicPlayList list(player);
  DS_SoundSettings settings;
  settings.volume = 80;
  list.Start({L"1", L"2", L"3"}, settings);
  EXPECT_EQ((std::vector<ds_string>{L"play 1", L"volume 80"}), player.TakeCalls());
  EXPECT_EQ(1u, list.Cursor());

  for (int i = 0; i < 4; ++i) list.OnMusicEvent(kComplete);
  EXPECT_EQ((std::vector<ds_string>{L"play 2", L"play 3", L"play 1", L"play 2"}),
            Plays(player.calls));
  EXPECT_EQ(2u, list.Cursor());
}

TEST(MusicPlayList, OnlyAnEndedTrackMovesOn) {
  // Completion and both aborts end the track; an aborted track moves on like a
  // completed one instead of leaving the music silent.
  struct Case {
    long code;
    bool movesOn;
  };
  const Case cases[] = {{-1L, false}, {0L, false}, {0x0EL, false},
                        {kComplete, true}, {DS_MusicPlayList::kTrackUserAbort, true},
                        {DS_MusicPlayList::kTrackErrorAbort, true}};
  for (const Case& c : cases) {
    FakePlayer player;
    DS_MusicPlayList list(player);
    list.Start({L"1", L"2"}, DS_SoundSettings());
    player.TakeCalls();
    list.OnMusicEvent(c.code);
    if (c.movesOn) {
      EXPECT_EQ((std::vector<ds_string>{L"play 2"}), Plays(player.calls)) << "code " << c.code;
      EXPECT_EQ(2u, list.Cursor()) << "code " << c.code;
    } else {
      EXPECT_TRUE(player.calls.empty()) << "code " << c.code;
      EXPECT_EQ(1u, list.Cursor()) << "code " << c.code;
    }
  }
}

TEST(MusicPlayList, OneTrackRewindsInsteadOfReloading) {
  FakePlayer player;
  DS_MusicPlayList list(player);
  list.Start({L"only"}, DS_SoundSettings());
  player.TakeCalls();
  list.OnMusicEvent(kComplete);
  list.OnMusicEvent(kComplete);
  EXPECT_EQ((std::vector<ds_string>{L"rewind only", L"rewind only"}), player.calls);
}

TEST(MusicPlayList, SettingsFollowEveryTrackThatStarts) {
  FakePlayer player;
  DS_MusicPlayList list(player);
  DS_SoundSettings settings;
  settings.volume = 30;
  settings.mute = true;
  list.Start({L"1", L"2"}, settings);
  settings.volume = 60;
  settings.mute = false;
  list.SetSettings(settings);
  list.OnMusicEvent(kComplete);
  EXPECT_EQ((std::vector<ds_string>{L"play 1", L"volume 30 muted", L"play 2", L"volume 60"}),
            player.calls);
}

TEST(MusicPlayList, UnplayableTracksAreSkipped) {
  FakePlayer player;
  player.broken = {L"1", L"3"};
  DS_MusicPlayList list(player);
  list.Start({L"1", L"2", L"3", L"4"}, DS_SoundSettings());
  EXPECT_EQ((std::vector<ds_string>{L"play 1", L"play 2"}), Plays(player.TakeCalls()));
  list.OnMusicEvent(kComplete);
  EXPECT_EQ((std::vector<ds_string>{L"play 3", L"play 4"}), Plays(player.TakeCalls()));
  // From the end the list wraps and skips the broken first track again.
  list.OnMusicEvent(kComplete);
  EXPECT_EQ((std::vector<ds_string>{L"play 1", L"play 2"}), Plays(player.TakeCalls()));
}

TEST(MusicPlayList, NothingPlayableTriesEachTrackOnce) {
  FakePlayer player;
  player.broken = {L"1", L"2", L"3"};
  DS_MusicPlayList list(player);
  list.Start({L"1", L"2", L"3"}, DS_SoundSettings());
  EXPECT_EQ((std::vector<ds_string>{L"play 1", L"play 2", L"play 3"}), player.TakeCalls());
  // A stray completion event tries the round once more and stops again.
  list.OnMusicEvent(kComplete);
  EXPECT_EQ((std::vector<ds_string>{L"play 1", L"play 2", L"play 3"}), player.TakeCalls());
}

TEST(MusicPlayList, FailingLastTrackWrapsToTheFirst) {
  FakePlayer player;
  player.broken = {L"2"};
  DS_MusicPlayList list(player);
  list.Start({L"1", L"2"}, DS_SoundSettings());
  player.TakeCalls();
  list.OnMusicEvent(kComplete);
  EXPECT_EQ((std::vector<ds_string>{L"play 2", L"play 1"}), Plays(player.calls));
  EXPECT_EQ(1u, list.Cursor());
}

TEST(MusicPlayList, RestartBeginsWithTheFirstTrack) {
  FakePlayer player;
  DS_MusicPlayList list(player);
  list.Start({L"1", L"2", L"3"}, DS_SoundSettings());
  list.OnMusicEvent(kComplete);
  player.TakeCalls();
  list.Start({L"1", L"2", L"3"}, DS_SoundSettings());
  EXPECT_EQ((std::vector<ds_string>{L"play 1"}), Plays(player.calls));
}

}  // namespace
