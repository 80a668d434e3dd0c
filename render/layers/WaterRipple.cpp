#include "render/layers/WaterRipple.h"

#include <cmath>
#include <cstdlib>

#include "device/DeviceGlobals.h"

namespace {

// Columns of a surface of detail 1.
const float kColumnsPerDetail = 128.0f;
// Refractive index of water seen from the air.
const float kRefractiveIndex = 1.333f;
// Weights of the neighbour average: corners and edges (they sum to 1).
const float kCornerWeight = 0.083333336f;
const float kEdgeWeight = 0.16666667f;
// How strongly a cell follows the average of its neighbours per sub-step.
const float kSpring = 0.25f;
// The refracted ray starts this far below the surface and ends on a sphere of this
// radius about the origin.
const float kRayDepth = 20.0f;
const float kSphereRadiusSquared = 1225.0f;  // 35 x 35
// A surface whose waves pass this height (a hundred times the eye's) was driven
// unstable by its settings.
const float kMaxWaveHeight = 1e4f;
// Shrink of the texture coordinates per unit of refraction strength, so the shifted
// picture keeps its edges inside the texture.
const float kRefractionShrink = 0.05f;

D3DXVECTOR3 Normalized(float x, float y, float z) {
  const float length = std::sqrt(x * x + y * y + z * z);
  // A zero vector stays zero rather than turning into NaN.
  if (!(length > 0.0f)) return D3DXVECTOR3(0, 0, 0);
  return D3DXVECTOR3(x / length, y / length, z / length);
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A size that is not a positive finite number would make every position and texture
// coordinate of the mesh infinite.
float ValidSize(float size) { return (size > 0.0f && std::isfinite(size)) ? size : 1.0f; }

uint32_t EvenDown(uint32_t value) { return value & ~1u; }

// The rounded cosine between normal and eye direction, kept inside the table: the eye
// below a steep wave would give a negative index, and NaN none at all.
int RefractionIndex(float cosine) {
  const float scaled = cosine * 255.0f;
  if (!(scaled > 0.0f)) return 0;
  if (scaled >= 255.0f) return 255;
  return int(scaled + 0.5f);
}

}  // namespace

DS_WaterRipple::~DS_WaterRipple() = default;

// ---- refraction table ----

DS_WaterRipple::RefractionEntry DS_WaterRipple::ComputeRefractionEntry(int i) {
  const float cosI = float(i) / 256.0f;
  const float sinI = std::sin(std::acos(cosI));
  const float sinT = sinI / kRefractiveIndex;
  const float cosT = std::cos(std::asin(sinT));
  RefractionEntry entry;
  entry.a = (sinI / sinT) * cosT - cosI;
  entry.b = -sinT / sinI;
  const uint32_t remaining = uint32_t(255 - i);
  const uint32_t alpha = remaining * remaining * remaining / 65536u;
  entry.colour = D3DCOLOR(alpha << 24);
  return entry;
}

const DS_WaterRipple::RefractionEntry* DS_WaterRipple::GetSharedRefractionTable() {
  static RefractionEntry table[kRefractionEntries];
  static const bool filled = [] {
    for (int i = 0; i < kRefractionEntries; ++i) table[i] = ComputeRefractionEntry(i);
    return true;
  }();
  (void)filled;
  return table;
}

void DS_WaterRipple::BuildRefractionTable() {
  if (!m_refraction) m_refraction = GetSharedRefractionTable();
}

// ---- grid ----

void DS_WaterRipple::ChooseGrid(float width, float height, float rowScale, float detail, uint32_t& columns,
                                uint32_t& rows) {
  // q as the unsigned truncation of detail x 128, kept within 32 bits.
  const float qf = detail * kColumnsPerDetail;
  uint32_t q = 0;
  if (qf >= 4294967295.0f) {
    q = 0xFFFFFFFFu;
  } else if (qf > 0.0f) {
    q = uint32_t(qf);
  }
  columns = EvenDown(q < kMaxCells ? q : kMaxCells);
  if (columns < kMinDimension) columns = kMinDimension;

  const float rowsF = float(q) * (height / width) * rowScale;
  if (!(rowsF >= float(kMinDimension))) {
    rows = kMinDimension;  // also NaN
  } else if (rowsF >= float(kMaxRows)) {
    rows = kMaxRows;
  } else {
    rows = EvenDown(uint32_t(rowsF));
  }

  if (uint64_t(columns) * rows > kMaxCells) columns = EvenDown(kMaxCells / rows);
}

void DS_WaterRipple::Configure(float width, float height, float rowScale, float detail) {
  m_width = ValidSize(width);
  m_height = ValidSize(height);
  m_inverseWidth = 1.0f / m_width;
  m_inverseHeight = 1.0f / m_height;
  ChooseGrid(m_width, m_height, rowScale, detail, m_columns, m_rows);
  m_cellCount = m_columns * m_rows;
  m_vertexCount = m_cellCount;
  m_indexCount = 2 * m_cellCount;
  m_cells.assign(m_cellCount, Cell{0.0f, 0.0f});
  m_mean = 0;
  ReleaseBuffers();
  CreateBuffers();
}

void DS_WaterRipple::BuildIndexStrip(uint32_t columns, uint32_t rows, std::vector<WORD>& out) {
  const uint64_t cells = uint64_t(columns) * rows;
  const size_t total = size_t(2 * cells);
  out.assign(total, 0);
  size_t written = 0;
  // Odd dimensions would make a ring overrun the strip: every write is bounded.
  auto pair = [&](uint64_t rowA, uint64_t columnA, uint64_t rowB, uint64_t columnB) {
    if (written + 2 > total) return;
    out[written++] = WORD(rowA * columns + columnA);
    out[written++] = WORD(rowB * columns + columnB);
  };
  int64_t r = 0, c = 0, n = columns, m = rows;
  while (written < total && n > 0 && m > 0) {
    for (int64_t k = 0; k < n; ++k) pair(r, c + k, r + 1, c + k);
    for (int64_t k = 0; k < m - 1; ++k) pair(r + 1 + k, c + n - 1, r + 1 + k, c + n - 2);
    for (int64_t k = 0; k < n - 1; ++k) pair(r + m - 1, c + n - 2 - k, r + m - 2, c + n - 2 - k);
    for (int64_t k = 0; k < m - 2; ++k) pair(r + m - 2 - k, c, r + m - 2 - k, c + 1);
    ++r;
    ++c;
    n -= 2;
    m -= 2;
  }
  for (WORD& index : out) {
    if (index >= cells) index = 0;
  }
}

// ---- device objects ----

HRESULT DS_WaterRipple::CreateBuffers() {
  if (!g_CurrentDevice || m_cellCount == 0) return D3DERR_INVALIDCALL;
  if (!m_indexBuffer) {
    HRESULT hr = g_CurrentDevice->CreateIndexBuffer(UINT(2 * m_indexCount), 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                                    m_indexBuffer.Receive(), nullptr);
    if (FAILED(hr)) return hr;
    void* data = nullptr;
    hr = m_indexBuffer->Lock(0, 0, &data, 0);
    if (FAILED(hr) || !data) {
      // Indices never written would send the draw anywhere in the vertex buffer.
      m_indexBuffer.Release();
      return FAILED(hr) ? hr : D3DERR_INVALIDCALL;
    }
    std::vector<WORD> strip;
    BuildIndexStrip(m_columns, m_rows, strip);
    WORD* indices = static_cast<WORD*>(data);
    for (size_t i = 0; i < strip.size() && i < m_indexCount; ++i) indices[i] = strip[i];
    m_indexBuffer->Unlock();
  }
  if (!m_vertexBuffer) {
    m_meshWritten = false;
    // Rewritten whole every step: a dynamic buffer that each lock discards, so that the
    // step never waits for the device to finish drawing the one before.
    HRESULT hr = g_CurrentDevice->CreateVertexBuffer(UINT(sizeof(DX_V::PNCT) * m_cellCount),
                                                     D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, DX_V::PNCT::FVF,
                                                     D3DPOOL_DEFAULT, m_vertexBuffer.Receive(), nullptr);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

void DS_WaterRipple::ReleaseBuffers() {
  m_indexBuffer.Release();
  m_vertexBuffer.Release();
  m_meshWritten = false;
}

// ---- simulation ----

bool DS_WaterRipple::IsConfigured() const {
  return m_cellCount >= kMinDimension * kMinDimension && m_cells.size() == m_cellCount &&
         uint64_t(m_columns) * m_rows == m_cellCount;
}

void DS_WaterRipple::AddDrop() {
  if (!IsConfigured()) return;
  const uint32_t column = uint32_t(rand()) % (m_columns - 2) + 1;
  const uint32_t row = uint32_t(rand()) % (m_rows - 2) + 1;
  AddDropAt(row, column);
}

void DS_WaterRipple::AddDropAt(uint32_t row, uint32_t column) {
  if (!IsConfigured() || row < 1 || column < 1 || row + 1 >= m_rows || column + 1 >= m_columns) return;
  const float s = dropStrength;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const int neighbours = (dx != 0) + (dy != 0);
      const float depth = neighbours == 0 ? 0.25f : neighbours == 1 ? 0.125f : 0.0625f;
      m_cells[(row + dy) * m_columns + (column + dx)].velocity -= depth * s;
    }
  }
}

void DS_WaterRipple::Flatten() {
  for (Cell& cell : m_cells) cell = Cell{0.0f, 0.0f};
  m_mean = 0;
}

void DS_WaterRipple::SimulateSubStep() {
  if (!IsConfigured()) return;
  const uint32_t columns = m_columns;
  const uint32_t rows = m_rows;
  Cell* cells = m_cells.data();
  float sum = 0;
  // In place and row-major: the outer ring is pinned as the pass reaches it.
  for (uint32_t r = 0; r < rows; ++r) {
    const uint32_t up = (r == 0 ? rows : r) - 1;
    const uint32_t down = r + 1 == rows ? 0 : r + 1;
    for (uint32_t c = 0; c < columns; ++c) {
      Cell& cell = cells[r * columns + c];
      if (r == 0 || c == 0 || r + 1 == rows || c + 1 == columns) {
        cell.height = 0;
        cell.velocity = 0;
        continue;
      }
      const uint32_t left = c - 1;
      const uint32_t right = c + 1;
      const float corners = cells[up * columns + left].height + cells[up * columns + right].height +
                            cells[down * columns + left].height + cells[down * columns + right].height;
      const float edges = cells[r * columns + left].height + cells[r * columns + right].height +
                          cells[up * columns + c].height + cells[down * columns + c].height;
      const float average = corners * kCornerWeight + edges * kEdgeWeight;
      cell.velocity = cell.velocity * damping + (average - cell.height) * kSpring;
      sum += cell.height + cell.velocity;
    }
  }
  m_mean = sum / float(m_cellCount);
  // A surface driven unstable by its settings (a gain or damping from the document
  // far beyond its range) starts again flat instead of turning the mesh into NaN.
  if (!std::isfinite(m_mean)) {
    Flatten();
    return;
  }
  bool unstable = false;
  for (Cell& cell : m_cells) {
    cell.height = cell.height + cell.velocity * waveGain - m_mean;
    if (!(std::fabs(cell.height) <= kMaxWaveHeight)) unstable = true;  // also NaN
  }
  if (unstable) Flatten();
}

// ---- mesh ----

void DS_WaterRipple::WriteVertices(DX_V::PNCT* out, const D3DXVECTOR3& eye) const {
  if (!out || !IsConfigured()) return;
  const RefractionEntry* table = m_refraction ? m_refraction : GetSharedRefractionTable();
  const uint32_t columns = m_columns;
  const uint32_t rows = m_rows;
  const Cell* cells = m_cells.data();
  auto heightAt = [&](uint32_t r, uint32_t c) { return cells[r * columns + c].height; };
  const float dx = m_width / float(columns - 1);
  const float dy = m_height / float(rows - 1);
  const float s = refractionStrength;
  const float f = 1.0f - kRefractionShrink * s;
  for (uint32_t j = 0; j < rows; ++j) {
    const uint32_t before = (j == 0 ? rows : j) - 1;
    const uint32_t after = j + 1 == rows ? 0 : j + 1;
    const float z = -m_height * 0.5f + float(j) * dy;
    for (uint32_t i = 0; i < columns; ++i) {
      const uint32_t left = (i == 0 ? columns : i) - 1;
      const uint32_t right = i + 1 == columns ? 0 : i + 1;
      const float x = -m_width * 0.5f + float(i) * dx;
      const float h = heightAt(j, i);
      const float gx = (heightAt(before, left) + heightAt(j, left) + heightAt(after, left)) -
                       (heightAt(before, right) + heightAt(j, right) + heightAt(after, right));
      const float gz = (heightAt(before, left) + heightAt(before, i) + heightAt(before, right)) -
                       (heightAt(after, left) + heightAt(after, i) + heightAt(after, right));
      const D3DXVECTOR3 normal = Normalized(gx, 1.0f, gz);
      const D3DXVECTOR3 toEye = Normalized(eye.x - x, eye.y - h, eye.z - z);
      const RefractionEntry& entry = table[RefractionIndex(Dot(normal, toEye))];
      const D3DXVECTOR3 refracted = (normal * entry.a + toEye) * entry.b;
      const D3DXVECTOR3 start(x, h - kRayDepth, z);
      const float b = 2.0f * Dot(refracted, start);
      const float k = Dot(start, start) - kSphereRadiusSquared;
      // A ray that starts outside the sphere and passes it by (the far edges of a wide
      // picture) has no crossing: it takes the nearest one instead of a NaN.
      const float discriminant = b * b - 4.0f * k;
      const float t = (std::sqrt(discriminant > 0.0f ? discriminant : 0.0f) - b) * 0.5f;

      DX_V::PNCT& v = out[j * columns + i];
      v.x = x;
      v.y = h;
      v.z = z;
      v.nx = normal.x;
      v.ny = normal.y;
      v.nz = normal.z;
      v.color = entry.colour;
      v.u = 0.5f + f * (x + s * t * refracted.x) * m_inverseWidth;
      v.v = 0.5f + f * (z + s * t * refracted.z) * m_inverseHeight;
    }
  }
}

HRESULT DS_WaterRipple::Step(const D3DXVECTOR3& eye) {
  for (int i = 0; i < kSubSteps; ++i) SimulateSubStep();
  if (!m_vertexBuffer || !IsConfigured()) return D3DERR_INVALIDCALL;
  void* data = nullptr;
  const HRESULT hr = m_vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD);
  if (FAILED(hr)) return hr;
  if (!data) return D3DERR_INVALIDCALL;
  WriteVertices(static_cast<DX_V::PNCT*>(data), eye);
  m_vertexBuffer->Unlock();
  m_meshWritten = true;
  return S_OK;
}

HRESULT DS_WaterRipple::Draw() const {
  // A buffer that is missing, or whose vertices were never written, draws nothing.
  if (!g_CurrentDevice || !m_indexBuffer || !m_vertexBuffer || !m_meshWritten || m_indexCount < 3) {
    return D3DERR_INVALIDCALL;
  }
  HRESULT hr = g_CurrentDevice->SetFVF(DX_V::PNCT::FVF);
  if (SUCCEEDED(hr)) hr = g_CurrentDevice->SetStreamSource(0, m_vertexBuffer.Get(), 0, sizeof(DX_V::PNCT));
  if (SUCCEEDED(hr)) hr = g_CurrentDevice->SetIndices(m_indexBuffer.Get());
  if (SUCCEEDED(hr)) {
    hr = g_CurrentDevice->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, m_cellCount, 0, m_indexCount - 2);
  }
  return hr;
}
