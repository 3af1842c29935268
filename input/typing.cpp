#include "input/typing.h"

#include "base/text.h"
#include "input/typing_batch.h"

namespace quorrel {
namespace {

void AppendChord(std::vector<KeyEvent>& out, uint8_t first, uint8_t second, uint8_t third) {
  const uint8_t keys[] = {first, second, third};
  for (uint8_t k : keys)
    if (k != 0) out.push_back({k, false});
  for (uint8_t k : keys)
    if (k != 0) out.push_back({k, true});
}

constexpr std::array<CharKey, 94> BuildCharKeyTable() {
  std::array<CharKey, 94> t{};
  size_t i = 0;
  for (char c = 'a'; c <= 'z'; ++c) t[i++] = {c, static_cast<uint8_t>(c - 'a' + 'A'), false};
  for (char c = 'A'; c <= 'Z'; ++c) t[i++] = {c, static_cast<uint8_t>(c), true};
  for (char c = '0'; c <= '9'; ++c) t[i++] = {c, static_cast<uint8_t>(c), false};

  // The digit row with Shift.
  constexpr struct { char ch; uint8_t vk; } shiftedDigits[] = {
      {'!', 49}, {'@', 50}, {'#', 51}, {'$', 52}, {'%', 53},
      {'^', 54}, {'&', 55}, {'*', 56}, {'(', 57}, {')', 48},
  };
  for (auto d : shiftedDigits) t[i++] = {d.ch, d.vk, true};

  // Punctuation keys: the character without Shift, the one with Shift, the key.
  constexpr struct { char plain; char shifted; uint8_t vk; } punctuation[] = {
      {'`', '~', 192},  {'-', '_', 189}, {'=', '+', 187}, {'\\', '|', 220},
      {'[', '{', 219},  {']', '}', 221}, {';', ':', 186}, {'\'', '"', 222},
      {',', '<', 188},  {'.', '>', 190}, {'/', '?', 191},
  };
  for (auto p : punctuation) {
    t[i++] = {p.plain, p.vk, false};
    t[i++] = {p.shifted, p.vk, true};
  }
  return t;
}

constexpr std::array<CharKey, 94> kCharKeys = BuildCharKeyTable();

// Byte -> table index + 1 (0: not in the table).
constexpr std::array<uint8_t, 256> BuildIndex() {
  std::array<uint8_t, 256> index{};
  for (size_t i = 0; i < kCharKeys.size(); ++i)
    index[static_cast<unsigned char>(kCharKeys[i].ch)] = static_cast<uint8_t>(i + 1);
  return index;
}

constexpr std::array<uint8_t, 256> kIndex = BuildIndex();

constexpr bool EveryPrintableOnce() {
  std::array<int, 256> seen{};
  for (const CharKey& k : kCharKeys) ++seen[static_cast<unsigned char>(k.ch)];
  for (int c = 0; c < 256; ++c)
    if (seen[c] != ((c >= 0x21 && c <= 0x7E) ? 1 : 0)) return false;
  return true;
}
static_assert(EveryPrintableOnce(), "each of 0x21-0x7E must have exactly one entry");

}  // namespace

const std::array<CharKey, 94> CharKeyTable = kCharKeys;

KeyInjector::~KeyInjector() = default;
TypingEnvironment::~TypingEnvironment() = default;

std::optional<CharKey> FindCharKey(unsigned char ch) {
  uint8_t i = kIndex[ch];
  if (i == 0) return std::nullopt;
  return kCharKeys[i - 1];
}

bool InjectBatch(KeyInjector& injector, const std::vector<KeyEvent>& events) {
  if (events.empty()) return true;
  size_t taken = injector.Inject(events);
  if (taken >= events.size()) return true;

  // Release what the taken part left down, in the order it was pressed.
  std::array<bool, 256> down{};
  std::vector<KeyEvent> pressed;
  pressed.reserve(taken);
  bool charDown = false;
  char16_t charUnit = 0;
  size_t capsPresses = 0;
  for (size_t i = 0; i < taken; ++i) {
    const KeyEvent& e = events[i];
    if (e.vk == 0) {
      charDown = !e.up;
      charUnit = e.unit;
      continue;
    }
    if (!e.up && e.vk == kCapsLockKey && !down[e.vk]) ++capsPresses;
    down[e.vk] = !e.up;
    if (!e.up) pressed.push_back(e);
  }
  std::vector<KeyEvent> release;
  release.reserve(pressed.size() + 3);
  for (const KeyEvent& e : pressed) {
    if (down[e.vk]) {
      release.push_back({e.vk, true});
      down[e.vk] = false;
    }
  }
  if (charDown) release.push_back(CharEvent(charUnit, true));
  // Each press of Caps Lock turned it over: an odd count left it the other way round.
  if (capsPresses % 2 != 0) {
    release.push_back({kCapsLockKey, false});
    release.push_back({kCapsLockKey, true});
  }
  if (!release.empty()) injector.Inject(release);
  SecureWipe(pressed.data(), pressed.size() * sizeof(KeyEvent));
  SecureWipe(release.data(), release.size() * sizeof(KeyEvent));
  SecureWipe(&charUnit, sizeof charUnit);
  return false;
}

std::vector<KeyEvent> KeyChordEvents(uint8_t first, uint8_t second, uint8_t third) {
  std::vector<KeyEvent> events;
  events.reserve(6);
  AppendChord(events, first, second, third);
  return events;
}

std::vector<KeyEvent> KeyEventsForText(std::string_view text, TypingEnvironment& environment,
                                       const ReservedKeys& reserved) {
  std::vector<KeyEvent> events;
  auto usKey = [](char16_t ch) -> std::optional<typing_batch::PlainKey> {
    if (ch >= kIndex.size() || kIndex[ch] == 0) return std::nullopt;
    const CharKey& k = kCharKeys[kIndex[ch] - 1];
    return typing_batch::PlainKey{k.vk, k.shift};
  };
  // Unicode events are always allowed here, so nothing is ever refused.
  (void)typing_batch::AppendTextEvents(events, text, environment, reserved, {}, usKey);
  return events;
}

bool TypeText(std::string_view text, KeyInjector& injector, TypingEnvironment& environment,
              const ReservedKeys& reserved) {
  std::vector<KeyEvent> events = KeyEventsForText(text, environment, reserved);
  bool all = InjectBatch(injector, events);
  SecureWipe(events.data(), events.size() * sizeof(KeyEvent));
  return all;
}

bool PressKeyChord(KeyInjector& injector, uint8_t first, uint8_t second, uint8_t third) {
  return InjectBatch(injector, KeyChordEvents(first, second, third));
}

}  // namespace quorrel
