// The stream client's part reader and multipart parsers, fed as a camera's socket would feed
// them: the input chooses how its bytes arrive. Layout: a 2-byte little-endian plan length P,
// P plan bytes, then the bytes the camera sends. Each plan byte is one arrival of that many
// bytes, 0 being a silence longer than any of the reader's waits; once the plan is used up
// the rest arrives at once. After a failed part the reader reconnects on the same buffers, as
// the worker does with reconnect on, until the bytes are used up.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "liveview/stream/header_block.h"
#include "liveview/stream/part_reader.h"
#include "liveview/stream/stream_parser.h"
#include "support/fuzz_check.h"

using namespace liveview;

namespace {

class ArrivalInput final : public PartInput {
 public:
  ArrivalInput(const uint8_t* plan, size_t planSize, const uint8_t* bytes, size_t size)
      : plan_(plan, plan + planSize), bytes_(bytes), size_(size) {
    NextArrival();
  }

  bool Exhausted() const { return pos_ >= size_ && carry_.length == 0; }
  // A new connection: what the last body read carried over belonged to the old one.
  void Reconnect() { carry_.length = 0; }

  // The product's header reader over these arrivals behind the carry, checked against them:
  // it takes exactly the bytes through the first blank line and never writes past its room.
  int ReadHeaderBlock(char* destination, int room) override {
    // The carried bytes are the ones right before the arrivals' position.
    FUZZ_CHECK(carry_.length >= 0 && carry_.length <= HeaderCarry::kCapacity &&
               size_t(carry_.length) <= pos_);
    FUZZ_CHECK(std::memcmp(carry_.bytes, bytes_ + pos_ - size_t(carry_.length),
                           size_t(carry_.length)) == 0);
    const size_t start = pos_ - size_t(carry_.length);
    std::vector<char> guard(destination + room, destination + room + 1);
    CarriedHeaderSource source(header_, carry_);
    const int result = ReadHeaderBlockFrom(source, destination, room);
    FUZZ_CHECK(destination[room] == guard[0]);
    if (result > 0) {
      FUZZ_CHECK(carry_.length == 0);
      const size_t taken = pos_ - start;
      FUZZ_CHECK(taken == size_t(result));
      FUZZ_CHECK(std::memcmp(destination, bytes_ + start, taken) == 0);
      const int end = FindHeaderBlockEnd(destination, 0, result);
      // Either the block ends with its blank line and has no earlier one, or the camera
      // closed the connection after it.
      FUZZ_CHECK(end == result || (end < 0 && pos_ >= size_));
    } else if (result == 0) {
      FUZZ_CHECK(pos_ - size_t(carry_.length) == start);
    } else {
      FUZZ_CHECK(result == kHeaderBlockFailed);
    }
    return result;
  }

  int WaitReadable(uint32_t) override {
    if (Silent()) {
      NextArrival();
      return -1;
    }
    return 1;  // bytes, or the close, are there to read
  }

  int ReadBody(uint8_t* destination, int n) override {
    if (Silent()) {
      NextArrival();
      return 0;
    }
    int count = 0;
    while (count < n && pos_ < size_) {
      if (left_ == 0) {
        NextArrival();
        if (silence_) {
          silence_ = false;
          break;  // no byte for the stall limit
        }
      }
      const size_t take = std::min({left_, size_t(n - count), size_ - pos_});
      std::memcpy(destination + count, bytes_ + pos_, take);
      pos_ += take;
      left_ -= take;
      count += static_cast<int>(take);
      if (count == n) {
        // The receive that completes the body takes what else has arrived, up to the two
        // bytes that fit the carry.
        const size_t more = std::min({left_, size_t(HeaderCarry::kCapacity - carry_.length),
                                      size_ - pos_});
        std::memcpy(carry_.bytes + carry_.length, bytes_ + pos_, more);
        carry_.length += static_cast<int>(more);
        pos_ += more;
        left_ -= more;
      }
    }
    return count;
  }

  bool StopWanted() override { return false; }

 private:
  // The next arrival starts with a silence: nothing can be read now.
  bool Silent() {
    if (left_ == 0 && pos_ < size_) NextArrival();
    if (silence_) return true;
    return false;
  }

  void NextArrival() {
    silence_ = false;
    if (next_ < plan_.size()) {
      left_ = plan_[next_++];
      silence_ = left_ == 0;
    } else {
      left_ = size_ - pos_;
    }
  }

