// The explosion without a device: the seeded noise sequence and its renewals, the
// drift, the phases of the time line (growth during the fade-in, the restart while
// invisible), its own Reset, its records of both versions and its clone. The
// effect is the recording fake, held as if Prepare had got it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "ArcsTestSupport.h"
#include "document/ClassRegistry.h"
#include "objects/sprites/SpriteParticle.h"

namespace {

using arcs_test::HeldExplosion;
using arcs_test::PlaceInWindow;
using arcs_test::SeededPair;
using sprites2_test::Reading;
using sprites2_test::WrittenBytes;

const unsigned int kSeed = 4242;

// An explosion prepared without a resource manager (no effect, no textures, the
// first offset drawn) that then holds a recording effect.
class ExplosionTest : public ::testing::Test {
protected:
  void SetUp() override {
    item.seed.SetValue(kSeed);
    item.randomFlag.SetValue(0);
  }
  void TearDown() override {
    item.HoldEffect(nullptr);
    effect->Release();
  }
  void Prepare(HeldExplosion& explosion, FakeEffect* recorder) {
    explosion.Prepare();
    explosion.HoldEffect(recorder);
  }
  // What the fixed-position object does in a frame: clocks, the sprite, then the
  // effect set-up of the draw.
  void Frame(HeldExplosion& explosion, float t) {
    explosion.UpdateTime(t);
    explosion.UpdateParticle(sprite);
    explosion.SetupEffect(nullptr, nullptr);
  }
  std::vector<float> Shift() const { return effect->LastValues("noise_shift"); }

