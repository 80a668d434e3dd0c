#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <d3dx9math.h>

#include "document/MediaParam.h"
#include "document/ResourceEntry.h"

namespace {

// A control that records every notification it receives, and which source came with it.
class RecordingControl : public MediaControlT<MediaParam> {
public:
  RecordingControl(std::vector<std::string>* log, const char* name) : m_log(log), m_name(name) {}
  void OnParamChanged(MediaControl* source) override {
    m_log->push_back(m_name);
    lastSource = source;
  }
  MediaControl* lastSource = nullptr;

private:
  std::vector<std::string>* m_log;
  std::string m_name;
};

// Counts notifications and detachments without leaving the list on its own.
class CountingControl : public MediaControl {
public:
  void OnParamChanged(MediaControl*) override { ++changes; }
  void DetachParam() override { ++detaches; }
  int changes = 0;
  int detaches = 0;
};

TEST(MediaParam, NewParameterHoldsOnlyItsSynchronisedUndoControl) {
  MediaParamT<unsigned int> fromValue(42u);
  ASSERT_EQ(1u, fromValue.ControlCount());
  EXPECT_EQ(&fromValue.UndoControl(), fromValue.Controls().front());
  EXPECT_EQ(42u, fromValue.UndoControl().CachedValue());

  MediaParamT<ds_string> text;
  EXPECT_TRUE(text.GetValue().empty());
  EXPECT_EQ(1u, text.ControlCount());
}

// A parameter given no value starts at zero, also for the math vector, whose own
// default constructor leaves it unset: an item made new writes no stray bytes of
// memory into a document. The storage is dirtied first so that an unset value shows.
TEST(MediaParam, ParameterWithoutValueStartsAtZero) {
  alignas(MediaParamT<D3DXVECTOR3>) unsigned char storage[sizeof(MediaParamT<D3DXVECTOR3>)];
  std::memset(storage, 0xA5, sizeof storage);
  auto* vector = new (storage) MediaParamT<D3DXVECTOR3>();
  EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), vector->GetValue());
  vector->~MediaParamT<D3DXVECTOR3>();

  alignas(MediaParamT<unsigned int>) unsigned char number[sizeof(MediaParamT<unsigned int>)];
  std::memset(number, 0xA5, sizeof number);
  auto* count = new (number) MediaParamT<unsigned int>();
  EXPECT_EQ(0u, count->GetValue());
  count->~MediaParamT<unsigned int>();
}

TEST(MediaParam, NotifiesAllButTheSourceInAttachmentOrder) {
  std::vector<std::string> log;
  MediaParamT<int> param(1);
  RecordingControl a(&log, "a"), b(&log, "b"), c(&log, "c");
  a.Observe(&param);
  b.Observe(&param);
  c.Observe(&param);
  ASSERT_EQ(4u, param.ControlCount());
  EXPECT_EQ(&param.UndoControl(), param.Controls().front()) << "the undo control must stay first";

  param.SetValue(2, &b);
  EXPECT_EQ((std::vector<std::string>{"a", "c"}), log);
  EXPECT_EQ(&b, a.lastSource);
  EXPECT_EQ(2, param.UndoControl().CachedValue()) << "the undo control is told first";

  log.clear();
  param.SetValue(3);
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), log);
  EXPECT_EQ(nullptr, a.lastSource);
}

TEST(MediaParam, EqualValueNotifiesNothing) {
  std::vector<std::string> log;
  MediaParamT<ds_string> text(L"abc");
  RecordingControl control(&log, "c");
  control.Observe(&text);
  text.SetValue(L"abc");
  EXPECT_TRUE(log.empty());
  text.SetValue(L"abd");
  EXPECT_EQ(1u, log.size());

  MediaParamTB<POINT> point(POINT{3, 4});
  RecordingControl pc(&log, "p");
  pc.Observe(&point);
  log.clear();
  point.SetValue(POINT{3, 4});
  EXPECT_TRUE(log.empty());
  point.SetValue(POINT{3, 5});
  EXPECT_EQ(1u, log.size());
}

