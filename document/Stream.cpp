#include "document/Stream.h"

#include <objbase.h>

DS_IOF_Virtual::~DS_IOF_Virtual() = default;

void DS_IOF_Virtual::WriteEntry(const DS_ResourceEntry&) {}
void DS_IOF_Virtual::WriteNamedBuffer(const DS_NamedBuffer&) {}
void DS_IOF_Virtual::WriteString(const ds_string&) {}
void DS_IOF_Virtual::WriteInt64(int64_t) {}
void DS_IOF_Virtual::WriteFloat(float) {}
void DS_IOF_Virtual::WritePoint(const POINT&) {}
void DS_IOF_Virtual::WriteInt(int) {}
void DS_IOF_Virtual::WriteUInt(unsigned int) {}
void DS_IOF_Virtual::WriteBool(bool) {}
void DS_IOF_Virtual::WriteByte(unsigned char) {}
void DS_IOF_Virtual::WriteLong(long) {}

bool DS_IOF_Virtual::CheckAbort() {
  if (!m_aborted && m_abortCheck && m_abortCheck->ShouldAbort()) {
    m_aborted = true;
    MarkFailed();
  }
  return m_aborted;
}

bool DS_IOF_Virtual::CheckCount(int64_t count, size_t leastSize) {
  if (Failed()) return false;
  if (count < 0) {
    MarkFailed();
    return false;
  }
  if (leastSize == 0) leastSize = 1;
  if (static_cast<uint64_t>(count) > BytesLeft() / leastSize) {
    MarkFailed();
    return false;
  }
  return true;
}

ds_string GuidToText(const GUID& guid) {
  wchar_t text[40] = {};
  if (StringFromGUID2(guid, text, 40) == 0) return ds_string();
  return ds_string(text);
}

namespace {

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Reads `digits` hex digits from text[pos]; false on any other character.
bool ParseHex(const ds_string& text, size_t pos, int digits, uint64_t& value) {
  value = 0;
  for (int i = 0; i < digits; ++i) {
    int d = HexDigit(text[pos + i]);
    if (d < 0) return false;
    value = (value << 4) | static_cast<uint64_t>(d);
  }
  return true;
}

}  // namespace

bool ParseGuidText(const ds_string& text, GUID& guid) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  if (text.size() != 38 || text[0] != L'{' || text[37] != L'}' || text[9] != L'-' ||
      text[14] != L'-' || text[19] != L'-' || text[24] != L'-')
    return false;
  GUID parsed = {};
  uint64_t v = 0;
  if (!ParseHex(text, 1, 8, v)) return false;
  parsed.Data1 = static_cast<unsigned long>(v);
  if (!ParseHex(text, 10, 4, v)) return false;
  parsed.Data2 = static_cast<unsigned short>(v);
  if (!ParseHex(text, 15, 4, v)) return false;
  parsed.Data3 = static_cast<unsigned short>(v);
  static const size_t kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ParseHex(text, kBytePos[i], 2, v)) return false;
    parsed.Data4[i] = static_cast<unsigned char>(v);
  }
  guid = parsed;
  return true;
}

void DS_IOF_Virtual::WriteGuid(DS_IOF_Virtual& stream, const GUID& guid) {
  stream.WriteString(GuidToText(guid));
}

void DS_IOF_Virtual::ReadGuid(DS_IOF_Virtual& stream, GUID& guid) {
  ds_string text;
  stream.ReadString(text);
  ParseGuidText(text, guid);
}

void ReadFloatVectorFromStream(DS_IOF_Virtual& stream, std::vector<float>& values) {
  int count = 0;
  stream.ReadInt(count);
  if (!stream.CheckCount(count, sizeof(float))) return;
  values.reserve(values.size() + static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    float value = 0.0f;
    stream.ReadFloat(value);
    values.push_back(value);
  }
}

void WriteFloatVector(DS_IOF_Virtual& stream, const std::vector<float>& values) {
  stream.WriteInt(static_cast<int>(values.size()));
  for (float value : values) stream.WriteFloat(value);
}

void ReadResourceEntry(DS_IOF_Virtual& stream, DS_ResourceEntry& entry) {
  entry = DS_ResourceEntry();
  stream.ReadEntry(entry);
}

void ReadEntryVector(DS_IOF_Virtual& stream, std::vector<DS_ResourceEntry>& entries) {
  int count = 0;
  stream.ReadInt(count);
  if (!stream.CheckCount(count, kLeastEntryBytes)) return;
  for (int i = 0; i < count && !stream.Failed(); ++i) {
    DS_ResourceEntry entry;
    ReadResourceEntry(stream, entry);
    entries.push_back(std::move(entry));
  }
}

void WriteEntryVector(DS_IOF_Virtual& stream, const std::vector<DS_ResourceEntry>& entries) {
  stream.WriteInt(static_cast<int>(entries.size()));
  for (const DS_ResourceEntry& entry : entries) stream.WriteEntry(entry);
}
