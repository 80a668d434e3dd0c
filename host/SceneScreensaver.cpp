#include "host/SceneScreensaver.h"

#include <commctrl.h>
#include <algorithm>
#include <functional>
#include <limits>
#include <cwchar>
#include <utility>
#include <vector>

#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "host/ErrorCodes.h"
#include "host/ProgramModule.h"
#include "render/DeviceStates.h"
#include "resources/ResourceIds.h"
#include "sound/DirectSoundDevice.h"
#include "sound/MediaThread.h"
#include "sound/MusicGraph.h"
#include "sound/MusicPlayList.h"

CSceneScreensaver* g_SceneScreensaver = nullptr;

namespace {
std::unique_ptr<DS_SceneSlot> MakeSceneSlot(UINT) { return std::unique_ptr<DS_SceneSlot>(new DS_SceneSlot()); }
}  // namespace

CSceneScreensaver::CSceneScreensaver(DS_SceneSlotFactory slotFactory) {
  if (!slotFactory) slotFactory = MakeSceneSlot;
  for (UINT i = 0; i < kSceneSlotCount; ++i) {
    m_slots[i] = slotFactory(i);
    if (!m_slots[i]) m_slots[i] = MakeSceneSlot(i);
    // A key during a slot's load or a slide switch ends the saver there.
    m_slots[i]->SetAbortCheck(InputAbortCheck());
  }
  g_SceneScreensaver = this;
  InitCommonControls();
  SetSettingsKeyPath(kDefaultSettingsKeyPath);
  wchar_t title[200];
  if (LoadStringW(GetProgramModule(), IDS_WINDOW_TITLE, title, 200) > 0) {
    wcsncpy(m_windowTitle, title, 199);
    m_windowTitle[199] = L'\0';
  }
  m_useDepthBuffer = TRUE;
}

CSceneScreensaver::~CSceneScreensaver() {
  // The units go down while the slots can still hear about it. A run that never
  // reached its end (a start-up failure) releases the media here, once, on the same
  // terms as the end: when they cannot be released in time, the process ends now
  // rather than let the slots go while a release may still reach them.
  Cleanup3D();
  if (!m_mediaReleased && !ReleaseMedia()) EndProcessNow();
  if (g_SceneScreensaver == this) g_SceneScreensaver = nullptr;
}

void CSceneScreensaver::ReadSettings() { ReadSettingsFromRegistry(); }

void CSceneScreensaver::ReadSettingsFromRegistry() {
  HKEY key = OpenSettingsKey();
  if (!key) return;
  LoadScreenSettings(key);
  RegCloseKey(key);
}

void CSceneScreensaver::WriteSettings() {
  HKEY key = OpenSettingsKey();
  if (!key) return;
  m_settingsTable.Write(key);
  SaveScreenSettings(key);
  RegCloseKey(key);
}

void CSceneScreensaver::SelectRenderUnit(UINT index) {
  m_currentSlot = Slot(index);
  g_CurrentViewContext = m_currentSlot ? m_currentSlot->ViewContext() : nullptr;
  // A slot without a document leaves the manager of the last one published.
  if (m_currentSlot && m_currentSlot->ResourceManager()) {
    SetCurrentDocResManager(m_currentSlot->ResourceManager());
  }
}

HRESULT CSceneScreensaver::RenderScene() {
  DS_SceneSlot* slot = m_currentSlot;
  if (!slot) return S_OK;
  if (slot->IsLoaded()) {
    slot->Update(m_appTime);
    slot->DrawScene();
  } else if (slot->IsSplashShown()) {
    // A document that cannot be loaded ends in the error message, not the process.
    const HRESULT hr = slot->LoadScene();
    if (FAILED(hr)) SetError(hr);
  } else {
    slot->DrawSplash();
  }
  return S_OK;
}

float CSceneScreensaver::StillUntil() {
  if (m_unitCount == 0) return m_appTime;
  float until = std::numeric_limits<float>::infinity();
  for (UINT i = 0; i < m_unitCount; ++i) {
    DS_SceneSlot* slot = Slot(i);
    until = std::min(until, slot ? slot->StillUntil(m_appTime) : m_appTime);
  }
  return until;
}

