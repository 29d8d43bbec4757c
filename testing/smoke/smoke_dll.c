#include <windows.h>

/* __stdcall on purpose: without the .def file its export would be named SmokeAnswer@4. */
LONG WINAPI SmokeAnswer(LONG question) { return question * 2 + 42; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
