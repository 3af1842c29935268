// Account table costs with 10,000 stored accounts on the real file system (write, fsync,
// rename, fsync of the folder for every change). Usage: account_table_bench [folder]
// (default: a new folder under $TMPDIR or /tmp, removed afterwards).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "store/account_table.h"
#include "store/posix_file_system.h"

using namespace quorrel;
using bench::Clock;
using bench::Ms;

namespace {

constexpr int kAccounts = 10000;
constexpr int kImportLines = 1000;
constexpr int kRepeats = 21;

template <typename F>
void Report(const char* what, F&& step) {
  std::vector<double> times;
  for (int i = 0; i < kRepeats; ++i) {
    const auto start = Clock::now();
    step();
    times.push_back(Ms(Clock::now() - start));
  }
  std::sort(times.begin(), times.end());
  std::printf("%-44s median %8.3f ms   min %8.3f   max %8.3f\n", what, times[times.size() / 2],
              times.front(), times.back());
}

// 10,000 accounts of typical size, written in one piece.
bool Populate(TableFileSystem& fs, const Text& path) {
  return fs.WriteReplace(path, bench::SealedTable(bench::AccountPayload(kAccounts, 9)));
}

}  // namespace

int main(int argc, char** argv) {
  bench::BenchFolder dir(argc, argv, "quorrel-bench");
  if (!dir.ok()) return 1;
  const Text path = dir.path() + "/UserData.edb";
  PosixTableFileSystem fs;
  fs.Remove(path);

  const auto start = Clock::now();
  AccountStore store;
  store.table_path = path;
  store.fs = &fs;
  store.log = [](std::string_view) {};
  store.draw = TickSeededDraw([start] {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
  });

  if (!Populate(fs, path)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("table: %d accounts, %zu bytes, in %s\n", kAccounts, fs.ReadFile(path)->size(),
              dir.path().c_str());

  {
    TableContainer table(fs);
    ClearTableKeyCache();
    auto t = Clock::now();
    const bool ok = table.Open(path, kAccountTableAccessPassword);
    std::printf("%-44s %8.3f ms (%s, %u PBKDF2-SHA256 iterations)\n",
                "first open, key derivation included", Ms(Clock::now() - t), ok ? "ok" : "FAILED",
                kDefaultKdfIterations);
  }

  Report("read file only", [&] { (void)fs.ReadFile(path); });
  Report("read + decipher (floor of every operation)", [&] {
    auto file = fs.ReadFile(path);
    auto plain = UnsealTableFile(*file, kAccountTableAccessPassword);
    if (!plain) std::exit(1);
    plain->str().clear();  // the byte-loop wipe of SecretText is not part of the floor
  });
  Report("open (read, decipher, index)", [&] {
    TableContainer table(fs);
    if (!OpenAccountTable(store, table)) std::exit(1);
  });
  size_t listed = 0;
  Report("list fill: ForEachAccount over all", [&] {
    std::vector<AccountRecord> rows;
    rows.reserve(kAccounts + 100);
    if (ForEachAccount(store, [&](int, const AccountRecord& r) { rows.push_back({r.pid, r.name, r.user, r.password.Clone()}); }) != TableOutcome::kOpened)
      std::exit(1);
    listed = rows.size();
  });
  std::printf("  (%zu rows listed)\n", listed);
  Report("FindAccountByPid (last record)", [&] {
    if (!FindAccountByPid(store, std::to_string(10000 + (kAccounts - 1) * 9)).record) std::exit(1);
  });
  Report("NewAccountPid", [&] { (void)NewAccountPid(store); });
  Report("AddAccount (one record, durable)", [&] {
    if (AddAccount(store, NewAccountPid(store).pid, "n", "u", "p") != TableOutcome::kOpened) std::exit(1);
  });

  const auto import_start = Clock::now();
  for (int i = 0; i < kImportLines; ++i) {
    const Text pid = NewAccountPid(store).pid;
    if (AddAccount(store, pid, "imported " + std::to_string(i), "user", "password") != TableOutcome::kOpened) {
      std::fprintf(stderr, "add %d failed\n", i);
      return 1;
    }
  }
  const double import_ms = Ms(Clock::now() - import_start);
  std::printf("%-44s %8.1f ms total, %.2f ms per line\n", "1,000 x (NewAccountPid + AddAccount)",
              import_ms, import_ms / kImportLines);

  Report("DeleteAccountByPid (no match)", [&] { (void)DeleteAccountByPid(store, "none"); });
  std::printf("final table: %zu bytes\n", fs.ReadFile(path)->size());

  fs.Remove(path);
  return 0;
}
