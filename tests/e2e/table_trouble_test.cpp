// A run folder where the account table cannot be made: the program restarts at most once,
// and only where a restart can be written; then it says which folder it cannot use and what
// to do, and ends. A disk that is full and a table that another program holds: the program
// says so, the table stays as it was, and the same step goes in once the trouble is gone.
#include <windows.h>
#include <tlhelp32.h>

#include <fstream>

#include "driver/drag_drop.h"
#include "main_window_support.h"

namespace quorrel::e2e {
namespace {

// Ids of the running processes whose image is exe (compared by short path), but except.
std::vector<DWORD> CopiesOf(const std::string& exe, DWORD except) {
  std::vector<DWORD> found;
  char want[MAX_PATH] = {}, image[MAX_PATH], shortImage[MAX_PATH];
  GetShortPathNameA(exe.c_str(), want, MAX_PATH);
  UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = snapshot && Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == except) continue;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
    if (!process) continue;
    DWORD size = MAX_PATH;
    if (QueryFullProcessImageNameA(process, 0, image, &size) && GetShortPathNameA(image, shortImage, MAX_PATH) &&
        _stricmp(shortImage, want) == 0)
      found.push_back(entry.th32ProcessID);
    CloseHandle(process);
  }
  return found;
}

// A process this test did not start itself (a restarted copy), ended by its id.
void EndById(DWORD pid) {
  if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
  }
}

int CountOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// The bench's folder of that name under wine\folders; empty, with the reason in skip, where
// the machine would not make it.
std::string BenchFolder(const std::string& name, std::string& skip) {
  const std::string folders = ModuleDir() + "\\wine\\folders";
  if (std::ifstream why(folders + "\\" + name + ".skip"); why) {
    std::getline(why, skip);
    return {};
  }
  return folders + "\\" + name;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class TableTrouble : public E2eTest {
 protected:
  // Opens the editor from the toolbar: its four boxes 名称, 用户名, 密码, PID.
  static std::vector<HWND> OpenEditor(const Process& p, const MainUi& ui) {
    ui.Toolbar(kAdd);
    WaitFor([&] { return !Editors(p.id()).empty(); });
    std::vector<HWND> editors = Editors(p.id());
    return editors.size() == 1 ? Children(editors[0], "Edit") : std::vector<HWND>{};
  }
  // Types the texts given into the first boxes and clicks OK; whether the editor closed.
  static bool Submit(const std::vector<HWND>& boxes, const std::vector<std::string>& texts) {
    for (size_t i = 0; i < texts.size(); ++i) TypeInto(boxes[i], texts[i]);
    HWND editor = GetAncestor(boxes[0], GA_ROOT);
    Foreground(editor);
    ClickWindow(ChildByText(editor, "确定添加"));
    return WaitFor([&] { return !IsWindow(editor); }, 1500ms);
  }
  // The text of the program's message box so titled, closed with OK; empty when none came.
  static std::string Told(const Process& p, const std::string& title) {
    HWND box = WaitMessageBox(p, title, 10s);
    if (!box) return {};
    const std::string said = MessageBoxText(box);
    SendMessageW(box, WM_COMMAND, IDOK, 0);
    WaitFor([&] { return !IsWindow(box); }, 3s);
    return said;
  }
};

TEST_F(TableTrouble, NoTableCanBeMadeRestartsOnceThenSaysWhichFolderAndWhatToDo) {
  // Another program holds the table's temporary file: nothing can be written in its place.
  run_.Write("UserData.ed~", "not a table");
  UniqueFile holder(CreateFileA(run_.File("UserData.ed~").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  Process p = Start();
  EXPECT_EQ(p.WaitExit(30s), std::optional<DWORD>(0)) << "the first start did not restart";
  std::vector<DWORD> copies;
  ASSERT_TRUE(WaitFor([&] { return !(copies = CopiesOf(run_.exe(), p.id())).empty(); }, 20s)) << "no restart";
  ASSERT_EQ(copies.size(), 1u);
  const DWORD copy = copies[0];

  // The restarted copy meets the same failure: it says so instead of restarting again.
  HWND told = nullptr;
  WaitFor([&] {
    for (HWND h : WindowsOf(copy, "Quorrel")) {
      wchar_t cls[16] = {};
      GetClassNameW(h, cls, 16);
      if (IsWindowVisible(h) && lstrcmpW(cls, L"#32770") == 0) told = h;
    }
    return told != nullptr;
  }, 30s);
  if (!told) EndById(copy);
  ASSERT_TRUE(told) << "the restarted copy said nothing";
  const std::string said = MessageBoxText(told);
  EXPECT_NE(said.find(Utf8(run_.path())), std::string::npos) << said;
  EXPECT_NE(said.find("复制到"), std::string::npos) << said;
  SendMessageW(told, WM_COMMAND, IDOK, 0);
  // Without a table it cannot keep an account: the copy ends, and nothing starts again.
  EXPECT_TRUE(WaitFor([&] { return CopiesOf(run_.exe(), p.id()).empty(); }, 10s)) << "the copy went on";
  Pump(5s);
  EXPECT_TRUE(CopiesOf(run_.exe(), p.id()).empty()) << "a second restart";
  const std::vector<std::string> log = LogMessages(run_);
  EXPECT_EQ(CountOf(log, "Data Create Error "), 2) << ::testing::PrintToString(log);
  EndById(copy);
  holder.reset();
  EXPECT_EQ(run_.Read("UserData.ed~"), std::optional<std::string>("not a table"));
}

// The program copied into a folder where nothing at all can be created (a read-only share,
// Program Files without administrator rights): one message names the folder at once, and
// the program ends without starting again.
TEST_F(TableTrouble, AFolderThatTakesNoFileGetsOneMessageAndNoRestart) {
  const std::string folders = ModuleDir() + "\\wine\\folders";
  const std::string dir = folders + "\\unwritable";
  if (std::ifstream why(folders + "\\unwritable.skip"); why) {
    std::string reason;
    std::getline(why, reason);
    GTEST_SKIP() << reason;
  }
  const std::string exe = dir + "\\Quorrel.exe";
  ASSERT_NE(GetFileAttributesA(exe.c_str()), INVALID_FILE_ATTRIBUTES) << exe;
  ASSERT_FALSE(CreateDirectoryA((dir + "\\probe").c_str(), nullptr)) << "the folder takes files";

  Process p = Process::Start(exe, "", dir);
  HWND told = WaitMessageBox(p, "Quorrel", 10s);
  ASSERT_TRUE(told) << "the program said nothing";
  const std::string said = MessageBoxText(told);
  EXPECT_NE(said.find(Utf8(dir)), std::string::npos) << said;
  EXPECT_NE(said.find("复制到"), std::string::npos) << said;
  SendMessageW(told, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(p.WaitExit(10s), std::optional<DWORD>(0)) << "the program went on without a table";
  Pump(3s);  // a restart would show by now
  EXPECT_TRUE(CopiesOf(exe, p.id()).empty()) << "the program started again";
}

TEST_F(TableTrouble, AFolderDeepEnoughThatATempNameLongerThanTheTablesWouldPassMaxPath) {
  // The program's path is one character short of MAX_PATH, its table's path is MAX_PATH
  // characters: the longest path Windows' A functions take. A temporary name longer than
  // the table's would pass it, and the table could never be made (nor a change written).
  constexpr size_t kFolder = MAX_PATH - std::size("\\UserData.edb") + 1;
  std::string folder = run_.path();
  while (folder.size() < kFolder) {
    folder += "\\" + std::string(std::min<size_t>(40, kFolder - folder.size() - 1), 'd');
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  }
  const std::string exe = folder + "\\Quorrel.exe";
  ASSERT_TRUE(CopyFileA(run_.exe().c_str(), exe.c_str(), FALSE));
  Process p = Process::Start(exe, "", folder);
  MainUi ui(WaitWindow(p.id(), kMainTitle));
  ASSERT_TRUE(ui.complete());
  Pump(3s);
  EXPECT_TRUE(p.Running()) << "the program restarted or ended";
  EXPECT_TRUE(CopiesOf(exe, p.id()).empty()) << "a restarted copy";
  EXPECT_NE(GetFileAttributesA((folder + "\\UserData.edb").c_str()), INVALID_FILE_ATTRIBUTES) << "no table";
  EXPECT_FALSE(WaitMessageBox(p, "Quorrel", 500ms)) << "a message where the table could be made";
}

// The small file system of the bench, filled up to its last 4 KiB: adding, deleting and
// importing each say that the disk is full and leave the table exactly as it was; once there
// is room, the same click goes in.
TEST_F(TableTrouble, AFullDiskIsToldKeepsTheTableAndTheSameStepGoesInOnceThereIsRoom) {
  std::string skip;
  const std::string dir = BenchFolder("full", skip);
  if (dir.empty()) GTEST_SKIP() << skip;
  const std::string exe = dir + "\\Quorrel.exe", table = dir + "\\UserData.edb", filler = dir + "\\filler.bin";
  auto clear = [&] {
    for (const std::string& name : FilesIn(dir))
      if (name != "Quorrel.exe") DeleteFileA((dir + "\\" + name).c_str());
  };
  clear();
  struct Cleared {
    std::function<void()> clear;
    ~Cleared() { clear(); }
  } cleared{clear};
  // Fills the disk up to its last 4 KiB: less than the table of 200 accounts (about 10 KiB).
  auto fill = [&] {
    ULARGE_INTEGER free{};
    ASSERT_TRUE(GetDiskFreeSpaceExA((dir + "\\").c_str(), &free, nullptr, nullptr));
    ASSERT_GT(free.QuadPart, 4096u);
    UniqueFile f(CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const std::string zeros(static_cast<size_t>(free.QuadPart - 4096), '\0');
    DWORD put = 0;
    ASSERT_TRUE(f && WriteFile(f.get(), zeros.data(), static_cast<DWORD>(zeros.size()), &put, nullptr));
  };
  auto room = [&] { DeleteFileA(filler.c_str()); };
  {
    RunDirectory scratch;
    SeedTable(scratch, {{"12345", "Mail", "bob", "Secret-9"}});
    AccountStore store = TableAt(scratch);
    store.draw = ProcessDraw();
    std::vector<AccountRecord> more(199);
    for (size_t i = 0; i < more.size(); ++i) more[i] = {"", "account " + std::to_string(i), "user" + std::to_string(i), SecretText(std::string("pw"))};
    ASSERT_EQ(AddAccountsWithNewPids(store, more), TableOutcome::kOpened);
    ASSERT_TRUE(CopyFileA(store.table_path.c_str(), table.c_str(), FALSE));
  }
  RunDirectory files;
  std::string lines;
  for (int i = 0; i < 100; ++i) lines += "imported " + std::to_string(i) + "----u----p\r\n";
  files.Write("import.txt", lines);

  Process p = Process::Start(exe, "", dir);
  MainUi ui(WaitWindow(p.id(), kMainTitle));
  ASSERT_TRUE(ui.complete());
  ASSERT_EQ(RowCount(ui.list), 200);
  auto unchanged = [&](const std::string& before, const char* step) {
    EXPECT_EQ(ReadBytes(table), before) << step << ": the table changed";
    const std::vector<std::string> names = FilesIn(dir);
    EXPECT_EQ(std::count(names.begin(), names.end(), "UserData.ed~"), 0) << step << ": a temp file left";
  };

  // Adding: the editor keeps what was typed; the same click goes in later.
  fill();
  std::string before = ReadBytes(table);
  std::vector<HWND> boxes = OpenEditor(p, ui);
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_FALSE(Submit(boxes, {"Full", "user", "pw"}));
  EXPECT_NE(Told(p, "添加账号").find("磁盘已满"), std::string::npos) << "adding did not say the disk is full";
  unchanged(before, "adding");
  room();
  EXPECT_TRUE(Submit(boxes, {}));
  EXPECT_TRUE(WaitFor([&] { return RowCount(ui.list) == 201; }, 5s)) << RowCount(ui.list);

  // Deleting.
  fill();
  before = ReadBytes(table);
  auto remove = [&] {
    ASSERT_TRUE(SelectRow(ui.list, 0));
    ui.Toolbar(kDelete);
    HWND ask = WaitMessageBox(p, "删除账号");
    ASSERT_TRUE(ask);
    SendMessageW(ask, WM_COMMAND, IDYES, 0);
  };
  remove();
  EXPECT_NE(Told(p, "Quorrel").find("磁盘已满"), std::string::npos) << "deleting did not say the disk is full";
  EXPECT_EQ(RowCount(ui.list), 201);
  unchanged(before, "deleting");
  room();
  remove();
  EXPECT_TRUE(WaitFor([&] { return RowCount(ui.list) == 200; }, 5s)) << RowCount(ui.list);
  EXPECT_TRUE(Told(p, "Quorrel").empty());

  // Importing: the import window stays open with its file.
  fill();
  before = ReadBytes(table);
  ui.Menu(1);
  SettingsUi page(ui);
  ASSERT_TRUE(page.complete());
  ClickBarButton(page.import, 0, 1);
  HWND window = WaitWindow(p.id(), "导入文件", 5s);
  ASSERT_TRUE(window);
  ASSERT_TRUE(DropFiles(window, {files.File("import.txt")}));
  auto confirm = [&] {
    Foreground(window);
    ClickWindow(ChildByText(window, "确定导入"));
  };
  confirm();
  EXPECT_NE(Told(p, "导入文件").find("磁盘已满"), std::string::npos) << "importing did not say the disk is full";
  EXPECT_TRUE(IsWindow(window)) << "the import window closed";
  unchanged(before, "importing");
  room();
  confirm();
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(window); }, 10s));
  EXPECT_TRUE(WaitFor([&] { return RowCount(ui.list) == 300; }, 5s)) << RowCount(ui.list);
  const std::string log = ReadBytes(dir + "\\" + kLogName);
  EXPECT_NE(log.find("Importing Data 100\r\n"), std::string::npos) << log;
  p.Terminate();
}

// Another program (a backup or sync tool) holds the table longer than the retries wait, with
// no sharing at all or sharing it for reading only: adding says the table is busy, after the
// retries, and keeps what was typed; the table stays as it was; once the other program lets
// go, the same click goes in.
TEST_F(TableTrouble, ATableHeldByAnotherProgramPastTheRetriesIsToldAndTheNextTryGoesIn) {
  SeedTable(run_, {{"12345", "Mail", "bob", "Secret-9"}});
  const std::string table = run_.File("UserData.edb");
  const std::string before = run_.Read("UserData.edb").value_or("");
  Process p = Start();
  MainUi ui(WaitWindow(p.id(), kMainTitle));
  ASSERT_TRUE(ui.complete());
  std::vector<HWND> boxes = OpenEditor(p, ui);
  ASSERT_EQ(boxes.size(), 4u);
  for (const char* share : {"", "read"}) {
    Process holder = Process::Start(ModuleDir() + "\\file_holder.exe", "\"" + table + "\" " + share);
    ASSERT_TRUE(WaitFor([&] {
      UniqueFile probe(CreateFileA(table.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
      return !probe && GetLastError() == ERROR_SHARING_VIOLATION;
    }, 5s)) << "the holder did not take the table";
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_FALSE(Submit(boxes, {"New", "newuser", "newpw"})) << share;
    const std::string said = Told(p, "添加账号");
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 1400ms) << share << ": told before the retries were over";
    EXPECT_NE(said.find("占用"), std::string::npos) << share << ": " << said;
    holder.Terminate();
    EXPECT_EQ(run_.Read("UserData.edb"), before) << share;
    EXPECT_FALSE(run_.Exists("UserData.ed~")) << share;
  }
  EXPECT_TRUE(Submit(boxes, {}));
  EXPECT_TRUE(WaitFor([&] { return RowCount(ui.list) == 2; }, 5s));
  const std::vector<std::string> log = LogMessages(run_);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().rfind("Add Data ", 0), 0u) << log.back();
}

}  // namespace
}  // namespace quorrel::e2e
