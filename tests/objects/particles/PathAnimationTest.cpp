// The path walker: its record and the path generator's level below it (with the older
// record without a frame speed), the walk back and forth along the path with steps
// that pass several points, paths that cannot be walked, and on the test device the
// travel clock, the turned and mirrored sprite quad and its drawing.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "document/ClassRegistry.h"
#include "objects/particles/ParticleQuads.h"
#include "objects/particles/SpriteAnimations.h"
#include "SmokePlantTestSupport.h"

using particles_test::Reading;
using particles_test::WrittenBytes;
using smokeplant_test::WithVersion;

namespace {

struct Point2 {
  float x, y;
};

void SetPath(DS_PathGenerator& generator, const std::vector<Point2>& points) {
  generator.path.clear();
  for (const Point2& p : points) generator.path.push_back(MakePathPoint(D3DXVECTOR3(p.x, p.y, 0.0f)));
}

DS_PathAnimtion MakeAnimation() {
  DS_PathAnimtion animation;
  animation.MoveSpeed.SetValue(10u);
  animation.SpriteSize.SetValue(100u);
  animation.Orientation.SetValue(2);
  animation.FlipV.SetValue(1);
  animation.FlipH.SetValue(0);
  animation.FrameSpeed.SetValue(40u);
  SetPath(animation, {{0.0f, 0.0f}, {100.0f, 0.0f}, {100.0f, 50.0f}});
  return animation;
}

void ExpectSettings(const DS_PathAnimtion& read, float frameSpeed, const std::string& label) {
  EXPECT_FLOAT_EQ(30.0f, read.MoveSpeed.GetSpeed()) << label;
  EXPECT_FLOAT_EQ(1.0f, read.SpriteSize.GetResult()) << label;
  EXPECT_EQ(2, read.Orientation.GetValue()) << label;
  EXPECT_EQ(1, read.FlipV.GetValue()) << label;
  EXPECT_EQ(0, read.FlipH.GetValue()) << label;
  EXPECT_FLOAT_EQ(frameSpeed, read.FrameSpeed.GetSpeed()) << label;
  ASSERT_EQ(3u, read.path.size()) << label;
  EXPECT_EQ(D3DXVECTOR3(100.0f, 50.0f, 0.0f), read.PointAt(2)) << label;
}

// ---- records ----

TEST(PathAnimationRecordTest, WrittenRecordReadsBackThroughTheRegistry) {
  DS_PathAnimtion written = MakeAnimation();
  written.colour1.SetValue(0x445566);
  written.SetName(L"walker");
  for (int version : {DS_PathAnimtion::kRecordVersion, 4}) {
    Reading reading(WithVersion(written, L"DS_PathAnimtion", version));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    ASSERT_FALSE(reading.handle->Failed()) << version;
    EXPECT_EQ(0u, reading.handle->BytesLeft()) << version;
    auto* read = dynamic_cast<DS_PathAnimtion*>(item.get());
    ASSERT_NE(nullptr, read) << version;
    ExpectSettings(*read, 0.4f, "version " + std::to_string(version));
    EXPECT_EQ(0x445566u, read->colour1.GetValue());
    EXPECT_EQ(L"walker", read->GetName());
  }
}

TEST(PathAnimationRecordTest, VersionOneHasNoFrameSpeedAndPlaysAtHundred) {
  const DS_PathAnimtion written = MakeAnimation();
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_PathAnimtion", 1);
  written.MoveSpeed.WriteField(w);
  written.SpriteSize.WriteField(w);
  w.WriteInt(2);
  w.WriteInt(1);
  w.WriteInt(0);
  written.DS_PathGenerator::Write(w);
  Reading reading(w.Bytes());
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
  ASSERT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft());
  auto* read = dynamic_cast<DS_PathAnimtion*>(item.get());
  ASSERT_NE(nullptr, read);
  ExpectSettings(*read, 1.0f, "version 1");
}

TEST(PathAnimationRecordTest, PathGeneratorLevelHoldsThePointsBeforeTheTexturedSection) {
  const DS_PathAnimtion animation = MakeAnimation();
  DS_IOF_W level, textured;
  animation.DS_PathGenerator::Write(level);
  animation.DS_TexParticleGenerator::Write(textured);
  Reading reading(level.Bytes());
  ds_string name;
  int version = 0, count = 0;
  reading.handle->ReadString(name);
  reading.handle->ReadInt(version);
  reading.handle->ReadInt(count);
  EXPECT_EQ(L"DS_PathGenerator", name);
  EXPECT_EQ(1, version);
  ASSERT_EQ(3, count);
  float xyz[9] = {};
  for (float& f : xyz) reading.handle->ReadFloat(f);
  EXPECT_EQ(100.0f, xyz[3]);
  EXPECT_EQ(50.0f, xyz[7]);
  EXPECT_EQ(textured.Bytes().size(), reading.handle->BytesLeft());
}

