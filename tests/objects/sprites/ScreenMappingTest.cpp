// The mapping from back-buffer pixels to scene pixels against the view
// context's fit types, and the rectangle hit test built on it.

#include <gtest/gtest.h>

#include <cmath>

#include "SpriteTestSupport.h"
#include "device/DeviceGlobals.h"
#include "document/CompositeParams.h"
#include "render/SceneMapping.h"
#include "render/ScreenQuad.h"
#include "render/ViewContext.h"

using sprites_test::SceneSize;

namespace {

// The view context and the scene mapping of one test, restored afterwards.
class MappingTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_savedQuad = g_PictureQuad;
    m_savedScaleX = g_BackBufferScaleX;
    m_savedScaleY = g_BackBufferScaleY;
    g_CurrentViewContext = &view;
  }
  void TearDown() override {
    g_CurrentViewContext = nullptr;
    g_PictureQuad = m_savedQuad;
    g_BackBufferScaleX = m_savedScaleX;
    g_BackBufferScaleY = m_savedScaleY;
  }

  // Lays a picture out on a target as a layer does and returns the fitted quad.
  DS_ScreenQuad Fit(unsigned pictureWidth, unsigned pictureHeight, int width, int height, int fitType) {
    view.FitPicture(pictureWidth, pictureHeight, width, height, fitType);
    DS_ScreenQuad quad;
    quad.FitTexture(pictureWidth, pictureHeight, width, height);
    return quad;
  }

  // Where the view context draws a scene point, in target pixels.
  D3DXVECTOR3 Project(float x, float y) {
    D3DXMATRIX identity, world;
    D3DXMatrixIdentity(&identity);
    view.GetWorld(world, identity);
    const D3DXVECTOR3 scene(x, y, 0.0f);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &scene, &world);
    return out;
  }

  DS_ViewContext view;

private:
  DS_ScreenQuad m_savedQuad;
  float m_savedScaleX = 1.0f;
  float m_savedScaleY = 1.0f;
};

struct FitCase {
  const char* what;
  unsigned pictureWidth, pictureHeight;
  int width, height, fitType;
  // One screen point and the scene point it must map to.
  float screenX, screenY, sceneX, sceneY;
};

const FitCase kFitCases[] = {
    {"fit: bars left and right", 800, 600, 1280, 720, DS_ViewContext::kFitLetterbox, 160, 0, 0, 0},
    {"fit: the bar lies left of the picture", 800, 600, 1280, 720, DS_ViewContext::kFitLetterbox, 0, 0, -133.333f, 0},
    {"stretch: corner to corner", 800, 600, 1280, 720, DS_ViewContext::kFitStretch, 1280, 720, 800, 600},
    {"stretch: screen origin", 800, 600, 1280, 720, DS_ViewContext::kFitStretch, 0, 0, 0, 0},
    {"fill: cropped top and bottom", 800, 600, 1280, 720, DS_ViewContext::kFitFill, 0, 0, 0, 75},
    {"fill: centre stays", 800, 600, 1280, 720, DS_ViewContext::kFitFill, 640, 360, 400, 300},
    {"render-target mode stretches", 800, 600, 1280, 720, DS_ViewContext::kFitRenderTarget, 1280, 0, 800, 0},
    {"tall picture, fill: cropped top and bottom", 600, 800, 1280, 720, DS_ViewContext::kFitFill, 0, 720, 0, 568.75f},
    {"same aspect, any fit", 1024, 768, 320, 240, DS_ViewContext::kFitFill, 160, 120, 512, 384},
};

class FitMappingTest : public MappingTest, public ::testing::WithParamInterface<FitCase> {};

