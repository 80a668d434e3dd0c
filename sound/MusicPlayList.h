#pragma once
// The background-music play list of a scene slot: the playable paths of the
// document's audio files and a cursor on the track that plays next. It starts with
// the first track when the slot loads its document and moves on when a track has
// played to its end; the last track wraps to the first, and a single track is
// rewound. A track that cannot be played is skipped, at most once round the list.
// The list talks to the player only through DS_MusicPlayer.

#include <cstddef>
#include <functional>
#include <vector>

#include "document/ResourceEntry.h"
#include "sound/SoundSettings.h"

class DS_MusicPlayer {
public:
  virtual ~DS_MusicPlayer() = default;
  // Plays `path` from its start in place of the previous track; false when it cannot.
  virtual bool PlayFile(const ds_string& path) = 0;
  // Plays the current track again from its start.
  virtual void Rewind() = 0;
  // Applies the music volume and mute; called after each track started.
  virtual void ApplySettings(const DS_SoundSettings& settings) = 0;
};

// The player over the process-wide music graph.
class DS_GraphMusicPlayer : public DS_MusicPlayer {
public:
  bool PlayFile(const ds_string& path) override;
  void Rewind() override;
  void ApplySettings(const DS_SoundSettings& settings) override;
};

class DS_MusicPlayList {
public:
  // The graph's event codes for a track that ended: played to its end, stopped by
  // the user of the graph, or stopped by an error.
  static constexpr long kTrackComplete = 1;
  static constexpr long kTrackUserAbort = 2;
  static constexpr long kTrackErrorAbort = 3;

  explicit DS_MusicPlayList(DS_MusicPlayer& player) : m_player(&player) {}

  // Replaces the list and plays its first playable track; `settings` are applied
  // after every track that starts.
  void Start(const std::vector<ds_string>& tracks, const DS_SoundSettings& settings);
  // Settings for the tracks that start from now on.
  void SetSettings(const DS_SoundSettings& settings) { m_settings = settings; }
  // Handles one event of the music graph: a track that ended, whether complete or
  // aborted, moves the list on (an aborted track must not leave the music silent).
  void OnMusicEvent(long code);

  // The index of the track that plays next; TrackCount() after the last track.
  size_t Cursor() const { return m_cursor; }
  size_t TrackCount() const { return m_tracks.size(); }

private:
  // Plays the track at the cursor, or the next playable one, and leaves the cursor
  // after it. False when no track of the list could be played.
  bool PlayFromCursor();

  DS_MusicPlayer* m_player;
  std::vector<ds_string> m_tracks;
  size_t m_cursor = 0;
  DS_SoundSettings m_settings;
};

// Hands every queued event of the music graph to `handle` (on the media thread, after
// the window got kMusicEventMessage). The queue is read until empty: a message may
// stand for several events, and messages left after the graph was released find none.
void DrainMusicEvents(const std::function<void(long)>& handle);
