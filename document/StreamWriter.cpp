#include "document/StreamWriter.h"

#include <cstring>

void DS_IOF_W::WriteBytes(const void* bytes, size_t size) {
  if (size == 0) return;
  const unsigned char* b = static_cast<const unsigned char*>(bytes);
  m_bytes.insert(m_bytes.end(), b, b + size);
}

void DS_IOF_W::WriteEntry(const DS_ResourceEntry& entry) {
  WriteInt(entry.ResourceId());
  WriteString(entry.ModuleName());
  WriteNamedBuffer(entry);
}

void DS_IOF_W::WriteNamedBuffer(const DS_NamedBuffer& buffer) {
  WriteInt(static_cast<int>(buffer.Size()));
  WriteBytes(buffer.Data(), buffer.Size());
  WriteString(buffer.Name());
}

void DS_IOF_W::WriteString(const ds_string& text) {
  // The shortest of the three length forms.
  static const unsigned char kPrefix[3] = {0xFF, 0xFE, 0xFF};
  WriteBytes(kPrefix, 3);
  const size_t n = text.size();
  if (n < 0xFF) {
    WriteByte(static_cast<unsigned char>(n));
  } else if (n < 0xFFFF) {
    WriteByte(0xFF);
    uint16_t n16 = static_cast<uint16_t>(n);
    WriteBytes(&n16, 2);
  } else {
    WriteByte(0xFF);
    uint16_t escape = 0xFFFF;
    WriteBytes(&escape, 2);
    uint32_t n32 = static_cast<uint32_t>(n);
    WriteBytes(&n32, 4);
  }
  WriteBytes(text.data(), n * 2);
}

void DS_IOF_W::WriteInt64(int64_t value) { WriteBytes(&value, 8); }
void DS_IOF_W::WriteFloat(float value) { WriteBytes(&value, 4); }

void DS_IOF_W::WritePoint(const POINT& value) {
  int32_t xy[2] = {static_cast<int32_t>(value.x), static_cast<int32_t>(value.y)};
  WriteBytes(xy, 8);
}

void DS_IOF_W::WriteInt(int value) { WriteBytes(&value, 4); }
void DS_IOF_W::WriteUInt(unsigned int value) { WriteBytes(&value, 4); }
void DS_IOF_W::WriteBool(bool value) { WriteByte(value ? 1 : 0); }
void DS_IOF_W::WriteByte(unsigned char value) { m_bytes.push_back(value); }
void DS_IOF_W::WriteLong(long value) { WriteBytes(&value, 4); }
