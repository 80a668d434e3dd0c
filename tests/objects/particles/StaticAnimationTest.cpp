// The frame-stepping sprite: its record, the default effect link, the frame clock
// stepping the first texture set forward and backward, and the effect-driven drawing
// of the region quad with the tint and the time line's opacity.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/ClassRegistry.h"
#include "objects/particles/SpriteAnimations.h"
#include "SmokePlantTestSupport.h"

using particles_test::Reading;
using particles_test::WrittenBytes;
using smokeplant_test::SetTimeLineAlpha;
using smokeplant_test::WithVersion;

namespace {

// A sprite in a 100 x 60 region whose corner 0 is (40, 30), at half speed, backwards.
DS_StaticAnimation MakeAnimation() {
  DS_StaticAnimation animation;
  animation.FrameSpeed.SetValue(50u);
  animation.Backward.SetValue(1);
  animation.region.SetFromCentre(D3DXVECTOR3(90.0f, 60.0f, 0.0f), 100.0f, 60.0f);
  animation.position.SetValue(D3DXVECTOR3(7.0f, 8.0f, 0.0f));
  return animation;
}

TEST(StaticAnimationRecordTest, WrittenRecordReadsBackThroughTheRegistryForEveryVersion) {
  DS_StaticAnimation written = MakeAnimation();
  written.colour1.SetValue(0x00FF00);
  written.colour1.Opacity().SetValue(30u);
  written.SetName(L"candle");
  // The reader ignores the version.
  for (int version : {DS_StaticAnimation::kRecordVersion, 0, 9}) {
    Reading reading(WithVersion(written, L"DS_StaticAnimation", version));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    ASSERT_FALSE(reading.handle->Failed()) << version;
    EXPECT_EQ(0u, reading.handle->BytesLeft()) << version;
    auto* read = dynamic_cast<DS_StaticAnimation*>(item.get());
    ASSERT_NE(nullptr, read) << version;
    EXPECT_FLOAT_EQ(0.5f, read->FrameSpeed.GetSpeed()) << version;
    EXPECT_EQ(0.0f, read->FrameSpeed.GetAccumulatedTime());
    EXPECT_EQ(1, read->Backward.GetValue());
    EXPECT_EQ(D3DXVECTOR3(40.0f, 30.0f, 0.0f), read->region.Corner(0).GetValue());
    EXPECT_EQ(D3DXVECTOR3(140.0f, 90.0f, 0.0f), read->region.Corner(3).GetValue());
    EXPECT_EQ(D3DXVECTOR3(7.0f, 8.0f, 0.0f), read->position.GetValue());
    EXPECT_EQ(0x00FF00u, read->colour1.GetValue());
    EXPECT_EQ(30u, read->colour1.GetTransparency());
    EXPECT_EQ(L"candle", read->GetName());
  }
}

TEST(StaticAnimationRecordTest, FieldsComeBeforeTheSingleRectangleRecord) {
  const DS_StaticAnimation animation = MakeAnimation();
  DS_IOF_W whole, below, header;
  animation.Write(whole);
  animation.DS_SingleRectGN::Write(below);
  WriteLevelHeader(header, L"DS_StaticAnimation", 1);
  ASSERT_EQ(header.Bytes().size() + 8 + below.Bytes().size(), whole.Bytes().size());
  Reading reading(whole.Bytes());
  ds_string name;
  int version = 0;
  unsigned speed = 0;
  int backward = 0;
  reading.handle->ReadString(name);
  reading.handle->ReadInt(version);
  reading.handle->ReadUInt(speed);
  reading.handle->ReadInt(backward);
  EXPECT_EQ(L"DS_StaticAnimation", name);
  EXPECT_EQ(1, version);
  EXPECT_EQ(50u, speed);
  EXPECT_EQ(1, backward);
  const std::vector<unsigned char> tail(whole.Bytes().end() - long(below.Bytes().size()), whole.Bytes().end());
  EXPECT_EQ(below.Bytes(), tail);
}

TEST(StaticAnimationRecordTest, RecordCutShortFailsTheStream) {
  const std::vector<unsigned char> whole = WrittenBytes(MakeAnimation());
  for (size_t cut : {size_t(10), size_t(44), whole.size() / 2, whole.size() - 1}) {
    Reading reading(std::vector<unsigned char>(whole.begin(), whole.begin() + long(cut)));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    EXPECT_TRUE(reading.handle->Failed()) << cut;
    EXPECT_EQ(nullptr, item.get()) << cut;
  }
}

TEST(StaticAnimationSettingsTest, ConstructionNamesTheCommonModulesEffectAndStopsTheClock) {
  DS_StaticAnimation animation;
  EXPECT_TRUE(animation.effectLink.GetKey() == DS_HLSLEffectFile(116, L"common_res.dll").GetKey());
  EXPECT_EQ(0.0f, animation.FrameSpeed.GetSpeed());
  EXPECT_EQ(0.0f, animation.FrameSpeed.GetStep());
  EXPECT_EQ(0.0f, animation.FrameSpeed.GetAccumulatedTime());
  EXPECT_EQ(0, animation.Backward.GetValue());
  animation.FrameSpeed.SetValue(100u);
  EXPECT_FLOAT_EQ(1.0f, animation.FrameSpeed.GetSpeed());
}

// ---- frame stepping ----

struct FrameCase {
  unsigned speed;  // stored, 0.01 per unit
  int backward;
  float times[5];
  unsigned frames[5];
};

// Three frames of 0.1 s each. The set steps at most one frame per update, when the
// clock has run strictly past the frame's time; the clock moves at most 0.2 s a call.
const FrameCase kFrameCases[] = {
    {100u, 0, {0.05f, 0.15f, 0.3f, 0.45f, 0.6f}, {0, 1, 2, 0, 1}},
    {100u, 1, {0.05f, 0.15f, 0.3f, 0.45f, 0.6f}, {0, 2, 1, 0, 2}},
    {50u, 0, {0.15f, 0.3f, 0.45f, 0.6f, 0.75f}, {0, 1, 1, 2, 2}},
    {200u, 0, {0.15f, 0.3f, 0.45f, 0.6f, 0.75f}, {1, 2, 0, 1, 2}},
    {0u, 0, {0.15f, 0.3f, 0.45f, 0.6f, 0.75f}, {0, 0, 0, 0, 0}},
    // Any value other than 0 runs backwards.
    {200u, -3, {0.15f, 0.3f, 0.45f, 0.6f, 0.75f}, {2, 1, 0, 2, 1}},
};

class StaticAnimationFrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(StaticAnimationFrameTest, TheFrameClockStepsTheFirstTextureSet) {
  const FrameCase& c = GetParam();
  DS_TextureSet frames, other;
  for (int i = 0; i < 3; ++i) frames.AddFrame(nullptr, 0.1f);
  other.AddFrame(nullptr, 0.01f);
  other.AddFrame(nullptr, 0.01f);
  DS_StaticAnimation animation = MakeAnimation();
  animation.FrameSpeed.SetValue(c.speed);
  animation.Backward.SetValue(c.backward);
  animation.textureSets = {&frames, &other};
  for (int i = 0; i < 5; ++i) {
    animation.Update(c.times[i], nullptr);
    EXPECT_EQ(c.frames[i], frames.frameIndex) << "speed " << c.speed << " backward " << c.backward << " t "
                                              << c.times[i];
  }
  EXPECT_EQ(0u, other.frameIndex) << "only the first set is stepped";
}

INSTANTIATE_TEST_SUITE_P(Speeds, StaticAnimationFrameTest, ::testing::ValuesIn(kFrameCases));

TEST(StaticAnimationFrameTest, WithoutTextureSetsTheClockStillRuns) {
  DS_StaticAnimation animation = MakeAnimation();
  animation.Update(0.1f, nullptr);
  EXPECT_FLOAT_EQ(0.05f, animation.FrameSpeed.GetAccumulatedTime());
}

TEST(StaticAnimationSettingsTest, EffectColourIsTheTintAtTheTimeLinesOpacity) {
  const struct {
    unsigned long colour;
    unsigned transparency;
    float opacity;
    D3DXVECTOR4 expected;
  } cases[] = {
      {0x0000FF, 0u, 1.0f, D3DXVECTOR4(1.0f, 0.0f, 0.0f, 1.0f)},
      {0xFF8000, 0u, 0.5f, D3DXVECTOR4(0.0f, 128.0f / 255.0f, 1.0f, 0.5f)},
      {0xFFFFFF, 50u, 0.5f, D3DXVECTOR4(1.0f, 1.0f, 1.0f, 0.5f * 127.0f / 255.0f)},
      {0x336699, 100u, 1.0f, D3DXVECTOR4(0x99 / 255.0f, 0x66 / 255.0f, 0x33 / 255.0f, 0.0f)},
  };
  for (const auto& c : cases) {
    DS_StaticAnimation animation;
    animation.colour1.SetValue(c.colour);
    animation.colour1.Opacity().SetValue(c.transparency);
    SetTimeLineAlpha(animation, c.opacity);
    const D3DXVECTOR4 colour = animation.EffectColour();
    EXPECT_NEAR(c.expected.x, colour.x, 1e-6f) << std::hex << c.colour;
    EXPECT_NEAR(c.expected.y, colour.y, 1e-6f) << std::hex << c.colour;
    EXPECT_NEAR(c.expected.z, colour.z, 1e-6f) << std::hex << c.colour;
    EXPECT_NEAR(c.expected.w, colour.w, 1e-6f) << std::hex << c.colour;
  }
}

// ---- on the test device ----

class StaticAnimationDeviceTest : public smokeplant_test::GeneratorDeviceTest {
protected:
  void SetUp() override {
    GeneratorDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    red = ds_test::SolidTexture(0xFFFF0000);
    sequence.AddFrame(green.Get(), 0.1f);
    sequence.AddFrame(red.Get(), 0.1f);
  }
  DS_StaticAnimation& MakeAnimationObject() {
    DS_StaticAnimation& clone = MakeObject(item);
    clone.textureSets = {&sequence};
    return clone;
  }

