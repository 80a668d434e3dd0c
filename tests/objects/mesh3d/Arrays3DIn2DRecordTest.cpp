// The 3D-in-2D array item: its record through its own writer, a record laid out by
// hand and the class registry, cut records, its defaults, its copy and the direction
// axes.

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "document/ClassRegistry.h"
#include "document/Item.h"
#include "document/StreamWriter.h"
#include "objects/mesh3d/Arrays3DIn2D.h"
#include "render/TimeLine.h"
#include "tests/objects/sprites/Sprites2TestSupport.h"

namespace {

using sprites2_test::Reading;
using sprites2_test::WrittenBytes;

DS_ResourceEntry Entry(int32_t id, const ds_string& module, const ds_string& name, const char* bytes) {
  DS_ResourceEntry entry(id, module);
  entry.SetName(name);
  entry.SetData(uint32_t(std::strlen(bytes)), bytes);
  return entry;
}

void SetFields(DS_3D_in_2D_array_Constructor& item) {
  item.SetName(L"falling leaves");
  item.instanceCount.SetValue(12);
  item.meshEntry = Entry(7, L"", L"C:\\scene\\leaf.x", "mesh bytes");
  item.textureEntry = Entry(62, L"addon_001.dll", L"", "picture bytes");
  item.params.size.SetValue(40);
  item.params.speed.SetValue(70);
  item.params.sway.SetValue(20);
  item.params.gustRate.SetValue(10);
  item.params.spin.SetValue(150);
  item.params.SetDirection(135);
}

void ExpectEntry(const DS_ResourceEntry& expected, const DS_ResourceEntry& actual, const char* what) {
  EXPECT_EQ(expected.ResourceId(), actual.ResourceId()) << what;
  EXPECT_TRUE(expected.ModuleName() == actual.ModuleName()) << what;
  EXPECT_TRUE(expected.Name() == actual.Name()) << what;
  ASSERT_EQ(expected.Size(), actual.Size()) << what;
  EXPECT_EQ(0, std::memcmp(expected.Data(), actual.Data(), expected.Size())) << what;
}

void ExpectAxes(unsigned int angle, const DS_StreamParams& params) {
  DS_StreamParams expected;
  expected.SetDirection(angle);
  EXPECT_EQ(angle, params.GetAngle());
  EXPECT_TRUE(expected.MainAxis() == params.MainAxis()) << "angle " << angle;
  EXPECT_TRUE(expected.CrossAxis() == params.CrossAxis()) << "angle " << angle;
}

void ExpectFields(const DS_3D_in_2D_array_Constructor& item) {
  EXPECT_TRUE(item.GetName() == L"falling leaves");
  EXPECT_EQ(12u, item.instanceCount.GetValue());
  ExpectEntry(Entry(7, L"", L"C:\\scene\\leaf.x", "mesh bytes"), item.meshEntry, "mesh");
  ExpectEntry(Entry(62, L"addon_001.dll", L"", "picture bytes"), item.textureEntry, "picture");
  EXPECT_EQ(40u, item.params.size.GetValue());
  EXPECT_EQ(70u, item.params.speed.GetValue());
  EXPECT_EQ(20u, item.params.sway.GetValue());
  EXPECT_EQ(10u, item.params.gustRate.GetValue());
  EXPECT_EQ(150u, item.params.spin.GetValue());
  ExpectAxes(135, item.params);
}

std::unique_ptr<DS_3D_in_2D_array_Constructor> ReadBack(const std::vector<unsigned char>& bytes) {
  Reading reading(bytes);
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
  EXPECT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft()) << "the reader left part of the record";
  auto* read = dynamic_cast<DS_3D_in_2D_array_Constructor*>(item.get());
  EXPECT_NE(nullptr, read) << "read back as another class";
  if (!read) return nullptr;
  item.release();
  return std::unique_ptr<DS_3D_in_2D_array_Constructor>(read);
}

TEST(Arrays3DIn2DRecordTest, RoundTripsThroughTheRegistry) {
  DS_3D_in_2D_array_Constructor written;
  SetFields(written);
  written.TimeLine().mode.SetValue(1);
  written.TimeLine().shown.hi.SetValue(345);
  std::unique_ptr<DS_3D_in_2D_array_Constructor> read = ReadBack(WrittenBytes(written));
  ASSERT_TRUE(read);
  ExpectFields(*read);
  EXPECT_EQ(1, read->TimeLine().mode.GetValue()) << "the base section follows";
  EXPECT_EQ(345u, read->TimeLine().shown.hi.GetValue());
}

