/* Stands in for the browser in the tool's tests: writes the command line it was started
   with, as UTF-8, to browser_command_line.txt beside itself, and ends. Never a real
   browser: under Wine that would reach the host. */
#include <wchar.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  wchar_t path[MAX_PATH + 40], temp[MAX_PATH + 40];
  char utf8[8192];
  DWORD written = 0;
  HANDLE file;
  wchar_t* slash;
  int length;
  (void)instance;
  (void)previous;
  (void)commandLine;
  (void)show;
  if (!GetModuleFileNameW(NULL, path, MAX_PATH)) return 1;
  slash = wcsrchr(path, L'\\');
  if (slash) slash[1] = L'\0';
  wcscpy(temp, path);
  wcscat(path, L"browser_command_line.txt");
  wcscat(temp, L"browser_command_line.tmp");
  length = WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, utf8, sizeof utf8, NULL, NULL);
  if (length <= 0) return 2;
  /* Written aside and moved in, so a reader never sees half of it. */
  file = CreateFileW(temp, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 3;
  WriteFile(file, utf8, (DWORD)(length - 1), &written, NULL);
  CloseHandle(file);
  return MoveFileExW(temp, path, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
