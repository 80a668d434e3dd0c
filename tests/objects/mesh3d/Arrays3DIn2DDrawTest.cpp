// The 3D-in-2D array drawn through the layer on the test device: a cube and its
// picture embedded in the item's record, read back as a document holds them, scene
// pixels as the device's.

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <d3dx9math.h>

#include <gtest/gtest.h>

#include "tests/objects/sprites/AnimatorTestSupport.h"
#include "document/ResourceCache.h"
#include "Mesh3DDrawSupport.h"
#include "objects/mesh3d/Arrays3DIn2D.h"
#include "tests/objects/sprites/Sprites2TestSupport.h"
#include "support/TestMeshes.h"
#include "support/TestPictures.h"

namespace {

using sprites2_test::SceneSize;

const uint32_t kLeaf = 0xFF0000;
const int kW = ds_test::kTestDeviceWidth;
const int kH = ds_test::kTestDeviceHeight;
// The copies' size: the cube (half-size 1) is scaled to a bounding sphere 40 pixels
// across, so it covers at least the disc of its inscribed sphere (radius 20 / sqrt 3)
// and nothing beyond 20 pixels from its centre.
const unsigned int kSize = 40;
const float kInside = 8.0f;
const float kOutside = 23.0f;

std::vector<unsigned char> CubeBytes() {
  return std::vector<unsigned char>(ds_test::kCubeX, ds_test::kCubeX + sizeof(ds_test::kCubeX) - 1);
}

void Embed(DS_ResourceEntry& entry, const std::vector<unsigned char>& bytes) {
  entry.SetData(uint32_t(bytes.size()), bytes.data());
}

class Arrays3DIn2DDrawTest : public mesh3d_test::Mesh3DDrawTest {
protected:
  Arrays3DIn2DDrawTest() : scene(kW, kH) {}

  void TearDown() override {
    array.reset();
    Mesh3DDrawTest::TearDown();
  }

  // The item with its mesh and picture embedded in its record (entries that name no
  // module), written and read back through the registry as a document holds it.
  static std::unique_ptr<DS_ABObj_Constructor> ReadItem(DS_3D_in_2D_array_Constructor& item) {
    sprites2_test::Reading reading(sprites2_test::WrittenBytes(item));
    std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(reading.handle));
    EXPECT_TRUE(read) << "the record reads back";
    return read;
  }
  void Build(unsigned int count, const std::vector<unsigned char>& mesh, bool picture, unsigned int speed) {
    DS_3D_in_2D_array_Constructor item;
    Embed(item.meshEntry, mesh);
    if (picture) Embed(item.textureEntry, ds_test::SolidBmp(8, 8, 0xFF000000u | kLeaf));
    item.instanceCount.SetValue(count);
    item.params.size.SetValue(kSize);
    item.params.speed.SetValue(speed);
    std::unique_ptr<DS_ABObj_Constructor> read = ReadItem(item);
    std::srand(3);  // the copies' random start, the same in every run
    if (read) array.reset(static_cast<DS_3D_in_2D_array*>(read->CreateObject()));
  }

  DS_LeafFallAnim& Leaf(size_t i) {
    return *static_cast<DS_LeafFallAnim*>(array->GetMesh().children.at(i)->GetController());
  }
  // Where copy i's bounding-sphere centre lands on the screen.
  D3DXVECTOR3 Centre(size_t i) {
    return animators_test::Transform(array->GetMesh().bounds.centre, array->GetMesh().children.at(i)->world);
  }

