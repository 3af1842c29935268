// Host cost of planning the typing of a 64-character password for a target, against
// KeyEventsForText (the fixed US table): what the decision per press adds before the
// events go to the system. Prints nanoseconds per call, medians of interleaved samples.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "bench_support.h"
#include "input/typing.h"
#include "input/typing_plan.h"

namespace {

using namespace quorrel;

constexpr std::string_view kPassword64 =
    "Xk9!mQ2#pL7$vR4%tY8^wZ1&nB5*cD3(fG6)hJ0_sA-=+[]{};:'\",.<>/?|\\~`Q";
static_assert(kPassword64.size() == 64);

// The password is ASCII: the code page is never asked, Caps Lock is off.
class AsciiEnvironment : public TypingEnvironment {
 public:
  bool CapsLockOn() override { return false; }
  AnsiChar DecodeChar(std::string_view) override { return {}; }
};

// The US keys from an array, as a layout cached per HKL would answer.
class ArrayLayout : public KeyboardLayout {
 public:
  ArrayLayout() {
    for (const CharKey& k : CharKeyTable)
      keys_[static_cast<unsigned char>(k.ch)] = LayoutKey{k.vk, k.shift ? kLayoutShift : uint8_t{0}};
  }
  std::optional<LayoutKey> KeyFor(LayoutId, char16_t ch) override {
    return ch < keys_.size() ? keys_[ch] : std::nullopt;
  }

 private:
  std::array<std::optional<LayoutKey>, 128> keys_{};
};

volatile size_t sink = 0;

// Nanoseconds per call: the median of `samples` runs of `calls` calls.
template <typename F>
double NsPerCall(F&& call, int samples = 41, int calls = 20000) {
  const double ms = bench::MedianTime(samples, [&] {
    for (int i = 0; i < calls; ++i) sink = sink + call();
  });
  return ms * 1e6 / calls;
}

}  // namespace

int main(int argc, char** argv) {
  AsciiEnvironment environment;
  ArrayLayout layout;
  TargetFacts plain{.windowKnown = true, .imageName = "chrome.exe", .integrity = TargetIntegrity::SameOrLower,
                    .layout = 0x04090409};
  TargetFacts remote = plain;
  remote.imageName = "mstsc.exe";
  TargetFacts ime = plain;
  ime.imeOpen = true;
  ime.imeConversion = kImeNative;
  const ReservedKeys hotkeys = [] {
    ReservedKeys r;
    r.set(119);
    r.set(120);
    return r;
  }();

  auto table = [&] { return KeyEventsForText(kPassword64, environment, hotkeys).size(); };
  auto planFor = [&](const TargetFacts& facts) {
    return [&] { return PlanTyping(kPassword64, facts, environment, layout, hotkeys).events().size(); };
  };

  if (argc == 3) {
    const long n = std::strtol(argv[2], nullptr, 10);
    const char* path = argv[1];
    for (long k = 0; k < n; ++k) {
      if (std::strcmp(path, "table") == 0) sink = sink + table();
      else if (std::strcmp(path, "plain") == 0) sink = sink + planFor(plain)();
      else if (std::strcmp(path, "remote") == 0) sink = sink + planFor(remote)();
      else if (std::strcmp(path, "ime") == 0) sink = sink + planFor(ime)();
      else return 2;
    }
    return 0;
  }

  // Interleaved rounds, so that drift of the machine falls on every figure alike.
  std::vector<double> t, p, r, i;
  for (int round = 0; round < 5; ++round) {
    t.push_back(NsPerCall(table));
    p.push_back(NsPerCall(planFor(plain)));
    r.push_back(NsPerCall(planFor(remote)));
    i.push_back(NsPerCall(planFor(ime)));
  }
  const double tm = bench::MedianOf(t), pm = bench::MedianOf(p), rm = bench::MedianOf(r), im = bench::MedianOf(i);
  std::printf("64 ASCII characters, F8/F9 reserved, ns per call (median of 5 rounds x 41 samples x 20000 calls)\n");
  std::printf("  KeyEventsForText (US table)        %8.1f\n", tm);
  std::printf("  PlanTyping, plain target, US keys  %8.1f   ratio %.2f\n", pm, pm / tm);
  std::printf("  PlanTyping, remote client          %8.1f   ratio %.2f\n", rm, rm / tm);
  std::printf("  PlanTyping, IME composing          %8.1f   ratio %.2f\n", im, im / tm);
  return 0;
}