  DS_StaticAnimation item = MakeAnimation();
  DS_ComHolder<IDirect3DTexture9> red;
  DS_TextureSet sequence;
};

TEST_F(StaticAnimationDeviceTest, RenderDrawsTheRegionQuadThroughTheEffectWithTheCurrentFrame) {
  EmbedEffect(item);
  item.FrameSpeed.SetValue(100u);
  item.Backward.SetValue(0);
  item.colour1.SetValue(0x0000FF);
  item.colour1.Opacity().SetValue(50u);  // alpha byte 127
  DS_StaticAnimation& clone = MakeAnimationObject();
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  ASSERT_EQ(effect, clone.GetEffect());
  ASSERT_EQ(1u, object->GetQuadCount(0)) << "the region quad";
  SetTimeLineAlpha(clone, 0.5f);

  Frame(0.05f);
  ASSERT_NE(nullptr, effect->Last("Texture"));
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(green.Get()), effect->Last("Texture")->texture);
  Frame(0.15f);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(red.Get()), effect->Last("Texture")->texture) << "the next frame";

  EXPECT_EQ(2u, effect->CountEvents("SetTechnique Blend_Normal"));
  const std::vector<float> colour = effect->LastValues("Color");
  ASSERT_EQ(4u, colour.size());
  EXPECT_FLOAT_EQ(1.0f, colour[0]);
  EXPECT_FLOAT_EQ(0.0f, colour[1]);
  EXPECT_FLOAT_EQ(0.0f, colour[2]);
  EXPECT_NEAR(0.5f * 127.0f / 255.0f, colour[3], 1e-6f);
  EXPECT_EQ(2, effect->BeginCount()) << "one draw per frame";
  EXPECT_EQ(effect->BeginCount(), effect->EndCount());
}

TEST_F(StaticAnimationDeviceTest, WithoutEffectNothingIsDrawn) {
  MakeAnimationObject();
  Frame(0.1f);
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x404040u, image.RgbAt(90, 60));
}

}  // namespace
