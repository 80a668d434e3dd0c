// The quad builders and the colour packing: corner order and texture coordinates of
// every builder, flips, joins, and the packing rule with its clamps.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "document/CompositeParams.h"
#include "objects/particles/Particle.h"
#include "objects/particles/ParticleQuads.h"

namespace {

struct Corner {
  float x, y, u, v;
};

void ExpectCorners(const ParticleQuad& quad, const Corner (&expected)[4], const char* what) {
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(expected[i].x, quad.q[i].x, 1e-4f) << what << " q" << i << " x";
    EXPECT_NEAR(expected[i].y, quad.q[i].y, 1e-4f) << what << " q" << i << " y";
    EXPECT_NEAR(expected[i].u, quad.q[i].u, 1e-6f) << what << " q" << i << " u";
    EXPECT_NEAR(expected[i].v, quad.q[i].v, 1e-6f) << what << " q" << i << " v";
  }
}

// Centre (100, 50), 20 wide, 10 high: left-bottom, left-top, right-bottom, right-top.
const Corner kCentreQuad[4] = {{90, 55, 0, 1}, {90, 45, 0, 0}, {110, 55, 1, 1}, {110, 45, 1, 0}};

TEST(QuadBuilderTest, CentreQuadCornersAndTextureCoordinates) {
  const ParticleQuad quad = QuadFromCentre(D3DXVECTOR3(100.0f, 50.0f, 7.0f), 20.0f, 10.0f);
  ExpectCorners(quad, kCentreQuad, "centre");
  for (const DX_V::PCT& v : quad.q) {
    EXPECT_EQ(7.0f, v.z);
    EXPECT_EQ(kParticleQuadWhite, v.color);
  }
}

TEST(QuadBuilderTest, AxesQuadWithPlainAxesEqualsTheCentreQuad) {
  const ParticleQuad quad =
      QuadFromAxes(D3DXVECTOR3(100.0f, 50.0f, 0.0f), D3DXVECTOR3(20.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 10.0f, 0.0f), 1.0f);
  ExpectCorners(quad, kCentreQuad, "axes");
  const ParticleQuad doubled =
      QuadFromAxes(D3DXVECTOR3(100.0f, 50.0f, 0.0f), D3DXVECTOR3(10.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 5.0f, 0.0f), 2.0f);
  ExpectCorners(doubled, kCentreQuad, "axes of half length, size 2");
}

TEST(QuadBuilderTest, MediaQuadCornersMapToTheQuadOrder) {
  MediaQuad rectangle;
  rectangle.SetFromCentre(D3DXVECTOR3(100.0f, 50.0f, 0.0f), 20.0f, 10.0f);
  ExpectCorners(QuadFromMediaQuad(rectangle), kCentreQuad, "media quad");
}

struct FlipCase {
  int horizontal, vertical;
  Corner uv[4];
};

const FlipCase kFlipCases[] = {
    {0, 0, {{0, 0, 0, 1}, {0, 0, 0, 0}, {0, 0, 1, 1}, {0, 0, 1, 0}}},
    {1, 0, {{0, 0, 1, 1}, {0, 0, 1, 0}, {0, 0, 0, 1}, {0, 0, 0, 0}}},
    {0, 1, {{0, 0, 0, 0}, {0, 0, 0, 1}, {0, 0, 1, 0}, {0, 0, 1, 1}}},
    {5, -1, {{0, 0, 1, 0}, {0, 0, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 1}}},
};

class FlipTest : public ::testing::TestWithParam<FlipCase> {};

TEST_P(FlipTest, FlipsSwapTextureCoordinates) {
  const FlipCase& c = GetParam();
  ParticleQuad quad = QuadFromCentre(D3DXVECTOR3(0, 0, 0), 1.0f, 1.0f);
  FlipQuadUV(quad, c.horizontal, c.vertical);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(c.uv[i].u, quad.q[i].u) << "q" << i;
    EXPECT_EQ(c.uv[i].v, quad.q[i].v) << "q" << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Flips, FlipTest, ::testing::ValuesIn(kFlipCases));

TEST(QuadBuilderTest, SetQuadUVPlacesTheRange) {
  ParticleQuad quad = QuadFromCentre(D3DXVECTOR3(0, 0, 0), 1.0f, 1.0f);
  SetQuadUV(quad, 0.25f, 0.5f, 0.1f, 0.9f);
  const Corner expected[4] = {{-0.5f, 0.5f, 0.25f, 0.9f}, {-0.5f, -0.5f, 0.25f, 0.1f},
                              {0.5f, 0.5f, 0.5f, 0.9f}, {0.5f, -0.5f, 0.5f, 0.1f}};
  ExpectCorners(quad, expected, "uv range");
}

TEST(QuadBuilderTest, RayQuadWidensAlongItsNormal) {
  // From (10, 10) 40 px to the right, 4 wide at the start and 8 at the end.
  ParticleQuad quad = RayQuad(D3DXVECTOR3(10, 10, 0), D3DXVECTOR3(40, 0, 0), 40.0f, 4.0f, 8.0f);
  const Corner expected[4] = {{10, 12, 0, 0}, {10, 8, 0, 0}, {50, 14, 0, 0}, {50, 6, 0, 0}};
  ExpectCorners(quad, expected, "ray");
}

