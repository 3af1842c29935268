#include "base/crypto_lib.h"

#include <gcrypt.h>

namespace quorrel {

bool InitCryptoLibrary() {
  static const bool ok = [] {
    if (!gcry_check_version(GCRYPT_VERSION)) return false;
    // No secure memory pool: the program wipes its own buffers, and mlock may be refused.
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  return ok;
}

}  // namespace quorrel
