#include "liveview/stream/stream_socket.h"

#include <algorithm>

#include "base/socket_wait.h"

namespace liveview {
namespace {
constexpr long kPollMicroseconds = 25000;
}  // namespace

int WaitReadable(StreamSlot& slot, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (slot.running.load() == 0 || slot.stopRequest.load() != 0) return -1;
    const DWORD waited = GetTickCount() - start;
    if (waited >= milliseconds) return -1;
    // A wait as long as the silence is one select (under Wine each is several trips through
    // the server); a longer one looks at the flags between pieces of that length, as a shut-
    // down socket ends no select under Wine while its peer stays silent and keeps it open.
    const DWORD slice = std::min<DWORD>(milliseconds - waited, kStopSeenWithinMs);
    const int ready = base::WaitSocket(slot.socket.load(), 0, static_cast<long>(slice) * 1000,
                                       base::kWaitRead);
    if (ready != 0) return ready > 0 ? ready : -1;
  }
}

namespace {

// The worker's socket as a header source.
class SocketHeaderSource final : public HeaderSource {
 public:
  explicit SocketHeaderSource(StreamSlot& slot) : slot_(slot) {}
  int Peek(char* destination, int n) override { return Receive(destination, n, MSG_PEEK); }
  int Take(char* destination, int n) override { return Receive(destination, n, 0); }
  bool ReadableSoon() override {
    return base::WaitSocket(slot_.socket.load(), 0, kPollMicroseconds, base::kWaitRead) > 0;
  }
  void WaitForMore() override { WaitReadable(slot_, 100); }
  uint32_t Now() override { return GetTickCount(); }
  bool StopWanted() override {
    return slot_.running.load() == 0 || slot_.stopRequest.load() != 0;
  }
  void BetweenParts() override { StopStaleRecording(slot_); }

 private:
  int Receive(char* destination, int n, int flags) {
    const int got = recv(slot_.socket.load(), destination, n, flags);
    if (got >= 0) return got;
    return WSAGetLastError() == WSAEWOULDBLOCK ? kNothingYet : kFailed;
  }

  StreamSlot& slot_;
};

}  // namespace

int ReadHeaderBlock(StreamSlot& slot, char* destination, int room) {
  SocketHeaderSource socket(slot);
  CarriedHeaderSource source(socket, slot.carry);
  return ReadHeaderBlockFrom(source, destination, room);
}

namespace {

// As much of the body as has arrived and, once it is all there, up to the two bytes behind it
// into the carry, in one receive; recv's result.
int ReceiveBodyAndCarry(StreamSlot& slot, uint8_t* destination, int missing) {
  WSABUF buffers[2];
  buffers[0].buf = reinterpret_cast<char*>(destination);
  buffers[0].len = static_cast<u_long>(missing);
  buffers[1].buf = slot.carry.bytes + slot.carry.length;
  buffers[1].len = static_cast<u_long>(HeaderCarry::kCapacity - slot.carry.length);
  DWORD received = 0;
  DWORD flags = 0;
  if (WSARecv(slot.socket.load(), buffers, buffers[1].len > 0 ? 2 : 1, &received, &flags,
              nullptr, nullptr) == SOCKET_ERROR) {
    return SOCKET_ERROR;
  }
  if (static_cast<int>(received) <= missing) return static_cast<int>(received);
  slot.carry.length += static_cast<int>(received) - missing;
  return missing;
}

}  // namespace

int ReadBody(StreamSlot& slot, uint8_t* destination, int n) {
  int count = 0;
  bool waited = false;
  while (count < n) {
    const int got = ReceiveBodyAndCarry(slot, destination + count, n - count);
    if (got == 0) break;
    if (got < 0) {
      if (WSAGetLastError() != WSAEWOULDBLOCK) break;
      if (count == 0 && !waited) {
        // The body may follow its header a little later: up to 100 ms, then one 25 ms look.
        waited = true;
        WaitReadable(slot, 100);
        if (base::WaitSocket(slot.socket.load(), 0, kPollMicroseconds, base::kWaitRead) <= 0) {
          return 0;
        }
        continue;
      }
      if (WaitReadable(slot, kStallLimitMs) <= 0) break;
      continue;
    }
    waited = true;
    count += got;
  }
  return count;
}

std::string StreamRequestText(const std::string& credentials) {
  return "GET /cgi-bin/sf.cgi HTTP/1.1\r\n"
         "Connection: Keep-Alive\r\n"
         "Authorization: Basic " +
         credentials + "\r\n\r\n";
}

int SendStreamRequest(SOCKET socket, const std::string& credentials) {
  const std::string request = StreamRequestText(credentials);
  return send(socket, request.data(), static_cast<int>(request.size()), 0);
}

}  // namespace liveview
