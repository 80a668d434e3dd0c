#pragma once
// The geometry chain that layers and objects draw: a frame with a vertex buffer
// (DS_SimpleMesh), with 16-bit indices (DS_IndexedMesh), with a texture
// (DS_TexturedMesh), with instances (DS_MeshNode), and the vertex grid of the effect
// brushes (DS_GridMesh). Plain structures over Direct3D buffers: the drawing interface
// of the layer reads their fields. Each level releases what it adds when destroyed;
// like frames they move but do not copy.

#include <vector>

#include "device/DeviceUtil.h"
#include "render/Frame.h"
#include "render/VertexFormats.h"

class DS_FileLink3;
class DS_ImageFileLink;
struct DS_ScreenQuad;

template <class V>
class DS_SimpleMesh : public DS_Frame {
public:
  using Vertex = V;

  DS_VertexBuffer<V> vertices;
  D3DPRIMITIVETYPE primitiveType = D3DPT_TRIANGLESTRIP;
  int primitiveCount = 0;
};

template <class V>
class DS_IndexedMesh : public DS_SimpleMesh<V> {
public:
  // indices.primitiveCount is the indexed primitive count.
  DS_IndexBuffer indices;
};

template <class V>
class DS_TexturedMesh : public DS_IndexedMesh<V> {
public:
  DS_ComHolder<IDirect3DTexture9> texture;
  // For mesh nodes: draw alpha blended, with a second pass of the opposite culling.
  BYTE twoSided = 0;
};

// A mesh of the 3D objects, drawn once at each instance frame's world matrix.
class DS_MeshNode : public DS_TexturedMesh<DX_V::PNT> {
public:
  // Stride of the mesh vertices the node draws (DX_V::PNT).
  static const int kVertexStride = 32;

  // Texture := the current frame of the picture's texture set; geometry := the
  // document's mesh for `meshLink`, drawn as a triangle list.
  void LoadFromResources(const DS_ImageFileLink& picture, const DS_FileLink3& meshLink);

  std::vector<DS_Frame*> instances;
};

// The vertex grid of an effect brush: (columns + 1) x (rows + 1) vertices, row by row.
class DS_GridMesh : public DS_IndexedMesh<DX_V::PT> {
public:
  // Interpolates every vertex (position and texture coordinates alike) bilinearly
  // between the quad's corners. Writes nothing when the buffer is missing, cannot be
  // locked or holds fewer vertices than the grid needs.
  void FillFromQuad(const DS_ScreenQuad& quad);
  // Makes `mesh` a grid of columns x rows cells: a managed vertex buffer for its
  // vertices and triangle-list indices, two triangles per cell. A failed call leaves
  // no buffer and a count of 0 where it failed.
  static HRESULT Create(DS_GridMesh& mesh, int columns, int rows);

  int columns = 0;
  int rows = 0;
};

// Makes `mesh` a triangle list of `quads` quads with its vertices and indices in memory
// (four vertices a quad; indices 4j, 4j+1, 4j+2, 4j+2, 4j+1, 4j+3 for quad j), for quads
// rewritten every frame. The previous buffers or memory are released first. On failure,
// or for a count below 1 or above what 16-bit indices reach, the mesh is left empty
// with counts of 0.
template <class V>
HRESULT CreateQuadListMemory(DS_IndexedMesh<V>& mesh, int quads);
// The six indices of each of `quads` quads, as CreateQuadListMemory writes them.
void WriteQuadListIndices(WORD* out, int quads);

// How many vertices (or indices) `primitiveCount` primitives of the type take.
int PrimitiveVertexCount(D3DPRIMITIVETYPE type, int primitiveCount);

// The draws of the geometry chain: `primitiveCount` primitives of the mesh from its
// device buffers, or from memory with the UP draws (which leave stream 0 and the
// indices unset). The caller sets the FVF and, for buffers, the stream and indices. A
// count beyond what the vertices (indices) hold draws nothing: memory read past its end
// would be any data.
template <class V>
void DrawMeshPrimitives(const DS_SimpleMesh<V>& mesh, int primitiveCount);
template <class V>
void DrawIndexedMeshPrimitives(const DS_IndexedMesh<V>& mesh, int primitiveCount);

// Computes grid vertex i + (columns + 1) j for every i <= columns, j <= rows.
void FillGridVertices(DX_V::PT* out, int columns, int rows, const DS_ScreenQuad& quad);

// Draws a DX_V::PC mesh with its vertex colours, alpha blended. Alpha blending stays on;
// stage 0 reads the texture again afterwards.
void DrawColoredPrimitive(const DS_SimpleMesh<DX_V::PC>& mesh);
