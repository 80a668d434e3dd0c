// The discharge arc and the explosion drawn on the test device through the
// recording effect, with their effect and pictures taken from a document: the
// arc's three glow blocks every frame, its core picture choice, and the
// explosion's one "Main" block with the values of its nine parameters.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ArcsTestSupport.h"
#include "device/RenderTargetPair.h"
#include "document/DocResManager.h"
#include "objects/sprites/DischargeArcs.h"
#include "render/ViewContext.h"
#include "support/DocResRecord.h"
#include "support/SceneTest.h"
#include "support/TestPictures.h"

namespace {

using arcs_test::Blocks;
using arcs_test::EffectBlock;
using arcs_test::SeededPair;

const wchar_t* const kModule = L"common_res.dll";
const DS_FileKey kGlowPicture(L"C:\\scene\\glow.bmp", 11);
const DS_FileKey kGradientPicture(L"C:\\scene\\gradient.bmp", 12);
const DS_FileKey kNoisePicture(L"C:\\scene\\noise.bmp", 13);
const DS_FileKey kExplosionEffect(L"C:\\scene\\explosion.fx", 14);

std::vector<unsigned char> Bytes(const std::string& text) { return std::vector<unsigned char>(text.begin(), text.end()); }

class ArcsDrawTest : public ds_test::SceneTest {
protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (HasFatalFailure()) return;
    factory.SetPassCount(2);
    ds_test::DocResRecord record;
    record.otherFiles[DS_FileKey(kModule, DS_DischargeFXConstructor::kGlowEffectId)] = {
        ds_test::MakeModuleEntry(DS_DischargeFXConstructor::kGlowEffectId, kModule, Bytes("glow"))};
    record.otherFiles[kExplosionEffect] = {ds_test::MakeFileEntry(L"explosion.fx", Bytes("explosion"))};
    record.usedImages[DS_FileKey(kModule, DS_DischargeFXConstructor::kCorePictureId)] = {
        ds_test::MakeModuleEntry(DS_DischargeFXConstructor::kCorePictureId, kModule, ds_test::SolidBmp(8, 8, 0xFFFF0000))};
    record.usedImages[DS_FileKey(kModule, DS_DischargeFXConstructor::kAlternateCorePictureId)] = {
        ds_test::MakeModuleEntry(DS_DischargeFXConstructor::kAlternateCorePictureId, kModule,
                                 ds_test::SolidBmp(8, 8, 0xFF00FF00))};
    record.usedImages[kGlowPicture] = {ds_test::MakeFileEntry(L"glow.bmp", ds_test::SolidBmp(8, 8, 0xFF0000FF))};
    record.usedImages[kGradientPicture] = {
        ds_test::MakeFileEntry(L"gradient.bmp", ds_test::SolidBmp(8, 1, 0xFFFF8000))};
    record.usedImages[kNoisePicture] = {ds_test::MakeFileEntry(L"noise.bmp", ds_test::SolidBmp(8, 8, 0xFF808080))};
    UseDocument(record);
    if (HasFatalFailure()) return;
    SetSceneTexture();
  }
  void TearDown() override {
    object.reset();
    SceneTest::TearDown();
  }

  IDirect3DTexture9* FrameOf(const DS_FileKey& key) {
    return manager->GetTextureSet(DS_ImageFileLink(key))->GetCurrentTexture();
  }
  void Frame(float t) { Draw(*object, t); }

  FakeEffectFactory factory;
  std::unique_ptr<DS_ABObj> object;
};

std::vector<std::string> Names(std::initializer_list<const char*> names) {
  return std::vector<std::string>(names.begin(), names.end());
}

TEST_F(ArcsDrawTest, DischargeArcDrawsGlowCompositeAndCoreEveryFrame) {
  DS_DischargeFXConstructor arc;
  arc.startPoint.SetValue(D3DXVECTOR3(20, 40, 0));
  arc.endPoint.SetValue(D3DXVECTOR3(200, 100, 0));
  arc.spriteCount.SetValue(5u);
  arc.secondImage.StoreKey(kGlowPicture);
  object.reset(arc.CreateObject());
  DS_GlowingObj* glow = dynamic_cast<DS_GlowingObj*>(object.get());
  ASSERT_NE(nullptr, glow);
  ASSERT_NE(nullptr, glow->GetGlowTarget());
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect) << "the glow effect from the document's copy of resource 97";
  EXPECT_TRUE(object->NeedsSceneInput());

  for (float t : {0.05f, 0.1f, 0.3f}) {
    effect->ClearRecord();
    Frame(t);
    const std::vector<EffectBlock> blocks = Blocks(*effect);
    ASSERT_EQ(3u, blocks.size()) << "at " << t;

    EXPECT_EQ("Blend_Max", blocks[0].technique);
    EXPECT_EQ(Names({"Texture1"}), blocks[0].names);
    EXPECT_EQ(FrameOf(kGlowPicture), blocks[0].Find("Texture1")->texture) << "the glow: the second image";

    EXPECT_EQ("Blend_Screen", blocks[1].technique) << "additive by default";
    EXPECT_EQ(Names({"BlendColor", "Texture1", "Texture2"}), blocks[1].names);
    EXPECT_EQ((std::vector<float>{0.0f, 0x99 / 255.0f, 1.0f, 1.0f}), blocks[1].Find("BlendColor")->values)
        << "azure at full intensity";
    EXPECT_EQ(layer.scene.Get(), blocks[1].Find("Texture1")->texture);
    EXPECT_EQ(glow->GetGlowTarget()->GetCurrent().Get(), blocks[1].Find("Texture2")->texture);

    EXPECT_EQ("Common", blocks[2].technique);
    EXPECT_EQ(Names({"Texture1"}), blocks[2].names);
    EXPECT_EQ(FrameOf(DS_FileKey(kModule, 95)), blocks[2].Find("Texture1")->texture) << "the core: picture 95";
    for (const EffectBlock& block : blocks) EXPECT_EQ(2, block.passes) << block.technique;
  }
  EXPECT_FALSE(effect->InBegin());
}

