// The tool's real main dialog on the test display, with the resources of one build, driven
// by ModalScript against simulated cameras in the suite's private network: real broadcasts
// to UDP 13000, real replies to 13001. Boxes are taken by a process-wide interceptor and
// compared as the code page 936 bytes they are.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/scoped_socket.h"
#include "setuptool/tests/build_texts.h"
#include "setuptool/camera_list.h"
#include "chinese_locale.h"
#include "testing/container/dialog_items.h"
#include "testing/container/box_recorder.h"
#include "fake_ip_helper.h"
#include "framework/ansi_text.h"
#include "framework/data_exchange.h"
#include "framework/message_box.h"
#include "framework/module.h"
#include "framework/resources.h"
#include "isolated_network.h"
#include "setuptool/orvex_app.h"
#include "setuptool/orvex_dlg.h"
#include "setuptool/resource_ids.h"
#include "simulator/discovery_responder.h"
#include "temp_folder.h"
#include "testing/container/child_process.h"
#include "testing/container/message_pump.h"
#include "testing/container/modal_script.h"
#include "testing/support/time_scale.h"

namespace setuptool {
namespace {

using test_container::Click;
using test_container::ListCell;
using test_container::ListRows;
using test_container::ListSelect;
using test_container::WindowTextW;

using setuptool_tests::kBuildTexts;
using test_container::ModalScript;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int64_t kStartTime = 1700000000;
constexpr uint32_t kCameraBase = 0x0AD50032;  // 10.213.0.50

// The application object, as in the programs: it fixes the build's language and keeps the
// framework's messages English. It counts the help commands that reach the default handler.
class CountingApp : public COrvexApp {
 public:
  int helps = 0;

