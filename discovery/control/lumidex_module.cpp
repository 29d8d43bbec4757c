// Lumidex.ocx: module start, the class factories and the four exports.
#include <windows.h>

#include "discovery/control/lumidex_classes.h"
#include "discovery/control/lumidex_ctrl.h"
#include "discovery/control/lumidex_prop_page.h"
#include "framework/class_factory.h"
#include "framework/module.h"
#include "framework/module_entry_points.h"
#include "lumidex_h.h"

namespace {
fw::ControlFactory<discovery::CLumidexCtrl> g_controlFactory(discovery::kLumidexClass);
fw::PropertyPageFactory<discovery::CLumidexPropPage> g_pageFactory(discovery::kLumidexPageClass);
}  // namespace

FW_CONTROL_MODULE_ENTRY_POINTS(LIBID_LUMIDEXLib, 1, 0)
