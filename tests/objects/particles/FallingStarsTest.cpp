// The falling stars: their record, the stars spawned from a seeded sequence, their
// flight, opacity and turning over time, their trails, the four quad slots, and the
// two-texture mask pass and composite through the recording effect.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ParticleTestSupport.h"
#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "objects/particles/FallingStars.h"
#include "objects/particles/Particle.h"
#include "objects/particles/ParticlesObj.h"
#include "render/Layer.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "support/FakeEffect.h"
#include "support/SceneTest.h"

using particles_test::Reading;
using particles_test::WithVersion;
using particles_test::WrittenBytes;

namespace {

const float kPi = 3.1415927f;

DS_FallingStars MakeStars() {
  DS_FallingStars stars;
  stars.region.SetFromCentre(D3DXVECTOR3(160.0f, 120.0f, 0.0f), 200.0f, 100.0f);
  stars.starSpeed.SetValue(10u);  // 80 px/s
  stars.starSize.SetValue(16u);
  stars.showTime.SetValue(100u);
  stars.fadeInTime.SetValue(50u);
  stars.fadeOutTime.SetValue(50u);
  stars.emit.SetValue(0);
  return stars;
}

// ---- record ----

TEST(FallingStarsRecordTest, WrittenRecordReadsBackThroughTheRegistry) {
  DS_FallingStars written = MakeStars();
  written.starRate.SetValue(150u);
  written.direction.SetValue(270u);
  written.glowFactor.SetValue(50u);
  written.lifetime.SetValue(80u);
  written.emissionRate.SetValue(4u);
  written.sizeFactor.SetValue(25u);
  written.colour2.SetValue(0x00FF00);
  written.origins.emplace_back(1.0f, 2.0f, 0.0f);
  written.SetName(L"meteors");

  // The reader ignores the version.
  for (int version : {1, 0, 2, 77}) {
    Reading reading(WithVersion(WrittenBytes(written), L"DS_FallingStars", version));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    ASSERT_FALSE(reading.handle->Failed()) << version;
    EXPECT_EQ(0u, reading.handle->BytesLeft()) << version;
    auto* read = dynamic_cast<DS_FallingStars*>(item.get());
    ASSERT_NE(nullptr, read) << version;
    EXPECT_FLOAT_EQ(80.0f, read->starSpeed.GetResult());
    EXPECT_EQ(150u, read->starRate.GetValue());
    EXPECT_EQ(270u, read->direction.GetValue());
    EXPECT_EQ(16u, read->starSize.GetValue());
    EXPECT_FLOAT_EQ(3.0f, read->glowFactor.GetResult());
    EXPECT_FLOAT_EQ(1.0f, read->showTime.GetSeconds());
    EXPECT_FLOAT_EQ(0.5f, read->fadeInTime.GetSeconds());
    EXPECT_FLOAT_EQ(0.5f, read->fadeOutTime.GetSeconds());
    EXPECT_EQ(D3DXVECTOR3(60.0f, 70.0f, 0.0f), read->region.Corner(0).GetValue());
    EXPECT_EQ(D3DXVECTOR3(260.0f, 170.0f, 0.0f), read->region.Corner(3).GetValue());
    EXPECT_FLOAT_EQ(0.8f, read->lifetime.GetResult()) << "hundredths of a second";
    EXPECT_FLOAT_EQ(0.25f, read->sizeFactor.GetResult());
    EXPECT_EQ(0x00FF00u, read->colour2.GetValue());
    EXPECT_EQ(1u, read->origins.size());
    EXPECT_EQ(L"meteors", read->GetName());

    // Stored without notification: the clone computes the rates and the axes.
    std::unique_ptr<DS_ParticleGenerator> clone(read->Clone());
    auto& stars = static_cast<DS_FallingStars&>(*clone);
    EXPECT_FLOAT_EQ(3.0f, stars.starRate.GetResult());
    EXPECT_FLOAT_EQ(8.0f, stars.emissionRate.GetResult());
    EXPECT_NEAR(0.0f, stars.direction.GetXAxis().x, 1e-6f);
    EXPECT_NEAR(-1.0f, stars.direction.GetXAxis().y, 1e-6f);
  }
}

// ---- spawning ----

TEST(FallingStarsSpawnTest, StarsFollowTheSeededSequence) {
  DS_FallingStars stars = MakeStars();
  stars.starRate.SetValue(5000u);  // 100 per second
  // The draws: the count, then per star y, x, angle and turning sense.
  std::srand(3u);
  const int count = std::rand() % 21;  // 100/s x 0.1 s = 10: 0 to 20
  struct Expected {
    float x, y, angle, spin;
  };
  std::vector<Expected> expected;
  for (int i = 0; i < count; ++i) {
    const float ry = std::rand() / 32767.0f;
    const float rx = std::rand() / 32767.0f;
    const float angle = std::rand() / 32767.0f * 2.0f * kPi;
    const float spin = (std::rand() % 2) ? -0.16f : 0.16f;
    expected.push_back({60.0f + rx * 200.0f, 70.0f + ry * 100.0f, angle, spin});
  }
  ASSERT_GT(count, 0) << "pick another seed";

  std::srand(3u);
  stars.Update(0.1f, nullptr);
  ASSERT_EQ(size_t(count), stars.origins.size());
  size_t i = 0;
  for (const DS_Particle& star : stars.origins) {
    const Expected& e = expected[i++];
    EXPECT_NEAR(e.x, star.position.x, 1e-3f) << "star " << i;
    EXPECT_NEAR(e.y, star.position.y, 1e-3f) << "star " << i;
    EXPECT_EQ(star.position, star.previousPosition);
    EXPECT_NEAR(e.angle, star.angle, 1e-5f) << "star " << i;
    EXPECT_EQ(0.0f, star.alpha);
    EXPECT_EQ(1.0f, star.size);
    ASSERT_EQ(5u, star.ProcessCount());
    auto* spin = dynamic_cast<PSpin*>(star.GetProcess(3));
    ASSERT_NE(nullptr, spin);
    EXPECT_FLOAT_EQ(e.spin, spin->rate) << "80 px/s turn 0.16 rad/s";
  }
}

TEST(FallingStarsSpawnTest, DirectionAnglesCountCounterClockwiseOnTheScreen) {
  const struct {
    unsigned degrees;
    float vx, vy;
  } cases[] = {{0, 80.0f, 0.0f}, {90, 0.0f, -80.0f}, {180, -80.0f, 0.0f}, {270, 0.0f, 80.0f}};
  for (const auto& c : cases) {
    DS_FallingStars item = MakeStars();
    item.starRate.SetValue(5000u);
    item.direction.SetValue(c.degrees);
    std::unique_ptr<DS_ParticleGenerator> clone(item.Clone());  // computes the axes
    auto& stars = static_cast<DS_FallingStars&>(*clone);
    std::srand(3u);
    stars.Update(0.1f, nullptr);
    ASSERT_FALSE(stars.origins.empty());
    auto* kinetic = dynamic_cast<PKinetic*>(stars.origins.front().GetProcess(1));
    ASSERT_NE(nullptr, kinetic);
    EXPECT_NEAR(c.vx, kinetic->velocity.x, 1e-3f) << c.degrees;
    EXPECT_NEAR(c.vy, kinetic->velocity.y, 1e-3f) << c.degrees;
    EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), kinetic->acceleration);
  }
}

