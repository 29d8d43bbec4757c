// Every scripted fault, as a client sees it on the wire.
#include <gtest/gtest.h>

#include <chrono>

#include "jpeg_probe.h"
#include "mini_client.h"
#include "simulator/http_camera.h"

namespace camsim {
namespace {

using camsim_test::MiniClient;
using camsim_test::Part;
using camsim_test::ReadPart;
using camsim_test::ReadStreamHead;
using std::chrono::milliseconds;

constexpr int kWaitMs = 10000;

class StreamFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CameraConfig config;
    config.name = "Faulty";
    config.width = 160;
    config.height = 120;
    config.fps = 25;
    camera_ = std::make_unique<HttpCamera>(config);
    ASSERT_TRUE(camera_->Start());
  }

  // Connects, asks for the stream and reads the response header.
  std::optional<camsim_test::StreamHead> OpenStream(MiniClient& client) {
    if (!client.Connect(camera_->Port())) return std::nullopt;
    if (!client.Send(camsim_test::StreamRequest(camsim_test::kAdminAdmin))) return std::nullopt;
    return ReadStreamHead(client, kWaitMs);
  }

  void ReadSoundParts(MiniClient& client, int count) {
    for (int i = 0; i < count; ++i) {
      const auto part = ReadPart(client, kWaitMs);
      ASSERT_TRUE(part) << "sound part " << i;
      ASSERT_TRUE(part->contentLength);
      ASSERT_TRUE(camsim_test::ProbeJpeg(part->body).decoded);
    }
  }

  std::unique_ptr<HttpCamera> camera_;
};

TEST_F(StreamFaultsTest, RefusedConnectionsFailUntilTheFaultIsCleared) {
  StreamFaults faults;
  faults.refuseConnections = true;
  camera_->SetFaults(faults);
  MiniClient client;
  EXPECT_FALSE(client.Connect(camera_->Port(), 2000));

  camera_->ClearFaults();
  MiniClient again;
  ASSERT_TRUE(OpenStream(again));
}

TEST_F(StreamFaultsTest, SilentCameraRecordsTheRequestButNeverAnswers) {
  StreamFaults faults;
  faults.staySilent = true;
  camera_->SetFaults(faults);
  MiniClient client;
  ASSERT_TRUE(client.Connect(camera_->Port()));
  ASSERT_TRUE(client.Send(camsim_test::StreamRequest(camsim_test::kAdminAdmin)));
  ASSERT_TRUE(camera_->Log().WaitForRequests(RequestKind::Stream, 1, milliseconds(kWaitMs)));
  EXPECT_TRUE(client.StaysQuiet(300));
}

TEST_F(StreamFaultsTest, StatusOtherThan200EndsTheConnection) {
  StreamFaults faults;
  faults.statusCode = 503;
  camera_->SetFaults(faults);
  MiniClient client;
  ASSERT_TRUE(client.Connect(camera_->Port()));
  ASSERT_TRUE(client.Send(camsim_test::StreamRequest(camsim_test::kAdminAdmin)));
  const auto answer = client.ReadToEnd(kWaitMs);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->rfind("HTTP/1.1 503 Service Unavailable\r\n", 0), 0u);
  EXPECT_EQ(answer->find("boundary="), std::string::npos);
}

TEST_F(StreamFaultsTest, ResponseWithoutBoundaryStillSendsParts) {
  StreamFaults faults;
  faults.omitBoundary = true;
  camera_->SetFaults(faults);
  MiniClient client;
  const auto head = OpenStream(client);
  ASSERT_TRUE(head);
  EXPECT_EQ(head->statusLine, "HTTP/1.1 200 OK");
  EXPECT_NE(head->header.find("multipart/x-mixed-replace"), std::string::npos);
  EXPECT_EQ(head->header.find("boundary="), std::string::npos);
  ReadSoundParts(client, 1);
}

TEST_F(StreamFaultsTest, PauseMidStreamHoldsBackTheNextPart) {
  StreamFaults faults;
  faults.pause = StreamFaults::Pause{2, 1000};
  camera_->SetFaults(faults);
  MiniClient client;
  ASSERT_TRUE(OpenStream(client));
  ReadSoundParts(client, 2);
  const auto before = std::chrono::steady_clock::now();
  ReadSoundParts(client, 1);
  // A lower bound only: the client may have read the second frame late, never the third early.
  EXPECT_GE(std::chrono::steady_clock::now() - before, milliseconds(600));
  ReadSoundParts(client, 2);  // and the stream goes on
}

