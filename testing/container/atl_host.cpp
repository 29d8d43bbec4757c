#include "testing/container/atl_host.h"

#include <ole2.h>

#include "testing/container/dll_export.h"
#include "testing/container/message_pump.h"

namespace test_container {

AtlAxGetControlFn AtlAxWinReady() {
  static const AtlAxGetControlFn ready = [] () -> AtlAxGetControlFn {
    HMODULE atl = LoadLibraryA("atl.dll");
    if (!atl) return nullptr;
    auto init = DllExport<BOOL(WINAPI*)()>(atl, "AtlAxWinInit");
    auto getControl = DllExport<AtlAxGetControlFn>(atl, "AtlAxGetControl");
    return init && getControl && init() ? getControl : nullptr;
  }();
  return ready;
}

AtlAxHost::~AtlAxHost() {
  control_.Reset();
  if (frame_) DestroyWindow(frame_);
  PumpFor(100);
}

HRESULT AtlAxHost::Create(const char* progId, const RECT& frame, int width, int height) {
  const auto getControl = AtlAxWinReady();
  if (!getControl) return E_NOTIMPL;
  frame_ = CreateWindowExA(0, "STATIC", "ATL host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, frame.left,
                           frame.top, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!frame_) return HRESULT_FROM_WIN32(GetLastError());
  axis_ = CreateWindowExA(0, "AtlAxWin", progId, WS_CHILD | WS_VISIBLE, 0, 0, width, height,
                          frame_, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!axis_) return E_FAIL;
  const HRESULT hr = getControl(axis_, control_.Receive());
  if (FAILED(hr)) return hr;
  if (!control_) return E_POINTER;
  const bool inPlace = PumpUntil(
      [&] {
        auto object = control_.As<IOleInPlaceObject>();
        return object && SUCCEEDED(object->GetWindow(&own_)) && own_;
      },
      5000);
  return inPlace ? S_OK : HRESULT_FROM_WIN32(ERROR_TIMEOUT);
}

}  // namespace test_container