TEST(FallingStarsSpawnTest, NoRateNoStars) {
  DS_FallingStars stars = MakeStars();
  stars.starRate.SetValue(0u);
  for (int i = 1; i <= 50; ++i) stars.Update(0.1f * i, nullptr);
  EXPECT_TRUE(stars.origins.empty());
}

TEST(FallingStarsSpawnTest, ALowRateWaitsUntilOneStarIsDue) {
  DS_FallingStars stars = MakeStars();
  stars.starRate.SetValue(50u);  // 1 per second
  // Steps of 0.125 s: the product stays below 1 for seven steps.
  for (int i = 1; i <= 7; ++i) {
    stars.Update(0.125f * i, nullptr);
    EXPECT_EQ(0.0f, stars.starRate.lastTime) << "step " << i;
  }
  EXPECT_TRUE(stars.origins.empty());
  // At 1 s one star is due: 0, 1 or 2 come, and the count starts again from here.
  stars.Update(1.0f, nullptr);
  EXPECT_EQ(1.0f, stars.starRate.lastTime);
  EXPECT_LE(stars.origins.size(), 2u);
}

TEST(FallingStarsSpawnTest, ARateFromTheDocumentCannotOutgrowOneSlot) {
  DS_FallingStars stars = MakeStars();
  stars.starRate.SetValue(std::numeric_limits<unsigned int>::max());
  stars.showTime.SetValue(100000u);
  std::srand(3u);
  for (int i = 1; i <= 3; ++i) stars.Update(0.2f * i, nullptr);
  EXPECT_LE(stars.origins.size(), size_t(DS_ParticlesObj::kMaxSlotQuads));
  EXPECT_GT(stars.origins.size(), 0u);
}

