// TableFileSystem over Win32 calls, for the program itself.
#pragma once

#include <windows.h>

#include "store/table_file_system.h"

namespace quorrel {

// How long an operation keeps trying while another program (an antivirus scanner, the
// search indexer, a backup tool) holds the file for a moment.
struct LockRetryPolicy {
  DWORD budgetMs = 1500;    // total waiting per operation before it gives up
  DWORD firstDelayMs = 10;  // doubled after every failed attempt...
  DWORD maxDelayMs = 320;   // ...up to this
};

class Win32FileSystem : public TableFileSystem {
 public:
  explicit Win32FileSystem(LockRetryPolicy retry = {}) : retry_(retry) {}

  // Opened with read sharing only, so nobody writes while we read.
  std::optional<std::string> ReadFile(const Text& path) override;
  bool Exists(const Text& path) override;
  // Temp file beside path, write, FlushFileBuffers, MoveFileExA(REPLACE_EXISTING |
  // WRITE_THROUGH); the temp file is removed on every failure.
  bool WriteReplace(const Text& path, std::string_view bytes) override;
  bool Remove(const Text& path) override;

 private:
  LockRetryPolicy retry_;
};

}  // namespace quorrel
