// TableFileSystem over POSIX calls, for the host builds (tests, benchmarks). Windows builds use
// the Win32 layer instead.
#pragma once

#ifndef _WIN32

#include "store/table_file_system.h"

namespace quorrel {

class PosixTableFileSystem : public TableFileSystem {
 public:
  std::optional<std::string> ReadFile(const Text& path) override;
  // ENOENT and ENOTDIR are "absent"; any other failure of stat is "unknown".
  PathState Probe(const Text& path) override;
  // Temp file, write, fsync, rename, fsync of the folder.
  bool WriteReplace(const Text& path, std::string_view bytes) override;
  // Temp file created with O_EXCL, write, fsync, MoveNew.
  bool WriteNew(const Text& path, std::string_view bytes) override;
  bool MoveNew(const Text& from, const Text& to) override;
  bool Remove(const Text& path) override;
};

}  // namespace quorrel

#endif  // _WIN32
