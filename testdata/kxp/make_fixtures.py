#!/usr/bin/env python3
"""Writes the KXP test packages of this folder.

An independent writer of the KXP layout: header (version, compression),
then per entry the name length and name, the date (version 2 and later),
the big-endian Mac type and creator (version 3 and later), the data-fork
chunks and, from version 3 on, the resource-fork chunks. Each chunk holds at
most 1024 raw bytes compressed on its own by zlib at its default level; a
raw length of 0 ends a run. Numbers are little-endian.

Run it from anywhere; the packages land beside this script. The tests read
the packages only, so rerun it (and commit the output) after a change here.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DATE = (2011, 4, 5, 13, 45, 30)


def pattern(n, seed):
    """Deterministic bytes the tests rebuild to compare with."""
    return bytes((i * seed + 3) % 251 for i in range(n))


def chunks(data, chunk=1024, comp=zlib.compress):
    out = b""
    for i in range(0, len(data), chunk):
        raw = data[i:i + chunk]
        z = comp(raw)
        out += struct.pack("<II", len(raw), len(z)) + z
    return out + struct.pack("<I", 0)


def entry(version, name, data=b"", rsrc=b"", ftype=b"????", creator=b"????",
          date=DATE):
    out = struct.pack("<I", len(name)) + name
    if version >= 2:
        out += struct.pack("<6H", *date)
    if version >= 3:
        out += ftype + creator  # four characters in reading order
    out += chunks(data)
    if version >= 3:
        out += chunks(rsrc)
    return out


def package(version, entries, compression=1):
    return struct.pack("<II", version, compression) + b"".join(entries)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def mac(text):
    return text.encode("mac_roman")


def main():
    readme = b"Hello, KXP!\n"
    # Version 1: names and data only.
    write("v1.kxp", package(1, [
        entry(1, b"Readme.txt", readme),
        entry(1, mac("Docs/Caf\u00e9.txt"), pattern(1500, 7)),
        entry(1, b"empty.txt"),
    ]))
    # Version 2: dates; separators '/', '\\', ':' and the yen sign.
    write("v2.kxp", package(2, [
        entry(2, b"Readme.txt", readme),
        entry(2, b"Configuration:Commands:Tool.htm", pattern(2048, 11)),
        entry(2, b"/Lead\\Slash.txt", pattern(10, 3)),
        entry(2, mac("Yen\u00a5Stra\u00dfe.txt"), pattern(1024, 5)),
    ]))
    # Version 3: type, creator and resource forks.
    write("v3.kxp", package(3, [
        entry(3, b"Readme.txt", readme, ftype=b"TEXT", creator=b"ttxt"),
        entry(3, b"Shared:big.bin", pattern(3000, 13), rsrc=pattern(1500, 17),
              ftype=b"BINA", creator=b"QQXm"),
        entry(3, b"empty.txt", ftype=b"TEXT", creator=b"QqXm"),
        entry(3, mac("\u00dcber:na\u00efve.txt"), pattern(5, 19)),
    ]))
    # Version 4: UTF-8 names.
    write("v4.kxp", package(4, [
        entry(4, "Caf\u00e9:\u65e5\u672c\u8a9e.txt".encode("utf-8"), pattern(2100, 23),
              rsrc=pattern(40, 29), ftype=b"TEXT", creator=b"ttxt"),
        entry(4, b"Readme.txt", readme, ftype=b"TEXT", creator=b"ttxt"),
    ]))
    write("header-only.kxp", package(3, []))

    # Hostile and broken packages: a good entry first, then the fault, so a
    # reader that writes as it goes leaves the good file behind.
    good = entry(3, b"good.txt", readme)
    bad_names = {
        "name-dotdot.kxp": b"../escape.txt",
        "name-dotdot-inner.kxp": b"a/../../escape.txt",
        "name-colons.kxp": b"a::escape.txt",
        "name-dot.kxp": b"./a.txt",
        "name-absolute.kxp": b"//etc/escape.txt",
        "name-drive.kxp": b"C:\\escape.txt",
        "name-nul.kxp": b"a\x00b.txt",
        "name-trailing-sep.kxp": b"folder/",
    }
    for fname, name in bad_names.items():
        write(fname, package(3, [good, entry(3, name, readme)]))
    write("dup-name.kxp", package(3, [good, entry(3, b"good.txt", b"second")]))
    write("dup-case.kxp", package(3, [good, entry(3, b"GOOD.TXT", b"second")]))
    write("file-then-folder.kxp",
          package(3, [good, entry(3, b"good.txt:inner.txt", b"x")]))
    v3 = open(os.path.join(HERE, "v3.kxp"), "rb").read()
    write("truncated-chunk.kxp", v3[:-40])
    write("garbage-short.kxp", v3 + b"\x07\x00")
    write("garbage-long.kxp", v3 + bytes(range(200, 256)) * 2)
    # A chunk header that claims more than a chunk can hold.
    big_raw = struct.pack("<I", 8) + b"good.txt" + struct.pack("<6H", *DATE) + \
        b"????????" + struct.pack("<II", 2000, 12) + zlib.compress(b"x" * 12)[:12]
    write("chunk-raw-too-big.kxp", package(3, [big_raw]))
    z = zlib.compress(b"y" * 100)
    big_comp = struct.pack("<I", 8) + b"good.txt" + struct.pack("<6H", *DATE) + \
        b"????????" + struct.pack("<II", 100, 5000) + z
    write("chunk-comp-too-big.kxp", package(3, [big_comp]))
    # A chunk that inflates to fewer bytes than it claims.
    z50 = zlib.compress(b"y" * 50)
    mismatch = struct.pack("<I", 9) + b"short.txt" + struct.pack("<6H", *DATE) + \
        b"????????" + struct.pack("<II", 100, len(z50)) + z50 + struct.pack("<II", 0, 0)
    write("chunk-size-mismatch.kxp", package(3, [good, mismatch]))
    zero_comp = struct.pack("<I", 8) + b"good.txt" + struct.pack("<6H", *DATE) + \
        b"????????" + struct.pack("<II", 10, 0)
    write("chunk-comp-zero.kxp", package(3, [zero_comp]))
    write("name-too-long.kxp", package(3, [good, struct.pack("<I", 7000) + b"a" * 7000]))
    write("name-empty.kxp", package(3, [good, struct.pack("<I", 0)]))
    write("compression-0.kxp", package(3, [good], compression=0))
    write("version-9.kxp", package(9, [good]))


if __name__ == "__main__":
    main()
