// Grass and a flower drawn on the test device through a plain layer: a blade
// leaning from its foot on the area's bottom edge, and a still flower at its
// centre point.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "document/DocResManager.h"
#include "objects/sprites/Flowers.h"
#include "objects/sprites/Grass.h"
#include "objects/sprites/SpriteArrayObj.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/DeviceGlobals.h"
#include "render/Layer.h"
#include "render/ViewContext.h"
#include "Sprites2TestSupport.h"
#include "support/DocResRecord.h"
#include "support/RenderDeviceTest.h"
#include "support/TestPictures.h"

namespace {

const uint32_t kWhite = 0xFFFFFFFF;
const float kPi = 3.1415927f;

// Back-buffer pixels map 1:1 to scene pixels; the back buffer is cleared grey.
class GrassFlowersDrawTest : public ds_test::RenderDeviceTest {
protected:
  static constexpr D3DCOLOR kGrey = 0xFF404040;

  GrassFlowersDrawTest() : scene(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight) {}

  void SetUp() override {
    RenderDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    manager.reset(new DS_DocResManager());
    SetCurrentDocResManager(manager.get());
    view.FitPicture(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight, ds_test::kTestDeviceWidth,
                    ds_test::kTestDeviceHeight, DS_ViewContext::kFitLetterbox);
    g_CurrentViewContext = &view;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  }
  void TearDown() override {
    object.reset();
    SetCurrentDocResManager(nullptr);
    manager.reset();
    g_CurrentViewContext = nullptr;
    if (device) device->SetTexture(0, nullptr);
    RenderDeviceTest::TearDown();
  }

  void Make(DS_ParticleSystemCtrl& item) {
    item.mainImage = manager->MakeImageLink(ds_test::MakeFileEntry(L"white.bmp", ds_test::SolidBmp(8, 8, kWhite)));
    object.reset(static_cast<DS_SpriteArrayObj*>(item.CreateObject()));
    ASSERT_NE(nullptr, object);
    ASSERT_EQ(1u, object->GetQuadCapacity());
  }

  DS_SpriteParticle& Sprite() { return **object->sprites.begin(); }

  ds_test::Image Frame(float t = 0.0f) {
    object->Update(t);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    device->BeginScene();
    view.ApplyTransforms();
    object->Render(&layer);
    device->EndScene();
    ds_test::Image image;
    EXPECT_TRUE(ds_test::ReadBackBuffer(image));
    return image;
  }

  void Expect(const ds_test::Image& image, int x, int y, uint32_t rgb, const char* what) {
    const uint32_t got = image.RgbAt(x, y);
    bool matches = true;
    for (int shift = 0; shift < 24; shift += 8) {
      if (std::abs(int((got >> shift) & 0xFF) - int((rgb >> shift) & 0xFF)) > 3) matches = false;
    }
    if (!matches) {
      ADD_FAILURE() << what << " at (" << x << ", " << y << "): expected " << ds_test::ColorText(rgb) << ", got "
                    << ds_test::ColorText(got) << "; image saved as "
                    << ds_test::SaveFailureImage(image,
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
  }

  sprites2_test::SceneSize scene;
  std::unique_ptr<DS_DocResManager> manager;
  DS_ViewContext view;
  DS_2D_Light layer;
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
  Expect(image, 200, bottom - 4, 0xFF0000, "at the foot");
  Expect(image, 240, bottom - 40, 0x404040, "right of the blade");
  Expect(image, 160, bottom - 40, 0xFF0000, "half-way up, shifted left by half the lean");
  Expect(image, 200, bottom - 40, 0x404040, "half-way up, the upright place");
  Expect(image, 124, bottom - 76, 0xFF0000, "near the top, shifted left by the full lean");
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
  Expect(image, 100, 120, 0x0000FF, "the centre");
  Expect(image, 100 + static_cast<int>(s.halfWidth) + 4, 120, 0x404040, "right of the picture");
  Expect(image, 100, 120 - static_cast<int>(s.halfHeight) - 4, 0x404040, "above the picture");
}

}  // namespace
