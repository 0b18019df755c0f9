#!/usr/bin/env python3
"""Small DXT1 and DXT5 textures, with and without a mip chain, as fuzzing seeds.

Usage: fuzz_seed_textures.py FOLDER   (or import and call write_seeds(folder))
"""
import os
import struct
import sys


def dds(w, h, fourcc, mips, block):
    levels, sw, sh = [], w, h
    while True:
        levels.append(((sw + 3) // 4) * ((sh + 3) // 4) * block)
        if mips <= 1 or (sw == 1 and sh == 1):
            break
        sw, sh = max(1, sw // 2), max(1, sh // 2)
    header = bytearray(128)
    struct.pack_into("<4sIIIIIII", header, 0, b"DDS ", 124, 0x81007, h, w, levels[0], 0,
                     len(levels) if mips > 1 else 0)
    struct.pack_into("<II4s", header, 76, 32, 4, fourcc)
    return bytes(header) + bytes((i * 37 + 11) & 0xFF for i in range(sum(levels)))


SEEDS = {"dxt1_8x8": (8, 8, b"DXT1", 1, 8), "dxt5_8x4_mips": (8, 4, b"DXT5", 4, 16),
         "dxt5_5x3": (5, 3, b"DXT5", 1, 16), "dxt1_16x16_mips": (16, 16, b"DXT1", 5, 8)}


def write_seeds(folder):
    os.makedirs(folder, exist_ok=True)
    for name, args in SEEDS.items():
        with open(os.path.join(folder, name), "wb") as handle:
            handle.write(dds(*args))


if __name__ == "__main__":
    write_seeds(sys.argv[1])
