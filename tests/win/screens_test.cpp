// Pictures of the program's windows at the prefix's DPI (Dpi*: 100 % here, 150 % in the
// 144-DPI prefix), saved under screens/<percent>/ beside the tests, with checks that the
// pages' texts have glyphs in the font they are drawn with.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "app/app_texts.h"
#include "driver/drag_drop.h"
#include "exchange/account_file.h"
#include "exchange/exchange_texts.h"
#include "exchange/import_window_win.h"
#include "exchange/record_editor_win.h"
#include "input/hotkey_window_win.h"
#include "input/input_texts.h"
#include "input/input_window_win.h"
#include "input/key_names.h"
#include "security/pin_pad_win.h"
#include "security/security_texts.h"
#include "store/account_store_win.h"
#include "store/settings.h"
#include "store/table_messages_win.h"
#include "tests/win/screens.h"
#include "ui/main/main_texts.h"
#include "ui/main/main_window_win.h"
#include "ui/toolkit/balloon_win.h"
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

// The input window with the note it shows at the opening: a key another program holds, a
// file that is no .Pw file.
TEST_F(DpiScreens, InputWindowWithItsNotes) {
  const std::string damaged = dir_.path() + "\\" + Utf8ToAnsi("#邮箱 张三.Pw");
  ASSERT_TRUE(RawWrite(damaged, BuildAccountFileContent("zhangsan", "pw").substr(0, 40)));
  for (const char* name : {"input-key-note", "input-file-note"}) {
    const bool fileNote = name == std::string("input-file-note");
    const bool held = !fileNote && RegisterHotKey(nullptr, 1, 0, VK_F9);
    InputWindowArgs args{.user = SecretText(std::string_view("zhangsan")), .password = SecretText(std::string_view("pw")),
                         .accountHotkeyCode = VK_F8, .passwordHotkeyCode = VK_F9};
    if (fileNote) args.accountFile = damaged;
    HWND input = OpenInputWindow(nullptr, std::move(args));
    PumpMessages(300ms);  // the note comes once the window is in place
    HWND note = nullptr;  // the input window's
    do note = FindWindowExW(nullptr, note, L"tooltips_class32", nullptr);
    while (note && GetWindow(note, GW_OWNER) != input);
    EXPECT_TRUE(input && note && IsWindowVisible(note)) << name;
    EXPECT_FALSE(screens::SaveWindowPicture(input, name, note).empty()) << name;
    DestroyWindow(input);
    if (held) UnregisterHotKey(nullptr, 1);
    PumpMessages(50ms);
  }
}

// Every message about the account table, as the list, the editor and the import show it.
TEST_F(DpiScreens, TableMessages) {
  const Text path = Utf8ToAnsi("C:\\Users\\张三\\Documents\\Quorrel\\UserData.edb");
  Text tooLong = Utf8ToAnsi("C:\\Users\\张三\\Documents");
  while (tooLong.size() < MAX_PATH) tooLong += Utf8ToAnsi("\\工作资料\\2024年项目\\backup-folder");
  tooLong += "\\UserData.edb";
  using enum TableOutcome;
  const struct { const char* name; TableOutcome outcome; const Text& path; } cases[] = {
      {"table-cannot-open", kCannotOpen, path}, {"table-cannot-create", kCannotCreate, path},
      {"table-busy", kBusy, path},              {"table-disk-full", kDiskFull, path},
      {"table-write-failed", kWriteFailed, path}, {"table-no-free-pid", kNoFreePid, path},
      {"table-too-big", kTooBig, path},         {"table-path-too-long", kWriteFailed, tooLong}};
  for (const auto& c : cases)
    EXPECT_TRUE(screens::SaveOpenedWindow(
        c.name, "Quorrel", [&] { TellTableOutcome(nullptr, "Quorrel", "不能添加账号。", c.outcome, c.path, "点“添加”"); },
        L"#32770"))
        << c.name;
  // A table that is there (the disk-full text then says it is unchanged), and the start's
  // read of the list.
  const Text there = dir_.path() + "\\UserData.edb";
  ASSERT_TRUE(RawWrite(there, "x"));
  EXPECT_TRUE(screens::SaveOpenedWindow("table-disk-full-existing", "Quorrel", [&] {
    TellTableOutcome(nullptr, "Quorrel", "账号没有删除。", kDiskFull, there, "点“删除”");
  }, L"#32770"));
  for (const auto& [name, outcome] : {std::pair{"table-list-busy", kBusy}, std::pair{"table-list-disk-full", kDiskFull}})
    EXPECT_TRUE(screens::SaveOpenedWindow(name, "Quorrel", [&, outcome = outcome] {
      MessageBoxW(nullptr, ListReadText(outcome, path).c_str(), L"Quorrel", MB_OK | MB_ICONWARNING);
    }, L"#32770")) << name;
}