// ---- a star's life ----

TEST(FallingStarsLifeTest, FadeInShowFadeOutAndGone) {
  DS_FallingStars stars = MakeStars();
  stars.starRate.SetValue(5000u);
  std::srand(3u);
  stars.Update(0.1f, nullptr);
  ASSERT_FALSE(stars.origins.empty());
  DS_Particle star = stars.origins.front();
  const D3DXVECTOR3 start = star.position;
  const struct {
    float age, alpha;
    bool alive;
  } steps[] = {{0.25f, 0.5f, true}, {0.5f, 1.0f, true},  {1.0f, 1.0f, true},
               {1.5f, 1.0f, true},  {1.75f, 0.5f, true}, {2.0f, 0.0f, false}};
  float age = 0.0f;
  for (const auto& s : steps) {
    const bool alive = star.Update(s.age - age);
    age = s.age;
    EXPECT_EQ(s.alive, alive) << "at " << s.age;
    EXPECT_NEAR(s.alpha, star.alpha, 1e-5f) << "at " << s.age;
  }
  EXPECT_NEAR(start.x + 160.0f, star.position.x, 1e-3f) << "2 s at 80 px/s to the right";
}

TEST(FallingStarsLifeTest, StarsAndTrailsLeaveTheListsWhenTheirAgeRunsOut) {
  DS_FallingStars stars = MakeStars();
  stars.starRate.SetValue(5000u);
  stars.emit.SetValue(1);
  stars.emissionRate.SetValue(10u);  // 20 per second and star
  stars.lifetime.SetValue(50u);      // 0.5 s
  std::srand(3u);
  stars.Update(0.1f, nullptr);
  ASSERT_FALSE(stars.origins.empty());
  stars.starRate.SetValue(0u);
  float t = 0.1f;
  for (int i = 0; i < 11; ++i) stars.Update(t += 0.2f, nullptr);  // 2.3 s: every star has gone
  EXPECT_TRUE(stars.origins.empty());
  EXPECT_FALSE(stars.particles.empty()) << "trail particles outlive their star";
  for (int i = 0; i < 3; ++i) stars.Update(t += 0.2f, nullptr);
  EXPECT_TRUE(stars.particles.empty());
}

