// The code-rain simulation without a device: grid sizes, spawn odds, feeds, column
// steps, new streams, spinners, glitches and the walk that draws and ages the cells.
// Random choices are checked against the seeded rand() sequence they must consume, in
// the order they must consume it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "render/SceneMapping.h"
#include "render/layers/CodeRainGrid.h"

namespace {

typedef DS_MatrixCodeGrid Grid;

// The rand() values a seed gives, replayed in order; the generator is reseeded so the
// code under test sees the same values.
class Sequence {
public:
  explicit Sequence(unsigned seed, int count = 400) {
    std::srand(seed);
    for (int i = 0; i < count; ++i) m_values.push_back(std::rand());
    std::srand(seed);
  }
  int operator()() { return m_values.at(m_next++); }
  int Peek(size_t index) const { return m_values.at(index); }
  size_t Used() const { return m_next; }

private:
  std::vector<int> m_values;
  size_t m_next = 0;
};

DS_MatrixCodeConfig Config(int cellSize, int fallStyle = 0, int glitchCount = 0, int density = 20,
                           int spinners = 0, int glyphCount = 6) {
  DS_MatrixCodeConfig config;
  config.cellSize = cellSize;
  config.fallStyle = fallStyle;
  config.glitchCount = glitchCount;
  config.density = density;
  config.spinnerSwitch = spinners;
  config.glyphCount = glyphCount;
  return config;
}

// A grid of `columns` x `rows` cells of 16 pixels.
std::unique_ptr<Grid> MakeGrid(int columns, int rows, const DS_MatrixCodeConfig& config = Config(16)) {
  return Grid::Create(config, (columns - 1) * config.cellSize, (rows - 1) * config.cellSize);
}

uint32_t Word(int glyph, int age, bool changed = false, bool glitch = false) {
  uint32_t word = Grid::WithAge(Grid::WithGlyph(0, glyph), age);
  if (changed) word |= Grid::kChanged;
  if (glitch) word |= Grid::kGlitch;
  return word;
}

void SetColumn(Grid& grid, int column, const std::vector<uint32_t>& words) {
  for (size_t r = 0; r < words.size(); ++r) grid.Cell(column, int(r)) = words[r];
}

std::vector<int> Glyphs(const Grid& grid, int column) {
  std::vector<int> glyphs;
  for (int r = 0; r < grid.GetRows(); ++r) glyphs.push_back(Grid::GlyphOf(grid.Cell(column, r)));
  return glyphs;
}

std::vector<int> Ages(const Grid& grid, int column) {
  std::vector<int> ages;
  for (int r = 0; r < grid.GetRows(); ++r) ages.push_back(Grid::AgeOf(grid.Cell(column, r)));
  return ages;
}

// ---- sizes, styles, odds ----

struct SizeCase {
  int sceneWidth, sceneHeight, cellSize;
  int columns, rows, usedCellSize;
};

TEST(CodeRainGridTest, GridSizesFollowTheSceneAndCellSize) {
  const SizeCase cases[] = {
      {1024, 768, 16, 65, 49, 16},  // the defaults: 1024 div 16 + 1, 768 div 16 + 1
      {0, 0, 16, 1, 1, 16},         // no picture: one cell
      {15, 15, 16, 1, 1, 16},
      {16, 16, 16, 2, 2, 16},
      {100, 50, 1, 101, 51, 1},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.sceneWidth << " x " << c.sceneHeight << " cells of " << c.cellSize);
    std::unique_ptr<Grid> grid = Grid::Create(Config(c.cellSize), c.sceneWidth, c.sceneHeight);
    EXPECT_EQ(c.columns, grid->GetColumns());
    EXPECT_EQ(c.rows, grid->GetRows());
    EXPECT_EQ(c.usedCellSize, grid->GetCellSize());
    EXPECT_EQ(size_t(c.columns) * size_t(c.rows), grid->GetCellCount());
  }
  // Cell size 0 counts as 1.
  std::unique_ptr<Grid> zero = Grid::Create(Config(0), 40, 20);
  EXPECT_EQ(1, zero->GetCellSize());
  EXPECT_EQ(41, zero->GetColumns());
}

