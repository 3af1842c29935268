#include "input/typing.h"

#include "base/text.h"

namespace quorrel {
namespace {

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

void AppendChord(std::vector<KeyEvent>& out, uint8_t first, uint8_t second, uint8_t third) {
  const uint8_t keys[] = {first, second, third};
  for (uint8_t k : keys)
    if (k != 0) out.push_back({k, false});
  for (uint8_t k : keys)
    if (k != 0) out.push_back({k, true});
}

bool InjectAndRecover(KeyInjector& injector, const std::vector<KeyEvent>& events) {
  if (events.empty()) return true;
  size_t taken = injector.Inject(events);
  if (taken >= events.size()) return true;

  // Release what the taken part left down, in the order it was pressed.
  std::array<bool, 256> down{};
  std::vector<KeyEvent> pressed;
  for (size_t i = 0; i < taken; ++i) {
    down[events[i].vk] = !events[i].up;
    if (!events[i].up) pressed.push_back(events[i]);
  }
  std::vector<KeyEvent> release;
  for (const KeyEvent& e : pressed) {
    if (down[e.vk]) {
      release.push_back({e.vk, true});
      down[e.vk] = false;
    }
  }
  if (!release.empty()) injector.Inject(release);
  SecureWipe(pressed.data(), pressed.size() * sizeof(KeyEvent));
  SecureWipe(release.data(), release.size() * sizeof(KeyEvent));
  return false;
}

}  // namespace

const std::array<CharKey, 94> CharKeyTable = kCharKeys;

KeyInjector::~KeyInjector() = default;

std::optional<CharKey> FindCharKey(unsigned char ch) {
  uint8_t i = kIndex[ch];
  if (i == 0) return std::nullopt;
  return kCharKeys[i - 1];
}

std::vector<KeyEvent> KeyChordEvents(uint8_t first, uint8_t second, uint8_t third) {
  std::vector<KeyEvent> events;
  events.reserve(6);
  AppendChord(events, first, second, third);
  return events;
}

std::vector<KeyEvent> KeyEventsForText(std::string_view text) {
  size_t count = 0;
  for (char c : text) {
    uint8_t i = kIndex[static_cast<unsigned char>(c)];
    if (i != 0) count += kCharKeys[i - 1].shift ? 4 : 2;
  }
  std::vector<KeyEvent> events;
  events.reserve(count);
  for (char c : text) {
    uint8_t i = kIndex[static_cast<unsigned char>(c)];
    if (i == 0) continue;
    const CharKey& k = kCharKeys[i - 1];
    if (k.shift)
      AppendChord(events, kShiftKey, k.vk, 0);
    else
      AppendChord(events, k.vk, 0, 0);
  }
  return events;
}

bool TypeText(std::string_view text, KeyInjector& injector) {
  std::vector<KeyEvent> events = KeyEventsForText(text);
  bool all = InjectAndRecover(injector, events);
  SecureWipe(events.data(), events.size() * sizeof(KeyEvent));
  return all;
}

bool PressKeyChord(KeyInjector& injector, uint8_t first, uint8_t second, uint8_t third) {
  return InjectAndRecover(injector, KeyChordEvents(first, second, third));
}

}  // namespace quorrel
