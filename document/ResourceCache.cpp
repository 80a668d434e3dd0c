#include "document/ResourceCache.h"

#include <cstring>

#include "device/DeviceGlobals.h"
#include "document/MissingResourceLog.h"
#include "document/ModuleResources.h"

DS_ResourceCache* g_ResourceCache = nullptr;

namespace {

// Size a module entry without any picture is given when its module cannot be loaded:
// D3DX overwrites it when it reads the entry's bytes.
const UINT kUnloadableModuleWidth = 800;
const UINT kUnloadableModuleHeight = 600;

// Options of every picture load except the program texture: the texture is extended to
// powers of two, one level, managed pool, triangle filter, no colour key.
HRESULT CreateTextureFromBytes(const void* bytes, UINT size, D3DXIMAGE_INFO* info,
                               IDirect3DTexture9** texture) {
  *texture = nullptr;
  if (!g_CurrentDevice || !bytes || size == 0) return E_FAIL;
  return D3DXCreateTextureFromFileInMemoryEx(g_CurrentDevice, bytes, size, D3DX_DEFAULT,
                                             D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN,
                                             D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE,
                                             D3DX_FILTER_NONE, 0, info, nullptr, texture);
}

// How many bytes of pixels a picture file may claim for each of its own bytes before
// its header is not believed. Deflate (PNG) cannot expand more than about 1032 times;
// JPEG and run-length BMP files of real pictures stay below it too. A header claiming
// more (a corrupt or hostile file) would make a texture of that size before anything
// has shown that the file holds such pixels.
const unsigned long long kMaxPixelBytesPerFileByte = 1032;

// What D3DX_DEFAULT makes of a picture side: the next power of two.
UINT PowerOfTwoAtLeast(UINT side) {
  UINT result = 1;
  while (result < side && result < 0x80000000u) result <<= 1;
  return result;
}

// The cloned mesh's buffers copied into managed buffers of the caller's stride.
bool CopyMeshBuffers(ID3DXMesh* clone, int vertexStride, DS_MeshEntry& entry) {
  const DWORD vertices = clone->GetNumVertices();
  const DWORD faces = clone->GetNumFaces();
  // The buffers below hold 16-bit indices and exactly the clone's vertex size.
  if ((clone->GetOptions() & D3DXMESH_32BIT) != 0) return false;
  if (clone->GetNumBytesPerVertex() != static_cast<DWORD>(vertexStride)) return false;
  if (vertices == 0 || faces == 0) return false;

  const UINT indexBytes = faces * 3 * sizeof(WORD);
  const UINT vertexBytes = vertices * static_cast<UINT>(vertexStride);
  DS_ComHolder<IDirect3DIndexBuffer9> indexBuffer;
  DS_ComHolder<IDirect3DVertexBuffer9> vertexBuffer;
  if (FAILED(g_CurrentDevice->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                                D3DPOOL_MANAGED, indexBuffer.Receive(), nullptr)))
    return false;
  if (FAILED(g_CurrentDevice->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, 0,
                                                 D3DPOOL_MANAGED, vertexBuffer.Receive(), nullptr)))
    return false;

  void* source = nullptr;
  void* target = nullptr;
  if (FAILED(clone->LockIndexBuffer(D3DLOCK_READONLY, &source))) return false;
  bool copied = SUCCEEDED(indexBuffer->Lock(0, indexBytes, &target, 0));
  if (copied) {
    std::memcpy(target, source, indexBytes);
    indexBuffer->Unlock();
  }
  clone->UnlockIndexBuffer();
  if (!copied) return false;

  if (FAILED(clone->LockVertexBuffer(D3DLOCK_READONLY, &source))) return false;
  copied = SUCCEEDED(vertexBuffer->Lock(0, vertexBytes, &target, 0));
  if (copied) {
    std::memcpy(target, source, vertexBytes);
    vertexBuffer->Unlock();
    D3DXComputeBoundingSphere(static_cast<const D3DXVECTOR3*>(source), vertices,
                              kMeshVertexStride, &entry.centre, &entry.radius);
  }
  clone->UnlockVertexBuffer();
  if (!copied) return false;

  entry.indexBuffer = indexBuffer;
  entry.vertexBuffer = vertexBuffer;
  entry.vertexCount = static_cast<int>(vertices);
  entry.faceCount = static_cast<int>(faces);
  return true;
}

