// The set-address and credentials dialogs, real on the test display with one build's
// resources, opened from the real main dialog and driven by ModalScript against simulated
// cameras in the suite's private network: the set-address request is a real broadcast that
// the simulator applies, and the IP Helper is the simulator's double, so ARP answers follow
// the cameras. The tick is shortened through the dialogs' member; boxes are compared as the
// code page 936 bytes they are.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/password_text.h"
#include "framework/ansi_text.h"
#include "framework/message_box.h"
#include "framework/module.h"
#include "isolated_network.h"
#include "setuptool/orvex_app.h"
#include "setuptool/orvex_dlg.h"
#include "setuptool/resource_ids.h"
#include "setuptool/set_ip_dlg.h"
#include "setuptool/tests/set_box_texts.h"
#include "simulator/discovery_responder.h"
#include "simulator/simulated_ip_helper.h"
#include "testing/container/dialog_items.h"
#include "testing/container/box_recorder.h"
#include "testing/container/modal_script.h"

namespace setuptool {
namespace {

using test_container::ClassOf;
using test_container::Click;
using test_container::ListCell;
using test_container::ListRows;
using test_container::ListSelect;

using setuptool_tests::kSetBoxes;
using test_container::ModalScript;

COrvexApp g_app;  // as in the programs: the build's language

constexpr int64_t kStartTime = 1700000000;
constexpr UINT kTickMs = 20;

constexpr uint32_t Host(unsigned a, unsigned b, unsigned c, unsigned d) {
  return (a << 24) | (b << 16) | (c << 8) | d;
}
const uint32_t kCameraAddress = Host(10, 213, 0, 51);
const uint32_t kMask24 = Host(255, 255, 255, 0);
const uint32_t kGateway = Host(10, 213, 0, 1);
const common::MacAddress kCameraMac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x01};
const common::MacAddress kOtherMac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x99};

using test_container::HexBytes;
using BoxRecorder = test_container::BoxRecorder;

camsim::DiscoveryIdentity Camera(const common::MacAddress& mac = kCameraMac,
                                 uint32_t address = kCameraAddress) {
  camsim::DiscoveryIdentity camera;
  camera.mac = mac;
  camera.address = address;
  camera.mask = kMask24;
  camera.gateway = kGateway;
  camera.webPort = 8001;
  camera.firmware = "fw 1";
  return camera;
}

struct DialogSearch {
  int id;
  const char* cls;
  HWND found;
};

BOOL CALLBACK VisitDialog(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<DialogSearch*>(param);
  if (!IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
  HWND item = GetDlgItem(window, s->id);
  if (item && _stricmp(ClassOf(item).c_str(), s->cls) == 0) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

// A visible dialog of this thread with control `id` of class `cls`.
HWND FindDialogWith(int id, const char* cls) {
  DialogSearch s{id, cls, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &VisitDialog, reinterpret_cast<LPARAM>(&s));
  return s.found;
}
// Template 129 has its progress bar at 1005, 130 at 1003, 131 a password edit at 1001.
HWND SetIpDialog() { return FindDialogWith(IDC_SETIP_PROGRESS, PROGRESS_CLASSA); }
HWND ByMacDialog() { return FindDialogWith(IDC_BYMAC_PROGRESS, PROGRESS_CLASSA); }
HWND CredentialsDialog() {
  HWND dialog = FindDialogWith(IDC_PASSWORD, "Edit");
  // Templates 129 and 130 have an address control at 1006; 131 has none.
  return dialog && !GetDlgItem(dialog, IDC_SETIP_ADDRESS) ? dialog : nullptr;
}

void SetAddress(HWND dialog, int id, uint32_t hostOrder) {
  if (hostOrder == 0) {
    SendDlgItemMessageW(dialog, id, IPM_CLEARADDRESS, 0, 0);
  } else {
    SendDlgItemMessageW(dialog, id, IPM_SETADDRESS, 0, static_cast<LPARAM>(hostOrder));
  }
}
uint32_t GetAddress(HWND dialog, int id) {
  DWORD value = 0;
  SendDlgItemMessageW(dialog, id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&value));
  return value;
}
int BarPosition(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageW(dialog, id, PBM_GETPOS, 0, 0));
}

class SetDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing_support::InIsolatedNetwork());
    ASSERT_TRUE(responder_.Start()) << "UDP 13000 is taken";
    Prepare(*main_);
  }
  void Prepare(COrvexDlg& dialog) {
    dialog.SetClock([this] { return now_; });
    dialog.SetBrowserKey(HKEY_CURRENT_USER, "Software\\OrvexTests\\NoSuchKey");
    dialog.SetSetDialogTickPeriod(kTickMs);
    dialog.SetSetDialogEnded([this](INT_PTR result) { results_.push_back(result); });
  }
  // The PC's one Ethernet adapter, index 2.
  void PcAt(uint32_t address, uint32_t mask, uint32_t gateway) {
    ip_.AddAdapter(2, {{htonl(address), htonl(mask)}}, htonl(gateway));
  }

  HWND Main() const { return main_->GetSafeHwnd(); }
  HWND List() const { return main_->ListControl(); }
  size_t Requests() const {
    return responder_.Snapshot().Count(camsim::ReceivedDatagram::Kind::SetAddress);
  }
  std::vector<camsim::SetAddressFields> RequestFields() const {
    std::vector<camsim::SetAddressFields> out;
    for (const auto& datagram : responder_.Snapshot().datagrams) {
      if (datagram.setAddress) out.push_back(*datagram.setAddress);
    }
    return out;
  }
  bool Deleted(ULONG context) const {
    for (ULONG deleted : ip_.DeletedContexts()) {
      if (deleted == context) return true;
    }
    return false;
  }
  // Every temporary address added is deleted again.
  void ExpectTemporariesGone() const {
    for (const auto& added : ip_.AddedAddresses()) {
      EXPECT_TRUE(Deleted(added.context)) << "context " << added.context;
    }
  }

  // Steps: the row of the camera heard in `main` (main_ unless given), selected, and Set IP
  // Address clicked.
  ModalScript& OpenSetIp(ModalScript& script, COrvexDlg* main = nullptr) {
    main = main ? main : main_.get();
    return script
        .Then("row", [main] { return main->GetSafeHwnd() && ListRows(main->ListControl()) >= 1; })
        .Then("set ip", [main] {
          ListSelect(main->ListControl(), 0);
          Click(main->GetSafeHwnd(), IDC_SET_IP);
          return true;
        })
        .Then("set dialog", [this] { return (dlg_ = SetIpDialog()) != nullptr; });
  }
  ModalScript& OpenByMac(ModalScript& script, COrvexDlg* main = nullptr) {
    main = main ? main : main_.get();
    return script
        .Then("main",
              [main] { return main->GetSafeHwnd() && IsWindowVisible(main->GetSafeHwnd()); })
        .Then("by serial", [main] {
          Click(main->GetSafeHwnd(), IDC_SET_IP_BY_SERIAL);
          return true;
        })
        .Then("by-serial dialog", [this] { return (dlg_ = ByMacDialog()) != nullptr; });
  }
  ModalScript& Open(ModalScript& script, bool bySerial, COrvexDlg* main = nullptr) {
    return bySerial ? OpenByMac(script, main) : OpenSetIp(script, main);
  }
  ModalScript& Cancel(ModalScript& script) {
    return script.Then("cancel", [this] {
      Click(dlg_, IDCANCEL);
      return true;
    });
  }
  // Fills the credentials dialog once it is open and ends it with `button`.
  ModalScript& Credentials(ModalScript& script, int button = IDOK, const char* user = "admin",
                           const char* password = "secret") {
    return script.Then("credentials", [this] { return (cred_ = CredentialsDialog()) != nullptr; })
        .Then("answer", [this, button, user, password] {
          credentialsShownProbes_ = ip_.Probes().size();
          SetDlgItemTextA(cred_, IDC_USER_NAME, user);
          SetDlgItemTextA(cred_, IDC_PASSWORD, password);
          Click(cred_, button);
          return true;
        });
  }
  // Runs `main` (main_ unless given) with the script, which ends it after its steps.
  void Run(ModalScript& script, DWORD timeoutMs = 30000, COrvexDlg* main = nullptr) {
    main = main ? main : main_.get();
    script.Then("end", [main] {
      main->EndDialog(IDCANCEL);
      return true;
    });
    script.Start(20, timeoutMs);
    EXPECT_NE(main->DoModal(), -1);
    EXPECT_TRUE(script.Finished()) << "steps done: " << script.StepsDone();
  }
  // The same once the set dialog has closed, the `results`-th to end.
  void RunToClosed(ModalScript& script, size_t results = 1, DWORD timeoutMs = 30000,
                   COrvexDlg* main = nullptr) {
    script.Then("closed", [this, results] { return results_.size() == results; });
    Run(script, timeoutMs, main);
  }
  bool Gone(HWND window) const { return !IsWindow(window); }

  int64_t now_ = kStartTime;
  std::vector<INT_PTR> results_;
  HWND dlg_ = nullptr;
  HWND cred_ = nullptr;
  size_t credentialsShownProbes_ = 0;
  DWORD quietSince_ = 0;
  NMHDR header_{};  // a posted notification's header outlives the posting step
  BoxRecorder boxes_;
  camsim::DiscoveryResponder responder_;
  camsim::SimulatedIpHelper ip_{responder_};
  std::unique_ptr<COrvexDlg> main_ = std::make_unique<COrvexDlg>(ip_);
};

TEST(ParseSerialNumber, TwelveHexDigitsInEitherCaseOnly) {
  const struct {
    const char* text;
    bool valid;
  } cases[] = {{"001A2B3C4DEF", true},  {"001a2b3c4def", true},  {"001a2B3c4DeF", true},
               {"001a2b3c4de", false},  {"001a2b3c4deg", false}, {"001a2b3c4d-f", false},
               {" 01a2b3c4def", false}, {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    common::MacAddress mac{};
    EXPECT_EQ(ParseSerialNumber(c.text, mac), c.valid);
    if (c.valid) {
      EXPECT_EQ(mac, (common::MacAddress{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0xef}));
    }
  }
}

struct CheckCase {
  const char* name;
  const char* serial;  // the dialog by serial number only
  uint32_t address, mask, gateway;
  const char* box;  // null: passes, and the credentials are asked for (and cancelled)
};

// Steps that try each case on the open set dialog `dlg_`.
void AddCheckSteps(ModalScript& script, const std::vector<CheckCase>& cases, HWND* dialog,
                   BoxRecorder& boxes, bool bySerial) {
  auto before = std::make_shared<size_t>(0);
  const int addressId = bySerial ? IDC_BYMAC_ADDRESS : IDC_SETIP_ADDRESS;
  const int maskId = bySerial ? IDC_BYMAC_MASK : IDC_SETIP_MASK;
  const int gatewayId = bySerial ? IDC_BYMAC_GATEWAY : IDC_SETIP_GATEWAY;
  for (const CheckCase& c : cases) {
    script.Then(c.name, [=, &boxes] {
      *before = boxes.Count();
      if (bySerial) SetDlgItemTextA(*dialog, IDC_SERIAL_NUM, c.serial);
      SetAddress(*dialog, addressId, c.address);
      SetAddress(*dialog, maskId, c.mask);
      SetAddress(*dialog, gatewayId, c.gateway);
      Click(*dialog, IDC_SAVE);
      return true;
    });
    if (c.box) {
      script.Then(std::string(c.name) + ": box", [=, &boxes] {
        if (boxes.Count() <= *before) return false;
        EXPECT_EQ(boxes.Count(), *before + 1) << c.name << ": " << boxes.Describe();
        EXPECT_EQ(HexBytes(boxes.Last()), HexBytes(c.box)) << c.name;
        EXPECT_EQ(CredentialsDialog(), nullptr);
        return true;
      });
    } else {
      script.Then(std::string(c.name) + ": credentials", [=, &boxes] {
        HWND cred = CredentialsDialog();
        if (!cred) return false;
        EXPECT_EQ(boxes.Count(), *before) << c.name << ": " << boxes.Describe();
        Click(cred, IDCANCEL);
        return true;
      });
      script.Then(std::string(c.name) + ": cancelled", [] { return !CredentialsDialog(); });
    }
  }
}

// Tries each case on the open dialog, then cancels it: nothing may have been sent.
class SetDialogCheckTest : public SetDialogTest {
 protected:
  void TryCases(const std::vector<CheckCase>& cases, bool bySerial) {
    ModalScript script;
    Open(script, bySerial);
    AddCheckSteps(script, cases, &dlg_, boxes_, bySerial);
    Cancel(script);
    RunToClosed(script);
    EXPECT_EQ(Requests(), 0u);
    EXPECT_EQ(results_, std::vector<INT_PTR>({IDCANCEL}));
  }
};

// Only the first failing check shows, in the order address, gateway, mask.
TEST_F(SetDialogCheckTest, ChecksOfTheDialogByAddressInOrder) {
  PcAt(Host(10, 213, 0, 10), kMask24, kGateway);
  responder_.AddCamera(Camera());
  const uint32_t good = kCameraAddress, mask = kMask24, gw = kGateway;
  const std::vector<CheckCase> cases = {
      {"all wrong", "", Host(10, 213, 0, 0), 0, Host(10, 213, 0, 255), kSetBoxes.ipAddressWrong},
      {"address .255", "", Host(10, 213, 0, 255), mask, gw, kSetBoxes.ipAddressWrong},
      {"empty address", "", 0, mask, gw, kSetBoxes.ipAddressWrong},
      {"gateway and mask wrong", "", good, 0, Host(10, 213, 0, 0), kSetBoxes.ipGatewayWrong},
      {"mask all ones", "", good, 0xFFFFFFFF, gw, kSetBoxes.ipMaskWrong},
      {"mask 0", "", good, 0, gw, kSetBoxes.ipMaskWrong},
      {"mask last octet 255", "", good, Host(255, 255, 0, 255), gw, kSetBoxes.ipMaskWrong},
      {"mask .254", "", good, Host(255, 255, 255, 254), gw, nullptr},
      {"all right", "", good, mask, gw, nullptr},
  };
  TryCases(cases, false);
}

TEST_F(SetDialogCheckTest, ChecksOfTheDialogBySerialNumberInOrder) {
  PcAt(Host(10, 213, 0, 10), kMask24, kGateway);
  const uint32_t good = Host(10, 213, 0, 77), mask = kMask24, gw = kGateway;
  const std::vector<CheckCase> cases = {
      {"all wrong", "00", Host(10, 213, 0, 0), 0, Host(10, 213, 0, 255),
       kSetBoxes.macAddressWrong},
      {"gateway, mask, serial wrong", "00", good, 0, 0, kSetBoxes.macGatewayWrong},
      {"mask and serial wrong", "00", good, 0xFFFFFFFF, gw, kSetBoxes.macMaskWrong},
      {"11 characters", "001a2b3c4d0", good, mask, gw, kSetBoxes.macSerialWrong},
      {"not hexadecimal", "001a2b3c4d0x", good, mask, gw, kSetBoxes.macSerialWrong},
      {"mask .254, lower case", "001a2b3c4d0f", good, Host(255, 255, 255, 254), gw, nullptr},
      {"upper case", "001A2B3C4D0F", good, mask, gw, nullptr},
  };
  TryCases(cases, true);
}

// Upper- and lower-case serial numbers name one MAC: both requests carry it.
TEST_F(SetDialogTest, SerialNumberInEitherCaseSendsTheSameMac) {
  PcAt(Host(10, 213, 0, 10), kMask24, kGateway);
  ModalScript script;
  size_t sent = 0;
  for (const char* serial : {"001A2B3C4D0F", "001a2b3c4d0f"}) {
    ++sent;
    OpenByMac(script).Then(std::string("fill ") + serial, [this, serial] {
      SetDlgItemTextA(dlg_, IDC_SERIAL_NUM, serial);
      SetAddress(dlg_, IDC_BYMAC_ADDRESS, Host(10, 213, 0, 77));
      SetAddress(dlg_, IDC_BYMAC_MASK, kMask24);
      SetAddress(dlg_, IDC_BYMAC_GATEWAY, kGateway);
      Click(dlg_, IDC_SAVE);
      return true;
    });
    Credentials(script)
        .Then("sent", [this, sent] { return Requests() >= sent; })
        .Then("cancel during the watch", [this] {
          Click(dlg_, IDCANCEL);
          return true;
        })
        .Then("closed", [this, sent] { return results_.size() >= sent; });
  }
  Run(script);
  const auto fields = RequestFields();
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0].mac, (common::MacAddress{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x0f}));
  EXPECT_EQ(fields[1].mac, fields[0].mac);
  EXPECT_EQ(results_, std::vector<INT_PTR>({IDCANCEL, IDCANCEL}));
}

