// The first letters of the pinyin of a name's Chinese characters (网银 -> "wy"): what the
// account list finds a name by as it is typed. Names are GBK byte strings.
#pragma once

#include <string_view>

#include "base/text.h"

namespace quorrel {

// Appends the name's initials to out: a Chinese character gives the first letter of its most
// common reading, an ASCII letter comes in lower case, every other character keeps itself
// (QQ邮箱 -> "qqyx"). With `second`, a character whose other standard reading begins with
// another letter gives that one instead (银行 -> "yx", second "yh"); both forms have the
// same length, byte for byte, and differ only at such letters.
void AppendPinyinInitials(std::string_view name, Text& out, bool second = false);

inline Text PinyinInitials(std::string_view name, bool second = false) {
  Text out;
  AppendPinyinInitials(name, out, second);
  return out;
}

namespace pinyin_table {
// The generated table (pinyin_initials_table.cpp, written by make_pinyin_initials.py).
extern const char kInitials[];
extern const char kSecondInitials[];
}  // namespace pinyin_table

}  // namespace quorrel
