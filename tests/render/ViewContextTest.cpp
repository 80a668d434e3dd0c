#include <gtest/gtest.h>

#include <cmath>

#include "render/ViewContext.h"

namespace {

D3DXVECTOR3 Map(const D3DXMATRIX& m, float x, float y) {
  D3DXVECTOR3 in(x, y, 0), out;
  D3DXVec3TransformCoord(&out, &in, &m);
  return out;
}

// Where a picture pixel lands on the target through the world chain.
D3DXVECTOR3 ToTarget(const DS_ViewContext& view, float x, float y) {
  D3DXMATRIX identity, world;
  D3DXMatrixIdentity(&identity);
  view.GetWorld(world, identity);
  return Map(world, x, y);
}

bool IsIdentity(const D3DXMATRIX& m) {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  for (int i = 0; i < 16; ++i) {
    if (std::fabs(m[i] - identity[i]) > 1e-6f) return false;
  }
  return true;
}

bool AllFinite(const D3DXMATRIX& m) {
  for (int i = 0; i < 16; ++i) {
    if (!std::isfinite(m[i])) return false;
  }
  return true;
}

struct FitCase {
  int fitType;
  float zoomX, zoomY;
  float offsetX, offsetY;
};

class FitPictureTest : public ::testing::TestWithParam<FitCase> {};

// An 800 x 600 picture on a 1280 x 720 target.
TEST_P(FitPictureTest, LaysThePictureOutByFitType) {
  const FitCase& c = GetParam();
  DS_ViewContext view;
  view.FitPicture(800, 600, 1280, 720, c.fitType);
  SCOPED_TRACE(::testing::Message() << "fit type " << c.fitType);

  const RECT& r = view.GetFittedRect();
  EXPECT_EQ(r.left, 160);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 1120);
  EXPECT_EQ(r.bottom, 720);
  EXPECT_NEAR(view.GetPixelRatio(), 600.0f / 720.0f, 1e-5);
  EXPECT_NEAR(view.GetStretchX(), 1280.0f / 960.0f, 1e-5);
  EXPECT_NEAR(view.GetStretchY(), 1.0f, 1e-6);
  EXPECT_EQ(view.GetFitType(), c.fitType);

