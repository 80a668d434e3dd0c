#include "document/DocResManager.h"

#include <algorithm>
#include <utility>

#include "device/DeviceGlobals.h"
#include "document/EffectFactory.h"
#include "document/FieldIO.h"
#include "document/MissingResourceLog.h"
#include "document/ModuleResources.h"
#include "document/ResourceBuffer.h"

DS_DocResManager* g_CurrentDocResManager = nullptr;

namespace {

const wchar_t kClassName[] = L"DS_DocResManager";
// Least stored sizes of one table item, for the stream's count check: a key (string and
// stamp) with a count, and a GUID item (GUID text, name, flag, byte block).
const size_t kLeastKeyedItemBytes = kLeastStringBytes + 8 + 4;
const size_t kLeastGuidItemBytes = kLeastStringBytes + kLeastStringBytes + 1 + kLeastNamedBufferBytes;

template <class IO>
void KeyFields(IO& io, DS_FileKey& key) {
  io.String(key.path);
  io.Int64(key.stamp);
}

// The tables as the record holds them: counted lists of items, the file tables keyed
// by path and stamp. Version 1 records hold the first two only, version 2 records the
// first three; any other version holds the GUID table as well.
struct DS_StoredTables {
  std::vector<std::pair<DS_FileKey, DS_EntryList>> usedImages;
  std::vector<std::pair<DS_FileKey, std::vector<float>>> frameTimes;
  std::vector<std::pair<DS_FileKey, DS_EntryList>> otherFiles;
  std::vector<DS_GuidResource> guidResources;

  template <class IO>
  void Fields(IO& io, int version) {
    auto entries = [](IO& item, std::pair<DS_FileKey, DS_EntryList>& value) {
      KeyFields(item, value.first);
      item.EntryVector(value.second);
    };
    io.List(usedImages, kLeastKeyedItemBytes, entries);
    io.List(frameTimes, kLeastKeyedItemBytes, [](IO& item, std::pair<DS_FileKey, std::vector<float>>& value) {
      KeyFields(item, value.first);
      item.FloatVector(value.second);
    });
    if (version == 1) return;
    io.List(otherFiles, kLeastKeyedItemBytes, entries);
    if (version == 2) return;
    io.List(guidResources, kLeastGuidItemBytes, [](IO& item, DS_GuidResource& resource) {
      item.Guid(resource.guid);
      item.String(resource.name);
      item.Byte(resource.flag);
      item.NamedBuffer(resource.buffer);
    });
  }
};

// A key that is already present keeps its first value.
template <class Map, class Items>
void TakeItems(Map& table, Items& items) {
  for (auto& item : items) table.emplace(std::move(item.first), std::move(item.second));
}

template <class Map, class Items>
void ListItems(const Map& table, Items& items) {
  items.assign(table.begin(), table.end());
}

// The set holds exactly this one texture, as a still picture.
void SetSingleFrame(DS_TextureSet& set, const DS_TextureRef& texture) {
  set.frames.assign(1, texture.texture);
  set.durations.clear();
  set.width = texture.width;
  set.height = texture.height;
  set.scale = texture.scale;
  set.lastSwitchTime = 0.0f;
  set.frameIndex = 0;
}

void TakePictureSize(DS_TextureSet& set, const DS_TextureRef& texture) {
  set.width = texture.width;
  set.height = texture.height;
  set.scale = texture.scale;
}

// The entry a link names in its module: the id is the stamp's low 32 bits.
DS_ResourceEntry ModuleEntryOf(const DS_FileKey& key) {
  return DS_ResourceEntry(static_cast<int32_t>(key.stamp), key.path);
}

void RecordWrittenLink(const DS_FileKey& key) {
  if (g_CurrentDocResManager) g_CurrentDocResManager->RecordLinkedFile(key);
}

}  // namespace

void SetCurrentDocResManager(DS_DocResManager* manager) {
  g_CurrentDocResManager = manager;
  g_ResourceCache = manager ? &manager->Cache() : nullptr;
  g_ResourceLookup = manager ? manager->Lookup() : nullptr;
}

DS_DocResManager::DS_DocResManager()
    : m_cache(new DS_ResourceCache()), m_tables(new DS_DocResTables()), m_lookup(this) {
  g_ResourceCache = m_cache.get();
  g_LinkWrittenHook = &RecordWrittenLink;
}

