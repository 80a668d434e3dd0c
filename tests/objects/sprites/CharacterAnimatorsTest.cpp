#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "AnimatorTestSupport.h"
#include "objects/sprites/CharacterAnimators.h"
#include "render/Frame.h"
#include "SpriteTestSupport.h"

using animators_test::AreaItem;
using animators_test::FixedLocalTime;
using animators_test::MatrixNear;
using animators_test::Radians;
using animators_test::Transform;

namespace {

// ApproachValue

struct StepCase {
  ApproachValue value;
  float dt;
  float expected;
};

TEST(ApproachValueTest, StepsTowardTheTargetWithoutOvershooting) {
  const StepCase cases[] = {
      {{0, 10, 100}, 1.0f, 10.0f},    // would pass the target: holds it
      {{0, 10, 5}, 1.0f, 5.0f},       // on the way up
      {{10, 0, -4}, 0.5f, 8.0f},      // on the way down
      {{10, 0, -100}, 1.0f, 0.0f},    // would pass it downwards
      {{7, 7, 100}, 1.0f, 7.0f},      // at the target: nothing moves
      {{0, 10, 100}, 0.0f, 0.0f},     // no time, no move
  };
  for (const StepCase& c : cases) {
    ApproachValue v = c.value;
    v.Step(c.dt);
    EXPECT_FLOAT_EQ(c.expected, v.current) << "from " << c.value.current << " to " << c.value.target << " at "
                                           << c.value.rate << " for " << c.dt << " s";
    EXPECT_FLOAT_EQ(c.value.target, v.target);
  }
}

struct TargetCase {
  ApproachValue value;
  float target;
  float rate;
  float expectedRate;
};

TEST(ApproachValueTest, SetTargetPointsTheRateFromCurrentToTarget) {
  const TargetCase cases[] = {
      {{50, 50, 250}, 100, 0, 250},     // rate kept, target above
      {{50, 50, 250}, -190, 0, -250},   // rate kept, target below
      {{50, 50, -250}, 100, 0, 250},    // a negative stored rate turns round
      {{0, 0, 350}, 0, 0, -350},        // target equal: the minus sign
      {{0, 0, 350}, 25, 120, 120},      // a new rate replaces the stored one
      {{0, 0, 350}, -25, 120, -120},
      {{0, 0, 350}, 25, -120, 120},     // only its size counts
  };
  for (const TargetCase& c : cases) {
    ApproachValue v = c.value;
    v.SetTarget(c.target, c.rate);
    EXPECT_FLOAT_EQ(c.target, v.target);
    EXPECT_FLOAT_EQ(c.expectedRate, v.rate) << "from " << c.value.current << " to " << c.target << ", rate " << c.rate;
    EXPECT_FLOAT_EQ(c.value.current, v.current);
  }
}

// AC_Butterfly

// A butterfly on its frame tree as the 3D objects build it: the root carries the
// butterfly, the two wing frames its wing animators.
class ButterflyTest : public ::testing::Test {
protected:
  ButterflyTest() : scene(800, 600) {
    item.relLeft = 0.25f;
    item.relRight = 0.75f;
    item.relTop = 0.25f;
    item.relBottom = 0.75f;
    size.SetValue(100);
    std::srand(7);
    butterfly = new AC_Butterfly(item, size);
    root.SetController(butterfly);
    wing1 = root.AddChild();
    wing2 = root.AddChild();
    wing1->SetController(butterfly->GetWing1());
    wing2->SetController(butterfly->GetWing2());
  }
  ~ButterflyTest() override {
    delete wing1;
    delete wing2;
  }

  // One frame at time t: the item's control clock, then the tree.
  void Frame(float t) {
    item.UpdateTime(t);
    root.UpdateWorld(nullptr);
  }

  // Puts the butterfly at a point inside the area, flying level and straight.
  void Settle(float x, float y, float headingDegrees) {
    butterfly->position = D3DXVECTOR3(x, y, 0);
    butterfly->heading = ApproachValue{headingDegrees, headingDegrees, 350};
  }

