// The simulated camera seen from the wire, through the tests' own small client.
#include "simulator/http_camera.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "jpeg_probe.h"
#include "mini_client.h"

namespace camsim {
namespace {

using camsim_test::MiniClient;
using camsim_test::ReadPart;
using camsim_test::ReadStreamHead;
using camsim_test::StreamRequest;
using std::chrono::milliseconds;

constexpr int kWaitMs = 10000;  // generous: the suite may run on an emulated machine
constexpr milliseconds kWait{kWaitMs};

CameraConfig SmallCamera(const std::string& name) {
  CameraConfig config;
  config.name = name;
  config.width = 160;
  config.height = 120;
  config.fps = 25;
  return config;
}

TEST(HttpCamera, StreamsRealJpegFramesAsAMultipartResponse) {
  HttpCamera camera(SmallCamera("Lobby"));
  ASSERT_TRUE(camera.Start());
  ASSERT_NE(camera.Port(), 0);
  EXPECT_EQ(camera.HostPort(), "127.0.0.1:" + std::to_string(camera.Port()));

  MiniClient client;
  ASSERT_TRUE(client.Connect(camera.Port()));
  ASSERT_TRUE(client.Send(StreamRequest(camsim_test::kAdminAdmin)));
  const auto head = ReadStreamHead(client, kWaitMs);
  ASSERT_TRUE(head);
  EXPECT_EQ(head->statusLine, "HTTP/1.1 200 OK");
  EXPECT_NE(head->header.find("Content-Type: multipart/x-mixed-replace"), std::string::npos);
  EXPECT_EQ(head->boundary, "camsimframe");

  std::string previous;
  for (int i = 0; i < 4; ++i) {
    const auto part = ReadPart(client, kWaitMs);
    ASSERT_TRUE(part) << "part " << i;
    EXPECT_NE(part->header.find("--camsimframe\r\n"), std::string::npos);
    EXPECT_NE(part->header.find("Content-Type: image/jpeg\r\n"), std::string::npos);
    ASSERT_TRUE(part->contentLength);
    const camsim_test::JpegProbe probe = camsim_test::ProbeJpeg(part->body);
    EXPECT_TRUE(probe.decoded);
    EXPECT_EQ(probe.warnings, 0);
    EXPECT_EQ(probe.width, 160);
    EXPECT_EQ(probe.height, 120);
    EXPECT_NE(part->body, previous) << "the picture should move";
    previous = part->body;
  }
}

TEST(HttpCamera, PacesFramesAtItsFrameRate) {
  CameraConfig config = SmallCamera("Paced");
  config.fps = 20;
  HttpCamera camera(config);
  ASSERT_TRUE(camera.Start());
  MiniClient client;
  ASSERT_TRUE(client.Connect(camera.Port()));
  const auto asked = std::chrono::steady_clock::now();
  ASSERT_TRUE(client.Send(StreamRequest(camsim_test::kAdminAdmin)));
  ASSERT_TRUE(ReadStreamHead(client, kWaitMs));
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(ReadPart(client, kWaitMs));
  // The sixth frame at 20 fps is due 250 ms after the first. Only this lower bound is
  // checked: a loaded machine may well be slower.
  EXPECT_GE(std::chrono::steady_clock::now() - asked, milliseconds(240));
}

TEST(HttpCamera, RecordsRepeatedStreamRequestsWithoutRestartingTheStream) {
  HttpCamera camera(SmallCamera("Repeat"));
  ASSERT_TRUE(camera.Start());
  MiniClient client;
  ASSERT_TRUE(client.Connect(camera.Port()));
  // The control sends its request twice when it connects, and again later on.
  ASSERT_TRUE(client.Send(StreamRequest(camsim_test::kAdminAdmin) + StreamRequest(camsim_test::kAdminAdmin)));
  ASSERT_TRUE(ReadStreamHead(client, kWaitMs));
  ASSERT_TRUE(ReadPart(client, kWaitMs));
  ASSERT_TRUE(client.Send(StreamRequest(camsim_test::kAdminAdmin)));
  ASSERT_TRUE(camera.Log().WaitForRequests(RequestKind::Stream, 3, kWait));
  for (int i = 0; i < 3; ++i) {
    const auto part = ReadPart(client, kWaitMs);
    ASSERT_TRUE(part);
    EXPECT_EQ(part->header.find("HTTP/"), std::string::npos) << "a second response header";
  }

  const auto requests = camera.Log().Requests();
  ASSERT_EQ(requests.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(requests[i].kind, RequestKind::Stream);
    EXPECT_EQ(requests[i].connection, 1u);
    EXPECT_EQ(requests[i].sequence, i);
    EXPECT_TRUE(requests[i].authorised);
    EXPECT_EQ(requests[i].request.requestLine, "GET /cgi-bin/sf.cgi HTTP/1.1");
    ASSERT_NE(requests[i].request.Header("Connection"), nullptr);
    EXPECT_EQ(*requests[i].request.Header("Connection"), "Keep-Alive");
    if (i > 0) {
      EXPECT_GE(requests[i].received, requests[i - 1].received);
    }
  }
  // Each request with the stream as it stood: the first before any frame, the second at the
  // earliest after the part that went out with the response header, the third after the part
  // the client had read.
  EXPECT_EQ(requests[0].framesBefore, 0);
  EXPECT_GE(requests[1].framesBefore, 1);
  EXPECT_GE(requests[2].framesBefore, requests[1].framesBefore);
  EXPECT_GE(requests[2].framesBefore, 1);
  EXPECT_LE(requests[2].lastFrameBefore, requests[2].received);
  const auto connections = camera.Log().Connections();
  ASSERT_EQ(connections.size(), 1u);
  EXPECT_TRUE(connections[0].streaming);
  EXPECT_GE(connections[0].framesSent, 4);
  EXPECT_GE(connections[0].lastFrame, requests[2].lastFrameBefore);
}

TEST(HttpCamera, AnswersWrongOrMissingCredentialsWith401) {
  HttpCamera camera(SmallCamera("Locked"));
  ASSERT_TRUE(camera.Start());
  const std::string requests[] = {
      StreamRequest("YWRtaW46d3Jvbmc="),  // admin:wrong
      StreamRequest("cm9vdDphZG1pbg=="),  // root:admin
      StreamRequest("YWRtaW4="),          // no colon
      StreamRequest("not base64!"),
      "GET /cgi-bin/sf.cgi HTTP/1.1\r\nConnection: Keep-Alive\r\n\r\n",
  };
  for (const std::string& request : requests) {
    MiniClient client;
    ASSERT_TRUE(client.Connect(camera.Port()));
    ASSERT_TRUE(client.Send(request));
    const auto answer = client.ReadToEnd(kWaitMs);
    ASSERT_TRUE(answer) << request;
    EXPECT_EQ(answer->rfind("HTTP/1.1 401 Unauthorized\r\n", 0), 0u) << request;
    EXPECT_NE(answer->find("WWW-Authenticate: Basic"), std::string::npos);
  }
  const auto log = camera.Log().Requests();
  ASSERT_EQ(log.size(), 5u);
  for (const auto& r : log) EXPECT_FALSE(r.authorised);
  EXPECT_TRUE(log[0].hadCredentials);
  EXPECT_EQ(log[0].user, "admin");
  EXPECT_EQ(log[0].password, "wrong");
  EXPECT_FALSE(log[4].hadCredentials);
}

TEST(HttpCamera, CanBeSetToAcceptAnyCredentials) {
  CameraConfig config = SmallCamera("Open");
  config.acceptAnyCredentials = true;
  HttpCamera camera(config);
  ASSERT_TRUE(camera.Start());
  for (const std::string& request : {StreamRequest("YWRtaW46d3Jvbmc="),
                                    std::string("GET /cgi-bin/sf.cgi HTTP/1.1\r\n\r\n")}) {
    MiniClient client;
    ASSERT_TRUE(client.Connect(camera.Port()));
    ASSERT_TRUE(client.Send(request));
    const auto head = ReadStreamHead(client, kWaitMs);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->statusLine, "HTTP/1.1 200 OK");
  }
}

TEST(HttpCamera, CredentialsChangedAtRunTimeApplyToTheNextConnection) {
  HttpCamera camera(SmallCamera("Changed"));
  ASSERT_TRUE(camera.Start());
  camera.SetCredentials("u", "p");
  MiniClient client;
  ASSERT_TRUE(client.Connect(camera.Port()));
  ASSERT_TRUE(client.Send(StreamRequest("dTpw")));  // u:p
  const auto head = ReadStreamHead(client, kWaitMs);
  ASSERT_TRUE(head);
  EXPECT_EQ(head->statusLine, "HTTP/1.1 200 OK");
}

TEST(HttpCamera, AnswersAndRecordsCommandsWithTheirHeaders) {
  HttpCamera camera(SmallCamera("Commands"));
  ASSERT_TRUE(camera.Start());
  const std::string command =
      "GET /cgi-bin/action?action=cam_mv&diretion=cam_left HTTP/1.1\r\n"
      "Authorization: Basic YWRtaW46YWRtaW4=\r\n"
      "Credentials:admin:admin\r\n\r\n";
  {
    MiniClient client;
    ASSERT_TRUE(client.Connect(camera.Port()));
    ASSERT_TRUE(client.Send(command));
    const auto answer = client.ReadToEnd(kWaitMs);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  }
  {
    MiniClient client;
    ASSERT_TRUE(client.Connect(camera.Port()));
    ASSERT_TRUE(client.Send(
        "GET /cgi-bin/action?action=pan_scan HTTP/1.1\r\n"
        "Authorization: Basic YWRtaW46d3Jvbmc=\r\nCredentials:admin:wrong\r\n\r\n"));
    const auto answer = client.ReadToEnd(kWaitMs);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->rfind("HTTP/1.1 401", 0), 0u);
  }

