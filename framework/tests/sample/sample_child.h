// A child window in the shape of a camera window: it paints itself, and a right click opens
// a popup menu whose owner is the control's window.
#pragma once

#include "framework/window.h"

class CSampleChild : public fw::CWnd {
 public:
  ~CSampleChild() override;

 protected:
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;
  void OnPaint() override;

 private:
  LRESULT OnRButtonDown(WPARAM w, LPARAM l);
};