  // Arrivals as a socket shows them to the header reader. A silence lasts a second: the
  // reader's 25 ms look gives up on it whole, its 100 ms waits wear it down, and a begun
  // header stalls inside it.
  class Header final : public HeaderSource {
   public:
    explicit Header(ArrivalInput& in) : in_(in) {}
    int Peek(char* destination, int n) override {
      if (in_.pos_ >= in_.size_) return 0;  // the camera closed the connection
      if (in_.left_ == 0 && !in_.silence_) in_.NextArrival();
      if (in_.silence_) {
        if (silenceLeft_ <= 0) silenceLeft_ = 1000;
        return kNothingYet;
      }
      const int shown = static_cast<int>(std::min({in_.left_, size_t(n), in_.size_ - in_.pos_}));
      std::memcpy(destination, in_.bytes_ + in_.pos_, size_t(shown));
      shown_ = shown;
      return shown;
    }
    int Take(char* destination, int n) override {
      FUZZ_CHECK(n > 0 && n <= shown_);
      std::memcpy(destination, in_.bytes_ + in_.pos_, size_t(n));
      in_.pos_ += size_t(n);
      in_.left_ -= size_t(n);
      shown_ = 0;
      return n;
    }
    bool ReadableSoon() override {
      if (in_.Silent()) {
        clock_ += 1000;
        silenceLeft_ = 0;
        in_.NextArrival();
        return false;
      }
      return true;
    }
    void WaitForMore() override {
      clock_ += 100;
      if (!in_.silence_) return;
      silenceLeft_ -= 100;
      if (silenceLeft_ <= 0) {
        silenceLeft_ = 0;
        in_.silence_ = false;
        in_.left_ = 0;
      }
    }
    uint32_t Now() override { return clock_; }
    bool StopWanted() override { return false; }

   private:
    ArrivalInput& in_;
    uint32_t clock_ = 0;
    int silenceLeft_ = 0;
    int shown_ = 0;
  };

  std::vector<uint8_t> plan_;
  size_t next_ = 0;
  const uint8_t* bytes_;
  size_t size_;
  size_t pos_ = 0;
  size_t left_ = 0;
  bool silence_ = false;
  Header header_{*this};
  HeaderCarry carry_;
};

void CheckSlot(const StreamParse& parse) {
  FUZZ_CHECK(std::memchr(parse.boundary, '\0', sizeof parse.boundary) != nullptr);
  FUZZ_CHECK(parse.fill >= 0 && parse.fill <= StreamParse::kReceiveCapacity);
  FUZZ_CHECK(parse.partLength >= 0 && parse.partLength <= StreamParse::kFrameCapacity);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t planSize = data[0] | size_t(data[1]) << 8;
  if (planSize > size - 2) planSize = size - 2;
  ArrivalInput input(data + 2, planSize, data + 2 + planSize, size - 2 - planSize);

  // The worker keeps its receive buffer across connections; here it is kept across inputs too,
  // as clearing 1.2 MB for every input would cost most of the run. The parsers read only what
  // the current input put there.
  static std::unique_ptr<char[]> receiveBuffer(new char[StreamParse::kReceiveCapacity + 1]);
  StreamParse parse;
  parse.receiveBuffer = std::move(receiveBuffer);
  struct GiveBack {
    StreamParse& parse;
    ~GiveBack() { receiveBuffer = std::move(parse.receiveBuffer); }
  } giveBack{parse};
  parse.parseState = kParseResponseHeader;
  // Each pass reads at least one byte or ends the connection, so this ends.
  for (int connection = 0; connection < 64 && !input.Exhausted(); ++connection) {
    input.Reconnect();
    parse.parseState = kParseResponseHeader;
    parse.fill = 0;
    for (bool frameSeen = false;; frameSeen = true) {
      const PartResult result = ReadStreamPart(parse, input, frameSeen);
      CheckSlot(parse);
      if (result != PartResult::kPart) {
        FUZZ_CHECK(result != PartResult::kStopped);
        if (result == PartResult::kNotAuthorised) return 0;  // the worker ends the stream
        break;
      }
      FUZZ_CHECK(parse.partLength > 0 && parse.partLength <= parse.frameCapacity);
      FUZZ_CHECK(parse.frameCapacity == StreamParse::kFrameCapacity && parse.frameBuffer);
      // What the camera window and the recorder read of the frame.
      for (int i = 0; i < parse.partLength; i += 4096) g_fuzzSink += parse.frameBuffer[i];
      g_fuzzSink += parse.frameBuffer[parse.partLength - 1];
    }
  }
  return 0;
}
