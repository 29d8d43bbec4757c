// The real module, Lumidex.ocx, through the clients a user has: regsvr32 with the registry
// before, during and after; Wine's cscript running VBScript against the registered control;
// Wine's AtlAxWin painting it; its property page and about box on the display. The module
// runs with the system's IP Helper here, so nothing that probes ARP or opens a page is called.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "base/scoped_socket.h"
#include "common/discovery_messages.h"
#include "discovery/control/lumidex_classes.h"
#include "framework/class_registration.h"
#include "isolated_network.h"
#include "lumidex_h.h"
#include "simulator/discovery_responder.h"
#include "testing/container/atl_host.h"
#include "testing/container/child_process.h"
#include "testing/container/control_host.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/message_pump.h"
#include "testing/container/modal_script.h"
#include "testing/container/module_clients.h"
#include "testing/container/ole_environment.h"
#include "testing/container/registry_dump.h"
#include "testing/container/window_capture.h"

namespace {

constexpr char kProgId[] = "LUMIDEX.LumidexCtrl.1";
constexpr char kPageProgId[] = "LUMIDEX.LumidexPropPage.1";
constexpr char kPageText[] = "The Lumidex control has no properties to set.";
constexpr char kLogFile[] = "c:\\dizev.log";

const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new test_container::OleEnvironment);

using test_container::HasLine;
using test_container::HasLineStartingWith;

std::string ModulePath() { return test_container::PathBesideTests("..\\Lumidex.ocx"); }

std::string Key(REFGUID id) { return fw::GuidToString(id); }

std::optional<DWORD> Regsvr32(const std::string& options) {
  return test_container::Regsvr32(ModulePath(), options);
}

// Everything the module could have put into HKEY_CLASSES_ROOT, and any class anywhere whose
// server is the module's file.
std::vector<std::string> Traces() {
  return test_container::RegistrationTraces(
      {"CLSID\\" + Key(CLSID_Lumidex), "CLSID\\" + Key(discovery::kLumidexPageClsid), kProgId,
       kPageProgId, "TypeLib\\" + Key(LIBID_LUMIDEXLib), "Interface\\" + Key(DIID__DLumidex),
       "Interface\\" + Key(DIID__DLumidexEvents)},
      ModulePath());
}

TEST(LumidexModule, Regsvr32RegistersTheControlAndThePageAndUnregistersWithoutATrace) {
  Regsvr32("/u");
  const auto before = Traces();
  ASSERT_TRUE(before.empty()) << before.front();

  ASSERT_EQ(Regsvr32(""), std::optional<DWORD>(0));
  const auto during = Traces();
  const std::string path = ModulePath();
  const std::string control = "CLSID\\" + Key(CLSID_Lumidex);
  const std::string page = "CLSID\\" + Key(discovery::kLumidexPageClsid);
  for (const std::string& line : {
           control + ": @ = Lumidex Control",
           control + "\\InprocServer32: @ = " + path,
           control + "\\InprocServer32: ThreadingModel = Apartment",
           control + "\\ProgID: @ = LUMIDEX.LumidexCtrl.1",
           control + "\\Control",
           control + "\\MiscStatus: @ = 131473",
           control + "\\MiscStatus\\1: @ = 131473",
           control + "\\ToolboxBitmap32: @ = " + path + ", 1",
           control + "\\TypeLib: @ = " + Key(LIBID_LUMIDEXLib),
           control + "\\Version: @ = 1.0",
           std::string("LUMIDEX.LumidexCtrl.1: @ = Lumidex Control"),
           "LUMIDEX.LumidexCtrl.1\\CLSID: @ = " + Key(CLSID_Lumidex),
           page + ": @ = Lumidex Property Page",
           page + "\\InprocServer32: @ = " + path,
           page + "\\ProgID: @ = LUMIDEX.LumidexPropPage.1",
           std::string("LUMIDEX.LumidexPropPage.1: @ = Lumidex Property Page"),
           "LUMIDEX.LumidexPropPage.1\\CLSID: @ = " + Key(discovery::kLumidexPageClsid),
           "TypeLib\\" + Key(LIBID_LUMIDEXLib) + "\\1.0",
       }) {
    EXPECT_TRUE(HasLine(during, line)) << line;
  }
  EXPECT_FALSE(HasLineStartingWith(during, control + "\\Insertable"));
  EXPECT_FALSE(HasLineStartingWith(during, "LUMIDEX.LumidexCtrl.1\\Insertable"));
  EXPECT_TRUE(HasLineStartingWith(during, "Interface\\" + Key(DIID__DLumidex)));
  EXPECT_TRUE(HasLineStartingWith(during, "Interface\\" + Key(DIID__DLumidexEvents)));

  ASSERT_EQ(Regsvr32("/u"), std::optional<DWORD>(0));
  const auto after = Traces();
  for (const std::string& line : after) ADD_FAILURE() << "left behind: " << line;
}

