#include "render/QuadBatch.h"

#include <algorithm>

#include "device/DeviceGlobals.h"

namespace {

const int kVerticesPerQuad = 4;

void ResetQuadVertices(DX_V::SCT* out, int quads) {
  static const float kTexCoords[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
  for (int q = 0; q < quads; ++q) {
    for (int i = 0; i < kVerticesPerQuad; ++i) {
      DX_V::SCT& vertex = out[q * kVerticesPerQuad + i];
      vertex.x = vertex.y = vertex.z = 0;
      vertex.rhw = 1.0f;
      vertex.color = 0;  // transparent black: quads nobody sets stay invisible
      vertex.u = kTexCoords[i][0];
      vertex.v = kTexCoords[i][1];
    }
  }
}

}  // namespace

DS_QuadBatch::DS_QuadBatch() : m_chunks(1) {}

void DS_QuadBatch::WriteQuadIndices(WORD* out, int quadsInChunk) { WriteQuadListIndices(out, quadsInChunk); }

int DS_QuadBatch::GetChunkQuads(int chunk) const {
  if (chunk < 0 || chunk >= GetChunkCount()) return 0;
  return m_chunks[size_t(chunk)].vertices.vertexCount / kVerticesPerQuad;
}

void DS_QuadBatch::BuildChunk(DS_TexturedMesh<DX_V::SCT>& chunk, int quads) {
  // A chunk without quads (or whose memory could not be made) is left empty: skipped.
  if (FAILED(CreateQuadListMemory(chunk, quads))) return;
  chunk.vertices.Write(quads * kVerticesPerQuad, [&](DX_V::SCT* out) { ResetQuadVertices(out, quads); });
}

std::vector<int> DS_QuadBatch::ChunkSizes(int count) {
  if (count < 0) count = 0;
  const int chunkCount = count / kQuadsPerChunk + 1;
  std::vector<int> sizes(size_t(chunkCount), 0);
  for (int c = 0; c < chunkCount; ++c) sizes[size_t(c)] = std::min(count - kQuadsPerChunk * c, kQuadsPerChunk);
  return sizes;
}

void DS_QuadBatch::Resize(int count) {
  Unlock();
  if (count < 0) count = 0;
  const std::vector<int> sizes = ChunkSizes(count);
  m_chunks.resize(sizes.size());
  for (size_t c = 0; c < sizes.size(); ++c) {
    BuildChunk(m_chunks[c], sizes[c]);
    m_chunks[c].texture = m_chunks[0].texture;
  }
  m_quadCount = count;
}

void DS_QuadBatch::SetTexture(const DS_ComHolder<IDirect3DTexture9>& texture) {
  for (DS_TexturedMesh<DX_V::SCT>& chunk : m_chunks) chunk.texture = texture;
}

void DS_QuadBatch::Lock() {
  for (DS_TexturedMesh<DX_V::SCT>& chunk : m_chunks) {
    if (chunk.vertices.vertexCount > 0) chunk.vertices.Lock();
  }
}

void DS_QuadBatch::Unlock() {
  for (DS_TexturedMesh<DX_V::SCT>& chunk : m_chunks) chunk.vertices.Unlock();
}

DX_V::SCT* DS_QuadBatch::QuadVertices(int index) {
  if (index < 0 || index >= m_quadCount) return nullptr;
  const size_t chunk = size_t(index / kQuadsPerChunk);
  const int quad = index % kQuadsPerChunk;
  if (chunk >= m_chunks.size()) return nullptr;
  DS_VertexBuffer<DX_V::SCT>& vertices = m_chunks[chunk].vertices;
  if (!vertices.locked || (quad + 1) * kVerticesPerQuad > vertices.vertexCount) return nullptr;
  return vertices.locked + quad * kVerticesPerQuad;
}

void DS_QuadBatch::SetQuad(int index, float px, float py, float pz, float xx, float xy, float xz, float yx,
                           float yy, float yz) {
  DX_V::SCT* v = QuadVertices(index);
  if (!v) return;
  const float sx[4] = {-1, -1, +1, +1};  // sign of X per corner
  const float sy[4] = {+1, -1, +1, -1};  // sign of Y per corner
  for (int i = 0; i < kVerticesPerQuad; ++i) {
    v[i].x = px + sx[i] * xx + sy[i] * yx;
    v[i].y = py + sx[i] * xy + sy[i] * yy;
    v[i].z = pz + sx[i] * xz + sy[i] * yz;
    v[i].rhw = 1.0f;
  }
}

void DS_QuadBatch::SetQuadColor(int index, D3DCOLOR color) {
  DX_V::SCT* v = QuadVertices(index);
  if (!v) return;
  for (int i = 0; i < kVerticesPerQuad; ++i) v[i].color = color;
}

void DS_QuadBatch::SetQuadTexCoords(int index, float uLeft, float uRight, float vTop, float vBottom) {
  DX_V::SCT* v = QuadVertices(index);
  if (!v) return;
  v[0].u = uLeft;
  v[0].v = vBottom;
  v[1].u = uLeft;
  v[1].v = vTop;
  v[2].u = uRight;
  v[2].v = vBottom;
  v[3].u = uRight;
  v[3].v = vTop;
}

void DS_QuadBatch::Draw() {
  IDirect3DDevice9* device = g_CurrentDevice;
  if (!device) return;
  for (const DS_TexturedMesh<DX_V::SCT>& chunk : m_chunks) {
    // A chunk without quads (or whose memory failed) has nothing to draw.
    if (chunk.vertices.vertexCount <= 0 || chunk.vertices.locked) continue;
    device->SetTexture(0, chunk.texture.Get());
    SetVertexStream<DX_V::SCT>(chunk.vertices.buffer.Get());
    DrawIndexedMeshPrimitives(chunk, chunk.indices.primitiveCount);
  }
}
