// Camera commands: the bytes a camera receives, the fields cut to their blocks, the kept
// thread handles, and the module lock a command thread holds.
#include <gtest/gtest.h>

#include <chrono>
#include <iterator>
#include <set>
#include <string>

#include "base/scoped_handle.h"
#include "framework/module.h"
#include "liveview/window/camera_command.h"
#include "liveview/window/watch_wnd.h"
#include "simulator/http_camera.h"

namespace liveview {
namespace {

using camsim::RequestKind;
using namespace std::chrono_literals;

constexpr auto kWait = 20s;
constexpr DWORD kThreadWaitMs = 20000;

class CameraCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    camsim::CameraConfig config;
    config.user = "admin";
    config.password = "secret";
    camera_ = std::make_unique<camsim::HttpCamera>(config);
    ASSERT_TRUE(camera_->Start());
    window_.BindCamera("127.0.0.1", camera_->Port(), "admin", "secret", "lobby", 1);
  }

  std::unique_ptr<camsim::HttpCamera> camera_;
  CWatchWnd window_;
};

TEST_F(CameraCommandTest, CameraReceivesTheExactRequestBytes) {
  ASSERT_EQ(window_.SendCommand(1), 1);
  ASSERT_TRUE(camera_->Log().WaitForRequests(RequestKind::Command, 1, kWait));
  const auto requests = camera_->Log().Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].block,
            "GET /cgi-bin/action?action=cam_mv&diretion=cam_left HTTP/1.1\r\n"
            "Authorization: Basic YWRtaW46c2VjcmV0\r\n"
            "Credentials:admin:secret\r\n"
            "\r\n");
  EXPECT_EQ(requests[0].request.Header("Host"), nullptr);
  EXPECT_TRUE(requests[0].authorised);
}

// The request lines the cameras understand, spelling included, written out here rather than
// taken from the product's table.
constexpr const char* kRequestLines[] = {
    "GET /cgi-bin/action?action=cam_mv&diretion=cam_right HTTP/1.1",
    "GET /cgi-bin/action?action=cam_mv&diretion=cam_left HTTP/1.1",
    "GET /cgi-bin/action?action=cam_mv&diretion=cam_up HTTP/1.1",
    "GET /cgi-bin/action?action=cam_mv&diretion=cam_down HTTP/1.1",
    "GET /cgi-bin/action?action=cam_mv&diretion=cam_home HTTP/1.1",
    "GET /cgi-bin/action?action=bright_chg&CamInfo_Brightness=add HTTP/1.1",
    "GET /cgi-bin/action?action=bright_chg&CamInfo_Brightness=sub HTTP/1.1",
    "GET /cgi-bin/action?action=bright_chg&CamInfo_Brightness=std HTTP/1.1",
    "GET /cgi-bin/action?action=contrast_chg&CamInfo_Contrast=std HTTP/1.1",
    "GET /cgi-bin/action?action=contrast_chg&CamInfo_Contrast=sub HTTP/1.1",
    "GET /cgi-bin/action?action=contrast_chg&CamInfo_Contrast=add HTTP/1.1",
    "GET /cgi-bin/action?action=compress_chg&CamInfo_Compression=30 HTTP/1.1",
    "GET /cgi-bin/action?action=compress_chg&CamInfo_Compression=60 HTTP/1.1",
    "GET /cgi-bin/action?action=compress_chg&CamInfo_Compression=20 HTTP/1.1",
    "GET /cgi-bin/action?action=tilt_scan HTTP/1.1",
    "GET /cgi-bin/action?action=pan_scan HTTP/1.1",
    "GET /cgi-bin/action?action=resolution_chg&CamInfo_Resolution=640x480 HTTP/1.1",
    "GET /cgi-bin/action?action=resolution_chg&CamInfo_Resolution=320x240 HTTP/1.1",
    "GET /cgi-bin/action?action=resolution_chg&CamInfo_Resolution=160x120 HTTP/1.1",
};

TEST_F(CameraCommandTest, EveryCodeSendsItsRequestLineAndOthersSendNothing) {
  // Out of range, also where a 16-bit cut would make a valid code of it: nothing starts.
  for (int code : {-1, 19, 200, 65536, 65536 + 4, -65536 + 2}) {
    EXPECT_EQ(window_.SendCommand(code), 0) << code;
  }
  EXPECT_EQ(window_.CommandThreadCount(), 0u);

  for (int code = 0; code <= kMaxCommandCode; ++code) {
    ASSERT_EQ(window_.SendCommand(code), 1);
    // One at a time, so the camera's log lists them in code order.
    ASSERT_TRUE(camera_->Log().WaitForRequests(RequestKind::Command, code + 1, kWait)) << code;
  }
  const auto requests = camera_->Log().Requests();
  ASSERT_EQ(requests.size(), std::size(kRequestLines));
  for (size_t code = 0; code < requests.size(); ++code) {
    EXPECT_EQ(requests[code].request.requestLine, kRequestLines[code]) << code;
  }
  EXPECT_EQ(camera_->Log().Connections().size(), std::size(kRequestLines))
      << "no connection for the refused codes";
}

