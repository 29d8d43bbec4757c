/* Does nothing for as long as it lives: scripts/test keeps one running so that every test
   process finds wineserver and explorer already up, and starts in a tenth of a second.
   With "--desktop" it only makes sure the desktop exists, then ends: run before any test, so
   that the desktop's explorer is not started by a test, holding that test's output open. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)show;
  GetDesktopWindow();
  if (lstrcmpA(commandLine, "--desktop") == 0) return 0;
  Sleep(INFINITE);
  return 0;
}
