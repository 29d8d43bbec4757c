#include "framework/exception_guard.h"

#include <atomic>
#include <memory>
#include <string>
#include <utility>

#include "base/com_ptr.h"
#include "base/keep_module_loaded.h"
#include "framework/ansi_text.h"
#include "framework/error.h"
#include "framework/module.h"

namespace fw {
namespace {

void DebuggerLogger(const char* where, const char* what) {
  std::string line = "fw: exception stopped in ";
  line += where ? where : "?";
  line += ": ";
  line += what ? what : "?";
  line += "\n";
  OutputDebugStringA(line.c_str());
}

std::atomic<FailureLogger> g_logger{&DebuggerLogger};

struct GuardedThread {
  const char* where;
  std::function<DWORD()> body;
};

DWORD WINAPI GuardedThreadEntry(void* raw) {
  std::unique_ptr<GuardedThread> start(static_cast<GuardedThread*>(raw));
  DWORD code = static_cast<DWORD>(E_UNEXPECTED);
  try {
    code = start->body();
  } catch (const std::bad_alloc&) {
    LogFailure(start->where, "out of memory");
    code = static_cast<DWORD>(E_OUTOFMEMORY);
  } catch (const std::exception& e) {
    LogFailure(start->where, e.what());
  } catch (...) {
    LogFailure(start->where, "unknown exception");
  }
  // The body's captures go while the module is still locked: their destructors are its code.
  GuardVoid(start->where, [&] { start.reset(); });
  Module::Get().Unlock();
  return code;
}

}  // namespace

void SetFailureLogger(FailureLogger logger) { g_logger = logger ? logger : &DebuggerLogger; }

void LogFailure(const char* where, const char* what) {
  // The logger itself must not throw into a guard's catch block.
  try {
    g_logger.load()(where, what);
  } catch (...) {
  }
}

std::string CurrentExceptionText() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown exception";
  }
}

HRESULT SetErrorText(REFIID iid, const char* source, const std::string& text, HRESULT hr) noexcept {
  try {
    base::ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.Receive()))) return hr;
    const std::wstring description = AnsiToWide(text);
    create->SetGUID(iid);
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    if (source) {
      const std::wstring wideSource = AnsiToWide(source);
      create->SetSource(const_cast<LPOLESTR>(wideSource.c_str()));
    }
    base::ComPtr<IErrorInfo> info = create.As<IErrorInfo>();
    if (info) SetErrorInfo(0, info.Get());
  } catch (...) {
    // Out of memory for the texts: the code alone still tells the caller.
  }
  return hr;
}

HRESULT FailWithCurrentException(REFIID iid, const char* source, const char* where) noexcept {
  const HRESULT hr = CurrentExceptionCode();
  try {
    const std::string text = CurrentExceptionText();
    LogFailure(where, text.c_str());
    return ReportError(iid, text, hr, source);
  } catch (...) {
    LogFailure(where, "out of memory");
    return hr;
  }
}

HANDLE StartGuardedThread(const char* where, std::function<DWORD()> body) {
  auto* start = new (std::nothrow) GuardedThread{where, std::move(body)};
  if (!start) return nullptr;
  Module::Get().Lock();
  HANDLE thread = base::StartThreadKeepingModuleLoaded(&GuardedThreadEntry, start);
  if (!thread) {
    delete start;
    Module::Get().Unlock();
  }
  return thread;
}

}  // namespace fw
