// The effect-brush base: its record in every version, hostile records, the effect and
// mask it takes from the document, the common effect parameters and the brush object.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "BrushTestSupport.h"
#include "tests/document/FakeTexture.h"
#include "objects/brushes/CentreBrushes.h"
#include "objects/brushes/DirectionBrushes.h"
#include "objects/brushes/FireBrush.h"
#include "render/TimeLine.h"

using namespace brushes_test;

namespace {

GUID MakeGuid(unsigned long first) {
  GUID guid = {first, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
  return guid;
}

bool SameGuid(const GUID& a, const GUID& b) { return IsEqualGUID(a, b) != 0; }

void ExpectFloats(const std::vector<float>& expected, const std::vector<float>& got, const char* what) {
  ASSERT_EQ(expected.size(), got.size()) << what;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(expected[i], got[i], 1e-4f) << what << " value " << i;
  }
}

DS_BrushObj* AsBrushObject(const std::unique_ptr<DS_ABObj>& object) {
  return dynamic_cast<DS_BrushObj*>(object.get());
}

// A brush with a value in every field of its record.
void FillBrush(TestBrush& brush) {
  brush.SetName(L"Brush A");
  brush.speed.SetValue(70u);
  brush.fxMode.SetValue(1);
  brush.SetMaskKey(MakeGuid(0xA1B2C3D4), L"mask.png", 0);
  brush.effectLink.StoreKey(EffectKey(88));
  brush.scale.SetValue(150u);
  for (int k = 0; k < 4; ++k) {
    brush.region.Corner(k).StoreValue(D3DXVECTOR3(10.0f * k, 20.0f * k + 1.0f, 0.5f * k));
  }
  brush.reservedInt.SetValue(-7);
  brush.TimeLine().mode.SetValue(1);
}

// ---- record ----

TEST(EffectBrushRecord, NewBrushHasTheBaseDefaults) {
  TestBrush a, b;
  EXPECT_EQ(0u, a.speed.GetValue());
  EXPECT_FLOAT_EQ(0.0f, a.speed.GetSpeed());
  EXPECT_EQ(0, a.fxMode.GetValue());
  EXPECT_EQ(50u, a.scale.GetValue());
  EXPECT_FLOAT_EQ(1.0f, a.scale.GetResult());
  EXPECT_TRUE(a.effectLink.GetPath().empty());
  EXPECT_EQ(0, a.effectLink.GetStamp());
  for (int k = 0; k < 4; ++k) EXPECT_EQ(D3DXVECTOR3(0, 0, 0), a.region.Corner(k).GetValue());
  EXPECT_EQ(1, a.GetMaskFlag());
  EXPECT_TRUE(a.GetMaskName().empty());
  EXPECT_FALSE(SameGuid(GUID_NULL, a.GetMaskGuid()));
  EXPECT_FALSE(SameGuid(a.GetMaskGuid(), b.GetMaskGuid())) << "every brush draws its own mask GUID";
  EXPECT_EQ(nullptr, a.GetEffect());
  EXPECT_FALSE(*a.GetMaskTexture());
  EXPECT_EQ(D3DPT_TRIANGLESTRIP, a.RegionMesh().primitiveType);
  EXPECT_EQ(0, a.RegionMesh().columns);
}

TEST(EffectBrushRecord, WrittenBrushReadsBackWithEveryField) {
  TestBrush written;
  FillBrush(written);
  const std::vector<unsigned char> bytes = WriteItem(written);

  TestBrush read;
  size_t left = 1;
  ASSERT_TRUE(ReadTestBrush(bytes, read, &left));
  EXPECT_EQ(0u, left);
  EXPECT_EQ(L"Brush A", read.GetName());
  EXPECT_EQ(70u, read.speed.GetValue());
  EXPECT_FLOAT_EQ(70.0f, read.speed.GetSpeed()) << "the speed's float follows the stored value";
  EXPECT_EQ(1, read.fxMode.GetValue());
  EXPECT_TRUE(SameGuid(MakeGuid(0xA1B2C3D4), read.GetMaskGuid()));
  EXPECT_EQ(L"mask.png", read.GetMaskName());
  EXPECT_EQ(0, read.GetMaskFlag());
  EXPECT_TRUE(read.effectLink.GetKey() == EffectKey(88));
  EXPECT_EQ(150u, read.scale.GetValue());
  EXPECT_FLOAT_EQ(3.0f, read.scale.GetResult());
  for (int k = 0; k < 4; ++k) EXPECT_EQ(written.region.Corner(k).GetValue(), read.region.Corner(k).GetValue());
  EXPECT_EQ(-7, read.reservedInt.GetValue());
  EXPECT_EQ(1, read.TimeLine().mode.GetValue());
}

// The "DS_FX_Constructor" level in an older layout, followed by the base item.
std::vector<unsigned char> WriteOldRecord(int version, const TestBrush& source) {
  DS_IOF_W w;
  WriteLevelHeader(w, L"TestBrush", 1);
  WriteLevelHeader(w, L"DS_FX_Constructor", version);
  w.WriteUInt(source.speed.GetValue());
  w.WriteLong(source.fxMode.GetValue());
  DS_IOF_Virtual::WriteGuid(w, source.GetMaskGuid());
  w.WriteString(source.GetMaskName());
  w.WriteByte(source.GetMaskFlag());
  DS_FileLink3::WriteField(w, source.effectLink);
  if (version > 1) w.WriteUInt(source.scale.GetValue());
  if (version > 2) {
    source.region.Write(w);
    w.WriteLong(source.reservedInt.GetValue());
  }
  source.DS_ABObj_Constructor::Write(w);
  return w.Bytes();
}

struct OldVersionCase {
  int version;
  unsigned expectedScale;
  bool regionRead;
};

void PrintTo(const OldVersionCase& c, std::ostream* os) { *os << "version " << c.version; }

class EffectBrushOldRecord : public ::testing::TestWithParam<OldVersionCase> {};

TEST_P(EffectBrushOldRecord, MissingFieldsKeepTheirDefaults) {
  const OldVersionCase& c = GetParam();
  TestBrush written;
  FillBrush(written);
  TestBrush read;
  read.scale.SetValue(60u);  // a class's own default scale
  size_t left = 1;
  ASSERT_TRUE(ReadTestBrush(WriteOldRecord(c.version, written), read, &left)) << "version " << c.version;
  EXPECT_EQ(0u, left);
  EXPECT_EQ(c.expectedScale, read.scale.GetValue());
  EXPECT_FLOAT_EQ(0.02f * float(c.expectedScale), read.scale.GetResult());
  for (int k = 0; k < 4; ++k) {
    const D3DXVECTOR3 expected = c.regionRead ? written.region.Corner(k).GetValue() : D3DXVECTOR3(0, 0, 0);
    EXPECT_EQ(expected, read.region.Corner(k).GetValue()) << "corner " << k;
  }
  EXPECT_EQ(c.regionRead ? -7 : 0, read.reservedInt.GetValue());
  // The base item after the level is read in every version.
  EXPECT_EQ(L"Brush A", read.GetName());
  EXPECT_TRUE(read.effectLink.GetKey() == EffectKey(88));
}

INSTANTIATE_TEST_SUITE_P(Versions, EffectBrushOldRecord,
                         ::testing::Values(OldVersionCase{1, 60u, false}, OldVersionCase{2, 150u, false},
                                           OldVersionCase{3, 150u, true}));

TEST(EffectBrushRecord, EveryTruncatedRecordFailsTheStream) {
  TestBrush written;
  FillBrush(written);
  const std::vector<unsigned char> bytes = WriteItem(written);
  // From one byte on: an empty buffer is no stream at all (the loader refuses it).
  for (size_t size = 1; size < bytes.size(); ++size) {
    const std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + size);
    TestBrush read;
    EXPECT_FALSE(ReadTestBrush(cut, read)) << "record cut to " << size << " of " << bytes.size() << " bytes";
  }
}

