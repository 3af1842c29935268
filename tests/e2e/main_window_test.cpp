// The account path through the real program: first start, the record editor, the list's
// operations, activating a row into the input window, the tray and the single instance.
#include "main_window_support.h"

#include "exchange/account_file.h"

namespace quorrel::e2e {
namespace {

using Messages = std::vector<std::string>;

class MainWindowTest : public E2eTest {
 protected:
  // Starts the program and waits for its main window with every control found.
  MainUi Open(Process& p) {
    p = Start();
    MainUi ui(WaitWindow(p.id(), kMainTitle));
    EXPECT_TRUE(ui.complete()) << "main window or one of its controls not found";
    return ui;
  }

  // Opens the editor from the toolbar: its four boxes 名称, 用户名, 密码, PID, or nothing.
  std::vector<HWND> OpenEditor(const Process& p, const MainUi& ui) {
    ui.Toolbar(kAdd);
    WaitFor([&] { return !Editors(p.id()).empty(); });
    std::vector<HWND> editors = Editors(p.id());
    EXPECT_EQ(editors.size(), 1u);
    return editors.size() == 1 ? Children(editors[0], "Edit") : std::vector<HWND>{};
  }

  // Fills the boxes given (the PID box only when a fourth text is given) and clicks OK;
  // whether the editor closed (given time only when it should).
  static bool Submit(const std::vector<HWND>& boxes, const std::vector<std::string>& texts, bool taken = true) {
    for (size_t i = 0; i < texts.size(); ++i) TypeInto(boxes[i], texts[i]);
    HWND editor = GetAncestor(boxes[0], GA_ROOT);
    Foreground(editor);
    ClickWindow(ChildByText(editor, "确定添加"));
    Pump(400ms);
    return taken ? WaitFor([&] { return !IsWindow(editor); }, 3s) : !IsWindow(editor);
  }

  // Activates a row by double click; the input window's two boxes (user, password).
  std::vector<HWND> Activate(const Process& p, const MainUi& ui, int row) {
    ui.ClickRow(row, true);
    HWND input = WaitWindow(p.id(), kInputTitle);
    EXPECT_TRUE(input) << "no input window for row " << row;
    std::vector<HWND> boxes = input ? Children(input, "Edit") : std::vector<HWND>{};
    EXPECT_EQ(boxes.size(), 2u);
    return boxes.size() == 2 ? boxes : std::vector<HWND>{};
  }

  static void CloseInput(const std::vector<HWND>& boxes, const MainUi& ui) {
    HWND input = GetAncestor(boxes[0], GA_ROOT);
    PostMessageW(input, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(input); }));
    EXPECT_TRUE(WaitFor([&] { return ui.visible(); })) << "the main window did not come back";
    EXPECT_TRUE(TrayIconGone(ui.window));
  }
};

// One copy runs at a time, on the table beside it: the first start makes it, a second start
// meanwhile brings it back from the tray and ends, and the start after the exit button reads
// the table that is there.
TEST_F(MainWindowTest, AFirstStartMakesTheTableASecondEndsAtOnceAndTheNextFindsIt) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  EXPECT_TRUE(run_.Exists("UserData.edb"));
  const std::string created = run_.Read(kLogName).value_or("");
  EXPECT_TRUE(std::regex_match(created, std::regex("\\d{14} ---> Data Create\\r\\n"))) << created;
  EXPECT_EQ(RowCount(ui.list), 0);
  EXPECT_FALSE(ui.dimmed());

  // A second start while this one runs ends at once without any window of its own, and
  // this one comes to the front, out of the tray.
  ui.Menu(4);
  ASSERT_TRUE(WaitFor([&] { return !ui.visible(); }));
  Process second = Start();
  bool sawWindow = false;
  EXPECT_TRUE(WaitFor(
      [&] {
        for (HWND h : WindowsOf(second.id())) sawWindow |= IsWindowVisible(h) != FALSE;
        return !second.Running();
      },
      15s));
  EXPECT_FALSE(sawWindow);
  EXPECT_EQ(second.WaitExit(1s), std::optional<DWORD>(0));
  EXPECT_TRUE(WaitFor([&] { return ui.visible() && GetForegroundWindow() == ui.window; }, 5s));
  EXPECT_TRUE(TrayIconGone(ui.window));

  // Menu button 5 ends the process at once; the next start logs nothing. (Under Wine a click
  // while the window is still being activated is lost.)
  ASSERT_TRUE(SettledForeground(ui.window));
  ui.Menu(5);
  EXPECT_EQ(p.WaitExit(5s), std::optional<DWORD>(0));
  ReplaceTable(run_, {{"12345", "Mail", "bob", "pw"}});
  Process next;
  MainUi again = Open(next);
  EXPECT_EQ(RowCount(again.list), 1);
  EXPECT_EQ(run_.Read(kLogName).value_or(""), created);
}

