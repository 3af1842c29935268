// The program's one pseudo-random source: a Mersenne Twister reseeded before every use from
// the millisecond tick count and a running offset. It draws PIDs and the keys of account
// files; nothing in it is meant to be unpredictable to an attacker.
#pragma once

#include <cstdint>
#include <functional>
#include <random>

namespace quorrel {

// The reseeding rule: seed := tick (ms) + offset; then offset += (seed & 0xFF) + 100, so two
// uses within the same millisecond still get different seeds.
class TickSeeder {
 public:
  explicit TickSeeder(std::function<uint32_t()> tick_ms) : tick_ms_(std::move(tick_ms)) {}
  uint32_t NextSeed();
  void SetTicks(std::function<uint32_t()> tick_ms) { tick_ms_ = std::move(tick_ms); }

 private:
  std::function<uint32_t()> tick_ms_;
  uint32_t offset_ = 0;
};

// One integer uniformly from lo..hi inclusive (rejection keeps every value equally likely).
int32_t UniformDraw(std::mt19937& generator, int32_t lo, int32_t hi);

// The process-wide seeder over the steady clock: RandomText and NewAccountPid share its
// running offset. Not thread-safe: the program uses it on its user-interface thread.
TickSeeder& ProcessSeeder();

// Reseeds a generator from the process-wide seeder.
std::mt19937 ReseededGenerator();

// Milliseconds of the steady clock, the default tick source.
uint32_t SteadyTicks();

}  // namespace quorrel
