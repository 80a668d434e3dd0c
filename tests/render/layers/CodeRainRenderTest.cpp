// Scene documents with a code-rain slide, loaded from memory and drawn on the test
// device: the grid and batch the layer builds from its settings and pictures, the
// quads a frame writes, and the pixels of the three draw modes and picture positions.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/RenderTargetPair.h"
#include "document/DocResManager.h"
#include "document/SceneDocument.h"
#include "render/SlideShow.h"
#include "render/ViewContext.h"
#include "render/layers/CodeRainLayer.h"
#include "support/RenderDeviceTest.h"
#include "support/SlideTestSupport.h"

using namespace slides_test;

namespace {

typedef DS_MatrixCodeGrid Grid;

const int kW = ds_test::kTestDeviceWidth;
const int kH = ds_test::kTestDeviceHeight;
const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kBlack = 0x000000;
// Stored colours are COLORREFs: red in the low byte.
const unsigned long kGreenRef = 0x0000FF00, kBlueRef = 0x00FF0000;

const DS_FileKey kPictureKey(L"C:\\scene\\picture.bmp", 31);
const DS_FileKey kOtherPictureKey(L"C:\\scene\\other.bmp", 33);
const DS_FileKey kGlyphKey(L"C:\\scene\\glyphs.bmp", 32);
const DS_FileKey kDefaultGlyphKey(L"common_res.dll", DS_MatrixCodeLight::kDefaultGlyphResource);
const DS_FileKey kSurroundKey(L"common_res.dll", DSM_Camera::kDefaultSurroundId);

// A 4:3 picture fills the 320 x 240 target at five target pixels per picture pixel;
// with cells of 16 picture pixels the grid is 5 x 4 cells of 80 target pixels.
const int kPictureW = 64, kPictureH = 48;

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  }
  return true;
}

uint32_t Word(int glyph, int age, bool changed) {
  uint32_t word = Grid::WithAge(Grid::WithGlyph(0, glyph), age);
  return changed ? word | Grid::kChanged : word;
}

const std::vector<unsigned char>& LargePicture() {
  static const std::vector<unsigned char> bytes = MakeSolidBmp(1024, 768, 0x404040);
  return bytes;
}

struct Document {
  std::function<void(DS_MatrixCodeLight&)> settings;
  std::vector<unsigned char> picture = MakeSolidBmp(kPictureW, kPictureH, kRed);
  // A white strip of two glyphs of 8 x 8: four glyphs to draw from.
  std::vector<unsigned char> glyphs = MakeSolidBmp(8, 16, kWhite);
  std::vector<unsigned char> otherPicture;
  DS_FileKey glyphKey = kGlyphKey;
};

class CodeRainRenderTest : public ds_test::RenderDeviceTest {
protected:
  void SetUp() override {
    RenderDeviceTest::SetUp();
    g_CurrentViewContext = &m_view;
  }
  void TearDown() override {
    m_show.reset();
    if (DS_DocResManager* manager = g_CurrentDocResManager) {
      SetCurrentDocResManager(nullptr);
      delete manager;
    }
    g_CurrentViewContext = nullptr;
    RenderDeviceTest::TearDown();
  }

  // Loads a one-slide document with a code-rain layer as the scene slot does, and
  // returns the layer. Glitch count 1 by default: no cell glitches unless a test asks.
  DS_MatrixCodeLight* Load(const Document& document, int fitType = 1) {
    DS_SlideShow_Light written;
    DS_SlideContainer* slide = MakeSlide(1, 100, 1, kPictureKey);
    DS_MatrixCodeLight* layer = new DS_MatrixCodeLight();
    layer->GetPictureLink().StoreKey(kPictureKey);
    layer->glyphImage.StoreKey(document.glyphKey);
    layer->glitchCount.SetValue(1);
    layer->glyphColor.SetValue(kGreenRef);
    layer->highlightColor.SetValue(kBlueRef);
    if (document.settings) document.settings(*layer);
    slide->SetLight(layer);
    written.AddSlide(slide);
    std::vector<EmbeddedPicture> pictures = {{kSurroundKey, MakeSolidBmp(8, 8, 0x808000)}};
    if (!document.picture.empty()) pictures.push_back({kPictureKey, document.picture});
    if (!document.glyphs.empty()) pictures.push_back({document.glyphKey, document.glyphs});
    if (!document.otherPicture.empty()) pictures.push_back({kOtherPictureKey, document.otherPicture});
    const std::vector<unsigned char> bytes = WriteDocument(written, pictures);
    m_show.reset(LoadSceneDocumentFromMemory(bytes.data(), bytes.size()));
    m_show->BuildSlideObjects();
    m_show->ApplyPicturePosition(fitType);
    DS_MatrixCodeLight* loaded = dynamic_cast<DS_MatrixCodeLight*>(m_show->GetSlide(0)->GetLight().Get());
    EXPECT_TRUE(loaded) << "the slide's layer is not a code-rain layer";
    return loaded;
  }

