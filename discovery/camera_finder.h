// The discovery engine: broadcasts SearchRequests, receives SearchReplies on UDP 13001 in a
// listener thread of its own, keeps the cameras found since the list was last cleared
// (newest first, each MAC once), and tells its owner of every new one through
// OnCameraFound. It also carries the PC address operations, which use none of its state.
//
// Threads: the owner's thread calls every member; the listener thread only adds to the list
// and calls OnCameraFound. A derived class must call StopSearch in its own destructor, as
// the listener may otherwise call its OnCameraFound while it is being destroyed.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/critical_section.h"
#include "base/scoped_handle.h"
#include "base/scoped_socket.h"
#include "base/winsock_session.h"
#include "camera_node.h"
#include "common/discovery_messages.h"
#include "common/ip_helper.h"
#include "common/pc_address.h"
#include "common/search_reply_receiver.h"

namespace discovery {

class CCameraFinder {
 public:
  explicit CCameraFinder(common::IpHelper& ipHelper = common::SystemIpHelper());
  virtual ~CCameraFinder();
  CCameraFinder(const CCameraFinder&) = delete;
  CCameraFinder& operator=(const CCameraFinder&) = delete;

  // Opens the sockets (13001 bound without address reuse, so a second finder or the
  // address-setup tool makes it fail) and starts the listener. True also when already
  // started; false, with nothing running, when a socket cannot be made or bound.
  bool StartSearch();
  // Stops the listener and waits for it, closes the sockets and empties the list.
  void StopSearch();
  bool IsStarted() const { return started_.load(); }

  // Empties the list, then sends a search so that every camera is found again.
  void ClearCamList();
  // One SearchRequest, whenever the send socket is open (it stays open after a start that
  // could not bind the listening port).
  void SendSearch();
  // One datagram to 255.255.255.255:13000; a failure is logged, not retried.
  bool SendPacket(const uint8_t* bytes, size_t size);

  // Adds the camera of a decoded reply unless its MAC is known; a known camera's node is
  // never changed, even when its address is. True when added.
  bool AddIntoCamList(const common::SearchReply& reply);
  std::optional<CameraNode> FindInCamList(const common::MacAddress& mac) const;
  // The whole list, newest camera first.
  std::vector<CameraNode> CamList() const;

  // The password text for the camera with this MAC, in the form its authScheme asks for.
  // Nothing when the camera is not in the list.
  std::optional<std::string> MakePwdField(const common::MacAddress& mac,
                                          std::string_view password) const;

  // The PC address operations, on this finder's IP Helper.
  std::optional<common::LocalAddress> GetLocalIP() { return common::GetLocalIP(ip_); }
  bool IsLocalSubnet(uint32_t address, uint32_t mask) {
    return common::IsLocalSubnet(ip_, address, mask);
  }
  size_t AddTempIPAddress(uint32_t address, uint32_t mask, common::TempAddresses& temp) {
    return common::AddTempIPAddress(ip_, address, mask, temp);
  }
  void DeleteTempIPAddress(common::TempAddresses& temp) { common::DeleteTempIPAddress(ip_, temp); }
  common::ArpResult ProbeAddress(uint32_t address) { return common::ProbeAddress(ip_, address); }
  bool ArpProbe(uint32_t address) { return common::ArpProbe(ip_, address); }
  static bool CheckIPOctet(uint32_t value) { return common::CheckIPOctet(value); }
  static bool CheckIPMask(uint32_t mask) { return common::CheckIPMask(mask); }
  static bool ParseMacAddr(std::string_view text, common::MacAddress& mac) {
    return common::ParseMacAddr(text, mac);
  }
  void OpenCamPage(uint32_t hostOrderAddress, uint16_t port) {
    common::OpenCamPage(ip_, hostOrderAddress, port);
  }
  std::optional<common::LocalAddress> FindIdleAddress() { return common::FindIdleAddress(ip_); }
  std::optional<uint32_t> FindFreeAddress(uint32_t start, uint32_t gateway, uint32_t mask) {
    return common::FindFreeAddress(ip_, start, gateway, mask);
  }
  bool IsAddressInUse(uint32_t address, uint32_t mask) {
    return common::IsAddressInUse(ip_, address, mask);
  }

 protected:
  // Called on the listener thread, outside the list lock, for each camera added. `reply` is
  // valid only during the call. It must not wait for the owner's thread.
  virtual void OnCameraFound(const common::SearchReply& reply);

  // True from a start until a stop begins: an OnCameraFound that waits for its owner's thread
  // (a post that keeps failing) gives up once this is false, so a stop never waits on it.
  bool IsListening() const { return run_.load(); }
  common::IpHelper& IpHelperInUse() const { return ip_; }

  // The listener's thread id, 0 when none runs, and the socket it receives on; for tests.
  DWORD ListenerThreadId() const;
  SOCKET ReceiveSocket() const { return receiveSocket_.Get(); }

 private:
  static unsigned __stdcall ListenThread(void* self);
  void Listen();

  common::IpHelper& ip_;
  base::WinsockSession winsock_{MAKEWORD(2, 2)};
  std::atomic<bool> run_{false};
  base::ScopedSocket sendSocket_;
  base::ScopedSocket receiveSocket_;
  std::list<CameraNode> cams_;  // newest first
  mutable base::CriticalSection listLock_;
  base::ScopedHandle stopEvent_;  // set by StopSearch to end the listener's wait
  base::ScopedHandle listener_;
  DWORD listenerId_ = 0;
  std::atomic<bool> started_{false};
};

}  // namespace discovery