TEST(EffectBrushRecord, MalformedGuidTextKeepsTheBrushsOwnGuid) {
  TestBrush written;
  FillBrush(written);
  std::vector<unsigned char> bytes = WriteItem(written);
  // Break the GUID text: its first hex digit becomes 'x'.
  bool broken = false;
  for (size_t i = 0; i + 4 < bytes.size(); ++i) {
    if (bytes[i] == '{' && bytes[i + 1] == 0 && bytes[i + 2] == 'A' && bytes[i + 3] == 0) {
      bytes[i + 2] = 'x';
      broken = true;
      break;
    }
  }
  ASSERT_TRUE(broken);
  TestBrush read;
  const GUID own = read.GetMaskGuid();
  ASSERT_TRUE(ReadTestBrush(bytes, read));
  EXPECT_TRUE(SameGuid(own, read.GetMaskGuid()));
  EXPECT_EQ(L"Brush A", read.GetName()) << "the rest of the record is still read in step";
}

// ---- clock, scene input, kind ----

TEST(EffectBrushObject, BrushClockAdvancesAtMostOneFifthSecondPerFrame) {
  TestBrush brush;
  brush.speed.SetScale(0.02f, 0.0f);
  brush.speed.SetValue(100u);  // speed 2.0
  std::unique_ptr<DS_ABObj> object(brush.CreateObject());
  DS_FX_Constructor* clone = AsBrushObject(object)->GetBrush();
  object->Update(0.1f);
  EXPECT_NEAR(0.2f, clone->GetBrushTime(), 1e-6f);
  object->Update(1.1f);  // a one-second pause counts as 0.2 s
  EXPECT_NEAR(0.6f, clone->GetBrushTime(), 1e-6f);
  object->Update(0.5f);  // a clock that went back adds nothing
  EXPECT_NEAR(0.6f, clone->GetBrushTime(), 1e-6f);
  EXPECT_FLOAT_EQ(0.0f, brush.GetBrushTime()) << "the item itself keeps its own clock";
}

