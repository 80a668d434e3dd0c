#pragma once
// Small Direct3D helpers shared by the drawing code: back-buffer queries, render-target
// and resampled textures, and the index buffer of a vertex grid. All act on
// g_CurrentDevice and report failure by leaving their holders empty.

#include <d3d9.h>

#include <vector>

#include "device/ComHolder.h"

// Elements of geometry in a device buffer or in memory, and the pointer they are locked
// at while being written. Geometry rewritten every frame lives in memory (drawn with the
// UP draws): locking a buffer the device may still be reading from the frame before
// makes the frame wait for the device.
template <class Buffer, class T>
struct DS_GeometryBuffer {
  DS_ComHolder<Buffer> buffer;
  std::vector<T> memory;
  T* locked = nullptr;

  // Whether there are elements to write and draw, in a buffer or in memory.
  bool HasData() const { return buffer || !memory.empty(); }
  // The elements in memory; null for elements in a device buffer.
  const T* Memory() const { return memory.empty() ? nullptr : memory.data(); }

  // Locks the whole buffer (elements in memory need no lock); false (and nothing
  // locked) when there are no elements or the lock fails.
  bool Lock(DWORD flags = 0) {
    if (locked) return true;
    if (!memory.empty()) {
      locked = memory.data();
      return true;
    }
    if (!buffer) return false;
    void* data = nullptr;
    if (FAILED(buffer->Lock(0, 0, &data, flags)) || !data) return false;
    locked = static_cast<T*>(data);
    return true;
  }
  void Unlock() {
    if (!locked) return;
    locked = nullptr;
    if (buffer) buffer->Unlock();
  }
};

// 16-bit indices and how many primitives they describe; beside vertices in memory
// (DS_VertexBuffer::memory) they are in memory too: the UP draws take both from memory.
struct DS_IndexBuffer : DS_GeometryBuffer<IDirect3DIndexBuffer9, WORD> {
  int primitiveCount = 0;
};

// Releases *pointer when it is set and nulls it; returns Release's result, else 0.
template <class T>
ULONG SafeRelease(T** pointer) {
  if (!pointer || !*pointer) return 0;
  ULONG result = (*pointer)->Release();
  *pointer = nullptr;
  return result;
}

// Back buffer 0 of swap chain 0 of the current device; all zero when there is none.
D3DSURFACE_DESC GetBackBufferDesc();

// Whether the current device has a depth-stencil surface set (a clear of the depth
// buffer fails without one).
bool HasDepthSurface();

// A w x h, one-level A8R8G8B8 render-target texture in the default pool.
HRESULT CreateRenderTargetTexture(DS_ComHolder<IDirect3DTexture9>& holder, int width, int height);

// Level 0 of `source` copied, triangle-filtered, into a new managed w x h texture with a
// full mip chain in `format`. `result` stays empty when there is no source or a call
// fails.
HRESULT ResampleTexture(int width, int height, const DS_ComHolder<IDirect3DTexture9>& source,
                        DS_ComHolder<IDirect3DTexture9>& result, D3DFORMAT format);

// Level 0 of `source` copied, triangle-filtered, into level 0 of `target`.
HRESULT CopyTextureLevel0(IDirect3DTexture9* source, IDirect3DTexture9* target);

// Triangle-list indices over a grid of `columns` x `rows` vertices laid out row by row.
// A grid of fewer than two columns or rows, or one whose vertices 16-bit indices cannot
// address, gets no buffer and a primitive count of 0.
HRESULT CreateGridIndexBuffer(DS_IndexBuffer& holder, int columns, int rows);

// The grid indices themselves (six per cell), as CreateGridIndexBuffer writes them.
void WriteGridIndices(WORD* out, int columns, int rows);