HRESULT CSceneScreensaver::OnDeviceRestored() {
  // The sound device is created here on the first restore (on the main window); a
  // later restore brings back the saved master volume and mute, which the lost hook
  // had silenced. The device holds its default states again (or is a new one): the
  // state cache knows none of them.
  ForgetDeviceStates();
  try {
    OnSoundDeviceRestored(m_mainWindow, ReadSavedSoundSettings());
    if (m_currentSlot) m_currentSlot->OnDeviceRestored();
  } catch (...) {
    SetError(DS_E_MEDIANOTFOUND);
  }
  return S_OK;
}

HRESULT CSceneScreensaver::OnDeviceLost() {
  // The primary sound buffer and the music graph are stopped here before the slot.
  OnSoundDeviceLost();
  ForgetDeviceStates();
  if (m_currentSlot) m_currentSlot->OnDeviceLost();
  return S_OK;
}

DS_SceneSlot* CSceneScreensaver::MusicSlot() {
  if (m_currentSlot && m_currentSlot->HasSlideShow()) return m_currentSlot;
  for (UINT i = 0; i < kSceneSlotCount; ++i) {
    if (m_slots[i] && m_slots[i]->HasSlideShow()) return m_slots[i].get();
  }
  return nullptr;
}

void CSceneScreensaver::OnMediaEvent(long code) {
  // One message may stand for several queued events; the slot hands them all to its
  // play list on the media thread. A slot whose document did not load hears none, and
  // after the end of the run the media are gone: a late message starts nothing.
  if (m_ended) return;
  DS_SceneSlot* slot = MusicSlot();
  if (slot) slot->OnMusicEvent(code);
}

void CSceneScreensaver::StartMusicGraph(HWND notifyWindow) {
  MediaThread().Post([notifyWindow] { InitBackgroundMusic(notifyWindow); });
}

// Reading the graph's event queue is a media call: the media thread reads it when the
// music slot hands the signal over (OnMediaEvent), so the window thread takes nothing.
long CSceneScreensaver::TakeMediaEvent() { return -1; }

bool CSceneScreensaver::ReleaseMedia(DWORD waitMs) {
  if (m_mediaReleased) return true;
  m_mediaReleased = true;
  // The command holds the slots' releases, which hold only their slide shows, never
  // the saver or a slot: after a wait that gave up it may still be running while
  // they go. It runs on the media thread, after the work queued before it, since
  // every media call does.
  std::vector<std::function<void()>> releases;
  for (UINT i = 0; i < kSceneSlotCount; ++i) {
    if (!m_slots[i]) continue;
    std::function<void()> release = m_slots[i]->TakeSoundRelease();
    if (release) releases.push_back(std::move(release));
  }
  const bool posted = MediaThread().Post([releases] {
    for (const std::function<void()>& release : releases) release();
    StopBackgroundMusic();
    ReleaseBackgroundMusic();
  });
  const bool finished = MediaThread().Finish(waitMs);
  return posted && finished;
}

void CSceneScreensaver::EndProcessNow() {
  // What the media thread still runs may reach objects that the process end takes
  // down, and it may never return: the process ends without running them.
  TerminateProcess(GetCurrentProcess(), 0);
}

HRESULT CSceneScreensaver::OnShutdown() {
  // A user input must end the saver whatever a media call is doing. The windows and
  // devices are gone already; with the media not released within the bound, the
  // process ends now, as it would have a moment later, without waiting for them.
  if (!ReleaseMedia()) EndProcessNow();
  return S_OK;
}

HRESULT CSceneScreensaver::CheckDeviceCaps(const D3DCAPS9& caps, DWORD behaviorFlags, D3DFORMAT format) {
  // The water and glass layers distort through bump-environment-mapped V8U8 textures.
  if (!(caps.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP)) return E_FAIL;
  if (!m_d3d) return E_FAIL;
  if (FAILED(m_d3d->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, format, 0,
                                      D3DRTYPE_TEXTURE, D3DFMT_V8U8))) {
    return E_FAIL;
  }
  return S_OK;
}
