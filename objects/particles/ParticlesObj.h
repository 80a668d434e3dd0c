#pragma once
// The run-time object of every particle generator. It owns the generator's clone and
// the geometry the generator writes its particles into every frame: slots of indexed
// DX_V::PCT quads (one slot per particle layer, sized by the family in
// PrepareResources) and the number of quads currently valid in each. A slot only
// grows; its quads live in memory and are drawn from there, so that rewriting them
// every frame never waits for the device, and a lost device takes nothing with it.

#include <vector>

#include "document/Utilities.h"
#include "render/Mesh.h"
#include "render/ObjectModel.h"

class DS_ParticleGenerator;

// Makes the slot's quads for `quads` quads (CreateQuadListMemory): 4 vertices each, a
// triangle list of 2 triangles per quad and 16-bit indices 4j, 4j+1, 4j+2, 4j+2, 4j+1,
// 4j+3 for quad j. What the slot held is released first. Without a device, or for a
// count of 0 or above what 16-bit indices reach, the slot is left without quads and
// with no capacity.
HRESULT CreateQuadBuffers(DS_IndexedMesh<DX_V::PCT>& mesh, int quads);
// The six indices of each of `quads` quads.
void WriteQuadIndices(WORD* out, int quads);

class DS_ParticlesObj : public DS_ABObj {
public:
  // 65536 vertices: all that 16-bit indices address.
  static constexpr unsigned kMaxSlotQuads = kMaxDocumentCount;

  // Takes ownership of the generator clone (may be null) and lets it prepare its
  // resources with this object.
  explicit DS_ParticlesObj(DS_ParticleGenerator* clone);
  ~DS_ParticlesObj() override;

  void Render(DS_ABRender* layer) override;
  // Hands x to the item's reserved mouse operation.
  void OnMouseMove(int x, int y) override;
  void OnResize() override {}
  bool NeedsSceneInput() const override;
  bool HitTest(POINT point, int ignored) override;
  void Update(float localTime) override;

  // Gives the object `count` empty slots (no buffers, count 0); the families call it
  // from PrepareResources.
  void SetSlotCount(int count);
  int GetSlotCount() const { return static_cast<int>(m_slots.size()); }

  // Makes slot i hold at least n quads (re-creating its buffers for exactly n when it
  // is too small) and sets its quad count to n. Counts beyond kMaxSlotQuads are capped,
  // and the count never exceeds what the slot's buffers hold (0 when making them
  // failed). Returns the count set: the families write no more quads than that.
  unsigned EnsureQuadCapacity(int slot, unsigned n);
  // The locked vertices of slot i; null for a slot that does not exist or has no
  // buffer yet. The pointer stays valid until UnlockQuads.
  DX_V::PCT* LockQuads(int slot);
  void UnlockQuads(int slot);

  unsigned GetQuadCount(int slot) const;
  // Slot i's geometry; null for a slot that does not exist.
  const DS_IndexedMesh<DX_V::PCT>* GetSlot(int slot) const;
  DS_ParticleGenerator* GetGenerator() const { return m_generator; }

private:
  bool ValidSlot(int slot) const { return slot >= 0 && slot < GetSlotCount(); }

  std::vector<DS_IndexedMesh<DX_V::PCT>> m_slots;
  // The base's item, typed as a generator.
  DS_ParticleGenerator* m_generator;
  std::vector<unsigned> m_quadCounts;
};
