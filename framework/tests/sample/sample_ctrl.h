// A dispinterface control in the shape of the system's controls: methods that report
// through lRetCode, a text argument, a caller's buffer, an event with arguments, a window
// that paints a colour and reports clicks, and a property page.
#pragma once

#include <string>

#include "framework/ole_control.h"

class CSampleCtrl : public fw::COleControl {
 public:
  CSampleCtrl();

  void Add(long a, long b, long* lRetCode);
  void Greet(const std::string& name, long* lRetCode);
  void ReadName(fw::CallerBuffer buffer, long* lRetCode);
  void Fail(long* lRetCode);
  void SetColor(long red, long green, long blue, long* lRetCode);
  // The container's ambient user mode: 1 running, 0 design.
  void UserMode(long* lRetCode);
  void AboutBox();

 protected:
  fw::ControlDispatchTable GetDispatchTable() override;
  void OnDraw(HDC dc, const RECT& bounds, const RECT& invalid) override;
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

 private:
  LRESULT OnLButtonDown(WPARAM w, LPARAM l);

  std::string name_;
  COLORREF color_ = RGB(0, 128, 255);
};
