#include "input/typing.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <tuple>
#include <string>

#include "typing_test_support.h"

using namespace quorrel;
using namespace quorrel::testing;

namespace {

// Records every Inject call; the calls take at most `limits` events each, in order (then
// all). With targetMoved, another window has the keyboard than at the press.
class RecordingInjector : public KeyInjector {
 public:
  explicit RecordingInjector(size_t first_limit = SIZE_MAX) : limits{first_limit} {}
  explicit RecordingInjector(std::vector<size_t> each, bool moved = false) : limits(std::move(each)), targetMoved(moved) {}
  std::vector<size_t> limits;
  bool targetMoved = false;
  size_t movedAfter = SIZE_MAX;  // calls into the target before another window has the keyboard
  int pauses = 0;
  std::vector<Events> calls;
  size_t Inject(const Events& events) override {
    calls.push_back(events);
    const size_t limit = calls.size() <= limits.size() ? limits[calls.size() - 1] : SIZE_MAX;
    return std::min(limit, events.size());
  }
  std::optional<size_t> InjectIntoTarget(const Events& events) override {
    if (targetMoved || movedAfter-- == 0) return std::nullopt;
    return Inject(events);
  }
  void PauseBeforeRetry() override { ++pauses; }
};

Events Typed(std::string_view text, TypingEnvironment& env, const ReservedKeys& reserved = {}) {
  RecordingInjector inj;
  EXPECT_TRUE(TypeText(text, inj, env, reserved));
  EXPECT_LE(inj.calls.size(), 1u);  // one injection, however long
  return inj.calls.empty() ? Events{} : inj.calls[0];
}

Events Typed(std::string_view text) {
  IconvEnvironment gbk;
  return Typed(text, gbk);
}

// The keys of the US English layout, written out: character, key, Shift (false where left out).
constexpr CharKey kUsLayout[] = {
    {'a', 65}, {'b', 66}, {'c', 67}, {'d', 68}, {'e', 69}, {'f', 70}, {'g', 71}, {'h', 72}, {'i', 73}, {'j', 74},
    {'k', 75}, {'l', 76}, {'m', 77}, {'n', 78}, {'o', 79}, {'p', 80}, {'q', 81}, {'r', 82}, {'s', 83}, {'t', 84},
    {'u', 85}, {'v', 86}, {'w', 87}, {'x', 88}, {'y', 89}, {'z', 90},
    {'A', 65, true}, {'B', 66, true}, {'C', 67, true}, {'D', 68, true}, {'E', 69, true}, {'F', 70, true},
    {'G', 71, true}, {'H', 72, true}, {'I', 73, true}, {'J', 74, true}, {'K', 75, true}, {'L', 76, true},
    {'M', 77, true}, {'N', 78, true}, {'O', 79, true}, {'P', 80, true}, {'Q', 81, true}, {'R', 82, true},
    {'S', 83, true}, {'T', 84, true}, {'U', 85, true}, {'V', 86, true}, {'W', 87, true}, {'X', 88, true},
    {'Y', 89, true}, {'Z', 90, true},
    {'0', 48}, {'1', 49}, {'2', 50}, {'3', 51}, {'4', 52}, {'5', 53}, {'6', 54}, {'7', 55}, {'8', 56}, {'9', 57},
    {'!', 49, true}, {'@', 50, true}, {'#', 51, true}, {'$', 52, true}, {'%', 53, true}, {'^', 54, true},
    {'&', 55, true}, {'*', 56, true}, {'(', 57, true}, {')', 48, true},
    {'`', 192}, {'~', 192, true}, {'-', 189}, {'_', 189, true}, {'=', 187}, {'+', 187, true}, {'\\', 220},
    {'|', 220, true}, {'[', 219}, {'{', 219, true}, {']', 221}, {'}', 221, true}, {';', 186}, {':', 186, true},
    {'\'', 222}, {'"', 222, true}, {',', 188}, {'<', 188, true}, {'.', 190}, {'>', 190, true}, {'/', 191},
    {'?', 191, true},
};

}  // namespace

TEST(TypeText, EventSequencesForMixedCaseDigitsAndTheSharedBackslashKey) {
  const Events expected = {
      Down(16), Down(65), Up(16), Up(65),  // A
      Down(66), Up(66), Down(67), Up(67),  // b c
      Down(49), Up(49),                    // 1
      Down(16), Down(49), Up(16), Up(49),  // !
  };
  EXPECT_EQ(Typed("Abc1!"), expected);
  IconvEnvironment gbk;
  EXPECT_EQ(KeyEventsForText("Abc1!", gbk), expected);
  EXPECT_EQ(Typed("\\"), (Events{Down(220), Up(220)}));
  EXPECT_EQ(Typed("|"), (Events{Down(16), Down(220), Up(16), Up(220)}));
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "Pw1!";
  EXPECT_EQ(Typed(text).size(), 1000u * (4 + 2 + 2 + 4));
}

