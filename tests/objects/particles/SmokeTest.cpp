// The smoke: its record, the wind's scale, a new puff's settings and callbacks from the
// shared random sequence, the puffs' motion, growth, fading and turning over their
// lives, the prewarm, the puff quads and their drawing on the test device.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "document/ClassRegistry.h"
#include "objects/particles/ParticleQuads.h"
#include "objects/particles/Smoke.h"
#include "SmokePlantTestSupport.h"

using particles_test::Reading;
using particles_test::WrittenBytes;
using smokeplant_test::SetTimeLineAlpha;
using smokeplant_test::WithVersion;

namespace {

const float kPi = 3.1415927f;

float Unit(int r) { return static_cast<float>(r) / 32767.0f; }

// A smoke rising straight up (direction 90) from (100, 200), puffs living 2 s.
DS_Smoke MakeSmoke(unsigned wind) {
  DS_Smoke smoke;
  smoke.Wind.SetValue(wind);
  smoke.originLife.SetValue(50u);  // 2 s
  smoke.originRate.SetValue(0u);
  smoke.originSize.SetValue(100u);
  smoke.direction.SetValue(90u);
  smoke.originClock.SetValue(50u);
  smoke.position.SetValue(D3DXVECTOR3(100.0f, 200.0f, 0.0f));
  return smoke;
}

float DegreesOf(const D3DXVECTOR3& v) { return std::atan2(v.y, v.x) * 180.0f / kPi; }

// The difference of two angles in degrees, folded into (-180, 180].
float AngleBetween(float a, float b) {
  float d = std::fmod(a - b, 360.0f);
  if (d > 180.0f) d -= 360.0f;
  if (d <= -180.0f) d += 360.0f;
  return d;
}

// ---- record ----

TEST(SmokeRecordTest, WrittenRecordReadsBackThroughTheRegistryForEveryVersion) {
  DS_Smoke written = MakeSmoke(80u);
  written.originRate.SetValue(12u);
  written.originSize.SetValue(64u);
  written.direction.SetValue(135u);
  written.originClock.SetValue(75u);
  written.position.SetValue(D3DXVECTOR3(11.0f, 22.0f, 3.0f));
  written.colour1.SetValue(0x336699);
  written.colour1.Opacity().SetValue(20u);
  written.blendMode.SetValue(3);
  written.SetName(L"chimney");

  // The writer's version and others: the reader ignores it.
  for (int version : {DS_Smoke::kRecordVersion, 0, 7}) {
    Reading reading(WithVersion(written, L"DS_Smoke", version));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    ASSERT_FALSE(reading.handle->Failed()) << version;
    EXPECT_EQ(0u, reading.handle->BytesLeft()) << version;
    auto* read = dynamic_cast<DS_Smoke*>(item.get());
    ASSERT_NE(nullptr, read) << version;
    EXPECT_EQ(80u, read->Wind.GetValue());
    EXPECT_FLOAT_EQ(60.0f, read->Wind.GetResult()) << "the float follows the read value";
    EXPECT_FLOAT_EQ(2.0f, read->originLife.GetResult());
    EXPECT_EQ(12u, read->originRate.GetValue());
    EXPECT_EQ(64u, read->originSize.GetValue());
    EXPECT_EQ(135u, read->direction.GetValue());
    EXPECT_FLOAT_EQ(1.5f, read->originClock.GetSpeed());
    EXPECT_EQ(D3DXVECTOR3(11.0f, 22.0f, 3.0f), read->position.GetValue());
    EXPECT_EQ(0x336699u, read->colour1.GetValue());
    EXPECT_EQ(20u, read->colour1.GetTransparency());
    EXPECT_EQ(3, read->blendMode.GetValue());
    EXPECT_EQ(L"chimney", read->GetName());
    EXPECT_TRUE(read->timedOrigins.empty()) << "puffs are never stored";
  }
}

TEST(SmokeRecordTest, RecordCutShortFailsTheStream) {
  const std::vector<unsigned char> whole = WrittenBytes(MakeSmoke(50u));
  for (size_t cut : {size_t(20), size_t(40), whole.size() / 2, whole.size() - 1}) {
    Reading reading(std::vector<unsigned char>(whole.begin(), whole.begin() + long(cut)));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    EXPECT_TRUE(reading.handle->Failed()) << cut;
    EXPECT_EQ(nullptr, item.get()) << cut;
  }
}

TEST(SmokeSettingsTest, WindRunsFromMinusToPlusHundred) {
  const struct {
    unsigned stored;
    float wind;
  } cases[] = {{0u, -100.0f}, {25u, -50.0f}, {50u, 0.0f}, {100u, 100.0f}, {200u, 300.0f}};
  for (const auto& c : cases) {
    DS_Smoke smoke;
    EXPECT_FLOAT_EQ(-100.0f, smoke.Wind.GetResult()) << "stored 0 after construction";
    smoke.Wind.SetValue(c.stored);
    EXPECT_FLOAT_EQ(c.wind, smoke.Wind.GetResult()) << c.stored;
    DS_Smoke copy(smoke);
    EXPECT_FLOAT_EQ(c.wind, copy.Wind.GetResult()) << c.stored;
  }
}

// ---- a new puff ----

TEST(SmokePuffTest, NewPuffTakesDirectionSpinAndAngleFromTheSharedSequence) {
  DS_Smoke smoke = MakeSmoke(100u);
  std::srand(4242u);
  std::rand();  // the direction's draw (no spread: it does not move the direction)
  const float spin = Unit(std::rand()) * 100.0f - 50.0f;
  const float angle = Unit(std::rand()) * 360.0f;
  const int next = std::rand();

  std::srand(4242u);
  std::unique_ptr<DS_ParticleOrigin> puff(smoke.CreateOrigin());
  ASSERT_NE(nullptr, puff);
  EXPECT_EQ(next, std::rand()) << "three draws per puff";

  EXPECT_FLOAT_EQ(2.0f, puff->timer);
  EXPECT_EQ(D3DXVECTOR3(100.0f, 200.0f, 0.0f), puff->position);
  EXPECT_NEAR(0.0f, puff->velocity.x, 1e-4f);
  EXPECT_NEAR(-100.0f, puff->velocity.y, 1e-4f) << "direction 90 is up the screen";
  EXPECT_EQ(D3DXVECTOR3(100.0f, 0.0f, 0.0f), puff->acceleration);
  EXPECT_EQ(0.5f, puff->size);
  EXPECT_EQ(0.0f, puff->alpha);
  EXPECT_NEAR(0.0f, AngleBetween(angle, DegreesOf(puff->right)), 1e-3f);
  EXPECT_NEAR(0.0f, AngleBetween(angle + 90.0f, DegreesOf(puff->up)), 1e-3f);
  EXPECT_NEAR(1.0f, D3DXVec3Length(&puff->right), 1e-5f);

  ASSERT_EQ(5u, puff->callbacks.size());
  const DS_ParticleOrigin::Callback functions[] = {OriginMoveCallback, OriginGrowCallback, OriginFadeInCallback,
                                                   OriginFadeOutCallback, OriginRotateCallback};
  const std::vector<float> arguments[] = {{}, {0.5f}, {5.0f, 1.6f}, {1.0f, 2.0f}, {spin}};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(functions[i], puff->callbacks[i].function) << "callback " << i;
    ASSERT_EQ(arguments[i].size(), puff->callbacks[i].arguments.size()) << "callback " << i;
    for (size_t j = 0; j < arguments[i].size(); ++j) {
      EXPECT_FLOAT_EQ(arguments[i][j], puff->callbacks[i].arguments[j]) << "callback " << i << " argument " << j;
    }
  }
}

