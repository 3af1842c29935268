// The settings page through the real program: the switches as stored and as clicked, the
// windows it opens over the dimmed main window, the startup PIN that must exist before the
// startup password can be switched on, and the ".Pw" association.
#include "main_window_support.h"

#include "security/startup_pin.h"

namespace quorrel::e2e {
namespace {

class SettingsPageTest : public E2eTest {
 protected:
  MainUi OpenSettings(Process& p) {
    p = Start();
    return SettingsPageOf(p);
  }

  // Waits until every switch shows the side given (0 or 1).
  static void ExpectSwitches(const SettingsUi& page, int pin, int tray, int laws, const char* when) {
    EXPECT_TRUE(WaitFor([&] { return SettingsUi::Selected(page.pin) == pin; }, 3s))
        << when << ": 设定_启动密码 shows " << SettingsUi::Selected(page.pin);
    EXPECT_TRUE(WaitFor([&] { return SettingsUi::Selected(page.tray) == tray; }, 3s))
        << when << ": 设定_托盘载入 shows " << SettingsUi::Selected(page.tray);
    EXPECT_TRUE(WaitFor([&] { return SettingsUi::Selected(page.laws) == laws; }, 3s))
        << when << ": 设定_显示明文 shows " << SettingsUi::Selected(page.laws);
  }

  // The program writes at the click, which it gets a moment after the test sends it.
  void ExpectConfig(const std::string& key, const std::string& value) const {
    EXPECT_TRUE(WaitFor([&] { return ConfigValue(run_, key) == value; }, 3s))
        << key << "=" << ConfigValue(run_, key).value_or("(absent)") << ", not " << value;
  }
  static void ExpectPasswordCell(const MainUi& ui, const std::string& shown) {
    EXPECT_TRUE(WaitFor([&] { return Cell(ui.list, 0, 3) == shown; }, 3s)) << Cell(ui.list, 0, 3);
  }

  // Visible windows of the program other than the main window.
  static std::vector<HWND> OtherWindows(const Process& p, const MainUi& ui) {
    std::vector<HWND> found;
    for (HWND h : WindowsOf(p.id()))
      if (h != ui.window && IsWindowVisible(h)) found.push_back(h);
    return found;
  }

  // The overlay where HideBlurOverlay leaves it: hidden, 15 x 15 at -15, -15.
  static bool OverlayPutAway(const MainUi& ui) {
    RECT o;
    GetWindowRect(ui.overlay, &o);
    MapWindowPoints(nullptr, ui.window, reinterpret_cast<POINT*>(&o), 2);
    const int s = Scaled(15);
    return !IsWindowVisible(ui.overlay) && o.left == -s && o.top == -s && o.right == 0 && o.bottom == 0;
  }

