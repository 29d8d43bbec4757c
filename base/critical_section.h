// A CRITICAL_SECTION that lives exactly as long as its owner.
#pragma once

#include <windows.h>

namespace base {

class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&section_); }
  ~CriticalSection() { DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  CRITICAL_SECTION& native() { return section_; }

 private:
  CRITICAL_SECTION section_;
};

}  // namespace base
