#include "liveview/stream/header_block.h"

#include <algorithm>
#include <cstring>

namespace liveview {

bool HeaderCarry::HoldsHeaderStart() const {
  for (int i = 0; i < length; ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') return true;
  }
  return false;
}

int CarriedHeaderSource::CopyCarried(char* destination, int n) const {
  const int carried = std::max(0, std::min(carry_.length, n));
  std::memcpy(destination, carry_.bytes, static_cast<size_t>(carried));
  return carried;
}

int CarriedHeaderSource::Peek(char* destination, int n) {
  const int carried = CopyCarried(destination, n);
  if (carried == n) return carried;
  const int got = source_.Peek(destination + carried, n - carried);
  // A close or a failure behind carried bytes shows with the next look.
  return got > 0 ? carried + got : carried > 0 ? carried : got;
}

int CarriedHeaderSource::Take(char* destination, int n) {
  const int carried = CopyCarried(destination, n);
  carry_.length -= carried;
  std::memmove(carry_.bytes, carry_.bytes + carried, static_cast<size_t>(carry_.length));
  if (carried == n) return carried;
  const int got = source_.Take(destination + carried, n - carried);
  return got > 0 ? carried + got : carried > 0 ? carried : got;
}

int FindHeaderBlockEnd(const char* data, int from, int count) {
  for (int i = std::max(from, 4); i < count; ++i) {
    if (data[i] == '\n' && data[i - 1] == '\r' && data[i - 2] == '\n' && data[i - 3] == '\r') {
      return i + 1;
    }
  }
  return -1;
}

int ReadHeaderBlockFrom(HeaderSource& source, char* destination, int room) {
  int count = 0;
  // The line end that closes the previous part may come long before the next part (a slow
  // or paused camera); only a header that has begun is held to the stall limit.
  bool begun = false;
  // The short wait is for a block of which nothing is there yet; a read that finds bytes
  // needs none.
  bool waited = false;
  uint32_t lastByte = source.Now();
  // The last take emptied what the look showed (the line end behind a body, typically): a
  // look now would find nothing, so the wait comes first.
  bool drained = false;
  for (;;) {
    if (count >= room) return kHeaderBlockFailed;
    const int peeked =
        drained ? HeaderSource::kNothingYet
                : source.Peek(destination + count, std::min(room - count, kHeaderPeekBytes));
    drained = false;
    if (peeked == 0 || (peeked < 0 && peeked != HeaderSource::kNothingYet)) return count;
    if (peeked == HeaderSource::kNothingYet) {
      if (count == 0 && !waited) {
        waited = true;
        if (!source.ReadableSoon()) return 0;
        continue;
      }
      if (begun && source.Now() - lastByte >= kStallLimitMs) return kHeaderBlockFailed;
      if (source.StopWanted()) return kHeaderBlockFailed;
      if (!begun) source.BetweenParts();
      source.WaitForMore();
      continue;
    }
    waited = true;
    const int shown = std::min(peeked, room - count);
    const int end = FindHeaderBlockEnd(destination, count, count + shown);
    const int want = end > 0 ? end - count : shown;
    const int taken = source.Take(destination + count, want);
    if (taken == HeaderSource::kNothingYet) continue;
    if (taken <= 0) return count;
    const int got = std::min(taken, want);
    for (int i = count; i < count + got; ++i) {
      if (destination[i] != '\r' && destination[i] != '\n') begun = true;
    }
    count += got;
    lastByte = source.Now();
    if (count == end) return count;
    drained = got == peeked && peeked < kHeaderPeekBytes;
  }
}

}  // namespace liveview