  // An action that opens a window over the dimmed main window. A window that is there is
  // seen dimming the main window and is closed; one that closes at once (not built yet)
  // leaves the overlay put away again, from a place the test moved it to.
  void ExpectOpensOverTheDimmedWindow(const Process& p, const MainUi& ui, HWND bar, int position, int count,
                                      const char* what) {
    SetWindowPos(ui.overlay, nullptr, 1, 1, 3, 3, SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    ASSERT_FALSE(OverlayPutAway(ui));
    ClickBarButton(bar, position, count);
    std::vector<HWND> opened;
    WaitFor([&] { return !(opened = OtherWindows(p, ui)).empty() || OverlayPutAway(ui); }, 5s);
    if (opened.empty()) {
      EXPECT_TRUE(OverlayPutAway(ui)) << what << ": the overlay was not taken away";
    } else {
      ASSERT_EQ(opened.size(), 1u) << what;
      EXPECT_TRUE(ui.dimmed()) << what << " opened over an undimmed main window";
      PostMessageW(opened[0], WM_CLOSE, 0, 0);
      ASSERT_TRUE(WaitFor([&] { return !IsWindow(opened[0]); })) << what;
      EXPECT_TRUE(WaitFor([&] { return !ui.dimmed(); }, 3s)) << what << " left the main window dimmed";
    }
    EXPECT_TRUE(IsWindowEnabled(ui.window)) << what;
  }

  // The association's command as the registry holds it; nothing when there is none.
  static std::optional<std::string> AssociationCommand() {
    char value[1024] = {};
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, "Pw\\Shell\\Open\\Command", value, &size) != ERROR_SUCCESS)
      return std::nullopt;
    return std::string(value);
  }
};

// No Config.ini: 关闭, 双击, 密文, as every reader's default. Each click shows its side and
// writes its value at once; the selected side again writes the same. 明文 shows the
// passwords in the list without leaving the page.
TEST_F(SettingsPageTest, TheSwitchesStartOnTheDefaultsAndEachClickWritesItsSide) {
  SeedTable(run_, {{"12345", "Mail", "bob", "Secret-9"}});
  Process p;
  MainUi ui = OpenSettings(p);
  ASSERT_TRUE(ui.complete());
  SettingsUi page(ui);
  ASSERT_TRUE(page.complete()) << "the settings page's seven bars were not found";
  ASSERT_FALSE(run_.Exists("Config.ini"));
  ExpectSwitches(page, 1, 1, 1, "no Config.ini");

  ClickBarButton(page.tray, 0, 2);
  ExpectConfig("Tray", "1");
  ExpectSwitches(page, 1, 0, 1, "单击");
  ClickBarButton(page.tray, 1, 2);
  ExpectConfig("Tray", "2");
  WritePrivateProfileStringA("Config", "Tray", nullptr, run_.File("Config.ini").c_str());
  ClickBarButton(page.tray, 1, 2);
  ExpectConfig("Tray", "2");
  ExpectSwitches(page, 1, 1, 1, "双击");
  ExpectPasswordCell(ui, "●●●●●●●●");
  ClickBarButton(page.laws, 0, 2);
  ExpectConfig("Laws", "Show");
  ExpectPasswordCell(ui, "Secret-9");
  ExpectSwitches(page, 1, 1, 0, "明文");
  ClickBarButton(page.laws, 1, 2);
  ExpectConfig("Laws", "Hide");
  ExpectPasswordCell(ui, "●●●●●●●●");
  ExpectSwitches(page, 1, 1, 1, "密文");
}

TEST_F(SettingsPageTest, TheStartupPasswordSwitchesOnOnlyWithAStoredPin) {
  Process p;
  MainUi ui = OpenSettings(p);
  ASSERT_TRUE(ui.complete());
  SettingsUi page(ui);
  ASSERT_TRUE(page.complete()) << "the settings page's seven bars were not found";

  // 开启 without a stored PIN, or with one that is no four digits, opens the keypad in set
  // mode over the dimmed window; closed unconfirmed, the switch stays on 关闭 and nothing
  // is written.
  for (const char* stored : {"", "20242227970247DDb", "2024222724970247DDB"}) {
    if (*stored) run_.WriteConfig("Pwd", stored);
    ClickBarButton(page.pin, 0, 2);
    HWND keypad = WaitWindow(p.id(), "启动密码", 5s);
    ASSERT_TRUE(keypad) << "Pwd=" << stored << ": no keypad";
    EXPECT_TRUE(ui.dimmed()) << stored;
    PostMessageW(keypad, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(keypad); }));
    EXPECT_TRUE(WaitFor([&] { return !ui.dimmed(); }, 3s)) << stored;
    EXPECT_EQ(ConfigValue(run_, "Startup"), std::nullopt) << stored;
    ExpectSwitches(page, 1, 1, 1, "keypad closed unconfirmed");
  }
  // A keypad that takes digits (built by now): four digits and "▶" store the PIN, and only
  // then the switch moves to 开启.
  ClickBarButton(page.pin, 0, 2);
  HWND keypad = WaitWindow(p.id(), "启动密码", 5s);
  ASSERT_TRUE(keypad);
  if (HWND confirm = ChildByText(keypad, "▶")) {
    Foreground(keypad);
    for (WORD digit : {'1', '3', '5', '7'}) PressKey(digit);
    Pump(200ms);
    ClickWindow(confirm);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(keypad); }));
    EXPECT_TRUE(HoldsValidPin(ConfigValue(run_, "Pwd").value_or("")));
    ExpectConfig("Startup", "True");
    ExpectSwitches(page, 0, 1, 1, "PIN set from the switch");
    ClickBarButton(page.pin, 1, 2);
  } else {
    PostMessageW(keypad, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(keypad); }));
  }
  EXPECT_TRUE(WaitFor([&] { return !ui.dimmed(); }, 3s));

  // With a PIN stored the switch works at once both ways, and no keypad opens.
  run_.WriteConfig("Pwd", SealPin("2468"));
  ClickBarButton(page.pin, 0, 2);
  ExpectSwitches(page, 0, 1, 1, "开启 with a PIN");
  ExpectConfig("Startup", "True");
  EXPECT_TRUE(WindowsOf(p.id(), "启动密码").empty());
  ClickBarButton(page.pin, 1, 2);
  ExpectSwitches(page, 1, 1, 1, "关闭");
  ExpectConfig("Startup", "False");

  // Setting a PIN from the gear does not touch the switch.
  ExpectOpensOverTheDimmedWindow(p, ui, page.pinSet, 0, 1, "the keypad from the gear");
  ExpectConfig("Startup", "False");
}

