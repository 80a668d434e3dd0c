#include "support/TestDevice.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "render/DeviceStates.h"

namespace ds_test {
namespace {

const wchar_t kWindowClass[] = L"DSTestDeviceWindow";

struct SharedDevice {
  bool tried = false;
  HWND window = nullptr;
  DS_ComHolder<IDirect3D9> d3d;
  DS_ComHolder<IDirect3DDevice9> device;
  // The automatic depth-stencil surface, kept to set it back after tests that unset it.
  DS_ComHolder<IDirect3DSurface9> depth;
  // Every state as the device was made (or last reset) with, to put back between tests.
  DS_ComHolder<IDirect3DStateBlock9> creationStates;
  D3DPRESENT_PARAMETERS params = {};
  std::string error;

  ~SharedDevice() { Destroy(); }

  // The surface before the device, the device before Direct3D and its window.
  void Destroy() {
    creationStates.Release();
    depth.Release();
    device.Release();
    d3d.Release();
    if (window) DestroyWindow(window);
    window = nullptr;
  }

  void CaptureCreationStates() {
    creationStates.Release();
    if (device && FAILED(device->CreateStateBlock(D3DSBT_ALL, creationStates.Receive()))) creationStates.Release();
  }
};

SharedDevice& Shared() {
  static SharedDevice shared;
  return shared;
}

// Releases the device before the runtime tears down, while Direct3D is still loaded.
class DeviceEnvironment : public ::testing::Environment {
public:
  void TearDown() override { Shared().Destroy(); }
};
::testing::Environment* const g_deviceEnvironment = ::testing::AddGlobalTestEnvironment(new DeviceEnvironment);

HWND CreateTestWindow() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kWindowClass;
  RegisterClassW(&wc);
  RECT rect = {0, 0, kTestDeviceWidth, kTestDeviceHeight};
  AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
  return CreateWindowW(kWindowClass, L"test device", WS_OVERLAPPEDWINDOW, 0, 0, rect.right - rect.left,
                       rect.bottom - rect.top, nullptr, nullptr, wc.hInstance, nullptr);
}

void CreateShared(SharedDevice& s) {
  s.window = CreateTestWindow();
  if (!s.window) {
    s.error = "CreateWindow failed";
    return;
  }
  s.d3d.Attach(Direct3DCreate9(D3D_SDK_VERSION));
  if (!s.d3d) {
    s.error = "Direct3DCreate9 failed";
    return;
  }
  D3DPRESENT_PARAMETERS& p = s.params;
  p = D3DPRESENT_PARAMETERS{};
  p.BackBufferWidth = kTestDeviceWidth;
  p.BackBufferHeight = kTestDeviceHeight;
  p.BackBufferFormat = D3DFMT_X8R8G8B8;
  p.BackBufferCount = 1;
  p.SwapEffect = D3DSWAPEFFECT_DISCARD;
  p.hDeviceWindow = s.window;
  p.Windowed = TRUE;
  p.EnableAutoDepthStencil = TRUE;
  p.AutoDepthStencilFormat = D3DFMT_D24S8;
  p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  D3DPRESENT_PARAMETERS used = p;
  const HRESULT hr = s.d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, s.window,
                                         D3DCREATE_SOFTWARE_VERTEXPROCESSING, &used, s.device.Receive());
  if (FAILED(hr)) {
    char text[64];
    std::snprintf(text, sizeof text, "CreateDevice failed: 0x%08lX", static_cast<unsigned long>(hr));
    s.error = text;
    s.device.Release();
    return;
  }
  s.device->GetDepthStencilSurface(s.depth.Receive());
  s.CaptureCreationStates();
}

}  // namespace

IDirect3DDevice9* GetTestDevice() {
  SharedDevice& s = Shared();
  if (!s.tried) {
    s.tried = true;
    CreateShared(s);
  }
  return s.device.Get();
}

std::string GetTestDeviceError() { return Shared().error; }

D3DPRESENT_PARAMETERS GetTestPresentParameters() { return Shared().params; }

HRESULT ResetTestDevice() {
  IDirect3DDevice9* device = GetTestDevice();
  if (!device) return E_FAIL;
  SharedDevice& s = Shared();
  // A reference held on the automatic depth surface would make the reset fail.
  RestoreDefaultTargets();
  s.depth.Release();
  s.creationStates.Release();
  D3DPRESENT_PARAMETERS p = s.params;
  const HRESULT hr = device->Reset(&p);
  device->GetDepthStencilSurface(s.depth.Receive());
  // A reset puts every state back to its default: the same ones as at creation.
  s.CaptureCreationStates();
  ForgetDeviceStates();
  return hr;
}

