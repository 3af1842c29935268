#include "store/account_table.h"

#include <gtest/gtest.h>

#include <set>

#include "table_test_support.h"

using namespace quorrel;
using namespace quorrel::testing;

namespace {

using Strings = std::vector<std::string>;

bool Same(const AccountRecord& a, const AccountRecord& b) {
  return a.pid == b.pid && a.name == b.name && a.user == b.user && a.password == b.password;
}

// A table with the given PIDs, built in one piece (appending 90,000 records one by one
// would rewrite the file 90,000 times).
std::string TableWithPids(const Strings& pids) {
  std::string payload = *EmptyTablePayload(AccountTableFields());
  for (const std::string& pid : pids) {
    payload.push_back('\0');
    for (const std::string& v : {pid, std::string("n"), std::string("u"), std::string("p")}) {
      for (int i = 0; i < 4; ++i) payload.push_back(static_cast<char>(v.size() >> (8 * i)));
      payload += v;
    }
  }
  return *SealTableFile(payload, kAccountTableAccessPassword, NewTableKeyParams());
}

class AccountTableTest : public ::testing::Test {
 protected:
  // A created table holding these PIDs (name n<pid>, user u<pid>, password p<pid>).
  void Seed(const Strings& pids) {
    ASSERT_TRUE(CreateAccountTable(h.store));
    for (const std::string& pid : pids) {
      ASSERT_TRUE(AddAccount(h.store, pid, "n" + pid, "u" + pid, "p" + pid));
    }
    h.log.clear();
  }
  StoreHarness h;
};

}  // namespace

TEST_F(AccountTableTest, FirstUseCreatesAnEmptyProtectedTable) {
  EXPECT_TRUE(h.List().empty());
  EXPECT_EQ(h.log, (Strings{"Data Create"}));
  EXPECT_EQ(h.restarts, 0);
  ASSERT_TRUE(h.HasTable());
  TableContainer table(h.fs);
  ASSERT_TRUE(OpenAccountTable(h.store, table));
  EXPECT_EQ(table.RecordCount(), 0u);
  ASSERT_EQ(table.Fields().size(), 4u);
  EXPECT_EQ(table.Fields()[0].name, "PID");
  EXPECT_EQ(table.Fields()[3].name, "PASSWORD");
  EXPECT_EQ(table.Fields()[3].max_length, 512u);
  EXPECT_FALSE(table.Open(StoreHarness::kPath, ""));  // never left without its password

  h.log.clear();
  EXPECT_TRUE(h.List().empty());
  EXPECT_TRUE(h.log.empty());  // created once only
  EXPECT_FALSE(CreateAccountTable(h.store));
}

TEST_F(AccountTableTest, FailedCreationDeletesLogsAndRestarts) {
  h.fs.fail_writes = {true};
  EXPECT_TRUE(h.List().empty());
  EXPECT_EQ(h.log, (Strings{"Data Create", "Data Create Error "}));
  EXPECT_EQ(h.restarts, 1);
  EXPECT_FALSE(h.HasTable());

  h.log.clear();
  h.restarts = 0;
  h.fs.fail_writes = {false, true};  // created, then protecting it fails
  EXPECT_TRUE(h.List().empty());
  EXPECT_EQ(h.log, (Strings{"Data Create", "Data Create Encryption Error "}));
  EXPECT_EQ(h.restarts, 1);
  EXPECT_FALSE(h.HasTable());
}

