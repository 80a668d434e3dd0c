// The text items on the test device with the recording effect and a document that
// holds a text picture under a GUID: which picture each text draws, the techniques,
// "Texture1" and "Shift" over frames, the quad's texture range, the picture the
// writer stores, and the link's hit test and cursor.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceGlobals.h"
#include "document/DocResManager.h"
#include "document/Stream.h"
#include "document/StreamWriter.h"
#include "objects/sprites/SpriteParticle.h"
#include "objects/text/TextObjects.h"
#include "render/Layer.h"
#include "render/ObjectModel.h"
#include "render/SceneMapping.h"
#include "render/ScreenQuad.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "support/DocResRecord.h"
#include "support/FakeEffect.h"
#include "support/SceneTest.h"
#include "support/TestPictures.h"
#include "tests/objects/sprites/FXSpriteTestSupport.h"

using fxsprites_test::Reading;
using fxsprites_test::WrittenBytes;

namespace {

const DS_FileKey kEffectKey(L"C:\\scene\\text.fx", 12);
const GUID kPictureGuid = {0x5EC0DE01, 0xAAAA, 0xBBBB, {0xCC, 0xDD, 0xEE, 0xFF, 0x00, 0x11, 0x22, 0x33}};
const GUID kOtherGuid = {0x5EC0DE02, 0xAAAA, 0xBBBB, {0xCC, 0xDD, 0xEE, 0xFF, 0x00, 0x11, 0x22, 0x33}};
const int kPictureWidth = 16;
const int kPictureHeight = 8;

// The frame drew one quad, with "Texture1" set to `texture` (null: untextured).
testing::AssertionResult DrewOnceWith(const ds_test::RecordingLayer& layer, IDirect3DBaseTexture9* texture) {
  if (layer.draws.size() != 1) return testing::AssertionFailure() << layer.draws.size() << " draws, expected 1";
  const ds_test::RecordedDraw& d = layer.draws[0];
  if (!d.Param("Texture1")) return testing::AssertionFailure() << "Texture1 was never set";
  if (d.Texture("Texture1") != texture)
    return testing::AssertionFailure() << "Texture1 is " << d.Texture("Texture1") << ", expected " << texture;
  return testing::AssertionSuccess();
}

class TextDrawTest : public ds_test::SceneTest {
protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (HasFatalFailure()) return;
    // The document: one text picture under its GUID, and the effect's bytes.
    ds_test::DocResRecord record;
    record.guids.push_back(
        ds_test::MakeGuidPicture(kPictureGuid, ds_test::SolidBmp(kPictureWidth, kPictureHeight, 0xFFFFFFFF)));
    UseDocument(record);
    if (HasFatalFailure()) return;
    EmbedFile(kEffectKey, L"text.fx", {'F', 'X', 2});
  }
  void TearDown() override {
    object.reset();
    SceneTest::TearDown();
  }

  // A text item on the quad (160, 120) 100 x 20 with the document's effect.
  template <class T>
  void Place(T& item, const GUID& guid) {
    item.effectLink.StoreKey(kEffectKey);
    item.guid = guid;
    item.position.SetValue(D3DXVECTOR3(160.0f, 120.0f, 0.0f));
    item.width.SetValue(100u);
    item.height.SetValue(20u);
  }

  DS_FXObj& Make(DS_StatBaseFXCtrl& item) {
    object.reset(static_cast<DS_FXObj*>(item.CreateObject()));
    return *object;
  }
  FakeEffect* Effect() { return factory.LastEffect(); }
  IDirect3DTexture9* Picture() { return manager->GetGuidTexture(kPictureGuid).Get(); }

  void Frame(DS_FXObj& fx, float t) { Draw(fx, t); }

  FakeEffectFactory factory;
  std::unique_ptr<DS_FXObj> object;
};

