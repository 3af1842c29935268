#include "store/file_system_win.h"

#include <algorithm>
#include <new>

#include "base/encoding_win.h"
#include "base/file_io_win.h"
#include "base/handles_win.h"
#include "base/report.h"

namespace quorrel {
namespace {

// Removing our own temp file after a failure is worth a short wait, not a full budget.
constexpr DWORD kTempCleanupBudgetMs = 300;

enum class PathKind { Missing, File, ProtectedFile, Directory };

PathKind KindOf(const Text& path) {
  BeforeFileCall("GetFileAttributesA", path);
  DWORD attrs = GetFileAttributesA(path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  if (attrs & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Directory;
  if (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
    return PathKind::ProtectedFile;
  return PathKind::File;
}

bool IsReadOnlyFile(const Text& path) {
  BeforeFileCall("GetFileAttributesA", path);
  DWORD attrs = GetFileAttributesA(path.c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY) &&
         (attrs & FILE_ATTRIBUTE_READONLY);
}

bool IsLockError(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool IsNotFound(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool IsAlreadyThere(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

bool IsDiskFull(DWORD error) { return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL; }

// What the user is told about a call that gave up on error; waitedOut: it retried a lock
// until the budget was spent.
FileFailure FailureOf(DWORD error, bool waitedOut) {
  if (IsDiskFull(error)) return FileFailure::kDiskFull;
  return waitedOut ? FileFailure::kBusy : FileFailure::kOther;
}

// Windows also answers "access denied" for a plain file that another program has open
// without delete sharing or is deleting; for a directory or a read-only file the answer
// would never change, so those are not waited for.
bool IsBriefLock(DWORD error, const Text& path, bool readOnlyIsFine) {
  if (IsLockError(error)) return true;
  if (error != ERROR_ACCESS_DENIED) return false;
  PathKind kind = KindOf(path);
  return kind == PathKind::File || (readOnlyIsFine && kind == PathKind::ProtectedFile);
}

// Waits with a doubling delay while the operation's budget lasts.
class LockRetry {
 public:
  explicit LockRetry(const LockRetryPolicy& policy)
      : policy_(policy), start_(GetTickCount64()), delay_(std::max<DWORD>(policy.firstDelayMs, 1)) {}

  // False once the budget is spent: the caller gives up.
  bool WaitBeforeNextTry() {
    ULONGLONG spent = GetTickCount64() - start_;
    if (spent >= policy_.budgetMs) return false;
    if (policy_.beforeWait) policy_.beforeWait();
    Sleep(static_cast<DWORD>(std::min<ULONGLONG>(delay_, policy_.budgetMs - spent)));
    delay_ = std::min<DWORD>(delay_ * 2, std::max<DWORD>(policy_.maxDelayMs, 1));
    return true;
  }

 private:
  const LockRetryPolicy& policy_;
  ULONGLONG start_;
  DWORD delay_;
};

// One attempt; on failure error holds the reason.
std::optional<std::string> ReadOnce(const Text& path, DWORD& error) {
  BeforeFileCall("CreateFileA", path);
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    error = GetLastError();
    return std::nullopt;
  }
  LARGE_INTEGER size{};
  BeforeFileCall("GetFileSizeEx", path);
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<ULONGLONG>(size.QuadPart) > kMaxTableFileBytes) {
    error = ERROR_FILE_TOO_LARGE;
    return std::nullopt;
  }
  try {
    std::string content;
    content.reserve(static_cast<size_t>(size.QuadPart));
    std::string chunk(64 * 1024, '\0');
    for (;;) {
      DWORD got = 0;
      BeforeFileCall("ReadFile", path);
      if (!::ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) {
        error = GetLastError();
        return std::nullopt;
      }
      if (got == 0) break;
      if (content.size() + got > kMaxTableFileBytes) {  // it grew meanwhile
        error = ERROR_FILE_TOO_LARGE;
        return std::nullopt;
      }
      content.append(chunk.data(), got);
    }
    return content;
  } catch (const std::bad_alloc&) {
    error = ERROR_NOT_ENOUGH_MEMORY;
    return std::nullopt;
  }
}

bool DeleteWithRetry(const Text& path, const LockRetryPolicy& policy, FileFailure* why = nullptr) {
  LockRetry retry(policy);
  for (;;) {
    BeforeFileCall("DeleteFileA", path);
    if (DeleteFileA(path.c_str())) return true;
    DWORD error = GetLastError();
    if (IsNotFound(error)) return true;
    const bool brief = IsBriefLock(error, path, false);
    if (!brief || !retry.WaitBeforeNextTry()) {
      if (why) *why = FailureOf(error, brief);
      return false;
    }
  }
}

enum class TempResult { kWritten, kNotCreated, kFailed };

// Creates temp (CREATE_ALWAYS or CREATE_NEW), writes and flushes bytes. kNotCreated: nothing
// was created (a missing folder, a file already there for CREATE_NEW); kFailed: the temp file
// was created here and must be removed. why: the reason of a failure.
TempResult WriteTemp(const Text& temp, DWORD disposition, std::string_view bytes,
                     const LockRetryPolicy& policy, FileFailure& why) {
  LockRetry retry(policy);
  UniqueFile file;
  for (;;) {
    BeforeFileCall("CreateFileA", temp);
    file.reset(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) break;
    DWORD error = GetLastError();
    if (IsNotFound(error) || IsAlreadyThere(error)) {
      why = FailureOf(error, false);
      return TempResult::kNotCreated;
    }
    const bool brief = IsBriefLock(error, temp, false);
    if (!brief || !retry.WaitBeforeNextTry()) {
      why = FailureOf(error, brief);
      return disposition == CREATE_NEW ? TempResult::kNotCreated : TempResult::kFailed;
    }
  }
  BeforeFileCall("WriteFile", temp);
  bool written = WriteAll(file.get(), bytes);
  if (written) {
    BeforeFileCall("FlushFileBuffers", temp);
    written = FlushFileBuffers(file.get());
  }
  if (!written) why = FailureOf(GetLastError(), false);
  BeforeFileCall("CloseHandle", temp);
  if (!CloseHandle(file.release()) && written) {
    why = FailureOf(GetLastError(), false);
    written = false;
  }
  return written ? TempResult::kWritten : TempResult::kFailed;
}

}  // namespace

std::optional<std::string> Win32FileSystem::ReadFile(const Text& path) {
  LockRetry retry(retry_);
  for (;;) {
    DWORD error = 0;
    if (auto content = ReadOnce(path, error)) return content;
    const bool brief = IsBriefLock(error, path, true);
    if (!brief || !retry.WaitBeforeNextTry()) {
      Fail(FailureOf(error, brief));
      return std::nullopt;
    }
  }
}

PathState Win32FileSystem::Probe(const Text& path) {
  BeforeFileCall("GetFileAttributesA", path);
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return PathState::kPresent;
  const DWORD error = GetLastError();
  if (IsNotFound(error)) return PathState::kAbsent;
  if (error == ERROR_SHARING_VIOLATION) return PathState::kPresent;  // held exclusively, but there
  // Access denied, a network path that does not answer, a drive that is not ready: the file
  // may well be there.
  (void)ReportIf(error != 0);
  return PathState::kUnknown;
}

bool Win32FileSystem::WriteReplace(const Text& path, std::string_view bytes) {
  // Windows refuses to rename over a read-only file; refuse before writing anything, so the
  // answer is the same on every system and no temp file is left to clean up.
  if (IsReadOnlyFile(path)) return Fail(FileFailure::kOther);
  const Text temp = TempPath(path);
  LockRetryPolicy cleanup = retry_;
  cleanup.budgetMs = std::min(cleanup.budgetMs, kTempCleanupBudgetMs);
  FileFailure why = FileFailure::kOther;
  auto fail = [&] {
    DeleteWithRetry(temp, cleanup);
    return Fail(why);
  };

  // A stray temp file of a crashed write is ours to overwrite, whatever its attributes.
  if (KindOf(temp) == PathKind::ProtectedFile) {
    BeforeFileCall("SetFileAttributesA", temp);
    SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  }

  switch (WriteTemp(temp, CREATE_ALWAYS, bytes, retry_, why)) {
    case TempResult::kWritten: break;
    case TempResult::kNotCreated: return Fail(why);
    case TempResult::kFailed: return fail();
  }

  LockRetry retry(retry_);
  for (;;) {
    BeforeFileCall("MoveFileExA", temp);
    if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    DWORD error = GetLastError();
    // The lock may sit on the table (a reader) or on the fresh temp file (a scanner).
    bool brief = IsLockError(error) ||
                 (error == ERROR_ACCESS_DENIED && KindOf(temp) == PathKind::File &&
                  (KindOf(path) == PathKind::File || KindOf(path) == PathKind::Missing));
    if (!brief || !retry.WaitBeforeNextTry()) {
      why = FailureOf(error, brief);
      return fail();
    }
  }
}

bool Win32FileSystem::WriteNew(const Text& path, std::string_view bytes) {
  const Text temp = TempPath(path);
  LockRetryPolicy cleanup = retry_;
  cleanup.budgetMs = std::min(cleanup.budgetMs, kTempCleanupBudgetMs);
  // Only a temp file created by this call is ever removed.
  FileFailure why = FileFailure::kOther;
  switch (WriteTemp(temp, CREATE_NEW, bytes, retry_, why)) {
    case TempResult::kWritten: break;
    case TempResult::kNotCreated: return Fail(why);
    case TempResult::kFailed: DeleteWithRetry(temp, cleanup); return Fail(why);
  }
  if (MoveNew(temp, path)) return true;
  why = LastFailure();
  DeleteWithRetry(temp, cleanup);
  return Fail(why);
}

bool Win32FileSystem::MoveNew(const Text& from, const Text& to) {
  LockRetry retry(retry_);
  for (;;) {
    BeforeFileCall("MoveFileExA", from);
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    DWORD error = GetLastError();
    if (IsAlreadyThere(error)) return Fail(FileFailure::kOther);
    // A scanner holding the file that is being moved.
    bool brief = IsLockError(error) || (error == ERROR_ACCESS_DENIED && KindOf(from) == PathKind::File &&
                                        KindOf(to) == PathKind::Missing);
    if (!brief || !retry.WaitBeforeNextTry()) return Fail(FailureOf(error, brief));
  }
}

bool Win32FileSystem::Remove(const Text& path) {
  FileFailure why = FileFailure::kOther;
  return DeleteWithRetry(path, retry_, &why) || Fail(why);
}

LeadByteRule Win32FileSystem::PathLeadBytes() const { return &IsSystemLeadByte; }

}  // namespace quorrel