TEST_F(CameraCommandTest, LongPasswordTravelsCutToItsField) {
  camera_->SetCredentials("admin", std::string(63, 'p'));
  window_.BindCamera("127.0.0.1", camera_->Port(), "admin", std::string(70, 'p'), "lobby", 1);
  ASSERT_EQ(window_.SendCommand(4), 1);
  ASSERT_TRUE(camera_->Log().WaitForRequests(RequestKind::Command, 1, kWait));
  const auto requests = camera_->Log().Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].password, std::string(63, 'p'));
  EXPECT_NE(requests[0].block.find("\r\nCredentials:admin:" + std::string(63, 'p') + "\r\n\r\n"),
            std::string::npos);
  EXPECT_TRUE(requests[0].authorised);
}

TEST(CommandRequestFields, LongTextsAreCutAtCharacterBoundaries) {
  constexpr unsigned kGbk = 936;
  const std::string wide = "\xD6\xD0";  // one double-byte character of code page 936
  struct Case {
    std::string text;
    size_t field;  // bytes the field holds before its NUL
    size_t kept;
  };
  const Case cases[] = {
      {std::string(70, 'h'), 63, 63},
      {std::string(62, 'a') + wide, 63, 62},
      {std::string(61, 'a') + wide + "b", 63, 63},
      {std::string(258, 'u') + wide, 259, 258},
      {std::string(30, 'x'), 63, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.size());
    CommandRequest request{};
    const std::string field63 = c.field == 63 ? c.text : "";
    const std::string field259 = c.field == 259 ? c.text : "";
    FillCommandRequest(&request, nullptr, 4, field63, 80, field259, field63, kGbk);
    if (c.field == 63) {
      EXPECT_EQ(std::string(request.host), c.text.substr(0, c.kept));
      EXPECT_EQ(std::string(request.password), c.text.substr(0, c.kept));
    } else {
      EXPECT_EQ(std::string(request.user), c.text.substr(0, c.kept));
    }
  }
}

// Threads that end at once, or wait for the test, in place of the network.
HANDLE g_release = nullptr;
HANDLE g_entered = nullptr;
void Immediate(const CommandRequest&) {}
void HeldByTest(const CommandRequest&) {
  SetEvent(g_entered);
  WaitForSingleObject(g_release, INFINITE);
}

class CommandThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    release_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    entered_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_release = release_.Get();
    g_entered = entered_.Get();
  }
  void TearDown() override {
    SetEvent(g_release);
    while (window_.ReapOldestCommand()) {
    }
    SetCommandRunner(nullptr);
  }

  base::ScopedHandle release_;
  base::ScopedHandle entered_;
  CWatchWnd window_;
};

TEST_F(CommandThreadTest, The201stStartsWithoutReapingAndThe202ndReapsTheOldest) {
  SetCommandRunner(&Immediate);
  ASSERT_EQ(window_.SendCommand(4), 1);
  ASSERT_EQ(window_.SendCommand(4), 1);
  // Open handles keep these ids from being reused.
  const DWORD firstId = GetThreadId(window_.CommandThreadAt(0));
  const DWORD secondId = GetThreadId(window_.CommandThreadAt(1));
  for (int i = 3; i <= 201; ++i) ASSERT_EQ(window_.SendCommand(4), 1);
  EXPECT_EQ(window_.CommandThreadCount(), 201u);
  EXPECT_EQ(GetThreadId(window_.CommandThreadAt(0)), firstId);

  ASSERT_EQ(window_.SendCommand(4), 1);
  EXPECT_EQ(window_.CommandThreadCount(), 201u);
  EXPECT_EQ(GetThreadId(window_.CommandThreadAt(0)), secondId);
}

TEST_F(CommandThreadTest, DestroyingTheWindowWaitsForAllItsThreadsTogether) {
  SetCommandRunner(&HeldByTest);
  auto window = std::make_unique<CWatchWnd>();
  constexpr int kStuck = 8;  // a camera that never answers
  for (int i = 0; i < kStuck; ++i) ASSERT_EQ(window->SendCommand(4), 1);
  const DWORD start = GetTickCount();
  window.reset();
  const DWORD took = GetTickCount() - start;
  // One 500 ms deadline for all, not 500 ms for each (4 s here).
  EXPECT_LT(took, 2 * CWatchWnd::kReapWaitMs) << took << " ms";
  EXPECT_GE(took + 50, CWatchWnd::kReapWaitMs) << "gave the threads no time at all";
}

TEST_F(CommandThreadTest, ThreadHoldsTheModuleUntilItEnds) {
  SetCommandRunner(&HeldByTest);
  const LONG base = fw::Module::Get().LockCount();
  ASSERT_EQ(window_.SendCommand(2), 1);
  ASSERT_EQ(WaitForSingleObject(g_entered, kThreadWaitMs), WAIT_OBJECT_0);
  EXPECT_EQ(fw::Module::Get().LockCount(), base + 1);
  EXPECT_EQ(fw::Module::Get().CanUnloadNow(), S_FALSE);

  // Reaping gives up on a running thread after its wait; the thread finishes on its own.
  EXPECT_EQ(window_.ReapOldestCommand(), 1);
  EXPECT_EQ(window_.CommandThreadCount(), 0u);
  EXPECT_EQ(fw::Module::Get().LockCount(), base + 1);
  SetEvent(g_release);
  for (int i = 0; i < 2000 && fw::Module::Get().LockCount() != base; ++i) Sleep(10);
  EXPECT_EQ(fw::Module::Get().LockCount(), base);
}

}  // namespace
}  // namespace liveview
