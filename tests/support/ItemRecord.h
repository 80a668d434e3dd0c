#pragma once
// An item read back from its own record the way the document's reader makes it: for
// tests that draw items as a scene document carries them. Header-only: only the test
// programs that link the document and render libraries include it.

#include <memory>
#include <vector>

#include "render/ObjectModel.h"
#include "support/RecordRoundTrip.h"

namespace ds_test {

// The item the class registry makes from `bytes`, as T: null when it is something else
// or the record could not be read whole; `whole` tells whether every byte was used.
template <class T>
std::unique_ptr<T> ReadItem(const std::vector<unsigned char>& bytes, bool* whole = nullptr) {
  Reading reading(bytes);
  std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(reading.handle));
  if (whole) *whole = !reading.handle->Failed() && reading.handle->BytesLeft() == 0;
  T* typed = dynamic_cast<T*>(read.get());
  if (!typed) return nullptr;
  read.release();
  return std::unique_ptr<T>(typed);
}

// The item written with its own writer and read back through the class registry.
template <class T>
std::unique_ptr<T> ReadBackItem(const T& item) {
  return ReadItem<T>(WrittenBytes(item));
}

}  // namespace ds_test
