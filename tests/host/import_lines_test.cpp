#include "exchange/import_lines.h"

#include <gtest/gtest.h>

#include <map>
#include <new>
#include <set>

#include "exchange/csv_import.h"
#include "table_test_support.h"

using namespace quorrel;
using namespace quorrel::testing;

namespace {

using Strings = std::vector<std::string>;

struct Fields {
  std::string name, user, password;
  bool operator==(const Fields&) const = default;
};

std::vector<Fields> AccountsOf(const ImportList& list) {
  std::vector<Fields> out;
  for (const AccountRecord& a : list.accounts) out.push_back({a.name, a.user, a.password.str()});
  return out;
}

std::optional<Fields> Line(std::string_view line) {
  auto a = ParseImportLine(line);
  if (!a) return std::nullopt;
  return Fields{a->name, a->user, a->password.str()};
}

std::vector<AccountRecord> Records(const StoreHarness& h) {
  std::vector<AccountRecord> out;
  (void)ForEachAccount(h.store, [&](int, const AccountRecord& r) { out.push_back({r.pid, r.name, r.user, r.password.Clone()}); });
  return out;
}

// A table of n accounts with the PIDs 10000, 10001, ..., sealed in one piece.
std::string TableOf(int n) {
  std::string payload = *EmptyTablePayload(AccountTableFields());
  for (int i = 0; i < n; ++i) {
    payload.push_back('\0');
    for (const std::string& v : {std::to_string(10000 + i), std::string("n"), std::string("u"), std::string("p")}) {
      for (int b = 0; b < 4; ++b) payload.push_back(static_cast<char>(v.size() >> (8 * b)));
      payload += v;
    }
  }
  return *SealTableFile(payload, kAccountTableAccessPassword, NewTableKeyParams());
}

std::string ManyLines(size_t n, const std::string& line) {
  std::string text;
  for (size_t i = 0; i < n; ++i) text += line + "\n";
  return text;
}

constexpr char kThreeLines[] = "a----b----c\r\nx----y\r\np----q----r----s";

using namespace std::string_literals;

// A code page that stores ASCII and a few characters with their real GBK bytes. The
// emoji gets made-up bytes: it shows that a surrogate pair reaches the converter whole.
std::optional<Text> FakeGbk(std::u16string_view line) {
  static const std::map<char16_t, std::string_view> kTable = {
      {u'张', "\xD5\xC5"}, {u'三', "\xC8\xFD"}, {u'密', "\xC3\xDC"}, {u'码', "\xC2\xEB"}, {u'一', "\xD2\xBB"},
      {u'业', "\xD2\xB5"}, {u'\u3000', "\xA1\xA1"} /* full-width space */, {u'\u00B7', "\xA1\xA4"} /* middle dot */,
      {u'邮', "\xD3\xCA"}, {u'箱', "\xCF\xE4"}, {u'网', "\xCD\xF8"}, {u'银', "\xD2\xF8"},
      {u'名', "\xC3\xFB"}, {u'称', "\xB3\xC6"}, {u'用', "\xD3\xC3"}, {u'户', "\xBB\xA7"},
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

// Double-byte characters by the shape of GBK: lead 81-FE, trail 40-FE but 7F.
bool GbkPair(unsigned char lead, unsigned char trail) {
  return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}
constexpr AnsiCodePage kGbk{&FakeGbk, &GbkPair};

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

TEST(ImportLines, CountingSplittingAndTrimming) {
  EXPECT_EQ(CountSeparators("", "----"), 0u);
  EXPECT_EQ(CountSeparators("a----b", ""), 0u);
  EXPECT_EQ(CountSeparators("-------", "----"), 1u);  // no overlap
  EXPECT_EQ(CountSeparators("--------", "----"), 2u);

  EXPECT_EQ(AccountsOf(ParseImportText(kThreeLines)), (std::vector<Fields>{{"a", "b", "c"}}));
  // Inner empty lines count; a last line end or a text of spaces adds none.
  for (const auto& [text, lines] : {std::pair{std::string(kThreeLines), 3u}, {std::string(kThreeLines) + "\r\n", 3u},
                                    {"a----b----c\r\n\r\n\r\nd----e----f\r\n", 4u}, {"", 0u}, {" \xA1\xA1  ", 0u}})
    EXPECT_EQ(ParseImportText(text).lineCount, lines) << text;

  // LF and CR end lines as CR LF does (files from other systems and exporters).
  ImportList lf = ParseImportText("a----b\nc----d\n");
  EXPECT_EQ(lf.lineCount, 2u);
  EXPECT_EQ(AccountsOf(lf), (std::vector<Fields>{}));
  EXPECT_EQ(AccountsOf(ParseImportText("a----b----c\nd----e----f")), (std::vector<Fields>{{"a", "b", "c"}, {"d", "e", "f"}}));

  // Spaces around the line go, spaces beside the separators stay; tabs are not spaces.
  EXPECT_EQ(Line("  \xA1\xA1 x ---- y ----z\t \xA1\xA1 "), (Fields{"x ", " y ", "z\t"}));
  // Five dashes count once; the split takes the same separators.
  EXPECT_EQ(Line("a-----b----c"), (Fields{"a", "-b", "c"}));
  // Empty fields are stored as they are; a line ending in its second separator has an empty
  // password.
  EXPECT_EQ(Line("--------"), (Fields{"", "", ""}));
  EXPECT_EQ(Line("a----b---- "), (Fields{"a", "b", ""}));
  EXPECT_FALSE(Line("a----b"));
  EXPECT_FALSE(Line("a----b----c----d"));

  // Trimming walks by GBK character: B0 A1 is a character and A1 A1 after it a space; in
  // A1 A1 A1 B0 the space comes first, then the character A1 B0.
  EXPECT_EQ(TrimImportText("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
  EXPECT_EQ(TrimImportText("\xA1\xA1\xA1\xB0 "), "\xA1\xB0");
  EXPECT_EQ(TrimImportText("\xD6\xD0\xA1"), "\xD6\xD0\xA1");  // a dangling lead byte stays

  // A read stops at the first zero byte or 0x1A.
  EXPECT_EQ(ImportTextOf(std::string_view("a----b----c\0x----y----z", 23)), "a----b----c");
  EXPECT_EQ(ImportTextOf("a\x1A" "b"), "a");
  EXPECT_EQ(ImportTextOf("ab"), "ab");
}

TEST(ImportLines, FileNameOfPathFollowsTheShellRule) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\dir\\list.txt", "list.txt"}, {"C:\\dir\\list.csv", "list.csv"}, {"C:\\dir\\", ""}, {"list", "list"},
      {"C:list", "list"}, {"a/b\\\\c", "c"}, {"", ""},
      // 0x5C as the trail byte of a GBK character is neither a separator nor a final backslash.
      {"C:\\\x95\x5C" "a\\\xB1\xED.txt", "\xB1\xED.txt"}, {"C:\\d\\\x95\x5C" "b.txt", "\x95\x5C" "b.txt"},
      {"C:\\d\\\x95\x5C", "\x95\x5C"}};
  for (const auto& [path, name] : cases) EXPECT_EQ(FileNameOfPath(path), name) << path;
}

// Import files as editors save them: UTF-8 with and without a mark, UTF-16, GBK, and LF, CR
// or CR LF line ends.
TEST(ImportText, EncodingsLineEndsAndUnstorableLines) {
  using enum ImportEncoding;
  struct Case {
    const char* what;
    std::string bytes;
    ImportEncoding encoding;
    Strings lines;
    size_t unstorable = 0;
    DoubleByteCheck pairs = &GbkPair;
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
      // About one GBK character in seven (lead C2-DF, trail 80-BF) is also a two-byte UTF-8
      // sequence: a text of only such characters is as much GBK as UTF-8 and stays GBK.
      // 猫 (C3 A8) would read as "è", 路 (C2 B7) as "·", 陆 (C2 BD) as "½".
      {"GBK 猫 and 路 that are valid UTF-8", "\xC3\xA8----\xC2\xB7----pw\r\n\xC2\xB7\xC3\xA8----x----y", kAnsi,
       {"\xC3\xA8----\xC2\xB7----pw", "\xC2\xB7\xC3\xA8----x----y"}},
      {"GBK 陆 that is valid UTF-8", "\xC2\xBD----lu----pw", kAnsi, {"\xC2\xBD----lu----pw"}},
      // One three-byte sequence makes it UTF-8, two-byte ones and all (张 and the middle dot).
      {"UTF-8 three-byte and two-byte", "\xE5\xBC\xA0\xC2\xB7", kUtf8, {"\xD5\xC5\xA1\xA4"}},
      // Two-byte UTF-8 a code page lacks (trails below A1, as in Big5) or has no pairs at all.
      {"two-byte UTF-8, not Big5", "\xC2\xB7\xC2\x80", kUtf8, {}, 1, [](unsigned char, unsigned char t) { return t > 160; }},
      {"two-byte UTF-8, single-byte code page", "\xC2\xB7", kUtf8, {"\xA1\xA4"}, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DetectImportEncoding(c.bytes, c.pairs), c.encoding);
    const ImportLines decoded = DecodeImportFile(c.bytes, {&FakeGbk, c.pairs});
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
  const ImportList list = ParseImportLines(DecodeImportFile(file, kGbk));
  EXPECT_EQ(list.lineCount, 8u);
  EXPECT_EQ(list.skippedLines, 3u);
  EXPECT_EQ(AccountsOf(list),
            (std::vector<Fields>{{"\xD5\xC5\xC8\xFD", "zhang", "\xC3\xDC\xC2\xEB"}, {"x", "y", "\xC3\xDC"}}));

  // An ANSI text through the same count; an assigned-over list takes the new counts.
  ImportList ansi = ParseImportText("a----b----c\r\n \r\nskip\rx----y");
  EXPECT_EQ((std::pair{ansi.lineCount, ansi.skippedLines}), (std::pair<size_t, size_t>{4, 2}));
  ansi = ParseImportText("");
  EXPECT_EQ((std::pair{ansi.lineCount, ansi.skippedLines}), (std::pair<size_t, size_t>{0, 0}));
  EXPECT_TRUE(ansi.accounts.empty());
}

TEST(ImportAccounts, AcceptedLinesGetFreshPidsAndTheLogCountsEveryLine) {
  StoreHarness h;
  (void)h.Pids();  // creates the table
  ASSERT_EQ(AddAccount(h.store, "20000", "old", "u", "p"), TableOutcome::kOpened);
  h.log.clear();
  const int writes = h.fs.write_calls;
  // Taken by the table, then taken by the line before: both drawn again.
  h.draw.values = {20000, 30000, 30000, 20000, 40000, 50000};
  const ImportResult result =
      ImportAccountText(h.store, "a----b----c\r\nskip\r\na----b----c\r\n \xA1\xA1----u----\r\n  \r\n");
  // "skip" is skipped; a line of spaces is no line to tell about.
  EXPECT_EQ((std::tuple{result.lineCount, result.imported, result.skipped}), (std::tuple{size_t{5}, size_t{3}, size_t{1}}));
  EXPECT_EQ(h.fs.write_calls - writes, 1);
  EXPECT_EQ(h.log, (Strings{"Importing Data 5"}));
  std::vector<AccountRecord> all = Records(h);
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ((Strings{all[1].pid, all[2].pid, all[3].pid}), (Strings{"30000", "40000", "50000"}));
  EXPECT_EQ((Strings{all[2].name, all[2].user, all[2].password.str()}), (Strings{"a", "b", "c"}));
  EXPECT_EQ((Strings{all[3].name, all[3].user, all[3].password.str()}), (Strings{"", "u", ""}));

  // GBK 猫 and 路, valid UTF-8 as well, are kept as written.
  EXPECT_EQ(ImportAccountText(h.store, "\xC3\xA8----\xC2\xB7----pw\r\n", kGbk).imported, 1u);
  EXPECT_EQ(Records(h).back().name + "/" + Records(h).back().user, "\xC3\xA8/\xC2\xB7");
}

// Nothing stored, nothing logged, nothing written, and the reason for the window to tell.
TEST(ImportAccounts, AnImportThatStoresNothingSaysWhy) {
  StoreHarness h;
  (void)h.Pids();
  const std::string before = h.TableBytes();
  const int writes = h.fs.write_calls;
  h.log.clear();
  const AnsiCodePage noMemory{[](std::u16string_view) -> std::optional<Text> { throw std::bad_alloc(); }};
  const struct {
    std::string bytes;
    ImportResult::Status status;
    size_t lineCount;
    AnsiCodePage codePage = kGbk;
  } cases[] = {
      {"", ImportResult::kNoAccounts, 0},
      {"\xEF\xBB\xBF", ImportResult::kNoAccounts, 0},         // a UTF-8 mark alone
      {"a\0-\0-\0-\0-\0b\0"s, ImportResult::kNoAccounts, 1},  // UTF-16 without its mark reads as "a"
      {"x----y\r\n\0a----b----c"s, ImportResult::kNoAccounts, 1},
      {std::string(16 << 20, '\n'), ImportResult::kNoAccounts, 16 << 20},  // blank lines take no PID
      {ManyLines(kPidRange + 1, "a----b----c"), ImportResult::kTooManyLines, kPidRange + 1},
      {"\xEF\xBB\xBF" "a----b----c", ImportResult::kOutOfMemory, 0, noMemory},
  };
  Strings logged;
  for (const auto& c : cases) {
    const ImportResult result = ImportAccountText(h.store, c.bytes, c.codePage);
    EXPECT_EQ((std::pair{result.status, result.lineCount}), (std::pair{c.status, c.lineCount})) << c.bytes.size();
    logged.push_back("Importing Data " + std::to_string(c.lineCount));
  }
  EXPECT_EQ(h.log, logged);  // every import is logged with its lines, 0 for a file that was not read
  EXPECT_EQ(h.fs.write_calls, writes);
  EXPECT_EQ(h.TableBytes(), before);
}

TEST(ImportAccounts, AllOrNothingAtEveryCrashPointAndAfterAGivenUpWrite) {
  for (CrashPoint point : kAllCrashPoints) {
    StoreHarness h;
    (void)h.Pids();
    ASSERT_EQ(AddAccount(h.store, "11111", "old", "u", "p"), TableOutcome::kOpened);
    h.fs.crash_on_write = h.fs.write_calls + 1;
    h.fs.crash_point = point;
    (void)ImportAccountText(h.store, "a----b----c\r\nd----e----f\r\ng----h----i");
    h.Reboot();
    const size_t n = h.Pids().size();
    EXPECT_TRUE(n == 1 || n == 4) << static_cast<int>(point) << ": " << n;
  }
  StoreHarness h;
  (void)h.Pids();
  const std::string before = h.TableBytes();
  h.log.clear();
  // A write given up is told by its reason: a full disk as a full disk.
  for (auto [why, told] : {std::pair{FileFailure::kOther, TableOutcome::kWriteFailed},
                           {FileFailure::kDiskFull, TableOutcome::kDiskFull}, {FileFailure::kBusy, TableOutcome::kBusy}}) {
    h.fs.fail_writes = {true};
    h.fs.fail_as = why;
    EXPECT_EQ(ImportAccountText(h.store, "a----b----c\r\nd----e----f").outcome, told);
  }
  EXPECT_EQ(h.TableBytes(), before);
  EXPECT_TRUE(h.log.empty());  // no "Importing Data" for lines that are not there
  // Lines that would grow the table beyond its largest size: none of them goes in.
  std::string huge;
  for (size_t i = 0; i * kMaxStoredTextBytes <= kMaxTableFileBytes; ++i)
    huge += "n----u----" + std::string(kMaxStoredTextBytes, 'p') + "\r\n";
  const int writes = h.fs.write_calls;
  const int draws = h.draw.calls;
  const ImportResult result = ImportAccountText(h.store, huge);
  EXPECT_EQ(result.outcome, TableOutcome::kTooBig);
  EXPECT_EQ(result.lineCount, kMaxTableFileBytes / kMaxStoredTextBytes + 1);
  EXPECT_EQ(h.draw.calls, draws);  // refused before any PID was drawn
  EXPECT_EQ(h.fs.write_calls, writes);
  EXPECT_EQ(h.TableBytes(), before);
}

TEST(ImportAccounts, ATableThatDoesNotOpenIsToldOnlyWhenALineIsAccepted) {
  StoreHarness h;
  h.TableBytes() = "not a table";
  ImportResult result = ImportAccountText(h.store, "x----y\r\nz");
  EXPECT_EQ((std::tuple{result.status, result.lineCount, result.skipped}), (std::tuple{ImportResult::kNoAccounts, 2u, 2u}));
  EXPECT_EQ(h.log, Strings{"Importing Data 2"});
  result = ImportAccountText(h.store, "a----b----c");
  EXPECT_EQ((std::tuple{result.status, result.outcome, result.imported}),
            (std::tuple{ImportResult::kTableFailed, TableOutcome::kCannotOpen, 0u}));
  EXPECT_EQ(h.log, Strings{"Importing Data 2"});  // a table that took nothing logs no import
  EXPECT_EQ(h.TableBytes(), "not a table");
}

TEST(ImportAccounts, TheLastFreePidsAreTakenEachOnceAndMoreLinesThanFreePidsAreRefusedBeforeAnyDraw) {
  StoreHarness h;
  h.TableBytes() = TableOf(kPidRange - 3);  // 10000..99996: the draw picks among the free values
  h.draw.fallback = 10000;  // a generator stuck on a taken value
  // Four accounts for three PIDs: refused, with both counts for the message.
  ImportResult result = ImportAccountText(h.store, "name,url,username,password\nn,,u,\nn,,u,p\r\n" + ManyLines(3, "m,,v,q"));
  EXPECT_EQ((std::tuple{result.status, result.accounts, result.freePids}),
            (std::tuple{ImportResult::kTooManyLines, size_t{4}, size_t{3}}));
  result = ImportAccountText(h.store, "a----b----c\r\nd----e----f\r\ng----h----i\r\n");
  EXPECT_EQ((std::pair{result.outcome, result.imported}), (std::pair{TableOutcome::kOpened, size_t{3}}));
  const std::vector<AccountRecord> all = Records(h);
  for (size_t i = all.size() - 3; i < all.size(); ++i)  // every imported account opens alone
    EXPECT_EQ(FindAccountByPid(h.store, all[i].pid).record->name, all[i].name) << all[i].pid;
  h.log.clear();
  const int draws = h.draw.calls, writes = h.fs.write_calls;
  result = ImportAccountText(h.store, "d----e----f");
  EXPECT_EQ((std::pair{result.status, result.outcome}), (std::pair{ImportResult::kTooManyLines, TableOutcome::kNoFreePid}));
  EXPECT_EQ((std::pair{h.draw.calls, h.fs.write_calls}), (std::pair{draws, writes}));  // nothing drawn or written
  EXPECT_EQ(h.log, Strings{"Importing Data 1"});
}

TEST(ImportAccounts, TenThousandLinesIntoTenThousandAccountsInOneWrite) {
  StoreHarness h;
  h.TableBytes() = TableOf(10000);
  h.store.draw = TickSeededDraw([] { return 7u; });  // the same tick throughout: the offset alone varies
  std::string text;
  for (int i = 0; i < 10000; ++i) text += "name" + std::to_string(i) + "----user----pw" + std::to_string(i) + "\r\n";
  const int writes = h.fs.write_calls;
  EXPECT_EQ(ImportAccountText(h.store, text).lineCount, 10000u);
  EXPECT_EQ(h.fs.write_calls - writes, 1);
  std::set<std::string> pids;
  std::vector<AccountRecord> all = Records(h);
  ASSERT_EQ(all.size(), 20000u);
  for (const AccountRecord& r : all) {
    EXPECT_EQ(r.pid.size(), 5u);
    pids.insert(r.pid);
  }
  EXPECT_EQ(pids.size(), 20000u);
  EXPECT_EQ(all.back().name, "name9999");
  EXPECT_EQ(all.back().password, "pw9999");
}

// Password exports (CSV) of browsers and password managers.
namespace {
std::string Gbk(std::u16string_view text) { return *FakeGbk(text); }
Strings Accounts(const StoreHarness& h) {
  Strings out;
  for (const AccountRecord& r : Records(h)) out.push_back(r.name + "|" + r.user + "|" + r.password.str());
  return out;
}
}  // namespace

TEST(CsvImport, RecordsFollowRfc4180AndForgiveWhatSpreadsheetsWrite) {
  const std::pair<std::string, std::vector<Strings>> cases[] = {
      {"a,b\r\nc,d", {{"a", "b"}, {"c", "d"}}},
      {"a,b\nc,d\rx\r\n", {{"a", "b"}, {"c", "d"}, {"x"}}},
      {"\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\"", {{"a,b", "say \"hi\"", "two\r\nlines"}}},
      {"a,,\r\n,\r\n\r\n", {{"a", "", ""}, {"", ""}, {""}}},
      {"\"\",\"\"\"\"", {{"", "\""}}},
      {"a\"b,\"c\"d,e", {{"a\"b", "cd", "e"}}},         // a quote inside, characters after a closing one
      {"\"never closed,x\r\ny", {{"never closed,x\r\ny"}}},
      {"\"a\"\"b\"\"c", {{"a\"b\"c"}}},                   // never closed after doubled quotes
      {"\xD5\x2C,\xB1\x22", {{"\xD5", "", "\xB1\""}}},  // bytes below 40 are never trail bytes
  };
  for (const auto& [text, records] : cases) EXPECT_EQ(SplitCsvRecords(text), records) << text;
}

TEST(CsvImport, TheHostOfAUrlNamesAnAccountWithoutAName) {
  const std::pair<std::string, std::string> cases[] = {
      {"https://mail.example.com/login?x=1", "mail.example.com"}, {"http://user:pw@example.org:8080/", "example.org"},
      {"android://hash@com.example.app/", "com.example.app"},     {"example.com/path", "example.com"},
      {" localhost:3000", "localhost"}, {"https://[::1]:8443/a", "[::1]"}, {"", ""},
      {"\xD3\xCA@\xCF\xE4.cn/", "\xCF\xE4.cn"}, {"\xB0\x40" "b.cn", "\xB0\x40" "b.cn"},  // 40 as a trail byte is no '@'
  };
  for (const auto& [url, host] : cases) EXPECT_EQ(HostOfUrl(url), host) << url;
  EXPECT_EQ(HostOfUrl(u"https://a.b.cn:1/x"), u"a.b.cn");
}

// Headers beside those of ExportsOfEachKindImportTheirAccounts.
TEST(CsvImport, HeadersOfTheExportsPeopleHave) {
  const std::tuple<std::string, CsvSource, bool> cases[] = {
      {"name,url,username,password", CsvSource::kBrowser, true},
      {"\"Account\",\"Login Name\",\"Password\",\"Web Site\",\"Comments\"", CsvSource::kKeePass, true},
      {"Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes", CsvSource::kOnePassword, true},
      {"url,username,password,totp,extra,name,grouping,fav", CsvSource::kLastPass, true},
      {"Name,Url,MatchUrl,Login,Pwd,Note,Folder", CsvSource::kOther, true},
      {"name,url,email,password", CsvSource::kOther, true},
      {"\xC3\xFB\xB3\xC6,\xD3\xC3\xBB\xA7\xC3\xFB,\xC3\xDC\xC2\xEB", CsvSource::kOther, true},  // 名称,用户名,密码
      {"Title,URL,Notes", CsvSource::kOther, false}, {"url,username", CsvSource::kOther, false},
  };
  for (const auto& [text, source, accounts] : cases) {
    const std::optional<CsvHeader> header = ReadCsvHeader(text + "\r\nx,y\r\n");
    ASSERT_TRUE(header) << text;
    EXPECT_EQ((std::pair{header->source, header->HoldsAccounts()}), (std::pair{source, accounts})) << text;
  }
  // No header: one known name, one field, a "----" line, a line of commas of another kind.
  for (const char* text : {"name,comment", "password", "a,b----c----d", "name,url----x", "bank, shop, mail"})
    EXPECT_FALSE(ReadCsvHeader(text)) << text;
  const std::optional<CsvHeader> wide = ReadCsvHeader(u"名称,网址,用户名,密码", &FakeGbk);
  ASSERT_TRUE(wide && wide->HoldsAccounts());
  EXPECT_EQ(wide->names, (Strings{"\xC3\xFB\xB3\xC6", "?", "\xD3\xC3\xBB\xA7\xC3\xFB", "\xC3\xDC\xC2\xEB"}));
}

// Exports as the programs write them, through the whole import: which accounts arrive, what
// is skipped and why, and what the message is told.
TEST(CsvImport, ExportsOfEachKindImportTheirAccounts) {
  const struct {
    const char* what;
    std::string file;
    Strings accounts;
    size_t skipped, unstorable, lines;
    CsvSource source;
  } cases[] = {
      {"Chrome: a mark, quoted commas and quotes, a line break, Chinese names, a name from the URL",
       "\xEF\xBB\xBF" "name,url,username,password,note\r\n"
       "邮箱,https://mail.example.com/,张三,\"pw,\"\"1\"\"\",\"two\nlines\"\r\n"
       ",https://bank.example.cn/login,li,pw2,\r\n"
       "nopw,https://x.cn/,u,,\r\n"
       "Café,https://e.cn/,u,pw3,\r\n",
       {Gbk(u"邮箱") + "|" + Gbk(u"张三") + "|pw,\"1\"", "bank.example.cn|li|pw2"}, 2, 1, 6, CsvSource::kBrowser},
      {"Firefox: every field quoted, no mark, no name column",
       "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\"\n"
       "\"https://accounts.example.com\",\"bob\",\"S3cret \",,\"https://accounts.example.com\",\"{1}\"\n",
       {"accounts.example.com|bob|S3cret "}, 0, 0, 2, CsvSource::kFirefox},
      {"Bitwarden: columns in another order, a note without a password, the e-mail column absent",
       "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\n"
       ",,note,My note,secret text,,0,,,,\n"
       "Work,1,login,网银,,,0,https://b.cn,wang,Pw 2,\n",
       {Gbk(u"网银") + "|wang|Pw 2"}, 1, 0, 3, CsvSource::kBitwarden},
      {"KeePassXC saved as GBK by a Chinese system",
       "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\"\r\n"
       "\"Root\",\"\xD3\xCA\xCF\xE4\",\"\xD5\xC5\xC8\xFD\",\"\xC3\xDC\xC2\xEB\",\"\",\"\"\r\n",
       {"\xD3\xCA\xCF\xE4|\xD5\xC5\xC8\xFD|\xC3\xDC\xC2\xEB"}, 0, 0, 2, CsvSource::kKeePass},
      {"Dashlane in UTF-16: the title, the e-mail for an empty user name",
       Le(u"username,username2,username3,title,password,note,url,category,otpSecret\r\nz,,,Shop,p1,,https://s.cn,,\r\n"),
       {"Shop|z|p1"}, 0, 0, 2, CsvSource::kDashlane},
      {"Proton-like: the e-mail where the user name is empty",
       "type,name,url,email,username,password,note\nlogin,,https://p.cn,a@p.cn,,pw,\n",
       {"p.cn|a@p.cn|pw"}, 0, 0, 2, CsvSource::kOther},
      {"1Password, a last password ending in spaces", "Title,Url,Username,Password\nT,,u,pw  ",
       {"T|u|pw  "}, 0, 0, 2, CsvSource::kOther},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StoreHarness h;
    (void)h.Pids();
    h.log.clear();
    const ImportResult result = ImportAccountText(h.store, c.file, kGbk);
    EXPECT_EQ((std::tuple{result.status, result.format, result.source}),
              (std::tuple{ImportResult::kImported, ImportFormat::kCsv, c.source}));
    EXPECT_EQ((std::pair{result.skipped, result.unstorable}), (std::pair{c.skipped, c.unstorable}));
    EXPECT_EQ(Accounts(h), c.accounts);
    EXPECT_EQ(h.log, Strings{"Importing Data " + std::to_string(c.lines)});
  }
}

TEST(CsvImport, LinesOrAnExportAndAHeaderWithoutTheColumnsAnAccountNeeds) {
  StoreHarness h;
  (void)h.Pids();
  // A "----" file whose first line holds commas, even known names, imports as lines.
  for (const char* file : {"a,b----u----p\r\nc----d----e\r\n", "name,url,password\r\nc----d----e\r\n",
                           "url,username,password\r\nc----d----e\r\n"}) {
    const ImportResult result = ImportAccountText(h.store, file, kGbk);
    EXPECT_EQ(result.format, ImportFormat::kLines) << file;
    EXPECT_GE(result.imported, 1u) << file;
  }
  h.log.clear();
  const std::string before = h.TableBytes();
  const ImportResult refused = ImportAccountText(h.store, "Title,URL,Notes\r\nx,https://x.cn,n\r\n", kGbk);
  EXPECT_EQ(refused.status, ImportResult::kNoColumns);
  EXPECT_EQ(refused.columns, (Strings{"Title", "URL", "Notes"}));
  const ImportResult empty = ImportAccountText(h.store, "name,url,username,password\r\n,,,\r\nn,u,x,\r\n", kGbk);
  EXPECT_EQ((std::pair{empty.status, empty.skipped}), (std::pair{ImportResult::kNoAccounts, size_t{1}}));
  EXPECT_EQ(h.TableBytes(), before);
  EXPECT_EQ(h.log, (Strings{"Importing Data 2", "Importing Data 3"}));
}

// Possible accounts are counted against the free PIDs, not blank or skipped lines.
TEST(CsvImport, OnlyAccountsCountAgainstTheFreePids) {
  StoreHarness h;
  (void)h.Pids();
  ASSERT_EQ(AddAccount(h.store, "10000", "x", "y", "z"), TableOutcome::kOpened);
  const std::string csv = "name,url,username,password\r\n" + ManyLines(kPidRange - 1, "n,,u,") + "n,,u,p\r\n";
  for (const std::string& file : {csv, std::string(kPidRange, '\n') + "a----b----c\r\n"}) {
    const ImportResult result = ImportAccountText(h.store, file, kGbk);
    EXPECT_EQ((std::pair{result.status, result.imported}), (std::pair{ImportResult::kImported, size_t{1}}));
  }
}

// A file without a mark holding more than ASCII is told the encoding it was read in, with a
// name as read; a file with a mark or of ASCII alone is not.
TEST(CsvImport, TheEncodingOfAFileWithoutAMarkIsTold) {
  const std::tuple<std::string, std::optional<ImportEncoding>, std::string> cases[] = {
      {"\xD3\xCA\xCF\xE4----u----p", ImportEncoding::kAnsi, "\xD3\xCA\xCF\xE4"},
      {"a----\xD5\xC5----p\r\n", ImportEncoding::kAnsi, "\xD5\xC5"},  // a user name where no name has it
      {"name,url,username,password\n邮箱,,u,p\n", ImportEncoding::kUtf8, "\xD3\xCA\xCF\xE4"},
      {"a----b----\xC3\xDC", ImportEncoding::kAnsi, ""},  // never a password
      {"\xEF\xBB\xBF邮箱----u----p", std::nullopt, ""}, {"a----b----c", std::nullopt, ""},
  };
  for (const auto& [file, guessed, sample] : cases) {
    StoreHarness h;
    (void)h.Pids();
    const ImportResult result = ImportAccountText(h.store, file, kGbk);
    EXPECT_EQ((std::pair{result.guessed, result.sample}), (std::pair{guessed, sample})) << file;
  }
}