TEST(CodeRainGridTest, SmallCellsOnLargePicturesStayWithinTheCellBound) {
  const int scenes[][2] = {{1024, 768}, {4096, 4096}, {1 << 20, 16}, {2000000000, 2000000000}};
  for (const auto& scene : scenes) {
    SCOPED_TRACE(::testing::Message() << scene[0] << " x " << scene[1]);
    std::unique_ptr<Grid> grid = Grid::Create(Config(1), scene[0], scene[1]);
    EXPECT_LE(grid->GetCellCount(), size_t(Grid::kMaxCells));
    // The smallest size that fits: one pixel less would not.
    const int size = grid->GetCellSize();
    ASSERT_GT(size, 1);
    const int64_t smaller =
        int64_t(Grid::CellsAcross(scene[0], size - 1)) * int64_t(Grid::CellsAcross(scene[1], size - 1));
    EXPECT_GT(smaller, int64_t(Grid::kMaxCells));
  }
}

TEST(CodeRainGridTest, FallStyleChoosesScrollingAndGrowingStreams) {
  const struct {
    int style;
    bool inPlace, mixed;
  } cases[] = {{0, false, true}, {1, true, false}, {2, true, true}, {-1, true, true}, {9, true, true}};
  for (const auto& c : cases) {
    std::unique_ptr<Grid> grid = MakeGrid(3, 3, Config(16, c.style));
    EXPECT_EQ(c.inPlace, grid->IsInPlace()) << "style " << c.style;
    EXPECT_EQ(c.mixed, grid->IsMixed()) << "style " << c.style;
  }
}

TEST(CodeRainGridTest, SpawnOddsByDensity) {
  const int cases[][2] = {{1, 85},  {9, 85},  {10, 60}, {14, 60}, {15, 45}, {19, 45}, {20, 25}, {24, 25},
                          {25, 20}, {29, 20}, {30, 15}, {34, 15}, {35, 10}, {44, 10}, {45, 8},  {49, 8},
                          {50, 7},  {54, 7},  {55, 5},  {64, 5},  {65, 3},  {79, 3},  {80, 2},  {89, 2},
                          {90, 1},  {100, 1}};
  for (const auto& c : cases) EXPECT_EQ(c[1], Grid::SpawnOddsFor(c[0])) << "density " << c[0];
  EXPECT_EQ(25, MakeGrid(2, 2, Config(16, 0, 0, 20))->SpawnOdds());
}

TEST(CodeRainGridTest, GlyphCountBelowTwoIsTwo) {
  EXPECT_EQ(2, MakeGrid(2, 2, Config(16, 0, 0, 20, 0, 1))->GetGlyphCount());
  EXPECT_EQ(2, MakeGrid(2, 2, Config(16, 0, 0, 20, 0, -7))->GetGlyphCount());
  // A glyph is one byte of its cell: random glyphs stay within it.
  std::unique_ptr<Grid> tall = MakeGrid(2, 2, Config(16, 0, 0, 20, 0, 1000));
  EXPECT_EQ(1000, tall->GetGlyphCount());
  EXPECT_EQ(255, tall->GetGlyphChoices());
  Sequence seq(3);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(seq() % 255 + 1, tall->RandomGlyph());
}

// ---- glitches ----

TEST(CodeRainGridTest, GlitchesArePlacedColumnThenRow) {
  for (unsigned seed : {11u, 12u, 13u}) {
    Sequence seq(seed);
    // Glitch count 4: three glitch cells.
    std::unique_ptr<Grid> grid = MakeGrid(5, 4, Config(16, 0, 4));
    std::vector<bool> expected(grid->GetCellCount(), false);
    for (int i = 0; i < 3; ++i) {
      const int column = seq() % 5;
      const int row = seq() % 4;
      expected[size_t(column + row * 5)] = true;
    }
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(expected[i], (grid->CellAt(i) & Grid::kGlitch) != 0) << "seed " << seed << ", cell " << i;
      EXPECT_EQ(0u, grid->CellAt(i) & ~Grid::kGlitch) << "a new grid is empty";
    }
    EXPECT_EQ(seq(), std::rand()) << "three glitches take six random numbers";
  }
}

