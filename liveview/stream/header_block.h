// Reading one header block of a camera's answer without a receive call per byte: what has
// arrived is looked at without being taken, then exactly the bytes through the blank line are
// taken, so the first body byte is left for the body read. Free of sockets: the worker gives it
// its socket, the fuzz target scripted arrivals.
#pragma once

#include <cstdint>

namespace liveview {

// A header block that fills its room or stalls is refused with this.
constexpr int kHeaderBlockFailed = -1;
// How long a header or a body may go without a byte.
constexpr uint32_t kStallLimitMs = 500;
// The most looked at in one go: far more than any camera's header, and little enough that
// copying what follows it costs nothing.
constexpr int kHeaderPeekBytes = 1024;

class HeaderSource {
 public:
  // Results of Peek and Take besides a count of bytes (above 0) or 0 for a closed connection.
  static constexpr int kNothingYet = -2;
  static constexpr int kFailed = -3;

  // Copies up to `n` of the bytes that have arrived without taking them.
  virtual int Peek(char* destination, int n) = 0;
  // Takes `n` bytes that Peek has shown, into `destination`.
  virtual int Take(char* destination, int n) = 0;
  // The short wait before a block of which nothing has come: true when bytes or a close are
  // there to read.
  virtual bool ReadableSoon() = 0;
  // Waits a while for more bytes; what it finds is seen by the next Peek.
  virtual void WaitForMore() = 0;
  virtual uint32_t Now() = 0;
  virtual bool StopWanted() = 0;
  // Nothing of a header has come yet: between parts a camera may be silent for any time.
  virtual void BetweenParts() {}

 protected:
  ~HeaderSource() = default;
};

// Bytes already taken off the connection for the next header block: the line end behind a
// body, which the body read takes in its own receive when it is there (a look and a receive
// of their own would cost a trip each through Wine's server).
struct HeaderCarry {
  static constexpr int kCapacity = 2;
  char bytes[kCapacity] = {};
  int length = 0;

  // A header begun in it: line ends alone are not, the part itself is still to come.
  bool HoldsHeaderStart() const;
};

// `source` behind `carry`: Peek and Take serve the carried bytes first, then the source's.
class CarriedHeaderSource final : public HeaderSource {
 public:
  CarriedHeaderSource(HeaderSource& source, HeaderCarry& carry) : source_(source), carry_(carry) {}
  int Peek(char* destination, int n) override;
  int Take(char* destination, int n) override;
  bool ReadableSoon() override { return source_.ReadableSoon(); }
  void WaitForMore() override { source_.WaitForMore(); }
  uint32_t Now() override { return source_.Now(); }
  bool StopWanted() override { return source_.StopWanted(); }
  void BetweenParts() override { source_.BetweenParts(); }

 private:
  int CopyCarried(char* destination, int n) const;

  HeaderSource& source_;
  HeaderCarry& carry_;
};

// One index past the first blank line (CR LF CR LF) that ends a block in data[0, count),
// looking only at ends at or after `from`; -1 when there is none. A block is longer than
// four bytes: four line-end bytes at the very start end nothing.
int FindHeaderBlockEnd(const char* data, int from, int count);

// One header block, up to and including its blank line, into `room` bytes at `destination`.
// 0 when nothing is readable in the short wait; the count read so far when the peer closes
// or a receive fails; kHeaderBlockFailed when the block would not fit in `room`, when a
// begun header (not just line ends) gets no byte for kStallLimitMs, or when the stream is
// being stopped. Never takes a byte past the blank line and never writes past `room`.
int ReadHeaderBlockFrom(HeaderSource& source, char* destination, int room);

}  // namespace liveview
