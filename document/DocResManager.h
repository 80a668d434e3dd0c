#pragma once
// The document resource manager: the one owner of everything a loaded scene document
// turns into device objects (texture sets of image links, effects, meshes, render
// targets and textures keyed by GUID) and of the file library, the raw bytes the
// document embeds. Layers, scene objects and sound items reach the manager of the scene
// being drawn through g_CurrentDocResManager and ask by file link or GUID; the manager
// answers from what it already made, else from the document's bytes, else from a
// module or the program through its resource cache. Nothing is evicted before the
// manager is destroyed; a lookup that cannot be made gives an empty result and is
// mostly tried again next time.
//
// The pictures the document embeds (BMP, PNG, JPEG) are made at load as textures of
// their final size without their pixels, which are read when the picture is first
// needed: at its first lookup, before anything copies from its texture, or, for
// lookups made while a picture list is open, when the list's owner asks. The slide
// show lists each slide's pictures while it builds the slide's objects and has them
// read before the slide shows, so a long show does not decode every picture up front.
//
// Created by the document loader, kept by the host's scene slot. Each manager has its
// own cache; SetCurrentDocResManager selects a manager together with its cache, so
// with one device per monitor no texture crosses to another monitor's device.

#include <d3dx9.h>

#include <map>
#include <memory>
#include <vector>

#include "device/ComHolder.h"
#include "device/RenderTargetPair.h"
#include "device/ResourceLookup.h"
#include "document/FileLink.h"
#include "document/Item.h"
#include "document/ResourceCache.h"
#include "document/ResourceTables.h"
#include "document/TextureSet.h"

class DS_DocResManager : public DS_IOF_Item {
public:
  // Version the writer stores: used images, frame times, other files, GUID pictures.
  static constexpr int kVersion = 3;
  // Size of the render target made for a GUID.
  static constexpr int kGuidTargetSize = 512;

  // Creates the cache (published in g_ResourceCache) and empty tables.
  DS_DocResManager();
  // Releases the device objects, then every texture, effect, mesh and target; clears
  // the process-wide pointers that point to this manager or its cache.
  ~DS_DocResManager() override;
  DS_DocResManager(const DS_DocResManager&) = delete;
  DS_DocResManager& operator=(const DS_DocResManager&) = delete;

  // Reads the record's tables (the class name and version were read by the loader) and
  // builds the texture sets and GUID textures from them. False when the stream failed;
  // then nothing is built from the table being read. The stream's abort check is asked
  // between the pictures made; a yes fails the stream.
  bool Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // Save side: the link's frame times and library entries go into the used-image
  // tables. Nothing for a link without path.
  bool RegisterUsedImage(const DS_FileLink3& link);
  // Save side, reached from DS_FileLink3::WriteField: the other-files table takes the
  // library's entries for the key.
  void RecordLinkedFile(const DS_FileKey& key);

  // Lookups. The sets, meshes, entries, targets and slots returned stay owned by the
  // manager and keep their addresses for its life.
  DS_TextureSet* GetTextureSet(const DS_FileLink3& link);
  std::vector<DS_TextureSet*> GetTextureSets(const std::vector<DS_ImageFileLink>& links);
  // The set becomes the one texture of the link's module (or program) resource.
  void LoadModuleTexture(DS_TextureSet& set, const DS_FileLink3& link);
  // A frame set stored in a module as a stream of frame times and entries.
  DS_TextureSet* LoadAddOnTextureSet(const DS_FileLink3& link);
  std::vector<DS_TextureSet*> LoadAddOnTextureSets(const std::vector<DS_ImageFileLink>& links);
  // With one reference added for the caller, or null.
  ID3DXEffect* GetEffect(const DS_FileLink3& link);
  DS_MeshEntry& GetMesh(const DS_FileLink3& link, int vertexStride);
  // The first library entry of the link; an entry without bytes when there is none.
  DS_ResourceEntry& GetLibraryEntry(const DS_FileLink3& link);
  DS_RenderTargetPair* GetGuidRenderTarget(const GUID& guid);
  // The GUID's texture slot (created empty); callers read it or store their own.
  DS_ComHolder<IDirect3DTexture9>& GetGuidTexture(const GUID& guid);