  // The copy centred at c is drawn around it and nowhere beyond its sphere.
  static ::testing::AssertionResult CopyAt(const ds_test::Image& image, const D3DXVECTOR3& c) {
    const float offsets[5][2] = {{0, 0}, {1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& o : offsets) {
      const int x = int(std::lround(c.x + o[0] * kInside)), y = int(std::lround(c.y + o[1] * kInside));
      if (image.RgbAt(x, y) != kLeaf) {
        return ::testing::AssertionFailure() << "(" << x << ", " << y << ") inside the copy at (" << c.x << ", "
                                             << c.y << ") is " << ds_test::ColorText(image.RgbAt(x, y));
      }
      const int ox = int(std::lround(c.x + o[0] * kOutside)), oy = int(std::lround(c.y + o[1] * kOutside));
      if ((o[0] != 0 || o[1] != 0) && ox >= 0 && ox < kW && oy >= 0 && oy < kH && image.RgbAt(ox, oy) != 0) {
        return ::testing::AssertionFailure() << "(" << ox << ", " << oy << ") beyond the copy at (" << c.x << ", "
                                             << c.y << ") is " << ds_test::ColorText(image.RgbAt(ox, oy));
      }
    }
    return ::testing::AssertionSuccess();
  }

  static int LeafPixelsRightOf(const ds_test::Image& image, int left) {
    int n = 0;
    for (int y = 0; y < kH; ++y) {
      for (int x = left; x < kW; ++x) n += image.RgbAt(x, y) == kLeaf;
    }
    return n;
  }

  SceneSize scene;
  std::unique_ptr<DS_3D_in_2D_array> array;
};

TEST_F(Arrays3DIn2DDrawTest, DrawsEveryCopyWhereItsFrameIsPlaced) {
  Build(3, CubeBytes(), true, 0);  // speed 0: the copies stay where they are put
  ASSERT_TRUE(array);
  ASSERT_TRUE(array->CanDraw()) << "the embedded mesh and picture were taken";
  EXPECT_EQ(12, array->GetMesh().indices.primitiveCount);
  EXPECT_NEAR(std::sqrt(3.0f), array->GetMesh().bounds.radius, 1e-4f) << "the entry's own cube";
  const float places[3][2] = {{60, 60}, {160, 120}, {250, 180}};
  for (size_t i = 0; i < 3; ++i) {
    Leaf(i).position._41 = places[i][0];
    Leaf(i).position._42 = places[i][1];
  }
  ds_test::Image image;
  ASSERT_TRUE(Draw(*array, 0.5f, image));
  const std::string saved = " (image " + ds_test::SaveFailureImage(image, "mesh3d_leaves") + ")";
  for (size_t i = 0; i < 3; ++i) {
    const D3DXVECTOR3 c = Centre(i);
    EXPECT_NEAR(places[i][0], c.x, 7.0f) << "the pendulum swings the copy a little";
    EXPECT_TRUE(CopyAt(image, c)) << "copy " << i << saved;
  }
  const int leaf = CountColour(image, kLeaf);
  EXPECT_GT(leaf, 3 * 300) << saved;
  EXPECT_EQ(kW * kH, leaf + CountColour(image, 0)) << "nothing but the copies" << saved;
}

TEST_F(Arrays3DIn2DDrawTest, ACopyDriftingPastTheRightEdgeWrapsToTheLeft) {
  Build(1, CubeBytes(), true, 50);
  ASSERT_TRUE(array);
  DS_LeafFallAnim& leaf = Leaf(0);
  leaf.position._41 = 240;
  leaf.position._42 = 120;
  const float margin = kSize / 2.0f;
  ds_test::Image image;
  bool seenRight = false;
  bool wrapped = false;
  float t = 0.0f;
  for (int frame = 0; frame < 12 && !wrapped; ++frame) {
    const float before = leaf.X();
    t += 0.2f;
    ASSERT_TRUE(Draw(*array, t, image));
    const std::string at = "frame " + std::to_string(frame) + " (image " +
                           ds_test::SaveFailureImage(image, "mesh3d_leaf_wrap") + ")";
    if (leaf.X() < before) {
      wrapped = true;
      EXPECT_GT(before, kW + margin) << "wraps only once past the margin " << at;
      EXPECT_EQ(-margin, leaf.X()) << "re-enters half its size left of the scene " << at;
      EXPECT_GE(leaf.Y(), 0.0f);
      EXPECT_LE(leaf.Y(), float(kH));
      EXPECT_EQ(0, LeafPixelsRightOf(image, kW / 2)) << at;
      break;
    }
    const D3DXVECTOR3 c = Centre(0);
    if (c.x > kW / 2 && c.x < kW - kInside - 1) {
      seenRight = true;
      EXPECT_TRUE(CopyAt(image, c)) << at;
    }
  }
  ASSERT_TRUE(wrapped);
  EXPECT_TRUE(seenRight) << "the copy was drawn on its way out";
  // Drifting on, it comes into view at the left edge.
  ASSERT_TRUE(Draw(*array, t + 0.2f, image));
  const D3DXVECTOR3 c = Centre(0);
  const std::string saved = " (image " + ds_test::SaveFailureImage(image, "mesh3d_leaf_back") + ")";
  EXPECT_GT(c.x, kInside) << saved;
  EXPECT_LT(c.x, 60.0f) << saved;
  if (c.y > kInside && c.y < kH - kInside - 1) {
    EXPECT_TRUE(CopyAt(image, c)) << saved;
  }
  EXPECT_EQ(0, LeafPixelsRightOf(image, kW / 2)) << saved;
}

struct NothingCase {
  const char* what;
  unsigned int count;
  bool mesh;  // the cube, else bytes that are no mesh
  bool picture;
};

TEST_F(Arrays3DIn2DDrawTest, NothingIsDrawnWithoutCopiesMeshOrPicture) {
  const std::string garbage = "xof 0303txt 0032\nMesh { 8; broken";
  const NothingCase cases[] = {{"no copies", 0, true, true},
                               {"no mesh", 3, false, true},
                               {"no picture", 3, true, false}};
  for (const NothingCase& c : cases) {
    // A document of its own: the cache keeps a nameless picture entry under its id.
    array.reset();
    SetCurrentDocResManager(nullptr);
    manager.reset(new DS_DocResManager());
    SetCurrentDocResManager(manager.get());
    Build(c.count, c.mesh ? CubeBytes() : std::vector<unsigned char>(garbage.begin(), garbage.end()), c.picture,
          50);
    ASSERT_TRUE(array) << c.what;
    EXPECT_FALSE(array->CanDraw()) << c.what;
    ds_test::Image image;
    ASSERT_TRUE(Draw(*array, 0.5f, image)) << c.what;
    EXPECT_EQ(kW * kH, CountColour(image, 0)) << c.what << " (image "
                                              << ds_test::SaveFailureImage(image, "mesh3d_leaves_none") << ")";
    EXPECT_EQ(c.count, array->GetMesh().children.size()) << c.what;
    for (DS_Frame* copy : array->GetMesh().children) {
      EXPECT_TRUE(animators_test::MatrixIsFinite(copy->world)) << c.what;
    }
  }
}

// Vertex and index buffers made on the device, to describe meshes the cache never
// hands out.
DS_ComHolder<IDirect3DVertexBuffer9> VertexBuffer(IDirect3DDevice9* device, UINT bytes) {
  DS_ComHolder<IDirect3DVertexBuffer9> buffer;
  device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, buffer.Receive(), nullptr);
  return buffer;
}
DS_ComHolder<IDirect3DIndexBuffer9> IndexBuffer(IDirect3DDevice9* device, UINT bytes, D3DFORMAT format) {
  DS_ComHolder<IDirect3DIndexBuffer9> buffer;
  device->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, format, D3DPOOL_MANAGED, buffer.Receive(), nullptr);
  return buffer;
}

