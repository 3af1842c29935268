// TableFileSystem held in memory: for tests of everything above the table and for fuzzing.
#pragma once

#include <map>

#include "store/table_file_system.h"

namespace quorrel {

class MemoryTableFileSystem : public TableFileSystem {
 public:
  std::optional<std::string> ReadFile(const Text& path) override;
  PathState Probe(const Text& path) override;
  bool WriteReplace(const Text& path, std::string_view bytes) override;
  bool WriteNew(const Text& path, std::string_view bytes) override;
  bool MoveNew(const Text& from, const Text& to) override;
  bool Remove(const Text& path) override;

  // Path -> content; tests read and plant files here directly.
  std::map<Text, std::string> files;
  // Number of successful WriteReplace and WriteNew calls.
  int writes = 0;
};

}  // namespace quorrel
