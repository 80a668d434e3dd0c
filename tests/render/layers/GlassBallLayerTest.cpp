// The glass-ball layer: its record against truncation, the lens, mask and gradient
// texels, the lens values, sway and scroll, the background layout and the ball
// transforms as tables; on the device, the composed ball over its background, the
// bars of a letterboxed background picture, the shared sway clock, a document with a
// lake and a glass-ball slide, and a lost device.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>

#include "LayerDocument.h"
#include "device/DeviceGlobals.h"
#include "render/layers/GlassBallLayer.h"
#include "render/layers/LakeLayer.h"
#include "support/TestPictures.h"

using namespace layer_test;
using slides_test::EmbeddedPicture;

namespace {

const DS_FileKey kPictureKey(L"C:\\scene\\ball.bmp", 31);
const DS_FileKey kBackgroundKey(L"C:\\scene\\back.bmp", 32);
const DS_FileKey kOverlayKey(L"common_res.dll", DS_GlassBallLight::kFirstOverlayResource);

// ---- record ----

DS_GlassBallLight* MakeBall() {
  DS_GlassBallLight* ball = new DS_GlassBallLight();
  ball->firstOverlay.StoreKey(DS_FileKey(L"C:\\scene\\glint.png", 1));
  ball->secondOverlay.StoreKey(DS_FileKey(L"C:\\scene\\shine.png", 2));
  ball->standImage.StoreKey(DS_FileKey(L"C:\\scene\\stand.png", 3));
  ball->backgroundImage.StoreKey(kBackgroundKey);
  ball->speed.SetValue(50);
  ball->position.SetValue(POINT{-40, 25});
  ball->ballSize.SetValue(140);
  ball->magnification.SetValue(30);
  ball->firstOverlaySwitch.SetValue(0);
  ball->secondOverlaySwitch.SetValue(-2);
  ball->standSwitch.SetValue(1);
  ball->backgroundMode.SetValue(1);
  ball->animationMode.SetValue(2);
  ball->topColour.SetValue(0x00112233);
  ball->bottomColour.SetValue(0xFF445566);
  ball->GetPictureLink().StoreKey(kPictureKey);
  return ball;
}

TEST(GlassBallRecord, RoundTripsEveryField) {
  std::unique_ptr<DS_GlassBallLight> written(MakeBall());
  DS_IOF_W stream;
  written->Write(stream);
  std::unique_ptr<DS_2D_Light> read = ReadLayer(stream.Bytes(), stream.Bytes().size(), true);
  DS_GlassBallLight* ball = dynamic_cast<DS_GlassBallLight*>(read.get());
  ASSERT_NE(nullptr, ball) << "not read back as a glass ball";
  EXPECT_TRUE(ball->firstOverlay.GetKey() == DS_FileKey(L"C:\\scene\\glint.png", 1));
  EXPECT_TRUE(ball->secondOverlay.GetKey() == DS_FileKey(L"C:\\scene\\shine.png", 2));
  EXPECT_TRUE(ball->standImage.GetKey() == DS_FileKey(L"C:\\scene\\stand.png", 3));
  EXPECT_TRUE(ball->backgroundImage.GetKey() == kBackgroundKey);
  EXPECT_EQ(50u, ball->speed.GetValue());
  EXPECT_FLOAT_EQ(2.0f, ball->speed.GetResult());
  EXPECT_EQ(-40, ball->position.GetValue().x);
  EXPECT_EQ(25, ball->position.GetValue().y);
  EXPECT_EQ(140u, ball->ballSize.GetValue());
  EXPECT_EQ(30u, ball->magnification.GetValue());
  EXPECT_EQ(0, ball->firstOverlaySwitch.GetValue());
  EXPECT_EQ(-2, ball->secondOverlaySwitch.GetValue());
  EXPECT_EQ(1, ball->standSwitch.GetValue());
  EXPECT_EQ(1, ball->backgroundMode.GetValue());
  EXPECT_EQ(2, ball->animationMode.GetValue());
  EXPECT_EQ(0x00112233ul, ball->topColour.GetValue());
  EXPECT_EQ(0xFF445566ul, ball->bottomColour.GetValue());
  EXPECT_TRUE(ball->GetPictureLink().GetKey() == kPictureKey);

  DS_IOF_W again;
  ball->Write(again);
  EXPECT_EQ(stream.Bytes(), again.Bytes()) << "writing what was read changed the record";
}

TEST(GlassBallRecord, DefaultsOfANewLayer) {
  DS_GlassBallLight ball;
  EXPECT_TRUE(ball.firstOverlay.GetKey() == DS_FileKey(L"common_res.dll", 58));
  EXPECT_TRUE(ball.secondOverlay.GetKey() == DS_FileKey(L"common_res.dll", 59));
  EXPECT_TRUE(ball.standImage.GetKey() == DS_FileKey(L"common_res.dll", 60));
  EXPECT_TRUE(ball.backgroundImage.GetKey() == DS_FileKey(L"common_res.dll", 5));
  EXPECT_FLOAT_EQ(1.0f, ball.speed.GetResult());
  EXPECT_EQ(100u, ball.ballSize.GetValue());
  EXPECT_EQ(1, ball.firstOverlaySwitch.GetValue());
  EXPECT_EQ(1, ball.secondOverlaySwitch.GetValue());
  EXPECT_EQ(0, ball.standSwitch.GetValue());
  EXPECT_EQ(0, ball.backgroundMode.GetValue());
  EXPECT_EQ(3, ball.animationMode.GetValue());
  EXPECT_TRUE(ball.NeedsSceneCapture());
}

TEST(GlassBallRecord, EveryCutOfTheRecordFailsWithoutALayer) {
  std::unique_ptr<DS_GlassBallLight> written(MakeBall());
  DS_IOF_W stream;
  written->Write(stream);
  const std::vector<unsigned char>& bytes = stream.Bytes();
  for (size_t size = 0; size < bytes.size(); ++size) {
    EXPECT_EQ(nullptr, ReadLayer(bytes, size, false)) << "a record cut at " << size << " bytes was accepted";
  }
}

// ---- texels ----

short LensU(DWORD texel) { return short(texel & 0xFFFF); }
short LensV(DWORD texel) { return short(texel >> 16); }

TEST(GlassBallTexels, LensHoldsTheHemispheresSlopes) {
  EXPECT_EQ(63, LensU(GlassBallLensTexel(128, 128)));
  EXPECT_EQ(63, LensV(GlassBallLensTexel(128, 128)));
  // The left rim: nothing below, a steep rise to the right.
  const DWORD rim = GlassBallLensTexel(0, 128);
  EXPECT_EQ(0, LensV(rim));
  EXPECT_EQ(short(std::trunc(std::atan(-std::sqrt(255.0f)) * 16297.4658203125f)), LensU(rim));
  EXPECT_LT(LensU(rim), -20000);
  // Outside the disc the surface is flat.
  EXPECT_EQ(0u, GlassBallLensTexel(5, 5));
  // The last column compares each texel with itself.
  for (int y = 0; y < 256; y += 17) EXPECT_EQ(0u, GlassBallLensTexel(255, y)) << "row " << y;
}

TEST(GlassBallTexels, MaskIsOpaqueOutsideRadius508) {
  const struct {
    int x, y;
    BYTE expected;
  } cases[] = {{512, 512, 0}, {0, 0, 255}, {1020, 512, 0}, {1021, 512, 255}, {512, 4, 0}, {512, 3, 255}};
  for (const auto& c : cases) EXPECT_EQ(c.expected, GlassBallMaskTexel(c.x, c.y)) << c.x << ", " << c.y;
}

TEST(GlassBallTexels, GradientRunsFromTheTopColourToTheBottomColour) {
  // Stored red-lowest; the texels hold 0x00RRGGBB.
  EXPECT_EQ(0x00332211u, GlassBallGradientRow(0, 0x00112233, 0x00FFFFFF));
  EXPECT_EQ(0x00FFFFFFu, GlassBallGradientRow(255, 0x00112233, 0x00FFFFFF));
  EXPECT_EQ(0x000000FFu, GlassBallGradientRow(255, 0x000000FF, 0x00FF0000));
  const D3DCOLOR middle = GlassBallGradientRow(51, 0x000000FF, 0x00FF0000);  // t = 0.2
  EXPECT_NEAR(204, int((middle >> 16) & 0xFF), 1);
  EXPECT_NEAR(51, int(middle & 0xFF), 1);
  EXPECT_EQ(0u, middle >> 24) << "alpha stays 0";
}

// ---- lens, sway, scroll ----

TEST(GlassBallFormulas, LensValues) {
  const struct {
    unsigned size, magnification;
    float sx, c;
    float z, k, n;
  } cases[] = {
      {100, 0, 1, 1, -600.0f, 1.5645f, 0.125f},
      {200, 100, 1, 1, -600.0f / 1.75f, (2.21f + 0.385f) * 1.05f * 1.5f, 0.1875f},
      {100, 0, 2, 0.5f, -600.0f, 1.5645f, 0.125f},
      {100, 0, 0, 1, -600.0f, 0.385f * 1.05f, 0.125f},  // a zoom of 0 keeps the eye where it was
  };
  for (const auto& c : cases) {
    const DS_GlassBallLens lens = GlassBallLens(c.size, c.magnification, c.sx, c.c);
    EXPECT_NEAR(c.z, lens.z, 1e-3) << "size " << c.size << " sx " << c.sx;
    EXPECT_NEAR(c.k, lens.k, 1e-5) << "size " << c.size << " sx " << c.sx;
    EXPECT_NEAR(c.n, lens.n, 1e-6) << "size " << c.size;
  }
}

TEST(GlassBallFormulas, SwayIsATriangleWaveOfPeriodTwo) {
  const float cases[][2] = {{0, 1}, {0.5f, 0}, {1, -1}, {1.5f, 0}, {2, 1}, {2.25f, 0.5f}, {-0.5f, 0}};
  for (const auto& c : cases) EXPECT_NEAR(c[1], GlassBallSway(c[0]), 1e-6) << "g = " << c[0];
}

TEST(GlassBallFormulas, ScrollRunsOneWayInModeOneAndTheOtherInModeTwo) {
  EXPECT_NEAR(0.25f, GlassBallScroll(2, 0.5f), 1e-6);
  EXPECT_NEAR(0.75f, GlassBallScroll(1, 0.5f), 1e-6);
  EXPECT_NEAR(0.0f, GlassBallScroll(2, 2.0f), 1e-6);
}

// ---- layout ----

TEST(GlassBallLayoutTest, FourThreeBackgroundOnASixteenNineLayer) {
  DS_ScreenQuad fitted;
  fitted.FitTexture(800, 600, 1280, 720);
  const DS_GlassBallLayout layout = GlassBallLayout(fitted, 1, 1, 0, 0);
  EXPECT_FLOAT_EQ(160, layout.background.Left());
  EXPECT_FLOAT_EQ(1120, layout.background.Right());
  const float bars[4][4] = {{0, 0, 161, 720}, {1120, 0, 1281, 720}, {0, 0, 960, 1}, {0, 720, 960, 721}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(bars[i][0], layout.bars[i].Left()) << "bar " << i;
    EXPECT_FLOAT_EQ(bars[i][1], layout.bars[i].Top()) << "bar " << i;
    EXPECT_FLOAT_EQ(bars[i][2], layout.bars[i].Right()) << "bar " << i;
    EXPECT_FLOAT_EQ(bars[i][3], layout.bars[i].Bottom()) << "bar " << i;
  }
  EXPECT_NEAR(960.0f / 1282.0f, layout.cw, 1e-6);
  EXPECT_NEAR(720.0f / 722.0f, layout.c, 1e-6);
}

TEST(GlassBallLayoutTest, ZoomScalesTheBackgroundAboutItsTopLeftAndMovesIt) {
  DS_ScreenQuad fitted;
  fitted.FitTexture(800, 600, 1280, 720);
  const DS_GlassBallLayout layout = GlassBallLayout(fitted, 1.2f, 1.5f, 10, -20);
  EXPECT_FLOAT_EQ(170, layout.background.Left());
  EXPECT_FLOAT_EQ(160 + 1.2f * 960 + 10, layout.background.Right());
  EXPECT_FLOAT_EQ(-20, layout.background.Top());
  EXPECT_FLOAT_EQ(1.5f * 720 - 20, layout.background.Bottom());
  // The bars stay with the unzoomed picture.
  EXPECT_FLOAT_EQ(161, layout.bars[DS_GlassBallLight::kBarLeft].Right());
  EXPECT_NEAR(1.2f * 960 / (1.2f * 960 + 2 * (192 + 1)), layout.cw, 1e-6);
}

TEST(GlassBallLayoutTest, APictureWithoutSizeGivesFiniteFactors) {
  DS_ScreenQuad empty;
  empty.SetCorners(0, 0, 0, 0);
  const DS_GlassBallLayout layout = GlassBallLayout(empty, 1, 1, 0, 0);
  EXPECT_TRUE(std::isfinite(layout.cw));
  EXPECT_TRUE(std::isfinite(layout.c));
}

// ---- transforms ----

DS_BallTransformInput CentredInput() {
  DS_BallTransformInput in;
  in.position = POINT{100, 0};
  in.lensValues = GlassBallLens(100, 0, 1, 1);
  in.targetWidth = 1024;
  in.targetHeight = 768;
  in.layerWidth = 1024;
  in.layerHeight = 768;
  in.pictureWidth = 800;
  in.pictureHeight = 600;
  return in;
}

TEST(GlassBallTransformsTest, LensPassOfABallMovedRight) {
  const DS_BallTransforms out = GlassBallTransforms(CentredInput());
  EXPECT_FLOAT_EQ(100.0f, out.world._41);
  EXPECT_FLOAT_EQ(0.0f, out.world._42);
  EXPECT_NEAR(600.0f, out.view._43, 1e-3) << "the eye sits 600 units in front of the ball";
  EXPECT_NEAR(1.353516f, out.texture._41, 1e-6);
  EXPECT_NEAR(0.5f, out.texture._42, 1e-6);
  EXPECT_EQ(0.0f, out.texture._12);
  EXPECT_EQ(0.0f, out.texture._21);
  EXPECT_LT(out.texture._22, 0.0f) << "v grows downwards";
  // The lens scale k shrinks the texture scale against the overlay pass.
  DS_BallTransformInput overlay = CentredInput();
  overlay.lens = false;
  const DS_BallTransforms plain = GlassBallTransforms(overlay);
  EXPECT_NEAR(0.5f, plain.texture._41, 1e-6);
  EXPECT_GT(plain.texture._11, out.texture._11);
}

TEST(GlassBallTransformsTest, SwayShiftsTheLensPassByTheAmplitude) {
  DS_BallTransformInput in = CentredInput();
  in.position = POINT{0, 0};
  in.sway = 1.0f;
  const DS_BallTransforms out = GlassBallTransforms(in);
  EXPECT_NEAR(0.5f + 0.125f, out.texture._41, 1e-6);
}

TEST(GlassBallTransformsTest, BackgroundModeOneStretchesByTheLayersAspectAndBands) {
  DS_BallTransformInput in = CentredInput();
  in.backgroundMode = 1;
  in.cw = 0.5f;
  in.c = 0.8f;
  in.position = POINT{100, 100};
  const DS_BallTransforms out = GlassBallTransforms(in);
  EXPECT_NEAR(100.0f * (1024.0f / 768.0f) * 0.5f, out.x, 1e-3);
  EXPECT_NEAR(-100.0f * 0.8f, out.y, 1e-3);
}

TEST(GlassBallTransformsTest, HostileSizesAndPositionsStayFinite) {
  const struct {
    const char* what;
    std::function<void(DS_BallTransformInput&)> change;
  } cases[] = {
      {"picture taller than wide", [](DS_BallTransformInput& in) { in.pictureWidth = 600, in.pictureHeight = 800; }},
      {"picture without height", [](DS_BallTransformInput& in) { in.pictureHeight = 0; }},
      {"picture without size", [](DS_BallTransformInput& in) { in.pictureWidth = in.pictureHeight = 0; }},
      {"layer not yet sized", [](DS_BallTransformInput& in) { in.layerWidth = in.layerHeight = 0; }},
      {"no target", [](DS_BallTransformInput& in) { in.targetWidth = in.targetHeight = 0; }},
      {"band factors of 0", [](DS_BallTransformInput& in) { in.cw = in.c = 0, in.ox = in.oy = 5; }},
      {"position at the int range", [](DS_BallTransformInput& in) { in.position = POINT{INT_MAX, INT_MIN}; }},
      {"background without size",
       [](DS_BallTransformInput& in) { in.lens = false, in.backgroundMode = 1, in.backgroundHeight = 0; }},
  };
  for (const auto& c : cases) {
    DS_BallTransformInput in = CentredInput();
    c.change(in);
    const DS_BallTransforms out = GlassBallTransforms(in);
    const D3DXMATRIX* matrices[4] = {&out.world, &out.view, &out.projection, &out.texture};
    for (const D3DXMATRIX* m : matrices) {
      for (int i = 0; i < 16; ++i) {
        EXPECT_TRUE(std::isfinite(static_cast<const float*>(*m)[i])) << c.what << ", element " << i;
      }
    }
  }
}

// ---- the shared sway clock ----

TEST(GlassBallClockTest, AStillLayerNeitherReadsNorAdvancesTheSharedClock) {
  GetGlassBallClock() = DS_GlassBallClock();
  DS_GlassBallLight swaying, still;
  still.animationMode.SetValue(0);
  swaying.Update(10.0f);
  EXPECT_FLOAT_EQ(1.0f, swaying.GetSway()) << "the first use starts the clock at 0";
  swaying.Update(12.0f);
  EXPECT_NEAR(0.125f, GetGlassBallClock().g, 1e-6);
  EXPECT_NEAR(0.75f, swaying.GetSway(), 1e-6);
  still.Update(20.0f);
  EXPECT_EQ(0.0f, still.GetSway());
  EXPECT_FLOAT_EQ(12.0f, GetGlassBallClock().last);
  // The next swaying update adds the whole time since the clock's last update.
  swaying.Update(20.0f);
  EXPECT_NEAR(0.625f, GetGlassBallClock().g, 1e-6);
}

TEST(GlassBallClockTest, ATimeOutsideTheFloatRangeDoesNotPoisonTheClock) {
  GetGlassBallClock() = DS_GlassBallClock();
  DS_GlassBallLight ball;
  ball.Update(1.0f);
  ball.Update(INFINITY);
  ball.Update(2.0f);
  ball.Update(3.0f);
  EXPECT_TRUE(std::isfinite(GetGlassBallClock().g));
  EXPECT_TRUE(std::isfinite(ball.GetSway()));
  EXPECT_NEAR(GlassBallSway(GetGlassBallClock().g), ball.GetSway(), 1e-6);
}

// ---- on the device ----

const int kW = ds_test::kTestDeviceWidth;
const int kH = ds_test::kTestDeviceHeight;
const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00;

class GlassBallDeviceTest : public LayerDocumentTest {
protected:
  void SetUp() override {
    LayerDocumentTest::SetUp();
    GetGlassBallClock() = DS_GlassBallClock();
  }

