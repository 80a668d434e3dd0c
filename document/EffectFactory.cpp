#include "document/EffectFactory.h"

#include <utility>

namespace {

DS_EffectCreator& CurrentCreator() {
  static DS_EffectCreator creator;
  return creator;
}

}  // namespace

HRESULT CreateEffectWithD3DX(IDirect3DDevice9* device, const void* bytes, UINT size,
                             ID3DXEffect** effect) {
  return D3DXCreateEffect(device, bytes, size, nullptr, nullptr, 0, nullptr, effect, nullptr);
}

HRESULT CreateEffectFromBytes(IDirect3DDevice9* device, const void* bytes, UINT size,
                              ID3DXEffect** effect) {
  if (!effect) return E_POINTER;
  *effect = nullptr;
  if (!bytes || size == 0) return E_INVALIDARG;
  const DS_EffectCreator& creator = CurrentCreator();
  HRESULT hr = creator ? creator(device, bytes, size, effect)
                       : CreateEffectWithD3DX(device, bytes, size, effect);
  if (FAILED(hr) && *effect) {
    (*effect)->Release();
    *effect = nullptr;
  }
  return hr;
}

DS_EffectCreator SetEffectCreator(DS_EffectCreator creator) {
  DS_EffectCreator previous = std::move(CurrentCreator());
  CurrentCreator() = std::move(creator);
  return previous;
}
