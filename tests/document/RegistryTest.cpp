// Creation of classes from their stored names, with two probe class families that
// stand for the layer and slide registries.

#include <gtest/gtest.h>

#include "document/ClassRegistry.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "support/RecordRoundTrip.h"

namespace {

class ProbeLayer {
public:
  virtual ~ProbeLayer() { --live; }
  ProbeLayer() { ++live; }
  void Read(DS_IOF_Handle& handle, int version) {
    readVersion = version;
    handle->ReadInt(value);
  }
  int readVersion = -1;
  int value = 0;
  static int live;
};
int ProbeLayer::live = 0;

class ProbeWater : public ProbeLayer {};
class ProbeSlide {
public:
  virtual ~ProbeSlide() = default;
  void Read(DS_IOF_Handle& handle, int) { handle->ReadInt(value); }
  int value = 0;
};

IOF_Virtual_ReaderT_II<ProbeLayer, ProbeLayer> s_layer(L"ProbeLayer");
IOF_Virtual_ReaderT_II<ProbeWater, ProbeLayer> s_water(L"ProbeWater");
IOF_Virtual_ReaderT_II<ProbeSlide, ProbeSlide> s_slide(L"ProbeSlide");

std::vector<unsigned char> Record(const wchar_t* name, int version, int value) {
  DS_IOF_W w;
  WriteLevelHeader(w, name, version);
  w.WriteInt(value);
  return w.Bytes();
}

using ds_test::Reading;

TEST(Registry, CreatesRegisteredClassWithItsVersion) {
  Reading r(Record(L"ProbeWater", 3, 17));
  std::unique_ptr<ProbeLayer> layer(
      DispatchRecord<ProbeLayer>(r.handle, IOF_Virtual_ReaderII<ProbeLayer>::GetRegistry()));
  ASSERT_NE(nullptr, layer);
  EXPECT_NE(nullptr, dynamic_cast<ProbeWater*>(layer.get()));
  EXPECT_EQ(3, layer->readVersion);
  EXPECT_EQ(17, layer->value);
  EXPECT_FALSE(r.handle->Failed());
}

TEST(Registry, UnknownNamesFailAfterNameAndVersion) {
  // A name of the other registry, the right name in the wrong case, and no name.
  const wchar_t* names[] = {L"ProbeSlide", L"probelayer", L""};
  for (const wchar_t* name : names) {
    Reading r(Record(name, 1, 5));
    const size_t headerBytes = 4 + 2 * ds_string(name).size() + 4;
    ProbeLayer* layer =
        DispatchRecord<ProbeLayer>(r.handle, IOF_Virtual_ReaderII<ProbeLayer>::GetRegistry());
    EXPECT_EQ(nullptr, layer);
    EXPECT_TRUE(r.handle->Failed());
    EXPECT_EQ(headerBytes, r.buffer.Offset()) << "name length " << ds_string(name).size();
  }
}

TEST(Registry, HalfReadObjectIsNotHandedOut) {
  std::vector<unsigned char> bytes = Record(L"ProbeLayer", 1, 5);
  bytes.resize(bytes.size() - 2);  // the field is cut
  Reading r(bytes);
  const int liveBefore = ProbeLayer::live;
  ProbeLayer* layer =
      DispatchRecord<ProbeLayer>(r.handle, IOF_Virtual_ReaderII<ProbeLayer>::GetRegistry());
  EXPECT_EQ(nullptr, layer);
  EXPECT_TRUE(r.handle->Failed());
  EXPECT_EQ(liveBefore, ProbeLayer::live);
}

TEST(Registry, RegistriesAreSeparateAndRegistrationHappensOnce) {
  auto& layers = IOF_Virtual_ReaderII<ProbeLayer>::GetRegistry();
  auto& slides = IOF_Virtual_ReaderII<ProbeSlide>::GetRegistry();
  EXPECT_EQ(2u, layers.size());
  EXPECT_EQ(1u, slides.size());
  EXPECT_EQ(&s_water, layers[L"ProbeWater"]);
  // A second registration of the same reader object does not replace anything.
  unsigned char flag = 1;
  RegisterClassReader<IOF_Virtual_ReaderII<ProbeLayer>>(layers, L"Other", &s_layer, flag);
  EXPECT_EQ(0u, layers.count(L"Other"));
}

}  // namespace
