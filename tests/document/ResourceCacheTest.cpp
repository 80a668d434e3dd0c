// The resource cache: textures from picture bytes, modules and the program, with the
// exact sizes D3DX reports; meshes from .x data; and module resources copied into
// entries. The fixture modules sit next to the test program (FixtureIds.h).
#include <gtest/gtest.h>

#include <cmath>

#include "ResourceTestHelpers.h"
#include "document/ModuleResources.h"
#include "document/ResourceCache.h"
#include "support/RenderDeviceTest.h"
#include "support/TestPictures.h"

using namespace resources_test;

namespace {

// Four quadrants: red, green (top), blue, white (bottom).
uint32_t QuadrantColour(int x, int y, int width, int height) {
  const bool right = x >= width / 2;
  const bool bottom = y >= height / 2;
  if (!bottom) return right ? 0xFF00FF00 : 0xFFFF0000;
  return right ? 0xFFFFFFFF : 0xFF0000FF;
}

std::vector<unsigned char> QuadrantPicture(int width, int height) {
  return ds_test::MakeBmp(width, height, [=](int x, int y) { return QuadrantColour(x, y, width, height); });
}

DS_ResourceEntry ModuleEntry(int32_t id, const ds_string& module,
                             const std::vector<unsigned char>& bytes = {}) {
  DS_ResourceEntry entry(id, module);
  entry.SetData(static_cast<uint32_t>(bytes.size()), bytes.data());
  return entry;
}

}  // namespace

class ResourceCacheTest : public ds_test::RenderDeviceTest {};

TEST_F(ResourceCacheTest, PictureBytesGiveATextureWithTheSourceSize) {
  const std::vector<unsigned char> picture = QuadrantPicture(300, 200);
  DS_TextureRef ref = CreateTextureEntryFromBytes(picture.data(), static_cast<UINT>(picture.size()));
  ASSERT_NE(nullptr, ref.GetTexture());
  EXPECT_EQ(300, ref.width);
  EXPECT_EQ(200, ref.height);
  EXPECT_FLOAT_EQ(0.6666667f, ref.scale);
  D3DSURFACE_DESC desc = LevelDesc(ref.GetTexture());
  EXPECT_EQ(512u, desc.Width) << "the texture is extended to powers of two";
  EXPECT_EQ(256u, desc.Height);
  EXPECT_EQ(1u, ref.GetTexture()->GetLevelCount());
  EXPECT_EQ(D3DPOOL_MANAGED, desc.Pool);
  struct Probe { UINT x, y; uint32_t colour; } probes[] = {
      {128, 64, kRed}, {384, 64, kGreen}, {128, 192, kBlue}, {384, 192, kWhite}};
  for (const Probe& p : probes) {
    EXPECT_EQ(ColourText(p.colour), ColourText(TexelAt(ref.GetTexture(), p.x, p.y)))
        << "texel (" << p.x << ", " << p.y << ")";
  }
  EXPECT_EQ(1u, RefCount(ref.GetTexture())) << "nothing but the caller holds the texture";
}

TEST_F(ResourceCacheTest, NamedEntriesWithBytesMakeANewTextureEachTime) {
  DS_ResourceCache cache;
  DS_ResourceEntry entry;
  entry.SetName(L"C:\\pictures\\p.bmp");
  std::vector<unsigned char> picture = ds_test::SolidBmp(4, 4, 0xFF00FF00);
  entry.SetData(static_cast<uint32_t>(picture.size()), picture.data());
  DS_TextureRef first = cache.GetTexture(entry);
  DS_TextureRef second = cache.GetTexture(entry);
  ASSERT_NE(nullptr, first.GetTexture());
  EXPECT_NE(first.GetTexture(), second.GetTexture());
  EXPECT_EQ(kGreen, CentreTexel(first.GetTexture()));
}

