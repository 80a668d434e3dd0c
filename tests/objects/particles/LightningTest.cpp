// The lightning: its record (and the old one's time line), the bolt tree from a seeded
// random sequence (displacement, corner cutting, widths, fades, branches), the
// brightness by phase, the quads of the three buffer slots, the appearance cycle and
// the two-pass drawing through the effect.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "AirBrushTestSupport.h"
#include "objects/particles/Lightning.h"
#include "render/TimeLine.h"

using airbrush_test::ExpectNear;
using airbrush_test::ReadItem;
using airbrush_test::StrokeDeviceTest;
using airbrush_test::WrittenBytes;

namespace {

// A straight, unbranched, untapered bolt from (100, 100) to (200, 100).
void PlainBolt(DS_LightningGN& item) {
  item.startPoint.SetValue(D3DXVECTOR3(100.0f, 100.0f, 0.0f));
  item.endPoint.SetValue(D3DXVECTOR3(200.0f, 100.0f, 0.0f));
  item.CoreWidth.SetValue(10u);
  item.GlowWidth.SetValue(30u);
  item.Generations.SetValue(0u);
  item.Taper.SetValue(0u);
  item.Seed.SetValue(1u);
}

int CountBolts(const BoltPointList& list) {
  if (list.empty()) return 0;
  int bolts = 1;
  for (const BoltPoint& p : list) bolts += CountBolts(p.Branches);
  return bolts;
}

int CountPoints(const BoltPointList& list) {
  int points = int(list.size());
  for (const BoltPoint& p : list) points += CountPoints(p.Branches);
  return points;
}

void ExpectSameTree(const BoltPointList& a, const BoltPointList& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].position.x, b[i].position.x) << i;
    EXPECT_EQ(a[i].position.y, b[i].position.y) << i;
    EXPECT_EQ(a[i].Width, b[i].Width) << i;
    EXPECT_EQ(a[i].Fade, b[i].Fade) << i;
    ExpectSameTree(a[i].Branches, b[i].Branches);
  }
}

bool AllFinite(const BoltPointList& list) {
  for (const BoltPoint& p : list) {
    if (!std::isfinite(p.position.x) || !std::isfinite(p.position.y) || !std::isfinite(p.Width) ||
        !std::isfinite(p.Fade) || !AllFinite(p.Branches))
      return false;
  }
  return true;
}

// ---- record ----

TEST(LightningRecordTest, ReadsBackThroughTheRegistry) {
  DS_LightningGN written;
  written.startPoint.SetValue(D3DXVECTOR3(1.5f, 2.5f, 3.5f));
  written.endPoint.SetValue(D3DXVECTOR3(-4.0f, 5.0f, 6.0f));
  written.CoreWidth.SetValue(12u);
  written.Generations.SetValue(5u);
  written.Displacement.SetValue(50u);
  written.Seed.SetValue(1234u);
  written.BranchLength.SetValue(40u);
  written.BranchAngle.SetValue(100u);
  written.Taper.SetValue(30u);
  written.BranchCount1.SetValue(3u);
  written.BranchCount2.SetValue(4u);
  written.BranchCount3.SetValue(5u);
  written.Flicker.SetValue(20u);
  written.GlowWidth.SetValue(40u);
  written.RandomEachTime.SetValue(-2);
  written.colour2.SetValue(0x00FFEE);
  written.SetName(L"strike");
  bool whole = false;
  std::unique_ptr<DS_LightningGN> read = ReadItem<DS_LightningGN>(WrittenBytes(written), &whole);
  ASSERT_NE(nullptr, read);
  EXPECT_TRUE(whole);
  EXPECT_EQ(D3DXVECTOR3(1.5f, 2.5f, 3.5f), read->startPoint.GetValue());
  EXPECT_EQ(D3DXVECTOR3(-4.0f, 5.0f, 6.0f), read->endPoint.GetValue());
  EXPECT_EQ(12u, read->CoreWidth.GetValue());
  EXPECT_EQ(5u, read->Generations.GetValue());
  EXPECT_FLOAT_EQ(0.2f, read->Displacement.GetResult());
  EXPECT_EQ(1234u, read->Seed.GetValue());
  EXPECT_FLOAT_EQ(0.4f, read->BranchLength.GetResult());
  EXPECT_FLOAT_EQ(3.1415927f / 2, read->BranchAngle.GetResult()) << "100 is a right angle";
  EXPECT_FLOAT_EQ(0.7f, read->Taper.GetResult());
  EXPECT_EQ(3u, read->BranchCount1.GetValue());
  EXPECT_EQ(4u, read->BranchCount2.GetValue());
  EXPECT_EQ(5u, read->BranchCount3.GetValue());
  EXPECT_FLOAT_EQ(0.2f, read->Flicker.GetResult());
  EXPECT_EQ(40u, read->GlowWidth.GetValue());
  EXPECT_EQ(-2, read->RandomEachTime.GetValue());
  EXPECT_EQ(0x00FFEEu, read->colour2.GetValue());
  EXPECT_EQ(L"strike", read->GetName());
  EXPECT_EQ(DS_TimeLineControl::kAlwaysVisible, read->TimeLine().mode.GetValue()) << "version 2 keeps the time line";
}

