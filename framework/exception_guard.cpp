#include "framework/exception_guard.h"

#include <atomic>
#include <string>

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

}  // namespace

void SetFailureLogger(FailureLogger logger) { g_logger = logger ? logger : &DebuggerLogger; }

void LogFailure(const char* where, const char* what) {
  // The logger itself must not throw into a guard's catch block.
  try {
    g_logger.load()(where, what);
  } catch (...) {
  }
}

}  // namespace fw
