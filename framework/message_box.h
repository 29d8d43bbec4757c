// Message boxes of the framework and of the code built on it. A box without a caption of
// its own shows the application's title (Module::AppTitle). Tests can take the boxes of
// their thread instead of having them shown, since a shown box waits for a user for ever.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace fw {

// Shows a box (or hands it to the thread's interceptor) and returns the button pressed.
int ShowMessageBox(HWND owner, const std::string& text, const char* caption = nullptr,
                   UINT type = MB_OK);

// While alive, the message boxes of the creating thread go to `handler`, which returns
// the button "pressed". Interceptors nest; the innermost one wins.
class ScopedMessageBoxInterceptor {
 public:
  using Handler = std::function<int(HWND owner, const std::string& text, const std::string& caption,
                                    UINT type)>;
  explicit ScopedMessageBoxInterceptor(Handler handler);
  ScopedMessageBoxInterceptor(const ScopedMessageBoxInterceptor&) = delete;
  ScopedMessageBoxInterceptor& operator=(const ScopedMessageBoxInterceptor&) = delete;
  ~ScopedMessageBoxInterceptor();

 private:
  Handler handler_;
  ScopedMessageBoxInterceptor* outer_;
  friend int ShowMessageBox(HWND, const std::string&, const char*, UINT);
};

}  // namespace fw
