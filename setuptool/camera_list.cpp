#include "setuptool/camera_list.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace setuptool {

CameraNode* CameraList::Find(const common::MacAddress& mac) const {
  for (CameraNode* node = head_; node; node = node->next) {
    if (node->mac == mac) return node;
  }
  return nullptr;
}

CameraNode* CameraList::Add(const common::SearchReply& reply, int64_t now) {
  auto* node =
      static_cast<CameraNode*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(CameraNode)));
  if (!node) return nullptr;
  node->mac = reply.mac;
  // The reply's text is NUL-terminated within its 40 bytes, so it always fits with its NUL.
  const size_t length =
      std::min(sizeof node->firmware - 1, strnlen(reply.firmware.data(), reply.firmware.size()));
  std::memcpy(node->firmware, reply.firmware.data(), length);
  node->firmware[length] = '\0';
  Refresh(*node, reply, now);
  node->next = head_;
  node->prev = nullptr;
  if (head_) head_->prev = node;
  head_ = node;
  return node;
}

void CameraList::Refresh(CameraNode& node, const common::SearchReply& reply, int64_t now) {
  node.address = reply.address;
  node.mask = reply.mask;
  node.gateway = reply.gateway;
  node.port = reply.port;
  node.lastSeen = now;
}

CameraNode* CameraList::FirstStale(int64_t now) const {
  for (CameraNode* node = head_; node; node = node->next) {
    if (now - node->lastSeen > kMaxSilenceSeconds) return node;
  }
  return nullptr;
}

void CameraList::Remove(CameraNode* node) {
  if (!node) return;
  if (node->prev) {
    node->prev->next = node->next;
  } else {
    head_ = node->next;
  }
  if (node->next) node->next->prev = node->prev;
  HeapFree(GetProcessHeap(), 0, node);
}

void CameraList::Clear() {
  while (head_) Remove(head_);
}

}  // namespace setuptool
