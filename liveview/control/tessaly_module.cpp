// Module start, the class factories and the four exports of Tessaly.ocx. DllMain does only
// the framework's part: Winsock starts with the first control and the texts load on use,
// so nothing here runs under the loader lock that could wait for another DLL.
#include <windows.h>

#include <olectl.h>

#include "framework/class_registration.h"
#include "framework/module.h"
#include "framework/module_entry_points.h"
#include "liveview/control/tessaly_classes.h"
#include "liveview/control/tessaly_ctrl.h"
#include "liveview/control/tessaly_prop_page.h"
#include "liveview/control/tessaly_module_resource.h"
#include "tessaly_h.h"

namespace liveview {
namespace {
const CLSID* const kTessalyPages[] = {&kTessalyPageClsid};
}  // namespace

const fw::ControlClass kTessalyClass = {
    &CLSID_Tessaly,
    "TESSALY.TessalyCtrl.1",
    IDS_TESSALY_TYPE,
    IDB_TESSALY,
    fw::kRegInsertable | fw::kRegApartmentThreading,
    OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
        OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE,
    &DIID__DTessaly,
    &DIID__DTessalyEvents,
    kTessalyPages,
    1,
    0x00010000,
};

const fw::PropertyPageClass kTessalyPageClass = {
    &kTessalyPageClsid,
    "TESSALY.TessalyPropPage.1",
    IDS_TESSALY_PAGE_TYPE,
    fw::kRegApartmentThreading,
};

namespace {
fw::ControlFactory<CTessalyCtrl> g_controlFactory(kTessalyClass);
fw::PropertyPageFactory<CTessalyPropPage> g_pageFactory(kTessalyPageClass);
}  // namespace

}  // namespace liveview

FW_CONTROL_MODULE_ENTRY_POINTS(LIBID_TESSALYLib, 1, 0)
