// Which words a failed write gets: the cause the program can see on the file decides the
// advice, and a read of the list the user did not ask for names the list's own button.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/encoding_win.h"
#include "store/config_file.h"
#include "store/table_messages_win.h"
#include "tests/win/temp_dir.h"

using namespace quorrel;

namespace {

bool Holds(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }
std::string Utf8Of(const std::wstring& text) { return WideToUtf8(text); }

}  // namespace

// A file marked read-only gets the steps that clear the mark; any other failed write (the
// folder under Program Files, for a program that asks for no administrator rights) gets the
// exit and a copy to a folder the user can write: clearing a mark that is not set helps nobody.
TEST(WriteAdvice, TheReadOnlyMarkAloneGetsTheReadOnlySteps) {
  TempDir dir;
  const std::string marked = dir.path() + "\\Config.ini", plain = dir.path() + "\\UserData.edb";
  const ConfigFile config(marked);
  ASSERT_TRUE(config.Write(kLaws, "Show"));
  // Windows refuses a write to the marked file; Wine run as root here writes it all the same,
  // so the choice is checked through its interface.
  ASSERT_TRUE(SetFileAttributesA(marked.c_str(), FILE_ATTRIBUTE_READONLY));
  HANDLE made = CreateFileA(plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(made, INVALID_HANDLE_VALUE);
  CloseHandle(made);

  const struct {
    std::string path;
    bool readOnly;
  } cases[] = {{marked, true}, {plain, false}, {dir.path() + "\\missing.ini", false}, {dir.path(), false}};
  for (const auto& c : cases) {
    const std::string advice = WriteAdviceFor(c.path, "点“设置完成”");
    EXPECT_EQ(Holds(advice, "只读"), c.readOnly) << c.path << ": " << advice;
    EXPECT_EQ(Holds(advice, "设置完成"), c.readOnly) << c.path << ": " << advice;
    EXPECT_EQ(Holds(advice, "复制到"), !c.readOnly) << c.path << ": " << advice;
    const std::string table = Utf8Of(TableOutcomeText(TableOutcome::kWriteFailed, c.path, "点“删除”"));
    EXPECT_EQ(Holds(table, "只读"), c.readOnly) << table;
  }
  SetFileAttributesA(marked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A change says which button tries it again; the start's read of the list says the accounts
// are still there and names the refresh; a full disk with no table yet says none was created,
// never that an absent table is unchanged.
TEST(TableMessages, EachSaysWhatToPressAndNeverDescribesATableThatIsNotThere) {
  TempDir dir;
  const std::string table = dir.path() + "\\UserData.edb", none = dir.path() + "\\missing\\UserData.edb";
  HANDLE made = CreateFileA(table.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(made, INVALID_HANDLE_VALUE);
  CloseHandle(made);
  const std::string folder = WideToUtf8(AnsiToWide(dir.path()));

  const std::string busy = Utf8Of(TableOutcomeText(TableOutcome::kBusy, table, "点“删除”"));
  EXPECT_TRUE(Holds(busy, "删除") && Holds(busy, "没有改动") && Holds(busy, folder.c_str())) << busy;
  const std::string listBusy = Utf8Of(ListReadText(TableOutcome::kBusy, table));
  EXPECT_TRUE(Holds(listBusy, "刷新") && Holds(listBusy, "都还在") && Holds(listBusy, folder.c_str())) << listBusy;

  const struct {
    std::string path;
    bool exists;
  } disks[] = {{table, true}, {none, false}};
  for (const auto& d : disks) {
    for (const std::string& text : {Utf8Of(TableOutcomeText(TableOutcome::kDiskFull, d.path, "点“添加”")),
                                    Utf8Of(ListReadText(TableOutcome::kDiskFull, d.path))}) {
      EXPECT_TRUE(Holds(text, "磁盘已满")) << text;
      EXPECT_EQ(Holds(text, "没有改动"), d.exists) << text;
      EXPECT_EQ(Holds(text, "无法创建"), !d.exists) << text;
    }
  }
  EXPECT_TRUE(Holds(Utf8Of(ListReadText(TableOutcome::kDiskFull, none)), "刷新"));
}
