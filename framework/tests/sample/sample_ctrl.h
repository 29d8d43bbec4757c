// A dispinterface control in the shape of the system's controls: methods that report
// through lRetCode, a text argument, a caller's buffer, an event with arguments, a window
// that paints a colour and reports clicks, and a property page. Members that run modal
// loops, fire events or own a child window with a popup menu let tests release the
// control inside them.
#pragma once

#include <string>

#include "framework/ole_control.h"
#include "sample_child.h"

class CSampleCtrl : public fw::COleControl {
 public:
  CSampleCtrl();
  ~CSampleCtrl() override;

  void Add(long a, long b, long* lRetCode);
  void Greet(const std::string& name, long* lRetCode);
  void ReadName(fw::CallerBuffer buffer, long* lRetCode);
  void Fail(long* lRetCode);
  void SetColor(long red, long green, long blue, long* lRetCode);
  // The container's ambient user mode: 1 running, 0 design.
  void UserMode(long* lRetCode);
  void AboutBox();

  // Each of these reports in lRetCode whether the control's window survived (1) or not (0).
  void ShowBox(const std::wstring& text, long* lRetCode);
  void RunDialog(long* lRetCode);
  // Fires Announced.
  void Announce(long* lRetCode);
  // Creates the child window (once) and gives its handle.
  void ShowChild(long* lRetCode);
  // While `fail` is set, OnDraw throws; the number of OnDraw calls so far.
  void FailDrawing(long fail, long* lRetCode);
  // Sample objects of the module deleted while one of their own calls or messages ran.
  void DeletedTooEarly(long* lRetCode);
  // 1 while no modal loop of the host or of the control runs.
  void ModelessEnabled(long* lRetCode);
  // The next sample control's constructor throws.
  void FailNextCreation(long* lRetCode);
  // While `fail` is set, loading the module's type library throws.
  void FailTypeInfo(long fail, long* lRetCode);
  // Starts a guarded thread of the module that waits for the event whose handle `release`
  // is, then throws when `fail` is set. lRetCode: the thread's handle, the caller's to close.
  void StartWorker(long release, long fail, long* lRetCode);

 protected:
  fw::ControlDispatchTable GetDispatchTable() override;
  void OnDraw(HDC dc, const RECT& bounds, const RECT& invalid) override;
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;
  void OnDestroy() override;

 private:
  LRESULT OnLButtonDown(WPARAM w, LPARAM l);
  static void ThrowIfCreationMustFail();

  // Marks a member running, for the check in the destructor.
  class Busy {
   public:
    explicit Busy(CSampleCtrl& control) : control_(control) { ++control_.busy_; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
    ~Busy() { --control_.busy_; }

   private:
    CSampleCtrl& control_;
  };

  std::string name_;
  COLORREF color_ = RGB(0, 128, 255);
  fw::WndPtr<CSampleChild> child_;
  bool failDrawing_ = false;
  long draws_ = 0;
  int busy_ = 0;
};
