#include "framework/himetric.h"

#include <gtest/gtest.h>

namespace {

TEST(Himetric, ConvertsAtTheGivenResolutionAndRoundsToNearest) {
  EXPECT_EQ(fw::PixelsToHimetric(100, 96), 2646);
  EXPECT_EQ(fw::HimetricToPixels(2646, 96), 100);
  EXPECT_EQ(fw::PixelsToHimetric(96, 96), 2540);
  EXPECT_EQ(fw::HimetricToPixels(2540, 120), 120);
  for (long px : {1L, 17L, 640L, 1280L})
    EXPECT_EQ(fw::HimetricToPixels(fw::PixelsToHimetric(px, 96), 96), px);
}

}  // namespace
