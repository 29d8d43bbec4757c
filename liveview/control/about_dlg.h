// The about dialog (template 1), centred on its parent.
#pragma once

#include "framework/dialog.h"

namespace liveview {

class CAboutDlg : public fw::CDialog {
 public:
  explicit CAboutDlg(HWND parent);

 protected:
  BOOL OnInitDialog() override;

 private:
  HWND parent_;  // the control's window: a popup's owner would be the container's frame
};

}  // namespace liveview