  FakeEffect* effect = new FakeEffect();
  HeldExplosion item;
  DS_SpriteParticle sprite;
};

TEST_F(ExplosionTest, Defaults) {
  DS_ExplosionConstructor fresh;
  EXPECT_FLOAT_EQ(0.79f, fresh.noiseA.GetResult());
  EXPECT_FLOAT_EQ(0.15f, fresh.noiseB.GetResult());
  EXPECT_FLOAT_EQ(0.42f, fresh.noiseC.GetResult());
  EXPECT_FLOAT_EQ(0.25f, fresh.driftClock.GetSpeed());
  EXPECT_EQ(0u, fresh.driftDirection.GetValue());
  EXPECT_EQ(250u, fresh.spriteSize.GetValue());
  EXPECT_EQ(100u, fresh.speed.GetValue()) << "the control clock runs at twice real time";
  EXPECT_EQ(0u, fresh.secondColour.GetValue());
  EXPECT_EQ(1, fresh.GetDrawCount());
  fresh.UpdateTime(0.1f);
  EXPECT_FLOAT_EQ(0.2f, fresh.GetAccumulatedTime());
}

TEST_F(ExplosionTest, KthSeededRenewalGivesTheKthPairWhateverIsDrawnBetween) {
  for (int k = 1; k <= 4; ++k) {
    std::srand(unsigned(k) * 31u);  // other objects reseed and draw in between
    for (int i = 0; i < k; ++i) std::rand();
    item.RenewNoise();
    // The shared generator is left after the k-th pair of the seed.
    const int after = std::rand();
    const std::vector<int> draws = sprites2_test::SeededDraws(kSeed, 2 * k + 1);
    EXPECT_EQ(draws.back(), after) << "renewal " << k;

    EXPECT_EQ(SeededPair(kSeed, k), item.GetNextOffset()) << "renewal " << k;
    EXPECT_EQ(k + 1, item.GetDrawCount());
  }
}

TEST_F(ExplosionTest, RandomFlagDrawsFromTheRunningSequence) {
  item.randomFlag.SetValue(1);
  std::srand(99);
  const std::vector<int> draws = sprites2_test::SeededDraws(99, 4);
  item.RenewNoise();
  EXPECT_EQ(D3DXVECTOR2(sprites2_test::Between(draws[0], 0, 1), sprites2_test::Between(draws[1], 0, 1)),
            item.GetNextOffset());
  item.RenewNoise();
  EXPECT_EQ(D3DXVECTOR2(sprites2_test::Between(draws[2], 0, 1), sprites2_test::Between(draws[3], 0, 1)),
            item.GetNextOffset());
  EXPECT_EQ(1, item.GetDrawCount()) << "the seeded sequence is not used";
}

TEST_F(ExplosionTest, PrepareDrawsTheFirstOffset) {
  item.Prepare();
  EXPECT_EQ(SeededPair(kSeed, 1), item.GetNextOffset());
  EXPECT_EQ(D3DXVECTOR2(0, 0), item.GetCurrentOffset());
  EXPECT_EQ(2, item.GetDrawCount());
  EXPECT_EQ(nullptr, item.GetEffect());
  EXPECT_EQ(nullptr, item.GetGradientTexture());
  EXPECT_EQ(nullptr, item.GetNoiseTexture());
}

TEST_F(ExplosionTest, OffsetsAdvanceAtEachWholeSecondOfTheControlClock) {
  Prepare(item, effect);
  // Twice real time: 0.4 s is 0.8 s of control time, no whole second yet.
  for (float t : {0.1f, 0.2f, 0.3f, 0.4f}) Frame(item, t);
  const D3DXVECTOR2 pair1 = SeededPair(kSeed, 1);
  float drift = item.driftClock.GetAccumulatedTime();
  EXPECT_EQ((std::vector<float>{-drift, 0.0f, pair1.x - drift, pair1.y}), Shift());

  Frame(item, 0.55f);  // 1.1 s
  const D3DXVECTOR2 pair2 = SeededPair(kSeed, 2);
  drift = item.driftClock.GetAccumulatedTime();
  EXPECT_EQ((std::vector<float>{pair1.x - drift, pair1.y, pair2.x - drift, pair2.y}), Shift());
  EXPECT_EQ(1.0f, item.GetLastWholeSecond());
  const std::vector<float> time = effect->LastValues("time");
  ASSERT_EQ(2u, time.size());
  EXPECT_NEAR(0.1f, time[0], 1e-5f);
  EXPECT_FLOAT_EQ(1.0f - time[0], time[1]);

  Frame(item, 0.75f);  // 1.5 s: the same second
  EXPECT_EQ(pair1.x - item.driftClock.GetAccumulatedTime(), Shift()[0]);

  Frame(item, 1.05f);  // 1.9 s (the step is bounded)
  Frame(item, 1.15f);  // 2.1 s
  const D3DXVECTOR2 pair3 = SeededPair(kSeed, 3);
  drift = item.driftClock.GetAccumulatedTime();
  EXPECT_EQ((std::vector<float>{pair2.x - drift, pair2.y, pair3.x - drift, pair3.y}), Shift());
}

TEST_F(ExplosionTest, DriftRunsAtAQuarterOfTheControlClockAgainstItsDirection) {
  item.driftDirection.SetValue(90u);
  item.driftDirection.UpdateAxes();  // as a clone does
  Prepare(item, effect);
  for (float t : {0.1f, 0.2f, 0.3f}) Frame(item, t);
  EXPECT_NEAR(0.25f * 0.6f, item.driftClock.GetAccumulatedTime(), 1e-6f);
  const float drift = item.driftClock.GetAccumulatedTime();
  const D3DXVECTOR2 pair1 = SeededPair(kSeed, 1);
  const std::vector<float> shift = Shift();
  ASSERT_EQ(4u, shift.size());
  EXPECT_NEAR(0.0f, shift[0], 1e-6f);
  EXPECT_FLOAT_EQ(-drift, shift[1]);
  EXPECT_NEAR(pair1.x, shift[2], 1e-6f);
  EXPECT_FLOAT_EQ(pair1.y - drift, shift[3]);
}

TEST_F(ExplosionTest, TwoExplosionsWithOneSeedReplayTheSameOffsets) {
  HeldExplosion other;
  other.seed.SetValue(kSeed);
  other.randomFlag.SetValue(0);
  FakeEffect* otherEffect = new FakeEffect();
  Prepare(item, effect);
  std::srand(1);  // the second explosion is built elsewhere in the sequence
  Prepare(other, otherEffect);
  DS_SpriteParticle otherSprite;
  for (float t : {0.2f, 0.4f, 0.6f, 0.8f, 1.0f, 1.2f, 1.4f, 1.6f}) {
    Frame(item, t);
    for (int i = 0; i < 7; ++i) std::rand();
    other.UpdateTime(t);
    other.UpdateParticle(otherSprite);
    other.SetupEffect(nullptr, nullptr);
    EXPECT_EQ(Shift(), otherEffect->LastValues("noise_shift")) << "at " << t;
  }
  EXPECT_EQ(SeededPair(kSeed, 4), item.GetNextOffset()) << "three whole seconds: the fourth pair";
  other.HoldEffect(nullptr);
  otherEffect->Release();
}

// ---- Phases ----

struct PhaseCase {
  const char* what;
  float wrappedTime;
  float halfExtent;
  float fadeOut;  // phase_3rd's first value
  float fadeIn;   // phase_1st
};

class ExplosionPhaseTest : public ExplosionTest, public ::testing::WithParamInterface<PhaseCase> {};

TEST_P(ExplosionPhaseTest, SizeAndPhaseValues) {
  const PhaseCase& c = GetParam();
  PlaceInWindow(item.TimeLine(), c.wrappedTime);
  Prepare(item, effect);
  Frame(item, 0.1f);
  EXPECT_FLOAT_EQ(c.halfExtent, sprite.halfWidth) << c.what;
  EXPECT_FLOAT_EQ(c.halfExtent, sprite.halfHeight) << c.what;
  const std::vector<float> fadeOut = effect->LastValues("phase_3rd");
  ASSERT_EQ(2u, fadeOut.size());
  EXPECT_FLOAT_EQ(c.fadeOut, fadeOut[0]) << c.what;
  EXPECT_FLOAT_EQ(1.0f - c.fadeOut, fadeOut[1]) << c.what;
  const std::vector<float> fadeIn = effect->LastValues("phase_1st");
  ASSERT_EQ(1u, fadeIn.size());
  EXPECT_FLOAT_EQ(c.fadeIn, fadeIn[0]) << c.what;
  EXPECT_EQ(FakeEffect::Kind::Float, effect->Last("phase_1st")->kind) << "one float";
}

INSTANTIATE_TEST_SUITE_P(Cases, ExplosionPhaseTest,
                         ::testing::Values(PhaseCase{"invisible", 5.0f, 0.0f, 0.0f, 0.0f},
                                           PhaseCase{"fading in at 0.1", 11.0f, 125.0f * 0.325f, 0.0f, 1.8f},
                                           PhaseCase{"visible", 25.0f, 125.0f, 0.0f, 0.0f},
                                           PhaseCase{"fading out at 0.25", 37.5f, 125.0f, 0.75f, 0.0f}));

TEST_F(ExplosionTest, FadeInAtOpacityTenthHasAlphaHalfAndThreeTwentiethsOfTheSize) {
  PlaceInWindow(item.TimeLine(), 11.0f);
  ASSERT_FLOAT_EQ(0.1f, item.TimeLine().GetAlpha());
  item.UpdateParticle(sprite);
  EXPECT_FLOAT_EQ(0.5f, sprite.alpha);
  EXPECT_FLOAT_EQ(125.0f * 0.325f, sprite.halfWidth);
  EXPECT_FLOAT_EQ(125.0f * 0.325f, sprite.halfHeight);
  EXPECT_EQ(0x7Fu, sprite.packedColour >> 24) << "the colour is packed with the new alpha";

  // Past a fifth of the fade the alpha stays at 1.
  item.TimeLine().SetWrappedTime(15.0f);
  item.UpdateParticle(sprite);
  EXPECT_FLOAT_EQ(1.0f, sprite.alpha);
}

TEST_F(ExplosionTest, HalfSizeIsAnIntegerHalf) {
  item.spriteSize.SetValue(251u);
  item.UpdateParticle(sprite);
  EXPECT_FLOAT_EQ(125.0f, sprite.halfWidth);
}

TEST_F(ExplosionTest, SpriteStandsAtTheItemPosition) {
  item.position.SetValue(D3DXVECTOR3(320, 200, 0));
  item.UpdateParticle(sprite);
  EXPECT_EQ(D3DXVECTOR3(320, 200, 0), sprite.position);
}

TEST_F(ExplosionTest, InvisibleStretchRestartsNoiseAndDriftButNotTheLastSecond) {
  PlaceInWindow(item.TimeLine(), 25.0f);
  Prepare(item, effect);
  for (float t : {0.2f, 0.4f, 0.6f, 0.8f}) Frame(item, t);  // 1.6 s
  ASSERT_EQ(3, item.GetDrawCount());
  ASSERT_GT(item.driftClock.GetAccumulatedTime(), 0.0f);

  item.TimeLine().SetWrappedTime(5.0f);
  Frame(item, 0.9f);
  EXPECT_EQ(D3DXVECTOR2(0, 0), item.GetCurrentOffset());
  EXPECT_EQ(D3DXVECTOR2(0, 0), item.GetNextOffset());
  EXPECT_EQ(1, item.GetDrawCount());
  EXPECT_EQ(0.0f, item.driftClock.GetAccumulatedTime());
  EXPECT_EQ(1.0f, item.GetLastWholeSecond());

  // Visible again: the first renewal comes at the next whole second, with pair 1.
  item.TimeLine().SetWrappedTime(25.0f);
  Frame(item, 1.0f);  // 2.0 s
  Frame(item, 1.1f);  // 2.2 s
  EXPECT_EQ(SeededPair(kSeed, 1), item.GetNextOffset());
  EXPECT_EQ(D3DXVECTOR2(0, 0), item.GetCurrentOffset());
}

TEST_F(ExplosionTest, ResetRestartsTheNoiseButNotTheTimeLineOrTheControlClock) {
  item.TimeLine().mode.SetValue(DS_TimeLineControl::kCycle);
  item.TimeLine().AdvanceLocalTime(0.5f);
  item.TimeLine().AdvanceLocalTime(3.0f);
  const int state = item.TimeLine().Machine().CurrentIndex();
  ASSERT_NE(DS_AnimationStateMachine::kInvisible, state);
  Prepare(item, effect);
  for (float t : {0.2f, 0.4f, 0.6f}) Frame(item, t);
  const float accumulated = item.GetAccumulatedTime();
  const float lastTime = item.GetLastTime();

  item.Reset();
  EXPECT_EQ(1, item.GetDrawCount());
  EXPECT_EQ(D3DXVECTOR2(0, 0), item.GetCurrentOffset());
  EXPECT_EQ(D3DXVECTOR2(0, 0), item.GetNextOffset());
  EXPECT_EQ(0.0f, item.driftClock.GetAccumulatedTime());
  EXPECT_EQ(0.0f, item.driftClock.GetLastTime());
  EXPECT_EQ(state, item.TimeLine().Machine().CurrentIndex()) << "the time line runs on";
  EXPECT_EQ(3.0f, item.TimeLine().Machine().machineTime);
  EXPECT_EQ(accumulated, item.GetAccumulatedTime()) << "the control clock runs on";
  EXPECT_EQ(lastTime, item.GetLastTime());
}

// ---- Records ----

const unsigned int kLegacy[] = {500, 2000, 500, 1000, 1000};

void Configure(DS_ExplosionConstructor& item) {
  item.noiseA.SetValue(30u);
  item.noiseB.SetValue(60u);
  item.noiseC.SetValue(90u);
  item.driftDirection.SetValue(45u);
  item.driftClock.SetValue(80u);
  item.seed.SetValue(777u);
  item.randomFlag.SetValue(1);
  item.secondColour.SetValue(0x00A0B0C0u);
  item.position.SetValue(D3DXVECTOR3(100, 200, 0));
  item.height.SetValue(64u);
  item.width.SetValue(48u);
  item.spriteCount.SetValue(1u);
  item.SetName(L"boom");
}

void ExpectConfigured(const DS_ExplosionConstructor& item, int randomFlag = 1) {
  EXPECT_FLOAT_EQ(0.7f, item.noiseA.GetResult()) << "assigned with notification";
  EXPECT_FLOAT_EQ(0.6f, item.noiseB.GetResult());
  EXPECT_FLOAT_EQ(0.9f, item.noiseC.GetResult());
  EXPECT_EQ(45u, item.driftDirection.GetValue());
  EXPECT_FLOAT_EQ(0.4f, item.driftClock.GetSpeed());
  EXPECT_EQ(777u, item.seed.GetValue());
  EXPECT_EQ(randomFlag, item.randomFlag.GetValue());
  EXPECT_EQ(0x00A0B0C0u, item.secondColour.GetValue());
  EXPECT_EQ(D3DXVECTOR3(100, 200, 0), item.position.GetValue());
  EXPECT_EQ(64u, item.height.GetValue());
  EXPECT_EQ(48u, item.width.GetValue());
  EXPECT_EQ(L"boom", item.GetName());
}

// The record laid out for `version` by hand, with the levels below written by the
// item's own writers.
std::vector<unsigned char> HandRecord(int version, const DS_ExplosionConstructor& item, const unsigned* legacy) {
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_ExplosionConstructor", version);
  w.WriteUInt(item.noiseA.GetValue());
  w.WriteUInt(item.noiseB.GetValue());
  w.WriteUInt(item.noiseC.GetValue());
  w.WriteUInt(item.driftDirection.GetValue());
  w.WriteUInt(item.driftClock.GetValue());
  if (version < 2) {
    for (int i = 0; i < 5; ++i) w.WriteUInt(legacy[i]);
  }
  w.WriteUInt(item.seed.GetValue());
  w.WriteInt(item.randomFlag.GetValue());
  w.WriteLong(long(item.secondColour.GetValue()));
  item.DS_StatBaseFXCtrl::Write(w);
  return w.Bytes();
}

std::unique_ptr<DS_ExplosionConstructor> ReadBack(const std::vector<unsigned char>& bytes) {
  Reading reading(bytes);
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
  EXPECT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft()) << "the reader left part of the record";
  DS_ExplosionConstructor* read = dynamic_cast<DS_ExplosionConstructor*>(item.get());
  if (!read) return nullptr;
  item.release();
  return std::unique_ptr<DS_ExplosionConstructor>(read);
}

