#pragma once
// Helpers of the particle tests: a reading stream over written bytes, a record with
// another version, the smallest concrete generator, and the device fixture of the
// particle objects. The generator's object has one buffer slot; every update it runs
// the base step and the trail emission at the clock's accumulated time, then writes
// one quad per particle (a square of `pixelSize` in `colour`); it draws slot 0
// through the layer without an effect.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "document/CompositeParams.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "objects/particles/ParticleGenerator.h"
#include "objects/particles/ParticleQuads.h"
#include "objects/particles/ParticlesObj.h"
#include "render/Layer.h"
#include "support/FakeEffect.h"
#include "support/RecordRoundTrip.h"
#include "support/SceneTest.h"
#include "support/TestPictures.h"

namespace particles_test {

using ds_test::Reading;
using ds_test::WrittenBytes;

// `bytes`, a written record, with the version of its first level (named `name`) set
// to `version`.
inline std::vector<unsigned char> WithVersion(std::vector<unsigned char> bytes, const wchar_t* name, int version) {
  DS_IOF_W header;
  WriteLevelHeader(header, name, version);
  const std::vector<unsigned char>& h = header.Bytes();
  std::copy(h.end() - 4, h.end(), bytes.begin() + std::ptrdiff_t(h.size() - 4));
  return bytes;
}

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

// The vertices of the quads `object` holds in `slot`, as they stand (none when the
// slot holds none or cannot be read).
inline std::vector<DX_V::PCT> SlotVertices(DS_ParticlesObj& object, int slot) {
  std::vector<DX_V::PCT> out;
  const unsigned count = object.GetQuadCount(slot);
  DX_V::PCT* v = count ? object.LockQuads(slot) : nullptr;
  if (!v) return out;
  out.assign(v, v + 4 * count);
  object.UnlockQuads(slot);
  return out;
}

// Particle objects on the scene fixture: no culling, a green and a blue picture with
// a set of one frame each, the effects of the recording factory, and the object under
// test (gone before the fixture ends).
class ParticleDeviceTest : public ds_test::SceneTest {
protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (HasFatalFailure()) return;
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    green = ds_test::SolidTexture(0xFF00FF00);
    blue = ds_test::SolidTexture(0xFF0000FF);
    greenSet.AddFrame(green.Get(), -1.0f);
    blueSet.AddFrame(blue.Get(), -1.0f);
  }
  void TearDown() override {
    object.reset();
    SceneTest::TearDown();
  }

  // The run-time object of `item`; returns its clone.
  template <class T>
  T& MakeObject(T& item) {
    object.reset(static_cast<DS_ParticlesObj*>(item.CreateObject()));
    return *static_cast<T*>(object->GetGenerator());
  }

  FakeEffectFactory factory;
  std::unique_ptr<DS_ParticlesObj> object;
  DS_ComHolder<IDirect3DTexture9> green, blue;
  DS_TextureSet greenSet, blueSet;
};

}  // namespace particles_test
