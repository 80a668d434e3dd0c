// Water-ring slides loaded from scene documents and drawn on the test device: a still
// surface shows the picture as the plain layer does, a ripple displaces it, mode 1
// ripples the objects with the picture, other modes draw them over it unrippled, and
// a lost device takes the surface's buffers with it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "document/DocResManager.h"
#include "document/SceneDocument.h"
#include "render/SlideShow.h"
#include "render/ViewContext.h"
#include "render/layers/WaterRingLayer.h"
#include "support/SlideTestSupport.h"
#include "support/SlideShowTest.h"

using namespace slides_test;

namespace {

const int kW = ds_test::kTestDeviceWidth;
const int kH = ds_test::kTestDeviceHeight;
// 4:3 pictures: on the 320 x 240 target they fill it whole, five pixels a texel.
const int kPictureW = 64, kPictureH = 48;
const DS_FileKey kGradientKey(L"C:\\scene\\gradient.bmp", 21);
const DS_FileKey kCheckerKey(L"C:\\scene\\checker.bmp", 22);
const DS_FileKey kSurroundKey(L"common_res.dll", DSM_Camera::kDefaultSurroundId);
const uint32_t kGreen = 0x00FF00;
const uint32_t kPoison = 0x00FFFF;

uint32_t Gradient(int x, int y) { return uint32_t(x * 4) << 16 | uint32_t(y * 5) << 8 | 0x40; }
uint32_t Checker(int x, int y) { return ((x / 2 + y / 2) % 2) ? 0xFFFFFF : 0x000000; }

std::vector<EmbeddedPicture> Pictures() {
  return {
      {kGradientKey, MakeBmp(kPictureW, kPictureH, Gradient)},
      {kCheckerKey, MakeBmp(kPictureW, kPictureH, Checker)},
      {kSurroundKey, MakeSolidBmp(8, 8, 0x808000)},
  };
}

int Difference(uint32_t a, uint32_t b) {
  int largest = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    largest = std::max(largest, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  }
  return largest;
}

// A water-ring layer over `picture` with a still-water look unless changed: no
// highlights, no timed drops.
DS_WaterRingLight* WaterLayer(const DS_FileKey& picture, int mode, unsigned refraction) {
  DS_WaterRingLight* layer = new DS_WaterRingLight();
  layer->GetPictureLink().StoreKey(picture);
  layer->mode.SetValue(mode);
  layer->refraction.SetValue(refraction);
  layer->specular.SetValue(0);
  layer->dropRate.SetValue(0);
  return layer;
}

TestProbeItem* GreenProbe(float l, float t, float r, float b) {
  TestProbeItem* probe = new TestProbeItem();
  probe->tag = 1;
  probe->color = 0xFF000000u | kGreen;
  probe->left = l;
  probe->top = t;
  probe->right = r;
  probe->bottom = b;
  return probe;
}

class WaterRingRenderTest : public ds_test::SlideShowTest {
protected:
  void SetUp() override {
    SlideShowTest::SetUp();
    ProbeLog().clear();
    srand(11);
  }

  // One slide with `layer` (null: the plain layer) over `picture`, loaded as the
  // scene slot loads the embedded document.
  void Load(DS_2D_Light* layer, const DS_FileKey& picture, TestProbeItem* probe = nullptr) {
    Unload();
    DS_SlideShow_Light written;
    DS_SlideContainer* slide = MakeSlide(1, 10, 1, picture);
    slide->SetLight(layer);
    if (probe) slide->AddVisualItem(probe);
    written.AddSlide(slide);
    Read(WriteDocument(written, Pictures()));
    Build(DS_ViewContext::kFitLetterbox);
  }

  DS_WaterRingLight* Water() const {
    return dynamic_cast<DS_WaterRingLight*>(m_show->GetSlide(0)->GetLight().Get());
  }

