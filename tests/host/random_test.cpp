#include "base/random.h"

#include <gtest/gtest.h>

using namespace quorrel;

TEST(TickSeeder, FollowsTheReseedingRule) {
  uint32_t tick = 1000;
  TickSeeder seeder([&tick] { return tick; });
  EXPECT_EQ(seeder.NextSeed(), 1000u);  // offset += 0xE8 + 100 = 332
  EXPECT_EQ(seeder.NextSeed(), 1332u);  // offset += 0x34 + 100 = 484
  EXPECT_EQ(seeder.NextSeed(), 1484u);  // offset += 0xCC + 100 = 788
  tick = 0xFFFFFFFFu;                   // the tick count wraps, and so does the seed
  EXPECT_EQ(seeder.NextSeed(), 787u);
}
