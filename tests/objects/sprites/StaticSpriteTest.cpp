#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "document/ClassRegistry.h"
#include "document/Item.h"
#include "objects/sprites/SpriteParticle.h"
#include "objects/sprites/StaticSprite.h"
#include "render/ScreenQuad.h"
#include "Sprites2TestSupport.h"

namespace {

using sprites2_test::Reading;

void SetFields(DS_StatObjConstructor& item) {
  item.rectangle.Left().SetValue(10);
  item.rectangle.Right().SetValue(90);
  item.rectangle.Top().SetValue(20);
  item.rectangle.Bottom().SetValue(70);
  item.rectangle.Extra1().SetValue(50);
  item.rectangle.Extra2().SetValue(45);
  item.rotationAngle.SetValue(30);
  item.spriteSize.SetValue(64);
  item.verticalFlip.SetValue(1);
  item.horizontalFlip.SetValue(0);
}

void ExpectFields(const DS_StatObjConstructor& item, int verticalFlip, int horizontalFlip) {
  EXPECT_EQ(10, item.rectangle.Left().GetValue());
  EXPECT_EQ(90, item.rectangle.Right().GetValue());
  EXPECT_EQ(20, item.rectangle.Top().GetValue());
  EXPECT_EQ(70, item.rectangle.Bottom().GetValue());
  EXPECT_EQ(50, item.rectangle.Extra1().GetValue());
  EXPECT_EQ(45, item.rectangle.Extra2().GetValue());
  EXPECT_EQ(30u, item.rotationAngle.GetValue());
  EXPECT_EQ(64u, item.spriteSize.GetValue());
  EXPECT_EQ(verticalFlip, item.verticalFlip.GetValue());
  EXPECT_EQ(horizontalFlip, item.horizontalFlip.GetValue());
}

std::unique_ptr<DS_StatObjConstructor> ReadBack(const std::vector<unsigned char>& bytes) {
  Reading reading(bytes);
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(reading.handle));
  EXPECT_FALSE(reading.handle->Failed());
  EXPECT_EQ(0u, reading.handle->BytesLeft()) << "the reader left part of the record";
  DS_StatObjConstructor* read = dynamic_cast<DS_StatObjConstructor*>(item.get());
  EXPECT_NE(nullptr, read) << "read back as another class";
  if (!read) return nullptr;
  item.release();
  return std::unique_ptr<DS_StatObjConstructor>(read);
}

TEST(StaticSpriteRecordTest, CurrentVersionRoundTrips) {
  DS_StatObjConstructor written;
  SetFields(written);
  std::unique_ptr<DS_StatObjConstructor> read = ReadBack(sprites2_test::WrittenBytes(written));
  ASSERT_TRUE(read);
  ExpectFields(*read, 1, 0);
}

// Version 1 carries two flip flags after the rotation angle; the rest of the record
// must still line up (the sprite section that follows sets the flags again).
TEST(StaticSpriteRecordTest, VersionOneReadsItsFlipFlags) {
  DS_StatObjConstructor written;
  SetFields(written);
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_StatObjConstructor", 1);
  written.rectangle.Write(w);
  w.WriteUInt(written.rotationAngle.GetValue());
  w.WriteInt(0);
  w.WriteInt(1);
  written.DS_BaseSpriteProp::Write(w);
  std::unique_ptr<DS_StatObjConstructor> read = ReadBack(w.Bytes());
  ASSERT_TRUE(read);
  ExpectFields(*read, 1, 0);
}

TEST(StaticSpriteRecordTest, TruncatedRecordsGiveNoObject) {
  DS_StatObjConstructor written;
  SetFields(written);
  const std::vector<unsigned char> bytes = sprites2_test::WrittenBytes(written);
  for (size_t length : {size_t(0), size_t(30), size_t(60), bytes.size() - 1}) {
    Reading reading(std::vector<unsigned char>(bytes.begin(), bytes.begin() + length));
    std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(reading.handle));
    EXPECT_EQ(nullptr, read.get()) << "length " << length;
  }
}

