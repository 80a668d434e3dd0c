// The copies of a 3D-in-2D array without a device: their random start in the fixed
// order of the rand() sequence, the drift and its wrap at the scene edges, the gusts,
// the tumble and pendulum, and the copies the run-time object makes.

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include <d3dx9math.h>

#include <gtest/gtest.h>

#include "tests/objects/sprites/AnimatorTestSupport.h"
#include "objects/mesh3d/Arrays3DIn2D.h"
#include "objects/mesh3d/Objects3D.h"
#include "support/RecordingLayer.h"
#include "tests/objects/sprites/Sprites2TestSupport.h"

namespace {

using animators_test::MatrixIsFinite;
using animators_test::Transform;
using sprites2_test::Between;
using sprites2_test::Odd;
using sprites2_test::SceneSize;
using sprites2_test::SeededDraws;

const float kW = 400.0f;
const float kH = 300.0f;

// A copy of a 40-pixel leaf drifting at speed 50, without gusts.
class LeafMotionTest : public ::testing::Test {
protected:
  LeafMotionTest() : scene(int(kW), int(kH)) {
    params.size.SetValue(40);
    frame.bounds.radius = 1.0f;
  }

  // One animation at time t.
  void AnimateAt(DS_LeafFallAnim& leaf, float t) {
    g_AnimationTime = t;
    leaf.Animate(frame);
  }
  static void Place(DS_SreamAnim& leaf, float x, float y) {
    leaf.position._41 = x;
    leaf.position._42 = y;
  }
  // The distance one animation of `step` seconds moves the leaf at speed 50.
  static float Drift(const DS_SreamAnim& leaf, float step) { return step * leaf.speedFactor * 50.0f * 50.0f; }

