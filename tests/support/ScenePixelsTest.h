#pragma once
// Device tests that draw objects through the compiled effects and read the pixels
// back: the scene fixture with a layer whose picture fills the test device and whose
// scene texture is one plain colour, and a document's effects read through the
// current resource manager. Header-only: only the test programs that link the
// document and render libraries include it.

#include <memory>
#include <vector>

#include "render/ObjectModel.h"
#include "support/CompiledEffects.h"
#include "support/DocResRecord.h"
#include "support/SceneTest.h"

namespace ds_test {

class ScenePixelsTest : public SceneTest {
protected:
  // The picture under the objects, the grey each frame starts from: the layer's
  // scene texture.
  static constexpr uint32_t kScene = kGrey;

  void SetUp() override {
    SceneTest::SetUp();
    if (HasFatalFailure()) return;
    layer.SetPictureSize(kTestDeviceWidth, kTestDeviceHeight);
    layer.scene = MakeTexture(16, 16, [](int, int) { return kScene; });
    ASSERT_TRUE(layer.scene);
  }
  void TearDown() override {
    object.reset();
    SceneTest::TearDown();
  }

  // A document record holding the compiled effect `name` as the file under `key`;
  // fails the test when the program holds no such effect.
  static DocResRecord EffectDocument(const char* name, const DS_FileKey& key) {
    DocResRecord record;
    const std::vector<unsigned char> bytes = CompiledEffectBytes(name);
    EXPECT_FALSE(bytes.empty()) << "no compiled effect " << name;
    record.otherFiles[key] = {MakeFileEntry(L"effect.fxo", bytes)};
    return record;
  }

  // One frame of the object over the scene; what the back buffer then shows (empty
  // when there is no object or the back buffer cannot be read, which fails the test).
  Image Frame(float t) { return object ? DrawAndRead(*object, t) : Image(); }

  // The object drawn over the scene as it stands, not moved on; what the back buffer
  // then shows.
  Image Draw() { return object ? DrawAndRead(*object, 0.0f, false) : Image(); }

  std::unique_ptr<DS_ABObj> object;
};

}  // namespace ds_test
