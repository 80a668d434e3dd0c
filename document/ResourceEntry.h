#pragma once
// Byte blocks embedded in the scene document: a named block (a file's path and
// content) and a resource entry (the same, or a copy of a module resource named by
// id and module). The document resource tables are made of these.

#include <cstdint>
#include <string>

typedef std::wstring ds_string;

class DS_NamedBuffer {
public:
  DS_NamedBuffer() = default;
  DS_NamedBuffer(const DS_NamedBuffer& other);
  DS_NamedBuffer& operator=(const DS_NamedBuffer& other);
  DS_NamedBuffer(DS_NamedBuffer&& other) noexcept;
  DS_NamedBuffer& operator=(DS_NamedBuffer&& other) noexcept;
  ~DS_NamedBuffer();

  // A new name drops the bytes that belonged to the old one; the same name keeps them.
  void SetName(const ds_string& name);
  // Replaces the block with a copy of `size` bytes (none when size is 0).
  void SetData(uint32_t size, const void* bytes);
  // Takes ownership of a block made with new[] (the stream's reader hands blocks over).
  void AdoptData(uint32_t size, unsigned char* block);
  // Refers to `size` bytes that outlive the buffer (a loaded module's resource) in
  // place of a copy; copies of the buffer refer to them too.
  void BorrowData(uint32_t size, const unsigned char* bytes);
  void FreeData();

  const ds_string& Name() const { return m_name; }
  const unsigned char* Data() const { return m_bytes; }
  uint32_t Size() const { return m_size; }

private:
  ds_string m_name;
  const unsigned char* m_bytes = nullptr;
  uint32_t m_size = 0;
  // False while the bytes are borrowed: nothing to delete.
  bool m_owned = true;
};

class DS_ResourceEntry : public DS_NamedBuffer {
public:
  DS_ResourceEntry() = default;
  DS_ResourceEntry(int32_t resourceId, const ds_string& moduleName)
      : m_resourceId(resourceId), m_moduleName(moduleName) {}

  int32_t ResourceId() const { return m_resourceId; }
  const ds_string& ModuleName() const { return m_moduleName; }
  void SetResourceId(int32_t id) { m_resourceId = id; }
  void SetModuleName(const ds_string& name) { m_moduleName = name; }

  // Replaces the bytes with a copy of the "DDS" resource that id and module name
  // point to (an empty module name: the program). False, entry unchanged, when the
  // module or the resource is missing.
  bool LoadFromModule();

private:
  int32_t m_resourceId = 0;
  ds_string m_moduleName;
};
