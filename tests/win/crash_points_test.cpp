// The program killed at every file call of a table operation: each operation runs in a child
// (tools/crash_child) over the real Win32 file layer and ends its own process just before
// its N-th call, for N = 1, 2, ... until it completes. After each ending the folder is
// opened the way the program starts (the list fill through ForEachAccount), and must hold
// exactly the accounts before or exactly the accounts after, every file that was there
// before (a left-over table is put in place or kept aside, never lost), and the log's
// earlier bytes, with nothing but whole lines after them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "store/account_table.h"
#include "store/activity_log_win.h"
#include "store/file_system_win.h"
#include "tests/win/test_util.h"

using namespace quorrel;

namespace {

using Account = std::vector<Text>;                 // PID (empty: any fresh one), NAME, USER, PASSWORD
using Accounts = std::vector<Account>;

constexpr DWORD kCrashExitCode = 99;
constexpr char kTable[] = "UserData.edb";
constexpr char kTemp[] = "UserData.ed~";
constexpr char kLog[] = "Quorrel Log.log";

std::string Here() {
  char self[MAX_PATH] = {};
  std::string path(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
  return path.substr(0, path.find_last_of('\\'));
}


void PutFiles(const std::string& dir, const Files& files) {
  TempDir::RemoveTree(dir);
  CreateDirectoryA(dir.c_str(), nullptr);
  for (const auto& [name, bytes] : files) ASSERT_TRUE(RawWrite(dir + "\\" + name, bytes)) << name;
}

AccountStore StoreAt(const std::string& dir, bool logged) {
  static Win32FileSystem fs;
  AccountStore store;
  store.table_path = dir + "\\" + kTable;
  store.fs = &fs;
  if (logged) store.log = [dir](std::string_view line) { WriteActivityLog(dir, line); };
  store.draw = ProcessDraw();
  return store;
}

Text PasswordOf(const AccountRecord& r) { return r.password.str(); }

// The start of the program: the list fill, which also creates or recovers a missing table.
TableOutcome StartUp(const std::string& dir, Accounts& seen) {
  seen.clear();
  return ForEachAccount(StoreAt(dir, true), [&](int, const AccountRecord& r) {
    seen.push_back({r.pid, r.name, r.user, PasswordOf(r)});
  });
}

bool Same(const Accounts& got, const Accounts& want) {
  if (got.size() != want.size()) return false;
  for (size_t i = 0; i < got.size(); ++i)
    for (size_t f = 0; f < 4; ++f)
      if (got[i][f] != want[i][f] && !(f == 0 && want[i][0].empty())) return false;
  return true;
}

struct ChildRun {
  DWORD exitCode = 0;
  std::string report;
};

ChildRun RunChild(const std::string& op, const std::string& dir, int n, const std::string& report,
             const std::string& importFile) {
  DeleteFileA(report.c_str());
  std::string cmd = "\"" + Here() + "\\crash_child.exe\" " + op + " \"" + dir + "\" " + std::to_string(n) + " \"" +
                    report + "\"";
  if (!importFile.empty()) cmd += " \"" + importFile + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ChildRun run{~DWORD{0}, {}};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) return run;
  if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_TIMEOUT) {
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 5000);
  } else {
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  run.report = RawRead(report);
  return run;
}

struct Scenario {
  const char* name;
  const char* op;
  Files before;                        // the folder before the operation
  Accounts old, changed;               // what a start finds without and with the change
  std::set<std::string> newOnlyLines;  // log lines written only once the change is in
  std::set<std::string> otherLines;    // log lines a start or the operation may add anyway
};