void RestoreDefaultTargets() {
  IDirect3DDevice9* device = GetTestDevice();
  if (!device) return;
  DS_ComHolder<IDirect3DSurface9> back;
  if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.Receive())) && back) {
    device->SetRenderTarget(0, back.Get());
  }
  device->SetDepthStencilSurface(Shared().depth.Get());
  device->SetTexture(0, nullptr);
  device->SetTexture(1, nullptr);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  ForgetDeviceStates();
}

void ApplyBaselineStates() {
  IDirect3DDevice9* device = GetTestDevice();
  if (!device) return;
  if (IDirect3DStateBlock9* states = Shared().creationStates.Get()) states->Apply();
  ForgetDeviceStates();
  ApplyStates(device, ds_states::kLayerBaseline);
}

bool ReadSurface(IDirect3DSurface9* surface, Image& out) {
  out = Image{};
  IDirect3DDevice9* device = GetTestDevice();
  if (!surface || !device) return false;
  D3DSURFACE_DESC desc = {};
  if (FAILED(surface->GetDesc(&desc))) return false;
  if (desc.Format != D3DFMT_X8R8G8B8 && desc.Format != D3DFMT_A8R8G8B8) return false;
  DS_ComHolder<IDirect3DSurface9> copy;
  if (FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                 copy.Receive(), nullptr))) {
    return false;
  }
  bool ok = false;
  D3DLOCKED_RECT locked = {};
  if (SUCCEEDED(device->GetRenderTargetData(surface, copy.Get())) &&
      SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
    out.width = int(desc.Width);
    out.height = int(desc.Height);
    out.pixels.resize(size_t(out.width) * size_t(out.height));
    for (int y = 0; y < out.height; ++y) {
      std::memcpy(&out.pixels[size_t(y) * size_t(out.width)],
                  static_cast<const char*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                  size_t(out.width) * 4);
    }
    copy->UnlockRect();
    ok = true;
  }
  return ok;
}

bool ReadBackBuffer(Image& out) {
  IDirect3DDevice9* device = GetTestDevice();
  if (!device) return false;
  DS_ComHolder<IDirect3DSurface9> back;
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.Receive())) || !back) return false;
  return ReadSurface(back.Get(), out);
}

bool ReadTexture(IDirect3DTexture9* texture, Image& out) {
  if (!texture) return false;
  DS_ComHolder<IDirect3DSurface9> level;
  if (FAILED(texture->GetSurfaceLevel(0, level.Receive())) || !level) return false;
  return ReadSurface(level.Get(), out);
}

DS_ComHolder<IDirect3DTexture9> MakeTexture(int width, int height,
                                            const std::function<uint32_t(int x, int y)>& colourAt) {
  DS_ComHolder<IDirect3DTexture9> texture;
  IDirect3DDevice9* device = GetTestDevice();
  if (!device || FAILED(device->CreateTexture(UINT(width), UINT(height), 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                              texture.Receive(), nullptr))) {
    texture.Release();
    return texture;
  }
  D3DLOCKED_RECT locked;
  if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) {
    texture.Release();
    return texture;
  }
  for (int y = 0; y < height; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<char*>(locked.pBits) + size_t(y) * size_t(locked.Pitch));
    for (int x = 0; x < width; ++x) row[x] = colourAt(x, y);
  }
  texture->UnlockRect(0);
  return texture;
}

namespace {
void PutU16(std::vector<unsigned char>& b, unsigned v) {
  b.push_back(static_cast<unsigned char>(v & 0xFF));
  b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}
void PutU32(std::vector<unsigned char>& b, uint32_t v) {
  PutU16(b, v & 0xFFFF);
  PutU16(b, v >> 16);
}
}  // namespace

bool SaveBmp(const Image& image, const std::string& path) {
  if (image.width <= 0 || image.height <= 0) return false;
  const uint32_t dataSize = uint32_t(image.width) * uint32_t(image.height) * 4;
  std::vector<unsigned char> b;
  b.push_back('B');
  b.push_back('M');
  PutU32(b, 54 + dataSize);
  PutU32(b, 0);
  PutU32(b, 54);
  PutU32(b, 40);
  PutU32(b, uint32_t(image.width));
  PutU32(b, uint32_t(-image.height));  // negative: rows top-down
  PutU16(b, 1);
  PutU16(b, 32);
  PutU32(b, 0);
  PutU32(b, dataSize);
  PutU32(b, 2835);
  PutU32(b, 2835);
  PutU32(b, 0);
  PutU32(b, 0);
  for (uint32_t pixel : image.pixels) PutU32(b, pixel);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(b.data(), 1, b.size(), file) == b.size();
  return std::fclose(file) == 0 && ok;
}

