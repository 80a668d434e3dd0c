#pragma once
// An item read back from its own record the way the document's reader makes it: for
// tests that draw items as a scene document carries them. Header-only: only the test
// programs that link the document and render libraries include it.

#include <memory>
#include <vector>

#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "render/ObjectModel.h"

namespace ds_test {

// The item written with its own writer and read through the class registry; null
// when the record does not read back as a T.
template <class T>
std::unique_ptr<T> ReadBackItem(const T& item) {
  DS_IOF_W w;
  item.Write(w);
  std::vector<unsigned char> bytes = w.Bytes();
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(handle));
  T* typed = dynamic_cast<T*>(read.get());
  if (typed) read.release();
  return std::unique_ptr<T>(typed);
}

}  // namespace ds_test
