#include "base/keep_module_loaded.h"

#include <new>

namespace base {
namespace {

struct ThreadStart {
  LPTHREAD_START_ROUTINE entry;
  void* argument;
  HMODULE module;
};

DWORD WINAPI ThreadKeepingModule(void* raw) {
  const ThreadStart start = *static_cast<ThreadStart*>(raw);
  delete static_cast<ThreadStart*>(raw);
  const DWORD result = start.entry(start.argument);
  // This function's own code may lie in the module given back: the call does not return.
  FreeLibraryAndExitThread(start.module, result);
  return result;
}

}  // namespace

HANDLE StartThreadKeepingModuleLoaded(LPTHREAD_START_ROUTINE entry, void* argument) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCSTR>(entry), &module)) {
    return nullptr;
  }
  auto* start = new (std::nothrow) ThreadStart{entry, argument, module};
  HANDLE thread = start ? CreateThread(nullptr, 0, ThreadKeepingModule, start, 0, nullptr)
                        : nullptr;
  if (!thread) {
    delete start;
    FreeLibrary(module);
  }
  return thread;
}

}  // namespace base
