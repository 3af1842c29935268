// The startup keypad of a locked start, seen from outside: which digits count, how the
// entry is cleared, and that only the right four open the main window.
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
};

TEST_F(Keypad, ALockedStartOpensTheMainWindowOnlyOnTheRightFourDigits) {
  {
    // No stored PIN: no entry opens anything; closing the keypad ends the program.
    Process p;
    HWND pad = OpenLocked(p);
    ASSERT_TRUE(pad);
    for (const char* digit : {"2", "5", "8", "0"}) Click(pad, digit);
    Keys(pad, {VK_BACK, '0', '0', '0', '0', VK_BACK, '1', '2', '3', '4'});
    EXPECT_FALSE(MainOpened(p));
    PostMessageW(pad, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitExit(10s), std::optional<DWORD>(0));
  }

  run_.WriteConfig("Pwd", SealedPin("2580"));
  Process p;
  HWND pad = OpenLocked(p);
  ASSERT_TRUE(pad);
  // The right PIN on the numeric keypad, and Enter, count for nothing.
  Keys(pad, {VK_NUMPAD2, VK_NUMPAD5, VK_NUMPAD8, VK_NUMPAD0, VK_RETURN});
  EXPECT_FALSE(MainOpened(p));
  // Four wrong digits; the right ones typed as fifth to eighth are ignored, and the
  // confirm button does not verify.
  Keys(pad, {'1', '2', '3', '4', '2', '5', '8', '0'});
  Click(pad, "▶");
  EXPECT_FALSE(MainOpened(p));
  EXPECT_TRUE(IsWindow(pad));

  // Backspace and 清除 clear the whole entry; then the right PIN by click and by key.
  // Enter and Space while "8" has the focus must not press it again.
  Keys(pad, {VK_BACK});
  Click(pad, "1");
  Click(pad, "×");
  Click(pad, "2");
  Keys(pad, {'5'});
  Click(pad, "8");
  Keys(pad, {VK_RETURN, VK_SPACE, '0'});
  EXPECT_TRUE(WaitWindow(p.id(), kMainTitle));
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(pad); }, 5s)) << "the keypad ends";
  EXPECT_TRUE(p.Running());
}

}  // namespace
}  // namespace quorrel::e2e
