#include "app/cmdline.h"

namespace quorrel {
namespace {

// Position after the character that starts at i: two bytes for a lead byte, but never
// past the end of a line that is cut after a lead byte.
size_t NextChar(std::string_view s, size_t i) {
  size_t step = IsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
  return i + step <= s.size() ? i + step : s.size();
}

// The first position at or after i whose character is c (a single-byte character), or
// the end of the line.
size_t FindChar(std::string_view s, size_t i, char c) {
  while (i < s.size() && s[i] != c) i = NextChar(s, i);
  return i;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) < 33; }

size_t SkipProgramName(std::string_view line) {
  if (line.empty()) return 0;
  if (line[0] == '"') {
    size_t close = FindChar(line, 1, '"');
    if (close == line.size()) return close;  // unterminated: the name is the whole line
    size_t i = close + 1;
    if (i < line.size() && line[i] == ' ') ++i;
    return i;
  }
  size_t space = FindChar(line, 0, ' ');
  return space == line.size() ? space : space + 1;
}

}  // namespace

std::vector<Text> SplitCommandLine(std::string_view line) {
  std::vector<Text> args;
  size_t i = SkipProgramName(line);
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    if (line[i] == '"') {
      size_t close = FindChar(line, i + 1, '"');
      args.emplace_back(line.substr(i + 1, close - (i + 1)));
      i = close < line.size() ? close + 1 : close;
      continue;
    }
    size_t end = i;
    while (end < line.size() && !IsBlank(line[end]) && line[end] != '"') end = NextChar(line, end);
    args.emplace_back(line.substr(i, end - i));
    i = end;
  }
  return args;
}

}  // namespace quorrel
