// Which words a failed write gets: the cause the program can see on the file decides the
// advice, and a read of the list the user did not ask for names the list's own button.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/encoding_win.h"
#include "store/table_messages_win.h"
#include "tests/win/temp_dir.h"
#include "tests/win/test_util.h"

using namespace quorrel;

namespace {
bool Holds(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }
}  // namespace

// A file marked read-only gets the steps that clear the mark; any other failed write (the
// folder under Program Files, for a program that asks for no administrator rights) gets the
// exit and a copy to a folder the user can write: clearing a mark that is not set helps nobody.
// Windows refuses a write to the marked file; Wine run as root writes it all the same, so the
// choice is checked through its interface.
TEST(WriteAdvice, TheReadOnlyMarkAloneGetsTheReadOnlySteps) {
  TempDir dir;
  const std::string marked = dir.path() + "\\Config.ini", plain = dir.path() + "\\UserData.edb";
  ASSERT_TRUE(RawWrite(marked, "[Config]\r\n") && RawWrite(plain, ""));
  ASSERT_TRUE(SetFileAttributesA(marked.c_str(), FILE_ATTRIBUTE_READONLY));
  for (const auto& [path, readOnly] : {std::pair{marked, true}, {plain, false}, {dir.path() + "\\missing.ini", false},
                                       {dir.path(), false}}) {
    const std::string advice = WriteAdviceFor(path, "点“设置完成”");
    const std::string table = WideToUtf8(TableOutcomeText(TableOutcome::kWriteFailed, path, "点“删除”"));
    EXPECT_EQ((std::tuple{Holds(advice, "只读"), Holds(advice, "设置完成"), !Holds(advice, "复制到"), Holds(table, "只读")}),
              (std::tuple{readOnly, readOnly, readOnly, readOnly}))
        << path << ": " << advice << table;
  }
  SetFileAttributesA(marked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A change says which button tries it again; the start's read of the list says the accounts
// are still there and names the refresh; a full disk with no table yet says none was created,
// never that an absent table is unchanged.
TEST(TableMessages, EachSaysWhatToPressAndNeverDescribesATableThatIsNotThere) {
  TempDir dir;
  const std::string table = dir.path() + "\\UserData.edb", none = dir.path() + "\\missing\\UserData.edb";
  ASSERT_TRUE(RawWrite(table, ""));
  const std::string folder = WideToUtf8(AnsiToWide(dir.path()));
  const std::string busy = WideToUtf8(TableOutcomeText(TableOutcome::kBusy, table, "点“删除”"));
  EXPECT_TRUE(Holds(busy, "删除") && Holds(busy, "没有改动") && Holds(busy, folder.c_str())) << busy;
  const std::string listBusy = WideToUtf8(ListReadText(TableOutcome::kBusy, table));
  EXPECT_TRUE(Holds(listBusy, "刷新") && Holds(listBusy, "都还在") && Holds(listBusy, folder.c_str())) << listBusy;
  for (const auto& [path, exists] : {std::pair{table, true}, {none, false}})
    for (const std::string& text : {WideToUtf8(TableOutcomeText(TableOutcome::kDiskFull, path, "点“添加”")),
                                    WideToUtf8(ListReadText(TableOutcome::kDiskFull, path))})
      EXPECT_EQ((std::tuple{Holds(text, "磁盘已满"), Holds(text, "没有改动"), Holds(text, "无法创建")}),
                (std::tuple{true, exists, !exists})) << text;
  EXPECT_TRUE(Holds(WideToUtf8(ListReadText(TableOutcome::kDiskFull, none)), "刷新"));
}
