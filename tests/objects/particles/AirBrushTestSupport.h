#pragma once
// Helpers of the air-brush and lightning tests: the particle device fixture whose
// layer's scene texture is a plain grey, with an effect the document embeds (made by
// the recording fake).

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "ParticleTestSupport.h"
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

class StrokeDeviceTest : public particles_test::ParticleDeviceTest {
protected:
  void SetUp() override {
    ParticleDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    SetSceneTexture(ds_test::SolidTexture(0xFF808080));
  }

  // The effect the document embeds under kEffectKey, made by the fake factory.
  void EmbedEffect(DS_FileLink3& link) { EmbedFakeEffect(link, kEffectKey, L"strokes.fx", 1); }

  // One frame of the object as it stands (no update).
  void Draw() { SceneTest::Draw(*object, 0.0f, false); }
};

// Near-equality of vertex positions.
inline void ExpectNear(const D3DXVECTOR3& expected, const DX_V::PCT& v, const char* what, float tolerance = 1e-3f) {
  EXPECT_NEAR(expected.x, v.x, tolerance) << what;
  EXPECT_NEAR(expected.y, v.y, tolerance) << what;
  EXPECT_NEAR(expected.z, v.z, tolerance) << what;
}

}  // namespace airbrush_test
