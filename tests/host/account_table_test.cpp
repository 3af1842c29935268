#include "store/account_table.h"

#include <gtest/gtest.h>

#include <set>

#include "table_test_support.h"

using namespace quorrel;
using namespace quorrel::testing;

namespace {

using Strings = std::vector<std::string>;

// A table with the given PIDs built in one piece (90,000 appends would take 90,000 writes).
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
  void Seed(const Strings& pids) {
    ASSERT_EQ(CreateAccountTable(h.store), TableOutcome::kCreated);
    for (const std::string& pid : pids) ASSERT_EQ(AddAccount(h.store, pid, "n" + pid, "u" + pid, "p" + pid), TableOutcome::kOpened);
    h.log.clear();
  }
  StoreHarness h;
};

}  // namespace

TEST_F(AccountTableTest, FirstUseCreatesAnEmptyProtectedTableOnce) {
  EXPECT_EQ(ForEachAccount(h.store, nullptr), TableOutcome::kCreated);
  EXPECT_EQ(h.log, (Strings{"Data Create"}));
  TableContainer table(h.fs);
  ASSERT_TRUE(OpenAccountTable(h.store, table));
  ASSERT_EQ(table.Fields().size(), 4u);
  EXPECT_EQ(table.Fields()[0].name, "PID");
  EXPECT_EQ(table.Fields()[3].name, "PASSWORD");
  EXPECT_FALSE(table.Open(StoreHarness::kPath, ""));  // never left without its password
  h.log.clear();
  EXPECT_EQ(ForEachAccount(h.store, nullptr), TableOutcome::kOpened);
  EXPECT_TRUE(h.log.empty());
  EXPECT_EQ(CreateAccountTable(h.store), TableOutcome::kPresent);
  EXPECT_EQ(h.fs.files.size(), 1u);  // no temp file left beside it
}

TEST_F(AccountTableTest, FailedCreationLogsAndDeletesOnlyItsOwnFile) {
  h.fs.fail_writes = {true};
  EXPECT_EQ(ForEachAccount(h.store, nullptr), TableOutcome::kCannotCreate);
  EXPECT_EQ(h.log, (Strings{"Data Create", "Data Create Error "}));
  EXPECT_FALSE(h.HasTable());

  h.log.clear();
  h.fs.fail_writes = {false, true};  // created, then protecting it fails
  EXPECT_EQ(ForEachAccount(h.store, nullptr), TableOutcome::kCannotCreate);
  EXPECT_EQ(h.log, (Strings{"Data Create", "Data Create Encryption Error "}));
  EXPECT_FALSE(h.HasTable());  // the file it made itself goes
  EXPECT_TRUE(h.fs.files.empty());
}

// The file layer cannot tell (access denied, a network or removable-drive error): the table
// may be there, so nothing is created, written, deleted or logged.
TEST_F(AccountTableTest, ATableThatCannotBeCheckedIsNeverReplaced) {
  Seed({"11111"});
  const std::string table = h.TableBytes();
  h.fs.unreadable.insert(StoreHarness::kPath);
  bool counted = false;
  EXPECT_EQ(ForEachAccount(h.store, nullptr, [&](size_t) { counted = true; }), TableOutcome::kCannotOpen);
  EXPECT_FALSE(counted);
  EXPECT_EQ(CreateAccountTable(h.store), TableOutcome::kPresent);
  EXPECT_NE(AddAccount(h.store, "22222", "n", "u", "p"), TableOutcome::kOpened);
  const NewPid pid = NewAccountPid(h.store);
  EXPECT_EQ(pid.pid, "");
  EXPECT_EQ(pid.outcome, TableOutcome::kCannotOpen);
  EXPECT_TRUE(h.log.empty());
  h.fs.unreadable.clear();
  EXPECT_EQ(h.TableBytes(), table);
  EXPECT_EQ(h.Pids(), (Strings{"11111"}));
}