 protected:
  void OnHelp() override {
    ++helps;
    COrvexApp::OnHelp();
  }
};
CountingApp g_app;

using test_container::HexBytes;

std::wstring Wide(const char* utf8) { return fw::Utf8ToWide(utf8); }

camsim::DiscoveryIdentity Camera(uint8_t tag) {
  camsim::DiscoveryIdentity camera;
  camera.mac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, tag};
  camera.address = kCameraBase + tag;
  camera.mask = 0xFFFFFF00;
  camera.gateway = 0x0AD50001;
  camera.webPort = static_cast<uint16_t>(8000 + tag);
  camera.firmware = "fw " + std::to_string(tag);
  return camera;
}

std::string MacText(uint8_t tag) {
  char text[16];
  std::snprintf(text, sizeof text, "001a2b3c4d%02x", tag);
  return text;
}

using BoxRecorder = test_container::BoxRecorder;

// A UDP socket of the test's own, for datagrams to the listener that a search would not bring.
class Sender {
 public:
  Sender() : socket_(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) {}
  bool ToListener(const std::vector<uint8_t>& bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(common::kReplyListenPort);
    return sendto(socket_.Get(), reinterpret_cast<const char*>(bytes.data()),
                  static_cast<int>(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                  sizeof to) == static_cast<int>(bytes.size());
  }

 private:
  base::ScopedSocket socket_;
};

bool CanBindReplyPort() {
  base::ScopedSocket s(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(common::kReplyListenPort);
  return bind(s.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

bool ThreadGone(DWORD id) {
  if (id == 0) return false;
  HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
  if (!thread) return true;
  const bool ended = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return ended;
}

const CameraNode* RowEntry(HWND list, int row) {
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return reinterpret_cast<const CameraNode*>(item.lParam);
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class OrvexDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing_support::InIsolatedNetwork());
    ASSERT_TRUE(responder_.Start()) << "UDP 13000 is taken";
    dialog_.SetClock([this] { return now_.load(); });
    // No test may find the prefix's real browser.
    dialog_.SetBrowserKey(HKEY_CURRENT_USER, "Software\\OrvexTests\\NoSuchKey");
  }

  // Runs the real dialog while the script plays the user.
  void Run(ModalScript& script, DWORD timeoutMs = 30000) {
    script.Start(20, timeoutMs);
    const INT_PTR result = dialog_.DoModal();
    EXPECT_NE(result, -1);
    EXPECT_TRUE(script.Finished());
  }

  HWND Dlg() const { return dialog_.GetSafeHwnd(); }
  HWND List() const { return dialog_.ListControl(); }
  bool Shown() const { return Dlg() && IsWindowVisible(Dlg()); }
  size_t Searches() const {
    return responder_.Snapshot().Count(camsim::ReceivedDatagram::Kind::Search);
  }
  // A step that waits until `ms` have passed since it was first tried.
  static std::function<bool()> Wait(DWORD ms) {
    auto start = std::make_shared<DWORD>(0);
    return [start, ms] {
      if (*start == 0) *start = GetTickCount() | 1;
      return GetTickCount() - *start >= ms;
    };
  }
  void EndDialog() {
    dialog_.EndDialog(IDCANCEL);
  }

  std::atomic<int64_t> now_{kStartTime};
  common::testing::FakeIpHelper ip_;
  BoxRecorder boxes_;
  camsim::DiscoveryResponder responder_;
  COrvexDlg dialog_{ip_};  // last: gone before the responder and the interceptor
};

TEST_F(OrvexDialogTest, SearchesOneSecondAfterStartThenEveryTenOrAtOnceOnRefresh) {
  Clock::time_point shown, refreshed;
  ModalScript script;
  script.Then("shown", [&] { return Shown(); })
      .Then("first search", [&] { return Searches() >= 1; })
      .Then("two quiet seconds", Wait(2000))
      .Then("refresh", [&] {
        EXPECT_EQ(Searches(), 1u) << "a second search within 3 s of the start";
        EXPECT_EQ(ListRows(List()), 0);
        refreshed = Clock::now();
        Click(Dlg(), IDC_REFRESH);  // on an empty list
        return true;
      })
      .Then("search on refresh", [&] { return Searches() >= 2; })
      .Then("end", [&] {
        EndDialog();
        return true;
      });
  const Clock::time_point started = Clock::now();
  Run(script);
  const auto datagrams = responder_.Snapshot().datagrams;
  ASSERT_GE(datagrams.size(), 2u);
  const auto first = std::chrono::duration_cast<milliseconds>(datagrams[0].received - started);
  EXPECT_GE(first.count(), 950) << "the first search comes 1 s after the start";
  // A second more for the dialog to come up and the datagram to arrive, which a slower
  // machine takes longer for.
  EXPECT_LE(first.count(), 1000 + static_cast<long long>(testing_support::Scaled(1000)));
  const auto onRefresh =
      std::chrono::duration_cast<milliseconds>(datagrams[1].received - refreshed);
  EXPECT_LE(onRefresh.count(), 500) << "Refresh sends at once";
  EXPECT_EQ(datagrams[0].bytes, std::vector<uint8_t>({2, 0, 0, 0, 0, 0, 0, 0}));

  // Closed: both threads are gone and the reply port is free again.
  EXPECT_TRUE(ThreadGone(dialog_.ListenerThreadId()));
  EXPECT_TRUE(ThreadGone(dialog_.SearchThreadId()));
  EXPECT_TRUE(CanBindReplyPort());
  EXPECT_EQ(boxes_.Count(), 0u) << boxes_.Describe();
}

TEST_F(OrvexDialogTest, RowsInFirstHeardOrderAndAMovedCameraKeepsItsRow) {
  for (uint8_t tag = 1; tag <= 3; ++tag) responder_.AddCamera(Camera(tag));
  Sender sender;
  auto moved = Camera(1);
  moved.address = 0x0AD500C8;  // 10.213.0.200
  moved.mask = 0xFFFF0000;
  moved.gateway = 0x0AD500FE;
  moved.webPort = 81;
  moved.firmware = "fw 1 new";
  ModalScript script;
  script.Then("three rows", [&] { return Shown() && ListRows(List()) == 3; })
      .Then("texts", [&] {
        for (int row = 0; row < 3; ++row) {
          const uint8_t tag = static_cast<uint8_t>(row + 1);
          SCOPED_TRACE(row);
          EXPECT_EQ(ListCell(List(), row, 0), MacText(tag));
          EXPECT_EQ(ListCell(List(), row, 1), "10.213.0." + std::to_string(50 + tag) + ":" +
                                               std::to_string(8000 + tag));
          EXPECT_EQ(ListCell(List(), row, 2), "fw " + std::to_string(tag));
          const CameraNode* entry = RowEntry(List(), row);
          if (!entry) {
            ADD_FAILURE() << "no entry";
            continue;
          }
          EXPECT_EQ(entry->address, kCameraBase + tag);
          EXPECT_EQ(entry->mask, 0xFFFFFF00u);
          EXPECT_EQ(entry->gateway, 0x0AD50001u);
          EXPECT_EQ(entry->lastSeen, kStartTime);
        }
        // Newest first in the list, while the rows keep the order heard.
        EXPECT_EQ(dialog_.Cameras().Head(), RowEntry(List(), 2));
        // Empty and foreign datagrams do not end the listener; a reply after them arrives.
        EXPECT_TRUE(sender.ToListener({}));
        EXPECT_TRUE(sender.ToListener({1, 2, 3}));
        EXPECT_TRUE(sender.ToListener({9, 0, 0, 0, 0, 0, 0, 0}));
        now_ = kStartTime + 3;
        EXPECT_TRUE(sender.ToListener(camsim::EncodeSearchReply(moved)));
        return true;
      })
      .Then("moved", [&] { return ListCell(List(), 0, 1) == "10.213.0.200:81"; })
      .Then("kept its place", [&] {
        EXPECT_EQ(ListRows(List()), 3);
        EXPECT_EQ(ListCell(List(), 0, 0), MacText(1));
        EXPECT_EQ(ListCell(List(), 0, 2), "fw 1 new");
        EXPECT_EQ(ListCell(List(), 1, 0), MacText(2));
        const CameraNode* entry = RowEntry(List(), 0);
        if (!entry) return false;
        EXPECT_EQ(entry->address, 0x0AD500C8u);
        EXPECT_EQ(entry->mask, 0xFFFF0000u);
        EXPECT_EQ(entry->gateway, 0x0AD500FEu);
        EXPECT_EQ(entry->port, 81);
        EXPECT_EQ(entry->lastSeen, kStartTime + 3);
        EXPECT_STREQ(entry->firmware, "fw 1") << "the entry keeps the first reply's firmware";
        EndDialog();
        return true;
      });
  Run(script);
}

TEST_F(OrvexDialogTest, EachTickAgesOutTheNewestCameraSilentForMoreThan30Seconds) {
  for (uint8_t tag = 1; tag <= 3; ++tag) responder_.AddCamera(Camera(tag));
  const auto tick = [&] { SendMessageW(Dlg(), WM_TIMER, 7, 0); };  // any timer id
  const auto macs = [&] {
    std::vector<std::string> out;
    for (int row = 0; row < ListRows(List()); ++row) out.push_back(ListCell(List(), row, 0));
    return out;
  };
  using Macs = std::vector<std::string>;
  ModalScript script;
  script.Then("three rows", [&] { return Shown() && ListRows(List()) == 3; })
      .Then("silence", [&] {
        responder_.Stop();
        // The real 5-second timer runs; the test's own ticks stand in for it.
        EXPECT_TRUE(KillTimer(Dlg(), kAgeingTimer));
        now_ = kStartTime - 100;  // the clock set back: heard "in the future"
        tick();
        EXPECT_EQ(ListRows(List()), 3);
        now_ = kStartTime + 30;
        tick();
        EXPECT_EQ(ListRows(List()), 3) << "30 s of silence stays";
        now_ = kStartTime + 31;
        tick();
        EXPECT_EQ(macs(), (Macs{MacText(1), MacText(2)})) << "the newest goes first";
        tick();
        EXPECT_EQ(macs(), (Macs{MacText(1)}));
        tick();
        EXPECT_EQ(ListRows(List()), 0);
        EXPECT_EQ(dialog_.Cameras().Head(), nullptr);
        tick();
        EndDialog();
        return true;
      });
  Run(script);
}

TEST_F(OrvexDialogTest, HeldReplyPortShowsItsBoxOnTheListenerAndSearchesGoOn) {
  base::ScopedSocket holder(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(common::kReplyListenPort);
  ASSERT_EQ(bind(holder.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);
  responder_.AddCamera(Camera(1));
  ModalScript script;
  script.Then("box", [&] { return boxes_.Count() >= 1; })
      .Then("searches", [&] { return Searches() >= 1; })
      .Then("no rows", Wait(300))
      .Then("end", [&] {
        EXPECT_EQ(ListRows(List()), 0);
        EndDialog();
        return true;
      });
  Run(script);
  const auto boxes = boxes_.Boxes();
  ASSERT_EQ(boxes.size(), 1u) << boxes_.Describe();
  EXPECT_EQ(HexBytes(boxes[0].text), HexBytes(kBuildTexts.bindBox));
  EXPECT_EQ(boxes[0].thread, dialog_.ListenerThreadId());
  EXPECT_TRUE(ThreadGone(dialog_.SearchThreadId()));
}

TEST_F(OrvexDialogTest, ClosingLeavesAThreadInsideABoxAndItReachesNothingOfTheDialog) {
  base::ScopedSocket holder(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(common::kReplyListenPort);
  ASSERT_EQ(bind(holder.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);
  // The listener's box stays open, as one a user has not answered yet, until released.
  base::ScopedHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  std::atomic<DWORD> boxThread{0};
  {
    fw::ProcessMessageBoxInterceptor holdBoxes(
        [&](HWND, const std::wstring&, const std::wstring&, UINT) {
          boxThread = GetCurrentThreadId();
          WaitForSingleObject(release.Get(), 20000);
          return IDOK;
        });
    // Times its own destruction: hiding a window costs Wine's X11 driver up to 2 s without
    // a window manager, which is no part of the join.
    struct TimedDialog : COrvexDlg {
      using COrvexDlg::COrvexDlg;
      DWORD destroyMs = 0;
      void OnDestroy() override {
        const DWORD start = GetTickCount();
        COrvexDlg::OnDestroy();
        destroyMs = GetTickCount() - start;
      }
    };
    auto dialog = std::make_unique<TimedDialog>(ip_);
    dialog->SetBrowserKey(HKEY_CURRENT_USER, "Software\\OrvexTests\\NoSuchKey");
    dialog->SetJoinTimeout(300);
    ModalScript script;
    script.Then("box open", [&] { return boxThread.load() != 0; })
        .Then("searches", [&] { return Searches() >= 1; })
        .Then("close", [&] {
          dialog->EndDialog(IDCANCEL);
          return true;
        });
    script.Start(20, 30000);
    dialog->DoModal();
    EXPECT_TRUE(script.Finished());
    EXPECT_GE(dialog->destroyMs, 250u) << "the join waits its time for the listener";
    EXPECT_LT(dialog->destroyMs, 1500u) << "and no longer";
    const DWORD listener = dialog->ListenerThreadId();
    EXPECT_EQ(boxThread.load(), listener);
    EXPECT_TRUE(ThreadGone(dialog->SearchThreadId()));
    EXPECT_FALSE(ThreadGone(listener)) << "still inside its box";
    dialog.reset();  // the dialog is gone before the box is answered
    SetEvent(release.Get());
    const DWORD start = GetTickCount();
    while (!ThreadGone(listener) && GetTickCount() - start < 10000) Sleep(20);
    EXPECT_TRUE(ThreadGone(listener));
  }
}

TEST_F(OrvexDialogTest, ButtonsWithNothingSelectedAndTheAboutBox) {
  ModalScript script;
  script.Then("shown", [&] { return Shown(); })
      .Then("clicks", [&] {
        Click(Dlg(), IDC_CONNECT);
        Click(Dlg(), IDC_SET_IP);
        NMHDR header{List(), IDC_CAMERA_LIST, static_cast<UINT>(NM_DBLCLK)};
        SendMessageW(Dlg(), WM_NOTIFY, IDC_CAMERA_LIST, reinterpret_cast<LPARAM>(&header));
        Click(Dlg(), IDC_ABOUT);
        return true;
      })
      .Then("boxes", [&] { return boxes_.Count() >= 3; })
      .Then("end", Wait(200))
      .Then("end", [&] {
        EndDialog();
        return true;
      });
  Run(script);
  const auto boxes = boxes_.Boxes();
  ASSERT_EQ(boxes.size(), 3u) << "a double-click with nothing selected shows nothing; "
                              << boxes_.Describe();
  EXPECT_EQ(HexBytes(boxes[0].text), HexBytes(kBuildTexts.selectBox));
  EXPECT_EQ(HexBytes(boxes[1].text), HexBytes(kBuildTexts.selectBox));
  EXPECT_EQ(HexBytes(boxes[2].text), HexBytes(kBuildTexts.versionBox));
}

// Set IP Address and a double-click hand the selected row's entry to the set dialog.
TEST_F(OrvexDialogTest, SetIpAddressAndDoubleClickHandOnTheSelectedEntry) {
  struct RecordingDialog : COrvexDlg {
    using COrvexDlg::COrvexDlg;
    std::vector<const CameraNode*> handed;
    void SetSelectedCameraAddress(CameraNode& camera) override { handed.push_back(&camera); }
  };
  responder_.AddCamera(Camera(1));
  responder_.AddCamera(Camera(2));
  RecordingDialog dialog(ip_);
  dialog.SetBrowserKey(HKEY_CURRENT_USER, "Software\\OrvexTests\\NoSuchKey");
  HWND list = nullptr;
  ModalScript script;
  script.Then("rows", [&] {
          list = dialog.ListControl();
          return dialog.GetSafeHwnd() && ListRows(list) == 2;
        })
      .Then("set", [&] {
        ListSelect(list, 1);
        Click(dialog.GetSafeHwnd(), IDC_SET_IP);
        NMHDR header{list, IDC_CAMERA_LIST, static_cast<UINT>(NM_DBLCLK)};
        SendMessageW(dialog.GetSafeHwnd(), WM_NOTIFY, IDC_CAMERA_LIST,
                     reinterpret_cast<LPARAM>(&header));
        return true;
      })
      .Then("handed", [&] { return dialog.handed.size() >= 2; })
      .Then("end", [&] {
        EXPECT_EQ(dialog.handed[0], RowEntry(list, 1));
        EXPECT_EQ(dialog.handed[1], RowEntry(list, 1));
        dialog.EndDialog(IDCANCEL);
        return true;
      });
  script.Start(20, 30000);
  dialog.DoModal();
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(boxes_.Count(), 0u) << boxes_.Describe();
}

TEST_F(OrvexDialogTest, ColumnsIconsSystemMenuAboutDialogAndHelp) {
  const int helpsBefore = g_app.helps;
  HWND about = nullptr;
  ModalScript script;
  script.Then("shown", [&] { return Shown(); })
      .Then("looks", [&] {
        HWND dlg = Dlg();
        setuptool_tests::ExpectMainDialogTexts(dlg, kBuildTexts);
        EXPECT_TRUE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        const struct {
          int id;
          int width;
        } widths[] = {{IDC_SET_IP, kBuildTexts.setIpWidth},
                      {IDC_CONNECT, kBuildTexts.connectWidth},
                      {IDC_REFRESH, kBuildTexts.refreshWidth},
                      {IDC_SET_IP_BY_SERIAL, kBuildTexts.setBySerialWidth}};
        for (const auto& button : widths) {
          RECT units{0, 0, button.width, 14};
          MapDialogRect(dlg, &units);
          RECT shown{};
          GetWindowRect(GetDlgItem(dlg, button.id), &shown);
          EXPECT_EQ(shown.right - shown.left, units.right) << "button " << button.id;
        }
        RECT client{0, 0, 247, 212};
        MapDialogRect(dlg, &client);
        RECT own{};
        GetClientRect(dlg, &own);
        EXPECT_EQ(own.right, client.right);
        EXPECT_EQ(own.bottom, client.bottom);
        const int columnWidths[] = {120, 120, 100};
        for (int i = 0; i < 3; ++i) {
          wchar_t title[64] = {};
          LVCOLUMNW column{};
          column.mask = LVCF_TEXT | LVCF_WIDTH;
          column.pszText = title;
          column.cchTextMax = 64;
          EXPECT_TRUE(SendMessageW(List(), LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)));
          EXPECT_EQ(std::wstring(title), Wide(kBuildTexts.columns[i]));
          EXPECT_EQ(column.cx, columnWidths[i]);
        }
        EXPECT_TRUE(SendMessageW(List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) &
                    LVS_EX_FULLROWSELECT);
        const LONG style = GetWindowLongW(List(), GWL_STYLE);
        EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
        EXPECT_TRUE(style & LVS_SINGLESEL);
        EXPECT_TRUE(style & LVS_SHOWSELALWAYS);

        const auto big = SendMessageW(dlg, WM_GETICON, ICON_BIG, 0);
        EXPECT_NE(big, 0);
        EXPECT_EQ(SendMessageW(dlg, WM_GETICON, ICON_SMALL, 0), big);
        EXPECT_EQ(SendMessageW(dlg, WM_QUERYDRAGICON, 0, 0), big);

        HMENU menu = GetSystemMenu(dlg, FALSE);
        wchar_t item[64] = {};
        EXPECT_GT(GetMenuStringW(menu, kAboutCommand, item, 64, MF_BYCOMMAND), 0);
        EXPECT_EQ(std::wstring(item), Wide(kBuildTexts.aboutMenu));
        const int count = GetMenuItemCount(menu);
        EXPECT_EQ(GetMenuItemID(menu, count - 1), kAboutCommand);
        EXPECT_TRUE(GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);

        SendMessageW(dlg, WM_HELP, 0, 0);
        EXPECT_EQ(g_app.helps, helpsBefore + 1) << "F1 reaches the application's help handler";
        PostMessageW(dlg, WM_SYSCOMMAND, kAboutCommand, 0);
        return true;
      })
      .Then("about dialog", [&] {
        about = test_container::FindThreadDialog({}, {Dlg()});
        return about != nullptr;
      })
      .Then("about texts", [&] {
        EXPECT_EQ(WindowTextW(about), Wide(kBuildTexts.aboutCaption));
        EXPECT_EQ(WindowTextW(GetDlgItem(about, IDOK)), Wide(kBuildTexts.aboutOk));
        bool version = false, icon = false;
        for (HWND child = GetWindow(about, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
          if (WindowTextW(child) == L"Setrova Version 1.0") version = true;
          if (SendMessageW(child, STM_GETICON, 0, 0)) icon = true;
        }
        EXPECT_TRUE(version);
        EXPECT_TRUE(icon);
        PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(about, IDOK)));
        return true;
      })
      .Then("about closed", [&] { return !IsWindow(about); })
      .Then("minimised paint", [&] {
        ShowWindow(Dlg(), SW_MINIMIZE);
        UpdateWindow(Dlg());
        ShowWindow(Dlg(), SW_RESTORE);
        EXPECT_TRUE(IsWindow(Dlg()));
        EndDialog();
        return true;
      });
  Run(script);
  EXPECT_EQ(boxes_.Count(), 0u) << "the help handler shows nothing: " << boxes_.Describe();
}

TEST_F(OrvexDialogTest, SendPacketBroadcastsOrShowsSendErrorOnTheCallingThread) {
  const auto request = common::BuildSearchRequest();
  std::vector<uint8_t> oversized(70000, 0);  // larger than any UDP datagram
  ModalScript script;
  script.Then("shown", [&] { return Shown(); })
      .Then("send", [&] {
        EXPECT_TRUE(dialog_.SendPacket(request.data(), request.size()));
        EXPECT_FALSE(dialog_.SendPacket(oversized.data(), oversized.size()));
        return true;
      })
      .Then("sent", [&] { return Searches() >= 1; })
      .Then("end", [&] {
        EndDialog();
        return true;
      });
  Run(script);
  const auto boxes = boxes_.Boxes();
  ASSERT_EQ(boxes.size(), 1u) << boxes_.Describe();
  EXPECT_EQ(boxes[0].text, "send error:" + std::to_string(WSAEMSGSIZE));
  EXPECT_EQ(boxes[0].thread, GetCurrentThreadId());
}

TEST_F(OrvexDialogTest, FrameworkMessagesStayEnglish) {
  ModalScript script;
  script.Then("shown", [&] { return Shown(); })
      .Then("exchange", [&] {
        // A text longer than its limit: the framework's own message, from the real dialog.
        fw::DataExchange dx(Dlg(), true);
        std::string text;
        dx.Text(IDC_SET_IP, text, 3);
        EXPECT_TRUE(dx.Failed());
        EndDialog();
        return true;
      });
  Run(script);
  const auto boxes = boxes_.Boxes();
  ASSERT_EQ(boxes.size(), 1u) << boxes_.Describe();
  EXPECT_EQ(boxes[0].text, "Please enter no more than 3 characters.");
}

// The browser is the probe program: it writes its command line beside itself.
class BrowserTest : public OrvexDialogTest {
 protected:
  void SetUp() override {
    OrvexDialogTest::SetUp();
    responder_.AddCamera(Camera(1));
    probe_ = test_container::ExecutableFolder() + "browser_probe.exe";
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\OrvexTests");
  }
  // Selects the camera's row and clicks Connect IPCam.
  ModalScript& ConnectScript(ModalScript& script) {
    script.Then("row", [&] { return Shown() && ListRows(List()) == 1; })
        .Then("connect", [&] {
          ListSelect(List(), 0);
          Click(Dlg(), IDC_CONNECT);
          return true;
        });
    return script;
  }
  static void SetKeyValue(const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\OrvexTests\\Browser", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  std::string probe_;
};

TEST_F(BrowserTest, ConnectWarnsOutsideTheLocalSubnetsThenStartsTheBrowser) {
  const struct {
    bool localSubnet;
  } cases[] = {{false}, {true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.localSubnet ? "camera in a local subnet" : "camera outside every subnet");
    ip_.adapters.clear();
    if (c.localSubnet) {
      ip_.AddEthernet(2, {{common::testing::Ip("10.213.0.1"),
                           common::testing::Ip("255.255.255.0")}});
    }
    const std::string written = test_container::ExecutableFolder() + "browser_command_line.txt";
    DeleteFileA(written.c_str());
    COrvexDlg dialog(ip_);
    dialog.SetBrowserKey(HKEY_CURRENT_USER, "Software\\OrvexTests\\NoSuchKey");
    const size_t boxesBefore = boxes_.Count();
    ModalScript script;
    script.Then("row", [&] {
            return dialog.GetSafeHwnd() && ListRows(dialog.ListControl()) == 1;
          })
        .Then("connect", [&] {
          dialog.SetBrowserPath(probe_);
          ListSelect(dialog.ListControl(), 0);
          Click(dialog.GetSafeHwnd(), IDC_CONNECT);
          return true;
        })
        .Then("browser started", [&] {
          return GetFileAttributesA(written.c_str()) != INVALID_FILE_ATTRIBUTES;
        })
        .Then("end", [&] {
          dialog.EndDialog(IDCANCEL);
          return true;
        });
    script.Start(20, 30000);
    dialog.DoModal();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(ReadFileText(written), probe_ + " http://10.213.0.51:8001");
    const auto boxes = boxes_.Boxes();
    if (c.localSubnet) {
      EXPECT_EQ(boxes.size(), boxesBefore) << boxes_.Describe();
    } else {
      ASSERT_EQ(boxes.size(), boxesBefore + 1) << boxes_.Describe();
      EXPECT_EQ(HexBytes(boxes.back().text), HexBytes(kBuildTexts.notSameSubnetBox));
    }
    DeleteFileA(written.c_str());
  }
}

TEST_F(BrowserTest, EmptyBrowserPathGivesALineBeginningWithABlankAndFailOpen) {
  ip_.AddEthernet(2, {{common::testing::Ip("10.213.0.1"), common::testing::Ip("255.255.255.0")}});
  std::string line;
  DWORD error = 0;
  dialog_.SetProcessStarter([&](const std::string& commandLine) {
    line = commandLine;
    error = StartBrowserProcess(commandLine);
    return error;
  });
  ModalScript script;
  ConnectScript(script)
      .Then("box", [&] { return boxes_.Count() >= 1; })
      .Then("end", [&] {
        EndDialog();
        return true;
      });
  Run(script);
  EXPECT_EQ(dialog_.BrowserPath(), "");
  EXPECT_EQ(line, " http://10.213.0.51:8001");
  EXPECT_NE(error, 0u);
  const auto boxes = boxes_.Boxes();
  ASSERT_EQ(boxes.size(), 1u) << boxes_.Describe();
  EXPECT_EQ(boxes[0].text, "fail open:" + std::to_string(error) + "\n");
}

TEST_F(BrowserTest, PathOfAWholeBufferWithoutNulIsTakenWhole) {
  ip_.AddEthernet(2, {{common::testing::Ip("10.213.0.1"), common::testing::Ip("255.255.255.0")}});
  std::string path = "C:\\";
  path += std::string(kBrowserPathSize - path.size() - 4, 'b');
  path += ".exe";
  ASSERT_EQ(path.size(), kBrowserPathSize);
  SetKeyValue(path);  // 256 bytes, no NUL
  dialog_.SetBrowserKey(HKEY_CURRENT_USER, "Software\\OrvexTests\\Browser");
  std::string line;
  dialog_.SetProcessStarter([&](const std::string& commandLine) {
    line = commandLine;
    return static_cast<DWORD>(ERROR_FILE_NOT_FOUND);  // nothing is started
  });
  ModalScript script;
  ConnectScript(script)
      .Then("box", [&] { return boxes_.Count() >= 1; })
      .Then("end", [&] {
        EndDialog();
        return true;
      });
  Run(script);
  EXPECT_EQ(dialog_.BrowserPath(), path);
  EXPECT_EQ(line, path + " http://10.213.0.51:8001");
  EXPECT_TRUE(boxes_.Has("fail open:2\n")) << boxes_.Describe();
}

TEST_F(BrowserTest, PathWithABlankIsQuotedAndStarts) {
  ip_.AddEthernet(2, {{common::testing::Ip("10.213.0.1"), common::testing::Ip("255.255.255.0")}});
  testing_support::TempFolder temp;
  const std::string folder = temp.path() + "\\with blank";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string probe = folder + "\\browser_probe.exe";
  ASSERT_TRUE(CopyFileA(probe_.c_str(), probe.c_str(), FALSE));
  const std::string written = folder + "\\browser_command_line.txt";
  SetKeyValue(probe + std::string(1, '\0'));
  dialog_.SetBrowserKey(HKEY_CURRENT_USER, "Software\\OrvexTests\\Browser");
  ModalScript script;
  ConnectScript(script)
      .Then("browser started", [&] {
        return GetFileAttributesA(written.c_str()) != INVALID_FILE_ATTRIBUTES;
      })
      .Then("end", [&] {
        EndDialog();
        return true;
      });
  Run(script);
  EXPECT_EQ(dialog_.BrowserPath(), probe);
  EXPECT_EQ(ReadFileText(written), "\"" + probe + "\" http://10.213.0.51:8001");
  EXPECT_EQ(boxes_.Count(), 0u) << boxes_.Describe();
  DeleteFileA(written.c_str());
  DeleteFileA(probe.c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST(BrowserCommandLine, QuotesAPathWithABlankUnlessItIsQuoted) {
  const struct {
    const char* path;
    const char* line;
  } cases[] = {
      {"C:\\ie\\iexplore.exe", "C:\\ie\\iexplore.exe http://192.168.1.100:80"},
      {"C:\\Program Files\\ie.exe", "\"C:\\Program Files\\ie.exe\" http://192.168.1.100:80"},
      {"\"C:\\Program Files\\ie.exe\" -new",
       "\"C:\\Program Files\\ie.exe\" -new http://192.168.1.100:80"},
      {"", " http://192.168.1.100:80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BrowserCommandLine(c.path, 0xC0A80164, 80), c.line) << c.path;
  }
  EXPECT_EQ(BrowserCommandLine("x", 0xFFFFFFFF, 65535), "x http://255.255.255.255:65535");
}

TEST_F(OrvexDialogTest, StaysResponsiveUnderRefreshAndAgeingWithTwentyCameras) {
  const DWORD answerMs = testing_support::Scaled(5000);
  for (uint8_t tag = 1; tag <= 20; ++tag) responder_.AddCamera(Camera(tag));
  std::atomic<bool> done{false};
  std::atomic<int> unanswered{0};
  std::atomic<DWORD> slowest{0};
  std::thread watchdog;
  int mostRows = 0;
  unsigned refreshes = 0;
  DWORD began = 0;
  ModalScript script;
  script.Then("shown", [&] {
          if (!Shown()) return false;
          HWND dlg = Dlg();
          watchdog = std::thread([&, dlg] {
            while (!done.load()) {
              const DWORD start = GetTickCount();
              DWORD_PTR answer = 0;
              // Generous (an emulated machine's dialog answers in about a second under this
              // load, now and then in more than five); a dialog waiting on the listener never
              // answers at all.
              if (!SendMessageTimeoutW(dlg, WM_NULL, 0, 0, SMTO_NORMAL, answerMs, &answer)) {
                ++unanswered;
              }
              const DWORD took = GetTickCount() - start;
              if (took > slowest.load()) slowest = took;
              Sleep(20);
            }
          });
          began = GetTickCount();
          return true;
        })
      .Then("ten seconds of refresh and ageing", [&] {
        mostRows = std::max(mostRows, ListRows(List()));
        Click(Dlg(), IDC_REFRESH);
        ++refreshes;
        now_ += 7;
        SendMessageW(Dlg(), WM_TIMER, kAgeingTimer, 0);
        // Ten seconds; where each click itself takes longer, until the fifth refresh.
        const DWORD elapsed = GetTickCount() - began;
        return (elapsed >= 10000 && refreshes >= 5) || elapsed >= testing_support::Scaled(10000);
      })
      .Then("end", [&] {
        done = true;
        watchdog.join();
        EndDialog();
        return true;
      });
  Run(script, 60000);
  if (watchdog.joinable()) {
    done = true;
    watchdog.join();
  }
  EXPECT_EQ(unanswered.load(), 0) << "slowest answer " << slowest.load() << " ms";
  EXPECT_LT(slowest.load(), answerMs);
  EXPECT_GT(mostRows, 0) << "the cameras were listed between the refreshes";
  EXPECT_GE(refreshes, 5u);
  // Refreshes that come faster than the search thread wakes share one search (about every
  // other one on an emulated machine), and a slow machine clicks fewer of them: what counts
  // is that searching goes on under the load.
  const size_t wanted = std::min<size_t>(20, (refreshes + 1) / 2);
  EXPECT_TRUE(test_container::PumpUntil([&] { return Searches() >= wanted; }, 5000))
      << Searches() << " searches for " << refreshes << " refreshes";
  EXPECT_TRUE(ThreadGone(dialog_.ListenerThreadId()));
  EXPECT_TRUE(ThreadGone(dialog_.SearchThreadId()));
  EXPECT_TRUE(CanBindReplyPort());
  EXPECT_EQ(boxes_.Count(), 0u) << boxes_.Describe();
  std::printf("responsiveness: slowest answer %lu ms, most rows %d, %zu searches\n",
              static_cast<unsigned long>(slowest.load()), mostRows, Searches());
}

#ifdef TOOL_CHINESE_BUILD
// The build's texts read through the ANSI path of a Chinese system: the string table's
// bytes in code page 936.
class BuildTextsInChineseLocale : public testing_support::ChineseLocaleTest {};

TEST_F(BuildTextsInChineseLocale, StringTableGivesTheCodePage936Bytes) {
  EXPECT_EQ(HexBytes(fw::WideToAnsi(fw::LoadResStringW(IDS_SELECT_CAMERA))),
            HexBytes(kBuildTexts.selectBox));
  EXPECT_EQ(HexBytes(fw::WideToAnsi(fw::LoadResStringW(IDS_NOT_SAME_SUBNET))),
            HexBytes(kBuildTexts.notSameSubnetBox));
  EXPECT_EQ(HexBytes(fw::WideToAnsi(fw::LoadResStringW(IDS_VERSION_BOX))),
            HexBytes(kBuildTexts.versionBox));
  EXPECT_EQ(fw::WideToAnsi(fw::LoadResStringW(IDS_ABOUTBOX)),
            fw::WideToAnsi(Wide(kBuildTexts.aboutMenu)));
  EXPECT_EQ(fw::Module::Get().ResourceLanguage(), kBuildTexts.language);
}
#endif

}  // namespace
}  // namespace setuptool
