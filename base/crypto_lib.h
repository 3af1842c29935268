// One-time set-up of libgcrypt, the program's source of digests, ciphers and key derivation.
#pragma once

namespace quorrel {

// Idempotent; call before any gcry_* function. Returns false when the library is unusable.
bool InitCryptoLibrary();

}  // namespace quorrel
