// What the main dialog shares with its two protocol threads: the Winsock session, the send
// socket, the stop and refresh events, and the replies the listener has queued for the
// dialog. The threads hold it too, so a thread the dialog could not join (one inside a
// message box) keeps what it uses until it ends, and never reaches the dialog itself.
//
// Only the dialog's thread touches entries and rows: the listener queues each reply and
// wakes the dialog by posting kRepliesQueuedMessage to the window it was given.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "base/scoped_handle.h"
#include "base/scoped_socket.h"
#include "base/winsock_session.h"
#include "common/discovery_messages.h"

namespace setuptool {

constexpr UINT kRepliesQueuedMessage = WM_APP + 1;
// Replies beyond this many that the dialog has not taken yet are dropped; the next search
// brings the cameras again.
constexpr size_t kMaxQueuedReplies = 1024;

class DiscoveryChannel {
 public:
  // WSAStartup 2.2 and the events, the refresh event manual-reset and unsignalled.
  DiscoveryChannel();
  DiscoveryChannel(const DiscoveryChannel&) = delete;
  DiscoveryChannel& operator=(const DiscoveryChannel&) = delete;

  bool Ready() const { return stop_ && refresh_; }

  // The broadcast send socket; the dialog sets it up before starting the threads.
  base::ScopedSocket& SendSocket() { return sendSocket_; }
  // One datagram to 255.255.255.255:13000; a failure shows "send error:%d" on the calling
  // thread (owned by `owner`).
  bool SendPacket(const uint8_t* bytes, size_t size, HWND owner);

  // Set by the dialog: ends the threads' waits.
  void Stop() { SetEvent(stop_.Get()); }
  HANDLE StopEvent() const { return stop_.Get(); }
  // Set by Refresh: the search thread sends at once.
  void RequestSearch() { SetEvent(refresh_.Get()); }
  HANDLE RefreshEvent() const { return refresh_.Get(); }

  // The window that hears of queued replies; null once the dialog is going.
  void SetNotifyWindow(HWND window);
  // On the listener: keeps the reply and wakes the dialog unless a wake is pending.
  void Queue(const common::SearchReply& reply);
  // On the dialog's thread: everything queued so far, oldest first.
  std::vector<common::SearchReply> TakeQueued();
  // Drops what is queued (Refresh: replies heard before the list was cleared).
  void DropQueued();

 private:
  base::WinsockSession winsock_{MAKEWORD(2, 2)};
  base::ScopedHandle stop_;
  base::ScopedHandle refresh_;
  base::ScopedSocket sendSocket_;

  std::mutex lock_;  // guards what follows
  std::vector<common::SearchReply> queued_;
  HWND notify_ = nullptr;
  bool wakePending_ = false;
};

// The thread bodies. Each ends when the channel's stop event is set.
// Broadcasts a SearchRequest 1 s after it starts, then every 10 s or at once on refresh.
DWORD SearchThread(const std::shared_ptr<DiscoveryChannel>& channel);
// Receives on its own socket bound to UDP 13001 (no address reuse) and queues each reply;
// empty, short and foreign datagrams are skipped. "Creat Socket Failed\n" or
// "Can't Bind Listen Port" (the build's texts) when it cannot listen.
DWORD ListenThread(const std::shared_ptr<DiscoveryChannel>& channel);

}  // namespace setuptool
