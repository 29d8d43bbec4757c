#include "liveview/control/settings_sheet.h"

#include <commctrl.h>

#include <cstdio>
#include <utility>

#include "base/scoped_lock.h"
#include "framework/message_box.h"
#include "framework/message_table.h"
#include "framework/module.h"
#include "framework/resources.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/control/settings_resource.h"
#include "liveview/control/tessaly_ctrl.h"
#include "liveview/notify/control_messages.h"
#include "liveview/resources/tessaly_resource.h"
#include "liveview/stream/thread_manager.h"

namespace liveview {
namespace {

constexpr int kRows = CCameraTable::kCameraCount;
constexpr int kMinInterval = 1;
constexpr int kMaxInterval = 100;
// The up-down's own position means nothing (the page writes the interval); it is kept in
// the middle of its range so the arrows never stop at a limit.
constexpr int kSpinRest = 50;

constexpr UINT kColumnTitles[] = {IDS_COL_WINDOW, IDS_COL_CAMERA, IDS_COL_NAME};
constexpr int kColumnWidths[] = {65, 100, 70};

CCameraTable& Table() { return *CCameraTable::Instance(); }
CThreadManager& Streams() { return *CThreadManager::Instance(); }

void SetCellText(HWND list, int row, int column, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

// ---- the Position page --------------------------------------------------------------------

CAdjustPage::CAdjustPage(CTessalyCtrl* control)
    : CPropertyPage(IDD_ADJUST_PAGE), control_(control) {}

void CAdjustPage::DoDataExchange(fw::DataExchange& dx) { dx.Control(IDC_ADJUST_LIST, &list_); }

BOOL CAdjustPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  modified_ = 0;
  images_ = ImageList_Create(16, 16, ILC_COLOR24, 1, 1);
  if (images_) {
    HICON icon = static_cast<HICON>(LoadImageW(fw::Module::Get().ResourceInstance(),
                                               MAKEINTRESOURCEW(IDI_CAMERA_ROW), IMAGE_ICON, 16,
                                               16, 0));
    ImageList_SetBkColor(images_, RGB(255, 255, 255));
    if (icon) {
      ImageList_AddIcon(images_, icon);
      DestroyIcon(icon);
    }
    ListView_SetImageList(list_, images_, LVSIL_SMALL);
  }
  ListView_SetExtendedListViewStyle(list_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  for (int c = 0; c < 3; ++c) {
    const std::wstring title = fw::LoadResStringW(kColumnTitles[c]);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = kColumnWidths[c];
    column.pszText = const_cast<wchar_t*>(title.c_str());
    column.iSubItem = c;
    SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c),
                 reinterpret_cast<LPARAM>(&column));
  }
  return TRUE;
}

void CAdjustPage::LoadRows() {
  rows_.assign(kRows, RowEntry{});
  const CCameraTable& table = Table();
  for (int i = 0; i < kRows; ++i) {
    rows_[i] = RowEntry{i + 1, table.GetAddress(i), table.GetNick(i), table.GetPort(i)};
  }
}

void CAdjustPage::WriteRow(int row) {
  SetCellText(list_, row, 1, rows_[row].address);
  SetCellText(list_, row, 2, rows_[row].nick);
}

void CAdjustPage::FillList() {
  ListView_DeleteAllItems(list_);
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
    char number[8];
    std::snprintf(number, sizeof number, "%.2d", i + 1);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = i;
    item.pszText = number;
    item.iImage = 0;
    SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    WriteRow(i);
  }
}

