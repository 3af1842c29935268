#include "input/typing.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace quorrel;

namespace {

KeyEvent Down(uint8_t vk) { return {vk, false}; }
KeyEvent Up(uint8_t vk) { return {vk, true}; }

// Records every Inject call; takes at most `limit` events of each call.
class RecordingInjector : public KeyInjector {
 public:
  size_t limit = SIZE_MAX;
  std::vector<std::vector<KeyEvent>> calls;
  size_t Inject(const std::vector<KeyEvent>& events) override {
    calls.push_back(events);
    size_t taken = std::min(limit, events.size());
    limit = SIZE_MAX;  // only the first call is cut short
    return taken;
  }
};

std::vector<KeyEvent> Typed(std::string_view text) {
  RecordingInjector inj;
  EXPECT_TRUE(TypeText(text, inj));
  EXPECT_LE(inj.calls.size(), 1u);
  return inj.calls.empty() ? std::vector<KeyEvent>{} : inj.calls[0];
}

}  // namespace

TEST(TypeText, MixedCaseDigitAndShiftedDigitInOneInjection) {
  const std::vector<KeyEvent> expected = {
      Down(16), Down(65), Up(16), Up(65),  // A
      Down(66), Up(66),                    // b
      Down(67), Up(67),                    // c
      Down(49), Up(49),                    // 1
      Down(16), Down(49), Up(16), Up(49),  // !
  };
  EXPECT_EQ(Typed("Abc1!"), expected);
  EXPECT_EQ(KeyEventsForText("Abc1!"), expected);
}

TEST(TypeText, BackslashAndVerticalBarShareKey220) {
  EXPECT_EQ(Typed("\\"), (std::vector<KeyEvent>{Down(220), Up(220)}));
  EXPECT_EQ(Typed("|"), (std::vector<KeyEvent>{Down(16), Down(220), Up(16), Up(220)}));
}

TEST(TypeText, SpaceAndControlCharactersAreSkipped) {
  EXPECT_EQ(Typed("ab cd"), Typed("abcd"));
  EXPECT_EQ(Typed("ab\r\ncd\tef\n"), Typed("abcdef"));
  EXPECT_EQ(Typed(std::string_view("a\0b", 3)), Typed("ab"));
  EXPECT_EQ(Typed("\x7F"), std::vector<KeyEvent>{});  // DEL is not printable
}

TEST(TypeText, NothingToTypeInjectsNothing) {
  RecordingInjector inj;
  EXPECT_TRUE(TypeText("", inj));
  EXPECT_TRUE(TypeText("   \r\n\t", inj));
  EXPECT_TRUE(inj.calls.empty());
}

TEST(TypeText, DoubleByteCharactersOnlyLeakTheirAsciiTrailBytes) {
  // "中文" in GBK: D6 D0 CE C4, every byte >= 0x80.
  EXPECT_EQ(Typed("\xD6\xD0\xCE\xC4"), std::vector<KeyEvent>{});
  // Lead 0x81 with trail 0x40 ('@') and with trail 0x61 ('a'): bytes are not grouped.
  EXPECT_EQ(Typed("\x81\x40"), Typed("@"));
  EXPECT_EQ(Typed("\x81\x61"), Typed("a"));
  EXPECT_EQ(Typed("x\x81\x40y\xFE\xFEz"), Typed("x@yz"));
}

TEST(CharKeyTable, EveryPrintableCharacterTypesAsItsOwnChord) {
  ASSERT_EQ(CharKeyTable.size(), 94u);
  std::set<char> seen;
  for (const CharKey& k : CharKeyTable) {
    EXPECT_TRUE(seen.insert(k.ch).second) << k.ch;
    auto found = FindCharKey(static_cast<unsigned char>(k.ch));
    ASSERT_TRUE(found.has_value()) << k.ch;
    EXPECT_EQ(found->vk, k.vk);
    EXPECT_EQ(found->shift, k.shift);
    std::vector<KeyEvent> expected =
        k.shift ? std::vector<KeyEvent>{Down(16), Down(k.vk), Up(16), Up(k.vk)}
                : std::vector<KeyEvent>{Down(k.vk), Up(k.vk)};
    EXPECT_EQ(Typed(std::string(1, k.ch)), expected) << k.ch;
  }
  for (int c = 0; c < 256; ++c)
    EXPECT_EQ(FindCharKey(static_cast<unsigned char>(c)).has_value(), c >= 0x21 && c <= 0x7E) << c;
}