// The address unchanged (only the mask changed): no temporary address and no probe before
// the request, which goes out right after the credentials, whether or not the PC has an
// address in the camera's subnet; the camera answering there is success at the 5th tick,
// and the main dialog writes the new values back.
class UnchangedAddressTest : public SetDialogTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(UnchangedAddressTest, SendsAtOnceAndSucceedsAtTheFifthTick) {
  PcAt(GetParam(), kMask24, kGateway);
  responder_.AddCamera(Camera());
  const uint32_t newMask = Host(255, 255, 0, 0), newGateway = Host(10, 213, 0, 2);
  size_t probesAtSend = 99;
  ModalScript script;
  OpenSetIp(script).Then("values", [&, this] {
    EXPECT_EQ(GetAddress(dlg_, IDC_SETIP_ADDRESS), kCameraAddress);
    EXPECT_EQ(GetAddress(dlg_, IDC_SETIP_MASK), kMask24);
    EXPECT_EQ(GetAddress(dlg_, IDC_SETIP_GATEWAY), kGateway);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg_, IDC_AUTO_FIND_FREE)));
    SetAddress(dlg_, IDC_SETIP_MASK, newMask);
    SetAddress(dlg_, IDC_SETIP_GATEWAY, newGateway);
    Click(dlg_, IDC_SAVE);
    return true;
  });
  Credentials(script)
      .Then("sent", [&, this] {
        if (Requests() < 1) return false;
        probesAtSend = ip_.Probes().size();
        return true;
      })
      .Then("dialog ended", [this] { return !results_.empty(); })
      .Then("row", [this] {
        EXPECT_EQ(ListCell(List(), 0, 1), "10.213.0.51:8001");
        return true;
      });
  Run(script);
  EXPECT_EQ(credentialsShownProbes_, 0u) << "no conflict probe for an unchanged address";
  EXPECT_EQ(probesAtSend, 0u) << "the request right after the credentials";
  EXPECT_TRUE(ip_.AddedAddresses().empty());
  EXPECT_EQ(ip_.Probes(), std::vector<uint32_t>({htonl(kCameraAddress)}))
      << "success at the first probe, the 5th tick";
  EXPECT_EQ(results_, std::vector<INT_PTR>({IDOK}));
  ASSERT_EQ(boxes_.Count(), 1u) << boxes_.Describe();
  EXPECT_EQ(HexBytes(boxes_.Last()), HexBytes(kSetBoxes.ipSuccess));
}

INSTANTIATE_TEST_SUITE_P(PcAddress, UnchangedAddressTest,
                         ::testing::Values(Host(10, 213, 0, 10), Host(192, 168, 7, 10)));

