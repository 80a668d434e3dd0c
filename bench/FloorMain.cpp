// The floor of scripts/bench: the least a Direct3D 9 full-screen picture can cost here.
// Full screen at the desktop's mode, as the saver runs, one 1024 x 1024 picture (the
// size of the bench documents' slides) stretched over the screen as a textured quad
// with linear filtering, as a slide shows its picture, and presented with the saver's
// presentation interval. Frames are paced as the saver paces its own: the next frame is
// due 30 ms after the last one began, and the wait for it wakes at once on input. Ends
// on a key press.
#include <windows.h>

#include <d3d9.h>

#include "device/ComHolder.h"
#include "tools/soak/FloorWindow.h"

namespace {

// The saver's frame period.
const DWORD kFramePeriodMs = 30;
const UINT kPictureSide = 1024;

struct ScreenVertex {
  float x, y, z, rhw;
  float u, v;
};
const DWORD kScreenVertexFvf = D3DFVF_XYZRHW | D3DFVF_TEX1;

// A diagonal blend with a grid of lighter lines, as the bench documents' pictures.
DS_ComHolder<IDirect3DTexture9> MakePicture(IDirect3DDevice9* device, UINT width, UINT height) {
  DS_ComHolder<IDirect3DTexture9> texture;
  if (FAILED(device->CreateTexture(width, height, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, texture.Receive(),
                                   nullptr))) {
    texture.Release();
    return texture;
  }
  D3DLOCKED_RECT locked;
  if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
    for (UINT y = 0; y < height; ++y) {
      DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
      for (UINT x = 0; x < width; ++x) {
        const DWORD t = (x + y) * 255 / (width + height);
        DWORD colour = 0xFF000000u | (t << 16) | ((255 - t) << 8) | 0x60;
        if (x % 64 < 3 || y % 64 < 3) colour |= 0x00808080u;
        row[x] = colour;
      }
    }
    texture->UnlockRect(0);
  }
  return texture;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Declared in creation order: the holders release the picture, the device and then
  // Direct3D, on every way out.
  DS_ComHolder<IDirect3D9> d3d(Direct3DCreate9(D3D_SDK_VERSION));
  if (!d3d) return 1;
  D3DDISPLAYMODE desktop = {};
  if (FAILED(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop))) return 1;
  HWND window = ds_floor::OpenWindow(instance, L"BenchFloor", L"floor", int(desktop.Width), int(desktop.Height),
                                     static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (!window) return 1;
  D3DPRESENT_PARAMETERS pp = {};
  pp.BackBufferWidth = desktop.Width;
  pp.BackBufferHeight = desktop.Height;
  pp.BackBufferFormat = desktop.Format;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = window;
  pp.Windowed = FALSE;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  DS_ComHolder<IDirect3DDevice9> device;
  if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                               device.Receive()))) {
    return 1;
  }
  const DS_ComHolder<IDirect3DTexture9> picture = MakePicture(device.Get(), kPictureSide, kPictureSide);
  const float w = float(desktop.Width) - 0.5f, h = float(desktop.Height) - 0.5f;
  const ScreenVertex quad[4] = {
      {-0.5f, -0.5f, 0, 1, 0, 0}, {w, -0.5f, 0, 1, 1, 0}, {-0.5f, h, 0, 1, 0, 1}, {w, h, 0, 1, 1, 1}};
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  // Point sampling of a picture the size of the screen costs less per frame than what a
  // slide must do to show its picture at any size.
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);

  DWORD nextFrame = GetTickCount();
  while (ds_floor::PumpMessages()) {
    const DWORD now = GetTickCount();
    if (int(nextFrame - now) > 0) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, nextFrame - now, QS_ALLINPUT);
      continue;
    }
    nextFrame = now + kFramePeriodMs;
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    device->BeginScene();
    device->SetTexture(0, picture.Get());
    device->SetFVF(kScreenVertexFvf);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }
  return 0;
}