TEST(LumidexModule, VersionResourceAndExportsAreThoseOfAControlModule) {
  const std::string path = ModulePath();
  EXPECT_EQ(test_container::VersionText(path, "OLESelfRegister"), "");
  EXPECT_EQ(test_container::VersionText(path, "FileVersion"), "2, 0, 0, 0");
  EXPECT_EQ(test_container::VersionText(path, "FileDescription"), "Lumidex ActiveX Control Module");
  EXPECT_EQ(test_container::ExportedFunctionCount(path), 4u);
  EXPECT_EQ(test_container::ExportedNames(path),
            (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                      "DllUnregisterServer"}));
}

// Suites that use the registered module.
class RegisteredLumidex : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { registered_ = Regsvr32("") == std::optional<DWORD>(0); }
  static void TearDownTestSuite() {
    if (registered_) Regsvr32("/u");
    CoFreeUnusedLibrariesEx(0, 0);
  }
  void SetUp() override { ASSERT_TRUE(registered_) << "the module did not register"; }

  static inline bool registered_ = false;
};

// Only 42 means every check passed.
std::optional<DWORD> RunScript(const char* name, const std::string& script) {
  return test_container::RunCscript(name, script);
}

class LumidexScripts : public RegisteredLumidex {
 protected:
  void SetUp() override {
    RegisteredLumidex::SetUp();
    ASSERT_TRUE(testing_support::InIsolatedNetwork());
    ASSERT_TRUE(responder_.Start()) << "UDP 13000 is taken";
    DeleteFileA(kLogFile);
  }
  camsim::DiscoveryResponder responder_;
};

