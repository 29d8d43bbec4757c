#include "setuptool/orvex_dlg.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "base/scoped_gdi.h"
#include "framework/application.h"
#include "framework/exception_guard.h"
#include "framework/module.h"
#include "setuptool/about_dlg.h"
#include "setuptool/resource_ids.h"
#include "setuptool/set_ip_dlg.h"
#include "setuptool/tool_texts.h"

namespace setuptool {
namespace {

struct Column {
  UINT title;
  int width;
};
constexpr Column kColumns[] = {
    {IDS_COLUMN_SERIAL, 120}, {IDS_COLUMN_ADDRESS, 120}, {IDS_COLUMN_FIRMWARE, 100}};

std::string MacText(const common::MacAddress& mac) {
  char text[16];
  std::snprintf(text, sizeof text, "%02x%02x%02x%02x%02x%02x", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

std::string AddressText(uint32_t address, uint16_t port) {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u:%d", address >> 24, (address >> 16) & 0xFF,
                (address >> 8) & 0xFF, address & 0xFF, static_cast<int>(port));
  return text;
}

void SetItemText(HWND list, int row, int column, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

std::string BrowserCommandLine(const std::string& browserPath, uint32_t hostOrderAddress,
                               uint16_t port) {
  std::string line = browserPath;
  if (line.find(' ') != std::string::npos && line.front() != '"') line = '"' + line + '"';
  return line + " http://" + AddressText(hostOrderAddress, port);
}

DWORD StartBrowserProcess(const std::string& commandLine) {
  STARTUPINFOA startup{};
  static_assert(sizeof startup == 68, "the size the system expects of a 32-bit program");
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started)) {
    const DWORD error = GetLastError();
    return error ? error : ERROR_GEN_FAILURE;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return 0;
}

COrvexDlg::COrvexDlg(common::IpHelper& ip)
    : CDialog(IDD_ORVEX_DIALOG),
      ip_(ip),
      clock_([] { return static_cast<int64_t>(std::time(nullptr)); }) {}

COrvexDlg::~COrvexDlg() { StopThreads(); }

void COrvexDlg::DoDataExchange(fw::DataExchange& dx) { dx.Control(IDC_CAMERA_LIST, &list_); }

BOOL COrvexDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  HWND self = GetSafeHwnd();

  if (HMENU menu = GetSystemMenu(self, FALSE)) {
    const std::wstring about = ToolTextW(IDS_ABOUTBOX);
    if (!about.empty()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, kAboutCommand, about.c_str());
    }
  }

  icon_ = LoadIconW(fw::Module::Get().ResourceInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME));
  SendMessageW(self, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(self, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

  for (int i = 0; i < 3; ++i) {
    const std::wstring title = ToolTextW(kColumns[i].title);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = kColumns[i].width;
    column.pszText = const_cast<wchar_t*>(title.c_str());
    SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(&column));
  }
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);

  ReadBrowserPath();

  channel_ = std::make_shared<DiscoveryChannel>();
  if (!channel_->Ready()) return FALSE;
  cams_.Clear();

