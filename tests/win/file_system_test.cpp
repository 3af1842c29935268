#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "store/file_system_win.h"
#include "tests/win/test_util.h"
#include "base/encoding_win.h"

using namespace quorrel;

namespace {

bool PathPresent(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Holds path open without any sharing, as a scanner or a backup tool would, for ms.
class ExclusiveHold {
 public:
  ExclusiveHold(const std::string& path, DWORD ms)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {
    if (handle_) releaser_ = std::thread([this, ms] { Sleep(ms), handle_.reset(); });
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
  const std::string table_ = Path("UserData.edb");
};

}  // namespace

TEST_F(FileSystemTest, ReplaceOverALeftoverTempThenReadRemoveAndGbkNames) {
  const std::string temp = ReplaceTempPath(table_);
  ASSERT_TRUE(RawWrite(temp, "half-written table of a crashed run"));
  SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(fs_.ReadFile(table_).has_value());
  EXPECT_FALSE(fs_.Exists(table_));

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
  EXPECT_FALSE(fs_.Exists(table_));
  EXPECT_TRUE(fs_.Remove(table_));                     // never there: also gone
  EXPECT_TRUE(fs_.Remove(Path("no folder\\x.edb")));  // likewise

  const std::string folder = Path(Utf8ToAnsi("账号 数据"));
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  // The second byte of 乗 in GBK is 0x5C, the backslash.
  const std::string gbkTable = folder + "\\" + Utf8ToAnsi("表格乗.edb");
  ASSERT_TRUE(fs_.WriteReplace(gbkTable, Utf8ToAnsi("密码添加")));
  EXPECT_EQ(fs_.ReadFile(gbkTable), Utf8ToAnsi("密码添加"));
  // The name on disk is the Chinese one, not the bytes misread in another code page.
  WIN32_FIND_DATAW found{};
  HANDLE h = FindFirstFileW((AnsiToWide(folder) + L"\\*.edb").c_str(), &found);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FindClose(h);
  EXPECT_EQ(std::wstring(found.cFileName), Utf8ToWide("表格乗.edb"));
  EXPECT_TRUE(fs_.Remove(gbkTable));
  EXPECT_FALSE(fs_.Exists(gbkTable));
}

TEST_F(FileSystemTest, MissingFolderDirectoryOrReadOnlyTableFailAtOnceLeavingNothing) {
  const std::string lost = Path("gone\\UserData.edb");
  ASSERT_TRUE(CreateDirectoryA(Path("dir.edb").c_str(), nullptr));
  ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(fs_.WriteReplace(lost, "x"));
  EXPECT_FALSE(fs_.ReadFile(lost).has_value());
  EXPECT_FALSE(fs_.ReadFile(Path("dir.edb")).has_value());
  EXPECT_FALSE(fs_.WriteReplace(Path("dir.edb"), "x"));
  EXPECT_FALSE(fs_.Remove(Path("dir.edb")));
  EXPECT_LT(Elapsed(start), 800u);
  EXPECT_FALSE(PathPresent(Path("gone")));
  EXPECT_TRUE(GetFileAttributesA(Path("dir.edb").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(PathPresent(ReplaceTempPath(Path("dir.edb"))));

  // Windows refuses to rename over a read-only file; whichever way the system answers,
  // the table holds one whole content and no temp file stays behind.
  ASSERT_TRUE(RawWrite(table_, "kept"));
  SetFileAttributesA(table_.c_str(), FILE_ATTRIBUTE_READONLY);
  start = GetTickCount64();
  bool replaced = fs_.WriteReplace(table_, "new");
  ULONGLONG took = Elapsed(start);
  std::printf("[   info   ] replace over a read-only table: %s\n", replaced ? "replaced" : "refused");
  EXPECT_EQ(RawRead(table_), replaced ? "new" : "kept");
  if (!replaced) {
    EXPECT_LT(took, 500u);
  }
  EXPECT_EQ(fs_.ReadFile(table_), RawRead(table_));
  EXPECT_FALSE(PathPresent(ReplaceTempPath(table_)));
}

TEST_F(FileSystemTest, BriefLocksAreWaitedOut) {
  ASSERT_TRUE(RawWrite(table_, "old"));
  {
    ExclusiveHold hold(table_, 300);
    ASSERT_TRUE(hold.held());
    ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(fs_.WriteReplace(table_, "new content"));
    ULONGLONG took = Elapsed(start);
    EXPECT_GE(took, 200u);
    EXPECT_LT(took, 1400u);
    std::printf("[   info   ] replace behind a 300 ms lock took %llu ms\n", took);
  }
  EXPECT_EQ(RawRead(table_), "new content");
  EXPECT_FALSE(PathPresent(ReplaceTempPath(table_)));
  {
    ExclusiveHold hold(table_, 300);
    ASSERT_TRUE(hold.held());
    EXPECT_EQ(fs_.ReadFile(table_), "new content");
  }
  UniqueFile locker(CreateFileA(table_.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(locker);
  ASSERT_TRUE(LockFile(locker.get(), 0, 0, 100, 0));  // a byte range, as another reader might
  std::thread unlock([&] { Sleep(300), UnlockFile(locker.get(), 0, 0, 100, 0), locker.reset(); });
  EXPECT_EQ(fs_.ReadFile(table_), "new content");
  unlock.join();
}

TEST_F(FileSystemTest, LongLocksGiveUpAfterTheBudgetLeavingEverythingAsItWas) {
  const std::string old("old table \0 bytes", 17);
  ASSERT_TRUE(RawWrite(table_, old));
  {
    ExclusiveHold hold(table_, 3000);
    ASSERT_TRUE(hold.held());
    ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(fs_.WriteReplace(table_, "new content that must not land"));
    ULONGLONG took = Elapsed(start);
    EXPECT_GE(took, 1400u);
    EXPECT_LT(took, 2500u);
    std::printf("[   info   ] replace behind a 3 s lock gave up after %llu ms\n", took);
    EXPECT_FALSE(PathPresent(ReplaceTempPath(table_)));
  }
  EXPECT_EQ(RawRead(table_), old);

  {
    Win32FileSystem impatient(LockRetryPolicy{100, 10, 40});
    ExclusiveHold hold(table_, 1500);
    ASSERT_TRUE(hold.held());
    ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(impatient.ReadFile(table_).has_value());
    EXPECT_FALSE(impatient.WriteReplace(table_, "new"));
    ULONGLONG took = Elapsed(start);
    EXPECT_GE(took, 180u);
    EXPECT_LT(took, 900u);
  }
  EXPECT_EQ(RawRead(table_), old);
  EXPECT_FALSE(PathPresent(ReplaceTempPath(table_)));
}
