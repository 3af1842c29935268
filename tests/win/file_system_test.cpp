#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "store/file_system_win.h"
#include "tests/win/test_util.h"
#include "ui/toolkit/encoding_win.h"
#include "ui/toolkit/handles_win.h"

using namespace quorrel;

namespace {


bool PathPresent(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Holds path open without any sharing, as a scanner or a backup tool would, and lets go
// after ms from a second thread.
class ExclusiveHold {
 public:
  ExclusiveHold(const std::string& path, DWORD ms)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {
    if (handle_) releaser_ = std::thread([this, ms] {
        Sleep(ms);
        handle_.reset();
      });
  }
  ~ExclusiveHold() {
    if (releaser_.joinable()) releaser_.join();
  }
  bool held() const { return static_cast<bool>(handle_); }

 private:
  UniqueFile handle_;
  std::thread releaser_;
};

ULONGLONG Elapsed(ULONGLONG since) { return GetTickCount64() - since; }

class FileSystemTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.path() + "\\" + name; }
  TempDir dir_;
  Win32FileSystem fs_;
};

}  // namespace

TEST_F(FileSystemTest, WriteReadReplaceAndRemove) {
  const std::string table = Path("UserData.edb");
  EXPECT_FALSE(fs_.Exists(table));
  EXPECT_FALSE(fs_.ReadFile(table).has_value());

  std::string binary("\0\x01\xFF\r\n\x1A tail", 11);
  binary += std::string(300000, 'q');  // several read chunks
  ASSERT_TRUE(fs_.WriteReplace(table, binary));
  EXPECT_TRUE(fs_.Exists(table));
  EXPECT_EQ(fs_.ReadFile(table), binary);
  EXPECT_FALSE(PathPresent(ReplaceTempPath(table)));

  ASSERT_TRUE(fs_.WriteReplace(table, "short"));
  EXPECT_EQ(fs_.ReadFile(table), "short");
  ASSERT_TRUE(fs_.WriteReplace(table, ""));
  EXPECT_EQ(fs_.ReadFile(table), "");

  EXPECT_TRUE(fs_.Remove(table));
  EXPECT_FALSE(fs_.Exists(table));
  EXPECT_TRUE(fs_.Remove(table));                     // never there: also gone
  EXPECT_TRUE(fs_.Remove(Path("no folder\\x.edb")));  // likewise
}

TEST_F(FileSystemTest, LeftoverTempIsOverwrittenAndNeverReadAsTheTable) {
  const std::string table = Path("UserData.edb");
  const std::string temp = ReplaceTempPath(table);
  ASSERT_TRUE(RawWrite(temp, "half-written table of a crashed run"));
  SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_READONLY);

  EXPECT_FALSE(fs_.ReadFile(table).has_value());
  EXPECT_FALSE(fs_.Exists(table));
  ASSERT_TRUE(fs_.WriteReplace(table, "fresh"));
  EXPECT_EQ(RawRead(table), "fresh");
  EXPECT_FALSE(PathPresent(temp));
}

TEST_F(FileSystemTest, MissingFolderFailsCleanlyAndAtOnce) {
  const std::string table = Path("gone\\UserData.edb");
  ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(fs_.WriteReplace(table, "x"));
  EXPECT_FALSE(fs_.ReadFile(table).has_value());
  EXPECT_LT(Elapsed(start), 500u);
  EXPECT_FALSE(PathPresent(Path("gone")));
}

