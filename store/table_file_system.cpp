#include "store/table_file_system.h"

#include <vector>

namespace quorrel {

Text TableFileSystem::TempPath(const Text& path) const {
  return ReplaceTempPath(path, PathLeadBytes());
}

Text SiblingPath(std::string_view path, std::string_view tail, LeadByteRule rule) {
  const size_t sep = LastPathSeparator(path, rule);
  const size_t name_start = sep == std::string_view::npos ? 0 : sep + 1;
  // Character starts of the name, so that no double-byte character is cut in half.
  std::vector<size_t> starts;
  for (size_t i = name_start; i < path.size(); ++i) {
    starts.push_back(i);
    if (rule && rule(static_cast<unsigned char>(path[i]))) ++i;
  }
  size_t keep = path.size();
  while (!starts.empty() && path.size() - keep < tail.size()) {
    keep = starts.back();
    starts.pop_back();
  }
  if (path.size() - keep < tail.size()) return {};
  Text out(path.substr(0, keep));
  out.append(tail);
  return out;
}

Text ReplaceTempPath(std::string_view path, LeadByteRule rule) {
  return SiblingPath(path, !path.empty() && path.back() == '~' ? "_" : "~", rule);
}

Text LegacyTempPath(std::string_view path) {
  Text out(path);
  out += ".tmp";
  return out;
}

Text AsidePath(std::string_view path, int n, LeadByteRule rule) {
  return SiblingPath(path, "~" + std::to_string(n), rule);
}

}  // namespace quorrel