struct CoreCase {
  int choice;
  int picture;
};

class CorePictureTest : public ArcsDrawTest, public ::testing::WithParamInterface<CoreCase> {};

TEST_P(CorePictureTest, PrepareTakesTheChosenModulePicture) {
  DS_DischargeFXConstructor arc;
  arc.corePicture.SetValue(GetParam().choice);
  arc.mainImage.StoreKey(kGradientPicture);  // replaced by the choice
  object.reset(arc.CreateObject());
  DS_GlowingObj* glow = dynamic_cast<DS_GlowingObj*>(object.get());
  ASSERT_NE(nullptr, glow);
  const DS_GlowEffectCtrl* control = glow->GetControl();
  EXPECT_EQ(kModule, control->mainImage.GetPath());
  EXPECT_EQ(GetParam().picture, control->mainImage.GetStamp());
  EXPECT_EQ(FrameOf(DS_FileKey(kModule, GetParam().picture)), control->GetSpriteTexture());
  EXPECT_NE(nullptr, control->GetSpriteTexture());
}

INSTANTIATE_TEST_SUITE_P(Choices, CorePictureTest,
                         ::testing::Values(CoreCase{1, 95}, CoreCase{-3, 95}, CoreCase{0, 98}));

TEST_F(ArcsDrawTest, ExplosionSetsMainWithItsNineParameters) {
  const unsigned int seed = 1234;
  IDirect3DTexture9* gradient = FrameOf(kGradientPicture);
  gradient->AddRef();
  const ULONG gradientRefs = gradient->Release();
  {
    DS_ExplosionConstructor boom;
    boom.effectLink.StoreKey(kExplosionEffect);
    boom.mainImage.StoreKey(kGradientPicture);
    boom.secondImage.StoreKey(kNoisePicture);
    boom.seed.SetValue(seed);
    boom.randomFlag.SetValue(0);
    boom.colour.SetValue(0x0000FFu);        // red in the low byte
    boom.secondColour.SetValue(0x00FF00u);  // green
    object.reset(boom.CreateObject());
  }
  ASSERT_NE(nullptr, dynamic_cast<DS_FXObj*>(object.get()));
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);

  // Six frames of 0.1 s: 1.2 s of control time, one renewal; the drift clock runs
  // at a quarter of it along -x.
  for (float t : {0.1f, 0.2f, 0.3f, 0.4f, 0.5f}) Frame(t);
  effect->ClearRecord();
  Frame(0.6f);
  const std::vector<EffectBlock> blocks = Blocks(*effect);
  ASSERT_EQ(1u, blocks.size());
  const EffectBlock& main = blocks[0];
  EXPECT_EQ("Main", main.technique);
  EXPECT_EQ(Names({"GradientTex", "NoiseTex", "color1", "color2", "noise_shift", "noise_params", "time", "phase_3rd",
                   "phase_1st"}),
            main.names);
  EXPECT_EQ(gradient, main.Find("GradientTex")->texture);
  EXPECT_EQ(FrameOf(kNoisePicture), main.Find("NoiseTex")->texture);
  EXPECT_EQ((std::vector<float>{1.0f, 0.0f, 0.0f}), main.Find("color1")->values);
  EXPECT_EQ((std::vector<float>{0.0f, 1.0f, 0.0f}), main.Find("color2")->values);

  const D3DXVECTOR2 current = SeededPair(seed, 1);
  const D3DXVECTOR2 next = SeededPair(seed, 2);
  const float drift = 0.25f * 1.2f;
  const std::vector<float> expectedShift = {current.x - drift, current.y, next.x - drift, next.y};
  const std::vector<float>& shift = main.Find("noise_shift")->values;
  ASSERT_EQ(4u, shift.size());
  for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(expectedShift[i], shift[i], 1e-5f) << "noise_shift " << i;

  const std::vector<float>& noise = main.Find("noise_params")->values;
  ASSERT_EQ(3u, noise.size());
  EXPECT_FLOAT_EQ(0.79f, noise[0]);
  EXPECT_FLOAT_EQ(0.15f, noise[1]);
  EXPECT_FLOAT_EQ(0.42f, noise[2]);
  const std::vector<float>& time = main.Find("time")->values;
  ASSERT_EQ(2u, time.size());
  EXPECT_NEAR(0.2f, time[0], 1e-5f);
  EXPECT_NEAR(0.8f, time[1], 1e-5f);
  EXPECT_EQ((std::vector<float>{0.0f, 1.0f}), main.Find("phase_3rd")->values) << "visible: no fade";
  EXPECT_EQ(std::vector<float>{0.0f}, main.Find("phase_1st")->values);
  EXPECT_EQ(FakeEffect::Kind::Float, main.Find("phase_1st")->kind);
  EXPECT_EQ(2, main.passes);

  object.reset();
  gradient->AddRef();
  EXPECT_EQ(gradientRefs, gradient->Release()) << "the clone's texture references are released";
}

}  // namespace
