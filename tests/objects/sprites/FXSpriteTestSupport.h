#pragma once
// The smallest concrete items of the effect-drawn sprite branch: a glow item and a
// fixed-position item. The fixed-position item answers SetupEffect as the test
// says and records what it was given.

#include <vector>

#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "objects/sprites/FXParticleCtrl.h"
#include "support/RecordRoundTrip.h"

namespace fxsprites_test {

class TestGlowItem : public DS_GlowEffectCtrl {
public:
  TestGlowItem() = default;
  TestGlowItem(const TestGlowItem& other) = default;
  DS_ParticleSystemCtrl* Clone() const override { return new TestGlowItem(*this); }
  void UpdateEffect() override { ++effectUpdates; }
  // Holds `effect` as if Prepare had got it (a reference added).
  void HoldEffect(ID3DXEffect* effect) { m_effect.Set(effect); }
  int effectUpdates = 0;
};

class TestStatItem : public DS_StatBaseFXCtrl {
public:
  TestStatItem() = default;
  TestStatItem(const TestStatItem& other) = default;
  DS_ParticleSystemCtrl* Clone() const override { return new TestStatItem(*this); }
  bool SetupEffect(DS_ABRender* layer, ParticleGeomArray* geometry) override {
    ++setups;
    lastLayer = layer;
    lastGeometry = geometry;
    if (GetEffect()) GetEffect()->SetTechnique("Text");
    return draw;
  }
  bool draw = true;
  int setups = 0;
  DS_ABRender* lastLayer = nullptr;
  ParticleGeomArray* lastGeometry = nullptr;
};

using ds_test::Reading;
using ds_test::WrittenBytes;

}  // namespace fxsprites_test
