#include "render/Mesh.h"

#include "render/DeviceGlobals.h"
#include "render/DeviceStates.h"
#include "render/ResourceLookup.h"
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
  ApplyStates(ds_states::kVertexColourDraw.before);
  SetVertexStream<DX_V::PC>(mesh.vertices.buffer.Get());
  if (mesh.vertices.buffer && mesh.primitiveCount > 0) {
    device->DrawPrimitive(mesh.primitiveType, 0, UINT(mesh.primitiveCount));
  }
  ApplyStates(ds_states::kVertexColourDraw.after);
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
