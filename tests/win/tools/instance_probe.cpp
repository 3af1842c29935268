// A stand-in for the program in the instance tests: the guard and the restart end the
// process that runs them, so the tests run them here, in processes of their own.
//   instance_probe guard    passes the guard, writes "passed" to guard-<pid>.txt beside
//                           itself, then waits 10 s (exit code 7)
//   instance_probe restart  appends "restart <pid>" to probe.log beside itself; the first
//                           time (no "restarted" marker yet) it restarts itself
//   instance_probe          appends "started <pid> in <current folder>" to probe.log and
//                           exits (the restarted copy)
#include <windows.h>

#include <string>

#include "app/instance_win.h"
#include "app/state.h"
#include "base/handles_win.h"

namespace {

std::string ModulePath() {
  std::string path(32768, '\0');
  DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  // Wine names a program started from \\server\share as UNC\server\share (Windows as \\server\share).
  if (path.rfind("UNC\\", 0) == 0) path.replace(0, 3, "\\");
  return path;
}

size_t LastSeparator(const std::string& path) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\') last = i;
    if (quorrel::IsLeadByte(static_cast<unsigned char>(path[i]))) ++i;
  }
  return last;
}

void Append(const std::string& path, const std::string& text) {
  quorrel::UniqueFile file(CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD put = 0;
  if (file) WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  quorrel::InitProcessState();
  const std::string self = ModulePath();
  const size_t sep = LastSeparator(self);
  if (sep == std::string::npos) return 2;
  const std::string dir = self.substr(0, sep);
  const std::string pid = std::to_string(GetCurrentProcessId());
  const std::string mode = argc > 1 ? argv[1] : "";

  if (mode == "guard") {
    quorrel::EnsureSingleInstance();
    quorrel::EnsureSingleInstance();  // its own marker must not end it
    Append(dir + "\\guard-" + pid + ".txt", "passed");
    Sleep(10000);
    return 7;
  }
  if (mode == "restart") {
    quorrel::State().RunDirectory = dir;
    quorrel::State().ExeFileName = self.substr(sep + 1);
    Append(dir + "\\probe.log", "restart " + pid + "\r\n");
    const std::string marker = dir + "\\restarted";
    if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return 0;
    Append(marker, "");
    quorrel::RestartProgram();
    return 3;  // only when the program file was not found
  }
  if (mode.empty()) {
    char folder[MAX_PATH] = {};
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, folder);
    Append(dir + "\\probe.log", "started " + pid + " in " + std::string(folder, n < MAX_PATH ? n : 0) + "\r\n");
    return 0;
  }
  return 2;
}
