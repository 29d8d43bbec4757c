// The header block reader over scripted arrivals: where a block ends, that nothing past its
// blank line is taken whatever the arrivals, that a block there whole costs one look and one
// receive, and the stall and room limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "liveview/stream/header_block.h"

namespace liveview {
namespace {

// Arrivals as a non-blocking socket shows them: each string arrives whole once the previous
// ones have all been taken; an empty string is a silence that each wait for more wears down
// by 100 ms of a 1 s silence.
class ScriptedSource final : public HeaderSource {
 public:
  explicit ScriptedSource(std::vector<std::string> arrivals) {
    for (auto& a : arrivals) arrivals_.push_back(std::move(a));
    Arrive();
  }

  int Peek(char* destination, int n) override {
    ++peeks;
    if (silenceLeft_ > 0) return kNothingYet;
    if (pending_.empty()) return closed ? 0 : kNothingYet;
    const int shown = std::min(n, static_cast<int>(pending_.size()));
    std::memcpy(destination, pending_.data(), static_cast<size_t>(shown));
    return shown;
  }
  int Take(char* destination, int n) override {
    ++takes;
    EXPECT_LE(n, static_cast<int>(pending_.size()));
    std::memcpy(destination, pending_.data(), static_cast<size_t>(n));
    taken += pending_.substr(0, static_cast<size_t>(n));
    pending_.erase(0, static_cast<size_t>(n));
    if (pending_.empty()) Arrive();
    return n;
  }
  bool ReadableSoon() override {
    ++shortWaits;
    return silenceLeft_ == 0 && (!pending_.empty() || closed);
  }
  void WaitForMore() override {
    ++waitsForMore;
    now_ += 100;
    if (silenceLeft_ > 0 && (silenceLeft_ -= 100) == 0) Arrive();
  }
  uint32_t Now() override { return now_; }
  bool StopWanted() override { return stop; }
  void BetweenParts() override { ++betweenParts; }

  // What the body read would find next: everything not yet taken.
  std::string Rest() const {
    std::string rest = pending_;
    for (const auto& a : arrivals_) rest += a;
    return rest;
  }

  std::string taken;
  int peeks = 0;
  int takes = 0;
  int shortWaits = 0;
  int waitsForMore = 0;
  int betweenParts = 0;
  bool closed = false;
  bool stop = false;

 private:
  void Arrive() {
    while (pending_.empty() && silenceLeft_ == 0 && !arrivals_.empty()) {
      pending_ = arrivals_.front();
      arrivals_.pop_front();
      if (pending_.empty()) silenceLeft_ = 1000;
    }
  }

