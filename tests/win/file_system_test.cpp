#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "base/encoding_win.h"
#include "store/account_table.h"
#include "store/file_system_win.h"
#include "store/memory_file_system.h"
#include "tests/win/test_util.h"

using namespace quorrel;

namespace {

bool PathPresent(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Holds path open without any sharing, as a scanner or a backup tool would, until released.
class ExclusiveHold {
 public:
  explicit ExclusiveHold(const std::string& path)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  bool held() const { return static_cast<bool>(handle_); }
  void Release() { handle_.reset(); }

 private:
  UniqueFile handle_;
};

// A sparse file of the given size (Wine and NTFS both leave the zeros unwritten).
bool MakeSparse(const std::string& path, LONGLONG size, const std::string& head = "") {
  UniqueFile f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD put = 0;
  if (!f || (!head.empty() && !::WriteFile(f.get(), head.data(), static_cast<DWORD>(head.size()), &put, nullptr)))
    return false;
  LARGE_INTEGER at;
  at.QuadPart = size;
  return SetFilePointerEx(f.get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(f.get());
}

class FileSystemTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.path() + "\\" + name; }
  // A file layer that counts its waits for locks, and runs onWait before each.
  Win32FileSystem Counting(DWORD budgetMs = 1500, std::function<void()> onWait = {}) {
    LockRetryPolicy policy;
    policy.budgetMs = budgetMs;
    policy.beforeWait = [this, onWait] {
      ++waits_;
      if (onWait) onWait();
    };
    return Win32FileSystem(policy);
  }
  TempDir dir_;
  Win32FileSystem fs_;
  int waits_ = 0;
  const std::string table_ = Path("UserData.edb");
};

}  // namespace

TEST_F(FileSystemTest, ReplaceOverALeftoverTempThenReadRemoveAndGbkNames) {
  const std::string temp = fs_.TempPath(table_);
  EXPECT_EQ(temp, Path("UserData.ed~"));  // as long as the table's own path, in its folder
  ASSERT_TRUE(RawWrite(temp, "half-written table of a crashed run"));
  SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(fs_.ReadFile(table_).has_value());
  EXPECT_EQ(fs_.Probe(table_), PathState::kAbsent);

  std::string binary("\0\x01\xFF\r\n\x1A tail", 11);
  binary += std::string(300000, 'q');  // several read chunks
  ASSERT_TRUE(fs_.WriteReplace(table_, binary));
  EXPECT_EQ(RawRead(table_), binary);
  EXPECT_EQ(fs_.ReadFile(table_), binary);
  EXPECT_FALSE(PathPresent(temp));
  for (const char* content : {"short", ""}) {
    ASSERT_TRUE(fs_.WriteReplace(table_, content));
    EXPECT_EQ(fs_.ReadFile(table_), content);
  }
  EXPECT_TRUE(fs_.Remove(table_));
  EXPECT_EQ(fs_.Probe(table_), PathState::kAbsent);
  EXPECT_TRUE(fs_.Remove(table_));                     // never there: also gone
  EXPECT_TRUE(fs_.Remove(Path("no folder\\x.edb")));  // likewise

  const std::string folder = Path(Utf8ToAnsi("账号 数据"));
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  // The second byte of 乗 in GBK is 0x5C, the backslash; a name ending in it keeps its folder.
  for (const char* name : {"表格乗.edb", "表格乗"}) {
    const std::string gbkTable = folder + "\\" + Utf8ToAnsi(name);
    ASSERT_TRUE(fs_.WriteReplace(gbkTable, Utf8ToAnsi("密码添加"))) << name;
    EXPECT_EQ(fs_.ReadFile(gbkTable), Utf8ToAnsi("密码添加"));
    EXPECT_LE(fs_.TempPath(gbkTable).size(), gbkTable.size());
    // The name on disk is the Chinese one, not the bytes misread in another code page.
    WIN32_FIND_DATAW found{};
    HANDLE h = FindFirstFileW((AnsiToWide(folder) + L"\\*").c_str(), &found);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::wstring names;
    do {
      names += std::wstring(found.cFileName) + L"|";
    } while (FindNextFileW(h, &found));
    FindClose(h);
    EXPECT_EQ(names.find(Utf8ToWide(name) + L"|") != std::wstring::npos, true) << WideToUtf8(names);
    EXPECT_EQ(names.find(L"~"), std::wstring::npos);  // no temp file stayed
    EXPECT_TRUE(fs_.Remove(gbkTable));
    EXPECT_EQ(fs_.Probe(gbkTable), PathState::kAbsent);
  }
}

