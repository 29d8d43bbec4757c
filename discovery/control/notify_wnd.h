// CNotifyWnd: the discovery control's hidden window. A static-control window, child of the
// desktop, never shown, that lives on the thread that called Init. The finder's listener
// only wakes it (WM_CAMFOUND, nothing in the parameters); its search timer ticks every
// second. Both reach the callback, which carries its own control's context, so each hidden
// window speaks only for the control that made it.
#pragma once

#include <windows.h>

#include "framework/static_wnd.h"

namespace discovery {

constexpr UINT WM_CAMFOUND = 2135;     // posted by the listener: cameras wait in the queue
constexpr UINT CB_CAMFOUND = 1124;     // callback code, and the control's own message
constexpr UINT CB_SEARCHTIMER = 1125;  // callback code: the search timer ticked
constexpr UINT_PTR IDT_SEARCH = 1234;
constexpr UINT kSearchPeriodMs = 1000;
constexpr UINT kNotifyWndId = 0xFFFF;

class CNotifyWnd : public fw::CStatic {
 public:
  using Callback = void (*)(void* context, UINT code, WPARAM w, LPARAM l);

  // The hidden window: no text, child style only, an empty rectangle, the desktop as parent.
  bool CreateHidden();
  void SetCallback(Callback callback, void* context) {
    callback_ = callback;
    context_ = context;
  }

  LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override;

 protected:
  void OnTimer(UINT_PTR id) override;

 private:
  Callback callback_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace discovery
