#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "device/DeviceGlobals.h"
#include "document/Item.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "render/Camera.h"
#include "render/ViewContext.h"

namespace {

// A reading stream over bytes written by the classes' own writers.
class RecordReader {
public:
  explicit RecordReader(const std::vector<unsigned char>& bytes)
      : m_bytes(bytes), m_buffer(m_bytes.data(), m_bytes.size()), m_handle(new DS_IOF_R<ResourceBuffer>(&m_buffer)) {}
  DS_IOF_Handle& Handle() { return m_handle; }

private:
  std::vector<unsigned char> m_bytes;
  ResourceBuffer m_buffer;
  DS_IOF_Handle m_handle;
};

// Publishes a view context of its own for the test's duration.
class CameraTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_view.FitPicture(800, 600, 1280, 720, DS_ViewContext::kFitLetterbox);
    g_CurrentViewContext = &m_view;
  }
  void TearDown() override { g_CurrentViewContext = nullptr; }

  static bool IsIdentity(const D3DXMATRIX& m) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return m == identity;
  }

  DS_ViewContext m_view;
};

TEST_F(CameraTest, DefaultsAreOffZoom120Speed50AndTheCommonSurround) {
  DSM_Camera camera;
  EXPECT_EQ(camera.on.GetValue(), 0);
  EXPECT_EQ(camera.zoom.GetValue(), 120u);
  EXPECT_FLOAT_EQ(camera.zoom.GetResult(), 1.2f);
  EXPECT_EQ(camera.speed.GetValue(), 50u);
  EXPECT_FLOAT_EQ(camera.speed.GetResult(), 1.0f);
  EXPECT_EQ(camera.driftMode.GetValue(), 0);
  EXPECT_EQ(camera.surroundImage.GetPath(), L"common_res.dll");
  EXPECT_EQ(camera.surroundImage.GetStamp(), 6);
}

TEST_F(CameraTest, Version2RecordRoundTrips) {
  DSM_Camera written;
  written.on.SetValue(1);
  written.zoom.SetValue(150);
  written.speed.SetValue(75);
  written.surroundImage.SetKey(DS_FileKey(L"addon_002.dll", 9));
  DS_IOF_W w;
  written.Write(w);
  w.WriteInt(0x5A5A);  // what follows the record

  RecordReader reader(w.Bytes());
  DSM_Camera read;
  read.ReadRecord(reader.Handle());
  ASSERT_FALSE(reader.Handle()->Failed());
  EXPECT_EQ(read.on.GetValue(), 1);
  EXPECT_EQ(read.zoom.GetValue(), 150u);
  EXPECT_FLOAT_EQ(read.zoom.GetResult(), 1.5f);
  EXPECT_EQ(read.speed.GetValue(), 75u);
  EXPECT_FLOAT_EQ(read.speed.GetResult(), 1.5f);
  EXPECT_EQ(read.surroundImage.GetPath(), L"addon_002.dll");
  EXPECT_EQ(read.surroundImage.GetStamp(), 9);
  int next = 0;
  reader.Handle()->ReadInt(next);
  EXPECT_EQ(next, 0x5A5A) << "the reader stops exactly at the record's end";
}

TEST_F(CameraTest, Version1RecordHasNoSurroundLink) {
  DS_IOF_W w;
  WriteLevelHeader(w, L"DSM_Camera", 1);
  w.WriteLong(1);
  w.WriteUInt(200);
  w.WriteUInt(25);
  w.WriteInt(0x5A5A);

  RecordReader reader(w.Bytes());
  DSM_Camera read;
  read.ReadRecord(reader.Handle());
  ASSERT_FALSE(reader.Handle()->Failed());
  EXPECT_EQ(read.on.GetValue(), 1);
  EXPECT_FLOAT_EQ(read.zoom.GetResult(), 2.0f);
  EXPECT_FLOAT_EQ(read.speed.GetResult(), 0.5f);
  EXPECT_EQ(read.surroundImage.GetPath(), L"common_res.dll");
  EXPECT_EQ(read.surroundImage.GetStamp(), 6);
  int next = 0;
  reader.Handle()->ReadInt(next);
  EXPECT_EQ(next, 0x5A5A);
}

TEST_F(CameraTest, TruncatedRecordChangesNothing) {
  DSM_Camera written;
  written.on.SetValue(1);
  written.zoom.SetValue(300);
  DS_IOF_W w;
  written.Write(w);
  std::vector<unsigned char> bytes = w.Bytes();
  bytes.resize(bytes.size() - 6);  // cut into the link's stamp

  RecordReader reader(bytes);
  DSM_Camera camera;
  camera.ReadRecord(reader.Handle());
  EXPECT_TRUE(reader.Handle()->Failed());
  EXPECT_EQ(camera.on.GetValue(), 0);
  EXPECT_EQ(camera.zoom.GetValue(), 120u);
}

TEST_F(CameraTest, ClockFollowsTheSceneButStepsAtMostAFifthOfASecond) {
  DSM_Camera camera;
  for (int frame = 1; frame <= 100; ++frame) camera.Update(frame * 0.03f);
  EXPECT_NEAR(camera.speed.GetAccumulatedTime(), 3.0f, 1e-3);
  const float before = camera.speed.GetAccumulatedTime();
  camera.Update(10.0f);  // a pause of seven seconds
  EXPECT_NEAR(camera.speed.GetAccumulatedTime() - before, 0.2f, 1e-5);
  camera.Update(4.0f);  // the scene clock went back
  EXPECT_NEAR(camera.speed.GetAccumulatedTime() - before, 0.2f, 1e-5);
  camera.speed.SetValue(100);  // speed 2.0
  camera.Update(4.1f);
  EXPECT_NEAR(camera.speed.GetAccumulatedTime() - before, 0.4f, 1e-4);
}

