// The dispatch table of _DTessaly, the members of the control shell and the firing of the
// events of _DTessalyEvents.
#include "framework/modal_loop.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/control/about_dlg.h"
#include "liveview/control/tessaly_ctrl.h"

namespace liveview {

// Every member but AboutBox through WithWindow: lRetCode starts at First and a control
// without a window does nothing else.
template <auto Member, long First, class... A>
struct WindowedMember<Member, First, void (CTessalyCtrl::*)(A...)> {
  static constexpr auto kMethod = &CTessalyCtrl::WithWindow<Member, First, A...>;
};

template <auto Member, long First = 0>
constexpr fw::ControlDispatchEntry Windowed(DISPID id, const char* name) {
  return fw::ControlMethod<WindowedMember<Member, First, decltype(Member)>::kMethod>(id, name);
}

fw::ControlDispatchTable CTessalyCtrl::GetDispatchTable() {
  static constexpr fw::ControlDispatchEntry kTable[] = {
      Windowed<&CTessalyCtrl::SetCliInfo>(1, "SetCliInfo"),
      Windowed<&CTessalyCtrl::LookPic>(2, "LookPic"),
      Windowed<&CTessalyCtrl::StopPic>(3, "StopPic"),
      Windowed<&CTessalyCtrl::ExecCmd>(4, "ExecCmd"),
      Windowed<&CTessalyCtrl::DestroyCli>(5, "DestroyCli"),
      Windowed<&CTessalyCtrl::SetSplitterMethod>(6, "SetSplitterMethod"),
      Windowed<&CTessalyCtrl::SetFullScreen>(7, "SetFullScreen"),
      Windowed<&CTessalyCtrl::ShowPropertiesDlgs>(8, "ShowPropertiesDlgs"),
      Windowed<&CTessalyCtrl::GetHostName>(9, "GetHostName"),
      Windowed<&CTessalyCtrl::GetWndIndex, -1>(10, "GetWndIndex"),
      Windowed<&CTessalyCtrl::GetTotalCameras>(11, "GetTotalCameras"),
      Windowed<&CTessalyCtrl::GetHostBasicInfo>(12, "GetHostBasicInfo"),
      Windowed<&CTessalyCtrl::SnapPicture>(13, "SnapPicture"),
      Windowed<&CTessalyCtrl::Record>(14, "Record"),
      Windowed<&CTessalyCtrl::StopRecord>(15, "StopRecord"),
      Windowed<&CTessalyCtrl::SetDefaultWnd>(16, "SetDefaultWnd"),
      Windowed<&CTessalyCtrl::ShowInfoDlg>(17, "ShowInfoDlg"),
      Windowed<&CTessalyCtrl::SetBkgndPic>(18, "SetBkgndPic"),
      Windowed<&CTessalyCtrl::SetFontColor>(19, "SetFontColor"),
      Windowed<&CTessalyCtrl::Get>(20, "Get"),
      Windowed<&CTessalyCtrl::Set>(21, "Set"),
      fw::ControlMethod<&CTessalyCtrl::AboutBox>(DISPID_ABOUTBOX, "AboutBox"),
  };
  return kTable;
}

void CTessalyCtrl::SetSplitterMethod(long iType, long* lRetCode) {
  if (iType < 1 || iType > kMaxGridSize) return;
  fullWindow_ = 0;
  fullWindowIndex_ = -1;
  gridSize_ = static_cast<int>(iType);
  LayoutWindows(true, false);
  Invalidate(true);
  *lRetCode = 1;
}

void CTessalyCtrl::SetDefaultWnd(long iWndIndex, long* lRetCode) {
  if (iWndIndex < 0 || iWndIndex >= kCellCount) return;
  if (iWndIndex == selected_) selected_ = -1;
  SelectWindow(static_cast<WPARAM>(iWndIndex), 1);
  *lRetCode = 1;
}

void CTessalyCtrl::SetFontColor(long lRed, long lGreen, long lBlue, long* lRetCode) {
  const auto inRange = [](long v) { return v >= 0 && v <= 255; };
  if (!inRange(lRed) || !inRange(lGreen) || !inRange(lBlue)) return;
  const COLORREF color = RGB(lRed, lGreen, lBlue);
  for (Cell& cell : cells_) {
    if (cell.window) cell.window->SetFontColor(color);
  }
  *lRetCode = 1;
}

void CTessalyCtrl::AboutBox() {
  CAboutDlg about(GetSafeHwnd() ? GetSafeHwnd() : ContainerWindow());
  about.DoModal();
}

// ---- events -----------------------------------------------------------------------------------

namespace {
constexpr DISPID kFireSelect = 1;
constexpr DISPID kFireAddCam = 2;
constexpr DISPID kFireDelCam = 3;
constexpr DISPID kFireReConnect = 4;
constexpr DISPID kFireSnapSuccess = 5;
constexpr DISPID kFireRecordStatus = 6;
constexpr DISPID kFireSplitterMethod = 7;
constexpr DISPID kFireCamEvent = 8;
}  // namespace

bool CTessalyCtrl::FireSelect(int iIndex, const std::string& pszHost, int iPort,
                              const std::string& pszUser, const std::string& pszNick,
                              int camState) {
  WindowWatch watch(*this);
  FireEvent(kFireSelect, iIndex, pszHost, iPort, pszUser, pszNick, camState);
  return watch.Alive();
}

bool CTessalyCtrl::FireAddCam(const std::string& pszHostPort) {
  WindowWatch watch(*this);
  FireEvent(kFireAddCam, pszHostPort);
  return watch.Alive();
}

bool CTessalyCtrl::FireDelCam(long* pCammera) {
  WindowWatch watch(*this);
  FireEvent(kFireDelCam, pCammera);
  return watch.Alive();
}

bool CTessalyCtrl::FireReConnect(const std::string& pszHostPort, int iState) {
  WindowWatch watch(*this);
  FireEvent(kFireReConnect, pszHostPort, iState);
  return watch.Alive();
}

bool CTessalyCtrl::FireSnapSuccess(const std::string& pszHostPort,
                                   const std::string& pszFilePath) {
  WindowWatch watch(*this);
  FireEvent(kFireSnapSuccess, pszHostPort, pszFilePath);
  return watch.Alive();
}

bool CTessalyCtrl::FireRecordStatus(const std::string& pszHostPort, const std::string& pszPath,
                                    int iStatus) {
  WindowWatch watch(*this);
  FireEvent(kFireRecordStatus, pszHostPort, pszPath, iStatus);
  return watch.Alive();
}

bool CTessalyCtrl::FireSplitterMethod(int iType) {
  WindowWatch watch(*this);
  FireEvent(kFireSplitterMethod, iType);
  return watch.Alive();
}

bool CTessalyCtrl::FireCamEvent(int cmd, long* lParam, int lLength) {
  WindowWatch watch(*this);
  FireEvent(kFireCamEvent, cmd, lParam, lLength);
  return watch.Alive();
}

}  // namespace liveview
