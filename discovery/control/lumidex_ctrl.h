// CLumidexCtrl: the Lumidex ActiveX control. A host calls Init to find the cameras on the
// local segment (a search every second, each camera reported once by OnEnumIPCam until the
// list is cleared), sets a camera's address by its MAC, tests and proposes addresses by ARP,
// and converts between address texts and values. The work is the embedded CCameraFinder's.
//
// Threads: every member, the hidden window, its timer and the event run on the thread that
// created the control. The finder's listener only appends the MAC of a new camera to a queue
// the control owns and wakes the hidden window; the host's thread takes the queue and fires.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <set>
#include <string>

#include "base/critical_section.h"
#include "common/ip_helper.h"
#include "discovery/camera_finder.h"
#include "discovery/control/notify_wnd.h"
#include "framework/ole_control.h"

namespace discovery {

constexpr DISPID kDispidOnEnumIPCam = 1;

class CLumidexCtrl : public fw::COleControl, public CCameraFinder {
 public:
  explicit CLumidexCtrl(common::IpHelper& ipHelper = common::SystemIpHelper());
  ~CLumidexCtrl() override;

  void Init(long* lRetCode);
  void Uninit(long* lRetCode);
  void Reflesh(long* lRetCode);
  void VisitIPCam(long ip, short port, long* lRetCode);
  void SetIP(long ip, long mask, long gateway, const std::string& macAddr,
             const std::string& userName, const std::string& pwd, long* lRetCode);
  void IsIPConflict(long ip, long mask, long* lRetCode);
  void GetFreeIP(long* ip, long mask, long gateway, long* lRetCode);
  void IP2String(long ip, fw::CallerBuffer buf);
  void String2IP(long* ip, fw::CallerBuffer buf);
  void IsValidMacAddr(const std::string& macAddr, long* lRetCode);
  void AutoAllocate(long* ip, long* mask, long* gateway, long* lRetCode);
  void IsLocalIP(long ip, long mask, long* lRetCode);
  void AboutBox();

  // Hands a message to the control's own window procedure, whether or not the control has
  // a window (script hosts never give it one).
  LRESULT ForwardToWindowProc(UINT msg, WPARAM w, LPARAM l);

 protected:
  fw::ControlDispatchTable GetDispatchTable() override;
  void OnDraw(HDC dc, const RECT& bounds, const RECT& invalid) override;
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;
  // Listener thread.
  void OnCameraFound(const common::SearchReply& reply) override;

 private:
  static void NotifyCallback(void* context, UINT code, WPARAM w, LPARAM l);
  void OnSearchTimer(WPARAM id);
  // Fires OnEnumIPCam for every queued camera still in the found list and not reported
  // since the last clear.
  void FireQueuedCameras();
  // Empties the queue and forgets what was reported, then the finder's list (with a new
  // search while it runs).
  void ClearFound();
  void DropQueue();
  // Ends what Init started: the finder, the timer and the hidden window.
  void StopAll();

  fw::WndPtr<CNotifyWnd> notify_;
  UINT_PTR searchTimer_ = 0;
  bool initialised_ = false;
  // The listener's half: the window it wakes, the MACs it queued in the order found.
  std::atomic<HWND> notifyWindow_{nullptr};
  base::CriticalSection queueLock_;
  std::deque<common::MacAddress> queue_;
  // The host thread's half: who has been reported since the last clear.
  std::set<common::MacAddress> reported_;
};

}  // namespace discovery