TEST(LightningRecordTest, VersionOneLegacyValuesBecomeTheTimeLine) {
  DS_LightningGN base;
  base.startPoint.SetValue(D3DXVECTOR3(0, 0, 0));
  base.endPoint.SetValue(D3DXVECTOR3(10, 0, 0));
  base.TimeLine().fadeIn.SetValue(999u);  // replaced by the legacy values
  DS_IOF_W w;
  w.WriteString(L"DS_LightningGN");
  w.WriteInt(1);
  for (unsigned v : {8u, 4u, 25u, 7u, 50u, 40u, 30u, 1u, 2u, 3u}) w.WriteUInt(v);
  for (unsigned v : {155u, 259u, 3001u, 1009u, 2000u, 5u, 6u}) w.WriteUInt(v);
  w.WriteUInt(15u);
  w.WriteUInt(24u);
  w.WriteLong(1);
  base.DS_StringGenerator::Write(w);
  bool whole = false;
  std::unique_ptr<DS_LightningGN> read = ReadItem<DS_LightningGN>(w.Bytes(), &whole);
  ASSERT_NE(nullptr, read);
  EXPECT_TRUE(whole);
  EXPECT_EQ(8u, read->CoreWidth.GetValue());
  EXPECT_EQ(3u, read->BranchCount3.GetValue());
  EXPECT_FLOAT_EQ(0.15f, read->Flicker.GetResult());
  EXPECT_EQ(24u, read->GlowWidth.GetValue());
  EXPECT_EQ(1, read->RandomEachTime.GetValue());
  const DS_TimeLineControl& timeLine = read->TimeLine();
  EXPECT_EQ(15u, timeLine.fadeIn.GetValue());
  EXPECT_FLOAT_EQ(0.15f, timeLine.FadeInSeconds()) << "assigned with notification";
  EXPECT_EQ(25u, timeLine.fadeOut.GetValue());
  EXPECT_EQ(300u, timeLine.shown.lo.GetValue());
  EXPECT_EQ(300u, timeLine.shown.hi.GetValue());
  EXPECT_EQ(100u, timeLine.hidden.lo.GetValue());
  EXPECT_EQ(200u, timeLine.hidden.hi.GetValue());
  EXPECT_EQ(DS_TimeLineControl::kCycle, timeLine.mode.GetValue());
  EXPECT_EQ(D3DXVECTOR3(10, 0, 0), read->endPoint.GetValue());
}

TEST(LightningRecordTest, TruncatedRecordIsNotReadAsAnItem) {
  DS_LightningGN written;
  PlainBolt(written);
  const std::vector<unsigned char> bytes = WrittenBytes(written);
  for (size_t cut : {size_t(20), size_t(60), bytes.size() - 1}) {
    const std::vector<unsigned char> cutBytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(cut));
    EXPECT_EQ(nullptr, ReadItem<DS_LightningGN>(cutBytes)) << cut;
  }
}

// ---- the bolt tree ----

TEST(LightningBoltTest, OneGenerationFromASeededSequence) {
  DS_LightningGN item;
  PlainBolt(item);
  item.Generations.SetValue(1u);
  item.Displacement.SetValue(250u);  // up to the segment's length
  item.Seed.SetValue(77u);
  std::srand(77);
  const float amount = 1.0f * (std::rand() / 32767.0f);
  const float sign = (std::rand() & 1) ? -1.0f : 1.0f;
  item.BuildBolt();

  // The midpoint moves along (d.y, -d.x) = (0, -100).
  const D3DXVECTOR3 a(100, 100, 0), b(200, 100, 0);
  const D3DXVECTOR3 m = D3DXVECTOR3(150, 100, 0) + amount * sign * D3DXVECTOR3(0, -100, 0);
  const D3DXVECTOR3 expected[] = {a, a + 0.67f * (m - a), b + 0.67f * (m - b), m + 0.67f * (b - m)};
  const BoltPointList& bolt = item.Bolt();
  ASSERT_EQ(4u, bolt.size());
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(expected[i].x, bolt[size_t(i)].position.x, 1e-3f) << i;
    EXPECT_NEAR(expected[i].y, bolt[size_t(i)].position.y, 1e-3f) << i;
    EXPECT_TRUE(bolt[size_t(i)].Branches.empty());
  }
}

