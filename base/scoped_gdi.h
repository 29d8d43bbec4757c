// Owning GDI objects and device contexts, painting, and the selection of an object into a
// DC, so every early return restores the DC and frees what it made.
#pragma once

#include <windows.h>

#include <utility>

namespace base {

// A pen, brush, font, bitmap or region made by a Create* call.
template <class T>
class ScopedGdiObject {
 public:
  ScopedGdiObject() = default;
  explicit ScopedGdiObject(T object) : object_(object) {}
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
  ScopedGdiObject(ScopedGdiObject&& other) noexcept
      : object_(std::exchange(other.object_, nullptr)) {}
  ScopedGdiObject& operator=(ScopedGdiObject&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  ~ScopedGdiObject() { Reset(); }

  void Reset(T object = nullptr) {
    if (T old = std::exchange(object_, object)) DeleteObject(old);
  }
  [[nodiscard]] T Release() { return std::exchange(object_, nullptr); }
  T Get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T object_ = nullptr;
};

using ScopedPen = ScopedGdiObject<HPEN>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;
using ScopedFont = ScopedGdiObject<HFONT>;
using ScopedBitmap = ScopedGdiObject<HBITMAP>;

// A memory DC from CreateCompatibleDC.
class ScopedMemoryDc {
 public:
  explicit ScopedMemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ScopedMemoryDc(const ScopedMemoryDc&) = delete;
  ScopedMemoryDc& operator=(const ScopedMemoryDc&) = delete;
  ~ScopedMemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HDC dc_;
};

// A window's DC from GetDC, released with ReleaseDC.
class ScopedWindowDc {
 public:
  explicit ScopedWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ScopedWindowDc(const ScopedWindowDc&) = delete;
  ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
  ~ScopedWindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint for the scope, EndPaint at its end, so a drawing that stops half-way (an
// exception, an early return) still leaves the update region validated and the DC released;
// a window whose BeginPaint fails is validated all the same, or WM_PAINT comes back for ever.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  ~ScopedPaint() {
    if (dc_) {
      EndPaint(window_, &paint_);
    } else {
      ValidateRect(window_, nullptr);
    }
  }
  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  // The part to repaint, in client coordinates.
  const RECT& Invalid() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// Selects an object into a DC for the scope, then puts the previous one back.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
  ~ScopedSelectObject() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace base
