// The sample control's members that run modal loops, fire events from a host call or own a
// child window: what hosts may release or deactivate the control inside.
#include <stdexcept>
#include <utility>

#include "framework/dialog.h"
#include "framework/message_box.h"
#include "framework/modal_loop.h"
#include "resource.h"
#include "sample_ctrl.h"
#include "sample_lifetime.h"

namespace {
constexpr DISPID kAnnounced = 3;
constexpr UINT kChildId = 100;
}  // namespace

CSampleCtrl::~CSampleCtrl() {
  if (busy_ > 0 || IsDispatching()) ++sample_lifetime::deletedTooEarly;
}

void CSampleCtrl::ThrowIfCreationMustFail() {
  if (std::exchange(sample_lifetime::failNextCreation, false)) {
    throw std::runtime_error("the sample refuses to be created");
  }
}

void CSampleCtrl::ShowBox(const std::wstring& text, long* lRetCode) {
  Busy busy(*this);
  *lRetCode = 0;
  fw::ModalScope scope(this);
  fw::ShowMessageBox(GetSafeHwnd(), text, L"Sample", MB_OKCANCEL);
  *lRetCode = scope.WindowAlive() ? 1 : 0;
}

void CSampleCtrl::RunDialog(long* lRetCode) {
  Busy busy(*this);
  *lRetCode = 0;
  fw::ModalScope scope(this);
  fw::CDialog about(IDD_ABOUT, GetSafeHwnd() ? GetSafeHwnd() : ContainerWindow());
  about.DoModal();
  *lRetCode = scope.WindowAlive() ? 1 : 0;
}

void CSampleCtrl::Announce(long* lRetCode) {
  Busy busy(*this);
  *lRetCode = 0;
  HWND window = GetSafeHwnd();
  FireEvent(kAnnounced);
  *lRetCode = window && GetSafeHwnd() == window ? 1 : 0;
}

void CSampleCtrl::ShowChild(long* lRetCode) {
  *lRetCode = 0;
  if (!GetSafeHwnd()) return;
  if (!child_) {
    const RECT client = ClientRect();
    auto child = fw::MakeWnd<CSampleChild>();
    const RECT r{client.right - 40, client.bottom - 30, client.right, client.bottom};
    if (!child->CreateChild(GetSafeHwnd(), kChildId, "", WS_VISIBLE, r)) return;
    child_ = std::move(child);
  }
  *lRetCode = static_cast<long>(reinterpret_cast<LONG_PTR>(child_->GetSafeHwnd()));
}

void CSampleCtrl::OnDestroy() {
  child_.reset();
  COleControl::OnDestroy();
}

void CSampleCtrl::FailDrawing(long fail, long* lRetCode) {
  failDrawing_ = fail != 0;
  *lRetCode = draws_;
}

void CSampleCtrl::DeletedTooEarly(long* lRetCode) { *lRetCode = sample_lifetime::deletedTooEarly; }

void CSampleCtrl::ModelessEnabled(long* lRetCode) { *lRetCode = IsModelessEnabled() ? 1 : 0; }

void CSampleCtrl::FailNextCreation(long* lRetCode) {
  sample_lifetime::failNextCreation = true;
  *lRetCode = 1;
}
