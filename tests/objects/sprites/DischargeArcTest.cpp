// The discharge arc without a device: its polylines (straight, jittered, with
// coinciding points, bounded by the sprite cap), their renewal and morph, the
// segment walk with its texture halves and u ranges, its record and its clone.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "ArcsTestSupport.h"
#include "document/ClassRegistry.h"
#include "objects/sprites/DischargeArcs.h"
#include "objects/sprites/SpriteParticle.h"

namespace {

using sprites2_test::Between;
using sprites2_test::Odd;
using sprites2_test::Reading;
using sprites2_test::RunClock;
using sprites2_test::SeededDraws;
using sprites2_test::WrittenBytes;

testing::AssertionResult Near(const D3DXVECTOR3& expected, const D3DXVECTOR3& got, float tolerance = 1e-3f) {
  const D3DXVECTOR3 d = got - expected;
  if (std::fabs(d.x) <= tolerance && std::fabs(d.y) <= tolerance && std::fabs(d.z) <= tolerance)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "expected (" << expected.x << ", " << expected.y << ", " << expected.z
                                     << "), got (" << got.x << ", " << got.y << ", " << got.z << ")";
}

bool Finite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The joints of a polyline that starts at `start`: each segment's far end is its
// centre mirrored through its near end.
std::vector<D3DXVECTOR3> Joints(const std::vector<ArcSegment>& line, const D3DXVECTOR3& start) {
  std::vector<D3DXVECTOR3> joints = {start};
  for (const ArcSegment& s : line) joints.push_back(2.0f * s.centre - joints.back());
  return joints;
}

// An arc whose polylines are laid out for `count` sprites.
void LayOut(DS_DischargeFXConstructor& arc, unsigned int count) {
  arc.spriteCount.SetValue(count);
  DS_SpriteParticle sprite;
  arc.InitParticle(sprite);
}

struct ArcCase {
  const char* what;
  D3DXVECTOR3 start;
  D3DXVECTOR3 end;
  unsigned int segments;
  unsigned int jitter;  // stored percent
  bool straight;        // every segment on the line, all of the same length
};

class BuildArcTest : public ::testing::TestWithParam<ArcCase> {};

TEST_P(BuildArcTest, SegmentsChainFromStartToEnd) {
  const ArcCase& c = GetParam();
  DS_DischargeFXConstructor arc;
  arc.startPoint.SetValue(c.start);
  arc.endPoint.SetValue(c.end);
  arc.jitter.SetValue(c.jitter);
  std::srand(7);
  std::vector<ArcSegment> line(c.segments);
  arc.BuildArc(line);

  const D3DXVECTOR3 whole = c.end - c.start;
  const float total = D3DXVec3Length(&whole);
  const std::vector<D3DXVECTOR3> joints = Joints(line, c.start);
  for (size_t g = 0; g < line.size(); ++g) {
    const ArcSegment& s = line[g];
    ASSERT_TRUE(Finite(s.centre) && Finite(s.direction) && Finite(s.perpendicular) && std::isfinite(s.length))
        << c.what << ": segment " << g;
    EXPECT_GE(s.length, 0.0f);
    const D3DXVECTOR3 run = joints[g + 1] - joints[g];
    EXPECT_NEAR(s.length, D3DXVec3Length(&run), 1e-3f) << c.what << ": segment " << g << " spans its length";
    if (c.straight) {
      EXPECT_NEAR(total / float(c.segments), s.length, 1e-3f) << c.what << ": segment " << g;
      EXPECT_TRUE(Near(c.start + whole * (float(g) + 0.5f) / float(c.segments), s.centre)) << c.what << ": " << g;
    }
  }
  EXPECT_TRUE(Near(c.end, joints.back())) << c.what << ": the last segment ends on the end point";
  if (total > 0.0f) {
    const D3DXVECTOR3 towardEnd = c.end - joints[line.size() - 1];
    D3DXVECTOR3 unit;
    D3DXVec3Normalize(&unit, &towardEnd);
    EXPECT_TRUE(Near(unit, line.back().direction, 1e-5f)) << c.what << ": the last segment points at the end";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BuildArcTest,
    ::testing::Values(ArcCase{"one segment", D3DXVECTOR3(10, 20, 0), D3DXVECTOR3(110, 20, 0), 1, 50, true},
                      ArcCase{"no jitter", D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(90, 120, 0), 5, 0, true},
                      ArcCase{"jittered", D3DXVECTOR3(-40, 300, 0), D3DXVECTOR3(500, 20, 0), 9, 50, false},
                      ArcCase{"wild jitter", D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(100, 100, 0), 12, 400, false},
                      ArcCase{"coinciding points", D3DXVECTOR3(40, 40, 0), D3DXVECTOR3(40, 40, 0), 4, 50, true}));

TEST(DischargeArcTest, OneSegmentSpansStartToEnd) {
  DS_DischargeFXConstructor arc;
  arc.startPoint.SetValue(D3DXVECTOR3(10, 20, 0));
  arc.endPoint.SetValue(D3DXVECTOR3(110, 20, 0));
  std::vector<ArcSegment> line(1);
  arc.BuildArc(line);
  EXPECT_TRUE(Near(D3DXVECTOR3(60, 20, 0), line[0].centre));
  EXPECT_TRUE(Near(D3DXVECTOR3(1, 0, 0), line[0].direction));
  EXPECT_TRUE(Near(D3DXVECTOR3(0, -1, 0), line[0].perpendicular)) << "(T.y, -T.x, 0) normalised";
  EXPECT_FLOAT_EQ(100.0f, line[0].length);
}

TEST(DischargeArcTest, CoincidingPointsGiveZeroSegmentsAtTheStart) {
  DS_DischargeFXConstructor arc;
  const D3DXVECTOR3 point(40, 40, 0);
  arc.startPoint.SetValue(point);
  arc.endPoint.SetValue(point);
  std::vector<ArcSegment> line(3);
  arc.BuildArc(line);
  for (const ArcSegment& s : line) {
    EXPECT_EQ(point, s.centre);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), s.direction);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), s.perpendicular);
    EXPECT_EQ(0.0f, s.length);
  }
}