// Clone, normals, optimisation and buffers of a mesh D3DX has loaded.
DS_MeshEntry BuildMeshEntry(ID3DXMesh* loaded, ID3DXBuffer* adjacency, int vertexStride) {
  DS_MeshEntry entry;
  DS_ComHolder<ID3DXMesh> clone;
  if (FAILED(loaded->CloneMeshFVF(D3DXMESH_SYSTEMMEM, kMeshVertexFormat, g_CurrentDevice,
                                  clone.Receive())))
    return entry;
  D3DXComputeNormals(clone.Get(), nullptr);
  const DWORD* faceAdjacency =
      adjacency ? static_cast<const DWORD*>(adjacency->GetBufferPointer()) : nullptr;
  // Some D3DX versions cannot optimise for the vertex cache; the mesh then stays in its
  // loaded order, which draws the same.
  if (FAILED(clone->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT |
                                        D3DXMESHOPT_VERTEXCACHE,
                                    faceAdjacency, nullptr, nullptr, nullptr))) {
    clone->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT, faceAdjacency, nullptr,
                           nullptr, nullptr);
  }
  if (!CopyMeshBuffers(clone.Get(), vertexStride, entry)) entry.Release();
  return entry;
}

DS_MeshEntry BuildMeshEntryFrom(HRESULT loadResult, ID3DXMesh* loaded, ID3DXBuffer* adjacency,
                                int vertexStride) {
  if (FAILED(loadResult) || !loaded) return DS_MeshEntry();
  return BuildMeshEntry(loaded, adjacency, vertexStride);
}

// A picture that stayed without a texture is written once to the debugger output.
void ReportUndecodedPicture(const DS_ResourceEntry& entry, HRESULT result) {
  ReportMissingResource(DS_MissingKind::Picture, EntryLinkName(entry),
                        FAILED(result) ? result : E_FAIL);
}

}  // namespace

void DS_MeshEntry::Release() {
  vertexBuffer.Release();
  indexBuffer.Release();
  vertexCount = 0;
  faceCount = 0;
  radius = 0.0f;
  centre = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

HRESULT LoadTextureFromProgramResource(IDirect3DTexture9** texture, int resourceId,
                                       bool fullMipChain) {
  *texture = nullptr;
  const void* bytes = nullptr;
  DWORD size = 0;
  if (!g_CurrentDevice || !FindModuleResource(nullptr, resourceId, kModuleDataType, bytes, size))
    return E_FAIL;
  const UINT levels = fullMipChain ? D3DX_DEFAULT : 1;
  const DWORD mipFilter = fullMipChain ? D3DX_DEFAULT : D3DX_FILTER_NONE;
  HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
      g_CurrentDevice, bytes, size, D3DX_DEFAULT, D3DX_DEFAULT, levels, 0, D3DFMT_UNKNOWN,
      D3DPOOL_MANAGED, D3DX_FILTER_NONE, mipFilter, 0, nullptr, nullptr, texture);
  if (FAILED(hr)) return hr;
  return *texture ? S_OK : E_FAIL;
}

HRESULT LoadTextureFromModuleResource(HMODULE module, int resourceId,
                                      IDirect3DTexture9** texture, D3DXIMAGE_INFO* info) {
  *texture = nullptr;
  const void* bytes = nullptr;
  DWORD size = 0;
  if (!FindModuleResource(module, resourceId, kModuleDataType, bytes, size)) return E_FAIL;
  return CreateTextureFromBytes(bytes, size, info, texture);
}

HRESULT LoadTextureFromMemory(const void* bytes, UINT size, D3DXIMAGE_INFO* info,
                              IDirect3DTexture9** texture) {
  return CreateTextureFromBytes(bytes, size, info, texture);
}

DS_TextureRef CreateTextureEntryFromBytes(const void* bytes, UINT size, HRESULT* made) {
  DS_TextureRef result;
  D3DXIMAGE_INFO info = {};
  DS_ComHolder<IDirect3DTexture9> texture;
  const HRESULT hr = CreateTextureFromBytes(bytes, size, &info, texture.Receive());
  if (made) *made = hr;
  if (SUCCEEDED(hr) && texture) result.Assign(info.Width, info.Height, texture.Get());
  return result;
}

HRESULT CreatePictureTexture(const void* bytes, UINT size, D3DXIMAGE_INFO* info,
                             IDirect3DTexture9** texture) {
  *texture = nullptr;
  if (!g_CurrentDevice || !bytes || size == 0) return E_FAIL;
  D3DXIMAGE_INFO header = {};
  HRESULT hr = D3DXGetImageInfoFromFileInMemory(bytes, size, &header);
  if (FAILED(hr)) return hr;
  if (header.ResourceType != D3DRTYPE_TEXTURE) return E_FAIL;
  if (4ull * header.Width * header.Height > kMaxPixelBytesPerFileByte * size) return E_FAIL;
  switch (header.ImageFileFormat) {
    case D3DXIFF_BMP:
    case D3DXIFF_PNG:
    case D3DXIFF_JPG:
      break;
    default:
      // A DDS file carries levels and layouts of its own: loaded whole.
      return E_FAIL;
  }
  // The sizes and format CreateTextureFromBytes asks for; D3DX fits both to the device
  // the same way in either call.
  hr = D3DXCreateTexture(g_CurrentDevice, PowerOfTwoAtLeast(header.Width), PowerOfTwoAtLeast(header.Height), 1, 0,
                         header.Format, D3DPOOL_MANAGED, texture);
  if (SUCCEEDED(hr) && info) *info = header;
  return hr;
}

