// God rays, lightning flashes, fish and ghosts drawn on the test device
// through a plain layer: the lean of a ray, a flash at full strength while its
// time line is invisible, fish facing the way they swim, and a ghost dimmed
// twice by its time line.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "document/DocResManager.h"
#include "objects/sprites/Fish.h"
#include "objects/sprites/GodRays.h"
#include "objects/sprites/LightningFlashes.h"
#include "objects/sprites/SpriteArrayObj.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/DeviceGlobals.h"
#include "render/Layer.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "Sprites2TestSupport.h"
#include "support/DocResRecord.h"
#include "support/RenderDeviceTest.h"
#include "support/TestPictures.h"

using sprites2_test::SceneSize;

namespace {

const uint32_t kWhite = 0xFFFFFFFF;
const uint32_t kRed = 0xFFFF0000;
const uint32_t kBlue = 0xFF0000FF;

// Back-buffer pixels map 1:1 to scene pixels; the back buffer is cleared grey.
class SpriteFamiliesDrawTest : public ds_test::RenderDeviceTest {
protected:
  static constexpr D3DCOLOR kGrey = 0xFF404040;

  SpriteFamiliesDrawTest() : scene(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight) {}

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

  DS_ImageFileLink Picture(const wchar_t* name, const std::vector<unsigned char>& bytes) {
    return manager->MakeImageLink(ds_test::MakeFileEntry(name, bytes));
  }

  void Make(DS_ParticleSystemCtrl& item) {
    object.reset(static_cast<DS_SpriteArrayObj*>(item.CreateObject()));
    ASSERT_NE(nullptr, object);
    ASSERT_EQ(item.spriteCount.GetValue(), object->GetQuadCapacity());
  }

  DS_SpriteParticle& Sprite(size_t i) {
    auto it = object->sprites.begin();
    std::advance(it, i);
    return **it;
  }

  // Puts sprite i at (x, y), fully opaque, its colour repacked.
  DS_SpriteParticle& Place(size_t i, float x, float y) {
    DS_SpriteParticle& s = Sprite(i);
    s.position = D3DXVECTOR3(x, y, 0.0f);
    s.alpha = 1.0f;
    s.packedColour = DS_ParticleSystemCtrl::PackColor(*object->GetItem(), s);
    return s;
  }

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

  SceneSize scene;
  std::unique_ptr<DS_DocResManager> manager;
  DS_ViewContext view;
  DS_2D_Light layer;
  std::unique_ptr<DS_SpriteArrayObj> object;
};

TEST_F(SpriteFamiliesDrawTest, UprightRaySpansTheSceneHeight) {
  DS_GodRayConstructor item;
  item.rayAngle.SetValue(90u);
  item.spriteSize.SetValue(20u);
  item.colour.SetValue(0x0000FFu);  // red
  item.mainImage = Picture(L"white.bmp", ds_test::SolidBmp(8, 8, kWhite));
  Make(item);
  Place(0, 160.0f, 120.0f).velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  const ds_test::Image image = Frame();
  Expect(image, 160, 3, 0xFF0000, "top of the ray");
  Expect(image, 160, 236, 0xFF0000, "bottom of the ray");
  Expect(image, 153, 120, 0xFF0000, "inside its width");
  Expect(image, 174, 120, 0x404040, "beside it");
}

TEST_F(SpriteFamiliesDrawTest, EightyDegreeRayLeansItsTopToTheRight) {
  DS_GodRayConstructor item;  // 80 degrees by default
  item.spriteSize.SetValue(20u);
  item.colour.SetValue(0x0000FFu);
  item.mainImage = Picture(L"white.bmp", ds_test::SolidBmp(8, 8, kWhite));
  Make(item);
  Place(0, 160.0f, 120.0f).velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  const ds_test::Image image = Frame();
  // The ray's middle runs through x = 160 + (120 - y) x cot(80 degrees).
  Expect(image, 179, 10, 0xFF0000, "near the top, shifted right");
  Expect(image, 160, 10, 0x404040, "near the top, the upright place");
  Expect(image, 141, 230, 0xFF0000, "near the bottom, shifted left");
  Expect(image, 160, 230, 0x404040, "near the bottom, the upright place");
  Expect(image, 160, 120, 0xFF0000, "the centre");
}

TEST_F(SpriteFamiliesDrawTest, FlashIsDrawnAtFullStrengthWhileTheTimeLineIsInvisible) {
  DS_LightingConstructor item;  // additive, cycle starting invisible
  item.spriteSize.SetValue(20u);
  item.colour.SetValue(0xFF0000u);  // blue
  item.mainImage = Picture(L"white.bmp", ds_test::SolidBmp(8, 8, kWhite));
  Make(item);
  ASSERT_EQ(0.0f, object->GetItem()->TimeLine().GetAlpha());
  Place(0, 100.0f, 80.0f);
  const ds_test::Image image = Frame();
  Expect(image, 100, 80, 0x4040FF, "blue added to grey");
  Expect(image, 130, 80, 0x404040, "beside the flash");
}

TEST_F(SpriteFamiliesDrawTest, FishFaceTheWayTheySwim) {
  DS_FishConstructor item;
  item.spriteCount.SetValue(2u);
  item.spriteSize.SetValue(20u);
  // Red on the left half, blue on the right.
  item.mainImage =
      Picture(L"fish.bmp", ds_test::MakeBmp(8, 8, [](int x, int) -> uint32_t { return x < 4 ? kRed : kBlue; }));
  Make(item);
  for (size_t i = 0; i < 2; ++i) {
    DS_SpriteParticle& s = Place(i, i == 0 ? 100.0f : 200.0f, 80.0f);
    s.velocity = D3DXVECTOR3(i == 0 ? 30.0f : -30.0f, 0.0f, 0.0f);
    s.halfWidth = i == 0 ? 10.0f : -10.0f;
    s.halfHeight = 10.0f;
    s.xAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    s.yAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  }
  const ds_test::Image image = Frame();
  Expect(image, 95, 80, 0xFF0000, "swimming right: its left half on the left");
  Expect(image, 105, 80, 0x0000FF, "swimming right: its right half on the right");
  Expect(image, 195, 80, 0x0000FF, "swimming left: mirrored");
  Expect(image, 205, 80, 0xFF0000, "swimming left: mirrored");
}

TEST_F(SpriteFamiliesDrawTest, GhostIsDimmedTwiceByItsTimeLine) {
  DS_GhostConstructor item;  // transparency 50 %
  item.spriteSize.SetValue(20u);
  item.mainImage = Picture(L"white.bmp", ds_test::SolidBmp(8, 8, kWhite));
  // Half-way through a fade-in.
  item.TimeLine().mode.SetValue(DS_TimeLineControl::kWindows);
  item.TimeLine().AddWindow({0.0f, 100.0f, 1.0f, 99.0f});
  Make(item);
  object->GetItem()->TimeLine().SetWrappedTime(0.5f);
  Place(0, 100.0f, 80.0f);
  const ds_test::Image image = Frame();
  // Alpha byte int(int(127 x 0.5) x 0.5) = 31: white over grey.
  const int a = 31;
  const int level = (255 * a + 0x40 * (255 - a)) / 255;
  Expect(image, 100, 80, uint32_t(level) * 0x010101u, "white at alpha 31 over grey");
}

}  // namespace
