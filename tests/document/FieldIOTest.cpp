// One field list serving the reader and the writer of a record: the writer writes
// what the stream's own writes would, fields of old records are read but never
// written, and a record cut short keeps the values it did not reach.

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "document/CompositeParams.h"
#include "document/FieldIO.h"
#include "document/FileLink.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"

namespace {

// A level of a record as a scene class writes one: version 2 dropped a field that
// version 1 records still hold between the others.
struct SampleLevel {
  static constexpr int kRecordVersion = 2;

  MediaParamT<unsigned int> count{0u};
  MediaParamT<int> mode{0};  // stored as a long
  MediaParamT<unsigned long> colour{0ul};
  MediaParamT<D3DXVECTOR3> position;
  MediaColor tint;
  ds_string name;

  template <class IO>
  void Fields(IO& io, int version, unsigned int& dropped) {
    io.UInt(count);
    if (version < 2) io.UInt(dropped);
    io.Long(mode);
    io.Colour(colour);
    io.Vector(position);
    io.Field(tint);
    io.String(name);
  }
};

SampleLevel FilledLevel() {
  SampleLevel level;
  level.count.StoreValue(7);
  level.mode.StoreValue(-3);
  level.colour.StoreValue(0xFF8040u);
  level.position.StoreValue(D3DXVECTOR3(1.5f, -2.0f, 4.0f));
  level.tint.StoreValue(0x102030u);
  level.tint.Opacity().StoreValue(40);
  level.name = L"bolt";
  return level;
}

std::vector<unsigned char> Written(const SampleLevel& level) {
  DS_IOF_W stream;
  unsigned int dropped = 99;
  WriteFields(stream, level, SampleLevel::kRecordVersion, dropped);
  return stream.Bytes();
}

TEST(FieldIO, WritesWhatTheStreamsOwnWritesWould) {
  const SampleLevel level = FilledLevel();
  DS_IOF_W expected;
  expected.WriteUInt(7);
  expected.WriteLong(-3);
  expected.WriteInt(0xFF8040);
  expected.WriteFloat(1.5f);
  expected.WriteFloat(-2.0f);
  expected.WriteFloat(4.0f);
  level.tint.WriteField(expected);
  expected.WriteString(L"bolt");
  EXPECT_EQ(Written(level), expected.Bytes()) << "the dropped field is never written";
}

TEST(FieldIO, ReadsBackWhatItWrote) {
  std::vector<unsigned char> bytes = Written(FilledLevel());
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> stream(&buffer);
  SampleLevel read;
  unsigned int dropped = 0;
  ReadFields(stream, read, SampleLevel::kRecordVersion, dropped);
  EXPECT_FALSE(stream.Failed());
  EXPECT_EQ(buffer.BytesLeft(), 0u);
  EXPECT_EQ(read.count.GetValue(), 7u);
  EXPECT_EQ(read.mode.GetValue(), -3);
  EXPECT_EQ(read.colour.GetValue(), 0xFF8040ul);
  EXPECT_EQ(read.position.GetValue(), D3DXVECTOR3(1.5f, -2.0f, 4.0f));
  EXPECT_EQ(read.tint.GetValue(), 0x102030ul);
  EXPECT_EQ(read.tint.GetTransparency(), 40u);
  EXPECT_EQ(read.name, L"bolt");
  EXPECT_EQ(dropped, 0u) << "a current record holds no dropped field";
}

TEST(FieldIO, AnOldRecordGivesItsDroppedFieldToTheReader) {
  DS_IOF_W old;
  old.WriteUInt(5);
  old.WriteUInt(1234);  // the field version 2 dropped
  old.WriteLong(2);
  std::vector<unsigned char> bytes = old.Bytes();
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> stream(&buffer);
  SampleLevel read = FilledLevel();
  unsigned int dropped = 0;
  ReadFields(stream, read, 1, dropped);
  EXPECT_EQ(read.count.GetValue(), 5u);
  EXPECT_EQ(dropped, 1234u);
  EXPECT_EQ(read.mode.GetValue(), 2);
  // The record ends there: the stream fails and the fields after keep their values.
  EXPECT_TRUE(stream.Failed());
  EXPECT_EQ(read.colour.GetValue(), 0xFF8040ul);
  EXPECT_EQ(read.name, L"bolt");
}

// A level with a file link and a part that encodes itself whole.
struct LinkedLevel {
  DS_FileLink3 link;
  MediaQuad region;
  MediaParamT<unsigned int> after{0u};

  template <class IO>
  void Fields(IO& io, int) {
    io.Link(link);
    io.Part(region);
    io.UInt(after);
  }
};

TEST(FieldIO, LinksAndWholePartsKeepTheirOwnEncoding) {
  LinkedLevel level;
  level.link.StoreKey(DS_FileKey(L"clouds.png", 0x123456789ll));
  level.region.SetFromCentre(D3DXVECTOR3(10.0f, 20.0f, 0.0f), 8.0f, 4.0f);
  level.after.StoreValue(3);
  DS_IOF_W written;
  WriteFields(written, level, 1);
  DS_IOF_W expected;
  DS_FileLink3::WriteField(expected, level.link);
  level.region.Write(expected);
  expected.WriteUInt(3);
  ASSERT_EQ(written.Bytes(), expected.Bytes());

  std::vector<unsigned char> bytes = written.Bytes();
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> stream(&buffer);
  LinkedLevel read;
  ReadFields(stream, read, 1);
  EXPECT_FALSE(stream.Failed());
  EXPECT_EQ(buffer.BytesLeft(), 0u);
  EXPECT_EQ(read.link.GetKey(), level.link.GetKey());
  for (int k = 0; k < MediaQuad::kCornerCount; ++k) {
    EXPECT_EQ(read.region.Corner(k).GetValue(), level.region.Corner(k).GetValue()) << "corner " << k;
  }
  EXPECT_EQ(read.after.GetValue(), 3u);
}

// A level with the kinds that convert on the way or repeat: ints stored as a long and
// unsigned, a flag as a byte, a colour as a long, text read whole, a link, a rectangle
// part and two counted lists.
struct ConvertingLevel {
  static constexpr int kRecordVersion = 1;

