// The account path through the real program: first start, the record editor, the list's
// operations, activating a row into the input window, the tray and the single instance.
#include "main_window_support.h"

#include "exchange/account_file.h"

namespace quorrel::e2e {
namespace {

class MainWindowTest : public E2eTest {
 protected:
  // Starts the program and waits for its main window with every control found.
  MainUi Open(Process& p) {
    p = Start();
    HWND main = WaitWindow(p.id(), kMainTitle);
    MainUi ui(main);
    EXPECT_TRUE(ui.complete()) << "main window or one of its controls not found";
    return ui;
  }

  // Opens the editor from the toolbar; null (and a failure) when it does not come.
  HWND OpenEditor(const Process& p, const MainUi& ui) {
    ui.Toolbar(kAdd);
    HWND editor = WaitEditor(p.id());
    EXPECT_TRUE(editor) << "the editor did not open";
    if (editor && EditorBoxes(editor).size() != 4) {
      ADD_FAILURE() << "the editor has " << EditorBoxes(editor).size() << " edit boxes";
      return nullptr;
    }
    return editor;
  }

  // Adds one account through the editor; the PID it was stored under.
  std::string AddThroughEditor(const Process& p, const MainUi& ui, const std::string& name,
                               const std::string& user, const std::string& password) {
    HWND editor = OpenEditor(p, ui);
    if (!editor) return {};
    std::vector<HWND> boxes = EditorBoxes(editor);
    std::string pid = ControlText(boxes[3]);
    TypeInto(boxes[0], name);
    TypeInto(boxes[1], user);
    TypeInto(boxes[2], password);
    ClickOk(editor);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(editor); })) << "the editor stayed open";
    return pid;
  }
};

std::vector<std::string> Messages(std::initializer_list<std::string> list) { return list; }

// --- first start -------------------------------------------------------------------------

TEST_F(MainWindowTest, FirstStartCreatesTheTableWithOneLogLineAndAnEmptyList) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  EXPECT_TRUE(run_.Exists("UserData.edb"));
  std::string log = run_.Read(kLogName).value_or("");
  EXPECT_TRUE(std::regex_match(log, std::regex("\\d{14} ---> Data Create\\r\\n"))) << log;
  EXPECT_EQ(RowCount(ui.list), 0);
  const std::pair<std::string, int> columns[] = {{"ID", 30}, {"名称", 70}, {"用户名", 145}, {"密码", 145}, {"PID", 0}};
  for (int i = 0; i < 5; ++i) {
    auto [title, width] = Column(ui.list, i);
    EXPECT_EQ(title, columns[i].first);
    EXPECT_EQ(width, Scaled(columns[i].second)) << title;
  }
  EXPECT_FALSE(ui.dimmed());
  EXPECT_FALSE(TrayIconPresent(ui.window));

  // The next start finds the table and writes nothing more.
  p.Terminate();
  Process again;
  MainUi second = Open(again);
  EXPECT_EQ(RowCount(second.list), 0);
  EXPECT_EQ(run_.Read(kLogName).value_or(""), log);
}

// --- the record editor ---------------------------------------------------------------------

TEST_F(MainWindowTest, AddingShowsTheRowMaskedAndLogsThePid) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  HWND editor = OpenEditor(p, ui);
  ASSERT_TRUE(editor);
  EXPECT_TRUE(ui.dimmed()) << "the main window is not dimmed while the editor is open";
  EXPECT_FALSE(IsWindowEnabled(ui.window));
  std::vector<HWND> boxes = EditorBoxes(editor);
  std::string pid = ControlText(boxes[3]);
  ASSERT_TRUE(std::regex_match(pid, std::regex("[1-9]\\d{4}"))) << pid;
  TypeInto(boxes[0], "Mail");
  TypeInto(boxes[1], "bob");
  TypeInto(boxes[2], "口令");
  EXPECT_EQ(ControlText(boxes[2]), "口令");
  ClickOk(editor);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }));
  EXPECT_FALSE(ui.dimmed());
  EXPECT_TRUE(IsWindowEnabled(ui.window));

  // Two double-byte characters are four stored bytes: four marks.
  EXPECT_EQ(ListRows(ui.list), (Rows{{"1", "Mail", "bob", "●●●●", pid}}));
  EXPECT_EQ(LogMessages(run_), Messages({"Data Create", "Add Data " + pid}));
  auto stored = StoredAccount(run_, pid);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->name, "Mail");
  EXPECT_EQ(stored->user, "bob");
  EXPECT_EQ(stored->password, "口令");

  // The same name and user once more is a second account, numbered on.
  std::string pid2 = AddThroughEditor(p, ui, "Mail", "bob", "abc");
  EXPECT_NE(pid2, pid);
  EXPECT_EQ(ListRows(ui.list), (Rows{{"1", "Mail", "bob", "●●●●", pid}, {"2", "Mail", "bob", "●●●", pid2}}));
  EXPECT_EQ(LogMessages(run_), Messages({"Data Create", "Add Data " + pid, "Add Data " + pid2}));
}

