// The run-time object of the 3D objects without a device: its instance trees as the
// instance count changes, who owns the animators, how the trees are bound to the mesh
// nodes, and where the clock's hands point at given times.

#include <cmath>
#include <memory>
#include <vector>

#include <d3dx9math.h>

#include <gtest/gtest.h>

#include "tests/objects/sprites/AnimatorTestSupport.h"
#include "objects/mesh3d/Objects3D.h"
#include "objects/sprites/CharacterAnimators.h"
#include "render/SceneMapping.h"
#include "tests/objects/sprites/Sprites2TestSupport.h"

namespace {

using animators_test::FixedLocalTime;
using sprites2_test::SceneSize;

// An animator that counts the live ones: a tree that is not deleted leaves some behind.
class CountingAnimator : public DS_AnimationBase {
public:
  CountingAnimator() { ++live; }
  ~CountingAnimator() override { --live; }
  void Animate(DS_Frame& frame) override { frame.world = frame.local; }
  static inline int live = 0;
};

// Trees of a root and two children, each frame with its own counting animator.
class CountingItem : public DS_3D_Obj_Ctrl {
public:
  void BuildMeshes(std::vector<DS_MeshNode>& nodes) override { nodes.resize(2); }
  void BindInstances(std::list<DS_Frame*>& instances, std::vector<DS_MeshNode>& nodes) override {
    ++bindings;
    BindBodyAndChildren(instances, nodes);
  }
  DS_Frame* CreateInstance() override {
    DS_Frame* root = new DS_Frame();
    root->SetController(new CountingAnimator());
    for (int i = 0; i < 2; ++i) root->AddChild()->SetController(new CountingAnimator());
    return root;
  }
  DS_3D_Obj_Ctrl* Clone() const override { return new CountingItem(*this); }
  int bindings = 0;
};

template <class Object = DS_3DObjArray>
std::unique_ptr<Object> Create(DS_3D_Obj_Ctrl& item) {
  return std::unique_ptr<Object>(static_cast<Object*>(item.CreateObject()));
}

std::vector<DS_Frame*> Roots(const DS_3DObjArray& object) {
  return std::vector<DS_Frame*>(object.GetInstances().begin(), object.GetInstances().end());
}

// Every root's children at the front of node 1 (so the last root's come first, each
// root's in reverse), every root at the end of node 0.
void ExpectBound(DS_3DObjArray& object) {
  const std::vector<DS_Frame*> roots = Roots(object);
  std::vector<DS_Frame*> children;
  for (auto r = roots.rbegin(); r != roots.rend(); ++r) {
    for (auto c = (*r)->children.rbegin(); c != (*r)->children.rend(); ++c) children.push_back(*c);
  }
  ASSERT_EQ(2u, object.GetMeshNodes().size());
  EXPECT_EQ(roots, object.GetMeshNodes()[0].instances);
  EXPECT_EQ(children, object.GetMeshNodes()[1].instances);
}

TEST(Objects3DArrayTest, FewerInstancesDeleteTheFirstTrees) {
  CountingAnimator::live = 0;
  {
    CountingItem item;
    item.instanceCount.SetValue(3);
    std::unique_ptr<DS_3DObjArray> object = Create(item);
    CountingItem& clone = static_cast<CountingItem&>(object->GetItem());
    EXPECT_NE(&item, &clone) << "the object runs a clone";
    const std::vector<DS_Frame*> roots = Roots(*object);
    ASSERT_EQ(3u, roots.size());
    EXPECT_EQ(9, CountingAnimator::live);
    ExpectBound(*object);

    clone.bindings = 0;
    clone.instanceCount.SetValue(1);
    EXPECT_EQ(std::vector<DS_Frame*>{roots[2]}, Roots(*object)) << "the first two are deleted";
    EXPECT_EQ(3, CountingAnimator::live) << "the deleted trees took their animators with them";
    EXPECT_EQ(1, clone.bindings);
    ExpectBound(*object);
    EXPECT_EQ(2u, object->GetMeshNodes()[1].instances.size()) << "the remaining tree is bound once";

    clone.instanceCount.SetValue(2);
    EXPECT_EQ(2u, object->GetInstances().size());
    EXPECT_EQ(roots[2], object->GetInstances().front()) << "new trees are appended";
    ExpectBound(*object);
  }
  EXPECT_EQ(0, CountingAnimator::live) << "the object deletes every tree";
}

// The count comes from the document: an absurd one must not hang or exhaust memory.
TEST(Objects3DArrayTest, InstanceCountIsBounded) {
  CountingAnimator::live = 0;
  CountingItem item;
  item.instanceCount.SetValue(0xFFFFFFFFu);
  std::unique_ptr<DS_3DObjArray> object = Create(item);
  EXPECT_EQ(1024u, object->GetInstances().size());
  object->GetItem().instanceCount.SetValue(0);
  EXPECT_TRUE(object->GetInstances().empty());
  EXPECT_TRUE(object->GetMeshNodes()[0].instances.empty());
  EXPECT_TRUE(object->GetMeshNodes()[1].instances.empty());
  EXPECT_EQ(0, CountingAnimator::live);
  object->Update(0.1f);
}

// Without a document nothing can be loaded: the nodes stay empty and the trees are
// still made and bound.
TEST(Objects3DArrayTest, ButterflyTreesOwnTheirWingAnimators) {
  SceneSize scene(320, 240);
  DS_ButterflyConstructor item;
  item.instanceCount.SetValue(3);
  item.wingScale = 2.0f;
  std::unique_ptr<DS_3DObjArray> object = Create(item);
  ASSERT_EQ(3u, object->GetInstances().size());
  ExpectBound(*object);
  EXPECT_EQ(0, object->GetMeshNodes()[0].twoSided);
  EXPECT_EQ(1, object->GetMeshNodes()[1].twoSided) << "the wings are blended and drawn both ways";
  for (const DS_MeshNode& node : object->GetMeshNodes()) {
    EXPECT_FALSE(node.vertices.buffer);
    EXPECT_EQ(0, node.indices.primitiveCount);
  }

  D3DXMATRIX s, r, expectedRoot, expectedWing;
  D3DXMatrixScaling(&s, 0.5f, 0.5f, 0.5f);
  D3DXMatrixRotationY(&r, animators_test::kPi / 2);
  D3DXMatrixMultiply(&expectedRoot, &s, &r);
  D3DXMatrixScaling(&expectedWing, 2.0f, 2.0f, 2.0f);
  for (DS_Frame* root : object->GetInstances()) {
    AC_Butterfly* butterfly = dynamic_cast<AC_Butterfly*>(root->GetController());
    ASSERT_NE(nullptr, butterfly);
    EXPECT_TRUE(animators_test::MatrixNear(expectedRoot, root->local));
    ASSERT_EQ(2u, root->children.size());
    EXPECT_EQ(butterfly->GetWing1(), root->children[0]->GetController()) << "the first wing frame owns wing 1";
    EXPECT_EQ(butterfly->GetWing2(), root->children[1]->GetController());
    EXPECT_TRUE(animators_test::MatrixNear(expectedWing, root->children[0]->local));
  }
  for (int i = 1; i <= 20; ++i) object->Update(0.05f * i);
  for (DS_Frame* root : object->GetInstances()) {
    for (int k = 0; k < 16; ++k) EXPECT_TRUE(std::isfinite(root->world[k]));
    for (DS_Frame* wing : root->children) {
      for (int k = 0; k < 16; ++k) EXPECT_TRUE(std::isfinite(wing->world[k]));
    }
  }
  EXPECT_FALSE(object->HitTest(POINT{160, 120}, 0)) << "butterflies are never hit";
  object->GetItem().instanceCount.SetValue(1);
  EXPECT_EQ(1u, object->GetInstances().size());
  ExpectBound(*object);
}

struct HandCase {
  int hours, minutes;
};

// A hand's tip: the end of a hand 100 units long in its own space, in scene pixels.
D3DXVECTOR3 Tip(const DS_Frame& hand) {
  const D3DXVECTOR3 tip(0, 0, 100);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &tip, &hand.world);
  return out;
}

