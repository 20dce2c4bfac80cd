#!/usr/bin/env python3
"""Writes platform/os/MacSingleByteTables.cpp: the upper halves (0x80-0xFF) of
the Mac single-byte encodings that glibc's iconv does not provide, or provides
in an older form: glibc's Mac Icelandic lacks Y and y with acute and has D with
stroke for eth, its Mac Roman lacks the increment sign (U+2206) and the logo
(U+F8FF), and its Mac Cyrillic has the currency sign where the Mac has the
euro.

Roman, Cyrillic, Icelandic, Greek, Turkish, Croatian, Romanian and Arabic come
from Python's codec tables, which were generated from the public Unicode
vendor mapping files. Hebrew and Thai have no Python codec, so their tables
are written out below from the same public mapping files.

Every byte that decodes must encode back to itself, so that a host file
keeps its bytes through a change and its undo. Two kinds of bytes would not:
- the right-to-left forms of ASCII punctuation and digits (Arabic, Hebrew),
  which the mapping files give as the ASCII character with a direction
  mark: here each is the private-use character U+E800 plus its ASCII value;
- Thai positional variants of tone marks and vowel signs, given as the base
  character with a variant hint: here the private-use forms Thai fonts use
  for them (U+F701-U+F717).
Other bytes without a single character are left unmapped (0).

Usage: gen_mac_tables.py > platform/os/MacSingleByteTables.cpp
"""
import codecs

FROM_PYTHON = [
    ("Roman", 0, "mac_roman"),
    ("Cyrillic", 7, "mac_cyrillic"),
    ("Icelandic", 37, "mac_iceland"),
    ("Greek", 6, "mac_greek"),
    ("Turkish", 35, "mac_turkish"),
    ("Croatian", 36, "mac_croatian"),
    ("Romanian", 38, "mac_romanian"),
    ("Arabic", 4, "mac_arabic"),
]


def from_codec(name):
    table = []
    for b in range(0x80, 0x100):
        try:
            s = bytes([b]).decode(name)
        except UnicodeDecodeError:
            s = ""
        table.append(ord(s) if len(s) == 1 else 0)
    return table


def hebrew():
    # 0xC0 (lamed with holam) is two letters; 0xDE (qamats qatan) has its own
    # character now.
    t = {
        0x80: 0x00C4, 0x81: 0xFB1F, 0x82: 0x00C7, 0x83: 0x00C9, 0x84: 0x00D1,
        0x85: 0x00D6, 0x86: 0x00DC, 0x87: 0x00E1, 0x88: 0x00E0, 0x89: 0x00E2,
        0x8A: 0x00E4, 0x8B: 0x00E3, 0x8C: 0x00E5, 0x8D: 0x00E7, 0x8E: 0x00E9,
        0x8F: 0x00E8, 0x90: 0x00EA, 0x91: 0x00EB, 0x92: 0x00ED, 0x93: 0x00EC,
        0x94: 0x00EE, 0x95: 0x00EF, 0x96: 0x00F1, 0x97: 0x00F3, 0x98: 0x00F2,
        0x99: 0x00F4, 0x9A: 0x00F6, 0x9B: 0x00F5, 0x9C: 0x00FA, 0x9D: 0x00F9,
        0x9E: 0x00FB, 0x9F: 0x00FC,
        # right-to-left forms of ASCII punctuation and digits
        0xA0: 0x0020, 0xA1: 0x0021, 0xA2: 0x0022, 0xA3: 0x0023, 0xA4: 0x0024,
        0xA5: 0x0025, 0xA6: 0x20AA, 0xA7: 0x0027, 0xA8: 0x0029, 0xA9: 0x0028,
        0xAA: 0x002A, 0xAB: 0x002B, 0xAC: 0x002C, 0xAD: 0x002D, 0xAE: 0x002E,
        0xAF: 0x002F,
        0xBA: 0x003A, 0xBB: 0x003B, 0xBC: 0x003C, 0xBD: 0x003D, 0xBE: 0x003E,
        0xBF: 0x003F,
        0xC1: 0x201E,
        # the Mac's private-use forms, kept so such bytes survive a round trip
        0xC2: 0xF89B, 0xC3: 0xF89C, 0xC4: 0xF89D, 0xC5: 0xF89E,
        0xC6: 0x05BC, 0xC7: 0xFB4B, 0xC8: 0xFB35, 0xC9: 0x2026,
        0xCA: 0x00A0, 0xCB: 0x05B8, 0xCC: 0x05B7, 0xCD: 0x05B5, 0xCE: 0x05B6,
        0xCF: 0x05B4, 0xD0: 0x2013, 0xD1: 0x2014, 0xD2: 0x201C, 0xD3: 0x201D,
        0xD4: 0x2018, 0xD5: 0x2019, 0xD6: 0xFB2A, 0xD7: 0xFB2B, 0xD8: 0x05BF,
        0xD9: 0x05B0, 0xDA: 0x05B2, 0xDB: 0x05B1, 0xDC: 0x05BB, 0xDD: 0x05B9,
        0xDE: 0x05C7, 0xDF: 0x05B3,
        0xFB: 0x007D, 0xFC: 0x005D, 0xFD: 0x007B, 0xFE: 0x005B, 0xFF: 0x007C,
    }
    for i in range(10):
        t[0xB0 + i] = 0x0030 + i
    for i in range(0x1B):
        t[0xE0 + i] = 0x05D0 + i  # alef .. tav
    return [t.get(b, 0) for b in range(0x80, 0x100)]


