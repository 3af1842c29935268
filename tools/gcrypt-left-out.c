/* libgcrypt is built here with AES, MD5 and the SHA digests only: no public-key algorithm, no
   ChaCha20, no BLAKE2 (tools/build-crypto.sh). A few parts of libgcrypt 1.10 that are always
   built still name functions of the algorithms left out: the elliptic-curve context calls
   (mpi/ec.c, visibility.c), the ChaCha20-Poly1305 mode (cipher-poly1305.c) and Argon2
   (kdf.c). The program reaches none of them and the linker drops them (--gc-sections), but
   the PE linker wants every name resolved first. These stand in for the missing ones and
   refuse, as libgcrypt does for an algorithm it does not have. */
#include <config.h>
#include "g10lib.h"
#include "mpi.h"
#include "ec-context.h"
#include "cipher.h"
#include "gcrypt-int.h"
#include "cipher-internal.h"
#include "pubkey-internal.h"
#include "kdf-internal.h"

/* ChaCha20: the Poly1305 mode takes no other cipher. */
gcry_err_code_t _gcry_chacha20_poly1305_encrypt (gcry_cipher_hd_t c, byte *outbuf,
                                                 const byte *inbuf, size_t length)
{ (void)c; (void)outbuf; (void)inbuf; (void)length; return GPG_ERR_CIPHER_ALGO; }

gcry_err_code_t _gcry_chacha20_poly1305_decrypt (gcry_cipher_hd_t c, byte *outbuf,
                                                 const byte *inbuf, size_t length)
{ (void)c; (void)outbuf; (void)inbuf; (void)length; return GPG_ERR_CIPHER_ALGO; }

/* BLAKE2b: only Argon2 uses it, which the program never calls; were it called, libgcrypt's
   own "bug" exit would end it rather than give a wrong key. */
static void blake2b_left_out (void *outbuf, size_t nbytes, const gcry_buffer_t *iov, int iovcnt)
{ (void)outbuf; (void)nbytes; (void)iov; (void)iovcnt; log_bug ("BLAKE2b is not built\n"); }

const gcry_md_spec_t _gcry_digest_spec_blake2b_512 =
  { GCRY_MD_BLAKE2B_512, {1, 0}, "BLAKE2B_512", NULL, 0, NULL, 0,
    NULL, NULL, NULL, NULL, NULL, blake2b_left_out, 0, NULL };

gcry_err_code_t blake2b_vl_hash (const void *in, size_t inlen, size_t outputlen, void *output)
{
  (void)in; (void)inlen; (void)outputlen; (void)output;
  log_bug ("BLAKE2b is not built\n");
  return GPG_ERR_DIGEST_ALGO;
}

/* Elliptic curves: no curve, so no context and no point. */
gpg_err_code_t _gcry_mpi_ec_new (gcry_ctx_t *r_ctx, gcry_sexp_t keyparam, const char *curvename)
{ (void)keyparam; (void)curvename; *r_ctx = NULL; return GPG_ERR_NOT_IMPLEMENTED; }

gcry_mpi_t _gcry_ecc_get_mpi (const char *name, mpi_ec_t ec, int copy)
{ (void)name; (void)ec; (void)copy; return NULL; }

gcry_mpi_point_t _gcry_ecc_get_point (const char *name, mpi_ec_t ec)
{ (void)name; (void)ec; return NULL; }

gpg_err_code_t _gcry_ecc_set_mpi (const char *name, gcry_mpi_t newvalue, mpi_ec_t ec)
{ (void)name; (void)newvalue; (void)ec; return GPG_ERR_NOT_IMPLEMENTED; }

gpg_err_code_t _gcry_ecc_set_point (const char *name, gcry_mpi_point_t newvalue, mpi_ec_t ec)
{ (void)name; (void)newvalue; (void)ec; return GPG_ERR_NOT_IMPLEMENTED; }

gpg_err_code_t _gcry_ecc_sec_decodepoint (gcry_mpi_t value, mpi_ec_t ec, mpi_point_t result)
{ (void)value; (void)ec; (void)result; return GPG_ERR_NOT_IMPLEMENTED; }

gpg_err_code_t _gcry_ecc_mont_decodepoint (gcry_mpi_t pk, mpi_ec_t ctx, mpi_point_t result)
{ (void)pk; (void)ctx; (void)result; return GPG_ERR_NOT_IMPLEMENTED; }

gpg_err_code_t _gcry_ecc_eddsa_decodepoint (gcry_mpi_t pk, mpi_ec_t ctx, mpi_point_t result,
                                            unsigned char **r_encpk, unsigned int *r_encpklen)
{ (void)pk; (void)ctx; (void)result; (void)r_encpk; (void)r_encpklen;
  return GPG_ERR_NOT_IMPLEMENTED; }

gpg_err_code_t _gcry_pk_ecc_get_sexp (gcry_sexp_t *r_sexp, int mode, mpi_ec_t ec)
{ (void)mode; (void)ec; *r_sexp = NULL; return GPG_ERR_NOT_IMPLEMENTED; }

unsigned int _gcry_ecc_get_algo_keylen (int algo)
{ (void)algo; return 0; }

gpg_error_t _gcry_ecc_mul_point (int algo, unsigned char *result, const unsigned char *scalar,
                                 const unsigned char *point)
{ (void)algo; (void)result; (void)scalar; (void)point;
  return gpg_error (GPG_ERR_PUBKEY_ALGO); }

void reverse_buffer (unsigned char *buffer, unsigned int length)
{
  unsigned int i;
  for (i = 0; i < length / 2; i++)
    {
      unsigned char tmp = buffer[i];
      buffer[i] = buffer[length - 1 - i];
      buffer[length - 1 - i] = tmp;
    }
}