  // One frame over a back buffer poisoned with a colour no picture here has: what the
  // layer leaves uncovered shows.
  ds_test::Image Frame(float t) {
    return ShowFrame(t, true, 0xFF000000u | kPoison);
  }

};

TEST_F(WaterRingRenderTest, TheDocumentBringsTheLayerWithItsValues) {
  DS_WaterRingLight* written = WaterLayer(kGradientKey, 1, 37);
  written->detail.SetValue(50);
  Load(written, kGradientKey);
  DS_WaterRingLight* layer = Water();
  ASSERT_NE(nullptr, layer) << "the slide's layer is not a water-ring layer";
  EXPECT_EQ(1, layer->mode.GetValue());
  EXPECT_EQ(37u, layer->refraction.GetValue());
  EXPECT_EQ(50u, layer->detail.GetValue());
  EXPECT_EQ(unsigned(kPictureW), layer->GetPictureWidth());
  // Built: the surface is laid out for the picture, 30 units high, 192 x 144 cells.
  const DS_WaterRipple& ripple = layer->GetRipple();
  EXPECT_FLOAT_EQ(40.0f, ripple.GetWidth());
  EXPECT_FLOAT_EQ(30.0f, ripple.GetHeight());
  EXPECT_EQ(192u, ripple.GetColumns());
  EXPECT_EQ(144u, ripple.GetRows());
  EXPECT_FLOAT_EQ(0.37f, ripple.refractionStrength);
  EXPECT_FLOAT_EQ(120.0f, layer->GetCameraMatrix()._42) << "the eye stands 120 units above the surface";
}

// Without refraction the waves cannot move the picture; a flat surface with the
// default refraction enlarges it by about one per cent only.
TEST_F(WaterRingRenderTest, AStillSurfaceShowsThePictureUnchanged) {
  Load(nullptr, kGradientKey);
  const ds_test::Image plain = Frame(50.0f);

  Load(WaterLayer(kGradientKey, 0, 0), kGradientKey);
  for (float t = 50.0f; t < 50.3f; t += 0.03f) Frame(t);  // waves from the start-up drop
  EXPECT_TRUE(ds_test::SameImage(plain, Frame(50.3f), 4, 4)) << "no refraction";

  Load(WaterLayer(kGradientKey, 0, DS_WaterRingLight::kDefaultRefraction), kGradientKey);
  m_show->Update(50.0f);
  DS_WaterRipple& ripple = Water()->GetRipple();
  ripple.Configure(ripple.GetWidth(), ripple.GetHeight(), 1.0f, 1.0f);  // flat, no drop
  EXPECT_TRUE(ds_test::SameImage(plain, Frame(50.03f), 4, 4)) << "flat surface";
}

// The layer's camera zoom and drift move the surface exactly as they move the plain
// layer's picture.
TEST_F(WaterRingRenderTest, TheCameraMovesTheSurfaceWithThePicture) {
  const struct {
    float zoom, driftX, driftY;
  } cameras[] = {{1.5f, 0.4f, -0.6f}, {1.2f, -1.0f, 1.0f}};
  for (const auto& camera : cameras) {
    ds_test::Image images[2];
    for (int water = 0; water < 2; ++water) {
      Load(water ? WaterLayer(kGradientKey, 0, 0) : nullptr, kGradientKey);
      m_show->Update(50.0f);
      m_view.SetCameraZoom(camera.zoom, camera.driftX, camera.driftY);
      device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u | kPoison, 1.0f, 0);
      ASSERT_EQ(D3D_OK, device->BeginScene());
      m_show->Render(false);
      device->EndScene();
      ASSERT_TRUE(ds_test::ReadBackBuffer(images[water]));
    }
    EXPECT_TRUE(ds_test::SameImage(images[0], images[1], 4, 4)) << ("zoom " + std::to_string(camera.zoom)).c_str();
  }
}

TEST_F(WaterRingRenderTest, ARippleDisplacesThePicture) {
  // The same strong refraction over a flat surface and over a drop.
  DS_WaterRingLight* flatLayer = WaterLayer(kCheckerKey, 0, 100);
  Load(flatLayer, kCheckerKey);
  m_show->Update(50.0f);
  DS_WaterRipple& flat = Water()->GetRipple();
  flat.Configure(flat.GetWidth(), flat.GetHeight(), 1.0f, 1.0f);
  ds_test::Image still;
  for (float t = 50.03f; t < 50.3f; t += 0.03f) still = Frame(t);

  DS_WaterRingLight* layer = WaterLayer(kCheckerKey, 0, 100);
  layer->dropStrength.SetValue(100);
  Load(layer, kCheckerKey);
  m_show->Update(50.0f);
  DS_WaterRipple& ripple = Water()->GetRipple();
  ripple.Configure(ripple.GetWidth(), ripple.GetHeight(), 1.0f, 1.0f);
  ripple.AddDropAt(ripple.GetRows() / 2, ripple.GetColumns() / 2);
  ds_test::Image rippled;
  for (float t = 50.03f; t < 50.3f; t += 0.03f) rippled = Frame(t);

  int moved = 0;
  int movedNearCentre = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      ASSERT_NE(kPoison, rippled.RgbAt(x, y)) << "uncovered at " << x << ", " << y;
      if (Difference(still.RgbAt(x, y), rippled.RgbAt(x, y)) <= 100) continue;
      ++moved;
      if (std::abs(x - kW / 2) < kW / 4 && std::abs(y - kH / 2) < kH / 4) ++movedNearCentre;
    }
  }
  // Enough of the picture moves, and mostly around the drop in the middle.
  if (moved <= 30 || movedNearCentre <= moved / 2) {
    ADD_FAILURE() << moved << " pixels moved, " << movedNearCentre << " of them near the drop; images saved as "
                  << ds_test::SaveFailureImage(still, "ripple_still") << " and "
                  << ds_test::SaveFailureImage(rippled, "ripple_got");
  }
}

