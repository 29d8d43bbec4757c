// Wine's ATL control container ("AtlAxWin" windows), as hosts built with ATL embed controls.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "base/com_ptr.h"

namespace test_container {

// atl.dll's AtlAxGetControl, with the "AtlAxWin" class registered: AtlAxWinInit runs once per
// process (a second call fails on the class the first registered). nullptr when ATL is missing.
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
AtlAxGetControlFn AtlAxWinReady();

// A control in an "AtlAxWin" window at the top left of a visible top-level window, as an ATL
// host would embed it. Going, it gives back the control first and then destroys the windows,
// the order of a host closing.
class AtlAxHost {
 public:
  AtlAxHost() = default;
  ~AtlAxHost();
  AtlAxHost(const AtlAxHost&) = delete;
  AtlAxHost& operator=(const AtlAxHost&) = delete;

  // The control `progId` in a `width` x `height` container inside a frame with the window
  // rectangle `frame`; S_OK once it is in place with a window of its own. E_NOTIMPL without
  // Wine's ATL; a time-out when the control never made its window.
  HRESULT Create(const char* progId, const RECT& frame, int width, int height);

  HWND Frame() const { return frame_; }
  HWND Container() const { return axis_; }
  // The control's own window, a child of Container().
  HWND ControlWindow() const { return own_; }
  const base::ComPtr<IUnknown>& Control() const { return control_; }

 private:
  HWND frame_ = nullptr;
  HWND axis_ = nullptr;
  HWND own_ = nullptr;
  base::ComPtr<IUnknown> control_;
};

}  // namespace test_container
