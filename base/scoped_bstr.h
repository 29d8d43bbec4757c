// Owning BSTR.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string_view>
#include <utility>

namespace base {

class ScopedBstr {
 public:
  ScopedBstr() = default;
  explicit ScopedBstr(std::wstring_view text)
      : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;
  ScopedBstr(ScopedBstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
  ScopedBstr& operator=(ScopedBstr&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  ~ScopedBstr() { Reset(); }

  void Reset(BSTR b = nullptr) {
    if (b_ != b) SysFreeString(std::exchange(b_, b));
  }
  [[nodiscard]] BSTR Release() { return std::exchange(b_, nullptr); }
  BSTR* Receive() {
    Reset();
    return &b_;
  }
  BSTR Get() const { return b_; }
  std::wstring_view View() const {
    return b_ ? std::wstring_view(b_, SysStringLen(b_)) : std::wstring_view();
  }

 private:
  BSTR b_ = nullptr;
};

}  // namespace base
