// The lines this process writes with OutputDebugString (the framework's default failure
// log, also that of a control's DLL), seen through a vectored exception handler: with no
// debugger attached the system raises them as DBG_PRINTEXCEPTION_C in the writing thread.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace test_container {

class DebugOutputCapture {
 public:
  DebugOutputCapture();
  DebugOutputCapture(const DebugOutputCapture&) = delete;
  DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;
  ~DebugOutputCapture();

  std::vector<std::string> Lines() const;
  size_t CountContaining(const std::string& text) const;

 private:
  static LONG CALLBACK Handler(EXCEPTION_POINTERS* info);

  void* handler_ = nullptr;
  mutable std::mutex lock_;
  std::vector<std::string> lines_;
};

}  // namespace test_container