TEST(SmokePuffTest, FadeInFollowsTheOpacityAtSpawnTime) {
  for (float opacity : {0.0f, 0.25f, 1.0f}) {
    DS_Smoke smoke = MakeSmoke(50u);
    SetTimeLineAlpha(smoke, opacity);
    std::unique_ptr<DS_ParticleOrigin> puff(smoke.CreateOrigin());
    ASSERT_EQ(2u, puff->callbacks[2].arguments.size());
    EXPECT_FLOAT_EQ(5.0f * opacity, puff->callbacks[2].arguments[0]) << opacity;
  }
}

TEST(SmokePuffTest, ConsecutivePuffsOfEqualSmokesTurnDifferently) {
  DS_Smoke a = MakeSmoke(50u), b = MakeSmoke(50u);
  std::srand(1u);
  std::unique_ptr<DS_ParticleOrigin> first(a.CreateOrigin()), second(b.CreateOrigin());
  EXPECT_NE(first->callbacks[4].arguments[0], second->callbacks[4].arguments[0]);
  EXPECT_NE(first->right, second->right);
}

TEST(SmokePuffTest, APuffWithoutLifeNeverTurnsIntoNaN) {
  DS_Smoke smoke = MakeSmoke(50u);
  smoke.originLife.SetValue(0u);
  smoke.timedOrigins.emplace_back(smoke.CreateOrigin());
  ASSERT_EQ(0.0f, smoke.timedOrigins.front()->timer);
  // A stopped clock: steps of 0 s leave the puff alive at timer 0.
  for (int i = 0; i < 3; ++i) smoke.UpdateOrigins(0.0f);
  ASSERT_EQ(1u, smoke.timedOrigins.size());
  EXPECT_EQ(0.5f, smoke.timedOrigins.front()->size);
  smoke.UpdateOrigins(0.05f);
  EXPECT_TRUE(smoke.timedOrigins.empty()) << "the first real step ends it";
}