TEST_F(AccountTableTest, AddedAccountsAreListedInOrderAndFoundWhole) {
  Seed({});
  const AccountRecord a{"12345", "\xD6\xD0\xCE\xC4 name", "  user  ", "p@ss word"};
  const AccountRecord b{"54321", "", "", ""};
  ASSERT_TRUE(AddAccount(h.store, a.pid, a.name, a.user, a.password));
  ASSERT_TRUE(AddAccount(h.store, b.pid, b.name, b.user, b.password));
  ASSERT_TRUE(AddAccount(h.store, "12345", "second", "with", "same pid"));
  EXPECT_TRUE(h.log.empty());  // the callers log additions

  std::vector<int> ordinals;
  std::vector<AccountRecord> listed;
  ForEachAccount(h.store, [&](int i, const AccountRecord& r) {
    ordinals.push_back(i);
    listed.push_back(r);
  });
  EXPECT_EQ(ordinals, (std::vector<int>{1, 2, 3}));
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_TRUE(Same(listed[0], a));
  EXPECT_TRUE(Same(listed[1], b));

  auto found = FindAccountByPid(h.store, "12345");
  ASSERT_TRUE(found);
  EXPECT_TRUE(Same(*found, a));  // the first of two
  EXPECT_FALSE(FindAccountByPid(h.store, "1234"));
  EXPECT_FALSE(FindAccountByPid(h.store, "12345 "));
  EXPECT_FALSE(FindAccountByPid(h.store, ""));
}

TEST_F(AccountTableTest, LongPasswordsComeBackWhole) {
  Seed({});
  const std::string p512(512, 'x');
  std::string p700;
  for (int i = 0; i < 350; ++i) p700 += "\xC3\xDC";  // 350 GBK characters
  ASSERT_TRUE(AddAccount(h.store, "11111", "n", "u", p512));
  ASSERT_TRUE(AddAccount(h.store, "22222", std::string(513, 'n'), "u", p700));
  EXPECT_EQ(FindAccountByPid(h.store, "11111")->password, p512);
  const auto longer = FindAccountByPid(h.store, "22222");
  EXPECT_EQ(longer->password, p700);
  EXPECT_EQ(longer->name, std::string(513, 'n'));
}

TEST_F(AccountTableTest, DeletingAnUnknownPidChangesNothing) {
  Seed({"11111", "22222"});
  const std::string before = h.TableBytes();
  const int writes = h.fs.write_calls;
  EXPECT_EQ(DeleteAccountByPid(h.store, "33333"), 0);
  EXPECT_EQ(DeleteAccountByPid(h.store, "1111"), 0);
  EXPECT_TRUE(h.log.empty());
  EXPECT_EQ(h.fs.write_calls, writes);
  EXPECT_EQ(h.TableBytes(), before);
}

TEST_F(AccountTableTest, DeletesEveryRecordWithThePidAdjacentOrNot) {
  Seed({"11111", "22222", "22222", "22222", "33333", "22222", "44444"});
  EXPECT_EQ(DeleteAccountByPid(h.store, "22222"), 4);
  EXPECT_EQ(h.log, Strings(4, "Del Data 22222"));
  EXPECT_EQ(h.Pids(), (Strings{"11111", "33333", "44444"}));

  h.log.clear();
  EXPECT_EQ(DeleteAccountByPid(h.store, "11111"), 1);
  EXPECT_EQ(DeleteAccountByPid(h.store, "44444"), 1);
  EXPECT_EQ(DeleteAccountByPid(h.store, "33333"), 1);
  EXPECT_EQ(h.log, (Strings{"Del Data 11111", "Del Data 44444", "Del Data 33333"}));
  EXPECT_TRUE(h.Pids().empty());
}

TEST_F(AccountTableTest, AGivenUpWriteLeavesTheTableAsItWas) {
  Seed({"11111", "22222"});
  const std::string before = h.TableBytes();
  h.fs.fail_writes = {true};
  EXPECT_FALSE(AddAccount(h.store, "33333", "n", "u", "p"));
  h.fs.fail_writes = {true};
  EXPECT_EQ(DeleteAccountByPid(h.store, "11111"), 0);
  EXPECT_TRUE(h.log.empty());  // no line for a deletion that did not happen
  EXPECT_EQ(h.TableBytes(), before);
  EXPECT_EQ(h.Pids(), (Strings{"11111", "22222"}));
  ASSERT_TRUE(AddAccount(h.store, "33333", "n", "u", "p"));
  EXPECT_EQ(h.Pids(), (Strings{"11111", "22222", "33333"}));
}

