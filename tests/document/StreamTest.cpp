#include <gtest/gtest.h>

#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"

TEST(Stream, SmokeRoundTrip) {
  DS_IOF_W w;
  w.WriteInt(7);
  ResourceBuffer buffer(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  int v = 0;
  r.ReadInt(v);
  EXPECT_EQ(7, v);
}