// The hotkey window and the import window open over the dimmed window, and the dimming goes
// when they close. The association opens this copy of the program with the file as its one
// argument, and goes again (while it is not built, the registry keeps whatever it had).
TEST_F(SettingsPageTest, ItsWindowsOpenOverTheDimmedWindowAndTheAssociationComesAndGoes) {
  SeedTable(run_, {{"12345", "Mail", "bob", "Secret-9"}});
  Process p;
  MainUi ui = OpenSettings(p);
  ASSERT_TRUE(ui.complete());
  SettingsUi page(ui);
  ASSERT_TRUE(page.complete()) << "the settings page's seven bars were not found";
  ExpectOpensOverTheDimmedWindow(p, ui, page.hotkeys, 0, 1, "the hotkey window");
  ExpectOpensOverTheDimmedWindow(p, ui, page.import, 0, 1, "the import window");
  EXPECT_EQ(ListRows(ui.list), (Rows{{"1", "Mail", "bob", "●●●●●●●●", "12345"}}));

  const std::optional<std::string> before = AssociationCommand();
  ClickBarButton(page.association, 1, 2);
  if (std::optional<std::string> command = AssociationCommand(); command != before) {
    ASSERT_TRUE(command);
    EXPECT_EQ(_stricmp(command->c_str(), ("\"" + run_.exe() + "\" \"%1\"").c_str()), 0) << *command;
    ClickBarButton(page.association, 0, 2);
    EXPECT_EQ(AssociationCommand(), std::nullopt);
  }
  EXPECT_TRUE(p.Running());
}

// At a start only the exact texts select the first side: "true" is not "True".
TEST_F(SettingsPageTest, AtAStartOnlyTheExactTextsSelectTheFirstSide) {
  run_.WriteConfig("Pwd", SealPin("2468"));
  run_.WriteConfig("Startup", "true");
  run_.WriteConfig("Tray", "1");
  run_.WriteConfig("Laws", "Show");
  Process p;
  MainUi first = OpenSettings(p);
  ASSERT_TRUE(first.complete());
  SettingsUi page(first);
  ASSERT_TRUE(page.complete());
  ExpectSwitches(page, 1, 0, 0, "Startup=true, Tray=1, Laws=Show");
  p.Terminate();
  run_.WriteConfig("Tray", "01");
  run_.WriteConfig("Laws", "show");
  MainUi second = OpenSettings(p);
  ASSERT_TRUE(second.complete());
  ExpectSwitches(SettingsUi(second), 1, 1, 1, "Tray=01, Laws=show");
}

}  // namespace
}  // namespace quorrel::e2e
