// CTessalyCtrl: the live view control. Its window holds the 16 camera windows in an N x N
// grid, draws the grid and the selection frame, turns what the camera windows and stream
// workers send it into events, and carries the dispatch members of _DTessaly.
//
// A control that has no window (a script host, before activation, after deactivation)
// answers every member with lRetCode at its first value and touches no window: the
// dispatch table routes every member through that one rule (WindowedMember).
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <tuple>

#include "framework/ole_control.h"
#include "liveview/control/control_layout.h"
#include "liveview/control/stale_post_filter.h"
#include "liveview/render/bkgnd_picture.h"
#include "liveview/window/watch_wnd.h"

namespace liveview {

class CModifyDlg;
class CSetDlg;
struct CameraInfo;
struct StreamSlot;

template <auto Member, long First, class Signature>
struct WindowedMember;

class CTessalyCtrl : public fw::COleControl {
 public:
  static constexpr UINT kFirstChildId = 256;
  static constexpr UINT_PTR kTimerId = 1;

  CTessalyCtrl();
  ~CTessalyCtrl() override;

  // The last control constructed that is still alive, or null: for tests that serve the
  // control themselves. The dialogs use the control that opened them.
  static CTessalyCtrl* Last();

  // ---- _DTessaly ------------------------------------------------------------------------
  void SetCliInfo(long iIndex, const std::string& pszHost, long iPort, const std::string& pszUser,
                  const std::string& pszPwd, const std::string& pszNick, long* lRetCode);
  void LookPic(const std::string& pszURLPort, long* lRetCode);
  void StopPic(const std::string& pszURLPort, long* lRetCode);
  void ExecCmd(const std::string& pszURLPort, long cmd, long* lRetCode);
  void DestroyCli(const std::string& pszURLPort, long* lRetCode);
  void SetSplitterMethod(long iType, long* lRetCode);
  void SetFullScreen(long* lRetCode);
  void ShowPropertiesDlgs(long iIndex, long* lRetCode);
  void GetHostName(long iWndIndex, fw::CallerBuffer pszURLPort, long* lRetCode);
  void GetWndIndex(const std::string& pszURLPort, long* lRetCode);
  void GetTotalCameras(long* lRetCode);
  void GetHostBasicInfo(const std::string& pszURLPort, long* lRetCode);
  void SnapPicture(const std::string& pszURLPort, const std::string& pszFile, long iFormat,
                   long iPixel, long* lRetCode);
  void Record(const std::string& pszURLPort, const std::string& pszFile, long iFormat, long lWidth,
              long lHeight, long lBitRate, long* lRetCode);
  void StopRecord(const std::string& pszURLPort, long* lRetCode);
  void SetDefaultWnd(long iWndIndex, long* lRetCode);
  void ShowInfoDlg(const std::string& pszURLPort, long* lRetCode);
  void SetBkgndPic(const std::string& pszPath, long* lRetCode);
  void SetFontColor(long lRed, long lGreen, long lBlue, long* lRetCode);
  void Get(long cmd, fw::CallerBuffer lInParam, long lInLenght, fw::CallerBuffer lOutParam,
           long* lOutlength, long* lRetCode);
  void Set(long cmd, fw::CallerBuffer lInParam, long lInLength, long* lRetCode);
  void AboutBox();

  // ---- _DTessalyEvents: each fires to every sink and answers whether this control's window
  // is still the one it had before (a sink may deactivate or release the control).
  bool FireSelect(int iIndex, const std::string& pszHost, int iPort, const std::string& pszUser,
                  const std::string& pszNick, int camState);
  bool FireAddCam(const std::string& pszHostPort);
  bool FireDelCam(long* pCammera);
  bool FireReConnect(const std::string& pszHostPort, int iState);
  bool FireSnapSuccess(const std::string& pszHostPort, const std::string& pszFilePath);
  bool FireRecordStatus(const std::string& pszHostPort, const std::string& pszPath, int iStatus);
  bool FireSplitterMethod(int iType);
  bool FireCamEvent(int cmd, long* lParam, int lLength);

