// The textured generator: its record, the blend modes, the shared target of an item
// and its clones, the resources it takes from the document, and its two draw paths
// (the mask pass and composite through the effect, the direct draw without one).

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ParticleTestSupport.h"
#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "objects/particles/TexParticleGenerator.h"
#include "render/ViewContext.h"
#include "support/FakeEffect.h"
#include "support/SceneTest.h"

using particles_test::Reading;
using particles_test::WrittenBytes;

namespace {

// A textured generator with one buffer slot, one quad per particle, drawn with the
// current texture of its first set.
class TestTexGenerator : public DS_TexParticleGenerator {
public:
  TestTexGenerator() = default;
  TestTexGenerator(const TestTexGenerator& other) = default;

  void Render(DS_ABRender* layer, DS_ParticlesObj* obj) override { DrawParticles(layer, GetCurrentTexture(0), obj); }
  void Update(float t, DS_ParticlesObj* obj) override {
    DS_ParticleGenerator::Update(t, obj);
    const unsigned count = obj->EnsureQuadCapacity(0, unsigned(particles.size()));
    DX_V::PCT* vertices = obj->LockQuads(0);
    if (!vertices) return;
    unsigned k = 0;
    for (const DS_Particle& p : particles) {
      if (k >= count) break;
      WriteParticleQuad(p, colour1, vertices, k++, 20.0f, 1.0f);
    }
    obj->UnlockQuads(0);
  }
  void PrepareResources(DS_ParticlesObj* obj) override {
    DS_TexParticleGenerator::PrepareResources(obj);
    obj->SetSlotCount(slots);
  }
  DS_ParticleGenerator* Clone() const override { return new TestTexGenerator(*this); }

  int slots = 1;
};

const DS_FileKey kEffectKey(L"C:\\scene\\particles.fx", 21);

// ---- record ----

TEST(TexGeneratorRecordTest, WrittenRecordReadsBack) {
  TestTexGenerator written;
  written.textureLinks.emplace_back(DS_FileKey(L"C:\\scene\\star.png", 5));
  written.textureLinks.emplace_back(DS_FileKey(L"C:\\scene\\glow.png", 6));
  written.effectLink.StoreKey(kEffectKey);
  written.colour1.SetValue(0x123456);
  written.colour1.Opacity().SetValue(40u);
  written.colour2.SetValue(0xABCDEF);
  written.blendMode.SetValue(2);
  written.verticalFlip.SetValue(1);
  written.horizontalFlip.SetValue(3);
  written.textureSetMode = 1;
  written.origins.emplace_back(7.0f, 8.0f, 0.0f);
  written.SetName(L"stars");

  Reading reading(WrittenBytes(written));
  TestTexGenerator read;
  read.ReadSection(reading.handle);
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft());
  ASSERT_EQ(2u, read.textureLinks.size());
  EXPECT_EQ(L"C:\\scene\\glow.png", read.textureLinks[1].GetPath());
  EXPECT_EQ(6, read.textureLinks[1].GetStamp());
  EXPECT_EQ(kEffectKey.path, read.effectLink.GetPath());
  EXPECT_EQ(0x123456u, read.colour1.GetValue());
  EXPECT_EQ(40u, read.colour1.GetTransparency());
  EXPECT_EQ(153, read.colour1.GetAlpha());
  EXPECT_EQ(0xABCDEFu, read.colour2.GetValue());
  EXPECT_EQ(2, read.blendMode.GetValue());
  EXPECT_EQ(1, read.verticalFlip.GetValue());
  EXPECT_EQ(3, read.horizontalFlip.GetValue());
  EXPECT_EQ(1, read.textureSetMode);
  ASSERT_EQ(1u, read.origins.size());
  EXPECT_EQ(L"stars", read.GetName());
}

struct OldTexVersionCase {
  int version;
  int verticalFlip, horizontalFlip, mode;
};

class TexGeneratorOldRecordTest : public ::testing::TestWithParam<OldTexVersionCase> {};

TEST_P(TexGeneratorOldRecordTest, MissingFieldsStayZero) {
  const OldTexVersionCase& c = GetParam();
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_TexParticleGenerator", c.version);
  w.WriteInt(0);
  DS_FileLink3::WriteField(w, DS_FileLink3());
  MediaColor().WriteField(w);
  MediaColor().WriteField(w);
  w.WriteInt(3);
  if (c.version > 1) {
    w.WriteInt(4);
    w.WriteInt(5);
  }
  if (c.version > 2) w.WriteInt(6);
  TestTexGenerator().DS_ParticleGenerator::Write(w);

  Reading reading(w.Bytes());
  TestTexGenerator read;
  read.verticalFlip.SetValue(9);
  read.horizontalFlip.SetValue(9);
  read.ReadSection(reading.handle);
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft());
  EXPECT_EQ(3, read.blendMode.GetValue());
  EXPECT_EQ(c.verticalFlip, read.verticalFlip.GetValue());
  EXPECT_EQ(c.horizontalFlip, read.horizontalFlip.GetValue());
  EXPECT_EQ(c.mode, read.textureSetMode);
}

