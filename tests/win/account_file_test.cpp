#include "exchange/account_file.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "base/encoding_win.h"
#include "tests/win/test_util.h"

using namespace quorrel;

namespace {

std::wstring Desktop() {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path);
  return std::wstring(path) + L"\\";
}

std::string ReadWide(const std::wstring& path) {
  UniqueFile f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f) return "<missing>";
  std::string out(4096, '\0');
  DWORD got = 0;
  ::ReadFile(f.get(), out.data(), static_cast<DWORD>(out.size()), &got, nullptr);
  out.resize(got);
  return out;
}

class AccountFileExport : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = Utf8ToAnsi("#导出测试" + std::to_string(GetCurrentProcessId()) + " user");
    path_ = Desktop() + AnsiToWide(base_) + L".Pw";
    temp_ = path_.substr(0, path_.size() - 1) + L"~";
  }
  void TearDown() override {
    RemoveDirectoryW(temp_.c_str());
    DeleteFileW(temp_.c_str());
    DeleteFileW(path_.c_str());
  }
  std::string base_;
  std::wstring path_, temp_;
};

}  // namespace

TEST_F(AccountFileExport, ReplacesTheEarlierFileOnlyOnceTheNewOneIsWhole) {
  ASSERT_EQ(WriteAccountFile(base_, "user", "first"), ExportOutcome::kWritten);
  EXPECT_EQ(ParseAccountFileContent(ReadWide(path_)), "user----first");
  ASSERT_EQ(WriteAccountFile(base_, "user", "second"), ExportOutcome::kWritten);
  const std::string second = ReadWide(path_);
  EXPECT_EQ(ParseAccountFileContent(second), "user----second");
  EXPECT_EQ(GetFileAttributesW(temp_.c_str()), INVALID_FILE_ATTRIBUTES);

  // The temp name taken (here by a folder): the write fails before the earlier file is touched.
  ASSERT_TRUE(CreateDirectoryW(temp_.c_str(), nullptr));
  EXPECT_EQ(WriteAccountFile(base_, "user", "third"), ExportOutcome::kFailed);
  EXPECT_EQ(ReadWide(path_), second);

  // Names that are no file name once decoded, or do not decode at all.
  for (const char* bad : {"#a\\b", "#a/b", "CON", "#a\x81", "#\x81\x7F"}) {
    EXPECT_EQ(WriteAccountFile(bad, "user", "pw"), ExportOutcome::kBadName) << bad;
  }
  // A user name holding the separator would read back cut at it: refused. A password may
  // hold it: it is all that follows the user name's separator.
  EXPECT_EQ(WriteAccountFile(base_, "us----er", "pw"), ExportOutcome::kSeparatorInUser);
  EXPECT_EQ(ReadWide(path_), second);
  ASSERT_TRUE(RemoveDirectoryW(temp_.c_str()));
  ASSERT_EQ(WriteAccountFile(base_, "user", "pa----ss----"), ExportOutcome::kWritten);
  const AccountFileParts parts = SplitAccountFileInner(ParseAccountFileContent(ReadWide(path_)).view());
  EXPECT_EQ(parts.user.str(), "user");
  EXPECT_EQ(parts.password.str(), "pa----ss----");
}

TEST_F(AccountFileExport, WritesNothingWhenTheDesktopFolderCannotBeFound) {
  TempDir cwd;
  wchar_t before[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, before);
  ASSERT_TRUE(SetCurrentDirectoryA(cwd.path().c_str()));
  {
    DesktopAt gone(L"C:\\no such folder\\Desktop");  // a folder the shell cannot name
    ASSERT_TRUE(gone.active());
    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
    EXPECT_EQ(WriteAccountFile(base_, "user", "pw"), ExportOutcome::kNoDesktop);
  }
  SetCurrentDirectoryW(before);
  EXPECT_EQ(RawRead(cwd.path() + "\\" + base_ + ".Pw"), "<missing>");  // not the current folder
  EXPECT_EQ(ReadWide(path_), "<missing>");
}
