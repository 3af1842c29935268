#!/usr/bin/env bash
# Checks the download a Windows user gets: runs tools/package.sh (twice, the second run must
# give the same zip) and looks inside build/dist/Quorrel-<version>-win32.zip.
#   --junit FILE  also write a JUnit report, one test case per check (for tools/test.sh)
#   --zip FILE    check this archive instead of making one (its .sha256 must sit beside it)
# Prints one line per failed check; exits 0 with a one-line summary when all pass.
set -uo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
cd "$repo"
junit="" zip=""
while [ $# -gt 0 ]; do
  case $1 in
    --junit) junit=$2; shift 2 ;;
    --zip) zip=$2; shift 2 ;;
    *) echo "usage: $0 [--junit FILE] [--zip FILE]" >&2; exit 2 ;;
  esac
done

version=$(sed -n 's/^project(Quorrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
packaged="" repeated=""
if [ -z "$zip" ]; then
  zip=build/dist/Quorrel-$version-win32.zip
  log=$(mktemp)
  trap 'rm -f "$log" "$log.zip"' EXIT
  if bash tools/package.sh >"$log" 2>&1; then
    packaged=0
    cp "$zip" "$log.zip"
    bash tools/package.sh >>"$log" 2>&1 && cmp -s "$zip" "$log.zip" && repeated=0 || repeated=1
  else
    packaged=1
    tail -n 20 "$log"
  fi
fi

python3 - "$zip" "$packaged" "$repeated" "$junit" <<'PY'
import hashlib, os, re, struct, subprocess, sys, tempfile, zipfile, zlib
import xml.etree.ElementTree as ET
from xml.sax.saxutils import quoteattr

zip_path, packaged, repeated, junit = sys.argv[1:5]
GUIDE = "使用说明.txt"
results = []  # (check, failure detail or None)


def check(name, ok, detail=""):
    results.append((name, None if ok else (detail or "no")))


def raw_names(data):
    """(flags, name, local flags, local name) of every member, from the central directory
    and the local headers, read from the bytes themselves; None when they do not parse."""
    try:
        return _raw_names(data)
    except (struct.error, IndexError):
        return None


def _raw_names(data):
    end = data.rfind(b"PK\x05\x06")
    count, size, start = struct.unpack_from("<HII", data, end + 10)
    found, pos = [], start
    for _ in range(count):
        flags = struct.unpack_from("<H", data, pos + 8)[0]
        n, m, k = struct.unpack_from("<HHH", data, pos + 28)
        local = struct.unpack_from("<I", data, pos + 42)[0]
        name = data[pos + 46:pos + 46 + n]
        lflags, ln = struct.unpack_from("<H", data, local + 6)[0], struct.unpack_from("<H", data, local + 26)[0]
        found.append((flags, name, lflags, data[local + 30:local + 30 + ln]))
        pos += 46 + n + m + k
    return found


def pe_facts(image):
    """Machine, optional-header magic, section names (long ones resolved through the string
    table), symbol-table pointer and count, and whether anything but that string table
    follows the pointer; None when the image does not parse."""
    try:
        return _pe_facts(image)
    except (struct.error, ValueError, IndexError):
        return None


def _pe_facts(image):
    if image[:2] != b"MZ":
        return None
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        return None
    machine, nsec, _, symptr, nsym, optsize = struct.unpack_from("<HHIIIH", image, pe + 4)
    magic = struct.unpack_from("<H", image, pe + 24)[0]
    strings = b""
    if symptr:
        table = symptr + 18 * nsym
        strings = image[table:table + struct.unpack_from("<I", image, table)[0]]
    names = []
    for i in range(nsec):
        raw = image[pe + 24 + optsize + 40 * i:][:8].rstrip(b"\0")
        if raw.startswith(b"/") and raw[1:].isdigit():
            off = int(raw[1:])
            raw = strings[off:strings.index(b"\0", off)] if off < len(strings) else raw
        names.append(raw.decode("latin-1"))
    only_strings = not symptr or symptr + 18 * nsym + len(strings) == len(image)
    return machine, magic, names, symptr, nsym, only_strings


if packaged:
    check("tools/package.sh runs", packaged == "0", f"exit status {packaged}")
if repeated:
    check("a second run gives the same zip", repeated == "0", "the two zips differ")

BROKEN = (OSError, EOFError, zipfile.BadZipFile, zlib.error)
data, z = b"", None
try:
    data = open(zip_path, "rb").read()
    z = zipfile.ZipFile(zip_path)
    bad = z.testzip()
    check("the zip opens and every member's CRC holds", bad is None, f"bad member {bad!r}")
except BROKEN as e:
    check("the zip opens and every member's CRC holds", False, str(e))

if z:
    members = {}
    for info in z.infolist():
        name = info.filename
        if not info.flag_bits & 0x800:  # zipfile decodes such names as code page 437
            name = name.encode("cp437").decode("gbk", "replace")
        try:
            members[name] = z.read(info)
        except BROKEN:
            members[name] = b""  # the checks of its content then say what is wrong
    expected = {"Quorrel.exe", "SHA256SUMS.txt", GUIDE}
    check("exactly Quorrel.exe, SHA256SUMS.txt and the guide", set(members) == expected and len(z.infolist()) == 3,
          f"members {sorted(members)}")

    exe = members.get("Quorrel.exe", b"")
    built = open("build/windows/Quorrel.exe", "rb").read() if os.path.exists("build/windows/Quorrel.exe") else None
    check("Quorrel.exe is build/windows/Quorrel.exe byte for byte", exe == built,
          "differs" if built else "build/windows/Quorrel.exe is missing")
    facts = pe_facts(exe)
    check("Quorrel.exe is a PE32 image for i386", facts is not None and facts[0] == 0x14C and facts[1] == 0x10B,
          f"machine/magic {facts[:2] if facts else 'not a PE image'}")
    machine, magic, names, symptr, nsym, only_strings = facts or (0, 0, [".debug?"], -1, -1, False)
    debug = [n for n in names if n.startswith(".debug")]
    check("Quorrel.exe carries no .debug sections", not debug, f"sections {debug}")
    # ld keeps a COFF string table for section names longer than 8 characters (.eh_frame,
    # .gnu_debuglink); the pointer then leads to zero symbols and that table only.
    check("Quorrel.exe has no symbol table", nsym == 0 and only_strings,
          f"pointer {symptr}, {nsym} symbols, more than section names behind it")
    check("Quorrel.exe is under 2 MB", 0 < len(exe) < 2 * 1024 * 1024, f"{len(exe)} bytes")
    # Run as the user who starts it: no legacy program, whose writes Windows would redirect.
    try:
        manifest = ET.fromstring(exe[exe.find(b"<assembly"):exe.find(b"</assembly>") + 11])
        levels = [e.get("level") for e in manifest.iter("{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")]
    except ET.ParseError as e:
        levels = [str(e)]
    check("Quorrel.exe's manifest asks for asInvoker", levels == ["asInvoker"], f"levels {levels}")
    # Looked up at run time: a static import would keep the exe from starting on Windows 7
    # without its update.
    with tempfile.NamedTemporaryFile(suffix=".exe") as f:
        f.write(exe), f.flush()
        dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", f.name], capture_output=True, text=True).stdout
    imports = dump[dump.find("The Import Tables"):]
    check("SetDefaultDllDirectories is called but not imported",
          "GetProcAddress" in imports and "SetDefaultDllDirectories" not in imports
          and b"SetDefaultDllDirectories\0" in exe, imports[:200] if "GetProcAddress" not in imports else "imported or missing")
    # Loaded when first needed, not at every start.
    named = {n.lower() for n in re.findall(r"DLL Name: (\S+)", imports)}
    late = {"comdlg32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll"}
    check("comdlg32, oleaut32, shell32 and shlwapi are imported by no table", not named & late,
          f"imported: {sorted(named & late)}")

    sums = members.get("SHA256SUMS.txt", b"")
    want = f"{hashlib.sha256(exe).hexdigest()} *Quorrel.exe\r\n".encode()
    check("SHA256SUMS.txt holds the exe's SHA-256 as '<hex> *Quorrel.exe' CR LF", sums == want, repr(sums[:90]))

    guide = members.get(GUIDE, b"")
    check("the guide starts with the UTF-8 byte-order mark", guide.startswith(b"\xef\xbb\xbf"), repr(guide[:3]))
    crlf, lf, cr = guide.count(b"\r\n"), guide.count(b"\n"), guide.count(b"\r")
    check("the guide ends its lines with CR LF only", crlf > 0 and lf == crlf == cr,
          f"{lf - crlf} bare LF, {cr - crlf} bare CR")
    try:
        text, error = guide.decode("utf-8"), ""
    except UnicodeDecodeError as e:
        text, error = "", str(e)
    check("the guide decodes as UTF-8", not error, error)
    missing = [w for w in ("F8", "F9", "UserData.edb", "Config.ini", "Startup") if w not in text]
    check("the guide names F8, F9, UserData.edb, Config.ini and Startup", not missing, f"missing {missing}")

    gbk = GUIDE.encode("gbk")
    entries = [e for e in raw_names(data) or [] if e[1] not in (b"Quorrel.exe", b"SHA256SUMS.txt")]
    check("the guide's name is 使用说明.txt in GBK without the UTF-8 flag, in both headers",
          len(entries) == 1 and entries[0][1] == entries[0][3] == gbk and not (entries[0][0] | entries[0][2]) & 0x800,
          f"entries {entries}")

    try:
        line = open(zip_path + ".sha256", "rb").read()
    except OSError as e:
        line = str(e).encode()
    want = f"{hashlib.sha256(data).hexdigest()} *{os.path.basename(zip_path)}\n".encode()
    check("the .sha256 beside the zip holds the zip's sum", line == want, repr(line[:100]))

failed = [(n, d) for n, d in results if d]
for name, detail in failed:
    print(f"FAILED: {name}: {detail}")
if junit:
    with open(junit, "w", encoding="utf-8") as f:
        f.write(f'<?xml version="1.0" encoding="UTF-8"?>\n<testsuite name="package" tests="{len(results)}" failures="{len(failed)}">\n')
        for name, detail in results:
            f.write(f'  <testcase name={quoteattr(name)} classname="package" status="run"')
            f.write(f'>\n    <failure message={quoteattr(detail)}/>\n  </testcase>\n' if detail else "/>\n")
        f.write("</testsuite>\n")
if failed:
    print(f"package: {len(failed)} of {len(results)} checks failed")
    sys.exit(1)
print(f"package: all {len(results)} checks passed ({os.path.basename(zip_path)}, {len(data)} bytes)")
PY
