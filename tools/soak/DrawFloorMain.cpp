// draw_floor [/up]: the least a full-screen Direct3D 9 program does each frame, the
// floor a soak of the saver is measured against. Full screen at the desktop's mode, it
// draws one textured quad over the whole screen from a vertex buffer made once, as the
// saver draws its picture layer, moved a little by the world transform each frame (so
// that the picture changes, as the saver's camera drift does); then it presents and
// sleeps 30 ms, as the saver paces its frames. With /up the quad is drawn from memory
// (DrawPrimitiveUP) with drifting texture coordinates instead. With /lock the buffer
// holds kLockedQuads quads, and each frame writes them all again through a lock of the
// whole managed buffer before drawing the first, as the saver's particles and sprites
// write theirs; /sysmem puts that buffer in the system-memory pool instead. With /target each frame first draws the quad into a render-target
// texture and then that texture to the screen, as the saver's masks and glows do. A
// key press ends it with exit code 0. Nothing is created after the first frame.

#include <windows.h>

#include <d3d9.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "tools/soak/FloorWindow.h"

namespace {

const wchar_t kClassName[] = L"DrawFloor";
const UINT kTextureSize = 512;
const DWORD kFrameSleepMs = 30;
// The quads of the /lock buffer: a particle slot's worth.
const UINT kLockedQuads = 1024;

struct QuadVertex {
  float x, y, z, rhw;
  float u, v;
};
const DWORD kQuadFvf = D3DFVF_XYZRHW | D3DFVF_TEX1;

// The buffered quad: the unit square around the origin, scaled to the screen by the
// world transform.
struct BufferVertex {
  float x, y, z;
  float u, v;
};
const DWORD kBufferFvf = D3DFVF_XYZ | D3DFVF_TEX1;

// A picture with colour everywhere, so that no part of the screen stays black.
bool FillTexture(IDirect3DTexture9* texture) {
  D3DLOCKED_RECT locked = {};
  if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) return false;
  for (UINT y = 0; y < kTextureSize; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch);
    for (UINT x = 0; x < kTextureSize; ++x) {
      const uint32_t r = 64 + (x * 191) / kTextureSize;
      const uint32_t g = 64 + (y * 191) / kTextureSize;
      const uint32_t b = ((x / 32 + y / 32) & 1) ? 200 : 90;
      row[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
  }
  texture->UnlockRect(0);
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
  const bool fromMemory = commandLine && std::wcsstr(commandLine, L"/up") != nullptr;
  const bool lockEachFrame = !fromMemory && commandLine && std::wcsstr(commandLine, L"/lock") != nullptr;
  const D3DPOOL bufferPool =
      commandLine && std::wcsstr(commandLine, L"/sysmem") != nullptr ? D3DPOOL_SYSTEMMEM : D3DPOOL_MANAGED;
  const bool throughTarget = commandLine && std::wcsstr(commandLine, L"/target") != nullptr;
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!d3d) return 1;
  D3DDISPLAYMODE desktop = {};
  d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop);
  HWND window = ds_floor::OpenWindow(instance, kClassName, L"draw floor", int(desktop.Width), int(desktop.Height),
                                     nullptr);
  if (!window) return 1;

  D3DPRESENT_PARAMETERS params = {};
  params.BackBufferWidth = desktop.Width;
  params.BackBufferHeight = desktop.Height;
  params.BackBufferFormat = desktop.Format;
  params.BackBufferCount = 1;
  params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  params.hDeviceWindow = window;
  params.Windowed = FALSE;
  params.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  IDirect3DDevice9* device = nullptr;
  if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                               &params, &device))) {
    d3d->Release();
    return 1;
  }
  IDirect3DTexture9* texture = nullptr;
  if (FAILED(device->CreateTexture(kTextureSize, kTextureSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture,
                                   nullptr)) ||
      !FillTexture(texture)) {
    if (texture) texture->Release();
    device->Release();
    d3d->Release();
    return 1;
  }

  IDirect3DVertexBuffer9* buffer = nullptr;
  if (!fromMemory) {
    const BufferVertex square[4] = {{-1.0f, 1.0f, 0.0f, 0.0f, 0.0f},
                                    {1.0f, 1.0f, 0.0f, 1.0f, 0.0f},
                                    {-1.0f, -1.0f, 0.0f, 0.0f, 1.0f},
                                    {1.0f, -1.0f, 0.0f, 1.0f, 1.0f}};
    void* locked = nullptr;
    const UINT bytes = lockEachFrame ? UINT(sizeof(square)) * kLockedQuads : UINT(sizeof(square));
    if (FAILED(device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, kBufferFvf, bufferPool, &buffer,
                                          nullptr)) ||
        FAILED(buffer->Lock(0, 0, &locked, 0))) {
      if (buffer) buffer->Release();
      texture->Release();
      device->Release();
      d3d->Release();
      return 1;
    }
    std::memcpy(locked, square, sizeof(square));
    buffer->Unlock();
    // View and projection stay identity: the unit square fills the screen.
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  }
  IDirect3DTexture9* target = nullptr;
  IDirect3DSurface9* targetSurface = nullptr;
  IDirect3DSurface9* backBuffer = nullptr;
  auto releaseAll = [&] {
    if (backBuffer) backBuffer->Release();
    if (targetSurface) targetSurface->Release();
    if (target) target->Release();
    if (buffer) buffer->Release();
    texture->Release();
    device->Release();
    d3d->Release();
  };
  if (throughTarget &&
      (FAILED(device->CreateTexture(desktop.Width, desktop.Height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                    D3DPOOL_DEFAULT, &target, nullptr)) ||
       FAILED(target->GetSurfaceLevel(0, &targetSurface)) ||
       FAILED(device->GetRenderTarget(0, &backBuffer)))) {
    releaseAll();
    return 1;
  }

  const float w = float(desktop.Width) - 0.5f;
  const float h = float(desktop.Height) - 0.5f;
  const DWORD start = GetTickCount();
  while (ds_floor::PumpMessages()) {
    const float t = float(GetTickCount() - start) / 1000.0f;
    const float du = 0.1f * std::sin(t * 0.5f);
    const float dv = 0.1f * std::cos(t * 0.3f);
    const QuadVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1.0f, du, dv},
                                {w, -0.5f, 0.5f, 1.0f, 0.8f + du, dv},
                                {-0.5f, h, 0.5f, 1.0f, du, 0.8f + dv},
                                {w, h, 0.5f, 1.0f, 0.8f + du, 0.8f + dv}};
    if (lockEachFrame) {
      const BufferVertex square[4] = {{-1.0f, 1.0f, 0.0f, du, dv},
                                      {1.0f, 1.0f, 0.0f, 1.0f + du, dv},
                                      {-1.0f, -1.0f, 0.0f, du, 1.0f + dv},
                                      {1.0f, -1.0f, 0.0f, 1.0f + du, 1.0f + dv}};
      void* locked = nullptr;
      if (SUCCEEDED(buffer->Lock(0, 0, &locked, 0)) && locked) {
        for (UINT q = 0; q < kLockedQuads; ++q) std::memcpy(static_cast<BufferVertex*>(locked) + 4 * q, square, sizeof(square));
        buffer->Unlock();
      }
    }
    if (targetSurface) device->SetRenderTarget(0, targetSurface);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    if (SUCCEEDED(device->BeginScene())) {
      device->SetTexture(0, texture);
      device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
      device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
      if (fromMemory) {
        device->SetFVF(kQuadFvf);
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(QuadVertex));
      } else {
        // A slight zoom and shift, as a drifting camera gives.
        const float zoom = 1.15f + du;
        const D3DMATRIX world = {zoom, 0, 0, 0, 0, zoom, 0, 0, 0, 0, 1, 0, dv, du, 0, 1};
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetFVF(kBufferFvf);
        device->SetStreamSource(0, buffer, 0, sizeof(BufferVertex));
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
      }
      if (targetSurface) {
        // The picture drawn into the target goes to the screen from memory.
        const QuadVertex screen[4] = {{-0.5f, -0.5f, 0.5f, 1.0f, 0.0f, 0.0f},
                                      {w, -0.5f, 0.5f, 1.0f, 1.0f, 0.0f},
                                      {-0.5f, h, 0.5f, 1.0f, 0.0f, 1.0f},
                                      {w, h, 0.5f, 1.0f, 1.0f, 1.0f}};
        device->SetRenderTarget(0, backBuffer);
        device->SetTexture(0, target);
        device->SetFVF(kQuadFvf);
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, screen, sizeof(QuadVertex));
      }
      device->EndScene();
    }
    device->Present(nullptr, nullptr, nullptr, nullptr);
    Sleep(kFrameSleepMs);
  }

  device->SetTexture(0, nullptr);
  device->SetStreamSource(0, nullptr, 0, 0);
  releaseAll();
  DestroyWindow(window);
  return 0;
}
