// The members of _DTessaly that serve the host's cameras and queries, and the camera operations.
// Each runs only with a window and with lRetCode at its first value (WithWindow).
//
// Events, message boxes and dialogs let the host run: it may deactivate or release the
// control there. After each one a member goes on only while its window exists.
#include <cstring>

#include "base/scoped_lock.h"
#include "framework/message_box.h"
#include "framework/modal_loop.h"
#include "framework/resources.h"
#include "liveview/cameras/camera_info.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/cameras/camera_text.h"
#include "liveview/cameras/host_resolve.h"
#include "liveview/cameras/name_checks.h"
#include "liveview/control/tessaly_ctrl.h"
#include "liveview/resources/tessaly_resource.h"
#include "liveview/stream/thread_manager.h"

namespace liveview {
namespace {

// The command blocks and CameraInfo hold 63 bytes and the terminating zero.
constexpr size_t kMaxHostLength = 63;

CCameraTable& Table() { return *CCameraTable::Instance(); }
CThreadManager& Streams() { return *CThreadManager::Instance(); }

BOOL CALLBACK HideAllBut(HWND child, LPARAM keep) {
  if (child != reinterpret_cast<HWND>(keep)) ShowWindow(child, SW_HIDE);
  return TRUE;
}

}  // namespace

void CTessalyCtrl::SetCliInfo(long iIndex, const std::string& pszHost, long iPort,
                              const std::string& pszUser, const std::string& pszPwd,
                              const std::string& pszNick, long* lRetCode) {
  if (pszHost.empty() || pszHost.size() > kMaxHostLength) return;
  // Port 0 ends the loader's walk through Tessaly.ini: every later camera would be lost.
  if (iPort == 0) return;
  // The loader strips these: after a restart the camera would log in as someone else.
  if (HasInvalidChar(pszUser, InvalidNameChars)) return;
  std::string address = pszHost;
  if (ResolveHost(address) != kResolveOk) return;
  const int index = static_cast<int>(iIndex);
  if (!Table().Add(index, address, static_cast<int>(iPort), pszUser, pszPwd, pszNick)) return;
  Table().SetDomainName(index, pszHost);
  // What was still queued for the index concerned the camera that sat there before.
  NoteCameraGone(index);
  if (CWatchWnd* window = WindowAt(index)) {
    BindWindow(window, index);
    window->Invalidate(true);
  }
  FireAddCam(Table().NamedCameraText(index));
  *lRetCode = 1;
}

int CTessalyCtrl::StartStreamIn(int index, const std::string& cameraText) {
  CWatchWnd* window = WindowAt(index);
  if (!window) return 0;
  // One stream per window: a slot still bound to it under an old address would go on
  // drawing into it beside the new one.
  for (int guard = 0; guard < CThreadManager::kSlotCount; ++guard) {
    const int s = Streams().SlotIndexByWindow(window->Number());
    if (s < 0) break;
    StreamSlot* slot = Streams().SlotAt(s);
    if (!slot) break;
    bool same = false;
    {
      base::CScopedLock hold(slot->lock);
      same = !slot->host.empty() &&
             EqualsIgnoreCase(FormatCameraText(slot->host, slot->port), cameraText);
    }
    if (same) break;
    Streams().StopStream(s);
  }
  return Streams().StartStream(window, cameraText);
}

void CTessalyCtrl::LookPic(const std::string& pszURLPort, long* lRetCode) {
  std::string resolved = pszURLPort;
  if (ResolveCameraText(resolved) != kResolveOk) return;
  const int b = Table().FindByCameraText(resolved);
  int c = Table().FindByDomainName(pszURLPort);
  if (c < 0) {
    // Given as an address: the camera may be configured under another DomainName.
    if (EqualsIgnoreCase(resolved, pszURLPort) && CCameraTable::IsValidIndex(b)) {
      *lRetCode = StartStreamIn(b, resolved) == 1 ? 1 : 0;
    }
    return;
  }
  if (b >= 0 && b != c) {
    WindowWatch watch(*this);
    if (!DeleteCamera(b) || !watch.Alive()) return;
    fw::ModalScope scope(this);
    fw::ShowMessageBox(GetSafeHwnd(),
                       fw::LoadResString(IDS_DUPLICATE_DELETED) + "\nCamID:" + resolved);
    if (!scope.WindowAlive()) return;
    // The box let the host run: the camera may be gone or elsewhere now.
    c = Table().FindByDomainName(pszURLPort);
    if (c < 0) return;
  }
  if (c != b) RefreshCamera(c);
  *lRetCode = StartStreamIn(c, resolved) == 1 ? 1 : 0;
}

void CTessalyCtrl::StopPic(const std::string& pszURLPort, long* lRetCode) {
  const int index = Table().FindByDomainName(pszURLPort);
  if (index < 0) return;
  *lRetCode = StopCamera(index);
}

void CTessalyCtrl::DestroyCli(const std::string& pszURLPort, long* lRetCode) {
  const int index = Table().FindByDomainName(pszURLPort);
  if (index < 0) return;
  *lRetCode = DestroyCamera(index);
}

void CTessalyCtrl::SetFullScreen(long* lRetCode) {
  // Full-window mode would leave the grid undrawn and the arrow keys dead.
  fullWindow_ = 0;
  fullWindowIndex_ = -1;
  const int cx = GetSystemMetrics(SM_CXSCREEN);
  const int cy = GetSystemMetrics(SM_CYSCREEN);
  HWND self = GetSafeHwnd();
  if (HWND parent = GetParent(self)) {
    EnumChildWindows(parent, HideAllBut, reinterpret_cast<LPARAM>(self));
    RECT frame{0, 0, cx, cy};
    AdjustWindowRect(&frame, static_cast<DWORD>(GetWindowLongA(parent, GWL_STYLE)), FALSE);
    MoveWindow(parent, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
               TRUE);
  }
  MoveWindow(self, 0, 0, cx, cy, TRUE);
  LayoutWindows(true, false);
  Invalidate(true);
  *lRetCode = 1;
}

void CTessalyCtrl::ShowPropertiesDlgs(long iIndex, long* lRetCode) {
  if (iIndex < 0 || iIndex > 2) return;
  OpenSettingsSheet(static_cast<int>(iIndex));
  *lRetCode = 1;
}

void CTessalyCtrl::GetHostName(long iWndIndex, fw::CallerBuffer pszURLPort, long* lRetCode) {
  if (!pszURLPort) return;
  pszURLPort.Bytes()[0] = '\0';
  const std::string text = Table().NamedCameraText(static_cast<int>(iWndIndex));
  if (text.empty()) return;
  std::memcpy(pszURLPort.Bytes(), text.c_str(), text.size() + 1);
  *lRetCode = 1;
}

void CTessalyCtrl::GetWndIndex(const std::string& pszURLPort, long* lRetCode) {
  int index = Table().FindByDomainName(pszURLPort);
  if (index < 0) index = Table().FindByCameraText(pszURLPort);
  *lRetCode = index;
}

void CTessalyCtrl::GetTotalCameras(long* lRetCode) {
  *lRetCode = 1;
  for (int i = 0; i < kCellCount; ++i) {
    const CCameraTable& table = Table();
    if (table.GetDomainName(i).empty()) continue;
    if (!FireSelect(i, table.GetDomainName(i), table.GetPort(i), table.GetUser(i),
                    table.GetNick(i), table.GetState(i))) {
      return;
    }
  }
}

void CTessalyCtrl::GetHostBasicInfo(const std::string& pszURLPort, long* lRetCode) {
  const int i = Table().FindByDomainName(pszURLPort);
  if (i < 0) return;
  const CCameraTable& table = Table();
  *lRetCode = 1;
  FireSelect(i, table.GetDomainName(i), table.GetPort(i), table.GetUser(i), table.GetNick(i),
             table.GetState(i));
}

void CTessalyCtrl::ShowInfoDlg(const std::string& pszURLPort, long* lRetCode) {
  const int index = Table().FindByDomainName(pszURLPort);
  if (index < 0) return;
  *lRetCode = 1;
  fw::ModalScope scope(this);
  const int answer = RunModifyDialog(index);
  if (answer != IDOK || !scope.WindowAlive()) return;
  if (CWatchWnd* window = WindowAt(index)) window->Invalidate(true);
}

void CTessalyCtrl::SetBkgndPic(const std::string& pszPath, long* lRetCode) {
  if (!background_.LoadBmpFile(pszPath.c_str())) return;
  for (Cell& cell : cells_) {
    if (cell.window) cell.window->SetBkgndPicture(&background_);
  }
  *lRetCode = 1;
}

// ---- camera operations ----------------------------------------------------------------------

int CTessalyCtrl::RefreshCamera(int index) {
  CameraRecord* record = Table().RecordAt(index);
  if (!record) return 0;
  // Straight from the DomainName: a CameraInfo block would cut a long one loaded from
  // Tessaly.ini.
  if (record->InUse() && !record->domainName.empty()) {
    std::string address = record->domainName;
    if (ResolveHost(address) != kResolveOk) address = record->domainName;
    record->address = address;
  }
  if (CWatchWnd* window = WindowAt(index)) {
    BindWindow(window, index);
    window->Invalidate(true);
  }
  return 1;
}

int CTessalyCtrl::ExchangeCameras(int a, int b) {
  if (!CCameraTable::IsValidIndex(a) || !CCameraTable::IsValidIndex(b) || a == b) return 0;
  const std::string ta = Table().CameraText(a);
  const std::string tb = Table().CameraText(b);
  if (fullWindow_ == 1) {
    long unused = 0;
    SetSplitterMethod(gridSize_, &unused);
    selected_ = -1;
  }
  {
    // One step for the workers: what they post is queued either before the move is noted,
    // under the index the note maps, or after it under the camera's new index.
    CThreadManager::IndexHold hold(Streams());
    Table().Swap(a, b);
    ExchangeWindows(a, b);
    // Each stream follows its camera: its slot now reports under the other index and draws
    // into the window object that moved with it.
    if (!ta.empty()) RebindStream(ta, b);
    if (!tb.empty()) RebindStream(tb, a);
    Streams().ExchangeOwedStates(a, b);
  }
  const int shown = gridSize_ * gridSize_;
  for (int index : {a, b}) {
    CWatchWnd* window = WindowAt(index);
    if (!window) continue;
    window->Show(index < shown ? SW_SHOW : SW_HIDE);
    window->Invalidate(true);
  }
  return 1;
}

bool CTessalyCtrl::NotifyCameraModified(int index) {
  CameraInfo info{};
  if (!Table().BuildCameraInfo(index, &info)) return GetSafeHwnd() != nullptr;
  return FireCamEvent(0, reinterpret_cast<long*>(&info), static_cast<int>(sizeof(info)));
}

}  // namespace liveview