TEST(QuadBuilderTest, RayOfNoLengthStaysFinite) {
  ParticleQuad quad = RayQuad(D3DXVECTOR3(10, 10, 0), D3DXVECTOR3(0, 0, 0), 0.0f, 4.0f, 8.0f);
  for (const DX_V::PCT& v : quad.q) {
    EXPECT_EQ(10.0f, v.x);
    EXPECT_EQ(10.0f, v.y);
  }
}

TEST(QuadBuilderTest, JoinedRaySegmentsShareTheirMeetingCorners) {
  ParticleQuad earlier = RayQuad(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0), 10.0f, 2.0f, 2.0f);
  ParticleQuad later = RayQuad(D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(0, 10, 0), 10.0f, 2.0f, 2.0f);
  JoinRayQuads(later, earlier);
  // earlier q2 (10, 1) with later q0 (9, 0); earlier q3 (10, -1) with later q1 (11, 0).
  EXPECT_EQ(earlier.q[2].x, later.q[0].x);
  EXPECT_EQ(earlier.q[2].y, later.q[0].y);
  EXPECT_FLOAT_EQ(9.5f, later.q[0].x);
  EXPECT_FLOAT_EQ(0.5f, later.q[0].y);
  EXPECT_FLOAT_EQ(10.5f, later.q[1].x);
  EXPECT_FLOAT_EQ(-0.5f, later.q[1].y);
  EXPECT_EQ(earlier.q[3].x, later.q[1].x);
  EXPECT_EQ(earlier.q[3].y, later.q[1].y);
  EXPECT_EQ(0.0f, earlier.q[0].x) << "the far corners stay";
}

// ---- colour ----

struct PackCase {
  unsigned long stored;
  float alpha;
  D3DCOLOR expected;
};

const PackCase kPackCases[] = {
    {0x0000FF, 0.5f, 0x80FF0000},  // red low byte; 0.5 x 255 + 0.5 = 128
    {0xFF0000, 1.2f, 0xFF0000FF},                                // blue third byte; alpha clamped
    {0x00FF00, 0.0f, 0x0000FF00},
    {0x336699, -3.0f, 0x00996633},                               // channels swap to ARGB
    {0xFF123456, 1.0f, 0xFF563412},                              // a high byte is ignored
    {0x000000, 0.999f, 0xFF000000},                              // 254.745 + 0.5 -> 255
    {0x000000, 0.001f, 0x00000000},                              // 0.255 + 0.5 -> 0
};

class PackTest : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackTest, PacksToArgbWithClamps) {
  const PackCase& c = GetParam();
  EXPECT_EQ(c.expected, PackParticleColour(c.stored, c.alpha));
}

INSTANTIATE_TEST_SUITE_P(Colours, PackTest, ::testing::ValuesIn(kPackCases));

TEST(PackTest, UndefinedOpacityPacksAsTransparent) {
  EXPECT_EQ(0x00FFFFFFu, PackParticleColour(0xFFFFFF, std::numeric_limits<float>::quiet_NaN()));
}

// ---- particle writers ----

TEST(ParticleWriterTest, ParticleQuadIsItsSizeTimesThePixelSize) {
  DS_Particle p(50.0f, 60.0f, 0.0f);
  p.size = 2.0f;
  p.alpha = 0.5f;
  MediaColor colour(0x0000FF);
  colour.Opacity().SetValue(20u);  // 20 % transparent: alpha byte 204
  DX_V::PCT vertices[8] = {};
  WriteParticleQuad(p, colour, vertices, 1, 16.0f, 1.0f);
  const Corner expected[4] = {{34, 76, 0, 1}, {34, 44, 0, 0}, {66, 76, 1, 1}, {66, 44, 1, 0}};
  ParticleQuad written;
  for (int i = 0; i < 4; ++i) written.q[i] = vertices[4 + i];
  ExpectCorners(written, expected, "32 x 32 around the particle");
  // 0.5 x 204 / 255 = 0.4 -> 102.
  EXPECT_EQ(0x66FF0000u, vertices[4].color);
  EXPECT_EQ(0u, vertices[0].color) << "quad 0 untouched";
}

TEST(ParticleWriterTest, QuarterTurnRotatesTheCorners) {
  DS_Particle p(100.0f, 50.0f, 0.0f);
  p.size = 10.0f;
  p.angle = 1.5707964f;
  MediaColor colour;
  DX_V::PCT vertices[4] = {};
  WriteRotatedParticleQuad(p, colour, vertices, 0, 2.0f, 2.0f, 1.0f);
  // Unrotated 20 x 20: q0 (90, 60), q1 (90, 40), q2 (110, 60), q3 (110, 40).
  const Corner expected[4] = {{90, 40, 0, 1}, {110, 40, 0, 0}, {90, 60, 1, 1}, {110, 60, 1, 0}};
  ParticleQuad written;
  for (int i = 0; i < 4; ++i) written.q[i] = vertices[i];
  ExpectCorners(written, expected, "quarter turn");
  EXPECT_EQ(0xFFFFFFFFu, vertices[0].color);
}

}  // namespace