TEST(ExplosionRecordTest, WriterWritesTheLatestLayoutAndReadsBack) {
  DS_ExplosionConstructor written;
  Configure(written);
  written.TimeLine().fadeIn.SetValue(123u);
  const std::vector<unsigned char> bytes = WrittenBytes(written);
  EXPECT_EQ(HandRecord(2, written, nullptr), bytes);
  std::unique_ptr<DS_ExplosionConstructor> read = ReadBack(bytes);
  ASSERT_NE(nullptr, read);
  ExpectConfigured(*read);
  EXPECT_EQ(123u, read->TimeLine().fadeIn.GetValue()) << "version 2 keeps the time line";
  EXPECT_EQ(DS_TimeLineControl::kAlwaysVisible, read->TimeLine().mode.GetValue());
  EXPECT_EQ(bytes, WrittenBytes(*read));
}

TEST(ExplosionRecordTest, VersionOneMovesItsDurationsIntoTheTimeLine) {
  DS_ExplosionConstructor old;
  Configure(old);
  old.TimeLine().fadeIn.SetValue(999u);  // replaced by the legacy values
  std::unique_ptr<DS_ExplosionConstructor> read = ReadBack(HandRecord(1, old, kLegacy));
  ASSERT_NE(nullptr, read);
  ExpectConfigured(*read);
  const DS_TimeLineControl& timeLine = read->TimeLine();
  EXPECT_EQ(50u, timeLine.fadeIn.GetValue());
  EXPECT_FLOAT_EQ(0.5f, timeLine.FadeInSeconds()) << "assigned with notification";
  EXPECT_EQ(200u, timeLine.shown.lo.GetValue());
  EXPECT_EQ(200u, timeLine.shown.hi.GetValue());
  EXPECT_EQ(50u, timeLine.fadeOut.GetValue());
  EXPECT_FLOAT_EQ(0.5f, timeLine.FadeOutSeconds());
  EXPECT_EQ(200u, timeLine.hidden.lo.GetValue());
  EXPECT_EQ(200u, timeLine.hidden.hi.GetValue());
  EXPECT_EQ(DS_TimeLineControl::kCycle, timeLine.mode.GetValue());

  // Written again it is a version-2 record with the same time line.
  const std::vector<unsigned char> again = WrittenBytes(*read);
  std::unique_ptr<DS_ExplosionConstructor> reread = ReadBack(again);
  ASSERT_NE(nullptr, reread);
  ExpectConfigured(*reread);
  EXPECT_EQ(200u, reread->TimeLine().hidden.hi.GetValue());
  EXPECT_EQ(again, HandRecord(2, *reread, nullptr));
}