TEST_F(LumidexScripts, CscriptFindsTestsAndStops) {
  // 10.213.0.0 is 54538 in network byte order; 255.255.255.0 is 16777215, 255.255.0.0 65535.
  const std::string script =
      "Dim o, r, b\r\n"
      "Set o = CreateObject(\"LUMIDEX.LumidexCtrl.1\")\r\n"
      "r = -1\r\n"
      "o.Init r\r\n"
      "If r <> 1 Then WScript.Quit 10\r\n"
      "o.IsLocalIP 54538, 16777215, r\r\n"
      "If r <> 1 Then WScript.Quit 11\r\n"
      "o.IsLocalIP 54538, 65535, r\r\n"
      "If r <> 0 Then WScript.Quit 12\r\n"
      "o.IsValidMacAddr \"001A2bcdef10\", r\r\n"
      "If r <> 1 Then WScript.Quit 13\r\n"
      // A script's variable is no buffer address: VBScript's "Type mismatch" (13).
      "On Error Resume Next\r\n"
      "b = 0\r\n"
      "o.IP2String 1, b\r\n"
      "If Err.Number <> 13 Then WScript.Quit 14\r\n"
      "Err.Clear\r\n"
      "On Error Goto 0\r\n"
      "o.Uninit r\r\n"
      "If r <> 1 Then WScript.Quit 15\r\n"
      "WScript.Quit 42\r\n";
  EXPECT_EQ(RunScript("lumidex_find.vbs", script), std::optional<DWORD>(42));
  EXPECT_GE(responder_.Snapshot().Count(camsim::ReceivedDatagram::Kind::Search), 1u)
      << "the simulator saw no search";
  EXPECT_EQ(GetFileAttributesA(kLogFile), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LumidexScripts, CscriptInitAnswersZeroWhileThePortIsTakenAndLogsNothing) {
  base::ScopedSocket holder(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(common::kReplyListenPort);
  ASSERT_EQ(bind(holder.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);
  const std::string script =
      "Dim o, r\r\n"
      "Set o = CreateObject(\"LUMIDEX.LumidexCtrl.1\")\r\n"
      "r = -1\r\n"
      "o.Init r\r\n"
      "If r <> 0 Then WScript.Quit 10\r\n"
      "o.Uninit r\r\n"
      "If r <> 1 Then WScript.Quit 11\r\n"
      "WScript.Quit 42\r\n";
  EXPECT_EQ(RunScript("lumidex_taken.vbs", script), std::optional<DWORD>(42));
  EXPECT_EQ(GetFileAttributesA(kLogFile), INVALID_FILE_ATTRIBUTES)
      << "the finder's failure reached the log";
}

class LumidexOnTheDisplay : public RegisteredLumidex {};

TEST_F(LumidexOnTheDisplay, AtlContainerWindowPaintsTheControl) {
  test_container::AtlAxHost host;
  ASSERT_EQ(host.Create(kProgId, RECT{40, 40, 440, 340}, 200, 100), S_OK)
      << "Wine's ATL did not host the control";
  test_container::PumpFor(100);
  auto image = test_container::CaptureWindow(host.Container());
  ASSERT_TRUE(image.has_value());
  const COLORREF white = RGB(255, 255, 255);
  const COLORREF black = RGB(0, 0, 0);
  EXPECT_EQ(image->At(4, 4), white) << "corner";
  EXPECT_EQ(image->At(100, 50), white) << "centre";
  EXPECT_EQ(image->At(0, 50), black) << "left end of the ellipse";
  EXPECT_EQ(image->At(100, 0), black) << "top of the ellipse";
  EXPECT_EQ(image->At(199, 50), black) << "right end";
  EXPECT_GT(image->ShareOf(white, RECT{0, 0, 200, 100}), 0.9);
  EXPECT_GT(image->ShareOf(black, RECT{0, 0, 200, 100}), 0.01);
}

TEST_F(LumidexOnTheDisplay, PropertyPageAndAboutBoxOpenAndClose) {
  test_container::ControlHost host;
  ASSERT_EQ(host.Create(kProgId, 120, 90), S_OK);
  bool pageShown = false;
  {
    test_container::ModalScript script;
    script.Then("the page in the property frame", [&] {
      HWND frame = test_container::FindThreadDialog();
      if (!frame ||
          test_container::DialogStaticTexts(frame).find(kPageText) == std::string::npos)
        return false;
      pageShown = true;
      return PostMessageA(frame, WM_COMMAND, IDCANCEL, 0) != FALSE;
    });
    script.Start();
    EXPECT_EQ(host.Activate(OLEIVERB_PROPERTIES), S_OK);
    EXPECT_TRUE(script.Finished());
  }
  EXPECT_TRUE(pageShown);
  EXPECT_EQ(test_container::FindThreadDialog(), nullptr);

  bool aboutShown = false;
  {
    test_container::ModalScript script;
    script.Then("the about box", [&] {
      HWND about = test_container::FindThreadDialog("About Lumidex Control");
      if (!about) return false;
      aboutShown = true;
      return PostMessageA(about, WM_COMMAND, IDOK, 0) != FALSE;
    });
    script.Start();
    test_container::CallArgs none;
    EXPECT_EQ(test_container::CallByName(host.Dispatch().Get(), "AboutBox", none).hr, S_OK);
    EXPECT_TRUE(script.Finished());
  }
  EXPECT_TRUE(aboutShown);
  EXPECT_EQ(test_container::FindThreadDialog(), nullptr);
  host.Close();
}

}  // namespace
