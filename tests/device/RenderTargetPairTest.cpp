#include <gtest/gtest.h>

#include "device/DeviceUtil.h"
#include "device/RenderTargetPair.h"
#include "support/RenderDeviceTest.h"

namespace {

using ds_test::ColorText;
using ds_test::Image;

class RenderTargetPairTest : public ds_test::RenderDeviceTest {
protected:
  DS_ComHolder<IDirect3DSurface9> Target() {
    DS_ComHolder<IDirect3DSurface9> s;
    device->GetRenderTarget(0, s.Receive());
    return s;
  }
  DS_ComHolder<IDirect3DSurface9> Depth() {
    DS_ComHolder<IDirect3DSurface9> s;
    if (FAILED(device->GetDepthStencilSurface(s.Receive()))) s.Release();
    return s;
  }
  static DS_ComHolder<IDirect3DSurface9> Level0(IDirect3DTexture9* texture) {
    DS_ComHolder<IDirect3DSurface9> s;
    if (texture) texture->GetSurfaceLevel(0, s.Receive());
    return s;
  }
  // Paints a texture of the pair with one colour through the device.
  void Paint(IDirect3DTexture9* texture, D3DCOLOR color) {
    DS_ComHolder<IDirect3DSurface9> saved = Target();
    device->SetRenderTarget(0, Level0(texture).Get());
    device->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1.0f, 0);
    device->SetRenderTarget(0, saved.Get());
  }
  // Every pixel of level 0 equals `expected`; on failure the picture is saved.
  void ExpectFilled(IDirect3DTexture9* texture, D3DCOLOR expected, const char* name) {
    Image image;
    ASSERT_TRUE(ds_test::ReadTexture(texture, image)) << name << ": texture could not be read";
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        if (image.At(x, y) != expected) {
          FAIL() << name << ": pixel (" << x << "," << y << ") is " << ColorText(image.At(x, y)) << ", expected "
                 << ColorText(expected) << "; saved " << ds_test::SaveFailureImage(image, name);
        }
      }
    }
  }
};

TEST_F(RenderTargetPairTest, CreateTakesTheRealSizeAndKeepsTexturesForAZeroSide) {
  DS_RenderTargetPair pair;
  pair.Create(64, 32);
  ASSERT_TRUE(pair.IsValid());
  EXPECT_EQ(pair.GetWidth(), 64);
  EXPECT_EQ(pair.GetHeight(), 32);
  EXPECT_EQ(pair.GetCurrent().Get(), pair.GetTexture(0).Get());
  IDirect3DTexture9* before = pair.GetTexture(0).Get();
  pair.Create(0, 480);
  EXPECT_EQ(pair.GetTexture(0).Get(), before);
  EXPECT_EQ(pair.GetWidth(), 0);
  EXPECT_EQ(pair.GetHeight(), 480);
}

// A slide switch asks the layer's pair for its size again each time; only a new size
// makes new textures, and the pair's references to them stay where they were.
TEST_F(RenderTargetPairTest, CreatingAgainAtTheSameSizeKeepsTheTextures) {
  DS_RenderTargetPair pair;
  pair.Create(64, 32);
  ASSERT_TRUE(pair.IsValid());
  // Held here too, so that textures made anew could not take the same addresses.
  DS_ComHolder<IDirect3DTexture9> first(pair.GetTexture(0).Get());
  DS_ComHolder<IDirect3DTexture9> second(pair.GetTexture(1).Get());
  first->AddRef();
  second->AddRef();
  first->AddRef();
  const ULONG references = first->Release();
  for (int i = 0; i < 50; ++i) pair.Create(64, 32);
  EXPECT_EQ(first.Get(), pair.GetTexture(0).Get());
  EXPECT_EQ(second.Get(), pair.GetTexture(1).Get());
  first->AddRef();
  EXPECT_EQ(references, first->Release()) << "the texture's references are where they were";
  EXPECT_EQ(pair.GetWidth(), 64);
  EXPECT_EQ(pair.GetHeight(), 32);

  pair.Create(32, 16);
  ASSERT_TRUE(pair.IsValid());
  EXPECT_NE(first.Get(), pair.GetTexture(0).Get()) << "a new size makes new textures";
  EXPECT_EQ(pair.GetWidth(), 32);
  EXPECT_EQ(pair.GetHeight(), 16);

  pair.ReleaseTextures();
  pair.Create(32, 16);
  EXPECT_TRUE(pair.IsValid()) << "released textures are made again at the same size";
}

TEST_F(RenderTargetPairTest, FlipAlternatesAndClearsToOpaqueBlack) {
  DS_RenderTargetPair pair;
  pair.Create(64, 32);
  ASSERT_TRUE(pair.IsValid());
  IDirect3DTexture9* first = pair.GetTexture(0).Get();
  IDirect3DTexture9* second = pair.GetTexture(1).Get();
  Paint(second, 0xFF20C040);

  EXPECT_EQ(pair.Flip().Get(), first);
  EXPECT_EQ(pair.GetCurrent().Get(), second);
  EXPECT_EQ(Target().Get(), Level0(second).Get()) << "the flipped texture is render target 0";
  ds_test::RestoreDefaultTargets();
  ExpectFilled(second, DS_RenderTargetPair::kFlipClearColor, "flip_second");

  Paint(first, 0xFF3366FF);
  EXPECT_EQ(pair.Flip().Get(), second);
  EXPECT_EQ(pair.GetCurrent().Get(), first);
  ds_test::RestoreDefaultTargets();
  ExpectFilled(first, DS_RenderTargetPair::kFlipClearColor, "flip_first");
}

