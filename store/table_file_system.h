// The few file operations the account table needs, behind an interface so that the Win32
// layer, the POSIX host layer and the in-memory test doubles can stand in for each other.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/text.h"

namespace quorrel {

// The largest file ReadFile hands out. 100,000 typical accounts make a file of about 7 MiB,
// 100,000 long ones (60-byte names) about 15 MiB; an operation on a table at the limit peaks
// at up to 4.6 times the file in heap (the file, the deciphered copy, its index, a grown or
// purged copy and the new file at once), about 150 MiB, which a 32-bit process still finds
// (bench/table_size_bench measures both). A bigger file is not a table of this program: it
// does not open.
inline constexpr size_t kMaxTableFileBytes = size_t{32} << 20;

// What can be said about a path without opening it.
enum class PathState {
  kAbsent,   // the system said "no such file" (or "no such folder")
  kPresent,  // something is there
  kUnknown,  // any other answer (access denied, a network or removable-drive error): treat as
             // present but unopenable, never as free to create
};

// Why a call did not do its work, as far as the user can do something about it.
enum class FileFailure {
  kNone,
  kBusy,      // another program held the file longer than the retries waited
  kDiskFull,  // the disk had no room for the new content
  kOther,     // anything else: a missing folder, access denied, a failing disk
};

// Paths are ANSI-code-page byte strings (the Win32 layer passes them to the *A functions).
class TableFileSystem {
 public:
  virtual ~TableFileSystem() = default;

  // The reason of the last call that failed (ReadFile, WriteReplace, WriteNew, MoveNew,
  // Remove); read it right after the failure.
  FileFailure LastFailure() const { return last_failure_; }

  // The whole content, or nullopt when the file is missing, cannot be read or is larger than
  // kMaxTableFileBytes. Never throws.
  virtual std::optional<std::string> ReadFile(const Text& path) = 0;

  virtual PathState Probe(const Text& path) = 0;

  // Puts bytes at path so that path holds either its old content (or stays absent) or the
  // new content, at every moment, even across a crash or power loss:
  //   1. create or truncate TempPath(path) (same folder, so the rename is atomic),
  //   2. write all bytes, 3. flush them to the disk, 4. atomically rename it over path
  //      (MoveFileExA with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH; POSIX rename
  //      then fsync of the folder).
  // True only when the new content is at path. False means path still holds exactly what it
  // held before (a locked file given up on after its retries, a full disk, a missing folder);
  // the implementation then removes its temp file if it can. It never deletes path itself.
  // Where renames are not journalled (FAT), a crash inside step 4 can leave no file at path
  // and the complete new content in the temp file: see CreateAccountTable.
  virtual bool WriteReplace(const Text& path, std::string_view bytes) = 0;

  // The same steps for a file that must not exist yet: the temp file is only created when
  // nothing is at its name, and the rename never replaces. False, with path untouched, when
  // anything is at path (also when it appeared meanwhile) or at the temp name.
  virtual bool WriteNew(const Text& path, std::string_view bytes) = 0;

  // Renames from to `to` in the same folder, durably, never replacing: false when anything is
  // at `to` (MoveFileExA without MOVEFILE_REPLACE_EXISTING; POSIX renameat2 with
  // RENAME_NOREPLACE, or link and unlink where that is not supported).
  virtual bool MoveNew(const Text& from, const Text& to) = 0;

  // Deletes the file; true when it is gone afterwards (also when it was never there).
  virtual bool Remove(const Text& path) = 0;

  // How the paths' bytes form characters (the system's code page on Windows).
  virtual LeadByteRule PathLeadBytes() const { return &IsLeadByte; }

  Text TempPath(const Text& path) const;

 protected:
  // Every failing return of an implementation goes through here: `return Fail(...)`.
  bool Fail(FileFailure why) {
    last_failure_ = why;
    return false;
  }

 private:
  FileFailure last_failure_ = FileFailure::kNone;
};

// The path with the last characters of its file name replaced by tail: same folder, a name
// no longer than before (a folder that can hold path can hold it). Empty when the name has
// fewer bytes than tail.
Text SiblingPath(std::string_view path, std::string_view tail, LeadByteRule rule = &IsLeadByte);

// The temp name of WriteReplace and WriteNew: the name's last character replaced by '~'
// ("UserData.edb" -> "UserData.ed~"), by '_' when it is '~' already.
Text ReplaceTempPath(std::string_view path, LeadByteRule rule = &IsLeadByte);

// The temp name of earlier versions (path + ".tmp"), which can still hold the only complete
// table after an interrupted replace.
Text LegacyTempPath(std::string_view path);

// The n-th (1, 2, ...) name under which a file that is in the way is kept beside itself:
// "UserData.ed~" -> "UserData.e~1", "UserData.edb.tmp" -> "UserData.edb.t~1".
Text AsidePath(std::string_view path, int n, LeadByteRule rule = &IsLeadByte);

}  // namespace quorrel
