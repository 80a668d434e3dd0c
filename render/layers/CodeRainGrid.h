#pragma once
// The simulation behind the code-rain layer: a grid of glyph cells laid over the slide
// picture, in which streams of glyphs fall or grow down each column, leave fading
// tails, flicker and glitch. It knows nothing of the device: once per rendered frame
// the layer advances it (StepColumns, SpawnStreams) and then walks its non-empty cells
// with DS_MatrixCodeRain::NextCell, which also ages the cells it passes. Every random
// choice is one rand() call of the process-wide sequence, in a fixed order.
//
// The layer owns one DS_MatrixCodeRain, which owns its grid.

#include <cstdint>
#include <memory>
#include <vector>

// What the layer hands the grid: cell size in picture pixels (at least 1), density in
// percent (1 to 100), glitch count (one more than the glitch cells), spinner switch,
// fall style, and the number of glyphs of the glyph strip (at least 2).
struct DS_MatrixCodeConfig {
  int cellSize = 16;
  int density = 20;
  int glitchCount = 10;
  int spinnerSwitch = 0;
  int fallStyle = 0;
  int glyphCount = 1;
};

// One column's stream: glyphs still to write (0 or less writes blanks), updates to
// skip, and the row written next (-1 for a scrolling column).
struct DS_MatrixCodeColumn {
  int remaining = 0;
  int delay = 0;
  int position = 0;
};

class DS_MatrixCodeGrid {
public:
  // Cell word: glyph (0 empty, else 1 to glyph count), a signed age byte (above 0
  // highlighted for that many more updates, below 0 fading out, -1 removed at the next
  // update), the changed bit (aged by the next pass) and the glitch bit.
  static constexpr uint32_t kGlyphMask = 0x000000FFu;
  static constexpr uint32_t kAgeMask = 0x0000FF00u;
  static constexpr int kAgeShift = 8;
  static constexpr uint32_t kChanged = 1u << 16;
  static constexpr uint32_t kGlitch = 1u << 17;

  static constexpr int kSpinnerDivisor = 10;
  // A glyph is one byte of its cell: a strip of more glyphs uses only its first ones.
  static constexpr int kMaxGlyphChoices = 255;
  // The grid and the layer's quad batch hold one entry per cell; a small cell size on a
  // large picture must not allocate without bound, so the cell size grows until the
  // grid has at most this many cells.
  static constexpr int kMaxCells = 1 << 17;

  // A grid for the current scene mapping (g_SceneWidth x g_SceneHeight), empty, with
  // its glitches placed.
  static std::unique_ptr<DS_MatrixCodeGrid> Create(const DS_MatrixCodeConfig& config);
  // The same for a given scene size.
  static std::unique_ptr<DS_MatrixCodeGrid> Create(const DS_MatrixCodeConfig& config, int sceneWidth,
                                                   int sceneHeight);

  // The smallest cell size, not below `cellSize` (nor 1), whose grid over the scene has
  // at most kMaxCells cells.
  static int FitCellSize(int cellSize, int sceneWidth, int sceneHeight);
  // Columns (rows) of a grid of that cell size: scene size div cell size + 1.
  static int CellsAcross(int sceneSize, int cellSize);

  // Spawn odds (1 in n) of a density in percent.
  static int SpawnOddsFor(int density);
  int SpawnOdds() const { return SpawnOddsFor(m_density); }

  // Clears every glitch bit, then marks glitch count - 1 random cells (a cell may be
  // hit twice).
  void ResetGlitches();
  // Writes glyph `glyph` at row `position` of `column` (position < 0: the column
  // scrolls down one row and the glyph enters at the top).
  void Feed(int position, int glyph, int column);
  // One update of every column's stream; with `blankOnly` the streams write blanks.
  void StepColumns(bool blankOnly);
  // Spinners, new streams and the rare glitch reset.
  void SpawnStreams();

  int GetColumns() const { return m_columns; }
  int GetRows() const { return m_rows; }
  int GetCellSize() const { return m_cellSize; }
  int GetGlyphCount() const { return m_glyphCount; }
  // How many glyphs random choices pick from: the glyph count, at most kMaxGlyphChoices.
  int GetGlyphChoices() const { return m_glyphChoices; }
  int GetSceneWidth() const { return m_sceneWidth; }
  int GetSceneHeight() const { return m_sceneHeight; }
  bool IsMixed() const { return m_mixed; }
  bool IsInPlace() const { return m_inPlace; }
  bool HasSpinners() const { return m_spinners; }
  int GetGlitchCount() const { return m_glitchCount; }

