#include "camera_command.h"

#include <winsock2.h>

#include <atomic>
#include <cstring>
#include <memory>

#include "framework/module.h"
#include "scoped_socket.h"
#include "stream_connect.h"
#include "stream_socket.h"

namespace liveview {
namespace {

constexpr const char* kRequestLines[kMaxCommandCode + 1] = {
    "GET /cgi-bin/action?action=cam_mv&diretion=cam_right HTTP/1.1",
    "GET /cgi-bin/action?action=cam_mv&diretion=cam_left HTTP/1.1",
    "GET /cgi-bin/action?action=cam_mv&diretion=cam_up HTTP/1.1",
    "GET /cgi-bin/action?action=cam_mv&diretion=cam_down HTTP/1.1",
    "GET /cgi-bin/action?action=cam_mv&diretion=cam_home HTTP/1.1",
    "GET /cgi-bin/action?action=bright_chg&CamInfo_Brightness=add HTTP/1.1",
    "GET /cgi-bin/action?action=bright_chg&CamInfo_Brightness=sub HTTP/1.1",
    "GET /cgi-bin/action?action=bright_chg&CamInfo_Brightness=std HTTP/1.1",
    "GET /cgi-bin/action?action=contrast_chg&CamInfo_Contrast=std HTTP/1.1",
    "GET /cgi-bin/action?action=contrast_chg&CamInfo_Contrast=sub HTTP/1.1",
    "GET /cgi-bin/action?action=contrast_chg&CamInfo_Contrast=add HTTP/1.1",
    "GET /cgi-bin/action?action=compress_chg&CamInfo_Compression=30 HTTP/1.1",
    "GET /cgi-bin/action?action=compress_chg&CamInfo_Compression=60 HTTP/1.1",
    "GET /cgi-bin/action?action=compress_chg&CamInfo_Compression=20 HTTP/1.1",
    "GET /cgi-bin/action?action=tilt_scan HTTP/1.1",
    "GET /cgi-bin/action?action=pan_scan HTTP/1.1",
    "GET /cgi-bin/action?action=resolution_chg&CamInfo_Resolution=640x480 HTTP/1.1",
    "GET /cgi-bin/action?action=resolution_chg&CamInfo_Resolution=320x240 HTTP/1.1",
    "GET /cgi-bin/action?action=resolution_chg&CamInfo_Resolution=160x120 HTTP/1.1",
};

// A socket must be writable this soon after connecting, or the command is dropped.
constexpr long kWritableWaitUs = 25000;
// The camera's answer is waited for this briefly (2.5 ms), then thrown away unread or read.
constexpr long kAnswerWaitUs = 2500;
constexpr int kAnswerScratch = 256;

std::atomic<CommandRunner> g_runner{nullptr};

template <size_t N>
void CopyField(char (&field)[N], std::string_view text, unsigned codePage) {
  const std::string_view kept = CutToCharBoundary(text, N - 1, codePage);
  std::memcpy(field, kept.data(), kept.size());
  field[kept.size()] = '\0';
}

class WinsockUse {
 public:
  WinsockUse() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }
  ~WinsockUse() {
    if (started_) WSACleanup();
  }
  WinsockUse(const WinsockUse&) = delete;
  WinsockUse& operator=(const WinsockUse&) = delete;
  bool Started() const { return started_; }

 private:
  bool started_ = false;
};

}  // namespace

void FillCommandRequest(CommandRequest* request, CWatchWnd* window, int code, std::string_view host,
                        uint16_t port, std::string_view user, std::string_view password,
                        unsigned codePage) {
  request->window = window;
  request->code = static_cast<uint16_t>(code);
  request->port = port;
  CopyField(request->host, host, codePage);
  CopyField(request->user, user, codePage);
  CopyField(request->password, password, codePage);
}

const char* CommandRequestLine(int code) {
  if (code < 0 || code > kMaxCommandCode) return nullptr;
  return kRequestLines[code];
}

std::string BuildCommandBytes(const CommandRequest& request, const std::string& credentials) {
  const char* line = CommandRequestLine(request.code);
  if (!line) return {};
  std::string bytes = line;
  bytes += "\r\nAuthorization: Basic ";
  bytes += credentials;
  bytes += "\r\nCredentials:";
  bytes += request.user;
  bytes += ':';
  bytes += request.password;
  bytes += "\r\n\r\n";
  return bytes;
}

void RunCommandRequest(const CommandRequest& request) {
  if (!CommandRequestLine(request.code)) return;
  WinsockUse winsock;
  if (!winsock.Started()) return;

  sockaddr_in address{};
  if (!ResolveAddress(request.host, request.port, &address)) return;
  common::ScopedSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (s.Get() == INVALID_SOCKET) return;
  if (connect(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return;
  u_long nonBlocking = 1;
  ioctlsocket(s.Get(), FIONBIO, &nonBlocking);
  if (WaitSocket(s.Get(), 0, kWritableWaitUs, kWaitWrite) <= 0) return;

  // Credentials too long for the camera's Basic form could not have opened its stream
  // either; the command is dropped like any other failure.
  std::string credentials;
  if (!MakeBasicCredentials(request.user, request.password, &credentials)) return;
  const std::string bytes = BuildCommandBytes(request, credentials);
  send(s.Get(), bytes.data(), static_cast<int>(bytes.size()), 0);

  if (WaitSocket(s.Get(), 0, kAnswerWaitUs, kWaitRead) > 0) {
    char scratch[kAnswerScratch];
    recv(s.Get(), scratch, sizeof scratch, 0);
  }
}

CommandRunner SetCommandRunner(CommandRunner runner) { return g_runner.exchange(runner); }

DWORD WINAPI CommandThreadProc(void* argument) {
  std::unique_ptr<CommandRequest> request(static_cast<CommandRequest*>(argument));
  try {
    if (CommandRunner runner = g_runner.load()) {
      runner(*request);
    } else {
      RunCommandRequest(*request);
    }
  } catch (...) {
    // A command is best effort; nothing leaves the thread.
  }
  request.reset();
  // The module stays loaded until this thread is out of its code: the lock keeps
  // DllCanUnloadNow from answering S_OK, the loader reference keeps a FreeLibrary from
  // unmapping it before the thread has left.
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&CommandThreadProc), &module);
  fw::Module::Get().Unlock();
  if (module) FreeLibraryAndExitThread(module, 0);
  return 0;
}

HANDLE StartCommandThread(CommandRequest* request) {
  HMODULE module = nullptr;
  // A reference the thread gives back with FreeLibraryAndExitThread.
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCSTR>(&CommandThreadProc), &module)) {
    delete request;
    return nullptr;
  }
  fw::Module::Get().Lock();
  HANDLE thread = CreateThread(nullptr, 0, CommandThreadProc, request, 0, nullptr);
  if (!thread) {
    fw::Module::Get().Unlock();
    FreeLibrary(module);
    delete request;
  }
  return thread;
}

}  // namespace liveview