TEST_F(AccountTableTest, NewPidNeverRepeatsATakenOne) {
  Seed({"10000"});
  h.draw.values = {10000, 10000, 12345};
  EXPECT_EQ(NewAccountPid(h.store), "12345");
  EXPECT_EQ(h.draw.calls, 3);
  EXPECT_EQ(h.restarts, 0);

  // Full-width digits and trailing text still name the PID they start with.
  AddAccount(h.store, "\xA3\xB1\xA3\xB2\xA3\xB3\xA3\xB4\xA3\xB5", "n", "u", "p");  // １２３４５
  AddAccount(h.store, "54321abc", "n", "u", "p");
  h.draw.values = {12345, 54321, 99999};
  EXPECT_EQ(NewAccountPid(h.store), "99999");
}

TEST_F(AccountTableTest, NewPidWithTheTickDrawIsFiveDigitsAndFree) {
  Seed({"10001"});
  uint32_t tick = 5000;
  h.store.draw = TickSeededDraw([&tick] { return tick; });  // a clock that stands still
  std::set<std::string> seen;
  for (int i = 0; i < 50; ++i) {
    const std::string pid = NewAccountPid(h.store);
    ASSERT_EQ(pid.size(), 5u);
    const int n = std::stoi(pid);
    EXPECT_GE(n, kMinAccountPid);
    EXPECT_LE(n, kMaxAccountPid);
    EXPECT_NE(n, 10001);
    seen.insert(pid);
  }
  EXPECT_GT(seen.size(), 40u);  // the running offset varies the seed
}

TEST_F(AccountTableTest, NewPidDoesNotHangWhenValuesRunOut) {
  Strings all;
  for (int n = kMinAccountPid; n <= kMaxAccountPid; ++n) all.push_back(std::to_string(n));
  const std::string last = all.back();
  all.pop_back();
  h.fs.files[StoreHarness::kPath] = TableWithPids(all);
  h.draw.fallback = 10000;  // a generator stuck on a taken value
  EXPECT_EQ(NewAccountPid(h.store), last);

  all.push_back(last);
  h.fs.files[StoreHarness::kPath] = TableWithPids(all);
  EXPECT_EQ(NewAccountPid(h.store), "");
  EXPECT_EQ(h.restarts, 0);
}

TEST(TickSeeder, FollowsTheReseedingRule) {
  uint32_t tick = 1000;
  TickSeeder seeder([&tick] { return tick; });
  EXPECT_EQ(seeder.NextSeed(), 1000u);  // offset += 0xE8 + 100 = 332
  EXPECT_EQ(seeder.NextSeed(), 1332u);  // offset += 0x34 + 100 = 484
  EXPECT_EQ(seeder.NextSeed(), 1484u);  // offset += 0xCC + 100 = 788
  tick = 0xFFFFFFFFu;  // the tick count wraps after 49.7 days, and so does the seed
  EXPECT_EQ(seeder.NextSeed(), 787u);
}

TEST(PidNumber, ReadsLeadingDigitsIncludingFullWidthOnes) {
  EXPECT_EQ(PidNumber("12345"), 12345);
  EXPECT_EQ(PidNumber("12345abc"), 12345);
  EXPECT_EQ(PidNumber("abc"), 0);
  EXPECT_EQ(PidNumber(""), 0);
  EXPECT_EQ(PidNumber("\xA3\xB1\xA3\xB0\xA3\xB0\xA3\xB0\xA3\xB9"), 10009);
  EXPECT_EQ(PidNumber("1\xA3\xB2" "3"), 123);
  EXPECT_EQ(PidNumber("\xA3\xC1" "5"), 0);  // a full-width letter stops the digits
  EXPECT_EQ(PidNumber("\xB0\xA3\xB1"), 0);  // A3 here is a trail byte, not a digit's lead
  EXPECT_EQ(PidNumber("\xA3"), 0);          // a cut-off character
}