TEST_F(TextDrawTest, StaticTextDrawsTheDocumentPictureOnce) {
  ASSERT_NE(nullptr, Picture());
  D3DSURFACE_DESC desc;
  ASSERT_EQ(D3D_OK, Picture()->GetLevelDesc(0, &desc));
  EXPECT_EQ(UINT(kPictureWidth), desc.Width) << "the picture stored under the GUID";

  DS_StaticTextConstructor text;
  Place(text, kPictureGuid);
  DS_FXObj& fx = Make(text);
  ASSERT_NE(nullptr, Effect());
  EXPECT_EQ(Picture(), static_cast<DS_StaticTextConstructor*>(fx.GetControl())->GetTextTexture());
  for (int frame = 1; frame <= 2; ++frame) {
    Frame(fx, 0.1f * frame);
    // The text draws its quad itself, and the object nothing more.
    ASSERT_TRUE(DrewOnceWith(layer, Picture()));
    EXPECT_EQ("CommonVretexColor", layer.draws[0].technique);
    EXPECT_EQ(static_cast<const void*>(static_cast<ParticleGeomArray*>(&fx)), layer.draws[0].geometry);
  }
  EXPECT_TRUE(fx.HasWrittenQuads());
}

TEST_F(TextDrawTest, TextWithoutPictureDrawsUntextured) {
  DS_StaticTextConstructor text;
  Place(text, kOtherGuid);
  DS_FXObj& fx = Make(text);
  ASSERT_NE(nullptr, Effect());
  // Another user of the shared effect left its picture in place.
  Effect()->SetTexture("Texture1", Picture());
  Frame(fx, 0.1f);
  EXPECT_TRUE(DrewOnceWith(layer, nullptr));
}

TEST_F(TextDrawTest, GuidThatDoesNotParseDrawsUntextured) {
  DS_StaticTextConstructor written;
  Place(written, kPictureGuid);
  // The record with its GUID text spoiled: one character that is no hex digit.
  std::vector<unsigned char> bytes = WrittenBytes(written);
  const ds_string guidText = GuidToText(kPictureGuid);
  const std::vector<unsigned char> needle(reinterpret_cast<const unsigned char*>(guidText.data()),
                                          reinterpret_cast<const unsigned char*>(guidText.data() + guidText.size()));
  auto at = std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end());
  ASSERT_NE(bytes.end(), at);
  at[2] = 'x';  // the first hex digit, as UTF-16LE

  Reading reading(bytes);
  std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(reading.handle));
  ASSERT_NE(nullptr, read.get());
  auto* text = dynamic_cast<DS_StaticTextConstructor*>(read.get());
  ASSERT_NE(nullptr, text);
  EXPECT_FALSE(IsEqualGUID(kPictureGuid, text->guid));
  DS_FXObj& fx = Make(*text);
  ASSERT_NE(nullptr, Effect());
  Effect()->SetTexture("Texture1", Picture());
  Frame(fx, 0.1f);
  EXPECT_TRUE(DrewOnceWith(layer, nullptr));
}

TEST_F(TextDrawTest, SpriteCoversTheItem) {
  DS_StaticTextConstructor text;
  Place(text, kPictureGuid);
  text.colour.SetValue(0x00FF00u);
  text.transparency.SetValue(50u);
  DS_FXObj& fx = Make(text);
  Frame(fx, 0.1f);
  ASSERT_EQ(1u, fx.sprites.size());
  const DS_SpriteParticle& sprite = *fx.sprites.front();
  EXPECT_EQ(D3DXVECTOR3(160.0f, 120.0f, 0.0f), sprite.position);
  EXPECT_EQ(50.0f, sprite.halfWidth);
  EXPECT_EQ(10.0f, sprite.halfHeight);
  EXPECT_EQ(DS_ParticleSystemCtrl::PackColor(*fx.GetControl(), sprite), sprite.packedColour);
  EXPECT_EQ(0x0000FF00u, sprite.packedColour & 0x00FFFFFFu) << "green, as ARGB";
}

TEST_F(TextDrawTest, LinkDrawsLikeAStaticText) {
  DS_TextLinkConstructor link;
  Place(link, kPictureGuid);
  DS_FXObj& fx = Make(link);
  Frame(fx, 0.1f);
  ASSERT_TRUE(DrewOnceWith(layer, Picture()));
  EXPECT_EQ("CommonVretexColor", layer.draws[0].technique);
  POINT centre = {160, 120};
  EXPECT_FALSE(fx.HitTest(centre, 0)) << "the run-time object is never hit";
}

// ---- scrolling ----

