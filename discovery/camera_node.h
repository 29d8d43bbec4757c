// One camera found by the discovery search, keyed by its MAC. Numbers in host byte order.
#pragma once

#include <array>
#include <cstdint>

#include "common/discovery_messages.h"

namespace discovery {

constexpr size_t kNodeFirmwareSize = 42;

struct CameraNode {
  common::MacAddress mac{};
  std::array<char, kNodeFirmwareSize> firmware{};  // NUL-terminated
  uint32_t address = 0;
  uint32_t mask = 0;
  uint32_t gateway = 0;
  uint16_t port = 0;
  uint32_t lastSeen = 0;  // seconds since 1970-01-01 UTC, when the node was made
  std::array<char, common::kAuthSchemeFieldSize> authScheme{};  // "BASIC" or "DIGEST" as received
};

}  // namespace discovery
