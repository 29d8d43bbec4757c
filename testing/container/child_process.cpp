#include "testing/container/child_process.h"

#include "base/scoped_handle.h"

namespace test_container {

std::optional<DWORD> RunProcess(const std::string& commandLine, DWORD timeoutMs) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::string command = commandLine;  // CreateProcess may write into it
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return std::nullopt;
  }
  base::ScopedHandle process(info.hProcess);
  base::ScopedHandle thread(info.hThread);
  if (WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.Get(), 255);
    WaitForSingleObject(process.Get(), 5000);
    return std::nullopt;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process.Get(), &code)) return std::nullopt;
  return code;
}

std::string ExecutableFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/") + 1);
}

}  // namespace test_container
