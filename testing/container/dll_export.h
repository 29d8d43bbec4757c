// A function exported by a loaded module, typed, or null.
#pragma once

#include <windows.h>

namespace test_container {

template <class F>
F DllExport(HMODULE module, const char* name) {
  // Through void*: FARPROC's own type says nothing about the export's.
  return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

}  // namespace test_container
