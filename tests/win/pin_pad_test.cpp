// The startup keypad in the test's process: its indicators, which keys count, verifying on
// the fourth digit and storing a new PIN in set mode.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "security/pin_pad_win.h"
#include "store/config_file.h"
#include "tests/win/sealed_pin.h"
#include "tests/win/temp_dir.h"
#include "tests/win/window_pump.h"
#include "ui/toolkit/controls_win.h"

using namespace quorrel;

namespace {

class PinPadTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (IsWindow(pad_)) DestroyWindow(pad_);
    if (owner_) DestroyWindow(owner_);
    PumpWindowMessages();
  }

  void Open(PinPadMode mode) {
    PinPadArgs args;
    args.mode = mode;
    args.settings = Settings(config_);
    args.onVerified = [this] { ++verified_; };
    args.onPinSet = [this] { ++pinSet_; };
    args.onClosed = [this] { ++closed_; };
    pad_ = OpenPinPadWindow(mode == PinPadMode::Set ? Owner() : nullptr, std::move(args));
    ASSERT_TRUE(pad_);
    PumpWindowMessages();
    focus_ = pad_;
  }

  HWND Owner() {
    if (!owner_)
      owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    return owner_;
  }

  // A click on a button by caption; the button takes the focus, as under the mouse.
  void Click(const char* caption) {
    HWND button = ChildWithText(pad_, caption);
    ASSERT_TRUE(button) << caption;
    focus_ = button;
    SendMessageW(button, BM_CLICK, 0, 0);
    PumpWindowMessages();
  }
  // A key typed while the last clicked button (or the keypad) has the focus.
  void Key(WPARAM vk) {
    if (IsWindow(focus_)) PostKey(focus_, vk);
  }
  void Keys(const std::string& digits) {
    for (char c : digits) Key(static_cast<WPARAM>(c));
  }

  // Indicators switched on, and whether exactly the first ones are.
  int Lit() {
    std::vector<HWND> bars = ChildrenOfClass(pad_, L"QuorrelBar");
    if (bars.size() != 1 || ui::BarButtonCount(bars[0]) != 4) return -1;
    int lit = 0;
    for (int i = 0; i < 4; ++i) {
      const bool on = ui::BarIsChecked(bars[0], i) && ui::BarIsPressed(bars[0], i);
      if (on != (i == lit)) return on ? -2 : lit;
      lit += on;
    }
    return lit;
  }

  std::string StoredPwd() const {
    char value[64] = {};
    GetPrivateProfileStringA("Config", "Pwd", "<none>", value, sizeof value, config_.path().c_str());
    return value;
  }

  TempDir dir_;
  ConfigFile config_{dir_.path() + "\\Config.ini"};
  HWND pad_ = nullptr, owner_ = nullptr, focus_ = nullptr;
  int verified_ = 0, pinSet_ = 0, closed_ = 0;
};

}  // namespace

TEST_F(PinPadTest, VerifyModeLightsOneIndicatorPerDigitAndOpensOnlyOnTheStoredFour) {
  // Values that hold no PIN for this key: absent, empty, a sealed empty text, a damaged
  // tag, another key's tag. No entry opens.
  std::string damaged = SealedPin("2580");
  damaged.back() = damaged.back() == '0' ? '1' : '0';
  for (const std::string& pwd : {std::string("<none>"), std::string(""), SealedPin(""), damaged,
                                 SealedPin("2580", "another key")}) {
    if (pwd == "<none>") WritePrivateProfileStringA("Config", "Pwd", nullptr, config_.path().c_str());
    else ASSERT_TRUE(config_.Write(kPwd, pwd));
    Open(PinPadMode::Verify);
    Keys("2580");
    EXPECT_EQ(verified_, 0) << pwd;
    DestroyWindow(pad_);
  }

  ASSERT_TRUE(config_.Write(kPwd, SealedPin("2580")));
  Open(PinPadMode::Verify);
  EXPECT_EQ(Lit(), 0);
  Click("1");
  EXPECT_EQ(Lit(), 1);
  Key('2');  // typed while the button "1" has the focus
  EXPECT_EQ(Lit(), 2);
  for (WPARAM vk = VK_NUMPAD0; vk <= VK_NUMPAD9; ++vk) Key(vk);
  for (WPARAM vk : std::initializer_list<WPARAM>{VK_RETURN, VK_SPACE, 'A', VK_TAB}) Key(vk);
  EXPECT_EQ(Lit(), 2);
  Keys("342580");  // 1234 is wrong and stays lit; later digits are ignored
  EXPECT_EQ(Lit(), 4);
  Key(VK_BACK);
  EXPECT_EQ(Lit(), 0);
  Keys("25");
  Click("×");
  EXPECT_EQ(Lit(), 0);
  Keys("258");
  EXPECT_EQ(verified_, 0);
  Key('0');
  EXPECT_EQ(verified_, 1);
  EXPECT_FALSE(IsWindow(pad_)) << "the keypad goes once the main window is opened";
  EXPECT_EQ(closed_, 6);
}

