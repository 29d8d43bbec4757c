#include <gtest/gtest.h>

#include <thread>

#include "base/scoped_lock.h"

namespace common {
namespace {

// Whether another thread could take the section right now.
bool FreeForOtherThreads(base::CriticalSection& section) {
  bool taken = false;
  std::thread([&] {
    taken = TryEnterCriticalSection(&section.native()) != FALSE;
    if (taken) LeaveCriticalSection(&section.native());
  }).join();
  return taken;
}

TEST(CScopedLock, HoldsTheSectionForItsScopeAndMayNest) {
  base::CriticalSection section;
  {
    base::CScopedLock outer(section);
    EXPECT_FALSE(FreeForOtherThreads(section));
    {
      base::CScopedLock inner(section.native());  // re-entry on the same thread
      EXPECT_FALSE(FreeForOtherThreads(section));
    }
    EXPECT_FALSE(FreeForOtherThreads(section)) << "the outer lock still holds";
  }
  EXPECT_TRUE(FreeForOtherThreads(section));
}

}  // namespace
}  // namespace common
