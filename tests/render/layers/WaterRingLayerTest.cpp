// The water-ring layer without a device: its defaults and conversions, its record in
// every version through the writers, hostile records, and the drop clock.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "render/layers/WaterRingLayer.h"

namespace {

const DS_FileKey kPictureKey(L"C:\\scene\\pond.bmp", 42);

std::unique_ptr<DS_2D_Light> ReadLayer(const std::vector<unsigned char>& bytes, size_t size, bool& failed,
                                       size_t& left) {
  ResourceBuffer buffer(bytes.data(), size);
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  std::unique_ptr<DS_2D_Light> layer(ReadAny2DLight(handle));
  failed = handle->Failed();
  left = buffer.BytesLeft();
  return layer;
}

std::unique_ptr<DS_2D_Light> ReadLayer(const std::vector<unsigned char>& bytes) {
  bool failed = false;
  size_t left = 0;
  std::unique_ptr<DS_2D_Light> layer = ReadLayer(bytes, bytes.size(), failed, left);
  EXPECT_FALSE(failed);
  EXPECT_EQ(0u, left) << "the record was not read to its end";
  return layer;
}

struct Tuning {
  int mode;
  unsigned waveGain, rowScale, detail, dropStrength, damping, refraction, dropRate, specular, specularPower;
};

void ExpectTuning(const Tuning& t, const DS_WaterRingLight& layer) {
  EXPECT_EQ(t.mode, layer.mode.GetValue());
  EXPECT_EQ(t.waveGain, layer.waveGain.GetValue());
  EXPECT_EQ(t.rowScale, layer.rowScale.GetValue());
  EXPECT_EQ(t.detail, layer.detail.GetValue());
  EXPECT_EQ(t.dropStrength, layer.dropStrength.GetValue());
  EXPECT_EQ(t.damping, layer.damping.GetValue());
  EXPECT_EQ(t.refraction, layer.refraction.GetValue());
  EXPECT_EQ(t.dropRate, layer.dropRate.GetValue());
  EXPECT_EQ(t.specular, layer.specular.GetValue());
  EXPECT_EQ(t.specularPower, layer.specularPower.GetValue());
  // The scaled values follow what was read.
  EXPECT_FLOAT_EQ(t.dropRate / 60.0f, layer.dropRate.GetResult());
  EXPECT_FLOAT_EQ(t.specular * 0.01f, layer.specular.GetResult());
  EXPECT_FLOAT_EQ(t.specularPower * 0.8f, layer.specularPower.GetResult());
}

const Tuning kDefaults = {0, 0, 0, 0, 50, 50, 20, 30, 90, 50};

TEST(WaterRingLayer, Defaults) {
  DS_WaterRingLight layer;
  ExpectTuning(kDefaults, layer);
  EXPECT_FLOAT_EQ(0.5f, layer.dropRate.GetResult());
  EXPECT_FLOAT_EQ(0.9f, layer.specular.GetResult());
  EXPECT_FLOAT_EQ(40.0f, layer.specularPower.GetResult());
  EXPECT_EQ(0, layer.GetWidth());
  EXPECT_EQ(0, layer.GetHeight());
  EXPECT_FALSE(layer.NeedsSceneCapture());
  layer.mode.SetValue(1);
  EXPECT_TRUE(layer.NeedsSceneCapture());
  layer.mode.SetValue(2);
  EXPECT_FALSE(layer.NeedsSceneCapture()) << "only mode 1 ripples the captured scene";
}

// ---- conversions ----

TEST(WaterRingLayer, DampingRanges) {
  const struct {
    unsigned value;
    float damping;
  } cases[] = {{0, 0.9f}, {25, 0.945f}, {49, 0.9882f}, {50, 0.99f}, {75, 0.9945f}, {100, 0.999f}};
  for (const auto& c : cases) EXPECT_NEAR(c.damping, DS_WaterRingLight::DampingFromValue(c.value), 1e-6f) << c.value;
}

TEST(WaterRingLayer, TheSurfaceFitsTheTargetWhole) {
  const struct {
    int width, height;
    float pictureAspect, halfWidth, halfHeight;
  } cases[] = {
      {1920, 1080, 0.75f, 26.666666f, 15.0f},  // 16:9 target: room left and right
      {1280, 1024, 0.75f, 20.0f, 16.0f},       // 5:4 target: room above and below
      {800, 600, 0.75f, 20.0f, 15.0f},         // same shape: no room
      {320, 240, 0.25f, 60.0f, 45.0f},         // a 4:1 picture on a 4:3 target
  };
  for (const auto& c : cases) {
    float w = 0, h = 0;
    DS_WaterRingLight::GetViewExtents(c.width, c.height, c.pictureAspect, w, h);
    EXPECT_NEAR(c.halfWidth, w, 1e-4f) << c.width << " x " << c.height;
    EXPECT_NEAR(c.halfHeight, h, 1e-4f) << c.width << " x " << c.height;
  }
}

TEST(WaterRingLayer, APictureWithoutSizeCountsAsTheTargetsShape) {
  DS_WaterRingLight layer;
  EXPECT_FLOAT_EQ(1.0f, layer.GetPictureAspect());
  layer.SetSize(400, 100);
  EXPECT_FLOAT_EQ(0.25f, layer.GetPictureAspect());
  // Without a device the surface is still laid out, with a finite size.
  layer.OnDeviceCreated();
  EXPECT_TRUE(layer.GetRipple().IsConfigured());
  EXPECT_TRUE(std::isfinite(layer.GetRipple().GetWidth()));
}

// ---- records ----

TEST(WaterRingLayerRecord, VersionTwoRoundTrips) {
  DS_WaterRingLight written;
  const Tuning tuning = {1, 11, 12, 13, 14, 15, 16, 120, 40, 75};
  written.mode.SetValue(tuning.mode);
  written.waveGain.SetValue(tuning.waveGain);
  written.rowScale.SetValue(tuning.rowScale);
  written.detail.SetValue(tuning.detail);
  written.dropStrength.SetValue(tuning.dropStrength);
  written.damping.SetValue(tuning.damping);
  written.refraction.SetValue(tuning.refraction);
  written.dropRate.SetValue(tuning.dropRate);
  written.specular.SetValue(tuning.specular);
  written.specularPower.SetValue(tuning.specularPower);
  written.GetPictureLink().StoreKey(kPictureKey);
  written.GetCamera().on.SetValue(1);
  written.GetCamera().zoom.SetValue(150);
  DS_IOF_W stream;
  written.Write(stream);

  std::unique_ptr<DS_2D_Light> read = ReadLayer(stream.Bytes());
  DS_WaterRingLight* layer = dynamic_cast<DS_WaterRingLight*>(read.get());
  ASSERT_NE(nullptr, layer) << "the registry did not make a water-ring layer";
  ExpectTuning(tuning, *layer);
  EXPECT_EQ(kPictureKey.path, layer->GetPictureLink().GetKey().path);
  EXPECT_EQ(kPictureKey.stamp, layer->GetPictureLink().GetKey().stamp);
  EXPECT_EQ(1, layer->GetCamera().on.GetValue());
  EXPECT_FLOAT_EQ(1.5f, layer->GetCamera().zoom.GetResult());

  // Written again, the record is the same bytes.
  DS_IOF_W again;
  layer->Write(again);
  EXPECT_EQ(stream.Bytes(), again.Bytes());
}

TEST(WaterRingLayerRecord, VersionOneHoldsOnlyTheModeAndTheBase) {
  DS_IOF_W stream;
  WriteLevelHeader(stream, L"DS_WaterRingLight", 1);
  stream.WriteLong(1);
  DS_2D_Light base;
  base.GetPictureLink().StoreKey(kPictureKey);
  base.Write(stream);

  std::unique_ptr<DS_2D_Light> read = ReadLayer(stream.Bytes());
  DS_WaterRingLight* layer = dynamic_cast<DS_WaterRingLight*>(read.get());
  ASSERT_NE(nullptr, layer);
  Tuning expected = kDefaults;
  expected.mode = 1;
  ExpectTuning(expected, *layer);
  EXPECT_EQ(kPictureKey.path, layer->GetPictureLink().GetKey().path);
}

TEST(WaterRingLayerRecord, EveryCutRecordFailsTheStream) {
  DS_WaterRingLight written;
  written.GetPictureLink().StoreKey(kPictureKey);
  DS_IOF_W stream;
  written.Write(stream);
  const std::vector<unsigned char>& bytes = stream.Bytes();
  for (size_t size = 0; size < bytes.size(); ++size) {
    bool failed = false;
    size_t left = 0;
    std::unique_ptr<DS_2D_Light> layer = ReadLayer(bytes, size, failed, left);
    ASSERT_EQ(nullptr, layer.get()) << "a record cut at " << size << " bytes was taken";
    ASSERT_TRUE(failed) << size;
  }
}

// Tuning values at the ends of their range: the layer configures its surface within
// the strip's limits and never divides by zero.
TEST(WaterRingLayerRecord, ExtremeTuningGivesABoundedSurface) {
  DS_WaterRingLight written;
  written.waveGain.SetValue(0xFFFFFFFFu);
  written.rowScale.SetValue(0xFFFFFFFFu);
  written.detail.SetValue(0xFFFFFFFFu);
  written.dropStrength.SetValue(0xFFFFFFFFu);
  written.damping.SetValue(0xFFFFFFFFu);
  written.refraction.SetValue(0xFFFFFFFFu);
  written.dropRate.SetValue(0xFFFFFFFFu);
  DS_IOF_W stream;
  written.Write(stream);
  std::unique_ptr<DS_2D_Light> read = ReadLayer(stream.Bytes());
  DS_WaterRingLight* layer = dynamic_cast<DS_WaterRingLight*>(read.get());
  ASSERT_NE(nullptr, layer);
  layer->SetSize(320, 240);
  layer->OnDeviceCreated();
  DS_WaterRipple& ripple = layer->GetRipple();
  ASSERT_TRUE(ripple.IsConfigured());
  EXPECT_LE(ripple.GetCellCount(), 65536u);
  for (float t = 1.0f; t < 3.0f; t += 0.05f) layer->Update(t);
  std::vector<DX_V::PNCT> mesh(ripple.GetVertexCount());
  ripple.WriteVertices(mesh.data(), D3DXVECTOR3(0, 120, 0));
  for (const DX_V::PNCT& v : mesh) {
    ASSERT_TRUE(std::isfinite(v.y) && std::isfinite(v.u) && std::isfinite(v.v) && std::isfinite(v.nx));
  }
}

// ---- drop clock ----

TEST(WaterRingLayer, DropClock) {
  DS_WaterRingLight layer;
  layer.OnDeviceCreated();
  const struct {
    float t;
    float lastDrop;
  } steps[] = {
      {1.0f, 0.0f},    // within the 2 s of the default rate
      {2.5f, 2.5f},    // drop
      {4.0f, 2.5f},    //
      {4.6f, 4.6f},    // drop: more than 2 s since the last
      {5.0f, 4.6f},    //
      {3.0f, 3.0f},    // the scene time went back: the clock follows, no drop
      {5.1f, 5.1f},    // drop
  };
  for (const auto& step : steps) {
    layer.Update(step.t);
    EXPECT_FLOAT_EQ(step.lastDrop, layer.GetLastDropTime()) << "t = " << step.t;
  }

  DS_WaterRingLight still;
  still.dropRate.SetValue(0);
  still.OnDeviceCreated();
  for (float t = 0.5f; t < 100.0f; t += 7.0f) still.Update(t);
  EXPECT_EQ(0.0f, still.GetLastDropTime()) << "a drop rate of 0 never drops";
}

}  // namespace
