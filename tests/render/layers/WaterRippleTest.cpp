// The water surface as numbers, without a device: grid sizes, the index strip, the
// refraction table, drops, the damped wave step and the refracted texture coordinates.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <vector>

#include "render/layers/WaterRipple.h"

namespace {

// A square surface of `columns` x `columns` cells (columns even, at least 4).
void ConfigureSquare(DS_WaterRipple& ripple, uint32_t columns) {
  ripple.Configure(30.0f, 30.0f, 1.0f, float(columns) / 128.0f);
  ASSERT_EQ(columns, ripple.GetColumns());
  ASSERT_EQ(columns, ripple.GetRows());
}

std::vector<DX_V::PNCT> Mesh(const DS_WaterRipple& ripple, const D3DXVECTOR3& eye) {
  std::vector<DX_V::PNCT> vertices(ripple.GetVertexCount());
  ripple.WriteVertices(vertices.data(), eye);
  return vertices;
}

const D3DXVECTOR3 kEye(0, 120, 0);

bool Finite(const DX_V::PNCT& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.nx) &&
         std::isfinite(v.ny) && std::isfinite(v.nz) && std::isfinite(v.u) && std::isfinite(v.v);
}

double Energy(const DS_WaterRipple& ripple) {
  double energy = 0;
  for (uint32_t r = 0; r < ripple.GetRows(); ++r) {
    for (uint32_t c = 0; c < ripple.GetColumns(); ++c) {
      const double h = ripple.GetCellHeight(r, c), v = ripple.GetCellVelocity(r, c);
      energy += h * h + v * v;
    }
  }
  return energy;
}

// ---- grid sizes ----

struct GridCase {
  const char* what;
  float width, height, rowScale, detail;
  uint32_t columns, rows;
};

class GridSizeTest : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridSizeTest, GridIsEvenAndWithinOneIndexStrip) {
  const GridCase& c = GetParam();
  uint32_t columns = 0, rows = 0;
  DS_WaterRipple::ChooseGrid(c.width, c.height, c.rowScale, c.detail, columns, rows);
  EXPECT_EQ(c.columns, columns) << c.what;
  EXPECT_EQ(c.rows, rows) << c.what;
  EXPECT_EQ(0u, columns % 2) << c.what;
  EXPECT_EQ(0u, rows % 2) << c.what;
  EXPECT_GE(columns, 4u) << c.what;
  EXPECT_GE(rows, 4u) << c.what;
  EXPECT_LE(uint64_t(columns) * rows, 65536u) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, GridSizeTest,
    ::testing::Values(GridCase{"4:3 picture, detail 1", 40, 30, 1, 1, 128, 96},
                      GridCase{"square picture", 30, 30, 1, 1, 128, 128},
                      GridCase{"odd q rounds down to even", 40, 30, 1, 1.01f, 128, 96},
                      GridCase{"row scale 3 stays under the cap", 40, 30, 3, 1, 128, 288},
                      GridCase{"detail 3 keeps the rows, cuts the columns", 40, 30, 1, 3, 226, 288},
                      GridCase{"huge detail", 40, 30, 1, 1e30f, 4, 16384},
                      GridCase{"picture far wider than high", 1e6f, 30, 1, 1, 128, 4},
                      GridCase{"picture far higher than wide", 0.001f, 30, 1, 1, 4, 16384},
                      GridCase{"NaN detail", 40, 30, 1, NAN, 4, 4},
                      GridCase{"NaN row scale", 40, 30, NAN, 1, 128, 4}));

// ---- index strip ----

TEST(WaterRippleStrip, FourByFourSpiral) {
  std::vector<WORD> strip;
  DS_WaterRipple::BuildIndexStrip(4, 4, strip);
  const std::vector<WORD> expected = {0, 4,  1,  5,  2,  6,  3,  7, 7, 6, 11, 10, 15, 14, 14, 10,
                                      13, 9, 12, 8, 8, 9, 4, 5, 5, 9, 6, 10, 10, 9, 9, 5};
  EXPECT_EQ(expected, strip);
}

class StripTest : public ::testing::TestWithParam<std::pair<uint32_t, uint32_t>> {};