TEST(EffectBrushObject, KindIsFourAndMouseAndResizeDoNothing) {
  TestBrush brush;
  std::unique_ptr<DS_ABObj> object(brush.CreateObject());
  EXPECT_EQ(4, object->GetKind());
  object->OnMouseMove(10, 20);
  object->OnResize();
  EXPECT_FALSE(object->HitTest(POINT{0, 0}, 0));
}

class BrushEffectTest : public BrushManagerTest {
protected:
  // An object of a brush whose effect is the embedded one with `id`.
  std::unique_ptr<DS_ABObj> MakeObject(TestBrush& brush, int id) {
    EmbedEffect(id);
    brush.effectLink.StoreKey(EffectKey(id));
    return std::unique_ptr<DS_ABObj>(brush.CreateObject());
  }
};

struct SceneInputCase {
  int fxMode;
  bool enabled;
  bool hasEffect;
  bool expected;
};

void PrintTo(const SceneInputCase& c, std::ostream* os) { *os << "fx " << c.fxMode << ", enabled " << c.enabled << ", effect " << c.hasEffect; }

class BrushSceneInputTest : public BrushEffectTest, public ::testing::WithParamInterface<SceneInputCase> {};

TEST_P(BrushSceneInputTest, OnlyAnEnabledFXBrushWithItsEffectNeedsTheScene) {
  const SceneInputCase& c = GetParam();
  TestBrush brush;
  brush.fxMode.SetValue(c.fxMode);
  if (!c.hasEffect) factory.FailNext(1);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush, 90);
  object->SetEnabled(c.enabled);
  EXPECT_EQ(c.expected, object->NeedsSceneInput())
      << "fx " << c.fxMode << ", enabled " << c.enabled << ", effect " << c.hasEffect;
}

