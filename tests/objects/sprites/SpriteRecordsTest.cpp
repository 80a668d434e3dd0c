// The records of the god ray, sparkle, fog, lightning, fish, ghost and bird
// items: written by their own writers and read back through the object
// registry, their layout, the constructor defaults, the time line of old ghost
// records, and truncated records.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "document/ClassRegistry.h"
#include "objects/sprites/Fish.h"
#include "objects/sprites/Fog.h"
#include "objects/sprites/GodRays.h"
#include "objects/sprites/LightningFlashes.h"
#include "objects/sprites/Sparkles.h"
#include "render/ObjectModel.h"
#include "render/TimeLine.h"
#include "Sprites2TestSupport.h"

using sprites2_test::Reading;
using sprites2_test::WrittenBytes;

namespace {

// Values every round trip carries through the shared sprite section.
void SetSharedFields(DS_ParticleSystemCtrl& item) {
  item.SetName(L"sprites");
  item.spriteCount.SetValue(12u);
  item.spriteSize.SetValue(33u);
  item.transparency.SetValue(20u);
  item.colour.SetValue(0x123456u);
  item.twinkleRate = 0.75f;
  item.twinkleMin = 0.1f;
  item.twinkleMax = 0.9f;
  item.sizeFactorMin = 0.5f;
  item.sizeFactorMax = 1.5f;
  item.frameCount = 3;
  item.frameRate = 12.0f;
  item.relLeft = 0.1f;
  item.relRight = 0.8f;
  item.TimeLine().mode.SetValue(DS_TimeLineControl::kCycle);
  item.TimeLine().hidden.lo.SetValue(30u);
  item.TimeLine().hidden.hi.SetValue(70u);
}

void ExpectSharedFields(const DS_ParticleSystemCtrl& item) {
  EXPECT_EQ(L"sprites", item.GetName());
  EXPECT_EQ(12u, item.spriteCount.GetValue());
  EXPECT_EQ(33u, item.spriteSize.GetValue());
  EXPECT_EQ(20u, item.transparency.GetValue());
  EXPECT_EQ(0x123456u, item.colour.GetValue());
  EXPECT_FLOAT_EQ(0.75f, item.twinkleRate);
  EXPECT_FLOAT_EQ(0.1f, item.twinkleMin);
  EXPECT_FLOAT_EQ(0.9f, item.twinkleMax);
  EXPECT_FLOAT_EQ(0.5f, item.sizeFactorMin);
  EXPECT_FLOAT_EQ(1.5f, item.sizeFactorMax);
  EXPECT_EQ(3u, item.frameCount);
  EXPECT_FLOAT_EQ(12.0f, item.frameRate);
  EXPECT_FLOAT_EQ(0.1f, item.relLeft);
  EXPECT_FLOAT_EQ(0.8f, item.relRight);
  EXPECT_EQ(DS_TimeLineControl::kCycle, item.TimeLine().mode.GetValue());
  EXPECT_EQ(30u, item.TimeLine().hidden.lo.GetValue());
  EXPECT_EQ(70u, item.TimeLine().hidden.hi.GetValue());
}

// Writes `written`, reads it back through the registry as a T; null (with a
// test failure) when that does not work out exactly.
template <class T>
std::unique_ptr<T> RoundTrip(const T& written) {
  Reading reading(WrittenBytes(written));
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
  EXPECT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft()) << "the reader left part of the record";
  T* read = dynamic_cast<T*>(item.get());
  EXPECT_NE(nullptr, read) << "read back as another class";
  if (!read) return nullptr;
  item.release();
  return std::unique_ptr<T>(read);
}

// ---- round trips ----

TEST(SpriteRecordsTest, GodRayKeepsItsAngle) {
  DS_GodRayConstructor written;
  SetSharedFields(written);
  written.rayAngle.SetValue(115u);
  auto read = RoundTrip(written);
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(115u, read->rayAngle.GetValue());
  ExpectSharedFields(*read);
}

TEST(SpriteRecordsTest, SparkleAndLightningHaveNoFieldsOfTheirOwn) {
  DS_SparkleConstructor sparkle;
  SetSharedFields(sparkle);
  auto readSparkle = RoundTrip(sparkle);
  ASSERT_NE(nullptr, readSparkle);
  ExpectSharedFields(*readSparkle);

  DS_LightingConstructor lightning;
  SetSharedFields(lightning);
  lightning.additive.SetValue(0);
  auto readLightning = RoundTrip(lightning);
  ASSERT_NE(nullptr, readLightning);
  ExpectSharedFields(*readLightning);
  EXPECT_EQ(0, readLightning->additive.GetValue()) << "the stored flag wins over the default";
}

