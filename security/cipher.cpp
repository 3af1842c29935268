#include "security/cipher.h"

#include <gcrypt.h>

#include "base/crypto_lib.h"

namespace quorrel {
namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";
constexpr char kLowerDigits[] = "0123456789abcdef";
// 3600 & 0xFF: the historical mask constant, truncated to a byte.
constexpr unsigned char kByteMask = 0x10;
// The tag starts at the third digest character.
constexpr size_t kTagOffset = 2;

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads one group right to left; non-digits are skipped, so "G5" reads as 5 and "zz" as 0.
unsigned char ReadHexGroup(std::string_view group) {
  unsigned value = 0;
  unsigned weight = 1;
  for (size_t i = group.size(); i-- > 0;) {
    int d = HexDigitValue(group[i]);
    if (d < 0) continue;
    value += static_cast<unsigned>(d) * weight;
    weight *= 16;
  }
  return static_cast<unsigned char>(value & 0xFF);
}

void AppendHexByte(Text& out, unsigned char b) {
  out.push_back(kUpperDigits[b >> 4]);
  out.push_back(kUpperDigits[b & 0x0F]);
}

}  // namespace

Text Md5Hex(std::string_view data) {
  if (!InitCryptoLibrary()) return {};
  gcry_md_hd_t hd = nullptr;
  // gcry_md_open fails (instead of aborting) where MD5 is not allowed, e.g. in FIPS mode.
  if (gcry_md_open(&hd, GCRY_MD_MD5, 0) != 0 || hd == nullptr) return {};
  if (!data.empty()) gcry_md_write(hd, data.data(), data.size());
  const unsigned char* digest = gcry_md_read(hd, GCRY_MD_MD5);
  Text hex;
  if (digest != nullptr && gcry_md_get_algo_dlen(GCRY_MD_MD5) == 16) {
    hex.reserve(32);
    for (size_t i = 0; i < 16; ++i) {
      hex.push_back(kLowerDigits[digest[i] >> 4]);
      hex.push_back(kLowerDigits[digest[i] & 0x0F]);
    }
  }
  gcry_md_close(hd);
  return hex;
}

Text HexEncode(std::string_view data) {
  Text out;
  out.reserve(data.size() * 2);
  for (char c : data) AppendHexByte(out, static_cast<unsigned char>(c));
  return out;
}

Text HexDecode(std::string_view hex) {
  Text out;
  out.reserve((hex.size() + 1) / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    out.push_back(static_cast<char>(ReadHexGroup(hex.substr(i, 2))));
  }
  return out;
}

Text KeyTag(std::string_view key) {
  Text digest = Md5Hex(key);
  if (digest.size() < kTagOffset + kKeyTagLength) return {};
  Text tag = digest.substr(kTagOffset, kKeyTagLength);
  for (char& c : tag) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  return tag;
}

Text EncipherText(std::string_view plain, std::string_view key) {
  Text out;
  out.reserve(plain.size() * 2 + kKeyTagLength);
  // Encode straight from the plain bytes so no unmasked copy is left behind.
  for (char c : plain) AppendHexByte(out, static_cast<unsigned char>(c) ^ kByteMask);
  out += KeyTag(key);
  return out;
}

Text DecipherText(std::string_view sealed, std::string_view key) {
  std::string_view tail =
      sealed.size() < kKeyTagLength ? sealed : sealed.substr(sealed.size() - kKeyTagLength);
  Text tag = KeyTag(key);
  // The length check also covers a missing digest: an empty tag equals only an empty tail.
  if (sealed.size() < kKeyTagLength || tail != tag) return {};

  Text plain = HexDecode(sealed.substr(0, sealed.size() - kKeyTagLength));
  for (size_t i = 0; i < plain.size(); ++i) {
    plain[i] = static_cast<char>(static_cast<unsigned char>(plain[i]) ^ kByteMask);
    if (plain[i] == '\0') {
      // Wipe what is cut off: it may be the rest of a password.
      SecureWipe(plain.data() + i, plain.size() - i);
      plain.resize(i);
      break;
    }
  }
  return plain;
}

}  // namespace quorrel