std::string SaveFailureImage(const Image& image, const std::string& name) {
  const std::string path = name + ".bmp";
  return SaveBmp(image, path) ? path : std::string("(could not save ") + path + ")";
}

testing::AssertionResult SamePixels(const Image& before, const Image& after, int step, const std::string& name) {
  if (before.width != after.width || before.height != after.height) {
    return testing::AssertionFailure() << "the images differ in size";
  }
  for (int y = 0; y < after.height; y += step) {
    for (int x = 0; x < after.width; x += step) {
      if (before.RgbAt(x, y) != after.RgbAt(x, y)) {
        return testing::AssertionFailure() << "(" << x << ", " << y << ") is " << ColorText(after.RgbAt(x, y))
                                           << ", was " << ColorText(before.RgbAt(x, y)) << "; saved as "
                                           << SaveFailureImage(after, name);
      }
    }
  }
  return testing::AssertionSuccess();
}

DS_ComHolder<IDirect3DTexture9> SolidTexture(uint32_t colour) {
  return MakeTexture(4, 4, [colour](int, int) { return colour; });
}

std::string CurrentTestName() {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  if (!test) return "pixels_failure";
  std::string name = std::string(test->test_suite_name()) + "_" + test->name();
  for (char& c : name) {
    if (c == '/' || c == '\\' || c == ':') c = '_';
  }
  return name;
}

bool ColoursNear(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  }
  return true;
}

testing::AssertionResult PixelNear(const Image& image, int x, int y, uint32_t expected, int tolerance,
                                    bool withAlpha, const std::string& failureName) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height)
    return testing::AssertionFailure() << "(" << x << "," << y << ") lies outside the " << image.width << " x "
                                       << image.height << " image";
  const uint32_t got = image.At(x, y);
  for (int shift = 0; shift < (withAlpha ? 32 : 24); shift += 8) {
    const int a = int((got >> shift) & 0xFF);
    const int b = int((expected >> shift) & 0xFF);
    if (std::abs(a - b) > tolerance) {
      return testing::AssertionFailure()
             << "at (" << x << "," << y << ") got " << ColorText(got) << ", expected " << ColorText(expected)
             << " (saved " << SaveFailureImage(image, failureName.empty() ? CurrentTestName() : failureName) << ")";
    }
  }
  return testing::AssertionSuccess();
}

testing::AssertionResult AreaNear(const Image& image, int left, int top, int right, int bottom, int step,
                                  uint32_t rgb, int tolerance) {
  if (left < 0 || top < 0 || right > image.width || bottom > image.height || step < 1)
    return testing::AssertionFailure() << "the area (" << left << "," << top << ")-(" << right << "," << bottom
                                       << ") does not lie in the " << image.width << " x " << image.height
                                       << " image";
  for (int y = top; y < bottom; y += step) {
    for (int x = left; x < right; x += step) {
      if (!ColoursNear(image.RgbAt(x, y), rgb, tolerance)) {
        return testing::AssertionFailure() << "at (" << x << "," << y << ") got " << ColorText(image.RgbAt(x, y))
                                           << ", expected " << ColorText(rgb & 0x00FFFFFFu) << " (saved "
                                           << SaveFailureImage(image, CurrentTestName()) << ")";
      }
    }
  }
  return testing::AssertionSuccess();
}

testing::AssertionResult SameImage(const Image& expected, const Image& image, int step, int tolerance) {
  if (expected.width != image.width || expected.height != image.height || step < 1)
    return testing::AssertionFailure() << "the image is " << image.width << " x " << image.height << ", expected "
                                       << expected.width << " x " << expected.height;
  for (int y = 0; y < image.height; y += step) {
    for (int x = 0; x < image.width; x += step) {
      if (!ColoursNear(image.RgbAt(x, y), expected.RgbAt(x, y), tolerance)) {
        const std::string name = CurrentTestName();
        return testing::AssertionFailure() << "at (" << x << "," << y << ") got " << ColorText(image.RgbAt(x, y))
                                           << ", expected " << ColorText(expected.RgbAt(x, y)) << " (saved "
                                           << SaveFailureImage(image, name) << " and "
                                           << SaveFailureImage(expected, name + "_expected") << ")";
      }
    }
  }
  return testing::AssertionSuccess();
}

std::string ColorText(uint32_t color) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(color));
  return text;
}

void DeviceTest::SetUp() {
  device = GetTestDevice();
  ASSERT_NE(device, nullptr) << "no Direct3D device: " << GetTestDeviceError();
  ApplyBaselineStates();
  RestoreDefaultTargets();
}

void DeviceTest::TearDown() {
  ApplyBaselineStates();
  RestoreDefaultTargets();
}

}  // namespace ds_test
