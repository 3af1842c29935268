// Texts of the program: byte strings in the system ANSI code page (GBK on the target
// systems). Lengths, positions and hex encodings count bytes.
#pragma once

#include <array>
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
void SecureWipe(std::wstring& s) noexcept;

// A secret (a password, the PIN, a deciphered table, a box's text): a string that wipes
// itself when it goes away, what a move leaves behind, and its old characters before it
// takes new ones. It is never copied by accident: copies are made on purpose with Clone().
// SecretText holds ANSI bytes, SecretWide the UTF-16 of a window's box.
template <typename String>
class BasicSecret {
 public:
  using View = std::basic_string_view<typename String::value_type>;

  BasicSecret() = default;
  // Takes the string's buffer; a short string's characters, copied into this object, are
  // wiped where they were.
  explicit BasicSecret(String&& s) noexcept : value_(std::move(s)) { SecureWipe(s); }
  // A copy of the characters, in a buffer of exactly their size.
  explicit BasicSecret(View s) { assign(s); }
  BasicSecret(const BasicSecret&) = delete;
  BasicSecret& operator=(const BasicSecret&) = delete;
  BasicSecret(BasicSecret&& o) noexcept : value_(std::move(o.value_)) { SecureWipe(o.value_); }
  BasicSecret& operator=(BasicSecret&& o) noexcept {
    if (this != &o) {
      SecureWipe(value_);
      value_ = std::move(o.value_);
      SecureWipe(o.value_);
    }
    return *this;
  }
  ~BasicSecret() { SecureWipe(value_); }

  [[nodiscard]] BasicSecret Clone() const { return BasicSecret(View(value_)); }
  // Wipes what it held, then copies s in (a buffer that must grow is wiped before it is freed).
  void assign(View s) {
    SecureWipe(value_);
    value_.reserve(s.size());
    value_.assign(s);
  }
  void clear() noexcept { SecureWipe(value_); }

  View view() const { return value_; }
  const String& str() const { return value_; }
  // For code that builds the secret in place: within the capacity it reserved, or through
  // assign, never by growing the buffer (a grown buffer leaves the old one unwiped).
  String& str() { return value_; }
  size_t size() const { return value_.size(); }
  bool empty() const { return value_.empty(); }
  bool operator==(View other) const { return View(value_) == other; }
  bool operator==(const BasicSecret& other) const { return value_ == other.value_; }

 private:
  String value_;
};

using SecretText = BasicSecret<std::string>;
using SecretWide = BasicSecret<std::wstring>;

// Bytes of a secret of fixed size (a derived key): wiped when they go, and what they leave
// behind when copied over or moved.
template <size_t N>
struct SecretBytes {
  SecretBytes() = default;
  SecretBytes(const SecretBytes&) = default;
  SecretBytes& operator=(const SecretBytes&) = default;
  ~SecretBytes() { Wipe(); }
  void Wipe() { SecureWipe(bytes.data(), bytes.size()); }
  unsigned char* data() { return bytes.data(); }
  const unsigned char* data() const { return bytes.data(); }
  static constexpr size_t size() { return N; }
  bool operator==(const SecretBytes&) const = default;

  std::array<unsigned char, N> bytes{};
};

}  // namespace quorrel
