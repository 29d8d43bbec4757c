#include "tessaly_inproc.h"

#include <ole2.h>

#include <gtest/gtest.h>

#include "framework/class_factory.h"
#include "liveview/control/tessaly_classes.h"
#include "liveview/control/tessaly_ctrl.h"
#include "liveview/resources/tessaly_resource.h"
#include "tessaly_fixture.h"
#include "tessaly_h.h"
#include "testing/container/child_process.h"

namespace tessaly_test {

// Not Tessaly's class id: nothing of it is registered, the process serves it.
const CLSID kInProcessClsid = {
    0x5B0E7C41, 0x2D6A, 0x4E8B, {0x9C, 0x13, 0x7A, 0x44, 0x0F, 0x61, 0xD2, 0x58}};

}  // namespace tessaly_test

namespace liveview {

const fw::ControlClass kTessalyClass = {
    &tessaly_test::kInProcessClsid, "TESSALY.InProcessTest.1", IDS_GENERAL, 0, 0,
    OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT,
    &DIID__DTessaly, &DIID__DTessalyEvents, nullptr, 0, 0x00010000,
};

}  // namespace liveview

namespace tessaly_test {
namespace {

fw::ControlFactory<liveview::CTessalyCtrl> g_factory(liveview::kTessalyClass);
DWORD g_classCookie = 0;

}  // namespace

bool ServeInProcess() {
  UseLogFolder(test_container::ExecutableFolder() + "log");
  if (g_classCookie) return true;
  return CoRegisterClassObject(kInProcessClsid, &g_factory, CLSCTX_INPROC_SERVER,
                               REGCLS_MULTIPLEUSE, &g_classCookie) == S_OK;
}

void StopServing() {
  if (g_classCookie) CoRevokeClassObject(g_classCookie);
  g_classCookie = 0;
  ClearSettings();
}

}  // namespace tessaly_test

namespace tessaly_test {

liveview::CTessalyCtrl* HostInProcess(test_container::ControlHost& host,
                                      base::ComPtr<test_container::EventRecorder>* events) {
  SetWindowPos(host.Window(), nullptr, 0, 0, 742, 582, SWP_NOMOVE | SWP_NOZORDER);
  const HRESULT created = host.Create(kInProcessClsid, 642, 482);
  if (created != S_OK) {
    ADD_FAILURE() << "hosting the control: 0x" << std::hex << created;
    return nullptr;
  }
  *events = test_container::EventRecorder::Create(DIID__DTessalyEvents);
  const HRESULT connected = (*events)->Connect(host.Control());
  if (connected != S_OK) {
    ADD_FAILURE() << "connecting the event recorder: 0x" << std::hex << connected;
    return nullptr;
  }
  liveview::CTessalyCtrl* control = liveview::CTessalyCtrl::Last();
  if (!control) ADD_FAILURE() << "no control object";
  return control;
}

}  // namespace tessaly_test
