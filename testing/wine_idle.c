/* Does nothing for as long as it lives: scripts/test keeps one running so that every test
   process finds wineserver and explorer already up, and starts in a tenth of a second. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)commandLine;
  (void)show;
  Sleep(INFINITE);
  return 0;
}