INSTANTIATE_TEST_SUITE_P(Cases, BrushSceneInputTest,
                         ::testing::Values(SceneInputCase{0, true, true, false}, SceneInputCase{1, true, true, true},
                                           SceneInputCase{-3, true, true, true}, SceneInputCase{1, false, true, false},
                                           SceneInputCase{0, false, true, false},
                                           SceneInputCase{1, true, false, false}));

TEST_F(BrushEffectTest, InFXModeOnlyBrushesThatRedrawThePictureNeedTheScene) {
  EmbedEffect(90);
  DS_MoveFX move;
  DS_BendFX bend;
  DS_FireFX fire;
  DS_WaterfallFX waterfall;
  DS_CloudFX cloud;
  const struct {
    const char* name;
    DS_FX_Constructor* brush;
    bool needs;
  } cases[] = {{"move, through the common tail", &move, true},
               {"bend, through the layer quad", &bend, true},
               {"fire, only its grid", &fire, false},
               {"waterfall, only its region", &waterfall, false},
               {"cloud, its own picture as the background", &cloud, false}};
  for (const auto& c : cases) {
    c.brush->fxMode.SetValue(1);
    c.brush->effectLink.StoreKey(EffectKey(90));
    std::unique_ptr<DS_ABObj> object(c.brush->CreateObject());
    ASSERT_NE(nullptr, AsBrushObject(object)->GetBrush()->GetEffect()) << c.name;
    EXPECT_EQ(c.needs, object->NeedsSceneInput()) << c.name;
  }
}

// ---- effect and mask from the document ----

TEST_F(BrushEffectTest, ObjectTakesTheEmbeddedEffectAndLeavesTheItemAlone) {
  TestBrush brush;
  std::unique_ptr<DS_ABObj> object = MakeObject(brush, 77);
  ASSERT_EQ(1u, factory.Requests().size());
  EXPECT_EQ(EffectBytes(77), factory.Requests()[0].bytes);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  EXPECT_EQ(static_cast<ID3DXEffect*>(effect), AsBrushObject(object)->GetBrush()->GetEffect());
  EXPECT_EQ(nullptr, brush.GetEffect());
  // The factory's, the manager's and the clone's.
  EXPECT_EQ(3u, effect->RefCount());
  object.reset();
  EXPECT_EQ(2u, effect->RefCount());
}

TEST_F(BrushEffectTest, ObjectsOfOneBrushShareEffectAndMaskUntilTheLastGoes) {
  TestBrush brush;
  FakeTexture mask;
  manager->GetGuidTexture(brush.GetMaskGuid()).Set(&mask);
  ASSERT_EQ(2u, mask.refs);
  std::unique_ptr<DS_ABObj> first = MakeObject(brush, 77);
  std::unique_ptr<DS_ABObj> second(brush.CreateObject());
  ASSERT_EQ(1u, factory.EffectCount()) << "the second object takes the manager's effect";
  FakeEffect* effect = factory.LastEffect();
  EXPECT_EQ(4u, effect->RefCount());
  EXPECT_EQ(4u, mask.refs);
  EXPECT_EQ(&mask, AsBrushObject(second)->GetBrush()->GetMaskTexture()->Get());

  first.reset();
  EXPECT_EQ(3u, effect->RefCount());
  EXPECT_EQ(3u, mask.refs);
  RecordingLayer layer(1024, 768);
  second->Render(&layer);
  ASSERT_EQ(1u, layer.draws.size());
  EXPECT_EQ(static_cast<ID3DXEffect*>(effect), layer.draws[0].effect);
  const FakeEffect::ParamSet* maskSet = effect->Last("Mask");
  ASSERT_NE(nullptr, maskSet);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(&mask), maskSet->texture);

  second.reset();
  EXPECT_EQ(2u, effect->RefCount());
  EXPECT_EQ(2u, mask.refs);
  manager->GetGuidTexture(brush.GetMaskGuid()).Release();
  EXPECT_EQ(1u, mask.refs);
}

