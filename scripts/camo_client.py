#!/usr/bin/env python3
"""Adds a package of large camouflage textures to a demo client, for the CAMO-mod benchmark.

The textures are made from the real images of the benchmark corpus (scripts/bench_corpus.sh):
each one takes the colours of one image and, as its alpha, the brightness of another, both
resized to 1024x1024 or 2048x2048. ImageMagick's DDS writer makes them DXT5 with a full mip
chain; Python's zipfile packs them (stored, as in current clients) as
res/packages/shared_content-part3.pkg, which the shipped Camouflage.cfg names.

Usage: camo_client.py CLIENT CORPUS [--count 40] [--large 12] [--convert /usr/bin/convert]
"""
import argparse
import concurrent.futures
import os
import pathlib
import subprocess
import tempfile
import zipfile

from PIL import Image

NATIONS = ["germany", "ussr", "usa", "france", "uk", "china", "japan", "czech", "sweden", "poland"]


def load_raw(path):
    with open(path, "rb") as f:
        header = f.readline().split()
        width, height = int(header[0]), int(header[1])
        data = f.read(width * height * 4)
    return Image.frombytes("RGBA", (width, height), data, "raw", "BGRA")


def make_texture(args):
    colour_path, alpha_path, size, out, convert = args
    colour = load_raw(colour_path).convert("RGB").resize((size, size), Image.LANCZOS)
    alpha = load_raw(alpha_path).convert("L").resize((size, size), Image.LANCZOS)
    colour.putalpha(alpha)
    png = out.with_suffix(".png")
    colour.save(png)
    levels = size.bit_length() - 1  # mip levels below the top one, down to 1x1
    subprocess.run([convert, str(png), "-define", "dds:compression=dxt5",
                    "-define", f"dds:mipmaps={levels}", str(out)], check=True)
    png.unlink()
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("client", type=pathlib.Path)
    parser.add_argument("corpus", type=pathlib.Path)
    parser.add_argument("--count", type=int, default=40)
    parser.add_argument("--large", type=int, default=12, help="how many are 2048x2048")
    parser.add_argument("--convert", default="/usr/bin/convert")
    options = parser.parse_args()

    images = sorted(p for p in options.corpus.glob("*.raw") if "opaque" in p.name)
    images += sorted(p for p in options.corpus.glob("*.raw") if "opaque" not in p.name)
    if len(images) < 2:
        raise SystemExit("camo_client.py: the corpus has too few images")
    work = pathlib.Path(tempfile.mkdtemp(prefix="camo-"))
    jobs = []
    for n in range(options.count):
        size = 2048 if n < options.large else 1024
        name = f"vehicles/{NATIONS[n % len(NATIONS)]}/Camouflage/camo_{n:02d}.dds"
        jobs.append((images[(3 * n) % len(images)], images[(3 * n + 1) % len(images)], size,
                     work / f"camo_{n:02d}.dds", options.convert, name))
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
        done = list(pool.map(make_texture, [job[:5] for job in jobs]))
    package = options.client / "res" / "packages" / "shared_content-part3.pkg"
    # Stored, as current clients store their packages' entries.
    with zipfile.ZipFile(package, "w", zipfile.ZIP_STORED) as archive:
        for path, job in zip(done, jobs):
            archive.write(path, job[5])
            path.unlink()
    work.rmdir()
    print(f"{package}: {len(jobs)} camouflage textures, {options.large} of 2048x2048")


if __name__ == "__main__":
    main()
