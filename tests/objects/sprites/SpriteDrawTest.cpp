// Sprite systems drawn on the test device through a plain layer: textured and
// tinted quads, blending, the second picture, frame animation, count changes,
// the static flag and the images of version-1 items.

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <memory>
#include <vector>

#include "SpriteTestSupport.h"
#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "render/Layer.h"
#include "render/ViewContext.h"
#include "support/DocResRecord.h"
#include "support/SceneTest.h"
#include "support/TestPictures.h"

using sprites_test::ItemOf;
using sprites_test::TestSpriteItem;

namespace {

const uint32_t kRed = 0xFFFF0000;
const uint32_t kBlue = 0xFF0000FF;
const uint32_t kWhite = 0xFFFFFFFF;

// Back-buffer pixels map 1:1 to scene pixels; the back buffer is cleared grey.
class SpriteDrawTest : public ds_test::SceneTest {
protected:
  SpriteDrawTest() { sceneSize.Set(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight); }

  void SetUp() override {
    SceneTest::SetUp();
    if (HasFatalFailure()) return;
    item.spriteSize.SetValue(20u);
    item.mainImage = Picture(L"white.bmp", kWhite);
  }
  void TearDown() override {
    object.reset();
    SceneTest::TearDown();
  }

  DS_ResourceEntry Entry(const wchar_t* name, uint32_t colour) {
    return ds_test::MakeFileEntry(name, ds_test::SolidBmp(8, 8, colour));
  }
  DS_ImageFileLink Picture(const wchar_t* name, uint32_t colour) { return manager->MakeImageLink(Entry(name, colour)); }

  void Make() { object.reset(static_cast<DS_SpriteArrayObj*>(item.CreateObject())); }

  // Puts sprite i at (x, y) with alpha, colour repacked.
  void Place(size_t i, float x, float y, float alpha = 1.0f) {
    auto it = object->sprites.begin();
    std::advance(it, i);
    (*it)->position = D3DXVECTOR3(x, y, 0.0f);
    (*it)->alpha = alpha;
    (*it)->packedColour = DS_ParticleSystemCtrl::PackColor(*object->GetItem(), **it);
  }

  ds_test::Image Frame(float t = 0.0f, bool update = true) { return DrawAndRead(*object, t, update); }