TEST(DischargeArcTest, JitterDeflectsByTheSwappedRemainingVector) {
  DS_DischargeFXConstructor arc;
  arc.startPoint.SetValue(D3DXVECTOR3(0, 0, 0));
  arc.endPoint.SetValue(D3DXVECTOR3(300, 100, 10));
  arc.jitter.SetValue(50u);
  const std::vector<int> draws = SeededDraws(21, 2);
  std::vector<ArcSegment> line(3);
  arc.BuildArc(line);
  const float r1 = Between(draws[0], -0.5f, 0.5f);
  const float r2 = Between(draws[1], -0.5f, 0.5f);
  D3DXVECTOR3 w(300 + r1 * 100, 100 + r2 * 300, 20), unit;
  D3DXVec3Normalize(&unit, &w);
  EXPECT_TRUE(Near(unit, line[0].direction, 1e-5f));
  const D3DXVECTOR3 whole(300, 100, 10);
  EXPECT_NEAR(D3DXVec3Length(&whole) / 3.0f, line[0].length, 1e-3f);
}

TEST(DischargeArcTest, EmptyPolylineIsLeftAlone) {
  DS_DischargeFXConstructor arc;
  std::vector<ArcSegment> line;
  std::srand(3);
  arc.BuildArc(line);
  EXPECT_TRUE(line.empty());
  std::srand(3);
  const int first = std::rand();
  std::srand(3);
  EXPECT_EQ(first, std::rand()) << "nothing drawn";
}

