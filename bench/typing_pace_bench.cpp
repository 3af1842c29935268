// The pace of typing into a relay (a virtual machine's console, a remote-control client):
// the program's paced events of a 40-character password with capitals and symbols, sent
// one every `gap` ms into models of such relays (bench/relay_model.h: a short
// queue that the guest empties one event per poll), and what arrives. Prints, for each
// gap, the events lost and the time the password takes; the program's gap is marked.
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "input/typing.h"
#include "input/typing_plan.h"
#include "bench/relay_model.h"

namespace {

using namespace quorrel;

constexpr std::string_view kPassword40 = "Relay-4ep!Q9#zX@w7$Kd^m2&Tn*B5(vL)p_Yh+3";
static_assert(kPassword40.size() == 40);

class AsciiEnvironment : public TypingEnvironment {
 public:
  bool CapsLockOn() override { return false; }
  AnsiChar DecodeChar(std::string_view) override { return {}; }
};

class UsLayout : public KeyboardLayout {
 public:
  std::optional<LayoutKey> KeyFor(LayoutId, char16_t ch) override {
    const std::optional<CharKey> k = ch < 0x80 ? FindCharKey(static_cast<unsigned char>(ch)) : std::nullopt;
    if (!k) return ch == ' ' ? std::optional<LayoutKey>(LayoutKey{0x20, 0}) : std::nullopt;
    return LayoutKey{k->vk, k->shift ? kLayoutShift : uint8_t{0}};
  }
};

}  // namespace

int main() {
  AsciiEnvironment environment;
  UsLayout layout;
  TargetFacts vm{.windowKnown = true, .imageName = "vmware.exe", .integrity = TargetIntegrity::SameOrLower};
  const TypingPlan plan = PlanTyping(kPassword40, vm, environment, layout);
  const size_t events = plan.events().size();
  std::printf("40-character password, %zu paced events (program's gap %lld ms)\n", events,
              static_cast<long long>(kPacedEventGap.count()));
  std::printf("%-26s", "relay \\ gap (ms)");
  const unsigned gaps[] = {0, 4, 6, 8, 10, 12, 16, 25};
  for (unsigned gap : gaps) std::printf("%7u%s", gap, gap == kPacedEventGap.count() ? "*" : " ");
  std::printf("\n");
  for (const relay::Model model : {relay::Model{8, 5}, relay::Model{16, 8}, relay::Model{16, 10}, relay::Model{4, 10},
                                   relay::Model{16, 12}}) {
    std::printf("queue %2zu, a poll every %2u ms", model.capacity, model.pollMs);
    for (unsigned gap : gaps) {
      relay::Relay r(model);
      size_t lost = 0;
      for (size_t i = 0; i < events; ++i) lost += r.Arrive(1000 + static_cast<uint32_t>(i) * gap) ? 0 : 1;
      std::printf("%7zu ", lost);
    }
    std::printf("  events lost\n");
  }
  std::printf("%-26s", "time for the password (ms)");
  for (unsigned gap : gaps) std::printf("%7zu ", (events - 1) * gap);
  std::printf("\n");
  return 0;
}