  // ---- operations for the other parts of the control --------------------------------------
  // Selects window wParam & 0xFFFF (pan/tilt allowed only without high bits); lParam is the
  // click point x << 16 | y. 1, or 0 for a window above 15.
  LRESULT SelectWindow(WPARAM wParam, LPARAM lParam);
  void LayoutWindows(bool show, bool moveOnly);
  void ConnectAll();
  void BindWindow(CWatchWnd* window, int index);
  void UnbindWindow(CWatchWnd* window);
  void ExchangeWindows(int a, int b);
  void RebindStream(const std::string& cameraText, int index);
  void RepaintAllWindows();
  // Stops the camera of `index`: its stream (the slot of its camera text and every slot
  // bound to its window), then the home command. 0 outside 0 to 15, else 1.
  int StopCamera(int index);
  // StopCamera without the home command: the record's state becomes 0.
  void StopStreamsOf(int index);
  // The camera at `index` is destroyed or replaced: posts queued for it so far concern no
  // camera, but for the starts and ends of its recordings, heard under `namedCameraText`
  // (the camera's as it was; none are heard without it). (Exchanges are noted by
  // ExchangeWindows.)
  void NoteCameraGone(int index, const std::string& namedCameraText = {});
  // Stops the camera, clears its record and fires FireDelCam with the record as it was; the
  // window keeps its texts. 0 outside 0 to 15 or when the clearing failed, else 1.
  int DestroyCamera(int index);
  // Refused (0) while the camera records; else the home command, unbinding and
  // DestroyCamera (1). 0 outside 0 to 15.
  int DeleteCamera(int index);
  // Resolves the DomainName of `index` again into its address (the DomainName itself when it
  // does not resolve), binds and repaints its window. 0 outside 0 to 15, else 1.
  int RefreshCamera(int index);
  // Exchanges the cameras of windows a and b: their records, their window objects (with the
  // pictures) and the streams, which go on in their new windows without reconnecting. Leaves
  // full-window mode; shows each of the two windows that lies in the grid and hides the
  // other. 0 unless both are 0 to 15 and differ, else 1.
  int ExchangeCameras(int a, int b);
  // Writes a snapshot: 1 only when every byte was written and the file closed; a file left
  // short is removed.
  static int WriteSnapshotFile(const std::string& file, const uint8_t* bytes, size_t length);
  // What puts a snapshot's bytes into its open file: fwrite unless a test makes it fail.
  // Returns the previous one; nullptr restores fwrite.
  using SnapshotWriter = size_t (*)(const void* bytes, size_t length, FILE* file);
  static SnapshotWriter SetSnapshotWriter(SnapshotWriter writer);
  // Fires FireCamEvent (0, the CameraInfo of `index`, 972); whether the window is still the
  // one it had.
  bool NotifyCameraModified(int index);
  // The settings sheet at `page` (0 Position, 1 Other, 2 Position), run modally; its result.
  int OpenSettingsSheet(int page);

  CWatchWnd* WindowAt(int index) const;
  int GetSelectedIndex() const { return selected_; }
  void SetSelectedIndex(int index) { selected_ = index; }
  int GetGridSize() const { return gridSize_; }
  int IsFullWindow() const { return fullWindow_; }
  const std::string& SettingsPath() const { return settingsPath_; }
  CBkgndPicture& Background() { return background_; }

 protected:
  fw::ControlDispatchTable GetDispatchTable() override;
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;
  int OnCreate(CREATESTRUCTA* cs) override;
  void OnDestroy() override;
  BOOL OnEraseBkgnd(HDC dc) override;
  void PreCreateWindow(DWORD& style, DWORD& exStyle) override;

 private:
  template <auto Member, long First, class Signature>
  friend struct WindowedMember;
  // The rule of every member: lRetCode (the last argument) starts at First, and without a
  // window nothing else happens.
  template <auto Member, long First, class... A>
  void WithWindow(A... args) {
    long* retCode = std::get<sizeof...(A) - 1>(std::tuple<A...>(args...));
    *retCode = First;
    if (!GetSafeHwnd()) return;
    (this->*Member)(args...);
  }

  // The window of the moment; Alive() is false once it is destroyed, even when a new one
  // was made meanwhile.
  class WindowWatch {
   public:
    explicit WindowWatch(const CTessalyCtrl& control)
        : control_(control), generation_(control.windowGeneration_) {}
    bool Alive() const {
      return control_.GetSafeHwnd() != nullptr && control_.windowGeneration_ == generation_;
    }

   private:
    const CTessalyCtrl& control_;
    unsigned generation_;
  };

  struct Cell {
    fw::WndPtr<CWatchWnd> window;
    CellRect rect;
  };

