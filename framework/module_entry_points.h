// The entry points of a control module: DllMain and the four COM exports, all on
// fw::Module. A control module's main source file ends with
//
//   FW_CONTROL_MODULE_ENTRY_POINTS(LIBID_MyLib, 1, 0)
//
// (a macro: the exports must be defined in the module itself, not in the static library).
// DllMain only records the instance and the type library: no Winsock and no user32 work
// under the loader lock.
#pragma once

#include <windows.h>

#include "framework/module.h"

#define FW_CONTROL_MODULE_ENTRY_POINTS(libid, major, minor)                      \
  BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {        \
    if (reason == DLL_PROCESS_ATTACH) {                                          \
      DisableThreadLibraryCalls(instance);                                       \
      fw::Module::Get().SetTypeLib(libid, major, minor);                         \
      return fw::Module::Get().Start(instance);                                  \
    }                                                                            \
    if (reason == DLL_PROCESS_DETACH) fw::Module::Get().End(reserved != nullptr); \
    return TRUE;                                                                 \
  }                                                                              \
  STDAPI DllRegisterServer() { return fw::Module::Get().RegisterServer(); }      \
  STDAPI DllUnregisterServer() { return fw::Module::Get().UnregisterServer(); }  \
  STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {             \
    return fw::Module::Get().GetClassObject(clsid, iid, out);                    \
  }                                                                              \
  STDAPI DllCanUnloadNow() { return fw::Module::Get().CanUnloadNow(); }
