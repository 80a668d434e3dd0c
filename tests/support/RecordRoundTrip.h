#pragma once
// A record's round trip through the document stream: the bytes a class's own writer
// produces, and a reading stream over a copy of them, as the document's reader sees
// them. Header-only: only the test programs that link the document library include
// it.

#include <vector>

#include "document/ResourceBuffer.h"
#include "document/Stream.h"
#include "document/StreamWriter.h"

namespace ds_test {

// Reads from a copy of `bytes`.
struct Reading {
  explicit Reading(const std::vector<unsigned char>& bytes)
      : data(bytes), buffer(data.data(), data.size()), handle(new DS_IOF_R<ResourceBuffer>(&buffer)) {}
  std::vector<unsigned char> data;
  ResourceBuffer buffer;
  DS_IOF_Handle handle;
};

// The bytes `item`'s own writer produces.
template <class Item>
std::vector<unsigned char> WrittenBytes(const Item& item) {
  DS_IOF_W w;
  item.Write(w);
  return w.Bytes();
}

}  // namespace ds_test