TEST(CodeRainGridTest, GlitchCountsOfZeroOrOneLeaveNoGlitches) {
  for (int count : {0, 1, -5}) {
    std::unique_ptr<Grid> grid = MakeGrid(4, 4, Config(16, 0, count));
    for (size_t i = 0; i < grid->GetCellCount(); ++i) grid->CellAt(i) |= Grid::kGlitch;
    grid->ResetGlitches();
    for (size_t i = 0; i < grid->GetCellCount(); ++i) EXPECT_EQ(0u, grid->CellAt(i)) << "count " << count;
  }
}

TEST(CodeRainGridTest, HugeGlitchCountsAreBoundedByTheCells) {
  Sequence seq(5, 200);
  // A 3 x 3 grid: at most four placements per cell, two random numbers each.
  std::unique_ptr<Grid> grid = MakeGrid(3, 3, Config(16, 0, 0x7FFFFFFF));
  EXPECT_EQ(seq.Peek(72), std::rand());
}

// ---- feeds ----

struct ScrollCase {
  const char* name;
  bool fadeTails;
  std::vector<uint32_t> before;
  int glyph;
  std::vector<int> glyphs;
  std::vector<int> ages;
};

TEST(CodeRainGridTest, ScrollingFeedMovesTheColumnDown) {
  const ScrollCase cases[] = {
      // The tail below a gap fades instead of moving.
      {"fading tail", true, {Word(3, 0), Word(0, 0), Word(5, 0)}, 7, {7, 3, 5}, {0, 0, -1}},
      {"no fading", false, {Word(3, 0), Word(0, 0), Word(5, 0)}, 7, {7, 3, 0}, {0, 0, 0}},
      {"blank enters", true, {Word(3, 0), Word(4, 0), Word(5, 0)}, 0, {0, 3, 4}, {0, 0, 0}},
      {"ages move along", true, {Word(3, 2), Word(4, -1), Word(0, 0)}, 6, {6, 3, 4}, {0, 2, -1}},
      {"lone tail", true, {Word(0, 0), Word(0, 0), Word(5, 0)}, 0, {0, 0, 5}, {0, 0, -1}},
      {"glyph byte", true, {Word(0, 0), Word(0, 0), Word(0, 0)}, 0x1FF, {255, 0, 0}, {0, 0, 0}},
  };
  for (const ScrollCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<Grid> grid = MakeGrid(2, 3);
    grid->fadeTails = c.fadeTails;
    SetColumn(*grid, 1, c.before);
    grid->Feed(-1, c.glyph, 1);
    EXPECT_EQ(c.glyphs, Glyphs(*grid, 1));
    EXPECT_EQ(c.ages, Ages(*grid, 1));
    for (int r = 0; r < 3; ++r) {
      EXPECT_TRUE(grid->Cell(1, r) & Grid::kChanged) << "row " << r;
      EXPECT_EQ(0u, grid->Cell(0, r)) << "the other column";
    }
  }
}

TEST(CodeRainGridTest, ScrollingKeepsEachCellsOwnGlitchBit) {
  std::unique_ptr<Grid> grid = MakeGrid(1, 3);
  SetColumn(*grid, 0, {Word(3, 0, false, true), Word(4, 0), Word(5, 0, false, true)});
  grid->Feed(-1, 2, 0);
  EXPECT_EQ((std::vector<int>{2, 3, 4}), Glyphs(*grid, 0));
  EXPECT_TRUE(grid->Cell(0, 0) & Grid::kGlitch);
  EXPECT_FALSE(grid->Cell(0, 1) & Grid::kGlitch);
  EXPECT_TRUE(grid->Cell(0, 2) & Grid::kGlitch);
}

