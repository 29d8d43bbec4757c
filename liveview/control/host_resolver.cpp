#include "liveview/control/host_resolver.h"

#include <atomic>

#include "base/scoped_lock.h"
#include "base/winsock_session.h"
#include "common/pump_messages.h"
#include "framework/exception_guard.h"
#include "liveview/cameras/host_resolve.h"

namespace liveview {
namespace {

constexpr DWORD kPumpStepMs = 20;

std::atomic<CHostResolver::Lookup> g_lookup{&ResolveCameraText};

}  // namespace

CHostResolver::Lookup CHostResolver::SetLookup(Lookup lookup) {
  return g_lookup.exchange(lookup ? lookup : &ResolveCameraText);
}

std::shared_ptr<CHostResolver> CHostResolver::Start(const std::string& name) {
  std::shared_ptr<CHostResolver> resolver(new CHostResolver(name));
  // The thread holds its own reference: the caller may stop waiting and go first.
  HANDLE thread = fw::StartGuardedThread("host resolver", [self = resolver]() -> DWORD {
    self->Resolve();
    return 0;
  });
  if (thread) {
    CloseHandle(thread);
  } else {
    resolver->Finish({});
  }
  return resolver;
}

void CHostResolver::Resolve() {
  // The control's Winsock may end while this thread still asks the name service.
  base::WinsockSession winsock(MAKEWORD(1, 1));
  std::string text = name_;
  const bool resolved = g_lookup.load()(text) == kResolveOk;
  Finish(resolved ? text : std::string());
}

void CHostResolver::Finish(const std::string& result) {
  base::CScopedLock hold(lock_);
  result_ = result;
  done_ = 1;
}

bool CHostResolver::Done() const {
  base::CScopedLock hold(lock_);
  return done_ != 0;
}

std::string CHostResolver::Wait(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms && !Done()) {
    // A WM_QUIT ends the wait: it is posted again and would come back at once.
    if (!common::PumpMessages(kPumpStepMs)) break;
  }
  base::CScopedLock hold(lock_);
  return result_;
}

}  // namespace liveview