INSTANTIATE_TEST_SUITE_P(Versions, TexGeneratorOldRecordTest,
                         ::testing::Values(OldTexVersionCase{1, 0, 0, 0}, OldTexVersionCase{2, 4, 5, 0},
                                           OldTexVersionCase{3, 4, 5, 6}));

TEST(TexGeneratorRecordTest, LinkCountBeyondTheRecordFailsWithoutAllocating) {
  for (int count : {-3, 5000000, std::numeric_limits<int>::max()}) {
    DS_IOF_W w;
    WriteLevelHeader(w, L"DS_TexParticleGenerator", 3);
    w.WriteInt(count);
    DS_FileLink3::WriteField(w, DS_FileLink3(DS_FileKey(L"a.png", 1)));
    Reading reading(w.Bytes());
    TestTexGenerator read;
    read.ReadSection(reading.handle);
    EXPECT_TRUE(reading.handle->Failed()) << count;
    EXPECT_TRUE(read.textureLinks.empty()) << count;
  }
}

// ---- settings ----

TEST(TexGeneratorTest, WithoutAnEffectNoBlendModeAsksForTheScene) {
  for (int mode : {-1, 0, 1, 2, 3, 4}) {
    TestTexGenerator item;
    item.blendMode.SetValue(mode);
    EXPECT_FALSE(item.NeedsSceneInput()) << mode;
    std::unique_ptr<DS_ABObj> object(item.CreateObject());
    EXPECT_FALSE(object->NeedsSceneInput()) << "nothing would draw the scene back; mode " << mode;
  }
}

TEST(TexGeneratorTest, TextureFrameInfoNamesTheFirstLink) {
  TestTexGenerator item;
  item.textureSetMode = 1;
  DS_TextureFrameInfo info;
  info.reserved = 7;
  item.GetTextureFrameInfo(info, 0);
  EXPECT_EQ(nullptr, info.imageLink);
  EXPECT_EQ(0, info.mode);
  EXPECT_EQ(0, info.reserved);
  EXPECT_EQ(1.0f, info.frameStep);

  item.textureLinks.emplace_back(DS_FileKey(L"star.png", 2));
  item.textureLinks.emplace_back(DS_FileKey(L"glow.png", 3));
  item.GetTextureFrameInfo(info, 0);
  EXPECT_EQ(&item.textureLinks.front(), info.imageLink);
  EXPECT_EQ(1, info.mode);
  EXPECT_EQ(1.0f, info.frameStep);
}

TEST(TexGeneratorTest, EveryItemHasItsOwnTargetKeyAndClonesShareIt) {
  TestTexGenerator a, b;
  EXPECT_NE(a.GetTargetKey(), b.GetTargetKey());
  EXPECT_NE(GUID_NULL, a.GetTargetKey());
  std::unique_ptr<DS_ParticleGenerator> clone(a.Clone());
  EXPECT_EQ(a.GetTargetKey(), static_cast<DS_TexParticleGenerator*>(clone.get())->GetTargetKey());
}

TEST(TexGeneratorTest, MissingTextureSetsGiveNoTexture) {
  TestTexGenerator item;
  DS_TextureSet empty;
  item.textureSets = {&empty, nullptr};
  EXPECT_EQ(nullptr, item.GetCurrentTexture(0));
  EXPECT_EQ(nullptr, item.GetCurrentTexture(1));
  EXPECT_EQ(nullptr, item.GetCurrentTexture(3));
  EXPECT_EQ(nullptr, item.GetCurrentTexture(-1));
}

TEST(TexGeneratorTest, PreparingWithoutADocumentLeavesEverythingEmpty) {
  ASSERT_EQ(nullptr, g_CurrentDocResManager);
  TestTexGenerator item;
  item.textureLinks.emplace_back(DS_FileKey(L"star.png", 2));
  item.effectLink.StoreKey(kEffectKey);
  std::unique_ptr<DS_ParticlesObj> object(static_cast<DS_ParticlesObj*>(item.CreateObject()));
  auto* clone = static_cast<TestTexGenerator*>(object->GetGenerator());
  EXPECT_EQ(object.get(), clone->GetParticlesObject());
  EXPECT_EQ(nullptr, clone->GetEffect());
  EXPECT_TRUE(clone->textureSets.empty());
  EXPECT_EQ(nullptr, item.GetParticlesObject()) << "the item itself is never prepared";
}

// ---- with a document and the test device ----

