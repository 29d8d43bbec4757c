// The one place where a C++ exception stops: every COM method, window procedure and thread
// entry of the framework runs its body through one of these, so nothing unwinds into code
// that was not compiled for it (the host, the system's message loop, the thread start).
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <new>

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

}  // namespace fw
