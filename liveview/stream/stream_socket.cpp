#include "liveview/stream/stream_socket.h"

#include "base/socket_wait.h"

namespace liveview {
namespace {
constexpr long kPollMicroseconds = 25000;
}  // namespace

int WaitReadable(StreamSlot& slot, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    Sleep(10);
    if (GetTickCount() - start >= milliseconds || slot.running.load() == 0 ||
        slot.stopRequest.load() != 0) {
      return -1;
    }
    const int ready = base::WaitSocket(slot.socket.load(), 0, kPollMicroseconds, base::kWaitRead);
    if (ready < 0) return -1;
    if (ready > 0) return ready;
  }
}

int ReadHeaderBlock(StreamSlot& slot, char* destination, int room) {
  if (base::WaitSocket(slot.socket.load(), 0, kPollMicroseconds, base::kWaitRead) <= 0) return 0;
  int count = 0;
  // The line end that closes the previous part may come long before the next part (a slow
  // or paused camera); only a header that has begun is held to the stall limit.
  bool begun = false;
  DWORD lastByte = GetTickCount();
  for (;;) {
    if (count >= room) return kHeaderBlockFailed;
    const int got = recv(slot.socket.load(), destination + count, 1, 0);
    if (got == 0) return count;
    if (got < 0) {
      if (WSAGetLastError() != WSAEWOULDBLOCK) return count;
      if (begun && GetTickCount() - lastByte >= kStallLimitMs) return kHeaderBlockFailed;
      if (slot.running.load() == 0 || slot.stopRequest.load() != 0) return kHeaderBlockFailed;
      // Between parts a silent camera may hold the worker here for any time.
      if (!begun) StopStaleRecording(slot);
      WaitReadable(slot, 100);
      continue;
    }
    const char byte = destination[count++];
    if (byte != '\r' && byte != '\n') begun = true;
    lastByte = GetTickCount();
    if (count > 4 && destination[count - 4] == '\r' && destination[count - 3] == '\n' &&
        destination[count - 2] == '\r' && destination[count - 1] == '\n') {
      return count;
    }
  }
}

int ReadBody(StreamSlot& slot, uint8_t* destination, int n) {
  if (base::WaitSocket(slot.socket.load(), 0, kPollMicroseconds, base::kWaitRead) <= 0) return 0;
  int count = 0;
  while (count < n) {
    const int got =
        recv(slot.socket.load(), reinterpret_cast<char*>(destination) + count, n - count, 0);
    if (got == 0) break;
    if (got < 0) {
      if (WSAGetLastError() != WSAEWOULDBLOCK) break;
      if (WaitReadable(slot, kStallLimitMs) <= 0) break;
      continue;
    }
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