// The 64 bytes as the simulator decoded them: the MD5 text whatever the camera announced.
class RequestBytesTest : public SetDialogTest,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(RequestBytesTest, CarryTheEntryValuesAndTheMd5Text) {
  PcAt(Host(10, 213, 0, 10), kMask24, kGateway);
  auto camera = Camera();
  camera.authScheme = std::string(GetParam());
  responder_.AddCamera(camera);
  const uint32_t newAddress = Host(10, 213, 0, 77);
  ModalScript script;
  OpenSetIp(script).Then("new address", [&, this] {
    SetAddress(dlg_, IDC_SETIP_ADDRESS, newAddress);
    Click(dlg_, IDC_SAVE);
    return true;
  });
  Credentials(script, IDOK, "administrator", "p4ssw0rd!")
      .Then("dialog ended", [this] { return !results_.empty(); })
      .Then("row", [this] {
        EXPECT_EQ(ListCell(List(), 0, 1), "10.213.0.77:8001");
        return true;
      });
  Run(script);
  const auto fields = RequestFields();
  ASSERT_EQ(fields.size(), 1u);
  const auto datagrams = responder_.Snapshot().datagrams;
  for (const auto& d : datagrams) {
    if (d.setAddress) {
      EXPECT_EQ(d.bytes.size(), 64u);
      EXPECT_EQ(d.bytes[0], 4);
      EXPECT_EQ(d.bytes[4], 56);
    }
  }
  EXPECT_EQ(fields[0].address, newAddress);
  EXPECT_EQ(fields[0].mask, kMask24);
  EXPECT_EQ(fields[0].gateway, kGateway);
  EXPECT_EQ(fields[0].mac, kCameraMac);
  EXPECT_EQ(fields[0].user, "administrator");
  const auto text = common::EncodePwd("p4ssw0rd!", common::Encode64ShortGroup::kLowBits);
  ASSERT_TRUE(text);
  EXPECT_EQ(fields[0].PasswordText(), text->substr(0, 16));
  EXPECT_EQ(results_, std::vector<INT_PTR>({IDOK}));
  ExpectTemporariesGone();
}

INSTANTIATE_TEST_SUITE_P(AuthScheme, RequestBytesTest, ::testing::Values("BASIC", "DIGEST"));

// A changed address outside the local subnets: a temporary address at broadcast - 2 with
// the new mask; a device answering there is a conflict, and then nothing is sent.
TEST_F(SetDialogTest, ChangedAddressOutsideTheSubnetsConflictsOrCancels) {
  PcAt(Host(192, 168, 7, 10), kMask24, Host(192, 168, 7, 1));
  responder_.AddCamera(Camera());
  const uint32_t taken = Host(10, 213, 8, 77), free = Host(10, 213, 8, 78);
  const uint32_t newMask = Host(255, 255, 254, 0);
  ip_.PlaceDevice(htonl(taken), kOtherMac);
  size_t boxesBefore = 0;
  ModalScript script;
  OpenSetIp(script).Then("taken address", [&, this] {
    SetAddress(dlg_, IDC_SETIP_ADDRESS, taken);
    SetAddress(dlg_, IDC_SETIP_MASK, newMask);
    Click(dlg_, IDC_SAVE);
    return true;
  });
  script.Then("conflict", [&, this] {
    if (boxes_.Count() < 1) return false;
    EXPECT_EQ(HexBytes(boxes_.Last()), HexBytes(kSetBoxes.ipConflict));
    EXPECT_EQ(CredentialsDialog(), nullptr);
    const auto added = ip_.AddedAddresses();
    EXPECT_EQ(added.size(), 1u);
    for (const auto& a : added) {
      EXPECT_EQ(a.address, htonl(Host(10, 213, 9, 253)));
      EXPECT_EQ(a.mask, htonl(newMask));
    }
    ExpectTemporariesGone();
    EXPECT_EQ(ip_.Probes(), std::vector<uint32_t>({htonl(taken)}));
    boxesBefore = boxes_.Count();
    SetAddress(dlg_, IDC_SETIP_ADDRESS, free);
    Click(dlg_, IDC_SAVE);
    return true;
  });
  Credentials(script, IDCANCEL)
      .Then("cancelled", [this] { return !CredentialsDialog(); })
      .Then("idle", [&, this] {
        EXPECT_EQ(ip_.AddedAddresses().size(), 2u);
        ExpectTemporariesGone();
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg_, IDC_SAVE)));
        Click(dlg_, IDCANCEL);
        return true;
      });
  RunToClosed(script);
  EXPECT_EQ(Requests(), 0u);
  EXPECT_EQ(boxes_.Count(), boxesBefore) << boxes_.Describe();
  EXPECT_EQ(results_, std::vector<INT_PTR>({IDCANCEL}));
}

// A camera that never answers at the new address: 12 probes, the failure box at the 61st
// tick, the bar back at 0, Save enabled, the dialog open for another try.
TEST_F(SetDialogTest, NoAnswerFailsAtTheSixtyFirstTickAfterTwelveProbes) {
  PcAt(Host(10, 213, 0, 10), kMask24, kGateway);
  const uint32_t newAddress = Host(10, 213, 0, 77);
  ModalScript script;
  OpenByMac(script).Then("fill", [&, this] {
    SetDlgItemTextA(dlg_, IDC_SERIAL_NUM, "0a0b0c0d0e0f");  // no such camera
    SetAddress(dlg_, IDC_BYMAC_ADDRESS, newAddress);
    SetAddress(dlg_, IDC_BYMAC_MASK, kMask24);
    SetAddress(dlg_, IDC_BYMAC_GATEWAY, kGateway);
    Click(dlg_, IDC_SAVE);
    return true;
  });
  Credentials(script)
      .Then("watching", [this] {
        if (Requests() < 1) return false;
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg_, IDC_SAVE)));
        return true;
      })
      .Then("failed", [this] { return boxes_.Count() >= 1; })
      .Then("idle again", [this] {
        EXPECT_EQ(HexBytes(boxes_.Last()), HexBytes(kSetBoxes.macFail));
        EXPECT_EQ(BarPosition(dlg_, IDC_BYMAC_PROGRESS), 0);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg_, IDC_SAVE)));
        EXPECT_TRUE(IsWindow(dlg_));
        EXPECT_TRUE(results_.empty());
        return true;
      })
      .Then("no more probes", [this] {
        if (!quietSince_) quietSince_ = GetTickCount() | 1;
        if (GetTickCount() - quietSince_ < 10 * kTickMs) return false;
        Click(dlg_, IDCANCEL);
        return true;
      });
  RunToClosed(script, 1, 60000);
  // One conflict probe, then 12.
  const auto probes = ip_.Probes();
  EXPECT_EQ(probes.size(), 13u);
  for (uint32_t probe : probes) EXPECT_EQ(probe, htonl(newAddress));
  EXPECT_EQ(boxes_.Count(), 1u) << boxes_.Describe();
  EXPECT_EQ(results_, std::vector<INT_PTR>({IDCANCEL}));
}

