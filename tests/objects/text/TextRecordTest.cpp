// Records of the text items: every version of the three classes read through the
// class registry, the writers' layout, the version-1 appearance values moved into
// the time line, cut records; the scroll arithmetic and the texture range.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "document/ClassRegistry.h"
#include "document/Item.h"
#include "document/StreamWriter.h"
#include "tests/objects/sprites/FXSpriteTestSupport.h"
#include "objects/text/TextObjects.h"
#include "render/TimeLine.h"

using fxsprites_test::Reading;
using fxsprites_test::WrittenBytes;

namespace {

const DS_FileKey kEffectKey(L"C:\\scene\\text.fx", 12);
const GUID kTextGuid = {0x1234ABCD, 0x0102, 0x0304, {0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C}};
// Appearance values of a version-1 record: fade-in, fade-out, shown, hidden.
typedef unsigned int Legacy[DS_StaticTextConstructor::kLegacyValueCount];
const Legacy kNoLegacy = {0, 0, 0, 0};

void SetText(DS_StaticTextConstructor& item) {
  item.TextOption1.SetValue(-7);
  item.TextOption2.SetValue(3);
  item.Text.SetValue(L"Hello, night");
  item.Font.Set(-24, 400, 1, L"Georgia");
  item.guid = kTextGuid;
  item.TextureTag = L"tag";
  item.TextureFlag = 0;
  item.position.SetValue(D3DXVECTOR3(320.0f, 200.0f, 0.0f));
  item.width.SetValue(300u);
  item.height.SetValue(40u);
  item.effectLink.StoreKey(kEffectKey);
  item.TimeLine().mode.SetValue(DS_TimeLineControl::kCycle);
}

// The text fields of `read` against SetText; `withGuid` for records that carry the
// GUID, tag and flag.
void ExpectText(const DS_StaticTextConstructor& read, bool withGuid) {
  EXPECT_EQ(-7, read.TextOption1.GetValue());
  EXPECT_EQ(3, read.TextOption2.GetValue());
  EXPECT_EQ(ds_string(L"Hello, night"), read.Text.GetValue());
  EXPECT_EQ(-24, read.Font.GetHeight());
  EXPECT_EQ(400, read.Font.GetWeight());
  EXPECT_EQ(1, read.Font.GetThird());
  EXPECT_EQ(ds_string(L"Georgia"), read.Font.GetFaceName());
  if (withGuid) {
    EXPECT_TRUE(IsEqualGUID(kTextGuid, read.guid));
    EXPECT_EQ(ds_string(L"tag"), read.TextureTag);
    EXPECT_EQ(0, read.TextureFlag);
  } else {
    EXPECT_FALSE(IsEqualGUID(kTextGuid, read.guid)) << "a record without a GUID keeps the item's own";
    EXPECT_TRUE(read.TextureTag.empty());
    EXPECT_EQ(1, read.TextureFlag);
  }
  // The base section lined up behind the text's own fields.
  EXPECT_EQ(D3DXVECTOR3(320.0f, 200.0f, 0.0f), read.position.GetValue());
  EXPECT_EQ(300u, read.width.GetValue());
  EXPECT_EQ(40u, read.height.GetValue());
  EXPECT_EQ(kEffectKey.path, read.effectLink.GetPath());
}

// The "DS_StaticTextConstructor" section laid out for `version`.
void WriteStaticSection(DS_IOF_W& w, const DS_StaticTextConstructor& item, int version, const Legacy& legacy) {
  WriteLevelHeader(w, L"DS_StaticTextConstructor", version);
  w.WriteLong(item.TextOption1.GetValue());
  w.WriteLong(item.TextOption2.GetValue());
  w.WriteString(item.Text.GetValue());
  item.Font.Write(w);
  if (version < 2) {
    for (unsigned int value : legacy) w.WriteUInt(value);
  }
  if (version > 2) {
    DS_IOF_Virtual::WriteGuid(w, item.guid);
    w.WriteString(item.TextureTag);
    w.WriteByte(item.TextureFlag);
  }
  item.DS_StatBaseFXCtrl::Write(w);
}

std::vector<unsigned char> StaticRecord(const DS_StaticTextConstructor& item, int version,
                                        const Legacy& legacy = kNoLegacy) {
  DS_IOF_W w;
  WriteStaticSection(w, item, version, legacy);
  return w.Bytes();
}

std::vector<unsigned char> ScrollingRecord(const DS_ScrollingTextConstructor& item, int version, int staticVersion) {
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_ScrollingTextConstructor", version);
  w.WriteUInt(item.ScrollPeriod.GetValue());
  w.WriteLong(item.ScrollDirection.GetValue());
  if (version > 1) {
    w.WriteFloat(item.TileHeight);
    w.WriteFloat(item.TileWidth);
  }
  WriteStaticSection(w, item, staticVersion, kNoLegacy);
  return w.Bytes();
}

std::vector<unsigned char> LinkRecord(const DS_TextLinkConstructor& item, int version) {
  DS_IOF_W w;
  WriteLevelHeader(w, L"DS_TextLinkConstructor", version);
  w.WriteUInt(item.LinkParam.GetValue());
  WriteStaticSection(w, item, DS_StaticTextConstructor::kRecordVersion, kNoLegacy);
  return w.Bytes();
}

// Reads one record through the class registry; the record must be read whole as T.
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

TEST(TextRecordTest, NewTextDefaults) {
  DS_StaticTextConstructor text;
  EXPECT_EQ(1, text.TimeLine().timeMode.GetValue());
  EXPECT_EQ(0x0000FFu, text.colour.GetValue()) << "red, in the low byte";
  EXPECT_EQ(32, text.Font.GetHeight());
  EXPECT_EQ(700, text.Font.GetWeight());
  EXPECT_EQ(0, text.Font.GetThird());
  EXPECT_EQ(ds_string(L"Arial"), text.Font.GetFaceName());
  EXPECT_TRUE(text.Text.GetValue().empty());
  EXPECT_EQ(1, text.TextureFlag);
  EXPECT_FALSE(IsEqualGUID(GUID(), text.guid));
  EXPECT_FALSE(IsEqualGUID(text.guid, DS_StaticTextConstructor().guid)) << "each text gets its own GUID";
  EXPECT_EQ(nullptr, text.GetTextTexture());

  DS_ScrollingTextConstructor scrolling;
  EXPECT_EQ(0.0f, scrolling.TileWidth);
  EXPECT_EQ(0.0f, scrolling.TileHeight);
  EXPECT_EQ(0.0f, scrolling.GetSecondPosition());
  EXPECT_FLOAT_EQ(1.0f / 3.0f, scrolling.GetFirstPosition());
  EXPECT_EQ(0.0f, scrolling.GetShift()[0]);
  EXPECT_EQ(0.0f, scrolling.GetShift()[1]);
}

TEST(TextRecordTest, StaticWriterLaysDownVersionThree) {
  DS_StaticTextConstructor text;
  SetText(text);
  EXPECT_EQ(StaticRecord(text, 3), WrittenBytes(text));
}

struct StaticVersionCase {
  int version;
  bool withGuid;
};

class StaticVersionTest : public ::testing::TestWithParam<StaticVersionCase> {};

TEST_P(StaticVersionTest, ReadsTheFieldsOfItsVersion) {
  DS_StaticTextConstructor written;
  SetText(written);
  const Legacy legacy = {30, 40, 500, 70};
  std::unique_ptr<DS_StaticTextConstructor> read =
      ReadBack<DS_StaticTextConstructor>(StaticRecord(written, GetParam().version, legacy));
  ASSERT_TRUE(read);
  ExpectText(*read, GetParam().withGuid);
}

INSTANTIATE_TEST_SUITE_P(Versions, StaticVersionTest,
                         ::testing::Values(StaticVersionCase{1, false}, StaticVersionCase{2, false},
                                           StaticVersionCase{3, true}));

TEST(TextRecordTest, StaticRoundTripWritesTheSameBytes) {
  DS_StaticTextConstructor written;
  SetText(written);
  std::unique_ptr<DS_StaticTextConstructor> read = ReadBack<DS_StaticTextConstructor>(WrittenBytes(written));
  ASSERT_TRUE(read);
  ExpectText(*read, true);
  EXPECT_EQ(DS_TimeLineControl::kCycle, read->TimeLine().mode.GetValue());
  EXPECT_EQ(WrittenBytes(written), WrittenBytes(*read));
}

// ---- version-1 appearance values ----

struct LegacyCase {
  const char* what;
  unsigned int legacy[4];
  int mode;
  unsigned int hiddenLo, hiddenHi, shownLo, shownHi, fadeIn, fadeOut;
};

class LegacyTimesTest : public ::testing::TestWithParam<LegacyCase> {};

TEST_P(LegacyTimesTest, MoveIntoTheTimeLine) {
  const LegacyCase& c = GetParam();
  DS_StaticTextConstructor written;
  SetText(written);
  // What the time line's own record holds; the old values replace it.
  DS_TimeLineControl& timeLine = written.TimeLine();
  timeLine.hidden.lo.SetValue(111u);
  timeLine.hidden.hi.SetValue(222u);
  timeLine.shown.lo.SetValue(333u);
  timeLine.shown.hi.SetValue(444u);
  timeLine.fadeIn.SetValue(55u);
  timeLine.fadeOut.SetValue(66u);
  const Legacy legacy = {c.legacy[0], c.legacy[1], c.legacy[2], c.legacy[3]};
  std::unique_ptr<DS_StaticTextConstructor> read = ReadBack<DS_StaticTextConstructor>(StaticRecord(written, 1, legacy));
  ASSERT_TRUE(read);
  const DS_TimeLineControl& got = read->TimeLine();
  EXPECT_EQ(c.mode, got.mode.GetValue()) << c.what;
  EXPECT_EQ(c.hiddenLo, got.hidden.lo.GetValue()) << c.what;
  EXPECT_EQ(c.hiddenHi, got.hidden.hi.GetValue()) << c.what;
  EXPECT_EQ(c.shownLo, got.shown.lo.GetValue()) << c.what;
  EXPECT_EQ(c.shownHi, got.shown.hi.GetValue()) << c.what;
  EXPECT_EQ(c.fadeIn, got.fadeIn.GetValue()) << c.what;
  EXPECT_EQ(c.fadeOut, got.fadeOut.GetValue()) << c.what;
  EXPECT_FLOAT_EQ(c.fadeIn * 0.01f, got.FadeInSeconds()) << c.what << ": the seconds follow";
  EXPECT_FLOAT_EQ(c.fadeOut * 0.01f, got.FadeOutSeconds()) << c.what << ": the seconds follow";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LegacyTimesTest,
    ::testing::Values(
        LegacyCase{"no shown length: always visible, nothing else changes",
                   {30, 40, 0, 70},
                   DS_TimeLineControl::kAlwaysVisible,
                   111,
                   222,
                   333,
                   444,
                   55,
                   66},
        LegacyCase{
            "shown 500: range of 50 both ways", {30, 40, 500, 70}, DS_TimeLineControl::kCycle, 7, 7, 50, 50, 3, 4},
        LegacyCase{"tenths are dropped", {39, 1999, 509, 5}, DS_TimeLineControl::kCycle, 0, 0, 50, 50, 3, 199}));

// ---- scrolling text and link ----

void SetScrolling(DS_ScrollingTextConstructor& item) {
  SetText(item);
  item.ScrollPeriod.SetValue(10u);
  item.ScrollDirection.SetValue(3);
  item.TileHeight = 20.0f;
  item.TileWidth = 150.0f;
}

TEST(TextRecordTest, ScrollingWriterLaysDownVersionTwo) {
  DS_ScrollingTextConstructor text;
  SetScrolling(text);
  EXPECT_EQ(ScrollingRecord(text, 2, 3), WrittenBytes(text));
}

struct ScrollingVersionCase {
  int version;
  int staticVersion;
  float tileHeight, tileWidth;
};

class ScrollingVersionTest : public ::testing::TestWithParam<ScrollingVersionCase> {};

TEST_P(ScrollingVersionTest, ReadsTheFieldsOfItsVersion) {
  const ScrollingVersionCase& c = GetParam();
  DS_ScrollingTextConstructor written;
  SetScrolling(written);
  std::unique_ptr<DS_ScrollingTextConstructor> read =
      ReadBack<DS_ScrollingTextConstructor>(ScrollingRecord(written, c.version, c.staticVersion));
  ASSERT_TRUE(read);
  EXPECT_EQ(10u, read->ScrollPeriod.GetValue());
  EXPECT_EQ(3, read->ScrollDirection.GetValue());
  EXPECT_EQ(c.tileHeight, read->TileHeight);
  EXPECT_EQ(c.tileWidth, read->TileWidth);
  ExpectText(*read, c.staticVersion > 2);
}

INSTANTIATE_TEST_SUITE_P(Versions, ScrollingVersionTest,
                         ::testing::Values(ScrollingVersionCase{1, 3, 0.0f, 0.0f},  // no tiles: both stay 0
                                           ScrollingVersionCase{1, 2, 0.0f, 0.0f},
                                           ScrollingVersionCase{2, 2, 20.0f, 150.0f},
                                           ScrollingVersionCase{2, 3, 20.0f, 150.0f}));

TEST(TextRecordTest, ScrollingRoundTripWritesTheSameBytes) {
  DS_ScrollingTextConstructor written;
  SetScrolling(written);
  std::unique_ptr<DS_ScrollingTextConstructor> read = ReadBack<DS_ScrollingTextConstructor>(WrittenBytes(written));
  ASSERT_TRUE(read);
  EXPECT_EQ(WrittenBytes(written), WrittenBytes(*read));
}

TEST(TextRecordTest, LinkReadsWhateverItsVersion) {
  DS_TextLinkConstructor written;
  SetText(written);
  written.LinkParam.SetValue(4242u);
  EXPECT_EQ(LinkRecord(written, 1), WrittenBytes(written));
  for (int version : {1, 0, 9}) {
    std::unique_ptr<DS_TextLinkConstructor> read = ReadBack<DS_TextLinkConstructor>(LinkRecord(written, version));
    ASSERT_TRUE(read) << "version " << version;
    EXPECT_EQ(4242u, read->LinkParam.GetValue()) << "version " << version;
    ExpectText(*read, true);
  }
}

TEST(TextRecordTest, ClonesCopyEveryField) {
  DS_ScrollingTextConstructor scrolling;
  SetScrolling(scrolling);
  std::unique_ptr<DS_ParticleSystemCtrl> copy(scrolling.Clone());
  auto* scrollingClone = dynamic_cast<DS_ScrollingTextConstructor*>(copy.get());
  ASSERT_NE(nullptr, scrollingClone);
  EXPECT_EQ(WrittenBytes(scrolling), WrittenBytes(*scrollingClone));

  DS_TextLinkConstructor link;
  SetText(link);
  link.LinkParam.SetValue(9u);
  std::unique_ptr<DS_ParticleSystemCtrl> linkCopy(link.Clone());
  auto* linkClone = dynamic_cast<DS_TextLinkConstructor*>(linkCopy.get());
  ASSERT_NE(nullptr, linkClone);
  EXPECT_EQ(WrittenBytes(link), WrittenBytes(*linkClone));

  DS_StaticTextConstructor text;
  SetText(text);
  std::unique_ptr<DS_ParticleSystemCtrl> textCopy(text.Clone());
  ASSERT_NE(nullptr, dynamic_cast<DS_StaticTextConstructor*>(textCopy.get()));
  EXPECT_EQ(WrittenBytes(text), WrittenBytes(*static_cast<DS_StaticTextConstructor*>(textCopy.get())));
}

// Every cut of every record layout fails the stream and gives no item.
TEST(TextRecordTest, EveryCutFailsCleanly) {
  DS_StaticTextConstructor text;
  SetText(text);
  DS_ScrollingTextConstructor scrolling;
  SetScrolling(scrolling);
  DS_TextLinkConstructor link;
  SetText(link);
  const Legacy legacy = {30, 40, 500, 70};
  const std::vector<std::vector<unsigned char>> records = {
      StaticRecord(text, 1, legacy),    StaticRecord(text, 2),   WrittenBytes(text), ScrollingRecord(scrolling, 1, 3),
      ScrollingRecord(scrolling, 1, 1), WrittenBytes(scrolling), WrittenBytes(link)};
  for (size_t r = 0; r < records.size(); ++r) {
    const std::vector<unsigned char>& full = records[r];
    for (size_t cut = 0; cut < full.size(); ++cut) {
      Reading reading(std::vector<unsigned char>(full.begin(), full.begin() + cut));
      std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(reading.handle));
      EXPECT_EQ(nullptr, read.get()) << "record " << r << " cut at " << cut << " of " << full.size();
      EXPECT_TRUE(reading.handle->Failed()) << "record " << r << " cut at " << cut;
    }
  }
}