  // `picture` is the slide picture's file; empty: solid red.
  DS_GlassBallLight* LoadBall(const std::function<void(DS_GlassBallLight&)>& setup,
                              std::vector<EmbeddedPicture> extra = {}, const std::vector<unsigned char>& picture = {}) {
    DS_SlideShow_Light written;
    DS_SlideContainer* slide = new DS_SlideContainer();
    DS_GlassBallLight* ball = new DS_GlassBallLight();
    ball->GetPictureLink().StoreKey(kPictureKey);
    ball->backgroundImage.StoreKey(kBackgroundKey);
    ball->animationMode.SetValue(0);
    ball->firstOverlaySwitch.SetValue(0);
    ball->secondOverlaySwitch.SetValue(0);
    setup(*ball);
    slide->SetLight(ball);
    written.AddSlide(slide);
    std::vector<EmbeddedPicture> pictures = {
        {kPictureKey, picture.empty() ? slides_test::MakeSolidBmp(64, 48, kRed) : picture},
        {kBackgroundKey, slides_test::MakeSolidBmp(64, 32, kYellow)},
    };
    pictures.insert(pictures.end(), extra.begin(), extra.end());
    Load(written, pictures);
    DS_GlassBallLight* loaded = dynamic_cast<DS_GlassBallLight*>(Layer(0));
    EXPECT_NE(nullptr, loaded);
    return loaded;
  }
};

TEST_F(GlassBallDeviceTest, BuildsItsLensMaskAndGradientTextures) {
  DS_GlassBallLight* ball = LoadBall([](DS_GlassBallLight& b) {
    b.topColour.SetValue(0x000000FF);
    b.bottomColour.SetValue(0x00FF0000);
  });
  ASSERT_NE(nullptr, ball);
  ASSERT_NE(nullptr, ball->GetLensTexture()) << "no V16U16 lens on this device";
  ASSERT_NE(nullptr, ball->GetMaskTexture());
  ASSERT_NE(nullptr, ball->GetGradientTexture());
  EXPECT_TRUE(ball->HasBallBuffer());
  D3DLOCKED_RECT locked = {};
  ASSERT_EQ(D3D_OK, ball->GetLensTexture()->LockRect(0, &locked, nullptr, D3DLOCK_READONLY));
  const DWORD* centreRow = reinterpret_cast<const DWORD*>(static_cast<BYTE*>(locked.pBits) + 128 * locked.Pitch);
  EXPECT_EQ(0x003F003Fu, centreRow[128]);
  EXPECT_EQ(0u, centreRow[255]);
  ball->GetLensTexture()->UnlockRect(0);
  ASSERT_EQ(D3D_OK, ball->GetMaskTexture()->LockRect(0, &locked, nullptr, D3DLOCK_READONLY));
  EXPECT_EQ(255, static_cast<BYTE*>(locked.pBits)[0]);
  EXPECT_EQ(0, (static_cast<BYTE*>(locked.pBits) + 512 * locked.Pitch)[512]);
  ball->GetMaskTexture()->UnlockRect(0);
  ASSERT_EQ(D3D_OK, ball->GetGradientTexture()->LockRect(0, &locked, nullptr, D3DLOCK_READONLY));
  EXPECT_EQ(0x00FF0000u, static_cast<DWORD*>(locked.pBits)[0]);
  EXPECT_EQ(0x000000FFu, reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + 255 * locked.Pitch)[7]);
  ball->GetGradientTexture()->UnlockRect(0);
  EXPECT_EQ(ball->GetGradientTexture(), ball->GetBackgroundTexture()) << "background mode 0 shows the gradient";
  EXPECT_EQ(DS_ViewContext::kFitFill, ball->GetBackgroundFitType());
}

