// TableFileSystem over Win32 calls, for the program itself.
#pragma once

#include <windows.h>

#include <functional>

#include "store/table_file_system.h"

namespace quorrel {

// How long an operation keeps trying while another program (an antivirus scanner, the
// search indexer, a backup tool) holds the file for a moment.
struct LockRetryPolicy {
  DWORD budgetMs = 1500;    // total waiting per operation before it gives up
  DWORD firstDelayMs = 10;  // doubled after every failed attempt...
  DWORD maxDelayMs = 320;   // ...up to this
  std::function<void()> beforeWait;  // called before each wait (tests count the waits)
};

// Called before each Win32 call by which this layer and the activity log touch a file
// (create or open, read, attributes, write, flush, close, move, delete), with the call's name
// and the file's path. Unset, as in the program, it costs the test of a pointer; the crash
// tests set it in a child process that ends itself there, at one call after another.
using FileCallHook = void (*)(const char* call, const Text& path);
namespace detail {
inline FileCallHook fileCallHook = nullptr;
}  // namespace detail
inline void SetFileCallHook(FileCallHook hook) { detail::fileCallHook = hook; }
inline void BeforeFileCall(const char* call, const Text& path) {
  if (detail::fileCallHook) detail::fileCallHook(call, path);
}

class Win32FileSystem : public TableFileSystem {
 public:
  explicit Win32FileSystem(LockRetryPolicy retry = {}) : retry_(std::move(retry)) {}

  // Opened with read sharing only, so nobody writes while we read.
  std::optional<std::string> ReadFile(const Text& path) override;
  // "File not found" and "path not found" are absent; a sharing violation is present; any
  // other error is unknown.
  PathState Probe(const Text& path) override;
  // Temp file beside path, write, FlushFileBuffers, MoveFileExA(REPLACE_EXISTING |
  // WRITE_THROUGH); the temp file is removed on every failure. A read-only file at path is
  // not replaced: the rename is refused at once.
  bool WriteReplace(const Text& path, std::string_view bytes) override;
  // Temp file created with CREATE_NEW, write, FlushFileBuffers, MoveNew.
  bool WriteNew(const Text& path, std::string_view bytes) override;
  // MoveFileExA(WRITE_THROUGH), without REPLACE_EXISTING.
  bool MoveNew(const Text& from, const Text& to) override;
  bool Remove(const Text& path) override;
  // The system's ANSI code page, as the *A functions read the paths.
  LeadByteRule PathLeadBytes() const override;

 private:
  LockRetryPolicy retry_;
};

}  // namespace quorrel
