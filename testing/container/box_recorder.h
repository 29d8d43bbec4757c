// Every message box of every thread of the process, answered IDOK at once and kept as code
// page 936 bytes with the thread that showed it: dialogs under test show their boxes from
// worker threads too, and the Chinese build's texts are compared as bytes.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "framework/message_box.h"

namespace test_container {

class BoxRecorder {
 public:
  BoxRecorder();

  struct Box {
    std::string text;
    DWORD thread;
  };

  std::vector<Box> Boxes();
  std::vector<std::string> Texts();
  size_t Count() { return Boxes().size(); }
  // The latest box's text; empty when none was shown.
  std::string Last();
  bool Has(const std::string& text);
  // The texts in hexadecimal, for failure messages.
  std::string Describe();

 private:
  std::mutex lock_;
  std::vector<Box> boxes_;
  // Last, so it is gone before what its handler writes to.
  fw::ProcessMessageBoxInterceptor intercept_;
};

}  // namespace test_container