void CAdjustPage::SetRowSelected(int row, bool selected) {
  ListView_SetItemState(list_, row, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

BOOL CAdjustPage::OnSetActive() {
  LoadRows();
  FillList();
  if (control_) {
    const int selected = control_->GetSelectedIndex();
    if (selected >= 0 && selected < kRows) {
      SetFocus(list_);
      SetRowSelected(selected, true);
    }
  }
  return CPropertyPage::OnSetActive();
}

bool CAdjustPage::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  static constexpr fw::MessageEntry<CAdjustPage> kMessages[] = {
      fw::OnCommand<&CAdjustPage::OnUp>(IDC_ADJUST_UP),
      fw::OnCommand<&CAdjustPage::OnDown>(IDC_ADJUST_DOWN),
  };
  if (fw::RouteMessage(*this, kMessages, msg, w, l, result)) return true;
  if (msg == WM_CLOSE) OnOK();
  return CPropertyPage::OnWndMsg(msg, w, l, result);
}

void CAdjustPage::OnUp() { Move(true); }
void CAdjustPage::OnDown() { Move(false); }

void CAdjustPage::Move(bool up) {
  selection_.clear();
  for (int i = -1; (i = ListView_GetNextItem(list_, i, LVNI_SELECTED)) >= 0;) {
    selection_.push_back(i);
  }
  if (selection_.size() != 1) {
    const std::wstring caption = fw::LoadResStringW(IDS_ERROR);
    fw::ShowMessageBox(GetSafeHwnd(), fw::LoadResStringW(IDS_SELECT_ONE_CAMERA),
                       caption.c_str(), MB_OK);
    return;
  }
  const int r = selection_[0];
  if (up ? r == 0 : r >= kRows - 1) return;
  if (!control_ || !control_->GetSafeHwnd()) return;
  const int t = up ? r - 1 : r + 1;
  if (control_->IsFullWindow()) {
    long unused = 0;
    control_->SetSplitterMethod(control_->GetGridSize(), &unused);
    control_->SetSelectedIndex(-1);
  }
  // Records, windows and both streams, with the cells' show and hide.
  control_->ExchangeCameras(r, t);
  const HWND window = control_->GetSafeHwnd();
  // Marked as no click: t may be the selected window, and a plain select of it would move
  // the real camera.
  PostMessageA(window, WM_WATCH_SELECT, static_cast<WPARAM>(t) | kSelectSentFlag, 1);
  PostMessageA(window, WM_WND_SWAPPED, static_cast<WPARAM>(r), static_cast<LPARAM>(t));
  std::swap(rows_[r].address, rows_[t].address);
  std::swap(rows_[r].nick, rows_[t].nick);
  std::swap(rows_[r].port, rows_[t].port);
  WriteRow(r);
  WriteRow(t);
  SetRowSelected(t, true);
  SetRowSelected(r, false);
  modified_ = 1;
  SetModified(true);
}

void CAdjustPage::OnOK() {
  // The moves are in the table already; only the streams' windows are made sure of.
  if (modified_ && control_ && control_->GetSafeHwnd()) {
    for (int i = 0; i < kRows; ++i) {
      const std::string text = Table().CameraText(i);
      if (!text.empty()) control_->RebindStream(text, i);
    }
    LoadRows();
    FillList();
    control_->RepaintAllWindows();
  }
  modified_ = 0;
  CPropertyPage::OnOK();
}

// ---- the Other page -----------------------------------------------------------------------

CMiscPage::CMiscPage(CTessalyCtrl* control) : CPropertyPage(IDD_MISC_PAGE), control_(control) {}

void CMiscPage::DoDataExchange(fw::DataExchange& dx) {
  const bool was = writing_;
  if (!dx.Saving()) writing_ = true;
  dx.Check(IDC_MISC_AUTO_CONNECT, autoConnect_);
  dx.Check(IDC_MISC_SHOW_TITLE, showTitle_);
  dx.Check(IDC_MISC_RECONNECT, reconnect_);
  dx.Int(IDC_MISC_INTERVAL, interval_);
  dx.MinMax(interval_, kMinInterval, kMaxInterval);
  writing_ = was;
}

BOOL CMiscPage::OnInitDialog() {
  const CameraSettings& settings = Table().Settings();
  autoConnect_ = settings.autoInvite;
  showTitle_ = settings.showSubtitle;
  reconnect_ = settings.reconnect;
  interval_ = settings.interval < kMinInterval   ? kMinInterval
              : settings.interval > kMaxInterval ? kMaxInterval
                                                 : settings.interval;
  CPropertyPage::OnInitDialog();
  SendMessageW(Item(IDC_MISC_INTERVAL_SPIN), UDM_SETPOS32, 0, kSpinRest);
  return TRUE;
}

bool CMiscPage::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  static constexpr fw::MessageEntry<CMiscPage> kMessages[] = {
      fw::OnCommand<&CMiscPage::OnCheckClicked>(IDC_MISC_AUTO_CONNECT),
      fw::OnCommand<&CMiscPage::OnCheckClicked>(IDC_MISC_SHOW_TITLE),
      fw::OnCommand<&CMiscPage::OnCheckClicked>(IDC_MISC_RECONNECT),
      fw::OnControl<&CMiscPage::OnIntervalChange>(EN_CHANGE, IDC_MISC_INTERVAL),
      fw::OnNotify<&CMiscPage::OnIntervalDelta>(UDN_DELTAPOS, IDC_MISC_INTERVAL_SPIN),
  };
  return fw::RouteMessage(*this, kMessages, msg, w, l, result) ||
         CPropertyPage::OnWndMsg(msg, w, l, result);
}

