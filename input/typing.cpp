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

namespace {

bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The characters typed by the first `taken` events: each key going down but Shift and
// Caps Lock, and each code unit going down but the second half of a surrogate pair.
size_t CharactersIn(const std::vector<KeyEvent>& events, size_t taken) {
  size_t n = 0;
  for (size_t i = 0; i < taken; ++i) {
    const KeyEvent& e = events[i];
    if (e.up) continue;
    if (e.vk == 0 ? !IsLowSurrogate(e.unit) : (e.vk != kShiftKey && e.vk != kCapsLockKey)) ++n;
  }
  return n;
}

// The events that undo what the first `taken` events left down: the keys in the order
// they were pressed, a code unit left down, Caps Lock pressed once more where the taken
// part turned it over.
std::vector<KeyEvent> ReleaseAfter(const std::vector<KeyEvent>& events, size_t taken) {
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
  SecureWipe(pressed.data(), pressed.size() * sizeof(KeyEvent));
  SecureWipe(&charUnit, sizeof charUnit);
  return release;
}

// Ends a typing after its first `taken` events: counts what went in and releases what they
// left down. The release goes wherever the keyboard is now: key-ups type nothing, and a key
// left down would turn the user's next keys into something else.
Injection EndAfter(KeyInjector& injector, const std::vector<KeyEvent>& events, size_t taken, Injection::Outcome outcome) {
  Injection result{outcome, CharactersIn(events, taken)};
  std::vector<KeyEvent> release = ReleaseAfter(events, taken);
  size_t released = 0;
  for (int attempt = 0; attempt < kReleaseAttempts && released < release.size(); ++attempt) {
    if (attempt > 0) injector.PauseBeforeRetry();
    std::vector<KeyEvent> rest(release.begin() + static_cast<std::ptrdiff_t>(released), release.end());
    released += std::min(injector.Inject(rest), rest.size());
    SecureWipe(rest.data(), rest.size() * sizeof(KeyEvent));
  }
  result.keysLeftDown = released < release.size();
  SecureWipe(release.data(), release.size() * sizeof(KeyEvent));
  return result;
}

}  // namespace

Injection InjectBatch(KeyInjector& injector, const std::vector<KeyEvent>& events) {
  if (events.empty()) return {};
  const std::optional<size_t> taken = injector.InjectIntoTarget(events);
  if (!taken) return {Injection::Outcome::kTargetChanged};
  if (*taken >= events.size()) return {};
  return EndAfter(injector, events, *taken, Injection::Outcome::kCut);
}

PacedTyping::~PacedTyping() { SecureWipe(events_.data(), events_.size() * sizeof(KeyEvent)); }

std::optional<Injection> PacedTyping::Next(KeyInjector& injector) {
  if (next_ >= events_.size()) return Injection{Injection::Outcome::kTyped, CharactersIn(events_, next_)};
  std::vector<KeyEvent> one{events_[next_]};
  const std::optional<size_t> taken = injector.InjectIntoTarget(one);
  SecureWipe(one.data(), sizeof(KeyEvent));
  if (!taken || *taken == 0) {
    const size_t went = next_;
    next_ = events_.size();  // nothing more goes after an end
    return EndAfter(injector, events_, went, taken ? Injection::Outcome::kCut : Injection::Outcome::kTargetChanged);
  }
  if (++next_ < events_.size()) return std::nullopt;
  return Injection{Injection::Outcome::kTyped, CharactersIn(events_, next_)};
}

bool PacedTyping::allCharactersIn() const {
  return CharactersIn(events_, next_) == CharactersIn(events_, events_.size());
}

Injection PacedTyping::Stop(KeyInjector& injector) {
  const size_t taken = next_;
  next_ = events_.size();  // nothing more goes after a stop
  return EndAfter(injector, events_, taken, Injection::Outcome::kStopped);
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
  const bool all = InjectBatch(injector, events).outcome == Injection::Outcome::kTyped;
  SecureWipe(events.data(), events.size() * sizeof(KeyEvent));
  return all;
}

bool PressKeyChord(KeyInjector& injector, uint8_t first, uint8_t second, uint8_t third) {
  return InjectBatch(injector, KeyChordEvents(first, second, third)).outcome == Injection::Outcome::kTyped;
}

}  // namespace quorrel
