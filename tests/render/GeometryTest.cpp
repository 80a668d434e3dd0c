#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

#include "device/DeviceUtil.h"
#include "render/Mesh.h"
#include "render/QuadBatch.h"
#include "render/ScreenQuad.h"
#include "render/TexturedQuad.h"

namespace {

TEST(GridIndices, ThreeByTwoGridGivesFourTriangles) {
  std::vector<WORD> indices(12);
  WriteGridIndices(indices.data(), 3, 2);
  const std::vector<WORD> expected = {0, 1, 3, 3, 1, 4, 1, 2, 4, 4, 2, 5};
  EXPECT_EQ(indices, expected);
}

TEST(GridIndices, GridsThatCannotBeIndexedGetNoBuffer) {
  DS_IndexBuffer holder;
  holder.primitiveCount = 7;
  EXPECT_TRUE(FAILED(CreateGridIndexBuffer(holder, 1, 5)));
  EXPECT_EQ(holder.primitiveCount, 0);
  EXPECT_TRUE(FAILED(CreateGridIndexBuffer(holder, 300, 300)));  // 90000 vertices
  EXPECT_TRUE(FAILED(CreateGridIndexBuffer(holder, -3, 4)));
  EXPECT_FALSE(holder.buffer);
}

DS_ScreenQuad Quad(float left, float top, float right, float bottom) {
  DS_ScreenQuad quad;
  quad.SetCorners(left, top, right, bottom);
  return quad;
}

TEST(GridVertices, OneCellGridIsTheFourCornersInStripOrder) {
  const DS_ScreenQuad quad = Quad(10, 20, 110, 220);
  DX_V::PT out[4];
  FillGridVertices(out, 1, 1, quad);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(out[i].x, quad.v[i].x) << "vertex " << i;
    EXPECT_EQ(out[i].y, quad.v[i].y) << "vertex " << i;
    EXPECT_EQ(out[i].u, quad.v[i].u) << "vertex " << i;
    EXPECT_EQ(out[i].v, quad.v[i].v) << "vertex " << i;
  }
}

TEST(GridVertices, InnerVerticesInterpolateEveryComponent) {
  const DS_ScreenQuad quad = Quad(0, 0, 100, 200);
  DX_V::PT out[3 * 3];
  FillGridVertices(out, 2, 2, quad);
  const DX_V::PT& centre = out[1 + 3 * 1];
  EXPECT_FLOAT_EQ(centre.x, 50);
  EXPECT_FLOAT_EQ(centre.y, 100);
  EXPECT_FLOAT_EQ(centre.u, 0.5f);
  EXPECT_FLOAT_EQ(centre.v, 0.5f);
}

TEST(OverlayAlpha, HalfOpacityTruncatesTo127) {
  EXPECT_EQ(AlphaByte(0.5f), 127);
  EXPECT_EQ(AlphaByte(1.0f), 255);
  EXPECT_EQ(AlphaByte(0.0f), 0);
  EXPECT_EQ(AlphaByte(2.0f), 255);  // kept in the byte
  EXPECT_EQ(AlphaByte(-1.0f), 0);
}

// Counts its own destruction, to show who deletes an animator.
class CountingAnimator : public DS_AnimationBase {
public:
  explicit CountingAnimator(int* deletions) : m_deletions(deletions) {}
  ~CountingAnimator() override { ++*m_deletions; }
  void Animate(DS_Frame& frame) override { D3DXMatrixTranslation(&frame.world, 7, 0, 0); }

private:
  int* m_deletions;
};

TEST(Frame, WorldIsLocalThenChildrenFollowTheParent) {
  DS_Frame root;
  D3DXMatrixTranslation(&root.local, 10, 20, 0);
  DS_Frame* child = root.AddChild();
  D3DXMatrixScaling(&child->local, 2, 2, 1);
  root.UpdateWorld(nullptr);
  EXPECT_EQ(root.world, root.local);
  D3DXMATRIX expected;
  D3DXMatrixMultiply(&expected, &child->local, &root.world);
  EXPECT_EQ(child->world, expected);
  delete child;
}

TEST(Frame, ChildTakesTheParentsBoundingData) {
  DS_Frame root;
  root.bounds.radius = 3;
  root.bounds.centre = D3DXVECTOR3(1, 2, 3);
  DS_Frame* child = root.AddChild();
  EXPECT_EQ(child->bounds.radius, 3);
  EXPECT_EQ(child->bounds.centre, D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(root.children.size(), 1u);
  delete child;
}

TEST(Frame, AnimatorComputesTheWorldAndIsDeletedOnce) {
  static_assert(!std::is_copy_constructible<DS_Frame>::value, "a copy would share the animator");
  static_assert(!std::is_copy_constructible<DS_MeshNode>::value, "a copy would share the animator");
  int deletions = 0;
  {
    std::vector<DS_MeshNode> nodes(1);
    nodes[0].SetController(new CountingAnimator(&deletions));
    D3DXMATRIX parent;
    D3DXMatrixTranslation(&parent, 0, 5, 0);
    nodes[0].UpdateWorld(&parent);
    EXPECT_EQ(nodes[0].world._41, 7);
    EXPECT_EQ(nodes[0].world._42, 5);
    nodes.resize(40);  // moves the node: the animator goes with it
    EXPECT_NE(nodes[0].GetController(), nullptr);
    EXPECT_EQ(deletions, 0);
  }
  EXPECT_EQ(deletions, 1);
}

struct ChunkCase {
  int count;
  std::vector<int> chunks;
};

class QuadBatchChunks : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(QuadBatchChunks, SplitsIntoChunksOf16383) {
  EXPECT_EQ(DS_QuadBatch::ChunkSizes(GetParam().count), GetParam().chunks) << "count " << GetParam().count;
}

INSTANTIATE_TEST_SUITE_P(Table, QuadBatchChunks,
                         ::testing::Values(ChunkCase{16400, {16383, 17}}, ChunkCase{5, {5}},
                                           ChunkCase{16383, {16383, 0}}, ChunkCase{0, {0}},
                                           ChunkCase{-4, {0}}, ChunkCase{32767, {16383, 16383, 1}}));

TEST(QuadBatch, QuadIndicesMakeTwoTrianglesPerQuad) {
  std::vector<WORD> indices(12);
  DS_QuadBatch::WriteQuadIndices(indices.data(), 2);
  const std::vector<WORD> expected = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};
  EXPECT_EQ(indices, expected);
}

TEST(QuadBatch, WithoutADeviceNothingIsWrittenOrDrawn) {
  DS_QuadBatch batch;
  batch.Resize(10);
  batch.Lock();
  batch.SetQuad(3, 1, 2, 3, 4, 5, 6, 7, 8, 9);
  EXPECT_EQ(batch.QuadVertices(3), nullptr);
  batch.Unlock();
  batch.Draw();
}

}  // namespace