// The target's own answer passes the conflict probe and is success at the 5th tick;
// another MAC's answer is a conflict.
TEST_F(SetDialogTest, BySerialNumberConflictIsAnotherMacsAnswerOnly) {
  PcAt(Host(10, 213, 0, 10), kMask24, kGateway);
  responder_.AddCamera(Camera());
  const uint32_t taken = Host(10, 213, 0, 66);
  ip_.PlaceDevice(htonl(taken), kOtherMac);
  ModalScript script;
  script.Then("row", [this] { return Main() && ListRows(List()) == 1; });
  OpenByMac(script).Then("another MAC's address", [&, this] {
    SetDlgItemTextA(dlg_, IDC_SERIAL_NUM, "001a2b3c4d01");
    SetAddress(dlg_, IDC_BYMAC_ADDRESS, taken);
    SetAddress(dlg_, IDC_BYMAC_MASK, kMask24);
    SetAddress(dlg_, IDC_BYMAC_GATEWAY, kGateway);
    Click(dlg_, IDC_SAVE);
    return true;
  });
  script.Then("conflict", [&, this] {
    if (boxes_.Count() < 1) return false;
    EXPECT_EQ(HexBytes(boxes_.Last()), HexBytes(kSetBoxes.macConflict));
    EXPECT_EQ(CredentialsDialog(), nullptr);
    // The camera's own current address.
    SetAddress(dlg_, IDC_BYMAC_ADDRESS, kCameraAddress);
    Click(dlg_, IDC_SAVE);
    return true;
  });
  Credentials(script)
      .Then("success", [this] { return !results_.empty(); })
      .Then("row", [this] {
        EXPECT_EQ(ListCell(List(), 0, 1), "10.213.0.51:8001");
        return true;
      });
  Run(script);
  ASSERT_EQ(boxes_.Count(), 2u) << boxes_.Describe();
  EXPECT_EQ(HexBytes(boxes_.Last()), HexBytes(kSetBoxes.macSuccess));
  EXPECT_EQ(Requests(), 1u);
  EXPECT_EQ(results_, std::vector<INT_PTR>({IDOK}));
  // conflict probe, the own answer, the 5th tick
  EXPECT_EQ(ip_.Probes().size(), 3u);
}

// Auto-assigned on a /24: .250 is probed first and proposed with the PC's mask and gateway;
// a PC without an Ethernet address and a subnet without an idle address give their boxes.
struct AutoCase {
  const char* name;
  bool bySerial;
};

class AutoAssignTest : public SetDialogTest, public ::testing::WithParamInterface<AutoCase> {};

TEST_P(AutoAssignTest, ProposesTheHighestIdleAddressOrShowsWhyNot) {
  const bool bySerial = GetParam().bySerial;
  const int addressId = bySerial ? IDC_BYMAC_ADDRESS : IDC_SETIP_ADDRESS;
  const int maskId = bySerial ? IDC_BYMAC_MASK : IDC_SETIP_MASK;
  const int gatewayId = bySerial ? IDC_BYMAC_GATEWAY : IDC_SETIP_GATEWAY;
  responder_.AddCamera(Camera());
  // Not yet an adapter: the PC has no address.
  ModalScript script;
  Open(script, bySerial).Then("no local address", [this] {
        Click(dlg_, IDC_AUTO_ASSIGN);
        return true;
      })
      .Then("box", [&, this] {
        if (boxes_.Count() < 1) return false;
        EXPECT_EQ(HexBytes(boxes_.Last()),
                  HexBytes(bySerial ? kSetBoxes.macNoLocal : kSetBoxes.ipNoLocal));
        EXPECT_TRUE(ip_.Probes().empty());
        // A /29: host numbers 2 and 1 are the candidates, both taken.
        ip_.AddAdapter(2, {{htonl(Host(10, 9, 0, 5)), htonl(Host(255, 255, 255, 248))}},
                       htonl(Host(10, 9, 0, 6)));
        ip_.PlaceDevice(htonl(Host(10, 9, 0, 1)), kOtherMac);
        ip_.PlaceDevice(htonl(Host(10, 9, 0, 2)), kOtherMac);
        Click(dlg_, IDC_AUTO_ASSIGN);
        return true;
      })
      .Then("no idle address", [&, this] {
        if (boxes_.Count() < 2) return false;
        EXPECT_EQ(HexBytes(boxes_.Last()),
                  HexBytes(bySerial ? kSetBoxes.macNoIdle : kSetBoxes.ipNoIdle));
        EXPECT_EQ(ip_.Probes(), std::vector<uint32_t>({htonl(Host(10, 9, 0, 2)),
                                                       htonl(Host(10, 9, 0, 1))}));
        return true;
      });
  Cancel(script);
  RunToClosed(script);
  EXPECT_EQ(boxes_.Count(), 2u) << boxes_.Describe();

  // The /24 in a dialog of its own.
  camsim::SimulatedIpHelper ip24(responder_);
  ip24.AddAdapter(2, {{htonl(Host(10, 213, 0, 10)), htonl(kMask24)}}, htonl(kGateway));
  COrvexDlg main24(ip24);
  Prepare(main24);
  results_.clear();
  ModalScript script24;
  Open(script24, bySerial, &main24)
      .Then("auto", [&, this] {
        if (!bySerial) {
          EXPECT_EQ(ListRows(main24.ListControl()), 1);
        }
        Click(dlg_, IDC_AUTO_ASSIGN);
        return true;
      })
      .Then("proposed", [&, this] {
        if (GetAddress(dlg_, addressId) != Host(10, 213, 0, 250)) return false;
        EXPECT_EQ(GetAddress(dlg_, maskId), kMask24);
        EXPECT_EQ(GetAddress(dlg_, gatewayId), kGateway);
        EXPECT_EQ(ip24.Probes(), std::vector<uint32_t>({htonl(Host(10, 213, 0, 250))}));
        Click(dlg_, IDCANCEL);
        return true;
      });
  RunToClosed(script24, 1, 30000, &main24);
  EXPECT_EQ(boxes_.Count(), 2u) << boxes_.Describe();
}

