#pragma once
// The vertex layouts the scene draws with, each with its FVF code, and the holder of
// a vertex buffer with its lock and vertex count. The layouts are fixed: the effects
// and the water and lake meshes address their fields by byte offset.

#include <d3d9.h>

#include <vector>

#include "device/ComHolder.h"
#include "device/DeviceUtil.h"

namespace DX_V {

// Position and one texture coordinate set.
struct PT {
  static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_TEX1;  // 0x102
  float x, y, z;
  float u, v;
};

// Position, colour and one texture coordinate set.
struct PCT {
  static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // 0x142
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};

// Position, normal and one texture coordinate set.
struct PNT {
  static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;  // 0x112
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};

// Position, normal, colour and one texture coordinate set.
struct PNCT {
  static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // 0x152
  float x, y, z;
  float nx, ny, nz;
  D3DCOLOR color;
  float u, v;
};

// Position and colour.
struct PC {
  static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE;  // 0x42
  float x, y, z;
  D3DCOLOR color;
};

// Pre-transformed position (target pixels) and colour.
struct SC {
  static constexpr DWORD FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;  // 0x44
  float x, y, z, rhw;
  D3DCOLOR color;
};

// Pre-transformed position, colour and one texture coordinate set.
struct SCT {
  static constexpr DWORD FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // 0x144
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};

// Position and two texture coordinate sets.
struct PT2 {
  static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_TEX2;  // 0x202
  float x, y, z;
  float u1, v1;
  float u2, v2;
};

}  // namespace DX_V

// The vertices of one layout and how many there are, in a device buffer or in memory.
template <class V>
struct DS_VertexBuffer : DS_GeometryBuffer<IDirect3DVertexBuffer9, V> {
  int vertexCount = 0;

  // Runs write(V*) on the vertices, locking them for the call unless they are locked
  // already. Nothing happens when the buffer holds fewer than `needed` vertices or
  // cannot be locked.
  template <class F>
  void Write(int needed, F write) {
    if (vertexCount < needed) return;
    const bool wasLocked = this->locked != nullptr;
    if (!this->Lock()) return;
    write(this->locked);
    if (!wasLocked) this->Unlock();
  }
};

// Releases the holder's buffer (and memory) and creates one of `count` vertices of
// layout V with V's FVF code. The callers pass write-only usage and the managed pool:
// geometry written once. A count below 1 creates nothing (Direct3D refuses empty
// buffers).
template <class V>
HRESULT CreateVertexBuffer(int count, DS_VertexBuffer<V>& holder, DWORD usage, D3DPOOL pool);
// Releases the holder's buffer and gives it `count` zeroed vertices in memory, for
// geometry rewritten every frame. Nothing is made for a count below 1 or without a
// device (nothing could draw them).
template <class V>
HRESULT CreateVertexMemory(int count, DS_VertexBuffer<V>& holder);

HRESULT CreatePTVertexBuffer(int count, DS_VertexBuffer<DX_V::PT>& holder, DWORD usage, D3DPOOL pool);
HRESULT CreatePCTVertexBuffer(int count, DS_VertexBuffer<DX_V::PCT>& holder, DWORD usage, D3DPOOL pool);
HRESULT CreateSCVertexBuffer(int count, DS_VertexBuffer<DX_V::SC>& holder, DWORD usage, D3DPOOL pool);
HRESULT CreatePCVertexBuffer(int count, DS_VertexBuffer<DX_V::PC>& holder, DWORD usage, D3DPOOL pool);
HRESULT CreateSCTVertexBuffer(int count, DS_VertexBuffer<DX_V::SCT>& holder, DWORD usage, D3DPOOL pool);

// Stream set-up of the drawing code: no vertex shader, the layout's FVF code, and
// stream 0 on the buffer with the layout's size as stride.
template <class V>
void SetVertexStream(IDirect3DVertexBuffer9* buffer);

void SetPTStream(IDirect3DVertexBuffer9* buffer);
void SetPCTStream(IDirect3DVertexBuffer9* buffer);
void SetPNTStream(IDirect3DVertexBuffer9* buffer);
void SetSCStream(IDirect3DVertexBuffer9* buffer);
void SetScreenQuadStream(IDirect3DVertexBuffer9* buffer);  // DX_V::SCT