TEST(StaticSpriteRecordTest, CloneKeepsItsOwnFields) {
  DS_StatObjConstructor item;
  SetFields(item);
  D3DXMatrixRotationZ(&item.rotation, 1.0f);
  std::unique_ptr<DS_ParticleSystemCtrl> copy(item.Clone());
  DS_StatObjConstructor* clone = dynamic_cast<DS_StatObjConstructor*>(copy.get());
  ASSERT_NE(nullptr, clone);
  ExpectFields(*clone, 1, 0);
  EXPECT_EQ(0, memcmp(&item.rotation, &clone->rotation, sizeof(D3DXMATRIX)));
}

struct PlaceCase {
  unsigned int angle;
  int left, right, top, bottom;
};

// Half extents 50 x 20 at (200, 100): the rectangle fits the turned sprite.
TEST(StaticSpriteTest, InitParticleFitsTheRectangleAroundTheTurnedSprite) {
  const PlaceCase cases[] = {
      {0, 150, 250, 80, 120},
      {90, 180, 220, 50, 150},
      {180, 150, 250, 80, 120},
  };
  for (const PlaceCase& c : cases) {
    DS_StatObjConstructor item;
    item.rectangle.Extra1().SetValue(200);
    item.rectangle.Extra2().SetValue(100);
    item.spriteSize.SetValue(100);
    item.rotationAngle.SetValue(c.angle);
    DS_SpriteParticle sprite;
    sprite.aspect = 0.4f;
    sprite.sizeFactor = 1.0f;
    item.InitParticle(sprite);
    EXPECT_FLOAT_EQ(200.0f, sprite.position.x);
    EXPECT_FLOAT_EQ(100.0f, sprite.position.y);
    EXPECT_FLOAT_EQ(50.0f, sprite.halfWidth);
    EXPECT_FLOAT_EQ(20.0f, sprite.halfHeight);
    // Truncation toward zero may take one pixel off where the turn is not exact.
    EXPECT_NEAR(c.left, item.rectangle.Left().GetValue(), 1) << "angle " << c.angle;
    EXPECT_NEAR(c.right, item.rectangle.Right().GetValue(), 1) << "angle " << c.angle;
    EXPECT_NEAR(c.top, item.rectangle.Top().GetValue(), 1) << "angle " << c.angle;
    EXPECT_NEAR(c.bottom, item.rectangle.Bottom().GetValue(), 1) << "angle " << c.angle;
    if (c.angle == 0) {
      EXPECT_EQ(c.left, item.rectangle.Left().GetValue());
      EXPECT_EQ(c.right, item.rectangle.Right().GetValue());
      EXPECT_EQ(c.top, item.rectangle.Top().GetValue());
      EXPECT_EQ(c.bottom, item.rectangle.Bottom().GetValue());
    }
    DS_ScreenQuad quad;
    item.GetScreenQuad(quad);
    EXPECT_FLOAT_EQ(float(item.rectangle.Left().GetValue()), quad.Left());
    EXPECT_FLOAT_EQ(float(item.rectangle.Right().GetValue()), quad.Right());
    EXPECT_FLOAT_EQ(float(item.rectangle.Top().GetValue()), quad.Top());
    EXPECT_FLOAT_EQ(float(item.rectangle.Bottom().GetValue()), quad.Bottom());
  }
}

TEST(StaticSpriteTest, ExtremeCentreAndSizeSaturateTheRectangle) {
  DS_StatObjConstructor item;
  item.rectangle.Extra1().SetValue(std::numeric_limits<int>::max());
  item.rectangle.Extra2().SetValue(std::numeric_limits<int>::min());
  item.spriteSize.SetValue(std::numeric_limits<unsigned int>::max());
  DS_SpriteParticle sprite;
  sprite.aspect = 1.0f;
  sprite.sizeFactor = 1.0f;
  item.InitParticle(sprite);
  EXPECT_EQ(std::numeric_limits<int>::max(), item.rectangle.Right().GetValue());
  EXPECT_EQ(std::numeric_limits<int>::min(), item.rectangle.Top().GetValue());
}

}  // namespace