  int height = 0;
  int weight = 0;
  bool shown = false;
  MediaParamT<unsigned long> colour{0ul};
  ds_string title = L"untitled";
  MediaParamT<ds_string> label{ds_string(L"unlabelled")};
  DS_FileLink3 link;
  MediaRectangle rect;
  std::vector<D3DXVECTOR2> points;
  std::vector<float> weights;

  template <class IO>
  void Fields(IO& io, int version) {
    io.Long(height);
    io.UInt(weight);
    io.Flag(shown);
    io.LongColour(colour);
    io.Text(title);
    io.Text(label);
    io.Link(link);
    rect.Fields(io);
    io.List(points, 8, [](IO& item, D3DXVECTOR2& point) { item.Vector(point); });
    io.UIntList(weights, 4, [](IO& item, float& value) { item.Float(value); });
  }
};

ConvertingLevel FilledConvertingLevel() {
  ConvertingLevel level;
  level.height = -12;
  level.weight = 700;
  level.shown = true;
  level.colour.StoreValue(0xFFEEDDu);
  level.title = L"";
  level.label.StoreValue(L"");
  level.link = DS_FileLink3(DS_FileKey(L"sky.png", 42));
  level.rect.Left().StoreValue(-5);
  level.rect.Bottom().StoreValue(9);
  level.points = {D3DXVECTOR2(1.0f, 2.0f), D3DXVECTOR2(-3.0f, 4.5f)};
  level.weights = {0.25f};
  return level;
}

std::vector<unsigned char> WrittenConverting(const ConvertingLevel& level) {
  DS_IOF_W stream;
  WriteFields(stream, level, ConvertingLevel::kRecordVersion);
  return stream.Bytes();
}

TEST(FieldIO, ConvertingKindsWriteWhatTheStreamsOwnWritesWould) {
  const ConvertingLevel level = FilledConvertingLevel();
  DS_IOF_W expected;
  expected.WriteLong(-12);
  expected.WriteUInt(700);
  expected.WriteByte(1);
  expected.WriteLong(0xFFEEDD);
  expected.WriteString(L"");
  expected.WriteString(L"");
  DS_FileLink3::WriteField(expected, level.link);
  level.rect.Write(expected);
  expected.WriteInt(2);
  for (float value : {1.0f, 2.0f, -3.0f, 4.5f}) expected.WriteFloat(value);
  expected.WriteUInt(1);
  expected.WriteFloat(0.25f);
  EXPECT_EQ(WrittenConverting(level), expected.Bytes());
}

TEST(FieldIO, ConvertingKindsReadBackAndTextIsReadWhole) {
  std::vector<unsigned char> bytes = WrittenConverting(FilledConvertingLevel());
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> stream(&buffer);
  ConvertingLevel read;
  read.points.push_back(D3DXVECTOR2(7.0f, 7.0f));
  ReadFields(stream, read, ConvertingLevel::kRecordVersion);
  EXPECT_FALSE(stream.Failed());
  EXPECT_EQ(buffer.BytesLeft(), 0u);
  EXPECT_EQ(read.height, -12);
  EXPECT_EQ(read.weight, 700);
  EXPECT_TRUE(read.shown);
  EXPECT_EQ(read.colour.GetValue(), 0xFFEEDDul);
  EXPECT_EQ(read.title, L"") << "an empty stored text empties the target";
  EXPECT_EQ(read.label.GetValue(), L"");
  EXPECT_EQ(read.link.GetPath(), L"sky.png");
  EXPECT_EQ(read.link.GetStamp(), 42);
  EXPECT_EQ(read.rect.Left().GetValue(), -5);
  EXPECT_EQ(read.rect.Bottom().GetValue(), 9);
  ASSERT_EQ(read.points.size(), 3u) << "reading appends to the list";
  EXPECT_EQ(read.points[2], D3DXVECTOR2(-3.0f, 4.5f));
  ASSERT_EQ(read.weights.size(), 1u);
  EXPECT_EQ(read.weights[0], 0.25f);
}

TEST(FieldIO, ACountTheRecordCannotHoldFailsTheStreamAndReadsNoItem) {
  for (int count : {-1, 3, std::numeric_limits<int>::max()}) {
    DS_IOF_W written;
    written.WriteInt(count);
    written.WriteFloat(1.0f);
    written.WriteFloat(2.0f);
    std::vector<unsigned char> bytes = written.Bytes();
    ResourceBuffer buffer(bytes.data(), bytes.size());
    DS_IOF_R<ResourceBuffer> stream(&buffer);
    DS_FieldReader io(stream);
    std::vector<D3DXVECTOR2> points;
    io.List(points, 8, [](DS_FieldReader& item, D3DXVECTOR2& point) { item.Vector(point); });
    EXPECT_TRUE(stream.Failed()) << count;
    EXPECT_TRUE(points.empty()) << count;
  }
}

}  // namespace
