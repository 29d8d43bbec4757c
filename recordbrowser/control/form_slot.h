// Where a control keeps its record browser form. While the control has no window of its
// own the form waits, hidden with its records, in a parking window: one top-level window
// per thread, made with the first form and destroyed with the last. A form whose control
// goes while one of the form's own messages is being handled outlives it until that
// handling has returned.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/module.h"

namespace vantrel {

class TVantrel;

class FormSlot {
 public:
  // The thread's parking window is made first, then the form in it.
  FormSlot();
  FormSlot(const FormSlot&) = delete;
  FormSlot& operator=(const FormSlot&) = delete;
  ~FormSlot();

  TVantrel& Form() const { return *form_; }
  // Moves the form into `window`'s client area, filling it.
  void Place(HWND window);
  // Back into the parking window, hidden with its records.
  void Park();
  bool Parked() const;

  // Deletes the slot now, or, while one of its form's messages is being handled, as soon
  // as the thread's messages flow again.
  static void DeleteWhenIdle(std::unique_ptr<FormSlot> slot);

  // The thread's parking window, or null when no form lives on this thread.
  static HWND ThreadParkingWindow();

 private:
  struct Parking {
    Parking();
    Parking(const Parking&) = delete;
    Parking& operator=(const Parking&) = delete;
    ~Parking();
  };

  fw::ModuleLock moduleLock_;  // a slot left to a posted message keeps the module loaded
  Parking parking_;
  std::unique_ptr<TVantrel> form_;
};

}  // namespace vantrel
