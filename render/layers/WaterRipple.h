#pragma once
// The water surface of the water-ring layer: a height field of cells with a height and
// a vertical velocity, random drops that dent it, a damped wave step run four times a
// frame, and a vertex mesh whose texture coordinates follow the light refracted
// through the moving water. The surface lies in the x-z plane of its own space
// (heights along y) and is seen from above. The layer owns one and drives it.
//
// The index and vertex buffers live in the default pool: the owner releases them when
// the device is lost, and the next Configure makes them again.

#include <d3d9.h>
#include <d3dx9math.h>

#include <cstdint>
#include <vector>

#include "device/ComHolder.h"
#include "render/VertexFormats.h"

class DS_WaterRipple {
public:
  // One entry of the shared refraction table, indexed by the rounded cosine (x 255)
  // between the surface normal and the direction to the eye.
  struct RefractionEntry {
    float a;          // refracted direction = b x (a x N + D)
    float b;
    D3DCOLOR colour;  // Fresnel-like alpha, black
  };
  static const int kRefractionEntries = 256;

  // Sub-steps of the simulation per Step.
  static const int kSubSteps = 4;
  // No grid has more vertices than one 16-bit index strip can address.
  static const uint32_t kMaxCells = 0x10000;
  // Both dimensions stay at least this large (a drop needs an inner cell with a
  // neighbour on each side), and the rows at most kMaxRows, so that the cap always
  // leaves room for kMinDimension columns.
  static const uint32_t kMinDimension = 4;
  static const uint32_t kMaxRows = kMaxCells / kMinDimension;

  DS_WaterRipple() = default;
  DS_WaterRipple(const DS_WaterRipple&) = delete;
  DS_WaterRipple& operator=(const DS_WaterRipple&) = delete;
  ~DS_WaterRipple();

  // Sizes the grid for a surface of width x height plane units, starts again from a
  // flat, still surface and makes the buffers on g_CurrentDevice (their failure is
  // not passed on).
  void Configure(float width, float height, float rowScale, float detail);
  // Makes whichever buffer is missing: the index strip and the dynamic vertex buffer.
  HRESULT CreateBuffers();
  void ReleaseBuffers();
  // Fills the process-wide table and points this ripple at it, once.
  void BuildRefractionTable();

  // One drop at a random inner cell (two rand() calls: column, then row).
  void AddDrop();
  // The drop itself: lowers the velocities of the 3 x 3 block around (row, column).
  // A block that would reach outside the grid is ignored.
  void AddDropAt(uint32_t row, uint32_t column);
  // Four sub-steps, then the vertex buffer is rewritten for the eye point `eye` (the
  // surface's space). Without a vertex buffer the surface still moves and the result
  // is D3DERR_INVALIDCALL. Before the first Configure nothing happens.
  HRESULT Step(const D3DXVECTOR3& eye);
  // One sub-step of the simulation.
  void SimulateSubStep();
  // The mesh of the current surface, one vertex per cell in row-major order.
  void WriteVertices(DX_V::PNCT* out, const D3DXVECTOR3& eye) const;
  // Draws the strip; texture, transforms and states are the caller's.
  HRESULT Draw() const;

  // The grid sizes Configure chooses: detail x 128 columns and as many rows as the
  // surface's shape and the row scale ask for, both even, then fewer columns when the
  // cells would pass kMaxCells. Whatever the values (a document's, or NaN), both stay
  // in kMinDimension .. and the rows within kMaxRows.
  static void ChooseGrid(float width, float height, float rowScale, float detail, uint32_t& columns,
                         uint32_t& rows);
  // The spiral triangle strip over a columns x rows grid: 2 x cells indices, each
  // below the vertex count.
  static void BuildIndexStrip(uint32_t columns, uint32_t rows, std::vector<WORD>& out);
  // The table entry for index i (0..255).
  static RefractionEntry ComputeRefractionEntry(int i);
  static const RefractionEntry* GetSharedRefractionTable();

  // True once Configure has laid out the cells.
  bool IsConfigured() const;
  bool IsMeshWritten() const { return m_meshWritten; }
  float GetWidth() const { return m_width; }
  float GetHeight() const { return m_height; }
  float GetMean() const { return m_mean; }
  uint32_t GetColumns() const { return m_columns; }
  uint32_t GetRows() const { return m_rows; }
  uint32_t GetCellCount() const { return m_cellCount; }
  uint32_t GetIndexCount() const { return m_indexCount; }
  uint32_t GetVertexCount() const { return m_vertexCount; }
  const RefractionEntry* GetRefractionTable() const { return m_refraction; }
  float GetCellHeight(uint32_t row, uint32_t column) const { return m_cells[row * m_columns + column].height; }
  float GetCellVelocity(uint32_t row, uint32_t column) const { return m_cells[row * m_columns + column].velocity; }
  void SetCellHeight(uint32_t row, uint32_t column, float height) { m_cells[row * m_columns + column].height = height; }
  IDirect3DIndexBuffer9* GetIndexBuffer() const { return m_indexBuffer.Get(); }
  IDirect3DVertexBuffer9* GetVertexBuffer() const { return m_vertexBuffer.Get(); }

  // Set directly by the owner from its parameters.
  float waveGain = 1.0f;           // factor of the velocity when it is added to the height
  float dropStrength = 0.5f;       // depth of a drop
  float damping = 0.99f;           // factor applied to the velocity every sub-step
  float refractionStrength = 0.2f; // how far the refracted ray shifts the texture coordinates

private:
  struct Cell {
    float height;
    float velocity;
  };

  // Every cell back to height and velocity 0.
  void Flatten();

  float m_width = 1.0f;
  float m_height = 1.0f;
  float m_inverseWidth = 1.0f;
  float m_inverseHeight = 1.0f;
  float m_mean = 0;
  uint32_t m_indexCount = 0;
  uint32_t m_vertexCount = 0;
  std::vector<Cell> m_cells;
  const RefractionEntry* m_refraction = nullptr;
  uint32_t m_columns = 4;
  uint32_t m_rows = 4;
  uint32_t m_cellCount = 16;
  DS_ComHolder<IDirect3DIndexBuffer9> m_indexBuffer;
  DS_ComHolder<IDirect3DVertexBuffer9> m_vertexBuffer;
  // The vertex buffer holds a mesh written since it was made.
  bool m_meshWritten = false;
};
