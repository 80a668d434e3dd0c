// The shared resource module as the build makes it: every picture and mesh id that the
// scene classes name by default is there with the type "DDS", every picture decodes
// with the size and alpha its maker gave it, every mesh loads through the mesh cache,
// and a document's link to the module reaches the module's picture. The build copies
// common_res.dll next to this test program, where the saver's loader finds it too.
#include <gtest/gtest.h>

#include <d3dx9.h>

#include "document/DocResManager.h"
#include "document/FileLink.h"
#include "document/ModuleResources.h"
#include "document/ResourceCache.h"
#include "document/TextureSet.h"
#include "render/ComHolder.h"
#include "support/RenderDeviceTest.h"
#include "tools/ModuleMeshes.h"
#include "tools/ModulePictures.h"

namespace {

const wchar_t kModuleName[] = L"common_res.dll";
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

}  // namespace
