// The camera windows' context menu and its keys, the pan/tilt click, ExecCmd and the
// destruction and deletion of cameras.
//
// Message boxes, the about dialog, the settings dialogs and the click's waits are modal
// loops: posted states, other commands and host calls run inside them, and the host may
// deactivate or release the control there. After each one a command goes on only while the
// window it started with exists, and re-reads what it decided on.
#include "base/scoped_lock.h"
#include "common/log_writer.h"
#include "common/pump_messages.h"
#include "framework/message_box.h"
#include "framework/modal_loop.h"
#include "framework/resources.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/control/about_dlg.h"
#include "liveview/control/modify_dlg.h"
#include "liveview/control/settings_sheet.h"
#include "liveview/control/tessaly_ctrl.h"
#include "liveview/notify/control_messages.h"
#include "liveview/resources/tessaly_resource.h"
#include "liveview/stream/thread_manager.h"

namespace liveview {
namespace {

constexpr int kHomeCommand = 4;
constexpr int kTiltScanCommand = 14;
constexpr int kPanScanCommand = 15;
constexpr DWORD kPanTiltWaitMs = 400;
constexpr int kDestroyErrorLine = 862;

CCameraTable& Table() { return *CCameraTable::Instance(); }
CThreadManager& Streams() { return *CThreadManager::Instance(); }

// Sets an item of a popup by position: enabled or greyed, and for the grid sizes the radio
// mark. Submenus keep their state; their own WM_INITMENUPOPUP sets their items.
void SetItemState(HMENU menu, int position, bool enabled, bool radio, bool checked) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_STATE;
  if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info)) return;
  info.fState = (enabled ? MFS_ENABLED : MFS_GRAYED) | (checked ? MFS_CHECKED : MFS_UNCHECKED);
  if (radio) info.fType |= MFT_RADIOCHECK;
  SetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info);
}

}  // namespace

// ---- state of the items -----------------------------------------------------------------

bool CTessalyCtrl::HasSelectedCamera() const {
  const CameraRecord* record = Table().RecordAt(selected_);
  return record && record->InUse();
}

bool CTessalyCtrl::HasSlot(int window) { return Streams().SlotByWindow(window) != nullptr; }

bool CTessalyCtrl::IsRecording(int window) {
  StreamSlot* slot = Streams().SlotByWindow(window);
  if (!slot) return false;
  base::CScopedLock hold(slot->lock);
  // The slot may have ended or moved between the lookup and the lock.
  return !slot->host.empty() && slot->windowIndex == window && slot->recording.recorder;
}

LRESULT CTessalyCtrl::OnInitMenuPopup(WPARAM w, LPARAM l) {
  if (HIWORD(l)) return 0;  // the window menu
  HMENU menu = reinterpret_cast<HMENU>(w);
  const bool camera = HasSelectedCamera();
  const bool streaming = camera && HasSlot(selected_);
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    const UINT id = GetMenuItemID(menu, i);
    switch (id) {
      case ID_CAM_OPEN:
      case ID_CAM_MODIFY:
        SetItemState(menu, i, camera && !streaming, false, false);
        break;
      case ID_CAM_CLOSE:
        SetItemState(menu, i, streaming, false, false);
        break;
      case ID_CAM_DELETE:
        SetItemState(menu, i, camera, false, false);
        break;
      case ID_SPLIT_1X1:
      case ID_SPLIT_2X2:
      case ID_SPLIT_3X3:
      case ID_SPLIT_4X4:
        SetItemState(menu, i, true, true,
                     static_cast<int>(id - ID_SPLIT_1X1) + 1 == gridSize_);
        break;
      default:
        break;  // always enabled: separators, submenus, settings, exit
    }
  }
  return 0;
}

// ---- the commands -------------------------------------------------------------------------

