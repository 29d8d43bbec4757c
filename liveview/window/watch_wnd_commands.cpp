// The camera window's side of camera commands: one thread per command, their handles kept
// until reaped.
#include "base/scoped_lock.h"
#include "liveview/window/camera_command.h"
#include "liveview/window/watch_wnd.h"

namespace liveview {

int CWatchWnd::SendCommand(int code) {
  // Checked before the block's 16-bit field could turn 65536 + k into command k.
  if (code < 0 || code > kMaxCommandCode) return 0;
  auto request = std::make_unique<CommandRequest>();  // value-initialised: zeroed
  if (commandThreads_.size() > kMaxKeptCommands) ReapOldestCommand();
  {
    base::CScopedLock hold(lock_);
    FillCommandRequest(request.get(), this, code, host_, port_, user_, password_);
  }
  HANDLE thread = StartCommandThread(request.release());
  if (!thread) return 0;
  commandThreads_.emplace_back(thread);
  return 1;
}

int CWatchWnd::ReapOldestCommand() { return ReapOldestCommandBy(GetTickCount() + kReapWaitMs); }

int CWatchWnd::ReapOldestCommandBy(DWORD deadline) {
  if (commandThreads_.empty()) return 0;
  base::ScopedHandle oldest = std::move(commandThreads_.front());
  commandThreads_.pop_front();
  // A thread still running after the wait finishes on its own; only its handle goes.
  const DWORD left = deadline - GetTickCount();
  WaitForSingleObject(oldest.Get(), static_cast<LONG>(left) > 0 ? left : 0);
  return 1;
}

void CWatchWnd::ReapAllCommands() {
  // One deadline for all: a dead camera's stuck threads must not hold the control's
  // destruction for half a second each.
  const DWORD deadline = GetTickCount() + kReapWaitMs;
  while (ReapOldestCommandBy(deadline)) {
  }
}

HANDLE CWatchWnd::CommandThreadAt(size_t index) const {
  return index < commandThreads_.size() ? commandThreads_[index].Get() : nullptr;
}

}  // namespace liveview
