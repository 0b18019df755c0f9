"""Writes a minimal Windows PE image with a version resource (VS_VERSIONINFO with its fixed file
information), for the tests of the version reader.

usage: make_pe.py OUT FILE_VERSION [--pe32] [--rsrc-va N] [--rsrc-raw N] [--no-resources]
                  [--bad-signature]
FILE_VERSION is "a.b.c.d".
"""
import argparse
import struct


def version_info(ms, ls, signature):
    key = "VS_VERSION_INFO".encode("utf-16-le") + b"\0\0"
    pad = (-(6 + len(key))) % 4
    ffi = struct.pack("<13I", signature, 0x00010000, ms, ls, ms, ls, 0x3F, 0, 4, 1, 0, 0, 0)
    body = key + b"\0" * pad + ffi
    return struct.pack("<HHH", 6 + len(body), len(ffi), 0) + body


def directory(entries, named=0):
    out = struct.pack("<IIHHHH", 0, 0, 4, 0, named, len(entries) - named)
    for name, target in entries:
        out += struct.pack("<II", name, target)
    return out


def resources(va, ms, ls, signature):
    vi = version_info(ms, ls, signature)
    out = directory([(3, 0x80000000 | 32), (16, 0x80000000 | 48)])  # RT_ICON, RT_VERSION
    out += directory([])  # 32: the icon type, empty
    out += directory([(1, 0x80000000 | 72)])  # 48: name 1
    out += directory([(0x409, 96)])  # 72: language 1033 -> data entry
    out += struct.pack("<IIII", va + 112, len(vi), 0, 0)  # 96: data entry
    return out + vi


def image(ms, ls, plus, rsrc_va, rsrc_raw, with_resources, signature):
    rsrc = resources(rsrc_va, ms, ls, signature)
    raw_size = (len(rsrc) + 0x1FF) & ~0x1FF
    dirs_at = 112 if plus else 96
    opt = bytearray(dirs_at + 16 * 8)
    struct.pack_into("<H", opt, 0, 0x20B if plus else 0x10B)
    struct.pack_into("<I", opt, dirs_at - 4, 16)
    if with_resources:
        struct.pack_into("<II", opt, dirs_at + 2 * 8, rsrc_va, len(rsrc))
    coff = struct.pack("<HHIIIHH", 0x8664 if plus else 0x14C, 2, 0, 0, 0, len(opt), 0x22)
    sections = struct.pack("<8sIIIIIIHHI", b".text", 0x100, 0x1000, 0x200, 0x200, 0, 0, 0, 0,
                           0x60000020)
    sections += struct.pack("<8sIIIIIIHHI", b".rsrc", len(rsrc), rsrc_va, raw_size, rsrc_raw, 0,
                            0, 0, 0, 0x40000040)
    head = bytearray(0x80)
    head[0:2] = b"MZ"
    struct.pack_into("<I", head, 0x3C, 0x80)
    head += b"PE\0\0" + coff + bytes(opt) + sections
    out = bytearray(rsrc_raw + raw_size)
    out[0:len(head)] = head
    out[0x200:0x210] = b"\xC3" * 16
    out[rsrc_raw:rsrc_raw + len(rsrc)] = rsrc
    return bytes(out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("version")
    parser.add_argument("--pe32", action="store_true")
    parser.add_argument("--rsrc-va", type=lambda t: int(t, 0), default=0x3000)
    parser.add_argument("--rsrc-raw", type=lambda t: int(t, 0), default=0x400)
    parser.add_argument("--no-resources", action="store_true")
    parser.add_argument("--bad-signature", action="store_true")
    args = parser.parse_args()
    a, b, c, d = (int(part) for part in args.version.split("."))
    data = image((a << 16) | b, (c << 16) | d, not args.pe32, args.rsrc_va, args.rsrc_raw,
                 not args.no_resources, 0xFEEF04BE if args.bad_signature else 0xFEEF04BD)
    with open(args.out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