class CrashPoints : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The table before: three accounts, added by the program's own calls to an empty table
    // whose key takes the fewest iterations a table may have: each of the hundred children
    // opens it in a moment. The points are about the file calls, which are the same.
    TempDir scratch;
    const AccountStore store = StoreAt(scratch.path(), false);
    TableKeyParams quick = NewTableKeyParams();
    quick.iterations = kMinKdfIterations;
    const std::optional<std::string> empty =
        SealTableFile(EmptyTablePayload(AccountTableFields()).value_or(""), kAccountTableAccessPassword, quick);
    ASSERT_TRUE(empty && RawWrite(store.table_path, *empty));
    for (const Account& a : Three()) ASSERT_EQ(AddAccount(store, a[0], a[1], a[2], a[3]), TableOutcome::kOpened);
    table_ = new std::string(RawRead(store.table_path));
  }
  static void TearDownTestSuite() {
    delete table_;
    table_ = nullptr;
  }

  static Accounts Three() {
    return {{"12345", "Mail", "bob", "Secret-9"},
            {"23456", "\xCD\xF8\xD2\xF8", "alice", "pw2"},  // "网银"
            {"34567", "Web", "carol", ""}};
  }
  static std::string EarlierLog() {
    return "20240101120000 ---> Data Create\r\n20240101120105 ---> Add Data 12345\r\n";
  }

  // Runs the operation to its end, killed at every call on the way; the calls it made.
  int CrashEverywhere(const Scenario& s, const std::string& importFile = "") {
    TempDir dir, side;
    const std::string report = side.path() + "\\report.txt";
    for (int n = 1; n < 1000; ++n) {
      PutFiles(dir.path(), s.before);
      const ChildRun run = RunChild(s.op, dir.path(), n, report, importFile);
      const bool crashed = run.exitCode == kCrashExitCode;
      if (!crashed) {
        EXPECT_EQ(run.exitCode, 0u) << s.name << " at " << n << ": the child failed";
        EXPECT_EQ(run.report.rfind("done " + std::to_string(n - 1) + " ", 0), 0u) << run.report;
        std::printf("[ %s ] %d crash points:\n%s", s.name, n - 1, run.report.substr(run.report.find('\n') + 1).c_str());
      }
      const std::string where = std::string(s.name) + (crashed ? ", killed before call " + run.report : ", run to its end");
      Check(s, dir.path(), crashed, where);
      if (!crashed || ::testing::Test::HasFailure()) return n - 1;
    }
    ADD_FAILURE() << s.name << ": no end";
    return 0;
  }

  static void Check(const Scenario& s, const std::string& dir, bool crashed, const std::string& where) {
    const Files left = FilesIn(dir);
    Accounts seen;
    const TableOutcome started = StartUp(dir, seen);
    ASSERT_TRUE(Succeeded(started)) << where << ": the start found outcome " << static_cast<int>(started);
    const bool isOld = Same(seen, s.old), isNew = Same(seen, s.changed);
    ASSERT_TRUE(isOld || isNew) << where << ": " << seen.size() << " accounts, neither the old nor the new ones";
    if (!crashed) {
      EXPECT_TRUE(isNew) << where << ": completed without its change";
    }
    std::set<Text> pids;
    for (const Account& a : seen) pids.insert(a[0]);
    EXPECT_EQ(pids.size(), seen.size()) << where << ": a PID twice";

    // Every file that was there before is still there, under its name or kept aside.
    const Files after = FilesIn(dir);
    for (const auto& [name, bytes] : s.before) {
      if (name == kTable || name == kLog) continue;
      bool kept = false;
      for (const auto& [n, b] : after) kept = kept || b == bytes;
      EXPECT_TRUE(kept) << where << ": " << name << " is lost";
    }
    // A table the operation or the crash left in a temp file is never thrown away either.
    for (const auto& [name, bytes] : left) {
      if (name == kTable || name == kLog || !(name.rfind("UserData.", 0) == 0) || s.before.count(name)) continue;
      if (after.count(kTable) && after.at(kTable) == bytes) continue;
      bool kept = false;
      for (const auto& [n, b] : after) kept = kept || (b == bytes && n != kTemp);
      // The temp file of a replace that did not happen beside a table that opened: the next
      // write takes its place; only a start that found no table must keep it.
      if (!kept && !left.count(kTable)) ADD_FAILURE() << where << ": " << name << " is lost";
    }

    // The log: the earlier bytes as they were, then whole lines of this operation.
    const std::string log = after.count(kLog) ? after.at(kLog) : "";
    const std::string earlier = s.before.count(kLog) ? s.before.at(kLog) : "";
    ASSERT_EQ(log.substr(0, earlier.size()), earlier) << where << ": the log's earlier lines changed";
    static const std::regex line("\\d{14} ---> ([^\\r\\n]*)\\r\\n");
    std::map<std::string, int> added;
    std::smatch m;
    for (auto at = log.cbegin() + static_cast<ptrdiff_t>(earlier.size()); at != log.cend(); at = m[0].second) {
      if (!std::regex_search(at, log.cend(), m, line, std::regex_constants::match_continuous)) {
        ADD_FAILURE() << where << ": a broken line in the log: " << std::string(at, log.cend());
        break;
      }
      ++added[m[1].str()];
    }
    for (const auto& [message, count] : added) {
      const bool newOnly = s.newOnlyLines.count(message) != 0;
      EXPECT_TRUE(newOnly || s.otherLines.count(message)) << where << ": log line \"" << message << "\"";
      if (newOnly) {
        EXPECT_TRUE(isNew) << where << ": \"" << message << "\" logged, but the change is not in the table";
        EXPECT_EQ(count, 1) << where << ": \"" << message << "\" logged " << count << " times";
      }
    }

    // And the program goes on: the next change goes in.
    const AccountStore store = StoreAt(dir, false);
    ASSERT_EQ(AddAccount(store, "99999", "Next", "next", "pw"), TableOutcome::kOpened) << where;
    Accounts next;
    ASSERT_EQ(StartUp(dir, next), TableOutcome::kOpened) << where;
    EXPECT_EQ(next.size(), seen.size() + 1) << where;
  }

  static std::string* table_;
};