  LRESULT OnWatchFullWindow(WPARAM w, LPARAM l);
  LRESULT OnWatchSelect(WPARAM w, LPARAM l);
  LRESULT OnWatchKey(WPARAM w, LPARAM l);
  LRESULT OnCamState(WPARAM w, LPARAM l);
  LRESULT OnCamSnapped(WPARAM w, LPARAM l);
  LRESULT OnCamRecord(WPARAM w, LPARAM l);
  LRESULT OnCamVideoSize(WPARAM w, LPARAM l);
  LRESULT OnWndSwapped(WPARAM w, LPARAM l);
  LRESULT OnStateFence(WPARAM w, LPARAM l);
  LRESULT OnInitMenuPopup(WPARAM w, LPARAM l);
  void OnMenuCommand(UINT id);

  LRESULT ToggleFullWindow(int n, int state);
  void MoveSelection(WPARAM key);
  void DrawGrid(HDC dc);
  void BuildSettingsPath();
  void LoadSettings();
  void DeleteWindows();
  // A camera index of a post, mapped past the changes made since it was queued; -1 when
  // it concerns no camera now (`goneAt` and `goneCamera`, when given, are then the index it
  // went from and the named camera text it had).
  int PostedIndex(WPARAM w, int* goneAt = nullptr, std::string* goneCamera = nullptr) const;
  bool HasWindowAt(int index) const { return WindowAt(index) != nullptr; }

  // The context-menu commands, the keys Ctrl+C and Ctrl+L and the pan/tilt click.
  void ClickToPanTilt(int index, int x, int y);
  void CloseSelected();
  void OpenSelected();
  void DeleteSelected();
  void ModifySelected();
  void ChooseGridSize(int n);
  // The selected index is a window whose record is in use.
  bool HasSelectedCamera() const;
  // Whether a stream slot is bound to the window, and whether it records (read under the
  // slot lock).
  bool HasSlot(int window);
  bool IsRecording(int window);
  // Runs `use` under the lock of the stream slot bound to the window of `index`, when one
  // still is once the lock is held (a slot may end or be claimed again after the lookup).
  bool UnderBoundSlot(int index, const std::function<void(StreamSlot&, CWatchWnd&)>& use);
  // Get 10: the last picture of the named camera into `out` when it fits the capacity at
  // `length`, which then becomes its size.
  bool CopyLastPicture(const std::string& namedCameraText, fw::CallerBuffer out, long* length);
  // Set 5 and 11 on a block whose index is 0 to 15: SetCliInfo into an unused record, and
  // the block read into a used one. The result of the code.
  int AddFromBlock(const CameraInfo& info);
  int ReplaceFromBlock(const CameraInfo& info);
  // StartStream into the window of `index`, after stopping every slot bound to that window
  // under another camera text.
  int StartStreamIn(int index, const std::string& cameraText);
  // The ExecCmd bookkeeping: 1 when the camera of the named camera text streams (the
  // command is then recorded and sent), else 0.
  int ExecCommand(const std::string& namedCameraText, long code);
  // A message box owned by the control window with caption string 229; IDCANCEL when the
  // window went meanwhile.
  int AskOrTell(UINT textId, UINT type);
  // The settings dialogs' entries: the sheet (its modal result) and the modify dialog of a
  // camera (IDOK when it stored changes).
  int RunSettingsSheet(int page);
  int RunModifyDialog(int index);
  // The window the settings dialogs are modal to: the host's top-level window, which a
  // dialog owned by the control's child window would leave enabled.
  HWND DialogOwner() const;

  Cell cells_[kCellCount];
  int selected_ = -1;
  int gridSize_ = 1;
  int fullWindow_ = 0;
  int fullWindowIndex_ = -1;
  std::string settingsPath_;
  CSetDlg* settingsSheet_ = nullptr;  // the settings sheet while it runs
  CModifyDlg* modifyDialog_ = nullptr;  // the modify dialog while it runs
  int scratchResult_ = 0;
  CBkgndPicture background_;

  // The files of the snapshots whose WM_CAM_SNAPPED is still queued, per camera index,
  // oldest first: each event names its own file.
  std::deque<std::string> snapshotFiles_[kCellCount];

  unsigned windowGeneration_ = 0;
  // Tessaly.ini is read at the first creation and again only after a destruction saved it.
  bool settingsCurrent_ = false;
  CStalePostFilter stalePosts_;
};

}  // namespace liveview
