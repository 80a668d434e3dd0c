#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "document/Utilities.h"
#include "sound/MusicFileStore.h"

namespace {

TEST(MusicFileName, MadeSafeInsideAFolder) {
  struct Case {
    const wchar_t* source;
    const wchar_t* expected;
  } cases[] = {
      {L"C:\\Music\\Song One.mp3", L"Song One.mp3"},
      {L"song.wav", L"song.wav"},
      {L"C:\\Music\\..", L"music"},
      {L"..\\..\\Windows\\win.ini", L"win.ini"},
      {L"C:\\Music\\", L"music"},
      {L"", L"music"},
      {L"D:trick.mp3", L"trick.mp3"},
      {L"a<b>c|d?e*f\"g.mp3", L"a_b_c_d_e_f_g.mp3"},
      {L"tab\there.mp3", L"tab_here.mp3"},
      {L"dots...", L"dots"},
      {L"  . ", L"music"},
      {L"C:\\x\\NUL.mp3", L"_NUL.mp3"},
      {L"com1.wav", L"_com1.wav"},
      {L"Con", L"_Con"},
      {L"console.mp3", L"console.mp3"},
  };
  for (const Case& c : cases) {
    ds_string name = MakeSafeMusicFileName(c.source);
    EXPECT_EQ(ds_string(c.expected), name) << "from " << std::string(c.source, c.source + wcslen(c.source));
    EXPECT_TRUE(IsSafeFileName(name));
  }
}

TEST(MusicFileName, LongNamesKeepTheirExtension) {
  ds_string name = MakeSafeMusicFileName(ds_string(5000, L'x') + L".mp3");
  EXPECT_LE(name.size(), 96u);
  EXPECT_EQ(L".mp3", name.substr(name.size() - 4));
}

// A store over a fresh folder of its own, removed afterwards.
class MusicFileStoreTest : public ::testing::Test {
protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
    m_folder = ds_string(temp) + L"ds_sound_test_" + std::to_wstring(GetCurrentProcessId()) +
               L"_" + std::to_wstring(GetTickCount());
    ASSERT_TRUE(CreateDirectoryW(m_folder.c_str(), nullptr));
    m_folder += L"\\";
  }
  void TearDown() override {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((m_folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((m_folder + found.cFileName).c_str());
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(m_folder.c_str());
  }

  static DS_NamedBuffer Track(const ds_string& name, const std::string& content) {
    DS_NamedBuffer track;
    track.SetName(name);
    track.SetData(static_cast<uint32_t>(content.size()), content.data());
    return track;
  }
  static std::string ReadFile(const ds_string& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  ds_string m_folder;
};

TEST_F(MusicFileStoreTest, EmbeddedTrackIsWrittenIntoTheFolder) {
  DS_MusicFileStore store(m_folder);
  DS_NamedBuffer track = Track(L"Z:\\nowhere\\at all\\tune.mp3", "ID3 tune bytes");
  ASSERT_TRUE(store.EnsurePlayableFile(track));
  EXPECT_EQ(m_folder + L"tune.mp3", track.Name());
  EXPECT_EQ(0u, track.Size());
  EXPECT_EQ("ID3 tune bytes", ReadFile(track.Name()));
}

TEST_F(MusicFileStoreTest, ExistingSourceIsPlayedFromItsPlace) {
  ds_string source = m_folder + L"here.wav";
  {
    std::ofstream out(source.c_str(), std::ios::binary);
    out << "on disk";
  }
  DS_MusicFileStore store(m_folder + L"unused");
  DS_NamedBuffer track = Track(source, "embedded");
  ASSERT_TRUE(store.EnsurePlayableFile(track));
  EXPECT_EQ(source, track.Name());
  EXPECT_EQ(0u, track.Size());
  EXPECT_EQ("on disk", ReadFile(source));
}

TEST_F(MusicFileStoreTest, TrackWithoutBytesIsLeftAsItIs) {
  DS_MusicFileStore store(m_folder);
  DS_NamedBuffer track;
  track.SetName(L"Z:\\missing\\song.mp3");
  EXPECT_TRUE(store.EnsurePlayableFile(track));
  EXPECT_EQ(L"Z:\\missing\\song.mp3", track.Name());
}

TEST_F(MusicFileStoreTest, SameNameFromTwoFoldersGetsTwoFiles) {
  DS_MusicFileStore store(m_folder);
  DS_NamedBuffer first = Track(L"Z:\\a\\song.mp3", "first song");
  DS_NamedBuffer second = Track(L"Z:\\b\\SONG.mp3", "second song");
  ASSERT_TRUE(store.EnsurePlayableFile(first));
  ASSERT_TRUE(store.EnsurePlayableFile(second));
  EXPECT_NE(first.Name(), second.Name());
  EXPECT_EQ("first song", ReadFile(first.Name()));
  EXPECT_EQ("second song", ReadFile(second.Name()));
  EXPECT_EQ(L".mp3", second.Name().substr(second.Name().size() - 4));
}

TEST_F(MusicFileStoreTest, SecondCopyOfADocumentReusesTheFile) {
  DS_MusicFileStore store(m_folder);
  DS_NamedBuffer first = Track(L"Z:\\a\\song.mp3", "the song");
  DS_NamedBuffer again = Track(L"Z:\\a\\song.mp3", "the song");
  ASSERT_TRUE(store.EnsurePlayableFile(first));
  // The first file is open for playing: the copy must not need to rewrite it.
  HANDLE playing = CreateFileW(first.Name().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, playing);
  EXPECT_TRUE(store.EnsurePlayableFile(again));
  CloseHandle(playing);
  EXPECT_EQ(first.Name(), again.Name());
}

TEST_F(MusicFileStoreTest, HostileNamesStayInsideTheFolder) {
  DS_MusicFileStore store(m_folder);
  for (const wchar_t* name : {L"..\\..\\escape.mp3", L"..", L"C:\\x\\NUL", L"D:..\\up.wav"}) {
    DS_NamedBuffer track = Track(name, "bytes");
    ASSERT_TRUE(store.EnsurePlayableFile(track)) << std::string(name, name + wcslen(name));
    EXPECT_EQ(m_folder, track.Name().substr(0, m_folder.size()));
    EXPECT_EQ(ds_string::npos, track.Name().find(L'\\', m_folder.size()));
    EXPECT_EQ("bytes", ReadFile(track.Name()));
  }
}

TEST_F(MusicFileStoreTest, FailedWriteKeepsTheBytes) {
  DS_MusicFileStore store(m_folder + L"no such folder");
  DS_NamedBuffer track = Track(L"Z:\\a\\song.mp3", "keep me");
  EXPECT_FALSE(store.EnsurePlayableFile(track));
  EXPECT_EQ(L"Z:\\a\\song.mp3", track.Name());
  ASSERT_EQ(7u, track.Size());
  EXPECT_EQ("keep me", std::string(reinterpret_cast<const char*>(track.Data()), 7));
}

}  // namespace
