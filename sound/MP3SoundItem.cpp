#include "sound/MP3SoundItem.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <map>
#include <new>
#include <vector>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "render/TimeLine.h"
#include "sound/MediaThread.h"
#include "sound/MusicFileStore.h"
#include "sound/MusicGraph.h"

namespace {

IOF_Virtual_ReaderT<DS_MP3_Constructor> s_mp3Reader(L"DS_MP3_Constructor");

const wchar_t kSourceOutputPin[] = L"Output";
// Filter names longer than this are cut by the graph; keep ours within it.
const size_t kMaxFilterName = 127;
// put_Volume / put_Balance scale: 0 .. 100 (balance centred on 50) map to
// -4000 .. 0 (.. +4000) hundredths of a decibel.
const float kGraphLevelScale = 0.4f;
const unsigned int kMaxSetting = 100;
const LONGLONG kUnitsPerSecond = 10000000;
const LONGLONG kHundredthsPerSecond = 100;
// GetState waits at most this long for a graph between two states.
const DWORD kStateTimeoutMs = 100;
// Names tried for one file before giving up: "song.mp3", "song~2.mp3", ...
const int kMaxNameAttempts = 16;

ds_string ToUpper(ds_string text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

ds_string NumberedName(const ds_string& name, int number) {
  if (number <= 1) return name;
  size_t dot = name.find_last_of(L'.');
  if (dot == ds_string::npos || dot == 0) dot = name.size();
  return name.substr(0, dot) + L"~" + std::to_wstring(number) + name.substr(dot);
}

ds_string TemporaryFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  DWORD length = GetTempPathW(MAX_PATH, folder);
  if (length == 0 || length > MAX_PATH) return ds_string();
  ds_string result(folder, length);
  if (result.back() != L'\\' && result.back() != L'/') result += L'\\';
  return result;
}

// The absolute, upper-case form of a path, for telling whether two paths name the
// same file.
ds_string ComparablePath(const ds_string& path) {
  if (path.empty()) return path;
  wchar_t full[MAX_PATH + 1] = {};
  DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length > MAX_PATH) return ToUpper(path);
  return ToUpper(ds_string(full, length));
}

uint64_t ContentHash(const unsigned char* bytes, uint32_t size) {
  uint64_t hash = 14695981039346656037ull;
  for (uint32_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  return hash;
}

// The temporary files that live items play, by comparable path. Items with the same
// content (the clones that every scene slot makes of one item) share a file; another
// content under the same file name gets a numbered name of its own, so no item plays
// another's sound and no item deletes a file that another still plays.
struct SharedTemporaryFile {
  ds_string source;
  uint32_t size = 0;
  uint64_t hash = 0;
  int users = 0;
};

std::map<ds_string, SharedTemporaryFile>& LiveTemporaryFiles() {
  static std::map<ds_string, SharedTemporaryFile> files;
  return files;
}

void AddTemporaryFileUser(const ds_string& path) {
  auto found = LiveTemporaryFiles().find(ComparablePath(path));
  if (found != LiveTemporaryFiles().end()) ++found->second.users;
}

void RemoveTemporaryFileUser(const ds_string& path) {
  auto& files = LiveTemporaryFiles();
  auto found = files.find(ComparablePath(path));
  if (found == files.end()) return;
  if (--found->second.users > 0) return;
  files.erase(found);
  DeleteFileW(path.c_str());
}

// Connects `source`'s "Output" pin to the renderer afresh and runs `graph` from
// position 0.
bool RunFromStart(IGraphBuilder* graph, IMediaControl* control, IMediaSeeking* seeking, IBaseFilter* source) {
  if (!source || !control || !graph) return false;
  DS_ComHolder<IPin> output;
  if (FAILED(source->FindPin(kSourceOutputPin, output.Receive())) || !output) return false;
  control->Stop();

  if (!DisconnectGraphFilters(graph)) return false;

  if (FAILED(graph->Render(output.Get()))) return false;
  if (seeking) {
    LONGLONG start = 0;
    seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  }
  return SUCCEEDED(control->Run());
}

}  // namespace

long MP3VolumeFromSetting(unsigned int volume) {
  // The document's value is untrusted: beyond 100 the level would leave the range
  // put_Volume accepts (and, far beyond, the range of a long).
  const unsigned int clamped = std::min(volume, kMaxSetting);
  return static_cast<long>((clamped * 100.0 - 10000.0) * static_cast<double>(kGraphLevelScale));
}

long MP3BalanceFromSetting(unsigned int balance) {
  const unsigned int clamped = std::min(balance, kMaxSetting);
  return static_cast<long>((clamped * 200.0 - 10000.0) * static_cast<double>(kGraphLevelScale));
}