  base::ScopedSocket& send = channel_->SendSocket();
  send.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (!send) {
    ToolMessageBox(self, ToolText(IDS_SEND_SOCKET_FAIL));
    return FALSE;
  }
  const BOOL on = TRUE;
  if (setsockopt(send.Get(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                 sizeof on) != 0) {
    ToolMessageBox(self, ToolText(IDS_SET_BROADCAST_FAIL));
    send.Reset();
    return FALSE;
  }

  StartThreads();
  SetTimer(kAgeingTimer, kAgeingPeriodMs);
  return TRUE;
}

void COrvexDlg::ReadBrowserPath() {
  browserPath_.clear();
  HKEY key = nullptr;
  if (RegOpenKeyExA(browserRoot_, browserKey_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return;
  }
  // Room for a NUL after the longest path: a value that fills the 256 bytes without one
  // still ends inside the buffer (the system's reader may want to add it).
  char path[kBrowserPathSize + 1] = {};
  DWORD size = sizeof path;
  const LONG read =
      RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS) return;
  browserPath_.assign(path, strnlen(path, kBrowserPathSize));
}

bool COrvexDlg::StartThreads() {
  channel_->SetNotifyWindow(GetSafeHwnd());
  const std::shared_ptr<DiscoveryChannel> channel = channel_;
  listener_.Reset(
      fw::StartGuardedThread("ListenThread", [channel] { return ListenThread(channel); }));
  searcher_.Reset(
      fw::StartGuardedThread("SearchThread", [channel] { return SearchThread(channel); }));
  listenerId_ = listener_ ? GetThreadId(listener_.Get()) : 0;
  searchId_ = searcher_ ? GetThreadId(searcher_.Get()) : 0;
  return listener_ && searcher_;
}

void COrvexDlg::StopThreads() {
  if (!channel_) return;
  channel_->SetNotifyWindow(nullptr);
  channel_->Stop();
  bool joined = true;
  for (base::ScopedHandle* thread : {&listener_, &searcher_}) {
    if (*thread && WaitForSingleObject(thread->Get(), joinMs_) != WAIT_OBJECT_0) joined = false;
    thread->Reset();
  }
  // A thread still running (inside a box) keeps the channel, and with it the socket it may
  // still send on, until it ends.
  if (joined) channel_->SendSocket().Reset();
  channel_.reset();
}

void COrvexDlg::OnDestroy() {
  KillTimer(kAgeingTimer);
  StopThreads();
  if (list_) SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
  list_ = nullptr;
  cams_.Clear();
  Default();
}

bool COrvexDlg::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  switch (msg) {
    case kRepliesQueuedMessage:
      if (channel_) {
        for (const common::SearchReply& reply : channel_->TakeQueued()) UpdateCamList(reply);
      }
      *result = 0;
      return true;
    case WM_SYSCOMMAND:
      if ((w & 0xFFF0) == kAboutCommand) {
        CAboutDlg about(GetSafeHwnd());
        about.DoModal();
        *result = 0;
        return true;
      }
      return false;
    case WM_QUERYDRAGICON:
      *result = reinterpret_cast<LRESULT>(icon_);
      return true;
    case WM_HELP:
      if (fw::CApplication* app = fw::CApplication::Get()) app->OnAppCommand(fw::kHelpCommand);
      *result = TRUE;
      return true;
    default:
      return CDialog::OnWndMsg(msg, w, l, result);
  }
}

void COrvexDlg::OnPaint() {
  HWND self = GetSafeHwnd();
  if (!IsIconic(self)) {
    Default();
    return;
  }
  base::ScopedPaint paint(self);
  if (!paint) return;
  SendMessageW(self, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.Get()), 0);
  const int iconWidth = GetSystemMetrics(SM_CXICON), iconHeight = GetSystemMetrics(SM_CYICON);
  RECT client{};
  GetClientRect(self, &client);
  const int x = (client.right - client.left - iconWidth + 1) / 2;
  const int y = (client.bottom - client.top - iconHeight + 1) / 2;
  DrawIcon(paint.Get(), x, y, icon_);
}

void COrvexDlg::OnTimer(UINT_PTR) {
  AgeCamList();
  Default();
}

bool COrvexDlg::OnCommand(UINT id, UINT code, HWND control) {
  if (code != BN_CLICKED) return CDialog::OnCommand(id, code, control);
  switch (id) {
    case IDC_SET_IP:
      if (CameraNode* camera = SelectedCamera()) {
        SetSelectedCameraAddress(*camera);
      } else {
        ToolMessageBox(GetSafeHwnd(), ToolText(IDS_SELECT_CAMERA));
      }
      return true;
    case IDC_CONNECT:
      OnConnect();
      return true;
    case IDC_REFRESH:
      Refresh();
      return true;
    case IDC_ABOUT:
      ToolMessageBox(GetSafeHwnd(), ToolText(IDS_VERSION_BOX));
      return true;
    case IDC_SET_IP_BY_SERIAL:
      SetAddressBySerialNumber();
      return true;
    default:
      return CDialog::OnCommand(id, code, control);
  }
}

