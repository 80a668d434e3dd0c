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
#include "support/RenderDeviceTest.h"
#include "support/TestPictures.h"

using fxsprites_test::TestGlowItem;
using fxsprites_test::TestStatItem;

namespace {

const DS_FileKey kEffectKey(L"C:\\scene\\glow.fx", 77);

// One draw of an object through the layer, with the effect's state at that moment.
struct Draw {
  std::string call;
  std::string technique;
  IDirect3DBaseTexture9* texture1 = nullptr;
  IDirect3DBaseTexture9* texture2 = nullptr;
  std::vector<float> blend;
  const void* geometry = nullptr;
};

// A plain layer that records the target switches and effect draws it is asked for,
// and hands out a scene texture of the test's.
class RecordingLayer : public DS_2D_Light {
public:
  const DS_ComHolder<IDirect3DTexture9>& GetSceneTexture() const override { return scene; }
  void MakeLayerQuad() { m_layerQuad.CreateVertexBuffer(); }

  void BeginTarget(const DS_RenderTargetPair& pair, int fitType) override {
    Draw d;
    d.call = "BeginTarget " + std::to_string(pair.GetWidth()) + "x" + std::to_string(pair.GetHeight()) + " fit " +
             std::to_string(fitType);
    draws.push_back(d);
    DS_ComHolder<IDirect3DSurface9> target, expected;
    g_CurrentDevice->GetRenderTarget(0, target.Receive());
    if (pair.GetCurrent()) pair.GetCurrent()->GetSurfaceLevel(0, expected.Receive());
    drawingIntoPair = target && target.Get() == expected.Get();
    DS_2D_Light::BeginTarget(pair, fitType);
  }
  void EndTarget() override {
    Draw d;
    d.call = "EndTarget";
    draws.push_back(d);
    DS_2D_Light::EndTarget();
  }
  void DrawIndexedPCTEffect(const DS_IndexedMesh<DX_V::PCT>& geometry, ID3DXEffect* effect) override {
    Record("PCT", effect, &geometry);
    DS_2D_Light::DrawIndexedPCTEffect(geometry, effect);
  }
  void DrawPT(const DS_SimpleMesh<DX_V::PT>& geometry, ID3DXEffect* effect) override {
    Record("PT", effect, &geometry);
    DS_2D_Light::DrawPT(geometry, effect);
  }

  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    for (const Draw& d : draws) calls.push_back(d.technique.empty() ? d.call : d.call + " " + d.technique);
    return calls;
  }

  DS_ComHolder<IDirect3DTexture9> scene;
  std::vector<Draw> draws;
  bool drawingIntoPair = false;

private:
  void Record(const char* call, ID3DXEffect* effect, const void* geometry) {
    Draw d;
    d.call = call;
    d.geometry = geometry;
    const FakeEffect* fake = static_cast<const FakeEffect*>(effect);
    if (fake) {
      d.technique = fake->CurrentTechnique();
      if (const FakeEffect::ParamSet* set = fake->Last("Texture1")) d.texture1 = set->texture;
      if (const FakeEffect::ParamSet* set = fake->Last("Texture2")) d.texture2 = set->texture;
      d.blend = fake->LastValues("BlendColor");
    }
    draws.push_back(d);
  }
};

class FXDrawTest : public ds_test::RenderDeviceTest {
protected:
  void SetUp() override {
    RenderDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    manager.reset(new DS_DocResManager());
    SetCurrentDocResManager(manager.get());
    view.FitPicture(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight, ds_test::kTestDeviceWidth,
                    ds_test::kTestDeviceHeight, DS_ViewContext::kFitLetterbox);
    g_CurrentViewContext = &view;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    factory.SetPassCount(2);
    layer.MakeLayerQuad();
    layer.scene.Attach(MakeTexture());
    glow.spriteCount.SetValue(2u);
    glow.spriteSize.SetValue(20u);
    glow.mainImage = Picture(L"red.bmp", 0xFFFF0000);
    glow.secondImage = Picture(L"blue.bmp", 0xFF0000FF);
    stat.spriteCount.SetValue(1u);
    stat.mainImage = glow.mainImage;
  }
  void TearDown() override {
    glowObject.reset();
    statObject.reset();
    layer.scene.Release();
    SetCurrentDocResManager(nullptr);
    manager.reset();
    g_CurrentViewContext = nullptr;
    device->SetTexture(0, nullptr);
    RenderDeviceTest::TearDown();
  }