TEST_F(GlassBallDeviceTest, TheSceneShowsInTheBallOverTheGradient) {
  DS_GlassBallLight* ball = LoadBall([](DS_GlassBallLight& b) {
    b.topColour.SetValue(0x00FF0000);     // blue
    b.bottomColour.SetValue(0x0000FF00);  // green
  });
  ASSERT_NE(nullptr, ball);
  const ds_test::Image image = Frame(10.0f);
  ASSERT_EQ(kW, image.width);
  EXPECT_TRUE(ds_test::PixelNear(image, kW / 2, kH / 2, kRed, 8)) << "the scene in the ball";
  EXPECT_TRUE(ds_test::PixelNear(image, kW / 2 + 40, kH / 2 - 30, kRed, 8)) << "the scene in the ball";
  EXPECT_TRUE(ds_test::PixelNear(image, 3, 1, kBlue, 8)) << "the gradient's top beside the ball";
  EXPECT_TRUE(ds_test::PixelNear(image, 3, kH - 1, kGreen, 8)) << "the gradient's bottom beside the ball";
  EXPECT_TRUE(ds_test::PixelNear(image, kW - 3, 1, kBlue, 8)) << "the gradient's top beside the ball";
}

TEST_F(GlassBallDeviceTest, TheLensCrowdsTheSceneTowardsTheRim) {
  // Red grows to the right across the picture: along the ball's middle row, how fast
  // red grows says how much of the scene a pixel covers.
  DS_GlassBallLight* ball = LoadBall([](DS_GlassBallLight&) {}, {}, ds_test::GradientBmp(64, 48));
  ASSERT_NE(nullptr, ball);
  ASSERT_NE(nullptr, ball->GetLensTexture()) << "no V16U16 lens on this device";
  const ds_test::Image image = Frame(10.0f);
  const int y = kH / 2;
  const auto red = [&](int x) { return int((image.RgbAt(x, y) >> 16) & 0xFF); };
  const int centre = red(kW / 2 + 8) - red(kW / 2 - 8);
  const int left = red(56) - red(40);
  const int right = red(kW - 40) - red(kW - 56);
  EXPECT_GT(centre, 4) << "the scene shows in the ball; saved as " << ds_test::SaveFailureImage(image, "BallLens");
  // Near the rim the same 16 pixels span a quarter more of the scene than at the centre.
  EXPECT_GE(left * 4, centre * 5) << "left rim " << left << ", centre " << centre << "; saved as "
                                  << ds_test::SaveFailureImage(image, "BallLens");
  EXPECT_GE(right * 4, centre * 5) << "right rim " << right << ", centre " << centre << "; saved as "
                                   << ds_test::SaveFailureImage(image, "BallLens");
  // Outside the ball the gradient background (black here), not the scene.
  EXPECT_TRUE(ds_test::PixelNear(image, 10, y, 0x000000, 2)) << "beside the ball";
  EXPECT_TRUE(ds_test::PixelNear(image, 40, 10, 0x000000, 2)) << "the ball is round";
}

