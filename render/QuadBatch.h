#pragma once
// Many independent pre-transformed, coloured and textured quads drawn with one
// texture: the glyph cells of the code-rain layer. The quads live in chunks that 16-bit
// indices can address; the owner locks all chunks once a frame, rewrites the quads it
// needs by index, unlocks and draws. The batch owns its chunks' quads, which it keeps
// in memory and draws from there: they are rewritten every frame.

#include <vector>

#include "render/Mesh.h"

class DS_QuadBatch {
public:
  // Quads per chunk: four vertices each, 65532 vertices, addressable by 16-bit indices.
  static const int kQuadsPerChunk = 0x3FFF;

  DS_QuadBatch();

  // Makes room for `count` quads, all degenerate and transparent. A count of 0 or below
  // leaves the batch without buffers, drawing nothing; a chunk that would hold no quads
  // gets no buffers and is skipped by every operation.
  void Resize(int count);
  void SetTexture(const DS_ComHolder<IDirect3DTexture9>& texture);
  void Lock();
  void Unlock();

  // Quad writers; they need the lock and ignore an index outside 0 .. count - 1.
  // Corners P - X + Y, P - X - Y, P + X + Y, P + X - Y, rhw 1.0.
  void SetQuad(int index, float px, float py, float pz, float xx, float xy, float xz, float yx, float yy,
               float yz);
  void SetQuadColor(int index, D3DCOLOR color);
  void SetQuadTexCoords(int index, float uLeft, float uRight, float vTop, float vBottom);

  void Draw();

  int GetQuadCount() const { return m_quadCount; }
  int GetChunkCount() const { return int(m_chunks.size()); }
  // Quads held by chunk c (0 for a skipped chunk).
  int GetChunkQuads(int chunk) const;
  const DS_TexturedMesh<DX_V::SCT>& GetChunk(int chunk) const { return m_chunks[size_t(chunk)]; }

  // The four vertices of a quad while locked, else null.
  DX_V::SCT* QuadVertices(int index);

  // Quads of each chunk for a batch of `count` quads; the last may be 0 (skipped).
  static std::vector<int> ChunkSizes(int count);
  // The six indices of quad j of a chunk, as the index buffers hold them.
  static void WriteQuadIndices(WORD* out, int quadsInChunk);

private:
  void BuildChunk(DS_TexturedMesh<DX_V::SCT>& chunk, int quads);

  int m_quadCount = 0;
  std::vector<DS_TexturedMesh<DX_V::SCT>> m_chunks;
};
