// Records of the grass, the flower and the discharge written by their own writers
// and read back through the class registry, old static-sprite sections inside
// them, and cut-off records.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "document/ClassRegistry.h"
#include "document/Item.h"
#include "objects/sprites/Discharges.h"
#include "objects/sprites/Flowers.h"
#include "objects/sprites/Grass.h"
#include "render/TimeLine.h"
#include "Sprites2TestSupport.h"

namespace {

using sprites2_test::Reading;

template <class T>
std::unique_ptr<T> ReadBack(const std::vector<unsigned char>& bytes) {
  Reading reading(bytes);
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
  EXPECT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft()) << "the reader left part of the record";
  T* read = dynamic_cast<T*>(item.get());
  EXPECT_NE(nullptr, read) << "read back as another class";
  if (!read) return nullptr;
  item.release();
  return std::unique_ptr<T>(read);
}

void SetStatic(DS_StatObjConstructor& item) {
  item.rectangle.Left().SetValue(10);
  item.rectangle.Right().SetValue(90);
  item.rectangle.Top().SetValue(20);
  item.rectangle.Bottom().SetValue(70);
  item.rectangle.Extra1().SetValue(50);
  item.rectangle.Extra2().SetValue(45);
  item.rotationAngle.SetValue(30);
  item.spriteSize.SetValue(64);
  item.frameCount = 4;
  item.verticalFlip.SetValue(1);
}

void ExpectStatic(const DS_StatObjConstructor& item) {
  EXPECT_EQ(10, item.rectangle.Left().GetValue());
  EXPECT_EQ(90, item.rectangle.Right().GetValue());
  EXPECT_EQ(20, item.rectangle.Top().GetValue());
  EXPECT_EQ(70, item.rectangle.Bottom().GetValue());
  EXPECT_EQ(50, item.rectangle.Extra1().GetValue());
  EXPECT_EQ(45, item.rectangle.Extra2().GetValue());
  EXPECT_EQ(30u, item.rotationAngle.GetValue());
  EXPECT_EQ(64u, item.spriteSize.GetValue());
  EXPECT_EQ(4u, item.frameCount);
  EXPECT_EQ(1, item.verticalFlip.GetValue());
}

TEST(GrassRecordTest, DefaultsAndRoundTrip) {
  DS_GrassConstructor fresh;
  EXPECT_FLOAT_EQ(3.0f, fresh.swayAmplitude);
  EXPECT_EQ(2, fresh.TimeLine().timeMode.GetValue());

  DS_GrassConstructor written;
  written.swayAmplitude = 7.25f;
  written.spriteCount.SetValue(12u);
  written.spriteSize.SetValue(40u);
  written.TimeLine().timeMode.SetValue(1);
  std::unique_ptr<DS_GrassConstructor> read = ReadBack<DS_GrassConstructor>(sprites2_test::WrittenBytes(written));
  ASSERT_TRUE(read);
  EXPECT_FLOAT_EQ(7.25f, read->swayAmplitude);
  EXPECT_EQ(12u, read->spriteCount.GetValue());
  EXPECT_EQ(40u, read->spriteSize.GetValue());
  EXPECT_EQ(1, read->TimeLine().timeMode.GetValue());

  std::unique_ptr<DS_ParticleSystemCtrl> copy(written.Clone());
  DS_GrassConstructor* clone = dynamic_cast<DS_GrassConstructor*>(copy.get());
  ASSERT_NE(nullptr, clone);
  EXPECT_FLOAT_EQ(7.25f, clone->swayAmplitude);
  EXPECT_EQ(12u, clone->spriteCount.GetValue());
}

