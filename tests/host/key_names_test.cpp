#include "input/key_names.h"

#include <gtest/gtest.h>

#include <set>

using namespace quorrel;

TEST(KeyName, DefaultHotkeysAndPunctuation) {
  EXPECT_EQ(KeyName(119), "F8键");
  EXPECT_EQ(KeyName(120), "F9键");
  EXPECT_EQ(KeyName(192), "反撇号键");
  EXPECT_EQ(KeyName(220), "斜杠键");  // the backslash key
  EXPECT_EQ(KeyName(191), "除号键");  // the slash key
  EXPECT_EQ(KeyName(106), "乘号键");
  EXPECT_EQ(KeyName(3), "Break");     // the only name without "键"
  EXPECT_EQ(KeyName(20), "Caps Lock键");
}

TEST(KeyName, RuleRowsAtTheirBoundaries) {
  EXPECT_EQ(KeyName(47), "");
  EXPECT_EQ(KeyName(48), "0键");
  EXPECT_EQ(KeyName(57), "9键");
  EXPECT_EQ(KeyName(58), "");
  EXPECT_EQ(KeyName(64), "");
  EXPECT_EQ(KeyName(65), "A键");
  EXPECT_EQ(KeyName(90), "Z键");
  EXPECT_EQ(KeyName(111), "");
  EXPECT_EQ(KeyName(112), "F1键");
  EXPECT_EQ(KeyName(121), "F10键");
  EXPECT_EQ(KeyName(127), "F16键");
  EXPECT_EQ(KeyName(128), "");
}

TEST(KeyName, CodesWithoutANameGiveTheEmptyText) {
  EXPECT_EQ(KeyName(101), "");  // numeric keypad 5
  EXPECT_EQ(KeyName(0), "");
  EXPECT_EQ(KeyName(-1), "");
  EXPECT_EQ(KeyName(223), "");
  EXPECT_EQ(KeyName(255), "");
  EXPECT_EQ(KeyName(256 + 119), "");  // no wrap to F8
}

TEST(KeyNameTable, HoldsFiftyTwoRuleRowsAndFortyOneNamedRows) {
  auto rows = KeyNameTable();
  ASSERT_EQ(rows.size(), 93u);
  std::set<int> codes;
  size_t ruleRows = 0;
  for (const KeyNameRow& row : rows) {
    EXPECT_TRUE(codes.insert(row.code).second) << "duplicate code " << row.code;
    EXPECT_FALSE(row.name.empty());
    EXPECT_EQ(KeyName(row.code), row.name);
    bool rule = (row.code >= 48 && row.code <= 57) || (row.code >= 65 && row.code <= 90) ||
                (row.code >= 112 && row.code <= 127);
    if (rule) ++ruleRows;
  }
  EXPECT_EQ(ruleRows, 52u);
  EXPECT_EQ(rows.size() - ruleRows, 41u);
  for (int c = 0; c < 256; ++c) {
    if (!codes.count(c)) {
      EXPECT_EQ(KeyName(c), "") << c;
    }
  }
}
