// Module start, the class factory and the four exports of Vantrel.ocx. DllMain does only the
// framework's part; the form and its windows are made with each control.
#include <windows.h>

#include "framework/class_factory.h"
#include "framework/module_entry_points.h"
#include "recordbrowser/control/vantrel_control.h"

namespace {
fw::ControlFactory<vantrel::TVantrelControl> g_vantrelFactory(vantrel::kVantrelClass);
}  // namespace

FW_CONTROL_MODULE_ENTRY_POINTS(LIBID_VantrelProj, 1, 0)
