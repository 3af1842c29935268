// How long the table's file layer waits behind another program's lock, against the figure it
// is meant to keep to, measured in the same run:
//   - a replace behind a lock released after 300 ms: time / 300 ms (the doubling delays
//     overshoot the release by at most one delay);
//   - a replace behind a lock that outlasts the budget: time / budget (1500 ms);
//   - a refused replace (read-only table) and an unlocked replace, against a bare write of
//     the same bytes (the floor).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "base/handles_win.h"
#include "store/file_system_win.h"
#include "tests/win/temp_dir.h"

using namespace quorrel;
using bench::Clock;
using bench::Ms;

namespace {

constexpr int kRepeats = 7;
constexpr DWORD kLockMs = 300;


template <typename F>
double Median(F&& step) {
  std::vector<double> times;
  for (int i = 0; i < kRepeats; ++i) times.push_back(step());
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

bool RawWrite(const std::string& path, const std::string& bytes) {
  UniqueFile f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD put = 0;
  return f && ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
         FlushFileBuffers(f.get());
}

// Holds path without sharing for ms on another thread, then lets go.
double ReplaceBehindLock(Win32FileSystem& fs, const std::string& path, const std::string& bytes, DWORD ms,
                         bool* ok) {
  RawWrite(path, "old");
  UniqueFile hold(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  std::thread releaser([&] { Sleep(ms), hold.reset(); });
  const auto start = Clock::now();
  *ok = fs.WriteReplace(path, bytes);
  const double took = Ms(Clock::now() - start);
  releaser.join();
  return took;
}

}  // namespace

int main() {
  TempDir dir;
  const std::string table = dir.path() + "\\UserData.edb";
  const std::string bytes(700 * 1024, 't');  // a table of about 10,000 accounts
  Win32FileSystem fs;
  const LockRetryPolicy policy;

  const double floor = Median([&] {
    const auto start = Clock::now();
    RawWrite(dir.path() + "\\floor.bin", bytes);
    return Ms(Clock::now() - start);
  });
  const double unlocked = Median([&] {
    const auto start = Clock::now();
    fs.WriteReplace(table, bytes);
    return Ms(Clock::now() - start);
  });
  const double refused = Median([&] {
    RawWrite(table, "kept");
    SetFileAttributesA(table.c_str(), FILE_ATTRIBUTE_READONLY);
    const auto start = Clock::now();
    fs.WriteReplace(table, bytes);
    const double took = Ms(Clock::now() - start);
    SetFileAttributesA(table.c_str(), FILE_ATTRIBUTE_NORMAL);
    return took;
  });
  bool all_ok = true;
  const double brief = Median([&] {
    bool ok = false;
    const double took = ReplaceBehindLock(fs, table, bytes, kLockMs, &ok);
    all_ok = all_ok && ok;
    return took;
  });
  bool any_landed = false;
  const double given_up = Median([&] {
    bool ok = true;
    const double took = ReplaceBehindLock(fs, table, bytes, policy.budgetMs + 1000, &ok);
    any_landed = any_landed || ok;
    return took;
  });

  std::printf("file layer, %zu-byte table, median of %d:\n", bytes.size(), kRepeats);
  std::printf("  %-38s %8.2f ms\n", "floor: bare write + flush", floor);
  std::printf("  %-38s %8.2f ms   %6.2f x floor\n", "replace, no lock", unlocked, unlocked / floor);
  std::printf("  %-38s %8.2f ms   %6.2f x floor\n", "replace refused (read-only table)", refused, refused / floor);
  std::printf("  %-38s %8.2f ms   %6.2f x the %lu ms lock%s\n", "replace behind a brief lock", brief,
              brief / kLockMs, static_cast<unsigned long>(kLockMs), all_ok ? "" : "  (A REPLACE FAILED)");
  std::printf("  %-38s %8.2f ms   %6.2f x the %lu ms budget%s\n", "replace behind a long lock (gives up)", given_up,
              given_up / policy.budgetMs, static_cast<unsigned long>(policy.budgetMs),
              any_landed ? "  (A REPLACE LANDED)" : "");
  return all_ok && !any_landed ? 0 : 1;
}