TEST(DischargeArcTest, InitParticleLaysOutBothPolylines) {
  DS_DischargeFXConstructor arc;
  arc.startPoint.SetValue(D3DXVECTOR3(0, 50, 0));
  arc.endPoint.SetValue(D3DXVECTOR3(200, 50, 0));
  LayOut(arc, 6);
  ASSERT_EQ(6u, arc.GetPolylineA().size());
  ASSERT_EQ(6u, arc.GetPolylineB().size());
  EXPECT_TRUE(Near(D3DXVECTOR3(200, 50, 0), Joints(arc.GetPolylineA(), D3DXVECTOR3(0, 50, 0)).back()));
  EXPECT_TRUE(Near(D3DXVECTOR3(200, 50, 0), Joints(arc.GetPolylineB(), D3DXVECTOR3(0, 50, 0)).back()));
}

TEST(DischargeArcTest, SpriteCountBeyondTheCapIsBoundedBeforeLayout) {
  DS_DischargeFXConstructor arc;
  arc.endPoint.SetValue(D3DXVECTOR3(100, 0, 0));
  LayOut(arc, 0xFFFFFFFFu);
  EXPECT_EQ(ParticleGeomArray::kMaxSprites, arc.GetPolylineA().size());
  EXPECT_EQ(ParticleGeomArray::kMaxSprites, arc.GetPolylineB().size());
}

TEST(DischargeArcTest, GeometryAtTheCapMakesOneArcAndEndsItOnTheLastDrawnSegment) {
  DS_DischargeFXConstructor arc;
  arc.endPoint.SetValue(D3DXVECTOR3(1000, 0, 0));
  arc.spriteCount.SetValue(ParticleGeomArray::kMaxSprites + 5);
  ParticleGeomArray geometry;
  geometry.item = &arc;
  geometry.BindCountParam();  // every sprite asks for the layout
  ASSERT_EQ(size_t(ParticleGeomArray::kMaxSprites), geometry.sprites.size());
  EXPECT_EQ(ParticleGeomArray::kMaxSprites, arc.GetPolylineA().size());
  arc.UpdateEffect();
  geometry.Update(0.01f);
  EXPECT_FLOAT_EQ(0.0f, geometry.sprites.front()->uLeft);
  EXPECT_FLOAT_EQ(1.0f, geometry.sprites.back()->uRight) << "the last segment drawn takes the picture's end";
}

TEST(DischargeArcTest, PolylinesRenewEveryTenthOfASecondOfControlTime) {
  DS_DischargeFXConstructor arc;
  arc.endPoint.SetValue(D3DXVECTOR3(100, 100, 0));
  LayOut(arc, 4);
  const std::vector<ArcSegment> firstB = arc.GetPolylineB();

  RunClock(arc, {0.05f});
  arc.UpdateEffect();
  EXPECT_EQ(0.0f, arc.GetRenewalTime()) << "not yet due";

  RunClock(arc, {0.15f});
  const float now = arc.GetAccumulatedTime();
  arc.UpdateEffect();
  EXPECT_EQ(now, arc.GetRenewalTime());
  ASSERT_EQ(4u, arc.GetPolylineA().size());
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(firstB[i].centre, arc.GetPolylineA()[i].centre) << "A := B, segment " << i;
    EXPECT_EQ(firstB[i].length, arc.GetPolylineA()[i].length);
  }
  EXPECT_NE(firstB[0].centre, arc.GetPolylineB()[0].centre) << "a fresh B";

  RunClock(arc, {0.2f});
  arc.UpdateEffect();
  EXPECT_EQ(now, arc.GetRenewalTime()) << "0.05 s after the renewal";
}

TEST(DischargeArcTest, RestartedClockRenewsAtOnceInsteadOfMorphingBackwards) {
  DS_DischargeFXConstructor arc;
  arc.endPoint.SetValue(D3DXVECTOR3(100, 100, 0));
  LayOut(arc, 2);
  RunClock(arc, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f});
  arc.UpdateEffect();
  ASSERT_GT(arc.GetRenewalTime(), 0.3f);

  arc.Reset();  // the slide is shown again: the control clock starts from zero
  RunClock(arc, {0.02f});
  arc.UpdateEffect();
  EXPECT_EQ(arc.GetAccumulatedTime(), arc.GetRenewalTime());
  DS_SpriteParticle sprite;
  arc.UpdateParticle(sprite);
  EXPECT_TRUE(Near(arc.GetPolylineA()[0].centre, sprite.position, 1e-4f)) << "no morph factor below zero";
}

