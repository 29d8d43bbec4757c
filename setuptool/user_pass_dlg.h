// CUserPassDlg (template 131): the camera's administrator credentials, asked before each
// set-address request. OK ends it with 1, CANCEL or Escape with 2.
#pragma once

#include <string>

#include "framework/dialog.h"
#include "setuptool/resource_ids.h"

namespace setuptool {

// The request's user-name field keeps a NUL after these.
constexpr size_t kMaxUserNameChars = 19;

class CUserPassDlg : public fw::CDialog {
 public:
  explicit CUserPassDlg(HWND parent = nullptr, UINT templateId = IDD_USER_PASS)
      : CDialog(templateId, parent) {}

  std::string userName;
  std::string password;

 protected:
  void DoDataExchange(fw::DataExchange& dx) override {
    dx.Text(IDC_USER_NAME, userName, kMaxUserNameChars);
    dx.Text(IDC_PASSWORD, password);
  }
};

}  // namespace setuptool
