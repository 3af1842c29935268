// Texts of the program: byte strings in the system ANSI code page (GBK on the target
// systems). Lengths, positions and hex encodings count bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorrel {

using Text = std::string;

// The usual decimal rule: optional leading blanks and sign, then the leading digits;
// 0 when there are none. Saturates instead of overflowing.
int32_t ParseDecimal(std::string_view text);

// True for a GBK lead byte (0x81-0xFE): the next byte belongs to the same character.
inline bool IsLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// Which bytes start a double-byte character. Portable code takes the rule as an argument
// (GBK, IsLeadByte, by default); Win32 code passes the system code page's rule
// (IsSystemLeadByte in base/encoding_win.h), since the *A functions use that code page.
using LeadByteRule = bool (*)(unsigned char);

// Position of the last \ or / that is a character of its own under rule (not the trail
// byte of a double-byte character); npos when there is none.
size_t LastPathSeparator(std::string_view path, LeadByteRule rule = &IsLeadByte);

// Splits at every occurrence of sep; an empty last part is dropped, the empty text gives
// no part at all (the splitting rule the account-file readers rely on).
std::vector<Text> SplitText(std::string_view text, std::string_view sep);

// Byte-wise, case-sensitive search that only matches at character starts: both bytes of a
// double-byte character are stepped over together. Returns npos when absent.
size_t FindAtCharStart(std::string_view haystack, std::string_view needle);

// Overwrites the bytes before the memory is released: for passwords, the PIN and
// deciphered tables.
void SecureWipe(void* data, size_t size);
// The whole buffer, not only the current length: a string that was shortened, or moved from
// while it sat in its in-object buffer (up to 15 bytes), still holds the old bytes there.
void SecureWipe(std::string& s) noexcept;

// A string that wipes itself when it goes away, and what it leaves behind when moved.
class SecretText {
 public:
  SecretText() = default;
  explicit SecretText(std::string s) : value_(std::move(s)) { SecureWipe(s); }
  SecretText(const SecretText& o) : value_(o.value_) {}
  SecretText& operator=(const SecretText& o) {
    if (this != &o) { SecureWipe(value_); value_ = o.value_; }
    return *this;
  }
  SecretText(SecretText&& o) noexcept : value_(std::move(o.value_)) { SecureWipe(o.value_); }
  SecretText& operator=(SecretText&& o) noexcept {
    if (this != &o) {
      SecureWipe(value_);
      value_ = std::move(o.value_);
      SecureWipe(o.value_);
    }
    return *this;
  }
  ~SecretText() { SecureWipe(value_); }
  const std::string& str() const { return value_; }
  std::string& str() { return value_; }

 private:
  std::string value_;
};

}  // namespace quorrel