// --- files that do not open ------------------------------------------------------------------

namespace {

Strings UnopenableTables() {
  MemoryTableFileSystem fs;
  TableContainer c(fs);
  EXPECT_TRUE(c.Create("t", AccountTableFields(), "wrong password"));
  EXPECT_TRUE(c.Create("u", AccountTableFields(), kAccountTableAccessPassword));
  const std::string good = fs.files["u"];
  std::string foreign = good;
  foreign[3] ^= 0x20;
  std::string future = good;
  future[8] = 2;
  std::string random;
  for (int i = 0; i < 300; ++i) random.push_back(static_cast<char>(i * 131 + 7));
  return {fs.files["t"], "", random, good.substr(0, good.size() - 1), good.substr(0, 48),
          foreign, future, good + "x"};
}

}  // namespace

class UnopenableTableTest : public ::testing::TestWithParam<int> {};

TEST_P(UnopenableTableTest, IsNeverWrittenAndLeavesTheListEmpty) {
  StoreHarness h;
  const std::string bytes = UnopenableTables()[GetParam()];
  h.fs.files[StoreHarness::kPath] = bytes;

  TableContainer table(h.fs);
  EXPECT_FALSE(OpenAccountTable(h.store, table));
  EXPECT_TRUE(h.List().empty());
  EXPECT_FALSE(FindAccountByPid(h.store, "12345"));
  EXPECT_FALSE(AddAccount(h.store, "12345", "n", "u", "p"));
  EXPECT_EQ(DeleteAccountByPid(h.store, "12345"), 0);
  EXPECT_FALSE(CreateAccountTable(h.store));
  EXPECT_TRUE(h.log.empty());
  EXPECT_EQ(h.restarts, 0);
  EXPECT_EQ(NewAccountPid(h.store), "");
  EXPECT_EQ(h.restarts, 1);

  EXPECT_EQ(h.fs.write_calls, 0);
  EXPECT_EQ(h.fs.files.size(), 1u);
  EXPECT_EQ(h.TableBytes(), bytes);
}

INSTANTIATE_TEST_SUITE_P(WrongPasswordEmptyRandomTruncatedForeignFutureLonger,
                         UnopenableTableTest, ::testing::Range(0, 8));

TEST_F(AccountTableTest, ABitFlipAnywhereMakesTheTableUnopenableAndUntouched) {
  Seed({"12345"});
  const std::string good = h.TableBytes();
  const int writes = h.fs.write_calls;
  for (size_t i = 0; i < good.size(); ++i) {
    std::string flipped = good;
    flipped[i] = static_cast<char>(flipped[i] ^ (0x80 >> (i % 8)));
    h.TableBytes() = flipped;
    EXPECT_TRUE(h.List().empty()) << i;
    EXPECT_FALSE(AddAccount(h.store, "1", "n", "u", "p")) << i;
    EXPECT_EQ(DeleteAccountByPid(h.store, "12345"), 0) << i;
    EXPECT_EQ(h.TableBytes(), flipped) << i;
  }
  EXPECT_EQ(h.fs.write_calls, writes);
  EXPECT_TRUE(h.log.empty());
  EXPECT_EQ(h.fs.files.size(), 1u);
}

TEST_F(AccountTableTest, NewPidRestartsWhenTheTableIsMissing) {
  EXPECT_EQ(NewAccountPid(h.store), "");
  EXPECT_EQ(h.restarts, 1);
  EXPECT_FALSE(h.HasTable());
}

// --- crashes -------------------------------------------------------------------------------------

namespace {

std::string Name(CrashPoint p) { return std::to_string(static_cast<int>(p)); }

}  // namespace

