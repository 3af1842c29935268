// The startup keypad, seen from outside: a PIN set through the settings page's gear, and a
// locked start that opens the main window only on the right four main-keyboard digits.
#include <initializer_list>

#include "main_window_support.h"
#include "tests/win/sealed_pin.h"

namespace quorrel::e2e {
namespace {

constexpr char kPinTitle[] = "启动密码";

class Keypad : public E2eTest {
 protected:
  HWND OpenLocked(Process& p) {
    run_.WriteConfig("Startup", "True");
    p = Start();
    return WaitWindow(p.id(), kPinTitle);
  }
  static void Click(HWND pad, const char* caption) {
    HWND button = ChildByText(pad, caption);
    ASSERT_TRUE(button) << caption;
    Foreground(pad);
    ClickWindow(button);
    Pump(50ms);
  }
  static void Keys(HWND pad, std::initializer_list<WORD> keys) {
    Foreground(pad);
    for (WORD vk : keys) {
      PressKey(vk);
      Pump(30ms);
    }
  }
  static bool MainOpened(const Process& p) {
    Pump(300ms);
    return !WindowsOf(p.id(), kMainTitle).empty();
  }
  static bool Gone(HWND pad) {
    return WaitFor([&] { return !IsWindow(pad); }, 5s);
  }
};

TEST_F(Keypad, WithoutAStoredPinNoEntryOpensTheLockedStartAndClosingEndsIt) {
  Process p;
  HWND pad = OpenLocked(p);
  ASSERT_TRUE(pad);
  for (const char* digit : {"2", "5", "8", "0"}) Click(pad, digit);
  Keys(pad, {VK_BACK, '0', '0', '0', '0', VK_BACK, '1', '2', '3', '4'});
  EXPECT_FALSE(MainOpened(p));
  PostMessageW(pad, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitExit(10s), std::optional<DWORD>(0));
}

// Set mode, from the gear beside the startup password switch.
TEST_F(Keypad, TheGearStoresTheFirstFourDigitsOnlyOnConfirmAndLeavesTheSwitchOff) {
  run_.WriteConfig("Startup", "False");
  Process p = Start();
  MainUi ui = SettingsPageOf(p);
  ASSERT_TRUE(ui.complete());
  SettingsUi page(ui);
  ASSERT_TRUE(page.complete());
  ClickBarButton(page.pinSet, 0, 1);
  HWND pad = WaitWindow(p.id(), kPinTitle);
  ASSERT_TRUE(pad);
  EXPECT_TRUE(ui.dimmed());
  Click(pad, "0");
  Keys(pad, {'7', '3'});
  Click(pad, "▶");  // three digits: the keypad stays
  Pump(300ms);
  EXPECT_TRUE(IsWindow(pad));
  PostMessageW(pad, WM_CLOSE, 0, 0);  // closed without confirming: nothing stored
  EXPECT_TRUE(Gone(pad));
  EXPECT_TRUE(WaitFor([&] { return !ui.dimmed(); }, 3s)) << "the dimming goes with the keypad";
  EXPECT_EQ(ConfigValue(run_, "Pwd"), std::nullopt);

  ClickBarButton(page.pinSet, 0, 1);
  pad = WaitWindow(p.id(), kPinTitle);
  ASSERT_TRUE(pad);
  Click(pad, "0");
  Keys(pad, {'7', '3', '1', '9'});  // the fifth is ignored
  Click(pad, "▶");
  EXPECT_TRUE(Gone(pad));
  EXPECT_TRUE(WaitFor([&] { return !ui.dimmed(); }, 3s));
  // Byte for byte as computed here, without the program's cipher.
  EXPECT_EQ(ConfigValue(run_, "Pwd"), SealedPin("0731"));
  EXPECT_EQ(ConfigValue(run_, "Pwd").value_or("").size(), 17u);
  EXPECT_EQ(ConfigValue(run_, "Startup"), "False") << "setting the PIN does not switch it on";
}

// The PIN stored as the gear stores 0731 (checked byte for byte above).
TEST_F(Keypad, ALockedStartOpensOnlyOnTheRightFourMainKeyboardDigits) {
  run_.WriteConfig("Pwd", SealedPin("0731"));
  Process p;
  HWND pad = OpenLocked(p);
  ASSERT_TRUE(pad);
  // The right PIN on the numeric keypad, and Enter, count for nothing.
  Keys(pad, {VK_NUMPAD0, VK_NUMPAD7, VK_NUMPAD3, VK_NUMPAD1, VK_RETURN});
  EXPECT_FALSE(MainOpened(p));
  // Four wrong digits; the right ones typed as fifth to eighth are ignored, and the
  // confirm button does not verify.
  Keys(pad, {'1', '2', '3', '4', '0', '7', '3', '1'});
  Click(pad, "▶");
  EXPECT_FALSE(MainOpened(p));
  EXPECT_TRUE(IsWindow(pad));

  // Backspace and 清除 clear the whole entry; then the right PIN by click and by key.
  // Enter and Space while "3" has the focus must not press it again.
  Keys(pad, {VK_BACK});
  Click(pad, "1");
  Click(pad, "×");
  Click(pad, "0");
  Keys(pad, {'7'});
  Click(pad, "3");
  Keys(pad, {VK_RETURN, VK_SPACE, '1'});
  EXPECT_TRUE(WaitWindow(p.id(), kMainTitle));
  EXPECT_TRUE(Gone(pad)) << "the keypad ends";
  EXPECT_TRUE(p.Running());
}

}  // namespace
}  // namespace quorrel::e2e
