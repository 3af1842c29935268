// Sealing of short texts (the startup password, account files) and the MD5 digest.
//
// A sealed text is the uppercase hex of the plain bytes, each XORed with 0x10, followed by
// a 9-character tag taken from the key's MD5. The key only decides the tag; it does not
// change the enciphered bytes, so this is a tamper/wrong-key check, not secrecy.
#pragma once

#include <cstddef>
#include <string_view>

#include "base/text.h"

namespace quorrel {

inline constexpr size_t kKeyTagLength = 9;

// MD5 (RFC 1321) of the bytes as 32 lowercase hex digits; empty when no digest is available.
Text Md5Hex(std::string_view data);

// Two uppercase hex digits per byte, high nibble first.
Text HexEncode(std::string_view data);

// Groups of two characters from the start (an odd last character is a group of one). Each
// group is read right to left, skipping anything that is not 0-9, A-F or a-f; a group
// without digits reads as 0. One byte (the low 8 bits) per group.
Text HexDecode(std::string_view hex);

// The key's tag: characters 3..11 (1-based) of Md5Hex(key) in uppercase; empty when no
// digest is available.
Text KeyTag(std::string_view key);

// HexEncode(plain XOR 0x10) + KeyTag(key). Never fails; without a digest the tag is missing.
Text EncipherText(std::string_view plain, std::string_view key);

// The plain text when the last 9 characters (the whole text when shorter) equal the key's
// tag exactly (case-sensitive), else the empty text. The result ends before the first zero
// byte of the deciphered bytes.
Text DecipherText(std::string_view sealed, std::string_view key);

}  // namespace quorrel