TEST_F(BrushEffectTest, CopyOfAPreparedBrushSharesItsEffectAndMask) {
  TestBrush brush;
  FakeTexture mask;
  manager->GetGuidTexture(brush.GetMaskGuid()).Set(&mask);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush, 77);
  FakeEffect* effect = factory.LastEffect();
  const ULONG effectRefs = effect->RefCount();
  const ULONG maskRefs = mask.refs;
  {
    std::unique_ptr<DS_FX_Constructor> copy(AsBrushObject(object)->GetBrush()->Clone());
    EXPECT_EQ(static_cast<ID3DXEffect*>(effect), copy->GetEffect());
    EXPECT_EQ(&mask, copy->GetMaskTexture()->Get());
    EXPECT_EQ(effectRefs + 1, effect->RefCount());
    EXPECT_EQ(maskRefs + 1, mask.refs);
  }
  EXPECT_EQ(effectRefs, effect->RefCount());
  EXPECT_EQ(maskRefs, mask.refs);
  object.reset();
  manager->GetGuidTexture(brush.GetMaskGuid()).Release();
}

TEST_F(BrushEffectTest, MaskTheDocumentDoesNotHoldGivesNoMaskAndAnEmptySlot) {
  TestBrush brush;
  ASSERT_EQ(0u, manager->Tables().guidTextures.count(brush.GetMaskGuid()));
  std::unique_ptr<DS_ABObj> object = MakeObject(brush, 77);
  EXPECT_EQ(1u, manager->Tables().guidTextures.count(brush.GetMaskGuid()));
  EXPECT_FALSE(*AsBrushObject(object)->GetBrush()->GetMaskTexture());
  RecordingLayer layer(1024, 768);
  object->Render(&layer);
  const FakeEffect::ParamSet* maskSet = factory.LastEffect()->Last("Mask");
  ASSERT_NE(nullptr, maskSet) << "the shared effect must not keep another brush's mask";
  EXPECT_EQ(nullptr, maskSet->texture);
}

struct MissingEffectCase {
  const char* what;
  bool embedded;
  bool creatorFails;
  size_t requests;
};

void PrintTo(const MissingEffectCase& c, std::ostream* os) { *os << c.what; }

class BrushMissingEffectTest : public BrushEffectTest, public ::testing::WithParamInterface<MissingEffectCase> {};

