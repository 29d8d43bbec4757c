// Wine's ATL control container ("AtlAxWin" windows), as hosts built with ATL embed controls.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace test_container {

// atl.dll's AtlAxGetControl, with the "AtlAxWin" class registered: AtlAxWinInit runs once per
// process (a second call fails on the class the first registered). nullptr when ATL is missing.
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
AtlAxGetControlFn AtlAxWinReady();

}  // namespace test_container
