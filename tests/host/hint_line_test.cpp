#include "input/hint_line.h"

#include <gtest/gtest.h>

using namespace quorrel;

TEST(HintLine, GivesUpAsLittleAsTheLabelNeedsAndMarksEveryKeyThatCannotWork) {
  const HintKey f8{"F8键"}, f9{"F9键"}, taken{"F9键", Refusal::kTaken}, shift{"Shift键", Refusal::kModifier},
      same{"F8键", Refusal::kSameAsAccount}, unnamed{"", Refusal::kTaken}, wide{"ScrollLock键"};
  // A label that holds `room` bytes of UTF-8 tells the forms apart.
  const struct {
    HintKey account, password;
    size_t room;
    const char* line;
  } cases[] = {
      {f8, f9, 100, "账号：F8键；密码：F9键"},  // what the window always showed
      {f8, {""}, 100, "账号：F8键；密码："},     // a code without a name leaves its part empty
      {f8, taken, 100, "账号：F8键；密码：F9键（被占用）"},
      {shift, same, 100, "账号：Shift键（不能用）；密码：F8键（不能用）"},
      {f8, unnamed, 100, "账号：F8键；密码：被占用"},
      // Too little room: the refused key's name goes first, then the working keys' "键".
      {f8, taken, 40, "账号：F8键；密码：被占用"},
      {wide, f9, 36, "账号：ScrollLock；密码：F9"},
      {wide, shift, 10, "账号：ScrollLock；密码：不能用"},  // the last form, fitting or not
  };
  for (const auto& c : cases)
    EXPECT_EQ(HintLine(c.account, c.password, [&](std::string_view line) { return line.size() <= c.room; }), c.line);
}