struct ScrollCase {
  const char* what;
  int direction;
  unsigned int period;
  int frames;
  float position;  // the position that moves (second for directions below 2)
  float shiftX, shiftY;
};

class ScrollDrawTest : public TextDrawTest, public ::testing::WithParamInterface<ScrollCase> {};

// speed 125: frames of 0.2 s or more give a control step of 0.5.
TEST_P(ScrollDrawTest, ShiftFollowsTheControlStep) {
  const ScrollCase& c = GetParam();
  DS_ScrollingTextConstructor text;
  Place(text, kPictureGuid);
  text.ScrollDirection.SetValue(c.direction);
  text.ScrollPeriod.SetValue(c.period);
  text.speed.SetValue(125u);
  DS_FXObj& fx = Make(text);
  auto& clone = *static_cast<DS_ScrollingTextConstructor*>(fx.GetControl());
  for (int frame = 1; frame <= c.frames; ++frame) {
    Frame(fx, float(frame));
    // The object draws the quad with the effect.
    ASSERT_TRUE(DrewOnceWith(layer, Picture())) << c.what;
    EXPECT_EQ("ScrollText", layer.draws[0].technique);
    ASSERT_EQ(2u, layer.draws[0].Values("Shift").size());
    EXPECT_EQ(clone.GetShift()[0], layer.draws[0].Values("Shift")[0]);
    EXPECT_EQ(clone.GetShift()[1], layer.draws[0].Values("Shift")[1]);
  }
  EXPECT_NEAR(0.5f, clone.GetStep(), 1e-6f);
  const float position = c.direction < 2 ? clone.GetSecondPosition() : clone.GetFirstPosition();
  EXPECT_NEAR(c.position, position, 1e-5f) << c.what;
  EXPECT_NEAR(c.shiftX, layer.draws[0].Values("Shift")[0], 1e-5f) << c.what;
  EXPECT_NEAR(c.shiftY, layer.draws[0].Values("Shift")[1], 1e-5f) << c.what;
  EXPECT_TRUE(std::isfinite(layer.draws[0].Values("Shift")[0]) && std::isfinite(layer.draws[0].Values("Shift")[1])) << c.what;
}

const float kThird = 1.0f / 3.0f;

INSTANTIATE_TEST_SUITE_P(
    Cases, ScrollDrawTest,
    ::testing::Values(ScrollCase{"direction 0, four frames", 0, 10, 4, 0.2f, 0.0f, -0.4f},
                      ScrollCase{"direction 1 from 0, one frame", 1, 10, 1, -0.05f, 0.0f, 1.0f - 3.0f * 0.05f},
                      ScrollCase{"direction 2 from a third", 2, 10, 2, kThird + 0.1f, 0.3f, 0.0f},
                      ScrollCase{"direction 3 from a third", 3, 10, 1, kThird - 0.05f, -0.15f, 0.0f},
                      ScrollCase{"another direction stands still on the first component", 7, 10, 3, kThird, 0.0f, 0.0f},
                      ScrollCase{"a negative direction stands still on the second", -1, 10, 3, 0.0f, 0.0f, 1.0f},
                      ScrollCase{"period 0 stands still", 0, 0, 3, 0.0f, 0.0f, 1.0f},
                      ScrollCase{"period 0 stands still, first component", 2, 0, 3, kThird, 0.0f, 0.0f}));

TEST_F(TextDrawTest, InvisibleScrollRestartsFromZero) {
  DS_ScrollingTextConstructor text;
  Place(text, kPictureGuid);
  text.ScrollDirection.SetValue(2);
  text.ScrollPeriod.SetValue(10u);
  text.speed.SetValue(125u);
  DS_FXObj& fx = Make(text);
  auto& clone = *static_cast<DS_ScrollingTextConstructor*>(fx.GetControl());
  Frame(fx, 1.0f);
  EXPECT_NEAR(kThird + 0.05f, clone.GetFirstPosition(), 1e-6f);

  clone.TimeLine().mode.SetValue(DS_TimeLineControl::kWindows);  // no window: invisible
  Frame(fx, 2.0f);
  EXPECT_EQ(0.0f, clone.GetFirstPosition());
  EXPECT_EQ(0.0f, clone.GetSecondPosition());
  ASSERT_EQ(1u, layer.draws.size());
  EXPECT_EQ((std::vector<float>{1.0f, 0.0f}), layer.draws[0].Values("Shift"));

  clone.TimeLine().mode.SetValue(DS_TimeLineControl::kAlwaysVisible);
  Frame(fx, 3.0f);
  EXPECT_NEAR(0.05f, clone.GetFirstPosition(), 1e-6f) << "on from 0, not from a third";
}

