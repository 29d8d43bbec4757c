#include "setuptool/orvex_app.h"

#include <commctrl.h>

#include "setuptool/orvex_dlg.h"
#include "setuptool/tool_texts.h"

namespace setuptool {

// 应用程序向导生成的本地应用程序
const wchar_t kRegistryKeyName[] =
    L"\u5E94\u7528\u7A0B\u5E8F\u5411\u5BFC\u751F\u6210\u7684\u672C\u5730\u5E94\u7528\u7A0B\u5E8F";

COrvexApp::COrvexApp()
    : CApplication(BuildLanguage(), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)) {}

bool COrvexApp::OnAppCommand(UINT id) {
  if (id != fw::kHelpCommand) return false;
  OnHelp();
  return true;
}

bool COrvexApp::InitInstance() {
  InitCommonControls();
  CApplication::InitInstance();
  // ActiveX controls in dialogs need OLE on the thread.
  EnableOle();
  SetRegistryKey(kRegistryKeyName);
  COrvexDlg dialog;
  RunMainDialog(dialog);
  return false;
}

int COrvexApp::ExitInstance() {
  CApplication::ExitInstance();
  return 0;  // the dialog's result is not the program's
}

}  // namespace setuptool
