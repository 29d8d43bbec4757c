// The demo's address-setup step as scripts/demo runs it: tool_capture.exe as a program of its
// own, starting the real Orvex.exe or Setrova_CN.exe against simulated cameras that answer
// the search; the rows it read from the list and the saved picture are checked here.
#include <winsock2.h>
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <string>

#include "setuptool/resource_ids.h"
#include "simulator/discovery_responder.h"
#include "testing/container/child_process.h"
#include "testing/container/module_clients.h"
#include "testing/container/window_capture.h"
#include "testing/support/isolated_network.h"
#include "testing/support/temp_folder.h"
#include "testing/support/time_scale.h"

namespace {

using test_container::Image;

constexpr int kCameras = 4;
constexpr DWORD kRunTimeoutMs = 120000;

std::string CapturePath() { return test_container::PathBesideTests("..\\tool_capture.exe"); }
std::string ToolPath(const char* program) {
  return test_container::PathBesideTests(std::string("..\\..\\..\\setuptool\\") + program + ".exe");
}

camsim::DiscoveryIdentity Camera(int n) {
  camsim::DiscoveryIdentity camera;
  camera.mac = {0x02, 0x43, 0x53, 0x10, 0x20, static_cast<uint8_t>(n)};
  camera.address = 0x0AD50064 + n;  // 10.213.0.101 and on
  camera.gateway = 0x0AD50001;
  camera.webPort = static_cast<uint16_t>(8000 + n);
  camera.firmware = "fw 2.1." + std::to_string(n);
  return camera;
}

// The row as the tool shows it: serial number, address with the web port, firmware.
std::string RowText(int n) {
  const camsim::DiscoveryIdentity c = Camera(n);
  char address[32];
  std::snprintf(address, sizeof address, "%u.%u.%u.%u:%u", c.address >> 24, (c.address >> 16) & 255,
                (c.address >> 8) & 255, c.address & 255, c.webPort);
  return camsim::FormatMac(c.mac) + " | " + address + " | " + c.firmware;
}

std::multiset<std::string> RowsPrinted(const std::string& output) {
  std::multiset<std::string> rows;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t colon = line.find(": ", 10);
    if (line.rfind("tool: row ", 0) == 0 && colon != std::string::npos) rows.insert(line.substr(colon + 2));
  }
  return rows;
}

// The main dialog as its template makes it, in this process: the size the saved picture must
// have, and where the list lies in it.
struct DialogLayout {
  SIZE window{};
  RECT listRows{};  // below the list's header, in window coordinates
};

INT_PTR CALLBACK PlainDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::optional<DialogLayout> LayoutOf(const std::string& program) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return std::nullopt;
  std::optional<DialogLayout> layout;
  if (HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_ORVEX_DIALOG), nullptr,
                                       &PlainDialog, 0)) {
    RECT window{}, list{}, header{};
    GetWindowRect(dialog, &window);
    HWND listWindow = GetDlgItem(dialog, IDC_CAMERA_LIST);
    GetClientRect(listWindow, &list);
    MapWindowPoints(listWindow, nullptr, reinterpret_cast<POINT*>(&list), 2);
    GetWindowRect(reinterpret_cast<HWND>(SendMessageW(listWindow, LVM_GETHEADER, 0, 0)), &header);
    DialogLayout l;
    l.window = {window.right - window.left, window.bottom - window.top};
    l.listRows = {list.left - window.left, header.bottom - window.top, list.right - window.left,
                  list.bottom - window.top};
    layout = l;
    DestroyWindow(dialog);
  }
  FreeLibrary(module);
  return layout;
}

// Held by the tool while it runs: free again only once it has ended.
bool ReplyPortFree() {
  SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return false;
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(13001);
  const bool bound = bind(s, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0;
  closesocket(s);
  return bound;
}

class ToolCapture : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testing_support::InIsolatedNetwork()); }

  std::optional<test_container::ProcessOutput> RunCapture(const std::string& options,
                                                          const std::string& program) {
    return test_container::RunProcessWithOutput(
        "\"" + CapturePath() + "\" " + options + " \"" + program + "\"", kRunTimeoutMs);
  }

  camsim::DiscoveryResponder responder_;
  testing_support::TempFolder folder_;
};

class ToolCaptureOfBuild : public ToolCapture, public ::testing::WithParamInterface<const char*> {};