HRESULT ReadPicturePixels(IDirect3DTexture9* texture, const void* bytes, UINT size) {
  if (!texture || !bytes || size == 0) return E_FAIL;
  DS_ComHolder<IDirect3DSurface9> surface;
  HRESULT hr = texture->GetSurfaceLevel(0, surface.Receive());
  if (FAILED(hr)) return hr;
  // The whole picture stretched over the whole level, with CreateTextureFromBytes's filter.
  return D3DXLoadSurfaceFromFileInMemory(surface.Get(), nullptr, nullptr, bytes, size, nullptr,
                                         D3DX_FILTER_TRIANGLE, 0, nullptr);
}

DS_MeshEntry LoadMeshFromModuleResource(HMODULE module, int resourceId, int vertexStride) {
  const void* bytes = nullptr;
  DWORD size = 0;
  if (!FindModuleResource(module, resourceId, kModuleDataType, bytes, size)) return DS_MeshEntry();
  return LoadMeshFromMemory(bytes, size, vertexStride);
}

DS_MeshEntry LoadMeshFromMemory(const void* bytes, UINT size, int vertexStride) {
  if (!g_CurrentDevice || !bytes || size == 0 || vertexStride <= 0) return DS_MeshEntry();
  DS_ComHolder<ID3DXBuffer> adjacency, materials, effects;
  DS_ComHolder<ID3DXMesh> loaded;
  DWORD materialCount = 0;
  HRESULT hr = D3DXLoadMeshFromXInMemory(bytes, size, D3DXMESH_SYSTEMMEM, g_CurrentDevice,
                                         adjacency.Receive(), materials.Receive(),
                                         effects.Receive(), &materialCount, loaded.Receive());
  return BuildMeshEntryFrom(hr, loaded.Get(), adjacency.Get(), vertexStride);
}

DS_MeshEntry LoadMeshFromFile(const ds_string& path, int vertexStride) {
  if (!g_CurrentDevice || path.empty() || vertexStride <= 0) return DS_MeshEntry();
  DS_ComHolder<ID3DXBuffer> adjacency, materials, effects;
  DS_ComHolder<ID3DXMesh> loaded;
  DWORD materialCount = 0;
  HRESULT hr = D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_SYSTEMMEM, g_CurrentDevice,
                                  adjacency.Receive(), materials.Receive(), effects.Receive(),
                                  &materialCount, loaded.Receive());
  return BuildMeshEntryFrom(hr, loaded.Get(), adjacency.Get(), vertexStride);
}

DS_ResourceCache::~DS_ResourceCache() {
  // Textures and meshes first: nothing made from a module refers to its memory, but
  // the order keeps that obvious.
  m_programTextures.clear();
  m_fileTextures.clear();
  m_moduleTextures.clear();
  m_unloadableModuleTextures.clear();
  m_moduleMeshes.clear();
  for (auto& module : m_modules) {
    if (module.second) FreeLibrary(module.second);
  }
}

IDirect3DTexture9* DS_ResourceCache::GetProgramTexture() {
  DS_ComHolder<IDirect3DTexture9>& slot = m_programTextures[kProgramTextureId];
  if (!slot) {
    // A failed load is tried again next time.
    if (FAILED(LoadTextureFromProgramResource(slot.Receive(), kProgramTextureId, true)))
      slot.Release();
  }
  IDirect3DTexture9* texture = slot.Get();
  if (texture) texture->AddRef();
  return texture;
}

DS_TextureRef DS_ResourceCache::GetTexture(const DS_ResourceEntry& entry) {
  if (!entry.Name().empty()) {
    if (entry.Size() == 0) return GetFileTexture(entry);
    HRESULT hr = S_OK;
    DS_TextureRef texture = CreateTextureEntryFromBytes(entry.Data(), entry.Size(), &hr);
    if (!texture.GetTexture()) ReportUndecodedPicture(entry, hr);
    return texture;
  }
  HMODULE module = nullptr;
  if (GetModule(entry.ModuleName(), module)) return GetModuleTexture(module, entry);
  return GetUnloadableModuleTexture(entry);
}

