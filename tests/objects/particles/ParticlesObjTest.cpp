// The particle object: what it forwards to its generator clone, how its buffer slots
// grow, the quad layout of the index buffers, and particles drawn on the test device.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ParticleTestSupport.h"
#include "device/DeviceGlobals.h"
#include "render/ViewContext.h"
#include "support/RenderDeviceTest.h"
#include "support/SceneTest.h"

using particles_test::TestGenerator;

namespace {

std::unique_ptr<DS_ParticlesObj> MakeObject(TestGenerator& item) {
  return std::unique_ptr<DS_ParticlesObj>(static_cast<DS_ParticlesObj*>(item.CreateObject()));
}

TestGenerator& GeneratorOf(DS_ParticlesObj& object) { return *static_cast<TestGenerator*>(object.GetGenerator()); }

// ---- without a device ----

TEST(ParticlesObjTest, ObjectOwnsAPreparedCloneAndForwardsToIt) {
  TestGenerator item;
  item.needsScene = true;
  item.hitX = 4;
  item.hitY = 5;
  std::unique_ptr<DS_ParticlesObj> object = MakeObject(item);
  TestGenerator& clone = GeneratorOf(*object);
  EXPECT_NE(&item, &clone);
  EXPECT_EQ(object->GetConstructor(), object->GetGenerator());
  EXPECT_EQ(0, item.prepared);
  EXPECT_EQ(1, clone.prepared) << "prepared once, from the object's constructor";
  EXPECT_EQ(1, object->GetSlotCount());
  EXPECT_EQ(0u, object->GetQuadCount(0));

  EXPECT_TRUE(object->NeedsSceneInput());
  EXPECT_TRUE(object->HitTest(POINT{4, 5}, 0));
  EXPECT_FALSE(object->HitTest(POINT{5, 4}, 0));
  object->OnMouseMove(17, 23);
  EXPECT_EQ(17, clone.mouseX);
  EXPECT_EQ(3, object->GetKind());
  object->Render(nullptr);
  EXPECT_EQ(1, clone.renders);

  object->Update(0.0f);
  object->Update(0.1f);
  EXPECT_NEAR(0.1f, clone.clock.GetAccumulatedTime(), 1e-6f) << "updates reach the clone's clock";
  EXPECT_EQ(0.0f, item.clock.GetAccumulatedTime());
}

// Switched off, an object draws nothing, so it must not take the scene from the layer:
// the capture would flip to a black target that nobody draws the scene back into.
TEST(ParticlesObjTest, ASwitchedOffObjectReadsNoScene) {
  TestGenerator item;
  item.needsScene = true;
  std::unique_ptr<DS_ParticlesObj> object = MakeObject(item);
  object->SetEnabled(false);
  EXPECT_FALSE(object->NeedsSceneInput());
  object->SetEnabled(true);
  EXPECT_TRUE(object->NeedsSceneInput());
}

TEST(ParticlesObjTest, ObjectWithoutGeneratorDoesNothing) {
  DS_ParticlesObj object(nullptr);
  object.Update(1.0f);
  object.Render(nullptr);
  object.OnMouseMove(1, 2);
  EXPECT_FALSE(object.NeedsSceneInput());
  EXPECT_FALSE(object.HitTest(POINT{0, 0}, 0));
  EXPECT_EQ(0, object.GetSlotCount());
}

TEST(ParticlesObjTest, SlotsOutOfRangeAreRefused) {
  TestGenerator item;
  std::unique_ptr<DS_ParticlesObj> object = MakeObject(item);
  EXPECT_EQ(0u, object->EnsureQuadCapacity(1, 10));
  EXPECT_EQ(0u, object->EnsureQuadCapacity(-1, 10));
  EXPECT_EQ(nullptr, object->LockQuads(1));
  EXPECT_EQ(nullptr, object->GetSlot(-1));
  EXPECT_EQ(0u, object->GetQuadCount(7));
  object->UnlockQuads(3);
}

TEST(ParticlesObjTest, QuadIndicesFollowTheCornerOrder) {
  WORD indices[18] = {};
  WriteQuadIndices(indices, 3);
  const WORD expected[18] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7, 8, 9, 10, 10, 9, 11};
  for (int i = 0; i < 18; ++i) EXPECT_EQ(expected[i], indices[i]) << i;
}