void CTessalyCtrl::OnMenuCommand(UINT id) {
  if (!GetSafeHwnd()) return;
  switch (id) {
    case ID_CAM_OPEN: OpenSelected(); break;
    case ID_CAM_CLOSE: CloseSelected(); break;
    case ID_CAM_DELETE: DeleteSelected(); break;
    case ID_CAM_ADD_DEL: scratchResult_ = OpenSettingsSheet(0); break;
    case ID_SPLIT_1X1:
    case ID_SPLIT_2X2:
    case ID_SPLIT_3X3:
    case ID_SPLIT_4X4: ChooseGridSize(static_cast<int>(id - ID_SPLIT_1X1) + 1); break;
    case ID_APP_ABOUT_CTRL: {
      CAboutDlg about(GetSafeHwnd());
      about.DoModal();
      break;
    }
    // Hosts end their message loop on it.
    case ID_CTRL_EXIT: PostQuitMessage(0); break;
    case ID_CAM_MODIFY: ModifySelected(); break;
    case ID_CHANGE_POSITION: scratchResult_ = OpenSettingsSheet(2); break;
    case ID_OTHER_SETTINGS: scratchResult_ = OpenSettingsSheet(1); break;
    default: break;
  }
}

void CTessalyCtrl::ChooseGridSize(int n) {
  if (n == gridSize_) return;
  long result = 0;
  SetSplitterMethod(n, &result);
  if (result == 1) FireSplitterMethod(n);
}

int CTessalyCtrl::AskOrTell(UINT textId, UINT type) {
  fw::ModalScope scope(this);
  const int answer = fw::ShowMessageBox(GetSafeHwnd(), fw::LoadResString(textId),
                                        fw::LoadResString(IDS_CONFIRM).c_str(), type);
  return scope.WindowAlive() ? answer : IDCANCEL;
}

void CTessalyCtrl::OpenSelected() {
  if (!GetSafeHwnd() || !HasSelectedCamera()) return;
  const std::string text = Table().NamedCameraText(selected_);
  if (text.empty()) return;
  long result = 0;
  LookPic(text, &result);
}

void CTessalyCtrl::CloseSelected() {
  if (!GetSafeHwnd() || !HasSelectedCamera()) return;
  const int index = selected_;
  const std::string text = Table().NamedCameraText(index);
  if (text.empty()) return;
  if (IsRecording(index)) {
    AskOrTell(IDS_STOP_RECORDING_CLOSE, MB_OK);
    return;
  }
  if (HasSlot(index)) StopCamera(index);
  FireReConnect(text, kCamStateStopped);
}

void CTessalyCtrl::DeleteSelected() {
  if (!GetSafeHwnd() || !HasSelectedCamera()) return;
  const int index = selected_;
  const std::string text = Table().NamedCameraText(index);
  if (text.empty()) return;
  if (IsRecording(index)) {
    AskOrTell(IDS_STOP_RECORDING_DELETE, MB_OK);
    return;
  }
  if (AskOrTell(IDS_CONFIRM_DELETE, MB_OKCANCEL) != IDOK) return;
  // The box let everything else run: the selection, the camera or its recording may have
  // changed, and the window may be another one.
  if (selected_ != index || !HasSelectedCamera() || Table().NamedCameraText(index) != text) {
    return;
  }
  if (IsRecording(index)) {
    AskOrTell(IDS_STOP_RECORDING_DELETE, MB_OK);
    return;
  }
  CWatchWnd* window = WindowAt(index);
  if (!window) return;
  window->SendCommand(kHomeCommand);
  UnbindWindow(window);
  DestroyCamera(index);
}

void CTessalyCtrl::ModifySelected() {
  if (!GetSafeHwnd() || !HasSelectedCamera()) return;
  const int index = selected_;
  WindowWatch watch(*this);
  const int answer = RunModifyDialog(index);
  if (answer != IDOK || !watch.Alive() || selected_ != index || !HasSelectedCamera()) return;
  if (CWatchWnd* window = WindowAt(index)) window->Invalidate(true);
  const std::string text = Table().NamedCameraText(index);
  long result = 0;
  if (!text.empty()) LookPic(text, &result);
}

int CTessalyCtrl::OpenSettingsSheet(int page) {
  fw::ModalScope scope(this);
  return RunSettingsSheet(page);
}

// ---- camera commands ----------------------------------------------------------------------

void CTessalyCtrl::ExecCmd(const std::string& pszURLPort, long cmd, long* lRetCode) {
  *lRetCode = ExecCommand(pszURLPort, cmd);
}