TEST(MediaParam, StoreValueDoesNotNotify) {
  std::vector<std::string> log;
  MediaParamT<unsigned int> param(1u);
  RecordingControl control(&log, "c");
  control.Observe(&param);
  param.StoreValue(9u);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(9u, param.GetValue());
  param.Value() = 10u;
  param.NotifyControls(nullptr);
  EXPECT_EQ(1u, log.size());
  EXPECT_EQ(10u, param.UndoControl().CachedValue());
}

TEST(MediaParam, CopyTakesTheValueButNotTheControls) {
  std::vector<std::string> log;
  MediaParamT<unsigned int> source(7u);
  RecordingControl control(&log, "c");
  control.Observe(&source);

  MediaParamT<unsigned int> copy(source);
  EXPECT_EQ(7u, copy.GetValue());
  ASSERT_EQ(1u, copy.ControlCount());
  EXPECT_EQ(&copy.UndoControl(), copy.Controls().front());
  EXPECT_EQ(7u, copy.UndoControl().CachedValue());

  copy.SetValue(8u);
  EXPECT_TRUE(log.empty()) << "a control of the source must not hear the copy";

  MediaParamT<unsigned int> assigned(1u);
  assigned = source;
  EXPECT_EQ(7u, assigned.GetValue());
  EXPECT_EQ(1u, assigned.ControlCount());
  EXPECT_EQ(2u, source.ControlCount());
}

TEST(MediaParam, ControlDestroyedFirstLeavesTheList) {
  MediaParamT<int> param(0);
  {
    std::vector<std::string> log;
    RecordingControl control(&log, "c");
    control.Observe(&param);
    EXPECT_EQ(2u, param.ControlCount());
  }
  EXPECT_EQ(1u, param.ControlCount());
  param.SetValue(5);  // must not reach the dead control
  EXPECT_EQ(5, param.UndoControl().CachedValue());
}

TEST(MediaParam, ParameterDestroyedFirstDetachesItsControls) {
  std::vector<std::string> log;
  RecordingControl observer(&log, "o");
  CountingControl counter;
  {
    auto param = std::make_unique<MediaParamT<unsigned int>>(3u);
    observer.Observe(param.get());
    param->AttachControl(&counter);
  }
  EXPECT_EQ(nullptr, observer.ObservedParam());
  EXPECT_EQ(1, counter.detaches);
  // observer's destructor runs at scope end and must not touch the dead parameter.
}

TEST(MediaParam, ControlAttachedDirectlyStillLeavesWhenItDies) {
  MediaParamT<int> param(0);
  {
    std::vector<std::string> log;
    RecordingControl control(&log, "c");
    param.AttachControl(&control);
    EXPECT_EQ(&param, control.ObservedParam());
  }
  EXPECT_EQ(1u, param.ControlCount());
  param.SetValue(1);
}

