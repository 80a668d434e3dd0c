#include "device/RenderTargetPair.h"

#include "device/DeviceGlobals.h"
#include "device/DeviceUtil.h"

// The holders release the textures and any saved surfaces. An open begin is not
// closed here: the device current at destruction may not be the one it began on.
DS_RenderTargetPair::~DS_RenderTargetPair() = default;

bool DS_RenderTargetPair::IsValid() const {
  return m_textures[0] && m_textures[1] && m_current;
}

void DS_RenderTargetPair::Create(int width, int height) {
  m_width = width;
  m_height = height;
  if (width == 0 || height == 0) return;
  if (IsValid() && width == m_madeWidth && height == m_madeHeight) {
    // Every slide switch asks again for the size it already has: the textures stay
    // rather than being made anew a few times a minute for as long as the saver runs.
    TakeTextureSize();
    return;
  }
  ReleaseTextures();
  if (width < 0 || height < 0) return;
  CreateRenderTargetTexture(m_textures[0], width, height);
  CreateRenderTargetTexture(m_textures[1], width, height);
  if (!m_textures[0] || !m_textures[1]) {
    // Half a pair would flip into nothing every other frame: keep neither.
    ReleaseTextures();
    return;
  }
  m_madeWidth = width;
  m_madeHeight = height;
  m_current = m_textures[m_index];
  TakeTextureSize();
}

void DS_RenderTargetPair::TakeTextureSize() {
  D3DSURFACE_DESC desc = {};
  if (SUCCEEDED(m_current->GetLevelDesc(0, &desc))) {
    m_width = int(desc.Width);
    m_height = int(desc.Height);
  }
}

void DS_RenderTargetPair::Resize(const DS_ComHolder<IDirect3DTexture9>& source, int width, int height) {
  Create(width, height);
  if (!source || !IsValid()) return;
  m_width = width;
  m_height = height;
  CopyTextureLevel0(source.Get(), m_current.Get());
}

void DS_RenderTargetPair::ReleaseTextures() {
  m_current.Release();
  m_textures[0].Release();
  m_textures[1].Release();
}

bool DS_RenderTargetPair::SetCurrentAsTarget() {
  DS_ComHolder<IDirect3DSurface9> surface;
  if (!g_CurrentDevice || !m_current || FAILED(m_current->GetSurfaceLevel(0, surface.Receive()))) return false;
  return SUCCEEDED(g_CurrentDevice->SetRenderTarget(0, surface.Get()));
}

const DS_ComHolder<IDirect3DTexture9>& DS_RenderTargetPair::Flip(D3DCOLOR clearColor) {
  if (!IsValid() || !g_CurrentDevice) return m_current;
  const int previous = m_index;
  m_index = (m_index + 1) % 2;
  m_current = m_textures[m_index];
  if (SetCurrentAsTarget()) {
    g_CurrentDevice->Clear(0, nullptr, D3DCLEAR_TARGET, clearColor, 1.0f, 0);
  }
  return m_textures[previous];
}

void DS_RenderTargetPair::BeginRender() {
  if (!IsValid() || !g_CurrentDevice) return;
  if (m_rendering) EndRender();
  g_CurrentDevice->GetRenderTarget(0, m_savedTarget.Receive());
  // No depth-stencil surface is a valid state to save (GetDepthStencilSurface fails).
  if (FAILED(g_CurrentDevice->GetDepthStencilSurface(m_savedDepth.Receive()))) m_savedDepth.Release();
  if (!SetCurrentAsTarget()) {
    m_savedTarget.Release();
    m_savedDepth.Release();
    return;
  }
  g_CurrentDevice->SetDepthStencilSurface(nullptr);
  m_rendering = true;
}

void DS_RenderTargetPair::EndRender() {
  if (!m_rendering) return;
  m_rendering = false;
  if (g_CurrentDevice) {
    if (m_savedTarget) g_CurrentDevice->SetRenderTarget(0, m_savedTarget.Get());
    g_CurrentDevice->SetDepthStencilSurface(m_savedDepth.Get());
  }
  m_savedTarget.Release();
  m_savedDepth.Release();
}
