#include "device/DeviceUtil.h"

#include <d3dx9.h>

#include "device/DeviceGlobals.h"
#include "device/ResourceLookup.h"

namespace {
// 16-bit indices address at most this many vertices.
const int kMaxIndexedVertices = 0x10000;
}  // namespace

D3DSURFACE_DESC GetBackBufferDesc() {
  D3DSURFACE_DESC desc = {};
  if (!g_CurrentDevice) return desc;
  DS_ComHolder<IDirect3DSurface9> back;
  if (FAILED(g_CurrentDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.Receive())) || !back) {
    return desc;
  }
  if (FAILED(back->GetDesc(&desc))) desc = D3DSURFACE_DESC{};
  return desc;
}

HRESULT CreateRenderTargetTexture(DS_ComHolder<IDirect3DTexture9>& holder, int width, int height) {
  holder.Release();
  if (!g_CurrentDevice) return E_POINTER;
  if (width <= 0 || height <= 0) return E_INVALIDARG;
  return g_CurrentDevice->CreateTexture(UINT(width), UINT(height), 1, D3DUSAGE_RENDERTARGET,
                                        D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, holder.Receive(), nullptr);
}

bool HasDepthSurface() {
  if (!g_CurrentDevice) return false;
  DS_ComHolder<IDirect3DSurface9> depth;
  return SUCCEEDED(g_CurrentDevice->GetDepthStencilSurface(depth.Receive())) && depth;
}

HRESULT CopyTextureLevel0(IDirect3DTexture9* source, IDirect3DTexture9* target) {
  if (!source || !target) return E_POINTER;
  // A picture of the document may not have its pixels yet.
  ReadyTexturePixels(source);
  DS_ComHolder<IDirect3DSurface9> from, to;
  HRESULT hr = source->GetSurfaceLevel(0, from.Receive());
  if (FAILED(hr)) return hr;
  hr = target->GetSurfaceLevel(0, to.Receive());
  if (FAILED(hr)) return hr;
  return D3DXLoadSurfaceFromSurface(to.Get(), nullptr, nullptr, from.Get(), nullptr, nullptr,
                                    D3DX_FILTER_TRIANGLE, 0);
}

HRESULT ResampleTexture(int width, int height, const DS_ComHolder<IDirect3DTexture9>& source,
                        DS_ComHolder<IDirect3DTexture9>& result, D3DFORMAT format) {
  // The source may be the result's own texture: keep it alive while copying.
  DS_ComHolder<IDirect3DTexture9> from = source;
  result.Release();
  if (!from) return S_FALSE;
  if (!g_CurrentDevice) return E_POINTER;
  if (width <= 0 || height <= 0) return E_INVALIDARG;
  HRESULT hr = D3DXCreateTexture(g_CurrentDevice, UINT(width), UINT(height), D3DX_DEFAULT, 0, format,
                                 D3DPOOL_MANAGED, result.Receive());
  if (FAILED(hr)) return hr;
  return CopyTextureLevel0(from.Get(), result.Get());
}

void WriteGridIndices(WORD* out, int columns, int rows) {
  for (int j = 0; j + 1 < rows; ++j) {
    for (int k = 0; k + 1 < columns; ++k) {
      const WORD a = WORD(j * columns + k);
      const WORD b = WORD((j + 1) * columns + k);
      *out++ = a;
      *out++ = WORD(a + 1);
      *out++ = b;
      *out++ = b;
      *out++ = WORD(a + 1);
      *out++ = WORD(b + 1);
    }
  }
}

HRESULT CreateGridIndexBuffer(DS_IndexBuffer& holder, int columns, int rows) {
  holder.Unlock();
  holder.buffer.Release();
  holder.primitiveCount = 0;
  if (columns < 2 || rows < 2 || columns > kMaxIndexedVertices / rows) return E_INVALIDARG;
  if (!g_CurrentDevice) return E_POINTER;
  const int triangles = 2 * (columns - 1) * (rows - 1);
  HRESULT hr = g_CurrentDevice->CreateIndexBuffer(UINT(triangles) * 3 * sizeof(WORD), D3DUSAGE_WRITEONLY,
                                                  D3DFMT_INDEX16, D3DPOOL_MANAGED, holder.buffer.Receive(),
                                                  nullptr);
  if (FAILED(hr)) return hr;
  if (!holder.Lock()) {
    holder.buffer.Release();
    return E_FAIL;
  }
  WriteGridIndices(holder.locked, columns, rows);
  holder.Unlock();
  holder.primitiveCount = triangles;
  return S_OK;
}
