#include "sound/MusicGraph.h"

#include <algorithm>
#include <new>
#include <vector>

DS_ComHolder<IGraphBuilder> g_MusicGraph;
DS_ComHolder<IMediaControl> g_MusicControl;
DS_ComHolder<IMediaSeeking> g_MusicSeeking;
DS_ComHolder<IMediaEventEx> g_MusicEvents;
DS_ComHolder<IBasicAudio> g_MusicAudio;

int g_MusicVolume = 100;
int g_MusicBalance = 50;
int g_MusicMute = 0;

namespace {

// The source filter of the track that plays, removed from the graph when the next
// track starts so that the graph does not collect one source per track.
DS_ComHolder<IBaseFilter> s_trackSource;
// True when the current track's chain was built by RenderFile: its source filter is
// unknown, so the next track starts from an empty graph.
bool s_trackBuiltByRenderFile = false;
// The file the graph's current chain plays; empty when there is none.
ds_string s_trackPath;

const wchar_t kSourceOutputPin[] = L"Output";
// Filter names longer than this are cut by the graph; keep ours within it.
const size_t kMaxFilterName = 127;
// put_Volume scale: the settings' 0 .. 100 map to -4000 .. 0 hundredths of a decibel.
const float kMusicVolumeScale = 0.4f;
const long kSilentVolume = -10000;

void RemoveAllFilters() {
  if (!g_MusicGraph) return;
  for (const DS_ComHolder<IBaseFilter>& filter : CollectGraphFilters(g_MusicGraph.Get()))
    g_MusicGraph->RemoveFilter(filter.Get());
}

void SeekToStart() {
  if (!g_MusicSeeking) return;
  LONGLONG start = 0;
  g_MusicSeeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                               AM_SEEKING_NoPositioning);
}

// Takes the previous track out of the graph before the next one goes in.
void RemovePreviousTrack() {
  StopBackgroundMusic();
  if (s_trackBuiltByRenderFile) {
    RemoveAllFilters();
  } else if (s_trackSource && g_MusicGraph) {
    g_MusicGraph->RemoveFilter(s_trackSource.Get());
  }
  s_trackSource.Release();
  s_trackBuiltByRenderFile = false;
  s_trackPath.clear();
}

}  // namespace

std::vector<DS_ComHolder<IBaseFilter>> CollectGraphFilters(IGraphBuilder* graph) {
  std::vector<DS_ComHolder<IBaseFilter>> filters;
  DS_ComHolder<IEnumFilters> list;
  if (!graph || FAILED(graph->EnumFilters(list.Receive())) || !list) return filters;
  DS_ComHolder<IBaseFilter> filter;
  while (list->Next(1, filter.Receive(), nullptr) == S_OK) {
    try {
      filters.push_back(filter);
    } catch (const std::bad_alloc&) {
      filters.clear();
      break;
    }
  }
  return filters;
}

bool DisconnectGraphFilters(IGraphBuilder* graph) {
  const std::vector<DS_ComHolder<IBaseFilter>> filters = CollectGraphFilters(graph);
  if (filters.empty()) return false;
  for (const DS_ComHolder<IBaseFilter>& filter : filters) {
    graph->RemoveFilter(filter.Get());
    graph->AddFilter(filter.Get(), nullptr);
  }
  return true;
}

bool InitBackgroundMusic(HWND window) {
  // S_FALSE (already initialised on this thread) is fine; a real failure shows up
  // in CoCreateInstance.
  CoInitialize(nullptr);
  s_trackSource.Release();
  s_trackBuiltByRenderFile = false;
  s_trackPath.clear();
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IGraphBuilder,
                              reinterpret_cast<void**>(g_MusicGraph.Receive()))))
    return false;
  if (FAILED(g_MusicGraph->QueryInterface(IID_IMediaControl,
                                          reinterpret_cast<void**>(g_MusicControl.Receive()))))
    return false;
  if (FAILED(g_MusicGraph->QueryInterface(IID_IMediaSeeking,
                                          reinterpret_cast<void**>(g_MusicSeeking.Receive()))))
    return false;
  if (FAILED(g_MusicGraph->QueryInterface(IID_IMediaEventEx,
                                          reinterpret_cast<void**>(g_MusicEvents.Receive()))))
    return false;
  if (FAILED(g_MusicGraph->QueryInterface(IID_IBasicAudio,
                                          reinterpret_cast<void**>(g_MusicAudio.Receive()))))
    return false;
  g_MusicEvents->SetNotifyWindow(reinterpret_cast<OAHWND>(window), kMusicEventMessage, 0);
  return true;
}

