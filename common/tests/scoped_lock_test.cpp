#include "scoped_lock.h"

#include <gtest/gtest.h>

#include <thread>

namespace common {
namespace {

// Whether another thread could take the section right now.
bool FreeForOtherThreads(CriticalSection& section) {
  bool taken = false;
  std::thread([&] {
    taken = TryEnterCriticalSection(&section.native()) != FALSE;
    if (taken) LeaveCriticalSection(&section.native());
  }).join();
  return taken;
}

TEST(CScopedLock, HoldsTheSectionForItsScopeAndMayNest) {
  CriticalSection section;
  {
    CScopedLock outer(section);
    EXPECT_FALSE(FreeForOtherThreads(section));
    {
      CScopedLock inner(section.native());  // re-entry on the same thread
      EXPECT_FALSE(FreeForOtherThreads(section));
    }
    EXPECT_FALSE(FreeForOtherThreads(section)) << "the outer lock still holds";
  }
  EXPECT_TRUE(FreeForOtherThreads(section));
}

}  // namespace
}  // namespace common
