// Test doubles for the account table: a file system that can give up or crash inside a
// write, and a store wired to recording fakes.
#pragma once

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "store/account_table.h"
#include "store/memory_file_system.h"

namespace quorrel::testing {

// Where a write stops when the process dies inside it.
enum class CrashPoint {
  kBeforeTempCreate,
  kAfterTempCreate,    // empty temp file
  kAfterPartialWrite,  // half the bytes in the temp file
  kBeforeFlush,        // written, not flushed: unflushed pages read back as zeros
  kBeforeRename,       // flushed temp file, rename not done
  kRenameNotDurable,   // renamed, but the folder entry never reached the disk
  kReplaceNotAtomic,   // FAT: the replace deleted the old file, the rename never came
  kAfterRename,        // renamed and durable
};
constexpr CrashPoint kAllCrashPoints[] = {
    CrashPoint::kBeforeTempCreate, CrashPoint::kAfterTempCreate,  CrashPoint::kAfterPartialWrite,
    CrashPoint::kBeforeFlush,      CrashPoint::kBeforeRename,     CrashPoint::kRenameNotDurable,
    CrashPoint::kReplaceNotAtomic, CrashPoint::kAfterRename};

// files is the disk as found after the crash; after it every call fails (the process is gone).
// Paths in unreadable answer as a network drive or a denied access would: neither present
// nor absent, and they do not read.
class FaultyFileSystem : public MemoryTableFileSystem {
 public:
  std::optional<std::string> ReadFile(const Text& path) override {
    if (crashed || unreadable.count(path) != 0) return std::nullopt;
    return MemoryTableFileSystem::ReadFile(path);
  }
  PathState Probe(const Text& path) override {
    if (crashed || unreadable.count(path) != 0) return PathState::kUnknown;
    return MemoryTableFileSystem::Probe(path);
  }
  bool Remove(const Text& path) override { return !crashed && MemoryTableFileSystem::Remove(path); }
  bool MoveNew(const Text& from, const Text& to) override {
    return !crashed && unreadable.count(from) == 0 && MemoryTableFileSystem::MoveNew(from, to);
  }
  bool WriteReplace(const Text& path, std::string_view bytes) override { return Write(path, bytes, true); }
  bool WriteNew(const Text& path, std::string_view bytes) override { return Write(path, bytes, false); }

  int crash_on_write = 0;  // 1-based write call that crashes; 0: none
  CrashPoint crash_point = CrashPoint::kBeforeTempCreate;
  std::deque<bool> fail_writes;  // next writes: true = give up
  FileFailure fail_as = FileFailure::kOther;  // the reason a give-up tells
  int write_calls = 0;
  bool crashed = false;
  std::set<Text> unreadable;

 private:
  bool Write(const Text& path, std::string_view bytes, bool replace) {
    ++write_calls;
    if (crashed || unreadable.count(path) != 0) return false;
    if (!fail_writes.empty()) {
      const bool fail = fail_writes.front();
      fail_writes.pop_front();
      if (fail) return Fail(fail_as);  // a give-up (lock, full disk): path untouched, no temp
    }
    if (crash_on_write != write_calls) {
      return replace ? MemoryTableFileSystem::WriteReplace(path, bytes)
                     : MemoryTableFileSystem::WriteNew(path, bytes);
    }
    crashed = true;
    const Text temp = TempPath(path);
    const size_t n = bytes.size();
    switch (crash_point) {
      case CrashPoint::kBeforeTempCreate: break;
      case CrashPoint::kAfterTempCreate: files[temp] = ""; break;
      case CrashPoint::kAfterPartialWrite: files[temp] = std::string(bytes.substr(0, n / 2)); break;
      case CrashPoint::kBeforeFlush:
        files[temp] = std::string(bytes.substr(0, n / 3)) + std::string(n - n / 3, '\0');
        break;
      case CrashPoint::kBeforeRename:
      case CrashPoint::kRenameNotDurable: files[temp] = std::string(bytes); break;
      case CrashPoint::kReplaceNotAtomic:
        files[temp] = std::string(bytes);
        files.erase(path);
        break;
      case CrashPoint::kAfterRename:
        files[path] = std::string(bytes);
        files.erase(temp);
        break;
    }
    return false;
  }
};

// Draws that return scripted values first, then a fixed fallback.
struct ScriptedDraw {
  std::deque<int32_t> values;
  int32_t fallback = 54321;
  int calls = 0;
  int32_t operator()(int32_t, int32_t) {
    ++calls;
    if (values.empty()) return fallback;
    const int32_t v = values.front();
    values.pop_front();
    return v;
  }
};

// A store over a FaultyFileSystem, recording log lines.
struct StoreHarness {
  static constexpr char kPath[] = "dir/UserData.edb";

  FaultyFileSystem fs;
  std::vector<std::string> log;
  ScriptedDraw draw;
  AccountStore store;

  StoreHarness() {
    store.table_path = kPath;
    store.fs = &fs;
    store.log = [this](std::string_view line) { log.emplace_back(line); };
    store.draw = [this](int32_t lo, int32_t hi) { return draw(lo, hi); };
  }
  StoreHarness(const StoreHarness&) = delete;
  StoreHarness& operator=(const StoreHarness&) = delete;

  // A new process on the disk as the crash left it.
  void Reboot() {
    std::map<Text, std::string> disk = fs.files;
    fs = FaultyFileSystem();
    fs.files = std::move(disk);
    log.clear();
  }

  std::string& TableBytes() { return fs.files[kPath]; }
  bool HasTable() const { return fs.files.count(kPath) != 0; }
  std::vector<std::string> Pids() {
    std::vector<std::string> out;
    (void)ForEachAccount(store, [&](int, const AccountRecord& r) { out.push_back(r.pid); });
    return out;
  }
};

}  // namespace quorrel::testing
