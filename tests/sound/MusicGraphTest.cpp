// Runs the process-wide music graph under Wine on the null audio device.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SoundTestWindow.h"
#include "WAVBuilder.h"
#include "sound/MusicFileStore.h"
#include "sound/MusicGraph.h"
#include "sound/MusicPlayList.h"

namespace {

class MusicGraphTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(InitBackgroundMusic(SoundTestWindow()));
    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
    m_folder = ds_string(temp) + L"ds_music_test_" + std::to_wstring(GetCurrentProcessId()) +
               L"_" + std::to_wstring(GetTickCount());
    ASSERT_TRUE(CreateDirectoryW(m_folder.c_str(), nullptr));
  }
  void TearDown() override {
    // The graph holds the files open until it is released.
    ReleaseBackgroundMusic();
    for (const ds_string& path : m_written) DeleteFileW(path.c_str());
    RemoveDirectoryW(m_folder.c_str());
  }

  // Tracks as the document holds them: a source path that does not exist here and
  // the file's bytes, made playable through the store like a loading slot does.
  std::vector<ds_string> EmbeddedTracks(const std::vector<ds_string>& names, double seconds) {
    DS_MusicFileStore store(m_folder);
    std::vector<ds_string> paths;
    for (const ds_string& name : names) {
      std::vector<unsigned char> wav = MakeToneWAV(seconds);
      DS_NamedBuffer track;
      track.SetName(L"Z:\\composer\\music\\" + name);
      track.SetData(static_cast<uint32_t>(wav.size()), wav.data());
      EXPECT_TRUE(store.EnsurePlayableFile(track));
      m_written.push_back(track.Name());
      paths.push_back(track.Name());
    }
    return paths;
  }

  static OAFilterState GraphState() {
    OAFilterState state = -1;
    g_MusicControl->GetState(2000, &state);
    return state;
  }

  ds_string m_folder;
  std::vector<ds_string> m_written;
};

TEST_F(MusicGraphTest, FirstTrackPlaysFromItsTemporaryFileAndCompletionMovesOn) {
  std::vector<ds_string> tracks = EmbeddedTracks({L"one.wav", L"two.wav", L"three.wav"}, 0.3);
  ASSERT_EQ(m_folder + L"\\one.wav", tracks[0]);

  DS_GraphMusicPlayer player;
  DS_MusicPlayList list(player);
  DS_SoundSettings settings;
  settings.volume = 50;
  list.Start(tracks, settings);
  ASSERT_EQ(1u, list.Cursor()) << "the first track did not start";
  EXPECT_EQ(State_Running, GraphState());
  long volume = 1;
  ASSERT_HRESULT_SUCCEEDED(g_MusicAudio->get_Volume(&volume));
  EXPECT_EQ(-2000, volume);

  // The graph reports the end of the 0.3 s track through the window's message queue.
  bool notified = PumpUntil([&] { return list.Cursor() == 2; }, 10000, [&](const MSG& msg) {
    if (msg.message == kMusicEventMessage)
      DrainMusicEvents([&](long code) { list.OnMusicEvent(code); });
  });
  ASSERT_TRUE(notified) << "no end-of-track event arrived; cursor " << list.Cursor();
  EXPECT_EQ(State_Running, GraphState());
}

TEST_F(MusicGraphTest, EachTrackReplacesThePreviousSource) {
  std::vector<ds_string> tracks = EmbeddedTracks({L"a.wav", L"b.wav"}, 2.0);
  for (int round = 0; round < 3; ++round)
    for (const ds_string& track : tracks) ASSERT_TRUE(PlayMusicFile(track));

  // Only the last track's file may still be open in the graph.
  int sources = 0;
  DS_ComHolder<IEnumFilters> filters;
  ASSERT_HRESULT_SUCCEEDED(g_MusicGraph->EnumFilters(filters.Receive()));
  IBaseFilter* filter = nullptr;
  while (filters->Next(1, &filter, nullptr) == S_OK) {
    DS_ComHolder<IFileSourceFilter> file;
    if (SUCCEEDED(filter->QueryInterface(IID_IFileSourceFilter,
                                         reinterpret_cast<void**>(file.Receive()))))
      ++sources;
    filter->Release();
  }
  EXPECT_EQ(1, sources);
  EXPECT_EQ(State_Running, GraphState());
}

