// The camsim program as the demo script runs it: N cameras on consecutive ports until a
// stop file appears.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "mini_client.h"

namespace {

using camsim_test::MiniClient;

class Handle {
 public:
  explicit Handle(HANDLE h = nullptr) : h_(h) {}
  ~Handle() {
    if (h_ && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return h_; }
  HANDLE* Out() { return &h_; }

 private:
  HANDLE h_;
};

std::string ModuleFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/") + 1);
}

// Two consecutive ports that nothing listens on right now.
uint16_t FreePortPair() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  uint16_t found = 0;
  for (int attempt = 0; attempt < 20 && !found; ++attempt) {
    SOCKET a = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    SOCKET b = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof sa;
    if (bind(a, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
        getsockname(a, reinterpret_cast<sockaddr*>(&sa), &size) == 0) {
      const uint16_t port = ntohs(sa.sin_port);
      sa.sin_port = htons(static_cast<uint16_t>(port + 1));
      if (port < 65535 && bind(b, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) found = port;
    }
    closesocket(a);
    closesocket(b);
  }
  WSACleanup();
  return found;
}

// Reads the child's output until `marker` shows up or time runs out.
bool ReadOutputUntil(HANDLE pipe, const std::string& marker, std::string& output, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (output.find(marker) == std::string::npos) {
    if (GetTickCount() - start > timeoutMs) return false;
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0) {
      Sleep(10);
      continue;
    }
    char chunk[1024];
    DWORD read = 0;
    if (!ReadFile(pipe, chunk, sizeof chunk, &read, nullptr) || read == 0) return false;
    output.append(chunk, read);
  }
  return true;
}

TEST(CamsimProgram, ServesCamerasOnConsecutivePortsUntilTheStopFileAppears) {
  const uint16_t port = FreePortPair();
  ASSERT_NE(port, 0);
  char tempFolder[MAX_PATH];
  GetTempPathA(MAX_PATH, tempFolder);
  const std::string stopFile =
      std::string(tempFolder) + "camsim-stop-" + std::to_string(GetCurrentProcessId()) + ".txt";
  DeleteFileA(stopFile.c_str());

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Handle readEnd, writeEnd;
  ASSERT_TRUE(CreatePipe(readEnd.Out(), writeEnd.Out(), &inherit, 0));
  SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);

  std::string command = "\"" + ModuleFolder() + "..\\camsim.exe\" --cameras 2 --port " +
                        std::to_string(port) + " --size 160x120 --fps 20 --user u --password p" +
                        " --stop-file \"" + stopFile + "\" --timeout 120";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd.Get();
  startup.hStdError = writeEnd.Get();
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &info))
      << GetLastError();
  Handle process(info.hProcess);
  Handle thread(info.hThread);

  std::string output;
  const bool serving = ReadOutputUntil(readEnd.Get(), "serving 2 cameras", output, 30000);
  if (!serving) TerminateProcess(process.Get(), 1);
  ASSERT_TRUE(serving) << output;
  EXPECT_NE(output.find("127.0.0.1:" + std::to_string(port)), std::string::npos) << output;
  EXPECT_NE(output.find("127.0.0.1:" + std::to_string(port + 1)), std::string::npos) << output;

  for (uint16_t p : {port, static_cast<uint16_t>(port + 1)}) {
    MiniClient client;
    ASSERT_TRUE(client.Connect(p));
    ASSERT_TRUE(client.Send(camsim_test::StreamRequest("dTpw")));  // u:p
    const auto head = camsim_test::ReadStreamHead(client, 10000);
    ASSERT_TRUE(head) << "port " << p;
    EXPECT_EQ(head->statusLine, "HTTP/1.1 200 OK");
    const auto part = camsim_test::ReadPart(client, 10000);
    ASSERT_TRUE(part && part->contentLength) << "port " << p;
  }

  Handle stop(CreateFileA(stopFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_NE(stop.Get(), INVALID_HANDLE_VALUE);
  const DWORD waited = WaitForSingleObject(process.Get(), 20000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.Get(), 1);
  EXPECT_EQ(waited, WAIT_OBJECT_0);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.Get(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
  ReadOutputUntil(readEnd.Get(), "camsim: stopped", output, 2000);
  EXPECT_NE(output.find("camsim: stopped"), std::string::npos) << output;
  DeleteFileA(stopFile.c_str());
}

}  // namespace
