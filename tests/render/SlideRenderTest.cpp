// A scene document drawn on the test device: pictures placed by the picture position,
// fades through black, the scene capture handed to objects that read it, and the
// device left with its own targets after every frame, also across a reset.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/DocResManager.h"
#include "document/SceneDocument.h"
#include "render/SceneMapping.h"
#include "render/SlideShow.h"
#include "render/ViewContext.h"
#include "support/CountingAbortCheck.h"
#include "support/SlideTestSupport.h"
#include "support/FakeEffect.h"
#include "support/SlideShowTest.h"

using namespace slides_test;

namespace {

const int kW = ds_test::kTestDeviceWidth;
const int kH = ds_test::kTestDeviceHeight;
const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;
const uint32_t kSurroundColor = 0x808000;
const uint32_t kBands[4] = {kRed, kGreen, kBlue, kWhite};
// Picture of four vertical bands, 64 x 32 (aspect 0.5 on a 4:3 target).
const int kPictureW = 64, kPictureH = 32;
const DS_FileKey kBandsKey(L"C:\\scene\\bands.bmp", 11);
const DS_FileKey kRedKey(L"C:\\scene\\red.bmp", 12);
const DS_FileKey kBlueKey(L"C:\\scene\\blue.bmp", 13);
const DS_FileKey kSurroundKey(L"common_res.dll", DSM_Camera::kDefaultSurroundId);

std::vector<EmbeddedPicture> Pictures() {
  return {
      {kBandsKey, MakeBmp(kPictureW, kPictureH, [](int x, int) { return kBands[x * 4 / kPictureW]; })},
      {kRedKey, MakeSolidBmp(kPictureW, kPictureH, kRed)},
      {kBlueKey, MakeSolidBmp(kPictureW, kPictureH, kBlue)},
      {kSurroundKey, MakeSolidBmp(8, 8, kSurroundColor)},
  };
}

class SlideRenderTest : public ds_test::SlideShowTest {
protected:
  // A document of four still slides, red, green, blue and white, one picture each,
  // filed under `stem` with stamps from `stamp` on; their keys are added to `keys`.
  static std::vector<unsigned char> FourColourSlides(const std::wstring& stem, int64_t stamp,
                                                     std::vector<DS_FileKey>& keys) {
    const uint32_t colours[4] = {kRed, kGreen, kBlue, kWhite};
    std::vector<EmbeddedPicture> pictures;
    DS_SlideShow_Light written;
    for (int i = 0; i < 4; ++i) {
      keys.push_back(DS_FileKey(L"C:\\scene\\" + stem + std::to_wstring(i) + L".bmp", stamp + i));
      pictures.push_back({keys.back(), MakeSolidBmp(kPictureW, kPictureH, colours[i])});
      DS_SlideContainer* slide = MakeSlide(1, 1, 1, keys.back());
      slide->GetLight()->GetCamera().on.SetValue(0);
      written.AddSlide(slide);
    }
    return WriteDocument(written, pictures);
  }

  void SetUp() override {
    SlideShowTest::SetUp();
    ProbeLog().clear();
  }

  // What the scene slot does with a document: load, build, picture position.
  void Load(const DS_SlideShow_Light& written, int fitType) {
    Read(WriteDocument(written, Pictures()));
    Build(fitType);
  }

