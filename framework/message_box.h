// Message boxes of the framework and of the code built on it. A box without a caption of
// its own shows the application's title (Module::AppTitle). Every box goes through the wide
// (UTF-16) path, so a text shows whatever the ANSI code page; ANSI texts are converted from
// it. Tests can take the boxes instead of having them shown, since a shown box waits for a
// user for ever. A box is a modal loop (modal_loop.h): its owner's control, or the control
// running on the thread, is told.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace fw {

// Shows a box (or hands it to an interceptor) and returns the button pressed.
int ShowMessageBox(HWND owner, const std::wstring& text, const wchar_t* caption = nullptr,
                   UINT type = MB_OK);
// Texts in the ANSI code page.
int ShowMessageBox(HWND owner, const std::string& text, const char* caption = nullptr,
                   UINT type = MB_OK);

// What an interceptor gets in place of a shown box; it returns the button "pressed".
using MessageBoxHandler = std::function<int(HWND owner, const std::wstring& text,
                                            const std::wstring& caption, UINT type)>;

// While alive, the message boxes of the creating thread go to `handler`. Interceptors nest;
// the innermost one wins, and one of the thread wins over a process-wide one.
class ScopedMessageBoxInterceptor {
 public:
  using Handler = MessageBoxHandler;
  explicit ScopedMessageBoxInterceptor(Handler handler);
  ScopedMessageBoxInterceptor(const ScopedMessageBoxInterceptor&) = delete;
  ScopedMessageBoxInterceptor& operator=(const ScopedMessageBoxInterceptor&) = delete;
  ~ScopedMessageBoxInterceptor();

 private:
  Handler handler_;
  ScopedMessageBoxInterceptor* outer_;
  friend int ShowMessageBox(HWND, const std::wstring&, const wchar_t*, UINT);
};

// For tests: while alive, the boxes of every thread of the process that has no interceptor
// of its own go to `handler`, called on the thread that shows the box, on several threads
// at once possibly. Nest like the per-thread ones; create and destroy them on one thread.
class ProcessMessageBoxInterceptor {
 public:
  using Handler = MessageBoxHandler;
  explicit ProcessMessageBoxInterceptor(Handler handler);
  ProcessMessageBoxInterceptor(const ProcessMessageBoxInterceptor&) = delete;
  ProcessMessageBoxInterceptor& operator=(const ProcessMessageBoxInterceptor&) = delete;
  ~ProcessMessageBoxInterceptor();

 private:
  std::shared_ptr<const Handler> handler_;
  std::shared_ptr<const Handler> outer_;
};

}  // namespace fw
