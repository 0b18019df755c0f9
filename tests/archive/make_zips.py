"""Writes zip fixtures for the archive tests with Python's zipfile, independent of the code under
test: make_zips.py OUTDIR.

OUTDIR/src/...        the source files
OUTDIR/stored.zip     stored entries with folder entries, non-ASCII names
OUTDIR/deflated.zip   the same files deflated, no folder entries
OUTDIR/noflag.zip     a UTF-8 name without the zip's UTF-8 flag
OUTDIR/unsafe.zip     a good entry and entries that point outside the target folder
OUTDIR/manifest.tsv   one line per entry of stored.zip: name, 1/0 folder, size
OUTDIR/bombs.zip      deflated zeros far larger than they look (make_bombs.py): big.dds 400 MB,
                      big.visual_processed 70 MB, small.dds 1000 bytes, and liar.dds of 16 MB
                      whose headers declare 1000 bytes
"""
import os
import random
import struct
import sys
import zipfile

import make_bombs

FILES = {
    "vehicles/russian/R11_MS-1/crash/lod0/Hull.visual_processed": ("random", 3000),
    "vehicles/russian/Camouflage/gift_camouflage.dds": ("pattern", 20000),
    "text/readme.txt": ("text", 0),
    "mem/ünï-日本-😀.bin": ("random", 777),
    "empty.bin": ("empty", 0),
}


def content(kind, size, seed):
    rnd = random.Random(seed)
    if kind == "random":
        return bytes(rnd.getrandbits(8) for _ in range(size))
    if kind == "pattern":
        return bytes((i * 7) % 251 for i in range(size))
    if kind == "text":
        return b"Line one\r\nLine two\r\n"
    return b""


def folders_of(names):
    result = set()
    for name in names:
        parts = name.split("/")[:-1]
        for i in range(1, len(parts) + 1):
            result.add("/".join(parts[:i]) + "/")
    return sorted(result)


def clear_utf8_flag(path):
    data = bytearray(open(path, "rb").read())
    for sig, flag_offset in ((b"PK\x03\x04", 6), (b"PK\x01\x02", 8)):
        start = 0
        while True:
            at = data.find(sig, start)
            if at < 0:
                break
            flags = struct.unpack_from("<H", data, at + flag_offset)[0]
            struct.pack_into("<H", data, at + flag_offset, flags & ~0x800)
            start = at + 4
    open(path, "wb").write(bytes(data))


def main():
    out = sys.argv[1]
    blobs = {}
    for seed, (name, (kind, size)) in enumerate(sorted(FILES.items())):
        blobs[name] = content(kind, size, seed)
        path = os.path.join(out, "src", *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(blobs[name])

    manifest = []
    with zipfile.ZipFile(os.path.join(out, "stored.zip"), "w", zipfile.ZIP_STORED) as z:
        for folder in folders_of(blobs):
            z.writestr(zipfile.ZipInfo(folder), b"")
            manifest.append((folder.rstrip("/"), 1, 0))
        for name in sorted(blobs):
            z.writestr(name, blobs[name])
            manifest.append((name, 0, len(blobs[name])))
    with zipfile.ZipFile(os.path.join(out, "deflated.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        for name in sorted(blobs):
            z.writestr(name, blobs[name])
    with open(os.path.join(out, "manifest.tsv"), "w", encoding="utf-8") as f:
        for name, is_dir, size in manifest:
            f.write(f"{name}\t{is_dir}\t{size}\n")

    noflag = os.path.join(out, "noflag.zip")
    with zipfile.ZipFile(noflag, "w", zipfile.ZIP_STORED) as z:
        z.writestr("café-ü.txt", b"accent")
    clear_utf8_flag(noflag)

    bombs = os.path.join(out, "bombs.zip")
    with zipfile.ZipFile(bombs, "w", zipfile.ZIP_STORED) as z:
        make_bombs.write_zeros(z, "big.dds", 400 * 10**6)
        make_bombs.write_zeros(z, "big.visual_processed", 70 * 10**6)
        make_bombs.write_zeros(z, "small.dds", 1000)
        make_bombs.write_zeros(z, "liar.dds", 16 * 10**6)
    make_bombs.patch_declared_size(bombs, "liar.dds", 1000)

    with zipfile.ZipFile(os.path.join(out, "unsafe.zip"), "w", zipfile.ZIP_STORED) as z:
        z.writestr("good.txt", b"good")
        z.writestr(zipfile.ZipInfo("../evil.txt"), b"evil")
        z.writestr(zipfile.ZipInfo("sub/../../evil2.txt"), b"evil")


if __name__ == "__main__":
    main()