TEST(TypeText, ControlCharactersAndBytesThatFormNoCharacterAreSkipped) {
  EXPECT_EQ(Typed("ab\r\n\tcd\n"), Typed("abcd"));
  EXPECT_EQ(Typed(std::string_view("a\0b\x7F\x1B", 5)), Typed("ab"));
  RecordingInjector none;
  IconvEnvironment gbk;
  EXPECT_TRUE(TypeText("\r\n\t", none, gbk));
  EXPECT_TRUE(none.calls.empty());
  // A lead byte before a byte that cannot be its trail byte, or at the end, is no
  // character; the byte after it is read on its own.
  EXPECT_EQ(Typed("\x81" "0x\xFF" "9\x81\x7F" "k\x81"), Typed("0x9k"));
}

TEST(TypeText, SpaceKeyAndUnicodeEventsForWhatTheTableLacks) {
  // 张三 abc in GBK: the Chinese characters as Unicode events, the space with its key.
  EXPECT_EQ(Typed("\xD5\xC5\xC8\xFD abc"),
            Char(0x5F20) + Char(0x4E09) + Chord(32) + Chord(65) + Chord(66) + Chord(67));
  // Full-width comma and exclamation mark, then the ASCII ones by their keys.
  EXPECT_EQ(Typed("\xA3\xAC\xA3\xA1,!"), Char(0xFF0C) + Char(0xFF01) + Chord(188) + Shifted(49));
  // A trail byte in 0x40-0x7E belongs to its character (81 40: U+4E02; 95 5C: U+661E):
  // no "@" or "\\" of its own.
  EXPECT_EQ(Typed("x\x81\x40y\x95\x5C"), Chord(88) + Char(0x4E02) + Chord(89) + Char(0x661E));
  // A character outside the BMP goes as its surrogate pair (a UTF-8 code page).
  IconvEnvironment utf8("UTF-8");
  EXPECT_EQ(Typed("a\xF0\x9F\x98\x80", utf8), Chord(65) + Char(0xD83D) + Char(0xDE00));
  EXPECT_EQ(Typed("\xE2\x80\x85", utf8), Char(0x2005));  // a space character other than 0x20
  EXPECT_EQ(Typed("\xC2\x80\xC2\x85\xC2\x9F\xC2\xA0", utf8), Char(0xA0));  // C1 controls skipped
}

TEST(TypeText, CapsLockIsSwitchedOffAroundTheBatchAndOnlyThen) {
  IconvEnvironment capsOn("GBK", true);
  const Events caps = Chord(20);
  EXPECT_EQ(Typed("Ab \xD5\xC5", capsOn), caps + Shifted(65) + Chord(66) + Chord(32) + Char(0x5F20) + caps);
  EXPECT_EQ(capsOn.capsQueries, 1);
  EXPECT_EQ(Typed("\r\n\x81", capsOn), Events{});  // nothing to type: Caps Lock untouched
  IconvEnvironment capsOff;
  EXPECT_EQ(Typed("Ab", capsOff), Shifted(65) + Chord(66));
  // Caps Lock as a hotkey cannot be pressed: the letters go as characters instead.
  const ReservedKeys capsKey = ReservedKeys().set(20);
  EXPECT_EQ(Typed("Ab1", capsOn, capsKey), Char('A') + Char('b') + Chord(49));
  EXPECT_EQ(Typed("Ab1", capsOff, capsKey), Shifted(65) + Chord(66) + Chord(49));

  // Cut short after Caps Lock went off: the keys left down come up and Caps Lock goes on.
  const std::pair<size_t, std::vector<Events>> cuts[] = {
      {1, {{Up(20), Down(20), Up(20)}}},        // Caps Lock down only
      {3, {{Up(16), Down(20), Up(20)}}},        // off, Shift down
      {4, {{Up(16), Up(65), Down(20), Up(20)}}},
      {6, {{Down(20), Up(20)}}},                // "A" typed, b cut
      {9, {{Up(20)}}},                          // the last press taken: on again
  };
  for (const auto& [limit, releases] : cuts) {
    RecordingInjector inj(limit);
    EXPECT_FALSE(TypeText("Ab", inj, capsOn)) << limit;
    ASSERT_EQ(inj.calls.size(), 1 + releases.size()) << limit;
    EXPECT_EQ(std::vector<Events>(inj.calls.begin() + 1, inj.calls.end()), releases) << limit;
  }
  RecordingInjector halfChar(1);
  EXPECT_FALSE(TypeText("\xD5\xC5", halfChar, capsOff));
  EXPECT_EQ(halfChar.calls, (std::vector<Events>{Char(0x5F20), {CharEvent(0x5F20, true)}}));
}

