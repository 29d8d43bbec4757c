#include "testing/container/test_frame.h"

namespace test_container {

namespace {

const char kFrameClass[] = "TestFrame";

bool EnsureFrameClass() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kFrameClass;
    return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

HWND CreateTestFrame(const char* caption, const RECT& outer) {
  if (!EnsureFrameClass()) return nullptr;
  return CreateWindowA(kFrameClass, caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, outer.left,
                       outer.top, outer.right - outer.left, outer.bottom - outer.top, nullptr,
                       nullptr, GetModuleHandleA(nullptr), nullptr);
}

RECT FrameAroundClient(int x, int y, int width, int height) {
  RECT r{0, 0, width, height};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  OffsetRect(&r, x - r.left, y - r.top);
  return r;
}

}  // namespace test_container