TEST(LightningBoltTest, PointAndQuadCountsByGenerations) {
  const struct {
    unsigned generations;
    size_t points;
    int caps, segments;
  } cases[] = {{0, 2, 2, 1}, {1, 4, 2, 3}, {3, 16, 2, 15}, {6, 128, 2, 127}};
  for (const auto& c : cases) {
    DS_LightningGN item;
    PlainBolt(item);
    item.Displacement.SetValue(100u);
    item.Generations.SetValue(c.generations);
    item.BuildBolt();
    EXPECT_EQ(c.points, item.Bolt().size()) << c.generations;
    EXPECT_EQ(c.caps, DS_LightningGN::CountBoltCaps(item.Bolt())) << c.generations;
    EXPECT_EQ(c.segments, DS_LightningGN::CountBoltSegments(item.Bolt())) << c.generations;
  }
  EXPECT_EQ(0, DS_LightningGN::CountBoltCaps(BoltPointList()));
  EXPECT_EQ(0, DS_LightningGN::CountBoltSegments(BoltPointList()));
}

TEST(LightningBoltTest, NoGenerationsStopsAtTwoThirdsOfTheWay) {
  DS_LightningGN item;
  PlainBolt(item);
  item.BuildBolt();
  ASSERT_EQ(2u, item.Bolt().size());
  EXPECT_EQ(100.0f, item.Bolt()[0].position.x);
  EXPECT_NEAR(167.0f, item.Bolt()[1].position.x, 1e-4f);
  EXPECT_EQ(100.0f, item.Bolt()[1].position.y);
}

TEST(LightningBoltTest, WidthsTaperAndFadesRunFromStartToEnd) {
  const struct {
    unsigned taper;
    float widths[4];
  } cases[] = {
      {0, {1.0f, 1.0f, 1.0f, 1.0f}},           // F = 1
      {100, {0.75f, 0.5f, 0.25f, 0.0f}},       // F = 0: the end has no width
      {40, {0.9f, 0.8f, 0.7f, 0.6f}},          // F = 0.6
  };
  for (const auto& c : cases) {
    DS_LightningGN item;
    PlainBolt(item);
    item.Generations.SetValue(1u);
    item.Taper.SetValue(c.taper);
    item.BuildBolt();
    ASSERT_EQ(4u, item.Bolt().size());
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_NEAR(c.widths[i], item.Bolt()[i].Width, 1e-5f) << c.taper << " point " << i;
      EXPECT_NEAR(float(3 - i) / 3.0f, item.Bolt()[i].Fade, 1e-6f) << i;
    }
  }
}

TEST(LightningBoltTest, SecondLevelWithoutFirstLevelMakesNoBranches) {
  DS_LightningGN item;
  PlainBolt(item);
  item.Generations.SetValue(3u);
  item.BranchCount2.SetValue(5u);
  item.BranchCount3.SetValue(5u);
  item.BuildBolt();
  EXPECT_EQ(1, CountBolts(item.Bolt()));
}

TEST(LightningBoltTest, SlotsOnOnePointMakeOneBranch) {
  // Two points and three slots: the indices are the next three draws mod 2.
  for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
    DS_LightningGN item;
    PlainBolt(item);
    item.Seed.SetValue(seed);
    item.BranchCount1.SetValue(3u);
    item.BranchLength.SetValue(50u);
    std::srand(seed);
    std::set<int> indices;
    for (int i = 0; i < 3; ++i) indices.insert(std::rand() % 2);
    item.BuildBolt();
    const BoltPointList& bolt = item.Bolt();
    ASSERT_EQ(2u, bolt.size());
    EXPECT_EQ(int(indices.size()) + 1, CountBolts(bolt)) << seed;
    for (int i = 0; i < 2; ++i) {
      const BoltPointList& branch = bolt[size_t(i)].Branches;
      EXPECT_EQ(indices.count(i) ? 2u : 0u, branch.size()) << seed << " point " << i;
      if (branch.empty()) continue;
      EXPECT_EQ(bolt[size_t(i)].position, branch[0].position) << "a branch leaves its point";
      EXPECT_EQ(bolt[size_t(i)].Fade, branch[0].Fade) << "as bright as its point";
    }
  }
}