  ds_test::Image Frame(float t) { return ShowFrame(t); }
};

// ---- picture position ----

struct PlacementCase {
  int fitType;
  // Where the 64 x 32 picture lies on the 320 x 240 target.
  float left, top, right, bottom;
};

class PicturePlacementTest : public SlideRenderTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(PicturePlacementTest, BandsLieWhereTheViewContextPutsThem) {
  const PlacementCase& c = GetParam();
  DS_SlideShow_Light written;
  written.AddSlide(MakeSlide(1, 10, 1, kBandsKey));
  Load(written, c.fitType);
  const ds_test::Image image = Frame(50.0f);
  ASSERT_EQ(kW, image.width);
  const float bandWidth = (c.right - c.left) / 4;
  const int rows[3] = {int(c.top) + 4, int((c.top + c.bottom) / 2), int(c.bottom) - 5};
  for (int band = 0; band < 4; ++band) {
    const int x = int(c.left + bandWidth * (band + 0.5f));
    if (x < 2 || x > kW - 3) continue;  // cropped away
    for (int y : rows) EXPECT_TRUE(ds_test::PixelNear(image, x, y, kBands[band], 2)) << "band";
  }
  // Beyond the picture: the surround bands.
  if (c.top > 8) {
    for (int x : {5, kW / 2, kW - 6}) {
      EXPECT_TRUE(ds_test::PixelNear(image, x, int(c.top) / 2, kSurroundColor, 2)) << "surround above";
      EXPECT_TRUE(ds_test::PixelNear(image, x, int(c.bottom + kH) / 2, kSurroundColor, 2)) << "surround below";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(FitTypes, PicturePlacementTest,
                         ::testing::Values(PlacementCase{0, 0, 0, 320, 240},      // stretch
                                           PlacementCase{1, 0, 40, 320, 200},     // fit: bars above and below
                                           PlacementCase{2, -80, 0, 400, 240}));  // fill: cropped left and right

// ---- fades ----

TEST_F(SlideRenderTest, TwoSolidSlidesFadeThroughBlack) {
  DS_SlideShow_Light written;
  DS_SlideContainer* red = MakeSlide(2, 2, 2, kRedKey);
  // An object that leaves a modulating alpha stage behind, as particles do: the
  // overlay must not take its alpha twice.
  red->AddVisualItem(MakeProbe(1, 0xFFFFFFFF, 0, 0, 4, 4));
  written.AddSlide(red);
  written.AddSlide(MakeSlide(2, 2, 2, kBlueKey));
  Load(written, 0);
  struct Sample {
    float t;
    uint32_t rgb;
  };
  const Sample samples[] = {
      {100.0f, 0xFF0000},  // first slide, fully visible
      {103.0f, 0x800000},  // half way into its fade-out
      {104.5f, 0x000000},  // switched: black
      {105.5f, 0x000080},  // half way into the second slide's fade-in
      {107.0f, 0x0000FF},
  };
  for (const Sample& s : samples) {
    const ds_test::Image image = Frame(s.t);
    EXPECT_TRUE(ds_test::PixelNear(image, kW / 2, kH / 2, s.rgb, 3)) << ("t = " + std::to_string(s.t)).c_str();
  }
}

TEST_F(SlideRenderTest, FramesLookTheSameWhateverWasDrawnBefore) {
  DS_SlideShow_Light written;
  written.AddSlide(MakeSlide(1, 10, 1, kBandsKey));
  Load(written, 1);
  const ds_test::Image first = Frame(50.0f);
  // States an effect of another object might have left.
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
  device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x40404040);
  const ds_test::Image second = Frame(50.0f);
  for (int y = 0; y < kH; y += 7) {
    for (int x = 0; x < kW; x += 7) {
      EXPECT_TRUE(ds_test::PixelNear(second, x, y, first.RgbAt(x, y), 1)) << "second frame";
      if (HasFailure()) return;
    }
  }
}

// ---- scene capture ----

TEST_F(SlideRenderTest, ObjectThatNeedsTheSceneGetsWhatWasDrawnBeforeIt) {
  DS_SlideShow_Light written;
  DS_SlideContainer* slide = MakeSlide(1, 10, 1, kRedKey);
  // Vector order P, Q, R; drawing order R, Q, P. Only Q reads the scene.
  slide->AddVisualItem(MakeProbe(1, 0xFF0000FF, 40, 0, 64, 16));  // P: blue, right top
  TestProbeItem* q = MakeProbe(2, 0, 0, 0, 0, 0);
  q->needsScene = true;
  q->copyScene = true;
  slide->AddVisualItem(q);
  slide->AddVisualItem(MakeProbe(3, 0xFF00FF00, 0, 0, 32, 32));  // R: green, left half
  written.AddSlide(slide);
  Load(written, 0);
  const ds_test::Image image = Frame(50.0f);

  const std::vector<ProbeRender>& log = ProbeLog();
  ASSERT_EQ(3u, log.size());
  EXPECT_EQ(3, log[0].tag);
  EXPECT_EQ(2, log[1].tag);
  EXPECT_EQ(1, log[2].tag);
  EXPECT_TRUE(log[0].sceneIsPicture);
  EXPECT_FALSE(log[0].drawnOnBackBuffer) << "before Q everything goes into the pair";
  EXPECT_FALSE(log[1].sceneIsPicture);
  EXPECT_TRUE(log[1].drawnOnBackBuffer) << "the last object that needs the scene draws on the back buffer";
  ASSERT_EQ(size_t(kW * kH), log[1].scenePixels.size());
  EXPECT_TRUE(ds_test::ColoursNear(log[1].scenePixels[kH / 2 * kW + kW / 4], kGreen, 2)) << "Q's scene lacks R";
  EXPECT_TRUE(ds_test::ColoursNear(log[1].scenePixels[kH / 2 * kW + 3 * kW / 4], kRed, 2))
      << "Q's scene lacks the picture";
  EXPECT_TRUE(log[2].sceneIsPicture);
  EXPECT_TRUE(log[2].drawnOnBackBuffer);

  EXPECT_TRUE(ds_test::PixelNear(image, kW / 4, kH / 2, kGreen, 2)) << "R through Q's copy";
  EXPECT_TRUE(ds_test::PixelNear(image, 7 * kW / 8, kH / 8, kBlue, 2)) << "P over Q";
  EXPECT_TRUE(ds_test::PixelNear(image, 7 * kW / 8, 3 * kH / 4, kRed, 2)) << "the picture through Q's copy";
}

TEST_F(SlideRenderTest, FlipGivesTheLaterReaderAFreshBlackTarget) {
  DS_SlideShow_Light written;
  DS_SlideContainer* slide = MakeSlide(1, 10, 1, kRedKey);
  TestProbeItem* first = MakeProbe(1, 0, 0, 0, 0, 0);
  first->needsScene = true;
  TestProbeItem* second = MakeProbe(2, 0, 0, 0, 0, 0);
  second->needsScene = true;
  slide->AddVisualItem(first);
  slide->AddVisualItem(second);
  slide->AddVisualItem(MakeProbe(3, 0xFF00FF00, 0, 0, 32, 32));
  written.AddSlide(slide);
  Load(written, 0);
  Frame(50.0f);

  const std::vector<ProbeRender>& log = ProbeLog();
  ASSERT_EQ(3u, log.size());
  ASSERT_EQ(2, log[1].tag);
  EXPECT_FALSE(log[1].drawnOnBackBuffer) << "the flip keeps drawing in the pair";
  ASSERT_EQ(size_t(kW * kH), log[1].scenePixels.size());
  EXPECT_TRUE(ds_test::ColoursNear(log[1].scenePixels[kH / 2 * kW + kW / 4], kGreen, 2));
  EXPECT_TRUE(ds_test::ColoursNear(log[1].scenePixels[kH / 2 * kW + 3 * kW / 4], kRed, 2));
  ASSERT_EQ(1, log[2].tag);
  EXPECT_TRUE(log[2].drawnOnBackBuffer);
  ASSERT_EQ(size_t(kW * kH), log[2].scenePixels.size());
  for (size_t i = 0; i < log[2].scenePixels.size(); i += 97) {
    ASSERT_EQ(0xFF000000u, log[2].scenePixels[i]) << "the flipped target was not cleared to black at " << i;
  }
}

TEST_F(SlideRenderTest, AnObjectChangingItsAnswerCannotKeepDrawingOffScreen) {
  DS_SlideShow_Light written;
  DS_SlideContainer* slide = MakeSlide(1, 10, 1, kBandsKey);
  TestProbeItem* fickle = MakeProbe(1, 0, 0, 0, 0, 0);
  fickle->needsScene = true;
  fickle->flipAnswer = true;  // yes, then no, then yes...
  slide->AddVisualItem(fickle);
  written.AddSlide(slide);
  Load(written, 0);
  for (float t = 50.0f; t < 52.0f; t += 0.5f) {
    const ds_test::Image image = Frame(t);  // checks the targets after every frame
    EXPECT_FALSE(m_show->GetCurrentSlide()->GetLight()->IsCaptureOpen());
  }
}

TEST_F(SlideRenderTest, LostDeviceResetAndRestoreGiveTheSamePixels) {
  DS_SlideShow_Light written;
  DS_SlideContainer* slide = MakeSlide(2, 2, 2, kBandsKey);
  TestProbeItem* q = MakeProbe(2, 0, 0, 0, 0, 0);
  q->needsScene = true;
  q->copyScene = true;
  slide->AddVisualItem(q);
  slide->AddVisualItem(MakeProbe(3, 0xFF00FF00, 8, 8, 24, 24));
  written.AddSlide(slide);
  written.AddSlide(MakeSlide(2, 2, 2, kRedKey));
  Load(written, 1);
  const ds_test::Image before = Frame(103.0f);

  ASSERT_NO_FATAL_FAILURE(LoseAndRestore());
  const ds_test::Image after = Frame(103.0f);
  for (int y = 0; y < kH; y += 5) {
    for (int x = 0; x < kW; x += 5) {
      EXPECT_TRUE(ds_test::PixelNear(after, x, y, before.RgbAt(x, y), 1)) << "after the reset";
      if (HasFailure()) return;
    }
  }
}

// A slide that ends lets go of its layer's screen-sized targets (as on a lost device),
// and draws the same when it comes round again: a long show holds the targets of the
// slide on screen only.
TEST_F(SlideRenderTest, AnEndingSlideLetsGoOfItsTargetsAndDrawsTheSameWhenItShowsAgain) {
  DS_SlideShow_Light written;
  for (const DS_FileKey& key : {kBandsKey, kRedKey}) {
    DS_SlideContainer* slide = MakeSlide(2, 2, 2, key);
    slide->GetLight()->GetCamera().on.SetValue(0);
    TestProbeItem* q = MakeProbe(2, 0, 0, 0, 0, 0);
    q->needsScene = true;
    q->copyScene = true;
    slide->AddVisualItem(q);
    slide->AddVisualItem(MakeProbe(3, 0xFF00FF00, 8, 8, 24, 24));
    written.AddSlide(slide);
  }
  Load(written, 1);
  auto holdsTargets = [&](size_t slide) { return m_show->GetSlide(slide)->GetLight()->GetTargets().IsValid(); };
  // Slide 0 shows from 103 s to its switch after 107 s, slide 1 until after 113.5 s.
  const ds_test::Image before = Frame(103.0f);
  EXPECT_TRUE(holdsTargets(0));

  Frame(107.5f);
  EXPECT_FALSE(holdsTargets(0)) << "slide 0 ended";
  EXPECT_TRUE(holdsTargets(1)) << "slide 1 on screen";
  const ds_test::Image second = Frame(110.0f);
  EXPECT_TRUE(ds_test::PixelNear(second, 2, kH / 2, kRed, 2)) << "slide 1";

  Frame(113.6f);
  EXPECT_TRUE(holdsTargets(0)) << "slide 0 on screen again";
  EXPECT_FALSE(holdsTargets(1)) << "slide 1 ended";
  const ds_test::Image again = Frame(115.7f);
  for (int y = 0; y < kH; y += 5) {
    for (int x = 0; x < kW; x += 5) {
      EXPECT_TRUE(ds_test::PixelNear(again, x, y, before.RgbAt(x, y), 1)) << "slide 0 shown again";
      if (HasFailure()) return;
    }
  }
}

// ---- pictures read slide by slide ----

// What the scene slot does: only the first slide's pictures are read before it shows,
// the next slide's while the one before it shows, the rest when due; a reset between
// changes nothing of that.
TEST_F(SlideRenderTest, EachSlidesPicturesAreReadBeforeItShowsAndNoEarlier) {
  std::vector<DS_FileKey> keys;
  const std::vector<unsigned char> bytes = FourColourSlides(L"slide", 40, keys);
  m_show.reset(LoadSceneDocumentFromMemory(bytes.data(), bytes.size()));
  m_show->BuildSlideObjects(true);
  m_show->ApplyPicturePosition(0);
  DS_DocResManager* manager = g_CurrentDocResManager;
  ASSERT_NE(nullptr, manager);
  auto unread = [&] {
    std::string text;
    for (const DS_FileKey& key : keys) text += manager->HasUnreadPictures(key) ? "u" : "r";
    return text;
  };
  EXPECT_EQ("ruuu", unread()) << "after loading";

  struct Step {
    float t;
    uint32_t rgb;
    const char* unread;
    const char* what;
  };
  // Slide 0 shows from 9 s, slide 1 from 12.5, slide 2 from 15.6 and slide 3 from 18.7.
  const Step steps[] = {
      {10.0f, kRed, "ruuu", "first frame: not held up by the next slide"},
      {10.5f, kRed, "rruu", "the next slide's during the show"},
      {12.5f, 0x000000, "rruu", "switched: black, not held up either"},
      {13.5f, kGreen, "rrru", "the next slide's again"},
      {15.6f, 0x000000, "rrru", "switched to slide 2"},
      {18.7f, 0x000000, "rrrr", "switched again at once: slide 3 is read as it becomes due"},
      {19.7f, kWhite, "rrrr", "slide 3"},
      {22.8f, 0x000000, "rrrr", "back to slide 0"},
      {23.8f, kRed, "rrrr", "slide 0 again"},
  };
  for (const Step& step : steps) {
    if (step.t == 15.6f) {
      // A lost device and a reset with pictures still unread.
      m_show->OnDeviceLost();
      m_depth.Release();
      ASSERT_EQ(D3D_OK, ds_test::ResetTestDevice());
      device->GetDepthStencilSurface(m_depth.Receive());
      m_show->OnDeviceRestored();
    }
    const ds_test::Image image = Frame(step.t);
    EXPECT_TRUE(ds_test::PixelNear(image, kW / 2, kH / 2, step.rgb, 3)) << step.what;
    EXPECT_EQ(step.unread, unread()) << step.what;
  }
}

// The saver ends while pictures are read: the abort check is asked before each unread
// picture, and its yes stops the work there for good.
class StoppedPicturesTest : public SlideRenderTest {
protected:
  void LoadFourSlides() {
    const std::vector<unsigned char> bytes = FourColourSlides(L"stop", 60, keys);
    m_show.reset(LoadSceneDocumentFromMemory(bytes.data(), bytes.size(), &check));
    ASSERT_TRUE(m_show);
  }
  std::string Unread() const {
    std::string text;
    for (const DS_FileKey& key : keys) text += g_CurrentDocResManager->HasUnreadPictures(key) ? "u" : "r";
    return text;
  }

  std::vector<DS_FileKey> keys;
  ds_test::CountingAbortCheck check;
};

TEST_F(StoppedPicturesTest, ASwitchStoppedBeforeThePictureKeepsTheOutgoingSlideAndDoesNoMore) {
  LoadFourSlides();
  m_show->BuildSlideObjects(true);
  // Slide 0 shows from 9 s; slide 1 is due at 12.5 with its picture unread.
  EXPECT_TRUE(ds_test::PixelNear(Frame(10.0f), kW / 2, kH / 2, kRed, 3));
  ASSERT_EQ("ruuu", Unread());
  check.yesAt = check.asked + 1;
  m_show->Update(12.5f);
  EXPECT_TRUE(m_show->Aborted());
  EXPECT_EQ(0, m_show->GetCurrentIndex()) << "the switch went on after the yes";
  EXPECT_EQ("ruuu", Unread()) << "a picture was read after the yes";
  const int asked = check.asked;
  m_show->Update(13.5f);
  m_show->Update(30.0f);
  EXPECT_EQ(asked, check.asked) << "the show asked again after the yes";
  EXPECT_EQ(0, m_show->GetCurrentIndex());
  EXPECT_EQ("ruuu", Unread());
}

TEST_F(StoppedPicturesTest, BuildingStoppedAtTheFirstSlideReadsNoPictureAndShowsNothing) {
  LoadFourSlides();
  check.yesAt = check.asked + 1;
  m_show->BuildSlideObjects(true);
  EXPECT_TRUE(m_show->Aborted());
  EXPECT_EQ(check.yesAt, check.asked);
  EXPECT_EQ("uuuu", Unread());
  m_show->Update(10.0f);
  EXPECT_EQ(-1, m_show->GetCurrentIndex()) << "a stopped show made a slide current";
  EXPECT_EQ("uuuu", Unread());
}

TEST_F(SlideRenderTest, AStillSlideKeepsFramesComingUntilTheNextSlidesPicturesAreRead) {
  DS_SlideShow_Light written;
  for (const DS_FileKey& key : {kRedKey, kBlueKey}) {
    DS_SlideContainer* slide = MakeSlide(1, 5, 1, key);
    slide->GetLight()->GetCamera().on.SetValue(0);
    written.AddSlide(slide);
  }
  const std::vector<unsigned char> bytes = WriteDocument(written, Pictures());
  m_show.reset(LoadSceneDocumentFromMemory(bytes.data(), bytes.size()));
  m_show->BuildSlideObjects(true);
  Frame(10.0f);
  EXPECT_EQ(10.0f, m_show->StillUntil(10.0f)) << "the next slide's picture is not read yet";
  Frame(10.1f);
  EXPECT_FALSE(g_CurrentDocResManager->HasUnreadPictures(kBlueKey));
  EXPECT_EQ(15.0f, m_show->StillUntil(10.1f)) << "still until its fade-out";
}

// A special layer that post-processes the captured scene: it composes the final
// picture from the pair in its surround pass.
class ComposingLayer : public DS_2D_Light {
public:
  bool NeedsSceneCapture() const override { return true; }
  void RenderSurround(bool skip) override {
    captureOpenAtSurround = IsCaptureOpen();
    const DS_ComHolder<IDirect3DTexture9>& scene = EndSceneCapture(false);
    DS_ScreenQuad full;
    full.FromBackBuffer();
    SetScreenQuad(m_compose, scene, full);
    DrawTargetQuad(m_compose);
    m_compose.texture.Release();
    DS_2D_Light::RenderSurround(skip);
  }
  bool captureOpenAtSurround = false;

private:
  DS_ScreenTexturedQuad m_compose;
};

TEST_F(SlideRenderTest, ALayerThatNeedsTheSceneCapturesWithoutReadersAndComposesIt) {
  DS_SlideShow_Light written;
  DS_SlideContainer* slide = MakeSlide(1, 10, 1, kRedKey);
  slide->AddVisualItem(MakeProbe(1, 0xFF00FF00, 0, 0, 32, 32));  // green, left half
  written.AddSlide(slide);
  Load(written, DS_ViewContext::kFitStretch);
  ComposingLayer* layer = new ComposingLayer();
  layer->GetPictureLink().StoreKey(kRedKey);
  layer->OnDeviceCreated();
  m_show->GetSlide(0)->SetLight(layer);
  const ds_test::Image image = Frame(50.0f);

  const std::vector<ProbeRender>& log = ProbeLog();
  ASSERT_EQ(1u, log.size());
  EXPECT_TRUE(log[0].sceneIsPicture) << "an object that does not read the scene gets the picture";
  EXPECT_FALSE(log[0].drawnOnBackBuffer) << "the layer's capture takes the objects too";
  EXPECT_TRUE(layer->captureOpenAtSurround) << "the pass must leave the layer's own capture open";
  EXPECT_TRUE(ds_test::PixelNear(image, kW / 4, kH / 2, kGreen, 2)) << "object composed from the pair";
  EXPECT_TRUE(ds_test::PixelNear(image, 3 * kW / 4, kH / 2, kRed, 2)) << "picture composed from the pair";
}

// ---- off-screen targets and the scene mapping ----

TEST_F(SlideRenderTest, NestedTargetsUnwindAndAnUnmatchedEndIsIgnored) {
  DS_SlideShow_Light written;
  written.AddSlide(MakeSlide(1, 10, 1, kBandsKey));
  Load(written, DS_ViewContext::kFitFill);
  m_show->Update(50.0f);
  DS_SharedRef<DS_2D_Light> layer = m_show->GetCurrentSlide()->GetLight();
  ASSERT_EQ(kW, layer->GetWidth());
  const size_t stackBefore = GetRenderSizeStack().size();

  DS_RenderTargetPair outer, inner;
  outer.Create(128, 64);
  inner.Create(32, 16);
  layer->BeginTarget(outer, DS_ViewContext::kFitRenderTarget);
  EXPECT_EQ(128, layer->GetWidth());
  EXPECT_EQ(DS_ViewContext::kFitRenderTarget, m_view.GetFitType());
  layer->BeginTarget(inner, DS_ViewContext::kFitRenderTarget);
  EXPECT_EQ(32, layer->GetWidth());
  layer->SetSize(200, 100);  // an object resizing while a target is open
  EXPECT_EQ(32, layer->GetWidth()) << "a size change inside a target must not replace the target's size";
  layer->EndTarget();
  EXPECT_EQ(128, layer->GetWidth());
  EXPECT_EQ(64, layer->GetHeight());
  EXPECT_TRUE(layer->IsTargetActive());
  layer->EndTarget();
  EXPECT_EQ(kW, layer->GetWidth());
  EXPECT_EQ(kH, layer->GetHeight());
  EXPECT_FALSE(layer->IsTargetActive());
  EXPECT_EQ(DS_ViewContext::kFitFill, m_view.GetFitType()) << "the outer end must give back the picture position";
  EXPECT_EQ(stackBefore, GetRenderSizeStack().size());

  // One end too many: nothing to undo.
  GetRenderSizeStack().push_back(DS_RenderSize{7, 7, DS_ViewContext::kFitStretch});  // another layer's target
  layer->EndTarget();
  EXPECT_EQ(kW, layer->GetWidth());
  EXPECT_EQ(DS_ViewContext::kFitFill, m_view.GetFitType());
  EXPECT_EQ(stackBefore + 1, GetRenderSizeStack().size()) << "an unmatched end popped another layer's size";
  GetRenderSizeStack().pop_back();

  // The frame after the targets is the frame of before.
  const ds_test::Image image = Frame(50.0f);
  EXPECT_TRUE(ds_test::PixelNear(image, kW / 2 - 20, kH / 2, kGreen, 2)) << "picture after the targets";
}

TEST_F(SlideRenderTest, SizingPublishesTheSceneMapping) {
  DS_SlideShow_Light written;
  written.AddSlide(MakeSlide(1, 10, 1, kBandsKey));
  Load(written, DS_ViewContext::kFitLetterbox);
  m_show->Update(50.0f);
  DS_SharedRef<DS_2D_Light> layer = m_show->GetCurrentSlide()->GetLight();
  EXPECT_EQ(unsigned(kPictureW), layer->GetPictureWidth());
  EXPECT_EQ(unsigned(kPictureH), layer->GetPictureHeight());
  layer->SetSize(160, 60);
  EXPECT_EQ(kPictureW, g_SceneWidth);
  EXPECT_EQ(kPictureH, g_SceneHeight);
  EXPECT_FLOAT_EQ(2.0f, g_BackBufferScaleX);
  EXPECT_FLOAT_EQ(4.0f, g_BackBufferScaleY);
  layer->SetSize(0, 0);  // never a division by zero
  EXPECT_TRUE(std::isfinite(g_BackBufferScaleX));
  EXPECT_TRUE(std::isfinite(g_BackBufferScaleY));
}

// ---- effect draws ----

TEST_F(SlideRenderTest, EffectDrawsRunEveryPassAndNullEffectsDrawNothing) {
  DS_SlideShow_Light written;
  written.AddSlide(MakeSlide(1, 10, 1, kBandsKey));
  Load(written, DS_ViewContext::kFitStretch);
  m_show->Update(50.0f);
  DS_SharedRef<DS_2D_Light> layer = m_show->GetCurrentSlide()->GetLight();
  const DS_PictureQuad& quad = layer->GetLayerQuad();
  ASSERT_TRUE(quad.vertices.buffer);

  std::unique_ptr<FakeEffect> effect(new FakeEffect());
  effect->SetPassCount(3);
  device->BeginScene();
  layer->DrawPT(quad, effect.get());
  layer->DrawPT(quad, nullptr);
  device->EndScene();
  const std::vector<std::string> expected = {"Begin 0", "BeginPass 0", "EndPass", "BeginPass 1", "EndPass",
                                             "BeginPass 2", "EndPass", "End"};
  EXPECT_EQ(expected, effect->Events());
  EXPECT_FALSE(effect->InBegin());

  // An effect that claims absurdly many passes is drawn with a bounded number.
  effect->ClearRecord();
  effect->SetPassCount(0xFFFFFFFFu);
  device->BeginScene();
  layer->DrawPT(quad, effect.get());
  device->EndScene();
  EXPECT_LE(effect->CountEvents("EndPass"), 64u);
  EXPECT_EQ(1u, effect->CountEvents("End"));
  effect.release()->Release();
}

// ---- device objects of the document ----

// A special layer that restores its own device state without the base's.
class OwnRestoreLayer : public DS_2D_Light {
public:
  void OnDeviceRestored() override { ++restores; }
  int restores = 0;
};

TEST_F(SlideRenderTest, TheDocumentsDeviceObjectsAreRestoredOnceWhateverTheLayer) {
  DS_SlideShow_Light written;
  written.AddSlide(MakeSlide(0, 1, 0, kRedKey));
  written.AddSlide(MakeSlide(0, 1, 0, kBlueKey));
  Load(written, DS_ViewContext::kFitStretch);
  OwnRestoreLayer* special = new OwnRestoreLayer();
  m_show->GetSlide(1)->SetLight(special);
  FakeEffect* effect = new FakeEffect();
  g_CurrentDocResManager->Tables().effects[DS_FileKey(L"glow.fx", 1)].Attach(effect);

  struct Step {
    const char* what;
    std::function<void()> run;
    int resets;
    int losses;
  };
  const Step steps[] = {
      {"first update activates slide 0", [&] { m_show->Update(10.0f); }, 1, 0},
      {"a frame restores nothing", [&] { m_show->Update(10.5f); }, 1, 0},
      {"device lost", [&] { m_show->OnDeviceLost(); }, 1, 1},
      {"device restored", [&] { m_show->OnDeviceRestored(); }, 2, 1},
      {"switch to the special layer", [&] { m_show->Update(11.5f); }, 3, 1},
      {"device lost again", [&] { m_show->OnDeviceLost(); }, 3, 2},
      {"restored with the special layer current", [&] { m_show->OnDeviceRestored(); }, 4, 2},
  };
  for (const Step& step : steps) {
    step.run();
    EXPECT_EQ(step.resets, effect->ResetCount()) << step.what;
    EXPECT_EQ(step.losses, effect->LostCount()) << step.what;
  }
  EXPECT_EQ(1, m_show->GetCurrentIndex());
  EXPECT_EQ(2, special->restores) << "activation and the restore hook each restore the layer once";
}

}  // namespace
