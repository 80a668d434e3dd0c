// The shared resource module as the build makes it: every picture and mesh id that the
// scene classes name by default is there with the type "DDS", every picture decodes
// with the size and alpha its maker gave it, every mesh loads through the mesh cache,
// and a document's link to the module reaches the module's picture. The build copies
// common_res.dll next to this test program, where the saver's loader finds it too.
#include <gtest/gtest.h>

#include <d3dx9.h>

#include "device/ComHolder.h"
#include "document/DocResManager.h"
#include "document/FileLink.h"
#include "document/ModuleResources.h"
#include "document/ResourceCache.h"
#include "document/TextureSet.h"
#include "support/RenderDeviceTest.h"
#include "tools/ModuleMeshes.h"
#include "tools/ModulePictures.h"
#include "tools/Picture.h"

namespace {

const wchar_t kModuleName[] = L"common_res.dll";
// A module that lies nowhere.
const wchar_t kAbsentModuleName[] = L"absent_res.dll";
// The picture and mesh ids the scene classes name in the shared module.
const unsigned kPictureIds[] = {5, 6, 7, 8, 40, 58, 59, 60, 62, 71, 72, 89, 93, 95, 98, 2016};
const unsigned kMeshIds[] = {68, 69, 70};
// The compiled effects the scene classes name in the module (RCDATA).
const unsigned kEffectIds[] = {63, 75, 76, 77, 78, 88, 90, 91, 92, 97, 102, 103, 116};

class CommonResModuleTest : public ds_test::RenderDeviceTest {};

TEST(CommonResModule, HoldsEveryPictureAndMeshIdAsDds) {
  DS_ResourceModule module(kModuleName);
  ASSERT_TRUE(module.IsOpen()) << "common_res.dll is not beside the test program";
  for (unsigned id : kPictureIds) {
    const void* bytes = nullptr;
    DWORD size = 0;
    EXPECT_TRUE(module.Find(id, kModuleDataType, bytes, size)) << "picture " << id;
  }
  for (unsigned id : kMeshIds) {
    const void* bytes = nullptr;
    DWORD size = 0;
    EXPECT_TRUE(module.Find(id, kModuleDataType, bytes, size)) << "mesh " << id;
  }
}

TEST_F(CommonResModuleTest, EveryEffectIsCreatedByD3DX) {
  DS_ResourceModule module(kModuleName);
  ASSERT_TRUE(module.IsOpen());
  for (unsigned id : kEffectIds) {
    const void* bytes = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(module.Find(id, RT_RCDATA, bytes, size)) << "effect " << id;
    DS_ComHolder<ID3DXEffect> effect;
    ID3DXBuffer* errors = nullptr;
    EXPECT_HRESULT_SUCCEEDED(D3DXCreateEffect(device, bytes, size, nullptr, nullptr, 0, nullptr,
                                              effect.Receive(), &errors))
        << "effect " << id;
    if (errors) errors->Release();
  }
}

TEST_F(CommonResModuleTest, EveryPictureDecodesWithItsSizeAndAlpha) {
  DS_ResourceModule module(kModuleName);
  ASSERT_TRUE(module.IsOpen());
  for (const ds_tools::ModulePicture& made : ds_tools::MakeModulePictures()) {
    const void* bytes = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(module.Find(made.id, kModuleDataType, bytes, size)) << made.what;
    D3DXIMAGE_INFO info = {};
    ASSERT_HRESULT_SUCCEEDED(D3DXGetImageInfoFromFileInMemory(bytes, size, &info)) << made.what;
    EXPECT_EQ(UINT(made.picture.Width()), info.Width) << made.what;
    EXPECT_EQ(UINT(made.picture.Height()), info.Height) << made.what;
    const bool hasAlpha = info.Format == D3DFMT_A8R8G8B8;
    EXPECT_EQ(made.keepsAlpha, hasAlpha) << made.what << ": format " << info.Format;
    DS_TextureRef texture = CreateTextureEntryFromBytes(bytes, size);
    EXPECT_NE(nullptr, texture.GetTexture()) << made.what;
  }
}

TEST_F(CommonResModuleTest, EveryMeshLoadsThroughTheMeshCacheWithABoundingSphere) {
  DS_ResourceCache cache;
  for (const ds_tools::ModuleMesh& made : ds_tools::MakeModuleMeshes()) {
    DS_MeshEntry mesh = cache.GetMesh(DS_ResourceEntry(int32_t(made.id), kModuleName), kMeshVertexStride);
    EXPECT_TRUE(mesh.HasVertices()) << made.what;
    EXPECT_GT(mesh.faceCount, 0) << made.what;
    EXPECT_GT(mesh.radius, 1.0f) << made.what;
  }
}

TEST_F(CommonResModuleTest, ADocumentLinkToTheModuleGetsTheModulePicture) {
  DS_DocResManager manager;
  DS_DocResManager* previous = g_CurrentDocResManager;
  SetCurrentDocResManager(&manager);
  const DS_FileLink3 dial(71, kModuleName);
  DS_TextureSet* set = manager.GetTextureSet(dial);
  ASSERT_NE(nullptr, set);
  ASSERT_NE(nullptr, set->GetCurrentTexture());
  DS_TextureRef frame;
  set->GetFirstFrame(frame);
  EXPECT_EQ(256, frame.width);
  EXPECT_EQ(256, frame.height);
  SetCurrentDocResManager(previous);
}

// A document's copy of a module resource: an entry naming the module and the id that
// carries bytes of its own.
DS_FileKey FileCopy(DS_DocResManager& manager, const wchar_t* module, int id, const std::vector<unsigned char>& bytes) {
  const DS_FileKey key = DS_FileLink3(id, module).GetKey();
  DS_ResourceEntry entry(id, module);
  entry.SetData(uint32_t(bytes.size()), bytes.data());
  manager.Tables().fileLibrary[key] = DS_EntryList{entry};
  return key;
}

std::vector<unsigned char> ModuleBytes(unsigned id, const wchar_t* type) {
  DS_ResourceModule module(kModuleName);
  const void* bytes = nullptr;
  DWORD size = 0;
  if (!module.Find(id, type, bytes, size)) return std::vector<unsigned char>();
  const unsigned char* begin = static_cast<const unsigned char*>(bytes);
  return std::vector<unsigned char>(begin, begin + size);
}

class CurrentManager {
public:
  CurrentManager() : m_previous(g_CurrentDocResManager) { SetCurrentDocResManager(&manager); }
  ~CurrentManager() { SetCurrentDocResManager(m_previous); }
  DS_DocResManager manager;

private:
  DS_DocResManager* m_previous;
};

// While the module lies beside the program, a link to it gets the module's resources:
// the picture even over a document's copy that differs from it (a copy only stands
// in for a missing module), the mesh and the effect where the document carries no
// copy (a copy of those is the document's own and comes first; the default scene's
// copies are the module's bytes).
TEST_F(CommonResModuleTest, ALinkGetsTheModulesResourcesWhileTheModuleIsThere) {
  CurrentManager current;
  DS_DocResManager& manager = current.manager;
  const std::vector<unsigned char> smallPicture = ds_tools::EncodeDds32(ds_tools::Picture(8, 8, 0xFF00FF00u));

  const DS_FileKey dial = FileCopy(manager, kModuleName, 71, smallPicture);
  DS_TextureSet* set = manager.GetTextureSet(DS_FileLink3(dial));
  ASSERT_NE(nullptr, set);
  EXPECT_EQ(256, set->width) << "the module's dial, not the document's 8 x 8 copy";

  DS_ResourceCache own;
  const DS_MeshEntry moduleClock = own.GetMesh(DS_ResourceEntry(70, kModuleName), kMeshVertexStride);
  const DS_MeshEntry& taken = manager.GetMesh(DS_FileLink3(70, kModuleName), kMeshVertexStride);
  ASSERT_TRUE(taken.HasVertices());
  EXPECT_EQ(moduleClock.faceCount, taken.faceCount);
  EXPECT_EQ(moduleClock.radius, taken.radius);

  DS_ComHolder<ID3DXEffect> effect;
  effect.Attach(manager.GetEffect(DS_FileLink3(97, kModuleName)));
  EXPECT_NE(nullptr, effect.Get()) << "the module's glow effect";
}

// The same links to a module that is not there: the document's copies serve.
TEST_F(CommonResModuleTest, ALinkToAMissingModuleTakesTheDocumentsCopy) {
  CurrentManager current;
  DS_DocResManager& manager = current.manager;
  const std::vector<unsigned char> smallPicture = ds_tools::EncodeDds32(ds_tools::Picture(8, 8, 0xFF00FF00u));
  const std::vector<ds_tools::ModuleMesh> meshes = ds_tools::MakeModuleMeshes();
  const std::vector<unsigned char> bodyMesh(meshes.front().text.begin(), meshes.front().text.end());
  const std::vector<unsigned char> glowBytes = ModuleBytes(97, RT_RCDATA);
  ASSERT_FALSE(glowBytes.empty());

  DS_TextureSet* set = manager.GetTextureSet(DS_FileLink3(FileCopy(manager, kAbsentModuleName, 71, smallPicture)));
  ASSERT_NE(nullptr, set);
  ASSERT_NE(nullptr, set->GetCurrentTexture()) << "the copy makes the texture";
  EXPECT_EQ(8, set->width);

  DS_ResourceCache own;
  const DS_MeshEntry body = own.GetMesh(DS_ResourceEntry(meshes.front().id, kModuleName), kMeshVertexStride);
  const DS_MeshEntry& taken =
      manager.GetMesh(DS_FileLink3(FileCopy(manager, kAbsentModuleName, 70, bodyMesh)), kMeshVertexStride);
  ASSERT_TRUE(taken.HasVertices());
  EXPECT_EQ(body.faceCount, taken.faceCount);

  DS_ComHolder<ID3DXEffect> effect;
  effect.Attach(manager.GetEffect(DS_FileLink3(FileCopy(manager, kAbsentModuleName, 97, glowBytes))));
  EXPECT_NE(nullptr, effect.Get());
}

}  // namespace