TEST(CodeRainGridTest, InPlaceFeedHighlightsTheNewHead) {
  for (unsigned seed : {1u, 2u, 3u, 4u}) {
    Sequence seq(seed);
    std::unique_ptr<Grid> grid = MakeGrid(2, 4);
    grid->Feed(2, 4, 1);
    EXPECT_EQ(4, Grid::GlyphOf(grid->Cell(1, 2)));
    EXPECT_EQ(seq() % 2 + 1, Grid::AgeOf(grid->Cell(1, 2))) << "seed " << seed;
    EXPECT_TRUE(grid->Cell(1, 2) & Grid::kChanged);
    EXPECT_EQ((std::vector<int>{0, 0, 4, 0}), Glyphs(*grid, 1)) << "nothing else moves";
    // A blank keeps the age; a feed below the grid does nothing and takes no number.
    grid->Cell(1, 2) &= ~Grid::kChanged;
    grid->Feed(2, 0, 1);
    EXPECT_EQ(0, Grid::GlyphOf(grid->Cell(1, 2)));
    EXPECT_EQ(Word(0, Grid::AgeOf(grid->Cell(1, 2)), true), grid->Cell(1, 2));
    grid->Feed(4, 3, 1);
    grid->Feed(1000, 3, 1);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), Glyphs(*grid, 1));
    EXPECT_EQ(seq(), std::rand());
  }
}

// ---- column steps ----

struct StepCase {
  const char* name;
  DS_MatrixCodeColumn before;
  bool blankOnly;
  std::vector<uint32_t> cells;
  // The column and cells the step must leave, from the random numbers it must take.
  void (*expect)(Sequence& seq, DS_MatrixCodeColumn& state, std::vector<int>& glyphs);
};

void ExpectPause(Sequence& seq, DS_MatrixCodeColumn& state) {
  if (seq() % 10 == 0) {
    const int first = seq() % 5;
    state.delay = first + seq() % 5;
  }
}

TEST(CodeRainGridTest, StepColumnsAdvancesEachStream) {
  const StepCase cases[] = {
      {"paused", {3, 2, 1}, false, {Word(1, 0), 0, 0, 0},
       [](Sequence& seq, DS_MatrixCodeColumn& state, std::vector<int>& glyphs) {
         state.delay = 1;
         glyphs = {1, 0, 0, 0};
         ExpectPause(seq, state);
       }},
      {"writing in place", {3, 0, 1}, false, {0, 0, 0, 0},
       [](Sequence& seq, DS_MatrixCodeColumn& state, std::vector<int>& glyphs) {
         const int glyph = seq() % 6 + 1;
         seq();  // the head's highlight
         glyphs = {0, glyph, 0, 0};
         state.remaining = 2;
         state.position = 2;
         ExpectPause(seq, state);
       }},
      {"last glyph then blank", {1, 0, 1}, false, {0, 0, 0, 0},
       [](Sequence& seq, DS_MatrixCodeColumn& state, std::vector<int>& glyphs) {
         seq();  // the glyph
         seq();  // its highlight
         glyphs = {0, 0, 0, 0};  // the exhausted stream blanks the same row
         state.remaining = 0;
         state.position = 2;
         ExpectPause(seq, state);
       }},
      {"exhausted scrolling column keeps scrolling", {0, 0, -1}, false, {Word(2, 0), Word(3, 0), 0, 0},
       [](Sequence& seq, DS_MatrixCodeColumn& state, std::vector<int>& glyphs) {
         glyphs = {0, 2, 3, 0};
         ExpectPause(seq, state);
       }},
      {"scrolling writer", {5, 0, -1}, false, {Word(2, 0), 0, 0, 0},
       [](Sequence& seq, DS_MatrixCodeColumn& state, std::vector<int>& glyphs) {
         glyphs = {seq() % 6 + 1, 2, 0, 0};
         state.remaining = 4;
         ExpectPause(seq, state);
       }},
      {"blank only", {3, 0, 0}, true, {Word(4, 0), 0, 0, 0},
       [](Sequence& seq, DS_MatrixCodeColumn& state, std::vector<int>& glyphs) {
         glyphs = {0, 0, 0, 0};
         state.remaining = 2;
         state.position = 1;
         ExpectPause(seq, state);
       }},
      {"below the grid", {0, 0, 7}, false, {Word(4, 0), 0, 0, 0},
       [](Sequence& seq, DS_MatrixCodeColumn& state, std::vector<int>& glyphs) {
         glyphs = {4, 0, 0, 0};
         state.position = 8;  // the position still advances
         ExpectPause(seq, state);
       }},
  };
  for (const StepCase& c : cases) {
    // Enough seeds that some columns pause and some do not.
    for (unsigned seed = 1; seed <= 30; ++seed) {
      SCOPED_TRACE(::testing::Message() << c.name << ", seed " << seed);
      std::unique_ptr<Grid> grid = MakeGrid(1, 4);
      SetColumn(*grid, 0, c.cells);
      grid->Column(0) = c.before;
      Sequence seq(seed);
      DS_MatrixCodeColumn state = c.before;
      std::vector<int> glyphs;
      c.expect(seq, state, glyphs);
      std::srand(seed);
      grid->StepColumns(c.blankOnly);
      EXPECT_EQ(glyphs, Glyphs(*grid, 0));
      EXPECT_EQ(state.remaining, grid->Column(0).remaining);
      EXPECT_EQ(state.delay, grid->Column(0).delay);
      EXPECT_EQ(state.position, grid->Column(0).position);
      EXPECT_EQ(seq(), std::rand()) << "random numbers taken";
    }
  }
}