// The other messages whose words were chosen with care, as their windows show them: a box
// of this title and icon, with the text the code puts together.
TEST_F(DpiScreens, MessagesOfSettingsExportAndStart) {
  const std::string config = "C:\\Users\\张三\\Documents\\Quorrel\\Config.ini", folder = "C:\\Program Files (x86)\\Quorrel";
  const auto setting = [&](bool readOnly) {
    return main_texts::kSettingNotSavedHead + ("\r\n" + config) + "\r\n\r\n" + main_texts::kSettingNotSavedTail +
           store_texts::WriteAdvice(readOnly, main_texts::kSwitchAgain);
  };
  const auto notExported = [](const std::string& why) { return main_texts::kNotExported + ("\r\n\r\n" + why); };
  const struct {
    const char *name, *title;
    std::string text;
    UINT icon;
  } cases[] = {
      {"setting-not-saved", "Quorrel", setting(false), MB_ICONWARNING},
      {"setting-not-saved-read-only", "Quorrel", setting(true), MB_ICONWARNING},
      {"pin-not-saved", "启动密码",
       security_texts::PinNotSaved(config, store_texts::WriteAdvice(false, security_texts::kSetAgain)), MB_ICONWARNING},
      {"hotkeys-not-saved", "设置快捷键",
       input_texts::HotkeysNotSaved(config, true, false, store_texts::WriteAdvice(true, input_texts::kConfirmAgain)),
       MB_ICONWARNING},
      {"hotkeys-saved", "设置快捷键", input_texts::HotkeysSaved("F6键", "F7键"), MB_ICONINFORMATION},
      {"export-bad-name", "Quorrel", notExported(exchange_texts::kBadName), MB_ICONWARNING},
      {"export-bad-user", "Quorrel", notExported(exchange_texts::kBadUserName), MB_ICONWARNING},
      {"export-failed", "Quorrel", notExported(exchange_texts::ExportFailed()), MB_ICONWARNING},
      {"start-folder-not-writable", "Quorrel",
       app_texts::FolderNotWritable(folder, "C:\\Users\\zhangsan\\AppData\\Local\\VirtualStore\\Program Files (x86)\\Quorrel"),
       MB_ICONERROR},
      {"start-path-too-long", "Quorrel", app_texts::FolderPathTooLong(folder), MB_ICONERROR},
      {"second-start-not-administrator", "Quorrel", app_texts::kRunningWithoutAdministrator, MB_ICONINFORMATION},
      {"second-start-out-of-reach", "Quorrel", app_texts::kRunningOutOfReach, MB_ICONINFORMATION},
  };
  for (const auto& c : cases)
    EXPECT_TRUE(screens::SaveOpenedWindow(c.name, c.title, [&] {
      MessageBoxW(nullptr, Utf8ToWide(c.text).c_str(), Utf8ToWide(c.title).c_str(), MB_OK | c.icon);
    }, L"#32770")) << c.name;
}

