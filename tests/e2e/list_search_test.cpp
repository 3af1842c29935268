// Finding an account by typing into the list: letters of its name, or the pinyin initials
// of its name, in a table of a few hundred accounts, and again after the table changed.
#include "main_window_support.h"

namespace quorrel::e2e {
namespace {

class ListSearchTest : public E2eTest {};

bool RowInSight(HWND list, int row) {
  const auto top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  return row >= top && row < top + static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
}

TEST_F(ListSearchTest, TypingSelectsTheRowItsLettersOrPinyinInitialsFind) {
  std::vector<AccountRecord> records;
  for (int i = 0; i < 300; ++i)
    records.push_back({"", "Account " + std::to_string(i), "user" + std::to_string(i), SecretText(std::string("pw"))});
  for (const auto& [row, name] : {std::pair{20, "百度网盘"}, {150, "微信"}, {200, "bilibili"}, {250, "网银"}, {280, "网易邮箱"}})
    records[row].name = Ansi(name);
  AccountStore store = TableAt(run_);
  ASSERT_EQ(CreateAccountTable(store), TableOutcome::kCreated);
  ASSERT_EQ(AddAccountsWithNewPids(store, records), TableOutcome::kOpened);

  Process p = Start();
  MainUi ui(WaitWindow(p.id(), kMainTitle));
  ASSERT_TRUE(ui.complete());
  ASSERT_TRUE(WaitFor([&] { return RowCount(ui.list) == 300; }));
  ui.ClickRow(0);
  ASSERT_EQ(SelectedRow(ui.list), 0);

  const auto type = [](const char* keys) {  // one search: well within the pause that ends it
    for (const char* key = keys; *key; ++key) PressKey(*key);
    Pump(300ms);
  };
  // 网银 by its initials, far below the rows in sight.
  type("WY");
  EXPECT_EQ(SelectedRow(ui.list), 250);
  EXPECT_EQ(SendMessageW(ui.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 250);
  EXPECT_TRUE(RowInSight(ui.list, 250));

  // After a pause a new search: b, and b again moves on to the next row starting with it.
  Pump(1500ms);
  type("B");
  EXPECT_EQ(SelectedRow(ui.list), 20);
  type("B");
  EXPECT_EQ(SelectedRow(ui.list), 200);
  EXPECT_TRUE(RowInSight(ui.list, 200));

  // Nothing starts with "qz": the selection stays.
  Pump(1500ms);
  type("QZ");
  EXPECT_EQ(SelectedRow(ui.list), 200);

  // The table changed behind the program's back: after a refresh, typing finds what it holds.
  std::vector<AccountRecord> added;
  added.push_back({"", Ansi("新浪微博"), "weibo", SecretText(std::string("pw"))});
  ASSERT_EQ(AddAccountsWithNewPids(store, added), TableOutcome::kOpened);
  ui.Toolbar(kRefresh);
  ASSERT_TRUE(WaitFor([&] { return RowCount(ui.list) == 301; }));
  Pump(1500ms);
  type("XL");
  EXPECT_EQ(SelectedRow(ui.list), 300);

  // What an input method commits searches the names as typed; Enter opens the row found.
  Pump(1500ms);
  PostMessageW(ui.list, WM_IME_CHAR, L'\u7F51', 1);  // 网
  PostMessageW(ui.list, WM_IME_CHAR, L'\u6613', 1);  // 易
  Pump(300ms);
  EXPECT_EQ(SelectedRow(ui.list), 280);
  Foreground(ui.window);
  PressKey(VK_RETURN);
  HWND input = WaitWindow(p.id(), kInputTitle);
  ASSERT_TRUE(input);
  EXPECT_EQ(ControlText(FindWindowExW(input, nullptr, L"Edit", nullptr)), "user280");  // its 账号 box
}

}  // namespace
}  // namespace quorrel::e2e