TEST_F(PinPadTest, SetModeStoresFourDigitsOnConfirmAndClosingWritesNothing) {
  Open(PinPadMode::Set);
  EXPECT_FALSE(IsWindowEnabled(owner_)) << "modal over the main window";
  Keys("073");
  Click("▶");  // three digits: nothing, the keypad stays
  EXPECT_TRUE(IsWindow(pad_));
  EXPECT_EQ(StoredPwd(), "<none>");
  Keys("1");
  EXPECT_EQ(verified_, 0) << "set mode never verifies";
  Click("▶");
  EXPECT_EQ(StoredPwd(), SealedPin("0731"));
  EXPECT_EQ(StoredPwd().size(), 17u);
  EXPECT_EQ(pinSet_, 1);
  EXPECT_FALSE(IsWindow(pad_));
  EXPECT_EQ(closed_, 1);
  EXPECT_TRUE(IsWindowEnabled(owner_));

  Open(PinPadMode::Set);
  Keys("5555");
  SendMessageW(pad_, WM_CLOSE, 0, 0);
  EXPECT_EQ(closed_, 2);
  EXPECT_EQ(pinSet_, 1);
  EXPECT_EQ(StoredPwd(), SealedPin("0731"));
  EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(PinPadTest, EveryDigitButtonEntersItsOwnDigit) {
  for (const char* pin : {"1234", "5678", "9012"}) {
    Open(PinPadMode::Set);
    for (const char* digit = pin; *digit; ++digit) Click(std::string(1, *digit).c_str());
    Click("▶");
    EXPECT_EQ(StoredPwd(), SealedPin(pin));
    EXPECT_FALSE(IsWindow(pad_)) << pin;
  }
}

// Answers the message box that the next modal step shows (in this thread), keeping its text.
std::string g_told;
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = FindWindowW(L"#32770", nullptr);
  if (!box || GetWindowThreadProcessId(box, nullptr) != GetCurrentThreadId()) return;
  KillTimer(nullptr, id);
  g_told = TextOf(GetDlgItem(box, 0xFFFF));
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST_F(PinPadTest, APinThatCannotBeStoredIsToldAndNotTakenAsSet) {
  ASSERT_TRUE(config_.Write(kPwd, SealedPin("1111")));
  // Config.ini becomes a folder: every write fails from now on.
  const std::string ini = config_.path();
  ASSERT_TRUE(MoveFileA(ini.c_str(), (ini + ".old").c_str()));
  ASSERT_TRUE(CreateDirectoryA(ini.c_str(), nullptr));
  Open(PinPadMode::Set);
  Keys("2468");
  g_told.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerBox);
  Click("▶");
  KillTimer(nullptr, timer);
  EXPECT_NE(g_told.find("启动密码没有保存"), std::string::npos) << g_told;
  EXPECT_EQ(pinSet_, 0) << "the opener was told of a PIN that is not stored";
  EXPECT_TRUE(IsWindow(pad_)) << "the keypad stays for another try";
  EXPECT_EQ(Lit(), 0);
  RemoveDirectoryA(ini.c_str());
  MoveFileA((ini + ".old").c_str(), ini.c_str());
  EXPECT_EQ(StoredPwd(), SealedPin("1111"));
}
