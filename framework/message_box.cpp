#include "framework/message_box.h"

#include "framework/module.h"

namespace fw {

namespace {
thread_local ScopedMessageBoxInterceptor* t_interceptor = nullptr;
}  // namespace

ScopedMessageBoxInterceptor::ScopedMessageBoxInterceptor(Handler handler)
    : handler_(std::move(handler)), outer_(t_interceptor) {
  t_interceptor = this;
}

ScopedMessageBoxInterceptor::~ScopedMessageBoxInterceptor() { t_interceptor = outer_; }

int ShowMessageBox(HWND owner, const std::string& text, const char* caption, UINT type) {
  const std::string title = caption ? std::string(caption) : Module::Get().AppTitle();
  if (t_interceptor && t_interceptor->handler_) {
    return t_interceptor->handler_(owner, text, title, type);
  }
  return MessageBoxA(owner, text.c_str(), title.c_str(), type);
}

}  // namespace fw