  ASSERT_TRUE(camera.Log().WaitForRequests(RequestKind::Command, 2, kWait));
  const auto requests = camera.Log().Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].request.requestLine,
            "GET /cgi-bin/action?action=cam_mv&diretion=cam_left HTTP/1.1");
  EXPECT_EQ(requests[0].request.QueryValue("action"), "cam_mv");
  EXPECT_EQ(requests[0].request.QueryValue("diretion"), "cam_left");
  ASSERT_NE(requests[0].request.Header("Credentials"), nullptr);
  EXPECT_EQ(*requests[0].request.Header("Credentials"), "admin:admin");
  EXPECT_EQ(requests[0].block, command);
  EXPECT_TRUE(requests[0].authorised);
  EXPECT_EQ(requests[1].request.QueryValue("action"), "pan_scan");
  EXPECT_FALSE(requests[1].authorised);
  EXPECT_NE(requests[0].connection, requests[1].connection);
}

TEST(HttpCamera, TwoCamerasStreamAtTheSameTime) {
  CameraConfig north = SmallCamera("North");
  CameraConfig south = SmallCamera("South");
  south.width = 320;
  south.height = 240;
  HttpCamera a(north);
  HttpCamera b(south);
  ASSERT_TRUE(a.Start());
  ASSERT_TRUE(b.Start());
  ASSERT_NE(a.Port(), b.Port());

  MiniClient clientA, clientB;
  ASSERT_TRUE(clientA.Connect(a.Port()));
  ASSERT_TRUE(clientB.Connect(b.Port()));
  ASSERT_TRUE(clientA.Send(StreamRequest(camsim_test::kAdminAdmin)));
  ASSERT_TRUE(clientB.Send(StreamRequest(camsim_test::kAdminAdmin)));
  ASSERT_TRUE(ReadStreamHead(clientA, kWaitMs));
  ASSERT_TRUE(ReadStreamHead(clientB, kWaitMs));
  for (int i = 0; i < 3; ++i) {
    const auto partA = ReadPart(clientA, kWaitMs);
    const auto partB = ReadPart(clientB, kWaitMs);
    ASSERT_TRUE(partA && partB);
    EXPECT_EQ(camsim_test::ProbeJpeg(partA->body).width, 160);
    EXPECT_EQ(camsim_test::ProbeJpeg(partB->body).width, 320);
  }
  EXPECT_EQ(a.Log().Connections().size(), 1u);
  EXPECT_EQ(b.Log().Connections().size(), 1u);
}

