// The few file operations the account table needs, behind an interface so that the Win32
// layer, the POSIX host layer and the in-memory test doubles can stand in for each other.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/text.h"

namespace quorrel {

// Paths are ANSI-code-page byte strings (the Win32 layer passes them to the *A functions).
class TableFileSystem {
 public:
  virtual ~TableFileSystem() = default;

  // The whole content, or nullopt when the file is missing or cannot be read.
  virtual std::optional<std::string> ReadFile(const Text& path) = 0;

  // True when something exists at path.
  virtual bool Exists(const Text& path) = 0;

  // Puts bytes at path so that path holds either its old content (or stays absent) or the
  // new content, at every moment, even across a crash or power loss:
  //   1. create or truncate ReplaceTempPath(path) (same folder, so the rename is atomic),
  //   2. write all bytes, 3. flush them to the disk, 4. atomically rename it over path
  //      (MoveFileExA with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH; POSIX rename
  //      then fsync of the folder).
  // True only when the new content is at path. False means path still holds exactly what it
  // held before (a locked file given up on after its retries, a full disk, a missing folder);
  // the implementation then removes its temp file if it can. It never deletes path itself.
  virtual bool WriteReplace(const Text& path, std::string_view bytes) = 0;

  // Deletes the file; true when it is gone afterwards (also when it was never there).
  virtual bool Remove(const Text& path) = 0;
};

// The one temp name used for path: a fixed name that a later write simply overwrites, so a
// crash leaves at most one stray file, and the table is never read from it.
inline Text ReplaceTempPath(const Text& path) { return path + ".tmp"; }

}  // namespace quorrel
