// Grass and a flower drawn on the test device through a plain layer: a blade
// leaning from its foot on the area's bottom edge, and a still flower at its
// centre point.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "Sprites2TestSupport.h"
#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "objects/sprites/Flowers.h"
#include "objects/sprites/Grass.h"
#include "objects/sprites/SpriteArrayObj.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/Layer.h"
#include "render/ViewContext.h"
#include "support/DocResRecord.h"
#include "support/SceneTest.h"
#include "support/TestPictures.h"

namespace {

const uint32_t kWhite = 0xFFFFFFFF;
const float kPi = 3.1415927f;

// Back-buffer pixels map 1:1 to scene pixels; the back buffer is cleared grey.
class GrassFlowersDrawTest : public ds_test::SceneTest {
protected:
  GrassFlowersDrawTest() { sceneSize.Set(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight); }

  void TearDown() override {
    object.reset();
    SceneTest::TearDown();
  }

  void Make(DS_ParticleSystemCtrl& item) {
    item.mainImage = Picture(L"white.bmp", ds_test::SolidBmp(8, 8, kWhite));
    object.reset(static_cast<DS_SpriteArrayObj*>(item.CreateObject()));
    ASSERT_NE(nullptr, object);
    ASSERT_EQ(1u, object->GetQuadCapacity());
  }

  DS_SpriteParticle& Sprite() { return **object->sprites.begin(); }

  ds_test::Image Frame(float t = 0.0f) { return DrawAndRead(*object, t); }

  std::unique_ptr<DS_SpriteArrayObj> object;
};

// A red blade 20 x 80 leaning 45 degrees: its foot on the bottom edge at the base
// x, its top 80 pixels further left.
TEST_F(GrassFlowersDrawTest, BladeLeansFromItsFootOnTheBottomEdge) {
  DS_GrassConstructor item;  // the whole scene as its area
  item.spriteSize.SetValue(80u);
  item.colour.SetValue(0x0000FFu);  // red
  item.swayAmplitude = 45.0f;
  std::srand(5);
  Make(item);
  DS_SpriteParticle& s = Sprite();
  s.halfWidth = 10.0f;
  s.halfHeight = 40.0f;
  s.xAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
  s.velocity.z = 200.0f;  // the foot
  s.position = D3DXVECTOR3(200.0f, ds_test::kTestDeviceHeight - 40.0f, 0.0f);
  // The phase that makes the sway d = 1 at time 0: a lean of the full 45 degrees.
  s.velocity.y = kPi / 2.0f - 200.0f / ds_test::kTestDeviceWidth * 2.0f * kPi;
  s.alpha = 1.0f;
  s.packedColour = DS_ParticleSystemCtrl::PackColor(*object->GetItem(), s);
  const ds_test::Image image = Frame();
  const int bottom = ds_test::kTestDeviceHeight;
  EXPECT_TRUE(ds_test::PixelNear(image, 200, bottom - 4, 0xFF0000, 3)) << "at the foot";
  EXPECT_TRUE(ds_test::PixelNear(image, 240, bottom - 40, 0x404040, 3)) << "right of the blade";
  EXPECT_TRUE(ds_test::PixelNear(image, 160, bottom - 40, 0xFF0000, 3)) << "half-way up, shifted left by half the lean";
  EXPECT_TRUE(ds_test::PixelNear(image, 200, bottom - 40, 0x404040, 3)) << "half-way up, the upright place";
  EXPECT_TRUE(ds_test::PixelNear(image, 124, bottom - 76, 0xFF0000, 3))
      << "near the top, shifted left by the full lean";
}

TEST_F(GrassFlowersDrawTest, StillFlowerStandsAtItsCentre) {
  DS_FlowerConstructor item;
  item.swayAmplitude = 0.0f;
  item.spriteSize.SetValue(40u);
  item.colour.SetValue(0xFF0000u);  // blue
  item.rectangle.Extra1().SetValue(100);
  item.rectangle.Extra2().SetValue(120);
  Make(item);
  DS_SpriteParticle& s = Sprite();
  s.alpha = 1.0f;
  s.packedColour = DS_ParticleSystemCtrl::PackColor(*object->GetItem(), s);
  const ds_test::Image image = Frame();
  EXPECT_TRUE(ds_test::PixelNear(image, 100, 120, 0x0000FF, 3)) << "the centre";
  EXPECT_TRUE(ds_test::PixelNear(image, 100 + static_cast<int>(s.halfWidth) + 4, 120, 0x404040, 3))
      << "right of the picture";
  EXPECT_TRUE(ds_test::PixelNear(image, 100, 120 - static_cast<int>(s.halfHeight) - 4, 0x404040, 3))
      << "above the picture";
}

}  // namespace