// The table appears between the check and the create (another copy of the program, a
// restore): the create refuses, and the failure path leaves that file alone.
TEST(AccountTableRace, ATableThatAppearsDuringCreationIsKept) {
  struct LateTable : FaultyFileSystem {
    PathState Probe(const Text& path) override {
      if (path == StoreHarness::kPath && checks++ < 2) return PathState::kAbsent;
      return FaultyFileSystem::Probe(path);
    }
    int checks = 0;
  };
  StoreHarness made;
  ASSERT_EQ(CreateAccountTable(made.store), TableOutcome::kCreated);
  ASSERT_EQ(AddAccount(made.store, "11111", "n", "u", "p"), TableOutcome::kOpened);
  LateTable fs;
  fs.files = made.fs.files;
  StoreHarness h;
  h.store.fs = &fs;
  EXPECT_EQ(CreateAccountTable(h.store), TableOutcome::kCannotCreate);
  EXPECT_EQ(h.log, (Strings{"Data Create", "Data Create Error "}));
  EXPECT_EQ(fs.files, made.fs.files);
}

TEST_F(AccountTableTest, AddedAccountsAreListedInOrderAndFoundWhole) {
  Seed({});
  std::string p700;
  for (int i = 0; i < 350; ++i) p700 += "\xC3\xDC";  // 350 GBK characters
  ASSERT_EQ(AddAccount(h.store, "12345", "\xD6\xD0 name", "  user  ", p700), TableOutcome::kOpened);
  ASSERT_EQ(AddAccount(h.store, "54321", std::string(513, 'n'), "", ""), TableOutcome::kOpened);
  ASSERT_EQ(AddAccount(h.store, "12345", "second", "with", "same pid"), TableOutcome::kOpened);
  EXPECT_TRUE(h.log.empty());  // the callers log additions

  std::vector<int> ordinals;  // the count told first, as a negative number
  EXPECT_EQ(ForEachAccount(
                h.store, [&](int i, const AccountRecord&) { ordinals.push_back(i); },
                [&](size_t count) { ordinals.push_back(-static_cast<int>(count)); }),
            TableOutcome::kOpened);
  EXPECT_EQ(ordinals, (std::vector<int>{-3, 1, 2, 3}));
  EXPECT_EQ(h.Pids(), (Strings{"12345", "54321", "12345"}));
  auto found = FindAccountByPid(h.store, "12345").record;  // the first of two
  ASSERT_TRUE(found);
  EXPECT_EQ(found->name, "\xD6\xD0 name");
  EXPECT_EQ(found->user, "  user  ");
  EXPECT_EQ(found->password, p700);
  EXPECT_EQ(FindAccountByPid(h.store, "54321").record->name, std::string(513, 'n'));
  for (const char* pid : {"1234", "12345 ", ""}) EXPECT_FALSE(FindAccountByPid(h.store, pid).record) << pid;
}

TEST_F(AccountTableTest, DeletesEveryRecordWithThePidAndNothingForAnUnknownOne) {
  Seed({"11111", "22222", "22222", "22222", "33333", "22222", "44444"});
  const std::string before = h.TableBytes();
  const int writes = h.fs.write_calls;
  EXPECT_EQ(DeleteAccountByPid(h.store, "55555").count, 0);
  EXPECT_EQ(DeleteAccountByPid(h.store, "2222").count, 0);
  EXPECT_TRUE(h.log.empty());
  EXPECT_EQ(h.fs.write_calls, writes);
  EXPECT_EQ(h.TableBytes(), before);

  EXPECT_EQ(DeleteAccountByPid(h.store, "22222").count, 4);
  EXPECT_EQ(h.log, Strings(4, "Del Data 22222"));
  EXPECT_EQ(h.Pids(), (Strings{"11111", "33333", "44444"}));
  h.log.clear();
  EXPECT_EQ(DeleteAccountByPid(h.store, "44444").count, 1);
  EXPECT_EQ(h.log, (Strings{"Del Data 44444"}));
}

TEST_F(AccountTableTest, AGivenUpWriteLeavesTheTableAsItWas) {
  Seed({"11111", "22222"});
  const std::string before = h.TableBytes();
  h.fs.fail_writes = {true, true};
  EXPECT_NE(AddAccount(h.store, "33333", "n", "u", "p"), TableOutcome::kOpened);
  EXPECT_EQ(DeleteAccountByPid(h.store, "11111").count, 0);
  EXPECT_TRUE(h.log.empty());  // no line for a deletion that did not happen
  EXPECT_EQ(h.TableBytes(), before);
  ASSERT_EQ(AddAccount(h.store, "33333", "n", "u", "p"), TableOutcome::kOpened);
  EXPECT_EQ(h.Pids(), (Strings{"11111", "22222", "33333"}));
}

