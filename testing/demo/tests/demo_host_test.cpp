// The demo host as scripts/demo runs it: a program of its own, the control registered with
// regsvr32, four simulated cameras on free ports, the saved picture read back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <ostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simulator/http_camera.h"
#include "testing/container/child_process.h"
#include "testing/container/module_clients.h"
#include "testing/container/window_capture.h"
#include "testing/support/temp_folder.h"
#include "testing/support/time_scale.h"

namespace {

using test_container::Image;

constexpr int kCameras = 4;
constexpr DWORD kHostTimeoutMs = 240000;

std::string DemoHostPath() { return test_container::PathBesideTests("..\\demo_host.exe"); }
std::string OcxPath() {
  return test_container::PathBesideTests("..\\..\\..\\liveview\\control\\Tessaly.ocx");
}
std::string SettingsPath() {
  const std::string ocx = OcxPath();
  return ocx.substr(0, ocx.rfind('\\') + 1) + "log\\Tessaly.ini";
}

std::optional<double> NumberAfter(const std::string& output, const std::string& prefix) {
  const size_t at = output.find(prefix);
  if (at == std::string::npos) return std::nullopt;
  double value = 0;
  if (std::sscanf(output.c_str() + at + prefix.size(), "%lf", &value) != 1) return std::nullopt;
  return value;
}

class DemoHost : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { registered_ = test_container::Regsvr32(OcxPath()) == 0u; }
  static void TearDownTestSuite() {
    if (registered_) test_container::Regsvr32(OcxPath(), "/u");
    DeleteFileA(SettingsPath().c_str());
  }

  void SetUp() override {
    ASSERT_TRUE(registered_) << "regsvr32 did not register " << OcxPath();
    for (int i = 0; i < kCameras; ++i) {
      camsim::CameraConfig config;
      config.name = "Camera " + std::to_string(i + 1);
      config.width = 320;
      config.height = 240;
      config.fps = 10;
      config.captionTop = 40;  // as scripts/demo has it, clear of the control's title
      config.user = "admin";
      config.password = "admin";
      cameras_.push_back(std::make_unique<camsim::HttpCamera>(config));
      ASSERT_TRUE(cameras_.back()->Start());
    }
  }

  std::optional<test_container::ProcessOutput> RunDemo(const std::string& options) {
    std::string command = "\"" + DemoHostPath() + "\" " + options;
    for (const auto& camera : cameras_) command += " " + camera->HostPort();
    return test_container::RunProcessWithOutput(command, kHostTimeoutMs);
  }

  static bool registered_;
  std::vector<std::unique_ptr<camsim::HttpCamera>> cameras_;
  testing_support::TempFolder folder_;
};

bool DemoHost::registered_ = false;