TEST(HttpCamera, SurvivesAbusiveClientsAndGoesOnServing) {
  HttpCamera camera(SmallCamera("Sturdy"));
  ASSERT_TRUE(camera.Start());
  const std::string abuses[] = {
      "",                               // connect and hang up
      "GARBAGE\r\n\r\n",                // not a request: 400
      std::string(70000, 'A'),          // a header that never ends
      std::string("\0\xff\r\n\r\n", 6), // binary noise
      "GET /cgi-bin/sf.cgi HTTP/1.1\r\nAuthorization: Basic YWRtaW46YWRtaW4=\r\n",  // cut short
  };
  for (const std::string& abuse : abuses) {
    MiniClient client;
    ASSERT_TRUE(client.Connect(camera.Port()));
    if (!abuse.empty()) client.Send(abuse);
  }
  ASSERT_TRUE(camera.Log().WaitForClosedConnections(5, kWait));
  const Activity activity = camera.Log().Snapshot();
  EXPECT_EQ(activity.CountRequests(RequestKind::Malformed), 3u);
  EXPECT_EQ(activity.CountRequests(RequestKind::Stream), 0u);

  MiniClient client;
  ASSERT_TRUE(client.Connect(camera.Port()));
  ASSERT_TRUE(client.Send(StreamRequest(camsim_test::kAdminAdmin)));
  ASSERT_TRUE(ReadStreamHead(client, kWaitMs));
  ASSERT_TRUE(ReadPart(client, kWaitMs));
}