TEST_F(AccountTableTest, NewPidNeverRepeatsATakenOne) {
  Seed({"10000"});
  h.draw.values = {10000, 10000, 12345};
  EXPECT_EQ(NewAccountPid(h.store).pid, "12345");
  EXPECT_EQ(h.draw.calls, 3);
  // Full-width digits and trailing text still name the PID they start with.
  ASSERT_EQ(AddAccount(h.store, "\xA3\xB1\xA3\xB2\xA3\xB3\xA3\xB4\xA3\xB5", "n", "u", "p"), TableOutcome::kOpened);  // １２３４５
  ASSERT_EQ(AddAccount(h.store, "54321abc", "n", "u", "p"), TableOutcome::kOpened);
  // A PID stored again, in either width, takes nothing more.
  ASSERT_EQ(AddAccount(h.store, "10000", "n", "u", "p"), TableOutcome::kOpened);
  ASSERT_EQ(AddAccount(h.store, "\xA3\xB1\xA3\xB0\xA3\xB0\xA3\xB0\xA3\xB0", "n", "u", "p"), TableOutcome::kOpened);  // １００００
  EXPECT_EQ(CountFreePids(h.store).count, 89997u);
  h.draw.values = {12345, 54321, 99999};
  EXPECT_EQ(NewAccountPid(h.store).pid, "99999");

  uint32_t tick = 5000;
  h.store.draw = TickSeededDraw([&tick] { return tick; });  // a clock that stands still
  std::set<std::string> seen;
  for (int i = 0; i < 50; ++i) {
    const std::string pid = NewAccountPid(h.store).pid;
    ASSERT_EQ(pid.size(), 5u);
    EXPECT_GE(std::stoi(pid), kMinAccountPid);
    EXPECT_NE(pid, "10000");
    seen.insert(pid);
  }
  EXPECT_GT(seen.size(), 40u);  // the running offset varies the seed
}

TEST_F(AccountTableTest, NewPidDoesNotHangWhenValuesRunOutAndSaysSoWithoutATable) {
  NewPid pid = NewAccountPid(h.store);
  EXPECT_EQ(pid.pid, "");
  EXPECT_EQ(pid.outcome, TableOutcome::kCannotOpen);
  EXPECT_FALSE(h.HasTable());

  Strings all;
  for (int n = kMinAccountPid; n <= kMaxAccountPid; ++n) all.push_back(std::to_string(n));
  const std::string last = all.back();
  all.pop_back();
  all.push_back("10000");  // stored twice: one PID is still free
  h.TableBytes() = TableWithPids(all);
  h.draw.fallback = 10000;  // a generator stuck on a taken value
  EXPECT_EQ(NewAccountPid(h.store).pid, last);
  EXPECT_EQ(CountFreePids(h.store).count, 1u);
  all.push_back(last);
  h.TableBytes() = TableWithPids(all);
  pid = NewAccountPid(h.store);
  EXPECT_EQ(pid.pid, "");
  EXPECT_EQ(pid.outcome, TableOutcome::kNoFreePid);
}

TEST(PidNumber, ReadsLeadingDigitsIncludingFullWidthOnes) {
  EXPECT_EQ(PidNumber("12345abc"), 12345);
  EXPECT_EQ(PidNumber(""), 0);
  EXPECT_EQ(PidNumber("\xA3\xB1\xA3\xB0\xA3\xB0\xA3\xB0\xA3\xB9"), 10009);
  EXPECT_EQ(PidNumber("1\xA3\xB2" "3"), 123);
  EXPECT_EQ(PidNumber("\xA3\xC1" "5"), 0);  // a full-width letter stops the digits
  EXPECT_EQ(PidNumber("\xB0\xA3\xB1"), 0);  // A3 here is a trail byte
  EXPECT_EQ(PidNumber("\xA3"), 0);          // a cut-off character
}

