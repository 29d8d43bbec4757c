// Owning handles for Winsock: a socket that closes itself, and a WSAStartup that is undone.
#pragma once

#include <winsock2.h>

namespace camsim {

class UniqueSocket {
 public:
  UniqueSocket() = default;
  explicit UniqueSocket(SOCKET s) : socket_(s) {}
  ~UniqueSocket() { Reset(); }

  UniqueSocket(UniqueSocket&& other) noexcept : socket_(other.Release()) {}
  UniqueSocket& operator=(UniqueSocket&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueSocket(const UniqueSocket&) = delete;
  UniqueSocket& operator=(const UniqueSocket&) = delete;

  SOCKET Get() const { return socket_; }
  bool Valid() const { return socket_ != INVALID_SOCKET; }

  SOCKET Release() {
    SOCKET s = socket_;
    socket_ = INVALID_SOCKET;
    return s;
  }

  void Reset(SOCKET s = INVALID_SOCKET);

 private:
  SOCKET socket_ = INVALID_SOCKET;
};

// WSAStartup counts its callers, so every object that uses sockets can hold one of these.
class WinsockSession {
 public:
  WinsockSession();
  ~WinsockSession();
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;

  bool Ok() const { return ok_; }

 private:
  bool ok_ = false;
};

}  // namespace camsim
