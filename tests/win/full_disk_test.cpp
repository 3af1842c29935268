// A disk that runs full: the folder is a small file system of its own (wine/folders/full,
// made by the test bench), filled up to the last few KiB. Every change of the table and every
// export, tried with 0, 4, 8, ... KiB left, either goes in whole or fails as "disk full" with
// the files exactly as they were; once there is room the same step goes in.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "base/encoding_win.h"
#include "exchange/account_file.h"
#include "exchange/import_lines.h"
#include "store/account_table.h"
#include "store/activity_log_win.h"
#include "store/file_system_win.h"
#include "tests/win/test_util.h"

using namespace quorrel;

namespace {


constexpr char kFiller[] = "filler.bin";
constexpr ULONGLONG kPage = 4096;

std::string Here() {
  char self[MAX_PATH] = {};
  std::string path(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
  return path.substr(0, path.find_last_of('\\'));
}

ULONGLONG FreeBytes(const std::string& dir) {
  ULARGE_INTEGER free{};
  return GetDiskFreeSpaceExA((dir + "\\").c_str(), &free, nullptr, nullptr) ? free.QuadPart : 0;
}

// The folder's files but the program and the filler.
Files FilesOf(const std::string& dir) { return FilesIn(dir, {"Quorrel.exe", kFiller}); }

// The small file system, emptied but for the program; skipped where the bench could not make it.
class FullDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string folders = Here() + "\\wine\\folders";
    if (std::ifstream why(folders + "\\full.skip"); why) {
      std::string reason;
      std::getline(why, reason);
      GTEST_SKIP() << reason;
    }
    dir_ = folders + "\\full";
    ASSERT_NE(GetFileAttributesA((dir_ + "\\Quorrel.exe").c_str()), INVALID_FILE_ATTRIBUTES) << dir_;
    Empty();
  }
  void TearDown() override {
    if (!dir_.empty()) Empty();
  }
  void Empty() const {
    for (const auto& [name, bytes] : FilesOf(dir_)) DeleteFileA((dir_ + "\\" + name).c_str());
    DeleteFileA((dir_ + "\\" + kFiller).c_str());
  }
  void Put(const Files& files) const {
    Empty();
    for (const auto& [name, bytes] : files) ASSERT_TRUE(RawWrite(dir_ + "\\" + name, bytes)) << name;
  }
  // Fills the disk until exactly room bytes are left.
  void Leave(ULONGLONG room) const {
    const std::string filler = dir_ + "\\" + kFiller;
    DeleteFileA(filler.c_str());
    const ULONGLONG free = FreeBytes(dir_);
    ASSERT_GE(free, room);
    UniqueFile f(CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(f);
    const std::string zeros(64 * 1024, '\0');
    for (ULONGLONG left = free - room; left > 0;) {
      const DWORD want = static_cast<DWORD>(std::min<ULONGLONG>(left, zeros.size()));
      DWORD put = 0;
      ASSERT_TRUE(::WriteFile(f.get(), zeros.data(), want, &put, nullptr) && put == want) << left;
      left -= put;
    }
    f.reset();
    ASSERT_EQ(FreeBytes(dir_), room);
  }
  void MakeRoom() const { DeleteFileA((dir_ + "\\" + kFiller).c_str()); }

  AccountStore Store() const {
    static Win32FileSystem fs;
    AccountStore store;
    store.table_path = dir_ + "\\" + kAccountTableFileName;
    store.fs = &fs;
    store.log = [dir = dir_](std::string_view line) { WriteActivityLog(dir, line); };
    store.draw = ProcessDraw();
    return store;
  }

  std::string dir_;
};

// A table of 200 accounts (about 10 KiB: a replace that runs out of room half-way), one of
// them 23456, with the log of its making.
Files TableOf200() {
  TempDir scratch;
  AccountStore store;
  Win32FileSystem fs;
  store.table_path = scratch.path() + "\\UserData.edb";
  store.fs = &fs;
  store.draw = ProcessDraw();
  EXPECT_EQ(CreateAccountTable(store), TableOutcome::kCreated);
  EXPECT_EQ(AddAccount(store, "23456", "Mail", "bob", "Secret-9"), TableOutcome::kOpened);
  std::vector<AccountRecord> more(199);
  for (size_t i = 0; i < more.size(); ++i) {
    more[i].name = "account " + std::to_string(i);
    more[i].user = "user" + std::to_string(i) + "@example.com";
    more[i].password = SecretText("password-" + std::to_string(i));
  }
  EXPECT_EQ(AddAccountsWithNewPids(store, more), TableOutcome::kOpened);
  return {{"UserData.edb", RawRead(store.table_path)}};
}

// Whole lines that end 10 bytes short of a page: the next line does not fit in the page
// that the log already has.
std::string EarlierLog() {
  std::string log = "20240101120000 ---> Data Create\r\n";
  while (log.size() + 36 + 32 <= kPage - 10) log += "20240101120105 ---> Add Data 12345\r\n";
  return log + "20240101120106 ---> Del Data " + std::string(kPage - 10 - log.size() - 31, '1') + "\r\n";
}

// Whether text is nothing but log lines.
bool WholeLines(const std::string& text) {
  static const std::regex lines("(\\d{14} ---> [^\\r\\n]*\\r\\n)*");
  return std::regex_match(text, lines);
}

int Count(const AccountStore& store) {
  int n = 0;
  EXPECT_TRUE(Succeeded(ForEachAccount(store, [&](int, const AccountRecord&) { ++n; })));
  return n;
}

}  // namespace

