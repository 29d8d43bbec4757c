// The one place where a C++ exception stops: every COM method, window procedure and thread
// entry of the framework runs its body through one of these, so nothing unwinds into code
// that was not compiled for it (the host, the system's message loop, the thread start).
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <exception>
#include <functional>
#include <new>
#include <string>
#include <type_traits>

namespace fw {

// Receives a line for every exception stopped by a guard. The default writes it to the
// debugger output; a deliverable may send it to its own log.
using FailureLogger = void (*)(const char* where, const char* what);
void SetFailureLogger(FailureLogger logger);
void LogFailure(const char* where, const char* what);

// Runs `body` and returns its HRESULT; an exception becomes E_OUTOFMEMORY or E_UNEXPECTED.
template <class Body>
HRESULT GuardHResult(const char* where, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    LogFailure(where, "out of memory");
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    LogFailure(where, e.what());
    return E_UNEXPECTED;
  } catch (...) {
    LogFailure(where, "unknown exception");
    return E_UNEXPECTED;
  }
}

// Runs `body`; on an exception logs it and returns `onFailure`.
template <class R, class Body>
R GuardValue(const char* where, R onFailure, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::exception& e) {
    LogFailure(where, e.what());
  } catch (...) {
    LogFailure(where, "unknown exception");
  }
  return onFailure;
}

// Runs `body`; on an exception logs it. For handlers with nothing to return.
template <class Body>
void GuardVoid(const char* where, Body&& body) noexcept {
  try {
    body();
  } catch (const std::exception& e) {
    LogFailure(where, e.what());
  } catch (...) {
    LogFailure(where, "unknown exception");
  }
}

// The text of the exception being handled; only inside a catch block.
std::string CurrentExceptionText();

// Sets the thread's COM error information (IErrorInfo) for interface `iid`: `text` as the
// description and `source` (the class's ProgID; may be null) as the source. Returns `hr`.
HRESULT SetErrorText(REFIID iid, const char* source, const std::string& text, HRESULT hr) noexcept;

// For a vtable member of a dual interface, inside a catch block: logs the exception, sets
// its text as error information and returns the code an fw::Error carries (error.h),
// E_OUTOFMEMORY for std::bad_alloc, E_UNEXPECTED for anything else. Called through IDispatch::Invoke the type information turns this into
// DISP_E_EXCEPTION with the same code and texts in EXCEPINFO.
HRESULT FailWithCurrentException(REFIID iid, const char* source, const char* where) noexcept;

// Runs a vtable member of a dual interface written as an ordinary C++ function: its HRESULT
// (S_OK for a body returning nothing), or FailWithCurrentException's. Error information
// left by an earlier call is cleared first, so a plain failure code carries none that is
// stale. The class must answer ISupportErrorInfo for `iid`.
template <class Body>
HRESULT GuardMember(REFIID iid, const char* source, const char* where, Body&& body) noexcept {
  SetErrorInfo(0, nullptr);
  try {
    if constexpr (std::is_void_v<decltype(body())>) {
      body();
      return S_OK;
    } else {
      return body();
    }
  } catch (...) {
    return FailWithCurrentException(iid, source, where);
  }
}

// Starts `body` on a thread of its own. While it runs the module stays loaded (a loader
// reference, given back as the thread ends, so a host's FreeLibrary cannot unmap it) and
// DllCanUnloadNow answers S_FALSE (a module lock). Its result is the thread's exit code; an
// exception is logged under `where` (a literal) and ends the thread with the code
// GuardHResult would answer, E_OUTOFMEMORY or E_UNEXPECTED. Returns the thread's handle, or
// null when it could not start (`body` is then destroyed unrun).
HANDLE StartGuardedThread(const char* where, std::function<DWORD()> body);

}  // namespace fw
