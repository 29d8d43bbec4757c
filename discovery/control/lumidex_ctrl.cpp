#include "discovery/control/lumidex_ctrl.h"

#include <winsock2.h>

#include <cstdio>
#include <cstring>

#include "base/scoped_lock.h"
#include "common/discovery_messages.h"
#include "common/log_writer.h"
#include "common/pc_address.h"
#include "common/pump_messages.h"
#include "discovery/control/lumidex_classes.h"
#include "discovery/control/resource.h"
#include "framework/dialog.h"
#include "framework/modal_loop.h"

namespace discovery {
namespace {

// The finder writes its log lines at levels 1 and 2, so none reaches "c:\dizev.log".
constexpr int kLogLevelMask = 4;
constexpr DWORD kSetIPWaitMs = 10000;
constexpr DWORD kArpRetryMs = 100;
constexpr DWORD kPostRetryMs = 10;
// IP2String writes, and String2IP reads, at most this much of the caller's buffer.
constexpr size_t kAddressTextRoom = 16;

uint32_t Bits(long value) { return static_cast<uint32_t>(value); }
long Value(uint32_t bits) { return static_cast<long>(bits); }

std::string MacText(const common::MacAddress& mac) {
  char text[2 * common::kMacSize + 1];
  std::snprintf(text, sizeof text, "%02x%02x%02x%02x%02x%02x", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

}  // namespace

CLumidexCtrl::CLumidexCtrl(common::IpHelper& ipHelper)
    : COleControl(kLumidexClass), CCameraFinder(ipHelper) {
  common::SetLogLevelMask(kLogLevelMask);
}

CLumidexCtrl::~CLumidexCtrl() { StopAll(); }

fw::ControlDispatchTable CLumidexCtrl::GetDispatchTable() {
  static constexpr fw::ControlDispatchEntry kTable[] = {
      fw::ControlMethod<&CLumidexCtrl::Init>(1, "Init"),
      fw::ControlMethod<&CLumidexCtrl::Uninit>(2, "Uninit"),
      fw::ControlMethod<&CLumidexCtrl::Reflesh>(3, "Reflesh"),
      fw::ControlMethod<&CLumidexCtrl::VisitIPCam>(4, "VisitIPCam"),
      fw::ControlMethod<&CLumidexCtrl::SetIP>(5, "SetIP"),
      fw::ControlMethod<&CLumidexCtrl::IsIPConflict>(6, "IsIPConflict"),
      fw::ControlMethod<&CLumidexCtrl::GetFreeIP>(7, "GetFreeIP"),
      fw::ControlMethod<&CLumidexCtrl::IP2String>(8, "IP2String"),
      fw::ControlMethod<&CLumidexCtrl::String2IP>(9, "String2IP"),
      fw::ControlMethod<&CLumidexCtrl::IsValidMacAddr>(10, "IsValidMacAddr"),
      fw::ControlMethod<&CLumidexCtrl::AutoAllocate>(11, "AutoAllocate"),
      fw::ControlMethod<&CLumidexCtrl::IsLocalIP>(12, "IsLocalIP"),
      fw::ControlMethod<&CLumidexCtrl::AboutBox>(DISPID_ABOUTBOX, "AboutBox"),
  };
  return kTable;
}

// --- starting and stopping ---

void CLumidexCtrl::Init(long* lRetCode) {
  *lRetCode = 0;
  // The window first: the listener must have somewhere to post from its first reply on.
  if (!notify_) {
    auto window = fw::MakeWnd<CNotifyWnd>();
    if (!window->CreateHidden()) return;
    notify_ = std::move(window);
  }
  notify_->SetCallback(&CLumidexCtrl::NotifyCallback, this);
  notifyWindow_.store(notify_->GetSafeHwnd());
  if (!StartSearch()) {
    StopAll();
    return;
  }
  initialised_ = true;
  ClearFound();
  if (searchTimer_ == 0) {
    searchTimer_ = notify_->SetTimer(IDT_SEARCH, kSearchPeriodMs);
    if (searchTimer_ == 0) {
      StopAll();
      return;
    }
  }
  *lRetCode = 1;
}

void CLumidexCtrl::Uninit(long* lRetCode) {
  *lRetCode = 1;
  StopAll();
}

void CLumidexCtrl::StopAll() {
  initialised_ = false;
  // The listener is gone before the window: nothing posts to a window that no longer exists.
  StopSearch();
  DropQueue();
  notifyWindow_.store(nullptr);
  if (notify_) {
    if (searchTimer_ != 0) notify_->KillTimer(IDT_SEARCH);
    // Inside the window's own message (an event handler that calls Uninit) the window goes
    // now and its object once that message is done.
    notify_.reset();
  }
  searchTimer_ = 0;
}

void CLumidexCtrl::Reflesh(long* lRetCode) {
  *lRetCode = 0;
  ClearFound();
  *lRetCode = 1;
}

void CLumidexCtrl::DropQueue() {
  base::CScopedLock lock(queueLock_);
  queue_.clear();
  reported_.clear();
}

void CLumidexCtrl::ClearFound() {
  DropQueue();
  ClearCamList();
}

// --- from the listener to the host's thread ---

void CLumidexCtrl::OnCameraFound(const common::SearchReply& reply) {
  {
    base::CScopedLock lock(queueLock_);
    queue_.push_back(reply.mac);
  }
  // Only a wake-up: whatever arrives as 2135, from us or from anyone, makes the control
  // look at its own queue and nothing else.
  while (IsListening()) {
    const HWND window = notifyWindow_.load();
    if (!window || PostMessageA(window, WM_CAMFOUND, 0, 0)) return;
    Sleep(kPostRetryMs);
  }
}

void CLumidexCtrl::NotifyCallback(void* context, UINT code, WPARAM w, LPARAM l) {
  auto* control = static_cast<CLumidexCtrl*>(context);
  if (code == CB_CAMFOUND) {
    control->ForwardToWindowProc(CB_CAMFOUND, w, l);
  } else {
    control->OnSearchTimer(w);
  }
}

LRESULT CLumidexCtrl::ForwardToWindowProc(UINT msg, WPARAM w, LPARAM l) {
  // As a message of the control's own: it holds a reference on the control while the host
  // runs its event handler, and a control released there is deleted only afterwards.
  return Dispatch(msg, w, l);
}

void CLumidexCtrl::OnSearchTimer(WPARAM id) {
  if (id == IDT_SEARCH) SendSearch();
}

bool CLumidexCtrl::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  if (msg == CB_CAMFOUND) {
    FireQueuedCameras();
    *result = 1;
    return true;
  }
  return COleControl::OnWndMsg(msg, w, l, result);
}

void CLumidexCtrl::FireQueuedCameras() {
  for (;;) {
    common::MacAddress mac;
    {
      base::CScopedLock lock(queueLock_);
      if (queue_.empty()) return;
      mac = queue_.front();
      queue_.pop_front();
      // The listener reports outside its list lock, so a camera of before a clear may be
      // queued after it: only what the list still holds counts, and each camera once.
      if (reported_.count(mac) != 0) continue;
    }
    const auto node = FindInCamList(mac);
    if (!node) continue;
    {
      base::CScopedLock lock(queueLock_);
      reported_.insert(mac);
    }
    // The host may call any member here, Uninit and Init included, or drop the control.
    FireEvent(kDispidOnEnumIPCam, MacText(node->mac), Value(node->address),
              std::string(node->firmware.data()), Value(node->mask), Value(node->gateway),
              static_cast<short>(node->port));
  }
}

// --- addresses ---

void CLumidexCtrl::VisitIPCam(long ip, short port, long* lRetCode) {
  OpenCamPage(ntohl(Bits(ip)), static_cast<uint16_t>(port));
  *lRetCode = 1;
}

void CLumidexCtrl::SetIP(long ip, long mask, long gateway, const std::string& macAddr,
                         const std::string& userName, const std::string& pwd, long* lRetCode) {
  *lRetCode = 0;
  // The value as passed, in network byte order: its low byte is the first octet.
  if (!CheckIPOctet(Bits(ip))) return;
  const uint32_t address = ntohl(Bits(ip));
  const uint32_t netMask = ntohl(Bits(mask));
  if ((address & netMask) != (ntohl(Bits(gateway)) & netMask)) {
    *lRetCode = -2;
    return;
  }
  common::MacAddress mac{};
  if (!ParseMacAddr(macAddr, mac)) return;
  // A camera not found since the last clear gets no request.
  const auto passwordText = MakePwdField(mac, pwd);
  if (!passwordText) return;

  common::SetAddressParams params{};
  params.address = address;
  params.mask = netMask;
  params.gateway = ntohl(Bits(gateway));
  params.mac = mac;
  params.userName = userName;
  params.passwordText = *passwordText;
  const auto request = common::BuildSetAddressRequest(params);

  common::IpHelper& ipHelper = IpHelperInUse();
  const common::TempAddressScope temp(ipHelper, Bits(ip), Bits(mask),
                                      common::kSetAddressTempOffset);
  SendPacket(request.data(), request.size());

  // Events and timer searches go on while the camera takes its address; the host may call
  // back or drop the control, which Invoke's reference keeps alive until we return.
  fw::ModalScope scope(this);
  const DWORD start = GetTickCount();
  for (;;) {
    common::MacAddress answering{};
    if (common::ProbeAddress(ipHelper, Bits(ip), &answering) == common::ArpResult::kAnswered &&
        answering == mac) {
      *lRetCode = 1;
      return;
    }
    if (GetTickCount() - start >= kSetIPWaitMs) return;
    if (!common::PumpMessages(kArpRetryMs)) return;  // WM_QUIT: posted again for the host
  }
}

void CLumidexCtrl::IsIPConflict(long ip, long mask, long* lRetCode) {
  *lRetCode = 0;
  *lRetCode = IsAddressInUse(Bits(ip), Bits(mask)) ? 1 : 0;
}

void CLumidexCtrl::GetFreeIP(long* ip, long mask, long gateway, long* lRetCode) {
  *lRetCode = 0;
  // The control's own state: the finder's started flag falls when its listener ends.
  if (!initialised_) return;
  const auto found = FindFreeAddress(Bits(*ip), Bits(gateway), Bits(mask));
  if (!found) return;
  *ip = Value(*found);
  *lRetCode = 1;
}

void CLumidexCtrl::IP2String(long ip, fw::CallerBuffer buf) {
  if (!buf) return;
  const uint32_t value = Bits(ip);
  char text[kAddressTextRoom];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", (value >> 24) & 0xFF, (value >> 16) & 0xFF,
                (value >> 8) & 0xFF, value & 0xFF);
  std::memcpy(buf.Bytes(), text, std::strlen(text) + 1);
}

void CLumidexCtrl::String2IP(long* ip, fw::CallerBuffer buf) {
  *ip = 0;
  if (!buf) return;
  char text[kAddressTextRoom];
  for (size_t i = 0; i < sizeof text; ++i) {
    text[i] = buf.Bytes()[i];
    if (text[i] == '\0') {
      *ip = Value(inet_addr(text));
      return;
    }
  }
}

void CLumidexCtrl::IsValidMacAddr(const std::string& macAddr, long* lRetCode) {
  *lRetCode = 0;
  common::MacAddress mac{};
  *lRetCode = ParseMacAddr(macAddr, mac) ? 1 : 0;
}

void CLumidexCtrl::AutoAllocate(long* ip, long* mask, long* gateway, long* lRetCode) {
  *lRetCode = 0;
  const auto idle = FindIdleAddress();
  if (!idle) return;
  *ip = Value(idle->address);
  *mask = Value(idle->mask);
  *gateway = Value(idle->gateway);
  *lRetCode = 1;
}

void CLumidexCtrl::IsLocalIP(long ip, long mask, long* lRetCode) {
  *lRetCode = 0;
  *lRetCode = IsLocalSubnet(Bits(ip), Bits(mask)) ? 1 : 0;
}

// --- user interface ---

void CLumidexCtrl::AboutBox() {
  fw::CDialog about(IDD_ABOUTBOX_LUMIDEX, ContainerWindow());
  about.DoModal();
}

void CLumidexCtrl::OnDraw(HDC dc, const RECT& bounds, const RECT&) {
  FillRect(dc, &bounds, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  Ellipse(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
}

}  // namespace discovery
