// Importing through the settings page's "开始导入" and the ".Pw" association through its
// "设置关联" and "取消关联", in the real program.
#include "main_window_support.h"

#include <set>

#include "driver/drag_drop.h"
#include "exchange/account_file.h"

namespace quorrel::e2e {
namespace {

constexpr char kImportTitle[] = "导入文件";

// Counts the table's replacements while it lives: every write of UserData.edb ends in a
// rename of its temp file onto it.
class TableWrites {
 public:
  explicit TableWrites(const std::string& dir)
      : dir_(CreateFileA(dir.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr)),
        event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    Arm();
  }
  TableWrites(const TableWrites&) = delete;
  TableWrites& operator=(const TableWrites&) = delete;
  ~TableWrites() {
    if (dir_ != INVALID_HANDLE_VALUE) {
      CancelIo(dir_);
      CloseHandle(dir_);
    }
    CloseHandle(event_);
  }
  bool watching() const { return armed_; }
  // Collects what has arrived; the number of renames onto the table so far.
  int Count() {
    DWORD got = 0;
    while (armed_ && GetOverlappedResult(dir_, &overlapped_, &got, FALSE)) {
      for (size_t at = 0; got > 0;) {
        const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer_ + at);
        std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
        if (info->Action == FILE_ACTION_RENAMED_NEW_NAME && _wcsicmp(name.c_str(), L"UserData.edb") == 0) ++count_;
        if (!info->NextEntryOffset) break;
        at += info->NextEntryOffset;
      }
      Arm();
    }
    return count_;
  }

 private:
  void Arm() {
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_;
    armed_ = dir_ != INVALID_HANDLE_VALUE &&
             ReadDirectoryChangesW(dir_, buffer_, sizeof buffer_, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME, nullptr,
                                   &overlapped_, nullptr);
  }
  HANDLE dir_;
  HANDLE event_;
  OVERLAPPED overlapped_{};
  alignas(DWORD) BYTE buffer_[16384];
  bool armed_ = false;
  int count_ = 0;
};

// A process the shell started for the test, ended by its handle when the test is done.
class ShellStarted {
 public:
  explicit ShellStarted(HANDLE process) : process_(process) {}
  ShellStarted(const ShellStarted&) = delete;
  ShellStarted& operator=(const ShellStarted&) = delete;
  ~ShellStarted() {
    if (!process_) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
  }
  DWORD id() const { return process_ ? GetProcessId(process_) : 0; }

 private:
  HANDLE process_;
};

std::optional<std::string> RegistryText(HKEY root, const std::string& key) {
  char value[1024] = {};
  DWORD size = sizeof value, type = 0;
  HKEY k;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return std::nullopt;
  LONG r = RegQueryValueExA(k, "", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(k);
  if (r != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return std::string(value);
}

bool KeyExists(const std::string& key) {
  HKEY k;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

class ImportAssociationTest : public E2eTest {
 protected:
  MainUi OpenSettings(Process& p) {
    p = Start();
    return SettingsPageOf(p);
  }

  // "开始导入": the import window and its file box, or nothing.
  static HWND OpenImport(const Process& p, const SettingsUi& page) {
    ClickBarButton(page.import, 0, 1);
    HWND window = WaitWindow(p.id(), kImportTitle, 5s);
    EXPECT_TRUE(window) << "no import window";
    return window;
  }
  static HWND FileBox(HWND window) {
    std::vector<HWND> boxes = Children(window, "QuorrelPicture");
    return boxes.empty() ? nullptr : boxes[0];
  }
  // "确定导入"; the import window closes (or stays, when it stored nothing), after a message
  // holding `told` when one is given.
  static void Confirm(HWND window, const MainUi& ui, const Process* p = nullptr, const char* told = nullptr,
                      bool closes = true) {
    Foreground(window);
    ClickWindow(ChildByText(window, "确定导入"));
    if (p && told) {
      HWND box = WaitMessageBox(*p, kImportTitle);
      EXPECT_TRUE(box) << "nothing said: " << told;
      if (box) {
        EXPECT_NE(MessageBoxText(box).find(told), std::string::npos) << MessageBoxText(box);
        SendMessageW(box, WM_COMMAND, IDOK, 0);
      }
    }
    if (!closes) Pump(300ms);
    EXPECT_EQ(WaitFor([&] { return !IsWindow(window); }, closes ? 10s : 0ms), closes) << "the import window: " << told;
    if (!closes) return;
    EXPECT_TRUE(WaitFor([&] { return !ui.dimmed(); }, 3s)) << "the main window stayed dimmed";
  }
  // Picks a file in the open-file dialog that a click on the file box opens.
  static void PickInDialog(const Process& p, HWND window, const std::string& path) {
    Foreground(window);
    ClickWindow(FileBox(window));
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] {
      for (HWND h : WindowsOf(p.id())) {
        char cls[16] = {};
        GetClassNameA(h, cls, sizeof cls);
        if (IsWindowVisible(h) && std::string(cls) == "#32770") dialog = h;
      }
      return dialog != nullptr;
    })) << "no open-file dialog";
    HWND name = GetDlgItem(dialog, 0x47C);  // the file name box: cmb13, or edt1
    if (!name) name = GetDlgItem(dialog, 0x480);
    SetWindowTextA(name, path.c_str());
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); })) << "the dialog stayed open";
  }
  std::string LastLog() const {
    std::vector<std::string> m = LogMessages(run_);
    return m.empty() ? "" : m.back();
  }
};