// The layout of the record, field by field; any version reads the same.
TEST(Arrays3DIn2DRecordTest, ReadsTheFieldsInRecordOrder) {
  DS_3D_in_2D_array_Constructor fields;
  SetFields(fields);
  for (int version : {1, 0, 7}) {
    DS_IOF_W w;
    WriteLevelHeader(w, L"DS_3D_in_2D_array_Constructor", version);
    w.WriteString(L"falling leaves");
    w.WriteUInt(12);
    w.WriteEntry(fields.meshEntry);
    w.WriteEntry(fields.textureEntry);
    for (unsigned int value : {40u, 70u, 20u, 10u, 150u, 135u}) w.WriteUInt(value);
    fields.DS_ABObj_Constructor::Write(w);
    std::unique_ptr<DS_3D_in_2D_array_Constructor> read = ReadBack(w.Bytes());
    ASSERT_TRUE(read) << "version " << version;
    ExpectFields(*read);
  }
}

TEST(Arrays3DIn2DRecordTest, WriterFixesTheVersion) {
  DS_3D_in_2D_array_Constructor item;
  Reading reading(WrittenBytes(item));
  ds_string name;
  int version = 0;
  reading.handle->ReadString(name);
  reading.handle->ReadInt(version);
  EXPECT_TRUE(name == L"DS_3D_in_2D_array_Constructor");
  EXPECT_EQ(1, version);
}

// A record cut anywhere fails the stream and yields no item.
TEST(Arrays3DIn2DRecordTest, EveryCutFailsCleanly) {
  DS_3D_in_2D_array_Constructor item;
  SetFields(item);
  const std::vector<unsigned char> bytes = WrittenBytes(item);
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    Reading reading(std::vector<unsigned char>(bytes.begin(), bytes.begin() + cut));
    std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(reading.handle));
    EXPECT_EQ(nullptr, read.get()) << "cut at " << cut << " of " << bytes.size();
    EXPECT_TRUE(reading.handle->Failed()) << "cut at " << cut;
  }
}

TEST(Arrays3DIn2DRecordTest, Defaults) {
  DS_3D_in_2D_array_Constructor item;
  EXPECT_EQ(0u, item.instanceCount.GetValue());
  EXPECT_EQ(0u, item.params.size.GetValue());
  EXPECT_EQ(50u, item.params.speed.GetValue());
  EXPECT_EQ(0u, item.params.sway.GetValue());
  EXPECT_EQ(0u, item.params.gustRate.GetValue());
  EXPECT_EQ(100u, item.params.spin.GetValue());
  ExpectAxes(0, item.params);
  EXPECT_EQ(0u, item.meshEntry.Size());
  EXPECT_TRUE(item.meshEntry.ModuleName().empty());
  EXPECT_EQ(0u, item.textureEntry.Size());
}

// The copy a run-time object runs keeps every field; without a document it has
// nothing to draw but still makes its copies.
TEST(Arrays3DIn2DRecordTest, TheObjectRunsACopyOfEveryField) {
  sprites2_test::SceneSize scene(320, 240);
  DS_3D_in_2D_array_Constructor item;
  SetFields(item);
  std::unique_ptr<DS_ABObj> object(item.CreateObject());
  auto* array = dynamic_cast<DS_3D_in_2D_array*>(object.get());
  ASSERT_NE(nullptr, array);
  EXPECT_NE(&item, &array->GetItem());
  ExpectFields(array->GetItem());
  EXPECT_EQ(12u, array->GetMesh().children.size());
  item.params.size.SetValue(5);
  EXPECT_EQ(40u, array->GetItem().params.size.GetValue()) << "the copy has its own parameters";
}

struct AxisCase {
  unsigned int angle;
  float mainX, mainY, crossX, crossY;
};

TEST(Arrays3DIn2DRecordTest, DirectionAxesFollowTheAngle) {
  const AxisCase cases[] = {
      {0, 1, 0, 0, -1},    // along +x; the cross axis points up the scene
      {90, 0, -1, -1, 0},  // up the scene
      {180, -1, 0, 0, 1},
      {270, 0, 1, 1, 0},
      {45, 0.70710677f, -0.70710677f, -0.70710677f, -0.70710677f},
      {360, 1, 0, 0, -1},
  };
  for (const AxisCase& c : cases) {
    DS_StreamParams params;
    params.SetDirection(c.angle);
    EXPECT_EQ(c.angle, params.GetAngle());
    EXPECT_NEAR(c.mainX, params.MainAxis().x, 1e-6f) << "angle " << c.angle;
    EXPECT_NEAR(c.mainY, params.MainAxis().y, 1e-6f) << "angle " << c.angle;
    EXPECT_NEAR(c.crossX, params.CrossAxis().x, 1e-6f) << "angle " << c.angle;
    EXPECT_NEAR(c.crossY, params.CrossAxis().y, 1e-6f) << "angle " << c.angle;
    EXPECT_EQ(0.0f, params.MainAxis().z);
    EXPECT_EQ(0.0f, params.CrossAxis().w);
  }
}

}  // namespace