TEST(LightningBoltTest, BranchesFollowTheirAngleAndLength) {
  // A branch at the start point of a bolt along +x, at a right angle: it leaves
  // sideways, (0.5 to 1) x length x the distance to the end.
  DS_LightningGN item;
  PlainBolt(item);
  item.BranchCount1.SetValue(1u);
  item.BranchAngle.SetValue(100u);
  item.BranchLength.SetValue(50u);
  for (unsigned seed = 1; seed < 20; ++seed) {
    item.Seed.SetValue(seed);
    item.BuildBolt();
    const BoltPointList& bolt = item.Bolt();
    for (const BoltPoint& p : bolt) {
      if (p.Branches.empty()) continue;
      const float dist = 200.0f - p.position.x;
      // The branch's second point lies at 0.67 of its end: E = P + f x 0.5 x dist x (0, +-1).
      const D3DXVECTOR3 step = p.Branches[1].position - p.position;
      EXPECT_NEAR(0.0f, step.x, 1e-3f) << seed;
      const float reach = std::fabs(step.y) / 0.67f / (0.5f * dist);
      EXPECT_GE(reach, 0.5f - 1e-4f) << seed;
      EXPECT_LE(reach, 1.0f + 1e-4f) << seed;
    }
  }
}

TEST(LightningBoltTest, FixedSeedGivesTheSameBoltWhateverCameBefore) {
  DS_LightningGN item;
  PlainBolt(item);
  item.Generations.SetValue(4u);
  item.Displacement.SetValue(80u);
  item.BranchCount1.SetValue(3u);
  item.BranchCount2.SetValue(2u);
  item.BranchCount3.SetValue(2u);
  item.BranchLength.SetValue(40u);
  item.BranchAngle.SetValue(30u);
  item.Taper.SetValue(30u);
  item.BuildBolt();
  const BoltPointList first = item.Bolt();
  std::srand(999);
  std::rand();
  item.BuildBolt();
  ExpectSameTree(first, item.Bolt());
  std::unique_ptr<DS_ParticleGenerator> clone(item.Clone());
  ExpectSameTree(first, static_cast<DS_LightningGN*>(clone.get())->Bolt());

  item.RandomEachTime.SetValue(1);
  std::srand(5);
  item.BuildBolt();
  const BoltPointList random = item.Bolt();
  std::srand(5);
  item.BuildBolt();
  ExpectSameTree(random, item.Bolt());
  EXPECT_NE(first[1].position.y, random[1].position.y) << "not reseeded";
}

TEST(LightningBoltTest, BranchedTreeCountsMatchItsBolts) {
  DS_LightningGN item;
  PlainBolt(item);
  item.Generations.SetValue(5u);
  item.Displacement.SetValue(60u);
  item.BranchCount1.SetValue(6u);
  item.BranchCount2.SetValue(6u);
  item.BranchCount3.SetValue(6u);
  item.BranchLength.SetValue(60u);
  item.Seed.SetValue(3u);
  item.BuildBolt();
  const int bolts = CountBolts(item.Bolt());
  EXPECT_GT(bolts, 1);
  EXPECT_EQ(2 * bolts, DS_LightningGN::CountBoltCaps(item.Bolt()));
  EXPECT_EQ(CountPoints(item.Bolt()) - bolts, DS_LightningGN::CountBoltSegments(item.Bolt()));
}

TEST(LightningBoltTest, SettingsFromTheDocumentCannotExhaustTheMachine) {
  DS_LightningGN item;
  PlainBolt(item);
  item.Generations.SetValue(0xFFFFFFFFu);
  item.BranchCount1.SetValue(0xFFFFFFFFu);
  item.BranchCount2.SetValue(0xFFFFFFFFu);
  item.BranchCount3.SetValue(0xFFFFFFFFu);
  item.Displacement.SetValue(0xFFFFFFFFu);
  item.BranchLength.SetValue(100u);
  item.BuildBolt();
  EXPECT_EQ(size_t(2) << DS_LightningGN::kMaxGenerations, item.Bolt().size());
  EXPECT_LE(size_t(CountPoints(item.Bolt())), DS_LightningGN::kMaxTreePoints);

  DS_LightningGN branched;
  PlainBolt(branched);
  branched.Generations.SetValue(9u);
  branched.BranchCount1.SetValue(100000u);
  branched.BranchCount2.SetValue(100000u);
  branched.BranchCount3.SetValue(100000u);
  branched.BranchLength.SetValue(50u);
  branched.BuildBolt();
  EXPECT_GT(CountBolts(branched.Bolt()), 1);
  EXPECT_LE(size_t(CountPoints(branched.Bolt())), DS_LightningGN::kMaxTreePoints);
  const int quads = DS_LightningGN::CountBoltCaps(branched.Bolt()) + DS_LightningGN::CountBoltSegments(branched.Bolt());
  EXPECT_LE(unsigned(quads), DS_ParticlesObj::kMaxSlotQuads) << "the core slot holds the whole tree";
}