TEST_F(MainWindowTest, TheEditorOpensOnceOverTheDimmedWindowComesForwardAndItsCaptionButtonAddsNothing) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  // A quick second click on Add still opens one editor.
  RECT bar;
  GetWindowRect(ui.toolbar, &bar);
  Foreground(ui.window);
  ClickAt(bar.left + Scaled(27), (bar.top + bar.bottom) / 2, true);
  ASSERT_TRUE(WaitFor([&] { return !Editors(p.id()).empty(); }));
  Pump(500ms);
  ASSERT_EQ(Editors(p.id()).size(), 1u);
  std::vector<HWND> boxes = Children(Editors(p.id())[0], "Edit");
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_TRUE(ui.dimmed());
  EXPECT_FALSE(IsWindowEnabled(ui.window));
  const std::string pid = ControlText(boxes[3]);
  ASSERT_TRUE(std::regex_match(pid, std::regex("[1-9]\\d{4}"))) << pid;

  // A second start brings the editor forward, not the window under it.
  HWND editor = GetAncestor(boxes[0], GA_ROOT);
  {
    TargetWindow elsewhere;
    ASSERT_TRUE(elsewhere.Focus());
    Process second = Start();
    EXPECT_TRUE(WaitFor([&] { return !second.Running(); }, 15s));
    EXPECT_EQ(second.WaitExit(1s), std::optional<DWORD>(0));
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == editor; }, 5s));
  }

  TypeInto(boxes[0], "Half");
  RECT r;
  GetWindowRect(editor, &r);
  Foreground(editor);
  ClickAt(r.right - Scaled(15), r.top + Scaled(15));
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }));
  EXPECT_FALSE(ui.dimmed());
  EXPECT_TRUE(IsWindowEnabled(ui.window));
  EXPECT_EQ(RowCount(ui.list), 0);
}

// A character outside the code page is told, naming the box and the character; an empty
// box is only pointed at.
TEST_F(MainWindowTest, TheEditorStaysOpenOnAnEmptyBoxOrTextOutsideTheCodePage) {
  BOOL lossy = FALSE;
  char bytes[16] = {};
  WideCharToMultiByte(CP_ACP, 0, L"\uBE44\uBC00", -1, bytes, sizeof bytes, nullptr, &lossy);
  ASSERT_TRUE(lossy) << "the system code page holds Hangul; this test needs code page 936";
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  const std::vector<HWND> boxes = OpenEditor(p, ui);
  ASSERT_EQ(boxes.size(), 4u);
  const std::vector<std::string> good = {"Mail", "bob", "口令", ControlText(boxes[3])};
  // A box, what is typed into it, and the box's name and the character the message must
  // hold (none for an empty box).
  const struct {
    size_t box;
    std::string text;
    const char *name, *character;
  } cases[] = {{0, "Mail비밀", "显示名称", "비"}, {1, "bob비밀", "用户名", "비"}, {2, "口令비밀", "用户密码", "비"},
               {3, good[3] + "비밀", "PID", "비"}, {2, "pass\xF0\x9F\x98\x80", "用户密码", "\xF0\x9F\x98\x80"},
               {0, "", nullptr, nullptr}, {1, "", nullptr, nullptr}, {2, "", nullptr, nullptr}};
  for (const auto& c : cases) {
    std::vector<std::string> texts = good;
    texts[c.box] = c.text;
    ASSERT_FALSE(Submit(boxes, texts, false)) << "taken with box " << c.box << ": " << c.text;
    EXPECT_EQ(ControlText(boxes[(c.box + 1) % 4]), good[(c.box + 1) % 4]) << "what was typed is kept";
    EXPECT_TRUE(ui.dimmed());
    HWND told = WaitMessageBox(p, "添加账号", c.name ? 5s : 300ms);
    ASSERT_EQ(told != nullptr, c.name != nullptr) << "an empty box told, or no word of " << c.text;
    if (!told) continue;
    const std::string said = MessageBoxText(told);
    EXPECT_TRUE(said.find(c.name) != said.npos && said.find(c.character) != said.npos) << said;
    SendMessageW(told, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(told); }));
  }
  EXPECT_EQ(RowCount(ui.list), 0);
  EXPECT_EQ(LogMessages(run_), Messages{"Data Create"});
}

