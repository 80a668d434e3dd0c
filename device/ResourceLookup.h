#pragma once
// The few lookups of the document's resource manager that the drawing code needs:
// the texture set of a picture link and the mesh of a mesh link. Layers and objects
// look pictures up through these functions only, never through the manager itself;
// whoever owns the current document installs the provider (the resource manager, or a
// test's fake). Without a provider every lookup is empty, as a lookup that cannot be
// made always is.

#include <d3d9.h>
#include <d3dx9math.h>

class DS_FileLink3;
class DS_ImageFileLink;
class DS_TextureSet;

// A mesh as the document keeps it. The buffers stay owned by the provider; a caller
// that keeps them adds its own references.
struct DS_MeshBuffers {
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  IDirect3DIndexBuffer9* indexBuffer = nullptr;
  int vertexCount = 0;
  int faceCount = 0;
  float radius = 0;
  D3DXVECTOR3 centre{0, 0, 0};
};

class DS_ResourceLookup {
public:
  virtual ~DS_ResourceLookup() = default;
  // The set the document keeps for the link (owned by the provider), or null.
  virtual DS_TextureSet* GetTextureSet(const DS_ImageFileLink& link) = 0;
  // The frame set stored in the add-on module the link names (owned by the provider),
  // or null. A provider without add-on modules has none.
  virtual DS_TextureSet* GetAddOnTextureSet(const DS_ImageFileLink& link) { return nullptr; }
  // The document's mesh for the link with the given vertex stride; false when there is
  // none (`out` is then left empty).
  virtual bool GetMesh(const DS_FileLink3& link, int vertexStride, DS_MeshBuffers& out) = 0;
  // The provider may hand out a picture's texture before its pixels are read; before
  // anything copies from a texture it is asked to read them.
  virtual void ReadPixelsOf(IDirect3DTexture9* texture) {}
};

// The provider of the current document; null while no document is loaded.
extern DS_ResourceLookup* g_ResourceLookup;

DS_TextureSet* LookupTextureSet(const DS_ImageFileLink& link);
DS_TextureSet* LookupAddOnTextureSet(const DS_ImageFileLink& link);
bool LookupMesh(const DS_FileLink3& link, int vertexStride, DS_MeshBuffers& out);
// Has the current provider read the texture's pixels if it still owes them.
void ReadyTexturePixels(IDirect3DTexture9* texture);