TEST(DischargeArcTest, LerpSegmentBlendsEveryMember) {
  ArcSegment a, b;
  a.centre = D3DXVECTOR3(0, 0, 0);
  a.direction = D3DXVECTOR3(1, 0, 0);
  a.perpendicular = D3DXVECTOR3(0, -1, 0);
  a.length = 10;
  b.centre = D3DXVECTOR3(20, 40, 0);
  b.direction = D3DXVECTOR3(0, 1, 0);
  b.perpendicular = D3DXVECTOR3(1, 0, 0);
  b.length = 30;
  const ArcSegment half = DS_DischargeFXConstructor::LerpSegment(a, b, 0.5f);
  EXPECT_EQ(D3DXVECTOR3(10, 20, 0), half.centre);
  EXPECT_EQ(D3DXVECTOR3(0.5f, 0.5f, 0), half.direction);
  EXPECT_EQ(D3DXVECTOR3(0.5f, -0.5f, 0), half.perpendicular);
  EXPECT_EQ(20.0f, half.length);
  EXPECT_EQ(b.centre, DS_DischargeFXConstructor::LerpSegment(a, b, 1.0f).centre);
  EXPECT_EQ(a.length, DS_DischargeFXConstructor::LerpSegment(a, b, 0.0f).length);
}

TEST(DischargeArcTest, SegmentsMorphFromATowardB) {
  DS_DischargeFXConstructor arc;
  arc.endPoint.SetValue(D3DXVECTOR3(120, 0, 0));
  arc.spriteSize.SetValue(30u);
  LayOut(arc, 3);
  RunClock(arc, {0.04f});  // 0.04 s after the renewal at 0: f = 0.04 x 5
  arc.UpdateEffect();
  const float f = arc.GetAccumulatedTime() * arc.morphSpeed.GetResult();
  for (size_t i = 0; i < 3; ++i) {
    DS_SpriteParticle sprite;
    sprite.velocity = D3DXVECTOR3(1, 2, 3);
    arc.UpdateParticle(sprite);
    const ArcSegment s = DS_DischargeFXConstructor::LerpSegment(arc.GetPolylineA()[i], arc.GetPolylineB()[i], f);
    EXPECT_EQ(s.centre, sprite.position) << "segment " << i;
    EXPECT_EQ(s.direction, sprite.xAxis);
    EXPECT_EQ(s.perpendicular, sprite.yAxis);
    EXPECT_FLOAT_EQ(s.length * 0.5f, sprite.halfWidth);
    EXPECT_FLOAT_EQ(15.0f, sprite.halfHeight);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), sprite.velocity);
  }
}

struct URangeCase {
  unsigned int sprites;
  std::vector<std::pair<float, float>> expected;
};

class URangeTest : public ::testing::TestWithParam<URangeCase> {};