// The file's source filter in the graph, or null (the caller releases it).
IBaseFilter* FileSource() {
  DS_ComHolder<IEnumFilters> filters;
  if (FAILED(g_MusicGraph->EnumFilters(filters.Receive()))) return nullptr;
  IBaseFilter* filter = nullptr;
  while (filters->Next(1, &filter, nullptr) == S_OK) {
    DS_ComHolder<IFileSourceFilter> file;
    if (SUCCEEDED(filter->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(file.Receive()))))
      return filter;
    filter->Release();
  }
  return nullptr;
}

// A track that follows itself is rewound in place: no stop, no new source, no
// reconnection.
TEST_F(MusicGraphTest, TrackThatFollowsItselfKeepsItsChain) {
  std::vector<ds_string> tracks = EmbeddedTracks({L"same.wav"}, 2.0);
  ASSERT_TRUE(PlayMusicFile(tracks[0]));
  DS_ComHolder<IBaseFilter> first(FileSource());
  ASSERT_TRUE(first);
  Sleep(300);
  ASSERT_TRUE(PlayMusicFile(tracks[0]));
  DS_ComHolder<IBaseFilter> second(FileSource());
  EXPECT_EQ(first.Get(), second.Get()) << "the graph was rebuilt for the same file";
  LONGLONG position = -1;
  ASSERT_HRESULT_SUCCEEDED(g_MusicSeeking->GetCurrentPosition(&position));
  EXPECT_LT(position, 2000000) << "the track did not start again from its beginning";
  EXPECT_EQ(State_Running, GraphState());
}

TEST_F(MusicGraphTest, UnplayableTrackIsSkipped) {
  std::vector<ds_string> good = EmbeddedTracks({L"good.wav"}, 2.0);
  // Not a sound: neither the source filter nor RenderFile can play it.
  ds_string garbage = m_folder + L"\\garbage.wav";
  HANDLE file = CreateFileW(garbage.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  WriteFile(file, "not a riff file at all", 22, &written, nullptr);
  CloseHandle(file);
  m_written.push_back(garbage);

  DS_GraphMusicPlayer player;
  DS_MusicPlayList list(player);
  list.Start({m_folder + L"\\missing.wav", garbage, good[0]}, DS_SoundSettings());
  EXPECT_EQ(3u, list.Cursor());
  EXPECT_EQ(State_Running, GraphState());
}

TEST_F(MusicGraphTest, OneTrackRewinds) {
  std::vector<ds_string> tracks = EmbeddedTracks({L"loop.wav"}, 2.0);
  DS_GraphMusicPlayer player;
  DS_MusicPlayList list(player);
  list.Start(tracks, DS_SoundSettings());
  Sleep(300);
  // The end of the track, as the graph would report it.
  list.OnMusicEvent(DS_MusicPlayList::kTrackComplete);
  LONGLONG position = -1;
  ASSERT_HRESULT_SUCCEEDED(g_MusicSeeking->GetCurrentPosition(&position));
  EXPECT_LT(position, 2000000) << "the track did not start again from its beginning";
  EXPECT_EQ(State_Running, GraphState());
}

TEST_F(MusicGraphTest, ReleasedGraphIsSilentForGood) {
  std::vector<ds_string> tracks = EmbeddedTracks({L"gone.wav"}, 0.3);
  ASSERT_TRUE(PlayMusicFile(tracks[0]));
  ReleaseBackgroundMusic();
  EXPECT_FALSE(g_MusicGraph);
  EXPECT_FALSE(PlayMusicFile(tracks[0]));
  EXPECT_EQ(-1, GetMusicEvent());
  RewindMusic();
  ApplyMusicVolume(true);
  DS_GraphMusicPlayer player;
  DS_MusicPlayList list(player);
  list.Start(tracks, DS_SoundSettings());
  list.OnMusicEvent(DS_MusicPlayList::kTrackComplete);
  // Messages still queued for the window find no events.
  int handled = 0;
  PumpUntil([] { return false; }, 500, [&](const MSG& msg) {
    if (msg.message == kMusicEventMessage) DrainMusicEvents([&](long) { ++handled; });
  });
  EXPECT_EQ(0, handled);
}

}  // namespace
