// The radial rays: their record, the turning, reversing and swinging of the fan over
// time, the ray quads of regular and seeded irregular fans, what the time line's
// opacity scales, and the fan drawn on the test device.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "ParticleTestSupport.h"
#include "device/DeviceGlobals.h"
#include "document/ClassRegistry.h"
#include "objects/particles/ParticlesObj.h"
#include "objects/particles/RadialRays.h"
#include "render/Layer.h"
#include "render/TimeLine.h"
#include "render/ViewContext.h"
#include "support/RenderDeviceTest.h"

using particles_test::Reading;
using particles_test::WithVersion;
using particles_test::WrittenBytes;

namespace {

const float kPi = 3.1415927f;

DS_RadialRays MakeRays() {
  DS_RadialRays rays;
  rays.RayLength.SetValue(100u);
  rays.RayWidth.SetValue(10u);
  rays.RayCount.SetValue(4u);
  rays.TextureIndex.SetValue(0);
  rays.Irregular.SetValue(0);
  rays.Seed.SetValue(0u);
  rays.RotationMode.SetValue(0);
  rays.position.SetValue(D3DXVECTOR3(160.0f, 120.0f, 0.0f));
  return rays;
}

// Opacity `alpha` of the item's time line: a window whose fade-in runs from 0 to 1 s.
void SetTimeLineAlpha(DS_TimeLineControl& tl, float alpha) {
  tl.mode.SetValue(DS_TimeLineControl::kWindows);
  tl.AddWindow({0.0f, 100.0f, 1.0f, 99.0f});
  tl.SetWrappedTime(alpha);
}

// ---- record ----

TEST(RadialRaysRecordTest, WrittenRecordReadsBackThroughTheRegistry) {
  DS_RadialRays written = MakeRays();
  written.RayLength.SetValue(250u);
  written.RayWidth.SetValue(30u);
  written.RayCount.SetValue(12u);
  written.TextureIndex.SetValue(2);
  written.Irregular.SetValue(-1);
  written.Seed.SetValue(77u);
  written.Variation.SetValue(30u);
  written.RotationSpeed.SetValue(25u);
  written.RotationMode.SetValue(2);
  written.FadeDepth.SetValue(100u);
  written.SwingAmplitude.SetValue(50u);
  written.position.SetValue(D3DXVECTOR3(11.0f, 22.0f, 3.0f));
  written.blendMode.SetValue(1);
  written.SetName(L"sun");

  // The reader ignores the version.
  for (int version : {1, 0, 2, 77}) {
    Reading reading(WithVersion(WrittenBytes(written), L"DS_RadialRays", version));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    ASSERT_FALSE(reading.handle->Failed()) << version;
    EXPECT_EQ(0u, reading.handle->BytesLeft()) << version;
    auto* read = dynamic_cast<DS_RadialRays*>(item.get());
    ASSERT_NE(nullptr, read) << version;
    EXPECT_EQ(250u, read->RayLength.GetValue());
    EXPECT_EQ(30u, read->RayWidth.GetValue());
    EXPECT_EQ(12u, read->RayCount.GetValue());
    EXPECT_EQ(2, read->TextureIndex.GetValue());
    EXPECT_EQ(-1, read->Irregular.GetValue());
    EXPECT_EQ(77u, read->Seed.GetValue());
    EXPECT_FLOAT_EQ(0.7f, read->Variation.GetResult());
    EXPECT_FLOAT_EQ(0.5f, read->RotationSpeed.GetSpeed());
    EXPECT_EQ(2, read->RotationMode.GetValue());
    EXPECT_FLOAT_EQ(0.0f, read->FadeDepth.GetResult());
    EXPECT_FLOAT_EQ(1.0f, read->SwingAmplitude.GetResult());
    EXPECT_EQ(D3DXVECTOR3(11.0f, 22.0f, 3.0f), read->position.GetValue());
    EXPECT_EQ(1, read->blendMode.GetValue());
    EXPECT_EQ(L"sun", read->GetName());
  }
}

TEST(RadialRaysRecordTest, DefaultsOfTheScaledSettings) {
  DS_RadialRays rays;
  EXPECT_FLOAT_EQ(1.0f, rays.Variation.GetResult());
  EXPECT_FLOAT_EQ(1.0f, rays.FadeDepth.GetResult());
  EXPECT_FLOAT_EQ(0.0f, rays.SwingAmplitude.GetResult());
  EXPECT_FLOAT_EQ(0.0f, rays.RotationSpeed.GetAccumulatedTime());
  const D3DXMATRIX& m = rays.GetRotation();
  EXPECT_EQ(1.0f, m._11);
  EXPECT_EQ(0.0f, m._12);
}

// ---- turning ----

struct TurnCase {
  int mode;
  unsigned speed;      // stored, 0.02 per unit
  unsigned amplitude;  // stored, 0.02 rad per unit
  // The fan's angle after the object's local time reached each of these times.
  float times[4];
  float angles[4];
};

const TurnCase kTurnCases[] = {
    // Speed 1 rad/s: the angle is the accumulated time.
    {0, 50, 0, {0.1f, 0.2f, 0.4f, 0.6f}, {0.1f, 0.2f, 0.4f, 0.6f}},
    // A jump counts as at most 0.2 s of clock time.
    {0, 50, 0, {0.1f, 5.0f, 5.1f, 5.2f}, {0.1f, 0.3f, 0.4f, 0.5f}},
    // Mode 1 turns the other way; speed 2.
    {1, 100, 0, {0.1f, 0.2f, 0.3f, 0.4f}, {-0.2f, -0.4f, -0.6f, -0.8f}},
    // Mode 2 swings between -1 and +1 radian.
    {2, 50, 50, {0.2f, 0.4f, 0.6f, 0.8f}, {0.19866933f, 0.38941834f, 0.56464247f, 0.71735609f}},
    {2, 250, 50, {0.2f, 0.4f, 0.6f, 0.8f}, {0.84147098f, 0.90929743f, 0.14112001f, -0.7568025f}},
    // Any other mode turns as mode 0.
    {7, 50, 50, {0.1f, 0.2f, 0.3f, 0.4f}, {0.1f, 0.2f, 0.3f, 0.4f}},
    // Speed 0 stands still.
    {0, 0, 0, {0.1f, 0.2f, 0.3f, 0.4f}, {0.0f, 0.0f, 0.0f, 0.0f}},
};

class RadialRaysTurnTest : public ::testing::TestWithParam<TurnCase> {};

TEST_P(RadialRaysTurnTest, RotationFollowsTheModeOverTime) {
  const TurnCase& c = GetParam();
  DS_RadialRays rays = MakeRays();
  rays.RotationMode.SetValue(c.mode);
  rays.RotationSpeed.SetValue(c.speed);
  rays.SwingAmplitude.SetValue(c.amplitude);
  for (int i = 0; i < 4; ++i) {
    rays.Update(c.times[i], nullptr);
    const D3DXMATRIX& m = rays.GetRotation();
    EXPECT_NEAR(std::cos(c.angles[i]), m._11, 1e-5f) << "t " << c.times[i];
    EXPECT_NEAR(std::sin(c.angles[i]), m._12, 1e-5f) << "t " << c.times[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, RadialRaysTurnTest, ::testing::ValuesIn(kTurnCases));

// ---- ray quads on the test device ----

class RadialRaysDeviceTest : public ds_test::RenderDeviceTest {
 protected:
  void TearDown() override {
    object.reset();
    RenderDeviceTest::TearDown();
  }

  DS_RadialRays& Make(DS_RadialRays item) {
    object.reset(static_cast<DS_ParticlesObj*>(item.CreateObject()));
    return *static_cast<DS_RadialRays*>(object->GetGenerator());
  }

  // The quads of slot 0 after a rebuild.
  std::vector<DX_V::PCT> Quads(DS_RadialRays& rays) {
    rays.BuildRayQuads(object.get());
    std::vector<DX_V::PCT> out;
    const unsigned count = object->GetQuadCount(0);
    DX_V::PCT* v = object->LockQuads(0);
    if (!v) return out;
    out.assign(v, v + 4 * count);
    object->UnlockQuads(0);
    return out;
  }

  static D3DXVECTOR3 At(const DX_V::PCT& v) { return D3DXVECTOR3(v.x, v.y, v.z); }
  // The middle of a ray's far edge and the ray's width there.
  static D3DXVECTOR3 Tip(const std::vector<DX_V::PCT>& q, int i) {
    return (At(q[4 * i + 2]) + At(q[4 * i + 3])) * 0.5f;
  }
  static float EndWidth(const std::vector<DX_V::PCT>& q, int i) {
    D3DXVECTOR3 d = At(q[4 * i + 2]) - At(q[4 * i + 3]);
    return D3DXVec3Length(&d);
  }
  static float Angle(const D3DXVECTOR3& tip, const D3DXVECTOR3& centre) {
    return std::atan2(tip.y - centre.y, tip.x - centre.x);
  }

  std::unique_ptr<DS_ParticlesObj> object;
};

TEST_F(RadialRaysDeviceTest, FourRegularRaysAtRightAngles) {
  DS_RadialRays& rays = Make(MakeRays());
  std::vector<DX_V::PCT> q = Quads(rays);
  ASSERT_EQ(16u, q.size());
  const D3DXVECTOR3 tips[] = {
      {260.0f, 120.0f, 0.0f}, {160.0f, 220.0f, 0.0f}, {60.0f, 120.0f, 0.0f}, {160.0f, 20.0f, 0.0f}};
  for (int i = 0; i < 4; ++i) {
    const D3DXVECTOR3 tip = Tip(q, i);
    EXPECT_NEAR(tips[i].x, tip.x, 1e-3f) << "ray " << i;
    EXPECT_NEAR(tips[i].y, tip.y, 1e-3f) << "ray " << i;
    const D3DXVECTOR3 base = (At(q[4 * i]) + At(q[4 * i + 1])) * 0.5f;
    EXPECT_NEAR(160.0f, base.x, 1e-3f);
    EXPECT_NEAR(120.0f, base.y, 1e-3f);
    EXPECT_NEAR(10.0f, EndWidth(q, i), 1e-3f);
    // u runs from the centre to the tip, v across the ray.
    EXPECT_FLOAT_EQ(0.01f, q[4 * i].u);
    EXPECT_FLOAT_EQ(0.99f, q[4 * i].v);
    EXPECT_FLOAT_EQ(0.01f, q[4 * i + 1].v);
    EXPECT_FLOAT_EQ(0.99f, q[4 * i + 2].u);
    EXPECT_EQ(0xFFFFFFFFu, q[4 * i].color);
  }
}

TEST_F(RadialRaysDeviceTest, TheFanTurnsWithTheUpdate) {
  DS_RadialRays item = MakeRays();
  item.RotationSpeed.SetValue(50u);
  DS_RadialRays& rays = Make(item);
  rays.Update(0.1f, object.get());
  rays.Update(0.2f, object.get());
  std::vector<DX_V::PCT> q = Quads(rays);
  ASSERT_EQ(16u, q.size());
  for (int i = 0; i < 4; ++i) {
    float expected = 0.2f + i * kPi / 2.0f;
    if (expected > kPi) expected -= 2.0f * kPi;
    EXPECT_NEAR(expected, Angle(Tip(q, i), D3DXVECTOR3(160.0f, 120.0f, 0.0f)), 1e-4f) << "ray " << i;
  }
}

TEST_F(RadialRaysDeviceTest, IrregularFanFollowsItsSeedAndRestoresTheSequence) {
  DS_RadialRays item = MakeRays();
  item.RayCount.SetValue(6u);
  item.Irregular.SetValue(1);
  item.Seed.SetValue(1234u);
  item.Variation.SetValue(30u);  // v = 0.7
  DS_RadialRays& rays = Make(item);

  // The lengths and angle steps the seed gives: one length draw, then one step draw,
  // per ray.
  std::srand(1234u);
  std::vector<float> lengths, angles;
  float angle = 0.0f;
  for (int i = 0; i < 6; ++i) {
    lengths.push_back(100.0f * (0.7f + 0.3f * (std::rand() / 32767.0f)));
    angles.push_back(angle);
    angle += 2.0f * kPi / 6.0f * (0.7f + 0.6f * (std::rand() / 32767.0f));
  }

  std::srand(99u);
  const int saved = std::rand();
  std::srand(static_cast<unsigned>(saved));
  const int expectedNext = std::rand();
  std::srand(99u);
  std::vector<DX_V::PCT> first = Quads(rays);
  EXPECT_EQ(expectedNext, std::rand()) << "the sequence continues from the value drawn before the rebuild";

  ASSERT_EQ(24u, first.size());
  const D3DXVECTOR3 centre(160.0f, 120.0f, 0.0f);
  for (int i = 0; i < 6; ++i) {
    D3DXVECTOR3 d = Tip(first, i) - centre;
    EXPECT_NEAR(lengths[i], D3DXVec3Length(&d), 1e-2f) << "ray " << i;
    EXPECT_NEAR(lengths[i] / 100.0f * 10.0f, EndWidth(first, i), 1e-3f) << "ray " << i;
    float expected = angles[i];
    if (expected > kPi) expected -= 2.0f * kPi;
    EXPECT_NEAR(expected, Angle(Tip(first, i), centre), 1e-3f) << "ray " << i;
  }
  std::vector<DX_V::PCT> again = Quads(rays);
  ASSERT_EQ(first.size(), again.size());
  for (size_t k = 0; k < first.size(); ++k) {
    EXPECT_EQ(first[k].x, again[k].x);
    EXPECT_EQ(first[k].y, again[k].y);
  }
}

TEST_F(RadialRaysDeviceTest, ARegularFanDrawsOnceFromTheSequenceAndKeepsIt) {
  DS_RadialRays& rays = Make(MakeRays());
  std::srand(5u);
  std::rand();
  const int second = std::rand();
  std::srand(5u);
  Quads(rays);
  EXPECT_EQ(second, std::rand());
}

struct FadeCase {
  int timeMode;
  unsigned fadeDepth;  // stored: m = 1 - 0.01 x stored
  float opacity;
  float length;  // of each ray
  float width;
  unsigned alphaByte;
};

const FadeCase kFadeCases[] = {
    {0, 100, 0.5f, 50.0f, 5.0f, 255},                                        // m = 0: f = opacity scales the size
    {0, 0, 0.5f, 100.0f, 10.0f, 255},                                        // m = 1: f = 1 whatever the opacity
    {0, 50, 0.0f, 50.0f, 5.0f, 255},                                         // m = 0.5 left at opacity 0
    {1, 100, 0.5f, 100.0f, 10.0f, 127},                                      // the alpha byte, truncated
    {1, 0, 0.25f, 100.0f, 10.0f, 255},  {2, 100, 0.5f, 100.0f, 10.0f, 255},  // other time modes: nothing
};

class RadialRaysFadeTest : public RadialRaysDeviceTest, public ::testing::WithParamInterface<FadeCase> {};

TEST_P(RadialRaysFadeTest, TheTimeModeDecidesWhatTheOpacityScales) {
  const FadeCase& c = GetParam();
  DS_RadialRays item = MakeRays();
  item.FadeDepth.SetValue(c.fadeDepth);
  item.TimeLine().timeMode.SetValue(c.timeMode);
  DS_RadialRays& rays = Make(item);
  SetTimeLineAlpha(rays.TimeLine(), c.opacity);
  ASSERT_FLOAT_EQ(c.opacity, rays.TimeLine().GetAlpha());
  std::vector<DX_V::PCT> q = Quads(rays);
  ASSERT_EQ(16u, q.size());
  D3DXVECTOR3 d = Tip(q, 0) - D3DXVECTOR3(160.0f, 120.0f, 0.0f);
  EXPECT_NEAR(c.length, D3DXVec3Length(&d), 1e-3f);
  EXPECT_NEAR(c.width, EndWidth(q, 0), 1e-3f);
  EXPECT_EQ(c.alphaByte, q[0].color >> 24);
  EXPECT_EQ(0xFFFFFFu, q[0].color & 0xFFFFFFu);
}

INSTANTIATE_TEST_SUITE_P(Modes, RadialRaysFadeTest, ::testing::ValuesIn(kFadeCases));

TEST_F(RadialRaysDeviceTest, AFadeDepthFarOutsideItsRangeDoesNotOverflowTheAlpha) {
  DS_RadialRays item = MakeRays();
  item.FadeDepth.SetValue(std::numeric_limits<unsigned int>::max());
  item.TimeLine().timeMode.SetValue(1);
  DS_RadialRays& rays = Make(item);
  SetTimeLineAlpha(rays.TimeLine(), 0.0f);
  std::vector<DX_V::PCT> q = Quads(rays);
  ASSERT_EQ(16u, q.size());
  EXPECT_EQ(0u, q[0].color >> 24) << "f = m, far below 0: alpha x f is beyond the int range";
}

TEST_F(RadialRaysDeviceTest, NoRaysNoBufferAndNothingDrawn) {
  DS_RadialRays item = MakeRays();
  item.RayCount.SetValue(0u);
  DS_RadialRays& rays = Make(item);
  EXPECT_TRUE(Quads(rays).empty());
  EXPECT_EQ(nullptr, object->LockQuads(0));
  DS_2D_Light layer;
  device->BeginScene();
  object->Render(&layer);
  device->EndScene();
}

TEST_F(RadialRaysDeviceTest, ACountBeyondOneSlotMakesAFullFanOfTheLargestSize) {
  DS_RadialRays item = MakeRays();
  item.RayCount.SetValue(std::numeric_limits<unsigned int>::max());
  DS_RadialRays& rays = Make(item);
  std::vector<DX_V::PCT> q = Quads(rays);
  ASSERT_EQ(4u * DS_ParticlesObj::kMaxSlotQuads, q.size());
  // The last ray stands one step short of the first.
  const D3DXVECTOR3 centre(160.0f, 120.0f, 0.0f);
  EXPECT_NEAR(-2.0f * kPi / DS_ParticlesObj::kMaxSlotQuads, Angle(Tip(q, DS_ParticlesObj::kMaxSlotQuads - 1), centre),
              1e-2f);
}

TEST_F(RadialRaysDeviceTest, TheFanIsDrawnWithThePictureOfItsTextureIndex) {
  DS_ViewContext view;
  view.FitPicture(ds_test::kTestDeviceWidth, ds_test::kTestDeviceHeight, ds_test::kTestDeviceWidth,
                  ds_test::kTestDeviceHeight, DS_ViewContext::kFitLetterbox);
  g_CurrentViewContext = &view;
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  DS_ComHolder<IDirect3DTexture9> red = ds_test::SolidTexture(0xFFFF0000);
  ASSERT_TRUE(red);
  DS_TextureSet set;
  set.AddFrame(red.Get(), -1.0f);

  for (int index : {1, 0}) {
    DS_RadialRays item = MakeRays();
    item.TextureIndex.SetValue(index);
    DS_RadialRays& rays = Make(item);
    rays.textureSets = {&set};
    DS_2D_Light layer;
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF404040, 1.0f, 0);
    device->BeginScene();
    view.ApplyTransforms();
    object->Render(&layer);
    device->EndScene();
    ds_test::Image image;
    ASSERT_TRUE(ds_test::ReadBackBuffer(image));
    const uint32_t onRay = index == 0 ? 0xFF0000u : 0x404040u;
    EXPECT_EQ(onRay, image.RgbAt(220, 120)) << "index " << index;
    EXPECT_EQ(onRay, image.RgbAt(160, 60)) << "index " << index;
    EXPECT_EQ(0x404040u, image.RgbAt(220, 60)) << "between the rays";
    EXPECT_EQ(0x404040u, image.RgbAt(290, 120)) << "beyond the tip";
  }
  device->SetTexture(0, nullptr);
  g_CurrentViewContext = nullptr;
}

}  // namespace
