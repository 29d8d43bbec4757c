// Module start, the class factories and the four exports of the sample module.
#include <windows.h>

#include <olectl.h>

#include "framework/class_registration.h"
#include "framework/module.h"
#include "framework/module_entry_points.h"
#include "fwsample_h.h"
#include "resource.h"
#include "sample_classes.h"
#include "sample_ctrl.h"
#include "sample_form.h"
#include "sample_page.h"

namespace {
const CLSID* const kSamplePages[] = {&kSamplePageClsid};
}  // namespace

const fw::ControlClass kSampleClass = {
    &CLSID_Sample,
    "FWSAMPLE.SampleCtrl.1",
    IDS_SAMPLE_TYPE,
    IDB_TOOLBOX,
    fw::kRegInsertable | fw::kRegApartmentThreading,
    OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
        OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE,
    &DIID__DSample,
    &DIID__DSampleEvents,
    kSamplePages,
    1,
    0x00010000,
    fw::SinkPolicy::kEventInterfaceOrDispatch,
};

const fw::ControlClass kSampleFormClass = {
    &CLSID_SampleForm,
    "FWSAMPLE.SampleForm.1",
    IDS_FORM_TYPE,
    IDB_TOOLBOX,
    fw::kRegApartmentThreading,
    OLEMISC_SIMPLEFRAME | OLEMISC_ACTSLIKELABEL,
    &IID_ISampleForm,
    &DIID_ISampleFormEvents,
    nullptr,
    0,
    0x00010000,
    fw::SinkPolicy::kEventInterfaceOnly,
};

const fw::PropertyPageClass kSamplePageClass = {
    &kSamplePageClsid,
    "FWSAMPLE.SamplePropPage.1",
    IDS_SAMPLE_PAGE_TYPE,
    fw::kRegApartmentThreading,
};

namespace {
fw::ControlFactory<CSampleCtrl> g_sampleFactory(kSampleClass);
fw::ControlFactory<CSampleForm> g_formFactory(kSampleFormClass);
fw::PropertyPageFactory<CSamplePage> g_pageFactory(kSamplePageClass);
}  // namespace

FW_CONTROL_MODULE_ENTRY_POINTS(LIBID_FwSampleLib, 1, 0)