  sprites_test::SceneSize scene;
  AreaItem item;
  MediaParamT<unsigned int> size;
  AC_Butterfly* butterfly = nullptr;
  DS_Frame root;
  DS_Frame* wing1 = nullptr;
  DS_Frame* wing2 = nullptr;
};

TEST_F(ButterflyTest, StartsAtARandomPointOfTheAreaWithTheDefaultFlight) {
  EXPECT_GE(butterfly->position.x, 200.0f);
  EXPECT_LE(butterfly->position.x, 600.0f);
  EXPECT_GE(butterfly->position.y, 150.0f);
  EXPECT_LE(butterfly->position.y, 450.0f);
  EXPECT_EQ(0.0f, butterfly->position.z);
  EXPECT_GE(butterfly->heading.current, 0.0f);
  EXPECT_LE(butterfly->heading.current, 360.0f);
  EXPECT_EQ(butterfly->heading.current, butterfly->heading.target);
  EXPECT_EQ(AC_Butterfly::kFlapping, butterfly->state);
  EXPECT_EQ(AC_Butterfly::kFlapping, butterfly->requestedState);
  EXPECT_FLOAT_EQ(50.0f, butterfly->vertical.current);
  EXPECT_FLOAT_EQ(50.0f, butterfly->speed.current);
  EXPECT_FLOAT_EQ(55.0f, butterfly->upperWingLimit);
  EXPECT_FLOAT_EQ(-55.0f, butterfly->lowerWingLimit);
}

TEST_F(ButterflyTest, SizeMatrixFollowsTheItemSizeAndLetsGoOnDestruction) {
  D3DXMATRIX expected;
  D3DXMatrixScaling(&expected, 1, 1, 1);
  EXPECT_TRUE(MatrixNear(expected, butterfly->GetSizeMatrix()));
  size.SetValue(250);
  D3DXMatrixScaling(&expected, 2.5f, 2.5f, 2.5f);
  EXPECT_TRUE(MatrixNear(expected, butterfly->GetSizeMatrix()));

  const size_t withButterfly = size.ControlCount();
  root.SetController(nullptr);
  EXPECT_EQ(withButterfly - 1, size.ControlCount());
  size.SetValue(50);  // must not reach the deleted butterfly
}

// The wing beat over the first frames, before the first flight decision (t <= 0.25):
// 14 degrees a frame up to the upper limit, then 22.4 down to the lower one.
TEST_F(ButterflyTest, WingBeatTableOverTime) {
  Settle(400, 300, 0);
  struct Row {
    float angle;
    float flapSpeed;
  };
  const Row rows[] = {{14, 100},    {28, 100},   {42, 100},   {56, -160}, {33.6f, -160}, {11.2f, -160},
                      {-11.2f, -160}, {-33.6f, -160}, {-56, 100}, {-42, 100}, {-28, 100},    {-14, 100}};
  float t = 0;
  int frame = 0;
  for (const Row& row : rows) {
    ++frame;
    t = 0.02f * static_cast<float>(frame);
    Frame(t);
    EXPECT_NEAR(row.angle, butterfly->wingAngle, 1e-3f) << "frame " << frame;
    EXPECT_FLOAT_EQ(row.flapSpeed, butterfly->flapSpeed) << "frame " << frame;
    // The wings show their fronts on opposite sides of the beat.
    EXPECT_EQ(row.angle > 0 ? 1 : 0, wing1->cullCounterClockwise) << "frame " << frame;
    EXPECT_EQ(row.angle < 0 ? 1 : 0, wing2->cullCounterClockwise) << "frame " << frame;

    // Each wing turns by the angle about Z under the body; the second is mirrored.
    D3DXMATRIX rotation, mirror, expected1, expected2;
    D3DXMatrixRotationZ(&rotation, Radians(butterfly->wingAngle));
    D3DXMatrixScaling(&mirror, -1, 1, 1);
    D3DXMatrixMultiply(&expected1, &rotation, &root.world);
    D3DXMatrixMultiply(&expected2, &rotation, &mirror);
    D3DXMatrixMultiply(&expected2, &expected2, &root.world);
    EXPECT_TRUE(MatrixNear(expected1, wing1->world, 1e-3f)) << "frame " << frame;
    EXPECT_TRUE(MatrixNear(expected2, wing2->world, 1e-3f)) << "frame " << frame;
  }
  EXPECT_EQ(0.0f, butterfly->decisionTime) << "no decision before a quarter second";
}

// Flight direction: heading 0 flies right, 180 left, 90 straight along the (dropped) depth.
TEST_F(ButterflyTest, FliesAlongItsHeadingAndCarriesThePositionInItsWorld) {
  struct Case {
    float heading;
    float dx;
  };
  const Case cases[] = {{0, 5}, {180, -5}, {90, 0}, {-180, -5}};
  for (const Case& c : cases) {
    AreaItem fresh;
    fresh.relLeft = 0.25f;
    fresh.relRight = 0.75f;
    fresh.relTop = 0.25f;
    fresh.relBottom = 0.75f;
    AC_Butterfly* b = new AC_Butterfly(fresh, size);
    DS_Frame body;
    body.SetController(b);
    std::unique_ptr<DS_Frame> w1(new DS_Frame()), w2(new DS_Frame());
    w1->SetController(b->GetWing1());
    w2->SetController(b->GetWing2());
    b->position = D3DXVECTOR3(400, 300, 0);
    b->heading = ApproachValue{c.heading, c.heading, 350};
    // The wings come level in this step, so the body does not bob.
    b->wingAngle = -70;
    b->flapSpeed = 100;
    fresh.UpdateTime(0.1f);  // a step of 0.1 s at speed 50 (real time)
    body.UpdateWorld(nullptr);
    // Speed 50 and vertical 50 (downwards) for 0.1 s.
    EXPECT_NEAR(400 + c.dx, b->position.x, 1e-3f) << "heading " << c.heading;
    EXPECT_NEAR(305, b->position.y, 1e-3f) << "heading " << c.heading;
    EXPECT_EQ(0.0f, b->position.z);
    // Size 100 scales by one and the local matrix is identity: the body's origin
    // lands on the position.
    ASSERT_NEAR(0, b->wingAngle, 1e-3f);
    const D3DXVECTOR3 origin = Transform(D3DXVECTOR3(0, 0, 0), body.world);
    EXPECT_NEAR(b->position.x, origin.x, 1e-2f) << "heading " << c.heading;
    EXPECT_NEAR(b->position.y, origin.y, 1e-2f) << "heading " << c.heading;
  }
}

TEST_F(ButterflyTest, BanksOnlyWhenTheHeadingIsMoreThanFiveDegreesOff) {
  struct Case {
    float current;
    float target;
    float rollTarget;
  };
  const Case cases[] = {{5, 0, 0}, {0, 5, 0}, {5.5f, 0, -25}, {0, 5.5f, 25}, {180, 0, -25}, {0, 0, 0}};
  for (const Case& c : cases) {
    butterfly->position = D3DXVECTOR3(400, 300, 0);
    butterfly->heading = ApproachValue{c.current, c.target, 350};
    butterfly->roll = ApproachValue{0, 0, 50};
    Frame(0);  // no time passes: only the decisions of this frame
    EXPECT_FLOAT_EQ(c.rollTarget, butterfly->roll.target) << "heading " << c.current << " toward " << c.target;
  }
}

TEST_F(ButterflyTest, AboveTheTopItGlidesDownAndBelowTheBottomItClimbs) {
  // Above the area's top (y 150): gliding requested, heading down at up to 100.
  Settle(400, 100, 0);
  butterfly->decisionTime = 1000;  // no random decisions in between
  float t = 0;
  float fastestDown = 0;
  int frame = 0;
  for (; frame < 12; ++frame) {
    t = 0.02f * static_cast<float>(frame + 1);
    butterfly->position.y = 100;  // keep it above the top
    Frame(t);
    fastestDown = std::max(fastestDown, butterfly->vertical.current);
  }
  EXPECT_EQ(AC_Butterfly::kGliding, butterfly->requestedState);
  EXPECT_FLOAT_EQ(100.0f, butterfly->vertical.target);
  EXPECT_LE(fastestDown, 100.0f);
  EXPECT_FLOAT_EQ(100.0f, butterfly->vertical.current) << "reached within 0.2 s at 250 per second";
  EXPECT_FLOAT_EQ(0.0f, butterfly->upperWingLimit) << "wings held low while the glide starts";
  EXPECT_EQ(AC_Butterfly::kGliding, butterfly->state) << "wings came down within 0.24 s";

  // Below the bottom (y 450): flapping requested, climbing at up to 190.
  float fastestUp = 0;
  for (; frame < 100; ++frame) {
    t = 0.02f * static_cast<float>(frame + 1);
    butterfly->position.y = 500;
    Frame(t);
    fastestUp = std::min(fastestUp, butterfly->vertical.current);
  }
  EXPECT_EQ(AC_Butterfly::kFlapping, butterfly->requestedState);
  EXPECT_EQ(AC_Butterfly::kFlapping, butterfly->state);
  EXPECT_FLOAT_EQ(-190.0f, butterfly->vertical.target);
  EXPECT_FLOAT_EQ(-190.0f, fastestUp);
  EXPECT_FLOAT_EQ(-190.0f, butterfly->vertical.current);
}

TEST_F(ButterflyTest, TurnsBackAndAcceleratesAtTheSideEdges) {
  struct Case {
    float x;
    float headingTarget;
  };
  const Case cases[] = {{150, 0}, {650, -180}};
  for (const Case& c : cases) {
    Settle(c.x, 300, 90);
    butterfly->speed = ApproachValue{50, 50, 350};
    Frame(0);
    EXPECT_FLOAT_EQ(c.headingTarget, butterfly->heading.target) << "at x " << c.x;
    EXPECT_FLOAT_EQ(c.headingTarget > 90 ? 350.0f : -350.0f, butterfly->heading.rate) << "at x " << c.x;
    EXPECT_FLOAT_EQ(300.0f, butterfly->speed.target) << "at x " << c.x;
  }
  // Inside the area nothing is steered.
  Settle(400, 300, 90);
  butterfly->speed = ApproachValue{50, 50, 350};
  Frame(0);
  EXPECT_FLOAT_EQ(90.0f, butterfly->heading.target);
  EXPECT_FLOAT_EQ(50.0f, butterfly->speed.target);
}

TEST_F(ButterflyTest, GlidingBeginsOnlyOnceTheWingsAreDown) {
  Settle(400, 300, 0);
  butterfly->requestedState = AC_Butterfly::kGliding;
  butterfly->wingAngle = 20;
  butterfly->flapSpeed = -160;
  Frame(0);
  EXPECT_EQ(AC_Butterfly::kFlapping, butterfly->state) << "wings still up";
  EXPECT_FLOAT_EQ(0.0f, butterfly->upperWingLimit);

  butterfly->wingAngle = -30;  // below half the lower limit (-27.5)
  Frame(0);
  EXPECT_EQ(AC_Butterfly::kGliding, butterfly->state);
  EXPECT_FLOAT_EQ(-1.6f, butterfly->flapSpeed) << "wings drift slowly";

  // Back to flapping: the upper limit returns; slow flight beats at 160.
  butterfly->requestedState = AC_Butterfly::kFlapping;
  butterfly->speed = ApproachValue{10, 10, 350};
  Frame(0);
  EXPECT_EQ(AC_Butterfly::kFlapping, butterfly->state);
  EXPECT_FLOAT_EQ(55.0f, butterfly->upperWingLimit);
  EXPECT_FLOAT_EQ(160.0f, butterfly->flapSpeed);
}

TEST_F(ButterflyTest, KeepsFlyingInsideAndNearItsAreaForAMinute) {
  std::srand(11);
  float t = 0;
  for (int i = 1; i <= 3000; ++i) {
    t = 0.02f * static_cast<float>(i);
    Frame(t);
    ASSERT_TRUE(std::isfinite(butterfly->position.x) && std::isfinite(butterfly->position.y)) << "frame " << i;
    ASSERT_TRUE(std::isfinite(butterfly->wingAngle)) << "frame " << i;
  }
  // The edges steer it back: it never strays far from the area.
  EXPECT_GT(butterfly->position.x, 200.0f - 300.0f);
  EXPECT_LT(butterfly->position.x, 600.0f + 300.0f);
  EXPECT_GT(butterfly->position.y, 150.0f - 300.0f);
  EXPECT_LT(butterfly->position.y, 450.0f + 300.0f);
  EXPECT_GT(butterfly->decisionTime, 0.0f);
}

// AC_Static

class ClockDialTest : public ::testing::Test {
protected:
  ClockDialTest() {
    rect.Extra1().SetValue(200);
    rect.Extra2().SetValue(100);
    size.SetValue(400);
  }
  MediaRectangle rect;
  MediaParamT<unsigned int> size;
};

TEST_F(ClockDialTest, ConstructionPlacesTheDialAtTheCentreAndFramesIt) {
  AC_Static dial(rect, size);
  EXPECT_EQ(0, rect.Left().GetValue());
  EXPECT_EQ(400, rect.Right().GetValue());
  EXPECT_EQ(-100, rect.Top().GetValue());
  EXPECT_EQ(300, rect.Bottom().GetValue());
  DS_Frame frame;
  D3DXMatrixScaling(&frame.local, 0.01f, 0.01f, 0.01f);
  dial.Animate(frame);
  // World := scaling x local x translation: the origin lands on the centre, a unit
  // step along x becomes size / 100 pixels.
  const D3DXVECTOR3 origin = Transform(D3DXVECTOR3(0, 0, 0), frame.world);
  const D3DXVECTOR3 unit = Transform(D3DXVECTOR3(1, 0, 0), frame.world);
  EXPECT_NEAR(200, origin.x, 1e-3f);
  EXPECT_NEAR(100, origin.y, 1e-3f);
  EXPECT_NEAR(204, unit.x, 1e-3f);
}

TEST_F(ClockDialTest, SizeChangesReframeTheRectangle) {
  AC_Static dial(rect, size);
  struct Case {
    unsigned int size;
    int half;
  };
  const Case cases[] = {{31, 15}, {30, 15}, {1, 0}, {0, 0}, {1001, 500}};
  for (const Case& c : cases) {
    size.SetValue(c.size);
    EXPECT_EQ(200 - c.half, rect.Left().GetValue()) << "size " << c.size;
    EXPECT_EQ(c.half + 200, rect.Right().GetValue()) << "size " << c.size;
    EXPECT_EQ(100 - c.half, rect.Top().GetValue()) << "size " << c.size;
    EXPECT_EQ(c.half + 100, rect.Bottom().GetValue()) << "size " << c.size;
    D3DXMATRIX expected;
    const float s = static_cast<float>(c.size);
    D3DXMatrixScaling(&expected, s, s, s);
    EXPECT_TRUE(MatrixNear(expected, dial.GetScaling())) << "size " << c.size;
  }
}

TEST_F(ClockDialTest, RectangleChangesMoveTheDial) {
  AC_Static dial(rect, size);
  rect.Extra1().SetValue(50);
  rect.Extra2().SetValue(60);
  // Only the rectangle's own notification moves the dial.
  D3DXMATRIX before = dial.GetTranslation();
  EXPECT_FLOAT_EQ(200.0f, before._41);
  rect.NotifyControls(nullptr);
  EXPECT_FLOAT_EQ(50.0f, dial.GetTranslation()._41);
  EXPECT_FLOAT_EQ(60.0f, dial.GetTranslation()._42);
  EXPECT_EQ(-150, rect.Left().GetValue());
  EXPECT_EQ(250, rect.Right().GetValue());
  EXPECT_EQ(-140, rect.Top().GetValue());
  EXPECT_EQ(260, rect.Bottom().GetValue());
}

TEST_F(ClockDialTest, ExtremeSizesAndCentresKeepTheEdgesInRange) {
  rect.Extra1().SetValue(std::numeric_limits<int>::max() - 5);
  rect.Extra2().SetValue(std::numeric_limits<int>::min() + 5);
  size.SetValue(std::numeric_limits<unsigned int>::max());
  AC_Static dial(rect, size);
  EXPECT_EQ(std::numeric_limits<int>::max(), rect.Right().GetValue());
  EXPECT_LT(rect.Left().GetValue(), 0);
  EXPECT_EQ(std::numeric_limits<int>::min(), rect.Top().GetValue());
  EXPECT_GT(rect.Bottom().GetValue(), 0);
}

TEST_F(ClockDialTest, DestructionLetsGoOfTheParameters) {
  const size_t sizeControls = size.ControlCount();
  const size_t rectControls = rect.ControlCount();
  {
    AC_Static dial(rect, size);
    EXPECT_EQ(sizeControls + 1, size.ControlCount());
    EXPECT_EQ(rectControls + 1, rect.ControlCount());
  }
  EXPECT_EQ(sizeControls, size.ControlCount());
  EXPECT_EQ(rectControls, rect.ControlCount());
  size.SetValue(10);
  rect.NotifyControls(nullptr);
  EXPECT_EQ(0, rect.Left().GetValue()) << "no dial left to reframe it";
}

// AC_ClockArrow

struct HandCase {
  int hours, minutes, seconds;
  float minuteAngle, hourAngle;
};

TEST(ClockArrowTest, HandAnglesFromTheLocalTime) {
  const HandCase cases[] = {
      {14, 45, 30, 273.0f, 82.5f}, {0, 0, 0, 0.0f, 0.0f},       {12, 0, 0, 0.0f, 0.0f},
      {6, 30, 0, 180.0f, 195.0f},  {23, 59, 59, 359.9f, 359.5f}, {3, 15, 0, 90.0f, 97.5f},
  };
  for (const HandCase& c : cases) {
    FixedLocalTime now(c.hours, c.minutes, c.seconds);
    for (BYTE kind : {BYTE(AC_ClockArrow::kMinuteHand), BYTE(AC_ClockArrow::kHourHand), BYTE(7)}) {
      const float angle = kind == AC_ClockArrow::kMinuteHand ? c.minuteAngle : c.hourAngle;
      AC_ClockArrow hand(kind);
      DS_Frame frame;
      D3DXMatrixScaling(&frame.local, 0.01f, 1.0f, 0.38f);
      hand.Animate(frame);
      D3DXMATRIX rotation, expected;
      D3DXMatrixRotationY(&rotation, Radians(angle));
      D3DXMatrixMultiply(&expected, &frame.local, &rotation);
      EXPECT_TRUE(MatrixNear(expected, frame.world))
          << c.hours << ":" << c.minutes << ":" << c.seconds << " kind " << int(kind) << " angle " << angle;
      EXPECT_NEAR(angle, AC_ClockArrow::HandAngle(kind, c.hours, c.minutes, c.seconds), 1e-3f);
    }
  }
}

TEST(ClockArrowTest, NoLocalTimeLeavesTheHandAlone) {
  FixedLocalTime unavailable(10, 10, 10, false);
  AC_ClockArrow hand(AC_ClockArrow::kHourHand);
  DS_Frame frame;
  D3DXMatrixScaling(&frame.world, 3, 3, 3);
  const D3DXMATRIX before = frame.world;
  hand.Animate(frame);
  EXPECT_TRUE(MatrixNear(before, frame.world));
}

TEST(ClockArrowTest, TheSystemLocalTimeIsAValidTimeOfDay) {
  int h = -1, m = -1, s = -1;
  ASSERT_TRUE(AC_ClockArrow::SystemLocalTime(h, m, s));
  EXPECT_TRUE(h >= 0 && h < 24 && m >= 0 && m < 60 && s >= 0 && s <= 60);
}

// A clock tree as the 3D objects build it: the hands follow the dial to its centre and
// turn clockwise on the picture (y grows downwards).
TEST(ClockArrowTest, HandsOfAClockTreePointAtTheTimeOnThePicture) {
  MediaRectangle rect;
  rect.Extra1().SetValue(160);
  rect.Extra2().SetValue(120);
  MediaParamT<unsigned int> size(200);
  DS_Frame root;
  D3DXMATRIX s, r;
  D3DXMatrixScaling(&s, 0.01f, 0.01f, 0.01f);
  D3DXMatrixRotationX(&r, animators_test::kPi / 2);
  D3DXMatrixMultiply(&root.local, &s, &r);
  root.SetController(new AC_Static(rect, size));
  std::unique_ptr<DS_Frame> minute(root.AddChild());
  minute->SetController(new AC_ClockArrow(AC_ClockArrow::kMinuteHand));

  struct Case {
    int minutes;
    float dx, dy;  // direction of the hand's tip on the picture
  };
  const Case cases[] = {{0, 0, -1}, {15, 1, 0}, {30, 0, 1}, {45, -1, 0}};
  for (const Case& c : cases) {
    FixedLocalTime now(9, c.minutes, 0);
    root.UpdateWorld(nullptr);
    const D3DXVECTOR3 centre = Transform(D3DXVECTOR3(0, 0, 0), minute->world);
    const D3DXVECTOR3 tip = Transform(D3DXVECTOR3(0, 0, 50), minute->world);
    EXPECT_NEAR(160, centre.x, 1e-3f);
    EXPECT_NEAR(120, centre.y, 1e-3f);
    // 50 units of hand length are 50 x 0.01 x 200 = 100 pixels.
    EXPECT_NEAR(160 + 100 * c.dx, tip.x, 1e-2f) << "minute " << c.minutes;
    EXPECT_NEAR(120 + 100 * c.dy, tip.y, 1e-2f) << "minute " << c.minutes;
  }
  root.children.clear();
}

}  // namespace
