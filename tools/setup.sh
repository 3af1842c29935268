#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Safe to run again:
# it only touches apt when something is missing.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  exec sudo -E bash "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive

HOST_PKGS=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libbenchmark-dev
           libgcrypt20-dev libpng-dev zlib1g-dev locales xvfb imagemagick
           fonts-wqy-microhei dpkg-dev x11-utils python3)
# Both Windows builds: the shipped 32-bit program and the 64-bit build of the same sources,
# which runs the Windows tests on machines that cannot execute 32-bit programs.
WIN_PKGS=(g++-mingw-w64-i686 gcc-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          libz-mingw-w64-dev libgcrypt-mingw-w64-dev libgpg-error-mingw-w64-dev
          wine wine64 wine32:i386)

missing=()
for p in "${HOST_PKGS[@]}" "${WIN_PKGS[@]}"; do
  st=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$st" = "installed" ] || missing+=("$p")
done

need_src=0
grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ || need_src=1

if [ "${#missing[@]}" -gt 0 ] || [ "$need_src" -eq 1 ]; then
  echo "setup: installing: ${missing[*]:-(source entries only)}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  if [ "$need_src" -eq 1 ]; then
    # A deb-src entry for the same mirror and suites the machine already uses.
    src=/etc/apt/sources.list.d/debian.sources
    if [ -f "$src" ]; then
      sed -e 's/^Types:.*/Types: deb-src/' "$src" > /etc/apt/sources.list.d/quorrel-src.sources
    else
      grep -h '^deb ' /etc/apt/sources.list | grep debian | sed 's/^deb /deb-src /' \
        > /etc/apt/sources.list.d/quorrel-src.list
    fi
  fi
  apt-get update -qq || true
  if [ "${#missing[@]}" -gt 0 ]; then
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi

# zh_CN.UTF-8 gives Wine the ANSI code page 936, as on the target systems.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  echo "setup: generating the zh_CN.UTF-8 locale"
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

# mingw's C++ with POSIX threads (std::thread in the Windows tests).
for arch in i686 x86_64; do
  for t in g++ gcc; do
    if [ -x /usr/bin/$arch-w64-mingw32-$t-posix ]; then :; else
      echo "setup: $arch-w64-mingw32-$t-posix is missing" >&2; exit 1
    fi
  done
done
# libpng for Windows: Debian's own source package, unpacked beside the sources and
# compiled by the Windows build (Debian ships no mingw libpng).
repo=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$repo/.deps/libpng/png.c" ]; then
  echo "setup: fetching Debian's libpng1.6 source package"
  work=$(mktemp -d)
  # The mirror may lack the newest version's files: take the newest one it serves.
  versions=$(apt-cache showsrc libpng1.6 2>/dev/null | sed -n 's/^Version: //p' | sort -rV | uniq)
  if [ -z "$versions" ]; then apt-get update -qq || true
    versions=$(apt-cache showsrc libpng1.6 | sed -n 's/^Version: //p' | sort -rV | uniq); fi
  got=0
  for v in $versions; do
    if (cd "$work" && apt-get source --download-only -qq "libpng1.6=$v" >/dev/null 2>&1); then got=1; break; fi
    rm -f "$work"/*
  done
  [ "$got" -eq 1 ] || { echo "setup: could not fetch the libpng1.6 source package" >&2; exit 1; }
  mkdir -p "$repo/.deps"
  rm -rf "$repo/.deps/libpng"
  dpkg-source --no-check -x "$work"/libpng1.6_*.dsc "$repo/.deps/libpng" >/dev/null
  rm -rf "$work"
fi
echo "setup: all packages present"