TEST(FallingStarsLifeTest, ATrailParticleStartsAtItsStarsOpacityAndFadesOneUnit) {
  DS_FallingStars stars = MakeStars();
  stars.emit.SetValue(1);
  stars.emissionRate.SetValue(5u);  // 10 per second and star
  stars.lifetime.SetValue(100u);    // 1 s
  DS_Particle star(0.0f, 0.0f, 0.0f);
  star.position = D3DXVECTOR3(30.0f, 0.0f, 0.0f);
  star.alpha = 0.4f;
  stars.origins.push_back(star);
  stars.clock.Advance(0.2f);  // 2 due
  stars.SpawnStars();
  ASSERT_EQ(2u, stars.particles.size());
  EXPECT_NEAR(10.0f, stars.particles.front().position.x, 1e-4f) << "spread along the path";
  EXPECT_NEAR(20.0f, stars.particles.back().position.x, 1e-4f);
  DS_Particle trail = stars.particles.front();
  EXPECT_FLOAT_EQ(0.4f, trail.alpha);
  trail.Update(0.2f);
  EXPECT_NEAR(0.2f, trail.alpha, 1e-5f);
  trail.Update(0.2f);
  EXPECT_NEAR(0.0f, trail.alpha, 1e-5f) << "gone after 40 % of its life";
  EXPECT_EQ(D3DXVECTOR3(30.0f, 0.0f, 0.0f), stars.origins.front().previousPosition);
}

TEST(FallingStarsLifeTest, NoEmissionGivesStarsWithoutTrails) {
  DS_FallingStars stars = MakeStars();
  stars.starRate.SetValue(5000u);
  stars.emissionRate.SetValue(50u);
  stars.emit.SetValue(0);
  for (int i = 1; i <= 5; ++i) stars.Update(0.1f * i, nullptr);
  EXPECT_FALSE(stars.origins.empty());
  EXPECT_TRUE(stars.particles.empty());
}

TEST(FallingStarsLifeTest, StoredOriginsAreDroppedWhenTheObjectIsMade) {
  DS_FallingStars item = MakeStars();
  item.origins.emplace_back(5.0f, 5.0f, 0.0f);
  std::unique_ptr<DS_ParticlesObj> object(static_cast<DS_ParticlesObj*>(item.CreateObject()));
  auto* clone = static_cast<DS_FallingStars*>(object->GetGenerator());
  EXPECT_TRUE(clone->origins.empty());
  EXPECT_EQ(4, object->GetSlotCount());
  EXPECT_FALSE(object->NeedsSceneInput()) << "without an effect the scene is never drawn back";
  EXPECT_EQ(1u, item.origins.size());
}

// ---- on the test device ----

class FallingStarsDeviceTest : public ds_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (HasFatalFailure()) return;
    for (int i = 0; i < 4; ++i) {
      device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, pictures[i].Receive(), nullptr);
      sets[i].AddFrame(pictures[i].Get(), -1.0f);
    }
    SetSceneTexture();
  }
  void TearDown() override {
    object.reset();
    SceneTest::TearDown();
  }

  void EmbedEffect(DS_FallingStars& item) {
    EmbedFakeEffect(item.effectLink, DS_FileKey(L"C:\\scene\\stars.fx", 4), L"stars.fx", 2);
  }

  DS_FallingStars& Make(DS_FallingStars item) {
    object.reset(static_cast<DS_ParticlesObj*>(item.CreateObject()));
    DS_FallingStars& clone = *static_cast<DS_FallingStars*>(object->GetGenerator());
    clone.textureSets = {&sets[0], &sets[1], &sets[2], &sets[3]};
    return clone;
  }

  std::vector<DX_V::PCT> Slot(int slot) { return particles_test::SlotVertices(*object, slot); }

  FakeEffectFactory factory;
  DS_ComHolder<IDirect3DTexture9> pictures[4];
  DS_TextureSet sets[4];
  std::unique_ptr<DS_ParticlesObj> object;
};

