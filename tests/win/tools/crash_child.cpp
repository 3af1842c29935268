// One table operation of the program over the real Win32 file layer, in a process that ends
// itself, without any clean-up, just before the N-th file call of the layer or the log: the
// crash tests run it at N = 1, 2, ... and look at what each ending left behind.
//   crash_child <operation> <folder> <N> <report> [<import file>]
// operation: add     the record editor's add of 54321 "New" (then "Add Data 54321")
//            delete  the list's delete of PID 23456
//            import  the import window's import of the file given
//            start   the list fill at start-up (creates or recovers a missing table)
// The table is folder\UserData.edb, the log folder\Quorrel Log.log, as the program has them.
// Reaching call N it writes "<N> <call> <path>" to the report and ends with exit code 99;
// an operation that makes fewer calls writes "done <calls> <outcome>" and every call, one a
// line, and exits with 0.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "exchange/import_lines.h"
#include "store/account_store_win.h"
#include "store/file_system_win.h"

namespace {

constexpr UINT kCrashExitCode = 99;

int g_crash_at = 0;
int g_calls = 0;
std::string g_report;
std::vector<std::string> g_seen;

void WriteReport(const std::string& text) {
  HANDLE f = CreateFileA(g_report.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD put = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
  CloseHandle(f);
}

void BeforeCall(const char* call, const quorrel::Text& path) {
  std::string line = std::to_string(++g_calls) + " " + call + " " + path.substr(path.find_last_of('\\') + 1);
  if (g_calls == g_crash_at) {
    WriteReport(line);
    TerminateProcess(GetCurrentProcess(), kCrashExitCode);
  }
  g_seen.push_back(std::move(line));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return 2;
  const std::string op = argv[1];
  const std::string folder = argv[2];
  g_crash_at = std::atoi(argv[3]);
  g_report = argv[4];
  const quorrel::AccountStore store = quorrel::MakeAccountStore(folder);

  quorrel::ImportFile file;
  if (op == "import") {
    if (argc < 6) return 2;
    file = quorrel::ReadImportFile(argv[5]);  // read before the count starts: not the table's
    if (file.status != quorrel::ImportFile::kRead) return 3;
  }
  quorrel::SetFileCallHook(&BeforeCall);

  quorrel::TableOutcome outcome = quorrel::TableOutcome::kWriteFailed;
  if (op == "add") {
    outcome = quorrel::AddAccount(store, "54321", "New", "newuser", "newpw");
    if (outcome == quorrel::TableOutcome::kOpened) store.log("Add Data 54321");
  } else if (op == "delete") {
    outcome = quorrel::DeleteAccountByPid(store, "23456").outcome;
  } else if (op == "import") {
    outcome = quorrel::ImportAccountText(store, file.bytes, quorrel::SystemCodePage()).outcome;
  } else if (op == "start") {
    outcome = quorrel::ForEachAccount(store, {});
  } else {
    return 2;
  }
  quorrel::SetFileCallHook(nullptr);
  std::string report = "done " + std::to_string(g_calls) + " " + std::to_string(static_cast<int>(outcome)) + "\n";
  for (const std::string& line : g_seen) report += line + "\n";
  WriteReport(report);
  return 0;
}
