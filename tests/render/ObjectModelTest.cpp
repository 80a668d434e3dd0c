// Document items and their run-time objects: the base record, reading through the
// object registry, cloning into run-time objects, and the per-frame step.

#include <gtest/gtest.h>

#include "document/ClassRegistry.h"
#include "render/TimeLine.h"
#include "ModelTestSupport.h"

const wchar_t* const ModelTestItem::kClassName = L"ModelTestItem";
int ModelTestItem::live = 0;
int ModelTestObject::live = 0;

DS_ABObj* ModelTestItem::CreateObject() { return new ModelTestObject(new ModelTestItem(*this)); }

namespace {

IOF_Virtual_ReaderT<ModelTestItem> s_testItemReader(ModelTestItem::kClassName);

// An item whose time line uses every stored field.
void FillItem(ModelTestItem& item) {
  item.value = 41;
  item.SetName(L"Sparkles \u00e9");
  DS_TimeLineControl& tl = item.TimeLine();
  tl.mode.SetValue(DS_TimeLineControl::kWindows);
  tl.timeMode.SetValue(2);
  tl.hidden.lo.SetValue(120);
  tl.hidden.hi.SetValue(340);
  tl.shown.lo.SetValue(10);
  tl.shown.hi.SetValue(20);
  tl.fadeIn.SetValue(75);
  tl.fadeOut.SetValue(0);
  tl.AddWindow({2.0f, 10.0f, 3.0f, 8.0f});
  tl.AddWindow({12.0f, 14.0f, 12.5f, 13.0f});
}

// A hand-made version-1 base record: no time line.
std::vector<unsigned char> VersionOneRecord(int value, const wchar_t* name) {
  DS_IOF_W w;
  WriteLevelHeader(w, ModelTestItem::kClassName, 1);
  w.WriteInt(value);
  WriteLevelHeader(w, L"DS_ABObj_Constructor", 1);
  w.WriteString(name);
  return w.Bytes();
}

class ObjectModelTest : public ::testing::Test {
protected:
  void SetUp() override {
    itemsBefore = ModelTestItem::live;
    objectsBefore = ModelTestObject::live;
    timeLinesBefore = DS_TimeLineControl::LiveCount();
  }
  void TearDown() override {
    EXPECT_EQ(itemsBefore, ModelTestItem::live) << "items leaked or deleted twice";
    EXPECT_EQ(objectsBefore, ModelTestObject::live) << "objects leaked or deleted twice";
    EXPECT_EQ(timeLinesBefore, DS_TimeLineControl::LiveCount()) << "time lines leaked or deleted twice";
  }
  int itemsBefore = 0;
  int objectsBefore = 0;
  int timeLinesBefore = 0;
};

TEST_F(ObjectModelTest, ItemRoundTripsThroughTheRegistry) {
  ModelTestItem written;
  FillItem(written);
  ModelReading r(WrittenBytes(written));
  std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(r.handle));
  ASSERT_NE(nullptr, read);
  EXPECT_FALSE(r.handle->Failed());
  EXPECT_EQ(0u, r.buffer.BytesLeft()) << "the reader must consume the whole record";

