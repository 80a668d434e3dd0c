#pragma once
// One field list for each class level of a record. A level names its fields once, in
// a member template
//
//   template <class IO> void Fields(IO& io, int version);
//
// and its reader and its writer both run that list: DS_FieldReader reads each field
// from the document, DS_FieldWriter writes it, so the two cannot disagree on the order
// or the encoding of a field. `version` is the version of the record being read, or
// the one being written (the current one): fields that only older records hold stand
// behind a version test and are never written. What a reader does after the fields
// (turning old values into new ones, notifying derived values) stays in Read.
//
// Parameters are read raw, stored without notifying their controls, as every reader
// of the document does; a parameter that encodes itself (ReadField/WriteField) is
// passed to Field.

#include <windows.h>
#include <d3dx9math.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "document/FileLink.h"
#include "document/MediaParam.h"
#include "document/ResourceEntry.h"
#include "document/Stream.h"

class DS_FieldReader {
public:
  static constexpr bool kReading = true;

  explicit DS_FieldReader(DS_IOF_Virtual& stream) : m_stream(stream) {}
  DS_IOF_Virtual& Stream() const { return m_stream; }

  void UInt(unsigned int& value) { m_stream.ReadUInt(value); }
  void Int(int& value) { m_stream.ReadInt(value); }
  void Long(long& value) { m_stream.ReadLong(value); }
  void Int64(int64_t& value) { m_stream.ReadInt64(value); }
  void Float(float& value) { m_stream.ReadFloat(value); }
  void Bool(bool& value) { m_stream.ReadBool(value); }
  void Byte(unsigned char& value) { m_stream.ReadByte(value); }
  // The stream leaves the target unchanged for an empty stored string; Text reads the
  // string whole, so that an empty stored one empties it.
  void String(ds_string& text) { m_stream.ReadString(text); }
  void Text(ds_string& text) {
    ds_string read;
    m_stream.ReadString(read);
    text = read;
  }
  void Point(POINT& value) { m_stream.ReadPoint(value); }
  // An int that the record stores as a long, or unsigned.
  void Long(int& value) { ReadInto<long>(value); }
  void UInt(int& value) { ReadInto<unsigned int>(value); }
  // A flag that the record stores as a byte, 0 or 1.
  void Flag(bool& value) {
    unsigned char stored = value ? 1 : 0;
    m_stream.ReadByte(stored);
    value = stored != 0;
  }
  // Vectors as their floats, x first.
  void Vector(D3DXVECTOR2& value) { ReadFloats(&value.x, 2); }
  void Vector(D3DXVECTOR3& value) { ReadFloats(&value.x, 3); }
  // A fresh entry: nothing of what the target held before survives the read.
  void Entry(DS_ResourceEntry& entry) { ReadResourceEntry(m_stream, entry); }
  void NamedBuffer(DS_NamedBuffer& buffer) { m_stream.ReadNamedBuffer(buffer); }
  // Text that is not a well-formed GUID leaves `guid` as it was.
  void Guid(GUID& guid) { DS_IOF_Virtual::ReadGuid(m_stream, guid); }
  // Counted lists; reading appends to what the vector holds.
  void FloatVector(std::vector<float>& values) { ReadFloatVectorFromStream(m_stream, values); }
  void EntryVector(std::vector<DS_ResourceEntry>& entries) { ReadEntryVector(m_stream, entries); }
  // A file link: its path, then its stamp.
  void Link(DS_FileLink3& link) { DS_FileLink3::ReadField(m_stream, link); }

  // A counted list: the count (an int, or unsigned for UIntList), then each item by
  // `item(io, value)`. Reading appends the items read whole to `items`; a count the
  // record cannot hold fails the stream and reads none.
  template <class C, class Item>
  void List(C& items, size_t leastItemBytes, Item item) {
    int count = 0;
    m_stream.ReadInt(count);
    ReadItems(items, count, leastItemBytes, item);
  }
  template <class C, class Item>
  void UIntList(C& items, size_t leastItemBytes, Item item) {
    unsigned int count = 0;
    m_stream.ReadUInt(count);
    ReadItems(items, count, leastItemBytes, item);
  }
  // A count read on its own, to be followed by that many items: whether the record
  // can hold them (a count it cannot hold fails the stream). Writing, always true.
  bool Fits(int64_t count, size_t leastItemBytes) { return m_stream.CheckCount(count, leastItemBytes); }

