// Whatever Config.ini holds, every part of the program reads it alike: the account list and
// the switch that shows its choice, the tray and its switch. A switch whose value cannot be
// stored does not move.
#include "main_window_support.h"

namespace quorrel::e2e {
namespace {

class StoredSettings : public E2eTest {
 protected:
  // Starts with the values, one seeded account; the main window on its list page.
  MainUi Start(Process& p, const char* laws, const char* tray) {
    run_.WriteConfig("Laws", laws);
    run_.WriteConfig("Tray", tray);
    p = E2eTest::Start();
    MainUi ui(WaitWindow(p.id(), kMainTitle));
    EXPECT_TRUE(ui.complete());
    return ui;
  }
};

TEST_F(StoredSettings, ValuesOtherThanTheWrittenOnesReadAsTheDefaultEverywhere) {
  SeedTable(run_, {{"12345", "Mail", "bob", "pw-9"}});
  struct Case {
    const char *laws, *tray;
  };
  for (const Case& c : {Case{"foo", "01"}, Case{"", "+1"}}) {
    const std::string when = std::string("Laws=") + c.laws + ", Tray=" + c.tray;
    Process p;
    MainUi ui = Start(p, c.laws, c.tray);
    ASSERT_TRUE(ui.complete());
    EXPECT_EQ(Cell(ui.list, 0, 3), "●●●●") << when << ": the list shows the password";
    ui.Menu(1);
    SettingsUi page(ui);
    ASSERT_TRUE(page.complete());
    EXPECT_TRUE(WaitFor([&] { return SettingsUi::Selected(page.laws) == 1; }, 3s)) << when << ": 密文 is not the side shown";
    EXPECT_TRUE(WaitFor([&] { return SettingsUi::Selected(page.tray) == 1; }, 3s)) << when << ": 双击 is not the side shown";
    // The tray does what its switch shows: a single click does not bring the window back.
    ui.Menu(4);
    ASSERT_TRUE(WaitFor([&] { return !ui.visible(); }));
    ui.TrayClick(WM_LBUTTONUP);
    EXPECT_FALSE(ui.visible()) << when << ": a single click restored the window";
    ui.TrayClick(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return ui.visible(); })) << when;
  }
}

// "3" by hand (the right click): the switch shows neither choice; a choice writes its value.
TEST_F(StoredSettings, TrayThreeShowsNeitherChoiceOnItsSwitch) {
  Process p;
  MainUi ui = Start(p, "Hide", "3");
  ui.Menu(1);
  SettingsUi page(ui);
  ASSERT_TRUE(page.complete());
  auto unpressed = [&](int side) { return SwitchLook(page.tray, side) == Look::NotSelected; };
  EXPECT_TRUE(WaitFor([&] { return unpressed(0) && unpressed(1); }, 3s)) << "a choice of the switch is shown";
  ClickBarButton(page.tray, 0, 2);  // 单击
  EXPECT_TRUE(WaitFor([&] { return SettingsUi::Selected(page.tray) == 0 && ConfigValue(run_, "Tray") == "1"; }, 3s));
}

TEST_F(StoredSettings, ASwitchThatCannotBeStoredStaysAndSaysSo) {
  SeedTable(run_, {{"12345", "Mail", "bob", "pw-9"}});
  Process p;
  MainUi ui = Start(p, "Hide", "2");
  ASSERT_TRUE(ui.complete());
  ui.Menu(1);
  SettingsUi page(ui);
  ASSERT_TRUE(page.complete());
  // Config.ini becomes a folder: nothing can be written to it any more.
  ASSERT_TRUE(DeleteFileA(run_.File("Config.ini").c_str()));
  ASSERT_TRUE(CreateDirectoryA(run_.File("Config.ini").c_str(), nullptr));
  ClickBarButton(page.laws, 0, 2);  // 明文
  HWND told = WaitMessageBox(p, "Quorrel");
  ASSERT_TRUE(told) << "a setting that was not stored said nothing";
  EXPECT_NE(MessageBoxText(told).find("设置没有保存"), std::string::npos) << MessageBoxText(told);
  SendMessageW(told, WM_COMMAND, IDOK, 0);
  Pump(300ms);
  EXPECT_TRUE(WaitFor([&] { return SettingsUi::Selected(page.laws) == 1; }, 3s)) << "the switch moved";
  ui.Menu(0);
  EXPECT_EQ(Cell(ui.list, 0, 3), "●●●●");
  p.Terminate();
  RemoveDirectoryA(run_.File("Config.ini").c_str());
}

}  // namespace
}  // namespace quorrel::e2e
