// Finds the rate field of the first video stream header in the front of an AVI file, walking
// the RIFF chunks by their declared sizes. Every size is checked against the chunk that holds
// it and against the bytes at hand, so a damaged or hostile file is refused, never read past.
#pragma once

#include <cstddef>
#include <cstdint>

namespace liveview {

enum class RateFieldStatus { kFound, kNoVideoStream, kMalformed };

struct RateFieldLookup {
  RateFieldStatus status = RateFieldStatus::kMalformed;
  size_t offset = 0;  // file offset of the 32-bit rate when found
};

// The RIFF header and the header list's chunk header.
constexpr size_t kAviLeadBytes = 24;
// Larger header lists are refused; the control's files hold a few hundred bytes.
constexpr size_t kMaxAviHeaderListBytes = 1 << 20;

// How many bytes from the start of the file hold the whole header list, judged from its first
// kAviLeadBytes; 0 when they are not the start of an AVI file or the list is too large.
size_t AviHeaderPrefixSize(const uint8_t* data, size_t size);

// `data` holds the first `size` bytes of the file (at least AviHeaderPrefixSize of them).
RateFieldLookup FindVideoRateField(const uint8_t* data, size_t size);

}  // namespace liveview
