#pragma once
// Fixtures of the brush tests: the recording layer (without a device: it runs the
// effect's passes as the layer does), a minimal brush class for the shared behaviour,
// and a document resource manager holding the brushes' effects.

#include <d3d9.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include "document/DocResManager.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "objects/brushes/EffectBrush.h"
#include "render/Layer.h"
#include "render/ObjectModel.h"
#include "support/FakeEffect.h"
#include "support/RecordingLayer.h"

namespace brushes_test {

using ds_test::RecordedDraw;
using ds_test::RecordingLayer;

// The smallest brush: draws through one of the common tails.
class TestBrush : public DS_FX_Constructor {
public:
  enum Tail { kApply, kSet, kRegion };

  TestBrush() = default;
  TestBrush(const TestBrush& other) = default;

  void Read(DS_IOF_Handle& handle, int version) { ReadSection(handle); }
  void Write(DS_IOF_Virtual& stream) const override {
    WriteLevelHeader(stream, L"TestBrush", 1);
    WriteLevel(stream);
  }
  void Render(DS_ABRender* layer) override {
    if (tail == kApply) ApplyCommonParameters(layer);
    if (tail == kSet) SetCommonParameters(layer);
    if (tail == kRegion) DrawRegion(layer);
  }
  DS_FX_Constructor* Clone() override { return new TestBrush(*this); }

  using DS_FX_Constructor::m_mask;

  Tail tail = kApply;
};

// The key of the link to effect `id` of the shared module.
inline DS_FileKey EffectKey(int id) { return DS_HLSLEffectFile(id, DS_FX_Constructor::kEffectModule).GetKey(); }

// Effect data under a link: what the resource manager hands to the effect creator.
inline std::vector<unsigned char> EffectBytes(int id) {
  return {'F', 'X', static_cast<unsigned char>(id)};
}

// A current resource manager whose file library holds effect bytes for the given
// module links, with a recording effect factory in place of D3DX.
class BrushManagerTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_previous = g_CurrentDocResManager;
    manager.reset(new DS_DocResManager());
    SetCurrentDocResManager(manager.get());
  }
  void TearDown() override {
    SetCurrentDocResManager(nullptr);
    manager.reset();
    SetCurrentDocResManager(m_previous);
  }

  // The bytes EffectBytes(id) embedded under the link ("common_res.dll", id).
  void EmbedEffect(int id) {
    const DS_FileKey key = EffectKey(id);
    DS_ResourceEntry entry(id, DS_FX_Constructor::kEffectModule);
    const std::vector<unsigned char> bytes = EffectBytes(id);
    entry.SetData(uint32_t(bytes.size()), bytes.data());
    manager->Tables().fileLibrary[key].push_back(entry);
  }

  // The object of `brush`, which draws through the embedded effect `id` unless it
  // names an effect of its own.
  template <class Brush>
  std::unique_ptr<DS_ABObj> MakeObjectWithEffect(Brush& brush, int id) {
    if (brush.effectLink.GetPath().empty()) brush.effectLink.StoreKey(EffectKey(id));
    return std::unique_ptr<DS_ABObj>(brush.CreateObject());
  }

  // The effect made last.
  FakeEffect* Effect() { return factory.LastEffect(); }

  FakeEffectFactory factory;
  std::unique_ptr<DS_DocResManager> manager;

private:
  DS_DocResManager* m_previous = nullptr;
};

// Reads `bytes` as one item record through the object registry; `bytesLeft` gets
// what the stream did not consume. Null when the stream failed.
inline std::unique_ptr<DS_ABObj_Constructor> ReadItem(const std::vector<unsigned char>& bytes,
                                                      size_t* bytesLeft = nullptr) {
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  std::unique_ptr<DS_ABObj_Constructor> item(ReadAnyObject(handle));
  if (bytesLeft) *bytesLeft = handle->BytesLeft();
  return item;
}

inline std::vector<unsigned char> WriteItem(const DS_IOF_Item& item) {
  DS_IOF_W stream;
  item.Write(stream);
  return stream.Bytes();
}

// Every record of `item` cut short reads nothing.
inline void ExpectEveryCutRecordFails(const DS_IOF_Item& item) {
  const std::vector<unsigned char> bytes = WriteItem(item);
  for (size_t size = 1; size < bytes.size(); ++size) {
    const std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + size);
    EXPECT_EQ(nullptr, ReadItem(cut)) << typeid(item).name() << " cut to " << size << " bytes";
  }
}

// Reads a TestBrush record (its own header first) into `brush`; false when the stream
// failed.
inline bool ReadTestBrush(const std::vector<unsigned char>& bytes, TestBrush& brush, size_t* bytesLeft = nullptr) {
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  const int version = ReadLevelHeader(*handle);
  brush.Read(handle, version);
  if (bytesLeft) *bytesLeft = handle->BytesLeft();
  return !handle->Failed();
}

}  // namespace brushes_test
