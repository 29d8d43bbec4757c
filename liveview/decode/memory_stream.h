// A byte stream over a buffer it owns: the JPEG decoder reads each frame from one and builds
// the BMP image in another. Both are allocated once per decoder and reused for every frame.
// Never throws: a buffer that cannot be allocated leaves a stream of capacity 0.
#pragma once

#include <cstdint>
#include <memory>

class MemoryStream {
 public:
  // Writes that reach the end of the buffer grow it in steps of this many bytes.
  static constexpr int kGrowthStep = 51200;

  explicit MemoryStream(int capacity);
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  // Replaces the contents for reading: copies `count` bytes, sets the length to it and the
  // position to 0. Refuses (false, nothing changed) what does not fit the buffer as it is.
  bool Assign(const void* bytes, int count);

  // Copies up to `count` bytes from the position on and advances; returns how many (0 at
  // the end of the valid bytes).
  int Read(void* destination, int count);

  // Copies `count` bytes at the position and advances; returns `count`. A write that
  // reaches the end of the buffer first grows it; when that fails it returns 0 and nothing
  // changes.
  int Write(const void* source, int count);
  int PutByte(uint8_t value) { return Write(&value, 1); }

  // The buffer's bytes [position, position + count) for filling in place, or null when they
  // do not lie inside the buffer. Never grows it and does not advance.
  uint8_t* WritableSpan(int count);

  uint8_t* Data() { return buffer_.get(); }
  const uint8_t* Data() const { return buffer_.get(); }
  int Capacity() const { return capacity_; }
  int Length() const { return length_; }
  int Position() const { return position_; }
  void SetPosition(int position) { position_ = position < 0 ? 0 : position; }
  // Zero bytes the row placement writes after each row, set by the decoder per frame.
  int PadCount() const { return padCount_; }
  void SetPadCount(int padCount) { padCount_ = padCount; }

 private:
  bool Grow(int64_t needed);

  std::unique_ptr<uint8_t[]> buffer_;
  int capacity_ = 0;
  int length_ = 0;  // valid bytes: what was assigned or written so far
  int position_ = 0;
  int padCount_ = 0;
};
