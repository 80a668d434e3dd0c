#include "render/VertexFormats.h"

#include "device/DeviceGlobals.h"

static_assert(sizeof(DX_V::PT) == 20, "PT layout");
static_assert(sizeof(DX_V::PCT) == 24, "PCT layout");
static_assert(sizeof(DX_V::PNT) == 32, "PNT layout");
static_assert(sizeof(DX_V::PNCT) == 36, "PNCT layout");
static_assert(sizeof(DX_V::PC) == 16, "PC layout");
static_assert(sizeof(DX_V::SC) == 20, "SC layout");
static_assert(sizeof(DX_V::SCT) == 28, "SCT layout");
static_assert(sizeof(DX_V::PT2) == 28, "PT2 layout");

template <class V>
HRESULT CreateVertexBuffer(int count, DS_VertexBuffer<V>& holder, DWORD usage, D3DPOOL pool) {
  holder.Unlock();
  holder.buffer.Release();
  std::vector<V>().swap(holder.memory);
  holder.vertexCount = count;
  if (count < 1) return E_INVALIDARG;
  if (!g_CurrentDevice) return E_POINTER;
  return g_CurrentDevice->CreateVertexBuffer(UINT(count) * sizeof(V), usage, V::FVF, pool,
                                             holder.buffer.Receive(), nullptr);
}

template <class V>
HRESULT CreateVertexMemory(int count, DS_VertexBuffer<V>& holder) {
  holder.Unlock();
  holder.buffer.Release();
  std::vector<V>().swap(holder.memory);
  holder.vertexCount = 0;
  if (count < 1) return E_INVALIDARG;
  if (!g_CurrentDevice) return E_POINTER;
  holder.memory.assign(size_t(count), V{});
  holder.vertexCount = count;
  return S_OK;
}

template <class V>
void SetVertexStream(IDirect3DVertexBuffer9* buffer) {
  g_CurrentDevice->SetVertexShader(nullptr);
  g_CurrentDevice->SetFVF(V::FVF);
  g_CurrentDevice->SetStreamSource(0, buffer, 0, sizeof(V));
}

#define DS_INSTANTIATE_VERTEX(V)                                                        \
  template HRESULT CreateVertexBuffer<V>(int, DS_VertexBuffer<V>&, DWORD, D3DPOOL);     \
  template HRESULT CreateVertexMemory<V>(int, DS_VertexBuffer<V>&);                     \
  template void SetVertexStream<V>(IDirect3DVertexBuffer9*);
DS_INSTANTIATE_VERTEX(DX_V::PT)
DS_INSTANTIATE_VERTEX(DX_V::PCT)
DS_INSTANTIATE_VERTEX(DX_V::PNT)
DS_INSTANTIATE_VERTEX(DX_V::PNCT)
DS_INSTANTIATE_VERTEX(DX_V::PC)
DS_INSTANTIATE_VERTEX(DX_V::SC)
DS_INSTANTIATE_VERTEX(DX_V::SCT)
DS_INSTANTIATE_VERTEX(DX_V::PT2)
#undef DS_INSTANTIATE_VERTEX

HRESULT CreatePTVertexBuffer(int count, DS_VertexBuffer<DX_V::PT>& holder, DWORD usage, D3DPOOL pool) {
  return CreateVertexBuffer(count, holder, usage, pool);
}
HRESULT CreatePCTVertexBuffer(int count, DS_VertexBuffer<DX_V::PCT>& holder, DWORD usage, D3DPOOL pool) {
  return CreateVertexBuffer(count, holder, usage, pool);
}
HRESULT CreateSCVertexBuffer(int count, DS_VertexBuffer<DX_V::SC>& holder, DWORD usage, D3DPOOL pool) {
  return CreateVertexBuffer(count, holder, usage, pool);
}
HRESULT CreatePCVertexBuffer(int count, DS_VertexBuffer<DX_V::PC>& holder, DWORD usage, D3DPOOL pool) {
  return CreateVertexBuffer(count, holder, usage, pool);
}
HRESULT CreateSCTVertexBuffer(int count, DS_VertexBuffer<DX_V::SCT>& holder, DWORD usage, D3DPOOL pool) {
  return CreateVertexBuffer(count, holder, usage, pool);
}

void SetPTStream(IDirect3DVertexBuffer9* buffer) { SetVertexStream<DX_V::PT>(buffer); }
void SetPCTStream(IDirect3DVertexBuffer9* buffer) { SetVertexStream<DX_V::PCT>(buffer); }
void SetPNTStream(IDirect3DVertexBuffer9* buffer) { SetVertexStream<DX_V::PNT>(buffer); }
void SetSCStream(IDirect3DVertexBuffer9* buffer) { SetVertexStream<DX_V::SC>(buffer); }
void SetScreenQuadStream(IDirect3DVertexBuffer9* buffer) { SetVertexStream<DX_V::SCT>(buffer); }
