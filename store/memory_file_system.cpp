#include "store/memory_file_system.h"

namespace quorrel {

std::optional<std::string> MemoryTableFileSystem::ReadFile(const Text& path) {
  auto it = files.find(path);
  if (it == files.end() || it->second.size() > kMaxTableFileBytes) {
    Fail(FileFailure::kOther);
    return std::nullopt;
  }
  return it->second;
}

PathState MemoryTableFileSystem::Probe(const Text& path) {
  return files.count(path) != 0 ? PathState::kPresent : PathState::kAbsent;
}

bool MemoryTableFileSystem::WriteReplace(const Text& path, std::string_view bytes) {
  files[path] = std::string(bytes);
  files.erase(TempPath(path));  // overwritten, then renamed away
  ++writes;
  return true;
}

bool MemoryTableFileSystem::WriteNew(const Text& path, std::string_view bytes) {
  if (files.count(path) != 0 || files.count(TempPath(path)) != 0) return Fail(FileFailure::kOther);
  files[path] = std::string(bytes);
  ++writes;
  return true;
}

bool MemoryTableFileSystem::MoveNew(const Text& from, const Text& to) {
  auto it = files.find(from);
  if (it == files.end() || files.count(to) != 0) return Fail(FileFailure::kOther);
  std::string bytes = std::move(it->second);
  files.erase(it);
  files[to] = std::move(bytes);
  return true;
}

bool MemoryTableFileSystem::Remove(const Text& path) {
  files.erase(path);
  return true;
}

}  // namespace quorrel
