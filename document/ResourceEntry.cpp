#include "document/ResourceEntry.h"

#include <cstring>
#include <utility>

DS_NamedBuffer::DS_NamedBuffer(const DS_NamedBuffer& other) : m_name(other.m_name) {
  if (other.m_owned) {
    SetData(other.m_size, other.m_bytes);
  } else {
    BorrowData(other.m_size, other.m_bytes);
  }
}

DS_NamedBuffer& DS_NamedBuffer::operator=(const DS_NamedBuffer& other) {
  if (this != &other) {
    m_name = other.m_name;
    if (other.m_owned) {
      SetData(other.m_size, other.m_bytes);
    } else {
      BorrowData(other.m_size, other.m_bytes);
    }
  }
  return *this;
}

DS_NamedBuffer::DS_NamedBuffer(DS_NamedBuffer&& other) noexcept
    : m_name(std::move(other.m_name)), m_bytes(other.m_bytes), m_size(other.m_size), m_owned(other.m_owned) {
  other.m_bytes = nullptr;
  other.m_size = 0;
  other.m_owned = true;
}

DS_NamedBuffer& DS_NamedBuffer::operator=(DS_NamedBuffer&& other) noexcept {
  if (this != &other) {
    FreeData();
    m_name = std::move(other.m_name);
    m_bytes = other.m_bytes;
    m_size = other.m_size;
    m_owned = other.m_owned;
    other.m_bytes = nullptr;
    other.m_size = 0;
    other.m_owned = true;
  }
  return *this;
}

DS_NamedBuffer::~DS_NamedBuffer() { FreeData(); }

void DS_NamedBuffer::SetName(const ds_string& name) {
  if (name == m_name) return;
  FreeData();
  m_name = name;
}

void DS_NamedBuffer::SetData(uint32_t size, const void* bytes) {
  unsigned char* block = nullptr;
  if (size != 0 && bytes != nullptr) {
    block = new unsigned char[size];
    std::memcpy(block, bytes, size);
  } else {
    size = 0;
  }
  FreeData();
  m_bytes = block;
  m_size = size;
}

void DS_NamedBuffer::AdoptData(uint32_t size, unsigned char* block) {
  FreeData();
  m_bytes = block;
  m_size = block ? size : 0;
}

void DS_NamedBuffer::BorrowData(uint32_t size, const unsigned char* bytes) {
  FreeData();
  if (size == 0 || bytes == nullptr) return;
  m_bytes = bytes;
  m_size = size;
  m_owned = false;
}

void DS_NamedBuffer::FreeData() {
  if (m_owned) delete[] m_bytes;
  m_bytes = nullptr;
  m_size = 0;
  m_owned = true;
}