  // A parameter's value in the encoding of its type.
  void UInt(MediaParamTB<unsigned int>& param) { UInt(param.Value()); }
  void Int(MediaParamTB<int>& param) { Int(param.Value()); }
  void Float(MediaParamTB<float>& param) { Float(param.Value()); }
  void Bool(MediaParamTB<bool>& param) { Bool(param.Value()); }
  void Point(MediaParamTB<POINT>& param) { Point(param.Value()); }
  void String(MediaParamTB<ds_string>& param) { String(param.Value()); }
  void Text(MediaParamTB<ds_string>& param) {
    ds_string read;
    m_stream.ReadString(read);
    param.StoreValue(read);
  }
  void Vector(MediaParamTB<D3DXVECTOR2>& param) { Vector(param.Value()); }
  void Vector(MediaParamTB<D3DXVECTOR3>& param) { Vector(param.Value()); }
  // An int parameter that the record stores as a long.
  void Long(MediaParamTB<int>& param) { Stored<long>(param); }
  // A colour (0x00BBGGRR) that the record stores as a 4-byte signed value: an int,
  // or a long for LongColour.
  void Colour(MediaParamTB<unsigned long>& param) { Stored<int>(param); }
  void LongColour(MediaParamTB<unsigned long>& param) {
    long stored = static_cast<long>(param.GetValue());
    m_stream.ReadLong(stored);
    param.StoreValue(static_cast<unsigned long>(static_cast<unsigned int>(stored)));
  }

  // A parameter or member that fixes its own encoding.
  template <class P>
  void Field(P& part) {
    part.ReadField(m_stream);
  }
  // A part that reads and writes itself whole on the stream (Read/Write), as the
  // rectangles and quads do.
  template <class P>
  void Part(P& part) {
    part.Read(m_stream);
  }

private:
  // Read as `S` and kept as the parameter's own type; a failed read keeps the value.
  template <class S, class T>
  void Stored(MediaParamTB<T>& param) {
    S stored = static_cast<S>(param.GetValue());
    ReadAs(stored);
    param.StoreValue(static_cast<T>(stored));
  }
  template <class S, class T>
  void ReadInto(T& value) {
    S stored = static_cast<S>(value);
    ReadAs(stored);
    value = static_cast<T>(stored);
  }
  template <class C, class Item>
  void ReadItems(C& items, int64_t count, size_t leastItemBytes, Item& item) {
    if (!m_stream.CheckCount(count, leastItemBytes)) return;
    for (int64_t i = 0; i < count && !m_stream.Failed(); ++i) {
      typename C::value_type value{};
      item(*this, value);
      if (m_stream.Failed()) return;
      items.push_back(std::move(value));
    }
  }
  void ReadFloats(float* values, int count) {
    for (int i = 0; i < count; ++i) m_stream.ReadFloat(values[i]);
  }
  void ReadAs(long& value) { m_stream.ReadLong(value); }
  void ReadAs(int& value) { m_stream.ReadInt(value); }
  void ReadAs(unsigned int& value) { m_stream.ReadUInt(value); }

  DS_IOF_Virtual& m_stream;
};

class DS_FieldWriter {
public:
  static constexpr bool kReading = false;

  explicit DS_FieldWriter(DS_IOF_Virtual& stream) : m_stream(stream) {}
  DS_IOF_Virtual& Stream() const { return m_stream; }

  // The targets are references because the list is shared with the reader; the writer
  // never changes them.
  void UInt(const unsigned int& value) { m_stream.WriteUInt(value); }
  void Int(const int& value) { m_stream.WriteInt(value); }
  void Long(const long& value) { m_stream.WriteLong(value); }
  void Int64(const int64_t& value) { m_stream.WriteInt64(value); }
  void Float(const float& value) { m_stream.WriteFloat(value); }
  void Bool(const bool& value) { m_stream.WriteBool(value); }
  void Byte(const unsigned char& value) { m_stream.WriteByte(value); }
  void String(const ds_string& text) { m_stream.WriteString(text); }
  void Text(const ds_string& text) { m_stream.WriteString(text); }
  void Point(const POINT& value) { m_stream.WritePoint(value); }
  void Long(const int& value) { m_stream.WriteLong(value); }
  void UInt(const int& value) { m_stream.WriteUInt(static_cast<unsigned int>(value)); }
  void Flag(const bool& value) { m_stream.WriteByte(value ? 1 : 0); }
  void Vector(const D3DXVECTOR2& value) { WriteFloats(&value.x, 2); }
  void Vector(const D3DXVECTOR3& value) { WriteFloats(&value.x, 3); }
  void Entry(const DS_ResourceEntry& entry) { m_stream.WriteEntry(entry); }
  void NamedBuffer(const DS_NamedBuffer& buffer) { m_stream.WriteNamedBuffer(buffer); }
  void Guid(const GUID& guid) { DS_IOF_Virtual::WriteGuid(m_stream, guid); }
  void FloatVector(const std::vector<float>& values) { WriteFloatVector(m_stream, values); }
  void EntryVector(const std::vector<DS_ResourceEntry>& entries) { WriteEntryVector(m_stream, entries); }
  void Link(const DS_FileLink3& link) { DS_FileLink3::WriteField(m_stream, link); }

