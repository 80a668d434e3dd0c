#pragma once
// Helpers of the air-brush and lightning tests: a device fixture on the scene fixture
// whose layer's scene texture is a plain grey, with small one-colour pictures and an
// effect the document embeds (made by the recording fake).

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "objects/particles/ParticlesObj.h"
#include "render/Layer.h"
#include "render/ObjectModel.h"
#include "render/ViewContext.h"
#include "support/FakeEffect.h"
#include "support/ItemRecord.h"
#include "support/SceneTest.h"

namespace airbrush_test {

using ds_test::Reading;
using ds_test::WrittenBytes;

using ds_test::ReadItem;

const DS_FileKey kEffectKey(L"C:\\scene\\strokes.fx", 33);

class StrokeDeviceTest : public ds_test::SceneTest {
protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (HasFatalFailure()) return;
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    green = ds_test::SolidTexture(0xFF00FF00);
    blue = ds_test::SolidTexture(0xFF0000FF);
    greenSet.AddFrame(green.Get(), -1.0f);
    blueSet.AddFrame(blue.Get(), -1.0f);
    layer.scene = ds_test::SolidTexture(0xFF808080);
    layer.MakeLayerQuad();
  }
  void TearDown() override {
    object.reset();
    SceneTest::TearDown();
  }

  // The effect the document embeds under kEffectKey, made by the fake factory.
  void EmbedEffect(DS_FileLink3& link) {
    EmbedFile(kEffectKey, L"strokes.fx", {'F', 'X', 1});
    link.StoreKey(kEffectKey);
  }

  // The run-time object of `item`; returns its clone.
  template <class T>
  T& MakeObject(T& item) {
    object.reset(static_cast<DS_ParticlesObj*>(item.CreateObject()));
    return *static_cast<T*>(object->GetGenerator());
  }

  // One frame of the object as it stands (no update).
  void Draw() { SceneTest::Draw(*object, 0.0f, false); }

  FakeEffectFactory factory;
  std::unique_ptr<DS_ParticlesObj> object;
  DS_ComHolder<IDirect3DTexture9> green, blue;
  DS_TextureSet greenSet, blueSet;
};

// Near-equality of vertex positions.
inline void ExpectNear(const D3DXVECTOR3& expected, const DX_V::PCT& v, const char* what, float tolerance = 1e-3f) {
  EXPECT_NEAR(expected.x, v.x, tolerance) << what;
  EXPECT_NEAR(expected.y, v.y, tolerance) << what;
  EXPECT_NEAR(expected.z, v.z, tolerance) << what;
}

}  // namespace airbrush_test
