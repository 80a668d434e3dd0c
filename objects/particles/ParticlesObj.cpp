#include "objects/particles/ParticlesObj.h"

#include "objects/particles/ParticleGenerator.h"

void WriteQuadIndices(WORD* out, int quads) { WriteQuadListIndices(out, quads); }

HRESULT CreateQuadBuffers(DS_IndexedMesh<DX_V::PCT>& mesh, int quads) {
  if (quads > static_cast<int>(DS_ParticlesObj::kMaxSlotQuads)) quads = 0;
  return CreateQuadListMemory(mesh, quads);
}

// ---- DS_ParticlesObj ----

DS_ParticlesObj::DS_ParticlesObj(DS_ParticleGenerator* clone) : DS_ABObj(clone), m_generator(clone) {
  if (m_generator) m_generator->PrepareResources(this);
}

DS_ParticlesObj::~DS_ParticlesObj() {
  for (DS_IndexedMesh<DX_V::PCT>& slot : m_slots) {
    slot.vertices.Unlock();
    slot.indices.Unlock();
  }
}

void DS_ParticlesObj::Render(DS_ABRender* layer) {
  if (m_generator) m_generator->Render(layer, this);
}

void DS_ParticlesObj::OnMouseMove(int x, int y) {
  if (m_constructor) m_constructor->OnObjectMouse(x);
}

// A switched-off object draws nothing: were it to take the scene, the layer would flip
// its capture to a fresh black target (or end it) with nobody to draw the scene back.
bool DS_ParticlesObj::NeedsSceneInput() const { return m_enabled && m_generator && m_generator->NeedsSceneInput(); }

bool DS_ParticlesObj::HitTest(POINT point, int ignored) {
  return m_generator && m_generator->HitTest(point.x, point.y);
}

void DS_ParticlesObj::Update(float localTime) {
  if (m_generator) m_generator->Update(localTime, this);
}

void DS_ParticlesObj::SetSlotCount(int count) {
  if (count < 0) count = 0;
  m_slots.clear();
  m_slots.resize(size_t(count));
  m_quadCounts.assign(size_t(count), 0u);
}

unsigned DS_ParticlesObj::EnsureQuadCapacity(int slot, unsigned n) {
  if (!ValidSlot(slot)) return 0;
  if (n > kMaxSlotQuads) n = kMaxSlotQuads;
  DS_IndexedMesh<DX_V::PCT>& mesh = m_slots[size_t(slot)];
  if (2 * n > unsigned(mesh.primitiveCount)) CreateQuadBuffers(mesh, int(n));
  // What the buffers hold bounds what may be written and drawn.
  const unsigned capacity = unsigned(mesh.primitiveCount) / 2;
  if (n > capacity) n = capacity;
  m_quadCounts[size_t(slot)] = n;
  return n;
}

DX_V::PCT* DS_ParticlesObj::LockQuads(int slot) {
  if (!ValidSlot(slot)) return nullptr;
  DS_VertexBuffer<DX_V::PCT>& vertices = m_slots[size_t(slot)].vertices;
  if (!vertices.Lock()) return nullptr;
  return vertices.locked;
}

void DS_ParticlesObj::UnlockQuads(int slot) {
  if (ValidSlot(slot)) m_slots[size_t(slot)].vertices.Unlock();
}

unsigned DS_ParticlesObj::GetQuadCount(int slot) const { return ValidSlot(slot) ? m_quadCounts[size_t(slot)] : 0u; }

const DS_IndexedMesh<DX_V::PCT>* DS_ParticlesObj::GetSlot(int slot) const {
  return ValidSlot(slot) ? &m_slots[size_t(slot)] : nullptr;
}
