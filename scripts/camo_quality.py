#!/usr/bin/env python3
"""Error of shaded camouflage textures against the exact shaded image, for the CAMO benchmark.

For every source texture (a DXT5 DDS under SOURCE), the exact result is its decoded top level with
red, green and blue each v * percent // 100 and alpha kept. Each candidate (a .wotmod, or a folder
of DDS files) is decoded by Pillow, an independent decoder, and compared on the top level: RGB
RMSE weighted by alpha, and alpha RMSE, over all textures. Also prints the megapixels of the full
mip chains.

Usage: camo_quality.py PERCENT SOURCE NAME=CANDIDATE [NAME=CANDIDATE ...]
"""
import io
import math
import pathlib
import struct
import sys
import zipfile

from PIL import Image, ImageChops, ImageMath


def mean(image):
    """Mean of a one-band image, in floating point (a box filter down to one pixel)."""
    return image.convert("F").resize((1, 1), Image.BOX).getpixel((0, 0))


def chain_pixels(data):
    height, width = struct.unpack("<II", data[12:20])
    levels = max(1, struct.unpack("<I", data[28:32])[0])
    total = 0
    for _ in range(levels):
        total += width * height
        width, height = max(1, width // 2), max(1, height // 2)
    return total


def exact(image, percent):
    r, g, b, a = image.split()
    scale = [v * percent // 100 for v in range(256)]
    return Image.merge("RGBA", (r.point(scale), g.point(scale), b.point(scale), a))


def candidate_files(path):
    """Relative path (lower case, '/' separators, below 'res/' where packed) -> bytes."""
    files = {}
    path = pathlib.Path(path)
    if path.is_file():
        with zipfile.ZipFile(path) as archive:
            for name in archive.namelist():
                if name.lower().endswith(".dds"):
                    key = name.lower().removeprefix("res/")
                    files[key] = archive.read(name)
    else:
        for file in path.rglob("*.dds"):
            files[str(file.relative_to(path)).lower().removeprefix("res/")] = file.read_bytes()
    return files


def main():
    percent, source = int(sys.argv[1]), pathlib.Path(sys.argv[2])
    sources = {str(p.relative_to(source)).lower(): p for p in source.rglob("*.dds")}
    references = {}
    mpix = 0
    for key, path in sources.items():
        data = path.read_bytes()
        mpix += chain_pixels(data) / 1e6
        references[key] = exact(Image.open(io.BytesIO(data)).convert("RGBA"), percent)
    print(f"{len(sources)} textures, {mpix:.1f} Mpix in their full mip chains")
    for argument in sys.argv[3:]:
        name, path = argument.split("=", 1)
        files = candidate_files(path)
        weighted = weights = alpha = count = 0.0
        missing = 0
        for key, reference in references.items():
            if key not in files:
                missing += 1
                continue
            decoded = Image.open(io.BytesIO(files[key])).convert("RGBA")
            difference = ImageChops.difference(decoded, reference)
            a = reference.getchannel("A")
            pixels = reference.size[0] * reference.size[1]
            for band in difference.split()[:3]:
                term = ImageMath.eval("float(a) * float(d) * float(d)", a=a, d=band)
                weighted += mean(term) * pixels / 255.0
            weights += 3 * mean(a) * pixels / 255.0
            d = difference.getchannel("A")
            alpha += mean(ImageMath.eval("float(d) * float(d)", d=d)) * pixels
            count += pixels
        rgb = math.sqrt(weighted / max(weights, 1e-9))
        print(f"{name}: RGB RMSE weighted by alpha {rgb:.3f}, alpha RMSE "
              f"{math.sqrt(alpha / max(count, 1)):.3f}"
              + (f", {missing} textures missing" if missing else ""))


if __name__ == "__main__":
    main()