  // The item function takes a non-const item, as it does for the reader; the writer
  // only reads it.
  template <class C, class Item>
  void List(const C& items, size_t, Item item) {
    m_stream.WriteInt(static_cast<int>(items.size()));
    WriteItems(items, item);
  }
  template <class C, class Item>
  void UIntList(const C& items, size_t, Item item) {
    m_stream.WriteUInt(static_cast<unsigned int>(items.size()));
    WriteItems(items, item);
  }
  bool Fits(int64_t, size_t) { return true; }

  void UInt(const MediaParamTB<unsigned int>& param) { UInt(param.GetValue()); }
  void Int(const MediaParamTB<int>& param) { Int(param.GetValue()); }
  void Float(const MediaParamTB<float>& param) { Float(param.GetValue()); }
  void Bool(const MediaParamTB<bool>& param) { Bool(param.GetValue()); }
  void Point(const MediaParamTB<POINT>& param) { Point(param.GetValue()); }
  void String(const MediaParamTB<ds_string>& param) { String(param.GetValue()); }
  void Text(const MediaParamTB<ds_string>& param) { String(param.GetValue()); }
  void Vector(const MediaParamTB<D3DXVECTOR2>& param) { Vector(param.GetValue()); }
  void Vector(const MediaParamTB<D3DXVECTOR3>& param) { Vector(param.GetValue()); }
  void Long(const MediaParamTB<int>& param) { m_stream.WriteLong(param.GetValue()); }
  void Colour(const MediaParamTB<unsigned long>& param) {
    m_stream.WriteInt(static_cast<int>(static_cast<unsigned int>(param.GetValue())));
  }
  void LongColour(const MediaParamTB<unsigned long>& param) {
    m_stream.WriteLong(static_cast<long>(static_cast<unsigned int>(param.GetValue())));
  }

  template <class P>
  void Field(const P& part) {
    part.WriteField(m_stream);
  }
  template <class P>
  void Part(const P& part) {
    part.Write(m_stream);
  }

private:
  template <class C, class Item>
  void WriteItems(const C& items, Item& item) {
    for (const auto& value : items) item(*this, const_cast<typename C::value_type&>(value));
  }
  void WriteFloats(const float* values, int count) {
    for (int i = 0; i < count; ++i) m_stream.WriteFloat(values[i]);
  }

  DS_IOF_Virtual& m_stream;
};

// Runs a level's field list, for the level's Read and Write. The list is a non-const
// member (the reader fills it); writing runs it on a const record, which the writer
// only reads. `Level` is the level whose list runs, not the most derived class. A list
// may take more arguments after the version: values that only old records hold, which
// Read turns into today's fields once the base levels are read too.
template <class Level, class... Extra>
void ReadFields(DS_IOF_Virtual& stream, Level& level, int version, Extra&... extra) {
  DS_FieldReader io(stream);
  level.Fields(io, version, extra...);
}

template <class Level, class... Extra>
void WriteFields(DS_IOF_Virtual& stream, const Level& level, int version, Extra&... extra) {
  DS_FieldWriter io(stream);
  const_cast<Level&>(level).Fields(io, version, extra...);
}

// The same for a part of a record that lists its own fields, `Fields(IO&)`, without a
// version of its own (a rectangle, a quad, a font).
template <class Part>
void ReadPartFields(DS_IOF_Virtual& stream, Part& part) {
  DS_FieldReader io(stream);
  part.Fields(io);
}

template <class Part>
void WritePartFields(DS_IOF_Virtual& stream, const Part& part) {
  DS_FieldWriter io(stream);
  const_cast<Part&>(part).Fields(io);
}
