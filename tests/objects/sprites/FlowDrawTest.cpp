// Flowing sprites and rain drawn on the test device through a plain layer: the
// quad of a flow sprite lies along the flow or upright as its orientation mode
// says, a rain drop stands upright when it falls straight down, and only the
// share of sprites the time line's opacity allows is drawn.

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <memory>

#include "FlowRainTestSupport.h"
#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "objects/sprites/FlowSprites.h"
#include "objects/sprites/Rain.h"
#include "objects/sprites/SpriteArrayObj.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/Layer.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "support/DocResRecord.h"
#include "support/SceneTest.h"
#include "support/TestPictures.h"

namespace {

const uint32_t kWhite = 0xFFFFFFFF;
const uint32_t kGreyRgb = 0x404040;
const uint32_t kRedRgb = 0xFF0000;

// Back-buffer pixels map 1:1 to scene pixels; the back buffer is cleared grey.
class FlowDrawTest : public ds_test::SceneTest {
protected:
  FlowDrawTest() { sceneSize.Set(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight); }

  void TearDown() override {
    object.reset();
    SceneTest::TearDown();
  }

  DS_ImageFileLink Picture(int width, int height) {
    return SceneTest::Picture(L"white.bmp", ds_test::SolidBmp(width, height, kWhite));
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

  ds_test::Image Frame() { return DrawAndRead(*object, 0.0f); }

  // A bar 10 wide and 20 tall around (160, 120) when `tall`, else 20 wide and
  // 10 tall.
  static testing::AssertionResult ShowsBar(const ds_test::Image& image, bool tall) {
    const struct {
      int x, y;
      uint32_t rgb;
      const char* what;
    } checks[] = {{160, 120, kRedRgb, "centre"},
                  {tall ? 163 : 168, tall ? 128 : 123, kRedRgb, "inside the bar"},
                  {tall ? 168 : 163, tall ? 123 : 128, kGreyRgb, "beside the bar"},
                  {tall ? 160 : 173, tall ? 133 : 120, kGreyRgb, "beyond its length"}};
    for (const auto& check : checks) {
      testing::AssertionResult result = ds_test::PixelNear(image, check.x, check.y, check.rgb, 3);
      if (!result) return result << ", " << check.what;
    }
    return testing::AssertionSuccess();
  }

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
  EXPECT_TRUE(ShowsBar(Frame(), c.tall));
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
  EXPECT_TRUE(ShowsBar(Frame(), true));
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
  EXPECT_FALSE(ds_test::ColoursNear(image.RgbAt(60, 60), kGreyRgb, 3)) << "first sprite drawn";
  EXPECT_FALSE(ds_test::ColoursNear(image.RgbAt(160, 60), kGreyRgb, 3)) << "second sprite drawn";
  EXPECT_TRUE(ds_test::PixelNear(image, 260, 60, kGreyRgb, 3)) << "third sprite not drawn";
}

}  // namespace