TEST_F(GlassBallDeviceTest, MissingOverlayPicturesAreLeftOut) {
  LoadBall([](DS_GlassBallLight& b) { b.topColour.SetValue(0x00FF0000); });
  const ds_test::Image without = Frame(10.0f);
  m_show.reset();
  {
    DS_DocResManager* manager = g_CurrentDocResManager;
    SetCurrentDocResManager(nullptr);
    delete manager;
  }
  // Both overlays switched on, neither in the document nor in a module.
  LoadBall([](DS_GlassBallLight& b) {
    b.topColour.SetValue(0x00FF0000);
    b.firstOverlaySwitch.SetValue(1);
    b.secondOverlaySwitch.SetValue(1);
    b.standSwitch.SetValue(1);
  });
  const ds_test::Image with = Frame(10.0f);
  for (int y = 0; y < kH; y += 6) {
    for (int x = 0; x < kW; x += 6) {
      EXPECT_TRUE(ds_test::PixelNear(with, x, y, without.RgbAt(x, y), 1)) << "with missing overlays";
      if (HasFailure()) return;
    }
  }
}

TEST_F(GlassBallDeviceTest, AnOverlayFromTheDocumentCoversTheBall) {
  DS_GlassBallLight* ball = LoadBall([](DS_GlassBallLight& b) { b.firstOverlaySwitch.SetValue(1); },
                                     {{kOverlayKey, slides_test::MakeSolidBmp(16, 16, kGreen)}});
  ASSERT_NE(nullptr, ball);
  const ds_test::Image image = Frame(10.0f);
  EXPECT_TRUE(ds_test::PixelNear(image, kW / 2, kH / 2, kGreen, 8)) << "the overlay over the ball";
  EXPECT_TRUE(ds_test::PixelNear(image, 2, 2, 0x000000, 8)) << "the black gradient beside the ball";
}

