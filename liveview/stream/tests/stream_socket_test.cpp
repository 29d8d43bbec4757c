// The worker's reads over a real loopback connection: where a header block ends, and what a
// header too long for its room or a camera stalling inside one does.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/socket_wait.h"
#include "liveview/stream/stream_socket.h"
#include "liveview/stream/stream_worker.h"
#include "simulator/unique_socket.h"

namespace liveview {
namespace {

using camsim::UniqueSocket;

// A slot holding the non-blocking client end of a loopback connection; the test writes to
// the server end.
class ConnectedSlot : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(winsock_.Ok());
    UniqueSocket listener(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    int size = sizeof(address);
    getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &size);
    ASSERT_EQ(listen(listener.Get(), 1), 0);
    const SOCKET client = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    server_.Reset(accept(listener.Get(), nullptr, nullptr));
    ASSERT_TRUE(server_.Valid());
    u_long nonBlocking = 1;
    ioctlsocket(client, FIONBIO, &nonBlocking);
    slot_.socket.store(client);
    slot_.running.store(1);
  }
  void TearDown() override {
    const SOCKET s = slot_.socket.exchange(0);
    if (s) closesocket(s);
  }
  void Send(const std::string& bytes) {
    ASSERT_EQ(send(server_.Get(), bytes.data(), static_cast<int>(bytes.size()), 0),
              static_cast<int>(bytes.size()));
  }

  camsim::WinsockSession winsock_;
  UniqueSocket server_;
  StreamSlot slot_;
};

TEST_F(ConnectedSlot, HeaderBlockEndsAtItsBlankLineAndLeavesTheBody) {
  Send("--b\r\nContent-Length: 4\r\n\r\nBODY");
  std::vector<char> block(100);
  const std::string header = "--b\r\nContent-Length: 4\r\n\r\n";
  ASSERT_EQ(ReadHeaderBlock(slot_, block.data(), 100), static_cast<int>(header.size()));
  EXPECT_EQ(std::string(block.data(), header.size()), header);
  uint8_t body[4] = {};
  EXPECT_EQ(ReadBody(slot_, body, 4), 4);
  EXPECT_EQ(std::memcmp(body, "BODY", 4), 0);
}

TEST_F(ConnectedSlot, HeaderSplitOverArrivalsEndsAtItsBlankLineAndTheBodyFollowsWhole) {
  // Pieces that arrive 30 ms apart; the last piece of each header carries the body's first
  // byte directly behind the blank line. The first is there before the read: with nothing
  // readable in its short wait a read answers 0 (no block yet), and a slow machine may start
  // the sending thread later than that.
  const std::vector<std::vector<std::string>> splits = {
      {"--b\r\nCon", "tent-Length: 4\r\n", "\r\nBODY"},
      {"--b\r\nContent-Length: 4\r\n\r", "\nBODY"},
      {"--b\r\nContent-Length: 4\r", "\n\r", "\nB", "ODY"},
      {"-", "-b\r\nContent-Length: 4\r\n\r\n", "BODY"},
  };
  const std::string header = "--b\r\nContent-Length: 4\r\n\r\n";
  for (const auto& pieces : splits) {
    Send(pieces[0]);
    std::thread camera([&] {
      for (size_t i = 1; i < pieces.size(); ++i) {
        Sleep(30);
        Send(pieces[i]);
      }
    });
    std::vector<char> block(100);
    const int got = ReadHeaderBlock(slot_, block.data(), 100);
    uint8_t body[4] = {};
    const int bodyGot = got > 0 ? ReadBody(slot_, body, 4) : 0;
    camera.join();
    ASSERT_EQ(got, static_cast<int>(header.size())) << pieces[0];
    EXPECT_EQ(std::string(block.data(), header.size()), header);
    EXPECT_EQ(bodyGot, 4) << pieces[0];
    EXPECT_EQ(std::memcmp(body, "BODY", 4), 0) << pieces[0];
  }
}