// The strip covers every cell of the grid (the innermost ring, one row or column
// wide, goes over its cells twice) and holds nothing but cell triangles.
TEST_P(StripTest, EveryCellIsCoveredAndEveryIndexIsAVertex) {
  const uint32_t columns = GetParam().first, rows = GetParam().second;
  std::vector<WORD> strip;
  DS_WaterRipple::BuildIndexStrip(columns, rows, strip);
  ASSERT_EQ(size_t(2) * columns * rows, strip.size());
  for (WORD index : strip) ASSERT_LT(index, columns * rows);
  std::vector<int> covered(size_t(columns - 1) * (rows - 1), 0);
  for (size_t i = 0; i + 2 < strip.size(); ++i) {
    const WORD a = strip[i], b = strip[i + 1], c = strip[i + 2];
    if (a == b || b == c || a == c) continue;  // degenerate
    const uint32_t r0 = std::min({a, b, c}) / columns, r1 = std::max({a, b, c}) / columns;
    const uint32_t c0 = std::min({a % columns, b % columns, c % columns});
    const uint32_t c1 = std::max({a % columns, b % columns, c % columns});
    ASSERT_LE(r1 - r0, 1u) << "triangle " << i << " spans rows";
    ASSERT_LE(c1 - c0, 1u) << "triangle " << i << " spans columns";
    ++covered[r0 * (columns - 1) + c0];
  }
  for (size_t cell = 0; cell < covered.size(); ++cell) {
    ASSERT_GE(covered[cell], 2) << "cell " << cell % (columns - 1) << ", " << cell / (columns - 1);
  }
}

INSTANTIATE_TEST_SUITE_P(EvenGrids, StripTest,
                         ::testing::Values(std::make_pair(4u, 4u), std::make_pair(6u, 4u), std::make_pair(4u, 6u),
                                           std::make_pair(128u, 96u), std::make_pair(226u, 288u),
                                           std::make_pair(4u, 16384u), std::make_pair(16384u, 4u)));

TEST(WaterRippleStrip, OddGridsStayInsideTheStrip) {
  for (uint32_t columns : {3u, 5u, 7u}) {
    for (uint32_t rows : {3u, 4u, 5u}) {
      std::vector<WORD> strip;
      DS_WaterRipple::BuildIndexStrip(columns, rows, strip);
      ASSERT_EQ(size_t(2) * columns * rows, strip.size());
      for (WORD index : strip) EXPECT_LT(index, columns * rows);
    }
  }
}

// ---- refraction table ----

TEST(WaterRippleRefraction, TableFollowsSnellsLawAndTheFresnelAlpha) {
  const DS_WaterRipple::RefractionEntry* table = DS_WaterRipple::GetSharedRefractionTable();
  EXPECT_EQ(253u, table[0].colour >> 24);
  EXPECT_EQ(0u, table[255].colour >> 24);
  for (int i = 0; i < 256; ++i) {
    const float cosI = i / 256.0f;
    const float sinT = std::sqrt(1.0f - cosI * cosI) / 1.333f;
    const float cosT = std::sqrt(1.0f - sinT * sinT);
    EXPECT_NEAR(1.333f * cosT - cosI, table[i].a, 2e-5f) << i;
    EXPECT_NEAR(-1.0f / 1.333f, table[i].b, 1e-5f) << i;
    EXPECT_EQ(0u, table[i].colour & 0x00FFFFFFu) << i;
    EXPECT_EQ(uint32_t((255 - i) * (255 - i) * (255 - i) / 65536), table[i].colour >> 24) << i;
  }
  DS_WaterRipple ripple;
  EXPECT_EQ(nullptr, ripple.GetRefractionTable());
  ripple.BuildRefractionTable();
  EXPECT_EQ(table, ripple.GetRefractionTable()) << "every ripple shares the one table";
}

// ---- drops ----

// Random drops land on inner cells only, so that each whole 3 x 3 block fits: every
// drop is taken whole, and over many drops every cell of the grid is reached.
TEST(WaterRippleDrop, RandomDropsLandWholeInsideTheGrid) {
  DS_WaterRipple ripple;
  ConfigureSquare(ripple, 8);
  ripple.dropStrength = 0.5f;
  srand(7);
  for (int i = 0; i < 300; ++i) ripple.AddDrop();
  double total = 0;
  for (uint32_t r = 0; r < 8; ++r) {
    for (uint32_t c = 0; c < 8; ++c) {
      const float v = ripple.GetCellVelocity(r, c);
      total += v;
      EXPECT_EQ(0.0f, ripple.GetCellHeight(r, c)) << "a drop moves velocities only";
      EXPECT_LT(v, 0.0f) << "no drop reached " << r << ", " << c;
    }
  }
  // Each drop lowers its block by 0.25 + 4 x 0.125 + 4 x 0.0625 = 1 x strength.
  EXPECT_NEAR(-300 * 0.5, total, 1e-3);
}