TEST(LightningBoltTest, StartOnTheEndPointStaysFinite) {
  DS_LightningGN item;
  PlainBolt(item);
  item.endPoint.SetValue(item.startPoint.GetValue());
  item.Generations.SetValue(3u);
  item.Displacement.SetValue(100u);
  item.BranchCount1.SetValue(2u);
  item.BranchLength.SetValue(50u);
  item.BranchAngle.SetValue(50u);
  item.BuildBolt();
  EXPECT_EQ(16u, item.Bolt().size());
  EXPECT_TRUE(AllFinite(item.Bolt()));
}

// ---- brightness and the appearance cycle ----

// A cycle of 1 s hidden, 2 s fading in, 1 s shown, 2 s fading out.
void CycleTimeLine(DS_LightningGN& item) {
  DS_TimeLineControl& timeLine = item.TimeLine();
  timeLine.mode.SetValue(DS_TimeLineControl::kCycle);
  timeLine.hidden.lo.SetValue(100u);
  timeLine.hidden.hi.SetValue(100u);
  timeLine.shown.lo.SetValue(100u);
  timeLine.shown.hi.SetValue(100u);
  timeLine.fadeIn.SetValue(200u);
  timeLine.fadeOut.SetValue(200u);
}

TEST(LightningIntensityTest, BrightnessByPhase) {
  DS_LightningGN item;
  PlainBolt(item);
  CycleTimeLine(item);
  std::unique_ptr<DS_ABObj> object(item.CreateObject());
  const DS_LightningGN& clone = *static_cast<DS_LightningGN*>(static_cast<DS_ParticlesObj*>(object.get())->GetGenerator());

  object->UpdateAt(0.0f);
  EXPECT_EQ(kPhaseInvisible, clone.TimeLine().GetPhase());
  EXPECT_EQ(0.0f, clone.BoltIntensity(0.5f));

  object->UpdateAt(0.5f);  // fading in from 0.5 to 2.5
  object->UpdateAt(1.5f);  // opacity 0.5
  ASSERT_EQ(kPhaseFadingIn, clone.TimeLine().GetPhase());
  const struct {
    float fade, intensity;
  } fadeIn[] = {{1.0f, 1.0f}, {0.8f, 1.0f}, {0.5f, 3 * (0.5f + 0.5f - 0.666f)}, {0.0f, 3 * (0.5f - 0.666f)}};
  for (const auto& c : fadeIn) EXPECT_NEAR(c.intensity, clone.BoltIntensity(c.fade), 1e-5f) << c.fade;

  object->UpdateAt(2.6f);  // shown until 3.6
  ASSERT_EQ(kPhaseVisible, clone.TimeLine().GetPhase());
  EXPECT_EQ(1.0f, clone.BoltIntensity(0.3f)) << "no flicker";

  object->UpdateAt(3.7f);  // fading out until 5.7
  object->UpdateAt(4.7f);
  ASSERT_EQ(kPhaseFadingOut, clone.TimeLine().GetPhase());
  EXPECT_NEAR(0.25f, clone.BoltIntensity(1.0f), 1e-5f);
  EXPECT_NEAR(0.25f, clone.BoltIntensity(0.0f), 1e-5f) << "dims uniformly";
}

TEST(LightningIntensityTest, FlickerFollowsTheNoiseForTheWholeBolt) {
  DS_LightningGN item;
  PlainBolt(item);
  item.Flicker.SetValue(40u);
  std::set<float> seen;
  for (int i = 0; i < 50; ++i) {
    item.Update(i * 0.013f, nullptr);
    const float intensity = item.BoltIntensity(0.5f);
    // Four octaves of noise lie within +-1.875: 1 - (noise + 1) x 0.4 / 2.
    EXPECT_GE(intensity, 1.0f - 2.875f * 0.2f - 1e-5f);
    EXPECT_LE(intensity, 1.0f + 0.875f * 0.2f + 1e-5f);
    EXPECT_EQ(intensity, item.BoltIntensity(0.9f)) << "the same for every point";
    seen.insert(intensity);
  }
  EXPECT_GT(seen.size(), 10u);
}