// ---- a puff over its life ----

struct PuffStep {
  int steps;        // of 0.125 s
  float dx, dy;     // from the source
  float size;       // factor of the origin size
  float alpha;
};

struct PuffCase {
  unsigned wind;
  float opacity;
  PuffStep at[5];
};

// Life 2 s: the fade-in runs while the timer is above 1.6 s (three steps), the fade-out
// from the first step on. x = wind t^2 / 2, y = -100 t, size 0.5 + t / 2.
const PuffCase kPuffCases[] = {
    {50u, 1.0f,
     {{1, 0.0f, -12.5f, 0.5625f, 0.5f},
      {3, 0.0f, -37.5f, 0.6875f, 1.5f},
      {4, 0.0f, -50.0f, 0.75f, 1.375f},
      {8, 0.0f, -100.0f, 1.0f, 0.875f},
      {16, 0.0f, -200.0f, 1.5f, -0.125f}}},
    {100u, 1.0f,
     {{1, 0.78125f, -12.5f, 0.5625f, 0.5f},
      {3, 7.03125f, -37.5f, 0.6875f, 1.5f},
      {4, 12.5f, -50.0f, 0.75f, 1.375f},
      {8, 50.0f, -100.0f, 1.0f, 0.875f},
      {16, 200.0f, -200.0f, 1.5f, -0.125f}}},
    {0u, 0.5f,
     {{1, -0.78125f, -12.5f, 0.5625f, 0.1875f},
      {3, -7.03125f, -37.5f, 0.6875f, 0.5625f},
      {4, -12.5f, -50.0f, 0.75f, 0.4375f},
      {8, -50.0f, -100.0f, 1.0f, -0.0625f},
      {16, -200.0f, -200.0f, 1.5f, -1.0625f}}},
};

class SmokePuffLifeTest : public ::testing::TestWithParam<PuffCase> {};

