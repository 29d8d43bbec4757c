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

std::optional<ProcessOutput> RunProcessWithOutput(const std::string& commandLine,
                                                  DWORD timeoutMs) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return std::nullopt;
  base::ScopedHandle reader(readEnd);
  base::ScopedHandle writer(writeEnd);
  SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writer.Get();
  startup.hStdError = writer.Get();
  PROCESS_INFORMATION info{};
  std::string command = commandLine;
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return std::nullopt;
  }
  base::ScopedHandle process(info.hProcess);
  base::ScopedHandle thread(info.hThread);
  // Only the child holds the write end now, so the pipe ends when the child does.
  writer.Reset();

  ProcessOutput result;
  const DWORD start = GetTickCount();
  for (;;) {
    DWORD available = 0;
    if (PeekNamedPipe(reader.Get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
      char chunk[4096];
      DWORD read = 0;
      if (ReadFile(reader.Get(), chunk, sizeof chunk, &read, nullptr) && read > 0) {
        result.output.append(chunk, read);
        continue;
      }
    }
    if (WaitForSingleObject(process.Get(), 20) == WAIT_OBJECT_0) break;
    if (GetTickCount() - start > timeoutMs) {
      TerminateProcess(process.Get(), 255);
      WaitForSingleObject(process.Get(), 5000);
      return std::nullopt;
    }
  }
  // What the child wrote just before it ended.
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(reader.Get(), nullptr, 0, nullptr, &available, nullptr) || available == 0)
      break;
    char chunk[4096];
    DWORD read = 0;
    if (!ReadFile(reader.Get(), chunk, sizeof chunk, &read, nullptr) || read == 0) break;
    result.output.append(chunk, read);
  }
  if (!GetExitCodeProcess(process.Get(), &result.exitCode)) return std::nullopt;
  return result;
}

std::string ExecutableFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/") + 1);
}

}  // namespace test_container
