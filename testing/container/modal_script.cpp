#include "testing/container/modal_script.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace test_container {

namespace {
thread_local ModalScript* t_active = nullptr;
}  // namespace

ModalScript::~ModalScript() { Stop(); }

ModalScript& ModalScript::Then(std::function<bool()> step) {
  return Then(std::string(), std::move(step));
}

ModalScript& ModalScript::Then(std::string name, std::function<bool()> step) {
  steps_.push_back(Step{std::move(name), std::move(step)});
  return *this;
}

void ModalScript::Start(UINT periodMs, DWORD timeoutMs) {
  Stop();
  t_active = this;
  timedOut_ = false;
  started_ = GetTickCount();
  timeoutMs_ = timeoutMs;
  timer_ = SetTimer(nullptr, 0, periodMs, &ModalScript::Tick);
}

void ModalScript::Stop() {
  if (timer_) KillTimer(nullptr, timer_);
  timer_ = 0;
  if (t_active == this) t_active = nullptr;
}

void CALLBACK ModalScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
  ModalScript* self = t_active;
  // A step that opens a box of its own would tick again inside itself.
  if (!self || self->running_) return;
  if (self->Finished()) {
    self->Stop();
    return;
  }
  if (GetTickCount() - self->started_ > self->timeoutMs_) {
    self->GiveUp();
    return;
  }
  self->running_ = true;
  bool done = false;
  try {
    done = self->steps_[self->next_].run();
  } catch (...) {
    done = false;
  }
  self->running_ = false;
  if (done) ++self->next_;
  if (self->Finished()) self->Stop();
}

void ModalScript::GiveUp() {
  Stop();
  timedOut_ = true;
  const Step& step = steps_[next_];
  ADD_FAILURE() << "modal script: step " << next_ + 1 << " of " << steps_.size()
                << (step.name.empty() ? std::string() : " (" + step.name + ")")
                << " not done after " << timeoutMs_ << " ms; ending the modal loops";
  EndThreadModalLoops();
}

namespace {

struct Search {
  std::string caption;
  const std::vector<HWND>* except;
  HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM l) {
  auto* s = reinterpret_cast<Search*>(l);
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (std::string(cls) != "#32770" || !IsWindowVisible(window)) return TRUE;
  if (std::find(s->except->begin(), s->except->end(), window) != s->except->end()) return TRUE;
  if (!s->caption.empty() && WindowText(window) != s->caption) return TRUE;
  s->found = window;
  return FALSE;
}

BOOL CALLBACK CollectStatic(HWND window, LPARAM l) {
  auto* out = reinterpret_cast<std::string*>(l);
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") == 0) {
    const std::string text = WindowText(window);
    if (!text.empty()) {
      if (!out->empty()) *out += "\n";
      *out += text;
    }
  }
  return TRUE;
}

BOOL CALLBACK CollectTopDialogs(HWND window, LPARAM l) {
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (std::string(cls) == "#32770" && !(GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) {
    reinterpret_cast<std::vector<HWND>*>(l)->push_back(window);
  }
  return TRUE;
}

bool IsPropertySheet(HWND dialog) {
  return FindWindowExA(dialog, nullptr, "SysTabControl32", nullptr) != nullptr;
}

}  // namespace

void EndThreadModalLoops() {
  EndMenu();
  std::vector<HWND> dialogs;
  EnumThreadWindows(GetCurrentThreadId(), &CollectTopDialogs, reinterpret_cast<LPARAM>(&dialogs));
  // Innermost (topmost) first: an outer loop returns once the ones inside it have.
  for (HWND dialog : dialogs) {
    if (IsPropertySheet(dialog)) {
      // A sheet runs a loop of its own that EndDialog does not end; WM_CLOSE cancels it.
      PostMessageA(dialog, WM_CLOSE, 0, 0);
    } else {
      EndDialog(dialog, IDCANCEL);
    }
  }
}

std::string WindowText(HWND window) {
  const int n = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
  const int got = GetWindowTextA(window, text.data(), n + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

HWND FindThreadDialog(const std::string& caption, const std::vector<HWND>& except) {
  Search s{caption, &except, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &Visit, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

std::string DialogStaticTexts(HWND dialog) {
  std::string out;
  EnumChildWindows(dialog, &CollectStatic, reinterpret_cast<LPARAM>(&out));
  return out;
}

}  // namespace test_container
