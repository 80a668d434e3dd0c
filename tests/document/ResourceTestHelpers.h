#pragma once
// Small readers of what the resource code made: texels of managed textures, sizes,
// reference counts and owning devices; and the fixture modules' names.

#include <d3d9.h>

#include <cstdint>
#include <string>

#include "FixtureIds.h"
#include "support/TestMeshes.h"

namespace resources_test {

const wchar_t kModule[] = FIXTURE_MODULE_NAME;
const wchar_t kModule2[] = FIXTURE_MODULE2_NAME;
const wchar_t kMissingModule[] = L"no_such_module.dll";

// Fixture colours (0x00RRGGBB, as read back without alpha).
const uint32_t kRed = 0xFF0000;
const uint32_t kGreen = 0x00FF00;
const uint32_t kBlue = 0x0000FF;
const uint32_t kYellow = 0xFFFF00;
const uint32_t kWhite = 0xFFFFFF;
const uint32_t kMagenta = 0xFF00FF;
// What a missing texture reads as.
const uint32_t kNoTexture = 0xDEADBEEF;

// The cube of the fixture module, half-size 1 (its bounding radius is sqrt(3)).
using ds_test::kCubeX;

// Texel (x, y) of level 0 of a lockable 32-bit texture, without alpha; kNoTexture for
// no texture or one that cannot be read.
inline uint32_t TexelAt(IDirect3DTexture9* texture, UINT x, UINT y) {
  if (!texture) return kNoTexture;
  D3DSURFACE_DESC desc = {};
  texture->GetLevelDesc(0, &desc);
  if ((desc.Format != D3DFMT_X8R8G8B8 && desc.Format != D3DFMT_A8R8G8B8) || x >= desc.Width ||
      y >= desc.Height)
    return kNoTexture;
  D3DLOCKED_RECT locked = {};
  if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return kNoTexture;
  const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch);
  uint32_t texel = reinterpret_cast<const uint32_t*>(row)[x] & 0x00FFFFFFu;
  texture->UnlockRect(0);
  return texel;
}

// The colour in the middle of a texture.
inline uint32_t CentreTexel(IDirect3DTexture9* texture) {
  if (!texture) return kNoTexture;
  D3DSURFACE_DESC desc = {};
  texture->GetLevelDesc(0, &desc);
  return TexelAt(texture, desc.Width / 2, desc.Height / 2);
}

inline D3DSURFACE_DESC LevelDesc(IDirect3DTexture9* texture) {
  D3DSURFACE_DESC desc = {};
  if (texture) texture->GetLevelDesc(0, &desc);
  return desc;
}

inline ULONG RefCount(IUnknown* object) {
  if (!object) return 0;
  object->AddRef();
  return object->Release();
}

inline IDirect3DDevice9* DeviceOf(IDirect3DResource9* resource) {
  IDirect3DDevice9* device = nullptr;
  if (resource && SUCCEEDED(resource->GetDevice(&device)) && device) device->Release();
  return device;
}

inline std::string ColourText(uint32_t colour) {
  if (colour == kNoTexture) return "no texture";
  char text[16];
  snprintf(text, sizeof(text), "0x%06X", colour);
  return text;
}

}  // namespace resources_test