void CMiscPage::OnCheckClicked() { SetModified(true); }

void CMiscPage::WriteInterval() {
  const bool was = writing_;
  writing_ = true;
  SetDlgItemInt(GetSafeHwnd(), IDC_MISC_INTERVAL, static_cast<UINT>(interval_), FALSE);
  writing_ = was;
}

void CMiscPage::OnIntervalChange() {
  if (writing_) return;
  const int remembered = interval_;
  UpdateData(true);
  if (!GetSafeHwnd()) return;  // the range box let the host run
  if (interval_ < kMinInterval || interval_ > kMaxInterval) {
    interval_ = remembered;
    WriteInterval();
  }
  SetModified(true);
}

LRESULT CMiscPage::OnIntervalDelta(NMHDR* header) {
  const auto* change = reinterpret_cast<const NMUPDOWN*>(header);
  if (change->iDelta == 0) return 0;
  if (change->iDelta < 0) {
    interval_ = interval_ >= kMaxInterval ? kMinInterval : interval_ + 1;
  } else {
    interval_ = interval_ <= kMinInterval ? kMaxInterval : interval_ - 1;
  }
  WriteInterval();
  SetModified(true);
  SendMessageW(header->hwndFrom, UDM_SETPOS32, 0, kSpinRest);
  return 0;
}

BOOL CMiscPage::OnKillActive() { return TRUE; }

void CMiscPage::OnOK() {
  const bool valid = UpdateData(true);
  if (control_ && control_->GetSafeHwnd()) {
    CameraSettings& settings = Table().Settings();
    settings.autoInvite = autoConnect_;
    settings.showSubtitle = showTitle_;
    settings.reconnect = reconnect_;
    if (valid) settings.interval = interval_;
    for (int i = 0; i < kRows; ++i) {
      if (CWatchWnd* window = control_->WindowAt(i)) window->SetShowTitle(settings.showSubtitle);
      StreamSlot* slot = Streams().SlotByWindow(i);
      if (!slot) continue;
      base::CScopedLock hold(slot->lock);
      // The slot may have ended or moved between the lookup and the lock.
      if (slot->host.empty() || slot->windowIndex != i) continue;
      slot->reconnect = settings.reconnect;
      slot->reconnectInterval = settings.interval;
    }
  }
  CPropertyPage::OnOK();
}

// ---- the sheet ----------------------------------------------------------------------------

CSetDlg::CSetDlg(CTessalyCtrl* control, HWND owner)
    : CPropertySheet(fw::LoadResString(IDS_SHEET_CAPTION), owner), control_(control) {}

CSetDlg::~CSetDlg() {
  adjustPage_.reset();
  miscPage_.reset();
}

INT_PTR CSetDlg::Run() {
  miscPage_ = std::make_unique<CMiscPage>(control_);
  adjustPage_ = std::make_unique<CAdjustPage>(control_);
  AddPage(adjustPage_.get());
  AddPage(miscPage_.get());
  SetActivePage(startPage_ == 1 ? 1 : 0);
  return DoModal();
}

void CSetDlg::ControlGone() {
  control_ = nullptr;
  if (adjustPage_) adjustPage_->ControlGone();
  if (miscPage_) miscPage_->ControlGone();
  if (HWND sheet = GetSafeHwnd()) SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

}  // namespace liveview