TEST_F(FallingStarsDeviceTest, CoresAndGlowsInTheirSlotsAndSizes) {
  DS_FallingStars item = MakeStars();
  item.glowFactor.SetValue(25u);  // 2.0
  item.sizeFactor.SetValue(50u);  // 0.5
  item.colour1.SetValue(0x0000FF);
  item.colour2.SetValue(0xFF0000);
  DS_FallingStars& stars = Make(item);
  DS_Particle star(100.0f, 50.0f, 0.0f);
  star.alpha = 1.0f;
  stars.origins.push_back(star);
  stars.particles.push_back(DS_Particle(40.0f, 30.0f, 0.0f));
  stars.particles.push_back(DS_Particle(60.0f, 30.0f, 0.0f));
  stars.BuildQuads(object.get());

  const struct {
    int slot;
    size_t quads;
    float centreX, size;
    D3DCOLOR colour;
  } cases[] = {{0, 1, 100.0f, 16.0f, 0xFFFF0000},
               {2, 1, 100.0f, 32.0f, 0xFF0000FF},
               {1, 2, 40.0f, 8.0f, 0xFFFF0000},
               {3, 2, 40.0f, 16.0f, 0xFF0000FF}};
  for (const auto& c : cases) {
    std::vector<DX_V::PCT> q = Slot(c.slot);
    ASSERT_EQ(4 * c.quads, q.size()) << "slot " << c.slot;
    EXPECT_NEAR(c.size, q[2].x - q[0].x, 1e-3f) << "slot " << c.slot;
    EXPECT_NEAR(c.size, q[0].y - q[1].y, 1e-3f) << "slot " << c.slot;
    EXPECT_NEAR(c.centreX, (q[0].x + q[2].x) * 0.5f, 1e-3f) << "slot " << c.slot;
    EXPECT_EQ(c.colour, q[0].color) << "slot " << c.slot;
  }
}

TEST_F(FallingStarsDeviceTest, MaskPassDrawsCoresThenGlowsAndMainComposes) {
  DS_FallingStars item = MakeStars();
  EmbedEffect(item);
  DS_FallingStars& stars = Make(item);
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  stars.origins.push_back(DS_Particle(100.0f, 50.0f, 0.0f));
  stars.particles.push_back(DS_Particle(40.0f, 30.0f, 0.0f));
  stars.BuildQuads(object.get());

  Draw(*object, 0.0f, false);

  EXPECT_TRUE(BackBufferIsTarget()) << "the stars' target";

  const std::vector<std::string> techniques = effect->Techniques();
  ASSERT_EQ(2u, techniques.size());
  EXPECT_EQ("BlendMask_Max", techniques[0]);
  EXPECT_EQ("Main", techniques[1]);
  EXPECT_EQ(5, effect->BeginCount()) << "four slots, then the composite";

  ASSERT_NE(nullptr, stars.GetTarget());
  IDirect3DTexture9* glows = stars.GetTarget()->GetCurrent().Get();
  const std::vector<FakeEffect::ParamSet>& all = effect->ParamSets();
  ASSERT_EQ(7u, all.size());
  const struct {
    const char* name;
    IDirect3DBaseTexture9* texture;
  } expected[] = {
      {"Texture1", pictures[0].Get()}, {"Texture1", pictures[1].Get()}, {"Texture1", pictures[3].Get()},
      {"Texture1", pictures[2].Get()}, {"Texture1", layer.scene.Get()}, {"Texture2", glows},
      {"Texture3", nullptr},
  };
  for (size_t i = 0; i + 1 < all.size(); ++i) {
    EXPECT_EQ(expected[i].name, all[i].name) << i;
    EXPECT_EQ(expected[i].texture, all[i].texture) << i;
  }
  EXPECT_EQ("Texture3", all[6].name);
  EXPECT_NE(nullptr, all[6].texture);
  EXPECT_NE(static_cast<IDirect3DBaseTexture9*>(glows), all[6].texture) << "the cores are the other texture";
}

TEST_F(FallingStarsDeviceTest, WithoutAnEffectNothingIsDrawn) {
  DS_FallingStars& stars = Make(MakeStars());
  stars.origins.push_back(DS_Particle(100.0f, 50.0f, 0.0f));
  stars.BuildQuads(object.get());
  Draw(*object, 0.0f, false);
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x404040u, image.RgbAt(100, 50));
}

}  // namespace