// Only "no such file" and "no such folder" say a table is missing: any other answer may hide
// the user's table, which must then never be created over.
TEST_F(FileSystemTest, ProbeSaysMissingOnlyWhenTheSystemSaysSo) {
  ASSERT_TRUE(RawWrite(table_, "table"));
  ASSERT_TRUE(CreateDirectoryA(Path("dir.edb").c_str(), nullptr));
  EXPECT_EQ(fs_.Probe(table_), PathState::kPresent);
  EXPECT_EQ(fs_.Probe(Path("dir.edb")), PathState::kPresent);
  EXPECT_EQ(fs_.Probe(Path("missing.edb")), PathState::kAbsent);
  EXPECT_EQ(fs_.Probe(Path("gone\\UserData.edb")), PathState::kAbsent);
  {
    ExclusiveHold hold(table_);
    ASSERT_TRUE(hold.held());
    EXPECT_EQ(fs_.Probe(table_), PathState::kPresent);
  }
  // A server that does not answer and a name the system will not look up.
  EXPECT_EQ(fs_.Probe("\\\\nosuchserver\\share\\UserData.edb"), PathState::kUnknown);
  EXPECT_EQ(fs_.Probe(Path("a<b.edb")), PathState::kUnknown);

  // Nor is the table that cannot be checked created at a list fill.
  AccountStore store;
  store.fs = &fs_;
  store.table_path = Path("a<b.edb");
  EXPECT_EQ(ForEachAccount(store, nullptr), TableOutcome::kCannotOpen);
  EXPECT_EQ(CreateAccountTable(store), TableOutcome::kPresent);
}

TEST_F(FileSystemTest, CreatingAndMovingNeverReplaceAnything) {
  const std::string temp = fs_.TempPath(table_);
  ASSERT_TRUE(fs_.WriteNew(table_, "first"));
  EXPECT_FALSE(fs_.WriteNew(table_, "second"));
  EXPECT_EQ(RawRead(table_), "first");
  EXPECT_FALSE(PathPresent(temp));

  // A file at the temp name may be the only copy of a table: not ours to overwrite.
  ASSERT_TRUE(fs_.Remove(table_));
  ASSERT_TRUE(RawWrite(temp, "only copy"));
  EXPECT_FALSE(fs_.WriteNew(table_, "new"));
  EXPECT_EQ(RawRead(temp), "only copy");
  EXPECT_FALSE(PathPresent(table_));
  ASSERT_TRUE(fs_.MoveNew(temp, table_));
  EXPECT_EQ(RawRead(table_), "only copy");

  ASSERT_TRUE(RawWrite(Path("other"), "other"));
  EXPECT_FALSE(fs_.MoveNew(Path("other"), table_));
  EXPECT_EQ(RawRead(table_), "only copy");
  EXPECT_FALSE(fs_.WriteNew(Path("gone\\UserData.edb"), "x"));
  EXPECT_FALSE(PathPresent(Path("gone")));
}

