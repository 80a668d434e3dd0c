#pragma once
// Helpers of the particle tests: a reading stream over written bytes, and the
// smallest concrete generator. Its object has one buffer slot; every update it runs
// the base step and the trail emission at the clock's accumulated time, then writes
// one quad per particle (a square of `pixelSize` in `colour`); it draws slot 0
// through the layer without an effect.

#include <vector>

#include "document/CompositeParams.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "objects/particles/ParticleGenerator.h"
#include "objects/particles/ParticleQuads.h"
#include "objects/particles/ParticlesObj.h"
#include "render/Layer.h"
#include "support/RecordRoundTrip.h"

namespace particles_test {

using ds_test::Reading;
using ds_test::WrittenBytes;

class TestGenerator : public DS_ParticleGenerator {
public:
  TestGenerator() = default;
  TestGenerator(const TestGenerator& other) = default;

  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override {
    ++renders;
    if (!layer || !object) return;
    const DS_IndexedMesh<DX_V::PCT>* slot = object->GetSlot(0);
    if (slot) layer->DrawIndexedPCT(*slot, nullptr, int(2 * object->GetQuadCount(0)), 1.0f);
  }
  void Update(float t, DS_ParticlesObj* object) override {
    DS_ParticleGenerator::Update(t, object);
    if (emitTrail) EmitTrail(clock.GetAccumulatedTime());
    if (!object) return;
    const unsigned count = object->EnsureQuadCapacity(0, unsigned(particles.size()));
    DX_V::PCT* vertices = object->LockQuads(0);
    if (!vertices) return;
    unsigned k = 0;
    for (const DS_Particle& p : particles) {
      if (k >= count) break;
      WriteParticleQuad(p, colour, vertices, k++, pixelSize, 1.0f);
    }
    object->UnlockQuads(0);
  }
  void PrepareResources(DS_ParticlesObj* object) override {
    ++prepared;
    object->SetSlotCount(1);
  }
  bool NeedsSceneInput() const override { return needsScene; }
  bool HitTest(int x, int y) override { return x == hitX && y == hitY; }
  void OnObjectMouse(int x) override { mouseX = x; }
  DS_ParticleGenerator* Clone() const override { return new TestGenerator(*this); }

  void Read(DS_IOF_Handle& handle, int version) { ReadSection(handle); }

  MediaColor colour;
  float pixelSize = 10.0f;
  bool emitTrail = false;
  bool needsScene = false;
  int hitX = -1, hitY = -1;
  int mouseX = -1;
  int prepared = 0;
  int renders = 0;
};

}  // namespace particles_test