TEST(LightningCycleTest, BoltIsBuiltOnAppearanceAndKeptUntilHidden) {
  for (int randomEachTime : {0, 1}) {
    DS_LightningGN item;
    PlainBolt(item);
    CycleTimeLine(item);
    item.Generations.SetValue(3u);
    item.Displacement.SetValue(100u);
    item.RandomEachTime.SetValue(randomEachTime);
    std::unique_ptr<DS_ABObj> object(item.CreateObject());
    const DS_LightningGN& clone =
        *static_cast<DS_LightningGN*>(static_cast<DS_ParticlesObj*>(object.get())->GetGenerator());
    std::srand(42);
    object->UpdateAt(0.0f);
    EXPECT_FALSE(clone.IsBuilt());
    object->UpdateAt(0.5f);  // fading in: built
    EXPECT_TRUE(clone.IsBuilt());
    const BoltPointList first = clone.Bolt();
    for (float t : {1.5f, 2.6f, 3.0f, 3.7f, 5.0f}) {
      object->UpdateAt(t);
      std::rand();
      ExpectSameTree(first, clone.Bolt());
    }
    object->UpdateAt(5.8f);  // hidden
    EXPECT_FALSE(clone.IsBuilt());
    object->UpdateAt(6.9f);  // the next appearance
    EXPECT_TRUE(clone.IsBuilt());
    if (randomEachTime == 0) {
      ExpectSameTree(first, clone.Bolt());
    } else {
      EXPECT_NE(first[1].position.y, clone.Bolt()[1].position.y);
    }
    EXPECT_FLOAT_EQ(6.9f, clone.GetLastTime());
    object->Reset();
    EXPECT_EQ(0.0f, clone.GetLastTime());
  }
}

// ---- quads ----

// The midpoint of two vertices, as a vertex.
DX_V::PCT MidVertex(const DX_V::PCT& a, const DX_V::PCT& b) {
  DX_V::PCT c = a;
  c.x = (a.x + b.x) / 2;
  c.y = (a.y + b.y) / 2;
  c.z = (a.z + b.z) / 2;
  return c;
}

class LightningQuadTest : public StrokeDeviceTest {
protected:
  // The quads of `slot`.
  std::vector<DX_V::PCT> Vertices(int slot) { return particles_test::SlotVertices(*object, slot); }
};

