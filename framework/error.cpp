#include "framework/error.h"

#include <new>

#include "framework/exception_guard.h"
#include "framework/message_box.h"

namespace fw {

HRESULT CurrentExceptionCode() noexcept {
  try {
    throw;
  } catch (const Error& e) {
    return e.Code();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT ReportError(REFIID iid, const std::string& text, HRESULT hr, const char* source) noexcept {
  return SetErrorText(iid, source, text, hr);
}

void ShowCurrentException(HWND owner, const char* where) noexcept {
  try {
    const std::string text = CurrentExceptionText();
    LogFailure(where, text.c_str());
    // The box's own loop may raise (out of memory for its texts); the handler is over anyway.
    ShowMessageBox(owner, text, nullptr, MB_OK | MB_ICONERROR);
  } catch (...) {
    LogFailure(where, "the error could not be shown");
  }
}

}  // namespace fw
