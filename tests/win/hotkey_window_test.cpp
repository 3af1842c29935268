// The hotkey window in the test's process: what its boxes show and capture, and what the
// confirm button writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/hotkey_window_win.h"
#include "store/config_file.h"
#include "tests/win/temp_dir.h"
#include "tests/win/window_pump.h"

using namespace quorrel;

namespace {

constexpr LPARAM kAltHeld = LPARAM{1} << 29;

// Answers the hotkey window's message box, once it is up, keeping what it said.
std::string g_told;
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = FindWindowW(L"#32770", L"设置快捷键");
  if (!box || !IsWindowVisible(box)) return;
  g_told = TextOf(GetDlgItem(box, 0xFFFF));
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

class HotkeyWindowTest : public ::testing::Test {
 protected:
  // Opens the window and runs the script in it; returns once the window is gone.
  void WithWindow(const std::function<void(HWND window, HWND account, HWND password)>& script) {
    HotkeyWindowArgs args;
    args.settings = Settings(config_);
    args.pendingAccountKey = &pendingAccount_;
    args.pendingPasswordKey = &pendingPassword_;
    args.onClosed = [this] { ++closed_; };
    WhileModal([&] { OpenHotkeyWindow(nullptr, std::move(args)); }, L"设置快捷键", [&](HWND window) {
      std::vector<HWND> boxes = ChildrenOfClass(window, L"Edit");
      ASSERT_EQ(boxes.size(), 2u);
      script(window, boxes[0], boxes[1]);
    });
  }
  // Clicks the button; what the window said meanwhile, "" for nothing.
  static std::string Confirm(HWND window) {
    g_told.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerBox);
    SendMessageW(ChildWithText(window, "设置完成"), BM_CLICK, 0, 0);  // returns once it is answered
    KillTimer(nullptr, timer);
    return g_told;
  }
  std::string Stored(const char* key) const {
    char value[64] = {};
    GetPrivateProfileStringA("Config", key, "<none>", value, sizeof value, config_.path().c_str());
    return value;
  }

  TempDir dir_;
  ConfigFile config_{dir_.path() + "\\Config.ini"};
  int32_t pendingAccount_ = 0, pendingPassword_ = 0;  // as at the program's start
  int closed_ = 0;
};

}  // namespace

// The key names, the unnamed key and the refused modifiers are walked end to end; here what
// happens across openings and with keys that come as system keys or releases.
TEST_F(HotkeyWindowTest, ConfirmWritesOnlyPickedCodesAndAPickOutlivesTheWindow) {
  ASSERT_TRUE(config_.Write(kUserKey, "112"));
  WithWindow([&](HWND window, HWND account, HWND password) {
    EXPECT_EQ(TextOf(account), "F1键");   // stored
    EXPECT_EQ(TextOf(password), "F9键");  // the default
    PostKey(account, VK_F10, WM_SYSKEYDOWN);  // F10 comes as a system key
    EXPECT_EQ(TextOf(account), "F10键");
    PostKey(account, VK_F6);
    PostKey(account, VK_MENU, WM_SYSKEYDOWN, kAltHeld);
    PostMessageW(account, WM_KEYUP, VK_F2, 1 | (3 << 30));  // only presses count
    PumpWindowMessages();
    EXPECT_EQ(TextOf(account), "F6键");
    EXPECT_EQ(pendingAccount_, VK_F6);
    EXPECT_EQ(pendingPassword_, 0);
    // Stored: the window says which keys, and that they need the program started anew.
    const std::string told = Confirm(window);
    EXPECT_NE(told.find("F6键"), std::string::npos) << told;
    EXPECT_NE(told.find("F9键"), std::string::npos) << told;
  });
  EXPECT_EQ(Stored("UserKey"), "117");
  EXPECT_EQ(Stored("PassKey"), "<none>") << "a box without a key keeps the stored code";
  EXPECT_EQ(closed_, 1);

  // Closed without the button: nothing is written, but the pick is still pending and the
  // box shows it when the window opens again.
  WithWindow([&](HWND window, HWND account, HWND) {
    EXPECT_EQ(TextOf(account), "F6键");
    PostKey(account, VK_F2);
    SendMessageW(window, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(Stored("UserKey"), "117");
  WithWindow([&](HWND window, HWND account, HWND password) {
    EXPECT_EQ(TextOf(account), "F2键");
    PostKey(password, VK_OEM_3);
    EXPECT_EQ(TextOf(password), "反撇号键");
    Confirm(window);
  });
  EXPECT_EQ(Stored("UserKey"), "113");
  EXPECT_EQ(Stored("PassKey"), "192");
  EXPECT_EQ(closed_, 3);
}

// One key for both is refused at the confirm: nothing is written and the window stays, so
// the user can pick another; a stored key counts as much as one picked now.
TEST_F(HotkeyWindowTest, TheSameKeyForBothIsRefusedWithAMessage) {
  std::string told;
  WithWindow([&](HWND window, HWND account, HWND password) {
    PostKey(password, VK_F8);  // the account box shows the default F8
    EXPECT_FALSE(Confirm(window).empty()) << "refused without a word";
    told = IsWindow(window) ? "open" : "closed";
    EXPECT_EQ(Stored("UserKey"), "<none>");
    EXPECT_EQ(Stored("PassKey"), "<none>");
    PostKey(account, VK_F4);
    Confirm(window);
  });
  EXPECT_EQ(told, "open");
  EXPECT_EQ(Stored("UserKey"), "115");
  EXPECT_EQ(Stored("PassKey"), "119");
}
