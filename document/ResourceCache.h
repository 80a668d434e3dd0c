#pragma once
// The resource cache turns resource entries into Direct3D textures and mesh buffers,
// choosing between a resource of the program or of an external module, the bytes the
// document embeds, and a file on disk, and keeps what it made from modules and files.
// Each document resource manager owns one cache; the host selects it together with
// its manager, so that a cache only ever makes objects for its own slot's device.
// Everything the cache made stays until the cache is destroyed.
//
// Also here: every D3DX call and option used to make textures and meshes.

#include <d3dx9.h>

#include <map>
#include <utility>

#include "device/ComHolder.h"
#include "document/ResourceEntry.h"
#include "document/TextureSet.h"

// A mesh as the document's objects draw it: 16-bit indices, three per face, and the
// bounding sphere. Copying adds a reference to both buffers.
class DS_MeshEntry {
public:
  void Release();
  bool HasVertices() const { return vertexCount > 0; }

  DS_ComHolder<IDirect3DVertexBuffer9> vertexBuffer;
  DS_ComHolder<IDirect3DIndexBuffer9> indexBuffer;
  int vertexCount = 0;
  int faceCount = 0;
  float radius = 0.0f;
  D3DXVECTOR3 centre{0.0f, 0.0f, 0.0f};
};

// The vertex layout meshes are cloned to: position, normal, one texture set.
const DWORD kMeshVertexFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
const int kMeshVertexStride = 32;

// The program's own "DDS" resource through D3DX on g_CurrentDevice: no filtering,
// with a full mip chain when asked. S_OK when a texture was made, the D3DX error when
// D3DX failed, E_FAIL otherwise (for example a missing resource).
HRESULT LoadTextureFromProgramResource(IDirect3DTexture9** texture, int resourceId,
                                       bool fullMipChain);
// A module's "DDS" resource (null module: the program) with the texture options.
HRESULT LoadTextureFromModuleResource(HMODULE module, int resourceId,
                                      IDirect3DTexture9** texture, D3DXIMAGE_INFO* info);
// Picture bytes with the texture options. `info` receives the source picture's size.
HRESULT LoadTextureFromMemory(const void* bytes, UINT size, D3DXIMAGE_INFO* info,
                              IDirect3DTexture9** texture);
// A new texture from picture bytes, with the picture's size; cached nowhere. `made`,
// when given, receives the result of the load.
DS_TextureRef CreateTextureEntryFromBytes(const void* bytes, UINT size, HRESULT* made = nullptr);
// LoadTextureFromMemory in two halves, for pictures whose pixels are read only when
// they are first needed: the texture of the size and format that load gives the
// picture, made from the picture's header alone, and then the reading of its pixels
// into that texture. Only BMP, PNG and JPEG pictures are split, and only when their
// header claims no more pixels than such a file of that size can hold; for other bytes
// the first half fails and the caller loads the picture whole.
HRESULT CreatePictureTexture(const void* bytes, UINT size, D3DXIMAGE_INFO* info,
                             IDirect3DTexture9** texture);
HRESULT ReadPicturePixels(IDirect3DTexture9* texture, const void* bytes, UINT size);

// Meshes from .x data, cloned to kMeshVertexFormat with computed normals. A stride
// other than the clone's vertex size, 32-bit indices or unreadable data give an
// empty mesh.
DS_MeshEntry LoadMeshFromModuleResource(HMODULE module, int resourceId, int vertexStride);
DS_MeshEntry LoadMeshFromMemory(const void* bytes, UINT size, int vertexStride);
DS_MeshEntry LoadMeshFromFile(const ds_string& path, int vertexStride);

class DS_ResourceCache {
public:
  DS_ResourceCache() = default;
  // Releases every texture and mesh and frees the modules the cache loaded.
  ~DS_ResourceCache();
  DS_ResourceCache(const DS_ResourceCache&) = delete;
  DS_ResourceCache& operator=(const DS_ResourceCache&) = delete;

  // Resource id of the program texture: the lake layer's bump picture.
  static constexpr int kProgramTextureId = 2;

  // The program's "DDS" resource 2 with a full mip chain, with a reference added for
  // the caller; made on first use (a failed load is tried again next time).
  IDirect3DTexture9* GetProgramTexture();
  // The entry's texture with a reference for the caller: a file entry from its bytes
  // (a new texture each time) or from the file at its name; a module entry from the
  // module's resource, else from its bytes. An empty result when nothing could be made.
  DS_TextureRef GetTexture(const DS_ResourceEntry& entry);
  // The texture of the file at the entry's name, made once per path.
  DS_TextureRef GetFileTexture(const DS_ResourceEntry& entry);
  // The module of that name (loaded as data, kept until the cache goes); an empty name
  // is the program (null handle). False, and nothing stored, when the module cannot be
  // loaded: the next call tries again.
  bool GetModule(const ds_string& name, HMODULE& module);
  // The entry's mesh with references for the caller. A module entry's mesh comes from
  // its module's resource (kept per module and id), else from the entry's bytes; a file
  // entry's, or one that carries bytes and names no module, from its bytes, else from
  // the file at its name (not kept); an entry with neither names the program's resource.
  DS_MeshEntry GetMesh(const DS_ResourceEntry& entry, int vertexStride);

private:
  typedef std::pair<HMODULE, WORD> ModuleKey;
  typedef std::pair<ds_string, WORD> ModuleNameKey;

  // The module's "DDS" resource, else the entry's bytes; kept per module and id.
  DS_TextureRef GetModuleTexture(HMODULE module, const DS_ResourceEntry& entry);
  // The entry's bytes stand in for a module that cannot be loaded; kept per name and id.
  DS_TextureRef GetUnloadableModuleTexture(const DS_ResourceEntry& entry);

  std::map<int, DS_ComHolder<IDirect3DTexture9>> m_programTextures;
  std::map<ds_string, DS_TextureRef> m_fileTextures;
  std::map<ModuleKey, DS_TextureRef> m_moduleTextures;
  std::map<ModuleNameKey, DS_TextureRef> m_unloadableModuleTextures;
  std::map<ModuleKey, DS_MeshEntry> m_moduleMeshes;
  std::map<ds_string, HMODULE> m_modules;
};

// The cache of the document resource manager being drawn (see SetCurrentDocResManager).
extern DS_ResourceCache* g_ResourceCache;
