#include "camera_finder.h"

#include <process.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <new>

#include "base/scoped_lock.h"
#include "common/datagram_socket.h"
#include "common/log_writer.h"
#include "common/password_text.h"

namespace discovery {
namespace {

constexpr char kLogFile[] = "c:\\dizev.log";
constexpr char kLogSource[] = "orvex";

void Log(int level, std::string_view message, int line) {
  common::WriteLog(kLogFile, level, message, kLogSource, line);
}

// Copies a text up to its NUL, cut to leave room for the target's NUL.
template <size_t N, size_t M>
void CopyText(std::array<char, N>& to, const std::array<char, M>& from) {
  const auto end = std::find(from.begin(), from.end(), '\0');
  const size_t length = std::min(N - 1, static_cast<size_t>(end - from.begin()));
  std::copy_n(from.begin(), length, to.begin());
  std::fill(to.begin() + length, to.end(), '\0');
}


}  // namespace

CCameraFinder::CCameraFinder(common::IpHelper& ipHelper)
    : ip_(ipHelper), stopEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CCameraFinder::~CCameraFinder() {
  StopSearch();
}

bool CCameraFinder::StartSearch() {
  if (started_.load()) return true;
  if (!winsock_.Started()) return false;
  StopSearch();  // whatever a failed start, or a listener that ended, left behind

  sendSocket_.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (!sendSocket_) {
    Log(1, "INVALID_SOCKET", 125);
    return false;
  }
  const BOOL on = TRUE;
  if (setsockopt(sendSocket_.Get(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                 sizeof on) != 0) {
    Log(1, "Set Socket Failed", 131);
    return false;
  }
  receiveSocket_.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (!receiveSocket_) {
    Log(1, "Socket Create Failed", 138);
    return false;
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(common::kReplyListenPort);
  if (bind(receiveSocket_.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    Log(1, "Bind Listen Port Failed", 149);
    return false;
  }
  if (!stopEvent_ || !ResetEvent(stopEvent_.Get())) return false;

  run_.store(true);
  // Set before the thread runs: a listener that ends at once clears it again.
  started_.store(true);
  unsigned id = 0;
  listener_.Reset(
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ListenThread, this, 0, &id)));
  if (!listener_) {
    run_.store(false);
    started_.store(false);
    return false;
  }
  listenerId_ = id;
  return true;
}

void CCameraFinder::StopSearch() {
  run_.store(false);
  if (stopEvent_) SetEvent(stopEvent_.Get());
  if (listener_) {
    WaitForSingleObject(listener_.Get(), INFINITE);
    listener_.Reset();
    listenerId_ = 0;
  }
  // Closed only once the listener is gone, so it never waits on a socket value that the
  // system may already have handed to someone else.
  sendSocket_.Reset();
  receiveSocket_.Reset();
  ClearCamList();
  started_.store(false);
}

void CCameraFinder::ClearCamList() {
  {
    base::CScopedLock lock(listLock_);
    cams_.clear();
  }
  SendSearch();
}

void CCameraFinder::SendSearch() {
  if (!sendSocket_) return;
  const auto request = common::BuildSearchRequest();
  SendPacket(request.data(), request.size());
}

bool CCameraFinder::SendPacket(const uint8_t* bytes, size_t size) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
  to.sin_port = htons(common::kCameraSearchPort);
  const int sent = sendto(sendSocket_.Get(), reinterpret_cast<const char*>(bytes),
                          static_cast<int>(size), 0, reinterpret_cast<const sockaddr*>(&to),
                          sizeof to);
  if (sent == SOCKET_ERROR) {
    char message[32];
    std::snprintf(message, sizeof message, "send error:%d", WSAGetLastError());
    Log(1, message, 362);
    return false;
  }
  return true;
}

bool CCameraFinder::AddIntoCamList(const common::SearchReply& reply) {
  base::CScopedLock lock(listLock_);
  Log(2, "AddIntoCamList", 373);
  if (FindInCamList(reply.mac)) return false;
  CameraNode node;
  node.mac = reply.mac;
  CopyText(node.firmware, reply.firmware);
  node.address = reply.address;
  node.mask = reply.mask;
  node.gateway = reply.gateway;
  node.port = reply.port;
  node.lastSeen = static_cast<uint32_t>(std::time(nullptr));
  CopyText(node.authScheme, reply.authScheme);
  try {
    cams_.push_front(node);
  } catch (const std::bad_alloc&) {
    return false;  // not kept, so not reported: the next search finds it again
  }
  return true;
}

std::optional<CameraNode> CCameraFinder::FindInCamList(const common::MacAddress& mac) const {
  base::CScopedLock lock(listLock_);
  for (const CameraNode& node : cams_)
    if (node.mac == mac) return node;
  return std::nullopt;
}

std::vector<CameraNode> CCameraFinder::CamList() const {
  base::CScopedLock lock(listLock_);
  return std::vector<CameraNode>(cams_.begin(), cams_.end());
}

std::optional<std::string> CCameraFinder::MakePwdField(const common::MacAddress& mac,
                                                       std::string_view password) const {
  base::CScopedLock lock(listLock_);
  const auto node = FindInCamList(mac);
  if (!node) return std::nullopt;
  return common::MakePasswordText(password, node->authScheme.data());
}

void CCameraFinder::OnCameraFound(const common::SearchReply&) {}

DWORD CCameraFinder::ListenerThreadId() const { return listenerId_; }

unsigned __stdcall CCameraFinder::ListenThread(void* self) {
  auto* finder = static_cast<CCameraFinder*>(self);
  try {
    finder->Listen();
  } catch (...) {
    // Nothing leaves a thread; the listener just ends, as after a failed receive.
  }
  // However it ended, a later StartSearch must start it again.
  finder->started_.store(false);
  return 0;
}

void CCameraFinder::Listen() {
  const SOCKET s = receiveSocket_.Get();
  base::ScopedHandle readable(WSACreateEvent());
  if (!readable) {
    Log(1, "SOCKET_ERROR", 55);
    return;
  }
  const common::ReadSelection selection(s, readable.Get());
  if (!selection) {
    Log(1, "SOCKET_ERROR", 55);
    return;
  }
  common::SearchReplyReceiver receiver;
  const common::ReceiveDatagram receive = [&](uint8_t* dest, size_t room,
                                               common::DatagramOrigin& origin) {
    return common::ReceiveDatagramUntilStopped(s, readable.Get(), stopEvent_.Get(), dest, room,
                                                origin);
  };
  while (run_.load()) {
    common::SearchReply reply{};
    // A stop ends the receive the same way a failing socket does; only the latter is logged.
    switch (receiver.Receive(receive, reply)) {
      case common::ReceiveOutcome::kFirstReceiveFailed:
        if (run_.load()) Log(1, "SOCKET_ERROR", 55);
        return;
      case common::ReceiveOutcome::kContinuationFailed:
        if (run_.load()) Log(1, "SOCKET_ERROR", 72);
        return;
      case common::ReceiveOutcome::kReply:
        break;
    }
    if (AddIntoCamList(reply)) OnCameraFound(reply);
  }
}

}  // namespace discovery
