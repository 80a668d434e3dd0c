#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "document/ParamBinder.h"
#include "document/ScaledParams.h"

namespace {

// An object that binds its parameters' changes to its own member functions, as the
// scene items do.
class Listener {
public:
  virtual ~Listener() { ++*destroyed; }
  void OnCount(unsigned int value) { counts.push_back(value); }
  void OnOffset(int value) { offsets.push_back(value); }
  void OnChanged() { ++changes; }

  std::vector<unsigned int> counts;
  std::vector<int> offsets;
  int changes = 0;
  int* destroyed = &m_ownDestroyed;

private:
  int m_ownDestroyed = 0;
};

class DerivedListener : public Listener {};

TEST(ParamBinder, ValueBinderCallsOnceAtBindAndOncePerChange) {
  MediaParamT<unsigned int> count(3u);
  Listener listener;
  DS_FunLightCtrlList binders;
  binders.BindValue(count, &listener, &Listener::OnCount);
  EXPECT_EQ((std::vector<unsigned int>{3u}), listener.counts) << "the current value arrives while binding";

  count.SetValue(4u);
  count.SetValue(4u);  // equal: nothing
  count.SetValue(9u);
  EXPECT_EQ((std::vector<unsigned int>{3u, 4u, 9u}), listener.counts);
  EXPECT_EQ(1u, binders.Count());
}

TEST(ParamBinder, ChangeBinderIsNotCalledAtBind) {
  MediaParamT<int> offset(0);
  Listener listener;
  DS_FunLightCtrlList binders;
  binders.BindChange(offset, &listener, &Listener::OnChanged);
  EXPECT_EQ(0, listener.changes);
  offset.SetValue(1);
  offset.SetValue(2);
  EXPECT_EQ(2, listener.changes);
}

TEST(ParamBinder, BinderIsAppendedAfterTheParametersOwnControls) {
  TimeParam time(100u);
  Listener listener;
  DS_FunLightCtrlList binders;
  MediaControl* binder = binders.BindValue(time, &listener, &Listener::OnCount);
  ASSERT_EQ(3u, time.ControlCount());
  EXPECT_EQ(binder, time.Controls().back());
  time.SetValue(250u);
  EXPECT_FLOAT_EQ(2.5f, time.GetResult());
  EXPECT_EQ(250u, listener.counts.back());
}

TEST(ParamBinder, ChangeMadeByTheBinderAsSourceSkipsIt) {
  MediaParamT<int> offset(0);
  Listener listener;
  DS_FunLightCtrlList binders;
  MediaControl* binder = binders.BindValue(offset, &listener, &Listener::OnOffset);
  binders.BindChange(offset, &listener, &Listener::OnChanged);
  offset.SetValue(5, binder);
  EXPECT_EQ((std::vector<int>{0}), listener.offsets) << "only the bind-time call";
  EXPECT_EQ(1, listener.changes) << "the other binder still hears it";
}

TEST(ParamBinder, BaseClassFunctionBindsOnADerivedOwner) {
  MediaParamT<unsigned int> count(1u);
  DerivedListener listener;
  DS_FunLightCtrlList binders;
  binders.BindValue(count, &listener, &Listener::OnCount);
  EXPECT_EQ(1u, listener.counts.size());
}

TEST(ParamBinder, ListDestroyedFirstLeavesTheParameters) {
  MediaParamT<unsigned int> count(1u);
  MediaParamT<int> offset(0);
  Listener listener;
  {
    DS_FunLightCtrlList binders;
    binders.BindValue(count, &listener, &Listener::OnCount);
    binders.BindChange(offset, &listener, &Listener::OnChanged);
    EXPECT_EQ(2u, count.ControlCount());
    EXPECT_EQ(2u, offset.ControlCount());
  }
  EXPECT_EQ(1u, count.ControlCount());
  EXPECT_EQ(1u, offset.ControlCount());
  count.SetValue(2u);
  offset.SetValue(3);
  EXPECT_EQ(1u, listener.counts.size());
  EXPECT_EQ(0, listener.changes);
}

TEST(ParamBinder, ParameterDestroyedFirstLeavesDetachedBinders) {
  Listener listener;
  DS_FunLightCtrlList binders;
  {
    MediaParamT<unsigned int> count(1u);
    MediaParamT<int> offset(0);
    binders.BindValue(count, &listener, &Listener::OnCount);
    binders.BindChange(offset, &listener, &Listener::OnChanged);
  }
  EXPECT_EQ(2u, binders.Count()) << "detached binders stay in the list until it dies";
  binders.Clear();  // must not touch the dead parameters
  EXPECT_EQ(0u, binders.Count());
}

TEST(ParamBinder, OwnedTargetIsDeletedWithTheList) {
  int destroyed = 0;
  {
    DS_FunLightCtrlList binders;
    Listener* target = new DerivedListener;
    target->destroyed = &destroyed;
    binders.SetTarget(target, true);
  }
  EXPECT_EQ(1, destroyed);
}

TEST(ParamBinder, TargetNotOwnedIsNeverDeleted) {
  int destroyed = 0;
  Listener target;
  target.destroyed = &destroyed;
  {
    DS_FunLightCtrlList binders;
    binders.SetTarget(&target, false);
    MediaParamT<int> offset(0);
    binders.BindValue(offset, &target, &Listener::OnOffset);
  }
  EXPECT_EQ(0, destroyed);
  target.destroyed = &destroyed;  // the target's own destructor counts at scope end
}

TEST(ParamBinder, RebindingAfterClearCallsTheNewOwner) {
  // An owner's copy binds anew: the copy's binders call the copy, not the original.
  MediaParamT<unsigned int> count(7u);
  Listener original, copy;
  DS_FunLightCtrlList binders;
  binders.BindValue(count, &original, &Listener::OnCount);
  binders.Clear();
  binders.BindValue(count, &copy, &Listener::OnCount);
  count.SetValue(8u);
  EXPECT_EQ((std::vector<unsigned int>{7u}), original.counts);
  EXPECT_EQ((std::vector<unsigned int>{7u, 8u}), copy.counts);
}

// An owner whose handler changes another bound parameter: notifications run nested.
class Chained {
public:
  Chained() {
    binders.BindValue(first, this, &Chained::OnFirst);
    binders.BindValue(second, this, &Chained::OnSecond);
  }
  void OnFirst(unsigned int value) { second.SetValue(value * 2); }
  void OnSecond(unsigned int value) { seen.push_back(value); }

  MediaParamT<unsigned int> first{0u};
  MediaParamT<unsigned int> second{0u};
  std::vector<unsigned int> seen;
  DS_FunLightCtrlList binders;
};

TEST(ParamBinder, HandlersThatChangeParametersNotifyNested) {
  Chained chained;
  chained.first.SetValue(3u);
  EXPECT_EQ(6u, chained.second.GetValue());
  EXPECT_EQ((std::vector<unsigned int>{0u, 6u}), chained.seen);
}

}  // namespace
