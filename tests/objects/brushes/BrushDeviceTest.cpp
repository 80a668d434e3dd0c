// Brushes on the test device: the region grid and its vertices, and brush objects on a
// slide: what they hand their effect, and that a brush without an effect leaves the
// picture as it was.

#include <gtest/gtest.h>

#include <cmath>
#include <cwctype>
#include <memory>
#include <ostream>
#include <vector>

#include "FixtureIds.h"
#include "BrushTestSupport.h"
#include "objects/brushes/BackgroundCopy.h"
#include "objects/brushes/PatternBrush.h"
#include "render/SceneMapping.h"
#include "render/SlideContainer.h"
#include "render/ViewContext.h"
#include "support/DocResRecord.h"
#include "support/PictureSlideTest.h"
#include "support/RenderDeviceTest.h"
#include "support/SceneSize.h"
#include "support/TestPictures.h"

using namespace brushes_test;

namespace {

const int kEffectId = 77;
const GUID kMaskGuid = {0x0BADF00D, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

void ExpectFloatsNear(const std::vector<float>& expected, const std::vector<float>& got) {
  ASSERT_EQ(expected.size(), got.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(expected[i], got[i], 1e-4f) << "value " << i;
}

// ---- region grid ----

struct GridCase {
  int columns, rows;
  int vertices, indices, triangles;
};

void PrintTo(const GridCase& c, std::ostream* os) { *os << c.columns << " x " << c.rows; }

class RegionGridTest : public ds_test::RenderDeviceTest, public ::testing::WithParamInterface<GridCase> {};

TEST_P(RegionGridTest, GridHasItsVerticesIndicesAndTriangles) {
  const GridCase& c = GetParam();
  DS_GridMesh mesh;
  ASSERT_EQ(S_OK, DS_GridMesh::Create(mesh, c.columns, c.rows));
  EXPECT_EQ(c.columns, mesh.columns);
  EXPECT_EQ(c.rows, mesh.rows);
  EXPECT_EQ(c.vertices, mesh.vertices.vertexCount);
  EXPECT_EQ(D3DPT_TRIANGLELIST, mesh.primitiveType);
  EXPECT_EQ(0, mesh.primitiveCount);
  EXPECT_EQ(c.triangles, mesh.indices.primitiveCount);
  ASSERT_TRUE(mesh.indices.buffer);
  D3DINDEXBUFFER_DESC desc;
  ASSERT_EQ(D3D_OK, mesh.indices.buffer->GetDesc(&desc));
  EXPECT_EQ(D3DFMT_INDEX16, desc.Format);
  EXPECT_EQ(UINT(c.indices) * 2u, desc.Size);
  D3DVERTEXBUFFER_DESC vertexDesc;
  ASSERT_EQ(D3D_OK, mesh.vertices.buffer->GetDesc(&vertexDesc));
  EXPECT_EQ(D3DPOOL_MANAGED, vertexDesc.Pool);
  EXPECT_EQ(UINT(c.vertices) * sizeof(DX_V::PT), vertexDesc.Size);

  // The first cell: (c, c + 1, d) and (d, c + 1, d + 1) with d = c + columns + 1.
  ASSERT_TRUE(mesh.indices.Lock(D3DLOCK_READONLY));
  const WORD d = WORD(c.columns + 1);
  const std::vector<WORD> first(mesh.indices.locked, mesh.indices.locked + 6);
  mesh.indices.Unlock();
  EXPECT_EQ((std::vector<WORD>{0, 1, d, d, 1, WORD(d + 1)}), first);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RegionGridTest,
                         ::testing::Values(GridCase{2, 2, 9, 24, 8}, GridCase{8, 8, 81, 384, 128},
                                           GridCase{3, 1, 8, 18, 6}));

class BrushMeshTest : public ds_test::RenderDeviceTest {
protected:
  std::vector<DX_V::PT> BuildAndRead(TestBrush& brush) {
    EXPECT_EQ(S_OK, DS_GridMesh::Create(brush.RegionMesh(), 2, 2));
    brush.BuildMesh();
    std::vector<DX_V::PT> out;
    DS_VertexBuffer<DX_V::PT>& vertices = brush.RegionMesh().vertices;
    if (vertices.Lock(D3DLOCK_READONLY)) {
      out.assign(vertices.locked, vertices.locked + vertices.vertexCount);
      vertices.Unlock();
    }
    return out;
  }

  ds_test::SceneSize sceneSize;
};

TEST_F(BrushMeshTest, RegionMeshSpansTheRegionWithPictureTextureCoordinates) {
  g_SceneWidth = 1000;
  g_SceneHeight = 500;
  TestBrush brush;
  const D3DXVECTOR3 corners[4] = {{100, 450, 0}, {100, 50, 0}, {900, 450, 0}, {900, 50, 0}};
  for (int k = 0; k < 4; ++k) brush.region.Corner(k).StoreValue(corners[k]);
  const std::vector<DX_V::PT> v = BuildAndRead(brush);
  ASSERT_EQ(9u, v.size());
  struct Expected {
    int index;
    float x, y, u, v;
  };
  // Vertex i + 3 j runs from corner 0 towards corner 1 with i, towards corner 2 with j.
  const Expected expected[] = {{0, 100, 450, 0.1f, 0.9f}, {2, 100, 50, 0.1f, 0.1f}, {6, 900, 450, 0.9f, 0.9f},
                               {8, 900, 50, 0.9f, 0.1f},  {4, 500, 250, 0.5f, 0.5f}};
  for (const Expected& e : expected) {
    EXPECT_NEAR(e.x, v[e.index].x, 1e-3f) << "vertex " << e.index;
    EXPECT_NEAR(e.y, v[e.index].y, 1e-3f) << "vertex " << e.index;
    EXPECT_NEAR(e.u, v[e.index].u, 1e-5f) << "vertex " << e.index;
    EXPECT_NEAR(e.v, v[e.index].v, 1e-5f) << "vertex " << e.index;
  }
}

TEST_F(BrushMeshTest, RegionMeshBeforeAnyLayerWasSizedHasFiniteCoordinates) {
  g_SceneWidth = 0;
  g_SceneHeight = 0;
  TestBrush brush;
  brush.region.Corner(3).StoreValue(D3DXVECTOR3(50, 60, 0));
  const std::vector<DX_V::PT> v = BuildAndRead(brush);
  ASSERT_EQ(9u, v.size());
  for (const DX_V::PT& p : v) {
    EXPECT_TRUE(std::isfinite(p.u) && std::isfinite(p.v));
  }
}

TEST_F(BrushMeshTest, CopyOfABrushSharesTheRegionMeshBuffers) {
  TestBrush brush;
  ASSERT_EQ(S_OK, DS_GridMesh::Create(brush.RegionMesh(), 2, 2));
  TestBrush copy(brush);
  EXPECT_EQ(brush.RegionMesh().vertices.buffer.Get(), copy.RegionMesh().vertices.buffer.Get());
  EXPECT_EQ(brush.RegionMesh().indices.buffer.Get(), copy.RegionMesh().indices.buffer.Get());
  EXPECT_EQ(9, copy.RegionMesh().vertices.vertexCount);
  EXPECT_EQ(8, copy.RegionMesh().indices.primitiveCount);
  EXPECT_EQ(D3DPT_TRIANGLELIST, copy.RegionMesh().primitiveType);
  EXPECT_EQ(2, copy.RegionMesh().columns);
  EXPECT_EQ(2, copy.RegionMesh().rows);
  // The copy's buffer outlives the original brush.
  IDirect3DVertexBuffer9* shared = copy.RegionMesh().vertices.buffer.Get();
  shared->AddRef();
  brush.RegionMesh().vertices.buffer.Release();
  EXPECT_EQ(1u, shared->Release()) << "the copy still holds its reference";
}

// ---- brushes on a slide ----

// A slide of the solid picture on the test device, whose document also holds effect 77
// and a mask picture.
class BrushSlideTest : public ds_test::PictureSlideTest {
protected:
  void AddResources(ds_test::DocResRecord& record) override {
    record.otherFiles[EffectKey(kEffectId)] = {
        ds_test::MakeModuleEntry(kEffectId, DS_FX_Constructor::kEffectModule, EffectBytes(kEffectId))};
    record.guids = {ds_test::MakeGuidPicture(kMaskGuid, ds_test::SolidBmp(8, 8, 0xFFFFFFFF))};
  }

  DS_BrushObj* BrushObject() const {
    return slide->GetVisualObjects().empty() ? nullptr
                                             : dynamic_cast<DS_BrushObj*>(slide->GetVisualObjects()[0].Get());
  }
  IDirect3DTexture9* PictureTexture() const { return slide->GetLight()->GetPictureRef().GetTexture(); }

  FakeEffectFactory factory;
};

TEST_F(BrushSlideTest, BrushWithoutEffectLeavesThePictureAsItWas) {
  for (int fx : {0, 1}) {
    TestBrush* brush = new TestBrush();
    brush->fxMode.SetValue(fx);
    brush->effectLink.StoreKey(EffectKey(5));  // nothing embedded, no module
    Build(brush);
    ASSERT_NE(nullptr, BrushObject());
    EXPECT_EQ(nullptr, BrushObject()->GetBrush()->GetEffect());
    const ds_test::Image image = Frame(0.1f);
    EXPECT_TRUE(ShowsThePicture(image, ds_test::kTestDeviceWidth / 2, ds_test::kTestDeviceHeight / 2,
                                fx ? "BrushWithoutEffectFX" : "BrushWithoutEffect"))
        << "fx mode " << fx;
  }
}

TEST_F(BrushSlideTest, BrushGetsItsMaskAndThePictureOrTheCapturedScene) {
  for (int fx : {0, 1}) {
    TestBrush* brush = new TestBrush();
    brush->fxMode.SetValue(fx);
    brush->SetMaskKey(kMaskGuid, L"mask", 1);
    brush->effectLink.StoreKey(EffectKey(kEffectId));
    Build(brush);
    FakeEffect* effect = factory.LastEffect();
    ASSERT_NE(nullptr, effect);
    EXPECT_EQ(EffectBytes(kEffectId), factory.Requests().back().bytes);
    effect->ClearRecord();
    Frame(0.1f);

    EXPECT_EQ(1u, effect->CountEvents("Begin 0")) << "fx " << fx;
    EXPECT_EQ(1u, effect->CountEvents("BeginPass 0"));
    EXPECT_EQ(1u, effect->CountEvents("End"));
    EXPECT_FALSE(effect->InBegin());
    const std::vector<std::string>& events = effect->Events();
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ("Set Background", events[events.size() - 5]) << "every parameter is set before the draw";

    IDirect3DTexture9* mask = manager->GetGuidTexture(kMaskGuid).Get();
    ASSERT_NE(nullptr, mask) << "the document's mask picture was made";
    EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(mask), effect->Last("Mask")->texture);
    IDirect3DBaseTexture9* background = effect->Last("Background")->texture;
    ASSERT_NE(nullptr, background);
    if (fx) {
      EXPECT_NE(static_cast<IDirect3DBaseTexture9*>(PictureTexture()), background)
          << "an FX brush reads the scene drawn before it";
    } else {
      EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(PictureTexture()), background);
    }
    ExpectFloatsNear({2.0f, 1.0f}, effect->LastValues("Scale"));
  }
}

TEST_F(BrushSlideTest, WritingABrushPutsA512SquareCopyOfItsMaskUnderItsGuid) {
  TestBrush* brush = new TestBrush();
  brush->SetMaskKey(kMaskGuid, L"mask", 1);
  Build(brush);
  IDirect3DTexture9* original = manager->GetGuidTexture(kMaskGuid).Get();
  ASSERT_NE(nullptr, original);
  ASSERT_EQ(original, BrushObject()->GetBrush()->GetMaskTexture()->Get());
  WriteItem(*BrushObject()->GetBrush());
  IDirect3DTexture9* written = manager->GetGuidTexture(kMaskGuid).Get();
  ASSERT_NE(nullptr, written);
  EXPECT_NE(original, written);
  D3DSURFACE_DESC desc;
  ASSERT_EQ(D3D_OK, written->GetLevelDesc(0, &desc));
  EXPECT_EQ(512u, desc.Width);
  EXPECT_EQ(512u, desc.Height);
  EXPECT_EQ(original, BrushObject()->GetBrush()->GetMaskTexture()->Get()) << "the brush keeps its own mask";
}

TEST_F(BrushSlideTest, PatternNamingAModuleInCapitalsTakesTheModulesFrameSet) {
  // The fixture module holds an add-on frame set (two 2 x 2 frames, 0.25 s and 0.5 s)
  // under an id that names no single picture.
  std::unique_ptr<DS_ABObj_Constructor> item;
  {
    DS_PatternBrush written;
    const ds_string module = FIXTURE_MODULE_NAME;
    ds_string upper(module);
    for (wchar_t& ch : upper) ch = wchar_t(towupper(ch));
    written.patternImage.StoreKey(DS_ImageFileLink(FIXTURE_ADDON_SET, upper).GetKey());
    written.effectLink.StoreKey(EffectKey(kEffectId));
    item = ReadItem(WriteItem(written));
  }
  ASSERT_NE(nullptr, item);
  Build(item.release());
  DS_PatternBrush* pattern = dynamic_cast<DS_PatternBrush*>(BrushObject()->GetBrush());
  ASSERT_NE(nullptr, pattern);
  EXPECT_EQ(2u, pattern->GetFrameCount());
  EXPECT_EQ(2, pattern->GetPatternWidth());
  EXPECT_EQ(2, pattern->GetPatternHeight());

  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  Frame(0.1f);
  IDirect3DBaseTexture9* first = effect->Last("Pattern")->texture;
  EXPECT_NE(nullptr, first);
  // Brush time 0.3 passes the first frame's 0.25 s.
  Frame(0.3f);
  EXPECT_EQ(1u, pattern->GetFrameIndex());
  EXPECT_NE(first, effect->Last("Pattern")->texture);
  ExpectFloatsNear({1.0f, 1.0f}, effect->LastValues("scale"));
  // The 64 x 32 picture holds 32 x 16 tiles of 2 x 2 pixels.
  ExpectFloatsNear({32.0f, 0.0f, 0.0f, 16.0f}, effect->LastValues("coord_transf"));
}

}  // namespace
