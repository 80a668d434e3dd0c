// Butterfly and clock records through their own writers and the class registry, their
// defaults and their copies.

#include <limits>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "document/ClassRegistry.h"
#include "document/Item.h"
#include "objects/mesh3d/Objects3D.h"
#include "render/ScreenQuad.h"
#include "tests/objects/sprites/Sprites2TestSupport.h"

namespace {

using sprites2_test::Reading;
using sprites2_test::SceneSize;
using sprites2_test::WrittenBytes;

const ds_string kModule = L"common_res.dll";

template <class Item>
std::unique_ptr<Item> ReadBack(const std::vector<unsigned char>& bytes) {
  Reading reading(bytes);
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
  EXPECT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft()) << "the reader left part of the record";
  Item* read = dynamic_cast<Item*>(item.get());
  EXPECT_NE(nullptr, read) << "read back as another class";
  if (!read) return nullptr;
  item.release();
  return std::unique_ptr<Item>(read);
}

void SetBaseFields(DS_3D_Obj_Ctrl& item) {
  item.instanceCount.SetValue(3);
  item.size.SetValue(77);
  item.imageLink.StoreKey(DS_FileKey(L"C:\\scene\\wings.png", 11));
  item.meshFile.StoreKey(DS_FileKey(L"C:\\scene\\wings.x", 12));
  item.relLeft = 0.25f;
  item.relBottom = 0.75f;
}

void ExpectBaseFields(const DS_3D_Obj_Ctrl& item) {
  EXPECT_EQ(3u, item.instanceCount.GetValue());
  EXPECT_EQ(77u, item.size.GetValue());
  EXPECT_TRUE(item.imageLink.GetKey() == DS_FileKey(L"C:\\scene\\wings.png", 11));
  EXPECT_TRUE(item.meshFile.GetKey() == DS_FileKey(L"C:\\scene\\wings.x", 12));
  EXPECT_FLOAT_EQ(0.25f, item.relLeft);
  EXPECT_FLOAT_EQ(0.75f, item.relBottom);
}

void SetButterflyFields(DS_ButterflyConstructor& item) {
  SetBaseFields(item);
  item.bodyImage.StoreKey(DS_FileKey(L"C:\\scene\\body.png", 21));
  item.bodyMesh.StoreKey(DS_FileKey(L"C:\\scene\\body.x", 22));
  item.reserved1.SetValue(5);
  item.reserved2.SetValue(6);
  item.wingScale = 1.75f;
}

void ExpectButterflyFields(const DS_ButterflyConstructor& item, float wingScale) {
  ExpectBaseFields(item);
  EXPECT_TRUE(item.bodyImage.GetKey() == DS_FileKey(L"C:\\scene\\body.png", 21));
  EXPECT_TRUE(item.bodyMesh.GetKey() == DS_FileKey(L"C:\\scene\\body.x", 22));
  EXPECT_EQ(5u, item.reserved1.GetValue());
  EXPECT_EQ(6u, item.reserved2.GetValue());
  EXPECT_FLOAT_EQ(wingScale, item.wingScale);
}

void SetClockFields(DS_ClockConstructor& item) {
  SetBaseFields(item);
  item.clockRect.Left().SetValue(10);
  item.clockRect.Right().SetValue(110);
  item.clockRect.Top().SetValue(20);
  item.clockRect.Bottom().SetValue(120);
  item.clockRect.Extra1().SetValue(60);
  item.clockRect.Extra2().SetValue(70);
  item.handsImage.StoreKey(DS_FileKey(L"C:\\scene\\hands.png", 31));
}

void ExpectClockFields(const DS_ClockConstructor& item) {
  ExpectBaseFields(item);
  EXPECT_EQ(10, item.clockRect.Left().GetValue());
  EXPECT_EQ(110, item.clockRect.Right().GetValue());
  EXPECT_EQ(20, item.clockRect.Top().GetValue());
  EXPECT_EQ(120, item.clockRect.Bottom().GetValue());
  EXPECT_EQ(60, item.clockRect.Extra1().GetValue());
  EXPECT_EQ(70, item.clockRect.Extra2().GetValue());
  EXPECT_TRUE(item.handsImage.GetKey() == DS_FileKey(L"C:\\scene\\hands.png", 31));
}

TEST(Objects3DRecordTest, ButterflyRoundTrips) {
  DS_ButterflyConstructor written;
  SetButterflyFields(written);
  std::unique_ptr<DS_ButterflyConstructor> read = ReadBack<DS_ButterflyConstructor>(WrittenBytes(written));
  ASSERT_TRUE(read);
  ExpectButterflyFields(*read, 1.75f);
}

// Version 1 has no wing scale: the wings keep their own size.
TEST(Objects3DRecordTest, ButterflyVersionOneHasNoWingScale) {
  DS_ButterflyConstructor written;
  SetButterflyFields(written);
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_ButterflyConstructor", 1);
  DS_FileLink3::WriteField(w, written.bodyImage);
  DS_FileLink3::WriteField(w, written.bodyMesh);
  w.WriteUInt(5);
  w.WriteUInt(6);
  written.DS_3D_Obj_Ctrl::Write(w);
  std::unique_ptr<DS_ButterflyConstructor> read = ReadBack<DS_ButterflyConstructor>(w.Bytes());
  ASSERT_TRUE(read);
  ExpectButterflyFields(*read, 1.0f);
}

