#include "recordbrowser/control/form_slot.h"

#include "framework/error.h"
#include "recordbrowser/vantrel_impl.h"

namespace vantrel {

namespace {

constexpr char kParkingClass[] = "VantrelFormParking";
constexpr UINT kDeleteSlot = WM_APP + 1;

struct ThreadParking {
  HWND window = nullptr;
  int holders = 0;
};

thread_local ThreadParking t_parking;

LRESULT CALLBACK ParkingProc(HWND window, UINT msg, WPARAM w, LPARAM l) {
  if (msg == kDeleteSlot) {
    // The parking window may go with the slot: nothing of it is used after this.
    delete reinterpret_cast<FormSlot*>(l);
    return 0;
  }
  return DefWindowProcA(window, msg, w, l);
}

}  // namespace

FormSlot::Parking::Parking() {
  if (!t_parking.window) {
    static const bool registered = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = ParkingProc;
      wc.hInstance = fw::Module::Get().Instance();
      wc.lpszClassName = kParkingClass;
      return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    if (registered) {
      t_parking.window =
          CreateWindowExA(WS_EX_TOOLWINDOW, kParkingClass, "", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                          0, 0, nullptr, nullptr, fw::Module::Get().Instance(), nullptr);
    }
    if (!t_parking.window) {
      throw fw::Error("The record browser's window cannot be made.",
                      HRESULT_FROM_WIN32(GetLastError()));
    }
  }
  ++t_parking.holders;
}

FormSlot::Parking::~Parking() {
  if (--t_parking.holders == 0 && t_parking.window) {
    DestroyWindow(t_parking.window);
    t_parking.window = nullptr;
  }
}

FormSlot::FormSlot() {
  RECT parked{0, 0, TVantrel::kDesignWidth, TVantrel::kDesignHeight};
  form_ = std::make_unique<TVantrel>(t_parking.window, parked);
}

FormSlot::~FormSlot() { form_.reset(); }

void FormSlot::Place(HWND window) {
  HWND hwnd = form_->GetSafeHwnd();
  if (!hwnd || !window) return;
  if (GetParent(hwnd) != window) SetParent(hwnd, window);
  RECT client{};
  GetClientRect(window, &client);
  form_->SetBounds(0, 0, client.right, client.bottom);
}

void FormSlot::Park() {
  HWND hwnd = form_->GetSafeHwnd();
  if (hwnd && GetParent(hwnd) != t_parking.window) SetParent(hwnd, t_parking.window);
}

bool FormSlot::Parked() const {
  HWND hwnd = form_->GetSafeHwnd();
  return hwnd && GetParent(hwnd) == t_parking.window;
}

void FormSlot::DeleteWhenIdle(std::unique_ptr<FormSlot> slot) {
  if (!slot) return;
  if (slot->form_->InMessage() && t_parking.window &&
      PostMessageA(t_parking.window, kDeleteSlot, 0, reinterpret_cast<LPARAM>(slot.get()))) {
    slot.release();
  }
}

HWND FormSlot::ThreadParkingWindow() { return t_parking.window; }

}  // namespace vantrel