  // Cell (c, r); both must lie inside the grid.
  uint32_t& Cell(int column, int row) { return m_cells[size_t(column) + size_t(row) * size_t(m_columns)]; }
  uint32_t Cell(int column, int row) const { return m_cells[size_t(column) + size_t(row) * size_t(m_columns)]; }
  uint32_t& CellAt(size_t index) { return m_cells[index]; }
  size_t GetCellCount() const { return m_cells.size(); }
  DS_MatrixCodeColumn& Column(int column) { return m_columnStates[size_t(column)]; }
  const DS_MatrixCodeColumn& Column(int column) const { return m_columnStates[size_t(column)]; }

  static int GlyphOf(uint32_t cell) { return int(cell & kGlyphMask); }
  static int AgeOf(uint32_t cell) { return int(static_cast<signed char>((cell & kAgeMask) >> kAgeShift)); }
  static uint32_t WithGlyph(uint32_t cell, int glyph) { return (cell & ~kGlyphMask) | (uint32_t(glyph) & kGlyphMask); }
  static uint32_t WithAge(uint32_t cell, int age) {
    return (cell & ~kAgeMask) | ((uint32_t(age) & 0xFFu) << kAgeShift);
  }

  // A random glyph: 1 to the glyph count (first rand() mod, then + 1).
  int RandomGlyph() const;

  // Fields of the simulation, as the grid keeps them.
  bool fadeTails = true;
  bool restartBusyColumns = false;

private:
  DS_MatrixCodeGrid() = default;

  int m_sceneWidth = 0;
  int m_sceneHeight = 0;
  int m_fallStyle = 0;
  int m_density = 1;
  int m_glitchCount = 0;
  bool m_spinners = false;
  int m_spinnerDivisor = kSpinnerDivisor;
  int m_columns = 1;
  int m_rows = 1;
  int m_cellSize = 1;
  std::vector<uint32_t> m_cells;
  std::vector<DS_MatrixCodeColumn> m_columnStates;
  bool m_mixed = true;
  bool m_inPlace = true;
  int m_glyphCount = 2;
  // Random glyphs come from 0 .. m_glyphChoices - 1 (+ 1): the glyph count, at most
  // what a cell's glyph byte holds.
  int m_glyphChoices = 2;
};

// The draw item NextCell fills: half sizes (set by the caller), centre in back-buffer
// pixels, texture range of the glyph, a colour mask (alpha 0 once every cell was
// visited), class (0 fading, 1 normal, 2 highlighted), and the cell.
struct DS_MatrixCodeGlyph {
  enum Class { kFading = 0, kNormal = 1, kHighlighted = 2 };

  float halfWidth = 0, halfHeight = 0;
  float x = 0, y = 0, z = 0;
  float uLeft = 0, uRight = 1, vTop = 0, vBottom = 1;
  uint32_t colorMask = 0xFFFFFFFFu;
  int cellClass = kNormal;
  int column = 0;
  int row = 0;
};

// The grid with the cursor of the frame's walk over its cells.
class DS_MatrixCodeRain {
public:
  explicit DS_MatrixCodeRain(std::unique_ptr<DS_MatrixCodeGrid> grid) : m_grid(std::move(grid)) {}

  // Cursor to the first cell; the count of the last walk becomes the previous count.
  void BeginFrame() {
    m_cursorColumn = 0;
    m_cursorRow = 0;
    m_previousCount = m_count;
    m_count = 0;
  }
  // Advances to the next non-empty cell, describes it in `item` (placed on the picture
  // quad g_PictureQuad) and ages every cell it passes. False once every cell was
  // visited: the item's colour mask then has alpha 0.
  bool NextCell(DS_MatrixCodeGlyph& item);

  DS_MatrixCodeGrid& Grid() { return *m_grid; }
  const DS_MatrixCodeGrid& Grid() const { return *m_grid; }
  int GetCount() const { return m_count; }
  int GetPreviousCount() const { return m_previousCount; }
  int GetCursorColumn() const { return m_cursorColumn; }
  int GetCursorRow() const { return m_cursorRow; }

private:
  // The changed bit's update of one visited cell.
  void Age(uint32_t& cell);

  std::unique_ptr<DS_MatrixCodeGrid> m_grid;
  int m_cursorColumn = 0;
  int m_cursorRow = 0;
  int m_previousCount = 0;
  int m_count = 0;
};