// The notes beside the input window whose words changed, as the window shows them: below
// its hint line, the whole note inside the screen.
TEST_F(DpiScreens, InputWindowNotes) {
  const char *kNothing = input_texts::kNothingTyped, *kPart = input_texts::kPartTyped;
  const struct {
    const char* name;
    const char* title;
    std::string text;
  } cases[] = {
      {"note-elevated", kNothing, input_texts::kElevated}, {"note-elevated-file", kNothing, input_texts::kElevatedFromFile},
      {"note-window-changed", kNothing, input_texts::kWindowChanged}, {"note-cut", kPart, input_texts::Cut(3, true)},
      {"note-cut-nothing", kNothing, input_texts::Cut(0, false)},
      {"note-remote-character", kNothing, input_texts::RemoteNeedsCharacter(5)},
      {"note-remote-hotkey", kNothing, input_texts::RemoteNeedsHotkey(3, "")},
      {"note-no-window", kNothing, input_texts::kNoWindow}, {"note-own-window", kNothing, input_texts::kOwnWindow},
      {"note-console-character", kNothing, input_texts::ConsoleNeedsCharacter(11)},
      {"note-console-ime", kNothing, input_texts::kConsoleImeOn},
      {"note-slow-stopped", kPart, input_texts::SlowTypingStopped(12)},
      {"note-changed-while-typing", kPart, input_texts::WindowChangedWhileTyping(7)},
      {"note-slow-typing-tip", "", input_texts::SlowTypingTip("F8键", "F9键")},
  };
  const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  HWND input = OpenInputWindow(nullptr, {.user = SecretText(std::string_view("zhangsan")),
                                         .password = SecretText(std::string_view("pw")),
                                         .accountHotkeyCode = VK_F8, .passwordHotkeyCode = VK_F9});
  ASSERT_TRUE(input);
  RECT window{};
  GetWindowRect(input, &window);
  for (const auto& c : cases) {
    ui::Balloon note;
    note.Show(input, POINT{(window.left + window.right) / 2, window.bottom - 8}, c.title, c.text);
    PumpMessages(200ms);
    RECT shown{}, inside{};
    EXPECT_TRUE(note.Window() && GetWindowRect(note.Window(), &shown)) << c.name;
    IntersectRect(&inside, &shown, &screen);
    EXPECT_TRUE(EqualRect(&inside, &shown)) << c.name << " leaves the screen";
    EXPECT_FALSE(screens::SaveWindowPicture(input, c.name, note.Window()).empty()) << c.name;
    note.Hide();
  }
  DestroyWindow(input);
  PumpMessages(50ms);
}

// The import's and the editor's messages, each from a press of the window's button (from a
// timer, inside the window's modal loop) on what brings it.
namespace {
struct Press {
  std::wstring title;
  std::vector<std::wstring> boxes;  // what goes into the window's boxes first
  bool done = false;
};
Press g_press;

void CALLBACK FillAndPress(HWND, UINT, UINT_PTR, DWORD) {
  HWND w = FindWindowW(L"QuorrelWindow", g_press.title.c_str());
  if (g_press.done || !w || !IsWindowVisible(w)) return;
  g_press.done = true;
  HWND box = nullptr;
  for (const std::wstring& text : g_press.boxes) SetWindowTextW(box = FindWindowExW(w, box, L"Edit", nullptr), text.c_str());
  HWND button = FindWindowExW(w, nullptr, L"Button", nullptr);
  SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));  // the message runs a loop of its own
  if (IsWindow(w)) PostMessageW(w, WM_CLOSE, 0, 0);
}

bool SavePressed(const std::string& name, const char* title, Press press, const std::function<void()>& open) {
  g_press = std::move(press);
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, FillAndPress);
  const bool saved = screens::SaveOpenedWindow(name, title, open, L"#32770");
  KillTimer(nullptr, timer);
  return saved;
}
}  // namespace

TEST_F(DpiScreens, ImportAndEditorMessages) {
  ASSERT_EQ(CreateAccountTable(store_), TableOutcome::kCreated);
  const std::string folder = dir_.path() + "\\";
  ASSERT_TRUE(RawWrite(folder + "skipped.txt", "邮箱----zhangsan----pw1\r\n只有名称\r\n论坛----lisi----pw2\r\n"));
  ASSERT_TRUE(RawWrite(folder + "none.txt", "只有名称\r\n名称,用户名,密码\r\n"));
  ASSERT_TRUE(RawWrite(folder + "big.txt", std::string(33 << 20, '\n')));
  ASSERT_TRUE(RawWrite(folder + "columns.txt", "title,url,notes\r\n网银,https://bank.example.com,x\r\n"));
  ASSERT_TRUE(RawWrite(folder + "csv.txt", "\xEF\xBB\xBFname,url,username,password\r\n网银,https://bank.example.com,zhang,pw1\r\n"
                                           ",https://mail.example.com/x,li,pw2\r\n邮箱,,wang,\r\n"));
  for (const char* name : {"skipped", "none", "big", "missing", "columns", "csv"}) {
    importPath_ = folder + name + ".txt";
    ImportWindowArgs import{.accounts = &store_, .importFilePath = &importPath_};
    // The import's messages may change their way of showing: a missing picture is only said.
    if (!SavePressed(std::string("import-") + name, "导入文件", {Utf8ToWide("导入文件")},
                     [&] { OpenImportWindow(nullptr, std::move(import)); }))
      std::printf("[   info   ] no import message for %s\n", name);
  }
  RecordEditorArgs editor{.accounts = &store_};
  EXPECT_TRUE(SavePressed("editor-character", "添加账号",
                          {L"", {Utf8ToWide("邮箱"), L"zhangsan", Utf8ToWide("pass\xF0\x9F\x98\x80")}},
                          [&] { OpenRecordEditor(nullptr, std::move(editor)); }));
}