TEST_F(GlassBallDeviceTest, ALetterboxedBackgroundPictureGetsBlackBars) {
  // A 2:1 background on the 4:3 device: bands above and below.
  DS_GlassBallLight* ball = LoadBall([](DS_GlassBallLight& b) { b.backgroundMode.SetValue(1); });
  ASSERT_NE(nullptr, ball);
  EXPECT_EQ(DS_ViewContext::kFitLetterbox, ball->GetBackgroundFitType());
  const ds_test::Image image = Frame(10.0f);
  EXPECT_TRUE(ds_test::PixelNear(image, 3, 100, kYellow, 8)) << "the background picture";
  EXPECT_TRUE(ds_test::PixelNear(image, kW / 2, 10, 0x000000, 2)) << "the top bar";
  EXPECT_TRUE(ds_test::PixelNear(image, kW / 2, kH - 10, 0x000000, 2)) << "the bottom bar";
  EXPECT_TRUE(ds_test::PixelNear(image, kW / 2, kH / 2, kRed, 8)) << "the scene in the ball";
  EXPECT_NEAR(160.0f / (160.0f + 2 * 41), ball->GetBandFactorY(), 1e-5);

  // Fill instead: no bars.
  m_show->ApplyPicturePosition(DS_ViewContext::kFitFill);
  EXPECT_EQ(DS_ViewContext::kFitFill, ball->GetBackgroundFitType());
  const ds_test::Image filled = Frame(10.1f);
  EXPECT_TRUE(ds_test::PixelNear(image, 3, 10, 0x000000, 2)) << "the top bar beside the ball";
  EXPECT_TRUE(ds_test::PixelNear(filled, 3, 10, kYellow, 8)) << "the filled background beside the ball";
}