TEST_F(Arrays3DIn2DDrawTest, MeshesSixteenBitIndicesCannotDrawAreRefused) {
  const DS_MeshEntry cube = LoadMeshFromMemory(ds_test::kCubeX, sizeof(ds_test::kCubeX) - 1, kMeshVertexStride);
  ASSERT_EQ(8, cube.vertexCount);
  struct Case {
    const char* what;
    DS_MeshEntry mesh;
    bool drawable;
  };
  std::vector<Case> cases;
  cases.push_back({"the cube", cube, true});
  DS_MeshEntry mesh = cube;
  mesh.vertexCount = 0;
  cases.push_back({"no vertices", mesh, false});
  mesh = cube;
  mesh.faceCount = 0;
  cases.push_back({"no faces", mesh, false});
  mesh = cube;
  mesh.vertexCount = 70000;
  mesh.vertexBuffer = VertexBuffer(device, 70000 * 32);
  ASSERT_TRUE(mesh.vertexBuffer);
  cases.push_back({"more than 65,535 vertices", mesh, false});
  mesh = cube;
  mesh.vertexCount = 0xFFFF;
  mesh.vertexBuffer = VertexBuffer(device, 0xFFFF * 32);
  cases.push_back({"65,535 vertices", mesh, true});
  mesh = cube;
  mesh.indexBuffer = IndexBuffer(device, 12 * 3 * 4, D3DFMT_INDEX32);
  ASSERT_TRUE(mesh.indexBuffer);
  cases.push_back({"32-bit indices", mesh, false});
  mesh = cube;
  mesh.faceCount = 13;
  cases.push_back({"more faces than indices", mesh, false});
  mesh = cube;
  mesh.vertexCount = 9;
  cases.push_back({"more vertices than the buffer holds", mesh, false});
  mesh = cube;
  mesh.indexBuffer.Release();
  cases.push_back({"no index buffer", mesh, false});

  Build(1, {}, true, 50);
  ASSERT_TRUE(array);
  for (const Case& c : cases) {
    EXPECT_EQ(c.drawable, IsDrawableMesh(c.mesh)) << c.what;
    if (c.drawable) continue;
    EXPECT_FALSE(array->TakeMesh(c.mesh)) << c.what;
    EXPECT_FALSE(array->GetMesh().vertices.buffer) << c.what << ": nothing taken";
    EXPECT_FALSE(array->CanDraw()) << c.what;
  }
  EXPECT_TRUE(array->TakeMesh(cube));
  EXPECT_TRUE(array->CanDraw());
}

}  // namespace