struct TileCase {
  const char* what;
  float tileWidth, tileHeight;
  float uRight, vBottom;
};

class TileDrawTest : public TextDrawTest, public ::testing::WithParamInterface<TileCase> {};

TEST_P(TileDrawTest, TextureRangeOfTheQuad) {
  const TileCase& c = GetParam();
  DS_ScrollingTextConstructor text;
  Place(text, kPictureGuid);  // 100 x 20
  text.TileWidth = c.tileWidth;
  text.TileHeight = c.tileHeight;
  text.ScrollPeriod.SetValue(10u);
  DS_FXObj& fx = Make(text);
  Frame(fx, 0.1f);
  const DS_SpriteParticle& sprite = *fx.sprites.front();
  EXPECT_EQ(0.0f, sprite.uLeft) << c.what;
  EXPECT_EQ(c.uRight, sprite.uRight) << c.what;
  EXPECT_EQ(0.0f, sprite.vTop) << c.what;
  EXPECT_EQ(c.vBottom, sprite.vBottom) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, TileDrawTest,
                         ::testing::Values(TileCase{"tiles of 25 x 5", 25.0f, 5.0f, 4.0f, 4.0f},
                                           TileCase{"one tile", 100.0f, 20.0f, 1.0f, 1.0f},
                                           TileCase{"no tiles (version 1)", 0.0f, 0.0f, 1.0f, 1.0f},
                                           TileCase{"negative tiles", -25.0f, -5.0f, 1.0f, 1.0f},
                                           TileCase{"tiles not a number", NAN, INFINITY, 1.0f, 1.0f}));

// ---- references, clones and the writer's picture ----

ULONG References(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

TEST_F(TextDrawTest, TextHoldsOneReferenceAndClonesAddOne) {
  IDirect3DTexture9* picture = Picture();
  ASSERT_NE(nullptr, picture);
  const ULONG before = References(picture);
  {
    DS_ScrollingTextConstructor text;
    Place(text, kPictureGuid);
    text.Prepare();
    EXPECT_EQ(before + 1, References(picture));
    text.Prepare();
    EXPECT_EQ(before + 1, References(picture)) << "preparing again keeps one reference";
    std::unique_ptr<DS_ParticleSystemCtrl> clone(text.Clone());
    EXPECT_EQ(picture, static_cast<DS_ScrollingTextConstructor*>(clone.get())->GetTextTexture());
    EXPECT_EQ(before + 2, References(picture));
  }
  EXPECT_EQ(before, References(picture));
}

TEST_F(TextDrawTest, WriterStoresThePictureAtTheItemSize) {
  DS_StaticTextConstructor text;
  Place(text, kPictureGuid);
  // Powers of two, which every device takes with a mip chain.
  text.width.SetValue(128u);
  text.height.SetValue(32u);
  text.Prepare();
  IDirect3DTexture9* original = Picture();
  const std::vector<unsigned char> bytes = WrittenBytes(text);

  IDirect3DTexture9* stored = manager->GetGuidTexture(kPictureGuid).Get();
  ASSERT_NE(nullptr, stored);
  EXPECT_NE(original, stored) << "a resampled copy replaces the picture";
  D3DSURFACE_DESC desc;
  ASSERT_EQ(D3D_OK, stored->GetLevelDesc(0, &desc));
  EXPECT_EQ(128u, desc.Width);
  EXPECT_EQ(32u, desc.Height);
  EXPECT_EQ(original, text.GetTextTexture()) << "the text keeps drawing what it took";

  // The record still names the GUID the copy is stored under.
  Reading reading(bytes);
  std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(reading.handle));
  ASSERT_NE(nullptr, read.get());
  EXPECT_TRUE(IsEqualGUID(kPictureGuid, static_cast<DS_StaticTextConstructor*>(read.get())->guid));
}

