#include "liveview/control/modify_dlg.h"

#include "framework/message_box.h"
#include "framework/resources.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/cameras/camera_text.h"
#include "liveview/cameras/name_checks.h"
#include "liveview/control/settings_resource.h"
#include "liveview/control/tessaly_ctrl.h"
#include "liveview/notify/control_messages.h"
#include "liveview/resources/tessaly_resource.h"
#include "liveview/stream/thread_manager.h"

namespace liveview {
namespace {

constexpr size_t kAddressChars = 120;
constexpr size_t kNameChars = 28;
constexpr size_t kPasswordChars = 8;
constexpr size_t kUserChars = 28;

CCameraTable& Table() { return *CCameraTable::Instance(); }

bool IsActiveState(int state) {
  return state == kCamStateRequestSent || state == kCamStateFrame ||
         state == kCamStateConnecting;
}

std::string EditText(HWND edit) {
  const int n = GetWindowTextLengthA(edit);
  std::string text(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
  const int got = GetWindowTextA(edit, text.data(), n + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

}  // namespace

CModifyDlg::CModifyDlg(CTessalyCtrl* control, HWND owner, int windowIndex)
    : CDialog(IDD_MODIFY, owner), windowIndex_(windowIndex), control_(control) {}

void CModifyDlg::ControlGone() {
  control_ = nullptr;
  EndDialog(IDCANCEL);
}

size_t CModifyDlg::LimitUnlessUnchanged(const fw::DataExchange& dx, int id,
                                        const std::string& shown, size_t limit) const {
  if (!dx.Saving() || shown.size() <= limit) return limit;
  return EditText(Item(id)) == shown ? 0 : limit;
}

void CModifyDlg::DoDataExchange(fw::DataExchange& dx) {
  dx.Text(IDC_MODIFY_ADDRESS, address_, kAddressChars);
  dx.Text(IDC_MODIFY_NAME, name_, kNameChars);
  dx.Text(IDC_MODIFY_PASSWORD, password_,
          LimitUnlessUnchanged(dx, IDC_MODIFY_PASSWORD, shownPassword_, kPasswordChars));
  dx.Int(IDC_MODIFY_PORT, port_);
  dx.MinMax(port_, 0, 65535);
  dx.Text(IDC_MODIFY_USER, user_,
          LimitUnlessUnchanged(dx, IDC_MODIFY_USER, shownUser_, kUserChars));
  dx.Int(IDC_MODIFY_WINDOW, windowNumber_);
  dx.MinMax(windowNumber_, 1, 16);
}

BOOL CModifyDlg::OnInitDialog() {
  const int w = windowIndex_;
  const CCameraTable& table = Table();
  address_ = table.GetDomainName(w);
  name_ = table.GetNick(w);
  user_ = table.GetUser(w);
  password_ = table.GetPassword(w);
  port_ = table.GetPort(w);
  windowNumber_ = w + 1;
  shownDomainName_ = address_;
  shownAddress_ = table.GetAddress(w);
  shownPort_ = port_;
  shownUser_ = user_;
  shownPassword_ = password_;
  CDialog::OnInitDialog();

  if (IsActiveState(table.GetState(w))) EnableWindow(Item(IDOK), FALSE);
  EnableWindow(Item(IDC_MODIFY_ADDRESS), FALSE);
  EnableWindow(Item(IDC_MODIFY_PORT), FALSE);
  const BOOL editable = CThreadManager::Instance()->SlotByWindow(w) == nullptr;
  for (int id : {IDC_MODIFY_NAME, IDC_MODIFY_USER, IDC_MODIFY_PASSWORD}) {
    EnableWindow(Item(id), editable);
  }
  SetFocus(Item(IDCANCEL));
  return FALSE;  // the focus is set
}

bool CModifyDlg::ShowsSameCamera() const {
  const CCameraTable& table = Table();
  const CameraRecord* record = table.RecordAt(windowIndex_);
  return record && record->InUse() && table.GetDomainName(windowIndex_) == shownDomainName_ &&
         table.GetAddress(windowIndex_) == shownAddress_ &&
         table.GetPort(windowIndex_) == shownPort_;
}

void CModifyDlg::Refuse(UINT textId, bool ownCaption, int focusId) {
  const std::wstring caption = ownCaption ? fw::LoadResStringW(IDS_ERROR) : std::wstring();
  fw::ShowMessageBox(GetSafeHwnd(), fw::LoadResStringW(textId),
                     ownCaption ? caption.c_str() : nullptr, MB_OK);
  // The box let the host run: the dialog may have been ended meanwhile.
  if (GetSafeHwnd()) SetFocus(Item(focusId));
}

void CModifyDlg::OnOK() {
  if (EditText(Item(IDC_MODIFY_PORT)).empty()) {
    Refuse(IDS_INPUT_PORT, true, IDC_MODIFY_PORT);
    return;
  }
  // A failed field leaves those after it unread: nothing may be stored from them.
  if (!UpdateData(true)) return;
  address_ = TrimWhiteSpace(address_);
  user_ = TrimWhiteSpace(user_);
  name_ = TrimWhiteSpace(name_);
  if (name_.empty()) {
    Refuse(IDS_INPUT_NAME, true, IDC_MODIFY_NAME);
    return;
  }
  if (HasInvalidChar(name_, InvalidNameChars)) {
    Refuse(IDS_NAME_INVALID_CHAR, false, IDC_MODIFY_NAME);
    return;
  }
  if (!user_.empty() && HasInvalidChar(user_, InvalidNameChars)) {
    Refuse(IDS_USER_INVALID_CHAR, false, IDC_MODIFY_USER);
    return;
  }
  if (!control_ || !ShowsSameCamera()) {
    EndDialog(IDCANCEL);
    return;
  }
  const int w = windowIndex_;
  Table().SetUser(w, user_);
  Table().SetPassword(w, password_);
  Table().SetNick(w, name_);
  control_->BindWindow(control_->WindowAt(w), w);
  // The event lets the host run; it may release the control, which ends this dialog.
  if (!control_->NotifyCameraModified(w) || !control_ || !GetSafeHwnd()) return;
  CDialog::OnOK();
}

void CModifyDlg::OnCancel() { EndDialog(IDCANCEL); }

}  // namespace liveview
