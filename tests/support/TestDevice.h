#pragma once
// One real Direct3D 9 device per test executable, made on first use: windowed, 320 x 240,
// X8R8G8B8 back buffer with a D24S8 depth-stencil surface, software vertex processing
// (the safest under Wine). Tests that need no device never call GetTestDevice, so none
// is made. With it: pixel read-back from the back buffer or any render target, and
// saving what was read as a BMP file when a test fails.

#include <d3d9.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "device/ComHolder.h"

namespace ds_test {

const int kTestDeviceWidth = 320;
const int kTestDeviceHeight = 240;

// The shared device, or null when Direct3D could not make one (GetTestDeviceError says
// why). The device is released at exit.
IDirect3DDevice9* GetTestDevice();
std::string GetTestDeviceError();
// The parameters the device was made with (for Reset).
D3DPRESENT_PARAMETERS GetTestPresentParameters();
// Resets the device with its own parameters; the result of IDirect3DDevice9::Reset.
HRESULT ResetTestDevice();
// Render target 0 := the back buffer, depth-stencil := the automatic surface, no
// texture on stage 0 and default drawing states: what a test may expect on entry.
void RestoreDefaultTargets();
// Every render, stage and sampler state back to what the device was made with, then
// the layer's baseline (ds_states::kLayerBaseline): what a layer's draws find on a
// freshly restored device. Device tests start and end with it, so that no test
// inherits the states another left.
void ApplyBaselineStates();

// 32-bit pixels as Direct3D stores them (ARGB, alpha undefined for X8R8G8B8).
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  uint32_t RgbAt(int x, int y) const { return At(x, y) & 0x00FFFFFFu; }
};

// Reads a render-target (or back-buffer) surface of a 32-bit format through
// GetRenderTargetData. False when the surface cannot be read.
bool ReadSurface(IDirect3DSurface9* surface, Image& out);
bool ReadBackBuffer(Image& out);
// Level 0 of a render-target texture.
bool ReadTexture(IDirect3DTexture9* texture, Image& out);

// A width x height A8R8G8B8 texture in the managed pool of the test device whose texel
// (x, y) (y = 0 at the top) is colourAt(x, y), as 0xAARRGGBB; empty when it cannot be
// made.
DS_ComHolder<IDirect3DTexture9> MakeTexture(int width, int height,
                                            const std::function<uint32_t(int x, int y)>& colourAt);
// A 4 x 4 texture of that kind, every texel `colour`.
DS_ComHolder<IDirect3DTexture9> SolidTexture(uint32_t colour);

// Every `step`-th pixel of `after` has the colour of `before` (alpha aside); otherwise
// the first that differs is named and `after` is saved as `name`.
testing::AssertionResult SamePixels(const Image& before, const Image& after, int step, const std::string& name);

// Writes a 32-bit BMP. SaveFailureImage writes "<name>.bmp" into the current folder
// (the test's build folder under ctest) and returns the path, to print on failure.
bool SaveBmp(const Image& image, const std::string& path);
std::string SaveFailureImage(const Image& image, const std::string& name);

// "0xAARRGGBB", for failure messages.
std::string ColorText(uint32_t color);

// The running test's name, "Suite_Name" (a parameter's slash made an underscore):
// the name under which a failing pixel check saves what it read.
std::string CurrentTestName();

// Whether `a` and `b` lie within `tolerance` of each other in each of red, green and
// blue.
bool ColoursNear(uint32_t a, uint32_t b, int tolerance);

// The pixel checks: on failure they name the pixel and both colours, and save the
// image as "<name>.bmp" in the current folder (the test's build folder under ctest),
// named after the running test unless `failureName` says otherwise.

// Whether pixel (x, y) is `expected` within `tolerance` in each of red, green and blue
// (and alpha when `withAlpha`).
testing::AssertionResult PixelNear(const Image& image, int x, int y, uint32_t expected, int tolerance,
                                    bool withAlpha = false, const std::string& failureName = std::string());

// Whether every `step`-th pixel of the area from (left, top) to (right, bottom),
// exclusive, is `rgb` within `tolerance` in each of red, green and blue.
testing::AssertionResult AreaNear(const Image& image, int left, int top, int right, int bottom, int step,
                                  uint32_t rgb, int tolerance);

// Whether every `step`-th pixel of `image` is that of `expected` within `tolerance` in
// each of red, green and blue; on failure both images are saved ("<name>_expected.bmp"
// beside "<name>.bmp").
testing::AssertionResult SameImage(const Image& expected, const Image& image, int step, int tolerance);

// Base of device tests: fails the test at once when no device can be made, starts
// from the baseline states and leaves the device's targets as it found them for the
// next test.
class DeviceTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  IDirect3DDevice9* device = nullptr;
};

}  // namespace ds_test