// ---- with the test device ----

class ParticlesDeviceTest : public ds_test::RenderDeviceTest {
protected:
  void SetUp() override {
    RenderDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    item.colour = MediaColor(0x0000FF);  // red
    object = MakeObject(item);
  }
  void TearDown() override {
    object.reset();
    RenderDeviceTest::TearDown();
  }

  TestGenerator item;
  std::unique_ptr<DS_ParticlesObj> object;
};

TEST_F(ParticlesDeviceTest, SlotGrowsOnlyForMoreQuads) {
  ASSERT_EQ(10u, object->EnsureQuadCapacity(0, 10));
  const DS_IndexedMesh<DX_V::PCT>* slot = object->GetSlot(0);
  // Rewritten every frame: the quads live in memory, with no device buffer whose lock
  // could wait for the device.
  EXPECT_FALSE(slot->vertices.buffer);
  EXPECT_FALSE(slot->indices.buffer);
  ASSERT_TRUE(slot->vertices.HasData() && slot->indices.HasData());
  const DX_V::PCT* first = slot->vertices.memory.data();
  EXPECT_EQ(40, slot->vertices.vertexCount);
  EXPECT_EQ(40u, slot->vertices.memory.size());
  EXPECT_EQ(20, slot->primitiveCount);
  EXPECT_EQ(D3DPT_TRIANGLELIST, slot->primitiveType);
  ASSERT_EQ(60u, slot->indices.memory.size());
  std::vector<WORD> expected(60);
  WriteQuadIndices(expected.data(), 10);
  EXPECT_EQ(expected, slot->indices.memory);

  EXPECT_EQ(5u, object->EnsureQuadCapacity(0, 5));
  EXPECT_EQ(first, slot->vertices.memory.data()) << "a smaller count keeps the quads";
  EXPECT_EQ(20, slot->primitiveCount);
  EXPECT_EQ(5u, object->GetQuadCount(0));

  EXPECT_EQ(12u, object->EnsureQuadCapacity(0, 12));
  EXPECT_EQ(48, slot->vertices.vertexCount) << "re-created for exactly 12";
  EXPECT_EQ(24, slot->primitiveCount);
}

TEST_F(ParticlesDeviceTest, ZeroQuadsOnAFreshSlotMakeNoBuffers) {
  EXPECT_EQ(0u, object->EnsureQuadCapacity(0, 0));
  EXPECT_FALSE(object->GetSlot(0)->vertices.HasData());
  EXPECT_EQ(nullptr, object->LockQuads(0));
}

TEST_F(ParticlesDeviceTest, CountBeyondSixteenBitIndicesIsCapped) {
  EXPECT_EQ(DS_ParticlesObj::kMaxSlotQuads, object->EnsureQuadCapacity(0, 1000000));
  EXPECT_EQ(65536, object->GetSlot(0)->vertices.vertexCount);
  EXPECT_EQ(DS_ParticlesObj::kMaxSlotQuads, object->GetQuadCount(0));
}

TEST(ParticlesObjNoDeviceTest, FailedBuffersLeaveACountOfZero) {
  ASSERT_EQ(nullptr, g_CurrentDevice);
  TestGenerator item;
  std::unique_ptr<DS_ParticlesObj> object = MakeObject(item);
  EXPECT_EQ(0u, object->EnsureQuadCapacity(0, 10)) << "nothing may be written or drawn";
  EXPECT_EQ(nullptr, object->LockQuads(0));
}

