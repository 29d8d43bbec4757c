#include "framework/message_box.h"

#include <mutex>

#include "framework/ansi_text.h"
#include "framework/modal_loop.h"
#include "framework/module.h"

namespace fw {

namespace {

thread_local ScopedMessageBoxInterceptor* t_interceptor = nullptr;

std::mutex g_processLock;
// Shared, so a box being handled on another thread keeps its handler while the interceptor
// goes away.
std::shared_ptr<const MessageBoxHandler> g_processHandler;

std::shared_ptr<const MessageBoxHandler> ProcessHandler() {
  std::lock_guard<std::mutex> lock(g_processLock);
  return g_processHandler;
}

}  // namespace

ScopedMessageBoxInterceptor::ScopedMessageBoxInterceptor(Handler handler)
    : handler_(std::move(handler)), outer_(t_interceptor) {
  t_interceptor = this;
}

ScopedMessageBoxInterceptor::~ScopedMessageBoxInterceptor() { t_interceptor = outer_; }

ProcessMessageBoxInterceptor::ProcessMessageBoxInterceptor(Handler handler)
    : handler_(std::make_shared<const Handler>(std::move(handler))) {
  std::lock_guard<std::mutex> lock(g_processLock);
  outer_ = std::exchange(g_processHandler, handler_);
}

ProcessMessageBoxInterceptor::~ProcessMessageBoxInterceptor() {
  std::lock_guard<std::mutex> lock(g_processLock);
  if (g_processHandler == handler_) g_processHandler = outer_;
}

int ShowMessageBox(HWND owner, const std::wstring& text, const wchar_t* caption, UINT type) {
  const std::wstring title = caption ? std::wstring(caption) : AnsiToWide(Module::Get().AppTitle());
  ModalScope scope(owner);
  if (t_interceptor && t_interceptor->handler_) {
    return t_interceptor->handler_(owner, text, title, type);
  }
  if (const auto handler = ProcessHandler(); handler && *handler) {
    return (*handler)(owner, text, title, type);
  }
  return MessageBoxW(owner, text.c_str(), title.c_str(), type);
}

int ShowMessageBox(HWND owner, const std::string& text, const char* caption, UINT type) {
  if (!caption) return ShowMessageBox(owner, AnsiToWide(text), nullptr, type);
  return ShowMessageBox(owner, AnsiToWide(text), AnsiToWide(caption).c_str(), type);
}

}  // namespace fw
