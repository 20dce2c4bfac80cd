#!/usr/bin/env python3
"""Writes the hostile and broken YXP (zip) test packages of this folder.

Each starts with a harmless entry "good.txt", so an unpacker that writes as
it goes leaves something behind. Run it from anywhere; the packages land
beside this script.
"""
import io
import warnings
import os
import struct
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
GOOD = b"good\n"


def build(entries, patch=None):
    """entries: (name, data, options) with options external_attr,
    create_system, extra, compress."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as z:
        z.writestr(zipfile.ZipInfo("good.txt", (2012, 3, 27, 9, 5, 0)), GOOD)
        for name, data, opts in entries:
            zi = zipfile.ZipInfo(name, (2012, 3, 27, 9, 5, 0))
            zi.compress_type = opts.get("compress", zipfile.ZIP_DEFLATED)
            if "external_attr" in opts:
                zi.external_attr = opts["external_attr"]
            if "create_system" in opts:
                zi.create_system = opts["create_system"]
            if "extra" in opts:
                zi.extra = opts["extra"]
            z.writestr(zi, data)
    data = bytearray(buf.getvalue())
    if patch:
        patch(data)
    return bytes(data)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def headers(data, signature):
    at = data.find(signature)
    while at >= 0:
        yield at
        at = data.find(signature, at + 4)


def set_flag_bit0(data):
    for at in headers(data, b"PK\x03\x04"):
        data[at + 6] |= 1
    for at in headers(data, b"PK\x01\x02"):
        data[at + 8] |= 1


def lie_about_size(data):
    # The second entry (after good.txt) claims 100 bytes in both headers.
    local = list(headers(data, b"PK\x03\x04"))[1]
    struct.pack_into("<I", data, local + 22, 100)
    central = list(headers(data, b"PK\x01\x02"))[1]
    struct.pack_into("<I", data, central + 24, 100)


def claim_huge_size(data):
    local = list(headers(data, b"PK\x03\x04"))[1]
    struct.pack_into("<I", data, local + 22, 0xF0000000)
    central = list(headers(data, b"PK\x01\x02"))[1]
    struct.pack_into("<I", data, central + 24, 0xF0000000)


def claim_sizes(sizes):
    """Entry i after good.txt claims sizes[i] bytes in both headers."""
    def patch(data):
        locals_ = list(headers(data, b"PK\x03\x04"))[1:]
        centrals = list(headers(data, b"PK\x01\x02"))[1:]
        for size, local, central in zip(sizes, locals_, centrals):
            struct.pack_into("<I", data, local + 22, size)
            struct.pack_into("<I", data, central + 24, size)
    return patch


def central_sizes_only(data):
    # A stored entry whose directory claims 10 bytes where its local header
    # (which the unpacker follows) holds them all.
    central = list(headers(data, b"PK\x01\x02"))[1]
    struct.pack_into("<II", data, central + 20, 10, 10)


def count_zero(data):
    # The end record counts no entries, as 65536 entries wrap to 0.
    end = data.rfind(b"PK\x05\x06")
    struct.pack_into("<HH", data, end + 8, 0, 0)


def unicode_path(name, stored):
    field = struct.pack("<BI", 1, zlib.crc32(stored)) + name
    return struct.pack("<HH", 0x7075, len(field)) + field


def main():
    warnings.simplefilter("ignore")
    link = {"external_attr": 0o120777 << 16, "create_system": 3}
    write("name-dotdot.yxp", build([("../escape.txt", b"x", {})]))
    write("name-dotdot-inner.yxp", build([("a/../../escape.txt", b"x", {})]))
    write("name-absolute.yxp", build([("/escape.txt", b"x", {})]))
    write("name-backslash.yxp", build([("..\\escape.txt", b"x", {})]))
    write("name-unicode-extra.yxp", build([
        ("safe.txt", b"x", {"extra": unicode_path(b"../escape.txt", b"safe.txt")})]))
    write("link-outside.yxp", build([("passwd", b"/etc/passwd", link)]))
    write("link-dot.yxp", build([("loop", b".", link)]))
    write("link-then-file.yxp", build([("dir", b"/tmp", link), ("dir/escape.txt", b"x", {})]))
    write("link-count-zero.yxp", build([("passwd", b"/etc/passwd", link)], count_zero))
    write("dup-name.yxp", build([("good.txt", b"second", {})]))
    write("dup-case.yxp", build([("GOOD.TXT", b"second", {})]))
    write("file-then-folder.yxp", build([("good.txt/inner.txt", b"x", {})]))
    write("encrypted.yxp", build([("secret.txt", b"x", {})], set_flag_bit0))
    write("lying-size.yxp", build([("big.bin", bytes(1 << 20), {})], lie_about_size))
    write("huge-size.yxp", build([("big.bin", bytes(1000), {})], claim_huge_size))
    # One entry claims what the others need, the others claim little and
    # inflate to much: the claims add up, the output does not.
    zeros = bytes(300000)
    write("bomb-spread.yxp", build(
        [("claims.bin", b"z" * 10, {})] + [("b%d.bin" % i, zeros, {}) for i in range(4)],
        claim_sizes([400000, 10, 10, 10, 10])))
    write("stored-local-size.yxp", build(
        [("big.bin", bytes(100000), {"compress": zipfile.ZIP_STORED})], central_sizes_only))
    write("bzip2.yxp", build([("text.txt", b"bzip2 " * 100, {"compress": zipfile.ZIP_BZIP2})]))
    whole = build([("second.txt", b"y" * 3000, {})])
    write("truncated.yxp", whole[: len(whole) // 2])
    write("not-a-zip.yxp", b"This is plain text, not an archive.\n" * 4)


if __name__ == "__main__":
    main()