TEST_P(SmokePuffLifeTest, MovesGrowsFadesAndTurnsThenDies) {
  const PuffCase& c = GetParam();
  DS_Smoke smoke = MakeSmoke(c.wind);
  SetTimeLineAlpha(smoke, c.opacity);
  std::srand(77u);
  smoke.timedOrigins.emplace_back(smoke.CreateOrigin());
  const DS_ParticleOrigin& puff = *smoke.timedOrigins.front();
  const float spin = puff.callbacks[4].arguments[0];
  const float angle = DegreesOf(puff.right);

  int done = 0;
  for (const PuffStep& s : c.at) {
    for (; done < s.steps; ++done) smoke.UpdateOrigins(0.125f);
    ASSERT_EQ(1u, smoke.timedOrigins.size()) << "alive after " << s.steps << " steps";
    EXPECT_NEAR(100.0f + s.dx, puff.position.x, 1e-3f) << s.steps;
    EXPECT_NEAR(200.0f + s.dy, puff.position.y, 1e-3f) << s.steps;
    EXPECT_FLOAT_EQ(s.size, puff.size) << s.steps;
    EXPECT_NEAR(s.alpha, puff.alpha, 1e-5f) << s.steps;
    EXPECT_NEAR(0.0f, AngleBetween(angle + spin * 0.125f * s.steps, DegreesOf(puff.right)), 1e-2f) << s.steps;
    EXPECT_NEAR(1.0f, D3DXVec3Length(&puff.right), 1e-4f) << s.steps;
  }
  // The timer is exactly 0 after 16 steps; the next step takes it below.
  smoke.UpdateOrigins(0.125f);
  EXPECT_TRUE(smoke.timedOrigins.empty());
}

INSTANTIATE_TEST_SUITE_P(Winds, SmokePuffLifeTest, ::testing::ValuesIn(kPuffCases));

// ---- prewarm ----

TEST(SmokePrewarmTest, FiveSecondsOfSmokeStandBeforeTheFirstFrame) {
  DS_Smoke smoke = MakeSmoke(50u);
  smoke.originLife.SetValue(250u);  // 10 s: none dies
  smoke.originRate.SetValue(3u);
  SetTimeLineAlpha(smoke, 0.5f);  // one puff every 2/3 s
  std::srand(5u);
  smoke.PrepareResources(nullptr);
  ASSERT_EQ(7u, smoke.timedOrigins.size()) << "five seconds hold seven intervals";
  // The first puff came on the 14th step (0.70 s > 0.67 s) and ran the 86 steps after.
  EXPECT_NEAR(10.0f - 4.3f, smoke.timedOrigins.front()->timer, 1e-3f);
  EXPECT_NEAR(200.0f - 430.0f, smoke.timedOrigins.front()->position.y, 0.05f);
  EXPECT_NEAR(5.0f - 7.0f / 1.5f, smoke.spawnAccumulator, 1e-3f);
}

TEST(SmokePrewarmTest, InvisibleAtPreparationItSavesTheTimeForABurst) {
  DS_Smoke smoke = MakeSmoke(50u);
  smoke.originLife.SetValue(250u);
  smoke.originRate.SetValue(3u);
  SetTimeLineAlpha(smoke, 0.0f);
  smoke.PrepareResources(nullptr);
  EXPECT_TRUE(smoke.timedOrigins.empty());
  EXPECT_NEAR(5.0f, smoke.spawnAccumulator, 1e-3f);
  smoke.TimeLine().SetWrappedTime(0.5f);
  smoke.SpawnOrigins(0.0f);
  EXPECT_EQ(7u, smoke.timedOrigins.size()) << "the saved five seconds at half opacity";
}

TEST(SmokePrewarmTest, TheRunTimeCloneIsPreparedNotTheItem) {
  DS_Smoke item = MakeSmoke(50u);
  item.originRate.SetValue(4u);
  std::unique_ptr<DS_ParticlesObj> object(static_cast<DS_ParticlesObj*>(item.CreateObject()));
  auto* clone = static_cast<DS_Smoke*>(object->GetGenerator());
  EXPECT_TRUE(item.timedOrigins.empty());
  // Life 2 s at 4 per second: the puffs of the last two seconds.
  EXPECT_GE(clone->timedOrigins.size(), 7u);
  EXPECT_LE(clone->timedOrigins.size(), 9u);
  EXPECT_EQ(1, object->GetSlotCount());
}