// The layer's scene texture is the test's own, to see where the composite reads it.
class TexGeneratorDeviceTest : public particles_test::ParticleDeviceTest {
protected:
  void SetUp() override {
    ParticleDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    SetSceneTexture(ds_test::SolidTexture(0xFF808080));
  }

  void EmbedEffect() { EmbedFakeEffect(item.effectLink, kEffectKey, L"particles.fx", 1); }

  // Makes the run-time object and gives its clone the test's texture sets.
  TestTexGenerator& MakeObject() {
    TestTexGenerator& clone = ParticleDeviceTest::MakeObject(item);
    clone.textureSets = {&greenSet, &blueSet};
    return clone;
  }

  void Frame() { Draw(*object); }

  TestTexGenerator item;
};

TEST_F(TexGeneratorDeviceTest, PreparedCloneHoldsTheDocumentsEffect) {
  EmbedEffect();
  TestTexGenerator& clone = MakeObject();
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  EXPECT_EQ(effect, clone.GetEffect());
  const ULONG held = effect->RefCount();
  object.reset();
  EXPECT_EQ(held - 1, effect->RefCount()) << "the clone lets its reference go";
}

TEST_F(TexGeneratorDeviceTest, ClonesOfOneItemFindOneTarget) {
  std::unique_ptr<DS_ParticleGenerator> first(item.Clone()), second(item.Clone());
  auto* a = static_cast<TestTexGenerator*>(first.get());
  auto* b = static_cast<TestTexGenerator*>(second.get());
  a->AcquireTarget();
  b->AcquireTarget();
  ASSERT_NE(nullptr, a->GetTarget());
  EXPECT_EQ(a->GetTarget(), b->GetTarget());
  EXPECT_TRUE(a->GetTarget()->IsValid());
  EXPECT_EQ(ds_test::kTestDeviceWidth, a->GetTarget()->GetWidth()) << "sized to the back buffer";
  EXPECT_EQ(ds_test::kTestDeviceHeight, a->GetTarget()->GetHeight());
}

TEST_F(TexGeneratorDeviceTest, WithoutEffectParticlesDrawTexturedOntoTheLayer) {
  TestTexGenerator& clone = MakeObject();
  clone.particles.emplace_back(100.0f, 80.0f, 0.0f);
  Frame();
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x00FF00u, image.RgbAt(100, 80)) << "texture times white";
  EXPECT_EQ(0x404040u, image.RgbAt(100, 95));
  DS_ComHolder<IDirect3DBaseTexture9> bound;
  device->GetTexture(0, bound.Receive());
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(green.Get()), bound.Get());
  EXPECT_EQ(nullptr, clone.GetTarget()) << "the direct draw needs no target";
}

TEST_F(TexGeneratorDeviceTest, WithoutTextureNothingIsDrawn) {
  TestTexGenerator& clone = MakeObject();
  clone.textureSets.clear();
  clone.particles.emplace_back(100.0f, 80.0f, 0.0f);
  Frame();
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x404040u, image.RgbAt(100, 80));
}

TEST_F(TexGeneratorDeviceTest, BlendModesThatReadTheSceneAskForItWhenTheyCanCompose) {
  EmbedEffect();
  const struct {
    int mode;
    bool needs;
  } cases[] = {{-1, false}, {0, false}, {1, true}, {2, true}, {3, false}, {4, false}};
  for (const auto& c : cases) {
    item.blendMode.SetValue(c.mode);
    TestTexGenerator& clone = MakeObject();
    ASSERT_NE(nullptr, clone.GetEffect());
    EXPECT_EQ(c.needs, object->NeedsSceneInput()) << "before the target is acquired; mode " << c.mode;
    clone.AcquireTarget();
    ASSERT_NE(nullptr, clone.GetTarget());
    EXPECT_EQ(c.needs, object->NeedsSceneInput()) << c.mode;
  }
}

struct CompositeCase {
  int mode;
  const char* technique;  // null: no composite
  // What Texture1 and Texture2 receive: 'T' the target's texture, 'S' the scene
  // texture, 0 not set by the composite.
  char texture1, texture2;
};

const CompositeCase kCompositeCases[] = {
    {0, "CommonTex", 'T', 0},       {1, "Blend_ScreenTex", 'S', 'T'}, {2, "Blend_ColorDodgeTex", 'S', 'T'},
    {3, "Blend_SumTex", 'T', 0},    {4, nullptr, 0, 0},               {-2, nullptr, 0, 0},
};

class CompositeTest : public TexGeneratorDeviceTest, public ::testing::WithParamInterface<CompositeCase> {};

