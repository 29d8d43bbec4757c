#include "testing/container/popup_menu.h"

namespace test_container {
namespace {

BOOL CALLBACK TakeVisibleMenu(HWND window, LPARAM out) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, "#32768") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(out) = window;
  return FALSE;
}

}  // namespace

HWND OpenPopupMenuOfThisThread() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &TakeVisibleMenu, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace test_container
