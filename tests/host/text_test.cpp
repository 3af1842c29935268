#include "base/text.h"

#include <gtest/gtest.h>

using namespace quorrel;

TEST(ParseDecimal, FollowsTheUsualDecimalRule) {
  EXPECT_EQ(ParseDecimal("119"), 119);
  EXPECT_EQ(ParseDecimal(" +42abc"), 42);
  EXPECT_EQ(ParseDecimal("  -7"), -7);
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

TEST(SecretText, WipesItsBytes) {
  std::string s = "secret";
  SecureWipe(s);
  EXPECT_TRUE(s.empty());
  SecretText a("pw");
  SecretText b = std::move(a);
  EXPECT_EQ(b.str(), "pw");
  EXPECT_TRUE(a.str().empty());  // NOLINT(bugprone-use-after-move): moved-from state is defined
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