TEST(SpriteRecordsTest, FogKeepsItsDrift) {
  DS_FogConstructor written;
  SetSharedFields(written);
  written.driftX = 12.5f;
  written.driftY = -3.0f;
  auto read = RoundTrip(written);
  ASSERT_NE(nullptr, read);
  EXPECT_FLOAT_EQ(12.5f, read->driftX);
  EXPECT_FLOAT_EQ(-3.0f, read->driftY);
  ExpectSharedFields(*read);
}

TEST(SpriteRecordsTest, FishGhostAndBirdKeepTheirSpeeds) {
  DS_FishConstructor fish;
  SetSharedFields(fish);
  fish.maxSpeedX = 31.0f;
  fish.maxSpeedY = 7.0f;
  auto readFish = RoundTrip(fish);
  ASSERT_NE(nullptr, readFish);
  EXPECT_FLOAT_EQ(31.0f, readFish->maxSpeedX);
  EXPECT_FLOAT_EQ(7.0f, readFish->maxSpeedY);
  ExpectSharedFields(*readFish);

  DS_GhostConstructor ghost;
  SetSharedFields(ghost);
  ghost.maxSpeedX = 11.0f;
  ghost.maxSpeedY = 22.0f;
  ghost.TimeLine().fadeIn.SetValue(40u);
  auto readGhost = RoundTrip(ghost);
  ASSERT_NE(nullptr, readGhost);
  EXPECT_FLOAT_EQ(11.0f, readGhost->maxSpeedX);
  EXPECT_FLOAT_EQ(22.0f, readGhost->maxSpeedY);
  EXPECT_EQ(40u, readGhost->TimeLine().fadeIn.GetValue()) << "a version-2 ghost keeps its own time line";
  ExpectSharedFields(*readGhost);

  DS_BirdConstructor bird;
  SetSharedFields(bird);
  bird.maxSpeedX = 150.0f;
  bird.maxSpeedY = 5.0f;
  auto readBird = RoundTrip(bird);
  ASSERT_NE(nullptr, readBird);
  EXPECT_FLOAT_EQ(150.0f, readBird->maxSpeedX);
  EXPECT_FLOAT_EQ(5.0f, readBird->maxSpeedY);
  ExpectSharedFields(*readBird);
}

// ---- layout ----

struct LayoutCase {
  const char* what;
  std::function<DS_ParticleSystemCtrl*()> make;
  // Level headers in order until the sprite section, with their versions.
  std::vector<std::pair<std::wstring, int>> headers;
  // Unsigned and float fields directly after the last of those headers.
  std::vector<uint32_t> uints;
  std::vector<float> floats;
};

class RecordLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(RecordLayoutTest, LevelsAndFieldsInOrder) {
  const LayoutCase& c = GetParam();
  std::unique_ptr<DS_ParticleSystemCtrl> item(c.make());
  DS_IOF_W w;
  item->Write(w);
  Reading reading(w.Bytes());
  DS_IOF_Virtual& stream = *reading.handle;
  for (const auto& header : c.headers) {
    ds_string name;
    int version = 0;
    stream.ReadString(name);
    stream.ReadInt(version);
    EXPECT_EQ(header.first, std::wstring(name.begin(), name.end())) << c.what;
    EXPECT_EQ(header.second, version) << c.what;
  }
  for (uint32_t expected : c.uints) {
    unsigned int value = 0;
    stream.ReadUInt(value);
    EXPECT_EQ(expected, value) << c.what;
  }
  for (float expected : c.floats) {
    float value = 0.0f;
    stream.ReadFloat(value);
    EXPECT_FLOAT_EQ(expected, value) << c.what;
  }
  ds_string next;
  stream.ReadString(next);
  EXPECT_EQ(L"DS_BaseSpriteProp", std::wstring(next.begin(), next.end())) << c.what;
  EXPECT_FALSE(stream.Failed()) << c.what;
}