std::string* CrashPoints::table_ = nullptr;

TEST_F(CrashPoints, AddDeleteAndImportKilledAtEveryCallLeaveTheOldOrTheNewAccounts) {
  const Files before = {{kTable, *table_}, {kLog, EarlierLog()}};
  const auto started = std::chrono::steady_clock::now();

  Accounts added = Three();
  added.push_back({"54321", "New", "newuser", "newpw"});
  const int add = CrashEverywhere({"add one account", "add", before, Three(), added, {"Add Data 54321"}, {}});

  Accounts deleted = Three();
  deleted.erase(deleted.begin() + 1);
  const int del = CrashEverywhere({"delete one account", "delete", before, Three(), deleted, {"Del Data 23456"}, {}});

  TempDir files;
  const std::string importFile = files.path() + "\\accounts.txt";
  std::string text;
  Accounts imported = Three();
  for (int i = 0; i < 1000; ++i) {
    const std::string n = std::to_string(i);
    text += "name" + n + "----user" + n + "----pass" + n + "\r\n";
    imported.push_back({"", "name" + n, "user" + n, "pass" + n});
  }
  ASSERT_TRUE(RawWrite(importFile, text));
  const int import = CrashEverywhere(
      {"import 1000 lines", "import", before, Three(), imported, {"Importing Data 1000"}, {}}, importFile);

  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("crash points: add %d, delete %d, import %d, in %.1f s\n", add, del, import, seconds);
  EXPECT_GT(add, 5);
  EXPECT_GT(del, 5);
  EXPECT_GT(import, 5);
}

TEST_F(CrashPoints, AStartKilledWhileItRecoversALeftOverTableLosesNeitherTheTableNorTheLeftOver) {
  const auto started = std::chrono::steady_clock::now();
  // The table missing and the whole table in the temp file of a replace cut short: it is put
  // in place whenever the start is killed.
  const int whole = CrashEverywhere({"start with a whole table in the temp file",
                                     "start",
                                     {{kTemp, *table_}, {kLog, EarlierLog()}},
                                     Three(),
                                     Three(),
                                     {},
                                     {"Data Recovered"}});
  // Half a table in the temp file, and an earlier left-over already kept aside: the half is
  // kept under the next free name, a new empty table is made (and recovered when the start
  // was killed between writing it and moving it in place).
  const int broken = CrashEverywhere({"start with half a table in the temp file",
                                      "start",
                                      {{kTemp, table_->substr(0, table_->size() / 2)},
                                       {"UserData.e~1", "kept aside by an earlier start"},
                                       {kLog, EarlierLog()}},
                                      {},
                                      {},
                                      {},
                                      {"Data Create", "Data Recovered"}});
  // Both: half a table in the temp file, the whole one in the ".tmp" file of earlier
  // versions. The half is kept aside, the whole one put in place.
  const int both = CrashEverywhere({"start with half a table in the temp file, the whole one in the .tmp file",
                                    "start",
                                    {{kTemp, table_->substr(0, table_->size() / 2)},
                                     {"UserData.edb.tmp", *table_},
                                     {kLog, EarlierLog()}},
                                    Three(),
                                    Three(),
                                    {},
                                    {"Data Recovered"}});
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("crash points: recovery of a whole table %d, of a broken one %d, of both %d, in %.1f s\n", whole,
              broken, both, seconds);
  EXPECT_GT(whole, 3);
  EXPECT_GT(broken, 10);
  EXPECT_GT(both, 10);
}

}  // namespace
