// The 3D objects drawn through the layer on the test device: meshes embedded in the
// document from .x text, pictures made in code, scene pixels as the device's.

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/objects/sprites/AnimatorTestSupport.h"
#include "Mesh3DDrawSupport.h"
#include "objects/mesh3d/Objects3D.h"
#include "objects/sprites/CharacterAnimators.h"
#include "render/Layer.h"
#include "render/ViewContext.h"
#include "tests/objects/sprites/Sprites2TestSupport.h"
#include "support/TestPictures.h"

namespace {

using animators_test::FixedLocalTime;

// A flat hand in the x-z plane: 800 units wide, 100 long from the pivot along z. The
// clock uses it for dial and hands alike.
const char kHandX[] =
    "xof 0303txt 0032\n"
    "Mesh Hand {\n 4;\n -400.0;0.0;0.0;,\n -400.0;0.0;100.0;,\n 400.0;0.0;0.0;,\n 400.0;0.0;100.0;;\n"
    " 2;\n 3;0,1,2;,\n 3;2,1,3;;\n}\n";

// A cube of 80 units.
const char kCubeX[] =
    "xof 0303txt 0032\n"
    "Mesh Cube {\n 8;\n -40.0;-40.0;-40.0;,\n 40.0;-40.0;-40.0;,\n 40.0;40.0;-40.0;,\n -40.0;40.0;-40.0;,\n"
    " -40.0;-40.0;40.0;,\n 40.0;-40.0;40.0;,\n 40.0;40.0;40.0;,\n -40.0;40.0;40.0;;\n"
    " 12;\n 3;0,3,2;,\n 3;0,2,1;,\n 3;4,5,6;,\n 3;4,6,7;,\n 3;0,4,7;,\n 3;0,7,3;,\n"
    " 3;1,2,6;,\n 3;1,6,5;,\n 3;0,1,5;,\n 3;0,5,4;,\n 3;3,7,6;,\n 3;3,6,2;;\n}\n";

const uint32_t kDial = 0x0000FF;
const uint32_t kHands = 0x00FF00;
const uint32_t kBody = 0xFF0000;
const uint32_t kWings = 0xFFFF00;

class Objects3DDrawTest : public mesh3d_test::Mesh3DDrawTest {
protected:
  void TearDown() override {
    object.reset();
    Mesh3DDrawTest::TearDown();
  }

  bool Draw(float t, ds_test::Image& image) { return Mesh3DDrawTest::Draw(*object, t, image); }

