// fw::Error: the exception of the layers built on the framework. It carries the failure
// HRESULT of the call that failed, so an interface member that lets it out answers that code
// (GuardMember, exception_guard.h) rather than a general one.
//
// GuardUiHandler runs a window-message or user-interface handler: an exception is shown to
// the user in a message box with its text, and the rest of the handler is skipped. It is
// also the application's exception handler for code that runs from a window of its own (a
// graph's event window, say).
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace fw {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& text, HRESULT code = E_UNEXPECTED)
      : std::runtime_error(text), code_(FAILED(code) ? code : E_UNEXPECTED) {}

  // Always a failure code.
  HRESULT Code() const noexcept { return code_; }

 private:
  HRESULT code_;
};

// The failure code an interface member answers for the exception being handled: an
// fw::Error's own, E_OUTOFMEMORY for std::bad_alloc, E_UNEXPECTED for anything else. Only
// inside a catch block.
HRESULT CurrentExceptionCode() noexcept;

// Sets `text` as the thread's COM error information for interface `iid`, with `source` (the
// class's ProgID; may be null) as its source, and returns `hr`: for members of dual
// interfaces that fail.
HRESULT ReportError(REFIID iid, const std::string& text, HRESULT hr,
                    const char* source = nullptr) noexcept;

// Shows the text of the exception being handled in a message box owned by `owner` (the
// application's title as caption) and logs it under `where`. Only inside a catch block.
void ShowCurrentException(HWND owner, const char* where) noexcept;

// Runs a handler `body`; an exception is shown with ShowCurrentException and ends the
// handler. True when the body ran to its end.
template <class Body>
bool GuardUiHandler(HWND owner, const char* where, Body&& body) noexcept {
  try {
    body();
    return true;
  } catch (...) {
    ShowCurrentException(owner, where);
    return false;
  }
}

}  // namespace fw
