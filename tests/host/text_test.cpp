#include "app/text.h"

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