  // Links to embedded data whose texture sets are ready.
  DS_ImageFileLink MakeImageLink(const DS_ResourceEntry& entry);
  DS_ImageFileLink MakeAnimatedImageLink(const std::vector<DS_ResourceEntry>& entries,
                                         const std::vector<float>& durations);
  DS_ImageFileLink MakeImageLinkFromFile(const ds_string& path, float duration);

  // Between the two calls lookups leave pixels unread and the list collects the keys
  // of the pictures they handed out without them, each once.
  void BeginPictureList();
  std::vector<DS_FileKey> EndPictureList();
  // Reads the pixels the key's pictures still lack; false when none did.
  bool ReadPictures(const DS_FileKey& key);
  bool HasUnreadPictures(const DS_FileKey& key) const;
  // The same for the picture whose texture this is (any other texture: nothing).
  void ReadPicturesOf(IDirect3DTexture9* texture);

  // Device loss: effects let go of their device state, GUID targets of their textures,
  // so that the device can be reset. Restore makes them again.
  void ReleaseDeviceObjects();
  void OnDeviceRestored();

  DS_ResourceCache& Cache() { return *m_cache; }
  DS_DocResTables& Tables() { return *m_tables; }
  const DS_DocResTables& Tables() const { return *m_tables; }
  // The lookups the drawing core makes through g_ResourceLookup.
  DS_ResourceLookup* Lookup() { return &m_lookup; }

private:
  class LookupAdapter : public DS_ResourceLookup {
  public:
    explicit LookupAdapter(DS_DocResManager* owner) : m_owner(owner) {}
    DS_TextureSet* GetTextureSet(const DS_ImageFileLink& link) override;
    DS_TextureSet* GetAddOnTextureSet(const DS_ImageFileLink& link) override;
    bool GetMesh(const DS_FileLink3& link, int vertexStride, DS_MeshBuffers& out) override;
    void ReadPixelsOf(IDirect3DTexture9* texture) override;

  private:
    DS_DocResManager* m_owner;
  };

  // A picture of a texture made without its pixels: the frame of its key's entries.
  struct UnreadPicture {
    size_t frame;
    DS_TextureHolder texture;
  };

  // Both false when the stream's abort check stopped them between two pictures.
  bool BuildUsedImageSets(DS_IOF_Virtual& stream);
  // Frame `frame` of a used image: embedded picture bytes without their pixels yet.
  DS_TextureRef MakeUsedPicture(const DS_FileKey& key, size_t frame, const DS_ResourceEntry& entry);
  // A lookup handed out the key's set: its pixels are read now, or listed.
  void NoteLookup(const DS_FileKey& key);
  bool BuildGuidTextures(DS_IOF_Virtual& stream);
  DS_EntryList& EnsureLibraryEntry(const DS_FileKey& key);

  std::unique_ptr<DS_ResourceCache> m_cache;
  std::unique_ptr<DS_DocResTables> m_tables;
  LookupAdapter m_lookup;
  // Handed out by GetLibraryEntry when a link names no bytes at all.
  DS_ResourceEntry m_noEntry;
  std::map<DS_FileKey, std::vector<UnreadPicture>> m_unreadPictures;
  bool m_listing = false;
  std::vector<DS_FileKey> m_listed;
};

// The manager of the scene being drawn.
extern DS_DocResManager* g_CurrentDocResManager;

// Makes `manager` current together with its cache (g_ResourceCache) and its lookups
// for the drawing core (g_ResourceLookup); null clears all three. The host calls it
// whenever it selects a scene slot with a loaded document, and the loader for the
// manager it has read.
void SetCurrentDocResManager(DS_DocResManager* manager);
