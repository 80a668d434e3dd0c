#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "render/QuadBatch.h"
#include "render/TexturedQuad.h"
#include "render/ViewContext.h"
#include "support/RenderDeviceTest.h"

namespace {

using ds_test::ColorText;
using ds_test::Image;
using ds_test::kTestDeviceHeight;
using ds_test::kTestDeviceWidth;
using ds_test::MakeTexture;

const D3DCOLOR kRed = 0xFFFF0000;
const D3DCOLOR kGreen = 0xFF00FF00;
const D3DCOLOR kBlue = 0xFF0000FF;
const D3DCOLOR kWhite = 0xFFFFFFFF;
const D3DCOLOR kYellow = 0xFFFFFF00;
const D3DCOLOR kGrey = 0xFF404040;

struct PixelExpectation {
  int x, y;
  D3DCOLOR color;
  const char* what;
};

class DrawingTest : public ds_test::RenderDeviceTest {
protected:
  void SetUp() override {
    RenderDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
  }
  void TearDown() override {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    RenderDeviceTest::TearDown();
  }

  // Whether the back buffer shows each expected colour where expected.
  testing::AssertionResult BackBufferShows(const std::vector<PixelExpectation>& expected) {
    Image image;
    if (!ds_test::ReadBackBuffer(image)) return testing::AssertionFailure() << "the back buffer cannot be read";
    for (const PixelExpectation& e : expected) {
      testing::AssertionResult result = ds_test::PixelNear(image, e.x, e.y, e.color, 0);
      if (!result) return result << ", " << e.what;
    }
    return testing::AssertionSuccess();
  }
};

// A 160 x 160 picture in quadrants: red top left, green top right, blue bottom left,
// white bottom right, drawn through the view context with yellow surround bands.
void DrawPictureAndSurround(IDirect3DDevice9* device, DS_ViewContext& view, IDirect3DTexture9* picture,
                            IDirect3DTexture9* surround, int fitType) {
  view.BindSurroundTextures(surround);
  view.FitPicture(160, 160, kTestDeviceWidth, kTestDeviceHeight, fitType);
  DS_TexturedQuad<DX_V::PT> quad;
  quad.ResetTexCoords();
  quad.SetSize(160, 160);
  device->BeginScene();
  view.ApplyTransforms();
  view.SetWorld(quad.world);
  device->SetTexture(0, picture);
  SetPTStream(quad.vertices.buffer.Get());
  device->DrawPrimitive(quad.primitiveType, 0, UINT(quad.primitiveCount));
  view.DrawSurround();
  device->EndScene();
}

TEST_F(DrawingTest, FittedPictureLandsInItsRectangleWithSurroundOutside) {
  const auto quadrants = [](int x, int y) {
    return y < 80 ? (x < 80 ? kRed : kGreen) : (x < 80 ? kBlue : kWhite);
  };
  DS_ComHolder<IDirect3DTexture9> picture = MakeTexture(160, 160, quadrants);
  DS_ComHolder<IDirect3DTexture9> surround = MakeTexture(8, 8, [](int, int) { return kYellow; });
  ASSERT_TRUE(picture && surround);

  DS_ViewContext view;
  DrawPictureAndSurround(device, view, picture.Get(), surround.Get(), DS_ViewContext::kFitLetterbox);
  // 160 x 160 on 320 x 240, letterboxed: the picture covers x 40 .. 280.
  const RECT& r = view.GetFittedRect();
  ASSERT_EQ(r.left, 40);
  ASSERT_EQ(r.right, 280);
  EXPECT_TRUE(BackBufferShows({{60, 20, kRed, "top-left quadrant"},
                {260, 20, kGreen, "top-right quadrant"},
                {60, 220, kBlue, "bottom-left quadrant"},
                {260, 220, kWhite, "bottom-right quadrant"},
                {42, 120, kBlue, "just inside the left edge"},
                {277, 140, kWhite, "just inside the right edge"},
                {37, 120, kYellow, "left surround band"},
                {5, 5, kYellow, "left surround band, top"},
                {283, 120, kYellow, "right surround band"},
                {315, 235, kYellow, "right surround band, bottom"}}));
}

// Fresh band buffers get their positions at the next fit, even at the size fitted
// before; a second fit at the same size keeps them.
TEST_F(DrawingTest, SurroundBandsArePlacedAfterEveryBindAndKeptByRepeatedFits) {
  DS_ComHolder<IDirect3DTexture9> picture = MakeTexture(160, 160, [](int, int) { return kRed; });
  DS_ComHolder<IDirect3DTexture9> surround = MakeTexture(8, 8, [](int, int) { return kYellow; });
  ASSERT_TRUE(picture && surround);
  DS_ViewContext view;
  view.BindSurroundTextures(surround.Get());
  view.FitPicture(160, 160, kTestDeviceWidth, kTestDeviceHeight, DS_ViewContext::kFitLetterbox);
  view.FitPicture(160, 160, kTestDeviceWidth, kTestDeviceHeight, DS_ViewContext::kFitLetterbox);
  DrawPictureAndSurround(device, view, picture.Get(), surround.Get(), DS_ViewContext::kFitLetterbox);
  EXPECT_TRUE(BackBufferShows({{150, 120, kRed, "picture"},
                               {37, 120, kYellow, "left surround band"},
                               {283, 120, kYellow, "right surround band"}}));
}

TEST_F(DrawingTest, StretchedPictureCoversTheTarget) {
  const auto quadrants = [](int x, int y) {
    return y < 80 ? (x < 80 ? kRed : kGreen) : (x < 80 ? kBlue : kWhite);
  };
  DS_ComHolder<IDirect3DTexture9> picture = MakeTexture(160, 160, quadrants);
  DS_ComHolder<IDirect3DTexture9> surround = MakeTexture(8, 8, [](int, int) { return kYellow; });
  ASSERT_TRUE(picture && surround);
  DS_ViewContext view;
  DrawPictureAndSurround(device, view, picture.Get(), surround.Get(), DS_ViewContext::kFitStretch);
  EXPECT_TRUE(BackBufferShows({{2, 2, kRed, "top-left corner"},
                {317, 2, kGreen, "top-right corner"},
                {2, 237, kBlue, "bottom-left corner"},
                {317, 237, kWhite, "bottom-right corner"}}));
}

TEST_F(DrawingTest, QuadBatchSplitsIntoChunksAndDrawsItsQuads) {
  DS_QuadBatch batch;
  batch.Resize(16400);
  ASSERT_EQ(batch.GetChunkCount(), 2);
  EXPECT_EQ(batch.GetChunkQuads(0), 16383);
  EXPECT_EQ(batch.GetChunkQuads(1), 17);
  // Rewritten every frame: the quads live in memory, without device buffers to lock.
  const DS_TexturedMesh<DX_V::SCT>& second = batch.GetChunk(1);
  EXPECT_FALSE(second.vertices.buffer);
  EXPECT_FALSE(second.indices.buffer);
  EXPECT_EQ(second.vertices.memory.size(), 17u * 4);
  ASSERT_EQ(second.indices.memory.size(), 17u * 6);
  EXPECT_EQ(second.indices.memory[6 * 16 + 5], 4 * 16 + 3) << "last index of the last quad";
  EXPECT_EQ(second.indices.primitiveCount, 34);

  batch.Lock();
  // Quad 16383 is quad 0 of the second chunk.
  batch.SetQuad(16383, 100, 50, 0, 8, 0, 0, 0, 10, 0);
  const DX_V::SCT* v = batch.GetChunk(1).vertices.locked;
  ASSERT_NE(v, nullptr);
  const float corners[4][2] = {{92, 60}, {92, 40}, {108, 60}, {108, 40}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(v[i].x, corners[i][0]) << "corner " << i;
    EXPECT_EQ(v[i].y, corners[i][1]) << "corner " << i;
    EXPECT_EQ(v[i].rhw, 1.0f) << "corner " << i;
  }
  batch.SetQuadColor(16383, kRed);
  batch.SetQuadTexCoords(16383, 0.25f, 0.75f, 0.1f, 0.9f);
  EXPECT_EQ(v[1].u, 0.25f);
  EXPECT_EQ(v[1].v, 0.1f);
  EXPECT_EQ(v[2].u, 0.75f);
  EXPECT_EQ(v[2].v, 0.9f);
  batch.SetQuad(16400, 1, 1, 1, 1, 1, 1, 1, 1, 1);  // beyond the count: ignored
  batch.SetQuad(-1, 1, 1, 1, 1, 1, 1, 1, 1, 1);
  batch.Unlock();

  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  device->BeginScene();
  batch.Draw();
  device->EndScene();
  EXPECT_TRUE(BackBufferShows({{100, 50, kRed, "inside the quad"}, {120, 50, kGrey, "beside the quad"},
                {2, 2, kGrey, "degenerate quads draw nothing"}}));
}

TEST_F(DrawingTest, GeometryInMemoryDrawsNoMorePrimitivesThanItHolds) {
  DS_ScreenQuad screen;
  screen.SetCorners(20, 20, 60, 60);
  DS_SimpleMesh<DX_V::SC> strip;
  BuildOverlayQuad(strip, kRed, screen, DS_QuadStore::kMemory);
  ASSERT_EQ(strip.vertices.memory.size(), 4u);
  EXPECT_FALSE(strip.vertices.buffer);
  DS_IndexedMesh<DX_V::SC> list;
  ASSERT_EQ(CreateQuadListMemory(list, 1), S_OK);
  list.vertices.Write(4, [](DX_V::SC* out) {
    const float corners[4][2] = {{100, 60}, {100, 20}, {140, 60}, {140, 20}};
    for (int i = 0; i < 4; ++i) out[i] = DX_V::SC{corners[i][0], corners[i][1], 0, 1, kBlue};
  });

  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  device->SetFVF(DX_V::SC::FVF);
  device->BeginScene();
  // Five vertices for three strip triangles, twelve indices for four listed ones: the
  // memory holds four and six, and what lies beyond it is not drawn from.
  DrawMeshPrimitives(strip, 3);
  DrawIndexedMeshPrimitives(list, 4);
  device->EndScene();
  EXPECT_TRUE(BackBufferShows({{40, 40, kGrey, "strip asked for too much"}, {120, 40, kGrey, "list asked for too much"}}));

  device->BeginScene();
  DrawMeshPrimitives(strip, strip.primitiveCount);
  DrawIndexedMeshPrimitives(list, list.indices.primitiveCount);
  device->EndScene();
  EXPECT_TRUE(BackBufferShows({{40, 40, kRed, "strip"}, {120, 40, kBlue, "list"}, {80, 40, kGrey, "between them"}}));
}

TEST_F(DrawingTest, EmptyQuadBatchDrawsNothing) {
  for (int count : {0, -3, 16383}) {
    DS_QuadBatch batch;
    batch.Resize(count);
    batch.Lock();
    batch.SetQuad(count, 10, 10, 0, 5, 0, 0, 0, 5, 0);
    batch.SetQuadColor(count, kRed);
    batch.Unlock();
    const int last = batch.GetChunkCount() - 1;
    EXPECT_EQ(batch.GetChunkQuads(last), 0) << "count " << count;
    EXPECT_FALSE(batch.GetChunk(last).vertices.HasData()) << "count " << count;
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->BeginScene();
    batch.Draw();
    device->EndScene();
  }
  EXPECT_TRUE(BackBufferShows({{10, 10, kGrey, "nothing drawn"}}));
}

TEST_F(DrawingTest, ColoredQuadDrawsInSceneSpaceWithItsVertexColour) {
  DS_ViewContext view;
  view.FitPicture(kTestDeviceWidth, kTestDeviceHeight, kTestDeviceWidth, kTestDeviceHeight,
                  DS_ViewContext::kFitLetterbox);
  DS_ScreenQuad area;
  area.SetCorners(100, 50, 200, 150);
  DS_SimpleMesh<DX_V::PC> quad;
  BuildColoredQuad(quad, kBlue, area);
  SetColoredQuadColor(quad, kGreen);  // alpha kept, colour replaced
  device->BeginScene();
  view.ApplyTransforms();
  view.SetWorld(quad.world);
  DrawColoredPrimitive(quad);
  device->EndScene();
  DWORD alphaBlend = FALSE;
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &alphaBlend);
  EXPECT_EQ(alphaBlend, DWORD(TRUE)) << "alpha blending stays on";
  EXPECT_TRUE(
      BackBufferShows({{150, 100, kGreen, "inside"}, {95, 100, kGrey, "left of it"}, {150, 155, kGrey, "below it"}}));
}