// ---- scroll arithmetic ----

struct ShiftCase {
  float position;
  float shift;
};

TEST(ScrollTest, ShiftSweepsThreeUnitsPerPeriod) {
  const ShiftCase cases[] = {{0.0f, 1.0f},   {0.2f, -0.4f}, {0.5f, 0.5f},   {0.99f, 1.97f},      {-0.05f, 0.85f},
                             {-0.5f, -0.5f}, {1.5f, 0.5f},  {-1.5f, -0.5f}, {1.0f / 3.0f, 0.0f}, {2.0f, 1.0f}};
  for (const ShiftCase& c : cases) {
    EXPECT_NEAR(c.shift, DS_ScrollingTextConstructor::ShiftOf(c.position), 1e-5f) << "position " << c.position;
  }
}

struct RangeCase {
  const char* what;
  unsigned int extent;
  float tile;
  float range;
};

TEST(ScrollTest, TextureRangeIsExtentOverTile) {
  const float inf = std::numeric_limits<float>::infinity();
  const RangeCase cases[] = {
      {"three tiles", 300, 100.0f, 3.0f},
      {"half a tile", 50, 100.0f, 0.5f},
      {"tile 0 (a version-1 record)", 300, 0.0f, 1.0f},
      {"negative tile", 300, -20.0f, 1.0f},
      {"tile not a number", 300, std::numeric_limits<float>::quiet_NaN(), 1.0f},
      {"infinite tile", 300, inf, 1.0f},
      {"tile so small the range overflows", 300, std::numeric_limits<float>::denorm_min(), 1.0f},
  };
  for (const RangeCase& c : cases) {
    EXPECT_EQ(c.range, DS_ScrollingTextConstructor::TextureRange(c.extent, c.tile)) << c.what;
  }
}