TEST_F(GlassBallDeviceTest, ThePicturePositionMovesOnlyABackgroundPicture) {
  DS_GlassBallLight* ball = LoadBall([](DS_GlassBallLight&) {});
  ASSERT_NE(nullptr, ball);
  m_show->ApplyPicturePosition(DS_ViewContext::kFitLetterbox);
  EXPECT_EQ(DS_ViewContext::kFitFill, ball->GetBackgroundFitType()) << "the gradient always fills";
}

TEST_F(GlassBallDeviceTest, ScrollQuadsFollowTheSharedClock) {
  DS_GlassBallLight* ball = LoadBall([](DS_GlassBallLight& b) { b.animationMode.SetValue(2); });
  ASSERT_NE(nullptr, ball);
  GetGlassBallClock() = DS_GlassBallClock{true, 10.0f, 0.5f};  // f = 0.25
  const ds_test::Image image = Frame(10.0f);
  const std::vector<DX_V::SCT> first = ReadVertices(ball->GetScrollQuad(0).vertices);
  const std::vector<DX_V::SCT> second = ReadVertices(ball->GetScrollQuad(1).vertices);
  ASSERT_EQ(4u, first.size());
  ASSERT_EQ(4u, second.size());
  // Corners: left-bottom, left-top, right-bottom, right-top.
  EXPECT_FLOAT_EQ(80.0f, first[0].x);
  EXPECT_FLOAT_EQ(400.0f, first[2].x);
  EXPECT_FLOAT_EQ(-240.0f, second[0].x);
  EXPECT_FLOAT_EQ(80.0f, second[2].x);
  EXPECT_FLOAT_EQ(float(kH), first[0].y);
  // The solid scene still fills the ball after the scroll.
  EXPECT_TRUE(ds_test::PixelNear(image, kW / 2, kH / 2, kRed, 8)) << "the scrolled scene";
}