TEST(PathAnimationRecordTest, RecordCutShortOrWithAnImpossibleCountFailsTheStream) {
  const std::vector<unsigned char> whole = WrittenBytes(MakeAnimation());
  for (size_t cut : {size_t(12), size_t(60), whole.size() / 2, whole.size() - 1}) {
    Reading reading(std::vector<unsigned char>(whole.begin(), whole.begin() + long(cut)));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    EXPECT_TRUE(reading.handle->Failed()) << cut;
    EXPECT_EQ(nullptr, item.get()) << cut;
  }
  // A point count far beyond the bytes that follow.
  DS_PathAnimtion written = MakeAnimation();
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_PathAnimtion", 2);
  for (int i = 0; i < 6; ++i) w.WriteInt(0);
  WriteLevelHeader(w, L"DS_PathGenerator", 1);
  w.WriteInt(0x7FFFFFFF);
  w.WriteFloat(1.0f);
  Reading reading(w.Bytes());
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
  EXPECT_TRUE(reading.handle->Failed());
  EXPECT_EQ(nullptr, item.get());
}

TEST(PathAnimationSettingsTest, ScalesAndStartingValues) {
  DS_PathAnimtion animation;
  EXPECT_TRUE(animation.path.empty());
  EXPECT_EQ(0.0f, animation.MoveSpeed.GetSpeed());
  EXPECT_EQ(100u, animation.FrameSpeed.GetValue());
  EXPECT_FLOAT_EQ(1.0f, animation.FrameSpeed.GetSpeed());
  animation.MoveSpeed.SetValue(7u);
  animation.SpriteSize.SetValue(250u);
  EXPECT_FLOAT_EQ(21.0f, animation.MoveSpeed.GetSpeed());
  EXPECT_FLOAT_EQ(2.5f, animation.SpriteSize.GetResult());
}

// ---- the walk ----

struct WalkCase {
  const char* label;
  std::vector<Point2> points;
  std::vector<float> steps;
  std::vector<Point2> expected;
};

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

const WalkCase kWalkCases[] = {
    {"two points, there and back", {{0, 0}, {100, 0}}, {30, 30, 30, 30, 30, 60}, {{30, 0}, {60, 0}, {90, 0}, {80, 0}, {50, 0}, {10, 0}}},
    {"a step passing several points",
     {{0, 0}, {100, 0}, {100, 50}},
     {230, 30, 50, 0, 140},
     {{70, 0}, {40, 0}, {10, 0}, {10, 0}, {100, 50}}},
    {"steps of many round trips", {{0, 0}, {10, 0}}, {1003, 25, 20}, {{3, 0}, {8, 0}, {8, 0}}},
    {"a segment of length 0",
     {{0, 0}, {50, 0}, {50, 0}, {100, 0}},
     {80, 40, 30, 10},
     {{80, 0}, {80, 0}, {50, 0}, {40, 0}}},
    {"every point at one place", {{5, 5}, {5, 5}, {5, 5}}, {10, 1000}, {{5, 5}, {5, 5}}},
    {"one point", {{7, 8}}, {10, 20}, {{7, 8}, {7, 8}}},
    {"no points", {}, {10}, {{0, 0}}},
    {"steps that are not numbers", {{0, 0}, {100, 0}}, {10, kNaN, kInf, -5, 10}, {{10, 0}, {10, 0}, {10, 0}, {10, 0}, {20, 0}}},
};

void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.label; }

class PathWalkTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(PathWalkTest, TheSpriteWalksToTheLastPointAndBack) {
  const WalkCase& c = GetParam();
  DS_PathAnimtion animation;
  SetPath(animation, c.points);
  animation.PrepareResources(nullptr);
  const D3DXVECTOR3 start = c.points.empty() ? D3DXVECTOR3(0, 0, 0) : D3DXVECTOR3(c.points[0].x, c.points[0].y, 0);
  EXPECT_EQ(start, animation.currentPosition) << c.label;
  D3DXVECTOR3 previous = animation.currentPosition;
  for (size_t i = 0; i < c.steps.size(); ++i) {
    animation.FollowPath(c.steps[i]);
    EXPECT_EQ(previous, animation.previousPosition) << c.label << " step " << i;
    EXPECT_NEAR(c.expected[i].x, animation.currentPosition.x, 1e-3f) << c.label << " step " << i;
    EXPECT_NEAR(c.expected[i].y, animation.currentPosition.y, 1e-3f) << c.label << " step " << i;
    EXPECT_EQ(0.0f, animation.currentPosition.z) << c.label << " step " << i;
    previous = animation.currentPosition;
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, PathWalkTest, ::testing::ValuesIn(kWalkCases));

TEST(PathWalkTest, TheCursorReversesAtTheLastPointAndAgainAtTheFirst) {
  DS_PathAnimtion animation;
  SetPath(animation, {{0, 0}, {10, 0}, {20, 0}});
  animation.PrepareResources(nullptr);
  const struct {
    float step;
    size_t point;
    bool backward;
  } steps[] = {{5, 0, false}, {10, 1, false}, {10, 2, true}, {10, 1, true}, {10, 0, false}, {1, 0, false}};
  for (const auto& s : steps) {
    animation.FollowPath(s.step);
    EXPECT_EQ(s.point, animation.cursor.point) << "at x " << animation.currentPosition.x;
    EXPECT_EQ(s.backward, animation.cursor.backward) << "at x " << animation.currentPosition.x;
  }
}

TEST(PathWalkTest, PathPointsMovedDuringTheWalkAreFollowed) {
  DS_PathAnimtion animation;
  SetPath(animation, {{0, 0}, {100, 0}});
  animation.PrepareResources(nullptr);
  animation.FollowPath(50);
  animation.path[1].position->SetValue(D3DXVECTOR3(0, 100, 0));
  animation.FollowPath(10);
  EXPECT_NEAR(0.0f, animation.currentPosition.x, 1e-4f);
  EXPECT_NEAR(60.0f, animation.currentPosition.y, 1e-4f);
  // Points removed under the cursor: the walk starts again at the first point.
  animation.FollowPath(45);
  animation.path.resize(1);
  animation.FollowPath(10);
  EXPECT_EQ(D3DXVECTOR3(0, 0, 0), animation.currentPosition);
}

TEST(PathAnimationCopyTest, CopiesKeepTheRunTimeStateUntilPrepared) {
  DS_PathAnimtion item = MakeAnimation();
  item.PrepareResources(nullptr);
  item.FollowPath(120);
  std::unique_ptr<DS_ParticleGenerator> clone(item.Clone());
  auto& copy = static_cast<DS_PathAnimtion&>(*clone);
  EXPECT_EQ(item.currentPosition, copy.currentPosition);
  EXPECT_EQ(item.previousPosition, copy.previousPosition);
  EXPECT_EQ(1u, copy.cursor.point);
  EXPECT_FLOAT_EQ(20.0f, copy.cursor.distance);
  EXPECT_FLOAT_EQ(30.0f, copy.MoveSpeed.GetSpeed());
  EXPECT_EQ(2, copy.Orientation.GetValue());
  // Copies of a path point share its position.
  copy.path[0].position->SetValue(D3DXVECTOR3(-5, -5, 0));
  EXPECT_EQ(D3DXVECTOR3(-5, -5, 0), item.PointAt(0));
  copy.PrepareResources(nullptr);
  EXPECT_EQ(D3DXVECTOR3(-5, -5, 0), copy.currentPosition);
  EXPECT_EQ(D3DXVECTOR3(-5, -5, 0), copy.previousPosition);
  EXPECT_EQ(0u, copy.cursor.point);
  EXPECT_EQ(0.0f, copy.cursor.distance);
  EXPECT_FALSE(copy.cursor.backward);
}

// ---- on the test device ----

class PathAnimationDeviceTest : public smokeplant_test::GeneratorDeviceTest {
protected:
  DS_PathAnimtion& MakeWalker(DS_PathAnimtion& item) {
    DS_PathAnimtion& clone = MakeObject(item);
    greenSet.width = 8;
    greenSet.height = 4;
    return clone;
  }
  static D3DXVECTOR3 Centre(const std::vector<DX_V::PCT>& v) {
    return D3DXVECTOR3((v[1].x + v[2].x) / 2, (v[1].y + v[2].y) / 2, 0.0f);
  }
};

TEST_F(PathAnimationDeviceTest, TheTravelClockMovesTheSpriteThreePixelsPerStoredUnitAndSecond) {
  DS_PathAnimtion item;
  SetPath(item, {{0, 0}, {100, 0}});
  item.MoveSpeed.SetValue(10u);  // 30 px/s
  item.SpriteSize.SetValue(100u);
  MakeWalker(item);
  ASSERT_EQ(1, object->GetSlotCount());
  // A jump of the local time counts as at most 0.2 s.
  const struct {
    float t, x;
  } frames[] = {{0.1f, 3.0f}, {0.2f, 6.0f}, {1.2f, 12.0f}, {1.3f, 15.0f}};
  for (const auto& f : frames) {
    Frame(f.t);
    ASSERT_EQ(1u, object->GetQuadCount(0));
    const std::vector<DX_V::PCT> v = SlotVertices();
    ASSERT_EQ(4u, v.size());
    EXPECT_NEAR(f.x, Centre(v).x, 1e-4f) << "t " << f.t;
    EXPECT_NEAR(0.0f, Centre(v).y, 1e-4f) << "t " << f.t;
    EXPECT_NEAR(8.0f, v[2].x - v[1].x, 1e-4f);
    EXPECT_NEAR(4.0f, v[2].y - v[1].y, 1e-4f);
  }
}

TEST_F(PathAnimationDeviceTest, PreparationPutsTheSpriteBackAtTheFirstPoint) {
  DS_PathAnimtion item = MakeAnimation();
  DS_PathAnimtion& clone = MakeWalker(item);
  Frame(0.2f);
  ASSERT_NE(D3DXVECTOR3(0, 0, 0), clone.currentPosition);
  clone.PrepareResources(object.get());
  EXPECT_EQ(D3DXVECTOR3(0, 0, 0), clone.currentPosition);
  EXPECT_EQ(D3DXVECTOR3(0, 0, 0), clone.previousPosition);
  EXPECT_EQ(0u, clone.cursor.point);
  EXPECT_TRUE(clone.origins.empty());
  EXPECT_EQ(1, object->GetSlotCount());
}

struct FacingCase {
  const char* label;
  Point2 from, to;
  unsigned moveSpeed;  // 300 px/s at 100: 30 px in the frame
  int orientation, flipH, flipV;
  float u0, v0;        // texture coordinates of vertex 0
};

// Unmirrored, vertex 0 is the left-bottom corner at (0, 1).
const FacingCase kFacingCases[] = {
    {"upright", {0, 0}, {100, 0}, 100u, 0, 0, 0, 0, 1},
    {"upright, mirrored left-right", {0, 0}, {100, 0}, 100u, 0, 1, 0, 1, 1},
    {"upright, mirrored top-bottom", {0, 0}, {100, 0}, 100u, 0, 0, 1, 0, 0},
    {"2 moving to +x", {0, 0}, {100, 0}, 100u, 2, 0, 0, 0, 1},
    {"2 moving to -x", {100, 0}, {0, 0}, 100u, 2, 0, 0, 1, 1},
    {"2 standing still", {0, 0}, {100, 0}, 0u, 2, 0, 0, 1, 1},
    {"2 moving to -x, mirrored left-right", {100, 0}, {0, 0}, 100u, 2, 1, 0, 0, 1},
    {"3 moving to +y", {0, 0}, {0, 100}, 100u, 3, 0, 0, 0, 0},
    {"3 moving to -y", {0, 100}, {0, 0}, 100u, 3, 0, 0, 0, 1},
    {"3 moving to +x", {0, 0}, {100, 0}, 100u, 3, 0, 0, 0, 1},
    {"3 moving to +y, mirrored top-bottom", {0, 0}, {0, 100}, 100u, 3, 0, 1, 0, 1},
    {"another value is upright", {100, 0}, {0, 0}, 100u, 7, 0, 0, 0, 1},
};

void PrintTo(const FacingCase& c, std::ostream* os) { *os << c.label; }

class PathFacingTest : public PathAnimationDeviceTest, public ::testing::WithParamInterface<FacingCase> {};

TEST_P(PathFacingTest, OrientationAndFlipsMirrorTheTexture) {
  const FacingCase& c = GetParam();
  DS_PathAnimtion item;
  SetPath(item, {c.from, c.to});
  item.MoveSpeed.SetValue(c.moveSpeed);
  item.SpriteSize.SetValue(100u);
  item.Orientation.SetValue(c.orientation);
  item.FlipH.SetValue(c.flipH);
  item.FlipV.SetValue(c.flipV);
  MakeWalker(item);
  Frame(0.1f);
  const std::vector<DX_V::PCT> v = SlotVertices();
  ASSERT_EQ(4u, v.size()) << c.label;
  EXPECT_EQ(c.u0, v[0].u) << c.label;
  EXPECT_EQ(c.v0, v[0].v) << c.label;
  // Upright: vertex 0 is left-bottom whatever the mirroring.
  EXPECT_LT(v[0].x, v[2].x) << c.label;
  EXPECT_GT(v[0].y, v[1].y) << c.label;
}

INSTANTIATE_TEST_SUITE_P(Cases, PathFacingTest, ::testing::ValuesIn(kFacingCases));

TEST_F(PathAnimationDeviceTest, AlongThePathTheQuadTurnsWithTheDirectionOfTravel) {
  const struct {
    Point2 to;
    Point2 centre;
    Point2 vertex0;  // c - (w/2) d + (h/2) (d.y, -d.x)
  } cases[] = {
      {{100, 0}, {30, 0}, {26, -2}},
      {{0, 100}, {0, 30}, {2, 26}},
      {{-100, 0}, {-30, 0}, {-26, 2}},
  };
  for (const auto& c : cases) {
    DS_PathAnimtion item;
    SetPath(item, {{0, 0}, c.to});
    item.MoveSpeed.SetValue(100u);
    item.SpriteSize.SetValue(100u);
    item.Orientation.SetValue(1);
    DS_PathAnimtion& clone = MakeWalker(item);
    Frame(0.1f);
    std::vector<DX_V::PCT> v = SlotVertices();
    ASSERT_EQ(4u, v.size());
    EXPECT_NEAR(c.centre.x, Centre(v).x, 1e-4f);
    EXPECT_NEAR(c.centre.y, Centre(v).y, 1e-4f);
    EXPECT_NEAR(c.vertex0.x, v[0].x, 1e-4f) << "towards " << c.to.x << "," << c.to.y;
    EXPECT_NEAR(c.vertex0.y, v[0].y, 1e-4f) << "towards " << c.to.x << "," << c.to.y;
    // Standing still it keeps facing the way it went: no quad folded to a point.
    clone.MoveSpeed.SetValue(0u);
    Frame(0.2f);
    v = SlotVertices();
    ASSERT_EQ(4u, v.size());
    EXPECT_NEAR(c.vertex0.x, v[0].x, 1e-4f) << "standing, towards " << c.to.x << "," << c.to.y;
    EXPECT_NEAR(c.vertex0.y, v[0].y, 1e-4f) << "standing, towards " << c.to.x << "," << c.to.y;
  }
}

TEST_F(PathAnimationDeviceTest, VertexColourIsTheTintAtItsOpacity) {
  DS_PathAnimtion item = MakeAnimation();
  item.colour1.SetValue(0x00FF00);
  item.colour1.Opacity().SetValue(50u);
  MakeWalker(item);
  Frame(0.1f);
  for (const DX_V::PCT& vertex : SlotVertices()) EXPECT_EQ(0x7F00FF00u, vertex.color);
}

TEST_F(PathAnimationDeviceTest, TheSpriteIsDrawnWithTheCurrentFrameAndAnEmptyPathDrawsNothing) {
  DS_PathAnimtion item;
  SetPath(item, {{60, 40}, {200, 40}});
  item.SpriteSize.SetValue(250u);  // 20 x 10 pixels
  MakeWalker(item);
  Frame(0.1f);
  ds_test::Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x00FF00u, image.RgbAt(60, 40));
  EXPECT_EQ(0x00FF00u, image.RgbAt(68, 43));
  EXPECT_EQ(0x404040u, image.RgbAt(60, 48));
  EXPECT_EQ(0x404040u, image.RgbAt(73, 40));

  DS_PathAnimtion empty;
  empty.SpriteSize.SetValue(250u);
  MakeWalker(empty);
  Frame(0.1f);
  EXPECT_EQ(0u, object->GetQuadCount(0));
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  EXPECT_EQ(0x404040u, image.RgbAt(0, 0));
  EXPECT_EQ(0x404040u, image.RgbAt(60, 40));
}

}  // namespace