  TestSpriteItem item;
  std::unique_ptr<DS_SpriteArrayObj> object;
};

TEST_F(SpriteDrawTest, SpritesDrawAsTintedBlendedSquares) {
  item.spriteCount.SetValue(2u);
  item.colour.SetValue(0x0000FFu);  // red, stored with red in the low byte
  Make();
  ASSERT_EQ(2u, object->GetQuadCapacity());
  Place(0, 100, 80);
  Place(1, 200, 150, 0.5f);
  const ds_test::Image image = Frame();
  EXPECT_TRUE(ds_test::PixelNear(image, 100, 80, 0xFF0000, 3)) << "opaque sprite";
  EXPECT_TRUE(ds_test::PixelNear(image, 91, 71, 0xFF0000, 3)) << "inside its 20 x 20 square";
  EXPECT_TRUE(ds_test::PixelNear(image, 100, 92, 0x404040, 3)) << "below it";
  EXPECT_TRUE(ds_test::PixelNear(image, 88, 80, 0x404040, 3)) << "left of it";
  EXPECT_TRUE(ds_test::PixelNear(image, 200, 150, 0x9F2020, 3)) << "half-transparent sprite over grey";
}

TEST_F(SpriteDrawTest, TextureIsModulatedByTheSpriteColour) {
  item.mainImage = Picture(L"red.bmp", kRed);
  item.colour.SetValue(0x00FFFFu);  // yellow
  Make();
  Place(0, 100, 80);
  EXPECT_TRUE(ds_test::PixelNear(Frame(), 100, 80, 0xFF0000, 3)) << "red picture under a yellow tint";
  object->GetItem()->colour.SetValue(0xFF0000u);  // blue
  Place(0, 100, 80);
  EXPECT_TRUE(ds_test::PixelNear(Frame(), 100, 80, 0x000000, 3)) << "red picture under a blue tint";
}

TEST_F(SpriteDrawTest, AdditiveSpritesAddToTheScene) {
  item.additive.SetValue(1);
  item.colour.SetValue(0x0000FFu);
  Make();
  Place(0, 100, 80, 0.5f);
  EXPECT_TRUE(ds_test::PixelNear(Frame(), 100, 80, 0xBF4040, 3)) << "half red added to grey";
}

struct SecondCase {
  const char* what;
  int additive;
  uint32_t rgb;
};

class SecondTextureTest : public SpriteDrawTest, public ::testing::WithParamInterface<SecondCase> {};

TEST_P(SecondTextureTest, SecondPictureIsDrawnOverTheFirst) {
  const SecondCase& c = GetParam();
  item.mainImage = Picture(L"red.bmp", kRed);
  item.secondImage = Picture(L"blue.bmp", kBlue);
  item.additive.SetValue(c.additive);
  Make();
  IDirect3DTexture9* second = object->GetSecondTexture();
  ASSERT_NE(nullptr, second);
  second->Release();
  Place(0, 100, 80);
  EXPECT_TRUE(ds_test::PixelNear(Frame(), 100, 80, c.rgb, 3)) << c.what;
}

const SecondCase kSecondCases[] = {
    {"blended: the second picture covers the first", 0, 0x0000FF},
    {"additive 1: the second picture is added", 1, 0xFF00FF},
    {"additive 2: only the first pass would add", 2, 0x0000FF},
};

INSTANTIATE_TEST_SUITE_P(Cases, SecondTextureTest, ::testing::ValuesIn(kSecondCases));

TEST_F(SpriteDrawTest, FramesOfTheMainImageFollowTheSpriteClock) {
  item.mainImage = manager->MakeAnimatedImageLink({Entry(L"a.bmp", kRed), Entry(L"b.bmp", kBlue)}, {0.5f, 0.5f});
  item.spriteClock.SetValue(100u);
  Make();
  ASSERT_EQ(2u, object->frameTextures.size());
  Place(0, 100, 80);
  // Frames at most 0.2 s apart: the sprite clock counts no more per frame.
  EXPECT_TRUE(ds_test::PixelNear(Frame(0.1f), 100, 80, 0xFF0000, 3)) << "first frame";
  Frame(0.3f);
  EXPECT_TRUE(ds_test::PixelNear(Frame(0.45f), 100, 80, 0xFF0000, 3)) << "first frame until 0.5 s have passed";
  EXPECT_TRUE(ds_test::PixelNear(Frame(0.6f), 100, 80, 0x0000FF, 3)) << "second frame once 0.5 s have passed";
  EXPECT_TRUE(ds_test::PixelNear(Frame(0.7f), 100, 80, 0x0000FF, 3)) << "second frame still";
  Frame(0.9f);
  Frame(1.05f);
  EXPECT_TRUE(ds_test::PixelNear(Frame(1.15f), 100, 80, 0xFF0000, 3)) << "back to the first";
}

TEST_F(SpriteDrawTest, LoweredCountDrawsTheFirstRecordsOnly) {
  item.spriteCount.SetValue(10u);
  item.colour.SetValue(0x0000FFu);
  Make();
  for (size_t i = 0; i < 10; ++i) Place(i, 20.0f + 30.0f * float(i), 100.0f);
  ds_test::Image image = Frame();
  EXPECT_TRUE(ds_test::PixelNear(image, 290, 100, 0xFF0000, 3)) << "tenth sprite";

  object->GetItem()->spriteCount.SetValue(4u);
  EXPECT_EQ(10u, object->sprites.size());
  EXPECT_EQ(4u, object->GetQuadCapacity()) << "buffers made for four";
  image = Frame();
  EXPECT_TRUE(ds_test::PixelNear(image, 20, 100, 0xFF0000, 3)) << "first sprite";
  EXPECT_TRUE(ds_test::PixelNear(image, 110, 100, 0xFF0000, 3)) << "fourth sprite";
  EXPECT_TRUE(ds_test::PixelNear(image, 140, 100, 0x404040, 3)) << "fifth sprite is not drawn";
  EXPECT_TRUE(ds_test::PixelNear(image, 290, 100, 0x404040, 3)) << "tenth sprite is not drawn";
}

TEST_F(SpriteDrawTest, HugeCountDrawsWhatTheBufferHolds) {
  // One rule for every count beyond the cap, whatever its top bit.
  for (unsigned int count : {16385u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(::testing::Message() << "sprite count " << count);
    item.spriteCount.SetValue(count);
    item.colour.SetValue(0x0000FFu);
    Make();
    EXPECT_EQ(ParticleGeomArray::kMaxSprites, object->GetQuadCapacity());
    Place(0, 100, 80);
    Place(ParticleGeomArray::kMaxSprites - 1, 200, 150);
    const ds_test::Image image = Frame();
    EXPECT_TRUE(ds_test::PixelNear(image, 100, 80, 0xFF0000, 3)) << "first sprite";
    EXPECT_TRUE(ds_test::PixelNear(image, 200, 150, 0xFF0000, 3)) << "last sprite the buffer holds";
  }
}

TEST_F(SpriteDrawTest, StaticItemWritesItsQuadsOnceForAStillPicture) {
  item.staticFlag.SetValue(1);
  item.colour.SetValue(0x0000FFu);
  Make();
  Place(0, 100, 80);
  EXPECT_TRUE(ds_test::PixelNear(Frame(0.1f), 100, 80, 0xFF0000, 3)) << "written on the first update";
  Place(0, 200, 150);
  const ds_test::Image image = Frame(0.2f);
  EXPECT_TRUE(ds_test::PixelNear(image, 100, 80, 0xFF0000, 3)) << "not rewritten without a frame change";
  EXPECT_TRUE(ds_test::PixelNear(image, 200, 150, 0x404040, 3)) << "the move is not drawn";
}

TEST_F(SpriteDrawTest, StaticItemRewritesOnAFrameChange) {
  item.staticFlag.SetValue(1);
  item.mainImage = manager->MakeAnimatedImageLink({Entry(L"a.bmp", kWhite), Entry(L"b.bmp", kWhite)}, {0.5f, 0.5f});
  item.colour.SetValue(0x0000FFu);
  Make();
  Place(0, 100, 80);
  Frame(0.1f);
  Place(0, 200, 150);
  EXPECT_TRUE(ds_test::PixelNear(Frame(0.3f), 100, 80, 0xFF0000, 3)) << "old place before the frame changes";
  EXPECT_TRUE(ds_test::PixelNear(Frame(0.45f), 100, 80, 0xFF0000, 3)) << "old place still";
  const ds_test::Image image = Frame(0.6f);
  EXPECT_TRUE(ds_test::PixelNear(image, 200, 150, 0xFF0000, 3)) << "new place after the frame changed";
  EXPECT_TRUE(ds_test::PixelNear(image, 100, 80, 0x404040, 3)) << "old place cleared";
}

TEST_F(SpriteDrawTest, NothingIsDrawnWithoutPictureOrBeforeTheFirstUpdate) {
  item.colour.SetValue(0x0000FFu);
  Make();
  Place(0, 100, 80);
  EXPECT_TRUE(ds_test::PixelNear(Frame(0.0f, false), 100, 80, 0x404040, 3)) << "quads not yet written";
  EXPECT_TRUE(ds_test::PixelNear(Frame(), 100, 80, 0xFF0000, 3)) << "written";

  item.mainImage = DS_ImageFileLink(L"missing.bmp");
  Make();
  EXPECT_TRUE(object->frameTextures.empty());
  Place(0, 100, 80);
  EXPECT_TRUE(ds_test::PixelNear(Frame(), 100, 80, 0x404040, 3)) << "a picture that cannot be found";
}

// A version-1 item carried its images inside its record; creating the object
// turns them into links of the document.
TEST_F(SpriteDrawTest, EmbeddedImagesOfOldItemsBecomeLinks) {
  item.mainImage = DS_ImageFileLink();
  item.embeddedImages = {Entry(L"old-a.bmp", kRed), Entry(L"old-b.bmp", kBlue)};
  item.embeddedFrameTimes = {0.5f, 0.5f};
  item.embeddedSecondImage = ds_test::MakeModuleEntry(7, L"addon.dll", ds_test::SolidBmp(8, 8, kBlue));
  item.colour.SetValue(0xFFFFFFu);
  Make();
  EXPECT_FALSE(item.mainImage.GetPath().empty()) << "the document item itself gets the links";
  EXPECT_FALSE(item.secondImage.GetPath().empty());
  EXPECT_TRUE(item.embeddedImages.empty());
  EXPECT_TRUE(item.embeddedFrameTimes.empty());
  EXPECT_EQ(2u, object->frameTextures.size());
  EXPECT_EQ(2u, object->frameDurations.size());
  IDirect3DTexture9* second = object->GetSecondTexture();
  EXPECT_NE(nullptr, second);
  if (second) second->Release();
}

TEST_F(SpriteDrawTest, OldItemWithoutSecondResourceIdGetsNoSecondImage) {
  item.mainImage = DS_ImageFileLink();
  item.embeddedImages = {Entry(L"old-a.bmp", kRed)};
  item.embeddedFrameTimes = {};
  item.embeddedSecondImage = Entry(L"old-second.bmp", kBlue);  // resource id 0
  item.colour.SetValue(0xFFFFFFu);
  Make();
  EXPECT_TRUE(item.secondImage.GetPath().empty());
  EXPECT_EQ(nullptr, object->GetSecondTexture());
  Place(0, 100, 80);
  EXPECT_TRUE(ds_test::PixelNear(Frame(), 100, 80, 0xFF0000, 3)) << "the embedded picture is drawn";
}

TEST_F(SpriteDrawTest, FrameAspectComesFromThePicture) {
  item.mainImage = manager->MakeImageLink(ds_test::MakeFileEntry(L"wide.bmp", ds_test::SolidBmp(16, 8, kWhite)));
  item.spriteSize.SetValue(40u);
  item.colour.SetValue(0x0000FFu);
  Make();
  const DS_SpriteParticle& sprite = *object->sprites.front();
  EXPECT_FLOAT_EQ(0.5f, sprite.aspect);
  EXPECT_FLOAT_EQ(20.0f, sprite.halfWidth);
  EXPECT_FLOAT_EQ(10.0f, sprite.halfHeight);
  Place(0, 100, 80);
  const ds_test::Image image = Frame();
  EXPECT_TRUE(ds_test::PixelNear(image, 118, 80, 0xFF0000, 3)) << "40 wide";
  EXPECT_TRUE(ds_test::PixelNear(image, 100, 93, 0x404040, 3)) << "20 high";
}

// ---- items read from records ----

// Reads the "DS_BaseSpriteProp" section (every sprite item's record ends with
// it) into a new item; false when the stream failed.
bool ReadItem(const std::vector<unsigned char>& bytes, TestSpriteItem& item) {
  std::vector<unsigned char> data(bytes);
  ResourceBuffer buffer(data.data(), data.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  item.ReadSection(handle);
  return !handle->Failed();
}

TEST_F(SpriteDrawTest, ItemWrittenAndReadBackDrawsTheSame) {
  item.spriteCount.SetValue(3u);
  item.spriteSize.SetValue(30u);
  item.colour.SetValue(0x0000FFu);
  item.relLeft = 0.25f;
  item.stripFlag = 0;
  DS_IOF_W w;
  item.Write(w);
  TestSpriteItem read;
  ASSERT_TRUE(ReadItem(w.Bytes(), read));
  EXPECT_EQ(item.mainImage.GetKey(), read.mainImage.GetKey());
  object.reset(static_cast<DS_SpriteArrayObj*>(read.CreateObject()));
  EXPECT_EQ(3u, object->sprites.size());
  EXPECT_EQ(3u, object->GetQuadCapacity());
  EXPECT_FLOAT_EQ(15.0f, object->sprites.front()->halfWidth);
  Place(0, 100, 80);
  const ds_test::Image image = Frame();
  EXPECT_TRUE(ds_test::PixelNear(image, 113, 80, 0xFF0000, 3)) << "30 wide, red, from the record";
}

// A version-1 section: the images inside the record, the frame times at its
// end.
std::vector<unsigned char> VersionOneSection(const TestSpriteItem& base, const std::vector<DS_ResourceEntry>& images,
                                             const DS_ResourceEntry& second, const std::vector<float>& times) {
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_BaseSpriteProp", 1);
  base.DS_ViewObjCtrl::Write(w);
  w.WriteUInt(2u);   // sprite count
  w.WriteUInt(50u);  // speed, stored here up to version 2
  w.WriteUInt(20u);  // sprite size
  w.WriteUInt(0u);   // transparency
  w.WriteLong(0);    // additive
  w.WriteLong(0xFFFFFF);
  w.WriteFloat(0.0f);  // twinkle rate, minimum, maximum
  w.WriteFloat(0.0f);
  w.WriteFloat(1.0f);
  w.WriteFloat(1.0f);  // size factors
  w.WriteFloat(1.0f);
  WriteEntryVector(w, images);
  w.WriteEntry(second);
  w.WriteUInt(1u);     // reserved count
  w.WriteFloat(0.0f);  // reserved rate
  w.WriteUInt(1u);     // frame count
  w.WriteFloat(0.0f);  // frame rate
  w.WriteByte(0);      // strip flag
  WriteFloatVector(w, times);
  return w.Bytes();
}

TEST_F(SpriteDrawTest, VersionOneItemDrawsItsEmbeddedPictures) {
  TestSpriteItem base;
  const std::vector<unsigned char> bytes =
      VersionOneSection(base, {Entry(L"v1-a.bmp", kRed), Entry(L"v1-b.bmp", kBlue)},
                        ds_test::MakeModuleEntry(9, L"addon.dll", ds_test::SolidBmp(8, 8, kWhite)), {0.5f, 0.5f});
  TestSpriteItem read;
  ASSERT_TRUE(ReadItem(bytes, read));
  ASSERT_EQ(2u, read.embeddedImages.size());
  EXPECT_TRUE(read.mainImage.GetPath().empty());

  object.reset(static_cast<DS_SpriteArrayObj*>(read.CreateObject()));
  EXPECT_FALSE(read.mainImage.GetPath().empty());
  EXPECT_FALSE(read.secondImage.GetPath().empty());
  ASSERT_EQ(2u, object->frameTextures.size());
  EXPECT_EQ(std::vector<float>({0.5f, 0.5f}), object->frameDurations);
  EXPECT_EQ(2u, object->sprites.size());
  IDirect3DTexture9* second = object->GetSecondTexture();
  ASSERT_NE(nullptr, second);
  second->Release();
  Place(0, 100, 80);
  // The white second picture, drawn over the red first frame, covers it.
  EXPECT_TRUE(ds_test::PixelNear(Frame(0.1f), 100, 80, 0xFFFFFF, 3)) << "embedded second picture";
}

}  // namespace