TEST_F(ParticlesDeviceTest, LockedQuadsKeepWhatWasWritten) {
  object->EnsureQuadCapacity(0, 2);
  DX_V::PCT* vertices = object->LockQuads(0);
  ASSERT_NE(nullptr, vertices);
  EXPECT_EQ(vertices, object->LockQuads(0)) << "a locked slot hands out the same pointer";
  WriteQuad(vertices, 1, QuadFromCentre(D3DXVECTOR3(5, 6, 0), 2, 2));
  object->UnlockQuads(0);
  EXPECT_EQ(nullptr, object->GetSlot(0)->vertices.locked);
}

TEST_F(ParticlesDeviceTest, RegionQuadTakesTheRectangleFlipsAndColourOpacity) {
  MediaQuad rectangle;
  rectangle.SetFromCentre(D3DXVECTOR3(100.0f, 50.0f, 0.0f), 20.0f, 10.0f);
  MediaColor colour(0xFF0000);  // blue
  colour.Opacity().SetValue(20u);  // alpha byte 204
  WriteRegionQuad(*object, rectangle, 1, 0, colour);  // no quads yet: nothing happens
  EXPECT_FALSE(object->GetSlot(0)->vertices.HasData());

  object->EnsureQuadCapacity(0, 1);
  WriteRegionQuad(*object, rectangle, 1, 0, colour);
  EXPECT_EQ(nullptr, object->GetSlot(0)->vertices.locked) << "unlocked again";
  DX_V::PCT* v = object->LockQuads(0);
  ASSERT_NE(nullptr, v);
  const float expected[4][4] = {{90, 55, 1, 1}, {90, 45, 1, 0}, {110, 55, 0, 1}, {110, 45, 0, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(expected[i][0], v[i].x) << i;
    EXPECT_EQ(expected[i][1], v[i].y) << i;
    EXPECT_EQ(expected[i][2], v[i].u) << i;
    EXPECT_EQ(expected[i][3], v[i].v) << i;
    EXPECT_EQ(0xCC0000FFu, v[i].color) << i;
  }
  object->UnlockQuads(0);
}

// Draws the object's particles through a plain layer onto a grey back buffer whose
// pixels map 1:1 to scene pixels.
class ParticleDrawTest : public ds_test::SceneTest {
protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (HasFatalFailure()) return;
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    item.colour = MediaColor(0x0000FF);  // red
    object = MakeObject(item);
  }
  void TearDown() override {
    object.reset();
    SceneTest::TearDown();
  }

  ds_test::Image Frame() { return DrawAndRead(*object); }

  TestGenerator item;
  std::unique_ptr<DS_ParticlesObj> object;
};

TEST_F(ParticleDrawTest, ParticlesDrawAsTintedBlendedSquares) {
  TestGenerator& g = GeneratorOf(*object);
  g.pixelSize = 20.0f;
  g.particles.emplace_back(100.0f, 80.0f, 0.0f);
  DS_Particle faded(200.0f, 150.0f, 0.0f);
  faded.alpha = 0.5f;
  faded.size = 2.0f;
  g.particles.push_back(faded);

  const ds_test::Image image = Frame();
  EXPECT_TRUE(ds_test::PixelNear(image, 100, 80, 0xFF0000, 3)) << "opaque particle";
  EXPECT_TRUE(ds_test::PixelNear(image, 92, 72, 0xFF0000, 3)) << "inside its 20 x 20 square";
  EXPECT_TRUE(ds_test::PixelNear(image, 100, 93, 0x404040, 3)) << "below it";
  EXPECT_TRUE(ds_test::PixelNear(image, 87, 80, 0x404040, 3)) << "left of it";
  EXPECT_TRUE(ds_test::PixelNear(image, 200, 150, 0x9F2020, 3)) << "half-transparent particle over grey";
  EXPECT_TRUE(ds_test::PixelNear(image, 181, 150, 0x9F2020, 3)) << "its square is 40 wide";
  EXPECT_TRUE(ds_test::PixelNear(image, 176, 150, 0x404040, 3)) << "beyond it";
}

