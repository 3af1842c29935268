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

// A secret (a password, the PIN, a deciphered table): a string that wipes itself when it
// goes away, what a move leaves behind, and its old bytes before it takes new ones. It is
// never copied by accident: copies are made on purpose with Clone().
class SecretText {
 public:
  SecretText() = default;
  // Takes the string's buffer; a short string's bytes, copied into this object, are wiped
  // where they were.
  explicit SecretText(std::string&& s) noexcept : value_(std::move(s)) { SecureWipe(s); }
  // A copy of the bytes, in a buffer of exactly their size.
  explicit SecretText(std::string_view s) { assign(s); }
  SecretText(const SecretText&) = delete;
  SecretText& operator=(const SecretText&) = delete;
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

  [[nodiscard]] SecretText Clone() const { return SecretText(std::string_view(value_)); }
  // Wipes what it held, then copies s in (a buffer that must grow is wiped before it is freed).
  void assign(std::string_view s) {
    SecureWipe(value_);
    value_.reserve(s.size());
    value_.assign(s);
  }
  void clear() noexcept { SecureWipe(value_); }

  std::string_view view() const { return value_; }
  const std::string& str() const { return value_; }
  // For code that builds the secret in place (appending within a reserved capacity).
  std::string& str() { return value_; }
  size_t size() const { return value_.size(); }
  bool empty() const { return value_.empty(); }
  bool operator==(std::string_view other) const { return std::string_view(value_) == other; }

 private:
  std::string value_;
};

}  // namespace quorrel
