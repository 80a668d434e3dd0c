// music_floor: the least a program does to play the default scene's music tracks, the
// floor a soak of the saver is measured against. It writes the tracks as WAV files to
// the temporary folder and plays them one after another for ever, each in a filter
// graph of its own (RenderFile, Run, wait for the end, release), and draws nothing:
// its small window is only there to take the key press that ends it with exit code 0.

#include <windows.h>

#include <dshow.h>

#include <string>
#include <vector>

#include "device/ComHolder.h"
#include "tools/AudioClip.h"
#include "tools/DefaultSceneContent.h"
#include "tools/soak/FloorWindow.h"

namespace {

const wchar_t kClassName[] = L"MusicFloor";
const DWORD kPollMs = 30;

bool WriteWholeFile(const std::wstring& path, const std::vector<unsigned char>& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
  CloseHandle(file);
  return ok;
}

std::vector<std::wstring> WriteTracks() {
  std::vector<std::wstring> paths;
  wchar_t folder[MAX_PATH] = {};
  if (!GetTempPathW(MAX_PATH, folder)) return paths;
  for (const ds_tools::SceneSound& track : ds_tools::MakeMusicTracks()) {
    const std::wstring path = std::wstring(folder) + L"music_floor_" + track.fileName;
    if (WriteWholeFile(path, ds_tools::EncodeWav16(track.clip))) paths.push_back(path);
  }
  return paths;
}

// One track's graph, from RenderFile to its release.
class TrackGraph {
public:
  bool Start(const std::wstring& path) {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(m_graph.Receive())))) {
      return false;
    }
    m_graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(m_control.Receive()));
    m_graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(m_events.Receive()));
    return m_control && m_events && SUCCEEDED(m_graph->RenderFile(path.c_str(), nullptr)) &&
           SUCCEEDED(m_control->Run());
  }
  // True once the track has played to its end (or the graph reported an error).
  bool Ended() {
    if (!m_events) return true;
    long code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    bool ended = false;
    while (m_events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
      if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT) ended = true;
      m_events->FreeEventParams(code, p1, p2);
    }
    return ended;
  }
  void Release() {
    if (m_control) m_control->Stop();
    m_events.Release();
    m_control.Release();
    m_graph.Release();
  }

private:
  DS_ComHolder<IGraphBuilder> m_graph;
  DS_ComHolder<IMediaControl> m_control;
  DS_ComHolder<IMediaEvent> m_events;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const std::vector<std::wstring> tracks = WriteTracks();
  if (tracks.empty()) return 1;

  HWND window = ds_floor::OpenWindow(instance, kClassName, L"music floor", 200, 100,
                                     static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  if (!window) return 1;

  size_t next = 0;
  TrackGraph graph;
  bool playing = false;
  while (ds_floor::PumpMessages()) {
    if (!playing || graph.Ended()) {
      graph.Release();
      playing = graph.Start(tracks[next]);
      next = (next + 1) % tracks.size();
    }
    Sleep(kPollMs);
  }
  graph.Release();
  DestroyWindow(window);
  for (const std::wstring& path : tracks) DeleteFileW(path.c_str());
  CoUninitialize();
  return 0;
}