TEST_F(RenderTargetPairTest, FlipClearsToTheColourItsUserAsksFor) {
  // The mask passes of the particle systems want a transparent target: the flip clears
  // to that, rather than to black and then again.
  DS_RenderTargetPair pair;
  pair.Create(64, 32);
  ASSERT_TRUE(pair.IsValid());
  IDirect3DTexture9* second = pair.GetTexture(1).Get();
  Paint(second, 0xFF20C040);
  pair.Flip(0x00000000);
  ds_test::RestoreDefaultTargets();
  ExpectFilled(second, 0x00000000, "flip_transparent");
}

TEST_F(RenderTargetPairTest, BeginAndEndRestoreTargetAndDepthExactly) {
  DS_RenderTargetPair pair;
  pair.Create(64, 32);
  ASSERT_TRUE(pair.IsValid());
  const DS_ComHolder<IDirect3DSurface9> target = Target();
  const DS_ComHolder<IDirect3DSurface9> depth = Depth();
  ASSERT_TRUE(target && depth);

  pair.BeginRender();
  EXPECT_EQ(Target().Get(), Level0(pair.GetCurrent().Get()).Get());
  EXPECT_FALSE(Depth()) << "no depth-stencil surface while drawing into the pair";
  pair.EndRender();

  EXPECT_EQ(Target().Get(), target.Get());
  EXPECT_EQ(Depth().Get(), depth.Get());
}

TEST_F(RenderTargetPairTest, ReleasingTheTexturesLetsTheDeviceReset) {
  {
    DS_RenderTargetPair pair;
    pair.Create(64, 32);
    pair.BeginRender();
    pair.Flip();
    pair.EndRender();
    // Default-pool textures still alive: the device refuses to reset.
    EXPECT_NE(ds_test::ResetTestDevice(), D3D_OK);
    pair.ReleaseTextures();
    EXPECT_FALSE(pair.IsValid());
    EXPECT_EQ(ds_test::ResetTestDevice(), D3D_OK);
    pair.Create(64, 32);  // made again after the reset
    EXPECT_TRUE(pair.IsValid());
    pair.ReleaseTextures();
  }
  EXPECT_EQ(ds_test::ResetTestDevice(), D3D_OK);
}

TEST_F(RenderTargetPairTest, InvalidPairLeavesTheDeviceAlone) {
  DS_RenderTargetPair released;
  released.Create(64, 32);
  released.ReleaseTextures();
  DS_RenderTargetPair failed;
  failed.Create(1 << 20, 1 << 20);  // no device makes a texture this large
  DS_RenderTargetPair never;

  const DS_ComHolder<IDirect3DSurface9> target = Target();
  const DS_ComHolder<IDirect3DSurface9> depth = Depth();
  for (DS_RenderTargetPair* pair : {&released, &failed, &never}) {
    EXPECT_FALSE(pair->IsValid());
    EXPECT_FALSE(pair->Flip());
    pair->BeginRender();
    EXPECT_FALSE(pair->IsRendering());
    EXPECT_EQ(Target().Get(), target.Get());
    EXPECT_EQ(Depth().Get(), depth.Get());
    pair->EndRender();
    EXPECT_EQ(Target().Get(), target.Get());
    EXPECT_EQ(Depth().Get(), depth.Get());
  }
  DS_ComHolder<IDirect3DTexture9> source;
  ASSERT_TRUE(SUCCEEDED(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, source.Receive(), nullptr)));
  failed.Resize(source, 1 << 20, 1 << 20);
  EXPECT_FALSE(failed.IsValid());
}

TEST_F(RenderTargetPairTest, ResizeCopiesTheSourceIntoTheCurrentTexture) {
  DS_ComHolder<IDirect3DTexture9> source;
  ASSERT_TRUE(SUCCEEDED(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, source.Receive(), nullptr)));
  D3DLOCKED_RECT locked;
  ASSERT_TRUE(SUCCEEDED(source->LockRect(0, &locked, nullptr, 0)));
  for (int y = 0; y < 8; ++y) {
    DWORD* row = reinterpret_cast<DWORD*>(static_cast<char*>(locked.pBits) + y * locked.Pitch);
    for (int x = 0; x < 8; ++x) row[x] = 0xFF804020;
  }
  source->UnlockRect(0);

  DS_RenderTargetPair pair;
  pair.Resize(source, 32, 16);
  ASSERT_TRUE(pair.IsValid());
  EXPECT_EQ(pair.GetWidth(), 32);
  EXPECT_EQ(pair.GetHeight(), 16);
  ExpectFilled(pair.GetCurrent().Get(), 0xFF804020, "resize_copy");
}

}  // namespace
