#pragma once
// Holder of one COM interface pointer: textures, surfaces, buffers and effects live in
// holders, which release them on Release, on reassignment and on destruction.

#include <unknwn.h>

template <class T>
class DS_ComHolder {
public:
  DS_ComHolder() = default;
  // Takes over a reference the caller already owns (no AddRef).
  explicit DS_ComHolder(T* adopted) : m_ptr(adopted) {}
  DS_ComHolder(const DS_ComHolder& other) : m_ptr(other.m_ptr) {
    if (m_ptr) m_ptr->AddRef();
  }
  DS_ComHolder& operator=(const DS_ComHolder& other) {
    if (this == &other) return *this;
    T* incoming = other.m_ptr;
    if (incoming) incoming->AddRef();
    Release();
    m_ptr = incoming;
    return *this;
  }
  ~DS_ComHolder() { Release(); }

  void Release() {
    if (m_ptr) {
      T* ptr = m_ptr;
      m_ptr = nullptr;
      ptr->Release();
    }
  }

  // Replaces the held pointer with one the caller already owns a reference to.
  void Attach(T* adopted) {
    if (adopted == m_ptr) {
      // Same object: drop the extra reference the caller handed over.
      if (adopted) adopted->Release();
      return;
    }
    Release();
    m_ptr = adopted;
  }
  // Shares `ptr`, adding a reference.
  void Set(T* ptr) {
    if (ptr) ptr->AddRef();
    Release();
    m_ptr = ptr;
  }
  // Releases what is held and returns the address for a creating call to fill.
  T** Receive() {
    Release();
    return &m_ptr;
  }

  // Hands the held reference to the caller, who releases it; the holder is left empty.
  T* Detach() {
    T* ptr = m_ptr;
    m_ptr = nullptr;
    return ptr;
  }

  T* Get() const { return m_ptr; }
  T* operator->() const { return m_ptr; }
  explicit operator bool() const { return m_ptr != nullptr; }

private:
  T* m_ptr = nullptr;
};
