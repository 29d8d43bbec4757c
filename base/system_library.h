// Loads a DLL of the system folder by its full path, so that a control loaded into any host
// never picks up a file of the same name from the host's own folder.
#pragma once

#include <windows.h>

namespace base {

// The module, kept loaded for the life of the process; nullptr when it cannot be loaded.
HMODULE LoadSystemLibrary(const char* fileName);

// An export of `module` as the function type F; nullptr when missing.
template <class F>
F SystemExport(HMODULE module, const char* name) {
  return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

}  // namespace base
