#include "discovery/control/lumidex_classes.h"

#include <olectl.h>

#include "discovery/control/resource.h"
#include "framework/class_registration.h"
#include "lumidex_h.h"

namespace discovery {
namespace {
const CLSID* const kPages[] = {&kLumidexPageClsid};
}  // namespace

const fw::ControlClass kLumidexClass = {
    &CLSID_Lumidex,
    "LUMIDEX.LumidexCtrl.1",
    IDS_LUMIDEX,
    IDB_LUMIDEX,
    fw::kRegApartmentThreading,
    OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
        OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE,
    &DIID__DLumidex,
    &DIID__DLumidexEvents,
    kPages,
    1,
    0x00010000,
    // Script and page hosts connect plain IDispatch sinks.
    fw::SinkPolicy::kEventInterfaceOrDispatch,
};

const fw::PropertyPageClass kLumidexPageClass = {
    &kLumidexPageClsid,
    "LUMIDEX.LumidexPropPage.1",
    IDS_LUMIDEX_PPG,
    fw::kRegApartmentThreading,
};

}  // namespace discovery
