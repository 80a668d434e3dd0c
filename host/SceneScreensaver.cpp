#include "host/SceneScreensaver.h"

#include <commctrl.h>
#include <cwchar>

#include "host/ErrorCodes.h"
#include "host/ProgramModule.h"
#include "render/DeviceGlobals.h"
#include "resources/ResourceIds.h"

CSceneScreensaver* g_SceneScreensaver = nullptr;

namespace {
std::unique_ptr<DS_SceneSlot> MakeSceneSlot(UINT) { return std::unique_ptr<DS_SceneSlot>(new DS_SceneSlot()); }
}  // namespace

CSceneScreensaver::CSceneScreensaver(DS_SceneSlotFactory slotFactory) {
  if (!slotFactory) slotFactory = MakeSceneSlot;
  for (UINT i = 0; i < kSceneSlotCount; ++i) {
    m_slots[i] = slotFactory(i);
    if (!m_slots[i]) m_slots[i] = MakeSceneSlot(i);
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
  // The units go down while the slots can still hear about it.
  Cleanup3D();
  if (g_SceneScreensaver == this) g_SceneScreensaver = nullptr;
}

void CSceneScreensaver::ShowSettings() {
  // The settings dialog comes with its own task; until then configure mode shows nothing.
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
}

HRESULT CSceneScreensaver::RenderScene() {
  DS_SceneSlot* slot = m_currentSlot;
  if (!slot) return S_OK;
  if (slot->IsLoaded()) {
    slot->Update(m_appTime);
    slot->DrawScene();
  } else if (slot->IsSplashShown()) {
    slot->LoadScene();
  } else {
    slot->DrawSplash();
  }
  return S_OK;
}

HRESULT CSceneScreensaver::OnDeviceRestored() {
  // The sound device is created here on the first restore (on the main window).
  try {
    if (m_currentSlot) m_currentSlot->OnDeviceRestored();
  } catch (...) {
    SetError(DS_E_MEDIANOTFOUND);
  }
  return S_OK;
}

HRESULT CSceneScreensaver::OnDeviceLost() {
  // The primary sound buffer and the music graph are stopped here before the slot.
  if (m_currentSlot) m_currentSlot->OnDeviceLost();
  return S_OK;
}

void CSceneScreensaver::OnMediaEvent(long code) {
  if (m_currentSlot) m_currentSlot->OnMusicEvent(code);
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
