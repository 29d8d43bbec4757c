// CModifyDlg: name, user name and password of one camera (template 206). The control that
// opens it gives the window index; the dialog stores into that camera's record, rebinds its
// window and tells the host, all at once.
#pragma once

#include <string>

#include "framework/dialog.h"

namespace liveview {

class CTessalyCtrl;

class CModifyDlg : public fw::CDialog {
 public:
  // `owner` is the window the dialog is modal to (the host's top-level window).
  CModifyDlg(CTessalyCtrl* control, HWND owner, int windowIndex);

  // The control's window is going: the dialog ends with IDCANCEL and uses the control no more.
  void ControlGone();

 protected:
  void DoDataExchange(fw::DataExchange& dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

 private:
  // The record still holds the camera the dialog showed (the host may have replaced or
  // destroyed it meanwhile).
  bool ShowsSameCamera() const;
  // The edit's limit, or none when the edit still holds the text shown in it: a value the
  // host set longer than the edit allows is kept as it is.
  size_t LimitUnlessUnchanged(const fw::DataExchange& dx, int id, const std::string& shown,
                              size_t limit) const;
  void Refuse(UINT textId, bool ownCaption, int focusId);

  std::string address_;
  std::string name_;
  std::string password_;
  int port_ = 0;
  std::string user_;
  int windowNumber_ = 1;
  int windowIndex_;

  CTessalyCtrl* control_;
  // What OnInitDialog showed: the camera's identity and the texts as the host set them.
  std::string shownDomainName_;
  std::string shownAddress_;
  int shownPort_ = 0;
  std::string shownUser_;
  std::string shownPassword_;
};

}  // namespace liveview
