// The real program started on what a killed operation left behind: a sample of the crash
// points that the Windows crash tests go through one by one (there the start is the store's
// list fill; here it is Quorrel.exe). The operation runs in tools/crash_child, which ends its
// own process just before a chosen call of the file layer.
#include <sstream>

#include "main_window_support.h"

namespace quorrel::e2e {
namespace {

std::string ChildExe() { return ModuleDir() + "\\crash_child.exe"; }

// Runs the child's operation in dir, ended before call n (0: not at all); its report.
std::string RunChild(const std::string& op, const std::string& dir, int n, DWORD expectedExit) {
  RunDirectory side;
  const std::string report = side.File("report.txt");
  Process child = Process::Start(ChildExe(), op + " \"" + dir + "\" " + std::to_string(n > 0 ? n : 100000) + " \"" +
                                                 report + "\"",
                                 dir);
  EXPECT_EQ(child.WaitExit(30s), std::optional<DWORD>(expectedExit)) << op << " " << n;
  return side.Read("report.txt").value_or("");
}

// The number of the which-th (from 1) call so named in a whole run of the operation.
int CallNumber(const std::string& report, const std::string& call, int which) {
  std::istringstream lines(report);
  std::string line;
  std::getline(lines, line);  // "done <calls> <outcome>"
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    int n = 0;
    std::string name;
    words >> n >> name;
    if (name == call && --which == 0) return n;
  }
  return 0;
}

class CrashStart : public E2eTest {};

TEST_F(CrashStart, TheProgramStartsOnWhatAnOperationKilledBeforeItsRenameLeft) {
  RunDirectory scratch;
  SeedTable(scratch, {{"12345", "Mail", "bob", "Secret-9"}, {"23456", "Web", "alice", "pw2"}});
  const std::string table = scratch.Read(kAccountTableFileName).value_or("");
  struct Case {
    const char* name;
    const char* op;
    std::vector<std::pair<std::string, std::string>> before;
    int rename;       // which rename of the operation it is killed before
    int rows;         // what the program shows
    bool recovered;   // the start put a left-over table in place
  } cases[] = {
      {"add killed before its rename", "add", {{kAccountTableFileName, table}}, 1, 2, false},
      {"delete killed before its rename", "delete", {{kAccountTableFileName, table}}, 1, 2, false},
      {"a recovery killed before its rename", "start", {{"UserData.ed~", table}}, 1, 2, true},
      // Half a table in the temp file is kept aside, then the new empty table is written to
      // the temp file: killed before that one is moved in place.
      {"a new table killed before its rename", "start", {{"UserData.ed~", table.substr(0, 60)}}, 2, 0, true},
  };
  for (const Case& c : cases) {
    RunDirectory run;
    for (const auto& [name, bytes] : c.before) run.Write(name, bytes);
    RunDirectory dry;
    for (const auto& [name, bytes] : c.before) dry.Write(name, bytes);
    const int n = CallNumber(RunChild(c.op, dry.path(), 0, 0), "MoveFileExA", c.rename);
    ASSERT_GT(n, 0) << c.name;
    RunChild(c.op, run.path(), n, 99);

    Process p = Process::Start(run.exe(), "", run.path());
    MainUi ui(WaitWindow(p.id(), kMainTitle));
    ASSERT_TRUE(ui.complete()) << c.name;
    EXPECT_TRUE(WaitFor([&] { return RowCount(ui.list) == c.rows; }, 5s)) << c.name << ": " << RowCount(ui.list);
    EXPECT_FALSE(WaitMessageBox(p, "Quorrel", 1s)) << c.name << ": a message at the start";
    const std::vector<std::string> log = LogMessages(run);
    EXPECT_EQ(std::count(log.begin(), log.end(), "Data Recovered"), c.recovered ? 1 : 0) << c.name;
    if (c.before[0].first == "UserData.ed~" && c.before[0].second != table) {
      EXPECT_EQ(run.Read("UserData.e~1"), c.before[0].second) << c.name << ": the half table was not kept aside";
    }
  }
}

}  // namespace
}  // namespace quorrel::e2e