def thai():
    t = {
        0x80: 0x00AB, 0x81: 0x00BB, 0x82: 0x2026,
        0x8D: 0x201C, 0x8E: 0x201D, 0x91: 0x2022, 0x9D: 0x2018, 0x9E: 0x2019,
        0xA0: 0x00A0, 0xDB: 0x2060, 0xDC: 0x200B, 0xDD: 0x2013, 0xDE: 0x2014,
        0xDF: 0x0E3F, 0xEE: 0x2122, 0xEF: 0x0E4F, 0xFA: 0x00AE, 0xFB: 0x00A9,
    }
    # Positional variants of the tone marks and vowel signs, as Thai fonts
    # name them in the private-use area.
    for i in range(5):
        t[0x83 + i] = 0xF705 + i  # mai ek .. thanthakhat, low left
        t[0x88 + i] = 0xF70A + i  # the same, low
        t[0x98 + i] = 0xF713 + i  # the same, left
    t[0x8F] = 0xF711  # nikhahit, left
    t[0x92] = 0xF710  # mai han-akat, left
    t[0x93] = 0xF712  # mai taikhu, left
    for i in range(4):
        t[0x94 + i] = 0xF701 + i  # sara i .. sara uee, left
    for i in range(0x3A):
        t[0xA1 + i] = 0x0E01 + i  # ko kai .. phinthu
    for i in range(0x0E):
        t[0xE0 + i] = 0x0E40 + i  # sara e .. nikhahit
    for i in range(10):
        t[0xF0 + i] = 0x0E50 + i  # Thai digits
    return [t.get(b, 0) for b in range(0x80, 0x100)]


def separate_right_to_left(table):
    # A byte above 0x7F that the mapping files give as ASCII is its
    # right-to-left form.
    return [0xE800 + v if 0 < v < 0x80 else v for v in table]


def emit(name, table):
    lines = ["const char16_t kMac%sHigh[128] = {" % name]
    for row in range(0, 128, 8):
        lines.append("    " + ", ".join("0x%04X" % v for v in table[row:row + 8]) + ",")
    lines.append("};")
    return "\n".join(lines)


def main():
    tables = [(n, base, separate_right_to_left(from_codec(c))) for n, base, c in FROM_PYTHON]
    tables.append(("Hebrew", 5, separate_right_to_left(hebrew())))
    tables.append(("Thai", 21, thai()))
    tables.sort(key=lambda t: t[1])
    out = [
        "// Generated by platform/os/tools/gen_mac_tables.py; do not edit.",
        "// Upper halves (0x80-0xFF) of Mac single-byte encodings; 0 = unmapped.",
        '#include "platform/os/MacSingleByteTables.h"',
        "",
        "namespace platform {",
        "namespace {",
        "",
    ]
    for name, _, table in tables:
        out.append(emit(name, table))
        out.append("")
    out.append("}  // namespace")
    out.append("")
    out.append("const char16_t* macSingleByteTable(uint32_t base) {")
    out.append("  switch (base) {")
    for name, base, _ in tables:
        out.append("    case %d: return kMac%sHigh;" % (base, name))
    out.append("    default: return nullptr;")
    out.append("  }")
    out.append("}")
    out.append("")
    out.append("}  // namespace platform")
    print("\n".join(out))


if __name__ == "__main__":
    main()
