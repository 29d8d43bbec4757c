#include "base/system_library.h"

#include <string>

namespace base {

HMODULE LoadSystemLibrary(const char* fileName) {
  char folder[MAX_PATH];
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::string path(folder, length);
  path.append("\\").append(fileName);
  return LoadLibraryA(path.c_str());
}

}  // namespace base