  ds_test::Image Frame(float t = 50.0f) {
    m_show->Update(t);
    EXPECT_EQ(D3D_OK, device->BeginScene());
    m_show->Render(false);
    device->EndScene();
    ds_test::Image image;
    EXPECT_TRUE(ds_test::ReadBackBuffer(image));
    return image;
  }

  // Every column's stream parked below the grid: the next step writes nothing, so a
  // frame shows exactly the cells a test put in.
  static void Quiet(DS_MatrixCodeLight& layer) {
    Grid& grid = layer.GetRain()->Grid();
    for (int c = 0; c < grid.GetColumns(); ++c) grid.Column(c) = DS_MatrixCodeColumn{0, 0, grid.GetRows()};
  }

  // The four vertices of quad i of the layer's batch.
  static std::vector<DX_V::SCT> Quad(DS_MatrixCodeLight& layer, int index) {
    DS_QuadBatch& batch = layer.GetBatch();
    batch.Lock();
    std::vector<DX_V::SCT> vertices;
    if (const DX_V::SCT* v = batch.QuadVertices(index)) vertices.assign(v, v + 4);
    batch.Unlock();
    return vertices;
  }

  static void ExpectQuadRect(const std::vector<DX_V::SCT>& quad, float left, float top, float right, float bottom) {
    ASSERT_EQ(4u, quad.size());
    // Left-bottom, left-top, right-bottom, right-top.
    const float expected[4][2] = {{left, bottom}, {left, top}, {right, bottom}, {right, top}};
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(expected[i][0], quad[i].x, 0.01f) << "vertex " << i;
      EXPECT_NEAR(expected[i][1], quad[i].y, 0.01f) << "vertex " << i;
      EXPECT_EQ(0.0f, quad[i].z);
      EXPECT_EQ(1.0f, quad[i].rhw);
    }
  }

  DS_ViewContext m_view;
  std::unique_ptr<DS_SlideShow_Light> m_show;
};

// ---- what the layer builds ----

TEST_F(CodeRainRenderTest, DefaultsOnA1024By768Picture) {
  Document document;
  document.picture = LargePicture();
  document.glyphKey = kDefaultGlyphKey;
  document.glyphs = MakeSolidBmp(16, 64, kWhite);  // four glyphs of 16 x 16
  document.settings = [](DS_MatrixCodeLight& layer) {
    DS_MatrixCodeLight defaults;
    layer.glitchCount.SetValue(defaults.glitchCount.GetValue());
    layer.glyphColor.SetValue(defaults.glyphColor.GetValue());
    layer.highlightColor.SetValue(defaults.highlightColor.GetValue());
  };
  DS_MatrixCodeLight* layer = Load(document);
  ASSERT_TRUE(layer);
  const DS_MatrixCodeConfig& config = layer->GetConfig();
  EXPECT_EQ(16, config.cellSize);
  EXPECT_EQ(20, config.density);
  EXPECT_EQ(50, config.glitchCount);
  EXPECT_EQ(0, config.spinnerSwitch);
  EXPECT_EQ(2, config.fallStyle);
  EXPECT_EQ(6, config.glyphCount) << "height div width + 2";
  ASSERT_TRUE(layer->GetRain());
  const Grid& grid = layer->GetRain()->Grid();
  EXPECT_EQ(65, grid.GetColumns());
  EXPECT_EQ(49, grid.GetRows());
  EXPECT_TRUE(grid.IsMixed());
  EXPECT_TRUE(grid.IsInPlace());
  EXPECT_EQ(25, grid.SpawnOdds());
  EXPECT_EQ(3185, layer->GetBatch().GetQuadCount());
  EXPECT_EQ(1, layer->GetBatch().GetChunkCount());
  EXPECT_EQ(3185, layer->GetBatch().GetChunkQuads(0));
  int glitches = 0;
  for (int r = 0; r < grid.GetRows(); ++r) {
    for (int c = 0; c < grid.GetColumns(); ++c) glitches += (grid.Cell(c, r) & Grid::kGlitch) ? 1 : 0;
  }
  // 49 placements; two may hit the same cell.
  EXPECT_LE(glitches, 49);
  EXPECT_GE(glitches, 40);
  EXPECT_EQ(0ul, layer->glyphColor.GetValue());
  EXPECT_EQ(0ul, layer->highlightColor.GetValue());
  EXPECT_TRUE(layer->GetLuminanceMap().empty()) << "draw mode 0 keeps no luminance map";
  Frame();
}