TEST(ExplosionRecordTest, HiddenPartsBeyondThirtyTwoBitsDoNotWrap) {
  DS_ExplosionConstructor old;
  const unsigned legacy[] = {0, 0, 0, 0xFFFFFFF0u, 0x20u};
  std::unique_ptr<DS_ExplosionConstructor> read = ReadBack(HandRecord(1, old, legacy));
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(unsigned((0xFFFFFFF0ull + 0x20ull) / 10), read->TimeLine().hidden.lo.GetValue());
}

TEST(ExplosionRecordTest, EveryCutOfEitherVersionFails) {
  DS_ExplosionConstructor item;
  Configure(item);
  const std::vector<std::vector<unsigned char>> records = {WrittenBytes(item), HandRecord(1, item, kLegacy)};
  for (size_t r = 0; r < records.size(); ++r) {
    const std::vector<unsigned char>& bytes = records[r];
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      Reading reading(std::vector<unsigned char>(bytes.begin(), bytes.begin() + std::ptrdiff_t(cut)));
      std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(reading.handle));
      EXPECT_EQ(nullptr, read.get()) << "record " << r << " cut at " << cut << " of " << bytes.size();
      EXPECT_TRUE(reading.handle->Failed()) << "record " << r << " cut at " << cut;
    }
  }
}

