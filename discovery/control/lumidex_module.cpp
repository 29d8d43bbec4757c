// Lumidex.ocx: module start, the class factories and the four exports.
#include <windows.h>

#include "discovery/control/lumidex_classes.h"
#include "discovery/control/lumidex_ctrl.h"
#include "discovery/control/lumidex_prop_page.h"
#include "framework/class_factory.h"
#include "framework/module.h"
#include "lumidex_h.h"

namespace {
fw::ControlFactory<discovery::CLumidexCtrl> g_controlFactory(discovery::kLumidexClass);
fw::PropertyPageFactory<discovery::CLumidexPropPage> g_pageFactory(discovery::kLumidexPageClass);
}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    fw::Module::Get().SetTypeLib(LIBID_LUMIDEXLib, 1, 0);
    return fw::Module::Get().Start(instance);
  }
  if (reason == DLL_PROCESS_DETACH) fw::Module::Get().End(reserved != nullptr);
  return TRUE;
}

STDAPI DllRegisterServer() { return fw::Module::Get().RegisterServer(); }
STDAPI DllUnregisterServer() { return fw::Module::Get().UnregisterServer(); }
STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return fw::Module::Get().GetClassObject(clsid, iid, out);
}
STDAPI DllCanUnloadNow() { return fw::Module::Get().CanUnloadNow(); }