TEST(UnopenableTable, IsNeverWrittenByAnyOperationAndLeavesTheListEmpty) {
  MemoryTableFileSystem made;
  TableContainer c(made);
  ASSERT_TRUE(c.Create("t", AccountTableFields(), "wrong password"));
  ASSERT_TRUE(c.Create("u", AccountTableFields(), kAccountTableAccessPassword));
  const std::string good = made.files["u"];
  Strings files = {made.files["t"], "", good.substr(0, good.size() - 1), good.substr(0, 48), good + "x"};
  std::string foreign = good, future = good;
  foreign[3] ^= 0x20;
  future[8] = 2;
  files.push_back(foreign);
  files.push_back(future);
  files.push_back(good + std::string(kMaxTableFileBytes, '\0'));  // beyond what is read
  for (size_t i = 0; i < good.size(); ++i) {
    files.push_back(good);
    files.back()[i] = static_cast<char>(files.back()[i] ^ (0x80 >> (i % 8)));
  }
  for (size_t i = 0; i < files.size(); ++i) {
    StoreHarness h;
    h.TableBytes() = files[i];
    TableContainer table(h.fs);
    EXPECT_FALSE(OpenAccountTable(h.store, table)) << i;
    EXPECT_EQ(ForEachAccount(h.store, nullptr), TableOutcome::kCannotOpen) << i;
    EXPECT_EQ(FindAccountByPid(h.store, "12345").outcome, TableOutcome::kCannotOpen);
    EXPECT_NE(AddAccount(h.store, "12345", "n", "u", "p"), TableOutcome::kOpened);
    EXPECT_EQ(DeleteAccountByPid(h.store, "12345").count, 0);
    EXPECT_EQ(CreateAccountTable(h.store), TableOutcome::kPresent);
    EXPECT_TRUE(h.log.empty()) << i;
    EXPECT_EQ(NewAccountPid(h.store).outcome, TableOutcome::kCannotOpen);
    EXPECT_EQ(h.fs.write_calls, 0) << i;
    EXPECT_EQ(h.fs.files.size(), 1u);
    EXPECT_EQ(h.TableBytes(), files[i]) << i;
  }
}

TEST(AccountTableCrash, AnAddOrDeleteStoppedAtAnyStepLeavesTheOldOrTheNewRecords) {
  const Strings seeded = {"11111", "22222", "22222", "33333"};
  for (bool add : {true, false}) {
    for (CrashPoint point : kAllCrashPoints) {
      const std::string at = std::to_string(add) + "/" + std::to_string(static_cast<int>(point));
      StoreHarness h;
      ASSERT_EQ(CreateAccountTable(h.store), TableOutcome::kCreated);
      for (const auto& pid : seeded) ASSERT_EQ(AddAccount(h.store, pid, "n", "u", "p"), TableOutcome::kOpened);
      h.fs.crash_point = point;
      h.fs.crash_on_write = h.fs.write_calls + 1;
      if (add) {
        EXPECT_NE(AddAccount(h.store, "44444", "n", "u", "p"), TableOutcome::kOpened);
      } else {
        (void)DeleteAccountByPid(h.store, "22222");
      }
      h.Reboot();
      // On FAT the interrupted replace leaves the new table only in the temp file.
      const bool recovered = point == CrashPoint::kReplaceNotAtomic;
      Strings expected = seeded;
      if (point == CrashPoint::kAfterRename || recovered) {
        expected = add ? Strings{"11111", "22222", "22222", "33333", "44444"} : Strings{"11111", "33333"};
      }
      EXPECT_EQ(h.Pids(), expected) << at;
      EXPECT_EQ(h.log, recovered ? Strings{"Data Recovered"} : Strings{}) << at;  // never re-created
      ASSERT_EQ(AddAccount(h.store, "55555", "n", "u", "p"), TableOutcome::kOpened) << at;
      EXPECT_EQ(h.Pids().back(), "55555");
      EXPECT_EQ(h.fs.files.count(h.fs.TempPath(StoreHarness::kPath)), 0u) << at;
    }
  }
}

