#include "render/layers/CodeRainGrid.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "render/Layer.h"
#include "render/SceneMapping.h"

namespace {

// Fall styles: scrolling columns only, streams growing in place only, otherwise both.
const int kFallScrolling = 0;
const int kFallInPlace = 1;

// Glitches are placed again, on average, once in this many frames.
const int kGlitchResetOdds = 500;
// A new stream is at least this long; one in kWriterOdds new streams writes glyphs,
// the others erase.
const int kStreamExtraLength = 3;
const int kWriterOdds = 4;
// Column pauses: one update in kPauseOdds starts a pause of two draws below
// kPauseRange added together.
const int kPauseOdds = 10;
const int kPauseRange = 5;
// Spinners are highlighted for fewer updates than this.
const int kSpinnerAgeRange = 20;

int Random() { return std::rand(); }

int RandomPause() {
  const int first = Random() % kPauseRange;
  return first + Random() % kPauseRange;
}

}  // namespace

// ---- creation ----

int DS_MatrixCodeGrid::CellsAcross(int sceneSize, int cellSize) {
  if (cellSize < 1) cellSize = 1;
  if (sceneSize < 0) sceneSize = 0;
  return sceneSize / cellSize + 1;
}

int DS_MatrixCodeGrid::FitCellSize(int cellSize, int sceneWidth, int sceneHeight) {
  auto cells = [&](int size) {
    return int64_t(CellsAcross(sceneWidth, size)) * int64_t(CellsAcross(sceneHeight, size));
  };
  int low = std::max(cellSize, 1);
  if (cells(low) <= kMaxCells) return low;
  // Cells shrink as the size grows; beyond the larger scene side the grid is 1 x 1.
  int high = std::max(std::max(sceneWidth, sceneHeight), low);
  if (high < INT_MAX) ++high;
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (cells(middle) <= kMaxCells) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return low;
}

std::unique_ptr<DS_MatrixCodeGrid> DS_MatrixCodeGrid::Create(const DS_MatrixCodeConfig& config) {
  return Create(config, g_SceneWidth, g_SceneHeight);
}

std::unique_ptr<DS_MatrixCodeGrid> DS_MatrixCodeGrid::Create(const DS_MatrixCodeConfig& config, int sceneWidth,
                                                             int sceneHeight) {
  std::unique_ptr<DS_MatrixCodeGrid> grid(new DS_MatrixCodeGrid());
  grid->m_sceneWidth = sceneWidth;
  grid->m_sceneHeight = sceneHeight;
  grid->m_fallStyle = config.fallStyle;
  grid->m_density = config.density;
  grid->m_glitchCount = config.glitchCount;
  grid->m_spinners = config.spinnerSwitch != 0;
  grid->m_cellSize = FitCellSize(config.cellSize, sceneWidth, sceneHeight);
  grid->m_columns = CellsAcross(sceneWidth, grid->m_cellSize);
  grid->m_rows = CellsAcross(sceneHeight, grid->m_cellSize);
  grid->m_cells.assign(size_t(grid->m_columns) * size_t(grid->m_rows), 0u);
  grid->m_columnStates.assign(size_t(grid->m_columns), DS_MatrixCodeColumn());
  grid->m_inPlace = config.fallStyle != kFallScrolling;
  grid->m_mixed = config.fallStyle != kFallInPlace;
  // Fewer than two glyphs would make every random glyph the same, or divide by zero.
  grid->m_glyphCount = std::max(config.glyphCount, 2);
  grid->m_glyphChoices = std::min(grid->m_glyphCount, kMaxGlyphChoices);
  grid->ResetGlitches();
  return grid;
}

// ---- glitches and odds ----

void DS_MatrixCodeGrid::ResetGlitches() {
  for (uint32_t& cell : m_cells) cell &= ~kGlitch;
  // More glitches than a few per cell only hit the same cells again; a document's
  // count must not stall the frame.
  const int64_t cellCount = int64_t(m_cells.size());
  const int64_t glitches = std::min(int64_t(m_glitchCount) - 1, 4 * cellCount);
  for (int64_t i = 0; i < glitches; ++i) {
    const int column = Random() % m_columns;
    const int row = Random() % m_rows;
    Cell(column, row) |= kGlitch;
  }
}

int DS_MatrixCodeGrid::SpawnOddsFor(int density) {
  struct Step {
    int below;
    int odds;
  };
  static const Step kSteps[] = {{10, 85}, {15, 60}, {20, 45}, {25, 25}, {30, 20}, {35, 15},
                                {45, 10}, {50, 8},  {55, 7},  {65, 5},  {80, 3},  {90, 2}};
  for (const Step& step : kSteps) {
    if (density < step.below) return step.odds;
  }
  return 1;
}

int DS_MatrixCodeGrid::RandomGlyph() const { return Random() % m_glyphChoices + 1; }

// ---- columns ----

void DS_MatrixCodeGrid::Feed(int position, int glyph, int column) {
  if (column < 0 || column >= m_columns) return;
  if (position >= m_rows) return;
  const bool scrolling = position < 0;
  if (scrolling) {
    for (int r = m_rows - 1; r >= 1; --r) {
      uint32_t& cell = Cell(column, r);
      const uint32_t above = Cell(column, r - 1);
      if (fadeTails && GlyphOf(cell) != 0 && GlyphOf(above) == 0) {
        // The end of a stream fades out instead of vanishing at once.
        cell = WithAge(cell, -1);
      } else {
        const uint32_t moved = kGlyphMask | kAgeMask;
        cell = (cell & ~moved) | (above & moved);
      }
      cell |= kChanged;
    }
    position = 0;
  }
  uint32_t& target = Cell(column, position);
  target = WithGlyph(target, glyph) | kChanged;
  if (GlyphOf(target) != 0) {
    // A freshly written head of a growing stream is highlighted for one or two updates.
    target = WithAge(target, scrolling ? 0 : Random() % 2 + 1);
  }
}