TEST(WaterRippleDrop, OneDropShapesAThreeByThreeBlock) {
  DS_WaterRipple ripple;
  ConfigureSquare(ripple, 8);
  ripple.dropStrength = 0.4f;
  ripple.AddDropAt(3, 4);
  EXPECT_FLOAT_EQ(-0.1f, ripple.GetCellVelocity(3, 4));
  EXPECT_FLOAT_EQ(-0.05f, ripple.GetCellVelocity(2, 4));
  EXPECT_FLOAT_EQ(-0.05f, ripple.GetCellVelocity(3, 5));
  EXPECT_FLOAT_EQ(-0.025f, ripple.GetCellVelocity(4, 5));
  EXPECT_FLOAT_EQ(0.0f, ripple.GetCellVelocity(3, 6));
  // A block that would reach the edge or beyond is refused.
  ripple.AddDropAt(0, 4);
  ripple.AddDropAt(7, 4);
  ripple.AddDropAt(3, 100);
  EXPECT_FLOAT_EQ(0.0f, ripple.GetCellVelocity(0, 4));
  EXPECT_FLOAT_EQ(0.0f, ripple.GetCellVelocity(6, 4));
}

// ---- simulation ----

TEST(WaterRippleStep, ASingleDropSpreadsSymmetrically) {
  DS_WaterRipple ripple;
  ConfigureSquare(ripple, 64);
  ripple.AddDropAt(32, 32);
  for (int i = 0; i < 3; ++i) ripple.Step(kEye);  // 12 sub-steps: the ring is not reached
  EXPECT_LT(ripple.GetCellHeight(32, 32), -0.01f) << "the drop did not dent the surface";
  EXPECT_NE(0.0f, ripple.GetCellHeight(32, 38)) << "the wave did not spread";
  const float centre = ripple.GetCellHeight(32, 32);
  for (int d = -15; d <= 15; ++d) {
    for (int e = -15; e <= 15; ++e) {
      const float h = ripple.GetCellHeight(32 + d, 32 + e);
      const float tolerance = 1e-6f + 1e-5f * std::fabs(centre);
      ASSERT_NEAR(h, ripple.GetCellHeight(32 - d, 32 + e), tolerance) << d << ", " << e;
      ASSERT_NEAR(h, ripple.GetCellHeight(32 + d, 32 - e), tolerance) << d << ", " << e;
      ASSERT_NEAR(h, ripple.GetCellHeight(32 + e, 32 + d), tolerance) << d << ", " << e;
    }
  }
}

TEST(WaterRippleStep, TheOuterRingHoldsMinusTheMeanAndTheSurfaceDoesNotDrift) {
  DS_WaterRipple ripple;
  ConfigureSquare(ripple, 16);
  srand(3);
  ripple.AddDrop();
  ripple.AddDrop();
  for (int step = 0; step < 20; ++step) {
    ripple.Step(kEye);
    double sum = 0;
    for (uint32_t r = 0; r < 16; ++r) {
      for (uint32_t c = 0; c < 16; ++c) {
        sum += ripple.GetCellHeight(r, c);
        if (r == 0 || c == 0 || r == 15 || c == 15) {
          ASSERT_EQ(-ripple.GetMean(), ripple.GetCellHeight(r, c)) << "ring cell " << r << ", " << c;
        }
      }
    }
    // With a wave gain of 1 the mean removal keeps the total height at 0.
    ASSERT_NEAR(0.0, sum, 1e-4) << "step " << step;
  }
}

TEST(WaterRippleStep, DampingDecaysTheEnergy) {
  struct Run {
    float damping;
    double energyAfter20;
  };
  Run runs[] = {{0.9f, 0}, {0.99f, 0}, {0.999f, 0}};
  for (Run& run : runs) {
    DS_WaterRipple ripple;
    ConfigureSquare(ripple, 32);
    ripple.damping = run.damping;
    ripple.AddDropAt(16, 16);
    ripple.Step(kEye);
    const double start = Energy(ripple);
    for (int i = 0; i < 20; ++i) ripple.Step(kEye);
    run.energyAfter20 = Energy(ripple);
    ASSERT_GT(start, 0.0);
  }
  EXPECT_LT(runs[0].energyAfter20, runs[1].energyAfter20);
  EXPECT_LT(runs[1].energyAfter20, runs[2].energyAfter20);

  // Strong damping stills the surface.
  DS_WaterRipple ripple;
  ConfigureSquare(ripple, 32);
  ripple.damping = 0.9f;
  ripple.AddDropAt(16, 16);
  for (int i = 0; i < 150; ++i) ripple.Step(kEye);
  EXPECT_LT(Energy(ripple), 1e-10);
}

