#pragma once
// The memory source of the reading stream, and the reading stream over it. The
// buffer knows where its bytes end; every read checks what is left.

#include <windows.h>

#include <cstddef>
#include <vector>

#include "document/Stream.h"

class ResourceBuffer {
public:
  ResourceBuffer() = default;
  ResourceBuffer(const void* bytes, size_t size) { SetMemory(bytes, size); }

  void SetMemory(const void* bytes, size_t size);
  // Points the cursor at the "DDS" resource `resourceId` of `module` (null: the
  // program). False when there is no such resource or it is empty.
  bool LocateModuleResource(HMODULE module, int resourceId);

  bool HasCursor() const { return m_cursor != nullptr; }
  size_t BytesLeft() const { return m_cursor ? static_cast<size_t>(m_end - m_cursor) : 0; }
  size_t Offset() const { return m_cursor ? static_cast<size_t>(m_cursor - m_begin) : 0; }
  bool Failed() const { return m_failed; }
  void MarkFailed() { m_failed = true; }

  // Copies `size` bytes to `target` and advances; false (target untouched, buffer
  // failed) when fewer are left. Without a cursor nothing is read.
  bool Read(void* target, size_t size);
  // Hands out `size` bytes in place and advances; null on a short buffer.
  const char* Take(size_t size);
  // A serialized string; consumes nothing and fails the buffer when it is cut short.
  void ReadString(ds_string& text);
  // Memory that outlives everything read from it (a resource of a module that stays
  // loaded): byte blocks are then referred to in place instead of copied.
  void SetLasting(bool lasting) { m_lasting = lasting; }
  bool IsLasting() const { return m_lasting; }

private:
  const char* m_begin = nullptr;
  const char* m_cursor = nullptr;
  const char* m_end = nullptr;
  bool m_failed = false;
  bool m_lasting = false;
};

// Reads a serialized string from `bytes` (at most `available` of them). Returns the
// bytes consumed (4, 6 or 10, plus 2n), or 0 when the string does not fit: then
// `text` is unchanged. A length of 0 leaves `text` unchanged too; text after an
// embedded zero unit is dropped, though all units are consumed.
size_t ReadStringFromMemory(const char* bytes, size_t available, ds_string& text);

template <class Source>
class DS_IOF_R;

// The reading stream over a memory buffer (not owned). Writes do nothing.
template <>
class DS_IOF_R<ResourceBuffer> : public DS_IOF_Virtual {
public:
  explicit DS_IOF_R(ResourceBuffer* buffer) : m_buffer(buffer) {}

  void ReadEntry(DS_ResourceEntry& entry) override;
  void ReadNamedBuffer(DS_NamedBuffer& buffer) override;
  void ReadString(ds_string& text) override;
  void ReadInt64(int64_t& value) override;
  void ReadFloat(float& value) override;
  void ReadPoint(POINT& value) override;
  void ReadInt(int& value) override;
  void ReadUInt(unsigned int& value) override;
  void ReadBool(bool& value) override;
  void ReadByte(unsigned char& value) override;
  void ReadLong(long& value) override;

  bool Failed() const override { return m_buffer->Failed(); }
  void MarkFailed() override { m_buffer->MarkFailed(); }
  size_t BytesLeft() const override { return m_buffer->BytesLeft(); }

  ResourceBuffer* Buffer() const { return m_buffer; }

private:
  void Read4(void* target);
  void Read1(void* target);
  // Size field of a block; a negative size or one past the end fails the stream.
  // `bytes` points at the block inside the buffer (null when it is empty).
  bool ReadBlock(uint32_t& size, const char*& bytes);

  ResourceBuffer* m_buffer;
};

// Vectors read straight from a buffer: the vector is resized to the stored count.
void ReadFloatVector(ResourceBuffer& buffer, std::vector<float>& values);
void ReadEntryVectorFromBuffer(ResourceBuffer& buffer, std::vector<DS_ResourceEntry>& entries);