  EXPECT_NEAR(1.0f / view.GetInverseZoomX(), c.zoomX, 1e-4);
  EXPECT_NEAR(1.0f / view.GetInverseZoomY(), c.zoomY, 1e-4);
  EXPECT_NEAR(view.GetZoomOffsetX(), c.offsetX, 1e-3);
  EXPECT_NEAR(view.GetZoomOffsetY(), c.offsetY, 1e-3);
  // Fit zoom = Translation(offset) x Scaling(zoom).
  const D3DXMATRIX& z = view.GetFitZoom();
  EXPECT_NEAR(z._11, c.zoomX, 1e-4);
  EXPECT_NEAR(z._22, c.zoomY, 1e-4);
  EXPECT_NEAR(z._41, c.offsetX * c.zoomX, 1e-3);
  EXPECT_NEAR(z._42, c.offsetY * c.zoomY, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Table, FitPictureTest,
                         ::testing::Values(FitCase{0, 4.0f / 3, 1.0f, -100, 0},        // stretch
                                           FitCase{1, 1.0f, 1.0f, 0, 0},               // fit
                                           FitCase{2, 4.0f / 3, 4.0f / 3, -100, -75},  // fill
                                           FitCase{3, 4.0f / 3, 1.0f, -100, 0},        // render target
                                           FitCase{7, 1.0f, 1.0f, 0, 0}));             // unknown: fit

struct CornerCase {
  int fitType;
  float left, top, right, bottom;  // where picture (0,0) and (800,600) land
};

class FitCornersTest : public ::testing::TestWithParam<CornerCase> {};

TEST_P(FitCornersTest, PictureCornersLandWhereTheFitTypeSays) {
  const CornerCase& c = GetParam();
  DS_ViewContext view;
  view.FitPicture(800, 600, 1280, 720, c.fitType);
  const D3DXVECTOR3 topLeft = ToTarget(view, 0, 0);
  const D3DXVECTOR3 bottomRight = ToTarget(view, 800, 600);
  SCOPED_TRACE(::testing::Message() << "fit type " << c.fitType);
  EXPECT_NEAR(topLeft.x, c.left, 1e-2);
  EXPECT_NEAR(topLeft.y, c.top, 1e-2);
  EXPECT_NEAR(bottomRight.x, c.right, 1e-2);
  EXPECT_NEAR(bottomRight.y, c.bottom, 1e-2);
}

INSTANTIATE_TEST_SUITE_P(Table, FitCornersTest,
                         ::testing::Values(CornerCase{0, 0, 0, 1280, 720},        // stretch: the target
                                           CornerCase{1, 160, 0, 1120, 720},      // fit: letterboxed
                                           CornerCase{2, 0, -120, 1280, 840}));   // fill: cropped in y

TEST(ViewContext, ProjectionMapsTargetPixelsOntoClipSpace) {
  DS_ViewContext view;
  view.FitPicture(800, 600, 1280, 720, DS_ViewContext::kFitStretch);
  D3DXMATRIX identity, wvp;
  D3DXMatrixIdentity(&identity);
  view.GetWorldViewProj(wvp, identity);
  const D3DXVECTOR3 topLeft = Map(wvp, 0, 0);
  const D3DXVECTOR3 bottomRight = Map(wvp, 800, 600);
  EXPECT_NEAR(topLeft.x, -1, 1e-4);
  EXPECT_NEAR(topLeft.y, 1, 1e-4);
  EXPECT_NEAR(bottomRight.x, 1, 1e-4);
  EXPECT_NEAR(bottomRight.y, -1, 1e-4);
}

TEST(ViewContext, SameAspectFillsTheTargetForEveryFitType) {
  for (int fitType = 0; fitType <= 3; ++fitType) {
    DS_ViewContext view;
    view.FitPicture(1024, 768, 800, 600, fitType);
    const RECT& r = view.GetFittedRect();
    EXPECT_EQ(r.left, 0) << "fit type " << fitType;
    EXPECT_EQ(r.top, 0) << "fit type " << fitType;
    EXPECT_EQ(r.right, 800) << "fit type " << fitType;
    EXPECT_EQ(r.bottom, 600) << "fit type " << fitType;
    EXPECT_NEAR(view.GetInverseZoomX(), 1.0f, 1e-6) << "fit type " << fitType;
    EXPECT_NEAR(view.GetInverseZoomY(), 1.0f, 1e-6) << "fit type " << fitType;
  }
}

TEST(ViewContext, MissingPictureIsFittedAsIfItHadTheTargetsSize) {
  for (int fitType = 0; fitType <= 3; ++fitType) {
    DS_ViewContext view;
    view.FitPicture(0, 0, 1280, 720, fitType);
    EXPECT_EQ(view.GetPictureWidth(), 1280u);
    EXPECT_EQ(view.GetPictureHeight(), 720u);
    const D3DXVECTOR3 corner = ToTarget(view, 1280, 720);
    EXPECT_NEAR(corner.x, 1280, 1e-2) << "fit type " << fitType;
    EXPECT_NEAR(corner.y, 720, 1e-2) << "fit type " << fitType;
    view.SetCameraZoom(1.2f, 0.5f, -0.5f);
    D3DXMATRIX identity, wvp;
    D3DXMatrixIdentity(&identity);
    view.GetWorldViewProj(wvp, identity);
    EXPECT_TRUE(AllFinite(wvp)) << "fit type " << fitType;
    EXPECT_TRUE(AllFinite(view.GetBaseFit())) << "fit type " << fitType;
  }
}

TEST(ViewContext, EmptyTargetKeepsTheMatricesFinite) {
  DS_ViewContext view;
  view.FitPicture(800, 600, 0, 0, DS_ViewContext::kFitFill);
  D3DXMATRIX identity, wvp;
  D3DXMatrixIdentity(&identity);
  view.GetWorldViewProj(wvp, identity);
  EXPECT_TRUE(AllFinite(wvp));
}

TEST(ViewContext, NoZoomAndNoDriftLeaveTheCameraAtIdentity) {
  DS_ViewContext view;
  view.FitPicture(800, 600, 1280, 720, DS_ViewContext::kFitFill);
  view.SetCameraZoom(1.0f, 0, 0);
  EXPECT_TRUE(IsIdentity(view.GetCamera()));
  view.SetCameraZoom(1.5f, 0.3f, 0.3f);
  view.SetCameraZoom(0.0f, 0, 0);  // zoom 0 counts as none
  EXPECT_TRUE(IsIdentity(view.GetCamera()));
}

TEST(ViewContext, CentredZoomKeepsThePictureCentre) {
  DS_ViewContext view;
  view.FitPicture(800, 600, 1280, 720, DS_ViewContext::kFitLetterbox);
  view.SetCameraZoom(1.2f, 0, 0);
  const D3DXVECTOR3 centre = ToTarget(view, 400, 300);
  EXPECT_NEAR(centre.x, 640, 1e-2);
  EXPECT_NEAR(centre.y, 360, 1e-2);
}

struct DriftCase {
  int fitType;
  float zoom;
};

class CameraDriftTest : public ::testing::TestWithParam<DriftCase> {};

TEST_P(CameraDriftTest, ExtremesPutThePictureEdgeOnTheTargetEdge) {
  const DriftCase& c = GetParam();
  DS_ViewContext view;
  view.FitPicture(800, 600, 1280, 720, c.fitType);
  SCOPED_TRACE(::testing::Message() << "fit type " << c.fitType << ", zoom " << c.zoom);
  view.SetCameraZoom(c.zoom, -1, -1);
  const D3DXVECTOR3 topLeft = ToTarget(view, 0, 0);
  EXPECT_NEAR(topLeft.x, 0, 1e-2);
  EXPECT_NEAR(topLeft.y, 0, 1e-2);
  view.SetCameraZoom(c.zoom, 1, 1);
  const D3DXVECTOR3 bottomRight = ToTarget(view, 800, 600);
  EXPECT_NEAR(bottomRight.x, 1280, 1e-2);
  EXPECT_NEAR(bottomRight.y, 720, 1e-2);
}

INSTANTIATE_TEST_SUITE_P(Table, CameraDriftTest,
                         ::testing::Values(DriftCase{0, 1.2f}, DriftCase{1, 1.2f}, DriftCase{2, 1.2f},
                                           DriftCase{2, 1.0f}, DriftCase{0, 2.0f}));

TEST(ViewContext, RenderTargetModeLeavesTheCameraOut) {
  DS_ViewContext view;
  view.FitPicture(800, 600, 1280, 720, DS_ViewContext::kFitRenderTarget);
  view.SetCameraZoom(1.5f, 1, 1);
  const D3DXVECTOR3 bottomRight = ToTarget(view, 800, 600);
  EXPECT_NEAR(bottomRight.x, 1280, 1e-2);
  EXPECT_NEAR(bottomRight.y, 720, 1e-2);
}

TEST(ViewContext, CameraZoomMatrixHasNoTranslation) {
  DS_ViewContext view;
  view.FitPicture(800, 600, 1280, 720, DS_ViewContext::kFitFill);
  view.SetCameraZoom(1.2f, 0.5f, 0.5f);
  D3DXMATRIX m;
  view.GetCameraZoomMatrix(m);
  EXPECT_EQ(m._41, 0);
  EXPECT_EQ(m._42, 0);
  EXPECT_NEAR(m._11, 1.2f * 4.0f / 3.0f, 1e-4);
}

TEST(ViewContext, SurroundBandsReachThreePictureSizesOut) {
  D3DXVECTOR3 bands[4][4];
  DS_ViewContext::GetSurroundPositions(1024, 768, bands);
  const float b = 3072;
  // Left band: (-B, H), (-B, 0), (0, H), (0, 0).
  EXPECT_EQ(bands[DS_ViewContext::kBandLeft][0], D3DXVECTOR3(-b, 768, 0));
  EXPECT_EQ(bands[DS_ViewContext::kBandLeft][3], D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(bands[DS_ViewContext::kBandRight][0], D3DXVECTOR3(1024, 768, 0));
  EXPECT_EQ(bands[DS_ViewContext::kBandRight][3], D3DXVECTOR3(1024 + b, 0, 0));
  // Top and bottom bands span the corners too.
  EXPECT_EQ(bands[DS_ViewContext::kBandTop][1], D3DXVECTOR3(-b, -b, 0));
  EXPECT_EQ(bands[DS_ViewContext::kBandTop][2], D3DXVECTOR3(1024 + b, 0, 0));
  EXPECT_EQ(bands[DS_ViewContext::kBandBottom][0], D3DXVECTOR3(-b, 768 + b, 0));
  EXPECT_EQ(bands[DS_ViewContext::kBandBottom][3], D3DXVECTOR3(1024 + b, 768, 0));
}

}  // namespace
