#include "document/EffectFactory.h"

#include <cstring>
#include <utility>

#include "document/CompiledEffectCheck.h"

#include "device/ComHolder.h"

namespace {

DS_EffectCreator& CurrentCreator() {
  static DS_EffectCreator creator;
  return creator;
}

}  // namespace

HRESULT CreateEffectWithD3DX(IDirect3DDevice9* device, const void* bytes, UINT size,
                             ID3DXEffect** effect) {
  // D3DX reads the first word of any effect to tell compiled from source: fewer bytes
  // (source text, which fails to compile) are read from a copy padded to a word.
  if (size < 4) {
    unsigned char padded[4] = {};
    if (bytes) std::memcpy(padded, bytes, size);
    return D3DXCreateEffect(device, padded, size, nullptr, nullptr, 0, nullptr, effect, nullptr);
  }
  return D3DXCreateEffect(device, bytes, size, nullptr, nullptr, 0, nullptr, effect, nullptr);
}

HRESULT CreateEffectFromBytes(IDirect3DDevice9* device, const void* bytes, UINT size,
                              ID3DXEffect** effect) {
  if (!effect) return E_POINTER;
  *effect = nullptr;
  if (!bytes || size == 0) return E_INVALIDARG;
  // D3DX trusts every offset and count of a compiled effect; bytes that would lead it
  // outside themselves make no effect.
  if (!DS_CompiledEffectCheck(bytes, size).Passed()) return D3DXERR_INVALIDDATA;
  const DS_EffectCreator& creator = CurrentCreator();
  // What a failed creation left behind is released with the holder.
  DS_ComHolder<ID3DXEffect> made;
  HRESULT hr = creator ? creator(device, bytes, size, made.Receive())
                       : CreateEffectWithD3DX(device, bytes, size, made.Receive());
  if (SUCCEEDED(hr)) *effect = made.Detach();
  return hr;
}

DS_EffectCreator SetEffectCreator(DS_EffectCreator creator) {
  DS_EffectCreator previous = std::move(CurrentCreator());
  CurrentCreator() = std::move(creator);
  return previous;
}