TEST_F(TextDrawTest, WriterWithoutPictureLeavesTheDocumentAlone) {
  DS_StaticTextConstructor notPrepared;
  Place(notPrepared, kPictureGuid);
  IDirect3DTexture9* original = Picture();
  WrittenBytes(notPrepared);
  EXPECT_EQ(original, Picture()) << "a text that never took its picture must not wipe it";

  DS_StaticTextConstructor empty;
  Place(empty, kPictureGuid);
  empty.width.SetValue(0u);
  empty.Prepare();
  WrittenBytes(empty);
  EXPECT_EQ(original, Picture()) << "no copy of size 0";
}

// ---- the link's mouse operations ----

class LinkTest : public TextDrawTest {
protected:
  void SetUp() override {
    TextDrawTest::SetUp();
    if (HasFatalFailure()) return;
    m_savedQuad = g_PictureQuad;
    m_savedScaleX = g_BackBufferScaleX;
    m_savedScaleY = g_BackBufferScaleY;
    m_savedWidth = g_SceneWidth;
    m_savedHeight = g_SceneHeight;
    // The scene 1:1 on a 320 x 240 picture.
    g_SceneWidth = ds_test::kTestDeviceWidth;
    g_SceneHeight = ds_test::kTestDeviceHeight;
    g_PictureQuad.Reset();
    g_PictureQuad.SetCorners(0.0f, 0.0f, float(ds_test::kTestDeviceWidth), float(ds_test::kTestDeviceHeight));
    g_BackBufferScaleX = 1.0f;
    g_BackBufferScaleY = 1.0f;
    Place(link, kPictureGuid);
    link.width.SetValue(101u);  // half width 50 in whole pixels
    link.height.SetValue(21u);  // half height 10
  }
  void TearDown() override {
    g_PictureQuad = m_savedQuad;
    g_BackBufferScaleX = m_savedScaleX;
    g_BackBufferScaleY = m_savedScaleY;
    g_SceneWidth = m_savedWidth;
    g_SceneHeight = m_savedHeight;
    SetCursor(nullptr);
    TextDrawTest::TearDown();
  }

  DS_TextLinkConstructor link;

private:
  DS_ScreenQuad m_savedQuad;
  float m_savedScaleX = 1.0f, m_savedScaleY = 1.0f;
  int m_savedWidth = 0, m_savedHeight = 0;
};

TEST_F(LinkTest, HitTestIncludesTheEdges) {
  const struct {
    float x, y;
    bool hit;
  } cases[] = {{160, 120, true},     {110, 110, true},     {210, 130, true},    {109.5f, 120, false},
               {210.5f, 120, false}, {160, 109.5f, false}, {160, 130.5f, false}};
  for (const auto& c : cases) EXPECT_EQ(c.hit, link.HitTest(c.x, c.y)) << c.x << ", " << c.y;

  // Window points are scaled to the back buffer first.
  g_BackBufferScaleX = 2.0f;
  g_BackBufferScaleY = 2.0f;
  EXPECT_TRUE(link.HitTest(80, 60));
  EXPECT_FALSE(link.HitTest(160, 120));

  g_PictureQuad.Reset();
  EXPECT_FALSE(link.HitTest(80, 60)) << "nothing is hit before a picture is published";
}

TEST_F(LinkTest, MouseOverTheVisibleLinkShowsTheHand) {
  const HCURSOR hand = LoadCursorW(nullptr, MAKEINTRESOURCEW(32649));
  ASSERT_NE(nullptr, hand);
  SetCursor(nullptr);
  EXPECT_EQ(0, link.OnMouseMove(20, 20)) << "outside";
  EXPECT_NE(hand, GetCursor());
  EXPECT_EQ(1, link.OnMouseMove(160, 120));
  EXPECT_EQ(hand, GetCursor());

  SetCursor(nullptr);
  link.TimeLine().mode.SetValue(DS_TimeLineControl::kWindows);  // no window: invisible
  EXPECT_EQ(0, link.OnMouseMove(160, 120)) << "an invisible link";
  EXPECT_NE(hand, GetCursor());
  link.OnClick(160, 120);  // opens nothing
}

}  // namespace
