#include "base/text.h"

#include <climits>
#include <cstring>

namespace quorrel {

int32_t ParseDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > int64_t{INT32_MAX} + 1) value = int64_t{INT32_MAX} + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(value);
}

std::vector<Text> SplitText(std::string_view text, std::string_view sep) {
  std::vector<Text> parts;
  if (text.empty()) return parts;
  if (sep.empty()) {
    parts.emplace_back(text);
    return parts;
  }
  size_t start = 0;
  for (;;) {
    size_t at = text.find(sep, start);
    if (at == std::string_view::npos) {
      if (start < text.size()) parts.emplace_back(text.substr(start));
      break;
    }
    parts.emplace_back(text.substr(start, at - start));
    start = at + sep.size();
  }
  return parts;
}

size_t FindAtCharStart(std::string_view haystack, std::string_view needle) {
  for (size_t i = 0; i <= haystack.size(); ++i) {
    if (haystack.size() - i >= needle.size() && haystack.compare(i, needle.size(), needle) == 0) return i;
    if (i < haystack.size() && IsLeadByte(static_cast<unsigned char>(haystack[i]))) ++i;
  }
  return std::string_view::npos;
}

size_t LastPathSeparator(std::string_view path, LeadByteRule rule) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\' || path[i] == '/') {
      last = i;
    } else if (rule && rule(static_cast<unsigned char>(path[i]))) {
      ++i;
    }
  }
  return last;
}

void SecureWipe(std::string& s) noexcept {
  // Growing to the capacity never reallocates, so no copy is made and nothing can throw.
  s.resize(s.capacity());
  SecureWipe(s.data(), s.size());
  s.clear();
}

void SecureWipe(std::wstring& s) noexcept {
  s.resize(s.capacity());
  SecureWipe(s.data(), s.size() * sizeof(wchar_t));
  s.clear();
}

void SecureWipe(void* data, size_t size) {
  // memset through a volatile function pointer: the compiler cannot prove the call dead and
  // drop it, and large buffers are still cleared at memset speed.
  static void* (*const volatile wipe)(void*, int, size_t) = &std::memset;
  if (data && size) wipe(data, 0, size);
}

}  // namespace quorrel
