// From a double-click to every account readable, against a small real program's start:
// the shipped Quorrel.exe over a table of 11,021 accounts and Wine's notepad, started the
// same way (CreateProcess) one after the other, seven times each. Quorrel counts until the
// last row's last cell can be read from this process, as a person's eye would; notepad until
// its window is visible. Beside them the program's own milestones (QUORREL_MILESTONES),
// from the same starts, say where the time goes. The same starts over a table that an
// earlier version sealed (100,000 key derivation rounds) show what a table not yet written
// by this version costs. QUORREL_BENCH_BASELINE may name the Quorrel.exe of an earlier build:
// its starts over that table join the alternation, for a before-and-after in one run.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "main_window_support.h"

using namespace quorrel;
using namespace quorrel::e2e;

namespace {

constexpr int kAccounts = 11021;
constexpr int kRuns = 7;
constexpr double kGoal = 1.2;
constexpr uint32_t kEarlierRounds = 100000;

double Now() {
  static const double perMs = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / perMs;
}

// Polls every millisecond; false when the time runs out.
template <typename Cond>
bool Poll(Cond cond, double timeoutMs = 30000) {
  const double until = Now() + timeoutMs;
  while (!cond()) {
    if (Now() > until) return false;
    Sleep(1);
  }
  return true;
}

HWND VisibleWindowOf(DWORD processId, const std::string& title = "") {
  for (HWND h : WindowsOf(processId, title))
    if (IsWindowVisible(h)) return h;
  return nullptr;
}

// Milliseconds from `start` (ms on the performance counter) to each milestone the program
// wrote into `path`.
std::map<std::string, double> ReadMilestones(const std::string& path, double start) {
  std::map<std::string, double> at;
  std::ifstream in(path);
  std::string name;
  double frequency = 0, counter = 0;
  while (std::getline(in, name, '\t') && in >> counter) {
    in.ignore(1);
    if (name == "frequency") frequency = counter;
    else if (frequency > 0) at[name] = counter * 1000.0 / frequency - start;
  }
  return at;
}

// One table case: its run folder, and each start's figures by name.
struct Case {
  std::string label;
  RunDirectory run;
  std::map<std::string, std::vector<double>> figures;
};

bool StartQuorrel(Case& c) {
  const std::string milestones = c.run.File("milestones.txt");
  DeleteFileA(milestones.c_str());
  SetEnvironmentVariableA("QUORREL_MILESTONES", milestones.c_str());
  const double start = Now();
  Process p = Process::Start(c.run.exe(), "", c.run.path());
  SetEnvironmentVariableA("QUORREL_MILESTONES", nullptr);
  HWND main = nullptr;
  if (!Poll([&] { return (main = VisibleWindowOf(p.id(), kMainTitle)) != nullptr; })) return false;
  const double shown = Now() - start;
  MainUi ui(main);
  const bool full = ui.complete() && Poll([&] {
    return RowCount(ui.list) == kAccounts && !Cell(ui.list, kAccounts - 1, 4).empty();
  });
  const double readable = Now() - start;
  p.Terminate();
  if (!full) return false;
  c.figures["main window visible (seen from outside)"].push_back(shown);
  c.figures["last row readable (seen from outside)"].push_back(readable);
  for (const auto& [name, ms] : ReadMilestones(milestones, start)) c.figures[name].push_back(ms);
  return true;
}

std::optional<double> StartNotepad(const std::string& notepad) {
  const double start = Now();
  Process p = Process::Start(notepad);
  const bool shown = Poll([&] { return VisibleWindowOf(p.id()) != nullptr; });
  const double ms = Now() - start;
  p.Terminate();
  if (!shown) return std::nullopt;
  return ms;
}

void WriteTable(const RunDirectory& run, uint32_t rounds) {
  TableKeyParams params = NewTableKeyParams();
  if (rounds) params.iterations = rounds;
  const auto file = SealTableFile(bench::AccountPayload(kAccounts), kAccountTableAccessPassword, params);
  if (file) run.Write(kAccountTableFileName, *file);
}

void PrintCase(const Case& c, double notepad) {
  std::vector<std::pair<double, std::string>> rows;
  for (const auto& [name, values] : c.figures)
    rows.emplace_back(bench::MedianOf(values), name + (values.size() < kRuns ? " (not every start)" : ""));
  std::sort(rows.begin(), rows.end());
  std::printf("  %s\n", c.label.c_str());
  for (const auto& [ms, name] : rows) std::printf("    %-48s %7.1f ms  %5.2f x notepad\n", name.c_str(), ms, ms / notepad);
}

}  // namespace

int main() {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string notepad = std::string(system) + "\\notepad.exe";

  Case current{"table as this version writes it"};
  Case earlier{"table sealed by an earlier version (100,000 rounds)"};
  WriteTable(current.run, 0);
  WriteTable(earlier.run, kEarlierRounds);
  char baselineExe[MAX_PATH] = {};
  std::optional<Case> baseline;
  if (GetEnvironmentVariableA("QUORREL_BENCH_BASELINE", baselineExe, MAX_PATH) > 0) {
    baseline.emplace(std::string("the baseline build ") + baselineExe + " over that table");
    if (!CopyFileA(baselineExe, baseline->run.exe().c_str(), FALSE)) {
      std::printf("startup_bench: cannot copy %s\n", baselineExe);
      return 1;
    }
    WriteTable(baseline->run, kEarlierRounds);
  }

  // Alternating, so that a machine that slows down or speeds up meanwhile touches all alike.
  std::vector<double> notepadMs;
  for (int r = 0; r < kRuns; ++r) {
    const auto n = StartNotepad(notepad);
    if (!n) {
      std::printf("startup_bench: notepad showed no window\n");
      return 1;
    }
    notepadMs.push_back(*n);
    if (!StartQuorrel(current) || !StartQuorrel(earlier) || (baseline && !StartQuorrel(*baseline))) {
      std::printf("startup_bench: Quorrel did not show its %d accounts\n", kAccounts);
      return 1;
    }
  }
  const double floor = bench::MedianOf(notepadMs);
  const double ours = bench::MedianOf(current.figures["last row readable (seen from outside)"]);
  std::printf("Start-up under Wine, %d accounts, %s build (median of %d starts each, alternating;\n"
              "times from CreateProcess):\n",
              kAccounts, sizeof(void*) == 4 ? "32-bit" : "64-bit", kRuns);
  std::printf("  floor: notepad's window visible %38.1f ms\n", floor);
  PrintCase(current, floor);
  PrintCase(earlier, floor);
  if (baseline) PrintCase(*baseline, floor);
  std::printf("  last row readable / notepad's window: %.2f x (goal: at most %.1f x)\n", ours / floor, kGoal);
  return 0;
}
