// The startup PIN as the program must store it in "Pwd", computed without the program's
// own cipher: the digest comes from the system's CryptoAPI.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace quorrel {

inline std::string Md5HexBySystem(std::string_view data) {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  std::string hex;
  if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
      CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
      CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0)) {
    BYTE digest[16];
    DWORD size = sizeof digest;
    if (CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == 16) {
      char two[3];
      for (BYTE b : digest) {
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
      }
    }
  }
  if (hash) CryptDestroyHash(hash);
  if (provider) CryptReleaseContext(provider, 0);
  return hex;
}

// Upper-case hex of each byte XOR 0x10, then characters 3 to 11 of the key's MD5 in upper case.
inline std::string SealedPin(std::string_view pin, std::string_view key = "Qm4Tz8LwRk2V") {
  std::string sealed;
  char two[3];
  for (char c : pin) {
    std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(c) ^ 0x10);
    sealed += two;
  }
  std::string md5 = Md5HexBySystem(key);
  if (md5.size() != 32) return "<no digest>";
  for (char c : md5.substr(2, 9)) sealed += static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
  return sealed;
}

}  // namespace quorrel
