// CStatic: a window of the system's static-control class owned by a CWnd object, for
// labels and for hidden helper windows that only need a window procedure and timers.
#pragma once

#include "framework/window.h"

namespace fw {

class CStatic : public CWnd {
 public:
  bool Create(const char* text, DWORD style, const RECT& rect, HWND parent, UINT id) {
    return CreateEx(0, "STATIC", text, style, rect, parent, id);
  }
};

}  // namespace fw