INSTANTIATE_TEST_SUITE_P(Dialogs, AutoAssignTest,
                         ::testing::Values(AutoCase{"ByAddress", false},
                                           AutoCase{"BySerialNumber", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Auto Find Free IP, hidden, by a posted command: the first silent address upward from the
// subnet of the address and mask controls, with a temporary address at broadcast - 4 only
// outside the local subnets, deleted again.
TEST_F(SetDialogTest, AutoFindFreeIpByAPostedCommand) {
  PcAt(Host(10, 213, 0, 10), kMask24, kGateway);
  responder_.AddCamera(Camera());
  ip_.PlaceDevice(htonl(Host(10, 213, 0, 1)), kOtherMac);
  ip_.PlaceDevice(htonl(Host(10, 213, 0, 2)), kOtherMac);
  ip_.PlaceDevice(htonl(Host(10, 77, 0, 1)), kOtherMac);
  ModalScript script;
  OpenSetIp(script)
      .Then("find", [this] {
        Click(dlg_, IDC_AUTO_FIND_FREE);
        return true;
      })
      .Then("found", [this] {
        if (GetAddress(dlg_, IDC_SETIP_ADDRESS) != Host(10, 213, 0, 3)) return false;
        EXPECT_TRUE(ip_.AddedAddresses().empty()) << "the PC is in that subnet";
        SetAddress(dlg_, IDC_SETIP_ADDRESS, Host(10, 77, 0, 200));
        Click(dlg_, IDC_AUTO_FIND_FREE);
        return true;
      })
      .Then("found outside", [this] {
        if (GetAddress(dlg_, IDC_SETIP_ADDRESS) != Host(10, 77, 0, 2)) return false;
        const auto added = ip_.AddedAddresses();
        EXPECT_EQ(added.size(), 1u);
        for (const auto& a : added) EXPECT_EQ(a.address, htonl(Host(10, 77, 0, 251)));
        ExpectTemporariesGone();
        Click(dlg_, IDCANCEL);
        return true;
      });
  RunToClosed(script);
  EXPECT_EQ(boxes_.Count(), 0u) << boxes_.Describe();
  EXPECT_EQ(Requests(), 0u);
}

// Cancel during the watch: result 2, the temporaries deleted, the main dialog unchanged. An
// IDOK posted during the watch ends nothing.
TEST_F(SetDialogTest, CancelDuringTheWatchAndAPostedIdokChangeNothing) {
  PcAt(Host(192, 168, 7, 10), kMask24, Host(192, 168, 7, 1));
  responder_.AddCamera(Camera());
  main_->SetSetDialogTickPeriod(1000);  // the product's: the 5th tick is far away
  const uint32_t newAddress = Host(10, 213, 0, 77);
  ModalScript script;
  OpenSetIp(script).Then("new address", [&, this] {
    SetAddress(dlg_, IDC_SETIP_ADDRESS, newAddress);
    Click(dlg_, IDC_SAVE);
    return true;
  });
  Credentials(script)
      .Then("sent", [this] { return Requests() >= 1; })
      .Then("posted IDOK", [this] {
        EXPECT_EQ(ip_.AddedAddresses().size(), 1u);
        EXPECT_TRUE(ip_.DeletedContexts().empty()) << "held while the watch runs";
        PostMessageW(dlg_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
      })
      .Then("still open", [this] {
        if (!quietSince_) quietSince_ = GetTickCount() | 1;
        if (GetTickCount() - quietSince_ < 200) return false;
        EXPECT_TRUE(IsWindow(dlg_));
        EXPECT_TRUE(results_.empty());
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg_, IDC_SAVE)));
        Click(dlg_, IDCANCEL);
        return true;
      })
      .Then("closed", [this] { return !results_.empty(); })
      .Then("unchanged", [this] {
        EXPECT_EQ(ListCell(List(), 0, 1), "10.213.0.51:8001");
        const CameraNode* entry = main_->Cameras().Head();
        EXPECT_TRUE(entry && entry->address == kCameraAddress);
        return true;
      });
  Run(script);
  EXPECT_EQ(results_, std::vector<INT_PTR>({IDCANCEL}));
  ExpectTemporariesGone();
  EXPECT_EQ(ip_.DeletedContexts().size(), 1u) << "deleted once";
  EXPECT_EQ(boxes_.Count(), 0u) << boxes_.Describe();
}

// The entry ages out while the dialog runs (a rebooting camera is silent for long): the
// success finds no entry and changes no row; the camera, heard again, shows its new address.
TEST_F(SetDialogTest, EntryAgedOutDuringTheDialogThenSuccess) {
  PcAt(Host(10, 213, 0, 10), kMask24, kGateway);
  responder_.AddCamera(Camera());
  const uint32_t newAddress = Host(10, 213, 0, 77);
  ModalScript script;
  OpenSetIp(script)
      .Then("age out", [this] {
        now_ = kStartTime + 31;
        PostMessageW(Main(), WM_TIMER, kAgeingTimer, 0);
        return true;
      })
      .Then("aged", [this] { return ListRows(List()) == 0 && !main_->Cameras().Head(); })
      .Then("save", [&, this] {
        SetAddress(dlg_, IDC_SETIP_ADDRESS, newAddress);
        Click(dlg_, IDC_SAVE);
        return true;
      });
  Credentials(script)
      .Then("success", [this] { return !results_.empty(); })
      .Then("refresh", [this] {
        EXPECT_EQ(ListRows(List()), 0);
        Click(Main(), IDC_REFRESH);
        return true;
      })
      .Then("heard again", [this] {
        return ListRows(List()) == 1 && ListCell(List(), 0, 1) == "10.213.0.77:8001";
      });
  Run(script);
  EXPECT_EQ(results_, std::vector<INT_PTR>({IDOK}));
  EXPECT_EQ(HexBytes(boxes_.Last()), HexBytes(kSetBoxes.ipSuccess));
}

// A send that fails leaves the dialog idle with its temporaries deleted: no watch, so no
// success for a request that never went out.
TEST_F(SetDialogTest, FailedSendStartsNoWatch) {
  struct FailingSend : COrvexDlg {
    using COrvexDlg::COrvexDlg;
    int sends = 0;
    bool SendPacket(const uint8_t*, size_t) override {
      ++sends;
      return false;
    }
  };
  PcAt(Host(192, 168, 7, 10), kMask24, Host(192, 168, 7, 1));
  responder_.AddCamera(Camera());
  auto failing = std::make_unique<FailingSend>(ip_);
  FailingSend* dialog = failing.get();
  main_ = std::move(failing);
  Prepare(*main_);
  ModalScript script;
  OpenSetIp(script).Then("save", [this] {
    // The camera's own address would answer at once if it were watched.
    SetAddress(dlg_, IDC_SETIP_MASK, Host(255, 255, 0, 0));
    Click(dlg_, IDC_SAVE);
    return true;
  });
  Credentials(script)
      .Then("sent", [&] { return dialog->sends == 1; })
      .Then("idle", [this] {
        if (!quietSince_) quietSince_ = GetTickCount() | 1;
        if (GetTickCount() - quietSince_ < 20 * kTickMs) return false;
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg_, IDC_SAVE)));
        EXPECT_TRUE(ip_.Probes().empty()) << "no watch";
        EXPECT_TRUE(results_.empty());
        Click(dlg_, IDCANCEL);
        return true;
      });
  RunToClosed(script);
  EXPECT_EQ(results_, std::vector<INT_PTR>({IDCANCEL}));
  EXPECT_EQ(boxes_.Count(), 0u) << boxes_.Describe();
}

