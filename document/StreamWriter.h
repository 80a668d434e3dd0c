#pragma once
// A writing stream over a byte vector. The saver never writes a document; the tests
// and the default-scene builder do, through the classes' own writers.

#include <vector>

#include "document/Stream.h"

class DS_IOF_W : public DS_IOF_Virtual {
public:
  DS_IOF_W() = default;

  void WriteEntry(const DS_ResourceEntry& entry) override;
  void WriteNamedBuffer(const DS_NamedBuffer& buffer) override;
  void WriteString(const ds_string& text) override;
  void WriteInt64(int64_t value) override;
  void WriteFloat(float value) override;
  void WritePoint(const POINT& value) override;
  void WriteInt(int value) override;
  void WriteUInt(unsigned int value) override;
  void WriteBool(bool value) override;
  void WriteByte(unsigned char value) override;
  void WriteLong(long value) override;

  // A writing stream has nothing to read.
  void ReadEntry(DS_ResourceEntry&) override { MarkFailed(); }
  void ReadNamedBuffer(DS_NamedBuffer&) override { MarkFailed(); }
  void ReadString(ds_string&) override { MarkFailed(); }
  void ReadInt64(int64_t&) override { MarkFailed(); }
  void ReadFloat(float&) override { MarkFailed(); }
  void ReadPoint(POINT&) override { MarkFailed(); }
  void ReadInt(int&) override { MarkFailed(); }
  void ReadUInt(unsigned int&) override { MarkFailed(); }
  void ReadBool(bool&) override { MarkFailed(); }
  void ReadByte(unsigned char&) override { MarkFailed(); }
  void ReadLong(long&) override { MarkFailed(); }

  void WriteBytes(const void* bytes, size_t size);
  const std::vector<unsigned char>& Bytes() const { return m_bytes; }
  std::vector<unsigned char>& Bytes() { return m_bytes; }

private:
  std::vector<unsigned char> m_bytes;
};
