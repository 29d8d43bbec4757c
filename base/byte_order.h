// Fixed-width integers at unaligned byte addresses, in the byte order a file or a wire format
// fixes rather than the machine's: BMP and AVI headers and the discovery header are little
// endian, the discovery body is big endian.
#pragma once

#include <cstdint>

namespace base {

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t ReadBe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t ReadBe32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline void WriteLe16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteLe32(uint8_t* p, uint32_t v) {
  WriteLe16(p, v);
  WriteLe16(p + 2, v >> 16);
}
inline void WriteBe16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void WriteBe32(uint8_t* p, uint32_t v) {
  WriteBe16(p, v >> 16);
  WriteBe16(p + 2, v);
}

}  // namespace base
