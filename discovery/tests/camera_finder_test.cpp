// The finder against simulated cameras in the suite's private network: real broadcasts to
// UDP 13000, real replies to 13001.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/scoped_socket.h"
#include "camera_finder.h"
#include "common/log_writer.h"
#include "common/password_text.h"
#include "isolated_network.h"
#include "recording_finder.h"
#include "simulator/discovery_responder.h"

namespace discovery {
namespace {

using common::MacAddress;
using testing::RecordingFinder;

constexpr uint32_t kCameraAddress = 0x0AD50032;  // 10.213.0.50

camsim::DiscoveryIdentity Camera(uint8_t tag, const char* authScheme = "BASIC") {
  camsim::DiscoveryIdentity camera;
  camera.mac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, tag};
  camera.address = kCameraAddress + tag;
  camera.gateway = 0x0AD50001;
  camera.webPort = 8000 + tag;
  camera.firmware = "fw " + std::to_string(tag);
  if (authScheme) {
    camera.authScheme = std::string(authScheme);
  } else {
    camera.authScheme.reset();
  }
  return camera;
}

MacAddress Mac(uint8_t tag) { return {0x00, 0x1a, 0x2b, 0x3c, 0x4d, tag}; }

// A plain UDP socket of the test's own, for datagrams no camera would send.
class Sender {
 public:
  Sender() : socket_(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) {}
  void ToListener(const std::vector<uint8_t>& bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(common::kReplyListenPort);
    ASSERT_EQ(sendto(socket_.Get(), reinterpret_cast<const char*>(bytes.data()),
                     static_cast<int>(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                     sizeof to),
              static_cast<int>(bytes.size()));
  }

 private:
  base::ScopedSocket socket_;
};

class CameraFinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing_support::InIsolatedNetwork());
    ASSERT_TRUE(responder_.Start()) << "UDP 13000 is taken";
  }

  camsim::DiscoveryResponder responder_;
  RecordingFinder finder_;  // declared last: stopped before the responder goes
};

TEST_F(CameraFinderTest, StartingTwiceMakesOneListener) {
  responder_.AddCamera(Camera(1));
  ASSERT_TRUE(finder_.StartSearch());
  const DWORD listener = finder_.ListenerThreadId();
  ASSERT_NE(listener, 0u);
  ASSERT_TRUE(finder_.StartSearch());
  EXPECT_EQ(finder_.ListenerThreadId(), listener);
  EXPECT_TRUE(finder_.IsStarted());

  finder_.ClearCamList();
  ASSERT_TRUE(finder_.WaitReported(Mac(1)));

  finder_.StopSearch();
  EXPECT_FALSE(finder_.IsStarted());
  EXPECT_EQ(finder_.ListenerThreadId(), 0u);
  EXPECT_TRUE(finder_.CamList().empty());
  ASSERT_TRUE(finder_.StartSearch()) << "a start after a stop starts afresh";
  finder_.SendSearch();
  EXPECT_TRUE(finder_.WaitReported(Mac(1), 2));
}

TEST_F(CameraFinderTest, CameraIsReportedOnceUntilTheListIsCleared) {
  responder_.AddCamera(Camera(1));
  ASSERT_TRUE(finder_.StartSearch());
  finder_.ClearCamList();
  ASSERT_TRUE(finder_.WaitReported(Mac(1)));
  finder_.SendSearch();
  finder_.SendSearch();
  responder_.AddCamera(Camera(2));
  finder_.SendSearch();
  ASSERT_TRUE(finder_.WaitReported(Mac(2)));
  // The responder may have answered an earlier search with the newcomer already. Once it
  // has taken all four, a third camera can only be in the answers to the fourth or a fifth
  // search, behind the others' answers to the same search and after every earlier one.
  const auto searches = [&] {
    return responder_.Snapshot().Count(camsim::ReceivedDatagram::Kind::Search);
  };
  ASSERT_TRUE(RecordingFinder::WaitUntil([&] { return searches() >= 4u; }));
  responder_.AddCamera(Camera(3));
  finder_.SendSearch();
  ASSERT_TRUE(finder_.WaitReported(Mac(3)));
  EXPECT_EQ(finder_.TimesReported(Mac(1)), 1u);
  EXPECT_EQ(finder_.TimesReported(Mac(2)), 1u);
  ASSERT_TRUE(RecordingFinder::WaitUntil([&] { return searches() >= 5u; }));
  EXPECT_EQ(searches(), 5u);

  finder_.ClearCamList();  // empties the list and searches again
  ASSERT_TRUE(finder_.WaitReported(Mac(1), 2));
  ASSERT_TRUE(finder_.WaitReported(Mac(2), 2));
  ASSERT_TRUE(finder_.WaitReported(Mac(3), 2));
  EXPECT_EQ(finder_.CamList().size(), 3u);
}