TEST(HttpCamera, AnswersOtherPathsWith404) {
  HttpCamera camera(SmallCamera("Paths"));
  ASSERT_TRUE(camera.Start());
  MiniClient client;
  ASSERT_TRUE(client.Connect(camera.Port()));
  ASSERT_TRUE(client.Send("GET /index.html HTTP/1.1\r\nAuthorization: Basic YWRtaW46YWRtaW4=\r\n\r\n"));
  const auto answer = client.ReadToEnd(kWaitMs);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->rfind("HTTP/1.1 404", 0), 0u);
  EXPECT_EQ(camera.Log().Requests().at(0).kind, RequestKind::Other);
}

TEST(HttpCamera, StopsPromptlyWhileAClientNeitherReadsNorCloses) {
  CameraConfig config;
  config.width = 640;
  config.height = 480;
  config.fps = 100;
  config.jpegQuality = 100;
  HttpCamera camera(config);
  ASSERT_TRUE(camera.Start());
  MiniClient stuck;
  ASSERT_TRUE(stuck.Connect(camera.Port()));
  ASSERT_TRUE(stuck.Send(StreamRequest(camsim_test::kAdminAdmin)));
  MiniClient silent;  // connected, never asks
  ASSERT_TRUE(silent.Connect(camera.Port()));
  ASSERT_TRUE(camera.Log().WaitForFrames(3, kWait));

  camera.Stop();  // must not hang: the test's time limit would catch it
  EXPECT_FALSE(camera.Running());
  for (const auto& c : camera.Log().Connections()) EXPECT_EQ(c.reason, CloseReason::Stopped);
}

TEST(HttpCamera, RestartsOnItsOwnPort) {
  HttpCamera camera(SmallCamera("Again"));
  ASSERT_TRUE(camera.Start());
  const uint16_t port = camera.Port();
  camera.Stop();
  MiniClient client;
  EXPECT_FALSE(client.Connect(port, 2000));
  ASSERT_TRUE(camera.Start());
  EXPECT_EQ(camera.Port(), port);
  ASSERT_TRUE(client.Connect(port));
}

}  // namespace
}  // namespace camsim