// Gains and dampings from a document can drive the surface past what a float holds:
// it starts again flat, and the mesh never holds NaN or infinity.
TEST(WaterRippleStep, UnstableSettingsNeverReachTheMesh) {
  struct Setting {
    float gain, damping;
  };
  for (const Setting& s : {Setting{1.0f, 1.5f}, Setting{60.0f, 0.99f}, Setting{1e30f, 1e30f}}) {
    DS_WaterRipple ripple;
    ConfigureSquare(ripple, 16);
    ripple.waveGain = s.gain;
    ripple.damping = s.damping;
    ripple.AddDropAt(8, 8);
    for (int i = 0; i < 400; ++i) {
      ripple.Step(kEye);
      if (i % 40 == 0) ripple.AddDropAt(8, 8);
      for (const DX_V::PNCT& v : Mesh(ripple, kEye)) ASSERT_TRUE(Finite(v)) << "gain " << s.gain << " step " << i;
    }
  }
}

TEST(WaterRippleStep, NothingHappensBeforeConfigure) {
  DS_WaterRipple ripple;
  ripple.AddDrop();
  ripple.SimulateSubStep();
  EXPECT_EQ(D3DERR_INVALIDCALL, ripple.Step(kEye));
  EXPECT_EQ(D3DERR_INVALIDCALL, ripple.Draw());
  EXPECT_FALSE(ripple.IsConfigured());
}

TEST(WaterRippleStep, WithoutABufferTheSurfaceStillMoves) {
  DS_WaterRipple ripple;
  ConfigureSquare(ripple, 16);
  EXPECT_EQ(nullptr, ripple.GetVertexBuffer()) << "no device, no buffers";
  ripple.AddDropAt(8, 8);
  EXPECT_EQ(D3DERR_INVALIDCALL, ripple.Step(kEye));
  EXPECT_NE(0.0f, ripple.GetCellHeight(8, 8));
}

TEST(WaterRippleStep, ConfigureStartsAgainFlat) {
  DS_WaterRipple ripple;
  ConfigureSquare(ripple, 16);
  ripple.AddDropAt(8, 8);
  ripple.Step(kEye);
  ConfigureSquare(ripple, 16);
  EXPECT_EQ(0.0, Energy(ripple));
}

// ---- mesh ----

TEST(WaterRippleMesh, WithoutRefractionTheTextureCoversTheSurfaceOnce) {
  DS_WaterRipple ripple;
  ripple.Configure(40.0f, 30.0f, 1.0f, 0.25f);  // 32 x 24
  ripple.refractionStrength = 0;
  ripple.AddDropAt(12, 16);
  ripple.AddDropAt(5, 5);
  for (int i = 0; i < 4; ++i) ripple.Step(kEye);
  const std::vector<DX_V::PNCT> mesh = Mesh(ripple, kEye);
  const uint32_t columns = ripple.GetColumns();
  bool waves = false;
  for (size_t k = 0; k < mesh.size(); ++k) {
    const DX_V::PNCT& v = mesh[k];
    const float x = -20.0f + float(k % columns) * (40.0f / float(columns - 1));
    const float z = -15.0f + float(k / columns) * (30.0f / float(ripple.GetRows() - 1));
    ASSERT_FLOAT_EQ(x, v.x);
    ASSERT_FLOAT_EQ(z, v.z);
    ASSERT_NEAR(0.5f + x / 40.0f, v.u, 1e-6f) << k;
    ASSERT_NEAR(0.5f + z / 30.0f, v.v, 1e-6f) << k;
    if (std::fabs(v.y) > 1e-3f) waves = true;
  }
  EXPECT_TRUE(waves) << "the surface was still; the case shows nothing";
  EXPECT_NEAR(0.0f, mesh.front().v, 1e-6f) << "the first row is the top of the picture";
}