  ModelTestItem* item = dynamic_cast<ModelTestItem*>(read.get());
  ASSERT_NE(nullptr, item);
  EXPECT_EQ(1, item->readVersion);
  EXPECT_EQ(41, item->value);
  EXPECT_EQ(written.GetName(), item->GetName());
  const DS_TimeLineControl& tl = item->TimeLine();
  EXPECT_EQ(DS_TimeLineControl::kWindows, tl.mode.GetValue());
  EXPECT_EQ(2, tl.timeMode.GetValue());
  EXPECT_EQ(120u, tl.hidden.lo.GetValue());
  EXPECT_EQ(340u, tl.hidden.hi.GetValue());
  EXPECT_EQ(10u, tl.shown.lo.GetValue());
  EXPECT_EQ(20u, tl.shown.hi.GetValue());
  EXPECT_EQ(75u, tl.fadeIn.GetValue());
  EXPECT_FLOAT_EQ(0.75f, tl.FadeInSeconds()) << "the fade's seconds must follow the stored value";
  EXPECT_EQ(0u, tl.fadeOut.GetValue());
  EXPECT_FLOAT_EQ(0.0f, tl.FadeOutSeconds());
  ASSERT_EQ(2u, tl.Windows().size());
  const DS_TimeWindow& second = *std::next(tl.Windows().begin());
  EXPECT_FLOAT_EQ(12.0f, second.start);
  EXPECT_FLOAT_EQ(14.0f, second.end);
  EXPECT_FLOAT_EQ(12.5f, second.fadeInEnd);
  EXPECT_FLOAT_EQ(13.0f, second.fadeOutStart);
  // Written again, the item gives the same bytes.
  EXPECT_EQ(WrittenBytes(written), WrittenBytes(*item));
}

TEST_F(ObjectModelTest, VersionOneBaseRecordKeepsAnAlwaysVisibleTimeLine) {
  ModelReading r(VersionOneRecord(7, L"old"));
  std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(r.handle));
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(0u, r.buffer.BytesLeft());
  EXPECT_EQ(L"old", read->GetName());
  EXPECT_EQ(DS_TimeLineControl::kAlwaysVisible, read->TimeLine().mode.GetValue());

  std::unique_ptr<DS_ABObj> object(read->CreateObject());
  object->Reset();
  object->UpdateAt(12.5f);
  object->UpdateAt(13.0f);
  ModelTestObject& probe = static_cast<ModelTestObject&>(*object);
  ASSERT_EQ(2u, probe.updates.size());
  EXPECT_FLOAT_EQ(12.5f, probe.updates[0]) << "local time must equal the scene time";
  EXPECT_FLOAT_EQ(13.0f, probe.updates[1]);
  EXPECT_FLOAT_EQ(1.0f, probe.Item().TimeLine().GetAlpha());
}

TEST_F(ObjectModelTest, UnregisteredNameFailsTheStream) {
  DS_IOF_W w;
  WriteLevelHeader(w, L"modeltestitem", 1);  // the name in the wrong case
  w.WriteInt(3);
  ModelReading r(w.Bytes());
  EXPECT_EQ(nullptr, ReadAnyObject(r.handle));
  EXPECT_TRUE(r.handle->Failed());
}

TEST_F(ObjectModelTest, EveryTruncatedRecordFailsWithoutAnItem) {
  ModelTestItem written;
  FillItem(written);
  const std::vector<unsigned char> full = WrittenBytes(written);
  for (size_t size = 0; size < full.size(); ++size) {
    ModelReading r(std::vector<unsigned char>(full.begin(), full.begin() + size));
    DS_ABObj_Constructor* item = ReadAnyObject(r.handle);
    EXPECT_EQ(nullptr, item) << "record cut to " << size << " of " << full.size() << " bytes";
    EXPECT_TRUE(r.handle->Failed()) << "record cut to " << size << " bytes";
    delete item;
  }
}

TEST_F(ObjectModelTest, HugeWindowCountFailsTheStream) {
  DS_IOF_W w;
  WriteLevelHeader(w, ModelTestItem::kClassName, 1);
  w.WriteInt(1);
  WriteLevelHeader(w, L"DS_ABObj_Constructor", 2);
  w.WriteString(L"n");
  WriteLevelHeader(w, L"DS_TimeLineControl", 1);
  for (int i = 0; i < 8; ++i) w.WriteInt(0);
  w.WriteInt(0x7FFFFFFF);  // window count far beyond the bytes left
  w.WriteFloat(1.0f);
  ModelReading r(w.Bytes());
  EXPECT_EQ(nullptr, ReadAnyObject(r.handle));
  EXPECT_TRUE(r.handle->Failed());
}

