#include "sample_ctrl.h"

#include <cstring>
#include <stdexcept>

#include "base/scoped_gdi.h"
#include "framework/dialog.h"
#include "framework/exception_guard.h"
#include "framework/message_table.h"
#include "framework/resources.h"
#include "resource.h"
#include "sample_classes.h"

namespace {
constexpr DISPID kGreeted = 1;
constexpr DISPID kClicked = 2;
}  // namespace

CSampleCtrl::CSampleCtrl() : COleControl(kSampleClass) { ThrowIfCreationMustFail(); }

fw::ControlDispatchTable CSampleCtrl::GetDispatchTable() {
  static constexpr fw::ControlDispatchEntry kTable[] = {
      fw::ControlMethod<&CSampleCtrl::Add>(1, "Add"),
      fw::ControlMethod<&CSampleCtrl::Greet>(2, "Greet"),
      fw::ControlMethod<&CSampleCtrl::ReadName>(3, "ReadName"),
      fw::ControlMethod<&CSampleCtrl::Fail>(4, "Fail"),
      fw::ControlMethod<&CSampleCtrl::SetColor>(5, "SetColor"),
      fw::ControlMethod<&CSampleCtrl::UserMode>(6, "UserMode"),
      fw::ControlMethod<&CSampleCtrl::ShowBox>(7, "ShowBox"),
      fw::ControlMethod<&CSampleCtrl::RunDialog>(8, "RunDialog"),
      fw::ControlMethod<&CSampleCtrl::Announce>(9, "Announce"),
      fw::ControlMethod<&CSampleCtrl::ShowChild>(10, "ShowChild"),
      fw::ControlMethod<&CSampleCtrl::FailDrawing>(11, "FailDrawing"),
      fw::ControlMethod<&CSampleCtrl::DeletedTooEarly>(12, "DeletedTooEarly"),
      fw::ControlMethod<&CSampleCtrl::ModelessEnabled>(13, "ModelessEnabled"),
      fw::ControlMethod<&CSampleCtrl::FailNextCreation>(14, "FailNextCreation"),
      fw::ControlMethod<&CSampleCtrl::FailTypeInfo>(15, "FailTypeInfo"),
      fw::ControlMethod<&CSampleCtrl::StartWorker>(16, "StartWorker"),
      fw::ControlMethod<&CSampleCtrl::AboutBox>(DISPID_ABOUTBOX, "AboutBox"),
  };
  return kTable;
}

void CSampleCtrl::Add(long a, long b, long* lRetCode) {
  *lRetCode = 0;
  *lRetCode = a + b;
}

void CSampleCtrl::Greet(const std::string& name, long* lRetCode) {
  *lRetCode = 0;
  name_ = name;
  std::string text = fw::LoadResString(IDS_GREETING);
  const size_t mark = text.find("%s");
  if (mark != std::string::npos) text.replace(mark, 2, name);
  FireEvent(kGreeted, text, static_cast<long>(text.size()));
  *lRetCode = static_cast<long>(text.size());
}

void CSampleCtrl::ReadName(fw::CallerBuffer buffer, long* lRetCode) {
  *lRetCode = 0;
  if (!buffer) return;
  std::memcpy(buffer.Bytes(), name_.c_str(), name_.size() + 1);
  *lRetCode = static_cast<long>(name_.size() + 1);
}

void CSampleCtrl::Fail(long* lRetCode) {
  *lRetCode = 0;
  throw std::runtime_error("the sample always fails here");
}

void CSampleCtrl::SetColor(long red, long green, long blue, long* lRetCode) {
  *lRetCode = 0;
  if (red < 0 || red > 255 || green < 0 || green > 255 || blue < 0 || blue > 255) return;
  color_ = RGB(red, green, blue);
  InvalidateControl();
  *lRetCode = 1;
}

namespace {
HRESULT ThrowingTypeLibLoader(const fw::TypeLibId&, LCID, ITypeLib**) {
  throw std::runtime_error("the sample's type library cannot be read");
}
}  // namespace

void CSampleCtrl::FailTypeInfo(long fail, long* lRetCode) {
  fw::Module::Get().SetTypeLibLoader(fail ? &ThrowingTypeLibLoader : nullptr);
  *lRetCode = 1;
}

void CSampleCtrl::StartWorker(long release, long fail, long* lRetCode) {
  *lRetCode = 0;
  HANDLE event = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(release));
  HANDLE thread = fw::StartGuardedThread("sample worker", [event, fail]() -> DWORD {
    WaitForSingleObject(event, INFINITE);
    if (fail) throw std::runtime_error("the sample worker fails");
    return 7;
  });
  *lRetCode = static_cast<long>(reinterpret_cast<LONG_PTR>(thread));
}

void CSampleCtrl::UserMode(long* lRetCode) { *lRetCode = AmbientUserMode() ? 1 : 0; }

void CSampleCtrl::AboutBox() {
  fw::CDialog about(IDD_ABOUT, ContainerWindow());
  about.DoModal();
}

void CSampleCtrl::OnDraw(HDC dc, const RECT& bounds, const RECT&) {
  ++draws_;
  if (failDrawing_) throw std::runtime_error("the sample fails to draw");
  base::ScopedBrush brush(CreateSolidBrush(color_));
  FillRect(dc, &bounds, brush.Get());
}

bool CSampleCtrl::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  static constexpr fw::MessageEntry<CSampleCtrl> kMessages[] = {
      fw::OnMessage<&CSampleCtrl::OnLButtonDown>(WM_LBUTTONDOWN),
  };
  return fw::RouteMessage(*this, kMessages, msg, w, l, result) ||
         COleControl::OnWndMsg(msg, w, l, result);
}

LRESULT CSampleCtrl::OnLButtonDown(WPARAM, LPARAM l) {
  FireEvent(kClicked, static_cast<long>(static_cast<short>(LOWORD(l))),
            static_cast<long>(static_cast<short>(HIWORD(l))));
  return 0;
}
