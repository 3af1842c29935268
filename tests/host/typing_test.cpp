#include "input/typing.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace quorrel;

namespace {

using Events = std::vector<KeyEvent>;
KeyEvent Down(uint8_t vk) { return {vk, false}; }
KeyEvent Up(uint8_t vk) { return {vk, true}; }

// Records every Inject call; the first call takes at most `limit` events.
class RecordingInjector : public KeyInjector {
 public:
  explicit RecordingInjector(size_t first_limit = SIZE_MAX) : limit(first_limit) {}
  size_t limit;
  std::vector<Events> calls;
  size_t Inject(const Events& events) override {
    calls.push_back(events);
    const size_t taken = std::min(limit, events.size());
    limit = SIZE_MAX;
    return taken;
  }
};

Events Typed(std::string_view text) {
  RecordingInjector inj;
  EXPECT_TRUE(TypeText(text, inj));
  EXPECT_LE(inj.calls.size(), 1u);  // one injection, however long
  return inj.calls.empty() ? Events{} : inj.calls[0];
}

}  // namespace

TEST(TypeText, EventSequencesForMixedCaseDigitsAndTheSharedBackslashKey) {
  const Events expected = {
      Down(16), Down(65), Up(16), Up(65),  // A
      Down(66), Up(66), Down(67), Up(67),  // b c
      Down(49), Up(49),                    // 1
      Down(16), Down(49), Up(16), Up(49),  // !
  };
  EXPECT_EQ(Typed("Abc1!"), expected);
  EXPECT_EQ(KeyEventsForText("Abc1!"), expected);
  EXPECT_EQ(Typed("\\"), (Events{Down(220), Up(220)}));
  EXPECT_EQ(Typed("|"), (Events{Down(16), Down(220), Up(16), Up(220)}));
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "Pw1!";
  EXPECT_EQ(Typed(text).size(), 1000u * (4 + 2 + 2 + 4));
}

TEST(TypeText, SpaceControlAndGbkLeadBytesAreSkipped) {
  EXPECT_EQ(Typed("ab cd\r\n\tef\n"), Typed("abcdef"));
  EXPECT_EQ(Typed(std::string_view("a\0b\x7F", 4)), Typed("ab"));
  RecordingInjector none;
  EXPECT_TRUE(TypeText("   \r\n\t", none));
  EXPECT_TRUE(none.calls.empty());
  // 中文 (D6 D0 CE C4) has no key; the ASCII trail bytes of 81 40 and 81 61 do.
  EXPECT_EQ(Typed("\xD6\xD0\xCE\xC4"), Events{});
  EXPECT_EQ(Typed("x\x81\x40y\xFE\xFE\x81\x61"), Typed("x@ya"));
}

TEST(CharKeyTable, EveryPrintableCharacterHasItsUsLayoutChord) {
  ASSERT_EQ(CharKeyTable.size(), 94u);
  std::set<char> seen;
  for (const CharKey& k : CharKeyTable) {
    EXPECT_TRUE(seen.insert(k.ch).second) << k.ch;
    const Events chord = k.shift ? Events{Down(16), Down(k.vk), Up(16), Up(k.vk)} : Events{Down(k.vk), Up(k.vk)};
    EXPECT_EQ(Typed(std::string(1, k.ch)), chord) << k.ch;
  }
  for (int c = 0; c < 256; ++c)
    EXPECT_EQ(FindCharKey(static_cast<unsigned char>(c)).has_value(), c >= 0x21 && c <= 0x7E) << c;
  const struct { char ch; uint8_t vk; bool shift; } cases[] = {
      {'a', 65, false},  {'Z', 90, true},   {'0', 48, false},  {')', 48, true},   {'(', 57, true},
      {'@', 50, true},   {'^', 54, true},   {'`', 192, false}, {'~', 192, true},  {'_', 189, true},
      {'=', 187, false}, {'+', 187, true},  {'[', 219, false}, {'}', 221, true},  {';', 186, false},
      {':', 186, true},  {'\'', 222, false}, {'"', 222, true}, {'<', 188, true},  {'.', 190, false},
      {'/', 191, false}, {'?', 191, true},
  };
  for (const auto& c : cases) {
    auto k = FindCharKey(static_cast<unsigned char>(c.ch));
    ASSERT_TRUE(k) << c.ch;
    EXPECT_EQ(k->vk, c.vk) << c.ch;
    EXPECT_EQ(k->shift, c.shift) << c.ch;
  }
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
    EXPECT_FALSE(TypeText("Ab", inj)) << limit;
    ASSERT_EQ(inj.calls.size(), 1 + releases.size()) << limit;
    EXPECT_EQ(std::vector<Events>(inj.calls.begin() + 1, inj.calls.end()), releases) << limit;
  }
}
