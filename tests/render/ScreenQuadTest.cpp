#include <gtest/gtest.h>

#include <cmath>

#include "render/ScreenQuad.h"

namespace {

TEST(ScreenQuad, ResetGivesTheDefaultStrip) {
  DS_ScreenQuad quad;
  quad.v[2].x = 5;
  quad.Reset();
  const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(quad.v[i].x, 0) << "vertex " << i;
    EXPECT_EQ(quad.v[i].y, 0) << "vertex " << i;
    EXPECT_EQ(quad.v[i].z, 1.0f) << "vertex " << i;
    EXPECT_EQ(quad.v[i].u, uv[i][0]) << "vertex " << i;
    EXPECT_EQ(quad.v[i].v, uv[i][1]) << "vertex " << i;
  }
}

struct FitCase {
  unsigned pictureWidth, pictureHeight;
  int width, height;
  float left, top, right, bottom;
};

class FitTextureTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitTextureTest, CentresTheLargestRectangleWithThePicturesAspect) {
  const FitCase& c = GetParam();
  DS_ScreenQuad quad;
  quad.FitTexture(c.pictureWidth, c.pictureHeight, c.width, c.height);
  SCOPED_TRACE(::testing::Message() << c.pictureWidth << "x" << c.pictureHeight << " in " << c.width << "x"
                                    << c.height);
  EXPECT_NEAR(quad.Left(), c.left, 1e-3);
  EXPECT_NEAR(quad.Top(), c.top, 1e-3);
  EXPECT_NEAR(quad.Right(), c.right, 1e-3);
  EXPECT_NEAR(quad.Bottom(), c.bottom, 1e-3);
  // Strip order: left-bottom, left-top, right-bottom, right-top.
  EXPECT_EQ(quad.v[0].x, quad.v[1].x);
  EXPECT_EQ(quad.v[2].x, quad.v[3].x);
  EXPECT_EQ(quad.v[0].y, quad.v[2].y);
  EXPECT_EQ(quad.v[1].y, quad.v[3].y);
  EXPECT_GE(quad.v[0].y, quad.v[1].y);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FitTextureTest,
    ::testing::Values(FitCase{800, 600, 1280, 720, 160, 0, 1120, 720},     // bars left and right
                      FitCase{800, 600, 1024, 1024, 0, 128, 1024, 896},    // bars top and bottom
                      FitCase{800, 600, 1024, 768, 0, 0, 1024, 768},       // same aspect: fills
                      FitCase{0, 0, 1280, 720, 0, 0, 1280, 720},           // missing picture: fills
                      FitCase{640, 0, 320, 240, 0, 0, 320, 240}));         // no height: fills

TEST(ScreenQuad, FitIntoAnEmptyTargetStaysFinite) {
  DS_ScreenQuad quad;
  quad.FitTexture(800, 600, 0, 0);
  for (const DX_V::PT& v : quad.v) {
    EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y)) << v.x << "," << v.y;
  }
}

}  // namespace