TEST(SmokePrewarmTest, ARateBeyondWhatCanLiveStaysBounded) {
  DS_Smoke smoke = MakeSmoke(50u);
  smoke.originRate.SetValue(0xFFFFFFFFu);
  smoke.PrepareResources(nullptr);
  EXPECT_LE(smoke.timedOrigins.size(), DS_ParticleOriginGenerator::kMaxOrigins);
  EXPECT_FALSE(smoke.timedOrigins.empty());
}

// ---- quads and drawing ----

class SmokeDeviceTest : public smokeplant_test::GeneratorDeviceTest {
protected:
  // A smoke with no spawning, one still puff of factor 1 (100 px) at `at`.
  DS_Smoke& SmokeWithOnePuff(const D3DXVECTOR3& at, float alpha) {
      item.originClock.SetValue(0u);  // steps of 0 s: the puff stands still
    DS_Smoke& clone = MakeObject(item);
    clone.timedOrigins.clear();
    DS_ParticleOrigin* puff = new DS_ParticleOrigin();
    puff->timer = 1.0f;
    puff->position = at;
    puff->size = 1.0f;
    puff->alpha = alpha;
    clone.timedOrigins.emplace_back(puff);
    return clone;
  }

  DS_Smoke item = MakeSmoke(50u);
};

TEST_F(SmokeDeviceTest, EachPuffIsASquareOfItsSizeInTheFirstColourAtItsAlpha) {
  item.colour1.SetValue(0x0000FF);         // red
  item.colour1.Opacity().SetValue(50u);    // alpha byte 127
  DS_Smoke& clone = MakeObject(item);
  clone.timedOrigins.clear();
  const float alphas[] = {1.0f, 0.5f, -0.3f, 3.0f};
  for (int i = 0; i < 4; ++i) {
    DS_ParticleOrigin* puff = new DS_ParticleOrigin();
    puff->position = D3DXVECTOR3(50.0f * i, 100.0f, 0.0f);
    puff->size = 0.5f * (i + 1);
    puff->alpha = alphas[i];
    clone.timedOrigins.emplace_back(puff);
  }
  // Puff 1 turned by 90 degrees.
  clone.timedOrigins.back()->right = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  clone.timedOrigins.back()->up = D3DXVECTOR3(-1.0f, 0.0f, 0.0f);
  clone.WritePuffQuads(object.get());

  const std::vector<DX_V::PCT> v = SlotVertices();
  ASSERT_EQ(16u, v.size());
  // Alpha x the colour's alpha byte, clamped to 0..1: 127, 64, 0 and 255.
  const D3DCOLOR colours[] = {0x7FFF0000u, 0x40FF0000u, 0x00FF0000u, 0xFFFF0000u};
  for (int i = 0; i < 4; ++i) {
    const float r = 50.0f * (i + 1) / 2.0f;  // half of 100 px x size
    for (int k = 0; k < 4; ++k) EXPECT_EQ(colours[i], v[4 * i + k].color) << "puff " << i << " vertex " << k;
    if (i == 3) continue;
    EXPECT_FLOAT_EQ(50.0f * i - r, v[4 * i].x) << "puff " << i;
    EXPECT_FLOAT_EQ(100.0f + r, v[4 * i].y) << "left-bottom";
    EXPECT_FLOAT_EQ(50.0f * i + r, v[4 * i + 3].x);
    EXPECT_FLOAT_EQ(100.0f - r, v[4 * i + 3].y) << "right-top";
    EXPECT_EQ(0.0f, v[4 * i].u);
    EXPECT_EQ(1.0f, v[4 * i].v);
    EXPECT_EQ(1.0f, v[4 * i + 3].u);
    EXPECT_EQ(0.0f, v[4 * i + 3].v);
  }
  // The turned puff: its left-bottom corner is c - r right + r up.
  EXPECT_NEAR(150.0f - 100.0f, v[12].x, 1e-4f);
  EXPECT_NEAR(100.0f - 100.0f, v[12].y, 1e-4f);
}

