#include "host/SceneSlot.h"

#include <d3d9.h>

#include "render/DeviceGlobals.h"

bool DS_SceneSlot::ClearToBlack() {
  IDirect3DDevice9* device = g_CurrentDevice;
  if (!device || FAILED(device->BeginScene())) return false;
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  device->EndScene();
  return true;
}

void DS_SceneSlot::DrawSplash() {
  if (ClearToBlack()) m_splashShown = true;
}

void DS_SceneSlot::LoadScene() { m_loaded = true; }

void DS_SceneSlot::DrawScene() { ClearToBlack(); }
