#include "testing/container/debug_output.h"

#include <algorithm>
#include <atomic>

namespace test_container {

namespace {

constexpr DWORD kPrintException = 0x40010006;  // DBG_PRINTEXCEPTION_C

std::atomic<DebugOutputCapture*> g_capture{nullptr};

}  // namespace

DebugOutputCapture::DebugOutputCapture() {
  g_capture = this;
  handler_ = AddVectoredExceptionHandler(1, &DebugOutputCapture::Handler);
}

DebugOutputCapture::~DebugOutputCapture() {
  if (handler_) RemoveVectoredExceptionHandler(handler_);
  g_capture = nullptr;
}

LONG CALLBACK DebugOutputCapture::Handler(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  DebugOutputCapture* self = g_capture;
  if (self && record->ExceptionCode == kPrintException && record->NumberParameters >= 2) {
    const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    const size_t length = static_cast<size_t>(record->ExceptionInformation[0]);
    if (text && length > 0) {
      std::string line(text, strnlen(text, length));
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      std::lock_guard<std::mutex> hold(self->lock_);
      self->lines_.push_back(std::move(line));
    }
  }
  // The system's own handling goes on (a debugger, if any, still gets the text).
  return EXCEPTION_CONTINUE_SEARCH;
}

std::vector<std::string> DebugOutputCapture::Lines() const {
  std::lock_guard<std::mutex> hold(lock_);
  return lines_;
}

size_t DebugOutputCapture::CountContaining(const std::string& text) const {
  std::lock_guard<std::mutex> hold(lock_);
  return static_cast<size_t>(std::count_if(lines_.begin(), lines_.end(), [&](const std::string& l) {
    return l.find(text) != std::string::npos;
  }));
}

}  // namespace test_container
