// The document stream: byte layouts of every element kind, the writer's length forms,
// and the reader's behaviour on truncated and hostile input.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes Units(std::initializer_list<wchar_t> units) {
  Bytes out;
  for (wchar_t u : units) {
    out.push_back(static_cast<unsigned char>(u & 0xFF));
    out.push_back(static_cast<unsigned char>(u >> 8));
  }
  return out;
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct StringCase {
  const char* name;
  Bytes bytes;
  size_t consumed;  // 0: the read must fail
  bool changes;
  ds_string expected;
};

class StringLayout : public ::testing::TestWithParam<StringCase> {};

TEST_P(StringLayout, ReadsAsStored) {
  const StringCase& c = GetParam();
  ds_string text = L"old";
  size_t consumed = ReadStringFromMemory(reinterpret_cast<const char*>(c.bytes.data()),
                                         c.bytes.size(), text);
  EXPECT_EQ(c.consumed, consumed);
  EXPECT_EQ(c.changes ? c.expected : ds_string(L"old"), text);

  // The same through the stream: the cursor advances by exactly the bytes consumed.
  ResourceBuffer buffer(c.bytes.data(), c.bytes.size());
  DS_IOF_R<ResourceBuffer> stream(&buffer);
  ds_string viaStream = L"old";
  stream.ReadString(viaStream);
  EXPECT_EQ(c.consumed == 0, stream.Failed());
  if (c.consumed) EXPECT_EQ(c.consumed, buffer.Offset());
  EXPECT_EQ(text, viaStream);
}

Bytes ThreeHundredUnits() {
  Bytes b = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x2C, 0x01, 0x00, 0x00};
  for (int i = 0; i < 300; ++i) {
    b.push_back('x');
    b.push_back(0);
  }
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Stream, StringLayout,
    ::testing::Values(
        StringCase{"EmptyShortForm", {0xFF, 0xFE, 0xFF, 0x00}, 4, false, L""},
        StringCase{"EmptyWordForm", {0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x00}, 6, false, L""},
        StringCase{"EmbeddedZeroCuts",
                   Cat({0xFF, 0xFE, 0xFF, 0x05}, Units({L'a', L'b', 0, L'c', L'd'})), 14, true,
                   L"ab"},
        StringCase{"WordForm", Cat({0xFF, 0xFE, 0xFF, 0xFF, 0x03, 0x00}, Units({L'x', L'y', L'z'})),
                   12, true, L"xyz"},
        StringCase{"DwordForm", ThreeHundredUnits(), 610, true, ds_string(300, L'x')},
        StringCase{"PrefixNotExamined", Cat({0x00, 0x00, 0x00, 0x03}, Units({L'a', L'b', L'c'})),
                   10, true, L"abc"},
        StringCase{"CutHeader", {0xFF, 0xFE, 0xFF}, 0, false, L""},
        StringCase{"CutWordLength", {0xFF, 0xFE, 0xFF, 0xFF, 0x03}, 0, false, L""},
        StringCase{"CutUnits", Cat({0xFF, 0xFE, 0xFF, 0x03}, Units({L'a', L'b'})), 0, false, L""},
        StringCase{"HugeLength", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0},
                   0, false, L""}),
    [](const ::testing::TestParamInfo<StringCase>& info) { return std::string(info.param.name); });

TEST(Stream, WriterChoosesShortestLengthForm) {
  struct {
    size_t units;
    size_t header;
  } cases[] = {{0, 4}, {254, 4}, {255, 6}, {65534, 6}, {65535, 10}, {70000, 10}};
  for (const auto& c : cases) {
    DS_IOF_W w;
    ds_string text(c.units, L'q');
    w.WriteString(text);
    ASSERT_EQ(c.header + 2 * c.units, w.Bytes().size()) << c.units << " units";
    ResourceBuffer buffer(w.Bytes().data(), w.Bytes().size());
    DS_IOF_R<ResourceBuffer> r(&buffer);
    ds_string back;
    r.ReadString(back);
    EXPECT_FALSE(r.Failed());
    EXPECT_EQ(text, back) << c.units << " units";
    EXPECT_EQ(0u, buffer.BytesLeft());
  }
}

