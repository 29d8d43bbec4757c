#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "liveview/decode/memory_stream.h"

namespace {

TEST(MemoryStream, ReadStopsAtTheLength) {
  MemoryStream stream(16);
  ASSERT_TRUE(stream.Assign("abcdefghij", 10));
  char out[16] = {};
  EXPECT_EQ(stream.Read(out, 4), 4);
  EXPECT_EQ(std::string(out, 4), "abcd");
  EXPECT_EQ(stream.Read(out, 10), 6);
  EXPECT_EQ(std::string(out, 6), "efghij");
  EXPECT_EQ(stream.Read(out, 1), 0);
  EXPECT_EQ(stream.Position(), 10);
}

TEST(MemoryStream, AssignTakesAFullBufferButNoMore) {
  MemoryStream stream(8);
  ASSERT_TRUE(stream.Assign("12345678", 8));
  EXPECT_EQ(stream.Capacity(), 8);
  EXPECT_FALSE(stream.Assign("123456789", 9));
  EXPECT_EQ(stream.Length(), 8);
  EXPECT_EQ(std::memcmp(stream.Data(), "12345678", 8), 0);
}

TEST(MemoryStream, WriteGrowsInWholeStepsOnceItReachesTheEnd) {
  struct Case {
    int capacity, position, count, grownCapacity;
  };
  const Case cases[] = {
      {100, 0, 99, 100},          // ends inside: no growth
      {100, 90, 10, 51300},       // ends exactly at the end: grows one step
      {100, 0, 51300, 102500},    // one step would only reach the end: two
      {100, 200, 1, 51300},       // position already past the end
  };
  for (const auto& c : cases) {
    MemoryStream stream(c.capacity);
    ASSERT_EQ(stream.Write("head", 4), 4);
    stream.SetPosition(c.position);
    const std::string bytes(static_cast<size_t>(c.count), 'x');
    EXPECT_EQ(stream.Write(bytes.data(), c.count), c.count) << c.position << "+" << c.count;
    EXPECT_EQ(stream.Capacity(), c.grownCapacity) << c.position << "+" << c.count;
    EXPECT_EQ(stream.Position(), c.position + c.count);
    if (c.position >= 4) {
      EXPECT_EQ(std::memcmp(stream.Data(), "head", 4), 0);
    }
    EXPECT_EQ(stream.Data()[c.position + c.count - 1], 'x');
  }
}

TEST(MemoryStream, WriteThatCannotGrowChangesNothing) {
  MemoryStream stream(64);
  stream.SetPosition(INT_MAX - 10);
  char bytes[100] = {};
  EXPECT_EQ(stream.Write(bytes, sizeof bytes), 0);
  EXPECT_EQ(stream.Capacity(), 64);
  EXPECT_EQ(stream.Position(), INT_MAX - 10);
}

TEST(MemoryStream, WritableSpanNeverLeavesOrGrowsTheBuffer) {
  MemoryStream stream(16);
  stream.SetPosition(10);
  EXPECT_EQ(stream.WritableSpan(6), stream.Data() + 10);
  EXPECT_EQ(stream.WritableSpan(7), nullptr);
  EXPECT_EQ(stream.WritableSpan(-1), nullptr);
  stream.SetPosition(INT_MAX);
  EXPECT_EQ(stream.WritableSpan(1), nullptr);
  EXPECT_EQ(stream.Capacity(), 16);
}

TEST(MemoryStream, PutByteWritesOneByte) {
  MemoryStream stream(4);
  stream.SetPosition(2);
  EXPECT_EQ(stream.PutByte(0xAB), 1);
  EXPECT_EQ(stream.Data()[2], 0xAB);
  EXPECT_EQ(stream.Position(), 3);
}

}  // namespace