TEST_P(URangeTest, PictureEndsOnlyAtTheArcEnds) {
  const URangeCase& c = GetParam();
  DS_DischargeFXConstructor arc;
  arc.endPoint.SetValue(D3DXVECTOR3(100, 0, 0));
  LayOut(arc, c.sprites);
  for (int frame = 0; frame < 2; ++frame) {
    arc.UpdateEffect();  // each frame walks from the first segment
    for (size_t i = 0; i < c.expected.size(); ++i) {
      DS_SpriteParticle sprite;
      arc.UpdateParticle(sprite);
      EXPECT_FLOAT_EQ(c.expected[i].first, sprite.uLeft) << "segment " << i;
      EXPECT_FLOAT_EQ(c.expected[i].second, sprite.uRight) << "segment " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, URangeTest,
                         ::testing::Values(URangeCase{1, {{0.0f, 1.0f}}},
                                           URangeCase{2, {{0.0f, 0.805f}, {0.195f, 1.0f}}},
                                           URangeCase{3, {{0.0f, 0.805f}, {0.195f, 0.805f}, {0.195f, 1.0f}}}));

TEST(DischargeArcTest, EachUpdateWithTimeElapsedRepicksATextureHalf) {
  DS_DischargeFXConstructor arc;  // default flicker interval: 0 s
  LayOut(arc, 1);
  DS_SpriteParticle sprite;
  RunClock(arc, {0.05f});
  arc.UpdateEffect();
  const std::vector<int> draws = SeededDraws(11, 2);
  arc.UpdateParticle(sprite);
  const float lo = Odd(draws[0]) ? 0.0f : 0.5f;
  const float hi = lo + 0.5f;
  EXPECT_FLOAT_EQ(Odd(draws[1]) ? hi : lo, sprite.vTop);
  EXPECT_FLOAT_EQ(Odd(draws[1]) ? lo : hi, sprite.vBottom);
  EXPECT_FLOAT_EQ(0.05f, sprite.timer);

  // No time elapsed: the half stays and nothing is drawn.
  const float vTop = sprite.vTop;
  std::srand(5);
  arc.UpdateEffect();
  arc.UpdateParticle(sprite);
  EXPECT_EQ(vTop, sprite.vTop);
  std::srand(5);
  const int next = std::rand();
  std::srand(5);
  EXPECT_EQ(next, std::rand());
}

TEST(DischargeArcTest, FlickerWaitsForItsInterval) {
  DS_DischargeFXConstructor arc;
  arc.flickerInterval.SetValue(0u);  // 0.1 s
  LayOut(arc, 1);
  DS_SpriteParticle sprite;
  RunClock(arc, {0.05f});
  arc.UpdateEffect();
  arc.UpdateParticle(sprite);
  EXPECT_EQ(0.0f, sprite.timer) << "0.05 s is not past 0.1 s";
  RunClock(arc, {0.12f});
  arc.UpdateEffect();
  arc.UpdateParticle(sprite);
  EXPECT_FLOAT_EQ(0.12f, sprite.timer);
}

TEST(DischargeArcTest, FlickerResumesAtOnceAfterTheLocalTimeRestarts) {
  DS_DischargeFXConstructor arc;
  LayOut(arc, 1);
  DS_SpriteParticle sprite;
  sprite.timer = 30.0f;  // from the slide's previous showing
  RunClock(arc, {0.02f});
  arc.UpdateEffect();
  arc.UpdateParticle(sprite);
  EXPECT_FLOAT_EQ(0.02f, sprite.timer);
}

TEST(DischargeArcTest, DefaultsOfTheItem) {
  DS_DischargeFXConstructor arc;
  EXPECT_EQ(L"common_res.dll", arc.effectLink.GetPath());
  EXPECT_EQ(97, arc.effectLink.GetStamp());
  EXPECT_EQ(50u, arc.spriteSize.GetValue());
  EXPECT_EQ(1, arc.additive.GetValue());
  EXPECT_EQ(0xFFFFCCu, arc.colour.GetValue());
  EXPECT_EQ(0xFF9900u, arc.glowColour.GetValue());
  EXPECT_FLOAT_EQ(0.5f, arc.jitter.GetResult());
  EXPECT_EQ(1, arc.corePicture.GetValue());
  EXPECT_EQ(95, arc.GetCorePictureId());
  EXPECT_NEAR(0.0f, arc.flickerInterval.GetResult(), 1e-6f);
  EXPECT_FLOAT_EQ(5.0f, arc.morphSpeed.GetResult());
  arc.corePicture.SetValue(0);
  EXPECT_EQ(98, arc.GetCorePictureId());
}

// ---- Record and clone ----

DS_DischargeFXConstructor& Configure(DS_DischargeFXConstructor& arc) {
  arc.startPoint.SetValue(D3DXVECTOR3(12.5f, -3.0f, 0.25f));
  arc.endPoint.SetValue(D3DXVECTOR3(400.0f, 220.0f, -1.0f));
  arc.jitter.SetValue(80u);
  arc.corePicture.SetValue(0);
  arc.flickerInterval.SetValue(40u);
  arc.morphSpeed.SetValue(20u);
  arc.glowColour.SetValue(0x123456u);
  arc.intensity.SetValue(70u);
  arc.spriteCount.SetValue(9u);
  arc.SetName(L"arc");
  return arc;
}

void ExpectConfigured(const DS_DischargeFXConstructor& arc) {
  EXPECT_EQ(D3DXVECTOR3(12.5f, -3.0f, 0.25f), arc.startPoint.GetValue());
  EXPECT_EQ(D3DXVECTOR3(400.0f, 220.0f, -1.0f), arc.endPoint.GetValue());
  EXPECT_FLOAT_EQ(0.8f, arc.jitter.GetResult()) << "assigned with notification";
  EXPECT_EQ(0, arc.corePicture.GetValue());
  EXPECT_FLOAT_EQ(0.06f, arc.flickerInterval.GetResult());
  EXPECT_FLOAT_EQ(2.0f, arc.morphSpeed.GetResult());
  EXPECT_EQ(0x123456u, arc.glowColour.GetValue());
  EXPECT_FLOAT_EQ(0.7f, arc.intensity.GetResult());
  EXPECT_EQ(9u, arc.spriteCount.GetValue());
  EXPECT_EQ(L"arc", arc.GetName());
}

TEST(DischargeArcRecordTest, ReadsBackThroughTheRegistry) {
  DS_DischargeFXConstructor written;
  Configure(written);
  const std::vector<unsigned char> bytes = WrittenBytes(written);
  Reading reading(bytes);
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft()) << "the reader left part of the record";
  const DS_DischargeFXConstructor* read = dynamic_cast<DS_DischargeFXConstructor*>(item.get());
  ASSERT_NE(nullptr, read);
  ExpectConfigured(*read);
  EXPECT_EQ(bytes, WrittenBytes(*read));
}

TEST(DischargeArcRecordTest, EveryCutFails) {
  DS_DischargeFXConstructor written;
  const std::vector<unsigned char> bytes = WrittenBytes(Configure(written));
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    Reading reading(std::vector<unsigned char>(bytes.begin(), bytes.begin() + std::ptrdiff_t(cut)));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    EXPECT_EQ(nullptr, item.get()) << "cut at " << cut << " of " << bytes.size();
    EXPECT_TRUE(reading.handle->Failed()) << "cut at " << cut;
  }
}

TEST(DischargeArcRecordTest, CloneCopiesFieldsAndBothPolylines) {
  DS_DischargeFXConstructor arc;
  Configure(arc);
  LayOut(arc, 9);
  RunClock(arc, {0.05f, 0.2f});
  arc.UpdateEffect();
  std::unique_ptr<DS_ParticleSystemCtrl> copy(arc.Clone());
  const DS_DischargeFXConstructor* clone = dynamic_cast<DS_DischargeFXConstructor*>(copy.get());
  ASSERT_NE(nullptr, clone);
  ExpectConfigured(*clone);
  ASSERT_EQ(9u, clone->GetPolylineA().size());
  ASSERT_EQ(9u, clone->GetPolylineB().size());
  for (size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(arc.GetPolylineA()[i].centre, clone->GetPolylineA()[i].centre) << i;
    EXPECT_EQ(arc.GetPolylineB()[i].direction, clone->GetPolylineB()[i].direction) << i;
    EXPECT_EQ(arc.GetPolylineB()[i].length, clone->GetPolylineB()[i].length) << i;
  }
  EXPECT_EQ(arc.GetRenewalTime(), clone->GetRenewalTime());
}

}  // namespace
