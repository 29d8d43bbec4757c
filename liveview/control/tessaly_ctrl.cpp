// The control's window: creation and destruction of its camera windows, the grid, the
// selection and full-window mode, and the messages of the camera windows and stream workers.
#include "liveview/control/tessaly_ctrl.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "base/scoped_gdi.h"
#include "base/scoped_lock.h"
#include "base/winsock_session.h"
#include "common/log_writer.h"
#include "framework/message_table.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/cameras/camera_text.h"
#include "liveview/control/modify_dlg.h"
#include "liveview/control/settings_sheet.h"
#include "liveview/control/tessaly_classes.h"
#include "liveview/notify/control_messages.h"
#include "liveview/notify/control_registry.h"
#include "liveview/record/record_post.h"
#include "liveview/resources/tessaly_resource.h"
#include "liveview/stream/thread_manager.h"

namespace liveview {
namespace {

constexpr UINT kTimerMs = 100;
constexpr COLORREF kGridColor = RGB(50, 50, 50);
constexpr COLORREF kSelectionColor = 0x0000FFFF;
constexpr int kPenWidth = 2;
constexpr int kHomeCommand = 4;

// What the live controls of the process share: Winsock from the first control's
// construction to the last one's destruction (never in DllMain, under the loader lock),
// and the camera table and stream manager, which go with the last control.
std::mutex g_liveLock;
int g_liveControls = 0;
std::unique_ptr<base::WinsockSession> g_winsock;
std::atomic<CTessalyCtrl*> g_lastControl{nullptr};

CCameraTable& Table() { return *CCameraTable::Instance(); }
CThreadManager& Streams() { return *CThreadManager::Instance(); }

bool IsCameraIndex(WPARAM w) { return w < static_cast<WPARAM>(kCellCount); }

}  // namespace

CTessalyCtrl::CTessalyCtrl() : COleControl(kTessalyClass) {
  {
    std::lock_guard<std::mutex> hold(g_liveLock);
    if (g_liveControls++ == 0) g_winsock = std::make_unique<base::WinsockSession>(MAKEWORD(1, 1));
  }
  g_lastControl.store(this);
  SetInitialSize(642, 482);
  common::SetLogLevelMask(1);
}

CTessalyCtrl::~CTessalyCtrl() {
  DeleteWindows();
  CTessalyCtrl* self = this;
  g_lastControl.compare_exchange_strong(self, nullptr);
  std::lock_guard<std::mutex> hold(g_liveLock);
  if (--g_liveControls == 0) {
    CThreadManager::Release();
    CCameraTable::Release();
    g_winsock.reset();
  }
}

CTessalyCtrl* CTessalyCtrl::Last() { return g_lastControl.load(); }

void CTessalyCtrl::PreCreateWindow(DWORD& style, DWORD&) {
  // Without it the grid's background would black out the live pictures.
  style |= WS_CLIPCHILDREN;
}

CWatchWnd* CTessalyCtrl::WindowAt(int index) const {
  if (index < 0 || index >= kCellCount) return nullptr;
  CWatchWnd* window = cells_[index].window.get();
  return window && window->GetSafeHwnd() ? window : nullptr;
}

// ---- creation and destruction ---------------------------------------------------------------

int CTessalyCtrl::OnCreate(CREATESTRUCTA* cs) {
  if (COleControl::OnCreate(cs) == -1) return -1;
  ++windowGeneration_;
  stalePosts_.Reset();
  for (auto& files : snapshotFiles_) files.clear();
  ForgetRecordStateFiles();
  selected_ = -1;
  fullWindow_ = 0;
  fullWindowIndex_ = -1;
  for (int n = 0; n < kCellCount; ++n) {
    auto window = fw::MakeWnd<CWatchWnd>();
    if (!window->Create(kFirstChildId + static_cast<UINT>(n), GetSafeHwnd(), n)) {
      DeleteWindows();
      return -1;
    }
    cells_[n].window = std::move(window);
    cells_[n].rect = CellRect{};
  }
  BuildSettingsPath();
  LoadSettings();
  gridSize_ = Table().Settings().splitter;
  if (gridSize_ < 1 || gridSize_ > kMaxGridSize) gridSize_ = kMaxGridSize;
  for (int n = 0; n < kCellCount; ++n) BindWindow(cells_[n].window.get(), n);
  // Registered before any stream starts, so the first state reaches this window.
  SetControlWindow(GetSafeHwnd());
  if (Table().Settings().autoInvite != 0) ConnectAll();
  long unused = 0;
  SetFontColor(255, 255, 255, &unused);
  SetTimer(kTimerId, kTimerMs);
  return 0;
}

void CTessalyCtrl::BuildSettingsPath() {
  std::string path = fw::Module::Get().FilePath();
  const size_t slash = path.rfind('\\');
  path.erase(slash == std::string::npos ? 0 : slash + 1);
  path += "log";
  CreateDirectoryA(path.c_str(), nullptr);
  path += "\\Tessaly.ini";
  settingsPath_ = path;
  Table().SetSettingsPath(path);
}

void CTessalyCtrl::LoadSettings() {
  if (settingsCurrent_) return;
  // The records of the last window were saved with it: the file holds them now.
  for (int i = 0; i < kCellCount; ++i) Table().Clear(i);
  Table().Load();
  settingsCurrent_ = true;
}

void CTessalyCtrl::OnDestroy() {
  // An open dialog would go on with a control that has no windows, streams or settings.
  if (modifyDialog_) modifyDialog_->ControlGone();
  if (settingsSheet_) settingsSheet_->ControlGone();
  for (int n = 0; n < kCellCount; ++n) {
    StreamSlot* slot = Streams().SlotByWindow(n);
    if (!slot) continue;
    std::string cameraText;
    {
      base::CScopedLock hold(slot->lock);
      if (!slot->host.empty()) cameraText = FormatCameraText(slot->host, slot->port);
    }
    const int index = cameraText.empty() ? -1 : Table().FindByCameraText(cameraText);
    if (index >= 0) StopCamera(index);
  }
  KillTimer(kTimerId);
  if (Table().Save()) settingsCurrent_ = false;
  Streams().StopAllStreams();
  if (GetControlWindow() == GetSafeHwnd()) SetControlWindow(nullptr);
  DeleteWindows();
  stalePosts_.Reset();
  for (auto& files : snapshotFiles_) files.clear();
  ForgetRecordStateFiles();
  selected_ = -1;
  fullWindow_ = 0;
  fullWindowIndex_ = -1;
  COleControl::OnDestroy();
}

void CTessalyCtrl::DeleteWindows() {
  for (Cell& cell : cells_) {
    cell.window.reset();
    cell.rect = CellRect{};
  }
}

// ---- layout and drawing -----------------------------------------------------------------

void CTessalyCtrl::LayoutWindows(bool show, bool moveOnly) {
  if (!GetSafeHwnd()) return;
  const RECT client = ClientRect();
  const std::vector<CellRect> cells = LayoutCells(client, gridSize_);
  if (cells.empty()) return;
  if (!moveOnly) {
    for (Cell& cell : cells_) {
      if (cell.window) cell.window->Show(SW_HIDE);
    }
  }
  for (size_t i = 0; i < cells.size(); ++i) {
    Cell& cell = cells_[i];
    cell.rect = cells[i];
    if (!cell.window) continue;
    const CellRect& r = cell.rect;
    cell.window->Move(RECT{r.x, r.y, r.x + r.width, r.y + r.height}, true);
    if (!moveOnly && (show || fullWindow_ == 0)) cell.window->Show(SW_SHOW);
  }
  if (!show && !moveOnly && fullWindow_ == 1) {
    if (CWatchWnd* window = WindowAt(fullWindowIndex_)) {
      window->Move(client, true);
      window->Show(SW_SHOW);
    }
  }
}

BOOL CTessalyCtrl::OnEraseBkgnd(HDC dc) {
  DrawGrid(dc);
  return TRUE;
}

void CTessalyCtrl::DrawGrid(HDC dc) {
  const RECT client = ClientRect();
  if (gridSize_ <= 0 || fullWindow_ == 1) return;
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (width <= 0 || height <= 0) return;
  base::ScopedMemoryDc memory(dc);
  base::ScopedBitmap bitmap(CreateCompatibleBitmap(dc, width, height));
  if (!memory.Get() || !bitmap.Get()) return;
  base::ScopedSelectObject bitmapIn(memory.Get(), bitmap.Get());
  // A new bitmap's content is undefined: black where no line is drawn.
  FillRect(memory.Get(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

  std::vector<CellRect> cells;
  for (int i = 0; i < gridSize_ * gridSize_; ++i) cells.push_back(cells_[i].rect);
  {
    base::ScopedPen pen(CreatePen(PS_SOLID, kPenWidth, kGridColor));
    base::ScopedSelectObject penIn(memory.Get(), pen.Get());
    for (const GridLine& line : GridLines(client, cells, gridSize_)) {
      MoveToEx(memory.Get(), line.from.x, line.from.y, nullptr);
      LineTo(memory.Get(), line.to.x, line.to.y);
    }
  }
  {
    base::ScopedPen pen(CreatePen(PS_SOLID, kPenWidth, kSelectionColor));
    base::ScopedSelectObject penIn(memory.Get(), pen.Get());
    for (int i = 0; i < gridSize_ * gridSize_; ++i) {
      const CWatchWnd* window = cells_[i].window.get();
      if (!window || !window->IsSelected()) continue;
      const auto frame = SelectionFrame(cells_[i].rect);
      Polyline(memory.Get(), frame.data(), static_cast<int>(frame.size()));
    }
  }
  BitBlt(dc, client.left, client.top, width, height, memory.Get(), 0, 0, SRCCOPY);
}

void CTessalyCtrl::RepaintAllWindows() {
  for (Cell& cell : cells_) {
    if (cell.window) cell.window->Invalidate(true);
  }
}

// ---- cameras and windows ------------------------------------------------------------------

void CTessalyCtrl::ConnectAll() {
  for (int i = 0; i < kCellCount; ++i) {
    const std::string text = Table().CameraText(i);
    if (!text.empty() && WindowAt(i)) Streams().StartStream(WindowAt(i), text);
  }
}

void CTessalyCtrl::BindWindow(CWatchWnd* window, int index) {
  if (!window) return;
  const CCameraTable& table = Table();
  window->BindCamera(table.GetAddress(index), table.GetPort(index), table.GetUser(index),
                     table.GetPassword(index), table.GetNick(index),
                     table.Settings().showSubtitle);
  window->SetTitle(table.GetNick(index));
}

void CTessalyCtrl::UnbindWindow(CWatchWnd* window) {
  if (window) window->UnbindCamera();
}

void CTessalyCtrl::ExchangeWindows(int a, int b) {
  if (a < 0 || a >= kCellCount || b < 0 || b >= kCellCount || a == b) return;
  CWatchWnd* first = cells_[a].window.get();
  CWatchWnd* second = cells_[b].window.get();
  if (!first || !second) return;
  first->SetNumber(b);
  second->SetNumber(a);
  std::swap(cells_[a].window, cells_[b].window);
  // What was queued for either index is about the camera that now sits at the other, and
  // so are the files its snapshots will be heard under.
  stalePosts_.NoteExchange(GetSafeHwnd(), a, b);
  std::swap(snapshotFiles_[a], snapshotFiles_[b]);
  LayoutWindows(false, true);
  cells_[a].window->Invalidate(true);
  cells_[b].window->Invalidate(true);
}

void CTessalyCtrl::NoteCameraGone(int index, const std::string& namedCameraText) {
  if (index < 0 || index >= kCellCount) return;
  // Its snapshots' posts now concern no camera and are dropped unheard; its recordings'
  // are still heard, under the camera as it was. A last state still owed by its stream
  // would come after the note, under the index of whatever camera comes next.
  CThreadManager::IndexHold hold(Streams());
  stalePosts_.NoteGone(GetSafeHwnd(), index, namedCameraText);
  Streams().DropOwedStates(index);
  snapshotFiles_[index].clear();
}

void CTessalyCtrl::RebindStream(const std::string& cameraText, int index) {
  if (CWatchWnd* window = WindowAt(index)) Streams().MoveStream(cameraText, window);
}

int CTessalyCtrl::StopCamera(int index) {
  if (index < 0 || index >= kCellCount) return 0;
  StopStreamsOf(index);
  if (CWatchWnd* window = WindowAt(index)) window->SendCommand(kHomeCommand);
  return 1;
}

void CTessalyCtrl::StopStreamsOf(int index) {
  Table().SetState(index, kCamStateStopped);
  const std::string text = Table().CameraText(index);
  if (!text.empty()) Streams().RequestStop(text);
  // The slot of the camera's text and every slot bound to its window: after an exchange
  // of windows they can differ.
  for (int s = 0; s < CThreadManager::kSlotCount && !text.empty(); ++s) {
    StreamSlot* slot = Streams().SlotAt(s);
    if (!slot) continue;
    bool match = false;
    {
      base::CScopedLock hold(slot->lock);
      match = !slot->host.empty() && FormatCameraText(slot->host, slot->port) == text;
    }
    if (match) Streams().StopStream(s);
  }
  CWatchWnd* window = WindowAt(index);
  if (window) {
    for (int guard = 0; guard < CThreadManager::kSlotCount; ++guard) {
      const int s = Streams().SlotIndexByWindow(window->Number());
      if (s < 0) break;
      Streams().StopStream(s);
    }
  }
}

// ---- selection and full-window mode --------------------------------------------------------

LRESULT CTessalyCtrl::SelectWindow(WPARAM wParam, LPARAM lParam) {
  const int n = static_cast<int>(wParam & 0xFFFF);
  if (n >= kCellCount) return 0;
  const bool panTilt = (wParam & 0xFFFF0000u) == 0;
  for (int i = 0; i < kCellCount; ++i) {
    if (cells_[i].window) cells_[i].window->SetSelected(i == n ? 1 : 0);
  }
  const CCameraTable& table = Table();
  if (!FireSelect(n, table.GetDomainName(n), table.GetPort(n), table.GetUser(n), table.GetNick(n),
                  table.GetState(n))) {
    return 1;
  }
  if (n == selected_) {
    if (panTilt) {
      ClickToPanTilt(n, static_cast<int>(static_cast<LONG>(lParam) >> 16),
                     static_cast<int>(lParam & 0xFFFF));
    }
    return 1;
  }
  if (CWatchWnd* window = WindowAt(n)) SetFocus(window->GetSafeHwnd());
  RepaintAllWindows();
  selected_ = n;
  Invalidate(true);
  return 1;
}

LRESULT CTessalyCtrl::ToggleFullWindow(int n, int state) {
  fullWindow_ = state;
  if (gridSize_ == 1) return 1;
  const RECT client = ClientRect();
  const int count = gridSize_ * gridSize_;
  if (state == 1) {
    for (int i = 0; i < count; ++i) {
      if (cells_[i].window) cells_[i].window->Show(SW_HIDE);
    }
    if (CWatchWnd* window = WindowAt(n)) {
      window->Move(client, true);
      window->Show(SW_SHOW);
    }
    fullWindowIndex_ = n;
  } else {
    if (CWatchWnd* window = WindowAt(n)) window->Show(SW_HIDE);
    for (int i = 0; i < count; ++i) {
      if (!cells_[i].window) continue;
      const CellRect& r = cells_[i].rect;
      cells_[i].window->Move(RECT{r.x, r.y, r.x + r.width, r.y + r.height}, true);
      cells_[i].window->Show(SW_SHOW);
    }
    fullWindowIndex_ = -1;
  }
  Invalidate(true);
  return 1;
}

void CTessalyCtrl::MoveSelection(WPARAM key) {
  const int target = ArrowTarget(key, selected_, gridSize_, fullWindow_ == 1);
  if (target < 0) return;
  // Never a camera move: the high bit says no pan/tilt.
  SelectWindow(static_cast<WPARAM>(target) | kSelectSentFlag, 1);
}

// ---- messages ---------------------------------------------------------------------------------

bool CTessalyCtrl::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  static constexpr fw::MessageEntry<CTessalyCtrl> kMessages[] = {
      fw::OnMessage<&CTessalyCtrl::OnWatchFullWindow>(WM_WATCH_FULLWINDOW),
      fw::OnMessage<&CTessalyCtrl::OnWatchSelect>(WM_WATCH_SELECT),
      fw::OnMessage<&CTessalyCtrl::OnWatchKey>(WM_WATCH_KEY),
      fw::OnMessage<&CTessalyCtrl::OnCamState>(WM_CAM_STATE),
      fw::OnMessage<&CTessalyCtrl::OnCamSnapped>(WM_CAM_SNAPPED),
      fw::OnMessage<&CTessalyCtrl::OnCamRecord>(WM_CAM_RECORD),
      fw::OnMessage<&CTessalyCtrl::OnCamVideoSize>(WM_CAM_VIDEOSIZE),
      fw::OnMessage<&CTessalyCtrl::OnWndSwapped>(WM_WND_SWAPPED),
      fw::OnMessage<&CTessalyCtrl::OnStateFence>(CStalePostFilter::kFenceMessage),
      fw::OnMessage<&CTessalyCtrl::OnInitMenuPopup>(WM_INITMENUPOPUP),
      fw::OnCommandRange<&CTessalyCtrl::OnMenuCommand>(ID_CAM_OPEN, ID_OTHER_SETTINGS),
  };
  return fw::RouteMessage(*this, kMessages, msg, w, l, result) ||
         COleControl::OnWndMsg(msg, w, l, result);
}

LRESULT CTessalyCtrl::OnWatchFullWindow(WPARAM w, LPARAM l) {
  if (!IsCameraIndex(w)) return 0;
  return ToggleFullWindow(static_cast<int>(w), static_cast<int>(l));
}

LRESULT CTessalyCtrl::OnWatchSelect(WPARAM w, LPARAM l) { return SelectWindow(w, l); }

LRESULT CTessalyCtrl::OnWatchKey(WPARAM w, LPARAM) {
  if (w >= VK_LEFT && w <= VK_DOWN) {
    MoveSelection(w);
  } else if (w == 'C') {
    CloseSelected();
  } else if (w == 'L') {
    OpenSelected();
  }
  return 0;
}

int CTessalyCtrl::PostedIndex(WPARAM w, int* goneAt, std::string* goneCamera) const {
  if (!IsCameraIndex(w)) return -1;
  return stalePosts_.Resolve(static_cast<int>(w), goneAt, goneCamera);
}

LRESULT CTessalyCtrl::OnStateFence(WPARAM, LPARAM) {
  stalePosts_.OnFence();
  return 0;
}

LRESULT CTessalyCtrl::OnCamState(WPARAM w, LPARAM l) {
  if (!IsCameraIndex(w)) return 0;
  const int i = PostedIndex(w);
  if (i < 0) return 1;  // its camera is gone
  const int state = static_cast<int>(l);
  if (state == kCamStateNotAuthorised) {
    WindowWatch watch(*this);
    StopCamera(i);
    if (!watch.Alive()) return 1;
  }
  if (!FireReConnect(Table().NamedCameraText(i), state)) return 1;
  Table().SetState(i, state == kCamStateNotAuthorised ? kCamStateStopped : state);
  return 1;
}

LRESULT CTessalyCtrl::OnCamSnapped(WPARAM w, LPARAM) {
  if (!IsCameraIndex(w)) return 0;
  const int i = PostedIndex(w);
  if (i < 0) return 1;
  std::string file = Table().GetSnapshotPath(i);
  if (!snapshotFiles_[i].empty()) {
    file = std::move(snapshotFiles_[i].front());
    snapshotFiles_[i].pop_front();
  }
  FireSnapSuccess(Table().NamedCameraText(i), file);
  return 1;
}

LRESULT CTessalyCtrl::OnCamRecord(WPARAM w, LPARAM l) {
  if (!IsCameraIndex(w)) return 0;
  // Taken first: each message takes the file it was posted with, also one not heard.
  const std::optional<std::string> posted = TakeRecordStateFile(w);
  int goneAt = -1;
  std::string goneCamera;
  const int i = PostedIndex(w, &goneAt, &goneCamera);
  const int status = static_cast<int>(l);
  if (i < 0) {
    // The host's recording of a camera that went meanwhile: heard under the camera as it was.
    if (goneAt < 0 || goneCamera.empty() || !posted) return 1;
    FireRecordStatus(goneCamera, *posted, status);
    return 1;
  }
  // Posted by someone else: the record's path is all there is to go by.
  const std::string file = posted ? *posted : Table().GetRecordingPath(i);
  if (CWatchWnd* window = WindowAt(i)) window->SetRecording(status);
  FireRecordStatus(Table().NamedCameraText(i), file, status);
  return 1;
}

LRESULT CTessalyCtrl::OnCamVideoSize(WPARAM w, LPARAM l) {
  const int i = PostedIndex(w);
  if (i < 0) return 0;
  CameraRecord* record = Table().RecordAt(i);
  if (record && record->InUse()) {
    record->videoWidth = static_cast<uint16_t>((static_cast<DWORD>(l) >> 16) & 0xFFFF);
    record->videoHeight = static_cast<uint16_t>(static_cast<DWORD>(l) & 0xFFFF);
  }
  return 0;
}

LRESULT CTessalyCtrl::OnWndSwapped(WPARAM w, LPARAM l) {
  int windows[2] = {static_cast<int>(w), static_cast<int>(l)};
  FireCamEvent(1, reinterpret_cast<long*>(windows), static_cast<int>(sizeof(windows)));
  return 1;
}

}  // namespace liveview
