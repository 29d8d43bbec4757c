// COrvexDlg, the tool's main dialog (template 102): the list of cameras that answer the
// discovery broadcast, kept current by a search thread and a listener thread, and the
// buttons that act on the selected camera.
//
// Threads: the listener only queues replies (discovery_channel.h); the dialog's thread alone
// creates, updates, ages and frees entries and their rows. Closing the dialog stops both
// threads and joins them for a bounded time; one still inside a message box is left to the
// process end and reaches nothing of the dialog.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/scoped_handle.h"
#include "common/ip_helper.h"
#include "common/pc_address.h"
#include "framework/dialog.h"
#include "setuptool/camera_list.h"
#include "setuptool/discovery_channel.h"

namespace setuptool {

// Where the browser's path is read from: the default value of this key under
// HKEY_LOCAL_MACHINE.
constexpr char kBrowserAppPathKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
constexpr size_t kBrowserPathSize = 256;
constexpr UINT_PTR kAgeingTimer = 1;  // IDT_AGEING
constexpr UINT kAgeingPeriodMs = 5000;
constexpr UINT kAboutCommand = 16;  // the system menu's about item

// "%s http://%u.%u.%u.%u:%d": the browser path, quoted when it holds a blank and is not
// quoted already (else CreateProcess may start "C:\Program.exe"), and the camera's page.
std::string BrowserCommandLine(const std::string& browserPath, uint32_t hostOrderAddress,
                               uint16_t port);
// CreateProcess of a command line with no handle inheritance, no flags, the caller's
// environment and folder; the new process's handles are closed. 0, or GetLastError.
DWORD StartBrowserProcess(const std::string& commandLine);

class COrvexDlg : public fw::CDialog {
 public:
  explicit COrvexDlg(common::IpHelper& ip = common::SystemIpHelper());
  ~COrvexDlg() override;

  // Seams for tests, set before DoModal unless said otherwise.
  // Seconds since 1970 (the C library's time by default), for last seen and ageing.
  void SetClock(std::function<int64_t()> now) { clock_ = std::move(now); }
  // The key whose default value is the browser path.
  void SetBrowserKey(HKEY root, std::string subKey) {
    browserRoot_ = root;
    browserKey_ = std::move(subKey);
  }
  // In place of what was read, at any time.
  void SetBrowserPath(std::string path) { browserPath_ = std::move(path); }
  const std::string& BrowserPath() const { return browserPath_; }
  using ProcessStarter = std::function<DWORD(const std::string& commandLine)>;
  void SetProcessStarter(ProcessStarter start) { startProcess_ = std::move(start); }
  // How long closing waits for each thread.
  void SetJoinTimeout(DWORD ms) { joinMs_ = ms; }

  // For the set dialogs it opens: their tick period (the product's is 1000 ms) and their
  // credentials dialog's template.
  void SetSetDialogTickPeriod(UINT ms) { setTickMs_ = ms; }
  void SetCredentialsTemplate(UINT id) { credentialsTemplate_ = id; }
  // Hears how each set dialog ended, after the main dialog acted on it.
  void SetSetDialogEnded(std::function<void(INT_PTR result)> ended) {
    setDialogEnded_ = std::move(ended);
  }

  // Operations the set dialogs use.
  // One datagram to 255.255.255.255:13000 on the send socket; "send error:%d" on failure.
  virtual bool SendPacket(const uint8_t* bytes, size_t size);
  // The camera's page in the App Paths browser; "fail open:%d\n" when it cannot start.
  void OpenCamPage(uint32_t hostOrderAddress, uint16_t port);
  // The address helpers, in host byte order.
  std::optional<common::LocalAddress> GetLocalIP();
  bool IsLocalSubnet(uint32_t hostOrderAddress, uint32_t hostOrderMask);
  size_t AddTempIPAddress(uint32_t hostOrderAddress, uint32_t hostOrderMask,
                          common::TempAddresses& temp);
  void DeleteTempIPAddress(common::TempAddresses& temp);
  // One ARP probe; true on an answer, with who answered in `answering` when given.
  bool ArpProbe(uint32_t hostOrderAddress, common::MacAddress* answering);
  // The scans of the PC's own subnet (downward) and of a given one (upward).
  std::optional<common::LocalAddress> FindIdleAddress();
  std::optional<uint32_t> FindFreeAddress(uint32_t hostOrderStart, uint32_t hostOrderGateway,
                                          uint32_t hostOrderMask);
  static bool CheckIPOctet(uint32_t hostOrderValue) { return common::CheckIPOctet(hostOrderValue); }
  static bool CheckIPMask(uint32_t hostOrderMask) { return common::CheckIPMask(hostOrderMask); }

  // For tests: the camera list, and the ids of the threads the last run started (0 when
  // none started).
  const CameraList& Cameras() const { return cams_; }
  HWND ListControl() const { return list_; }
  DWORD ListenerThreadId() const { return listenerId_; }
  DWORD SearchThreadId() const { return searchId_; }

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(fw::DataExchange& dx) override;
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT* result) override;
  void OnPaint() override;
  void OnTimer(UINT_PTR id) override;
  void OnDestroy() override;

  // The first selected row's entry; null when none is selected.
  CameraNode* SelectedCamera() const;
  // Set IP Address with a row selected (button 6, or a double-click on the row).
  virtual void SetSelectedCameraAddress(CameraNode& camera);
  // Set IP for Specific Serial Num (button 4).
  virtual void SetAddressBySerialNumber();

 private:
  void UpdateCamList(const common::SearchReply& reply);
  void AgeCamList();
  void Refresh();
  void OnConnect();
  void ReadBrowserPath();
  bool StartThreads();
  void StopThreads();
  int RowOf(const CameraNode* camera) const;
  void SetRowTexts(int row, const CameraNode& camera, const char* firmware);

  common::IpHelper& ip_;
  std::shared_ptr<DiscoveryChannel> channel_;
  std::string browserPath_;
  CameraList cams_;  // newest first
  HICON icon_ = nullptr;
  HWND list_ = nullptr;

  std::function<int64_t()> clock_;
  HKEY browserRoot_ = HKEY_LOCAL_MACHINE;
  std::string browserKey_ = kBrowserAppPathKey;
  ProcessStarter startProcess_;
  DWORD joinMs_ = 3000;
  UINT setTickMs_ = 1000;
  UINT credentialsTemplate_ = 0;
  std::function<void(INT_PTR)> setDialogEnded_;
  base::ScopedHandle listener_;
  base::ScopedHandle searcher_;
  DWORD listenerId_ = 0;
  DWORD searchId_ = 0;
};

}  // namespace setuptool