int CTessalyCtrl::ExecCommand(const std::string& namedCameraText, long code) {
  if (!GetSafeHwnd()) return 0;
  const int index = Table().FindByDomainName(namedCameraText);
  CameraRecord* record = Table().RecordAt(index);
  if (!record || record->state != kCamStateFrame) return 0;
  // On the whole code: 65536 + 7 is no brightness command, and the sender refuses it.
  switch (code) {
    case 7:
    case 8: record->brightness = static_cast<uint16_t>(code); break;
    case 11:
    case 12:
    case 13: record->quality = static_cast<uint16_t>(code); break;
    case kTiltScanCommand: record->tiltScan = record->tiltScan ? 0 : 1; break;
    case kPanScanCommand: record->panScan = record->panScan ? 0 : 1; break;
    default: break;
  }
  if (CWatchWnd* window = WindowAt(index)) window->SendCommand(static_cast<int>(code));
  return 1;
}

void CTessalyCtrl::ClickToPanTilt(int index, int x, int y) {
  CWatchWnd* window = WindowAt(index);
  if (!window) return;
  const std::string text = Table().NamedCameraText(index);
  if (text.empty()) return;
  RECT client{};
  GetClientRect(window->GetSafeHwnd(), &client);
  const std::vector<int> commands =
      PanTiltCommands(PanTiltZoneAt(client.right - client.left, client.bottom - client.top, x, y));
  for (int code : commands) {
    // The camera must still be found streaming: a state or a host call in the last wait
    // may have stopped, destroyed or replaced it.
    if (!ExecCommand(text, code)) return;
    fw::ModalScope scope(this);
    const bool fullWait = common::PumpMessages(kPanTiltWaitMs);
    if (!scope.WindowAlive() || !fullWait) return;
  }
}

// ---- destroying and deleting cameras ------------------------------------------------------

int CTessalyCtrl::DestroyCamera(int index) {
  if (index < 0 || index >= kCellCount) return 0;
  CameraInfo info{};
  try {
    Table().BuildCameraInfo(index, &info);
    const std::string named = Table().NamedCameraText(index);
    StopCamera(index);
    Table().Clear(index);
    // Stopping the stream ended any recording; the flag would outlive the camera.
    Table().SetRecording(index, 0);
    NoteCameraGone(index, named);
    if (CWatchWnd* window = WindowAt(index)) {
      window->Invalidate(true);
      window->SetRecording(0);
    }
  } catch (...) {
    common::WriteLog("c:\\tessaly.log", 1, "Destroy Client Error", "TessalyCtl",
                     kDestroyErrorLine);
    return 0;
  }
  FireDelCam(reinterpret_cast<long*>(&info));
  return 1;
}

int CTessalyCtrl::DeleteCamera(int index) {
  if (index < 0 || index >= kCellCount) return 0;
  if (IsRecording(index)) return 0;
  if (CWatchWnd* window = WindowAt(index)) {
    window->SendCommand(kHomeCommand);
    UnbindWindow(window);
  }
  DestroyCamera(index);
  return 1;
}

// ---- the settings dialogs' entries ---------------------------------------------------------

HWND CTessalyCtrl::DialogOwner() const {
  HWND root = GetAncestor(GetSafeHwnd(), GA_ROOT);
  return root ? root : GetSafeHwnd();
}

// One sheet and one modify dialog at a time: the control keeps one of each to end it when
// its window goes.
int CTessalyCtrl::RunSettingsSheet(int page) {
  if (settingsSheet_ || !GetSafeHwnd()) return 0;
  fw::ModalScope scope(this);
  CSetDlg sheet(this, DialogOwner());
  sheet.SetStartPage(page);
  settingsSheet_ = &sheet;
  const INT_PTR result = sheet.Run();
  settingsSheet_ = nullptr;
  return static_cast<int>(result);
}

int CTessalyCtrl::RunModifyDialog(int index) {
  if (!CCameraTable::IsValidIndex(index) || modifyDialog_ || !GetSafeHwnd()) return IDCANCEL;
  fw::ModalScope scope(this);
  CModifyDlg dialog(this, DialogOwner(), index);
  modifyDialog_ = &dialog;
  const INT_PTR result = dialog.DoModal();
  modifyDialog_ = nullptr;
  return result == IDOK && scope.WindowAlive() ? IDOK : IDCANCEL;
}

}  // namespace liveview
