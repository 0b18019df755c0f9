"""Writes packages with entries that are far larger than they look, with Python's zipfile,
independent of the code under test: make_bombs.py PACKAGE [--inflate NAME=SIZE]... [--lie
NAME=REAL:DECLARED]...

PACKAGE is rewritten (or created) with its other entries kept as they are.
  --inflate NAME=SIZE         NAME becomes SIZE zero bytes, deflated (a zip bomb: a few KB per MB)
  --lie NAME=REAL:DECLARED    NAME becomes REAL zero bytes, deflated, whose local and central
                              headers declare DECLARED bytes (a header that lies)
SIZE, REAL and DECLARED take the suffixes K, M, G (powers of 1000).
"""
import argparse
import os
import struct
import zipfile

CHUNK = 16 << 20


def size_of(text):
    factor = {"K": 10**3, "M": 10**6, "G": 10**9}.get(text[-1:].upper(), 1)
    return int(text[:-1] if factor > 1 else text) * factor


def write_zeros(z, name, size):
    info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0))
    info.compress_type = zipfile.ZIP_DEFLATED
    zeros = bytes(CHUNK)
    with z.open(info, "w", force_zip64=size >= 0xFFFFFFFF) as f:
        left = size
        while left > 0:
            f.write(zeros[:min(left, CHUNK)])
            left -= min(left, CHUNK)


def patch_declared_size(path, name, declared):
    with zipfile.ZipFile(path) as z:
        offset = z.getinfo(name).header_offset
    encoded = name.encode("utf-8")
    with open(path, "r+b") as f:
        data = f.read()
        # Local header: signature, then the uncompressed size at offset 22.
        assert data[offset:offset + 4] == b"PK\x03\x04"
        f.seek(offset + 22)
        f.write(struct.pack("<I", declared))
        # Central directory record: the uncompressed size at offset 24, the name at 46.
        at = data.find(b"PK\x01\x02")
        while at >= 0:
            name_length = struct.unpack_from("<H", data, at + 28)[0]
            if data[at + 46:at + 46 + name_length] == encoded:
                f.seek(at + 24)
                f.write(struct.pack("<I", declared))
                return
            at = data.find(b"PK\x01\x02", at + 4)
    raise SystemExit(f"{name}: no central directory record")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("package")
    parser.add_argument("--inflate", action="append", default=[])
    parser.add_argument("--lie", action="append", default=[])
    args = parser.parse_args()

    inflate = dict(item.split("=", 1) for item in args.inflate)
    lies = dict(item.split("=", 1) for item in args.lie)
    kept = []
    if os.path.exists(args.package):
        with zipfile.ZipFile(args.package) as z:
            kept = [(info, z.read(info)) for info in z.infolist()
                    if info.filename not in inflate and info.filename not in lies]
    temporary = args.package + ".new"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_STORED, allowZip64=True) as z:
        for info, data in kept:
            z.writestr(info, data)
        for name, size in inflate.items():
            write_zeros(z, name, size_of(size))
        for name, sizes in lies.items():
            write_zeros(z, name, size_of(sizes.split(":")[0]))
    for name, sizes in lies.items():
        patch_declared_size(temporary, name, size_of(sizes.split(":")[1]))
    os.replace(temporary, args.package)


if __name__ == "__main__":
    main()
