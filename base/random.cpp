#include "base/random.h"

#include <chrono>

namespace quorrel {

uint32_t TickSeeder::NextSeed() {
  const uint32_t seed = (tick_ms_ ? tick_ms_() : 0u) + offset_;
  offset_ += (seed & 0xFF) + 100;
  return seed;
}

int32_t UniformDraw(std::mt19937& generator, int32_t lo, int32_t hi) {
  if (hi <= lo) return lo;
  const uint64_t range = static_cast<uint64_t>(int64_t{hi} - lo) + 1;
  const uint64_t limit = (uint64_t{1} << 32) / range * range;
  uint64_t r;
  do {
    r = generator();
  } while (r >= limit);
  return static_cast<int32_t>(lo + static_cast<int64_t>(r % range));
}

uint32_t SteadyTicks() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

TickSeeder& ProcessSeeder() {
  static TickSeeder seeder(SteadyTicks);
  return seeder;
}

std::mt19937 ReseededGenerator() { return std::mt19937(ProcessSeeder().NextSeed()); }

}  // namespace quorrel