TEST_P(ToolCaptureOfBuild, ListsEveryAnsweringCameraAndSavesTheWholeDialog) {
  const std::string program = ToolPath(GetParam());
  ASSERT_TRUE(responder_.Start()) << "UDP 13000 is taken";
  for (int n = 1; n <= kCameras; ++n) responder_.AddCamera(Camera(n));
  const std::string picture = folder_.File("tool.bmp");

  const auto run = RunCapture("--cameras 4 --picture \"" + picture + "\"", program);
  ASSERT_TRUE(run) << "tool_capture did not end";
  const std::string& out = run->output;
  ASSERT_EQ(run->exitCode, 0u) << out;
  std::multiset<std::string> expected;
  for (int n = 1; n <= kCameras; ++n) expected.insert(RowText(n));
  EXPECT_EQ(RowsPrinted(out), expected) << out;
  EXPECT_GE(responder_.Snapshot().Count(camsim::ReceivedDatagram::Kind::Search), 1u);
  EXPECT_NE(out.find(std::string("tool: ") + GetParam() + ".exe ended on Exit"), std::string::npos)
      << out;
  EXPECT_TRUE(ReplyPortFree()) << "the tool still holds UDP 13001";

  const auto layout = LayoutOf(program);
  ASSERT_TRUE(layout) << "cannot make the dialog of " << program;
  const auto image = Image::LoadBmp(picture);
  ASSERT_TRUE(image) << "no picture at " << picture << "\n" << out;
  EXPECT_EQ(image->width, layout->window.cx);
  EXPECT_EQ(image->height, layout->window.cy);
  // The list's background, and its four rows' text in the top of it: a picture of another
  // window, of an empty list or of nothing has no such text there.
  const RECT& rows = layout->listRows;
  const COLORREF background = GetSysColor(COLOR_WINDOW), text = GetSysColor(COLOR_WINDOWTEXT);
  EXPECT_GT(image->ShareOf(background, rows, 8), 0.7);
  const RECT filled{rows.left, rows.top, rows.right, rows.top + 4 * 14};
  const RECT empty{rows.left, rows.top + 6 * 16, rows.right, rows.bottom};
  EXPECT_GT(image->ShareOf(text, filled, 80), 0.03) << "no rows in the picture";
  EXPECT_LT(image->ShareOf(text, empty, 80), 0.002) << "text below the four rows";
}

INSTANTIATE_TEST_SUITE_P(Builds, ToolCaptureOfBuild, ::testing::Values("Orvex", "Setrova_CN"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

struct FailureCase {
  const char* name;
  bool camerasAnswer;
  bool replyPortTaken;  // by this test, so the tool cannot listen
  const char* program;  // under the tool's folder, or (after '%') a system program
  const char* says;  // "{wait}" stands for the seconds the tool waits
};

// Holds UDP 13001 for as long as it lives.
class ReplyPortHolder {
 public:
  ReplyPortHolder() : socket_(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) {
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(13001);
    bound_ = socket_ != INVALID_SOCKET &&
             bind(socket_, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0;
  }
  ~ReplyPortHolder() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
  }
  ReplyPortHolder(const ReplyPortHolder&) = delete;
  ReplyPortHolder& operator=(const ReplyPortHolder&) = delete;
  bool Bound() const { return bound_; }

 private:
  SOCKET socket_;
  bool bound_ = false;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class ToolCaptureFailure : public ToolCapture, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ToolCaptureFailure, ExitsSayingWhatWasMissingAndLeavesNoToolRunning) {
  const FailureCase& c = GetParam();
  if (c.camerasAnswer) {
    ASSERT_TRUE(responder_.Start()) << "UDP 13000 is taken";
    for (int n = 1; n <= kCameras; ++n) responder_.AddCamera(Camera(n));
  }
  std::optional<ReplyPortHolder> holder;
  if (c.replyPortTaken) {
    ASSERT_TRUE(holder.emplace().Bound()) << "UDP 13001 is taken";
  }
  const std::string program = c.program[0] == '%' ? c.program + 1 : ToolPath(c.program);
  const std::string picture = folder_.File("tool.bmp");
  // Three seconds for the list to stay empty, stretched on a slower machine: the tool waits
  // as long for its dialog, whose start that machine's speed sets.
  const std::string wait = std::to_string(3 * testing_support::TimeScale());
  const auto run = RunCapture("--wait-seconds " + wait + " --picture \"" + picture + "\"", program);
  ASSERT_TRUE(run) << "tool_capture did not end";
  holder.reset();
  std::string says = c.says;
  if (const size_t at = says.find("{wait}"); at != std::string::npos) says.replace(at, 6, wait);
  EXPECT_EQ(run->exitCode, 1u) << run->output;
  EXPECT_NE(run->output.find(says), std::string::npos) << run->output;
  EXPECT_EQ(GetFileAttributesA(picture.c_str()), INVALID_FILE_ATTRIBUTES) << "a picture of a failed run";
  // Closed, not ended by force: a box the tool shows must not keep it alive.
  EXPECT_EQ(run->output.find("did not close"), std::string::npos) << run->output;
  EXPECT_TRUE(ReplyPortFree()) << "the tool was left running, holding UDP 13001";
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ToolCaptureFailure,
    ::testing::Values(
        FailureCase{"NoCameraAnswers", false, false, "Orvex",
                    "tool: Orvex.exe listed no camera within {wait} s (nothing answered"},
        // The box is what the user sees; it is named, not taken for silence.
        FailureCase{"ReplyPortTaken", true, true, "Orvex",
                    "tool: Orvex.exe listed no camera within {wait} s; it shows \"Orvex: Can't "
                    "Bind Listen Port\""},
        // A program that ends at once, with no window of its own.
        FailureCase{"NoDialog", true, false, "%hostname.exe",
                    "tool: hostname.exe ended (exit code 0) without showing its dialog"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

}  // namespace
