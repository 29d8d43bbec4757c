// The control served by the test program itself: its class object registered for the
// process under a class id of its own, so a test reaches the control's camera table, stream
// slots and windows directly. The log folder is the program's own.
#pragma once

#include <windows.h>

#include "base/com_ptr.h"
#include "testing/container/control_host.h"
#include "testing/container/event_recorder.h"

namespace liveview {
class CTessalyCtrl;
}

namespace tessaly_test {

extern const CLSID kInProcessClsid;

// For a suite's set-up and tear-down; OLE is initialised by the fixture's environment.
bool ServeInProcess();
void StopServing();

// Hosts the in-process control as the programs here see it, in a 642 x 482 site of the host's
// 742 x 582 window (the settings file written before), with its events recorded into
// `events`: the control object, or nullptr after reporting the failure.
liveview::CTessalyCtrl* HostInProcess(test_container::ControlHost& host,
                                      base::ComPtr<test_container::EventRecorder>* events);

}  // namespace tessaly_test
