#pragma once
// Helpers of the smoke and plant tests: a time line at a chosen opacity, a record's
// bytes with its header's version replaced, and the particle device fixture whose
// document embeds an effect (which reaches the generator as a recording fake).

#include <memory>
#include <vector>

#include "ParticleTestSupport.h"
#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "objects/particles/ParticlesObj.h"
#include "objects/particles/TexParticleGenerator.h"
#include "render/Layer.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "support/FakeEffect.h"
#include "support/SceneTest.h"

namespace smokeplant_test {

// Opacity `alpha` of the item's time line: a window whose fade-in runs from 0 to 1 s.
inline void SetTimeLineAlpha(DS_ABObj_Constructor& item, float alpha) {
  DS_TimeLineControl& tl = item.TimeLine();
  tl.mode.SetValue(DS_TimeLineControl::kWindows);
  tl.AddWindow({0.0f, 100.0f, 1.0f, 99.0f});
  tl.SetWrappedTime(alpha);
}

// The written record of `item` with the version of its first header set to `version`.
template <class Item>
std::vector<unsigned char> WithVersion(const Item& item, const wchar_t* tag, int version) {
  return particles_test::WithVersion(particles_test::WrittenBytes(item), tag, version);
}

const DS_FileKey kEffectKey(L"C:\\scene\\smoke.fx", 33);

class GeneratorDeviceTest : public particles_test::ParticleDeviceTest {
protected:
  // The document carries an effect under kEffectKey, and `item` names it.
  void EmbedEffect(DS_TexParticleGenerator& item) { EmbedFakeEffect(item.effectLink, kEffectKey, L"smoke.fx", 1); }

  // The run-time object of `item`; its clone draws with the green picture.
  template <class Item>
  Item& MakeObject(Item& item) {
    Item& clone = ParticleDeviceTest::MakeObject(item);
    clone.textureSets = {&greenSet};
    return clone;
  }

  // One frame onto a grey back buffer: the object's update at `t`, then its drawing.
  void Frame(float t) { Draw(*object, t); }

  // Slot 0's vertices as they stand.
  std::vector<DX_V::PCT> SlotVertices() { return particles_test::SlotVertices(*object, 0); }
};

}  // namespace smokeplant_test