TEST(Stream, ScalarLayouts) {
  DS_IOF_W w;
  w.WriteInt(-2);
  w.WriteUInt(0x80000001u);
  w.WriteLong(-3);
  w.WriteFloat(1.5f);
  w.WriteInt64(-0x123456789LL);
  POINT p = {-7, 9};
  w.WritePoint(p);
  w.WriteBool(true);
  w.WriteByte(0xAB);
  const Bytes expected = {0xFE, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x80, 0xFD, 0xFF, 0xFF, 0xFF,
                          0x00, 0x00, 0xC0, 0x3F, 0x77, 0x98, 0xBA, 0xDC, 0xFE, 0xFF, 0xFF, 0xFF,
                          0xF9, 0xFF, 0xFF, 0xFF, 0x09, 0x00, 0x00, 0x00, 0x01, 0xAB};
  EXPECT_EQ(expected, w.Bytes());

  ResourceBuffer buffer(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  int i = 0;
  unsigned int u = 0;
  long l = 0;
  float f = 0;
  int64_t i64 = 0;
  POINT q = {};
  bool b = false;
  unsigned char byte = 0;
  r.ReadInt(i);
  r.ReadUInt(u);
  r.ReadLong(l);
  r.ReadFloat(f);
  r.ReadInt64(i64);
  r.ReadPoint(q);
  r.ReadBool(b);
  r.ReadByte(byte);
  EXPECT_FALSE(r.Failed());
  EXPECT_EQ(-2, i);
  EXPECT_EQ(0x80000001u, u);
  EXPECT_EQ(-3, l);
  EXPECT_EQ(1.5f, f);
  EXPECT_EQ(-0x123456789LL, i64);
  EXPECT_EQ(-7, q.x);
  EXPECT_EQ(9, q.y);
  EXPECT_TRUE(b);
  EXPECT_EQ(0xAB, byte);
}

TEST(Stream, AnyNonZeroBoolIsTrue) {
  const Bytes bytes = {0x02, 0x00};
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  bool a = false, b = true;
  r.ReadBool(a);
  r.ReadBool(b);
  EXPECT_TRUE(a);
  EXPECT_FALSE(b);
}

TEST(Stream, EntryRoundTripAndLayout) {
  DS_ResourceEntry entry(42, L"common_res.dll");
  entry.SetName(L"c:\\pics\\a.png");
  const unsigned char data[] = {1, 2, 3};
  entry.SetData(3, data);

  DS_IOF_W w;
  w.WriteEntry(entry);
  // int32 id; module string; int32 size; bytes; name string.
  ASSERT_EQ(4u + (4 + 2 * 14) + 4 + 3 + (4 + 2 * 13), w.Bytes().size());
  EXPECT_EQ(42, w.Bytes()[0]);

  ResourceBuffer buffer(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  DS_ResourceEntry back;
  ReadResourceEntry(r, back);
  EXPECT_FALSE(r.Failed());
  EXPECT_EQ(42, back.ResourceId());
  EXPECT_EQ(L"common_res.dll", back.ModuleName());
  EXPECT_EQ(L"c:\\pics\\a.png", back.Name());
  ASSERT_EQ(3u, back.Size());
  EXPECT_EQ(0, std::memcmp(data, back.Data(), 3));
}

TEST(Stream, ZeroSizeBlocksHoldNoBytes) {
  DS_IOF_W w;
  DS_NamedBuffer empty;
  empty.SetName(L"BUFFER");
  w.WriteNamedBuffer(empty);
  w.WriteEntry(DS_ResourceEntry(7, L""));

  ResourceBuffer buffer(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  // Targets that already hold a block: a zero size leaves no block behind.
  DS_NamedBuffer named;
  named.SetName(L"BUFFER");
  const unsigned char old[] = {9, 9};
  named.SetData(2, old);
  r.ReadNamedBuffer(named);
  EXPECT_EQ(nullptr, named.Data());
  EXPECT_EQ(0u, named.Size());
  EXPECT_EQ(L"BUFFER", named.Name());

  DS_ResourceEntry entry;
  entry.SetData(2, old);
  r.ReadEntry(entry);
  EXPECT_EQ(nullptr, entry.Data());
  EXPECT_EQ(7, entry.ResourceId());
  EXPECT_FALSE(r.Failed());
}

TEST(Stream, VectorsRoundTrip) {
  DS_IOF_W w;
  WriteFloatVector(w, {1.0f, -2.5f});
  std::vector<DS_ResourceEntry> entries(2);
  entries[0].SetName(L"one");
  entries[1] = DS_ResourceEntry(5, L"m.dll");
  WriteEntryVector(w, entries);

  ResourceBuffer buffer(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  std::vector<float> floats = {9.0f};
  ReadFloatVectorFromStream(r, floats);  // appends
  std::vector<DS_ResourceEntry> back;
  ReadEntryVector(r, back);
  EXPECT_FALSE(r.Failed());
  EXPECT_EQ((std::vector<float>{9.0f, 1.0f, -2.5f}), floats);
  ASSERT_EQ(2u, back.size());
  EXPECT_EQ(L"one", back[0].Name());
  EXPECT_EQ(5, back[1].ResourceId());
  EXPECT_EQ(L"m.dll", back[1].ModuleName());

  // The buffer forms resize to the stored count.
  ResourceBuffer again(w.Bytes().data(), w.Bytes().size());
  std::vector<float> resized = {7.0f, 7.0f, 7.0f};
  ReadFloatVector(again, resized);
  EXPECT_EQ((std::vector<float>{1.0f, -2.5f}), resized);
  std::vector<DS_ResourceEntry> fromBuffer;
  ReadEntryVectorFromBuffer(again, fromBuffer);
  EXPECT_EQ(2u, fromBuffer.size());
  EXPECT_FALSE(again.Failed());
}

TEST(Stream, GuidRoundTrip) {
  const GUID guid = {0x12345678, 0x9ABC, 0xDEF0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
  DS_IOF_W w;
  DS_IOF_Virtual::WriteGuid(w, guid);
  ResourceBuffer buffer(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  ds_string text;
  r.ReadString(text);
  EXPECT_EQ(L"{12345678-9ABC-DEF0-0123-456789ABCDEF}", text);

  ResourceBuffer again(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r2(&again);
  GUID back = {};
  DS_IOF_Virtual::ReadGuid(r2, back);
  EXPECT_EQ(0, std::memcmp(&guid, &back, sizeof(GUID)));
}

TEST(Stream, MalformedGuidTextLeavesTargetUnchanged) {
  const GUID original = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  const wchar_t* texts[] = {L"", L"Scripting.FileSystemObject",
                            L"{12345678-9ABC-DEF0-0123-456789ABCDEG}",
                            L"{12345678-9ABC-DEF0-0123-456789ABCDEF",
                            L"12345678-9ABC-DEF0-0123-456789ABCDEF00",
                            L"{12345678+9ABC-DEF0-0123-456789ABCDEF}"};
  for (const wchar_t* text : texts) {
    DS_IOF_W w;
    w.WriteString(text);
    ResourceBuffer buffer(w.Bytes().data(), w.Bytes().size());
    DS_IOF_R<ResourceBuffer> r(&buffer);
    GUID guid = original;
    DS_IOF_Virtual::ReadGuid(r, guid);
    EXPECT_EQ(0, std::memcmp(&original, &guid, sizeof(GUID))) << "text: " << ds_string(text).size();
  }
}

// A stream of several kinds of element, as a document record would hold them.
Bytes SampleStream() {
  DS_IOF_W w;
  w.WriteString(L"DS_SlideContainer");
  w.WriteInt(4);
  w.WriteFloat(0.25f);
  DS_ResourceEntry entry(3, L"mod.dll");
  const unsigned char data[40] = {};
  entry.SetData(40, data);
  w.WriteEntry(entry);
  WriteFloatVector(w, {1, 2, 3, 4});
  std::vector<DS_ResourceEntry> entries(3);
  entries[1].SetName(L"pic.png");
  entries[1].SetData(40, data);
  WriteEntryVector(w, entries);
  w.WriteString(ds_string(300, L'z'));
  w.WriteInt64(77);
  return w.Bytes();
}

void ReadSample(DS_IOF_Virtual& r) {
  ds_string name;
  int version = 0;
  float f = 0;
  DS_ResourceEntry entry;
  std::vector<float> floats;
  std::vector<DS_ResourceEntry> entries;
  ds_string longText;
  int64_t stamp = 0;
  r.ReadString(name);
  r.ReadInt(version);
  r.ReadFloat(f);
  ReadResourceEntry(r, entry);
  ReadFloatVectorFromStream(r, floats);
  ReadEntryVector(r, entries);
  r.ReadString(longText);
  r.ReadInt64(stamp);
  // Nothing read may ever be larger than the stream itself.
  EXPECT_LE(entry.Size(), 40u);
  EXPECT_LE(floats.size(), 4u);
  EXPECT_LE(entries.size(), 3u);
  EXPECT_LE(longText.size(), 300u);
}

TEST(Stream, EveryTruncationFailsCleanly) {
  const Bytes full = SampleStream();
  {
    ResourceBuffer buffer(full.data(), full.size());
    DS_IOF_R<ResourceBuffer> r(&buffer);
    ReadSample(r);
    ASSERT_FALSE(r.Failed());
    ASSERT_EQ(0u, buffer.BytesLeft());
  }
  for (size_t cut = 0; cut < full.size(); ++cut) {
    // A copy of exactly `cut` bytes, so reading past it would touch foreign memory.
    Bytes part(full.begin(), full.begin() + cut);
    static const unsigned char kNothing = 0;
    ResourceBuffer buffer(cut ? part.data() : &kNothing, part.size());
    DS_IOF_R<ResourceBuffer> r(&buffer);
    ReadSample(r);
    EXPECT_TRUE(r.Failed()) << "cut at " << cut;
  }
}

TEST(Stream, HostileLengthsAndCounts) {
  // A string claiming 0xFFFFFFFF units with a few bytes behind it.
  {
    const Bytes bytes = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0, 'b', 0};
    ResourceBuffer buffer(bytes.data(), bytes.size());
    DS_IOF_R<ResourceBuffer> r(&buffer);
    ds_string text = L"kept";
    r.ReadString(text);
    EXPECT_TRUE(r.Failed());
    EXPECT_EQ(L"kept", text);
  }
  // A negative block size.
  {
    DS_IOF_W w;
    w.WriteInt(-5);
    w.WriteInt(0);
    ResourceBuffer buffer(w.Bytes().data(), w.Bytes().size());
    DS_IOF_R<ResourceBuffer> r(&buffer);
    DS_NamedBuffer named;
    r.ReadNamedBuffer(named);
    EXPECT_TRUE(r.Failed());
    EXPECT_EQ(nullptr, named.Data());
  }
  // A vector count of 0x7FFFFFFF with 8 bytes left.
  {
    DS_IOF_W w;
    w.WriteInt(0x7FFFFFFF);
    w.WriteFloat(1);
    w.WriteFloat(2);
    ResourceBuffer buffer(w.Bytes().data(), w.Bytes().size());
    DS_IOF_R<ResourceBuffer> r(&buffer);
    std::vector<float> floats;
    ReadFloatVectorFromStream(r, floats);
    EXPECT_TRUE(r.Failed());
    EXPECT_TRUE(floats.empty());

    ResourceBuffer again(w.Bytes().data(), w.Bytes().size());
    std::vector<DS_ResourceEntry> entries;
    ReadEntryVectorFromBuffer(again, entries);
    EXPECT_TRUE(again.Failed());
    EXPECT_TRUE(entries.empty());
  }
  // A negative entry count.
  {
    DS_IOF_W w;
    w.WriteInt(-1);
    ResourceBuffer buffer(w.Bytes().data(), w.Bytes().size());
    DS_IOF_R<ResourceBuffer> r(&buffer);
    std::vector<DS_ResourceEntry> entries;
    ReadEntryVector(r, entries);
    EXPECT_TRUE(r.Failed());
  }
}

TEST(Stream, FailureIsSticky) {
  const Bytes bytes = {1, 0, 0, 0, 2, 0};
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  int a = 0, b = 99;
  unsigned char c = 42;
  r.ReadInt(a);
  r.ReadInt(b);  // two bytes left: fails
  r.ReadByte(c);  // would fit, but the stream has failed
  EXPECT_EQ(1, a);
  EXPECT_EQ(99, b);
  EXPECT_EQ(42, c);
  EXPECT_TRUE(r.Failed());
}

TEST(Stream, ReadsFromNoMemoryFailTheStream) {
  const Bytes empty;
  ResourceBuffer unset;
  ResourceBuffer fromEmpty(empty.data(), empty.size());
  for (ResourceBuffer* buffer : {&unset, &fromEmpty}) {
    DS_IOF_R<ResourceBuffer> r(buffer);
    int value = 5;
    r.ReadInt(value);
    EXPECT_EQ(5, value);
    EXPECT_TRUE(r.Failed());
  }
}

TEST(NamedBuffer, CopyAndRename) {
  DS_NamedBuffer a;
  a.SetName(L"a");
  const unsigned char data[] = {1, 2};
  a.SetData(2, data);
  DS_NamedBuffer b = a;
  ASSERT_NE(a.Data(), b.Data());
  EXPECT_EQ(0, std::memcmp(a.Data(), b.Data(), 2));
  b.SetName(L"a");  // the same name keeps the bytes
  EXPECT_EQ(2u, b.Size());
  b.SetName(L"b");  // a new name drops them
  EXPECT_EQ(0u, b.Size());
  EXPECT_EQ(nullptr, b.Data());
  DS_NamedBuffer none;
  DS_NamedBuffer copy = none;
  EXPECT_EQ(nullptr, copy.Data());
}

}  // namespace
