// The effect-drawn sprite objects on the test device with the recording effect:
// the glow's three passes in order with their techniques, parameters and targets,
// the fixed-position object's draw, items without an effect, references, and the
// glow target through a device loss.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FXSpriteTestSupport.h"
#include "device/DeviceGlobals.h"
#include "device/RenderTargetPair.h"
#include "document/DocResManager.h"
#include "render/Layer.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "support/DocResRecord.h"
#include "support/FakeEffect.h"
#include "support/SceneTest.h"
#include "support/TestPictures.h"

using fxsprites_test::TestGlowItem;
using fxsprites_test::TestStatItem;

namespace {

const DS_FileKey kEffectKey(L"C:\\scene\\glow.fx", 77);

class FXDrawTest : public ds_test::SceneTest {
protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (HasFatalFailure()) return;
    factory.SetPassCount(2);
    SetSceneTexture();
    glow.spriteCount.SetValue(2u);
    glow.spriteSize.SetValue(20u);
    glow.mainImage = Picture(L"red.bmp", ds_test::SolidBmp(8, 8, 0xFFFF0000));
    glow.secondImage = Picture(L"blue.bmp", ds_test::SolidBmp(8, 8, 0xFF0000FF));
    stat.spriteCount.SetValue(1u);
    stat.mainImage = glow.mainImage;
  }
  void TearDown() override {
    glowObject.reset();
    statObject.reset();
    SceneTest::TearDown();
  }

  IDirect3DTexture9* FrameOf(const DS_ImageFileLink& link) {
    return manager->GetTextureSet(link)->GetCurrentTexture();
  }
  void EmbedEffect(DS_FXParticleSystemCtrl& item) { EmbedFakeEffect(item.effectLink, kEffectKey, L"glow.fx", 1); }

  DS_GlowingObj& MakeGlow() {
    glowObject.reset(static_cast<DS_GlowingObj*>(glow.CreateObject()));
    return *glowObject;
  }
  DS_FXObj& MakeStat() {
    statObject.reset(static_cast<DS_FXObj*>(stat.CreateObject()));
    return *statObject;
  }

  void Frame(DS_ABObj& object, float t = 0.1f) { Draw(object, t); }

  void ExpectBackBufferIsTarget() {
    EXPECT_TRUE(BackBufferIsTarget()) << "drawing stayed in the glow target";
    EXPECT_FALSE(layer.IsTargetActive()) << "the layer's target was not ended";
  }

  FakeEffectFactory factory;
  TestGlowItem glow;
  TestStatItem stat;
  std::unique_ptr<DS_GlowingObj> glowObject;
  std::unique_ptr<DS_FXObj> statObject;
};

const std::vector<std::string> kGlowPasses = {"BeginTarget 512x512 fit 3", "IndexedPCTEffect Blend_Max", "EndTarget",
                                              "PT Blend_Normal", "IndexedPCTEffect Common"};

TEST_F(FXDrawTest, GlowDrawsGlowCompositeAndSpritesInOrder) {
  EmbedEffect(glow);
  glow.glowColour.SetValue(0x0000FFu);
  glow.intensity.SetValue(50u);
  DS_GlowingObj& object = MakeGlow();
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  ASSERT_NE(nullptr, object.GetGlowTarget());
  effect->ClearRecord();

  Frame(object);
  ASSERT_EQ(kGlowPasses, layer.Calls());
  EXPECT_TRUE(layer.drawingIntoPair) << "the glow pass draws into the glow target";
  const std::vector<ds_test::RecordedDraw>& d = layer.draws;
  EXPECT_EQ(FrameOf(glow.secondImage), d[1].Texture("Texture1")) << "glow pass: the second image";
  EXPECT_EQ(static_cast<const void*>(static_cast<ParticleGeomArray*>(&object)), d[1].geometry);
  EXPECT_EQ(layer.scene.Get(), d[3].Texture("Texture1")) << "composite: the scene drawn before";
  EXPECT_EQ(object.GetGlowTarget()->GetCurrent().Get(), d[3].Texture("Texture2")) << "composite: the glow";
  EXPECT_EQ(static_cast<const void*>(&layer.GetLayerQuad()), d[3].geometry);
  EXPECT_EQ((std::vector<float>{1.0f, 0.0f, 0.0f, 0.5f}), d[3].Values("BlendColor"));
  EXPECT_EQ(FrameOf(glow.mainImage), d[4].Texture("Texture1")) << "sprite pass: the main image";
  EXPECT_EQ(3, effect->BeginCount());
  EXPECT_EQ(3, effect->EndCount());
  EXPECT_EQ(6u, effect->CountEvents("BeginPass 0") + effect->CountEvents("BeginPass 1"));
  EXPECT_FALSE(effect->InBegin());
  EXPECT_FALSE(object.GetGlowTarget()->IsRendering());
  ExpectBackBufferIsTarget();
}