DS_DocResManager::~DS_DocResManager() {
  ReleaseDeviceObjects();
  if (g_CurrentDocResManager == this) g_CurrentDocResManager = nullptr;
  // A manager made and dropped while another one is current (a failed load) hands the
  // cache back to the current manager: the two are always selected together.
  if (g_ResourceCache == m_cache.get())
    g_ResourceCache = g_CurrentDocResManager ? &g_CurrentDocResManager->Cache() : nullptr;
  if (g_ResourceLookup == &m_lookup) g_ResourceLookup = nullptr;
  m_cache.reset();
  m_tables.reset();
}

bool DS_DocResManager::Read(DS_IOF_Handle& handle, int version) {
  if (!handle.Get()) return false;
  DS_IOF_Virtual& stream = *handle;
  DS_StoredTables stored;
  ReadFields(stream, stored, version);
  if (stream.Failed()) return false;
  TakeItems(m_tables->usedImages, stored.usedImages);
  TakeItems(m_tables->frameTimes, stored.frameTimes);
  if (!BuildUsedImageSets(stream)) return false;
  if (version == 1) return true;

  TakeItems(m_tables->otherFiles, stored.otherFiles);
  for (const auto& item : m_tables->otherFiles) m_tables->fileLibrary.emplace(item.first, item.second);
  if (version == 2) return true;

  for (DS_GuidResource& item : stored.guidResources) {
    GUID guid = item.guid;
    m_tables->guidResources.emplace(guid, std::move(item));
  }
  return BuildGuidTextures(stream);
}

bool DS_DocResManager::BuildUsedImageSets(DS_IOF_Virtual& stream) {
  for (const auto& item : m_tables->usedImages) {
    const DS_FileKey& key = item.first;
    DS_TextureSet& set = m_tables->textureSets[key];
    DS_EntryList& library = m_tables->fileLibrary[key];
    library = item.second;
    set.frames.assign(library.size(), DS_TextureHolder());
    for (size_t i = 0; i < library.size(); ++i) {
      // Each picture is a texture made on the device: a document of thousands is
      // where a load that is to stop spends its time.
      if (stream.CheckAbort()) return false;
      DS_TextureRef texture = MakeUsedPicture(key, i, library[i]);
      set.frames[i] = texture.texture;
      TakePictureSize(set, texture);
    }
    if (library.size() > 1) {
      auto times = m_tables->frameTimes.find(key);
      set.durations = times != m_tables->frameTimes.end() ? times->second : std::vector<float>();
    }
  }
  m_tables->usedImages.clear();
  return true;
}

DS_TextureRef DS_DocResManager::MakeUsedPicture(const DS_FileKey& key, size_t frame,
                                                const DS_ResourceEntry& entry) {
  if (!entry.Name().empty() && entry.Size() != 0) {
    D3DXIMAGE_INFO info = {};
    DS_TextureHolder texture;
    if (SUCCEEDED(CreatePictureTexture(entry.Data(), entry.Size(), &info, texture.Receive())) && texture) {
      m_unreadPictures[key].push_back(UnreadPicture{frame, texture});
      DS_TextureRef result;
      result.Assign(info.Width, info.Height, texture.Get());
      return result;
    }
  }
  // Any other picture is made whole, as every lookup makes it.
  return m_cache->GetTexture(entry);
}

void DS_DocResManager::NoteLookup(const DS_FileKey& key) {
  if (m_unreadPictures.find(key) == m_unreadPictures.end()) return;
  if (!m_listing) {
    ReadPictures(key);
  } else if (std::find(m_listed.begin(), m_listed.end(), key) == m_listed.end()) {
    m_listed.push_back(key);
  }
}

void DS_DocResManager::BeginPictureList() {
  m_listing = true;
  m_listed.clear();
}

std::vector<DS_FileKey> DS_DocResManager::EndPictureList() {
  m_listing = false;
  std::vector<DS_FileKey> listed;
  listed.swap(m_listed);
  return listed;
}

bool DS_DocResManager::HasUnreadPictures(const DS_FileKey& key) const {
  return m_unreadPictures.find(key) != m_unreadPictures.end();
}

