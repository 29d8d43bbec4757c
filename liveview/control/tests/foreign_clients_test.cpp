// Two clients nobody here wrote: Wine's ATL container window, and cscript running a
// VBScript against a control that never gets a window.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/com_ptr.h"
#include "tessaly_fixture.h"
#include "testing/container/atl_host.h"
#include "testing/container/child_process.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/message_pump.h"
#include "testing/container/module_clients.h"

namespace {

class TessalyForeignClients : public tessaly_test::RegisteredTessaly {};

TEST_F(TessalyForeignClients, AtlContainerHostsTheControlAndItLaysOutFourWindows) {
  test_container::AtlAxHost host;
  ASSERT_EQ(host.Create(tessaly_test::kProgId, RECT{20, 20, 780, 620}, 642, 482), S_OK)
      << "Wine's ATL did not host the control";
  const HWND own = host.ControlWindow();
  EXPECT_EQ(GetParent(own), host.Container());

  test_container::CallArgs args;
  args.Long(2).OutLong();
  ASSERT_EQ(test_container::CallByName(host.Control().As<IDispatch>().Get(), "SetSplitterMethod",
                                       args)
                .hr,
            S_OK);
  EXPECT_EQ(args.LongAt(1), 1);
  int visible = 0;
  for (HWND w = GetWindow(own, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (!IsWindowVisible(w)) continue;
    ++visible;
    RECT r{};
    GetWindowRect(w, &r);
    EXPECT_EQ(r.right - r.left, 318) << GetDlgCtrlID(w);
    EXPECT_EQ(r.bottom - r.top, 238) << GetDlgCtrlID(w);
    EXPECT_LT(GetDlgCtrlID(w), 256 + 4);
  }
  EXPECT_EQ(visible, 4);
}

// Events do not reach WSH scripts under Wine; the members' results do.
TEST_F(TessalyForeignClients, CscriptCallsAControlThatNeverGetsAWindow) {
  // Errors in a WSH script end it with 0 and no output: only 42 means every check passed.
  const std::string script =
      "Dim o, r\r\n"
      "Set o = CreateObject(\"TESSALY.TessalyCtrl.1\")\r\n"
      "r = 7\r\n"
      "o.SetSplitterMethod 2, r\r\n"
      "If r <> 0 Then WScript.Quit 10\r\n"
      "r = 7\r\n"
      "o.SetDefaultWnd 3, r\r\n"
      "If r <> 0 Then WScript.Quit 11\r\n"
      "r = 7\r\n"
      "o.SetFontColor 1, 2, 3, r\r\n"
      "If r <> 0 Then WScript.Quit 12\r\n"
      "r = 7\r\n"
      "o.GetWndIndex \"127.0.0.1:80\", r\r\n"
      "If r <> -1 Then WScript.Quit 13\r\n"
      "r = 7\r\n"
      "o.SetCliInfo 0, \"127.0.0.1\", 80, \"admin\", \"admin\", \"Cam\", r\r\n"
      "If r <> 0 Then WScript.Quit 14\r\n"
      "r = 7\r\n"
      "o.LookPic \"127.0.0.1:80\", r\r\n"
      "If r <> 0 Then WScript.Quit 15\r\n"
      "r = 7\r\n"
      "o.GetTotalCameras r\r\n"
      "If r <> 0 Then WScript.Quit 16\r\n"
      "WScript.Quit 42\r\n";
  const auto code = test_container::RunCscript("tessaly_client.vbs", script);
  ASSERT_TRUE(code.has_value()) << "cscript did not finish";
  EXPECT_EQ(*code, 42u);
}

}  // namespace
