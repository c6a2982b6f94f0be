// The game's random generator.
#include <gtest/gtest.h>

#include "framework/Random.h"

TEST(RandomGenerator, InRangeIncludesBothBoundsAndNothingElse) {
  Random r(7);
  bool sawMin = false, sawMax = false;
  for (int i = 0; i < 2000; ++i) {
    const qint64 v = r.InRange(1, 13);
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 13);
    sawMin |= v == 1;
    sawMax |= v == 13;
  }
  EXPECT_TRUE(sawMin && sawMax);
  EXPECT_EQ(r.InRange(5, 5), 5);
  Random a(99), b(99);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(a.InRange(0, 1000000), b.InRange(0, 1000000));
}