DS_TextureRef DS_ResourceCache::GetModuleTexture(HMODULE module, const DS_ResourceEntry& entry) {
  const WORD id = ResourceNumber(entry.ResourceId());
  DS_TextureRef& slot = m_moduleTextures[ModuleKey(module, id)];
  if (slot.GetTexture()) return slot;
  D3DXIMAGE_INFO info = {};
  DS_ComHolder<IDirect3DTexture9> texture;
  const void* bytes = nullptr;
  DWORD size = 0;
  HRESULT hr = LoadModuleResourceBytes(module, id, kModuleDataType, bytes, size);
  if (FAILED(hr)) {
    ReportMissingResource(DS_MissingKind::ModuleResource,
                          ModuleLinkName(entry.ModuleName(), id), hr);
  } else {
    hr = CreateTextureFromBytes(bytes, size, &info, texture.Receive());
  }
  if (FAILED(hr)) {
    info = D3DXIMAGE_INFO();
    hr = LoadTextureFromMemory(entry.Data(), entry.Size(), &info, texture.Receive());
  }
  if (!texture) ReportUndecodedPicture(entry, hr);
  slot.Assign(info.Width, info.Height, texture.Get());
  return slot;
}

DS_TextureRef DS_ResourceCache::GetUnloadableModuleTexture(const DS_ResourceEntry& entry) {
  const WORD id = ResourceNumber(entry.ResourceId());
  DS_TextureRef& slot = m_unloadableModuleTextures[ModuleNameKey(entry.ModuleName(), id)];
  if (slot.GetTexture()) return slot;
  D3DXIMAGE_INFO info = {};
  info.Width = kUnloadableModuleWidth;
  info.Height = kUnloadableModuleHeight;
  DS_ComHolder<IDirect3DTexture9> texture;
  HRESULT hr = LoadTextureFromMemory(entry.Data(), entry.Size(), &info, texture.Receive());
  if (!texture) ReportUndecodedPicture(entry, hr);
  slot.Assign(info.Width, info.Height, texture.Get());
  return slot;
}

DS_TextureRef DS_ResourceCache::GetFileTexture(const DS_ResourceEntry& entry) {
  DS_TextureRef& slot = m_fileTextures[entry.Name()];
  if (slot.GetTexture() || !g_CurrentDevice || entry.Name().empty()) return slot;
  D3DXIMAGE_INFO info = {};
  DS_ComHolder<IDirect3DTexture9> texture;
  HRESULT hr = D3DXCreateTextureFromFileExW(g_CurrentDevice, entry.Name().c_str(), D3DX_DEFAULT,
                                            D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                            D3DX_FILTER_TRIANGLE, D3DX_FILTER_NONE, 0, &info,
                                            nullptr, texture.Receive());
  if (SUCCEEDED(hr) && texture) slot.Assign(info.Width, info.Height, texture.Get());
  else ReportUndecodedPicture(entry, hr);
  return slot;
}

bool DS_ResourceCache::GetModule(const ds_string& name, HMODULE& module) {
  module = nullptr;
  auto found = m_modules.find(name);
  if (found != m_modules.end()) {
    module = found->second;
    return true;
  }
  if (!name.empty()) {
    SetLastError(0);
    module = LoadResourceModule(name);
    if (!module) {
      const DWORD error = GetLastError();
      ReportMissingResource(DS_MissingKind::ModuleResource, name,
                            error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL);
      return false;
    }
  }
  m_modules[name] = module;
  return true;
}

DS_MeshEntry DS_ResourceCache::GetMesh(const DS_ResourceEntry& entry, int vertexStride) {
  // An entry that carries its bytes and names no module is the document's own mesh:
  // the program's resource of the same id is not it.
  const bool embedded = entry.ModuleName().empty() && entry.Size() != 0;
  HMODULE module = nullptr;
  if (entry.Name().empty() && !embedded && GetModule(entry.ModuleName(), module)) {
    const ModuleKey key(module, ResourceNumber(entry.ResourceId()));
    auto found = m_moduleMeshes.find(key);
    if (found != m_moduleMeshes.end()) return found->second;
    DS_MeshEntry mesh = LoadMeshFromModuleResource(module, key.second, vertexStride);
    if (mesh.HasVertices()) {
      m_moduleMeshes[key] = mesh;
      return mesh;
    }
  }
  // The document's copy, or the file the entry names.
  if (entry.Size() != 0) return LoadMeshFromMemory(entry.Data(), entry.Size(), vertexStride);
  if (!entry.Name().empty()) return LoadMeshFromFile(entry.Name(), vertexStride);
  return DS_MeshEntry();
}
