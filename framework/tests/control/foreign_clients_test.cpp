// Two clients nobody here wrote: Wine's cscript running a VBScript, and Wine's ATL
// container window.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/com_ptr.h"
#include "fwsample_h.h"
#include "sample_fixture.h"
#include "testing/container/atl_host.h"
#include "testing/container/child_process.h"
#include "testing/container/dispatch_call.h"
#include "testing/container/dll_export.h"
#include "testing/container/message_pump.h"
#include "testing/container/module_clients.h"
#include "testing/container/window_capture.h"

namespace {

using base::ComPtr;

class ForeignClients : public sample::RegisteredSample {};

TEST_F(ForeignClients, CscriptCreatesByProgIdAndReadsByReferenceResults) {
  // Errors in a WSH script end it with 0 and no output: only 42 means every check passed.
  const std::string script =
      "Dim o, r\r\n"
      "Set o = CreateObject(\"FWSAMPLE.SampleCtrl.1\")\r\n"
      "r = -1\r\n"
      "o.Add 2, 3, r\r\n"
      "If r <> 5 Then WScript.Quit 10\r\n"
      "o.Greet \"script\", r\r\n"
      "If r <> 13 Then WScript.Quit 11\r\n"
      "o.SetColor 1, 2, 300, r\r\n"
      "If r <> 0 Then WScript.Quit 12\r\n"
      "WScript.Quit 42\r\n";
  const auto code = test_container::RunCscript("fwsample_client.vbs", script);
  ASSERT_TRUE(code.has_value()) << "cscript did not finish";
  EXPECT_EQ(*code, 42u);
}

TEST_F(ForeignClients, VbscriptSeesTheTextOfAnExceptionInADualMember) {
  const std::string script =
      "Dim f\r\n"
      "Set f = CreateObject(\"FWSAMPLE.SampleForm.1\")\r\n"
      "On Error Resume Next\r\n"
      "f.ThrowError 0\r\n"
      "If Err.Number <> &H8000FFFF Then WScript.Quit 10\r\n"
      "If Err.Description <> \"the sample form fails here\" Then WScript.Quit 11\r\n"
      "If Err.Source <> \"FWSAMPLE.SampleForm.1\" Then WScript.Quit 12\r\n"
      "Err.Clear\r\n"
      "f.ThrowError 1\r\n"
      "If Err.Number <> &H8007000E Then WScript.Quit 13\r\n"
      "Err.Clear\r\n"
      "f.ThrowError 3\r\n"
      "If Err.Number <> &H80070005 Then WScript.Quit 15\r\n"
      "If Err.Description <> \"the record is read-only\" Then WScript.Quit 16\r\n"
      "Err.Clear\r\n"
      "f.Caption = \"still there\"\r\n"
      "If Err.Number <> 0 Or f.Caption <> \"still there\" Then WScript.Quit 14\r\n"
      "WScript.Quit 42\r\n";
  const auto code = test_container::RunCscript("fwsample_dual.vbs", script);
  ASSERT_TRUE(code.has_value()) << "cscript did not finish";
  EXPECT_EQ(*code, 42u);
}

TEST_F(ForeignClients, AtlContainerWindowHostsPaintsAndResizesTheControl) {
  test_container::AtlAxHost host;
  ASSERT_EQ(host.Create(sample::kProgId, RECT{40, 40, 540, 340}, 200, 100), S_OK)
      << "Wine's ATL did not host the control";
  const HWND axis = host.Container();
  const HWND own = host.ControlWindow();
  EXPECT_EQ(GetParent(own), axis);
  RECT r{};
  GetClientRect(own, &r);
  EXPECT_EQ(r.right, 200);
  EXPECT_EQ(r.bottom, 100);
  test_container::PumpFor(100);
  auto image = test_container::CaptureWindow(axis);
  ASSERT_TRUE(image.has_value());
  EXPECT_GT(image->ShareOf(sample::kDefaultColor, RECT{0, 0, 200, 100}), 0.99);

  MoveWindow(axis, 0, 0, 360, 180, TRUE);
  test_container::PumpFor(100);
  GetClientRect(own, &r);
  EXPECT_EQ(r.right, 360);
  EXPECT_EQ(r.bottom, 180);
  image = test_container::CaptureWindow(axis);
  ASSERT_TRUE(image.has_value());
  EXPECT_GT(image->ShareOf(sample::kDefaultColor, RECT{200, 100, 360, 180}), 0.99);

  // The host can call it as any other.
  test_container::CallArgs add;
  add.Long(1).Long(2).OutLong();
  EXPECT_EQ(test_container::CallByName(host.Control().As<IDispatch>().Get(), "Add", add).hr, S_OK);
  EXPECT_EQ(add.LongAt(2), 3);
}

}  // namespace