TEST_F(ConnectedSlot, PartsSentBackToBackAreReadOneByOne) {
  // Two whole parts and the start of a third in one arrival: each read takes only its own.
  Send("--b\r\nContent-Length: 3\r\n\r\nONE\r\n--b\r\nContent-Length: 3\r\n\r\nTWO\r\n--b\r\n");
  for (const char* expected : {"ONE", "TWO"}) {
    std::vector<char> block(100);
    const int got = ReadHeaderBlock(slot_, block.data(), 100);
    ASSERT_GT(got, 0);
    const std::string text(block.data(), static_cast<size_t>(got));
    EXPECT_EQ(text.substr(text.size() - 21), "Content-Length: 3\r\n\r\n");
    uint8_t body[3] = {};
    ASSERT_EQ(ReadBody(slot_, body, 3), 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(body), 3), expected);
  }
  // What the body read took past its body (the line end) is the next block's start; the
  // rest is still in the socket.
  EXPECT_EQ(std::string(slot_.carry.bytes, static_cast<size_t>(slot_.carry.length)), "\r\n");
  uint8_t rest[16] = {};
  EXPECT_EQ(recv(slot_.socket.load(), reinterpret_cast<char*>(rest), sizeof rest, 0), 5);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(rest), 5), "--b\r\n");
}

// The body read takes the line end behind a body along with it, when it is there: the next
// header block is the same bytes whatever arrives when.
TEST_F(ConnectedSlot, NextBlockIsWholeHoweverTheBytesBehindABodyArrive) {
  const std::string first = "--b\r\nContent-Length: 4\r\n\r\n";
  const std::string next = "\r\n" + first;
  struct Case {
    std::vector<std::string> pieces;  // 30 ms apart
    std::string second;               // the next header block as read
  };
  const Case cases[] = {
      {{first + "BODY" + next + "MORE"}, next},
      {{first + "BODY\r\n", first + "MORE"}, next},
      {{first + "BODY\r", "\n" + first + "MORE"}, next},
      {{first + "BODY", "\r\n--b\r\nContent-", "Length: 4\r\n\r\nMORE"}, next},
      {{first + "BO", "DY\r\n-", "-b\r\nContent-Length: 4\r\n\r\nMORE"}, next},
      // A camera that puts no line end between a body and the next part.
      {{first + "BODY" + first + "MORE"}, first},
      {{first + "BODY--", "b\r\nContent-Length: 4\r\n\r\nMORE"}, first},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.pieces));
    slot_.carry.length = 0;
    Send(c.pieces[0]);
    std::thread camera([&] {
      for (size_t i = 1; i < c.pieces.size(); ++i) {
        Sleep(30);
        Send(c.pieces[i]);
      }
    });
    std::vector<char> block(100);
    const int firstGot = ReadHeaderBlock(slot_, block.data(), 100);
    uint8_t body[4] = {};
    const int bodyGot = firstGot > 0 ? ReadBody(slot_, body, 4) : 0;
    // As the worker does between parts: a header read finding nothing at all gives up soon.
    if (bodyGot == 4) WaitReadable(slot_, 1000);
    const int secondGot = bodyGot == 4 ? ReadHeaderBlock(slot_, block.data(), 100) : 0;
    const std::string second(block.data(), static_cast<size_t>(std::max(secondGot, 0)));
    uint8_t more[4] = {};
    const int moreGot = secondGot > 0 ? ReadBody(slot_, more, 4) : 0;
    camera.join();
    EXPECT_EQ(firstGot, static_cast<int>(first.size()));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(body), 4), "BODY");
    EXPECT_EQ(second, c.second);
    EXPECT_EQ(moreGot, 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(more), 4), "MORE");
    EXPECT_EQ(slot_.carry.length, 0) << "nothing follows the last body";
  }
}

TEST_F(ConnectedSlot, BodyThatFollowsItsHeaderLateIsStillRead) {
  Send("--b\r\nContent-Length: 4\r\n\r\n");
  std::thread late([this] {
    Sleep(60);
    Send("BODY");
  });
  std::vector<char> block(100);
  const int got = ReadHeaderBlock(slot_, block.data(), 100);
  uint8_t body[4] = {};
  const int bodyGot = ReadBody(slot_, body, 4);
  late.join();
  EXPECT_EQ(got, 26);
  EXPECT_EQ(bodyGot, 4);
  EXPECT_EQ(std::memcmp(body, "BODY", 4), 0);
}