TEST_F(GlassBallDeviceTest, LostDeviceReleasesTheScrollTexturesAndRestores) {
  DS_GlassBallLight* ball = LoadBall([](DS_GlassBallLight& b) {
    b.animationMode.SetValue(1);
    b.topColour.SetValue(0x00FF0000);
  });
  ASSERT_NE(nullptr, ball);
  Frame(10.0f);
  const ds_test::Image before = Frame(10.0f);
  ASSERT_NO_FATAL_FAILURE(LoseAndRestore());
  EXPECT_TRUE(ball->GetTargets().IsValid()) << "the capture targets were not made again";
  EXPECT_EQ(nullptr, ball->GetScrollQuad(0).texture.Get());
  const ds_test::Image after = Frame(10.0f);
  for (int y = 0; y < kH; y += 6) {
    for (int x = 0; x < kW; x += 6) {
      EXPECT_TRUE(ds_test::PixelNear(after, x, y, before.RgbAt(x, y), 2)) << "after the reset";
      if (HasFailure()) return;
    }
  }
}

TEST_F(GlassBallDeviceTest, AnObjectsTargetRestoresTheLayerSizeAndBackgroundFit) {
  DS_GlassBallLight* ball = LoadBall([](DS_GlassBallLight& b) { b.backgroundMode.SetValue(1); });
  ASSERT_NE(nullptr, ball);
  m_show->Update(1.0f);
  const int width = ball->GetWidth(), height = ball->GetHeight();
  const float c = ball->GetBandFactorY();
  DS_RenderTargetPair pair;
  pair.Create(64, 64);
  ball->BeginTarget(pair, DS_ViewContext::kFitRenderTarget);
  EXPECT_EQ(64, ball->GetWidth());
  ball->EndTarget();
  EXPECT_EQ(width, ball->GetWidth());
  EXPECT_EQ(height, ball->GetHeight());
  EXPECT_FALSE(ball->IsTargetActive());
  EXPECT_EQ(DS_ViewContext::kFitLetterbox, ball->GetBackgroundFitType());
  ball->SetSize(width, height);
  EXPECT_FLOAT_EQ(c, ball->GetBandFactorY());
}

