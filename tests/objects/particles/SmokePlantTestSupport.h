#pragma once
// Helpers of the smoke and plant tests: a time line at a chosen opacity, a record's
// bytes with its header's version replaced, and a device fixture on the scene
// fixture whose document embeds an effect (which reaches the generator as a recording
// fake), with small one-colour pictures.

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
  std::vector<unsigned char> bytes = particles_test::WrittenBytes(item);
  DS_IOF_W header, replaced;
  WriteLevelHeader(header, tag, Item::kRecordVersion);
  WriteLevelHeader(replaced, tag, version);
  std::vector<unsigned char> out = replaced.Bytes();
  out.insert(out.end(), bytes.begin() + header.Bytes().size(), bytes.end());
  return out;
}

const DS_FileKey kEffectKey(L"C:\\scene\\smoke.fx", 33);

class GeneratorDeviceTest : public ds_test::SceneTest {
protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (HasFatalFailure()) return;
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    green = ds_test::SolidTexture(0xFF00FF00);
    greenSet.AddFrame(green.Get(), -1.0f);
  }
  void TearDown() override {
    object.reset();
    SceneTest::TearDown();
  }

  // The document carries an effect under kEffectKey, and `item` names it.
  void EmbedEffect(DS_TexParticleGenerator& item) {
    EmbedFile(kEffectKey, L"smoke.fx", {'F', 'X', 1});
    item.effectLink.StoreKey(kEffectKey);
  }

  // The run-time object of `item`; its clone draws with the green picture.
  template <class Item>
  Item& MakeObject(Item& item) {
    object.reset(static_cast<DS_ParticlesObj*>(item.CreateObject()));
    Item& clone = *static_cast<Item*>(object->GetGenerator());
    clone.textureSets = {&greenSet};
    return clone;
  }

  // One frame onto a grey back buffer: the object's update at `t`, then its drawing.
  void Frame(float t) { Draw(*object, t); }

  // Slot 0's vertices as they stand.
  std::vector<DX_V::PCT> SlotVertices() {
    std::vector<DX_V::PCT> out;
    const unsigned count = object->GetQuadCount(0);
    DX_V::PCT* v = count ? object->LockQuads(0) : nullptr;
    if (!v) return out;
    out.assign(v, v + 4 * count);
    object->UnlockQuads(0);
    return out;
  }

  FakeEffectFactory factory;
  std::unique_ptr<DS_ParticlesObj> object;
  DS_ComHolder<IDirect3DTexture9> green;
  DS_TextureSet greenSet;
};

}  // namespace smokeplant_test
