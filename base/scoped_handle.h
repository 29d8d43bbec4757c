// Owning kernel handle (thread, process, event, file). Null and INVALID_HANDLE_VALUE both
// mean "none", as the APIs that make handles disagree on which one they return.
#pragma once

#include <windows.h>

#include <utility>

namespace base {

class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE h) : h_(Valid(h) ? h : nullptr) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  ~ScopedHandle() { Reset(); }

  void Reset(HANDLE h = nullptr) {
    HANDLE old = std::exchange(h_, Valid(h) ? h : nullptr);
    if (old) CloseHandle(old);
  }
  [[nodiscard]] HANDLE Release() { return std::exchange(h_, nullptr); }
  HANDLE Get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  HANDLE h_ = nullptr;
};

}  // namespace base