bool PlayMusicFile(const ds_string& path) {
  if (!g_MusicGraph) return false;
  // A track that follows itself keeps its chain: every rebuild stops the graph and
  // reconnects its filters, the very calls the media stack has been seen to hang in.
  if (!path.empty() && path == s_trackPath && g_MusicControl) {
    SeekToStart();
    if (SUCCEEDED(g_MusicControl->Run())) return true;
  }
  RemovePreviousTrack();

  DS_ComHolder<IBaseFilter> source;
  ds_string filterName = path.substr(0, kMaxFilterName);
  if (FAILED(g_MusicGraph->AddSourceFilter(path.c_str(), filterName.c_str(), source.Receive())))
    source.Release();
  if (RebuildMusicGraph(source.Get())) {
    s_trackSource = source;
    s_trackPath = path;
    return true;
  }

  // Whatever the failed attempt left in the graph (the new source, half a chain)
  // would stay there for good: the fallback starts from an empty graph.
  StopBackgroundMusic();
  RemoveAllFilters();
  if (!PlayMusicByRenderFile(path)) {
    RemoveAllFilters();
    return false;
  }
  s_trackBuiltByRenderFile = true;
  s_trackPath = path;
  return true;
}

bool RebuildMusicGraph(IBaseFilter* source) {
  if (!source || !g_MusicControl || !g_MusicGraph) return false;
  DS_ComHolder<IPin> output;
  if (FAILED(source->FindPin(kSourceOutputPin, output.Receive())) || !output) return false;
  g_MusicControl->Stop();
  if (!DisconnectGraphFilters(g_MusicGraph.Get())) return false;
  if (FAILED(g_MusicGraph->Render(output.Get()))) return false;
  SeekToStart();
  return SUCCEEDED(g_MusicControl->Run());
}

bool PlayMusicByRenderFile(const ds_string& path) {
  if (!g_MusicGraph || !g_MusicControl) return false;
  if (FAILED(g_MusicGraph->RenderFile(path.c_str(), nullptr))) return false;
  return SUCCEEDED(g_MusicControl->Run());
}

void RewindMusic() {
  if (!g_MusicControl) return;
  SeekToStart();
  g_MusicControl->Run();
}

long MusicVolumeFromSetting(int volume, bool mute) {
  if (mute) return kSilentVolume;
  // The registry value is untrusted: outside 0 .. 100 put_Volume would refuse it.
  int clamped = std::min(std::max(volume, 0), 100);
  return static_cast<long>((clamped * 100.0 - 10000.0) * static_cast<double>(kMusicVolumeScale));
}

void ApplyMusicVolume(bool mute) {
  if (!g_MusicAudio) return;
  g_MusicAudio->put_Volume(MusicVolumeFromSetting(g_MusicVolume, mute));
}

long GetMusicEvent() {
  if (!g_MusicEvents) return -1;
  long code = 0;
  LONG_PTR first = 0;
  LONG_PTR second = 0;
  if (FAILED(g_MusicEvents->GetEvent(&code, &first, &second, 0))) return -1;
  g_MusicEvents->FreeEventParams(code, first, second);
  return code;
}

void StopBackgroundMusic() {
  if (g_MusicControl) g_MusicControl->Stop();
}

void ReleaseBackgroundMusic() {
  if (g_MusicEvents) g_MusicEvents->SetNotifyWindow(0, 0, 0);
  s_trackSource.Release();
  s_trackBuiltByRenderFile = false;
  s_trackPath.clear();
  g_MusicAudio.Release();
  g_MusicEvents.Release();
  g_MusicSeeking.Release();
  g_MusicControl.Release();
  g_MusicGraph.Release();
}
