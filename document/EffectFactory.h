#pragma once
// Where the document's effects are made. The program makes them with D3DX from the
// bytes the document or a module holds (compiled effect data or HLSL source alike);
// a test puts a creator of its own in place, because the platform it runs on cannot
// compile HLSL source.

#include <d3dx9.h>

#include <functional>

// Makes an effect from `size` bytes on `device`; on success *effect holds one
// reference for the caller.
typedef std::function<HRESULT(IDirect3DDevice9* device, const void* bytes, UINT size,
                              ID3DXEffect** effect)>
    DS_EffectCreator;

// D3DXCreateEffect with no defines, no include handler, flags 0 and no pool.
HRESULT CreateEffectWithD3DX(IDirect3DDevice9* device, const void* bytes, UINT size,
                             ID3DXEffect** effect);

// Through the creator in place (D3DX unless a test replaced it). *effect is null on
// failure; no bytes give E_INVALIDARG and bytes that fail DS_CompiledEffectCheck give
// D3DXERR_INVALIDDATA, both without asking the creator.
HRESULT CreateEffectFromBytes(IDirect3DDevice9* device, const void* bytes, UINT size,
                              ID3DXEffect** effect);

// Puts `creator` in place and returns the one it replaces; an empty creator puts
// D3DX back.
DS_EffectCreator SetEffectCreator(DS_EffectCreator creator);
