// Driving modal dialogs, message boxes, property sheets and popup menus from a test. A
// modal loop keeps dispatching this thread's messages, thread timers included, so the steps
// of a script run inside it, one per tick, in order. A step returns false to be tried again
// at the next tick (the window it wants is not there yet). A step still not done when the
// script's time runs out fails the test, naming the step, and the script ends what is open
// on the thread (menus, boxes, dialogs, sheets), so the modal loop returns.
//
//   test_container::ModalScript script;
//   script.Then([&] { return PostToDialog(IDOK); });
//   script.Start();
//   dialog.DoModal();   // the script ends it
//   EXPECT_TRUE(script.Finished());
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace test_container {

class ModalScript {
 public:
  ModalScript() = default;
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;
  ~ModalScript();

  ModalScript& Then(std::function<bool()> step);
  // A step with a name for the failure message.
  ModalScript& Then(std::string name, std::function<bool()> step);
  // Starts the ticks (every `periodMs`); the script gives up after `timeoutMs`.
  void Start(UINT periodMs = 30, DWORD timeoutMs = 20000);
  bool Finished() const { return next_ >= steps_.size(); }
  size_t StepsDone() const { return next_; }
  bool TimedOut() const { return timedOut_; }

 private:
  struct Step {
    std::string name;
    std::function<bool()> run;
  };
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Stop();
  void GiveUp();

  std::vector<Step> steps_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
  DWORD started_ = 0;
  DWORD timeoutMs_ = 0;
  bool running_ = false;
  bool timedOut_ = false;
};

// Ends every modal loop open on this thread: popup menus (EndMenu), property sheets
// (WM_CLOSE), message boxes and dialogs (EndDialog with IDCANCEL).
void EndThreadModalLoops();

// A visible dialog window (class "#32770") of this thread whose caption is `caption`
// (any caption when empty), not one of `except`; null when there is none.
HWND FindThreadDialog(const std::string& caption = {}, const std::vector<HWND>& except = {});
// The texts of a dialog's static controls, joined by new lines (a message box's text).
std::string DialogStaticTexts(HWND dialog);
// The text of any window.
std::string WindowText(HWND window);

}  // namespace test_container