TEST_F(CameraFinderTest, ListRunsNewestFirstWithTheRepliesDecoded) {
  responder_.AddCamera(Camera(1, nullptr));  // a reply without authScheme
  auto split = Camera(2, "DIGEST");
  split.splitAt = 40;  // in two datagrams
  split.webPort = 65535;
  responder_.AddCamera(split);
  ASSERT_TRUE(finder_.StartSearch());
  finder_.ClearCamList();
  ASSERT_TRUE(finder_.WaitReported(Mac(2)));

  const auto list = finder_.CamList();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].mac, Mac(2));
  EXPECT_EQ(list[1].mac, Mac(1));
  EXPECT_EQ(finder_.Reported(), (std::vector<MacAddress>{Mac(1), Mac(2)}));

  EXPECT_EQ(list[0].address, kCameraAddress + 2);
  EXPECT_EQ(list[0].mask, 0xFFFFFF00u);
  EXPECT_EQ(list[0].gateway, 0x0AD50001u);
  EXPECT_EQ(list[0].port, 65535);
  EXPECT_STREQ(list[0].firmware.data(), "fw 2");
  EXPECT_STREQ(list[0].authScheme.data(), "DIGEST");
  EXPECT_STREQ(list[1].authScheme.data(), "BASIC");
  EXPECT_NE(list[1].lastSeen, 0u);
}

TEST_F(CameraFinderTest, CameraThatChangesItsAddressKeepsItsOldNode) {
  const size_t first = responder_.AddCamera(Camera(1));
  ASSERT_TRUE(finder_.StartSearch());
  finder_.ClearCamList();
  ASSERT_TRUE(finder_.WaitReported(Mac(1)));

  auto moved = Camera(1);
  moved.address = 0x0AD500C8;  // 10.213.0.200
  responder_.SetCamera(first, moved);
  responder_.AddCamera(Camera(3));
  finder_.SendSearch();
  ASSERT_TRUE(finder_.WaitReported(Mac(3)));

  const auto node = finder_.FindInCamList(Mac(1));
  ASSERT_TRUE(node);
  EXPECT_EQ(node->address, kCameraAddress + 1);
  EXPECT_EQ(finder_.TimesReported(Mac(1)), 1u);

  finder_.ClearCamList();
  ASSERT_TRUE(finder_.WaitUntil([&] {
    const auto fresh = finder_.FindInCamList(Mac(1));
    return fresh && fresh->address == 0x0AD500C8;
  }));
}

