#include "simulator/unique_socket.h"

#include <gtest/gtest.h>

namespace camsim {
namespace {

bool IsOpenSocket(SOCKET s) {
  int type = 0;
  int size = sizeof type;
  return getsockopt(s, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &size) == 0;
}

TEST(UniqueSocket, ClosesOnceWhenItsLastOwnerGoes) {
  WinsockSession winsock;
  ASSERT_TRUE(winsock.Ok());
  const SOCKET raw = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_NE(raw, INVALID_SOCKET);
  {
    UniqueSocket first(raw);
    UniqueSocket second(std::move(first));
    EXPECT_FALSE(first.Valid());
    EXPECT_EQ(second.Get(), raw);
    UniqueSocket third;
    third = std::move(second);
    EXPECT_TRUE(IsOpenSocket(raw));
  }
  EXPECT_FALSE(IsOpenSocket(raw));
}

}  // namespace
}  // namespace camsim
