// What a user downloads and how soon it is up: the size of the stripped Quorrel.exe beside
// this benchmark, and its start to the main window over a table of 100 accounts, beside the
// floor, Wine's notepad from its start to its window, started alternately in the same run.
// Further exes named on the command line (an earlier build, say) are timed the same way.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "main_window_support.h"

using namespace quorrel;
using namespace quorrel::e2e;
using bench::Clock;
using bench::Ms;

namespace {

constexpr int kRuns = 9;
constexpr int kAccounts = 100;

// Milliseconds from the start of exe to a visible top-level window of it with the title part;
// a negative value when none showed.
double StartToWindow(const std::string& exe, const std::string& dir, const std::string& title) {
  const auto start = Clock::now();
  Process p = Process::Start(exe, "", dir);
  const auto until = start + 30s;
  while (Clock::now() < until) {
    for (HWND h : WindowsOf(p.id(), title)) {
      if (IsWindowVisible(h)) {
        const double ms = Ms(Clock::now() - start);
        p.Terminate();
        return ms;
      }
    }
    Sleep(1);
  }
  p.Terminate();
  return -1;
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA a{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return -1;
  return static_cast<long long>(a.nFileSizeHigh) << 32 | a.nFileSizeLow;
}

struct Subject {
  std::string label, exe;
  std::unique_ptr<RunDirectory> run;
  std::vector<double> times;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<Subject> subjects;
  subjects.push_back({"Quorrel.exe (this build)", "", std::make_unique<RunDirectory>(), {}});
  for (int i = 1; i < argc; ++i) {
    auto run = std::make_unique<RunDirectory>();
    if (!CopyFileA(argv[i], run->exe().c_str(), FALSE)) {
      std::printf("start_size_bench: cannot copy %s\n", argv[i]);
      return 1;
    }
    subjects.push_back({argv[i], "", std::move(run), {}});
  }
  for (Subject& s : subjects) {
    s.exe = s.run->exe();
    AccountStore store = TableAt(*s.run);
    std::vector<AccountRecord> records(kAccounts);
    for (int i = 0; i < kAccounts; ++i)
      records[static_cast<size_t>(i)] = {"", "Account " + std::to_string(i), "user" + std::to_string(i),
                                         SecretText("Pass-" + std::to_string(i) + "!")};
    if (CreateAccountTable(store) != TableOutcome::kCreated ||
        AddAccountsWithNewPids(store, records) != TableOutcome::kOpened) {
      std::printf("start_size_bench: cannot write the table\n");
      return 1;
    }
  }

  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string notepad = std::string(windows) + "\\notepad.exe";
  std::vector<double> floor;
  for (int r = 0; r < kRuns; ++r) {
    for (Subject& s : subjects) s.times.push_back(StartToWindow(s.exe, s.run->path(), kMainTitle));
    floor.push_back(StartToWindow(notepad, windows, ""));
  }
  const double floorMs = bench::MedianOf(floor);
  std::printf("Download and start under Wine (median of %d starts, alternating):\n", kRuns);
  for (const Subject& s : subjects) {
    for (double t : s.times) {
      if (t < 0) {
        std::printf("start_size_bench: %s showed no main window\n", s.label.c_str());
        return 1;
      }
    }
    const double ms = bench::MedianOf(s.times);
    std::printf("  %-34s %10lld bytes   start to main window %6.1f ms   ratio %.2f\n", s.label.c_str(),
                FileSize(s.exe), ms, floorMs > 0 ? ms / floorMs : 0.0);
  }
  std::printf("  %-34s %16s   start to its window  %6.1f ms   (the floor)\n", "notepad.exe (Wine)", "",
              floorMs);
  return 0;
}
