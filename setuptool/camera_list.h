// The tool's list of found cameras: one entry per MAC, newest first, each on the process
// heap at a fixed address (the list view's rows hold it as their item data). Only the
// dialog's thread touches it.
#pragma once

#include <cstdint>

#include "common/discovery_messages.h"

namespace setuptool {

// Cameras silent for more than this many seconds leave the list.
constexpr int64_t kMaxSilenceSeconds = 30;

struct CameraNode {
  common::MacAddress mac;
  char firmware[42];  // of the first reply, never changed afterwards
  uint32_t address;   // host byte order, as are mask and gateway
  uint32_t mask;
  uint32_t gateway;
  uint16_t port;
  int64_t lastSeen;  // seconds since 1970 (the C library's time) of the latest reply
  CameraNode* next;  // towards older entries
  CameraNode* prev;  // towards newer entries
};

class CameraList {
 public:
  CameraList() = default;
  CameraList(const CameraList&) = delete;
  CameraList& operator=(const CameraList&) = delete;
  ~CameraList() { Clear(); }

  CameraNode* Head() const { return head_; }
  CameraNode* Find(const common::MacAddress& mac) const;
  // A new entry at the head from a reply heard at `now`; null when memory is short.
  CameraNode* Add(const common::SearchReply& reply, int64_t now);
  // A known camera's latest reply: last seen, address, mask, gateway and port.
  static void Refresh(CameraNode& node, const common::SearchReply& reply, int64_t now);
  // The newest entry silent for more than kMaxSilenceSeconds at `now`; an entry heard "in
  // the future" (the clock was set back) is not. Null when none.
  CameraNode* FirstStale(int64_t now) const;
  // Unlinks and frees the entry.
  void Remove(CameraNode* node);
  void Clear();

 private:
  CameraNode* head_ = nullptr;
};

}  // namespace setuptool
