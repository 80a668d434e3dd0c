// The saver's own start-up in preview and test mode, in this process: one windowed
// device on the saver window, frames drawn black, and the ending on WM_DESTROY.
#include <gtest/gtest.h>

#include <string>

#include "SettingsKeyFixture.h"
#include "TestSavers.h"

namespace {

void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < ms) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

class CountingSaver : public Exposed<CSceneScreensaver> {
public:
  HRESULT OnShutdown() override {
    ++shutdowns;
    return S_OK;
  }
  int shutdowns = 0;
};

// Start-up reads the settings: they come from the test's own key.
class WindowedUnit : public SettingsKeyFixture {};

// Reads the device's back buffer and returns the pixel at its centre.
DWORD CentrePixel(IDirect3DDevice9* device) {
  IDirect3DSurface9* back = nullptr;
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) return 0xDEADBEEF;
  D3DSURFACE_DESC desc;
  back->GetDesc(&desc);
  IDirect3DSurface9* copy = nullptr;
  DWORD pixel = 0xDEADBEEF;
  if (SUCCEEDED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                    &copy, nullptr)) &&
      SUCCEEDED(device->GetRenderTargetData(back, copy))) {
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
      const BYTE* row = (const BYTE*)locked.pBits + locked.Pitch * (desc.Height / 2);
      pixel = ((const DWORD*)row)[desc.Width / 2] & 0x00FFFFFF;
      copy->UnlockRect();
    }
  }
  if (copy) copy->Release();
  back->Release();
  return pixel;
}

TEST_F(WindowedUnit, PreviewDrawsBlackIntoItsChildWindowAndEndsWithTheParent) {
  HWND parent = CreateWindowW(L"STATIC", L"preview parent", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100,
                              152, 112, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, parent);
  CountingSaver saver;
  SetSettingsKeyPath(TestKeyPath());
  std::wstring line = L"saver.scr /p " + std::to_wstring((unsigned)(uintptr_t)parent);
  ASSERT_EQ(S_OK, saver.Create(GetModuleHandleW(nullptr), line.c_str()));
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
  ASSERT_FALSE(saver.InErrorMode()) << "error 0x" << std::hex << (unsigned)saver.ErrorCode();
  ASSERT_EQ(parent, GetParent(saver.MainWindow()));
  saver.Initialize3D();
  ASSERT_FALSE(saver.InErrorMode()) << "error 0x" << std::hex << (unsigned)saver.ErrorCode();
  ASSERT_EQ(1u, saver.RenderUnitCount());
  for (int frame = 0; frame < 3; ++frame) saver.RenderFrame();
  saver.MakeUnitCurrent(0);
  EXPECT_EQ(152u, saver.BackBufferDesc().Width);
  EXPECT_EQ(0u, CentrePixel(saver.CurrentDevice()));
  DestroyWindow(parent);
  EXPECT_EQ(1, saver.shutdowns) << "the preview ends with its parent";
  EXPECT_EQ(0u, saver.RenderUnitCount());
  PumpFor(50);
}

TEST_F(WindowedUnit, TestWindowHasOneDeviceOnItsClientArea) {
  CountingSaver saver;
  SetSettingsKeyPath(TestKeyPath());
  ASSERT_EQ(S_OK, saver.Create(GetModuleHandleW(nullptr), L"saver.scr /t"));
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
  ASSERT_FALSE(saver.InErrorMode()) << "error 0x" << std::hex << (unsigned)saver.ErrorCode();
  saver.Initialize3D();
  ASSERT_FALSE(saver.InErrorMode()) << "error 0x" << std::hex << (unsigned)saver.ErrorCode();
  ASSERT_EQ(1u, saver.RenderUnitCount());
  saver.RenderFrame();
  saver.MakeUnitCurrent(0);
  EXPECT_EQ(600u, saver.BackBufferDesc().Width);
  EXPECT_EQ(400u, saver.BackBufferDesc().Height);
  DestroyWindow(saver.MainWindow());
  EXPECT_EQ(1, saver.shutdowns);
  PumpFor(50);
}

}  // namespace