const LayoutCase kLayoutCases[] = {
    {"god ray: the angle as a uint32",
     [] {
       auto* item = new DS_GodRayConstructor();
       item->rayAngle.SetValue(80u);
       return item;
     },
     {{L"DS_GodRayConstructor", 1}},
     {80u},
     {}},
    {"sparkle", [] { return new DS_SparkleConstructor(); }, {{L"DS_SparkleConstructor", 1}}, {}, {}},
    {"fog", [] { return new DS_FogConstructor(); }, {{L"DS_FogConstructor", 1}}, {}, {40.0f, 40.0f}},
    {"lightning", [] { return new DS_LightingConstructor(); }, {{L"DS_LightingConstructor", 1}}, {}, {}},
    {"fish", [] { return new DS_FishConstructor(); }, {{L"DS_FishConstructor", 1}}, {}, {80.0f, 50.0f}},
    {"ghost: its own header, then the fish section",
     [] { return new DS_GhostConstructor(); },
     {{L"DS_GhostConstructor", 2}, {L"DS_FishConstructor", 1}},
     {},
     {50.0f, 50.0f}},
    {"bird: its own header, then the fish section",
     [] { return new DS_BirdConstructor(); },
     {{L"DS_BirdConstructor", 1}, {L"DS_FishConstructor", 1}},
     {},
     {80.0f, 50.0f}},
};

INSTANTIATE_TEST_SUITE_P(Cases, RecordLayoutTest, ::testing::ValuesIn(kLayoutCases));

// ---- defaults ----

TEST(SpriteRecordsTest, ConstructorDefaults) {
  DS_GodRayConstructor ray;
  EXPECT_EQ(80u, ray.rayAngle.GetValue());

  DS_SparkleConstructor sparkle;
  EXPECT_TRUE(sparkle.viewObject);
  EXPECT_EQ(0, sparkle.TimeLine().timeMode.GetValue());

  DS_FogConstructor fog;
  EXPECT_FLOAT_EQ(40.0f, fog.driftX);
  EXPECT_FLOAT_EQ(40.0f, fog.driftY);
  EXPECT_FLOAT_EQ(0.2f, fog.twinkleMin);
  EXPECT_FLOAT_EQ(1.0f, fog.twinkleMax);
  EXPECT_EQ(50u, fog.transparency.GetValue());
  EXPECT_NEAR(127.5f, fog.GetOpacity(), 0.5f) << "transparency 50 % halves the opacity";
  EXPECT_EQ(1, fog.TimeLine().timeMode.GetValue());

  DS_LightingConstructor lightning;
  EXPECT_EQ(1, lightning.additive.GetValue());
  EXPECT_TRUE(lightning.viewObject);
  EXPECT_EQ(DS_TimeLineControl::kCycle, lightning.TimeLine().mode.GetValue());
  EXPECT_EQ(0, lightning.TimeLine().timeMode.GetValue());
  EXPECT_EQ(100u, lightning.TimeLine().hidden.lo.GetValue());
  EXPECT_EQ(500u, lightning.TimeLine().hidden.hi.GetValue());

  DS_FishConstructor fish;
  EXPECT_FLOAT_EQ(80.0f, fish.maxSpeedX);
  EXPECT_FLOAT_EQ(50.0f, fish.maxSpeedY);

  DS_GhostConstructor ghost;
  EXPECT_FLOAT_EQ(50.0f, ghost.maxSpeedX);
  EXPECT_FLOAT_EQ(50.0f, ghost.maxSpeedY);
  EXPECT_FLOAT_EQ(0.66f, ghost.twinkleRate);
  EXPECT_EQ(50u, ghost.transparency.GetValue());
  EXPECT_FLOAT_EQ(1.0f, ghost.sizeFactorMin);
  EXPECT_FLOAT_EQ(1.0f, ghost.sizeFactorMax);
  EXPECT_EQ(1, ghost.TimeLine().timeMode.GetValue());

  DS_BirdConstructor bird;
  EXPECT_FLOAT_EQ(80.0f, bird.maxSpeedX);
  EXPECT_FLOAT_EQ(50.0f, bird.maxSpeedY);
}

