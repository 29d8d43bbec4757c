#include <gtest/gtest.h>

#include "base/byte_order.h"

namespace {

TEST(ByteOrderTest, ReadsAndWritesEachOrderAtAnyAddress) {
  // Odd offsets: the readers must not assume alignment.
  uint8_t bytes[9] = {};
  base::WriteLe32(bytes + 1, 0x11223344);
  base::WriteBe32(bytes + 5, 0x11223344);
  const uint8_t expected[9] = {0, 0x44, 0x33, 0x22, 0x11, 0x11, 0x22, 0x33, 0x44};
  EXPECT_EQ(0, memcmp(bytes, expected, sizeof bytes));
  EXPECT_EQ(0x11223344u, base::ReadLe32(bytes + 1));
  EXPECT_EQ(0x11223344u, base::ReadBe32(bytes + 5));
  EXPECT_EQ(0x3344u, base::ReadLe16(bytes + 1));
  EXPECT_EQ(0x1122u, base::ReadBe16(bytes + 5));
}

TEST(ByteOrderTest, HighBitsSurvive) {
  uint8_t bytes[4];
  base::WriteLe32(bytes, 0xFFFFFFFE);
  EXPECT_EQ(0xFFFFFFFEu, base::ReadLe32(bytes));
  base::WriteBe16(bytes, 0xFFFE);
  EXPECT_EQ(0xFFFEu, base::ReadBe16(bytes));
  base::WriteLe16(bytes, 0x1ABCD);  // only the low 16 bits are written
  EXPECT_EQ(0xABCDu, base::ReadLe16(bytes));
}

}  // namespace
