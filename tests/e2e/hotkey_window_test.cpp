// The hotkey window through the settings page, seen from outside: what its boxes show for
// the keys pressed in them, what the confirm button stores, and that the stored keys type
// at the next start while the old ones type nothing.
#include "exchange/account_file.h"
#include "main_window_support.h"

namespace quorrel::e2e {
namespace {

constexpr char kHotkeyTitle[] = "设置快捷键";

class HotkeyWindowFlow : public E2eTest {
 protected:
  // Presses a key in a box and waits for the box to show the text.
  static bool Shows(HWND box, WORD vk, const std::string& shown) {
    PressKey(vk);
    return WaitFor([&] { return ControlText(box) == shown; }, 3s);
  }
  TargetWindow target_;
};

TEST_F(HotkeyWindowFlow, PickedKeysAreStoredAndTypeAtTheNextStart) {
  Process p = Start();
  MainUi ui = SettingsPageOf(p);
  ASSERT_TRUE(ui.complete());
  SettingsUi page(ui);
  ASSERT_TRUE(page.complete());
  ClickBarButton(page.hotkeys, 0, 1);
  HWND window = WaitWindow(p.id(), kHotkeyTitle);
  ASSERT_TRUE(window);
  EXPECT_TRUE(ui.dimmed());
  std::vector<HWND> boxes = Children(window, "Edit");
  ASSERT_EQ(boxes.size(), 2u);
  HWND account = boxes[0], password = boxes[1];
  EXPECT_EQ(ControlText(account), "F8键");
  EXPECT_EQ(ControlText(password), "F9键");

  ClickWindow(account);
  EXPECT_TRUE(Shows(account, VK_NUMPAD5, "")) << "a key without a name empties the box";
  EXPECT_TRUE(Shows(account, 'K', "K键")) << "the name, never the character";
  EXPECT_TRUE(Shows(account, VK_F8, "F8键"));
  EXPECT_TRUE(Shows(account, VK_F6, "F6键")) << "the last of two keys";
  for (WORD modifier : {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN}) PressKey(modifier);
  Pump(300ms);
  EXPECT_EQ(ControlText(account), "F6键") << "modifiers are refused";
  ClickWindow(password);
  EXPECT_TRUE(Shows(password, VK_F7, "F7键"));
  EXPECT_EQ(ControlText(account), "F6键");

  ClickWindow(ChildByText(window, "设置完成"));
  // Stored: the window names the keys, and the way to the new start, before it closes.
  HWND saved = WaitMessageBox(p, kHotkeyTitle);
  ASSERT_TRUE(saved) << "the keys were stored without a word";
  const std::string said = MessageBoxText(saved);
  EXPECT_NE(said.find("F6键"), std::string::npos) << said;
  EXPECT_NE(said.find("F7键"), std::string::npos) << said;
  SendMessageW(saved, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(window); }, 5s));
  EXPECT_EQ(ConfigValue(run_, "UserKey"), "117");
  EXPECT_EQ(ConfigValue(run_, "PassKey"), "118");
  EXPECT_TRUE(WaitFor([&] { return !ui.dimmed(); }, 3s));
  p.Terminate();

  // The next start (on an account file) types with the new keys; the old ones do nothing.
  run_.Write("keys.Pw", BuildAccountFileContent("New_Keys7", "pw!K3ys"));
  Process next = Start("\"" + run_.File("keys.Pw") + "\"");
  HWND input = WaitWindow(next.id(), kInputTitle);
  ASSERT_TRUE(input);
  EXPECT_TRUE(ChildByText(input, "账号：F6键；密码：F7键"));
  EXPECT_EQ(Typed(target_, VK_F6, 9), "New_Keys7");
  EXPECT_EQ(Typed(target_, VK_F7, 7), "pw!K3ys");
  EXPECT_EQ(Typed(target_, VK_F8, 0), "");
  EXPECT_EQ(Typed(target_, VK_F9, 0), "");
}

}  // namespace
}  // namespace quorrel::e2e