bool DS_DocResManager::ReadPictures(const DS_FileKey& key) {
  auto unread = m_unreadPictures.find(key);
  if (unread == m_unreadPictures.end()) return false;
  const std::vector<UnreadPicture> pictures = std::move(unread->second);
  m_unreadPictures.erase(unread);
  // Reading pixels adds nothing to the library: a key it no longer holds reads nothing.
  const auto library = m_tables->fileLibrary.find(key);
  if (library == m_tables->fileLibrary.end()) return true;
  for (const UnreadPicture& picture : pictures) {
    if (picture.frame >= library->second.size()) continue;
    const DS_ResourceEntry& entry = library->second[picture.frame];
    const HRESULT hr = ReadPicturePixels(picture.texture.Get(), entry.Data(), entry.Size());
    if (FAILED(hr)) ReportMissingResource(DS_MissingKind::Picture, EntryLinkName(entry), hr);
  }
  return true;
}

void DS_DocResManager::ReadPicturesOf(IDirect3DTexture9* texture) {
  for (const auto& unread : m_unreadPictures) {
    for (const UnreadPicture& picture : unread.second) {
      if (picture.texture.Get() == texture) {
        ReadPictures(DS_FileKey(unread.first));
        return;
      }
    }
  }
}

bool DS_DocResManager::BuildGuidTextures(DS_IOF_Virtual& stream) {
  for (const auto& item : m_tables->guidResources) {
    // Decoded whole, one picture a step.
    if (stream.CheckAbort()) return false;
    const DS_NamedBuffer& buffer = item.second.buffer;
    DS_TextureRef texture = CreateTextureEntryFromBytes(buffer.Data(), buffer.Size());
    m_tables->guidTextures[item.first] = texture.texture;
  }
  m_tables->guidResources.clear();
  return true;
}

void DS_DocResManager::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, kClassName, kVersion);
  DS_StoredTables stored;
  ListItems(m_tables->usedImages, stored.usedImages);
  ListItems(m_tables->frameTimes, stored.frameTimes);
  ListItems(m_tables->otherFiles, stored.otherFiles);
  // Written under the table's key.
  for (const auto& item : m_tables->guidResources) {
    stored.guidResources.push_back(item.second);
    stored.guidResources.back().guid = item.first;
  }
  WriteFields(stream, stored, kVersion);
}

bool DS_DocResManager::RegisterUsedImage(const DS_FileLink3& link) {
  if (link.GetPath().empty()) return true;
  const DS_FileKey key = link.GetKey();
  auto set = m_tables->textureSets.find(key);
  if (set != m_tables->textureSets.end() && !set->second.durations.empty())
    m_tables->frameTimes[key] = set->second.durations;
  auto library = m_tables->fileLibrary.find(key);
  m_tables->usedImages[key] = library != m_tables->fileLibrary.end() ? library->second : DS_EntryList();
  return true;
}

void DS_DocResManager::RecordLinkedFile(const DS_FileKey& key) {
  if (key.path.empty()) return;
  auto library = m_tables->fileLibrary.find(key);
  m_tables->otherFiles[key] = library != m_tables->fileLibrary.end() ? library->second : DS_EntryList();
}

DS_EntryList& DS_DocResManager::EnsureLibraryEntry(const DS_FileKey& key) {
  return m_tables->fileLibrary[key];
}

DS_TextureSet* DS_DocResManager::GetTextureSet(const DS_FileLink3& link) {
  DS_TextureSet& set = m_tables->textureSets[link.GetKey()];
  if (!set.frames.empty()) {
    NoteLookup(link.GetKey());
    return &set;
  }
  if (link.IsModuleLink() || link.GetPath().empty()) {
    LoadModuleTexture(set, link);
  } else {
    // A file the document does not list: it is not read.
    EnsureLibraryEntry(link.GetKey());
  }
  return &set;
}

std::vector<DS_TextureSet*> DS_DocResManager::GetTextureSets(
    const std::vector<DS_ImageFileLink>& links) {
  std::vector<DS_TextureSet*> sets;
  sets.reserve(links.size());
  for (const DS_ImageFileLink& link : links) sets.push_back(GetTextureSet(link));
  return sets;
}