// The input window's hint line: with any two keys and marks it stays on its one line,
// measured with the label's own font against the label's width.
namespace {

struct Hint {
  std::string text;
  int width = 0, room = -1;
  std::vector<std::pair<int, int>> names;  // the width of each name asked for, and its code
};

// Opens the window with the two codes, `held` held by this thread so that the window finds
// them taken: its hint, the hint's width and the label's, and the names' widths.
Hint HintOf(int account, int password, std::vector<int> held = {}, const std::vector<KeyNameRow>& names = {}) {
  for (size_t i = 0; i < held.size(); ++i) RegisterHotKey(nullptr, static_cast<int>(i) + 1, 0, static_cast<UINT>(held[i]));
  HWND window = OpenInputWindow(nullptr, {.accountHotkeyCode = account, .passwordHotkeyCode = password});
  Hint hint;
  for (HWND label = nullptr; (label = FindWindowExW(window, label, L"Static", nullptr));) {
    wchar_t text[256] = {};
    GetWindowTextW(label, text, 256);
    if ((hint.text = WideToUtf8(text)).rfind("账号：", 0) != 0) continue;
    RECT room{};
    GetClientRect(label, &room);
    hint.room = room.right;
    HDC dc = GetDC(label);
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    const auto width = [dc](const std::wstring& s) {
      RECT r{};
      DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
      return static_cast<int>(r.right);
    };
    hint.width = width(text);
    for (const KeyNameRow& row : names) hint.names.emplace_back(width(Utf8ToWide(row.name)), row.code);
    ReleaseDC(label, dc);
    break;
  }
  DestroyWindow(window);
  for (size_t i = 0; i < held.size(); ++i) UnregisterHotKey(nullptr, static_cast<int>(i) + 1);
  PumpMessages(50ms);
  return hint;
}

}  // namespace

TEST(DpiHint, FitsItsLabelWithTheWidestKeyNamesAndTheirMarks) {
  // The two widest names of keys that can be hotkeys (an unusable key's mark is as wide).
  std::vector<KeyNameRow> keys;
  for (const KeyNameRow& row : KeyNameTable())
    if (!IsModifierKey(row.code)) keys.push_back(row);
  Hint measured = HintOf(VK_F8, VK_F9, {}, keys);
  ASSERT_EQ(measured.names.size(), keys.size()) << "no hint label";
  std::sort(measured.names.rbegin(), measured.names.rend());
  const int wide = measured.names[0].second, wider = measured.names[1].second;

  // Both working, both taken, and the common case: F9 held by another program.
  const Hint working = HintOf(wide, wider), refused = HintOf(wide, wider, {wide, wider}),
             common = HintOf(VK_F8, VK_F9, {VK_F9});
  const auto holds = [](const Hint& h, const std::string& part) { return h.text.find(part) != std::string::npos; };
  for (const Hint& h : {working, refused, common}) {
    EXPECT_LE(h.width, h.room) << h.text;
    std::printf("[   info   ] %s: %d of %d px\n", h.text.c_str(), h.width, h.room);
  }
  // What each must still say: the working keys by name, every refused key marked.
  for (int code : {wide, wider}) EXPECT_TRUE(holds(working, KeyName(code).substr(0, KeyName(code).find("键")))) << working.text;
  EXPECT_NE(refused.text.find("被占用"), refused.text.rfind("被占用")) << refused.text;
  EXPECT_TRUE(holds(common, "F8键") && holds(common, "F9键") && holds(common, "被占用")) << common.text;
}
