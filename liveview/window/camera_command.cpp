#include "liveview/window/camera_command.h"

#include <winsock2.h>

#include <atomic>
#include <cstring>
#include <memory>

#include "base/scoped_socket.h"
#include "base/socket_wait.h"
#include "base/winsock_session.h"
#include "framework/exception_guard.h"
#include "liveview/cameras/basic_credentials.h"
#include "liveview/cameras/camera_address.h"

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

}  // namespace

void FillCommandRequest(CommandRequest* request, CWatchWnd* window, int code, std::string_view host,
                        uint16_t port, std::string_view user, std::string_view password,
                        unsigned codePage) {
  request->window = window;
  request->code = static_cast<uint16_t>(code);
  request->port = port;
  common::CopyToField(request->host, host, codePage);
  common::CopyToField(request->user, user, codePage);
  common::CopyToField(request->password, password, codePage);
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
  base::WinsockSession winsock(MAKEWORD(1, 1));
  if (!winsock.Started()) return;

  sockaddr_in address{};
  if (!ResolveAddress(request.host, request.port, &address)) return;
  base::ScopedSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (s.Get() == INVALID_SOCKET) return;
  if (connect(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return;
  u_long nonBlocking = 1;
  ioctlsocket(s.Get(), FIONBIO, &nonBlocking);
  if (base::WaitSocket(s.Get(), 0, kWritableWaitUs, base::kWaitWrite) <= 0) return;

  // Credentials too long for the camera's Basic form could not have opened its stream
  // either; the command is dropped like any other failure.
  std::string credentials;
  if (!MakeBasicCredentials(request.user, request.password, &credentials)) return;
  const std::string bytes = BuildCommandBytes(request, credentials);
  send(s.Get(), bytes.data(), static_cast<int>(bytes.size()), 0);

  if (base::WaitSocket(s.Get(), 0, kAnswerWaitUs, base::kWaitRead) > 0) {
    char scratch[kAnswerScratch];
    recv(s.Get(), scratch, sizeof scratch, 0);
  }
}

CommandRunner SetCommandRunner(CommandRunner runner) { return g_runner.exchange(runner); }

HANDLE StartCommandThread(CommandRequest* request) {
  std::shared_ptr<CommandRequest> owned(request);
  // The guarded start keeps DllCanUnloadNow from answering S_OK and the code mapped while
  // the thread runs; the block goes with the body, before the module is let go. A command
  // is best effort: an exception only ends its thread.
  return fw::StartGuardedThread("camera command", [owned]() -> DWORD {
    if (CommandRunner runner = g_runner.load()) {
      runner(*owned);
    } else {
      RunCommandRequest(*owned);
    }
    return 0;
  });
}

}  // namespace liveview