TEST_P(FitMappingTest, ScreenPointMapsToTheSceneUnderIt) {
  const FitCase& c = GetParam();
  SceneSize scene(int(c.pictureWidth), int(c.pictureHeight));
  const DS_ScreenQuad quad = Fit(c.pictureWidth, c.pictureHeight, c.width, c.height, c.fitType);
  const D3DXVECTOR3 p = MapScreenPointToScene(quad, c.screenX, c.screenY, 7.0f);
  EXPECT_NEAR(c.sceneX, p.x, 0.01f) << c.what;
  EXPECT_NEAR(c.sceneY, p.y, 0.01f) << c.what;
  EXPECT_EQ(7.0f, p.z) << "z is kept";

  // The mapping undoes what the view context draws: every scene point comes
  // back.
  const float points[][2] = {{0, 0}, {float(c.pictureWidth), float(c.pictureHeight)}, {123.5f, 45.25f}};
  for (const auto& point : points) {
    const D3DXVECTOR3 screen = Project(point[0], point[1]);
    const D3DXVECTOR3 back = MapScreenPointToScene(quad, screen.x, screen.y, 0.0f);
    EXPECT_NEAR(point[0], back.x, 0.01f) << c.what << ", scene point " << point[0] << ", " << point[1];
    EXPECT_NEAR(point[1], back.y, 0.01f) << c.what << ", scene point " << point[0] << ", " << point[1];
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FitMappingTest, ::testing::ValuesIn(kFitCases));

TEST_F(MappingTest, QuadWithoutExtentMapsWithoutDividingByZero) {
  SceneSize scene(800, 600);
  DS_ScreenQuad empty;  // all corners at 0
  EXPECT_FALSE(CanMapThrough(empty));
  const D3DXVECTOR3 p = MapScreenPointToScene(empty, 50.0f, 60.0f, 0.0f);
  EXPECT_TRUE(std::isfinite(p.x));
  EXPECT_TRUE(std::isfinite(p.y));
}

TEST_F(MappingTest, WithoutViewContextNoZoomIsUndone) {
  SceneSize scene(400, 300);
  g_CurrentViewContext = nullptr;
  DS_ScreenQuad quad;
  quad.SetCorners(100, 50, 300, 200);
  const D3DXVECTOR3 p = MapScreenPointToScene(quad, 200.0f, 125.0f, 0.0f);
  EXPECT_FLOAT_EQ(200.0f, p.x);
  EXPECT_FLOAT_EQ(150.0f, p.y);
}

// ---- rectangle hit test ----

struct ContainsCase {
  float x, y;
  bool inside;
};

TEST_F(MappingTest, RectangleContainsPointsOnItsEdges) {
  SceneSize scene(400, 300);
  g_PictureQuad = Fit(400, 300, 400, 300, DS_ViewContext::kFitLetterbox);
  g_BackBufferScaleX = 1.0f;
  g_BackBufferScaleY = 1.0f;
  MediaRectangle rectangle;
  rectangle.Left().StoreValue(100);
  rectangle.Right().StoreValue(200);
  rectangle.Top().StoreValue(50);
  rectangle.Bottom().StoreValue(150);
  const ContainsCase cases[] = {
      {150, 100, true},    {100, 50, true},      {200, 150, true},    {100, 150, true},
      {99.5f, 100, false}, {200.5f, 100, false}, {150, 49.5f, false}, {150, 150.5f, false},
  };
  for (const ContainsCase& c : cases) EXPECT_EQ(c.inside, rectangle.Contains(c.x, c.y)) << c.x << ", " << c.y;

  // Window points are scaled to the back buffer first.
  g_BackBufferScaleX = 2.0f;
  g_BackBufferScaleY = 2.0f;
  EXPECT_TRUE(rectangle.Contains(50, 25));
  EXPECT_TRUE(rectangle.Contains(100, 75));
  EXPECT_FALSE(rectangle.Contains(150, 100));
}

TEST_F(MappingTest, NothingIsHitBeforeAPictureIsPublished) {
  MediaRectangle rectangle;
  rectangle.Left().StoreValue(-10);
  rectangle.Right().StoreValue(10);
  rectangle.Top().StoreValue(-10);
  rectangle.Bottom().StoreValue(10);
  g_PictureQuad = DS_ScreenQuad();
  {
    SceneSize scene(400, 300);
    EXPECT_FALSE(rectangle.Contains(0, 0)) << "no picture quad";
  }
  g_PictureQuad = Fit(400, 300, 400, 300, DS_ViewContext::kFitLetterbox);
  SceneSize scene(0, 0);
  EXPECT_FALSE(rectangle.Contains(0, 0)) << "no scene size";
}

TEST_F(MappingTest, PictureQuadIsThePublishedMapping) {
  g_PictureQuad = Fit(400, 300, 640, 480, DS_ViewContext::kFitLetterbox);
  EXPECT_EQ(&g_PictureQuad, &GetPictureQuad());
  EXPECT_FLOAT_EQ(640.0f, GetPictureQuad().Right());
}

}  // namespace