TEST_F(StreamFaultsTest, CloseAfterNFramesEndsTheStreamOnAPartBoundary) {
  StreamFaults faults;
  faults.closeAtFrame = 3;
  camera_->SetFaults(faults);
  MiniClient client;
  ASSERT_TRUE(OpenStream(client));
  ReadSoundParts(client, 3);
  const auto rest = client.ReadToEnd(kWaitMs);
  ASSERT_TRUE(rest);
  EXPECT_EQ(*rest, "\r\n");  // the last part's trailer, then the end
  ASSERT_TRUE(camera_->Log().WaitForClosedConnections(1, milliseconds(kWaitMs)));
  EXPECT_EQ(camera_->Log().Connections().at(0).reason, CloseReason::ByCamera);
}

TEST_F(StreamFaultsTest, ShortBodyStopsBeforeItsContentLength) {
  StreamFaults faults;
  faults.shortBodyAtFrame = 1;
  faults.shortBodyHoldMs = 300;
  camera_->SetFaults(faults);
  MiniClient client;
  ASSERT_TRUE(OpenStream(client));
  ReadSoundParts(client, 1);
  const auto header = client.ReadUntil("\r\n\r\n", kWaitMs);
  ASSERT_TRUE(header);
  const size_t at = header->find("Content-Length: ");
  ASSERT_NE(at, std::string::npos);
  const size_t promised = std::stoul(header->substr(at + 16));
  const auto body = client.ReadToEnd(kWaitMs);
  ASSERT_TRUE(body);
  EXPECT_EQ(body->size(), promised / 2);
}

TEST_F(StreamFaultsTest, PartWithoutContentLengthIsFollowedByTheRestOfTheStream) {
  StreamFaults faults;
  faults.missingContentLengthAtFrame = 1;
  camera_->SetFaults(faults);
  MiniClient client;
  ASSERT_TRUE(OpenStream(client));
  ReadSoundParts(client, 1);
  const auto part = ReadPart(client, kWaitMs);
  ASSERT_TRUE(part);
  EXPECT_FALSE(part->contentLength);
  EXPECT_NE(part->header.find("Content-Type: image/jpeg"), std::string::npos);
  // Its body runs up to the next part's boundary line.
  const auto body = client.ReadUntil("\r\n--camsimframe\r\n", kWaitMs);
  ASSERT_TRUE(body);
  EXPECT_TRUE(camsim_test::ProbeJpeg(body->substr(0, body->size() - 17)).decoded);
}

TEST_F(StreamFaultsTest, CorruptJpegIsTruncatedWithAMatchingLength) {
  StreamFaults faults;
  faults.corruptJpegAtFrame = 2;
  camera_->SetFaults(faults);
  MiniClient client;
  ASSERT_TRUE(OpenStream(client));
  ReadSoundParts(client, 2);
  const auto part = ReadPart(client, kWaitMs);
  ASSERT_TRUE(part);
  ASSERT_TRUE(part->contentLength);
  EXPECT_EQ(part->body.size(), *part->contentLength);
  EXPECT_FALSE(camsim_test::EndsWithEoi(part->body));
  const auto probe = camsim_test::ProbeJpeg(part->body);
  EXPECT_TRUE(!probe.decoded || probe.warnings > 0) << "a truncated JPEG must not read clean";
  ReadSoundParts(client, 1);
}

TEST_F(StreamFaultsTest, HugeContentLengthIsClaimed) {
  StreamFaults faults;
  faults.hugeContentLengthAtFrame = 1;
  faults.hugeContentLength = 3000000000u;
  camera_->SetFaults(faults);
  MiniClient client;
  ASSERT_TRUE(OpenStream(client));
  ReadSoundParts(client, 1);
  const auto header = client.ReadUntil("\r\n\r\n", kWaitMs);
  ASSERT_TRUE(header);
  EXPECT_NE(header->find("Content-Length: 3000000000\r\n"), std::string::npos);
}

TEST_F(StreamFaultsTest, ResolutionChangesAfterNFrames) {
  StreamFaults faults;
  faults.resize = StreamFaults::Resize{2, 320, 240};
  camera_->SetFaults(faults);
  MiniClient client;
  ASSERT_TRUE(OpenStream(client));
  for (int i = 0; i < 4; ++i) {
    const auto part = ReadPart(client, kWaitMs);
    ASSERT_TRUE(part);
    const auto probe = camsim_test::ProbeJpeg(part->body);
    EXPECT_EQ(probe.width, i < 2 ? 160 : 320) << "part " << i;
    EXPECT_EQ(probe.height, i < 2 ? 120 : 240) << "part " << i;
  }
}

TEST_F(StreamFaultsTest, FaultsLimitedToOneConnectionLeaveTheNextSound) {
  StreamFaults faults;
  faults.closeAtFrame = 1;
  faults.connections = 1;
  camera_->SetFaults(faults);
  {
    MiniClient first;
    ASSERT_TRUE(OpenStream(first));
    ReadSoundParts(first, 1);
    ASSERT_TRUE(first.ReadToEnd(kWaitMs));
  }
  MiniClient second;
  ASSERT_TRUE(OpenStream(second));
  ReadSoundParts(second, 3);
}

}  // namespace
}  // namespace camsim