TEST(AccountTableCrash, AnAddStoppedAtAnyStepLeavesTheOldOrTheNewRecords) {
  for (CrashPoint point : AllCrashPoints()) {
    StoreHarness h;
    ASSERT_TRUE(CreateAccountTable(h.store));
    ASSERT_TRUE(AddAccount(h.store, "11111", "n", "u", "p"));
    h.fs.crash_point = point;
    h.fs.crash_on_write = h.fs.write_calls + 1;
    EXPECT_FALSE(AddAccount(h.store, "22222", "n", "u", "p"));

    h.Reboot();
    const Strings pids = h.Pids();
    EXPECT_TRUE(pids == Strings({"11111"}) || pids == Strings({"11111", "22222"})) << Name(point);
    EXPECT_EQ(pids.size() == 2, point == CrashPoint::kAfterRename) << Name(point);
    EXPECT_TRUE(h.log.empty()) << Name(point);  // opened, not re-created
    ASSERT_TRUE(AddAccount(h.store, "33333", "n", "u", "p")) << Name(point);
    EXPECT_EQ(h.Pids().back(), "33333");
    EXPECT_EQ(h.fs.files.count(ReplaceTempPath(StoreHarness::kPath)), 0u) << Name(point);
  }
}

TEST(AccountTableCrash, ADeleteStoppedAtAnyStepLeavesTheOldOrTheNewRecords) {
  for (CrashPoint point : AllCrashPoints()) {
    StoreHarness h;
    ASSERT_TRUE(CreateAccountTable(h.store));
    for (const char* pid : {"11111", "22222", "22222", "33333"}) {
      ASSERT_TRUE(AddAccount(h.store, pid, "n", "u", "p"));
    }
    h.fs.crash_point = point;
    h.fs.crash_on_write = h.fs.write_calls + 1;
    DeleteAccountByPid(h.store, "22222");

    h.Reboot();
    const Strings pids = h.Pids();
    if (point == CrashPoint::kAfterRename) {
      EXPECT_EQ(pids, (Strings{"11111", "33333"}));
    } else {
      EXPECT_EQ(pids, (Strings{"11111", "22222", "22222", "33333"})) << Name(point);
    }
    EXPECT_EQ(DeleteAccountByPid(h.store, "11111"), 1) << Name(point);
  }
}

TEST(AccountTableCrash, ACreationStoppedAtAnyStepLeavesNoTableOrAnEmptyOne) {
  for (int write = 1; write <= 2; ++write) {
    for (CrashPoint point : AllCrashPoints()) {
      StoreHarness h;
      h.fs.crash_point = point;
      h.fs.crash_on_write = write;
      h.List();

      h.Reboot();
      const bool existed = h.HasTable();
      EXPECT_TRUE(h.List().empty());
      // Either the next start creates it, or it opens: never a table that stays shut.
      EXPECT_EQ(h.log, existed ? Strings{} : Strings{"Data Create"}) << write << Name(point);
      ASSERT_TRUE(AddAccount(h.store, "11111", "n", "u", "p")) << write << Name(point);
      EXPECT_EQ(h.Pids(), (Strings{"11111"}));
    }
  }
}

TEST_F(AccountTableTest, ALeftOverTempFileIsNeitherTheTableNorItsUndoing) {
  // A full table in the temp file while the table itself is missing: a fresh table is made.
  const std::string temp = ReplaceTempPath(StoreHarness::kPath);
  h.fs.files[temp] = TableWithPids({"11111", "22222"});
  EXPECT_TRUE(h.List().empty());
  EXPECT_EQ(h.log, (Strings{"Data Create"}));

  // A stray temp file beside a table changes nothing about it.
  ASSERT_TRUE(AddAccount(h.store, "33333", "n", "u", "p"));
  h.fs.files[temp] = "garbage";
  EXPECT_EQ(h.Pids(), (Strings{"33333"}));
  EXPECT_EQ(DeleteAccountByPid(h.store, "11111"), 0);
  EXPECT_EQ(FindAccountByPid(h.store, "33333")->user, "u");
  EXPECT_EQ(h.Pids(), (Strings{"33333"}));
}
