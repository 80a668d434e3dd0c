#pragma once
// The process-wide background-music graph: one DirectShow filter graph that plays the
// scene's music tracks, one file at a time. The host creates it at start-up with the
// main window as the window that receives its events, and releases it for good when
// a device is lost. Every operation checks the interfaces it needs first, so music
// stays silent (and nothing fails) without DirectShow or after the release. In the
// saver every call below is made on the media thread (MediaThread.h), never on the
// window thread: a call that blocks inside the media stack must not hold the picture.

#include <windows.h>
#include <dshow.h>

#include <vector>

#include "device/ComHolder.h"
#include "document/ResourceEntry.h"

// The message the graph posts to the notify window whenever an event is queued.
constexpr UINT kMusicEventMessage = WM_APP;

extern DS_ComHolder<IGraphBuilder> g_MusicGraph;
extern DS_ComHolder<IMediaControl> g_MusicControl;
extern DS_ComHolder<IMediaSeeking> g_MusicSeeking;
extern DS_ComHolder<IMediaEventEx> g_MusicEvents;
extern DS_ComHolder<IBasicAudio> g_MusicAudio;

// The sound settings as last handed to the music (the host reads them before each
// track); the balance is kept but nothing uses it.
extern int g_MusicVolume;
extern int g_MusicBalance;
extern int g_MusicMute;

// Creates the graph and its interfaces; `window` receives kMusicEventMessage.
bool InitBackgroundMusic(HWND window);

// Plays the file at `path` from its start, in place of the previous track. Tries the
// file's source filter first and the graph's own RenderFile second. False when the
// file cannot be played (or there is no graph): the caller moves on.
bool PlayMusicFile(const ds_string& path);

// Every filter of `graph`, each in a holder; empty when it lists none or the list
// cannot be held.
std::vector<DS_ComHolder<IBaseFilter>> CollectGraphFilters(IGraphBuilder* graph);
// Removes every filter of `graph` and adds it back: that breaks all connections and
// keeps the filters (the renderer in particular) for reuse, so Render only has to
// connect a new source. False when the graph has no filter.
bool DisconnectGraphFilters(IGraphBuilder* graph);

// Connects `source`'s "Output" pin to the renderer, breaking every connection of the
// previous track, and runs the graph from position 0.
bool RebuildMusicGraph(IBaseFilter* source);

// The fallback: the graph builds the whole chain for `path` itself.
bool PlayMusicByRenderFile(const ds_string& path);

// Plays the current track again from its start.
void RewindMusic();

// put_Volume of the music volume in hundredths of a decibel.
long MusicVolumeFromSetting(int volume, bool mute);
// Applies g_MusicVolume (or silence when `mute`) to the graph.
void ApplyMusicVolume(bool mute);

// The next queued event code, or -1 when there is none (or no graph).
long GetMusicEvent();

// Stops the graph, when there is one.
void StopBackgroundMusic();

// Releases the graph and its interfaces; music stays off for the rest of the run.
void ReleaseBackgroundMusic();