TEST_P(BrushMissingEffectTest, BrushWithoutEffectSetsNothingAndDrawsNothing) {
  const MissingEffectCase& c = GetParam();
  TestBrush brush;
  if (c.embedded) EmbedEffect(91);
  if (c.creatorFails) factory.FailNext(1);
  brush.effectLink.StoreKey(EffectKey(91));
  std::unique_ptr<DS_ABObj> object(brush.CreateObject());
  EXPECT_EQ(c.requests, factory.Requests().size()) << c.what;
  EXPECT_EQ(nullptr, AsBrushObject(object)->GetBrush()->GetEffect()) << c.what;
  for (TestBrush::Tail tail : {TestBrush::kApply, TestBrush::kSet, TestBrush::kRegion}) {
    static_cast<TestBrush*>(AsBrushObject(object)->GetBrush())->tail = tail;
    RecordingLayer layer(1024, 768);
    object->Update(0.1f);
    object->Render(&layer);
    EXPECT_TRUE(layer.draws.empty()) << c.what << ", tail " << tail;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, BrushMissingEffectTest,
                         ::testing::Values(MissingEffectCase{"no embedded copy and no module", false, false, 0u},
                                           MissingEffectCase{"effect creation fails", true, true, 1u}));

TEST_F(BrushEffectTest, PrepareReplacesTheHeldEffectAlsoByNone) {
  TestBrush brush;
  std::unique_ptr<DS_ABObj> object = MakeObject(brush, 77);
  FakeEffect* effect = factory.LastEffect();
  DS_FX_Constructor* clone = AsBrushObject(object)->GetBrush();
  const ULONG held = effect->RefCount();
  clone->effectLink.StoreKey(EffectKey(5));  // nothing embedded, no module
  clone->Prepare(clone->GetMaskTexture());
  EXPECT_EQ(nullptr, clone->GetEffect());
  EXPECT_EQ(held - 1, effect->RefCount());
}

TEST(EffectBrushObject, WithoutAResourceManagerTheBrushHasNoEffectAndNoMask) {
  DS_DocResManager* previous = g_CurrentDocResManager;
  SetCurrentDocResManager(nullptr);
  TestBrush brush;
  brush.fxMode.SetValue(1);
  std::unique_ptr<DS_ABObj> object(brush.CreateObject());
  EXPECT_EQ(nullptr, AsBrushObject(object)->GetBrush()->GetEffect());
  EXPECT_FALSE(*AsBrushObject(object)->GetBrush()->GetMaskTexture());
  EXPECT_FALSE(object->NeedsSceneInput());
  SetCurrentDocResManager(previous);
}

TEST(EffectBrushObject, SetMaskTextureSharesTheHoldersTextureOrDropsTheMask) {
  TestBrush brush;
  FakeTexture first, second;
  DS_MaskHolder a, b;
  a.Set(&first);
  b.Set(&second);
  brush.SetMaskTexture(&a);
  EXPECT_EQ(3u, first.refs);
  brush.SetMaskTexture(brush.GetMaskTexture());  // its own holder: nothing changes
  EXPECT_EQ(3u, first.refs);
  brush.SetMaskTexture(&b);
  EXPECT_EQ(2u, first.refs);
  EXPECT_EQ(3u, second.refs);
  brush.SetMaskTexture(nullptr);
  EXPECT_EQ(2u, second.refs);
  EXPECT_FALSE(*brush.GetMaskTexture());
}

TEST(EffectBrushObject, RenewMaskGuidForgetsTheMask) {
  TestBrush brush;
  FakeTexture mask;
  DS_MaskHolder holder;
  holder.Set(&mask);
  brush.SetMaskKey(MakeGuid(7), L"old mask", 0);
  brush.SetMaskTexture(&holder);
  ASSERT_EQ(3u, mask.refs);
  brush.RenewMaskGuid();
  EXPECT_EQ(2u, mask.refs);
  EXPECT_FALSE(*brush.GetMaskTexture());
  EXPECT_FALSE(SameGuid(MakeGuid(7), brush.GetMaskGuid()));
  EXPECT_FALSE(SameGuid(GUID_NULL, brush.GetMaskGuid()));
  EXPECT_TRUE(brush.GetMaskName().empty());
  EXPECT_EQ(1, brush.GetMaskFlag());
}

TEST_F(BrushEffectTest, AssignmentTakesEveryFieldTheTimeLineAndTheDeviceObjects) {
  TestBrush source;
  FillBrush(source);
  source.TimeLine().fadeIn.SetValue(250u);
  DS_TimeWindow window;
  window.start = 1.0f;
  window.fadeInEnd = 2.0f;
  window.fadeOutStart = 3.0f;
  window.end = 4.0f;
  ASSERT_TRUE(source.TimeLine().AddWindow(window));
  FakeTexture mask;
  manager->GetGuidTexture(source.GetMaskGuid()).Set(&mask);
  std::unique_ptr<DS_ABObj> object = MakeObject(source, 77);
  DS_FX_Constructor* prepared = AsBrushObject(object)->GetBrush();
  FakeEffect* effect = factory.LastEffect();
  const ULONG effectRefs = effect->RefCount();

  TestBrush target;
  target = static_cast<TestBrush&>(*prepared);
  EXPECT_EQ(L"Brush A", target.GetName());
  EXPECT_EQ(70u, target.speed.GetValue());
  EXPECT_FLOAT_EQ(70.0f, target.speed.GetSpeed());
  EXPECT_EQ(1, target.fxMode.GetValue());
  EXPECT_TRUE(target.effectLink.GetKey() == EffectKey(77));
  EXPECT_FLOAT_EQ(3.0f, target.scale.GetResult()) << "the scale's float follows the assignment";
  EXPECT_EQ(source.region.Corner(3).GetValue(), target.region.Corner(3).GetValue());
  EXPECT_EQ(-7, target.reservedInt.GetValue());
  EXPECT_TRUE(SameGuid(source.GetMaskGuid(), target.GetMaskGuid()));
  EXPECT_EQ(L"mask.png", target.GetMaskName());
  EXPECT_EQ(1, target.TimeLine().mode.GetValue());
  EXPECT_EQ(250u, target.TimeLine().fadeIn.GetValue());
  EXPECT_FLOAT_EQ(2.5f, target.TimeLine().FadeInSeconds());
  EXPECT_EQ(1u, target.TimeLine().Windows().size());
  EXPECT_EQ(static_cast<ID3DXEffect*>(effect), target.GetEffect());
  EXPECT_EQ(effectRefs + 1, effect->RefCount());
  EXPECT_EQ(&mask, target.GetMaskTexture()->Get());

  object.reset();
  target.SetMaskTexture(nullptr);
  manager->GetGuidTexture(source.GetMaskGuid()).Release();
  EXPECT_EQ(1u, mask.refs);
}

TEST_F(BrushEffectTest, WritingKeepsTheDocumentsMaskWhenNoCopyCanBeMade) {
  // Without a device no copy of the brush's mask can be made: the picture the
  // document holds under the GUID must survive the write.
  TestBrush brush;
  FakeTexture stored, own;
  manager->GetGuidTexture(brush.GetMaskGuid()).Set(&stored);
  DS_MaskHolder holder;
  holder.Set(&own);
  brush.SetMaskTexture(&holder);
  const std::vector<unsigned char> bytes = WriteItem(brush);
  EXPECT_FALSE(bytes.empty());
  EXPECT_EQ(&stored, manager->GetGuidTexture(brush.GetMaskGuid()).Get());
  manager->GetGuidTexture(brush.GetMaskGuid()).Release();
  brush.SetMaskTexture(nullptr);
}

// ---- common effect parameters ----

struct ScaleCase {
  const char* what;
  unsigned stored;
  unsigned width, height;
  float x, y;
};

void PrintTo(const ScaleCase& c, std::ostream* os) { *os << c.what; }

class BrushScaleTest : public BrushEffectTest, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(BrushScaleTest, ScaleFollowsPictureAspectAndZoom) {
  const ScaleCase& c = GetParam();
  TestBrush brush;
  brush.scale.SetValue(c.stored);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush, 77);
  RecordingLayer layer(c.width, c.height);
  object->Render(&layer);
  const std::vector<float> scale = factory.LastEffect()->LastValues("Scale");
  ExpectFloats({c.x, c.y}, scale, c.what);
  for (float v : scale) EXPECT_TRUE(std::isfinite(v)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrushScaleTest,
    ::testing::Values(ScaleCase{"default scale on 1024 x 768", 50u, 1024, 768, 1.333333f, 1.0f},
                      ScaleCase{"scale 2.0", 100u, 1024, 768, 0.666667f, 0.5f},
                      ScaleCase{"scale 0.5 on a square picture", 25u, 800, 800, 2.0f, 2.0f},
                      ScaleCase{"scale 0 takes the smallest step", 0u, 1024, 768, 66.66667f, 50.0f},
                      ScaleCase{"picture without size counts as square", 50u, 0, 0, 1.0f, 1.0f},
                      ScaleCase{"picture without height counts as square", 50u, 640, 0, 1.0f, 1.0f}));

TEST_F(BrushEffectTest, ApplyCommonParametersSetsEverythingThenDrawsTheLayerQuad) {
  for (int fx : {0, 1}) {
    TestBrush brush;
    brush.fxMode.SetValue(fx);
    FakeTexture mask, scene;
    manager->GetGuidTexture(brush.GetMaskGuid()).Set(&mask);
    std::unique_ptr<DS_ABObj> object = MakeObject(brush, 77);
    FakeEffect* effect = factory.LastEffect();
    effect->ClearRecord();
    effect->SetPassCount(2);
    RecordingLayer layer(1024, 768);
    layer.scene.Set(&scene);
    object->Render(&layer);

    const std::vector<std::string> expected = {
        fx ? "SetTechnique MainFX" : "SetTechnique Main", "Set Scale", "Set Mask", "Set Background", "Begin 0",
        "BeginPass 0", "EndPass", "BeginPass 1", "EndPass", "End"};
    EXPECT_EQ(expected, effect->Events()) << "fx mode " << fx;
    ASSERT_EQ(1u, layer.draws.size());
    EXPECT_EQ("PT", layer.draws[0].kind);
    EXPECT_EQ(static_cast<const void*>(&layer.GetLayerQuad()), layer.draws[0].geometry);
    EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(&mask), effect->Last("Mask")->texture);
    EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(&scene), effect->Last("Background")->texture);
    EXPECT_EQ(FakeEffect::Kind::FloatArray, effect->Last("Scale")->kind);
    object.reset();
    layer.scene.Release();
    manager->GetGuidTexture(brush.GetMaskGuid()).Release();
  }
}

