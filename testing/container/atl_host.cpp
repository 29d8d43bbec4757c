#include "testing/container/atl_host.h"

#include "testing/container/dll_export.h"

namespace test_container {

AtlAxGetControlFn AtlAxWinReady() {
  static const AtlAxGetControlFn ready = [] () -> AtlAxGetControlFn {
    HMODULE atl = LoadLibraryA("atl.dll");
    if (!atl) return nullptr;
    auto init = DllExport<BOOL(WINAPI*)()>(atl, "AtlAxWinInit");
    auto getControl = DllExport<AtlAxGetControlFn>(atl, "AtlAxGetControl");
    return init && getControl && init() ? getControl : nullptr;
  }();
  return ready;
}

}  // namespace test_container