TEST_F(ExplosionTest, CloneCopiesTheNoiseStateAndTheDrift) {
  Configure(item);
  item.randomFlag.SetValue(0);
  Prepare(item, effect);
  for (float t : {0.2f, 0.4f, 0.6f}) Frame(item, t);  // 1.2 s: one renewal
  std::unique_ptr<DS_ParticleSystemCtrl> copy(item.Clone());
  const DS_ExplosionConstructor* clone = dynamic_cast<DS_ExplosionConstructor*>(copy.get());
  ASSERT_NE(nullptr, clone);
  ExpectConfigured(*clone, 0);
  EXPECT_EQ(item.GetCurrentOffset(), clone->GetCurrentOffset());
  EXPECT_EQ(item.GetNextOffset(), clone->GetNextOffset());
  EXPECT_EQ(3, clone->GetDrawCount());
  EXPECT_EQ(1.0f, clone->GetLastWholeSecond());
  EXPECT_EQ(item.driftClock.GetAccumulatedTime(), clone->driftClock.GetAccumulatedTime());
  EXPECT_EQ(item.driftClock.GetLastTime(), clone->driftClock.GetLastTime());
  EXPECT_FLOAT_EQ(std::cos(D3DXToRadian(45.0f)), clone->driftDirection.GetXAxis().x) << "axes recomputed";
  EXPECT_EQ(effect, clone->GetEffect());
}

}  // namespace
