#!/usr/bin/env python3
"""Writes pinyin_initials_table.cpp beside this script: the pinyin initial of every Chinese
character of code page 936, by its GBK code (run by hand; the output is committed).

    apt-get install unicode-data
    python3 ui/main/make_pinyin_initials.py [path of Unihan_Readings.txt or .txt.bz2]

The readings come from the Unicode Han database (Debian's unicode-data package keeps it in
/usr/share/unicode). A character's letter is the first one of its most customary reading
(kMandarin, the mainland's where two are given; else kHanyuPinyin, kXHC1983, kTGHZ2013).
A character whose standard readings (kTGHZ2013, the 通用规范汉字表) begin with another
letter as well (行 xíng, háng) gets that letter as its second one; of several, the one of
the most frequent reading (kHanyuPinlu). GBK codes are read with Python's gb18030 codec,
which agrees with code page 936 on every Chinese character; the few characters that both
map to private-use code points (FE51 and its neighbours) are read as GB 18030-2005 has them.
"""
import bz2, os, sys, unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
OUTPUT = os.path.join(HERE, "pinyin_initials_table.cpp")
DEFAULT_SOURCE = "/usr/share/unicode/Unihan_Readings.txt.bz2"
# The characters of code page 936 that it (and Python's gb18030) maps to private-use code
# points, as GB 18030-2005 and later map them.
LATER_MAPPINGS = {0xFE51: 0x20087, 0xFE52: 0x20089, 0xFE53: 0x200CC, 0xFE59: 0x9FB4, 0xFE61: 0x9FB5,
                  0xFE66: 0x9FB6, 0xFE67: 0x9FB7, 0xFE6C: 0x215D7, 0xFE6D: 0x9FB8, 0xFE76: 0x2298F,
                  0xFE7E: 0x9FB9, 0xFE90: 0x9FBA, 0xFE91: 0x241FE, 0xFEA0: 0x9FBB}
FIELDS = ("kMandarin", "kHanyuPinyin", "kXHC1983", "kTGHZ2013", "kHanyuPinlu")


def read_unihan(path):
    """{code point: {field: value}} for the fields used here, and the file's version line."""
    opener = bz2.open if path.endswith(".bz2") else open
    readings, version = {}, "unknown version"
    with opener(path, "rt", encoding="utf-8") as f:
        for line in f:
            if line.startswith("# Unicode version:"):
                version = "Unicode " + line.split(":", 1)[1].strip()
            if not line.startswith("U+"):
                continue
            cp, field, value = line.rstrip("\n").split("\t", 2)
            if field in FIELDS:
                readings.setdefault(int(cp[2:], 16), {})[field] = value
    return readings, version


def syllables(field, value):
    """The readings of one field, in its order (kHanyuPinyin: '10093.130:xī,lǔ')."""
    out = []
    for item in value.split():
        item = item.split(":")[-1]
        out += [s.split("(")[0] for s in item.split(",")]
    return out


def initial(syllable):
    """The first letter of a pinyin syllable without its tone mark (ǹg -> n)."""
    for c in unicodedata.normalize("NFD", syllable.lower()):
        if "a" <= c <= "z":
            return c
    return None


def letters_of(r):
    """(letter of the most customary reading, another first letter of a standard reading or None)."""
    first = None
    for field in FIELDS[:4]:
        if field in r:
            first = initial(syllables(field, r[field])[0])
            break
    if first is None:
        return None, None
    others = [s for s in syllables("kTGHZ2013", r.get("kTGHZ2013", "")) if initial(s) != first]
    if not others:
        return first, None
    frequency = {}
    for s in r.get("kHanyuPinlu", "").split():
        frequency[s.split("(")[0]] = int(s.split("(")[1].rstrip(")"))
    others.sort(key=lambda s: -frequency.get(s, 0))  # stable: the table's order among equals
    return first, initial(others[0])


def codes():
    """Every double-byte code of code page 936, in order."""
    for lead in range(0x81, 0xFF):
        for trail in list(range(0x40, 0x7F)) + list(range(0x80, 0xFF)):
            yield lead, trail


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_SOURCE
    readings, version = read_unihan(source)
    firsts, seconds = [], []
    for lead, trail in codes():
        try:
            ch = bytes([lead, trail]).decode("gb18030")
        except UnicodeDecodeError:
            firsts.append(".")
            continue
        ch = chr(LATER_MAPPINGS.get(lead << 8 | trail, ord(ch)))
        r = readings.get(ord(ch), {})
        if not any(f in r for f in FIELDS[:4]):  # a compatibility ideograph reads as its twin
            r = readings.get(ord(unicodedata.normalize("NFC", ch)), {})
        first, second = letters_of(r)
        firsts.append(first or ".")
        if second:
            seconds.append("%02X%02X%s" % (lead, trail, second))

    runs, i = [], 0
    while i < len(firsts):
        j = i
        while j < len(firsts) and firsts[j] == firsts[i]:
            j += 1
        runs.append(firsts[i] + (str(j - i) if j - i > 1 else ""))
        i = j
    table = "".join(runs)
    others = "".join(seconds)

    def literal(text, width=96):
        return "\n".join('    "%s"' % text[k:k + width] for k in range(0, len(text), width))

    with open(OUTPUT, "w", encoding="utf-8", newline="\n") as out:
        out.write(
            "// Generated by ui/main/make_pinyin_initials.py from the Unicode Han database (%s); do not\n"
            "// edit. To regenerate: apt-get install unicode-data && python3 ui/main/make_pinyin_initials.py\n"
            "// %d Chinese characters of code page 936 have a letter, %d of them a second one.\n"
            '#include "ui/main/pinyin_initials.h"\n\n'
            "namespace quorrel::pinyin_table {\n\n"
            "// Every double-byte code of code page 936 in order (lead bytes 0x81-0xFE, trail bytes\n"
            '// 0x40-0x7E and 0x80-0xFE): its letter, or "." for a code that holds no Chinese character;\n'
            "// a letter or dot followed by a number stands for that many of them.\n"
            "extern const char kInitials[] =\n%s;\n\n"
            "// Characters whose standard readings begin with a second letter: the code in hex, the letter.\n"
            "extern const char kSecondInitials[] =\n%s;\n\n"
            "}  // namespace quorrel::pinyin_table\n"
            % (version, sum(c != "." for c in firsts), len(seconds), literal(table), literal(others, 95)))
    print("%s: %d bytes of table, %d second letters" % (OUTPUT, len(table) + len(others), len(seconds)))


if __name__ == "__main__":
    main()
