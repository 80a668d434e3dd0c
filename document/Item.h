#pragma once
// The base of everything stored in the scene document, the level-record header that
// opens each class level of a record, and the counted pointer through which slides,
// layers, audio files and run-time objects are shared.

#include <utility>

#include "document/Stream.h"

class DS_IOF_Item {
public:
  virtual ~DS_IOF_Item();
  // Writes the item's record: the most derived level first, then each base level,
  // field for field in the order its reader reads them.
  virtual void Write(DS_IOF_Virtual& stream) const = 0;
};

// Each class level of a record opens with its class name and the version of its
// layout. Base levels and member records read their header here; the name is not
// compared with the expected one. Returns the version.
int ReadLevelHeader(DS_IOF_Virtual& stream);
void WriteLevelHeader(DS_IOF_Virtual& stream, const wchar_t* className, int version);

// A counted pointer: copies share one heap cell holding the object and its count.
// The last release deletes the object through its virtual destructor.
template <class T>
class DS_SharedRef {
public:
  DS_SharedRef() = default;
  // Wraps a new object in a new cell with count 1.
  explicit DS_SharedRef(T* object) : m_cell(new Cell{object, 1}) {}
  DS_SharedRef(const DS_SharedRef& other) : m_cell(other.m_cell) {
    if (m_cell) ++m_cell->count;
  }
  DS_SharedRef(DS_SharedRef&& other) noexcept : m_cell(other.m_cell) { other.m_cell = nullptr; }
  DS_SharedRef& operator=(const DS_SharedRef& other) {
    if (m_cell != other.m_cell) {
      Cell* cell = other.m_cell;
      if (cell) ++cell->count;
      Release();
      m_cell = cell;
    }
    return *this;
  }
  DS_SharedRef& operator=(DS_SharedRef&& other) noexcept {
    if (this != &other) {
      Release();
      m_cell = other.m_cell;
      other.m_cell = nullptr;
    }
    return *this;
  }
  ~DS_SharedRef() { Release(); }

  void Release() {
    if (m_cell) {
      if (--m_cell->count <= 0) {
        delete m_cell->object;
        delete m_cell;
      }
    }
    m_cell = nullptr;
  }

  T* Get() const { return m_cell ? m_cell->object : nullptr; }
  T* operator->() const { return Get(); }
  T& operator*() const { return *Get(); }
  explicit operator bool() const { return Get() != nullptr; }
  long UseCount() const { return m_cell ? m_cell->count : 0; }

private:
  struct Cell {
    T* object;
    long count;
  };
  Cell* m_cell = nullptr;
};
