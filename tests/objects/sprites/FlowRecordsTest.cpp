// The records of the flow and rain items and of their edge controls: written by
// their own writers and read back through the object registry, the layouts of
// the older flow versions, the constructor defaults, and truncated records.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "document/ClassRegistry.h"
#include "objects/sprites/FlowSprites.h"
#include "objects/sprites/Rain.h"
#include "render/ObjectModel.h"
#include "render/TimeLine.h"
#include "FlowRainTestSupport.h"

using flowrain_test::Reading;
using flowrain_test::WrittenBytes;

namespace {

void SetFlowFields(DS_FlowConstructor& item) {
  item.SetName(L"flow");
  item.spriteCount.SetValue(7u);
  item.spriteSize.SetValue(24u);
  item.colour.SetValue(0x123456u);
  item.relLeft = 0.1f;
  item.angle.SetValue(135u);
  item.wobble.SetValue(4u);
  item.wobbleRate.SetValue(6u);
  item.speed = 77.5f;
  item.orientationMode.SetValue(DS_FlowConstructor::kMirrorY);
  for (int side = 0; side < DS_BoundControl::kSideCount; ++side) {
    DS_BoundControl& edge = item.Edge(side);
    edge.mode.SetValue(side % 3);
    edge.fadeOut.SetValue(100u + side);
    edge.fadeIn.SetValue(200u + side);
    edge.minDelay.SetValue(300u + side);
    edge.maxDelay.SetValue(400u + side);
  }
}

void ExpectFlowFields(const DS_FlowConstructor& item) {
  EXPECT_EQ(L"flow", item.GetName());
  EXPECT_EQ(7u, item.spriteCount.GetValue());
  EXPECT_EQ(24u, item.spriteSize.GetValue());
  EXPECT_EQ(0x123456u, item.colour.GetValue());
  EXPECT_FLOAT_EQ(0.1f, item.relLeft);
  EXPECT_EQ(135u, item.angle.GetValue());
  EXPECT_EQ(4u, item.wobble.GetValue());
  EXPECT_FLOAT_EQ(12.0f, item.wobble.GetResult());
  EXPECT_EQ(6u, item.wobbleRate.GetValue());
  EXPECT_FLOAT_EQ(1.5f, item.wobbleRate.GetResult());
  EXPECT_FLOAT_EQ(77.5f, item.speed);
  EXPECT_EQ(DS_FlowConstructor::kMirrorY, item.orientationMode.GetValue());
  for (int side = 0; side < DS_BoundControl::kSideCount; ++side) {
    const DS_BoundControl& edge = item.Edge(side);
    SCOPED_TRACE(side);
    EXPECT_EQ(side, edge.GetSide());
    EXPECT_EQ(side % 3, edge.mode.GetValue());
    EXPECT_EQ(100u + side, edge.fadeOut.GetValue());
    EXPECT_EQ(200u + side, edge.fadeIn.GetValue());
    EXPECT_EQ(300u + side, edge.minDelay.GetValue());
    EXPECT_EQ(400u + side, edge.maxDelay.GetValue());
  }
}

// Reads a whole record through the registry; null when it did not read whole.
std::unique_ptr<DS_ABObj_Constructor> ReadRecord(const std::vector<unsigned char>& bytes, bool expectWhole = true) {
  Reading reading(bytes);
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
  if (expectWhole) {
    EXPECT_FALSE(reading.handle->Failed());
    EXPECT_EQ(0u, reading.handle->BytesLeft()) << "the reader left part of the record";
  }
  return item;
}

// A flow record of an older version: its own fields as that version stored
// them, then the sprite section of `shared`.
std::vector<unsigned char> OldFlowRecord(int version, const DS_FlowConstructor& shared, int legacy) {
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_FlowConstructor", version);
  w.WriteUInt(200u);
  w.WriteUInt(5u);
  w.WriteUInt(8u);
  w.WriteFloat(40.0f);
  if (version >= 2) w.WriteInt(legacy);
  shared.DS_BaseSpriteProp::Write(w);
  return w.Bytes();
}

TEST(FlowRecordsTest, FlowRoundTripCarriesEveryFieldAndEdgeControl) {
  DS_FlowConstructor written;
  SetFlowFields(written);
  std::unique_ptr<DS_ABObj_Constructor> item = ReadRecord(WrittenBytes(written));
  auto* read = dynamic_cast<DS_FlowConstructor*>(item.get());
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(nullptr, dynamic_cast<DS_RainConstructor*>(item.get()));
  ExpectFlowFields(*read);
}

TEST(FlowRecordsTest, RainRoundTripKeepsItsFlowSection) {
  DS_RainConstructor written;
  SetFlowFields(written);
  std::unique_ptr<DS_ABObj_Constructor> item = ReadRecord(WrittenBytes(written));
  auto* read = dynamic_cast<DS_RainConstructor*>(item.get());
  ASSERT_NE(nullptr, read);
  ExpectFlowFields(*read);
}

TEST(FlowRecordsTest, RecordLayoutOfTheFlowLevel) {
  DS_FlowConstructor written;
  SetFlowFields(written);
  Reading reading(WrittenBytes(written));
  DS_IOF_Virtual& s = *reading.handle;
  ds_string name;
  int version = 0;
  s.ReadString(name);
  s.ReadInt(version);
  EXPECT_EQ(L"DS_FlowConstructor", name);
  EXPECT_EQ(4, version);
  unsigned int angle = 0, wobble = 0, rate = 0;
  float speed = 0.0f;
  int orientation = -1;
  s.ReadUInt(angle);
  s.ReadUInt(wobble);
  s.ReadUInt(rate);
  s.ReadFloat(speed);
  s.ReadInt(orientation);
  EXPECT_EQ(135u, angle);
  EXPECT_EQ(4u, wobble);
  EXPECT_EQ(6u, rate);
  EXPECT_FLOAT_EQ(77.5f, speed);
  EXPECT_EQ(3, orientation);
  for (int side = 0; side < 4; ++side) {
    s.ReadString(name);
    s.ReadInt(version);
    EXPECT_EQ(L"DS_BoundControl", name);
    EXPECT_EQ(1, version);
    int mode = -1;
    unsigned int values[4] = {};
    s.ReadInt(mode);
    for (unsigned int& v : values) s.ReadUInt(v);
    EXPECT_EQ(side % 3, mode);
    EXPECT_EQ(100u + side, values[0]);
    EXPECT_EQ(400u + side, values[3]);
  }
  s.ReadString(name);
  EXPECT_EQ(L"DS_BaseSpriteProp", name);
}

struct OldVersionCase {
  int version;
  int legacy;
  int orientation;
};

class FlowOldVersionTest : public ::testing::TestWithParam<OldVersionCase> {};

TEST_P(FlowOldVersionTest, ReadsTheLayoutOfItsVersion) {
  const OldVersionCase c = GetParam();
  DS_FlowConstructor shared;
  shared.spriteCount.SetValue(9u);
  std::unique_ptr<DS_ABObj_Constructor> item = ReadRecord(OldFlowRecord(c.version, shared, c.legacy));
  auto* read = dynamic_cast<DS_FlowConstructor*>(item.get());
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(200u, read->angle.GetValue());
  EXPECT_FLOAT_EQ(15.0f, read->wobble.GetResult());
  EXPECT_FLOAT_EQ(2.0f, read->wobbleRate.GetResult());
  EXPECT_FLOAT_EQ(40.0f, read->speed);
  EXPECT_EQ(c.orientation, read->orientationMode.GetValue());
  EXPECT_EQ(9u, read->spriteCount.GetValue());
  for (int side = 0; side < 4; ++side) {
    EXPECT_EQ(side, read->Edge(side).GetSide());
    EXPECT_EQ(0, read->Edge(side).mode.GetValue()) << "older records keep the default edge controls";
  }
}

const OldVersionCase kOldVersions[] = {
    {1, 0, 0},  // no orientation mode
    {2, 5, 1},  // legacy flag: any non-zero value rotates along the flow
    {2, 0, 0},
    {3, 2, 2},  // the mode itself, no edge controls
};
INSTANTIATE_TEST_SUITE_P(Versions, FlowOldVersionTest, ::testing::ValuesIn(kOldVersions));

TEST(FlowRecordsTest, RainDefaults) {
  DS_RainConstructor rain;
  EXPECT_EQ(270u, rain.angle.GetValue());
  EXPECT_EQ(0u, rain.wobble.GetValue());
  EXPECT_FLOAT_EQ(2000.0f, rain.speed);
  EXPECT_FLOAT_EQ(0.5f, rain.sizeFactorMin);
  EXPECT_FLOAT_EQ(1.0f, rain.sizeFactorMax);
  EXPECT_EQ(DS_FlowConstructor::kAlongFlow, rain.orientationMode.GetValue());
  EXPECT_EQ(0, rain.TimeLine().timeMode.GetValue());
  // Straight down at the full speed.
  EXPECT_NEAR(0.0f, rain.GetForward().x, 1e-3f);
  EXPECT_NEAR(2000.0f, rain.GetForward().y, 1e-2f);
}

TEST(FlowRecordsTest, ReadItemKeepsItsVectorsAndItsCloneComputesThemAnew) {
  DS_FlowConstructor written;
  written.speed = 50.0f;
  written.angle.SetValue(180u);
  std::unique_ptr<DS_ABObj_Constructor> item = ReadRecord(WrittenBytes(written));
  auto* read = dynamic_cast<DS_FlowConstructor*>(item.get());
  ASSERT_NE(nullptr, read);
  // Values are read into place: the read item's vectors are those it was made
  // with (angle 0, speed 0).
  EXPECT_FLOAT_EQ(0.0f, read->GetForward().x);
  std::unique_ptr<DS_ParticleSystemCtrl> clone(read->Clone());
  auto& flow = static_cast<DS_FlowConstructor&>(*clone);
  EXPECT_NEAR(-50.0f, flow.GetForward().x, 1e-3f);
  EXPECT_NEAR(0.0f, flow.GetForward().y, 1e-3f);
  EXPECT_EQ(DS_BoundControl::kRight, flow.Edge(DS_BoundControl::kRight).GetSide());
}

TEST(FlowRecordsTest, CloneCopiesTheEdgeControls) {
  DS_RainConstructor rain;
  SetFlowFields(rain);
  std::unique_ptr<DS_ParticleSystemCtrl> clone(rain.Clone());
  ASSERT_NE(nullptr, dynamic_cast<DS_RainConstructor*>(clone.get()));
  ExpectFlowFields(static_cast<DS_FlowConstructor&>(*clone));
  // The copy follows its own angle from now on.
  static_cast<DS_FlowConstructor&>(*clone).angle.SetValue(0u);
  EXPECT_NEAR(77.5f, static_cast<DS_FlowConstructor&>(*clone).GetForward().x, 1e-3f);
  // The original's vectors were made when its angle was set, at the rain's speed.
  EXPECT_NEAR(2000.0f * std::cos(135.0f * 3.1415927f / 180.0f), rain.GetForward().x, 1e-2f);
}

TEST(FlowRecordsTest, TruncatedRecordsFailWithoutAnItem) {
  DS_RainConstructor written;
  SetFlowFields(written);
  const std::vector<unsigned char> whole = WrittenBytes(written);
  for (size_t cut : {size_t(10), size_t(40), size_t(60), size_t(100), whole.size() / 2, whole.size() - 1}) {
    SCOPED_TRACE(cut);
    Reading reading(std::vector<unsigned char>(whole.begin(), whole.begin() + cut));
    std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
    EXPECT_EQ(nullptr, item);
    EXPECT_TRUE(reading.handle->Failed());
  }
}

}  // namespace
