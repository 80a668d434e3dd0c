// Flowing sprites and rain drawn on the test device through a plain layer: the
// quad of a flow sprite lies along the flow or upright as its orientation mode
// says, a rain drop stands upright when it falls straight down, and only the
// share of sprites the time line's opacity allows is drawn.

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <memory>

#include "document/DocResManager.h"
#include "objects/sprites/FlowSprites.h"
#include "objects/sprites/Rain.h"
#include "objects/sprites/SpriteArrayObj.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/DeviceGlobals.h"
#include "render/Layer.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "FlowRainTestSupport.h"
#include "support/DocResRecord.h"
#include "support/RenderDeviceTest.h"
#include "support/TestPictures.h"

using flowrain_test::SceneSize;

namespace {

const uint32_t kWhite = 0xFFFFFFFF;
const uint32_t kGreyRgb = 0x404040;
const uint32_t kRedRgb = 0xFF0000;

// Back-buffer pixels map 1:1 to scene pixels; the back buffer is cleared grey.
class FlowDrawTest : public ds_test::RenderDeviceTest {
protected:
  static constexpr D3DCOLOR kGrey = 0xFF404040;

  FlowDrawTest() : scene(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight) {}

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

  DS_ImageFileLink Picture(int width, int height) {
    return manager->MakeImageLink(ds_test::MakeFileEntry(L"white.bmp", ds_test::SolidBmp(width, height, kWhite)));
  }

  // A still flow of red sprites of size 20.
  void Prepare(DS_FlowConstructor& item, unsigned int count) {
    item.speed = 0.0f;
    item.spriteCount.SetValue(count);
    item.spriteSize.SetValue(20u);
    item.colour.SetValue(0x0000FFu);  // red
  }

  void Make(DS_FlowConstructor& item) {
    object.reset(static_cast<DS_SpriteArrayObj*>(item.CreateObject()));
    ASSERT_NE(nullptr, object);
    ASSERT_EQ(item.spriteCount.GetValue(), object->GetQuadCapacity());
  }

  DS_SpriteParticle& Place(size_t i, float x, float y) {
    auto it = object->sprites.begin();
    std::advance(it, i);
    DS_SpriteParticle& s = **it;
    s.position = D3DXVECTOR3(x, y, 0.0f);
    s.alpha = 1.0f;
    return s;
  }

  ds_test::Image Frame() {
    object->Update(0.0f);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
    device->BeginScene();
    view.ApplyTransforms();
    object->Render(&layer);
    device->EndScene();
    ds_test::Image image;
    EXPECT_TRUE(ds_test::ReadBackBuffer(image));
    return image;
  }

  bool Near(uint32_t got, uint32_t rgb) {
    for (int shift = 0; shift < 24; shift += 8) {
      if (std::abs(int((got >> shift) & 0xFF) - int((rgb >> shift) & 0xFF)) > 3) return false;
    }
    return true;
  }

  void Expect(const ds_test::Image& image, int x, int y, uint32_t rgb, const char* what) {
    const uint32_t got = image.RgbAt(x, y);
    if (!Near(got, rgb)) {
      ADD_FAILURE() << what << " at (" << x << ", " << y << "): expected " << ds_test::ColorText(rgb) << ", got "
                    << ds_test::ColorText(got) << "; image saved as "
                    << ds_test::SaveFailureImage(image,
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
  }

  // A bar 10 wide and 20 tall around (160, 120) when `tall`, else 20 wide and
  // 10 tall.
  void ExpectBar(const ds_test::Image& image, bool tall) {
    Expect(image, 160, 120, kRedRgb, "centre");
    Expect(image, tall ? 163 : 168, tall ? 128 : 123, kRedRgb, "inside the bar");
    Expect(image, tall ? 168 : 163, tall ? 123 : 128, kGreyRgb, "beside the bar");
    Expect(image, tall ? 160 : 173, tall ? 133 : 120, kGreyRgb, "beyond its length");
  }

  SceneSize scene;
  std::unique_ptr<DS_DocResManager> manager;
  DS_ViewContext view;
  DS_2D_Light layer;
  std::unique_ptr<DS_SpriteArrayObj> object;
};

struct BarCase {
  unsigned int angle;
  int orientation;
  bool tall;
};

class FlowBarTest : public FlowDrawTest, public ::testing::WithParamInterface<BarCase> {};

TEST_P(FlowBarTest, WidePictureLiesAsTheOrientationSays) {
  const BarCase c = GetParam();
  DS_FlowConstructor item;
  Prepare(item, 1);
  item.angle.SetValue(c.angle);
  item.orientationMode.SetValue(c.orientation);
  item.mainImage = Picture(16, 8);  // half as tall as wide
  Make(item);
  Place(0, 160.0f, 120.0f);
  ExpectBar(Frame(), c.tall);
}

const BarCase kBars[] = {
    {0, DS_FlowConstructor::kAlongFlow, false},
    {90, DS_FlowConstructor::kAlongFlow, true},
    {270, DS_FlowConstructor::kAlongFlow, true},
    {90, DS_FlowConstructor::kUpright, false},
    {180, DS_FlowConstructor::kMirrorX, false},
};
INSTANTIATE_TEST_SUITE_P(Cases, FlowBarTest, ::testing::ValuesIn(kBars));

TEST_F(FlowDrawTest, RainDropStandsUprightFallingStraightDown) {
  DS_RainConstructor rain;
  Prepare(rain, 1);
  rain.mainImage = Picture(8, 16);  // a tall drop
  Make(rain);
  Place(0, 160.0f, 120.0f);
  ExpectBar(Frame(), true);
}

TEST_F(FlowDrawTest, OnlyTheOpacitysShareOfSpritesIsDrawn) {
  DS_FlowConstructor item;
  Prepare(item, 3);
  item.mainImage = Picture(8, 8);
  DS_TimeLineControl& tl = item.TimeLine();
  tl.mode.SetValue(DS_TimeLineControl::kWindows);
  tl.AddWindow({0.0f, 100.0f, 1.0f, 99.0f});
  Make(item);
  object->GetItem()->TimeLine().SetWrappedTime(0.7f);
  ASSERT_EQ(2, object->GetItem()->GetParticleCount());
  Place(0, 60.0f, 60.0f);
  Place(1, 160.0f, 60.0f);
  Place(2, 260.0f, 60.0f);
  const ds_test::Image image = Frame();
  EXPECT_FALSE(Near(image.RgbAt(60, 60), kGreyRgb)) << "first sprite drawn";
  EXPECT_FALSE(Near(image.RgbAt(160, 60), kGreyRgb)) << "second sprite drawn";
  Expect(image, 260, 60, kGreyRgb, "third sprite not drawn");
}

}  // namespace
