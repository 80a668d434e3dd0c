#pragma once
// The tables of the document resource manager: the bytes of every picture, effect,
// mesh and sound the document embeds, keyed by file-link key or by the GUID of the
// scene object they belong to, and the device objects made from them. The manager
// owns its tables for the life of the document.

#include <windows.h>
#include <d3dx9.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "device/ComHolder.h"
#include "device/RenderTargetPair.h"
#include "document/FileLink.h"
#include "document/ResourceCache.h"
#include "document/ResourceEntry.h"
#include "document/TextureSet.h"

// A picture that belongs to one scene object, keyed by the object's GUID.
class DS_GuidResource {
public:
  // A fresh GUID (reading overwrites it) and flag 1.
  DS_GuidResource();

  GUID guid;
  ds_string name;
  unsigned char flag = 1;
  DS_NamedBuffer buffer;
};

// GUIDs ordered by their 16 bytes in memory order, as unsigned bytes.
struct DS_GuidLess {
  bool operator()(const GUID& a, const GUID& b) const {
    return std::memcmp(&a, &b, sizeof(GUID)) < 0;
  }
};

typedef std::vector<DS_ResourceEntry> DS_EntryList;

class DS_DocResTables {
public:
  DS_DocResTables() = default;
  DS_DocResTables(const DS_DocResTables&) = delete;
  DS_DocResTables& operator=(const DS_DocResTables&) = delete;

  // Embedded bytes, as stored in the document.
  std::map<DS_FileKey, DS_EntryList> otherFiles;
  std::map<DS_FileKey, DS_EntryList> usedImages;
  std::map<DS_FileKey, std::vector<float>> frameTimes;
  std::map<GUID, DS_GuidResource, DS_GuidLess> guidResources;

  // What the manager made; the sets are handed out by address and never move.
  std::map<DS_FileKey, DS_TextureSet> textureSets;
  std::map<DS_FileKey, DS_MeshEntry> meshes;
  std::map<GUID, std::unique_ptr<DS_RenderTargetPair>, DS_GuidLess> guidRenderTargets;
  std::map<DS_FileKey, DS_ComHolder<ID3DXEffect>> effects;
  // Every entry the manager knows, per link key (several for a sequence).
  std::map<DS_FileKey, DS_EntryList> fileLibrary;
  std::map<GUID, DS_ComHolder<IDirect3DTexture9>, DS_GuidLess> guidTextures;
};
