#include "ui/main/pinyin_initials.h"

#include <algorithm>
#include <array>

namespace quorrel {
namespace {

// The double-byte codes of code page 936: lead bytes 0x81-0xFE, trail bytes 0x40-0xFE but 0x7F.
constexpr size_t kTrails = 190;
constexpr size_t kCodes = 126 * kTrails;

// The code's place in the table; kCodes for bytes that are no double-byte code.
size_t CodeIndex(unsigned char lead, unsigned char trail) {
  if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail > 0xFE || trail == 0x7F) return kCodes;
  return (lead - 0x81u) * kTrails + trail - 0x40u - (trail > 0x7F ? 1u : 0u);
}

unsigned char HexByte(const char* p) {
  auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
  return static_cast<unsigned char>(digit(p[0]) * 16 + digit(p[1]));
}

// Both letters of every code, 0 for none; unpacked once, at the first name.
struct Letters {
  std::array<char, kCodes> first{};
  std::array<char, kCodes> second{};
};

const Letters& Table() {
  static const Letters letters = [] {
    Letters t;
    size_t at = 0;
    for (const char* p = pinyin_table::kInitials; *p && at < kCodes;) {
      const char letter = *p++;
      size_t run = 0;
      while (*p >= '0' && *p <= '9') run = run * 10 + static_cast<size_t>(*p++ - '0');
      run = std::min(std::max<size_t>(run, 1), kCodes - at);
      if (letter != '.') std::fill_n(t.first.data() + at, run, letter);
      at += run;
    }
    for (const char* p = pinyin_table::kSecondInitials; p[0] && p[1] && p[2] && p[3] && p[4]; p += 5) {
      const size_t i = CodeIndex(HexByte(p), HexByte(p + 2));
      if (i < kCodes) t.second[i] = p[4];
    }
    return t;
  }();
  return letters;
}

}  // namespace

void AppendPinyinInitials(std::string_view name, Text& out, bool second) {
  const Letters& t = Table();
  for (size_t i = 0; i < name.size(); ++i) {
    const auto b = static_cast<unsigned char>(name[i]);
    if (IsLeadByte(b) && i + 1 < name.size()) {
      const size_t code = CodeIndex(b, static_cast<unsigned char>(name[i + 1]));
      const char letter = code == kCodes ? 0 : second && t.second[code] ? t.second[code] : t.first[code];
      if (letter) out += letter;
      else out.append(name.substr(i, 2));
      ++i;
    } else {
      out += static_cast<char>(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
    }
  }
}

}  // namespace quorrel