TEST_F(LightningQuadTest, StraightBoltMakesTipsCoreGlowAndCaps) {
  DS_LightningGN item;
  PlainBolt(item);
  item.colour1.SetValue(0x0000FF);  // red
  item.colour2.SetValue(0xFF0000);  // blue
  item.colour2.Opacity().SetValue(20u);
  MakeObject(item);
  object->Update(0.0f);
  ASSERT_EQ(3u, object->GetQuadCount(0));
  ASSERT_EQ(1u, object->GetQuadCount(1));
  ASSERT_EQ(2u, object->GetQuadCount(2));
  const std::vector<DX_V::PCT> core = Vertices(0), glow = Vertices(1), caps = Vertices(2);
  ASSERT_EQ(12u, core.size());

  const struct {
    const std::vector<DX_V::PCT>* quads;
    int vertex;
    D3DXVECTOR3 position;
    float u, v;
    D3DCOLOR color;
    const char* what;
  } rows[] = {
      // The start tip points away from the bolt, half the core width long.
      {&core, 0, D3DXVECTOR3(100, 95, 0), 0.0f, 1.0f, 0xFFFF0000, "start tip, at the point"},
      {&core, 1, D3DXVECTOR3(100, 105, 0), 0.0f, 0.0f, 0xFFFF0000, "start tip, at the point"},
      {&core, 2, D3DXVECTOR3(95, 95, 0), 0.5f, 1.0f, 0x00FF0000, "start tip, far edge"},
      {&core, 3, D3DXVECTOR3(95, 105, 0), 0.5f, 0.0f, 0x00FF0000, "start tip, far edge"},
      // The one segment: 67 px, u grows by 67 / 10.
      {&core, 4, D3DXVECTOR3(100, 105, 0), 0.0f, 1.0f, 0xFFFF0000, "core"},
      {&core, 5, D3DXVECTOR3(100, 95, 0), 0.0f, 0.0f, 0xFFFF0000, "core"},
      {&core, 6, D3DXVECTOR3(167, 105, 0), 6.7f, 1.0f, 0xFFFF0000, "core"},
      {&core, 7, D3DXVECTOR3(167, 95, 0), 6.7f, 0.0f, 0xFFFF0000, "core"},
      // The end tip: 7 px on, narrowing from 10 to 7.
      {&core, 8, D3DXVECTOR3(167, 105, 0), 6.7f, 1.0f, 0xFFFF0000, "end tip, at the point"},
      {&core, 9, D3DXVECTOR3(167, 95, 0), 6.7f, 0.0f, 0xFFFF0000, "end tip, at the point"},
      {&core, 10, D3DXVECTOR3(174, 103.5f, 0), 7.4f, 1.0f, 0x00FF0000, "end tip, far edge"},
      {&core, 11, D3DXVECTOR3(174, 96.5f, 0), 7.4f, 0.0f, 0x00FF0000, "end tip, far edge"},
      {&glow, 0, D3DXVECTOR3(100, 115, 0), 0.0f, 1.0f, 0xCC0000FF, "glow"},
      {&glow, 3, D3DXVECTOR3(167, 85, 0), 6.7f, 0.0f, 0xCC0000FF, "glow"},
      {&caps, 0, D3DXVECTOR3(85, 115, 0), 0.0f, 1.0f, 0xCC0000FF, "start cap"},
      {&caps, 3, D3DXVECTOR3(115, 85, 0), 1.0f, 0.0f, 0xCC0000FF, "start cap"},
      {&caps, 4, D3DXVECTOR3(152, 115, 0), 0.0f, 1.0f, 0xCC0000FF, "end cap"},
      {&caps, 7, D3DXVECTOR3(182, 85, 0), 1.0f, 0.0f, 0xCC0000FF, "end cap"},
  };
  for (const auto& r : rows) {
    ASSERT_LT(size_t(r.vertex), r.quads->size()) << r.what;
    const DX_V::PCT& v = (*r.quads)[size_t(r.vertex)];
    ExpectNear(r.position, v, r.what);
    EXPECT_NEAR(r.u, v.u, 1e-4f) << r.what << " " << r.vertex;
    EXPECT_NEAR(r.v, v.v, 1e-4f) << r.what << " " << r.vertex;
    EXPECT_EQ(r.color, v.color) << r.what << " " << r.vertex;
  }
}

TEST_F(LightningQuadTest, StripsAreSeamlessAndCountersMatchTheTree) {
  DS_LightningGN item;
  PlainBolt(item);
  item.Generations.SetValue(3u);
  item.Displacement.SetValue(120u);
  item.Taper.SetValue(50u);
  item.Seed.SetValue(9u);
  item.BranchCount1.SetValue(2u);
  item.BranchLength.SetValue(40u);
  item.BranchAngle.SetValue(40u);
  DS_LightningGN& clone = MakeObject(item);
  object->Update(0.0f);
  const int caps = DS_LightningGN::CountBoltCaps(clone.Bolt());
  const int segments = DS_LightningGN::CountBoltSegments(clone.Bolt());
  EXPECT_EQ(unsigned(caps + segments), object->GetQuadCount(0));
  EXPECT_EQ(unsigned(segments), object->GetQuadCount(1));
  EXPECT_EQ(unsigned(caps), object->GetQuadCount(2));

  // The main bolt's glow strips in slot 1: segment j (ending at point j) follows the
  // strips of the branches that leave points 0 .. j - 1; each starts where the one
  // before it ends.
  const std::vector<DX_V::PCT> glow = Vertices(1);
  const BoltPointList& bolt = clone.Bolt();
  ASSERT_EQ(16u, bolt.size());
  EXPECT_GT(CountBolts(bolt), 1) << "the case needs a branch";
  std::vector<size_t> index(bolt.size(), 0);
  int branchSegments = 0;
  for (size_t j = 1; j < bolt.size(); ++j) {
    branchSegments += DS_LightningGN::CountBoltSegments(bolt[j - 1].Branches);
    index[j] = (j - 1) + size_t(branchSegments);
  }
  ASSERT_GE(glow.size(), 4 * (index.back() + 1));
  for (size_t j = 2; j < bolt.size(); ++j) {
    const DX_V::PCT* earlier = &glow[4 * index[j - 1]];
    const DX_V::PCT* later = &glow[4 * index[j]];
    ExpectNear(D3DXVECTOR3(earlier[2].x, earlier[2].y, 0), later[0], "shared edge");
    ExpectNear(D3DXVECTOR3(earlier[3].x, earlier[3].y, 0), later[1], "shared edge");
    EXPECT_NEAR(earlier[2].u, later[0].u, 1e-4f) << j;
  }
  // The first segment starts on the first point, the last ends on the last one.
  ExpectNear(bolt[0].position, MidVertex(glow[4 * index[1]], glow[4 * index[1] + 1]), "start");
  ExpectNear(bolt.back().position, MidVertex(glow[4 * index.back() + 2], glow[4 * index.back() + 3]), "end");
}

