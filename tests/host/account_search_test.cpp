#include "ui/main/account_search.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include "ui/main/pinyin_initials.h"

using namespace quorrel;

namespace {

// UTF-8 as GBK bytes, through glibc's iconv.
Text Gbk(std::string_view utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  std::string out(utf8.size() * 2, '\0');
  char *in = const_cast<char*>(utf8.data()), *o = out.data();
  size_t inLeft = utf8.size(), outLeft = out.size();
  EXPECT_NE(iconv(cd, &in, &inLeft, &o, &outLeft), static_cast<size_t>(-1)) << utf8;
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

TEST(PinyinInitials, OfNamesPeopleGiveTheirAccounts) {
  const char* cases[][3] = {  // name, its initials, its second initials ("": the same)
      {"网银", "wy", ""},           {"QQ邮箱", "qqyx", ""},       {"工商银行", "gsyx", "gsyh"},
      {"QQ音乐", "qqyl", "qqyy"},   {"重庆农商行", "zqnsx", "cqnsh"}, {"长城宽带", "zckd", "cckd"},
      {"支付宝", "zfb", ""},        {"淘宝", "tb", ""},           {"微信", "wx", ""},
      {"京东商城", "jdsc", ""},     {"百度网盘", "bdwp", ""},     {"新浪微博", "xlwb", ""},
      {"哔哩哔哩", "blbl", ""},     {"抖音", "dy", ""},           {"网易云音乐", "wyyyl", "wyyyy"},
      {"中国移动", "zgyd", ""},     {"招商银行", "zsyx", "zsyh"}, {"携程旅行", "xclx", "xclh"},
      {"甄嬛传", "zhc", "zxz"},     {"堃哥", "kg", ""},           {"喆", "z", ""},
      {"玥玥", "yy", ""},           {"鑫", "x", ""},              {"黔", "q", ""},
      {"Gmail邮箱", "gmailyx", ""}, {"Apple ID", "apple id", ""}, {"12306", "12306", ""},
      {"★游戏", "★yx", ""},         {"ＱＱ号", "ＱＱh", ""},       {"ˋ", "ˋ", ""},
      {"兙", "兙", ""},             {"", "", ""},
  };
  for (const auto& [name, first, second] : cases) {
    EXPECT_EQ(PinyinInitials(Gbk(name)), Gbk(first)) << name;
    EXPECT_EQ(PinyinInitials(Gbk(name), true), Gbk(*second ? second : first)) << name;
  }
  // A compatibility ideograph reads as its twin (郎), FE51 as the character GB 18030 gives it
  // (U+20087 zuǒ), and a lead byte at the end stays.
  EXPECT_EQ(PinyinInitials("\xFD\x9C\xFE\x51" "ab\xB0"), "lzab\xB0");
}

TEST(TypeAhead, FindsByNameUserNameOrInitialsFromTheSelectedRowOn) {
  AccountSearch rows;
  const char* kRows[][2] = {{"Mail", "carol"},    {"网银", "6222021234"}, {"微信", "wx_zhang"},
                            {"百度", "Baidu@x.cn"}, {"工商银行", "icbc"},  {"bilibili", "Bob2"},
                            {"QQ邮箱", "12345"},    {"网易邮箱", "wy163"},  {"支付宝", "alipay_01"},
                            {"重庆农商行", "u8871"}, {"长城宽带", "Zoe.kd"}};
  for (const auto& r : kRows) rows.Add(Gbk(r[0]), Gbk(r[1]));
  struct Case {
    const char* typed;  // UTF-8, one key press per character
    int selected;
    int found;
    uint32_t gapMs = 100;
  };
  const Case cases[] = {
      {"wy", -1, 1},      {"WY", -1, 1},      {"wy", 1, 7},      {"网银", -1, 1},   {"网易", 1, 7},
      {"gsyh", -1, 4},    {"gsyx", 4, 4},     {"b", -1, 3},      {"bb", -1, 5},     {"bbb", -1, 3},
      {"bo", -1, 5},      {"BAIDU@", 5, 3},   {"m", 7, 0},       {"62220", 2, 1},   {"wx_", -1, 2},
      {"qq", -1, 6},      {"qz", 6, -1},      {"xq", -1, -1},    {"ma", 0, 0},      {"bi", 5, 5},
      {"wb", -1, 3, 1001}, {"wb", -1, -1, 1000},
      // Capital Z, and a first character of two readings by either.
      {"ZFB", -1, 8},     {"zoe", -1, 10},    {"c", 0, 9},       {"cq", -1, 9},     {"cck", -1, 10},
      {"zc", 8, 10},
  };
  for (const Case& c : cases) {
    TypeAhead typing;
    const Text typed = Gbk(c.typed);
    int found = -2, selected = c.selected;
    uint32_t now = 5000;
    for (size_t i = 0; i < typed.size(); now += c.gapMs) {
      const size_t size = IsLeadByte(static_cast<unsigned char>(typed[i])) ? 2 : 1;
      found = typing.Type(rows, std::string_view(typed).substr(i, size), now, 1000, selected);
      if (found >= 0) selected = found;  // the list moves its selection
      i += size;
    }
    EXPECT_EQ(found, c.found) << c.typed << " from row " << c.selected;
  }
  EXPECT_EQ(AccountSearch().Find("a", 0), -1);
}
