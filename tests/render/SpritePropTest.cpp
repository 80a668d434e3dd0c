// Sprite properties: the record in all its versions, frames, and the time-line
// opacity applied to colours.

#include <gtest/gtest.h>

#include "render/SceneMapping.h"
#include "render/SpriteProp.h"
#include "render/TimeLine.h"
#include "ModelTestSupport.h"

namespace {

class SpriteProbe : public DS_BaseSpriteProp {
public:
  SpriteProbe() = default;
  SpriteProbe(const SpriteProbe& other) = default;
  DS_ABObj* CreateObject() override { return nullptr; }
};

// The item a record's base section is taken from.
class ViewBase : public DS_ViewObjCtrl {
public:
  DS_ABObj* CreateObject() override { return nullptr; }
};

DS_ResourceEntry MakeEntry(const wchar_t* name, const char* bytes, int32_t id, const wchar_t* module) {
  DS_ResourceEntry entry(id, module);
  entry.SetName(name);
  entry.SetData(static_cast<uint32_t>(strlen(bytes)), bytes);
  return entry;
}

const wchar_t* const kMainPath = L"C:\\pics\\star.png";
const int64_t kMainStamp = 1234567890123LL;
const wchar_t* const kSecondPath = L"common_res.dll";
const int64_t kSecondStamp = 2016;

// A "DS_BaseSpriteProp" record of the given version, laid out by hand.
std::vector<unsigned char> SpriteRecord(int version, unsigned int frameCount = 4) {
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_BaseSpriteProp", version);
  ViewBase base;
  base.speed.SetValue(90);  // a later sprite level may override it
  base.SetName(L"stars");
  base.Write(w);
  w.WriteUInt(7);  // sprite count
  if (version < 3) w.WriteUInt(75);
  w.WriteUInt(24);  // sprite size
  w.WriteUInt(50);  // transparency in percent
  w.WriteLong(1);   // additive
  w.WriteLong(0x00332211);
  for (float f : {0.5f, 0.2f, 0.9f, 0.8f, 1.5f}) w.WriteFloat(f);
  if (version == 1) {
    w.WriteInt(2);
    w.WriteEntry(MakeEntry(L"a.png", "AAAA", 0, L""));
    w.WriteEntry(MakeEntry(L"b.png", "BB", 0, L""));
    w.WriteEntry(MakeEntry(L"", "", 12, L"addon_001.dll"));
  } else {
    w.WriteString(kMainPath);
    w.WriteInt64(kMainStamp);
    w.WriteString(kSecondPath);
    w.WriteInt64(kSecondStamp);
  }
  w.WriteUInt(3);  // reserved count
  w.WriteFloat(0.25f);
  w.WriteUInt(frameCount);
  w.WriteFloat(12.0f);
  w.WriteByte(1);  // strip
  if (version == 1) {
    w.WriteInt(2);
    w.WriteFloat(0.1f);
    w.WriteFloat(0.3f);
    return w.Bytes();
  }
  if (version > 3) w.WriteInt(1);  // add-on
  if (version > 4) {
    w.WriteInt(1);
    w.WriteInt(1);
  }
  if (version > 5) w.WriteInt(1);
  if (version > 6) w.WriteUInt(250);
  return w.Bytes();
}

class SpritePropVersions : public ::testing::TestWithParam<int> {};

TEST_P(SpritePropVersions, ReadsItsLayout) {
  const int version = GetParam();
  ModelReading r(SpriteRecord(version));
  SpriteProbe item;
  item.ReadSection(r.handle);
  ASSERT_FALSE(r.handle->Failed());
  EXPECT_EQ(0u, r.buffer.BytesLeft()) << "the reader must consume exactly the record";

  EXPECT_EQ(L"stars", item.GetName());
  EXPECT_EQ(version < 3 ? 75u : 90u, item.speed.GetValue()) << "old records keep the clock speed here";
  EXPECT_EQ(7u, item.spriteCount.GetValue());
  EXPECT_EQ(7, item.GetParticleCount());
  EXPECT_EQ(24u, item.spriteSize.GetValue());
  EXPECT_EQ(50u, item.transparency.GetValue());
  EXPECT_EQ(127, item.GetOpacity()) << "the opacity byte must follow the transparency";
  EXPECT_EQ(1, item.additive.GetValue());
  EXPECT_EQ(0x00332211u, item.colour.GetValue());
  EXPECT_FLOAT_EQ(0.5f, item.twinkleRate);
  EXPECT_FLOAT_EQ(0.2f, item.twinkleMin);
  EXPECT_FLOAT_EQ(0.9f, item.twinkleMax);
  EXPECT_FLOAT_EQ(0.8f, item.sizeFactorMin);
  EXPECT_FLOAT_EQ(1.5f, item.sizeFactorMax);
  EXPECT_EQ(3u, item.reservedCount);
  EXPECT_FLOAT_EQ(0.25f, item.reservedRate);
  EXPECT_EQ(4u, item.frameCount);
  EXPECT_FLOAT_EQ(12.0f, item.frameRate);
  EXPECT_EQ(1, item.stripFlag);

  if (version == 1) {
    EXPECT_TRUE(item.mainImage.GetPath().empty()) << "links wait for the embedded images to be resolved";
    EXPECT_TRUE(item.secondImage.GetPath().empty());
    ASSERT_EQ(2u, item.embeddedImages.size());
    EXPECT_EQ(L"a.png", item.embeddedImages[0].Name());
    EXPECT_EQ(4u, item.embeddedImages[0].Size());
    EXPECT_EQ(0, memcmp("AAAA", item.embeddedImages[0].Data(), 4));
    EXPECT_EQ(L"b.png", item.embeddedImages[1].Name());
    EXPECT_EQ(12, item.embeddedSecondImage.ResourceId());
    EXPECT_EQ(L"addon_001.dll", item.embeddedSecondImage.ModuleName());
    ASSERT_EQ(2u, item.embeddedFrameTimes.size());
    EXPECT_FLOAT_EQ(0.1f, item.embeddedFrameTimes[0]);
    EXPECT_FLOAT_EQ(0.3f, item.embeddedFrameTimes[1]);
  } else {
    EXPECT_EQ(kMainPath, item.mainImage.GetPath());
    EXPECT_EQ(kMainStamp, item.mainImage.GetStamp());
    EXPECT_EQ(kSecondPath, item.secondImage.GetPath());
    EXPECT_EQ(kSecondStamp, item.secondImage.GetStamp());
    EXPECT_TRUE(item.embeddedImages.empty());
    EXPECT_TRUE(item.embeddedFrameTimes.empty());
  }
  EXPECT_EQ(version >= 4 ? 1 : 0, item.addOnFlag);
  EXPECT_EQ(version >= 5 ? 1 : 0, item.verticalFlip.GetValue());
  EXPECT_EQ(version >= 5 ? 1 : 0, item.horizontalFlip.GetValue());
  EXPECT_EQ(version >= 6 ? 1 : 0, item.staticFlag.GetValue());
  EXPECT_EQ(version >= 7 ? 250u : 100u, item.spriteClock.GetValue());
  EXPECT_FLOAT_EQ(version >= 7 ? 2.5f : 1.0f, item.spriteClock.GetSpeed());
}

TEST_P(SpritePropVersions, TruncatedRecordFails) {
  const std::vector<unsigned char> full = SpriteRecord(GetParam());
  for (size_t size = 1; size < full.size(); ++size) {  // an empty buffer has no cursor to fail
    ModelReading r(std::vector<unsigned char>(full.begin(), full.begin() + size));
    SpriteProbe item;
    item.ReadSection(r.handle);
    EXPECT_TRUE(r.handle->Failed()) << "version " << GetParam() << " cut to " << size << " of " << full.size();
  }
}

INSTANTIATE_TEST_SUITE_P(AllVersions, SpritePropVersions, ::testing::Range(1, 8));

TEST(SpriteProp, WriterProducesTheVersionSevenLayout) {
  const std::vector<unsigned char> bytes = SpriteRecord(7);
  ModelReading r(bytes);
  SpriteProbe item;
  item.ReadSection(r.handle);
  ASSERT_FALSE(r.handle->Failed());
  EXPECT_EQ(bytes, WrittenBytes(item));
}

TEST(SpriteProp, RoundTripOfEveryField) {
  SpriteProbe written;
  written.SetName(L"fish");
  written.relLeft = 0.25f;
  written.spriteCount.SetValue(12);
  written.spriteSize.SetValue(64);
  written.transparency.SetValue(100);
  written.additive.SetValue(1);
  written.colour.SetValue(0x00ABCDEF);
  written.twinkleRate = 3.0f;
  written.twinkleMin = 0.1f;
  written.twinkleMax = 0.7f;
  written.sizeFactorMin = 0.5f;
  written.sizeFactorMax = 2.0f;
  written.mainImage.StoreKey(DS_FileKey(L"D:\\fish.png", -5));
  written.secondImage.StoreKey(DS_FileKey(L"ADDON_002.DLL", 77));
  written.reservedCount = 9;
  written.reservedRate = 1.25f;
  written.frameCount = 6;
  written.frameRate = 24.0f;
  written.stripFlag = 1;
  written.addOnFlag = 1;
  written.verticalFlip.SetValue(1);
  written.horizontalFlip.SetValue(1);
  written.staticFlag.SetValue(1);
  written.spriteClock.SetValue(40);

  ModelReading r(WrittenBytes(written));
  SpriteProbe read;
  read.ReadSection(r.handle);
  ASSERT_FALSE(r.handle->Failed());
  EXPECT_EQ(0u, r.buffer.BytesLeft());
  EXPECT_EQ(L"fish", read.GetName());
  EXPECT_FLOAT_EQ(0.25f, read.relLeft);
  EXPECT_EQ(12u, read.spriteCount.GetValue());
  EXPECT_EQ(64u, read.spriteSize.GetValue());
  EXPECT_EQ(0, read.GetOpacity());
  EXPECT_EQ(1, read.additive.GetValue());
  EXPECT_EQ(0x00ABCDEFu, read.colour.GetValue());
  EXPECT_FLOAT_EQ(3.0f, read.twinkleRate);
  EXPECT_FLOAT_EQ(2.0f, read.sizeFactorMax);
  EXPECT_EQ(L"D:\\fish.png", read.mainImage.GetPath());
  EXPECT_EQ(-5, read.mainImage.GetStamp());
  EXPECT_EQ(L"ADDON_002.DLL", read.secondImage.GetPath());
  EXPECT_EQ(9u, read.reservedCount);
  EXPECT_EQ(6u, read.frameCount);
  EXPECT_FLOAT_EQ(24.0f, read.frameRate);
  EXPECT_EQ(1, read.addOnFlag);
  EXPECT_EQ(1, read.staticFlag.GetValue());
  EXPECT_FLOAT_EQ(0.4f, read.spriteClock.GetSpeed());
  EXPECT_EQ(WrittenBytes(written), WrittenBytes(read));
}

TEST(SpriteProp, FrameCountZeroReadsAsOne) {
  ModelReading r(SpriteRecord(7, 0));
  SpriteProbe item;
  item.ReadSection(r.handle);
  ASSERT_FALSE(r.handle->Failed());
  EXPECT_EQ(1u, item.frameCount);
  EXPECT_EQ(0, item.NextFrame(0));
  DS_TextureFrameInfo info;
  EXPECT_FLOAT_EQ(1.0f, item.GetTextureFrameInfo(info, 0).frameStep);
}

TEST(SpriteProp, FramesAndTextureInfo) {
  SpriteProbe item;
  item.frameCount = 4;
  item.addOnFlag = 1;
  const int frames[][2] = {{0, 1}, {2, 3}, {3, 0}, {-1, 0}};
  for (const auto& f : frames) EXPECT_EQ(f[1], item.NextFrame(f[0])) << "after frame " << f[0];
  DS_TextureFrameInfo info;
  DS_TextureFrameInfo& answer = item.GetTextureFrameInfo(info, 0);
  EXPECT_EQ(&info, &answer);
  EXPECT_EQ(&item.mainImage, info.imageLink);
  EXPECT_EQ(1, info.mode);
  EXPECT_EQ(0, info.reserved);
  EXPECT_FLOAT_EQ(0.25f, info.frameStep);
}

TEST(SpriteProp, TimelineAlphaScalesTheAlphaByte) {
  SpriteProbe item;
  DS_TimeLineControl& tl = item.TimeLine();
  struct Case {
    int mode;
    float wrapped;
    DWORD in, out;
  };
  const Case cases[] = {
      {DS_TimeLineControl::kAlwaysVisible, 0.0f, 0x80112233u, 0x80112233u},
      {DS_TimeLineControl::kWindows, 2.5f, 0x80112233u, 0x40112233u},
      {DS_TimeLineControl::kWindows, 2.5f, 0xFFFFFFFFu, 0x7FFFFFFFu},
      {DS_TimeLineControl::kWindows, 11.0f, 0xFF445566u, 0x00445566u},
  };
  tl.AddWindow({2.0f, 10.0f, 3.0f, 8.0f});
  for (const Case& c : cases) {
    tl.mode.SetValue(c.mode);
    tl.SetWrappedTime(c.wrapped);
    EXPECT_EQ(c.out, item.ApplyTimelineAlpha(c.in)) << std::hex << "colour 0x" << c.in << " mode " << c.mode;
  }
}

TEST(SpriteProp, CopyKeepsEveryFieldAndTheClocks) {
  SpriteProbe item;
  item.spriteCount.SetValue(5);
  item.transparency.SetValue(20);
  item.embeddedImages.push_back(MakeEntry(L"x.png", "XYZ", 0, L""));
  item.embeddedFrameTimes.push_back(0.5f);
  item.embeddedSecondImage = MakeEntry(L"", "", 3, L"common_res.dll");
  item.mainImage.StoreKey(DS_FileKey(L"m.png", 4));
  item.spriteClock.SetValue(200);
  item.spriteClock.Advance(0.1f);
  item.verticalFlip.SetValue(1);

  SpriteProbe copy(item);
  EXPECT_EQ(5u, copy.spriteCount.GetValue());
  EXPECT_EQ(item.GetOpacity(), copy.GetOpacity());
  ASSERT_EQ(1u, copy.embeddedImages.size());
  EXPECT_EQ(3u, copy.embeddedImages[0].Size());
  EXPECT_EQ(1u, copy.embeddedFrameTimes.size());
  EXPECT_EQ(3, copy.embeddedSecondImage.ResourceId());
  EXPECT_EQ(L"m.png", copy.mainImage.GetPath());
  EXPECT_FLOAT_EQ(2.0f, copy.spriteClock.GetSpeed());
  EXPECT_FLOAT_EQ(item.spriteClock.GetAccumulatedTime(), copy.spriteClock.GetAccumulatedTime());
  EXPECT_EQ(1, copy.verticalFlip.GetValue());
  EXPECT_NE(&item.TimeLine(), &copy.TimeLine());
}

}  // namespace
