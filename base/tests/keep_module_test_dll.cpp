// A DLL whose thread outlives the host's FreeLibrary, as a control's command thread may.
#include <windows.h>

#include "base/keep_module_loaded.h"

namespace {

DWORD WINAPI WaitForRelease(void* event) {
  WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
  return 42;
}

}  // namespace

extern "C" __declspec(dllexport) HANDLE StartWaiter(HANDLE release) {
  return base::StartThreadKeepingModuleLoaded(WaitForRelease, release);
}
