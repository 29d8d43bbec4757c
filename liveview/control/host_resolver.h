// CHostResolver: resolves a host text on a thread of its own while the caller waits with
// its messages flowing (Get code 14), so a slow name service never freezes the host.
//
// The caller and the thread share the resolver by reference count: the thread may outlive
// the caller's wait, the host call and the control, and only the last of them frees it. The
// thread keeps the module loaded and locked until it has ended.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/critical_section.h"

namespace liveview {

class CHostResolver {
 public:
  // The longest wait for an answer.
  static constexpr DWORD kWaitMs = 5000;
  // What the thread runs on its copy of the name; ResolveCameraText unless a test holds it.
  using Lookup = int (*)(std::string& hostText);
  static Lookup SetLookup(Lookup lookup);

  // Starts the thread at once. A thread that cannot start leaves the resolver done with an
  // empty result.
  static std::shared_ptr<CHostResolver> Start(const std::string& name);

  CHostResolver(const CHostResolver&) = delete;
  CHostResolver& operator=(const CHostResolver&) = delete;

  // Dispatches this thread's messages until the answer came or `ms` passed (or WM_QUIT came
  // by); the result then, empty while still pending or when the name did not resolve.
  std::string Wait(DWORD ms = kWaitMs);
  bool Done() const;

 private:
  explicit CHostResolver(const std::string& name) : name_(name) {}
  void Resolve();
  void Finish(const std::string& result);

  mutable base::CriticalSection lock_;
  const std::string name_;
  std::string result_;
  int done_ = 0;
};

}  // namespace liveview
