// One Winsock start-up for the life of an object, paired with its WSACleanup only when the
// start-up succeeded; Winsock counts start-ups, so any number of sessions may overlap.
#pragma once

#include <winsock2.h>

namespace base {

class WinsockSession {
 public:
  // The version asked for: 1.1 for the live view control, 2.2 for the discovery code.
  explicit WinsockSession(WORD version);
  ~WinsockSession();
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;

  bool Started() const { return result_ == 0; }
  // WSAStartup's own result: 0, or the error it answered.
  int Result() const { return result_; }

 private:
  int result_;
};

}  // namespace base
