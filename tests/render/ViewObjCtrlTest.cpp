// View-object items: the relative and pixel rectangles kept in step, the record, the
// control clock and random points.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "render/SceneMapping.h"
#include "render/ScreenQuad.h"
#include "render/TimeLine.h"
#include "render/ViewObjCtrl.h"
#include "ModelTestSupport.h"

namespace {

class ViewProbe : public DS_ViewObjCtrl {
public:
  ViewProbe() = default;
  ViewProbe(const ViewProbe& other) = default;
  DS_ABObj* CreateObject() override { return nullptr; }
};

// Sets the scene size for one test and puts back what was there.
class SceneSize {
public:
  SceneSize(int width, int height) : m_width(g_SceneWidth), m_height(g_SceneHeight) {
    g_SceneWidth = width;
    g_SceneHeight = height;
  }
  ~SceneSize() {
    g_SceneWidth = m_width;
    g_SceneHeight = m_height;
  }

private:
  int m_width, m_height;
};

void ExpectRelative(const DS_ViewObjCtrl& item, float l, float r, float t, float b) {
  EXPECT_FLOAT_EQ(l, item.relLeft);
  EXPECT_FLOAT_EQ(r, item.relRight);
  EXPECT_FLOAT_EQ(t, item.relTop);
  EXPECT_FLOAT_EQ(b, item.relBottom);
}

void ExpectPixels(const DS_ViewObjCtrl& item, int l, int r, int t, int b) {
  EXPECT_EQ(l, item.pixelRect.Left().GetValue());
  EXPECT_EQ(r, item.pixelRect.Right().GetValue());
  EXPECT_EQ(t, item.pixelRect.Top().GetValue());
  EXPECT_EQ(b, item.pixelRect.Bottom().GetValue());
}

TEST(ViewObjCtrl, PixelRectangleFollowsTheRelativeOneAndBack) {
  SceneSize scene(801, 600);
  ViewProbe item;
  ExpectPixels(item, 0, 801, 0, 600);
  item.relLeft = 0.5f;
  item.relTop = 0.25f;
  item.UpdatePixelRect();
  ExpectPixels(item, 400, 801, 150, 600);
  EXPECT_FLOAT_EQ(400.0f / 801.0f, item.relLeft) << "the binder makes the edge an exact pixel fraction";
  EXPECT_FLOAT_EQ(0.25f, item.relTop);

  item.pixelRect.Right().SetValue(200);
  EXPECT_FLOAT_EQ(200.0f / 801.0f, item.relRight);
  EXPECT_FLOAT_EQ(200.0f / 801.0f * 801.0f, item.GetRightPx());
}

TEST(ViewObjCtrl, SceneSizeZeroLeavesRelativeEdgesAlone) {
  SceneSize scene(0, 0);
  ViewProbe item;
  ExpectRelative(item, 0.0f, 1.0f, 0.0f, 1.0f);
  ExpectPixels(item, 0, 0, 0, 0);
  item.relLeft = 0.3f;
  item.UpdatePixelRect();
  item.pixelRect.Bottom().SetValue(40);
  ExpectRelative(item, 0.3f, 1.0f, 0.0f, 1.0f);
  ViewProbe copy(item);
  ExpectRelative(copy, 0.3f, 1.0f, 0.0f, 1.0f);
}

TEST(ViewObjCtrl, BrokenRelativeEdgesNeverReachAnInteger) {
  SceneSize scene(800, 600);
  ViewProbe item;
  item.pixelRect.Left().StoreValue(-7);
  item.pixelRect.Top().StoreValue(-9);
  item.relLeft = std::numeric_limits<float>::quiet_NaN();
  item.relTop = std::numeric_limits<float>::infinity();
  item.relRight = 1e30f;
  item.relBottom = -1e30f;
  item.UpdatePixelRect();
  EXPECT_EQ(-7, item.pixelRect.Left().GetValue()) << "a NaN edge keeps its pixels";
  EXPECT_EQ(-9, item.pixelRect.Top().GetValue()) << "an infinite edge keeps its pixels";
  EXPECT_EQ(INT_MAX, item.pixelRect.Right().GetValue());
  EXPECT_EQ(INT_MIN, item.pixelRect.Bottom().GetValue());
}

TEST(ViewObjCtrl, CopyBindsItsOwnRectangle) {
  SceneSize scene(1000, 500);
  ViewProbe item;
  item.relLeft = 0.125f;
  item.relRight = 0.875f;
  item.viewObject = true;
  item.speed.SetValue(80);
  item.pixelRect.Top().SetValue(100);  // relative top 0.2
  item.pixelRect.Extra1().StoreValue(33);

  ViewProbe copy(item);
  EXPECT_TRUE(copy.viewObject);
  EXPECT_EQ(80u, copy.speed.GetValue());
  ExpectPixels(copy, 125, 875, 100, 500);
  EXPECT_EQ(0, copy.pixelRect.Extra1().GetValue()) << "the pixel rectangle itself is not copied";
  copy.pixelRect.Left().SetValue(500);
  EXPECT_FLOAT_EQ(0.5f, copy.relLeft);
  EXPECT_FLOAT_EQ(0.125f, item.relLeft) << "the copy's binders must not reach the original";
  item.pixelRect.Left().SetValue(300);
  EXPECT_FLOAT_EQ(0.3f, item.relLeft);
  EXPECT_FLOAT_EQ(0.5f, copy.relLeft);
}

TEST(ViewObjCtrl, SectionRoundTrip) {
  SceneSize scene(640, 480);
  ViewProbe written;
  written.relLeft = 0.125f;
  written.relRight = 0.75f;
  written.relTop = 0.5f;
  written.relBottom = 0.875f;
  written.pixelRect.Left().StoreValue(-3);
  written.pixelRect.Extra1().StoreValue(11);
  written.pixelRect.Extra2().StoreValue(-12);
  written.viewObject = true;
  written.speed.SetValue(123);
  written.SetName(L"glow");
  written.TimeLine().mode.SetValue(DS_TimeLineControl::kCycle);

  ModelReading r(WrittenBytes(written));
  ViewProbe read;
  read.ReadSection(r.handle);
  EXPECT_FALSE(r.handle->Failed());
  EXPECT_EQ(0u, r.buffer.BytesLeft());
  ExpectRelative(read, 0.125f, 0.75f, 0.5f, 0.875f);
  EXPECT_EQ(-3, read.pixelRect.Left().GetValue());
  EXPECT_EQ(11, read.pixelRect.Extra1().GetValue());
  EXPECT_EQ(-12, read.pixelRect.Extra2().GetValue());
  EXPECT_TRUE(read.viewObject);
  EXPECT_EQ(123u, read.speed.GetValue());
  EXPECT_EQ(L"glow", read.GetName());
  EXPECT_EQ(DS_TimeLineControl::kCycle, read.TimeLine().mode.GetValue());
  EXPECT_EQ(WrittenBytes(written), WrittenBytes(read));
}

TEST(ViewObjCtrl, VersionOneSectionKeepsTheDefaultSpeed) {
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_ViewObjCtrl", 1);
  for (int v : {10, 20, 30, 40, 0, 0}) w.WriteLong(v);
  for (float f : {0.1f, 0.2f, 0.3f, 0.4f}) w.WriteFloat(f);
  w.WriteByte(0);
  WriteLevelHeader(w, L"DS_ABObj_Constructor", 1);
  w.WriteString(L"v1");
  ModelReading r(w.Bytes());
  ViewProbe read;
  read.ReadSection(r.handle);
  EXPECT_FALSE(r.handle->Failed());
  EXPECT_EQ(0u, r.buffer.BytesLeft());
  EXPECT_EQ(50u, read.speed.GetValue());
  ExpectPixels(read, 10, 20, 30, 40);
  ExpectRelative(read, 0.1f, 0.2f, 0.3f, 0.4f);
  EXPECT_EQ(L"v1", read.GetName());
}

TEST(ViewObjCtrl, TruncatedSectionFails) {
  ViewProbe written;
  const std::vector<unsigned char> full = WrittenBytes(written);
  for (size_t size = 1; size < full.size(); ++size) {  // an empty buffer has no cursor to fail
    ModelReading r(std::vector<unsigned char>(full.begin(), full.begin() + size));
    ViewProbe read;
    read.ReadSection(r.handle);
    EXPECT_TRUE(r.handle->Failed()) << "section cut to " << size << " of " << full.size() << " bytes";
  }
}

TEST(ViewObjCtrl, ControlClockSteps) {
  ViewProbe item;  // speed 50: one second of clock per second
  struct Step {
    float t, step, rawStep, accumulated;
  };
  const Step steps[] = {
      {10.0f, 0.2f, 0.1f, 0.2f},     // measured from 0 after a reset: clamped
      {10.05f, 0.05f, 0.05f, 0.25f},  //
      {10.0f, 0.05f, 0.05f, 0.30f},   // backwards by 0.05 still advances
      {std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.0f, 0.30f},
      {10.1f, 0.0f, 0.0f, 0.30f},  // measured from the NaN: no step
      {10.2f, 0.1f, 0.1f, 0.40f},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(50u, item.UpdateTime(s.t));
    EXPECT_NEAR(s.step, item.GetStep(), 1e-5f) << "at " << s.t;
    EXPECT_NEAR(s.rawStep, item.GetRawStep(), 1e-5f) << "at " << s.t;
    EXPECT_NEAR(s.accumulated, item.GetAccumulatedTime(), 1e-5f) << "at " << s.t;
  }
  item.speed.SetValue(100);
  item.UpdateTime(10.3f);
  EXPECT_NEAR(0.2f, item.GetStep(), 1e-5f) << "speed 100 runs twice as fast";

  item.Reset();
  EXPECT_EQ(0.0f, item.GetStep());
  EXPECT_EQ(0.0f, item.GetRawStep());
  EXPECT_EQ(0.0f, item.GetAccumulatedTime());
  EXPECT_EQ(0.0f, item.GetLastTime());
}

TEST(ViewObjCtrl, ResetRestartsTheTimeLine) {
  ViewProbe item;
  item.TimeLine().mode.SetValue(DS_TimeLineControl::kCycle);
  item.TimeLine().AdvanceLocalTime(5.0f);
  ASSERT_EQ(kPhaseFadingIn, item.TimeLine().GetPhase());
  item.Reset();
  EXPECT_EQ(kPhaseInvisible, item.TimeLine().GetPhase());
}

TEST(ViewObjCtrl, ScreenQuadAndRandomPointsUseTheRelativeArea) {
  SceneSize scene(1000, 800);
  ViewProbe item;
  item.relLeft = 0.1f;
  item.relRight = 0.5f;
  item.relTop = 0.25f;
  item.relBottom = 0.75f;
  DS_ScreenQuad quad;
  item.GetScreenQuad(quad);
  EXPECT_FLOAT_EQ(100.0f, quad.Left());
  EXPECT_FLOAT_EQ(500.0f, quad.Right());
  EXPECT_FLOAT_EQ(200.0f, quad.Top());
  EXPECT_FLOAT_EQ(600.0f, quad.Bottom());
  EXPECT_FLOAT_EQ(600.0f, quad.v[DS_ScreenQuad::kLeftBottom].y);
  EXPECT_FLOAT_EQ(1.0f, quad.v[DS_ScreenQuad::kLeftBottom].z);

  for (int i = 0; i < 200; ++i) {
    const D3DXVECTOR3 p = item.RandomPointInRect();
    EXPECT_TRUE(p.x >= 100.0f && p.x <= 500.0f && p.y >= 200.0f && p.y <= 600.0f) << p.x << ", " << p.y;
    EXPECT_EQ(0.0f, p.z);
    const D3DXVECTOR3 m = item.RandomPointInRectMargin(20.0f, 50.0f);
    EXPECT_TRUE(m.x >= 120.0f && m.x <= 480.0f && m.y >= 250.0f && m.y <= 550.0f) << m.x << ", " << m.y;
  }
}

}  // namespace