struct TechniqueCase {
  int additive;
  const char* technique;
};

class GlowCompositeTest : public FXDrawTest, public ::testing::WithParamInterface<TechniqueCase> {};

TEST_P(GlowCompositeTest, AdditiveOneCompositesWithTheScreenBlend) {
  EmbedEffect(glow);
  glow.additive.SetValue(GetParam().additive);
  Frame(MakeGlow());
  ASSERT_EQ(5u, layer.draws.size());
  EXPECT_EQ(GetParam().technique, layer.draws[3].technique);
}

INSTANTIATE_TEST_SUITE_P(Cases, GlowCompositeTest,
                         ::testing::Values(TechniqueCase{0, "Blend_Normal"}, TechniqueCase{1, "Blend_Screen"},
                                           TechniqueCase{2, "Blend_Normal"}));

TEST_F(FXDrawTest, InvisibleGlowStillRunsEveryPassWithAlphaZero) {
  EmbedEffect(glow);
  glow.glowColour.SetValue(0x00FF00u);
  glow.TimeLine().mode.SetValue(DS_TimeLineControl::kWindows);  // no window: never visible
  Frame(MakeGlow());
  ASSERT_EQ(kGlowPasses, layer.Calls());
  EXPECT_EQ((std::vector<float>{0.0f, 1.0f, 0.0f, 0.0f}), layer.draws[3].Values("BlendColor"));
}

TEST_F(FXDrawTest, EachGlowObjectHasItsOwnTargetOf512) {
  EmbedEffect(glow);
  DS_GlowingObj& first = MakeGlow();
  std::unique_ptr<DS_GlowingObj> second(static_cast<DS_GlowingObj*>(glow.CreateObject()));
  ASSERT_NE(nullptr, first.GetGlowTarget());
  ASSERT_NE(nullptr, second->GetGlowTarget());
  EXPECT_NE(first.GetGlowTarget(), second->GetGlowTarget());
  EXPECT_EQ(first.GetGlowTarget(), manager->GetGuidRenderTarget(first.GetGlowGuid()));
  EXPECT_TRUE(first.GetGlowTarget()->IsValid());
  EXPECT_EQ(512, first.GetGlowTarget()->GetWidth());
  EXPECT_EQ(512, first.GetGlowTarget()->GetHeight());
}

TEST_F(FXDrawTest, LostGlowTargetSkipsTheGlowPassUntilRestored) {
  EmbedEffect(glow);
  DS_GlowingObj& object = MakeGlow();
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);

  manager->ReleaseDeviceObjects();
  EXPECT_FALSE(object.GetGlowTarget()->IsValid());
  EXPECT_EQ(1, effect->LostCount());
  Frame(object);
  EXPECT_EQ((std::vector<std::string>{"PT Blend_Normal", "IndexedPCTEffect Common"}), layer.Calls())
      << "no clear and no draw of the glow may reach the scene";
  EXPECT_EQ(nullptr, layer.draws[0].Texture("Texture2"));
  ExpectBackBufferIsTarget();

  manager->OnDeviceRestored();
  EXPECT_EQ(1, effect->ResetCount());
  ASSERT_TRUE(object.GetGlowTarget()->IsValid());
  EXPECT_EQ(512, object.GetGlowTarget()->GetWidth());
  Frame(object);
  EXPECT_EQ(kGlowPasses, layer.Calls());
  EXPECT_EQ(object.GetGlowTarget()->GetCurrent().Get(), layer.draws[3].Texture("Texture2"));
  ExpectBackBufferIsTarget();
}

TEST_F(FXDrawTest, GlowWithoutEffectDrawsNothingAndReadsNoScene) {
  glow.effectLink.StoreKey(DS_FileKey(L"C:\\scene\\missing.fx", 1));
  DS_GlowingObj& object = MakeGlow();
  EXPECT_EQ(nullptr, object.GetControl()->GetEffect());
  EXPECT_FALSE(object.NeedsSceneInput());
  Frame(object);
  EXPECT_TRUE(layer.draws.empty());
  ExpectBackBufferIsTarget();
}

TEST_F(FXDrawTest, GlowWhoseEffectFailsDrawsNothing) {
  EmbedEffect(glow);
  factory.FailNext(1);
  DS_GlowingObj& object = MakeGlow();
  EXPECT_EQ(0u, factory.EffectCount());
  EXPECT_FALSE(object.NeedsSceneInput());
  Frame(object);
  EXPECT_TRUE(layer.draws.empty());
}

