// The discovery answers on the wire. Everything runs on loopback with ports of the test's
// own, unicast only.
#include "simulator/discovery_responder.h"

#include <gtest/gtest.h>

#include <winsock2.h>

#include <chrono>
#include <vector>

namespace camsim {
namespace {

using std::chrono::milliseconds;
using Bytes = std::vector<uint8_t>;

constexpr int kWaitMs = 10000;

const Bytes kSearchRequest = {2, 0, 0, 0, 0, 0, 0, 0};

uint32_t Le32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint32_t Be32(const Bytes& b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}
std::string Text(const Bytes& b, size_t at, size_t size) {
  std::string s;
  for (size_t i = at; i < at + size && b[i] != 0; ++i) s.push_back(static_cast<char>(b[i]));
  return s;
}

// The PC's side: a UDP socket on loopback that sends requests and collects datagrams.
class Pc {
 public:
  Pc() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local);
    int size = sizeof local;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &size);
    port_ = ntohs(local.sin_port);
  }
  ~Pc() {
    closesocket(socket_);
    WSACleanup();
  }
  uint16_t Port() const { return port_; }

  void SendTo(uint16_t port, const Bytes& bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    sendto(socket_, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0,
           reinterpret_cast<sockaddr*>(&to), sizeof to);
  }

  // The next datagram, or nothing within the time.
  std::optional<Bytes> Receive(int timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (select(0, &readable, nullptr, nullptr, &timeout) <= 0) return std::nullopt;
    char buffer[4096];
    const int n = recv(socket_, buffer, sizeof buffer, 0);
    if (n < 0) return std::nullopt;
    return Bytes(buffer, buffer + n);
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  uint16_t port_ = 0;
};

DiscoveryIdentity Camera(uint8_t last, uint32_t address) {
  DiscoveryIdentity camera;
  camera.mac = {0x00, 0x0e, 0x53, 0x10, 0x20, last};
  camera.address = address;
  camera.mask = 0xFFFFFF00;
  camera.gateway = (address & 0xFFFFFF00) | 1;
  camera.webPort = 8080;
  camera.firmware = "V2.4.1 build 77";
  camera.authScheme = std::string("DIGEST");
  return camera;
}

class DiscoveryResponderTest : public ::testing::Test {
 protected:
  // Replies go back to the asker: the PC's socket, whose port stands in for 13001.
  void Start(std::vector<DiscoveryIdentity> cameras) {
    DiscoveryConfig config;
    config.bindAddress = "127.0.0.1";
    config.listenPort = 0;
    config.replyPort = pc_.Port();
    responder_ = std::make_unique<DiscoveryResponder>(config);
    for (const auto& c : cameras) responder_->AddCamera(c);
    ASSERT_TRUE(responder_->Start());
    ASSERT_NE(responder_->ListenPort(), 0);
  }

  Pc pc_;
  std::unique_ptr<DiscoveryResponder> responder_;
};

TEST_F(DiscoveryResponderTest, AnswersASearchWithTheFullReply) {
  Start({Camera(0x01, 0xC0A80132)});
  pc_.SendTo(responder_->ListenPort(), kSearchRequest);
  const auto reply = pc_.Receive(kWaitMs);
  ASSERT_TRUE(reply);
  ASSERT_EQ(reply->size(), 84u);
  EXPECT_EQ(Le32(*reply, 0), 3u);
  EXPECT_EQ(Le32(*reply, 4), 76u);
  EXPECT_EQ(Be32(*reply, 8), 0xC0A80132u);
  EXPECT_EQ(Be32(*reply, 12), 0xFFFFFF00u);
  EXPECT_EQ(Be32(*reply, 16), 0xC0A80101u);
  EXPECT_EQ((*reply)[20] << 8 | (*reply)[21], 8080);
  EXPECT_EQ(Bytes(reply->begin() + 22, reply->begin() + 28), Bytes({0x00, 0x0e, 0x53, 0x10, 0x20, 0x01}));
  EXPECT_EQ(Text(*reply, 28, 40), "V2.4.1 build 77");
  EXPECT_EQ(Text(*reply, 68, 16), "DIGEST");
  EXPECT_EQ(responder_->Snapshot().Count(ReceivedDatagram::Kind::Search), 1u);
}

TEST_F(DiscoveryResponderTest, ReplyWithoutAuthSchemeIsTheShortForm) {
  DiscoveryIdentity camera = Camera(0x02, 0x0A000002);
  camera.authScheme.reset();
  Start({camera});
  pc_.SendTo(responder_->ListenPort(), kSearchRequest);
  const auto reply = pc_.Receive(kWaitMs);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->size(), 68u);
  EXPECT_EQ(Le32(*reply, 4), 60u);
}

TEST_F(DiscoveryResponderTest, SplitReplyArrivesAsTwoDatagramsThatJoinIntoTheWhole) {
  DiscoveryIdentity whole = Camera(0x03, 0xC0A80103);
  DiscoveryIdentity split = whole;
  split.splitAt = 40;
  Start({whole, split});
  pc_.SendTo(responder_->ListenPort(), kSearchRequest);
  const auto a = pc_.Receive(kWaitMs);
  const auto b = pc_.Receive(kWaitMs);
  const auto c = pc_.Receive(kWaitMs);
  ASSERT_TRUE(a && b && c);
  ASSERT_EQ(a->size(), 84u);
  ASSERT_EQ(b->size(), 40u);
  ASSERT_EQ(c->size(), 44u);
  Bytes joined = *b;
  joined.insert(joined.end(), c->begin(), c->end());
  EXPECT_EQ(joined, *a);
}

