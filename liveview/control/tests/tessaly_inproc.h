// The control served by the test program itself: its class object registered for the
// process under a class id of its own, so a test reaches the control's camera table, stream
// slots and windows directly. The log folder is the program's own.
#pragma once

#include <windows.h>

namespace tessaly_test {

extern const CLSID kInProcessClsid;

// For a suite's set-up and tear-down; OLE is initialised by the fixture's environment.
bool ServeInProcess();
void StopServing();

}  // namespace tessaly_test