  SceneSize scene;
  DS_StreamParams params;
  DS_Frame frame;
};

// 16 draws in a fixed order; the same seed gives the same copy.
TEST_F(LeafMotionTest, StartsFromTheRandSequenceInItsFixedOrder) {
  for (unsigned int seed : {1u, 2u, 7u, 42u, 1234u, 99999u}) {
    const std::vector<int> d = SeededDraws(seed, 17);
    DS_LeafFallAnim leaf(params);
    const std::string at = "seed " + std::to_string(seed);
    EXPECT_FLOAT_EQ(Between(d[0], 0, kW), leaf.X()) << at;
    EXPECT_FLOAT_EQ(Between(d[1], 0, kH), leaf.Y()) << at;
    EXPECT_FLOAT_EQ(Between(d[2], -1, 1), leaf.gust) << at;
    EXPECT_FLOAT_EQ(0.07f + float(d[3]) / 32767.0f * 0.06f, leaf.speedFactor) << at;
    // Tumbles: a sign draw, then the value; the last sign switches the pendulum about Y.
    const DS_LeafFallAnim::Turn* tumbles[3] = {&leaf.tumbleX, &leaf.tumbleY, &leaf.tumbleZ};
    for (int i = 0; i < 3; ++i) {
      const float v = 7.0f + float(d[5 + 2 * i]) / 32767.0f * 3.0f;
      EXPECT_FLOAT_EQ(Odd(d[4 + 2 * i]) ? -v : v, tumbles[i]->rate) << at << ", tumble " << i;
      EXPECT_FLOAT_EQ(tumbles[i]->rate, tumbles[i]->angle) << at << ", tumble " << i;
    }
    const float swingY = (3.0f + float(d[12]) / 32767.0f * 4.0f) * float(d[10] % 2);
    EXPECT_FLOAT_EQ(Odd(d[11]) ? -swingY : swingY, leaf.pendulumY.rate) << at;
    const float swingX = (3.0f + float(d[15]) / 32767.0f * 4.0f) * float(d[13] % 2);
    EXPECT_FLOAT_EQ(Odd(d[14]) ? -swingX : swingX, leaf.pendulumX.rate) << at;
    EXPECT_FLOAT_EQ(leaf.pendulumX.rate, leaf.pendulumX.angle) << at;
    EXPECT_EQ(d[16], std::rand()) << at << ": exactly 16 draws";
  }
}

TEST_F(LeafMotionTest, DriftsAlongXAtAngleZero) {
  std::srand(5);
  DS_LeafFallAnim leaf(params);
  Place(leaf, 100, 150);
  float t = 0.0f;
  for (float step : {0.1f, 0.05f, 0.2f}) {
    const float x = leaf.X();
    t += step;
    AnimateAt(leaf, t);
    EXPECT_NEAR(step, leaf.step, 1e-6f);
    EXPECT_FLOAT_EQ(x + Drift(leaf, leaf.step), leaf.X()) << "step " << step;
    EXPECT_EQ(150.0f, leaf.Y()) << "sway 0: no sideways motion";
  }
  // Between 175 and 325 scene pixels per second at speed 50.
  EXPECT_GE(Drift(leaf, 1.0f), 175.0f);
  EXPECT_LE(Drift(leaf, 1.0f), 325.0f);
}

// A pause or a jump of the local time, forwards or back, moves by 0.2 seconds' worth.
TEST_F(LeafMotionTest, StepsAreClampedToAFifthOfASecond) {
  params.spin.SetValue(100);
  std::srand(6);
  DS_LeafFallAnim leaf(params);
  Place(leaf, 100, 150);
  const float tumble = leaf.tumbleX.angle;
  AnimateAt(leaf, 5.0f);
  EXPECT_FLOAT_EQ(0.2f, leaf.step);
  EXPECT_FLOAT_EQ(100.0f + Drift(leaf, 0.2f), leaf.X());
  EXPECT_NEAR(tumble + leaf.tumbleX.rate * 0.2f * 100.0f * 0.4f, leaf.tumbleX.angle, 1e-4f);
  AnimateAt(leaf, 1.0f);
  EXPECT_FLOAT_EQ(0.2f, leaf.step) << "a jump back counts by its size";
  EXPECT_FLOAT_EQ(1.0f, leaf.lastTime);
}

struct WrapCase {
  unsigned int angle;
  float x, y;          // just past the edge the drift leaves by
  float wrappedX;      // NAN: a random x in [0, W]
  float wrappedY;      // NAN: a random y in [0, H]
};

// A copy past the edge it drifts to re-enters half its size beyond the opposite
// edge, without moving in that frame; the other coordinate is drawn anew.
TEST_F(LeafMotionTest, WrapsAtTheOppositeEdge) {
  const float m = 20.0f;
  const WrapCase cases[] = {
      {0, kW + m + 0.5f, 150, -m, NAN},
      {90, 200, -m - 0.5f, NAN, kH + m},
      {180, -m - 0.5f, 150, kW + m, NAN},
      {270, 200, kH + m + 0.5f, NAN, -m},
  };
  for (const WrapCase& c : cases) {
    params.SetDirection(c.angle);
    std::srand(8);
    DS_LeafFallAnim leaf(params);
    Place(leaf, c.x, c.y);
    const int draw = SeededDraws(77, 1)[0];
    AnimateAt(leaf, 0.1f);
    const std::string at = "angle " + std::to_string(c.angle);
    if (std::isnan(c.wrappedX)) {
      EXPECT_FLOAT_EQ(Between(draw, 0, kW), leaf.X()) << at;
      EXPECT_EQ(c.wrappedY, leaf.Y()) << at;
    } else {
      EXPECT_EQ(c.wrappedX, leaf.X()) << at;
      EXPECT_FLOAT_EQ(Between(draw, 0, kH), leaf.Y()) << at;
    }
    // Inside the margin it keeps drifting out.
    Place(leaf, c.x - (c.x > kW ? 1.0f : c.x < 0 ? -1.0f : 0.0f), c.y - (c.y > kH ? 1.0f : c.y < 0 ? -1.0f : 0.0f));
    const float x = leaf.X(), y = leaf.Y();
    AnimateAt(leaf, 0.11f);
    EXPECT_GT(std::fabs(leaf.X() - x) + std::fabs(leaf.Y() - y), 1.0f) << at << ": moved on, not wrapped";
    EXPECT_LT(std::fabs(leaf.X() - x) + std::fabs(leaf.Y() - y), 10.0f) << at;
  }
}

// Gust rate 10 at speed 50: a chance to change every 2 seconds, one draw each time.
TEST_F(LeafMotionTest, GustsChangeOnlyAtTheGustRate) {
  SceneSize wide(100000, 100000);  // no wrap draws in between
  params.sway.SetValue(50);
  params.gustRate.SetValue(10);
  std::srand(9);
  DS_LeafFallAnim leaf(params);
  Place(leaf, 100, 50000);
  const float gust = leaf.gust;
  const std::vector<int> d = SeededDraws(31, 2);
  for (int i = 1; i <= 19; ++i) AnimateAt(leaf, 0.1f * float(i));
  EXPECT_EQ(gust, leaf.gust) << "not yet";
  EXPECT_EQ(0.0f, leaf.lastGustTime);
  // Sway slants the drift: with the cross axis (0, -1) the copy climbs by the gust.
  const float y = leaf.Y();
  AnimateAt(leaf, 2.1f);
  const float slant = Drift(leaf, leaf.step) * gust * 50.0f * 0.02f;
  EXPECT_NEAR(y - slant, leaf.Y(), 1e-3f);
  EXPECT_FLOAT_EQ(2.1f, leaf.lastGustTime);
  EXPECT_FLOAT_EQ(Odd(d[0]) ? Between(d[1], -1, 1) : gust, leaf.gust);
}

TEST_F(LeafMotionTest, WithoutAGustRateNoDrawIsMade) {
  params.sway.SetValue(50);
  std::srand(10);
  DS_LeafFallAnim leaf(params);
  Place(leaf, 100, 150);
  const float gust = leaf.gust;
  const int next = SeededDraws(55, 1)[0];
  for (int i = 1; i <= 50; ++i) {
    Place(leaf, 100, 150);
    AnimateAt(leaf, 0.2f * float(i));
  }
  EXPECT_EQ(gust, leaf.gust);
  EXPECT_EQ(next, std::rand());
}

// The bounding sphere is scaled to the size, its centre hangs 50 pixels along z below
// the pendulum's pivot at the drift position.
TEST_F(LeafMotionTest, TheWorldScalesTheSphereAndPlacesItsCentre) {
  params.spin.SetValue(100);
  params.sway.SetValue(30);
  frame.bounds.radius = 4.0f;
  frame.bounds.centre = D3DXVECTOR3(1, 2, 3);
  D3DXMatrixTranslation(&frame.local, -1, -2, -3);
  std::srand(11);
  DS_LeafFallAnim leaf(params);
  leaf.pendulumX = DS_LeafFallAnim::Turn{};
  leaf.pendulumY = DS_LeafFallAnim::Turn{};
  Place(leaf, 120, 80);
  AnimateAt(leaf, 0.1f);
  const D3DXVECTOR3 centre = Transform(frame.bounds.centre, frame.world);
  EXPECT_NEAR(leaf.X(), centre.x, 1e-3f);
  EXPECT_NEAR(leaf.Y(), centre.y, 1e-3f);
  EXPECT_NEAR(50.0f, centre.z, 1e-3f);
  for (const D3DXVECTOR3& offset : {D3DXVECTOR3(4, 0, 0), D3DXVECTOR3(0, -4, 0), D3DXVECTOR3(0, 0, 4)}) {
    const D3DXVECTOR3 edge = Transform(frame.bounds.centre + offset, frame.world);
    const D3DXVECTOR3 d = edge - centre;
    EXPECT_NEAR(20.0f, D3DXVec3Length(&d), 1e-3f) << "radius 4 scaled to half of 40";
  }
}

struct TurnCase {
  unsigned int spin, sway;
  float tumbleTurns, pendulumTurns;  // the factor on each rate after one 0.1 s step
};

TEST_F(LeafMotionTest, SpinTurnsTheTumbleAndSwayThePendulum) {
  const TurnCase cases[] = {{0, 0, 0, 0}, {100, 0, 4, 0}, {0, 50, 0, 2}, {250, 25, 10, 1}};
  for (const TurnCase& c : cases) {
    params.spin.SetValue(c.spin);
    params.sway.SetValue(c.sway);
    for (unsigned int seed = 1; seed <= 4; ++seed) {
      std::srand(seed);
      DS_LeafFallAnim leaf(params);
      const DS_LeafFallAnim before = leaf;
      AnimateAt(leaf, 0.1f);
      const std::string at = "spin " + std::to_string(c.spin) + ", sway " + std::to_string(c.sway);
      EXPECT_NEAR(before.tumbleX.angle + before.tumbleX.rate * c.tumbleTurns, leaf.tumbleX.angle, 1e-4f) << at;
      EXPECT_NEAR(before.tumbleY.angle + before.tumbleY.rate * c.tumbleTurns, leaf.tumbleY.angle, 1e-4f) << at;
      EXPECT_NEAR(before.tumbleZ.angle + before.tumbleZ.rate * c.tumbleTurns, leaf.tumbleZ.angle, 1e-4f) << at;
      EXPECT_NEAR(before.pendulumY.angle + before.pendulumY.rate * c.pendulumTurns, leaf.pendulumY.angle, 1e-4f) << at;
      EXPECT_NEAR(before.pendulumX.angle + before.pendulumX.rate * c.pendulumTurns, leaf.pendulumX.angle, 1e-4f) << at;
    }
  }
}

// A copy whose mesh is missing has no radius: its matrix stays finite.
TEST_F(LeafMotionTest, NoRadiusGivesAFiniteMatrix) {
  params.size.SetValue(0xFFFFFFFFu);
  for (float radius : {0.0f, -1.0f, 1e-38f, NAN, INFINITY}) {
    frame.bounds.radius = radius;
    std::srand(12);
    DS_LeafFallAnim leaf(params);
    AnimateAt(leaf, 0.1f);
    EXPECT_TRUE(MatrixIsFinite(frame.world)) << "radius " << radius;
  }
}

// ---- the run-time object, without a document ----

std::unique_ptr<DS_3D_in_2D_array> Create(DS_3D_in_2D_array_Constructor& item) {
  return std::unique_ptr<DS_3D_in_2D_array>(static_cast<DS_3D_in_2D_array*>(item.CreateObject()));
}

TEST(Arrays3DIn2DObjectTest, OneLeafPerCopyMadeOnce) {
  SceneSize scene(320, 240);
  DS_3D_in_2D_array_Constructor item;
  item.instanceCount.SetValue(12);
  std::unique_ptr<DS_3D_in_2D_array> array = Create(item);
  const std::vector<DS_Frame*> copies = array->GetMesh().children;
  ASSERT_EQ(12u, copies.size());
  for (DS_Frame* copy : copies) {
    ASSERT_NE(nullptr, dynamic_cast<DS_LeafFallAnim*>(copy->GetController()));
    EXPECT_TRUE(copy->children.empty());
  }
  // Only the constructor makes copies: a later count changes nothing.
  array->GetItem().instanceCount.SetValue(3);
  array->Update(0.1f);
  EXPECT_EQ(copies, array->GetMesh().children);
}

TEST(Arrays3DIn2DObjectTest, TheCopyCountIsBounded) {
  SceneSize scene(320, 240);
  DS_3D_in_2D_array_Constructor item;
  item.instanceCount.SetValue(0xFFFFFFFFu);
  std::unique_ptr<DS_3D_in_2D_array> array = Create(item);
  EXPECT_EQ(size_t(kMax3DInstances), array->GetMesh().children.size()) << "the cap of the 3D objects";
}

// Each array hands its own local time to its copies.
TEST(Arrays3DIn2DObjectTest, UpdatePublishesTheLocalTime) {
  SceneSize scene(320, 240);
  DS_3D_in_2D_array_Constructor item;
  item.instanceCount.SetValue(2);
  std::unique_ptr<DS_3D_in_2D_array> first = Create(item);
  std::unique_ptr<DS_3D_in_2D_array> second = Create(item);
  first->Update(1.5f);
  second->Update(0.25f);
  EXPECT_EQ(0.25f, g_AnimationTime);
  for (DS_Frame* copy : first->GetMesh().children) {
    EXPECT_EQ(1.5f, static_cast<DS_LeafFallAnim*>(copy->GetController())->lastTime);
  }
  for (DS_Frame* copy : second->GetMesh().children) {
    EXPECT_EQ(0.25f, static_cast<DS_LeafFallAnim*>(copy->GetController())->lastTime);
  }
}

// Without copies, or without a mesh and picture, the layer is never asked to draw.
TEST(Arrays3DIn2DObjectTest, NothingToDrawAsksTheLayerForNothing) {
  SceneSize scene(320, 240);
  ds_test::RecordingLayer layer(320, 240);
  for (unsigned int count : {0u, 4u}) {
    DS_3D_in_2D_array_Constructor item;
    item.instanceCount.SetValue(count);
    std::unique_ptr<DS_3D_in_2D_array> array = Create(item);
    array->Update(0.1f);
    array->Render(&layer);
    EXPECT_FALSE(array->CanDraw()) << "count " << count;
    for (DS_Frame* copy : array->GetMesh().children) EXPECT_TRUE(MatrixIsFinite(copy->world)) << "count " << count;
  }
  EXPECT_TRUE(layer.draws.empty());
}

}  // namespace