TEST(AccountTableCrash, ACreationStoppedAtAnyStepLeavesAnEmptyTableOrNoneAndLosesNoFile) {
  for (int write = 1; write <= 2; ++write) {
    for (CrashPoint point : kAllCrashPoints) {
      const std::string at = std::to_string(write) + "/" + std::to_string(static_cast<int>(point));
      StoreHarness h;
      h.fs.crash_point = point;
      h.fs.crash_on_write = write;
      h.Pids();
      h.Reboot();
      const Text temp = h.fs.TempPath(StoreHarness::kPath);
      const auto left = h.fs.files.find(temp);
      const std::optional<std::string> left_bytes =
          left == h.fs.files.end() ? std::nullopt : std::optional<std::string>(left->second);
      TableContainer probe(h.fs);
      const bool whole = left_bytes && probe.Open(temp, kAccountTableAccessPassword);
      probe.Close();
      const bool existed = h.HasTable();

      EXPECT_TRUE(h.Pids().empty());
      // Either the next start opens it, puts the whole temp file in place, or creates it.
      const Strings expected = existed ? Strings{} : whole ? Strings{"Data Recovered"} : Strings{"Data Create"};
      EXPECT_EQ(h.log, expected) << at;
      if (left_bytes && !existed && !whole) {
        EXPECT_EQ(h.fs.files[AsidePath(temp, 1)], *left_bytes) << at;  // kept, not overwritten
      }
      ASSERT_EQ(AddAccount(h.store, "11111", "n", "u", "p"), TableOutcome::kOpened) << at;
    }
  }
}

TEST_F(AccountTableTest, ATempFileWhereTheTableIsMissingIsPutInPlaceOrKeptAside) {
  const Text path = StoreHarness::kPath;
  const Text temp = h.fs.TempPath(path);
  const Text legacy = path + ".tmp";
  EXPECT_EQ(temp, "dir/UserData.ed~");

  // The only complete copy, under the current temp name and under that of earlier versions.
  for (const Text& left : {temp, legacy}) {
    StoreHarness r;
    r.fs.files[left] = TableWithPids({"11111", "22222"});
    EXPECT_EQ(r.Pids(), (Strings{"11111", "22222"})) << left;  // listed at once
    EXPECT_EQ(r.log, (Strings{"Data Recovered"}));
    EXPECT_EQ(r.fs.files.count(left), 0u);
    EXPECT_EQ(r.fs.files.size(), 1u);
  }

  // Not a table sealed with the access password: kept aside under a new name, then a fresh
  // table. A second one the next time goes beside the first.
  MemoryTableFileSystem other;
  TableContainer foreign(other);
  ASSERT_TRUE(foreign.Create("x", AccountTableFields(), "another password"));
  h.fs.files[temp] = other.files["x"];
  h.fs.files[legacy] = "half a table";
  EXPECT_EQ(ForEachAccount(h.store, nullptr), TableOutcome::kCreated);
  EXPECT_EQ(h.log, (Strings{"Data Create"}));
  EXPECT_EQ(h.fs.files["dir/UserData.e~1"], other.files["x"]);
  EXPECT_EQ(h.fs.files["dir/UserData.edb.t~1"], "half a table");
  EXPECT_EQ(h.fs.files.count(temp) + h.fs.files.count(legacy), 0u);
  h.fs.files.erase(path);
  h.fs.files[temp] = "garbage";
  EXPECT_EQ(ForEachAccount(h.store, nullptr), TableOutcome::kCreated);
  EXPECT_EQ(h.fs.files["dir/UserData.e~2"], "garbage");
  EXPECT_EQ(h.fs.files.size(), 4u);

  // A temp file that cannot even be read or moved: the table is not created over it.
  h.fs.files.erase(path);
  h.fs.files[temp] = "unreadable";
  h.fs.unreadable.insert(temp);
  h.log.clear();
  EXPECT_EQ(ForEachAccount(h.store, nullptr), TableOutcome::kCannotCreate);
  EXPECT_EQ(h.fs.files[temp], "unreadable");
  EXPECT_FALSE(h.HasTable());

  // With the table present a temp file is only a write that never finished: overwritten.
  h.fs.unreadable.clear();
  h.fs.files.erase(temp);
  ASSERT_EQ(CreateAccountTable(h.store), TableOutcome::kCreated);
  ASSERT_EQ(AddAccount(h.store, "33333", "n", "u", "p"), TableOutcome::kOpened);
  h.fs.files[temp] = TableWithPids({"11111"});
  EXPECT_EQ(DeleteAccountByPid(h.store, "11111").count, 0);
  ASSERT_EQ(AddAccount(h.store, "44444", "n", "u", "p"), TableOutcome::kOpened);
  EXPECT_EQ(h.Pids(), (Strings{"33333", "44444"}));
  EXPECT_EQ(h.fs.files.count(temp), 0u);
}
