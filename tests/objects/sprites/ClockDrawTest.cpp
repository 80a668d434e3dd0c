// A clock tree drawn on the test device: flat hand shapes placed by the dial and hand
// animators, with the picture's pixels as the scene's (y downwards).

#include <memory>

#include <d3d9.h>
#include <d3dx9math.h>

#include <gtest/gtest.h>

#include "AnimatorTestSupport.h"
#include "objects/sprites/CharacterAnimators.h"
#include "render/Frame.h"
#include "support/TestDevice.h"

namespace {

using animators_test::FixedLocalTime;

struct ColouredVertex {
  float x, y, z;
  D3DCOLOR colour;
};
const DWORD kColouredFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

const D3DCOLOR kHourColour = 0xFFFF0000;
const D3DCOLOR kMinuteColour = 0xFF00FF00;

class ClockDrawTest : public ds_test::DeviceTest {
protected:
  // The dial centred on the device's 320 x 240 picture at size 200, with the hands
  // of the clock trees of the 3D objects.
  void BuildClock() {
    rect.Extra1().SetValue(160);
    rect.Extra2().SetValue(120);
    size.SetValue(200);
    D3DXMATRIX s, r, t;
    D3DXMatrixScaling(&s, 0.01f, 0.01f, 0.01f);
    D3DXMatrixRotationX(&r, animators_test::kPi / 2);
    D3DXMatrixMultiply(&root.local, &s, &r);
    root.SetController(new AC_Static(rect, size));
    hour.reset(root.AddChild());
    D3DXMatrixScaling(&s, 0.01f, 1.0f, 0.3f);
    D3DXMatrixTranslation(&t, 0, 0, 10);
    D3DXMatrixMultiply(&hour->local, &s, &t);
    hour->SetController(new AC_ClockArrow(AC_ClockArrow::kHourHand));
    minute.reset(root.AddChild());
    D3DXMatrixScaling(&s, 0.01f, 1.0f, 0.38f);
    D3DXMatrixTranslation(&t, 0, 0, 13);
    D3DXMatrixMultiply(&minute->local, &s, &t);
    minute->SetController(new AC_ClockArrow(AC_ClockArrow::kMinuteHand));
  }

  void TearDown() override {
    root.children.clear();
    ds_test::DeviceTest::TearDown();
  }

  // A flat hand in its own space: 800 units wide, 100 long from the pivot along z.
  void DrawHand(const DS_Frame& frame, D3DCOLOR colour) {
    const ColouredVertex quad[4] = {
        {-400, 0, 0, colour}, {-400, 0, 100, colour}, {400, 0, 0, colour}, {400, 0, 100, colour}};
    device->SetTransform(D3DTS_WORLD, &frame.world);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColouredVertex));
  }

  bool DrawClock(ds_test::Image& image) {
    root.UpdateWorld(nullptr);
    D3DXMATRIX identity, projection;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixOrthoOffCenterLH(&projection, 0, float(ds_test::kTestDeviceWidth), float(ds_test::kTestDeviceHeight),
                               0, -10000, 10000);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetFVF(kColouredFvf);
    DrawHand(*hour, kHourColour);
    DrawHand(*minute, kMinuteColour);
    device->EndScene();
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    return ds_test::ReadBackBuffer(image);
  }

  MediaRectangle rect;
  MediaParamT<unsigned int> size;
  DS_Frame root;
  std::unique_ptr<DS_Frame> hour;
  std::unique_ptr<DS_Frame> minute;
};

// Which hand covers the point `distance` pixels from the centre in each of the four
// directions (up, right, down, left): 0 none, 'h' hour, 'm' minute.
struct DialCase {
  int hours, minutes;
  const char* directions;  // up, right, down, left
};

TEST_F(ClockDrawTest, HandsPointAtTheTimeOnTheDial) {
  BuildClock();
  // The hour hand reaches (0.3 x 100 + 10) x 2 = 80 pixels, the minute hand 102; both
  // start 20 and 26 pixels from the centre and are 16 wide. The hour hand is off the
  // cardinal direction by at most 7.5 degrees here, well inside its width 50 out.
  const DialCase cases[] = {
      {3, 0, "mh.."}, {9, 0, "m..h"}, {6, 15, ".mh."}, {11, 45, "h..m"}, {2, 45, ".h.m"}, {5, 45, "..hm"},
  };
  const int dx[4] = {0, 1, 0, -1};
  const int dy[4] = {-1, 0, 1, 0};
  for (const DialCase& c : cases) {
    FixedLocalTime now(c.hours, c.minutes, 0);
    ds_test::Image image;
    ASSERT_TRUE(DrawClock(image));
    for (int d = 0; d < 4; ++d) {
      const int x = 160 + dx[d] * 50;
      const int y = 120 + dy[d] * 50;
      uint32_t expected = 0;
      if (c.directions[d] == 'h') expected = kHourColour & 0xFFFFFF;
      if (c.directions[d] == 'm') expected = kMinuteColour & 0xFFFFFF;
      EXPECT_EQ(expected, image.RgbAt(x, y))
          << c.hours << ":" << c.minutes << " direction " << d << " expected " << ds_test::ColorText(expected)
          << " got " << ds_test::ColorText(image.RgbAt(x, y)) << " (image "
          << ds_test::SaveFailureImage(image, "clock_hands") << ")";
    }
    // The hour hand is shorter: 90 pixels out only the minute hand shows.
    const int md = c.directions[0] == 'm' ? 0 : c.directions[1] == 'm' ? 1 : c.directions[2] == 'm' ? 2 : 3;
    const int hd = c.directions[0] == 'h' ? 0 : c.directions[1] == 'h' ? 1 : c.directions[2] == 'h' ? 2 : 3;
    EXPECT_EQ(kMinuteColour & 0xFFFFFF, image.RgbAt(160 + dx[md] * 90, 120 + dy[md] * 90)) << c.hours << ":" << c.minutes;
    EXPECT_EQ(0u, image.RgbAt(160 + dx[hd] * 90, 120 + dy[hd] * 90)) << c.hours << ":" << c.minutes;
    EXPECT_EQ(0u, image.RgbAt(160, 120)) << "no hand covers the pivot";
  }
}

}  // namespace
