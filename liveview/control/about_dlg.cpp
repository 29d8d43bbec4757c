#include "liveview/control/about_dlg.h"

#include "liveview/control/tessaly_module_resource.h"

namespace liveview {

CAboutDlg::CAboutDlg(HWND parent) : CDialog(IDD_ABOUTBOX_TESSALY, parent), parent_(parent) {}

BOOL CAboutDlg::OnInitDialog() {
  const BOOL result = CDialog::OnInitDialog();
  const HWND self = GetSafeHwnd();
  RECT outer{};
  if (parent_ && IsWindowVisible(parent_)) {
    GetWindowRect(parent_, &outer);
  } else {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &outer, 0);
  }
  RECT own{};
  GetWindowRect(self, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  const int x = outer.left + (outer.right - outer.left - width) / 2;
  const int y = outer.top + (outer.bottom - outer.top - height) / 2;
  SetWindowPos(self, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return result;
}

}  // namespace liveview