bool COrvexDlg::OnNotify(NMHDR* header, LRESULT* result) {
  if (header->idFrom == IDC_CAMERA_LIST && header->code == NM_DBLCLK) {
    if (CameraNode* camera = SelectedCamera()) SetSelectedCameraAddress(*camera);
    *result = 0;
    return true;
  }
  return CDialog::OnNotify(header, result);
}

void COrvexDlg::SetSelectedCameraAddress(CameraNode& camera) {
  // The dialog works on a copy: the entry may age out while it runs (a camera that reboots
  // is silent for longer than the list keeps it).
  CameraNode copy = camera;
  copy.next = copy.prev = nullptr;
  CSetIPDlg dialog(GetSafeHwnd());
  dialog.entry = &copy;
  dialog.mainDialog = this;
  dialog.SetTickPeriod(setTickMs_);
  if (credentialsTemplate_) dialog.SetCredentialsTemplate(credentialsTemplate_);
  const INT_PTR result = dialog.DoModal();
  if (result == IDOK && GetSafeHwnd()) {
    if (CameraNode* entry = cams_.Find(copy.mac)) {
      entry->address = dialog.newAddress;
      entry->mask = dialog.newMask;
      entry->gateway = dialog.newGateway;
      const int row = RowOf(entry);
      if (row >= 0) SetItemText(list_, row, 1, AddressText(entry->address, entry->port));
    }
  }
  if (setDialogEnded_) setDialogEnded_(result);
}

void COrvexDlg::SetAddressBySerialNumber() {
  CSetIPByMacDlg dialog(GetSafeHwnd());
  dialog.mainDialog = this;
  dialog.SetTickPeriod(setTickMs_);
  if (credentialsTemplate_) dialog.SetCredentialsTemplate(credentialsTemplate_);
  const INT_PTR result = dialog.DoModal();
  if (result == IDOK && GetSafeHwnd()) {
    const int rows = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
      LVITEMA item{};
      item.mask = LVIF_PARAM;
      item.iItem = row;
      if (!SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) continue;
      auto* entry = reinterpret_cast<CameraNode*>(item.lParam);
      if (!entry || entry->mac != dialog.targetMac) continue;
      // Mask and gateway stay until the camera's next reply.
      entry->address = dialog.newAddress;
      SetItemText(list_, row, 1, AddressText(entry->address, entry->port));
    }
  }
  if (setDialogEnded_) setDialogEnded_(result);
}

