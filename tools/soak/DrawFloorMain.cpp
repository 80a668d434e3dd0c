// draw_floor: the least a full-screen Direct3D 9 program does each frame, the floor a
// soak of the saver is measured against. Full screen at the desktop's mode, it draws
// one textured quad over the whole screen (its texture coordinates drifting, so that
// the picture changes), presents and sleeps 30 ms, as the saver paces its frames; a
// key press ends it with exit code 0. Nothing is created after the first frame.

#include <windows.h>

#include <d3d9.h>

#include <cmath>
#include <cstdint>

namespace {

const wchar_t kClassName[] = L"DrawFloor";
const UINT kTextureSize = 512;
const DWORD kFrameSleepMs = 30;

struct QuadVertex {
  float x, y, z, rhw;
  float u, v;
};
const DWORD kQuadFvf = D3DFVF_XYZRHW | D3DFVF_TEX1;

bool s_ended = false;

LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CLOSE:
      s_ended = true;
      return 0;
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return TRUE;
  }
  return DefWindowProcW(window, msg, wparam, lparam);
}

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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassW(&windowClass)) return 1;

  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!d3d) return 1;
  D3DDISPLAYMODE desktop = {};
  d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop);
  HWND window = CreateWindowExW(WS_EX_TOPMOST, kClassName, L"draw floor", WS_POPUP | WS_VISIBLE, 0, 0,
                                int(desktop.Width), int(desktop.Height), nullptr, nullptr, instance, nullptr);
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

  const float w = float(desktop.Width) - 0.5f;
  const float h = float(desktop.Height) - 0.5f;
  const DWORD start = GetTickCount();
  while (!s_ended) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (s_ended) break;
    const float t = float(GetTickCount() - start) / 1000.0f;
    const float du = 0.1f * std::sin(t * 0.5f);
    const float dv = 0.1f * std::cos(t * 0.3f);
    const QuadVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1.0f, du, dv},
                                {w, -0.5f, 0.5f, 1.0f, 0.8f + du, dv},
                                {-0.5f, h, 0.5f, 1.0f, du, 0.8f + dv},
                                {w, h, 0.5f, 1.0f, 0.8f + du, 0.8f + dv}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    if (SUCCEEDED(device->BeginScene())) {
      device->SetFVF(kQuadFvf);
      device->SetTexture(0, texture);
      device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
      device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
      device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(QuadVertex));
      device->EndScene();
    }
    device->Present(nullptr, nullptr, nullptr, nullptr);
    Sleep(kFrameSleepMs);
  }

  device->SetTexture(0, nullptr);
  texture->Release();
  device->Release();
  d3d->Release();
  DestroyWindow(window);
  return 0;
}