TEST(CharKeyTable, UsLayoutKeysForLettersDigitsAndPunctuation) {
  struct Case { char ch; uint8_t vk; bool shift; };
  const Case cases[] = {
      {'a', 65, false}, {'z', 90, false}, {'A', 65, true}, {'Z', 90, true},
      {'0', 48, false}, {'9', 57, false}, {')', 48, true}, {'(', 57, true},
      {'@', 50, true},  {'^', 54, true},  {'`', 192, false}, {'~', 192, true},
      {'-', 189, false}, {'_', 189, true}, {'=', 187, false}, {'+', 187, true},
      {'[', 219, false}, {'{', 219, true}, {']', 221, false}, {'}', 221, true},
      {';', 186, false}, {':', 186, true}, {'\'', 222, false}, {'"', 222, true},
      {',', 188, false}, {'<', 188, true}, {'.', 190, false}, {'>', 190, true},
      {'/', 191, false}, {'?', 191, true},
  };
  for (const Case& c : cases) {
    auto k = FindCharKey(static_cast<unsigned char>(c.ch));
    ASSERT_TRUE(k) << c.ch;
    EXPECT_EQ(k->vk, c.vk) << c.ch;
    EXPECT_EQ(k->shift, c.shift) << c.ch;
  }
  EXPECT_FALSE(FindCharKey(' '));
}

TEST(PressKeyChord, ReleasesInPressOrderAndSkipsZeroCodes) {
  EXPECT_EQ(KeyChordEvents(17, 16, 65),
            (std::vector<KeyEvent>{Down(17), Down(16), Down(65), Up(17), Up(16), Up(65)}));
  EXPECT_EQ(KeyChordEvents(65, 0, 0), (std::vector<KeyEvent>{Down(65), Up(65)}));
  EXPECT_EQ(KeyChordEvents(16, 0, 65),
            (std::vector<KeyEvent>{Down(16), Down(65), Up(16), Up(65)}));
  EXPECT_TRUE(KeyChordEvents(0, 0, 0).empty());

  RecordingInjector inj;
  EXPECT_TRUE(PressKeyChord(inj, 16, 49));
  ASSERT_EQ(inj.calls.size(), 1u);
  EXPECT_EQ(inj.calls[0], (std::vector<KeyEvent>{Down(16), Down(49), Up(16), Up(49)}));
}

TEST(TypeText, CutShortInjectionReleasesTheKeysItLeftDown) {
  // The system takes "Shift down, A down" of "A" and refuses the rest.
  RecordingInjector inj;
  inj.limit = 2;
  EXPECT_FALSE(TypeText("A", inj));
  ASSERT_EQ(inj.calls.size(), 2u);
  EXPECT_EQ(inj.calls[1], (std::vector<KeyEvent>{Up(16), Up(65)}));

  // Cut after "Shift up": only the letter key is still down.
  RecordingInjector inj2;
  inj2.limit = 3;
  EXPECT_FALSE(TypeText("Ab", inj2));
  ASSERT_EQ(inj2.calls.size(), 2u);
  EXPECT_EQ(inj2.calls[1], (std::vector<KeyEvent>{Up(65)}));

  // Cut on a chord boundary: nothing left down, nothing more injected.
  RecordingInjector inj3;
  inj3.limit = 4;
  EXPECT_FALSE(TypeText("Ab", inj3));
  EXPECT_EQ(inj3.calls.size(), 1u);

  // Nothing taken at all.
  RecordingInjector inj4;
  inj4.limit = 0;
  EXPECT_FALSE(TypeText("Ab", inj4));
  EXPECT_EQ(inj4.calls.size(), 1u);
}

TEST(TypeText, LongTextIsOneInjection) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "Pw1!";
  RecordingInjector inj;
  EXPECT_TRUE(TypeText(text, inj));
  ASSERT_EQ(inj.calls.size(), 1u);
  EXPECT_EQ(inj.calls[0].size(), 1000u * (4 + 2 + 2 + 4));
}