// ---- new streams ----

TEST(CodeRainGridTest, NewStreamsByFallStyle) {
  for (int style : {0, 1, 2}) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
      SCOPED_TRACE(::testing::Message() << "style " << style << ", seed " << seed);
      // One column of ten rows; density 100 spawns every time.
      std::unique_ptr<Grid> grid = MakeGrid(1, 10, Config(16, style, 0, 100));
      Sequence seq(seed);
      seq();  // the odds
      DS_MatrixCodeColumn expected;
      expected.remaining = seq() % 10 + 3;
      const int first = seq() % 5;
      expected.delay = first + seq() % 5;
      if (seq() % 4 != 0) expected.remaining = 0;
      const bool inPlace = style == 2 ? seq() % 2 == 1 : style == 1;
      expected.position = inPlace ? seq() % 5 : -1;
      seq();  // the glitch reset
      std::srand(seed);
      grid->SpawnStreams();
      EXPECT_EQ(expected.remaining, grid->Column(0).remaining);
      EXPECT_EQ(expected.delay, grid->Column(0).delay);
      EXPECT_EQ(expected.position, grid->Column(0).position);
      EXPECT_EQ(seq(), std::rand());
    }
  }
}

TEST(CodeRainGridTest, BusyColumnsWaitUnlessRestartsAreAllowed) {
  for (bool restart : {false, true}) {
    std::unique_ptr<Grid> grid = MakeGrid(1, 10, Config(16, 0, 0, 100));
    grid->restartBusyColumns = restart;
    grid->Column(0) = DS_MatrixCodeColumn{4, 7, 2};
    Sequence seq(21);
    grid->SpawnStreams();
    if (restart) {
      EXPECT_EQ(-1, grid->Column(0).position) << "a scrolling stream started over the busy one";
    } else {
      EXPECT_EQ(4, grid->Column(0).remaining);
      EXPECT_EQ(7, grid->Column(0).delay);
      EXPECT_EQ(2, grid->Column(0).position);
      seq();  // only the glitch reset's number
      EXPECT_EQ(seq(), std::rand());
    }
  }
}