TEST_F(MainWindowTest, AnEmptyBoxKeepsTheEditorOpenAndAddsNothing) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  HWND editor = OpenEditor(p, ui);
  ASSERT_TRUE(editor);
  std::vector<HWND> boxes = EditorBoxes(editor);
  const std::string filled[] = {"Web", "alice", "pw"};
  for (int empty = 0; empty < 3; ++empty) {
    for (int i = 0; i < 3; ++i) TypeInto(boxes[static_cast<size_t>(i)], i == empty ? "" : filled[i]);
    ClickOk(editor);
    Pump(400ms);
    ASSERT_TRUE(IsWindow(editor) && IsWindowVisible(editor)) << "box " << empty << " empty closed the editor";
    EXPECT_EQ(ControlText(boxes[(empty + 1) % 3]), filled[(empty + 1) % 3]) << "what was typed is kept";
    EXPECT_TRUE(ui.dimmed());
    EXPECT_EQ(RowCount(ui.list), 0);
    EXPECT_EQ(LogMessages(run_), Messages({"Data Create"}));
  }
  // Spaces are text: a name of two spaces is stored as it is.
  std::string pid = ControlText(boxes[3]);
  TypeInto(boxes[0], "  ");
  TypeInto(boxes[1], "alice");
  TypeInto(boxes[2], "pw");
  ClickOk(editor);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }));
  EXPECT_EQ(ListRows(ui.list), (Rows{{"1", "  ", "alice", "●●", pid}}));
  EXPECT_EQ(LogMessages(run_), Messages({"Data Create", "Add Data " + pid}));
  EXPECT_FALSE(ui.dimmed());
}

TEST_F(MainWindowTest, ACharacterTheCodePageCannotHoldKeepsTheEditorOpen) {
  // Hangul has no bytes in code page 936: stored, it would turn into "?".
  const std::wstring hangul = Wide("비밀");
  BOOL usedDefault = FALSE;
  char bytes[16] = {};
  WideCharToMultiByte(CP_ACP, 0, hangul.c_str(), -1, bytes, sizeof bytes, nullptr, &usedDefault);
  ASSERT_TRUE(usedDefault) << "the system code page holds Hangul; this case needs code page 936";

  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  HWND editor = OpenEditor(p, ui);
  ASSERT_TRUE(editor);
  std::vector<HWND> boxes = EditorBoxes(editor);
  const std::string good[] = {"Mail", "bob", "pw", ControlText(boxes[3])};
  for (size_t bad = 0; bad < 4; ++bad) {
    for (size_t i = 0; i < 4; ++i) TypeInto(boxes[i], i == bad ? good[i] + "비밀" : good[i]);
    ClickOk(editor);
    Pump(400ms);
    ASSERT_TRUE(IsWindow(editor)) << "box " << bad << " with Hangul was taken";
    EXPECT_EQ(RowCount(ui.list), 0);
    EXPECT_EQ(LogMessages(run_), Messages({"Data Create"}));
  }
  // Chinese, Japanese kana and the euro sign are in the code page.
  TypeInto(boxes[2], "密码かな€");
  TypeInto(boxes[3], good[3]);
  ClickOk(editor);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }));
  auto stored = StoredAccount(run_, good[3]);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->password, "密码かな€");
  EXPECT_EQ(Cell(ui.list, 0, 3), "●●●●●●●●●");
}

TEST_F(MainWindowTest, APidTypedOverIsStoredAndLoggedAsTyped) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  HWND editor = OpenEditor(p, ui);
  ASSERT_TRUE(editor);
  std::vector<HWND> boxes = EditorBoxes(editor);
  TypeInto(boxes[0], "Bank");
  TypeInto(boxes[1], "carol");
  TypeInto(boxes[2], "9 9");
  TypeInto(boxes[3], "X-42");
  ClickOk(editor);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }));
  EXPECT_EQ(ListRows(ui.list), (Rows{{"1", "Bank", "carol", "●●●", "X-42"}}));
  EXPECT_EQ(LogMessages(run_), Messages({"Data Create", "Add Data X-42"}));
  auto stored = StoredAccount(run_, "X-42");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->password, "9 9");
}

TEST_F(MainWindowTest, ClosingTheEditorAddsNothingAndTakesTheDimmingAway) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  HWND editor = OpenEditor(p, ui);
  ASSERT_TRUE(editor);
  std::vector<HWND> boxes = EditorBoxes(editor);
  TypeInto(boxes[0], "Half");
  TypeInto(boxes[1], "typed");
  TypeInto(boxes[2], "in");
  // The close button at the right end of the caption strip.
  RECT r;
  GetWindowRect(editor, &r);
  Foreground(editor);
  ClickAt(r.right - Scaled(15), r.top + Scaled(15));
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }));
  EXPECT_FALSE(ui.dimmed());
  EXPECT_FALSE(IsWindowVisible(ui.overlay));
  EXPECT_TRUE(IsWindowEnabled(ui.window));
  EXPECT_EQ(RowCount(ui.list), 0);
  EXPECT_EQ(LogMessages(run_), Messages({"Data Create"}));

  // And the editor opens again, dimming again.
  editor = OpenEditor(p, ui);
  ASSERT_TRUE(editor);
  EXPECT_TRUE(ui.dimmed());
  PostMessageW(editor, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }));
  EXPECT_FALSE(ui.dimmed());
}