TEST_F(CodeRainRenderTest, StoredSettingsAreBoundedForTheGrid) {
  const struct {
    unsigned cellSize, density;
    int cell, usedDensity;
  } cases[] = {{0, 0, 1, 1}, {16, 250, 16, 100}, {7, 55, 7, 55}, {16, 0xFFFFFFFFu, 16, 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "cell size " << c.cellSize << ", density " << c.density);
    Document document;
    document.settings = [&](DS_MatrixCodeLight& layer) {
      layer.cellSize.SetValue(c.cellSize);
      layer.density.SetValue(c.density);
    };
    DS_MatrixCodeLight* layer = Load(document);
    ASSERT_TRUE(layer);
    EXPECT_EQ(c.cell, layer->GetConfig().cellSize);
    EXPECT_EQ(c.usedDensity, layer->GetConfig().density);
    const Grid& grid = layer->GetRain()->Grid();
    EXPECT_EQ(kPictureW / c.cell + 1, grid.GetColumns());
    EXPECT_EQ(grid.GetColumns() * grid.GetRows(), layer->GetBatch().GetQuadCount());
    m_show.reset();
  }
}

TEST_F(CodeRainRenderTest, HostileSettingsStayBounded) {
  Document document;
  document.picture = LargePicture();
  document.settings = [](DS_MatrixCodeLight& layer) {
    layer.cellSize.SetValue(1);
    layer.glitchCount.SetValue(0xFFFFFFFFu);
    layer.spinnerSwitch.SetValue(1);
    layer.density.SetValue(100);
  };
  DS_MatrixCodeLight* layer = Load(document);
  ASSERT_TRUE(layer);
  const Grid& grid = layer->GetRain()->Grid();
  EXPECT_LE(grid.GetCellCount(), size_t(Grid::kMaxCells));
  EXPECT_GT(grid.GetCellSize(), 1);
  EXPECT_EQ(int(grid.GetCellCount()), layer->GetBatch().GetQuadCount());
  for (int i = 0; i < 3; ++i) Frame(50.0f + 0.03f * float(i));
}

TEST_F(CodeRainRenderTest, GlyphCountComesFromTheStrip) {
  const struct {
    int width, height;
    int glyphCount;
  } cases[] = {{8, 32, 6}, {16, 16, 3}, {16, 8, 2}, {0, 0, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "strip " << c.width << " x " << c.height);
    Document document;
    document.glyphs = c.width > 0 ? MakeSolidBmp(c.width, c.height, kWhite) : std::vector<unsigned char>();
    DS_MatrixCodeLight* layer = Load(document);
    ASSERT_TRUE(layer);
    EXPECT_EQ(c.glyphCount, layer->GetConfig().glyphCount);
    EXPECT_EQ(c.glyphCount, layer->GetRain()->Grid().GetGlyphCount());
    EXPECT_EQ(c.width > 0, layer->GetBatch().GetChunk(0).texture.Get() != nullptr);
    // Without a strip the glyphs are drawn untextured; the frame must still be whole.
    layer->GetRain()->Grid().Cell(1, 2) = Word(1, 0, false);
    Frame();
    m_show.reset();
  }
}