TEST(Objects3DArrayTest, ClockHandsPointAtTheTime) {
  SceneSize scene(640, 480);
  DS_ClockConstructor item;
  item.size.SetValue(200);
  std::unique_ptr<DS_3DObjArray> object = Create(item);
  ASSERT_EQ(1u, object->GetInstances().size());
  ExpectBound(*object);
  DS_Frame* root = object->GetInstances().front();
  ASSERT_NE(nullptr, dynamic_cast<AC_Static*>(root->GetController()));
  ASSERT_EQ(2u, root->children.size());
  DS_Frame* hour = root->children[0];
  DS_Frame* minute = root->children[1];
  auto* hourHand = dynamic_cast<AC_ClockArrow*>(hour->GetController());
  auto* minuteHand = dynamic_cast<AC_ClockArrow*>(minute->GetController());
  ASSERT_TRUE(hourHand && minuteHand);
  EXPECT_EQ(AC_ClockArrow::kHourHand, hourHand->GetKind());
  EXPECT_EQ(AC_ClockArrow::kMinuteHand, minuteHand->GetKind());

  const DS_ClockConstructor& clock = static_cast<const DS_ClockConstructor&>(object->GetItem());
  EXPECT_EQ(220, clock.clockRect.Left().GetValue()) << "the dial's square around the centre";
  EXPECT_EQ(420, clock.clockRect.Right().GetValue());
  // The picture shown at scene size on a back buffer of the same size.
  const DS_ScreenQuad savedQuad = g_PictureQuad;
  const float savedX = g_BackBufferScaleX, savedY = g_BackBufferScaleY;
  g_PictureQuad.SetCorners(0, 0, 640, 480);
  g_BackBufferScaleX = g_BackBufferScaleY = 1.0f;
  EXPECT_TRUE(object->HitTest(POINT{400, 300}, 0));
  EXPECT_TRUE(object->HitTest(POINT{221, 141}, 0));
  EXPECT_FALSE(object->HitTest(POINT{100, 100}, 0));
  EXPECT_FALSE(object->HitTest(POINT{219, 240}, 0));
  g_PictureQuad = savedQuad;
  g_BackBufferScaleX = savedX;
  g_BackBufferScaleY = savedY;

  // Hands 40 and 51 units long at 0.01 x size pixels a unit; 12 o'clock is up (y down).
  const HandCase cases[] = {{3, 0}, {6, 30}, {9, 45}, {0, 10}, {23, 59}};
  for (const HandCase& c : cases) {
    FixedLocalTime now(c.hours, c.minutes, 0);
    object->Update(0.1f);
    const float hourAngle = AC_ClockArrow::HandAngle(AC_ClockArrow::kHourHand, c.hours, c.minutes, 0) * animators_test::kPi / 180;
    const float minuteAngle = c.minutes * 6.0f * animators_test::kPi / 180;
    const D3DXVECTOR3 h = Tip(*hour);
    const D3DXVECTOR3 m = Tip(*minute);
    EXPECT_NEAR(320 + 80 * std::sin(hourAngle), h.x, 0.5f) << c.hours << ":" << c.minutes;
    EXPECT_NEAR(240 - 80 * std::cos(hourAngle), h.y, 0.5f) << c.hours << ":" << c.minutes;
    EXPECT_NEAR(320 + 102 * std::sin(minuteAngle), m.x, 0.5f) << c.hours << ":" << c.minutes;
    EXPECT_NEAR(240 - 102 * std::cos(minuteAngle), m.y, 0.5f) << c.hours << ":" << c.minutes;
  }
}

}  // namespace
