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

// Splits at every occurrence of sep; an empty last part is dropped, the empty text gives
// no part at all (the splitting rule the account-file readers rely on).
std::vector<Text> SplitText(std::string_view text, std::string_view sep);

// Byte-wise, case-sensitive search that only matches at character starts: both bytes of a
// double-byte character are stepped over together. Returns npos when absent.
size_t FindAtCharStart(std::string_view haystack, std::string_view needle);

// Overwrites the bytes before the memory is released: for passwords, the PIN and
// deciphered tables.
void SecureWipe(void* data, size_t size);
inline void SecureWipe(std::string& s) {
  SecureWipe(s.data(), s.size());
  s.clear();
}

// A string that wipes itself when it goes away.
class SecretText {
 public:
  SecretText() = default;
  explicit SecretText(std::string s) : value_(std::move(s)) {}
  SecretText(const SecretText& o) : value_(o.value_) {}
  SecretText& operator=(const SecretText& o) {
    if (this != &o) { SecureWipe(value_); value_ = o.value_; }
    return *this;
  }
  SecretText(SecretText&& o) noexcept : value_(std::move(o.value_)) { o.value_.clear(); }
  SecretText& operator=(SecretText&& o) noexcept {
    if (this != &o) { SecureWipe(value_); value_ = std::move(o.value_); o.value_.clear(); }
    return *this;
  }
  ~SecretText() { SecureWipe(value_); }
  const std::string& str() const { return value_; }
  std::string& str() { return value_; }

 private:
  std::string value_;
};

}  // namespace quorrel