TEST_F(CodeRainRenderTest, ALayerWithoutPictureDrawsFiniteQuads) {
  Document document;
  document.picture.clear();
  document.settings = [](DS_MatrixCodeLight& layer) { layer.drawMode.SetValue(1); };
  DS_MatrixCodeLight* layer = Load(document);
  ASSERT_TRUE(layer);
  const Grid& grid = layer->GetRain()->Grid();
  EXPECT_EQ(1, grid.GetColumns());
  EXPECT_EQ(1, grid.GetRows());
  layer->GetRain()->Grid().Cell(0, 0) = Word(1, 0, false);
  Quiet(*layer);
  Frame();
  EXPECT_EQ(1, layer->GetRain()->GetCount());
  const std::vector<DX_V::SCT> quad = Quad(*layer, 0);
  ASSERT_EQ(4u, quad.size());
  for (const DX_V::SCT& v : quad) {
    EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y)) << v.x << ", " << v.y;
  }
  EXPECT_EQ(0xFFu, quad[0].color >> 24) << "no picture: full opacity";
}

// ---- a frame's quads and pixels ----

TEST_F(CodeRainRenderTest, QuadsHoldTheVisibleCellsInRowMajorOrder) {
  DS_MatrixCodeLight* layer = Load(Document());
  ASSERT_TRUE(layer);
  ASSERT_EQ(20, layer->GetBatch().GetQuadCount());
  Grid& grid = layer->GetRain()->Grid();
  grid.Cell(1, 2) = Word(1, 0, false);   // normal
  grid.Cell(3, 1) = Word(2, -1, true);   // fading, drawn once more
  grid.Cell(2, 1) = Word(3, 2, true);    // highlighted
  Quiet(*layer);
  const ds_test::Image image = Frame();
  EXPECT_EQ(3, layer->GetRain()->GetCount());

  const struct {
    float left, top, right, bottom;
    uint32_t color;
    float vTop, vBottom;
  } expected[] = {
      {160, 80, 240, 160, 0xFF0000FF, 0.5f, 0.75f},    // (2, 1) highlighted: blue
      {240, 80, 320, 160, 0x7F00FF00, 0.25f, 0.5f},    // (3, 1) fading: half opacity
      {80, 160, 160, 240, 0xFF00FF00, 0.0f, 0.25f},    // (1, 2) normal: green
  };
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(::testing::Message() << "quad " << i);
    const std::vector<DX_V::SCT> quad = Quad(*layer, i);
    ExpectQuadRect(quad, expected[i].left, expected[i].top, expected[i].right, expected[i].bottom);
    if (HasFatalFailure()) return;
    const float u[4] = {0, 0, 1, 1};
    const float v[4] = {expected[i].vBottom, expected[i].vTop, expected[i].vBottom, expected[i].vTop};
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(expected[i].color, quad[k].color) << "vertex " << k;
      EXPECT_FLOAT_EQ(u[k], quad[k].u);
      EXPECT_FLOAT_EQ(v[k], quad[k].v);
    }
  }
  for (int i = 3; i < 20; ++i) {
    const std::vector<DX_V::SCT> quad = Quad(*layer, i);
    ASSERT_EQ(4u, quad.size());
    EXPECT_EQ(0u, quad[0].color >> 24) << "quad " << i << " after the last visible cell";
  }

  EXPECT_TRUE(ds_test::PixelNear(image, 200, 120, kBlue, 2)) << "highlighted glyph";
  EXPECT_TRUE(ds_test::PixelNear(image, 280, 120, 0x807F00, 3)) << "fading glyph, half over the picture";
  EXPECT_TRUE(ds_test::PixelNear(image, 120, 200, kGreen, 2)) << "normal glyph";
  EXPECT_TRUE(ds_test::PixelNear(image, 40, 120, kRed, 2)) << "the picture between glyphs";
  EXPECT_TRUE(ds_test::PixelNear(image, 200, 200, kRed, 2)) << "the picture between glyphs";

  // The next frame: the fading glyph is gone, the highlight has one pass left.
  Quiet(*layer);
  const ds_test::Image next = Frame(50.03f);
  EXPECT_TRUE(ds_test::PixelNear(next, 280, 120, kRed, 2)) << "the removed glyph";
  EXPECT_TRUE(ds_test::PixelNear(next, 200, 120, kBlue, 2)) << "still highlighted";
}

struct PlacementCase {
  int fitType;
  // Where cell (2, 1) of a 64 x 32 picture lies on the target.
  float left, top, right, bottom;
};

