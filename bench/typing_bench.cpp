// Host cost of turning a password into key events (the part of typing that runs before
// the events go to the system).
#include <benchmark/benchmark.h>

#include <string_view>

#include "input/typing.h"

namespace {

constexpr std::string_view kPassword64 =
    "Xk9!mQ2#pL7$vR4%tY8^wZ1&nB5*cD3(fG6)hJ0_sA-=+[]{};:'\",.<>/?|\\~`Q";
static_assert(kPassword64.size() == 64);

// The password is ASCII: the code page is never asked, Caps Lock is off.
class AsciiEnvironment : public quorrel::TypingEnvironment {
 public:
  bool CapsLockOn() override { return false; }
  quorrel::AnsiChar DecodeChar(std::string_view) override { return {}; }
};

class NullInjector : public quorrel::KeyInjector {
 public:
  size_t Inject(const std::vector<quorrel::KeyEvent>& events) override {
    benchmark::DoNotOptimize(events.data());
    return events.size();
  }
};

void BM_KeyEventsForText64(benchmark::State& state) {
  AsciiEnvironment environment;
  for (auto _ : state) {
    auto events = quorrel::KeyEventsForText(kPassword64, environment);
    benchmark::DoNotOptimize(events.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(kPassword64.size()));
}
BENCHMARK(BM_KeyEventsForText64);

void BM_TypeText64(benchmark::State& state) {
  NullInjector injector;
  AsciiEnvironment environment;
  for (auto _ : state) benchmark::DoNotOptimize(quorrel::TypeText(kPassword64, injector, environment));
}
BENCHMARK(BM_TypeText64);

}  // namespace

BENCHMARK_MAIN();