TEST_F(CameraTest, OffCameraLeavesTheViewUnmoved) {
  DSM_Camera camera;
  camera.zoom.SetValue(300);
  camera.driftMode.StoreValue(1);
  for (int frame = 1; frame <= 10; ++frame) {
    camera.Update(frame * 0.03f);
    EXPECT_TRUE(IsIdentity(m_view.GetCamera())) << "frame " << frame;
  }
  camera.on.SetValue(1);
  camera.driftMode.StoreValue(0);  // not the current slide
  camera.Update(0.5f);
  EXPECT_TRUE(IsIdentity(m_view.GetCamera()));
}

TEST_F(CameraTest, MoveIsEasedBetweenItsEnds) {
  DSM_Camera camera;
  camera.on.SetValue(1);
  camera.driftMode.StoreValue(1);
  camera.drift.fromX = -1;
  camera.drift.toX = 1;
  camera.drift.fromY = 0.5f;
  camera.drift.toY = -0.5f;
  camera.drift.start = 0;
  camera.drift.end = 4;

  camera.Update(0);  // p = 0
  EXPECT_FLOAT_EQ(camera.GetDriftXNow(), -1);
  EXPECT_FLOAT_EQ(camera.GetDriftYNow(), 0.5f);
  EXPECT_FLOAT_EQ(camera.GetZoomNow(), 1.2f);
  for (int step = 1; step <= 20; ++step) camera.Update(step * 0.1f);  // clock at 2.0: p = 0.5
  const float d = camera.speed.GetAccumulatedTime();
  ASSERT_NEAR(d, 2.0f, 1e-4);
  const float f = (1 - std::cos(3.14159265f * d / 4)) / 2;
  EXPECT_NEAR(camera.GetDriftXNow(), -1 + 2 * f, 1e-5);
  EXPECT_NEAR(camera.GetDriftXNow(), 0, 1e-3) << "halfway in time is halfway in place";
  EXPECT_NEAR(camera.GetDriftYNow(), 0, 1e-3);

  // What the camera hands over is what the view context shows.
  DS_ViewContext expected;
  expected.FitPicture(800, 600, 1280, 720, DS_ViewContext::kFitLetterbox);
  expected.SetCameraZoom(camera.GetZoomNow(), camera.GetDriftXNow(), camera.GetDriftYNow());
  EXPECT_TRUE(m_view.GetCamera() == expected.GetCamera());
}

TEST_F(CameraTest, PickMoveHoldsOnEvenDrawsAndMovesOnOdd) {
  // Find seeds whose first draw is even and odd, then replay them.
  unsigned evenSeed = 0, oddSeed = 0;
  for (unsigned seed = 1; seed < 100 && (!evenSeed || !oddSeed); ++seed) {
    std::srand(seed);
    (std::rand() % 2 == 0 ? evenSeed : oddSeed) = seed;
  }
  ASSERT_TRUE(evenSeed && oddSeed);

  DSM_Camera camera;
  camera.drift.toX = 0.25f;
  camera.drift.toY = -0.75f;
  std::srand(evenSeed);
  camera.PickMove(3);
  EXPECT_EQ(camera.drift.start, 3);
  EXPECT_EQ(camera.drift.end, 3.5f);
  EXPECT_EQ(camera.drift.fromX, 0.25f);
  EXPECT_EQ(camera.drift.toX, 0.25f) << "a hold stays where the last move ended";

  std::srand(oddSeed);
  std::rand();
  const float toX = std::rand() / 32767.0f * 2 - 1;
  const float toY = std::rand() / 32767.0f * 2 - 1;
  const float length = 5 + std::rand() / 32767.0f * 2;
  std::srand(oddSeed);
  camera.PickMove(7);
  EXPECT_EQ(camera.drift.fromX, 0.25f);
  EXPECT_EQ(camera.drift.fromY, -0.75f);
  EXPECT_FLOAT_EQ(camera.drift.toX, toX);
  EXPECT_FLOAT_EQ(camera.drift.toY, toY);
  EXPECT_FLOAT_EQ(camera.drift.end, 7 + length);
}

TEST_F(CameraTest, ClearedDriftStartsFromTheCentreAtOnce) {
  DSM_Camera camera;
  camera.on.SetValue(1);
  camera.driftMode.StoreValue(1);
  camera.drift.toX = 0.9f;
  camera.drift.end = 1e9f;
  camera.ClearDrift();
  std::srand(11);
  camera.Update(0.03f);
  EXPECT_EQ(camera.drift.fromX, 0);
  EXPECT_EQ(camera.drift.fromY, 0);
  EXPECT_GT(camera.drift.end, camera.drift.start);
}

TEST_F(CameraTest, ExtremeStoredValuesKeepTheViewFinite) {
  DSM_Camera camera;
  camera.on.SetValue(1);
  camera.driftMode.StoreValue(1);
  camera.speed.SetValue(0xFFFFFFFFu);
  camera.zoom.SetValue(0);  // zoom 0 is shown unzoomed
  for (int frame = 1; frame <= 50; ++frame) camera.Update(frame * 0.2f);
  const D3DXMATRIX& m = m_view.GetCamera();
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(m[i])) << "entry " << i;
  EXPECT_TRUE(std::isfinite(camera.GetDriftXNow()));
  EXPECT_EQ(m._11, 1.0f);
}

}  // namespace
