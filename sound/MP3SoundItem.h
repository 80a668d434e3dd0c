#pragma once
// The MP3 sound item of a slide: a compressed music file that the document embeds (or
// names by its source path), played through a DirectShow filter graph of the item's
// own. The item's clone in its run-time object writes the file to the temporary
// folder, builds the graph on it and takes the file's whole seconds as its visible
// time; from then on it starts the graph whenever the item is visible and stopped,
// and stops it when the file has played to its end or the item turns invisible. The
// graph posts no events: the end is found by polling the state and position every
// frame. The poll, and the stop when the item is disabled, run on the media thread
// (MediaThread.h): a media call may block, and the window thread must not wait for
// one. A frame only posts the poll, and posts none while the last is still running.

#include <windows.h>
#include <dshow.h>

#include <memory>

#include "device/ComHolder.h"
#include "document/ResourceEntry.h"
#include "sound/SoundItems.h"

// put_Volume and put_Balance of the item's 0 .. 100 settings, in hundredths of a
// decibel: volume 100 is 0 and 0 is -4000; balance 50 is 0, 0 is -4000 (left) and
// 100 is +4000 (right).
long MP3VolumeFromSetting(unsigned int volume);
long MP3BalanceFromSetting(unsigned int balance);

// A graph duration in 100-nanosecond units as the item's visible time: whole seconds
// (truncated) in hundredths; negative durations are 0.
unsigned int MP3DurationToHundredths(LONGLONG duration);

// The file the item's graph plays: the temporary folder followed by a file name made
// safe from the source path. Empty when the temporary folder cannot be named.
ds_string MP3TemporaryPath(const ds_string& sourcePath);

class DS_MP3_Constructor : public DS_Sound_Ctrl {
public:
  static const int kRecordVersion = 1;

  DS_MP3_Constructor() = default;
  // Copies the bytes, shares the graph interfaces and the temporary file.
  DS_MP3_Constructor(const DS_MP3_Constructor& other);
  DS_MP3_Constructor& operator=(const DS_MP3_Constructor&) = delete;
  // Releases the graph, then deletes the temporary file once no item uses it.
  ~DS_MP3_Constructor() override;

  // The record after its header: the named buffer, then the "DS_Sound_Ctrl" section.
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);
  void Write(DS_IOF_Virtual& stream) const override;

  // Writes the temporary file, builds the graph on it, gives the time line the file's
  // duration as its shown time (no fades) and leaves the graph stopped.
  void Prepare() override;
  // Posts the graph's stop to the media thread; nothing when it takes no command.
  void Stop() override;
  // Stops the graph, releases it and lets the temporary file go; runs on the media
  // thread at the end of the run.
  void ReleaseMedia() override;
  // Posts the frame's poll to the media thread: there the graph starts from the
  // beginning when it is stopped and the item is visible, and stops at the end of the
  // file or when the item is invisible. Returns at once; no poll is posted while the
  // last one has not finished.
  void Update(float time) override;
  DS_Sound_Ctrl* Clone() const override { return new DS_MP3_Constructor(*this); }

  // The filter graph and its interfaces; false at the first one DirectShow refuses.
  bool CreateGraph();
  // Connects `source`'s "Output" pin to the renderer, breaking every connection made
  // before, and runs the graph from position 0.
  bool RebuildGraph(IBaseFilter* source);
  // Shares `control` and `seeking` in place of the graph's own interfaces (a graph
  // made elsewhere, or none).
  void UseControls(IMediaControl* control, IMediaSeeking* seeking);
  // The graph's state as the media thread's last poll found it; -1 before the first
  // poll or when it could not be read.
  OAFilterState LastPolledState() const;
  // True while a poll posted by Update has not finished.
  bool IsPolling() const;
  void ApplyVolume();
  void ApplyBalance();

  DS_NamedBuffer& GetFile() { return m_file; }
  const DS_NamedBuffer& GetFile() const { return m_file; }
  const ds_string& GetTemporaryPath() const { return m_temporaryPath; }
  IGraphBuilder* Graph() const { return m_graph.Get(); }
  IMediaControl* Control() const { return m_control.Get(); }
  IMediaSeeking* Seeking() const { return m_seeking.Get(); }
  IBasicAudio* Audio() const { return m_audio.Get(); }
  IBaseFilter* SourceFilter() const { return m_source.Get(); }

private:
  // Puts the file where the graph can open it; the path, or empty.
  ds_string PlaceTemporaryFile();
  void SetVisibleLength(unsigned int hundredths);
  // Releases the interfaces (the graph last), then this item's share of the file.
  void ReleaseGraphAndFile();

  // What the media thread's polls write: their own memory, shared with the commands
  // that may outlive the item.
  struct PollState {
    volatile LONG polling = 0;
    volatile LONG state = -1;
  };

  DS_NamedBuffer m_file;
  std::shared_ptr<PollState> m_poll = std::make_shared<PollState>();
  DS_ComHolder<IGraphBuilder> m_graph;
  DS_ComHolder<IMediaControl> m_control;
  DS_ComHolder<IMediaSeeking> m_seeking;
  DS_ComHolder<IMediaEventEx> m_events;
  DS_ComHolder<IBasicAudio> m_audio;
  DS_ComHolder<IBaseFilter> m_source;
  ds_string m_temporaryPath;
  // True while this item holds a share of the file at m_temporaryPath (it wrote or
  // copied it), so that the last holder deletes it.
  bool m_ownsTemporaryFile = false;
};