// The window first shows no file, and confirmed so says that a file is to be picked and stays;
// so does a file of more accounts than free PIDs. Both are logged. A file picked in the dialog
// imports, and a new window shows it again, which its confirm imports once more.
TEST_F(ImportAssociationTest, AFilePickedInTheDialogImportsAndIsOfferedByTheNextWindow) {
  Process p;
  MainUi ui = OpenSettings(p);
  ASSERT_TRUE(ui.complete());
  SettingsUi page(ui);
  ASSERT_TRUE(page.complete());
  HWND window = OpenImport(p, page);
  ASSERT_TRUE(window);
  EXPECT_EQ(ControlText(FileBox(window)), "请选择文件");
  Confirm(window, ui, &p, "还没有选择要导入的文件", false);
  EXPECT_EQ(LastLog(), "Importing Data 0");
  RunDirectory files;
  std::string tooMany;
  for (int i = 0; i <= 90000; ++i) tooMany += "a----b----c\n";
  files.Write("many.txt", std::string(1 << 20, '\n') + tooMany);  // blank lines take no PID
  EXPECT_TRUE(DropFiles(window, {files.File("many.txt")}));
  Confirm(window, ui, &p, "90001 个账号", false);
  EXPECT_EQ(ControlText(FileBox(window)), "many.txt");
  EXPECT_EQ(LastLog(), "Importing Data 1138577");

  // The three-line example: one account, three lines.
  files.Write("three.txt", "a----b----c\r\nx----y\r\np----q----r----s");
  PickInDialog(p, window, files.File("three.txt"));
  EXPECT_TRUE(WaitFor([&] { return ControlText(FileBox(window)) == "three.txt"; }, 3s));
  Confirm(window, ui, &p, "跳过了 2 行");
  EXPECT_TRUE(WaitFor([&] { return LastLog() == "Importing Data 3"; }, 3s)) << LastLog();
  ASSERT_TRUE(WaitFor([&] { return RowCount(ui.list) == 1; }, 3s));
  const Rows rows = ListRows(ui.list);
  EXPECT_EQ(std::vector<std::string>(rows[0].begin() + 1, rows[0].begin() + 3), (std::vector<std::string>{"a", "b"}));
  window = OpenImport(p, page);
  ASSERT_TRUE(window);
  EXPECT_EQ(ControlText(FileBox(window)), "three.txt");
  Confirm(window, ui, &p, "跳过了 2 行");
  EXPECT_TRUE(WaitFor([&] { return RowCount(ui.list) == 2; }, 3s));
}

