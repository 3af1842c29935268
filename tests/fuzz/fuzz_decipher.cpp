// DecipherText and the hex layer on arbitrary bytes: no crash, and the sealing laws hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "security/cipher.h"

using namespace quorrel;

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}

bool IsUpperHex(std::string_view s) {
  return s.find_first_not_of("0123456789ABCDEF") == std::string_view::npos;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  // First byte: key length; then the key; the rest is the text under test.
  size_t keyLength = input.empty() ? 0 : static_cast<unsigned char>(input[0]) % 24;
  std::string_view rest = input.empty() ? input : input.substr(1);
  keyLength = keyLength < rest.size() ? keyLength : rest.size();
  std::string_view key = rest.substr(0, keyLength);
  std::string_view text = rest.substr(keyLength);

  Text decoded = HexDecode(text);
  Check(decoded.size() == (text.size() + 1) / 2);
  Check(HexDecode(HexEncode(text)) == text);

  const Text tag = KeyTag(key);
  Check(tag.size() == kKeyTagLength && IsUpperHex(tag));

  // Unsealing arbitrary text: only a text ending in the tag can give anything back.
  Text plain = DecipherText(text, key);
  if (!plain.empty()) {
    Check(text.size() > kKeyTagLength && text.ends_with(tag));
    Check(plain.find('\0') == Text::npos);
    std::string_view hex = text.substr(0, text.size() - kKeyTagLength);
    Check(plain.size() <= (hex.size() + 1) / 2);
    // Canonical sealed texts come back byte for byte.
    if (hex.size() % 2 == 0 && IsUpperHex(hex) && plain.size() == hex.size() / 2) {
      Check(EncipherText(plain, key) == text);
    }
  }

  // Sealing then unsealing gives the text up to its first zero byte.
  Text sealed = EncipherText(text, key);
  Check(sealed.size() == 2 * text.size() + kKeyTagLength && IsUpperHex(sealed));
  Check(DecipherText(sealed, key) == text.substr(0, text.find('\0')));
  return 0;
}
