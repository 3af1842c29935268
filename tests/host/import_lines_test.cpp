#include "exchange/import_lines.h"

#include <gtest/gtest.h>

#include <set>

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

constexpr char kThreeLines[] = "a----b----c\r\nx----y\r\np----q----r----s";

}  // namespace

TEST(ImportLines, CountingSplittingAndTrimming) {
  EXPECT_EQ(CountSeparators("", "----"), 0u);
  EXPECT_EQ(CountSeparators("a----b", ""), 0u);
  EXPECT_EQ(CountSeparators("-------", "----"), 1u);  // no overlap
  EXPECT_EQ(CountSeparators("--------", "----"), 2u);

  ImportList three = ParseImportText(kThreeLines);
  EXPECT_EQ(three.lineCount, 3u);
  EXPECT_EQ(AccountsOf(three), (std::vector<Fields>{{"a", "b", "c"}}));
  EXPECT_EQ(ParseImportText(std::string(kThreeLines) + "\r\n").lineCount, 3u);
  EXPECT_EQ(ParseImportText("a----b----c\r\n\r\n\r\nd----e----f\r\n").lineCount, 4u);  // inner empty lines count
  EXPECT_EQ(ParseImportText("").lineCount, 0u);
  EXPECT_EQ(ParseImportText(" \xA1\xA1  ").lineCount, 0u);

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
  EXPECT_EQ(FileNameOfPath("C:\\dir\\list.txt"), "list.txt");
  EXPECT_EQ(FileNameOfPath("C:\\dir\\list.csv"), "list.csv");
  EXPECT_EQ(FileNameOfPath("C:\\dir\\"), "");
  EXPECT_EQ(FileNameOfPath("list"), "list");
  EXPECT_EQ(FileNameOfPath("C:list"), "list");
  EXPECT_EQ(FileNameOfPath("a/b\\\\c"), "c");
  EXPECT_EQ(FileNameOfPath(""), "");
  // 0x5C as the trail byte of a GBK character is neither a separator nor a final backslash.
  EXPECT_EQ(FileNameOfPath("C:\\\x95\x5C" "a\\\xB1\xED.txt"), "\xB1\xED.txt");
  EXPECT_EQ(FileNameOfPath("C:\\d\\\x95\x5C" "b.txt"), "\x95\x5C" "b.txt");
  EXPECT_EQ(FileNameOfPath("C:\\d\\\x95\x5C"), "\x95\x5C");
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
  EXPECT_EQ(result.lineCount, 5u);
  EXPECT_EQ(result.imported, 3u);
  EXPECT_EQ(result.skipped, 1u);  // "skip"; a line of spaces is no line to tell about
  EXPECT_EQ(h.fs.write_calls - writes, 1);
  EXPECT_EQ(h.log, (Strings{"Importing Data 5"}));
  std::vector<AccountRecord> all = Records(h);
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ((Strings{all[1].pid, all[2].pid, all[3].pid}), (Strings{"30000", "40000", "50000"}));
  EXPECT_EQ((Strings{all[2].name, all[2].user, all[2].password.str()}), (Strings{"a", "b", "c"}));
  EXPECT_EQ((Strings{all[3].name, all[3].user, all[3].password.str()}), (Strings{"", "u", ""}));

  // Nothing to add: no write, the count still logged; nothing picked reads as no text.
  // The text ends at a zero byte, as a file's raw bytes do.
  h.log.clear();
  EXPECT_EQ(ImportAccountText(h.store, std::string_view("x----y\r\n\0a----b----c", 20)).lineCount, 1u);
  EXPECT_EQ(ImportAccountText(h.store, "").lineCount, 0u);
  EXPECT_EQ(h.log, (Strings{"Importing Data 1", "Importing Data 0"}));
  EXPECT_EQ(h.fs.write_calls - writes, 1);
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
  h.fs.fail_writes = {true};
  h.log.clear();
  EXPECT_EQ(ImportAccountText(h.store, "a----b----c\r\nd----e----f").outcome, TableOutcome::kWriteFailed);
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
  EXPECT_EQ(result.outcome, TableOutcome::kOpened);
  EXPECT_EQ(result.lineCount, 2u);
  EXPECT_EQ(result.skipped, 2u);
  EXPECT_EQ(h.log, (Strings{"Importing Data 2"}));
  h.log.clear();
  result = ImportAccountText(h.store, "a----b----c");
  EXPECT_EQ(result.outcome, TableOutcome::kCannotOpen);
  EXPECT_EQ(result.imported, 0u);
  EXPECT_TRUE(h.log.empty());
  EXPECT_EQ(h.TableBytes(), "not a table");
}

TEST(ImportAccounts, TheLastFreePidIsTakenAndMoreLinesThanFreePidsAreRefusedBeforeAnyDraw) {
  StoreHarness h;
  h.TableBytes() = TableOf(kMaxAccountPid - kMinAccountPid);  // 10000..99998
  h.draw.fallback = 10000;  // a generator stuck on a taken value
  ImportResult result = ImportAccountText(h.store, "a----b----c\r\n");
  EXPECT_EQ(result.outcome, TableOutcome::kOpened);
  EXPECT_EQ(result.imported, 1u);
  EXPECT_EQ(Records(h).back().pid, "99999");
  h.log.clear();
  const int draws = h.draw.calls, writes = h.fs.write_calls;
  result = ImportAccountText(h.store, "d----e----f");
  EXPECT_EQ(result.outcome, TableOutcome::kNoFreePid);
  EXPECT_EQ(h.draw.calls, draws);
  EXPECT_EQ(h.fs.write_calls, writes);
  EXPECT_TRUE(h.log.empty());
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
