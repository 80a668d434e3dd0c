#include "sound/MusicPlayList.h"

#include "sound/MusicGraph.h"

bool DS_GraphMusicPlayer::PlayFile(const ds_string& path) { return PlayMusicFile(path); }

void DS_GraphMusicPlayer::Rewind() { RewindMusic(); }

void DS_GraphMusicPlayer::ApplySettings(const DS_SoundSettings& settings) {
  g_MusicVolume = settings.volume;
  g_MusicBalance = settings.balance;
  g_MusicMute = settings.mute ? 1 : 0;
  ApplyMusicVolume(settings.mute);
}

void DS_MusicPlayList::Start(const std::vector<ds_string>& tracks,
                             const DS_SoundSettings& settings) {
  m_tracks = tracks;
  m_settings = settings;
  m_cursor = 0;
  if (!m_tracks.empty()) PlayFromCursor();
}

void DS_MusicPlayList::OnMusicEvent(long code) {
  const bool trackEnded =
      code == kTrackComplete || code == kTrackUserAbort || code == kTrackErrorAbort;
  if (!trackEnded || m_tracks.empty()) return;
  if (m_cursor >= m_tracks.size()) {
    if (m_tracks.size() == 1) {
      m_player->Rewind();
      return;
    }
    m_cursor = 0;
  }
  PlayFromCursor();
}

bool DS_MusicPlayList::PlayFromCursor() {
  const size_t count = m_tracks.size();
  size_t index = m_cursor % count;
  // Each track is tried at most once, so a list of unplayable files cannot spin.
  for (size_t tried = 0; tried < count; ++tried) {
    if (m_player->PlayFile(m_tracks[index])) {
      m_player->ApplySettings(m_settings);
      m_cursor = index + 1;
      return true;
    }
    index = (index + 1) % count;
  }
  // Nothing plays, so no end-of-track event will come; park the cursor at the end.
  m_cursor = count;
  return false;
}

void DrainMusicEvents(const std::function<void(long)>& handle) {
  // Bounded: a graph that kept queueing events while they are handled must not
  // hold the message loop.
  const int kMaxEventsPerMessage = 64;
  for (int i = 0; i < kMaxEventsPerMessage; ++i) {
    long code = GetMusicEvent();
    if (code == -1) return;
    handle(code);
  }
}
