#!/usr/bin/env python3
"""Adds a package of large camouflage textures to a demo client, for the CAMO-mod benchmark.

The textures are made from the real images of the benchmark corpus (scripts/bench_corpus.sh):
each one takes the colours of one image and, as its alpha, the brightness of another, both
resized to 1024x1024 or 2048x2048. ImageMagick's DDS writer makes them DXT5 with a full mip
chain; Python's zipfile packs them (stored, as in current clients) as
res/packages/shared_content-part3.pkg, which the shipped Camouflage.cfg names.

With --wrecks the textures are tank wrecks of the maps instead (MEM-mod): diffuse textures
"content/MilitaryEnvironment/hd_mle<n>_<vehicle id>_<name>/..._AM.dds" that the shipped
MapTanks.cfg covers, every third one DXT1 (opaque) and the others DXT5, spread over
--maps map packages (res/packages/<number>_<map>.pkg).

Usage: camo_client.py CLIENT CORPUS [--count 40] [--large 12] [--wrecks] [--maps 4]
       [--convert /usr/bin/convert]
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
VEHICLE_IDS = ["G01", "R04", "A05", "F12", "GB21", "Ch05", "J03", "Cz08", "S11", "Pl07"]
MAPS = ["28_desert", "29_el_hallouf", "31_airfield", "33_fjord", "34_redshire", "35_steppes",
        "36_fishing_bay", "37_caucasus"]


def load_raw(path):
    with open(path, "rb") as f:
        header = f.readline().split()
        width, height = int(header[0]), int(header[1])
        data = f.read(width * height * 4)
    return Image.frombytes("RGBA", (width, height), data, "raw", "BGRA")


def make_texture(args):
    colour_path, alpha_path, size, out, convert, compression = args
    colour = load_raw(colour_path).convert("RGB").resize((size, size), Image.LANCZOS)
    if compression == "dxt5":
        alpha = load_raw(alpha_path).convert("L").resize((size, size), Image.LANCZOS)
        colour.putalpha(alpha)
    png = out.with_suffix(".png")
    colour.save(png)
    levels = size.bit_length() - 1  # mip levels below the top one, down to 1x1
    subprocess.run([convert, str(png), "-define", f"dds:compression={compression}",
                    "-define", f"dds:mipmaps={levels}", str(out)], check=True)
    png.unlink()
    return out


def list_package(client, package):
    """Lists the package in the client's paths.xml, which names the packages the game loads."""
    paths = client / "paths.xml"
    text = paths.read_text()
    line = f"./res/packages/{package}.pkg</Package>"
    if line not in text:
        text = text.replace("\t\t</Packages>",
                            f'\t\t\t<Package type="sd,hd">{line}\n\t\t</Packages>')
        paths.write_text(text)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("client", type=pathlib.Path)
    parser.add_argument("corpus", type=pathlib.Path)
    parser.add_argument("--count", type=int, default=40)
    parser.add_argument("--large", type=int, default=12, help="how many are 2048x2048")
    parser.add_argument("--convert", default="/usr/bin/convert")
    parser.add_argument("--wrecks", action="store_true", help="map wrecks instead of camouflages")
    parser.add_argument("--maps", type=int, default=4, help="map packages of the wrecks")
    options = parser.parse_args()

    images = sorted(p for p in options.corpus.glob("*.raw") if "opaque" in p.name)
    images += sorted(p for p in options.corpus.glob("*.raw") if "opaque" not in p.name)
    if len(images) < 2:
        raise SystemExit("camo_client.py: the corpus has too few images")
    work = pathlib.Path(tempfile.mkdtemp(prefix="camo-"))
    jobs = []
    for n in range(options.count):
        size = 2048 if n < options.large else 1024
        if options.wrecks:
            folder = f"hd_mle{100 + n:03d}_{VEHICLE_IDS[n % len(VEHICLE_IDS)]}_Bench{n:02d}"
            name = f"content/MilitaryEnvironment/{folder}/{folder}_AM.dds"
            package = MAPS[n % min(options.maps, len(MAPS))]
            compression = "dxt1" if n % 3 == 2 else "dxt5"
        else:
            name = f"vehicles/{NATIONS[n % len(NATIONS)]}/Camouflage/camo_{n:02d}.dds"
            package = "shared_content-part3"
            compression = "dxt5"
        jobs.append((images[(3 * n) % len(images)], images[(3 * n + 1) % len(images)], size,
                     work / f"tex_{n:02d}.dds", options.convert, compression, name, package))
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
        done = list(pool.map(make_texture, [job[:6] for job in jobs]))
    packages = {}
    for path, job in zip(done, jobs):
        packages.setdefault(job[7], []).append((path, job[6]))
    for package, entries in packages.items():
        target = options.client / "res" / "packages" / f"{package}.pkg"
        # Stored, as current clients store their packages' entries.
        with zipfile.ZipFile(target, "w", zipfile.ZIP_STORED) as archive:
            for path, name in entries:
                archive.write(path, name)
                path.unlink()
        print(f"{target}: {len(entries)} {'wreck' if options.wrecks else 'camouflage'} textures")
        list_package(options.client, package)
    work.rmdir()


if __name__ == "__main__":
    main()