// A text left scrolling all night keeps a position of less than one period, so the
// float still resolves a single step.
TEST(ScrollTest, PositionDropsWholePeriods) {
  for (int direction : {0, 1, 2, 3}) {
    DS_ScrollingTextConstructor text;
    text.ScrollPeriod.SetValue(1u);
    text.ScrollDirection.SetValue(direction);
    text.speed.SetValue(125u);  // a control step of 0.5 per frame of 0.2 s or more
    for (int frame = 1; frame <= 1001; ++frame) {
      text.UpdateTime(float(frame));
      text.StepScroll();
    }
    const float position = direction < 2 ? text.GetSecondPosition() : text.GetFirstPosition();
    // 1001 steps of 0.5, from 0 or from 1/3.
    const double exact = (direction % 2 == 0 ? 1.0 : -1.0) * 500.5 + (direction < 2 ? 0.0 : 1.0 / 3.0);
    const double fraction = exact - std::trunc(exact);
    EXPECT_LT(std::fabs(position), 1.0f) << "direction " << direction;
    EXPECT_NEAR(fraction, position, 1e-3) << "direction " << direction;
    const float shift = direction < 2 ? text.GetShift()[1] : text.GetShift()[0];
    EXPECT_NEAR(DS_ScrollingTextConstructor::ShiftOf(float(fraction)), shift, 3e-3) << "direction " << direction;
  }
}

}  // namespace