TEST_P(CompositeTest, MaskPassThenCompositeByBlendMode) {
  const CompositeCase& c = GetParam();
  EmbedEffect();
  item.blendMode.SetValue(c.mode);
  TestTexGenerator& clone = MakeObject();
  clone.particles.emplace_back(100.0f, 80.0f, 0.0f);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  Frame();
  EXPECT_TRUE(BackBufferIsTarget());
  ASSERT_NE(nullptr, clone.GetTarget()) << "acquired for the mask pass";
  IDirect3DTexture9* drawn = clone.GetTarget()->GetCurrent().Get();

  const std::vector<std::string> techniques = effect->Techniques();
  std::vector<const FakeEffect::ParamSet*> sets;
  ASSERT_GE(techniques.size(), 1u);
  EXPECT_EQ("BlendMask", techniques[0]);
  ASSERT_GE(effect->ParamSets().size(), 1u);
  EXPECT_EQ("Texture1", effect->ParamSets()[0].name);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(green.Get()), effect->ParamSets()[0].texture);
  EXPECT_EQ(c.technique ? 2 : 1, effect->BeginCount()) << "mask pass, then the composite's passes";

  if (!c.technique) {
    EXPECT_EQ(1u, techniques.size());
    EXPECT_EQ(1u, effect->ParamSets().size());
    return;
  }
  ASSERT_EQ(2u, techniques.size());
  EXPECT_EQ(c.technique, techniques[1]);
  auto expected = [&](char which) -> IDirect3DBaseTexture9* {
    return which == 'T' ? drawn : static_cast<IDirect3DBaseTexture9*>(layer.scene.Get());
  };
  const std::vector<FakeEffect::ParamSet>& all = effect->ParamSets();
  const size_t composed = all.size() - 1;  // sets after the mask pass
  EXPECT_EQ(size_t(c.texture2 ? 2 : 1), composed);
  EXPECT_EQ("Texture1", all[1].name);
  EXPECT_EQ(expected(c.texture1), all[1].texture);
  if (c.texture2) {
    EXPECT_EQ("Texture2", all[2].name);
    EXPECT_EQ(expected(c.texture2), all[2].texture);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, CompositeTest, ::testing::ValuesIn(kCompositeCases));

TEST_F(TexGeneratorDeviceTest, MaskPassClearsTheTargetToTransparent) {
  EmbedEffect();
  item.blendMode.SetValue(4);  // no composite: the target keeps what the pass left
  TestTexGenerator& clone = MakeObject();
  Frame();  // no particles: the pass only clears
  ASSERT_NE(nullptr, clone.GetTarget());
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadTexture(clone.GetTarget()->GetCurrent().Get(), image));
  EXPECT_EQ(0x00000000u, image.At(10, 10));
  EXPECT_EQ(0x00000000u, image.At(300, 200));
}

TEST_F(TexGeneratorDeviceTest, JoinedMaskDrawsEachSlotWithItsSetsTexture) {
  EmbedEffect();
  item.slots = 2;
  TestTexGenerator& clone = MakeObject();
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  object->EnsureQuadCapacity(0, 1);
  object->EnsureQuadCapacity(1, 1);
  device->BeginScene();
  view.ApplyTransforms();
  // A last index past the object's slots stops at its last slot.
  clone.DrawJoinedMask(object.get(), 5, &layer);
  device->EndScene();
  EXPECT_TRUE(BackBufferIsTarget());
  EXPECT_EQ("JoinMask", effect->CurrentTechnique());
  const std::vector<FakeEffect::ParamSet>& sets = effect->ParamSets();
  ASSERT_EQ(2u, sets.size());
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(green.Get()), sets[0].texture);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(blue.Get()), sets[1].texture);
  EXPECT_EQ(2, effect->BeginCount());
}

TEST_F(TexGeneratorDeviceTest, JoinedMaskClearsToTransparentWhiteAndSkipsMissingPictures) {
  EmbedEffect();
  item.slots = 2;
  TestTexGenerator& clone = MakeObject();
  clone.textureSets = {&greenSet};  // the second layer has no picture
  FakeEffect* effect = factory.LastEffect();
  device->BeginScene();
  view.ApplyTransforms();
  clone.DrawJoinedMask(object.get(), 1, &layer);
  device->EndScene();
  EXPECT_EQ(1u, effect->ParamSets().size());
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadTexture(clone.GetTarget()->GetCurrent().Get(), image));
  EXPECT_EQ(0x00FFFFFFu, image.At(20, 20));
}

TEST_F(TexGeneratorDeviceTest, JoinedMaskNeedsTheEffect) {
  item.slots = 2;
  TestTexGenerator& clone = MakeObject();
  device->BeginScene();
  clone.DrawJoinedMask(object.get(), 1, &layer);
  clone.Composite(&layer);
  device->EndScene();
  EXPECT_TRUE(BackBufferIsTarget());
  EXPECT_EQ(nullptr, clone.GetTarget());
}

}  // namespace
