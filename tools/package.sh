#!/usr/bin/env bash
# Makes the download a Windows user runs: build/dist/Quorrel-<version>-win32.zip holding the
# stripped 32-bit Quorrel.exe of the windows preset (never Quorrel.debug), the user guide
# 使用说明.txt and SHA256SUMS.txt, and beside the zip its own sum (<zip>.sha256). Builds
# Quorrel.exe first when it is missing or older than its sources. The same exe and guide
# give the same zip, byte for byte.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

version=$(sed -n 's/^project(Quorrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no project(Quorrel VERSION ...) in CMakeLists.txt" >&2; exit 1; }
exe=build/windows/Quorrel.exe
guide=res/guide/使用说明.txt
zip=build/dist/Quorrel-$version-win32.zip

[ -f "$guide" ] || { echo "package: $guide is missing" >&2; exit 1; }
mkdir -p build/dist
rm -f "$zip" "$zip.sha256"  # a failed run leaves no older zip behind that looks current

# Everything Quorrel.exe is built from; the guide is not part of it.
newer_source() {
  find CMakeLists.txt CMakePresets.json cmake base ui store security exchange input app res \
    -path res/guide -prune -o -type f -newer "$exe" -print -quit
}
if [ ! -f "$exe" ] || [ -n "$(newer_source)" ]; then
  echo "=== building Quorrel.exe (windows preset)"
  cmake --preset windows
  cmake --build --preset windows --target Quorrel -j2
fi

python3 - "$exe" "$guide" "$zip" <<'PY'
import hashlib, os, struct, sys, time, zipfile

exe_path, guide_path, zip_path = sys.argv[1:4]


class OemName(zipfile.ZipInfo):
    """A member whose name is stored in code page 936 without the UTF-8 flag (bit 11): the
    Explorer of Chinese Windows reads such names in its OEM code page, which is 936."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("gbk"), self.flag_bits & ~0x800


def pe_time(image):
    """The link time in the PE header, so that the members' dates follow the exe's bytes."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    stamp = struct.unpack_from("<I", image, pe + 8)[0]
    t = time.gmtime(stamp)
    return t[:6] if 1980 <= t.tm_year <= 2107 else (2024, 1, 1, 0, 0, 0)


exe = open(exe_path, "rb").read()
text = open(guide_path, "rb").read().decode("utf-8").lstrip("\ufeff")
# Notepad on every Windows version reads UTF-8 with a byte-order mark and CR LF.
guide = b"\xef\xbb\xbf" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")
exe_sum = hashlib.sha256(exe).hexdigest()
members = {
    "Quorrel.exe": exe,
    "SHA256SUMS.txt": f"{exe_sum} *Quorrel.exe\r\n".encode("ascii"),
    "使用说明.txt": guide,
}

stamp = pe_time(exe)
part = zip_path + ".part"
with zipfile.ZipFile(part, "w") as z:
    for name in sorted(members):
        info = OemName(name, date_time=stamp)
        info.create_system = 0  # MS-DOS attributes, whatever system packs it
        info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
        z.writestr(info, members[name], compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
os.replace(part, zip_path)

zip_sum = hashlib.sha256(open(zip_path, "rb").read()).hexdigest()
with open(zip_path + ".sha256", "w", encoding="ascii", newline="\n") as f:
    f.write(f"{zip_sum} *{os.path.basename(zip_path)}\n")
print(f"{exe_sum}  Quorrel.exe ({len(exe)} bytes)")
print(f"{zip_sum}  {zip_path} ({os.path.getsize(zip_path)} bytes)")
PY
