#include "render/Mesh.h"

#include "device/DeviceGlobals.h"
#include "device/ResourceLookup.h"
#include "document/TextureSet.h"
#include "render/DeviceStates.h"
#include "render/ScreenQuad.h"

namespace {

DX_V::PT Lerp(const DX_V::PT& a, const DX_V::PT& b, float t) {
  DX_V::PT r;
  r.x = a.x + (b.x - a.x) * t;
  r.y = a.y + (b.y - a.y) * t;
  r.z = a.z + (b.z - a.z) * t;
  r.u = a.u + (b.u - a.u) * t;
  r.v = a.v + (b.v - a.v) * t;
  return r;
}

}  // namespace

void WriteQuadListIndices(WORD* out, int quads) {
  for (int j = 0; j < quads; ++j) {
    const WORD base = WORD(4 * j);
    *out++ = base;
    *out++ = WORD(base + 1);
    *out++ = WORD(base + 2);
    *out++ = WORD(base + 2);
    *out++ = WORD(base + 1);
    *out++ = WORD(base + 3);
  }
}

template <class V>
HRESULT CreateQuadListMemory(DS_IndexedMesh<V>& mesh, int quads) {
  mesh.primitiveType = D3DPT_TRIANGLELIST;
  mesh.primitiveCount = 0;
  mesh.indices.Unlock();
  mesh.indices.buffer.Release();
  std::vector<WORD>().swap(mesh.indices.memory);
  mesh.indices.primitiveCount = 0;
  // 16-bit indices address at most 0x10000 vertices, four a quad.
  const int maxQuads = 0x10000 / 4;
  HRESULT hr = quads < 1 || quads > maxQuads ? E_INVALIDARG : CreateVertexMemory(4 * quads, mesh.vertices);
  if (FAILED(hr)) {
    CreateVertexMemory(0, mesh.vertices);
    return hr;
  }
  mesh.indices.memory.resize(size_t(6 * quads));
  WriteQuadListIndices(mesh.indices.memory.data(), quads);
  mesh.indices.primitiveCount = 2 * quads;
  mesh.primitiveCount = 2 * quads;
  return S_OK;
}

int PrimitiveVertexCount(D3DPRIMITIVETYPE type, int primitiveCount) {
  if (primitiveCount <= 0) return 0;
  switch (type) {
    case D3DPT_POINTLIST: return primitiveCount;
    case D3DPT_LINELIST: return 2 * primitiveCount;
    case D3DPT_LINESTRIP: return primitiveCount + 1;
    case D3DPT_TRIANGLELIST: return 3 * primitiveCount;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return primitiveCount + 2;
    default: return 0;
  }
}

template <class V>
void DrawMeshPrimitives(const DS_SimpleMesh<V>& mesh, int primitiveCount) {
  IDirect3DDevice9* device = g_CurrentDevice;
  if (!device || primitiveCount <= 0) return;
  if (const V* memory = mesh.vertices.Memory()) {
    const int needed = PrimitiveVertexCount(mesh.primitiveType, primitiveCount);
    if (needed < 1 || size_t(needed) > mesh.vertices.memory.size()) return;
    device->DrawPrimitiveUP(mesh.primitiveType, UINT(primitiveCount), memory, sizeof(V));
  } else if (mesh.vertices.buffer) {
    device->DrawPrimitive(mesh.primitiveType, 0, UINT(primitiveCount));
  }
}

template <class V>
void DrawIndexedMeshPrimitives(const DS_IndexedMesh<V>& mesh, int primitiveCount) {
  IDirect3DDevice9* device = g_CurrentDevice;
  if (!device || primitiveCount <= 0) return;
  if (const V* memory = mesh.vertices.Memory()) {
    // The UP draw takes its indices from memory too; the vertices it reads are the
    // mesh's own, whatever the indices say.
    const int needed = PrimitiveVertexCount(mesh.primitiveType, primitiveCount);
    if (needed < 1 || size_t(needed) > mesh.indices.memory.size()) return;
    device->DrawIndexedPrimitiveUP(mesh.primitiveType, 0, UINT(mesh.vertices.memory.size()), UINT(primitiveCount),
                                   mesh.indices.memory.data(), D3DFMT_INDEX16, memory, sizeof(V));
  } else if (mesh.vertices.buffer && mesh.indices.buffer) {
    device->DrawIndexedPrimitive(mesh.primitiveType, 0, 0, UINT(mesh.vertices.vertexCount), 0, UINT(primitiveCount));
  }
}