void DS_MatrixCodeGrid::StepColumns(bool blankOnly) {
  for (int c = 0; c < m_columns; ++c) {
    DS_MatrixCodeColumn& state = m_columnStates[size_t(c)];
    if (state.delay != 0) {
      --state.delay;
    } else {
      if (state.remaining > 0) {
        const int glyph = blankOnly ? 0 : RandomGlyph();
        Feed(state.position, glyph, c);
        --state.remaining;
      }
      if (state.remaining <= 0) Feed(state.position, 0, c);
      // Saturates rather than overflowing after years of frames.
      if (state.position >= 0 && state.position < INT_MAX) ++state.position;
    }
    if (Random() % kPauseOdds == 0) state.delay = RandomPause();
  }
}

void DS_MatrixCodeGrid::SpawnStreams() {
  // A grid of one column has no range to pick spinners from.
  const int spinnerRange = (m_columns / 2) * m_spinnerDivisor;
  if (m_spinners && spinnerRange > 0) {
    const int spins = (Random() % spinnerRange) / 10 - 1;
    for (int i = 0; i < spins; ++i) {
      const int column = Random() % m_columns;
      const int row = Random() % m_rows;
      uint32_t& cell = Cell(column, row);
      if (GlyphOf(cell) != 0 && AgeOf(cell) == 0) cell = WithAge(cell, Random() % kSpinnerAgeRange) | kChanged;
    }
  }

  const int odds = SpawnOdds();
  for (int c = 0; c < m_columns; ++c) {
    DS_MatrixCodeColumn& state = m_columnStates[size_t(c)];
    if (!restartBusyColumns && state.remaining > 0) continue;
    if (Random() % odds != 0) continue;
    state.remaining = Random() % m_rows + kStreamExtraLength;
    state.delay = RandomPause();
    if (Random() % kWriterOdds != 0) state.remaining = 0;
    const bool inPlace = (m_mixed && m_inPlace) ? Random() % 2 == 1 : m_inPlace;
    if (inPlace) {
      // In the upper half; a grid of one row starts at its only row.
      const int half = m_rows / 2;
      state.position = half > 0 ? Random() % half : 0;
    } else {
      state.position = -1;
    }
  }

  if (Random() % kGlitchResetOdds == 0) ResetGlitches();
}

// ---- the walk over the cells ----

void DS_MatrixCodeRain::Age(uint32_t& cell) {
  typedef DS_MatrixCodeGrid G;
  if (!(cell & G::kChanged)) return;
  cell &= ~G::kChanged;
  const int age = G::AgeOf(cell);
  if (age > 0) {
    cell = G::WithAge(cell, age - 1) | G::kChanged;
  } else if (age < 0) {
    cell = G::WithAge(cell, age + 1) | G::kChanged;
    if (age + 1 == 0) cell = G::WithGlyph(cell, 0);
  }
  if ((cell & G::kGlitch) && G::GlyphOf(cell) != 0) {
    // A glitching cell shows another glyph at every pass, and may empty itself.
    cell = G::WithGlyph(cell, std::rand() % m_grid->GetGlyphChoices()) |
           G::kChanged;
  }
}

bool DS_MatrixCodeRain::NextCell(DS_MatrixCodeGlyph& item) {
  typedef DS_MatrixCodeGrid G;
  item.column = 0;
  item.row = 0;
  DS_MatrixCodeGrid& grid = *m_grid;
  const int columns = grid.GetColumns();
  const int rows = grid.GetRows();
  const float left = g_PictureQuad.v[DS_ScreenQuad::kLeftBottom].x;
  const float top = g_PictureQuad.v[DS_ScreenQuad::kLeftTop].y;
  const float glyphCount = float(grid.GetGlyphCount());
  while (m_cursorRow < rows) {
    const int column = m_cursorColumn;
    const int row = m_cursorRow;
    uint32_t& cell = grid.Cell(column, row);
    const int glyph = G::GlyphOf(cell);
    const bool found = glyph != 0;
    if (found) {
      ++m_count;
      const int age = G::AgeOf(cell);
      item.x = item.halfWidth + left + float(column) * item.halfWidth * 2.0f;
      item.y = item.halfHeight + top + float(row) * item.halfHeight * 2.0f;
      item.z = 0;
      item.column = column;
      item.row = row;
      if (age > 0 || (cell & G::kGlitch)) {
        item.cellClass = DS_MatrixCodeGlyph::kHighlighted;
      } else {
        item.cellClass = age == 0 ? DS_MatrixCodeGlyph::kNormal : DS_MatrixCodeGlyph::kFading;
      }
      item.uLeft = 0;
      item.uRight = 1;
      item.vTop = float(glyph - 1) / glyphCount;
      item.vBottom = float(glyph) / glyphCount;
      item.colorMask = 0xFFFFFFFFu;
    }
    // The cell is drawn as it was, then aged.
    Age(cell);
    if (++m_cursorColumn >= columns) {
      m_cursorColumn = 0;
      ++m_cursorRow;
    }
    if (found) return true;
  }
  item.colorMask &= 0x00FFFFFFu;
  return false;
}