TEST_F(ImportAssociationTest, AReadOnlyCsvDroppedOnTheWindowImportsItsLines) {
  Process p;
  MainUi ui = OpenSettings(p);
  ASSERT_TRUE(ui.complete());
  SettingsUi page(ui);
  ASSERT_TRUE(page.complete());
  RunDirectory files;
  files.Write("list.csv", "m1----u1----p1\r\nm2----u2----p2\r\n");
  ASSERT_TRUE(SetFileAttributesA(files.File("list.csv").c_str(), FILE_ATTRIBUTE_READONLY));
  HWND window = OpenImport(p, page);
  ASSERT_TRUE(window);
  EXPECT_TRUE(DropFiles(window, {files.File("list.csv")}));
  EXPECT_TRUE(WaitFor([&] { return ControlText(FileBox(window)) == "list.csv"; }, 3s));
  Confirm(window, ui, &p, "2 个账号");
  EXPECT_TRUE(WaitFor([&] { return RowCount(ui.list) == 2; }, 3s)) << RowCount(ui.list);
  EXPECT_EQ(LastLog(), "Importing Data 2");
  SetFileAttributesA(files.File("list.csv").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ImportAssociationTest, TenThousandLinesAreAccountsWithPidsOfTheirOwnInOneWriteOfTheTable) {
  Process p;
  MainUi ui = OpenSettings(p);
  ASSERT_TRUE(ui.complete());
  SettingsUi page(ui);
  ASSERT_TRUE(page.complete());
  RunDirectory files;
  std::string big;
  for (int i = 0; i < 10000; ++i) big += "n" + std::to_string(i) + "----u" + std::to_string(i) + "----p\r\n";
  files.Write("big.txt", big);
  HWND window = OpenImport(p, page);
  ASSERT_TRUE(window);
  EXPECT_TRUE(DropFiles(window, {files.File("big.txt")}));
  TableWrites writes(run_.path());
  ASSERT_TRUE(writes.watching());
  Confirm(window, ui, &p, "10000 个账号");
  EXPECT_TRUE(WaitFor([&] { return LastLog() == "Importing Data 10000"; }, 30s)) << LastLog();
  EXPECT_TRUE(WaitFor([&] { return RowCount(ui.list) == 10000; }, 10s)) << RowCount(ui.list);
  Pump(500ms);
  EXPECT_EQ(writes.Count(), 1);
  std::set<std::string> pids;
  EXPECT_EQ(ForEachAccount(TableAt(run_), [&](int, const AccountRecord& r) { pids.insert(r.pid); }),
            TableOutcome::kOpened);
  EXPECT_EQ(pids.size(), 10000u);
  // Each row shows its own account: the first, one in the middle, the last.
  for (int row : {0, 4999, 9999}) {
    EXPECT_EQ(Cell(ui.list, row, 1), "n" + std::to_string(row));
    EXPECT_EQ(Cell(ui.list, row, 2), "u" + std::to_string(row));
    EXPECT_EQ(pids.count(Cell(ui.list, row, 4)), 1u) << row;
  }
}

// UTF-16 LE with its byte-order mark, as Notepad saves "Unicode".
std::string Utf16LeFile(const std::string& utf8) {
  std::wstring wide = L"\xFEFF" + Wide(utf8);
  return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

// Files as today's Notepad and other programs save them: UTF-8 with and without its mark,
// LF line ends, UTF-16, and GBK whose characters happen to be valid UTF-8 as well (猫 is
// C3 A8, 路 C2 B7); a browser's export (its mark, quoted commas and quotes, a line break) and a
// password manager's, its columns in another order. Each account arrives with its Chinese
// name, and types exactly as written; a file without a mark is told how it was read.
TEST_F(ImportAssociationTest, FilesAsNotepadSavesThemImportWithTheirNamesAndTypeExactly) {
  Process p;
  MainUi ui = OpenSettings(p);
  ASSERT_TRUE(ui.complete());
  SettingsUi page(ui);
  ASSERT_TRUE(page.complete());
  RunDirectory files;
  files.Write("utf8.txt", "\xEF\xBB\xBF邮箱----张三----密码Pw1\r\n网银----李四----Pw2 口令\r\n");
  files.Write("lf.txt", "论坛----wang----pw3\n\nftp----赵六----pw4\n");
  files.Write("utf16.txt", Utf16LeFile("游戏----钱五----pw5\r\n🎮----emoji----pw6\r\n"));
  files.Write("gbk.txt", Ansi("猫----路----pw7\r\n"));
  files.Write("chrome.csv", "\xEF\xBB\xBFname,url,username,password,note\r\n"
                            "邮箱,https://mail.example.com/,张三,\"Pw,\"\"1\"\"\",\"line one\r\nline two\"\r\n"
                            ",https://bank.example.cn/,\"li, si\",pw2,\r\n");
  files.Write("keepass.csv", "\"Password\",\"Notes\",\"Username\",\"Title\",\"URL\",\"Group\"\r\n"
                             "\"K p3!\",\"\",\"王五\",\"论坛\",\"\",\"Root\"\r\n");
  ASSERT_EQ(Ansi("猫路"), "\xC3\xA8\xC2\xB7");
  struct Import {
    const char* file;
    const char* log;
    const char* told;
  };
  for (const Import& i : {Import{"utf8.txt", "Importing Data 2", "2 个账号"}, Import{"lf.txt", "Importing Data 3", "UTF-8"},
                          Import{"utf16.txt", "Importing Data 2", "跳过了 1 行"},
                          Import{"gbk.txt", "Importing Data 1", "GBK"}, Import{"chrome.csv", "Importing Data 4", "CSV"},
                          Import{"keepass.csv", "Importing Data 2", "KeePass"}}) {
    HWND window = OpenImport(p, page);
    ASSERT_TRUE(window);
    EXPECT_TRUE(DropFiles(window, {files.File(i.file)}));
    Confirm(window, ui, &p, i.told);
    EXPECT_TRUE(WaitFor([&] { return LastLog() == i.log; }, 3s)) << i.file << ": " << LastLog();
  }
  ui.Menu(0);
  ASSERT_TRUE(WaitFor([&] { return RowCount(ui.list) == 9; }, 3s)) << RowCount(ui.list);
  std::vector<std::string> names;
  for (const auto& row : ListRows(ui.list)) names.push_back(row[1] + "/" + row[2]);
  EXPECT_EQ(names, (std::vector<std::string>{"邮箱/张三", "网银/李四", "论坛/wang", "ftp/赵六", "游戏/钱五", "猫/路",
                                             "邮箱/张三", "bank.example.cn/li, si", "论坛/王五"}));

  TargetWindow target;
  for (auto [row, user, password] : {std::tuple{0, "张三", "密码Pw1"}, std::tuple{5, "路", ""},
                                     std::tuple{6, "张三", "Pw,\"1\""}}) {
    ui.ClickRow(row, true);
    HWND input = WaitWindow(p.id(), kInputTitle);
    ASSERT_TRUE(input);
    EXPECT_EQ(Typed(target, VK_F8, Ansi(user).size()), Ansi(user));
    if (*password) { EXPECT_EQ(Typed(target, VK_F9, Ansi(password).size()), Ansi(password)); }
    PostMessageW(input, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(input) && ui.visible(); }));
  }
}

