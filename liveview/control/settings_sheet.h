// CSetDlg, the settings sheet (caption string 227), with its Position page (CAdjustPage:
// which camera shows in which window) and Other page (CMiscPage: auto connect, camera
// title, reconnect and its interval). Every change reaches the camera table, the running
// streams and the camera windows at once; Tessaly.ini only when the control is destroyed.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/property_sheet.h"

namespace liveview {

class CTessalyCtrl;

class CAdjustPage : public fw::CPropertyPage {
 public:
  struct RowEntry {
    int window = 0;  // 1 to 16
    std::string address;
    std::string nick;
    int port = 0;
  };

  explicit CAdjustPage(CTessalyCtrl* control);
  void ControlGone() { control_ = nullptr; }

 protected:
  void DoDataExchange(fw::DataExchange& dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnSetActive() override;
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

 private:
  void OnUp();
  void OnDown();
  void Move(bool up);
  void LoadRows();
  void FillList();
  void WriteRow(int row);
  void SetRowSelected(int row, bool selected);

  HWND list_ = nullptr;
  HIMAGELIST images_ = nullptr;  // the list's own: the list view destroys it
  std::vector<int> selection_;
  std::vector<RowEntry> rows_;
  CTessalyCtrl* control_;
  int modified_ = 0;
};

class CMiscPage : public fw::CPropertyPage {
 public:
  explicit CMiscPage(CTessalyCtrl* control);
  void ControlGone() { control_ = nullptr; }

 protected:
  void DoDataExchange(fw::DataExchange& dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnKillActive() override;
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

 private:
  void OnCheckClicked();
  void OnIntervalChange();
  LRESULT OnIntervalDelta(NMHDR* header);
  // Writes the interval edit alone; its EN_CHANGE is the page's own.
  void WriteInterval();

  int autoConnect_ = 1;
  int showTitle_ = 1;
  int reconnect_ = 1;
  int interval_ = 1;

  CTessalyCtrl* control_;
  bool writing_ = false;  // the page itself is writing to its controls
};

class CSetDlg : public fw::CPropertySheet {
 public:
  // `owner` is the window the sheet is modal to (the host's top-level window).
  CSetDlg(CTessalyCtrl* control, HWND owner);
  ~CSetDlg() override;

  // Start page 1 opens the Other page; any other value the Position page.
  void SetStartPage(int page) { startPage_ = page; }
  // Creates the pages and runs the sheet; IDOK, IDCANCEL, or -1 when it could not be shown.
  INT_PTR Run();
  // The control's window is going: the sheet is cancelled and its pages use the control
  // no more.
  void ControlGone();

 private:
  std::unique_ptr<CMiscPage> miscPage_;
  std::unique_ptr<CAdjustPage> adjustPage_;
  CTessalyCtrl* control_;
  int startPage_ = 2;
};

}  // namespace liveview
