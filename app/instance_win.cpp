#include "app/instance_win.h"

#include <optional>
#include <string>

#include "app/app_texts.h"
#include "app/earlier_table.h"
#include "app/restart.h"
#include "app/second_start.h"
#include "app/state.h"
#include "base/encoding_win.h"
#include "base/file_io_win.h"
#include "base/handles_win.h"
#include "base/report.h"
#include "ui/main/main_window_win.h"
#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

// Open for the rest of the process's life: the system removes the marker with the last
// handle, that is when this process ends.
UniqueHandle g_instanceMarker;

Text TrimSpaces(Text s) {
  size_t first = s.find_first_not_of(' ');
  if (first == Text::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Runs the batch through cmd with a hidden window, without waiting (RestartBatchCommand says
// how: the paths go in environment variables, cmd starts in the system folder).
bool StartBatchHidden(const Text& batchPath, const Text& programPath) {
  char systemDir[MAX_PATH] = {};
  UINT n = GetSystemDirectoryA(systemDir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  BatchCommand command = RestartBatchCommand(batchPath, programPath, Text(systemDir, n));
  bool set = true;
  for (const auto& [name, value] : command.environment)
    set = set && !ReportIf(!SetEnvironmentVariableA(name.c_str(), value.c_str()));

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  const bool started = set && CreateProcessA(command.program.c_str(), command.commandLine.data(), nullptr, nullptr,
                                             FALSE, CREATE_NO_WINDOW, nullptr, command.folder.c_str(), &startup, &info);
  for (const auto& variable : command.environment)
    SetEnvironmentVariableA(variable.first.c_str(), nullptr);  // cmd has its copy
  if (ReportIf(!started)) return false;
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  return true;
}

// How long a second start looks for the running copy's main window: the marker is made
// while that window is being created.
constexpr DWORD kFindWindowBudgetMs = 2000;
// How long the running copy may take to come to the front before it counts as out of reach.
constexpr UINT kComeForwardBudgetMs = 3000;

struct MainWindowSearch {
  std::wstring title;
  HWND found = nullptr;
};

BOOL CALLBACK LookAtWindow(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<MainWindowSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[64] = {}, title[64] = {};
  if (pid == GetCurrentProcessId() || !GetClassNameW(hwnd, cls, 64) || lstrcmpW(cls, ui::kWindowClassName) != 0)
    return TRUE;
  GetWindowTextW(hwnd, title, 64);
  if (search->title != title) return TRUE;
  search->found = hwnd;
  return FALSE;
}

// The main window of another process of the program, or null.
HWND RunningMainWindow() {
  MainWindowSearch search{Utf8ToWide(kMainWindowTitle)};
  for (const ULONGLONG end = GetTickCount64() + kFindWindowBudgetMs;; Sleep(50)) {
    EnumWindows(LookAtWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found || GetTickCount64() > end) return search.found;
  }
}

// Whether the process runs elevated (as administrator); nothing when it cannot be read.
std::optional<bool> Elevated(HANDLE process) {
  UniqueHandle token;
  if (!process || !OpenProcessToken(process, TOKEN_QUERY, token.put())) return std::nullopt;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return std::nullopt;
  return elevation.TokenIsElevated != 0;
}

// This copy is not needed: the running one comes to the front, or the user learns why it
// cannot and what to do; then this process ends.
[[noreturn]] void GiveWayToRunningCopy() {
  RunningCopy copy;
  const HWND main = RunningMainWindow();
  copy.windowFound = main != nullptr;
  if (main) {
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    const std::optional<bool> self = Elevated(GetCurrentProcess());
    UniqueHandle running(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    const std::optional<bool> theirs = Elevated(running.get());
    copy.thisElevated = self.value_or(false);
    copy.runningLevelRead = theirs.has_value();
    copy.runningElevated = theirs.value_or(false);
    // This process was started by the user, so it may hand the foreground on.
    AllowSetForegroundWindow(pid);
    DWORD_PTR heard = 0;
    copy.reached = SendMessageTimeoutW(main, RegisterWindowMessageA(kComeForwardMessageName),
                                       NeedsMainWindow(copy) ? kComeForwardMainWindow : 0, 0,
                                       SMTO_ABORTIFHUNG | SMTO_BLOCK, kComeForwardBudgetMs, &heard) != 0 &&
                   heard == TRUE;
  }
  const char* text = nullptr;
  switch (AnswerSecondStart(copy)) {
    case SecondStart::kQuietEnd: break;
    case SecondStart::kRunningWithoutAdministrator: text = app_texts::kRunningWithoutAdministrator; break;
    case SecondStart::kOutOfReach: text = app_texts::kRunningOutOfReach; break;
  }
  if (text)
    MessageBoxW(nullptr, Utf8ToWide(text).c_str(), Utf8ToWide(app_texts::kTitle).c_str(),
                MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND | MB_TOPMOST);
  TerminateProcessById();
  ExitProcess(0);  // not reached: the pseudo handle always ends the current process
}

}  // namespace

void EnsureSingleInstance() {
  if (g_instanceMarker) return;  // our own marker is no other instance
  UniqueHandle other(OpenEventA(EVENT_ALL_ACCESS, FALSE, kInstanceEventName));
  if (other) GiveWayToRunningCopy();
  g_instanceMarker.reset(CreateEventA(nullptr, FALSE, FALSE, kInstanceEventName));
  // Without a marker this instance runs on; a later one will not be stopped.
  ReportIf(!g_instanceMarker);
  // Another instance created it between the two calls: it is the one that runs.
  if (g_instanceMarker && GetLastError() == ERROR_ALREADY_EXISTS) GiveWayToRunningCopy();
}

void GiveWayIfAnotherCopyRuns() {
  UniqueHandle other(OpenEventA(SYNCHRONIZE, FALSE, kInstanceEventName));
  if (other) GiveWayToRunningCopy();
}

bool TerminateProcessById(DWORD pid) {
  const DWORD self = GetCurrentProcessId();
  if (pid == 0) pid = self;
  UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
  if (!process) {
    // The pseudo handle always carries the right, so the current process ends regardless.
    if (pid == self) TerminateProcess(GetCurrentProcess(), 0);
    return false;
  }
  return TerminateProcess(process.get(), 0) == 1;
}

bool TakeRestartedForTable() {
  char value[8] = {};
  const DWORD n = GetEnvironmentVariableA(kRestartedForTableVariable, value, sizeof value);
  SetEnvironmentVariableA(kRestartedForTableVariable, nullptr);
  return n > 0 && n < sizeof value && value[0] == '1';
}

void AnswerTableCannotBeCreated() {
  ProcessState& s = State();
  // A path too long for the table would be as long after a restart.
  const bool tooLong = s.Accounts.table_path.size() >= MAX_PATH;
  if (!s.RestartedForTable && !tooLong) {
    // The batch file and the copy it starts inherit this process's environment.
    ReportIf(!SetEnvironmentVariableA(kRestartedForTableVariable, "1"));
    if (RestartProgram()) return;  // not reached: the restart ends this process
    // No batch file could be written either (a folder where nothing can be created): a
    // restart cannot help, the user is told instead.
    SetEnvironmentVariableA(kRestartedForTableVariable, nullptr);
  }
  if (s.ToldFolderUnwritable) return;
  s.ToldFolderUnwritable = true;
  const std::string folder = WideToUtf8(AnsiToWide(s.RunDirectory));
  // An earlier version run here without a manifest kept its table where Windows redirected it.
  const std::string earlier = WideToUtf8(AnsiToWide(EarlierTableFolder(s.RunDirectory)));
  const std::wstring text =
      Utf8ToWide(tooLong ? app_texts::FolderPathTooLong(folder) : app_texts::FolderNotWritable(folder, earlier));
  MessageBoxW(nullptr, text.c_str(), Utf8ToWide(app_texts::kTitle).c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  // Without a table the program cannot keep an account: it ends, and nothing starts again.
  TerminateProcessById();
}

bool RestartProgram(int delay) {
  const ProcessState& state = State();
  const Text program = state.RunDirectory + "\\" + state.ExeFileName;
  DWORD attrs = GetFileAttributesA(program.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)) return false;

  // The short (8.3) form where the system has one, as earlier versions started it.
  char shortPath[255] = {};
  DWORD n = GetShortPathNameA(program.c_str(), shortPath, sizeof shortPath);
  Text path = n > 0 && n < sizeof shortPath ? TrimSpaces(Text(shortPath, n)) : Text();
  if (path.empty()) path = program;

  // A stale batch file from an earlier restart is not run in place of one that could not
  // be written; without a batch file running, this process goes on.
  const Text batchPath = state.RunDirectory + "\\Restart.bat";
  if (!WriteWholeFile(batchPath, BuildRestartBatch(delay)) || !StartBatchHidden(batchPath, path)) {
    return false;
  }
  TerminateProcessById();
  return true;
}

}  // namespace quorrel