TEST(CodeRainGridTest, LowDensityRarelySpawns) {
  int started = 0;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::unique_ptr<Grid> grid = MakeGrid(1, 10, Config(16, 0, 0, 20));
    Sequence seq(seed);
    const bool spawns = seq() % 25 == 0;
    grid->SpawnStreams();
    EXPECT_EQ(spawns, grid->Column(0).position == -1) << "seed " << seed;
    started += spawns ? 1 : 0;
  }
  EXPECT_GT(started, 0);
  EXPECT_LT(started, 30);
}

TEST(CodeRainGridTest, OneRowGridsStartInPlaceStreamsAtTheTop) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::srand(seed);
    std::unique_ptr<Grid> grid = MakeGrid(3, 1, Config(16, 1, 0, 100, 1));
    grid->SpawnStreams();
    for (int c = 0; c < 3; ++c) EXPECT_EQ(0, grid->Column(c).position);
  }
}

TEST(CodeRainGridTest, SpinnersHighlightAtMostEightCellsOfATwentyColumnGrid) {
  for (unsigned seed = 1; seed <= 100; ++seed) {
    std::unique_ptr<Grid> grid = MakeGrid(20, 10, Config(16, 0, 0, 20, 1));
    for (size_t i = 0; i < grid->GetCellCount(); ++i) grid->CellAt(i) = Word(1, 0);
    Sequence seq(seed);
    const int spins = (seq() % 100) / 10 - 1;
    grid->SpawnStreams();
    int marked = 0;
    for (size_t i = 0; i < grid->GetCellCount(); ++i) marked += (grid->CellAt(i) & Grid::kChanged) ? 1 : 0;
    EXPECT_LE(marked, spins > 0 ? spins : 0) << "seed " << seed;
    EXPECT_LE(marked, 8);
    if (spins > 0) {
      EXPECT_GE(marked, 1) << "seed " << seed;
    }
  }
  // One column has no range to pick spinners from.
  std::unique_ptr<Grid> narrow = MakeGrid(1, 10, Config(16, 0, 0, 20, 1));
  narrow->CellAt(0) = Word(1, 0);
  narrow->SpawnStreams();
  EXPECT_EQ(0, Grid::AgeOf(narrow->CellAt(0)));
}

// ---- the walk ----

class CodeRainWalkTest : public ::testing::Test {
protected:
  void SetUp() override { g_PictureQuad.SetCorners(10, 20, 330, 260); }
  void TearDown() override { g_PictureQuad.Reset(); }

  // The classes a walk draws, in order.
  static std::vector<int> Pass(DS_MatrixCodeRain& rain) {
    std::vector<int> classes;
    DS_MatrixCodeGlyph item;
    rain.BeginFrame();
    while (rain.NextCell(item)) classes.push_back(item.cellClass);
    return classes;
  }
};

TEST_F(CodeRainWalkTest, AnEmptyGridEndsAtTheFirstCall) {
  DS_MatrixCodeRain rain(MakeGrid(4, 3));
  DS_MatrixCodeGlyph item;
  item.colorMask = 0xFFFFFFFF;
  EXPECT_FALSE(rain.NextCell(item));
  EXPECT_EQ(3, rain.GetCursorRow()) << "every cell was visited";
  EXPECT_EQ(0, rain.GetCount());
  EXPECT_EQ(0x00FFFFFFu, item.colorMask);
  EXPECT_FALSE(rain.NextCell(item));
}