TEST_F(ImportAssociationTest, AssociationOpensAPwFileElsewhereInFileStartAndGoesAgain) {
  struct CleanRegistry {
    ~CleanRegistry() {
      RegDeleteTreeA(HKEY_CLASSES_ROOT, "Pw");
      RegDeleteTreeA(HKEY_CLASSES_ROOT, ".Pw");
    }
  } clean;
  Process p;
  MainUi ui = OpenSettings(p);
  ASSERT_TRUE(ui.complete());
  SettingsUi page(ui);
  ASSERT_TRUE(page.complete());

  ClickBarButton(page.association, 1, 2);  // 设置关联
  const std::string command = "\"" + run_.exe() + "\" \"%1\"";
  ASSERT_TRUE(WaitFor([&] { return RegistryText(HKEY_CLASSES_ROOT, "Pw\\Shell\\Open\\Command") == command; }, 3s))
      << RegistryText(HKEY_CLASSES_ROOT, "Pw\\Shell\\Open\\Command").value_or("(none)");
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, ".Pw"), "Pw");
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, "Pw"), Ansi("Quorrel 加密数据"));
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, "Pw\\DefaultIcon"), run_.exe() + ",0");

  // Opened by the shell from another folder: a new copy in file start shows the account.
  RunDirectory elsewhere;
  const std::string file = Ansi("#邮箱 bob.Pw");
  elsewhere.Write(file, BuildAccountFileContent("bob", "Secret-9"));
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "open";
  const std::string path = elsewhere.File(file);
  info.lpFile = path.c_str();
  info.nShow = SW_SHOWNORMAL;
  ASSERT_TRUE(ShellExecuteExA(&info)) << GetLastError();
  ShellStarted started(info.hProcess);
  ASSERT_NE(started.id(), 0u);
  HWND input = WaitWindow(started.id(), kInputTitle);
  ASSERT_TRUE(input) << "no input window in the copy the shell started";
  std::vector<HWND> boxes = Children(input, "Edit");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(ControlText(boxes[0]), "bob");

  ClickBarButton(page.association, 0, 2);  // 取消关联
  EXPECT_TRUE(WaitFor([&] { return !KeyExists("Pw"); }, 3s));
  for (const char* key : {"Pw\\DefaultIcon", "Pw\\Shell\\Open\\Command", "Pw\\Shell\\Open", "Pw\\Shell"})
    EXPECT_FALSE(KeyExists(key)) << key;
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, ".Pw"), "");
}

}  // namespace
}  // namespace quorrel::e2e
