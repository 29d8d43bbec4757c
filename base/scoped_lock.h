// Holds a critical section for the lifetime of a scope, so no return path can leave it held.
#pragma once

#include <windows.h>

#include "base/critical_section.h"

namespace base {

class CScopedLock {
 public:
  explicit CScopedLock(CRITICAL_SECTION& section) : section_(section) {
    EnterCriticalSection(&section_);
  }
  explicit CScopedLock(CriticalSection& section) : CScopedLock(section.native()) {}
  ~CScopedLock() { LeaveCriticalSection(&section_); }
  CScopedLock(const CScopedLock&) = delete;
  CScopedLock& operator=(const CScopedLock&) = delete;

 private:
  CRITICAL_SECTION& section_;
};

}  // namespace base
