#!/usr/bin/env bash
# Installs every Debian package the build and the tests need, and builds the Windows
# libraries that Debian does not ship as the program needs them. Safe to run again: it only
# touches apt when something is missing, and builds only what is not built yet.
#   tools/setup.sh [windows|windows64|chosen]...   the Windows builds whose libraries it makes:
#   by default both; "chosen" is the one this machine runs (tools/wine.sh decides, as for
#   tools/run.sh).
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  exec sudo -E bash "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive

HOST_PKGS=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libbenchmark-dev
           libgcrypt20-dev libpng-dev zlib1g-dev locales xvfb imagemagick
           fonts-wqy-microhei dpkg-dev x11-utils python3 make bzip2)
# Both Windows builds: the shipped 32-bit program and the 64-bit build of the same sources,
# which runs the Windows tests on machines that cannot execute 32-bit programs.
WIN_PKGS=(g++-mingw-w64-i686 gcc-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
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
  if [ "${#missing[@]}" -gt 0 ] &&
     ! apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
    # A mirror caught mid-sync serves one architecture's index of the security suite
    # damaged; apt then finds no i386 build of the amd64 version and gives up. The point
    # release alone has both architectures at the same versions: try again from it.
    echo "setup: trying again from the release without its security updates"
    plain=$(mktemp -d)
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && awk -v RS= -v ORS='\n\n' '!/security/' "$f" > "$plain/$(basename "$f")"
    done
    grep -hvs security /etc/apt/sources.list > "$plain/plain.list" || true
    rc=0
    apt-get install -y -qq --no-install-recommends -o Dir::Etc::SourceParts="$plain" \
      -o Dir::Etc::SourceList="$plain/plain.list" "${missing[@]}" >/dev/null || rc=$?
    rm -rf "$plain"
    [ "$rc" -eq 0 ] || exit "$rc"
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
repo=$(cd "$(dirname "$0")/.." && pwd)

# What the setup fetches and builds is kept for every checkout on this machine, in
# $QUORREL_CACHE (default /var/cache/quorrel): src/<release>/<package> (unpacked sources) and
# crypto/<recipe>/<cpu> (the libraries as tools/build-crypto.sh and tools/gcrypt-left-out.c
# make them; <recipe> is their hash, so a changed recipe builds again). A checkout gets a
# copy. Without a cache it can write, each checkout builds its own.
cache=${QUORREL_CACHE:-/var/cache/quorrel}
{ mkdir -p "$cache" && [ -w "$cache" ]; } 2>/dev/null || cache=""
release=$(. /etc/os-release && echo "${VERSION_CODENAME:-$VERSION_ID}")

# Makes $2 a copy of the cache's entry $1, which "$3 ... <folder>" makes when it is not
# there yet. An entry is whole or absent; one setup at a time makes it, another waits.
from_cache() {  # entry dest command...
  local entry=$1 dest=$2
  shift 2
  if [ -z "$cache" ]; then "$@" "$dest"; return; fi
  mkdir -p "$(dirname "$cache/$entry")"
  (
    flock 9
    [ -d "$cache/$entry" ] && exit 0
    rm -rf "$cache/$entry.new"
    "$@" "$cache/$entry.new" && mv "$cache/$entry.new" "$cache/$entry"
  ) 9>"$cache/$entry.lock" || return 1
  rm -rf "$dest"
  mkdir -p "$(dirname "$dest")"
  cp -a "$cache/$entry" "$dest"
}

# Debian's source package $1, the newest version the mirror serves (it may lack the newest
# version's files), unpacked into $2.
fetch_source() {
  local pkg=$1 dest=$2 work versions v got=0
  echo "setup: fetching Debian's $pkg source package"
  work=$(mktemp -d)
  versions=$(apt-cache showsrc "$pkg" 2>/dev/null | sed -n 's/^Version: //p' | sort -rV | uniq)
  if [ -z "$versions" ]; then apt-get update -qq || true
    versions=$(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -rV | uniq); fi
  for v in $versions; do
    if (cd "$work" && apt-get source --download-only -qq "$pkg=$v" >/dev/null 2>&1); then got=1; break; fi
    rm -f "$work"/*
  done
  # Unpacked in the scratch folder, which also takes dpkg-source's copy of the tarball.
  if [ "$got" -ne 1 ] || ! dpkg-source --no-check -x "$work"/*.dsc "$work/unpacked" >/dev/null; then
    echo "setup: could not fetch the $pkg source package" >&2; rm -rf "$work"; return 1
  fi
  rm -rf "$dest"
  mkdir -p "$(dirname "$dest")"
  mv "$work/unpacked" "$dest"
  rm -rf "$work"
}

# libpng and zlib for Windows: Debian's own source packages, unpacked beside the sources and
# compiled by the Windows build (Debian ships no mingw libpng; its mingw zlib is not built
# for the linker to drop what the program does not use).
[ -f "$repo/.deps/libpng/png.c" ] || from_cache "src/$release/libpng1.6" "$repo/.deps/libpng" fetch_source libpng1.6
[ -f "$repo/.deps/zlib/inflate.c" ] || from_cache "src/$release/zlib" "$repo/.deps/zlib" fetch_source zlib

# libgpg-error and libgcrypt for the Windows builds asked for, built from Debian's source
# packages with only the algorithms the program uses (tools/build-crypto.sh) into
# .deps/mingw/<cpu>. Built once: a second run finds the recipe it was built by and leaves it.
recipe=$(cat "$repo/tools/build-crypto.sh" "$repo/tools/gcrypt-left-out.c" | sha256sum | cut -c1-16)
sources=$(mktemp -d)
trap 'rm -rf "$sources"' EXIT
build_crypto() {  # cpu prefix
  [ -f "$sources/libgcrypt20/src/gcrypt.h.in" ] ||
    { from_cache "src/$release/libgpg-error" "$sources/libgpg-error" fetch_source libgpg-error &&
      from_cache "src/$release/libgcrypt20" "$sources/libgcrypt20" fetch_source libgcrypt20; } || return 1
  bash "$repo/tools/build-crypto.sh" "$1" "$sources/libgpg-error" "$sources/libgcrypt20" "$2" &&
    echo "$recipe" > "$2/recipe"
}
[ $# -gt 0 ] || set -- windows windows64
for build in "$@"; do
  [ "$build" = chosen ] &&
    build=$(set +eu; . "$repo/tools/wine.sh"; wine_choose_build; echo "$windows_preset")
  case $build in
  windows) cpu=i686 ;;
  windows64) cpu=x86_64 ;;
  *) echo "setup: no Windows build '$build' (windows, windows64 or chosen)" >&2; exit 2 ;;
  esac
  [ "$(cat "$repo/.deps/mingw/$cpu/recipe" 2>/dev/null)" = "$recipe" ] && continue
  from_cache "crypto/$recipe/$cpu" "$repo/.deps/mingw/$cpu" build_crypto "$cpu"
done
echo "setup: all packages present"