void DS_DocResManager::LoadModuleTexture(DS_TextureSet& set, const DS_FileLink3& link) {
  const DS_FileKey key = link.GetKey();
  DS_EntryList& library = EnsureLibraryEntry(key);
  if (library.empty()) library.push_back(ModuleEntryOf(key));
  // The document's copy, if it carries one, stands in while the module is missing.
  SetSingleFrame(set, m_cache->GetTexture(library.front()));
}

DS_TextureSet* DS_DocResManager::LoadAddOnTextureSet(const DS_FileLink3& link) {
  const DS_FileKey key = link.GetKey();
  DS_TextureSet& set = m_tables->textureSets[key];
  if (!set.frames.empty()) {
    NoteLookup(key);
    return &set;
  }

  // The stream is read straight from the module's memory, bounded by the resource's
  // size; the module is freed once its entries are copied.
  DS_ResourceModule module(key.path);
  const void* bytes = nullptr;
  DWORD size = 0;
  if (!module.Find(key.stamp, kModuleDataType, bytes, size)) return &set;
  ResourceBuffer buffer(bytes, size);
  DS_EntryList& library = EnsureLibraryEntry(key);
  library.clear();
  ReadFloatVector(buffer, set.durations);
  ReadEntryVectorFromBuffer(buffer, library);

  set.frames.assign(library.size(), DS_TextureHolder());
  for (size_t i = 0; i < library.size(); ++i) {
    DS_TextureRef texture = m_cache->GetTexture(library[i]);
    set.frames[i] = texture.texture;
    TakePictureSize(set, texture);
  }
  return &set;
}

std::vector<DS_TextureSet*> DS_DocResManager::LoadAddOnTextureSets(
    const std::vector<DS_ImageFileLink>& links) {
  std::vector<DS_TextureSet*> sets;
  sets.reserve(links.size());
  for (const DS_ImageFileLink& link : links) sets.push_back(LoadAddOnTextureSet(link));
  return sets;
}

ID3DXEffect* DS_DocResManager::GetEffect(const DS_FileLink3& link) {
  const DS_FileKey key = link.GetKey();
  auto made = m_tables->effects.find(key);
  if (made != m_tables->effects.end() && made->second) {
    made->second->AddRef();
    return made->second.Get();
  }

  DS_EntryList& library = EnsureLibraryEntry(key);
  if (library.empty()) {
    DS_ResourceEntry entry = ModuleEntryOf(key);
    DS_ResourceModule module(key.path);
    const void* bytes = nullptr;
    DWORD size = 0;
    if (module.Find(key.stamp, RT_RCDATA, bytes, size)) entry.SetData(size, bytes);
    library.push_back(std::move(entry));
  }

  DS_ComHolder<ID3DXEffect> effect;
  const DS_ResourceEntry& source = library.front();
  HRESULT hr = CreateEffectFromBytes(g_CurrentDevice, source.Data(), source.Size(), effect.Receive());
  if (FAILED(hr) || !effect) {
    ReportMissingResource(DS_MissingKind::Effect, ModuleLinkName(key.path, key.stamp),
                          FAILED(hr) ? hr : E_FAIL);
    return nullptr;
  }
  // The table keeps one reference, the caller gets the other.
  m_tables->effects[key] = effect;
  return effect.Detach();
}

DS_MeshEntry& DS_DocResManager::GetMesh(const DS_FileLink3& link, int vertexStride) {
  const DS_FileKey key = link.GetKey();
  DS_MeshEntry& mesh = m_tables->meshes[key];
  if (mesh.HasVertices()) return mesh;
  DS_EntryList& library = EnsureLibraryEntry(key);
  if (library.empty()) {
    DS_ResourceEntry entry = ModuleEntryOf(key);
    entry.LoadFromModule();
    library.push_back(std::move(entry));
  }
  const DS_ResourceEntry& source = library.front();
  mesh = LoadMeshFromMemory(source.Data(), source.Size(), vertexStride);
  return mesh;
}

DS_ResourceEntry& DS_DocResManager::GetLibraryEntry(const DS_FileLink3& link) {
  const DS_FileKey key = link.GetKey();
  auto found = m_tables->fileLibrary.find(key);
  if (found != m_tables->fileLibrary.end() && !found->second.empty()) return found->second.front();
  if (!link.IsModuleLink()) {
    // Nothing embedded and no module: an entry without bytes.
    m_noEntry = DS_ResourceEntry();
    return m_noEntry;
  }
  DS_EntryList& library = EnsureLibraryEntry(key);
  DS_ResourceEntry entry = ModuleEntryOf(key);
  entry.LoadFromModule();
  library.push_back(std::move(entry));
  return library.front();
}