#define DS_INSTANTIATE_MESH_DRAWS(V)                                            \
  template HRESULT CreateQuadListMemory<V>(DS_IndexedMesh<V>&, int);            \
  template void DrawMeshPrimitives<V>(const DS_SimpleMesh<V>&, int);            \
  template void DrawIndexedMeshPrimitives<V>(const DS_IndexedMesh<V>&, int);
DS_INSTANTIATE_MESH_DRAWS(DX_V::PT)
DS_INSTANTIATE_MESH_DRAWS(DX_V::PCT)
DS_INSTANTIATE_MESH_DRAWS(DX_V::PNT)
DS_INSTANTIATE_MESH_DRAWS(DX_V::PC)
DS_INSTANTIATE_MESH_DRAWS(DX_V::SC)
DS_INSTANTIATE_MESH_DRAWS(DX_V::SCT)
DS_INSTANTIATE_MESH_DRAWS(DX_V::PT2)
#undef DS_INSTANTIATE_MESH_DRAWS

void FillGridVertices(DX_V::PT* out, int columns, int rows, const DS_ScreenQuad& quad) {
  const DX_V::PT& c0 = quad.v[DS_ScreenQuad::kLeftBottom];
  const DX_V::PT& c1 = quad.v[DS_ScreenQuad::kLeftTop];
  const DX_V::PT& c2 = quad.v[DS_ScreenQuad::kRightBottom];
  const DX_V::PT& c3 = quad.v[DS_ScreenQuad::kRightTop];
  for (int j = 0; j <= rows; ++j) {
    const float tj = float(j) / float(rows);
    const DX_V::PT low = Lerp(c0, c2, tj);
    const DX_V::PT high = Lerp(c1, c3, tj);
    for (int i = 0; i <= columns; ++i) {
      out[i + (columns + 1) * j] = Lerp(low, high, float(i) / float(columns));
    }
  }
}

void DS_GridMesh::FillFromQuad(const DS_ScreenQuad& quad) {
  if (columns < 1 || rows < 1) return;
  if (vertices.vertexCount / (columns + 1) < rows + 1) return;
  vertices.Write((columns + 1) * (rows + 1),
                 [&](DX_V::PT* out) { FillGridVertices(out, columns, rows, quad); });
}

HRESULT DS_GridMesh::Create(DS_GridMesh& mesh, int columns, int rows) {
  mesh.columns = columns;
  mesh.rows = rows;
  mesh.primitiveType = D3DPT_TRIANGLELIST;
  mesh.primitiveCount = 0;
  mesh.vertices.Unlock();
  mesh.vertices.buffer.Release();
  mesh.vertices.vertexCount = 0;
  // 16-bit indices address at most 0x10000 vertices.
  if (columns < 1 || rows < 1 || columns + 1 > 0x10000 / (rows + 1)) {
    mesh.indices.Unlock();
    mesh.indices.buffer.Release();
    mesh.indices.primitiveCount = 0;
    return E_INVALIDARG;
  }
  HRESULT hr = CreatePTVertexBuffer((columns + 1) * (rows + 1), mesh.vertices, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED);
  // The index buffer counts grid vertices, one more than cells each way.
  const HRESULT indexResult = CreateGridIndexBuffer(mesh.indices, columns + 1, rows + 1);
  return FAILED(hr) ? hr : indexResult;
}

void DrawColoredPrimitive(const DS_SimpleMesh<DX_V::PC>& mesh) {
  IDirect3DDevice9* device = g_CurrentDevice;
  if (!device) return;
  ApplyDrawStates(kNoStates, ds_states::kVertexColourDraw);
  SetVertexStream<DX_V::PC>(mesh.vertices.buffer.Get());
  if (mesh.vertices.buffer && mesh.primitiveCount > 0) {
    device->DrawPrimitive(mesh.primitiveType, 0, UINT(mesh.primitiveCount));
  }
}

void DS_MeshNode::LoadFromResources(const DS_ImageFileLink& picture, const DS_FileLink3& meshLink) {
  texture.Set(LookupCurrentFrame(picture));
  DS_MeshBuffers mesh;
  LookupMesh(meshLink, kVertexStride, mesh);
  vertices.Unlock();
  indices.Unlock();
  vertices.buffer.Set(mesh.vertexBuffer);
  indices.buffer.Set(mesh.indexBuffer);
  vertices.vertexCount = mesh.vertexCount;
  primitiveCount = mesh.faceCount;
  indices.primitiveCount = mesh.faceCount;
  bounds.radius = mesh.radius;
  bounds.centre = mesh.centre;
  primitiveType = D3DPT_TRIANGLELIST;
}
