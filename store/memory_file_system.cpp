#include "store/memory_file_system.h"

namespace quorrel {

std::optional<std::string> MemoryTableFileSystem::ReadFile(const Text& path) {
  auto it = files.find(path);
  if (it == files.end()) return std::nullopt;
  return it->second;
}

bool MemoryTableFileSystem::Exists(const Text& path) { return files.count(path) != 0; }

bool MemoryTableFileSystem::WriteReplace(const Text& path, std::string_view bytes) {
  files[path] = std::string(bytes);
  files.erase(ReplaceTempPath(path));  // overwritten, then renamed away
  ++writes;
  return true;
}

bool MemoryTableFileSystem::Remove(const Text& path) {
  files.erase(path);
  return true;
}

}  // namespace quorrel
