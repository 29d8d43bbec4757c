// The about dialog (template 1), centred on its parent.
#pragma once

#include "framework/dialog.h"

namespace liveview {

class CAboutDlg : public fw::CDialog {
 public:
  explicit CAboutDlg(HWND parent);

 protected:
  BOOL OnInitDialog() override;
};

}  // namespace liveview