// A credentials dialog that cannot run (-1) sends nothing and keeps no temporary address.
TEST_F(SetDialogTest, CredentialsDialogThatCannotRunSendsNothing) {
  PcAt(Host(192, 168, 7, 10), kMask24, Host(192, 168, 7, 1));
  responder_.AddCamera(Camera());
  main_->SetCredentialsTemplate(999);  // no such template
  ModalScript script;
  OpenSetIp(script)
      .Then("save", [this] {
        SetAddress(dlg_, IDC_SETIP_ADDRESS, Host(10, 213, 0, 77));
        Click(dlg_, IDC_SAVE);
        return true;
      })
      .Then("asked", [this] { return ip_.Probes().size() == 1; })
      .Then("idle", [this] {
        if (!quietSince_) quietSince_ = GetTickCount() | 1;
        if (GetTickCount() - quietSince_ < 20 * kTickMs) return false;
        EXPECT_EQ(ip_.AddedAddresses().size(), 1u);
        ExpectTemporariesGone();
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg_, IDC_SAVE)));
        Click(dlg_, IDCANCEL);
        return true;
      });
  RunToClosed(script);
  EXPECT_EQ(Requests(), 0u);
  EXPECT_EQ(ip_.Probes().size(), 1u);
  EXPECT_EQ(results_, std::vector<INT_PTR>({IDCANCEL}));
}

// The dialog by address for a camera that never takes the address: its own failure text at
// the 61st tick; Connect IPCam of the serial-number dialog warns outside the local subnets
// and opens port 80 of the new address.
TEST_F(SetDialogTest, FailureOfTheDialogByAddressAndConnectOfTheOther) {
  PcAt(Host(10, 213, 0, 10), kMask24, kGateway);
  std::vector<std::string> lines;
  main_->SetProcessStarter([&](const std::string& line) {
    lines.push_back(line);
    return DWORD{0};
  });
  responder_.AddCamera(Camera(kOtherMac, Host(10, 213, 0, 99)));
  ModalScript script;
  OpenSetIp(script).Then("save", [this] {
    // The listed MAC is no simulated camera's any more: nothing takes the request.
    responder_.SetCamera(0, Camera(kCameraMac, Host(10, 213, 0, 98)));
    main_->SetBrowserPath("browser.exe");
    SetAddress(dlg_, IDC_SETIP_ADDRESS, Host(10, 213, 0, 78));
    Click(dlg_, IDC_SAVE);
    return true;
  });
  Credentials(script)
      .Then("failed", [this] { return boxes_.Count() >= 1; });
  Cancel(script).Then("closed", [this] { return !results_.empty(); });
  OpenByMac(script)
      .Then("connect", [this] {
        Click(dlg_, IDC_CONNECT_NEW);  // disabled, but a posted command runs
        return true;
      })
      .Then("opened", [&] { return !lines.empty(); });
  Cancel(script);
  RunToClosed(script, 2, 60000);
  const auto boxes = boxes_.Texts();
  ASSERT_EQ(boxes.size(), 2u) << boxes_.Describe();
  EXPECT_EQ(HexBytes(boxes[0]), HexBytes(kSetBoxes.ipFail));
  EXPECT_EQ(HexBytes(boxes[1]), HexBytes(kSetBoxes.macNotSameSubnet));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "browser.exe http://0.0.0.0:80");
}

// Success by serial number writes the new address into every row of that MAC at once (the
// mask and gateway wait for the camera's next reply); a double-click with nothing selected
// opens nothing, with a row selected the dialog by address.
TEST_F(SetDialogTest, BySerialNumberWritesBackAndDoubleClickOpensTheDialog) {
  PcAt(Host(10, 213, 0, 10), kMask24, kGateway);
  responder_.AddCamera(Camera());
  const uint32_t newAddress = Host(10, 213, 0, 78);
  ModalScript script;
  script.Then("row", [this] { return Main() && ListRows(List()) == 1; });
  OpenByMac(script).Then("fill", [&, this] {
    SetDlgItemTextA(dlg_, IDC_SERIAL_NUM, "001A2B3C4D01");
    SetAddress(dlg_, IDC_BYMAC_ADDRESS, newAddress);
    SetAddress(dlg_, IDC_BYMAC_MASK, Host(255, 255, 0, 0));
    SetAddress(dlg_, IDC_BYMAC_GATEWAY, Host(10, 213, 0, 2));
    Click(dlg_, IDC_SAVE);
    return true;
  });
  Credentials(script)
      .Then("success", [this] { return !results_.empty(); })
      .Then("written back", [&, this] {
        EXPECT_EQ(ListCell(List(), 0, 1), "10.213.0.78:8001");
        const CameraNode* entry = main_->Cameras().Head();
        EXPECT_TRUE(entry && entry->address == newAddress);
        EXPECT_TRUE(entry && entry->mask == kMask24 && entry->gateway == kGateway);
        // Nothing selected: a double-click does nothing at all.
        NMHDR header{List(), IDC_CAMERA_LIST, static_cast<UINT>(NM_DBLCLK)};
        SendMessageW(Main(), WM_NOTIFY, IDC_CAMERA_LIST, reinterpret_cast<LPARAM>(&header));
        EXPECT_EQ(SetIpDialog(), nullptr);
        EXPECT_EQ(boxes_.Count(), 1u) << boxes_.Describe();
        ListSelect(List(), 0);
        header_ = header;
        PostMessageW(Main(), WM_NOTIFY, IDC_CAMERA_LIST, reinterpret_cast<LPARAM>(&header_));
        return true;
      })
      .Then("opened by the double-click", [this] { return (dlg_ = SetIpDialog()) != nullptr; })
      .Then("values of the entry", [this] {
        EXPECT_EQ(GetAddress(dlg_, IDC_SETIP_ADDRESS), Host(10, 213, 0, 78));
        Click(dlg_, IDCANCEL);
        return true;
      });
  RunToClosed(script, 2);
  EXPECT_EQ(results_, std::vector<INT_PTR>({IDOK, IDCANCEL}));
  EXPECT_EQ(HexBytes(boxes_.Last()), HexBytes(kSetBoxes.macSuccess));
}

// Templates 129, 130 and 131 as each build's resources hold them.
struct TemplateItem {
  DWORD style;
  short x, y, cx, cy;
  DWORD id;
  std::wstring text;
};
struct Template {
  DWORD style;
  short cx, cy;
  WORD pointSize;
  std::wstring caption, font;
  std::vector<TemplateItem> items;
};

std::wstring ReadSzOrOrd(const WORD*& p) {
  if (*p == 0xFFFF) {
    p += 2;
    return {};
  }
  std::wstring text(reinterpret_cast<const wchar_t*>(p));
  p += text.size() + 1;
  return text;
}