TEST_F(DiscoveryResponderTest, SeveralCamerasAnswerOneSearch) {
  Start({Camera(0x0A, 0xC0A8010A), Camera(0x0B, 0xC0A8010B), Camera(0x0C, 0xC0A8010C)});
  pc_.SendTo(responder_->ListenPort(), kSearchRequest);
  std::vector<uint8_t> lastMacBytes;
  for (int i = 0; i < 3; ++i) {
    const auto reply = pc_.Receive(kWaitMs);
    ASSERT_TRUE(reply);
    lastMacBytes.push_back((*reply)[27]);
  }
  EXPECT_EQ(lastMacBytes, Bytes({0x0A, 0x0B, 0x0C}));
  EXPECT_FALSE(pc_.Receive(200)) << "one reply per camera";
}

TEST_F(DiscoveryResponderTest, SetAddressRequestIsRecordedAndTakenByTheCameraWithThatMac) {
  Start({Camera(0x21, 0xC0A80121), Camera(0x22, 0xC0A80122)});
  Bytes request(64, 0);
  request[0] = 4;
  request[4] = 56;
  const Bytes body = {10, 1, 2, 3, 255, 0, 0, 0, 10, 0, 0, 1, 0x00, 0x0e, 0x53, 0x10, 0x20, 0x22};
  std::copy(body.begin(), body.end(), request.begin() + 8);
  const std::string user = "admin";
  std::copy(user.begin(), user.end(), request.begin() + 26);
  const std::string password = "$1$YWRtaW4A";
  std::copy(password.begin(), password.end(), request.begin() + 46);
  pc_.SendTo(responder_->ListenPort(), request);

  Bytes unknownMac = request;
  unknownMac[25] = 0x99;
  pc_.SendTo(responder_->ListenPort(), unknownMac);
  ASSERT_TRUE(responder_->WaitForDatagrams(ReceivedDatagram::Kind::SetAddress, 2, milliseconds(kWaitMs)));

  const DiscoveryActivity activity = responder_->Snapshot();
  ASSERT_EQ(activity.datagrams.size(), 2u);
  const ReceivedDatagram& taken = activity.datagrams[0];
  ASSERT_TRUE(taken.setAddress);
  EXPECT_EQ(taken.setAddress->address, 0x0A010203u);
  EXPECT_EQ(taken.setAddress->user, "admin");
  EXPECT_EQ(taken.setAddress->PasswordText(), password);
  EXPECT_EQ(taken.matchedCamera, 1);
  EXPECT_EQ(taken.fromAddress, 0x7F000001u);
  EXPECT_EQ(taken.bytes, request);
  EXPECT_EQ(activity.datagrams[1].matchedCamera, -1);

  pc_.SendTo(responder_->ListenPort(), kSearchRequest);
  const auto first = pc_.Receive(kWaitMs);
  const auto second = pc_.Receive(kWaitMs);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(Be32(*first, 8), 0xC0A80121u) << "the other camera keeps its address";
  EXPECT_EQ(Be32(*second, 8), 0x0A010203u);
  EXPECT_EQ(Be32(*second, 12), 0xFF000000u);
  EXPECT_EQ(Be32(*second, 16), 0x0A000001u);
}

TEST_F(DiscoveryResponderTest, OtherDatagramsAreRecordedAndNotAnswered) {
  Start({Camera(0x31, 0xC0A80131)});
  pc_.SendTo(responder_->ListenPort(), {9, 0, 0, 0, 0, 0, 0, 0});
  pc_.SendTo(responder_->ListenPort(), {2, 0, 0});
  pc_.SendTo(responder_->ListenPort(), {4, 0, 0, 0, 56, 0, 0, 0});  // a SetAddress cut short
  ASSERT_TRUE(responder_->WaitForDatagrams(ReceivedDatagram::Kind::Other, 3, milliseconds(kWaitMs)));
  EXPECT_FALSE(pc_.Receive(200));
  pc_.SendTo(responder_->ListenPort(), kSearchRequest);
  EXPECT_TRUE(pc_.Receive(kWaitMs));
}

TEST(DiscoveryResponder, SendsRepliesToAConfiguredAddressInsteadOfTheAsker) {
  Pc asker;
  Pc listener;
  DiscoveryConfig config;
  config.bindAddress = "127.0.0.1";
  config.listenPort = 0;
  config.replyAddress = "127.0.0.1";
  config.replyPort = listener.Port();
  DiscoveryResponder responder(config);
  responder.AddCamera(Camera(0x41, 0xC0A80141));
  ASSERT_TRUE(responder.Start());
  asker.SendTo(responder.ListenPort(), kSearchRequest);
  EXPECT_TRUE(listener.Receive(kWaitMs));
  EXPECT_FALSE(asker.Receive(200));
}

}  // namespace
}  // namespace camsim
