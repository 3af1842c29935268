// Import files as editors save them: UTF-8 with and without a mark, UTF-16, GBK, and LF, CR
// or CR LF line ends.
#include <gtest/gtest.h>

#include <map>

#include "exchange/import_lines.h"

using namespace quorrel;

namespace {

using Strings = std::vector<std::string>;
using namespace std::string_literals;

// A code page that stores ASCII and a few characters with their real GBK bytes. The
// emoji gets made-up bytes: it shows that a surrogate pair reaches the converter whole.
std::optional<Text> FakeGbk(std::u16string_view line) {
  static const std::map<char16_t, std::string_view> kTable = {
      {u'\u5F20', "\xD5\xC5"},  // 张
      {u'\u4E09', "\xC8\xFD"},  // 三
      {u'\u5BC6', "\xC3\xDC"},  // 密
      {u'\u7801', "\xC2\xEB"},  // 码
      {u'\u4E00', "\xD2\xBB"},  // 一
      {u'\u4E1A', "\xD2\xB5"},  // 业
      {u'\u3000', "\xA1\xA1"},  // full-width space
      {u'\u00B7', "\xA1\xA4"},  // middle dot
  };
  Text out;
  for (size_t i = 0; i < line.size(); ++i) {
    const char16_t c = line[i];
    if (c == u'\r' || c == u'\n' || c == 0 || c == 0x1A) ADD_FAILURE() << "a line break or end of text in a line";
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c == 0xD83D && i + 1 < line.size() && line[i + 1] == 0xDE00) {
      out += "<1F600>";
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      ADD_FAILURE() << "an unpaired surrogate reached the converter";
      return std::nullopt;
    } else if (auto it = kTable.find(c); it != kTable.end()) {
      out += it->second;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::string Utf16(std::u16string_view text, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : text) {
    const char high = static_cast<char>(c >> 8);
    const char low = static_cast<char>(c & 0xFF);
    out += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return out;
}
std::string Le(std::u16string_view text) { return Utf16(text, false); }
std::string Be(std::u16string_view text) { return Utf16(text, true); }

// 张三----zhang----密码 in UTF-8 and in GBK.
constexpr char kZhangUtf8[] = "\xE5\xBC\xA0\xE4\xB8\x89----zhang----\xE5\xAF\x86\xE7\xA0\x81";
constexpr char kZhangGbk[] = "\xD5\xC5\xC8\xFD----zhang----\xC3\xDC\xC2\xEB";

}  // namespace

TEST(ImportText, EncodingsLineEndsAndUnstorableLines) {
  using enum ImportEncoding;
  struct Case {
    const char* what;
    std::string bytes;
    ImportEncoding encoding;
    Strings lines;
    size_t unstorable = 0;
  };
  const Case cases[] = {
      {"UTF-8 with a mark", std::string("\xEF\xBB\xBF") + kZhangUtf8 + "\r\nli----li----pw\r\n", kUtf8,
       {kZhangGbk, "li----li----pw"}},
      {"UTF-8 without a mark", std::string(kZhangUtf8) + "\r\nli----li----pw", kUtf8, {kZhangGbk, "li----li----pw"}},
      // The whole text loses its spaces; a line keeps its own (ParseImportLine trims them).
      {"UTF-8 full-width spaces", "\xE3\x80\x80 a\r\n\xE3\x80\x80" "b \xE3\x80\x80\r\n \xE3\x80\x80", kUtf8,
       {"a", "\xA1\xA1" "b \xA1\xA1"}},
      {"UTF-16 LE", Le(u"张三----zhang----密码\r\nx----y----z\r\n"), kUtf16Le, {kZhangGbk, "x----y----z"}},
      {"UTF-16 BE", Be(u"张三----zhang----密码\r\nx----y----z"), kUtf16Be, {kZhangGbk, "x----y----z"}},
      // 一业 is 00 4E 1A 4E: zero and 1A bytes inside characters do not end the text.
      {"UTF-16 bytes 00 and 1A", "\xFF\xFE\x00\x4E\x1A\x4E"s, kUtf16Le, {"\xD2\xBB\xD2\xB5"}},
      {"UTF-16 ends at U+0000", Le(std::u16string(u"a\r\nb\0c", 6)), kUtf16Le, {"a", "b"}},
      {"UTF-16 ends at U+001A", Le(u"a\x1A" "b"), kUtf16Le, {"a"}},
      // What follows the end of text is not looked at, not even to tell the encoding.
      {"UTF-8 ends at U+001A", "\xE5\xBC\xA0\x1A\xFF", kUtf8, {"\xD5\xC5"}},
      {"LF only", "a----b----c\nd----e----f\n", kAnsi, {"a----b----c", "d----e----f"}},
      {"CR only", "a----b----c\rd----e----f\r", kAnsi, {"a----b----c", "d----e----f"}},
      // LF CR is two breaks, CR LF one.
      {"mixed line ends", "a\r\nb\nc\rd\n\re", kAnsi, {"a", "b", "c", "d", "", "e"}},
      {"UTF-8 mixed line ends", "\xE5\xBC\xA0\n\r\n\xE5\xAF\x86\r", kUtf8, {"\xD5\xC5", "", "\xC3\xDC"}},
      // 李 has no place in the fake code page.
      {"unstorable line", Le(u"张三----u----p\r\n李四----u----p\r\nx----y----z"), kUtf16Le,
       {"\xD5\xC5\xC8\xFD----u----p", "x----y----z"}, 1},
      {"pair and unpaired surrogates", Le(u"a\xD83D\xDE00" "b\r\nc\xD83D\r\n\xDE00" "d\r\ne"), kUtf16Le,
       {"a<1F600>b", "e"}, 2},
      {"UTF-8 four-byte character", "a\xF0\x9F\x98\x80", kUtf8, {"a<1F600>"}},
      {"UTF-8 mark only", "\xEF\xBB\xBF", kUtf8, {}},
      {"UTF-16 LE mark only", "\xFF\xFE", kUtf16Le, {}},
      {"UTF-16 BE mark only", "\xFE\xFF", kUtf16Be, {}},
      // A file cut short: its last line is damaged, whatever it held.
      {"UTF-16 odd byte count", Le(u"a----b----c\r\nd----e----f") + "g", kUtf16Le, {"a----b----c"}, 1},
      {"UTF-16 odd byte after a break", Le(u"a\r\n") + "g", kUtf16Le, {"a"}, 1},
      {"UTF-16 one byte after the mark", "\xFF\xFE" "a", kUtf16Le, {}, 1},
      // Under a UTF-8 mark, a byte that is not UTF-8 (an overlong /) makes its line unstorable.
      {"bad UTF-8 under the mark", "\xEF\xBB\xBF" "a----b----c\r\n\xC0\xAF----x----y", kUtf8, {"a----b----c"}, 1},
      // GBK is read byte for byte as always; lines keep their spaces until ParseImportLine.
      {"GBK", std::string(kZhangGbk) + "\r\n \xA1\xA1x\xA1\xA1 \r\n", kAnsi, {kZhangGbk, " \xA1\xA1x\xA1\xA1 "}},
      // 联通 (C1 AA CD A8) has the shape of UTF-8 but is overlong: GBK.
      {"GBK 联通", "\xC1\xAA\xCD\xA8----u----p", kAnsi, {"\xC1\xAA\xCD\xA8----u----p"}},
      // Strict UTF-8 or none: an overlong form, a surrogate, a code point above U+10FFFF and
      // a sequence cut short leave the file to the ANSI code page.
      {"overlong three bytes", "a\xE0\x80\xAF", kAnsi, {"a\xE0\x80\xAF"}},
      {"encoded surrogate", "a\xED\xA0\x80", kAnsi, {"a\xED\xA0\x80"}},
      {"above U+10FFFF", "a\xF4\x90\x80\x80", kAnsi, {"a\xF4\x90\x80\x80"}},
      {"cut short", "\xE5\xBC\xA0\xE5", kAnsi, {"\xE5\xBC\xA0\xE5"}},
      {"ASCII", "a----b----c", kAnsi, {"a----b----c"}},
      {"UTF-8 only after the end of text", "ab\0\xE5\xBC\xA0"s, kAnsi, {"ab"}},
      // About one GBK character in seven (lead C2-DF, trail A1-BF) is also a UTF-8 sequence,
      // and a text of only such characters reads as UTF-8: 路 (C2 B7) comes in as the middle
      // dot, which GBK stores (A1 A4); 陆 (C2 BD) as the fraction one half, which it does not.
      {"GBK 路 that is valid UTF-8", "\xC2\xB7----lu----pw", kUtf8, {"\xA1\xA4----lu----pw"}},
      {"GBK 陆 that is valid UTF-8", "\xC2\xBD----lu----pw", kUtf8, {}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DetectImportEncoding(c.bytes), c.encoding);
    const ImportLines decoded = DecodeImportFile(c.bytes, &FakeGbk);
    EXPECT_EQ(decoded.lines, c.lines);
    EXPECT_EQ(decoded.unstorableCount, c.unstorable);
    EXPECT_EQ(decoded.lineCount, c.lines.size() + c.unstorable);
  }
}

TEST(ImportText, TheListCountsEveryLineAndReportsSkippedOnesThatAreNotBlank) {
  // A Notepad file: UTF-8 with a mark, LF ends. Lines: an account, an empty line, a line of
  // spaces, a line without separators, an unstorable account (李四), a full-width space,
  // three separators, an account with a full-width space before it.
  const std::string file =
      "\xEF\xBB\xBF" + std::string(kZhangUtf8) +
      "\n\n   \nno separators\n\xE6\x9D\x8E\xE5\x9B\x9B----u----p\n\xE3\x80\x80\na----b----c----d\n"
      "\xE3\x80\x80x----y----\xE5\xAF\x86\n";
  const ImportList list = ParseImportLines(DecodeImportFile(file, &FakeGbk));
  EXPECT_EQ(list.lineCount, 8u);
  EXPECT_EQ(list.skippedLines, 3u);
  ASSERT_EQ(list.accounts.size(), 2u);
  EXPECT_EQ((Strings{list.accounts[0].name, list.accounts[0].user, list.accounts[0].password.str()}),
            (Strings{"\xD5\xC5\xC8\xFD", "zhang", "\xC3\xDC\xC2\xEB"}));
  EXPECT_EQ((Strings{list.accounts[1].name, list.accounts[1].user, list.accounts[1].password.str()}),
            (Strings{"x", "y", "\xC3\xDC"}));

  // An ANSI text through the same count; an assigned-over list takes the new counts.
  ImportList ansi = ParseImportText("a----b----c\r\n \r\nskip\rx----y");
  EXPECT_EQ((std::pair{ansi.lineCount, ansi.skippedLines}), (std::pair<size_t, size_t>{4, 2}));
  ansi = ParseImportText("");
  EXPECT_EQ((std::pair{ansi.lineCount, ansi.skippedLines}), (std::pair<size_t, size_t>{0, 0}));
  EXPECT_TRUE(ansi.accounts.empty());
}