TEST_F(MainWindowTest, TheEditorStoresWhatWasTypedAndMarksEveryStoredByte) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  // Two double-byte characters are four stored bytes: four marks.
  std::vector<HWND> boxes = OpenEditor(p, ui);
  ASSERT_EQ(boxes.size(), 4u);
  const std::string pid = ControlText(boxes[3]);
  ASSERT_TRUE(Submit(boxes, {"Mail", "bob", "口令", pid}));
  EXPECT_FALSE(ui.dimmed());
  EXPECT_TRUE(IsWindowEnabled(ui.window));
  EXPECT_EQ(ListRows(ui.list), (Rows{{"1", "Mail", "bob", "●●●●", pid}}));
  EXPECT_EQ(LogMessages(run_), (Messages{"Data Create", "Add Data " + pid}));
  auto stored = StoredAccount(run_, pid);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->password, "口令");

  // A PID typed over is taken as typed; spaces, kana and the euro sign are text.
  boxes = OpenEditor(p, ui);
  ASSERT_EQ(boxes.size(), 4u);
  ASSERT_TRUE(Submit(boxes, {"  ", "bob", "9 かな€", "X-42"}));
  EXPECT_EQ(ListRows(ui.list), (Rows{{"1", "Mail", "bob", "●●●●", pid}, {"2", "  ", "bob", "●●●●●●●", "X-42"}}));
  EXPECT_EQ(LogMessages(run_), (Messages{"Data Create", "Add Data " + pid, "Add Data X-42"}));
  stored = StoredAccount(run_, "X-42");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->password, "9 かな€");
}

// Another program holds the table past the retry budget: the editor says so and keeps what
// was typed; once the table is free the same click adds.
TEST_F(MainWindowTest, AnAddToAHeldTableIsToldKeepsWhatWasTypedAndGoesInOnceFree) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  const std::vector<HWND> boxes = OpenEditor(p, ui);
  ASSERT_EQ(boxes.size(), 4u);
  const std::string heldPid = ControlText(boxes[3]);
  {
    UniqueFile holder(CreateFileA(run_.File("UserData.edb").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
    ASSERT_TRUE(holder);
    EXPECT_FALSE(Submit(boxes, {"Held", "carol", "pw-3"}, false));
    HWND told = WaitMessageBox(p, "添加账号");
    ASSERT_TRUE(told) << "a failed add said nothing";
    EXPECT_NE(MessageBoxText(told).find("没有保存"), std::string::npos) << MessageBoxText(told);
    SendMessageW(told, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(told); }));
  }
  ASSERT_TRUE(IsWindow(boxes[0])) << "the editor closed and lost what was typed";
  EXPECT_EQ(ControlText(boxes[0]) + ControlText(boxes[1]) + ControlText(boxes[2]), "Heldcarolpw-3");
  EXPECT_EQ(RowCount(ui.list), 0);
  ASSERT_TRUE(Submit(boxes, {}));
  EXPECT_EQ(RowCount(ui.list), 1);
  EXPECT_EQ(LogMessages(run_), (Messages{"Data Create", "Add Data " + heldPid}));
}

// The records the refresh and the export tests put in the table: one account with a Chinese
// name, and three whose exported file name would leave the desktop.
std::vector<Account> ExportTable(const std::string& user) {
  return {{"12345", "邮箱", user, "s3cret 口令"}, {"23456", "..\\x", "bob", "pw"}, {"34567", "\\..\\..\\x", "bob", "pw"},
          {"45678", "a:b", "bob", "pw"}};
}

