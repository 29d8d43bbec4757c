#include "liveview/decode/memory_stream.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

MemoryStream::MemoryStream(int capacity) {
  if (capacity <= 0) return;
  buffer_.reset(new (std::nothrow) uint8_t[capacity]());
  if (buffer_) capacity_ = capacity;
}

bool MemoryStream::Assign(const void* bytes, int count) {
  if (count < 0 || count > capacity_ || (count > 0 && !bytes)) return false;
  if (count > 0) std::memcpy(buffer_.get(), bytes, count);
  length_ = count;
  position_ = 0;
  return true;
}

int MemoryStream::Read(void* destination, int count) {
  if (count <= 0 || position_ >= length_) return 0;
  const int n = std::min(count, length_ - position_);
  std::memcpy(destination, buffer_.get() + position_, n);
  position_ += n;
  return n;
}

int MemoryStream::Write(const void* source, int count) {
  if (count <= 0) return 0;
  const int64_t end = int64_t{position_} + count;
  if (end >= capacity_ && !Grow(end)) return 0;
  std::memcpy(buffer_.get() + position_, source, count);
  position_ = static_cast<int>(end);
  length_ = std::max(length_, position_);
  return count;
}

bool MemoryStream::Grow(int64_t needed) {
  // The smallest whole number of steps that leaves the buffer larger than `needed`.
  const int64_t steps = (needed - capacity_) / kGrowthStep + 1;
  const int64_t newCapacity = capacity_ + steps * kGrowthStep;
  if (newCapacity > INT_MAX) return false;
  std::unique_ptr<uint8_t[]> bigger(new (std::nothrow) uint8_t[newCapacity]());
  if (!bigger) return false;
  // Everything from the position on is about to be overwritten or lies past the old end.
  const int kept = std::min(position_, capacity_);
  if (kept > 0) std::memcpy(bigger.get(), buffer_.get(), kept);
  buffer_ = std::move(bigger);
  capacity_ = static_cast<int>(newCapacity);
  return true;
}

uint8_t* MemoryStream::WritableSpan(int count) {
  if (count < 0 || int64_t{position_} + count > capacity_) return nullptr;
  return buffer_.get() + position_;
}
