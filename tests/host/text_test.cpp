#include "base/text.h"

#include <gtest/gtest.h>

using namespace quorrel;

TEST(ParseDecimal, FollowsTheUsualDecimalRule) {
  EXPECT_EQ(ParseDecimal("119"), 119);
  EXPECT_EQ(ParseDecimal(" +42abc"), 42);
  EXPECT_EQ(ParseDecimal(" \t-7"), -7);  // tabs are blanks too
  EXPECT_EQ(ParseDecimal("F8"), 0);
  EXPECT_EQ(ParseDecimal(""), 0);
  EXPECT_EQ(ParseDecimal("+"), 0);
  EXPECT_EQ(ParseDecimal("- 5"), 0);
  EXPECT_EQ(ParseDecimal("99999999999999999999"), INT32_MAX);
  EXPECT_EQ(ParseDecimal("-99999999999999999999"), INT32_MIN);
}

TEST(SplitText, DropsOnlyAnEmptyLastPart) {
  EXPECT_TRUE(SplitText("", "----").empty());
  EXPECT_EQ(SplitText("bob----pw", "----"), (std::vector<Text>{"bob", "pw"}));
  EXPECT_EQ(SplitText("bob----", "----"), (std::vector<Text>{"bob"}));
  EXPECT_EQ(SplitText("----pw", "----"), (std::vector<Text>{"", "pw"}));
  EXPECT_EQ(SplitText("a----b----c", "----"), (std::vector<Text>{"a", "b", "c"}));
  EXPECT_EQ(SplitText("no separator", "----"), (std::vector<Text>{"no separator"}));
}

namespace {
// Every byte of the string's buffer, also those past its length.
std::string Buffer(const std::string& s) { return std::string(s.data(), s.capacity()); }
}  // namespace

TEST(SecretText, WipesItsBytesAndWhatAMoveLeavesBehind) {
  std::string s = "a longer secret than the in-object buffer holds";
  s.resize(3);
  SecureWipe(s);
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(Buffer(s), std::string(s.capacity(), '\0'));  // past the length too

  // A short text lives in the object's own buffer, which a move copies and leaves as it was.
  for (const std::string& pw : {std::string("hunter2"), std::string(15, 'p'), std::string(40, 'q')}) {
    SecretText a(pw);
    SecretText b(std::move(a));
    EXPECT_EQ(b.str(), pw);
    EXPECT_EQ(Buffer(a.str()), std::string(a.str().capacity(), '\0')) << pw;  // NOLINT(bugprone-use-after-move)
    SecretText c(std::string("old value"));
    c = std::move(b);
    EXPECT_EQ(c.str(), pw);
    EXPECT_EQ(Buffer(b.str()), std::string(b.str().capacity(), '\0')) << pw;  // NOLINT(bugprone-use-after-move)
  }
}

TEST(LastPathSeparator, FollowsTheLeadByteRuleItIsGiven) {
  EXPECT_EQ(LastPathSeparator("C:\\Q\\Quorrel.exe"), 4u);
  EXPECT_EQ(LastPathSeparator("a/b\\c"), 3u);
  EXPECT_EQ(LastPathSeparator("Quorrel.exe"), std::string_view::npos);
  // GBK: 0x5C after a lead byte is part of the character.
  EXPECT_EQ(LastPathSeparator("C:\\\x81\x5C.exe"), 2u);
  // Code page 1252: "Caf\xE9" is "Café", and the next backslash is a separator; the GBK rule
  // would take it for the second byte of a character and split one folder too high.
  auto single_byte = [](unsigned char) { return false; };
  EXPECT_EQ(LastPathSeparator("C:\\Caf\xE9\\Q.exe", single_byte), 7u);
  EXPECT_EQ(LastPathSeparator("C:\\Caf\xE9\\Q.exe"), 2u);
}

TEST(FindAtCharStart, StepsOverDoubleByteCharacters) {
  EXPECT_EQ(FindAtCharStart("abc", "bc"), 1u);
  EXPECT_EQ(FindAtCharStart("abc", "x"), std::string_view::npos);
  EXPECT_EQ(FindAtCharStart("abc", ""), 0u);
  // GBK 0x81 0x41 is one character: its trail byte 'A' is not a match.
  EXPECT_EQ(FindAtCharStart("\x81\x41", "A"), std::string_view::npos);
  EXPECT_EQ(FindAtCharStart("\x81\x41\x41", "A"), 2u);
  // "辅助输入" in GBK inside a longer title.
  const std::string title = "x\xb8\xa8\xd6\xfa\xca\xe4\xc8\xeb - 1";
  EXPECT_EQ(FindAtCharStart(title, "\xb8\xa8\xd6\xfa\xca\xe4\xc8\xeb"), 1u);
  EXPECT_EQ(FindAtCharStart("ab", "abc"), std::string_view::npos);
}