TEST_F(ConnectedSlot, HeaderLongerThanItsRoomIsRefusedWithoutWritingPastIt) {
  Send(std::string(300, 'x'));
  std::vector<char> buffer(96, '\xEE');
  EXPECT_EQ(ReadHeaderBlock(slot_, buffer.data(), 64), kHeaderBlockFailed);
  for (size_t i = 64; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], '\xEE') << i;
}

TEST_F(ConnectedSlot, HeaderThatStallsHalfwayIsGivenUp) {
  Send("--b\r\nContent-Le");
  std::vector<char> block(100);
  // Returns at all: a camera that stops mid-header no longer holds the worker.
  EXPECT_EQ(ReadHeaderBlock(slot_, block.data(), 100), kHeaderBlockFailed);
}

TEST_F(ConnectedSlot, LineEndBeforeALateNextPartIsNoStall) {
  Send("\r\n");
  std::thread late([this] {
    Sleep(1200);
    Send("--b\r\nContent-Length: 9\r\n\r\n");
  });
  std::vector<char> block(100);
  const int got = ReadHeaderBlock(slot_, block.data(), 100);
  late.join();
  EXPECT_EQ(got, 28);  // both line ends and the whole header
}

TEST_F(ConnectedSlot, StopEndsAHeaderWait) {
  Send("\r\n");
  slot_.stopRequest.store(1);
  std::vector<char> block(100);
  EXPECT_EQ(ReadHeaderBlock(slot_, block.data(), 100), kHeaderBlockFailed);
}

// The peer here sends nothing, reads nothing and never closes, as a camera still starting its
// encoder may: the socket shut down by the stop does not end a select under Wine, so the wait
// must look at the flags itself, whatever its length.
TEST_F(ConnectedSlot, StopEndsALongReadableWaitSoon) {
  struct Case {
    const char* name;
    std::atomic<int> StreamSlot::*flag;
    int value;
  };
  const Case cases[] = {
      {"StopStream", &StreamSlot::running, 0},
      {"RequestStop", &StreamSlot::stopRequest, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    slot_.running.store(1);
    slot_.stopRequest.store(0);
    int result = 0;
    DWORD took = 0;
    std::thread worker([&] {
      const DWORD start = GetTickCount();
      result = WaitReadable(slot_, 5000);
      took = GetTickCount() - start;
    });
    Sleep(100);
    (slot_.*c.flag).store(c.value);
    WakeWorker(slot_);
    worker.join();
    EXPECT_EQ(result, -1);
    EXPECT_LT(took, 1000u) << "the stop waited for the wait's own end";
  }
}

TEST_F(ConnectedSlot, BodyThatStallsEndsShort) {
  Send(std::string(500, 'j'));
  std::vector<uint8_t> body(1000);
  EXPECT_EQ(ReadBody(slot_, body.data(), 1000), 500);
}

TEST_F(ConnectedSlot, BodyEndsWhenThePeerCloses) {
  Send(std::string(10, 'j'));
  server_.Reset();
  std::vector<uint8_t> body(100);
  EXPECT_EQ(ReadBody(slot_, body.data(), 100), 10);
}

TEST_F(ConnectedSlot, WaitsSeeReadabilityAndWritability) {
  EXPECT_GT(base::WaitSocket(slot_.socket.load(), 0, 25000, base::kWaitWrite), 0);
  EXPECT_EQ(base::WaitSocket(slot_.socket.load(), 0, 25000, base::kWaitRead), 0);
  EXPECT_EQ(base::WaitSocket(slot_.socket.load(), 0, 25000, 7), 0);
  Send("x");
  EXPECT_GT(WaitReadable(slot_, 5000), 0);
  slot_.running.store(0);
  EXPECT_EQ(WaitReadable(slot_, 5000), -1);
  EXPECT_LT(base::WaitSocket(0, 0, 25000, base::kWaitRead), 0);  // no socket: an error, never a wait
}

}  // namespace
}  // namespace liveview