  std::unique_ptr<DS_3DObjArray> object;
};

// The pixel `distance` pixels from the centre (160, 120) at `degrees` clockwise from 12.
int PointX(float degrees, float distance) { return int(160 + distance * std::sin(degrees * animators_test::kPi / 180)); }
int PointY(float degrees, float distance) { return int(120 - distance * std::cos(degrees * animators_test::kPi / 180)); }
// The clock's dial covers the picture above the centre.
uint32_t Background(int y) { return y < 120 ? kDial : 0u; }

TEST_F(Objects3DDrawTest, ClockDrawsDialAndHandsAtTheTime) {
  sprites2_test::SceneSize scene(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight);
  DS_ClockConstructor item;
  item.size.SetValue(200);
  item.meshFile.StoreKey(EmbedMesh(L"C:\\scene\\hand.x", kHandX));
  item.imageLink = Picture(L"dial.bmp", kDial);
  item.handsImage = Picture(L"hands.bmp", kHands);
  object.reset(static_cast<DS_3DObjArray*>(item.CreateObject()));
  ASSERT_EQ(2, object->GetMeshNodes()[0].indices.primitiveCount) << "the embedded mesh was loaded";

  // Centre (160, 120). The dial is the mesh without the hands' narrowing: 1600 x 200
  // pixels, covering the picture above the centre. The hour hand reaches 80 pixels, the
  // minute hand 102; both are 16 wide and drawn over the dial.
  const int times[][2] = {{3, 0}, {6, 30}, {9, 45}, {1, 20}};
  for (const auto& time : times) {
    FixedLocalTime now(time[0], time[1], 0);
    ds_test::Image image;
    ASSERT_TRUE(Draw(0.1f, image));
    const std::string at = std::to_string(time[0]) + ":" + std::to_string(time[1]) + " (image " +
                           ds_test::SaveFailureImage(image, "mesh3d_clock") + ")";
    const float hour = AC_ClockArrow::HandAngle(AC_ClockArrow::kHourHand, time[0], time[1], 0);
    const float minute = time[1] * 6.0f;
    EXPECT_EQ(kHands, image.RgbAt(PointX(hour, 50), PointY(hour, 50))) << at;
    EXPECT_EQ(Background(PointY(hour, 92)), image.RgbAt(PointX(hour, 92), PointY(hour, 92)))
        << "the hour hand is shorter " << at;
    EXPECT_EQ(kHands, image.RgbAt(PointX(minute, 90), PointY(minute, 90))) << at;
    EXPECT_EQ(Background(PointY(minute, 110)), image.RgbAt(PointX(minute, 110), PointY(minute, 110))) << at;
    EXPECT_EQ(kDial, image.RgbAt(160, 119)) << at;
    EXPECT_EQ(kDial, image.RgbAt(40, 40)) << at;
    EXPECT_EQ(0u, image.RgbAt(40, 200)) << at;
  }
}

// A new dial picture reloads the dial node of the running object.
TEST_F(Objects3DDrawTest, NewDialPictureReloadsTheDial) {
  sprites2_test::SceneSize scene(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight);
  DS_ClockConstructor item;
  item.size.SetValue(200);
  item.meshFile.StoreKey(EmbedMesh(L"C:\\scene\\hand.x", kHandX));
  item.imageLink = Picture(L"dial.bmp", kDial);
  object.reset(static_cast<DS_3DObjArray*>(item.CreateObject()));
  FixedLocalTime now(6, 30, 0);
  ds_test::Image image;
  ASSERT_TRUE(Draw(0.1f, image));
  EXPECT_EQ(kDial, image.RgbAt(40, 40));
  object->GetItem().imageLink = Picture(L"dial2.bmp", kBody);
  ASSERT_TRUE(Draw(0.2f, image));
  EXPECT_EQ(kBody, image.RgbAt(40, 40)) << "image " << ds_test::SaveFailureImage(image, "mesh3d_dial");
  EXPECT_EQ(2, object->GetMeshNodes()[0].indices.primitiveCount) << "the dial keeps its mesh";
}

// Meshes the document cannot provide (here the default module is missing) leave the
// nodes empty: nothing is drawn and nothing fails.
TEST_F(Objects3DDrawTest, MissingMeshesDrawNothing) {
  sprites2_test::SceneSize scene(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight);
  DS_ClockConstructor clock;
  DS_ButterflyConstructor butterfly;
  butterfly.instanceCount.SetValue(3);
  for (DS_3D_Obj_Ctrl* item : {static_cast<DS_3D_Obj_Ctrl*>(&clock), static_cast<DS_3D_Obj_Ctrl*>(&butterfly)}) {
    object.reset(static_cast<DS_3DObjArray*>(item->CreateObject()));
    for (const DS_MeshNode& node : object->GetMeshNodes()) EXPECT_FALSE(node.vertices.buffer);
    ds_test::Image image;
    ASSERT_TRUE(Draw(0.1f, image));
    EXPECT_EQ(ds_test::kTestDeviceWidth * ds_test::kTestDeviceHeight, CountColour(image, 0));
  }
}

TEST_F(Objects3DDrawTest, ButterfliesDrawBodiesAndWings) {
  sprites2_test::SceneSize scene(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight);
  DS_ButterflyConstructor item;
  item.instanceCount.SetValue(3);
  item.bodyMesh.StoreKey(EmbedMesh(L"C:\\scene\\body.x", kCubeX));
  item.meshFile.StoreKey(EmbedMesh(L"C:\\scene\\wing.x", kCubeX));
  item.bodyImage = Picture(L"body.bmp", kBody);
  item.imageLink = Picture(L"wings.bmp", kWings);
  object.reset(static_cast<DS_3DObjArray*>(item.CreateObject()));
  EXPECT_EQ(12, object->GetMeshNodes()[0].indices.primitiveCount);
  EXPECT_EQ(12, object->GetMeshNodes()[1].indices.primitiveCount);
  ds_test::Image image;
  ASSERT_TRUE(Draw(0.1f, image));
  const std::string saved = ds_test::SaveFailureImage(image, "mesh3d_butterflies");
  EXPECT_GT(CountColour(image, kWings), 0) << saved;
  EXPECT_GT(CountColour(image, kBody) + CountColour(image, kWings), 100) << saved;
}

}  // namespace
