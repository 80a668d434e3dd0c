// draw_floor [/up]: the least a full-screen Direct3D 9 program does each frame, the
// floor a soak of the saver is measured against. Full screen at the desktop's mode, it
// draws one textured quad over the whole screen from a vertex buffer made once, as the
// saver draws its picture layer, moved a little by the world transform each frame (so
// that the picture changes, as the saver's camera drift does); then it presents and
// sleeps 30 ms, as the saver paces its frames. With /up the quad is drawn from memory
// (DrawPrimitiveUP) with drifting texture coordinates instead. A key press ends it with
// exit code 0. Nothing is created after the first frame.

#include <windows.h>

#include <d3d9.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "render/ComHolder.h"
#include "tools/soak/FloorWindow.h"

namespace {

const wchar_t kClassName[] = L"DrawFloor";
const UINT kTextureSize = 512;
const DWORD kFrameSleepMs = 30;

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
  // Declared in creation order, so that every early way out releases the buffer, the
  // texture, the device and Direct3D in turn.
  DS_ComHolder<IDirect3D9> d3d(Direct3DCreate9(D3D_SDK_VERSION));
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
  DS_ComHolder<IDirect3DDevice9> device;
  if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                               &params, device.Receive()))) {
    return 1;
  }
  DS_ComHolder<IDirect3DTexture9> texture;
  if (FAILED(device->CreateTexture(kTextureSize, kTextureSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                   texture.Receive(), nullptr)) ||
      !FillTexture(texture.Get())) {
    return 1;
  }

  DS_ComHolder<IDirect3DVertexBuffer9> buffer;
  if (!fromMemory) {
    const BufferVertex square[4] = {{-1.0f, 1.0f, 0.0f, 0.0f, 0.0f},
                                    {1.0f, 1.0f, 0.0f, 1.0f, 0.0f},
                                    {-1.0f, -1.0f, 0.0f, 0.0f, 1.0f},
                                    {1.0f, -1.0f, 0.0f, 1.0f, 1.0f}};
    void* locked = nullptr;
    if (FAILED(device->CreateVertexBuffer(sizeof(square), D3DUSAGE_WRITEONLY, kBufferFvf, D3DPOOL_MANAGED,
                                          buffer.Receive(), nullptr)) ||
        FAILED(buffer->Lock(0, 0, &locked, 0))) {
      return 1;
    }
    std::memcpy(locked, square, sizeof(square));
    buffer->Unlock();
    // View and projection stay identity: the unit square fills the screen.
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
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
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    if (SUCCEEDED(device->BeginScene())) {
      device->SetTexture(0, texture.Get());
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
        device->SetStreamSource(0, buffer.Get(), 0, sizeof(BufferVertex));
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
      }
      device->EndScene();
    }
    device->Present(nullptr, nullptr, nullptr, nullptr);
    Sleep(kFrameSleepMs);
  }

  device->SetTexture(0, nullptr);
  device->SetStreamSource(0, nullptr, 0, 0);
  // The device and what it made go before their window.
  buffer.Release();
  texture.Release();
  device.Release();
  DestroyWindow(window);
  return 0;
}