TEST_F(MainWindowTest, AQuickSecondClickOnAddOpensOneEditor) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  RECT bar;
  GetWindowRect(ui.toolbar, &bar);
  Foreground(ui.window);
  ClickAt(bar.left + Scaled(27), (bar.top + bar.bottom) / 2, true);
  HWND editor = WaitEditor(p.id());
  ASSERT_TRUE(editor);
  Pump(500ms);
  int editors = 0;
  for (HWND h : WindowsOf(p.id()))
    if (IsWindowVisible(h) && WindowTitle(h).empty() && ClassOf(h) == "QuorrelWindow") ++editors;
  EXPECT_EQ(editors, 1);
  PostMessageW(editor, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }));
  Pump(300ms);
  EXPECT_FALSE(FindEditor(p.id()));
  EXPECT_FALSE(ui.dimmed());
  EXPECT_TRUE(IsWindowEnabled(ui.window));
}

// --- the list's operations -----------------------------------------------------------------

TEST_F(MainWindowTest, DeletingTheSelectedRowRemovesItAndLogsItsPid) {
  SeedTable(run_, {{"11111", "A", "ua", "pa"}, {"22222", "B", "ub", "pb"}, {"33333", "C", "uc", "pc"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ASSERT_EQ(RowCount(ui.list), 3);

  // Nothing selected: nothing happens.
  ui.Toolbar(kDelete);
  EXPECT_EQ(RowCount(ui.list), 3);
  EXPECT_FALSE(run_.Exists(kLogName));

  ui.ClickRow(1);
  ASSERT_EQ(SelectedRow(ui.list), 1);
  ui.Toolbar(kDelete);
  ASSERT_TRUE(WaitFor([&] { return RowCount(ui.list) == 2; }));
  // The numbers close up.
  EXPECT_EQ(ListRows(ui.list), (Rows{{"1", "A", "ua", "●●", "11111"}, {"2", "C", "uc", "●●", "33333"}}));
  EXPECT_EQ(LogMessages(run_), Messages({"Del Data 22222"}));
  EXPECT_FALSE(StoredAccount(run_, "22222"));
  EXPECT_TRUE(StoredAccount(run_, "33333"));

  // The rebuild cleared the selection: a second click deletes nothing.
  EXPECT_EQ(SelectedRow(ui.list), -1);
  ui.Toolbar(kDelete);
  EXPECT_EQ(RowCount(ui.list), 2);
  EXPECT_EQ(LogMessages(run_), Messages({"Del Data 22222"}));

  // The last row, selected by the list's own message this time.
  ASSERT_TRUE(SelectRow(ui.list, 1));
  ui.Toolbar(kDelete);
  ASSERT_TRUE(WaitFor([&] { return RowCount(ui.list) == 1; }));
  EXPECT_EQ(ListRows(ui.list), (Rows{{"1", "A", "ua", "●●", "11111"}}));
  EXPECT_EQ(LogMessages(run_), Messages({"Del Data 22222", "Del Data 33333"}));
}

TEST_F(MainWindowTest, DeletingRemovesEveryRecordOfThatPid) {
  SeedTable(run_, {{"44444", "A", "ua", "pa"}, {"55555", "B", "ub", "pb"}, {"44444", "A2", "ua2", "pa2"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ASSERT_TRUE(SelectRow(ui.list, 0));
  ui.Toolbar(kDelete);
  ASSERT_TRUE(WaitFor([&] { return RowCount(ui.list) == 1; }));
  EXPECT_EQ(ListRows(ui.list), (Rows{{"1", "B", "ub", "●●", "55555"}}));
  EXPECT_EQ(LogMessages(run_), Messages({"Del Data 44444", "Del Data 44444"}));
}

TEST_F(MainWindowTest, RefreshRereadsTheTableAndTheLawsSetting) {
  SeedTable(run_, {{"12345", "Mail", "bob", "abc"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  EXPECT_EQ(ListRows(ui.list), (Rows{{"1", "Mail", "bob", "●●●", "12345"}}));

  // Another table put in place behind the program's back, and passwords shown in plain.
  {
    RunDirectory scratch;
    SeedTable(scratch, {{"12345", "Mail", "bob", "abc"}, {"67890", "新", "用户", "口令"}});
    run_.Write("UserData.edb", scratch.Read("UserData.edb").value_or(""));
  }
  run_.WriteConfig("Laws", "Show");
  EXPECT_EQ(RowCount(ui.list), 1) << "the list changes only when it is rebuilt";
  ui.Toolbar(kRefresh);
  ASSERT_TRUE(WaitFor([&] { return RowCount(ui.list) == 2; }));
  EXPECT_EQ(ListRows(ui.list), (Rows{{"1", "Mail", "bob", "abc", "12345"}, {"2", "新", "用户", "口令", "67890"}}));

  run_.WriteConfig("Laws", "Hide");
  ui.Toolbar(kRefresh);
  EXPECT_TRUE(WaitFor([&] { return Cell(ui.list, 1, 3) == "●●●●"; })) << Cell(ui.list, 1, 3);
  EXPECT_FALSE(run_.Exists(kLogName));
}

TEST_F(MainWindowTest, PasswordsAreMaskedOnlyWhenLawsIsHide) {
  SeedTable(run_, {{"12345", "Mail", "bob", "abc"}, {"23456", "中文", "u", "口令"}, {"34567", "E", "v", ""}});
  struct Case {
    const char* laws;  // nullptr: no key
    bool plain;
  };
  for (Case c : {Case{nullptr, false}, Case{"Show", true}, Case{"show", true}, Case{"Hide", false},
                 Case{"hide", true}, Case{"", true}}) {
    if (c.laws) run_.WriteConfig("Laws", c.laws);
    else DeleteFileA(run_.File("Config.ini").c_str());
    Process p;
    MainUi ui = Open(p);
    ASSERT_TRUE(ui.complete());
    Rows want = c.plain ? Rows{{"1", "Mail", "bob", "abc", "12345"}, {"2", "中文", "u", "口令", "23456"},
                               {"3", "E", "v", "", "34567"}}
                        : Rows{{"1", "Mail", "bob", "●●●", "12345"}, {"2", "中文", "u", "●●●●", "23456"},
                               {"3", "E", "v", "", "34567"}};
    EXPECT_EQ(ListRows(ui.list), want) << (c.laws ? c.laws : "(absent)");
  }
}

TEST_F(MainWindowTest, ExportWritesAnAccountFileOnTheDesktop) {
  // A name of this run's own, so that nothing on the desktop is overwritten.
  const std::string user = "bob" + std::to_string(GetCurrentProcessId());
  const std::string file = DesktopFolder() + "\\" + Ansi("#邮箱 " + user + ".Pw");
  DeleteFileA(file.c_str());
  SeedTable(run_, {{"12345", "Other", "x", "y"}, {"23456", "邮箱", user, "s3cret 口令"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  std::vector<std::string> before = FilesIn(DesktopFolder());

  // Without a selected row nothing is written.
  ui.Toolbar(kExport);
  Pump(300ms);
  EXPECT_EQ(FilesIn(DesktopFolder()), before);

  ui.ClickRow(1);
  ui.Toolbar(kExport);
  EXPECT_TRUE(WaitFor([&] { return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES; }))
      << "no " << Utf8(file);
  EXPECT_EQ(Utf8(ReadAccountFile(file)), user + "----s3cret 口令");
  DeleteFileA(file.c_str());
  EXPECT_EQ(FilesIn(DesktopFolder()), before);
  EXPECT_FALSE(run_.Exists(kLogName)) << "an export is not logged";
}

TEST_F(MainWindowTest, ANameThatLeavesTheDesktopExportsNothing) {
  SeedTable(run_, {{"12345", "..\\x", "bob", "pw"}, {"23456", "\\..\\..\\x", "bob", "pw"},
                   {"34567", "a:b", "bob", "pw"}});
  const std::string desktop = DesktopFolder();
  const std::string up = desktop.substr(0, desktop.find_last_of('\\'));
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  const std::vector<std::string> folders = {desktop, up, run_.path()};
  std::vector<std::vector<std::string>> before;
  for (const std::string& f : folders) before.push_back(FilesIn(f));
  for (int row = 0; row < 3; ++row) {
    ASSERT_TRUE(SelectRow(ui.list, row));
    ui.Toolbar(kExport);
  }
  Pump(500ms);
  for (size_t i = 0; i < folders.size(); ++i) EXPECT_EQ(FilesIn(folders[i]), before[i]) << folders[i];
  EXPECT_EQ(GetFileAttributesA((up + "\\x bob.Pw").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(p.Running());
}

// --- activating a row ----------------------------------------------------------------------

TEST_F(MainWindowTest, ActivatingARowTypesThePlainAccountFromTheTray) {
  SeedTable(run_, {{"12345", "Mail", "bob", "Secret-9"}, {"23456", "Web", "alice", "x"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  EXPECT_EQ(Cell(ui.list, 0, 3), "●●●●●●●●");
  ui.DoubleClickRow(0);
  HWND input = WaitWindow(p.id(), kInputTitle);
  ASSERT_TRUE(input) << "no input window after a double click";
  EXPECT_TRUE(WaitFor([&] { return !ui.visible(); })) << "the main window stayed";
  EXPECT_TRUE(TrayIconPresent(ui.window));
  std::vector<HWND> boxes = Children(input, "Edit");
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_EQ(ControlText(boxes[0]), "bob");
  EXPECT_EQ(ControlText(boxes[1]), "Secret-9");
  EXPECT_EQ(SendMessageW(boxes[1], EM_GETPASSWORDCHAR, 0, 0), 0) << "the password is shown in plain";

  TargetWindow target;
  target.Focus();
  PressKey(VK_F8);
  EXPECT_EQ(target.WaitText(3), "bob");
  target.Clear();
  target.Focus();
  PressKey(VK_F9);
  EXPECT_EQ(target.WaitText(8), "Secret-9");

  PostMessageW(input, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(input); }));
  EXPECT_TRUE(WaitFor([&] { return ui.visible(); })) << "the main window did not come back";
  EXPECT_TRUE(TrayIconGone(ui.window));
  EXPECT_TRUE(p.Running());
  EXPECT_FALSE(run_.Exists(kLogName));
}

TEST_F(MainWindowTest, EnterOnTheListActivatesTheSelectedRow) {
  SeedTable(run_, {{"12345", "Mail", "bob", "pw1"}, {"23456", "Web", "alice", "pw2"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ui.ClickRow(1);
  ASSERT_EQ(SelectedRow(ui.list), 1);
  PressKey(VK_RETURN);
  HWND input = WaitWindow(p.id(), kInputTitle);
  ASSERT_TRUE(input) << "Enter on the list opened no input window";
  std::vector<HWND> boxes = Children(input, "Edit");
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_EQ(ControlText(boxes[0]), "alice");
  EXPECT_EQ(ControlText(boxes[1]), "pw2");
  EXPECT_FALSE(ui.visible());
  PostMessageW(input, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return ui.visible(); }));
}

TEST_F(MainWindowTest, ARowWhosePidIsGoneOpensTheInputWindowWithTheEarlierAccount) {
  SeedTable(run_, {{"12345", "Mail", "bob", "pw1"}, {"23456", "Web", "alice", "pw2"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ui.DoubleClickRow(0);
  HWND input = WaitWindow(p.id(), kInputTitle);
  ASSERT_TRUE(input);
  PostMessageW(input, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return ui.visible(); }));

  // The table changes under the list: row 2's PID is no longer stored.
  {
    RunDirectory scratch;
    SeedTable(scratch, {{"12345", "Mail", "bob", "pw1"}});
    run_.Write("UserData.edb", scratch.Read("UserData.edb").value_or(""));
  }
  ui.DoubleClickRow(1);
  input = WaitWindow(p.id(), kInputTitle);
  ASSERT_TRUE(input);
  std::vector<HWND> boxes = Children(input, "Edit");
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_EQ(ControlText(boxes[0]), "bob");
  EXPECT_EQ(ControlText(boxes[1]), "pw1");
  PostMessageW(input, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return ui.visible(); }));
}

TEST_F(MainWindowTest, ActivatingAnotherRowWhileTheInputWindowIsOpenTypesTheNewAccount) {
  SeedTable(run_, {{"12345", "Mail", "bob", "pw1"}, {"23456", "Web", "alice", "pw2"}});
  run_.WriteConfig("Tray", "1");
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ui.DoubleClickRow(0);
  HWND first = WaitWindow(p.id(), kInputTitle);
  ASSERT_TRUE(first);
  // Back from the tray with the input window still open, and the other row chosen.
  ui.TrayClick(WM_LBUTTONUP);
  ASSERT_TRUE(WaitFor([&] { return ui.visible(); }));
  ui.DoubleClickRow(1);
  ASSERT_TRUE(WaitFor([&] { return !ui.visible(); }));
  std::vector<HWND> inputs;
  WaitFor([&] {
    inputs.clear();
    for (HWND h : WindowsOf(p.id(), kInputTitle))
      if (IsWindowVisible(h)) inputs.push_back(h);
    return inputs.size() == 1 && inputs[0] != first;
  });
  ASSERT_EQ(inputs.size(), 1u) << "input windows open at once";
  EXPECT_EQ(ControlText(Children(inputs[0], "Edit")[0]), "alice");
  EXPECT_TRUE(TrayIconPresent(ui.window));

  TargetWindow target;
  target.Focus();
  PressKey(VK_F8);
  EXPECT_EQ(target.WaitText(5), "alice");
  target.Clear();
  target.Focus();
  PressKey(VK_F9);
  EXPECT_EQ(target.WaitText(3), "pw2");

  PostMessageW(inputs[0], WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return ui.visible(); }));
  EXPECT_TRUE(TrayIconGone(ui.window));
}

TEST_F(MainWindowTest, LongTextsGoThroughTheListWhole) {
  const std::string longPid(1500, '7');
  const std::string longName = std::string(1200, 'n') + "邮";
  SeedTable(run_, {{longPid, longName, "u", "p"}, {"12345", "B", "ub", "pb"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  EXPECT_EQ(Cell(ui.list, 0, 1), longName);
  EXPECT_EQ(Cell(ui.list, 0, 4), longPid);
  ASSERT_TRUE(SelectRow(ui.list, 0));
  ui.Toolbar(kDelete);
  ASSERT_TRUE(WaitFor([&] { return RowCount(ui.list) == 1; })) << "the long PID was not found";
  EXPECT_EQ(LogMessages(run_), Messages({"Del Data " + longPid}));
}

// --- menu strip and tray -------------------------------------------------------------------

TEST_F(MainWindowTest, MenuStripSwitchesPagesAndItsSpacerDoesNothing) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  HWND title = ChildByText(ui.window, "账号列表");
  ASSERT_TRUE(title);
  ui.Menu(1);
  EXPECT_TRUE(WaitFor([&] { return ControlText(title) == "软件设定"; })) << ControlText(title);
  EXPECT_FALSE(IsWindowVisible(ui.list));
  ui.Menu(3);
  Pump(200ms);
  EXPECT_EQ(ControlText(title), "软件设定");
  EXPECT_TRUE(ui.visible());
  ui.Menu(2);
  EXPECT_TRUE(WaitFor([&] { return ControlText(title) == "其他说明"; })) << ControlText(title);
  ui.Menu(0);
  EXPECT_TRUE(WaitFor([&] { return ControlText(title) == "账号列表"; })) << ControlText(title);
  EXPECT_TRUE(IsWindowVisible(ui.list));
}

TEST_F(MainWindowTest, DraggingTheBarePanelMovesTheWindow) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  RECT before, list;
  GetWindowRect(ui.window, &before);
  GetWindowRect(ui.list, &list);
  // Below the list, left of the toolbar: bare panel.
  POINT from{list.left + Scaled(40), list.bottom + Scaled(20)};
  ASSERT_EQ(WindowFromPoint(from), GetParent(ui.list)) << "not the bare panel";
  Foreground(ui.window);
  SetCursorPos(from.x, from.y);
  Pump(50ms);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  SendInput(1, &in, sizeof in);
  Pump(100ms);
  for (int step = 1; step <= 10; ++step) {
    SetCursorPos(from.x + step * 6, from.y + step * 4);
    in.mi.dwFlags = MOUSEEVENTF_MOVE;
    in.mi.dx = in.mi.dy = 0;
    SendInput(1, &in, sizeof in);
    Pump(30ms);
  }
  in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &in, sizeof in);
  Pump(200ms);
  RECT after;
  GetWindowRect(ui.window, &after);
  EXPECT_EQ(after.left - before.left, 60);
  EXPECT_EQ(after.top - before.top, 40);
}

TEST_F(MainWindowTest, WithTrayAbsentOnlyADoubleClickRestores) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  EXPECT_FALSE(TrayIconPresent(ui.window));
  ui.Menu(4);
  ASSERT_TRUE(WaitFor([&] { return !ui.visible(); }));
  EXPECT_TRUE(TrayIconPresent(ui.window));
  for (UINT ignored : {WM_LBUTTONUP, WM_RBUTTONUP, WM_CONTEXTMENU, WM_LBUTTONDOWN, WM_MOUSEMOVE}) {
    ui.TrayClick(ignored);
    EXPECT_FALSE(ui.visible()) << "mouse message " << ignored;
    EXPECT_TRUE(TrayIconPresent(ui.window));
  }
  ui.TrayClick(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(WaitFor([&] { return ui.visible(); }));
  EXPECT_TRUE(TrayIconGone(ui.window));
}

TEST_F(MainWindowTest, WithTrayOneASingleClickRestores) {
  run_.WriteConfig("Tray", "1");
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ui.Menu(4);
  ASSERT_TRUE(WaitFor([&] { return !ui.visible(); }));
  ui.TrayClick(WM_RBUTTONUP);
  ui.TrayClick(WM_CONTEXTMENU);
  EXPECT_FALSE(ui.visible());
  EXPECT_TRUE(TrayIconPresent(ui.window));
  ui.TrayClick(WM_LBUTTONUP);
  EXPECT_TRUE(WaitFor([&] { return ui.visible(); }));
  EXPECT_TRUE(TrayIconGone(ui.window));

  // The setting is read at every click: switched to "2" while the program runs.
  run_.WriteConfig("Tray", "2");
  ui.Menu(4);
  ASSERT_TRUE(WaitFor([&] { return !ui.visible(); }));
  ui.TrayClick(WM_LBUTTONUP);
  ui.TrayClick(WM_RBUTTONUP);
  EXPECT_FALSE(ui.visible());
  ui.TrayClick(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(WaitFor([&] { return ui.visible(); }));
  EXPECT_TRUE(TrayIconGone(ui.window));
}

TEST_F(MainWindowTest, HandEditedTrayValues) {
  struct Case {
    const char* tray;
    UINT restoring;  // the mouse message that brings the window back
  };
  // "3" names the right click; values that name no click keep the double click, so the
  // window can always come back.
  for (Case c : {Case{"3", WM_CONTEXTMENU}, Case{"7", WM_LBUTTONDBLCLK}, Case{"abc", WM_LBUTTONDBLCLK},
                 Case{"1x", WM_LBUTTONUP}}) {
    run_.WriteConfig("Tray", c.tray);
    Process p;
    MainUi ui = Open(p);
    ASSERT_TRUE(ui.complete());
    ui.Menu(4);
    ASSERT_TRUE(WaitFor([&] { return !ui.visible(); }));
    for (UINT other : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP})
      if (other != c.restoring && !(c.restoring == WM_CONTEXTMENU && other == WM_RBUTTONUP)) {
        ui.TrayClick(other);
        EXPECT_FALSE(ui.visible()) << c.tray << ": mouse message " << other;
      }
    ui.TrayClick(c.restoring);
    EXPECT_TRUE(WaitFor([&] { return ui.visible(); })) << c.tray;
    EXPECT_TRUE(TrayIconGone(ui.window)) << c.tray;
  }
}

TEST_F(MainWindowTest, HidingToTheTrayTwiceLeavesOneIcon) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ui.Menu(4);
  ASSERT_TRUE(WaitFor([&] { return !ui.visible(); }));
  // The hidden strip's button 4 once more, by posted clicks.
  RECT bar;
  GetClientRect(ui.menu, &bar);
  int span = bar.bottom + Scaled(5);
  int y = (4 * span / 6 + 5 * span / 6 - Scaled(5)) / 2;
  ClickClient(ui.menu, bar.right / 2, y);
  Pump(300ms);
  EXPECT_FALSE(ui.visible());
  EXPECT_TRUE(TrayIconPresent(ui.window));
  ui.TrayClick(WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitFor([&] { return ui.visible(); }));
  EXPECT_TRUE(TrayIconGone(ui.window)) << "an icon stayed behind";

  // And the next round trip is like the first.
  ui.Menu(4);
  ASSERT_TRUE(WaitFor([&] { return !ui.visible(); }));
  EXPECT_TRUE(TrayIconPresent(ui.window));
  ui.TrayClick(WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitFor([&] { return ui.visible(); }));
  EXPECT_TRUE(TrayIconGone(ui.window));
}

TEST_F(MainWindowTest, TheIconComesBackWhenTheShellRestarts) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ui.Menu(4);
  ASSERT_TRUE(WaitFor([&] { return !ui.visible(); }));
  // The shell forgets the icon and announces itself anew.
  NOTIFYICONDATAA nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = ui.window;
  nid.uID = kTrayIconId;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &nid));
  PostMessageW(ui.window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(WaitFor([&] { return TrayIconPresent(ui.window); }, 3s));
  ui.TrayClick(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(WaitFor([&] { return ui.visible(); }));
  EXPECT_TRUE(TrayIconGone(ui.window));
}

TEST_F(MainWindowTest, WhenTheShellTakesNoIconTheWindowStaysInSight) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  // An icon of the same owner and id, without a notification message, is already there:
  // the program's own icon cannot be added.
  NOTIFYICONDATAA nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = ui.window;
  nid.uID = kTrayIconId;
  nid.uFlags = NIF_ICON;
  nid.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
  ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &nid));
  ui.Menu(4);
  Pump(300ms);
  EXPECT_TRUE(ui.visible()) << "hidden without an icon of its own";
  Shell_NotifyIconA(NIM_DELETE, &nid);
  // With the shell free again the tray works as before.
  ui.Menu(4);
  ASSERT_TRUE(WaitFor([&] { return !ui.visible(); }));
  EXPECT_TRUE(TrayIconPresent(ui.window));
  ui.TrayClick(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(WaitFor([&] { return ui.visible(); }));
  EXPECT_TRUE(TrayIconGone(ui.window));
}

TEST_F(MainWindowTest, ClosingTheInputWindowFromTheTrayLeavesNoIcon) {
  SeedTable(run_, {{"12345", "Mail", "bob", "pw"}});
  run_.WriteConfig("Tray", "1");
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ui.DoubleClickRow(0);
  HWND input = WaitWindow(p.id(), kInputTitle);
  ASSERT_TRUE(input);
  ASSERT_TRUE(TrayIconPresent(ui.window));
  // A click on the icon brings the main window back while the input window stays open.
  ui.TrayClick(WM_LBUTTONUP);
  ASSERT_TRUE(WaitFor([&] { return ui.visible(); }));
  EXPECT_TRUE(TrayIconGone(ui.window));
  EXPECT_TRUE(IsWindowVisible(input));
  PostMessageW(input, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(input); }));
  EXPECT_TRUE(ui.visible());
  EXPECT_TRUE(TrayIconGone(ui.window));
}

// --- ending and the single instance --------------------------------------------------------

TEST_F(MainWindowTest, ASecondStartEndsWithoutAnyWindow) {
  Process first;
  MainUi ui = Open(first);
  ASSERT_TRUE(ui.complete());
  Process second = Start();
  bool sawWindow = false;
  EXPECT_TRUE(WaitFor(
      [&] {
        for (HWND h : WindowsOf(second.id()))
          if (IsWindowVisible(h)) sawWindow = true;
        return !second.Running();
      },
      15s));
  EXPECT_FALSE(sawWindow);
  EXPECT_EQ(second.WaitExit(1s), std::optional<DWORD>(0));
  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(ui.visible());
  EXPECT_EQ(LogMessages(run_), Messages({"Data Create"}));

  // Once the first one is gone, a start opens a main window again.
  first.Terminate();
  Process third;
  EXPECT_TRUE(Open(third).complete());
}

TEST_F(MainWindowTest, MenuButtonFiveEndsTheProcessAtOnce) {
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ui.Menu(5);
  EXPECT_EQ(p.WaitExit(5s), std::optional<DWORD>(0));
  EXPECT_EQ(LogMessages(run_), Messages({"Data Create"}));
  // The marker went with the process: the next start runs.
  Process next;
  EXPECT_TRUE(Open(next).complete());
}

// --- a table that does not open ------------------------------------------------------------

std::string RandomBytes(size_t n) {
  std::string bytes;
  uint32_t x = 0x9E3779B9u;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes += static_cast<char>(x >> 24);
  }
  return bytes;
}

// Main windows of other processes started from the run directory's program (a restart).
struct CopySearch {
  std::string want;  // short path of the program
  DWORD except;
  std::vector<DWORD> found;

  static BOOL CALLBACK Visit(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<CopySearch*>(lp);
    if (WindowTitle(h) != kMainTitle) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == c->except) return TRUE;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return TRUE;
    char image[MAX_PATH] = {}, shortImage[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (QueryFullProcessImageNameA(process, 0, image, &size) && GetShortPathNameA(image, shortImage, MAX_PATH) &&
        _stricmp(shortImage, c->want.c_str()) == 0)
      c->found.push_back(pid);
    CloseHandle(process);
    return TRUE;
  }
};

std::vector<DWORD> RestartedCopies(const RunDirectory& run, DWORD except) {
  char want[MAX_PATH] = {};
  GetShortPathNameA(run.exe().c_str(), want, MAX_PATH);
  CopySearch search{want, except, {}};
  EnumWindows(CopySearch::Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void EndById(DWORD pid) {
  if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
  }
}

TEST_F(MainWindowTest, ATableOfRandomBytesGivesAnEmptyListAndIsNeverWritten) {
  const std::string junk = RandomBytes(4096);
  run_.Write("UserData.edb", junk);
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  EXPECT_EQ(RowCount(ui.list), 0);
  ui.Toolbar(kRefresh);
  Pump(300ms);
  EXPECT_EQ(RowCount(ui.list), 0);
  EXPECT_EQ(run_.Read("UserData.edb"), junk);
  EXPECT_FALSE(run_.Exists(kLogName));
  EXPECT_TRUE(p.Running());
}

TEST_F(MainWindowTest, ATableSpoiledWhileRunningIsLeftAsItIs) {
  SeedTable(run_, {{"12345", "Mail", "bob", "pw"}});
  const std::string user = "bob" + std::to_string(GetCurrentProcessId());
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  ASSERT_EQ(RowCount(ui.list), 1);
  const std::string junk = RandomBytes(3000);
  run_.Write("UserData.edb", junk);
  std::vector<std::string> desktop = FilesIn(DesktopFolder());

  // Export and delete of the row still shown: nothing written, nothing logged.
  ASSERT_TRUE(SelectRow(ui.list, 0));
  ui.Toolbar(kExport);
  Pump(300ms);
  EXPECT_EQ(FilesIn(DesktopFolder()), desktop);
  ASSERT_TRUE(SelectRow(ui.list, 0));
  ui.Toolbar(kDelete);
  Pump(300ms);
  EXPECT_EQ(run_.Read("UserData.edb"), junk);
  EXPECT_FALSE(run_.Exists(kLogName));
  ui.Toolbar(kRefresh);
  EXPECT_TRUE(WaitFor([&] { return RowCount(ui.list) == 0; }));
  EXPECT_EQ(run_.Read("UserData.edb"), junk);

  // Adding needs a new PID, and a table that does not open restarts the program.
  ui.Toolbar(kAdd);
  EXPECT_EQ(p.WaitExit(10s), std::optional<DWORD>(0));
  EXPECT_EQ(run_.Read("UserData.edb"), junk);
  EXPECT_FALSE(run_.Exists(kLogName));
  // The fresh copy comes up over the same untouched file; it is ended here by its id.
  std::vector<DWORD> copies;
  bool restarted = WaitFor([&] { return !(copies = RestartedCopies(run_, p.id())).empty(); }, 20s);
  for (DWORD pid : copies) {
    MainUi again(WaitWindow(pid, kMainTitle));
    EXPECT_EQ(RowCount(again.list), 0);
    EndById(pid);
  }
  EXPECT_TRUE(restarted) << "no restarted copy appeared";
  EXPECT_TRUE(WaitFor([&] { return !run_.Exists("Restart.bat"); })) << "Restart.bat stayed";
  EXPECT_EQ(run_.Read("UserData.edb"), junk);
}

TEST_F(MainWindowTest, ATableSpoiledWhileTheEditorIsOpenTakesNoAccount) {
  SeedTable(run_, {{"12345", "Mail", "bob", "pw"}});
  Process p;
  MainUi ui = Open(p);
  ASSERT_TRUE(ui.complete());
  HWND editor = OpenEditor(p, ui);
  ASSERT_TRUE(editor);
  const std::string junk = RandomBytes(1000);
  run_.Write("UserData.edb", junk);
  std::vector<HWND> boxes = EditorBoxes(editor);
  TypeInto(boxes[0], "New");
  TypeInto(boxes[1], "user");
  TypeInto(boxes[2], "pw");
  ClickOk(editor);
  // The window closes all the same; nothing is logged and the list is not rebuilt.
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }));
  EXPECT_FALSE(ui.dimmed());
  EXPECT_EQ(RowCount(ui.list), 1);
  EXPECT_FALSE(run_.Exists(kLogName));
  EXPECT_EQ(run_.Read("UserData.edb"), junk);
  EXPECT_TRUE(p.Running());
}

}  // namespace
}  // namespace quorrel::e2e