DS_RenderTargetPair* DS_DocResManager::GetGuidRenderTarget(const GUID& guid) {
  std::unique_ptr<DS_RenderTargetPair>& target = m_tables->guidRenderTargets[guid];
  if (!target) {
    target.reset(new DS_RenderTargetPair());
    target->Resize(GetGuidTexture(guid), kGuidTargetSize, kGuidTargetSize);
  }
  return target.get();
}

DS_ComHolder<IDirect3DTexture9>& DS_DocResManager::GetGuidTexture(const GUID& guid) {
  return m_tables->guidTextures[guid];
}

DS_ImageFileLink DS_DocResManager::MakeImageLink(const DS_ResourceEntry& entry) {
  DS_ImageFileLink link(entry);
  const DS_FileKey key = link.GetKey();
  DS_EntryList& library = EnsureLibraryEntry(key);
  if (library.empty()) library.push_back(entry);
  SetSingleFrame(m_tables->textureSets[key], m_cache->GetTexture(entry));
  return link;
}

DS_ImageFileLink DS_DocResManager::MakeAnimatedImageLink(const std::vector<DS_ResourceEntry>& entries,
                                                         const std::vector<float>& durations) {
  if (entries.empty()) return DS_ImageFileLink();
  DS_ImageFileLink link(entries.front());
  const DS_FileKey key = link.GetKey();
  DS_TextureSet& set = m_tables->textureSets[key];
  if (!set.frames.empty()) return link;
  DS_EntryList& library = EnsureLibraryEntry(key);
  for (const DS_ResourceEntry& entry : entries) {
    DS_TextureRef texture = m_cache->GetTexture(entry);
    set.frames.push_back(texture.texture);
    TakePictureSize(set, texture);
    library.push_back(entry);
  }
  set.durations = durations;
  return link;
}

DS_ImageFileLink DS_DocResManager::MakeImageLinkFromFile(const ds_string& path, float duration) {
  DS_ImageFileLink link(path);
  DS_TextureSet* set = GetTextureSet(link);
  if (duration > 0.0f) {
    if (set->durations.empty())
      set->durations.push_back(duration);
    else if (set->durations.size() == 1)
      set->durations[0] = duration;
  }
  return link;
}

void DS_DocResManager::ReleaseDeviceObjects() {
  for (auto& effect : m_tables->effects) {
    if (effect.second) effect.second->OnLostDevice();
  }
  for (auto& target : m_tables->guidRenderTargets) {
    if (target.second) target.second->ReleaseTextures();
  }
}

void DS_DocResManager::OnDeviceRestored() {
  for (auto& effect : m_tables->effects) {
    if (effect.second) effect.second->OnResetDevice();
  }
  for (auto& target : m_tables->guidRenderTargets) {
    DS_RenderTargetPair* pair = target.second.get();
    if (pair) pair->Resize(GetGuidTexture(target.first), pair->GetWidth(), pair->GetHeight());
  }
}

DS_TextureSet* DS_DocResManager::LookupAdapter::GetTextureSet(const DS_ImageFileLink& link) {
  return m_owner->GetTextureSet(link);
}

void DS_DocResManager::LookupAdapter::ReadPixelsOf(IDirect3DTexture9* texture) {
  m_owner->ReadPicturesOf(texture);
}

DS_TextureSet* DS_DocResManager::LookupAdapter::GetAddOnTextureSet(const DS_ImageFileLink& link) {
  return m_owner->LoadAddOnTextureSet(link);
}

bool DS_DocResManager::LookupAdapter::GetMesh(const DS_FileLink3& link, int vertexStride,
                                              DS_MeshBuffers& out) {
  DS_MeshEntry& mesh = m_owner->GetMesh(link, vertexStride);
  if (!mesh.HasVertices()) return false;
  out.vertexBuffer = mesh.vertexBuffer.Get();
  out.indexBuffer = mesh.indexBuffer.Get();
  out.vertexCount = mesh.vertexCount;
  out.faceCount = mesh.faceCount;
  out.radius = mesh.radius;
  out.centre = mesh.centre;
  return true;
}