  IDirect3DTexture9* MakeTexture() {
    IDirect3DTexture9* texture = nullptr;
    device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
    return texture;
  }
  DS_ImageFileLink Picture(const wchar_t* name, uint32_t colour) {
    return manager->MakeImageLink(ds_test::MakeFileEntry(name, ds_test::SolidBmp(8, 8, colour)));
  }
  IDirect3DTexture9* FrameOf(const DS_ImageFileLink& link) {
    return manager->GetTextureSet(link)->GetCurrentTexture();
  }
  void EmbedEffect(DS_FXParticleSystemCtrl& item) {
    DS_ResourceEntry entry;
    entry.SetName(L"glow.fx");
    const unsigned char bytes[] = {'F', 'X', 1};
    entry.SetData(uint32_t(sizeof(bytes)), bytes);
    std::vector<DS_ResourceEntry>& library = manager->Tables().fileLibrary[kEffectKey];
    if (library.empty()) library.push_back(entry);
    item.effectLink.StoreKey(kEffectKey);
  }

  DS_GlowingObj& MakeGlow() {
    glowObject.reset(static_cast<DS_GlowingObj*>(glow.CreateObject()));
    return *glowObject;
  }
  DS_FXObj& MakeStat() {
    statObject.reset(static_cast<DS_FXObj*>(stat.CreateObject()));
    return *statObject;
  }

  void Frame(DS_ABObj& object, float t = 0.1f) {
    layer.draws.clear();
    object.Update(t);
    device->BeginScene();
    view.ApplyTransforms();
    object.Render(&layer);
    device->EndScene();
  }

  void ExpectBackBufferIsTarget() {
    DS_ComHolder<IDirect3DSurface9> target, back;
    device->GetRenderTarget(0, target.Receive());
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.Receive());
    EXPECT_EQ(back.Get(), target.Get()) << "drawing stayed in the glow target";
    EXPECT_FALSE(layer.IsTargetActive()) << "the layer's target was not ended";
  }

  FakeEffectFactory factory;
  std::unique_ptr<DS_DocResManager> manager;
  DS_ViewContext view;
  RecordingLayer layer;
  TestGlowItem glow;
  TestStatItem stat;
  std::unique_ptr<DS_GlowingObj> glowObject;
  std::unique_ptr<DS_FXObj> statObject;
};

const std::vector<std::string> kGlowPasses = {"BeginTarget 512x512 fit 3", "PCT Blend_Max", "EndTarget",
                                              "PT Blend_Normal", "PCT Common"};

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
  const std::vector<Draw>& d = layer.draws;
  EXPECT_EQ(FrameOf(glow.secondImage), d[1].texture1) << "glow pass: the second image";
  EXPECT_EQ(static_cast<const void*>(static_cast<ParticleGeomArray*>(&object)), d[1].geometry);
  EXPECT_EQ(layer.scene.Get(), d[3].texture1) << "composite: the scene drawn before";
  EXPECT_EQ(object.GetGlowTarget()->GetCurrent().Get(), d[3].texture2) << "composite: the glow";
  EXPECT_EQ(static_cast<const void*>(&layer.GetLayerQuad()), d[3].geometry);
  EXPECT_EQ((std::vector<float>{1.0f, 0.0f, 0.0f, 0.5f}), d[3].blend);
  EXPECT_EQ(FrameOf(glow.mainImage), d[4].texture1) << "sprite pass: the main image";
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
  EXPECT_EQ((std::vector<float>{0.0f, 1.0f, 0.0f, 0.0f}), layer.draws[3].blend);
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
  EXPECT_EQ((std::vector<std::string>{"PT Blend_Normal", "PCT Common"}), layer.Calls())
      << "no clear and no draw of the glow may reach the scene";
  EXPECT_EQ(nullptr, layer.draws[0].texture2);
  ExpectBackBufferIsTarget();

  manager->OnDeviceRestored();
  EXPECT_EQ(1, effect->ResetCount());
  ASSERT_TRUE(object.GetGlowTarget()->IsValid());
  EXPECT_EQ(512, object.GetGlowTarget()->GetWidth());
  Frame(object);
  EXPECT_EQ(kGlowPasses, layer.Calls());
  EXPECT_EQ(object.GetGlowTarget()->GetCurrent().Get(), layer.draws[3].texture2);
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
  EXPECT_EQ(nullptr, layer.draws[1].texture1) << "the glow pass must not draw another object's texture";
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
  ASSERT_EQ((std::vector<std::string>{"PCT Text"}), layer.Calls());
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