TEST_F(ParticleDrawTest, QuadsBeyondTheCountAreNotDrawn) {
  TestGenerator& g = GeneratorOf(*object);
  g.pixelSize = 20.0f;
  g.particles.emplace_back(100.0f, 80.0f, 0.0f);
  g.particles.emplace_back(200.0f, 150.0f, 0.0f);
  ds_test::Image image = Frame();
  EXPECT_TRUE(ds_test::PixelNear(image, 200, 150, 0xFF0000, 3)) << "second particle";

  g.particles.pop_back();
  image = Frame();
  EXPECT_EQ(1u, object->GetQuadCount(0));
  EXPECT_EQ(4, object->GetSlot(0)->primitiveCount) << "the buffers made for two stay";
  EXPECT_TRUE(ds_test::PixelNear(image, 100, 80, 0xFF0000, 3)) << "first particle";
  EXPECT_TRUE(ds_test::PixelNear(image, 200, 150, 0x404040, 3)) << "stale quad of the removed particle";
}

TEST_F(ParticleDrawTest, SteadyFramesRewriteTheSameQuadsWithoutDeviceBuffers) {
  TestGenerator& g = GeneratorOf(*object);
  g.pixelSize = 20.0f;
  g.particles.emplace_back(100.0f, 80.0f, 0.0f);
  g.particles.emplace_back(200.0f, 150.0f, 0.0f);
  Frame();
  const DS_IndexedMesh<DX_V::PCT>* slot = object->GetSlot(0);
  const DX_V::PCT* quads = slot->vertices.memory.data();
  ASSERT_NE(nullptr, quads);
  ds_test::Image image;
  for (int frame = 1; frame <= 3; ++frame) {
    g.particles.front().position.x = 100.0f + 20.0f * float(frame);
    image = Frame();
    // Quads made anew, or written into a buffer the device may still be drawing
    // from, would make every frame wait.
    EXPECT_EQ(quads, slot->vertices.memory.data()) << "made anew in frame " << frame;
    EXPECT_FALSE(slot->vertices.buffer) << "frame " << frame;
    EXPECT_FALSE(slot->indices.buffer) << "frame " << frame;
  }
  EXPECT_TRUE(ds_test::PixelNear(image, 160, 80, 0xFF0000, 3)) << "the moved particle";
  EXPECT_TRUE(ds_test::PixelNear(image, 100, 80, 0x404040, 3)) << "where it was";
  EXPECT_TRUE(ds_test::PixelNear(image, 200, 150, 0xFF0000, 3)) << "the one that stayed";
}

TEST_F(ParticleDrawTest, EmittedTrailParticlesFadeAway) {
  // One origin moving right; trail particles of lifetime 1 s fade out behind it.
  item.emitTrail = true;
  object.reset();
  object = MakeObject(item);
  TestGenerator& g = GeneratorOf(*object);
  g.pixelSize = 6.0f;
  g.lifetime.SetValue(1u);
  g.emissionRate.SetValue(50u);
  g.emit.SetValue(1);
  g.origins.emplace_back(40.0f, 120.0f, 0.0f);
  g.origins.front().AddProcess(new PKinetic(D3DXVECTOR3(100.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
  std::srand(8);
  float t = 0.0f;
  for (int i = 0; i < 20; ++i) {
    t += 0.05f;
    object->Update(t);
  }
  ASSERT_FALSE(g.particles.empty());
  EXPECT_LE(g.particles.size(), 50u);
  // The origin stands at x = 140; the newest particles are near it and nearly opaque,
  // the oldest have faded.
  device->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
  device->BeginScene();
  view.ApplyTransforms();
  object->Render(&layer);
  device->EndScene();
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  const DS_Particle& newest = g.particles.back();
  const DS_Particle& oldest = g.particles.front();
  EXPECT_GT(newest.alpha, 0.9f);
  EXPECT_LT(oldest.alpha, 0.2f);
  const uint32_t atNewest = image.RgbAt(int(newest.position.x + 0.5f), int(newest.position.y + 0.5f));
  EXPECT_GT(int((atNewest >> 16) & 0xFF), 0xE0) << ds_test::ColorText(atNewest);
}

}  // namespace