class CodeRainPlacementTest : public CodeRainRenderTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(CodeRainPlacementTest, CellsMoveAndZoomWithThePicture) {
  const PlacementCase& c = GetParam();
  Document document;
  document.picture = MakeSolidBmp(64, 32, kRed);
  DS_MatrixCodeLight* layer = Load(document, c.fitType);
  ASSERT_TRUE(layer);
  layer->GetRain()->Grid().Cell(2, 1) = Word(1, 0, false);
  Quiet(*layer);
  const ds_test::Image image = Frame();
  ExpectQuadRect(Quad(*layer, 0), c.left, c.top, c.right, c.bottom);
  const int midX = int((c.left + c.right) / 2), midY = int((c.top + c.bottom) / 2);
  EXPECT_TRUE(ds_test::PixelNear(image, midX, midY, kGreen, 2)) << "the glyph";
  const int outside[4][2] = {{int(c.left) - 5, midY}, {int(c.right) + 5, midY}, {midX, int(c.top) - 5},
                             {midX, int(c.bottom) + 5}};
  for (const auto& p : outside) {
    if (p[0] < 0 || p[0] >= kW || p[1] < 0 || p[1] >= kH) continue;
    EXPECT_FALSE(Near(image.RgbAt(p[0], p[1]), kGreen, 40)) << "green beyond the cell at " << p[0] << ", " << p[1];
  }
}

INSTANTIATE_TEST_SUITE_P(FitTypes, CodeRainPlacementTest,
                         ::testing::Values(PlacementCase{0, 160, 120, 240, 240},    // stretched downwards
                                           PlacementCase{1, 160, 120, 240, 200},    // letterboxed, 5 x
                                           PlacementCase{2, 160, 120, 280, 240}));  // filled, 7.5 x

// ---- draw modes ----

struct LuminanceCase {
  const char* name;
  uint32_t picture;
  uint32_t normal, highlighted, empty;
  uint32_t normalAlpha;
};

TEST_F(CodeRainRenderTest, LuminanceModeDrawsGlyphsByThePicturesBrightness) {
  const LuminanceCase cases[] = {
      {"white picture", kWhite, kGreen, kBlue, kBlack, 0xFF},
      {"black picture", kBlack, kBlack, kBlue, kBlack, 0x00},
  };
  for (const LuminanceCase& c : cases) {
    SCOPED_TRACE(c.name);
    Document document;
    document.picture = MakeSolidBmp(kPictureW, kPictureH, c.picture);
    document.settings = [](DS_MatrixCodeLight& layer) { layer.drawMode.SetValue(1); };
    DS_MatrixCodeLight* layer = Load(document);
    ASSERT_TRUE(layer);
    ASSERT_EQ(size_t(256 * 256), layer->GetLuminanceMap().size());
    Grid& grid = layer->GetRain()->Grid();
    grid.Cell(1, 2) = Word(1, 0, false);
    grid.Cell(2, 1) = Word(1, 3, true);
    Quiet(*layer);
    const ds_test::Image image = Frame();
    EXPECT_TRUE(ds_test::PixelNear(image, 120, 200, c.normal, 2)) << "normal glyph";
    EXPECT_TRUE(ds_test::PixelNear(image, 200, 120, c.highlighted, 2)) << "highlighted glyph";
    EXPECT_TRUE(ds_test::PixelNear(image, 40, 40, c.empty, 2)) << "no glyph";
    const std::vector<DX_V::SCT> normal = Quad(*layer, 1);
    ASSERT_EQ(4u, normal.size());
    EXPECT_EQ(c.normalAlpha, normal[0].color >> 24);
    m_show.reset();
  }
}

TEST_F(CodeRainRenderTest, LuminanceMapFollowsThePictureTopDown) {
  Document document;
  // White in the top-left quarter only.
  document.picture = MakeBmp(kPictureW, kPictureH, [](int x, int y) {
    return x < kPictureW / 2 && y < kPictureH / 2 ? kWhite : kBlack;
  });
  document.settings = [](DS_MatrixCodeLight& layer) { layer.drawMode.SetValue(1); };
  DS_MatrixCodeLight* layer = Load(document);
  ASSERT_TRUE(layer);
  const std::vector<float>& map = layer->GetLuminanceMap();
  ASSERT_EQ(size_t(256 * 256), map.size());
  EXPECT_NEAR(1.0f, map[256 * 10 + 10], 0.02f) << "top left";
  EXPECT_NEAR(0.0f, map[256 * 10 + 240], 0.02f) << "top right";
  EXPECT_NEAR(0.0f, map[256 * 240 + 10], 0.02f) << "bottom left";
  EXPECT_NEAR(0.0f, map[256 * 240 + 240], 0.02f) << "bottom right";
  // The cell's luminance is read where the cell lies: (0, 0) of 5 x 4 is bright.
  EXPECT_NEAR(1.0f, layer->LuminanceAt(0, 0, 5, 4), 0.02f);
  EXPECT_NEAR(0.0f, layer->LuminanceAt(4, 3, 5, 4), 0.02f);
}