TEST_F(ResourceCacheTest, NamedEntriesWithoutBytesReadTheFileOncePerPath) {
  wchar_t folder[MAX_PATH] = {};
  ASSERT_NE(0u, GetTempPathW(MAX_PATH, folder));
  const ds_string path = ds_string(folder) + L"ds_resource_cache_test.bmp";
  const std::vector<unsigned char> picture = QuadrantPicture(6, 4);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  WriteFile(file, picture.data(), static_cast<DWORD>(picture.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(picture.size(), written);

  DS_ResourceCache cache;
  DS_ResourceEntry entry;
  entry.SetName(path);
  DS_TextureRef first = cache.GetTexture(entry);
  DeleteFileW(path.c_str());
  ASSERT_NE(nullptr, first.GetTexture());
  EXPECT_EQ(6, first.width);
  EXPECT_EQ(4, first.height);
  EXPECT_EQ(8u, LevelDesc(first.GetTexture()).Width);
  EXPECT_EQ(1u, first.GetTexture()->GetLevelCount());
  EXPECT_EQ(kRed, TexelAt(first.GetTexture(), 1, 0));
  DS_TextureRef second = cache.GetTexture(entry);
  EXPECT_EQ(first.GetTexture(), second.GetTexture()) << "kept by path, not read again";

  DS_ResourceEntry absent;
  absent.SetName(path + L".missing");
  DS_TextureRef none = cache.GetTexture(absent);
  EXPECT_EQ(nullptr, none.GetTexture());
  EXPECT_EQ(0, none.width);
}

TEST_F(ResourceCacheTest, AModuleTextureIsMadeOnceAndHandedOutWithAReference) {
  DS_ResourceCache cache;
  DS_TextureRef first = cache.GetTexture(ModuleEntry(FIXTURE_SHARED_PICTURE, kModule));
  ASSERT_NE(nullptr, first.GetTexture());
  const ULONG held = RefCount(first.GetTexture());
  DS_TextureRef second = cache.GetTexture(ModuleEntry(FIXTURE_SHARED_PICTURE, kModule));
  EXPECT_EQ(first.GetTexture(), second.GetTexture());
  EXPECT_EQ(held + 1, RefCount(first.GetTexture()));
  EXPECT_EQ(2u, RefCount(first.GetTexture()) - 1) << "the cache and the two callers";
}

struct TextureCase {
  const char* what;
  int32_t id;
  const wchar_t* module;
  uint32_t embeddedColour;  // 0: no bytes in the entry
  uint32_t expected;        // kNoTexture: none
  int width;
  int height;
};

class CacheTextureSource : public ds_test::RenderDeviceTest,
                           public ::testing::WithParamInterface<TextureCase> {};

TEST_P(CacheTextureSource, ComesFromTheRightPlace) {
  const TextureCase c = GetParam();
  std::vector<unsigned char> bytes;
  if (c.embeddedColour) bytes = ds_test::SolidBmp(2, 2, c.embeddedColour);
  DS_ResourceCache cache;
  DS_TextureRef ref = cache.GetTexture(ModuleEntry(c.id, c.module, bytes));
  EXPECT_EQ(ColourText(c.expected), ColourText(CentreTexel(ref.GetTexture()))) << c.what;
  EXPECT_EQ(c.width, ref.width) << c.what;
  EXPECT_EQ(c.height, ref.height) << c.what;
  if (c.width > 0) {
    EXPECT_FLOAT_EQ(float(c.height) / float(c.width), ref.scale) << c.what;
  }
}

const uint32_t kEmbeddedWhite = 0xFFFFFFFF;
const uint32_t kEmbeddedGreen = 0xFF00FF00;

INSTANTIATE_TEST_SUITE_P(
    Entries, CacheTextureSource,
    ::testing::Values(
        TextureCase{"module resource", FIXTURE_SHARED_PICTURE, FIXTURE_MODULE_NAME, 0, kRed, 2, 2},
        TextureCase{"module first, embedded copy second", FIXTURE_SHARED_PICTURE, FIXTURE_MODULE_NAME,
                    kEmbeddedWhite, kRed, 2, 2},
        TextureCase{"module name in capitals", FIXTURE_SHARED_PICTURE, L"DS_FIXTURE_RES.DLL", 0, kRed, 2, 2},
        TextureCase{"second module, same id", FIXTURE_SHARED_PICTURE, FIXTURE_MODULE2_NAME, 0, kMagenta, 2, 2},
        TextureCase{"empty module name: the program", FIXTURE_SHARED_PICTURE, L"", 0, kYellow, 2, 2},
        TextureCase{"program picture 2", FIXTURE_PROGRAM_PICTURE, L"", 0, kBlue, 2, 2},
        TextureCase{"only the low 16 bits of an id count", 0x10000 + FIXTURE_SHARED_PICTURE,
                    FIXTURE_MODULE_NAME, 0, kRed, 2, 2},
        TextureCase{"id 0 names nothing: the embedded copy", 0, FIXTURE_MODULE_NAME, kEmbeddedWhite,
                    kWhite, 2, 2},
        TextureCase{"resource missing in the module: the embedded copy", 99, FIXTURE_MODULE_NAME,
                    kEmbeddedGreen, kGreen, 2, 2},
        TextureCase{"missing module: the embedded copy", FIXTURE_SHARED_PICTURE, L"no_such_module.dll",
                    kEmbeddedWhite, kWhite, 2, 2},
        TextureCase{"missing module, nothing embedded: no texture, preset size", FIXTURE_SHARED_PICTURE,
                    L"no_such_module.dll", 0, kNoTexture, 800, 600},
        TextureCase{"a module path is not loaded, nor the program searched", FIXTURE_SHARED_PICTURE,
                    L"C:\\windows\\ds_fixture_res.dll", 0, kNoTexture, 800, 600},
        TextureCase{"a relative module path is not loaded", FIXTURE_SHARED_PICTURE,
                    L"..\\resources\\ds_fixture_res.dll", 0, kNoTexture, 800, 600},
        TextureCase{"a name not ending in .dll is no module", FIXTURE_SHARED_PICTURE, L"ds_fixture_res.exe",
                    kEmbeddedGreen, kGreen, 2, 2}));

TEST_F(ResourceCacheTest, ProgramTextureHasAFullMipChainAndIsKept) {
  DS_ResourceCache cache;
  IDirect3DTexture9* first = cache.GetProgramTexture();
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(kBlue, CentreTexel(first));
  EXPECT_EQ(2u, first->GetLevelCount()) << "a 2 x 2 picture has two levels";
  IDirect3DTexture9* second = cache.GetProgramTexture();
  EXPECT_EQ(first, second);
  EXPECT_EQ(3u, RefCount(first));
  first->Release();
  second->Release();
}

TEST_F(ResourceCacheTest, ProgramTextureLoaderReportsAMissingResource) {
  IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
  EXPECT_EQ(E_FAIL, LoadTextureFromProgramResource(&texture, 4321, false));
  EXPECT_EQ(nullptr, texture);
  ASSERT_EQ(S_OK, LoadTextureFromProgramResource(&texture, FIXTURE_PROGRAM_PICTURE, false));
  EXPECT_EQ(1u, texture->GetLevelCount());
  texture->Release();
}

TEST_F(ResourceCacheTest, CubeFromXBytesHasItsVerticesFacesAndBoundingSphere) {
  DS_MeshEntry mesh = LoadMeshFromMemory(kCubeX, sizeof(kCubeX) - 1, kMeshVertexStride);
  EXPECT_EQ(8, mesh.vertexCount);
  EXPECT_EQ(12, mesh.faceCount);
  EXPECT_NEAR(std::sqrt(3.0f), mesh.radius, 1e-4f);
  EXPECT_NEAR(0.0f, mesh.centre.x, 1e-5f);
  EXPECT_NEAR(0.0f, mesh.centre.y, 1e-5f);
  EXPECT_NEAR(0.0f, mesh.centre.z, 1e-5f);
  ASSERT_TRUE(mesh.vertexBuffer);
  ASSERT_TRUE(mesh.indexBuffer);
  D3DVERTEXBUFFER_DESC vb = {};
  mesh.vertexBuffer->GetDesc(&vb);
  EXPECT_EQ(8u * 32u, vb.Size);
  EXPECT_EQ(D3DPOOL_MANAGED, vb.Pool);
  D3DINDEXBUFFER_DESC ib = {};
  mesh.indexBuffer->GetDesc(&ib);
  EXPECT_EQ(12u * 6u, ib.Size);
  EXPECT_EQ(D3DFMT_INDEX16, ib.Format);
  // Every index names one of the 8 vertices.
  void* data = nullptr;
  ASSERT_EQ(D3D_OK, mesh.indexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY));
  const WORD* indices = static_cast<const WORD*>(data);
  for (int i = 0; i < 36; ++i) EXPECT_LT(indices[i], 8) << "index " << i;
  mesh.indexBuffer->Unlock();
}

TEST_F(ResourceCacheTest, UnusableMeshesAreEmpty) {
  DS_MeshEntry wrongStride = LoadMeshFromMemory(kCubeX, sizeof(kCubeX) - 1, 36);
  EXPECT_EQ(0, wrongStride.vertexCount) << "a stride other than the clone's vertex size";
  EXPECT_FALSE(wrongStride.vertexBuffer);
  const char garbage[] = "xof 0303txt 0032\nMesh { 8; broken";
  DS_MeshEntry broken = LoadMeshFromMemory(garbage, sizeof(garbage) - 1, kMeshVertexStride);
  EXPECT_EQ(0, broken.vertexCount);
  DS_MeshEntry none = LoadMeshFromMemory(nullptr, 0, kMeshVertexStride);
  EXPECT_EQ(0, none.vertexCount);
  DS_MeshEntry noFile = LoadMeshFromFile(L"C:\\no\\such\\mesh.x", kMeshVertexStride);
  EXPECT_EQ(0, noFile.vertexCount);
}

TEST_F(ResourceCacheTest, ModuleMeshesAreKeptPerModuleAndId) {
  DS_ResourceCache cache;
  DS_MeshEntry first = cache.GetMesh(ModuleEntry(FIXTURE_CUBE_MESH, kModule), kMeshVertexStride);
  DS_MeshEntry other = cache.GetMesh(ModuleEntry(FIXTURE_CUBE_MESH, kModule2), kMeshVertexStride);
  DS_MeshEntry again = cache.GetMesh(ModuleEntry(FIXTURE_CUBE_MESH, kModule), kMeshVertexStride);
  EXPECT_NEAR(std::sqrt(3.0f), first.radius, 1e-4f);
  EXPECT_NEAR(2.0f * std::sqrt(3.0f), other.radius, 1e-4f) << "the second module's own cube";
  ASSERT_TRUE(first.vertexBuffer);
  EXPECT_EQ(first.vertexBuffer.Get(), again.vertexBuffer.Get()) << "kept, not loaded again";
  EXPECT_EQ(3u, RefCount(first.vertexBuffer.Get())) << "the cache and two callers";
}

TEST_F(ResourceCacheTest, EmbeddedMeshesAreReadFromTheEntry) {
  DS_ResourceCache cache;
  DS_ResourceEntry embedded;
  embedded.SetName(L"C:\\meshes\\cube.x");
  embedded.SetData(sizeof(kCubeX) - 1, kCubeX);
  DS_MeshEntry a = cache.GetMesh(embedded, kMeshVertexStride);
  EXPECT_EQ(8, a.vertexCount);
  DS_MeshEntry b = cache.GetMesh(embedded, kMeshVertexStride);
  EXPECT_NE(a.vertexBuffer.Get(), b.vertexBuffer.Get()) << "file meshes are not kept";
  EXPECT_EQ(1u, RefCount(a.vertexBuffer.Get()));

  // A module that cannot be loaded: the entry's copy stands in.
  DS_MeshEntry copy = cache.GetMesh(ModuleEntry(FIXTURE_CUBE_MESH, kMissingModule,
                                                std::vector<unsigned char>(kCubeX, kCubeX + sizeof(kCubeX) - 1)),
                                    kMeshVertexStride);
  EXPECT_EQ(8, copy.vertexCount);
  DS_MeshEntry nothing = cache.GetMesh(ModuleEntry(FIXTURE_CUBE_MESH, kMissingModule), kMeshVertexStride);
  EXPECT_EQ(0, nothing.vertexCount);
}

// An entry that carries its .x bytes and names no module is the document's own mesh,
// whatever the program holds under its id (the program's cube has half-size 3).
TEST_F(ResourceCacheTest, EmbeddedMeshesWithoutAModuleAreReadFromTheirBytes) {
  const std::vector<unsigned char> cube(kCubeX, kCubeX + sizeof(kCubeX) - 1);
  struct Case {
    const char* what;
    int32_t id;
  } cases[] = {{"id 0", 0}, {"the id of the program's own cube", FIXTURE_CUBE_MESH}};
  DS_ResourceCache cache;
  for (const Case& c : cases) {
    DS_MeshEntry mesh = cache.GetMesh(ModuleEntry(c.id, L"", cube), kMeshVertexStride);
    EXPECT_EQ(8, mesh.vertexCount) << c.what;
    EXPECT_NEAR(std::sqrt(3.0f), mesh.radius, 1e-4f) << c.what;
  }
  // Without bytes the entry names the program's own resource, which is kept ...
  DS_MeshEntry program = cache.GetMesh(ModuleEntry(FIXTURE_CUBE_MESH, L""), kMeshVertexStride);
  EXPECT_NEAR(3.0f * std::sqrt(3.0f), program.radius, 1e-4f);
  // ... and does not stand in for an embedded copy afterwards.
  DS_MeshEntry embedded = cache.GetMesh(ModuleEntry(FIXTURE_CUBE_MESH, L"", cube), kMeshVertexStride);
  EXPECT_NEAR(std::sqrt(3.0f), embedded.radius, 1e-4f);
  EXPECT_NE(program.vertexBuffer.Get(), embedded.vertexBuffer.Get());
}

TEST_F(ResourceCacheTest, CacheTexturesBelongToTheCurrentDevice) {
  DS_ResourceCache cache;
  DS_TextureRef ref = cache.GetTexture(ModuleEntry(FIXTURE_SHARED_PICTURE, kModule));
  EXPECT_EQ(device, DeviceOf(ref.GetTexture()));
}

// Entries filled from modules; no device needed.
TEST(ModuleResources, LoadFromModuleCopiesTheResourceOfANamedModuleOnly) {
  DS_ResourceEntry mesh(FIXTURE_CUBE_MESH, kModule);
  ASSERT_TRUE(mesh.LoadFromModule());
  ASSERT_GT(mesh.Size(), 0u);
  EXPECT_EQ(0, memcmp("xof 0303txt", mesh.Data(), 11));

  DS_ResourceEntry program(FIXTURE_SHARED_PICTURE, L"");
  ASSERT_TRUE(program.LoadFromModule());
  EXPECT_EQ(70u, program.Size()) << "the program's own 2 x 2 picture";

  struct Case { int32_t id; const wchar_t* module; } misses[] = {
      {FIXTURE_SHARED_PICTURE, kMissingModule},
      {FIXTURE_SHARED_PICTURE, L"C:\\windows\\ds_fixture_res.dll"},
      {FIXTURE_SHARED_PICTURE, L"ds_fixture_res"},
      {0, kModule},
      {4321, kModule}};
  for (const Case& c : misses) {
    DS_ResourceEntry entry(c.id, c.module);
    entry.SetData(3, "old");
    EXPECT_FALSE(entry.LoadFromModule()) << "id " << c.id;
    EXPECT_EQ(3u, entry.Size()) << "a failed load leaves the entry as it was";
  }
}

TEST(ModuleResources, OnlyBareDllNamesNameModules) {
  struct Case { const wchar_t* name; bool module; } cases[] = {
      {L"common_res.dll", true}, {L"ADDON_001.DLL", true}, {L"a.Dll", true},
      {L"", false}, {L".dll", false}, {L"common_res.dll.txt", false}, {L"common_res", false},
      {L"C:\\common_res.dll", false}, {L"sub/common_res.dll", false}, {L"c:common_res.dll", false},
      {L"\\\\server\\share\\x.dll", false}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.module, IsModuleFileName(c.name)) << std::string(c.name, c.name + wcslen(c.name));
  }
}
