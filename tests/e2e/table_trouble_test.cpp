// A run folder where the account table cannot be made: the program restarts at most once,
// and only where a restart can be written; then it says which folder it cannot use and what
// to do, and ends.
#include <windows.h>
#include <tlhelp32.h>

#include <fstream>

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

class TableTrouble : public E2eTest {};

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
  EXPECT_NE(said.find("移到"), std::string::npos) << said;
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
  char self[MAX_PATH] = {};
  std::string folders(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
  folders = folders.substr(0, folders.find_last_of('\\')) + "\\wine\\folders";
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
  EXPECT_NE(said.find("移到"), std::string::npos) << said;
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

}  // namespace
}  // namespace quorrel::e2e