TEST_F(CodeRainRenderTest, OtherDrawModesDrawNothingUnderTheRain) {
  Document document;
  document.settings = [](DS_MatrixCodeLight& layer) { layer.drawMode.SetValue(2); };
  DS_MatrixCodeLight* layer = Load(document);
  ASSERT_TRUE(layer);
  EXPECT_TRUE(layer->GetLuminanceMap().empty());
  layer->GetRain()->Grid().Cell(1, 2) = Word(1, 0, false);
  Quiet(*layer);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1.0f, 0);
  const ds_test::Image image = Frame();
  EXPECT_TRUE(ds_test::PixelNear(image, 40, 40, 0x123456, 2)) << "what was there before";
  EXPECT_TRUE(ds_test::PixelNear(image, 120, 200, kGreen, 2)) << "normal glyph";
}

// ---- rebuilds ----

TEST_F(CodeRainRenderTest, PictureChangeRebuildsTheGridAndTheLuminance) {
  Document document;
  document.picture = MakeSolidBmp(kPictureW, kPictureH, kBlack);
  document.otherPicture = MakeSolidBmp(128, 64, kWhite);
  document.settings = [](DS_MatrixCodeLight& layer) { layer.drawMode.SetValue(1); };
  DS_MatrixCodeLight* layer = Load(document);
  ASSERT_TRUE(layer);
  Frame();
  ASSERT_EQ(size_t(256 * 256), layer->GetLuminanceMap().size());
  EXPECT_NEAR(0.0f, layer->GetLuminanceMap()[256 * 128 + 128], 0.02f);
  layer->GetRain()->Grid().Cell(1, 1) = Word(1, 0, false);

  layer->GetPictureLink().SetKey(kOtherPictureKey);
  EXPECT_NEAR(1.0f, layer->GetLuminanceMap()[256 * 128 + 128], 0.02f);
  const Grid& grid = layer->GetRain()->Grid();
  EXPECT_EQ(128 / 16 + 1, grid.GetColumns());
  EXPECT_EQ(64 / 16 + 1, grid.GetRows());
  EXPECT_EQ(0, Grid::GlyphOf(grid.Cell(1, 1))) << "the new grid starts empty";
  EXPECT_EQ(9 * 5, layer->GetBatch().GetQuadCount());
  Frame(50.03f);
}

TEST_F(CodeRainRenderTest, FitTypeChangeRebuildsTheGrid) {
  DS_MatrixCodeLight* layer = Load(Document());
  ASSERT_TRUE(layer);
  layer->GetRain()->Grid().Cell(1, 1) = Word(1, 0, false);
  layer->SetFitType(2);
  ASSERT_TRUE(layer->GetRain());
  EXPECT_EQ(0, Grid::GlyphOf(layer->GetRain()->Grid().Cell(1, 1)));
  EXPECT_EQ(20, layer->GetBatch().GetQuadCount());
}

TEST_F(CodeRainRenderTest, OffScreenTargetsScaleTheCells) {
  DS_MatrixCodeLight* layer = Load(Document());
  ASSERT_TRUE(layer);
  DS_RenderTargetPair pair;
  pair.Create(kW / 2, kH / 4);
  layer->BeginTarget(pair, DS_ViewContext::kFitRenderTarget);
  EXPECT_FLOAT_EQ(0.5f, layer->GetTargetScaleX());
  EXPECT_FLOAT_EQ(0.25f, layer->GetTargetScaleY());
  layer->EndTarget();
  EXPECT_FLOAT_EQ(1.0f, layer->GetTargetScaleX());
  EXPECT_FLOAT_EQ(1.0f, layer->GetTargetScaleY());
  EXPECT_FALSE(layer->IsTargetActive());
}

}  // namespace