unsigned int MP3DurationToHundredths(LONGLONG duration) {
  if (duration <= 0) return 0;
  const LONGLONG hundredths = duration / kUnitsPerSecond * kHundredthsPerSecond;
  return hundredths > LONGLONG(UINT32_MAX) ? UINT32_MAX : static_cast<unsigned int>(hundredths);
}

ds_string MP3TemporaryPath(const ds_string& sourcePath) {
  const ds_string folder = TemporaryFolder();
  if (folder.empty()) return folder;
  const ds_string path = folder + MakeSafeMusicFileName(sourcePath);
  return path.size() < MAX_PATH ? path : ds_string();
}

// ---- DS_MP3_Constructor ----

DS_MP3_Constructor::DS_MP3_Constructor(const DS_MP3_Constructor& other)
    : DS_Sound_Ctrl(other),
      m_file(other.m_file),
      m_graph(other.m_graph),
      m_control(other.m_control),
      m_seeking(other.m_seeking),
      m_events(other.m_events),
      m_audio(other.m_audio),
      m_source(other.m_source),
      m_temporaryPath(other.m_temporaryPath),
      m_ownsTemporaryFile(other.m_ownsTemporaryFile) {
  if (m_ownsTemporaryFile) AddTemporaryFileUser(m_temporaryPath);
}

DS_MP3_Constructor::~DS_MP3_Constructor() { ReleaseGraphAndFile(); }

void DS_MP3_Constructor::ReleaseGraphAndFile() {
  // The graph holds the file open until its filters are gone, so the file goes last.
  m_audio.Release();
  m_events.Release();
  m_seeking.Release();
  m_control.Release();
  m_source.Release();
  m_graph.Release();
  if (m_ownsTemporaryFile) RemoveTemporaryFileUser(m_temporaryPath);
  m_ownsTemporaryFile = false;
}

void DS_MP3_Constructor::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

template <class IO>
void DS_MP3_Constructor::Fields(IO& io, int version) {
  io.NamedBuffer(m_file);
}

void DS_MP3_Constructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_MP3_Constructor", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_Sound_Ctrl::Write(stream);
}

bool DS_MP3_Constructor::CreateGraph() {
  // S_FALSE (already initialised on this thread) is fine; a real failure shows up in
  // CoCreateInstance.
  CoInitialize(nullptr);
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(m_graph.Receive()))))
    return false;
  if (FAILED(m_graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(m_control.Receive()))))
    return false;
  if (FAILED(m_graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(m_seeking.Receive()))))
    return false;
  if (FAILED(m_graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(m_events.Receive()))))
    return false;
  if (FAILED(m_graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(m_audio.Receive()))))
    return false;
  // The end of the file is polled; nothing is posted.
  m_events->SetNotifyWindow(0, WM_APP, 0);
  return true;
}

ds_string DS_MP3_Constructor::PlaceTemporaryFile() {
  const ds_string first = MP3TemporaryPath(m_file.Name());
  if (first.empty()) return first;
  const ds_string folder = first.substr(0, first.find_last_of(L'\\') + 1);
  const ds_string fileName = first.substr(folder.size());
  const ds_string source = ComparablePath(m_file.Name());
  const bool hasBytes = m_file.Size() != 0;
  const uint64_t hash = ContentHash(m_file.Data(), m_file.Size());
  // Only a plain file is copied: a device or pipe named by the document could block
  // the copy, and a folder cannot be played.
  if (!hasBytes && !IsExistingFile(m_file.Name())) return ds_string();

  auto& files = LiveTemporaryFiles();
  for (int number = 1; number <= kMaxNameAttempts; ++number) {
    const ds_string path = folder + NumberedName(fileName, number);
    if (path.size() >= MAX_PATH) return ds_string();
    const ds_string key = ComparablePath(path);
    // A source that lives in the temporary folder under this very name plays where it
    // is: writing over it, and deleting it later, would destroy the user's file.
    if (key == source && IsExistingFile(path)) return path;

    auto live = files.find(key);
    if (live != files.end()) {
      const SharedTemporaryFile& shared = live->second;
      if (shared.source == source && shared.size == m_file.Size() && shared.hash == hash) {
        ++live->second.users;
        m_ownsTemporaryFile = true;
        return path;
      }
      continue;
    }
    const bool placed = hasBytes ? WriteWholeFile(path, m_file.Data(), m_file.Size())
                                 : CopyFileW(m_file.Name().c_str(), path.c_str(), FALSE) != 0;
    if (!placed) {
      // Without bytes, a missing source stays missing under every name.
      if (!hasBytes) return ds_string();
      continue;
    }
    SharedTemporaryFile& shared = files[key];
    shared.source = source;
    shared.size = m_file.Size();
    shared.hash = hash;
    shared.users = 1;
    m_ownsTemporaryFile = true;
    return path;
  }
  return ds_string();
}

