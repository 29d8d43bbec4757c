// CAboutDlg, the about box of the main dialog's system menu (template 100).
#pragma once

#include "framework/dialog.h"
#include "setuptool/resource_ids.h"

namespace setuptool {

class CAboutDlg : public fw::CDialog {
 public:
  explicit CAboutDlg(HWND parent = nullptr) : CDialog(IDD_ABOUTBOX, parent) {}
};

}  // namespace setuptool