TEST_F(FileSystemTest, DirectoryInThePlaceOfTheFileIsNotWaitedFor) {
  const std::string table = Path("UserData.edb");
  ASSERT_TRUE(CreateDirectoryA(table.c_str(), nullptr));
  ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(fs_.ReadFile(table).has_value());
  EXPECT_FALSE(fs_.WriteReplace(table, "x"));
  EXPECT_FALSE(fs_.Remove(table));
  EXPECT_LT(Elapsed(start), 500u);
  EXPECT_TRUE(GetFileAttributesA(table.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(PathPresent(ReplaceTempPath(table)));
}

TEST_F(FileSystemTest, GbkPathNames) {
  const std::string folder = Path(Utf8ToAnsi("账号 数据"));
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  // The second byte of 乗 in GBK is 0x5C, the backslash.
  const std::string table = folder + "\\" + Utf8ToAnsi("表格乗.edb");
  const std::string gbk = Utf8ToAnsi("密码添加");
  ASSERT_TRUE(fs_.WriteReplace(table, gbk));
  EXPECT_EQ(fs_.ReadFile(table), gbk);

  // The name on disk is the Chinese one, not the bytes misread in another code page.
  WIN32_FIND_DATAW found{};
  HANDLE h = FindFirstFileW((AnsiToWide(folder) + L"\\*.edb").c_str(), &found);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FindClose(h);
  EXPECT_EQ(std::wstring(found.cFileName), Utf8ToWide("表格乗.edb"));
  EXPECT_TRUE(fs_.Remove(table));
  EXPECT_FALSE(fs_.Exists(table));
}

TEST_F(FileSystemTest, BriefLockIsWaitedOut) {
  const std::string table = Path("UserData.edb");
  ASSERT_TRUE(RawWrite(table, "old"));
  {
    ExclusiveHold hold(table, 300);
    ASSERT_TRUE(hold.held());
    ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(fs_.WriteReplace(table, "new content"));
    ULONGLONG took = Elapsed(start);
    EXPECT_GE(took, 200u);
    EXPECT_LT(took, 1400u);
    std::printf("[   info   ] replace behind a 300 ms lock took %llu ms\n", took);
  }
  EXPECT_EQ(RawRead(table), "new content");
  EXPECT_FALSE(PathPresent(ReplaceTempPath(table)));

  {
    ExclusiveHold hold(table, 300);
    ASSERT_TRUE(hold.held());
    EXPECT_EQ(fs_.ReadFile(table), "new content");
  }
}

TEST_F(FileSystemTest, ByteRangeLockIsWaitedOutByTheReader) {
  const std::string table = Path("UserData.edb");
  ASSERT_TRUE(RawWrite(table, "locked bytes"));
  UniqueFile locker(CreateFileA(table.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(locker);
  ASSERT_TRUE(LockFile(locker.get(), 0, 0, 100, 0));
  std::thread unlock([&] {
    Sleep(300);
    UnlockFile(locker.get(), 0, 0, 100, 0);
    locker.reset();
  });
  EXPECT_EQ(fs_.ReadFile(table), "locked bytes");
  unlock.join();
}

TEST_F(FileSystemTest, LongLockGivesUpAfterTheBudgetLeavingEverythingAsItWas) {
  const std::string table = Path("UserData.edb");
  const std::string old("old table \0 bytes", 17);
  ASSERT_TRUE(RawWrite(table, old));
  {
    ExclusiveHold hold(table, 3000);
    ASSERT_TRUE(hold.held());
    ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(fs_.WriteReplace(table, "new content that must not land"));
    ULONGLONG took = Elapsed(start);
    EXPECT_GE(took, 1400u);
    EXPECT_LT(took, 2500u);
    std::printf("[   info   ] replace behind a 3 s lock gave up after %llu ms\n", took);
    EXPECT_FALSE(PathPresent(ReplaceTempPath(table)));
  }
  EXPECT_EQ(RawRead(table), old);
  EXPECT_FALSE(PathPresent(ReplaceTempPath(table)));
}

TEST_F(FileSystemTest, RetryBudgetIsInjectable) {
  const std::string table = Path("UserData.edb");
  ASSERT_TRUE(RawWrite(table, "old"));
  Win32FileSystem impatient(LockRetryPolicy{100, 10, 40});
  ExclusiveHold hold(table, 1500);
  ASSERT_TRUE(hold.held());
  ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(impatient.ReadFile(table).has_value());
  EXPECT_FALSE(impatient.WriteReplace(table, "new"));
  ULONGLONG took = Elapsed(start);
  EXPECT_GE(took, 180u);
  EXPECT_LT(took, 900u);
  EXPECT_FALSE(PathPresent(ReplaceTempPath(table)));
}

TEST_F(FileSystemTest, ReadOnlyTableHoldsOneWholeContentWithoutWaiting) {
  const std::string table = Path("UserData.edb");
  ASSERT_TRUE(RawWrite(table, "kept"));
  SetFileAttributesA(table.c_str(), FILE_ATTRIBUTE_READONLY);
  ULONGLONG start = GetTickCount64();
  bool replaced = fs_.WriteReplace(table, "new");
  ULONGLONG took = Elapsed(start);
  // Windows refuses to rename over a read-only file; whichever way the system answers,
  // the table holds one whole content and no temp file stays behind.
  std::string now = RawRead(table);
  std::printf("[   info   ] replace over a read-only table: %s\n", replaced ? "replaced" : "refused");
  EXPECT_EQ(now, replaced ? "new" : "kept");
  if (!replaced) {
    EXPECT_LT(took, 500u);
  }
  EXPECT_EQ(fs_.ReadFile(table), now);
  EXPECT_FALSE(PathPresent(ReplaceTempPath(table)));
  SetFileAttributesA(table.c_str(), FILE_ATTRIBUTE_NORMAL);
}
