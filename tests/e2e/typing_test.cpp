// What the real program types into another window: the stored text exactly, once per
// press, whatever the Caps Lock state, however long the hotkey is held, and also when the
// hotkey is a key that the text itself uses.
#include "exchange/account_file.h"
#include "main_window_support.h"

namespace quorrel::e2e {
namespace {

bool CapsLockOn() { return (GetKeyState(VK_CAPITAL) & 1) != 0; }

// Switches Caps Lock on for its lifetime and off again at the end.
struct CapsLock {
  CapsLock() { Set(true); }
  ~CapsLock() { Set(false); }
  static void Set(bool on) {
    if (CapsLockOn() != on) PressKey(VK_CAPITAL);
    WaitFor([&] { return CapsLockOn() == on; }, 2s);
  }
};

class TypingTest : public E2eTest {
 protected:
  // Starts the program on an account file and waits for its input window.
  Process Open(const std::string& user, const std::string& password) {
    run_.Write("typing.Pw", BuildAccountFileContent(user, password));
    Process p = Start("\"" + run_.File("typing.Pw") + "\"");
    input_ = WaitWindow(p.id(), kInputTitle);
    return p;
  }
  void Close(Process& p) {
    PostMessageW(input_, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitExit(10s), std::optional<DWORD>(0));
  }

  TargetWindow target_;
  HWND input_ = nullptr;
};

TEST_F(TypingTest, TheStoredTextArrivesExactlyOncePerPress) {
  // Spaces, Chinese characters, full-width punctuation and a tab (which is not typed).
  const std::string user = Ansi("张三 Zhang");
  const std::string password = Ansi("Pass Word 1!，密码：") + "\t" + Ansi("x（）");
  std::string typedPassword = password;
  typedPassword.erase(typedPassword.find('\t'), 1);
  Process p = Open(user, password);
  ASSERT_TRUE(input_);

  EXPECT_EQ(Typed(target_, VK_F8, user.size()), user);
  EXPECT_EQ(Typed(target_, VK_F9, typedPassword.size()), typedPassword);

  // Held for a second: key-down after key-down, as the keyboard repeats it, then one up.
  target_.Clear();
  target_.Focus();
  for (int i = 0; i < 33; ++i) {
    SendKey(VK_F9, false);
    Pump(30ms);
  }
  SendKey(VK_F9, true);
  EXPECT_EQ(target_.WaitText(typedPassword.size()), typedPassword);
  Pump(1s);
  EXPECT_EQ(target_.TextAnsi(), typedPassword);
  // Released, it types again.
  EXPECT_EQ(Typed(target_, VK_F9, typedPassword.size()), typedPassword);

  // Caps Lock on: the same text, and Caps Lock still on afterwards.
  {
    CapsLock on;
    ASSERT_TRUE(CapsLockOn());
    EXPECT_EQ(Typed(target_, VK_F9, typedPassword.size()), typedPassword);
    EXPECT_EQ(Typed(target_, VK_F8, user.size()), user);
    Pump(100ms);
    EXPECT_TRUE(CapsLockOn());
  }
  EXPECT_FALSE(CapsLockOn());
  Close(p);
}

TEST_F(TypingTest, AHotkeyOnALetterOfTheTextTypesItOnce) {
  // "A" (65) as the password hotkey: typing "a" or "A" presses that key, which would fire
  // the hotkey again and be swallowed by it.
  run_.WriteConfig("PassKey", "65");
  const std::string password = "aA1 banana!A";
  Process p = Open("user", password);
  ASSERT_TRUE(input_);
  EXPECT_EQ(Typed(target_, 'A', password.size()), password);
  Pump(1s);
  EXPECT_EQ(target_.TextAnsi(), password) << "the typing fired its own hotkey";
  // F8 still types the user name, and its "a"-less text is untouched.
  EXPECT_EQ(Typed(target_, VK_F8, 4), "user");
  Close(p);
}

}  // namespace
}  // namespace quorrel::e2e
