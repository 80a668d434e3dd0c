#include <gtest/gtest.h>

#include "device/ComHolder.h"
#include "device/DeviceUtil.h"
#include "support/CountingUnknown.h"

namespace {

using ds_test::CountingUnknown;
using Holder = DS_ComHolder<IUnknown>;

TEST(ComHolder, AssigningToItselfKeepsTheInterface) {
  CountingUnknown object;
  {
    Holder holder(&object);  // adopts the creation reference
    Holder& same = holder;
    holder = same;
    EXPECT_EQ(object.Count(), 1u);
    EXPECT_EQ(holder.Get(), &object);
  }
  EXPECT_EQ(object.Count(), 0u);
  EXPECT_EQ(object.OverReleases(), 0);
}

TEST(ComHolder, AssigningAnEmptyHolderReleasesTheTarget) {
  CountingUnknown object;
  Holder holder(&object);
  const Holder empty;
  holder = empty;
  EXPECT_EQ(holder.Get(), nullptr);
  EXPECT_EQ(object.Count(), 0u);
}

TEST(ComHolder, CopiesShareWithOneReferenceEach) {
  CountingUnknown a, b;
  Holder first(&a);
  {
    Holder second(first);
    EXPECT_EQ(a.Count(), 2u);
    Holder third(&b);
    third = first;  // releases b, shares a
    EXPECT_EQ(b.Count(), 0u);
    EXPECT_EQ(a.Count(), 3u);
  }
  EXPECT_EQ(a.Count(), 1u);
  first.Release();
  EXPECT_EQ(a.Count(), 0u);
  first.Release();  // a second release of an empty holder touches nothing
  EXPECT_EQ(a.OverReleases(), 0);
}

TEST(ComHolder, SetAddsAReferenceAndAttachAdoptsOne) {
  CountingUnknown object;
  Holder holder;
  holder.Set(&object);
  EXPECT_EQ(object.Count(), 2u);
  object.AddRef();          // a reference handed over by a creating call
  holder.Attach(&object);   // already held: the handed-over reference is dropped
  EXPECT_EQ(object.Count(), 2u);
  IUnknown** slot = holder.Receive();
  EXPECT_EQ(*slot, nullptr);
  EXPECT_EQ(object.Count(), 1u);
}

TEST(ComHolder, DetachHandsTheReferenceOverAndLeavesTheHolderEmpty) {
  CountingUnknown object;
  IUnknown* handed = nullptr;
  {
    Holder holder(&object);
    handed = holder.Detach();
    EXPECT_EQ(holder.Get(), nullptr);
    EXPECT_EQ(Holder().Detach(), nullptr);
  }
  // The holder went out of scope without releasing what it handed over.
  EXPECT_EQ(handed, &object);
  EXPECT_EQ(object.Count(), 1u);
  handed->Release();
  EXPECT_EQ(object.OverReleases(), 0);
}

TEST(SafeRelease, ReleasesOnceAndNullsThePointer) {
  CountingUnknown object(2);
  IUnknown* pointer = &object;
  EXPECT_EQ(SafeRelease(&pointer), 1u);
  EXPECT_EQ(pointer, nullptr);
  EXPECT_EQ(SafeRelease(&pointer), 0u);
  EXPECT_EQ(object.Count(), 1u);
}

}  // namespace