// The wing scale comes from the document: a value that is no number keeps the wings
// at their own size instead of making every wing matrix NaN.
TEST(Objects3DRecordTest, WingScaleThatIsNoNumberIsOne) {
  const float cases[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity()};
  for (float scale : cases) {
    DS_ButterflyConstructor written;
    SetButterflyFields(written);
    written.wingScale = scale;
    std::unique_ptr<DS_ButterflyConstructor> read = ReadBack<DS_ButterflyConstructor>(WrittenBytes(written));
    ASSERT_TRUE(read);
    ExpectButterflyFields(*read, 1.0f);
  }
}

TEST(Objects3DRecordTest, ClockRoundTripsWithItsCentre) {
  SceneSize scene(800, 600);
  DS_ClockConstructor written;
  SetClockFields(written);
  std::unique_ptr<DS_ClockConstructor> read = ReadBack<DS_ClockConstructor>(WrittenBytes(written));
  ASSERT_TRUE(read);
  ExpectClockFields(*read);
}

// A record cut anywhere fails the stream and yields no item; nothing crashes.
TEST(Objects3DRecordTest, CutRecordsFailTheStream) {
  DS_ButterflyConstructor butterfly;
  DS_ClockConstructor clock;
  const std::vector<std::vector<unsigned char>> records = {WrittenBytes(butterfly), WrittenBytes(clock)};
  for (const std::vector<unsigned char>& bytes : records) {
    for (size_t cut : {size_t(10), bytes.size() / 2, bytes.size() - 1}) {
      Reading reading(std::vector<unsigned char>(bytes.begin(), bytes.begin() + cut));
      std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
      EXPECT_EQ(nullptr, item.get()) << "cut at " << cut;
      EXPECT_TRUE(reading.handle->Failed());
    }
  }
}

TEST(Objects3DRecordTest, DefaultsNameTheCommonResources) {
  SceneSize scene(800, 601);
  DS_ButterflyConstructor butterfly;
  EXPECT_TRUE(butterfly.bodyImage.GetKey() == DS_ImageFileLink(6, kModule).GetKey());
  EXPECT_TRUE(butterfly.bodyMesh.GetKey() == DS_MeshFile(68, kModule).GetKey());
  EXPECT_TRUE(butterfly.meshFile.GetKey() == DS_MeshFile(69, kModule).GetKey());
  EXPECT_EQ(ds_string(), butterfly.imageLink.GetPath());
  EXPECT_EQ(100u, butterfly.size.GetValue());
  EXPECT_EQ(1u, butterfly.instanceCount.GetValue());
  EXPECT_EQ(50u, butterfly.speed.GetValue());
  EXPECT_TRUE(butterfly.viewObject);
  EXPECT_EQ(50u, butterfly.reserved1.GetValue());
  EXPECT_FLOAT_EQ(1.0f, butterfly.wingScale);
  EXPECT_EQ(0, butterfly.IsClock());

  DS_ClockConstructor clock;
  EXPECT_TRUE(clock.meshFile.GetKey() == DS_MeshFile(70, kModule).GetKey());
  EXPECT_TRUE(clock.imageLink.GetKey() == DS_ImageFileLink(71, kModule).GetKey());
  EXPECT_TRUE(clock.handsImage.GetKey() == DS_ImageFileLink(72, kModule).GetKey());
  EXPECT_EQ(400u, clock.size.GetValue());
  EXPECT_EQ(50u, clock.speed.GetValue());
  EXPECT_EQ(400, clock.clockRect.Extra1().GetValue());
  EXPECT_EQ(300, clock.clockRect.Extra2().GetValue()) << "integer half of 601";
  EXPECT_EQ(0, clock.clockRect.Left().GetValue());
  EXPECT_EQ(1, clock.IsClock());
}

TEST(Objects3DRecordTest, ClonesCopyEveryField) {
  DS_ButterflyConstructor butterfly;
  SetButterflyFields(butterfly);
  std::unique_ptr<DS_3D_Obj_Ctrl> butterflyCopy(butterfly.Clone());
  ASSERT_NE(nullptr, dynamic_cast<DS_ButterflyConstructor*>(butterflyCopy.get()));
  ExpectButterflyFields(static_cast<DS_ButterflyConstructor&>(*butterflyCopy), 1.75f);

  DS_ClockConstructor clock;
  SetClockFields(clock);
  std::unique_ptr<DS_3D_Obj_Ctrl> clockCopy(clock.Clone());
  DS_ClockConstructor& copy = static_cast<DS_ClockConstructor&>(*clockCopy);
  ExpectClockFields(copy);
  EXPECT_EQ(nullptr, copy.meshVector);
  clock.clockRect.Left().SetValue(0);
  EXPECT_EQ(10, copy.clockRect.Left().GetValue()) << "the copy has its own rectangle";
}

TEST(Objects3DRecordTest, ClockQuadIsItsRectangle) {
  DS_ClockConstructor clock;
  SetClockFields(clock);
  DS_ScreenQuad quad;
  clock.GetScreenQuad(quad);
  const float expected[4][2] = {{10, 120}, {10, 20}, {110, 120}, {110, 20}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(expected[i][0], quad.v[i].x) << "corner " << i;
    EXPECT_FLOAT_EQ(expected[i][1], quad.v[i].y) << "corner " << i;
  }
}

}  // namespace