TEST(WaterRippleMesh, AFlatSurfaceRefractsStraightDownBelowTheEye) {
  DS_WaterRipple ripple;
  ConfigureSquare(ripple, 16);
  ripple.refractionStrength = 0.2f;
  const uint32_t row = 5, column = 9;
  const float x = -15.0f + column * 2.0f, z = -15.0f + row * 2.0f;
  const std::vector<DX_V::PNCT> mesh = Mesh(ripple, D3DXVECTOR3(x, 120.0f, z));
  const DX_V::PNCT& below = mesh[row * 16 + column];
  EXPECT_FLOAT_EQ(0.0f, below.nx);
  EXPECT_FLOAT_EQ(1.0f, below.ny);
  EXPECT_FLOAT_EQ(0.0f, below.nz);
  EXPECT_EQ(0u, below.color >> 24) << "straight down: table entry 255";
  const float f = 1.0f - 0.05f * 0.2f;
  EXPECT_NEAR(0.5f + f * x / 30.0f, below.u, 1e-6f);
  EXPECT_NEAR(0.5f + f * z / 30.0f, below.v, 1e-6f);

}

TEST(WaterRippleMesh, AFlatSurfaceSeenFromAboveItsCentreIsMirrored) {
  DS_WaterRipple ripple;
  ConfigureSquare(ripple, 16);
  const std::vector<DX_V::PNCT> mesh = Mesh(ripple, kEye);
  for (uint32_t row = 0; row < 16; ++row) {
    for (uint32_t column = 0; column < 16; ++column) {
      const DX_V::PNCT& v = mesh[row * 16 + column];
      const DX_V::PNCT& mirrored = mesh[row * 16 + 15 - column];
      ASSERT_NEAR(v.u - 0.5f, 0.5f - mirrored.u, 1e-5f) << row << ", " << column;
      ASSERT_NEAR(v.v, mirrored.v, 1e-6f) << row << ", " << column;
    }
  }
  // Slanted views reflect more: seen from close above, the corners carry more alpha
  // than the middle.
  const std::vector<DX_V::PNCT> close = Mesh(ripple, D3DXVECTOR3(0, 20, 0));
  EXPECT_GT(close[0].color >> 24, close[7 * 16 + 7].color >> 24);
}

TEST(WaterRippleMesh, AWaveShiftsTheTextureCoordinates) {
  DS_WaterRipple flat, rippled;
  ConfigureSquare(flat, 32);
  ConfigureSquare(rippled, 32);
  rippled.AddDropAt(16, 16);
  for (int i = 0; i < 3; ++i) {
    flat.Step(kEye);
    rippled.Step(kEye);
  }
  const std::vector<DX_V::PNCT> a = Mesh(flat, kEye), b = Mesh(rippled, kEye);
  float largest = 0;
  for (size_t k = 0; k < a.size(); ++k) largest = std::max(largest, std::fabs(a[k].u - b[k].u));
  EXPECT_GT(largest, 1e-3f) << "the refracted coordinates did not follow the wave";
}

// The far edges of a wide picture and an eye below a steep wave have no regular
// refracted crossing; the coordinates stay finite and the table index inside.
TEST(WaterRippleMesh, WideSurfacesAndSteepWavesStayFinite) {
  DS_WaterRipple wide;
  wide.Configure(120.0f, 30.0f, 1.0f, 1.0f);
  for (const DX_V::PNCT& v : Mesh(wide, kEye)) ASSERT_TRUE(Finite(v));

  DS_WaterRipple steep;
  ConfigureSquare(steep, 16);
  steep.SetCellHeight(8, 8, 500.0f);  // above the eye
  steep.SetCellHeight(4, 4, -1e6f);
  for (const DX_V::PNCT& v : Mesh(steep, kEye)) ASSERT_TRUE(Finite(v));
  for (const DX_V::PNCT& v : Mesh(steep, D3DXVECTOR3(-15.0f + 8 * 2.0f, 500.0f, -15.0f + 8 * 2.0f))) {
    ASSERT_TRUE(Finite(v)) << "eye on a vertex";
  }
}

TEST(WaterRippleMesh, SizesThatAreNoSizesGiveAFiniteMesh) {
  for (float size : {0.0f, -5.0f, float(NAN), float(INFINITY)}) {
    DS_WaterRipple ripple;
    ripple.Configure(size, 30.0f, 1.0f, 1.0f);
    ASSERT_TRUE(ripple.IsConfigured());
    for (const DX_V::PNCT& v : Mesh(ripple, kEye)) ASSERT_TRUE(Finite(v)) << size;
  }
}

}  // namespace