void DS_MP3_Constructor::SetVisibleLength(unsigned int hundredths) {
  // The sound shows for the file's whole seconds, without fades.
  DS_TimeLineControl& timeLine = TimeLine();
  timeLine.shown.hi.SetValue(hundredths);
  timeLine.shown.lo.SetValue(timeLine.shown.hi.GetValue());
  timeLine.fadeOut.SetValue(0u);
  timeLine.fadeIn.SetValue(timeLine.fadeOut.GetValue());
}

void DS_MP3_Constructor::Prepare() {
  // A second Prepare starts afresh instead of leaking the first graph and file share.
  ReleaseGraphAndFile();

  CreateGraph();
  m_temporaryPath = PlaceTemporaryFile();
  if (m_graph && !m_temporaryPath.empty()) {
    const ds_string filterName = m_temporaryPath.substr(0, kMaxFilterName);
    if (FAILED(m_graph->AddSourceFilter(m_temporaryPath.c_str(), filterName.c_str(),
                                        m_source.Receive())))
      m_source.Release();
  }
  RebuildGraph(m_source.Get());

  LONGLONG duration = 0;
  if (!m_seeking || FAILED(m_seeking->GetDuration(&duration))) duration = 0;
  SetVisibleLength(MP3DurationToHundredths(duration));
  // The graph was built here, and runs from Render on: it stops here too.
  if (m_control) m_control->Stop();
}

bool DS_MP3_Constructor::RebuildGraph(IBaseFilter* source) {
  return RunFromStart(m_graph.Get(), m_control.Get(), m_seeking.Get(), source);
}

void DS_MP3_Constructor::UseControls(IMediaControl* control, IMediaSeeking* seeking) {
  m_control.Set(control);
  m_seeking.Set(seeking);
}

OAFilterState DS_MP3_Constructor::LastPolledState() const { return InterlockedCompareExchange(&m_poll->state, 0, 0); }

bool DS_MP3_Constructor::IsPolling() const { return InterlockedCompareExchange(&m_poll->polling, 0, 0) != 0; }

void DS_MP3_Constructor::ApplyVolume() {
  if (m_audio) m_audio->put_Volume(MP3VolumeFromSetting(volume.GetValue()));
}

void DS_MP3_Constructor::ApplyBalance() {
  if (m_audio) m_audio->put_Balance(MP3BalanceFromSetting(balance.GetValue()));
}

void DS_MP3_Constructor::ReleaseMedia() {
  if (m_control) m_control->Stop();
  ReleaseGraphAndFile();
}

void DS_MP3_Constructor::Stop() {
  if (!m_control) return;
  const DS_ComHolder<IMediaControl> control = m_control;
  // A stop that cannot be queued (no media thread could start) is dropped: the window
  // thread makes no media call, not even as a fallback, since one that blocks would
  // hold the picture and the end of the saver.
  MediaThread().Post([control] { control->Stop(); });
}

void DS_MP3_Constructor::Update(float time) {
  if (!m_control) return;
  // The last poll still runs (or hangs in the media stack): this frame posts none, so
  // a stuck graph never fills the media thread's queue.
  if (InterlockedCompareExchange(&m_poll->polling, 1, 0) != 0) return;
  const int phase = TimeLine().GetPhase();
  const long level = MP3VolumeFromSetting(volume.GetValue());
  const long pan = MP3BalanceFromSetting(balance.GetValue());
  const std::shared_ptr<PollState> poll = m_poll;
  const DS_ComHolder<IGraphBuilder> graph = m_graph;
  const DS_ComHolder<IMediaControl> control = m_control;
  const DS_ComHolder<IMediaSeeking> seeking = m_seeking;
  const DS_ComHolder<IBasicAudio> audio = m_audio;
  const DS_ComHolder<IBaseFilter> source = m_source;
  const bool posted = MediaThread().Post([=] {
    OAFilterState state = -1;
    if (FAILED(control->GetState(kStateTimeoutMs, &state))) state = -1;
    if (state == State_Stopped && phase == kPhaseVisible) {
      if (RunFromStart(graph.Get(), control.Get(), seeking.Get(), source.Get())) state = State_Running;
      if (audio) {
        audio->put_Volume(level);
        audio->put_Balance(pan);
      }
    }
    if (seeking) {
      LONGLONG current = 0;
      LONGLONG stop = 0;
      const bool atEnd = SUCCEEDED(seeking->GetPositions(&current, &stop)) && current >= stop;
      if (atEnd || phase == kPhaseInvisible) {
        control->Stop();
        state = State_Stopped;
      }
    }
    InterlockedExchange(&poll->state, state);
    InterlockedExchange(&poll->polling, 0);
  });
  if (!posted) InterlockedExchange(&m_poll->polling, 0);
}