TEST_F(FullDisk, EveryChangeGoesInWholeOrFailsAsDiskFullWithTheFilesAsTheyWere) {
  const Files table = TableOf200();
  std::string import;
  for (int i = 0; i < 1000; ++i) import += "name" + std::to_string(i) + "----user----pass\r\n";
  struct Case {
    const char* name;
    Files before;
    int accountsAfter;
    std::function<TableOutcome(const AccountStore&)> run;
  };
  const Case cases[] = {
      {"add", table, 201, [](const AccountStore& s) { return AddAccount(s, "54321", "New", "user", "pw"); }},
      {"delete", table, 199, [](const AccountStore& s) { return DeleteAccountByPid(s, "23456").outcome; }},
      {"import 1000 lines", table, 1200,
       [&](const AccountStore& s) { return ImportAccountText(s, import, SystemCodePage()).outcome; }},
      // The first start makes the table; a start after a replace cut short puts the temp file in place.
      {"first start", {}, 0, [](const AccountStore& s) { return ForEachAccount(s, {}); }},
      {"start with the table in its temp file", {{"UserData.ed~", table.at("UserData.edb")}}, 200,
       [](const AccountStore& s) { return ForEachAccount(s, {}); }},
  };
  for (const Case& c : cases) {
    Files before = c.before;
    before["Quorrel Log.log"] = EarlierLog();
    ASSERT_EQ(before["Quorrel Log.log"].size(), kPage - 10);
    const bool change = c.before.count("UserData.edb") != 0;
    int rooms = 0;
    for (ULONGLONG room = 0;; room += kPage, ++rooms) {
      ASSERT_LT(room, 256 * kPage) << c.name << ": never went in";
      Put(before);
      Leave(room);
      const TableOutcome outcome = c.run(Store());
      Files after = FilesOf(dir_);
      MakeRoom();
      const std::string at = std::string(c.name) + " with " + std::to_string(room) + " bytes left";
      // The log: its earlier bytes, then whole lines or nothing.
      const std::string log = after["Quorrel Log.log"];
      EXPECT_EQ(log.substr(0, kPage - 10), EarlierLog()) << at << ": the log's earlier lines";
      const std::string added = log.substr(std::min<size_t>(log.size(), kPage - 10));
      EXPECT_TRUE(WholeLines(added)) << at << ": a broken log line: \"" << added << "\"";
      if (Succeeded(outcome)) {
        EXPECT_EQ(Count(Store()), c.accountsAfter) << c.name;
        EXPECT_EQ(after.count("UserData.ed~"), 0u) << c.name;
        break;
      }
      // Told as a full disk, also a start that could make no table: room is all it takes.
      EXPECT_EQ(outcome, TableOutcome::kDiskFull) << at;
      // Nothing changed, nothing left behind; only a start may have logged that it tried.
      if (!change) after["Quorrel Log.log"] = EarlierLog();
      EXPECT_EQ(after, before) << at << ": the files changed";
      if (HasFailure()) return;
    }
    if (rooms == 0) std::printf("[ %s ] went in with 0 KiB left\n", c.name);
    else std::printf("[ %s ] failed with 0 to %d KiB left, went in with %d KiB\n", c.name, (rooms - 1) * 4, rooms * 4);
  }
}


TEST_F(FullDisk, AnExportToAFullDesktopSaysSoAndKeepsTheEarlierFile) {
  DesktopAt desktop(AnsiToWide(dir_));
  ASSERT_TRUE(desktop.active());
  wchar_t shown[MAX_PATH] = {};
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, shown), S_OK);
  ASSERT_EQ(WideToAnsi(shown), dir_) << "the desktop was not moved";
  const std::string file = dir_ + "\\#Mail bob.Pw";
  ASSERT_EQ(WriteAccountFile("#Mail bob", "bob", "old password"), ExportOutcome::kWritten);
  const std::string earlier = RawRead(file);
  ASSERT_EQ(ReadAccountFile(file), "bob----old password");

  Leave(0);
  EXPECT_EQ(WriteAccountFile("#Mail bob", "bob", "the new password"), ExportOutcome::kDiskFull);
  EXPECT_EQ(RawRead(file), earlier);
  EXPECT_EQ(FilesOf(dir_), (Files{{"#Mail bob.Pw", earlier}})) << "a temp file was left";
  EXPECT_NE(ExportOutcomeText(ExportOutcome::kDiskFull).find("磁盘"), std::string::npos);

  MakeRoom();
  EXPECT_EQ(WriteAccountFile("#Mail bob", "bob", "the new password"), ExportOutcome::kWritten);
  EXPECT_EQ(ReadAccountFile(file), "bob----the new password");
}