TEST(SpriteRecordsTest, ClonesCopyTheirOwnFields) {
  DS_GodRayConstructor ray;
  ray.rayAngle.SetValue(99u);
  std::unique_ptr<DS_ParticleSystemCtrl> rayClone(ray.Clone());
  EXPECT_EQ(99u, dynamic_cast<DS_GodRayConstructor&>(*rayClone).rayAngle.GetValue());

  DS_FogConstructor fog;
  fog.driftX = 3.0f;
  fog.driftY = 4.0f;
  fog.spriteCount.SetValue(9u);
  std::unique_ptr<DS_ParticleSystemCtrl> fogClone(fog.Clone());
  auto& fogCopy = dynamic_cast<DS_FogConstructor&>(*fogClone);
  EXPECT_FLOAT_EQ(3.0f, fogCopy.driftX);
  EXPECT_FLOAT_EQ(4.0f, fogCopy.driftY);
  EXPECT_EQ(9u, fogCopy.spriteCount.GetValue());

  DS_BirdConstructor bird;
  bird.maxSpeedX = 5.0f;
  bird.maxSpeedY = 6.0f;
  std::unique_ptr<DS_ParticleSystemCtrl> birdClone(bird.Clone());
  auto* birdCopy = dynamic_cast<DS_BirdConstructor*>(birdClone.get());
  ASSERT_NE(nullptr, birdCopy) << "a bird clones as a bird";
  EXPECT_FLOAT_EQ(5.0f, birdCopy->maxSpeedX);
  EXPECT_FLOAT_EQ(6.0f, birdCopy->maxSpeedY);

  DS_GhostConstructor ghost;
  std::unique_ptr<DS_ParticleSystemCtrl> ghostClone(ghost.Clone());
  EXPECT_NE(nullptr, dynamic_cast<DS_GhostConstructor*>(ghostClone.get())) << "a ghost clones as a ghost";
  DS_LightingConstructor lightning;
  std::unique_ptr<DS_ParticleSystemCtrl> lightningClone(lightning.Clone());
  EXPECT_NE(nullptr, dynamic_cast<DS_LightingConstructor*>(lightningClone.get()));
  DS_SparkleConstructor sparkle;
  std::unique_ptr<DS_ParticleSystemCtrl> sparkleClone(sparkle.Clone());
  EXPECT_NE(nullptr, dynamic_cast<DS_SparkleConstructor*>(sparkleClone.get()));
}

// ---- old ghosts ----

TEST(SpriteRecordsTest, VersionOneGhostFadesInAndOutWithoutPauses) {
  DS_GhostConstructor source;
  source.TimeLine().mode.SetValue(DS_TimeLineControl::kAlwaysVisible);
  source.TimeLine().fadeIn.SetValue(7u);
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_GhostConstructor", 1);
  source.DS_FishConstructor::Write(w);
  Reading reading(w.Bytes());
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
  ASSERT_FALSE(reading.handle->Failed());
  auto* ghost = dynamic_cast<DS_GhostConstructor*>(item.get());
  ASSERT_NE(nullptr, ghost);
  DS_TimeLineControl& tl = ghost->TimeLine();
  EXPECT_EQ(DS_TimeLineControl::kCycle, tl.mode.GetValue());
  EXPECT_EQ(0u, tl.shown.lo.GetValue());
  EXPECT_EQ(0u, tl.shown.hi.GetValue());
  EXPECT_EQ(0u, tl.hidden.lo.GetValue());
  EXPECT_EQ(0u, tl.hidden.hi.GetValue());
  EXPECT_FLOAT_EQ(1.5f, tl.FadeInSeconds());
  EXPECT_FLOAT_EQ(1.5f, tl.FadeOutSeconds());

  // Over a few cycles the opacity ramps up and down with (almost) no frame held
  // at full or no opacity.
  int held = 0;
  float previous = -1.0f;
  int turns = 0;
  bool rising = true;
  for (int i = 1; i <= 600; ++i) {
    tl.AdvanceLocalTime(0.01f * float(i));
    const float alpha = tl.GetAlpha();
    if (alpha >= 1.0f || alpha <= 0.0f) ++held;
    if (previous >= 0.0f && (alpha > previous) != rising && alpha != previous) {
      rising = !rising;
      ++turns;
    }
    previous = alpha;
  }
  EXPECT_GE(turns, 3) << "6 s hold two fade-ins and two fade-outs";
  EXPECT_LE(held, 12) << "frames held at full or no opacity";
}

// ---- hostile records ----

TEST(SpriteRecordsTest, TruncatedRecordsFailWithoutAnObject) {
  std::vector<std::unique_ptr<DS_ParticleSystemCtrl>> items;
  items.emplace_back(new DS_GodRayConstructor());
  items.emplace_back(new DS_SparkleConstructor());
  items.emplace_back(new DS_FogConstructor());
  items.emplace_back(new DS_LightingConstructor());
  items.emplace_back(new DS_FishConstructor());
  items.emplace_back(new DS_GhostConstructor());
  items.emplace_back(new DS_BirdConstructor());
  for (const auto& item : items) {
    DS_IOF_W w;
    item->Write(w);
    const std::vector<unsigned char>& bytes = w.Bytes();
    for (size_t length = 0; length < bytes.size(); ++length) {
      Reading reading(std::vector<unsigned char>(bytes.begin(), bytes.begin() + length));
      std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(reading.handle));
      EXPECT_EQ(nullptr, read.get()) << "record cut at " << length << " of " << bytes.size();
      EXPECT_TRUE(reading.handle->Failed());
    }
  }
}

}  // namespace