  std::deque<std::string> arrivals_;
  std::string pending_;
  int silenceLeft_ = 0;
  uint32_t now_ = 0;
};

const std::string kHeader = "--b\r\nContent-Length: 4\r\n\r\n";

int Read(ScriptedSource& source, std::string* block, int room = 200) {
  std::vector<char> buffer(static_cast<size_t>(room) + 16, '\xEE');
  const int result = ReadHeaderBlockFrom(source, buffer.data(), room);
  for (size_t i = static_cast<size_t>(room); i < buffer.size(); ++i) {
    EXPECT_EQ(buffer[i], '\xEE') << "written past the room at " << i;
  }
  if (result > 0) block->assign(buffer.data(), static_cast<size_t>(result));
  return result;
}

TEST(HeaderBlockEnd, IsTheFirstBlankLineOfABlockLongerThanFourBytes) {
  struct Case {
    std::string bytes;
    int from;
    int end;
  };
  const Case cases[] = {
      {"x\r\n\r\n", 0, 5},
      {"\r\n\r\n", 0, -1},  // four line-end bytes alone end nothing
      {"\r\n\r\n\r\n", 0, 6},
      {"\r\n\r\nx\r\n\r\n", 0, 9},
      {"a\r\n\r\nb\r\n\r\n", 0, 5},
      {"a\r\n\r\nb\r\n\r\n", 5, 10},
      {"ab\r\n\r", 0, -1},
      {"ab\r\n\r\n", 5, 6},  // an end whose first bytes lie before `from` still counts
      {"a\n\n\r\n", 0, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindHeaderBlockEnd(c.bytes.data(), c.from, static_cast<int>(c.bytes.size())), c.end)
        << testing::PrintToString(c.bytes) << " from " << c.from;
  }
}

TEST(HeaderBlockReader, ABlockThereWholeTakesOneLookAndOneReceiveAndLeavesTheBody) {
  ScriptedSource source({kHeader + "BODY--b\r\n"});
  std::string block;
  ASSERT_EQ(Read(source, &block), static_cast<int>(kHeader.size()));
  EXPECT_EQ(block, kHeader);
  EXPECT_EQ(source.Rest(), "BODY--b\r\n");
  EXPECT_EQ(source.peeks, 1);
  EXPECT_EQ(source.takes, 1);
  EXPECT_EQ(source.shortWaits, 0);  // no readability check before a read that finds bytes
}

TEST(HeaderBlockReader, EverySplitOfTheBlockEndsExactlyAtItsBlankLine) {
  const std::string stream = kHeader + "BODY";
  for (size_t first = 1; first < stream.size(); ++first) {
    for (size_t second = first + 1; second <= stream.size(); ++second) {
      ScriptedSource source({stream.substr(0, first), stream.substr(first, second - first),
                             stream.substr(second)});
      std::string block;
      ASSERT_EQ(Read(source, &block), static_cast<int>(kHeader.size()))
          << "arrivals split at " << first << " and " << second;
      EXPECT_EQ(block, kHeader);
      EXPECT_EQ(source.Rest(), "BODY") << "arrivals split at " << first << " and " << second;
    }
  }
}

TEST(HeaderBlockReader, BodyByteDirectlyBehindTheBlankLineIsNotTaken) {
  // The blank line's last byte and the body's first arrive together, after the block's start.
  ScriptedSource source({"--b\r\nContent-Length: 1\r\n\r", "\n\xFF", "\xD8"});
  std::string block;
  ASSERT_EQ(Read(source, &block), 26);
  EXPECT_EQ(source.Rest(), "\xFF\xD8");
}

TEST(HeaderBlockReader, LineEndsBeforeAPartWaitThroughSilence) {
  ScriptedSource source({"\r\n", "", "", kHeader + "BODY"});
  std::string block;
  ASSERT_EQ(Read(source, &block), static_cast<int>(2 + kHeader.size()));
  EXPECT_EQ(block, "\r\n" + kHeader);
  EXPECT_GT(source.betweenParts, 0);  // where a silent camera's recording is checked
  EXPECT_EQ(source.Rest(), "BODY");
}

TEST(HeaderBlockReader, NoLookAfterATakeThatEmptiedWhatHadArrived) {
  // The line end behind a body, then the camera's pause before its next part: each look
  // after the first follows a wait, as a look in between could only find nothing (and
  // costs a trip through Wine's server).
  ScriptedSource source({"\r\n", "", kHeader});
  std::string block;
  ASSERT_EQ(Read(source, &block), static_cast<int>(2 + kHeader.size()));
  EXPECT_EQ(block, "\r\n" + kHeader);
  EXPECT_GT(source.waitsForMore, 0);
  EXPECT_EQ(source.peeks, source.waitsForMore + 1);
  EXPECT_EQ(source.takes, 2);
}

// What the body read carried over is the block's start: looked at and taken before the
// source's bytes, with no look or receive of the source for it alone.
TEST(HeaderBlockReader, CarriedBytesStartTheBlock) {
  struct Case {
    std::string carried;
    std::vector<std::string> arrivals;
    std::string block;
    int sourceTakes;
  };
  const Case cases[] = {
      {"\r\n", {kHeader + "BODY"}, "\r\n" + kHeader, 1},
      {"\r\n", {"", kHeader + "BODY"}, "\r\n" + kHeader, 1},  // the part comes later
      {"\r", {"\n" + kHeader + "BODY"}, "\r\n" + kHeader, 1},
      {"--", {kHeader.substr(2) + "BODY"}, kHeader, 1},
      {"--", {"b\r\nContent-", "Length: 4\r\n\r\nBODY"}, kHeader, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.carried));
    ScriptedSource source(c.arrivals);
    HeaderCarry carry;
    std::memcpy(carry.bytes, c.carried.data(), c.carried.size());
    carry.length = static_cast<int>(c.carried.size());
    EXPECT_EQ(carry.HoldsHeaderStart(), c.carried == "--");
    CarriedHeaderSource carried(source, carry);
    std::vector<char> buffer(200);
    const int got = ReadHeaderBlockFrom(carried, buffer.data(), 200);
    ASSERT_EQ(got, static_cast<int>(c.block.size()));
    EXPECT_EQ(std::string(buffer.data(), static_cast<size_t>(got)), c.block);
    EXPECT_EQ(carry.length, 0);
    EXPECT_EQ(source.Rest(), "BODY");
    EXPECT_EQ(source.takes, c.sourceTakes);
  }
}

TEST(HeaderBlockReader, LimitsAndEnds) {
  std::string block;
  {
    ScriptedSource nothing({});
    EXPECT_EQ(Read(nothing, &block), 0);  // nothing within the short wait
    EXPECT_EQ(nothing.shortWaits, 1);
  }
  {
    ScriptedSource stalled({"--b\r\nConte", ""});
    EXPECT_EQ(Read(stalled, &block), kHeaderBlockFailed);
    EXPECT_EQ(stalled.taken, "--b\r\nConte");
  }
  {
    ScriptedSource closing({"--b\r\nConte"});
    closing.closed = true;
    EXPECT_EQ(Read(closing, &block), 10);  // the count so far when the camera closes
  }
  {
    ScriptedSource endless({std::string(300, 'x')});
    EXPECT_EQ(Read(endless, &block, 64), kHeaderBlockFailed);
    EXPECT_EQ(endless.taken.size(), 64u);
  }
  {
    ScriptedSource exact({"--b\r\nX: y\r\n\r\n", "BODY"});
    EXPECT_EQ(Read(exact, &block, 13), 13);  // a block that just fits its room
  }
  {
    ScriptedSource stopped({"\r\n"});
    stopped.stop = true;
    EXPECT_EQ(Read(stopped, &block), kHeaderBlockFailed);
  }
}

}  // namespace
}  // namespace liveview
