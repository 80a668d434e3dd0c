// The text items drawn on the test device through the compiled text effect, read
// from their own records, with a document that carries the effect and a text
// picture: the static text shows the picture in its colour on its quad and nothing
// beside it, and the scrolling text's picture moves inside the quad from frame to
// frame, as far as its shift says.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "objects/text/TextObjects.h"
#include "support/ItemRecord.h"
#include "support/ScenePixelsTest.h"
#include "support/TestPictures.h"

namespace {

using ds_test::PixelNear;
using ds_test::Image;

const DS_FileKey kEffectKey(L"C:\\scene\\text.fxo", 21);
const GUID kPictureGuid = {0x5EC0DE11, 0xAAAA, 0xBBBB, {0xCC, 0xDD, 0xEE, 0xFF, 0x00, 0x11, 0x22, 0x33}};

// The text picture: its left half white, its right half transparent.
const int kPictureWidth = 64;
const int kPictureHeight = 8;
// The quad: centred on (160, 120), 100 x 20 scene pixels, mapped 1:1 to the target.
const float kLeft = 110.0f;
const float kQuadWidth = 100.0f;
const int kMiddleY = 120;
const uint32_t kRed = 0xFFFF0000;  // the text's own colour (red by default)

class TextPixelsTest : public ds_test::ScenePixelsTest {
protected:
  void SetUp() override {
    ScenePixelsTest::SetUp();
    if (HasFatalFailure()) return;
    ds_test::DocResRecord record = EffectDocument("text", kEffectKey);
    record.guids.push_back(ds_test::MakeGuidPicture(
        kPictureGuid, ds_test::MakePng(kPictureWidth, kPictureHeight, [](int x, int) {
          return x < kPictureWidth / 2 ? 0xFFFFFFFFu : 0x00000000u;
        })));
    UseDocument(record);
  }

  // The item on its quad, as the document's reader makes it from its own record.
  template <class T>
  std::unique_ptr<T> ReadBack(T& item) {
    item.effectLink.StoreKey(kEffectKey);
    item.guid = kPictureGuid;
    item.position.SetValue(D3DXVECTOR3(160.0f, 120.0f, 0.0f));
    item.width.SetValue(100u);
    item.height.SetValue(20u);
    return ds_test::ReadBackItem(item);
  }
};

TEST_F(TextPixelsTest, StaticTextShowsItsPictureInItsColourOnItsQuad) {
  DS_StaticTextConstructor written;
  std::unique_ptr<DS_StaticTextConstructor> text = ReadBack(written);
  ASSERT_TRUE(text);
  object.reset(text->CreateObject());
  for (float t : {0.1f, 0.2f}) {
    const Image image = Frame(t);
    if (image.pixels.empty()) return;
    EXPECT_TRUE(PixelNear(image, 130, kMiddleY, kRed, 3)) << "the picture's white half, in red";
    EXPECT_TRUE(PixelNear(image, 190, kMiddleY, kScene, 3)) << "its transparent half";
    EXPECT_TRUE(PixelNear(image, 100, kMiddleY, kScene, 3)) << "left of the quad";
    EXPECT_TRUE(PixelNear(image, 130, 100, kScene, 3)) << "above the quad";
  }
}

TEST_F(TextPixelsTest, ScrollingTextMovesItsPictureByTheShift) {
  DS_ScrollingTextConstructor written;
  written.ScrollDirection.SetValue(DS_ScrollingTextConstructor::kFirstForward);
  written.ScrollPeriod.SetValue(10u);
  written.TileWidth = 100.0f;  // the picture once across the quad
  written.TileHeight = 20.0f;
  written.speed.SetValue(125u);  // frames 0.2 s apart or more: a control step of 0.5
  std::unique_ptr<DS_ScrollingTextConstructor> text = ReadBack(written);
  ASSERT_TRUE(text);
  object.reset(text->CreateObject());
  const auto* clone =
      static_cast<const DS_ScrollingTextConstructor*>(static_cast<DS_FXObj*>(object.get())->GetControl());

  std::vector<float> shifts;
  std::vector<Image> images;
  for (float t : {1.0f, 2.0f, 3.0f}) {
    images.push_back(Frame(t));
    if (images.back().pixels.empty()) return;
    shifts.push_back(clone->GetShift()[0]);
  }
  ASSERT_NEAR(0.15f, shifts[0], 1e-4f);
  ASSERT_NEAR(0.30f, shifts[1], 1e-4f);

  // Across the quad, the picture's white half lies where u - shift falls in the first
  // half of a repeat; points close to the picture's edges are left out (filtering).
  int changed = 0;
  for (int x = 112; x <= 208; x += 4) {
    const float u = (float(x) - kLeft) / kQuadWidth;
    for (size_t f = 0; f < shifts.size(); ++f) {
      const float s = u - shifts[f];
      const float inRepeat = s - std::floor(s);
      if (std::fabs(inRepeat - 0.5f) < 0.04f || inRepeat < 0.04f || inRepeat > 0.96f) continue;
      const uint32_t expected = inRepeat < 0.5f ? kRed : kScene;
      EXPECT_TRUE(PixelNear(images[f], x, kMiddleY, expected, 3)) << "frame " << f << ", shift " << shifts[f];
    }
    if ((images[0].RgbAt(x, kMiddleY) == (kRed & 0xFFFFFF)) != (images[1].RgbAt(x, kMiddleY) == (kRed & 0xFFFFFF)))
      ++changed;
  }
  EXPECT_GE(changed, 6) << "the picture moved between frames";
  EXPECT_TRUE(PixelNear(images[2], 100, kMiddleY, kScene, 3)) << "nothing left of the quad";
  EXPECT_TRUE(PixelNear(images[2], 220, kMiddleY, kScene, 3)) << "nothing right of the quad";
}

}  // namespace