// ---- both special layers in one document ----

TEST_F(GlassBallDeviceTest, ADocumentWithALakeSlideAndAGlassBallSlide) {
  const GUID bumpGuid = {0x0BADF00D, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
  DS_SlideShow_Light written;
  DS_SlideContainer* lakeSlide = new DS_SlideContainer();
  lakeSlide->fadeIn.SetValue(1);
  lakeSlide->show.SetValue(2);
  lakeSlide->fadeOut.SetValue(1);
  FakeLake2D* lake = new FakeLake2D();
  lake->GetPictureLink().StoreKey(kPictureKey);
  lake->guid = bumpGuid;
  lake->tintOpacity.SetValue(0);
  lakeSlide->SetLight(lake);
  written.AddSlide(lakeSlide);
  DS_SlideContainer* ballSlide = new DS_SlideContainer();
  ballSlide->fadeIn.SetValue(1);
  ballSlide->show.SetValue(2);
  ballSlide->fadeOut.SetValue(1);
  DS_GlassBallLight* ball = new DS_GlassBallLight();
  ball->GetPictureLink().StoreKey(kPictureKey);
  ball->firstOverlaySwitch.SetValue(0);
  ball->secondOverlaySwitch.SetValue(0);
  ball->topColour.SetValue(0x00FF0000);
  ball->bottomColour.SetValue(0x00FF0000);
  ballSlide->SetLight(ball);
  written.AddSlide(ballSlide);
  const std::vector<unsigned char> bytes = WriteLayerDocument(
      written, {{kPictureKey, slides_test::MakeSolidBmp(64, 48, kRed)}},
      {{bumpGuid, slides_test::MakeSolidBmp(8, 8, 0x808080)}});
  m_show.reset(LoadSceneDocumentFromMemory(bytes.data(), bytes.size()));
  ASSERT_EQ(2u, m_show->GetSlideCount());
  m_show->BuildSlideObjects();
  m_show->ApplyPicturePosition(1);
  FakeLake2D* readLake = dynamic_cast<FakeLake2D*>(Layer(0));
  DS_GlassBallLight* readBall = dynamic_cast<DS_GlassBallLight*>(Layer(1));
  ASSERT_NE(nullptr, readLake);
  ASSERT_NE(nullptr, readBall);
  EXPECT_NE(nullptr, readLake->GetBumpTexture()) << "the lake's bump map from the GUID table";
  EXPECT_NE(nullptr, readBall->GetLensTexture());

  // The lake first, then (after its 4 seconds) the ball, each fully visible mid-show.
  const ds_test::Image lakeFrame = Frame(100.0f);
  EXPECT_EQ(0, m_show->GetCurrentIndex());
  EXPECT_TRUE(ds_test::PixelNear(lakeFrame, kW / 2, kH / 4, kRed, 4)) << "the lake slide's picture";
  Frame(102.5f);
  Frame(104.5f);
  const ds_test::Image ballFrame = Frame(106.0f);
  EXPECT_EQ(1, m_show->GetCurrentIndex());
  EXPECT_TRUE(ds_test::PixelNear(ballFrame, kW / 2, kH / 2, kRed, 8)) << "the scene in the ball";
  EXPECT_TRUE(ds_test::PixelNear(ballFrame, 2, 2, kBlue, 8)) << "the ball's background";
  ASSERT_NO_FATAL_FAILURE(LoseAndRestore());
  const ds_test::Image restored = Frame(106.0f);
  EXPECT_TRUE(ds_test::PixelNear(restored, kW / 2, kH / 2, kRed, 8)) << "the scene in the ball after a reset";
}

}  // namespace