TEST(FlowerRecordTest, DefaultsAndRoundTrip) {
  DS_FlowerConstructor fresh;
  EXPECT_FLOAT_EQ(1.5f, fresh.swayAmplitude);
  EXPECT_EQ(2, fresh.TimeLine().timeMode.GetValue());

  DS_FlowerConstructor written;
  SetStatic(written);
  written.swayAmplitude = 4.5f;
  std::unique_ptr<DS_FlowerConstructor> read = ReadBack<DS_FlowerConstructor>(sprites2_test::WrittenBytes(written));
  ASSERT_TRUE(read);
  EXPECT_FLOAT_EQ(4.5f, read->swayAmplitude);
  ExpectStatic(*read);

  D3DXMatrixRotationZ(&written.rotation, 0.5f);
  std::unique_ptr<DS_ParticleSystemCtrl> copy(written.Clone());
  DS_FlowerConstructor* clone = dynamic_cast<DS_FlowerConstructor*>(copy.get());
  ASSERT_NE(nullptr, clone);
  EXPECT_FLOAT_EQ(4.5f, clone->swayAmplitude);
  ExpectStatic(*clone);
  EXPECT_FLOAT_EQ(written.rotation._12, clone->rotation._12);
}

TEST(DischargeRecordTest, RoundTrip) {
  DS_DischargeConstructor written;
  SetStatic(written);
  std::unique_ptr<DS_DischargeConstructor> read =
      ReadBack<DS_DischargeConstructor>(sprites2_test::WrittenBytes(written));
  ASSERT_TRUE(read);
  ExpectStatic(*read);
  std::unique_ptr<DS_ParticleSystemCtrl> copy(written.Clone());
  DS_DischargeConstructor* clone = dynamic_cast<DS_DischargeConstructor*>(copy.get());
  ASSERT_NE(nullptr, clone);
  ExpectStatic(*clone);
}

// A version-1 static-sprite section inside a flower or discharge record carries
// the two flip flags; the rest of the record must still line up.
void WriteOldStaticSection(DS_IOF_W& w, const DS_StatObjConstructor& item) {
  WriteLevelHeader(w, L"DS_StatObjConstructor", 1);
  item.rectangle.Write(w);
  w.WriteUInt(item.rotationAngle.GetValue());
  w.WriteInt(0);
  w.WriteInt(1);
  item.DS_BaseSpriteProp::Write(w);
}

TEST(FlowerRecordTest, OldStaticSectionsLineUp) {
  DS_FlowerConstructor flower;
  SetStatic(flower);
  flower.swayAmplitude = 2.0f;
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_FlowerConstructor", 1);
  w.WriteFloat(flower.swayAmplitude);
  WriteOldStaticSection(w, flower);
  std::unique_ptr<DS_FlowerConstructor> read = ReadBack<DS_FlowerConstructor>(w.Bytes());
  ASSERT_TRUE(read);
  EXPECT_FLOAT_EQ(2.0f, read->swayAmplitude);
  ExpectStatic(*read);

  DS_DischargeConstructor discharge;
  SetStatic(discharge);
  DS_IOF_W w2;
  WriteLevelHeader(w2, L"DS_DischargeConstructor", 1);
  WriteOldStaticSection(w2, discharge);
  std::unique_ptr<DS_DischargeConstructor> read2 = ReadBack<DS_DischargeConstructor>(w2.Bytes());
  ASSERT_TRUE(read2);
  ExpectStatic(*read2);
}

TEST(GrassFlowersRecordTest, TruncatedRecordsGiveNoObject) {
  DS_GrassConstructor grass;
  DS_FlowerConstructor flower;
  SetStatic(flower);
  DS_DischargeConstructor discharge;
  SetStatic(discharge);
  const std::vector<std::vector<unsigned char>> records = {
      sprites2_test::WrittenBytes(grass), sprites2_test::WrittenBytes(flower),
      sprites2_test::WrittenBytes(discharge)};
  for (const std::vector<unsigned char>& bytes : records) {
    for (size_t length : {size_t(0), size_t(20), size_t(50), bytes.size() / 2, bytes.size() - 1}) {
      Reading reading(std::vector<unsigned char>(bytes.begin(), bytes.begin() + length));
      std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(reading.handle));
      EXPECT_EQ(nullptr, read.get()) << "length " << length << " of " << bytes.size();
    }
  }
}

}  // namespace
