// What the table file limit (kMaxTableFileBytes) leaves room for, and what a table at the
// limit costs in memory: file sizes for 100,000 accounts, and the peak heap of opening,
// listing and appending to a table just below the limit, as a multiple of its file size
// (the figure a 32-bit process must find room for). Usage: table_size_bench
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "bench/bench_support.h"
#include "store/account_table.h"
#include "store/memory_file_system.h"

using namespace quorrel;

// --- heap accounting: every allocation of this program goes through here ----------------

namespace {
std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};

void* Allocate(size_t size) {
  void* p = std::malloc(size + sizeof(std::max_align_t));
  if (!p) throw std::bad_alloc();
  *static_cast<size_t*>(p) = size;
  const size_t live = g_live += size;
  size_t peak = g_peak.load();
  while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
  }
  return static_cast<char*>(p) + sizeof(std::max_align_t);
}

void Release(void* p) {
  if (!p) return;
  void* base = static_cast<char*>(p) - sizeof(std::max_align_t);
  g_live -= *static_cast<size_t*>(base);
  std::free(base);
}
}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace {

constexpr int kAccounts = 100000;
constexpr char kPath[] = "UserData.edb";

struct Shape {
  const char* what;
  size_t name, user, password;  // bytes per field beyond the generated part
};

// count accounts, or as many as fit in max_bytes; each field padded to the shape's sizes
// (0: the typical generated texts).
std::string Payload(int count, const Shape& shape, size_t max_bytes = SIZE_MAX) {
  return bench::AccountPayload(count, 1, {shape.name, shape.user, shape.password}, max_bytes);
}

std::string Seal(const std::string& payload) {
  TableKeyParams params = NewTableKeyParams();
  return *SealTableFile(payload, kAccountTableAccessPassword, params);
}

}  // namespace

int main() {
  const double limit_mb = static_cast<double>(kMaxTableFileBytes) / (1 << 20);
  std::printf("table file limit: %zu bytes (%.0f MiB)\n\n", kMaxTableFileBytes, limit_mb);

  const Shape shapes[] = {{"typical (generated texts)", 0, 0, 0},
                          {"long (name 60, user 40, password 32 bytes)", 60, 40, 32},
                          {"every field at its 512 bytes", 512, 512, 512}};
  for (const Shape& shape : shapes) {
    const std::string payload = Payload(kAccounts, shape);
    const double mb = static_cast<double>(payload.size() + 64) / (1 << 20);
    const double per_account = static_cast<double>(payload.size()) / kAccounts;
    std::printf("%-46s %d accounts: %7.2f MiB = %5.3f x the limit; the limit holds %.0f such accounts\n",
                shape.what, kAccounts, mb, mb / limit_mb,
                static_cast<double>(kMaxTableFileBytes - 64) / per_account);
  }

  // A table just below the limit, of typical accounts: peak heap per operation.
  MemoryTableFileSystem fs;
  fs.files[kPath] = Seal(Payload(INT32_MAX, shapes[0], kMaxTableFileBytes - 64 - 4096));
  const size_t file_size = fs.files[kPath].size();
  size_t near_limit = 0;
  {
    TableContainer table(fs);
    if (!table.Open(kPath, kAccountTableAccessPassword)) return 1;
    near_limit = table.RecordCount();
  }
  AccountStore store;
  store.table_path = kPath;
  store.fs = &fs;
  store.draw = TickSeededDraw([] { return 1u; });
  std::printf("\ntable near the limit: %zu typical accounts, %zu bytes\n", near_limit, file_size);

  auto measure = [&](const char* what, auto&& step) {
    const size_t before = g_live.load();
    g_peak = before;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = step();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double peak = static_cast<double>(g_peak.load() - before);
    std::printf("  %-34s peak heap %7.1f MiB = %4.2f x the file  (%7.1f ms)%s\n", what, peak / (1 << 20),
                peak / static_cast<double>(file_size), ms, ok ? "" : "  FAILED");
  };
  measure("open (read, decipher, index)", [&] {
    TableContainer table(fs);
    return OpenAccountTable(store, table);
  });
  measure("list fill (ForEachAccount)", [&] {
    size_t n = 0;
    return ForEachAccount(store, [&](int, const AccountRecord&) { ++n; }) == TableOutcome::kOpened &&
           n == near_limit;
  });
  measure("add one account",
          [&] { return AddAccount(store, "00001", "name", "user", "password") == TableOutcome::kOpened; });
  measure("delete one account", [&] { return DeleteAccountByPid(store, "00001").count == 1; });
  return 0;
}