CameraNode* COrvexDlg::SelectedCamera() const {
  const int row = static_cast<int>(
      SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (row < 0) return nullptr;
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<CameraNode*>(item.lParam);
}

int COrvexDlg::RowOf(const CameraNode* camera) const {
  LVFINDINFOA find{};
  find.flags = LVFI_PARAM;
  find.lParam = reinterpret_cast<LPARAM>(camera);
  return static_cast<int>(
      SendMessageA(list_, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

void COrvexDlg::SetRowTexts(int row, const CameraNode& camera, const char* firmware) {
  SetItemText(list_, row, 1, AddressText(camera.address, camera.port));
  SetItemText(list_, row, 2, firmware);
}

void COrvexDlg::UpdateCamList(const common::SearchReply& reply) {
  const int64_t now = clock_();
  if (CameraNode* known = cams_.Find(reply.mac)) {
    CameraList::Refresh(*known, reply, now);
    const int row = RowOf(known);
    if (row >= 0) SetRowTexts(row, *known, reply.firmware.data());
    return;
  }
  CameraNode* added = cams_.Add(reply, now);
  if (!added) return;
  const std::string mac = MacText(added->mac);
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<char*>(mac.c_str());
  item.lParam = reinterpret_cast<LPARAM>(added);
  const int row =
      static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) {
    cams_.Remove(added);  // no row to show it: heard again at the next search
    return;
  }
  SetRowTexts(row, *added, reply.firmware.data());
}

void COrvexDlg::AgeCamList() {
  CameraNode* stale = cams_.FirstStale(clock_());
  if (!stale) return;
  const int row = RowOf(stale);
  if (row >= 0) SendMessageW(list_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
  cams_.Remove(stale);
}

void COrvexDlg::Refresh() {
  SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
  cams_.Clear();
  if (!channel_) return;
  // What was heard before the list was cleared belongs to the old list.
  channel_->DropQueued();
  channel_->RequestSearch();
}

void COrvexDlg::OnConnect() {
  const CameraNode* camera = SelectedCamera();
  if (!camera) {
    ToolMessageBox(GetSafeHwnd(), ToolText(IDS_SELECT_CAMERA));
    return;
  }
  // Copied first: the entry may age out while the warning is open.
  const uint32_t address = camera->address, mask = camera->mask;
  const uint16_t port = camera->port;
  if (!IsLocalSubnet(address, mask)) {
    ToolMessageBox(GetSafeHwnd(), ToolText(IDS_NOT_SAME_SUBNET));
  }
  OpenCamPage(address, port);
}

bool COrvexDlg::SendPacket(const uint8_t* bytes, size_t size) {
  if (!channel_) return false;
  return channel_->SendPacket(bytes, size, GetSafeHwnd());
}

void COrvexDlg::OpenCamPage(uint32_t hostOrderAddress, uint16_t port) {
  const std::string line = BrowserCommandLine(browserPath_, hostOrderAddress, port);
  const DWORD error = startProcess_ ? startProcess_(line) : StartBrowserProcess(line);
  if (error == 0) return;
  char text[32];
  std::snprintf(text, sizeof text, "fail open:%d\n", static_cast<int>(error));
  ToolMessageBox(GetSafeHwnd(), text);
}

std::optional<common::LocalAddress> COrvexDlg::GetLocalIP() {
  auto local = common::GetLocalIP(ip_);
  if (local) {
    local->address = ntohl(local->address);
    local->mask = ntohl(local->mask);
    local->gateway = ntohl(local->gateway);
  }
  return local;
}

bool COrvexDlg::ArpProbe(uint32_t hostOrderAddress, common::MacAddress* answering) {
  return common::ProbeAddress(ip_, htonl(hostOrderAddress), answering) ==
         common::ArpResult::kAnswered;
}

std::optional<common::LocalAddress> COrvexDlg::FindIdleAddress() {
  auto idle = common::FindIdleAddress(ip_);
  if (idle) {
    idle->address = ntohl(idle->address);
    idle->mask = ntohl(idle->mask);
    idle->gateway = ntohl(idle->gateway);
  }
  return idle;
}

std::optional<uint32_t> COrvexDlg::FindFreeAddress(uint32_t hostOrderStart,
                                                   uint32_t hostOrderGateway,
                                                   uint32_t hostOrderMask) {
  const auto free = common::FindFreeAddress(ip_, htonl(hostOrderStart), htonl(hostOrderGateway),
                                            htonl(hostOrderMask));
  if (!free) return std::nullopt;
  return ntohl(*free);
}

bool COrvexDlg::IsLocalSubnet(uint32_t hostOrderAddress, uint32_t hostOrderMask) {
  return common::IsLocalSubnet(ip_, htonl(hostOrderAddress), htonl(hostOrderMask));
}

size_t COrvexDlg::AddTempIPAddress(uint32_t hostOrderAddress, uint32_t hostOrderMask,
                                   common::TempAddresses& temp) {
  return common::AddTempIPAddress(ip_, htonl(hostOrderAddress), htonl(hostOrderMask), temp);
}

void COrvexDlg::DeleteTempIPAddress(common::TempAddresses& temp) {
  common::DeleteTempIPAddress(ip_, temp);
}

}  // namespace setuptool
