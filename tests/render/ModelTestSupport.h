#pragma once
// Shared pieces of the scene-object-model tests: a reading stream over bytes made by
// the classes' own writers, and a small item class with its run-time object,
// registered under a name only the tests use.

#include <vector>

#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "render/ObjectModel.h"
#include "support/RecordRoundTrip.h"

// Reads from a copy of `bytes`.
using ModelReading = ds_test::Reading;
using ds_test::WrittenBytes;

// Test item: one int of its own before the base section; counts its instances.
class ModelTestItem : public DS_ABObj_Constructor {
public:
  static const wchar_t* const kClassName;

  ModelTestItem() { ++live; }
  ModelTestItem(const ModelTestItem& other) : DS_ABObj_Constructor(other), value(other.value) { ++live; }
  ~ModelTestItem() override { --live; }

  void Read(DS_IOF_Handle& handle, int version) {
    readVersion = version;
    handle->ReadInt(value);
    ReadSection(handle);
  }
  void Write(DS_IOF_Virtual& stream) const override {
    WriteLevelHeader(stream, kClassName, 1);
    stream.WriteInt(value);
    DS_ABObj_Constructor::Write(stream);
  }
  DS_ABObj* CreateObject() override;

  int value = 0;
  int readVersion = -1;
  static int live;
};

// Its run-time object: records the local times it was updated with.
class ModelTestObject : public DS_ABObj {
public:
  explicit ModelTestObject(ModelTestItem* clone) : DS_ABObj(clone) { ++live; }
  ~ModelTestObject() override { --live; }

  void Render(DS_ABRender*) override { ++renders; }
  void OnMouseMove(int, int) override {}
  void OnResize() override {}
  void Update(float localTime) override { updates.push_back(localTime); }

  ModelTestItem& Item() const { return *static_cast<ModelTestItem*>(GetConstructor()); }

  std::vector<float> updates;
  int renders = 0;
  static int live;
};