TEST_F(CodeRainWalkTest, CellsAreDescribedInRowMajorOrder) {
  DS_MatrixCodeRain rain(MakeGrid(4, 3, Config(16, 0, 0, 20, 0, 4)));
  Grid& grid = rain.Grid();
  grid.Cell(3, 0) = Word(1, 0);
  grid.Cell(1, 1) = Word(4, 0);
  grid.Cell(0, 1) = Word(2, 0);
  DS_MatrixCodeGlyph item;
  item.halfWidth = 8;
  item.halfHeight = 6;
  const struct {
    int column, row;
    float x, y, vTop, vBottom;
  } expected[] = {
      {3, 0, 8 + 10 + 3 * 16, 6 + 20, 0.0f, 0.25f},
      {0, 1, 8 + 10, 6 + 20 + 12, 0.25f, 0.5f},
      {1, 1, 8 + 10 + 16, 6 + 20 + 12, 0.75f, 1.0f},
  };
  for (const auto& e : expected) {
    ASSERT_TRUE(rain.NextCell(item));
    EXPECT_EQ(e.column, item.column);
    EXPECT_EQ(e.row, item.row);
    EXPECT_FLOAT_EQ(e.x, item.x);
    EXPECT_FLOAT_EQ(e.y, item.y);
    EXPECT_EQ(0.0f, item.z);
    EXPECT_FLOAT_EQ(0.0f, item.uLeft);
    EXPECT_FLOAT_EQ(1.0f, item.uRight);
    EXPECT_FLOAT_EQ(e.vTop, item.vTop);
    EXPECT_FLOAT_EQ(e.vBottom, item.vBottom);
    EXPECT_EQ(0xFFFFFFFFu, item.colorMask);
  }
  EXPECT_FALSE(rain.NextCell(item));
  EXPECT_EQ(3, rain.GetCount());
  // The last cell's description stays, made invisible.
  EXPECT_EQ(0, item.column);
  EXPECT_FLOAT_EQ(8 + 10 + 16, item.x);
  EXPECT_EQ(0x00FFFFFFu, item.colorMask);
  rain.BeginFrame();
  EXPECT_EQ(3, rain.GetPreviousCount());
  EXPECT_EQ(0, rain.GetCount());
}

TEST_F(CodeRainWalkTest, CellsAreDrawnAsTheyWereThenAged) {
  const struct {
    const char* name;
    uint32_t word;
    std::vector<std::vector<int>> passes;
  } cases[] = {
      {"highlighted for two passes", Word(3, 2, true), {{2}, {2}, {1}, {1}}},
      {"removed after one fading pass", Word(3, -1, true), {{0}, {}, {}}},
      {"fading for two passes", Word(3, -2, true), {{0}, {0}, {}}},
      {"normal", Word(3, 0, true), {{1}, {1}}},
      {"unchanged cells do not age", Word(3, 5), {{2}, {2}, {2}}},
      {"unchanged fading cells stay", Word(3, -1), {{0}, {0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DS_MatrixCodeRain rain(MakeGrid(2, 2));
    rain.Grid().Cell(1, 1) = c.word;
    for (size_t pass = 0; pass < c.passes.size(); ++pass) EXPECT_EQ(c.passes[pass], Pass(rain)) << "pass " << pass;
  }
}

TEST_F(CodeRainWalkTest, GlitchCellsChangeGlyphAtEveryPassUntilEmpty) {
  for (unsigned seed = 1; seed <= 10; ++seed) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    DS_MatrixCodeRain rain(MakeGrid(2, 2, Config(16, 0, 0, 20, 0, 3)));
    uint32_t& cell = rain.Grid().Cell(0, 1);
    cell = Word(2, 0, true, true);
    Sequence seq(seed);
    int glyph = 2;
    for (int pass = 0; pass < 6; ++pass) {
      DS_MatrixCodeGlyph item;
      rain.BeginFrame();
      if (glyph == 0) {
        EXPECT_FALSE(rain.NextCell(item));
        continue;
      }
      ASSERT_TRUE(rain.NextCell(item));
      EXPECT_EQ(DS_MatrixCodeGlyph::kHighlighted, item.cellClass);
      EXPECT_FLOAT_EQ(float(glyph - 1) / 3.0f, item.vTop) << "drawn with the glyph it had";
      glyph = seq() % 3;
      EXPECT_EQ(glyph, Grid::GlyphOf(cell));
    }
    EXPECT_EQ(seq(), std::rand());
  }
}

}  // namespace
