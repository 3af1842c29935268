#include <windows.h>

#include <mutex>
#include <set>
#include <string>

#include "base/milestones.h"

namespace quorrel {
namespace {

struct MilestoneFile {
  std::mutex lock;
  std::string path;
  std::set<std::string> seen;
};

MilestoneFile& File() {
  static MilestoneFile file;
  return file;
}

void AppendLine(const std::string& path, const std::string& line) {
  HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(h);
}

void RecordToFile(const char* name) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);  // first: the file's own cost lands after the moment
  MilestoneFile& f = File();
  std::lock_guard<std::mutex> hold(f.lock);
  if (!f.seen.insert(name).second) return;
  AppendLine(f.path, std::string(name) + "\t" + std::to_string(now.QuadPart) + "\n");
}

// Moments before the entry, kept until the recorder is set: the loader done (the image
// mapped, every imported DLL loaded and started) and the first of the static initialisers.
// Only the GNU toolchain places these hooks; elsewhere the milestones begin at the entry.
LARGE_INTEGER g_importsLoaded{};
LARGE_INTEGER g_initialisersBegin{};

#if defined(__GNUC__)
// A TLS callback of the exe runs before the C runtime starts, once the imports are in.
void NTAPI NoteImportsLoaded(PVOID, DWORD reason, PVOID) {
  if (reason == DLL_PROCESS_ATTACH && g_importsLoaded.QuadPart == 0) QueryPerformanceCounter(&g_importsLoaded);
}
extern "C" __attribute__((section(".CRT$XLQ"), used)) const PIMAGE_TLS_CALLBACK quorrel_note_imports_loaded =
    NoteImportsLoaded;

// The highest priority a program may give: before every other static initialiser.
__attribute__((constructor(101))) void NoteInitialisersBegin() { QueryPerformanceCounter(&g_initialisersBegin); }
#endif

}  // namespace

void RecordMilestonesWhenAsked() {
  char path[MAX_PATH];
  const DWORD n = GetEnvironmentVariableA("QUORREL_MILESTONES", path, sizeof path);
  if (n == 0 || n >= sizeof path) return;
  File().path.assign(path, n);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  AppendLine(File().path, "frequency\t" + std::to_string(frequency.QuadPart) + "\n");
  if (g_importsLoaded.QuadPart)
    AppendLine(File().path, "imports loaded\t" + std::to_string(g_importsLoaded.QuadPart) + "\n");
  if (g_initialisersBegin.QuadPart)
    AppendLine(File().path, "static initialisers begin\t" + std::to_string(g_initialisersBegin.QuadPart) + "\n");
  SetMilestoneRecorder(RecordToFile);
}

}  // namespace quorrel
