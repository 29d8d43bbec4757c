#include <gtest/gtest.h>

#include "base/com_ptr.h"
#include "testing/support/counted_unknown.h"

namespace {

// Counts references; never deletes (it lives on the test's stack).
using Counted = testing_support::CountedUnknown;

TEST(ComPtr, SharesAdoptsAndReleasesExactlyOnce) {
  Counted object;
  {
    base::ComPtr<IUnknown> shared(&object);
    EXPECT_EQ(object.refs, 2u);
    base::ComPtr<IUnknown> copy = shared;
    EXPECT_EQ(object.refs, 3u);
    base::ComPtr<IUnknown> moved = std::move(copy);
    EXPECT_EQ(object.refs, 3u);
    EXPECT_FALSE(copy);
    copy = moved;  // assignment over empty
    EXPECT_EQ(object.refs, 4u);
    copy = copy;  // self-assignment keeps the count
    EXPECT_EQ(object.refs, 4u);
  }
  EXPECT_EQ(object.refs, 1u);

  object.AddRef();  // a reference the caller owns, as from an out-parameter
  base::ComPtr<IUnknown> adopted;
  adopted.Attach(&object);
  EXPECT_EQ(object.refs, 2u);
  adopted.Reset();
  EXPECT_EQ(object.refs, 1u);
}

TEST(ComPtr, ReceiveDropsTheOldPointerAndCopyOutAddsOne) {
  Counted a, b;
  base::ComPtr<IUnknown> p(&a);
  IUnknown** slot = p.Receive();
  EXPECT_EQ(a.refs, 1u);
  *slot = &b;  // the callee fills the slot with a reference of its own
  b.AddRef();
  IUnknown* out = p.CopyOut();
  EXPECT_EQ(out, &b);
  EXPECT_EQ(b.refs, 3u);
  out->Release();
  base::ComPtr<IUnknown> queried = p.As<IUnknown>();
  EXPECT_EQ(queried.Get(), &b);
  EXPECT_EQ(b.refs, 3u);
}

}  // namespace