TEST_F(FileSystemTest, MissingFolderDirectoryOrReadOnlyTableFailAtOnceLeavingNothing) {
  Win32FileSystem fs = Counting();
  const std::string lost = Path("gone\\UserData.edb");
  ASSERT_TRUE(CreateDirectoryA(Path("dir.edb").c_str(), nullptr));
  EXPECT_FALSE(fs.WriteReplace(lost, "x"));
  EXPECT_FALSE(fs.ReadFile(lost).has_value());
  EXPECT_FALSE(fs.ReadFile(Path("dir.edb")).has_value());
  EXPECT_FALSE(fs.WriteReplace(Path("dir.edb"), "x"));
  EXPECT_FALSE(fs.Remove(Path("dir.edb")));
  EXPECT_EQ(waits_, 0);  // none of these answers would change by waiting
  EXPECT_FALSE(PathPresent(Path("gone")));
  EXPECT_TRUE(GetFileAttributesA(Path("dir.edb").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(PathPresent(fs.TempPath(Path("dir.edb"))));

  // Someone made the table read-only: it is not replaced, as Windows itself refuses to
  // rename over a read-only file (Wine would allow it).
  ASSERT_TRUE(RawWrite(table_, "kept"));
  SetFileAttributesA(table_.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(fs.WriteReplace(table_, "new"));
  EXPECT_EQ(waits_, 0);
  EXPECT_EQ(RawRead(table_), "kept");
  EXPECT_EQ(fs.ReadFile(table_), "kept");
  EXPECT_FALSE(PathPresent(fs.TempPath(table_)));
}

// The times these waits take are measured by bench/win/file_lock_bench.
TEST_F(FileSystemTest, BriefLocksAreWaitedOut) {
  ASSERT_TRUE(RawWrite(table_, "old"));
  ExclusiveHold hold(table_);
  ASSERT_TRUE(hold.held());
  Win32FileSystem fs = Counting(1500, [&] { hold.Release(); });
  EXPECT_TRUE(fs.WriteReplace(table_, "new content"));
  EXPECT_EQ(waits_, 1);  // the lock ended during the first wait
  EXPECT_EQ(RawRead(table_), "new content");
  EXPECT_FALSE(PathPresent(fs.TempPath(table_)));

  ExclusiveHold again(table_);
  ASSERT_TRUE(again.held());
  Win32FileSystem reader = Counting(1500, [&] { again.Release(); });
  EXPECT_EQ(reader.ReadFile(table_), "new content");
  EXPECT_EQ(waits_, 2);

  UniqueFile locker(CreateFileA(table_.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(locker);
  ASSERT_TRUE(LockFile(locker.get(), 0, 0, 100, 0));  // a byte range, as another reader might
  Win32FileSystem rangeReader = Counting(1500, [&] {
    UnlockFile(locker.get(), 0, 0, 100, 0);
    locker.reset();
  });
  EXPECT_EQ(rangeReader.ReadFile(table_), "new content");
  EXPECT_EQ(waits_, 3);
}

TEST_F(FileSystemTest, LongLocksGiveUpAfterTheBudgetLeavingEverythingAsItWas) {
  const std::string old("old table \0 bytes", 17);
  ASSERT_TRUE(RawWrite(table_, old));
  ExclusiveHold hold(table_);  // held until the end of the test
  ASSERT_TRUE(hold.held());
  for (DWORD budget : {DWORD{1500}, DWORD{100}}) {
    waits_ = 0;
    Win32FileSystem fs = Counting(budget);
    EXPECT_FALSE(fs.WriteReplace(table_, "new content that must not land"));
    EXPECT_GE(waits_, 1) << budget;
    EXPECT_FALSE(PathPresent(fs.TempPath(table_)));
    waits_ = 0;
    EXPECT_FALSE(fs.ReadFile(table_).has_value());
    EXPECT_GE(waits_, 1) << budget;
  }
  hold.Release();
  EXPECT_EQ(RawRead(table_), old);
}

// A file near the old 256 MB read cap made a 32-bit process reserve as much again and throw;
// anything beyond kMaxTableFileBytes is now simply a file that does not open.
TEST_F(FileSystemTest, AFileBeyondTheSizeLimitDoesNotOpenAndIsNeverReplaced) {
  MemoryTableFileSystem made;
  TableContainer sealer(made);
  ASSERT_TRUE(sealer.Create("t", AccountTableFields(), kAccountTableAccessPassword));
  const std::string header = made.files["t"].substr(0, 48);

  AccountStore store;
  store.fs = &fs_;
  store.table_path = table_;
  for (LONGLONG size : {LONGLONG(kMaxTableFileBytes) + 1, LONGLONG{255} << 20}) {
    ASSERT_TRUE(MakeSparse(table_, size, header));
    EXPECT_FALSE(fs_.ReadFile(table_).has_value()) << size;
    EXPECT_EQ(fs_.Probe(table_), PathState::kPresent);
    TableContainer table(fs_);
    EXPECT_FALSE(OpenAccountTable(store, table));
    EXPECT_EQ(ForEachAccount(store, nullptr), TableOutcome::kCannotOpen);
    EXPECT_EQ(AddAccount(store, "12345", "n", "u", "p"), TableOutcome::kCannotOpen);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(table_.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ((LONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow, size);
  }
  ASSERT_TRUE(MakeSparse(table_, LONGLONG(kMaxTableFileBytes)));
  EXPECT_EQ(fs_.ReadFile(table_).value_or("").size(), kMaxTableFileBytes);
}
