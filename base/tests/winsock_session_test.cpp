#include <gtest/gtest.h>

#include <memory>

#include "base/winsock_session.h"

namespace {

// Nothing else in this program starts Winsock, so a socket shows whether a session is up.
bool SocketsWork() {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return false;
  closesocket(s);
  return true;
}

TEST(WinsockSessionTest, OverlappingSessionsKeepWinsockUpUntilTheLastEnds) {
  ASSERT_FALSE(SocketsWork());
  EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
  auto first = std::make_unique<base::WinsockSession>(MAKEWORD(1, 1));
  ASSERT_TRUE(first->Started());
  EXPECT_EQ(0, first->Result());
  {
    base::WinsockSession second(MAKEWORD(2, 2));
    EXPECT_TRUE(second.Started());
  }
  EXPECT_TRUE(SocketsWork());
  first.reset();
  EXPECT_FALSE(SocketsWork());
}

TEST(WinsockSessionTest, AFailedStartUpIsReportedAndNotCleanedUp) {
  base::WinsockSession alive(MAKEWORD(2, 2));
  {
    base::WinsockSession refused(MAKEWORD(0, 0));  // no such version
    EXPECT_FALSE(refused.Started());
    EXPECT_EQ(WSAVERNOTSUPPORTED, refused.Result());
  }
  // A cleanup for the refused start-up would have ended `alive`'s.
  EXPECT_TRUE(SocketsWork());
}

}  // namespace