TEST(MediaParam, VectorsCompareComponentByComponent) {
  CountingControl counter;
  MediaParamT<D3DXVECTOR3> position(D3DXVECTOR3(1, 2, 3));
  position.AttachControl(&counter);
  position.SetValue(D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(0, counter.changes);
  position.SetValue(D3DXVECTOR3(1, 2, 3.5f));
  EXPECT_EQ(1, counter.changes);
  position.SetValue(D3DXVECTOR3(-0.0f, 2, 3.5f));
  position.SetValue(D3DXVECTOR3(0.0f, 2, 3.5f));  // -0 equals 0 as floats
  EXPECT_EQ(2, counter.changes);
  position.DetachControl(&counter);
}

TEST(MediaParam, ObserveMovesTheControlToAnotherParameter) {
  std::vector<std::string> log;
  MediaParamT<int> first(0), second(0);
  RecordingControl control(&log, "c");
  control.Observe(&first);
  control.Observe(&second);
  EXPECT_EQ(1u, first.ControlCount());
  EXPECT_EQ(2u, second.ControlCount());
  first.SetValue(1);
  EXPECT_TRUE(log.empty());
  second.SetValue(1);
  EXPECT_EQ(1u, log.size());
}

// A handler that removes a later control must not make the walk call it.
class DetachingControl : public MediaControl {
public:
  explicit DetachingControl(std::unique_ptr<RecordingControl>* victim) : m_victim(victim) {}
  void OnParamChanged(MediaControl*) override { m_victim->reset(); }

private:
  std::unique_ptr<RecordingControl>* m_victim;
};

TEST(MediaParam, ControlRemovedDuringNotificationIsNotCalled) {
  std::vector<std::string> log;
  MediaParamT<int> param(0);
  std::unique_ptr<RecordingControl> victim;
  DetachingControl killer(&victim);
  param.AttachControl(&killer);
  victim = std::make_unique<RecordingControl>(&log, "victim");
  victim->Observe(&param);
  param.SetValue(1);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(2u, param.ControlCount());
  param.DetachControl(&killer);
}

// --- undo history ---

TEST(UndoCtrl, HistoryKeepsTheNewestTwentyEntries) {
  MediaParamT<unsigned int> param(0u);
  UndoCtrlT<unsigned int>& undo = param.UndoControl();
  for (unsigned int i = 1; i <= 21; ++i) {
    param.SetValue(i);
    undo.PushHistory();
  }
  const std::list<unsigned int>& entries = undo.History().Entries();
  ASSERT_EQ(20u, entries.size());
  EXPECT_EQ(21u, entries.front()) << "newest first";
  EXPECT_EQ(2u, entries.back()) << "the oldest entry (1) must have been dropped";
}

TEST(UndoCtrl, UndoWithEmptyHistoryChangesNothing) {
  std::vector<std::string> log;
  MediaParamT<int> param(4);
  RecordingControl control(&log, "c");
  control.Observe(&param);
  param.UndoControl().Undo();
  param.UndoControl().Redo();
  EXPECT_EQ(4, param.GetValue());
  EXPECT_TRUE(log.empty());
}

TEST(UndoCtrl, UndoAndRedoRestoreValuesAndNotifyOthers) {
  std::vector<std::string> log;
  MediaParamT<int> param(1);
  UndoCtrlT<int>& undo = param.UndoControl();
  undo.PushHistory();  // history: [1]
  param.SetValue(2);   // cached 2
  RecordingControl control(&log, "c");
  control.Observe(&param);

  undo.Undo();  // swaps 1 into the cache and the owner
  EXPECT_EQ(1, param.GetValue());
  EXPECT_EQ((std::vector<std::string>{"c"}), log);
  EXPECT_EQ(&undo, control.lastSource) << "the undo control is the source of its own change";

  undo.Undo();  // cursor at the end: nothing
  EXPECT_EQ(1, param.GetValue());

  undo.Redo();
  EXPECT_EQ(2, param.GetValue());
  EXPECT_EQ(2u, log.size());

  undo.Redo();  // cursor at the front: nothing
  EXPECT_EQ(2, param.GetValue());
  EXPECT_EQ(2u, log.size());
}

TEST(UndoCtrl, PushAfterUndoDropsTheUndoneEntries) {
  MediaParamT<int> param(1);
  UndoCtrlT<int>& undo = param.UndoControl();
  undo.PushHistory();  // [1]
  param.SetValue(2);
  undo.PushHistory();  // [2, 1]
  param.SetValue(3);
  undo.Undo();  // owner 2, cursor past the first entry
  EXPECT_EQ(2, param.GetValue());
  undo.PushHistory();  // the undone entry goes, 2 is pushed
  const std::list<int>& entries = undo.History().Entries();
  EXPECT_EQ((std::list<int>{2, 1}), entries);
}

TEST(UndoCtrl, DestroyingAParameterWithHistoryDetachesTheOtherControlsOnce) {
  // The undo control dies with the parameter; the base must not call it afterwards.
  CountingControl counter;
  {
    MediaParamT<ds_string> text(L"x");
    text.AttachControl(&counter);
    text.UndoControl().PushHistory();
  }
  EXPECT_EQ(1, counter.detaches);
}

}  // namespace