TEST(TypeText, ReservedKeysAreNeverPressed) {
  IconvEnvironment gbk;
  EXPECT_EQ(Typed("aAb", gbk, ReservedKeys().set(65)), Char('a') + Char('A') + Chord(66));
  EXPECT_EQ(Typed("A! 1", gbk, ReservedKeys().set(16).set(32)), Char('A') + Char('!') + Char(' ') + Chord(49));
  for (int shift : {160, 161})  // left or right Shift as a hotkey
    EXPECT_EQ(Typed("Ab", gbk, ReservedKeys().set(shift)), Char('A') + Chord(66)) << shift;
  // The usual hotkeys change nothing.
  EXPECT_EQ(Typed("Abc1!", gbk, ReservedKeys().set(119).set(120)), Typed("Abc1!"));
}

TEST(CharKeyTable, EveryPrintableCharacterHasItsUsLayoutChord) {
  auto fields = [](const std::optional<CharKey>& k) {
    return k ? std::tuple(k->ch, k->vk, k->shift) : std::tuple('\0', uint8_t{0}, false);
  };
  std::array<std::optional<CharKey>, 256> expected{};
  for (const CharKey& k : kUsLayout) {
    expected[static_cast<unsigned char>(k.ch)] = k;
    EXPECT_EQ(Typed(std::string(1, k.ch)), k.shift ? Shifted(k.vk) : Chord(k.vk)) << k.ch;
  }
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(expected[c].has_value(), c >= 0x21 && c <= 0x7E) << c;  // the list above is whole
    EXPECT_EQ(fields(FindCharKey(static_cast<unsigned char>(c))), fields(expected[c])) << c;
  }
  ASSERT_EQ(CharKeyTable.size(), 94u);
  for (const CharKey& k : CharKeyTable)
    EXPECT_EQ(fields(k), fields(expected[static_cast<unsigned char>(k.ch)])) << k.ch;
}

TEST(PressKeyChord, ReleasesInPressOrderAndSkipsZeroCodes) {
  EXPECT_EQ(KeyChordEvents(17, 16, 65), (Events{Down(17), Down(16), Down(65), Up(17), Up(16), Up(65)}));
  EXPECT_EQ(KeyChordEvents(16, 0, 65), (Events{Down(16), Down(65), Up(16), Up(65)}));
  EXPECT_TRUE(KeyChordEvents(0, 0, 0).empty());
  RecordingInjector inj;
  EXPECT_TRUE(PressKeyChord(inj, 16, 49));
  EXPECT_EQ(inj.calls, (std::vector<Events>{{Down(16), Down(49), Up(16), Up(49)}}));
}

TEST(TypeText, CutShortInjectionReleasesTheKeysItLeftDown) {
  // taken events of "Ab" -> the release call that must follow (none on a chord boundary)
  const std::pair<size_t, std::vector<Events>> cases[] = {
      {2, {{Up(16), Up(65)}}},  // Shift and A down
      {3, {{Up(65)}}},          // after Shift up only A is down
      {4, {}},
      {0, {}},
  };
  for (const auto& [limit, releases] : cases) {
    RecordingInjector inj(limit);
    IconvEnvironment gbk;
    EXPECT_FALSE(TypeText("Ab", inj, gbk)) << limit;
    ASSERT_EQ(inj.calls.size(), 1 + releases.size()) << limit;
    EXPECT_EQ(std::vector<Events>(inj.calls.begin() + 1, inj.calls.end()), releases) << limit;
  }
}