TEST_F(FXDrawTest, GlowWithEffectReadsTheScene) {
  EmbedEffect(glow);
  DS_GlowingObj& object = MakeGlow();
  EXPECT_TRUE(object.NeedsSceneInput());
  // Switched off it draws nothing, and the scene must stay with the layer.
  object.SetEnabled(false);
  EXPECT_FALSE(object.NeedsSceneInput());
}

TEST_F(FXDrawTest, GlowWithoutSecondImageGlowsWithNoTexture) {
  EmbedEffect(glow);
  glow.secondImage = DS_ImageFileLink();
  DS_GlowingObj& object = MakeGlow();
  EXPECT_EQ(nullptr, object.GetControl()->GetGlowTexture());
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  // Another user of the shared effect left its texture in place.
  effect->SetTexture("Texture1", layer.scene.Get());
  Frame(object);
  ASSERT_EQ(kGlowPasses, layer.Calls());
  EXPECT_EQ(nullptr, layer.draws[1].Texture("Texture1")) << "the glow pass must not draw another object's texture";
}

TEST_F(FXDrawTest, ObjectsHoldOneReferenceToTheEffectAndTextures) {
  EmbedEffect(glow);
  IDirect3DTexture9* sprite = FrameOf(glow.mainImage);
  IDirect3DTexture9* glowTexture = FrameOf(glow.secondImage);
  sprite->AddRef();
  const ULONG spriteRefs = sprite->Release();
  glowTexture->AddRef();
  const ULONG glowRefs = glowTexture->Release();

  DS_GlowingObj& object = MakeGlow();
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  const ULONG effectRefs = effect->RefCount();
  EXPECT_EQ(sprite, object.GetControl()->GetSpriteTexture());
  EXPECT_EQ(glowTexture, object.GetControl()->GetGlowTexture());
  sprite->AddRef();
  EXPECT_EQ(spriteRefs + 1, sprite->Release());
  glowTexture->AddRef();
  EXPECT_EQ(glowRefs + 1, glowTexture->Release());

  // Preparing again keeps one reference of each.
  object.GetControl()->Prepare();
  EXPECT_EQ(effectRefs, effect->RefCount());
  sprite->AddRef();
  EXPECT_EQ(spriteRefs + 1, sprite->Release());

  glowObject.reset();
  EXPECT_EQ(effectRefs - 1, effect->RefCount());
  sprite->AddRef();
  EXPECT_EQ(spriteRefs, sprite->Release());
  glowTexture->AddRef();
  EXPECT_EQ(glowRefs, glowTexture->Release());
}

TEST_F(FXDrawTest, GlowUpdateRenewsTheEffectThenWritesTheSprites) {
  EmbedEffect(glow);
  DS_GlowingObj& object = MakeGlow();
  auto& clone = *static_cast<TestGlowItem*>(object.GetControl());
  EXPECT_FALSE(object.HasWrittenQuads());
  object.Update(0.1f);
  object.Update(0.2f);
  EXPECT_EQ(2, clone.effectUpdates);
  EXPECT_TRUE(object.HasWrittenQuads());
  EXPECT_EQ(2u, object.GetQuadCapacity());
}

TEST_F(FXDrawTest, FixedItemDrawsItsQuadWhenSetUp) {
  EmbedEffect(stat);
  DS_FXObj& object = MakeStat();
  auto& clone = *static_cast<TestStatItem*>(object.GetControl());
  EXPECT_FALSE(object.NeedsSceneInput());
  Frame(object);
  EXPECT_EQ(1, clone.setups);
  EXPECT_EQ(&layer, clone.lastLayer);
  EXPECT_EQ(static_cast<ParticleGeomArray*>(&object), clone.lastGeometry);
  ASSERT_EQ((std::vector<std::string>{"IndexedPCTEffect Text"}), layer.Calls());
  EXPECT_EQ(static_cast<const void*>(static_cast<ParticleGeomArray*>(&object)), layer.draws[0].geometry);
  EXPECT_TRUE(object.HasWrittenQuads());

  clone.draw = false;
  Frame(object);
  EXPECT_EQ(2, clone.setups);
  EXPECT_TRUE(layer.draws.empty()) << "a frame the item declines draws nothing";
}

TEST_F(FXDrawTest, FixedItemWithoutEffectIsNeitherSetUpNorDrawn) {
  DS_FXObj& object = MakeStat();
  auto& clone = *static_cast<TestStatItem*>(object.GetControl());
  Frame(object);
  EXPECT_EQ(0, clone.setups);
  EXPECT_TRUE(layer.draws.empty());
}

}  // namespace