TEST_F(ObjectModelTest, ObjectsOwnClonesWithTheirOwnTimeLines) {
  std::unique_ptr<ModelTestItem> item(new ModelTestItem());
  FillItem(*item);
  item->TimeLine().SetWrappedTime(5.0f);
  item->TimeLine().mode.SetValue(DS_TimeLineControl::kCycle);
  item->TimeLine().AdvanceLocalTime(3.0f);  // the item's own cycle is under way

  DS_SharedRef<DS_ABObj> first(item->CreateObject());
  DS_SharedRef<DS_ABObj> second(item->CreateObject());
  ASSERT_TRUE(first && second);
  DS_ABObj_Constructor* clone = first->GetConstructor();
  EXPECT_NE(item.get(), clone) << "an object must run a clone, never the item";
  EXPECT_NE(second->GetConstructor(), clone);
  EXPECT_NE(&item->TimeLine(), &clone->TimeLine());
  EXPECT_NE(&second->GetConstructor()->TimeLine(), &clone->TimeLine());
  EXPECT_EQ(item->GetName(), clone->GetName());
  EXPECT_EQ(41, static_cast<ModelTestItem*>(clone)->value);
  // The clone's time line starts afresh.
  EXPECT_FLOAT_EQ(0.0f, clone->TimeLine().GetWrappedTime());
  EXPECT_EQ(DS_AnimationStateMachine::kInvisible, clone->TimeLine().Machine().CurrentIndex());
  EXPECT_EQ(2u, clone->TimeLine().Windows().size());

  // The slide deletes its items once the objects exist.
  item.reset();
  first->UpdateAt(1.0f);
  first->SetWrappedTime(2.5f);
  EXPECT_FLOAT_EQ(2.5f, clone->TimeLine().GetWrappedTime());

  DS_SharedRef<DS_ABObj> shared = first;
  first.Release();
  EXPECT_EQ(1, shared.UseCount());
  shared.Release();
  second.Release();
}

TEST_F(ObjectModelTest, DisabledObjectIsStillUpdated) {
  ModelTestItem item;
  std::unique_ptr<DS_ABObj> object(item.CreateObject());
  EXPECT_TRUE(object->IsEnabled());
  object->SetEnabled(false);
  EXPECT_FALSE(object->IsEnabled());
  object->UpdateAt(4.0f);
  EXPECT_EQ(1u, static_cast<ModelTestObject&>(*object).updates.size());
}

TEST_F(ObjectModelTest, ResetRestartsTheCycle) {
  ModelTestItem item;
  item.TimeLine().mode.SetValue(DS_TimeLineControl::kCycle);
  std::unique_ptr<DS_ABObj> object(item.CreateObject());
  object->UpdateAt(7.0f);
  const DS_TimeLineControl& tl = object->GetConstructor()->TimeLine();
  EXPECT_EQ(kPhaseFadingIn, tl.GetPhase());
  object->Reset();
  EXPECT_EQ(kPhaseInvisible, tl.GetPhase());
  EXPECT_FLOAT_EQ(0.0f, tl.Machine().machineTime);
  EXPECT_FLOAT_EQ(0.0f, tl.Machine().localTime);
}

TEST_F(ObjectModelTest, BaseAnswersOfItemAndObject) {
  ModelTestItem item;
  std::unique_ptr<DS_ABObj> object(item.CreateObject());
  EXPECT_EQ(3, item.GetKind());
  EXPECT_EQ(3, object->GetKind());
  EXPECT_EQ(0, object->QueryConstructor());
  EXPECT_FALSE(object->NeedsSceneInput());
  EXPECT_FALSE(object->HitTest(POINT{1, 2}, 0));
  DS_TextureFrameInfo info;
  info.mode = 5;
  info.frameStep = 0.25f;
  item.GetTextureFrameInfo(info, 0);
  EXPECT_EQ(nullptr, info.imageLink);
  EXPECT_EQ(0, info.mode);
  EXPECT_FLOAT_EQ(1.0f, info.frameStep);
}

}  // namespace