TEST_F(WaterRingRenderTest, ModeOneCapturesTheObjectsWithThePicture) {
  Load(WaterLayer(kGradientKey, 1, 0), kGradientKey, GreenProbe(0, 0, 16, 12));
  ASSERT_TRUE(Water()->NeedsSceneCapture());
  const ds_test::Image image = Frame(50.0f);
  ASSERT_EQ(1u, ProbeLog().size());
  EXPECT_FALSE(ProbeLog()[0].drawnOnBackBuffer) << "in mode 1 the objects go into the capture";
  EXPECT_FALSE(Water()->IsCaptureOpen());
  // The rectangle covers picture pixels 0..16 x 0..12: screen 0..80 x 0..60.
  EXPECT_LE(Difference(kGreen, image.RgbAt(40, 30)), 3) << ds_test::ColorText(image.RgbAt(40, 30));
  EXPECT_LE(Difference(Gradient(48, 36), image.RgbAt(242, 182)), 6) << ds_test::ColorText(image.RgbAt(242, 182));
}

TEST_F(WaterRingRenderTest, OtherModesDrawTheObjectsOverTheRipplesUnrippled) {
  DS_WaterRingLight* layer = WaterLayer(kCheckerKey, 0, 100);
  layer->dropStrength.SetValue(100);
  layer->dropRate.SetValue(6000);  // a drop every frame
  Load(layer, kCheckerKey, GreenProbe(16, 12, 48, 36));
  ASSERT_FALSE(Water()->NeedsSceneCapture());
  ds_test::Image image;
  for (float t = 50.0f; t < 50.3f; t += 0.03f) image = Frame(t);
  ASSERT_FALSE(ProbeLog().empty());
  EXPECT_TRUE(ProbeLog().back().drawnOnBackBuffer) << "nothing needed the scene: no capture";
  // Screen 80..240 x 60..180: solid green to its edges.
  for (int y = 62; y < 178; y += 3) {
    for (int x = 82; x < 238; x += 3) {
      ASSERT_LE(Difference(kGreen, image.RgbAt(x, y)), 2) << "the object was rippled at " << x << ", " << y
                                                          << "; saved as "
                                                          << ds_test::SaveFailureImage(image, "water_object");
    }
  }
}

// In picture mode an object that reads the scene gets the rippled picture; the
// capture lays the surface over the whole pair and gives the letterbox fit back.
TEST_F(WaterRingRenderTest, ASceneReaderInPictureModeGetsTheRippledPicture) {
  TestProbeItem* reader = GreenProbe(0, 0, 0, 0);
  reader->color = 0;  // draws nothing of its own
  reader->needsScene = true;
  Load(WaterLayer(kGradientKey, 0, 0), kGradientKey, reader);
  Frame(50.0f);
  ASSERT_EQ(1u, ProbeLog().size());
  const ProbeRender& seen = ProbeLog()[0];
  EXPECT_TRUE(seen.drawnOnBackBuffer);
  ASSERT_EQ(size_t(kW * kH), seen.scenePixels.size());
  EXPECT_LE(Difference(Gradient(32, 24), seen.scenePixels[122 * kW + 162] & 0xFFFFFF), 6)
      << ds_test::ColorText(seen.scenePixels[122 * kW + 162]);
  EXPECT_EQ(DS_ViewContext::kFitLetterbox, m_view.GetFitType());
  EXPECT_FALSE(Water()->IsCaptureOpen());

  // Without a pair there is no capture, and the picture position stays as it was set.
  m_show->ApplyPicturePosition(DS_ViewContext::kFitFill);
  Water()->GetTargets().ReleaseTextures();
  Frame(50.03f);
  EXPECT_EQ(DS_ViewContext::kFitFill, m_view.GetFitType()) << "a capture that never opened changed the layout";
}

TEST_F(WaterRingRenderTest, ALostDeviceTakesTheSurfaceBuffersAndARestoreBringsThemBack) {
  Load(WaterLayer(kGradientKey, 1, 0), kGradientKey);
  const ds_test::Image before = Frame(50.0f);
  DS_WaterRipple& ripple = Water()->GetRipple();
  ASSERT_NE(nullptr, ripple.GetVertexBuffer());
  ASSERT_NE(nullptr, ripple.GetIndexBuffer());

  m_show->OnDeviceLost();
  EXPECT_EQ(nullptr, ripple.GetVertexBuffer());
  EXPECT_EQ(nullptr, ripple.GetIndexBuffer());
  ASSERT_NO_FATAL_FAILURE(ResetDevice());
  m_show->OnDeviceRestored();
  EXPECT_NE(nullptr, ripple.GetVertexBuffer());
  EXPECT_TRUE(ds_test::SameImage(before, Frame(50.03f), 4, 4)) << "after the reset";
}

}  // namespace
