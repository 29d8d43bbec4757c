#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/search_reply_receiver.h"
#include "common/tests/hex_bytes.h"

namespace common {
namespace {

using testing::FromHex;
using testing::ToHex;

// Two cameras' senders; datagrams of a script come from camera A unless it says otherwise.
constexpr DatagramOrigin kCameraA{0x3201D50A, 0xC832, 0};  // 10.213.1.50:13000
constexpr DatagramOrigin kCameraB{0x3301D50A, 0xC832, 0};  // 10.213.1.51:13000

DatagramOrigin At(DatagramOrigin origin, uint32_t tick) {
  origin.tick = tick;
  return origin;
}

// Hands out scripted datagrams as a UDP socket would: one too long for the room given is cut
// and reported as such. Once the script runs out the socket reads as closed (a failed
// receive, never an endless run of empty ones).
class ScriptedSocket {
 public:
  void Add(std::vector<uint8_t> datagram, DatagramOrigin from = kCameraA) {
    steps_.push_back({std::move(datagram), std::nullopt, from});
  }
  // A receive that gives `result` instead of a datagram.
  void AddResult(int result) { steps_.push_back({{}, result, kCameraA}); }

  ReceiveDatagram Function() {
    return [this](uint8_t* dest, size_t room, DatagramOrigin& origin) {
      return Receive(dest, room, origin);
    };
  }
  const std::vector<size_t>& rooms() const { return rooms_; }
  size_t left() const { return steps_.size(); }

 private:
  struct Step {
    std::vector<uint8_t> datagram;
    std::optional<int> result;
    DatagramOrigin from;
  };

  int Receive(uint8_t* dest, size_t room, DatagramOrigin& origin) {
    rooms_.push_back(room);
    if (steps_.empty()) return kReceiveFailed;
    const Step step = std::move(steps_.front());
    steps_.pop_front();
    if (step.result) return *step.result;
    origin = step.from;
    if (step.datagram.size() > room) {
      std::memcpy(dest, step.datagram.data(), room);
      return kDatagramTooLong;
    }
    std::memcpy(dest, step.datagram.data(), step.datagram.size());
    return static_cast<int>(step.datagram.size());
  }