TEST_F(DemoHost, ShowsFourLiveCamerasInTheirCellsAndSavesThePicture) {
  // A saved camera in window 0 would make the demo's first SetCliInfo fail: the host must
  // start from no saved cameras.
  const std::string ini = SettingsPath();
  CreateDirectoryA(ini.substr(0, ini.rfind('\\')).c_str(), nullptr);
  WritePrivateProfileStringA("GLOBAL", "AUTO_INVITE", "0", ini.c_str());
  WritePrivateProfileStringA("CLIINFO", "CLI_COUNT", "1", ini.c_str());
  WritePrivateProfileStringA("CLIINFO", "WND_1", "0", ini.c_str());
  WritePrivateProfileStringA("CLIINFO", "DomainName_1", "127.0.0.1", ini.c_str());
  WritePrivateProfileStringA("CLIINFO", "PORT_1", "1", ini.c_str());
  WritePrivateProfileStringA("CLIINFO", "NICK_1", "Old", ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());

  const std::string picture = folder_.File("demo.bmp");
  const std::string recording = folder_.File("demo.avi");
  const std::string snapshot = folder_.File("demo.jpg");
  // Three seconds, longer where frames received before the measurement reach the control's
  // events late, as a slower machine has them: they would count as the measurement's own.
  const std::string measure = std::to_string(3 * testing_support::TimeScale());
  const auto run = RunDemo("--measure-seconds " + measure + " --picture \"" + picture +
                           "\" --recording \"" + recording + "\" --snapshot \"" + snapshot + "\"");
  ASSERT_TRUE(run) << "the demo host did not end";
  const std::string& out = run->output;
  ASSERT_EQ(run->exitCode, 0u) << out;

  for (int i = 0; i < kCameras; ++i) {
    SCOPED_TRACE(cameras_[i]->HostPort());
    const auto fps = NumberAfter(out, "demo: camera " + std::to_string(i + 1) + " " +
                                          cameras_[i]->HostPort() + " streams at ");
    ASSERT_TRUE(fps) << out;
    // Every frame fires one state event; more than the camera sends means miscounting.
    EXPECT_GT(*fps, 0.0) << out;
    EXPECT_LE(*fps, 16.0) << out;
    bool authorised = false;
    for (const auto& r : cameras_[i]->Log().Requests()) {
      authorised |= r.kind == camsim::RequestKind::Stream && r.authorised && r.user == "admin";
    }
    EXPECT_TRUE(authorised) << "no stream request with the demo's credentials";
  }
  const size_t cpuLine = out.find(" ms of CPU per frame");
  ASSERT_NE(cpuLine, std::string::npos) << out;
  const auto cpu = NumberAfter(out.substr(out.rfind("demo: ", cpuLine)), "demo: ");
  ASSERT_TRUE(cpu) << out;
  EXPECT_GT(*cpu, 0.0) << out;
  EXPECT_NE(out.find("demo: recorded camera 1 for 5 s"), std::string::npos) << out;
  EXPECT_NE(out.find("demo: snapshot of camera 4: "), std::string::npos) << out;

  const auto image = Image::LoadBmp(picture);
  ASSERT_TRUE(image) << "no picture at " << picture << "\n" << out;
  ASSERT_EQ(image->width, 646);
  ASSERT_EQ(image->height, 486);
  for (int i = 0; i < kCameras; ++i) {
    SCOPED_TRACE("cell " + std::to_string(i));
    const int x = 2 + 322 * (i % 2), y = 2 + 242 * (i / 2);
    // The title in pure green, which the green bar (16, 235, 16) is not; the bars (yellow and
    // cyan among them) fill the rest of the picture.
    const RECT title{x, y, x + 140, y + 40};
    EXPECT_GT(image->ShareOf(RGB(0, 255, 0), title, 8), 0.005) << "no green title";
    const RECT bars{x, y + 80, x + 320, y + 180};
    EXPECT_GT(image->ShareOf(RGB(235, 235, 16), bars, 40), 0.05) << "no live picture";
    EXPECT_GT(image->ShareOf(RGB(16, 235, 235), bars, 40), 0.05) << "no live picture";
  }
  // Taken while camera 1 records: its red REC mark at the top right, and no other's.
  for (int i = 0; i < kCameras; ++i) {
    const int x = 2 + 322 * (i % 2), y = 2 + 242 * (i / 2);
    // Pure red: the red bar is (235, 16, 16) and stays outside the tolerance.
    const double red = image->ShareOf(RGB(255, 0, 0), RECT{x + 240, y, x + 320, y + 40}, 8);
    if (i == 0) {
      EXPECT_GT(red, 0.015) << "no REC mark on the recording camera";
    } else {
      EXPECT_LT(red, 0.015) << "a REC mark on camera " << i + 1;
    }
  }
  // The grid's lines run between the cells, none of the pictures over them.
  EXPECT_GT(image->ShareOf(RGB(50, 50, 50), RECT{323, 0, 324, 486}, 0), 0.95);
  EXPECT_GT(image->ShareOf(RGB(50, 50, 50), RECT{0, 243, 646, 244}, 0), 0.95);
}

struct FailureCase {
  const char* name;
  int camera;  // from 0
  std::function<void(camsim::HttpCamera&)> fault;
  const char* says;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class DemoHostFailure : public DemoHost, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DemoHostFailure, ExitsNamingTheCameraThatDidNotStream) {
  const FailureCase& c = GetParam();
  c.fault(*cameras_[c.camera]);
  const std::string picture = folder_.File("demo.bmp");
  // Long enough for the sound cameras to stream in the emulated machine too.
  const auto run = RunDemo("--wait-seconds 20 --measure-seconds 1 --picture \"" + picture + "\"");
  ASSERT_TRUE(run) << "the demo host did not end";
  EXPECT_EQ(run->exitCode, 1u) << run->output;
  const std::string line = "demo: camera " + std::to_string(c.camera + 1) + " " +
                           cameras_[c.camera]->HostPort() + " " + c.says;
  EXPECT_NE(run->output.find(line), std::string::npos) << run->output;
  for (int i = 0; i < kCameras; ++i) {
    if (i == c.camera) continue;
    EXPECT_EQ(run->output.find("demo: camera " + std::to_string(i + 1) + " " +
                               cameras_[i]->HostPort() + " did not"),
              std::string::npos)
        << "a sound camera named\n" << run->output;
  }
  EXPECT_EQ(GetFileAttributesA(picture.c_str()), INVALID_FILE_ATTRIBUTES) << "a picture of a failed run";
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, DemoHostFailure,
    ::testing::Values(
        FailureCase{"WrongPassword", 2,
                    [](camsim::HttpCamera& camera) { camera.SetCredentials("admin", "other"); },
                    "did not stream: it refused the user name and password"},
        FailureCase{"SilentCamera", 1,
                    [](camsim::HttpCamera& camera) {
                      camsim::StreamFaults faults;
                      faults.staySilent = true;
                      camera.SetFaults(faults);
                    },
                    "did not stream within 20 s"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

}  // namespace