TEST_F(LightningQuadTest, BoltBeyondASlotIsCappedNotOverrun) {
  DS_LightningGN item;
  PlainBolt(item);
  item.Generations.SetValue(12u);
  item.BranchCount1.SetValue(4000u);
  item.BranchCount2.SetValue(4000u);
  item.BranchLength.SetValue(50u);
  DS_LightningGN& clone = MakeObject(item);
  object->Update(0.0f);
  const int caps = DS_LightningGN::CountBoltCaps(clone.Bolt());
  const int segments = DS_LightningGN::CountBoltSegments(clone.Bolt());
  EXPECT_EQ(unsigned(caps + segments), object->GetQuadCount(0));
  EXPECT_LE(object->GetQuadCount(0), DS_ParticlesObj::kMaxSlotQuads);
}

// ---- drawing ----

TEST_F(LightningQuadTest, CoreThenGlowIntoThePairThenOneCompositePass) {
  DS_LightningGN item;
  PlainBolt(item);
  EmbedEffect(item.effectLink);
  DS_LightningGN& clone = MakeObject(item);
  clone.textureSets = {&greenSet};
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  ASSERT_NE(nullptr, clone.GetTarget()) << "acquired when prepared";
  object->Update(0.0f);
  Draw();
  EXPECT_TRUE(BackBufferIsTarget());

  const std::vector<std::string> techniques = effect->Techniques();
  ASSERT_EQ(2u, techniques.size());
  EXPECT_EQ("BlendMask_MaxWrapU", techniques[0]) << "the bolt's picture repeats along it";
  EXPECT_EQ("Main", techniques[1]);
  EXPECT_EQ(3, effect->BeginCount()) << "core, glow, composite";
  DS_RenderTargetPair* pair = clone.GetTarget();
  IDirect3DTexture9* glowPicture = pair->GetCurrent().Get();
  IDirect3DTexture9* corePicture = pair->GetTexture(0).Get() == glowPicture ? pair->GetTexture(1).Get()
                                                                            : pair->GetTexture(0).Get();
  const FakeEffect::ParamSet* texture1 = effect->Last("Texture1");
  const FakeEffect::ParamSet* texture2 = effect->Last("Texture2");
  const FakeEffect::ParamSet* texture3 = effect->Last("Texture3");
  ASSERT_TRUE(texture1 && texture2 && texture3);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(layer.scene.Get()), texture1->texture);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(glowPicture), texture2->texture);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(corePicture), texture3->texture);
  EXPECT_EQ("Texture1", effect->ParamSets()[0].name);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(green.Get()), effect->ParamSets()[0].texture) << "the bolt picture";
}

TEST_F(LightningQuadTest, AnEffectWithoutTheRepeatingMaskPassDrawsTheBoltWithItsMaskPass) {
  // An effect made before the bolt's picture repeated along it has only the mask pass
  // the other glowing families share: the bolt is still drawn, its picture clamped as
  // it then was.
  factory.DeclareTechniques({"BlendMask_Max", "Main"});
  DS_LightningGN item;
  PlainBolt(item);
  EmbedEffect(item.effectLink);
  DS_LightningGN& clone = MakeObject(item);
  clone.textureSets = {&greenSet};
  FakeEffect* effect = factory.LastEffect();
  ASSERT_NE(nullptr, effect);
  object->Update(0.0f);
  Draw();

  const std::vector<std::string> techniques = effect->Techniques();
  ASSERT_EQ(2u, techniques.size());
  EXPECT_EQ("BlendMask_Max", techniques[0]);
  EXPECT_EQ("Main", techniques[1]);
  EXPECT_EQ(3, effect->BeginCount()) << "core, glow, composite";
}

TEST_F(LightningQuadTest, WithoutEffectOrPictureNothingIsDrawn) {
  DS_LightningGN item;
  PlainBolt(item);
  DS_LightningGN& clone = MakeObject(item);
  clone.textureSets = {&greenSet};
  object->Update(0.0f);
  Draw();
  EXPECT_TRUE(BackBufferIsTarget());
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x404040u, image.RgbAt(130, 100));
}

}  // namespace