TEST_F(DrawingTest, OverlayQuadReplacesItsBufferAndSetsCornerAlpha) {
  DS_ScreenQuad screen;
  screen.SetCorners(10, 20, 110, 220);
  DS_SimpleMesh<DX_V::SC> overlay;
  BuildOverlayQuad(overlay, 0x00102030, screen);
  IDirect3DVertexBuffer9* old = overlay.vertices.buffer.Get();
  ASSERT_NE(old, nullptr);
  old->AddRef();
  BuildOverlayQuad(overlay, 0x00102030, screen);
  EXPECT_EQ(old->Release(), 0u) << "the replaced buffer is released";

  SetOverlayQuadAlpha(overlay, 0.5f, 1.0f, 0.0f, 0.25f);
  ASSERT_TRUE(overlay.vertices.Lock(D3DLOCK_READONLY));
  const DX_V::SC* v = overlay.vertices.locked;
  EXPECT_EQ(v[0].color, 0x7F102030u);  // left-bottom: a
  EXPECT_EQ(v[2].color, 0xFF102030u);  // right-bottom: b
  EXPECT_EQ(v[1].color, 0x00102030u);  // left-top: c
  EXPECT_EQ(v[3].color, 0x3F102030u);  // right-top: d
  EXPECT_EQ(v[0].x, 10);
  EXPECT_EQ(v[0].y, 220);
  EXPECT_EQ(v[3].rhw, 1.0f);
  overlay.vertices.Unlock();
}

}  // namespace
