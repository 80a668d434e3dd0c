#include "support/CompiledEffects.h"

#include <windows.h>

namespace ds_test {

std::vector<unsigned char> CompiledEffectBytes(const char* name) {
  // RT_RCDATA as the ANSI call takes it (the build defines UNICODE).
  HRSRC found = FindResourceA(nullptr, name, MAKEINTRESOURCEA(10));
  if (!found) return {};
  HGLOBAL loaded = LoadResource(nullptr, found);
  const DWORD size = SizeofResource(nullptr, found);
  const unsigned char* bytes = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
  if (!bytes || size == 0) return {};
  return std::vector<unsigned char>(bytes, bytes + size);
}

HRESULT CreateCompiledEffect(IDirect3DDevice9* device, const char* name, ID3DXEffect** effect) {
  *effect = nullptr;
  const std::vector<unsigned char> bytes = CompiledEffectBytes(name);
  if (bytes.empty()) return E_FAIL;
  return D3DXCreateEffect(device, bytes.data(), UINT(bytes.size()), nullptr, nullptr, 0, nullptr, effect, nullptr);
}

}  // namespace ds_test
