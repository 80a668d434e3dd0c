#include "host/SceneSlot.h"

#include <d3d9.h>

#include <limits>
#include <new>
#include <vector>

#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "document/ResourceCache.h"
#include "document/SceneDocument.h"
#include "host/ErrorCodes.h"
#include "host/Settings.h"
#include "render/DeviceStates.h"
#include "render/ScreenQuad.h"
#include "render/SlideContainer.h"
#include "render/SlideShow.h"
#include "resources/ResourceIds.h"
#include "sound/DirectSoundDevice.h"
#include "sound/MediaThread.h"
#include "sound/SoundItems.h"

namespace {

const D3DCOLOR kSplashVertexColor = 0xFFFFFFFF;
// The splash picture is filtered; the rest of its states are the device's defaults.
const DS_StateRow kSplashFilter[] = {
    SamplerRow(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
    SamplerRow(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
};

void ReleaseShowSounds(DS_SlideShow_Light* show) {
  if (!show) return;
  for (size_t i = 0; i < show->GetSlideCount(); ++i) {
    DS_SharedRef<DS_SlideContainer> slide = show->GetSlide(i);
    if (!slide.Get()) continue;
    for (const DS_SharedRef<DS_ABObj>& object : slide->GetSecondaryObjects()) {
      if (!object.Get() || object->GetKind() != DS_Sound_Ctrl::kSoundKind) continue;
      DS_Sound* sound = dynamic_cast<DS_Sound*>(object.Get());
      if (sound) sound->ReleaseSound();
    }
  }
}

}  // namespace

DS_SoundSettings ReadSavedSoundSettings() {
  int volume = kDefaultSoundVolume;
  int balance = kDefaultSoundBalance;
  int mute = 0;
  ReadSoundSettings(volume, balance, mute);
  DS_SoundSettings settings;
  settings.volume = volume;
  settings.balance = balance;
  settings.mute = mute != 0;
  return settings;
}

DS_SceneSlot::DS_SceneSlot(HMODULE documentModule, std::shared_ptr<DS_MusicPlayer> player)
    : m_music(std::make_shared<Music>(player ? std::move(player) : std::make_shared<DS_GraphMusicPlayer>())),
      m_documentModule(documentModule) {}

DS_SceneSlot::~DS_SceneSlot() {
  // The slide show and the resource manager stay for the rest of the process: their
  // device objects may belong to devices that are already gone, and nothing of them
  // is needed after the last frame. Their sounds do not: a graph still playing while
  // the process goes down brings it down with it. The saver's end of the run releases
  // them; a slot that ends without it posts the release itself, after the play-list
  // work still queued, and does not wait: the command holds nothing of the slot.
  if (!m_soundReleaseTaken) {
    std::function<void()> release = TakeSoundRelease();
    if (release) MediaThread().Post(std::move(release));
  }
}

void DS_SceneSlot::ReleaseSounds() { ReleaseShowSounds(m_slideShow); }

std::function<void()> DS_SceneSlot::TakeSoundRelease() {
  m_soundReleaseTaken = true;
  DS_SlideShow_Light* show = m_slideShow;
  if (!show) return nullptr;
  return [show] { ReleaseShowSounds(show); };
}

void DS_SceneSlot::SetScreenQuadStream(const DS_TexturedQuad<DX_V::SCT>& quad) {
  ::SetScreenQuadStream(quad.vertices.buffer.Get());
}

bool DS_SceneSlot::ClearToBlack() {
  IDirect3DDevice9* device = g_CurrentDevice;
  if (!device || FAILED(device->BeginScene())) return false;
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  device->EndScene();
  return true;
}

void DS_SceneSlot::BuildSplash() {
  m_splash.texture.Release();
  LoadTextureFromProgramResource(m_splash.texture.Receive(), IDR_SPLASH_PICTURE, false);
  DS_ScreenQuad screen;
  screen.FromBackBuffer();
  const int height = static_cast<int>(screen.Bottom());
  const int width = static_cast<int>(screen.Right());
  const float side = static_cast<float>(height) * 2.0f / 3.0f;
  const float x0 = (static_cast<float>(width) - side) / 2.0f;
  const float y0 = (static_cast<float>(height) - side) / 2.0f;
  const DX_V::SCT corners[4] = {
      {x0, y0 + side, 0.0f, 1.0f, kSplashVertexColor, 0.0f, 1.0f},
      {x0, y0, 0.0f, 1.0f, kSplashVertexColor, 0.0f, 0.0f},
      {x0 + side, y0 + side, 0.0f, 1.0f, kSplashVertexColor, 1.0f, 1.0f},
      {x0 + side, y0, 0.0f, 1.0f, kSplashVertexColor, 1.0f, 0.0f},
  };
  m_splash.SetVertices(corners);
  m_splash.SetVertexAlpha(1.0f);
}

bool DS_SceneSlot::DrawSplashQuad() {
  IDirect3DDevice9* device = g_CurrentDevice;
  if (!device || FAILED(device->BeginScene())) return false;
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  if (m_splash.vertices.buffer) {
    ApplyStates(device, kSplashFilter);
    device->SetTexture(0, m_splash.texture.Get());
    SetScreenQuadStream(m_splash);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  }
  device->EndScene();
  return true;
}

void DS_SceneSlot::DrawSplash() {
  BuildSplash();
  if (DrawSplashQuad()) m_splashShown = true;
}

HRESULT DS_SceneSlot::LoadScene() {
  m_loaded = true;
  HRESULT result = S_OK;
  DS_SlideShow_Light* show = nullptr;
  try {
    show = LoadSceneDocument(m_documentModule, m_abortCheck);
    // Only the first slide's pictures are read before it shows.
    if (show) show->BuildSlideObjects(true);
    if (!show || show->Aborted()) {
      // The saver ended during the load, which stopped where it was: nothing more is
      // made or drawn, for the devices may be gone already. A show stopped while
      // building stays unreferenced, as a failed one does.
      return S_FALSE;
    }
    m_resourceManager = g_CurrentDocResManager;
    m_slideShow = show;
    m_slideShow->ApplyPicturePosition(ReadPicturePosition());
    StartMusic();
    ApplyMasterVolume(ReadSavedSoundSettings());
  } catch (const std::bad_alloc&) {
    result = E_OUTOFMEMORY;
  } catch (...) {
    // The loader throws its result code for a missing, empty or unreadable document.
    result = DS_E_MEDIANOTFOUND;
  }
  if (FAILED(result)) {
    // Whatever was made stays unreferenced rather than half torn down: no later frame
    // or event may reach a slide show that did not load whole.
    m_slideShow = nullptr;
  }
  // The loading frame is presented like any other: it shows the splash again, or
  // black when there is no scene, never a back buffer nobody drew.
  if (m_slideShow) {
    DrawSplashQuad();
  } else {
    ClearToBlack();
  }
  return result;
}

void DS_SceneSlot::StartMusic() {
  std::vector<ds_string> tracks;
  for (const DS_SharedRef<DS_AudioFile>& track : m_slideShow->GetAudioFiles()) {
    if (!track.Get()) continue;
    track->EnsurePlayableFile();
    tracks.push_back(track->GetFile().Name());
  }
  const DS_SoundSettings settings = ReadSavedSoundSettings();
  const std::shared_ptr<Music> music = m_music;
  MediaThread().Post([music, tracks, settings] { music->playList.Start(tracks, settings); });
}

void DS_SceneSlot::Update(float appTime) {
  if (m_slideShow) m_slideShow->Update(appTime);
}

void DS_SceneSlot::DrawScene() {
  if (!m_slideShow) {
    ClearToBlack();
    return;
  }
  IDirect3DDevice9* device = g_CurrentDevice;
  if (!device) return;
  const bool begun = SUCCEEDED(device->BeginScene());
  if (begun) m_slideShow->Render(false);
  device->EndScene();
}

float DS_SceneSlot::StillUntil(float appTime) const {
  if (!m_loaded) return appTime;
  // A document that did not load leaves the slot black.
  if (!m_slideShow) return std::numeric_limits<float>::infinity();
  return m_slideShow->StillUntil(appTime);
}

void DS_SceneSlot::OnDeviceLost() {
  if (m_slideShow) m_slideShow->OnDeviceLost();
}

void DS_SceneSlot::OnDeviceRestored() {
  if (m_slideShow) m_slideShow->OnDeviceRestored();
}

void DS_SceneSlot::OnMusicEvent(long code) {
  if (!m_slideShow) return;
  // The settings may have changed since the last track; each track starts with them.
  const DS_SoundSettings settings = ReadSavedSoundSettings();
  const std::shared_ptr<Music> music = m_music;
  MediaThread().Post([music, code, settings] {
    music->playList.SetSettings(settings);
    if (code != -1) music->playList.OnMusicEvent(code);
    DrainMusicEvents([&music](long event) { music->playList.OnMusicEvent(event); });
  });
}
