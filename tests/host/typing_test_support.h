// What the typing tests share: the code page through glibc's iconv, readable key events,
// and the event shapes a text turns into.
#pragma once

#include <iconv.h>

#include <cerrno>
#include <ostream>
#include <string_view>
#include <vector>

#include "input/typing.h"

namespace quorrel {
// "down 65", "char up U+5f20": readable failures.
inline void PrintTo(const KeyEvent& e, std::ostream* os) {
  *os << (e.vk ? "" : "char ") << (e.up ? "up " : "down ");
  if (e.vk)
    *os << static_cast<int>(e.vk);
  else
    *os << "U+" << std::hex << static_cast<int>(e.unit) << std::dec;
}
}  // namespace quorrel

namespace quorrel::testing {

using Events = std::vector<KeyEvent>;
inline KeyEvent Down(uint8_t vk) { return {vk, false}; }
inline KeyEvent Up(uint8_t vk) { return {vk, true}; }

// A character event: the code unit goes down and up.
inline Events Char(char16_t unit) { return {CharEvent(unit, false), CharEvent(unit, true)}; }
inline Events Chord(uint8_t vk) { return {Down(vk), Up(vk)}; }
inline Events Shifted(uint8_t vk) { return {Down(16), Down(vk), Up(16), Up(vk)}; }
inline Events operator+(Events a, const Events& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The system's side of the typing, with glibc's iconv standing in for the code page:
// a character is the shortest prefix that converts, bytes that cannot start one are a
// character of their own that converts to nothing (as the Windows side decides).
class IconvEnvironment : public TypingEnvironment {
 public:
  explicit IconvEnvironment(const char* charset = "GBK", bool capsOn = false)
      : caps(capsOn), cd_(iconv_open("UTF-16LE", charset)) {}
  IconvEnvironment(const IconvEnvironment&) = delete;
  IconvEnvironment& operator=(const IconvEnvironment&) = delete;
  ~IconvEnvironment() override { iconv_close(cd_); }
  bool caps;
  int capsQueries = 0;
  bool CapsLockOn() override {
    ++capsQueries;
    return caps;
  }
  AnsiChar DecodeChar(std::string_view rest) override {
    AnsiChar c;
    for (size_t n = 1; n <= std::min<size_t>(rest.size(), 4); ++n) {
      char out[8];
      char* in = const_cast<char*>(rest.data());
      char* o = out;
      size_t inLeft = n, outLeft = sizeof out;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd_, &in, &inLeft, &o, &outLeft) != static_cast<size_t>(-1)) {
        c.bytes = n;
        c.units = (sizeof out - outLeft) / 2;
        for (size_t u = 0; u < c.units && u < 2; ++u)
          c.unit[u] = static_cast<char16_t>(static_cast<unsigned char>(out[2 * u]) |
                                            static_cast<unsigned char>(out[2 * u + 1]) << 8);
        return c;
      }
      if (errno != EINVAL) break;  // not a mere incomplete character
    }
    return c;
  }

 private:
  iconv_t cd_;
};

}  // namespace quorrel::testing
