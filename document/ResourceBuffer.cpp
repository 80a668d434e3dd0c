#include "document/ResourceBuffer.h"

#include <cstring>
#include <new>

#include "document/ModuleResources.h"

void ResourceBuffer::SetMemory(const void* bytes, size_t size) {
  m_begin = static_cast<const char*>(bytes);
  m_cursor = m_begin;
  m_end = m_begin ? m_begin + size : nullptr;
  m_failed = false;
}

bool ResourceBuffer::LocateModuleResource(HMODULE module, int resourceId) {
  const void* bytes = nullptr;
  DWORD size = 0;
  if (!FindModuleResource(module, resourceId, kModuleDataType, bytes, size)) return false;
  SetMemory(bytes, size);
  return true;
}

bool ResourceBuffer::Read(void* target, size_t size) {
  const char* bytes = Take(size);
  if (!bytes) return false;
  std::memcpy(target, bytes, size);
  return true;
}

const char* ResourceBuffer::Take(size_t size) {
  if (m_failed) return nullptr;
  // A buffer without memory (no resource, or an empty one) has no bytes to give.
  if (!m_cursor || size > static_cast<size_t>(m_end - m_cursor)) {
    m_failed = true;
    return nullptr;
  }
  const char* bytes = m_cursor;
  m_cursor += size;
  return bytes;
}

void ResourceBuffer::ReadString(ds_string& text) {
  if (!m_cursor || m_failed) return;
  size_t consumed = ReadStringFromMemory(m_cursor, BytesLeft(), text);
  if (consumed == 0) {
    m_failed = true;
    return;
  }
  m_cursor += consumed;
}

size_t ReadStringFromMemory(const char* bytes, size_t available, ds_string& text) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
  if (available < 4) return 0;
  // The three prefix bytes are not examined.
  uint64_t n = b[3];
  size_t header = 4;
  if (n == 0xFF) {
    if (available < 6) return 0;
    n = static_cast<uint64_t>(b[4]) | (static_cast<uint64_t>(b[5]) << 8);
    header = 6;
    if (n == 0xFFFF) {
      if (available < 10) return 0;
      n = static_cast<uint64_t>(b[6]) | (static_cast<uint64_t>(b[7]) << 8) |
          (static_cast<uint64_t>(b[8]) << 16) | (static_cast<uint64_t>(b[9]) << 24);
      header = 10;
    }
  }
  if (n == 0) return header;
  // The length is checked against the bytes present before anything is allocated.
  if (n > (available - header) / 2) return 0;
  const size_t units = static_cast<size_t>(n);
  ds_string buffer(units, L'\0');
  std::memcpy(&buffer[0], bytes + header, units * 2);
  size_t zero = buffer.find(L'\0');
  if (zero != ds_string::npos) buffer.resize(zero);
  text = std::move(buffer);
  return header + units * 2;
}

void DS_IOF_R<ResourceBuffer>::Read4(void* target) { m_buffer->Read(target, 4); }
void DS_IOF_R<ResourceBuffer>::Read1(void* target) { m_buffer->Read(target, 1); }

bool DS_IOF_R<ResourceBuffer>::ReadBlock(uint32_t& size, const char*& bytes) {
  int32_t stored = 0;
  if (!m_buffer->Read(&stored, 4)) return false;
  bytes = nullptr;
  size = 0;
  if (!CheckCount(stored, 1)) return false;
  size = static_cast<uint32_t>(stored);
  if (size == 0) return true;
  bytes = m_buffer->Take(size);
  return bytes != nullptr;
}

void DS_IOF_R<ResourceBuffer>::ReadEntry(DS_ResourceEntry& entry) {
  if (Failed()) return;
  int32_t id = 0;
  if (!m_buffer->Read(&id, 4)) return;
  entry.SetResourceId(id);
  ds_string module = entry.ModuleName();
  m_buffer->ReadString(module);
  entry.SetModuleName(module);
  ReadNamedBuffer(entry);
}

void DS_IOF_R<ResourceBuffer>::ReadNamedBuffer(DS_NamedBuffer& buffer) {
  if (Failed()) return;
  uint32_t size = 0;
  const char* bytes = nullptr;
  if (!ReadBlock(size, bytes)) return;
  // The name is read before the block is stored: SetName drops the bytes of an
  // old name.
  ds_string name = buffer.Name();
  m_buffer->ReadString(name);
  buffer.SetName(name);
  const unsigned char* block = reinterpret_cast<const unsigned char*>(bytes);
  if (!block) {
    buffer.FreeData();
  } else if (m_buffer->IsLasting()) {
    buffer.BorrowData(size, block);
  } else {
    buffer.SetData(size, block);
  }
}

void DS_IOF_R<ResourceBuffer>::ReadString(ds_string& text) { m_buffer->ReadString(text); }
void DS_IOF_R<ResourceBuffer>::ReadInt64(int64_t& value) { m_buffer->Read(&value, 8); }
void DS_IOF_R<ResourceBuffer>::ReadFloat(float& value) { Read4(&value); }

void DS_IOF_R<ResourceBuffer>::ReadPoint(POINT& value) {
  int32_t xy[2];
  if (m_buffer->Read(xy, 8)) {
    value.x = xy[0];
    value.y = xy[1];
  }
}

void DS_IOF_R<ResourceBuffer>::ReadInt(int& value) { Read4(&value); }
void DS_IOF_R<ResourceBuffer>::ReadUInt(unsigned int& value) { Read4(&value); }
void DS_IOF_R<ResourceBuffer>::ReadLong(long& value) { Read4(&value); }

void DS_IOF_R<ResourceBuffer>::ReadBool(bool& value) {
  unsigned char byte = 0;
  if (m_buffer->Read(&byte, 1)) value = byte != 0;
}

void DS_IOF_R<ResourceBuffer>::ReadByte(unsigned char& value) { Read1(&value); }

void ReadFloatVector(ResourceBuffer& buffer, std::vector<float>& values) {
  DS_IOF_R<ResourceBuffer> stream(&buffer);
  int count = 0;
  stream.ReadInt(count);
  if (!stream.CheckCount(count, sizeof(float))) return;
  values.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) stream.ReadFloat(values[i]);
}

void ReadEntryVectorFromBuffer(ResourceBuffer& buffer, std::vector<DS_ResourceEntry>& entries) {
  DS_IOF_R<ResourceBuffer> stream(&buffer);
  int count = 0;
  stream.ReadInt(count);
  if (!stream.CheckCount(count, kLeastEntryBytes)) return;
  entries.resize(static_cast<size_t>(count));
  for (int i = 0; i < count && !stream.Failed(); ++i) stream.ReadEntry(entries[i]);
}