TEST_F(MainWindowTest, DeleteAsksNamingTheAccountAndRemovesEveryRecordOfItsPid) {
  const std::string longPid(1500, '7');
  const std::string longName = std::string(1200, 'n') + "邮";
  SeedTable(run_, {{"11111", "A", "ua", "pa"}, {"22222", "B", "ub", "pb"}, {"33333", "C", "uc", "pc"},
                   {"22222", "B2", "ub2", "pb2"}, {longPid, longName, "u", "p"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ASSERT_EQ(RowCount(ui.list), 5);
  EXPECT_EQ(Cell(ui.list, 4, 1), longName);
  EXPECT_EQ(Cell(ui.list, 4, 4), longPid);

  // Nothing selected: nothing happens.
  ui.Toolbar(kDelete);
  EXPECT_EQ(RowCount(ui.list), 5);
  EXPECT_FALSE(run_.Exists(kLogName));

  // Delete asks first, naming the account; No is the default and changes nothing.
  ui.ClickRow(1);
  ASSERT_EQ(SelectedRow(ui.list), 1);
  ui.Toolbar(kDelete);
  HWND ask = WaitMessageBox(p, "删除账号");
  ASSERT_TRUE(ask) << "delete asked nothing";
  EXPECT_NE(MessageBoxText(ask).find("B ub"), std::string::npos) << MessageBoxText(ask);
  Foreground(ask);
  PressKey(VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(ask); }));
  Pump(300ms);
  EXPECT_EQ(RowCount(ui.list), 5);
  EXPECT_FALSE(run_.Exists(kLogName));
  EXPECT_TRUE(StoredAccount(run_, "22222"));

  // Every record of the PID goes once the user says yes, each logged, and the numbers
  // close up.
  ui.ClickRow(1);
  ui.Toolbar(kDelete);
  ask = WaitMessageBox(p, "删除账号");
  ASSERT_TRUE(ask);
  SendMessageW(ask, WM_COMMAND, IDYES, 0);
  ASSERT_TRUE(WaitFor([&] { return RowCount(ui.list) == 3; }));
  EXPECT_EQ(Cell(ui.list, 1, 0) + Cell(ui.list, 1, 4), "233333");
  EXPECT_EQ(LogMessages(run_), (Messages{"Del Data 22222", "Del Data 22222"}));
  EXPECT_FALSE(StoredAccount(run_, "22222"));

  // The rebuild cleared the selection: a second click deletes nothing.
  EXPECT_EQ(SelectedRow(ui.list), -1);
  ui.Toolbar(kDelete);
  EXPECT_EQ(RowCount(ui.list), 3);
  EXPECT_FALSE(WaitMessageBox(p, "删除账号", 300ms)) << "asked with nothing selected";
  ASSERT_TRUE(SelectRow(ui.list, 2));
  ui.Toolbar(kDelete);
  ask = WaitMessageBox(p, "删除账号");
  ASSERT_TRUE(ask);
  SendMessageW(ask, WM_COMMAND, IDYES, 0);
  ASSERT_TRUE(WaitFor([&] { return RowCount(ui.list) == 2; })) << "the long PID was not found";
  EXPECT_EQ(ListRows(ui.list), (Rows{{"1", "A", "ua", "●●", "11111"}, {"2", "C", "uc", "●●", "33333"}}));
  EXPECT_EQ(LogMessages(run_), (Messages{"Del Data 22222", "Del Data 22222", "Del Data " + longPid}));
}

// Refresh rereads the table put in place behind the program's back, and "Laws": only "Show"
// shows the passwords, as only "Show" selects "明文" on the settings page.
TEST_F(MainWindowTest, RefreshRereadsTheTableAndOnlyShowShowsThePasswords) {
  SeedTable(run_, {{"11111", "A", "ua", "pa"}, {"33333", "C", "uc", "pc"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ReplaceTable(run_, ExportTable("bob"));
  EXPECT_EQ(RowCount(ui.list), 2) << "the list changes only when it is rebuilt";
  const std::string masked = "●●●●●●●●●●●";  // 11 stored bytes
  for (auto [laws, shown] : {std::pair<const char*, std::string>{"Show", "s3cret 口令"}, {"show", masked},
                             {"hide", masked}, {"", masked}, {"Hide", masked}}) {
    run_.WriteConfig("Laws", laws);
    ui.Toolbar(kRefresh);
    EXPECT_TRUE(WaitFor([&] { return RowCount(ui.list) == 4 && Cell(ui.list, 0, 3) == shown; }, 3s))
        << "Laws=" << laws << ": " << Cell(ui.list, 0, 3);
  }
  EXPECT_EQ(run_.Read(kLogName).value_or(""), "");
}

// Export writes "#<name> <user>.Pw" on the desktop, only for a selected row, unlogged; a name
// that leaves the desktop writes nothing anywhere.
TEST_F(MainWindowTest, ExportWritesTheSelectedAccountOnTheDesktopAndNowhereElse) {
  const std::string user = "bob" + std::to_string(GetCurrentProcessId());
  SeedTable(run_, ExportTable(user));
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  const std::string desktop = DesktopFolder();
  const std::string up = desktop.substr(0, desktop.find_last_of('\\'));
  const std::string file = desktop + "\\" + Ansi("#邮箱 " + user + ".Pw");
  DeleteFileA(file.c_str());
  const std::vector<std::string> folders = {desktop, up, run_.path()};
  std::vector<std::vector<std::string>> before;
  for (const std::string& f : folders) before.push_back(FilesIn(f));
  ui.Toolbar(kExport);
  Pump(300ms);
  EXPECT_EQ(FilesIn(desktop), before[0]);
  ui.ClickRow(0);
  ui.Toolbar(kExport);
  EXPECT_TRUE(WaitFor([&] { return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES; }))
      << "no " << Utf8(file);
  EXPECT_EQ(Utf8(ReadAccountFile(file).str()), user + "----s3cret 口令");
  DeleteFileA(file.c_str());

  for (int row = 1; row < 4; ++row) {
    ASSERT_TRUE(SelectRow(ui.list, row));
    ui.Toolbar(kExport);
  }
  Pump(500ms);
  for (size_t i = 0; i < folders.size(); ++i) EXPECT_EQ(FilesIn(folders[i]), before[i]) << folders[i];
  EXPECT_EQ(GetFileAttributesA((up + "\\x bob.Pw").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(run_.Read(kLogName).value_or(""), "");
  EXPECT_TRUE(p.Running());
}

TEST_F(MainWindowTest, ActivatingRowsTypesThePlainAccountFromTheTray) {
  SeedTable(run_, {{"12345", "Mail", "bob", "Secret-9"}, {"23456", "Web", "alice", "pw2"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  TargetWindow target;
  EXPECT_EQ(Cell(ui.list, 0, 3), "●●●●●●●●");
  std::vector<HWND> boxes = Activate(p, ui, 0);
  ASSERT_FALSE(boxes.empty());
  EXPECT_TRUE(WaitFor([&] { return !ui.visible(); })) << "the main window stayed";
  EXPECT_TRUE(TrayIconPresent(ui.window));
  EXPECT_EQ(ControlText(boxes[0]), "bob");
  EXPECT_EQ(ControlText(boxes[1]), "Secret-9");
  EXPECT_EQ(SendMessageW(boxes[1], EM_GETPASSWORDCHAR, 0, 0), 0) << "the password is shown in plain";
  EXPECT_EQ(Typed(target, VK_F8, 3), "bob");
  EXPECT_EQ(Typed(target, VK_F9, 8), "Secret-9");
  CloseInput(boxes, ui);
  EXPECT_FALSE(run_.Exists(kLogName));

  // Enter on the list activates the selected row.
  ui.ClickRow(1);
  ASSERT_EQ(SelectedRow(ui.list), 1);
  PressKey(VK_RETURN);
  HWND input = WaitWindow(p.id(), kInputTitle);
  ASSERT_TRUE(input) << "Enter on the list opened no input window";
  EXPECT_EQ(ControlText(Children(input, "Edit")[0]), "alice");
  EXPECT_FALSE(ui.visible());
  CloseInput(Children(input, "Edit"), ui);

  // Back from the tray ("1": a single click) with the input window open, another row is
  // activated: one input window, typing the new account.
  run_.WriteConfig("Tray", "1");
  boxes = Activate(p, ui, 0);
  ASSERT_FALSE(boxes.empty());
  HWND first = GetAncestor(boxes[0], GA_ROOT);
  ui.TrayClick(WM_LBUTTONUP);
  ASSERT_TRUE(WaitFor([&] { return ui.visible(); }));
  EXPECT_TRUE(TrayIconGone(ui.window));
  EXPECT_TRUE(IsWindowVisible(first));
  ui.ClickRow(1, true);
  ASSERT_TRUE(WaitFor([&] { return !ui.visible(); }));
  std::vector<HWND> inputs;
  WaitFor([&] {
    inputs.clear();
    for (HWND h : WindowsOf(p.id(), kInputTitle))
      if (IsWindowVisible(h)) inputs.push_back(h);
    return inputs.size() == 1 && inputs[0] != first;
  });
  ASSERT_EQ(inputs.size(), 1u) << "input windows open at once";
  boxes = Children(inputs[0], "Edit");
  EXPECT_EQ(ControlText(boxes[0]), "alice");
  EXPECT_TRUE(TrayIconPresent(ui.window));
  EXPECT_EQ(Typed(target, VK_F8, 5), "alice");
  EXPECT_EQ(Typed(target, VK_F9, 3), "pw2");
  CloseInput(boxes, ui);

  // A row whose PID is no longer stored opens nothing (typing the account shown before
  // would put another account's password into this log-in): the list shows the table as
  // it is now, and the main window stays.
  boxes = Activate(p, ui, 0);
  ASSERT_FALSE(boxes.empty());
  CloseInput(boxes, ui);
  ASSERT_EQ(RowCount(ui.list), 2);
  ReplaceTable(run_, {{"12345", "Mail", "bob", "Secret-9"}});
  ui.ClickRow(1, true);
  EXPECT_TRUE(WaitFor([&] { return RowCount(ui.list) == 1; })) << "the list was not refreshed";
  Pump(500ms);
  EXPECT_TRUE(ui.visible());
  EXPECT_TRUE(WindowsOf(p.id(), kInputTitle).empty()) << "an input window opened for a vanished account";
  EXPECT_TRUE(TrayIconGone(ui.window));
  EXPECT_TRUE(p.Running());
}

TEST_F(MainWindowTest, TheMenuStripSwitchesPagesAndItsSpacerDoesNothing) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  HWND title = ChildByText(ui.window, "账号列表");
  ASSERT_TRUE(title);
  for (auto [button, page] : {std::pair{1, "软件设定"}, {3, "软件设定"}, {2, "其他说明"}, {0, "账号列表"}}) {
    ui.Menu(button);
    EXPECT_TRUE(WaitFor([&] { return ControlText(title) == page; }, 2s)) << button << ": " << ControlText(title);
  }
  EXPECT_TRUE(IsWindowVisible(ui.list));
}

TEST_F(MainWindowTest, DraggingTheBarePanelBelowTheListMovesTheWindow) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  RECT before, list, after;
  GetWindowRect(ui.window, &before);
  GetWindowRect(ui.list, &list);
  POINT from{list.left + Scaled(40), list.bottom + Scaled(20)};
  ASSERT_EQ(WindowFromPoint(from), GetParent(ui.list)) << "not the bare panel";
  ASSERT_TRUE(SettledForeground(ui.window));  // a press while another window comes up is lost
  auto mouse = [](DWORD flags, int x, int y) {
    SetCursorPos(x, y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
    Pump(50ms);
  };
  mouse(MOUSEEVENTF_LEFTDOWN, from.x, from.y);
  for (int step = 1; step <= 10; ++step) mouse(MOUSEEVENTF_MOVE, from.x + step * 6, from.y + step * 4);
  mouse(MOUSEEVENTF_LEFTUP, from.x + 60, from.y + 40);
  WaitFor([&] { return GetWindowRect(ui.window, &after) && after.top - before.top >= 40; }, 3s);
  EXPECT_EQ(after.left - before.left, 60);
  EXPECT_EQ(after.top - before.top, 40);
}

// "Tray" is read at every click: "1" the single click, "3" (only by hand) the right click,
// any other value the double click, so the window can always come back.
TEST_F(MainWindowTest, TheTrayClickThatRestoresTheWindowIsReadFromTrayAtEveryClick) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  EXPECT_FALSE(TrayIconPresent(ui.window));
  struct Case {
    const char* tray;  // nullptr: no key
    UINT restoring;
  };
  for (Case c : {Case{"1", WM_LBUTTONUP}, Case{"2", WM_LBUTTONDBLCLK}, Case{"3", WM_RBUTTONUP},
                 Case{"7", WM_LBUTTONDBLCLK}, Case{"abc", WM_LBUTTONDBLCLK}, Case{"1x", WM_LBUTTONDBLCLK},
                 Case{nullptr, WM_LBUTTONDBLCLK}}) {
    const char* name = c.tray ? c.tray : "(absent)";
    if (c.tray) run_.WriteConfig("Tray", c.tray);
    else DeleteFileA(run_.File("Config.ini").c_str());
    ui.Menu(4);
    ASSERT_TRUE(WaitFor([&] { return !ui.visible(); })) << name;
    EXPECT_TRUE(TrayIconPresent(ui.window)) << name;
    for (UINT other : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP, WM_CONTEXTMENU, WM_LBUTTONDOWN, WM_MOUSEMOVE})
      if (other != c.restoring && !(c.restoring == WM_RBUTTONUP && other == WM_CONTEXTMENU)) {
        ui.TrayClick(other);
        EXPECT_FALSE(ui.visible()) << name << ": mouse message " << other;
      }
    EXPECT_TRUE(TrayIconPresent(ui.window)) << name;
    ui.TrayClick(c.restoring);
    EXPECT_TRUE(WaitFor([&] { return ui.visible(); })) << name;
    EXPECT_TRUE(TrayIconGone(ui.window)) << name;
  }
}

// One icon however often the window is hidden, back when the shell starts anew, and no
// hiding without an icon of its own to come back by.
TEST_F(MainWindowTest, TheTrayIconIsNeverDoubledComesBackWithTheShellAndIsNeededToHide) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  // Hiding twice (the hidden strip's button 4 by posted clicks) leaves one icon.
  ui.Menu(4);
  ASSERT_TRUE(WaitFor([&] { return !ui.visible(); }));
  RECT bar;
  GetClientRect(ui.menu, &bar);
  int span = bar.bottom + Scaled(5);
  ClickClient(ui.menu, bar.right / 2, (4 * span / 6 + 5 * span / 6 - Scaled(5)) / 2);
  Pump(300ms);
  EXPECT_FALSE(ui.visible());
  // The shell forgets the icon and announces itself anew: the icon comes back.
  NOTIFYICONDATAA nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = ui.window;
  nid.uID = kTrayIconId;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &nid));
  EXPECT_FALSE(TrayIconPresent(ui.window)) << "an icon stayed behind";
  PostMessageW(ui.window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(WaitFor([&] { return TrayIconPresent(ui.window); }, 3s));
  ui.TrayClick(WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitFor([&] { return ui.visible(); }));
  EXPECT_TRUE(TrayIconGone(ui.window));

  // When the shell takes no icon (one of the same owner and id is there) the window stays.
  nid.uFlags = NIF_ICON;
  nid.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
  ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &nid));
  ui.Menu(4);
  Pump(300ms);
  EXPECT_TRUE(ui.visible()) << "hidden without an icon of its own";
  Shell_NotifyIconA(NIM_DELETE, &nid);
}

// Another program holds the table past the retries (a backup, a scanner): opening a row says
// the table is busy and keeps the list; once it is let go, the row opens.
TEST_F(MainWindowTest, ATableHeldByAnotherProgramKeepsTheListAndSaysItIsBusy) {
  SeedTable(run_, {{"12345", "Mail", "bob", "Secret-9"}, {"23456", "Web", "alice", "pw2"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ASSERT_EQ(RowCount(ui.list), 2);
  {
    UniqueFile held(CreateFileA(run_.File("UserData.edb").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr));
    ASSERT_TRUE(held);
    ui.ClickRow(1, true);
    HWND busy = WaitMessageBox(p, "Quorrel", 10s);
    ASSERT_TRUE(busy) << "the row did not open and nothing was said";
    const std::string said = MessageBoxText(busy);
    EXPECT_NE(said.find("占用"), std::string::npos) << said;
    SendMessageW(busy, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(RowCount(ui.list), 2) << "the accounts seemed gone";
    EXPECT_TRUE(WindowsOf(p.id(), kInputTitle).empty());
    // A refresh while it is held keeps the rows too.
    ui.Toolbar(kRefresh);
    if (HWND again = WaitMessageBox(p, "Quorrel", 10s)) SendMessageW(again, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(RowCount(ui.list), 2);
  }
  std::vector<HWND> boxes = Activate(p, ui, 1);
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(ControlText(boxes[0]), "alice");
  CloseInput(boxes, ui);
}


TEST_F(MainWindowTest, ATableOfRandomBytesIsNeverWritten) {
  SeedTable(run_, {{"12345", "Mail", "bob", "pw"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ASSERT_EQ(RowCount(ui.list), 1);
  const std::string junk = RandomBytes(4096);
  const std::string seeded = run_.Read("UserData.edb").value_or("");

  // Spoiled while the editor is open: nothing is taken, the editor says so and keeps what
  // was typed; closed, it adds nothing.
  std::vector<HWND> boxes = OpenEditor(p, ui);
  ASSERT_EQ(boxes.size(), 4u);
  run_.Write("UserData.edb", junk);
  EXPECT_FALSE(Submit(boxes, {"New", "user", "pw"}, false));
  HWND told = WaitMessageBox(p, "添加账号");
  ASSERT_TRUE(told);
  SendMessageW(told, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(ControlText(boxes[0]), "New");
  PostMessageW(GetAncestor(boxes[0], GA_ROOT), WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return !ui.dimmed(); }));
  EXPECT_EQ(RowCount(ui.list), 1);
  EXPECT_TRUE(p.Running());

  // Export of the row still shown writes nothing; the list is refilled, empty, and the user
  // is told once that the table does not open and is left as it is.
  std::vector<std::string> desktop = FilesIn(DesktopFolder());
  ASSERT_TRUE(SelectRow(ui.list, 0));
  ui.Toolbar(kExport);
  EXPECT_TRUE(WaitFor([&] { return RowCount(ui.list) == 0; }));
  HWND problem = WaitMessageBox(p, "Quorrel");
  ASSERT_TRUE(problem) << "an unopenable table was shown as an empty list without a word";
  const std::string said = MessageBoxText(problem);
  EXPECT_NE(said.find(Utf8(run_.File("UserData.edb"))), std::string::npos) << said;
  EXPECT_NE(said.find("没有改动"), std::string::npos) << said;
  SendMessageW(problem, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(problem); }));

  // The table back for a moment, then spoiled again under the row: delete writes nothing
  // either, and the user is not told twice in one start.
  run_.Write("UserData.edb", seeded);
  ui.Toolbar(kRefresh);
  ASSERT_TRUE(WaitFor([&] { return RowCount(ui.list) == 1; }));
  run_.Write("UserData.edb", junk);
  ASSERT_TRUE(SelectRow(ui.list, 0));
  ui.Toolbar(kDelete);
  if (HWND ask = WaitMessageBox(p, "删除账号")) SendMessageW(ask, WM_COMMAND, IDYES, 0);
  EXPECT_TRUE(WaitFor([&] { return RowCount(ui.list) == 0; }));
  EXPECT_FALSE(WaitMessageBox(p, "Quorrel", 1s)) << "told twice in one start";
  EXPECT_EQ(FilesIn(DesktopFolder()), desktop);
  EXPECT_EQ(run_.Read("UserData.edb"), junk);
  EXPECT_FALSE(run_.Exists(kLogName));

  // Adding explains the same instead of restarting the program.
  ui.Toolbar(kAdd);
  HWND explained = WaitMessageBox(p, "Quorrel");
  ASSERT_TRUE(explained);
  EXPECT_NE(MessageBoxText(explained).find("没有改动"), std::string::npos);
  SendMessageW(explained, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(Editors(p.id()).empty());
  Pump(3s);
  EXPECT_TRUE(p.Running()) << "adding restarted the program";
  EXPECT_FALSE(run_.Exists("Restart.bat"));

  // The next start tells it once more, and never writes the file.
  ui.Menu(5);
  ASSERT_EQ(p.WaitExit(5s), std::optional<DWORD>(0));
  Process next;
  MainUi again = Open(next);
  HWND atStart = WaitMessageBox(next, "Quorrel");
  ASSERT_TRUE(atStart);
  SendMessageW(atStart, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(RowCount(again.list), 0);
  EXPECT_EQ(run_.Read("UserData.edb"), junk);
  EXPECT_FALSE(run_.Exists(kLogName));
}

}  // namespace
}  // namespace quorrel::e2e
