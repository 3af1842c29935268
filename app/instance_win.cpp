#include "app/instance_win.h"

#include <string>

#include "app/restart.h"
#include "app/state.h"
#include "base/encoding_win.h"
#include "base/file_io_win.h"
#include "base/handles_win.h"
#include "base/report.h"

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
// how: the path goes in an environment variable, cmd starts in the system folder).
bool StartBatchHidden(const Text& batchPath) {
  char systemDir[MAX_PATH] = {};
  UINT n = GetSystemDirectoryA(systemDir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  BatchCommand command = RestartBatchCommand(batchPath, Text(systemDir, n));
  if (ReportIf(!SetEnvironmentVariableA(command.variable.c_str(), command.value.c_str()))) return false;

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  const bool started = CreateProcessA(command.program.c_str(), command.commandLine.data(), nullptr, nullptr, FALSE,
                                      CREATE_NO_WINDOW, nullptr, command.folder.c_str(), &startup, &info);
  SetEnvironmentVariableA(command.variable.c_str(), nullptr);  // cmd has its copy
  if (ReportIf(!started)) return false;
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  return true;
}

}  // namespace

void EnsureSingleInstance() {
  if (g_instanceMarker) return;  // our own marker is no other instance
  UniqueHandle other(OpenEventA(EVENT_ALL_ACCESS, FALSE, kInstanceEventName));
  if (other) TerminateProcessById();
  g_instanceMarker.reset(CreateEventA(nullptr, FALSE, FALSE, kInstanceEventName));
  // Without a marker this instance runs on; a later one will not be stopped.
  ReportIf(!g_instanceMarker);
  // Another instance created it between the two calls: it is the one that runs.
  if (g_instanceMarker && GetLastError() == ERROR_ALREADY_EXISTS) TerminateProcessById();
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
  const std::wstring folder = AnsiToWide(s.RunDirectory);
  const std::wstring text =
      tooLong ? Utf8ToWide("程序所在文件夹的路径太长，无法在其中建立账号表：\r\n") + folder +
                    Utf8ToWide("\r\n\r\n请把 Quorrel.exe 移到路径较短的文件夹后再启动。")
              : Utf8ToWide("无法在这个文件夹中建立账号表：\r\n") + folder +
                    Utf8ToWide("\r\n\r\nQuorrel 把账号保存在它自己所在的文件夹里，而这个文件夹不能写入"
                               "（例如 Program Files 下的文件夹，或只读的盘）。\r\n"
                               "请把 Quorrel.exe 移到您可以写入的文件夹（例如“文档”中的一个文件夹）后再启动。");
  MessageBoxW(nullptr, text.c_str(), L"Quorrel", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  // Without a table the program cannot keep an account: it ends, and nothing starts again.
  TerminateProcessById();
}

bool RestartProgram(int delay) {
  const ProcessState& state = State();
  const Text program = state.RunDirectory + "\\" + state.ExeFileName;
  DWORD attrs = GetFileAttributesA(program.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)) return false;

  // The 8.3 form keeps spaces out of the batch line where the system has one.
  char shortPath[255] = {};
  DWORD n = GetShortPathNameA(program.c_str(), shortPath, sizeof shortPath);
  Text path = n > 0 && n < sizeof shortPath ? TrimSpaces(Text(shortPath, n)) : Text();
  if (path.empty()) path = program;

  // A stale batch file from an earlier restart is not run in place of one that could not
  // be written; without a batch file running, this process goes on.
  const Text batchPath = state.RunDirectory + "\\Restart.bat";
  if (!WriteWholeFile(batchPath, BuildRestartBatch(path, delay, batchPath)) || !StartBatchHidden(batchPath)) {
    return false;
  }
  TerminateProcessById();
  return true;
}

}  // namespace quorrel