TEST(InjectBatch, SaysWhatWentInAndReleasesUntilNothingIsLeftDown) {
  using enum Injection::Outcome;
  // "aB张": a down/up, Shift down, B down, Shift up, B up, 张 down/up.
  IconvEnvironment gbk;
  const Events batch = KeyEventsForText("aB\xD5\xC5", gbk);
  const struct {
    std::vector<size_t> limits;  // what each call takes: the batch, then the releases
    bool moved;
    Injection expected;
    std::vector<Events> releases;
  } cases[] = {
      {{}, false, {kTyped, 0, false}, {}},
      {{}, true, {kTargetChanged, 0, false}, {}},
      {{0}, false, {kCut, 0, false}, {}},
      {{1}, false, {kCut, 1, false}, {{Up(65)}}},
      {{4}, false, {kCut, 2, false}, {{Up(16), Up(66)}}},
      {{4, 1}, false, {kCut, 2, false}, {{Up(16), Up(66)}, {Up(66)}}},  // the release cut too: tried again
      {{4, 0, 0, 1, 0}, false, {kCut, 2, true}, {{Up(16), Up(66)}, {Up(16), Up(66)}, {Up(16), Up(66)}, {Up(66)}}},
      {{7}, false, {kCut, 3, false}, {{CharEvent(0x5F20, true)}}},
  };
  for (const auto& c : cases) {
    RecordingInjector inj(c.limits, c.moved);
    const Injection got = InjectBatch(inj, batch);
    const std::string what = ::testing::PrintToString(c.limits) + (c.moved ? " moved" : "");
    EXPECT_EQ(std::tuple(got.outcome, got.typedChars, got.keysLeftDown),
              std::tuple(c.expected.outcome, c.expected.typedChars, c.expected.keysLeftDown)) << what;
    ASSERT_EQ(inj.calls.size(), (c.moved ? 0 : 1) + c.releases.size()) << what;
    EXPECT_EQ(std::vector<Events>(inj.calls.begin() + (c.moved ? 0 : 1), inj.calls.end()), c.releases) << what;
    EXPECT_EQ(inj.pauses, c.releases.empty() ? 0 : static_cast<int>(c.releases.size()) - 1) << what;
  }
  // A character of two code units counts once; Shift and Caps Lock count none.
  IconvEnvironment utf8("UTF-8", true);
  RecordingInjector cut(5);  // Caps Lock down and up, a, the first half of the pair
  EXPECT_EQ(InjectBatch(cut, KeyEventsForText("a\xF0\x9F\x98\x80" "b", utf8)).typedChars, 2u);
}

TEST(PacedTyping, OneEventACallAndNothingLeftDownWhereverItEnds) {
  using enum Injection::Outcome;
  // "aB" with Caps Lock on, Shift around its key: Caps, a, Shift, B, B up, Shift up, Caps.
  const Events events = Chord(20) + Chord(65) + Events{Down(16), Down(66), Up(66), Up(16)} + Chord(20);
  const struct {
    const char* what;
    std::vector<size_t> limits;  // what each call takes
    size_t movedAfter;           // calls before the window changes
    size_t stopAfter;            // calls to Next before the user stops it
    size_t went;                 // events that went in
    Injection expected;
    Events release;              // the last call: what the events that went in left down
  } cases[] = {
      {"all", {}, SIZE_MAX, SIZE_MAX, 10, {kTyped, 2, false}, {}},
      {"window changed with Shift down", {}, 5, SIZE_MAX, 5, {kTargetChanged, 1, false}, {Up(16), Down(20), Up(20)}},
      {"stopped with Shift and B down", {}, SIZE_MAX, 6, 6, {kStopped, 2, false}, {Up(16), Up(66), Down(20), Up(20)}},
      {"stopped before anything", {}, SIZE_MAX, 0, 0, {kStopped, 0, false}, {}},
      {"cut at a up", {1, 1, 1, 0}, SIZE_MAX, SIZE_MAX, 3, {kCut, 1, false}, {Up(65), Down(20), Up(20)}},
      {"the release cut every time", {1, 1, 1, 0, 0, 0, 0, 0}, SIZE_MAX, SIZE_MAX, 3, {kCut, 1, true},
       {Up(65), Down(20), Up(20)}},
  };
  for (const auto& c : cases) {
    RecordingInjector inj(c.limits);
    inj.movedAfter = c.movedAfter;
    PacedTyping paced{Events(events)};
    std::optional<Injection> done;
    for (size_t steps = 0; !done && steps < c.stopAfter; ++steps) done = paced.Next(inj);
    if (!done) done = paced.Stop(inj);
    EXPECT_EQ(std::tuple(done->outcome, done->typedChars, done->keysLeftDown),
              std::tuple(c.expected.outcome, c.expected.typedChars, c.expected.keysLeftDown)) << c.what;
    ASSERT_GE(inj.calls.size(), std::min<size_t>(c.went, events.size())) << c.what;
    for (size_t i = 0; i < c.went && i < events.size(); ++i) EXPECT_EQ(inj.calls[i], Events{events[i]}) << c.what << i;
    if (!c.release.empty()) EXPECT_EQ(inj.calls.back(), c.release) << c.what;
    else EXPECT_EQ(inj.calls.size(), std::min<size_t>(c.went, events.size())) << c.what;
    const size_t calls = inj.calls.size();
    EXPECT_EQ(paced.remaining(), 0u) << c.what;
    (void)paced.Next(inj);
    EXPECT_EQ(inj.calls.size(), calls) << c.what << ": an event went after the end";
  }
  // A press once B is down finds every character in: only releases are left.
  RecordingInjector inj;
  PacedTyping paced{Events(events)};
  std::vector<bool> allIn;
  for (int i = 0; i < 7; ++i) {
    allIn.push_back(paced.allCharactersIn());
    EXPECT_FALSE(paced.Next(inj).has_value());
  }
  EXPECT_EQ(allIn, (std::vector<bool>{false, false, false, false, false, false, true}));
}