TEST_F(SmokeDeviceTest, WithoutPuffsNothingIsDrawnAnyMore) {
  DS_Smoke& clone = SmokeWithOnePuff(D3DXVECTOR3(100.0f, 80.0f, 0.0f), 1.0f);
  Frame(0.1f);
  ASSERT_EQ(1u, object->GetQuadCount(0));
  clone.timedOrigins.clear();
  Frame(0.2f);
  EXPECT_EQ(0u, object->GetQuadCount(0));
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x404040u, image.RgbAt(100, 80));
}

TEST_F(SmokeDeviceTest, WithoutEffectPuffsAreBlendedOntoTheLayer) {
  SmokeWithOnePuff(D3DXVECTOR3(100.0f, 80.0f, 0.0f), 1.0f);
  Frame(0.1f);
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x00FF00u, image.RgbAt(100, 80)) << "the picture times white";
  EXPECT_EQ(0x00FF00u, image.RgbAt(140, 120));
  EXPECT_EQ(0x404040u, image.RgbAt(160, 80)) << "outside the 100 px square";
  DS_ComHolder<IDirect3DBaseTexture9> bound;
  device->GetTexture(0, bound.Receive());
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(green.Get()), bound.Get());
}

TEST_F(SmokeDeviceTest, HalfAlphaBlendsHalfway) {
  SmokeWithOnePuff(D3DXVECTOR3(100.0f, 80.0f, 0.0f), 0.5f);
  Frame(0.1f);
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  const uint32_t p = image.RgbAt(100, 80);
  EXPECT_NEAR(0x20, int((p >> 16) & 0xFF), 2);
  EXPECT_NEAR(0xA0, int((p >> 8) & 0xFF), 2);
  EXPECT_NEAR(0x20, int(p & 0xFF), 2);
}

TEST_F(SmokeDeviceTest, WithoutPictureOrEffectNothingIsDrawn) {
  DS_Smoke& clone = SmokeWithOnePuff(D3DXVECTOR3(100.0f, 80.0f, 0.0f), 1.0f);
  clone.textureSets.clear();
  Frame(0.1f);
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x404040u, image.RgbAt(100, 80));
}

TEST_F(SmokeDeviceTest, WithEffectThePuffsRunEveryPassOfItsCurrentTechnique) {
  EmbedEffect(item);
  factory.SetPassCount(2);
  DS_Smoke& clone = MakeObject(item);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  ASSERT_EQ(effect, clone.GetEffect());
  clone.timedOrigins.clear();
  clone.timedOrigins.emplace_back(new DS_ParticleOrigin());
  clone.timedOrigins.back()->timer = 1.0f;
  Frame(0.0f);
  EXPECT_EQ(1, effect->BeginCount());
  EXPECT_EQ(2u, effect->CountEvents("BeginPass 0") + effect->CountEvents("BeginPass 1"));
  EXPECT_EQ(0u, effect->CountEvents("SetTechnique Main")) << "the smoke chooses no technique";
  EXPECT_EQ(nullptr, clone.GetTarget()) << "the smoke draws straight onto the layer";
  DS_ComHolder<IDirect3DBaseTexture9> bound;
  device->GetTexture(0, bound.Receive());
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(green.Get()), bound.Get()) << "the picture on stage 0";
}

TEST_F(SmokeDeviceTest, UpdateWritesTheSpawnedPuffs) {
  item.originRate.SetValue(4u);
  DS_Smoke& clone = MakeObject(item);
  Frame(0.1f);
  EXPECT_EQ(clone.timedOrigins.size(), size_t(object->GetQuadCount(0)));
  EXPECT_FALSE(clone.timedOrigins.empty());
}

}  // namespace