TEST_F(BrushEffectTest, SetCommonParametersSetsFourScaleValuesAndDrawsNothing) {
  TestBrush brush;
  brush.tail = TestBrush::kSet;
  brush.scale.SetValue(100u);  // s = 2
  brush.fxMode.SetValue(1);
  std::unique_ptr<DS_ABObj> object = MakeObject(brush, 77);
  FakeEffect* effect = factory.LastEffect();
  effect->ClearRecord();
  RecordingLayer layer(1024, 768);
  object->Render(&layer);
  const std::vector<std::string> expected = {"Set Scale", "Set Mask", "Set Background", "SetTechnique MainFX"};
  EXPECT_EQ(expected, effect->Events());
  ExpectFloats({0.666667f, 0.5f, 1.5f, 2.0f}, effect->LastValues("Scale"), "four-value scale");
  EXPECT_TRUE(layer.draws.empty());
}

TEST_F(BrushEffectTest, DrawRegionDrawsTheRegionMeshOrInFXModeTheLayerQuad) {
  for (int fx : {0, 1}) {
    TestBrush brush;
    brush.tail = TestBrush::kRegion;
    brush.fxMode.SetValue(fx);
    std::unique_ptr<DS_ABObj> object = MakeObject(brush, 77);
    FakeEffect* effect = factory.LastEffect();
    effect->ClearRecord();
    RecordingLayer layer(1024, 768);
    object->Render(&layer);
    ASSERT_EQ(1u, layer.draws.size());
    if (fx) {
      EXPECT_EQ("PT", layer.draws[0].kind);
      EXPECT_EQ(static_cast<const void*>(&layer.GetLayerQuad()), layer.draws[0].geometry);
      EXPECT_EQ("MainFX", effect->CurrentTechnique());
    } else {
      EXPECT_EQ("IndexedPT", layer.draws[0].kind);
      EXPECT_EQ(static_cast<const void*>(&AsBrushObject(object)->GetBrush()->RegionMesh()), layer.draws[0].geometry);
      EXPECT_EQ("Main", effect->CurrentTechnique());
    }
    EXPECT_TRUE(effect->ParamSets().empty()) << "DrawRegion sets no parameter";
  }
}

}  // namespace
