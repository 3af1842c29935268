// Pictures of the program's windows at the prefix's DPI (Dpi*: 100 % here, 150 % in the
// 144-DPI prefix), saved under screens/<percent>/ beside the tests, with checks that the
// pages' texts have glyphs in the font they are drawn with.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "driver/drag_drop.h"
#include "exchange/import_window_win.h"
#include "input/hotkey_window_win.h"
#include "security/pin_pad_win.h"
#include "store/account_store_win.h"
#include "tests/win/screens.h"
#include "ui/main/about_texts.h"
#include "ui/main/main_window_win.h"
#include "ui/toolkit/controls_win.h"

using namespace quorrel;
using namespace std::chrono_literals;

namespace {

constexpr const char* kSettingsTexts[] = {".Pw 文件关联", "取消关联", "设置关联", "自定义快捷键", "点击设置",
                                          "导入账号数据", "开始导入", "软件启动密码", "开启", "关闭",
                                          "托盘载入方式", "单击", "双击", "账号列表密码显示为", "明文", "密文",
                                          "软件设定"};

class DpiScreens : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pictures_.loaded()) << "Quorrel.exe is not beside the tests";
    store_ = MakeAccountStore(dir_.path());
    PumpMessages(50ms);  // a quit left by an earlier test's last window
  }
  void TearDown() override {
    if (main_ && IsWindow(main_)) DestroyWindow(main_);
    PumpMessages(50ms);
  }

  // The main window as the program opens it, on page `page` (chosen on its menu strip).
  HWND OpenMain(int page) {
    MainWindowArgs args;
    args.settings = Settings(ConfigFile(dir_.path() + "\\Config.ini"));
    args.accounts = &store_;
    args.importFilePath = &importPath_;
    args.pendingAccountKey = &pendingKeys_[0];
    args.pendingPasswordKey = &pendingKeys_[1];
    args.programPath = dir_.path() + "\\Quorrel.exe";
    main_ = OpenMainWindow(std::move(args));
    if (!main_) return nullptr;
    // The menu strip: the one bar directly on the window.
    if (HWND menu = FindWindowExW(main_, nullptr, L"QuorrelBar", nullptr)) {
      const RECT button = ui::BarButtonRect(menu, page);
      const LPARAM mid = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
      SendMessageW(menu, WM_LBUTTONDOWN, MK_LBUTTON, mid);
      SendMessageW(menu, WM_LBUTTONUP, 0, mid);
    }
    PumpMessages(100ms);
    return main_;
  }

  // The font the window's controls are drawn with.
  HFONT FontOf(HWND window) {
    HWND label = FindWindowExW(window, nullptr, L"Static", nullptr);
    return label ? reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)) : nullptr;
  }

  void ExpectWholeWindowSaved(HWND window, const std::string& name, int width, int height) {
    screens::Picture picture = screens::Capture(window);
    EXPECT_EQ(picture.width, MulDiv(width, ui::DpiOf(window), 96)) << name;
    EXPECT_EQ(picture.height, MulDiv(height, ui::DpiOf(window), 96)) << name;
    std::string path = screens::SaveWindowPicture(window, name);
    EXPECT_FALSE(path.empty()) << name;
    std::printf("picture: %s\n", path.c_str());
  }

  screens::ProgramPictures pictures_;
  TempDir dir_;
  AccountStore store_;
  Text importPath_;
  int32_t pendingKeys_[2] = {};
  HWND main_ = nullptr;
};

}  // namespace

TEST_F(DpiScreens, SettingsPage) {
  HWND main = OpenMain(1);
  ASSERT_TRUE(main);
  for (const char* text : kSettingsTexts) EXPECT_TRUE(screens::FontDrawsAll(FontOf(main), text)) << text;
  ExpectWholeWindowSaved(main, "settings", 480, 500);
}

TEST_F(DpiScreens, AboutPage) {
  HWND main = OpenMain(2);
  ASSERT_TRUE(main);
  for (const char* text : {about::kProgramName, about::kVersionLabel, about::kDescription, about::kForumButton,
                           about::kFeedbackButton, about::kWeChatButton, about::kAlipayButton, "其他说明"})
    EXPECT_TRUE(screens::FontDrawsAll(FontOf(main), text)) << text;
  ExpectWholeWindowSaved(main, "about", 480, 500);
}

// The other windows, as far as they are built: a window that closes at once leaves no picture.
TEST_F(DpiScreens, Keypad) {
  PinPadArgs pad;
  pad.mode = PinPadMode::Verify;
  pad.settings = Settings(ConfigFile(dir_.path() + "\\Config.ini"));
  EXPECT_TRUE(screens::SaveOpenedWindow("keypad", "启动密码", [&] { OpenPinPadWindow(nullptr, std::move(pad)); }));
}

TEST_F(DpiScreens, HotkeyWindow) {
  HotkeyWindowArgs hotkeys;
  hotkeys.settings = Settings(ConfigFile(dir_.path() + "\\Config.ini"));
  hotkeys.pendingAccountKey = &pendingKeys_[0];
  hotkeys.pendingPasswordKey = &pendingKeys_[1];
  EXPECT_TRUE(screens::SaveOpenedWindow("hotkeys", "设置快捷键", [&] { OpenHotkeyWindow(nullptr, std::move(hotkeys)); }));
}

TEST_F(DpiScreens, ImportWindow) {
  ImportWindowArgs import;
  import.accounts = &store_;
  import.importFilePath = &importPath_;
  if (!screens::SaveOpenedWindow("import", "导入文件", [&] { OpenImportWindow(nullptr, std::move(import)); }))
    GTEST_SKIP() << "the import window closed at once";
}

// With a file dropped on it: the tick above the file's name.
namespace {
struct DroppedShot {
  std::string file;
  std::string saved;
};
DroppedShot g_dropped;

void CALLBACK DropThenSave(HWND, UINT, UINT_PTR id, DWORD) {
  HWND window = FindWindowW(L"QuorrelWindow", Utf8ToWide("导入文件").c_str());
  if (!window || !IsWindowVisible(window)) return;
  KillTimer(nullptr, id);
  if (e2e::DropFiles(window, {g_dropped.file})) g_dropped.saved = screens::SaveWindowPicture(window, "import-file");
  PostMessageW(window, WM_CLOSE, 0, 0);
}
}  // namespace

TEST_F(DpiScreens, ImportWindowWithAFile) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));  // the window takes drops through OLE
  g_dropped = {dir_.path() + "\\" + Utf8ToAnsi("账号列表 2024.txt"), ""};
  ASSERT_TRUE(RawWrite(g_dropped.file, "a----b----c\r\n"));
  ImportWindowArgs import;
  import.accounts = &store_;
  import.importFilePath = &importPath_;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, DropThenSave);
  OpenImportWindow(nullptr, std::move(import));
  KillTimer(nullptr, timer);
  PumpMessages(50ms);
  EXPECT_EQ(importPath_, g_dropped.file);
  EXPECT_FALSE(g_dropped.saved.empty());
  std::printf("picture: %s\n", g_dropped.saved.c_str());
  OleUninitialize();
}