Template ReadTemplate(UINT id) {
  Template t;
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
  if (!found) return t;
  const auto* p = static_cast<const WORD*>(LockResource(LoadResource(module, found)));
  if (p[1] != 0xFFFF) return t;  // DIALOGEX only
  const auto dword = [](const WORD* at) { return static_cast<DWORD>(at[0] | (at[1] << 16)); };
  t.style = dword(p + 6);
  const WORD count = p[8];
  t.cx = static_cast<short>(p[11]);
  t.cy = static_cast<short>(p[12]);
  p += 13;
  ReadSzOrOrd(p);  // menu
  ReadSzOrOrd(p);  // class
  t.caption = ReadSzOrOrd(p);
  if (t.style & DS_SETFONT) {
    t.pointSize = p[0];
    p += 3;
    t.font = ReadSzOrOrd(p);
  }
  for (WORD i = 0; i < count; ++i) {
    p = reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t{3});
    TemplateItem item;
    item.style = dword(p + 4);
    item.x = static_cast<short>(p[6]);
    item.y = static_cast<short>(p[7]);
    item.cx = static_cast<short>(p[8]);
    item.cy = static_cast<short>(p[9]);
    item.id = dword(p + 10);
    p += 12;
    ReadSzOrOrd(p);  // class
    item.text = ReadSzOrOrd(p);
    const WORD extra = *p++;
    p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
    t.items.push_back(item);
  }
  return t;
}

const TemplateItem* ItemWithText(const Template& t, const std::wstring& text) {
  for (const auto& item : t.items) {
    if (item.text == text) return &item;
  }
  return nullptr;
}

std::wstring W(const char* utf8) { return fw::Utf8ToWide(utf8); }

TEST(SetDialogTemplates, SizesFontsTextsAndTheCredentialsLayout) {
#ifdef TOOL_CHINESE_BUILD
  const bool chinese = true;
#else
  const bool chinese = false;
#endif
  const struct {
    UINT id;
    short cx, cy;
    const char* caption;
    std::vector<std::pair<int, const char*>> texts;  // id (-1: a label) and text
  } cases[] = {
      {IDD_SETIP, 178, 124, chinese ? "设定" : "Setting",
       chinese ? std::vector<std::pair<int, const char*>>{{-1, "IP设置"}, {-1, "IP地址:  "},
                                                          {-1, "子网掩码:  "}, {-1, "网关地址:  "},
                                                          {IDC_AUTO_ASSIGN, "智能设置"},
                                                          {IDC_SAVE, "设定IP地址"},
                                                          {IDCANCEL, "取消"},
                                                          {IDC_AUTO_FIND_FREE, "自动查找空闲IP"}}
               : std::vector<std::pair<int, const char*>>{{-1, "IP Setting"}, {-1, "IP Addr:  "},
                                                          {-1, "Subnet Mask:  "}, {-1, "GateWay:  "},
                                                          {IDC_AUTO_ASSIGN, "Auto-assigned"},
                                                          {IDC_SAVE, "Save"},
                                                          {IDCANCEL, "Cancel"},
                                                          {IDC_AUTO_FIND_FREE, "Auto Find Free IP"}}},
      {IDD_SETIP_BY_MAC, 202, 126, chinese ? "设定" : "Setting",
       chinese ? std::vector<std::pair<int, const char*>>{{-1, "请输入产品序号:"}, {-1, "IP地址:  "},
                                                          {-1, "子网掩码:  "}, {-1, "网关地址:  "},
                                                          {IDC_AUTO_ASSIGN, "智能设置"},
                                                          {IDC_SAVE, "设定IP地址"},
                                                          {IDC_CONNECT_NEW, "访问IPCam"}}
               : std::vector<std::pair<int, const char*>>{{-1, "Serial Num:"}, {-1, "IP Address :  "},
                                                          {-1, "Subnet Mask:  "}, {-1, "GateWay:  "},
                                                          {IDC_AUTO_ASSIGN, "Auto-assigned"},
                                                          {IDC_SAVE, "Set IP Addr"},
                                                          {IDC_CONNECT_NEW, "Connect IPCam"}}},
      {IDD_USER_PASS, static_cast<short>(chinese ? 186 : 257), static_cast<short>(chinese ? 71 : 70),
       chinese ? "IPCAM设置" : "Setrova Set",
       chinese ? std::vector<std::pair<int, const char*>>{{-1, "请输入管理员用户名："},
                                                          {-1, "请输入管理员密码："},
                                                          {IDOK, "确定"}, {IDCANCEL, "取消"}}
               : std::vector<std::pair<int, const char*>>{{-1, "Please Input Administrators User Name:"},
                                                          {-1, "Please Input Adminstrator Pass:"},
                                                          {IDOK, "OK"}, {IDCANCEL, "CANCEL"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const Template t = ReadTemplate(c.id);
    EXPECT_EQ(t.cx, c.cx);
    EXPECT_EQ(t.cy, c.cy);
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.font, L"MS Shell Dlg");
    EXPECT_EQ(t.caption, W(c.caption));
    for (DWORD style : {DWORD(WS_CAPTION), DWORD(WS_SYSMENU), DWORD(DS_MODALFRAME)}) {
      EXPECT_EQ(t.style & style, style);
    }
    for (const auto& [id, text] : c.texts) {
      const TemplateItem* item = ItemWithText(t, W(text));
      ASSERT_NE(item, nullptr) << text;
      if (id != -1) {
        EXPECT_EQ(item->id, static_cast<DWORD>(id)) << text;
      }
    }
  }
  // The credentials: the password edit, 19 characters of user name at most, and in the
  // Chinese build the labels right-aligned with their edits beside them.
  const Template cred = ReadTemplate(IDD_USER_PASS);
  const TemplateItem* edits[2] = {};
  for (const auto& item : cred.items) {
    if (item.id == IDC_USER_NAME) edits[0] = &item;
    if (item.id == IDC_PASSWORD) edits[1] = &item;
  }
  ASSERT_TRUE(edits[0] && edits[1]);
  EXPECT_EQ(edits[1]->style & ES_PASSWORD, DWORD(ES_PASSWORD));
  EXPECT_EQ(edits[0]->style & ES_PASSWORD, 0u);
  if (chinese) {
    for (int i = 0; i < 2; ++i) {
      const TemplateItem* label = &cred.items[static_cast<size_t>(i * 2)];
      EXPECT_EQ(label->style & SS_TYPEMASK, DWORD(SS_RIGHT));
      EXPECT_LE(label->x + label->cx, edits[i]->x) << "the edit beside its label";
      EXPECT_LT(edits[i]->y, label->y + label->cy);
      EXPECT_GT(edits[i]->y + edits[i]->cy, label->y);
    }
  }
  const Template setIp = ReadTemplate(IDD_SETIP);
  for (const auto& item : setIp.items) {
    if (item.id == IDC_SETIP_PROGRESS) {
      EXPECT_NE(item.style & WS_BORDER, 0u);
    }
    if (item.id == IDC_SAVE) {
      EXPECT_EQ(item.style & 0xF, DWORD(BS_DEFPUSHBUTTON));
    }
  }
}

}  // namespace
}  // namespace setuptool