TEST_F(CameraFinderTest, ReplyPortTakenByAnotherProgramFailsTheStart) {
  base::ScopedSocket holder(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(common::kReplyListenPort);
  ASSERT_EQ(bind(holder.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);

  // The start's log line reaches the file only when the mask lets level 1 through.
  DeleteFileA("c:\\dizev.log");
  common::SetLogLevelMask(1);
  const bool started = finder_.StartSearch();
  common::SetLogLevelMask(0);
  EXPECT_FALSE(started);
  EXPECT_FALSE(finder_.IsStarted());
  EXPECT_EQ(finder_.ListenerThreadId(), 0u);
  std::ifstream log("c:\\dizev.log");
  std::stringstream text;
  text << log.rdbuf();
  EXPECT_NE(text.str().find(" orvex 149 \tBind Listen Port Failed\n"), std::string::npos)
      << text.str();
  log.close();
  DeleteFileA("c:\\dizev.log");

  holder.Reset();
  responder_.AddCamera(Camera(1));
  ASSERT_TRUE(finder_.StartSearch()) << "the failed start left nothing in the way";
  finder_.ClearCamList();
  EXPECT_TRUE(finder_.WaitReported(Mac(1)));
}

TEST_F(CameraFinderTest, StopWhileAReplyIsHalfReceived) {
  responder_.AddCamera(Camera(1));
  ASSERT_TRUE(finder_.StartSearch());
  finder_.ClearCamList();
  ASSERT_TRUE(finder_.WaitReported(Mac(1)));

  const auto reply = camsim::EncodeSearchReply(Camera(2));
  Sender sender;
  sender.ToListener(std::vector<uint8_t>(reply.begin(), reply.begin() + 40));
  // Give the listener time to take the first half; the stop must end it either way.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  finder_.StopSearch();
  EXPECT_FALSE(finder_.IsStarted());
  EXPECT_TRUE(finder_.CamList().empty());
  EXPECT_EQ(finder_.TimesReported(Mac(2)), 0u);
}

// Camera 1's first half, then what must not complete it; camera 1 never shows up.
TEST_F(CameraFinderTest, HalfReplyIsCompletedOnlyByItsSenderInTime) {
  ASSERT_TRUE(finder_.StartSearch());
  const auto half = camsim::EncodeSearchReply(Camera(1));
  Sender sender;

  // Another sender: the responder, with camera 2's reply in two datagrams of its own.
  auto other = Camera(2, "DIGEST");
  other.splitAt = 40;
  responder_.AddCamera(other);
  sender.ToListener(std::vector<uint8_t>(half.begin(), half.begin() + 40));
  finder_.SendSearch();
  ASSERT_TRUE(finder_.WaitReported(Mac(2), 1, std::chrono::seconds(15)));

  // The same sender, too late.
  sender.ToListener(std::vector<uint8_t>(half.begin(), half.begin() + 40));
  std::this_thread::sleep_for(std::chrono::milliseconds(3 * common::kContinuationWindowMs));
  sender.ToListener(camsim::EncodeSearchReply(Camera(3, "DIGEST")));
  ASSERT_TRUE(finder_.WaitReported(Mac(3), 1, std::chrono::seconds(15)));

  EXPECT_EQ(finder_.Reported(), (std::vector<MacAddress>{Mac(2), Mac(3)}));
  for (const uint8_t tag : {2, 3}) {
    const auto node = finder_.FindInCamList(Mac(tag));
    ASSERT_TRUE(node);
    EXPECT_EQ(node->address, kCameraAddress + tag);
    EXPECT_EQ(node->gateway, 0x0AD50001u);
    EXPECT_EQ(node->port, 8000 + tag);
    EXPECT_STREQ(node->firmware.data(), ("fw " + std::to_string(tag)).c_str());
    EXPECT_STREQ(node->authScheme.data(), "DIGEST");
  }
}

TEST_F(CameraFinderTest, ListenerSurvivesDatagramsThatAreNoReply) {
  ASSERT_TRUE(finder_.StartSearch());
  Sender sender;
  sender.ToListener({});                                 // empty
  sender.ToListener({'h', 'e', 'l', 'l', 'o'});         // shorter than a header
  sender.ToListener({2, 0, 0, 0, 0, 0, 0, 0});           // another PC's search
  sender.ToListener({3, 0, 0, 0, 0x88, 0x13, 0, 0});     // a reply of 5000 bytes: no room
  auto noMac = camsim::EncodeSearchReply(Camera(7));
  noMac[4] = 10;  // payloadLen 10: ends before the MAC
  noMac.resize(18);
  sender.ToListener(noMac);
  sender.ToListener(camsim::EncodeSearchReply(Camera(5)));
  ASSERT_TRUE(finder_.WaitReported(Mac(5)));
  EXPECT_EQ(finder_.Reported(), std::vector<MacAddress>{Mac(5)});
  EXPECT_TRUE(finder_.IsStarted());

  responder_.AddCamera(Camera(1));
  finder_.SendSearch();
  EXPECT_TRUE(finder_.WaitReported(Mac(1)));
}

TEST_F(CameraFinderTest, ListenerThatEndsLeavesTheFinderStartable) {
  finder_.throwFor = Mac(9);
  ASSERT_TRUE(finder_.StartSearch());
  const DWORD first = finder_.ListenerThreadId();
  Sender sender;
  sender.ToListener(camsim::EncodeSearchReply(Camera(9)));
  ASSERT_TRUE(RecordingFinder::WaitUntil([&] { return !finder_.IsStarted(); }));

  responder_.AddCamera(Camera(1));
  ASSERT_TRUE(finder_.StartSearch());
  EXPECT_NE(finder_.ListenerThreadId(), first);
  EXPECT_TRUE(finder_.CamList().empty()) << "the restart begins with an empty list";
  finder_.ClearCamList();
  EXPECT_TRUE(finder_.WaitReported(Mac(1)));
}

TEST_F(CameraFinderTest, ListenerThatEndsOnAnErrorLetsGoOfItsSocket) {
  finder_.throwFor = Mac(9);
  ASSERT_TRUE(finder_.StartSearch());
  Sender sender;
  sender.ToListener(camsim::EncodeSearchReply(Camera(9)));
  ASSERT_TRUE(RecordingFinder::WaitUntil([&] { return !finder_.IsStarted(); }));
  // The socket outlives the listener until the next start. A socket still tied to an event
  // cannot be made blocking again.
  u_long blocking = 0;
  EXPECT_EQ(ioctlsocket(finder_.ReceiveSocket(), FIONBIO, &blocking), 0)
      << "the event selection is still in place: " << WSAGetLastError();
}

TEST_F(CameraFinderTest, PasswordTextFollowsTheCamerasAuthScheme) {
  responder_.AddCamera(Camera(1, "DIGEST"));
  responder_.AddCamera(Camera(2, "digest"));
  responder_.AddCamera(Camera(3, "BASIC"));
  responder_.AddCamera(Camera(4, nullptr));
  responder_.AddCamera(Camera(5, "NTLM"));
  ASSERT_TRUE(finder_.StartSearch());
  finder_.ClearCamList();
  ASSERT_TRUE(finder_.WaitReported(Mac(5)));

  const std::string base64 = common::EncodePwdBase64("secret");
  const std::string md5 = common::EncodePwd("secret").value();
  ASSERT_EQ(base64, "$1$c2VjcmV0");
  EXPECT_EQ(finder_.MakePwdField(Mac(1), "secret"), base64);
  EXPECT_EQ(finder_.MakePwdField(Mac(2), "secret"), base64);
  EXPECT_EQ(finder_.MakePwdField(Mac(3), "secret"), md5);
  EXPECT_EQ(finder_.MakePwdField(Mac(4), "secret"), md5);
  EXPECT_EQ(finder_.MakePwdField(Mac(5), "secret"), md5);
  EXPECT_FALSE(finder_.MakePwdField(Mac(6), "secret")) << "a camera not found gets nothing";
}

}  // namespace
}  // namespace discovery
