// A Winsock socket that is closed exactly once, by its owner.
#pragma once

#include <winsock2.h>

#include <utility>

namespace base {

class ScopedSocket {
 public:
  ScopedSocket() = default;
  explicit ScopedSocket(SOCKET s) : s_(s) {}
  ScopedSocket(const ScopedSocket&) = delete;
  ScopedSocket& operator=(const ScopedSocket&) = delete;
  ScopedSocket(ScopedSocket&& other) noexcept : s_(std::exchange(other.s_, INVALID_SOCKET)) {}
  ScopedSocket& operator=(ScopedSocket&& other) noexcept {
    Reset(std::exchange(other.s_, INVALID_SOCKET));
    return *this;
  }
  ~ScopedSocket() { Reset(); }

  void Reset(SOCKET s = INVALID_SOCKET) {
    const SOCKET old = std::exchange(s_, s);
    if (old != INVALID_SOCKET) closesocket(old);
  }
  SOCKET Get() const { return s_; }
  explicit operator bool() const { return s_ != INVALID_SOCKET; }

 private:
  SOCKET s_ = INVALID_SOCKET;
};

}  // namespace base
