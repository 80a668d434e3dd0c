#pragma once
// A COM object that only counts its references, for tests of holders and owners of
// interfaces: it is never deleted by Release, so a test can read the count after the
// last release.

#include <unknwn.h>

namespace ds_test {

class CountingUnknown : public IUnknown {
public:
  explicit CountingUnknown(ULONG initial = 1) : m_count(initial) {}
  virtual ~CountingUnknown() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown) {
      *out = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++m_count; }
  ULONG STDMETHODCALLTYPE Release() override {
    if (m_count == 0) {
      ++m_overReleases;
      return 0;
    }
    return --m_count;
  }

  ULONG Count() const { return m_count; }
  // Releases past zero: each one would have been a use of freed memory.
  int OverReleases() const { return m_overReleases; }

private:
  ULONG m_count;
  int m_overReleases = 0;
};

}  // namespace ds_test
