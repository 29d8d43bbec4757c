#include "setuptool/discovery_channel.h"

#include <cstdio>
#include <utility>

#include "common/datagram_socket.h"
#include "common/search_reply_receiver.h"
#include "setuptool/resource_ids.h"
#include "setuptool/tool_texts.h"

namespace setuptool {
namespace {

constexpr DWORD kFirstSearchDelayMs = 1000;
constexpr DWORD kSearchIntervalMs = 10000;

}  // namespace

DiscoveryChannel::DiscoveryChannel()
    : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      refresh_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

bool DiscoveryChannel::SendPacket(const uint8_t* bytes, size_t size, HWND owner) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
  to.sin_port = htons(common::kCameraSearchPort);
  const int sent =
      sendto(sendSocket_.Get(), reinterpret_cast<const char*>(bytes), static_cast<int>(size), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
  if (sent != SOCKET_ERROR) return true;
  char text[32];
  std::snprintf(text, sizeof text, "send error:%d", WSAGetLastError());
  ToolMessageBox(owner, text);
  return false;
}

void DiscoveryChannel::SetNotifyWindow(HWND window) {
  std::lock_guard<std::mutex> hold(lock_);
  notify_ = window;
  wakePending_ = false;
}

void DiscoveryChannel::Queue(const common::SearchReply& reply) {
  std::lock_guard<std::mutex> hold(lock_);
  if (queued_.size() < kMaxQueuedReplies) queued_.push_back(reply);
  // A post never waits, so it may be made under the lock; one that failed is tried again
  // with the next reply.
  if (!wakePending_ && notify_) {
    wakePending_ = PostMessageW(notify_, kRepliesQueuedMessage, 0, 0) != FALSE;
  }
}

std::vector<common::SearchReply> DiscoveryChannel::TakeQueued() {
  std::lock_guard<std::mutex> hold(lock_);
  wakePending_ = false;
  return std::exchange(queued_, {});
}

void DiscoveryChannel::DropQueued() {
  std::lock_guard<std::mutex> hold(lock_);
  queued_.clear();
}

DWORD SearchThread(const std::shared_ptr<DiscoveryChannel>& channel) {
  const HANDLE stop = channel->StopEvent();
  if (WaitForSingleObject(stop, kFirstSearchDelayMs) != WAIT_TIMEOUT) return 0;
  const auto request = common::BuildSearchRequest();
  const HANDLE waits[] = {stop, channel->RefreshEvent()};
  for (;;) {
    channel->SendPacket(request.data(), request.size(), nullptr);
    const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, kSearchIntervalMs);
    if (woke != WAIT_OBJECT_0 + 1 && woke != WAIT_TIMEOUT) return 0;
    ResetEvent(channel->RefreshEvent());
  }
}

DWORD ListenThread(const std::shared_ptr<DiscoveryChannel>& channel) {
  base::ScopedSocket s(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (!s) {
    ToolMessageBox(nullptr, ToolText(IDS_LISTEN_SOCKET_FAIL));
    return 0;
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(common::kReplyListenPort);
  if (bind(s.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    s.Reset();
    ToolMessageBox(nullptr, ToolText(IDS_BIND_LISTEN_FAIL));
    return 0;
  }
  base::ScopedHandle readable(WSACreateEvent());
  if (!readable) return 0;
  const common::ReadSelection selection(s.Get(), readable.Get());
  if (!selection) return 0;

  const HANDLE stop = channel->StopEvent();
  common::SearchReplyReceiver receiver;
  const common::ReceiveDatagram receive = [&](uint8_t* dest, size_t room,
                                              common::DatagramOrigin& origin) {
    return common::ReceiveDatagramUntilStopped(s.Get(), readable.Get(), stop, dest, room, origin);
  };
  for (;;) {
    common::SearchReply reply{};
    if (receiver.Receive(receive, reply) != common::ReceiveOutcome::kReply) return 0;
    channel->Queue(reply);
  }
}

}  // namespace setuptool
