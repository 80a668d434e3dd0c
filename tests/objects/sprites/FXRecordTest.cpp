// Records of the effect-drawn sprite items: what the writers lay down reads back
// through the readers, level for level; the first layout of the fixed-position
// level; cut records; the glow's blend colour.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "FXSpriteTestSupport.h"
#include "render/SceneMapping.h"
#include "support/FakeEffect.h"

using fxsprites_test::Reading;
using fxsprites_test::TestGlowItem;
using fxsprites_test::TestStatItem;
using fxsprites_test::WrittenBytes;

namespace {

const DS_FileKey kEffectKey(L"C:\\scene\\glow.fx", 77);

TEST(FXRecordTest, GlowRecordReadsBackLevelForLevel) {
  TestGlowItem written;
  written.effectLink.StoreKey(kEffectKey);
  written.glowColour.SetValue(0x0080FFu);
  written.intensity.SetValue(50u);
  written.spriteCount.SetValue(7u);
  written.additive.SetValue(1);

  Reading reading(WrittenBytes(written));
  TestGlowItem read;
  read.ReadSection(reading.handle);
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(kEffectKey.path, read.effectLink.GetPath());
  EXPECT_EQ(kEffectKey.stamp, read.effectLink.GetKey().stamp);
  EXPECT_EQ(0x0080FFu, read.glowColour.GetValue());
  EXPECT_EQ(50u, read.intensity.GetValue());
  EXPECT_FLOAT_EQ(0.5f, read.intensity.GetResult()) << "the intensity's result follows the stored value";
  EXPECT_EQ(7u, read.spriteCount.GetValue());
  EXPECT_EQ(1, read.additive.GetValue());
  EXPECT_EQ(WrittenBytes(written), WrittenBytes(read));
}

TEST(FXRecordTest, GlowDefaultsAreBlackAtFullIntensity) {
  TestGlowItem item;
  EXPECT_EQ(0u, item.glowColour.GetValue());
  EXPECT_EQ(100u, item.intensity.GetValue());
  EXPECT_FLOAT_EQ(1.0f, item.intensity.GetResult());
  EXPECT_TRUE(item.effectLink.GetPath().empty());
  EXPECT_EQ(nullptr, item.GetEffect());
}

// Bytes of a fixed-position record laid out for `version`: header, position, the
// size when the version has it, then the levels below as the writers lay them down.
std::vector<unsigned char> StatRecord(int version, const TestStatItem& below, unsigned height, unsigned width) {
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_StatBaseFXCtrl", version);
  w.WriteFloat(12.5f);
  w.WriteFloat(-3.0f);
  w.WriteFloat(0.25f);
  if (version >= 2) {
    w.WriteUInt(height);
    w.WriteUInt(width);
  }
  below.DS_BaseFXCtrl::Write(w);
  return w.Bytes();
}

struct StatCase {
  int version;
  unsigned expectedHeight;
  unsigned expectedWidth;
};

class StatVersionTest : public ::testing::TestWithParam<StatCase> {};

TEST_P(StatVersionTest, FieldsOfTheVersionAndTheLevelsBelowRead) {
  const StatCase& c = GetParam();
  TestStatItem below;
  below.effectLink.StoreKey(kEffectKey);
  below.spriteCount.SetValue(3u);
  Reading reading(StatRecord(c.version, below, 40, 300));
  TestStatItem read;
  read.height.SetValue(11u);
  read.width.SetValue(22u);
  read.ReadSection(reading.handle);
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(D3DXVECTOR3(12.5f, -3.0f, 0.25f), read.position.GetValue());
  EXPECT_EQ(c.expectedHeight, read.height.GetValue());
  EXPECT_EQ(c.expectedWidth, read.width.GetValue());
  EXPECT_EQ(kEffectKey.path, read.effectLink.GetPath()) << "the levels below stay in step";
  EXPECT_EQ(3u, read.spriteCount.GetValue());
}

INSTANTIATE_TEST_SUITE_P(Versions, StatVersionTest,
                         ::testing::Values(StatCase{1, 11u, 22u},  // no size: both keep what they had
                                           StatCase{2, 40u, 300u}, StatCase{3, 40u, 300u}));

TEST(FXRecordTest, StatWriterWritesTheLatestLayout) {
  TestStatItem written;
  written.position.SetValue(D3DXVECTOR3(12.5f, -3.0f, 0.25f));
  written.height.SetValue(40u);
  written.width.SetValue(300u);
  written.effectLink.StoreKey(kEffectKey);
  written.spriteCount.SetValue(3u);
  EXPECT_EQ(StatRecord(2, written, 40, 300), WrittenBytes(written));
}

TEST(FXRecordTest, StatPositionDefaultsToTheSceneCentre) {
  const int width = g_SceneWidth, height = g_SceneHeight;
  g_SceneWidth = 641;
  g_SceneHeight = 480;
  TestStatItem item;
  g_SceneWidth = width;
  g_SceneHeight = height;
  EXPECT_EQ(D3DXVECTOR3(320.5f, 240.0f, 0.0f), item.position.GetValue());
}

// Every cut of a record fails the stream and leaves a usable item.
TEST(FXRecordTest, CutRecordsFailWithoutHarm) {
  TestGlowItem glow;
  glow.effectLink.StoreKey(kEffectKey);
  TestStatItem stat;
  stat.effectLink.StoreKey(kEffectKey);
  const std::vector<unsigned char> records[] = {WrittenBytes(glow), WrittenBytes(stat)};
  for (int r = 0; r < 2; ++r) {
    const std::vector<unsigned char>& full = records[r];
    for (size_t cut = 1; cut < full.size(); cut += 3) {
      Reading reading(std::vector<unsigned char>(full.begin(), full.begin() + cut));
      if (r == 0) {
        TestGlowItem read;
        read.ReadSection(reading.handle);
      } else {
        TestStatItem read;
        read.ReadSection(reading.handle);
      }
      EXPECT_TRUE(reading.handle->Failed()) << "record " << r << " cut at " << cut;
    }
  }
}

struct BlendCase {
  const char* what;
  unsigned long colour;
  unsigned intensity;
  float alpha;
  D3DXVECTOR4 expected;
};

class BlendColorTest : public ::testing::TestWithParam<BlendCase> {};

TEST_P(BlendColorTest, BytesFromTheLowOneUpAndAlphaTimesIntensity) {
  const BlendCase& c = GetParam();
  TestGlowItem item;
  item.glowColour.SetValue(c.colour);
  item.intensity.SetValue(c.intensity);
  const D3DXVECTOR4 got = item.GetBlendColor(c.alpha);
  EXPECT_FLOAT_EQ(c.expected.x, got.x) << c.what;
  EXPECT_FLOAT_EQ(c.expected.y, got.y) << c.what;
  EXPECT_FLOAT_EQ(c.expected.z, got.z) << c.what;
  EXPECT_FLOAT_EQ(c.expected.w, got.w) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlendColorTest,
    ::testing::Values(BlendCase{"red in the low byte", 0x0000FFu, 100, 1.0f, D3DXVECTOR4(1, 0, 0, 1)},
                      BlendCase{"blue in the third byte", 0xFF0000u, 100, 1.0f, D3DXVECTOR4(0, 0, 1, 1)},
                      BlendCase{"the top byte is not used", 0xFF00FF00u, 100, 1.0f, D3DXVECTOR4(0, 1, 0, 1)},
                      BlendCase{"half intensity", 0x0000FFu, 50, 1.0f, D3DXVECTOR4(1, 0, 0, 0.5f)},
                      BlendCase{"invisible time line", 0x808080u, 100, 0.0f,
                                D3DXVECTOR4(128 / 255.0f, 128 / 255.0f, 128 / 255.0f, 0)},
                      BlendCase{"half visible, double intensity", 0u, 200, 0.5f, D3DXVECTOR4(0, 0, 0, 1)},
                      BlendCase{"a broken alpha is transparent", 0u, 100, std::numeric_limits<float>::quiet_NaN(),
                                D3DXVECTOR4(0, 0, 0, 0)}));

TEST(FXRecordTest, CopiesShareTheEffectWithAReference) {
  FakeEffect* effect = new FakeEffect();
  {
    TestGlowItem item;
    item.HoldEffect(effect);
    ASSERT_EQ(2u, effect->RefCount());
    std::unique_ptr<DS_ParticleSystemCtrl> clone(item.Clone());
    EXPECT_EQ(effect, static_cast<TestGlowItem*>(clone.get())->GetEffect());
    EXPECT_EQ(3u, effect->RefCount());
  }
  EXPECT_EQ(1u, effect->RefCount());
  effect->Release();
}

}  // namespace
