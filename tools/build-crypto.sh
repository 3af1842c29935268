#!/usr/bin/env bash
# Builds libgpg-error and libgcrypt for one Windows target from Debian's source packages,
# unpacked by tools/setup.sh, into <prefix> (lib/, include/). libgcrypt gets only what the
# program calls: AES (GCM), MD5, SHA-256 and PBKDF2; SHA-1 comes with it, as its random
# generator needs it. No public-key algorithm. Both are compiled for size with a section per
# function, so that the program's link (--gc-sections) keeps only what it reaches.
#   tools/build-crypto.sh <i686|x86_64> <libgpg-error sources> <libgcrypt sources> <prefix>
set -euo pipefail
cpu=$1 gpgerror_src=$2 gcrypt_src=$3 prefix=$4
tools=$(cd "$(dirname "$0")" && pwd)
host=$cpu-w64-mingw32
build_type=$(dpkg-architecture -qDEB_BUILD_GNU_TYPE)

cflags="-Os -ffunction-sections -fdata-sections"
# 32-bit: no unwind tables for C code that no C++ exception crosses. The PE linker keeps every
# .eh_frame, and each one holds on to all functions of its object file.
[ "$cpu" = i686 ] && cflags="$cflags -fno-asynchronous-unwind-tables"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$prefix"
mkdir -p "$prefix/lib" "$prefix/include"

# libgcrypt's configure finds libgpg-error through gpg-error-config: gpgrt-config alone is
# only looked for in the compiler's pkgconfig folders, which a machine without Debian's
# mingw libraries does not have.
echo "build-crypto: libgpg-error for $host"
mkdir "$work/gpg-error"
(cd "$work/gpg-error" &&
  "$gpgerror_src/configure" --host="$host" --build="$build_type" --prefix="$prefix" \
    --enable-static --disable-shared --disable-nls --disable-doc --disable-tests \
    --disable-languages --enable-install-gpg-error-config CFLAGS="$cflags" >configure.log 2>&1 &&
  make -j2 >make.log 2>&1 && make install >install.log 2>&1) || {
  tail -n 30 "$work"/gpg-error/*.log >&2; exit 1; }

echo "build-crypto: libgcrypt for $host"
mkdir "$work/gcrypt"
(cd "$work/gcrypt" &&
  "$gcrypt_src/configure" --host="$host" --build="$build_type" --prefix="$prefix" \
    --enable-static --disable-shared --with-libgpg-error-prefix="$prefix" \
    --enable-ciphers=aes --enable-digests=md5,sha256 --enable-kdfs=pkdf2 \
    --enable-pubkey-ciphers=, --disable-doc --disable-jent-support --disable-padlock-support \
    CFLAGS="$cflags" >configure.log 2>&1 &&
  make -j2 SUBDIRS="compat mpi cipher random" >make.log 2>&1 &&
  make -C src -j2 libgcrypt.la >>make.log 2>&1) || {
  tail -n 30 "$work"/gcrypt/*.log >&2; exit 1; }
! grep -Eq '^#define USE_(RSA|DSA|ELGAMAL|ECC) ' "$work/gcrypt/config.h" || {
  echo "build-crypto: libgcrypt was configured with public-key algorithms" >&2; exit 1; }

cp "$work/gcrypt/src/.libs/libgcrypt.a" "$prefix/lib/"
cp "$work/gcrypt/src/gcrypt.h" "$prefix/include/"
"$host-gcc" $cflags -Wall -Werror -DHAVE_CONFIG_H -I"$work/gcrypt" -I"$work/gcrypt/src" \
  -I"$gcrypt_src/src" -I"$gcrypt_src/cipher" -I"$gcrypt_src/mpi" -I"$prefix/include" \
  -c "$tools/gcrypt-left-out.c" -o "$work/gcrypt-left-out.o"
"$host-ar" r "$prefix/lib/libgcrypt.a" "$work/gcrypt-left-out.o"
echo "build-crypto: $prefix/lib/libgcrypt.a ($(stat -c %s "$prefix/lib/libgcrypt.a") bytes)"