  std::deque<Step> steps_;
  std::vector<size_t> rooms_;
};

// A full 84-byte reply; `tag` goes into the last address byte and the firmware text.
std::vector<uint8_t> Reply(uint8_t tag, uint32_t payloadLen = 76, const char* scheme = "DIGEST") {
  std::vector<uint8_t> bytes(kSearchReplySize, 0);
  bytes[0] = 3;
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<uint8_t>(payloadLen >> (8 * i));
  const auto body = FromHex("c0a80100 ffffff00 c0a80101 1f90 001a2b3c4d00");
  std::memcpy(&bytes[8], body.data(), body.size());
  bytes[11] = tag;
  bytes[27] = tag;
  const std::string firmware = "FW-" + std::to_string(tag) + "-LONG-VERSION-TEXT";
  std::memcpy(&bytes[28], firmware.data(), firmware.size());
  std::memcpy(&bytes[68], scheme, std::strlen(scheme));
  return bytes;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
  return std::vector<uint8_t>(bytes.begin() + from, bytes.begin() + to);
}

TEST(SearchReplyReceiver, ReplyInTwoDatagramsIsPutTogether) {
  const auto whole = Reply(7);
  ScriptedSocket socket;
  socket.Add(Slice(whole, 0, 40));
  socket.Add(Slice(whole, 40, 84));
  SearchReplyReceiver receiver;
  SearchReply reply{};
  ASSERT_EQ(receiver.Receive(socket.Function(), reply), ReceiveOutcome::kReply);
  EXPECT_EQ(socket.rooms(), (std::vector<size_t>{4096, 4056}));
  EXPECT_EQ(reply.address, 0xC0A80107u);
  EXPECT_EQ(reply.port, 8080);
  EXPECT_EQ(ToHex(reply.mac), "001a2b3c4d07");
  EXPECT_STREQ(reply.firmware.data(), "FW-7-LONG-VERSION-TEXT");
  EXPECT_STREQ(reply.authScheme.data(), "DIGEST");
}

TEST(SearchReplyReceiver, ContinuationOnlyFromTheFirstPartsSenderInTime) {
  struct Case {
    const char* what;
    DatagramOrigin second;  // of the datagram after camera A's first half, sent at tick 1000
    bool joined;
  };
  const Case kCases[] = {
      {"same sender at once", At(kCameraA, 1000), true},
      {"same sender at the window's end", At(kCameraA, 1000 + kContinuationWindowMs), true},
      {"same sender too late", At(kCameraA, 1001 + kContinuationWindowMs), false},
      {"another address", At(kCameraB, 1000), false},
      {"another port", DatagramOrigin{kCameraA.address, 0xC932, 1000}, false},
  };
  for (const auto& c : kCases) {
    const auto a = Reply(1);
    ScriptedSocket socket;
    socket.Add(Slice(a, 0, 40), At(kCameraA, 1000));
    // What follows is the rest of A, or a whole reply of its own.
    socket.Add(c.joined ? Slice(a, 40, 84) : Reply(2), c.second);
    SearchReplyReceiver receiver;
    SearchReply reply{};
    ASSERT_EQ(receiver.Receive(socket.Function(), reply), ReceiveOutcome::kReply) << c.what;
    EXPECT_EQ(ToHex(reply.mac), c.joined ? "001a2b3c4d01" : "001a2b3c4d02") << c.what;
    EXPECT_STREQ(reply.firmware.data(), c.joined ? "FW-1-LONG-VERSION-TEXT" : "FW-2-LONG-VERSION-TEXT")
        << c.what;
    EXPECT_STREQ(reply.authScheme.data(), "DIGEST") << c.what;
    EXPECT_EQ(socket.left(), 0u) << c.what;
  }
}

TEST(SearchReplyReceiver, DatagramThatBreaksIntoAReplyIsTakenForWhatItIs) {
  const auto a = Reply(1);
  const auto b = Reply(2);
  ScriptedSocket socket;
  socket.Add(Slice(a, 0, 40), kCameraA);
  socket.Add(Slice(b, 0, 40), kCameraB);  // the first half of a reply of B's own
  socket.Add({}, kCameraA);                // an empty datagram is no part of anything
  socket.Add(Slice(b, 40, 84), kCameraB);
  socket.Add(Slice(a, 0, 40), kCameraA);
  socket.Add(FromHex("0200000000000000"), kCameraB);  // not a reply: dropped with A's half
  socket.Add(Reply(3), kCameraB);
  SearchReplyReceiver receiver;
  SearchReply reply{};
  ASSERT_EQ(receiver.Receive(socket.Function(), reply), ReceiveOutcome::kReply);
  EXPECT_EQ(ToHex(reply.mac), "001a2b3c4d02");
  EXPECT_STREQ(reply.firmware.data(), "FW-2-LONG-VERSION-TEXT");
  EXPECT_STREQ(reply.authScheme.data(), "DIGEST");
  ASSERT_EQ(receiver.Receive(socket.Function(), reply), ReceiveOutcome::kReply);
  EXPECT_EQ(ToHex(reply.mac), "001a2b3c4d03");
  EXPECT_EQ(socket.left(), 0u);
}

TEST(SearchReplyReceiver, LaterReplyShowsNothingOfAnEarlierOne) {
  ScriptedSocket socket;
  socket.Add(Reply(1));
  auto shortReply = Reply(2, 20);
  shortReply.resize(28);  // ends with the MAC
  socket.Add(shortReply);
  socket.Add(Reply(3, 60));
  SearchReplyReceiver receiver;
  SearchReply reply{};

  ASSERT_EQ(receiver.Receive(socket.Function(), reply), ReceiveOutcome::kReply);
  EXPECT_STREQ(reply.authScheme.data(), "DIGEST");
  ASSERT_EQ(receiver.Receive(socket.Function(), reply), ReceiveOutcome::kReply);
  EXPECT_EQ(ToHex(reply.mac), "001a2b3c4d02");
  EXPECT_STREQ(reply.firmware.data(), "");
  EXPECT_STREQ(reply.authScheme.data(), "BASIC");
  ASSERT_EQ(receiver.Receive(socket.Function(), reply), ReceiveOutcome::kReply);
  EXPECT_STREQ(reply.firmware.data(), "FW-3-LONG-VERSION-TEXT");
  EXPECT_STREQ(reply.authScheme.data(), "BASIC") << "payloadLen 60 carries no authScheme";
}

TEST(SearchReplyReceiver, DropsWhatIsNoUsableReplyAndGoesOn) {
  ScriptedSocket socket;
  socket.Add(FromHex("0200000000000000"));        // another PC's SearchRequest
  socket.Add(FromHex("03000000 4c00"));           // shorter than a header
  auto noMac = Reply(1, 19);
  noMac.resize(27);
  socket.Add(noMac);                              // ends before its MAC
  socket.Add(std::vector<uint8_t>(5000, 3));      // a datagram longer than the buffer
  const auto overflowing = Reply(3, 4000);        // fits its header, not its bytes
  socket.Add(Slice(overflowing, 0, 84));
  socket.Add(std::vector<uint8_t>(4050, 'x'));
  socket.Add(Reply(2, 4089));  // could never fit: dropped at once, not waited on
  socket.Add(Reply(9));
  SearchReplyReceiver receiver;
  SearchReply reply{};
  ASSERT_EQ(receiver.Receive(socket.Function(), reply), ReceiveOutcome::kReply);
  EXPECT_EQ(ToHex(reply.mac), "001a2b3c4d09");
  EXPECT_EQ(socket.left(), 0u);
}

TEST(SearchReplyReceiver, ReplyFillingTheWholeBufferIsAccepted) {
  auto whole = Reply(5, kReplyBufferSize - kMessageHeaderSize);
  whole.resize(kReplyBufferSize, 'x');
  ScriptedSocket socket;
  socket.Add(Slice(whole, 0, 4000));
  socket.Add(Slice(whole, 4000, kReplyBufferSize));
  SearchReplyReceiver receiver;
  SearchReply reply{};
  ASSERT_EQ(receiver.Receive(socket.Function(), reply), ReceiveOutcome::kReply);
  EXPECT_EQ(ToHex(reply.mac), "001a2b3c4d05");
  EXPECT_STREQ(reply.authScheme.data(), "DIGEST");
}

TEST(SearchReplyReceiver, EmptyDatagramsAndPassingErrorsAreSkipped) {
  const auto whole = Reply(4);
  ScriptedSocket socket;
  socket.Add({});                  // an empty datagram before a reply
  socket.AddResult(kNothingReceived);
  socket.Add(Slice(whole, 0, 40));
  socket.Add({});                  // and one between its parts
  socket.Add(Slice(whole, 40, 84));
  socket.Add({});
  socket.Add(Reply(5));
  SearchReplyReceiver receiver;
  SearchReply reply{};
  ASSERT_EQ(receiver.Receive(socket.Function(), reply), ReceiveOutcome::kReply);
  EXPECT_EQ(ToHex(reply.mac), "001a2b3c4d04");
  EXPECT_STREQ(reply.authScheme.data(), "DIGEST");
  ASSERT_EQ(receiver.Receive(socket.Function(), reply), ReceiveOutcome::kReply);
  EXPECT_EQ(ToHex(reply.mac), "001a2b3c4d05");
  EXPECT_EQ(socket.left(), 0u);
}

TEST(SearchReplyReceiver, FailedReceiveEndsTheReceiver) {
  struct Case {
    const char* what;
    int result;
    bool insideReply;
    ReceiveOutcome outcome;
  };
  constexpr Case kCases[] = {
      {"closed before a reply", kReceiveFailed, false, ReceiveOutcome::kFirstReceiveFailed},
      {"other error before a reply", -7, false, ReceiveOutcome::kFirstReceiveFailed},
      {"closed inside a reply", kReceiveFailed, true, ReceiveOutcome::kContinuationFailed},
      {"other error inside a reply", -7, true, ReceiveOutcome::kContinuationFailed},
  };
  for (const auto& c : kCases) {
    ScriptedSocket socket;
    if (c.insideReply) socket.Add(Slice(Reply(1), 0, 40));
    socket.AddResult(c.result);
    socket.Add(Reply(2));  // must not be reached
    SearchReplyReceiver receiver;
    SearchReply reply{};
    EXPECT_EQ(receiver.Receive(socket.Function(), reply), c.outcome) << c.what;
    EXPECT_EQ(socket.left(), 1u) << c.what;
  }
}

}  // namespace
}  // namespace common
