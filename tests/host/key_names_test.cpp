#include "input/key_names.h"

#include <gtest/gtest.h>

#include <map>

using namespace quorrel;

namespace {

using Names = std::map<int, std::string_view>;

// Written out key by key, so that a wrong name in the program's table shows.
const Names kRuleNames = {
    {48, "0键"}, {49, "1键"}, {50, "2键"}, {51, "3键"}, {52, "4键"}, {53, "5键"}, {54, "6键"}, {55, "7键"},
    {56, "8键"}, {57, "9键"}, {65, "A键"}, {66, "B键"}, {67, "C键"}, {68, "D键"}, {69, "E键"}, {70, "F键"},
    {71, "G键"}, {72, "H键"}, {73, "I键"}, {74, "J键"}, {75, "K键"}, {76, "L键"}, {77, "M键"}, {78, "N键"},
    {79, "O键"}, {80, "P键"}, {81, "Q键"}, {82, "R键"}, {83, "S键"}, {84, "T键"}, {85, "U键"}, {86, "V键"},
    {87, "W键"}, {88, "X键"}, {89, "Y键"}, {90, "Z键"}, {112, "F1键"}, {113, "F2键"}, {114, "F3键"},
    {115, "F4键"}, {116, "F5键"}, {117, "F6键"}, {118, "F7键"}, {119, "F8键"}, {120, "F9键"}, {121, "F10键"},
    {122, "F11键"}, {123, "F12键"}, {124, "F13键"}, {125, "F14键"}, {126, "F15键"}, {127, "F16键"},
};
// 106 and 107 are the keypad's multiply and add keys, 191 the slash key, 220 the backslash key.
const Names kNamedKeys = {
    {3, "Break"},  // the only name without "键"
    {8, "退格键"}, {9, "Tab键"}, {13, "回车键"}, {16, "Shift键"}, {17, "Ctrl键"}, {18, "Alt键"},
    {19, "Pause键"}, {20, "Caps Lock键"}, {27, "Esc键"}, {32, "空格键"}, {33, "PageUp键"}, {34, "PageDown键"},
    {35, "End键"}, {36, "Home键"}, {37, "左光标键"}, {38, "上光标键"}, {39, "右光标键"}, {40, "下光标键"},
    {45, "Ins键"}, {46, "Del键"}, {91, "Win键"}, {106, "乘号键"}, {107, "加号键"}, {144, "NumLock键"},
    {145, "ScrollLock键"}, {160, "左shift键"}, {161, "右shift键"}, {162, "左CTRL键"}, {163, "右CTRL键"},
    {186, "分号键"}, {187, "等号键"}, {188, "逗号键"}, {189, "减号键"}, {190, "圆点键"}, {191, "除号键"},
    {192, "反撇号键"}, {219, "左中括号键"}, {220, "斜杠键"}, {221, "右中括号键"}, {222, "单引号键"},
};

}  // namespace

TEST(KeyName, EveryCodeGivesItsNameAndAnyOtherTheEmptyText) {
  ASSERT_EQ(kRuleNames.size(), 52u);
  ASSERT_EQ(kNamedKeys.size(), 41u);
  Names all = kRuleNames;
  all.insert(kNamedKeys.begin(), kNamedKeys.end());
  // Every code: also those just outside the rule rows (47, 58, 64, 111, 128) and 101, the keypad's 5.
  for (int code = 0; code < 256; ++code) {
    const auto it = all.find(code);
    EXPECT_EQ(KeyName(code), it == all.end() ? "" : it->second) << code;
  }
  EXPECT_EQ(KeyName(-1), "");
  EXPECT_EQ(KeyName(256 + 119), "");  // no wrap to F8

  // The table itself, in code order.
  ASSERT_EQ(KeyNameTable().size(), all.size());
  auto it = all.begin();
  for (const KeyNameRow& row : KeyNameTable()) {
    EXPECT_EQ(std::pair(row.code, row.name), std::pair(it->first, it->second)) << row.code;
    ++it;
  }
}
